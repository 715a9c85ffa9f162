#pragma once

// One command row of the data-debugging window: chosen, name, command, Send, Hex, delay. Named
// C0 to C49; its controls carry the names lblNo, chkChoose, btnExplanation, edtCmd, btnSend,
// chkHex and edtDelay.

#include "CommandRows.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CommandRowWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHeight = 25;

    CommandRowWidget(int index, QWidget *parent = nullptr);

    int index() const { return m_index; }
    CommandRows::Row row() const;
    void setRow(const CommandRows::Row &row);
    QString name() const { return m_name; }
    void setName(const QString &name);
    bool chosen() const;
    void setChosen(bool chosen);
    bool hex() const;
    // Ticks or unticks Hex and converts the command as a click would; false when the digits
    // cannot become text (the row then stays hex).
    bool setHex(bool hex);
    QString delayText() const;

    void applyTexts();

signals:
    void sendClicked(int index);
    void renameRequested(int index);
    // A "|" was typed or pasted into the command and taken out again.
    void separatorRefused(int index);
    // Hex was unticked but the digits cannot be held as text; the row stays hex.
    void hexKept(int index);

private:
    void onHexToggled(bool hex);
    void onCommandEdited(const QString &text);
    void onDelayChanged(const QString &text);

    int m_index;
    QString m_name;
    QLabel *lblNo = nullptr;
    QCheckBox *chkChoose = nullptr;
    QPushButton *btnExplanation = nullptr;
    QLineEdit *edtCmd = nullptr;
    QPushButton *btnSend = nullptr;
    QCheckBox *chkHex = nullptr;
    QLineEdit *edtDelay = nullptr;
};
