#include "ProgramVersion.h"

#include <QStringList>

#ifndef X7_PROGRAM_VERSION
#define X7_PROGRAM_VERSION ""
#endif

QString fourPartVersion(const QString &version)
{
    if (version.trimmed().isEmpty())
        return {};
    QStringList parts = version.trimmed().split(QLatin1Char('.'));
    while (parts.size() < 4)
        parts.append(QStringLiteral("0"));
    return parts.mid(0, 4).join(QLatin1Char('.'));
}

QString programVersionText()
{
    return fourPartVersion(QStringLiteral(X7_PROGRAM_VERSION));
}
