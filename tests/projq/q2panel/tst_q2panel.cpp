// The Q2 panel driven by its controls' object names: filled from module blocks, checked, read
// back into the frames of a save, relabelled, and its visibility rules.

#include "q2panel/PanelFields.h"
#include "q2panel/Q2Panel.h"

#include "common/ParamBlocks.h"
#include "common/StoredAnswers.h"
#include "common/TextCodec.h"
#include "lang/LangList.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

// ---- Module blocks ---------------------------------------------------------------------------

void put(QByteArray &block, int at, const QByteArray &bytes)
{
    block.replace(at, bytes.size(), bytes);
}

QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

QByteArray text(const QString &s, int width)
{
    return gb18030Encode(s).leftJustified(width, '\0', true);
}

// What a module sends after a read. Every byte the program does not interpret is set, so a save
// that loses one shows.
struct Blocks
{
    QByteArray param;
    QByteArray cloud;
    QByteArray heartReg;
    QByteArray httpd;
    QByteArray modbusShort;
    QByteArray modbusPack;
    QByteArray modbusNew;
};

struct ParamSpec
{
    quint8 baseFlags;
    const char *addresses; // IP, gateway, mask as stored (12 bytes, hex)
    QString name;
    QString user;
    QString password;
    quint8 options;
    const char *serial; // port bytes 0-7 (hex)
    QString remoteHost;
    quint8 portFlags;
    quint8 workMode;
    quint8 tcpCount;
    quint8 custom;
    quint8 sourceCheck;
};

QByteArray paramBlock(const ParamSpec &s)
{
    QByteArray b(kParamBlockSize, '\0');
    for (int i : {0, 1, 2, 8, 49, 50, 51, 64, 65, 66})
        b[i] = char(0xA0 + i % 16);
    b[3] = char(s.baseFlags);
    put(b, 4, hex("6c075000")); // UPNP 1900, web server 80
    put(b, 9, hex(s.addresses));
    put(b, 21, text(s.name, 16));
    put(b, 37, text(s.user, 6));
    put(b, 43, text(s.password, 6));
    b[52] = char(s.options);
    put(b, 53, hex("001a2b3c4d5e"));
    put(b, 59, hex("0808080807")); // DNS 8.8.8.8, short connections 7 s
    const int p = kPortBlockOffset;
    put(b, p, hex(s.serial));
    put(b, p + 12, hex("b3152a20")); // local 5555, remote 8234
    put(b, p + 16, text(s.remoteHost, 30));
    put(b, p + 46, hex("c1c2c3c4"));
    b[p + 50] = char(s.portFlags);
    b[p + 51] = char(s.workMode);
    b[p + 52] = 0;
    b[p + 53] = char(s.tcpCount);
    put(b, p + 54, hex("2c01")); // restart after 300 s
    b[p + 56] = char(s.custom);
    b[p + 57] = char(0xD7);
    b[p + 58] = char(s.sourceCheck);
    put(b, p + 59, hex("90010a00")); // pack 400 bytes, 10 ms
    return b;
}

Blocks blocksWith(const QByteArray &param)
{
    Blocks m;
    m.param = param;
    m.cloud = hex("eeef") + QByteArray("12345678901234567890abcdefgh") + QByteArray(20, '\xCC');
    // Network heartbeat, registration on connect, serial option, heartbeat data in hex.
    m.heartReg = QByteArray(kHeartRegBlockSize, '\0');
    put(m.heartReg, 0, hex("651e000305"));
    put(m.heartReg, 5, hex("0102ab"));
    put(m.heartReg, 45, QByteArray("hello"));
    m.httpd = QByteArray(kHttpdBlockSize, '\0');
    const QByteArray url("http://example.com/in");
    const QByteArray header("X-A: 1\r\nX-B: 2\r\n");
    m.httpd[0] = char(url.size());
    put(m.httpd, 1, url);
    m.httpd[101] = char(header.size());
    put(m.httpd, 102, header);
    m.modbusShort = hex("0101003c");
    m.modbusPack = hex("020100c8000a01") + QByteArray(80, '\x77');
    m.modbusNew = hex("0200012c0014") + QByteArray(94, '\x66');
    return m;
}

// A TCP server on a static address with Modbus TCP, cloud registration and a Chinese name.
Blocks tcpServerModule()
{
    return blocksWith(
        paramBlock({0xEE, "0700a8c00100a8c000ffffff", QStringLiteral("Q2-模块"),
                    QStringLiteral("admin"), QStringLiteral("12345"), 0x90, "00c2010008010101",
                    QStringLiteral("192.168.0.201"), 0xB7, 3, 4, 0, 1}));
}

// A UDP client with multicast on DHCP, a baud rate not in the list, and every text at the full
// width of its field (longer than the typing limits).
Blocks multicastModule()
{
    return blocksWith(
        paramBlock({0x4E, "0a01a8c00101a8c00000ffff", QStringLiteral("ABCDEFGHIJKLMNOP"),
                    QStringLiteral("abcdef"), QStringLiteral("uvwxyz"), 0x60, "00e8030007030205",
                    QStringLiteral("iot-gateway.station-01.example"), 0x4B, 5, 1, 0, 0}));
}

// An HTTPD client with a custom registration packet.
Blocks httpdModule()
{
    return blocksWith(paramBlock({0xA2, "0700a8c00100a8c000ffffff", QStringLiteral("web"),
                                  QStringLiteral("admin"), QStringLiteral("admin"), 0xF0,
                                  "80250000080101"
                                  "03",
                                  QStringLiteral("api.example.com"), 0x20, 4, 2, 1, 0}));
}

// A T0 module (no HTTPD client in its list) that reports work mode 4 anyway, and codes no list
// holds: parity 0, connection count 0.
Blocks t0Module()
{
    return blocksWith(
        paramBlock({0x81, "0700a8c00100a8c000ffffff", QStringLiteral("t0"), QStringLiteral("admin"),
                    QStringLiteral("admin"), 0x00, "0096000008000101", QStringLiteral("10.0.0.1"),
                    0x80, 4, 0, 0, 0}));
}

// What the main window does with a read's answers.
void showRead(Q2Panel &panel, const Blocks &m)
{
    panel.beginRead();
    panel.showQ2Params(parseBaseParam(m.param), parsePortParam(portBlock(m.param)));
    panel.showCloud(parseCloudParam(m.cloud));
    panel.showHeartReg(m.heartReg);
    const HttpdParams httpd = parseHttpd(m.httpd);
    panel.showHttpd(httpd.url, httpd.header);
    panel.showModbusShort(parseModbusShort(m.modbusShort), int(m.modbusShort.size()));
    panel.showModbusPack(parseModbusPack(m.modbusPack));
    panel.showModbusNew(parseModbusNew(m.modbusNew));
}

StoredAnswers storedFrom(const Blocks &m)
{
    StoredAnswers stored;
    for (const QByteArray &answer :
         {m.param, m.cloud, m.heartReg, m.httpd, m.modbusPack, m.modbusNew})
        stored.storeReply(answer);
    return stored;
}

// ---- Controls --------------------------------------------------------------------------------

template<class T> T *ctl(const QWidget &panel, const char *name)
{
    T *w = panel.findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QLineEdit *edit(const QWidget &p, const char *name)
{
    return ctl<QLineEdit>(p, name);
}

QComboBox *combo(const QWidget &p, const char *name)
{
    return ctl<QComboBox>(p, name);
}

QCheckBox *check(const QWidget &p, const char *name)
{
    return ctl<QCheckBox>(p, name);
}

bool shown(const QWidget &p, const char *name)
{
    return !ctl<QWidget>(p, name)->isHidden();
}

bool enabled(const QWidget &p, const char *name)
{
    return ctl<QWidget>(p, name)->isEnabled();
}

bool silver(const QWidget &p, const char *name)
{
    return ctl<QLabel>(p, name)->palette().color(QPalette::WindowText) == QColor(192, 192, 192);
}

QString lang(const char *key)
{
    return langText(QLatin1String(key));
}

// A panel whose message boxes are collected instead of shown.
struct Panel
{
    Panel()
    {
        p.setMessageFunction([this](QWidget *, const QString &t) { messages << t; });
    }
    Q2Panel p;
    QStringList messages;
};

} // namespace

Q_DECLARE_METATYPE(Blocks)

class TestQ2Panel : public QObject
{
    Q_OBJECT
private slots:
    void init() { setIsChinese(true); }

    void unchangedPanelSavesTheBlocksAsRead_data();
    void unchangedPanelSavesTheBlocksAsRead();
    void shownFromTheBlocks();
    void editsReachTheirBytes();

    void validationOrderAndMessages_data();
    void validationOrderAndMessages();
    void validationGroupsOnlyWhenShown();
    void failedValidationBuildsAndSendsNothing();
    void saveBeforeAnyReadIsRefused();

    void workModeRules_data();
    void workModeRules();
    void registrationRules_data();
    void registrationRules();
    void heartbeatRules_data();
    void heartbeatRules();
    void modbusAndAddressRules();
    void networkTabShowsTheNetworkOnlyParts();
    void modbusGroupsHiddenAtReadShownByAnswers();

    void hexCheckBoxesConvertTheField_data();
    void hexCheckBoxesConvertTheField();
    void customBaudRate_data();
    void customBaudRate();
    void wheelScrollsTheBoxOneLine();

    void languageSwitchKeepsSelections();
    void everyInputHasItsCaptionAsName();
    void buttonsAndWebPort();
    void grabScreenshots();
};

// ---- Show, then save -------------------------------------------------------------------------

void TestQ2Panel::unchangedPanelSavesTheBlocksAsRead_data()
{
    QTest::addColumn<Blocks>("module");
    QTest::addColumn<QString>("codes");
    QTest::newRow("TCP server, cloud") << tcpServerModule() << "05 06 0c 21 24 24 24 02";
    QTest::newRow("multicast, full-width texts") << multicastModule() << "05 06 21 24 24 24 02";
    QTest::newRow("HTTPD client") << httpdModule() << "05 06 21 22 23 24 24 24 02";
    QTest::newRow("T0 with an unlisted mode") << t0Module() << "05 06 21 24 24 24 02";
}

void TestQ2Panel::unchangedPanelSavesTheBlocksAsRead()
{
    QFETCH(Blocks, module);
    QFETCH(QString, codes);
    Panel panel;
    showRead(panel.p, module);
    StoredAnswers stored = storedFrom(module);
    const SavePlan plan = panel.p.prepareQ2Save(4017, stored);
    QCOMPARE(panel.messages, QStringList());
    QVERIFY(!plan.refused());

    QStringList sent;
    for (const PlannedFrame &f : plan.frames) {
        sent << QString::number(f.code, 16).rightJustified(2, QLatin1Char('0'));
        QByteArray expected;
        switch (f.code) {
        case 0x05:
            expected = baseBlock(module.param);
            break;
        case 0x06:
            expected = portBlock(module.param);
            break;
        case 0x0C:
            expected = module.cloud;
            break;
        case 0x21:
            expected = module.heartReg;
            break;
        case 0x22:
            expected = httpdUrlPart(module.httpd);
            break;
        case 0x23:
            expected = httpdHeaderPart(module.httpd);
            break;
        case 0x24:
            expected = f.data.size() == 4    ? module.modbusShort
                       : f.data.size() == 87 ? module.modbusPack
                                             : module.modbusNew;
            break;
        default:
            break;
        }
        QCOMPARE(f.data.toHex(' '), expected.toHex(' '));
    }
    QCOMPARE(sent.join(QLatin1Char(' ')), codes);
}

void TestQ2Panel::shownFromTheBlocks()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    showRead(panel.p, multicastModule());
    QCOMPARE(combo(p, "cbb_AddrType")->currentIndex(), 0);
    QCOMPARE(combo(p, "cbb_BaudRate0")->currentIndex(), 0);
    QCOMPARE(combo(p, "cbb_BaudRate0")->currentText(), QStringLiteral("256000"));
    QCOMPARE(combo(p, "cbb_P0")->currentText(), QStringLiteral("EVEN"));
    QCOMPARE(combo(p, "cbb_D0")->currentText(), QStringLiteral("7"));
    QCOMPARE(combo(p, "cbb_S0")->currentText(), QStringLiteral("2"));
    QCOMPARE(combo(p, "cbb_FlowControl0")->currentIndex(), 2);
    QCOMPARE(combo(p, "cbb_WorkMode0")->currentText(), QStringLiteral("UDP Client"));
    QVERIFY(check(p, "chkMulticast")->isChecked());
    QCOMPARE(combo(p, "cbb_WorkMode0")->count(), 5);
    // Texts longer than the typing limits are shown whole.
    QCOMPARE(edit(p, "edt_ModName")->text(), QStringLiteral("ABCDEFGHIJKLMNOP"));
    QCOMPARE(edit(p, "edt_username")->text(), QStringLiteral("abcdef"));
    QCOMPARE(edit(p, "edt_RemoteIP0")->text(), QStringLiteral("iot-gateway.station-01.example"));
    QCOMPARE(edit(p, "edt_SubnetMask")->text(), QStringLiteral("255.255.0.0"));
    QCOMPARE(combo(p, "RzComboBox2")->currentIndex(), 1); // MAC registration
    QCOMPARE(combo(p, "cbbHeartPackType")->currentIndex(), 1);
    QCOMPARE(combo(p, "RzComboBox1")->currentIndex(), 2); // network heartbeat
    QCOMPARE(edit(p, "edtHeartDt")->text(), QStringLiteral("0102AB"));
    QVERIFY(check(p, "rzchckbxHeartDtHex")->isChecked());
    QCOMPARE(edit(p, "edtRegDt")->text(), QStringLiteral("hello"));
    QVERIFY(!check(p, "rzchckbxRegDtHex")->isChecked());
    QCOMPARE(edit(p, "edtDid")->text(), QStringLiteral("12345678901234567890"));
    QCOMPARE(ctl<QPlainTextEdit>(p, "RzRichEdit1")->toPlainText(),
             QStringLiteral("X-A: 1\nX-B: 2\n"));
    QCOMPARE(combo(p, "cbbModbusType")->currentIndex(), 2);
    QCOMPARE(edit(p, "edtModbusTimeout")->text(), QStringLiteral("200"));
    QCOMPARE(edit(p, "edtwaittime")->text(), QStringLiteral("60"));

    // With both the MAC and the custom flag set, the custom type wins; T0 lists four modes.
    Blocks both = t0Module();
    both.param[kPortBlockOffset + 50] = char(0x40 | 0x10);
    both.param[kPortBlockOffset + 56] = 1;
    showRead(panel.p, both);
    QCOMPARE(combo(p, "RzComboBox2")->currentIndex(), 2);
    QCOMPARE(combo(p, "cbb_WorkMode0")->count(), 4);
    QCOMPARE(combo(p, "cbb_WorkMode0")->currentIndex(), -1);
    QVERIFY(check(p, "chkisT0")->isChecked());

    // A heartbeat block with neither registration bit leaves the registration mode as it was.
    combo(p, "cbbRegType")->setCurrentIndex(1);
    QByteArray heart = both.heartReg;
    heart[0] = char(0x02); // serial heartbeat only
    panel.p.showHeartReg(heart);
    QCOMPARE(combo(p, "cbbRegType")->currentIndex(), 1);
    QCOMPARE(combo(p, "RzComboBox1")->currentIndex(), 1);
}

void TestQ2Panel::editsReachTheirBytes()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    const Blocks module = httpdModule();
    showRead(panel.p, module);
    edit(p, "edt_StaticIP")->setText(QStringLiteral("10.1.2.3"));
    combo(p, "cbb_WorkMode0")->setCurrentIndex(0);
    check(p, "chkMulticast")->setChecked(true);
    combo(p, "RzComboBox2")->setCurrentIndex(3);
    check(p, "rzchckbx_Reset")->setChecked(false);
    combo(p, "cbb_TCPSvrCount0")->setCurrentIndex(15);
    ctl<QPlainTextEdit>(p, "RzRichEdit1")->setPlainText(QStringLiteral("A: 1\nB: 2"));
    combo(p, "cbb_WorkMode0")->setCurrentIndex(4); // back to HTTPD client, multicast stays ticked
    edit(p, "edtHeartDt")->setText(QStringLiteral("C0FFEE"));
    edit(p, "edtwaittime")->setText(QStringLiteral("300"));

    StoredAnswers stored = storedFrom(module);
    const SavePlan plan = panel.p.prepareQ2Save(4017, stored);
    QVERIFY(!plan.refused());
    const QByteArray base = plan.frames.at(0).data;
    const QByteArray port = plan.frames.at(1).data;
    QCOMPARE(base.mid(9, 4), hex("0302010a"));
    QCOMPARE(quint8(base.at(52)), quint8(0xE0)); // Reset cleared
    QCOMPARE(quint8(port.at(51)), quint8(4));
    QCOMPARE(quint8(port.at(53)), quint8(16));
    QCOMPARE(quint8(port.at(50)) & 0x10, 0x10); // cloud
    QCOMPARE(port.at(56), '\0');                // no longer custom
    QCOMPARE(plan.frames.at(2).code, quint8(0x0C));
    QCOMPARE(plan.frames.at(3).data.mid(3, 1), hex("03"));
    QCOMPARE(plan.frames.at(3).data.mid(5, 4), hex("c0ffee00"));
    const QByteArray header = plan.frames.at(5).data;
    QCOMPARE(header.left(11), QByteArray("\x0a"
                                         "A: 1\r\nB: 2"));
    QCOMPARE(plan.frames.at(6).data, hex("0101012c"));

    // Work mode 0 with multicast is written as 5.
    combo(p, "cbb_WorkMode0")->setCurrentIndex(0);
    const SavePlan multicast = panel.p.prepareQ2Save(4017, stored);
    QCOMPARE(quint8(multicast.frames.at(1).data.at(51)), quint8(5));
}

// ---- Validation ------------------------------------------------------------------------------

void TestQ2Panel::validationOrderAndMessages_data()
{
    QTest::addColumn<QStringList>("fields"); // objectName=text pairs, applied in order
    QTest::addColumn<QString>("message");
    const QString isNull = lang("lang_IsNull");
    const QString notNum = lang("lang_IsNotNum");
    auto row = [&](const char *name, const QStringList &fields, const QString &message) {
        QTest::newRow(name) << fields << message;
    };
    row("web port empty", {"edt_HTTPServerPort= "}, lang("lang_Lbl_HTTPPort") + isNull);
    row("web port not digits", {"edt_HTTPServerPort=8o"}, lang("lang_Lbl_HTTPPort") + notNum);
    row("web port negative", {"edt_HTTPServerPort=-1"}, lang("lang_Lbl_HTTPPort") + notNum);
    row("web port before local port", {"edt_LocalPort0=", "edt_HTTPServerPort="},
        lang("lang_Lbl_HTTPPort") + isNull);
    row("static IP", {"edt_StaticIP="}, lang("lang_Lbl_StaticIP") + isNull);
    row("DNS before the device name", {"edt_ModName=", "edtDns="},
        QStringLiteral("DNS地址为空，请写入数据！"));
    row("device name", {"edt_ModName="}, lang("lang_Lbl_DevName") + isNull);
    row("restart timeout", {"LabeledEdit1=12a"}, lang("lang_LabeledEdit1") + notNum);
    row("remote IP before remote port", {"edt_RemotePort0=", "edt_RemoteIP0="},
        lang("lang_Lbl_RemoteIP") + isNull);
    row("remote port", {"edt_RemotePort0=x"}, lang("lang_Lbl_RemotePort") + notNum);
    row("short-connection time only needs text", {"LabeledEditShortTime=abc", "edt_UARTTime0="},
        lang("lang_Lbl_PackTime") + isNull);
    row("short-connection time empty", {"LabeledEditShortTime="},
        lang("lang_LabeledEditShortTime") + isNull);
    row("packing length", {"edtUartPackLEN=4k"}, lang("lang_Lbl_PackLen") + notNum);
    row("heartbeat period", {"edtHeartTm=1.5"}, lang("lang_lblHeartTm") + notNum);
    row("heartbeat data while the heartbeat sends it",
        {"RzComboBox1=1", "cbbHeartPackType=1", "edtHeartDt="}, lang("lang_lblHeartDt") + isNull);
    row("no heartbeat data needed with the heartbeat off", {"RzComboBox1=0", "edtHeartDt="},
        QString());
    row("registration data", {"edtRegDt="}, lang("lang_lblRegTp") + isNull);
    row("newer Modbus before packing Modbus", {"edtModbusTimeout=", "edtModbusInterval1=z"},
        lang("lang_lblModbusInterval1") + notNum);
    row("packing Modbus", {"edtModbusTimeout="}, lang("lang_lblModbusTimeout") + isNull);
    row("polling time", {"edtwaittime=2s"}, lang("lang_lblhearttime") + notNum);
    row("HTTPD URL", {"LabeledEdit2="}, QStringLiteral("Httpd URL") + isNull);
    row("HTTPD header", {"RzRichEdit1="}, QStringLiteral("Httpd Header") + isNull);
    row("nothing wrong", {"LabeledEditShortTime=soon"}, QString());
}

void TestQ2Panel::validationOrderAndMessages()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, message);
    Panel panel;
    showRead(panel.p, httpdModule());
    for (const QString &field : fields) {
        const QString name = field.section(QLatin1Char('='), 0, 0);
        const QString value = field.section(QLatin1Char('='), 1);
        QWidget *w = ctl<QWidget>(panel.p, name.toLatin1().constData());
        if (auto *e = qobject_cast<QLineEdit *>(w))
            e->setText(value);
        else if (auto *t = qobject_cast<QPlainTextEdit *>(w))
            t->setPlainText(value);
        else if (auto *c = qobject_cast<QComboBox *>(w))
            c->setCurrentIndex(value.toInt());
    }
    QCOMPARE(panel.p.validateQ2Panel(), message.isEmpty());
    QCOMPARE(panel.messages, message.isEmpty() ? QStringList() : QStringList{message});
}

void TestQ2Panel::validationGroupsOnlyWhenShown()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    Blocks module = multicastModule(); // a UDP client: the HTTPD group is hidden
    showRead(panel.p, module);
    edit(p, "LabeledEdit2")->clear();
    panel.p.beginRead(); // no Modbus answers this time
    edit(p, "edtModbusTimeout")->clear();
    edit(p, "edtModbusTimeout1")->clear();
    edit(p, "edtwaittime")->clear();
    QVERIFY(panel.p.validateQ2Panel());

    // A module with the 1-byte Modbus form never fills the polling time, which stays hidden:
    // it cannot stop the save.
    panel.p.showModbusShort(parseModbusShort(hex("01")), 1);
    QVERIFY(panel.p.validateQ2Panel());
    panel.p.showModbusShort(parseModbusShort(hex("0101003c")), 4);
    edit(p, "edtwaittime")->clear();
    QVERIFY(!panel.p.validateQ2Panel());
    QCOMPARE(panel.messages.last(), lang("lang_lblhearttime") + lang("lang_IsNull"));
}

void TestQ2Panel::failedValidationBuildsAndSendsNothing()
{
    Panel panel;
    const Blocks module = tcpServerModule();
    showRead(panel.p, module);
    edit(panel.p, "edtDns")->clear();
    edit(panel.p, "edt_StaticIP")->setText(QStringLiteral("10.9.9.9"));
    StoredAnswers stored = storedFrom(module);
    const SavePlan plan = panel.p.prepareQ2Save(4017, stored);
    QCOMPARE(plan.refusal, SaveRefusal::Validation);
    QVERIFY(plan.frames.isEmpty());
    QCOMPARE(stored.param, module.param);
    QCOMPARE(panel.messages, QStringList{QStringLiteral("DNS地址为空，请写入数据！")});
    QCOMPARE(saveRefusalText(plan), QString());
}

void TestQ2Panel::saveBeforeAnyReadIsRefused()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    for (const char *name : {"edt_HTTPServerPort", "LabeledEdit1", "edtHeartTm"})
        edit(p, name)->setText(QStringLiteral("80"));
    for (const char *name :
         {"edt_StaticIP", "edt_username", "edt_password", "edt_SubnetMask", "edt_GatewayIP",
          "edtDns", "edt_ModName", "LabeledEditShortTime", "edtHeartDt", "edtRegDt", "edtwaittime"})
        edit(p, name)->setText(QStringLiteral("1.2.3.4"));
    edit(p, "edtwaittime")->setText(QStringLiteral("5"));
    QVERIFY(panel.p.validateQ2Panel());

    StoredAnswers stored;
    const SavePlan plan = panel.p.prepareQ2Save(4017, stored);
    QCOMPARE(plan.refusal, SaveRefusal::NoReadYet);
    QVERIFY(plan.frames.isEmpty());
    QCOMPARE(stored.param, QByteArray(kParamBlockSize, '\0'));
    QVERIFY(saveRefusalText(plan).contains(QStringLiteral("读取")));
    setIsChinese(false);
    QVERIFY(saveRefusalText(plan).contains(QStringLiteral("read")));

    // A field that does not convert names its caption.
    SavePlan bad;
    bad.refusal = SaveRefusal::BadField;
    bad.badField = QStringLiteral("Gateway");
    QVERIFY(saveRefusalText(bad).contains(lang("lang_Lbl_Gateway")));
}

// ---- Visibility and enabling -----------------------------------------------------------------

void TestQ2Panel::workModeRules_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("httpd");
    QTest::addColumn<bool>("dataDebug");
    QTest::addColumn<bool>("multicast");
    QTest::addColumn<bool>("modbusTcp");
    QTest::addColumn<bool>("serverOnly");
    QTest::addColumn<bool>("remoteIp");
    QTest::newRow("UDP client") << 0 << false << true << true << false << false << true;
    QTest::newRow("TCP client") << 1 << false << true << false << true << false << true;
    QTest::newRow("UDP server") << 2 << false << true << false << false << false << true;
    QTest::newRow("TCP server") << 3 << false << true << false << true << true << false;
    QTest::newRow("HTTPD client") << 4 << true << false << false << false << false << true;
}

void TestQ2Panel::workModeRules()
{
    QFETCH(int, mode);
    QFETCH(bool, httpd);
    QFETCH(bool, dataDebug);
    QFETCH(bool, multicast);
    QFETCH(bool, modbusTcp);
    QFETCH(bool, serverOnly);
    QFETCH(bool, remoteIp);
    Panel panel;
    const Q2Panel &p = panel.p;
    showRead(panel.p, tcpServerModule());
    combo(p, "cbb_WorkMode0")->setCurrentIndex(mode);
    QCOMPARE(shown(p, "RzGroupBoxHttpd"), httpd);
    QCOMPARE(enabled(p, "cbbGetPost"), httpd);
    QCOMPARE(shown(p, "btnDataDebug"), dataDebug);
    QCOMPARE(shown(p, "chkMulticast"), multicast);
    QCOMPARE(enabled(p, "cbb_ModbusTCP0"), modbusTcp);
    QCOMPARE(enabled(p, "cbb_TCPSvrCount0"), serverOnly);
    QCOMPARE(enabled(p, "cbb_TCPStyle0"), serverOnly);
    QCOMPARE(silver(p, "lbl_TCPSvrCount0"), !serverOnly);
    QCOMPARE(enabled(p, "edt_RemoteIP0"), remoteIp);
    QCOMPARE(silver(p, "lbl_RemoteIP0"), !remoteIp);
}

void TestQ2Panel::registrationRules_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("cloud");
    QTest::addColumn<bool>("mode");
    QTest::addColumn<bool>("data");
    QTest::newRow("off") << 0 << false << false << false;
    QTest::newRow("MAC") << 1 << false << true << false;
    QTest::newRow("custom") << 2 << false << true << true;
    QTest::newRow("cloud") << 3 << true << false << false;
}

void TestQ2Panel::registrationRules()
{
    QFETCH(int, type);
    QFETCH(bool, cloud);
    QFETCH(bool, mode);
    QFETCH(bool, data);
    Panel panel;
    const Q2Panel &p = panel.p;
    showRead(panel.p, httpdModule());
    combo(p, "RzComboBox2")->setCurrentIndex(type);
    for (const char *name : {"lblDid", "edtDid", "lblCompass", "edtCompass"})
        QCOMPARE(shown(p, name), cloud);
    for (const char *name : {"lblRegSnd", "cbbRegType"})
        QCOMPARE(shown(p, name), mode);
    for (const char *name : {"lblRegTp", "edtRegDt", "rzchckbxRegDtHex"})
        QCOMPARE(shown(p, name), data);
    QCOMPARE(panel.p.registrationType(), type);
}

void TestQ2Panel::heartbeatRules_data()
{
    QTest::addColumn<int>("heartbeat");
    QTest::addColumn<int>("packetType");
    QTest::addColumn<bool>("settings");
    QTest::addColumn<bool>("data");
    QTest::newRow("off, custom") << 0 << 1 << false << false;
    QTest::newRow("serial, MAC") << 1 << 0 << true << false;
    QTest::newRow("serial, custom") << 1 << 1 << true << true;
    QTest::newRow("network, custom") << 2 << 1 << true << true;
    QTest::newRow("network, MAC") << 2 << 0 << true << false;
}

void TestQ2Panel::heartbeatRules()
{
    QFETCH(int, heartbeat);
    QFETCH(int, packetType);
    QFETCH(bool, settings);
    QFETCH(bool, data);
    Panel panel;
    const Q2Panel &p = panel.p;
    combo(p, "RzComboBox1")->setCurrentIndex(heartbeat);
    combo(p, "cbbHeartPackType")->setCurrentIndex(packetType);
    for (const char *name : {"lblHeartPackType", "cbbHeartPackType", "lblHeartTm", "edtHeartTm"})
        QCOMPARE(shown(p, name), settings);
    for (const char *name : {"lblHeartDt", "edtHeartDt", "rzchckbxHeartDtHex"})
        QCOMPARE(shown(p, name), data);
}

void TestQ2Panel::modbusAndAddressRules()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    const QList<const char *> packTimes = {"lblModbusTimeout",   "edtModbusTimeout",
                                           "lblModbusInterval",  "edtModbusInterval",
                                           "lblModbusException", "cbbModbusException"};
    for (int mode : {0, 1, 2}) {
        combo(p, "cbbModbusType")->setCurrentIndex(mode);
        QCOMPARE(shown(p, "cbbReporproto"), mode == 2);
        QCOMPARE(shown(p, "lblReportProto"), mode == 2);
        for (const char *name : packTimes)
            QCOMPARE(shown(p, name), mode != 0);
        combo(p, "cmbModbusEnable1")->setCurrentIndex(mode);
        for (const char *name :
             {"lblModbusTimeout1", "edtModbusTimeout1", "lblModbusInterval1", "edtModbusInterval1",
              "lblModbusException1", "cmbModbusException1"})
            QCOMPARE(shown(p, name), mode == 2);
    }

    combo(p, "cbb_AddrType")->setCurrentIndex(0); // DHCP
    for (const char *name : {"edt_StaticIP", "edt_GatewayIP", "edt_SubnetMask", "edtDns"})
        QVERIFY(!enabled(p, name));
    for (const char *name : {"lbl_StaticIP", "lbl_GatewayIP", "lbl_SubnetMask", "lblDns"})
        QVERIFY(silver(p, name));
    combo(p, "cbb_AddrType")->setCurrentIndex(1);
    QVERIFY(enabled(p, "edtDns"));
    QVERIFY(!silver(p, "lblDns"));
}

void TestQ2Panel::networkTabShowsTheNetworkOnlyParts()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    showRead(panel.p, httpdModule());
    QVERIFY(shown(p, "RzGroupBoxHttpd"));
    QVERIFY(shown(p, "btn_Q2NetSet"));
    QVERIFY(!shown(p, "btn_Q2ComSet"));

    panel.p.setNetworkTab(false);
    for (const char *name :
         {"RzGroupBoxHttpd", "RzGroupBoxHeart", "rzgrpbxRegHeart", "rzchckbxComSetEnable",
          "lbl_UARTTime0", "edt_UARTTime0", "lblUartPackLEN", "edtUartPackLEN", "rzchbUdpFrom",
          "RzGroupBox1", "rzgrpbxModbusNew", "rzgrpbxModbus", "btn_Q2NetSet"})
        QVERIFY2(!shown(p, name), name);
    QVERIFY(shown(p, "btn_Q2ComSet"));
    // The work mode cannot bring the HTTPD group back on the serial tab.
    combo(p, "cbb_WorkMode0")->setCurrentIndex(1);
    combo(p, "cbb_WorkMode0")->setCurrentIndex(4);
    QVERIFY(!shown(p, "RzGroupBoxHttpd"));

    panel.p.setNetworkTab(true);
    QVERIFY(shown(p, "RzGroupBoxHttpd"));
    QVERIFY(shown(p, "RzGroupBoxHeart"));
    combo(p, "cbb_WorkMode0")->setCurrentIndex(1);
    panel.p.setNetworkTab(true);
    QVERIFY(!shown(p, "RzGroupBoxHttpd"));
}

void TestQ2Panel::modbusGroupsHiddenAtReadShownByAnswers()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    panel.p.beginRead();
    for (const char *name :
         {"RzGroupBox1", "rzgrpbxModbus", "rzgrpbxModbusNew", "rzchckbxmodbustcp",
          "rzchckbxmodbuspool", "lblhearttime", "edtwaittime"})
        QVERIFY2(!shown(p, name), name);
    QVERIFY(!panel.p.modbusShortShown());

    panel.p.showModbusShort(parseModbusShort(hex("01")), 1);
    QVERIFY(shown(p, "RzGroupBox1"));
    QVERIFY(shown(p, "rzchckbxmodbustcp"));
    QVERIFY(check(p, "rzchckbxmodbustcp")->isChecked());
    QVERIFY(!shown(p, "rzchckbxmodbuspool"));
    QVERIFY(!shown(p, "edtwaittime"));
    QCOMPARE(panel.p.modbusShortForm(), 1);
    QVERIFY(!shown(p, "rzgrpbxModbus"));

    panel.p.showModbusShort(parseModbusShort(hex("0001003c")), 4);
    for (const char *name :
         {"rzchckbxmodbustcp", "rzchckbxmodbuspool", "lblhearttime", "edtwaittime"})
        QVERIFY2(shown(p, name), name);
    QVERIFY(!check(p, "rzchckbxmodbustcp")->isChecked());
    QCOMPARE(edit(p, "edtwaittime")->text(), QStringLiteral("60"));
    QCOMPARE(panel.p.modbusShortForm(), 4);

    panel.p.showModbusNew(parseModbusNew(hex("01")));
    QVERIFY(shown(p, "rzgrpbxModbusNew"));
    QVERIFY(!shown(p, "edtModbusTimeout1")); // mode 1: times not shown
    QVERIFY(!shown(p, "rzgrpbxModbus"));
    panel.p.showModbusPack(parseModbusPack(hex("01")));
    QVERIFY(shown(p, "rzgrpbxModbus"));
    QVERIFY(shown(p, "edtModbusTimeout"));
    QVERIFY(!shown(p, "cbbReporproto"));
}

// ---- Field conversions -----------------------------------------------------------------------

void TestQ2Panel::hexCheckBoxesConvertTheField_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("hexText");
    QTest::newRow("digits") << "1234"
                            << "31323334";
    QTest::newRow("Chinese, GB18030 bytes") << "心跳"
                                            << "D0C4CCF8";
    QTest::newRow("empty") << ""
                           << "";
}

void TestQ2Panel::hexCheckBoxesConvertTheField()
{
    QFETCH(QString, plain);
    QFETCH(QString, hexText);
    Panel panel;
    const Q2Panel &p = panel.p;
    for (const auto &[box, field] :
         {std::pair{"rzchckbxHeartDtHex", "edtHeartDt"}, {"rzchckbxRegDtHex", "edtRegDt"}}) {
        edit(p, field)->setText(plain);
        check(p, box)->setChecked(true);
        QCOMPARE(edit(p, field)->text(), hexText);
        check(p, box)->setChecked(false);
        QCOMPARE(edit(p, field)->text(), plain);
    }
    // Clearing the box on text that is not hex leaves it as it is.
    for (const QString &notHex :
         {QStringLiteral("zz12"), QStringLiteral("12 34"), QStringLiteral("心跳")})
        QCOMPARE(hexToPlainField(notHex), notHex);
    QCOMPARE(hexToPlainField(QStringLiteral("3132333")), QStringLiteral("123"));
}

void TestQ2Panel::customBaudRate_data()
{
    QTest::addColumn<QVariant>("answer"); // a string, or nothing for cancel
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("item0");
    QTest::newRow("a rate") << QVariant(QStringLiteral("250000")) << "250000"
                            << "250000";
    QTest::newRow("letters") << QVariant(QStringLiteral("fast")) << "9600"
                             << "115200";
    QTest::newRow("zero") << QVariant(QStringLiteral("0")) << "9600"
                          << "115200";
    QTest::newRow("negative") << QVariant(QStringLiteral("-9600")) << "9600"
                              << "115200";
    QTest::newRow("cancelled") << QVariant() << "9600"
                               << "115200";
}

void TestQ2Panel::customBaudRate()
{
    QFETCH(QVariant, answer);
    QFETCH(QString, selected);
    QFETCH(QString, item0);
    Panel panel;
    QString asked;
    panel.p.setPromptFunction([&](QWidget *, const QString &title, const QString &,
                                  const QString &initial, const Q2Panel::PromptDone &done) {
        asked = title + QLatin1Char('|') + initial;
        done(answer.isValid() ? std::optional<QString>(answer.toString()) : std::nullopt);
    });
    QComboBox *baud = combo(panel.p, "cbb_BaudRate0");
    baud->setCurrentIndex(1);
    emit baud->activated(1);
    QCOMPARE(asked, lang("lang_InputBdTitle") + QStringLiteral("|115200"));
    QCOMPARE(baud->currentText(), selected);
    QCOMPARE(baud->itemText(0), item0);
    QCOMPARE(baud->count(), 15);
}

void TestQ2Panel::wheelScrollsTheBoxOneLine()
{
    Panel panel;
    panel.p.resize(528, 300);
    panel.p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel.p));
    QScrollBar *bar = ctl<QScrollArea>(panel.p, "scrbx_Q2")->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QComboBox *mode = combo(panel.p, "cbb_BaudRate0");
    const int index = mode->currentIndex();

    auto wheel = [](QWidget *target, int delta) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    };
    wheel(mode, -120);
    QCOMPARE(bar->value(), bar->singleStep());
    QCOMPARE(mode->currentIndex(), index); // the wheel never changes a value
    wheel(ctl<QScrollArea>(panel.p, "scrbx_Q2")->viewport(), 0);
    QCOMPARE(bar->value(), 2 * bar->singleStep());
    wheel(edit(panel.p, "edtDns"), 240);
    QCOMPARE(bar->value(), bar->singleStep());
}

// ---- Texts -----------------------------------------------------------------------------------

void TestQ2Panel::languageSwitchKeepsSelections()
{
    Panel panel;
    const Q2Panel &p = panel.p;
    showRead(panel.p, tcpServerModule());
    const QList<std::pair<const char *, int>> selections = {
        {"cbb_AddrType", 0},  {"RzComboBox2", 2},      {"cbbRegType", 1},
        {"RzComboBox1", 1},   {"cbbHeartPackType", 0}, {"cbbModbusType", 1},
        {"cbbReporproto", 0}, {"cmbModbusEnable1", 2}, {"cmbModbusException1", 0},
        {"cbb_BaudRate0", 7}, {"cbb_TCPStyle0", 2},    {"cbbModbusException", 0}};
    for (const auto &[name, index] : selections)
        combo(p, name)->setCurrentIndex(index);

    setIsChinese(false);
    panel.p.applyQ2Texts();
    for (const auto &[name, index] : selections)
        QCOMPARE(combo(p, name)->currentIndex(), index);
    QCOMPARE(combo(p, "RzComboBox2")->itemText(3), QStringLiteral("Enable WEXO Cloud"));
    QCOMPARE(combo(p, "cbb_BaudRate0")->itemText(1), QStringLiteral("Custom"));
    QCOMPARE(combo(p, "cbbReporproto")->itemText(1), QStringLiteral("JSON"));
    QCOMPARE(combo(p, "cbb_BaudRate0")->count(), 15);
    QCOMPARE(ctl<QLabel>(p, "lbl_StaticIP")->text(), QStringLiteral("ModuleStaticIP *"));
    QCOMPARE(ctl<QLabel>(p, "lbl_AddrType")->text(), QStringLiteral("IP Type *"));
    QCOMPARE(ctl<QGroupBox>(p, "rzgrpbxRegHeart")->title(), QStringLiteral("Register"));
    QCOMPARE(ctl<QPushButton>(p, "btn_Q2NetSet")->text(), QStringLiteral("Save Config"));
    QCOMPARE(edit(p, "edt_SubnetMask")->toolTip(), lang("lang_lbl_H_SubnetMask"));
    QCOMPARE(edit(p, "edt_GatewayIP")->toolTip(), lang("lang_lbl_H_GatewayIP"));
    QCOMPARE(edit(p, "edt_StaticIP")->accessibleName(), QStringLiteral("ModuleStaticIP *"));
    // The change handler of the packing list ran: mode 1 shows the times.
    QVERIFY(shown(p, "edtModbusTimeout"));

    setIsChinese(true);
    panel.p.applyQ2Texts();
    for (const auto &[name, index] : selections)
        QCOMPARE(combo(p, name)->currentIndex(), index);
    QCOMPARE(ctl<QLabel>(p, "lbl_StaticIP")->text(), QStringLiteral("模块静态IP *"));
    QCOMPARE(ctl<QLabel>(p, "lbl_SubnetMask")->text(), QStringLiteral("子网掩码 *"));
    QCOMPARE(ctl<QLabel>(p, "lbl_GatewayIP")->text(), QStringLiteral("网关 *"));
    QCOMPARE(combo(p, "cbbRegType")->itemText(1), QStringLiteral("数据携带"));
    QCOMPARE(ctl<QGroupBox>(p, "grp_BaseSave")->title(),
             QStringLiteral("基础设置 (不带*的一般保持默认)"));
    QCOMPARE(check(p, "rzchckbx_Reset")->text(), QStringLiteral("Reset"));
}

void TestQ2Panel::everyInputHasItsCaptionAsName()
{
    Panel panel;
    QStringList unnamed;
    for (QWidget *w : panel.p.findChildren<QWidget *>()) {
        const bool input = qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) ||
                           qobject_cast<QPlainTextEdit *>(w);
        if (!input || w->objectName().isEmpty() || w->parent()->inherits("QComboBox"))
            continue;
        if (w->accessibleName().isEmpty())
            unnamed << w->objectName();
    }
    QCOMPARE(unnamed, QStringList());
    QCOMPARE(edit(panel.p, "edtDns")->accessibleName(), lang("lang_lblDns"));
    QCOMPARE(combo(panel.p, "cbb_S0")->accessibleName(), lang("lang_Lbl_PDS"));
}

void TestQ2Panel::buttonsAndWebPort()
{
    Panel panel;
    QSignalSpy net(&panel.p, &Q2Panel::q2NetSetClicked);
    QSignalSpy com(&panel.p, &Q2Panel::q2ComSetClicked);
    QSignalSpy debug(&panel.p, &Q2Panel::dataDebugClicked);
    ctl<QPushButton>(panel.p, "btn_Q2NetSet")->click();
    ctl<QPushButton>(panel.p, "btnDataDebug")->click();
    ctl<QPushButton>(panel.p, "btn_Q2ComSet")->click();
    QCOMPARE(net.size(), 1);
    QCOMPARE(debug.size(), 1);
    QCOMPARE(com.size(), 1);
    panel.p.setSavesEnabled(false);
    ctl<QPushButton>(panel.p, "btn_Q2NetSet")->click();
    QCOMPARE(net.size(), 1);
    QVERIFY(!enabled(panel.p, "btn_Q2ComSet"));
    panel.p.setSavesEnabled(true);
    QVERIFY(enabled(panel.p, "btn_Q2NetSet"));

    QCOMPARE(panel.p.webServerPortText(), QStringLiteral(":80"));
    edit(panel.p, "edt_HTTPServerPort")->setText(QStringLiteral("8080"));
    QCOMPARE(panel.p.webServerPortText(), QStringLiteral(":8080"));

    showRead(panel.p, tcpServerModule());
    QCOMPARE(panel.p.workModeIndex(), 3);
    QCOMPARE(panel.p.remoteIpText(), QStringLiteral("192.168.0.201"));
    QCOMPARE(panel.p.localPortText(), QStringLiteral("5555"));
    QCOMPARE(panel.p.remotePortText(), QStringLiteral("8234"));
}

// Writes the panel, filled from a module, in both languages to $X7_SCREENSHOT_DIR.
void TestQ2Panel::grabScreenshots()
{
    const QString dir = qEnvironmentVariable("X7_SCREENSHOT_DIR");
    if (dir.isEmpty())
        QSKIP("set X7_SCREENSHOT_DIR to write the screenshots");
    QDir().mkpath(dir);
    for (bool chinese : {true, false}) {
        setIsChinese(chinese);
        Panel panel;
        showRead(panel.p, httpdModule());
        panel.p.applyQ2Texts();
        panel.p.resize(528, 1500);
        panel.p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel.p));
        // Nothing is cut off at the panel's width in the main window.
        const QScrollArea *box = ctl<QScrollArea>(panel.p, "scrbx_Q2");
        QVERIFY(box->widget()->minimumSizeHint().width() <= box->viewport()->width());
        const QString file = dir + (chinese ? "/q2panel-zh.png" : "/q2panel-en.png");
        QVERIFY(panel.p.grab().save(file));
        panel.p.resize(528, 640);
        QTest::qWait(50); // the scroll box lays itself out again
        QVERIFY(panel.p.grab().save(
            dir + (chinese ? "/q2panel-zh-window.png" : "/q2panel-en-window.png")));
    }
}

QTEST_MAIN(TestQ2Panel)
#include "tst_q2panel.moc"
