#pragma once

// The frame `Frame1` "定时配置区" of the console: the 99-row checkable list `定时配置`, the help
// button `定时配置说明`, the row dialog `Form2`, the 100 ms clock `TmrDateTime` with its date and
// time boxes `TxtDate` / `TxtTime`, and the files "123.ini", "321.ini", "322.ini".
//
// Wiring by the console window (which owns the light and the motions):
//   - place dateBox() and timeBox() in its bottom strip (they have no parent until placed);
//   - connect lightOnDue / lightOffDue: set `motionMode` from the signal (or from
//     parseMotionMode over displayLine(row)), then scheduledLightOn / scheduledLightOff;
//   - at start: setDeviceIpText(<设备IP text>), loadDeviceIpFile(), put deviceIpText() in
//     `设备IP`; later loadScheduleFiles() (or loadFiles() for both at once);
//   - at exit: setDeviceIpText(<设备IP text>), saveFiles().

#include "ScheduleCheck.h"
#include "ScheduleFiles.h"
#include "ScheduleMessages.h"

#include <QDateTime>
#include <QGroupBox>
#include <QLineEdit>
#include <QList>
#include <QPointer>
#include <QString>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTimer;
class ScheduleRowDialog;

class ScheduleBoard : public QGroupBox
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    explicit ScheduleBoard(QWidget *parent = nullptr);
    ~ScheduleBoard() override;

    // The local time source of the clock and the check; tests replace it.
    void setClock(Clock clock);
    void setNotifier(ScheduleNotifier notifier);

    // --- rows
    // The display line of row `row`, or an empty text when there is no such row.
    QString displayLine(int row) const;
    bool isTicked(int row) const;
    void setTicked(int row, bool ticked);
    // What OK of the row dialog does: the new line is inserted at `row` and ticked, the old
    // line removed, and both times armed. Rows outside 0 … 98 are ignored.
    void storeRow(int row, const QString &onText, const QString &offText,
                  const QString &motionName);
    // The armed on- and off-time of a row (for inspection).
    ArmedTime armedOn(int row) const;
    ArmedTime armedOff(int row) const;

    // --- files, in fileFolder() (TextFiles::folder() unless set)
    QString fileFolder() const { return m_folder; }
    void setFileFolder(const QString &folder) { m_folder = folder; }
    QString deviceIpText() const { return m_deviceIp; }
    void setDeviceIpText(const QString &text) { m_deviceIp = text; }
    // At start: removes save temporaries of the three files left by a killed run (see
    // TextFiles::removeStaleSaveTemporaries), then loadDeviceIpFile() and loadScheduleFiles().
    // Missing or broken files leave what they do
    // not supply unchanged; nothing is shown. A file over kMaxScheduleFileBytes is not read, is
    // not rewritten by saveFiles() and is named by fileTrouble().
    void loadFiles();
    // "123.ini": its first line becomes deviceIpText().
    void loadDeviceIpFile();
    // The check marks of "322.ini", then the lines of "321.ini"; then every stored row is armed
    // from its line, so a restart keeps the schedules working (times already passed today wait
    // for tomorrow).
    void loadScheduleFiles();
    // Writes "123.ini", "321.ini" and "322.ini", each replaced atomically; false when any could
    // not be written (the others are still written), with one text per such file in `failures`
    // (kScheduleSaveFailedText: its path and the reason). Only the lines the console keeps are
    // written: a line that already says the same keeps its bytes, and so does every line past
    // them (99 rows, one device IP line).
    bool saveFiles(QStringList *failures = nullptr) const;

    // --- clock
    // One tick of `TmrDateTime`: shows the date and time, then runs the schedule check.
    void tick();
    QLineEdit *dateBox() const { return m_date; }
    QLineEdit *timeBox() const { return m_time; }
    QTimer *clockTimer() const { return m_timer; }

    QListWidget *list() const { return m_list; }
    ScheduleRowDialog *rowDialog() const { return m_dialog; }

    void showHelp();

signals:
    // A ticked row reached its on- or off-time. `motionMode` is what parseMotionMode gives for
    // the row's line (0 none, 1 … 9 tracks one to nine, 10 cruise). Emitted in firing order,
    // so the last one of a tick carries the motion of the last firing row.
    void lightOnDue(int row, int motionMode);
    void lightOffDue(int row, int motionMode);
    // A ticked row's time went by more than a minute before the clock saw it (a suspend, a
    // clock set forward): it was not fired. `text` says so for the operator's log.
    void scheduleMissed(int row, const QString &text);
    // A file could not be used (too large to read); `text` says which, for the operator's log.
    void fileTrouble(const QString &text);

private:
    void buildControls();
    QListWidgetItem *makeItem(const QString &line, bool ticked) const;
    void checkSchedules(const QDateTime &now);
    void onRowDoubleClicked(QListWidgetItem *item);
    QDateTime now() const;
    // The file's bytes in the files folder, or nothing when it is missing, unreadable or too
    // large (then it is remembered as not to be rewritten and fileTrouble() names it).
    std::optional<QByteArray> readFile(const QString &fileName);
    bool saveFile(const QString &fileName, const QStringList &lines, const SameLine &same,
                  QStringList *failures) const;

    QListWidget *m_list = nullptr;
    QPushButton *m_help = nullptr;
    QPointer<QLineEdit> m_date;
    QPointer<QLineEdit> m_time;
    QTimer *m_timer = nullptr;
    ScheduleRowDialog *m_dialog = nullptr;
    QList<ArmedTime> m_on;
    QList<ArmedTime> m_off;
    QString m_folder;
    QString m_deviceIp;
    QStringList m_notRead; // files too large to read in this run
    Clock m_clock;
    ScheduleNotifier m_notify = showScheduleInformation;
};
