#include "ModuleEngine.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"
#include "lan/ModuleEndpoint.h"

#include <QTimer>

namespace {

constexpr quint8 kCmdRead = 0x03;

QString plainMac(const QString &mac)
{
    return removeSpaces(mac).toUpper();
}

ModuleModel modelOfKind(int kind)
{
    return kind == KindQ3 ? ModuleModel::Q3 : ModuleModel::Q2;
}

} // namespace

QString outcomeName(EngineOutcome outcome)
{
    switch (outcome) {
    case EngineOutcome::Ok:
        return QStringLiteral("ok");
    case EngineOutcome::Mismatch:
        return QStringLiteral("mismatch");
    case EngineOutcome::NoAnswer:
        return QStringLiteral("no-answer");
    case EngineOutcome::LoginRefused:
        return QStringLiteral("login-refused");
    case EngineOutcome::BadInput:
        return QStringLiteral("bad-input");
    case EngineOutcome::Cancelled:
        return QStringLiteral("cancelled");
    }
    return QString();
}

ModuleEngine::ModuleEngine(ModuleEndpoint *endpoint, QObject *parent)
    : QObject(parent)
    , m_endpoint(endpoint)
{
    if (!m_endpoint) {
        m_endpoint = new ModuleEndpoint(this);
        m_ownEndpoint = true;
    }
    m_runner = new SaveRunner(m_endpoint, this);
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_readTimer = new QTimer(this);
    m_readTimer->setSingleShot(true);
    m_readTimer->setTimerType(Qt::PreciseTimer);
    connect(m_searchTimer, &QTimer::timeout, this, &ModuleEngine::onSearchTimeout);
    connect(m_readTimer, &QTimer::timeout, this, &ModuleEngine::onReadTimer);
    connect(m_runner, &SaveRunner::finished, this, &ModuleEngine::onSaveFinished);
    connect(m_endpoint, &ModuleEndpoint::datagramReceived, this, &ModuleEngine::onDatagram);
    connect(m_endpoint, &ModuleEndpoint::deviceFound, this,
            [this](const QString &ip, const QString &name, int socketIndex, int kind,
                   const QString &version, const QString &mac) {
                const DeviceEntry e{ip, name, mac, version, kind, socketIndex};
                bool known = false;
                for (DeviceEntry &k : m_known) {
                    if (plainMac(k.mac) == plainMac(mac)) {
                        k = e;
                        known = true;
                    }
                }
                if (!known)
                    m_known.append(e);
                if (m_op != Op::Search)
                    return;
                for (const DeviceEntry &f : std::as_const(m_foundNow))
                    if (plainMac(f.mac) == plainMac(mac))
                        return; // one module answering on two sockets: listed once
                m_foundNow.append(e);
                emit moduleFound(e);
                if (m_wanted.isEmpty())
                    return;
                for (const QString &w : std::as_const(m_wanted)) {
                    bool found = false;
                    for (const DeviceEntry &f : std::as_const(m_foundNow))
                        found = found || plainMac(f.mac) == w;
                    if (!found)
                        return;
                }
                m_searchTimer->stop();
                onSearchTimeout();
            });
}

ModuleEngine::~ModuleEngine() = default;

QList<DeviceEntry> ModuleEngine::knownModules() const
{
    return m_known;
}

std::optional<DeviceEntry> ModuleEngine::knownModule(const QString &mac) const
{
    for (const DeviceEntry &e : m_known)
        if (plainMac(e.mac) == plainMac(mac))
            return e;
    return std::nullopt;
}

void ModuleEngine::begin(Op op)
{
    m_op = op;
    emit started();
}

void ModuleEngine::end()
{
    m_op = Op::None;
    m_stage = Stage::Idle;
    emit finished();
}

bool ModuleEngine::search(const QStringList &wantedMacs)
{
    if (isBusy())
        return false;
    m_wanted.clear();
    for (const QString &m : wantedMacs)
        m_wanted << plainMac(m);
    m_foundNow.clear();
    begin(Op::Search);
    m_endpoint->search();
    m_searchTimer->start(m_timings.searchMs);
    return true;
}

void ModuleEngine::onSearchTimeout()
{
    if (m_op != Op::Search)
        return;
    const QList<DeviceEntry> found = m_foundNow;
    end();
    emit searchFinished(found);
}

bool ModuleEngine::read(const DeviceEntry &module)
{
    if (isBusy())
        return false;
    m_items = {BatchItem{module, {}}};
    m_results.clear();
    m_index = -1;
    m_readOnly = true;
    m_verify = false;
    m_cancel = false;
    begin(Op::Read);
    startNextModule();
    return true;
}

bool ModuleEngine::write(const DeviceEntry &module, const ParamRecord &changes, bool verify)
{
    return apply({BatchItem{module, changes}}, verify);
}

bool ModuleEngine::apply(const QList<BatchItem> &items, bool verify)
{
    if (isBusy())
        return false;
    m_items = items;
    m_results.clear();
    m_index = -1;
    m_readOnly = false;
    m_verify = verify;
    m_cancel = false;
    begin(Op::Batch);
    startNextModule();
    return true;
}

void ModuleEngine::cancel()
{
    switch (m_op) {
    case Op::None:
        return;
    case Op::Search:
        m_searchTimer->stop();
        onSearchTimeout();
        return;
    case Op::Read:
        m_readTimer->stop();
        finishModule(EngineOutcome::Cancelled);
        return;
    case Op::Batch:
        m_cancel = true; // after the module in progress
        return;
    }
}

void ModuleEngine::startNextModule()
{
    ++m_index;
    if (m_index < m_items.size() && m_cancel) {
        for (; m_index < m_items.size(); ++m_index) {
            ModuleResult r;
            r.mac = m_items.at(m_index).module.mac;
            r.outcome = EngineOutcome::Cancelled;
            m_results.append(r);
            emit moduleFinished(m_index, r);
        }
    }
    if (m_index >= m_items.size()) {
        const QList<ModuleResult> results = m_results;
        const bool single = m_items.size() == 1;
        const Op op = m_op;
        end();
        if (op == Op::Batch) {
            if (single)
                emit writeFinished(results.value(0));
            emit batchFinished(results);
        }
        return;
    }
    m_current = ModuleResult();
    m_current.mac = m_items.at(m_index).module.mac;
    m_moduleClock.start();
    m_readLogin = m_login;
    if (m_op == Op::Batch)
        emit moduleStarted(m_index, m_current.mac);
    const int kind = m_items.at(m_index).module.kind;
    if (kind != KindQ2 && kind != KindQ3) {
        finishModule(EngineOutcome::BadInput,
                     QStringLiteral("not a module model this program configures"));
        return;
    }
    startRead(Stage::ReadBefore);
}

void ModuleEngine::startRead(Stage stage)
{
    const DeviceEntry &module = m_items.at(m_index).module;
    m_stage = stage;
    m_reading = ModuleBlocks();
    m_reading.model = modelOfKind(module.kind);
    m_reading.version = module.version.toInt();
    m_gotParam = false;
    m_attempts = 0;
    m_stageClock.start();
    emit stageChanged(module.mac, stage == Stage::ReadBefore ? QStringLiteral("read")
                                                             : QStringLiteral("verify"));
    if (stage == Stage::ReadBack && m_reading.model == ModuleModel::Q2)
        m_readTimer->start(m_timings.restartPollMs); // the module restarts: ask after a while
    else
        sendRead();
}

void ModuleEngine::sendRead()
{
    const DeviceEntry &module = m_items.at(m_index).module;
    ++m_attempts;
    if (module.kind == KindQ3)
        m_endpoint->sendCommandQ3(module.socketIndex, module.mac, kCmdRead, m_readLogin.user,
                                  m_readLogin.password);
    else
        m_endpoint->sendCommand(module.socketIndex, module.mac, kCmdRead, m_readLogin.user,
                                m_readLogin.password);
    m_readTimer->start(m_stage == Stage::ReadBack ? m_timings.restartPollMs
                                                  : m_timings.readTimeoutMs);
}

void ModuleEngine::onReadTimer()
{
    if (m_stage != Stage::ReadBefore && m_stage != Stage::ReadBack)
        return;
    if (m_gotParam) {
        readComplete();
        return;
    }
    if (m_stage == Stage::ReadBack) {
        if (m_stageClock.elapsed() < m_timings.restartTimeoutMs) {
            sendRead();
            return;
        }
    } else if (m_attempts < m_timings.readAttempts) {
        sendRead();
        return;
    }
    finishModule(EngineOutcome::NoAnswer, m_stage == Stage::ReadBack
                                              ? QStringLiteral("no answer after the restart")
                                              : QStringLiteral("no answer"));
}

void ModuleEngine::onDatagram(const QByteArray &datagram, const QString &, const QString &,
                              quint16 peerPort, quint16)
{
    if (m_op != Op::Read && m_op != Op::Batch)
        return;
    if (m_stage == Stage::Idle)
        return;
    const bool q3 = m_reading.model == ModuleModel::Q3;
    const quint16 familyPort = q3 ? kCfgPortQ3 : kCfgPort;
    if (peerPort != familyPort && peerPort != kCfgPort)
        return;
    const ReplyClass reply = classifyReply(datagram);
    if (reply.kind == ReplyKind::Status && reply.status == StLoginError) {
        finishModule(EngineOutcome::LoginRefused,
                     QStringLiteral("the module refused the user name or password"));
        return;
    }
    if (m_stage != Stage::ReadBefore && m_stage != Stage::ReadBack)
        return;
    if (peerPort != familyPort)
        return;
    const QString wanted = plainMac(m_items.at(m_index).module.mac);
    switch (reply.kind) {
    case ReplyKind::Base: {
        const QString userMac = plainMac(parseBaseParam(datagram).userMac);
        // A Q3 may carry all FF there (its own MAC): then the answer on its port is its block.
        if (userMac != wanted && !(q3 && userMac == QLatin1String("FFFFFFFFFFFF")))
            return;
        if (m_gotParam)
            return; // an answer to an earlier read of the same module
        m_reading.stored.storeReply(datagram);
        m_reading.hasParam = true;
        m_gotParam = true;
        break;
    }
    case ReplyKind::Cloud:
    case ReplyKind::HeartReg:
    case ReplyKind::Httpd:
    case ReplyKind::ModbusPack:
    case ReplyKind::ModbusNew:
    case ReplyKind::ModbusShort:
        // These blocks name no module: they count as the answer that follows the parameter
        // block of the module asked.
        if (!m_gotParam)
            return;
        if (reply.kind == ReplyKind::ModbusShort) {
            m_reading.modbusShort = datagram;
            m_reading.modbusForm = int(datagram.size());
        } else {
            m_reading.stored.storeReply(datagram);
        }
        m_reading.hasCloud |= reply.kind == ReplyKind::Cloud;
        m_reading.hasHeartReg |= reply.kind == ReplyKind::HeartReg;
        m_reading.hasHttpd |= reply.kind == ReplyKind::Httpd;
        if (reply.kind == ReplyKind::ModbusPack)
            m_reading.modbusForm = kModbusPackBlockSize;
        if (reply.kind == ReplyKind::ModbusNew)
            m_reading.modbusForm = kModbusNewBlockSize;
        break;
    default:
        return;
    }
    m_readTimer->start(m_timings.settleMs);
}

void ModuleEngine::readComplete()
{
    m_readTimer->stop();
    const ParamRecord record = recordFromBlocks(m_reading);
    if (m_stage == Stage::ReadBefore) {
        m_current.before = record;
        m_current.blocks = m_reading;
        if (m_readOnly)
            finishModule(EngineOutcome::Ok);
        else
            afterReadBefore();
        return;
    }
    m_current.after = record;
    m_current.blocks = m_reading;
    compare();
}

void ModuleEngine::afterReadBefore()
{
    const BatchItem &item = m_items.at(m_index);
    const ChangesCheck checked = checkChanges(m_reading.model, item.changes);
    if (!checked.ok) {
        finishModule(EngineOutcome::BadInput, checked.message);
        return;
    }
    m_current.changes = checked.canonical;
    const PlannedSave planned = planSave(m_reading, checked.canonical);
    if (planned.plan.refused() || planned.plan.frames.isEmpty()) {
        finishModule(EngineOutcome::BadInput, planned.message);
        return;
    }
    m_expected = recordFromBlocks(planned.planned);
    // The module works with the login of its base block from its restart (or apply) on.
    EngineLogin next = m_login;
    if (checked.canonical.contains(QStringLiteral("dev.web_user")))
        next.user = m_expected.value(QStringLiteral("dev.web_user")).toString();
    if (checked.canonical.contains(QStringLiteral("dev.web_password")))
        next.password = m_expected.value(QStringLiteral("dev.web_password")).toString();
    m_stage = Stage::Saving;
    emit stageChanged(item.module.mac, QStringLiteral("save"));
    const SaveAddress to{item.module.socketIndex, item.module.mac};
    if (!m_runner->start(planned.plan, to, to, m_login.user, m_login.password)) {
        finishModule(EngineOutcome::BadInput, QStringLiteral("nothing to send"));
        return;
    }
    m_readLogin = next;
}

void ModuleEngine::onSaveFinished()
{
    if (m_stage != Stage::Saving)
        return;
    if (!m_verify) {
        finishModule(EngineOutcome::Ok);
        return;
    }
    emit stageChanged(m_current.mac, QStringLiteral("restart"));
    startRead(Stage::ReadBack);
}

void ModuleEngine::compare()
{
    QList<FieldMismatch> mismatches;
    QStringList seen;
    // A change the plan could not carry (a Modbus TCP flag outside the TCP modes, a cloud ID
    // for a module without cloud registration) is a failure of that field, not a silent no.
    for (auto it = m_current.changes.cbegin(); it != m_current.changes.cend(); ++it) {
        const QVariant got = m_current.after.value(it.key());
        if (valueText(got) != valueText(it.value()) || !m_current.after.contains(it.key())) {
            mismatches.append(
                {it.key(), it.value(), m_current.after.contains(it.key()) ? got : QVariant()});
            seen << it.key();
        }
    }
    for (auto it = m_expected.cbegin(); it != m_expected.cend(); ++it) {
        if (seen.contains(it.key()))
            continue;
        const bool present = m_current.after.contains(it.key());
        const QVariant got = m_current.after.value(it.key());
        if (!present || valueText(got) != valueText(it.value()))
            mismatches.append({it.key(), it.value(), present ? got : QVariant()});
    }
    m_current.mismatches = mismatches;
    finishModule(mismatches.isEmpty() ? EngineOutcome::Ok : EngineOutcome::Mismatch);
}

void ModuleEngine::finishModule(EngineOutcome outcome, const QString &message)
{
    m_readTimer->stop();
    if (m_runner->isRunning()) {
        m_stage = Stage::Idle; // its finished() must not start the read back
        m_runner->stop();
    }
    m_stage = Stage::Idle;
    m_current.outcome = outcome;
    m_current.message = message;
    m_current.elapsedMs = m_moduleClock.isValid() ? m_moduleClock.elapsed() : 0;
    if (m_current.blocks.version == 0 && m_reading.hasParam)
        m_current.blocks = m_reading;
    m_results.append(m_current);
    if (m_op == Op::Read) {
        const ModuleResult r = m_current;
        end();
        emit readFinished(r);
        return;
    }
    emit moduleFinished(m_index, m_current);
    // The next module starts from the event loop, not from inside a slot of this one.
    QTimer::singleShot(0, this, [this] {
        if (m_op == Op::Batch)
            startNextModule();
    });
}
