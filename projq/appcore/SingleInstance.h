#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Keeps one running instance per user. The first start listens on a local socket; a later start
// finds it there, asks it to raise its window and then must exit.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // Starts of the same `key` by the same user see each other; tests pass their own key.
    explicit SingleInstance(const QString &key = defaultKey(), QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first instance (or no guard could be set up, so it runs as
    // one); false when another instance runs and has been asked to raise its window. Never
    // waits: connecting to a local socket completes at once.
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
};
