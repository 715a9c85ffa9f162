#include "console/ConsolePrompt.h"

#include <QMessageBox>

void showPrompt(QWidget *parent, const QString &text)
{
    QWidget *window = parent ? parent->window() : nullptr;
    if (window) {
        for (QMessageBox *open : window->findChildren<QMessageBox *>()) {
            if (open->isVisible() && open->text() == text) {
                open->raise();
                open->activateWindow();
                return;
            }
        }
    }
    auto *box =
        new QMessageBox(QMessageBox::Information, kPromptTitle, text, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
