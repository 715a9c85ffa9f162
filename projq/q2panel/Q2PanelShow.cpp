// Filling the panel from a module's blocks. Reading it back for a save is Q2PanelSave.cpp.

#include "Q2Panel.h"

#include "common/ParamBlocks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>

namespace {

// An index outside the list leaves the list without a selection; collecting then keeps the
// value the module sent instead of writing a made-up one.
void selectIndex(QComboBox *combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// The typing limit of a field applies to typing only: a longer value from the module is shown
// whole (and written back whole) rather than cut by the limit.
void showLimited(QLineEdit *edit, int typedLimit, const QString &text)
{
    edit->setMaxLength(qMax(typedLimit, int(text.size())));
    edit->setText(text);
}

void setShown(std::initializer_list<QWidget *> widgets, bool shown)
{
    for (QWidget *w : widgets)
        w->setVisible(shown);
}

constexpr int kStaticIpTyped = 15;
constexpr int kNameTyped = 14;
constexpr int kLoginTyped = 5;
constexpr int kRemoteHostTyped = 30;

} // namespace

void Q2Panel::beginRead()
{
    setShown({rzGroupBox1, rzgrpbxModbus, rzgrpbxModbusNew, rzchckbxmodbustcp, rzchckbxmodbuspool,
              lblhearttime, edtwaittime},
             false);
}

void Q2Panel::fillWorkModeList(bool isT0)
{
    QStringList modes = {QStringLiteral("UDP Client"), QStringLiteral("TCP Client"),
                         QStringLiteral("UDP Server"), QStringLiteral("TCP Server")};
    if (!isT0)
        modes << QStringLiteral("HTTPD Client");
    const QSignalBlocker quiet(cbb_WorkMode0);
    cbb_WorkMode0->clear();
    cbb_WorkMode0->addItems(modes);
}

void Q2Panel::showBaud(quint32 baud)
{
    const QString text = QString::number(baud);
    int index = cbb_BaudRate0->findText(text, Qt::MatchExactly);
    if (index < 0) {
        cbb_BaudRate0->setItemText(0, text);
        index = 0;
    }
    cbb_BaudRate0->setCurrentIndex(index);
}

void Q2Panel::showQ2Params(const BaseParams &b, const PortParams &p)
{
    m_base = b;
    m_port = p;

    cbb_AddrType->setCurrentIndex(b.staticIp ? 1 : 0);
    edt_HTTPServerPort->setText(QString::number(b.httpPort));
    edt_LocationURLPort->setText(QString::number(b.upnpPort));
    showLimited(edt_StaticIP, kStaticIpTyped, b.ip);
    edt_GatewayIP->setText(b.gateway);
    edt_SubnetMask->setText(b.mask);
    edtDns->setText(b.dns);
    showLimited(edt_ModName, kNameTyped, b.name);
    showLimited(edt_username, kLoginTyped, b.webUser);
    showLimited(edt_password, kLoginTyped, b.webPassword);
    rzchckbx_Reset->setChecked(b.options & kOptionReset);
    rzchckbx_Link->setChecked(b.options & kOptionLink);
    rzchckbx_Index->setChecked(b.options & kOptionIndex);
    rzchckbx_RFC2217->setChecked(b.options & kOptionRfc2217);
    edt_UserMAC->setText(b.userMac);
    rzCheckBox2->setChecked(b.clearCache);
    rzCheckBoxShortEnable->setChecked(b.shortConnEnabled);
    labeledEditShortTime->setText(QString::number(b.shortConnTime));
    labeledEdit1->setText(QString::number(p.timeoutRestart));
    chkisT0->setChecked(b.isT0);
    cbbRegSnd->setCurrentIndex(b.regSendMode ? 1 : 0);

    showBaud(p.baud);
    selectIndex(cbb_P0, p.parity - 1);
    selectIndex(cbb_D0, p.dataBits - 5);
    selectIndex(cbb_S0, cbb_S0->findText(QString::number(p.stopBits)));
    selectIndex(cbb_FlowControl0, p.flowControl == 1   ? 0
                                  : p.flowControl == 3 ? 1
                                  : p.flowControl == 5 ? 2
                                                       : -1);
    edt_LocalPort0->setText(QString::number(p.localPort));
    edt_RemotePort0->setText(QString::number(p.remotePort));
    showLimited(edt_RemoteIP0, kRemoteHostTyped, p.remoteHost);
    fillWorkModeList(b.isT0);
    if (p.workMode == 5 || p.workMode == 0) {
        chkMulticast->setChecked(p.workMode == 5);
        selectIndex(cbb_WorkMode0, 0);
    } else {
        selectIndex(cbb_WorkMode0, p.workMode);
    }
    selectIndex(cbb_ModbusTCP0, p.modbusTcp ? 1 : 0);
    chk_RFC22170->setChecked(p.rfc2217);
    selectIndex(cbb_TCPSvrCount0, p.tcpServerCount - 1);
    selectIndex(cbb_TCPStyle0, p.tcpStyle - 1);
    edt_UARTTime0->setText(QString::number(p.packTime));
    edtUartPackLEN->setText(QString::number(p.packLength));
    rzCheckBox1->setChecked(p.kickOldConnection);
    rzchbUdpFrom->setChecked(p.udpSourceCheck);
    selectIndex(cbbGetPost, p.httpdMethod);
    // Registration type: the last flag that is set wins.
    int registration = 0;
    if (p.cloudEnabled)
        registration = 3;
    if (p.macRegistration)
        registration = 1;
    if (p.customRegistration)
        registration = 2;
    rzComboBox2->setCurrentIndex(registration);
    cbbHeartPackType->setCurrentIndex(p.macHeartbeat ? 0 : 1);

    applyAllRules();
}

void Q2Panel::showHeartReg(const QByteArray &block)
{
    const HeartRegParams h = parseHeartReg(block);
    m_heartReg = h;
    int heart = 0;
    if (h.serialHeartbeat)
        heart = 1;
    if (h.netHeartbeat)
        heart = 2;
    rzComboBox1->setCurrentIndex(heart);
    if (h.regOnConnect || h.regWithData)
        cbbRegType->setCurrentIndex(h.regOnConnect && h.regWithData ? 2 : h.regOnConnect ? 0 : 1);
    edtHeartTm->setText(QString::number(h.heartPeriod));
    {
        // The data arrive already in the form their hex flag says: no conversion here.
        const QSignalBlocker quietHeart(rzchckbxHeartDtHex);
        const QSignalBlocker quietReg(rzchckbxRegDtHex);
        rzchckbxHeartDtHex->setChecked(h.heartDataHex);
        rzchckbxRegDtHex->setChecked(h.regDataHex);
    }
    edtHeartDt->setText(h.heartData);
    edtRegDt->setText(h.regData);
    rzCheckBox3->setChecked(h.removeHttpdHeader);
    rzchckbxComSetEnable->setChecked(h.comSetEnable);
    applyHeartRule();
    applyRegistrationRule();
}

void Q2Panel::showCloud(const CloudParams &cloud)
{
    edtDid->setText(cloud.deviceId);
    edtCompass->setText(cloud.commCode);
}

void Q2Panel::showHttpd(const QString &url, const QString &header)
{
    labeledEdit2->setText(url);
    rzRichEdit1->setPlainText(header);
    m_shownHeader = header;
    m_shownHeaderText = rzRichEdit1->toPlainText();
}

void Q2Panel::showModbusShort(const ModbusParams &modbus, int length)
{
    const bool withPolling = length == 4;
    rzGroupBox1->show();
    rzchckbxmodbustcp->show();
    rzchckbxmodbustcp->setChecked(modbus.tcpEnabled);
    setShown({rzchckbxmodbuspool, lblhearttime, edtwaittime}, withPolling);
    if (withPolling) {
        rzchckbxmodbuspool->setChecked(modbus.pollEnabled);
        edtwaittime->setText(modbus.pollTime);
    }
}

void Q2Panel::showModbusPack(const ModbusPackParams &modbus)
{
    m_modbusPack = modbus;
    rzgrpbxModbus->show();
    selectIndex(cbbModbusType, modbus.mode);
    selectIndex(cbbModbusException, modbus.exceptionResponse);
    selectIndex(cbbReporproto, modbus.reportProtocol);
    edtModbusTimeout->setText(modbus.timeout);
    edtModbusInterval->setText(modbus.interval);
    applyModbusPackRule();
}

void Q2Panel::showModbusNew(const ModbusNewParams &modbus)
{
    m_modbusNew = modbus;
    rzgrpbxModbusNew->show();
    selectIndex(cmbModbusEnable1, modbus.mode);
    selectIndex(cmbModbusException1, modbus.exceptionResponse);
    edtModbusTimeout1->setText(modbus.timeout);
    edtModbusInterval1->setText(modbus.interval);
    applyModbusNewRule();
}

// ---- Collecting ------------------------------------------------------------------------------
