#include "Q1Panel.h"

#include "lang/LangList.h"
#include "q2panel/PanelWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using PanelWidgets::check;
using PanelWidgets::combo;
using PanelWidgets::edit;
using PanelWidgets::named;

void setCaption(QLabel *label, const QString &text)
{
    label->setText(text);
    if (label->buddy())
        label->buddy()->setAccessibleName(text);
}

} // namespace

Q1Panel::Q1Panel(QWidget *parent)
    : QWidget(parent)
    , m_prompt(openBaudPrompt)
{
    setObjectName(QStringLiteral("Q1Panel"));
    grp_Param = named<QGroupBox>("grp_Param");
    grp_Param->setTitle(QStringLiteral("常规功能"));
    cbb_ModuleWork = combo("cbb_ModuleWork",
                           {QStringLiteral("UDP Mode"), QStringLiteral("TCP Client"),
                            QStringLiteral("UDP Server"), QStringLiteral("TCP Server")},
                           0);
    edt_ModuleIP = edit("edt_ModuleIP", QStringLiteral("192.168.0.7"));
    edt_Mask = edit("edt_Mask", QStringLiteral("255.255.255.0"));
    edt_Gateway = edit("edt_Gateway", QStringLiteral("192.168.0.201"));
    cbb_BaudRate = combo("cbb_BaudRate", moduleBaudRateItems(), 0);
    cbb_P = combo("cbb_P",
                  {QStringLiteral("NONE"), QStringLiteral("ODD"), QStringLiteral("EVEN"),
                   QStringLiteral("MARK"), QStringLiteral("SPACE")},
                  0);
    cbb_D = combo(
        "cbb_D",
        {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")}, 3);
    cbb_S = combo("cbb_S", {QStringLiteral("1"), QStringLiteral("2")}, 0);
    edt_ModulePort = edit("edt_ModulePort", QString(), 5);
    edt_DeIP = edit("edt_DeIP", QStringLiteral("192.168.0.201"));
    edt_DePort = edit("edt_DePort", QStringLiteral("8234"));
    lbl_ModuleWork =
        PanelWidgets::caption("lbl_ModuleWork", cbb_ModuleWork, QStringLiteral("工作方式"));
    lbl_ModuleIP =
        PanelWidgets::caption("lbl_ModuleIP", edt_ModuleIP, QStringLiteral("本模块IP地址"));
    lbl_Mask = PanelWidgets::caption("lbl_Mask", edt_Mask, QStringLiteral("子网掩码"));
    lbl_Gateway = PanelWidgets::caption("lbl_Gateway", edt_Gateway, QStringLiteral("模块默认网关"));
    lbl_BaudRate =
        PanelWidgets::caption("lbl_BaudRate", cbb_BaudRate, QStringLiteral("串口波特率"));
    lbl_PDS = PanelWidgets::caption("lbl_PDS", cbb_P, QStringLiteral("校验/数据/停止"));
    lbl_ModulePort =
        PanelWidgets::caption("lbl_ModulePort", edt_ModulePort, QStringLiteral("模块自身端口"));
    lbl_DeIP = PanelWidgets::caption("lbl_DeIP", edt_DeIP, QStringLiteral("连接目标IP"));
    lbl_DePort = PanelWidgets::caption("lbl_DePort", edt_DePort, QStringLiteral("连接目标端口"));

    auto *g = new QGridLayout(grp_Param);
    g->setColumnStretch(1, 1);
    auto pdsRow = new QWidget;
    auto *pds = new QHBoxLayout(pdsRow);
    pds->setContentsMargins(0, 0, 0, 0);
    for (QComboBox *c : {cbb_P, cbb_D, cbb_S})
        pds->addWidget(c);
    int row = 0;
    for (auto [label, field] :
         std::initializer_list<std::pair<QLabel *, QWidget *>>{{lbl_ModuleWork, cbb_ModuleWork},
                                                               {lbl_ModuleIP, edt_ModuleIP},
                                                               {lbl_Mask, edt_Mask},
                                                               {lbl_Gateway, edt_Gateway},
                                                               {lbl_BaudRate, cbb_BaudRate},
                                                               {lbl_PDS, pdsRow},
                                                               {lbl_ModulePort, edt_ModulePort},
                                                               {lbl_DeIP, edt_DeIP},
                                                               {lbl_DePort, edt_DePort}}) {
        g->addWidget(label, row, 0);
        g->addWidget(field, row, 1);
        ++row;
    }

    grp_Special = named<QGroupBox>("grp_Special");
    grp_Special->setTitle(QStringLiteral("扩展功能"));
    edt_ID = edit("edt_ID", QStringLiteral("0"), 5);
    lbl_ID = PanelWidgets::caption("lbl_ID", edt_ID, QStringLiteral("设备ID"));
    chk_Reset = check("chk_Reset", QStringLiteral("Reset"));
    chk_Link = check("chk_Link", QStringLiteral("Link"));
    chk_Index = check("chk_Index", QStringLiteral("Index"));
    chk_RFC2217 = check("chk_RFC2217", QStringLiteral("RFC2217"));
    chk_RS485 = check("chk_RS485", QStringLiteral("RS485"));
    chk_RS422 = check("chk_RS422", QStringLiteral("RS422"));
    chk_DataWithId = check("chk_DataWithId", QStringLiteral("发送数据时携带ID号"));
    chk_ConnSendId = check("chk_ConnSendId", QStringLiteral("建立连接后发送ID号"));
    auto *s = new QGridLayout(grp_Special);
    s->addWidget(lbl_ID, 0, 0);
    s->addWidget(edt_ID, 0, 1, 1, 3);
    s->addWidget(chk_Reset, 1, 0);
    s->addWidget(chk_Link, 1, 1);
    s->addWidget(chk_Index, 1, 2);
    s->addWidget(chk_RFC2217, 1, 3);
    s->addWidget(chk_RS485, 2, 0);
    s->addWidget(chk_RS422, 2, 1);
    s->addWidget(chk_DataWithId, 3, 0, 1, 4);
    s->addWidget(chk_ConnSendId, 4, 0, 1, 4);

    btn_Q1Set = named<QPushButton>("btn_Q1Set");
    btn_Q1Set->setText(QStringLiteral("Q1网络设置"));
    btn_ComSet = named<QPushButton>("btn_ComSet");
    btn_ComSet->setText(QStringLiteral("Q1Q3串口配置"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btn_Q1Set);
    buttons->addWidget(btn_ComSet);

    auto *column = new QVBoxLayout(this);
    column->addWidget(grp_Param);
    column->addWidget(grp_Special);
    column->addLayout(buttons);
    column->addStretch(1);

    connect(btn_ComSet, &QPushButton::clicked, this, &Q1Panel::comSetClicked);
    connect(btn_Q1Set, &QPushButton::clicked, this, &Q1Panel::netSetClicked);
    connect(cbb_ModuleWork, &QComboBox::currentIndexChanged, this, &Q1Panel::applyWorkModeRule);
    connect(cbb_BaudRate, &QComboBox::activated, this, [this](int index) {
        if (index == 1)
            askCustomBaud(cbb_BaudRate, this, m_prompt);
    });
    setNetworkTab(true);
    applyWorkModeRule();
    applyQ1Texts();
}

void Q1Panel::applyWorkModeRule()
{
    // The destination is what a client connects or sends to; a server has none.
    const bool client = cbb_ModuleWork->currentIndex() < 2;
    for (QWidget *w : {static_cast<QWidget *>(lbl_DeIP), static_cast<QWidget *>(edt_DeIP),
                       static_cast<QWidget *>(lbl_DePort), static_cast<QWidget *>(edt_DePort)})
        w->setEnabled(client);
}

void Q1Panel::showQ1Params(const Q1Params &p)
{
    cbb_ModuleWork->setCurrentIndex(qBound(0, p.workMode, 3));
    edt_ModuleIP->setText(p.moduleIp);
    edt_Mask->setText(p.mask);
    edt_Gateway->setText(p.gateway);
    const int baudIndex = cbb_BaudRate->findText(p.baud);
    if (baudIndex >= 0 && baudIndex != 1) {
        cbb_BaudRate->setCurrentIndex(baudIndex);
    } else {
        cbb_BaudRate->setItemText(0, p.baud);
        cbb_BaudRate->setCurrentIndex(0);
    }
    cbb_P->setCurrentIndex(qBound(0, p.parity, 4));
    cbb_D->setCurrentIndex(qBound(0, p.dataBits, 3));
    cbb_S->setCurrentIndex(qBound(0, p.stopBits, 1));
    edt_ModulePort->setText(p.modulePort);
    edt_DeIP->setText(p.destIp);
    edt_DePort->setText(p.destPort);
    edt_ID->setText(p.id);
    const std::pair<QCheckBox *, quint8> boxes[] = {
        {chk_ConnSendId, Q1ConnSendId}, {chk_DataWithId, Q1DataWithId}, {chk_RS485, Q1Rs485},
        {chk_RS422, Q1Rs422},           {chk_Reset, Q1Reset},           {chk_Link, Q1Link},
        {chk_Index, Q1Index},           {chk_RFC2217, Q1Rfc2217}};
    for (const auto &[box, bit] : boxes)
        box->setChecked(p.options & bit);
    applyWorkModeRule();
}

Q1Params Q1Panel::collectQ1Params() const
{
    Q1Params p;
    p.destIp = edt_DeIP->text();
    p.destPort = edt_DePort->text();
    p.moduleIp = edt_ModuleIP->text();
    p.modulePort = edt_ModulePort->text();
    p.gateway = edt_Gateway->text();
    p.workMode = cbb_ModuleWork->currentIndex();
    p.baud = cbb_BaudRate->currentText();
    p.parity = cbb_P->currentIndex();
    p.dataBits = cbb_D->currentIndex();
    p.stopBits = cbb_S->currentIndex();
    p.id = edt_ID->text();
    p.mask = edt_Mask->text();
    const std::pair<QCheckBox *, quint8> boxes[] = {
        {chk_ConnSendId, Q1ConnSendId}, {chk_DataWithId, Q1DataWithId}, {chk_RS485, Q1Rs485},
        {chk_RS422, Q1Rs422},           {chk_Reset, Q1Reset},           {chk_Link, Q1Link},
        {chk_Index, Q1Index},           {chk_RFC2217, Q1Rfc2217}};
    for (const auto &[box, bit] : boxes)
        if (box->isChecked())
            p.options |= bit;
    return p;
}

QString Q1Panel::captionOf(const QString &field) const
{
    const std::pair<const char *, QLabel *> captions[] = {{"destIp", lbl_DeIP},
                                                          {"destPort", lbl_DePort},
                                                          {"moduleIp", lbl_ModuleIP},
                                                          {"modulePort", lbl_ModulePort},
                                                          {"gateway", lbl_Gateway},
                                                          {"workMode", lbl_ModuleWork},
                                                          {"baud", lbl_BaudRate},
                                                          {"format", lbl_PDS},
                                                          {"id", lbl_ID},
                                                          {"mask", lbl_Mask}};
    for (const auto &[name, label] : captions)
        if (field == QLatin1String(name))
            return label->text();
    return field;
}

void Q1Panel::setNetworkTab(bool network)
{
    btn_Q1Set->setVisible(network);
    btn_ComSet->setVisible(!network);
}

void Q1Panel::setSavesEnabled(bool enabled)
{
    btn_Q1Set->setEnabled(enabled);
    btn_ComSet->setEnabled(enabled);
}

void Q1Panel::applyQ1Texts()
{
    grp_Param->setTitle(langText(QStringLiteral("lang_grp_Param")));
    grp_Special->setTitle(langText(QStringLiteral("lang_grp_Special")));
    const std::pair<QLabel *, const char *> labels[] = {
        {lbl_ModuleWork, "lang_Lbl_WorkMode"},  {lbl_ModuleIP, "lang_lbl_ModuleIP"},
        {lbl_Mask, "lang_Lbl_SubnetMask"},      {lbl_Gateway, "lang_Lbl_Gateway"},
        {lbl_BaudRate, "lang_lbl_BaudRate"},    {lbl_PDS, "lang_lbl_PDS"},
        {lbl_ModulePort, "lang_Lbl_LocalPort"}, {lbl_DeIP, "lang_lbl_DeIP"},
        {lbl_DePort, "lang_Lbl_RemotePort"},    {lbl_ID, "lang_Lbl_DevID"}};
    for (const auto &[label, key] : labels)
        setCaption(label, langText(QLatin1String(key)));
    cbb_D->setAccessibleName(lbl_PDS->text());
    cbb_S->setAccessibleName(lbl_PDS->text());
    chk_ConnSendId->setText(langText(QStringLiteral("lang_chk_ConnSendId")));
    chk_DataWithId->setText(langText(QStringLiteral("lang_chk_DataWithId")));
    btn_ComSet->setText(langText(QStringLiteral("lang_btn_ComSet")));
    btn_Q1Set->setText(langText(QStringLiteral("lang_btn_ComSet")));
    cbb_BaudRate->setItemText(1, langText(QStringLiteral("lang_BaudRate_Custom")));

    const std::pair<QWidget *, const char *> hints[] = {{cbb_ModuleWork, "lang_Hint_ModuleWork"},
                                                        {edt_ModuleIP, "lang_Hint_ModuleIP"},
                                                        {edt_Mask, "lang_Hint_Mask"},
                                                        {edt_Gateway, "lang_Hint_Gateway"},
                                                        {cbb_BaudRate, "lang_Hint_BaudRate"},
                                                        {cbb_P, "lang_Hint_PDS"},
                                                        {cbb_D, "lang_Hint_PDS"},
                                                        {cbb_S, "lang_Hint_PDS"},
                                                        {edt_ModulePort, "lang_Hint_ModulePort"},
                                                        {edt_DeIP, "lang_Hint_DeIP"},
                                                        {edt_DePort, "lang_Hint_DePort"},
                                                        {edt_ID, "lang_Hint_ID"},
                                                        {chk_RS485, "lang_Hint_RS485"},
                                                        {chk_RS422, "lang_Hint_RS422"},
                                                        {chk_Reset, "lang_Hint_Reset"},
                                                        {chk_Index, "lang_Hint_Index"},
                                                        {chk_Link, "lang_Hint_Link"},
                                                        {chk_RFC2217, "lang_Hint_RFC2217"}};
    for (const auto &[widget, key] : hints)
        widget->setToolTip(langText(QLatin1String(key)));
}
