#pragma once

// The text files both programs keep (Cfg.ini, Lang.txt, DataSelf.txt, the console's schedule
// files): where they live, how their bytes become text and back, and how they are replaced.
//
// Reading accepts UTF-8 (with or without a BOM) and falls back to GB18030, so files written by
// the older Windows programs on a Chinese system read correctly. Writing uses the system's 8-bit
// encoding (UTF-8 on Linux, the ANSI code page on Windows) with CR LF line ends, so files
// exchange with those programs on the same machine.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TextFiles {

// The folder of the program's files: the executable's folder when it is writable, else the
// per-user application data folder. X7_FILES_DIR overrides it (tests point it elsewhere).
QString folder();
QString path(const QString &fileName);

bool isValidUtf8(const QByteArray &bytes);

// UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), else GB18030.
QString decode(const QByteArray &bytes);
// The text in the system's 8-bit encoding.
QByteArray encode(const QString &text);
// Each line followed by CR LF, in the system's 8-bit encoding.
QByteArray encodeLines(const QStringList &lines);

// Replaces `path` whole and atomically with `bytes` (a crash mid-write leaves the old file);
// false when it could not be written. `ownerOnly` makes the file readable and writable by its
// owner only (files holding a password).
bool writeAtomically(const QString &path, const QByteArray &bytes, bool ownerOnly = false);

// The whole file, or an empty array when it is missing or unreadable.
QByteArray readAll(const QString &path);

} // namespace TextFiles
