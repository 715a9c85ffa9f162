#include "console/LinkPanel.h"

#include "console/ConsolePictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

LinkPanel::LinkPanel(PtzLink &link, QWidget *parent)
    : QGroupBox(QStringLiteral("通讯设置"), parent)
    , m_link(link)
    , m_serial(new QCheckBox(QStringLiteral("串口通讯"), this))
    , m_network(new QCheckBox(QStringLiteral("网络通讯"), this))
    , m_ports(new QComboBox(this))
    , m_search(new QPushButton(QStringLiteral("重新搜索串口"), this))
    , m_deviceIp(new QLineEdit(this))
    , m_connect(new QPushButton(this))
    , m_switchOn(new QLabel(this))
    , m_switchOff(new QLabel(this))
{
    setObjectName(QStringLiteral("FramePort"));
    m_serial->setObjectName(QStringLiteral("串口"));
    m_network->setObjectName(QStringLiteral("网络"));
    m_ports->setObjectName(QStringLiteral("ComboComm"));
    m_search->setObjectName(QStringLiteral("搜索"));
    m_deviceIp->setObjectName(QStringLiteral("设备IP"));
    m_connect->setObjectName(QStringLiteral("连接And断开连接"));
    m_switchOn->setObjectName(QStringLiteral("ImgSwitchOn"));
    m_switchOff->setObjectName(QStringLiteral("ImgSwitchOff"));

    // Ports the system does not list (a pseudo-terminal, a device path) can be typed in.
    m_ports->setEditable(true);
    m_ports->setInsertPolicy(QComboBox::NoInsert);
    m_switchOn->setPixmap(switchOnPicture());
    m_switchOff->setPixmap(switchOffPicture());
    m_switchOn->setAccessibleName(QStringLiteral("已连接"));
    m_switchOff->setAccessibleName(QStringLiteral("未连接"));

    auto *portLabel = new QLabel(QStringLiteral("端口号"), this);
    portLabel->setBuddy(m_ports);
    m_ports->setAccessibleName(QStringLiteral("端口号"));
    auto *ipLabel = new QLabel(QStringLiteral("IP 地址"), this);
    ipLabel->setBuddy(m_deviceIp);
    m_deviceIp->setAccessibleName(QStringLiteral("IP 地址"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_serial, 0, 0, 1, 2);
    grid->addWidget(m_network, 0, 2, 1, 2);
    grid->addWidget(portLabel, 1, 0);
    grid->addWidget(m_ports, 1, 1, 1, 2);
    grid->addWidget(m_search, 1, 3);
    grid->addWidget(ipLabel, 2, 0);
    grid->addWidget(m_deviceIp, 2, 1, 1, 3);
    grid->addWidget(m_switchOn, 3, 0);
    grid->addWidget(m_switchOff, 3, 0);
    grid->addWidget(m_connect, 3, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    // The value change, not the click: the keyboard, a screen reader's toggle action or an
    // automation tool changes a box without clicking it.
    connect(m_serial, &QCheckBox::toggled, this,
            [this](bool checked) { onKindBoxToggled(m_serial, checked); });
    connect(m_network, &QCheckBox::toggled, this,
            [this](bool checked) { onKindBoxToggled(m_network, checked); });
    connect(m_search, &QPushButton::clicked, this, &LinkPanel::enumerateComPorts);
    connect(m_connect, &QPushButton::clicked, this,
            [this] { m_link.pressConnect(m_ports->currentText(), m_deviceIp->text()); });
    connect(&m_link, &PtzLink::viewChanged, this, &LinkPanel::render);
    render();
}

void LinkPanel::enumerateComPorts()
{
    m_ports->clear();
    m_ports->addItems(PtzLink::availablePortNames());
    if (m_ports->count() > 0)
        m_ports->setCurrentIndex(0);
}

// The two boxes act as a pair of radio buttons: ticking one selects its kind, unticking it (a
// click on the checked box) selects the other, so exactly one is always checked.
void LinkPanel::onKindBoxToggled(QCheckBox *box, bool checked)
{
    if (m_rendering)
        return;
    const bool serialWanted = (box == m_serial) == checked;
    if (serialWanted != m_link.view().serialChecked) {
        if (serialWanted)
            m_link.selectSerial();
        else
            m_link.selectNetwork();
    }
    // The boxes show the link's kind, also when the link kept it (a link that is up).
    render();
}

void LinkPanel::render()
{
    const LinkView view = m_link.view();
    const QScopedValueRollback rendering(m_rendering, true);
    m_serial->setChecked(view.serialChecked);
    m_network->setChecked(view.networkChecked);
    m_serial->setEnabled(view.kindBoxesEnabled);
    m_network->setEnabled(view.kindBoxesEnabled);
    m_ports->setEnabled(view.portListEnabled);
    m_search->setEnabled(view.searchEnabled);
    m_deviceIp->setEnabled(view.deviceIpEnabled);
    m_connect->setText(view.connectCaption);
    m_switchOn->setVisible(view.switchOn);
    m_switchOff->setVisible(!view.switchOn);
}
