#include "TrafficModel.h"

#include "CommandRows.h"

#include <QBrush>
#include <QColor>

namespace {
// The colours of the main window's data-stream log: sent blue, received green.
const QColor kSentColor(0, 0, 255);
const QColor kReceivedColor(0, 128, 0);
// A line shows at most this many bytes; the length column tells the rest.
constexpr int kShownBytes = 256;
} // namespace

TrafficModel::TrafficModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_flush.setInterval(kFlushMs);
    m_flush.setSingleShot(true);
    connect(&m_flush, &QTimer::timeout, this, &TrafficModel::flush);
}

void TrafficModel::add(const QByteArray &bytes, const QString &peer, bool sent)
{
    m_pending.append({QDateTime::currentDateTime(), sent, peer, bytes, {}, {}});
    // Only the newest lines can be shown: drop older pending ones at once.
    if (m_pending.size() > m_maxLines)
        m_pending.remove(0, m_pending.size() - m_maxLines);
    if (!m_flush.isActive())
        m_flush.start();
}

void TrafficModel::flush()
{
    m_flush.stop();
    if (m_pending.isEmpty())
        return;
    const int incoming = int(m_pending.size());
    const int drop = std::max(0, int(m_lines.size()) + incoming - m_maxLines);
    if (drop > 0) {
        beginRemoveRows({}, 0, drop - 1);
        m_lines.erase(m_lines.begin(), m_lines.begin() + drop);
        endRemoveRows();
    }
    const int first = int(m_lines.size());
    beginInsertRows({}, first, first + incoming - 1);
    for (Line &line : m_pending) {
        const QByteArray shown = line.bytes.left(kShownBytes);
        line.hex = CommandRows::bytesToHex(shown, QStringLiteral(" "));
        line.text = CommandRows::bytesToShownText(shown);
        if (line.bytes.size() > kShownBytes) {
            line.hex += QStringLiteral(" …");
            line.text += QStringLiteral("…");
        }
        m_lines.push_back(std::move(line));
    }
    m_pending.clear();
    endInsertRows();
    emit linesAdded();
}

void TrafficModel::clear()
{
    m_pending.clear();
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_lines.size()))
        return {};
    const Line &line = m_lines.at(index.row());
    if (role == Qt::ForegroundRole)
        return QBrush(line.sent ? kSentColor : kReceivedColor);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Time:
        return line.time.toString(QStringLiteral("HH:mm:ss.zzz"));
    case Direction:
        return line.sent ? QStringLiteral("→") : QStringLiteral("←");
    case Peer:
        return line.peer;
    case Length:
        return int(line.bytes.size());
    case Hex:
        return line.hex;
    case Text:
        return line.text;
    default:
        return {};
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_headers.value(section);
}

void TrafficModel::setHeaders(const QStringList &headers)
{
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

QString TrafficModel::lineText(int row) const
{
    QStringList parts;
    for (int c = 0; c < ColumnCount; ++c)
        parts << data(index(row, c), Qt::DisplayRole).toString();
    return parts.join(u' ');
}
