#pragma once

// `Form2`, the row dialog "定时配置": the on- and off-time of one schedule row and the motion the
// head starts after switching on. Modeless; hidden by OK, which hands the row to the list.

#include "ScheduleMessages.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;

class ScheduleRowDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ScheduleRowDialog(QWidget *parent = nullptr);

    // Shows the dialog for row `row` (`Shuangjihang`) without blocking. The fields keep what
    // was last entered; they are not refilled from the row.
    void openForRow(int row);
    int row() const { return m_row; }

    QString onTimeText() const;
    QString offTimeText() const;
    // "无巡航" at start, then the name of the last box ticked.
    QString motionName() const { return m_motionName; }

    void setNotifier(ScheduleNotifier notifier) { m_notify = std::move(notifier); }

signals:
    // OK was pressed: the list stores the row and arms its times.
    void rowStored(int row, const QString &onText, const QString &offText,
                   const QString &motionName);

private:
    void buildControls();
    void onMotionToggled(int index, bool checked);
    void onTimeEdited(const QString &text);
    void onOk();

    QLineEdit *m_on = nullptr;
    QLineEdit *m_off = nullptr;
    QList<QCheckBox *> m_motions; // Check1 … Check11
    QPushButton *m_ok = nullptr;
    QString m_motionName;
    int m_row = 0;
    ScheduleNotifier m_notify = showScheduleInformation;
};
