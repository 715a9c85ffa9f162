#include "CycleSender.h"

#include <chrono>

CycleSender::CycleSender(int rowCount, CyclePlan::RowReader rows,
                         CyclePlan::IntervalReader interval, QObject *parent)
    : QObject(parent)
    , m_plan(rowCount, std::move(rows), std::move(interval))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &CycleSender::onTimer);
}

qint64 CycleSender::nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CycleSender::start()
{
    if (m_plan.running())
        return;
    m_plan.start(nowNs());
    emit started();
    onTimer();
}

void CycleSender::stop()
{
    m_timer.stop();
    if (!m_plan.running())
        return;
    m_plan.stop();
    ++m_generation;
    emit finished();
}

void CycleSender::onTimer()
{
    const CyclePlan::Step step = m_plan.advance(nowNs());
    const quint64 generation = m_generation;
    for (const CyclePlan::Send &send : step.sends) {
        emit rowDue(send.row, send.dueNs);
        // A receiver of rowDue may have stopped the cycle (the connection went down).
        if (m_generation != generation)
            return;
    }
    if (step.nextDueNs) {
        arm(*step.nextDueNs);
    } else {
        // The last pass of a cycle without interval is over.
        ++m_generation;
        emit finished();
    }
}

void CycleSender::arm(qint64 dueNs)
{
    // A precise timer fires within about a millisecond of its interval; whole milliseconds are
    // armed and the rest, when the timer comes back early, by a zero timer.
    const qint64 remainingNs = dueNs - nowNs();
    const int ms = remainingNs <= 0 ? 0 : int(remainingNs / 1000000);
    m_timer.start(ms);
}
