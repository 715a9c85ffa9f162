#pragma once

// A well-formed 36-byte search answer of made-up module number `module` (MAC 02 58 37 00 xx xx,
// firmware 4017): the datagram a test floods the endpoint with.

#include <QByteArray>

inline QByteArray searchAnswerOf(int module)
{
    QByteArray a(36, '\0');
    a[0] = char(0xFF);
    a[1] = char(0x24);
    a[2] = char(0x01);
    a[5] = char(10);
    a[7] = char(module >> 8);
    a[8] = char(module);
    a.replace(9, 6, QByteArray::fromHex("025837000000"));
    a[13] = char(module >> 8);
    a[14] = char(module);
    a[15] = char(4017 & 0xFF);
    a[16] = char(4017 >> 8);
    return a;
}
