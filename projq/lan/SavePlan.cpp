#include "SavePlan.h"

#include "lan/ModuleEndpoint.h"

#include "common/ParamBlocks.h"

#include <QTimer>

namespace {

// Collects frames with the waits between them: each write may be followed by a wait, and the
// waits since the previous frame become the next frame's pause.
class PlanBuilder
{
public:
    explicit PlanBuilder(PortFamily family)
        : m_family(family)
    {
    }

    void send(quint8 code, const QByteArray &data, SaveTarget target, int waitAfterMs)
    {
        m_frames.append({code, data, m_family, target, m_pendingMs});
        m_pendingMs = waitAfterMs;
    }
    void wait(int ms) { m_pendingMs += ms; }
    QList<PlannedFrame> frames() const { return m_frames; }

private:
    PortFamily m_family;
    QList<PlannedFrame> m_frames;
    int m_pendingMs = 0;
};

SavePlan refusedPlan(SaveRefusal why, quint8 block = 0, const QString &field = QString())
{
    SavePlan plan;
    plan.refusal = why;
    plan.badBlock = block;
    plan.badField = field;
    return plan;
}

// The cloud frame is sent only when both texts fill their fields; the first text that does not
// names the message shown instead.
QString cloudMessageKey(const CloudParams &cloud)
{
    if (!isCloudDeviceIdValid(cloud.deviceId))
        return QStringLiteral("lang_DeviceId");
    if (!isCloudCommCodeValid(cloud.commCode))
        return QStringLiteral("lang_CommCode");
    return QString();
}

} // namespace

SavePlan buildQ2SavePlan(const Q2SaveInput &in, StoredAnswers &stored)
{
    if (!in.upnpPortKnown)
        return refusedPlan(SaveRefusal::NoReadYet);

    StoredAnswers work = stored;
    PlanBuilder plan(PortFamily::Q2);
    SavePlan result;

    if (const BuildResult r = buildQ2Base(in.base, work.baseFlags, work.param); !r)
        return refusedPlan(SaveRefusal::BadField, CmdWriteBase, r.badField);
    buildQ2Port(in.port, work.portFlags, work.param);
    plan.send(CmdWriteBase, baseBlock(work.param), SaveTarget::Selected, kSavePauseMs);
    plan.send(CmdWritePort, portBlock(work.param), SaveTarget::Selected, kSavePauseMs);

    if (in.port.cloudEnabled) {
        const QString message = cloudMessageKey(in.cloud);
        if (message.isEmpty()) {
            buildCloud(in.cloud, work.cloud);
            plan.send(CmdWriteCloud, work.cloud, SaveTarget::LastClicked, kSavePauseMs);
        } else {
            result.messageKeys.append(message);
        }
    }

    const bool extended = in.version >= kFirstExtendedVersion;
    if (extended) {
        if (const BuildResult r = buildHeartReg(in.heartReg, work.heartReg); !r)
            return refusedPlan(SaveRefusal::BadField, CmdWriteHeartReg, r.badField);
        plan.send(CmdWriteHeartReg, work.heartReg, SaveTarget::LastClicked, kSavePauseMs);
    }
    if (extended && in.httpdVisible) {
        buildHttpdUrl(in.httpd.url, work.httpd);
        plan.send(CmdWriteHttpdUrl, httpdUrlPart(work.httpd), SaveTarget::LastClicked,
                  kSavePauseMs);
        buildHttpdHeader(in.httpd.header, work.httpd);
        plan.send(CmdWriteHttpdHeader, httpdHeaderPart(work.httpd), SaveTarget::LastClicked,
                  kSavePauseMs);
    }

    // The Modbus blocks follow each other without a pause.
    if (in.modbusShortVisible) {
        const auto block = buildModbusShort(in.modbusShort, in.modbusShortForm);
        if (!block)
            return refusedPlan(SaveRefusal::BadField, CmdWriteModbus, QStringLiteral("PollTime"));
        plan.send(CmdWriteModbus, *block, SaveTarget::LastClicked, 0);
    }
    if (in.modbusPackVisible) {
        if (const BuildResult r = buildModbusPack(in.modbusPack, work.modbusPack); !r)
            return refusedPlan(SaveRefusal::BadField, CmdWriteModbus, r.badField);
        plan.send(CmdWriteModbus, work.modbusPack, SaveTarget::LastClicked, 0);
    }
    if (in.modbusNewVisible) {
        if (const BuildResult r = buildModbusNew(in.modbusNew, work.modbusNew); !r)
            return refusedPlan(SaveRefusal::BadField, CmdWriteModbus, r.badField);
        plan.send(CmdWriteModbus, work.modbusNew, SaveTarget::LastClicked, 0);
    }

    plan.wait(kRestartPauseMs);
    plan.send(CmdRestart, QByteArray(), SaveTarget::Selected, 0);

    stored = work;
    result.frames = plan.frames();
    return result;
}

SavePlan buildQ3SavePlan(const BaseParams &base, const PortParams &port, StoredAnswers &stored)
{
    StoredAnswers work = stored;
    if (const BuildResult r = buildQ3Base(base, work.param); !r)
        return refusedPlan(SaveRefusal::BadField, CmdWriteBase, r.badField);
    buildQ3Port(port, work.param);

    PlanBuilder plan(PortFamily::Q3);
    plan.send(CmdWriteBase, baseBlock(work.param), SaveTarget::Selected, kSavePauseMs);
    plan.send(CmdWritePort, portBlock(work.param), SaveTarget::Selected, kSavePauseMs);
    plan.send(CmdApply, QByteArray(), SaveTarget::Selected, 0);

    stored = work;
    SavePlan result;
    result.frames = plan.frames();
    return result;
}

// ---- Runner ----------------------------------------------------------------------------------

SaveRunner::SaveRunner(ModuleEndpoint *endpoint, QObject *parent)
    : QObject(parent)
    , m_endpoint(endpoint)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &SaveRunner::sendDueFrames);
}

SaveRunner::~SaveRunner() = default;

bool SaveRunner::start(const SavePlan &plan, const SaveAddress &selected,
                       const SaveAddress &lastClicked, const QString &user, const QString &password)
{
    if (m_running || plan.frames.isEmpty())
        return false;
    m_frames = plan.frames;
    m_next = 0;
    m_selected = selected;
    m_lastClicked = lastClicked;
    m_user = user;
    m_password = password;
    m_running = true;
    emit started();
    m_timer->start(m_frames.first().pauseBeforeMs);
    return true;
}

void SaveRunner::stop()
{
    if (!m_running)
        return;
    m_timer->stop();
    finish();
}

void SaveRunner::sendDueFrames()
{
    // The frame whose pause just ended, then every following frame that has no pause.
    do {
        const int index = m_next++;
        const PlannedFrame frame = m_frames.at(index);
        sendFrame(frame);
        if (m_running) // a slot of the endpoint's dataSent may have stopped the run
            emit frameSent(index, frame.code);
        if (!m_running)
            return;
    } while (m_next < m_frames.size() && m_frames.at(m_next).pauseBeforeMs == 0);

    if (m_next < m_frames.size())
        m_timer->start(m_frames.at(m_next).pauseBeforeMs);
    else
        finish();
}

void SaveRunner::sendFrame(const PlannedFrame &frame)
{
    if (!m_endpoint)
        return;
    const SaveAddress &to = frame.target == SaveTarget::Selected ? m_selected : m_lastClicked;
    const bool q3 = frame.family == PortFamily::Q3;
    if (frame.data.isEmpty()) {
        if (q3)
            m_endpoint->sendCommandQ3(to.socketIndex, to.mac, frame.code, m_user, m_password);
        else
            m_endpoint->sendCommand(to.socketIndex, to.mac, frame.code, m_user, m_password);
    } else if (q3) {
        m_endpoint->sendCommandDataQ3(to.socketIndex, to.mac, frame.code, m_user, m_password,
                                      frame.data);
    } else {
        m_endpoint->sendCommandData(to.socketIndex, to.mac, frame.code, m_user, m_password,
                                    frame.data);
    }
}

void SaveRunner::finish()
{
    m_running = false;
    m_frames.clear();
    m_next = 0;
    emit finished();
}
