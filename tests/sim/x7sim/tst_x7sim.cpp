// A simulated module as a table: which blocks a read returns, where each write lands, which
// frames it refuses and how, the silence after a restart, and what a factory reset restores.

#include "SimModule.h"

#include <QStringEncoder>
#include <QTest>

namespace {

const QByteArray kMac = QByteArray::fromHex("D8B04C001001");
const QByteArray kSearch = QByteArray::fromHex("FF010102");

quint8 sum8(const QByteArray &bytes, int first, int last)
{
    int sum = 0;
    for (int i = first; i <= last; ++i)
        sum += quint8(bytes.at(i));
    return quint8(sum);
}

QByteArray field6(const QByteArray &text)
{
    return text.leftJustified(6, '\0', true);
}

// FF, 19 + n, code, MAC, user, password, data, Checksum8 of bytes 1 to 20 + n.
QByteArray frame(quint8 code, const QByteArray &data = {}, const QByteArray &user = "qpwzk",
                 const QByteArray &password = "qpwzk", const QByteArray &mac = kMac)
{
    QByteArray f;
    f.append(char(0xFF));
    f.append(char(19 + data.size()));
    f.append(char(code));
    f.append(mac);
    f.append(field6(user));
    f.append(field6(password));
    f.append(data);
    f.append(char(sum8(f, 1, int(f.size()) - 1)));
    return f;
}

QByteArray ack(quint8 code, char letter)
{
    return QByteArray("\xFF\x01", 2) + char(code) + letter;
}

SimModuleConfig config(SimModuleConfig::Model model = SimModuleConfig::Q2, int version = 4017,
                       const QString &blocks = QStringLiteral("base,cloud,heart,httpd"),
                       int modbus = 4)
{
    SimModuleConfig c;
    c.model = model;
    c.version = version;
    c.name = QStringLiteral("泵站-1");
    c.mac = kMac;
    c.ip = QByteArray::fromHex("0A010203"); // 10.1.2.3
    if (!parseSimBlockSet(blocks, c.blocks))
        qFatal("bad block set in the fixture: %s", qPrintable(blocks));
    c.blocks.modbus = modbus;
    return c;
}

QByteArray *blockOf(SimMemory &m, const QString &name)
{
    if (name == QLatin1String("param"))
        return &m.param;
    if (name == QLatin1String("cloud"))
        return &m.cloud;
    if (name == QLatin1String("heart"))
        return &m.heartReg;
    if (name == QLatin1String("httpd"))
        return &m.httpd;
    return &m.modbus;
}

// Bytes that differ from `old` at every position, so a byte that did not land shows.
QByteArray inverted(const QByteArray &old)
{
    QByteArray out = old;
    for (char &c : out)
        c = char(~quint8(c));
    return out;
}

QByteArray gb(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

} // namespace

class TestX7Sim : public QObject
{
    Q_OBJECT
private slots:
    void readAnswersTheBlocksItHas_data();
    void readAnswersTheBlocksItHas();
    void factoryBlocksMatchTheSearchAnswer();
    void bytesWithoutSettingHoldTheFill_data();
    void bytesWithoutSettingHoldTheFill();
    void nameFieldKeepsWholeCharacters_data();
    void nameFieldKeepsWholeCharacters();
    void writeLandsAtItsOffsets_data();
    void writeLandsAtItsOffsets();
    void refusedFramesChangeNothing_data();
    void refusedFramesChangeNothing();
    void commandOnTheOtherFamilysPortIsIgnored_data();
    void commandOnTheOtherFamilysPortIsIgnored();
    void restartSilencesTheModule();
    void settingsTakeEffectAtRestart();
    void factoryResetRestoresEveryBlock();
    void dumpLinesCarryEveryBlock();
    void blockSetOption_data();
    void blockSetOption();
    void loginOption_data();
    void loginOption();
};

void TestX7Sim::readAnswersTheBlocksItHas_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("blocks");
    QTest::addColumn<int>("modbus");
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("fromPort");

    const QString all = QStringLiteral("base,cloud,heart,httpd");
    QTest::newRow("Q2 4017, every block, Modbus 4")
        << int(SimModuleConfig::Q2) << 4017 << all << 4 << QList<int>{130, 50, 85, 302, 4} << 1500;
    QTest::newRow("Q2 4017, Modbus 1")
        << int(SimModuleConfig::Q2) << 4017 << all << 1 << QList<int>{130, 50, 85, 302, 1} << 1500;
    QTest::newRow("Q2 4017, Modbus packing 87") << int(SimModuleConfig::Q2) << 4017 << all << 87
                                                << QList<int>{130, 50, 85, 302, 87} << 1500;
    QTest::newRow("Q2 5000, newer Modbus 100, no cloud")
        << int(SimModuleConfig::Q2) << 5000 << QStringLiteral("base,heart,httpd") << 100
        << QList<int>{130, 85, 302, 100} << 1500;
    QTest::newRow("Q2 4016 has no heartbeat or HTTPD block")
        << int(SimModuleConfig::Q2) << 4016 << all << 4 << QList<int>{130, 50, 4} << 1500;
    QTest::newRow("Q2 4017 without Modbus")
        << int(SimModuleConfig::Q2) << 4017 << all << 0 << QList<int>{130, 50, 85, 302} << 1500;
    QTest::newRow("Q3 answers from 1901") << int(SimModuleConfig::Q3) << 4017
                                          << QStringLiteral("base") << 0 << QList<int>{130} << 1901;
    QTest::newRow("no blocks at all: silence")
        << int(SimModuleConfig::Q2) << 4017 << QStringLiteral("none") << 0 << QList<int>{} << 1500;
}

void TestX7Sim::readAnswersTheBlocksItHas()
{
    QFETCH(int, model);
    QFETCH(int, version);
    QFETCH(QString, blocks);
    QFETCH(int, modbus);
    QFETCH(QList<int>, lengths);
    QFETCH(int, fromPort);

    SimModule module(config(SimModuleConfig::Model(model), version, blocks, modbus));
    // A Q3 reads on 1901, a Q2 on 1500, and answers from that port.
    const SimReply reply = module.handle(frame(0x03), quint16(fromPort), 0);
    QList<int> got;
    for (const SimAnswer &a : reply.answers) {
        got << int(a.bytes.size());
        QCOMPARE(a.fromPort, quint16(fromPort));
    }
    QCOMPARE(got, lengths);
    QVERIFY(!reply.blocksChanged);
    // The answers are the module's memory, in the order of blocks().
    const QList<SimNamedBlock> named = module.blocks();
    QCOMPARE(named.size(), reply.answers.size());
    for (int i = 0; i < named.size(); ++i)
        QCOMPARE(reply.answers.at(i).bytes, named.at(i).bytes);
}

void TestX7Sim::factoryBlocksMatchTheSearchAnswer()
{
    SimModule module(config());
    const QByteArray param = module.memory().param;
    QCOMPARE(param.mid(53, 6), kMac);                            // user MAC
    QCOMPARE(param.mid(9, 4), QByteArray::fromHex("0302010A"));  // IP, low byte first
    QCOMPARE(param.mid(17, 4), QByteArray::fromHex("00FFFFFF")); // 255.255.255.0
    QCOMPARE(param.mid(21, 16), gb(QStringLiteral("泵站-1")).leftJustified(16, '\0'));
    QCOMPARE(param.mid(37, 6), field6("qpwzk"));                 // login user
    QCOMPARE(param.mid(43, 6), field6("qpwzk"));                 // login password
    QCOMPARE(param.mid(67, 4), QByteArray::fromHex("00C20100")); // 115200 baud
    QCOMPARE(param.mid(71, 4), QByteArray::fromHex("08010101")); // 8 N 1, no flow control
    QCOMPARE(param.mid(75, 4), QByteArray(4, '\0'));             // reserved

    const QByteArray search = module.handle(kSearch, 1500, 0).answers.value(0).bytes;
    QCOMPARE(search.size(), 36);
    QCOMPARE(search.left(3), QByteArray::fromHex("FF2401"));
    QCOMPARE(search.mid(5, 4), QByteArray::fromHex("0A010203")); // natural order
    QCOMPARE(search.mid(9, 6), kMac);
    QCOMPARE(search.mid(15, 2), QByteArray::fromHex("B10F")); // 4017
    QCOMPARE(search.mid(19, 14), param.mid(21, 14));

    // The search is answered on 1500 only.
    QVERIFY(module.handle(kSearch, 1901, 0).answers.isEmpty());
}

void TestX7Sim::bytesWithoutSettingHoldTheFill_data()
{
    QTest::addColumn<int>("modbus");
    QTest::addColumn<QString>("block");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");

    QTest::newRow("base 0-2") << 4 << "param" << 0 << 2;
    QTest::newRow("base 8") << 4 << "param" << 8 << 8;
    QTest::newRow("base 49-51") << 4 << "param" << 49 << 51;
    QTest::newRow("base 64-66") << 4 << "param" << 64 << 66;
    QTest::newRow("port 46-49") << 4 << "param" << 67 + 46 << 67 + 49;
    QTest::newRow("port 57") << 4 << "param" << 67 + 57 << 67 + 57;
    QTest::newRow("cloud 0-1") << 4 << "cloud" << 0 << 1;
    QTest::newRow("cloud 30-49") << 4 << "cloud" << 30 << 49;
    QTest::newRow("HTTPD URL field past its text") << 4 << "httpd" << 11 << 100;
    QTest::newRow("HTTPD header field past its text") << 4 << "httpd" << 126 << 301;
    QTest::newRow("Modbus packing 7-86") << 87 << "modbus" << 7 << 86;
    QTest::newRow("newer Modbus 6-99") << 100 << "modbus" << 6 << 99;
}

// A test can only prove that the program carries a byte through if that byte is not zero.
void TestX7Sim::bytesWithoutSettingHoldTheFill()
{
    QFETCH(int, modbus);
    QFETCH(QString, block);
    QFETCH(int, first);
    QFETCH(int, last);

    SimModule module(
        config(SimModuleConfig::Q2, 4017, QStringLiteral("base,cloud,heart,httpd"), modbus));
    SimMemory m = module.memory();
    const QByteArray bytes = *blockOf(m, block);
    for (int i = first; i <= last; ++i)
        QCOMPARE(quint8(bytes.at(i)), quint8(0xA0 | (i & 0x0F)));
}

void TestX7Sim::nameFieldKeepsWholeCharacters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("short, NUL-padded") << "Boiler" << QByteArray("Boiler").leftJustified(16, '\0');
    QTest::newRow("exactly 16 bytes") << "ABCDEFGHIJKLMNOP" << QByteArray("ABCDEFGHIJKLMNOP");
    QTest::newRow("longer: cut at 16") << "ABCDEFGHIJKLMNOPQR" << QByteArray("ABCDEFGHIJKLMNOP");
    // 15 bytes and a two-byte character: the character does not fit and is left out whole.
    QTest::newRow("no half character") << QStringLiteral("ABCDEFGHIJKLMNO泵")
                                       << QByteArray("ABCDEFGHIJKLMNO").leftJustified(16, '\0');
    QTest::newRow("eight two-byte characters fill it")
        << QStringLiteral("模块名称很长的名字") << gb(QStringLiteral("模块名称很长的名"));
}

void TestX7Sim::nameFieldKeepsWholeCharacters()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, field);
    SimModuleConfig c = config();
    c.name = name;
    SimModule module(c);
    QCOMPARE(module.memory().param.mid(21, 16), field);
    QCOMPARE(module.searchAnswer().mid(19, 14), field.left(14));
}

void TestX7Sim::writeLandsAtItsOffsets_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("modbus");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("block");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("size");

    const int q2 = SimModuleConfig::Q2;
    QTest::newRow("0x05 base") << q2 << 4 << 0x05 << "param" << 0 << 67;
    QTest::newRow("0x06 port") << q2 << 4 << 0x06 << "param" << 67 << 63;
    QTest::newRow("0x0C cloud") << q2 << 4 << 0x0C << "cloud" << 0 << 50;
    QTest::newRow("0x21 heartbeat/registration") << q2 << 4 << 0x21 << "heart" << 0 << 85;
    QTest::newRow("0x22 HTTPD URL part") << q2 << 4 << 0x22 << "httpd" << 0 << 101;
    QTest::newRow("0x23 HTTPD header part") << q2 << 4 << 0x23 << "httpd" << 101 << 201;
    QTest::newRow("0x24 Modbus 1") << q2 << 1 << 0x24 << "modbus" << 0 << 1;
    QTest::newRow("0x24 Modbus 4") << q2 << 4 << 0x24 << "modbus" << 0 << 4;
    QTest::newRow("0x24 Modbus packing 87") << q2 << 87 << 0x24 << "modbus" << 0 << 87;
    QTest::newRow("0x24 newer Modbus 100") << q2 << 100 << 0x24 << "modbus" << 0 << 100;
    const int q3 = SimModuleConfig::Q3;
    QTest::newRow("Q3 0x05 base") << q3 << 0 << 0x05 << "param" << 0 << 67;
    QTest::newRow("Q3 0x06 port") << q3 << 0 << 0x06 << "param" << 67 << 63;
}

void TestX7Sim::writeLandsAtItsOffsets()
{
    QFETCH(int, model);
    QFETCH(int, modbus);
    QFETCH(int, code);
    QFETCH(QString, block);
    QFETCH(int, offset);
    QFETCH(int, size);

    SimModule module(config(SimModuleConfig::Model(model), 4017,
                            QStringLiteral("base,cloud,heart,httpd"), modbus));
    SimMemory expected = module.memory();
    QByteArray *target = blockOf(expected, block);
    const QByteArray data = inverted(target->mid(offset, size));
    target->replace(offset, size, data);

    const SimReply reply = module.handle(frame(quint8(code), data), module.port(), 0);
    QCOMPARE(reply.answers.size(), 1);
    QCOMPARE(reply.answers.at(0).bytes, ack(quint8(code), 'K'));
    QCOMPARE(reply.answers.at(0).fromPort, module.port());
    QVERIFY(reply.blocksChanged);
    // The bytes landed where they belong, and no other byte of any block moved.
    QCOMPARE(module.memory(), expected);
}

void TestX7Sim::refusedFramesChangeNothing_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("blocks");
    QTest::addColumn<int>("modbus");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("answer"); // empty: silence

    const int q2 = SimModuleConfig::Q2;
    const QString all = QStringLiteral("base,cloud,heart,httpd");
    const QByteArray base(67, 0x11);

    QByteArray badSum = frame(0x05, base);
    const quint8 rightSum = quint8(badSum.back());
    badSum.back() = char(rightSum + 1);
    QTest::newRow("bad checksum: E and the expected sum")
        << q2 << 4017 << all << 4 << badSum << (QByteArray("E") + char(rightSum));
    QByteArray badSumBadLogin = frame(0x03, {}, "nobody");
    const quint8 readSum = quint8(badSumBadLogin.back());
    badSumBadLogin.back() = char(readSum ^ 0xFF);
    QTest::newRow("the checksum is checked before the login")
        << q2 << 4017 << all << 4 << badSumBadLogin << (QByteArray("E") + char(readSum));

    QTest::newRow("wrong user name: P")
        << q2 << 4017 << all << 4 << frame(0x05, base, "admin") << ack(0x05, 'P');
    QTest::newRow("wrong password on a read: P")
        << q2 << 4017 << all << 4 << frame(0x03, {}, "qpwzk", "qpwz") << ack(0x03, 'P');
    QTest::newRow("the login is case-sensitive")
        << q2 << 4017 << all << 4 << frame(0x02, {}, "QPWZK", "qpwzk") << ack(0x02, 'P');

    QByteArray longer = frame(0x05, base);
    longer.insert(30, char(0x11)); // one data byte more than the length byte says
    longer.back() = char(sum8(longer, 1, int(longer.size()) - 2));
    QTest::newRow("length byte does not match the frame")
        << q2 << 4017 << all << 4 << longer << ack(0x05, 'E');
    QTest::newRow("base write of 66 bytes")
        << q2 << 4017 << all << 4 << frame(0x05, QByteArray(66, 1)) << ack(0x05, 'E');
    QTest::newRow("port write of 67 bytes")
        << q2 << 4017 << all << 4 << frame(0x06, base) << ack(0x06, 'E');
    QTest::newRow("read with data") << q2 << 4017 << all << 4 << frame(0x03, "x") << ack(0x03, 'E');
    QTest::newRow("unknown command") << q2 << 4017 << all << 4 << frame(0x07) << ack(0x07, 'E');
    QTest::newRow("apply on a Q2") << q2 << 4017 << all << 4 << frame(0x04) << ack(0x04, 'E');

    QTest::newRow("4016: heartbeat write")
        << q2 << 4016 << all << 4 << frame(0x21, QByteArray(85, 1)) << ack(0x21, 'E');
    QTest::newRow("4016: HTTPD URL write")
        << q2 << 4016 << all << 4 << frame(0x22, QByteArray(101, 1)) << ack(0x22, 'E');
    QTest::newRow("4016: HTTPD header write")
        << q2 << 4016 << all << 4 << frame(0x23, QByteArray(201, 1)) << ack(0x23, 'E');
    QTest::newRow("cloud write without a cloud block")
        << q2 << 4017 << QStringLiteral("base") << 4 << frame(0x0C, QByteArray(50, 1))
        << ack(0x0C, 'E');
    QTest::newRow("base write without a parameter block")
        << q2 << 4017 << QStringLiteral("cloud") << 4 << frame(0x05, base) << ack(0x05, 'E');
    QTest::newRow("1-byte Modbus write to the 4-byte form")
        << q2 << 4017 << all << 4 << frame(0x24, "\x01") << ack(0x24, 'E');
    QTest::newRow("87-byte Modbus write to the newer form")
        << q2 << 4017 << all << 100 << frame(0x24, QByteArray(87, 1)) << ack(0x24, 'E');
    QTest::newRow("Modbus write without a Modbus block")
        << q2 << 4017 << all << 0 << frame(0x24, "\x01") << ack(0x24, 'E');

    QTest::newRow("another module's MAC: silence")
        << q2 << 4017 << all << 4 << frame(0x05, base, "qpwzk", "qpwzk", QByteArray(6, 0x22))
        << QByteArray();
    QTest::newRow("too short for a command frame: silence")
        << q2 << 4017 << all << 4 << frame(0x03).left(21) << QByteArray();
    QTest::newRow("the search frame on 1901: silence")
        << q2 << 4017 << all << 4 << kSearch << QByteArray();
}

void TestX7Sim::refusedFramesChangeNothing()
{
    QFETCH(int, model);
    QFETCH(int, version);
    QFETCH(QString, blocks);
    QFETCH(int, modbus);
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, answer);

    SimModule module(config(SimModuleConfig::Model(model), version, blocks, modbus));
    const SimMemory before = module.memory();
    // Commands arrive on the module's own port; the search only ever on 1500.
    const SimReply reply = module.handle(frame, frame == kSearch ? 1901 : module.port(), 0);
    if (answer.isEmpty()) {
        QVERIFY(reply.answers.isEmpty());
    } else {
        QCOMPARE(reply.answers.size(), 1);
        QCOMPARE(reply.answers.at(0).bytes, answer);
        QVERIFY(!reply.note.isEmpty());
    }
    QVERIFY(!reply.blocksChanged);
    QCOMPARE(module.memory(), before);
}

void TestX7Sim::commandOnTheOtherFamilysPortIsIgnored_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("port");

    const int q2 = int(SimModuleConfig::Q2);
    const int q3 = int(SimModuleConfig::Q3);
    QTest::newRow("Q2 read on 1901") << q2 << frame(0x03) << 1901;
    QTest::newRow("Q2 base write on 1901") << q2 << frame(0x05, QByteArray(67, 0x11)) << 1901;
    QTest::newRow("Q2 restart on 1901") << q2 << frame(0x02) << 1901;
    QTest::newRow("Q3 read on 1500") << q3 << frame(0x03) << 1500;
    QTest::newRow("Q3 base write on 1500") << q3 << frame(0x05, QByteArray(67, 0x11)) << 1500;
    QTest::newRow("Q3 factory reset on 1500") << q3 << frame(0x0B) << 1500;
}

void TestX7Sim::commandOnTheOtherFamilysPortIsIgnored()
{
    QFETCH(int, model);
    QFETCH(QByteArray, frame);
    QFETCH(int, port);

    SimModule module(config(SimModuleConfig::Model(model), 4017, "base,cloud,heart,httpd", 4));
    const SimMemory before = module.memory();
    const SimReply reply = module.handle(frame, quint16(port), 0);
    QVERIFY(reply.answers.isEmpty());
    QVERIFY(!reply.blocksChanged);
    QVERIFY2(reply.note.contains(QStringLiteral("ignored")), qPrintable(reply.note));
    QCOMPARE(module.memory(), before);
    // Nothing took effect: no restart silence, and the module still reads on its own port.
    QCOMPARE(module.handle(::frame(0x03), module.port(), 1).answers.size(), 5);

    // The restart on 1500 is the exception: the device list sends it there for either model.
    const SimReply restart = module.handle(::frame(0x02), 1500, 2);
    QCOMPARE(restart.answers.size(), 1);
    QCOMPARE(restart.answers.at(0).bytes.at(3), 'K');
}

void TestX7Sim::restartSilencesTheModule()
{
    SimModuleConfig c = config();
    c.restartMs = 300;
    SimModule module(c);
    const SimReply restart = module.handle(frame(0x02), 1500, 1000);
    QCOMPARE(restart.answers.size(), 1);
    QCOMPARE(restart.answers.at(0).bytes, ack(0x02, 'K'));

    for (const qint64 t : {1000, 1150, 1299}) {
        QVERIFY2(module.handle(kSearch, 1500, t).answers.isEmpty(), qPrintable(QString::number(t)));
        QVERIFY(module.handle(frame(0x03), 1500, t).answers.isEmpty());
        QVERIFY(module.handle(frame(0x05, QByteArray(67, 1)), 1500, t).answers.isEmpty());
    }
    QCOMPARE(module.memory(), SimModule(c).memory()); // the write during the silence was lost

    QCOMPARE(module.handle(kSearch, 1500, 1300).answers.size(), 1);
    QCOMPARE(module.handle(frame(0x03), 1500, 1301).answers.size(), 5);
    // Other modules' frames are not this module's business even while it restarts.
    module.handle(frame(0x02), 1500, 2000);
    QVERIFY(module.handle(frame(0x03, {}, "qpwzk", "qpwzk", QByteArray(6, 0x22)), 1500, 2001)
                .note.isEmpty());
}

void TestX7Sim::settingsTakeEffectAtRestart()
{
    SimModule module(config());
    QByteArray base = module.memory().param.left(67);
    base.replace(9, 4, QByteArray::fromHex("0900A8C0")); // 192.168.0.9
    base.replace(21, 16, QByteArray("Renamed").leftJustified(16, '\0'));
    base.replace(37, 6, field6("admin"));
    base.replace(43, 6, field6("secret"));
    QCOMPARE(module.handle(frame(0x05, base), 1500, 0).answers.value(0).bytes, ack(0x05, 'K'));

    // Until the restart the module still works with the old login, IP and name.
    QCOMPARE(
        module.handle(frame(0x06, module.memory().param.mid(67)), 1500, 10).answers.value(0).bytes,
        ack(0x06, 'K'));
    QCOMPARE(module.searchAnswer().mid(5, 4), QByteArray::fromHex("0A010203"));
    QCOMPARE(module.handle(frame(0x02), 1500, 20).answers.value(0).bytes, ack(0x02, 'K'));

    QCOMPARE(module.handle(frame(0x03), 1500, 5000).answers.value(0).bytes, ack(0x03, 'P'));
    QCOMPARE(module.handle(frame(0x03, {}, "admin", "secret"), 1500, 5000).answers.size(), 5);
    const QByteArray search = module.handle(kSearch, 1500, 5000).answers.value(0).bytes;
    QCOMPARE(search.mid(5, 4), QByteArray::fromHex("C0A80009"));
    QCOMPARE(search.mid(19, 14), QByteArray("Renamed").leftJustified(14, '\0'));

    // A factory reset brings back the factory login at once.
    QCOMPARE(module.handle(frame(0x0B, {}, "admin", "secret"), 1500, 5100).answers.value(0).bytes,
             ack(0x0B, 'K'));
    QCOMPARE(module.handle(frame(0x03), 1500, 5200).answers.size(), 5);
    QCOMPARE(module.searchAnswer().mid(5, 4), QByteArray::fromHex("0A010203"));
}

void TestX7Sim::factoryResetRestoresEveryBlock()
{
    const SimModuleConfig c =
        config(SimModuleConfig::Q2, 4017, QStringLiteral("base,cloud,heart,httpd"), 87);
    SimModule module(c);
    const SimMemory factory = module.memory();
    const struct
    {
        quint8 code;
        int size;
    } writes[] = {{0x05, 67},  {0x06, 63},  {0x0C, 50}, {0x21, 85},
                  {0x22, 101}, {0x23, 201}, {0x24, 87}};
    for (const auto &w : writes)
        QCOMPARE(
            module.handle(frame(w.code, QByteArray(w.size, 0x5C)), 1500, 0).answers.value(0).bytes,
            ack(w.code, 'K'));
    const SimMemory written = module.memory();
    QVERIFY(written.param != factory.param && written.cloud != factory.cloud &&
            written.heartReg != factory.heartReg && written.httpd != factory.httpd &&
            written.modbus != factory.modbus);

    // The writes set the login to 5C bytes; they take effect at a restart only.
    const SimReply reset = module.handle(frame(0x0B), 1500, 0);
    QCOMPARE(reset.answers.value(0).bytes, ack(0x0B, 'K'));
    QVERIFY(reset.blocksChanged);
    QCOMPARE(module.memory(), factory);
    QCOMPARE(module.memory(), factoryMemory(c));
}

void TestX7Sim::dumpLinesCarryEveryBlock()
{
    SimModule module(
        config(SimModuleConfig::Q2, 4017, QStringLiteral("base,cloud,heart,httpd"), 100));
    const QStringList lines = module.dumpLines();
    QCOMPARE(lines.size(), 5);
    const QStringList names = {"base", "cloud", "heart", "httpd", "modbus100"};
    const SimMemory &m = module.memory();
    const QList<QByteArray> bytes = {m.param, m.cloud, m.heartReg, m.httpd, m.modbus};
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList parts = lines.at(i).split(QLatin1Char(' '));
        QCOMPARE(parts.size(), 4);
        QCOMPARE(parts.at(0), QStringLiteral("block"));
        QCOMPARE(parts.at(1), QStringLiteral("D8B04C001001"));
        QCOMPARE(parts.at(2), names.at(i));
        QCOMPARE(parts.at(3), QString::fromLatin1(bytes.at(i).toHex().toUpper()));
    }
}

void TestX7Sim::blockSetOption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("has"); // param, cloud, heart, httpd as 0/1, then the Modbus form

    QTest::newRow("everything") << "base,cloud,heart,httpd,modbus4" << true << "1111 4";
    QTest::newRow("any order, blanks") << " httpd , base " << true << "1001 0";
    QTest::newRow("none") << "none" << true << "0000 0";
    QTest::newRow("newer Modbus only") << "modbus100" << true << "0000 100";
    QTest::newRow("a block twice") << "base,base" << false << "";
    QTest::newRow("two Modbus forms") << "modbus1,modbus4" << false << "";
    QTest::newRow("no such Modbus form") << "modbus5" << false << "";
    QTest::newRow("Modbus without a form") << "modbus" << false << "";
    QTest::newRow("unknown block") << "base,port" << false << "";
    QTest::newRow("empty") << "" << false << "";
}

void TestX7Sim::blockSetOption()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, has);
    SimBlockSet set;
    QCOMPARE(parseSimBlockSet(text, set), ok);
    if (!ok)
        return;
    const QString got = QStringLiteral("%1%2%3%4 %5")
                            .arg(int(set.param))
                            .arg(int(set.cloud))
                            .arg(int(set.heartReg))
                            .arg(int(set.httpd))
                            .arg(set.modbus);
    QCOMPARE(got, has);
}

void TestX7Sim::loginOption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");

    QTest::newRow("plain") << "admin:secret" << true << "admin"
                           << "secret";
    QTest::newRow("split at the first colon") << "ab:c:d" << true << "ab"
                                              << "c:d";
    QTest::newRow("empty password") << "user:" << true << "user"
                                    << "";
    QTest::newRow("no colon") << "qpwzk" << false << ""
                              << "";
    QTest::newRow("user of 7 bytes") << "abcdefg:x" << false << ""
                                     << "";
    QTest::newRow("password of 4 two-byte characters") << "a:模块名称" << false << ""
                                                       << "";
}

void TestX7Sim::loginOption()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QString user, password;
    QCOMPARE(parseSimLogin(text, user, password), ok);
    if (ok) {
        QTEST(user, "user");
        QTEST(password, "password");
    }
}

QTEST_GUILESS_MAIN(TestX7Sim)
#include "tst_x7sim.moc"
