#include "WindowHelpers.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>

void bringWindowToFront(QWidget *window)
{
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != window && modal->isVisible()) {
        modal->raise();
        modal->activateWindow();
    }
}

void centerOnScreen(QWidget *window)
{
    const QWidget *anchor = window->parentWidget() ? window->parentWidget() : window;
    QScreen *screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}
