#pragma once

// A pseudo-terminal whose other end a serial program opens like a COM port. The simulator keeps
// the master end; devicePath() is the path to give the program under test.

#include <QObject>
#include <QString>

class QSocketNotifier;

class PtyPort : public QObject
{
    Q_OBJECT

public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    // False with errorText() set when the platform has no pseudo-terminals or opening failed.
    bool open();
    QString devicePath() const { return m_path; }
    QString errorText() const { return m_error; }
    void write(const QByteArray &bytes);

signals:
    void bytesReceived(const QByteArray &bytes);

private:
    void readPending();

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
};
