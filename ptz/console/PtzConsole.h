#pragma once

// The console window `云台控制`: the link frame, the traffic log, the schedule list and the
// device control area, with every handler, timer and motion operation of the console. It owns
// the link (PtzLink) and the schedule list (ScheduleBoard) and builds every frame it sends with
// the pure builders of the protocol.
//
// The window closes only through `CmdExit`, which closes the link, saves the schedule files and
// emits exitRequested().

#include "console/ConsolePrompt.h"
#include "link/PtzLink.h"
#include "protocol/PtzFrames.h"

#include <QTimer>
#include <QWidget>

#include <optional>

class DeviceControlArea;
class FrmAbout;
class LinkPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ScheduleBoard;

class PtzConsole : public QWidget
{
    Q_OBJECT

public:
    static QString ProductTitle();
    static QString VersionText();

    explicit PtzConsole(QWidget *parent = nullptr);
    ~PtzConsole() override;

    // --- operations of the console, used by the schedules
    // 1..9: call track mode - 1; 10: start auto cruise; anything else: nothing.
    void RunMotionMode(int mode);
    void StartAutoCruise();
    void StopMotion();
    // Sets the speed selectors: 1 -> 63 / 5, 2 -> 5 / 63, 3 -> 63 / 63; sends nothing.
    void ApplyCruiseMode(int mode);
    // Light on now and RunMotionMode(MotionMode) one second later.
    void ScheduledLightOn();
    // Light off now and StopMotion one second later.
    void ScheduledLightOff();
    // MotionMode from the motion word of schedule row `index` (0 when there is no such row).
    void ParseMotionMode(int index);
    void SendLightCommand(quint8 address, LightMode mode, quint8 level);

    int MotionMode() const { return m_motionMode; }
    bool AutoCruiseOn() const { return m_autoCruiseOn; }

    PtzLink &Link() { return m_link; }
    ScheduleBoard *Schedules() const { return m_schedules; }
    // Prompts of the console and of the schedules go through `prompt` (tests record them).
    void SetPromptFunction(PromptFunction prompt);

    // The exit sequence of `CmdExit`.
    void ExitSequence();

signals:
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildWindow();
    void ConnectControls();
    void StartSequence();
    void Prompt(const QString &text);

    // A selector's byte, or nothing. While the link is up a bad text is refused with a prompt;
    // while it is down nothing would leave anyway, so nothing is said.
    std::optional<quint8> ReadSelector(QComboBox *selector);
    std::optional<quint8> Address();

    void OnPadHeld(PadDirection direction);
    void OnPadLetGo();
    void OnCruiseClicked();
    void OnCruiseModeChosen(int index);
    void OnPresetAction(QByteArray (*builder)(quint8, quint8));
    void OnCallTrack();
    void OnDeviceNumberChosen(int index);
    void OnAngleEdited(QLineEdit *box, double maxDegrees);
    void OnAngleSendTick();
    void OnAngleQueryTick();
    void ShowLog(const QString &text);

    PtzLink m_link;
    PromptFunction m_prompt = ShowPrompt;
    LinkPanel *m_linkPanel = nullptr;
    DeviceControlArea *m_area = nullptr;
    ScheduleBoard *m_schedules = nullptr;
    FrmAbout *m_about = nullptr;
    QLabel *m_title = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QLineEdit *m_status = nullptr;

    QTimer m_angleSendTimer;  // AngleToEnquipmentTimer
    QTimer m_angleQueryTimer; // AngleGetFromEnquipmentTimer
    int m_angleSendTicks = 0;
    int m_angleQueryTicks = 0;
    QTimer m_motionAfterLightOn; // CommandApply_3定时1000
    QTimer m_stopAfterLightOff;  // CommandApply_5定时1000

    bool m_autoCruiseOn = false;
    int m_motionMode = 0;
    bool m_exiting = false;
};
