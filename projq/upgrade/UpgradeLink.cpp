#include "UpgradeLink.h"

#include "UpgradeSession.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>

namespace {

constexpr quint16 kPorts[] = {UpgradePorts::kWakeUp, UpgradePorts::kBootServer,
                              UpgradePorts::kFileRequest, UpgradePorts::kData};

// A simulator or another tool on this host may listen on the same ports of the wildcard address;
// sharing lets both bind, and the kernel still hands each datagram to the best-matching socket.
constexpr QAbstractSocket::BindMode kBindMode =
    QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;

int interfaceIndexOf(const QHostAddress &address)
{
    for (const QNetworkInterface &itf : QNetworkInterface::allInterfaces()) {
        for (const QNetworkAddressEntry &e : itf.addressEntries()) {
            if (e.ip() == address)
                return itf.index();
        }
    }
    return 0;
}

} // namespace

UpgradeLink::UpgradeLink(QObject *parent)
    : QObject(parent)
{
}

UpgradeLink::~UpgradeLink() = default;

std::optional<UpgradeLink::OpenError> UpgradeLink::open(const QString &localIp)
{
    close();
    const QHostAddress local(localIp);
    auto bindOne = [this](const QHostAddress &address, quint16 port, bool wildcard,
                          OpenError &error) -> QUdpSocket * {
        auto *socket = new QUdpSocket(this);
        if (!socket->bind(address, port, kBindMode)) {
            error.port = port;
            error.text = socket->errorString();
            error.permission = socket->error() == QAbstractSocket::SocketAccessError;
            error.inUse = socket->error() == QAbstractSocket::AddressInUseError;
            delete socket;
            return nullptr;
        }
        connect(socket, &QUdpSocket::readyRead, this,
                [this, socket, port, wildcard] { readPending(socket, port, wildcard); });
        return socket;
    };
    OpenError error;
    for (quint16 port : kPorts) {
        QUdpSocket *s = bindOne(local, port, false, error);
        if (!s) {
            close();
            return error;
        }
        m_sockets << s;
    }
    m_bootWildcard =
        bindOne(QHostAddress(QHostAddress::AnyIPv4), UpgradePorts::kBootServer, true, error);
    if (!m_bootWildcard) {
        close();
        return error;
    }
    m_interfaceIndex = interfaceIndexOf(local);
    return std::nullopt;
}

void UpgradeLink::close()
{
    // Closed at once so the ports are free again; deleted later because this may run inside one
    // of their own signals.
    if (m_bootWildcard)
        m_sockets << m_bootWildcard;
    for (QUdpSocket *socket : std::as_const(m_sockets)) {
        socket->disconnect(this);
        socket->close();
        socket->deleteLater();
    }
    m_sockets.clear();
    m_bootWildcard = nullptr;
    m_interfaceIndex = 0;
}

QUdpSocket *UpgradeLink::socketFor(quint16 port) const
{
    for (int i = 0; i < int(std::size(kPorts)) && i < m_sockets.size(); ++i) {
        if (kPorts[i] == port)
            return m_sockets.at(i);
    }
    return nullptr;
}

bool UpgradeLink::send(const UpgradeFrame &frame, QString *error)
{
    QUdpSocket *socket = socketFor(frame.fromPort);
    if (!socket) {
        if (error)
            *error = QStringLiteral("port %1 is not open").arg(frame.fromPort);
        return false;
    }
    if (socket->writeDatagram(frame.bytes, QHostAddress(frame.toIp), frame.toPort) !=
        frame.bytes.size()) {
        if (error)
            *error = socket->errorString();
        return false;
    }
    return true;
}

void UpgradeLink::readPending(QUdpSocket *socket, quint16 localPort, bool wildcard)
{
    // One datagram per step without asking its size first: the lock-step transfer pays for every
    // system call once per block. Only the wildcard socket needs the receiving interface.
    char buffer[1024];
    do {
        QHostAddress senderAddress;
        QByteArray bytes;
        if (wildcard) {
            const QNetworkDatagram dg = socket->receiveDatagram();
            if (!dg.isValid())
                break;
            // It hears every interface; only the chosen one's traffic counts.
            if (m_interfaceIndex != 0 && dg.interfaceIndex() != 0 &&
                int(dg.interfaceIndex()) != m_interfaceIndex)
                continue;
            senderAddress = dg.senderAddress();
            bytes = dg.data();
        } else {
            const qint64 n = socket->readDatagram(buffer, sizeof buffer, &senderAddress);
            if (n < 0)
                break;
            bytes = QByteArray(buffer, n);
        }
        emit datagramReceived(localPort, QHostAddress(senderAddress.toIPv4Address()).toString(),
                              bytes);
        // A handler may have closed the link.
        if (socket->state() != QAbstractSocket::BoundState)
            return;
    } while (socket->hasPendingDatagrams());
}
