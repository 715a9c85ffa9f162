#include "TUdpSvr.h"

#include "common/ValueHelpers.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

namespace {

// Room for a burst of a thousand search answers arriving at once.
constexpr int ReceiveBufferBytes = 4 * 1024 * 1024;

} // namespace

TUdpSvr::TUdpSvr(QObject *parent)
    : QObject(parent)
{
}

TUdpSvr::~TUdpSvr()
{
    closeSockets();
}

void TUdpSvr::closeSockets()
{
    for (QUdpSocket *s : std::as_const(m_sockets)) {
        s->disconnect(this);
        s->close();
        s->deleteLater();
    }
    m_sockets.clear();
    m_addresses.clear();
}

bool TUdpSvr::bindSockets(const QStringList &addresses)
{
    for (const QString &address : addresses) {
        auto *socket = new QUdpSocket(this);
        const int index = int(m_sockets.size());
        m_sockets.append(socket);
        if (!socket->bind(QHostAddress(address), 0))
            return false;
        socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                QVariant(ReceiveBufferBytes));
        connect(socket, &QUdpSocket::readyRead, this, [this, index] { readPending(index); });
    }
    m_addresses = addresses;
    return true;
}

void TUdpSvr::RefreshBindings()
{
    const QStringList addresses = GetLocalIPv4List();
    if (addresses.isEmpty() || addresses == m_addresses)
        return;
    closeSockets();
    if (!bindSockets(addresses))
        emit OnStatus(StPortInUse, QStringLiteral("port is used"));
}

int TUdpSvr::Search()
{
    RefreshBindings();
    const QByteArray frame = BuildSearchFrame();
    for (int i = 0; i < m_sockets.size(); ++i)
        sendFrame(i, frame, CfgPort);
    emit OnStatus(StSearchSent, QString());
    return 1;
}

void TUdpSvr::sendFrame(int socketIndex, const std::optional<QByteArray> &frame, quint16 port)
{
    if (!frame || socketIndex < 0 || socketIndex >= m_sockets.size())
        return;
    QUdpSocket *socket = m_sockets.at(socketIndex);
    if (socket->state() != QAbstractSocket::BoundState)
        return;
    if (socket->writeDatagram(*frame, QHostAddress(QString::fromLatin1(BroadcastIP)), port) < 0)
        return;
    emit OnDataSent(*frame, QString::fromLatin1(BroadcastIP), socket->localAddress().toString(),
                    port, socket->localPort());
}

void TUdpSvr::SendCommand(int socketIndex, const QString &mac, quint8 code, const QString &user,
                          const QString &password)
{
    sendFrame(socketIndex, BuildCommandFrame(mac, code, user, password), CfgPort);
}

void TUdpSvr::SendCommandQ3(int socketIndex, const QString &mac, quint8 code, const QString &user,
                            const QString &password)
{
    sendFrame(socketIndex, BuildCommandFrame(mac, code, user, password), CfgPortQ3);
}

void TUdpSvr::SendCommandData(int socketIndex, const QString &mac, quint8 code, const QString &user,
                              const QString &password, const QByteArray &data)
{
    sendFrame(socketIndex, BuildCommandFrame(mac, code, user, password, data), CfgPort);
}

void TUdpSvr::SendCommandDataQ3(int socketIndex, const QString &mac, quint8 code,
                                const QString &user, const QString &password,
                                const QByteArray &data)
{
    sendFrame(socketIndex, BuildCommandFrame(mac, code, user, password, data), CfgPortQ3);
}

void TUdpSvr::StoreReply(const QByteArray &answer)
{
    m_stored.StoreReply(answer);
}

QByteArray &TUdpSvr::storedReply(int length)
{
    if (QByteArray *buffer = m_stored.Buffer(length))
        return *buffer;
    static QByteArray none;
    none.clear();
    return none;
}

QString TUdpSvr::socketAddress(int index) const
{
    return index >= 0 && index < m_sockets.size() ? m_sockets.at(index)->localAddress().toString()
                                                  : QString();
}

quint16 TUdpSvr::socketPort(int index) const
{
    return index >= 0 && index < m_sockets.size() ? m_sockets.at(index)->localPort() : 0;
}

void TUdpSvr::readPending(int socketIndex)
{
    QUdpSocket *socket = m_sockets.value(socketIndex);
    if (!socket)
        return;
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram dg = socket->receiveDatagram();
        if (!dg.isValid())
            break;
        HandleDatagram(dg.data(), dg.senderAddress().toString(), quint16(dg.senderPort()),
                       socketIndex);
        // A handler may have rebound the sockets (a search from a slot): stop reading this one.
        if (m_sockets.value(socketIndex) != socket)
            return;
    }
}

void TUdpSvr::HandleDatagram(const QByteArray &datagram, const QString &peerIp, quint16 peerPort,
                             int socketIndex)
{
    emit OnDataReceived(datagram, peerIp, socketAddress(socketIndex), peerPort,
                        socketPort(socketIndex));
    const ReplyClass reply = ClassifyReply(datagram);
    switch (reply.kind) {
    case ReplyKind::SearchAnswer:
        if (const auto entry = DecodeSearchAnswer(datagram, peerPort, socketIndex))
            emit OnDeviceFound(entry->ip, entry->name, entry->socketIndex, entry->kind,
                               entry->version, entry->mac);
        break;
    case ReplyKind::Status:
    case ReplyKind::CheckError:
    case ReplyKind::ForeignModel:
    case ReplyKind::UnknownLength:
        emit OnStatus(reply.status, reply.detail);
        break;
    case ReplyKind::Ignored:
        break;
    default:
        dispatchBlock(reply.kind, datagram, DeviceKindFromPort(peerPort));
        break;
    }
}

void TUdpSvr::dispatchBlock(ReplyKind kind, const QByteArray &datagram, int deviceKind)
{
    // A parameter block names its module (the user MAC), so its owner stores it only once it
    // knows the block is the selected module's: another module's answer must never become the
    // template of the next save. The other blocks carry no MAC and are kept as they arrive.
    if (kind != ReplyKind::Base)
        StoreReply(datagram);
    switch (kind) {
    case ReplyKind::ModbusShort:
        emit OnModbusParams(datagram, int(datagram.size()));
        break;
    case ReplyKind::Cloud:
        emit OnCloudParams(datagram, deviceKind);
        break;
    case ReplyKind::HeartReg:
        emit OnHeartRegParams(datagram, deviceKind);
        break;
    case ReplyKind::ModbusPack:
        emit OnModbusPackParams(datagram, 87);
        break;
    case ReplyKind::ModbusNew:
        emit OnModbusNewParams(datagram, 100);
        break;
    case ReplyKind::Base:
        emit OnBaseParams(datagram, deviceKind);
        break;
    case ReplyKind::Httpd:
        emit OnHttpdParams(datagram);
        break;
    default:
        break;
    }
}
