#pragma once

// The simulator's serial side: one module on a serial line in configuration mode (its CFG pin
// grounded). SimSerialLine cuts the byte stream into frames and asks the module; X7SerialSim
// carries the bytes over a pseudo-terminal or a serial device.
//
// Frames (0x55, a command, data): 55 BD read (a Q2 answers its 137-byte parameter reply, a Q1
// its 32-byte Q1 reply), 55 BC Q1 read, 55 C1 extension (115 bytes: cloud ID and code, then the
// heartbeat/registration block), 55 BE + base block + sum, 55 BF + port block + sum, 55 B1 5A
// commit (takes effect), 55 BA + Q1 block + sum. Writes with a good sum are acknowledged 4B.

#include "SimModule.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

struct SimSerialOptions
{
    int splitMs = 0;     // > 0: every reply leaves in two halves this many ms apart
    bool badSum = false; // the Q1 reply's sum is off by one
    bool silent = false; // frames are taken (writes land) but nothing is answered
    bool dumpAfterWrite = false;
};

class SimSerialLine
{
public:
    SimSerialLine(SimModule *module, const SimSerialOptions &options);

    struct Output
    {
        QList<QByteArray> replies;
        QStringList notes;
        bool blocksChanged = false;
    };
    // The bytes that arrived at `nowMs`. A partial frame older than 500 ms is dropped first.
    Output feed(const QByteArray &bytes, qint64 nowMs);

private:
    SimModule *m_module;
    SimSerialOptions m_options;
    QByteArray m_pending;
    qint64 m_lastByteMs = 0;
};

// How many bytes a frame with this command byte has; 0 for an unknown command.
int simSerialFrameLength(quint8 command);

class QSerialPort;
class PtyPort;

class X7SerialSim : public QObject
{
    Q_OBJECT
public:
    X7SerialSim(SimModule *module, const SimSerialOptions &options, bool quiet,
                QObject *parent = nullptr);
    // "pty" opens a pseudo-terminal, anything else is a serial device opened at 115200 8N1.
    // Prints "x7sim: serial <path>" on success.
    bool open(const QString &where, QString *error);

private:
    void onBytes(const QByteArray &bytes);
    void write(const QByteArray &bytes);

    SimModule *m_module;
    SimSerialLine m_line;
    SimSerialOptions m_options;
    bool m_quiet;
    PtyPort *m_pty = nullptr;
    QSerialPort *m_serial = nullptr;
    QElapsedTimer m_clock;
};
