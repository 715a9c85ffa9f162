#include "ValueHelpers.h"

#include "TextCodec.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// The pair at `pos` as a byte, or -1 when either digit is not hex.
int hexPair(const QString &text, qsizetype pos)
{
    const int hi = hexDigit(text.at(pos));
    const int lo = hexDigit(text.at(pos + 1));
    return (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
}

QString hexByte(quint8 b)
{
    static const char digits[] = "0123456789ABCDEF";
    const QChar pair[2] = {QChar(digits[b >> 4]), QChar(digits[b & 0xF])};
    return QString(pair, 2);
}

QStringList &bindOverride()
{
    static QStringList list;
    return list;
}

} // namespace

QString intToIpText(quint32 value)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(value >> 24)
        .arg((value >> 16) & 0xFF)
        .arg((value >> 8) & 0xFF)
        .arg(value & 0xFF);
}

QString ipBytesToText(const QByteArray &bytes)
{
    auto at = [&](int i) { return i < bytes.size() ? quint8(bytes.at(i)) : 0; };
    return QStringLiteral("%1.%2.%3.%4").arg(at(3)).arg(at(2)).arg(at(1)).arg(at(0));
}

std::optional<QByteArray> ipTextToBytes(const QString &text, const QByteArray &initial)
{
    QByteArray out = initial;
    out.resize(4);
    const QStringList parts = removeSpaces(text).split(QLatin1Char('.'));
    if (parts.size() > 4)
        return std::nullopt;
    // The first number goes to slot 3, going down; the number after the last dot to slot 0.
    int slot = 3;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const qulonglong v = parts.at(i).toULongLong(&ok, 10);
        if (!ok || parts.at(i).startsWith(QLatin1Char('+')))
            return std::nullopt;
        const int target = (i == parts.size() - 1) ? 0 : slot--;
        out[target] = char(v % 256);
    }
    return out;
}

std::optional<quint32> ipTextToInt(const QString &text)
{
    quint32 parts[4] = {};
    qsizetype pos = 0;
    for (int run = 0; run < 4; ++run) {
        const qsizetype start = pos;
        quint32 v = 0;
        while (pos < text.size() && text.at(pos).unicode() >= '0' &&
               text.at(pos).unicode() <= '9') {
            v = v * 10 + (text.at(pos).unicode() - '0');
            ++pos;
        }
        if (pos == start)
            return std::nullopt;
        parts[run] = v;
        ++pos; // the separator
    }
    return (parts[0] << 24) + (parts[1] << 16) + (parts[2] << 8) + parts[3];
}

std::optional<bool> sameSubnet(const QString &ipA, const QString &ipB, const QString &mask)
{
    const auto a = ipTextToInt(ipA);
    const auto b = ipTextToInt(ipB);
    const auto m = ipTextToInt(mask);
    if (!a || !b || !m)
        return std::nullopt;
    return (*a & *m) == (*b & *m);
}

QString macBytesToText(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    char text[17];
    for (int i = 0; i < 6; ++i) {
        const quint8 b = i < bytes.size() ? quint8(bytes.at(i)) : 0;
        text[3 * i] = digits[b >> 4];
        text[3 * i + 1] = digits[b & 0xF];
        if (i < 5)
            text[3 * i + 2] = ' ';
    }
    return QString::fromLatin1(text, 17);
}

std::optional<QByteArray> macTextToBytes(const QString &text)
{
    const QString digits = removeSpaces(text);
    if (digits.size() < 12)
        return std::nullopt;
    QByteArray out(6, '\0');
    for (int i = 0; i < 6; ++i) {
        const int v = hexPair(digits, i * 2);
        if (v < 0)
            return std::nullopt;
        out[i] = char(v);
    }
    return out;
}

QString bytesToText(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return gb18030Decode(nul < 0 ? bytes : bytes.left(nul));
}

QByteArray textToField(const QString &text, int width)
{
    QByteArray out = gb18030EncodeCut(text, width);
    out.append(width - out.size(), '\0');
    return out;
}

void putLoginField(const QString &text, QByteArray &frame, int offset, int width)
{
    QByteArray field = gb18030Encode(removeSpaces(text));
    if (field.size() < 6)
        field.append(6 - field.size(), '\0');
    for (int i = 0; i < width && offset + i < frame.size(); ++i)
        frame[offset + i] = i < field.size() ? field.at(i) : '\0';
}

quint32 bytesToInt(const QByteArray &bytes, bool littleEndian)
{
    const qsizetype n = qMin<qsizetype>(bytes.size(), 4);
    quint32 v = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const quint32 b = quint8(bytes.at(i));
        v |= littleEndian ? b << (8 * i) : b << (8 * (n - 1 - i));
    }
    return v;
}

QByteArray wordToBytes(quint16 value)
{
    QByteArray out(2, '\0');
    out[0] = char(value & 0xFF);
    out[1] = char(value >> 8);
    return out;
}

bool byteToFlags(quint8 value, std::array<bool, 8> &flags)
{
    for (int i = 0; i < 8; ++i)
        flags[i] = (value >> i) & 1;
    return flags[7];
}

quint8 flagsToByte(const std::array<bool, 8> &flags)
{
    quint8 v = 0;
    for (int i = 0; i < 8; ++i)
        if (flags[i])
            v |= quint8(1u << i);
    return v;
}

QString removeSpaces(const QString &text)
{
    QString out = text;
    out.remove(QLatin1Char(' '));
    return out;
}

QString bytesToHexText(const QByteArray &bytes)
{
    return bufferToHexText(bytes, QStringLiteral(" "));
}

QString bufferToHexText(const QByteArray &bytes, const QString &separator)
{
    QString out;
    out.reserve(bytes.size() * (2 + separator.size()));
    for (char c : bytes) {
        out += hexByte(quint8(c));
        out += separator;
    }
    return out;
}

QString textToHexText(const QByteArray &text)
{
    return bufferToHexText(text, QString());
}

QByteArray hexTextToText(const QString &hex)
{
    QByteArray out;
    for (qsizetype i = 0; i + 1 < hex.size(); i += 2) {
        const int v = hexPair(hex, i);
        if (v < 0)
            return hex.toLatin1();
        out.append(char(v));
    }
    return out;
}

std::optional<QByteArray> tryHexTextToText(const QString &hex)
{
    const QString digits = removeSpaces(hex);
    QByteArray out;
    qsizetype i = 0;
    for (; i + 1 < digits.size(); i += 2) {
        const int v = hexPair(digits, i);
        if (v < 0) {
            if (out.isEmpty())
                return std::nullopt;
            continue;
        }
        out.append(char(v));
    }
    if (i < digits.size()) {
        const int v = hexDigit(digits.at(i));
        if (v < 0) {
            if (out.isEmpty())
                return std::nullopt;
        } else {
            out.append(char(v));
        }
    }
    return out;
}

bool hexTextToBuffer(const QString &hex, QByteArray &buffer, int n)
{
    if (buffer.size() < n)
        buffer.resize(n);
    for (int i = 0; i < n; ++i) {
        if (2 * i + 1 < hex.size()) {
            const int v = hexPair(hex, 2 * i);
            if (v < 0)
                return false;
            buffer[i] = char(v);
        } else {
            buffer[i] = '\0';
        }
    }
    return true;
}

QString byteToBinText(quint8 value)
{
    QString digits = QString::number(value, 2);
    if (digits.size() < 6)
        digits.prepend(QString(6 - digits.size(), QLatin1Char('0')));
    return digits;
}

int decodeParity(quint8 value)
{
    return (value & 0x08) ? 1 + ((value >> 4) & 0x03) : 0;
}

int decodeDataBits(quint8 value)
{
    return value & 0x03;
}

bool decodeStopBits(quint8 value)
{
    return value & 0x04;
}

quint8 checksum8(const char *data, qsizetype size)
{
    quint8 sum = 0;
    for (qsizetype i = 0; i < size; ++i)
        sum = quint8(sum + quint8(data[i]));
    return sum;
}

quint8 checksum8(const QByteArray &bytes)
{
    return checksum8(bytes.constData(), bytes.size());
}

void setBindAddressOverride(const QStringList &addresses)
{
    bindOverride() = addresses;
}

namespace {

// "a.b.c.d" or "a.b.c.d/prefix"; nullopt when the address is not IPv4 or the prefix is not 0..32.
std::optional<LocalAddress> parseLocalAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype slash = trimmed.indexOf(QLatin1Char('/'));
    const QString ip = slash < 0 ? trimmed : trimmed.left(slash);
    if (QHostAddress(ip).protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    int prefix = -1;
    if (slash >= 0) {
        bool ok = false;
        prefix = trimmed.mid(slash + 1).toInt(&ok);
        if (!ok || prefix < 0 || prefix > 32)
            return std::nullopt;
    }
    return LocalAddress{QHostAddress(ip).toString(), prefix < 0 ? defaultPrefixLength(ip) : prefix};
}

QList<LocalAddress> parseLocalAddresses(const QStringList &texts)
{
    QList<LocalAddress> out;
    for (const QString &text : texts)
        if (const auto a = parseLocalAddress(text))
            out << *a;
    return out;
}

} // namespace

int defaultPrefixLength(const QString &ip)
{
    const QHostAddress address(ip);
    for (const QNetworkInterface &itf : QNetworkInterface::allInterfaces())
        for (const QNetworkAddressEntry &entry : itf.addressEntries())
            if (entry.ip() == address && entry.prefixLength() >= 0)
                return entry.prefixLength();
    // Not an address of this host (a test's stand-in): loopback is one /8, anything else is
    // taken for the common /24 of a small site.
    return address.isLoopback() ? 8 : 24;
}

QList<LocalAddress> localIPv4Networks()
{
    if (!bindOverride().isEmpty())
        return parseLocalAddresses(bindOverride());
    const QByteArray env = qgetenv("X7_BIND_ADDRESSES");
    if (!env.isEmpty())
        return parseLocalAddresses(QString::fromLatin1(env).split(QLatin1Char(',')));
    QList<LocalAddress> out;
    for (const QNetworkInterface &itf : QNetworkInterface::allInterfaces()) {
        const auto flags = itf.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &entry : itf.addressEntries()) {
            const QHostAddress a = entry.ip();
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
                out << LocalAddress{a.toString(),
                                    entry.prefixLength() >= 0 ? entry.prefixLength() : 24};
        }
    }
    return out;
}

QStringList localIPv4List()
{
    QStringList out;
    for (const LocalAddress &a : localIPv4Networks())
        out << a.ip;
    return out;
}

int localPrefixLength(const QString &ip)
{
    for (const LocalAddress &a : localIPv4Networks())
        if (a.ip == ip)
            return a.prefixLength;
    return defaultPrefixLength(ip);
}
