#pragma once

// A text file kept as the raw bytes of its lines, for a program that owns only some of them.
// Every line the program does not change goes back byte for byte as it was read, whatever its
// encoding (a GBK comment in a UTF-8 file, a Latin-1 section, a stray byte), so a rewrite never
// turns another program's lines into mojibake. Changed and added lines are written in the
// system's 8-bit encoding with CR LF; a file read as UTF-16 (it had a BOM) stays UTF-16.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class LineDocument
{
public:
    enum class LineEnds {
        LfOrCrLf,   // LF ends a line; a CR before it belongs to the line end
        AlsoLoneCr, // besides, a CR on its own ends a line
    };

    // An empty document: what a file that does not exist yet is written from.
    LineDocument() = default;
    // Lines are decoded as TextFiles::decode does: UTF-16 after its BOM, else each line UTF-8
    // when it is valid UTF-8, else GB18030.
    static LineDocument fromBytes(const QByteArray &bytes, LineEnds ends = LineEnds::LfOrCrLf);

    qsizetype size() const { return m_lines.size(); }
    bool isEmpty() const { return m_lines.isEmpty(); }
    // The text of line `i` without its line end.
    QString text(qsizetype i) const { return m_lines.at(i).text; }
    QStringList texts() const;
    // The bytes of line `i` as read, without its end (empty once it was changed).
    QByteArray raw(qsizetype i) const { return m_lines.at(i).raw; }
    bool isUtf16() const { return m_encoding != Encoding::EightBit; }

    // Gives line `i` a new text; a text equal to the one it has keeps the line's bytes.
    void setText(qsizetype i, const QString &text);
    void insert(qsizetype i, const QString &text);
    void append(const QString &text) { insert(size(), text); }

    // The document's bytes: the lines not changed exactly as read, with their own line ends.
    QByteArray toBytes() const;

private:
    enum class Encoding { EightBit, Utf16LE, Utf16BE };
    struct Line
    {
        QString text;
        QByteArray raw; // the line as read, without its end; empty for a changed line
        QByteArray end; // its end as read (empty for a last line without one)
        bool changed = false;
    };

    QByteArray encoded(const QString &text) const;

    Encoding m_encoding = Encoding::EightBit;
    QByteArray m_bom;
    QList<Line> m_lines;
};
