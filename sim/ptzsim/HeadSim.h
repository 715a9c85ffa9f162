#pragma once

// ptzsim's transports around the head model: a TCP server, a pseudo-terminal or a serial port.
// Every frame received is logged in hex with its meaning on standard output; replies can be
// split, garbled or withheld, and a flood of garbage can be sent, to try the console's receive
// path.

#include "HeadModel.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>
#include <map>

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
    };

    void addPeer(QObject *key, const QString &name, std::function<void(const QByteArray &)> write);
    void onBytes(QObject *key, const QByteArray &bytes);
    void sendReply(QObject *key, const QByteArray &reply);
    void flood();
    void log(const QString &line) const;

    SimOptions m_options;
    HeadModel m_head;
    QElapsedTimer m_clock;
    std::map<QObject *, Peer> m_peers;
    QTimer m_floodTimer;
};
