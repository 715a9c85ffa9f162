#include "DeviceListModel.h"

DeviceListModel::DeviceListModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_captions{QStringLiteral("设备IP"), QStringLiteral("设备名称"), QStringLiteral("MAC地址"),
                 QStringLiteral("版本"),   QStringLiteral("Flag"),     QStringLiteral("IpIndex")}
{
}

bool DeviceListModel::addDevice(const DeviceEntry &entry)
{
    if (m_macs.contains(entry.mac))
        return false;
    if (m_rows.size() >= kMaxRows) {
        ++m_refused;
        return false;
    }
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append(entry);
    m_macs.insert(entry.mac);
    endInsertRows();
    return true;
}

void DeviceListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_macs.clear();
    m_refused = 0;
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
        default:
            return {};
        }
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
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_captions.size())
        return m_captions.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
