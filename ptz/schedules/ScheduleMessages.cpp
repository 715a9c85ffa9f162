#include "ScheduleMessages.h"

#include <QMessageBox>
#include <QWidget>

void showScheduleInformation(QWidget *parent, const QString &text)
{
    QWidget *owner = parent ? parent->window() : nullptr;
    if (owner) {
        const auto boxes = owner->findChildren<QMessageBox *>(Qt::FindDirectChildrenOnly);
        for (QMessageBox *open : boxes) {
            if (open->isVisible() && open->text() == text) {
                open->raise();
                open->activateWindow();
                return;
            }
        }
    }
    auto *box = new QMessageBox(QMessageBox::Information, kScheduleMessageTitle, text,
                                QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
