#pragma once

// The batch run's link to the modules: reads a module into dotted-key values, saves values
// through the module's save plan (buildQ2SavePlan / buildQ3SavePlan played by a SaveRunner),
// waits for the restart and reads the module back.
//
// Stand-in: the shared engine (projq/engine/) is to own the key table, the validation and the
// read/save/verify driver; until it lands this class carries the few keys of the base and port
// blocks a batch sets, and only this file pair changes when the batch moves onto the engine.
//
// The endpoint's stored answers are the panel's save template: a batch run works on its own
// copies and hands the endpoint back the stored answers it had when the run began.

#include "batch/BatchRun.h"
#include "common/StoredAnswers.h"

#include <QPointer>

#include <functional>
#include <optional>
#include <utility>

class ModuleEndpoint;
class SaveRunner;
class QTimer;

class EngineBatchDriver : public BatchDriver
{
    Q_OBJECT
public:
    EngineBatchDriver(ModuleEndpoint *endpoint, QObject *parent = nullptr);
    ~EngineBatchDriver() override;

    using Credentials = std::function<std::pair<QString, QString>()>;
    void setCredentials(Credentials f) { m_credentials = std::move(f); }

    // How long a module may take to answer a read, and to come back after its restart.
    void setTimeouts(int readMs, int restartMs);

    // Call around a run (BatchRun::started / finished).
    void beginRun();
    void endRun();

    void read(const DeviceEntry &module) override;
    void apply(const DeviceEntry &module, const FieldValues &wanted) override;
    QString check(const DeviceEntry &module, const FieldValues &wanted) override;

    // The values of a module's stored blocks, by key.
    static FieldValues valuesOf(const StoredAnswers &stored, int kind);
    // The keys a batch can set, in the order they are listed.
    static QStringList keys();
    // A template file: {"model": "Q2", "values": {"port.baud": "9600", ...}}.
    static std::optional<FieldValues> loadTemplate(const QString &path, QString *error);
    static bool saveTemplate(const QString &path, const FieldValues &values, int kind,
                             QString *error);

private:
    enum class Step { Idle, Reading, Saving, ReadingBack };
    void sendRead();
    void onBlock(const QByteArray &block);
    void onBaseBlock(const QByteArray &block, int kind);
    void onReadTimeout();
    void readComplete();
    void onSaveFinished();
    void finishApply(BatchModuleResult result);

    QPointer<ModuleEndpoint> m_endpoint;
    SaveRunner *m_saver;
    QTimer *m_settle;  // the blocks after the parameter block
    QTimer *m_timeout; // no answer
    QTimer *m_retry;   // reads again while a module restarts
    Credentials m_credentials;
    int m_readMs = 1500;
    int m_restartMs = 15000;
    Step m_step = Step::Idle;
    DeviceEntry m_module;
    FieldValues m_wanted;
    StoredAnswers m_blocks;
    bool m_gotBase = false;
    std::optional<StoredAnswers> m_endpointStored;
};
