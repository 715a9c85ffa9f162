#pragma once

// What the device list warns about, worked out from the answers alone (no widgets, no sockets):
// - two modules answering with the same IP: at most one of them gets the data connections;
// - a module whose IP lies outside the network of the host address that found it: the search
//   and the configuration still reach it (they are broadcast and addressed by MAC), but a data
//   connection to that IP will not;
// - one module (one MAC) answering on two sockets: the list keeps the first answer's socket,
//   so the module is reached through that interface only.
// The tracker is fed one answer at a time, as the search brings them in, and tells which rows
// changed, so a list of many modules is not worked through again at every answer.

#include "lan/LanFrames.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVector>

enum DeviceFlag : int {
    FlagNone = 0,
    FlagDuplicateIp = 1,
    FlagOutsideSubnet = 2,
    FlagDuplicateMac = 4,
};

// The host address a socket is bound to, with its network prefix length.
struct HostNetwork
{
    QString ip;
    int prefixLength = 24;
};

// True when both dotted addresses share the first `prefixLength` bits; false when either is
// not an IPv4 address.
bool sameNetwork(const QString &a, const QString &b, int prefixLength);

class DeviceFlagTracker
{
public:
    // The host address of each socket, by socket index (as the endpoint binds them).
    void setHostNetworks(const QVector<HostNetwork> &bySocket);
    const QVector<HostNetwork> &hostNetworks() const { return m_hosts; }
    void clear();

    // A new row (appended as `row` == rowCount()); the rows whose flags changed, `row` first when
    // it has any flag.
    QList<int> addRow(const DeviceEntry &entry);
    // The module of `row` answered again, on `socketIndex`; true when its flags changed.
    bool addRepeat(int row, int socketIndex);

    int rowCount() const { return int(m_rows.size()); }
    int flags(int row) const;
    // The other rows with the same IP as `row`.
    QList<int> sameIpRows(int row) const;
    // The sockets other than its own that `row`'s module answered on.
    QList<int> otherSockets(int row) const;
    const HostNetwork *hostOf(int row) const;
    // Rows with at least one flag.
    int flaggedRowCount() const { return m_flagged; }

private:
    struct Row
    {
        DeviceEntry entry;
        int flags = FlagNone;
        QList<int> otherSockets;
    };
    void setFlags(int row, int flags);

    QVector<HostNetwork> m_hosts;
    QVector<Row> m_rows;
    QHash<QString, QList<int>> m_rowsByIp;
    int m_flagged = 0;
};
