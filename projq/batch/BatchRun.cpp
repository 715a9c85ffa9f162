#include "BatchRun.h"

#include <QTimer>

BatchRun::BatchRun(BatchDriver *driver, QObject *parent)
    : QObject(parent)
    , m_driver(driver)
{
    connect(driver, &BatchDriver::readFinished, this,
            [this](const FieldValues &values) { onRead(values); });
    connect(driver, &BatchDriver::readFailed, this,
            [this](const QString &) { onRead(std::nullopt); });
    connect(driver, &BatchDriver::applyFinished, this, &BatchRun::onApplied);
}

bool BatchRun::startReads(const QList<DeviceEntry> &modules)
{
    if (m_running || modules.isEmpty() || !m_driver)
        return false;
    m_modules = modules;
    m_read.clear();
    m_phase = Phase::Reading;
    m_index = -1;
    m_cancel = false;
    m_running = true;
    emit started();
    nextRead();
    return true;
}

void BatchRun::nextRead()
{
    ++m_index;
    if (m_cancel || m_index >= m_modules.size()) {
        end();
        emit readsFinished();
        return;
    }
    m_driver->read(m_modules.at(m_index));
}

void BatchRun::onRead(const std::optional<FieldValues> &values)
{
    if (m_phase != Phase::Reading)
        return;
    m_read.append(values);
    emit moduleRead(m_index);
    // The next module from the event loop, not from inside the driver's signal.
    QTimer::singleShot(0, this, &BatchRun::nextRead);
}

bool BatchRun::startApply(const QList<BatchModuleResult> &jobs)
{
    if (m_running || jobs.isEmpty() || !m_driver)
        return false;
    m_results = jobs;
    m_phase = Phase::Applying;
    m_index = -1;
    m_cancel = false;
    m_running = true;
    emit started();
    nextApply();
    return true;
}

void BatchRun::nextApply()
{
    ++m_index;
    if (m_cancel) {
        for (int i = m_index; i < m_results.size(); ++i) {
            m_results[i].outcome = BatchOutcome::Cancelled;
            emit moduleFinished(i);
        }
        m_index = int(m_results.size());
    }
    if (m_index >= m_results.size()) {
        end();
        emit applyDone();
        return;
    }
    BatchModuleResult &job = m_results[m_index];
    job.outcome = BatchOutcome::Running;
    emit moduleStarted(m_index);
    const QString refusal = m_driver->check(job.module, job.wanted);
    if (!refusal.isEmpty()) {
        BatchModuleResult refused = job;
        refused.outcome = BatchOutcome::Refused;
        refused.message = refusal;
        QTimer::singleShot(0, this, [this, refused] { onApplied(refused); });
        return;
    }
    m_driver->apply(job.module, job.wanted);
}

void BatchRun::onApplied(const BatchModuleResult &result)
{
    if (m_phase != Phase::Applying || m_index < 0 || m_index >= m_results.size())
        return;
    BatchModuleResult &job = m_results[m_index];
    job.outcome = result.outcome;
    job.failedKeys = result.failedKeys;
    job.readBack = result.readBack;
    job.message = result.message;
    emit moduleFinished(m_index);
    QTimer::singleShot(0, this, &BatchRun::nextApply);
}

void BatchRun::cancel()
{
    if (m_running)
        m_cancel = true;
}

void BatchRun::end()
{
    m_phase = Phase::Idle;
    m_running = false;
    emit finished();
}
