#include "DataDebugFiles.h"

#include "textfiles/TextFiles.h"

namespace DataDebugFiles {

QString path(const QString &fileName)
{
    return TextFiles::path(fileName);
}

QString read(const QString &path)
{
    return TextFiles::decode(TextFiles::readAll(path));
}

bool writeLines(const QString &path, const QStringList &lines)
{
    return TextFiles::writeAtomically(path, TextFiles::encodeLines(lines));
}

} // namespace DataDebugFiles
