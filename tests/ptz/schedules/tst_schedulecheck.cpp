#include "schedules/ScheduleCheck.h"

#include <QTest>

namespace {

const QDate kDay0(2024, 5, 1);

// "d1 12:12:12.000": a moment `1` day after Day0.
QDateTime moment(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    const int day = parts.at(0).mid(1).toInt();
    QTime time = QTime::fromString(parts.at(1), QStringLiteral("HH:mm:ss.zzz"));
    if (!time.isValid())
        time = QTime::fromString(parts.at(1), QStringLiteral("HH:mm:ss"));
    Q_ASSERT(time.isValid());
    return QDateTime(kDay0.addDays(day), time);
}

// "row|on|off|motion|ticked"; motion "-" stores a line without the motion field.
struct RowPlan
{
    int row;
    QString on, off, motion;
    bool ticked;
};

RowPlan parseRow(const QString &plan)
{
    const QStringList f = plan.split(QLatin1Char('|'));
    Q_ASSERT(f.size() == 5);
    return {f[0].toInt(), f[1], f[2], f[3], f[4] == QLatin1String("1")};
}

QString lineOf(const RowPlan &plan)
{
    if (plan.motion == QLatin1String("-"))
        return QStringLiteral("%1 开：%2   关：%3")
            .arg(plan.row, 2, 10, QLatin1Char('0'))
            .arg(plan.on, plan.off);
    return buildScheduleLine(plan.row, plan.on, plan.off, plan.motion);
}

QList<ScheduleRowState> defaultRows()
{
    QList<ScheduleRowState> rows;
    for (int n = 0; n < kScheduleRowCount; ++n)
        rows.append({defaultScheduleLine(n), false, {}, {}});
    return rows;
}

} // namespace

class TestScheduleCheck : public QObject
{
    Q_OBJECT

private slots:
    void timeOfDay_data();
    void timeOfDay();
    void motionOfLine_data();
    void motionOfLine();
    void lines();
    void lineTimes_data();
    void lineTimes();
    void arming_data();
    void arming();
    void firings_data();
    void firings();
};

void TestScheduleCheck::timeOfDay_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("expected"); // invalid: not a time of day

    QTest::newRow("clock text") << "12:12:12" << QTime(12, 12, 12);
    QTest::newRow("midnight") << "00:00:00" << QTime(0, 0);
    QTest::newRow("last second") << "23:59:59" << QTime(23, 59, 59);
    QTest::newRow("one-digit hour") << "8:05:00" << QTime(8, 5);
    QTest::newRow("no seconds") << "8:05" << QTime(8, 5);
    QTest::newRow("blanks around") << " 06:30:00 " << QTime(6, 30);
    QTest::newRow("empty") << "" << QTime();
    QTest::newRow("hour 24") << "24:00:00" << QTime();
    QTest::newRow("minute 60") << "12:60:00" << QTime();
    QTest::newRow("second 60") << "12:00:60" << QTime();
    QTest::newRow("full-width colon") << "12：12：12" << QTime();
    QTest::newRow("a date") << "2024-05-01" << QTime();
    QTest::newRow("three-digit field") << "012:12:12" << QTime();
    QTest::newRow("trailing text") << "12:12:12x" << QTime();
    QTest::newRow("one field") << "12" << QTime();
    QTest::newRow("partly typed") << "12:" << QTime();
}

void TestScheduleCheck::timeOfDay()
{
    QFETCH(QString, text);
    QFETCH(QTime, expected);
    const std::optional<QTime> parsed = parseTimeOfDay(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(*parsed, expected);
}

void TestScheduleCheck::motionOfLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode");

    const auto stored = [](const QString &motion) {
        return buildScheduleLine(7, QStringLiteral("06:30:00"), QStringLiteral("18:00:00"), motion);
    };
    QTest::newRow("no motion") << stored("无巡航") << "无巡航" << 0;
    QTest::newRow("track one") << stored("巡迹一") << "巡迹一" << 1;
    QTest::newRow("track two") << stored("巡迹二") << "巡迹二" << 2;
    QTest::newRow("track eight") << stored("巡迹八") << "巡迹八" << 8;
    QTest::newRow("track nine") << stored("巡迹九") << "巡迹九" << 9;
    QTest::newRow("cruise") << stored("巡航") << "巡航" << 10;
    QTest::newRow("word with a trailing blank") << stored("巡迹一 ") << "巡迹一 " << 0;
    QTest::newRow("unknown word") << stored("巡迹十") << "巡迹十" << 0;
    QTest::newRow("initial line, no marker")
        << defaultScheduleLine(3) << "：00:00:00   关：00:00:00   自动巡航：NO" << 0;
    QTest::newRow("short line") << "abc"
                                << "" << 0;
    QTest::newRow("first marker counts") << "01 运动模式：巡航运动模式：巡迹一"
                                         << "巡航运动模式：巡迹一" << 0;
}

void TestScheduleCheck::motionOfLine()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QFETCH(int, mode);
    QCOMPARE(scheduleMotionName(line), name);
    QCOMPARE(scheduleMotionMode(line), mode);
}

void TestScheduleCheck::lines()
{
    QCOMPARE(buildScheduleLine(7, "06:30:00", "18:00:00", "巡迹二"),
             QStringLiteral("07 开：06:30:00   关：18:00:00   运动模式：巡迹二"));
    QCOMPARE(buildScheduleLine(42, "8:5", "", "无巡航"),
             QStringLiteral("42 开：8:5   关：   运动模式：无巡航"));
    QCOMPARE(buildScheduleLine(0, "a", "b", "巡航"),
             QStringLiteral("00 开：a   关：b   运动模式：巡航"));
    QCOMPARE(defaultScheduleLine(0),
             QStringLiteral("00 开：00:00:00   关：00:00:00   自动巡航：NO"));
    QCOMPARE(defaultScheduleLine(98),
             QStringLiteral("98 开：00:00:00   关：00:00:00   自动巡航：NO"));
}

void TestScheduleCheck::lineTimes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");

    QTest::newRow("stored line") << buildScheduleLine(7, "06:30:00", "18:00:00", "巡迹二") << true
                                 << "06:30:00"
                                 << "18:00:00";
    QTest::newRow("times as typed") << buildScheduleLine(1, "8:05", "", "无巡航") << true << "8:05"
                                    << "";
    QTest::newRow("initial line") << defaultScheduleLine(5) << false << ""
                                  << "";
    QTest::newRow("marker before the times")
        << "05 运动模式：巡航 开：01:00:00 关：02:00:00" << false << ""
        << "";
    QTest::newRow("no off field") << "05 开：01:00:00   运动模式：巡航" << false << ""
                                  << "";
    QTest::newRow("empty") << "" << false << ""
                           << "";
}

void TestScheduleCheck::lineTimes()
{
    QFETCH(QString, line);
    QFETCH(bool, stored);
    QFETCH(QString, on);
    QFETCH(QString, off);
    const auto times = scheduleLineTimes(line);
    QCOMPARE(times.has_value(), stored);
    if (times) {
        QCOMPARE(times->first, on);
        QCOMPARE(times->second, off);
    }
}

void TestScheduleCheck::arming_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("now");
    QTest::addColumn<QString>("due"); // empty: not armed

    QTest::newRow("later today") << "12:12:12"
                                 << "d0 08:00:00.000"
                                 << "d0 12:12:12";
    QTest::newRow("already passed") << "12:12:12"
                                    << "d0 12:12:13.000"
                                    << "d1 12:12:12";
    QTest::newRow("within its second") << "12:12:12"
                                       << "d0 12:12:12.900"
                                       << "d0 12:12:12";
    QTest::newRow("midnight after the day began") << "00:00:00"
                                                  << "d0 00:00:00.500"
                                                  << "d0 00:00:00";
    QTest::newRow("midnight late in the day") << "00:00:00"
                                              << "d0 23:59:59.900"
                                              << "d1 00:00:00";
    QTest::newRow("not a time") << "abc"
                                << "d0 08:00:00.000"
                                << "";
    QTest::newRow("empty") << ""
                           << "d0 08:00:00.000"
                           << "";
}

void TestScheduleCheck::arming()
{
    QFETCH(QString, text);
    QFETCH(QString, now);
    QFETCH(QString, due);
    const ArmedTime armed = armTime(text, moment(now));
    QCOMPARE(armed.isArmed(), !due.isEmpty());
    if (armed.isArmed())
        QCOMPARE(QDateTime(armed.dueDate, armed.at), moment(due));
}

void TestScheduleCheck::firings_data()
{
    QTest::addColumn<QStringList>("rows");   // RowPlan texts
    QTest::addColumn<bool>("fromLines");     // armed at start-up from the lines, else stored
    QTest::addColumn<QString>("armedAt");    // the moment of storing or of start-up
    QTest::addColumn<QStringList>("events"); // clock ticks "d0 hh:mm:ss.zzz", "tick n", "untick n"
    QTest::addColumn<QStringList>("expected"); // "<tick> <row> on|off <motionMode>"

    const QStringList trackTwoAtNoon = {"3|12:12:12|18:00:00|巡迹二|1"};

    QTest::newRow("fires once in the second its clock shows")
        << trackTwoAtNoon << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:11.900", "d0 12:12:12.000", "d0 12:12:12.100",
                       "d0 12:12:12.500", "d0 12:12:12.900", "d0 12:12:13.000"}
        << QStringList{"d0 12:12:12.000 3 on 2"};

    QTest::newRow("fires every day, on and off")
        << trackTwoAtNoon << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000", "d0 18:00:00.000", "d1 12:12:11.900", "d1 12:12:12.000",
                       "d1 18:00:00.100", "d2 12:12:12.050", "d2 12:12:12.150"}
        << QStringList{"d0 12:12:12.000 3 on 2", "d0 18:00:00.000 3 off 2",
                       "d1 12:12:12.000 3 on 2", "d1 18:00:00.100 3 off 2",
                       "d2 12:12:12.050 3 on 2"};

    QTest::newRow("a skipped second still fires")
        << trackTwoAtNoon << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:11.950", "d0 12:12:13.020", "d0 12:12:13.120"}
        << QStringList{"d0 12:12:13.020 3 on 2"};

    QTest::newRow("rows with the same time fire in row order")
        << QStringList{"5|12:12:12|18:00:00|巡航|1", "2|12:12:12|18:00:00|巡迹一|1"} << false
        << "d0 08:00:00.000" << QStringList{"d0 12:12:12.000", "d0 12:12:12.100"}
        << QStringList{"d0 12:12:12.000 2 on 1", "d0 12:12:12.000 5 on 10"};

    QTest::newRow("one late tick fires in the order the times fell")
        << QStringList{"1|12:12:13|18:00:00|巡航|1", "4|12:12:12|18:00:00|巡迹一|1"} << false
        << "d0 08:00:00.000" << QStringList{"d0 12:12:11.900", "d0 12:12:13.100"}
        << QStringList{"d0 12:12:13.100 4 on 1", "d0 12:12:13.100 1 on 10"};

    QTest::newRow("equal on and off: on first")
        << QStringList{"9|07:00:00|07:00:00|巡迹九|1"} << false << "d0 06:00:00.000"
        << QStringList{"d0 07:00:00.000"}
        << QStringList{"d0 07:00:00.000 9 on 9", "d0 07:00:00.000 9 off 9"};

    QTest::newRow("unticked row lets its time pass, fires next day once ticked")
        << QStringList{"3|12:12:12|18:00:00|巡迹二|0"} << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000", "tick 3", "d0 12:12:12.500", "d0 18:00:00.000",
                       "d1 12:12:12.000"}
        << QStringList{"d0 18:00:00.000 3 off 2", "d1 12:12:12.000 3 on 2"};

    QTest::newRow("unticking an armed row keeps it armed")
        << trackTwoAtNoon << false << "d0 08:00:00.000"
        << QStringList{"untick 3", "d0 12:12:12.000", "d0 18:00:00.000", "tick 3",
                       "d1 12:12:12.000"}
        << QStringList{"d1 12:12:12.000 3 on 2"};

    QTest::newRow("no motion: switches the light, mode 0")
        << QStringList{"0|12:12:12|12:30:00|无巡航|1"} << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000", "d0 12:30:00.000"}
        << QStringList{"d0 12:12:12.000 0 on 0", "d0 12:30:00.000 0 off 0"};

    QTest::newRow("stored line without a motion field: mode 0")
        << QStringList{"6|12:12:12|12:30:00|-|1"} << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000"} << QStringList{"d0 12:12:12.000 6 on 0"};

    QTest::newRow("a time typed without a leading zero fires")
        << QStringList{"8|8:05:00|8:06|巡迹一|1"} << false << "d0 08:00:00.000"
        << QStringList{"d0 08:05:00.000", "d0 08:06:00.000"}
        << QStringList{"d0 08:05:00.000 8 on 1", "d0 08:06:00.000 8 off 1"};

    QTest::newRow("texts that are no time of day never fire")
        << QStringList{"8|24:00:00||巡迹一|1", "9|2024-05-01|abc|巡航|1"} << false
        << "d0 08:00:00.000"
        << QStringList{"d0 12:00:00.000", "d0 23:59:59.900", "d1 00:00:00.000", "d1 12:00:00.000"}
        << QStringList{};

    QTest::newRow("stored after its on-time: waits for tomorrow, off still today")
        << trackTwoAtNoon << false << "d0 13:00:00.000"
        << QStringList{"d0 13:00:00.100", "d0 18:00:00.000", "d1 12:12:12.000"}
        << QStringList{"d0 18:00:00.000 3 off 2", "d1 12:12:12.000 3 on 2"};

    QTest::newRow("stored within the on-time's second fires at once")
        << trackTwoAtNoon << false << "d0 12:12:12.500"
        << QStringList{"d0 12:12:12.600", "d0 12:12:12.700"}
        << QStringList{"d0 12:12:12.600 3 on 2"};

    QTest::newRow("start-up re-arms a stored row from its line")
        << trackTwoAtNoon << true << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000", "d0 18:00:00.000", "d1 12:12:12.000"}
        << QStringList{"d0 12:12:12.000 3 on 2", "d0 18:00:00.000 3 off 2",
                       "d1 12:12:12.000 3 on 2"};

    QTest::newRow("start-up after the on-time does not fire it until tomorrow")
        << trackTwoAtNoon << true << "d0 13:00:00.000"
        << QStringList{"d0 13:00:00.000", "d0 13:00:00.100", "d0 18:00:00.000", "d1 12:12:12.000"}
        << QStringList{"d0 18:00:00.000 3 off 2", "d1 12:12:12.000 3 on 2"};

    QTest::newRow("start-up leaves an unticked stored row quiet")
        << QStringList{"3|12:12:12|18:00:00|巡迹二|0"} << true << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000", "d0 18:00:00.000"} << QStringList{};

    QTest::newRow("start-up does not arm an initial line, even ticked")
        << QStringList{"4|00:00:00|00:00:00|initial|1"} << true << "d0 08:00:00.000"
        << QStringList{"d0 23:59:59.900", "d1 00:00:00.000", "d1 00:00:01.000"} << QStringList{};

    QTest::newRow("midnight on-time fires at the first tick of the day")
        << QStringList{"1|00:00:00|06:00:00|巡航|1"} << false << "d0 12:00:00.000"
        << QStringList{"d0 23:59:59.950", "d1 00:00:00.050", "d1 00:00:00.150"}
        << QStringList{"d1 00:00:00.050 1 on 10"};

    QTest::newRow("last second of the day skipped across midnight")
        << QStringList{"1|23:59:59|06:00:00|巡航|1"} << false << "d0 12:00:00.000"
        << QStringList{"d0 23:59:58.950", "d1 00:00:00.050", "d1 06:00:00.000", "d1 23:59:59.000"}
        << QStringList{"d1 00:00:00.050 1 on 10", "d1 06:00:00.000 1 off 10",
                       "d1 23:59:59.000 1 on 10"};

    QTest::newRow("clock set back an hour: no second firing that day")
        << trackTwoAtNoon << false << "d0 08:00:00.000"
        << QStringList{"d0 12:12:12.000", "d0 11:30:00.000", "d0 12:12:12.000", "d0 18:00:00.000",
                       "d1 12:12:12.000"}
        << QStringList{"d0 12:12:12.000 3 on 2", "d0 18:00:00.000 3 off 2",
                       "d1 12:12:12.000 3 on 2"};

    QTest::newRow("clock set back days: fires at the time's next passage")
        << trackTwoAtNoon << false << "d3 08:00:00.000"
        << QStringList{"d3 12:12:12.000", "d0 10:00:00.000", "d0 12:12:12.000"}
        << QStringList{"d3 12:12:12.000 3 on 2", "d0 12:12:12.000 3 on 2"};

    // A suspend or a clock set forward: times more than a minute old are missed, not fired, and
    // each is reported once; the row fires again at its next time.
    QTest::newRow("asleep over both times: both missed once, next time fires")
        << QStringList{"2|18:00:00|06:00:00|巡迹一|1"} << false << "d0 12:00:00.000"
        << QStringList{"d0 17:00:00.000", "d2 07:00:00.000", "d2 07:00:00.100", "d2 18:00:00.000"}
        << QStringList{"d2 07:00:00.000 2 on missed 133200", "d2 07:00:00.000 2 off missed 90000",
                       "d2 18:00:00.000 2 on 1"};

    QTest::newRow("late by a minute at most: still fires")
        << QStringList{"1|12:00:00|13:00:00|巡航|1"} << false << "d0 08:00:00.000"
        << QStringList{"d0 11:59:59.900", "d0 12:01:00.000", "d0 12:59:59.000", "d0 13:00:59.999"}
        << QStringList{"d0 12:01:00.000 1 on 10", "d0 13:00:59.999 1 off 10"};

    QTest::newRow("late by more than a minute: missed")
        << QStringList{"1|12:00:00|13:00:00|巡航|1"} << false << "d0 08:00:00.000"
        << QStringList{"d0 11:59:59.900", "d0 12:01:00.001", "d0 12:01:00.100",
                       "d0 12:59:00.000", "d0 15:30:00.000", "d1 12:00:00.000"}
        << QStringList{"d0 12:01:00.001 1 on missed 60", "d0 15:30:00.000 1 off missed 9000",
                       "d1 12:00:00.000 1 on 10"};

    QTest::newRow("clock jumps hours: only the times within the last minute fire")
        << QStringList{"1|09:00:00|21:00:00|巡迹一|1", "2|14:00:00|22:00:00|巡迹二|1",
                       "3|14:59:30|23:00:00|巡迹三|1", "4|10:00:00|11:00:00|巡迹四|0"}
        << false << "d0 08:00:00.000" << QStringList{"d0 08:30:00.000", "d0 15:00:00.000"}
        << QStringList{"d0 15:00:00.000 1 on missed 21600", "d0 15:00:00.000 2 on missed 3600",
                       "d0 15:00:00.000 3 on 3"};
}

void TestScheduleCheck::firings()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, fromLines);
    QFETCH(QString, armedAt);
    QFETCH(QStringList, events);
    QFETCH(QStringList, expected);

    QList<ScheduleRowState> state = defaultRows();
    for (const QString &text : rows) {
        const RowPlan plan = parseRow(text);
        ScheduleRowState &row = state[plan.row];
        row.line =
            plan.motion == QLatin1String("initial") ? defaultScheduleLine(plan.row) : lineOf(plan);
        row.ticked = plan.ticked;
        if (fromLines) {
            armFromLine(row, moment(armedAt));
        } else {
            row.on = armTime(plan.on, moment(armedAt));
            row.off = armTime(plan.off, moment(armedAt));
        }
    }

    QStringList fired;
    for (const QString &event : events) {
        if (event.startsWith(QLatin1String("tick ")) ||
            event.startsWith(QLatin1String("untick "))) {
            state[event.section(QLatin1Char(' '), 1).toInt()].ticked = event.startsWith('t');
            continue;
        }
        QList<ScheduleMiss> missed;
        const QList<ScheduleFiring> firings = checkSchedules(state, moment(event), &missed);
        for (const ScheduleMiss &m : missed) {
            fired << QStringLiteral("%1 %2 %3 missed %4")
                         .arg(event)
                         .arg(m.row)
                         .arg(m.action == LightSwitch::On ? "on" : "off")
                         .arg(m.lateSeconds);
        }
        for (const ScheduleFiring &f : firings) {
            QCOMPARE(f.motionName, scheduleMotionName(state.at(f.row).line));
            fired << QStringLiteral("%1 %2 %3 %4")
                         .arg(event)
                         .arg(f.row)
                         .arg(f.action == LightSwitch::On ? "on" : "off")
                         .arg(f.motionMode);
        }
    }
    if (fired != expected)
        qWarning().noquote() << "fired:" << fired.join(QLatin1String(", "));
    QCOMPARE(fired, expected);
}

QTEST_APPLESS_MAIN(TestScheduleCheck)
#include "tst_schedulecheck.moc"
