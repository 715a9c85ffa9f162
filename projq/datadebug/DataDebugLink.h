#pragma once

// The PC side of a module's socket: a UDP peer bound to one local address and port, a TCP
// server that talks to every client it accepts, or a TCP client. Qt's asynchronous sockets on
// the window's thread; nothing here waits. Events come out as signals for the window to word.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

class DataDebugLink : public QObject
{
    Q_OBJECT
public:
    // The order of the window's protocol list.
    enum class Protocol { UdpServer = 0, TcpServer = 1, UdpClient = 2, TcpClient = 3 };
    enum class State { Idle, UdpBound, Listening, Connecting, Connected };

    explicit DataDebugLink(QObject *parent = nullptr);
    ~DataDebugLink() override;

    // UDP: binds `address`:`port`. TCP server: listens on `port` of every local address (or of
    // the test override's address). TCP client: starts connecting to `address`:`port`.
    // False with `error` set when the socket could not be opened; the link is then idle.
    bool start(Protocol protocol, const QString &address, quint16 port, QString *error);
    // Closes whatever is open; no signal but stateChanged.
    void stop();

    Protocol protocol() const { return m_protocol; }
    State state() const { return m_state; }
    bool active() const { return m_state != State::Idle; }
    // Where UDP sends go.
    void setUdpRemote(const QString &address, quint16 port);
    int clientCount() const { return int(m_clients.size()); }
    quint16 localPort() const;

    // Sends one message over the current protocol: one datagram to the UDP remote, the bytes to
    // every TCP client in the order they connected, or over the TCP client connection. Returns
    // the number of copies handed to a socket (0 while nothing can take them).
    int sendPayload(const QByteArray &payload);

signals:
    void stateChanged(State state);
    void clientConnected(const QString &peerIp);
    void lastClientLeft();
    void clientError(int code, const QString &text);
    void connected(const QString &serverIp);
    void disconnected(const QString &serverIp);
    void serverError(int code, const QString &text);
    void received(const QByteArray &bytes, const QString &peerIp, quint16 peerPort);
    // A message went out to `peer` ("ip:port").
    void sent(const QByteArray &bytes, const QString &peer);
    // A UDP datagram could not be sent (a remote address that is not one, a full buffer).
    void sendFailed(const QString &text);

private:
    void setState(State state);
    void onNewConnection();
    void onUdpReadyRead();
    void dropClient(QTcpSocket *client);

    Protocol m_protocol = Protocol::UdpServer;
    State m_state = State::Idle;
    QUdpSocket *m_udp = nullptr;
    QTcpServer *m_server = nullptr;
    QList<QTcpSocket *> m_clients;
    QTcpSocket *m_client = nullptr;
    QString m_serverIp;
    QHostAddress m_udpRemote;
    QString m_udpRemoteText;
    quint16 m_udpRemotePort = 0;
};
