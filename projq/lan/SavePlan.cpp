#include "SavePlan.h"

#include "lan/TUdpSvr.h"

#include "common/ParamBlocks.h"

#include <QTimer>

namespace {

// Collects frames with the waits between them: each write may be followed by a wait, and the
// waits since the previous frame become the next frame's pause.
class PlanBuilder
{
public:
    explicit PlanBuilder(TPortFamily family)
        : m_family(family)
    {
    }

    void send(quint8 code, const QByteArray &data, TSaveTarget target, int waitAfterMs)
    {
        m_frames.append({code, data, m_family, target, m_pendingMs});
        m_pendingMs = waitAfterMs;
    }
    void wait(int ms) { m_pendingMs += ms; }
    QList<TPlannedFrame> frames() const { return m_frames; }

private:
    TPortFamily m_family;
    QList<TPlannedFrame> m_frames;
    int m_pendingMs = 0;
};

TSavePlan refusedPlan(TSaveRefusal why, quint8 block = 0, const QString &field = QString())
{
    TSavePlan plan;
    plan.refusal = why;
    plan.badBlock = block;
    plan.badField = field;
    return plan;
}

// The cloud frame is sent only when both texts fill their fields; the first text that does not
// names the message shown instead.
QString cloudMessageKey(const TCloudParam &cloud)
{
    if (!IsCloudDeviceIdValid(cloud.DeviceId))
        return QStringLiteral("lang_DeviceId");
    if (!IsCloudCommCodeValid(cloud.CommCode))
        return QStringLiteral("lang_CommCode");
    return QString();
}

} // namespace

TSavePlan BuildQ2SavePlan(const TQ2SaveInput &in, TStoredAnswers &stored)
{
    if (!in.upnpPortKnown)
        return refusedPlan(TSaveRefusal::NoReadYet);

    TStoredAnswers work = stored;
    PlanBuilder plan(TPortFamily::Q2);
    TSavePlan result;

    if (const TBuildResult r = BuildQ2Base(in.base, work.BaseFlags, work.Param); !r)
        return refusedPlan(TSaveRefusal::BadField, CmdWriteBase, r.BadField);
    BuildQ2Port(in.port, work.PortFlags, work.Param);
    plan.send(CmdWriteBase, BaseBlock(work.Param), TSaveTarget::Selected, kSavePauseMs);
    plan.send(CmdWritePort, PortBlock(work.Param), TSaveTarget::Selected, kSavePauseMs);

    if (in.port.CloudEnabled) {
        const QString message = cloudMessageKey(in.cloud);
        if (message.isEmpty()) {
            BuildCloud(in.cloud, work.Cloud);
            plan.send(CmdWriteCloud, work.Cloud, TSaveTarget::LastClicked, kSavePauseMs);
        } else {
            result.messageKeys.append(message);
        }
    }

    const bool extended = in.version >= kFirstExtendedVersion;
    if (extended) {
        if (const TBuildResult r = BuildHeartReg(in.heartReg, work.HeartReg); !r)
            return refusedPlan(TSaveRefusal::BadField, CmdWriteHeartReg, r.BadField);
        plan.send(CmdWriteHeartReg, work.HeartReg, TSaveTarget::LastClicked, kSavePauseMs);
    }
    if (extended && in.httpdVisible) {
        BuildHttpdUrl(in.httpd.Url, work.Httpd);
        plan.send(CmdWriteHttpdUrl, HttpdUrlPart(work.Httpd), TSaveTarget::LastClicked,
                  kSavePauseMs);
        BuildHttpdHeader(in.httpd.Header, work.Httpd);
        plan.send(CmdWriteHttpdHeader, HttpdHeaderPart(work.Httpd), TSaveTarget::LastClicked,
                  kSavePauseMs);
    }

    // The Modbus blocks follow each other without a pause.
    if (in.modbusShortVisible) {
        const auto block = BuildModbusShort(in.modbusShort, in.modbusShortForm);
        if (!block)
            return refusedPlan(TSaveRefusal::BadField, CmdWriteModbus, QStringLiteral("PollTime"));
        plan.send(CmdWriteModbus, *block, TSaveTarget::LastClicked, 0);
    }
    if (in.modbusPackVisible) {
        if (const TBuildResult r = BuildModbusPack(in.modbusPack, work.ModbusPack); !r)
            return refusedPlan(TSaveRefusal::BadField, CmdWriteModbus, r.BadField);
        plan.send(CmdWriteModbus, work.ModbusPack, TSaveTarget::LastClicked, 0);
    }
    if (in.modbusNewVisible) {
        if (const TBuildResult r = BuildModbusNew(in.modbusNew, work.ModbusNew); !r)
            return refusedPlan(TSaveRefusal::BadField, CmdWriteModbus, r.BadField);
        plan.send(CmdWriteModbus, work.ModbusNew, TSaveTarget::LastClicked, 0);
    }

    plan.wait(kRestartPauseMs);
    plan.send(CmdRestart, QByteArray(), TSaveTarget::Selected, 0);

    stored = work;
    result.frames = plan.frames();
    return result;
}

TSavePlan BuildQ3SavePlan(const TBaseParam &base, const TPortParam &port, TStoredAnswers &stored)
{
    TStoredAnswers work = stored;
    if (const TBuildResult r = BuildQ3Base(base, work.Param); !r)
        return refusedPlan(TSaveRefusal::BadField, CmdWriteBase, r.BadField);
    BuildQ3Port(port, work.Param);

    PlanBuilder plan(TPortFamily::Q3);
    plan.send(CmdWriteBase, BaseBlock(work.Param), TSaveTarget::Selected, kSavePauseMs);
    plan.send(CmdWritePort, PortBlock(work.Param), TSaveTarget::Selected, kSavePauseMs);
    plan.send(CmdApply, QByteArray(), TSaveTarget::Selected, 0);

    stored = work;
    TSavePlan result;
    result.frames = plan.frames();
    return result;
}

// ---- Runner ----------------------------------------------------------------------------------

TSaveRunner::TSaveRunner(TUdpSvr *endpoint, QObject *parent)
    : QObject(parent)
    , m_endpoint(endpoint)
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &TSaveRunner::sendDueFrames);
}

TSaveRunner::~TSaveRunner() = default;

bool TSaveRunner::Start(const TSavePlan &plan, const TSaveAddress &selected,
                        const TSaveAddress &lastClicked, const QString &user,
                        const QString &password)
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

void TSaveRunner::Stop()
{
    if (!m_running)
        return;
    m_timer->stop();
    finish();
}

void TSaveRunner::sendDueFrames()
{
    // The frame whose pause just ended, then every following frame that has no pause.
    do {
        const int index = m_next++;
        const TPlannedFrame frame = m_frames.at(index);
        sendFrame(frame);
        if (m_running) // a slot of the endpoint's OnDataSent may have stopped the run
            emit frameSent(index, frame.code);
        if (!m_running)
            return;
    } while (m_next < m_frames.size() && m_frames.at(m_next).pauseBeforeMs == 0);

    if (m_next < m_frames.size())
        m_timer->start(m_frames.at(m_next).pauseBeforeMs);
    else
        finish();
}

void TSaveRunner::sendFrame(const TPlannedFrame &frame)
{
    if (!m_endpoint)
        return;
    const TSaveAddress &to = frame.target == TSaveTarget::Selected ? m_selected : m_lastClicked;
    const bool q3 = frame.family == TPortFamily::Q3;
    if (frame.data.isEmpty()) {
        if (q3)
            m_endpoint->SendCommandQ3(to.socketIndex, to.mac, frame.code, m_user, m_password);
        else
            m_endpoint->SendCommand(to.socketIndex, to.mac, frame.code, m_user, m_password);
    } else if (q3) {
        m_endpoint->SendCommandDataQ3(to.socketIndex, to.mac, frame.code, m_user, m_password,
                                      frame.data);
    } else {
        m_endpoint->SendCommandData(to.socketIndex, to.mac, frame.code, m_user, m_password,
                                    frame.data);
    }
}

void TSaveRunner::finish()
{
    m_running = false;
    m_frames.clear();
    m_next = 0;
    emit finished();
}
