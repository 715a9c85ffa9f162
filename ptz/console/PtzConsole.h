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
class ConsoleAboutBox;
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
    static QString productTitle();
    static QString versionText();

    explicit PtzConsole(QWidget *parent = nullptr);
    ~PtzConsole() override;

    // --- operations of the console, used by the schedules
    // 1..9: call track mode - 1; 10: start auto cruise; anything else: nothing.
    void runMotionMode(int mode);
    void startAutoCruise();
    void stopMotion();
    // Sets the speed selectors: 1 -> 63 / 5, 2 -> 5 / 63, 3 -> 63 / 63; sends nothing.
    void applyCruiseMode(int mode);
    // Light on now and runMotionMode(motionMode) one second later.
    void scheduledLightOn();
    // Light off now and stopMotion one second later.
    void scheduledLightOff();
    // motionMode from the motion word of schedule row `index` (0 when there is no such row).
    void parseMotionMode(int index);
    void sendLightCommand(quint8 address, LightMode mode, quint8 level);

    int motionMode() const { return m_motionMode; }
    bool autoCruiseOn() const { return m_autoCruiseOn; }

    PtzLink &link() { return m_link; }
    ScheduleBoard *schedules() const { return m_schedules; }
    // Prompts of the console and of the schedules go through `prompt` (tests record them).
    void setPromptFunction(PromptFunction prompt);

    // The exit sequence of `CmdExit`.
    void exitSequence();

signals:
    void exitRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void connectControls();
    void startSequence();
    void prompt(const QString &text);

    // A selector's byte, or nothing. While the link is up a bad text is refused with a prompt;
    // while it is down nothing would leave anyway, so nothing is said.
    std::optional<quint8> readSelector(QComboBox *selector);
    std::optional<quint8> deviceAddress();

    void onPadHeld(PadDirection direction);
    void onPadLetGo();
    void onCruiseClicked();
    void onCruiseModeChosen(int index);
    void onPresetAction(QByteArray (*builder)(quint8, quint8));
    void onCallTrack();
    void onDeviceNumberChosen(int index);
    void onAngleEdited(QLineEdit *box, double maxDegrees);
    void onAngleSendTick();
    void onAngleQueryTick();
    void showLog(const QString &text);

    PtzLink m_link;
    PromptFunction m_prompt = showPrompt;
    LinkPanel *m_linkPanel = nullptr;
    DeviceControlArea *m_area = nullptr;
    ScheduleBoard *m_schedules = nullptr;
    ConsoleAboutBox *m_about = nullptr;
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
    bool m_saveFailureTold = false; // a failed save of the schedule files was said
};
