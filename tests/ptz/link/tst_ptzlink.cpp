#include "SimProcess.h"
#include "link/PtzLink.h"
#include "protocol/PtzFrames.h"
#include "protocol/PtzReply.h"

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

const QString Down = QStringLiteral("连   接");
const QString Up = QStringLiteral("断开连接");
const QString Connected = QStringLiteral("设 备 已 连 接 ！ ！ ！");

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
    bool ConnectTcp(quint16 port)
    {
        link.SetRemotePort(port);
        link.SelectNetwork();
        link.PressConnect(QString(), QStringLiteral("127.0.0.1"));
        return QTest::qWaitFor([this] { return link.IsUp(); }, 5000);
    }
    bool OpenSerial(const QString &device)
    {
        link.SelectSerial();
        link.PressConnect(device, QString());
        return link.IsUp();
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
    void serialUnplugReturnsToIdle();
    void serialOpenFailureStaysIdle();
    void logClearedPast511();
};

void TestPtzLink::startsSerialIdle()
{
    PtzLink link;
    QCOMPARE(link.State(), LinkState::SerialIdle);
    QCOMPARE(link.StatusText(), QString("串口已就绪"));
    QCOMPARE(link.RemotePort(), quint16(4196));
    const LinkView view = link.View();
    QVERIFY(view.serialChecked && !view.networkChecked);
    QVERIFY(view.portListEnabled && view.searchEnabled && view.kindBoxesEnabled);
    QVERIFY(!view.deviceIpEnabled);
    QCOMPARE(view.connectCaption, Down);
    QVERIFY(!view.switchOn);
}

void TestPtzLink::kindBoxesActAsRadioButtons()
{
    PtzLink link;
    QSignalSpy status(&link, &PtzLink::statusChanged);
    link.SelectNetwork();
    QCOMPARE(link.State(), LinkState::NetworkIdle);
    QCOMPARE(link.StatusText(), QString("网络已就绪"));
    LinkView view = link.View();
    QVERIFY(!view.serialChecked && view.networkChecked);
    QVERIFY(!view.portListEnabled && view.deviceIpEnabled && view.searchEnabled);
    QCOMPARE(view.connectCaption, Down);

    link.SelectSerial();
    QCOMPARE(link.State(), LinkState::SerialIdle);
    QCOMPARE(link.StatusText(), QString("串口已就绪"));
    view = link.View();
    QVERIFY(view.serialChecked && !view.networkChecked);
    QVERIFY(view.portListEnabled && !view.deviceIpEnabled);
    QCOMPARE(status.count(), 2);
}

void TestPtzLink::framesDroppedWhileDown()
{
    PtzLink link;
    QSignalSpy sent(&link, &PtzLink::frameSent);
    QSignalSpy log(&link, &PtzLink::logChanged);
    link.SendFrame(StopFrame(1));
    link.SendLightFrame(LightFrame(1, LightMode::Level, 100));
    link.SelectNetwork();
    link.SendFrame(StopFrame(1));
    QCOMPARE(sent.count(), 0);
    QCOMPARE(log.count(), 0);
    QVERIFY(link.LogText().isEmpty());
}

void TestPtzLink::tcpConnectSendQueryClose()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp({"--pan", "60", "--tilt", "45"}));
    LinkFixture f;
    f.link.SetRemotePort(sim.TcpPort());
    f.link.SelectNetwork();
    f.link.PressConnect(QString(), "127.0.0.1");
    // Connecting: the caption still offers to connect, and pressing again would close.
    QCOMPARE(f.link.State(), LinkState::NetworkConnecting);
    QCOMPARE(f.link.View().connectCaption, Down);
    QTRY_VERIFY(f.link.IsUp());

    const LinkView view = f.link.View();
    QCOMPARE(view.connectCaption, Up);
    QVERIFY(view.switchOn);
    QVERIFY(!view.kindBoxesEnabled && !view.portListEnabled && !view.searchEnabled &&
            !view.deviceIpEnabled);
    QCOMPARE(f.link.StatusText(), QString("已连接到 : 127.0.0.1"));
    QCOMPARE(f.prompts, QStringList{Connected});

    QSignalSpy sent(&f.link, &PtzLink::frameSent);
    QByteArray unfinished = StopFrame(1);
    unfinished[6] = 0x55; // the link completes the checksum itself
    f.link.SendFrame(unfinished);
    f.link.SendLightFrame(LightFrame(1, LightMode::Level, HighlightLevel));
    QCOMPARE(sent.count(), 2);
    QVERIFY(sim.WaitForFrames(2));
    QCOMPARE(sim.FramesReceived(), (QStringList{"FF 01 00 00 00 00 01", "68 01 01 02 00 64 D0"}));
    QVERIFY(f.link.LogText().startsWith("\r\n-->发送：FF 01 00 00 00 00 01 \r\n"
                                        "\r\n-->发送：68 01 01 02 00 64 D0 \r\n"));

    f.link.SendFrame(QueryPanPositionFrame(1));
    QTRY_VERIFY(f.link.LogText().contains("<--水平角度：60 °"));
    f.link.SendFrame(QueryTiltPositionFrame(1));
    QTRY_VERIFY(f.link.LogText().contains("<--垂直角度：45 °"));

    f.link.PressConnect(QString(), "127.0.0.1");
    QCOMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("连接已断开..."));
    QCOMPARE(f.link.View().connectCaption, Down);
    QVERIFY(f.link.View().kindBoxesEnabled && f.link.View().deviceIpEnabled);

    // The operator can connect again.
    QVERIFY(f.ConnectTcp(sim.TcpPort()));
}

void TestPtzLink::tcpSplitReplyParsedAsOne()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp({"--pan", "359.99", "--split", "2", "--split-delay", "15"}));
    LinkFixture f;
    QVERIFY(f.ConnectTcp(sim.TcpPort()));
    QSignalSpy chunks(&f.link, &PtzLink::chunkReceived);
    f.link.SendFrame(QueryPanPositionFrame(1));
    // A real event loop, not QTest::qWait, whose naps would stretch the gathering window.
    QVERIFY(chunks.wait(3000));
    QVERIFY(!chunks.wait(60));
    QCOMPARE(chunks.count(), 1);
    QCOMPARE(chunks.at(0).at(0).toByteArray().size(), 7);
    QVERIFY(f.link.LogText().contains("<--水平角度：359.99 °"));
}

void TestPtzLink::tcpCloseBeforeConnected()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp());
    LinkFixture f;
    f.link.SetRemotePort(sim.TcpPort());
    f.link.SelectNetwork();
    f.link.PressConnect(QString(), "127.0.0.1");
    f.link.PressConnect(QString(), "127.0.0.1");
    QCOMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("连接已断开..."));
    QTest::qWait(100);
    QCOMPARE(f.link.State(), LinkState::NetworkIdle);
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
    f.link.SetRemotePort(port);
    f.link.SelectNetwork();
    f.link.PressConnect(QString(), "127.0.0.1");
    QTRY_COMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("连接失败：设备拒绝连接"));
    QCOMPARE(f.link.View().connectCaption, Down);
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
    f.link.SetConnectTimeout(300);
    f.link.SetRemotePort(port);
    f.link.SelectNetwork();
    f.link.PressConnect(QString(), "127.0.0.1");
    QTest::qWait(100);
    QCOMPARE(f.link.State(), LinkState::NetworkConnecting);
    QTRY_COMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("连接失败：连接超时"));
    ::close(listener);
#else
    QSKIP("needs POSIX sockets to hold a connection attempt");
#endif
}

void TestPtzLink::tcpInvalidAddressNeverLooksUp()
{
    LinkFixture f;
    f.link.SelectNetwork();
    f.link.PressConnect(QString(), "ptz-head.example");
    QCOMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("连接失败：IP 地址无效"));
}

void TestPtzLink::tcpPeerCloseReturnsToIdle()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp());
    LinkFixture f;
    QVERIFY(f.ConnectTcp(sim.TcpPort()));
    sim.Stop();
    QTRY_COMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("连接已中断"));
    QCOMPARE(f.link.View().connectCaption, Down);
    QVERIFY(f.link.View().kindBoxesEnabled);
    QSignalSpy sent(&f.link, &PtzLink::frameSent);
    f.link.SendFrame(StopFrame(1));
    QCOMPARE(sent.count(), 0);
}

void TestPtzLink::tcpGarbageFlood()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp({"--flood", "500", "--quiet"}));
    LinkFixture f;
    QVERIFY(f.ConnectTcp(sim.TcpPort()));
    QSignalSpy chunks(&f.link, &PtzLink::chunkReceived);
    QTest::qWait(500);
    QVERIFY(chunks.count() > 3);
    QVERIFY(f.link.IsUp());
    QVERIFY(f.link.LogText().size() <= TrafficLogLimit);
    f.link.PressConnect(QString(), "127.0.0.1");
    QCOMPARE(f.link.State(), LinkState::NetworkIdle);
}

void TestPtzLink::newDeviceDropsNetworkLink()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp());
    LinkFixture f;
    QVERIFY(f.ConnectTcp(sim.TcpPort()));
    QVERIFY(f.link.DropForNewDevice());
    QCOMPARE(f.link.State(), LinkState::NetworkIdle);
    QCOMPARE(f.link.StatusText(), QString("设备已断开连接"));

    f.link.SelectSerial();
    QVERIFY(!f.link.DropForNewDevice());
    QCOMPARE(f.link.StatusText(), QString("串口已就绪"));
}

void TestPtzLink::serialOpenSendQueryClose()
{
    SimProcess sim;
    QVERIFY(sim.StartPty({"--pan", "60", "--tilt", "45"}));
    LinkFixture f;
    QVERIFY(f.OpenSerial(sim.PtyPath()));
    QCOMPARE(f.link.StatusText(), sim.PtyPath() + "，已打开，9600,N,8,1");
    QCOMPARE(f.prompts, QStringList{Connected});
    const LinkView view = f.link.View();
    QCOMPARE(view.connectCaption, Up);
    QVERIFY(view.switchOn && !view.kindBoxesEnabled && !view.portListEnabled &&
            !view.searchEnabled);

    f.link.SendFrame(MoveFrame(1, PadDirection::Up, 0x3F, 0x20));
    f.link.SendFrame(StopFrame(1));
    QVERIFY(sim.WaitForFrames(2));
    QCOMPARE(sim.FramesReceived(), (QStringList{"FF 01 00 08 00 20 29", "FF 01 00 00 00 00 01"}));

    f.link.SendFrame(SetPanPositionFrame(1, 12.5));
    f.link.SendFrame(QueryPanPositionFrame(1));
    QTRY_VERIFY(f.link.LogText().contains("<--水平角度：12.5 °"));

    f.link.PressConnect(sim.PtyPath(), QString());
    QCOMPARE(f.link.State(), LinkState::SerialIdle);
    QCOMPARE(f.link.StatusText(), sim.PtyPath() + "，已关闭");
    QVERIFY(f.link.View().portListEnabled);
    QVERIFY(f.OpenSerial(sim.PtyPath()));
}

void TestPtzLink::serialSplitReplyParsedAsOne()
{
    SimProcess sim;
    QVERIFY(sim.StartPty({"--tilt", "45", "--split", "2", "--split-delay", "15"}));
    LinkFixture f;
    QVERIFY(f.OpenSerial(sim.PtyPath()));
    QSignalSpy chunks(&f.link, &PtzLink::chunkReceived);
    f.link.SendFrame(QueryTiltPositionFrame(1));
    QVERIFY(chunks.wait(3000));
    QVERIFY(!chunks.wait(60));
    QCOMPARE(chunks.count(), 1);
    QCOMPARE(chunks.at(0).at(0).toByteArray().toHex(' ').toUpper(),
             QByteArray("FF 01 00 5B 11 94 01"));
    QVERIFY(f.link.LogText().endsWith("\r\n<--垂直角度：45 °\r\n"));
}

void TestPtzLink::serialHeldPortPrompt()
{
    SimProcess sim;
    QVERIFY(sim.StartPty());
    QSerialPort other(sim.PtyPath());
    QVERIFY(other.open(QIODevice::ReadWrite));

    LinkFixture f;
    f.link.PressConnect(sim.PtyPath(), QString());
    QCOMPARE(f.prompts, QStringList{sim.PtyPath() + "已被其它程序打开，请选择其它串口！"});
    QCOMPARE(f.link.State(), LinkState::SerialIdle);
    QCOMPARE(f.link.View().connectCaption, Down);

    other.close();
    QVERIFY(f.OpenSerial(sim.PtyPath()));
}

void TestPtzLink::serialUnplugReturnsToIdle()
{
    SimProcess sim;
    QVERIFY(sim.StartPty());
    LinkFixture f;
    QVERIFY(f.OpenSerial(sim.PtyPath()));
    const QString path = sim.PtyPath();
    sim.Stop();
    QTRY_COMPARE(f.link.State(), LinkState::SerialIdle);
    QCOMPARE(f.link.StatusText(), path + "，连接已中断");
    QVERIFY(f.link.View().portListEnabled && f.link.View().kindBoxesEnabled);

    SimProcess again;
    QVERIFY(again.StartPty());
    QVERIFY(f.OpenSerial(again.PtyPath()));
}

void TestPtzLink::serialOpenFailureStaysIdle()
{
    LinkFixture f;
    f.link.PressConnect("/dev/ptzdesk-no-such-port", QString());
    QCOMPARE(f.link.State(), LinkState::SerialIdle);
    QCOMPARE(f.link.StatusText(), QString("/dev/ptzdesk-no-such-port，打开失败"));
    f.link.PressConnect(QString(), QString());
    QCOMPARE(f.link.StatusText(), QString("没有可用的串口"));
    QCOMPARE(f.link.State(), LinkState::SerialIdle);
    QVERIFY(f.prompts.isEmpty());
}

void TestPtzLink::logClearedPast511()
{
    SimProcess sim;
    QVERIFY(sim.StartTcp());
    LinkFixture f;
    QVERIFY(f.ConnectTcp(sim.TcpPort()));
    const int entry = int(SentFrameLogText(StopFrame(1)).size());
    for (int i = 0; i < TrafficLogLimit / entry; ++i)
        f.link.SendFrame(StopFrame(1));
    QCOMPARE(f.link.LogText().size(), (TrafficLogLimit / entry) * entry);
    f.link.SendFrame(StopFrame(1));
    QVERIFY(f.link.LogText().isEmpty());
    f.link.SendFrame(StopFrame(1));
    QCOMPARE(f.link.LogText().size(), entry);
    f.link.ClearLog();
    QVERIFY(f.link.LogText().isEmpty());
}

QTEST_GUILESS_MAIN(TestPtzLink)
#include "tst_ptzlink.moc"
