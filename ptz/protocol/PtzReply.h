#pragma once

// What the console makes of the bytes the head sends: position replies become angles, any other
// frame is shown in hex, and the traffic log keeps itself under 512 characters.

#include <QByteArray>
#include <QString>

#include <optional>

// Hundredths of a degree as the log shows them: "60", "12.5", "359.99", "0.05".
QString angleText(int hundredths);

// The log entry for one received chunk, or nothing when the chunk is ignored (fewer than four
// bytes, or byte 0 is not the sync byte). The reply is judged by bytes 0 and 3 only; a position
// reply is decoded from bytes 4 and 5, a missing byte counting as 0.
std::optional<QString> parseReply(const QByteArray &chunk);

// The log entry for one sent frame: CR LF "-->发送：" hex pairs CR LF.
QString sentFrameLogText(const QByteArray &frame);

// The log holds at most 511 characters: an entry that makes it longer empties it whole.
constexpr int kTrafficLogLimit = 511;
QString appendLogEntry(const QString &log, const QString &entry);
