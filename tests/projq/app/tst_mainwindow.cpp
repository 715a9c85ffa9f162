// The main window against x7sim over loopback, driven by its controls' object names.

#include "app/HintStyle.h"
#include "app/LogView.h"
#include "app/MainWindow.h"

#include "common/ValueHelpers.h"
#include "dialogs/AboutBox.h"
#include "dialogs/WebAddress.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lang/LangList.h"
#include "q2panel/Q2Panel.h"
#include "support/SearchAnswer.h"
#include "support/SimProcess.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUdpSocket>

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
    void sortedListCopiesAndExportsInTheOrderShown();
    void emptySpaceClickShowsTheListAlone();
    void failedExportSaysWhy();
    void saveBeforeAnyReadIsRefusedWithAMessage();
    void windowTitlesReadAsTheirTexts();
    void hintWrapping_data();
    void hintWrapping();
    void hintsShowSoonWrappedInTooltipColours();
    void languageFollowsTheCheckedItem();
    void controlsAreNamedByTheirOwnCaptions();
    void fullListRefusesRowsAndSaysSoOnce();
    void giantDatagramIsLoggedByItsFirstBytes();
    void flagsShowAsIconToolTipAndCount();
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
    // A port in use: the message box says what the log line says, port number first.
    emit udp->statusReported(StPortInUse, QString());
    const QString inUse =
        QStringLiteral("1500") + langText(QStringLiteral("lang_Hint_UDPPortInUse"));
    QCOMPARE(log->lines().last(), inUse);
    QCOMPARE(m_messages, QStringList({inUse}));
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

void TestMainWindow::sortedListCopiesAndExportsInTheOrderShown()
{
    search();
    m_list->sortByColumn(DeviceListModel::ColMac, Qt::DescendingOrder);
    QStringList shown;
    for (int r = 0; r < m_list->model()->rowCount(); ++r)
        shown << m_list->model()->index(r, DeviceListModel::ColMac).data().toString();
    QCOMPARE(shown, QStringList({"D8 B0 4C 00 00 03", "D8 B0 4C 00 00 02", "D8 B0 4C 00 00 01"}));
    // Arrival order is not the order shown (the fixture makes sure of it).
    QStringList arrived;
    for (const DeviceEntry &e : m_window->devices()->entries())
        arrived << e.mac;
    QVERIFY(arrived != shown);

    m_window->findChild<QAction *>(QStringLiteral("mni_CopeAllMac"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), shown.join(QStringLiteral("\r\n")));

    m_window->findChild<QAction *>(QStringLiteral("mniExporDevs"))->trigger();
    QCOMPARE(m_messages.size(), 1);
    QFile file(m_messages.first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList exported;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n")))
        if (line.count(QLatin1Char(',')) == 3 && !line.endsWith(QStringLiteral(",Ver")))
            exported << line.section(QLatin1Char(','), 2, 2);
    QCOMPARE(exported, shown);
    file.remove();
}

void TestMainWindow::emptySpaceClickShowsTheListAlone()
{
    search();
    clickRow(viewRowOfMac("D8 B0 4C 00 00 01"));
    QTRY_COMPARE(m_window->currentLayout(), MainWindow::Layout::Q2);
    const int first = int(m_sent.size());
    // Below the last of the three rows.
    const QRect last = m_list->visualRect(m_list->model()->index(2, 0));
    const QPoint below(last.center().x(), last.bottom() + 3 * last.height());
    QVERIFY(below.y() < m_list->viewport()->height());
    QVERIFY(!m_list->indexAt(below).isValid());
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(m_window->currentLayout(), MainWindow::Layout::ListOnly);
    QVERIFY(m_list->selectionModel()->selectedRows().isEmpty());
    QCOMPARE(sentSince(first).size(), 0);
}

void TestMainWindow::failedExportSaysWhy()
{
    search();
    // The files folder is a plain file, so nothing can be created inside it.
    QFile blocker(QDir(m_files.path()).filePath(QStringLiteral("not-a-folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("X7_FILES_DIR", blocker.fileName().toLocal8Bit());
    m_window->findChild<QAction *>(QStringLiteral("mniExporDevs"))->trigger();
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());

    QCOMPARE(m_messages.size(), 1);
    const QString text = m_messages.first();
    const QString failed = langText(QStringLiteral("lang_Hint_ExportFailed"));
    QVERIFY2(text.startsWith(failed), qPrintable(text));
    QVERIFY2(text.contains(blocker.fileName() + QStringLiteral("/")), qPrintable(text));
    QVERIFY2(text.section(QStringLiteral(".csv: "), 1).size() > 0, qPrintable(text)); // the reason
    auto *log = m_window->findChild<LogView *>(QStringLiteral("redt_Log"));
    QCOMPARE(log->lines().last(), text);
    QCOMPARE(log->lineColor(int(log->lines().size()) - 1), QColor(255, 0, 0));
}

void TestMainWindow::saveBeforeAnyReadIsRefusedWithAMessage()
{
    search();
    // Selected without the click that would read it: the empty panel is refused by its check,
    // which names the first empty field and puts the cursor there.
    m_list->selectRow(viewRowOfMac("D8 B0 4C 00 00 01"));
    const int first = int(m_sent.size());
    Q2Panel *panel = m_window->q2Panel();
    panel->btn_Q2NetSet->click();
    QTest::qWait(100);
    QCOMPARE(sentSince(first).size(), 0);
    QCOMPARE(m_messages, QStringList({langText(QStringLiteral("lang_Lbl_HTTPPort")) +
                                      langText(QStringLiteral("lang_IsNull"))}));
    QCOMPARE(m_window->focusWidget(), panel->edt_HTTPServerPort);
}

void TestMainWindow::windowTitlesReadAsTheirTexts()
{
    // A display name would be added to every window title by the platform.
    QCoreApplication::setApplicationName(QStringLiteral("tst_mainwindow"));
    for (const char *lang : {"mni_En", "mni_Cn"}) {
        m_window->findChild<QAction *>(QString::fromLatin1(lang))->trigger();
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QVERIFY(m_window->windowTitle().startsWith(langText(QStringLiteral("lang_Main_Title")) +
                                                   QStringLiteral(" V")));
        QCOMPARE(m_window->aboutBox()->windowTitle(), langText(QStringLiteral("lang_About_Title")));
        QCOMPARE(m_window->loginDialog()->windowTitle(),
                 langText(QStringLiteral("lang_Log_Title")));
    }
}

void TestMainWindow::hintWrapping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addRow("English") << langText(QStringLiteral("lang_lbl_H_StaticIP")).repeated(3);
    QTest::addRow("Chinese without blanks")
        << QStringLiteral("搜索局域网内的设备需要将引脚悬空").repeated(4);
    QTest::addRow("one word wider than the box") << QStringLiteral("x").repeated(120);
    QTest::addRow("own line breaks kept") << QStringLiteral("first line\nsecond line");
}

void TestMainWindow::hintWrapping()
{
    QFETCH(QString, text);
    QFont font = QToolTip::font();
    font.setPixelSize(11);
    const QString wrapped = wrapHintText(text, font);
    const QFontMetrics metrics(font);
    for (const QString &line : wrapped.split(QLatin1Char('\n')))
        QVERIFY2(metrics.horizontalAdvance(line) <= HintStyle::kWrapWidth, qPrintable(line));
    // Nothing lost but the blanks at the breaks.
    QString flat = wrapped;
    QString original = text;
    QCOMPARE(flat.remove(QLatin1Char('\n')).remove(QLatin1Char(' ')),
             original.remove(QLatin1Char('\n')).remove(QLatin1Char(' ')));
    if (text.contains(QLatin1Char('\n')))
        QCOMPARE(wrapped, text);
    else if (metrics.horizontalAdvance(text) > HintStyle::kWrapWidth)
        QVERIFY(wrapped.contains(QLatin1Char('\n')));
}

void TestMainWindow::hintsShowSoonWrappedInTooltipColours()
{
    QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 50);
    QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase),
             QApplication::palette().color(QPalette::HighlightedText));
    QCOMPARE(QToolTip::palette().color(QPalette::ToolTipText),
             QApplication::palette().color(QPalette::ToolTipText));

    m_window->findChild<QAction *>(QStringLiteral("mni_En"))->trigger();
    m_window->setLayout(MainWindow::Layout::Q2);
    QLineEdit *ip = m_window->q2Panel()->edt_StaticIP;
    ip->setToolTip(langText(QStringLiteral("lang_lbl_H_StaticIP")).repeated(2));
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTest::mouseMove(ip, ip->rect().center());
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), wrapHintText(ip->toolTip(), QToolTip::font()));
    QVERIFY(QToolTip::text().contains(QLatin1Char('\n')));
    QWidget *tip = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits("QTipLabel") && w->isVisible())
            tip = w;
    QVERIFY(tip);
    QVERIFY2(tip->width() <= HintStyle::kWrapWidth + 20, qPrintable(QString::number(tip->width())));
    const QByteArray dir = qgetenv("X7_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        QVERIFY(tip->grab().save(QString::fromLocal8Bit(dir) + "/hint_en.png"));
    QToolTip::hideText();
}

void TestMainWindow::languageFollowsTheCheckedItem()
{
    auto *cn = m_window->findChild<QAction *>(QStringLiteral("mni_Cn"));
    auto *en = m_window->findChild<QAction *>(QStringLiteral("mni_En"));
    auto *searchButton = m_window->findChild<QPushButton *>(QStringLiteral("btn_Search"));
    QCOMPARE(cn->isChecked(), isChinese());
    QCOMPARE(en->isChecked(), !isChinese());
    // Each item checked without a click, as an accessibility tool or the keyboard may do it.
    for (QAction *item : {isChinese() ? en : cn, isChinese() ? cn : en}) {
        const bool chinese = item == cn;
        item->setChecked(true);
        QCOMPARE(isChinese(), chinese);
        QCOMPARE(cn->isChecked(), chinese);
        QCOMPARE(en->isChecked(), !chinese);
        QCOMPARE(searchButton->text(),
                 chinese ? QStringLiteral("搜索设备") : QStringLiteral("Search Device"));
        QFile cfg(QDir(m_files.path()).filePath(QStringLiteral("Cfg.ini")));
        QVERIFY(cfg.open(QIODevice::ReadOnly));
        QVERIFY(cfg.readAll().contains(chinese ? "Language=1" : "Language=0"));
    }

    // The real-time help item: unchecked by any means, no hint shows.
    auto *hint = m_window->findChild<QAction *>(QStringLiteral("mni_Hint"));
    hint->setChecked(false);
    QCOMPARE(m_window->currentSettings().realTimeHelp, false);

    // A check box of the panel changed through the accessibility interface does what a click
    // does: the heartbeat data turns into hex digits.
    Q2Panel *panel = m_window->q2Panel();
    panel->edtHeartDt->setText(QStringLiteral("1234"));
    QAccessibleInterface *box = QAccessible::queryAccessibleInterface(panel->rzchckbxHeartDtHex);
    QVERIFY(box && box->actionInterface());
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(panel->rzchckbxHeartDtHex->isChecked());
    QCOMPARE(panel->edtHeartDt->text(), QStringLiteral("31323334"));
}

void TestMainWindow::controlsAreNamedByTheirOwnCaptions()
{
    // On Linux the accessibility bus names a combo box by its value and links its caption as a
    // label relation, so inputs are judged by the name they carry.
    const auto accessibleName = [](QWidget *w) {
        if (!w->accessibleName().isEmpty() || qobject_cast<QComboBox *>(w))
            return w->accessibleName();
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QString();
    };
    // The name is the caption without its mnemonic and without the " *" that marks a field
    // that must be filled.
    const auto stripped = [](QString text) {
        text.remove(QLatin1Char('&'));
        if (text.endsWith(QLatin1String(" *")))
            text.chop(2);
        return text;
    };
    for (const char *lang : {"mni_Cn", "mni_En"}) {
        m_window->findChild<QAction *>(QString::fromLatin1(lang))->trigger();
        QHash<QWidget *, QLabel *> labelOf;
        for (QLabel *label : m_window->findChildren<QLabel *>())
            if (label->buddy())
                labelOf.insert(label->buddy(), label);
        for (QAbstractButton *button : m_window->findChildren<QAbstractButton *>()) {
            if (button->text().isEmpty())
                continue; // tab-bar scroll arrows and the like
            // The data-debugging window's fifty rows repeat their captions; each row's
            // controls add the row number ("Hex 12") so that a screen reader tells them apart.
            const QString name = accessibleName(button);
            const QString caption = stripped(button->text());
            static const QRegularExpression rowNumber(QStringLiteral(" \\d+$"));
            QVERIFY2(name == caption || QString(name).remove(rowNumber) == caption,
                     qPrintable(button->objectName() + ": " + name + " / " + caption));
        }
        const QList<QWidget *> inputs = m_window->findChildren<QWidget *>();
        for (QWidget *w : inputs) {
            if (!qobject_cast<QLineEdit *>(w) && !qobject_cast<QComboBox *>(w) &&
                !qobject_cast<QPlainTextEdit *>(w))
                continue;
            if (qobject_cast<QComboBox *>(w->parentWidget()))
                continue; // a combo box's own line edit
            const QString name = accessibleName(w);
            QVERIFY2(!name.isEmpty(), qPrintable(w->objectName()));
            if (QLabel *label = labelOf.value(w))
                // One caption may label two inputs ("目标IP和端口: IP", "目标IP和端口: 端口").
                QVERIFY2(stripped(name).startsWith(stripped(label->text())),
                         qPrintable(w->objectName() + ": " + name + " / " + label->text()));
        }
    }
}

void TestMainWindow::flagsShowAsIconToolTipAndCount()
{
    // The simulated modules keep their 192.168.0.x addresses and are found from 127.0.0.1/8.
    setBindAddressOverride({QStringLiteral("127.0.0.1/8")});
    search();
    const int row = viewRowOfMac(QStringLiteral("D8 B0 4C 00 00 01"));
    const QModelIndex flags = m_list->model()->index(row, DeviceListModel::ColFlags);
    QVERIFY(!m_list->isColumnHidden(DeviceListModel::ColFlags));
    QVERIFY(!flags.data(Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(m_list->model()
                 ->headerData(DeviceListModel::ColFlags, Qt::Horizontal, Qt::ToolTipRole)
                 .toString(),
             langText(QStringLiteral("lang_Lv_Flags")));
    // The column fits beside the others: the list needs no horizontal scrolling.
    QVERIFY(!m_list->horizontalScrollBar()->isVisible());
    const QString expected = langText(QStringLiteral("lang_Flag_OutsideSubnet"))
                                 .replace(QStringLiteral("%1"), QStringLiteral("127.0.0.1"))
                                 .replace(QStringLiteral("%2"), QStringLiteral("8"));
    QCOMPARE(flags.data(Qt::ToolTipRole).toString(), expected);
    auto *count = m_window->findChild<QLabel *>(QStringLiteral("lbl_FlagCount"));
    QVERIFY(count && count->isVisible());
    QCOMPARE(count->text(), langText(QStringLiteral("lang_Status_FlagCount"))
                                .replace(QStringLiteral("%1"), QStringLiteral("3")));

    // Hovering the icon shows the words even with real-time help off.
    const QRect cell = m_list->visualRect(flags);
    QHelpEvent help(QEvent::ToolTip, cell.center(), m_list->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(m_list->viewport(), &help);
    QTRY_COMPARE(QToolTip::text(), expected);
    QToolTip::hideText();

    // A module in the finder's network carries no flag; a new search counts again.
    setBindAddressOverride({QStringLiteral("127.0.0.1/0")});
    search();
    QVERIFY(
        !m_list->model()->index(row, DeviceListModel::ColFlags).data(Qt::DecorationRole).isValid());
    QVERIFY(!count->isVisible());
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

void TestMainWindow::fullListRefusesRowsAndSaysSoOnce()
{
    // Anyone on the LAN can answer a search: past the list's limit new modules are counted, not
    // listed, the log says so once, and the status bar shows how many were refused.
    constexpr int kLimit = DeviceListModel::kMaxRows;
    ModuleEndpoint *udp = m_window->endpoint();
    auto *log = m_window->findChild<LogView *>(QStringLiteral("redt_Log"));
    auto *count = m_window->findChild<QLabel *>(QStringLiteral("lbl_DeviceCount"));
    QVERIFY(count);
    for (int i = 0; i < kLimit + 50; ++i)
        udp->handleDatagram(searchAnswerOf(i), QStringLiteral("10.0.0.1"), kCfgPort, 0);
    udp->handleDatagram(searchAnswerOf(7), QStringLiteral("10.0.0.1"), kCfgPort,
                        0); // listed already
    QCOMPARE(m_window->devices()->rowCount(), kLimit);
    QCOMPARE(m_window->devices()->refusedCount(), 50);
    QVERIFY(m_window->devices()->containsMac(QStringLiteral("02 58 37 00 0F FF")));
    QVERIFY(!m_window->devices()->containsMac(QStringLiteral("02 58 37 00 10 00")));
    const QString full = langText(QStringLiteral("lang_Hint_DeviceListFull"))
                             .replace(QStringLiteral("%1"), QString::number(kLimit));
    QCOMPARE(log->lines().count(full), 1);
    QCOMPARE(log->lineColor(int(log->lines().indexOf(full))), QColor(255, 0, 0));
    const QString counted = langText(QStringLiteral("lang_Status_DeviceCount"))
                                .replace(QStringLiteral("%1"), QString::number(kLimit));
    QTRY_COMPARE(count->text(), counted + langText(QStringLiteral("lang_Status_DevicesRefused"))
                                              .replace(QStringLiteral("%1"), QStringLiteral("50")));
    QVERIFY(count->text().contains(QStringLiteral("50")));
    if (const QByteArray dir = qgetenv("X7_SCREENSHOT_DIR"); !dir.isEmpty()) {
        QTest::qWait(50);
        QVERIFY(m_window->grab().save(QString::fromLocal8Bit(dir) + "/main_list_full.png"));
    }

    // A new search starts a new count.
    search();
    QCOMPARE(m_window->devices()->refusedCount(), 0);
    QCOMPARE(count->text(), langText(QStringLiteral("lang_Status_DeviceCount"))
                                .replace(QStringLiteral("%1"), QStringLiteral("3")));
    QCOMPARE(log->lines().count(full), 0);
}

void TestMainWindow::giantDatagramIsLoggedByItsFirstBytes()
{
    ModuleEndpoint *udp = m_window->endpoint();
    udp->refreshBindings();
    auto *hex = m_window->findChild<LogView *>(QStringLiteral("redt_Hex"));
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    const QByteArray giant(65507, char(0x5A));
    QCOMPARE(
        peer.writeDatagram(giant, QHostAddress(QStringLiteral("127.0.0.1")), udp->socketPort(0)),
        qint64(giant.size()));
    QTRY_VERIFY(hex->lines().contains(QStringLiteral("[ Length : 65507 ]")));
    const QStringList lines = hex->lines();
    const QString bytes = lines.at(lines.indexOf(QStringLiteral("[ Length : 65507 ]")) + 1);
    QVERIFY2(bytes.endsWith(QStringLiteral("5A … (65 507 bytes)")), qPrintable(bytes.right(30)));
    QVERIFY(bytes.size() < 1000);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
