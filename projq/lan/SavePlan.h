#pragma once

// The save of a module's parameters as a plan: the list of command frames, in order, with the
// pause before each. Building a plan is pure (records and stored answers in, frames out); the
// runner below plays a plan through the endpoint with a timer, so the window keeps working
// while the module is written.
//
// A Q2 module gets its base block (0x05) and port block (0x06), then the cloud block (0x0C) when
// the cloud registration is chosen, the heartbeat and registration block (0x21) and the HTTPD
// parts (0x22, 0x23) from firmware 4017 on, the Modbus blocks whose groups are shown (0x24), and
// finally a restart (0x02). A Q3 module gets 0x05, 0x06 and the apply command 0x04.

#include "common/ParamRecords.h"
#include "common/StoredAnswers.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QTimer;
class ModuleEndpoint;

// Command codes of the writes.
enum SaveCommand : quint8 {
    CmdRestart = 0x02,
    CmdApply = 0x04,
    CmdWriteBase = 0x05,
    CmdWritePort = 0x06,
    CmdWriteCloud = 0x0C,
    CmdWriteHeartReg = 0x21,
    CmdWriteHttpdUrl = 0x22,
    CmdWriteHttpdHeader = 0x23,
    CmdWriteModbus = 0x24,
};

// The pauses of a save, in milliseconds.
inline constexpr int kSavePauseMs = 500;     // after each block write but the Modbus ones
inline constexpr int kRestartPauseMs = 1500; // before the final restart of a Q2 save
// The first firmware version that keeps the heartbeat, registration and HTTPD blocks.
inline constexpr int kFirstExtendedVersion = 4017;

// Which module port a frame goes to: 1500 for a Q2 module, 1901 for a Q3 module.
enum class PortFamily { Q2, Q3 };

// Which row a frame is addressed to. The base, port and final frames go to the row selected
// when the save starts; the cloud, heartbeat, HTTPD and Modbus frames to the Q2 row clicked
// (read) last, whose blocks they were built on. Both are the same row unless the selection
// moved without a click.
enum class SaveTarget { Selected, LastClicked };

struct PlannedFrame
{
    quint8 code = 0;
    QByteArray data;
    PortFamily family = PortFamily::Q2;
    SaveTarget target = SaveTarget::Selected;
    int pauseBeforeMs = 0;
};

// Why a plan holds no frames.
enum class SaveRefusal {
    None,
    Validation, // the panel's check failed and has shown its message
    NoReadYet,  // the hidden UPNP port holds no number: the module's blocks were never read
    BadField,   // a field could not be converted into its block (see badField)
};

struct SavePlan
{
    QList<PlannedFrame> frames;
    // Texts (by language key) to show once when the save starts: lang_DeviceId or lang_CommCode
    // when the cloud block is skipped because its device ID or code does not fill its field.
    QStringList messageKeys;
    SaveRefusal refusal = SaveRefusal::None;
    quint8 badBlock = 0; // the command whose block could not be built
    QString badField;    // the record field that could not be converted

    bool refused() const { return refusal != SaveRefusal::None; }
};

// What a Q2 save writes, as collected from the Q2 panel.
struct Q2SaveInput
{
    BaseParams base;
    bool upnpPortKnown = false; // the hidden UPNP field held a number (it does after a read)
    PortParams port;            // port.cloudEnabled selects the cloud registration
    CloudParams cloud;
    HeartRegParams heartReg;
    bool httpdVisible = false;
    HttpdParams httpd;
    bool modbusShortVisible = false;
    int modbusShortForm = 1; // 4 when the polling controls are shown, else 1
    ModbusParams modbusShort;
    bool modbusPackVisible = false;
    ModbusPackParams modbusPack;
    bool modbusNewVisible = false;
    ModbusNewParams modbusNew;
    int version = 0; // the module's firmware version as listed
};

// Builds every block the save sends inside a copy of `stored` (read-modify-write) and lists the
// frames. Only when nothing is refused does the copy replace `stored`; a refused plan has no
// frames and leaves `stored` as it was.
SavePlan buildQ2SavePlan(const Q2SaveInput &in, StoredAnswers &stored);

// The Q3 save: base block, port block, apply; all to port 1901.
SavePlan buildQ3SavePlan(const BaseParams &base, const PortParams &port, StoredAnswers &stored);

// The module a frame is addressed to: the socket that found it and its MAC.
struct SaveAddress
{
    int socketIndex = 0;
    QString mac;
};

// Plays a plan through the endpoint: each frame after its pause, frames without a pause at once,
// one after the other. Never blocks; the owner disables its save buttons between started() and
// finished().
class SaveRunner : public QObject
{
    Q_OBJECT
public:
    explicit SaveRunner(ModuleEndpoint *endpoint, QObject *parent = nullptr);
    ~SaveRunner() override;

    // False (and nothing happens) while a plan is running or when the plan has no frames.
    bool start(const SavePlan &plan, const SaveAddress &selected, const SaveAddress &lastClicked,
               const QString &user, const QString &password);
    // Drops the frames not yet sent; finished() follows when a plan was running.
    void stop();
    bool isRunning() const { return m_running; }

signals:
    void started();
    void frameSent(int index, quint8 code);
    void finished();

private:
    void sendDueFrames();
    void sendFrame(const PlannedFrame &frame);
    void finish();

    QPointer<ModuleEndpoint> m_endpoint;
    QTimer *m_timer;
    QList<PlannedFrame> m_frames;
    int m_next = 0;
    bool m_running = false;
    SaveAddress m_selected;
    SaveAddress m_lastClicked;
    QString m_user;
    QString m_password;
};
