// The save sequences as plans (which frames, in which order, after which pause, to which row)
// and the runner that plays a plan over loopback.

#include "lan/ModuleEndpoint.h"
#include "lan/SavePlan.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

namespace {

const QString kSelectedMac = QStringLiteral("00 1A 2B 3C 4D 5E");
const QString kClickedMac = QStringLiteral("00 11 22 33 44 55");

// What a panel holds after a read of a module with every block: valid in every field.
Q2SaveInput validInput(int version = 4017)
{
    Q2SaveInput in;
    in.base.ip = QStringLiteral("192.168.0.7");
    in.base.gateway = QStringLiteral("192.168.0.1");
    in.base.mask = QStringLiteral("255.255.255.0");
    in.base.dns = QStringLiteral("8.8.8.8");
    in.base.userMac = kSelectedMac;
    in.base.name = QStringLiteral("module");
    in.base.upnpPort = 1900;
    in.base.httpPort = 80;
    in.upnpPortKnown = true;
    in.port.baud = 115200;
    in.port.workMode = 4;
    in.cloud = {QStringLiteral("12345678901234567890"), QStringLiteral("abcdefgh")};
    in.heartReg.heartData = QStringLiteral("ping");
    in.heartReg.regData = QStringLiteral("hello");
    in.httpd = {QStringLiteral("http://example.com/in"), QStringLiteral("X-A: 1\r\n")};
    in.modbusShort.tcpEnabled = true;
    in.modbusShort.pollTime = QStringLiteral("60");
    in.modbusPack.mode = 2;
    in.modbusPack.timeout = QStringLiteral("200");
    in.modbusPack.interval = QStringLiteral("10");
    in.modbusNew.mode = 2;
    in.modbusNew.timeout = QStringLiteral("300");
    in.modbusNew.interval = QStringLiteral("20");
    in.version = version;
    return in;
}

// A plan written as "code/length@pause" per frame, with "L" for frames addressed to the row
// clicked last, e.g. "05/67@0 06/63@500 0C/50@500L 02/0@2000".
QString describe(const SavePlan &plan)
{
    QStringList parts;
    for (const PlannedFrame &f : plan.frames) {
        parts << QStringLiteral("%1/%2@%3%4")
                     .arg(uint(f.code), 2, 16, QLatin1Char('0'))
                     .arg(f.data.size())
                     .arg(f.pauseBeforeMs)
                     .arg(f.target == SaveTarget::LastClicked ? QStringLiteral("L") : QString())
                     .toUpper();
    }
    return parts.join(QLatin1Char(' '));
}

struct Arrival
{
    qint64 atMs;
    QByteArray frame;
    quint16 port;
};

} // namespace

Q_DECLARE_METATYPE(Q2SaveInput)

class TestSavePlan : public QObject
{
    Q_OBJECT
private slots:
    void init() { setBindAddressOverride({QStringLiteral("127.0.0.1")}); }
    void cleanup() { setBindAddressOverride({}); }

    void q2Frames_data();
    void q2Frames();
    void refusedPlansSendNothingAndKeepTheStore_data();
    void refusedPlansSendNothingAndKeepTheStore();
    void storesHoldWhatWasSent();
    void unchangedRecordsWriteTheBlocksAsRead();
    void q3Frames();

    void runnerPlaysTheQ2PlanInOrderWithItsPauses();
    void runnerSendsTheQ3PlanToItsPort();
    void runnerStopsAndRefusesASecondStart();
};

void TestSavePlan::q2Frames_data()
{
    QTest::addColumn<Q2SaveInput>("input");
    QTest::addColumn<QString>("frames");
    QTest::addColumn<QStringList>("messages");

    const QString base = QStringLiteral("05/67@0 06/63@500");
    auto in = [](int version) { return validInput(version); };

    QTest::newRow("4016: base, port, restart") << in(4016) << base + " 02/0@2000" << QStringList();
    QTest::newRow("4017: heartbeat block")
        << in(4017) << base + " 21/85@500L 02/0@2000" << QStringList();
    {
        Q2SaveInput i = in(4016);
        i.httpdVisible = true;
        QTest::newRow("4016 with HTTPD shown: no HTTPD parts")
            << i << base + " 02/0@2000" << QStringList();
        i.version = 4017;
        QTest::newRow("4017 with HTTPD shown")
            << i << base + " 21/85@500L 22/101@500L 23/201@500L 02/0@2000" << QStringList();
        i.version = 5000;
        QTest::newRow("above 4017 too")
            << i << base + " 21/85@500L 22/101@500L 23/201@500L 02/0@2000" << QStringList();
    }
    {
        Q2SaveInput i = in(4016);
        i.port.cloudEnabled = true;
        QTest::newRow("cloud") << i << base + " 0C/50@500L 02/0@2000" << QStringList();
        i.cloud.deviceId.chop(1);
        QTest::newRow("cloud ID of 19: message, cloud frame skipped")
            << i << base + " 02/0@2000" << QStringList{QStringLiteral("lang_DeviceId")};
        i.cloud.commCode.chop(1);
        QTest::newRow("both wrong: the device ID message only")
            << i << base + " 02/0@2000" << QStringList{QStringLiteral("lang_DeviceId")};
        i.cloud.deviceId = QStringLiteral("123456789012345678901");
        QTest::newRow("cloud ID of 21")
            << i << base + " 02/0@2000" << QStringList{QStringLiteral("lang_DeviceId")};
        i.cloud.deviceId = QStringLiteral("12345678901234567890");
        QTest::newRow("code of 7")
            << i << base + " 02/0@2000" << QStringList{QStringLiteral("lang_CommCode")};
        // Ten Chinese characters are 20 bytes on the wire and fill the field exactly.
        i.cloud = {QStringLiteral("设备设备设备设备设备"), QStringLiteral("abcdefgh")};
        QTest::newRow("ID of 20 bytes in Chinese")
            << i << base + " 0C/50@500L 02/0@2000" << QStringList();
    }
    {
        Q2SaveInput i = in(4016);
        i.port.cloudEnabled = false;
        i.cloud.deviceId = QStringLiteral("short");
        QTest::newRow("no cloud chosen: the ID is not looked at")
            << i << base + " 02/0@2000" << QStringList();
    }
    {
        Q2SaveInput i = in(4016);
        i.modbusShortVisible = true;
        i.modbusShortForm = 1;
        QTest::newRow("short Modbus, 1 byte")
            << i << base + " 24/1@500L 02/0@1500" << QStringList();
        i.modbusShortForm = 4;
        QTest::newRow("short Modbus, 4 bytes")
            << i << base + " 24/4@500L 02/0@1500" << QStringList();
        i.modbusPackVisible = true;
        i.modbusNewVisible = true;
        QTest::newRow("Modbus blocks follow each other without a pause")
            << i << base + " 24/4@500L 24/87@0L 24/100@0L 02/0@1500" << QStringList();
    }
    {
        Q2SaveInput i = in(4017);
        i.port.cloudEnabled = true;
        i.httpdVisible = true;
        i.modbusNewVisible = true;
        QTest::newRow("everything")
            << i << base + " 0C/50@500L 21/85@500L 22/101@500L 23/201@500L 24/100@500L 02/0@1500"
            << QStringList();
    }
}

void TestSavePlan::q2Frames()
{
    QFETCH(Q2SaveInput, input);
    QFETCH(QString, frames);
    QFETCH(QStringList, messages);
    StoredAnswers stored;
    const SavePlan plan = buildQ2SavePlan(input, stored);
    QVERIFY(!plan.refused());
    QCOMPARE(describe(plan), frames);
    QCOMPARE(plan.messageKeys, messages);
    for (const PlannedFrame &f : plan.frames)
        QCOMPARE(f.family, PortFamily::Q2);
}

void TestSavePlan::refusedPlansSendNothingAndKeepTheStore_data()
{
    QTest::addColumn<Q2SaveInput>("input");
    QTest::addColumn<int>("refusal");
    QTest::addColumn<int>("block");
    QTest::addColumn<QString>("field");

    Q2SaveInput i = validInput();
    i.upnpPortKnown = false;
    i.port.cloudEnabled = true;
    i.cloud.deviceId = QStringLiteral("19 characters only");
    QTest::newRow("never read: the UPNP port is unknown")
        << i << int(SaveRefusal::NoReadYet) << 0 << QString();

    i = validInput();
    i.base.gateway = QStringLiteral("192.168.0.x");
    QTest::newRow("gateway not an address")
        << i << int(SaveRefusal::BadField) << 0x05 << QStringLiteral("Gateway");
    i = validInput();
    i.base.userMac.clear();
    QTest::newRow("no user MAC") << i << int(SaveRefusal::BadField) << 0x05
                                 << QStringLiteral("UserMac");
    i = validInput(4017);
    i.heartReg.heartDataHex = true;
    i.heartReg.heartData = QStringLiteral("31ZZ");
    QTest::newRow("heartbeat hex not hex")
        << i << int(SaveRefusal::BadField) << 0x21 << QStringLiteral("HeartData");
    i = validInput();
    i.modbusShortVisible = true;
    i.modbusShortForm = 4;
    i.modbusShort.pollTime = QStringLiteral("1m");
    QTest::newRow("polling time not a number")
        << i << int(SaveRefusal::BadField) << 0x24 << QStringLiteral("PollTime");
}

void TestSavePlan::refusedPlansSendNothingAndKeepTheStore()
{
    QFETCH(Q2SaveInput, input);
    QFETCH(int, refusal);
    QFETCH(int, block);
    QFETCH(QString, field);
    StoredAnswers stored;
    stored.param.fill('\x5A');
    stored.baseFlags = 0x4E;
    const StoredAnswers before = stored;
    const SavePlan plan = buildQ2SavePlan(input, stored);
    QCOMPARE(int(plan.refusal), refusal);
    QCOMPARE(int(plan.badBlock), block);
    QCOMPARE(plan.badField, field);
    QVERIFY(plan.frames.isEmpty());
    QVERIFY(plan.messageKeys.isEmpty());
    QCOMPARE(stored.param, before.param);
    QCOMPARE(stored.heartReg, before.heartReg);
    QCOMPARE(stored.cloud, before.cloud);
}

void TestSavePlan::storesHoldWhatWasSent()
{
    // A 4016 module with a wrong cloud ID: only base and port are built into the store; the
    // cloud and heartbeat stores keep what the module sent.
    StoredAnswers stored;
    stored.cloud.fill('\x11');
    stored.heartReg.fill('\x22');
    Q2SaveInput in = validInput(4016);
    in.port.cloudEnabled = true;
    in.cloud.deviceId = QStringLiteral("too short");
    const SavePlan plan = buildQ2SavePlan(in, stored);
    QCOMPARE(plan.frames.at(0).data, baseBlock(stored.param));
    QCOMPARE(plan.frames.at(1).data, portBlock(stored.param));
    QCOMPARE(stored.cloud, QByteArray(kCloudBlockSize, '\x11'));
    QCOMPARE(stored.heartReg, QByteArray(kHeartRegBlockSize, '\x22'));
    QCOMPARE(parseBaseParam(stored.param).ip, QStringLiteral("192.168.0.7"));

    in = validInput(4017);
    in.httpdVisible = true;
    const SavePlan extended = buildQ2SavePlan(in, stored);
    QCOMPARE(extended.frames.at(2).data, stored.heartReg);
    QCOMPARE(parseHttpd(stored.httpd).url, in.httpd.url);
    QCOMPARE(extended.frames.at(3).data + extended.frames.at(4).data, stored.httpd);
}

void TestSavePlan::unchangedRecordsWriteTheBlocksAsRead()
{
    // A parameter block whose bytes the program does not interpret are all set: a save of the
    // records read from it sends it back byte for byte.
    QByteArray param(kParamBlockSize, '\0');
    for (int i : {0, 1, 2, 8, 49, 50, 51, 64, 65, 66})
        param[i] = char(0xA0 + i % 16);
    param[3] = char(0xEE);                                // flags 1, 2, 3, 5, 6, 7
    param.replace(4, 4, QByteArray::fromHex("6c075000")); // UPNP 1900, HTTP 80
    param.replace(9, 12,
                  QByteArray::fromHex("0700a8c0"
                                      "0100a8c0"
                                      "00ffffff"));
    param.replace(21, 6, QByteArrayLiteral("Q2-one"));
    param.replace(37, 5, QByteArrayLiteral("admin"));
    param.replace(43, 5, QByteArrayLiteral("12345"));
    param[52] = char(0x90);
    param.replace(53, 6, QByteArray::fromHex("001a2b3c4d5e"));
    param.replace(59, 5, QByteArray::fromHex("0808080807"));
    const int p = kPortBlockOffset;
    param.replace(p, 8, QByteArray::fromHex("00c2010008010101"));
    param.replace(p + 12, 4, QByteArray::fromHex("b3152a20"));
    param.replace(p + 16, 13, QByteArrayLiteral("192.168.0.201"));
    param.replace(p + 46, 4, QByteArray::fromHex("c1c2c3c4"));
    param.replace(p + 50, 13,
                  QByteArray::fromHex("a7030004"
                                      "2c01"
                                      "00d7"
                                      "01"
                                      "9001"
                                      "0a00"));

    QCOMPARE(param.size(), kParamBlockSize);
    StoredAnswers stored;
    QVERIFY(stored.storeReply(param));
    Q2SaveInput in = validInput(4016);
    in.base = parseBaseParam(param);
    in.port = parsePortParam(portBlock(param));
    const SavePlan plan = buildQ2SavePlan(in, stored);
    QCOMPARE(plan.frames.at(0).data.toHex(), baseBlock(param).toHex());
    QCOMPARE(plan.frames.at(1).data.toHex(), portBlock(param).toHex());
}

void TestSavePlan::q3Frames()
{
    StoredAnswers stored;
    BaseParams base = validInput().base;
    PortParams port;
    port.workMode = 3;
    port.tcpServerCount = 8;
    port.tcpStyle = 1;
    const SavePlan plan = buildQ3SavePlan(base, port, stored);
    QCOMPARE(describe(plan), QStringLiteral("05/67@0 06/63@500 04/0@500"));
    for (const PlannedFrame &f : plan.frames)
        QCOMPARE(f.family, PortFamily::Q3);
    QCOMPARE(quint8(plan.frames.at(1).data.at(58)), quint8(0x81));

    base.mask = QStringLiteral("255.255");
    const SavePlan refused = buildQ3SavePlan(base, port, stored);
    QCOMPARE(refused.refusal, SaveRefusal::BadField);
    QVERIFY(refused.frames.isEmpty());
}

// ---- Runner over loopback --------------------------------------------------------------------

namespace {

// Listens where the modules listen and notes when each frame arrives.
class ModulePorts : public QObject
{
public:
    bool bind()
    {
        if (!q2.bind(QHostAddress::AnyIPv4, kCfgPort) ||
            !q3.bind(QHostAddress::AnyIPv4, kCfgPortQ3))
            return false;
        clock.start();
        for (QUdpSocket *s : {&q2, &q3}) {
            connect(s, &QUdpSocket::readyRead, this, [this, s] {
                while (s->hasPendingDatagrams()) {
                    const QNetworkDatagram d = s->receiveDatagram();
                    arrivals.append({clock.elapsed(), d.data(), quint16(s->localPort())});
                }
            });
        }
        return true;
    }

    QUdpSocket q2;
    QUdpSocket q3;
    QElapsedTimer clock;
    QList<Arrival> arrivals;
};

quint8 codeOf(const QByteArray &frame)
{
    return quint8(frame.at(2));
}

QString macOf(const QByteArray &frame)
{
    return macBytesToText(frame.mid(3, 6));
}

QByteArray dataOf(const QByteArray &frame)
{
    return frame.mid(21, frame.size() - 22);
}

} // namespace

void TestSavePlan::runnerPlaysTheQ2PlanInOrderWithItsPauses()
{
    ModulePorts modules;
    QVERIFY(modules.bind());
    ModuleEndpoint svr;
    svr.refreshBindings();
    QCOMPARE(svr.socketCount(), 1);

    Q2SaveInput in = validInput(4017);
    in.port.cloudEnabled = true;
    in.modbusShortVisible = true;
    in.modbusShortForm = 4;
    in.modbusPackVisible = true;
    StoredAnswers stored;
    const SavePlan plan = buildQ2SavePlan(in, stored);
    QCOMPARE(describe(plan), QStringLiteral("05/67@0 06/63@500 0C/50@500L 21/85@500L "
                                            "24/4@500L 24/87@0L 02/0@1500"));

    SaveRunner runner(&svr);
    QSignalSpy started(&runner, &SaveRunner::started);
    QSignalSpy sent(&runner, &SaveRunner::frameSent);
    QSignalSpy finished(&runner, &SaveRunner::finished);
    QVERIFY(runner.start(plan, {0, kSelectedMac}, {0, kClickedMac}, QStringLiteral("qpwzk"),
                         QStringLiteral("qpwzk")));
    QCOMPARE(started.size(), 1);
    QVERIFY(runner.isRunning());

    // The event loop runs meanwhile: the wait below is the window staying responsive.
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QVERIFY(!runner.isRunning());
    QCOMPARE(sent.size(), plan.frames.size());
    QTRY_COMPARE(modules.arrivals.size(), plan.frames.size());

    for (int i = 0; i < plan.frames.size(); ++i) {
        const PlannedFrame &planned = plan.frames.at(i);
        const Arrival &a = modules.arrivals.at(i);
        QCOMPARE(a.port, kCfgPort);
        QCOMPARE(codeOf(a.frame), planned.code);
        QCOMPARE(dataOf(a.frame), planned.data);
        QCOMPARE(macOf(a.frame),
                 planned.target == SaveTarget::Selected ? kSelectedMac : kClickedMac);
        if (i == 0)
            continue;
        // Timers never fire early; the upper bound only catches a pause that is not kept.
        const qint64 gap = a.atMs - modules.arrivals.at(i - 1).atMs;
        QVERIFY2(gap >= planned.pauseBeforeMs - 20,
                 qPrintable(QStringLiteral("frame %1 after %2 ms").arg(i).arg(gap)));
        QVERIFY2(gap <= planned.pauseBeforeMs + 2000,
                 qPrintable(QStringLiteral("frame %1 after %2 ms").arg(i).arg(gap)));
    }
}

void TestSavePlan::runnerSendsTheQ3PlanToItsPort()
{
    ModulePorts modules;
    QVERIFY(modules.bind());
    ModuleEndpoint svr;
    svr.refreshBindings();
    StoredAnswers stored;
    const SavePlan plan = buildQ3SavePlan(validInput().base, PortParams(), stored);
    SaveRunner runner(&svr);
    QSignalSpy finished(&runner, &SaveRunner::finished);
    QVERIFY(runner.start(plan, {0, kSelectedMac}, {0, kClickedMac}, QStringLiteral("qpwzk"),
                         QStringLiteral("qpwzk")));
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    QTRY_COMPARE(modules.arrivals.size(), 3);
    QList<quint8> codes;
    for (const Arrival &a : std::as_const(modules.arrivals)) {
        QCOMPARE(a.port, kCfgPortQ3);
        QCOMPARE(macOf(a.frame), kSelectedMac);
        codes << codeOf(a.frame);
    }
    QCOMPARE(codes, (QList<quint8>{0x05, 0x06, 0x04}));
}

void TestSavePlan::runnerStopsAndRefusesASecondStart()
{
    ModulePorts modules;
    QVERIFY(modules.bind());
    ModuleEndpoint svr;
    svr.refreshBindings();
    StoredAnswers stored;
    const SavePlan plan = buildQ2SavePlan(validInput(4016), stored);
    SaveRunner runner(&svr);
    QSignalSpy sent(&runner, &SaveRunner::frameSent);
    QSignalSpy finished(&runner, &SaveRunner::finished);

    QVERIFY(!runner.start(SavePlan(), {}, {}, QString(), QString()));
    QVERIFY(runner.start(plan, {0, kSelectedMac}, {0, kSelectedMac}, QStringLiteral("qpwzk"),
                         QStringLiteral("qpwzk")));
    QVERIFY(!runner.start(plan, {0, kSelectedMac}, {0, kSelectedMac}, QString(), QString()));
    QTRY_COMPARE(sent.size(), 1);
    runner.stop();
    QCOMPARE(finished.size(), 1);
    QVERIFY(!runner.isRunning());
    // The port frame was due 500 ms later; nothing more leaves.
    QTest::qWait(900);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(modules.arrivals.size(), 1);

    // A stopped runner takes the next save.
    QVERIFY(runner.start(plan, {0, kSelectedMac}, {0, kSelectedMac}, QStringLiteral("qpwzk"),
                         QStringLiteral("qpwzk")));
    runner.stop();
    QCOMPARE(finished.size(), 2);
}

QTEST_GUILESS_MAIN(TestSavePlan)
#include "tst_saveplan.moc"
