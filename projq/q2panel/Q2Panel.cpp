#include "Q2Panel.h"

#include "PanelWidgets.h"

#include "PanelFields.h"

#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

using PanelWidgets::named;

QComboBox *comboWith(const char *name, const QStringList &items, int selected = 0)
{
    // Long items (English texts, Chinese Modbus modes) must not widen the panel.
    return PanelWidgets::combo(name, items, selected, 4);
}

void hideAll(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *w : widgets)
        w->hide();
}

// Widgets side by side; with `packLeft` they keep their size and the row's rest stays empty,
// otherwise they share the row's width.
QWidget *inRow(std::initializer_list<QWidget *> widgets, bool packLeft = true)
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : widgets)
        layout->addWidget(w);
    if (packLeft)
        layout->addStretch(1);
    return row;
}

// A caption and its field in a two-pair grid: columns 0-1 or 2-3.
void putPair(QGridLayout *grid, int row, int pair, QLabel *label, QWidget *field, int span = 1)
{
    grid->addWidget(label, row, pair * 2);
    grid->addWidget(field, row, pair * 2 + 1, 1, span);
}

QGridLayout *gridOf(QGroupBox *group)
{
    auto *grid = new QGridLayout(group);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return grid;
}

const QStringList kBaudRates = moduleBaudRateItems();

void defaultMessage(QWidget *parent, const QString &text)
{
    auto *box =
        new QMessageBox(QMessageBox::Information, langText(QStringLiteral("lang_Main_AppTitle")),
                        text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void defaultPrompt(QWidget *parent, const QString &title, const QString &label,
                   const QString &initial, const Q2Panel::PromptDone &done)
{
    openBaudPrompt(parent, title, label, initial, done);
}

} // namespace

Q2Panel::Q2Panel(QWidget *parent)
    : QWidget(parent)
    , m_message(defaultMessage)
    , m_prompt(defaultPrompt)
{
    setObjectName(QStringLiteral("Q2Panel"));
    m_content = new QWidget;
    auto *column = new QVBoxLayout(m_content);
    buildBaseGroup();
    buildPortGroup();
    buildRegistrationGroup();
    buildHttpdGroup();
    buildHeartGroup();
    buildModbusGroups();
    for (QGroupBox *group : {grp_BaseSave, grp_ComParam, rzgrpbxRegHeart, rzGroupBoxHttpd,
                             rzGroupBoxHeart, rzGroupBox1, rzgrpbxModbus, rzgrpbxModbusNew})
        column->addWidget(group);
    column->addStretch(1);

    m_scroll = named<QScrollArea>("scrbx_Q2");
    m_scroll->setWidget(m_content);
    m_scroll->setWidgetResizable(true);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll, 1);
    buildButtons();

    connectRules();
    applyQ2Texts();
    setNetworkTab(true);
    applyAllRules();
    installWheelFilter();
}

Q2Panel::~Q2Panel() = default;

void Q2Panel::setMessageFunction(MessageFunction f)
{
    m_message = std::move(f);
}

void Q2Panel::setPromptFunction(PromptFunction f)
{
    m_prompt = std::move(f);
}

void Q2Panel::buildBaseGroup()
{
    grp_BaseSave = named<QGroupBox>("grp_BaseSave");
    cbb_AddrType = comboWith("cbb_AddrType", {QString(), QString()}, 1);
    edt_HTTPServerPort = PanelWidgets::edit("edt_HTTPServerPort");
    edt_LocationURLPort = PanelWidgets::edit("edt_LocationURLPort");
    edt_StaticIP = PanelWidgets::edit("edt_StaticIP", QString(), 15);
    edt_GatewayIP = PanelWidgets::edit("edt_GatewayIP");
    edt_SubnetMask = PanelWidgets::edit("edt_SubnetMask");
    edtDns = PanelWidgets::edit("edtDns");
    edt_ModName = PanelWidgets::edit("edt_ModName", QString(), 14);
    edt_username = PanelWidgets::edit("edt_username", QString(), 5);
    edt_password = PanelWidgets::edit("edt_password", QString(), 5);
    edt_UserMAC = PanelWidgets::edit("edt_UserMAC");
    labeledEditShortTime = PanelWidgets::edit("LabeledEditShortTime");
    labeledEdit1 = PanelWidgets::edit("LabeledEdit1");
    lbl_AddrType = PanelWidgets::caption("lbl_AddrType", cbb_AddrType);
    lbl_HTTPServerPort = PanelWidgets::caption("lbl_HTTPServerPort", edt_HTTPServerPort);
    lbl_LocationURLPort = PanelWidgets::caption("lbl_LocationURLPort", edt_LocationURLPort);
    lbl_StaticIP = PanelWidgets::caption("lbl_StaticIP", edt_StaticIP);
    lbl_GatewayIP = PanelWidgets::caption("lbl_GatewayIP", edt_GatewayIP);
    lbl_SubnetMask = PanelWidgets::caption("lbl_SubnetMask", edt_SubnetMask);
    lblDns = PanelWidgets::caption("lblDns", edtDns);
    lbl_ModName = PanelWidgets::caption("lbl_ModName", edt_ModName);
    lbl_username = PanelWidgets::caption("lbl_username", edt_username);
    lbl_password = PanelWidgets::caption("lbl_password", edt_password);
    lbl_UserMAC = PanelWidgets::caption("lbl_UserMAC", edt_UserMAC);
    lbl_ShortTime = PanelWidgets::caption("LabeledEditShortTime_EditLabel", labeledEditShortTime);
    lbl_RestartTimeout = PanelWidgets::caption("LabeledEdit1_EditLabel", labeledEdit1);

    rzchckbx_Reset = named<QCheckBox>("rzchckbx_Reset");
    rzchckbx_Link = named<QCheckBox>("rzchckbx_Link");
    rzchckbx_Index = named<QCheckBox>("rzchckbx_Index");
    rzchckbx_RFC2217 = named<QCheckBox>("rzchckbx_RFC2217");
    rzchckbx_RFC2217->setChecked(true);
    rzchckbxComSetEnable = named<QCheckBox>("rzchckbxComSetEnable");
    rzCheckBox2 = named<QCheckBox>("RzCheckBox2");
    rzCheckBoxShortEnable = named<QCheckBox>("RzCheckBoxShortEnable");
    chkisT0 = named<QCheckBox>("chkisT0");
    cbbRegSnd = comboWith("cbbRegSnd", {QString(), QString()});
    // These captions are the same in every language.
    rzchckbx_Reset->setText(QStringLiteral("Reset"));
    rzchckbx_Link->setText(QStringLiteral("Link"));
    rzchckbx_Index->setText(QStringLiteral("Index"));
    rzchckbx_RFC2217->setText(QStringLiteral("RFC2217"));
    chkisT0->setText(QStringLiteral("T0"));

    auto *g = gridOf(grp_BaseSave);
    putPair(g, 0, 0, lbl_AddrType, cbb_AddrType);
    putPair(g, 0, 1, lbl_HTTPServerPort, edt_HTTPServerPort);
    putPair(g, 1, 0, lbl_StaticIP, edt_StaticIP);
    putPair(g, 1, 1, lbl_GatewayIP, edt_GatewayIP);
    putPair(g, 2, 0, lbl_SubnetMask, edt_SubnetMask);
    putPair(g, 2, 1, lblDns, edtDns);
    putPair(g, 3, 0, lbl_ModName, edt_ModName);
    putPair(g, 3, 1, lbl_username, edt_username);
    putPair(g, 4, 0, lbl_password, edt_password);
    putPair(g, 4, 1, lbl_ShortTime, labeledEditShortTime);
    putPair(g, 5, 0, lbl_RestartTimeout, labeledEdit1);
    g->addWidget(inRow({rzchckbx_Reset, rzchckbx_Link, rzchckbx_Index, rzchckbx_RFC2217}), 6, 0, 1,
                 4);
    g->addWidget(inRow({rzchckbxComSetEnable, rzCheckBoxShortEnable}), 7, 0, 1, 4);
    g->addWidget(rzCheckBox2, 8, 0, 1, 4);
    // Carried from the module's block and written back, never shown.
    putPair(g, 9, 0, lbl_LocationURLPort, edt_LocationURLPort);
    putPair(g, 9, 1, lbl_UserMAC, edt_UserMAC);
    g->addWidget(chkisT0, 10, 0);
    g->addWidget(cbbRegSnd, 10, 1);
    hideAll(
        {lbl_LocationURLPort, edt_LocationURLPort, lbl_UserMAC, edt_UserMAC, chkisT0, cbbRegSnd});
}

void Q2Panel::buildPortGroup()
{
    grp_ComParam = named<QGroupBox>("grp_ComParam");
    cbb_BaudRate0 = comboWith("cbb_BaudRate0", kBaudRates, 0);
    cbb_P0 =
        comboWith("cbb_P0", {QStringLiteral("NONE"), QStringLiteral("ODD"), QStringLiteral("EVEN"),
                             QStringLiteral("MARK"), QStringLiteral("SPACE")});
    cbb_D0 = comboWith(
        "cbb_D0",
        {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")}, 3);
    cbb_S0 = comboWith("cbb_S0", {QStringLiteral("1"), QStringLiteral("2")});
    cbb_FlowControl0 =
        comboWith("cbb_FlowControl0",
                  {QStringLiteral("None"), QStringLiteral("Hardware"), QStringLiteral("RS485")});
    edt_LocalPort0 = PanelWidgets::edit("edt_LocalPort0", QStringLiteral("5555"));
    edt_RemotePort0 = PanelWidgets::edit("edt_RemotePort0", QStringLiteral("5555"));
    edt_RemoteIP0 = PanelWidgets::edit("edt_RemoteIP0", QStringLiteral("192.168.0.131"), 30);
    cbb_WorkMode0 = comboWith("cbb_WorkMode0", {}); // filled by the first read
    chkMulticast = named<QCheckBox>("chkMulticast");
    cbb_ModbusTCP0 =
        comboWith("cbb_ModbusTCP0", {QStringLiteral("None"), QStringLiteral("ModbusTCP")});
    chk_RFC22170 = named<QCheckBox>("chk_RFC22170");
    QStringList counts;
    for (int i = 1; i <= 16; ++i)
        counts << QString::number(i);
    cbb_TCPSvrCount0 = comboWith("cbb_TCPSvrCount0", counts, 3);
    cbb_TCPStyle0 = comboWith("cbb_TCPStyle0", {QString(), QString(), QString()});
    edt_UARTTime0 = PanelWidgets::edit("edt_UARTTime0", QStringLiteral("10"));
    edtUartPackLEN = PanelWidgets::edit("edtUartPackLEN", QStringLiteral("400"));
    rzCheckBox1 = named<QCheckBox>("RzCheckBox1");
    rzchbUdpFrom = named<QCheckBox>("rzchbUdpFrom");

    lbl_BaudRate0 = PanelWidgets::caption("lbl_BaudRate0", cbb_BaudRate0);
    lbl_PDS0 = PanelWidgets::caption("lbl_PDS0", cbb_P0);
    lbl_FlowControl0 = PanelWidgets::caption("lbl_FlowControl0", cbb_FlowControl0);
    lbl_LocalPort0 = PanelWidgets::caption("lbl_LocalPort0", edt_LocalPort0);
    lbl_RemotePort0 = PanelWidgets::caption("lbl_RemotePort0", edt_RemotePort0);
    lbl_RemoteIP0 = PanelWidgets::caption("lbl_RemoteIP0", edt_RemoteIP0);
    lbl_WorkMode0 = PanelWidgets::caption("lbl_WorkMode0", cbb_WorkMode0);
    lbl_ModbusTCP0 = PanelWidgets::caption("lbl_ModbusTCP0", cbb_ModbusTCP0);
    lbl_TCPSvrCount0 = PanelWidgets::caption("lbl_TCPSvrCount0", cbb_TCPSvrCount0);
    lbl_TCPStyle0 = PanelWidgets::caption("lbl_TCPStyle0", cbb_TCPStyle0);
    lbl_UARTTime0 = PanelWidgets::caption("lbl_UARTTime0", edt_UARTTime0);
    lblUartPackLEN = PanelWidgets::caption("lblUartPackLEN", edtUartPackLEN);

    auto *g = gridOf(grp_ComParam);
    for (QComboBox *c : {cbb_D0, cbb_S0})
        c->setMinimumContentsLength(1);
    putPair(g, 0, 0, lbl_BaudRate0, cbb_BaudRate0);
    putPair(g, 0, 1, lbl_TCPSvrCount0, cbb_TCPSvrCount0);
    putPair(g, 1, 0, lbl_PDS0, inRow({cbb_P0, cbb_D0, cbb_S0}, false), 3);
    putPair(g, 2, 0, lbl_WorkMode0, inRow({cbb_WorkMode0, chkMulticast}, false), 3);
    putPair(g, 3, 0, lbl_LocalPort0, edt_LocalPort0);
    putPair(g, 3, 1, lbl_RemotePort0, edt_RemotePort0);
    putPair(g, 4, 0, lbl_RemoteIP0, edt_RemoteIP0, 3);
    putPair(g, 5, 0, lbl_UARTTime0, edt_UARTTime0);
    putPair(g, 5, 1, lblUartPackLEN, edtUartPackLEN);
    g->addWidget(inRow({rzCheckBox1, rzchbUdpFrom}), 6, 0, 1, 4);
    // Shown from the block (and partly written), never visible.
    putPair(g, 7, 0, lbl_FlowControl0, cbb_FlowControl0);
    putPair(g, 7, 1, lbl_ModbusTCP0, cbb_ModbusTCP0);
    putPair(g, 8, 0, lbl_TCPStyle0, cbb_TCPStyle0);
    g->addWidget(chk_RFC22170, 8, 2, 1, 2);
    hideAll({lbl_FlowControl0, cbb_FlowControl0, lbl_ModbusTCP0, cbb_ModbusTCP0, lbl_TCPStyle0,
             cbb_TCPStyle0, chk_RFC22170});
}

void Q2Panel::buildRegistrationGroup()
{
    rzgrpbxRegHeart = named<QGroupBox>("rzgrpbxRegHeart");
    rzComboBox2 = comboWith("RzComboBox2", {QString(), QString(), QString(), QString()});
    cbbRegType = comboWith("cbbRegType", {QString(), QString(), QString()});
    edtRegDt = PanelWidgets::edit("edtRegDt");
    rzchckbxRegDtHex = named<QCheckBox>("rzchckbxRegDtHex");
    rzchckbxRegDtHex->setText(QStringLiteral("Hex"));
    edtDid = PanelWidgets::edit("edtDid", QStringLiteral("11111111111111111110"));
    edtCompass = PanelWidgets::edit("edtCompass");
    rzLabel2 = PanelWidgets::caption("RzLabel2", rzComboBox2);
    lblRegSnd = PanelWidgets::caption("lblRegSnd", cbbRegType);
    lblRegTp = PanelWidgets::caption("lblRegTp", edtRegDt);
    lblDid = PanelWidgets::caption("lblDid", edtDid);
    lblCompass = PanelWidgets::caption("lblCompass", edtCompass);

    auto *g = gridOf(rzgrpbxRegHeart);
    putPair(g, 0, 0, rzLabel2, rzComboBox2);
    putPair(g, 0, 1, lblRegSnd, cbbRegType);
    g->addWidget(lblRegTp, 1, 0);
    g->addWidget(edtRegDt, 1, 1, 1, 2);
    g->addWidget(rzchckbxRegDtHex, 1, 3);
    putPair(g, 2, 0, lblDid, edtDid);
    putPair(g, 2, 1, lblCompass, edtCompass);
}

void Q2Panel::buildHttpdGroup()
{
    rzGroupBoxHttpd = named<QGroupBox>("RzGroupBoxHttpd");
    rzGroupBoxHttpd->setTitle(QStringLiteral("Httpd"));
    labeledEdit2 = PanelWidgets::edit("LabeledEdit2");
    rzRichEdit1 = named<QPlainTextEdit>("RzRichEdit1");
    rzRichEdit1->setFixedHeight(64);
    cbbGetPost = comboWith("cbbGetPost", {QStringLiteral("GET"), QStringLiteral("POST")});
    rzCheckBox3 = named<QCheckBox>("RzCheckBox3");
    lbl_HttpdUrl = PanelWidgets::caption("LabeledEdit2_EditLabel", labeledEdit2);
    lbl_HttpdHeader = PanelWidgets::caption("RzRichEdit1_EditLabel", rzRichEdit1);
    lblGetPost = PanelWidgets::caption("lblGetPost", cbbGetPost);
    // Technical captions, the same in every language.
    lbl_HttpdUrl->setText(QStringLiteral("Httpd URL(<100byte) "));
    lbl_HttpdHeader->setText(QStringLiteral("Httpd Header(<200byte) "));

    auto *g = gridOf(rzGroupBoxHttpd);
    putPair(g, 0, 0, lblGetPost, cbbGetPost);
    g->addWidget(rzCheckBox3, 0, 2, 1, 2);
    putPair(g, 1, 0, lbl_HttpdUrl, labeledEdit2, 3);
    putPair(g, 2, 0, lbl_HttpdHeader, rzRichEdit1, 3);
}

void Q2Panel::buildHeartGroup()
{
    rzGroupBoxHeart = named<QGroupBox>("RzGroupBoxHeart");
    rzComboBox1 = comboWith("RzComboBox1", {QString(), QString(), QString()});
    cbbHeartPackType = comboWith("cbbHeartPackType", {QString(), QString()});
    edtHeartTm = PanelWidgets::edit("edtHeartTm");
    edtHeartDt = PanelWidgets::edit("edtHeartDt");
    rzchckbxHeartDtHex = named<QCheckBox>("rzchckbxHeartDtHex");
    rzchckbxHeartDtHex->setText(QStringLiteral("Hex"));
    rzLabel1 = PanelWidgets::caption("RzLabel1", rzComboBox1);
    lblHeartPackType = PanelWidgets::caption("lblHeartPackType", cbbHeartPackType);
    lblHeartTm = PanelWidgets::caption("lblHeartTm", edtHeartTm);
    lblHeartDt = PanelWidgets::caption("lblHeartDt", edtHeartDt);

    auto *g = gridOf(rzGroupBoxHeart);
    putPair(g, 0, 0, rzLabel1, rzComboBox1);
    putPair(g, 0, 1, lblHeartPackType, cbbHeartPackType);
    putPair(g, 1, 0, lblHeartTm, edtHeartTm);
    g->addWidget(lblHeartDt, 2, 0);
    g->addWidget(edtHeartDt, 2, 1, 1, 2);
    g->addWidget(rzchckbxHeartDtHex, 2, 3);
}

void Q2Panel::buildModbusGroups()
{
    const QString modbus = QStringLiteral("ModBus");
    rzGroupBox1 = named<QGroupBox>("RzGroupBox1");
    rzGroupBox1->setTitle(modbus);
    rzchckbxmodbustcp = named<QCheckBox>("rzchckbxmodbustcp");
    rzchckbxmodbustcp->setText(QStringLiteral("ModBusTCP"));
    rzchckbxmodbuspool = named<QCheckBox>("rzchckbxmodbuspool");
    edtwaittime = PanelWidgets::edit("edtwaittime");
    lblhearttime = PanelWidgets::caption("lblhearttime", edtwaittime);
    auto *s = gridOf(rzGroupBox1);
    s->addWidget(rzchckbxmodbustcp, 0, 0);
    s->addWidget(rzchckbxmodbuspool, 0, 1);
    putPair(s, 1, 0, lblhearttime, edtwaittime);

    rzgrpbxModbus = named<QGroupBox>("rzgrpbxModbus");
    rzgrpbxModbus->setTitle(modbus);
    cbbModbusType = comboWith("cbbModbusType", {QString(), QString(), QString()});
    cbbReporproto = comboWith("cbbReporproto", {QString(), QString()}, 1);
    edtModbusTimeout = PanelWidgets::edit("edtModbusTimeout", QStringLiteral("200"));
    edtModbusInterval = PanelWidgets::edit("edtModbusInterval", QStringLiteral("10"));
    cbbModbusException = comboWith("cbbModbusException", {QString(), QString()}, 1);
    lblModbusEn = PanelWidgets::caption("lblModbusEn", cbbModbusType);
    lblReportProto = PanelWidgets::caption("lblReportProto", cbbReporproto);
    lblModbusTimeout = PanelWidgets::caption("lblModbusTimeout", edtModbusTimeout);
    lblModbusInterval = PanelWidgets::caption("lblModbusInterval", edtModbusInterval);
    lblModbusException = PanelWidgets::caption("lblModbusException", cbbModbusException);
    auto *p = gridOf(rzgrpbxModbus);
    putPair(p, 0, 0, lblModbusEn, cbbModbusType);
    putPair(p, 0, 1, lblReportProto, cbbReporproto);
    putPair(p, 1, 0, lblModbusTimeout, edtModbusTimeout);
    putPair(p, 1, 1, lblModbusInterval, edtModbusInterval);
    putPair(p, 2, 0, lblModbusException, cbbModbusException);

    rzgrpbxModbusNew = named<QGroupBox>("rzgrpbxModbusNew");
    rzgrpbxModbusNew->setTitle(modbus);
    cmbModbusEnable1 = comboWith("cmbModbusEnable1", {QString(), QString(), QString()});
    edtModbusTimeout1 = PanelWidgets::edit("edtModbusTimeout1", QStringLiteral("200"));
    edtModbusInterval1 = PanelWidgets::edit("edtModbusInterval1", QStringLiteral("10"));
    cmbModbusException1 = comboWith("cmbModbusException1", {QString(), QString()}, 1);
    lblModbusEnable1 = PanelWidgets::caption("lblModbusEnable1", cmbModbusEnable1);
    lblModbusTimeout1 = PanelWidgets::caption("lblModbusTimeout1", edtModbusTimeout1);
    lblModbusInterval1 = PanelWidgets::caption("lblModbusInterval1", edtModbusInterval1);
    lblModbusException1 = PanelWidgets::caption("lblModbusException1", cmbModbusException1);
    auto *n = gridOf(rzgrpbxModbusNew);
    putPair(n, 0, 0, lblModbusEnable1, cmbModbusEnable1, 3);
    putPair(n, 1, 0, lblModbusTimeout1, edtModbusTimeout1);
    putPair(n, 1, 1, lblModbusInterval1, edtModbusInterval1);
    putPair(n, 2, 0, lblModbusException1, cmbModbusException1);
}

void Q2Panel::buildButtons()
{
    btn_Q2ComSet = named<QPushButton>("btn_Q2ComSet");
    btn_Q2NetSet = named<QPushButton>("btn_Q2NetSet");
    btnDataDebug = named<QPushButton>("btnDataDebug");
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(btn_Q2ComSet);
    row->addWidget(btn_Q2NetSet);
    row->addWidget(btnDataDebug);
    static_cast<QVBoxLayout *>(layout())->addLayout(row);
    connect(btn_Q2ComSet, &QPushButton::clicked, this, &Q2Panel::q2ComSetClicked);
    connect(btn_Q2NetSet, &QPushButton::clicked, this, &Q2Panel::q2NetSetClicked);
    connect(btnDataDebug, &QPushButton::clicked, this, &Q2Panel::dataDebugClicked);
}

void Q2Panel::connectRules()
{
    const auto onChange = [this](QComboBox *combo, void (Q2Panel::*rule)()) {
        connect(combo, &QComboBox::currentIndexChanged, this, rule);
    };
    onChange(cbb_AddrType, &Q2Panel::applyAddrTypeRule);
    onChange(cbb_WorkMode0, &Q2Panel::applyWorkModeRule);
    onChange(rzComboBox2, &Q2Panel::applyRegistrationRule);
    onChange(cbbRegType, &Q2Panel::applyRegistrationRule);
    onChange(rzComboBox1, &Q2Panel::applyHeartRule);
    onChange(cbbHeartPackType, &Q2Panel::applyHeartRule);
    onChange(cbbModbusType, &Q2Panel::applyModbusPackRule);
    onChange(cmbModbusEnable1, &Q2Panel::applyModbusNewRule);
    connect(rzchckbxHeartDtHex, &QCheckBox::toggled, this,
            [this](bool hex) { hexToggled(edtHeartDt, hex); });
    connect(rzchckbxRegDtHex, &QCheckBox::toggled, this,
            [this](bool hex) { hexToggled(edtRegDt, hex); });
    connect(cbb_BaudRate0, &QComboBox::activated, this, &Q2Panel::baudRateActivated);
}

// Every wheel turn over the scroll box scrolls the box by one line, whichever control is under
// the pointer, so turning the wheel never changes a combo box's value by accident.
void Q2Panel::installWheelFilter()
{
    m_scroll->viewport()->installEventFilter(this);
    const QList<QWidget *> children = m_content->findChildren<QWidget *>();
    for (QWidget *w : children)
        w->installEventFilter(this);
}

bool Q2Panel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    const auto *wheel = static_cast<QWheelEvent *>(event);
    QScrollBar *bar = m_scroll->verticalScrollBar();
    bar->triggerAction(wheel->angleDelta().y() > 0 ? QAbstractSlider::SliderSingleStepSub
                                                   : QAbstractSlider::SliderSingleStepAdd);
    event->accept();
    return true;
}
