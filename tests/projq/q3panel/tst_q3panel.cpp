// The Q3 panel: the bytes a save writes into the module's stored block, its checks, and its
// enabling rules on value changes.

#include "q3panel/Q3Panel.h"

#include "common/ParamBlocks.h"
#include "lang/LangList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

// A stored parameter block whose every byte tells its offset apart.
StoredAnswers storedBlock()
{
    StoredAnswers s;
    for (int i = 0; i < 130; ++i)
        s.param[i] = char(0xA0 | (i & 0x0F));
    return s;
}

} // namespace

class TestQ3Panel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initLanguage(); }
    void portBytes_data();
    void portBytes();
    void refusedFields_data();
    void refusedFields();
    void rules();
};

void TestQ3Panel::portBytes_data()
{
    QTest::addColumn<int>("workMode");
    QTest::addColumn<int>("modbus");
    QTest::addColumn<int>("byte58");
    QTest::addColumn<bool>("modbusBit");
    QTest::newRow("TCP server, Modbus") << 3 << 1 << 0x81 << true;
    QTest::newRow("TCP server, none") << 3 << 0 << 0x81 << false;
    QTest::newRow("TCP client, Modbus") << 1 << 1 << 0x81 << true;
    QTest::newRow("UDP, Modbus chosen") << 0 << 1 << 0x81 << false;
}

void TestQ3Panel::portBytes()
{
    QFETCH(int, workMode);
    QFETCH(int, modbus);
    QFETCH(int, byte58);
    QFETCH(bool, modbusBit);
    Q3Panel panel;
    panel.cbb_WorkMode0Q3->setCurrentIndex(workMode);
    panel.cbb_ModbusTCP0Q3->setCurrentIndex(modbus);
    panel.cbb_TCPSvrCount0Q3->setCurrentIndex(7);
    panel.cbb_TCPStyle0Q3->setCurrentIndex(0);
    panel.edt_UARTLength0Q3->setText(QStringLiteral("1024"));
    StoredAnswers stored = storedBlock();
    const QByteArray before = stored.param;
    const SavePlan plan = panel.prepareQ3Save(stored);
    QVERIFY(!plan.refused());
    const QByteArray port = portBlock(stored.param);
    QCOMPARE(port.mid(52, 4), QByteArray::fromHex("00040000"));
    QCOMPARE(int(quint8(port.at(58))), byte58);
    QCOMPARE(bool(quint8(port.at(50)) & 0x04), modbusBit);
    QCOMPARE(quint8(port.at(50)) & 0xF3, quint8(before.at(67 + 50)) & 0xF3);
    QCOMPARE(plan.frames.at(1).data, port);
}

void TestQ3Panel::refusedFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("messageKey");
    QTest::newRow("empty local port") << "edt_LocalPort0Q3"
                                      << ""
                                      << "lang_IsNull";
    QTest::newRow("letters in remote port") << "edt_RemotePort0Q3"
                                            << "5x"
                                            << "lang_IsNotNum";
    QTest::newRow("port beyond 65535") << "edt_HTTPServerPortQ3"
                                       << "65536"
                                       << "lang_IsNotNum";
    QTest::newRow("ID type 4") << "edt_IdTypeQ3"
                               << "4"
                               << "lang_IsNotNum";
    QTest::newRow("empty packing length") << "edt_UARTLength0Q3"
                                          << " "
                                          << "lang_IsNull";
    QTest::newRow("address that is none") << "edt_StaticIPQ3"
                                          << "10.0.x.1"
                                          << "lang_IsNotNum";
    QTest::newRow("MAC that is none") << "edt_UserMACQ3"
                                      << "12 34"
                                      << "lang_IsNotNum";
}

void TestQ3Panel::refusedFields()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, messageKey);
    Q3Panel panel;
    QStringList messages;
    panel.setMessageFunction([&](QWidget *, const QString &text) { messages << text; });
    auto *edit = panel.findChild<QLineEdit *>(field);
    QVERIFY(edit);
    edit->setText(value);
    StoredAnswers stored = storedBlock();
    const QByteArray before = stored.param;
    const SavePlan plan = panel.prepareQ3Save(stored);
    QVERIFY(plan.refused());
    QVERIFY(plan.frames.isEmpty());
    QCOMPARE(stored.param, before);
    QCOMPARE(messages.size(), 1);
    // The message names the field by its caption.
    auto *label = qobject_cast<QLabel *>(panel.findChild<QLabel *>(
        QString(field).replace(QStringLiteral("edt_"), QStringLiteral("lbl_"))));
    QVERIFY(label);
    QCOMPARE(messages.first(), label->text().remove(QStringLiteral(" *")) + langText(messageKey));
}

void TestQ3Panel::rules()
{
    Q3Panel panel;
    panel.cbb_AddrTypeQ3->setCurrentIndex(0); // DHCP
    QVERIFY(!panel.edt_StaticIPQ3->isEnabled());
    QVERIFY(!panel.edt_SubnetMaskQ3->isEnabled());
    panel.cbb_AddrTypeQ3->setCurrentIndex(1);
    QVERIFY(panel.edt_GatewayIPQ3->isEnabled());
    panel.cbb_WorkMode0Q3->setCurrentIndex(3); // TCP server: no destination, Modbus offered
    QVERIFY(!panel.edt_RemoteIP0Q3->isEnabled());
    QVERIFY(panel.cbb_ModbusTCP0Q3->isEnabled());
    QVERIFY(panel.cbb_TCPSvrCount0Q3->isEnabled());
    panel.cbb_WorkMode0Q3->setCurrentIndex(0); // UDP
    QVERIFY(panel.edt_RemoteIP0Q3->isEnabled());
    QVERIFY(!panel.cbb_ModbusTCP0Q3->isEnabled());
    QVERIFY(!panel.cbb_TCPStyle0Q3->isEnabled());
}

QTEST_MAIN(TestQ3Panel)
#include "tst_q3panel.moc"
