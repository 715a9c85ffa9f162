#pragma once

// Conversions between what the windows show (dotted IPv4 text, MAC text, hex text) and what the
// module frames carry. A conversion that can fail returns std::nullopt; callers decide what a
// failure means (the frame senders drop the frame, the panels validate before converting).
//
// Byte strings ("8-bit text") are QByteArray; texts a person reads are QString. Text fields of
// frames are GB18030 on the wire and their widths count bytes.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// 32-bit value, most significant byte first: 0xC0A80007 -> "192.168.0.7".
QString intToIpText(quint32 value);

// Four bytes b0..b3 as stored in parameter blocks -> "b3.b2.b1.b0".
QString ipBytesToText(const QByteArray &bytes);

// The reverse of ipBytesToText: the last number goes to byte 0, the first to byte 3, each modulo
// 256. Blanks are ignored. With fewer than three dots the slots not reached keep their value from
// `initial`. A part that is not a decimal number fails.
std::optional<QByteArray> ipTextToBytes(const QString &text,
                                        const QByteArray &initial = QByteArray(4, '\0'));

// Four runs of decimal digits, each ended by one non-digit or the end of the text, combined as
// (a << 24) + (b << 16) + (c << 8) + d without range checks. An empty run fails.
std::optional<quint32> ipTextToInt(const QString &text);

std::optional<bool> sameSubnet(const QString &ipA, const QString &ipB, const QString &mask);

// Six uppercase hex pairs separated by single blanks (17 characters).
QString macBytesToText(const QByteArray &bytes);

// Blanks removed, then six hex pairs from the left; fewer than twelve digits or a bad pair fails.
std::optional<QByteArray> macTextToBytes(const QString &text);

// A fixed-width GB18030 text field as shown: up to its first NUL.
QString bytesToText(const QByteArray &bytes);

// Text as a field of exactly `width` bytes: GB18030, cut at the width without splitting a
// character, NUL-padded.
QByteArray textToField(const QString &text, int width);

// Writes a login field: blanks removed, NUL-padded to at least six bytes, its first `width`
// bytes written at `offset` of `frame` (which must be long enough).
void putLoginField(const QString &text, QByteArray &frame, int offset, int width = 6);

// n <= 4 bytes as an unsigned integer, little-endian (byte 0 lowest) or big-endian.
quint32 bytesToInt(const QByteArray &bytes, bool littleEndian);

// 16-bit value, low byte first.
QByteArray wordToBytes(quint16 value);

// Flag i is bit i; the function result is bit 7.
bool byteToFlags(quint8 value, std::array<bool, 8> &flags);
quint8 flagsToByte(const std::array<bool, 8> &flags);

QString removeSpaces(const QString &text);

// Each byte as two uppercase digits followed by one blank, the last one included.
QString bytesToHexText(const QByteArray &bytes);
// Each byte as two uppercase digits followed by `separator`, the last one included.
QString bufferToHexText(const QByteArray &bytes, const QString &separator);
// Each byte as two uppercase digits, no separator.
QString textToHexText(const QByteArray &text);

// Pairs from the left become bytes; a trailing odd digit is ignored; if any pair is not hex the
// input text itself is returned (as Latin-1 bytes).
QByteArray hexTextToText(const QString &hex);

// Blanks removed; pairs become bytes; an odd final digit becomes one byte of that digit's value.
// A bad pair before any good one fails (nullopt); a bad pair after a good one is skipped.
std::optional<QByteArray> tryHexTextToText(const QString &hex);

// Byte i of `buffer` (resized to at least n) comes from pair i; bytes past the last whole pair
// become 0. The first bad pair stops the fill and returns false, leaving later bytes unchanged.
bool hexTextToBuffer(const QString &hex, QByteArray &buffer, int n);

// Serial-format byte (a UART line-control byte below 64).
QString byteToBinText(quint8 value);
int decodeParity(quint8 value);    // 0 NONE, 1 ODD, 2 EVEN, 3 MARK, 4 SPACE
int decodeDataBits(quint8 value);  // 0..3 for 5..8 data bits
bool decodeStopBits(quint8 value); // true for two stop bits

// Sum of the bytes modulo 256.
quint8 checksum8(const QByteArray &bytes);
quint8 checksum8(const char *data, qsizetype size);

// The host's IPv4 addresses the module endpoint binds to: the addresses of the interfaces that
// are up, loopback excluded. An override (setBindAddressOverride, or the environment variable
// X7_BIND_ADDRESSES as a comma-separated list) replaces the list; tests always set it. An
// overriding address may carry its network as "/prefix" (127.0.0.2/8); without one it takes
// defaultPrefixLength().
QStringList localIPv4List();
void setBindAddressOverride(const QStringList &addresses);

// A host address with the length of its network prefix (24 for a 255.255.255.0 netmask).
struct LocalAddress
{
    QString ip;
    int prefixLength = 24;
};
// localIPv4List() with each address's network: the interface's netmask for a real address.
QList<LocalAddress> localIPv4Networks();
// The prefix of `ip` in localIPv4Networks(), or defaultPrefixLength() when it is not listed.
int localPrefixLength(const QString &ip);
// The prefix of the host interface holding `ip`; else 8 for loopback and 24 for anything else.
int defaultPrefixLength(const QString &ip);
