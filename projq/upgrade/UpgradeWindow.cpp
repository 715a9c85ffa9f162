#include "UpgradeWindow.h"

#include "UpgradeLink.h"

#include "common/ValueHelpers.h"
#include "lang/LangList.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace {

struct ExtraText
{
    const char *key;
    const char *chinese;
    const char *english;
};

// clang-format off
constexpr ExtraText kExtraTexts[] = {
    {"lang_Hint_UpFileTooShort", " 固件文件太短：至少需要 4 字节签名和 1 字节数据。", " Firmware file too short: it needs a 4-byte signature and at least 1 byte of data."},
    {"lang_Upgrade_FileInfo", "文件 %1 字节，签名 %2", "File: %1 bytes, signature %2"},
    {"lang_Upgrade_NoFile", "找不到文件", "No such file"},
    {"lang_Upgrade_Transfer", "已确认 %1 / %2 字节，%3 KiB/s", "Acknowledged %1 / %2 bytes, %3 KiB/s"},
    {"lang_Upgrade_Done", "用时 %1 秒，重发 %2 次", "Took %1 s, %2 retries"},
    {"lang_Upgrade_SignatureMismatch", "模块签名 %1，文件签名 %2", "Module signature %1, file signature %2"},
    {"lang_Upgrade_BadAddress", "IP 地址无效：%1", "Not an IP address: %1"},
    {"lang_Upgrade_BadMac", "MAC 地址无效：%1", "Not a MAC address: %1"},
    {"lang_Upgrade_FileUnreadable", "无法读取固件文件 %1：%2", "Cannot read the firmware file %1: %2"},
    {"lang_Upgrade_PortDenied", "无权使用本地端口 %1（%2）。端口 9、67、69 需要特权：请以 root 身份运行，或赋予程序 cap_net_bind_service 能力（setcap cap_net_bind_service=+ep Proj_Q）。", "Not allowed to use local port %1 (%2). Ports 9, 67 and 69 are privileged: run the program as root, or give it the capability cap_net_bind_service (setcap cap_net_bind_service=+ep Proj_Q)."},
    {"lang_Upgrade_PortInUse", "本地端口 %1 已被其他程序占用（%2）。请关闭该程序（如 DHCP 或 TFTP 服务器）后重试。", "Local port %1 is used by another program (%2). Close that program (a DHCP or TFTP server, for instance) and try again."},
    {"lang_Upgrade_PortFailed", "无法打开本地端口 %1：%2", "Cannot open local port %1: %2"},
    {"lang_Upgrade_SendFailed", "发送失败：%1", "Sending failed: %1"},
    {"lang_Upgrade_Busy", "升级进行中，请等待其结束。", "An upgrade is running; wait for it to end."},
};
// clang-format on

} // namespace

void addUpgradeTexts()
{
    LangList &list = langList();
    for (const ExtraText &t : kExtraTexts) {
        const QString key = QString::fromLatin1(t.key);
        if (list.lookup(key) == key)
            list.addBuiltIn(key, QString::fromUtf8(t.chinese), QString::fromUtf8(t.english));
    }
}

QString upgradeText(const UpgradeText &t)
{
    QString text = langText(t.key);
    for (const QString &arg : t.args)
        text = text.arg(arg);
    return text;
}

UpgradeWindow::UpgradeWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    // No caption-bar buttons: while the exit button is disabled the window cannot be closed.
    setObjectName(QStringLiteral("Tfrm_Upgrade"));
    setWindowModality(Qt::ApplicationModal);
    addUpgradeTexts();
    m_clock.start();

    m_link = new UpgradeLink(this);
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("tmr_TmrOut"));
    m_timer->setSingleShot(true);
    // A coarse timer may fire 5 % early: the boot loader is owed its full 10 s and 2 s.
    m_timer->setTimerType(Qt::PreciseTimer);

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QString::fromLatin1(name));
        return w;
    };

    m_grp1 = new QGroupBox(this);
    named(m_grp1, "grp1");
    m_lblIP = new QLabel(m_grp1);
    named(m_lblIP, "lbl_IP");
    m_lblMAC = new QLabel(m_grp1);
    named(m_lblMAC, "lbl_MAC");
    m_lblLocalIP = new QLabel(m_grp1);
    named(m_lblLocalIP, "lblLocalIP");
    m_edtIP = new QLineEdit(m_grp1);
    named(m_edtIP, "edt_IP");
    m_edtIP->setMaxLength(15);
    m_edtMAC = new QLineEdit(m_grp1);
    named(m_edtMAC, "edt_MAC");
    m_edtMAC->setMaxLength(17);
    m_cbbSvrIP = new QComboBox(m_grp1);
    named(m_cbbSvrIP, "cbbSvrIP");
    m_cbbSvrIP->setEditable(true);
    m_cbbSvrIP->setInsertPolicy(QComboBox::NoInsert);
    m_lblIP->setBuddy(m_edtIP);
    m_lblMAC->setBuddy(m_edtMAC);
    m_lblLocalIP->setBuddy(m_cbbSvrIP);
    auto *form = new QFormLayout(m_grp1);
    form->addRow(m_lblIP, m_edtIP);
    form->addRow(m_lblMAC, m_edtMAC);
    form->addRow(m_lblLocalIP, m_cbbSvrIP);

    m_grp2 = new QGroupBox(this);
    named(m_grp2, "grp2");
    m_edtBinFileName = new QLineEdit(m_grp2);
    named(m_edtBinFileName, "edt_BinFileName");
    m_btnBrowse = new QPushButton(QStringLiteral("..."), m_grp2);
    named(m_btnBrowse, "btn_Browse");
    m_btnBrowse->setAccessibleName(QStringLiteral("..."));
    m_lblFileInfo = new QLabel(m_grp2);
    named(m_lblFileInfo, "lbl_FileInfo");
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(m_edtBinFileName, 1);
    fileRow->addWidget(m_btnBrowse);
    auto *fileBox = new QVBoxLayout(m_grp2);
    fileBox->addLayout(fileRow);
    fileBox->addWidget(m_lblFileInfo);

    m_lblFwUpTip = new QLabel(this);
    named(m_lblFwUpTip, "lblFwUpTip");
    QPalette darkRed = m_lblFwUpTip->palette();
    darkRed.setColor(QPalette::WindowText, QColor(128, 0, 0));
    m_lblFwUpTip->setPalette(darkRed);
    m_lblInfo = new QLabel(this);
    named(m_lblInfo, "lbl_Info");
    m_lblInfo->setWordWrap(true);
    m_lblInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pb1 = new QProgressBar(this);
    named(m_pb1, "pb1");
    m_pb1->setRange(0, 100);
    m_pb1->setValue(0);
    m_lblDetail = new QLabel(this);
    named(m_lblDetail, "lbl_Detail");
    m_lblDetail->setWordWrap(true);
    // Room for a reason of two or three lines without pushing the log about.
    const int line = fontMetrics().lineSpacing();
    m_lblInfo->setMinimumHeight(3 * line);
    m_lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblDetail->setMinimumHeight(line + 2);
    m_log = new QPlainTextEdit(this);
    named(m_log, "redt_UpLog");
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(500);
    m_log->setMinimumHeight(90);

    m_btnProgram = new QPushButton(this);
    named(m_btnProgram, "btn_Program");
    m_btnExit = new QPushButton(this);
    named(m_btnExit, "btn_Exit");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_btnProgram);
    buttons->addWidget(m_btnExit);

    auto *column = new QVBoxLayout(this);
    column->addWidget(m_grp1);
    column->addWidget(m_grp2);
    column->addWidget(m_lblFwUpTip);
    column->addWidget(m_lblInfo);
    column->addWidget(m_pb1);
    column->addWidget(m_lblDetail);
    column->addWidget(m_log, 1);
    column->addLayout(buttons);
    resize(480, 560);

    connect(m_btnProgram, &QPushButton::clicked, this, &UpgradeWindow::startUpgrade);
    connect(m_btnExit, &QPushButton::clicked, this, &UpgradeWindow::exitClicked);
    connect(m_btnBrowse, &QPushButton::clicked, this, &UpgradeWindow::browse);
    connect(m_edtBinFileName, &QLineEdit::textChanged, this, &UpgradeWindow::showFileInfo);
    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(100);
    connect(m_refresh, &QTimer::timeout, this, &UpgradeWindow::showPendingStep);
    connect(m_timer, &QTimer::timeout, this, [this] { apply(m_session.timeout(now())); });
    connect(m_link, &UpgradeLink::datagramReceived, this,
            [this](quint16 port, const QString &sender, const QByteArray &bytes) {
                apply(m_session.datagram(port, sender, bytes, now()));
            });

    refillLocalAddresses(QString());
    applyUpgradeTexts();
}

UpgradeWindow::~UpgradeWindow() = default;

void UpgradeWindow::setFields(const QString &ip, const QString &mac, const QString &fileName)
{
    m_edtIP->setText(ip);
    m_edtMAC->setText(mac);
    m_edtBinFileName->setText(fileName);
}

QString UpgradeWindow::targetIpText() const
{
    return m_edtIP->text();
}

QString UpgradeWindow::targetMacText() const
{
    return m_edtMAC->text();
}

QString UpgradeWindow::fileNameText() const
{
    return m_edtBinFileName->text();
}

void UpgradeWindow::openFor(const QString &ip, const QString &mac, const QString &localIp)
{
    if (!isRunning()) {
        if (!ip.isEmpty()) {
            m_edtIP->setText(ip);
            m_edtMAC->setText(mac);
        }
        refillLocalAddresses(localIp);
    }
    show();
    raise();
    activateWindow();
}

void UpgradeWindow::refillLocalAddresses(const QString &preferred)
{
    // The address of the socket that found the module comes first choice; without one the
    // current text stays.
    const QString keep = preferred.isEmpty() ? m_cbbSvrIP->currentText() : preferred;
    m_cbbSvrIP->clear();
    m_cbbSvrIP->addItems(localIPv4List());
    const int i = m_cbbSvrIP->findText(keep);
    if (i >= 0)
        m_cbbSvrIP->setCurrentIndex(i);
    else
        m_cbbSvrIP->setEditText(keep.isEmpty() && m_cbbSvrIP->count() > 0 ? m_cbbSvrIP->itemText(0)
                                                                          : keep);
}

void UpgradeWindow::applyUpgradeTexts()
{
    setWindowTitle(langText(QStringLiteral("lang_Upgrade_Title")));
    m_lblFwUpTip->setText(langText(QStringLiteral("lang_Upgrade_Hint")));
    m_grp1->setTitle(langText(QStringLiteral("lang_Upgrade_grpClnt")));
    m_grp2->setTitle(langText(QStringLiteral("lang_Upgrade_grpFileName")));
    m_btnProgram->setText(langText(QStringLiteral("lang_Upgrade_btnProgram")));
    m_btnExit->setText(langText(QStringLiteral("lang_Upgrade_btnExit")));
    m_lblIP->setText(langText(QStringLiteral("lang_Upgrade_lblClientIP")));
    m_lblMAC->setText(langText(QStringLiteral("lang_Upgrade_lblClientMAC")));
    m_lblLocalIP->setText(langText(QStringLiteral("lang_Upgrade_lblLocalIP")));
    // A status text of the table follows the language; any other caption stays.
    if (!m_lblInfo->text().isEmpty())
        m_lblInfo->setText(langText(m_lblInfo->text()));
    m_edtIP->setAccessibleName(m_lblIP->text());
    m_edtMAC->setAccessibleName(m_lblMAC->text());
    m_cbbSvrIP->setAccessibleName(m_lblLocalIP->text());
    m_edtBinFileName->setAccessibleName(m_grp2->title().trimmed());
    m_log->setAccessibleName(langText(QStringLiteral("lang_rztbsht_Log")));
    m_btnBrowse->setToolTip(m_grp2->title().trimmed());
    if (m_lastDetail)
        m_lblDetail->setText(upgradeText(*m_lastDetail));
    showFileInfo();
}

void UpgradeWindow::showFileInfo()
{
    // Size and signature of the chosen file, before anything is started.
    const QString path = m_edtBinFileName->text();
    if (path.isEmpty()) {
        m_lblFileInfo->clear();
        return;
    }
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        m_lblFileInfo->setText(langText(QStringLiteral("lang_Upgrade_NoFile")));
        return;
    }
    const QByteArray head = file.read(4);
    m_lblFileInfo->setText(upgradeText(
        {QStringLiteral("lang_Upgrade_FileInfo"),
         {QString::number(file.size()), QString::fromLatin1(head.toHex(' ').toUpper())}}));
}

void UpgradeWindow::browse()
{
    auto *dialog = new QFileDialog(this, m_grp2->title().trimmed(),
                                   QFileInfo(m_edtBinFileName->text()).absolutePath(),
                                   QStringLiteral("*.bin (*.bin)"));
    dialog->setObjectName(QStringLiteral("dlg_BinFile"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString &file) { m_edtBinFileName->setText(file); });
    dialog->open();
}

void UpgradeWindow::startUpgrade()
{
    if (isRunning())
        return;
    UpgradeRequest request{m_edtIP->text(), m_edtMAC->text(), m_cbbSvrIP->currentText(),
                           m_edtBinFileName->text()};
    m_lblDetail->clear();
    m_lastDetail.reset();
    if (auto refused = UpgradeSession::checkRequest(request)) {
        apply(*refused);
        return;
    }
    QFile file(request.fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        UpgradeActions a;
        a.statusKey = QStringLiteral("lang_Hint_Upfailed");
        a.detail = UpgradeText{QStringLiteral("lang_Upgrade_FileUnreadable"),
                               {request.fileName, file.errorString()}};
        a.detailInStatus = true;
        a.progress = 0;
        a.finished = UpgradeResult::Refused;
        apply(a);
        return;
    }
    const QByteArray image = file.readAll();
    log(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + request.fileName +
        QStringLiteral(" -> ") + request.targetIp + QStringLiteral(" (") + request.targetMac +
        QStringLiteral(") via ") + request.localIp);
    apply(m_session.start(request, image, now()));
}

void UpgradeWindow::apply(const UpgradeActions &a)
{
    if (a.openSockets) {
        if (const auto error = m_link->open(m_session.localIp())) {
            const QString key = error->permission ? QStringLiteral("lang_Upgrade_PortDenied")
                                : error->inUse    ? QStringLiteral("lang_Upgrade_PortInUse")
                                                  : QStringLiteral("lang_Upgrade_PortFailed");
            apply(m_session.socketsFailed({key, {QString::number(error->port), error->text}}));
            return;
        }
        setBusy(true);
        emit started();
    }
    for (const UpgradeFrame &frame : a.frames) {
        QString error;
        if (!m_link->send(frame, &error)) {
            apply(m_session.socketsFailed({QStringLiteral("lang_Upgrade_SendFailed"), {error}}));
            return;
        }
    }
    if (a.detail)
        m_lastDetail = a.detail;
    // A block step changes the percent and the figures; a person reads them a few times a
    // second, and repainting for every block would slow the lock-step transfer down. Steps are
    // shown together at most every 100 ms; every other change is shown at once.
    const bool step = a.statusKey == QStringLiteral("lang_Hint_UpProgress") && !a.finished;
    if (step) {
        m_pendingStatus = langText(*a.statusKey) + a.statusSuffix;
        if (a.progress)
            m_pendingProgress = *a.progress;
        m_pendingFigures = a.detail.has_value();
        if (!m_refresh->isActive())
            m_refresh->start();
        if (*a.statusKey != m_lastLoggedStatus)
            log(m_pendingStatus);
        m_lastLoggedStatus = *a.statusKey;
    } else {
        if (a.statusKey || a.progress || a.detail)
            m_refresh->stop();
        const QString detail = a.detail ? upgradeText(*a.detail) : QString();
        if (a.statusKey) {
            QString status = langText(*a.statusKey) + a.statusSuffix;
            if (a.statusInMessageBox) {
                auto *box = new QMessageBox(QMessageBox::Information, windowTitle(), status,
                                            QMessageBox::Ok, this);
                box->setObjectName(QStringLiteral("msg_Upgrade"));
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->open();
            } else {
                if (a.detailInStatus && !detail.isEmpty())
                    status += QLatin1Char(' ') + detail;
                m_lblInfo->setText(status);
            }
            log(status);
            m_lastLoggedStatus = *a.statusKey;
        }
        if (a.detail) {
            // A reason that is part of the status line is not repeated below it.
            m_lblDetail->setText(a.detailInStatus ? QString() : detail);
            if (!a.detailInStatus)
                log(QStringLiteral("  ") + detail);
        }
        if (a.progress)
            m_pb1->setValue(*a.progress);
    }
    if (a.timer == UpgradeActions::Timer::Start)
        m_timer->start(a.timerMs);
    else if (a.timer == UpgradeActions::Timer::Stop)
        m_timer->stop();
    if (a.closeSockets)
        m_link->close();
    if (a.finished) {
        m_lastLoggedStatus.clear();
        if (*a.finished != UpgradeResult::Refused) {
            setBusy(false);
            emit finished(*a.finished);
        }
    }
}

void UpgradeWindow::showPendingStep()
{
    if (m_lblInfo->text() != m_pendingStatus)
        m_lblInfo->setText(m_pendingStatus);
    m_pb1->setValue(m_pendingProgress);
    if (m_pendingFigures && m_lastDetail)
        m_lblDetail->setText(upgradeText(*m_lastDetail));
}

void UpgradeWindow::setBusy(bool busy)
{
    m_btnProgram->setEnabled(!busy);
    m_btnExit->setEnabled(!busy);
}

void UpgradeWindow::log(const QString &line)
{
    m_log->appendPlainText(line);
}

void UpgradeWindow::exitClicked()
{
    if (isRunning())
        return;
    apply(m_session.stop());
    hide();
}

void UpgradeWindow::reject()
{
    // Escape, like a close request, must not drop a running transfer.
    if (isRunning()) {
        log(langText(QStringLiteral("lang_Upgrade_Busy")));
        return;
    }
    exitClicked();
}

void UpgradeWindow::closeEvent(QCloseEvent *event)
{
    if (isRunning()) {
        event->ignore();
        log(langText(QStringLiteral("lang_Upgrade_Busy")));
        return;
    }
    apply(m_session.stop());
    QDialog::closeEvent(event);
}
