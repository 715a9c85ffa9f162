#include "SimProcess.h"
#include "console/PadButton.h"
#include "console/PtzConsole.h"
#include "schedules/ScheduleBoard.h"
#include "schedules/ScheduleRowDialog.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const QString kDown = QStringLiteral("连   接");
const QString kUp = QStringLiteral("断开连接");

// One console window on files in a temporary folder, its prompts recorded instead of shown.
struct Console
{
    QTemporaryDir files;
    std::unique_ptr<PtzConsole> window;
    QStringList prompts;

    Console()
    {
        qputenv("X7_FILES_DIR", files.path().toLocal8Bit());
        window = std::make_unique<PtzConsole>();
        window->setPromptFunction([this](QWidget *, const QString &text) { prompts.append(text); });
        window->show();
        QApplication::setActiveWindow(window.get());
    }
    ~Console()
    {
        if (window->isVisible())
            window->exitSequence();
    }

    template<class T> T *find(const QString &name) const
    {
        T *found = window->findChild<T *>(name);
        if (!found)
            qWarning("no control %s", qPrintable(name));
        return found;
    }
    QPushButton *button(const QString &name) const { return find<QPushButton>(name); }
    QComboBox *combo(const QString &name) const { return find<QComboBox>(name); }
    QLineEdit *edit(const QString &name) const { return find<QLineEdit>(name); }
    PadButton *pad(const QString &name) const { return find<PadButton>(name); }
    QString caption() const { return button("连接And断开连接")->text(); }
    QString status() const { return edit("TxtStatus")->text(); }
    QString log() const { return find<QPlainTextEdit>("TxtDisplay")->toPlainText(); }

    bool connectTcp(quint16 port)
    {
        if (!find<QCheckBox>("网络")->isChecked())
            find<QCheckBox>("网络")->click();
        edit("设备IP")->setText("127.0.0.1");
        window->link().setRemotePort(port);
        button("连接And断开连接")->click();
        return QTest::qWaitFor([this] { return caption() == kUp; }, 5000);
    }
    bool openSerial(const QString &device)
    {
        combo("ComboComm")->setEditText(device);
        button("连接And断开连接")->click();
        return caption() == kUp;
    }
};

} // namespace

class TestPtzConsole : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void startState();
    void closesOnlyThroughExit();
    void linkStateTableWithCaptions();
    void linkKindFollowsAnyValueChange_data();
    void linkKindFollowsAnyValueChange();
    void accessibleNamesAreCaptions();
    void linkDownDropsEverything();
    void anglesSentAndPositionQueried();
    void angleRunsSendOnTheirTicks();
    void angleBoxesRefuseOutOfRange();
    void angleRunSkipsEmptyBox();
    void padPressAndRelease();
    void padStopsWhenLetGoOutsideOrFocusLost();
    void keyboardDoesNotMovePad();
    void autoCruiseToggle();
    void presetsTracksAndLight();
    void lightModesAndBrightness();
    void brightnessSendsOncePerDragOrStep();
    void badSelectorRefused();
    void deviceNumberRetargetsNetworkLink();
    void scheduledRowFiresLightThenMotion();
    void missedScheduleLoggedNotFired();
    void motionOperations();
    void serialOverPtyWithSplitReply();
    void serialUnplugAndGarbageNeverCrash();
    void aboutBox();
    void promptBoxDoesNotBlock();
    void screenshotConnected();

private:
    SimProcess m_sim; // a head on TCP shared by the tests that need no special options
    int m_seen = 0;
    QStringList newFrames(int count);
};

void TestPtzConsole::initTestCase()
{
    QVERIFY2(m_sim.startTcp({"--pan", "60", "--tilt", "45"}), "ptzsim did not start");
}

// The shared head must never have received bytes that are no frame.
void TestPtzConsole::cleanup()
{
    m_sim.checkNoMalformedFrames(__FILE__, __LINE__);
}

void TestPtzConsole::cleanupTestCase()
{
    m_sim.settleAndCheck(__FILE__, __LINE__);
}

// The frames the head received since the last call; waits until `count` have arrived.
QStringList TestPtzConsole::newFrames(int count)
{
    m_sim.waitForFrames(m_seen + count);
    const QStringList all = m_sim.framesReceived();
    const QStringList fresh = all.mid(m_seen);
    m_seen = int(all.size());
    return fresh;
}

void TestPtzConsole::startState()
{
    Console c;
    QCOMPARE(c.window->objectName(), QString("云台控制"));
    QCOMPARE(c.window->windowTitle(), QString("云台探照灯控制台 V3.1.2"));
    QVERIFY(!(c.window->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(c.window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(c.window->size(), QSize(1037, 647));

    QVERIFY(c.find<QCheckBox>("串口")->isChecked());
    QVERIFY(!c.find<QCheckBox>("网络")->isChecked());
    QVERIFY(!c.edit("设备IP")->isEnabled());
    QVERIFY(c.combo("ComboComm")->isEnabled());
    QCOMPARE(c.caption(), kDown);
    QCOMPARE(c.status(), QString("串口已就绪"));
    QVERIFY(c.find<QLabel>("ImgSwitchOff")->isVisible());
    QVERIFY(!c.find<QLabel>("ImgSwitchOn")->isVisible());
    QVERIFY(c.find<QPlainTextEdit>("TxtDisplay")->isReadOnly());

    QCOMPARE(c.combo("探照灯")->currentText(), QString("00"));
    QCOMPARE(c.combo("探照灯")->count(), 256);
    QCOMPARE(c.combo("预置位")->currentText(), QString("01"));
    QCOMPARE(c.combo("预置位")->count(), 255);
    QCOMPARE(c.combo("巡迹")->currentText(), QString("00"));
    QCOMPARE(c.combo("巡迹")->count(), 9);
    QCOMPARE(c.combo("巡航模式")->currentText(), QString("巡航三"));
    QVERIFY(!c.combo("巡航模式")->isEnabled());
    QCOMPARE(c.combo("水平速度")->currentText(), QString("63"));
    QCOMPARE(c.combo("垂直速度")->currentText(), QString("63"));
    QCOMPARE(c.combo("水平速度")->count(), 65);
    QCOMPARE(c.edit("水平角度")->text(), QString("60"));
    QCOMPARE(c.edit("垂直角度")->text(), QString("60"));
    QCOMPARE(c.button("中")->text(), QString("自动  巡航"));
    const QScrollBar *slider = c.find<QScrollBar>("HScroll1");
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 100);
    QCOMPARE(c.edit("设备IP")->text(), QString("192.168.1.100"));
    QVERIFY(c.find<ScheduleBoard>("Frame1"));
    QTRY_VERIFY(!c.edit("TxtTime")->text().isEmpty());
    QCOMPARE(c.edit("TxtDate")->text(), QDate::currentDate().toString("yyyy-MM-dd"));
    QVERIFY(c.prompts.isEmpty());
}

void TestPtzConsole::closesOnlyThroughExit()
{
    Console c;
    c.edit("设备IP")->setText("10.1.2.3"); // saved at exit though the box is disabled
    QVERIFY(!c.window->close());
    QVERIFY(c.window->isVisible());

    QSignalSpy exit(c.window.get(), &PtzConsole::exitRequested);
    c.button("CmdExit")->click();
    QCOMPARE(exit.count(), 1);
    QVERIFY(!c.window->isVisible());
    QFile ip(QDir(c.files.path()).filePath("123.ini"));
    QVERIFY(ip.open(QIODevice::ReadOnly));
    QCOMPARE(ip.readAll(), QByteArray("10.1.2.3\r\n"));
    QVERIFY(QFile::exists(QDir(c.files.path()).filePath("321.ini")));
    QVERIFY(QFile::exists(QDir(c.files.path()).filePath("322.ini")));

    // The next start reads the address back.
    PtzConsole again;
    QCOMPARE(again.findChild<QLineEdit *>("设备IP")->text(), QString("10.1.2.3"));
    again.exitSequence();
}

void TestPtzConsole::linkStateTableWithCaptions()
{
    Console c;
    auto *serial = c.find<QCheckBox>("串口");
    auto *network = c.find<QCheckBox>("网络");

    // Clicking the checked kind box switches to the other kind.
    serial->click();
    QVERIFY(network->isChecked() && !serial->isChecked());
    QCOMPARE(c.status(), QString("网络已就绪"));
    QVERIFY(c.edit("设备IP")->isEnabled() && !c.combo("ComboComm")->isEnabled());
    network->click();
    QVERIFY(serial->isChecked() && !network->isChecked());
    QCOMPARE(c.status(), QString("串口已就绪"));

    // network idle -> connecting -> up -> idle
    network->click();
    c.edit("设备IP")->setText("127.0.0.1");
    c.window->link().setRemotePort(m_sim.tcpPort());
    c.button("连接And断开连接")->click();
    QCOMPARE(c.caption(), kDown);
    QTRY_COMPARE(c.caption(), kUp);
    QCOMPARE(c.status(), QString("已连接到 : 127.0.0.1"));
    QCOMPARE(c.prompts, QStringList{"设 备 已 连 接 ！ ！ ！"});
    QVERIFY(c.find<QLabel>("ImgSwitchOn")->isVisible());
    QVERIFY(!c.find<QLabel>("ImgSwitchOff")->isVisible());
    for (const char *name : {"串口", "网络"})
        QVERIFY(!c.find<QCheckBox>(name)->isEnabled());
    QVERIFY(!c.combo("ComboComm")->isEnabled());
    QVERIFY(!c.button("搜索")->isEnabled());
    QVERIFY(!c.edit("设备IP")->isEnabled());

    c.button("连接And断开连接")->click();
    QCOMPARE(c.caption(), kDown);
    QCOMPARE(c.status(), QString("连接已断开..."));
    QVERIFY(c.find<QLabel>("ImgSwitchOff")->isVisible());
    QVERIFY(serial->isEnabled() && network->isEnabled() && c.button("搜索")->isEnabled());

    // Connect and close again before the device answers.
    c.button("连接And断开连接")->click();
    c.button("连接And断开连接")->click();
    QCOMPARE(c.caption(), kDown);
    QCOMPARE(c.status(), QString("连接已断开..."));

    // Serial idle -> the port does not exist: stays idle and says so.
    serial->click();
    QVERIFY(!c.openSerial("/dev/ptzdesk-missing"));
    QCOMPARE(c.status(), QString("/dev/ptzdesk-missing，打开失败"));
    QVERIFY(serial->isChecked() && c.combo("ComboComm")->isEnabled());
}

void TestPtzConsole::linkKindFollowsAnyValueChange_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("how");
    QTest::newRow("toggle action on 网络") << "网络"
                                           << "toggle";
    QTest::newRow("press action on 网络") << "网络"
                                          << "press";
    QTest::newRow("toggle action on the checked 串口") << "串口"
                                                       << "toggle";
    QTest::newRow("space key on 网络") << "网络"
                                       << "space";
    QTest::newRow("setChecked on 网络") << "网络"
                                        << "code";
    QTest::newRow("setChecked(false) on 串口") << "串口"
                                               << "uncheck";
}

// However a kind box is changed (a screen reader's actions, the keyboard, code), exactly one box
// is checked and the link takes that kind: the network link then really connects; changed
// back the same way, the serial kind returns.
void TestPtzConsole::linkKindFollowsAnyValueChange()
{
    QFETCH(QString, box);
    QFETCH(QString, how);
    Console c;
    auto *serial = c.find<QCheckBox>("串口");
    auto *network = c.find<QCheckBox>("网络");
    auto change = [&](QCheckBox *target) {
        if (how == "toggle" || how == "press") {
            QAccessibleInterface *face = QAccessible::queryAccessibleInterface(target);
            QVERIFY(face && face->actionInterface());
            face->actionInterface()->doAction(how == "toggle"
                                                  ? QAccessibleActionInterface::toggleAction()
                                                  : QAccessibleActionInterface::pressAction());
        } else if (how == "space") {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Space);
        } else {
            target->setChecked(how == "code");
        }
    };

    change(c.find<QCheckBox>(box));
    QTRY_VERIFY(network->isChecked());
    QVERIFY(!serial->isChecked());
    QCOMPARE(c.status(), QString("网络已就绪"));
    QVERIFY(c.edit("设备IP")->isEnabled() && !c.combo("ComboComm")->isEnabled());
    c.edit("设备IP")->setText("127.0.0.1");
    c.window->link().setRemotePort(m_sim.tcpPort());
    c.button("连接And断开连接")->click();
    QTRY_COMPARE(c.caption(), kUp);
    c.button("连接And断开连接")->click();
    QCOMPARE(c.caption(), kDown);

    // And back: the partner of the box just used.
    change(box == "网络" ? serial : network);
    QTRY_VERIFY(serial->isChecked());
    QVERIFY(!network->isChecked());
    QCOMPARE(c.status(), QString("串口已就绪"));
    QVERIFY(!c.edit("设备IP")->isEnabled() && c.combo("ComboComm")->isEnabled());
}

// Every control is announced by its own caption; a label's text describes a control that has a
// caption of its own and names one that has none.
void TestPtzConsole::accessibleNamesAreCaptions()
{
    Console c;
    c.window->schedules()->rowDialog()->show();
    auto strip = [](QString text) {
        text.remove(QLatin1Char('&'));
        return text.endsWith(QChar(u'：')) ? text.chopped(1) : text;
    };
    QHash<const QWidget *, QString> labelOf;
    for (const QLabel *label : c.window->findChildren<QLabel *>()) {
        if (label->buddy())
            labelOf.insert(label->buddy(), strip(label->text()));
    }
    int checked = 0;
    for (QWidget *w : c.window->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith("qt_"))
            continue;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w);
        QVERIFY(face);
        // On Unix the accessibility layer names a combo box by its current text and points at
        // its label; the name it was given is what other platforms announce.
        const QString name =
            qobject_cast<QComboBox *>(w) ? w->accessibleName() : face->text(QAccessible::Name);
        const QString what = w->objectName() + " announced as \"" + name + "\"";
        if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            QVERIFY2(name == strip(button->text()), qPrintable(what));
            if (labelOf.contains(w))
                QCOMPARE(face->text(QAccessible::Description), labelOf.value(w));
            ++checked;
        } else if (qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w) ||
                   qobject_cast<QAbstractSlider *>(w) || qobject_cast<QAbstractScrollArea *>(w)) {
            QVERIFY2(!name.isEmpty(), qPrintable(what));
            if (labelOf.contains(w))
                QVERIFY2(name == labelOf.value(w), qPrintable(what));
            ++checked;
        }
    }
    QVERIFY(checked > 40); // the walk reached the console's controls and the row dialog's
    QCOMPARE(QAccessible::queryAccessibleInterface(c.button("开"))->text(QAccessible::Name),
             QString("开"));
    QCOMPARE(QAccessible::queryAccessibleInterface(c.button("开"))->text(QAccessible::Description),
             QString("灯光"));
}

void TestPtzConsole::linkDownDropsEverything()
{
    Console c;
    QSignalSpy sent(&c.window->link(), &PtzLink::frameSent);
    QTest::mousePress(c.pad("上"), Qt::LeftButton);
    QTest::mouseRelease(c.pad("上"), Qt::LeftButton);
    c.button("开")->click();
    c.button("高亮")->click();
    c.button("调用")->click();
    c.find<QScrollBar>("HScroll1")->setValue(40);
    c.button("确认发送角度")->click();
    c.button("查询位置")->click();
    c.window->scheduledLightOn();
    QTest::qWait(200);
    QCOMPARE(sent.count(), 0);
    QVERIFY(c.log().isEmpty());
    QVERIFY(c.prompts.isEmpty());

    // Only the cruise button says why nothing happens.
    c.button("中")->click();
    QCOMPARE(c.prompts, QStringList{"请先连接设备再操作!"});
    QCOMPARE(c.button("中")->text(), QString("自动  巡航"));
    QVERIFY(!c.window->autoCruiseOn());
}

void TestPtzConsole::anglesSentAndPositionQueried()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    c.edit("水平角度")->setText("60");
    c.edit("垂直角度")->setText("45");
    c.button("确认发送角度")->click();
    c.button("确认发送角度")->click(); // during the run: changes nothing
    QCOMPARE(newFrames(2), (QStringList{"FF 01 00 4B 17 70 D3", "FF 01 00 4D 11 94 F3"}));

    c.button("查询位置")->click();
    c.button("查询位置")->click();
    QCOMPARE(newFrames(2), (QStringList{"FF 01 00 51 00 00 52", "FF 01 00 53 00 00 54"}));
    QTRY_VERIFY(c.log().contains("<--水平角度：60 °"));
    QTRY_VERIFY(c.log().contains("<--垂直角度：45 °"));
    QVERIFY(c.log().contains("-->发送：FF 01 00 51 00 00 52 "));
    QTest::qWait(150);
    QCOMPARE(newFrames(0), QStringList());

    // The head keeps the angle it was sent.
    c.edit("水平角度")->setText("359.99");
    c.button("确认发送角度")->click();
    newFrames(2);
    c.button("CmdClearReceive")->click();
    QVERIFY(c.log().isEmpty());
    c.button("查询位置")->click();
    QTRY_VERIFY(c.log().contains("<--水平角度：359.99 °"));
}

// Each run sends its first frame on its first tick and its second on its sixth; a click during
// the run neither restarts nor lengthens it.
void TestPtzConsole::angleRunsSendOnTheirTicks()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    c.edit("水平角度")->setText("60");
    c.edit("垂直角度")->setText("45");

    const struct
    {
        const char *button;
        const char *timer;
        QStringList frames;
    } runs[] = {
        {"确认发送角度",
         "AngleToEnquipmentTimer",
         {"FF 01 00 4B 17 70 D3", "FF 01 00 4D 11 94 F3"}},
        {"查询位置",
         "AngleGetFromEnquipmentTimer",
         {"FF 01 00 51 00 00 52", "FF 01 00 53 00 00 54"}},
    };
    for (const auto &run : runs) {
        auto *timer = c.window->findChild<QTimer *>(run.timer);
        QVERIFY(timer);
        int ticksDone = 0;
        QList<int> sentOnTick;
        QObject context;
        // The console handles a tick before this counter sees it.
        connect(&c.window->link(), &PtzLink::frameSent, &context,
                [&] { sentOnTick.append(ticksDone + 1); });
        connect(timer, &QTimer::timeout, &context, [&] {
            if (++ticksDone == 3)
                c.button(run.button)->click();
        });
        c.button(run.button)->click();
        QTRY_VERIFY(!timer->isActive());
        QTest::qWait(100);
        QCOMPARE(ticksDone, 6);
        QCOMPARE(sentOnTick, (QList<int>{1, 6}));

        QCOMPARE(newFrames(2), run.frames);
        const QList<qint64> times = m_sim.receiveTimes();
        const qint64 gap = times.last() - times.at(times.size() - 2);
        QVERIFY2(gap >= 90, qPrintable(QString("frames %1 ms apart").arg(gap)));
    }
    QTest::qWait(100);
    QCOMPARE(newFrames(0), QStringList()); // nothing after either run
}

void TestPtzConsole::angleBoxesRefuseOutOfRange()
{
    Console c;
    QLineEdit *pan = c.edit("水平角度");
    QLineEdit *tilt = c.edit("垂直角度");
    pan->clear();
    QTest::keyClicks(pan, "361");
    QCOMPARE(c.prompts, QStringList{"角度范围：0-360，请输入正确的角度"});
    QCOMPARE(pan->text(), QString());
    tilt->clear();
    QTest::keyClicks(tilt, "180.5");
    QCOMPARE(c.prompts.last(), QString("角度范围：0-180，请输入正确的角度"));
    QCOMPARE(tilt->text(), QString());
    QTest::keyClicks(tilt, "-1");
    QCOMPARE(c.prompts.size(), 3);
    QCOMPARE(tilt->text(), QString());

    c.prompts.clear();
    QTest::keyClicks(pan, "ab");
    QTest::keyClicks(tilt, "180");
    pan->setText("360");
    QVERIFY(c.prompts.isEmpty());
    QCOMPARE(pan->text(), QString("360"));
    QCOMPARE(tilt->text(), QString("180"));
    pan->setText("400"); // changes made in code are checked too
    QCOMPARE(c.prompts.size(), 1);
    QCOMPARE(pan->text(), QString());
}

void TestPtzConsole::angleRunSkipsEmptyBox()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    c.edit("水平角度")->clear();
    c.edit("垂直角度")->setText("45");
    c.button("确认发送角度")->click();
    QCOMPARE(newFrames(1), QStringList{"FF 01 00 4D 11 94 F3"});
    QTest::qWait(150);
    QCOMPARE(newFrames(0), QStringList());
    QVERIFY(c.prompts.size() == 1); // only the connect prompt
}

void TestPtzConsole::padPressAndRelease()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    c.combo("垂直速度")->setCurrentText("20");
    c.combo("水平速度")->setCurrentText("10");
    QTest::mousePress(c.pad("上"), Qt::LeftButton);
    QTest::mouseRelease(c.pad("上"), Qt::LeftButton);
    QCOMPARE(newFrames(2), (QStringList{"FF 01 00 08 00 14 1D", "FF 01 00 00 00 00 01"}));

    // Any mouse button moves the head; a speed changed while held counts from the next press.
    QTest::mousePress(c.pad("左"), Qt::RightButton);
    c.combo("水平速度")->setCurrentText("30");
    QTest::mouseRelease(c.pad("左"), Qt::RightButton);
    QCOMPARE(newFrames(2), (QStringList{"FF 01 00 04 0A 00 0F", "FF 01 00 00 00 00 01"}));

    const struct
    {
        const char *name;
        const char *move;
    } rows[] = {
        {"左上", "FF 01 00 0C 1E 14 3F"}, {"右上", "FF 01 00 0A 1E 14 3D"},
        {"右", "FF 01 00 02 1E 00 21"},   {"右下", "FF 01 00 12 1E 14 45"},
        {"下", "FF 01 00 10 00 14 25"},   {"左下", "FF 01 00 14 1E 14 47"},
    };
    for (const auto &row : rows) {
        QTest::mousePress(c.pad(row.name), Qt::MiddleButton);
        QTest::mouseRelease(c.pad(row.name), Qt::MiddleButton);
        QCOMPARE(newFrames(2), (QStringList{row.move, "FF 01 00 00 00 00 01"}));
    }
}

void TestPtzConsole::padStopsWhenLetGoOutsideOrFocusLost()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    QVERIFY(QTest::qWaitForWindowActive(c.window.get()));
    newFrames(0);
    PadButton *right = c.pad("右");
    // Let go far from the button: the grabbing button still gets the release.
    QTest::mousePress(right, Qt::LeftButton);
    QTest::mouseRelease(right, Qt::LeftButton, {}, QPoint(-200, 300));
    QCOMPARE(newFrames(2), (QStringList{"FF 00 00 02 3F 00 41", "FF 00 00 00 00 00 00"}));

    // Focus leaves the button mid-press (another window, a key press elsewhere).
    QTest::mousePress(right, Qt::LeftButton);
    QVERIFY(right->hasFocus());
    c.edit("水平角度")->setFocus();
    QCOMPARE(newFrames(2), (QStringList{"FF 00 00 02 3F 00 41", "FF 00 00 00 00 00 00"}));
    QVERIFY(!right->isHeld());
    QTest::mouseRelease(right, Qt::LeftButton); // the late release sends nothing more
    QTest::qWait(100);
    QCOMPARE(newFrames(0), QStringList());
}

void TestPtzConsole::keyboardDoesNotMovePad()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    QSignalSpy sent(&c.window->link(), &PtzLink::frameSent);
    PadButton *up = c.pad("上");
    up->setFocus();
    QTest::keyClick(up, Qt::Key_Space);
    QTest::keyClick(up, Qt::Key_Return);
    QCOMPARE(sent.count(), 0);
}

void TestPtzConsole::autoCruiseToggle()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("05");
    c.button("中")->click();
    QCOMPARE(newFrames(1), QStringList{"FF 05 00 07 00 63 6F"});
    QCOMPARE(c.button("中")->text(), QString("取消  巡航"));
    for (const char *name : {"左上", "上", "右上", "右", "右下", "下", "左下", "左"})
        QVERIFY(!c.pad(name)->isEnabled());
    QVERIFY(c.window->autoCruiseOn());

    // Cruise survives a reconnect: the button still offers to cancel.
    c.button("连接And断开连接")->click();
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    QCOMPARE(c.button("中")->text(), QString("取消  巡航"));
    c.button("中")->click();
    QCOMPARE(newFrames(1), QStringList{"FF 05 00 00 00 00 05"});
    QCOMPARE(c.button("中")->text(), QString("自动  巡航"));
    for (const char *name : {"左上", "上", "右上", "右", "右下", "下", "左下", "左"})
        QVERIFY(c.pad(name)->isEnabled());
}

void TestPtzConsole::presetsTracksAndLight()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("03");
    c.combo("预置位")->setCurrentText("05");
    c.combo("巡迹")->setCurrentText("08");
    c.button("设置")->click();
    c.button("调用")->click();
    c.button("删除")->click();
    c.button("调用巡迹")->click();
    c.button("停止巡迹")->click();
    c.button("开")->click();
    c.button("关")->click();
    QCOMPARE(newFrames(7),
             (QStringList{"FF 03 00 03 00 05 0B", "FF 03 00 07 00 05 0F", "FF 03 00 05 00 05 0D",
                          "FF 03 00 4F 01 08 5B", "FF 03 00 00 00 00 03", "FF 03 00 09 00 02 0E",
                          "FF 03 00 0B 00 02 10"}));
}

void TestPtzConsole::lightModesAndBrightness()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    for (const char *name : {"高亮", "一般", "节能", "警告", "驱离", "致盲"})
        c.button(name)->click();
    QCOMPARE(newFrames(6),
             (QStringList{"68 01 01 02 00 64 D0", "68 01 01 02 00 32 9E", "68 01 01 02 00 1E 8A",
                          "68 01 01 02 01 00 6D", "68 01 01 02 02 00 6E", "68 01 01 02 03 00 6F"}));
    QScrollBar *slider = c.find<QScrollBar>("HScroll1");
    slider->setValue(77);
    slider->setValue(100);
    slider->setValue(0);
    QCOMPARE(newFrames(3),
             (QStringList{"68 01 01 02 00 4D B9", "68 01 01 02 00 64 D0", "68 01 01 02 00 00 6C"}));
}

// Dragging the slider sends one light frame, at the level where it is let go; each key or wheel
// step sends one.
void TestPtzConsole::brightnessSendsOncePerDragOrStep()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    QScrollBar *slider = c.find<QScrollBar>("HScroll1");
    QCOMPARE(slider->value(), 0);
    auto levelFrame = [](int level) {
        const int sum = (0x68 + 0x01 + 0x01 + 0x02 + 0x00 + level) & 0xFF;
        return QString("68 01 01 02 00 %1 %2")
            .arg(level, 2, 16, QLatin1Char('0'))
            .arg(sum, 2, 16, QLatin1Char('0'))
            .toUpper();
    };

    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.subControls = QStyle::SC_All;
    const QRect handle = slider->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                         QStyle::SC_ScrollBarSlider, slider);
    QVERIFY(handle.isValid());
    QSignalSpy sent(&c.window->link(), &PtzLink::frameSent);
    QPoint at = handle.center();
    QTest::mousePress(slider, Qt::LeftButton, {}, at);
    for (int step = 0; step < 8; ++step) {
        at.rx() += 6;
        QTest::mouseMove(slider, at);
    }
    QVERIFY(slider->sliderPosition() > 10); // the handle passed many levels
    QCOMPARE(sent.count(), 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at);
    const int dropped = slider->value();
    QCOMPARE(dropped, slider->sliderPosition());
    QCOMPARE(newFrames(1), QStringList{levelFrame(dropped)});

    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(newFrames(1), QStringList{levelFrame(dropped + 1)});
    QTest::keyClick(slider, Qt::Key_PageUp);
    const int paged = slider->value();
    QCOMPARE(paged, dropped + 1 + slider->pageStep());
    QCOMPARE(newFrames(1), QStringList{levelFrame(paged)});
    const QPointF centre(slider->rect().center());
    QWheelEvent wheel(centre, slider->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &wheel);
    QVERIFY(slider->value() > paged); // turned up: brighter, several levels in one notch
    QCOMPARE(newFrames(1), QStringList{levelFrame(slider->value())});
    QTest::qWait(100);
    QCOMPARE(newFrames(0), QStringList());
}

void TestPtzConsole::badSelectorRefused()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    c.prompts.clear();
    QSignalSpy sent(&c.window->link(), &PtzLink::frameSent);
    c.combo("探照灯")->setEditText("abc");
    c.button("开")->click();
    c.button("中")->click();
    QCOMPARE(c.prompts, (QStringList{"设备编号：请输入 0-255 之间的数字",
                                     "设备编号：请输入 0-255 之间的数字"}));
    QCOMPARE(c.button("中")->text(), QString("自动  巡航"));
    c.combo("探照灯")->setEditText("256");
    c.button("高亮")->click();
    QCOMPARE(c.prompts.size(), 3);
    QCOMPARE(sent.count(), 0);

    c.combo("探照灯")->setEditText("2");
    c.combo("预置位")->setEditText("");
    c.button("调用")->click();
    QCOMPARE(c.prompts.last(), QString("预置位：请输入 0-255 之间的数字"));
    c.combo("水平速度")->setEditText("99x");
    QTest::mousePress(c.pad("右"), Qt::LeftButton);
    QCOMPARE(c.prompts.last(), QString("水平速度：请输入 0-255 之间的数字"));
    QTest::mouseRelease(c.pad("右"), Qt::LeftButton);
    // Nothing moved; the release still sends a stop, which is always safe.
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toByteArray(), stopFrame(2));
}

void TestPtzConsole::deviceNumberRetargetsNetworkLink()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    QComboBox *device = c.combo("探照灯");
    device->setCurrentIndex(7);
    emit device->activated(7);
    QCOMPARE(c.edit("设备IP")->text(), QString("127.0.0.7"));
    QCOMPARE(c.caption(), kDown);
    QCOMPARE(c.status(), QString("设备已断开连接"));
    QVERIFY(c.edit("设备IP")->isEnabled());

    // In serial mode picking a number changes nothing of the link.
    c.find<QCheckBox>("串口")->click();
    device->setCurrentIndex(9);
    emit device->activated(9);
    QCOMPARE(c.edit("设备IP")->text(), QString("127.0.0.7"));
    QCOMPARE(c.status(), QString("串口已就绪"));
}

void TestPtzConsole::scheduledRowFiresLightThenMotion()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    ScheduleBoard *board = c.window->schedules();
    QDateTime now(QDate(2024, 5, 1), QTime(17, 59, 58));
    board->setClock([&now] { return now; });
    board->storeRow(4, "18:00:00", "18:00:02", "巡迹三");

    // The head's clock says when each frame came: the motion one second after the light.
    auto gapOfLastTwo = [this] {
        const QList<qint64> times = m_sim.receiveTimes();
        return times.size() < 2 ? qint64(-1) : times.last() - times.at(times.size() - 2);
    };
    now = now.addSecs(2);
    board->tick();
    QCOMPARE(newFrames(1), QStringList{"FF 01 00 09 00 02 0C"});
    QCOMPARE(c.window->motionMode(), 3);
    QCOMPARE(newFrames(1), QStringList{"FF 01 00 4F 01 02 53"}); // track 2, a second later
    qint64 gap = gapOfLastTwo();
    QVERIFY2(gap >= 980 && gap <= 1500, qPrintable(QString("motion after %1 ms").arg(gap)));

    now = now.addSecs(2);
    board->tick();
    QCOMPARE(newFrames(2), (QStringList{"FF 01 00 0B 00 02 0E", "FF 01 00 00 00 00 01"}));
    gap = gapOfLastTwo();
    QVERIFY2(gap >= 980 && gap <= 1500, qPrintable(QString("stop after %1 ms").arg(gap)));
}

// Woken hours after a row's times (a suspend, a clock set forward): nothing is sent, the
// operator's log says which times were missed.
void TestPtzConsole::missedScheduleLoggedNotFired()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    ScheduleBoard *board = c.window->schedules();
    QDateTime now(QDate(2024, 5, 1), QTime(17, 59, 58));
    board->setClock([&now] { return now; });
    board->storeRow(4, "18:00:00", "18:00:02", "巡迹三");

    now = QDateTime(QDate(2024, 5, 1), QTime(21, 0, 1));
    board->tick();
    QVERIFY(c.log().contains("定时 04 开 18:00:00 已错过（晚了 3 小时 0 分），未执行"));
    QVERIFY(c.log().contains("定时 04 关 18:00:02 已错过（晚了 2 小时 59 分），未执行"));
    QTest::qWait(1300);
    QCOMPARE(newFrames(0), QStringList());
}

void TestPtzConsole::motionOperations()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    newFrames(0);
    c.combo("探照灯")->setCurrentText("01");
    c.window->runMotionMode(1);
    c.window->runMotionMode(9);
    c.window->runMotionMode(10);
    c.window->runMotionMode(0);
    c.window->runMotionMode(11);
    c.window->stopMotion();
    QCOMPARE(newFrames(4), (QStringList{"FF 01 00 4F 01 00 51", "FF 01 00 4F 01 08 59",
                                        "FF 01 00 07 00 63 6B", "FF 01 00 00 00 00 01"}));

    // motionMode 0: the light only.
    c.window->parseMotionMode(200);
    QCOMPARE(c.window->motionMode(), 0);
    c.window->scheduledLightOn();
    QCOMPARE(newFrames(1), QStringList{"FF 01 00 09 00 02 0C"});
    QTest::qWait(1300);
    QCOMPARE(newFrames(0), QStringList());

    c.window->schedules()->storeRow(6, "01:00:00", "02:00:00", "巡航");
    c.window->parseMotionMode(6);
    QCOMPARE(c.window->motionMode(), 10);
    c.window->parseMotionMode(7); // a line never stored has no motion word
    QCOMPARE(c.window->motionMode(), 0);

    c.window->applyCruiseMode(2);
    QCOMPARE(c.combo("水平速度")->currentText(), QString("5"));
    QCOMPARE(c.combo("垂直速度")->currentText(), QString("63"));
    c.window->applyCruiseMode(1);
    QCOMPARE(c.combo("水平速度")->currentText(), QString("63"));
    QCOMPARE(c.combo("垂直速度")->currentText(), QString("5"));
    c.window->applyCruiseMode(4);
    QCOMPARE(c.combo("垂直速度")->currentText(), QString("5"));
    QTest::qWait(50);
    QCOMPARE(newFrames(0), QStringList());
}

void TestPtzConsole::serialOverPtyWithSplitReply()
{
    SimProcess sim;
    QVERIFY(sim.startPty({"--pan", "60", "--tilt", "45", "--split", "2", "--split-delay", "15"}));
    Console c;
    QVERIFY(c.openSerial(sim.ptyPath()));
    QCOMPARE(c.status(), sim.ptyPath() + "，已打开，9600,N,8,1");
    QVERIFY(!c.combo("ComboComm")->isEnabled() && !c.button("搜索")->isEnabled());
    QSignalSpy chunks(&c.window->link(), &PtzLink::chunkReceived);
    c.combo("探照灯")->setCurrentText("01");
    c.button("查询位置")->click();
    QTRY_VERIFY(c.log().contains("<--垂直角度：45 °"));
    QVERIFY(c.log().contains("<--水平角度：60 °"));
    QCOMPARE(chunks.count(), 2); // each reply, though split in two, parsed as one
    QVERIFY(sim.waitForFrames(2));
    QCOMPARE(sim.framesReceived(), (QStringList{"FF 01 00 51 00 00 52", "FF 01 00 53 00 00 54"}));

    c.button("连接And断开连接")->click();
    QCOMPARE(c.caption(), kDown);
    QCOMPARE(c.status(), sim.ptyPath() + "，已关闭");
    QVERIFY(c.combo("ComboComm")->isEnabled());
}

void TestPtzConsole::serialUnplugAndGarbageNeverCrash()
{
    SimProcess sim;
    QVERIFY(sim.startPty({"--flood", "300", "--quiet"}));
    Console c;
    QVERIFY(c.openSerial(sim.ptyPath()));
    QSignalSpy chunks(&c.window->link(), &PtzLink::chunkReceived);
    QTest::qWait(400);
    QVERIFY(chunks.count() > 2);
    QVERIFY(c.log().size() <= 511);
    c.button("开")->click(); // still responsive and sending
    const QString path = sim.ptyPath();
    sim.stop(); // the device goes away while open
    QTRY_COMPARE(c.caption(), kDown);
    QCOMPARE(c.status(), path + "，连接已中断");
    QVERIFY(c.find<QCheckBox>("串口")->isEnabled());
    QVERIFY(c.combo("ComboComm")->isEnabled());
}

void TestPtzConsole::aboutBox()
{
    Console c;
    c.button("CmdAbout")->click();
    auto *about = c.window->findChild<QDialog *>("FrmAbout");
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowTitle(), QString("AboutUs"));
    QVERIFY(!about->findChild<QLabel *>("Image1")->pixmap().isNull());
    QVERIFY(!about->isModal());
    about->findChild<QPushButton *>("CmdAboutOk")->click();
    QVERIFY(!about->isVisible());
}

void TestPtzConsole::promptBoxDoesNotBlock()
{
    // The default prompt opens a window-modal box and returns at once.
    PtzConsole window;
    window.show();
    window.findChild<QPushButton *>("中")->click();
    QMessageBox *box = window.findChild<QMessageBox *>();
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->windowTitle(), QString("提示信息"));
    QCOMPARE(box->text(), QString("请先连接设备再操作!"));
    window.findChild<QPushButton *>("中")->click(); // the same prompt is not stacked
    QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
    box->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(window.findChildren<QMessageBox *>().size(), 0);
    window.exitSequence();
}

void TestPtzConsole::screenshotConnected()
{
    Console c;
    QVERIFY(c.connectTcp(m_sim.tcpPort()));
    c.combo("探照灯")->setCurrentText("01");
    ScheduleBoard *board = c.window->schedules();
    board->storeRow(0, "18:30:00", "23:00:00", "巡航");
    board->storeRow(1, "19:00:00", "19:30:00", "巡迹二");
    board->storeRow(2, "05:00:00", "06:00:00", "无巡航");
    c.button("高亮")->click();
    c.button("查询位置")->click();
    QTRY_VERIFY(c.log().contains("<--垂直角度："));
    // X7_SCREENSHOT_DIR names the folder of the pictures (scripts/screenshots.sh), else temp.
    const QDir folder(qEnvironmentVariable("X7_SCREENSHOT_DIR", QDir::tempPath()));
    const QString path = folder.filePath("ptzdesk_console.png");
    QVERIFY(c.window->grab().save(path));
    qInfo("console picture: %s", qPrintable(path));
    c.button("CmdAbout")->click();
    auto *about = c.window->findChild<QDialog *>("FrmAbout");
    QVERIFY(about->grab().save(folder.filePath("ptzdesk_about.png")));
}

QTEST_MAIN(TestPtzConsole)
#include "tst_ptzconsole.moc"
