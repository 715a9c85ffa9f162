#pragma once

// The frame `FramePort` "通讯设置": the link-kind boxes `串口` / `网络`, the port list
// `ComboComm` with `搜索`, the device address `设备IP`, the button `连接And断开连接` and the
// indicator `ImgSwitchOn` / `ImgSwitchOff`. It shows what the link says and passes the
// operator's clicks on; the link itself belongs to the console window.

#include "link/PtzLink.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class LinkPanel : public QGroupBox
{
    Q_OBJECT

public:
    LinkPanel(PtzLink &link, QWidget *parent = nullptr);

    // Fills `ComboComm` with the ports present and selects the first (none: left empty).
    void enumerateComPorts();

    QLineEdit *deviceIp() const { return m_deviceIp; }
    QComboBox *portList() const { return m_ports; }

private:
    void render();
    void onKindBoxToggled(QCheckBox *box, bool checked);

    PtzLink &m_link;
    QCheckBox *m_serial;
    QCheckBox *m_network;
    QComboBox *m_ports;
    QPushButton *m_search;
    QLineEdit *m_deviceIp;
    QPushButton *m_connect;
    QLabel *m_switchOn;
    QLabel *m_switchOff;
    bool m_rendering = false;
};
