#pragma once

// The console's three small files: "123.ini" (the device IP text), "321.ini" (the 99 display
// lines) and "322.ini" (the 99 check marks, "True"/"False"). Parsed from and written to any
// QIODevice so that a broken file is a plain input, never a crash.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

inline const QString kDeviceIpFileName = QStringLiteral("123.ini");
inline const QString kScheduleLinesFileName = QStringLiteral("321.ini");
inline const QString kScheduleMarksFileName = QStringLiteral("322.ini");

// Up to `maxLines` lines of the device. CR LF, LF and a lone CR end a line; the last line needs
// no end. Only the first kMaxScheduleFileBytes are read: these files are a few kilobytes, and a
// huge file must not exhaust memory (a line cut there counts as missing).
inline constexpr qint64 kMaxScheduleFileBytes = 1 << 20;
QStringList readScheduleFileLines(QIODevice &device, int maxLines);

// A check-mark line as a boolean conversion reads it: "True"/"False" in any case, or a number
// (non-zero is true); surrounding blanks are ignored. Anything else is not a boolean.
std::optional<bool> parseCheckMark(const QString &text);

// The first line of "123.ini"; nothing for an empty file.
std::optional<QString> readDeviceIpFile(QIODevice &device);
// Sets `marks[n]` from line n until the lines end or a line is not a boolean; returns the
// number of marks set. Marks not read keep their values.
int readScheduleMarks(QIODevice &device, QList<bool> &marks);
// Sets `lines[n]` from line n until the file's lines end; returns the number of lines set.
int readScheduleLines(QIODevice &device, QStringList &lines);

// Each line followed by CR LF, in the system's 8-bit encoding. A CR or LF inside a line would
// split it into two rows on the next start, so each becomes a blank.
QByteArray encodeScheduleFile(const QStringList &lines);
QStringList scheduleMarkLines(const QList<bool> &marks);
