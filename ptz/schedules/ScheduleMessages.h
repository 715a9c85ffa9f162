#pragma once

// The information boxes of the schedule list and the row dialog. Shown without a nested event
// loop: the box is window-modal to its window and returns at once. Tests replace the notifier.

#include <QString>

#include <functional>

class QWidget;

inline const QString kScheduleMessageTitle = QStringLiteral("提示信息");
inline const QString kScheduleHelpText =
    QStringLiteral("自动巡航模式的定时设置，必须在“英文输入法”下设置时间,格式如下：12:12:12");
inline const QString kScheduleTimeErrorText =
    QStringLiteral("输入时间有误，请重新输入，如有疑问请点击面板上的“定时配置说明”查看");
// A schedule file over its size limit (%1 its path), and one that could not be written (%1 its
// path, %2 the system's reason).
inline const QString kScheduleFileTooLargeText =
    QStringLiteral("%1 大于 1 MB，未读取，退出时也不会改写。");
inline const QString kScheduleSaveFailedText = QStringLiteral("无法保存 %1：%2");

// Shows `text` under the title "提示信息" with an OK button, over `parent`'s window.
using ScheduleNotifier = std::function<void(QWidget *parent, const QString &text)>;

// The default notifier. While a box with the same text is still open over the same window, it
// is raised instead of stacking another (the time boxes complain at every keystroke).
void showScheduleInformation(QWidget *parent, const QString &text);
