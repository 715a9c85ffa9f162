#pragma once

// The configuration utility's one endpoint towards the modules: one UDP socket per local IPv4
// address, every frame broadcast to 255.255.255.255 from the socket that found the module (the
// module is addressed by the MAC inside the frame, so it answers even outside the host's subnet),
// answers classified by their length and handed on through the signals below.

#include "common/StoredAnswers.h"
#include "lan/LanFrames.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QVector>

class QUdpSocket;

class ModuleEndpoint : public QObject
{
    Q_OBJECT
public:
    explicit ModuleEndpoint(QObject *parent = nullptr);
    ~ModuleEndpoint() override;

    // Makes the socket set follow localIPv4List(): rebinds when the list changed, keeps the
    // sockets (and their ephemeral ports) when it did not. A bind failure reports StPortInUse.
    void refreshBindings();

    // Rebinds if needed and broadcasts the search frame from every socket; 1 when handed out.
    int search();

    void sendCommand(int socketIndex, const QString &mac, quint8 code, const QString &user,
                     const QString &password);
    void sendCommandQ3(int socketIndex, const QString &mac, quint8 code, const QString &user,
                       const QString &password);
    void sendCommandData(int socketIndex, const QString &mac, quint8 code, const QString &user,
                         const QString &password, const QByteArray &data);
    void sendCommandDataQ3(int socketIndex, const QString &mac, quint8 code, const QString &user,
                           const QString &password, const QByteArray &data);

    // Keeps a copy of a parameter answer as the template of the next write of that block. Every
    // answer is kept on arrival except the 130-byte parameter block, which the owner keeps once
    // its user MAC matches the module it asked.
    void storeReply(const QByteArray &answer);
    // The stored answer of that length (50, 85, 87, 100, 130, 302), zero-filled until one came.
    QByteArray &storedReply(int length);
    // Every stored answer, with the remembered flag bytes of the last parameter block; the save
    // sequences build their blocks inside these.
    StoredAnswers &stored() { return m_stored; }

    int socketCount() const { return int(m_sockets.size()); }
    QString socketAddress(int index) const;
    quint16 socketPort(int index) const;

    // At most this many datagrams, or this long, per pass of the event loop on one socket: a flood
    // of traffic then delays a timer or a click by one batch, never by the whole flood.
    static constexpr int kMaxBatchDatagrams = 1024;
    static constexpr int kMaxBatchMs = 4;

    // The receive path of every socket; public so that tests can feed it datagrams directly.
    void handleDatagram(const QByteArray &datagram, const QString &peerIp, quint16 peerPort,
                        int socketIndex);

signals:
    void dataSent(const QByteArray &frame, const QString &destIp, const QString &localIp,
                  quint16 destPort, quint16 localPort);
    void datagramReceived(const QByteArray &datagram, const QString &peerIp, const QString &localIp,
                          quint16 peerPort, quint16 localPort);
    void deviceFound(const QString &ip, const QString &name, int socketIndex, int kind,
                     const QString &version, const QString &mac);
    void baseParamsReceived(const QByteArray &block, int kind);
    void cloudParamsReceived(const QByteArray &block, int kind);
    void heartRegParamsReceived(const QByteArray &block, int kind);
    void httpdParamsReceived(const QByteArray &block);
    void statusReported(int code, const QString &text);
    void modbusParamsReceived(const QByteArray &block, int length);
    void modbusPackParamsReceived(const QByteArray &block, int length);
    void modbusNewParamsReceived(const QByteArray &block, int length);

private:
    void sendFrame(int socketIndex, const std::optional<QByteArray> &frame, quint16 port);
    void closeSockets();
    bool bindSockets(const QStringList &addresses);
    void readPending(int socketIndex);
    const QString &peerText(const QHostAddress &peer);
    void dispatchBlock(ReplyKind kind, const QByteArray &datagram, int deviceKind);

    QVector<QUdpSocket *> m_sockets;
    // Per socket: its local address as text and its port, known from the bind on.
    QStringList m_localTexts;
    QVector<quint16> m_localPorts;
    QStringList m_addresses;
    QByteArray m_receiveBuffer;
    // Most datagrams of a burst come from one peer: its address is turned into text once.
    QHostAddress m_lastPeer;
    QString m_lastPeerText;
    StoredAnswers m_stored;
};
