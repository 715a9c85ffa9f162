// The data-debugging window end to end over loopback: its connections against peers that record
// what arrives, its rows, its cycle, its command file and its receive view.

#include "app/MainWindow.h"
#include "datadebug/CycleSender.h"
#include "datadebug/DataDebugWindow.h"
#include "datadebug/TrafficModel.h"
#include "lang/LangList.h"
#include "q2panel/Q2Panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

namespace {

// A UDP peer that keeps every datagram with the port it came from.
struct UdpRecorder
{
    QUdpSocket socket;
    QList<QByteArray> data;
    QList<quint16> fromPorts;
    bool echo = false;

    UdpRecorder()
    {
        socket.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [this] {
            while (socket.hasPendingDatagrams()) {
                const QNetworkDatagram d = socket.receiveDatagram();
                data << d.data();
                fromPorts << quint16(d.senderPort());
                if (echo)
                    socket.writeDatagram(d.data(), d.senderAddress(), quint16(d.senderPort()));
            }
        });
    }
    quint16 port() const { return socket.localPort(); }
};

// A free loopback port for the window to bind or listen on.
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestDataDebugWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void startFieldsFollowModuleWorkMode_data();
    void startFieldsFollowModuleWorkMode();
    void emptyPortOnlyAsks();
    void udpSendsFromItsPortToTheRemoteFields();
    void receiveViewShowsTheEcho();
    void tcpServerSendsToEveryClient();
    void tcpClientDroppedByTheModule();
    void cycleSendsChosenRowsInOrderUntilConnectionStops();
    void rowEditingRefusesWhatTheFileCannotHold();
    void badHexIsNotSent();
    void commandFileRoundTrip();
    void importAndMissingFile();
    void renameRefusals();
    void mainWindowButtonOpensTheWindow();
    void screenshots();

private:
    QWidget *row(int i) const;
    template<typename T> T *rowControl(int i, const char *name) const
    {
        return row(i)->findChild<T *>(QString::fromLatin1(name));
    }
    template<typename T> T *control(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }
    void setCommand(int i, const QString &text, bool hex = false, const QString &delay = {});
    void startUdp(quint16 remotePort);
    QString text(const char *key) const { return langText(QString::fromLatin1(key)); }

    QTemporaryDir m_files;
    DataDebugWindow *m_window = nullptr;
    QStringList m_messages;
    std::optional<QString> m_promptAnswer;
    std::optional<QString> m_fileAnswer;
};

void TestDataDebugWindow::initTestCase()
{
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());
    setIsChinese(false);
}

void TestDataDebugWindow::init()
{
    QFile::remove(DataDebugWindow::defaultCommandFile());
    m_window = new DataDebugWindow;
    m_messages.clear();
    m_window->setMessageFunction([this](QWidget *, const QString &t) { m_messages << t; });
    m_window->setPromptFunction(
        [this](QWidget *, const QString &, const QString &, const QString &,
               const DataDebugWindow::PromptDone &done) { done(m_promptAnswer); });
    m_window->setFileFunction(
        [this](QWidget *, bool, const QString &, const DataDebugWindow::FileDone &done) {
            done(m_fileAnswer);
        });
    m_window->showFor({}, {});
}

void TestDataDebugWindow::cleanup()
{
    delete m_window;
    m_window = nullptr;
    setIsChinese(false);
}

QWidget *TestDataDebugWindow::row(int i) const
{
    return m_window->findChild<QWidget *>(QStringLiteral("C%1").arg(i));
}

void TestDataDebugWindow::setCommand(int i, const QString &command, bool hex, const QString &delay)
{
    rowControl<QCheckBox>(i, "chkHex")->setChecked(false);
    rowControl<QLineEdit>(i, "edtCmd")->setText(command);
    if (hex) {
        // Ticking converts the text; put the digits in afterwards.
        rowControl<QCheckBox>(i, "chkHex")->setChecked(true);
        rowControl<QLineEdit>(i, "edtCmd")->setText(command);
    }
    rowControl<QLineEdit>(i, "edtDelay")->setText(delay);
}

void TestDataDebugWindow::startUdp(quint16 remotePort)
{
    control<QComboBox>("cbbProtrolType")->setCurrentIndex(0);
    control<QComboBox>("cbbIP")->setEditText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("edtPort")->setText(QString::number(freePort()));
    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QCOMPARE(m_window->link()->state(), DataDebugLink::State::UdpBound);
    control<QLineEdit>("edtLoport")->setText(QString::number(remotePort));
}

void TestDataDebugWindow::startFieldsFollowModuleWorkMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("localPort");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("caption");
    // The module's remote IP is 192.168.0.131, local port 20108, remote port 8234.
    QTest::newRow("UDP client -> UDP server") << 0 << "20108" << 0 << "8234"
                                              << "192.168.0.131"
                                              << "Start";
    QTest::newRow("TCP client -> TCP server") << 1 << "20108" << 1 << "8234"
                                              << "192.168.0.131"
                                              << "Start";
    QTest::newRow("UDP server -> UDP client") << 2 << "20108" << 2 << "20108"
                                              << "192.168.0.131"
                                              << "Start";
    QTest::newRow("TCP server -> TCP client, no address") << 3 << "20108" << 3 << "20108"
                                                          << ""
                                                          << "Connect";
    // HTTPD client has no counterpart: the protocol and port stay, the address is taken.
    QTest::newRow("HTTPD client") << 4 << "20108" << 0 << "777"
                                  << "192.168.0.131"
                                  << "Start";
    // A port field that is not a number: the last values stay and the status bar says why.
    QTest::newRow("port not a number") << 3 << "ab" << 0 << "777"
                                       << "10.0.0.9"
                                       << "Start";
}

void TestDataDebugWindow::startFieldsFollowModuleWorkMode()
{
    QFETCH(int, mode);
    QFETCH(QString, localPort);
    QFETCH(int, protocol);
    QFETCH(QString, port);
    QFETCH(QString, ip);
    QFETCH(QString, caption);
    control<QLineEdit>("edtPort")->setText(QStringLiteral("777"));
    control<QComboBox>("cbbIP")->setEditText(QStringLiteral("10.0.0.9"));
    m_window->reject();
    m_window->showFor({mode, QStringLiteral("192.168.0.131"), localPort, QStringLiteral("8234")},
                      {});
    QCOMPARE(control<QComboBox>("cbbProtrolType")->currentIndex(), protocol);
    QCOMPARE(control<QLineEdit>("edtPort")->text(), port);
    QCOMPARE(control<QComboBox>("cbbIP")->currentText(), ip);
    QCOMPARE(control<QPushButton>("btnConnet")->text(), caption);
    QCOMPARE(m_window->statusText(),
             localPort == "ab" ? text("lang_Hint_DataDebug_PanelPorts") : QString());
}

void TestDataDebugWindow::emptyPortOnlyAsks()
{
    control<QComboBox>("cbbIP")->setEditText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("edtPort")->clear();
    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QCOMPARE(m_window->statusText(), QStringLiteral("Please enter IP and port!"));
    QVERIFY(!m_window->link()->active());
    QVERIFY(m_messages.isEmpty());
}

void TestDataDebugWindow::udpSendsFromItsPortToTheRemoteFields()
{
    UdpRecorder peer;
    const quint16 local = freePort();
    control<QComboBox>("cbbIP")->setEditText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("edtPort")->setText(QString::number(local));
    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QCOMPARE(m_window->statusText(), QStringLiteral("UDP has started!"));
    QCOMPARE(control<QPushButton>("btnConnet")->text(), QStringLiteral("Stop"));
    QVERIFY(control<QLineEdit>("edtLoIP")->isVisible());
    QCOMPARE(control<QLineEdit>("edtLoIP")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(control<QLineEdit>("edtLoport")->text(), QStringLiteral("1234"));
    QVERIFY(!control<QLineEdit>("edtPort")->isEnabled());

    control<QLineEdit>("edtLoport")->setText(QString::number(peer.port()));
    setCommand(0, QStringLiteral("温度?"));
    QTest::mouseClick(rowControl<QPushButton>(0, "btnSend"), Qt::LeftButton);
    QTRY_COMPARE(peer.data.size(), 1);
    QCOMPARE(peer.data.first(), QByteArray("\xCE\xC2\xB6\xC8?"));
    QCOMPARE(peer.fromPorts.first(), local);

    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QCOMPARE(m_window->statusText(), QStringLiteral("UDP has stopped!"));
    QVERIFY(!control<QLineEdit>("edtLoIP")->isVisible());
    QVERIFY(control<QLineEdit>("edtPort")->isEnabled());
}

void TestDataDebugWindow::receiveViewShowsTheEcho()
{
    QVERIFY(!control<QWidget>("grpReceive")->isVisible()); // off until asked for
    UdpRecorder peer;
    peer.echo = true;
    startUdp(peer.port());
    control<QCheckBox>("chkShowReceived")->setChecked(true);
    QVERIFY(control<QWidget>("grpReceive")->isVisible());
    setCommand(0, QStringLiteral("01 03 00 00"), true);
    QVERIFY(m_window->sendRow(0));
    TrafficModel *lines = m_window->traffic();
    QTRY_COMPARE(lines->rowCount(), 2);
    const QString peerText = QStringLiteral("127.0.0.1:%1").arg(peer.port());
    QVERIFY2(lines->lineText(0).contains(QStringLiteral("→ ") + peerText + " 4 01 03 00 00"),
             qPrintable(lines->lineText(0)));
    QVERIFY2(lines->lineText(1).contains(QStringLiteral("← ") + peerText + " 4 01 03 00 00"),
             qPrintable(lines->lineText(1)));
    QTRY_VERIFY(control<QLabel>("lblCounters")->text().contains("Received 1 frames, 4 bytes"));

    // Bounded: the oldest lines go; paused: nothing is added, the counters still count.
    lines->setMaxLines(3);
    for (int i = 0; i < 3; ++i)
        m_window->sendRow(0);
    QTRY_COMPARE(m_window->counters().receivedFrames, 4);
    lines->flush();
    QCOMPARE(lines->rowCount(), 3);
    control<QCheckBox>("chkPause")->setChecked(true);
    m_window->sendRow(0);
    QTRY_COMPARE(m_window->counters().receivedFrames, 5);
    lines->flush();
    QCOMPARE(lines->rowCount(), 3);
    QTest::mouseClick(control<QPushButton>("btnClearReceived"), Qt::LeftButton);
    QCOMPARE(lines->rowCount(), 0);
}

void TestDataDebugWindow::tcpServerSendsToEveryClient()
{
    const quint16 port = freePort();
    control<QComboBox>("cbbProtrolType")->setCurrentIndex(1);
    control<QComboBox>("cbbIP")->setEditText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("edtPort")->setText(QString::number(port));
    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QCOMPARE(m_window->statusText(),
             QStringLiteral("Service has started, waiting for connection ..."));

    QTcpSocket first;
    QTcpSocket second;
    first.connectToHost(QHostAddress::LocalHost, port);
    QTRY_COMPARE(m_window->link()->clientCount(), 1);
    QCOMPARE(m_window->statusText(), QStringLiteral("Client has been monitored 127.0.0.1"));
    second.connectToHost(QHostAddress::LocalHost, port);
    QTRY_COMPARE(m_window->link()->clientCount(), 2);

    setCommand(2, QStringLiteral("PING"));
    QVERIFY(m_window->sendRow(2));
    QTRY_COMPARE(first.bytesAvailable(), 4);
    QTRY_COMPARE(second.bytesAvailable(), 4);
    QCOMPARE(first.readAll(), QByteArray("PING"));

    first.disconnectFromHost();
    QTRY_COMPARE(m_window->link()->clientCount(), 1);
    QCOMPARE(m_window->statusText(), QStringLiteral("Client has been monitored 127.0.0.1"));
    second.disconnectFromHost();
    QTRY_COMPARE(m_window->statusText(),
                 QStringLiteral("The server is disconnected from the client."));
    QCOMPARE(control<QPushButton>("btnConnet")->text(), QStringLiteral("Stop")); // still listens

    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QCOMPARE(m_window->statusText(), QStringLiteral("The server is stopped."));
    QCOMPARE(control<QPushButton>("btnConnet")->text(), QStringLiteral("Start"));
}

void TestDataDebugWindow::tcpClientDroppedByTheModule()
{
    QTcpServer module;
    QVERIFY(module.listen(QHostAddress::LocalHost, 0));
    control<QComboBox>("cbbProtrolType")->setCurrentIndex(3);
    QCOMPARE(control<QPushButton>("btnConnet")->text(), QStringLiteral("Connect"));
    control<QComboBox>("cbbIP")->setEditText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("edtPort")->setText(QString::number(module.serverPort()));
    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QTRY_COMPARE(control<QPushButton>("btnConnet")->text(), QStringLiteral("Disconnect"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Already connected to 127.0.0.1"));
    QVERIFY(!control<QComboBox>("cbbProtrolType")->isEnabled());
    QTRY_VERIFY(module.hasPendingConnections());
    QTcpSocket *peer = module.nextPendingConnection();

    setCommand(0, QStringLiteral("x"));
    rowControl<QCheckBox>(0, "chkChoose")->setChecked(true);
    control<QLineEdit>("edtCycle")->setText(QStringLiteral("50"));
    QTest::mouseClick(control<QPushButton>("btnCycleSend"), Qt::LeftButton);
    QVERIFY(m_window->cycling());
    QTRY_VERIFY(peer->bytesAvailable() > 0);

    peer->disconnectFromHost();
    QTRY_COMPARE(control<QPushButton>("btnConnet")->text(), QStringLiteral("Connect"));
    QCOMPARE(m_window->statusText(), QStringLiteral("Has disconnected from 127.0.0.1"));
    QVERIFY(control<QComboBox>("cbbProtrolType")->isEnabled());
    QVERIFY(control<QLineEdit>("edtPort")->isEnabled());
    QVERIFY(!m_window->cycling());
    QCOMPARE(control<QPushButton>("btnCycleSend")->text(), QStringLiteral("Cycle send"));

    // A refused connect says so and leaves the controls editable.
    const quint16 closed = module.serverPort();
    module.close();
    control<QLineEdit>("edtPort")->setText(QString::number(closed));
    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
    QTRY_VERIFY(m_window->statusText().startsWith(
        QStringLiteral("An error occurred in the connection with the server!")));
    QTRY_VERIFY(control<QLineEdit>("edtPort")->isEnabled());
    QVERIFY(!m_window->link()->active());
}

void TestDataDebugWindow::cycleSendsChosenRowsInOrderUntilConnectionStops()
{
    UdpRecorder peer;
    QTest::mouseClick(control<QPushButton>("btnCycleSend"), Qt::LeftButton);
    QCOMPARE(m_window->statusText(), QStringLiteral("Please create a connection first."));
    QVERIFY(!m_window->cycling());

    startUdp(peer.port());
    for (int i = 0; i < 4; ++i)
        setCommand(i, QStringLiteral("R%1").arg(i + 1));
    setCommand(0, QStringLiteral("R1"), false, QStringLiteral("100"));
    rowControl<QCheckBox>(0, "chkChoose")->setChecked(true);
    rowControl<QCheckBox>(2, "chkChoose")->setChecked(true);
    control<QLineEdit>("edtCycle")->setText(QStringLiteral("200"));
    QSignalSpy started(m_window, &DataDebugWindow::started);
    QSignalSpy finished(m_window, &DataDebugWindow::finished);
    QTest::mouseClick(control<QPushButton>("btnCycleSend"), Qt::LeftButton);
    QCOMPARE(control<QPushButton>("btnCycleSend")->text(), QStringLiteral("Stop send"));
    QCOMPARE(started.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(peer.data.size() >= 5, 5000);

    QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton); // stop UDP
    QVERIFY(!m_window->cycling());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(control<QPushButton>("btnCycleSend")->text(), QStringLiteral("Cycle send"));
    const int count = int(peer.data.size());
    for (int i = 0; i < count; ++i)
        QCOMPARE(peer.data.at(i), i % 2 == 0 ? QByteArray("R1") : QByteArray("R3"));
    QTest::qWait(400);
    QCOMPARE(peer.data.size(), count); // nothing after the stop

    // An interval of 0 runs one pass and ends by itself.
    startUdp(peer.port());
    peer.data.clear();
    control<QLineEdit>("edtCycle")->setText(QStringLiteral("0"));
    QTest::mouseClick(control<QPushButton>("btnCycleSend"), Qt::LeftButton);
    QTRY_VERIFY(!m_window->cycling());
    QTRY_COMPARE(peer.data, (QList<QByteArray>{"R1", "R3"}));
    QCOMPARE(finished.size(), 2);

    // An empty interval disables the button.
    control<QLineEdit>("edtCycle")->clear();
    QVERIFY(!control<QPushButton>("btnCycleSend")->isEnabled());
}

void TestDataDebugWindow::rowEditingRefusesWhatTheFileCannotHold()
{
    QLineEdit *cmd = rowControl<QLineEdit>(0, "edtCmd");
    cmd->setFocus();
    QTest::keyClicks(cmd, QStringLiteral("a|b"));
    QCOMPARE(cmd->text(), QStringLiteral("ab"));
    QCOMPARE(m_window->statusText(), text("lang_Hint_DataDebug_NoBar"));

    QCheckBox *hex = rowControl<QCheckBox>(0, "chkHex");
    cmd->setText(QStringLiteral("AB"));
    QTest::mouseClick(hex, Qt::LeftButton);
    QCOMPARE(cmd->text(), QStringLiteral("4142"));
    QTest::mouseClick(hex, Qt::LeftButton);
    QCOMPARE(cmd->text(), QStringLiteral("AB"));
    hex->setChecked(true);
    cmd->setText(QStringLiteral("4G"));
    hex->setChecked(false);
    QCOMPARE(cmd->text(), QStringLiteral("4G")); // not hex: left as it is, the row stays hex
    QVERIFY(hex->isChecked());
    cmd->setText(QStringLiteral("317C32")); // "1|2" cannot be a text row
    hex->setChecked(false);
    QVERIFY(hex->isChecked());
    QCOMPARE(m_window->statusText(), text("lang_Hint_DataDebug_KeepHex").arg(1));

    // Hex for all converts only the rows that differ.
    setCommand(1, QStringLiteral("AB"));
    control<QCheckBox>("chkHexAll")->setChecked(true);
    QCOMPARE(rowControl<QLineEdit>(1, "edtCmd")->text(), QStringLiteral("4142"));
    QCOMPARE(cmd->text(), QStringLiteral("317C32"));

    QLineEdit *delay = rowControl<QLineEdit>(0, "edtDelay");
    delay->setFocus();
    QTest::keyClicks(delay, QStringLiteral("7000"));
    QCOMPARE(delay->text(), QStringLiteral("7000"));
    QTest::keyClicks(delay, QStringLiteral("0"));
    QCOMPARE(delay->text(), QString());
    QTest::keyClicks(delay, QStringLiteral("x5"));
    QCOMPARE(delay->text(), QStringLiteral("5"));

    control<QCheckBox>("chkChooseAll")->setChecked(true);
    for (int i = 0; i < 50; ++i)
        QVERIFY(rowControl<QCheckBox>(i, "chkChoose")->isChecked());
    QTest::mouseClick(control<QPushButton>("btnClearAll"), Qt::LeftButton);
    QCOMPARE(m_window->rows(),
             QList<CommandRows::Row>(50, CommandRows::clearedRow("Right custom name")));
    QVERIFY(!control<QCheckBox>("chkChooseAll")->isChecked());
}

void TestDataDebugWindow::badHexIsNotSent()
{
    UdpRecorder peer;
    startUdp(peer.port());
    setCommand(0, QStringLiteral("ZZ31"), true);
    setCommand(1, QStringLiteral("31 32"), true);
    QVERIFY(!m_window->sendRow(0));
    QCOMPARE(m_window->statusText(), text("lang_Hint_DataDebug_BadHex").arg(1));
    QVERIFY(m_window->sendRow(1));
    QTRY_COMPARE(peer.data, QList<QByteArray>{"12"}); // the refused row sent nothing at all
}

void TestDataDebugWindow::commandFileRoundTrip()
{
    // A fresh window closed in English writes the older program's 50 lines.
    m_window->reject();
    QFile file(DataDebugWindow::defaultCommandFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray fresh = file.readAll();
    file.close();
    QCOMPARE(fresh, QByteArray("false|Right custom name||false|\r\n").repeated(50));

    m_window->showFor({}, {});
    m_window->setRows(
        {{true, QStringLiteral("my cmd"), QStringLiteral("AT +VER"), false, QStringLiteral("100")},
         {false, QStringLiteral("读"), QStringLiteral("01 03"), true, {}}});
    const QList<CommandRows::Row> before = m_window->rows();
    m_window->reject();
    m_window->clearCommandRows();
    m_window->showFor({}, {});
    QCOMPARE(m_window->rows(), before); // blanks and Chinese kept
}

void TestDataDebugWindow::importAndMissingFile()
{
    const QString path = m_files.filePath(QStringLiteral("three.txt"));
    QFile three(path);
    QVERIFY(three.open(QIODevice::WriteOnly));
    // Written by the older program on a Chinese system: GB18030.
    three.write("true|a|1|false|\r\ntrue|\xB6\xC1|2|false|\r\ntrue|c|3|false|5\r\n");
    three.close();
    setCommand(10, QStringLiteral("old"));
    m_fileAnswer = path;
    QSignalSpy chosen(m_window, &DataDebugWindow::filePathChanged);
    QTest::mouseClick(control<QPushButton>("btnImport"), Qt::LeftButton);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(m_window->filePath(), path);
    QCOMPARE(m_window->rows().at(2).delay, QStringLiteral("5"));
    QCOMPARE(m_window->rows().at(1).name, QStringLiteral("读"));
    QCOMPARE(m_window->rows().at(10), CommandRows::clearedRow("Right custom name"));

    // Export to another file; closing then writes to the chosen file.
    const QString exported = m_files.filePath(QStringLiteral("out.txt"));
    m_fileAnswer = exported;
    QTest::mouseClick(control<QPushButton>("btnExport"), Qt::LeftButton);
    QVERIFY(QFile::exists(exported));
    setCommand(3, QStringLiteral("new"));
    m_window->reject();
    m_window->showFor({}, exported);
    QCOMPARE(m_window->rows().at(3).command, QStringLiteral("new"));

    // A chosen file that has gone: a message, the rows stay.
    QFile::remove(exported);
    m_window->reject();
    m_window->showFor({}, exported);
    QCOMPARE(m_messages, QStringList{"The file does not exist, please choose again!"});
    QCOMPARE(m_window->rows().at(3).command, QStringLiteral("new"));
}

void TestDataDebugWindow::renameRefusals()
{
    QPushButton *name = rowControl<QPushButton>(4, "btnExplanation");
    const auto rename = [&](const QString &answer) {
        m_promptAnswer = answer;
        emit name->customContextMenuRequested({});
    };
    rename(QStringLiteral("Read & go"));
    QCOMPARE(m_window->rows().at(4).name, QString());
    QCOMPARE(m_messages.last(), QStringLiteral("不能包含'&&'字符"));
    rename(QStringLiteral("Read all"));
    QCOMPARE(m_window->rows().at(4).name, QStringLiteral("Read all"));
    QCOMPARE(name->text(), QStringLiteral("Read all"));
    rename(QStringLiteral("a|b"));
    QCOMPARE(m_window->rows().at(4).name, QStringLiteral("Read all"));
    QCOMPARE(m_messages.last(), text("lang_Hint_DataDebug_NoBar"));
    m_promptAnswer.reset(); // cancelled
    emit name->customContextMenuRequested({});
    QCOMPARE(m_window->rows().at(4).name, QStringLiteral("Read all"));
}

void TestDataDebugWindow::mainWindowButtonOpensTheWindow()
{
    MainWindow main;
    PortParams port;
    port.workMode = 3;
    port.localPort = 20108;
    port.remotePort = 8234;
    port.remoteHost = QStringLiteral("192.168.0.131");
    main.q2Panel()->showQ2Params(BaseParams{}, port);
    QTest::mouseClick(main.q2Panel()->findChild<QPushButton *>("btnDataDebug"), Qt::LeftButton);
    DataDebugWindow *window = main.dataDebugWindow();
    QVERIFY(window->isVisible());
    QVERIFY(window->isModal());
    QCOMPARE(window->findChild<QComboBox *>("cbbProtrolType")->currentIndex(), 3);
    QCOMPARE(window->findChild<QLineEdit *>("edtPort")->text(), QStringLiteral("20108"));
    window->reject();
}

void TestDataDebugWindow::screenshots()
{
    const QByteArray dir = qgetenv("X7_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to write screenshots");
    UdpRecorder peer;
    peer.echo = true;
    for (bool chinese : {true, false}) {
        setIsChinese(chinese);
        m_window->reject();
        QFile::remove(DataDebugWindow::defaultCommandFile());
        m_window->clearCommandRows();
        m_window->showFor({2, QStringLiteral("127.0.0.1"), QString::number(freePort()), "1"}, {});
        setCommand(0, chinese ? QStringLiteral("读取温度") : QStringLiteral("Read temperature"));
        setCommand(1, QStringLiteral("01 03 00 00 00 02 C4 0B"), true, QStringLiteral("100"));
        rowControl<QCheckBox>(1, "chkChoose")->setChecked(true);
        QTest::mouseClick(control<QPushButton>("btnConnet"), Qt::LeftButton);
        control<QLineEdit>("edtLoport")->setText(QString::number(peer.port()));
        QVERIFY(m_window->grab().save(QString::fromLocal8Bit(dir) +
                                      (chinese ? "/datadebug_cn.png" : "/datadebug_en.png")));
        control<QCheckBox>("chkShowReceived")->setChecked(true);
        control<QPushButton>("btnClearReceived")->click(); // each picture its own traffic
        m_window->sendRow(0);
        m_window->sendRow(1);
        QTRY_COMPARE(m_window->counters().receivedFrames, 2);
        m_window->traffic()->flush();
        // The counters line follows the traffic within 200 ms.
        QTRY_VERIFY(control<QLabel>("lblCounters")
                        ->text()
                        .contains(QString::number(m_window->counters().receivedBytes)));
        QVERIFY(m_window->grab().save(QString::fromLocal8Bit(dir) +
                                      (chinese ? "/datadebug_rx_cn.png" : "/datadebug_rx_en.png")));
        control<QCheckBox>("chkShowReceived")->setChecked(false);
    }
}

QTEST_MAIN(TestDataDebugWindow)
#include "tst_datadebugwindow.moc"
