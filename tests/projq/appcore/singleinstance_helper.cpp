// Plays one program start: claims the guard of the key given as argument. Exits with 3 when
// another instance runs; otherwise prints "primary" and then "raised" for every raise request.
#include "appcore/SingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    SingleInstance guard(QString::fromLocal8Bit(argv[1]));
    if (!guard.claim())
        return 3;
    QTextStream out(stdout);
    QObject::connect(&guard, &SingleInstance::raiseRequested,
                     [&out] { out << "raised" << Qt::endl; });
    out << "primary" << Qt::endl;
    return app.exec();
}
