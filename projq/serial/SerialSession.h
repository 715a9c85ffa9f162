#pragma once

// One serial operation as a timed plan: open the port, send the frames with their pauses, keep
// the port open for the module's answers, close it. Driven by a timer, so the window keeps
// working meanwhile; the owner disables the controls that send frames between started() and
// finished(). A 137-byte parameter reply is followed at once by the extension request, as the
// module expects within the same operation.

#include "SerialFrames.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class SerialPort;

struct SerialPlan
{
    struct Frame
    {
        QByteArray bytes;
        int pauseBeforeMs = 0;
    };
    QList<Frame> frames;
    int listenMs = kSerialListenMs; // after the last frame

    static SerialPlan read();
    // Frames one after the other with `pauseMs` between them.
    static SerialPlan write(const QList<QByteArray> &frames, int pauseMs = kSerialFramePauseMs);
};

class SerialSession : public QObject
{
    Q_OBJECT
public:
    explicit SerialSession(SerialPort *port, QObject *parent = nullptr);

    // False (nothing happens) while a plan runs or for a plan without frames.
    bool start(const SerialPlan &plan);
    // Drops what is not sent yet and closes the port; finished() follows if a plan ran.
    void stop();
    bool isRunning() const { return m_running; }
    SerialPort *port() const { return m_port; }

signals:
    void started();
    void portOpened(bool ok);
    void frameSent(const QByteArray &bytes, bool ok);
    void burstReceived(const QByteArray &burst);
    void portClosed();
    void finished();

private:
    void step();
    void sendFrame(const QByteArray &bytes);
    void onBurst(const QByteArray &burst);
    void finish();

    SerialPort *m_port;
    QTimer m_timer;
    SerialPlan m_plan;
    int m_next = 0;
    bool m_running = false;
    bool m_open = false;
};
