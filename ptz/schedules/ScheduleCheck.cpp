#include "ScheduleCheck.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kOnField = QStringLiteral("开：");
const QString kOffField = QStringLiteral("关：");
const QString kMotionField = QStringLiteral("运动模式：");

int secondsOfDay(const QTime &time)
{
    return time.hour() * 3600 + time.minute() * 60 + time.second();
}

// The next day on which `at` falls strictly after `now`.
QDate nextDueDateAfter(const QTime &at, const QDateTime &now)
{
    return now.time() >= at ? now.date().addDays(1) : now.date();
}

bool isReached(const ArmedTime &armed, const QDateTime &now)
{
    const QDate today = now.date();
    return today > armed.dueDate || (today == armed.dueDate && now.time() >= armed.at);
}

struct DueFiring
{
    QDate date;
    QTime at;
    ScheduleFiring firing;
};

} // namespace

int motionModeFromName(const QString &name)
{
    static const QStringList names = {
        QStringLiteral("巡迹一"), QStringLiteral("巡迹二"), QStringLiteral("巡迹三"),
        QStringLiteral("巡迹四"), QStringLiteral("巡迹五"), QStringLiteral("巡迹六"),
        QStringLiteral("巡迹七"), QStringLiteral("巡迹八"), QStringLiteral("巡迹九"),
        QStringLiteral("巡航"),
    };
    return int(names.indexOf(name)) + 1;
}

QString scheduleMotionName(const QString &line)
{
    const qsizetype at = line.indexOf(kMotionField);
    if (at < 0)
        return line.mid(4);
    return line.mid(at + kMotionField.size());
}

int scheduleMotionMode(const QString &line)
{
    return motionModeFromName(scheduleMotionName(line));
}

QString buildScheduleLine(int row, const QString &onText, const QString &offText,
                          const QString &motionName)
{
    const QString number =
        row < 10 ? QStringLiteral("0") + QString::number(row) : QString::number(row);
    return number + QStringLiteral(" ") + kOnField + onText + QStringLiteral("   ") + kOffField +
           offText + QStringLiteral("   ") + kMotionField + motionName;
}

QString defaultScheduleLine(int row)
{
    return QStringLiteral("%1 开：00:00:00   关：00:00:00   自动巡航：NO")
        .arg(row, 2, 10, QLatin1Char('0'));
}

std::optional<QTime> parseTimeOfDay(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const int second = match.hasCaptured(3) ? match.captured(3).toInt() : 0;
    if (!QTime::isValid(hour, minute, second))
        return std::nullopt;
    return QTime(hour, minute, second);
}

ArmedTime armTime(const QString &text, const QDateTime &now)
{
    const std::optional<QTime> at = parseTimeOfDay(text);
    if (!at || !now.isValid())
        return {};
    const bool passed = secondsOfDay(now.time()) > secondsOfDay(*at);
    return {*at, passed ? now.date().addDays(1) : now.date()};
}

std::optional<std::pair<QString, QString>> scheduleLineTimes(const QString &line)
{
    const qsizetype motion = line.indexOf(kMotionField);
    if (motion < 0)
        return std::nullopt;
    const qsizetype on = line.indexOf(kOnField);
    if (on < 0 || on > motion)
        return std::nullopt;
    const qsizetype onStart = on + kOnField.size();
    const qsizetype off = line.indexOf(kOffField, onStart);
    if (off < 0 || off > motion)
        return std::nullopt;
    const qsizetype offStart = off + kOffField.size();
    return std::make_pair(line.mid(onStart, off - onStart).trimmed(),
                          line.mid(offStart, motion - offStart).trimmed());
}

void armFromLine(ScheduleRowState &row, const QDateTime &now)
{
    const auto times = scheduleLineTimes(row.line);
    row.on = times ? armTime(times->first, now) : ArmedTime{};
    row.off = times ? armTime(times->second, now) : ArmedTime{};
}

QList<ScheduleFiring> checkSchedules(QList<ScheduleRowState> &rows, const QDateTime &now,
                                     QList<ScheduleMiss> *missed)
{
    if (!now.isValid())
        return {};
    QList<DueFiring> due;
    for (int n = 0; n < rows.size(); ++n) {
        ScheduleRowState &row = rows[n];
        for (LightSwitch action : {LightSwitch::On, LightSwitch::Off}) {
            ArmedTime &armed = action == LightSwitch::On ? row.on : row.off;
            if (!armed.isArmed())
                continue;
            if (!isReached(armed, now)) {
                // The clock was set back by more than a day: wait for the time's next passage
                // from here rather than for a date that is days away.
                if (armed.dueDate > now.date().addDays(1))
                    armed.dueDate = nextDueDateAfter(armed.at, now);
                continue;
            }
            const QDateTime dueAt(armed.dueDate, armed.at);
            const qint64 lateMs = dueAt.msecsTo(now);
            if (row.ticked && lateMs <= kScheduleCatchUpSeconds * 1000) {
                const QString motion = scheduleMotionName(row.line);
                due.append(
                    {armed.dueDate, armed.at, {n, action, motion, motionModeFromName(motion)}});
            } else if (row.ticked && missed) {
                missed->append({n, action, dueAt, lateMs / 1000});
            }
            armed.dueDate = nextDueDateAfter(armed.at, now);
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const DueFiring &a, const DueFiring &b) {
        return std::pair(a.date, a.at) < std::pair(b.date, b.at);
    });
    QList<ScheduleFiring> firings;
    firings.reserve(due.size());
    for (const DueFiring &d : due)
        firings.append(d.firing);
    return firings;
}

QString scheduleMissText(const ScheduleMiss &miss)
{
    const qint64 late = miss.lateSeconds;
    QString howLate;
    if (late >= 86400)
        howLate = QStringLiteral("%1 天 %2 小时").arg(late / 86400).arg(late % 86400 / 3600);
    else if (late >= 3600)
        howLate = QStringLiteral("%1 小时 %2 分").arg(late / 3600).arg(late % 3600 / 60);
    else if (late >= 60)
        howLate = QStringLiteral("%1 分 %2 秒").arg(late / 60).arg(late % 60);
    else
        howLate = QStringLiteral("%1 秒").arg(late);
    return QStringLiteral("定时 %1 %2 %3 已错过（晚了 %4），未执行")
        .arg(miss.row, 2, 10, QLatin1Char('0'))
        .arg(miss.action == LightSwitch::On ? QStringLiteral("开") : QStringLiteral("关"))
        .arg(miss.due.time().toString(QStringLiteral("HH:mm:ss")), howLate);
}
