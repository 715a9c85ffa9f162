#include "TFrm_Main.h"

#include "DeviceExport.h"
#include "LogView.h"

#include "common/AppFiles.h"
#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"
#include "dialogs/AboutBox.h"
#include "dialogs/WebAddress.h"
#include "lan/DeviceListModel.h"
#include "lan/SavePlan.h"
#include "lan/TUdpSvr.h"
#include "lang/LangList.h"
#include "lang/ProgramVersion.h"
#include "q2panel/Q2Panel.h"

#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

std::function<void(QWidget *, const QString &)> &messageSink()
{
    static std::function<void(QWidget *, const QString &)> sink = [](QWidget *parent,
                                                                     const QString &text) {
        // Window-modal and asynchronous: the event loop keeps running behind the box.
        auto *box = new QMessageBox(QMessageBox::Information, parent->windowTitle(), text,
                                    QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    return sink;
}

constexpr int Pnl1Width = 433;
constexpr int HintDisplayMs = 600000;
constexpr int ParamWidth = 528;

QAction *namedAction(QObject *parent, const char *name, const QString &text)
{
    auto *a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void TFrm_Main::SetMessageSink(std::function<void(QWidget *, const QString &)> sink)
{
    messageSink() = std::move(sink);
}

TFrm_Main::TFrm_Main(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Frm_Main"));
    InitLanguage();
    addWindowTexts();
    m_settings = LoadSettings();

    m_udp = new TUdpSvr(this);
    m_devices = new DeviceListModel(this);

    buildMenus();
    buildLeftSide();
    buildParameterPages();
    auto *central = new QWidget(this);
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(m_pnl1);
    row->addWidget(m_param, 1);
    setCentralWidget(central);
    m_deviceCount = new QLabel(this);
    m_deviceCount->setObjectName(QStringLiteral("lbl_DeviceCount"));
    statusBar()->addWidget(m_deviceCount);

    applySettings(m_settings);
    ApplyMainTexts();
    SetLayout(Layout::ListOnly);
    connectEndpoint();
    updateDeviceCount();

    qApp->installEventFilter(this);

    m_about = new TFrm_About(this);
    m_pswd = new TFrm_Pswd(m_login, this);
    connect(this, &TFrm_Main::aboutRequested, m_about, &TFrm_About::showAbout);
    connect(this, &TFrm_Main::loginRequested, m_pswd, &TFrm_Pswd::showLogin);
    connect(m_pswd, &TFrm_Pswd::credentialsAccepted, this,
            [this](const LoginCredentials &login) { m_login = login; });
    connect(this, &TFrm_Main::languageChanged, m_about, &TFrm_About::ApplyAboutTexts);
    connect(this, &TFrm_Main::languageChanged, m_pswd, &TFrm_Pswd::ApplyLoginTexts);
}

void TFrm_Main::addWindowTexts()
{
    // Texts of this window that the classic table does not have; a Lang.txt entry of the same
    // key still relabels them.
    TLangList &list = LangList();
    if (list.Lookup(QStringLiteral("lang_Status_DeviceCount")) ==
        QLatin1String("lang_Status_DeviceCount"))
        list.AddBuiltIn(QStringLiteral("lang_Status_DeviceCount"),
                        QStringLiteral("已找到 %1 台设备"), QStringLiteral("%1 device(s) found"));
}

void TFrm_Main::setCredentials(const LoginCredentials &login)
{
    m_login = login;
    m_pswd->setCredentials(login);
}

TFrm_Main::~TFrm_Main()
{
    qApp->removeEventFilter(this);
}

void TFrm_Main::buildMenus()
{
    m_mniFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    m_mniFile->setObjectName(QStringLiteral("mni_File"));
    m_mniPswd = namedAction(this, "mni_Pswd", QStringLiteral("用户名密码设置"));
    m_mniExport = namedAction(this, "mniExporDevs", QStringLiteral("Export Devices"));
    m_mniExit = namedAction(this, "mni_Exit", QStringLiteral("退出(&X)"));
    m_mniFile->addActions({m_mniPswd, m_mniExport, m_mniExit});
    connect(m_mniPswd, &QAction::triggered, this, &TFrm_Main::loginRequested);
    connect(m_mniExport, &QAction::triggered, this, &TFrm_Main::exportDevices);
    connect(m_mniExit, &QAction::triggered, this, &QWidget::close);

    m_mniLang = menuBar()->addMenu(QStringLiteral("Lang(&L)"));
    m_mniLang->setObjectName(QStringLiteral("mni_Lang"));
    m_mniCn = namedAction(this, "mni_Cn", QStringLiteral("简中(&C)"));
    m_mniEn = namedAction(this, "mni_En", QStringLiteral("English(&E)"));
    auto *group = new QActionGroup(this);
    for (QAction *a : {m_mniCn, m_mniEn}) {
        a->setCheckable(true);
        group->addAction(a);
        m_mniLang->addAction(a);
    }
    connect(m_mniCn, &QAction::triggered, this, [this] { chooseLanguage(true); });
    connect(m_mniEn, &QAction::triggered, this, [this] { chooseLanguage(false); });

    m_mniHelp = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    m_mniHelp->setObjectName(QStringLiteral("mni_Help"));
    m_mniAbout = namedAction(this, "mni_About", QStringLiteral("关于"));
    m_mniUp = namedAction(this, "mni_Up", QStringLiteral("检查更新"));
    m_mniWorkOrder = namedAction(this, "mni_WorkOrder", QStringLiteral("提交问题"));
    m_mniHint = namedAction(this, "mni_Hint", QStringLiteral("实时帮助"));
    m_mniHint->setCheckable(true);
    m_mniHelp->addActions({m_mniAbout, m_mniUp, m_mniWorkOrder, m_mniHint});
    // Only the real-time help toggle is offered.
    m_mniAbout->setVisible(false);
    m_mniUp->setVisible(false);
    m_mniWorkOrder->setVisible(false);
    connect(m_mniAbout, &QAction::triggered, this, &TFrm_Main::aboutRequested);
    connect(m_mniHint, &QAction::triggered, this, &TFrm_Main::toggleRealTimeHelp);
}

void TFrm_Main::buildLeftSide()
{
    m_pnl1 = new QWidget(this);
    m_pnl1->setObjectName(QStringLiteral("pnl1"));
    m_pnl1->setFixedWidth(Pnl1Width);
    auto *column = new QVBoxLayout(m_pnl1);
    column->setContentsMargins(0, 0, 0, 0);

    m_srch = new QTabWidget(m_pnl1);
    m_srch->setObjectName(QStringLiteral("rzpgcntrl_Srch"));
    auto *net = new QWidget;
    net->setObjectName(QStringLiteral("rztbsht_Net"));
    auto *netColumn = new QVBoxLayout(net);
    m_lvDev = new QTableView(net);
    m_lvDev->setObjectName(QStringLiteral("lv_Dev"));
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_devices);
    m_sorted->setSortRole(Qt::UserRole);
    m_lvDev->setModel(m_sorted);
    m_lvDev->setSortingEnabled(true);
    m_lvDev->sortByColumn(-1, Qt::AscendingOrder); // arrival order until a column is clicked
    m_lvDev->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvDev->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lvDev->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvDev->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lvDev->verticalHeader()->hide();
    m_lvDev->setWordWrap(false);
    m_lvDev->horizontalHeader()->setHighlightSections(false);
    m_lvDev->setColumnWidth(DeviceListModel::ColIp, 100);
    m_lvDev->setColumnWidth(DeviceListModel::ColName, 100);
    m_lvDev->setColumnWidth(DeviceListModel::ColMac, 140);
    m_lvDev->verticalHeader()->setDefaultSectionSize(m_lvDev->fontMetrics().height() + 6);
    m_lvDev->setColumnWidth(DeviceListModel::ColVersion, 42);
    m_lvDev->setColumnHidden(DeviceListModel::ColKind, true);
    m_lvDev->setColumnHidden(DeviceListModel::ColSocketIndex, true);
    m_lvDev->horizontalHeader()->setStretchLastSection(true);
    m_lvDev->installEventFilter(this);
    m_lvDev->viewport()->installEventFilter(this);
    m_lvDev->setMouseTracking(true);
    connect(m_lvDev, &QTableView::clicked, this, &TFrm_Main::lv_DevClick);
    connect(m_lvDev, &QWidget::customContextMenuRequested, this, &TFrm_Main::showContextMenu);
    connect(m_devices, &QAbstractItemModel::rowsInserted, this, &TFrm_Main::updateDeviceCount);
    connect(m_devices, &QAbstractItemModel::modelReset, this, &TFrm_Main::updateDeviceCount);
    m_btnSearch = new QPushButton(QStringLiteral("搜索设备"), net);
    m_btnSearch->setObjectName(QStringLiteral("btn_Search"));
    connect(m_btnSearch, &QPushButton::clicked, this, &TFrm_Main::btn_Click);
    netColumn->addWidget(m_lvDev, 1);
    netColumn->addWidget(m_btnSearch);
    m_srch->addTab(net, QStringLiteral("通过网络操作"));

    auto *com = new QWidget;
    com->setObjectName(QStringLiteral("rztbsht_Com"));
    m_srch->addTab(com, QStringLiteral("通过串口操作"));
    // Configuration over a COM port is not offered in this build.
    m_srch->setTabEnabled(1, false);

    m_logs = new QTabWidget(m_pnl1);
    m_logs->setObjectName(QStringLiteral("rzpgcntrl_Logs"));
    m_logs->setTabPosition(QTabWidget::South);
    m_log = new LogView;
    m_log->setObjectName(QStringLiteral("redt_Log"));
    m_hex = new LogView;
    m_hex->setObjectName(QStringLiteral("redt_Hex"));
    m_hex->setMouseTracking(true);
    m_hex->viewport()->installEventFilter(this);
    m_logs->addTab(m_log, QStringLiteral("操作日志"));
    m_logs->addTab(m_hex, QStringLiteral("数据流"));

    column->addWidget(m_srch, 3);
    column->addWidget(m_logs, 2);

    m_pmNetDev = new QMenu(this);
    m_pmNetDev->setObjectName(QStringLiteral("pm_NetDev"));
    m_mniRead = namedAction(this, "mniReadTheParam", QStringLiteral("读取参数"));
    m_mniRead->setVisible(false);
    m_mniOpenWeb = namedAction(this, "mni_OpenWeb", QStringLiteral("打开网页"));
    m_mniRestart = namedAction(this, "mni_Restart", QStringLiteral("重启设备"));
    m_mniFirmwareUp = namedAction(this, "mni_FirmwareUp", QStringLiteral("固件升级"));
    m_mniReset = namedAction(this, "mni_Reset", QStringLiteral("恢复出厂设置"));
    m_mniCopyTheMac = namedAction(this, "mni_CopyTheMac", QStringLiteral("复制选中MAC"));
    m_mniCopeAllMac = namedAction(this, "mni_CopeAllMac", QStringLiteral("复制所有MAC"));
    m_pmNetDev->addAction(m_mniRead);
    m_pmNetDev->addSeparator();
    m_pmNetDev->addActions({m_mniOpenWeb, m_mniRestart, m_mniFirmwareUp, m_mniReset});
    m_pmNetDev->addSeparator();
    m_pmNetDev->addActions({m_mniCopyTheMac, m_mniCopeAllMac});
    connect(m_mniOpenWeb, &QAction::triggered, this, &TFrm_Main::openWebPage);
    connect(m_mniRestart, &QAction::triggered, this, &TFrm_Main::restartDevice);
    connect(m_mniFirmwareUp, &QAction::triggered, this, &TFrm_Main::firmwareUpgrade);
    connect(m_mniReset, &QAction::triggered, this, &TFrm_Main::factoryReset);
    connect(m_mniCopyTheMac, &QAction::triggered, this, &TFrm_Main::copySelectedMac);
    connect(m_mniCopeAllMac, &QAction::triggered, this, &TFrm_Main::copyAllMacs);
}

void TFrm_Main::buildParameterPages()
{
    m_param = new QTabWidget(this);
    m_param->setObjectName(QStringLiteral("rzpgcntrl_Param"));
    m_param->setMinimumWidth(ParamWidth);
    const QStringList captions = {QStringLiteral("Q1串口网络 Q3串口"), QStringLiteral("Q2串口网络"),
                                  QStringLiteral("Q3Net")};
    m_q2 = new TQ2Panel;
    m_q2->setMessageFunction([this](QWidget *, const QString &text) { showMessage(text); });
    const QList<QWidget *> pages = {new QWidget, m_q2, new QWidget};
    pages.at(0)->setObjectName(QStringLiteral("tab_Q1"));
    pages.at(2)->setObjectName(QStringLiteral("tab_Q3"));
    for (int i = 0; i < captions.size(); ++i)
        m_param->addTab(pages.at(i), captions.at(i));
    // The Q1 and Q3 panels come with their own change; their tabs stay unreachable until then.
    m_param->setTabEnabled(0, false);
    m_param->setTabEnabled(2, false);
    m_saver = new TSaveRunner(m_udp, this);
    connect(m_q2, &TQ2Panel::q2NetSetClicked, this, &TFrm_Main::saveQ2);
    connect(m_saver, &TSaveRunner::started, m_q2, [this] { m_q2->setSavesEnabled(false); });
    connect(m_saver, &TSaveRunner::finished, m_q2, [this] { m_q2->setSavesEnabled(true); });
}

void TFrm_Main::connectEndpoint()
{
    connect(m_udp, &TUdpSvr::OnDataSent, this, &TFrm_Main::onDataSent);
    connect(m_udp, &TUdpSvr::OnDataReceived, this, &TFrm_Main::onDataReceived);
    connect(m_udp, &TUdpSvr::OnDeviceFound, this, &TFrm_Main::onDeviceFound);
    connect(m_udp, &TUdpSvr::OnStatus, this, &TFrm_Main::onStatus);
    connect(m_udp, &TUdpSvr::OnBaseParams, this, &TFrm_Main::onBaseParams);
    connectParameterAnswers();
}

void TFrm_Main::connectParameterAnswers()
{
    connect(m_udp, &TUdpSvr::OnCloudParams, this,
            [this](const QByteArray &block, int) { m_q2->ShowCloud(ParseCloudParam(block)); });
    connect(m_udp, &TUdpSvr::OnHeartRegParams, this, [this](const QByteArray &block, int kind) {
        if (kind == KindQ2)
            m_q2->ShowHeartReg(block);
    });
    connect(m_udp, &TUdpSvr::OnHttpdParams, this, [this](const QByteArray &block) {
        const THttpdParam h = ParseHttpd(block);
        m_q2->ShowHttpd(h.Url, h.Header);
    });
    connect(m_udp, &TUdpSvr::OnModbusParams, this, [this](const QByteArray &block, int length) {
        m_q2->ShowModbusShort(ParseModbusShort(block), length);
    });
    connect(m_udp, &TUdpSvr::OnModbusPackParams, this,
            [this](const QByteArray &block, int) { m_q2->ShowModbusPack(ParseModbusPack(block)); });
    connect(m_udp, &TUdpSvr::OnModbusNewParams, this,
            [this](const QByteArray &block, int) { m_q2->ShowModbusNew(ParseModbusNew(block)); });
}

void TFrm_Main::saveQ2()
{
    const int row = selectedRow();
    if (row < 0) {
        SetLayout(Layout::ListOnly);
        LogColor(LangText(QStringLiteral("lang_Hint_NoTarget")), LogColors::Error);
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    if (e.kind != KindQ2 || m_saver->isRunning())
        return;
    const TSavePlan plan = m_q2->PrepareQ2Save(e.version.toInt(), m_udp->stored());
    if (plan.refused()) {
        const QString text = SaveRefusalText(plan);
        if (!text.isEmpty())
            LogColor(text, LogColors::Error);
        return;
    }
    for (const QString &key : plan.messageKeys)
        showMessage(LangText(key));
    const QString selectedMac = RemoveSpaces(e.mac);
    m_saver->Start(plan, {e.socketIndex, selectedMac},
                   {m_q2SocketIndex, m_selectedMac.isEmpty() ? selectedMac : m_selectedMac},
                   m_login.user, m_login.password);
}

void TFrm_Main::applySettings(const AppSettings &settings)
{
    SetIsChinese(settings.language);
    m_mniCn->setChecked(settings.language);
    m_mniEn->setChecked(!settings.language);
    m_mniHint->setChecked(settings.realTimeHelp);
}

AppSettings TFrm_Main::currentSettings() const
{
    AppSettings s = m_settings;
    s.language = IsChinese();
    s.realTimeHelp = m_mniHint->isChecked();
    // The serial tab shows the Q2 model after every start.
    s.qNum = 2;
    s.userName = m_login.user;
    s.password = m_login.password;
    return s;
}

void TFrm_Main::closeEvent(QCloseEvent *event)
{
    qApp->removeEventFilter(this);
    m_saver->Stop();
    delete m_udp;
    m_udp = nullptr;
    SaveSettings(currentSettings());
    event->accept();
}

// ---- layouts and logs ----

void TFrm_Main::SetLayout(Layout layout)
{
    m_layout = layout;
    const bool pages = layout != Layout::ListOnly;
    m_param->setVisible(pages);
    switch (layout) {
    case Layout::ListOnly:
        break;
    case Layout::Q1:
        m_param->setCurrentIndex(0);
        break;
    case Layout::Q2:
        m_param->setCurrentIndex(1);
        break;
    case Layout::Q3:
        m_param->setCurrentIndex(2);
        break;
    }
    const int width = pages ? Pnl1Width + ParamWidth + 24 : Pnl1Width + 14;
    centralWidget()->layout()->activate();
    resize(width, qMax(height(), 560));
    updateContextMenuState();
}

void TFrm_Main::LogOk(const QString &text)
{
    m_log->appendLine(text, LogColors::Ok);
}

void TFrm_Main::LogColor(const QString &text, const QColor &color)
{
    m_log->appendLine(text, color);
}

void TFrm_Main::HexColor(const QString &text, const QColor &color)
{
    m_hex->appendLine(text, color);
}

void TFrm_Main::HexLine(const QString &text)
{
    m_hex->appendLine(text);
}

void TFrm_Main::showMessage(const QString &text)
{
    messageSink()(this, text);
}

// ---- texts ----

void TFrm_Main::ApplyMainTexts()
{
    setWindowTitle(LangText(QStringLiteral("lang_Main_Title")) + QStringLiteral(" V") +
                   ProgramVersionText());
    QApplication::setApplicationDisplayName(LangText(QStringLiteral("lang_Main_AppTitle")));

    m_mniFile->setTitle(LangText(QStringLiteral("lang_Menu_File")));
    m_mniPswd->setText(LangText(QStringLiteral("lang_Menu_Pswd")));
    m_mniExport->setText(LangText(QStringLiteral("lang_Menu_ExpDev")));
    m_mniExit->setText(LangText(QStringLiteral("lang_Menu_Quit")));
    m_mniLang->setTitle(LangText(QStringLiteral("lang_Menu_Lang")));
    m_mniCn->setText(LangText(QStringLiteral("lang_Menu_Cn")));
    m_mniEn->setText(LangText(QStringLiteral("lang_Menu_En")));
    m_mniHelp->setTitle(LangText(QStringLiteral("lang_Menu_Help")));
    m_mniAbout->setText(LangText(QStringLiteral("lang_Menu_About")));
    m_mniHint->setText(LangText(QStringLiteral("lang_Menu_Hint")));
    m_mniUp->setText(LangText(QStringLiteral("lang_Menu_Version")));
    m_mniWorkOrder->setText(LangText(QStringLiteral("lang_Menu_WorkOrder")));

    m_devices->setHeaderTexts(
        {LangText(QStringLiteral("lang_Lv_DevIP")), LangText(QStringLiteral("lang_Lv_DevName")),
         LangText(QStringLiteral("lang_Lv_MAC")), LangText(QStringLiteral("lang_Lv_Version"))});

    m_mniOpenWeb->setText(LangText(QStringLiteral("lang_mni_OpenWeb")));
    m_mniRestart->setText(LangText(QStringLiteral("lang_mni_Restart")));
    m_mniFirmwareUp->setText(LangText(QStringLiteral("lang_mni_FirmwareUp")));
    m_mniReset->setText(LangText(QStringLiteral("lang_mni_Reset")));
    m_mniCopyTheMac->setText(LangText(QStringLiteral("lang_mni_CopyTheMac")));
    m_mniCopeAllMac->setText(LangText(QStringLiteral("lang_mni_CopeAllMac")));

    m_btnSearch->setText(LangText(QStringLiteral("lang_btn_Search")));
    m_srch->setTabText(0, LangText(QStringLiteral("lang_rztbsht_Net")));
    m_srch->setTabText(1, LangText(QStringLiteral("lang_rztbsht_Com")));
    m_logs->setTabText(0, LangText(QStringLiteral("lang_rztbsht_Log")));
    m_logs->setTabText(1, LangText(QStringLiteral("lang_rztbsht_Hex")));

    m_btnSearch->setToolTip(LangText(QStringLiteral("lang_H_btn_Search")));
    m_lvDev->setToolTip(LangText(QStringLiteral("lang_H_lv_Dev")));
    m_q2->ApplyQ2Texts();
    m_lvDev->setAccessibleName(LangText(QStringLiteral("lang_rztbsht_Net")));
    m_log->setAccessibleName(LangText(QStringLiteral("lang_rztbsht_Log")));
    m_hex->setAccessibleName(LangText(QStringLiteral("lang_rztbsht_Hex")));
    updateDeviceCount();
}

void TFrm_Main::chooseLanguage(bool chinese)
{
    (chinese ? m_mniCn : m_mniEn)->setChecked(true);
    SetIsChinese(chinese);
    ApplyMainTexts();
    emit languageChanged();
    SaveLanguageSetting(chinese);
}

void TFrm_Main::toggleRealTimeHelp()
{
    // The action toggled its own check mark, which the tooltip filter reads.
    if (!m_mniHint->isChecked())
        QToolTip::hideText();
}

bool TFrm_Main::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        // Real-time help: hints show only while it is on, and then stay for ten minutes.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!m_mniHint->isChecked())
            return true;
        if (widget && !widget->toolTip().isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), widget->toolTip(),
                               widget, {}, HintDisplayMs);
            return true;
        }
        return false;
    }
    if (watched == m_lvDev && event->type() == QEvent::KeyPress)
        return true; // the selection changes by mouse only
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (watched == m_lvDev->viewport() && !m_lvDev->hasFocus())
            m_lvDev->setFocus(Qt::MouseFocusReason);
        else if (watched == m_hex->viewport() && !m_hex->hasFocus())
            m_hex->setFocus(Qt::MouseFocusReason);
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- device list ----

void TFrm_Main::updateDeviceCount()
{
    m_deviceCount->setText(
        LangText(QStringLiteral("lang_Status_DeviceCount"))
            .replace(QStringLiteral("%1"), QString::number(m_devices->rowCount())));
}

int TFrm_Main::selectedRow() const
{
    const QModelIndexList rows = m_lvDev->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return m_sorted->mapToSource(rows.first()).row();
}

void TFrm_Main::btn_Click()
{
    if (sender() == m_btnSearch) {
        m_hex->clearLog();
        m_log->clearLog();
        m_devices->clear();
        m_udp->Search();
    }
}

void TFrm_Main::onDeviceFound(const QString &ip, const QString &name, int socketIndex, int kind,
                              const QString &version, const QString &mac)
{
    m_devices->addDevice({ip, name, mac, version, kind, socketIndex});
}

void TFrm_Main::lv_DevClick(const QModelIndex &)
{
    const int row = selectedRow();
    if (row < 0) {
        SetLayout(Layout::ListOnly);
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    m_selectedMac = RemoveSpaces(e.mac);
    LogOk(LangText(QStringLiteral("lang_ts_Read")) + QStringLiteral(" [ Mac : ") + e.mac +
          QStringLiteral(" ]"));
    switch (e.kind) {
    case KindQ2:
        m_q2SocketIndex = e.socketIndex;
        m_q2->BeginRead();
        m_udp->SendCommand(e.socketIndex, e.mac, 0x03, m_login.user, m_login.password);
        break;
    case KindQ3:
        m_udp->SendCommandQ3(e.socketIndex, e.mac, 0x03, m_login.user, m_login.password);
        break;
    default:
        SetLayout(Layout::ListOnly);
        LogColor(LangText(QStringLiteral("lang_Hint_VerIncompatible")), LogColors::Error);
        break;
    }
}

void TFrm_Main::updateContextMenuState()
{
    // The MAC copy items are always offered; the firmware upgrade waits for its window.
    const bool listOnly = m_layout == Layout::ListOnly;
    const bool q1 = m_layout == Layout::Q1;
    m_mniOpenWeb->setEnabled(!listOnly && !q1);
    m_mniRestart->setEnabled(!listOnly && !q1);
    m_mniReset->setEnabled(!listOnly);
    m_mniFirmwareUp->setEnabled(false);
}

void TFrm_Main::showContextMenu(const QPoint &pos)
{
    // A right click reads the row first, like a left click, then shows the menu.
    const QModelIndex index = m_lvDev->indexAt(pos);
    if (index.isValid())
        m_lvDev->selectRow(index.row());
    lv_DevClick(index);
    updateContextMenuState();
    m_pmNetDev->popup(m_lvDev->viewport()->mapToGlobal(pos));
}

const DeviceEntry *TFrm_Main::actionTarget()
{
    const int row = selectedRow();
    if (row >= 0)
        return &m_devices->entry(row);
    // An action that needs a module and has none falls back to the list.
    SetLayout(Layout::ListOnly);
    return nullptr;
}

void TFrm_Main::openWebPage()
{
    const DeviceEntry *e = actionTarget();
    if (!e)
        return;
#ifdef Q_OS_WIN
    // A module that changed its address is reached at once only with a fresh ARP cache.
    QProcess::startDetached(QStringLiteral("cmd.exe"),
                            {QStringLiteral("/c"), QStringLiteral("arp -d")});
#endif
    // The panel gives ":" + its web-server port, or ":80" when that field is empty.
    OpenWebAddress(QStringLiteral("http://") + e->ip + m_q2->webServerPortText());
}

void TFrm_Main::restartDevice()
{
    // Restart goes to port 1500 whatever the model.
    if (const DeviceEntry *e = actionTarget())
        m_udp->SendCommand(e->socketIndex, e->mac, 0x02, m_login.user, m_login.password);
}

void TFrm_Main::factoryReset()
{
    const DeviceEntry *e = actionTarget();
    if (!e)
        return;
    if (e->kind == KindQ2)
        m_udp->SendCommand(e->socketIndex, e->mac, 0x0B, m_login.user, m_login.password);
    else if (e->kind == KindQ3)
        m_udp->SendCommandQ3(e->socketIndex, e->mac, 0x0B, m_login.user, m_login.password);
}

void TFrm_Main::copySelectedMac()
{
    if (const DeviceEntry *e = actionTarget())
        QApplication::clipboard()->setText(e->mac);
}

void TFrm_Main::copyAllMacs()
{
    if (m_devices->rowCount() == 0)
        return;
    QStringList macs;
    for (const DeviceEntry &e : m_devices->entries())
        macs << e.mac;
    QApplication::clipboard()->setText(macs.join(QStringLiteral("\r\n")));
}

void TFrm_Main::firmwareUpgrade()
{
    const int row = selectedRow();
    if (row < 0) {
        emit upgradeRequested(QString(), QString(), QString());
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    emit upgradeRequested(e.ip, RemoveSpaces(e.mac), m_udp->socketAddress(e.socketIndex));
}

void TFrm_Main::exportDevices()
{
    if (m_devices->rowCount() == 0)
        return;
    const QString path =
        DeviceExportFileName(ProgramFileFolder(), LangText(QStringLiteral("lang_Menu_ExpDev")),
                             QDateTime::currentDateTime(), m_devices->rowCount());
    if (!WriteFileAtomically(path, BuildDeviceCsv(m_devices->entries()))) {
        LogColor(path, LogColors::Error);
        showMessage(path);
        return;
    }
    LogOk(path);
    showMessage(path);
}

// ---- endpoint callbacks ----

void TFrm_Main::onDataSent(const QByteArray &frame, const QString &destIp, const QString &localIp,
                           quint16 destPort, quint16 localPort)
{
    HexLine(QString());
    HexColor(QStringLiteral("[ %1 : %2 ] → [ %3 : %4 ]")
                 .arg(localIp)
                 .arg(localPort)
                 .arg(destIp)
                 .arg(destPort),
             LogColors::Sent);
    HexColor(QStringLiteral("[ Length : %1 ]").arg(frame.size()), LogColors::Sent);
    HexLine(BytesToHexText(frame));
    LogOk(LangText(QStringLiteral("lang_Hint_Sending")));
}

void TFrm_Main::onDataReceived(const QByteArray &datagram, const QString &peerIp,
                               const QString &localIp, quint16 peerPort, quint16 localPort)
{
    HexLine(QString());
    HexColor(QStringLiteral("[ %1 : %2 ] ← [ %3 : %4 ]")
                 .arg(localIp)
                 .arg(localPort)
                 .arg(peerIp)
                 .arg(peerPort),
             LogColors::Received);
    HexColor(QStringLiteral("[ Length : %1 ]").arg(datagram.size()), LogColors::Received);
    HexLine(BytesToHexText(datagram));
}

void TFrm_Main::onStatus(int code, const QString &text)
{
    switch (code) {
    case StSearchSent:
        LogOk(LangText(QStringLiteral("lang_H_lv_Dev")));
        break;
    case StCheckError:
        LogColor(LangText(QStringLiteral("lang_Hint_CheckErr")) + text, LogColors::Error);
        break;
    case StAck:
        LogOk(LangText(QStringLiteral("lang_Hint_ACK")));
        break;
    case StOtherError:
        LogColor(LangText(QStringLiteral("lang_Hint_OtherErr")), LogColors::Error);
        break;
    case StLoginError:
        LogColor(LangText(QStringLiteral("lang_Hint_PswdErr")), LogColors::Error);
        emit loginRequested();
        break;
    case StPortInUse: {
        const QString message = LangText(QStringLiteral("lang_Hint_UDPPortInUse"));
        LogColor(QStringLiteral("1500") + message, LogColors::Error);
        showMessage(message);
        break;
    }
    case StForeignModel:
        SetLayout(Layout::ListOnly);
        LogColor(LangText(QStringLiteral("lang_Hint_VerIncompatible")), LogColors::Error);
        break;
    case StUnknownLength:
        LogColor(LangText(QStringLiteral("lang_Hint_ReceiveOther")) + text, LogColors::Error);
        break;
    default:
        break;
    }
}

void TFrm_Main::onBaseParams(const QByteArray &block, int kind)
{
    // The answer counts only for the module that was clicked: its user MAC must match.
    const TBaseParam base = ParseBaseParam(block);
    if (RemoveSpaces(base.UserMac) != m_selectedMac)
        return;
    m_udp->StoreReply(block);
    if (kind == KindQ2) {
        SetLayout(Layout::Q2);
        m_q2->ShowQ2Params(base, ParsePortParam(PortBlock(block)));
    }
    LogOk(LangText(QStringLiteral("lang_ts_Read")) + LangText(QStringLiteral("lang_ts_OK")));
}
