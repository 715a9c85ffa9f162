#pragma once

// The frame `配置` "设备控制区": the selectors, the direction pad, presets, tracks, the light
// and its modes, the brightness slider and the absolute angles. Only the controls live here;
// the console window reacts to them.

#include "protocol/PtzFrames.h"

#include <QGroupBox>
#include <QList>

class PadButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class DeviceControlArea : public QGroupBox
{
    Q_OBJECT

public:
    explicit DeviceControlArea(QWidget *parent = nullptr);

    // Selectors, each captioned by a label of the array `Lab3`.
    QComboBox *deviceNumber = nullptr; // 探照灯
    QComboBox *cruiseMode = nullptr;   // 巡航模式
    QComboBox *panSpeed = nullptr;     // 水平速度
    QComboBox *tiltSpeed = nullptr;    // 垂直速度
    QComboBox *preset = nullptr;       // 预置位
    QComboBox *track = nullptr;        // 巡迹

    struct Pad
    {
        PadButton *button;
        PadDirection direction;
    };
    QList<Pad> pad;                // the eight arrows
    QPushButton *cruise = nullptr; // 中

    QPushButton *callPreset = nullptr;   // 调用
    QPushButton *setPreset = nullptr;    // 设置
    QPushButton *deletePreset = nullptr; // 删除
    QPushButton *callTrack = nullptr;    // 调用巡迹
    QPushButton *stopTrack = nullptr;    // 停止巡迹

    QPushButton *lightOn = nullptr;  // 开
    QPushButton *lightOff = nullptr; // 关
    struct LightButton
    {
        QPushButton *button;
        LightMode mode;
        quint8 level;
    };
    QList<LightButton> lightModes;    // 高亮 一般 节能 警告 驱离 致盲
    QScrollBar *brightness = nullptr; // HScroll1

    QLineEdit *panAngle = nullptr;        // 水平角度
    QLineEdit *tiltAngle = nullptr;       // 垂直角度
    QPushButton *sendAngles = nullptr;    // 确认发送角度
    QPushButton *queryPosition = nullptr; // 查询位置

    // The caption label of a selector ("设备编号："), for prompts.
    QString captionOf(const QWidget *control) const;

private:
    QComboBox *makeSelector(const char *name, const QStringList &items);
    QLabel *makeLabel(const QString &text, QWidget *buddy);
    QPushButton *makeButton(const char *name, const QString &caption);
};
