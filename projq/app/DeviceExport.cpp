#include "DeviceExport.h"

#include "common/CsvText.h"

#include <QDir>

QByteArray buildDeviceCsv(const QVector<DeviceEntry> &rows)
{
    QList<QStringList> lines{{QStringLiteral("IP"), QStringLiteral("Name"), QStringLiteral("MAC"),
                              QStringLiteral("Ver")}};
    for (const DeviceEntry &e : rows)
        lines.append({e.ip, e.name, e.mac, e.version});
    return csvFileBytes(lines);
}

QString deviceExportFileName(const QString &folder, const QString &title, const QDateTime &when,
                             int rowCount)
{
    const QString name = QStringLiteral("%1 %2 - (%3).csv")
                             .arg(title, when.toString(QStringLiteral("yyyyMMdd hhmmss")))
                             .arg(rowCount);
    return QDir(folder).filePath(name);
}
