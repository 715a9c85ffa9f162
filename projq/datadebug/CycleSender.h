#pragma once

// Drives a CyclePlan with one precise single-shot timer on the window's thread: the timer is
// armed for the next due time, every send that is due is handed out at once, and the window
// never waits. Announces its start and end for whoever must know that frames go out on a timer.

#include "CyclePlan.h"

#include <QObject>
#include <QTimer>

class CycleSender : public QObject
{
    Q_OBJECT
public:
    CycleSender(int rowCount, CyclePlan::RowReader rows, CyclePlan::IntervalReader interval,
                QObject *parent = nullptr);

    // The monotonic clock the schedule runs on (nanoseconds); benchmarks compare against it.
    static qint64 nowNs();

    void start();
    // No further row is sent; `finished` follows when the cycle was running.
    void stop();
    bool running() const { return m_plan.running(); }
    const CyclePlan &plan() const { return m_plan; }

signals:
    void started();
    void finished();
    // Send row `row` now; it was due at `dueNs` (on nowNs()'s clock).
    void rowDue(int row, qint64 dueNs);

private:
    void onTimer();
    void arm(qint64 dueNs);

    CyclePlan m_plan;
    QTimer m_timer;
    quint64 m_generation = 0; // counts ends, so a send loop notices a stop made inside it
};
