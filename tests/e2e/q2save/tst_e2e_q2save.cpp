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
#include "support/SimProcess.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
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

// The last dump of one block of one module: "block <MAC> <name> <hex>".
QByteArray lastBlock(const QByteArray &output, const QByteArray &mac, const QByteArray &name)
{
    QByteArray found;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 4 && parts.at(0) == "block" && parts.at(1) == mac &&
            parts.at(2) == name)
            found = QByteArray::fromHex(parts.at(3));
    }
    return found;
}

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
    void oldFirmwareGetsNoHeartbeatOrHttpdFrames();
    void emptyDnsStopsTheSave();
    void wrongLoginOpensTheLoginDialog();
    void screenshots();

private:
    void searchAndClick(const QString &mac);
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
    searchAndClick(QStringLiteral("D8 B0 4C 00 A0 01"));
    QTRY_COMPARE(child<QLineEdit>("edt_StaticIP")->text(), QStringLiteral("192.168.0.7"));
    QTest::qWait(300); // the remaining blocks of the read
    // What the module sent at the read, as the endpoint stored it.
    const QByteArray baseBefore = m_window->endpoint()->stored().param;
    QCOMPARE(baseBefore.size(), 130);

    child<QComboBox>("cbb_AddrType")->setCurrentIndex(1);
    auto *ip = child<QLineEdit>("edt_StaticIP");
    ip->clear();
    QTest::keyClicks(ip, QStringLiteral("192.168.0.77"));
    const int first = int(m_sent.size());
    QSignalSpy finished(m_window->saveRunner(), &SaveRunner::finished);
    child<QPushButton>("btn_Q2NetSet")->click();
    QVERIFY(!child<QPushButton>("btn_Q2NetSet")->isEnabled()); // disabled while the plan runs
    QVERIFY(finished.wait(10000));
    QVERIFY(child<QPushButton>("btn_Q2NetSet")->isEnabled());

    const QList<Sent> frames = m_sent.mid(first);
    QVERIFY(frames.size() >= 3);
    QCOMPARE(frames.first().code, quint8(0x05));
    QCOMPARE(frames.at(1).code, quint8(0x06));
    QCOMPARE(frames.last().code, quint8(0x02));
    QVERIFY(frames.at(1).atMs - frames.at(0).atMs >= 490);
    QVERIFY(frames.last().atMs - frames.at(frames.size() - 2).atMs >= 1490);
    QList<quint8> codes;
    for (const Sent &s : frames)
        codes << s.code;
    QVERIFY(codes.contains(0x21)); // version 4017 writes its heartbeat and registration block

    // The module's memory now holds the new address (stored low byte first) and static mode;
    // every byte the panel does not define is as it was.
    QTRY_COMPARE(lastBlock(m_sim.output(), "D8B04C00A001", "base").size(), 130);
    const QByteArray baseAfter = lastBlock(m_sim.output(), "D8B04C00A001", "base");
    QCOMPARE(baseAfter.mid(9, 4), QByteArray::fromHex("4D00A8C0"));
    QVERIFY(quint8(baseAfter.at(3)) & 0x80);
    // Bytes the program does not interpret go back as the module sent them.
    for (int i : {0, 1, 2, 8, 49, 50, 51})
        QCOMPARE(quint8(baseAfter.at(i)), quint8(baseBefore.at(i)));
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
