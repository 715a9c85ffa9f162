#include "AppFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

bool folderIsWritable(const QString &folder)
{
    // QFileInfo::isWritable can be wrong on network shares and with ACLs; try to create a file.
    QTemporaryFile probe(folder + QStringLiteral("/.x7-write-probe-XXXXXX"));
    return probe.open();
}

} // namespace

QString programFileFolder()
{
    static QString folder;
    const QByteArray env = qgetenv("X7_FILES_DIR");
    if (!env.isEmpty()) {
        QDir().mkpath(QString::fromLocal8Bit(env));
        return QString::fromLocal8Bit(env);
    }
    if (!folder.isEmpty())
        return folder;
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (!exeFolder.isEmpty() && folderIsWritable(exeFolder)) {
        folder = exeFolder;
    } else {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir().mkpath(folder);
    }
    return folder;
}

QString programFilePath(const QString &fileName)
{
    return QDir(programFileFolder()).filePath(fileName);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, bool ownerOnly,
                         QString *error)
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

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}
