#pragma once

// The module engine: search, read a module's parameters into a record, apply changes, save them
// with the module's save plan, wait for its restart, read it back and compare field by field.
// Without widgets; one thread, timers only. The window's batch apply and x7ctl share it.
//
// Only one operation runs at a time (isBusy); started() and finished() bracket each, so a window
// can register the engine with its operation guard. A batch writes its modules one after the
// other, never two plans on the wire at once; cancel() stops a batch after the module in
// progress, never in the middle of its plan.
//
// The engine listens to the endpoint's datagramReceived signal: a read is answered by the
// module's 130-byte parameter block (its user MAC must match, or be all FF for a Q3 answering
// on its own port) followed by the blocks that carry no MAC; the read ends once no further block
// has come for EngineTimings::settleMs. Note for a window sharing its endpoint: the endpoint
// still emits its typed signals (baseParamsReceived, statusReported, ...) for the engine's
// traffic, and keeps the blocks in its own StoredAnswers.

#include "engine/ParamKeys.h"
#include "lan/LanFrames.h"
#include "lan/ModuleEndpoint.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTimer;

struct EngineLogin
{
    QString user = QStringLiteral("qpwzk");
    QString password = QStringLiteral("qpwzk");
};

struct EngineTimings
{
    int searchMs = 1500;          // a search lasts this long, unless every wanted MAC answered
    int readTimeoutMs = 800;      // a read unanswered this long is sent again
    int readAttempts = 3;         // reads sent before "no answer"
    int settleMs = 60;            // quiet after the last block that ends a read
    int restartPollMs = 150;      // reads sent this often while a module restarts
    int restartTimeoutMs = 20000; // a module silent this long after its restart: no answer
};

enum class EngineOutcome {
    Ok,
    Mismatch,     // read back differs (see mismatches)
    NoAnswer,     // the module did not answer (or not after its restart)
    LoginRefused, // the module refused the user name or password
    BadInput,     // a key or value was refused before anything was sent
    Cancelled,    // not started: the batch was cancelled before this module
};
// "ok", "mismatch", "no-answer", "login-refused", "bad-input", "cancelled"
QString outcomeName(EngineOutcome outcome);

struct FieldMismatch
{
    QString key;
    QVariant wanted;
    QVariant got; // invalid when the key was missing from the read back
};

struct ModuleResult
{
    QString mac; // as given (six hex pairs)
    EngineOutcome outcome = EngineOutcome::NoAnswer;
    ParamRecord before;  // the record read before the write (or the record of a read)
    ParamRecord after;   // the record read back (empty without verify)
    ParamRecord changes; // the changes in canonical form
    QList<FieldMismatch> mismatches;
    QString message;     // a user message for BadInput, NoAnswer, LoginRefused
    ModuleBlocks blocks; // the blocks last read
    qint64 elapsedMs = 0;
};

struct BatchItem
{
    DeviceEntry module; // as found by a search (MAC, socket, kind, version)
    ParamRecord changes;
};

class ModuleEngine : public QObject
{
    Q_OBJECT
public:
    // Uses `endpoint` (not owned) or, when null, an endpoint of its own.
    explicit ModuleEngine(ModuleEndpoint *endpoint = nullptr, QObject *parent = nullptr);
    ~ModuleEngine() override;

    void setLogin(const EngineLogin &login) { m_login = login; }
    EngineLogin login() const { return m_login; }
    void setTimings(const EngineTimings &timings) { m_timings = timings; }
    EngineTimings timings() const { return m_timings; }
    ModuleEndpoint *endpoint() const { return m_endpoint; }

    bool isBusy() const { return m_op != Op::None; }

    // Each returns false (and nothing happens) while another operation runs.
    // Searches for timings().searchMs, or until every MAC of `wantedMacs` answered:
    // moduleFound for each new MAC, then searchFinished with every module found.
    bool search(const QStringList &wantedMacs = {});
    // Reads one module: readFinished (outcome Ok with `before` and `blocks`, or NoAnswer,
    // LoginRefused).
    bool read(const DeviceEntry &module);
    // Writes changes into one module: read, check, save, (restart), read back and compare when
    // `verify`. writeFinished with the result.
    bool write(const DeviceEntry &module, const ParamRecord &changes, bool verify = true);
    // The same for many modules, one after the other: moduleStarted and moduleFinished for
    // each, then batchFinished with every result (cancelled modules included).
    bool apply(const QList<BatchItem> &items, bool verify = true);
    // A batch stops after the module in progress; a search or a read stops at once.
    void cancel();

    // The modules the last searches found, by MAC without blanks (uppercase).
    QList<DeviceEntry> knownModules() const;
    std::optional<DeviceEntry> knownModule(const QString &mac) const;

signals:
    void started();
    void finished();
    void moduleFound(const DeviceEntry &module);
    void searchFinished(const QList<DeviceEntry> &modules);
    void readFinished(const ModuleResult &result);
    void writeFinished(const ModuleResult &result);
    void moduleStarted(int index, const QString &mac);
    void moduleFinished(int index, const ModuleResult &result);
    void batchFinished(const QList<ModuleResult> &results);
    // What the module in progress does now ("read", "save", "restart", "verify"), for a status
    // line.
    void stageChanged(const QString &mac, const QString &stage);

private:
    enum class Op { None, Search, Read, Batch };
    enum class Stage { Idle, ReadBefore, Saving, WaitRestart, ReadBack };

    void begin(Op op);
    void end();
    void onDatagram(const QByteArray &datagram, const QString &peerIp, const QString &localIp,
                    quint16 peerPort, quint16 localPort);
    void onSearchTimeout();
    void onReadTimer();
    void onSaveFinished();
    void startNextModule();
    void startRead(Stage stage);
    void sendRead();
    void readComplete();
    void finishModule(EngineOutcome outcome, const QString &message = QString());
    void afterReadBefore();
    void compare();

    QPointer<ModuleEndpoint> m_endpoint;
    bool m_ownEndpoint = false;
    class SaveRunner *m_runner = nullptr;
    QTimer *m_searchTimer = nullptr;
    QTimer *m_readTimer = nullptr;
    EngineLogin m_login;
    EngineLogin m_readLogin; // the login of the module's next read (after a login change)
    EngineTimings m_timings;

    Op m_op = Op::None;
    QStringList m_wanted;
    QList<DeviceEntry> m_known;
    QList<DeviceEntry> m_foundNow;

    // The batch (a read or a write is a batch of one).
    QList<BatchItem> m_items;
    QList<ModuleResult> m_results;
    int m_index = -1;
    bool m_verify = true;
    bool m_cancel = false;
    bool m_readOnly = false;
    Stage m_stage = Stage::Idle;
    ModuleResult m_current;
    ModuleBlocks m_reading;
    bool m_gotParam = false;
    int m_attempts = 0;
    QElapsedTimer m_stageClock;
    QElapsedTimer m_moduleClock;
    ParamRecord m_expected;
};
