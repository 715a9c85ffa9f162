#pragma once

// The console's link to the head: a COM port at 9600 8N1 or a TCP connection to port 4196.
// PtzLink owns the serial port, the TCP client and the receive timer, runs the connection state
// machine, keeps the traffic log, and tells the window what to show (captions, status line,
// indicator, which link controls are usable) and which prompts to raise. It knows no widgets.
//
// States (connect button caption in brackets):
//   serial idle ["连   接"]  -> serial open ["断开连接"] by connect
//   network idle ["连   接"] -> network connecting ["连   接"] by connect
//                             -> network up ["断开连接"] when the device accepts
// The link is up exactly in serial open and network up; frames sent in any other state are
// dropped without a trace.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <QTimer>

class QTcpSocket;

enum class LinkState { SerialIdle, SerialOpen, NetworkIdle, NetworkConnecting, NetworkUp };

// Why a serial port did not open. The port layer reports a port held by another program and a
// port this user may not open with the same "permission" error; only the device's own access
// rights tell them apart.
enum class SerialOpenFailure { HeldElsewhere, NoPermission, Other };

// `userMayOpen`: whether this user has read and write access to the device itself.
SerialOpenFailure classifySerialOpenFailure(QSerialPort::SerialPortError error, bool userMayOpen);
// The prompt for a failure, or nothing when the status line says enough. `deviceGroup` is the
// group that owns the device file ("dialout" on Debian), empty when unknown.
QString serialOpenFailurePrompt(SerialOpenFailure failure, const QString &portName,
                                const QString &deviceGroup);

// What the link frame shows in the current state.
struct LinkView
{
    bool serialChecked = true;
    bool networkChecked = false;
    bool kindBoxesEnabled = true; // 串口 and 网络
    bool portListEnabled = true;  // ComboComm
    bool searchEnabled = true;    // 搜索
    bool deviceIpEnabled = false; // 设备IP
    QString connectCaption;
    bool switchOn = false; // ImgSwitchOn shown, else ImgSwitchOff
};

class PtzLink : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultTcpPort = 4196;
    static constexpr int kConnectTimeoutMs = 5000;
    static constexpr int kGatherTickMs = 10;
    static constexpr int kGatherTicks = 3;

    explicit PtzLink(QObject *parent = nullptr);
    ~PtzLink() override;

    // Serial ports present on this machine, in ascending order ("COM2" before "COM10"). A port
    // that another program holds is listed too; opening it then fails with the held-port prompt.
    static QStringList availablePortNames();

    // The two link-kind boxes behave as a pair of radio buttons.
    void selectSerial();
    void selectNetwork();

    // The connect / disconnect button. `portName` is the port list's text, `deviceIp` the
    // device address box's text; each is used only by the kind that needs it.
    void pressConnect(const QString &portName, const QString &deviceIp);

    // A device number was picked: in network mode the TCP link is dropped so that it can be
    // re-targeted at the device's address. Returns whether it was (false in serial mode).
    bool dropForNewDevice();

    // Complete the checksum, log the frame and write it, but only while the link is up.
    void sendFrame(QByteArray frame);
    void sendLightFrame(QByteArray frame);

    // A line of the console's own in the traffic log (a schedule that was missed).
    void logNote(const QString &text);

    // The log button: empties the traffic log and discards pending serial input.
    void clearLog();

    // At exit: closes the serial port and the TCP client without any prompt.
    void shutdown();

    bool isUp() const;
    LinkState state() const { return m_state; }
    LinkView view() const;
    QString statusText() const { return m_status; }
    QString logText() const { return m_log; }
    QString portName() const { return m_portName; }

    // Tests point the link at a simulator on a free port; the product always uses 4196.
    void setRemotePort(quint16 port) { m_remotePort = port; }
    quint16 remotePort() const { return m_remotePort; }
    void setConnectTimeout(int ms) { m_connectTimer.setInterval(ms); }

signals:
    void viewChanged();
    void statusChanged(const QString &text);
    void logChanged(const QString &text);
    // An information prompt titled "提示信息" with an OK button.
    void promptRequested(const QString &text);
    void frameSent(const QByteArray &frame);
    void chunkReceived(const QByteArray &chunk);

private:
    void setState(LinkState state);
    void setStatus(const QString &text);
    void appendLog(const QString &entry);
    void writeFrame(const QByteArray &frame);

    void openSerial(const QString &portName);
    void closeSerial();
    void openTcp(const QString &deviceIp);
    void closeTcp();
    void abortTcp();
    void configureSerialPort();
    QString serialSettingsText() const;

    void onTcpConnected();
    void onTcpDisconnected();
    void onTcpError();
    void onConnectTimeout();
    void onSerialError(QSerialPort::SerialPortError error);
    void onBytesArriving();
    void onGatherTick();

    LinkState m_state = LinkState::SerialIdle;
    QString m_status;
    QString m_log;
    QString m_portName;
    QString m_deviceIp;
    quint16 m_remotePort = kDefaultTcpPort;

    QSerialPort m_serial;
    QTcpSocket *m_tcp;
    QTimer m_connectTimer;
    QTimer m_gatherTimer; // the receive timer Rtimer
    int m_gatherTicks = 0;
};
