// What the panel's lists make visible or enabled, the hex check boxes, the custom baud rate and
// the check before a network save.

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

bool onlyDigits(const QString &text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
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

void Q2Panel::showMessage(const QString &text)
{
    if (m_message)
        m_message(this, text);
}

void Q2Panel::focusField(QWidget *field)
{
    if (!field)
        return;
    m_scroll->ensureWidgetVisible(field);
    field->setFocus(Qt::OtherFocusReason);
}

bool Q2Panel::checkText(const QString &text, const QString &label, QWidget *field)
{
    if (!text.trimmed().isEmpty())
        return true;
    showMessage(label + langText(QStringLiteral("lang_IsNull")));
    focusField(field);
    return false;
}

bool Q2Panel::checkField(QLineEdit *field, const char *labelKey, bool digits)
{
    const QString label = langText(QLatin1String(labelKey));
    if (!checkText(field->text(), label, field))
        return false;
    if (digits && !onlyDigits(field->text().trimmed())) {
        showMessage(label + langText(QStringLiteral("lang_IsNotNum")));
        focusField(field);
        return false;
    }
    return true;
}

bool Q2Panel::validateQ2Panel()
{
    struct Check
    {
        QLineEdit *field;
        const char *labelKey;
        bool digits;
    };
    const Check always[] = {
        {edt_HTTPServerPort, "lang_Lbl_HTTPPort", true},
        {edt_StaticIP, "lang_Lbl_StaticIP", false},
        {edt_username, "lang_Lbl_UserName", false},
        {edt_password, "lang_Lbl_Password", false},
        {edt_SubnetMask, "lang_Lbl_SubnetMask", false},
        {edt_GatewayIP, "lang_Lbl_Gateway", false},
        {edtDns, "lang_lblDns", false},
        {edt_ModName, "lang_Lbl_DevName", false},
        {labeledEdit1, "lang_LabeledEdit1", true},
        {edt_LocalPort0, "lang_Lbl_LocalPort", true},
        {edt_RemoteIP0, "lang_Lbl_RemoteIP", false},
        {edt_RemotePort0, "lang_Lbl_RemotePort", true},
        {labeledEditShortTime, "lang_LabeledEditShortTime", false},
        {edt_UARTTime0, "lang_Lbl_PackTime", true},
        {edtUartPackLEN, "lang_Lbl_PackLen", true},
    };
    for (const Check &c : always) {
        if (!checkField(c.field, c.labelKey, c.digits))
            return false;
    }
    // The heartbeat and registration fields are checked only while their feature shows them: a
    // module without that block (older firmware), or with the feature off, must still be saved.
    const Check whenShown[] = {
        {edtHeartTm, "lang_lblHeartTm", true},
        {edtHeartDt, "lang_lblHeartDt", false},
        {edtRegDt, "lang_lblRegTp", false},
    };
    for (const Check &c : whenShown) {
        if (!c.field->isHidden() && !checkField(c.field, c.labelKey, c.digits))
            return false;
    }
    if (modbusNewShown() && !(checkField(edtModbusTimeout1, "lang_lblModbusTimeout1", true) &&
                              checkField(edtModbusInterval1, "lang_lblModbusInterval1", true)))
        return false;
    if (modbusPackShown() && !(checkField(edtModbusTimeout, "lang_lblModbusTimeout", true) &&
                               checkField(edtModbusInterval, "lang_lblModbusInterval", true)))
        return false;
    // The polling time is checked only when it is shown: a module with the 1-byte form never
    // fills it, and a hidden field the user cannot reach must not block every save.
    if (modbusShortShown() && !edtwaittime->isHidden() &&
        !checkField(edtwaittime, "lang_lblhearttime", true))
        return false;
    if (httpdGroupShown() &&
        !(checkText(labeledEdit2->text(), QStringLiteral("Httpd URL"), labeledEdit2) &&
          checkText(rzRichEdit1->toPlainText(), QStringLiteral("Httpd Header"), rzRichEdit1)))
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
