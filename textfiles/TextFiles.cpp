#include "TextFiles.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <optional>

namespace TextFiles {

namespace {

bool folderIsWritable(const QString &folder)
{
    // QFileInfo::isWritable misjudges network shares and ACLs; creating a file is the true test.
    QTemporaryFile probe(folder + QStringLiteral("/.x7-write-probe-XXXXXX"));
    return probe.open();
}

} // namespace

QString folder()
{
    const QString overridden = qEnvironmentVariable("X7_FILES_DIR");
    if (!overridden.isEmpty()) {
        QDir().mkpath(overridden);
        return overridden;
    }
    static const QString chosen = [] {
        const QString exeFolder = QCoreApplication::applicationDirPath();
        if (!exeFolder.isEmpty() && !isInstalledFolder(exeFolder) && folderIsWritable(exeFolder))
            return exeFolder;
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(data);
        return data;
    }();
    return chosen;
}

bool isInstalledFolder(const QString &exeFolder)
{
    const QString folder = QDir::cleanPath(exeFolder);
#ifdef X7_INSTALL_BINDIR
    if (folder == QDir::cleanPath(QStringLiteral(X7_INSTALL_BINDIR)))
        return true;
#endif
    const QDir entries(folder + QStringLiteral("/../share/applications"));
    if (!entries.entryList({QStringLiteral("org.x7tools.*.desktop")}, QDir::Files).isEmpty())
        return true;
#ifdef Q_OS_UNIX
    return folder.startsWith(QLatin1String("/usr/")) || folder == QLatin1String("/bin") ||
           folder == QLatin1String("/sbin");
#else
    return false;
#endif
}

QString path(const QString &fileName)
{
    return QDir(folder()).filePath(fileName);
}

bool isValidUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        int extra;
        unsigned int cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static const unsigned int minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QString decodeLine(QByteArrayView line)
{
    if (isValidUtf8(line.toByteArray()))
        return QString::fromUtf8(line);
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb18030.isValid())
        return QString::fromLatin1(line);
    // A character cut at the line's end must still show (as a replacement mark), so the decoder
    // sees a line end after it, which no GB18030 character contains.
    QString text = gb18030.decode(line.toByteArray() + '\n');
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

namespace {

std::optional<QString> decodeUtf16(const QByteArray &bytes)
{
    const bool le = bytes.startsWith("\xFF\xFE");
    if ((!le && !bytes.startsWith("\xFE\xFF")) || bytes.size() % 2 != 0)
        return std::nullopt;
    QStringDecoder decoder(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decode(bytes.mid(3));
    // Notepad's "Unicode" files: the BOM, then whole UTF-16 units that decode cleanly.
    if (const auto utf16 = decodeUtf16(bytes))
        return *utf16;
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    // Line by line: one stray byte, or a line pasted from another program, must not turn the
    // rest of a UTF-8 file into mojibake.
    QString text;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        text += decodeLine(QByteArrayView(bytes).sliced(start, end - start));
        start = end;
    }
    return text;
}

QByteArray encode(const QString &text)
{
    QStringEncoder system(QStringEncoder::System);
    return system.encode(text);
}

QByteArray encodeLines(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    return encode(text);
}

bool writeAtomically(const QString &path, const QByteArray &bytes, bool ownerOnly, QString *error)
{
    QSaveFile file(path);
    const auto fail = [&] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    if (ownerOnly)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size()) {
        const bool failed = fail();
        file.cancelWriting();
        return failed;
    }
    if (!file.commit())
        return fail();
    if (ownerOnly)
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray readUpTo(QIODevice &device, qint64 maxBytes)
{
    constexpr qint64 kChunk = 64 * 1024;
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray chunk = device.read(std::min(kChunk, maxBytes + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes.append(chunk);
    }
    return bytes;
}

BoundedRead readBounded(const QString &path, qint64 maxBytes)
{
    BoundedRead result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.status = BoundedRead::Status::Absent;
        return result;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        result.status = BoundedRead::Status::Unreadable;
        result.error = info.isDir() ? QStringLiteral("Is a directory") : file.errorString();
        return result;
    }
    // The size may change between the look and the read: one byte past the bound tells.
    QByteArray bytes = readUpTo(file, maxBytes);
    if (bytes.size() > maxBytes) {
        result.status = BoundedRead::Status::TooLarge;
        return result;
    }
    result.status = BoundedRead::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

QStringList removeStaleSaveTemporaries(const QString &folder, const QStringList &fileNames,
                                       int minimumAgeSeconds)
{
    QStringList alternatives;
    for (const QString &name : fileNames)
        alternatives.append(QRegularExpression::escape(name));
    const QRegularExpression temporary(
        QStringLiteral("^(?:%1)\\.([A-Za-z]{6})$").arg(alternatives.join(QLatin1Char('|'))));
    // Shapes of a word a person gives a copy ("backup", "BEFORE", "Backup"): such files stay.
    const QRegularExpression word(QStringLiteral("^(?:[a-z]{6}|[A-Z]{6}|[A-Z][a-z]{5})$"));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minimumAgeSeconds);
    QStringList removed;
    const QDir dir(folder);
    const auto entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QRegularExpressionMatch match = temporary.match(entry.fileName());
        if (!match.hasMatch() || word.match(match.captured(1)).hasMatch() || entry.isSymLink())
            continue;
        if (entry.lastModified().toUTC() > before)
            continue;
        if (QFile::remove(entry.absoluteFilePath()))
            removed.append(entry.fileName());
    }
    return removed;
}

} // namespace TextFiles
