// ptzdesk: the operator console for a pan-tilt head with a searchlight.

#include "console/PtzConsole.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ptzdesk"));
    // The console closes only through its exit button; the about box or the row dialog left
    // open must not keep the program alive after it.
    QApplication::setQuitOnLastWindowClosed(false);

    PtzConsole console;
    QObject::connect(&console, &PtzConsole::exitRequested, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    console.show();
    return app.exec();
}
