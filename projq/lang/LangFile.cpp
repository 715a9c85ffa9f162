#include "LangFile.h"

#include "textfiles/TextFiles.h"

#include <QIODevice>

namespace {

const QString kLineBreakMark = QStringLiteral("///");

QString fileTextToShown(QString text)
{
    return text.replace(kLineBreakMark, QStringLiteral("\n"));
}

QString shownTextToFile(QString text)
{
    text.replace(QStringLiteral("\r\n"), kLineBreakMark);
    text.replace(QLatin1Char('\n'), kLineBreakMark);
    return text;
}

// Reads up to kMaxLangFileBytes; `failed` tells whether the device reported an error before its
// end.
QByteArray readBounded(QIODevice &device, bool &failed)
{
    QByteArray bytes;
    failed = false;
    while (bytes.size() < kMaxLangFileBytes) {
        char chunk[65536];
        const qint64 want = qMin<qint64>(sizeof chunk, kMaxLangFileBytes - bytes.size());
        const qint64 got = device.read(chunk, want);
        if (got < 0) {
            failed = true;
            break;
        }
        if (got == 0) {
            // A sequential device may have nothing yet; a file or buffer at its end is done.
            if (device.atEnd() || !device.isSequential())
                break;
            failed = true;
            break;
        }
        bytes.append(chunk, got);
    }
    return bytes;
}

} // namespace

std::optional<LangEntry> parseLangLine(const QString &line)
{
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char(',')))
        return std::nullopt;
    LangEntry entry;
    const qsizetype first = line.indexOf(QLatin1Char('|'));
    if (first < 0)
        return entry;
    entry.key = line.left(first);
    const qsizetype second = line.indexOf(QLatin1Char('|'), first + 1);
    if (second >= 0)
        entry.chinese = fileTextToShown(line.mid(first + 1, second - first - 1));
    const qsizetype last = line.lastIndexOf(QLatin1Char('|'));
    entry.english = fileTextToShown(line.mid(last + 1));
    return entry;
}

QList<LangEntry> parseLangText(const QString &text)
{
    QList<LangEntry> entries;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        QStringView line = QStringView(text).mid(start, end - start);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (auto entry = parseLangLine(line.toString()))
            entries.append(*entry);
        start = end + 1;
    }
    return entries;
}

QList<LangEntry> readLangEntries(QIODevice &device)
{
    bool failed = false;
    QByteArray bytes = readBounded(device, failed);
    if (failed || bytes.size() >= kMaxLangFileBytes) {
        // The last line may be cut; an entry with half a text is worse than the built-in one.
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    }
    return parseLangText(TextFiles::decode(bytes));
}

QString formatLangLine(const LangEntry &entry)
{
    return entry.key + QLatin1Char('|') + shownTextToFile(entry.chinese) + QLatin1Char('|') +
           shownTextToFile(entry.english);
}

QByteArray formatLangFile(const QList<LangEntry> &entries)
{
    QStringList lines;
    lines << QStringLiteral(
                 ";语言文件格式为: 名称|中文|英文，竖线分割，逗号与分号为注释，///为换行，"
                 "空行自动忽略")
          << QStringLiteral(";Language file format: Name|Chinese|English，vertical is delimiter， "
                            "comma or semicolon is Comments，///is newline，Empty lines "
                            "automatically ignored")
          << QStringLiteral(" ");
    for (const LangEntry &entry : entries)
        lines << formatLangLine(entry);
    return TextFiles::encodeLines(lines);
}
