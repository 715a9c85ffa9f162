#include "SerialPort.h"

#include <QFileInfo>
#include <QSerialPortInfo>

SerialPort::SerialPort(QObject *parent)
    : QObject(parent)
    , m_port(new QSerialPort(this))
{
    m_silence.setSingleShot(true);
    m_silence.setTimerType(Qt::PreciseTimer);
    connect(&m_silence, &QTimer::timeout, this, &SerialPort::flushBurst);
    connect(m_port, &QSerialPort::readyRead, this, &SerialPort::readPending);
    connect(m_port, &QSerialPort::bytesWritten, this, &SerialPort::onBytesWritten);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort()
{
    close();
}

void SerialPort::setPortName(const QString &name)
{
    m_name = name;
}

void SerialPort::setBaudRate(qint32 baud)
{
    if (baud == m_baud)
        return;
    m_baud = baud;
    if (isOpen())
        m_port->setBaudRate(baud);
}

void SerialPort::setDataBits(QSerialPort::DataBits bits)
{
    if (bits == m_dataBits)
        return;
    m_dataBits = bits;
    if (isOpen())
        m_port->setDataBits(bits);
}

void SerialPort::setParity(QSerialPort::Parity parity)
{
    if (parity == m_parity)
        return;
    m_parity = parity;
    if (isOpen())
        m_port->setParity(parity);
}

void SerialPort::setStopBits(QSerialPort::StopBits bits)
{
    if (bits == m_stopBits)
        return;
    m_stopBits = bits;
    if (isOpen())
        m_port->setStopBits(bits);
}

bool SerialPort::isOpen() const
{
    return m_port->isOpen();
}

bool SerialPort::open()
{
    m_openError = OpenError::None;
    m_errorText.clear();
    if (isOpen()) {
        m_openError = OpenError::AlreadyOpen;
        m_errorText = QStringLiteral("This serial port already opened");
        return false;
    }
    if (m_name.trimmed().isEmpty()) {
        m_openError = OpenError::NoName;
        m_errorText = QStringLiteral("No serial port chosen");
        return false;
    }
    m_port->setPortName(m_name);
    m_port->setBaudRate(m_baud);
    m_port->setDataBits(m_dataBits);
    m_port->setParity(m_parity);
    m_port->setStopBits(m_stopBits);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_openError = classifyOpenError(m_port->error());
        m_errorText =
            QStringLiteral("Error opening serial port %1: %2").arg(m_name, m_port->errorString());
        m_port->clearError();
        return false;
    }
    // Line settings again: some drivers accept them only on an open port.
    m_port->setBaudRate(m_baud);
    m_port->setDataBits(m_dataBits);
    m_port->setParity(m_parity);
    m_port->setStopBits(m_stopBits);
    m_port->setDataTerminalReady(true);
    m_port->setRequestToSend(true);
    m_port->clear();
    m_bursts.clear();
    m_sendPending = false;
    // The send queue starts empty: say so once, from the event loop like every later notice.
    QTimer::singleShot(0, this, [this, port = m_port] {
        if (port->isOpen())
            emit sendBufferEmpty();
    });
    return true;
}

SerialPort::OpenError SerialPort::classifyOpenError(QSerialPort::SerialPortError error) const
{
    if (error == QSerialPort::DeviceNotFoundError)
        return OpenError::Missing;
    if (error != QSerialPort::PermissionError)
        return OpenError::Other;
    // The driver reports a held port and a forbidden one alike; the file's rights tell them
    // apart where ports are files.
    QString path = m_name;
    if (!QFileInfo(path).isAbsolute())
        path = QSerialPortInfo(m_name).systemLocation();
    const QFileInfo file(path);
    if (file.isAbsolute() && file.exists()) {
        if (!file.isReadable() || !file.isWritable())
            return OpenError::NoRights;
        return OpenError::Busy;
    }
    if (file.isAbsolute() && !file.exists())
        return OpenError::Missing;
    return OpenError::Busy;
}

void SerialPort::close()
{
    m_silence.stop();
    m_bursts.clear();
    m_sendPending = false;
    if (m_port->isOpen()) {
        m_port->clear(); // drop what is queued but not written
        m_port->close();
    }
}

bool SerialPort::send(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return false;
    if (m_port->write(bytes) != bytes.size())
        return false;
    m_sendPending = true;
    return true;
}

void SerialPort::readPending()
{
    m_bursts.add(m_port->readAll());
    for (QByteArray full = m_bursts.takeFull(); !full.isEmpty(); full = m_bursts.takeFull()) {
        emit dataReceived(full);
        if (!isOpen())
            return;
    }
    if (m_bursts.isEmpty())
        m_silence.stop();
    else
        m_silence.start(m_readIntervalMs);
}

void SerialPort::flushBurst()
{
    const QByteArray burst = m_bursts.takeRest();
    if (!burst.isEmpty())
        emit dataReceived(burst);
}

void SerialPort::onBytesWritten()
{
    if (m_sendPending && m_port->bytesToWrite() == 0) {
        m_sendPending = false;
        emit sendBufferEmpty();
    }
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    // Open failures are reported by open(); line errors while open are passed on.
    if (error == QSerialPort::NoError || !isOpen())
        return;
    emit receiveError(m_port->errorString());
    m_port->clearError();
}

QStringList SerialPort::availablePorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        names << info.portName();
#else
        names << info.systemLocation();
#endif
    }
    const QString extra = qEnvironmentVariable("X7_SERIAL_PORTS");
    for (const QString &part : extra.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString path = part.trimmed();
        if (!path.isEmpty() && !names.contains(path))
            names << path;
    }
    return names;
}
