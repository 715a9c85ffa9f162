// Filling the panel from a module's blocks and reading back what a save writes.

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

quint32 numberOr(const QLineEdit *edit, quint32 fallback)
{
    return decimalFieldValue(edit->text()).value_or(fallback);
}

// The list's index mapped through `values`, or `kept` when nothing is selected.
int mappedOr(const QComboBox *combo, std::initializer_list<int> values, int kept)
{
    const int index = combo->currentIndex();
    return index >= 0 && index < int(values.size()) ? values.begin()[index] : kept;
}

int indexOr(const QComboBox *combo, int kept)
{
    const int index = combo->currentIndex();
    return index >= 0 ? index : kept;
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

bool Q2Panel::upnpPortKnown() const
{
    return decimalFieldValue(edt_LocationURLPort->text()).has_value();
}

BaseParams Q2Panel::collectBaseParam() const
{
    BaseParams b = m_base;
    b.staticIp = cbb_AddrType->currentIndex() != 0;
    b.httpPort = int(numberOr(edt_HTTPServerPort, quint32(m_base.httpPort)));
    b.upnpPort = int(numberOr(edt_LocationURLPort, quint32(m_base.upnpPort)));
    b.ip = edt_StaticIP->text();
    b.gateway = edt_GatewayIP->text();
    b.mask = edt_SubnetMask->text();
    b.dns = edtDns->text();
    b.name = edt_ModName->text();
    b.webUser = edt_username->text();
    b.webPassword = edt_password->text();
    b.options = (rzchckbx_Reset->isChecked() ? kOptionReset : 0) |
                (rzchckbx_Link->isChecked() ? kOptionLink : 0) |
                (rzchckbx_Index->isChecked() ? kOptionIndex : 0) |
                (rzchckbx_RFC2217->isChecked() ? kOptionRfc2217 : 0);
    b.userMac = edt_UserMAC->text();
    b.clearCache = rzCheckBox2->isChecked();
    b.shortConnEnabled = rzCheckBoxShortEnable->isChecked();
    b.shortConnTime = shortConnTimeFromText(labeledEditShortTime->text());
    b.isT0 = chkisT0->isChecked();
    return b;
}

PortParams Q2Panel::collectPortParam() const
{
    PortParams p = m_port;
    p.baud = decimalFieldValue(cbb_BaudRate0->currentText()).value_or(m_port.baud);
    p.parity = mappedOr(cbb_P0, {1, 2, 3, 4, 5}, m_port.parity);
    p.dataBits = mappedOr(cbb_D0, {5, 6, 7, 8}, m_port.dataBits);
    p.stopBits = mappedOr(cbb_S0, {1, 2}, m_port.stopBits);
    p.flowControl = mappedOr(cbb_FlowControl0, {1, 3, 5}, m_port.flowControl);
    p.localPort = int(numberOr(edt_LocalPort0, quint32(m_port.localPort)));
    p.remotePort = int(numberOr(edt_RemotePort0, quint32(m_port.remotePort)));
    p.remoteHost = edt_RemoteIP0->text();
    const int mode = cbb_WorkMode0->currentIndex();
    p.workMode =
        mode == 0 && chkMulticast->isChecked() ? 5 : indexOr(cbb_WorkMode0, m_port.workMode);
    p.modbusTcp = indexOr(cbb_ModbusTCP0, m_port.modbusTcp ? 1 : 0) != 0;
    p.rfc2217 = chk_RFC22170->isChecked();
    const int registration = rzComboBox2->currentIndex();
    p.cloudEnabled = registration == 3;
    p.macRegistration = registration == 1;
    p.customRegistration = registration == 2;
    p.tcpServerCount =
        mappedOr(cbb_TCPSvrCount0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                 m_port.tcpServerCount);
    p.timeoutRestart = int(numberOr(labeledEdit1, quint32(m_port.timeoutRestart)));
    p.httpdMethod = indexOr(cbbGetPost, m_port.httpdMethod);
    p.packLength = int(numberOr(edtUartPackLEN, quint32(m_port.packLength)));
    p.packTime = int(numberOr(edt_UARTTime0, quint32(m_port.packTime)));
    p.kickOldConnection = rzCheckBox1->isChecked();
    p.macHeartbeat = cbbHeartPackType->currentIndex() == 0;
    p.udpSourceCheck = rzchbUdpFrom->isChecked();
    return p;
}

CloudParams Q2Panel::collectCloud() const
{
    return {edtDid->text(), edtCompass->text()};
}

HeartRegParams Q2Panel::collectHeartReg() const
{
    HeartRegParams h = m_heartReg;
    const int heart = rzComboBox1->currentIndex();
    h.netHeartbeat = heart == 2;
    h.serialHeartbeat = heart == 1;
    switch (cbbRegType->currentIndex()) {
    case 0:
        h.regOnConnect = true;
        h.regWithData = false;
        break;
    case 1:
        h.regOnConnect = false;
        h.regWithData = true;
        break;
    case 2:
        h.regOnConnect = true;
        h.regWithData = true;
        break;
    default:
        break;
    }
    h.removeHttpdHeader = rzCheckBox3->isChecked();
    h.comSetEnable = rzchckbxComSetEnable->isChecked();
    h.heartDataHex = rzchckbxHeartDtHex->isChecked();
    h.regDataHex = rzchckbxRegDtHex->isChecked();
    h.heartPeriod = int(numberOr(edtHeartTm, quint32(m_heartReg.heartPeriod)));
    h.heartData = edtHeartDt->text();
    h.regData = edtRegDt->text();
    return h;
}

HttpdParams Q2Panel::collectHttpd() const
{
    // An edited header goes out with CR LF line ends, as HTTP wants them; an unedited one
    // exactly as the module sent it.
    QString header = rzRichEdit1->toPlainText();
    if (header == m_shownHeaderText)
        return {labeledEdit2->text(), m_shownHeader};
    header.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return {labeledEdit2->text(), header};
}

ModbusParams Q2Panel::collectModbusShort() const
{
    ModbusParams m;
    m.tcpEnabled = rzchckbxmodbustcp->isChecked();
    m.pollEnabled = rzchckbxmodbuspool->isChecked();
    m.pollTime = edtwaittime->text();
    return m;
}

int Q2Panel::modbusShortForm() const
{
    return rzchckbxmodbuspool->isHidden() ? 1 : 4;
}

ModbusPackParams Q2Panel::collectModbusPack() const
{
    ModbusPackParams m = m_modbusPack;
    m.mode = indexOr(cbbModbusType, m_modbusPack.mode);
    m.exceptionResponse = indexOr(cbbModbusException, m_modbusPack.exceptionResponse);
    m.reportProtocol = indexOr(cbbReporproto, m_modbusPack.reportProtocol);
    m.timeout = edtModbusTimeout->text();
    m.interval = edtModbusInterval->text();
    return m;
}

ModbusNewParams Q2Panel::collectModbusNew() const
{
    ModbusNewParams m = m_modbusNew;
    m.mode = indexOr(cmbModbusEnable1, m_modbusNew.mode);
    m.exceptionResponse = indexOr(cmbModbusException1, m_modbusNew.exceptionResponse);
    m.timeout = edtModbusTimeout1->text();
    m.interval = edtModbusInterval1->text();
    return m;
}

bool Q2Panel::httpdGroupShown() const
{
    return !rzGroupBoxHttpd->isHidden();
}

bool Q2Panel::modbusShortShown() const
{
    return !rzGroupBox1->isHidden();
}

bool Q2Panel::modbusPackShown() const
{
    return !rzgrpbxModbus->isHidden();
}

bool Q2Panel::modbusNewShown() const
{
    return !rzgrpbxModbusNew->isHidden();
}

int Q2Panel::registrationType() const
{
    return rzComboBox2->currentIndex();
}

Q2SaveInput Q2Panel::collectSaveInput(int version) const
{
    Q2SaveInput in;
    in.base = collectBaseParam();
    in.upnpPortKnown = upnpPortKnown();
    in.port = collectPortParam();
    in.cloud = collectCloud();
    in.heartReg = collectHeartReg();
    in.httpdVisible = httpdGroupShown();
    in.httpd = collectHttpd();
    in.modbusShortVisible = modbusShortShown();
    in.modbusShortForm = modbusShortForm();
    in.modbusShort = collectModbusShort();
    in.modbusPackVisible = modbusPackShown();
    in.modbusPack = collectModbusPack();
    in.modbusNewVisible = modbusNewShown();
    in.modbusNew = collectModbusNew();
    in.version = version;
    return in;
}

QString Q2Panel::webServerPortText() const
{
    const QString port = edt_HTTPServerPort->text().trimmed();
    return QLatin1Char(':') + (port.isEmpty() ? QStringLiteral("80") : port);
}

int Q2Panel::workModeIndex() const
{
    return cbb_WorkMode0->currentIndex();
}

QString Q2Panel::remoteIpText() const
{
    return edt_RemoteIP0->text();
}

QString Q2Panel::localPortText() const
{
    return edt_LocalPort0->text();
}

QString Q2Panel::remotePortText() const
{
    return edt_RemotePort0->text();
}
