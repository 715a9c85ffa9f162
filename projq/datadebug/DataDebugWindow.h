#pragma once

// The network data-debugging window: the PC side of a module's socket (UDP, TCP server, TCP
// client), 50 command rows sent by hand or in a cycle, and a receive view of what comes back.
// It opens modally over the main window without a nested event loop and keeps nothing open once
// closed: every showing starts idle, preset from the module's port settings.

#include "CommandRows.h"
#include "DataDebugLink.h"

#include <QDialog>

#include <functional>
#include <optional>

class CommandRowWidget;
class CycleSender;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTableView;
class TrafficModel;

class DataDebugWindow : public QDialog
{
    Q_OBJECT
public:
    // The module's socket settings as its Q2 panel shows them: work mode 0 UDP client, 1 TCP
    // client, 2 UDP server, 3 TCP server, 4 HTTPD client (-1 before a read).
    struct ModulePorts
    {
        int workMode = -1;
        QString remoteIp;
        QString localPort;
        QString remotePort;
    };

    // Message boxes, the rename prompt and the file dialogs go through these; tests replace
    // them. The defaults are window-modal and return at once.
    using MessageFunction = std::function<void(QWidget *parent, const QString &text)>;
    using PromptDone = std::function<void(std::optional<QString> answer)>;
    using PromptFunction =
        std::function<void(QWidget *parent, const QString &title, const QString &label,
                           const QString &initial, const PromptDone &done)>;
    using FileDone = std::function<void(std::optional<QString> path)>;
    using FileFunction =
        std::function<void(QWidget *parent, bool save, const QString &start, const FileDone &done)>;

    explicit DataDebugWindow(QWidget *parent = nullptr);
    ~DataDebugWindow() override;

    void setMessageFunction(MessageFunction f) { m_message = std::move(f); }
    void setPromptFunction(PromptFunction f) { m_prompt = std::move(f); }
    void setFileFunction(FileFunction f) { m_fileDialog = std::move(f); }

    // Shows the window modally, preset from `ports`, with the rows of the command file
    // (`filePath`, or DataSelf.txt in the program's folder when it is empty).
    void showFor(const ModulePorts &ports, const QString &filePath);
    QString filePath() const { return m_filePath; }
    static QString defaultCommandFile();

    void applyDataDebugTexts();

    // The command rows and the file.
    QList<CommandRows::Row> rows() const;
    void setRows(const QList<CommandRows::Row> &rows);
    void clearCommandRows();
    bool loadCommandFile(const QString &path);
    bool saveCommandFile(const QString &path);

    // Sends row `index` now; false when nothing went out.
    bool sendRow(int index);
    void stopCycleSend();
    bool cycling() const;

    DataDebugLink *link() const { return m_link; }
    CycleSender *cycle() const { return m_cycle; }
    TrafficModel *traffic() const { return m_traffic; }
    QString statusText() const;

    struct Counters
    {
        qint64 sentFrames = 0;
        qint64 sentBytes = 0;
        qint64 receivedFrames = 0;
        qint64 receivedBytes = 0;
    };
    Counters counters() const { return m_counters; }

signals:
    // The command file was chosen in the import or export dialog ("FilePath" of the settings).
    void filePathChanged(const QString &path);
    // A cyclic send starts or ends (frames go out on a timer meanwhile).
    void started();
    void finished();

public slots:
    void reject() override;

private:
    void buildControls();
    void connectLink();
    void presetFrom(const ModulePorts &ports);
    void showStatus(const QString &text);
    void showMessage(const QString &text);
    void updateConnectCaption();
    void setConnectionControls(bool running);
    void onProtocolChanged(int index);
    void onConnectClicked();
    void stopConnection(bool quiet);
    bool checkIpPort();
    void onCycleClicked();
    void renameRow(int index);
    void importFile();
    void exportFile();
    void chooseAll(bool chosen);
    void hexAll(bool hex);
    void showReceived(bool shown);
    void countTraffic(const QByteArray &bytes, const QString &peer, bool sent);
    void updateCounters();
    QString commandFileForClose() const;
    DataDebugLink::Protocol protocol() const;
    QString rowName() const;

    DataDebugLink *m_link = nullptr;
    CycleSender *m_cycle = nullptr;
    TrafficModel *m_traffic = nullptr;
    MessageFunction m_message;
    PromptFunction m_prompt;
    FileFunction m_fileDialog;
    QString m_filePath;
    int m_lastInterval = 1000;
    Counters m_counters;
    QTimer *m_counterTimer = nullptr;

    QLabel *lblProtocol = nullptr;
    QComboBox *cbbProtrolType = nullptr;
    QLabel *lblIP = nullptr;
    QComboBox *cbbIP = nullptr;
    QLabel *lblPort = nullptr;
    QLineEdit *edtPort = nullptr;
    QPushButton *btnConnet = nullptr;
    QCheckBox *chkChooseAll = nullptr;
    QCheckBox *chkHexAll = nullptr;
    QPushButton *btnClearAll = nullptr;
    QPushButton *btnImport = nullptr;
    QPushButton *btnExport = nullptr;
    QLabel *lblDelay = nullptr;
    QScrollArea *ScrollBox2 = nullptr;
    QList<CommandRowWidget *> m_rows;
    QLabel *lblRemote = nullptr;
    QLineEdit *edtLoIP = nullptr;
    QLineEdit *edtLoport = nullptr;
    QLabel *lblCycleInternal = nullptr;
    QLineEdit *edtCycle = nullptr;
    QPushButton *btnCycleSend = nullptr;
    QCheckBox *chkShowReceived = nullptr;
    QGroupBox *grpReceive = nullptr;
    QTableView *tblReceive = nullptr;
    QCheckBox *chkPause = nullptr;
    QPushButton *btnClearReceived = nullptr;
    QStatusBar *stat1 = nullptr;
    QLabel *lblCounters = nullptr;
};
