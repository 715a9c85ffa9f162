#include "ScheduleFiles.h"

#include "textfiles/LineDocument.h"
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
    // One byte past the bound tells a file that is too large: it is not read at all.
    const QByteArray bytes = TextFiles::readUpTo(device, kMaxScheduleFileBytes);
    if (bytes.size() > kMaxScheduleFileBytes)
        return {};
    const LineDocument doc = LineDocument::fromBytes(bytes, LineDocument::LineEnds::AlsoLoneCr);
    return doc.texts().mid(0, maxLines);
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

QByteArray rewriteScheduleFile(const QByteArray &existing, const QStringList &lines,
                               const SameLine &same)
{
    LineDocument doc = LineDocument::fromBytes(existing, LineDocument::LineEnds::AlsoLoneCr);
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = sanitisedLine(lines.at(n));
        if (n >= doc.size())
            doc.append(line);
        else if (!same || !same(doc.text(n), line))
            doc.setText(n, line);
    }
    return doc.toBytes();
}

bool sameCheckMark(const QString &stored, const QString &wanted)
{
    const std::optional<bool> a = parseCheckMark(stored);
    return a && a == parseCheckMark(wanted);
}
