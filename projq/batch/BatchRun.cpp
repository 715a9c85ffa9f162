#include "BatchRun.h"

#include <QTimer>

FieldValues fieldValuesOf(const ParamRecord &record)
{
    FieldValues out;
    for (auto it = record.begin(); it != record.end(); ++it)
        out.insert(it.key(), valueText(it.value()));
    return out;
}

ParamRecord recordOf(const FieldValues &values)
{
    ParamRecord out;
    for (auto it = values.begin(); it != values.end(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

ModuleModel modelOfKind(int kind)
{
    return kind == KindQ3 ? ModuleModel::Q3 : ModuleModel::Q2;
}

BatchRun::BatchRun(ModuleEngine *engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
{
    connect(engine, &ModuleEngine::readFinished, this, &BatchRun::onReadFinished);
    connect(engine, &ModuleEngine::moduleStarted, this,
            [this](int index, const QString &) { onModuleStarted(index); });
    connect(engine, &ModuleEngine::moduleFinished, this, &BatchRun::onModuleFinished);
    connect(engine, &ModuleEngine::batchFinished, this, &BatchRun::onBatchFinished);
}

QString BatchRun::check(int kind, const FieldValues &wanted)
{
    const ChangesCheck c = checkChanges(modelOfKind(kind), recordOf(wanted));
    return c.ok ? QString() : c.message;
}

bool BatchRun::startReads(const QList<DeviceEntry> &modules)
{
    if (isRunning() || modules.isEmpty() || !m_engine || m_engine->isBusy())
        return false;
    m_modules = modules;
    m_read.clear();
    m_phase = Phase::Reading;
    m_cancel = false;
    emit started();
    nextRead();
    return true;
}

void BatchRun::nextRead()
{
    if (m_phase != Phase::Reading)
        return;
    if (m_cancel || m_read.size() >= m_modules.size() || !m_engine) {
        end();
        emit readsFinished();
        return;
    }
    if (!m_engine->read(m_modules.at(m_read.size()))) {
        // The engine is busy with something else: the module counts as not answering.
        onReadFinished({});
    }
}

void BatchRun::onReadFinished(const ModuleResult &result)
{
    if (m_phase != Phase::Reading)
        return;
    const int index = int(m_read.size());
    if (result.outcome == EngineOutcome::Ok)
        m_read.append(fieldValuesOf(result.before));
    else
        m_read.append(std::nullopt);
    emit moduleRead(index);
    // The next read from the event loop, once the engine has ended this one.
    QTimer::singleShot(0, this, &BatchRun::nextRead);
}

bool BatchRun::startApply(const QList<BatchModuleResult> &jobs)
{
    if (isRunning() || jobs.isEmpty() || !m_engine || m_engine->isBusy())
        return false;
    QList<BatchItem> items;
    for (const BatchModuleResult &job : jobs)
        items.append({job.module, recordOf(job.wanted)});
    m_results = jobs;
    m_phase = Phase::Applying;
    m_cancel = false;
    emit started();
    if (!m_engine->apply(items, true)) {
        end();
        return false;
    }
    return true;
}

void BatchRun::onModuleStarted(int index)
{
    if (m_phase != Phase::Applying || index < 0 || index >= m_results.size())
        return;
    m_results[index].outcome = BatchOutcome::Running;
    emit moduleStarted(index);
}

void BatchRun::onModuleFinished(int index, const ModuleResult &result)
{
    if (m_phase != Phase::Applying || index < 0 || index >= m_results.size())
        return;
    BatchModuleResult &r = m_results[index];
    r.message = result.message;
    r.failedKeys.clear();
    r.readBack.clear();
    switch (result.outcome) {
    case EngineOutcome::Ok:
        r.outcome = BatchOutcome::Ok;
        break;
    case EngineOutcome::Mismatch:
        r.outcome = BatchOutcome::Failed;
        for (const FieldMismatch &m : result.mismatches) {
            r.failedKeys << m.key;
            r.readBack.insert(m.key, valueText(m.got));
        }
        break;
    case EngineOutcome::NoAnswer:
        r.outcome = BatchOutcome::NoAnswer;
        break;
    case EngineOutcome::LoginRefused:
    case EngineOutcome::BadInput:
        r.outcome = BatchOutcome::Refused;
        break;
    case EngineOutcome::Cancelled:
        r.outcome = BatchOutcome::Cancelled;
        break;
    }
    emit moduleFinished(index);
}

void BatchRun::onBatchFinished(const QList<ModuleResult> &results)
{
    if (m_phase != Phase::Applying)
        return;
    // Modules the batch never reached (cancelled) have no moduleFinished of their own.
    for (int i = 0; i < m_results.size() && i < results.size(); ++i)
        if (m_results.at(i).outcome == BatchOutcome::Pending)
            onModuleFinished(i, results.at(i));
    end();
    emit applyDone();
}

void BatchRun::cancel()
{
    if (!isRunning())
        return;
    m_cancel = true;
    if (m_phase == Phase::Applying && m_engine)
        m_engine->cancel();
}

void BatchRun::end()
{
    m_phase = Phase::Idle;
    emit finished();
}
