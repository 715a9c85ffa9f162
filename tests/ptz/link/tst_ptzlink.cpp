#include "SimProcess.h"
#include "link/PtzLink.h"
#include "protocol/PtzFrames.h"
#include "protocol/PtzReply.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#ifdef Q_OS_UNIX
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

const QString kDown = QStringLiteral("连   接");
const QString kUp = QStringLiteral("断开连接");
const QString kConnected = QStringLiteral("设 备 已 连 接 ！ ！ ！");

// A link aimed at the simulator, with every prompt it raises kept for the test.
struct LinkFixture
{
    PtzLink link;
    QStringList prompts;
    LinkFixture()
    {
        QObject::connect(&link, &PtzLink::promptRequested,
                         [this](const QString &text) { prompts.append(text); });
    }
    bool connectTcp(quint16 port)
    {
        link.setRemotePort(port);
        link.selectNetwork();
        link.pressConnect(QString(), QStringLiteral("127.0.0.1"));
        return QTest::qWaitFor([this] { return link.isUp(); }, 5000);
    }
    bool openSerial(const QString &device)
    {
        link.selectSerial();
        link.pressConnect(device, QString());
        return link.isUp();
    }
};

} // namespace

class TestPtzLink : public QObject
{
    Q_OBJECT

private slots:
    void startsSerialIdle();
    void kindBoxesActAsRadioButtons();
    void framesDroppedWhileDown();
    void tcpConnectSendQueryClose();
    void tcpSplitReplyParsedAsOne();
    void tcpCloseBeforeConnected();
    void tcpRefusedReported();
    void tcpConnectTimeoutReported();
    void tcpInvalidAddressNeverLooksUp();
    void tcpPeerCloseReturnsToIdle();
    void tcpGarbageFlood();
    void newDeviceDropsNetworkLink();
    void serialOpenSendQueryClose();
    void serialSplitReplyParsedAsOne();
    void serialHeldPortPrompt();
    void serialOpenFailureKinds_data();
    void serialOpenFailureKinds();
    void serialNoPermissionPrompt();
    void simFlagsMalformedFrames();
    void serialUnplugReturnsToIdle();
    void serialOpenFailureStaysIdle();
    void logClearedPast511();
    void portListOffersExtraPaths();
};

void TestPtzLink::startsSerialIdle()
{
    PtzLink link;
    QCOMPARE(link.state(), LinkState::SerialIdle);
    QCOMPARE(link.statusText(), QString("串口已就绪"));
    QCOMPARE(link.remotePort(), quint16(4196));
    const LinkView view = link.view();
    QVERIFY(view.serialChecked && !view.networkChecked);
    QVERIFY(view.portListEnabled && view.searchEnabled && view.kindBoxesEnabled);
    QVERIFY(!view.deviceIpEnabled);
    QCOMPARE(view.connectCaption, kDown);
    QVERIFY(!view.switchOn);
}

void TestPtzLink::kindBoxesActAsRadioButtons()
{
    PtzLink link;
    QSignalSpy status(&link, &PtzLink::statusChanged);
    link.selectNetwork();
    QCOMPARE(link.state(), LinkState::NetworkIdle);
    QCOMPARE(link.statusText(), QString("网络已就绪"));
    LinkView view = link.view();
    QVERIFY(!view.serialChecked && view.networkChecked);
    QVERIFY(!view.portListEnabled && view.deviceIpEnabled && view.searchEnabled);
    QCOMPARE(view.connectCaption, kDown);

    link.selectSerial();
    QCOMPARE(link.state(), LinkState::SerialIdle);
    QCOMPARE(link.statusText(), QString("串口已就绪"));
    view = link.view();
    QVERIFY(view.serialChecked && !view.networkChecked);
    QVERIFY(view.portListEnabled && !view.deviceIpEnabled);
    QCOMPARE(status.count(), 2);
}

void TestPtzLink::framesDroppedWhileDown()
{
    PtzLink link;
    QSignalSpy sent(&link, &PtzLink::frameSent);
    QSignalSpy log(&link, &PtzLink::logChanged);
    link.sendFrame(stopFrame(1));
    link.sendLightFrame(lightFrame(1, LightMode::Level, 100));
    link.selectNetwork();
    link.sendFrame(stopFrame(1));
    QCOMPARE(sent.count(), 0);
    QCOMPARE(log.count(), 0);
    QVERIFY(link.logText().isEmpty());
}

void TestPtzLink::tcpConnectSendQueryClose()
{
    SimProcess sim;
    QVERIFY(sim.startTcp({"--pan", "60", "--tilt", "45"}));
    LinkFixture f;
    f.link.setRemotePort(sim.tcpPort());
    f.link.selectNetwork();
    f.link.pressConnect(QString(), "127.0.0.1");
    // Connecting: the caption still offers to connect, and pressing again would close.
    QCOMPARE(f.link.state(), LinkState::NetworkConnecting);
    QCOMPARE(f.link.view().connectCaption, kDown);
    QTRY_VERIFY(f.link.isUp());

    const LinkView view = f.link.view();
    QCOMPARE(view.connectCaption, kUp);
    QVERIFY(view.switchOn);
    QVERIFY(!view.kindBoxesEnabled && !view.portListEnabled && !view.searchEnabled &&
            !view.deviceIpEnabled);
    QCOMPARE(f.link.statusText(), QString("已连接到 : 127.0.0.1"));
    QCOMPARE(f.prompts, QStringList{kConnected});

    QSignalSpy sent(&f.link, &PtzLink::frameSent);
    QByteArray unfinished = stopFrame(1);
    unfinished[6] = 0x55; // the link completes the checksum itself
    f.link.sendFrame(unfinished);
    f.link.sendLightFrame(lightFrame(1, LightMode::Level, kHighlightLevel));
    QCOMPARE(sent.count(), 2);
    QVERIFY(sim.waitForFrames(2));
    QCOMPARE(sim.framesReceived(), (QStringList{"FF 01 00 00 00 00 01", "68 01 01 02 00 64 D0"}));
    QVERIFY(f.link.logText().startsWith("\r\n-->发送：FF 01 00 00 00 00 01 \r\n"
                                        "\r\n-->发送：68 01 01 02 00 64 D0 \r\n"));

    f.link.sendFrame(queryPanPositionFrame(1));
    QTRY_VERIFY(f.link.logText().contains("<--水平角度：60 °"));
    f.link.sendFrame(queryTiltPositionFrame(1));
    QTRY_VERIFY(f.link.logText().contains("<--垂直角度：45 °"));

    f.link.pressConnect(QString(), "127.0.0.1");
    QCOMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("连接已断开..."));
    QCOMPARE(f.link.view().connectCaption, kDown);
    QVERIFY(f.link.view().kindBoxesEnabled && f.link.view().deviceIpEnabled);

    // The operator can connect again.
    QVERIFY(f.connectTcp(sim.tcpPort()));
}

void TestPtzLink::tcpSplitReplyParsedAsOne()
{
    SimProcess sim;
    QVERIFY(sim.startTcp({"--pan", "359.99", "--split", "2", "--split-delay", "15"}));
    LinkFixture f;
    QVERIFY(f.connectTcp(sim.tcpPort()));
    QSignalSpy chunks(&f.link, &PtzLink::chunkReceived);
    f.link.sendFrame(queryPanPositionFrame(1));
    // A real event loop, not QTest::qWait, whose naps would stretch the gathering window.
    QVERIFY(chunks.wait(3000));
    QVERIFY(!chunks.wait(60));
    QCOMPARE(chunks.count(), 1);
    QCOMPARE(chunks.at(0).at(0).toByteArray().size(), 7);
    QVERIFY(f.link.logText().contains("<--水平角度：359.99 °"));
}

void TestPtzLink::tcpCloseBeforeConnected()
{
    SimProcess sim;
    QVERIFY(sim.startTcp());
    LinkFixture f;
    f.link.setRemotePort(sim.tcpPort());
    f.link.selectNetwork();
    f.link.pressConnect(QString(), "127.0.0.1");
    f.link.pressConnect(QString(), "127.0.0.1");
    QCOMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("连接已断开..."));
    QTest::qWait(100);
    QCOMPARE(f.link.state(), LinkState::NetworkIdle);
    QVERIFY(f.prompts.isEmpty());
}

void TestPtzLink::tcpRefusedReported()
{
    // A port that was free a moment ago refuses the connection.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();

    LinkFixture f;
    f.link.setRemotePort(port);
    f.link.selectNetwork();
    f.link.pressConnect(QString(), "127.0.0.1");
    QTRY_COMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("连接失败：设备拒绝连接"));
    QCOMPARE(f.link.view().connectCaption, kDown);
    QVERIFY(f.prompts.isEmpty());
}

void TestPtzLink::tcpConnectTimeoutReported()
{
#ifdef Q_OS_UNIX
    // A listener with a zero backlog whose one queue place is taken drops further connection
    // attempts, so a connect to it neither succeeds nor fails: it waits.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), length) == 0);
    QVERIFY(::listen(listener, 0) == 0);
    QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);
    const quint16 port = ntohs(address.sin_port);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(filler.waitForConnected(2000));

    LinkFixture f;
    f.link.setConnectTimeout(300);
    f.link.setRemotePort(port);
    f.link.selectNetwork();
    f.link.pressConnect(QString(), "127.0.0.1");
    QTest::qWait(100);
    QCOMPARE(f.link.state(), LinkState::NetworkConnecting);
    QTRY_COMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("连接失败：连接超时"));
    ::close(listener);
#else
    QSKIP("needs POSIX sockets to hold a connection attempt");
#endif
}

void TestPtzLink::tcpInvalidAddressNeverLooksUp()
{
    LinkFixture f;
    f.link.selectNetwork();
    f.link.pressConnect(QString(), "ptz-head.example");
    QCOMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("连接失败：IP 地址无效"));
}

void TestPtzLink::tcpPeerCloseReturnsToIdle()
{
    SimProcess sim;
    QVERIFY(sim.startTcp());
    LinkFixture f;
    QVERIFY(f.connectTcp(sim.tcpPort()));
    sim.stop();
    QTRY_COMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("连接已中断"));
    QCOMPARE(f.link.view().connectCaption, kDown);
    QVERIFY(f.link.view().kindBoxesEnabled);
    QSignalSpy sent(&f.link, &PtzLink::frameSent);
    f.link.sendFrame(stopFrame(1));
    QCOMPARE(sent.count(), 0);
}

void TestPtzLink::tcpGarbageFlood()
{
    SimProcess sim;
    QVERIFY(sim.startTcp({"--flood", "500", "--quiet"}));
    LinkFixture f;
    QVERIFY(f.connectTcp(sim.tcpPort()));
    QSignalSpy chunks(&f.link, &PtzLink::chunkReceived);
    QTest::qWait(500);
    QVERIFY(chunks.count() > 3);
    QVERIFY(f.link.isUp());
    QVERIFY(f.link.logText().size() <= kTrafficLogLimit);
    f.link.pressConnect(QString(), "127.0.0.1");
    QCOMPARE(f.link.state(), LinkState::NetworkIdle);
}

void TestPtzLink::newDeviceDropsNetworkLink()
{
    SimProcess sim;
    QVERIFY(sim.startTcp());
    LinkFixture f;
    QVERIFY(f.connectTcp(sim.tcpPort()));
    QVERIFY(f.link.dropForNewDevice());
    QCOMPARE(f.link.state(), LinkState::NetworkIdle);
    QCOMPARE(f.link.statusText(), QString("设备已断开连接"));

    f.link.selectSerial();
    QVERIFY(!f.link.dropForNewDevice());
    QCOMPARE(f.link.statusText(), QString("串口已就绪"));
}

void TestPtzLink::serialOpenSendQueryClose()
{
    SimProcess sim;
    QVERIFY(sim.startPty({"--pan", "60", "--tilt", "45"}));
    LinkFixture f;
    QVERIFY(f.openSerial(sim.ptyPath()));
    QCOMPARE(f.link.statusText(), sim.ptyPath() + "，已打开，9600,N,8,1");
    QCOMPARE(f.prompts, QStringList{kConnected});
    const LinkView view = f.link.view();
    QCOMPARE(view.connectCaption, kUp);
    QVERIFY(view.switchOn && !view.kindBoxesEnabled && !view.portListEnabled &&
            !view.searchEnabled);

    f.link.sendFrame(moveFrame(1, PadDirection::Up, 0x3F, 0x20));
    f.link.sendFrame(stopFrame(1));
    QVERIFY(sim.waitForFrames(2));
    QCOMPARE(sim.framesReceived(), (QStringList{"FF 01 00 08 00 20 29", "FF 01 00 00 00 00 01"}));

    f.link.sendFrame(setPanPositionFrame(1, 12.5));
    f.link.sendFrame(queryPanPositionFrame(1));
    QTRY_VERIFY(f.link.logText().contains("<--水平角度：12.5 °"));

    f.link.pressConnect(sim.ptyPath(), QString());
    QCOMPARE(f.link.state(), LinkState::SerialIdle);
    QCOMPARE(f.link.statusText(), sim.ptyPath() + "，已关闭");
    QVERIFY(f.link.view().portListEnabled);
    QVERIFY(f.openSerial(sim.ptyPath()));
}

void TestPtzLink::serialSplitReplyParsedAsOne()
{
    SimProcess sim;
    QVERIFY(sim.startPty({"--tilt", "45", "--split", "2", "--split-delay", "15"}));
    LinkFixture f;
    QVERIFY(f.openSerial(sim.ptyPath()));
    QSignalSpy chunks(&f.link, &PtzLink::chunkReceived);
    f.link.sendFrame(queryTiltPositionFrame(1));
    QVERIFY(chunks.wait(3000));
    QVERIFY(!chunks.wait(60));
    QCOMPARE(chunks.count(), 1);
    QCOMPARE(chunks.at(0).at(0).toByteArray().toHex(' ').toUpper(),
             QByteArray("FF 01 00 5B 11 94 01"));
    QVERIFY(f.link.logText().endsWith("\r\n<--垂直角度：45 °\r\n"));
}

void TestPtzLink::serialHeldPortPrompt()
{
    SimProcess sim;
    QVERIFY(sim.startPty());
    QSerialPort other(sim.ptyPath());
    QVERIFY(other.open(QIODevice::ReadWrite));

    LinkFixture f;
    f.link.pressConnect(sim.ptyPath(), QString());
    QCOMPARE(f.prompts, QStringList{sim.ptyPath() + "已被其它程序打开，请选择其它串口！"});
    QCOMPARE(f.link.state(), LinkState::SerialIdle);
    QCOMPARE(f.link.view().connectCaption, kDown);

    other.close();
    QVERIFY(f.openSerial(sim.ptyPath()));
}

void TestPtzLink::serialOpenFailureKinds_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("userMayOpen");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("prompt");

    QTest::newRow("access denied, device open to this user: held by another program")
        << int(QSerialPort::PermissionError) << true << "dialout"
        << int(SerialOpenFailure::HeldElsewhere) << "COM3已被其它程序打开，请选择其它串口！";
    QTest::newRow("access denied, device closed to this user: no permission")
        << int(QSerialPort::PermissionError) << false << "dialout"
        << int(SerialOpenFailure::NoPermission)
        << "COM3：当前用户没有使用此串口的权限。请把用户加入“dialout”组（sudo usermod -aG "
           "dialout 用户名），重新登录后再试。";
    QTest::newRow("no permission, the device's own group named")
        << int(QSerialPort::PermissionError) << false << "uucp"
        << int(SerialOpenFailure::NoPermission)
        << "COM3：当前用户没有使用此串口的权限。请把用户加入“uucp”组（sudo usermod -aG uucp "
           "用户名），重新登录后再试。";
    QTest::newRow("no such port: the status line says it")
        << int(QSerialPort::DeviceNotFoundError) << false << "" << int(SerialOpenFailure::Other)
        << "";
    QTest::newRow("other open failure")
        << int(QSerialPort::OpenError) << true << "" << int(SerialOpenFailure::Other) << "";
}

void TestPtzLink::serialOpenFailureKinds()
{
    QFETCH(int, error);
    QFETCH(bool, userMayOpen);
    QFETCH(QString, group);
    QFETCH(int, kind);
    QFETCH(QString, prompt);
    const SerialOpenFailure failure =
        classifySerialOpenFailure(QSerialPort::SerialPortError(error), userMayOpen);
    QCOMPARE(int(failure), kind);
    QCOMPARE(serialOpenFailurePrompt(failure, "COM3", group), prompt);
}

// A device this user may not open is not reported as held by another program.
void TestPtzLink::serialNoPermissionPrompt()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
        QSKIP("root may open any device; run as an ordinary user to try a refused one");
    SimProcess sim;
    QVERIFY(sim.startPty());
    const QString path = sim.ptyPath();
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    LinkFixture f;
    f.link.pressConnect(path, QString());
    QCOMPARE(f.link.state(), LinkState::SerialIdle);
    QCOMPARE(f.link.statusText(), path + "，打开失败：没有权限");
    QCOMPARE(f.prompts.size(), 1);
    QVERIFY2(f.prompts.at(0).contains("当前用户没有使用此串口的权限") &&
                 f.prompts.at(0).contains("“" + QFileInfo(path).group() + "”组"),
             qPrintable(f.prompts.at(0)));
#else
    QSKIP("device file permissions are a Unix matter");
#endif
}

// The simulator reports every byte that is no good frame, and the helper then fails the test:
// a padded frame, a bad checksum and a frame cut at its end.
void TestPtzLink::simFlagsMalformedFrames()
{
    SimProcess sim;
    QVERIFY(sim.startTcp());
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, sim.tcpPort());
    QVERIFY(raw.waitForConnected(3000));
    raw.write(QByteArray::fromHex("FF0100000000010000")); // a frame with two bytes after it
    raw.write(QByteArray::fromHex("FF010000000005"));     // a wrong sum
    raw.write(QByteArray::fromHex("FF01000900"));         // five bytes of a frame, then nothing
    raw.flush();
    QTRY_VERIFY_WITH_TIMEOUT(sim.malformed().join('\n').contains("cut frame"), 3000);
    const QStringList bad = sim.malformed();
    const QString all = bad.join('\n');
    QVERIFY2(bad.first().startsWith("rx 00 00 | junk, no frame"), qPrintable(all));
    QVERIFY2(all.contains("rx FF 01 00 00 00 00 05 | bad checksum"), qPrintable(all));
    QVERIFY2(bad.last().startsWith("rx FF 01 00 09 00 | junk, cut frame"), qPrintable(all));
    // In the frames a test compares, each shows up as its whole line: no comparison can pass.
    const QStringList frames = sim.framesReceived();
    QCOMPARE(frames.first(), QString("FF 01 00 00 00 00 01"));
    QCOMPARE(frames.mid(1), bad);
    sim.forgetLines();
}

void TestPtzLink::serialUnplugReturnsToIdle()
{
    SimProcess sim;
    QVERIFY(sim.startPty());
    LinkFixture f;
    QVERIFY(f.openSerial(sim.ptyPath()));
    const QString path = sim.ptyPath();
    sim.stop();
    QTRY_COMPARE(f.link.state(), LinkState::SerialIdle);
    QCOMPARE(f.link.statusText(), path + "，连接已中断");
    QVERIFY(f.link.view().portListEnabled && f.link.view().kindBoxesEnabled);

    SimProcess again;
    QVERIFY(again.startPty());
    QVERIFY(f.openSerial(again.ptyPath()));
}

void TestPtzLink::serialOpenFailureStaysIdle()
{
    LinkFixture f;
    f.link.pressConnect("/dev/ptzdesk-no-such-port", QString());
    QCOMPARE(f.link.state(), LinkState::SerialIdle);
    QCOMPARE(f.link.statusText(), QString("/dev/ptzdesk-no-such-port，打开失败"));
    f.link.pressConnect(QString(), QString());
    QCOMPARE(f.link.statusText(), QString("没有可用的串口"));
    QCOMPARE(f.link.state(), LinkState::SerialIdle);
    QVERIFY(f.prompts.isEmpty());
}

void TestPtzLink::logClearedPast511()
{
    SimProcess sim;
    QVERIFY(sim.startTcp());
    LinkFixture f;
    QVERIFY(f.connectTcp(sim.tcpPort()));
    const int entry = int(sentFrameLogText(stopFrame(1)).size());
    for (int i = 0; i < kTrafficLogLimit / entry; ++i)
        f.link.sendFrame(stopFrame(1));
    QCOMPARE(f.link.logText().size(), (kTrafficLogLimit / entry) * entry);
    f.link.sendFrame(stopFrame(1));
    QVERIFY(f.link.logText().isEmpty());
    f.link.sendFrame(stopFrame(1));
    QCOMPARE(f.link.logText().size(), entry);
    f.link.clearLog();
    QVERIFY(f.link.logText().isEmpty());
}

void TestPtzLink::portListOffersExtraPaths()
{
    // A simulator's pseudo-terminal is not enumerated; the variable offers it after the rest.
    qputenv("X7_SERIAL_PORTS", "/dev/pts/91, /tmp/x7-head");
    const QStringList ports = PtzLink::availablePortNames();
    qunsetenv("X7_SERIAL_PORTS");
    QVERIFY(ports.size() >= 2);
    QCOMPARE(ports.mid(ports.size() - 2),
             QStringList({QStringLiteral("/dev/pts/91"), QStringLiteral("/tmp/x7-head")}));
}

QTEST_GUILESS_MAIN(TestPtzLink)
#include "tst_ptzlink.moc"
