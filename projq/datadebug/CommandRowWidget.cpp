#include "CommandRowWidget.h"

#include "lang/LangList.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

CommandRowWidget::CommandRowWidget(int index, QWidget *parent)
    : QWidget(parent)
    , m_index(index)
{
    setObjectName(QStringLiteral("C%1").arg(index));
    setProperty("tag", index);
    setFixedHeight(kHeight);

    lblNo = new QLabel(QString::number(index + 1), this);
    lblNo->setObjectName(QStringLiteral("lblNo"));
    lblNo->hide();
    chkChoose = new QCheckBox(this);
    chkChoose->setObjectName(QStringLiteral("chkChoose"));
    btnExplanation = new QPushButton(this);
    btnExplanation->setObjectName(QStringLiteral("btnExplanation"));
    btnExplanation->setFixedWidth(130);
    btnExplanation->setContextMenuPolicy(Qt::CustomContextMenu);
    edtCmd = new QLineEdit(this);
    edtCmd->setObjectName(QStringLiteral("edtCmd"));
    btnSend = new QPushButton(this);
    btnSend->setObjectName(QStringLiteral("btnSend"));
    btnSend->setFixedWidth(56);
    chkHex = new QCheckBox(QStringLiteral("Hex"), this);
    chkHex->setObjectName(QStringLiteral("chkHex"));
    edtDelay = new QLineEdit(this);
    edtDelay->setObjectName(QStringLiteral("edtDelay"));
    edtDelay->setFixedWidth(56);
    edtDelay->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), edtDelay));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(4);
    row->addWidget(lblNo);
    row->addWidget(chkChoose);
    row->addWidget(btnExplanation);
    row->addWidget(edtCmd, 1);
    row->addWidget(btnSend);
    row->addWidget(chkHex);
    row->addWidget(edtDelay);

    connect(btnSend, &QPushButton::clicked, this, [this] { emit sendClicked(m_index); });
    connect(btnExplanation, &QWidget::customContextMenuRequested, this,
            [this] { emit renameRequested(m_index); });
    connect(chkHex, &QCheckBox::toggled, this, &CommandRowWidget::onHexToggled);
    connect(edtCmd, &QLineEdit::textEdited, this, &CommandRowWidget::onCommandEdited);
    connect(edtDelay, &QLineEdit::textChanged, this, &CommandRowWidget::onDelayChanged);
    applyTexts();
}

void CommandRowWidget::applyTexts()
{
    btnSend->setText(langText(QStringLiteral("lang_FrameCmd_btnSend")));
    const QString row = QString::number(m_index + 1);
    chkChoose->setAccessibleName(langText(QStringLiteral("lang_DataDebug_chkChoose")).arg(row));
    edtCmd->setAccessibleName(langText(QStringLiteral("lang_DataDebug_edtCmd")).arg(row));
    chkHex->setAccessibleName(QStringLiteral("Hex ") + row);
    edtDelay->setAccessibleName(langText(QStringLiteral("lang_DataDebug_lblDelay")) + u' ' + row);
    btnExplanation->setAccessibleDescription(
        langText(QStringLiteral("lang_Hint_FrameCmd_PopupTitle")));
}

CommandRows::Row CommandRowWidget::row() const
{
    return {chkChoose->isChecked(), m_name, edtCmd->text(), chkHex->isChecked(), edtDelay->text()};
}

void CommandRowWidget::setRow(const CommandRows::Row &row)
{
    const QSignalBlocker quietHex(chkHex);
    chkChoose->setChecked(row.chosen);
    setName(row.name);
    edtCmd->setText(row.command);
    chkHex->setChecked(row.hex);
    edtDelay->setText(row.delay);
}

void CommandRowWidget::setName(const QString &name)
{
    m_name = name;
    // A caption's "&" marks a shortcut; the name shows it as written.
    QString caption = name;
    btnExplanation->setText(caption.replace(u'&', QStringLiteral("&&")));
    btnExplanation->setAccessibleName(name);
}

bool CommandRowWidget::chosen() const
{
    return chkChoose->isChecked();
}

void CommandRowWidget::setChosen(bool chosen)
{
    chkChoose->setChecked(chosen);
}

bool CommandRowWidget::hex() const
{
    return chkHex->isChecked();
}

bool CommandRowWidget::setHex(bool hex)
{
    chkHex->setChecked(hex);
    return chkHex->isChecked() == hex;
}

QString CommandRowWidget::delayText() const
{
    return edtDelay->text();
}

void CommandRowWidget::onHexToggled(bool hex)
{
    if (hex) {
        edtCmd->setText(CommandRows::textToHexCommand(edtCmd->text()));
        return;
    }
    const std::optional<QString> text = CommandRows::hexCommandToText(edtCmd->text());
    if (text) {
        edtCmd->setText(*text);
        return;
    }
    const QSignalBlocker quiet(chkHex);
    chkHex->setChecked(true);
    emit hexKept(m_index);
}

void CommandRowWidget::onCommandEdited(const QString &text)
{
    if (CommandRows::fitsFileField(text))
        return;
    int cursor = edtCmd->cursorPosition();
    cursor -= int(text.left(cursor).count(CommandRows::kFieldSeparator));
    QString kept = text;
    kept.remove(CommandRows::kFieldSeparator);
    edtCmd->setText(kept);
    edtCmd->setCursorPosition(cursor);
    emit separatorRefused(m_index);
}

void CommandRowWidget::onDelayChanged(const QString &text)
{
    if (!CommandRows::delayMs(text))
        edtDelay->clear();
}
