#pragma once

// The pan-tilt head that ptzsim plays: it splits the byte stream into 7-byte frames, checks each
// frame's checksum, keeps its pan and tilt angle, presets and light, and answers position queries.
// No I/O here: bytes and the time in milliseconds go in, log lines and reply bytes come out.
// The checksums are written out again on purpose rather than taken from the console's code, so
// that the simulator checks the console instead of agreeing with it.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

struct HeadOptions
{
    int address = -1;            // answer only frames to this address; -1: any address
    double degreesPerStep = 0.5; // degrees per second for each unit of a speed byte
    double cruiseDegreesPerSecond = 5.0;
    double pan = 0.0;
    double tilt = 90.0;
};

// Splits a byte stream into candidate frames. Bytes before a sync (0xFF) or header (0x68) byte
// are junk; a candidate whose checksum is wrong gives up its first byte only, so the reader finds
// the next frame inside it.
class FrameReader
{
public:
    struct Item
    {
        QByteArray bytes;
        enum Kind { Frame, BadChecksum, Junk } kind;
    };
    QList<Item> feed(const QByteArray &bytes);
    // The start of a frame still waiting for its remaining bytes; emptied.
    QByteArray takePending();
    bool hasPending() const { return !m_pending.isEmpty(); }

private:
    QByteArray m_pending;
};

bool commandChecksumOk(const QByteArray &frame);
bool lightChecksumOk(const QByteArray &frame);

class HeadModel
{
public:
    explicit HeadModel(const HeadOptions &options);

    struct Outcome
    {
        QString meaning;
        std::optional<QByteArray> reply;
    };
    // One frame with a good checksum.
    Outcome handle(const QByteArray &frame, qint64 nowMs);

    double pan(qint64 nowMs);
    double tilt(qint64 nowMs);

private:
    void advance(qint64 nowMs);
    void setRates(double panRate, double tiltRate, qint64 nowMs);
    Outcome handleCommand(const QByteArray &frame, qint64 nowMs);
    Outcome handleLight(const QByteArray &frame);
    QByteArray positionReply(quint8 address, quint8 code, double degrees) const;

    HeadOptions m_options;
    double m_pan;
    double m_tilt;
    double m_panRate = 0.0;  // degrees per second, + is right
    double m_tiltRate = 0.0; // + is up
    qint64 m_lastMs = -1;
    QHash<int, QPair<double, double>> m_presets;
    bool m_lightOn = false;
};
