// What the panel's lists make visible or enabled, the hex check boxes and the custom baud rate.
// The rules call nothing of the showing or saving parts; those parts apply the rules.

#include "Q2Panel.h"

#include "PanelFields.h"

#include "common/ParamBlocks.h"

#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>

namespace {

enum WorkMode { UdpClient = 0, TcpClient = 1, UdpServer = 2, TcpServer = 3, HttpdClient = 4 };
enum Registration { RegOff = 0, RegMac = 1, RegCustom = 2, RegCloud = 3 };
enum ModbusMode { ModbusOff = 0, ModbusConversion = 1, ModbusPolling = 2 };

const QColor kSilver(192, 192, 192);

// A caption in the window-text colour while its field is usable, silver while it is not.
void paintCaption(QLabel *label, bool active)
{
    if (active) {
        label->setPalette(QPalette());
        return;
    }
    QPalette silver = label->palette();
    silver.setColor(QPalette::WindowText, kSilver);
    label->setPalette(silver);
}

void enableWithCaption(QLabel *label, QWidget *field, bool enabled)
{
    field->setEnabled(enabled);
    label->setEnabled(enabled);
    paintCaption(label, enabled);
}

void showAll(std::initializer_list<QWidget *> widgets, bool visible)
{
    for (QWidget *w : widgets)
        w->setVisible(visible);
}

} // namespace

void Q2Panel::applyAddrTypeRule()
{
    const bool isStatic = cbb_AddrType->currentIndex() != 0;
    enableWithCaption(lbl_StaticIP, edt_StaticIP, isStatic);
    enableWithCaption(lbl_GatewayIP, edt_GatewayIP, isStatic);
    enableWithCaption(lbl_SubnetMask, edt_SubnetMask, isStatic);
    enableWithCaption(lblDns, edtDns, isStatic);
}

void Q2Panel::applyWorkModeRule()
{
    const int mode = cbb_WorkMode0->currentIndex();
    const bool tcpServer = mode == TcpServer;
    const bool httpd = mode == HttpdClient;
    enableWithCaption(lbl_ModbusTCP0, cbb_ModbusTCP0, mode == TcpClient || tcpServer);
    enableWithCaption(lbl_TCPSvrCount0, cbb_TCPSvrCount0, tcpServer);
    enableWithCaption(lbl_TCPStyle0, cbb_TCPStyle0, tcpServer);
    enableWithCaption(lbl_RemoteIP0, edt_RemoteIP0, !tcpServer);
    enableWithCaption(lblGetPost, cbbGetPost, httpd);
    rzGroupBoxHttpd->setVisible(httpd && m_networkTab);
    btnDataDebug->setVisible(!httpd);
    chkMulticast->setVisible(mode == UdpClient);
}

void Q2Panel::applyRegistrationRule()
{
    const int type = rzComboBox2->currentIndex();
    showAll({lblDid, edtDid, lblCompass, edtCompass}, type == RegCloud);
    showAll({lblRegSnd, cbbRegType}, type == RegMac || type == RegCustom);
    showAll({lblRegTp, edtRegDt, rzchckbxRegDtHex}, type == RegCustom);
}

void Q2Panel::applyHeartRule()
{
    const bool on = rzComboBox1->currentIndex() > 0;
    const bool custom = cbbHeartPackType->currentIndex() == 1;
    showAll({lblHeartPackType, cbbHeartPackType, lblHeartTm, edtHeartTm}, on);
    showAll({lblHeartDt, edtHeartDt, rzchckbxHeartDtHex}, on && custom);
}

void Q2Panel::applyModbusPackRule()
{
    const int mode = cbbModbusType->currentIndex();
    const bool active = mode == ModbusConversion || mode == ModbusPolling;
    showAll({lblReportProto, cbbReporproto}, mode == ModbusPolling);
    showAll({lblModbusTimeout, edtModbusTimeout, lblModbusInterval, edtModbusInterval,
             lblModbusException, cbbModbusException},
            active);
}

void Q2Panel::applyModbusNewRule()
{
    showAll({lblModbusTimeout1, edtModbusTimeout1, lblModbusInterval1, edtModbusInterval1,
             lblModbusException1, cmbModbusException1},
            cmbModbusEnable1->currentIndex() == ModbusPolling);
}

void Q2Panel::applyAllRules()
{
    applyAddrTypeRule();
    applyWorkModeRule();
    applyRegistrationRule();
    applyHeartRule();
    applyModbusPackRule();
    applyModbusNewRule();
}

void Q2Panel::setNetworkTab(bool network)
{
    m_networkTab = network;
    // Fields and groups that only the network save writes.
    showAll({rzGroupBoxHeart, rzgrpbxRegHeart, rzchckbxComSetEnable, lbl_UARTTime0, edt_UARTTime0,
             lblUartPackLEN, edtUartPackLEN, rzchbUdpFrom, rzGroupBox1, rzgrpbxModbusNew,
             rzgrpbxModbus},
            network);
    btn_Q2ComSet->setVisible(!network);
    btn_Q2NetSet->setVisible(network);
    // The HTTPD group also follows the work mode.
    applyWorkModeRule();
}

void Q2Panel::setSavesEnabled(bool enabled)
{
    btn_Q2NetSet->setEnabled(enabled);
    btn_Q2ComSet->setEnabled(enabled);
}

void Q2Panel::hexToggled(QLineEdit *field, bool hex)
{
    field->setText(hex ? plainToHexField(field->text()) : hexToPlainField(field->text()));
}

void Q2Panel::baudRateActivated(int index)
{
    if (index == 1)
        askCustomBaud(cbb_BaudRate0, this, m_prompt);
}
