#include "console/DeviceControlArea.h"

#include "console/PadButton.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

// "00" .. "<last>", two digits at least.
QStringList numberList(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items.append(QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')));
    return items;
}

} // namespace

DeviceControlArea::DeviceControlArea(QWidget *parent)
    : QGroupBox(QStringLiteral("设备控制区"), parent)
{
    setObjectName(QStringLiteral("配置"));

    deviceNumber = makeSelector("探照灯", numberList(0, 255));
    cruiseMode = makeSelector(
        "巡航模式", {QStringLiteral("巡航一"), QStringLiteral("巡航二"), QStringLiteral("巡航三")});
    panSpeed = makeSelector("水平速度", numberList(0, 64));
    tiltSpeed = makeSelector("垂直速度", numberList(0, 64));
    preset = makeSelector("预置位", numberList(1, 255));
    track = makeSelector("巡迹", numberList(0, 8));

    auto *selectors = new QGridLayout;
    const QList<std::pair<QString, QComboBox *>> captioned = {
        {QStringLiteral("设备编号："), deviceNumber}, {QStringLiteral("巡航模式："), cruiseMode},
        {QStringLiteral("水平速度："), panSpeed},     {QStringLiteral("垂直速度："), tiltSpeed},
        {QStringLiteral("预置位："), preset},         {QStringLiteral("巡迹："), track},
    };
    for (int i = 0; i < captioned.size(); ++i) {
        selectors->addWidget(makeLabel(captioned[i].first, captioned[i].second), i / 2,
                             (i % 2) * 2);
        selectors->addWidget(captioned[i].second, i / 2, (i % 2) * 2 + 1);
    }

    // The pad, laid out as the arrows point.
    const struct
    {
        const char *name;
        const char *caption;
        PadDirection direction;
        int row, column;
    } arrows[] = {
        {"左上", "↖", PadDirection::UpLeft, 0, 0},  {"上", "↑", PadDirection::Up, 0, 1},
        {"右上", "↗", PadDirection::UpRight, 0, 2}, {"左", "←", PadDirection::Left, 1, 0},
        {"右", "→", PadDirection::Right, 1, 2},     {"左下", "↙", PadDirection::DownLeft, 2, 0},
        {"下", "↓", PadDirection::Down, 2, 1},      {"右下", "↘", PadDirection::DownRight, 2, 2},
    };
    auto *padGrid = new QGridLayout;
    padGrid->setSpacing(3);
    for (const auto &arrow : arrows) {
        auto *button = new PadButton(QString::fromUtf8(arrow.caption), this);
        button->setObjectName(QString::fromUtf8(arrow.name));
        button->setMinimumSize(46, 34);
        // Announced by its arrow, like every button by its caption; the direction's word
        // tells the rest.
        button->setAccessibleDescription(QString::fromUtf8(arrow.name));
        padGrid->addWidget(button, arrow.row, arrow.column);
        pad.append({button, arrow.direction});
    }
    cruise = makeButton("中", QStringLiteral("自动  巡航"));
    cruise->setMinimumSize(46, 34);
    padGrid->addWidget(cruise, 1, 1);

    callPreset = makeButton("调用", QStringLiteral("调用"));
    setPreset = makeButton("设置", QStringLiteral("设置"));
    deletePreset = makeButton("删除", QStringLiteral("删除"));
    callTrack = makeButton("调用巡迹", QStringLiteral("调用巡迹"));
    stopTrack = makeButton("停止巡迹", QStringLiteral("停止巡迹"));
    auto *motions = new QGridLayout;
    motions->addWidget(callPreset, 0, 0);
    motions->addWidget(setPreset, 0, 1);
    motions->addWidget(deletePreset, 0, 2);
    motions->addWidget(callTrack, 1, 0, 1, 2);
    motions->addWidget(stopTrack, 1, 2);

    lightOn = makeButton("开", QStringLiteral("开"));
    lightOff = makeButton("关", QStringLiteral("关"));
    const struct
    {
        const char *name;
        LightMode mode;
        quint8 level;
    } modes[] = {
        {"高亮", LightMode::Level, kHighlightLevel},
        {"一般", LightMode::Level, kNormalLevel},
        {"节能", LightMode::Level, kEnergySavingLevel},
        {"警告", LightMode::Warning, 0},
        {"驱离", LightMode::DriveAway, 0},
        {"致盲", LightMode::Dazzle, 0},
    };
    auto *light = new QGridLayout;
    light->addWidget(makeLabel(QStringLiteral("灯光："), lightOn), 0, 0);
    light->addWidget(lightOn, 0, 1);
    light->addWidget(lightOff, 0, 2);
    for (int i = 0; i < 6; ++i) {
        QPushButton *button = makeButton(modes[i].name, QString::fromUtf8(modes[i].name));
        light->addWidget(button, 1 + i / 3, i % 3);
        lightModes.append({button, modes[i].mode, modes[i].level});
    }
    // The slider's value is the level byte of a light frame; the fixed buttons go up to 100.
    brightness = new QScrollBar(Qt::Horizontal, this);
    brightness->setObjectName(QStringLiteral("HScroll1"));
    brightness->setRange(0, 100);
    brightness->setPageStep(10);
    // While the handle is dragged the value changes only when it is let go, so a drag sends one
    // light frame instead of one per level passed; keys, the wheel and clicks on the track
    // change it (and send) once per step.
    brightness->setTracking(false);
    // A scroll bar's keys run the other way by default (Right dims); for a level, Right, Up,
    // Page Up and the wheel turned up all brighten.
    brightness->setInvertedControls(false);
    brightness->setFocusPolicy(Qt::StrongFocus);
    light->addWidget(makeLabel(QStringLiteral("亮度："), brightness), 3, 0);
    light->addWidget(brightness, 3, 1, 1, 2);

    panAngle = new QLineEdit(QStringLiteral("60"), this);
    panAngle->setObjectName(QStringLiteral("水平角度"));
    tiltAngle = new QLineEdit(QStringLiteral("60"), this);
    tiltAngle->setObjectName(QStringLiteral("垂直角度"));
    sendAngles = makeButton("确认发送角度", QStringLiteral("确认发送角度"));
    queryPosition = makeButton("查询位置", QStringLiteral("位置查询"));
    auto *angles = new QGridLayout;
    angles->addWidget(makeLabel(QStringLiteral("水平角度："), panAngle), 0, 0);
    angles->addWidget(panAngle, 0, 1);
    angles->addWidget(sendAngles, 0, 2);
    angles->addWidget(makeLabel(QStringLiteral("垂直角度："), tiltAngle), 1, 0);
    angles->addWidget(tiltAngle, 1, 1);
    angles->addWidget(queryPosition, 1, 2);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(selectors);
    layout->addLayout(padGrid);
    layout->addLayout(motions);
    layout->addLayout(light);
    layout->addLayout(angles);
    layout->addStretch();
}

QComboBox *DeviceControlArea::makeSelector(const char *name, const QStringList &items)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(15);
    box->addItems(items);
    return box;
}

QLabel *DeviceControlArea::makeLabel(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("Lab3"));
    label->setBuddy(buddy);
    // A control with a caption of its own (the light's "开") is announced by it and gets the
    // label as its description; the others are announced by the label.
    const QString caption = text.endsWith(u'：') ? text.chopped(1) : text;
    const auto *button = qobject_cast<QAbstractButton *>(buddy);
    if (button && !button->text().isEmpty())
        buddy->setAccessibleDescription(caption);
    else
        buddy->setAccessibleName(caption);
    return label;
}

QPushButton *DeviceControlArea::makeButton(const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    return button;
}

QString DeviceControlArea::captionOf(const QWidget *control) const
{
    for (const QLabel *label : findChildren<QLabel *>(QStringLiteral("Lab3"))) {
        if (label->buddy() == control)
            return label->text();
    }
    return QString();
}
