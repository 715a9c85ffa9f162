#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// Keeps one running instance per user. The first start takes a lock file (an atomic claim that
// a killed instance does not keep: its lock is stale once its process is gone) and then listens
// on a local socket; a later start finds the lock taken, asks the running instance over the
// socket to raise its window and then must exit.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // Starts of the same `key` by the same user see each other; tests pass their own key.
    explicit SingleInstance(const QString &key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first instance (or no guard could be set up, so it runs as
    // one); false when another instance runs (asked to raise its window when it already
    // listens). Called before the event loop runs; waits at most a few hundred milliseconds,
    // for an instance that has its lock but is not yet listening.
    bool claim();

    QString serverName() const { return m_serverName; }
    static QString defaultKey();

signals:
    // A later start asked this instance to show its window.
    void raiseRequested();

private:
    bool askRunningInstanceToRaise();
    void acceptConnections();

    QString m_serverName;
    QLocalServer *m_server = nullptr;
    std::unique_ptr<QLockFile> m_lock;
};
