#include "ScheduleFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryFile>

namespace {

bool folderIsWritable(const QString &folder)
{
    // QFileInfo::isWritable misjudges network shares and ACLs; creating a file is the true test.
    QTemporaryFile probe(folder + QStringLiteral("/.ptzdesk-write-probe-XXXXXX"));
    return probe.open();
}

QString sanitisedLine(QString line)
{
    line.replace(QLatin1Char('\r'), QLatin1Char(' '));
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line;
}

} // namespace

QString ptzFileFolder()
{
    const QString overridden = qEnvironmentVariable("X7_FILES_DIR");
    if (!overridden.isEmpty()) {
        QDir().mkpath(overridden);
        return overridden;
    }
    static const QString folder = [] {
        const QString exeFolder = QCoreApplication::applicationDirPath();
        if (!exeFolder.isEmpty() && folderIsWritable(exeFolder))
            return exeFolder;
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(data);
        return data;
    }();
    return folder;
}

QString decodeScheduleText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb18030.isValid())
        return text;
    return gb18030.decode(bytes);
}

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
    const QString text = decodeScheduleText(bytes);
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
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += sanitisedLine(line).toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

QStringList scheduleMarkLines(const QList<bool> &marks)
{
    QStringList lines;
    for (bool mark : marks)
        lines.append(mark ? QStringLiteral("True") : QStringLiteral("False"));
    return lines;
}

bool writeScheduleFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
