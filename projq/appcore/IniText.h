#pragma once

#include "textfiles/LineDocument.h"

#include <QString>

#include <optional>

// A Windows-style INI text kept line by line, so that rewriting a few keys leaves every other
// line (other sections, comments, unknown keys) as it was, down to its bytes when it came from
// a file. Section and key names ignore letter
// case; the first occurrence of a section or key counts.
class IniText
{
public:
    IniText() = default;
    // Lines may end in CR LF or LF.
    explicit IniText(const QString &text);
    // A file's bytes, in whatever encoding each line has (see LineDocument).
    static IniText fromBytes(const QByteArray &bytes);

    // The value of `key` in `section` with blanks around it removed and one pair of enclosing
    // quotes dropped; nothing when the key is absent.
    std::optional<QString> value(const QString &section, const QString &key) const;

    // Leaves the key's line alone when it already reads as `value`; else replaces the value in
    // place, or appends the key at the end of its section, or
    // appends the section. Line breaks in `value` become blanks, so a value cannot add lines.
    void setValue(const QString &section, const QString &key, const QString &value);

    // The text with CR LF line ends.
    QString toString() const;
    // The bytes to write: lines not changed exactly as read (see LineDocument::toBytes).
    QByteArray toBytes() const { return m_lines.toBytes(); }

private:
    // The section name of a "[name]" header line `i`, or nothing.
    std::optional<QString> sectionAt(qsizetype i) const;
    // Index of the header line of the first section named `section`, or -1.
    qsizetype sectionStart(const QString &section) const;
    // Index one past the last line of the section whose header is at `start`.
    qsizetype sectionEnd(qsizetype start) const;
    // Index of the line holding `key` between `from` and `to`, or -1.
    qsizetype keyLine(const QString &key, qsizetype from, qsizetype to) const;

    LineDocument m_lines;
};
