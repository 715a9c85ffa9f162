#include "DeviceFlags.h"

#include "common/ValueHelpers.h"

bool sameNetwork(const QString &a, const QString &b, int prefixLength)
{
    const auto x = ipTextToInt(a);
    const auto y = ipTextToInt(b);
    if (!x || !y)
        return false;
    if (prefixLength <= 0)
        return true;
    const quint32 mask = prefixLength >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> prefixLength);
    return (*x & mask) == (*y & mask);
}

void DeviceFlagTracker::setHostNetworks(const QVector<HostNetwork> &bySocket)
{
    m_hosts = bySocket;
}

void DeviceFlagTracker::clear()
{
    m_rows.clear();
    m_rowsByIp.clear();
    m_flagged = 0;
}

void DeviceFlagTracker::setFlags(int row, int flags)
{
    Row &r = m_rows[row];
    if ((r.flags != FlagNone) != (flags != FlagNone))
        m_flagged += flags != FlagNone ? 1 : -1;
    r.flags = flags;
}

QList<int> DeviceFlagTracker::addRow(const DeviceEntry &entry)
{
    const int row = int(m_rows.size());
    m_rows.append({entry, FlagNone, {}});
    QList<int> changed;
    int flags = FlagNone;
    if (const HostNetwork *host = hostOf(row);
        host && !sameNetwork(entry.ip, host->ip, host->prefixLength))
        flags |= FlagOutsideSubnet;
    QList<int> &sameIp = m_rowsByIp[entry.ip];
    if (!sameIp.isEmpty()) {
        flags |= FlagDuplicateIp;
        for (int other : std::as_const(sameIp))
            if (!(m_rows.at(other).flags & FlagDuplicateIp)) {
                setFlags(other, m_rows.at(other).flags | FlagDuplicateIp);
                changed << other;
            }
    }
    sameIp << row;
    setFlags(row, flags);
    if (flags != FlagNone)
        changed.prepend(row);
    return changed;
}

bool DeviceFlagTracker::addRepeat(int row, int socketIndex)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    Row &r = m_rows[row];
    if (socketIndex == r.entry.socketIndex || r.otherSockets.contains(socketIndex))
        return false;
    r.otherSockets << socketIndex;
    const bool changed = !(r.flags & FlagDuplicateMac);
    setFlags(row, r.flags | FlagDuplicateMac);
    return changed;
}

int DeviceFlagTracker::flags(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).flags : FlagNone;
}

QList<int> DeviceFlagTracker::sameIpRows(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    QList<int> out = m_rowsByIp.value(m_rows.at(row).entry.ip);
    out.removeAll(row);
    return out;
}

QList<int> DeviceFlagTracker::otherSockets(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).otherSockets : QList<int>();
}

const HostNetwork *DeviceFlagTracker::hostOf(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return nullptr;
    const int socket = m_rows.at(row).entry.socketIndex;
    return socket >= 0 && socket < m_hosts.size() ? &m_hosts.at(socket) : nullptr;
}
