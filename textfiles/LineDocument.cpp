#include "LineDocument.h"

#include "TextFiles.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// Splits `size` units into lines; `unit(i)` gives the code of unit i. Each piece is the offset
// and length of the line and of its end, in units.
struct Piece
{
    qsizetype start, length, endLength;
};

template<class Unit> QList<Piece> splitLines(qsizetype size, Unit unit, LineDocument::LineEnds ends)
{
    QList<Piece> pieces;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = unit(i);
        if (c == u'\n') {
            const bool cr = i > start && unit(i - 1) == u'\r';
            pieces.append({start, i - start - (cr ? 1 : 0), cr ? 2 : 1});
            start = ++i;
        } else if (c == u'\r' && ends == LineDocument::LineEnds::AlsoLoneCr &&
                   (i + 1 >= size || unit(i + 1) != u'\n')) {
            pieces.append({start, i - start, 1});
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size)
        pieces.append({start, size - start, 0});
    return pieces;
}

} // namespace

LineDocument LineDocument::fromBytes(const QByteArray &bytes, LineEnds ends)
{
    LineDocument doc;
    const bool le = bytes.startsWith("\xFF\xFE");
    const bool be = bytes.startsWith("\xFE\xFF");
    if ((le || be) && bytes.size() % 2 == 0) {
        // The BOM is cut off here: a second U+FEFF after it is text, and must keep its place or
        // every line's bytes would be taken from the wrong offsets.
        QStringDecoder check(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::ConvertInitialBom);
        const QString all = check.decode(QByteArrayView(bytes).sliced(2));
        if (!check.hasError()) {
            doc.m_encoding = le ? Encoding::Utf16LE : Encoding::Utf16BE;
            doc.m_bom = bytes.left(2);
            const QByteArray body = bytes.mid(2);
            for (const Piece &p : splitLines(
                     all.size(), [&](qsizetype i) { return all.at(i).unicode(); }, ends)) {
                doc.m_lines.append({all.mid(p.start, p.length), body.mid(2 * p.start, 2 * p.length),
                                    body.mid(2 * (p.start + p.length), 2 * p.endLength), false});
            }
            return doc;
        }
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF")) {
        doc.m_bom = body.left(3);
        body.remove(0, 3);
    }
    const auto unit = [&](qsizetype i) { return char16_t(uchar(body.at(i))); };
    for (const Piece &p : splitLines(body.size(), unit, ends)) {
        const QByteArray raw = body.mid(p.start, p.length);
        doc.m_lines.append(
            {TextFiles::decodeLine(raw), raw, body.mid(p.start + p.length, p.endLength), false});
    }
    return doc;
}

QStringList LineDocument::texts() const
{
    QStringList all;
    all.reserve(m_lines.size());
    for (const Line &line : m_lines)
        all.append(line.text);
    return all;
}

void LineDocument::setText(qsizetype i, const QString &text)
{
    Line &line = m_lines[i];
    if (line.text == text)
        return;
    line.text = text;
    line.raw.clear();
    line.changed = true;
}

void LineDocument::insert(qsizetype i, const QString &text)
{
    m_lines.insert(i, Line{text, {}, {}, true});
}

QByteArray LineDocument::encoded(const QString &text) const
{
    switch (m_encoding) {
    case Encoding::Utf16LE:
        return QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    case Encoding::Utf16BE:
        return QStringEncoder(QStringEncoder::Utf16BE).encode(text);
    case Encoding::EightBit:
        break;
    }
    return TextFiles::encode(text);
}

QByteArray LineDocument::toBytes() const
{
    QByteArray bytes = m_bom;
    const QByteArray crLf = encoded(QStringLiteral("\r\n"));
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        bytes += line.changed ? encoded(line.text) : line.raw;
        // A line read without an end keeps having none only while it stays the last, unchanged.
        const bool last = i + 1 == m_lines.size();
        if (!line.end.isEmpty())
            bytes += line.end;
        else if (line.changed || !last)
            bytes += crLf;
    }
    return bytes;
}
