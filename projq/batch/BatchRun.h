#pragma once

// The batch dialog's side of the module engine: the reads of the review, one module after the
// other, and the apply, which the engine plays module by module (save plan, restart, read back,
// compare). A cancel lets the module in progress finish, then stops; the modules not reached
// stay untouched. started()/finished() bracket each phase whole, so the window's
// OperationGuard keeps every other frame off the wire from the first read to the last.

#include "batch/BatchPlan.h"
#include "engine/ModuleEngine.h"

#include <QObject>
#include <QPointer>

class BatchRun : public QObject
{
    Q_OBJECT
public:
    explicit BatchRun(ModuleEngine *engine, QObject *parent = nullptr);

    ModuleEngine *engine() const { return m_engine; }

    // Reads every module, one after another, for the review.
    bool startReads(const QList<DeviceEntry> &modules);
    // The values read (nullopt for a module that did not answer); filled as reads complete.
    const QList<std::optional<FieldValues>> &readValues() const { return m_read; }

    // Applies each job in order; results() follow along.
    bool startApply(const QList<BatchModuleResult> &jobs);
    const QList<BatchModuleResult> &results() const { return m_results; }

    // Whether `wanted` passes the panel's checks for a module of `kind`; the message when not.
    static QString check(int kind, const FieldValues &wanted);

    // Stops after the module in progress (reads too).
    void cancel();
    bool isRunning() const { return m_phase != Phase::Idle; }
    bool cancelRequested() const { return m_cancel; }

signals:
    void started();
    void finished();
    void moduleRead(int index);
    void readsFinished();
    void moduleStarted(int index);
    void moduleFinished(int index);
    void applyDone();

private:
    enum class Phase { Idle, Reading, Applying };
    void nextRead();
    void onReadFinished(const ModuleResult &result);
    void onModuleStarted(int index);
    void onModuleFinished(int index, const ModuleResult &result);
    void onBatchFinished(const QList<ModuleResult> &results);
    void end();

    QPointer<ModuleEngine> m_engine;
    Phase m_phase = Phase::Idle;
    QList<DeviceEntry> m_modules;
    QList<std::optional<FieldValues>> m_read;
    QList<BatchModuleResult> m_results;
    bool m_cancel = false;
};

// A record's values as the texts the dialog shows and edits, and back.
FieldValues fieldValuesOf(const ParamRecord &record);
ParamRecord recordOf(const FieldValues &values);
ModuleModel modelOfKind(int kind);
