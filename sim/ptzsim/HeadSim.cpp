#include "HeadSim.h"

#include "PtyPort.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

namespace {

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray randomBytes(int count)
{
    QByteArray bytes(count, '\0');
    for (char &b : bytes)
        b = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

} // namespace

HeadSim::HeadSim(const SimOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_head(options.head)
{
    m_clock.start();
    m_floodTimer.setInterval(10);
    connect(&m_floodTimer, &QTimer::timeout, this, &HeadSim::flood);
    if (m_options.floodBytes > 0)
        m_floodTimer.start();
}

void HeadSim::log(const QString &line) const
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

bool HeadSim::listenTcp(const QHostAddress &address, quint16 port, QString *error)
{
    auto *server = new QTcpServer(this);
    if (!server->listen(address, port)) {
        *error = server->errorString();
        return false;
    }
    connect(server, &QTcpServer::newConnection, this, [this, server] {
        while (QTcpSocket *socket = server->nextPendingConnection()) {
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            const QString name = QStringLiteral("%1:%2")
                                     .arg(socket->peerAddress().toString())
                                     .arg(socket->peerPort());
            addPeer(socket, name, [socket](const QByteArray &bytes) {
                socket->write(bytes);
                socket->flush();
            });
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket] { onBytes(socket, socket->readAll()); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                auto found = m_peers.find(socket);
                if (found != m_peers.end()) {
                    log(QStringLiteral("peer %1 closed").arg(found->second.name));
                    m_peers.erase(found);
                }
                socket->deleteLater();
            });
        }
    });
    log(QStringLiteral("ptzsim: listening on %1:%2")
            .arg(server->serverAddress().toString())
            .arg(server->serverPort()));
    return true;
}

bool HeadSim::openPty(QString *error)
{
    auto *pty = new PtyPort(this);
    if (!pty->open()) {
        *error = pty->errorText();
        return false;
    }
    log(QStringLiteral("ptzsim: pty %1").arg(pty->devicePath()));
    addPeer(pty, pty->devicePath(), [pty](const QByteArray &bytes) { pty->write(bytes); });
    connect(pty, &PtyPort::bytesReceived, this,
            [this, pty](const QByteArray &bytes) { onBytes(pty, bytes); });
    return true;
}

bool HeadSim::openSerial(const QString &device, QString *error)
{
    auto *port = new QSerialPort(device, this);
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        *error = port->errorString();
        return false;
    }
    log(QStringLiteral("ptzsim: serial %1 at 9600 8N1").arg(device));
    addPeer(port, device, [port](const QByteArray &bytes) { port->write(bytes); });
    connect(port, &QSerialPort::readyRead, this, [this, port] { onBytes(port, port->readAll()); });
    return true;
}

void HeadSim::addPeer(QObject *key, const QString &name,
                      std::function<void(const QByteArray &)> write)
{
    auto *cutTimer = new QTimer(key);
    cutTimer->setSingleShot(true);
    cutTimer->setInterval(kCutFrameMs);
    connect(cutTimer, &QTimer::timeout, this, [this, key] { onCutFrame(key); });
    m_peers[key] = Peer{name, std::move(write), FrameReader(), cutTimer};
    if (!m_options.quiet)
        log(QStringLiteral("peer %1 ready").arg(name));
}

void HeadSim::onBytes(QObject *key, const QByteArray &bytes)
{
    auto found = m_peers.find(key);
    if (found == m_peers.end())
        return;
    Peer &peer = found->second;
    for (const FrameReader::Item &item : peer.reader.feed(bytes)) {
        switch (item.kind) {
        case FrameReader::Item::Junk:
            if (!m_options.quiet)
                log(QStringLiteral("rx %1 | junk, no frame%2").arg(hex(item.bytes), stamp()));
            break;
        case FrameReader::Item::BadChecksum:
            if (!m_options.quiet)
                log(QStringLiteral("rx %1 | bad checksum, dropped%2")
                        .arg(hex(item.bytes), stamp()));
            break;
        case FrameReader::Item::Frame: {
            const HeadModel::Outcome outcome = m_head.handle(item.bytes, m_clock.elapsed());
            if (!m_options.quiet)
                log(QStringLiteral("rx %1 | %2%3").arg(hex(item.bytes), outcome.meaning, stamp()));
            if (outcome.reply)
                sendReply(key, *outcome.reply);
            break;
        }
        }
    }
    // A reply may have removed the peer (a write that found it gone).
    found = m_peers.find(key);
    if (found == m_peers.end())
        return;
    if (found->second.reader.hasPending())
        found->second.cutTimer->start();
    else
        found->second.cutTimer->stop();
}

void HeadSim::onCutFrame(QObject *key)
{
    auto found = m_peers.find(key);
    if (found == m_peers.end() || !found->second.reader.hasPending())
        return;
    const QByteArray cut = found->second.reader.takePending();
    if (!m_options.quiet)
        log(QStringLiteral("rx %1 | junk, cut frame: no more bytes within %2 ms%3")
                .arg(hex(cut))
                .arg(kCutFrameMs)
                .arg(stamp()));
}

QString HeadSim::stamp() const
{
    return QStringLiteral(" | at %1 ms").arg(m_clock.elapsed());
}

void HeadSim::sendReply(QObject *key, const QByteArray &reply)
{
    if (m_options.noReply) {
        if (!m_options.quiet)
            log(QStringLiteral("tx (withheld) %1").arg(hex(reply)));
        return;
    }
    const QByteArray bytes = m_options.replyGarbage ? randomBytes(int(reply.size())) : reply;
    const int pieces = qBound(1, m_options.splitPieces, int(bytes.size()));
    const int pieceSize = int((bytes.size() + pieces - 1) / pieces);
    if (!m_options.quiet)
        log(QStringLiteral("tx %1%2").arg(
            hex(bytes), pieces > 1 ? QStringLiteral(" in %1 pieces").arg(pieces) : QString()));
    QPointer<QObject> guard(key);
    for (int i = 0; i * pieceSize < bytes.size(); ++i) {
        const QByteArray piece = bytes.mid(i * pieceSize, pieceSize);
        auto send = [this, guard, key, piece] {
            auto found = m_peers.find(key);
            if (guard && found != m_peers.end())
                found->second.write(piece);
        };
        if (i == 0)
            send();
        else
            QTimer::singleShot(i * m_options.splitDelayMs, this, send);
    }
}

void HeadSim::flood()
{
    // A write may report the peer gone and remove it, so walk a copy of the keys.
    QList<QObject *> keys;
    for (const auto &entry : m_peers)
        keys.append(entry.first);
    for (QObject *key : keys) {
        auto found = m_peers.find(key);
        if (found != m_peers.end())
            found->second.write(randomBytes(m_options.floodBytes));
    }
}
