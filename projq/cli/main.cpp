// x7ctl: searches, reads and writes X7 modules from the command line.

#include "X7Ctl.h"

#include "lang/LangList.h"

#include <QCoreApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("x7ctl"));
    // The panels' messages in the language of the system: Chinese for a Chinese locale, else
    // English (no Lang.txt is read or written by the command-line tool).
    setIsChinese(QLocale::system().language() == QLocale::Chinese);
    X7Ctl ctl;
    int code = 0;
    bool ended = false;
    QObject::connect(&ctl, &X7Ctl::done, &app, [&](int exitCode) {
        code = exitCode;
        ended = true;
        QCoreApplication::exit(exitCode);
    });
    ctl.start(app.arguments());
    if (ended) // finished before the event loop ran (--help, a usage error)
        return code;
    return app.exec();
}
