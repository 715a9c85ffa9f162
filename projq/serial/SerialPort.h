#pragma once

// One serial port of the host, on the GUI thread and never blocking it: send() queues a copy of
// the bytes and returns at once; what arrives is handed on in bursts, each ending after a line
// silence of readIntervalMs or at 1024 bytes, so that one module reply is one burst.

#include "SerialBursts.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

class SerialPort : public QObject
{
    Q_OBJECT
public:
    // Why an open failed.
    enum class OpenError {
        None,
        AlreadyOpen, // this component has a port open already
        NoName,      // no port chosen
        Missing,     // no such device
        NoRights,    // the user may not open it (Linux: not in the group owning the device)
        Busy,        // another program holds it
        Other,
    };

    explicit SerialPort(QObject *parent = nullptr);
    ~SerialPort() override;

    // The settings; changed while the port is open they apply at once.
    void setPortName(const QString &name); // takes effect at the next open()
    QString portName() const { return m_name; }
    void setBaudRate(qint32 baud);
    qint32 baudRate() const { return m_baud; }
    void setDataBits(QSerialPort::DataBits bits);
    void setParity(QSerialPort::Parity parity);
    void setStopBits(QSerialPort::StopBits bits);
    void setReadIntervalMs(int ms) { m_readIntervalMs = ms; }
    int readIntervalMs() const { return m_readIntervalMs; }

    bool open();
    OpenError lastOpenError() const { return m_openError; }
    QString errorText() const { return m_errorText; } // in English, for logs and tools
    // Closes the port; bytes not yet written are discarded, a burst being gathered is dropped.
    void close();
    bool isOpen() const;

    // False when the port is closed or `bytes` is empty; otherwise the bytes are queued.
    bool send(const QByteArray &bytes);

    // The port names to offer: what the system enumerates (device paths on Unix, COMn on
    // Windows), then the paths named in X7_SERIAL_PORTS (comma-separated) that are not listed
    // yet, for pseudo-terminals and other ports the system does not enumerate.
    static QStringList availablePorts();

signals:
    void dataReceived(const QByteArray &burst);
    // Once after every open, and each time the send queue runs empty after a send.
    void sendBufferEmpty();
    void receiveError(const QString &text);

private:
    void readPending();
    void flushBurst();
    void onBytesWritten();
    void onError(QSerialPort::SerialPortError error);
    OpenError classifyOpenError(QSerialPort::SerialPortError error) const;

    QSerialPort *m_port;
    QTimer m_silence;
    SerialBursts m_bursts;
    QString m_name;
    qint32 m_baud = 9600;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
    int m_readIntervalMs = 50;
    bool m_sendPending = false;
    OpenError m_openError = OpenError::None;
    QString m_errorText;
};
