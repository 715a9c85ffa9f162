#pragma once

// Plays a batch over the modules one after another, never two on the wire at once: first the
// reads for the review, then for each module the save with its restart and the read back. A
// cancel lets the module in progress finish its plan and its read back, then stops; the modules
// not reached are marked cancelled and untouched. started()/finished() bracket each phase so the
// window's OperationGuard keeps every other frame off the wire meanwhile.

#include "batch/BatchPlan.h"

#include <QObject>
#include <QPointer>

// What the run needs of the engine for one module at a time; the engine's driver is wrapped in
// one (EngineBatchDriver). Exactly one of the finished signals follows each call, later, through
// the event loop.
class BatchDriver : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Reads the module's parameters: readFinished(values) or readFailed(reason).
    virtual void read(const DeviceEntry &module) = 0;
    // Checks `wanted` against the module's values read last, saves through the module's save
    // plan, waits for its restart, reads it back and compares every key of `wanted`.
    virtual void apply(const DeviceEntry &module, const FieldValues &wanted) = 0;
    // Whether `wanted` passes the panel's checks for `module`; the message when not.
    virtual QString check(const DeviceEntry &module, const FieldValues &wanted) = 0;

signals:
    void readFinished(const FieldValues &values);
    void readFailed(const QString &reason);
    // outcome is Ok, Failed (with failedKeys and readBack), NoAnswer or Refused (with message).
    void applyFinished(const BatchModuleResult &result);
};

class BatchRun : public QObject
{
    Q_OBJECT
public:
    explicit BatchRun(BatchDriver *driver, QObject *parent = nullptr);

    // Reads every module, one after another, for the review.
    bool startReads(const QList<DeviceEntry> &modules);
    // The values read (empty for a module that did not answer); valid after readsFinished.
    const QList<std::optional<FieldValues>> &readValues() const { return m_read; }

    // Applies each job in order; results() follow along.
    bool startApply(const QList<BatchModuleResult> &jobs);
    const QList<BatchModuleResult> &results() const { return m_results; }

    // Stops after the module in progress (reads too).
    void cancel();
    bool isRunning() const { return m_running; }
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
    void nextApply();
    void onRead(const std::optional<FieldValues> &values);
    void onApplied(const BatchModuleResult &result);
    void end();

    QPointer<BatchDriver> m_driver;
    Phase m_phase = Phase::Idle;
    QList<DeviceEntry> m_modules;
    QList<std::optional<FieldValues>> m_read;
    QList<BatchModuleResult> m_results;
    int m_index = -1;
    bool m_running = false;
    bool m_cancel = false;
};
