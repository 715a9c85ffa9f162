#include "TextCodec.h"

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

bool isValidUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        int extra;
        unsigned int cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        static const unsigned int minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

QString decodeFileText(const QByteArray &bytes)
{
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(body.mid(3));
    if (isValidUtf8(body))
        return QString::fromUtf8(body);
    return gb18030Decode(body);
}
