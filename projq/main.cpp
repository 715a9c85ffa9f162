// Proj_Q: finds X7 serial-to-Ethernet modules on the LAN and configures them.

#include "app/MainWindow.h"
#include "appcore/SingleInstance.h"
#include "dialogs/WindowHelpers.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

namespace {

struct Options
{
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption search{
        QStringLiteral("search"),
        QStringLiteral("Search for modules once at start, as the search button does.")};

    Options()
        : help(parser.addHelpOption())
    {
        parser.setApplicationDescription(QStringLiteral(
            "Finds X7 serial-to-Ethernet modules on the LAN and reads, writes, restarts and\n"
            "resets them. The environment variable X7_BIND_ADDRESSES (comma-separated IPv4\n"
            "addresses) replaces the host's own addresses, e.g. X7_BIND_ADDRESSES=127.0.0.1 to\n"
            "work with x7sim on loopback only."));
        parser.addOption(search);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    const QStringList helpNames = {QStringLiteral("-h"), QStringLiteral("--help"),
                                   QStringLiteral("-?"), QStringLiteral("--help-all")};
    for (int i = 1; i < argc; ++i) {
        if (helpNames.contains(QString::fromLocal8Bit(argv[i]))) {
            // Help needs no display: print it and stop.
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("Proj_Q"));
            options.parser.process(core);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Proj_Q"));
    QApplication::setOrganizationName(QStringLiteral("X7"));
    options.parser.process(app); // Qt's own options are gone from the list by now

    SingleInstance guard;
    if (!guard.claim())
        return 0; // the running instance raises its window

    MainWindow window;
    QObject::connect(&guard, &SingleInstance::raiseRequested, &window,
                     [&window] { bringWindowToFront(&window); });
    window.show();
    if (options.parser.isSet(options.search))
        QTimer::singleShot(0, &window, &MainWindow::startSearch);
    return app.exec();
}
