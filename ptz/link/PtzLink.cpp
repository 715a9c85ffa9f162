#include "link/PtzLink.h"

#include "protocol/PtzFrames.h"
#include "protocol/PtzReply.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QTcpSocket>

#include <algorithm>

namespace {

const QString kCaptionDown = QStringLiteral("连   接");
const QString kCaptionUp = QStringLiteral("断开连接");
const QString kDeviceConnected = QStringLiteral("设 备 已 连 接 ！ ！ ！");

// "COM10" -> ("COM", 10); names without a trailing number sort by name alone.
std::pair<QString, qlonglong> portSortKey(const QString &name)
{
    static const QRegularExpression trailingNumber(QStringLiteral("^(.*?)(\\d+)$"));
    const auto match = trailingNumber.match(name);
    if (!match.hasMatch())
        return {name, -1};
    return {match.captured(1), match.captured(2).toLongLong()};
}

QString tcpFailureText(QAbstractSocket::SocketError error, const QString &qtText)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("连接失败：设备拒绝连接");
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::NetworkError:
        return QStringLiteral("连接失败：网络不可达");
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("连接失败：连接超时");
    default:
        return QStringLiteral("连接失败：") + qtText;
    }
}

// Whether this user may read and write the device file of `portName`, and the file's group.
// Where a port has no device file (Windows), access is never the reason: the platform's "access
// denied" there means another program holds the port.
std::pair<bool, QString> deviceAccess(const QString &portName)
{
#ifdef Q_OS_UNIX
    // The serial port layer's own naming: a path as given, a bare name under /dev.
    const QFileInfo device(portName.startsWith(u'/') ? portName
                                                     : QStringLiteral("/dev/") + portName);
    if (device.exists())
        return {device.isReadable() && device.isWritable(), device.group()};
#else
    Q_UNUSED(portName);
#endif
    return {true, QString()};
}

} // namespace

SerialOpenFailure classifySerialOpenFailure(QSerialPort::SerialPortError error, bool userMayOpen)
{
    if (error != QSerialPort::PermissionError)
        return SerialOpenFailure::Other;
    return userMayOpen ? SerialOpenFailure::HeldElsewhere : SerialOpenFailure::NoPermission;
}

QString serialOpenFailurePrompt(SerialOpenFailure failure, const QString &portName,
                                const QString &deviceGroup)
{
    switch (failure) {
    case SerialOpenFailure::HeldElsewhere:
        return portName + QStringLiteral("已被其它程序打开，请选择其它串口！");
    case SerialOpenFailure::NoPermission: {
        const QString group = deviceGroup.isEmpty() ? QStringLiteral("dialout") : deviceGroup;
        return portName + QStringLiteral("：当前用户没有使用此串口的权限。请把用户加入“") + group +
               QStringLiteral("”组（sudo usermod -aG ") + group +
               QStringLiteral(" 用户名），重新登录后再试。");
    }
    case SerialOpenFailure::Other:
        break;
    }
    return QString();
}

PtzLink::PtzLink(QObject *parent)
    : QObject(parent)
    , m_tcp(new QTcpSocket(this))
{
    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kConnectTimeoutMs);
    connect(&m_connectTimer, &QTimer::timeout, this, &PtzLink::onConnectTimeout);

    m_gatherTimer.setTimerType(Qt::PreciseTimer);
    m_gatherTimer.setInterval(kGatherTickMs);
    connect(&m_gatherTimer, &QTimer::timeout, this, &PtzLink::onGatherTick);

    connect(m_tcp, &QTcpSocket::connected, this, &PtzLink::onTcpConnected);
    connect(m_tcp, &QTcpSocket::disconnected, this, &PtzLink::onTcpDisconnected);
    connect(m_tcp, &QTcpSocket::errorOccurred, this, &PtzLink::onTcpError);
    connect(m_tcp, &QTcpSocket::readyRead, this, &PtzLink::onBytesArriving);

    connect(&m_serial, &QSerialPort::readyRead, this, &PtzLink::onBytesArriving);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &PtzLink::onSerialError);

    selectSerial();
}

PtzLink::~PtzLink()
{
    shutdown();
}

QStringList PtzLink::availablePortNames()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return portSortKey(a) < portSortKey(b); });
    // Ports the system does not enumerate (pseudo-terminals, socat links) come after, from
    // X7_SERIAL_PORTS (comma-separated device paths).
    for (const QString &part :
         qEnvironmentVariable("X7_SERIAL_PORTS").split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!part.trimmed().isEmpty())
            names.append(part.trimmed());
    names.removeDuplicates();
    return names;
}

bool PtzLink::isUp() const
{
    return m_state == LinkState::SerialOpen || m_state == LinkState::NetworkUp;
}

LinkView PtzLink::view() const
{
    LinkView view;
    const bool serial = m_state == LinkState::SerialIdle || m_state == LinkState::SerialOpen;
    view.serialChecked = serial;
    view.networkChecked = !serial;
    view.kindBoxesEnabled = !isUp();
    view.portListEnabled = m_state == LinkState::SerialIdle;
    view.searchEnabled = !isUp();
    view.deviceIpEnabled =
        m_state == LinkState::NetworkIdle || m_state == LinkState::NetworkConnecting;
    view.connectCaption = isUp() ? kCaptionUp : kCaptionDown;
    view.switchOn = isUp();
    return view;
}

void PtzLink::setState(LinkState state)
{
    m_state = state;
    emit viewChanged();
}

void PtzLink::setStatus(const QString &text)
{
    m_status = text;
    emit statusChanged(text);
}

void PtzLink::appendLog(const QString &entry)
{
    m_log = appendLogEntry(m_log, entry);
    emit logChanged(m_log);
}

void PtzLink::selectSerial()
{
    if (isUp())
        return; // the kind boxes are disabled while a link is up
    abortTcp();
    setState(LinkState::SerialIdle);
    setStatus(QStringLiteral("串口已就绪"));
}

void PtzLink::selectNetwork()
{
    if (isUp())
        return;
    abortTcp();
    setState(LinkState::NetworkIdle);
    setStatus(QStringLiteral("网络已就绪"));
}

void PtzLink::pressConnect(const QString &portName, const QString &deviceIp)
{
    switch (m_state) {
    case LinkState::SerialIdle:
        openSerial(portName.trimmed());
        break;
    case LinkState::SerialOpen:
        closeSerial();
        break;
    case LinkState::NetworkIdle:
        openTcp(deviceIp.trimmed());
        break;
    case LinkState::NetworkConnecting:
    case LinkState::NetworkUp:
        closeTcp();
        break;
    }
}

bool PtzLink::dropForNewDevice()
{
    if (m_state == LinkState::SerialIdle || m_state == LinkState::SerialOpen)
        return false;
    abortTcp();
    setState(LinkState::NetworkIdle);
    setStatus(QStringLiteral("设备已断开连接"));
    return true;
}

void PtzLink::configureSerialPort()
{
    m_serial.setBaudRate(QSerialPort::Baud9600);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    // The head's replies are seven bytes; a babbling line cannot pile up more than this between
    // two reads.
    m_serial.setReadBufferSize(100);
}

QString PtzLink::serialSettingsText() const
{
    const QChar parity = m_serial.parity() == QSerialPort::NoParity     ? u'N'
                         : m_serial.parity() == QSerialPort::EvenParity ? u'E'
                         : m_serial.parity() == QSerialPort::OddParity  ? u'O'
                                                                        : u'?';
    const int stopBits = m_serial.stopBits() == QSerialPort::TwoStop ? 2 : 1;
    return QStringLiteral("%1,%2,%3,%4")
        .arg(m_serial.baudRate())
        .arg(parity)
        .arg(int(m_serial.dataBits()))
        .arg(stopBits);
}

void PtzLink::openSerial(const QString &portName)
{
    m_portName = portName;
    if (portName.isEmpty()) {
        setStatus(QStringLiteral("没有可用的串口"));
        return;
    }
    m_serial.setPortName(portName);
    configureSerialPort();
    if (!m_serial.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_serial.error();
        m_serial.clearError();
        const auto [userMayOpen, group] = deviceAccess(portName);
        const SerialOpenFailure failure = classifySerialOpenFailure(error, userMayOpen);
        if (failure == SerialOpenFailure::NoPermission)
            setStatus(portName + QStringLiteral("，打开失败：没有权限"));
        else if (failure == SerialOpenFailure::Other)
            setStatus(portName + QStringLiteral("，打开失败"));
        const QString prompt = serialOpenFailurePrompt(failure, portName, group);
        if (!prompt.isEmpty())
            emit promptRequested(prompt);
        return;
    }
    m_serial.clear(QSerialPort::AllDirections);
    setState(LinkState::SerialOpen);
    setStatus(portName + QStringLiteral("，已打开，") + serialSettingsText());
    emit promptRequested(kDeviceConnected);
}

void PtzLink::closeSerial()
{
    m_gatherTimer.stop();
    m_gatherTicks = 0;
    m_serial.close();
    setState(LinkState::SerialIdle);
    setStatus(m_portName + QStringLiteral("，已关闭"));
}

void PtzLink::openTcp(const QString &deviceIp)
{
    m_deviceIp = deviceIp;
    // Only an address is taken: a name would be looked up on the network.
    const QHostAddress address(deviceIp);
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        setStatus(QStringLiteral("连接失败：IP 地址无效"));
        return;
    }
    if (m_serial.isOpen())
        m_serial.close();
    setState(LinkState::NetworkConnecting);
    m_connectTimer.start();
    m_tcp->connectToHost(address, m_remotePort);
}

void PtzLink::closeTcp()
{
    abortTcp();
    setState(LinkState::NetworkIdle);
    setStatus(QStringLiteral("连接已断开..."));
}

void PtzLink::abortTcp()
{
    m_connectTimer.stop();
    if (m_tcp->state() != QAbstractSocket::UnconnectedState || m_tcp->isOpen()) {
        // Leave the up state first: the socket reports its disconnection while aborting.
        if (m_state == LinkState::NetworkUp || m_state == LinkState::NetworkConnecting)
            m_state = LinkState::NetworkIdle;
        m_tcp->abort();
    }
}

void PtzLink::onTcpConnected()
{
    if (m_state != LinkState::NetworkConnecting) {
        m_tcp->abort();
        return;
    }
    m_connectTimer.stop();
    m_tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    setState(LinkState::NetworkUp);
    setStatus(QStringLiteral("已连接到 : ") + m_deviceIp);
    emit promptRequested(kDeviceConnected);
}

void PtzLink::onTcpError()
{
    if (m_state == LinkState::NetworkConnecting) {
        const QString text = tcpFailureText(m_tcp->error(), m_tcp->errorString());
        abortTcp();
        setState(LinkState::NetworkIdle);
        setStatus(text);
    } else if (m_state == LinkState::NetworkUp &&
               m_tcp->state() != QAbstractSocket::ConnectedState) {
        onTcpDisconnected();
    }
}

void PtzLink::onTcpDisconnected()
{
    if (m_state != LinkState::NetworkUp)
        return;
    abortTcp();
    setState(LinkState::NetworkIdle);
    setStatus(QStringLiteral("连接已中断"));
}

void PtzLink::onConnectTimeout()
{
    if (m_state != LinkState::NetworkConnecting)
        return;
    abortTcp();
    setState(LinkState::NetworkIdle);
    setStatus(QStringLiteral("连接失败：连接超时"));
}

void PtzLink::onSerialError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || m_state != LinkState::SerialOpen)
        return;
    // A device that went away (unplugged adapter, closed pseudo-terminal) keeps reporting read
    // failures; close it so that the operator can pick it again once it is back.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        m_gatherTimer.stop();
        m_gatherTicks = 0;
        m_serial.close();
        m_serial.clearError();
        setState(LinkState::SerialIdle);
        setStatus(m_portName + QStringLiteral("，连接已中断"));
        return;
    }
    m_serial.clearError();
}

void PtzLink::onBytesArriving()
{
    if (!m_gatherTimer.isActive())
        m_gatherTimer.start();
}

void PtzLink::onGatherTick()
{
    if (++m_gatherTicks < kGatherTicks)
        return;
    m_gatherTicks = 0;
    m_gatherTimer.stop();
    QByteArray chunk;
    if (m_serial.isOpen())
        chunk = m_serial.readAll();
    else if (m_tcp->isOpen())
        chunk = m_tcp->readAll();
    if (chunk.isEmpty())
        return;
    emit chunkReceived(chunk);
    if (const auto entry = parseReply(chunk))
        appendLog(*entry);
}

void PtzLink::sendFrame(QByteArray frame)
{
    if (!isUp())
        return;
    completeCommandFrame(frame);
    writeFrame(frame);
}

void PtzLink::sendLightFrame(QByteArray frame)
{
    if (!isUp())
        return;
    completeLightFrame(frame);
    writeFrame(frame);
}

void PtzLink::writeFrame(const QByteArray &frame)
{
    appendLog(sentFrameLogText(frame));
    // Frames queue behind each other: discarding pending output first could cut a frame still
    // on its way out when two are sent at once.
    if (m_state == LinkState::SerialOpen)
        m_serial.write(frame);
    else
        m_tcp->write(frame);
    emit frameSent(frame);
}

void PtzLink::logNote(const QString &text)
{
    appendLog(QStringLiteral("\r\n") + text + QStringLiteral("\r\n"));
}

void PtzLink::clearLog()
{
    m_log.clear();
    emit logChanged(m_log);
    if (m_serial.isOpen())
        m_serial.clear(QSerialPort::Input);
}

void PtzLink::shutdown()
{
    m_connectTimer.stop();
    m_gatherTimer.stop();
    if (m_serial.isOpen())
        m_serial.close();
    m_state = m_state == LinkState::SerialOpen ? LinkState::SerialIdle : m_state;
    abortTcp();
}
