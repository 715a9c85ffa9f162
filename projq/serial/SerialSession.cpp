#include "SerialSession.h"

#include "SerialPort.h"

SerialPlan SerialPlan::read()
{
    SerialPlan plan;
    plan.frames = {{serialReadRequest(), 0}};
    return plan;
}

SerialPlan SerialPlan::write(const QList<QByteArray> &frames, int pauseMs)
{
    SerialPlan plan;
    for (qsizetype i = 0; i < frames.size(); ++i)
        plan.frames.append({frames.at(i), i == 0 ? 0 : pauseMs});
    return plan;
}

SerialSession::SerialSession(SerialPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SerialSession::step);
    connect(m_port, &SerialPort::dataReceived, this, &SerialSession::onBurst);
}

bool SerialSession::start(const SerialPlan &plan)
{
    if (m_running || plan.frames.isEmpty())
        return false;
    m_plan = plan;
    m_next = 0;
    m_running = true;
    emit started();
    m_port->close();
    m_open = m_port->open();
    emit portOpened(m_open);
    if (!m_running)
        return true;
    if (!m_open) {
        // Nothing can answer: report every frame as failed and end at once.
        for (const SerialPlan::Frame &f : std::as_const(m_plan.frames))
            emit frameSent(f.bytes, false);
        finish();
        return true;
    }
    m_timer.start(m_plan.frames.first().pauseBeforeMs);
    return true;
}

void SerialSession::stop()
{
    if (m_running)
        finish();
}

void SerialSession::step()
{
    if (m_next >= m_plan.frames.size()) {
        finish(); // the listening time after the last frame is over
        return;
    }
    sendFrame(m_plan.frames.at(m_next++).bytes);
    if (!m_running)
        return;
    if (m_next < m_plan.frames.size())
        m_timer.start(m_plan.frames.at(m_next).pauseBeforeMs);
    else
        m_timer.start(m_plan.listenMs);
}

void SerialSession::sendFrame(const QByteArray &bytes)
{
    emit frameSent(bytes, m_port->send(bytes));
}

void SerialSession::onBurst(const QByteArray &burst)
{
    if (!m_running)
        return;
    emit burstReceived(burst);
    if (m_running && classifySerialReply(burst) == SerialReply::Q2Params)
        sendFrame(serialExtensionRequest());
}

void SerialSession::finish()
{
    m_timer.stop();
    m_port->close();
    m_open = false;
    m_running = false;
    emit portClosed();
    emit finished();
}
