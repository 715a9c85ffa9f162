#include "DeviceExport.h"

#include <QDir>

namespace {

QString csvField(QString field)
{
    // A module name is whatever the module sends: a cell that starts like a formula would be
    // run by a spreadsheet, so it is written as text.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!field.isEmpty() && formulaStarts.contains(field.front()))
        field.prepend(QLatin1Char('\''));
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

QByteArray buildDeviceCsv(const QVector<DeviceEntry> &rows)
{
    QString text = QStringLiteral("IP,Name,MAC,Ver\r\n");
    for (const DeviceEntry &e : rows)
        text += csvField(e.ip) + QLatin1Char(',') + csvField(e.name) + QLatin1Char(',') +
                csvField(e.mac) + QLatin1Char(',') + csvField(e.version) + QStringLiteral("\r\n");
    QByteArray bytes = text.toUtf8();
    bool ascii = true;
    for (char c : std::as_const(bytes))
        if (quint8(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (!ascii)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

QString deviceExportFileName(const QString &folder, const QString &title, const QDateTime &when,
                             int rowCount)
{
    const QString name = QStringLiteral("%1 %2 - (%3).csv")
                             .arg(title, when.toString(QStringLiteral("yyyyMMdd hhmmss")))
                             .arg(rowCount);
    return QDir(folder).filePath(name);
}
