#pragma once

// ptzsim's transports around the head model: a TCP server, a pseudo-terminal or a serial port.
// Every frame received is logged in hex with its meaning and the milliseconds since the start on
// standard output ("rx FF 01 00 00 00 00 01 | stop at pan 0.00 tilt 90.00 | at 1234 ms"); bytes
// that form no frame are logged as junk, a bad checksum as such, and the start of a frame whose
// rest does not follow within kCutFrameMs as a cut frame; replies can be
// split, garbled or withheld, and a flood of garbage can be sent, to try the console's receive
// path.

#include "HeadModel.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

// A frame's bytes arrive together; the start of one still alone after this long was cut.
inline constexpr int kCutFrameMs = 200;

struct SimOptions
{
    HeadOptions head;
    int splitPieces = 1;   // a reply leaves in this many pieces
    int splitDelayMs = 10; // between two pieces
    bool noReply = false;
    bool replyGarbage = false;
    int floodBytes = 0; // garbage bytes sent to every peer each 10 ms
    bool quiet = false; // log only the announcement and errors
};

class HeadSim : public QObject
{
    Q_OBJECT

public:
    explicit HeadSim(const SimOptions &options, QObject *parent = nullptr);

    bool listenTcp(const QHostAddress &address, quint16 port, QString *error);
    bool openPty(QString *error);
    bool openSerial(const QString &device, QString *error);

private:
    struct Peer
    {
        QString name;
        std::function<void(const QByteArray &)> write;
        FrameReader reader;
        QTimer *cutTimer = nullptr; // runs while the start of a frame waits for the rest
    };

    void addPeer(QObject *key, const QString &name, std::function<void(const QByteArray &)> write);
    void onBytes(QObject *key, const QByteArray &bytes);
    void onCutFrame(QObject *key);
    QString stamp() const;
    void sendReply(QObject *key, const QByteArray &reply);
    void flood();
    void log(const QString &line) const;

    SimOptions m_options;
    HeadModel m_head;
    QElapsedTimer m_clock;
    std::map<QObject *, Peer> m_peers;
    QTimer m_floodTimer;
};
