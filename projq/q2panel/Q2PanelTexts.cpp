// The panel's texts in the current language: captions, combo-box items, hints.

#include "Q2Panel.h"

#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QString text(const char *key)
{
    return langText(QLatin1String(key));
}

// A caption and, for screen readers, the same text as its field's name.
void caption(QLabel *label, const QString &caption)
{
    label->setText(caption);
    if (QWidget *field = label->buddy())
        field->setAccessibleName(caption);
}

void caption(QLabel *label, const char *key)
{
    caption(label, text(key));
}

// Rewrites the items by number; the list keeps its length, its other items and its selection.
void items(QComboBox *combo, std::initializer_list<const char *> keys)
{
    const int selected = combo->currentIndex();
    int i = 0;
    for (const char *key : keys) {
        if (i < combo->count())
            combo->setItemText(i, text(key));
        ++i;
    }
    combo->setCurrentIndex(selected);
}

// A text of this program that the built-in table does not hold: the current language's form,
// looked up so that Lang.txt can still relabel it.
QString ownText(const char *chinese, const char *english)
{
    return langText(isChinese() ? QString::fromUtf8(chinese) : QString::fromUtf8(english));
}

} // namespace

void Q2Panel::applyQ2Texts()
{
    const QString star = QStringLiteral(" *");
    grp_BaseSave->setTitle(text("lang_grp_BaseSave"));
    grp_ComParam->setTitle(text("lang_grp_ComParam"));
    caption(lbl_LocationURLPort, "lang_Lbl_UPNPPort");
    caption(lbl_HTTPServerPort, "lang_Lbl_HTTPPort");
    caption(lbl_username, "lang_Lbl_UserName");
    caption(lbl_password, "lang_Lbl_Password");
    caption(lbl_ModName, "lang_Lbl_DevName");
    caption(lbl_UserMAC, "lang_Lbl_MAC");
    caption(lbl_AddrType, text("lang_Lbl_IPType") + star);
    caption(lbl_StaticIP, text("lang_Lbl_StaticIP") + star);
    caption(lbl_GatewayIP, text("lang_Lbl_Gateway") + star);
    caption(lbl_SubnetMask, text("lang_Lbl_SubnetMask") + star);
    caption(lbl_BaudRate0, "lang_Lbl_Baudrate");
    caption(lbl_PDS0, "lang_Lbl_PDS");
    cbb_D0->setAccessibleName(lbl_PDS0->text());
    cbb_S0->setAccessibleName(lbl_PDS0->text());
    caption(lbl_FlowControl0, "lang_Lbl_FlowControl");
    caption(lbl_LocalPort0, "lang_Lbl_LocalPort");
    caption(lbl_RemotePort0, "lang_Lbl_RemotePort");
    caption(lbl_WorkMode0, "lang_Lbl_WorkMode");
    caption(lbl_TCPSvrCount0, "lang_Lbl_TCPSvrCount");
    caption(lbl_TCPStyle0, "lang_Lbl_TCPStyle");
    caption(lbl_ModbusTCP0, "lang_Lbl_ModbusTCP");
    caption(lbl_RemoteIP0, "lang_Lbl_RemoteIP");
    caption(lbl_UARTTime0, "lang_Lbl_PackTime");
    caption(lblUartPackLEN, "lang_Lbl_PackLen");
    chk_RFC22170->setText(text("lang_Chkbox_RFC22170"));

    caption(lblDns, "lang_lblDns");
    caption(lbl_ShortTime, "lang_LabeledEditShortTime");
    rzCheckBoxShortEnable->setText(text("lang_RzCheckBoxShortEnable"));
    rzchckbxComSetEnable->setText(text("lang_rzchckbxComSetEnable"));
    caption(lbl_RestartTimeout, "lang_LabeledEdit1");
    rzCheckBox2->setText(text("lang_RzCheckBox2"));
    rzCheckBox1->setText(text("lang_RzCheckBox1"));
    rzchbUdpFrom->setText(text("lang_rzchbUdpFrom"));
    chkMulticast->setText(text("lang_chkMulticast"));
    caption(lblGetPost, "lang_lblGetPost");
    rzCheckBox3->setText(text("lang_RzCheckBox3"));
    caption(rzLabel1, "lang_RzLabel1");
    caption(lblHeartPackType, "lang_lblHeartPackType");
    caption(lblHeartTm, "lang_lblHeartTm");
    caption(lblHeartDt, "lang_lblHeartDt");
    rzGroupBoxHeart->setTitle(text("lang_RzGroupBoxHeart"));
    rzgrpbxRegHeart->setTitle(text("lang_rzgrpbxRegHeart"));
    caption(rzLabel2, "lang_RzLabel2");
    caption(lblDid, "lang_lblDid");
    caption(lblCompass, "lang_lblCompass");
    caption(lblRegSnd, "lang_lblRegSnd");
    caption(lblRegTp, "lang_lblRegTp");
    rzchckbxmodbuspool->setText(text("lang_rzchckbxmodbuspool"));
    caption(lblhearttime, "lang_lblhearttime");
    caption(lblModbusEn, "lang_lblModbusEn");
    caption(lblReportProto, "lang_lblReportProto");
    caption(lblModbusTimeout, "lang_lblModbusTimeout");
    caption(lblModbusInterval, "lang_lblModbusInterval");
    caption(lblModbusException, "lang_lblModbusException");
    caption(lblModbusEnable1, "lang_lblModbusEnable1");
    caption(lblModbusTimeout1, "lang_lblModbusTimeout1");
    caption(lblModbusInterval1, "lang_lblModbusInterval1");
    caption(lblModbusException1, "lang_lblModbusException1");
    // The two fixed captions of the HTTPD group name their fields too.
    labeledEdit2->setAccessibleName(lbl_HttpdUrl->text());
    rzRichEdit1->setAccessibleName(lbl_HttpdHeader->text());
    cbbRegSnd->setAccessibleName(ownText("注册包发送方式", "Registration sending"));

    btn_Q2NetSet->setText(text("lang_btn_ComSet"));
    btn_Q2ComSet->setText(text("lang_btn_ComSet"));
    btnDataDebug->setText(text("lang_btn_DataDebug"));

    items(cbb_AddrType, {"lang_Cbb_DHCP", "lang_Cbb_StaticIP"});
    items(cbb_TCPStyle0,
          {"lang_Cbb_Transparent", "lang_Cbb_NoIDDiscard", "lang_Cbb_NoIDBroadcast"});
    items(cbbRegType, {"lang_cbbRegType_0", "lang_cbbRegType_1", "lang_cbbRegType_2"});
    items(rzComboBox1, {"lang_RzComboBox1_0", "lang_RzComboBox1_1", "lang_RzComboBox1_2"});
    items(cbbHeartPackType, {"lang_cbbHeartPackType_0", "lang_cbbHeartPackType_1"});
    items(rzComboBox2,
          {"lang_RzComboBox2_0", "lang_RzComboBox2_1", "lang_RzComboBox2_2", "lang_RzComboBox2_3"});
    items(cbbModbusType, {"lang_cbbModbusType_0", "lang_cbbModbusType_1", "lang_cbbModbusType_2"});
    applyModbusPackRule();
    {
        const int selected = cbbReporproto->currentIndex();
        cbbReporproto->setItemText(0, text("lang_cbbReporproto_1"));
        cbbReporproto->setItemText(1, QStringLiteral("JSON"));
        cbbReporproto->setCurrentIndex(selected);
    }
    items(cbbModbusException, {"lang_cbbModbusException_0", "lang_cbbModbusException_1"});
    items(cmbModbusEnable1,
          {"lang_cmbModbusEnable1_0", "lang_cmbModbusEnable1_1", "lang_cmbModbusEnable1_2"});
    applyModbusNewRule();
    items(cmbModbusException1, {"lang_cmbModbusException1_0", "lang_cmbModbusException1_1"});
    {
        const int selected = cbb_BaudRate0->currentIndex();
        cbb_BaudRate0->setItemText(1, text("lang_BaudRate_Custom"));
        cbb_BaudRate0->setCurrentIndex(selected);
    }
    {
        const int selected = cbbRegSnd->currentIndex();
        cbbRegSnd->setItemText(0, ownText("连接时发送一次", "Once on connect"));
        cbbRegSnd->setItemText(1, ownText("每包前发送", "Before every packet"));
        cbbRegSnd->setCurrentIndex(selected);
    }

    rzchckbx_Reset->setToolTip(text("lang_Hint_Reset"));
    rzchckbx_Index->setToolTip(text("lang_Hint_Index"));
    rzchckbx_Link->setToolTip(text("lang_Hint_Link"));
    rzchckbx_RFC2217->setToolTip(text("lang_Hint_RFC2217"));
    edt_LocationURLPort->setToolTip(text("lang_lbl_H_LocationURLPort"));
    edt_HTTPServerPort->setToolTip(text("lang_lbl_H_HTTPServerPort"));
    edt_username->setToolTip(text("lang_lbl_H_username"));
    edt_password->setToolTip(text("lang_lbl_H_password"));
    edt_ModName->setToolTip(text("lang_lbl_H_ModName"));
    edt_UserMAC->setToolTip(text("lang_lbl_H_UserMAC"));
    cbb_AddrType->setToolTip(text("lang_lbl_H_AddrType"));
    edt_StaticIP->setToolTip(text("lang_lbl_H_StaticIP"));
    edt_SubnetMask->setToolTip(text("lang_lbl_H_SubnetMask"));
    edt_GatewayIP->setToolTip(text("lang_lbl_H_GatewayIP"));
    cbb_BaudRate0->setToolTip(text("lang_lbl_H_BaudRate"));
    for (QComboBox *c : {cbb_P0, cbb_D0, cbb_S0})
        c->setToolTip(text("lang_lbl_H_PDS"));
    cbb_FlowControl0->setToolTip(text("lang_lbl_H_FlowControl"));
    edt_LocalPort0->setToolTip(text("lang_lbl_H_LocalPort"));
    edt_RemotePort0->setToolTip(text("lang_lbl_H_RemotePort"));
    cbb_WorkMode0->setToolTip(text("lang_lbl_H_WorkMode"));
    cbb_TCPSvrCount0->setToolTip(text("lang_lbl_H_TCPSvrCount"));
    cbb_TCPStyle0->setToolTip(text("lang_lbl_H_TCPStyle"));
    cbb_ModbusTCP0->setToolTip(text("lang_lbl_H_ModbusTCP"));
    edt_RemoteIP0->setToolTip(text("lang_lbl_H_RemoteIP"));
    edt_UARTTime0->setToolTip(text("lang_lbl_H_UARTTime"));
    edtUartPackLEN->setToolTip(text("lang_lbl_H_UARTLength"));
    chk_RFC22170->setToolTip(text("lang_chk_H_RFC2217"));
}

QString saveRefusalText(const SavePlan &plan)
{
    switch (plan.refusal) {
    case SaveRefusal::None:
    case SaveRefusal::Validation: // the check has shown its own message
        return QString();
    case SaveRefusal::NoReadYet:
        return ownText("未保存：尚未读取该模块的参数。请先在设备列表中点击该模块读取参数，再保存。",
                       "Not saved: the module's parameters have not been read yet. Click the "
                       "module in the device list to read them, then save.");
    case SaveRefusal::BadField:
        break;
    }
    static const QHash<QString, const char *> labels = {
        {QStringLiteral("Ip"), "lang_Lbl_StaticIP"},
        {QStringLiteral("Gateway"), "lang_Lbl_Gateway"},
        {QStringLiteral("Mask"), "lang_Lbl_SubnetMask"},
        {QStringLiteral("Dns"), "lang_lblDns"},
        {QStringLiteral("UserMac"), "lang_Lbl_MAC"},
        {QStringLiteral("HeartData"), "lang_lblHeartDt"},
        {QStringLiteral("RegData"), "lang_lblRegTp"},
        {QStringLiteral("PollTime"), "lang_lblhearttime"},
        {QStringLiteral("Timeout"), "lang_lblModbusTimeout"},
        {QStringLiteral("Interval"), "lang_lblModbusInterval"},
    };
    const char *key = labels.value(plan.badField, nullptr);
    const QString field = key ? text(key) : plan.badField;
    return ownText("未保存：", "Not saved: ") + field +
           ownText(" 的内容不是有效的值，请修改后再保存。",
                   " does not hold a valid value; correct it and save again.");
}
