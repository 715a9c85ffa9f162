// The device-list flags worked out from tables of answers: which rows get which flag, and that a
// flag found later (a second module with the same IP, a second socket) reaches the earlier row.

#include "common/ValueHelpers.h"
#include "lan/DeviceFlags.h"
#include "lan/DeviceListModel.h"

#include <QSignalSpy>
#include <QTest>

using Answers = QList<DeviceEntry>;
using Hosts = QVector<HostNetwork>;
using FlagRows = QList<int>; // one flag set per listed row

Q_DECLARE_METATYPE(Answers)
Q_DECLARE_METATYPE(Hosts)

namespace {

DeviceEntry answer(const char *ip, const char *mac, int socket)
{
    return {QString::fromLatin1(ip),
            QStringLiteral("m"),
            QString::fromLatin1(mac),
            QStringLiteral("4017"),
            KindQ2,
            socket};
}

} // namespace

class TestDeviceFlags : public QObject
{
    Q_OBJECT
private slots:
    void sameNetwork_data();
    void sameNetwork();
    void flags_data();
    void flags();
    void modelShowsFlagsAndWords();
    void bindAddressPrefixes();
};

void TestDeviceFlags::sameNetwork_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("prefix");
    QTest::addColumn<bool>("same");
    QTest::newRow("/24 same") << "192.168.0.7"
                              << "192.168.0.200" << 24 << true;
    QTest::newRow("/24 other") << "192.168.1.7"
                               << "192.168.0.200" << 24 << false;
    QTest::newRow("/8 loopback") << "127.9.9.9"
                                 << "127.0.0.1" << 8 << true;
    QTest::newRow("/23 upper half") << "10.0.1.5"
                                    << "10.0.0.1" << 23 << true;
    QTest::newRow("/25 other half") << "10.0.0.200"
                                    << "10.0.0.1" << 25 << false;
    QTest::newRow("/32 itself") << "10.0.0.1"
                                << "10.0.0.1" << 32 << true;
    QTest::newRow("/32 neighbour") << "10.0.0.2"
                                   << "10.0.0.1" << 32 << false;
    QTest::newRow("/0 anything") << "8.8.8.8"
                                 << "10.0.0.1" << 0 << true;
    QTest::newRow("not an address") << "192.168.0"
                                    << "192.168.0.1" << 24 << false;
}

void TestDeviceFlags::sameNetwork()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, prefix);
    QFETCH(bool, same);
    QCOMPARE(::sameNetwork(a, b, prefix), same);
}

void TestDeviceFlags::flags_data()
{
    QTest::addColumn<Hosts>("hosts");
    QTest::addColumn<Answers>("answers"); // in arrival order, repeats included
    QTest::addColumn<FlagRows>("expected");

    const Hosts oneHost{{"192.168.0.10", 24}};
    const Hosts twoHosts{{"192.168.0.10", 24}, {"10.1.0.10", 16}};
    QTest::newRow("clean list") << oneHost
                                << Answers{answer("192.168.0.7", "A1", 0),
                                           answer("192.168.0.8", "A2", 0)}
                                << FlagRows{FlagNone, FlagNone};
    QTest::newRow("same IP: both rows, the first one later")
        << oneHost
        << Answers{answer("192.168.0.7", "A1", 0), answer("192.168.0.8", "A2", 0),
                   answer("192.168.0.7", "A3", 0)}
        << FlagRows{FlagDuplicateIp, FlagNone, FlagDuplicateIp};
    QTest::newRow("same IP three times")
        << oneHost
        << Answers{answer("192.168.0.7", "A1", 0), answer("192.168.0.7", "A2", 0),
                   answer("192.168.0.7", "A3", 0)}
        << FlagRows{FlagDuplicateIp, FlagDuplicateIp, FlagDuplicateIp};
    QTest::newRow("outside the finder's network")
        << oneHost << Answers{answer("192.168.1.7", "A1", 0), answer("192.168.0.99", "A2", 0)}
        << FlagRows{FlagOutsideSubnet, FlagNone};
    QTest::newRow("network by socket: each answer against its own host address")
        << twoHosts
        << Answers{answer("10.1.200.3", "A1", 1), answer("10.1.200.4", "A2", 0),
                   answer("192.168.0.5", "A3", 1)}
        << FlagRows{FlagNone, FlagOutsideSubnet, FlagOutsideSubnet};
    QTest::newRow("same MAC on the other socket")
        << twoHosts << Answers{answer("192.168.0.7", "A1", 0), answer("192.168.0.7", "A1", 1)}
        << FlagRows{FlagDuplicateMac};
    QTest::newRow("same MAC twice on one socket is no flag")
        << oneHost << Answers{answer("192.168.0.7", "A1", 0), answer("192.168.0.7", "A1", 0)}
        << FlagRows{FlagNone};
    QTest::newRow("all three on one row")
        << twoHosts
        << Answers{answer("10.1.0.1", "A1", 0), answer("10.1.0.1", "A2", 1),
                   answer("10.1.0.1", "A1", 1)}
        << FlagRows{FlagDuplicateIp | FlagOutsideSubnet | FlagDuplicateMac, FlagDuplicateIp};
    QTest::newRow("socket without a known host address: no network flag")
        << Hosts{} << Answers{answer("1.2.3.4", "A1", 3)} << FlagRows{FlagNone};
}

void TestDeviceFlags::flags()
{
    QFETCH(Hosts, hosts);
    QFETCH(Answers, answers);
    QFETCH(FlagRows, expected);

    DeviceListModel model;
    model.setHostNetworks(hosts);
    for (const DeviceEntry &e : answers)
        model.addDevice(e);
    QCOMPARE(model.rowCount(), expected.size());
    int flagged = 0;
    for (int row = 0; row < expected.size(); ++row) {
        QCOMPARE(model.flags(row), expected.at(row));
        flagged += expected.at(row) != FlagNone;
    }
    QCOMPARE(model.flaggedRowCount(), flagged);

    // A new search starts clean.
    model.clear();
    QCOMPARE(model.flaggedRowCount(), 0);
    QVERIFY(model.addDevice(answers.first()));
    QCOMPARE(model.flags(0) & FlagDuplicateIp, 0);
}

void TestDeviceFlags::modelShowsFlagsAndWords()
{
    DeviceListModel model;
    model.setHostNetworks({{"192.168.0.10", 24}, {"10.1.0.10", 16}});
    model.setFlagTexts({"same %1", "outside %1/%2", "also %1"}, QStringLiteral("icon"));
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.addDevice(answer("192.168.0.7", "A1", 0));
    QVERIFY(!model.index(0, DeviceListModel::ColFlags).data(Qt::DecorationRole).isValid());
    QVERIFY(!model.index(0, DeviceListModel::ColFlags).data(Qt::ToolTipRole).isValid());

    model.addDevice(answer("192.168.0.7", "A2", 1)); // same IP, found from 10.1.0.10/16
    QCOMPARE(changed.size(), 1);                     // the first row learnt of its twin
    QCOMPARE(model.index(0, DeviceListModel::ColFlags).data(Qt::DecorationRole).toString(),
             QStringLiteral("icon"));
    QCOMPARE(model.index(0, DeviceListModel::ColFlags).data(Qt::ToolTipRole).toString(),
             QStringLiteral("same A2"));
    QCOMPARE(model.index(1, DeviceListModel::ColFlags).data(Qt::ToolTipRole).toString(),
             QStringLiteral("same A1\noutside 10.1.0.10/16"));

    model.addDevice(answer("192.168.0.7", "A1", 1)); // A1 again, on the other socket
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, DeviceListModel::ColFlags).data(Qt::ToolTipRole).toString(),
             QStringLiteral("same A2\nalso 10.1.0.10"));
    // The row keeps the first answer's socket.
    QCOMPARE(model.entry(0).socketIndex, 0);
}

void TestDeviceFlags::bindAddressPrefixes()
{
    qputenv("X7_BIND_ADDRESSES", "127.0.0.2/8,10.0.0.5/30, 127.0.0.3,192.0.2.1,10.0.0.9/33");
    QCOMPARE(localIPv4List(), QStringList({"127.0.0.2", "10.0.0.5", "127.0.0.3", "192.0.2.1"}));
    QList<int> prefixes;
    for (const LocalAddress &a : localIPv4Networks())
        prefixes << a.prefixLength;
    // Without a prefix: loopback is one /8, an address foreign to the host a /24.
    QCOMPARE(prefixes, QList<int>({8, 30, 8, 24}));
    QCOMPARE(localPrefixLength(QStringLiteral("10.0.0.5")), 30);
    qunsetenv("X7_BIND_ADDRESSES");
}

QTEST_GUILESS_MAIN(TestDeviceFlags)
#include "tst_deviceflags.moc"
