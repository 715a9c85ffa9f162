#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class QIODevice;

// One entry of the language table: a key with its Chinese and English texts.
struct LangEntry
{
    QString key;
    QString chinese;
    QString english;

    bool operator==(const LangEntry &) const = default;
};

// Lang.txt holds one entry per line, "key|Chinese|English"; "///" inside a text is a line break.
// A full table is about 30 KB; reading stops at this size so that a huge file cannot exhaust
// memory.
inline constexpr qsizetype kMaxLangFileBytes = 8 * 1024 * 1024;

// The entry of one line (without its line end), or nothing for an empty line or a comment
// (first character ";" or ","). The key is the text before the first bar, the Chinese text lies
// between the first and the second bar, the English text follows the last bar; a missing part is
// empty and nothing is trimmed.
std::optional<LangEntry> parseLangLine(const QString &line);

// Every entry of a decoded file, in file order. Lines end in CR LF or LF.
QList<LangEntry> parseLangText(const QString &text);

// Reads a language file from `device`: UTF-8 when the bytes are valid UTF-8, else GB18030. When
// reading fails part way, the entries of the complete lines read so far are returned.
QList<LangEntry> readLangEntries(QIODevice &device);

// The file line of an entry; line breaks inside the texts become "///".
QString formatLangLine(const LangEntry &entry);

// A whole language file: the two comment lines, a line holding one space, then one line per
// entry; lines end in CR LF, text is UTF-8 without a byte-order mark.
QByteArray formatLangFile(const QList<LangEntry> &entries);
