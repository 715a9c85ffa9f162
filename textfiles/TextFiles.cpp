#include "TextFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

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
        if (!exeFolder.isEmpty() && folderIsWritable(exeFolder))
            return exeFolder;
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(data);
        return data;
    }();
    return chosen;
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

QString decode(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    if (!gb18030.isValid())
        return QString::fromLatin1(bytes);
    return gb18030.decode(bytes);
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

bool writeAtomically(const QString &path, const QByteArray &bytes, bool ownerOnly)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (ownerOnly)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;
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

} // namespace TextFiles
