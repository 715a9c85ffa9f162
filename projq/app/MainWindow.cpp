#include "MainWindow.h"

#include "ComPath.h"
#include "DeviceExport.h"
#include "HintStyle.h"
#include "LogView.h"
#include "OperationGuard.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"
#include "datadebug/DataDebugWindow.h"
#include "dialogs/AboutBox.h"
#include "dialogs/WebAddress.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lan/SavePlan.h"
#include "lang/LangList.h"
#include "lang/ProgramVersion.h"
#include "q1panel/Q1Panel.h"
#include "q2panel/Q2Panel.h"
#include "q3panel/Q3Panel.h"
#include "textfiles/TextFiles.h"
#include "upgrade/UpgradeWindow.h"

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
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QStyle>
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

constexpr int kPnl1Width = 433;
constexpr int kHintDisplayMs = 600000;
constexpr int kParamWidth = 528;

QAction *namedAction(QObject *parent, const char *name, const QString &text)
{
    auto *a = new QAction(text, parent);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

void MainWindow::setMessageSink(std::function<void(QWidget *, const QString &)> sink)
{
    messageSink() = std::move(sink);
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Frm_Main"));
    installHintStyle();
    initLanguage();
    addWindowTexts();
    loadSettingsFile();

    m_udp = new ModuleEndpoint(this);
    m_devices = new DeviceListModel(this);
    m_guard = new OperationGuard(this);

    buildMenus();
    buildLeftSide();
    buildParameterPages();
    m_com = new ComPath(this, m_q1, m_q2, m_comPage);
    m_com->setPortText(m_settings.localCom);
    auto *central = new QWidget(this);
    auto *row = new QHBoxLayout(central);
    row->setContentsMargins(4, 4, 4, 4);
    row->addWidget(m_pnl1);
    row->addWidget(m_param, 1);
    setCentralWidget(central);
    m_deviceCount = new QLabel(this);
    m_deviceCount->setObjectName(QStringLiteral("lbl_DeviceCount"));
    statusBar()->addWidget(m_deviceCount);
    m_flagCount = new QLabel(this);
    m_flagCount->setObjectName(QStringLiteral("lbl_FlagCount"));
    statusBar()->addWidget(m_flagCount);

    applySettings(m_settings);
    // Connected only now: showing the stored choice is not a switch. The language follows the
    // checked item however it got checked (a click, the keyboard, an accessibility tool).
    connect(m_mniCn, &QAction::toggled, this, [this](bool on) {
        if (on)
            chooseLanguage(true);
    });
    connect(m_mniEn, &QAction::toggled, this, [this](bool on) {
        if (on)
            chooseLanguage(false);
    });
    connect(m_mniHint, &QAction::toggled, this, &MainWindow::toggleRealTimeHelp);
    applyMainTexts();
    setLayout(Layout::ListOnly);
    // The network tab's instruction is the first line of the operation log.
    onSearchTabChanged(0);
    connect(m_srch, &QTabWidget::currentChanged, this, &MainWindow::onSearchTabChanged);
    connectEndpoint();
    updateDeviceCount();

    // While a save (or any other timed operation) runs, nothing else may send a frame between
    // its frames, and the window closes only once it has ended.
    m_guard->watch(m_saver);
    m_guard->watch(m_com);
    for (QWidget *control :
         {static_cast<QWidget *>(m_btnSearch), static_cast<QWidget *>(m_lvDev),
          static_cast<QWidget *>(m_q2->btn_Q2NetSet), static_cast<QWidget *>(m_q2->btn_Q2ComSet),
          static_cast<QWidget *>(m_q1->btn_Q1Set), static_cast<QWidget *>(m_q1->btn_ComSet),
          static_cast<QWidget *>(m_q3->btn_Q3NetSet), static_cast<QWidget *>(m_com->btn_ComRead)})
        addFrameSendingControl(control);
    connect(m_guard, &OperationGuard::busyChanged, this, &MainWindow::updateContextMenuState);
    connect(m_guard, &OperationGuard::readyToClose, this, &QWidget::close, Qt::QueuedConnection);

    qApp->installEventFilter(this);

    m_about = new AboutBox(this);
    m_pswd = new LoginDialog(m_login, this);
    connect(this, &MainWindow::aboutRequested, m_about, &AboutBox::showAbout);
    connect(this, &MainWindow::loginRequested, m_pswd, &LoginDialog::showLogin);
    connect(m_pswd, &LoginDialog::credentialsAccepted, this,
            [this](const LoginCredentials &login) { m_login = login; });
    connect(this, &MainWindow::languageChanged, m_about, &AboutBox::applyAboutTexts);
    connect(this, &MainWindow::languageChanged, m_pswd, &LoginDialog::applyLoginTexts);

    m_upgrade = new UpgradeWindow(this);
    m_upgrade->setFields(m_settings.upgradeIP, m_settings.upgradeMAC, m_settings.upgradeFileName);
    connect(this, &MainWindow::upgradeRequested, m_upgrade, &UpgradeWindow::openFor);
    connect(this, &MainWindow::languageChanged, m_upgrade, &UpgradeWindow::applyUpgradeTexts);
    // A firmware transfer is a timed operation like a save: nothing else is sent meanwhile.
    m_guard->watch(m_upgrade);

    m_dataDebug = new DataDebugWindow(this);
    m_dataDebug->setMessageFunction(
        [](QWidget *parent, const QString &text) { messageSink()(parent, text); });
    connect(m_q2, &Q2Panel::dataDebugClicked, this, &MainWindow::openDataDebug);
    connect(m_dataDebug, &DataDebugWindow::filePathChanged, this,
            [this](const QString &path) { m_settings.filePath = path; });
    connect(this, &MainWindow::languageChanged, m_dataDebug, &DataDebugWindow::applyDataDebugTexts);
    tellSettingsFileAtStart();
}

void MainWindow::openDataDebug()
{
    m_dataDebug->showFor({m_q2->workModeIndex(), m_q2->remoteIpText(), m_q2->localPortText(),
                          m_q2->remotePortText()},
                         m_settings.filePath);
}

void MainWindow::addWindowTexts()
{
    // Texts of this window that the classic table does not have; a Lang.txt entry of the same
    // key still relabels them.
    LangList &list = langList();
    const struct
    {
        const char *key;
        const char *chinese;
        const char *english;
    } texts[] = {
        {"lang_Status_DeviceCount", "已找到 %1 台设备", "%1 device(s) found"},
        {"lang_Status_DevicesRefused", "（列表已满，另有 %1 个应答未列出）",
         " (+%1 refused: the list is full)"},
        {"lang_Hint_DeviceListFull", "设备列表已满（%1 台），新设备的应答不再列出",
         "The device list is full (%1 rows): answers from further modules are refused"},
        {"lang_Hint_CloseWaits", "正在与模块通讯的操作尚未结束，结束后窗口将自动关闭。",
         "An operation is still writing to a module; the window closes as soon as it ends."},
        {"lang_Hint_ExportFailed", "导出失败：", "Export failed: "},
        {"lang_Hint_SaveFailed", "无法保存 %1：%2", "Could not save %1: %2"},
        {"lang_Hint_FileTooLarge", "%1 大于 %2 MB，未读取，本次运行也不会改写它。",
         "%1 is larger than %2 MB: it was not read and will not be rewritten in this run."},
        {"lang_Q3ReadFirst", "请先点击该设备读取参数，再保存",
         "Click the module to read it before saving"},
    };
    for (const auto &t : texts) {
        const QString key = QString::fromLatin1(t.key);
        if (list.lookup(key) == key)
            list.addBuiltIn(key, QString::fromUtf8(t.chinese), QString::fromUtf8(t.english));
    }
    addCommissioningTexts();
}

void MainWindow::addFrameSendingControl(QWidget *control)
{
    m_guard->addControl(control);
}

void MainWindow::setCredentials(const LoginCredentials &login)
{
    m_login = login;
    m_pswd->setCredentials(login);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

void MainWindow::buildMenus()
{
    m_mniFile = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    m_mniFile->setObjectName(QStringLiteral("mni_File"));
    m_mniPswd = namedAction(this, "mni_Pswd", QStringLiteral("用户名密码设置"));
    m_mniExport = namedAction(this, "mniExporDevs", QStringLiteral("Export Devices"));
    m_mniExit = namedAction(this, "mni_Exit", QStringLiteral("退出(&X)"));
    m_mniFile->addActions({m_mniPswd, m_mniExport, m_mniExit});
    connect(m_mniPswd, &QAction::triggered, this, &MainWindow::loginRequested);
    connect(m_mniExport, &QAction::triggered, this, &MainWindow::exportDevices);
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
    connect(m_mniAbout, &QAction::triggered, this, &MainWindow::aboutRequested);
}

void MainWindow::buildLeftSide()
{
    m_pnl1 = new QWidget(this);
    m_pnl1->setObjectName(QStringLiteral("pnl1"));
    m_pnl1->setFixedWidth(kPnl1Width);
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
    // Several rows (Ctrl/Shift click) for a batch apply; a plain click reads one row as before.
    m_lvDev->setSelectionMode(QAbstractItemView::ExtendedSelection);
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
    m_lvDev->setColumnWidth(DeviceListModel::ColFlags, 24);
    m_lvDev->horizontalHeader()->setStretchLastSection(true);
    m_lvDev->installEventFilter(this);
    m_lvDev->viewport()->installEventFilter(this);
    m_lvDev->setMouseTracking(true);
    connect(m_lvDev, &QTableView::clicked, this, &MainWindow::onDeviceClicked);
    connect(m_lvDev, &QWidget::customContextMenuRequested, this, &MainWindow::showContextMenu);
    connect(m_devices, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateDeviceCount);
    connect(m_devices, &QAbstractItemModel::modelReset, this, &MainWindow::updateDeviceCount);
    connect(m_devices, &QAbstractItemModel::dataChanged, this, &MainWindow::updateDeviceCount);
    m_btnSearch = new QPushButton(QStringLiteral("搜索设备"), net);
    m_btnSearch->setObjectName(QStringLiteral("btn_Search"));
    connect(m_btnSearch, &QPushButton::clicked, this, &MainWindow::startSearch);
    netColumn->addWidget(m_lvDev, 1);
    netColumn->addWidget(m_btnSearch);
    m_srch->addTab(net, QStringLiteral("通过网络操作"));

    m_comPage = new QWidget;
    m_comPage->setObjectName(QStringLiteral("rztbsht_Com"));
    m_srch->addTab(m_comPage, QStringLiteral("通过串口操作"));

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
    connect(m_mniOpenWeb, &QAction::triggered, this, &MainWindow::openWebPage);
    connect(m_mniRestart, &QAction::triggered, this, &MainWindow::restartDevice);
    connect(m_mniFirmwareUp, &QAction::triggered, this, &MainWindow::firmwareUpgrade);
    connect(m_mniReset, &QAction::triggered, this, &MainWindow::factoryReset);
    connect(m_mniCopyTheMac, &QAction::triggered, this, &MainWindow::copySelectedMac);
    connect(m_mniCopeAllMac, &QAction::triggered, this, &MainWindow::copyAllMacs);
    buildBatchActions();
}

void MainWindow::buildParameterPages()
{
    m_param = new QTabWidget(this);
    m_param->setObjectName(QStringLiteral("rzpgcntrl_Param"));
    m_param->setMinimumWidth(kParamWidth);
    const QStringList captions = {QStringLiteral("Q1串口网络 Q3串口"), QStringLiteral("Q2串口网络"),
                                  QStringLiteral("Q3Net")};
    m_q2 = new Q2Panel;
    m_q2->setMessageFunction([this](QWidget *, const QString &text) { showMessage(text); });
    m_q1 = new Q1Panel;
    m_q3 = new Q3Panel;
    m_q3->setMessageFunction([this](QWidget *, const QString &text) { showMessage(text); });
    const QList<QWidget *> pages = {m_q1, m_q2, m_q3};
    for (int i = 0; i < captions.size(); ++i)
        m_param->addTab(pages.at(i), captions.at(i));
    m_saver = new SaveRunner(m_udp, this);
    connect(m_q3, &Q3Panel::q3NetSetClicked, this, &MainWindow::saveQ3);
    connect(m_q1, &Q1Panel::netSetClicked, this, &MainWindow::saveQ1OverNetwork);
    connect(m_q2, &Q2Panel::q2NetSetClicked, this, &MainWindow::saveQ2);
}

void MainWindow::connectEndpoint()
{
    connect(m_udp, &ModuleEndpoint::dataSent, this, &MainWindow::onDataSent);
    connect(m_udp, &ModuleEndpoint::datagramReceived, this, &MainWindow::onDataReceived);
    connect(m_udp, &ModuleEndpoint::deviceFound, this, &MainWindow::onDeviceFound);
    connect(m_udp, &ModuleEndpoint::statusReported, this, &MainWindow::onStatus);
    connect(m_udp, &ModuleEndpoint::baseParamsReceived, this, &MainWindow::onBaseParams);
    connectParameterAnswers();
}

void MainWindow::connectParameterAnswers()
{
    connect(m_udp, &ModuleEndpoint::cloudParamsReceived, this,
            [this](const QByteArray &block, int) { m_q2->showCloud(parseCloudParam(block)); });
    connect(m_udp, &ModuleEndpoint::heartRegParamsReceived, this,
            [this](const QByteArray &block, int kind) {
                if (kind == KindQ2)
                    m_q2->showHeartReg(block);
            });
    connect(m_udp, &ModuleEndpoint::httpdParamsReceived, this, [this](const QByteArray &block) {
        const HttpdParams h = parseHttpd(block);
        m_q2->showHttpd(h.url, h.header);
    });
    connect(m_udp, &ModuleEndpoint::modbusParamsReceived, this,
            [this](const QByteArray &block, int length) {
                m_q2->showModbusShort(parseModbusShort(block), length);
            });
    connect(m_udp, &ModuleEndpoint::modbusPackParamsReceived, this,
            [this](const QByteArray &block, int) { m_q2->showModbusPack(parseModbusPack(block)); });
    connect(m_udp, &ModuleEndpoint::modbusNewParamsReceived, this,
            [this](const QByteArray &block, int) { m_q2->showModbusNew(parseModbusNew(block)); });
}

void MainWindow::saveQ2()
{
    const int row = selectedRow();
    if (row < 0) {
        setLayout(Layout::ListOnly);
        logColor(langText(QStringLiteral("lang_Hint_NoTarget")), LogColors::kError);
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    if (e.kind != KindQ2 || m_guard->isBusy())
        return;
    const SavePlan plan = m_q2->prepareQ2Save(e.version.toInt(), m_udp->stored());
    if (plan.refused()) {
        // The check's own refusals have shown their message; the others show theirs here.
        const QString text = saveRefusalText(plan);
        if (!text.isEmpty()) {
            logColor(text, LogColors::kError);
            showMessage(text);
            m_q2->focusRefusedField(plan);
        }
        return;
    }
    for (const QString &key : plan.messageKeys)
        showMessage(langText(key));
    const QString selectedMac = removeSpaces(e.mac);
    m_saver->start(plan, {e.socketIndex, selectedMac},
                   {m_q2SocketIndex, m_selectedMac.isEmpty() ? selectedMac : m_selectedMac},
                   m_login.user, m_login.password);
}

void MainWindow::saveQ3()
{
    const int row = selectedRow();
    if (row < 0) {
        setLayout(Layout::ListOnly);
        logColor(langText(QStringLiteral("lang_Hint_NoTarget")), LogColors::kError);
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    if (e.kind != KindQ3 || m_guard->isBusy())
        return;
    // The save is built inside the module's own block: never on another module's or on zeros.
    if (m_paramOwnerMac != removeSpaces(e.mac)) {
        logColor(langText(QStringLiteral("lang_Q3ReadFirst")), LogColors::kError);
        return;
    }
    const SavePlan plan = m_q3->prepareQ3Save(m_udp->stored());
    if (plan.refused())
        return; // the panel has named the field
    const SaveAddress to{e.socketIndex, removeSpaces(e.mac)};
    m_saver->start(plan, to, to, m_login.user, m_login.password);
}

void MainWindow::saveQ1OverNetwork()
{
    // No listed module is a Q1 (they are configured over the serial line).
    if (selectedRow() < 0) {
        setLayout(Layout::ListOnly);
        logColor(langText(QStringLiteral("lang_Hint_NoTarget")), LogColors::kError);
    }
}

void MainWindow::onSearchTabChanged(int index)
{
    const bool network = index == 0;
    m_q1->setNetworkTab(network);
    m_q2->setNetworkTab(network);
    m_com->setComTab(!network);
    logColor(langText(network ? QStringLiteral("lang_rztbsht_Net")
                              : QStringLiteral("lang_rztbsht_Com")) +
                 QStringLiteral(",") +
                 langText(network ? QStringLiteral("lang_ts_CfgFree")
                                  : QStringLiteral("lang_ts_CfgGnd")),
             LogColors::kInstruction);
    setLayout(Layout::ListOnly);
}

void MainWindow::applySettings(const AppSettings &settings)
{
    setIsChinese(settings.language);
    m_mniCn->setChecked(settings.language);
    m_mniEn->setChecked(!settings.language);
    m_mniHint->setChecked(settings.realTimeHelp);
}

AppSettings MainWindow::currentSettings() const
{
    AppSettings s = m_settings;
    s.language = isChinese();
    s.realTimeHelp = m_mniHint->isChecked();
    // The serial tab shows the Q2 model after every start.
    s.qNum = 2;
    s.localCom = m_com->portText();
    s.userName = m_login.user;
    s.password = m_login.password;
    if (m_upgrade) {
        s.upgradeIP = m_upgrade->targetIpText();
        s.upgradeMAC = m_upgrade->targetMacText();
        s.upgradeFileName = m_upgrade->fileNameText();
    }
    return s;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Cutting a save short could leave a module with a new base block, no port block and no
    // restart: the window closes once the operation has ended.
    if (!m_guard->mayClose()) {
        cancelBatch(); // a batch stops after the module in progress
        logColor(langText(QStringLiteral("lang_Hint_CloseWaits")), LogColors::kInstruction);
        event->ignore();
        return;
    }
    // Written before anything shuts down: a save that fails keeps the window open once, so the
    // user reads why; closing again closes.
    if (tellSettingsSave(m_settingsFile.save(currentSettings()))) {
        event->ignore();
        return;
    }
    qApp->removeEventFilter(this);
    m_com->shutdown();
    delete m_udp;
    m_udp = nullptr;
    event->accept();
}

// ---- layouts and logs ----

void MainWindow::setLayout(Layout layout)
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
    const int width = pages ? kPnl1Width + kParamWidth + 24 : kPnl1Width + 14;
    centralWidget()->layout()->activate();
    resize(width, qMax(height(), 560));
    updateContextMenuState();
}

void MainWindow::logOk(const QString &text)
{
    m_log->appendLine(text, LogColors::kOk);
}

void MainWindow::logColor(const QString &text, const QColor &color)
{
    m_log->appendLine(text, color);
}

void MainWindow::hexColor(const QString &text, const QColor &color)
{
    m_hex->appendLine(text, color);
}

void MainWindow::hexLine(const QString &text)
{
    m_hex->appendLine(text);
}

void MainWindow::clearLogs()
{
    m_log->clearLog();
    m_hex->clearLog();
}

void MainWindow::showMessage(const QString &text)
{
    messageSink()(this, text);
}

// ---- texts ----

void MainWindow::applyMainTexts()
{
    setWindowTitle(langText(QStringLiteral("lang_Main_Title")) + QStringLiteral(" V") +
                   programVersionText());
    // The application title (lang_Main_AppTitle) is not made the display name: Qt would add it
    // to every window title, which must read exactly as its text.

    m_mniFile->setTitle(langText(QStringLiteral("lang_Menu_File")));
    m_mniPswd->setText(langText(QStringLiteral("lang_Menu_Pswd")));
    m_mniExport->setText(langText(QStringLiteral("lang_Menu_ExpDev")));
    m_mniExit->setText(langText(QStringLiteral("lang_Menu_Quit")));
    m_mniLang->setTitle(langText(QStringLiteral("lang_Menu_Lang")));
    m_mniCn->setText(langText(QStringLiteral("lang_Menu_Cn")));
    m_mniEn->setText(langText(QStringLiteral("lang_Menu_En")));
    m_mniHelp->setTitle(langText(QStringLiteral("lang_Menu_Help")));
    m_mniAbout->setText(langText(QStringLiteral("lang_Menu_About")));
    m_mniHint->setText(langText(QStringLiteral("lang_Menu_Hint")));
    m_mniUp->setText(langText(QStringLiteral("lang_Menu_Version")));
    m_mniWorkOrder->setText(langText(QStringLiteral("lang_Menu_WorkOrder")));

    m_devices->setHeaderTexts(
        {langText(QStringLiteral("lang_Lv_DevIP")), langText(QStringLiteral("lang_Lv_DevName")),
         langText(QStringLiteral("lang_Lv_MAC")), langText(QStringLiteral("lang_Lv_Version")),
         QStringLiteral("Flag"), QStringLiteral("IpIndex"),
         langText(QStringLiteral("lang_Lv_Flags"))});
    m_devices->setFlagTexts({langText(QStringLiteral("lang_Flag_DuplicateIp")),
                             langText(QStringLiteral("lang_Flag_OutsideSubnet")),
                             langText(QStringLiteral("lang_Flag_DuplicateMac"))},
                            style()->standardIcon(QStyle::SP_MessageBoxWarning));

    m_mniOpenWeb->setText(langText(QStringLiteral("lang_mni_OpenWeb")));
    m_mniRestart->setText(langText(QStringLiteral("lang_mni_Restart")));
    m_mniFirmwareUp->setText(langText(QStringLiteral("lang_mni_FirmwareUp")));
    m_mniReset->setText(langText(QStringLiteral("lang_mni_Reset")));
    m_mniCopyTheMac->setText(langText(QStringLiteral("lang_mni_CopyTheMac")));
    m_mniCopeAllMac->setText(langText(QStringLiteral("lang_mni_CopeAllMac")));
    applyBatchTexts();

    m_btnSearch->setText(langText(QStringLiteral("lang_btn_Search")));
    m_srch->setTabText(0, langText(QStringLiteral("lang_rztbsht_Net")));
    m_srch->setTabText(1, langText(QStringLiteral("lang_rztbsht_Com")));
    m_logs->setTabText(0, langText(QStringLiteral("lang_rztbsht_Log")));
    m_logs->setTabText(1, langText(QStringLiteral("lang_rztbsht_Hex")));

    m_btnSearch->setToolTip(langText(QStringLiteral("lang_H_btn_Search")));
    m_lvDev->setToolTip(langText(QStringLiteral("lang_H_lv_Dev")));
    m_q2->applyQ2Texts();
    m_q1->applyQ1Texts();
    m_q3->applyQ3Texts();
    if (m_com)
        m_com->applyComTexts();
    m_lvDev->setAccessibleName(langText(QStringLiteral("lang_rztbsht_Net")));
    m_log->setAccessibleName(langText(QStringLiteral("lang_rztbsht_Log")));
    m_hex->setAccessibleName(langText(QStringLiteral("lang_rztbsht_Hex")));
    updateDeviceCount();
}

void MainWindow::chooseLanguage(bool chinese)
{
    (chinese ? m_mniCn : m_mniEn)->setChecked(true);
    setIsChinese(chinese);
    applyMainTexts();
    emit languageChanged();
    tellSettingsSave(m_settingsFile.saveLanguage(chinese));
}

void MainWindow::toggleRealTimeHelp()
{
    // The action toggled its own check mark, which the tooltip filter reads.
    if (!m_mniHint->isChecked())
        QToolTip::hideText();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip && watched == m_lvDev->viewport()) {
        // A flagged row's words show whether or not real-time help is on.
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = m_lvDev->indexAt(help->pos()).data(Qt::ToolTipRole).toString();
        if (!tip.isEmpty()) {
            QToolTip::showText(help->globalPos(), tip, m_lvDev->viewport());
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip) {
        // Real-time help: hints show only while it is on, and then stay for ten minutes.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!m_mniHint->isChecked())
            return true;
        if (widget && !widget->toolTip().isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                               wrapHintText(widget->toolTip(), QToolTip::font()), widget, {},
                               kHintDisplayMs);
            return true;
        }
        return false;
    }
    if (watched == m_lvDev && event->type() == QEvent::KeyPress)
        return true; // the selection changes by mouse only
    if (watched == m_lvDev->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // A click on the empty space below the rows selects nothing: back to the list alone.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && !m_lvDev->indexAt(mouse->pos()).isValid()) {
            m_lvDev->clearSelection();
            onDeviceClicked(QModelIndex());
        }
    }
    if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        if (watched == m_lvDev->viewport() && !m_lvDev->hasFocus())
            m_lvDev->setFocus(Qt::MouseFocusReason);
        else if (watched == m_hex->viewport() && !m_hex->hasFocus())
            m_hex->setFocus(Qt::MouseFocusReason);
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- device list ----
