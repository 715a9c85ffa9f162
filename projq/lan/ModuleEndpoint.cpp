#include "ModuleEndpoint.h"

#include "common/ValueHelpers.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QVariant>

namespace {

// Room for a burst of a thousand search answers arriving at once.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;
// The largest UDP payload over IPv4: a datagram is never cut when read.
constexpr int kLargestDatagram = 65536;

} // namespace

ModuleEndpoint::ModuleEndpoint(QObject *parent)
    : QObject(parent)
{
}

ModuleEndpoint::~ModuleEndpoint()
{
    closeSockets();
}

void ModuleEndpoint::closeSockets()
{
    for (QUdpSocket *s : std::as_const(m_sockets)) {
        s->disconnect(this);
        s->close();
        s->deleteLater();
    }
    m_sockets.clear();
    m_localTexts.clear();
    m_localPorts.clear();
    m_addresses.clear();
}

bool ModuleEndpoint::bindSockets(const QStringList &addresses)
{
    for (const QString &address : addresses) {
        auto *socket = new QUdpSocket(this);
        const int index = int(m_sockets.size());
        m_sockets.append(socket);
        m_localTexts.append(QString());
        m_localPorts.append(0);
        if (!socket->bind(QHostAddress(address), 0))
            return false;
        m_localTexts[index] = socket->localAddress().toString();
        m_localPorts[index] = socket->localPort();
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                QVariant(kReceiveBufferBytes));
        connect(socket, &QUdpSocket::readyRead, this, [this, index] { readPending(index); });
    }
    m_addresses = addresses;
    return true;
}

void ModuleEndpoint::refreshBindings()
{
    const QStringList addresses = localIPv4List();
    if (addresses.isEmpty() || addresses == m_addresses)
        return;
    closeSockets();
    if (!bindSockets(addresses))
        emit statusReported(StPortInUse, QStringLiteral("port is used"));
}

int ModuleEndpoint::search()
{
    refreshBindings();
    const QByteArray frame = buildSearchFrame();
    for (int i = 0; i < m_sockets.size(); ++i)
        sendFrame(i, frame, kCfgPort);
    emit statusReported(StSearchSent, QString());
    return 1;
}

void ModuleEndpoint::sendFrame(int socketIndex, const std::optional<QByteArray> &frame,
                               quint16 port)
{
    if (!frame || socketIndex < 0 || socketIndex >= m_sockets.size())
        return;
    QUdpSocket *socket = m_sockets.at(socketIndex);
    if (socket->state() != QAbstractSocket::BoundState)
        return;
    if (socket->writeDatagram(*frame, QHostAddress(QString::fromLatin1(kBroadcastIP)), port) < 0)
        return;
    emit dataSent(*frame, QString::fromLatin1(kBroadcastIP), socket->localAddress().toString(),
                  port, socket->localPort());
}

void ModuleEndpoint::sendCommand(int socketIndex, const QString &mac, quint8 code,
                                 const QString &user, const QString &password)
{
    sendFrame(socketIndex, buildCommandFrame(mac, code, user, password), kCfgPort);
}

void ModuleEndpoint::sendCommandQ3(int socketIndex, const QString &mac, quint8 code,
                                   const QString &user, const QString &password)
{
    sendFrame(socketIndex, buildCommandFrame(mac, code, user, password), kCfgPortQ3);
}

void ModuleEndpoint::sendCommandData(int socketIndex, const QString &mac, quint8 code,
                                     const QString &user, const QString &password,
                                     const QByteArray &data)
{
    sendFrame(socketIndex, buildCommandFrame(mac, code, user, password, data), kCfgPort);
}

void ModuleEndpoint::sendCommandDataQ3(int socketIndex, const QString &mac, quint8 code,
                                       const QString &user, const QString &password,
                                       const QByteArray &data)
{
    sendFrame(socketIndex, buildCommandFrame(mac, code, user, password, data), kCfgPortQ3);
}

void ModuleEndpoint::storeReply(const QByteArray &answer)
{
    m_stored.storeReply(answer);
}

QByteArray &ModuleEndpoint::storedReply(int length)
{
    if (QByteArray *buffer = m_stored.buffer(length))
        return *buffer;
    static QByteArray none;
    none.clear();
    return none;
}

QString ModuleEndpoint::socketAddress(int index) const
{
    return m_localTexts.value(index);
}

quint16 ModuleEndpoint::socketPort(int index) const
{
    return m_localPorts.value(index);
}

void ModuleEndpoint::readPending(int socketIndex)
{
    QUdpSocket *socket = m_sockets.value(socketIndex);
    if (!socket)
        return;
    if (m_receiveBuffer.size() < kLargestDatagram)
        m_receiveBuffer.resize(kLargestDatagram);
    QElapsedTimer batch;
    batch.start();
    QHostAddress peer;
    quint16 peerPort = 0;
    for (int n = 0; n < kMaxBatchDatagrams && batch.elapsed() < kMaxBatchMs; ++n) {
        if (!socket->hasPendingDatagrams())
            return;
        const qint64 size =
            socket->readDatagram(m_receiveBuffer.data(), kLargestDatagram, &peer, &peerPort);
        if (size < 0)
            return;
        handleDatagram(QByteArray(m_receiveBuffer.constData(), size), peerText(peer), peerPort,
                       socketIndex);
        // A handler may have rebound the sockets (a search from a slot): stop reading this one.
        if (m_sockets.value(socketIndex) != socket)
            return;
    }
    // The rest waits for the next pass, after the timers, input and painting that are due: each
    // read re-arms the socket's notifier, and the notifier fires as long as datagrams wait. Only
    // this handler reads, so a notification never finds the socket drained by someone else and
    // left unarmed.
}

const QString &ModuleEndpoint::peerText(const QHostAddress &peer)
{
    if (peer != m_lastPeer || m_lastPeerText.isEmpty()) {
        m_lastPeer = peer;
        m_lastPeerText = peer.toString();
    }
    return m_lastPeerText;
}

void ModuleEndpoint::handleDatagram(const QByteArray &datagram, const QString &peerIp,
                                    quint16 peerPort, int socketIndex)
{
    emit datagramReceived(datagram, peerIp, socketAddress(socketIndex), peerPort,
                          socketPort(socketIndex));
    const ReplyClass reply = classifyReply(datagram);
    switch (reply.kind) {
    case ReplyKind::SearchAnswer:
        if (const auto entry = decodeSearchAnswer(datagram, peerPort, socketIndex))
            emit deviceFound(entry->ip, entry->name, entry->socketIndex, entry->kind,
                             entry->version, entry->mac);
        break;
    case ReplyKind::Status:
    case ReplyKind::CheckError:
    case ReplyKind::ForeignModel:
    case ReplyKind::UnknownLength:
        emit statusReported(reply.status, reply.detail);
        break;
    case ReplyKind::Ignored:
        break;
    default:
        dispatchBlock(reply.kind, datagram, deviceKindFromPort(peerPort));
        break;
    }
}

void ModuleEndpoint::dispatchBlock(ReplyKind kind, const QByteArray &datagram, int deviceKind)
{
    // A parameter block names its module (the user MAC), so its owner stores it only once it
    // knows the block is the selected module's: another module's answer must never become the
    // template of the next save. The other blocks carry no MAC and are kept as they arrive.
    if (kind != ReplyKind::Base)
        storeReply(datagram);
    switch (kind) {
    case ReplyKind::ModbusShort:
        emit modbusParamsReceived(datagram, int(datagram.size()));
        break;
    case ReplyKind::Cloud:
        emit cloudParamsReceived(datagram, deviceKind);
        break;
    case ReplyKind::HeartReg:
        emit heartRegParamsReceived(datagram, deviceKind);
        break;
    case ReplyKind::ModbusPack:
        emit modbusPackParamsReceived(datagram, 87);
        break;
    case ReplyKind::ModbusNew:
        emit modbusNewParamsReceived(datagram, 100);
        break;
    case ReplyKind::Base:
        emit baseParamsReceived(datagram, deviceKind);
        break;
    case ReplyKind::Httpd:
        emit httpdParamsReceived(datagram);
        break;
    default:
        break;
    }
}
