#pragma once

// The schedule rows without widgets or files: the display line format, the motion names, the
// arming of on- and off-times and the check that decides which rows fire at a given moment.
//
// A stored row fires every day at its times while it is ticked. Each armed time remembers the
// date of its next firing; a check fires every armed time whose moment has been reached, so a
// tick that comes late (a busy machine skipping a second, midnight passing between two ticks)
// still fires, and once fired the time waits for the next day, so it never fires twice.
// A moment is caught up only while it is at most a minute old: after a suspend or a clock jump
// of hours, switching the light and starting motions for times long gone would leave the head in
// whatever state the last of them gives, so such a time is reported as missed instead.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

#include <optional>
#include <utility>

inline constexpr int kScheduleRowCount = 99;
// How late a check may come and still fire an armed time.
inline constexpr int kScheduleCatchUpSeconds = 60;

enum class LightSwitch { On, Off };

// "无巡航" and unknown words are 0, "巡迹一" … "巡迹九" are 1 … 9, "巡航" is 10.
int motionModeFromName(const QString &name);

// The motion word of a display line: the rest of the line after "运动模式：", or the text from
// the fifth character on when the marker is missing.
QString scheduleMotionName(const QString &line);
int scheduleMotionMode(const QString &line);

// "07 开：06:30:00   关：18:00:00   运动模式：巡迹二" — the times exactly as typed.
QString buildScheduleLine(int row, const QString &onText, const QString &offText,
                          const QString &motionName);
// What a row shows before it is ever stored: "07 开：00:00:00   关：00:00:00   自动巡航：NO".
QString defaultScheduleLine(int row);

// A time of day as the operator types it: "12:12:12", "8:05:00" or "8:05" (1 or 2 digits per
// field, surrounding blanks ignored). Anything else, dates included, is not a time of day and
// never fires; the row dialog warns about such texts.
std::optional<QTime> parseTimeOfDay(const QString &text);

struct ArmedTime
{
    QTime at;      // invalid: not armed, never fires
    QDate dueDate; // the date of the next firing at `at`

    bool isArmed() const { return at.isValid() && dueDate.isValid(); }
    bool operator==(const ArmedTime &) const = default;
};

// Arms `text` at `now`: the first firing is today when the time has not yet passed (the current
// second counts as not passed), else tomorrow; so arming never fires a time already behind us.
ArmedTime armTime(const QString &text, const QDateTime &now);

// The on- and off-time texts of a line stored by the row dialog (the "开：" and "关：" fields).
// Lines without the "运动模式：" field were never stored (the initial lines) and give nothing.
std::optional<std::pair<QString, QString>> scheduleLineTimes(const QString &line);

struct ScheduleRowState
{
    QString line;
    bool ticked = false;
    ArmedTime on;
    ArmedTime off;
};

// Re-arms a row from its display line, as at start-up after the lines are read back.
void armFromLine(ScheduleRowState &row, const QDateTime &now);

struct ScheduleFiring
{
    int row = 0;
    LightSwitch action = LightSwitch::On;
    QString motionName;
    int motionMode = 0;

    bool operator==(const ScheduleFiring &) const = default;
};

// A ticked row's time that was reached more than kScheduleCatchUpSeconds before the check.
struct ScheduleMiss
{
    int row = 0;
    LightSwitch action = LightSwitch::On;
    QDateTime due; // the moment it should have fired
    qint64 lateSeconds = 0;

    bool operator==(const ScheduleMiss &) const = default;
};

// "定时 07 开 06:30:00 已错过（晚了 3 小时 5 分），未执行" for the operator's log.
QString scheduleMissText(const ScheduleMiss &miss);

// Fires every armed time of `rows` whose moment `now` has reached, at most
// kScheduleCatchUpSeconds ago, and moves it on to its next day. Older moments of ticked rows
// move on without firing and are listed in `missed` (when given); unticked rows let their
// moments pass silently. Firings come in the order their moments fell, then by row number, the
// on-time of a row before its off-time; so rows armed with the same time fire in row order.
QList<ScheduleFiring> checkSchedules(QList<ScheduleRowState> &rows, const QDateTime &now,
                                     QList<ScheduleMiss> *missed = nullptr);
