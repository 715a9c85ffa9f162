#pragma once

// A module's boot loader, for the firmware upgrade: it waits for the wake-up frame carrying its
// MAC on UDP port 9, broadcasts a 300-byte BOOTP request from port 68 to 255.255.255.255:67 with
// its hardware signature in the first four bytes of the server-name field, and on the reply asks
// the server it names for "firmware.bin" (port 69). It acknowledges each data block that arrives
// on port 13633 to its sender, again for a repeated block, and writes its signature followed by
// the data received to a file once a block shorter than 512 bytes ends the image.
//
// For tests it can lose given acknowledgements (each once), send others twice, carry another
// signature or stay silent. A block 1 that arrives while no transfer runs starts one without the
// BOOTP exchange, so a bare lock-step sender can be measured against it.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

class QUdpSocket;

class BootLoaderSim : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QByteArray mac;       // 6 bytes
        QHostAddress address; // its own address: frames leave from it
        QByteArray signature = QByteArrayLiteral("X7BL");
        QString outFile;
        QSet<int> dropAcks; // the first acknowledgement of these blocks is lost
        bool dropLastAck = false;
        QSet<int> duplicateAcks; // these blocks are acknowledged twice
        bool duplicateLastAck = false;
        bool silent = false; // never answers the wake-up
        bool quiet = false;
    };

    explicit BootLoaderSim(const Options &options, QObject *parent = nullptr);

    // Binds the ports; false (with a message on stderr) when one is refused.
    bool start();

private:
    enum class State { Idle, WaitingReply, Transfer, Done };

    void readWakeUp();
    void readBootReply();
    void readData();
    void sendBootRequest();
    void acknowledge(int block, const QHostAddress &to, quint16 port, bool last);
    void finishImage();
    void log(const QString &line) const;

    Options m_options;
    QUdpSocket *m_wake = nullptr;
    QUdpSocket *m_bootListen = nullptr; // 0.0.0.0:68, hears the broadcast reply
    QUdpSocket *m_bootSend = nullptr;   // <address>:68, sends the broadcast request
    QUdpSocket *m_data = nullptr;       // <address>:13633
    QTimer m_bootRetry;
    int m_bootTries = 0;
    State m_state = State::Idle;
    QByteArray m_xid;
    QHostAddress m_server;
    int m_expected = 1;
    QByteArray m_received;
    QSet<int> m_dropped; // acknowledgements already lost once
};
