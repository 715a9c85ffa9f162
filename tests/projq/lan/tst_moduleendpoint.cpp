// The endpoint against x7sim over loopback: bindings, the search on the wire, discovery rows.

#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"

#include "common/ValueHelpers.h"
#include "support/SearchAnswer.h"
#include "support/SimProcess.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

class TestUdpSvr : public QObject
{
    Q_OBJECT
private slots:
    void init() { setBindAddressOverride({QStringLiteral("127.0.0.1")}); }
    void cleanup() { setBindAddressOverride({}); }
    void unchangedAddressesKeepSockets();
    void bindFailureReportsPortInUse();
    void searchLeavesEverySocketExactly();
    void discoveryAgainstSimulator();
    void commandsLeaveFromTheChosenSocket();
    void floodIsReadInBatchesAndNothingIsLost();
};

void TestUdpSvr::unchangedAddressesKeepSockets()
{
    ModuleEndpoint svr;
    svr.refreshBindings();
    QCOMPARE(svr.socketCount(), 1);
    const quint16 port = svr.socketPort(0);
    QVERIFY(port != 0);
    svr.refreshBindings();
    QCOMPARE(svr.socketPort(0), port);

    setBindAddressOverride({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")});
    svr.refreshBindings();
    QCOMPARE(svr.socketCount(), 2);
    QCOMPARE(svr.socketAddress(1), QStringLiteral("127.0.0.2"));

    // No address at all leaves the set as it is.
    setBindAddressOverride({});
    qputenv("X7_BIND_ADDRESSES", "none");
    svr.refreshBindings();
    QCOMPARE(svr.socketCount(), 2);
    qputenv("X7_BIND_ADDRESSES", "127.0.0.1");
}

void TestUdpSvr::bindFailureReportsPortInUse()
{
    ModuleEndpoint svr;
    QSignalSpy status(&svr, &ModuleEndpoint::statusReported);
    // 192.0.2.0/24 is reserved for documentation; no host here holds 192.0.2.254.
    setBindAddressOverride({QStringLiteral("192.0.2.254")});
    svr.search();
    QVERIFY(status.size() >= 1);
    QCOMPARE(status.at(0).at(0).toInt(), int(StPortInUse));
    QCOMPARE(status.at(0).at(1).toString(), QStringLiteral("port is used"));
    QCOMPARE(status.last().at(0).toInt(), int(StSearchSent));
}

void TestUdpSvr::searchLeavesEverySocketExactly()
{
    // A listener on the module port stands in for the modules.
    QUdpSocket module;
    QVERIFY(module.bind(QHostAddress::AnyIPv4, kCfgPort));
    ModuleEndpoint svr;
    setBindAddressOverride({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")});
    QSignalSpy sent(&svr, &ModuleEndpoint::dataSent);
    QSignalSpy status(&svr, &ModuleEndpoint::statusReported);
    QCOMPARE(svr.search(), 1);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).at(1).toString(), QStringLiteral("255.255.255.255"));
    QCOMPARE(sent.at(1).at(2).toString(), QStringLiteral("127.0.0.2"));
    QCOMPARE(sent.at(0).at(3).toInt(), int(kCfgPort));
    QCOMPARE(status.last().at(0).toInt(), int(StSearchSent));

    QSet<QString> senders;
    QTRY_VERIFY(module.hasPendingDatagrams());
    while (senders.size() < 2) {
        QTRY_VERIFY(module.hasPendingDatagrams());
        const QNetworkDatagram dg = module.receiveDatagram();
        QCOMPARE(dg.data(), QByteArray::fromHex("FF010102"));
        QCOMPARE(dg.destinationAddress().isBroadcast() || dg.destinationAddress().isNull(), true);
        senders.insert(QHostAddress(dg.senderAddress().toIPv4Address()).toString());
    }
    QCOMPARE(senders, QSet<QString>({"127.0.0.1", "127.0.0.2"}));
}

void TestUdpSvr::discoveryAgainstSimulator()
{
    SimProcess sim;
    QVERIFY2(sim.start("X7SIM", {"--count", "4", "--model", "Q2,Q3,Q2,Q2", "--version",
                                 "4017,4017,2001,2002", "--mac",
                                 "D8B04C000001,D8B04C000002,D8B04C000003,D8B04C000004"}),
             sim.errors().constData());

    setBindAddressOverride({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")});
    ModuleEndpoint svr;
    DeviceListModel model;
    connect(&svr, &ModuleEndpoint::deviceFound, &model,
            [&](const QString &ip, const QString &name, int socketIndex, int kind,
                const QString &version, const QString &mac) {
                model.addDevice({ip, name, mac, version, kind, socketIndex});
            });
    QSignalSpy found(&svr, &ModuleEndpoint::deviceFound);
    svr.search();
    // Every module answers on both sockets; each MAC becomes one row.
    QTRY_COMPARE(found.size(), 8);
    QCOMPARE(model.rowCount(), 4);
    QHash<QString, DeviceEntry> byMac;
    for (const DeviceEntry &e : model.entries())
        byMac.insert(e.mac, e);
    QCOMPARE(byMac.value("D8 B0 4C 00 00 01").kind, int(KindQ2));
    QCOMPARE(byMac.value("D8 B0 4C 00 00 02").kind, int(KindQ3));
    QCOMPARE(byMac.value("D8 B0 4C 00 00 03").kind, int(KindUnsupported));
    QCOMPARE(byMac.value("D8 B0 4C 00 00 04").kind, int(KindQ2));
    QCOMPARE(byMac.value("D8 B0 4C 00 00 02").name, QStringLiteral("X7-Q3-2"));
    QCOMPARE(byMac.value("D8 B0 4C 00 00 03").version, QStringLiteral("2001"));
    // Each row keeps the socket of the first answer for its MAC.
    for (const DeviceEntry &e : model.entries()) {
        int firstIndex = -1;
        for (const auto &args : found)
            if (args.at(5).toString() == e.mac) {
                firstIndex = args.at(2).toInt();
                break;
            }
        QCOMPARE(e.socketIndex, firstIndex);
    }

    // A second search starts from an empty list in the window; the model itself keeps rows
    // until cleared.
    model.clear();
    svr.search();
    QTRY_COMPARE(model.rowCount(), 4);
    QVERIFY(sim.output().contains("FF 01 01 02"));
}

void TestUdpSvr::commandsLeaveFromTheChosenSocket()
{
    QUdpSocket q2, q3;
    QVERIFY(q2.bind(QHostAddress::AnyIPv4, kCfgPort));
    QVERIFY(q3.bind(QHostAddress::AnyIPv4, kCfgPortQ3));
    setBindAddressOverride({QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.2")});
    ModuleEndpoint svr;
    svr.refreshBindings();
    QSignalSpy sent(&svr, &ModuleEndpoint::dataSent);
    svr.sendCommand(1, QStringLiteral("D8 B0 4C 00 12 34"), 0x03, QStringLiteral("qpwzk"),
                    QStringLiteral("qpwzk"));
    svr.sendCommandDataQ3(0, QStringLiteral("D8 B0 4C 00 12 34"), 0x05, QStringLiteral("u"),
                          QStringLiteral("p"), QByteArray(67, 7));
    svr.sendCommand(2, QStringLiteral("D8 B0 4C 00 12 34"), 0x03, {}, {}); // no such socket
    svr.sendCommand(0, QStringLiteral("not a mac"), 0x03, {}, {});         // dropped silently
    QCOMPARE(sent.size(), 2);

    QTRY_VERIFY(q2.hasPendingDatagrams());
    const QNetworkDatagram read = q2.receiveDatagram();
    QCOMPARE(QHostAddress(read.senderAddress().toIPv4Address()).toString(), "127.0.0.2");
    QCOMPARE(read.data(), *buildCommandFrame(QStringLiteral("D8B04C001234"), 3,
                                             QStringLiteral("qpwzk"), QStringLiteral("qpwzk")));
    QTRY_VERIFY(q3.hasPendingDatagrams());
    const QNetworkDatagram write = q3.receiveDatagram();
    QCOMPARE(write.data().size(), 22 + 67);
    QCOMPARE(quint8(write.data().at(2)), quint8(0x05));
    QVERIFY(!q2.hasPendingDatagrams());
}

void TestUdpSvr::floodIsReadInBatchesAndNothingIsLost()
{
    // Thousands of datagrams wait in the socket at once, valid answers between junk of every
    // size: the event loop gets control between batches, and yet every answer becomes a row,
    // and the socket is still read when the flood is over.
    ModuleEndpoint svr;
    svr.refreshBindings();
    QCOMPARE(svr.socketCount(), 1);
    DeviceListModel model;
    connect(&svr, &ModuleEndpoint::deviceFound, &model,
            [&model](const QString &ip, const QString &name, int socketIndex, int kind,
                     const QString &version, const QString &mac) {
                model.addDevice({ip, name, mac, version, kind, socketIndex});
            });
    // Once the first datagram is handled, a zero timer is started: it must run after a batch or
    // two, not after the whole flood.
    int handled = 0;
    int handledAtTimer = -1;
    connect(&svr, &ModuleEndpoint::datagramReceived, this, [&] {
        if (++handled == 1)
            QTimer::singleShot(0, this, [&] { handledAtTimer = handled; });
    });

    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QHostAddress to(QStringLiteral("127.0.0.1"));
    constexpr int kAnswers = 2000;
    int sent = 0;
    for (int i = 0; i < kAnswers; ++i) {
        QVERIFY(sender.writeDatagram(searchAnswerOf(i), to, svr.socketPort(0)) == 36);
        const QByteArray junk(i % 100 == 0 ? 9000 : 1 + i % 50, char(i));
        QVERIFY(sender.writeDatagram(junk, to, svr.socketPort(0)) == junk.size());
        sent += 2;
    }

    QTRY_VERIFY(handledAtTimer >= 0);
    QVERIFY2(handledAtTimer <= 2 * ModuleEndpoint::kMaxBatchDatagrams,
             qPrintable(QStringLiteral("%1 of %2 datagrams were handled before a zero timer ran")
                            .arg(handledAtTimer)
                            .arg(sent)));
    QTRY_COMPARE(handled, sent);
    QCOMPARE(model.rowCount(), kAnswers);
    for (int i = 0; i < kAnswers; i += 397)
        QVERIFY(model.containsMac(macBytesToText(searchAnswerOf(i).mid(9, 6))));

    // Traffic that comes after the flood is read as it arrives.
    QVERIFY(sender.writeDatagram(searchAnswerOf(kAnswers), to, svr.socketPort(0)) == 36);
    QTRY_COMPARE(model.rowCount(), kAnswers + 1);
}

QTEST_GUILESS_MAIN(TestUdpSvr)
#include "tst_moduleendpoint.moc"
