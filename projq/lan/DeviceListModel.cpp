#include "DeviceListModel.h"

DeviceListModel::DeviceListModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_captions{QStringLiteral("设备IP"), QStringLiteral("设备名称"), QStringLiteral("MAC地址"),
                 QStringLiteral("版本"),   QStringLiteral("Flag"),     QStringLiteral("IpIndex"),
                 QStringLiteral("!")}
    , m_flagTexts{QStringLiteral("Same IP as %1"),
                  QStringLiteral("IP outside the network %1/%2 that found it"),
                  QStringLiteral("Also answers on %1")}
{
}

bool DeviceListModel::addDevice(const DeviceEntry &entry)
{
    if (m_macs.contains(entry.mac)) {
        const int row = m_rowOfMac.value(entry.mac, -1);
        if (m_flags.addRepeat(row, entry.socketIndex))
            emit dataChanged(index(row, ColFlags), index(row, ColFlags));
        return false;
    }
    if (m_rows.size() >= kMaxRows) {
        ++m_refused;
        return false;
    }
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append(entry);
    m_macs.insert(entry.mac);
    m_rowOfMac.insert(entry.mac, row);
    const QList<int> changed = m_flags.addRow(entry);
    endInsertRows();
    for (int r : changed)
        if (r != row)
            emit dataChanged(index(r, ColFlags), index(r, ColFlags));
    return true;
}

void DeviceListModel::setHostNetworks(const QVector<HostNetwork> &bySocket)
{
    m_flags.setHostNetworks(bySocket);
}

void DeviceListModel::setFlagTexts(const FlagTexts &texts, const QVariant &icon)
{
    m_flagTexts = texts;
    m_flagIcon = icon;
    emit headerDataChanged(Qt::Horizontal, ColFlags, ColFlags);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, ColFlags), index(int(m_rows.size()) - 1, ColFlags));
}

QString DeviceListModel::flagToolTip(int row) const
{
    const int flags = m_flags.flags(row);
    QStringList lines;
    if (flags & FlagDuplicateIp) {
        QStringList macs;
        for (int other : m_flags.sameIpRows(row))
            macs << m_rows.at(other).mac;
        lines << QString(m_flagTexts.duplicateIp)
                     .replace(QStringLiteral("%1"), macs.join(QStringLiteral(", ")));
    }
    if (flags & FlagOutsideSubnet) {
        const HostNetwork *host = m_flags.hostOf(row);
        lines << QString(m_flagTexts.outsideSubnet)
                     .replace(QStringLiteral("%1"), host ? host->ip : QString())
                     .replace(QStringLiteral("%2"),
                              host ? QString::number(host->prefixLength) : QString());
    }
    if (flags & FlagDuplicateMac) {
        QStringList hosts;
        for (int socket : m_flags.otherSockets(row))
            hosts << (socket < m_flags.hostNetworks().size() ? m_flags.hostNetworks().at(socket).ip
                                                             : QString::number(socket));
        lines << QString(m_flagTexts.duplicateMac)
                     .replace(QStringLiteral("%1"), hosts.join(QStringLiteral(", ")));
    }
    return lines.join(QLatin1Char('\n'));
}

void DeviceListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_macs.clear();
    m_refused = 0;
    m_rowOfMac.clear();
    m_flags.clear();
    endResetModel();
}

void DeviceListModel::setHeaderTexts(const QStringList &captions)
{
    for (int i = 0; i < captions.size() && i < m_captions.size(); ++i)
        m_captions[i] = captions.at(i);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

int DeviceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DeviceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeviceListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const DeviceEntry &e = m_rows.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
        case ColIp:
            return e.ip;
        case ColName:
            return e.name;
        case ColMac:
            return e.mac;
        case ColVersion:
            return e.version;
        case ColKind:
            return QString::number(e.kind);
        case ColSocketIndex:
            return QString::number(e.socketIndex);
        case ColFlags:
            return QString(); // an icon, its words in the tool tip
        default:
            return {};
        }
    }
    if (index.column() == ColFlags) {
        if (role == Qt::DecorationRole && m_flags.flags(index.row()) != FlagNone)
            return m_flagIcon;
        if (role == Qt::ToolTipRole) {
            const QString tip = flagToolTip(index.row());
            return tip.isEmpty() ? QVariant() : QVariant(tip);
        }
        if (role == Qt::AccessibleTextRole)
            return flagToolTip(index.row());
        if (role == Qt::UserRole)
            return m_flags.flags(index.row());
    }
    // Sorting by IP or version compares numbers, not texts.
    if (role == Qt::UserRole) {
        switch (index.column()) {
        case ColIp: {
            quint32 v = 0;
            for (const QString &part : e.ip.split(QLatin1Char('.')))
                v = (v << 8) | (part.toUInt() & 0xFF);
            return v;
        }
        case ColVersion:
            return e.version.toInt();
        default:
            return data(index, Qt::DisplayRole);
        }
    }
    return {};
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The flags column is as narrow as its icon: the header shows the icon, its caption is the
    // header's tool tip and accessible name.
    if (orientation == Qt::Horizontal && section == ColFlags && section < m_captions.size()) {
        if (role == Qt::DecorationRole)
            return m_flagIcon;
        if (role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
            return m_captions.at(section);
        if (role == Qt::DisplayRole)
            return m_flagIcon.isValid() ? QString() : m_captions.at(section);
    }
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_captions.size())
        return m_captions.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
