#include "CsvText.h"

QString csvField(QString field)
{
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

QByteArray csvFileBytes(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &row : rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells << csvField(cell);
        text += cells.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    QByteArray bytes = text.toUtf8();
    for (char c : std::as_const(bytes))
        if (quint8(c) >= 0x80) {
            bytes.prepend("\xEF\xBB\xBF");
            break;
        }
    return bytes;
}
