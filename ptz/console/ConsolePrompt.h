#pragma once

// The console's information prompts: a box titled "提示信息" with an OK button. The box is
// window-modal and returns at once (no nested event loop); tests put their own function in.

#include <QString>

#include <functional>

class QWidget;

inline const QString kPromptTitle = QStringLiteral("提示信息");

using PromptFunction = std::function<void(QWidget *parent, const QString &text)>;

// The default: while a box with the same text is open over the same window it is raised
// instead of stacking another (a slider dragged with a bad device number would pile them up).
void showPrompt(QWidget *parent, const QString &text);
