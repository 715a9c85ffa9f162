// The device list: search, rows, the context menu and its actions, and the endpoint's answers
// shown in the logs and the panels.

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
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

void MainWindow::updateDeviceCount()
{
    m_deviceCountQueued = false;
    QString text = langText(QStringLiteral("lang_Status_DeviceCount"))
                       .replace(QStringLiteral("%1"), QString::number(m_devices->rowCount()));
    if (const int refused = m_devices->refusedCount())
        text += langText(QStringLiteral("lang_Status_DevicesRefused"))
                    .replace(QStringLiteral("%1"), QString::number(refused));
    m_deviceCount->setText(text);
    const int flagged = m_devices->flaggedRowCount();
    m_flagCount->setText(flagged == 0
                             ? QString()
                             : langText(QStringLiteral("lang_Status_FlagCount"))
                                   .replace(QStringLiteral("%1"), QString::number(flagged)));
    m_flagCount->setVisible(flagged != 0);
}

int MainWindow::selectedRow() const
{
    // With several rows selected, the one clicked last is the row an action means.
    const QModelIndex current = m_lvDev->selectionModel()->currentIndex();
    if (current.isValid() && m_lvDev->selectionModel()->isRowSelected(current.row(), {}))
        return m_sorted->mapToSource(current).row();
    const QModelIndexList rows = m_lvDev->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return -1;
    return m_sorted->mapToSource(rows.first()).row();
}

QList<DeviceEntry> MainWindow::selectedEntries() const
{
    QList<DeviceEntry> out;
    for (int r = 0; r < m_sorted->rowCount(); ++r)
        if (m_lvDev->selectionModel()->isRowSelected(r, {}))
            out << m_devices->entry(m_sorted->mapToSource(m_sorted->index(r, 0)).row());
    return out;
}

void MainWindow::startSearch()
{
    if (m_guard->isBusy())
        return;
    m_hex->clearLog();
    m_log->clearLog();
    m_devices->clear();
    m_udp->search();
    // The answers come later through the event loop; the sockets are bound by now.
    QVector<HostNetwork> hosts;
    for (int i = 0; i < m_udp->socketCount(); ++i) {
        const QString ip = m_udp->socketAddress(i);
        hosts.append({ip, localPrefixLength(ip)});
    }
    m_devices->setHostNetworks(hosts);
}

void MainWindow::onDeviceFound(const QString &ip, const QString &name, int socketIndex, int kind,
                               const QString &version, const QString &mac)
{
    if (m_devices->addDevice({ip, name, mac, version, kind, socketIndex}))
        return;
    const int refused = m_devices->refusedCount();
    if (refused == 0)
        return;
    // Said once per search; the count in the status bar tells how many followed.
    if (refused == 1)
        logColor(langText(QStringLiteral("lang_Hint_DeviceListFull"))
                     .replace(QStringLiteral("%1"), QString::number(DeviceListModel::kMaxRows)),
                 LogColors::kError);
    if (!m_deviceCountQueued) {
        m_deviceCountQueued = true;
        QTimer::singleShot(refused == 1 ? 0 : 100, this, &MainWindow::updateDeviceCount);
    }
}

void MainWindow::onDeviceClicked(const QModelIndex &)
{
    if (m_guard->isBusy())
        return;
    const int row = selectedRow();
    if (row < 0) {
        setLayout(Layout::ListOnly);
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    m_selectedMac = removeSpaces(e.mac);
    m_q3ReadSocket = -1;
    logOk(langText(QStringLiteral("lang_ts_Read")) + QStringLiteral(" [ Mac : ") + e.mac +
          QStringLiteral(" ]"));
    switch (e.kind) {
    case KindQ2:
        m_q2SocketIndex = e.socketIndex;
        m_q2->beginRead();
        m_udp->sendCommand(e.socketIndex, e.mac, 0x03, m_login.user, m_login.password);
        break;
    case KindQ3:
        m_q3ReadSocket = e.socketIndex;
        m_udp->sendCommandQ3(e.socketIndex, e.mac, 0x03, m_login.user, m_login.password);
        break;
    default:
        setLayout(Layout::ListOnly);
        logColor(langText(QStringLiteral("lang_Hint_VerIncompatible")), LogColors::kError);
        break;
    }
}

void MainWindow::updateContextMenuState()
{
    // The MAC copy items are always offered, the firmware upgrade in every layout but Q1's.
    // Restart, factory reset and the upgrade send frames, so they wait while an operation runs.
    const bool listOnly = m_layout == Layout::ListOnly;
    const bool q1 = m_layout == Layout::Q1;
    const bool busy = m_guard->isBusy();
    m_mniOpenWeb->setEnabled(!listOnly && !q1);
    m_mniRestart->setEnabled(!listOnly && !q1 && !busy);
    m_mniReset->setEnabled(!listOnly && !busy);
    m_mniFirmwareUp->setEnabled(!q1 && !busy);
    m_mniBatchApply->setEnabled(!busy && !m_lvDev->selectionModel()->selectedRows().isEmpty());
    m_mniSaveTemplate->setEnabled(m_layout == Layout::Q2 || m_layout == Layout::Q3);
}

void MainWindow::showContextMenu(const QPoint &pos)
{
    // A right click reads the row first, like a left click, then shows the menu; on a row of a
    // selection of several it keeps the selection (for a batch apply) and reads nothing.
    const QModelIndex index = m_lvDev->indexAt(pos);
    const bool inSelection = index.isValid() &&
                             m_lvDev->selectionModel()->isRowSelected(index.row(), {}) &&
                             m_lvDev->selectionModel()->selectedRows().size() > 1;
    if (!inSelection) {
        if (index.isValid())
            m_lvDev->selectRow(index.row());
        onDeviceClicked(index);
    }
    updateContextMenuState();
    m_pmNetDev->popup(m_lvDev->viewport()->mapToGlobal(pos));
}

QVector<DeviceEntry> MainWindow::entriesAsShown() const
{
    QVector<DeviceEntry> rows;
    for (int r = 0; r < m_sorted->rowCount(); ++r)
        rows << m_devices->entry(m_sorted->mapToSource(m_sorted->index(r, 0)).row());
    return rows;
}

const DeviceEntry *MainWindow::actionTarget()
{
    const int row = selectedRow();
    if (row >= 0)
        return &m_devices->entry(row);
    // An action that needs a module and has none falls back to the list.
    setLayout(Layout::ListOnly);
    return nullptr;
}

void MainWindow::openWebPage()
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
    openWebAddress(QStringLiteral("http://") + e->ip + m_q2->webServerPortText());
}

void MainWindow::restartDevice()
{
    // Restart goes to port 1500 whatever the model.
    if (m_guard->isBusy())
        return;
    if (const DeviceEntry *e = actionTarget())
        m_udp->sendCommand(e->socketIndex, e->mac, 0x02, m_login.user, m_login.password);
}

void MainWindow::factoryReset()
{
    if (m_guard->isBusy())
        return;
    const DeviceEntry *e = actionTarget();
    if (!e)
        return;
    if (e->kind == KindQ2)
        m_udp->sendCommand(e->socketIndex, e->mac, 0x0B, m_login.user, m_login.password);
    else if (e->kind == KindQ3)
        m_udp->sendCommandQ3(e->socketIndex, e->mac, 0x0B, m_login.user, m_login.password);
}

void MainWindow::copySelectedMac()
{
    if (const DeviceEntry *e = actionTarget())
        QApplication::clipboard()->setText(e->mac);
}

void MainWindow::copyAllMacs()
{
    if (m_devices->rowCount() == 0)
        return;
    QStringList macs;
    for (const DeviceEntry &e : entriesAsShown())
        macs << e.mac;
    QApplication::clipboard()->setText(macs.join(QStringLiteral("\r\n")));
}

void MainWindow::firmwareUpgrade()
{
    const int row = selectedRow();
    if (row < 0) {
        emit upgradeRequested(QString(), QString(), QString());
        return;
    }
    const DeviceEntry &e = m_devices->entry(row);
    emit upgradeRequested(e.ip, removeSpaces(e.mac), m_udp->socketAddress(e.socketIndex));
}

void MainWindow::exportDevices()
{
    if (m_devices->rowCount() == 0)
        return;
    const QString path =
        deviceExportFileName(TextFiles::folder(), langText(QStringLiteral("lang_Menu_ExpDev")),
                             QDateTime::currentDateTime(), m_devices->rowCount());
    QString error;
    if (!TextFiles::writeAtomically(path, buildDeviceCsv(entriesAsShown()), false, &error)) {
        const QString text = langText(QStringLiteral("lang_Hint_ExportFailed")) + path +
                             QStringLiteral(": ") + error;
        logColor(text, LogColors::kError);
        showMessage(text);
        return;
    }
    logOk(path);
    showMessage(path);
}

// ---- endpoint callbacks ----

void MainWindow::onDataSent(const QByteArray &frame, const QString &destIp, const QString &localIp,
                            quint16 destPort, quint16 localPort)
{
    hexLine(QString());
    hexColor(QStringLiteral("[ %1 : %2 ] → [ %3 : %4 ]")
                 .arg(localIp)
                 .arg(localPort)
                 .arg(destIp)
                 .arg(destPort),
             LogColors::kSent);
    hexColor(QStringLiteral("[ Length : %1 ]").arg(frame.size()), LogColors::kSent);
    hexLine(hexLogText(frame));
    logOk(langText(QStringLiteral("lang_Hint_Sending")));
}

void MainWindow::onDataReceived(const QByteArray &datagram, const QString &peerIp,
                                const QString &localIp, quint16 peerPort, quint16 localPort)
{
    hexLine(QString());
    hexColor(QStringLiteral("[ %1 : %2 ] ← [ %3 : %4 ]")
                 .arg(localIp, QString::number(localPort), peerIp, QString::number(peerPort)),
             LogColors::kReceived);
    hexColor(QStringLiteral("[ Length : ") + QString::number(datagram.size()) +
                 QStringLiteral(" ]"),
             LogColors::kReceived);
    hexLine(hexLogText(datagram));
    // Where the answer that follows came from (a parameter block is handled right after this).
    m_lastLocalIp = localIp;
    m_lastLocalPort = localPort;
    m_lastPeerPort = peerPort;
}

void MainWindow::onStatus(int code, const QString &text)
{
    switch (code) {
    case StSearchSent:
        logOk(langText(QStringLiteral("lang_H_lv_Dev")));
        break;
    case StCheckError:
        logColor(langText(QStringLiteral("lang_Hint_CheckErr")) + text, LogColors::kError);
        break;
    case StAck:
        logOk(langText(QStringLiteral("lang_Hint_ACK")));
        break;
    case StOtherError:
        logColor(langText(QStringLiteral("lang_Hint_OtherErr")), LogColors::kError);
        break;
    case StLoginError:
        logColor(langText(QStringLiteral("lang_Hint_PswdErr")), LogColors::kError);
        emit loginRequested();
        break;
    case StPortInUse: {
        const QString message =
            QStringLiteral("1500") + langText(QStringLiteral("lang_Hint_UDPPortInUse"));
        logColor(message, LogColors::kError);
        showMessage(message);
        break;
    }
    case StForeignModel:
        setLayout(Layout::ListOnly);
        logColor(langText(QStringLiteral("lang_Hint_VerIncompatible")), LogColors::kError);
        break;
    case StUnknownLength:
        logColor(langText(QStringLiteral("lang_Hint_ReceiveOther")) + text, LogColors::kError);
        break;
    default:
        break;
    }
}

void MainWindow::onBaseParams(const QByteArray &block, int kind)
{
    // The answer counts only for the module that was clicked: its user MAC must match.
    const BaseParams base = parseBaseParam(block);
    const QString userMac = removeSpaces(base.userMac);
    // A Q3 may carry all-FF (its own MAC) there: then only the answer to the read just sent,
    // on the clicked row's socket from the Q3 port, is that module's block.
    const bool q3OwnMac = kind == KindQ3 && userMac == QStringLiteral("FFFFFFFFFFFF") &&
                          m_q3ReadSocket >= 0 && m_lastPeerPort == kCfgPortQ3 &&
                          m_lastLocalIp == m_udp->socketAddress(m_q3ReadSocket) &&
                          m_lastLocalPort == m_udp->socketPort(m_q3ReadSocket);
    if (userMac != m_selectedMac && !q3OwnMac)
        return;
    if (kind == KindQ3)
        m_q3ReadSocket = -1; // one block per read
    m_udp->storeReply(block);
    m_paramOwnerMac = m_selectedMac;
    if (kind == KindQ2) {
        setLayout(Layout::Q2);
        m_q2->showQ2Params(base, parsePortParam(portBlock(block)));
    } else if (kind == KindQ3) {
        setLayout(Layout::Q3);
        m_q3->showQ3Params(block);
    }
    logOk(langText(QStringLiteral("lang_ts_Read")) + langText(QStringLiteral("lang_ts_OK")));
}
