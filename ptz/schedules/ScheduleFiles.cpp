#include "ScheduleFiles.h"

#include "textfiles/TextFiles.h"

#include <QFile>
#include <QLocale>

namespace {

QString sanitisedLine(QString line)
{
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

} // namespace

QStringList readScheduleFileLines(QIODevice &device, int maxLines)
{
    if (maxLines <= 0 || !device.isReadable())
        return {};
    QByteArray bytes = device.read(kMaxScheduleFileBytes);
    if (!device.atEnd()) {
        // Cut at the last line end so that no half line (or half character) is taken.
        const qsizetype end = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(end < 0 ? 0 : end + 1);
    }
    const QString text = TextFiles::decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size() && lines.size() < maxLines) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != QLatin1Char('\r') &&
               text.at(end) != QLatin1Char('\n'))
            ++end;
        lines.append(text.mid(start, end - start));
        if (end < text.size() && text.at(end) == QLatin1Char('\r'))
            ++end;
        if (end < text.size() && text.at(end) == QLatin1Char('\n'))
            ++end;
        start = end;
    }
    return lines;
}

std::optional<bool> parseCheckMark(const QString &text)
{
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = QLocale::c().toDouble(word, &ok);
    if (!ok)
        return std::nullopt;
    return number != 0.0;
}

std::optional<QString> readDeviceIpFile(QIODevice &device)
{
    const QStringList lines = readScheduleFileLines(device, 1);
    if (lines.isEmpty())
        return std::nullopt;
    return lines.first();
}

int readScheduleMarks(QIODevice &device, QList<bool> &marks)
{
    const QStringList lines = readScheduleFileLines(device, int(marks.size()));
    int n = 0;
    for (const QString &line : lines) {
        const std::optional<bool> mark = parseCheckMark(line);
        if (!mark)
            break;
        marks[n++] = *mark;
    }
    return n;
}

int readScheduleLines(QIODevice &device, QStringList &lines)
{
    const QStringList read = readScheduleFileLines(device, int(lines.size()));
    for (int n = 0; n < read.size(); ++n)
        lines[n] = read.at(n);
    return int(read.size());
}

QByteArray encodeScheduleFile(const QStringList &lines)
{
    QStringList clean;
    clean.reserve(lines.size());
    for (const QString &line : lines)
        clean.append(sanitisedLine(line));
    return TextFiles::encodeLines(clean);
}

QStringList scheduleMarkLines(const QList<bool> &marks)
{
    QStringList lines;
    for (bool mark : marks)
        lines.append(mark ? QStringLiteral("True") : QStringLiteral("False"));
    return lines;
}
