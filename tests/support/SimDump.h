#pragma once

// x7sim's own record of its modules' memory: the "dump" command prints one line per block,
// "block <MAC hex> <name> <bytes hex>", then "dump end". Tests judge a write by these bytes,
// never by the program's copy of them.

#include "support/SimProcess.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QTest>

using SimBlocks = QMap<QByteArray, QByteArray>; // block name -> bytes
using SimMemory = QMap<QByteArray, SimBlocks>;  // MAC (12 hex digits) -> blocks

// Every module's blocks in a dump's lines.
inline SimMemory parseSimDump(const QByteArray &output)
{
    SimMemory memory;
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 4 && parts.at(0) == "block")
            memory[parts.at(1)].insert(parts.at(2), QByteArray::fromHex(parts.at(3)));
    }
    return memory;
}

// Asks the running simulator for a dump and returns it. Dumps printed earlier (x7sim prints one
// after each write with --dump-after-write) are skipped: only what follows this request counts.
inline SimMemory dumpSimMemory(SimProcess &sim, int timeoutMs = 4000)
{
    const qsizetype from = sim.output().size();
    sim.process().write("dump\n");
    QByteArray dump;
    for (int waited = 0; waited < timeoutMs && !dump.contains("dump end"); waited += 20) {
        QTest::qWait(20);
        dump = sim.output().mid(from);
    }
    return parseSimDump(dump.left(dump.indexOf("dump end")));
}

// Every byte of every block that differs, as "name[offset] before -> after" lines.
inline QStringList blockDifferences(const SimBlocks &expected, const SimBlocks &actual)
{
    QStringList out;
    if (expected.keys() != actual.keys())
        out << QStringLiteral("blocks %1 -> %2")
                   .arg(QString::fromLatin1(expected.keys().join(',')),
                        QString::fromLatin1(actual.keys().join(',')));
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        const QByteArray &a = it.value();
        const QByteArray b = actual.value(it.key());
        if (a.size() != b.size())
            out << QStringLiteral("%1: %2 bytes -> %3")
                       .arg(QString::fromLatin1(it.key()))
                       .arg(a.size())
                       .arg(b.size());
        for (int i = 0; i < qMin(a.size(), b.size()); ++i)
            if (a.at(i) != b.at(i))
                out << QStringLiteral("%1[%2] %3 -> %4")
                           .arg(QString::fromLatin1(it.key()))
                           .arg(i)
                           .arg(quint8(a.at(i)), 2, 16, QLatin1Char('0'))
                           .arg(quint8(b.at(i)), 2, 16, QLatin1Char('0'));
    }
    return out;
}
