#pragma once

#include <QByteArray>
#include <QString>

// The modules and the Windows programs store 8-bit text as GB18030 (a superset of GBK).
QByteArray gb18030Encode(const QString &text);
QString gb18030Decode(const QByteArray &bytes);

// Encodes `text` as GB18030 and cuts it to at most `maxBytes` bytes without splitting a character.
QByteArray gb18030EncodeCut(const QString &text, int maxBytes);

// A data field's "Hex" box: ticking it shows the field's text (GB18030 bytes) as hex digits.
QString plainToHexField(const QString &text);
// Clearing "Hex": hex digit pairs back to text (a trailing odd digit is dropped). A text with
// anything but hex digits is left as it is.
QString hexToPlainField(const QString &hex);
