#pragma once

// The Q2 parameter panel: a vertically scrolling box with the base, port, registration, HTTPD,
// heartbeat and three Modbus groups of a Q2 module, and its three buttons. It shows the blocks
// the module sent, checks the fields before a network save and hands back what the save writes.
// Controls carry the object names the rest of the program and the tests find them by.

#include "common/ParamRecords.h"
#include "lan/SavePlan.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

class Q2Panel : public QWidget
{
    Q_OBJECT
public:
    explicit Q2Panel(QWidget *parent = nullptr);
    ~Q2Panel() override;

    // Message boxes and the custom baud-rate prompt go through these two functions; tests
    // replace them. The defaults are window-modal and return at once (no nested event loop).
    using MessageFunction = std::function<void(QWidget *parent, const QString &text)>;
    using PromptDone = std::function<void(std::optional<QString> answer)>;
    using PromptFunction =
        std::function<void(QWidget *parent, const QString &title, const QString &label,
                           const QString &initial, const PromptDone &done)>;
    void setMessageFunction(MessageFunction f);
    void setPromptFunction(PromptFunction f);

    // ---- Showing what a module sent ----------------------------------------------------------

    // A Q2 read starts: the three Modbus groups, and in the short one its check boxes and
    // polling time, are hidden until their answers arrive.
    void beginRead();
    // The base and port groups from the 130-byte answer (or the serial read), then the rules.
    void showQ2Params(const BaseParams &base, const PortParams &port);
    // The 85-byte heartbeat and registration block.
    void showHeartReg(const QByteArray &block);
    void showCloud(const CloudParams &cloud);
    void showHttpd(const QString &url, const QString &header);
    // The short Modbus answer of `length` 1 or 4 bytes; shows its group.
    void showModbusShort(const ModbusParams &modbus, int length);
    void showModbusPack(const ModbusPackParams &modbus);
    void showModbusNew(const ModbusNewParams &modbus);

    // ---- Saving ------------------------------------------------------------------------------

    // Checks the fields in their fixed order and shows the first failure in a message box.
    bool validateQ2Panel();

    // What the controls hold. Combo boxes without a selection keep the value last shown.
    BaseParams collectBaseParam() const;
    bool upnpPortKnown() const; // the hidden UPNP field holds a number (after a read)
    PortParams collectPortParam() const;
    CloudParams collectCloud() const;
    HeartRegParams collectHeartReg() const;
    HttpdParams collectHttpd() const;
    ModbusParams collectModbusShort() const;
    int modbusShortForm() const; // 4 when the polling controls are shown, else 1
    ModbusPackParams collectModbusPack() const;
    ModbusNewParams collectModbusNew() const;

    bool httpdGroupShown() const;
    bool modbusShortShown() const;
    bool modbusPackShown() const;
    bool modbusNewShown() const;
    int registrationType() const; // 0 off, 1 MAC, 2 custom, 3 cloud

    // Everything a network save writes, for a module of firmware `version`.
    Q2SaveInput collectSaveInput(int version) const;
    // The network save of this panel: validates (showing the message), then builds the blocks
    // inside `stored` and lists the frames. A refused plan sends nothing and leaves `stored`.
    SavePlan prepareQ2Save(int version, StoredAnswers &stored);
    // After a refused plan: scrolls to the field it names and gives it the focus.
    void focusRefusedField(const SavePlan &plan);
    // The field a refused plan names, or null (a plan refused before any field was read).
    QWidget *refusedField(const SavePlan &plan) const;

    // ---- For the main window -----------------------------------------------------------------

    // The panel's captions, combo-box items (each keeping its selection) and hints in the
    // current language. Runs at creation; the main window runs it on a language switch.
    void applyQ2Texts();
    // The search side shows the network tab (true) or the serial tab: the groups and fields that
    // only the network path writes are shown or hidden, and the save button of that path shown.
    void setNetworkTab(bool network);

    // Both save buttons; the main window disables them while a save runs.
    void setSavesEnabled(bool enabled);

    // ":" + the web-server port field, or ":80" when it is empty: the port of the module's web
    // page opened from the device list.
    QString webServerPortText() const;
    // The module's socket settings, the starting point of the data-debugging window.
    int workModeIndex() const; // 0 UDP client .. 4 HTTPD client; -1 before a read
    QString remoteIpText() const;
    QString localPortText() const;
    QString remotePortText() const;

signals:
    void q2ComSetClicked();  // btn_Q2ComSet: the serial save
    void q2NetSetClicked();  // btn_Q2NetSet: the network save
    void dataDebugClicked(); // btnDataDebug: the data-debugging window

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Construction (Q2Panel.cpp).
    void buildBaseGroup();
    void buildPortGroup();
    void buildRegistrationGroup();
    void buildHttpdGroup();
    void buildHeartGroup();
    void buildModbusGroups();
    void buildButtons();
    void connectRules();
    void installWheelFilter();

    // Rules (Q2PanelRules.cpp).
    void applyAddrTypeRule();
    void applyWorkModeRule();
    void applyRegistrationRule();
    void applyHeartRule();
    void applyModbusPackRule();
    void applyModbusNewRule();
    void applyAllRules();
    void hexToggled(QLineEdit *field, bool hex);
    void baudRateActivated(int index);

    // Checks before a save (Q2PanelSave.cpp).
    void showMessage(const QString &text);
    bool checkField(QLineEdit *field, const char *key);
    bool checkKey(QWidget *field, const QString &text, const char *key);
    void focusField(QWidget *field);

    // Showing (Q2PanelShow.cpp).
    void fillWorkModeList(bool isT0);
    void showBaud(quint32 baud);

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    bool m_networkTab = true;
    MessageFunction m_message;
    PromptFunction m_prompt;

    // The records last shown: what the controls that cannot hold a value keep.
    BaseParams m_base;
    PortParams m_port;
    HeartRegParams m_heartReg;
    ModbusPackParams m_modbusPack;
    ModbusNewParams m_modbusNew;
    QString m_shownHeader;     // the HTTPD header exactly as the module sent it
    QString m_shownHeaderText; // the same as the header field shows it (line ends changed)

public:
    // The controls, by their object names.
    QGroupBox *grp_BaseSave = nullptr;
    QLabel *lbl_AddrType = nullptr;
    QComboBox *cbb_AddrType = nullptr;
    QLabel *lbl_HTTPServerPort = nullptr;
    QLineEdit *edt_HTTPServerPort = nullptr;
    QLabel *lbl_LocationURLPort = nullptr;
    QLineEdit *edt_LocationURLPort = nullptr;
    QLabel *lbl_StaticIP = nullptr;
    QLineEdit *edt_StaticIP = nullptr;
    QLabel *lbl_GatewayIP = nullptr;
    QLineEdit *edt_GatewayIP = nullptr;
    QLabel *lbl_SubnetMask = nullptr;
    QLineEdit *edt_SubnetMask = nullptr;
    QLabel *lblDns = nullptr;
    QLineEdit *edtDns = nullptr;
    QLabel *lbl_ModName = nullptr;
    QLineEdit *edt_ModName = nullptr;
    QLabel *lbl_username = nullptr;
    QLineEdit *edt_username = nullptr;
    QLabel *lbl_password = nullptr;
    QLineEdit *edt_password = nullptr;
    QCheckBox *rzchckbx_Reset = nullptr;
    QCheckBox *rzchckbx_Link = nullptr;
    QCheckBox *rzchckbx_Index = nullptr;
    QCheckBox *rzchckbx_RFC2217 = nullptr;
    QLabel *lbl_UserMAC = nullptr;
    QLineEdit *edt_UserMAC = nullptr;
    QCheckBox *rzchckbxComSetEnable = nullptr;
    QCheckBox *rzCheckBox2 = nullptr;
    QCheckBox *rzCheckBoxShortEnable = nullptr;
    QLabel *lbl_ShortTime = nullptr; // the edit label of labeledEditShortTime
    QLineEdit *labeledEditShortTime = nullptr;
    QLabel *lbl_RestartTimeout = nullptr; // the edit label of labeledEdit1
    QLineEdit *labeledEdit1 = nullptr;
    QCheckBox *chkisT0 = nullptr;
    QComboBox *cbbRegSnd = nullptr;

    QGroupBox *grp_ComParam = nullptr;
    QLabel *lbl_BaudRate0 = nullptr;
    QComboBox *cbb_BaudRate0 = nullptr;
    QLabel *lbl_PDS0 = nullptr;
    QComboBox *cbb_P0 = nullptr;
    QComboBox *cbb_D0 = nullptr;
    QComboBox *cbb_S0 = nullptr;
    QLabel *lbl_FlowControl0 = nullptr;
    QComboBox *cbb_FlowControl0 = nullptr;
    QLabel *lbl_LocalPort0 = nullptr;
    QLineEdit *edt_LocalPort0 = nullptr;
    QLabel *lbl_RemotePort0 = nullptr;
    QLineEdit *edt_RemotePort0 = nullptr;
    QLabel *lbl_RemoteIP0 = nullptr;
    QLineEdit *edt_RemoteIP0 = nullptr;
    QLabel *lbl_WorkMode0 = nullptr;
    QComboBox *cbb_WorkMode0 = nullptr;
    QCheckBox *chkMulticast = nullptr;
    QLabel *lbl_ModbusTCP0 = nullptr;
    QComboBox *cbb_ModbusTCP0 = nullptr;
    QCheckBox *chk_RFC22170 = nullptr;
    QLabel *lbl_TCPSvrCount0 = nullptr;
    QComboBox *cbb_TCPSvrCount0 = nullptr;
    QLabel *lbl_TCPStyle0 = nullptr;
    QComboBox *cbb_TCPStyle0 = nullptr;
    QLabel *lbl_UARTTime0 = nullptr;
    QLineEdit *edt_UARTTime0 = nullptr;
    QLabel *lblUartPackLEN = nullptr;
    QLineEdit *edtUartPackLEN = nullptr;
    QCheckBox *rzCheckBox1 = nullptr;
    QCheckBox *rzchbUdpFrom = nullptr;

    QGroupBox *rzgrpbxRegHeart = nullptr;
    QLabel *rzLabel2 = nullptr;
    QComboBox *rzComboBox2 = nullptr;
    QLabel *lblRegSnd = nullptr;
    QComboBox *cbbRegType = nullptr;
    QLabel *lblRegTp = nullptr;
    QLineEdit *edtRegDt = nullptr;
    QCheckBox *rzchckbxRegDtHex = nullptr;
    QLabel *lblDid = nullptr;
    QLineEdit *edtDid = nullptr;
    QLabel *lblCompass = nullptr;
    QLineEdit *edtCompass = nullptr;

    QGroupBox *rzGroupBoxHttpd = nullptr;
    QLabel *lbl_HttpdUrl = nullptr; // the edit label of labeledEdit2
    QLineEdit *labeledEdit2 = nullptr;
    QLabel *lbl_HttpdHeader = nullptr;
    QPlainTextEdit *rzRichEdit1 = nullptr;
    QLabel *lblGetPost = nullptr;
    QComboBox *cbbGetPost = nullptr;
    QCheckBox *rzCheckBox3 = nullptr;

    QGroupBox *rzGroupBoxHeart = nullptr;
    QLabel *rzLabel1 = nullptr;
    QComboBox *rzComboBox1 = nullptr;
    QLabel *lblHeartPackType = nullptr;
    QComboBox *cbbHeartPackType = nullptr;
    QLabel *lblHeartTm = nullptr;
    QLineEdit *edtHeartTm = nullptr;
    QLabel *lblHeartDt = nullptr;
    QLineEdit *edtHeartDt = nullptr;
    QCheckBox *rzchckbxHeartDtHex = nullptr;

    QGroupBox *rzGroupBox1 = nullptr; // the short Modbus block
    QCheckBox *rzchckbxmodbustcp = nullptr;
    QCheckBox *rzchckbxmodbuspool = nullptr;
    QLabel *lblhearttime = nullptr;
    QLineEdit *edtwaittime = nullptr;

    QGroupBox *rzgrpbxModbus = nullptr; // the Modbus packing block
    QLabel *lblModbusEn = nullptr;
    QComboBox *cbbModbusType = nullptr;
    QLabel *lblReportProto = nullptr;
    QComboBox *cbbReporproto = nullptr;
    QLabel *lblModbusTimeout = nullptr;
    QLineEdit *edtModbusTimeout = nullptr;
    QLabel *lblModbusInterval = nullptr;
    QLineEdit *edtModbusInterval = nullptr;
    QLabel *lblModbusException = nullptr;
    QComboBox *cbbModbusException = nullptr;

    QGroupBox *rzgrpbxModbusNew = nullptr; // the newer Modbus block
    QLabel *lblModbusEnable1 = nullptr;
    QComboBox *cmbModbusEnable1 = nullptr;
    QLabel *lblModbusTimeout1 = nullptr;
    QLineEdit *edtModbusTimeout1 = nullptr;
    QLabel *lblModbusInterval1 = nullptr;
    QLineEdit *edtModbusInterval1 = nullptr;
    QLabel *lblModbusException1 = nullptr;
    QComboBox *cmbModbusException1 = nullptr;

    QPushButton *btn_Q2ComSet = nullptr;
    QPushButton *btn_Q2NetSet = nullptr;
    QPushButton *btnDataDebug = nullptr;
};

// The log line of a refused save, in the current language.
QString saveRefusalText(const SavePlan &plan);
