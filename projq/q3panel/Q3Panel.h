#pragma once

// The Q3 parameter panel: a Q3 module's base and port settings, filled from its 130-byte answer
// and saved over the network to port 1901 (base block, port block, apply). Every number field is
// checked before a save: an empty or non-numeric one refuses it and is named in a message.

#include "common/ParamRecords.h"
#include "lan/SavePlan.h"
#include "q2panel/PanelFields.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Q3Panel : public QWidget
{
    Q_OBJECT
public:
    explicit Q3Panel(QWidget *parent = nullptr);

    using MessageFunction = std::function<void(QWidget *parent, const QString &text)>;
    void setMessageFunction(MessageFunction f) { m_message = std::move(f); }
    void setPromptFunction(BaudPromptFunction f) { m_prompt = std::move(f); }

    // The controls from a Q3 module's 130-byte parameter block, then the rules.
    void showQ3Params(const QByteArray &param);

    // Checks the fields (showing the first failure) and builds the save inside `stored`; a
    // refused plan sends nothing and leaves `stored` as it was.
    SavePlan prepareQ3Save(StoredAnswers &stored);
    // What the controls hold, for a panel that passed the checks.
    BaseParams collectBaseParam() const;
    PortParams collectPortParam() const;

    void setSavesEnabled(bool enabled);
    void applyQ3Texts();

signals:
    void q3NetSetClicked();

private:
    void applyAddrTypeRule();
    void applyWorkModeRule();
    bool validate();
    void showMessage(const QString &text);

    MessageFunction m_message;
    BaudPromptFunction m_prompt;

public:
    QGroupBox *grp_BaseSaveQ3 = nullptr;
    QLabel *lbl_AddrTypeQ3 = nullptr;
    QComboBox *cbb_AddrTypeQ3 = nullptr;
    QLabel *lbl_LocationURLPortQ3 = nullptr;
    QLineEdit *edt_LocationURLPortQ3 = nullptr;
    QLabel *lbl_HTTPServerPortQ3 = nullptr;
    QLineEdit *edt_HTTPServerPortQ3 = nullptr;
    QLabel *lbl_StaticIPQ3 = nullptr;
    QLineEdit *edt_StaticIPQ3 = nullptr;
    QLabel *lbl_GatewayIPQ3 = nullptr;
    QLineEdit *edt_GatewayIPQ3 = nullptr;
    QLabel *lbl_SubnetMaskQ3 = nullptr;
    QLineEdit *edt_SubnetMaskQ3 = nullptr;
    QLabel *lbl_ModNameQ3 = nullptr;
    QLineEdit *edt_ModNameQ3 = nullptr;
    QLabel *lbl_usernameQ3 = nullptr;
    QLineEdit *edt_usernameQ3 = nullptr;
    QLabel *lbl_passwordQ3 = nullptr;
    QLineEdit *edt_passwordQ3 = nullptr;
    QLabel *lbl_IdTypeQ3 = nullptr;
    QLineEdit *edt_IdTypeQ3 = nullptr;
    QLabel *lbl_UserMACQ3 = nullptr;
    QLineEdit *edt_UserMACQ3 = nullptr;
    QLabel *lbl_Id3Q3 = nullptr;
    QLineEdit *edt_Id3Q3 = nullptr;

    QGroupBox *grp_ComParamQ3 = nullptr;
    QLabel *lbl_BaudRate0Q3 = nullptr;
    QComboBox *cbb_BaudRate0Q3 = nullptr;
    QLabel *lbl_PDS0Q3 = nullptr;
    QComboBox *cbb_P0Q3 = nullptr;
    QComboBox *cbb_D0Q3 = nullptr;
    QComboBox *cbb_S0Q3 = nullptr;
    QLabel *lbl_FlowControl0Q3 = nullptr;
    QComboBox *cbb_FlowControl0Q3 = nullptr;
    QLabel *lbl_LocalPort0Q3 = nullptr;
    QLineEdit *edt_LocalPort0Q3 = nullptr;
    QLabel *lbl_RemotePort0Q3 = nullptr;
    QLineEdit *edt_RemotePort0Q3 = nullptr;
    QLabel *lbl_RemoteIP0Q3 = nullptr;
    QLineEdit *edt_RemoteIP0Q3 = nullptr;
    QLabel *lbl_WorkMode0Q3 = nullptr;
    QComboBox *cbb_WorkMode0Q3 = nullptr;
    QLabel *lbl_ModbusTCP0Q3 = nullptr;
    QComboBox *cbb_ModbusTCP0Q3 = nullptr;
    QCheckBox *chk_RFC22170Q3 = nullptr;
    QLabel *lbl_UARTLength0Q3 = nullptr;
    QLineEdit *edt_UARTLength0Q3 = nullptr;
    QLabel *lbl_TCPSvrCount0Q3 = nullptr;
    QComboBox *cbb_TCPSvrCount0Q3 = nullptr;
    QLabel *lbl_TCPStyle0Q3 = nullptr;
    QComboBox *cbb_TCPStyle0Q3 = nullptr;
    QLabel *lbl_UARTTime0Q3 = nullptr;
    QLineEdit *edt_UARTTime0Q3 = nullptr;

    QPushButton *btn_Q3NetSet = nullptr;
};
