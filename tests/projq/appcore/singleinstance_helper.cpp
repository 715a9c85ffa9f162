// Plays one program start: claims the guard of the key given as argument. Exits with 3 when
// another instance runs; otherwise prints "primary" and then "raised" for every raise request.
// With a second argument, waits until that file exists before claiming, so that many starts
// can be released at the same moment.
#include "appcore/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QThread>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    if (argc > 2) {
        const QString go = QString::fromLocal8Bit(argv[2]);
        while (!QFile::exists(go))
            QThread::usleep(200);
    }
    SingleInstance guard(QString::fromLocal8Bit(argv[1]));
    if (!guard.claim())
        return 3;
    QTextStream out(stdout);
    QObject::connect(&guard, &SingleInstance::raiseRequested,
                     [&out] { out << "raised" << Qt::endl; });
    out << "primary" << Qt::endl;
    return app.exec();
}
