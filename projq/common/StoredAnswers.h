#pragma once

// The last copy of every block a module sent. Writes are built inside these copies, so bytes the
// program does not interpret go back to the module exactly as it sent them.

#include "ParamRecords.h"

#include <QByteArray>

struct StoredAnswers
{
    // Each buffer is zero-filled at its block size until an answer of that length arrives, so a
    // save before any read builds on zeros.
    QByteArray param = QByteArray(kParamBlockSize, '\0'); // base block 0-66, port block 67-129
    QByteArray cloud = QByteArray(kCloudBlockSize, '\0');
    QByteArray heartReg = QByteArray(kHeartRegBlockSize, '\0');
    QByteArray modbusPack = QByteArray(kModbusPackBlockSize, '\0');
    QByteArray modbusNew = QByteArray(kModbusNewBlockSize, '\0');
    QByteArray httpd = QByteArray(kHttpdBlockSize, '\0');

    // The two flag bytes of the last parameter block a module sent (base byte 3, port byte 50),
    // over the network or the serial line. Q2 writes start from them rather than from the
    // stored block, which a Q3 write or a serial write may have rebuilt meanwhile.
    quint8 baseFlags = 0;
    quint8 portFlags = 0;

    // Keeps an answer of 50, 85, 87, 100, 130 or 302 bytes as the template of the next write of
    // that block; a 130-byte answer also has its flag bytes remembered. Other lengths are not
    // kept (false).
    bool storeReply(const QByteArray &answer);

    // Remembers the flag bytes of a 130-byte parameter block without storing the block (the
    // serial read does this).
    void rememberFlags(const QByteArray &param);

    // The buffer kept for answers of `length` bytes, or nullptr for a length that is not kept.
    QByteArray *buffer(qsizetype length);
};
