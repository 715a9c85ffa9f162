#include "LoginDialog.h"

#include "DialogArt.h"
#include "WindowHelpers.h"
#include "common/TextCodec.h"
#include "lang/LangList.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

namespace {

// The hint of both edits: the frame field holds 6 bytes.
const QString kFieldHint = QStringLiteral("输入位数不能超过6字节");

// Refuses input whose GB18030 form (the form that goes into the frame) is longer than the field.
class FrameFieldValidator : public QValidator
{
public:
    FrameFieldValidator(int maxBytes, QObject *parent)
        : QValidator(parent)
        , m_maxBytes(maxBytes)
    {
    }
    State validate(QString &input, int &) const override
    {
        return gb18030Encode(input).size() <= m_maxBytes ? Acceptable : Invalid;
    }

private:
    int m_maxBytes;
};

QLineEdit *fieldEdit(const QString &name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(LoginDialog::kMaxChars);
    edit->setValidator(new FrameFieldValidator(LoginDialog::kMaxBytes, edit));
    return edit;
}

QLabel *picture(const QString &name, const QPixmap &pixmap, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(pixmap);
    label->setFixedSize(24, 24);
    return label;
}

} // namespace

LoginDialog::LoginDialog(const LoginCredentials &current, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_current(current)
{
    setObjectName(QStringLiteral("TFrm_Pswd"));
    setModal(true);

    // The white band at the top holds the two fields.
    m_band = new QLabel(this);
    m_band->setObjectName(QStringLiteral("img3"));
    m_band->setAutoFillBackground(true);
    QPalette white = m_band->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_band->setPalette(white);
    m_band->setMinimumHeight(89);

    m_user = fieldEdit(QStringLiteral("edt_UsrName"), m_band);
    m_password = fieldEdit(QStringLiteral("edt_Paswd"), m_band);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

    auto *fields = new QGridLayout(m_band);
    fields->setContentsMargins(40, 14, 40, 14);
    fields->setHorizontalSpacing(10);
    fields->addWidget(picture(QStringLiteral("img1"), userPicture(24), m_band), 0, 0);
    fields->addWidget(m_user, 0, 1);
    fields->addWidget(picture(QStringLiteral("img2"), passwordPicture(24), m_band), 1, 0);
    fields->addWidget(m_password, 1, 1);

    m_ok = new QPushButton(okGlyph(), QString(), this);
    m_ok->setObjectName(QStringLiteral("btn_OK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(cancelGlyph(), QString(), this);
    m_cancel->setObjectName(QStringLiteral("btn_Cancel"));
    connect(m_ok, &QPushButton::clicked, this, &LoginDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &LoginDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 8, 12, 10);
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(m_band);
    page->addLayout(buttons);

    putIntoEdits(m_current);
    applyLoginTexts();
    setFixedSize(sizeHint().expandedTo(QSize(322, 145)));
}

void LoginDialog::setCredentials(const LoginCredentials &credentials)
{
    m_current = credentials;
    putIntoEdits(credentials);
}

void LoginDialog::putIntoEdits(const LoginCredentials &credentials)
{
    m_user->setText(credentials.user);
    m_password->setText(credentials.password);
}

void LoginDialog::applyLoginTexts()
{
    setWindowTitle(langText(QStringLiteral("lang_Log_Title")));
    m_ok->setText(langText(QStringLiteral("lang_Log_OK")));
    m_cancel->setText(langText(QStringLiteral("lang_Log_Cancel")));
    const QString hint = langText(kFieldHint);
    m_user->setToolTip(hint);
    m_password->setToolTip(hint);
    m_user->setAccessibleName(langText(QStringLiteral("lang_Lbl_UserName")));
    m_password->setAccessibleName(langText(QStringLiteral("lang_Lbl_Password")));
}

void LoginDialog::showLogin()
{
    // Shows the dialog, or brings it to the front when it is showing already.
    bringWindowToFront(this);
}

void LoginDialog::accept()
{
    m_current = {m_user->text(), m_password->text()};
    QDialog::accept();
    emit credentialsAccepted(m_current);
}

void LoginDialog::reject()
{
    putIntoEdits(m_current);
    QDialog::reject();
}

void LoginDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        centerOnScreen(this);
    }
    m_user->setFocus();
    m_user->selectAll();
}
