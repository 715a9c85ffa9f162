// Proj_Q: finds X7 serial-to-Ethernet modules on the LAN and configures them.

#include "app/MainWindow.h"
#include "appcore/SingleInstance.h"
#include "dialogs/WindowHelpers.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Proj_Q"));
    QApplication::setOrganizationName(QStringLiteral("X7"));

    SingleInstance guard;
    if (!guard.claim())
        return 0; // the running instance raises its window

    MainWindow window;
    QObject::connect(&guard, &SingleInstance::raiseRequested, &window,
                     [&window] { bringWindowToFront(&window); });
    window.show();
    return app.exec();
}
