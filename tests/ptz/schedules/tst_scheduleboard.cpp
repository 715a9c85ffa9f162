#include "schedules/ScheduleBoard.h"
#include "schedules/ScheduleFiles.h"
#include "schedules/ScheduleRowDialog.h"

#include "support/TestFiles.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QDate kToday(2024, 5, 1);

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A board on a clock the test moves, with its files in a temporary folder and its message
// boxes recorded instead of shown.
struct Fixture
{
    QTemporaryDir dir;
    QDateTime now{kToday, QTime(8, 0)};
    QStringList messages;
    ScheduleBoard board;

    Fixture()
    {
        board.setFileFolder(dir.path());
        board.setClock([this] { return now; });
        board.setNotifier([this](QWidget *, const QString &text) { messages << text; });
        board.resize(420, 520);
        board.show();
        if (!QTest::qWaitForWindowExposed(&board))
            qWarning() << "the board was not shown";
    }

    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }

    void tickAt(const QTime &time, int days = 0)
    {
        now = QDateTime(kToday.addDays(days), time);
        board.tick();
    }

    template<typename T> T *find(const QString &name) const
    {
        T *found = board.findChild<T *>(name);
        if (!found)
            qWarning() << "no control" << name;
        return found;
    }
};

// A person's double-click: the first click selects the row, the second opens it.
void doubleClickRow(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Opens Form2 by double-clicking `row`, types the times, ticks a motion box, presses OK.
void storeByHand(Fixture &f, int row, const QString &on, const QString &off, const QString &box)
{
    QListWidget *list = f.find<QListWidget>("定时配置");
    list->scrollToItem(list->item(row));
    doubleClickRow(list, row);
    ScheduleRowDialog *dialog = f.find<ScheduleRowDialog>("Form2");
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->row(), row);
    auto *onBox = dialog->findChild<QLineEdit *>("开_00");
    auto *offBox = dialog->findChild<QLineEdit *>("关_00");
    onBox->selectAll();
    QTest::keyClicks(onBox, on);
    offBox->selectAll();
    QTest::keyClicks(offBox, off);
    if (!box.isEmpty())
        QTest::mouseClick(dialog->findChild<QCheckBox *>(box), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("退出配置"), Qt::LeftButton);
    QVERIFY(!dialog->isVisible());
}

QStringList tickedBoxes(ScheduleRowDialog *dialog)
{
    QStringList names;
    for (QCheckBox *box : dialog->findChildren<QCheckBox *>()) {
        if (box->isChecked())
            names << box->objectName();
    }
    return names;
}

} // namespace

class TestScheduleBoard : public QObject
{
    Q_OBJECT

private slots:
    void initialState();
    void clockTick();
    void helpMessage();
    void storeRowFromDialog();
    void storeTwiceKeepsNinetyNineRows();
    void dialogKeepsLastEntries();
    void motionBoxesAreExclusive();
    void motionBoxesFollowAnyValueChange_data();
    void motionBoxesFollowAnyValueChange();
    void timeValidation_data();
    void timeValidation();
    void firesDailyFromTheClock();
    void sameTimeRowsFireInRowOrder();
    void clockJumpMissesOldTimes();
    void filesRoundTrip();
    void restartRearmsStoredRows();
    void malformedFiles();
    void missingFilesChangeNothing();
    void saveReportsFailure();
    void defaultMessageBoxDoesNotBlock();
    void screenshots();
};

void TestScheduleBoard::initialState()
{
    Fixture f;
    QCOMPARE(f.board.objectName(), QStringLiteral("Frame1"));
    QCOMPARE(f.board.title(), QStringLiteral("定时配置区"));
    QListWidget *list = f.find<QListWidget>("定时配置");
    QVERIFY(list);
    QCOMPARE(list->count(), kScheduleRowCount);
    for (int n = 0; n < kScheduleRowCount; ++n) {
        QCOMPARE(list->item(n)->text(), defaultScheduleLine(n));
        QCOMPARE(list->item(n)->checkState(), Qt::Unchecked);
        QVERIFY(!f.board.armedOn(n).isArmed());
    }
    QCOMPARE(f.board.displayLine(3),
             QStringLiteral("03 开：00:00:00   关：00:00:00   自动巡航：NO"));
    QCOMPARE(f.board.displayLine(99), QString());
    QCOMPARE(f.board.displayLine(-1), QString());

    QTimer *timer = f.find<QTimer>("TmrDateTime");
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 100);

    ScheduleRowDialog *dialog = f.find<ScheduleRowDialog>("Form2");
    QVERIFY(dialog && !dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("定时配置"));
    QCOMPARE(tickedBoxes(dialog), QStringList{"Check1"});
    QCOMPARE(dialog->motionName(), QStringLiteral("无巡航"));
    QCOMPARE(dialog->findChild<QLineEdit *>("开_00")->text(), QStringLiteral("00:00:00"));
    QCOMPARE(dialog->findChild<QLineEdit *>("关_00")->text(), QStringLiteral("00:00:00"));
    QCOMPARE(dialog->findChild<QGroupBox *>("灯开关时间配置")->title(),
             QStringLiteral("灯开关时间配置"));
    QCOMPARE(dialog->findChild<QGroupBox *>("巡航模式")->title(), QStringLiteral("模式配置"));
    QCOMPARE(dialog->findChild<QLabel *>("Lab1")->text(), QStringLiteral("开："));
    QCOMPARE(dialog->findChild<QLabel *>("Lab2")->text(), QStringLiteral("关："));
    QCOMPARE(dialog->findChild<QPushButton *>("退出配置")->text(), QStringLiteral("确定"));
    const QStringList captions = {"不自动巡航", "巡迹一", "巡迹二", "巡迹三", "巡迹四", "巡迹五",
                                  "巡迹六",     "巡迹七", "巡迹八", "巡航",   "巡迹九"};
    for (int i = 0; i < captions.size(); ++i)
        QCOMPARE(dialog->findChild<QCheckBox *>(QStringLiteral("Check%1").arg(i + 1))->text(),
                 captions.at(i));
}

void TestScheduleBoard::clockTick()
{
    Fixture f;
    QVERIFY(f.board.dateBox() && f.board.timeBox());
    QCOMPARE(f.board.dateBox()->objectName(), QStringLiteral("TxtDate"));
    QCOMPARE(f.board.timeBox()->objectName(), QStringLiteral("TxtTime"));
    f.tickAt(QTime(7, 5, 9, 900));
    QCOMPARE(f.board.dateBox()->text(), QStringLiteral("2024-05-01"));
    QCOMPARE(f.board.timeBox()->text(), QStringLiteral("07:05:09"));
    f.tickAt(QTime(23, 59, 59), 1);
    QCOMPARE(f.board.dateBox()->text(), QStringLiteral("2024-05-02"));
    QCOMPARE(f.board.timeBox()->text(), QStringLiteral("23:59:59"));

    // The running timer drives the same tick.
    f.now = QDateTime(kToday, QTime(17, 30, 0));
    QTRY_COMPARE(f.board.timeBox()->text(), QStringLiteral("17:30:00"));

    // Placed by the console in its own strip, the boxes belong to that window.
    {
        QWidget strip;
        f.board.dateBox()->setParent(&strip);
    }
    QVERIFY(!f.board.dateBox());
}

void TestScheduleBoard::helpMessage()
{
    Fixture f;
    QTest::mouseClick(f.find<QPushButton>("定时配置说明"), Qt::LeftButton);
    QCOMPARE(
        f.messages,
        QStringList{"自动巡航模式的定时设置，必须在“英文输入法”下设置时间,格式如下：12:12:12"});
}

void TestScheduleBoard::storeRowFromDialog()
{
    Fixture f;
    f.board.setTicked(7, false);
    storeByHand(f, 7, "06:30:00", "18:00:00", "Check3");
    QCOMPARE(f.board.displayLine(7),
             QStringLiteral("07 开：06:30:00   关：18:00:00   运动模式：巡迹二"));
    QVERIFY(f.board.isTicked(7));
    QCOMPARE(f.board.list()->count(), kScheduleRowCount);
    QCOMPARE(f.board.displayLine(6), defaultScheduleLine(6));
    QCOMPARE(f.board.displayLine(8), defaultScheduleLine(8));
    QVERIFY(!f.board.isTicked(8));
    QCOMPARE(f.board.armedOn(7), (ArmedTime{QTime(6, 30), kToday.addDays(1)}));
    QCOMPARE(f.board.armedOff(7), (ArmedTime{QTime(18, 0), kToday}));

    storeByHand(f, 42, "12:12:12", "12:13:00", "Check10");
    QVERIFY(f.board.displayLine(42).startsWith(QStringLiteral("42 开：")));
    QCOMPARE(f.board.displayLine(7),
             QStringLiteral("07 开：06:30:00   关：18:00:00   运动模式：巡迹二"));

    // Rows outside the list are ignored, whatever asks for them.
    f.board.storeRow(99, "1:00", "2:00", "巡航");
    f.board.storeRow(-1, "1:00", "2:00", "巡航");
    QCOMPARE(f.board.list()->count(), kScheduleRowCount);
}

void TestScheduleBoard::storeTwiceKeepsNinetyNineRows()
{
    Fixture f;
    f.board.setTicked(4, true);
    storeByHand(f, 4, "01:00:00", "02:00:00", "Check2");
    f.board.setTicked(4, false);
    storeByHand(f, 4, "03:00:00", "04:00:00", "");
    QCOMPARE(f.board.list()->count(), kScheduleRowCount);
    QCOMPARE(f.board.displayLine(4),
             QStringLiteral("04 开：03:00:00   关：04:00:00   运动模式：巡迹一"));
    QVERIFY(f.board.isTicked(4));
    QCOMPARE(f.board.displayLine(5), defaultScheduleLine(5));
    int storedLines = 0;
    for (int n = 0; n < kScheduleRowCount; ++n)
        storedLines += f.board.displayLine(n).startsWith(QStringLiteral("04 ")) ? 1 : 0;
    QCOMPARE(storedLines, 1);
    QCOMPARE(f.board.armedOn(4).at, QTime(3, 0));
}

void TestScheduleBoard::dialogKeepsLastEntries()
{
    Fixture f;
    storeByHand(f, 2, "05:00:00", "06:00:00", "Check5");
    QListWidget *list = f.board.list();
    doubleClickRow(list, 9);
    ScheduleRowDialog *dialog = f.board.rowDialog();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->row(), 9);
    QCOMPARE(dialog->onTimeText(), QStringLiteral("05:00:00"));
    QCOMPARE(dialog->offTimeText(), QStringLiteral("06:00:00"));
    QCOMPARE(tickedBoxes(dialog), QStringList{"Check5"});
    dialog->hide();
}

void TestScheduleBoard::motionBoxesAreExclusive()
{
    Fixture f;
    ScheduleRowDialog *dialog = f.board.rowDialog();
    dialog->openForRow(0);
    auto box = [&](int n) {
        return dialog->findChild<QCheckBox *>(QStringLiteral("Check%1").arg(n));
    };

    QTest::mouseClick(box(11), Qt::LeftButton);
    QCOMPARE(tickedBoxes(dialog), QStringList{"Check11"});
    QCOMPARE(dialog->motionName(), QStringLiteral("巡迹九"));
    QTest::mouseClick(box(10), Qt::LeftButton);
    QCOMPARE(tickedBoxes(dialog), QStringList{"Check10"});
    QCOMPARE(dialog->motionName(), QStringLiteral("巡航"));

    // Unticking the ticked box leaves none ticked; OK stores the motion chosen before.
    QTest::mouseClick(box(10), Qt::LeftButton);
    QCOMPARE(tickedBoxes(dialog), QStringList{});
    QCOMPARE(dialog->motionName(), QStringLiteral("巡航"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("退出配置"), Qt::LeftButton);
    QCOMPARE(f.board.displayLine(0),
             QStringLiteral("00 开：00:00:00   关：00:00:00   运动模式：巡航"));
}

void TestScheduleBoard::timeValidation_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("messages"); // one per keystroke that leaves no time of day

    QTest::newRow("clock text over the selection") << "开_00"
                                                   << "12:12:12" << 4; // "1" "12" "12:" "12:12:"
    QTest::newRow("short form") << "关_00"
                                << "8:05" << 2; // "8" "8:"
    QTest::newRow("a date") << "开_00"
                            << "2024" << 4;
}

void TestScheduleBoard::timeValidation()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(int, messages);
    Fixture f;
    ScheduleRowDialog *dialog = f.board.rowDialog();
    dialog->openForRow(1);
    auto *edit = dialog->findChild<QLineEdit *>(box);
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed); // the text stays as typed either way
    QCOMPARE(f.messages.size(), messages);
    for (const QString &text : std::as_const(f.messages))
        QCOMPARE(text, QStringLiteral(
                           "输入时间有误，请重新输入，如有疑问请点击面板上的“定时配置说明”查看"));

    // Clearing a box complains too, and OK still stores what is there.
    f.messages.clear();
    edit->clear();
    QCOMPARE(f.messages.size(), 1);
    QTest::mouseClick(dialog->findChild<QPushButton *>("退出配置"), Qt::LeftButton);
    QVERIFY(f.board.displayLine(1).startsWith(QStringLiteral("01 开：")));
    QVERIFY(f.board.isTicked(1));
}

void TestScheduleBoard::motionBoxesFollowAnyValueChange_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("screen reader's toggle action") << "toggle";
    QTest::newRow("screen reader's press action") << "press";
    QTest::newRow("space key") << "space";
    QTest::newRow("setChecked in code") << "code";
}

// However a motion box is ticked, it is the only one ticked and its motion is stored.
void TestScheduleBoard::motionBoxesFollowAnyValueChange()
{
    QFETCH(QString, how);
    Fixture f;
    ScheduleRowDialog *dialog = f.board.rowDialog();
    dialog->openForRow(5);
    auto *box = dialog->findChild<QCheckBox *>("Check3");
    if (how == "toggle" || how == "press") {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(box);
        QVERIFY(face && face->actionInterface());
        face->actionInterface()->doAction(how == "toggle"
                                              ? QAccessibleActionInterface::toggleAction()
                                              : QAccessibleActionInterface::pressAction());
    } else if (how == "space") {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    } else {
        box->setChecked(true);
    }
    QTRY_COMPARE(tickedBoxes(dialog), QStringList{"Check3"});
    QCOMPARE(dialog->motionName(), QStringLiteral("巡迹二"));
    QTest::mouseClick(dialog->findChild<QPushButton *>("退出配置"), Qt::LeftButton);
    QVERIFY(f.board.displayLine(5).endsWith(QStringLiteral("运动模式：巡迹二")));
}

void TestScheduleBoard::firesDailyFromTheClock()
{
    Fixture f;
    QSignalSpy on(&f.board, &ScheduleBoard::lightOnDue);
    QSignalSpy off(&f.board, &ScheduleBoard::lightOffDue);
    storeByHand(f, 12, "12:12:12", "18:00:00", "Check4"); // 巡迹三

    for (int ms : {900, 1000, 1100, 1500, 1900, 2100}) // ten ticks show 12:12:12, one more after
        f.tickAt(QTime(12, 12, 11).addMSecs(ms));
    QCOMPARE(on.count(), 1);
    QCOMPARE(on.at(0), (QList<QVariant>{12, 3}));
    QCOMPARE(off.count(), 0);

    f.tickAt(QTime(17, 59, 59, 950));
    f.tickAt(QTime(18, 0, 1, 50)); // the tick of 18:00:00 was late
    QCOMPARE(off.count(), 1);
    QCOMPARE(off.at(0), (QList<QVariant>{12, 3}));

    f.tickAt(QTime(12, 12, 12), 1);
    QCOMPARE(on.count(), 2);

    // Unticked, the row stays quiet; ticked again, it fires the day after.
    f.board.setTicked(12, false);
    f.tickAt(QTime(18, 0, 0), 1);
    QCOMPARE(off.count(), 1);
    f.board.setTicked(12, true);
    f.tickAt(QTime(18, 0, 0, 500), 1);
    QCOMPARE(off.count(), 1);
    f.tickAt(QTime(18, 0, 0), 2);
    QCOMPARE(off.count(), 2);
}

void TestScheduleBoard::sameTimeRowsFireInRowOrder()
{
    Fixture f;
    QList<std::pair<int, int>> fired;
    connect(&f.board, &ScheduleBoard::lightOnDue, &f.board, [&](int row, int mode) {
        fired.append({row, mode});
    });
    f.board.storeRow(30, "09:00:00", "10:00:00", "巡航");
    f.board.storeRow(3, "09:00:00", "10:00:00", "巡迹一");
    f.board.storeRow(20, "09:00:00", "10:00:00", "无巡航");
    f.board.setTicked(20, false);
    f.tickAt(QTime(9, 0, 0, 30));
    QCOMPARE(fired, (QList<std::pair<int, int>>{{3, 1}, {30, 10}}));
}

// After a suspend or a clock set forward, times more than a minute old do not fire: each is
// reported once, and the row fires again at its next time.
void TestScheduleBoard::clockJumpMissesOldTimes()
{
    Fixture f;
    QSignalSpy on(&f.board, &ScheduleBoard::lightOnDue);
    QSignalSpy off(&f.board, &ScheduleBoard::lightOffDue);
    QSignalSpy missed(&f.board, &ScheduleBoard::scheduleMissed);
    f.tickAt(QTime(8, 0, 0));
    f.board.storeRow(7, "09:00:00", "10:00:00", "巡迹一");
    f.board.storeRow(8, "12:29:30", "23:00:00", "巡航");

    f.tickAt(QTime(12, 30, 0)); // three and a half hours later
    QCOMPARE(on.count(), 1);
    QCOMPARE(on.at(0), (QList<QVariant>{8, 10})); // thirty seconds late: still caught up
    QCOMPARE(off.count(), 0);
    QCOMPARE(missed.count(), 2);
    QCOMPARE(missed.at(0).at(1).toString(),
             QStringLiteral("定时 07 开 09:00:00 已错过（晚了 3 小时 30 分），未执行"));
    QCOMPARE(missed.at(1).at(1).toString(),
             QStringLiteral("定时 07 关 10:00:00 已错过（晚了 2 小时 30 分），未执行"));

    f.tickAt(QTime(12, 30, 1));
    QCOMPARE(missed.count(), 2);
    f.tickAt(QTime(9, 0, 0), 1);
    QCOMPARE(on.count(), 2);
    QCOMPARE(on.at(1), (QList<QVariant>{7, 1}));
}

void TestScheduleBoard::filesRoundTrip()
{
    QStringList lines;
    QByteArray marks;
    {
        Fixture f;
        f.board.storeRow(0, "06:30:00", "18:00:00", "巡迹二");
        f.board.storeRow(98, "8:05", "", "巡航");
        f.board.storeRow(50, "07:00:00", "07:30:00", "无巡航");
        f.board.setTicked(50, false);
        f.board.setTicked(60, true);
        f.board.setDeviceIpText(QStringLiteral("192.168.1.200"));
        QVERIFY(f.board.saveFiles());

        QCOMPARE(fileBytes(f.path("123.ini")), QByteArray("192.168.1.200\r\n"));
        const QByteArray linesFile = fileBytes(f.path("321.ini"));
        const QByteArray marksFile = fileBytes(f.path("322.ini"));
        QCOMPARE(linesFile.count("\r\n"), 99);
        QVERIFY(linesFile.endsWith("98 开：8:05   关：   运动模式：巡航\r\n"));
        QVERIFY(linesFile.startsWith(QString("00 开：06:30:00   关：18:00:00   运动模式：巡迹二\r\n"
                                             "01 开：00:00:00   关：00:00:00   自动巡航：NO\r\n")
                                         .toUtf8()));
        QCOMPARE(marksFile.count("\r\n"), 99);
        QVERIFY(marksFile.startsWith("True\r\nFalse\r\n"));
        QCOMPARE(marksFile.count("True\r\n"), 3);
        for (int n = 0; n < kScheduleRowCount; ++n)
            lines << f.board.displayLine(n);
        marks = marksFile;

        // Saving again gives the same bytes.
        QVERIFY(f.board.saveFiles());
        QCOMPARE(fileBytes(f.path("322.ini")), marksFile);
        QCOMPARE(fileBytes(f.path("321.ini")), linesFile);

        Fixture g;
        g.board.setFileFolder(f.dir.path());
        g.board.setDeviceIpText(QStringLiteral("10.0.0.1"));
        g.board.loadFiles();
        QCOMPARE(g.board.deviceIpText(), QStringLiteral("192.168.1.200"));
        for (int n = 0; n < kScheduleRowCount; ++n) {
            QCOMPARE(g.board.displayLine(n), lines.at(n));
            QCOMPARE(g.board.isTicked(n), n == 0 || n == 98 || n == 60);
        }
    }
}

void TestScheduleBoard::restartRearmsStoredRows()
{
    Fixture f;
    f.board.storeRow(5, "12:12:12", "18:00:00", "巡迹七");
    f.board.storeRow(6, "10:00:00", "11:00:00", "巡航");
    f.board.storeRow(7, "20:00:00", "21:00:00", "巡航");
    f.board.setTicked(7, false);
    f.board.setTicked(8, true); // an initial line, ticked by hand: never stored, never fires
    QVERIFY(f.board.saveFiles());

    // Started again at 11:30: row 6's times are behind us and wait for tomorrow.
    Fixture g;
    g.board.setFileFolder(f.dir.path());
    g.now = QDateTime(kToday, QTime(11, 30));
    g.board.loadFiles();
    QSignalSpy on(&g.board, &ScheduleBoard::lightOnDue);
    QSignalSpy off(&g.board, &ScheduleBoard::lightOffDue);
    g.tickAt(QTime(11, 30, 0, 100));
    QCOMPARE(on.count() + off.count(), 0);
    g.tickAt(QTime(12, 12, 12, 40));
    QCOMPARE(on.count(), 1);
    QCOMPARE(on.at(0), (QList<QVariant>{5, 7}));
    g.tickAt(QTime(18, 0, 0));
    g.tickAt(QTime(21, 0, 0));
    QCOMPARE(off.count(), 1);
    QCOMPARE(off.at(0), (QList<QVariant>{5, 7}));
    g.tickAt(QTime(0, 0, 0), 1);
    g.tickAt(QTime(10, 0, 0), 1);
    QCOMPARE(on.count(), 2);
    QCOMPARE(on.at(1), (QList<QVariant>{6, 10}));
}

void TestScheduleBoard::malformedFiles()
{
    Fixture f;
    const QString stored = buildScheduleLine(1, "06:30:00", "18:00:00", "巡迹二");
    QStringEncoder gbk("GB18030");
    QByteArray lines =
        QByteArray(gbk.encode(stored)) + "\r\n" + QByteArray(200000, 'z') + "\r\n\xFF\xFE\x81\r\n";
    QByteArray marks;
    for (int n = 0; n < 50; ++n)
        marks += n == 1 ? "-1\r\n" : "False\r\n";
    writeFile(f.path("321.ini"), lines);
    writeFile(f.path("322.ini"), marks + "nonsense\r\nTrue\r\n");
    writeFile(f.path("123.ini"), "");
    for (int n = 0; n < kScheduleRowCount; ++n)
        f.board.setTicked(n, true);
    f.board.setDeviceIpText(QStringLiteral("192.168.0.7"));

    f.now = QDateTime(kToday, QTime(6, 0));
    f.board.loadFiles();
    QCOMPARE(f.board.deviceIpText(), QStringLiteral("192.168.0.7")); // empty file: box kept
    QCOMPARE(f.board.displayLine(0), stored); // the Windows console's GBK line, as it was
    QCOMPARE(f.board.displayLine(1), QString(200000, QLatin1Char('z')));
    QCOMPARE(f.board.displayLine(2).size(), 2); // undecodable bytes become replacement marks
    QCOMPARE(f.board.displayLine(3), defaultScheduleLine(3));
    QCOMPARE(f.board.displayLine(98), defaultScheduleLine(98));
    QVERIFY(!f.board.isTicked(0));
    QVERIFY(f.board.isTicked(1)); // "-1" is true
    QVERIFY(!f.board.isTicked(49));
    QVERIFY(f.board.isTicked(50)); // the broken line ended the reading
    QVERIFY(f.board.isTicked(98));

    // Row 0 holds a stored line (its number says 01) and is armed from it; it is unticked.
    QCOMPARE(f.board.armedOn(0).at, QTime(6, 30));
    QVERIFY(!f.board.armedOn(1).isArmed());
}

void TestScheduleBoard::missingFilesChangeNothing()
{
    Fixture f;
    f.board.setTicked(3, true);
    f.board.setDeviceIpText(QStringLiteral("192.168.0.7"));
    f.board.loadFiles();
    QCOMPARE(f.board.deviceIpText(), QStringLiteral("192.168.0.7"));
    QVERIFY(f.board.isTicked(3));
    QCOMPARE(f.board.displayLine(3), defaultScheduleLine(3));
    QVERIFY(!f.board.armedOn(3).isArmed());

    f.board.setFileFolder(f.path("no/such/folder"));
    f.board.loadFiles();
    QCOMPARE(f.board.list()->count(), kScheduleRowCount);
}

void TestScheduleBoard::saveReportsFailure()
{
    Fixture f;
    writeFile(f.path("321.ini"), "old\r\n");
    QVERIFY(QDir(f.dir.path()).mkdir("322.ini"));
    QVERIFY(!f.board.saveFiles());
    // The other files are still written whole.
    QCOMPARE(fileBytes(f.path("321.ini")).count("\r\n"), 99);
    QCOMPARE(fileBytes(f.path("123.ini")), QByteArray("\r\n"));
}

void TestScheduleBoard::defaultMessageBoxDoesNotBlock()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Returns at once (a nested event loop would hang the test here).
    showScheduleInformation(&window, kScheduleTimeErrorText);
    showScheduleInformation(&window, kScheduleTimeErrorText); // a second keystroke: no new box
    showScheduleInformation(&window, kScheduleHelpText);
    const QList<QMessageBox *> boxes = window.findChildren<QMessageBox *>();
    QCOMPARE(boxes.size(), 2);
    for (QMessageBox *box : boxes) {
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowTitle(), QStringLiteral("提示信息"));
        QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    }
    QTest::mouseClick(boxes.first()->button(QMessageBox::Ok), Qt::LeftButton);
    QTRY_COMPARE(window.findChildren<QMessageBox *>().size(), 1); // closed boxes go away
}

void TestScheduleBoard::screenshots()
{
    Fixture f;
    f.board.storeRow(0, "18:30:00", "06:00:00", "巡航");
    f.board.storeRow(1, "06:30:00", "18:00:00", "巡迹二");
    f.board.storeRow(2, "12:12:12", "12:30:00", "无巡航");
    f.board.setTicked(2, false);
    // PTZ_SCREENSHOTS names a folder to keep the pictures in, for a person to look at.
    const QString folder = qEnvironmentVariable("PTZ_SCREENSHOTS");
    const QPixmap board = f.board.grab();
    QVERIFY(!board.isNull());
    ScheduleRowDialog *dialog = f.board.rowDialog();
    dialog->openForRow(1);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    const QPixmap form2 = dialog->grab();
    QVERIFY(!form2.isNull());
    dialog->hide();
    if (!folder.isEmpty()) {
        QVERIFY(board.save(QDir(folder).filePath("ptz-schedule-board.png")));
        QVERIFY(form2.save(QDir(folder).filePath("ptz-schedule-form2.png")));
    }
}

QTEST_MAIN(TestScheduleBoard)
#include "tst_scheduleboard.moc"
