#include "ScheduleRowDialog.h"

#include "ScheduleCheck.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct MotionBox
{
    const char16_t *caption;
    const char16_t *name; // the motion name stored in the row's line
    int line;             // rows of the frame: Check1 and Check10 first, Check11 alone last
    int column;
};

// Check1 … Check11 in objectName order.
const MotionBox kMotionBoxes[] = {
    {u"不自动巡航", u"无巡航", 0, 0}, {u"巡迹一", u"巡迹一", 1, 0}, {u"巡迹二", u"巡迹二", 1, 1},
    {u"巡迹三", u"巡迹三", 1, 2},     {u"巡迹四", u"巡迹四", 1, 3}, {u"巡迹五", u"巡迹五", 2, 0},
    {u"巡迹六", u"巡迹六", 2, 1},     {u"巡迹七", u"巡迹七", 2, 2}, {u"巡迹八", u"巡迹八", 2, 3},
    {u"巡航", u"巡航", 0, 1},         {u"巡迹九", u"巡迹九", 3, 0},
};

QLineEdit *makeTimeBox(const QString &name, QWidget *parent)
{
    auto *box = new QLineEdit(QStringLiteral("00:00:00"), parent);
    box->setObjectName(name);
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) * 2);
    return box;
}

} // namespace

ScheduleRowDialog::ScheduleRowDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("定时配置"));
    setModal(false);
    buildControls();
    // Ready for the first store as the console's start-up leaves it: no motion chosen.
    m_motions.first()->setChecked(true);
    m_motionName = QString::fromUtf16(kMotionBoxes[0].name);
}

void ScheduleRowDialog::buildControls()
{
    auto *timeFrame = new QGroupBox(QStringLiteral("灯开关时间配置"), this);
    timeFrame->setObjectName(QStringLiteral("灯开关时间配置"));
    m_on = makeTimeBox(QStringLiteral("开_00"), timeFrame);
    m_off = makeTimeBox(QStringLiteral("关_00"), timeFrame);
    auto *onLabel = new QLabel(QStringLiteral("开："), timeFrame);
    onLabel->setObjectName(QStringLiteral("Lab1"));
    onLabel->setBuddy(m_on);
    auto *offLabel = new QLabel(QStringLiteral("关："), timeFrame);
    offLabel->setObjectName(QStringLiteral("Lab2"));
    offLabel->setBuddy(m_off);
    m_on->setAccessibleName(onLabel->text().chopped(1));
    m_off->setAccessibleName(offLabel->text().chopped(1));
    auto *timeLayout = new QHBoxLayout(timeFrame);
    timeLayout->addWidget(onLabel);
    timeLayout->addWidget(m_on);
    timeLayout->addSpacing(16);
    timeLayout->addWidget(offLabel);
    timeLayout->addWidget(m_off);

    auto *motionFrame = new QGroupBox(QStringLiteral("模式配置"), this);
    motionFrame->setObjectName(QStringLiteral("巡航模式"));
    auto *motionLayout = new QGridLayout(motionFrame);
    for (int i = 0; i < int(std::size(kMotionBoxes)); ++i) {
        const MotionBox &motion = kMotionBoxes[i];
        auto *box = new QCheckBox(QString::fromUtf16(motion.caption), motionFrame);
        box->setObjectName(QStringLiteral("Check%1").arg(i + 1));
        motionLayout->addWidget(box, motion.line, motion.column);
        // Any change of the value counts, however it was made (mouse, keyboard, a screen
        // reader's toggle action).
        connect(box, &QCheckBox::toggled, this,
                [this, i](bool checked) { onMotionToggled(i, checked); });
        m_motions.append(box);
    }

    m_ok = new QPushButton(QStringLiteral("确定"), this);
    m_ok->setObjectName(QStringLiteral("退出配置"));
    m_ok->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(timeFrame);
    layout->addWidget(motionFrame);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    connect(m_on, &QLineEdit::textChanged, this, &ScheduleRowDialog::onTimeEdited);
    connect(m_off, &QLineEdit::textChanged, this, &ScheduleRowDialog::onTimeEdited);
    connect(m_ok, &QPushButton::clicked, this, &ScheduleRowDialog::onOk);
}

void ScheduleRowDialog::openForRow(int row)
{
    m_row = row;
    show();
    raise();
    activateWindow();
}

QString ScheduleRowDialog::onTimeText() const
{
    return m_on->text();
}

QString ScheduleRowDialog::offTimeText() const
{
    return m_off->text();
}

void ScheduleRowDialog::onMotionToggled(int index, bool checked)
{
    // Unticking the ticked box leaves none ticked and keeps the last chosen motion.
    if (!checked)
        return;
    for (int i = 0; i < m_motions.size(); ++i) {
        if (i != index)
            m_motions[i]->setChecked(false);
    }
    m_motionName = QString::fromUtf16(kMotionBoxes[index].name);
}

void ScheduleRowDialog::onTimeEdited(const QString &text)
{
    // The text stays as typed; a time that is not a time of day is stored but never fires.
    if (!parseTimeOfDay(text) && m_notify)
        m_notify(this, kScheduleTimeErrorText);
}

void ScheduleRowDialog::onOk()
{
    hide();
    emit rowStored(m_row, onTimeText(), offTimeText(), m_motionName);
}
