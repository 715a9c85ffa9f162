#include "DataDebugFiles.h"

#include "common/AppFiles.h"
#include "common/TextCodec.h"

#include <QStringEncoder>

namespace DataDebugFiles {

QString path(const QString &fileName)
{
    return programFilePath(fileName);
}

QString read(const QString &path)
{
    return decodeFileText(readWholeFile(path));
}

bool writeLines(const QString &path, const QStringList &lines)
{
    QStringEncoder encoder(QStringEncoder::System);
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += encoder.encode(line);
        bytes += "\r\n";
    }
    return writeFileAtomically(path, bytes);
}

} // namespace DataDebugFiles
