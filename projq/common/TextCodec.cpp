#include "TextCodec.h"

#include "ValueHelpers.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray gb18030Encode(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString gb18030Decode(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}

QByteArray gb18030EncodeCut(const QString &text, int maxBytes)
{
    QByteArray out;
    QStringEncoder encoder("GB18030");
    int i = 0;
    while (i < text.size()) {
        // A surrogate pair is one character; encode it whole.
        const int len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray piece = encoder.encode(QStringView(text).mid(i, len));
        if (out.size() + piece.size() > maxBytes)
            break;
        out += piece;
        i += len;
    }
    return out;
}

namespace {

bool allHex(const QString &text)
{
    for (QChar c : text) {
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                         (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
                         (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hex)
            return false;
    }
    return true;
}

} // namespace

QString plainToHexField(const QString &text)
{
    return textToHexText(gb18030Encode(text));
}

QString hexToPlainField(const QString &hex)
{
    if (!allHex(hex))
        return hex;
    return gb18030Decode(hexTextToText(hex));
}
