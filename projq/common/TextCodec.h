#pragma once

#include <QByteArray>
#include <QString>

// The modules and the Windows programs store 8-bit text as GB18030 (a superset of GBK).
QByteArray gb18030Encode(const QString &text);
QString gb18030Decode(const QByteArray &bytes);

// Encodes `text` as GB18030 and cuts it to at most `maxBytes` bytes without splitting a character.
QByteArray gb18030EncodeCut(const QString &text, int maxBytes);
