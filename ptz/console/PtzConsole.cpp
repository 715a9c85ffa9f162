#include "console/PtzConsole.h"

#include "console/ConsoleAboutBox.h"
#include "console/ConsolePictures.h"
#include "console/DeviceControlArea.h"
#include "console/LinkPanel.h"
#include "console/PadButton.h"
#include "link/DeviceIp.h"
#include "schedules/ScheduleBoard.h"
#include "schedules/ScheduleCheck.h"
#include "schedules/ScheduleRowDialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// 15555 x 9705 twips at 15 twips to the pixel.
constexpr int kWindowWidth = 1037;
constexpr int kWindowHeight = 647;
constexpr int kAngleTicksPerRun = 6;
constexpr int kMotionDelayMs = 1000;
constexpr int kDefaultCruiseMode = 3;

const QString kCruiseOffCaption = QStringLiteral("自动  巡航");
const QString kCruiseOnCaption = QStringLiteral("取消  巡航");
const QString kDefaultDeviceIp = QStringLiteral("192.168.1.100");

} // namespace

QString PtzConsole::productTitle()
{
    return QStringLiteral("云台探照灯控制台");
}

QString PtzConsole::versionText()
{
    return QStringLiteral(PTZDESK_VERSION_TEXT);
}

PtzConsole::PtzConsole(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("云台控制"));
    buildWindow();
    connectControls();
    startSequence();
}

PtzConsole::~PtzConsole() = default;

void PtzConsole::buildWindow()
{
    setWindowTitle(productTitle() + QStringLiteral(" ") + versionText());
    // No maximise and no close command: the program ends through CmdExit only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);

    m_title = new QLabel(productTitle(), this);
    m_title->setObjectName(QStringLiteral("LblTitle"));
    m_title->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_linkPanel = new LinkPanel(m_link, this);

    auto *logFrame = new QGroupBox(QStringLiteral("显示区"), this);
    logFrame->setObjectName(QStringLiteral("显示区"));
    m_log = new QPlainTextEdit(logFrame);
    m_log->setObjectName(QStringLiteral("TxtDisplay"));
    m_log->setReadOnly(true);
    m_log->setAccessibleName(QStringLiteral("显示区"));
    auto *clear = new QPushButton(QStringLiteral("清空提示区"), logFrame);
    clear->setObjectName(QStringLiteral("CmdClearReceive"));
    clear->setAutoDefault(false);
    connect(clear, &QPushButton::clicked, &m_link, &PtzLink::clearLog);
    auto *logLayout = new QVBoxLayout(logFrame);
    logLayout->addWidget(m_log, 1);
    logLayout->addWidget(clear, 0, Qt::AlignRight);

    m_schedules = new ScheduleBoard(this);
    m_area = new DeviceControlArea(this);
    m_about = new ConsoleAboutBox(productTitle() + QStringLiteral(" ") + versionText(), this);

    // The strip along the bottom.
    auto *strip = new QFrame(this);
    strip->setObjectName(QStringLiteral("瞎搞区"));
    strip->setFrameShape(QFrame::StyledPanel);
    auto *about = new QPushButton(QStringLiteral("关于"), strip);
    about->setObjectName(QStringLiteral("CmdAbout"));
    about->setAutoDefault(false);
    connect(about, &QPushButton::clicked, m_about, &ConsoleAboutBox::showAbout);
    m_status = new QLineEdit(strip);
    m_status->setObjectName(QStringLiteral("TxtStatus"));
    m_status->setReadOnly(true);
    m_status->setAccessibleName(QStringLiteral("状态"));
    auto *banner = new QLabel(strip);
    banner->setObjectName(QStringLiteral("Image1"));
    banner->setPixmap(bannerPicture());
    auto *exit = new QPushButton(QStringLiteral("退出程序"), strip);
    exit->setObjectName(QStringLiteral("CmdExit"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &PtzConsole::exitSequence);
    QLineEdit *date = m_schedules->dateBox();
    QLineEdit *time = m_schedules->timeBox();
    date->setParent(strip);
    time->setParent(strip);
    date->setFixedWidth(100);
    time->setFixedWidth(80);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(6, 4, 6, 4);
    stripLayout->addWidget(about);
    stripLayout->addWidget(m_status, 1);
    stripLayout->addSpacing(12);
    stripLayout->addWidget(banner);
    stripLayout->addSpacing(12);
    stripLayout->addWidget(date);
    stripLayout->addWidget(time);
    stripLayout->addWidget(exit);

    auto *left = new QVBoxLayout;
    left->addWidget(m_linkPanel);
    left->addWidget(logFrame, 1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 0);
    columns->addWidget(m_schedules, 1);
    columns->addWidget(m_area, 0);
    m_linkPanel->setFixedWidth(300);
    logFrame->setFixedWidth(300);
    m_area->setFixedWidth(330);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_title);
    layout->addLayout(columns, 1);
    layout->addWidget(strip);

    // Children of the window so that they can be found by name like its controls.
    for (QTimer *timer :
         {&m_angleSendTimer, &m_angleQueryTimer, &m_motionAfterLightOn, &m_stopAfterLightOff})
        timer->setParent(this);
    m_angleSendTimer.setObjectName(QStringLiteral("AngleToEnquipmentTimer"));
    m_angleQueryTimer.setObjectName(QStringLiteral("AngleGetFromEnquipmentTimer"));
    m_motionAfterLightOn.setObjectName(QStringLiteral("CommandApply_3定时1000"));
    m_stopAfterLightOff.setObjectName(QStringLiteral("CommandApply_5定时1000"));
    for (QTimer *timer : {&m_angleSendTimer, &m_angleQueryTimer}) {
        timer->setInterval(20);
        timer->setTimerType(Qt::PreciseTimer);
    }
    // Precise timers started one after the other also fire in that order, so a row whose on-
    // and off-times are equal starts its motion and then stops it.
    for (QTimer *timer : {&m_motionAfterLightOn, &m_stopAfterLightOff}) {
        timer->setInterval(kMotionDelayMs);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setSingleShot(true);
    }
}

void PtzConsole::connectControls()
{
    connect(&m_link, &PtzLink::statusChanged, m_status, &QLineEdit::setText);
    connect(&m_link, &PtzLink::logChanged, this, &PtzConsole::showLog);
    connect(&m_link, &PtzLink::promptRequested, this, &PtzConsole::prompt);

    for (const DeviceControlArea::Pad &pad : m_area->pad) {
        const PadDirection direction = pad.direction;
        connect(pad.button, &PadButton::held, this, [this, direction] { onPadHeld(direction); });
        connect(pad.button, &PadButton::letGo, this, &PtzConsole::onPadLetGo);
    }
    connect(m_area->cruise, &QPushButton::clicked, this, &PtzConsole::onCruiseClicked);
    connect(m_area->cruiseMode, &QComboBox::activated, this, &PtzConsole::onCruiseModeChosen);
    connect(m_area->callPreset, &QPushButton::clicked, this,
            [this] { onPresetAction(&callPresetFrame); });
    connect(m_area->setPreset, &QPushButton::clicked, this,
            [this] { onPresetAction(&setPresetFrame); });
    connect(m_area->deletePreset, &QPushButton::clicked, this,
            [this] { onPresetAction(&deletePresetFrame); });
    connect(m_area->callTrack, &QPushButton::clicked, this, &PtzConsole::onCallTrack);
    connect(m_area->stopTrack, &QPushButton::clicked, this, &PtzConsole::stopMotion);
    connect(m_area->lightOn, &QPushButton::clicked, this, [this] {
        if (const auto address = deviceAddress())
            m_link.sendFrame(lightOnFrame(*address));
    });
    connect(m_area->lightOff, &QPushButton::clicked, this, [this] {
        if (const auto address = deviceAddress())
            m_link.sendFrame(lightOffFrame(*address));
    });
    for (const DeviceControlArea::LightButton &light : m_area->lightModes) {
        const LightMode mode = light.mode;
        const quint8 level = light.level;
        connect(light.button, &QPushButton::clicked, this, [this, mode, level] {
            if (const auto address = deviceAddress())
                sendLightCommand(*address, mode, level);
        });
    }
    connect(m_area->brightness, &QScrollBar::valueChanged, this, [this](int value) {
        if (const auto address = deviceAddress())
            sendLightCommand(*address, LightMode::Level, quint8(value));
    });
    connect(m_area->deviceNumber, &QComboBox::activated, this, &PtzConsole::onDeviceNumberChosen);

    connect(m_area->panAngle, &QLineEdit::textChanged, this,
            [this] { onAngleEdited(m_area->panAngle, 360); });
    connect(m_area->tiltAngle, &QLineEdit::textChanged, this,
            [this] { onAngleEdited(m_area->tiltAngle, 180); });
    // A click during a run leaves the run as it is.
    connect(m_area->sendAngles, &QPushButton::clicked, this, [this] {
        if (!m_angleSendTimer.isActive())
            m_angleSendTimer.start();
    });
    connect(m_area->queryPosition, &QPushButton::clicked, this, [this] {
        if (!m_angleQueryTimer.isActive())
            m_angleQueryTimer.start();
    });
    connect(&m_angleSendTimer, &QTimer::timeout, this, &PtzConsole::onAngleSendTick);
    connect(&m_angleQueryTimer, &QTimer::timeout, this, &PtzConsole::onAngleQueryTick);
    connect(&m_motionAfterLightOn, &QTimer::timeout, this, [this] { runMotionMode(m_motionMode); });
    connect(&m_stopAfterLightOff, &QTimer::timeout, this, &PtzConsole::stopMotion);

    // The schedules fire through the console's operations.
    connect(m_schedules, &ScheduleBoard::lightOnDue, this, [this](int row) {
        parseMotionMode(row);
        scheduledLightOn();
    });
    connect(m_schedules, &ScheduleBoard::lightOffDue, this, [this](int row) {
        parseMotionMode(row);
        scheduledLightOff();
    });
    connect(m_schedules, &ScheduleBoard::scheduleMissed, this,
            [this](int, const QString &text) { m_link.logNote(text); });
    connect(m_schedules, &ScheduleBoard::fileTrouble, this,
            [this](const QString &text) { m_link.logNote(text); });
    m_schedules->setNotifier([this](QWidget *parent, const QString &text) {
        if (m_prompt)
            m_prompt(parent, text);
    });
}

void PtzConsole::startSequence()
{
    setFixedSize(kWindowWidth, kWindowHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
    }

    m_linkPanel->enumerateComPorts();
    m_schedules->setDeviceIpText(kDefaultDeviceIp);
    m_schedules->loadFiles();
    m_linkPanel->deviceIp()->setText(m_schedules->deviceIpText());
    m_link.selectSerial();
    m_status->setText(m_link.statusText());

    m_area->deviceNumber->setCurrentIndex(0);
    m_area->preset->setCurrentIndex(0);
    m_area->track->setCurrentIndex(0);
    // Choosing the third cruise mode sets both speeds to 63; the selector then stays disabled,
    // so the speeds change by hand only.
    m_area->cruiseMode->setCurrentIndex(kDefaultCruiseMode - 1);
    onCruiseModeChosen(kDefaultCruiseMode - 1);
    m_area->cruiseMode->setEnabled(false);
}

void PtzConsole::exitSequence()
{
    // The files first: a save that fails keeps the console open once (link and all), so the
    // operator reads why; exiting again exits.
    m_schedules->setDeviceIpText(m_linkPanel->deviceIp()->text());
    QStringList failures;
    if (m_schedules->saveFiles(&failures)) {
        m_saveFailureTold = false;
    } else if (!m_saveFailureTold) {
        m_saveFailureTold = true;
        const QString text = failures.join(QLatin1Char('\n'));
        m_link.logNote(text);
        prompt(text);
        return;
    }
    m_link.shutdown();
    m_angleSendTimer.stop();
    m_angleQueryTimer.stop();
    m_motionAfterLightOn.stop();
    m_stopAfterLightOff.stop();
    m_schedules->rowDialog()->hide();
    m_about->hide();
    m_exiting = true;
    close();
    emit exitRequested();
}

void PtzConsole::closeEvent(QCloseEvent *event)
{
    if (m_exiting)
        event->accept();
    else
        event->ignore();
}

void PtzConsole::setPromptFunction(PromptFunction prompt)
{
    m_prompt = std::move(prompt);
}

void PtzConsole::prompt(const QString &text)
{
    if (m_prompt)
        m_prompt(this, text);
}

std::optional<quint8> PtzConsole::readSelector(QComboBox *selector)
{
    if (!m_link.isUp())
        return std::nullopt;
    const auto value = byteFromSelectorText(selector->currentText());
    if (!value)
        prompt(m_area->captionOf(selector) + QStringLiteral("请输入 0-255 之间的数字"));
    return value;
}

std::optional<quint8> PtzConsole::deviceAddress()
{
    return readSelector(m_area->deviceNumber);
}

void PtzConsole::showLog(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_log->setPlainText(shown);
    m_log->moveCursor(QTextCursor::End);
    m_log->ensureCursorVisible();
}

// --- the pad and the motions

void PtzConsole::onPadHeld(PadDirection direction)
{
    const auto address = deviceAddress();
    if (!address)
        return;
    const bool pans = direction != PadDirection::Up && direction != PadDirection::Down;
    const bool tilts = direction != PadDirection::Left && direction != PadDirection::Right;
    const auto pan = pans ? readSelector(m_area->panSpeed) : std::optional<quint8>(0);
    if (!pan)
        return;
    const auto tilt = tilts ? readSelector(m_area->tiltSpeed) : std::optional<quint8>(0);
    if (!tilt)
        return;
    m_link.sendFrame(moveFrame(*address, direction, *pan, *tilt));
}

void PtzConsole::onPadLetGo()
{
    // A stop needs no speed; with a bad device number the press sent nothing either.
    if (const auto address = byteFromSelectorText(m_area->deviceNumber->currentText()))
        m_link.sendFrame(stopFrame(*address));
}

void PtzConsole::onCruiseClicked()
{
    if (!m_link.isUp()) {
        prompt(QStringLiteral("请先连接设备再操作!"));
        return;
    }
    const auto address = deviceAddress();
    if (!address)
        return;
    m_autoCruiseOn = !m_autoCruiseOn;
    m_area->cruise->setText(m_autoCruiseOn ? kCruiseOnCaption : kCruiseOffCaption);
    for (const DeviceControlArea::Pad &pad : m_area->pad)
        pad.button->setEnabled(!m_autoCruiseOn);
    m_link.sendFrame(m_autoCruiseOn ? autoCruiseFrame(*address) : stopFrame(*address));
}

void PtzConsole::onCruiseModeChosen(int index)
{
    const QString text = m_area->cruiseMode->itemText(index);
    if (text == QStringLiteral("巡航一"))
        applyCruiseMode(1);
    else if (text == QStringLiteral("巡航二"))
        applyCruiseMode(2);
    else if (text == QStringLiteral("巡航三"))
        applyCruiseMode(3);
}

void PtzConsole::onPresetAction(QByteArray (*builder)(quint8, quint8))
{
    const auto address = deviceAddress();
    if (!address)
        return;
    if (const auto preset = readSelector(m_area->preset))
        m_link.sendFrame(builder(*address, *preset));
}

void PtzConsole::onCallTrack()
{
    const auto address = deviceAddress();
    if (!address)
        return;
    if (const auto track = readSelector(m_area->track))
        m_link.sendFrame(callTrackFrame(*address, *track));
}

void PtzConsole::runMotionMode(int mode)
{
    if (mode >= 1 && mode <= 9) {
        if (const auto address = deviceAddress())
            m_link.sendFrame(callTrackFrame(*address, quint8(mode - 1)));
    } else if (mode == 10) {
        startAutoCruise();
    }
}

void PtzConsole::startAutoCruise()
{
    if (const auto address = deviceAddress())
        m_link.sendFrame(autoCruiseFrame(*address));
}

void PtzConsole::stopMotion()
{
    if (const auto address = deviceAddress())
        m_link.sendFrame(stopFrame(*address));
}

void PtzConsole::applyCruiseMode(int mode)
{
    QString pan;
    QString tilt;
    switch (mode) {
    case 1:
        pan = QStringLiteral("63"), tilt = QStringLiteral("5");
        break;
    case 2:
        pan = QStringLiteral("5"), tilt = QStringLiteral("63");
        break;
    case 3:
        pan = QStringLiteral("63"), tilt = QStringLiteral("63");
        break;
    default:
        return;
    }
    m_area->panSpeed->setCurrentText(pan);
    m_area->tiltSpeed->setCurrentText(tilt);
}

void PtzConsole::scheduledLightOn()
{
    if (const auto address = deviceAddress())
        m_link.sendFrame(lightOnFrame(*address));
    m_motionAfterLightOn.start();
}

void PtzConsole::scheduledLightOff()
{
    if (const auto address = deviceAddress())
        m_link.sendFrame(lightOffFrame(*address));
    m_stopAfterLightOff.start();
}

void PtzConsole::parseMotionMode(int index)
{
    m_motionMode = 0;
    if (index < 0 || index >= kScheduleRowCount)
        return;
    m_motionMode = scheduleMotionMode(m_schedules->displayLine(index));
}

void PtzConsole::sendLightCommand(quint8 address, LightMode mode, quint8 level)
{
    m_link.sendLightFrame(lightFrame(address, mode, level));
}

// --- device number and angles

void PtzConsole::onDeviceNumberChosen(int index)
{
    if (!m_link.view().networkChecked)
        return;
    const auto number = byteFromSelectorText(m_area->deviceNumber->itemText(index));
    if (!number) {
        prompt(m_area->captionOf(m_area->deviceNumber) + QStringLiteral("请输入 0-255 之间的数字"));
        return;
    }
    m_link.dropForNewDevice();
    QLineEdit *ip = m_linkPanel->deviceIp();
    ip->setText(setDeviceIpFromNumber(ip->text(), *number));
}

void PtzConsole::onAngleEdited(QLineEdit *box, double maxDegrees)
{
    const auto value = numberFromText(box->text());
    if (!value || (*value >= 0 && *value <= maxDegrees))
        return;
    prompt(QStringLiteral("角度范围：0-%1，请输入正确的角度").arg(maxDegrees));
    box->setText(QString());
}

// Each run lasts six ticks: the pan frame at the first, the tilt frame at the sixth. A box that
// holds no angle in range at its tick skips its frame; the run goes on.
void PtzConsole::onAngleSendTick()
{
    ++m_angleSendTicks;
    if (m_angleSendTicks != 1 && m_angleSendTicks != kAngleTicksPerRun)
        return;
    const bool pan = m_angleSendTicks == 1;
    if (!pan) {
        m_angleSendTicks = 0;
        m_angleSendTimer.stop();
    }
    const auto address = byteFromSelectorText(m_area->deviceNumber->currentText());
    const auto angle = pan ? angleFromText(m_area->panAngle->text(), 360)
                           : angleFromText(m_area->tiltAngle->text(), 180);
    if (!address || !angle)
        return;
    m_link.sendFrame(pan ? setPanPositionFrame(*address, *angle)
                         : setTiltPositionFrame(*address, *angle));
}

void PtzConsole::onAngleQueryTick()
{
    ++m_angleQueryTicks;
    if (m_angleQueryTicks != 1 && m_angleQueryTicks != kAngleTicksPerRun)
        return;
    const bool pan = m_angleQueryTicks == 1;
    if (!pan) {
        m_angleQueryTicks = 0;
        m_angleQueryTimer.stop();
    }
    if (const auto address = byteFromSelectorText(m_area->deviceNumber->currentText()))
        m_link.sendFrame(pan ? queryPanPositionFrame(*address) : queryTiltPositionFrame(*address));
}
