// The main window's COM tab against x7sim on a pseudo-terminal: reads fill the Q2 and Q1
// panels, writes land in the simulated module with every byte outside the written fields as the
// module had it (judged by the simulator's own dumps), and broken or missing replies and ports
// behave as the user expects.

#include "app/ComPath.h"
#include "app/LogView.h"
#include "app/MainWindow.h"

#include "lang/LangList.h"
#include "serial/SerialSession.h"
#include "support/SimProcess.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The last dump of one block: "block <MAC> <name> <hex>".
QByteArray lastBlock(const QByteArray &output, const QByteArray &name)
{
    QByteArray found;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 4 && parts.at(0) == "block" && parts.at(2) == name)
            found = QByteArray::fromHex(parts.at(3));
    }
    return found;
}

int dumpCount(const QByteArray &output)
{
    return int(output.count("dump end"));
}

QString text(const char *key)
{
    return langText(QLatin1String(key));
}

} // namespace

class TestE2eSerial : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void q2ReadFillsThePanelAndWriteKeepsTheModuleBytes();
    void splitReplyIsOnlyLogged();
    void q2WriteBeforeAReadIsRefused();
    void q1ReadAndWrite();
    void q1ReplyWithAWrongSumChangesNothing();
    void missingPortIsReported();
    void screenshots();

private:
    // Starts x7sim on a pty, opens the window on the COM tab with that port chosen.
    void startWith(const QStringList &args);
    void runAndWait(QPushButton *button);
    template<typename T> T *child(const char *name)
    {
        T *w = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    QStringList logLines() { return child<LogView>("redt_Log")->lines(); }

    QTemporaryDir m_files;
    std::unique_ptr<SimProcess> m_sim;
    MainWindow *m_window = nullptr;
    QStringList m_messages;
};

void TestE2eSerial::initTestCase()
{
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());
    MainWindow::setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
}

void TestE2eSerial::cleanup()
{
    delete m_window;
    m_window = nullptr;
    m_sim.reset();
    m_messages.clear();
}

void TestE2eSerial::startWith(const QStringList &args)
{
    m_sim = std::make_unique<SimProcess>();
    QVERIFY2(m_sim->start("X7SIM", QStringList{"--serial", "pty", "--dump-after-write"} + args),
             m_sim->errors().constData());
    const QByteArray out = m_sim->output();
    const qsizetype at = out.indexOf("x7sim: serial ");
    QVERIFY(at >= 0);
    const QByteArray path = out.mid(at + 14, out.indexOf('\n', at) - at - 14).trimmed();
    // A pseudo-terminal is not enumerated: the variable offers it like a real port.
    qputenv("X7_SERIAL_PORTS", path);
    m_window = new MainWindow;
    m_window->show();
    child<QTabWidget>("rzpgcntrl_Srch")->setCurrentIndex(1);
    auto *ports = child<QComboBox>("cbb_SelectCom");
    QVERIFY(ports->findText(QString::fromLocal8Bit(path)) >= 0);
    ports->setCurrentIndex(ports->findText(QString::fromLocal8Bit(path)));
}

void TestE2eSerial::runAndWait(QPushButton *button)
{
    QSignalSpy finished(m_window->comPath(), &ComPath::finished);
    button->click();
    if (m_window->comPath()->isRunning()) {
        QVERIFY(!child<QPushButton>("btn_ComRead")->isEnabled());
        QVERIFY(finished.wait(8000));
    }
    QVERIFY(child<QPushButton>("btn_ComRead")->isEnabled());
}

void TestE2eSerial::q2ReadFillsThePanelAndWriteKeepsTheModuleBytes()
{
    startWith({"--ip", "10.1.2.3", "--name", "bench-q2"});
    // The module's memory before anything is written, from the simulator itself.
    m_sim->process().write("dump\n");
    QTRY_COMPARE(dumpCount(m_sim->output()), 1);
    const QByteArray before = lastBlock(m_sim->output(), "base");
    QCOMPARE(before.size(), 130);

    runAndWait(child<QPushButton>("btn_ComRead"));
    QCOMPARE(m_window->currentLayout(), MainWindow::Layout::Q2);
    QCOMPARE(child<QLineEdit>("edt_StaticIP")->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(child<QLineEdit>("edt_ModName")->text(), QStringLiteral("bench-q2"));
    // The parameter reply was followed by the extension request, whose reply filled the cloud ID.
    QVERIFY(m_sim->output().contains("frame 55 C1"));
    QVERIFY(child<QLineEdit>("edtDid")->text().startsWith(QStringLiteral("X7CLOUD0")));
    const QStringList hex = child<LogView>("redt_Hex")->lines();
    QVERIFY(hex.contains(QStringLiteral("[ PC ] → [ Device ]")));
    QVERIFY(hex.contains(QStringLiteral("[ Length : 137 ]")));
    QVERIFY(hex.contains(QStringLiteral("[ Length : 115 ]")));
    QVERIFY(logLines().contains(text("lang_ComIsClose")));

    auto *ip = child<QLineEdit>("edt_StaticIP");
    ip->clear();
    QTest::keyClicks(ip, QStringLiteral("10.1.2.77"));
    QList<qint64> sentAt;
    QElapsedTimer clock;
    clock.start();
    connect(m_window->comPath()->session(), &SerialSession::frameSent, this,
            [&](const QByteArray &, bool ok) {
                if (ok)
                    sentAt << clock.elapsed();
            });
    runAndWait(child<QPushButton>("btn_Q2ComSet"));
    QCOMPARE(sentAt.size(), 3);
    QVERIFY(sentAt.at(1) - sentAt.at(0) >= 490);
    QVERIFY(sentAt.at(2) - sentAt.at(1) >= 490);
    QCOMPARE(logLines().count(text("lang_Ts_ComSetOk")), 3);

    QTRY_VERIFY(dumpCount(m_sim->output()) >= 3);
    const QByteArray after = lastBlock(m_sim->output(), "base");
    QCOMPARE(after.size(), 130);
    QCOMPARE(after.mid(9, 4), QByteArray::fromHex("4D02010A")); // 10.1.2.77, low byte first
    // Everything the Q2 panel does not define is the module's own: the bytes no setting uses,
    // the flag bits no control shows, the port block's reserved tail.
    for (int i : {0, 1, 2, 8, 49, 50, 51, 64, 65, 66, 67 + 46, 67 + 47, 67 + 48, 67 + 49, 67 + 57})
        QCOMPARE(quint8(after.at(i)), quint8(before.at(i)));
    QCOMPARE(quint8(after.at(3)) & 0x4A, quint8(before.at(3)) & 0x4A);
    QCOMPARE(quint8(after.at(67 + 50)) & 0x03, quint8(before.at(67 + 50)) & 0x03);
    // Fields the user did not touch went back unchanged.
    QCOMPARE(after.mid(13, 8), before.mid(13, 8));
    QCOMPARE(after.mid(21, 16), before.mid(21, 16));
    QCOMPARE(after.mid(67, 46), before.mid(67, 46));
}

void TestE2eSerial::splitReplyIsOnlyLogged()
{
    // A reply with a pause longer than the burst silence arrives as two bursts of other lengths.
    startWith({"--serial-split-ms", "150"});
    runAndWait(child<QPushButton>("btn_ComRead"));
    const QStringList hex = child<LogView>("redt_Hex")->lines();
    QVERIFY(hex.contains(QStringLiteral("[ Length : 68 ]")));
    QVERIFY(hex.contains(QStringLiteral("[ Length : 69 ]")));
    QVERIFY(!hex.contains(QStringLiteral("[ Length : 137 ]")));
    QVERIFY(!m_sim->output().contains("frame 55 C1"));
    QCOMPARE(m_window->currentLayout(), MainWindow::Layout::ListOnly);
}

void TestE2eSerial::q2WriteBeforeAReadIsRefused()
{
    startWith({});
    const QByteArray output = m_sim->output();
    // The Q2 tab is reachable on the COM tab once the parameter pages show.
    m_window->setLayout(MainWindow::Layout::Q2);
    child<QPushButton>("btn_Q2ComSet")->click();
    QVERIFY(!m_window->comPath()->isRunning());
    QVERIFY(logLines().contains(text("lang_ComReadFirst")));
    QTest::qWait(200);
    QCOMPARE(m_sim->output(), output); // nothing reached the module
}

void TestE2eSerial::q1ReadAndWrite()
{
    startWith({"--model", "Q1", "--ip", "10.9.8.7"});
    m_sim->process().write("dump\n");
    QTRY_COMPARE(dumpCount(m_sim->output()), 1);
    const QByteArray before = lastBlock(m_sim->output(), "q1");
    QCOMPARE(before.size(), 28);

    runAndWait(child<QPushButton>("btn_ComRead"));
    QCOMPARE(m_window->currentLayout(), MainWindow::Layout::Q1);
    QCOMPARE(child<QLineEdit>("edt_ModuleIP")->text(), QStringLiteral("10.9.8.7"));
    QCOMPARE(child<QComboBox>("cbb_BaudRate")->currentText(), QStringLiteral("57600"));
    QCOMPARE(child<QComboBox>("cbb_P")->currentText(), QStringLiteral("EVEN"));
    QCOMPARE(child<QLineEdit>("edt_ID")->text(), QStringLiteral("1234"));
    QVERIFY(child<QCheckBox>("chk_RS485")->isChecked());
    QVERIFY(!child<QCheckBox>("chk_RS422")->isChecked());
    QCOMPARE(child<QComboBox>("cbb_ModuleWork")->currentIndex(), 1);
    QVERIFY(child<QLineEdit>("edt_DeIP")->isEnabled());
    QVERIFY(logLines().contains(text("lang_ts_Read") + text("lang_ts_OK")));

    auto *port = child<QLineEdit>("edt_ModulePort");
    port->clear();
    QTest::keyClicks(port, QStringLiteral("4660")); // 0x1234
    runAndWait(child<QPushButton>("btn_ComSet"));
    QVERIFY(logLines().contains(text("lang_Ts_ComSetOk")));
    QTRY_VERIFY(dumpCount(m_sim->output()) >= 2);
    QByteArray expected = before;
    expected[10] = char(0x34);
    expected[11] = char(0x12);
    QCOMPARE(lastBlock(m_sim->output(), "q1").toHex(' '), expected.toHex(' '));

    // A field that does not convert refuses the write and names the field.
    const int dumps = dumpCount(m_sim->output());
    port->setText(QStringLiteral("70000"));
    child<QPushButton>("btn_ComSet")->click();
    QVERIFY(!m_window->comPath()->isRunning());
    QVERIFY(logLines().last().contains(child<QLabel>("lbl_ModulePort")->text()));
    QTest::qWait(200);
    QCOMPARE(dumpCount(m_sim->output()), dumps);
}

void TestE2eSerial::q1ReplyWithAWrongSumChangesNothing()
{
    startWith({"--model", "Q1", "--ip", "10.9.8.7", "--serial-bad-sum"});
    m_window->setLayout(MainWindow::Layout::Q1);
    const QString shownIp = child<QLineEdit>("edt_ModuleIP")->text();
    runAndWait(child<QPushButton>("btn_ComRead"));
    QVERIFY(logLines().contains(text("lang_DataHeadOrChkErr")));
    QCOMPARE(child<QLineEdit>("edt_ModuleIP")->text(), shownIp);
    QVERIFY(!logLines().contains(text("lang_ts_Read") + text("lang_ts_OK")));
}

void TestE2eSerial::missingPortIsReported()
{
    qputenv("X7_SERIAL_PORTS", "/dev/x7-no-such-port");
    m_window = new MainWindow;
    m_window->show();
    child<QTabWidget>("rzpgcntrl_Srch")->setCurrentIndex(1);
    auto *ports = child<QComboBox>("cbb_SelectCom");
    ports->setCurrentIndex(ports->findText(QStringLiteral("/dev/x7-no-such-port")));
    runAndWait(child<QPushButton>("btn_ComRead"));
    const QStringList lines = logLines();
    const QStringList expected = {text("lang_ComIsNo"), text("lang_ComMissing"),
                                  text("lang_Ts_ComSendFailure"), text("lang_ComIsClose")};
    QCOMPARE(lines.mid(lines.size() - 4), expected);
}

void TestE2eSerial::screenshots()
{
    const QString dir = QString::fromLocal8Bit(qgetenv("X7_SCREENSHOT_DIR"));
    if (dir.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to write screenshots");
    startWith({"--model", "Q1", "--ip", "10.9.8.7"});
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
    runAndWait(child<QPushButton>("btn_ComRead"));
    m_window->resize(m_window->width(), 640);
    QTest::qWait(200);
    QVERIFY(m_window->grab().save(dir + QStringLiteral("/q1_cn.png")));
    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(dir + QStringLiteral("/q1_en.png")));
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
}

QTEST_MAIN(TestE2eSerial)
#include "tst_e2e_serial.moc"
