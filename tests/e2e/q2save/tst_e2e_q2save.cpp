// Reading and saving a Q2 module from the main window against x7sim over loopback: the panel is
// filled from the module's blocks, a save writes the edits and nothing else, frames keep their
// order and pauses, and a refused login or a failed validation behaves as the user expects.

#include "app/LogView.h"
#include "app/MainWindow.h"

#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lan/SavePlan.h"
#include "lang/LangList.h"
#include "q2panel/Q2Panel.h"
#include "support/SimDump.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Sent
{
    quint8 code;
    quint16 port;
    qint64 atMs;
};

using Blocks = SimBlocks;

} // namespace

class TestE2eQ2Save : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void readFillsThePanel();
    void saveWritesTheEditsOnly();
    void saveCannotBeCutOrInterleaved();
    void refusedSaveNamesAndFocusesTheField_data();
    void refusedSaveNamesAndFocusesTheField();
    void oldFirmwareGetsNoHeartbeatOrHttpdFrames();
    void emptyDnsStopsTheSave();
    void wrongLoginOpensTheLoginDialog();
    void screenshots();

private:
    void searchAndClick(const QString &mac);
    // Reads the module as the user does and waits for every block of the answer.
    void readModule(const QString &mac);
    // The simulator's memory of one module, asked for on its standard input.
    Blocks simMemory(const QByteArray &mac);
    template<typename T> T *child(const char *name)
    {
        T *w = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }

    QTemporaryDir m_files;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    QList<Sent> m_sent;
    QElapsedTimer m_clock;
    QStringList m_messages;
};

void TestE2eQ2Save::initTestCase()
{
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());
    QVERIFY2(m_sim.start("X7SIM",
                         {"--count", "2", "--version", "4017,4016", "--mac",
                          "D8B04C00A001,D8B04C00A002", "--restart-ms", "0", "--dump-after-write"}),
             m_sim.errors().constData());
    MainWindow::setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
}

void TestE2eQ2Save::init()
{
    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    m_window = new MainWindow;
    m_window->show();
    m_sent.clear();
    m_messages.clear();
    m_clock.start();
    connect(
        m_window->endpoint(), &ModuleEndpoint::dataSent, this,
        [this](const QByteArray &frame, const QString &, const QString &, quint16 port, quint16) {
            m_sent.append({quint8(frame.at(2)), port, m_clock.elapsed()});
        });
}

void TestE2eQ2Save::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestE2eQ2Save::searchAndClick(const QString &mac)
{
    child<QPushButton>("btn_Search")->click();
    QTRY_COMPARE(m_window->devices()->rowCount(), 2);
    auto *list = child<QTableView>("lv_Dev");
    int row = -1;
    for (int r = 0; r < list->model()->rowCount(); ++r)
        if (list->model()->index(r, DeviceListModel::ColMac).data().toString() == mac)
            row = r;
    QVERIFY(row >= 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
    QTRY_COMPARE(m_window->currentLayout(), MainWindow::Layout::Q2);
}

void TestE2eQ2Save::readModule(const QString &mac)
{
    searchAndClick(mac);
    QTRY_VERIFY(!child<QLineEdit>("edt_StaticIP")->text().isEmpty());
    QTest::qWait(300); // the remaining blocks of the read
}

Blocks TestE2eQ2Save::simMemory(const QByteArray &mac)
{
    return dumpSimMemory(m_sim).value(mac);
}

void TestE2eQ2Save::readFillsThePanel()
{
    searchAndClick(QStringLiteral("D8 B0 4C 00 A0 01"));
    QTRY_COMPARE(child<QLineEdit>("edt_StaticIP")->text(), QStringLiteral("192.168.0.7"));
    QVERIFY(!child<QLineEdit>("edt_ModName")->text().isEmpty());
    auto *log = child<LogView>("redt_Log");
    QTRY_VERIFY(log->lines().contains(langText(QStringLiteral("lang_ts_Read")) +
                                      langText(QStringLiteral("lang_ts_OK"))));
}

void TestE2eQ2Save::saveWritesTheEditsOnly()
{
    readModule(QStringLiteral("D8 B0 4C 00 A0 01"));
    QTRY_COMPARE(child<QLineEdit>("edt_StaticIP")->text(), QStringLiteral("192.168.0.7"));
    // The module's memory before, from the simulator itself.
    const Blocks before = simMemory("D8B04C00A001");
    QCOMPARE(before.value("base").size(), 130);
    QVERIFY(before.contains("heart") && before.contains("httpd") && before.contains("cloud"));

    child<QComboBox>("cbb_AddrType")->setCurrentIndex(1);
    auto *ip = child<QLineEdit>("edt_StaticIP");
    ip->clear();
    QTest::keyClicks(ip, QStringLiteral("192.168.0.77"));
    const int first = int(m_sent.size());
    const qsizetype simFrom = m_sim.output().size();
    QSignalSpy finished(m_window->saveRunner(), &SaveRunner::finished);
    child<QPushButton>("btn_Q2NetSet")->click();
    QVERIFY(!child<QPushButton>("btn_Q2NetSet")->isEnabled()); // disabled while the plan runs
    QVERIFY(finished.wait(10000));
    QVERIFY(child<QPushButton>("btn_Q2NetSet")->isEnabled());

    const QList<Sent> frames = m_sent.mid(first);
    QList<quint8> codes;
    for (const Sent &s : frames) {
        codes << s.code;
        QCOMPARE(s.port, quint16(1500)); // a Q2 takes its commands on 1500
    }
    // Version 4017 gets its heartbeat/registration block; no cloud registration, no HTTPD
    // client and no Modbus block, so nothing else.
    QCOMPARE(codes, QList<quint8>({0x05, 0x06, 0x21, 0x02}));
    QVERIFY(frames.at(1).atMs - frames.at(0).atMs >= 490);
    QVERIFY(frames.last().atMs - frames.at(frames.size() - 2).atMs >= 1490);
    // The module took every frame on its port and acknowledged each one.
    QTRY_COMPARE(m_sim.output().mid(simFrom).count("K for 0x"), qsizetype(4));
    const QByteArray simLog = m_sim.output().mid(simFrom);
    QCOMPARE(simLog.count("-> :1500  FF"), qsizetype(4));
    QVERIFY(!simLog.contains("ignored"));

    // Every byte of every block is as it was, fill bytes and flag bits included, except the new
    // address (stored low byte first) and the static-address flag.
    Blocks expected = before;
    expected["base"].replace(9, 4, QByteArray::fromHex("4D00A8C0"));
    expected["base"][3] = char(quint8(before.value("base").at(3)) | 0x80);
    const QStringList diff = blockDifferences(expected, simMemory("D8B04C00A001"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QLatin1Char('\n'))));
}

void TestE2eQ2Save::saveCannotBeCutOrInterleaved()
{
    readModule(QStringLiteral("D8 B0 4C 00 A0 01"));
    const Blocks before = simMemory("D8B04C00A001");
    auto *name = child<QLineEdit>("edt_ModName");
    name->setText(QStringLiteral("Kept-Whole"));
    auto *log = child<LogView>("redt_Log");
    auto *search = child<QPushButton>("btn_Search");
    auto *list = child<QTableView>("lv_Dev");
    auto *restart = m_window->findChild<QAction *>(QStringLiteral("mni_Restart"));
    auto *reset = m_window->findChild<QAction *>(QStringLiteral("mni_Reset"));
    QVERIFY(restart->isEnabled() && reset->isEnabled() && search->isEnabled());

    const int first = int(m_sent.size());
    const qsizetype simFrom = m_sim.output().size();
    QSignalSpy finished(m_window->saveRunner(), &SaveRunner::finished);
    child<QPushButton>("btn_Q2NetSet")->click();
    QTRY_COMPARE(m_sent.size(), first + 1); // the base block is out; the rest is to come

    // Every control that sends frames is off while the save runs.
    for (QWidget *w : {static_cast<QWidget *>(search), static_cast<QWidget *>(list),
                       static_cast<QWidget *>(child<QPushButton>("btn_Q2NetSet")),
                       static_cast<QWidget *>(child<QPushButton>("btn_Q2ComSet"))})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!restart->isEnabled() && !reset->isEnabled());
    // What gets past a disabled control still sends nothing between the save's frames.
    search->click();
    restart->trigger();
    reset->trigger();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    m_window->startSearch();

    // Closing waits for the save and says so, in the dark red of instructions.
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_CloseWaits")));
    QCOMPARE(log->lineColor(int(log->lines().size()) - 1), QColor(128, 0, 0));

    QVERIFY(finished.wait(10000));
    QTRY_VERIFY(!m_window->isVisible()); // closed as soon as the save ended
    QList<quint8> codes;
    for (const Sent &s : m_sent.mid(first))
        codes << s.code;
    QCOMPARE(codes, QList<quint8>({0x05, 0x06, 0x21, 0x02}));

    // The module got the whole save: the new name in its base block, its restart acknowledged.
    QTRY_VERIFY(m_sim.output().mid(simFrom).contains("K for 0x02"));
    Blocks expected = before;
    expected["base"].replace(21, 16, QByteArray("Kept-Whole").leftJustified(16, '\0'));
    const QStringList diff = blockDifferences(expected, simMemory("D8B04C00A001"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QLatin1Char('\n'))));
}

void TestE2eQ2Save::refusedSaveNamesAndFocusesTheField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("labelKey");
    QTest::addColumn<bool>("hexHeartbeat"); // a custom heartbeat with its data as hex digits

    // 300.1.2.3 must not become 44.1.2.3 on the module.
    QTest::newRow("IP part above 255") << "edt_StaticIP"
                                       << "300.1.2.3"
                                       << "lang_Lbl_StaticIP" << false;
    QTest::newRow("gateway of three parts") << "edt_GatewayIP"
                                            << "192.168.0"
                                            << "lang_Lbl_Gateway" << false;
    QTest::newRow("mask part above 255") << "edt_SubnetMask"
                                         << "255.255.256.0"
                                         << "lang_Lbl_SubnetMask" << false;
    QTest::newRow("bad hex pair in the heartbeat data") << "edtHeartDt"
                                                        << "313G"
                                                        << "lang_lblHeartDt" << true;
}

void TestE2eQ2Save::refusedSaveNamesAndFocusesTheField()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, labelKey);
    QFETCH(bool, hexHeartbeat);

    readModule(QStringLiteral("D8 B0 4C 00 A0 01"));
    const Blocks before = simMemory("D8B04C00A001");
    Q2Panel *panel = m_window->q2Panel();
    if (hexHeartbeat) {
        panel->rzComboBox1->setCurrentIndex(2);
        panel->cbbHeartPackType->setCurrentIndex(1);
        panel->rzchckbxHeartDtHex->setChecked(true);
    }
    auto *edit = m_window->findChild<QLineEdit *>(field);
    QVERIFY(edit);
    edit->setText(text);
    panel->btn_Q2NetSet->setFocus();
    const int first = int(m_sent.size());
    m_messages.clear();
    panel->btn_Q2NetSet->click();
    QTest::qWait(700);

    QCOMPARE(m_sent.size(), first);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(langText(labelKey)), qPrintable(m_messages.first()));
    auto *log = child<LogView>("redt_Log");
    QCOMPARE(log->lines().last(), m_messages.first());
    QCOMPARE(m_window->focusWidget(), edit);
    const QStringList diff = blockDifferences(before, simMemory("D8B04C00A001"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QLatin1Char('\n'))));
}

void TestE2eQ2Save::oldFirmwareGetsNoHeartbeatOrHttpdFrames()
{
    // Firmware 4016 has no heartbeat/registration or HTTPD block; its save must still go out,
    // without the frames those blocks need.
    searchAndClick(QStringLiteral("D8 B0 4C 00 A0 02"));
    QTRY_VERIFY(!child<QLineEdit>("edt_StaticIP")->text().isEmpty());
    QTest::qWait(300);
    const int first = int(m_sent.size());
    QSignalSpy finished(m_window->saveRunner(), &SaveRunner::finished);
    child<QPushButton>("btn_Q2NetSet")->click();
    QVERIFY2(finished.wait(10000), qPrintable(m_messages.join(QLatin1Char('|'))));
    const QList<Sent> frames = m_sent.mid(first);
    QCOMPARE(frames.first().code, quint8(0x05));
    QCOMPARE(frames.last().code, quint8(0x02));
    for (const Sent &s : frames)
        QVERIFY2(s.code != 0x21 && s.code != 0x22 && s.code != 0x23,
                 qPrintable(QString::number(s.code, 16)));
}

void TestE2eQ2Save::emptyDnsStopsTheSave()
{
    searchAndClick(QStringLiteral("D8 B0 4C 00 A0 01"));
    QTRY_VERIFY(!child<QLineEdit>("edtDns")->text().isEmpty());
    QTest::qWait(300);
    child<QLineEdit>("edtDns")->clear();
    const int first = int(m_sent.size());
    child<QPushButton>("btn_Q2NetSet")->click();
    QTest::qWait(700);
    QCOMPARE(m_sent.size(), first);
    QVERIFY(!m_window->saveRunner()->isRunning());
}

void TestE2eQ2Save::wrongLoginOpensTheLoginDialog()
{
    m_window->setCredentials({QStringLiteral("wrong"), QStringLiteral("nope")});
    QSignalSpy login(m_window, &MainWindow::loginRequested);
    child<QPushButton>("btn_Search")->click();
    QTRY_COMPARE(m_window->devices()->rowCount(), 2);
    auto *list = child<QTableView>("lv_Dev");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QTRY_COMPARE(login.size(), 1);
    QTRY_VERIFY(m_window->loginDialog()->isVisible());
    auto *log = child<LogView>("redt_Log");
    QVERIFY(log->lines().contains(langText(QStringLiteral("lang_Hint_PswdErr"))));
    m_window->loginDialog()->reject();
}

void TestE2eQ2Save::screenshots()
{
    const QString dir = QString::fromLocal8Bit(qgetenv("X7_SCREENSHOT_DIR"));
    if (dir.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to write screenshots");
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
    searchAndClick(QStringLiteral("D8 B0 4C 00 A0 01"));
    QTest::qWait(400);
    m_window->resize(m_window->width(), 760);
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(dir + QStringLiteral("/q2_cn.png")));
    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(dir + QStringLiteral("/q2_en.png")));
}

QTEST_MAIN(TestE2eQ2Save)
#include "tst_e2e_q2save.moc"
