// Command frames, search answers and the classification of answers by length.

#include "lan/LanFrames.h"
#include "lan/ModuleEndpoint.h"

#include "common/ValueHelpers.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace {
QByteArray hx(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// A search answer: FF 24 01, IP at 5, MAC at 9, version (low byte first) at 15, name at 19.
QByteArray searchAnswer(const char *ip, const char *mac, const char *version,
                        const QByteArray &name)
{
    QByteArray a(36, '\0');
    a.replace(0, 3, hx("FF2401"));
    a.replace(5, 4, hx(ip));
    a.replace(9, 6, hx(mac));
    a.replace(15, 2, hx(version));
    a.replace(19, name.size(), name);
    return a;
}
} // namespace

class TestLanFrames : public QObject
{
    Q_OBJECT
private slots:
    void searchFrame();
    void commandFrames_data();
    void commandFrames();
    void commandFrameRejectsBadInput();
    void searchAnswers_data();
    void searchAnswers();
    void malformedSearchAnswersAreIgnored();
    void classify_data();
    void classify();
    void endpointDispatch();
    void everyLengthAndRandomBytesAreSafe();
    void sendWithoutSocketsRaisesNothing();
};

void TestLanFrames::searchFrame()
{
    QCOMPARE(buildSearchFrame(), hx("FF010102"));
}

void TestLanFrames::commandFrames_data()
{
    QTest::addColumn<QString>("mac");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("read Q2") << "D8 B0 4C 00 12 34" << 0x03 << "qpwzk"
                             << "qpwzk" << QByteArray()
                             << hx("FF"
                                   "13"
                                   "03"
                                   "D8B04C001234"
                                   "71 70 77 7A 6B 00"
                                   "71 70 77 7A 6B 00"
                                   "AA");
    QTest::newRow("long user cut to 6, short password padded")
        << "D8B04C001234" << 0x02 << "abcdefghi"
        << "pw" << QByteArray()
        << hx("FF"
              "13"
              "02"
              "D8B04C001234"
              "616263646566"
              "707700000000"
              "6B");
    QTest::newRow("with data") << "01 02 03 04 05 06" << 0x24 << ""
                               << "" << hx("0A0B")
                               << hx("FF"
                                     "15"
                                     "24"
                                     "010203040506"
                                     "000000000000"
                                     "000000000000"
                                     "0A0B"
                                     "63");
}

void TestLanFrames::commandFrames()
{
    QFETCH(QString, mac);
    QFETCH(int, code);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, frame);
    const auto built = buildCommandFrame(mac, quint8(code), user, password, data);
    QVERIFY(built.has_value());
    QCOMPARE(built->toHex(' '), frame.toHex(' '));
    QCOMPARE(built->size(), 22 + data.size());
    // The checksum covers bytes 1 .. 20 + n.
    QCOMPARE(quint8(built->back()), checksum8(built->mid(1, built->size() - 2)));
}

void TestLanFrames::commandFrameRejectsBadInput()
{
    QVERIFY(!buildCommandFrame(QStringLiteral("D8 B0 4C 00 12"), 3, {}, {}));
    QVERIFY(!buildCommandFrame(QStringLiteral("ZZ B0 4C 00 12 34"), 3, {}, {}));
    QVERIFY(!buildCommandFrame(QStringLiteral("D8B04C001234"), 0x24, {}, {}, QByteArray(237, 1)));
    const auto biggest =
        buildCommandFrame(QStringLiteral("D8B04C001234"), 0x24, {}, {}, QByteArray(236, 1));
    QVERIFY(biggest);
    QCOMPARE(quint8(biggest->at(1)), quint8(255));
}

void TestLanFrames::searchAnswers_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("peerPort");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");

    const QByteArray mac = "D8B04C001234";
    QTest::newRow("Q2, natural IP order")
        << searchAnswer("C0A80007", mac, "D207", "X7") << 1500 << "192.168.0.7"
        << "D8 B0 4C 00 12 34"
        << "2002"
        << "X7" << int(KindQ2);
    QTest::newRow("old firmware is unsupported from any port")
        << searchAnswer("C0A80007", mac, "D107", "X7") << 1500 << "192.168.0.7"
        << "D8 B0 4C 00 12 34"
        << "2001"
        << "X7" << int(KindUnsupported);
    QTest::newRow("Q3 from 1901") << searchAnswer("0A000001", mac, "B10F", "") << 1901 << "10.0.0.1"
                                  << "D8 B0 4C 00 12 34"
                                  << "4017"
                                  << "" << int(KindQ3);
    QTest::newRow("other port") << searchAnswer("0A000001", mac, "B10F", "a") << 5000 << "10.0.0.1"
                                << "D8 B0 4C 00 12 34"
                                << "4017"
                                << "a" << int(KindUnsupported);
    QTest::newRow("14-byte name without NUL")
        << searchAnswer("0A000001", mac, "B10F", "ABCDEFGHIJKLMN") << 1500 << "10.0.0.1"
        << "D8 B0 4C 00 12 34"
        << "4017"
        << "ABCDEFGHIJKLMN" << int(KindQ2);
    QTest::newRow("GB18030 name") << searchAnswer("0A000001", mac, "B10F", hx("D6D0CEC4")) << 1500
                                  << "10.0.0.1"
                                  << "D8 B0 4C 00 12 34"
                                  << "4017" << QStringLiteral("中文") << int(KindQ2);
}

void TestLanFrames::searchAnswers()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, peerPort);
    const auto e = decodeSearchAnswer(answer, quint16(peerPort), 3);
    QVERIFY(e.has_value());
    QTEST(e->ip, "ip");
    QTEST(e->mac, "mac");
    QTEST(e->version, "version");
    QTEST(e->name, "name");
    QTEST(e->kind, "kind");
    QCOMPARE(e->socketIndex, 3);
}

void TestLanFrames::malformedSearchAnswersAreIgnored()
{
    QByteArray a = searchAnswer("C0A80007", "D8B04C001234", "D207", "X7");
    for (int offset : {0, 1, 2}) {
        QByteArray bad = a;
        bad[offset] = char(bad[offset] ^ 0x10);
        QVERIFY(!decodeSearchAnswer(bad, 1500, 0));
    }
    QVERIFY(!decodeSearchAnswer(a.left(35), 1500, 0));
}

void TestLanFrames::classify_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("detail");

    QTest::newRow("ack") << hx("FF01054B") << int(ReplyKind::Status) << int(StAck) << "ACK";
    QTest::newRow("login") << hx("FF010350") << int(ReplyKind::Status) << int(StLoginError)
                           << "UsrName or Password Error";
    QTest::newRow("other") << hx("FF010545") << int(ReplyKind::Status) << int(StOtherError)
                           << "Other Error";
    QTest::newRow("ack, other letter ignored")
        << hx("FF01055A") << int(ReplyKind::Ignored) << 0 << "";
    QTest::newRow("4-byte Modbus") << hx("01020304") << int(ReplyKind::ModbusShort) << 0 << "";
    QTest::newRow("1-byte Modbus") << hx("01") << int(ReplyKind::ModbusShort) << 0 << "";
    QTest::newRow("check error") << hx("457F") << int(ReplyKind::CheckError) << int(StCheckError)
                                 << "7F";
    QTest::newRow("other 2 bytes") << hx("467F") << int(ReplyKind::Ignored) << 0 << "";
    QTest::newRow("40 ignored") << QByteArray(40, 0) << int(ReplyKind::Ignored) << 0 << "";
    QTest::newRow("foreign 193") << QByteArray(193, 0) << int(ReplyKind::ForeignModel)
                                 << int(StForeignModel) << "Read T6/G82";
    QTest::newRow("foreign 256") << QByteArray(256, 0) << int(ReplyKind::ForeignModel)
                                 << int(StForeignModel) << "Read T6/G82";
    QTest::newRow("7 unknown") << QByteArray(7, 0) << int(ReplyKind::UnknownLength)
                               << int(StUnknownLength) << "7";
    QTest::newRow("0 unknown") << QByteArray() << int(ReplyKind::UnknownLength)
                               << int(StUnknownLength) << "0";
    for (int n : {50, 85, 87, 100, 130, 302, 36})
        QTest::addRow("block %d", n) << QByteArray(n, 0) << -1 << 0 << "";
}

void TestLanFrames::classify()
{
    QFETCH(QByteArray, datagram);
    QFETCH(int, kind);
    const ReplyClass r = classifyReply(datagram);
    if (kind >= 0)
        QCOMPARE(int(r.kind), kind);
    else
        QVERIFY(r.kind != ReplyKind::UnknownLength && r.kind != ReplyKind::Ignored);
    QTEST(r.status, "status");
    QTEST(r.detail, "detail");
}

void TestLanFrames::endpointDispatch()
{
    ModuleEndpoint svr;
    QSignalSpy received(&svr, &ModuleEndpoint::datagramReceived);
    QSignalSpy status(&svr, &ModuleEndpoint::statusReported);
    QSignalSpy found(&svr, &ModuleEndpoint::deviceFound);
    QSignalSpy base(&svr, &ModuleEndpoint::baseParamsReceived);
    QSignalSpy cloud(&svr, &ModuleEndpoint::cloudParamsReceived);

    svr.handleDatagram(QByteArray(7, 0), QStringLiteral("10.0.0.9"), 1500, 0);
    QCOMPARE(received.size(), 1);
    QCOMPARE(status.size(), 1);
    QCOMPARE(status.at(0).at(0).toInt(), int(StUnknownLength));
    QCOMPARE(status.at(0).at(1).toString(), QStringLiteral("7"));

    svr.handleDatagram(searchAnswer("C0A80007", "D8B04C001234", "B10F", "X7"),
                       QStringLiteral("10.0.0.9"), 1901, 1);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.at(0).at(2).toInt(), 1);           // socket index
    QCOMPARE(found.at(0).at(3).toInt(), int(KindQ3)); // kind from the source port

    QByteArray block(130, 0x5A);
    svr.handleDatagram(block, QStringLiteral("10.0.0.9"), 1500, 0);
    QCOMPARE(base.size(), 1);
    QCOMPARE(base.at(0).at(1).toInt(), int(KindQ2));
    // The parameter block waits for its owner's MAC check before it becomes a template.
    QCOMPARE(svr.storedReply(130), QByteArray(130, 0));
    svr.storeReply(block);
    QCOMPARE(svr.storedReply(130), block);
    QCOMPARE(svr.stored().baseFlags, quint8(0x5A));

    svr.handleDatagram(QByteArray(50, 1), QStringLiteral("10.0.0.9"), 4000, 0);
    QCOMPARE(cloud.size(), 1);
    QCOMPARE(cloud.at(0).at(1).toInt(), int(KindUnsupported));
    // Answers that are not blocks are not stored.
    QCOMPARE(svr.storedReply(85), QByteArray(85, 0));
}

void TestLanFrames::everyLengthAndRandomBytesAreSafe()
{
    ModuleEndpoint svr;
    QSignalSpy received(&svr, &ModuleEndpoint::datagramReceived);
    QSignalSpy status(&svr, &ModuleEndpoint::statusReported);
    QRandomGenerator rng(1234);
    int unknown = 0;
    for (int n = 0; n <= 8192; ++n) {
        QByteArray d(n, '\0');
        for (auto &c : d)
            c = char(rng.bounded(256));
        svr.handleDatagram(d, QStringLiteral("127.0.0.1"), quint16(rng.bounded(65536)), 0);
        if (classifyReply(d).kind == ReplyKind::UnknownLength)
            ++unknown;
    }
    QCOMPARE(received.size(), 8193);
    int reportedUnknown = 0;
    for (const auto &args : status)
        if (args.at(0).toInt() == StUnknownLength)
            ++reportedUnknown;
    QCOMPARE(reportedUnknown, unknown);
    QVERIFY(unknown > 8000);
}

void TestLanFrames::sendWithoutSocketsRaisesNothing()
{
    ModuleEndpoint svr;
    QSignalSpy sent(&svr, &ModuleEndpoint::dataSent);
    svr.sendCommand(0, QStringLiteral("D8 B0 4C 00 12 34"), 3, {}, {});
    svr.sendCommandDataQ3(5, QStringLiteral("D8 B0 4C 00 12 34"), 5, {}, {}, QByteArray(67, 0));
    QCOMPARE(sent.size(), 0);
}

QTEST_GUILESS_MAIN(TestLanFrames)
#include "tst_lanframes.moc"
