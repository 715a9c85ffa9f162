#pragma once

// The firmware upgrade window: target IP and MAC, the local address to work on, the firmware
// file, a status line, a progress bar and a short log. It plays one UpgradeSession over an
// UpgradeLink. While an attempt runs neither of its buttons works and a close request is refused
// with a word in the status line, so the module is never left in the middle of a transfer.

#include "UpgradeSession.h"

#include <QDialog>
#include <QElapsedTimer>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class UpgradeLink;

// Adds the upgrade texts that the classic language table lacks (figures, plain-words reasons);
// a Lang.txt entry of the same key still relabels them.
void addUpgradeTexts();

// The text of `t` in the current language with its arguments filled in.
QString upgradeText(const UpgradeText &t);

class UpgradeWindow : public QDialog
{
    Q_OBJECT
public:
    explicit UpgradeWindow(QWidget *parent = nullptr);
    ~UpgradeWindow() override;

    // The fields kept in the settings (UpgradeIP, UpgradeMAC, UpgradeFileName).
    void setFields(const QString &ip, const QString &mac, const QString &fileName);
    QString targetIpText() const;
    QString targetMacText() const;
    QString fileNameText() const;

    // Opens the window modally without waiting for it. A non-empty `ip` and `mac` replace the
    // fields; a non-empty `localIp` is preselected among the host's addresses. While an attempt
    // runs it only comes to the front.
    void openFor(const QString &ip, const QString &mac, const QString &localIp);

    void applyUpgradeTexts();

    bool isRunning() const { return m_session.isRunning(); }
    UpgradeLink *link() const { return m_link; }

    void reject() override;

signals:
    // An attempt has opened its ports and sent its wake-up frame / has ended.
    void started();
    void finished(UpgradeResult result);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void startUpgrade();
    void exitClicked();
    void browse();
    void apply(const UpgradeActions &actions);
    void refillLocalAddresses(const QString &preferred);
    void showFileInfo();
    void showPendingStep();
    void setBusy(bool busy);
    void log(const QString &line);
    qint64 now() const { return m_clock.elapsed(); }

    UpgradeSession m_session;
    UpgradeLink *m_link = nullptr;
    QTimer *m_timer = nullptr;
    QElapsedTimer m_clock;
    QString m_lastLoggedStatus;
    // The latest block step, shown by m_refresh.
    QTimer *m_refresh = nullptr;
    QString m_pendingStatus;
    int m_pendingProgress = 0;
    bool m_pendingFigures = false;
    std::optional<UpgradeText> m_lastDetail; // shown in lbl_Detail, relabelled on a switch

    QGroupBox *m_grp1 = nullptr;
    QGroupBox *m_grp2 = nullptr;
    QLabel *m_lblIP = nullptr;
    QLabel *m_lblMAC = nullptr;
    QLabel *m_lblLocalIP = nullptr;
    QLineEdit *m_edtIP = nullptr;
    QLineEdit *m_edtMAC = nullptr;
    QComboBox *m_cbbSvrIP = nullptr;
    QLineEdit *m_edtBinFileName = nullptr;
    QPushButton *m_btnBrowse = nullptr;
    QLabel *m_lblFileInfo = nullptr;
    QLabel *m_lblFwUpTip = nullptr;
    QLabel *m_lblInfo = nullptr;
    QProgressBar *m_pb1 = nullptr;
    QLabel *m_lblDetail = nullptr;
    QPlainTextEdit *m_log = nullptr;
    QPushButton *m_btnProgram = nullptr;
    QPushButton *m_btnExit = nullptr;
};
