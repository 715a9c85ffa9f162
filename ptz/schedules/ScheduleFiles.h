#pragma once

// The console's three small files: "123.ini" (the device IP text), "321.ini" (the 99 display
// lines) and "322.ini" (the 99 check marks, "True"/"False"). Parsed from and written to any
// QIODevice so that a broken file is a plain input, never a crash.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QIODevice;

inline const QString kDeviceIpFileName = QStringLiteral("123.ini");
inline const QString kScheduleLinesFileName = QStringLiteral("321.ini");
inline const QString kScheduleMarksFileName = QStringLiteral("322.ini");

// Up to `maxLines` lines of the device. CR LF, LF and a lone CR end a line; the last line needs
// no end. These files are a few kilobytes: one larger than kMaxScheduleFileBytes is not read at
// all (nothing is returned), so a huge file can neither exhaust memory nor be taken half.
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

// Whether a line as stored already says what the program would write there.
using SameLine = std::function<bool(const QString &stored, const QString &wanted)>;
// The bytes that replace a schedule file whose bytes are `existing` (empty when there is none):
// line n gets lines[n] (CR and LF inside it become blanks), except that a line that already
// reads the same (equal texts when `same` is empty) keeps its bytes, and so does every line past
// the program's; missing lines are added with CR LF. A file that did not exist gets exactly
// encodeScheduleFile(lines).
QByteArray rewriteScheduleFile(const QByteArray &existing, const QStringList &lines,
                               const SameLine &same = {});
// For "322.ini": a stored mark that reads as the same boolean ("1", "true") is kept.
bool sameCheckMark(const QString &stored, const QString &wanted);
