#include "EngineBatchDriver.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"
#include "lan/ModuleEndpoint.h"
#include "lan/SavePlan.h"
#include "lang/LangList.h"
#include "textfiles/TextFiles.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace {

constexpr int kSettleMs = 150;    // the blocks after the parameter block come at once
constexpr int kReadRetryMs = 500; // between reads while a module restarts

QString boolText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

std::optional<bool> boolFrom(const QString &text)
{
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

std::optional<int> intFrom(const QString &text, int low, int high)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return int(v);
}

bool isDotted(const QString &text)
{
    return ipTextToInt(text).has_value() && text.count(QLatin1Char('.')) == 3;
}

// Sets one key in the records; the message when its text does not fit.
QString setValue(BaseParams &base, PortParams &port, const QString &key, const QString &text)
{
    const QString bad = key + QStringLiteral(": ") + text;
    auto dotted = [&](QString &field) {
        if (!isDotted(text))
            return bad;
        field = text.trimmed();
        return QString();
    };
    auto number = [&](int &field, int low, int high) {
        const auto v = intFrom(text, low, high);
        if (!v)
            return bad;
        field = *v;
        return QString();
    };
    if (key == QLatin1String("net.ip"))
        return dotted(base.ip);
    if (key == QLatin1String("net.mask"))
        return dotted(base.mask);
    if (key == QLatin1String("net.gateway"))
        return dotted(base.gateway);
    if (key == QLatin1String("net.dns"))
        return dotted(base.dns);
    if (key == QLatin1String("net.static")) {
        const auto v = boolFrom(text);
        if (!v)
            return bad;
        base.staticIp = *v;
        return {};
    }
    if (key == QLatin1String("net.name")) {
        if (text.toUtf8().size() > 16 || text.isEmpty())
            return bad;
        base.name = text;
        return {};
    }
    if (key == QLatin1String("port.baud")) {
        int baud = 0;
        if (QString e = number(baud, 300, 4000000); !e.isEmpty())
            return e;
        port.baud = quint32(baud);
        return {};
    }
    if (key == QLatin1String("port.data_bits"))
        return number(port.dataBits, 5, 8);
    if (key == QLatin1String("port.parity"))
        return number(port.parity, 1, 5);
    if (key == QLatin1String("port.stop_bits"))
        return number(port.stopBits, 1, 2);
    if (key == QLatin1String("port.work_mode"))
        return number(port.workMode, 0, 5);
    if (key == QLatin1String("port.local"))
        return number(port.localPort, 0, 65535);
    if (key == QLatin1String("port.remote_port"))
        return number(port.remotePort, 0, 65535);
    if (key == QLatin1String("port.remote_host")) {
        if (text.isEmpty() || text.toUtf8().size() > 30)
            return bad;
        port.remoteHost = text;
        return {};
    }
    return key + QStringLiteral(": ?");
}

} // namespace

EngineBatchDriver::EngineBatchDriver(ModuleEndpoint *endpoint, QObject *parent)
    : BatchDriver(parent)
    , m_endpoint(endpoint)
    , m_saver(new SaveRunner(endpoint, this))
    , m_settle(new QTimer(this))
    , m_timeout(new QTimer(this))
    , m_retry(new QTimer(this))
{
    m_settle->setSingleShot(true);
    m_timeout->setSingleShot(true);
    m_retry->setInterval(kReadRetryMs);
    connect(m_settle, &QTimer::timeout, this, &EngineBatchDriver::readComplete);
    connect(m_timeout, &QTimer::timeout, this, &EngineBatchDriver::onReadTimeout);
    connect(m_retry, &QTimer::timeout, this, &EngineBatchDriver::sendRead);
    connect(m_saver, &SaveRunner::finished, this, &EngineBatchDriver::onSaveFinished);
    connect(endpoint, &ModuleEndpoint::baseParamsReceived, this, &EngineBatchDriver::onBaseBlock);
    auto block = [this](const QByteArray &b) { onBlock(b); };
    connect(endpoint, &ModuleEndpoint::cloudParamsReceived, this, block);
    connect(endpoint, &ModuleEndpoint::heartRegParamsReceived, this, block);
    connect(endpoint, &ModuleEndpoint::httpdParamsReceived, this, block);
    connect(endpoint, &ModuleEndpoint::modbusParamsReceived, this, block);
    connect(endpoint, &ModuleEndpoint::modbusPackParamsReceived, this, block);
    connect(endpoint, &ModuleEndpoint::modbusNewParamsReceived, this, block);
}

EngineBatchDriver::~EngineBatchDriver() = default;

void EngineBatchDriver::setTimeouts(int readMs, int restartMs)
{
    m_readMs = readMs;
    m_restartMs = restartMs;
}

void EngineBatchDriver::beginRun()
{
    if (m_endpoint)
        m_endpointStored = m_endpoint->stored();
}

void EngineBatchDriver::endRun()
{
    if (m_endpoint && m_endpointStored)
        m_endpoint->stored() = *m_endpointStored;
    m_endpointStored.reset();
}

void EngineBatchDriver::sendRead()
{
    if (!m_endpoint)
        return;
    const auto [user, password] = m_credentials
                                      ? m_credentials()
                                      : std::pair(QStringLiteral("qpwzk"), QStringLiteral("qpwzk"));
    if (m_module.kind == KindQ3)
        m_endpoint->sendCommandQ3(m_module.socketIndex, m_module.mac, 0x03, user, password);
    else
        m_endpoint->sendCommand(m_module.socketIndex, m_module.mac, 0x03, user, password);
}

void EngineBatchDriver::read(const DeviceEntry &module)
{
    m_module = module;
    m_wanted.clear();
    m_blocks = StoredAnswers();
    m_gotBase = false;
    m_step = Step::Reading;
    m_timeout->start(m_readMs);
    sendRead();
}

void EngineBatchDriver::onBaseBlock(const QByteArray &block, int kind)
{
    if (m_step != Step::Reading && m_step != Step::ReadingBack)
        return;
    const QString userMac = removeSpaces(parseBaseParam(block).userMac);
    // A Q3 may carry all-FF (its own MAC) in its user MAC field.
    const bool own = userMac == removeSpaces(m_module.mac) ||
                     (kind == KindQ3 && userMac == QLatin1String("FFFFFFFFFFFF"));
    if (!own || kind != m_module.kind)
        return;
    m_blocks.storeReply(block);
    m_gotBase = true;
    m_retry->stop();
    m_timeout->stop();
    m_settle->start(kSettleMs);
}

void EngineBatchDriver::onBlock(const QByteArray &block)
{
    if ((m_step == Step::Reading || m_step == Step::ReadingBack) && m_gotBase) {
        m_blocks.storeReply(block);
        m_settle->start(kSettleMs);
    }
}

void EngineBatchDriver::onReadTimeout()
{
    m_retry->stop();
    const bool applying = !m_wanted.isEmpty();
    m_step = Step::Idle;
    if (!applying) {
        emit readFailed(langText(QStringLiteral("lang_Batch_NoAnswer")));
        return;
    }
    BatchModuleResult r;
    r.module = m_module;
    r.wanted = m_wanted;
    r.outcome = BatchOutcome::NoAnswer;
    r.message = langText(QStringLiteral("lang_Batch_NoAnswer"));
    finishApply(r);
}

void EngineBatchDriver::readComplete()
{
    const FieldValues values = valuesOf(m_blocks, m_module.kind);
    if (m_step == Step::ReadingBack) {
        BatchModuleResult r;
        r.module = m_module;
        r.wanted = m_wanted;
        for (auto it = m_wanted.begin(); it != m_wanted.end(); ++it)
            if (values.value(it.key()) != it.value()) {
                r.failedKeys << it.key();
                r.readBack.insert(it.key(), values.value(it.key()));
            }
        r.outcome = r.failedKeys.isEmpty() ? BatchOutcome::Ok : BatchOutcome::Failed;
        m_step = Step::Idle;
        finishApply(r);
        return;
    }
    if (m_wanted.isEmpty()) { // a read for the review
        m_step = Step::Idle;
        emit readFinished(values);
        return;
    }
    // The read before a save: build the plan inside this module's own blocks.
    BaseParams base = parseBaseParam(m_blocks.param);
    PortParams port = parsePortParam(portBlock(m_blocks.param));
    for (auto it = m_wanted.begin(); it != m_wanted.end(); ++it)
        setValue(base, port, it.key(), it.value());
    SavePlan plan;
    if (m_module.kind == KindQ3) {
        plan = buildQ3SavePlan(base, port, m_blocks);
    } else {
        Q2SaveInput in;
        in.base = base;
        in.port = port;
        in.upnpPortKnown = true;
        in.cloud = parseCloudParam(m_blocks.cloud);
        in.heartReg = parseHeartReg(m_blocks.heartReg);
        in.version = m_module.version.toInt();
        plan = buildQ2SavePlan(in, m_blocks);
    }
    if (plan.refused()) {
        BatchModuleResult r;
        r.module = m_module;
        r.wanted = m_wanted;
        r.outcome = BatchOutcome::Refused;
        r.message = plan.badField;
        m_step = Step::Idle;
        finishApply(r);
        return;
    }
    m_step = Step::Saving;
    const auto [user, password] = m_credentials
                                      ? m_credentials()
                                      : std::pair(QStringLiteral("qpwzk"), QStringLiteral("qpwzk"));
    const SaveAddress address{m_module.socketIndex, removeSpaces(m_module.mac)};
    m_saver->start(plan, address, address, user, password);
}

void EngineBatchDriver::apply(const DeviceEntry &module, const FieldValues &wanted)
{
    read(module);
    m_wanted = wanted;
}

void EngineBatchDriver::onSaveFinished()
{
    if (m_step != Step::Saving)
        return;
    // Read back: again and again while the module restarts, until it answers or time is up.
    m_blocks = StoredAnswers();
    m_gotBase = false;
    m_step = Step::ReadingBack;
    m_timeout->start(m_restartMs);
    m_retry->start();
    sendRead();
}

void EngineBatchDriver::finishApply(BatchModuleResult result)
{
    emit applyFinished(result);
}

QString EngineBatchDriver::check(const DeviceEntry &, const FieldValues &wanted)
{
    BaseParams base;
    PortParams port;
    QStringList bad;
    for (auto it = wanted.begin(); it != wanted.end(); ++it)
        if (const QString e = setValue(base, port, it.key(), it.value()); !e.isEmpty())
            bad << e;
    return bad.join(QStringLiteral("; "));
}

QStringList EngineBatchDriver::keys()
{
    return {QStringLiteral("net.name"),         QStringLiteral("net.static"),
            QStringLiteral("net.ip"),           QStringLiteral("net.mask"),
            QStringLiteral("net.gateway"),      QStringLiteral("net.dns"),
            QStringLiteral("port.baud"),        QStringLiteral("port.data_bits"),
            QStringLiteral("port.parity"),      QStringLiteral("port.stop_bits"),
            QStringLiteral("port.work_mode"),   QStringLiteral("port.local"),
            QStringLiteral("port.remote_host"), QStringLiteral("port.remote_port")};
}

FieldValues EngineBatchDriver::valuesOf(const StoredAnswers &stored, int)
{
    const BaseParams b = parseBaseParam(stored.param);
    const PortParams p = parsePortParam(portBlock(stored.param));
    return {
        {QStringLiteral("net.name"), b.name},
        {QStringLiteral("net.static"), boolText(b.staticIp)},
        {QStringLiteral("net.ip"), b.ip},
        {QStringLiteral("net.mask"), b.mask},
        {QStringLiteral("net.gateway"), b.gateway},
        {QStringLiteral("net.dns"), b.dns},
        {QStringLiteral("port.baud"), QString::number(p.baud)},
        {QStringLiteral("port.data_bits"), QString::number(p.dataBits)},
        {QStringLiteral("port.parity"), QString::number(p.parity)},
        {QStringLiteral("port.stop_bits"), QString::number(p.stopBits)},
        {QStringLiteral("port.work_mode"), QString::number(p.workMode)},
        {QStringLiteral("port.local"), QString::number(p.localPort)},
        {QStringLiteral("port.remote_host"), p.remoteHost},
        {QStringLiteral("port.remote_port"), QString::number(p.remotePort)},
    };
}

std::optional<FieldValues> EngineBatchDriver::loadTemplate(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(1 << 20), &parse);
    const QJsonObject values = doc.object().value(QStringLiteral("values")).toObject();
    if (parse.error != QJsonParseError::NoError || !doc.isObject() || values.isEmpty()) {
        if (error)
            *error = parse.error != QJsonParseError::NoError ? parse.errorString()
                                                             : QStringLiteral("no values");
        return std::nullopt;
    }
    FieldValues out;
    const QStringList known = keys();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (!known.contains(it.key()) || !it.value().isString()) {
            if (error)
                *error = it.key();
            return std::nullopt;
        }
        out.insert(it.key(), it.value().toString());
    }
    return out;
}

bool EngineBatchDriver::saveTemplate(const QString &path, const FieldValues &values, int kind,
                                     QString *error)
{
    QJsonObject object;
    for (auto it = values.begin(); it != values.end(); ++it)
        object.insert(it.key(), it.value());
    const QJsonObject doc{
        {QStringLiteral("model"), kind == KindQ3 ? QStringLiteral("Q3") : QStringLiteral("Q2")},
        {QStringLiteral("values"), object}};
    return TextFiles::writeAtomically(path, QJsonDocument(doc).toJson(), false, error);
}
