// Reading the panel back: the records a save writes, the checks before a network save and the
// save plan built from them.

#include "Q2Panel.h"

#include "PanelFields.h"

#include "common/ParamBlocks.h"
#include "engine/ParamKeys.h"
#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>

namespace {

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

} // namespace

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

void Q2Panel::showMessage(const QString &text)
{
    if (m_message)
        m_message(this, text);
}

bool Q2Panel::checkKey(QWidget *field, const QString &text, const char *key)
{
    // The rule and the caption come from the engine's key table, which x7ctl and the batch
    // apply check with too.
    const QString message = keyFieldMessage(ModuleModel::Q2, QLatin1String(key), text);
    if (message.isEmpty())
        return true;
    showMessage(message);
    focusField(field);
    return false;
}

bool Q2Panel::checkField(QLineEdit *field, const char *key)
{
    return checkKey(field, field->text(), key);
}

bool Q2Panel::validateQ2Panel()
{
    struct Check
    {
        QLineEdit *field;
        const char *key;
    };
    const Check always[] = {
        {edt_HTTPServerPort, "net.http_port"},
        {edt_StaticIP, "net.ip"},
        {edt_username, "dev.web_user"},
        {edt_password, "dev.web_password"},
        {edt_SubnetMask, "net.mask"},
        {edt_GatewayIP, "net.gateway"},
        {edtDns, "net.dns"},
        {edt_ModName, "dev.name"},
        {labeledEdit1, "port.restart_timeout"},
        {edt_LocalPort0, "port.local"},
        {edt_RemoteIP0, "port.remote_host"},
        {edt_RemotePort0, "port.remote_port"},
        {labeledEditShortTime, "net.short_conn_time"},
        {edt_UARTTime0, "port.pack_time"},
        {edtUartPackLEN, "port.pack_length"},
    };
    for (const Check &c : always) {
        if (!checkField(c.field, c.key))
            return false;
    }
    // The heartbeat and registration fields are checked only while their feature shows them: a
    // module without that block (older firmware), or with the feature off, must still be saved.
    const Check whenShown[] = {
        {edtHeartTm, "heart.period"},
        {edtHeartDt, "heart.data"},
        {edtRegDt, "reg.data"},
    };
    for (const Check &c : whenShown) {
        if (!c.field->isHidden() && !checkField(c.field, c.key))
            return false;
    }
    if (modbusNewShown() && !(checkField(edtModbusTimeout1, "modbus.new_timeout") &&
                              checkField(edtModbusInterval1, "modbus.new_interval")))
        return false;
    if (modbusPackShown() && !(checkField(edtModbusTimeout, "modbus.pack_timeout") &&
                               checkField(edtModbusInterval, "modbus.pack_interval")))
        return false;
    // The polling time is checked only when it is shown: a module with the 1-byte form never
    // fills it, and a hidden field the user cannot reach must not block every save.
    if (modbusShortShown() && !edtwaittime->isHidden() &&
        !checkField(edtwaittime, "modbus.poll_time"))
        return false;
    if (httpdGroupShown() && !(checkKey(labeledEdit2, labeledEdit2->text(), "httpd.url") &&
                               checkKey(rzRichEdit1, rzRichEdit1->toPlainText(), "httpd.header")))
        return false;
    return true;
}

SavePlan Q2Panel::prepareQ2Save(int version, StoredAnswers &stored)
{
    if (!validateQ2Panel()) {
        SavePlan refused;
        refused.refusal = SaveRefusal::Validation;
        return refused;
    }
    return buildQ2SavePlan(collectSaveInput(version), stored);
}

void Q2Panel::focusField(QWidget *field)
{
    if (!field)
        return;
    m_scroll->ensureWidgetVisible(field);
    field->setFocus(Qt::OtherFocusReason);
}

QWidget *Q2Panel::refusedField(const SavePlan &plan) const
{
    if (plan.refusal != SaveRefusal::BadField)
        return nullptr;
    const QString &f = plan.badField;
    if (f == QLatin1String("Ip"))
        return edt_StaticIP;
    if (f == QLatin1String("Gateway"))
        return edt_GatewayIP;
    if (f == QLatin1String("Mask"))
        return edt_SubnetMask;
    if (f == QLatin1String("Dns"))
        return edtDns;
    if (f == QLatin1String("UserMac"))
        return edt_UserMAC;
    if (f == QLatin1String("HeartData"))
        return edtHeartDt;
    if (f == QLatin1String("RegData"))
        return edtRegDt;
    if (f == QLatin1String("PollTime"))
        return edtwaittime;
    // The packing block is built before the newer one, so a bad time is the packing block's
    // when its group is shown and its own text does not convert.
    const bool timeout = f == QLatin1String("Timeout");
    if (timeout || f == QLatin1String("Interval")) {
        QLineEdit *pack = timeout ? edtModbusTimeout : edtModbusInterval;
        QLineEdit *newer = timeout ? edtModbusTimeout1 : edtModbusInterval1;
        const bool packBad = !pack->text().trimmed().isEmpty() && !decimalFieldValue(pack->text());
        return modbusPackShown() && packBad ? pack : newer;
    }
    return nullptr;
}

void Q2Panel::focusRefusedField(const SavePlan &plan)
{
    focusField(refusedField(plan));
}
