#include "CyclePlan.h"

#include <utility>

namespace {
constexpr qint64 kNsPerMs = 1000000;
// Passes without a chosen row cost no send; bound the work of one call all the same.
constexpr int kMaxStepsPerCall = 4096;
} // namespace

CyclePlan::CyclePlan(int rowCount, RowReader rows, IntervalReader interval)
    : m_rowCount(rowCount)
    , m_rows(std::move(rows))
    , m_interval(std::move(interval))
{
}

void CyclePlan::start(qint64 nowNs)
{
    m_running = true;
    m_startNs = nowNs;
    m_dueNs = nowNs;
    m_passStartNs = nowNs;
    m_nextRow = 0;
    m_pass = 0;
}

void CyclePlan::stop()
{
    m_running = false;
}

CyclePlan::Step CyclePlan::advance(qint64 nowNs, int maxSends)
{
    Step step;
    int steps = 0;
    while (m_running && m_dueNs <= nowNs) {
        if (step.sends.size() >= maxSends || ++steps > kMaxStepsPerCall) {
            step.nextDueNs = nowNs;
            return step;
        }
        int row = m_nextRow;
        RowTiming timing;
        for (; row < m_rowCount; ++row) {
            timing = m_rows(row);
            if (timing.chosen)
                break;
        }
        if (row < m_rowCount) {
            step.sends.append({row, m_dueNs, m_pass});
            m_nextRow = row + 1;
            m_dueNs += qint64(timing.delayMs) * kNsPerMs;
            continue;
        }
        // The pass is over: the interval follows it.
        const int interval = m_interval();
        if (interval <= 0) {
            m_running = false;
            break;
        }
        m_dueNs += qint64(interval) * kNsPerMs;
        m_passStartNs = m_dueNs;
        m_nextRow = 0;
        ++m_pass;
    }
    if (m_running)
        step.nextDueNs = m_dueNs;
    return step;
}
