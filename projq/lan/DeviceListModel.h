#pragma once

// The discovered modules in arrival order, one row per MAC: a module reachable through two host
// interfaces stays bound to the socket whose answer arrived first; that it also answered on
// another socket is kept as a flag (see DeviceFlags.h), shown in a column of its own.

#include "lan/DeviceFlags.h"
#include "lan/LanFrames.h"

#include <QAbstractTableModel>
#include <QSet>
#include <QStringList>
#include <QVector>

class DeviceListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        ColIp,
        ColName,
        ColMac,
        ColVersion,
        ColKind,
        ColSocketIndex,
        ColFlags,
        ColumnCount
    };

    // What the flags column shows: one text per flag, with %1 (and %2) filled in: the other
    // rows' MACs for a duplicate IP, the host address and prefix for an address outside its
    // network, the other host addresses for a duplicate MAC.
    struct FlagTexts
    {
        QString duplicateIp;
        QString outsideSubnet;
        QString duplicateMac;
    };

    // Far above any real LAN: past it, answers with a new MAC are counted, not listed, so a flood
    // of made-up answers cannot grow the list (and the memory) without end.
    static constexpr int kMaxRows = 4096;

    explicit DeviceListModel(QObject *parent = nullptr);

    // Appends the module unless its MAC is listed already or the list is full; true when a row
    // was added. An answer of a listed MAC on another socket flags that row.
    bool addDevice(const DeviceEntry &entry);
    // Empties the list and the refused count.
    void clear();
    // Answers with a new MAC refused since the last clear() because the list was full.
    int refusedCount() const { return m_refused; }

    // The host address behind each socket index; set before the answers of a search arrive.
    void setHostNetworks(const QVector<HostNetwork> &bySocket);
    // `icon` is a QIcon, shown in the flags column of a flagged row.
    void setFlagTexts(const FlagTexts &texts, const QVariant &icon);
    int flags(int row) const { return m_flags.flags(row); }
    int flaggedRowCount() const { return m_flags.flaggedRowCount(); }
    // The flags of `row` in words, one line per flag; empty without flags.
    QString flagToolTip(int row) const;

    const DeviceEntry &entry(int row) const { return m_rows.at(row); }
    const QVector<DeviceEntry> &entries() const { return m_rows; }
    bool containsMac(const QString &mac) const { return m_macs.contains(mac); }

    void setHeaderTexts(const QStringList &captions);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QVector<DeviceEntry> m_rows;
    QSet<QString> m_macs;
    QStringList m_captions;
    int m_refused = 0;
    DeviceFlagTracker m_flags;
    QHash<QString, int> m_rowOfMac;
    FlagTexts m_flagTexts;
    QVariant m_flagIcon;
};
