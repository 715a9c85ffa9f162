#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// The user name and password that every command frame to a module carries. Each run starts with
// the built-in login.
struct LoginCredentials
{
    QString user = QStringLiteral("qpwzk");
    QString password = QStringLiteral("qpwzk");

    bool operator==(const LoginCredentials &) const = default;
};

// The user name and password dialog. OK takes the two texts as they are (an empty text too) and
// announces them; Cancel keeps the credentials and puts them back into the edits, so the dialog
// always opens showing the login that the frames carry.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    // A frame field holds 6 bytes; the edits take at most 5 characters and never more than fit.
    static constexpr int kMaxChars = 5;
    static constexpr int kMaxBytes = 6;

    explicit LoginDialog(const LoginCredentials &current = {}, QWidget *parent = nullptr);

    // The credentials in force: those given at creation or last confirmed with OK.
    LoginCredentials credentials() const { return m_current; }
    QString loginUser() const { return m_current.user; }
    QString loginPassword() const { return m_current.password; }
    // Puts `credentials` in force and into the edits.
    void setCredentials(const LoginCredentials &credentials);

    // Relabels the window in the current language.
    void applyLoginTexts();

    // Shows the dialog modally without waiting for it; when it is already showing, only brings it
    // to the front. The answer comes as credentialsAccepted() or not at all.
    void showLogin();

    void accept() override;
    void reject() override;

signals:
    // OK was pressed; `credentials` are now in force.
    void credentialsAccepted(const LoginCredentials &credentials);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void putIntoEdits(const LoginCredentials &credentials);

    LoginCredentials m_current;
    QLabel *m_band = nullptr;
    QLineEdit *m_user = nullptr;
    QLineEdit *m_password = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_centred = false;
};
