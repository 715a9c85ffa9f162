#pragma once

// The main window: the device list and the serial tab above the operation and data-stream logs on
// the left, the parameter panels of the three models on the right (shown only once a module's
// parameters are on screen), the main menu and the device list's context menu.

#include "appcore/Settings.h"
#include "common/StoredAnswers.h"
#include "dialogs/LoginDialog.h"
#include "engine/ParamKeys.h"
#include "lan/LanFrames.h"

#include <QColor>
#include <QMainWindow>
#include <QUrl>

#include <functional>

class DeviceListModel;
class LogView;
class QAction;
class QActionGroup;
class QMenu;
class QModelIndex;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;
class QLabel;
class ModuleEndpoint;
class AboutBox;
class DataDebugWindow;
class Q2Panel;
class Q1Panel;
class Q3Panel;
class ComPath;
class SaveRunner;
class OperationGuard;
class UpgradeWindow;
class BatchDialog;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum class Layout { ListOnly, Q1, Q2, Q3 };

    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    void setLayout(Layout layout);
    Layout currentLayout() const { return m_layout; }

    void logOk(const QString &text);
    void logColor(const QString &text, const QColor &color);
    void hexColor(const QString &text, const QColor &color);
    void hexLine(const QString &text);
    void clearLogs();

    void applyMainTexts();

    // The search button's action: clears the logs and the list, then broadcasts the search.
    void startSearch();

    ModuleEndpoint *endpoint() const { return m_udp; }
    DeviceListModel *devices() const { return m_devices; }
    const LoginCredentials &credentials() const { return m_login; }
    void setCredentials(const LoginCredentials &login);
    LoginDialog *loginDialog() const { return m_pswd; }
    Q2Panel *q2Panel() const { return m_q2; }
    Q1Panel *q1Panel() const { return m_q1; }
    Q3Panel *q3Panel() const { return m_q3; }
    ComPath *comPath() const { return m_com; }
    SaveRunner *saveRunner() const { return m_saver; }
    // Keeps timed operations whole; other operations register here (see OperationGuard.h).
    OperationGuard *operationGuard() const { return m_guard; }
    // Registers a control that sends frames to modules, e.g. a serial read button.
    void addFrameSendingControl(QWidget *control);
    AboutBox *aboutBox() const { return m_about; }
    UpgradeWindow *upgradeWindow() const { return m_upgrade; }
    DataDebugWindow *dataDebugWindow() const { return m_dataDebug; }
    // The settings as they would be written at close.
    AppSettings currentSettings() const;

    // The batch apply dialog, created at its first use (null before).
    BatchDialog *batchDialog() const { return m_batch; }
    // "Apply settings to selected…" on the selected rows; "Save as template…" to `path`.
    void openBatchApply();
    bool saveTemplateTo(const QString &path);

    // Information message boxes go through here; tests replace it to read them.
    static void setMessageSink(std::function<void(QWidget *, const QString &)> sink);

signals:
    // The module refused the login, or the menu item was chosen: the login dialog should show.
    void loginRequested();
    void aboutRequested();
    void upgradeRequested(const QString &ip, const QString &mac, const QString &localIp);
    // After a language switch, for the other windows to relabel themselves.
    void languageChanged();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static void addWindowTexts();
    void buildMenus();
    void buildLeftSide();
    void buildParameterPages();
    void connectEndpoint();
    void applySettings(const AppSettings &settings);

    // Cfg.ini (MainWindowFiles.cpp): read at start, said when it was too large to read, and a
    // failed save said once (a log line and a box) until a save succeeds again.
    void loadSettingsFile();
    void tellSettingsFileAtStart();
    // True when the save failed and that was said now.
    bool tellSettingsSave(SettingsFile::Outcome outcome);

    // Device list
    void onDeviceClicked(const QModelIndex &index);
    void showContextMenu(const QPoint &pos);
    int selectedRow() const; // source row, or -1
    // The selected module for a context-menu action; without one, the list-only layout.
    const DeviceEntry *actionTarget();
    // The rows in the order the list shows them (sorted or not).
    QVector<DeviceEntry> entriesAsShown() const;
    void updateDeviceCount();
    void updateContextMenuState();
    // The selected rows in the order the list shows them.
    QList<DeviceEntry> selectedEntries() const;

    // Batch apply and templates (MainWindowBatch.cpp)
    void buildBatchActions();
    void applyBatchTexts();
    void saveTemplate();
    void cancelBatch();
    ModuleBlocks panelBlocks() const;

    // Context menu and main menu actions
    void openWebPage();
    void restartDevice();
    void factoryReset();
    void copySelectedMac();
    void copyAllMacs();
    void firmwareUpgrade();
    void exportDevices();
    void chooseLanguage(bool chinese);
    void toggleRealTimeHelp();

    // Endpoint callbacks
    void onDataSent(const QByteArray &frame, const QString &destIp, const QString &localIp,
                    quint16 destPort, quint16 localPort);
    void onDataReceived(const QByteArray &datagram, const QString &peerIp, const QString &localIp,
                        quint16 peerPort, quint16 localPort);
    void onDeviceFound(const QString &ip, const QString &name, int socketIndex, int kind,
                       const QString &version, const QString &mac);
    void onStatus(int code, const QString &text);
    void onBaseParams(const QByteArray &block, int kind);
    void connectParameterAnswers();
    void saveQ2();
    void saveQ3();
    void saveQ1OverNetwork();
    void onSearchTabChanged(int index);
    void showMessage(const QString &text);
    void openDataDebug();

    ModuleEndpoint *m_udp = nullptr;
    DeviceListModel *m_devices = nullptr;
    QSortFilterProxyModel *m_sorted = nullptr;
    LoginCredentials m_login;
    LoginDialog *m_pswd = nullptr;
    AboutBox *m_about = nullptr;
    UpgradeWindow *m_upgrade = nullptr;
    DataDebugWindow *m_dataDebug = nullptr;
    Q2Panel *m_q2 = nullptr;
    Q1Panel *m_q1 = nullptr;
    Q3Panel *m_q3 = nullptr;
    ComPath *m_com = nullptr;
    QWidget *m_comPage = nullptr;
    // A Q3 read in flight: the clicked row's socket. A Q3 may answer with an all-FF user MAC;
    // its block is then taken only from that socket and the Q3 port, for this read.
    int m_q3ReadSocket = -1;
    // Whose parameter block the endpoint keeps as the save template (MAC without blanks).
    QString m_paramOwnerMac;
    QString m_lastLocalIp;
    quint16 m_lastLocalPort = 0;
    quint16 m_lastPeerPort = 0;
    SaveRunner *m_saver = nullptr;
    OperationGuard *m_guard = nullptr;
    Layout m_layout = Layout::ListOnly;
    AppSettings m_settings;
    SettingsFile m_settingsFile;
    SettingsFile::Outcome m_settingsLoad = SettingsFile::Outcome::Done;
    bool m_settingsFailureTold = false;

    // Selection state of the last click: the MAC without blanks, the socket of the last Q2 row.
    QString m_selectedMac;
    int m_q2SocketIndex = 0;

    QWidget *m_pnl1 = nullptr;
    QTabWidget *m_srch = nullptr;
    QTabWidget *m_logs = nullptr;
    QTabWidget *m_param = nullptr;
    QTableView *m_lvDev = nullptr;
    QPushButton *m_btnSearch = nullptr;
    LogView *m_log = nullptr;
    LogView *m_hex = nullptr;
    QLabel *m_deviceCount = nullptr;
    // A full list refuses answers by the thousand: the count is shown anew at most every 100 ms.
    bool m_deviceCountQueued = false;
    QLabel *m_flagCount = nullptr;

    QMenu *m_mniFile = nullptr;
    QMenu *m_mniLang = nullptr;
    QMenu *m_mniHelp = nullptr;
    QAction *m_mniPswd = nullptr;
    QAction *m_mniExport = nullptr;
    QAction *m_mniExit = nullptr;
    QAction *m_mniCn = nullptr;
    QAction *m_mniEn = nullptr;
    QAction *m_mniAbout = nullptr;
    QAction *m_mniUp = nullptr;
    QAction *m_mniWorkOrder = nullptr;
    QAction *m_mniHint = nullptr;

    QMenu *m_pmNetDev = nullptr;
    QAction *m_mniRead = nullptr;
    QAction *m_mniOpenWeb = nullptr;
    QAction *m_mniRestart = nullptr;
    QAction *m_mniFirmwareUp = nullptr;
    QAction *m_mniReset = nullptr;
    QAction *m_mniCopyTheMac = nullptr;
    QAction *m_mniCopeAllMac = nullptr;
    QAction *m_mniBatchApply = nullptr;
    QAction *m_mniSaveTemplate = nullptr;
    BatchDialog *m_batch = nullptr;
    std::optional<StoredAnswers> m_storedBeforeBatch;
};
