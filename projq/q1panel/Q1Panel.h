#pragma once

// The Q1 parameter panel: a Q1 module's settings as its serial reply carries them, the two
// buttons that save them (over the serial line, or the network save that no listed module
// matches) and the rule that the destination fields serve the client modes only.

#include "q2panel/PanelFields.h"
#include "serial/SerialFrames.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Q1Panel : public QWidget
{
    Q_OBJECT
public:
    explicit Q1Panel(QWidget *parent = nullptr);

    void setPromptFunction(BaudPromptFunction f) { m_prompt = std::move(f); }

    // Fills every control from a Q1 reply, then applies the work-mode rule. A baud rate that no
    // item shows replaces item 0 and is selected.
    void showQ1Params(const Q1Params &p);
    Q1Params collectQ1Params() const;
    // The caption (in the current language) of a Q1Params field named by buildQ1Frame.
    QString captionOf(const QString &field) const;

    // The network tab shows the network save, the serial tab the serial write.
    void setNetworkTab(bool network);
    void setSavesEnabled(bool enabled);
    void applyQ1Texts();

signals:
    void comSetClicked(); // btn_ComSet: the serial write
    void netSetClicked(); // btn_Q1Set: the network save

private:
    void applyWorkModeRule();

    BaudPromptFunction m_prompt;

public:
    QGroupBox *grp_Param = nullptr;
    QLabel *lbl_ModuleWork = nullptr;
    QComboBox *cbb_ModuleWork = nullptr;
    QLabel *lbl_ModuleIP = nullptr;
    QLineEdit *edt_ModuleIP = nullptr;
    QLabel *lbl_Mask = nullptr;
    QLineEdit *edt_Mask = nullptr;
    QLabel *lbl_Gateway = nullptr;
    QLineEdit *edt_Gateway = nullptr;
    QLabel *lbl_BaudRate = nullptr;
    QComboBox *cbb_BaudRate = nullptr;
    QLabel *lbl_PDS = nullptr;
    QComboBox *cbb_P = nullptr;
    QComboBox *cbb_D = nullptr;
    QComboBox *cbb_S = nullptr;
    QLabel *lbl_ModulePort = nullptr;
    QLineEdit *edt_ModulePort = nullptr;
    QLabel *lbl_DeIP = nullptr;
    QLineEdit *edt_DeIP = nullptr;
    QLabel *lbl_DePort = nullptr;
    QLineEdit *edt_DePort = nullptr;

    QGroupBox *grp_Special = nullptr;
    QLabel *lbl_ID = nullptr;
    QLineEdit *edt_ID = nullptr;
    QCheckBox *chk_Reset = nullptr;
    QCheckBox *chk_Link = nullptr;
    QCheckBox *chk_Index = nullptr;
    QCheckBox *chk_RFC2217 = nullptr;
    QCheckBox *chk_RS485 = nullptr;
    QCheckBox *chk_RS422 = nullptr;
    QCheckBox *chk_DataWithId = nullptr;
    QCheckBox *chk_ConnSendId = nullptr;

    QPushButton *btn_Q1Set = nullptr;
    QPushButton *btn_ComSet = nullptr;
};
