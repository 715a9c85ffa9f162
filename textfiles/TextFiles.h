#pragma once

// The text files both programs keep (Cfg.ini, Lang.txt, DataSelf.txt, the console's schedule
// files): where they live, how their bytes become text and back, and how they are replaced.
//
// Reading accepts UTF-8 (with or without a BOM) and falls back to GB18030, so files written by
// the older Windows programs on a Chinese system read correctly. Writing uses the system's 8-bit
// encoding (UTF-8 on Linux, the ANSI code page on Windows) with CR LF line ends, so files
// exchange with those programs on the same machine.

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringList>

namespace TextFiles {

// The folder of the program's files: the executable's folder when it is writable and the program
// is not installed (a copy unpacked into a folder of its own keeps its files beside it), else the
// per-user application data folder. X7_FILES_DIR overrides it (tests point it elsewhere).
QString folder();
// True for the folder the programs are installed to (a `bin` folder beside the `share` folder
// that holds our desktop entries, or the configured install folder) and for system folders
// (/usr/...): files never go there, even when the user may write there (root).
bool isInstalledFolder(const QString &exeFolder);
QString path(const QString &fileName);

bool isValidUtf8(const QByteArray &bytes);

// UTF-16 with its BOM; else UTF-8 when the bytes are valid UTF-8 (a BOM is dropped); else line
// by line, each line UTF-8 when it is valid UTF-8, else GB18030.
QString decode(const QByteArray &bytes);
// One line (or any piece that does not cut a character): UTF-8 when it is valid UTF-8, else
// GB18030.
QString decodeLine(QByteArrayView line);
// The text in the system's 8-bit encoding.
QByteArray encode(const QString &text);
// Each line followed by CR LF, in the system's 8-bit encoding.
QByteArray encodeLines(const QStringList &lines);

// Replaces `path` whole and atomically with `bytes` (a crash mid-write leaves the old file);
// false when it could not be written, with the system's reason in `error` when given.
// `ownerOnly` makes the file readable and writable by its owner only (files holding a password).
bool writeAtomically(const QString &path, const QByteArray &bytes, bool ownerOnly = false,
                     QString *error = nullptr);

// The whole file, or an empty array when it is missing or unreadable.
QByteArray readAll(const QString &path);

// A file read whole unless it is larger than a bound: a huge file must neither exhaust memory nor
// be half read and then written back cut.
struct BoundedRead
{
    enum class Status { Read, Absent, TooLarge, Unreadable };
    Status status = Status::Absent;
    QByteArray bytes; // empty unless Read
    QString error;    // the system's reason when Unreadable
};
BoundedRead readBounded(const QString &path, qint64 maxBytes);

// Reads what the device holds, but never more than maxBytes + 1 bytes (one past the bound tells
// a device that holds too much). Memory grows with what is there, not with the bound.
QByteArray readUpTo(QIODevice &device, qint64 maxBytes);

// Removes what a save of one of `fileNames` in `folder` leaves behind when the program is killed
// during it: the save's temporary ("Cfg.ini.xQmTbA": the name, a dot, six random letters), last
// written more than `minimumAgeSeconds` ago, so that another running program's save in progress
// is left alone. Six letters that read as a word a person gives a copy ("Cfg.ini.backup",
// ".BEFORE", ".Backup") are not taken for one: such a file stays. Returns the names removed.
QStringList removeStaleSaveTemporaries(const QString &folder, const QStringList &fileNames,
                                       int minimumAgeSeconds = 10);

} // namespace TextFiles
