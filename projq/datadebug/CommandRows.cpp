#include "CommandRows.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace CommandRows {

namespace {

const QString kTrue = QStringLiteral("true");
const QString kFalse = QStringLiteral("false");

bool isTrue(const QString &field)
{
    return field.trimmed().compare(kTrue, Qt::CaseInsensitive) == 0;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

} // namespace

Row clearedRow(const QString &defaultName)
{
    Row row;
    row.name = defaultName;
    return row;
}

QString rowToLine(const Row &row)
{
    return QStringList{row.chosen ? kTrue : kFalse, row.name, row.command, row.hex ? kTrue : kFalse,
                       row.delay}
        .join(kFieldSeparator);
}

std::optional<Row> rowFromLine(const QString &line)
{
    // Fields are taken as written: the older program writes them without quoting, so a quote
    // or a blank in a field is part of it.
    const QStringList fields = line.split(kFieldSeparator);
    if (fields.size() != 5)
        return std::nullopt;
    Row row;
    row.chosen = isTrue(fields.at(0));
    row.name = fields.at(1);
    row.command = fields.at(2);
    row.hex = isTrue(fields.at(3));
    row.delay = fields.at(4).trimmed();
    return row;
}

QStringList fileLines(const QList<Row> &rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const Row &row : rows)
        lines << rowToLine(row);
    return lines;
}

QList<Row> rowsFromFileText(const QString &text, const QString &defaultName)
{
    QStringList lines = text.split(u'\n');
    // The line end of the last line does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QList<Row> rows;
    rows.reserve(kRowCount);
    for (int i = 0; i < kRowCount; ++i) {
        std::optional<Row> row;
        if (i < lines.size()) {
            QString line = lines.at(i);
            if (line.endsWith(u'\r'))
                line.chop(1);
            row = rowFromLine(line);
        }
        rows << row.value_or(clearedRow(defaultName));
    }
    return rows;
}

QByteArray textToBytes(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString bytesToShownText(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(bytes);
    for (QChar &c : text) {
        if (isControl(c) || c == QChar::ReplacementCharacter)
            c = u'.';
    }
    return text;
}

QString bytesToHex(const QByteArray &bytes, const QString &separator)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * (2 + separator.size()));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += separator;
        const auto b = static_cast<unsigned char>(bytes.at(i));
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 0x0F]);
    }
    return out;
}

std::optional<QByteArray> hexToBytes(const QString &hex)
{
    QByteArray out;
    int high = -1;
    for (const QChar c : hex) {
        if (c == u' ')
            continue;
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            out.append(static_cast<char>((high << 4) | d));
            high = -1;
        }
    }
    if (high >= 0)
        out.append(static_cast<char>(high));
    return out;
}

QString textToHexCommand(const QString &text)
{
    return bytesToHex(textToBytes(text));
}

std::optional<QString> hexCommandToText(const QString &hex)
{
    const std::optional<QByteArray> bytes = hexToBytes(hex);
    if (!bytes)
        return std::nullopt;
    QStringDecoder decoder("GB18030");
    const QString text = decoder.decode(*bytes);
    if (decoder.hasError() || textToBytes(text) != *bytes)
        return std::nullopt;
    for (const QChar c : text) {
        if (isControl(c) || c == kFieldSeparator)
            return std::nullopt;
    }
    return text;
}

std::optional<QByteArray> rowPayload(const Row &row)
{
    if (row.hex)
        return hexToBytes(row.command);
    return textToBytes(row.command);
}

std::optional<int> delayMs(const QString &delay)
{
    if (delay.isEmpty())
        return 0;
    bool ok = false;
    const int ms = delay.toInt(&ok);
    if (!ok || ms < 0 || ms > kMaxDelayMs)
        return std::nullopt;
    return ms;
}

bool fitsFileField(const QString &text)
{
    return !text.contains(kFieldSeparator);
}

} // namespace CommandRows
