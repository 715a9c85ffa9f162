#pragma once

// The command file's bytes: where it lives by default, how it is read and how it is written
// (the system's 8-bit encoding, CR LF, replaced whole and atomically), through the program's
// text-file functions.

#include <QString>
#include <QStringList>

namespace DataDebugFiles {

QString path(const QString &fileName);
// The file's text; empty when it cannot be read.
QString read(const QString &path);
// Each line followed by CR LF; false when the file could not be written.
bool writeLines(const QString &path, const QStringList &lines);

} // namespace DataDebugFiles
