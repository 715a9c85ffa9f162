#include "PanelWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace PanelWidgets {

QLineEdit *edit(const char *name, const QString &text, int maxLength)
{
    auto *e = named<QLineEdit>(name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    e->setText(text);
    return e;
}

QComboBox *combo(const char *name, const QStringList &items, int selected, int minimumContents)
{
    auto *c = named<QComboBox>(name);
    if (minimumContents > 0) {
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(minimumContents);
    }
    c->addItems(items);
    c->setCurrentIndex(selected);
    return c;
}

QCheckBox *check(const char *name, const QString &text)
{
    auto *c = named<QCheckBox>(name);
    c->setText(text);
    return c;
}

QLabel *caption(const char *name, QWidget *buddy, const QString &text)
{
    auto *l = named<QLabel>(name);
    l->setText(text);
    l->setBuddy(buddy);
    return l;
}

} // namespace PanelWidgets
