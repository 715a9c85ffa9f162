#include "Q3Panel.h"

#include "engine/ParamKeys.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"
#include "lang/LangList.h"
#include "q2panel/PanelWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using PanelWidgets::caption;
using PanelWidgets::edit;
using PanelWidgets::named;

QComboBox *combo(const char *name, const QStringList &items, int selected = 0)
{
    return PanelWidgets::combo(name, items, selected, 3);
}

// Enabled controls have their caption in the window-text colour, disabled ones in silver.
void enableWithCaption(QLabel *label, QWidget *field, bool enabled)
{
    field->setEnabled(enabled);
    label->setStyleSheet(enabled ? QString() : QStringLiteral("color: silver"));
}

void defaultMessage(QWidget *parent, const QString &text)
{
    auto *box =
        new QMessageBox(QMessageBox::Information, langText(QStringLiteral("lang_Main_AppTitle")),
                        text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

constexpr int kFlowCodes[] = {1, 3, 5}; // None, Hardware, RS485

int le32(const QByteArray &b, int i)
{
    return int(bytesToInt(b.mid(i, 4), true));
}

} // namespace

Q3Panel::Q3Panel(QWidget *parent)
    : QWidget(parent)
    , m_message(defaultMessage)
    , m_prompt(openBaudPrompt)
{
    setObjectName(QStringLiteral("Q3Panel"));

    grp_BaseSaveQ3 = named<QGroupBox>("grp_BaseSaveQ3");
    cbb_AddrTypeQ3 =
        combo("cbb_AddrTypeQ3", {QStringLiteral("DHCP/动态IP"), QStringLiteral("静态IP")}, 1);
    edt_LocationURLPortQ3 = edit("edt_LocationURLPortQ3", QStringLiteral("1900"));
    edt_HTTPServerPortQ3 = edit("edt_HTTPServerPortQ3", QStringLiteral("80"));
    edt_StaticIPQ3 = edit("edt_StaticIPQ3", QStringLiteral("192.168.0.7"));
    edt_GatewayIPQ3 = edit("edt_GatewayIPQ3", QStringLiteral("192.168.0.1"));
    edt_SubnetMaskQ3 = edit("edt_SubnetMaskQ3", QStringLiteral("255.255.255.0"));
    edt_ModNameQ3 = edit("edt_ModNameQ3", QString(), 16);
    edt_usernameQ3 = edit("edt_usernameQ3", QString(), 5);
    edt_passwordQ3 = edit("edt_passwordQ3", QString(), 5);
    edt_IdTypeQ3 = edit("edt_IdTypeQ3", QStringLiteral("0"), 1);
    edt_UserMACQ3 = edit("edt_UserMACQ3", QStringLiteral("FF FF FF FF FF FF"), 17);
    edt_Id3Q3 = edit("edt_Id3Q3");
    lbl_AddrTypeQ3 = caption("lbl_AddrTypeQ3", cbb_AddrTypeQ3);
    lbl_LocationURLPortQ3 = caption("lbl_LocationURLPortQ3", edt_LocationURLPortQ3);
    lbl_HTTPServerPortQ3 = caption("lbl_HTTPServerPortQ3", edt_HTTPServerPortQ3);
    lbl_StaticIPQ3 = caption("lbl_StaticIPQ3", edt_StaticIPQ3);
    lbl_GatewayIPQ3 = caption("lbl_GatewayIPQ3", edt_GatewayIPQ3);
    lbl_SubnetMaskQ3 = caption("lbl_SubnetMaskQ3", edt_SubnetMaskQ3);
    lbl_ModNameQ3 = caption("lbl_ModNameQ3", edt_ModNameQ3);
    lbl_usernameQ3 = caption("lbl_usernameQ3", edt_usernameQ3);
    lbl_passwordQ3 = caption("lbl_passwordQ3", edt_passwordQ3);
    lbl_IdTypeQ3 = caption("lbl_IdTypeQ3", edt_IdTypeQ3);
    lbl_UserMACQ3 = caption("lbl_UserMACQ3", edt_UserMACQ3);
    lbl_Id3Q3 = caption("lbl_Id3Q3", edt_Id3Q3);

    auto *b = new QGridLayout(grp_BaseSaveQ3);
    b->setColumnStretch(1, 1);
    b->setColumnStretch(3, 1);
    auto pair = [](QGridLayout *g, int row, int col, QLabel *l, QWidget *f, int span = 1) {
        g->addWidget(l, row, col * 2);
        g->addWidget(f, row, col * 2 + 1, 1, span);
    };
    pair(b, 0, 0, lbl_AddrTypeQ3, cbb_AddrTypeQ3);
    pair(b, 0, 1, lbl_ModNameQ3, edt_ModNameQ3);
    pair(b, 1, 0, lbl_StaticIPQ3, edt_StaticIPQ3);
    pair(b, 1, 1, lbl_GatewayIPQ3, edt_GatewayIPQ3);
    pair(b, 2, 0, lbl_SubnetMaskQ3, edt_SubnetMaskQ3);
    pair(b, 2, 1, lbl_UserMACQ3, edt_UserMACQ3);
    pair(b, 3, 0, lbl_LocationURLPortQ3, edt_LocationURLPortQ3);
    pair(b, 3, 1, lbl_HTTPServerPortQ3, edt_HTTPServerPortQ3);
    pair(b, 4, 0, lbl_usernameQ3, edt_usernameQ3);
    pair(b, 4, 1, lbl_passwordQ3, edt_passwordQ3);
    pair(b, 5, 0, lbl_IdTypeQ3, edt_IdTypeQ3);
    pair(b, 5, 1, lbl_Id3Q3, edt_Id3Q3);

    grp_ComParamQ3 = named<QGroupBox>("grp_ComParamQ3");
    cbb_BaudRate0Q3 =
        combo("cbb_BaudRate0Q3", moduleBaudRateItems() << QStringLiteral("1024000"), 0);
    cbb_P0Q3 =
        combo("cbb_P0Q3", {QStringLiteral("NONE"), QStringLiteral("ODD"), QStringLiteral("EVEN"),
                           QStringLiteral("MARK"), QStringLiteral("SPACE")});
    cbb_D0Q3 = combo(
        "cbb_D0Q3",
        {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")}, 3);
    cbb_S0Q3 = combo("cbb_S0Q3", {QStringLiteral("1"), QStringLiteral("2")});
    for (QComboBox *c : {cbb_D0Q3, cbb_S0Q3})
        c->setMinimumContentsLength(1);
    cbb_FlowControl0Q3 =
        combo("cbb_FlowControl0Q3",
              {QStringLiteral("None"), QStringLiteral("Hardware"), QStringLiteral("RS485")});
    edt_LocalPort0Q3 = edit("edt_LocalPort0Q3", QStringLiteral("5555"));
    edt_RemotePort0Q3 = edit("edt_RemotePort0Q3", QStringLiteral("5555"));
    edt_RemoteIP0Q3 = edit("edt_RemoteIP0Q3", QStringLiteral("192.168.0.131"), 30);
    cbb_WorkMode0Q3 =
        combo("cbb_WorkMode0Q3",
              {QStringLiteral("UDP"), QStringLiteral("TCP Client"), QStringLiteral("UDP Server"),
               QStringLiteral("TCP Server"), QStringLiteral("HTTPD Client")},
              1);
    cbb_ModbusTCP0Q3 =
        combo("cbb_ModbusTCP0Q3", {QStringLiteral("None"), QStringLiteral("ModbusTCP")});
    chk_RFC22170Q3 = named<QCheckBox>("chk_RFC22170Q3");
    chk_RFC22170Q3->setChecked(true);
    edt_UARTLength0Q3 = edit("edt_UARTLength0Q3", QStringLiteral("200"));
    QStringList counts;
    for (int i = 1; i <= 16; ++i)
        counts << QString::number(i);
    cbb_TCPSvrCount0Q3 = combo("cbb_TCPSvrCount0Q3", counts, 7);
    cbb_TCPStyle0Q3 = combo("cbb_TCPStyle0Q3", {QString(), QString(), QString()});
    edt_UARTTime0Q3 = edit("edt_UARTTime0Q3", QStringLiteral("10"));
    lbl_BaudRate0Q3 = caption("lbl_BaudRate0Q3", cbb_BaudRate0Q3);
    lbl_PDS0Q3 = caption("lbl_PDS0Q3", cbb_P0Q3);
    lbl_FlowControl0Q3 = caption("lbl_FlowControl0Q3", cbb_FlowControl0Q3);
    lbl_LocalPort0Q3 = caption("lbl_LocalPort0Q3", edt_LocalPort0Q3);
    lbl_RemotePort0Q3 = caption("lbl_RemotePort0Q3", edt_RemotePort0Q3);
    lbl_RemoteIP0Q3 = caption("lbl_RemoteIP0Q3", edt_RemoteIP0Q3);
    lbl_WorkMode0Q3 = caption("lbl_WorkMode0Q3", cbb_WorkMode0Q3);
    lbl_ModbusTCP0Q3 = caption("lbl_ModbusTCP0Q3", cbb_ModbusTCP0Q3);
    lbl_UARTLength0Q3 = caption("lbl_UARTLength0Q3", edt_UARTLength0Q3);
    lbl_TCPSvrCount0Q3 = caption("lbl_TCPSvrCount0Q3", cbb_TCPSvrCount0Q3);
    lbl_TCPStyle0Q3 = caption("lbl_TCPStyle0Q3", cbb_TCPStyle0Q3);
    lbl_UARTTime0Q3 = caption("lbl_UARTTime0Q3", edt_UARTTime0Q3);

    auto *p = new QGridLayout(grp_ComParamQ3);
    p->setColumnStretch(1, 1);
    p->setColumnStretch(3, 1);
    auto *pdsRow = new QWidget;
    auto *pds = new QHBoxLayout(pdsRow);
    pds->setContentsMargins(0, 0, 0, 0);
    for (QComboBox *c : {cbb_P0Q3, cbb_D0Q3, cbb_S0Q3})
        pds->addWidget(c);
    pair(p, 0, 0, lbl_BaudRate0Q3, cbb_BaudRate0Q3);
    pair(p, 0, 1, lbl_FlowControl0Q3, cbb_FlowControl0Q3);
    pair(p, 1, 0, lbl_PDS0Q3, pdsRow, 3);
    pair(p, 2, 0, lbl_WorkMode0Q3, cbb_WorkMode0Q3);
    pair(p, 2, 1, lbl_ModbusTCP0Q3, cbb_ModbusTCP0Q3);
    pair(p, 3, 0, lbl_LocalPort0Q3, edt_LocalPort0Q3);
    pair(p, 3, 1, lbl_RemotePort0Q3, edt_RemotePort0Q3);
    pair(p, 4, 0, lbl_RemoteIP0Q3, edt_RemoteIP0Q3, 3);
    pair(p, 5, 0, lbl_UARTTime0Q3, edt_UARTTime0Q3);
    pair(p, 5, 1, lbl_UARTLength0Q3, edt_UARTLength0Q3);
    p->addWidget(chk_RFC22170Q3, 6, 0, 1, 4);
    pair(p, 7, 0, lbl_TCPSvrCount0Q3, cbb_TCPSvrCount0Q3);
    pair(p, 7, 1, lbl_TCPStyle0Q3, cbb_TCPStyle0Q3);
    for (QWidget *w : std::initializer_list<QWidget *>{lbl_TCPSvrCount0Q3, cbb_TCPSvrCount0Q3,
                                                       lbl_TCPStyle0Q3, cbb_TCPStyle0Q3})
        w->hide();

    btn_Q3NetSet = named<QPushButton>("btn_Q3NetSet");
    btn_Q3NetSet->setText(QStringLiteral("Q3网络设置"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_Q3NetSet);

    auto *column = new QVBoxLayout(this);
    column->addWidget(grp_BaseSaveQ3);
    column->addWidget(grp_ComParamQ3);
    column->addLayout(buttons);
    column->addStretch(1);

    connect(btn_Q3NetSet, &QPushButton::clicked, this, &Q3Panel::q3NetSetClicked);
    connect(cbb_AddrTypeQ3, &QComboBox::currentIndexChanged, this, &Q3Panel::applyAddrTypeRule);
    connect(cbb_WorkMode0Q3, &QComboBox::currentIndexChanged, this, &Q3Panel::applyWorkModeRule);
    connect(cbb_BaudRate0Q3, &QComboBox::activated, this, [this](int index) {
        if (index == 1)
            askCustomBaud(cbb_BaudRate0Q3, this, m_prompt);
    });
    applyAddrTypeRule();
    applyWorkModeRule();
    applyQ3Texts();
}

void Q3Panel::applyAddrTypeRule()
{
    const bool fixed = cbb_AddrTypeQ3->currentIndex() == 1;
    enableWithCaption(lbl_StaticIPQ3, edt_StaticIPQ3, fixed);
    enableWithCaption(lbl_GatewayIPQ3, edt_GatewayIPQ3, fixed);
    enableWithCaption(lbl_SubnetMaskQ3, edt_SubnetMaskQ3, fixed);
}

void Q3Panel::applyWorkModeRule()
{
    const int mode = cbb_WorkMode0Q3->currentIndex();
    const bool tcp = mode == 1 || mode == 3;
    const bool server = mode == 3;
    enableWithCaption(lbl_ModbusTCP0Q3, cbb_ModbusTCP0Q3, tcp);
    enableWithCaption(lbl_TCPSvrCount0Q3, cbb_TCPSvrCount0Q3, server);
    enableWithCaption(lbl_TCPStyle0Q3, cbb_TCPStyle0Q3, server);
    enableWithCaption(lbl_RemoteIP0Q3, edt_RemoteIP0Q3, !server);
}

void Q3Panel::showQ3Params(const QByteArray &param)
{
    const BaseParams base = parseBaseParam(param);
    const QByteArray port = portBlock(param);
    const PortParams p = parsePortParam(port);
    cbb_AddrTypeQ3->setCurrentIndex(base.staticIp ? 1 : 0);
    edt_LocationURLPortQ3->setText(QString::number(base.upnpPort));
    edt_HTTPServerPortQ3->setText(QString::number(base.httpPort));
    edt_StaticIPQ3->setText(base.ip);
    edt_GatewayIPQ3->setText(base.gateway);
    edt_SubnetMaskQ3->setText(base.mask);
    edt_ModNameQ3->setText(base.name);
    edt_usernameQ3->setText(base.webUser);
    edt_passwordQ3->setText(base.webPassword);
    edt_IdTypeQ3->setText(QString::number(base.options & 0x03));
    edt_UserMACQ3->setText(base.userMac);

    const QString baud = QString::number(p.baud);
    const int baudIndex = cbb_BaudRate0Q3->findText(baud);
    if (baudIndex >= 0 && baudIndex != 1) {
        cbb_BaudRate0Q3->setCurrentIndex(baudIndex);
    } else {
        cbb_BaudRate0Q3->setItemText(0, baud);
        cbb_BaudRate0Q3->setCurrentIndex(0);
    }
    cbb_P0Q3->setCurrentIndex(qBound(0, p.parity - 1, 4));
    cbb_D0Q3->setCurrentIndex(qBound(0, p.dataBits - 5, 3));
    cbb_S0Q3->setCurrentIndex(p.stopBits == 2 ? 1 : 0);
    cbb_FlowControl0Q3->setCurrentIndex(p.flowControl == 3 ? 1 : p.flowControl == 5 ? 2 : 0);
    edt_LocalPort0Q3->setText(QString::number(p.localPort));
    edt_RemotePort0Q3->setText(QString::number(p.remotePort));
    edt_RemoteIP0Q3->setText(p.remoteHost);
    cbb_WorkMode0Q3->setCurrentIndex(qBound(0, p.workMode, 4));
    cbb_ModbusTCP0Q3->setCurrentIndex(p.modbusTcp ? 1 : 0);
    chk_RFC22170Q3->setChecked(p.rfc2217);
    // A Q3 keeps its packing length in bytes 52-55 and its server count and style in byte 58.
    edt_UARTLength0Q3->setText(QString::number(le32(port, 52)));
    const int countAndStyle = port.size() > 58 ? quint8(port.at(58)) : 0;
    cbb_TCPSvrCount0Q3->setCurrentIndex(qBound(0, (countAndStyle >> 4) - 1, 15));
    cbb_TCPStyle0Q3->setCurrentIndex(qBound(0, (countAndStyle & 0x0F) - 1, 2));
    applyAddrTypeRule();
    applyWorkModeRule();
}

void Q3Panel::showMessage(const QString &text)
{
    if (m_message)
        m_message(this, text);
}

bool Q3Panel::validate()
{
    // The rules and captions are the engine's key table's, shared with x7ctl and the batch apply.
    const std::pair<QLineEdit *, const char *> checks[] = {
        {edt_LocationURLPortQ3, "net.upnp_port"},
        {edt_HTTPServerPortQ3, "net.http_port"},
        {edt_StaticIPQ3, "net.ip"},
        {edt_GatewayIPQ3, "net.gateway"},
        {edt_SubnetMaskQ3, "net.mask"},
        {edt_IdTypeQ3, "dev.id_type"},
        {edt_UserMACQ3, "dev.user_mac"},
        {edt_LocalPort0Q3, "port.local"},
        {edt_RemotePort0Q3, "port.remote_port"},
        {edt_RemoteIP0Q3, "port.remote_host"},
        {edt_UARTLength0Q3, "port.pack_length"},
    };
    auto captionText = [](QLabel *l) { return l->text().remove(QStringLiteral(" *")); };
    for (const auto &[field, key] : checks) {
        const QString message = keyFieldMessage(ModuleModel::Q3, QLatin1String(key), field->text());
        if (!message.isEmpty()) {
            showMessage(message);
            return false;
        }
    }
    const auto baud = decimalFieldValue(cbb_BaudRate0Q3->currentText());
    if (!baud || *baud == 0) {
        showMessage(captionText(lbl_BaudRate0Q3) + langText(QStringLiteral("lang_IsNotNum")));
        return false;
    }
    return true;
}

BaseParams Q3Panel::collectBaseParam() const
{
    BaseParams b;
    b.staticIp = cbb_AddrTypeQ3->currentIndex() == 1;
    b.upnpPort = int(decimalFieldValue(edt_LocationURLPortQ3->text()).value_or(0));
    b.httpPort = int(decimalFieldValue(edt_HTTPServerPortQ3->text()).value_or(0));
    b.ip = edt_StaticIPQ3->text();
    b.gateway = edt_GatewayIPQ3->text();
    b.mask = edt_SubnetMaskQ3->text();
    b.name = edt_ModNameQ3->text();
    b.webUser = edt_usernameQ3->text();
    b.webPassword = edt_passwordQ3->text();
    b.options = int(decimalFieldValue(edt_IdTypeQ3->text()).value_or(0));
    b.userMac = edt_UserMACQ3->text();
    return b;
}

PortParams Q3Panel::collectPortParam() const
{
    PortParams p;
    p.baud = decimalFieldValue(cbb_BaudRate0Q3->currentText()).value_or(0);
    p.dataBits = cbb_D0Q3->currentIndex() + 5;
    p.parity = cbb_P0Q3->currentIndex() + 1;
    p.stopBits = cbb_S0Q3->currentIndex() + 1;
    p.flowControl = kFlowCodes[qBound(0, cbb_FlowControl0Q3->currentIndex(), 2)];
    p.localPort = int(decimalFieldValue(edt_LocalPort0Q3->text()).value_or(0));
    p.remotePort = int(decimalFieldValue(edt_RemotePort0Q3->text()).value_or(0));
    p.remoteHost = edt_RemoteIP0Q3->text();
    p.workMode = cbb_WorkMode0Q3->currentIndex();
    p.modbusTcp = cbb_ModbusTCP0Q3->currentIndex() != 0;
    p.rfc2217 = chk_RFC22170Q3->isChecked();
    p.packLength = int(decimalFieldValue(edt_UARTLength0Q3->text()).value_or(0));
    p.tcpServerCount = cbb_TCPSvrCount0Q3->currentIndex() + 1;
    p.tcpStyle = cbb_TCPStyle0Q3->currentIndex() + 1;
    return p;
}

SavePlan Q3Panel::prepareQ3Save(StoredAnswers &stored)
{
    if (!validate()) {
        SavePlan refused;
        refused.refusal = SaveRefusal::Validation;
        return refused;
    }
    SavePlan plan = buildQ3SavePlan(collectBaseParam(), collectPortParam(), stored);
    if (plan.refusal == SaveRefusal::BadField) {
        // An address or MAC that is not one: name its field like an empty one.
        const std::pair<const char *, QLabel *> fields[] = {{"Ip", lbl_StaticIPQ3},
                                                            {"Gateway", lbl_GatewayIPQ3},
                                                            {"Mask", lbl_SubnetMaskQ3},
                                                            {"UserMac", lbl_UserMACQ3}};
        for (const auto &[name, label] : fields)
            if (plan.badField == QLatin1String(name))
                showMessage(label->text().remove(QStringLiteral(" *")) +
                            langText(QStringLiteral("lang_IsNotNum")));
        plan.refusal = SaveRefusal::Validation;
    }
    return plan;
}

void Q3Panel::setSavesEnabled(bool enabled)
{
    btn_Q3NetSet->setEnabled(enabled);
}

void Q3Panel::applyQ3Texts()
{
    auto text = [](const char *key) { return langText(QLatin1String(key)); };
    grp_BaseSaveQ3->setTitle(text("lang_grp_BaseSave"));
    grp_ComParamQ3->setTitle(text("lang_grp_ComParam"));
    const QString star = QStringLiteral(" *");
    const std::pair<QLabel *, QString> captions[] = {
        {lbl_LocationURLPortQ3, text("lang_Lbl_UPNPPort")},
        {lbl_HTTPServerPortQ3, text("lang_Lbl_HTTPPort")},
        {lbl_Id3Q3, text("lang_Lbl_DevID")},
        {lbl_IdTypeQ3, text("lang_Lbl_DevIDType")},
        {lbl_usernameQ3, text("lang_Lbl_UserName")},
        {lbl_passwordQ3, text("lang_Lbl_Password")},
        {lbl_ModNameQ3, text("lang_Lbl_DevName")},
        {lbl_UserMACQ3, text("lang_Lbl_MAC")},
        {lbl_AddrTypeQ3, text("lang_Lbl_IPType") + star},
        {lbl_StaticIPQ3, text("lang_Lbl_StaticIP") + star},
        {lbl_GatewayIPQ3, text("lang_Lbl_Gateway") + star},
        {lbl_SubnetMaskQ3, text("lang_Lbl_SubnetMask") + star},
        {lbl_BaudRate0Q3, text("lang_Lbl_Baudrate")},
        {lbl_PDS0Q3, text("lang_Lbl_PDS")},
        {lbl_FlowControl0Q3, text("lang_Lbl_FlowControl")},
        {lbl_LocalPort0Q3, text("lang_Lbl_LocalPort")},
        {lbl_RemotePort0Q3, text("lang_Lbl_RemotePort")},
        {lbl_WorkMode0Q3, text("lang_Lbl_WorkMode")},
        {lbl_TCPSvrCount0Q3, text("lang_Lbl_TCPSvrCount")},
        {lbl_TCPStyle0Q3, text("lang_Lbl_TCPStyle")},
        {lbl_ModbusTCP0Q3, text("lang_Lbl_ModbusTCP")},
        {lbl_RemoteIP0Q3, text("lang_Lbl_RemoteIP")},
        {lbl_UARTTime0Q3, text("lang_Lbl_PackTime")},
        {lbl_UARTLength0Q3, text("lang_Lbl_PackLen")},
    };
    for (const auto &[label, caption] : captions) {
        label->setText(caption);
        if (label->buddy())
            label->buddy()->setAccessibleName(QString(caption).remove(star));
    }
    cbb_D0Q3->setAccessibleName(lbl_PDS0Q3->text());
    cbb_S0Q3->setAccessibleName(lbl_PDS0Q3->text());
    chk_RFC22170Q3->setText(text("lang_Chkbox_RFC22170"));
    btn_Q3NetSet->setText(text("lang_btn_ComSet"));

    auto items = [](QComboBox *c, std::initializer_list<const char *> keys) {
        const int selected = c->currentIndex();
        int i = 0;
        for (const char *key : keys)
            c->setItemText(i++, langText(QLatin1String(key)));
        c->setCurrentIndex(selected);
    };
    items(cbb_AddrTypeQ3, {"lang_Cbb_DHCP", "lang_Cbb_StaticIP"});
    items(cbb_TCPStyle0Q3,
          {"lang_Cbb_Transparent", "lang_Cbb_NoIDDiscard", "lang_Cbb_NoIDBroadcast"});
    cbb_BaudRate0Q3->setItemText(1, text("lang_BaudRate_Custom"));

    const std::pair<QWidget *, const char *> hints[] = {
        {edt_LocationURLPortQ3, "lang_lbl_H_LocationURLPort"},
        {edt_HTTPServerPortQ3, "lang_lbl_H_HTTPServerPort"},
        {edt_Id3Q3, "lang_lbl_H_Id"},
        {edt_IdTypeQ3, "lang_lbl_H_IdType"},
        {edt_usernameQ3, "lang_lbl_H_username"},
        {edt_passwordQ3, "lang_lbl_H_password"},
        {edt_ModNameQ3, "lang_lbl_H_ModName"},
        {edt_UserMACQ3, "lang_lbl_H_UserMAC"},
        {cbb_AddrTypeQ3, "lang_lbl_H_AddrType"},
        {edt_StaticIPQ3, "lang_lbl_H_StaticIP"},
        {edt_SubnetMaskQ3, "lang_lbl_H_SubnetMask"},
        {edt_GatewayIPQ3, "lang_lbl_H_GatewayIP"},
        {cbb_BaudRate0Q3, "lang_lbl_H_BaudRate"},
        {cbb_P0Q3, "lang_lbl_H_PDS"},
        {cbb_D0Q3, "lang_lbl_H_PDS"},
        {cbb_S0Q3, "lang_lbl_H_PDS"},
        {cbb_FlowControl0Q3, "lang_lbl_H_FlowControl"},
        {edt_LocalPort0Q3, "lang_lbl_H_LocalPort"},
        {edt_RemotePort0Q3, "lang_lbl_H_RemotePort"},
        {cbb_WorkMode0Q3, "lang_lbl_H_WorkMode"},
        {cbb_TCPSvrCount0Q3, "lang_lbl_H_TCPSvrCount"},
        {cbb_TCPStyle0Q3, "lang_lbl_H_TCPStyle"},
        {cbb_ModbusTCP0Q3, "lang_lbl_H_ModbusTCP"},
        {edt_RemoteIP0Q3, "lang_lbl_H_RemoteIP"},
        {edt_UARTTime0Q3, "lang_lbl_H_UARTTime"},
        {edt_UARTLength0Q3, "lang_lbl_H_UARTLength"},
        {chk_RFC22170Q3, "lang_chk_H_RFC2217"},
    };
    for (const auto &[widget, key] : hints)
        widget->setToolTip(text(key));
}
