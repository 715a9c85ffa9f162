#pragma once

// The data-debugging window's command rows without widgets: one row's fields, the command file
// (DataSelf.txt) as lines, the hex/text conversions of a row and the bytes a row sends.
//
// The file keeps the format the older Windows program writes and reads, so files pass between
// the two: one line per row, five fields joined by "|" with no quoting:
//     chosen|name|command|hex|delay        e.g.  true|Read coils|01 03 00 00|true|100
// A "|" inside a name or a text command cannot be written in this format, so the window refuses
// it where it is typed (a hex row writes it as 7C).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace CommandRows {

inline constexpr int kRowCount = 50;
inline constexpr int kMaxDelayMs = 65535;
inline constexpr QChar kFieldSeparator = u'|';

struct Row
{
    bool chosen = false;
    QString name;
    QString command; // the typed text, or hex digits when `hex` is set
    bool hex = false;
    QString delay; // milliseconds as typed; empty for none

    bool operator==(const Row &) const = default;
};

// A row as a fresh window shows it: not chosen, `defaultName`, empty command, text, no delay.
Row clearedRow(const QString &defaultName);

// One line of the command file (without its line end).
QString rowToLine(const Row &row);
// A line with exactly five fields gives its row; any other line gives nothing (its row is
// cleared). Blanks inside the fields are kept; "true" (any letter case) ticks a box.
std::optional<Row> rowFromLine(const QString &line);

// The file's lines for all rows, in row order.
QStringList fileLines(const QList<Row> &rows);
// The kRowCount rows a file text gives: line k fills row k; lines past the last row are
// ignored, rows past the last line and rows of unreadable lines are cleared.
QList<Row> rowsFromFileText(const QString &text, const QString &defaultName);

// What a text row sends: its text as GB18030 bytes, the encoding of the serial devices behind
// the modules.
QByteArray textToBytes(const QString &text);
// Received or sent bytes as text: GB18030, with control characters and undecodable bytes shown
// as '.', so a line of the receive view stays one line.
QString bytesToShownText(const QByteArray &bytes);
// Each byte as two uppercase digits, separated by `separator`.
QString bytesToHex(const QByteArray &bytes, const QString &separator = QString());

// The bytes a hex command stands for: blanks are ignored, every pair must be hex digits, a lone
// final digit is one byte of its value ("A" -> 0A). Anything else is not hex: nothing.
std::optional<QByteArray> hexToBytes(const QString &hex);

// Ticking "Hex" on a text row: the hex digits of its GB18030 bytes, no separator.
QString textToHexCommand(const QString &text);

// Unticking "Hex": the text the digits stand for. Nothing when they are not hex, or when the
// bytes cannot be held by a text row without changing them: a "|", a control character, or bytes
// that GB18030 does not give back unchanged. The row then stays a hex row.
std::optional<QString> hexCommandToText(const QString &hex);

// What a row sends; nothing when it is a hex row whose digits are not hex.
std::optional<QByteArray> rowPayload(const Row &row);

// The delay of a row in milliseconds: 0 when empty; nothing when it is not a number from 0 to
// kMaxDelayMs (the window empties such a field).
std::optional<int> delayMs(const QString &delay);

// True when `text` may stand in a name or a text command: it holds no "|".
bool fitsFileField(const QString &text);

} // namespace CommandRows
