// The Q1 panel: what a reply shows, the destination rule on value changes, and the custom
// baud-rate prompt its list shares with every baud list.

#include "q1panel/Q1Panel.h"

#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

class TestQ1Panel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initLanguage(); }
    void showAndCollectRoundTrip();
    void baudThatNoItemShowsBecomesItemZero();
    void destinationFollowsTheWorkMode();
    void customBaud_data();
    void customBaud();
};

namespace {

Q1Params sample()
{
    Q1Params p;
    p.destIp = QStringLiteral("10.0.0.100");
    p.destPort = QStringLiteral("5001");
    p.moduleIp = QStringLiteral("10.0.0.7");
    p.modulePort = QStringLiteral("4001");
    p.gateway = QStringLiteral("10.0.0.1");
    p.workMode = 3;
    p.baud = QStringLiteral("115200");
    p.parity = 2;
    p.dataBits = 2;
    p.stopBits = 1;
    p.id = QStringLiteral("77");
    p.options = Q1DataWithId | Q1Rs422 | Q1Link | Q1Rfc2217;
    p.mask = QStringLiteral("255.255.0.0");
    return p;
}

} // namespace

void TestQ1Panel::showAndCollectRoundTrip()
{
    Q1Panel panel;
    panel.showQ1Params(sample());
    QCOMPARE(panel.collectQ1Params(), sample());
    QVERIFY(panel.chk_RS422->isChecked());
    QVERIFY(!panel.chk_RS485->isChecked());
    QCOMPARE(panel.cbb_BaudRate->currentIndex(), 0); // the first item that shows 115200
}

void TestQ1Panel::baudThatNoItemShowsBecomesItemZero()
{
    Q1Panel panel;
    Q1Params p = sample();
    p.baud = QStringLiteral("250000");
    panel.showQ1Params(p);
    QCOMPARE(panel.cbb_BaudRate->currentIndex(), 0);
    QCOMPARE(panel.cbb_BaudRate->itemText(0), QStringLiteral("250000"));
    p.baud = QStringLiteral("9600");
    panel.showQ1Params(p);
    QCOMPARE(panel.cbb_BaudRate->currentText(), QStringLiteral("9600"));
}

void TestQ1Panel::destinationFollowsTheWorkMode()
{
    Q1Panel panel;
    panel.show();
    // Changed from the keyboard, not only by a click.
    panel.cbb_ModuleWork->setFocus();
    panel.cbb_ModuleWork->setCurrentIndex(0);
    QVERIFY(panel.edt_DeIP->isEnabled());
    QTest::keyClick(panel.cbb_ModuleWork, Qt::Key_Down);
    QTest::keyClick(panel.cbb_ModuleWork, Qt::Key_Down);
    QCOMPARE(panel.cbb_ModuleWork->currentIndex(), 2);
    QVERIFY(!panel.edt_DeIP->isEnabled());
    QVERIFY(!panel.edt_DePort->isEnabled());
    QVERIFY(!panel.lbl_DePort->isEnabled());
    QTest::keyClick(panel.cbb_ModuleWork, Qt::Key_Up);
    QVERIFY(panel.edt_DePort->isEnabled());
}

void TestQ1Panel::customBaud_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");
    QTest::newRow("a rate") << QStringLiteral("250000") << QStringLiteral("250000");
    QTest::newRow("letters") << QStringLiteral("fast") << QStringLiteral("9600");
    QTest::newRow("cancel") << QString() << QStringLiteral("9600");
}

void TestQ1Panel::customBaud()
{
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    Q1Panel panel;
    QString asked;
    panel.setPromptFunction([&](QWidget *, const QString &title, const QString &,
                                const QString &initial, const BaudPromptDone &done) {
        asked = title + QLatin1Char('|') + initial;
        done(answer.isNull() ? std::nullopt : std::optional<QString>(answer));
    });
    panel.show();
    panel.cbb_BaudRate->setFocus();
    panel.cbb_BaudRate->setCurrentIndex(0);
    QTest::keyClick(panel.cbb_BaudRate, Qt::Key_Down); // to item 1, "custom"
    QCOMPARE(asked, langText(QStringLiteral("lang_InputBdTitle")) + QStringLiteral("|115200"));
    QCOMPARE(panel.cbb_BaudRate->currentText(), shown);
}

QTEST_MAIN(TestQ1Panel)
#include "tst_q1panel.moc"
