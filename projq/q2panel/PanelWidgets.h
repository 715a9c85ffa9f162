#pragma once

// Building the parameter panels' controls: each control is created with its object name (the
// name tests, style sheets and accessibility find it by), a caption is the buddy of its field.
// Shared by the Q1, Q2 and Q3 panels.

#include <QString>
#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace PanelWidgets {

template<class W> W *named(const char *name, QWidget *parent = nullptr)
{
    auto *w = new W(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

// `maxLength` 0 leaves the typing limit as it is.
QLineEdit *edit(const char *name, const QString &text = QString(), int maxLength = 0);
// With `minimumContents` > 0 the list is sized for that many characters, so long items (English
// texts, Chinese Modbus modes) do not widen the panel; 0 sizes it for its longest item.
QComboBox *combo(const char *name, const QStringList &items, int selected = 0,
                 int minimumContents = 0);
QCheckBox *check(const char *name, const QString &text);
QLabel *caption(const char *name, QWidget *buddy, const QString &text = QString());

} // namespace PanelWidgets
