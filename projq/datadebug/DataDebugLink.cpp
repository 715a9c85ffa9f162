#include "DataDebugLink.h"

#include "common/ValueHelpers.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

namespace {

QString peerText(const QHostAddress &address, quint16 port)
{
    QHostAddress shown = address;
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    if (ok)
        shown = QHostAddress(v4); // ::ffff:a.b.c.d as a.b.c.d
    return shown.toString() + u':' + QString::number(port);
}

QString hostText(const QHostAddress &address)
{
    bool ok = false;
    const quint32 v4 = address.toIPv4Address(&ok);
    return ok ? QHostAddress(v4).toString() : address.toString();
}

// The TCP server listens on every local address, except where the module endpoint is told to
// stay on given addresses (tests keep to loopback that way).
QHostAddress listenAddress()
{
    if (qEnvironmentVariableIsEmpty("X7_BIND_ADDRESSES"))
        return QHostAddress::Any;
    const QStringList addresses = localIPv4List();
    return addresses.isEmpty() ? QHostAddress(QHostAddress::Any) : QHostAddress(addresses.first());
}

} // namespace

DataDebugLink::DataDebugLink(QObject *parent)
    : QObject(parent)
{
}

DataDebugLink::~DataDebugLink()
{
    stop();
}

void DataDebugLink::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

bool DataDebugLink::start(Protocol protocol, const QString &address, quint16 port, QString *error)
{
    stop();
    m_protocol = protocol;
    switch (protocol) {
    case Protocol::UdpServer:
    case Protocol::UdpClient: {
        const QHostAddress local(address.trimmed());
        if (local.isNull()) {
            *error = address.trimmed();
            return false;
        }
        m_udp = new QUdpSocket(this);
        if (!m_udp->bind(local, port)) {
            *error = m_udp->errorString();
            delete m_udp;
            m_udp = nullptr;
            return false;
        }
        connect(m_udp, &QUdpSocket::readyRead, this, &DataDebugLink::onUdpReadyRead);
        setState(State::UdpBound);
        return true;
    }
    case Protocol::TcpServer:
        m_server = new QTcpServer(this);
        if (!m_server->listen(listenAddress(), port)) {
            *error = m_server->errorString();
            delete m_server;
            m_server = nullptr;
            return false;
        }
        connect(m_server, &QTcpServer::newConnection, this, &DataDebugLink::onNewConnection);
        setState(State::Listening);
        return true;
    case Protocol::TcpClient: {
        m_client = new QTcpSocket(this);
        m_serverIp = address.trimmed();
        QTcpSocket *client = m_client;
        connect(client, &QTcpSocket::connected, this, [this, client] {
            if (client != m_client)
                return;
            setState(State::Connected);
            emit connected(hostText(client->peerAddress()));
        });
        connect(client, &QTcpSocket::disconnected, this, [this, client] {
            if (client != m_client)
                return;
            m_client = nullptr;
            client->deleteLater();
            setState(State::Idle);
            emit disconnected(m_serverIp);
        });
        connect(client, &QTcpSocket::errorOccurred, this,
                [this, client](QAbstractSocket::SocketError code) {
                    if (client != m_client)
                        return;
                    // A peer's orderly close is a disconnect, not an error.
                    if (code != QAbstractSocket::RemoteHostClosedError)
                        emit serverError(int(code), client->errorString());
                    if (client->state() == QAbstractSocket::UnconnectedState &&
                        m_state == State::Connecting) {
                        // The connect failed: no disconnect event follows.
                        m_client = nullptr;
                        client->deleteLater();
                        setState(State::Idle);
                    }
                });
        connect(client, &QTcpSocket::readyRead, this, [this, client] {
            const QByteArray bytes = client->readAll();
            if (!bytes.isEmpty())
                emit received(bytes, hostText(client->peerAddress()), client->peerPort());
        });
        setState(State::Connecting);
        client->connectToHost(m_serverIp, port);
        return true;
    }
    }
    return false;
}

void DataDebugLink::stop()
{
    if (m_udp) {
        m_udp->close();
        m_udp->deleteLater();
        m_udp = nullptr;
    }
    if (m_server) {
        m_server->close();
        m_server->deleteLater();
        m_server = nullptr;
    }
    const QList<QTcpSocket *> clients = m_clients;
    m_clients.clear();
    for (QTcpSocket *c : clients) {
        c->disconnect(this);
        c->abort();
        c->deleteLater();
    }
    if (m_client) {
        QTcpSocket *client = m_client;
        m_client = nullptr; // its events are no longer ours
        client->disconnect(this);
        client->abort();
        client->deleteLater();
    }
    setState(State::Idle);
}

void DataDebugLink::setUdpRemote(const QString &address, quint16 port)
{
    m_udpRemoteText = address.trimmed();
    m_udpRemote = QHostAddress(m_udpRemoteText);
    m_udpRemotePort = port;
}

quint16 DataDebugLink::localPort() const
{
    if (m_udp)
        return m_udp->localPort();
    if (m_server)
        return m_server->serverPort();
    if (m_client)
        return m_client->localPort();
    return 0;
}

int DataDebugLink::sendPayload(const QByteArray &payload)
{
    switch (m_state) {
    case State::UdpBound: {
        if (m_udpRemote.isNull()) {
            emit sendFailed(m_udpRemoteText);
            return 0;
        }
        if (m_udp->writeDatagram(payload, m_udpRemote, m_udpRemotePort) != payload.size()) {
            emit sendFailed(m_udp->errorString());
            return 0;
        }
        emit sent(payload, peerText(m_udpRemote, m_udpRemotePort));
        return 1;
    }
    case State::Listening: {
        int copies = 0;
        for (QTcpSocket *c : std::as_const(m_clients)) {
            if (c->write(payload) == payload.size()) {
                ++copies;
                emit sent(payload, peerText(c->peerAddress(), c->peerPort()));
            }
        }
        return copies;
    }
    case State::Connected:
        if (m_client->write(payload) != payload.size())
            return 0;
        emit sent(payload, peerText(m_client->peerAddress(), m_client->peerPort()));
        return 1;
    case State::Idle:
    case State::Connecting:
        return 0;
    }
    return 0;
}

void DataDebugLink::onUdpReadyRead()
{
    // Bounded per event, so a flood cannot hold the window.
    for (int i = 0; i < 256 && m_udp && m_udp->hasPendingDatagrams(); ++i) {
        const QNetworkDatagram d = m_udp->receiveDatagram();
        if (!d.isValid())
            continue;
        emit received(d.data(), hostText(d.senderAddress()), quint16(d.senderPort()));
    }
    if (m_udp && m_udp->hasPendingDatagrams())
        QMetaObject::invokeMethod(this, &DataDebugLink::onUdpReadyRead, Qt::QueuedConnection);
}

void DataDebugLink::onNewConnection()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *c = m_server->nextPendingConnection();
        m_clients.append(c);
        connect(c, &QTcpSocket::readyRead, this, [this, c] {
            const QByteArray bytes = c->readAll();
            if (!bytes.isEmpty())
                emit received(bytes, hostText(c->peerAddress()), c->peerPort());
        });
        connect(c, &QTcpSocket::disconnected, this, [this, c] { dropClient(c); });
        connect(c, &QTcpSocket::errorOccurred, this, [this, c](QAbstractSocket::SocketError code) {
            if (code != QAbstractSocket::RemoteHostClosedError)
                emit clientError(int(code), c->errorString());
        });
        emit clientConnected(hostText(c->peerAddress()));
    }
}

void DataDebugLink::dropClient(QTcpSocket *client)
{
    if (!m_clients.removeOne(client))
        return;
    client->deleteLater();
    if (m_clients.isEmpty())
        emit lastClientLeft();
}
