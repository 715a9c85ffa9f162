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
    return DecimalFieldValue(edit->text()).value_or(fallback);
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

void TQ2Panel::BeginRead()
{
    setShown({RzGroupBox1, rzgrpbxModbus, rzgrpbxModbusNew, rzchckbxmodbustcp, rzchckbxmodbuspool,
              lblhearttime, edtwaittime},
             false);
}

void TQ2Panel::fillWorkModeList(bool isT0)
{
    QStringList modes = {QStringLiteral("UDP Client"), QStringLiteral("TCP Client"),
                         QStringLiteral("UDP Server"), QStringLiteral("TCP Server")};
    if (!isT0)
        modes << QStringLiteral("HTTPD Client");
    const QSignalBlocker quiet(cbb_WorkMode0);
    cbb_WorkMode0->clear();
    cbb_WorkMode0->addItems(modes);
}

void TQ2Panel::showBaud(quint32 baud)
{
    const QString text = QString::number(baud);
    int index = cbb_BaudRate0->findText(text, Qt::MatchExactly);
    if (index < 0) {
        cbb_BaudRate0->setItemText(0, text);
        index = 0;
    }
    cbb_BaudRate0->setCurrentIndex(index);
}

void TQ2Panel::ShowQ2Params(const TBaseParam &b, const TPortParam &p)
{
    m_base = b;
    m_port = p;

    cbb_AddrType->setCurrentIndex(b.StaticIp ? 1 : 0);
    edt_HTTPServerPort->setText(QString::number(b.HttpPort));
    edt_LocationURLPort->setText(QString::number(b.UpnpPort));
    showLimited(edt_StaticIP, kStaticIpTyped, b.Ip);
    edt_GatewayIP->setText(b.Gateway);
    edt_SubnetMask->setText(b.Mask);
    edtDns->setText(b.Dns);
    showLimited(edt_ModName, kNameTyped, b.Name);
    showLimited(edt_username, kLoginTyped, b.WebUser);
    showLimited(edt_password, kLoginTyped, b.WebPassword);
    rzchckbx_Reset->setChecked(b.Options & kOptionReset);
    rzchckbx_Link->setChecked(b.Options & kOptionLink);
    rzchckbx_Index->setChecked(b.Options & kOptionIndex);
    rzchckbx_RFC2217->setChecked(b.Options & kOptionRfc2217);
    edt_UserMAC->setText(b.UserMac);
    RzCheckBox2->setChecked(b.ClearCache);
    RzCheckBoxShortEnable->setChecked(b.ShortConnEnabled);
    LabeledEditShortTime->setText(QString::number(b.ShortConnTime));
    LabeledEdit1->setText(QString::number(p.TimeoutRestart));
    chkisT0->setChecked(b.IsT0);
    cbbRegSnd->setCurrentIndex(b.RegSendMode ? 1 : 0);

    showBaud(p.Baud);
    selectIndex(cbb_P0, p.Parity - 1);
    selectIndex(cbb_D0, p.DataBits - 5);
    selectIndex(cbb_S0, cbb_S0->findText(QString::number(p.StopBits)));
    selectIndex(cbb_FlowControl0, p.FlowControl == 1   ? 0
                                  : p.FlowControl == 3 ? 1
                                  : p.FlowControl == 5 ? 2
                                                       : -1);
    edt_LocalPort0->setText(QString::number(p.LocalPort));
    edt_RemotePort0->setText(QString::number(p.RemotePort));
    showLimited(edt_RemoteIP0, kRemoteHostTyped, p.RemoteHost);
    fillWorkModeList(b.IsT0);
    if (p.WorkMode == 5 || p.WorkMode == 0) {
        chkMulticast->setChecked(p.WorkMode == 5);
        selectIndex(cbb_WorkMode0, 0);
    } else {
        selectIndex(cbb_WorkMode0, p.WorkMode);
    }
    selectIndex(cbb_ModbusTCP0, p.ModbusTcp ? 1 : 0);
    chk_RFC22170->setChecked(p.Rfc2217);
    selectIndex(cbb_TCPSvrCount0, p.TcpServerCount - 1);
    selectIndex(cbb_TCPStyle0, p.TcpStyle - 1);
    edt_UARTTime0->setText(QString::number(p.PackTime));
    edtUartPackLEN->setText(QString::number(p.PackLength));
    RzCheckBox1->setChecked(p.KickOldConnection);
    rzchbUdpFrom->setChecked(p.UdpSourceCheck);
    selectIndex(cbbGetPost, p.HttpdMethod);
    // Registration type: the last flag that is set wins.
    int registration = 0;
    if (p.CloudEnabled)
        registration = 3;
    if (p.MacRegistration)
        registration = 1;
    if (p.CustomRegistration)
        registration = 2;
    RzComboBox2->setCurrentIndex(registration);
    cbbHeartPackType->setCurrentIndex(p.MacHeartbeat ? 0 : 1);

    applyAllRules();
}

void TQ2Panel::ShowHeartReg(const QByteArray &block)
{
    const THeartRegParam h = ParseHeartReg(block);
    m_heartReg = h;
    int heart = 0;
    if (h.SerialHeartbeat)
        heart = 1;
    if (h.NetHeartbeat)
        heart = 2;
    RzComboBox1->setCurrentIndex(heart);
    if (h.RegOnConnect || h.RegWithData)
        cbbRegType->setCurrentIndex(h.RegOnConnect && h.RegWithData ? 2 : h.RegOnConnect ? 0 : 1);
    edtHeartTm->setText(QString::number(h.HeartPeriod));
    {
        // The data arrive already in the form their hex flag says: no conversion here.
        const QSignalBlocker quietHeart(rzchckbxHeartDtHex);
        const QSignalBlocker quietReg(rzchckbxRegDtHex);
        rzchckbxHeartDtHex->setChecked(h.HeartDataHex);
        rzchckbxRegDtHex->setChecked(h.RegDataHex);
    }
    edtHeartDt->setText(h.HeartData);
    edtRegDt->setText(h.RegData);
    RzCheckBox3->setChecked(h.RemoveHttpdHeader);
    rzchckbxComSetEnable->setChecked(h.ComSetEnable);
    applyHeartRule();
    applyRegistrationRule();
}

void TQ2Panel::ShowCloud(const TCloudParam &cloud)
{
    edtDid->setText(cloud.DeviceId);
    edtCompass->setText(cloud.CommCode);
}

void TQ2Panel::ShowHttpd(const QString &url, const QString &header)
{
    LabeledEdit2->setText(url);
    RzRichEdit1->setPlainText(header);
    m_shownHeader = header;
    m_shownHeaderText = RzRichEdit1->toPlainText();
}

void TQ2Panel::ShowModbusShort(const TModbusParam &modbus, int length)
{
    const bool withPolling = length == 4;
    RzGroupBox1->show();
    rzchckbxmodbustcp->show();
    rzchckbxmodbustcp->setChecked(modbus.TcpEnabled);
    setShown({rzchckbxmodbuspool, lblhearttime, edtwaittime}, withPolling);
    if (withPolling) {
        rzchckbxmodbuspool->setChecked(modbus.PollEnabled);
        edtwaittime->setText(modbus.PollTime);
    }
}

void TQ2Panel::ShowModbusPack(const TModbusPackParam &modbus)
{
    m_modbusPack = modbus;
    rzgrpbxModbus->show();
    selectIndex(cbbModbusType, modbus.Mode);
    selectIndex(cbbModbusException, modbus.ExceptionResponse);
    selectIndex(cbbReporproto, modbus.ReportProtocol);
    edtModbusTimeout->setText(modbus.Timeout);
    edtModbusInterval->setText(modbus.Interval);
    applyModbusPackRule();
}

void TQ2Panel::ShowModbusNew(const TModbusNewParam &modbus)
{
    m_modbusNew = modbus;
    rzgrpbxModbusNew->show();
    selectIndex(cmbModbusEnable1, modbus.Mode);
    selectIndex(cmbModbusException1, modbus.ExceptionResponse);
    edtModbusTimeout1->setText(modbus.Timeout);
    edtModbusInterval1->setText(modbus.Interval);
    applyModbusNewRule();
}

// ---- Collecting ------------------------------------------------------------------------------

bool TQ2Panel::upnpPortKnown() const
{
    return DecimalFieldValue(edt_LocationURLPort->text()).has_value();
}

TBaseParam TQ2Panel::CollectBaseParam() const
{
    TBaseParam b = m_base;
    b.StaticIp = cbb_AddrType->currentIndex() != 0;
    b.HttpPort = int(numberOr(edt_HTTPServerPort, quint32(m_base.HttpPort)));
    b.UpnpPort = int(numberOr(edt_LocationURLPort, quint32(m_base.UpnpPort)));
    b.Ip = edt_StaticIP->text();
    b.Gateway = edt_GatewayIP->text();
    b.Mask = edt_SubnetMask->text();
    b.Dns = edtDns->text();
    b.Name = edt_ModName->text();
    b.WebUser = edt_username->text();
    b.WebPassword = edt_password->text();
    b.Options = (rzchckbx_Reset->isChecked() ? kOptionReset : 0) |
                (rzchckbx_Link->isChecked() ? kOptionLink : 0) |
                (rzchckbx_Index->isChecked() ? kOptionIndex : 0) |
                (rzchckbx_RFC2217->isChecked() ? kOptionRfc2217 : 0);
    b.UserMac = edt_UserMAC->text();
    b.ClearCache = RzCheckBox2->isChecked();
    b.ShortConnEnabled = RzCheckBoxShortEnable->isChecked();
    b.ShortConnTime = ShortConnTimeFromText(LabeledEditShortTime->text());
    b.IsT0 = chkisT0->isChecked();
    return b;
}

TPortParam TQ2Panel::CollectPortParam() const
{
    TPortParam p = m_port;
    p.Baud = DecimalFieldValue(cbb_BaudRate0->currentText()).value_or(m_port.Baud);
    p.Parity = mappedOr(cbb_P0, {1, 2, 3, 4, 5}, m_port.Parity);
    p.DataBits = mappedOr(cbb_D0, {5, 6, 7, 8}, m_port.DataBits);
    p.StopBits = mappedOr(cbb_S0, {1, 2}, m_port.StopBits);
    p.FlowControl = mappedOr(cbb_FlowControl0, {1, 3, 5}, m_port.FlowControl);
    p.LocalPort = int(numberOr(edt_LocalPort0, quint32(m_port.LocalPort)));
    p.RemotePort = int(numberOr(edt_RemotePort0, quint32(m_port.RemotePort)));
    p.RemoteHost = edt_RemoteIP0->text();
    const int mode = cbb_WorkMode0->currentIndex();
    p.WorkMode =
        mode == 0 && chkMulticast->isChecked() ? 5 : indexOr(cbb_WorkMode0, m_port.WorkMode);
    p.ModbusTcp = indexOr(cbb_ModbusTCP0, m_port.ModbusTcp ? 1 : 0) != 0;
    p.Rfc2217 = chk_RFC22170->isChecked();
    const int registration = RzComboBox2->currentIndex();
    p.CloudEnabled = registration == 3;
    p.MacRegistration = registration == 1;
    p.CustomRegistration = registration == 2;
    p.TcpServerCount =
        mappedOr(cbb_TCPSvrCount0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16},
                 m_port.TcpServerCount);
    p.TimeoutRestart = int(numberOr(LabeledEdit1, quint32(m_port.TimeoutRestart)));
    p.HttpdMethod = indexOr(cbbGetPost, m_port.HttpdMethod);
    p.PackLength = int(numberOr(edtUartPackLEN, quint32(m_port.PackLength)));
    p.PackTime = int(numberOr(edt_UARTTime0, quint32(m_port.PackTime)));
    p.KickOldConnection = RzCheckBox1->isChecked();
    p.MacHeartbeat = cbbHeartPackType->currentIndex() == 0;
    p.UdpSourceCheck = rzchbUdpFrom->isChecked();
    return p;
}

TCloudParam TQ2Panel::CollectCloud() const
{
    return {edtDid->text(), edtCompass->text()};
}

THeartRegParam TQ2Panel::CollectHeartReg() const
{
    THeartRegParam h = m_heartReg;
    const int heart = RzComboBox1->currentIndex();
    h.NetHeartbeat = heart == 2;
    h.SerialHeartbeat = heart == 1;
    switch (cbbRegType->currentIndex()) {
    case 0:
        h.RegOnConnect = true;
        h.RegWithData = false;
        break;
    case 1:
        h.RegOnConnect = false;
        h.RegWithData = true;
        break;
    case 2:
        h.RegOnConnect = true;
        h.RegWithData = true;
        break;
    default:
        break;
    }
    h.RemoveHttpdHeader = RzCheckBox3->isChecked();
    h.ComSetEnable = rzchckbxComSetEnable->isChecked();
    h.HeartDataHex = rzchckbxHeartDtHex->isChecked();
    h.RegDataHex = rzchckbxRegDtHex->isChecked();
    h.HeartPeriod = int(numberOr(edtHeartTm, quint32(m_heartReg.HeartPeriod)));
    h.HeartData = edtHeartDt->text();
    h.RegData = edtRegDt->text();
    return h;
}

THttpdParam TQ2Panel::CollectHttpd() const
{
    // An edited header goes out with CR LF line ends, as HTTP wants them; an unedited one
    // exactly as the module sent it.
    QString header = RzRichEdit1->toPlainText();
    if (header == m_shownHeaderText)
        return {LabeledEdit2->text(), m_shownHeader};
    header.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return {LabeledEdit2->text(), header};
}

TModbusParam TQ2Panel::CollectModbusShort() const
{
    TModbusParam m;
    m.TcpEnabled = rzchckbxmodbustcp->isChecked();
    m.PollEnabled = rzchckbxmodbuspool->isChecked();
    m.PollTime = edtwaittime->text();
    return m;
}

int TQ2Panel::modbusShortForm() const
{
    return rzchckbxmodbuspool->isHidden() ? 1 : 4;
}

TModbusPackParam TQ2Panel::CollectModbusPack() const
{
    TModbusPackParam m = m_modbusPack;
    m.Mode = indexOr(cbbModbusType, m_modbusPack.Mode);
    m.ExceptionResponse = indexOr(cbbModbusException, m_modbusPack.ExceptionResponse);
    m.ReportProtocol = indexOr(cbbReporproto, m_modbusPack.ReportProtocol);
    m.Timeout = edtModbusTimeout->text();
    m.Interval = edtModbusInterval->text();
    return m;
}

TModbusNewParam TQ2Panel::CollectModbusNew() const
{
    TModbusNewParam m = m_modbusNew;
    m.Mode = indexOr(cmbModbusEnable1, m_modbusNew.Mode);
    m.ExceptionResponse = indexOr(cmbModbusException1, m_modbusNew.ExceptionResponse);
    m.Timeout = edtModbusTimeout1->text();
    m.Interval = edtModbusInterval1->text();
    return m;
}

bool TQ2Panel::httpdGroupShown() const
{
    return !RzGroupBoxHttpd->isHidden();
}

bool TQ2Panel::modbusShortShown() const
{
    return !RzGroupBox1->isHidden();
}

bool TQ2Panel::modbusPackShown() const
{
    return !rzgrpbxModbus->isHidden();
}

bool TQ2Panel::modbusNewShown() const
{
    return !rzgrpbxModbusNew->isHidden();
}

int TQ2Panel::registrationType() const
{
    return RzComboBox2->currentIndex();
}

TQ2SaveInput TQ2Panel::CollectSaveInput(int version) const
{
    TQ2SaveInput in;
    in.base = CollectBaseParam();
    in.upnpPortKnown = upnpPortKnown();
    in.port = CollectPortParam();
    in.cloud = CollectCloud();
    in.heartReg = CollectHeartReg();
    in.httpdVisible = httpdGroupShown();
    in.httpd = CollectHttpd();
    in.modbusShortVisible = modbusShortShown();
    in.modbusShortForm = modbusShortForm();
    in.modbusShort = CollectModbusShort();
    in.modbusPackVisible = modbusPackShown();
    in.modbusPack = CollectModbusPack();
    in.modbusNewVisible = modbusNewShown();
    in.modbusNew = CollectModbusNew();
    in.version = version;
    return in;
}

QString TQ2Panel::webServerPortText() const
{
    const QString port = edt_HTTPServerPort->text().trimmed();
    return QLatin1Char(':') + (port.isEmpty() ? QStringLiteral("80") : port);
}

int TQ2Panel::workModeIndex() const
{
    return cbb_WorkMode0->currentIndex();
}

QString TQ2Panel::remoteIpText() const
{
    return edt_RemoteIP0->text();
}

QString TQ2Panel::localPortText() const
{
    return edt_LocalPort0->text();
}

QString TQ2Panel::remotePortText() const
{
    return edt_RemotePort0->text();
}
