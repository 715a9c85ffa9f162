#include "dialogs/AboutBox.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/WebAddress.h"
#include "lang/LangList.h"
#include "lang/ProgramVersion.h"

#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

template<typename T> T *child(QWidget &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// Records the addresses that would have gone to the browser.
class OpenedAddresses
{
public:
    OpenedAddresses()
        : m_previous(setWebAddressOpener([this](const QUrl &url) { urls.append(url); }))
    {
    }
    ~OpenedAddresses() { setWebAddressOpener(m_previous); }
    QList<QUrl> urls;

private:
    WebAddressOpener m_previous;
};

// Types `text` key by key, as a keyboard or an input method would.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void loginEditsRefuseASixthCharacter_data();
    void loginEditsRefuseASixthCharacter();
    void loginEditsRefuseMoreThanAFrameFieldHolds();
    void loginPasswordShowsStars();
    void loginOkTakesTheTexts_data();
    void loginOkTakesTheTexts();
    void loginCancelKeepsTheCredentials_data();
    void loginCancelKeepsTheCredentials();
    void loginShowingTwiceBringsItToTheFront();
    void loginTexts_data();
    void loginTexts();

    void aboutControls();
    void aboutTexts_data();
    void aboutTexts();
    void aboutWebsiteOpensTheShownAddress();
    void webAddresses_data();
    void webAddresses();

    void screenshots();
};

void TestDialogs::init()
{
    setIsChinese(true);
}

void TestDialogs::loginEditsRefuseASixthCharacter_data()
{
    QTest::addColumn<QString>("edit");
    QTest::newRow("user name") << "edt_UsrName";
    QTest::newRow("password") << "edt_Paswd";
}

void TestDialogs::loginEditsRefuseASixthCharacter()
{
    QFETCH(QString, edit);
    LoginDialog dialog;
    auto *field = dialog.findChild<QLineEdit *>(edit);
    QVERIFY(field);
    field->clear();
    typeText(field, QStringLiteral("abcdef"));
    QCOMPARE(field->text(), QStringLiteral("abcde"));
    // Pasting is cut the same way.
    field->clear();
    field->insert(QStringLiteral("123456789"));
    QCOMPARE(field->text(), QStringLiteral("12345"));
}

void TestDialogs::loginEditsRefuseMoreThanAFrameFieldHolds()
{
    // Chinese characters take two bytes each in the frame; a fourth would be cut off there.
    LoginDialog dialog;
    auto *user = child<QLineEdit>(dialog, "edt_UsrName");
    user->clear();
    typeText(user, QStringLiteral("用户名称"));
    QCOMPARE(user->text(), QStringLiteral("用户名"));
    user->clear();
    typeText(user, QStringLiteral("ab用户c"));
    QCOMPARE(user->text(), QStringLiteral("ab用户"));
}

void TestDialogs::loginPasswordShowsStars()
{
    LoginDialog dialog;
    auto *password = child<QLineEdit>(dialog, "edt_Paswd");
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->displayText(), QStringLiteral("*****"));
    QCOMPARE(child<QLineEdit>(dialog, "edt_UsrName")->echoMode(), QLineEdit::Normal);
}

void TestDialogs::loginOkTakesTheTexts_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("new login") << "admin"
                               << "12345";
    QTest::newRow("empty password") << "admin"
                                    << "";
    QTest::newRow("both empty") << ""
                                << "";
}

void TestDialogs::loginOkTakesTheTexts()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    LoginDialog dialog;
    QCOMPARE(dialog.credentials(), LoginCredentials());
    QCOMPARE(child<QLineEdit>(dialog, "edt_UsrName")->text(), QStringLiteral("qpwzk"));
    QSignalSpy accepted(&dialog, &LoginDialog::credentialsAccepted);
    dialog.showLogin();
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.isModal());

    for (auto [name, text] : {std::pair{"edt_UsrName", user}, std::pair{"edt_Paswd", password}}) {
        auto *edit = child<QLineEdit>(dialog, name);
        edit->clear();
        typeText(edit, text);
    }
    QTest::mouseClick(child<QPushButton>(dialog, "btn_OK"), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(accepted.count(), 1);
    const LoginCredentials expected{user, password};
    QCOMPARE(accepted.at(0).at(0).value<LoginCredentials>(), expected);
    QCOMPARE(dialog.credentials(), expected);
    QCOMPARE(dialog.loginUser(), user);
    QCOMPARE(dialog.loginPassword(), password);

    // The next showing shows the login in force.
    dialog.showLogin();
    QCOMPARE(child<QLineEdit>(dialog, "edt_UsrName")->text(), user);
    QCOMPARE(child<QLineEdit>(dialog, "edt_Paswd")->text(), password);
}

void TestDialogs::loginCancelKeepsTheCredentials_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape key") << true;
}

void TestDialogs::loginCancelKeepsTheCredentials()
{
    QFETCH(bool, escape);
    const LoginCredentials before{QStringLiteral("ab"), QStringLiteral("cd")};
    LoginDialog dialog(before);
    QSignalSpy accepted(&dialog, &LoginDialog::credentialsAccepted);
    dialog.showLogin();
    auto *user = child<QLineEdit>(dialog, "edt_UsrName");
    auto *password = child<QLineEdit>(dialog, "edt_Paswd");
    user->setText(QStringLiteral("other"));
    password->clear();
    if (escape)
        QTest::keyClick(user, Qt::Key_Escape);
    else
        QTest::mouseClick(child<QPushButton>(dialog, "btn_Cancel"), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(accepted.count(), 0);
    QCOMPARE(dialog.credentials(), before);
    // The edits show again what the frames carry, not the abandoned typing.
    QCOMPARE(user->text(), before.user);
    QCOMPARE(password->text(), before.password);
}

void TestDialogs::loginShowingTwiceBringsItToTheFront()
{
    LoginDialog dialog;
    dialog.showLogin();
    child<QLineEdit>(dialog, "edt_UsrName")->setText(QStringLiteral("typed"));
    dialog.showLogin();
    QVERIFY(dialog.isVisible());
    QCOMPARE(child<QLineEdit>(dialog, "edt_UsrName")->text(), QStringLiteral("typed"));
    dialog.reject();
}

void TestDialogs::loginTexts_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Chinese") << true << "用户名密码设置"
                             << "确定"
                             << "取消";
    QTest::newRow("English") << false << "User config"
                             << "OK"
                             << "Cancel";
}

void TestDialogs::loginTexts()
{
    QFETCH(bool, chinese);
    LoginDialog dialog;
    setIsChinese(chinese);
    dialog.applyLoginTexts();
    QTEST(dialog.windowTitle(), "title");
    QTEST(child<QPushButton>(dialog, "btn_OK")->text(), "ok");
    QTEST(child<QPushButton>(dialog, "btn_Cancel")->text(), "cancel");
    for (const char *name : {"edt_UsrName", "edt_Paswd"})
        QCOMPARE(child<QLineEdit>(dialog, name)->toolTip(),
                 QStringLiteral("输入位数不能超过6字节"));
    QVERIFY(!child<QLineEdit>(dialog, "edt_UsrName")->accessibleName().isEmpty());
    for (const char *name : {"img1", "img2", "img3"})
        QVERIFY2(child<QLabel>(dialog, name), name);
    QVERIFY(dialog.width() >= 322 && dialog.height() >= 145);
}

void TestDialogs::aboutControls()
{
    AboutBox about;
    for (const char *name :
         {"img_About", "lbl_SoftName", "lbl_About_version", "lbl_version", "lbl_Aboutl_Description",
          "lbl_About_Contact", "lbl_About_Website", "lbl_About_Tel", "lbl_About_Email"})
        QVERIFY2(child<QLabel>(about, name), name);
    QVERIFY(child<QFrame>(about, "Bevel1"));
    QVERIFY(child<QPushButton>(about, "btn_About_Yes"));
    QVERIFY(child<QLabel>(about, "lbl_Aboutl_Description")->wordWrap());
    QVERIFY(about.width() >= 473 && about.height() >= 215);

    about.showAbout();
    QVERIFY(about.isVisible());
    QTest::mouseClick(child<QPushButton>(about, "btn_About_Yes"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
}

void TestDialogs::aboutTexts_data()
{
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("ok");
    QTest::newRow("English") << false << "About"
                             << "Name:  X7"
                             << "Version:"
                             << " "
                             << "Instruction:  "
                             << "OK";
    QTest::newRow("Chinese") << true << "关于"
                             << "名称：X7"
                             << "版本："
                             << "联系我们"
                             << "说明："
                             << "确 认";
}

void TestDialogs::aboutTexts()
{
    QFETCH(bool, chinese);
    AboutBox about;
    setIsChinese(chinese);
    about.applyAboutTexts();
    QTEST(about.windowTitle(), "title");
    QTEST(child<QLabel>(about, "lbl_SoftName")->text(), "name");
    QTEST(child<QLabel>(about, "lbl_About_version")->text(), "version");
    QTEST(child<QLabel>(about, "lbl_About_Contact")->text(), "contact");
    QFETCH(QString, description);
    QVERIFY(child<QLabel>(about, "lbl_Aboutl_Description")->text().startsWith(description));
    QTEST(child<QPushButton>(about, "btn_About_Yes")->text(), "ok");
    QCOMPARE(child<QLabel>(about, "lbl_About_Website")->text(),
             langText(QStringLiteral("lang_About_Website")));
    QCOMPARE(child<QLabel>(about, "lbl_About_Tel")->text(), QStringLiteral(" "));
    QCOMPARE(child<QLabel>(about, "lbl_About_Email")->text(), QStringLiteral(" "));
    QCOMPARE(child<QLabel>(about, "lbl_version")->text(),
             QStringLiteral(" V") + programVersionText());
    QCOMPARE(child<QLabel>(about, "lbl_version")->text(), QStringLiteral(" V1.0.0.1"));
}

void TestDialogs::aboutWebsiteOpensTheShownAddress()
{
    OpenedAddresses opened;
    AboutBox about;
    about.showAbout();
    auto *website = child<QLabel>(about, "lbl_About_Website");
    QTest::mouseClick(website, Qt::LeftButton);
    setIsChinese(false);
    about.applyAboutTexts();
    QTest::mouseClick(website, Qt::LeftButton);
    QTest::mouseClick(website, Qt::RightButton); // not a click on the link
    website->setFocus();
    QTest::keyClick(website, Qt::Key_Return);

    QCOMPARE(opened.urls.size(), 3);
    QCOMPARE(opened.urls.at(0), QUrl(QStringLiteral("https://example.com/x7/zh/")));
    QCOMPARE(opened.urls.at(1), QUrl(QStringLiteral("https://example.com/x7/en/")));
    QCOMPARE(opened.urls.at(2), opened.urls.at(1));
    QVERIFY(about.isVisible()); // Return on the link does not close the box
}

void TestDialogs::webAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("opened");
    QTest::newRow("https") << "https://example.com/x7/"
                           << "https://example.com/x7/";
    QTest::newRow("no scheme") << " www.example.com "
                               << "http://www.example.com";
    QTest::newRow("module page") << "http://192.168.1.7:80"
                                 << "http://192.168.1.7:80";
    QTest::newRow("program path") << "C:\\Windows\\system32\\calc.exe"
                                  << "";
    QTest::newRow("file") << "file:///bin/sh"
                          << "";
    QTest::newRow("script") << "javascript:alert(1)"
                            << "";
    QTest::newRow("blank") << " "
                           << "";
}

void TestDialogs::webAddresses()
{
    QFETCH(QString, address);
    QFETCH(QString, opened);
    OpenedAddresses recorder;
    QCOMPARE(openWebAddress(address), !opened.isEmpty());
    if (opened.isEmpty())
        QVERIFY(recorder.urls.isEmpty());
    else
        QCOMPARE(recorder.urls, QList<QUrl>{QUrl(opened)});
}

void TestDialogs::screenshots()
{
    const QString folder = qEnvironmentVariable("X7_SCREENSHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to grab the dialogs");
    QDir().mkpath(folder);
    for (bool chinese : {true, false}) {
        setIsChinese(chinese);
        const QString language = chinese ? QStringLiteral("zh") : QStringLiteral("en");
        LoginDialog login;
        login.show();
        QVERIFY(login.grab().save(folder + "/login-" + language + ".png"));
        AboutBox about;
        about.show();
        QVERIFY(about.grab().save(folder + "/about-" + language + ".png"));
    }
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
