// The main window against x7sim over loopback, driven by its controls' object names.

#include "app/LogView.h"
#include "app/MainWindow.h"

#include "common/ValueHelpers.h"
#include "dialogs/WebAddress.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lang/LangList.h"
#include "support/SimProcess.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct SentFrame
{
    QByteArray bytes;
    quint16 port;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void searchFillsListAndLogsTheFrame();
    void clickReadsByKind();
    void rightClickReadsBeforeMenuShows();
    void restartAndFactoryResetPerKind();
    void clipboard();
    void exportWritesCsv();
    void webPageAddress();
    void statusReactions();
    void languageSwitchRelabels();
    void sortingKeepsTheClickedRow();
    void screenshots();

private:
    void search();
    int viewRowOfMac(const QString &mac) const;
    void clickRow(int viewRow);
    QList<SentFrame> sentSince(int first) const;

    QTemporaryDir m_files;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    QTableView *m_list = nullptr;
    QList<SentFrame> m_sent;
    QStringList m_messages;
    QList<QUrl> m_urls;
};

void TestMainWindow::initTestCase()
{
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());
    QVERIFY2(
        m_sim.start("X7SIM", {"--count", "3", "--model", "Q2,Q3,Q2", "--version", "4017,4017,2001",
                              "--mac", "D8B04C000001,D8B04C000002,D8B04C000003", "--name",
                              QStringLiteral("泵站-1,Boiler,Old"), "--restart-ms", "0"}),
        m_sim.errors().constData());
    setWebAddressOpener([this](const QUrl &url) { m_urls << url; });
    MainWindow::setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
}

void TestMainWindow::init()
{
    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    // Every test starts from the defaults, whatever an earlier one saved.
    QFile::remove(QDir(m_files.path()).filePath(QStringLiteral("Cfg.ini")));
    m_window = new MainWindow;
    m_window->show();
    m_list = m_window->findChild<QTableView *>(QStringLiteral("lv_Dev"));
    QVERIFY(m_list);
    m_sent.clear();
    m_messages.clear();
    m_urls.clear();
    connect(
        m_window->endpoint(), &ModuleEndpoint::dataSent, this,
        [this](const QByteArray &frame, const QString &, const QString &, quint16 port, quint16) {
            m_sent.append({frame, port});
        });
}

void TestMainWindow::cleanup()
{
    delete m_window;
    m_window = nullptr;
    setIsChinese(true);
}

void TestMainWindow::search()
{
    m_window->findChild<QPushButton *>(QStringLiteral("btn_Search"))->click();
    QTRY_COMPARE(m_window->devices()->rowCount(), 3);
}

int TestMainWindow::viewRowOfMac(const QString &mac) const
{
    for (int r = 0; r < m_list->model()->rowCount(); ++r)
        if (m_list->model()->index(r, DeviceListModel::ColMac).data().toString() == mac)
            return r;
    return -1;
}

void TestMainWindow::clickRow(int viewRow)
{
    QVERIFY(viewRow >= 0);
    const QRect rect = m_list->visualRect(m_list->model()->index(viewRow, 0));
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, rect.center());
}

QList<SentFrame> TestMainWindow::sentSince(int first) const
{
    return m_sent.mid(first);
}

void TestMainWindow::searchFillsListAndLogsTheFrame()
{
    search();
    auto *hex = m_window->findChild<LogView *>(QStringLiteral("redt_Hex"));
    auto *log = m_window->findChild<LogView *>(QStringLiteral("redt_Log"));
    const QStringList lines = hex->lines();
    // The sent search: an empty line, the direction and length in blue, the bytes.
    QVERIFY(lines.size() >= 4);
    QCOMPARE(lines.at(0), QString());
    QVERIFY(lines.at(1).startsWith(QStringLiteral("[ 127.0.0.1 : ")));
    QVERIFY(lines.at(1).endsWith(QStringLiteral(" ] → [ 255.255.255.255 : 1500 ]")));
    QCOMPARE(hex->lineColor(1), QColor(0, 0, 255));
    QCOMPARE(lines.at(2), QStringLiteral("[ Length : 4 ]"));
    QCOMPARE(hex->lineColor(2), QColor(0, 0, 255));
    QCOMPARE(lines.at(3), QStringLiteral("FF 01 01 02 "));
    // Answers are logged in green with the module's port.
    QTRY_VERIFY(hex->lines().filter(QStringLiteral("← [ 127.0.0.1 : 1901 ]")).size() == 1);
    QVERIFY(log->lines().contains(langText(QStringLiteral("lang_H_lv_Dev"))));
    QVERIFY(log->lines().contains(langText(QStringLiteral("lang_Hint_Sending"))));

    const DeviceEntry &first = m_window->devices()->entry(viewRowOfMac("D8 B0 4C 00 00 01"));
    QCOMPARE(first.name, QStringLiteral("泵站-1"));
    QCOMPARE(first.ip, QStringLiteral("192.168.0.7"));
    QCOMPARE(first.version, QStringLiteral("4017"));

    // A second search clears both logs and the list before the answers arrive.
    log->appendLine(QStringLiteral("old line"));
    search();
    QVERIFY(!log->lines().contains(QStringLiteral("old line")));
}

void TestMainWindow::clickReadsByKind()
{
    search();
    int first = int(m_sent.size());
    clickRow(viewRowOfMac("D8 B0 4C 00 00 01"));
    auto frames = sentSince(first);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.at(0).port, quint16(1500));
    QCOMPARE(frames.at(0).bytes.left(9), QByteArray::fromHex("FF1303D8B04C000001"));

    first = int(m_sent.size());
    clickRow(viewRowOfMac("D8 B0 4C 00 00 02"));
    frames = sentSince(first);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames.at(0).port, quint16(1901));

    // An unsupported module is not read.
    first = int(m_sent.size());
    clickRow(viewRowOfMac("D8 B0 4C 00 00 03"));
    QCOMPARE(sentSince(first).size(), 0);
    auto *log = m_window->findChild<LogView *>(QStringLiteral("redt_Log"));
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_VerIncompatible")));
    QCOMPARE(log->lineColor(int(log->lines().size()) - 1), QColor(255, 0, 0));
    QCOMPARE(m_window->currentLayout(), MainWindow::Layout::ListOnly);
}

void TestMainWindow::rightClickReadsBeforeMenuShows()
{
    search();
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("pm_NetDev"));
    int framesWhenShown = -1;
    const int first = int(m_sent.size());
    connect(menu, &QMenu::aboutToShow, this, [&] { framesWhenShown = int(m_sent.size()) - first; });
    const QRect rect =
        m_list->visualRect(m_list->model()->index(viewRowOfMac("D8 B0 4C 00 00 01"), 0));
    emit m_list->customContextMenuRequested(rect.center());
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(framesWhenShown, 1);
    QCOMPARE(quint8(m_sent.at(first).bytes.at(2)), quint8(0x03));
    menu->close();
}

void TestMainWindow::restartAndFactoryResetPerKind()
{
    search();
    auto *restart = m_window->findChild<QAction *>(QStringLiteral("mni_Restart"));
    auto *reset = m_window->findChild<QAction *>(QStringLiteral("mni_Reset"));
    struct Case
    {
        const char *mac;
        quint16 resetPort; // 0: no frame
    };
    for (const Case &c : {Case{"D8 B0 4C 00 00 01", 1500}, Case{"D8 B0 4C 00 00 02", 1901},
                          Case{"D8 B0 4C 00 00 03", 0}}) {
        clickRow(viewRowOfMac(QString::fromLatin1(c.mac)));
        // The device actions are offered while a module's parameters are on screen.
        m_window->setLayout(MainWindow::Layout::Q2);
        int first = int(m_sent.size());
        restart->trigger();
        auto frames = sentSince(first);
        QCOMPARE(frames.size(), 1);
        QCOMPARE(frames.at(0).port, quint16(1500)); // restart always goes to 1500
        QCOMPARE(quint8(frames.at(0).bytes.at(2)), quint8(0x02));
        QCOMPARE(frames.at(0).bytes.mid(3, 6), *macTextToBytes(QString::fromLatin1(c.mac)));

        first = int(m_sent.size());
        reset->trigger();
        frames = sentSince(first);
        QCOMPARE(frames.size(), c.resetPort ? 1 : 0);
        if (c.resetPort) {
            QCOMPARE(frames.at(0).port, c.resetPort);
            QCOMPARE(quint8(frames.at(0).bytes.at(2)), quint8(0x0B));
        }
    }
}

void TestMainWindow::clipboard()
{
    search();
    clickRow(viewRowOfMac("D8 B0 4C 00 00 02"));
    m_window->findChild<QAction *>(QStringLiteral("mni_CopyTheMac"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("D8 B0 4C 00 00 02"));
    m_window->findChild<QAction *>(QStringLiteral("mni_CopeAllMac"))->trigger();
    QStringList expected;
    for (const DeviceEntry &e : m_window->devices()->entries())
        expected << e.mac;
    QCOMPARE(QApplication::clipboard()->text(), expected.join(QStringLiteral("\r\n")));
    QVERIFY(!QApplication::clipboard()->text().endsWith(QLatin1Char('\n')));
}

void TestMainWindow::exportWritesCsv()
{
    // Nothing to export before a search.
    m_window->findChild<QAction *>(QStringLiteral("mniExporDevs"))->trigger();
    QVERIFY(m_messages.isEmpty());

    search();
    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    m_window->findChild<QAction *>(QStringLiteral("mniExporDevs"))->trigger();
    QCOMPARE(m_messages.size(), 1);
    const QString path = m_messages.first();
    QVERIFY2(QRegularExpression(QStringLiteral("/Export Devices \\d{8} \\d{6} - \\(3\\)\\.csv$"))
                 .match(path)
                 .hasMatch(),
             qPrintable(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 5); // header, three rows, the empty rest after the last CR LF
    QVERIFY(lines.at(0).endsWith(QStringLiteral("IP,Name,MAC,Ver")));
    QVERIFY(lines.contains(QStringLiteral("192.168.0.7,泵站-1,D8 B0 4C 00 00 01,4017")));
    file.remove();
}

void TestMainWindow::webPageAddress()
{
    search();
    clickRow(viewRowOfMac("D8 B0 4C 00 00 01"));
    m_window->setLayout(MainWindow::Layout::Q2);
    m_window->findChild<QAction *>(QStringLiteral("mni_OpenWeb"))->trigger();
    QCOMPARE(m_urls, QList<QUrl>({QUrl(QStringLiteral("http://192.168.0.7:80"))}));
}

void TestMainWindow::statusReactions()
{
    QSignalSpy login(m_window, &MainWindow::loginRequested);
    auto *log = m_window->findChild<LogView *>(QStringLiteral("redt_Log"));
    ModuleEndpoint *udp = m_window->endpoint();
    udp->handleDatagram(QByteArray::fromHex("FF010550"), QStringLiteral("127.0.0.1"), 1500, 0);
    QCOMPARE(login.size(), 1);
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_PswdErr")));
    udp->handleDatagram(QByteArray::fromHex("FF01054B"), QStringLiteral("127.0.0.1"), 1500, 0);
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_ACK")));
    QCOMPARE(log->lineColor(int(log->lines().size()) - 1), QColor(0, 128, 0));
    udp->handleDatagram(QByteArray::fromHex("457F"), QStringLiteral("127.0.0.1"), 1500, 0);
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_CheckErr")) + "7F");
    udp->handleDatagram(QByteArray(7, 0), QStringLiteral("127.0.0.1"), 1500, 0);
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_ReceiveOther")) + "7");
    m_window->setLayout(MainWindow::Layout::Q2);
    udp->handleDatagram(QByteArray(193, 0), QStringLiteral("127.0.0.1"), 1500, 0);
    QCOMPARE(m_window->currentLayout(), MainWindow::Layout::ListOnly);
    QCOMPARE(log->lines().last(), langText(QStringLiteral("lang_Hint_VerIncompatible")));
}

void TestMainWindow::languageSwitchRelabels()
{
    auto *search = m_window->findChild<QPushButton *>(QStringLiteral("btn_Search"));
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
    const QString chinese = search->text();
    QCOMPARE(chinese, QStringLiteral("搜索设备"));
    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    QVERIFY(!isChinese());
    QCOMPARE(search->text(), langText(QStringLiteral("lang_btn_Search")));
    QVERIFY(search->text() != chinese);
    QVERIFY(m_window->windowTitle().startsWith(langText(QStringLiteral("lang_Main_Title")) + " V"));
    QCOMPARE(m_window->devices()->headerData(0, Qt::Horizontal).toString(),
             langText(QStringLiteral("lang_Lv_DevIP")));
    // The choice is written at once.
    QFile cfg(QDir(m_files.path()).filePath(QStringLiteral("Cfg.ini")));
    QVERIFY(cfg.open(QIODevice::ReadOnly));
    QVERIFY(cfg.readAll().contains("Language=0"));
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
    QCOMPARE(search->text(), chinese);
}

void TestMainWindow::sortingKeepsTheClickedRow()
{
    search();
    // Sort by MAC descending: the view order changes, the row a click reads does not.
    m_list->sortByColumn(DeviceListModel::ColMac, Qt::DescendingOrder);
    QCOMPARE(m_list->model()->index(0, DeviceListModel::ColMac).data().toString(),
             QStringLiteral("D8 B0 4C 00 00 03"));
    const int first = int(m_sent.size());
    clickRow(viewRowOfMac("D8 B0 4C 00 00 01"));
    QCOMPARE(sentSince(first).size(), 1);
    QCOMPARE(sentSince(first).at(0).bytes.mid(3, 6), QByteArray::fromHex("D8B04C000001"));
    // A repeated answer is still dropped while sorted.
    m_window->endpoint()->search();
    QTest::qWait(200);
    QCOMPARE(m_window->devices()->rowCount(), 3);
}

void TestMainWindow::screenshots()
{
    const QByteArray dir = qgetenv("X7_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to write screenshots");
    m_window->findChild<QAction *>(QStringLiteral("mni_Cn"))->trigger();
    search();
    m_window->resize(m_window->width(), 620);
    QTest::qWait(100);
    QVERIFY(m_window->grab().save(QString::fromLocal8Bit(dir) + "/main_cn.png"));
    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    QTest::qWait(50);
    QVERIFY(m_window->grab().save(QString::fromLocal8Bit(dir) + "/main_en.png"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
