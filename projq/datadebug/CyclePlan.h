#pragma once

// The schedule of a cyclic send, without timers or sockets. A pass sends the chosen rows in
// order, each followed by its own delay; the interval follows the pass, then the next pass
// starts. Every send is due at a time counted from the cycle's start (start + the delays and
// intervals before it), never from the moment the previous send happened, so late wake-ups do
// not add up: a send that comes late is followed by the next one on its own time.
//
// Rows are read when the plan reaches them (a row ticked or edited during a pass takes part if
// the pass has not gone past it); the interval is read when a pass ends. Times are nanoseconds
// on a monotonic clock, given by the caller.

#include <QList>

#include <functional>
#include <optional>

class CyclePlan
{
public:
    // What the plan needs to know about row `index` when it reaches it.
    struct RowTiming
    {
        bool chosen = false;
        int delayMs = 0;
    };
    using RowReader = std::function<RowTiming(int index)>;
    // The interval after a pass in milliseconds; 0 ends the cycle after that pass.
    using IntervalReader = std::function<int()>;

    struct Send
    {
        int row;
        qint64 dueNs; // when it was due; the caller sends it now
        int pass;     // 0 for the first pass
    };
    struct Step
    {
        QList<Send> sends;               // due at or before `now`, in order
        std::optional<qint64> nextDueNs; // when to ask again; none when the cycle has ended
    };

    CyclePlan(int rowCount, RowReader rows, IntervalReader interval);

    // The first pass is due at once.
    void start(qint64 nowNs);
    void stop();
    bool running() const { return m_running; }

    // Everything due by `nowNs`, at most `maxSends` sends (the rest is due at once: ask again
    // after letting the window breathe).
    Step advance(qint64 nowNs, int maxSends = 64);

    // When pass `pass` started (or will start); for the records of a run.
    qint64 startNs() const { return m_startNs; }
    int pass() const { return m_pass; }
    qint64 passStartNs() const { return m_passStartNs; }

private:
    int m_rowCount;
    RowReader m_rows;
    IntervalReader m_interval;
    bool m_running = false;
    qint64 m_startNs = 0;
    qint64 m_dueNs = 0;       // when the next step (a row or a pass end) is due
    qint64 m_passStartNs = 0; // when the current pass was due to start
    int m_nextRow = 0;
    int m_pass = 0;
};
