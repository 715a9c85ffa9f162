#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace {

const QByteArray kRaiseMessage = QByteArrayLiteral("raise\n");

// One name per key and user: local socket names are shared by all users of the machine.
QString serverNameFor(const QString &key)
{
    const QByteArray user = (QDir::homePath() + QLatin1Char('|') +
                             qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME")))
                                .toUtf8();
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8() + '|' + user, QCryptographicHash::Sha256);
    return QStringLiteral("x7-projq-") + QString::fromLatin1(hash.toHex().left(24));
}

} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_serverName(serverNameFor(key))
{
}

SingleInstance::~SingleInstance()
{
    // Stop listening before the lock is given up, so a next start never finds our socket.
    delete m_server;
    m_server = nullptr;
}

QString SingleInstance::defaultKey()
{
    return QStringLiteral("{A823D2A7-7FA2-4FB2-AC74-222D21D26D1B}");
}

bool SingleInstance::claim()
{
    if (m_server || m_lock)
        return true;
    auto lock = std::make_unique<QLockFile>(QDir::temp().filePath(m_serverName + ".lock"));
    // A lock whose process is gone counts as stale and is taken over.
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError)
            return true; // no lock can be made here: run unguarded rather than not at all
        // Another instance holds the lock. It may still be on its way to listening.
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (askRunningInstanceToRaise())
                return false;
            QThread::msleep(25);
        }
        return false;
    }
    m_lock = std::move(lock);

    // The lock is ours: a socket left behind by an instance that crashed is stale.
    QLocalServer::removeServer(m_serverName);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_serverName)) {
        // Without a guard every start runs as a first instance.
        delete server;
        return true;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::askRunningInstanceToRaise()
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    // A local connection is made or refused within the call; a running instance still
    // connecting (a full backlog) counts as running.
    if (socket.state() == QLocalSocket::UnconnectedState)
        return false;
    socket.write(kRaiseMessage);
    socket.flush();
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only the one short message counts; anything longer is not ours.
            if (socket->bytesAvailable() > 64) {
                socket->abort();
                return;
            }
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == kRaiseMessage)
                emit raiseRequested();
            socket->disconnectFromServer();
        });
    }
}
