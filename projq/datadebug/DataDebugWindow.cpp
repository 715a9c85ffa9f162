#include "DataDebugWindow.h"

#include "CommandRowWidget.h"
#include "CycleSender.h"
#include "DataDebugFiles.h"
#include "TrafficModel.h"
#include "common/ValueHelpers.h"
#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString text(const char *key)
{
    return langText(QString::fromLatin1(key));
}

// Texts of this window that the classic table does not have; a Lang.txt entry of the same key
// still relabels them.
void addWindowTexts()
{
    struct Entry
    {
        const char *key;
        const char *chinese;
        const char *english;
    };
    static const Entry entries[] = {
        {"lang_DataDebug_lblIP", "地址:", "Address:"},
        {"lang_DataDebug_lblPort", "端口:", "Port:"},
        {"lang_DataDebug_chkChoose", "选择第%1行", "Choose row %1"},
        {"lang_DataDebug_edtCmd", "第%1行指令", "Command of row %1"},
        {"lang_DataDebug_chkShowReceived", "显示接收", "Show received"},
        {"lang_DataDebug_grpReceive", "收发数据", "Traffic"},
        {"lang_DataDebug_chkPause", "暂停显示", "Pause"},
        {"lang_DataDebug_btnClearReceived", "清除显示", "Clear"},
        {"lang_DataDebug_colTime", "时间", "Time"},
        {"lang_DataDebug_colDir", "方向", "Dir"},
        {"lang_DataDebug_colPeer", "对端", "Peer"},
        {"lang_DataDebug_colLength", "长度", "Length"},
        {"lang_DataDebug_colHex", "十六进制", "Hex"},
        {"lang_DataDebug_colText", "文本", "Text"},
        {"lang_DataDebug_Counters", "发送 %1 帧 %2 字节  接收 %3 帧 %4 字节",
         "Sent %1 frames, %2 bytes  Received %3 frames, %4 bytes"},
        {"lang_Hint_DataDebug_NoBar", "名称和指令不能包含'|'字符，请用十六进制行写作7C。",
         "A name or command cannot hold '|'; write it in a hex row as 7C."},
        {"lang_Hint_DataDebug_BadHex", "第%1行不是有效的十六进制数，没有发送。",
         "Row %1 is not valid hex; nothing was sent."},
        {"lang_Hint_DataDebug_KeepHex", "第%1行的字节不能原样显示为文本，保持十六进制。",
         "Row %1 stays hex: its bytes cannot be shown as text unchanged."},
        {"lang_Hint_DataDebug_PanelPorts", "参数面板的端口不是数字，沿用上次的设置。",
         "The module's port is not a number; the last values are kept."},
        {"lang_Hint_DataDebug_BadPort", "端口必须是0到65535之间的数字。",
         "The port must be a number from 0 to 65535."},
        {"lang_Hint_DataDebug_SaveFailed", "无法写入指令文件：",
         "The command file could not be written: "},
        {"lang_Hint_DataDebug_SendFailed", "发送失败：", "Not sent: "},
    };
    LangList &list = langList();
    for (const Entry &e : entries) {
        const QString key = QString::fromLatin1(e.key);
        if (list.lookup(key) == key)
            list.addBuiltIn(key, QString::fromUtf8(e.chinese), QString::fromUtf8(e.english));
    }
}

QRegularExpressionValidator *digitsOnly(QObject *parent)
{
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), parent);
}

std::optional<quint16> portNumber(const QString &text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok);
    if (!ok || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace

DataDebugWindow::DataDebugWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_DataDebug"));
    setWindowModality(Qt::ApplicationModal);
    addWindowTexts();

    m_message = [](QWidget *parent, const QString &text) {
        auto *box = new QMessageBox(QMessageBox::Information, parent->windowTitle(), text,
                                    QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    m_prompt = [](QWidget *parent, const QString &title, const QString &label,
                  const QString &initial, const PromptDone &done) {
        auto *dialog = new QInputDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(title);
        dialog->setLabelText(label);
        dialog->setTextValue(initial);
        QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                         [done](const QString &v) { done(v); });
        dialog->open();
    };
    m_fileDialog = [](QWidget *parent, bool save, const QString &start, const FileDone &done) {
        auto *dialog = new QFileDialog(parent, save ? QStringLiteral("Save") : QString(), start,
                                       QStringLiteral("Txt File (*.txt);;All File (*)"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        if (save)
            dialog->setDefaultSuffix(QStringLiteral("txt"));
        else
            dialog->setFileMode(QFileDialog::ExistingFile);
        QObject::connect(dialog, &QFileDialog::fileSelected, dialog,
                         [done](const QString &path) { done(path); });
        QObject::connect(dialog, &QFileDialog::rejected, dialog, [done] { done(std::nullopt); });
        dialog->open();
    };

    m_link = new DataDebugLink(this);
    m_traffic = new TrafficModel(this);
    m_cycle = new CycleSender(
        CommandRows::kRowCount,
        [this](int i) {
            const CommandRowWidget *row = m_rows.at(i);
            return CyclePlan::RowTiming{row->chosen(),
                                        CommandRows::delayMs(row->delayText()).value_or(0)};
        },
        [this] {
            // Read when a pass ends; a field emptied while being retyped keeps the last value.
            bool ok = false;
            const int ms = edtCycle->text().toInt(&ok);
            if (ok && ms >= 0)
                m_lastInterval = ms;
            return m_lastInterval;
        },
        this);
    m_counterTimer = new QTimer(this);
    m_counterTimer->setInterval(200);
    m_counterTimer->setSingleShot(true);
    connect(m_counterTimer, &QTimer::timeout, this, &DataDebugWindow::updateCounters);

    buildControls();
    connectLink();
    applyDataDebugTexts();
    clearCommandRows();
    updateCounters();
}

DataDebugWindow::~DataDebugWindow()
{
    // The link and the cycle are children: they are destroyed after this window's own part, and
    // a connection they close on the way out must not call back into a half-destroyed window.
    if (m_link)
        m_link->disconnect(this);
    if (m_cycle)
        m_cycle->disconnect(this);
}

void DataDebugWindow::buildControls()
{
    lblProtocol = new QLabel(this);
    lblProtocol->setObjectName(QStringLiteral("lblProtocol"));
    cbbProtrolType = new QComboBox(this);
    cbbProtrolType->setObjectName(QStringLiteral("cbbProtrolType"));
    cbbProtrolType->addItems({QStringLiteral("UDP Server"), QStringLiteral("TCP Server"),
                              QStringLiteral("UDP Client"), QStringLiteral("TCP Client")});
    lblProtocol->setBuddy(cbbProtrolType);
    lblIP = new QLabel(this);
    lblIP->setObjectName(QStringLiteral("lblIP"));
    cbbIP = new QComboBox(this);
    cbbIP->setObjectName(QStringLiteral("cbbIP"));
    cbbIP->setEditable(true);
    cbbIP->setInsertPolicy(QComboBox::NoInsert);
    cbbIP->setMinimumWidth(140);
    lblIP->setBuddy(cbbIP);
    lblPort = new QLabel(this);
    lblPort->setObjectName(QStringLiteral("lblPort"));
    edtPort = new QLineEdit(this);
    edtPort->setObjectName(QStringLiteral("edtPort"));
    edtPort->setValidator(digitsOnly(edtPort));
    edtPort->setFixedWidth(70);
    lblPort->setBuddy(edtPort);
    btnConnet = new QPushButton(this);
    btnConnet->setObjectName(QStringLiteral("btnConnet"));

    auto *top = new QHBoxLayout;
    top->addWidget(lblProtocol);
    top->addWidget(cbbProtrolType);
    top->addWidget(lblIP);
    top->addWidget(cbbIP, 1);
    top->addWidget(lblPort);
    top->addWidget(edtPort);
    top->addWidget(btnConnet);

    chkChooseAll = new QCheckBox(this);
    chkChooseAll->setObjectName(QStringLiteral("chkChooseAll"));
    chkHexAll = new QCheckBox(this);
    chkHexAll->setObjectName(QStringLiteral("chkHexAll"));
    btnClearAll = new QPushButton(this);
    btnClearAll->setObjectName(QStringLiteral("btnClearAll"));
    btnImport = new QPushButton(this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnExport = new QPushButton(this);
    btnExport->setObjectName(QStringLiteral("btnExport"));
    lblDelay = new QLabel(this);
    lblDelay->setObjectName(QStringLiteral("lblDelay"));
    auto *tools = new QHBoxLayout;
    tools->addWidget(chkChooseAll);
    tools->addWidget(btnClearAll);
    tools->addWidget(btnImport);
    tools->addWidget(btnExport);
    tools->addStretch(1);
    tools->addWidget(chkHexAll);
    tools->addWidget(lblDelay);

    auto *rowsBox = new QWidget;
    rowsBox->setObjectName(QStringLiteral("pnlRows"));
    auto *rowsLayout = new QVBoxLayout(rowsBox);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(0);
    for (int i = 0; i < CommandRows::kRowCount; ++i) {
        auto *row = new CommandRowWidget(i, rowsBox);
        m_rows << row;
        rowsLayout->addWidget(row);
        connect(row, &CommandRowWidget::sendClicked, this, [this](int i) { sendRow(i); });
        connect(row, &CommandRowWidget::renameRequested, this, &DataDebugWindow::renameRow);
        connect(row, &CommandRowWidget::separatorRefused, this,
                [this] { showStatus(text("lang_Hint_DataDebug_NoBar")); });
        connect(row, &CommandRowWidget::hexKept, this,
                [this](int i) { showStatus(text("lang_Hint_DataDebug_KeepHex").arg(i + 1)); });
    }
    ScrollBox2 = new QScrollArea(this);
    ScrollBox2->setObjectName(QStringLiteral("ScrollBox2"));
    ScrollBox2->setWidget(rowsBox);
    ScrollBox2->setWidgetResizable(true);
    ScrollBox2->setFocusPolicy(Qt::WheelFocus);
    ScrollBox2->verticalScrollBar()->setSingleStep(13);
    ScrollBox2->setMinimumHeight(12 * CommandRowWidget::kHeight);

    lblRemote = new QLabel(this);
    lblRemote->setObjectName(QStringLiteral("lblRemote"));
    edtLoIP = new QLineEdit(this);
    edtLoIP->setObjectName(QStringLiteral("edtLoIP"));
    edtLoIP->setFixedWidth(130);
    edtLoport = new QLineEdit(QStringLiteral("1234"), this);
    edtLoport->setObjectName(QStringLiteral("edtLoport"));
    edtLoport->setValidator(digitsOnly(edtLoport));
    edtLoport->setFixedWidth(70);
    lblRemote->setBuddy(edtLoIP);
    lblCycleInternal = new QLabel(this);
    lblCycleInternal->setObjectName(QStringLiteral("lblCycleInternal"));
    edtCycle = new QLineEdit(QStringLiteral("1000"), this);
    edtCycle->setObjectName(QStringLiteral("edtCycle"));
    edtCycle->setValidator(digitsOnly(edtCycle));
    edtCycle->setFixedWidth(70);
    lblCycleInternal->setBuddy(edtCycle);
    btnCycleSend = new QPushButton(this);
    btnCycleSend->setObjectName(QStringLiteral("btnCycleSend"));
    chkShowReceived = new QCheckBox(this);
    chkShowReceived->setObjectName(QStringLiteral("chkShowReceived"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblRemote);
    bottom->addWidget(edtLoIP);
    bottom->addWidget(edtLoport);
    bottom->addStretch(1);
    bottom->addWidget(chkShowReceived);
    bottom->addWidget(lblCycleInternal);
    bottom->addWidget(edtCycle);
    bottom->addWidget(btnCycleSend);
    for (QWidget *w : {static_cast<QWidget *>(lblRemote), static_cast<QWidget *>(edtLoIP),
                       static_cast<QWidget *>(edtLoport)})
        w->hide();

    grpReceive = new QGroupBox(this);
    grpReceive->setObjectName(QStringLiteral("grpReceive"));
    tblReceive = new QTableView(grpReceive);
    tblReceive->setObjectName(QStringLiteral("tblReceive"));
    tblReceive->setModel(m_traffic);
    tblReceive->verticalHeader()->hide();
    tblReceive->verticalHeader()->setDefaultSectionSize(20);
    tblReceive->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblReceive->setWordWrap(false);
    tblReceive->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {90, 36, 140, 50, 260};
    for (int c = 0; c < TrafficModel::Text; ++c)
        tblReceive->setColumnWidth(c, widths[c]);
    tblReceive->setMinimumHeight(160);
    chkPause = new QCheckBox(grpReceive);
    chkPause->setObjectName(QStringLiteral("chkPause"));
    btnClearReceived = new QPushButton(grpReceive);
    btnClearReceived->setObjectName(QStringLiteral("btnClearReceived"));
    auto *receive = new QVBoxLayout(grpReceive);
    auto *receiveTools = new QHBoxLayout;
    receiveTools->addWidget(chkPause);
    receiveTools->addWidget(btnClearReceived);
    receiveTools->addStretch(1);
    receive->addLayout(receiveTools);
    receive->addWidget(tblReceive);
    grpReceive->hide();

    stat1 = new QStatusBar(this);
    stat1->setObjectName(QStringLiteral("stat1"));
    stat1->setSizeGripEnabled(false);
    lblCounters = new QLabel(this);
    lblCounters->setObjectName(QStringLiteral("lblCounters"));
    stat1->addPermanentWidget(lblCounters);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 0);
    layout->addLayout(top);
    layout->addLayout(tools);
    layout->addWidget(ScrollBox2, 1);
    layout->addLayout(bottom);
    layout->addWidget(grpReceive, 1);
    layout->addWidget(stat1);
    resize(720, 520);

    connect(cbbProtrolType, &QComboBox::currentIndexChanged, this,
            &DataDebugWindow::onProtocolChanged);
    connect(btnConnet, &QPushButton::clicked, this, &DataDebugWindow::onConnectClicked);
    connect(chkChooseAll, &QCheckBox::toggled, this, &DataDebugWindow::chooseAll);
    connect(chkHexAll, &QCheckBox::toggled, this, &DataDebugWindow::hexAll);
    connect(btnClearAll, &QPushButton::clicked, this, &DataDebugWindow::clearCommandRows);
    connect(btnImport, &QPushButton::clicked, this, &DataDebugWindow::importFile);
    connect(btnExport, &QPushButton::clicked, this, &DataDebugWindow::exportFile);
    connect(btnCycleSend, &QPushButton::clicked, this, &DataDebugWindow::onCycleClicked);
    connect(edtCycle, &QLineEdit::textChanged, this,
            [this](const QString &t) { btnCycleSend->setEnabled(!t.isEmpty() || cycling()); });
    connect(chkShowReceived, &QCheckBox::toggled, this, &DataDebugWindow::showReceived);
    connect(btnClearReceived, &QPushButton::clicked, this, [this] {
        m_traffic->clear();
        m_counters = {};
        updateCounters();
    });
    connect(m_traffic, &TrafficModel::linesAdded, this, [this] {
        QScrollBar *bar = tblReceive->verticalScrollBar();
        if (bar->value() >= bar->maximum() - 2 * tblReceive->verticalHeader()->defaultSectionSize())
            tblReceive->scrollToBottom();
    });
    connect(m_cycle, &CycleSender::rowDue, this, [this](int row) { sendRow(row); });
    connect(m_cycle, &CycleSender::started, this, &DataDebugWindow::started);
    connect(m_cycle, &CycleSender::finished, this, [this] {
        btnCycleSend->setText(text("lang_DataDebug_btnCycleSend"));
        btnCycleSend->setEnabled(!edtCycle->text().isEmpty());
        emit finished();
    });
}

void DataDebugWindow::connectLink()
{
    connect(m_link, &DataDebugLink::clientConnected, this, [this](const QString &ip) {
        btnConnet->setText(text("lang_DataDebug_btnStop"));
        showStatus(text("lang_Hint_DataDebug_ClientConnect") + ip);
    });
    connect(m_link, &DataDebugLink::lastClientLeft, this,
            [this] { showStatus(text("lang_Hint_DataDebug_ClientDisconnect")); });
    connect(m_link, &DataDebugLink::clientError, this, [this](int code, const QString &) {
        showStatus(text("lang_Hint_DataDebug_ClientError") + QString::number(code));
    });
    connect(m_link, &DataDebugLink::connected, this, [this](const QString &ip) {
        btnConnet->setText(text("lang_DataDebug_disconnect"));
        showStatus(text("lang_Hint_DataDebug_ServerConnect") + ip);
        setConnectionControls(true);
    });
    connect(m_link, &DataDebugLink::disconnected, this, [this](const QString &ip) {
        btnConnet->setText(text("lang_DataDebug_btnConnet"));
        showStatus(text("lang_Hint_DataDebug_ServerDisconnect") + ip);
        setConnectionControls(false);
    });
    connect(m_link, &DataDebugLink::serverError, this, [this](int code, const QString &) {
        showStatus(text("lang_Hint_DataDebug_ServerError") + QString::number(code));
    });
    connect(m_link, &DataDebugLink::stateChanged, this, [this](DataDebugLink::State state) {
        if (state != DataDebugLink::State::Idle)
            return;
        // However the connection ended, nothing more can be sent on it.
        stopCycleSend();
        setConnectionControls(false);
        updateConnectCaption();
    });
    connect(m_link, &DataDebugLink::received, this,
            [this](const QByteArray &bytes, const QString &ip, quint16 port) {
                countTraffic(bytes, ip + u':' + QString::number(port), false);
            });
    connect(
        m_link, &DataDebugLink::sent, this,
        [this](const QByteArray &bytes, const QString &peer) { countTraffic(bytes, peer, true); });
    connect(m_link, &DataDebugLink::sendFailed, this, [this](const QString &why) {
        showStatus(text("lang_Hint_DataDebug_SendFailed") + why);
    });
}

void DataDebugWindow::applyDataDebugTexts()
{
    setWindowTitle(text("lang_DataDebug_Title"));
    lblProtocol->setText(text("lang_DataDebug_lblProtocol"));
    lblIP->setText(text("lang_DataDebug_lblIP"));
    lblPort->setText(text("lang_DataDebug_lblPort"));
    cbbProtrolType->setAccessibleName(lblProtocol->text());
    cbbIP->setAccessibleName(lblIP->text());
    edtPort->setAccessibleName(lblPort->text());
    updateConnectCaption();
    chkChooseAll->setText(text("lang_DataDebug_chkChooseAll"));
    chkHexAll->setText(QStringLiteral("Hex"));
    btnClearAll->setText(text("lang_DataDebug_btnClearAll"));
    btnImport->setText(text("lang_DataDebug_btnImport"));
    btnExport->setText(text("lang_DataDebug_btnExport"));
    lblDelay->setText(text("lang_DataDebug_lblDelay"));
    lblCycleInternal->setText(text("lang_DataDebug_lblCycleInternal"));
    edtCycle->setAccessibleName(lblCycleInternal->text());
    btnCycleSend->setText(cycling() ? text("lang_DataDebug_btnStopSend")
                                    : text("lang_DataDebug_btnCycleSend"));
    lblRemote->setText(text("lang_DataDebug_lblRemote"));
    edtLoIP->setAccessibleName(lblRemote->text() + QStringLiteral(" IP"));
    edtLoport->setAccessibleName(lblRemote->text() + u' ' + text("lang_DataDebug_lblPort"));
    chkShowReceived->setText(text("lang_DataDebug_chkShowReceived"));
    grpReceive->setTitle(text("lang_DataDebug_grpReceive"));
    chkPause->setText(text("lang_DataDebug_chkPause"));
    btnClearReceived->setText(text("lang_DataDebug_btnClearReceived"));
    m_traffic->setHeaders({text("lang_DataDebug_colTime"), text("lang_DataDebug_colDir"),
                           text("lang_DataDebug_colPeer"), text("lang_DataDebug_colLength"),
                           text("lang_DataDebug_colHex"), text("lang_DataDebug_colText")});
    tblReceive->setAccessibleName(grpReceive->title());
    for (CommandRowWidget *row : std::as_const(m_rows))
        row->applyTexts();
    updateCounters();
}

void DataDebugWindow::updateConnectCaption()
{
    const bool client = cbbProtrolType->currentIndex() == int(DataDebugLink::Protocol::TcpClient);
    switch (m_link->state()) {
    case DataDebugLink::State::Idle:
    case DataDebugLink::State::Connecting:
        btnConnet->setText(client ? text("lang_DataDebug_btnConnet")
                                  : text("lang_DataDebug_btnStart"));
        break;
    case DataDebugLink::State::Connected:
        btnConnet->setText(text("lang_DataDebug_disconnect"));
        break;
    case DataDebugLink::State::UdpBound:
    case DataDebugLink::State::Listening:
        btnConnet->setText(text("lang_DataDebug_btnStop"));
        break;
    }
}

QString DataDebugWindow::defaultCommandFile()
{
    return DataDebugFiles::path(QStringLiteral("DataSelf.txt"));
}

void DataDebugWindow::showFor(const ModulePorts &ports, const QString &filePath)
{
    m_filePath = filePath;
    applyDataDebugTexts();
    stat1->clearMessage();
    presetFrom(ports);
    const QString path = m_filePath.isEmpty() ? defaultCommandFile() : m_filePath;
    // A first run has no DataSelf.txt yet; only a file the user chose is missing for a reason.
    if (!m_filePath.isEmpty() || QFileInfo::exists(path))
        loadCommandFile(path);
    show();
    raise();
    activateWindow();
    ScrollBox2->setFocus();
}

void DataDebugWindow::presetFrom(const ModulePorts &ports)
{
    const QString previousIp = cbbIP->currentText();
    cbbIP->clear();
    cbbIP->addItems(localIPv4List());
    cbbIP->setEditText(previousIp);
    const int mode = ports.workMode;
    if (mode == 4) {
        cbbIP->setEditText(ports.remoteIp);
        return;
    }
    if (mode < 0 || mode > 3)
        return;
    // The PC plays the module's counterpart: a module client talks to the PC's remote port, a
    // module server is reached on its local port.
    const QString portText = mode <= 1 ? ports.remotePort : ports.localPort;
    const std::optional<quint16> port = portNumber(portText);
    if (!port) {
        showStatus(text("lang_Hint_DataDebug_PanelPorts"));
        return;
    }
    cbbProtrolType->setCurrentIndex(mode);
    onProtocolChanged(mode);
    edtPort->setText(QString::number(*port));
    cbbIP->setEditText(mode == 3 ? QString() : ports.remoteIp);
}

void DataDebugWindow::showStatus(const QString &text)
{
    stat1->showMessage(text);
}

QString DataDebugWindow::statusText() const
{
    return stat1->currentMessage();
}

void DataDebugWindow::showMessage(const QString &text)
{
    m_message(this, text);
}

DataDebugLink::Protocol DataDebugWindow::protocol() const
{
    return DataDebugLink::Protocol(cbbProtrolType->currentIndex());
}

void DataDebugWindow::onProtocolChanged(int)
{
    updateConnectCaption();
}

void DataDebugWindow::setConnectionControls(bool running)
{
    cbbProtrolType->setEnabled(!running);
    cbbIP->setEnabled(!running);
    edtPort->setEnabled(!running);
}

bool DataDebugWindow::checkIpPort()
{
    if (!cbbIP->currentText().trimmed().isEmpty() && !edtPort->text().isEmpty())
        return true;
    showStatus(text("lang_Hint_DataDebug_IPPort"));
    return false;
}

void DataDebugWindow::onConnectClicked()
{
    const DataDebugLink::State state = m_link->state();
    if (state == DataDebugLink::State::UdpBound || state == DataDebugLink::State::Listening ||
        state == DataDebugLink::State::Connected) {
        stopConnection(false);
        return;
    }
    if (!checkIpPort())
        return;
    const std::optional<quint16> port = portNumber(edtPort->text());
    if (!port) {
        showMessage(text("lang_Hint_DataDebug_BadPort"));
        return;
    }
    QString error;
    const DataDebugLink::Protocol p = protocol();
    if (!m_link->start(p, cbbIP->currentText(), *port, &error)) {
        showMessage(error);
        updateConnectCaption();
        setConnectionControls(false);
        return;
    }
    switch (p) {
    case DataDebugLink::Protocol::UdpServer:
    case DataDebugLink::Protocol::UdpClient:
        showStatus(text("lang_Hint_DataDebug_UDPStart"));
        edtLoIP->setText(cbbIP->currentText().trimmed());
        lblRemote->show();
        edtLoIP->show();
        edtLoport->show();
        break;
    case DataDebugLink::Protocol::TcpServer:
        showStatus(text("lang_Hint_DataDebug_ServiceStart"));
        break;
    case DataDebugLink::Protocol::TcpClient:
        break;
    }
    updateConnectCaption();
    setConnectionControls(m_link->active());
}

void DataDebugWindow::stopConnection(bool quiet)
{
    const DataDebugLink::State state = m_link->state();
    stopCycleSend();
    m_link->stop();
    lblRemote->hide();
    edtLoIP->hide();
    edtLoport->hide();
    if (!quiet) {
        if (state == DataDebugLink::State::UdpBound)
            showStatus(text("lang_Hint_DataDebug_UDPStop"));
        else if (state == DataDebugLink::State::Listening)
            showStatus(text("lang_Hint_DataDebug_ServiceStop"));
        else if (state == DataDebugLink::State::Connected)
            showStatus(text("lang_Hint_DataDebug_ServerDisconnect") + cbbIP->currentText());
    }
    updateConnectCaption();
    setConnectionControls(false);
}

bool DataDebugWindow::sendRow(int index)
{
    if (index < 0 || index >= m_rows.size())
        return false;
    const std::optional<QByteArray> payload = CommandRows::rowPayload(m_rows.at(index)->row());
    if (!payload) {
        showStatus(text("lang_Hint_DataDebug_BadHex").arg(index + 1));
        return false;
    }
    const DataDebugLink::State state = m_link->state();
    if (state == DataDebugLink::State::Idle || state == DataDebugLink::State::Connecting) {
        showStatus(text("lang_Hint_DataDebug_NotConn"));
        return false;
    }
    if (state == DataDebugLink::State::UdpBound)
        m_link->setUdpRemote(edtLoIP->text(), portNumber(edtLoport->text()).value_or(0));
    return m_link->sendPayload(*payload) > 0;
}

bool DataDebugWindow::cycling() const
{
    return m_cycle->running();
}

void DataDebugWindow::onCycleClicked()
{
    if (edtCycle->text().isEmpty() && !cycling())
        return;
    if (cycling()) {
        stopCycleSend();
        return;
    }
    const DataDebugLink::State state = m_link->state();
    if (state == DataDebugLink::State::Idle || state == DataDebugLink::State::Connecting) {
        showStatus(text("lang_Hint_DataDebug_NotConn"));
        return;
    }
    btnCycleSend->setText(text("lang_DataDebug_btnStopSend"));
    m_cycle->start();
}

void DataDebugWindow::stopCycleSend()
{
    // The finished signal gives the button its idle caption.
    m_cycle->stop();
}

QString DataDebugWindow::rowName() const
{
    return text("lang_DataDebug_btnExplanation");
}

QList<CommandRows::Row> DataDebugWindow::rows() const
{
    QList<CommandRows::Row> out;
    for (const CommandRowWidget *row : m_rows)
        out << row->row();
    return out;
}

void DataDebugWindow::setRows(const QList<CommandRows::Row> &rows)
{
    for (int i = 0; i < m_rows.size(); ++i)
        m_rows.at(i)->setRow(rows.value(i, CommandRows::clearedRow(rowName())));
}

void DataDebugWindow::clearCommandRows()
{
    setRows({});
    const QSignalBlocker quietChoose(chkChooseAll);
    const QSignalBlocker quietHex(chkHexAll);
    chkChooseAll->setChecked(false);
    chkHexAll->setChecked(false);
}

bool DataDebugWindow::loadCommandFile(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        showMessage(text("lang_Hint_DataDebug_FileNotExist"));
        return false;
    }
    clearCommandRows();
    setRows(CommandRows::rowsFromFileText(DataDebugFiles::read(path), rowName()));
    return true;
}

bool DataDebugWindow::saveCommandFile(const QString &path)
{
    if (DataDebugFiles::writeLines(path, CommandRows::fileLines(rows())))
        return true;
    showMessage(text("lang_Hint_DataDebug_SaveFailed") + QDir::toNativeSeparators(path));
    return false;
}

QString DataDebugWindow::commandFileForClose() const
{
    if (!m_filePath.isEmpty() && QFileInfo::exists(m_filePath))
        return m_filePath;
    return defaultCommandFile();
}

void DataDebugWindow::renameRow(int index)
{
    CommandRowWidget *row = m_rows.at(index);
    QPointer<DataDebugWindow> self(this);
    m_prompt(this, text("lang_Hint_FrameCmd_PopupTitle"), text("lang_Hint_FrameCmd_PopupText"),
             row->name(), [self, row](std::optional<QString> answer) {
                 if (!self || !answer)
                     return;
                 if (!CommandRows::fitsFileField(*answer)) {
                     self->showMessage(text("lang_Hint_DataDebug_NoBar"));
                     return;
                 }
                 if (answer->contains(u'&')) {
                     self->showMessage(QStringLiteral("不能包含'&&'字符"));
                     row->setName(QString());
                     return;
                 }
                 row->setName(*answer);
             });
}

void DataDebugWindow::importFile()
{
    QPointer<DataDebugWindow> self(this);
    m_fileDialog(this, false, m_filePath, [self](std::optional<QString> path) {
        if (!self)
            return;
        if (path && !path->isEmpty()) {
            self->m_filePath = *path;
            emit self->filePathChanged(*path);
        }
        // Cancelling reads the current file again.
        self->loadCommandFile(self->m_filePath.isEmpty() ? defaultCommandFile() : self->m_filePath);
    });
}

void DataDebugWindow::exportFile()
{
    QPointer<DataDebugWindow> self(this);
    m_fileDialog(this, true, m_filePath, [self](std::optional<QString> path) {
        if (!self || !path || path->isEmpty())
            return;
        self->m_filePath = *path;
        emit self->filePathChanged(*path);
        self->saveCommandFile(*path);
    });
}

void DataDebugWindow::chooseAll(bool chosen)
{
    for (CommandRowWidget *row : std::as_const(m_rows))
        row->setChosen(chosen);
}

void DataDebugWindow::hexAll(bool hex)
{
    QList<int> kept;
    for (CommandRowWidget *row : std::as_const(m_rows)) {
        if (row->hex() != hex && !row->setHex(hex))
            kept << row->index() + 1;
    }
    if (!kept.isEmpty()) {
        QStringList numbers;
        for (int n : kept)
            numbers << QString::number(n);
        showStatus(text("lang_Hint_DataDebug_KeepHex").arg(numbers.join(u',')));
    }
}

void DataDebugWindow::showReceived(bool shown)
{
    grpReceive->setVisible(shown);
    if (shown && height() < 700)
        resize(width(), 700);
}

void DataDebugWindow::countTraffic(const QByteArray &bytes, const QString &peer, bool sent)
{
    if (sent) {
        ++m_counters.sentFrames;
        m_counters.sentBytes += bytes.size();
    } else {
        ++m_counters.receivedFrames;
        m_counters.receivedBytes += bytes.size();
    }
    if (chkShowReceived->isChecked() && !chkPause->isChecked())
        m_traffic->add(bytes, peer, sent);
    if (!m_counterTimer->isActive())
        m_counterTimer->start();
}

void DataDebugWindow::updateCounters()
{
    lblCounters->setText(text("lang_DataDebug_Counters")
                             .arg(m_counters.sentFrames)
                             .arg(m_counters.sentBytes)
                             .arg(m_counters.receivedFrames)
                             .arg(m_counters.receivedBytes));
}

void DataDebugWindow::reject()
{
    // Closing (the close box or Esc): the rows are saved, the cycle and the connection end, so
    // the next showing starts idle.
    saveCommandFile(commandFileForClose());
    stopCycleSend();
    stopConnection(true);
    QDialog::reject();
}
