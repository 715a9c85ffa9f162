#include "common/ParamBlocks.h"
#include "common/StoredAnswers.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text); // blanks are skipped
}

// A Q2 module's 130-byte parameter answer. Filler bytes (A1, B2, ...) stand where the program
// interprets nothing.
QByteArray fixtureBase()
{
    QByteArray b;
    b += hex("A1 B2 C3");    // 0-2   not interpreted
    b += hex("B5");          // 3     flags 1011 0101: T0, reg. before every packet, clear
                             //       cache, short connections, static address
    b += hex("90 1F");       // 4-5   UPNP port 8080, LE16
    b += hex("50 00");       // 6-7   web server port 80
    b += hex("D4");          // 8     not interpreted
    b += hex("07 00 A8 C0"); // 9-12  static IP 192.168.0.7, least significant first
    b += hex("01 00 A8 C0"); // 13-16 gateway 192.168.0.1
    b += hex("00 FF FF FF"); // 17-20 mask 255.255.255.0
    b += hex("58 37 2D 51 32 20 C4 A3 BF E9 00 00 00 00 00 00"); // 21-36 name "X7-Q2 模块"
    b += hex("61 64 6D 69 6E 00");                               // 37-42 user "admin"
    b += hex("31 32 33 34 35 00");                               // 43-48 password "12345"
    b += hex("E5 F6 07");                                        // 49-51 not interpreted
    b += hex("F0");                // 52    options: reset, link, index, RFC2217
    b += hex("D8 B0 4C 00 12 34"); // 53-58 user MAC
    b += hex("05 05 05 DF");       // 59-62 DNS 223.5.5.5
    b += hex("05");                // 63    short-connection time 5 s
    b += hex("18 29 3A");          // 64-66 not interpreted
    Q_ASSERT(b.size() == kBaseBlockSize);
    return b;
}

QByteArray fixturePort()
{
    QByteArray b;
    b += hex("00 C2 01 00");                      // 0-3   baud 115200, LE32
    b += hex("08");                               // 4     data bits
    b += hex("03");                               // 5     parity: even
    b += hex("01");                               // 6     stop bits
    b += hex("05");                               // 7     flow control: RS485
    b += hex("00 00 00 00");                      // 8-11  reserved
    b += hex("B3 15");                            // 12-13 local port 5555
    b += hex("2A 20");                            // 14-15 remote port 8234
    b += hex("64 74 75 2E C4 A3 BF E9 2E 63 6E"); // 16-45 remote host "dtu.模块.cn",
    b += QByteArray(19, '\0');                    //       NUL-padded to 30 bytes
    b += hex("4B 5C 6D 7E");                      // 46-49 not interpreted
    b += hex("E6");    // 50    flags 1110 0110: bit 1 (not interpreted), Modbus TCP,
                       //       kick old connection, MAC registration, MAC heartbeat
    b += hex("03");    // 51    work mode: TCP server
    b += hex("01");    // 52    HTTPD method POST
    b += hex("04");    // 53    TCP server connections
    b += hex("2C 01"); // 54-55 restart timeout 300 s
    b += hex("01");    // 56    custom registration
    b += hex("8F");    // 57    not interpreted
    b += hex("01");    // 58    UDP source check (TCP style 1)
    b += hex("90 01"); // 59-60 packing length 400
    b += hex("0A 00"); // 61-62 packing time 10 ms
    Q_ASSERT(b.size() == kPortBlockSize);
    return b;
}

QByteArray fixtureParam()
{
    return fixtureBase() + fixturePort();
}

QByteArray fixtureHeartReg()
{
    QByteArray b;
    b += hex("45");       // 0     flags 0100 0101: network heartbeat, registration on
                          //       connect, heartbeat data as hex
    b += hex("1E 00");    // 1-2   heartbeat period 30 s
    b += hex("03");       // 3     heartbeat data length
    b += hex("05");       // 4     registration data length
    b += hex("01 02 FF"); // 5-44  heartbeat data
    b += QByteArray(37, '\0');
    b += "hello"; // 45-84 registration data
    b += QByteArray(35, '\0');
    Q_ASSERT(b.size() == kHeartRegBlockSize);
    return b;
}

QByteArray fixtureCloud()
{
    QByteArray b;
    b += hex("C1 C2");           // 0-1   not interpreted
    b += "11111111111111111110"; // 2-21  device ID
    b += "12345678";             // 22-29 communication code
    b += QByteArray(20, '\x5A'); // 30-49 not interpreted
    Q_ASSERT(b.size() == kCloudBlockSize);
    return b;
}

QByteArray fixtureHttpd()
{
    QByteArray b;
    b += hex("0A");    // 0       URL length
    b += "/api/data?"; // 1-100   URL, the rest of the field old content
    b += QByteArray(90, 'u');
    b += hex("0C");        // 101     header length
    b += "Host: a.b\r\nX"; // 102-301 header
    b += QByteArray(188, 'h');
    Q_ASSERT(b.size() == kHttpdBlockSize);
    return b;
}

// The fixture's parameter block with every byte the program does not interpret replaced by
// random filler, including (unless told otherwise) the uninterpreted bits of the two flag bytes.
QByteArray randomFilledParam(quint32 seed, bool flagBits = true)
{
    QRandomGenerator rng(seed);
    QByteArray b = fixtureParam();
    auto fill = [&](int offset) { b[offset] = char(rng.bounded(256)); };
    for (int offset : {0, 1, 2, 8, 49, 50, 51, 64, 65, 66})
        fill(offset);
    for (int offset : {46, 47, 48, 49, 57})
        fill(kPortBlockOffset + offset);
    if (flagBits) {
        b[3] = char((quint8(b[3]) & ~0x4E) | (rng.bounded(256) & 0x4E));
        b[kPortBlockOffset + 50] =
            char((quint8(b[kPortBlockOffset + 50]) & ~0x03) | rng.bounded(4));
    }
    return b;
}

// `expected` with the bytes of `patch` at `offset`.
QByteArray patched(QByteArray expected, int offset, const QByteArray &patch)
{
    expected.replace(offset, patch.size(), patch);
    return expected;
}

struct BaseCase
{
    const char *name;
    void (*edit)(BaseParams &);
    int offset;
    const char *bytes;
};

// One field changed on a Q2 panel and the only bytes that change in the block.
const BaseCase kQ2BaseCases[] = {
    {"UPNP port", [](BaseParams &p) { p.upnpPort = 0x1234; }, 4, "34 12"},
    {"UPNP port beyond 16 bits", [](BaseParams &p) { p.upnpPort = 70000; }, 4, "70 11"},
    {"web port", [](BaseParams &p) { p.httpPort = 8081; }, 6, "91 1F"},
    {"static IP", [](BaseParams &p) { p.ip = "10.1.2.3"; }, 9, "03 02 01 0A"},
    {"static IP with blanks", [](BaseParams &p) { p.ip = " 10.1.2.4 "; }, 9, "04 02 01 0A"},
    {"gateway", [](BaseParams &p) { p.gateway = "10.1.2.254"; }, 13, "FE 02 01 0A"},
    {"mask", [](BaseParams &p) { p.mask = "255.255.0.0"; }, 17, "00 00 FF FF"},
    {"name", [](BaseParams &p) { p.name = "ABC"; }, 21,
     "41 42 43 00 00 00 00 00 00 00 00 00 00 00 00 00"},
    {"user", [](BaseParams &p) { p.webUser = "ab"; }, 37, "61 62 00 00 00 00"},
    {"password", [](BaseParams &p) { p.webPassword = "abcdefgh"; }, 43, "61 62 63 64 65 66"},
    {"options all ticked", [](BaseParams &p) { p.options = 0xFF; }, 52, "F0"},
    {"options low bits written 0", [](BaseParams &p) { p.options = 0x5F; }, 52, "50"},
    {"user MAC", [](BaseParams &p) { p.userMac = "01 02 0a 0B 0c 0D"; }, 53, "01 02 0A 0B 0C 0D"},
    {"user MAC without blanks", [](BaseParams &p) { p.userMac = "FFFFFFFFFFFF"; }, 53,
     "FF FF FF FF FF FF"},
    {"DNS", [](BaseParams &p) { p.dns = "8.8.4.4"; }, 59, "04 04 08 08"},
    {"short-connection time", [](BaseParams &p) { p.shortConnTime = 9; }, 63, "09"},
    {"short-connection time beyond a byte", [](BaseParams &p) { p.shortConnTime = 300; }, 63, "2C"},
    {"DHCP", [](BaseParams &p) { p.staticIp = false; }, 3, "35"},
    {"not T0", [](BaseParams &p) { p.isT0 = false; }, 3, "B4"},
    {"no clear cache", [](BaseParams &p) { p.clearCache = false; }, 3, "A5"},
    {"no short connections", [](BaseParams &p) { p.shortConnEnabled = false; }, 3, "95"},
    {"bits 1 and 2 are not the panel's",
     [](BaseParams &p) {
         p.flagBit1 = true;
         p.regSendMode = false;
     },
     3, "B5"},
};

struct PortCase
{
    const char *name;
    void (*edit)(PortParams &);
    int offset; // within the port block
    const char *bytes;
};

const PortCase kQ2PortCases[] = {
    {"baud", [](PortParams &p) { p.baud = 921600; }, 0, "00 10 0E 00"},
    {"baud, all 32 bits", [](PortParams &p) { p.baud = 0xFFFFFFFF; }, 0, "FF FF FF FF"},
    {"data bits", [](PortParams &p) { p.dataBits = 7; }, 4, "07"},
    {"data bits beyond a byte", [](PortParams &p) { p.dataBits = 0x107; }, 4, "07"},
    {"parity", [](PortParams &p) { p.parity = 1; }, 5, "01"},
    {"stop bits", [](PortParams &p) { p.stopBits = 2; }, 6, "02"},
    {"flow control", [](PortParams &p) { p.flowControl = 3; }, 7, "03"},
    {"local port", [](PortParams &p) { p.localPort = 502; }, 12, "F6 01"},
    {"local port beyond 16 bits", [](PortParams &p) { p.localPort = 65536 + 502; }, 12, "F6 01"},
    {"remote port", [](PortParams &p) { p.remotePort = 65535; }, 14, "FF FF"},
    {"remote host", [](PortParams &p) { p.remoteHost = "1.2.3.4"; }, 16,
     "31 2E 32 2E 33 2E 34 00 00 00 00"},
    {"work mode", [](PortParams &p) { p.workMode = 1; }, 51, "01"},
    {"multicast work mode, Modbus TCP off", [](PortParams &p) { p.workMode = 5; }, 50, "E2 05"},
    {"HTTPD method", [](PortParams &p) { p.httpdMethod = 0; }, 52, "00"},
    {"connection count", [](PortParams &p) { p.tcpServerCount = 16; }, 53, "10"},
    {"restart timeout", [](PortParams &p) { p.timeoutRestart = 3600; }, 54, "10 0E"},
    {"restart timeout beyond 16 bits", [](PortParams &p) { p.timeoutRestart = 0x12345; }, 54,
     "45 23"},
    {"no custom registration", [](PortParams &p) { p.customRegistration = false; }, 56, "00"},
    {"no UDP source check", [](PortParams &p) { p.udpSourceCheck = false; }, 58, "00"},
    {"TCP style is not written", [](PortParams &p) { p.tcpStyle = 3; }, 58, "01"},
    {"packing length", [](PortParams &p) { p.packLength = 1024; }, 59, "00 04"},
    {"packing time", [](PortParams &p) { p.packTime = 70000; }, 61, "70 11"},
    {"no Modbus TCP", [](PortParams &p) { p.modbusTcp = false; }, 50, "E2"},
    {"baud-rate synchronisation", [](PortParams &p) { p.rfc2217 = true; }, 50, "EE"},
    {"cloud", [](PortParams &p) { p.cloudEnabled = true; }, 50, "F6"},
    {"no kick", [](PortParams &p) { p.kickOldConnection = false; }, 50, "C6"},
    {"no MAC registration", [](PortParams &p) { p.macRegistration = false; }, 50, "A6"},
    {"custom heartbeat", [](PortParams &p) { p.macHeartbeat = false; }, 50, "66"},
};

struct HeartRegCase
{
    const char *name;
    const char *text;
    bool hexData;
    int length;
    const char *field; // the start of the 40-byte data field; the rest is 0
};

const HeartRegCase kHeartRegCases[] = {
    {"plain", "abc", false, 3, "61 62 63"},
    {"plain, Chinese counts bytes", "中文", false, 4, "D6 D0 CE C4"},
    {"plain, 50 characters cut to 40", "0123456789012345678901234567890123456789ABCDEFGHIJ", false,
     40,
     "30 31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 37 38 39"
     "30 31 32 33 34 35 36 37 38 39 30 31 32 33 34 35 36 37 38 39"},
    {"plain, a character across byte 40 is dropped whole",
     "a中中中中中中中中中中中中中中中中中中中中", false, 39,
     "61 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0"
     "D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0"},
    {"plain, empty", "", false, 0, ""},
    {"hex", "313233", true, 3, "31 32 33"},
    {"hex, lowercase", "a0ff", true, 2, "A0 FF"},
    {"hex with blanks", "31 32 33", true, 3, "31 32 33"},
    {"hex, odd final digit ignored", "31323", true, 2, "31 32"},
    {"hex, 50 bytes cut to 40",
     "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F"
     "202122232425262728292A2B2C2D2E2F3031",
     true, 40,
     "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13"
     "14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27"},
};

struct ModbusPackCase
{
    const char *name;
    ModbusPackParams param;
    const char *head; // expected bytes 0-6; the stored block is EE throughout
};

const ModbusPackCase kModbusPackCases[] = {
    {"off: only the mode", {0, 1, 1, "200", "10"}, "00 EE EE EE EE EE EE"},
    {"conversion: no report protocol", {1, 1, 1, "200", "10"}, "01 01 00 C8 00 0A EE"},
    {"polling: everything", {2, 0, 1, "200", "10"}, "02 00 00 C8 00 0A 01"},
    {"empty timeout kept", {2, 1, 0, " ", "10"}, "02 01 EE EE 00 0A 00"},
    {"empty interval kept", {1, 1, 0, "5", ""}, "01 01 00 05 EE EE EE"},
    {"timeout beyond 16 bits", {2, 1, 0, "70000", "65535"}, "02 01 11 70 FF FF 00"},
};

struct ModbusNewCase
{
    const char *name;
    ModbusNewParams param;
    const char *head; // expected bytes 0-6; the stored block is EE throughout
};

const ModbusNewCase kModbusNewCases[] = {
    {"off: only the mode", {0, 1, "200", "10"}, "00 EE EE EE EE EE EE"},
    {"conversion: only the mode", {1, 1, "200", "10"}, "01 EE EE EE EE EE EE"},
    {"polling: bytes 1-5, byte 6 kept", {2, 1, "200", "10"}, "02 01 00 C8 00 0A EE"},
    {"polling, empty interval kept", {2, 0, "300", ""}, "02 00 01 2C EE EE EE"},
};

} // namespace

class TestParamBlocks : public QObject
{
    Q_OBJECT

private slots:
    void parseParamBlock();
    void q2WriteOfAnUnchangedRecordKeepsEveryByte_data();
    void q2WriteOfAnUnchangedRecordKeepsEveryByte();
    void q2BaseFieldLandsAtItsOffset_data();
    void q2BaseFieldLandsAtItsOffset();
    void q2PortFieldLandsAtItsOffset_data();
    void q2PortFieldLandsAtItsOffset();
    void q2FlagBytesStartFromTheRememberedBytes_data();
    void q2FlagBytesStartFromTheRememberedBytes();
    void modbusTcpOnlyForTcpModes_data();
    void modbusTcpOnlyForTcpModes();
    void q3Base();
    void q3Port();
    void textFieldsCutAtTheirWidth_data();
    void textFieldsCutAtTheirWidth();
    void badTextLeavesTheBlockUntouched_data();
    void badTextLeavesTheBlockUntouched();
    void buildOnZeroStoresBeforeAnyRead();
    void parsersTolerateShortInput();

    void cloudBlock();
    void cloudFieldsMustFillExactly_data();
    void cloudFieldsMustFillExactly();

    void heartRegParseAndRoundTrip();
    void heartRegDataField_data();
    void heartRegDataField();
    void heartRegFlagsAndPeriod();
    void heartRegBadHexLeavesTheBlockUntouched();
    void heartRegLengthBeyondTheFieldReadsAsForty();

    void httpdParseAndRoundTrip();
    void httpdUrlCutAndTailKept_data();
    void httpdUrlCutAndTailKept();
    void httpdHeaderPart();
    void httpdLengthBeyondTheFieldIsClamped();

    void modbusShortParse_data();
    void modbusShortParse();
    void modbusShortBuild_data();
    void modbusShortBuild();
    void modbusPackBuild_data();
    void modbusPackBuild();
    void modbusNewBuild_data();
    void modbusNewBuild();
    void modbusParseAndRoundTrip();
    void modbusBadTimeLeavesTheBlockUntouched();

    void storedAnswers();
    void decimalFieldValue_data();
    void decimalFieldValue();
};

// ---- parameter block -------------------------------------------------------------------------

void TestParamBlocks::parseParamBlock()
{
    const QByteArray param = fixtureParam();
    const BaseParams b = parseBaseParam(param);
    QCOMPARE(b.isT0, true);
    QCOMPARE(b.flagBit1, false);
    QCOMPARE(b.regSendMode, true);
    QCOMPARE(b.clearCache, true);
    QCOMPARE(b.shortConnEnabled, true);
    QCOMPARE(b.staticIp, true);
    QCOMPARE(b.upnpPort, 8080);
    QCOMPARE(b.httpPort, 80);
    QCOMPARE(b.ip, QStringLiteral("192.168.0.7"));
    QCOMPARE(b.gateway, QStringLiteral("192.168.0.1"));
    QCOMPARE(b.mask, QStringLiteral("255.255.255.0"));
    QCOMPARE(b.name, QStringLiteral("X7-Q2 模块"));
    QCOMPARE(b.webUser, QStringLiteral("admin"));
    QCOMPARE(b.webPassword, QStringLiteral("12345"));
    QCOMPARE(b.options, 0xF0);
    QCOMPARE(b.userMac, QStringLiteral("D8 B0 4C 00 12 34"));
    QCOMPARE(b.dns, QStringLiteral("223.5.5.5"));
    QCOMPARE(b.shortConnTime, 5);

    const PortParams p = parsePortParam(portBlock(param));
    QCOMPARE(p.baud, 115200u);
    QCOMPARE(p.dataBits, 8);
    QCOMPARE(p.parity, 3);
    QCOMPARE(p.stopBits, 1);
    QCOMPARE(p.flowControl, 5);
    QCOMPARE(p.localPort, 5555);
    QCOMPARE(p.remotePort, 8234);
    QCOMPARE(p.remoteHost, QStringLiteral("dtu.模块.cn"));
    QCOMPARE(p.modbusTcp, true);
    QCOMPARE(p.rfc2217, false);
    QCOMPARE(p.cloudEnabled, false);
    QCOMPARE(p.kickOldConnection, true);
    QCOMPARE(p.macRegistration, true);
    QCOMPARE(p.macHeartbeat, true);
    QCOMPARE(p.workMode, 3);
    QCOMPARE(p.httpdMethod, 1);
    QCOMPARE(p.tcpServerCount, 4);
    QCOMPARE(p.timeoutRestart, 300);
    QCOMPARE(p.customRegistration, true);
    QCOMPARE(p.udpSourceCheck, true);
    QCOMPARE(p.tcpStyle, 1);
    QCOMPARE(p.packLength, 400);
    QCOMPARE(p.packTime, 10);

    // Byte 58 as a TCP server style: only a 1 is a UDP source check; byte 56 likewise.
    QByteArray port = portBlock(param);
    port[58] = char(0x23);
    port[56] = char(2);
    const PortParams styled = parsePortParam(port);
    QCOMPARE(styled.udpSourceCheck, false);
    QCOMPARE(styled.tcpStyle, 3);
    QCOMPARE(styled.customRegistration, false);

    QCOMPARE(baseBlock(param), fixtureBase());
    QCOMPARE(portBlock(param), fixturePort());
}

void TestParamBlocks::q2WriteOfAnUnchangedRecordKeepsEveryByte_data()
{
    QTest::addColumn<QByteArray>("param");
    QTest::newRow("fixture") << fixtureParam();
    for (quint32 seed = 1; seed <= 12; ++seed)
        QTest::addRow("random filler, seed %u", seed) << randomFilledParam(seed);
}

void TestParamBlocks::q2WriteOfAnUnchangedRecordKeepsEveryByte()
{
    QFETCH(QByteArray, param);
    StoredAnswers stored;
    QVERIFY(stored.storeReply(param));

    const BaseParams base = parseBaseParam(stored.param);
    const PortParams port = parsePortParam(portBlock(stored.param));
    QVERIFY(buildQ2Base(base, stored.baseFlags, stored.param));
    buildQ2Port(port, stored.portFlags, stored.param);
    QCOMPARE(stored.param.toHex(' '), param.toHex(' '));

    // The same from a fresh buffer (the serial write): only the uninterpreted bytes are lost.
    QByteArray fresh(kParamBlockSize, '\0');
    QVERIFY(buildQ2Base(base, stored.baseFlags, fresh));
    buildQ2Port(port, stored.portFlags, fresh);
    QCOMPARE(quint8(fresh[3]), quint8(param[3]));
    QCOMPARE(quint8(fresh[kPortBlockOffset + 50]), quint8(param[kPortBlockOffset + 50]));
    QCOMPARE(fresh.mid(9, 40), param.mid(9, 40));
}

void TestParamBlocks::q2BaseFieldLandsAtItsOffset_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kQ2BaseCases)); ++i)
        QTest::newRow(kQ2BaseCases[i].name) << i;
}

void TestParamBlocks::q2BaseFieldLandsAtItsOffset()
{
    QFETCH(int, row);
    const BaseCase &c = kQ2BaseCases[row];
    const QByteArray param = randomFilledParam(quint32(row) + 100, false);
    BaseParams p = parseBaseParam(param);
    c.edit(p);

    QByteArray stored = param;
    QVERIFY(buildQ2Base(p, quint8(param[3]), stored));
    QCOMPARE(stored.toHex(' '), patched(param, c.offset, hex(c.bytes)).toHex(' '));
}

void TestParamBlocks::q2PortFieldLandsAtItsOffset_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kQ2PortCases)); ++i)
        QTest::newRow(kQ2PortCases[i].name) << i;
}

void TestParamBlocks::q2PortFieldLandsAtItsOffset()
{
    QFETCH(int, row);
    const PortCase &c = kQ2PortCases[row];
    QByteArray param = fixtureParam();
    param[kPortBlockOffset + 8] = char(0x77); // reserved bytes are written 0 whatever they held
    PortParams p = parsePortParam(portBlock(param));
    c.edit(p);

    QByteArray stored = param;
    buildQ2Port(p, quint8(param[kPortBlockOffset + 50]), stored);
    const QByteArray expected = patched(fixtureParam(), kPortBlockOffset + c.offset, hex(c.bytes));
    QCOMPARE(stored.toHex(' '), expected.toHex(' '));
    QCOMPARE(baseBlock(stored), fixtureBase());
}

void TestParamBlocks::q2FlagBytesStartFromTheRememberedBytes_data()
{
    QTest::addColumn<quint8>("remembered");
    QTest::addColumn<bool>("panel"); // every panel flag on or off
    QTest::addColumn<quint8>("baseFlags");
    QTest::addColumn<quint8>("portFlags");

    // Base: bits 1, 2, 3, 6 kept, bits 0, 4, 5, 7 from the panel. Port: bits 0-1 kept.
    QTest::newRow("4E, panel on") << quint8(0x4E) << true << quint8(0xFF) << quint8(0xFE);
    QTest::newRow("4E, panel off") << quint8(0x4E) << false << quint8(0x4E) << quint8(0x02);
    QTest::newRow("FF, panel off") << quint8(0xFF) << false << quint8(0x4E) << quint8(0x03);
    QTest::newRow("00, panel on") << quint8(0x00) << true << quint8(0xB1) << quint8(0xFC);
    QTest::newRow("B1, panel off") << quint8(0xB1) << false << quint8(0x00) << quint8(0x01);
}

void TestParamBlocks::q2FlagBytesStartFromTheRememberedBytes()
{
    QFETCH(quint8, remembered);
    QFETCH(bool, panel);
    QFETCH(quint8, baseFlags);
    QFETCH(quint8, portFlags);

    BaseParams b = parseBaseParam(fixtureParam());
    b.isT0 = b.clearCache = b.shortConnEnabled = b.staticIp = panel;
    b.flagBit1 = b.regSendMode = !panel; // never written by a Q2 panel
    PortParams p = parsePortParam(fixturePort());
    p.workMode = 1;
    p.modbusTcp = p.rfc2217 = p.cloudEnabled = p.kickOldConnection = p.macRegistration =
        p.macHeartbeat = panel;

    // The stored block's own flag bytes were rebuilt meanwhile (a Q3 write); they do not count.
    QByteArray stored = fixtureParam();
    stored[3] = char(0xAA);
    stored[kPortBlockOffset + 50] = char(0xAA);
    QVERIFY(buildQ2Base(b, remembered, stored));
    buildQ2Port(p, remembered, stored);
    QCOMPARE(quint8(stored[3]), baseFlags);
    QCOMPARE(quint8(stored[kPortBlockOffset + 50]), portFlags);
}

void TestParamBlocks::modbusTcpOnlyForTcpModes_data()
{
    QTest::addColumn<int>("workMode");
    QTest::addColumn<bool>("written");
    QTest::newRow("UDP client") << 0 << false;
    QTest::newRow("TCP client") << 1 << true;
    QTest::newRow("UDP server") << 2 << false;
    QTest::newRow("TCP server") << 3 << true;
    QTest::newRow("HTTPD client") << 4 << false;
    QTest::newRow("UDP client, multicast") << 5 << false;
}

void TestParamBlocks::modbusTcpOnlyForTcpModes()
{
    QFETCH(int, workMode);
    QFETCH(bool, written);
    PortParams p;
    p.modbusTcp = true;
    p.workMode = workMode;
    QByteArray q2(kParamBlockSize, '\0');
    buildQ2Port(p, 0, q2);
    QCOMPARE(bool(q2[kPortBlockOffset + 50] & 0x04), written);
    QCOMPARE(int(q2[kPortBlockOffset + 51]), workMode);
    QByteArray q3(kParamBlockSize, '\0');
    buildQ3Port(p, q3);
    QCOMPARE(bool(q3[kPortBlockOffset + 50] & 0x04), written);
}

void TestParamBlocks::q3Base()
{
    const QByteArray original = randomFilledParam(7);
    BaseParams p = parseBaseParam(original);
    p.staticIp = true;
    p.options = 3;            // device ID sent on connect and with data
    p.dns = "not an address"; // a Q3 write keeps the DNS and the short-connection time
    p.shortConnTime = 99;
    p.ip = "192.168.1.20";

    QByteArray stored = original;
    stored[3] = char(0xFF);
    QVERIFY(buildQ3Base(p, stored));
    QByteArray expected = original;
    expected[3] = char(0x80);                   // flag byte replaced, not merged
    expected.replace(9, 4, hex("14 01 A8 C0")); // static IP
    expected[52] = char(0x03);                  // the ID type, low bits and all
    QCOMPARE(stored.toHex(' '), expected.toHex(' '));

    p.staticIp = false;
    p.isT0 = p.clearCache = p.shortConnEnabled = true;
    QVERIFY(buildQ3Base(p, stored));
    QCOMPARE(quint8(stored[3]), quint8(0x00));
}

void TestParamBlocks::q3Port()
{
    QByteArray original = fixtureParam();
    original[kPortBlockOffset + 50] = char(0xF3);
    PortParams p = parsePortParam(portBlock(original));
    p.workMode = 3; // TCP server
    p.tcpServerCount = 8;
    p.tcpStyle = 1;
    p.modbusTcp = false;
    p.rfc2217 = true;
    p.packLength = 1024;
    p.packTime = 7;               // not written by a Q3 panel
    p.customRegistration = false; // nor this
    p.udpSourceCheck = false;

    QByteArray stored = original;
    buildQ3Port(p, stored);
    QByteArray expected = original;
    const int o = kPortBlockOffset;
    expected[o + 50] = char(0xFB);                   // bits 2-3 set, the others kept
    expected.replace(o + 52, 4, hex("00 04 00 00")); // packing length 1024, LE32
    expected[o + 58] = char(0x81);                   // 8 connections, style 1
    QCOMPARE(stored.toHex(' '), expected.toHex(' '));

    p.modbusTcp = true;
    p.tcpServerCount = 16; // 16 * 16 + 3 keeps its low byte
    p.tcpStyle = 3;
    buildQ3Port(p, stored);
    QCOMPARE(quint8(stored[o + 50]), quint8(0xFF));
    QCOMPARE(quint8(stored[o + 58]), quint8(0x03));
}

void TestParamBlocks::textFieldsCutAtTheirWidth_data()
{
    QTest::addColumn<bool>("remoteHost"); // else the module name
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("name, exactly 16")
        << false << "ABCDEFGHIJKLMNOP" << hex("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50");
    QTest::newRow("name, 20 cut to 16") << false << "ABCDEFGHIJKLMNOPQRST"
                                        << hex("41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50");
    QTest::newRow("name, eight Chinese characters fill it")
        << false << "中中中中中中中中" << hex("D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0");
    QTest::newRow("name, a 2-byte character across the end is dropped whole")
        << false << "a中中中中中中中中" << hex("61 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 00");
    QTest::newRow("name, a 4-byte character across the end is dropped whole")
        << false << QStringLiteral("abcdefghijklmn") + QString::fromUcs4(U"\U00020000")
        << hex("61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 00 00");
    QTest::newRow("name, a 4-byte character that fits")
        << false << QStringLiteral("abcdefghijkl") + QString::fromUcs4(U"\U00020000")
        << hex("61 62 63 64 65 66 67 68 69 6A 6B 6C 95 32 82 36");
    QTest::newRow("name, empty") << false << "" << QByteArray(16, '\0');
    QTest::newRow("remote host, 31 bytes cut to 29 and a NUL")
        << true << "a中中中中中中中中中中中中中中中"
        << hex("61 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0 D6 D0"
               "D6 D0 D6 D0 D6 D0 00");
    QTest::newRow("remote host, 40 characters cut to 30")
        << true << "abcdefghijabcdefghijabcdefghijabcdefghij"
        << QByteArray("abcdefghijabcdefghijabcdefghij");
}

void TestParamBlocks::textFieldsCutAtTheirWidth()
{
    QFETCH(bool, remoteHost);
    QFETCH(QString, text);
    QFETCH(QByteArray, field);

    QByteArray stored = fixtureParam();
    const QByteArray before = stored;
    if (remoteHost) {
        PortParams p = parsePortParam(portBlock(stored));
        p.remoteHost = text;
        buildQ2Port(p, quint8(stored[kPortBlockOffset + 50]), stored);
        QCOMPARE(stored.mid(kPortBlockOffset + 16, 30).toHex(' '), field.toHex(' '));
        QCOMPARE(stored.mid(kPortBlockOffset + 46), before.mid(kPortBlockOffset + 46));
    } else {
        BaseParams p = parseBaseParam(stored);
        p.name = text;
        QVERIFY(buildQ2Base(p, quint8(stored[3]), stored));
        QCOMPARE(stored.mid(21, 16).toHex(' '), field.toHex(' '));
        QCOMPARE(stored.mid(37), before.mid(37));
    }
    QCOMPARE(stored.size(), kParamBlockSize);
}

void TestParamBlocks::badTextLeavesTheBlockUntouched_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("two dotted parts") << "Ip"
                                      << "192.168";
    QTest::newRow("five dotted parts") << "Ip"
                                       << "1.2.3.4.5";
    QTest::newRow("empty part") << "Gateway"
                                << "192..0.1";
    QTest::newRow("letters") << "Mask"
                             << "a.b.c.d";
    QTest::newRow("trailing dot") << "Dns"
                                  << "1.2.3.4.";
    QTest::newRow("first part above 255") << "Ip"
                                          << "300.1.2.3";
    QTest::newRow("last part above 255") << "Gateway"
                                         << "10.1.2.256";
    QTest::newRow("DNS part above 255") << "Dns"
                                        << "8.8.4.1000";
    QTest::newRow("empty DNS") << "Dns"
                               << "";
    QTest::newRow("short MAC") << "UserMac"
                               << "D8 B0 4C";
    QTest::newRow("bad MAC pair") << "UserMac"
                                  << "D8 B0 4C 00 12 3G";
}

void TestParamBlocks::badTextLeavesTheBlockUntouched()
{
    QFETCH(QString, field);
    QFETCH(QString, value);

    const QByteArray original = fixtureParam();
    BaseParams p = parseBaseParam(original);
    p.name = "changed"; // written only if the whole block can be
    p.staticIp = false;
    if (field == "Ip")
        p.ip = value;
    else if (field == "Gateway")
        p.gateway = value;
    else if (field == "Mask")
        p.mask = value;
    else if (field == "Dns")
        p.dns = value;
    else
        p.userMac = value;

    QByteArray stored = original;
    const BuildResult q2 = buildQ2Base(p, 0, stored);
    QVERIFY(!q2);
    QCOMPARE(q2.badField, field);
    QCOMPARE(stored, original);

    const BuildResult q3 = buildQ3Base(p, stored);
    QCOMPARE(q3.ok(), field == "Dns"); // a Q3 write does not read the DNS
    if (!q3)
        QCOMPARE(stored, original);
}

void TestParamBlocks::buildOnZeroStoresBeforeAnyRead()
{
    StoredAnswers stored;
    const BaseParams b = parseBaseParam(fixtureParam());
    const PortParams p = parsePortParam(fixturePort());
    QVERIFY(buildQ2Base(b, stored.baseFlags, stored.param));
    buildQ2Port(p, stored.portFlags, stored.param);

    // Every byte a Q2 write defines comes from the records; everything else stays 0.
    QByteArray expected = fixtureParam();
    for (int offset : {0, 1, 2, 8, 49, 50, 51, 64, 65, 66})
        expected[offset] = 0;
    for (int offset : {46, 47, 48, 49, 57})
        expected[kPortBlockOffset + offset] = 0;
    expected[3] = char(0xB1);                     // bit 2 is not the panel's
    expected[kPortBlockOffset + 50] = char(0xE4); // bit 1 likewise
    QCOMPARE(stored.param.toHex(' '), expected.toHex(' '));

    // A buffer that is shorter than the block grows to it instead of being written past its end.
    QByteArray empty;
    QVERIFY(buildQ2Base(b, 0, empty));
    QCOMPARE(empty.size(), kParamBlockSize);
    QByteArray shortPort(10, '\0');
    buildQ3Port(p, shortPort);
    QCOMPARE(shortPort.size(), kParamBlockSize);
}

void TestParamBlocks::parsersTolerateShortInput()
{
    const QByteArray few = hex("01 02 03 B5 90 1F");
    const BaseParams b = parseBaseParam(few);
    QCOMPARE(b.upnpPort, 8080);
    QCOMPARE(b.staticIp, true);
    QCOMPARE(b.ip, QStringLiteral("0.0.0.0"));
    QCOMPARE(parsePortParam(QByteArray()).baud, 0u);
    QCOMPARE(parseCloudParam(hex("00")).deviceId, QString());
    QCOMPARE(parseHeartReg(hex("FF FF FF 28")).heartData.size(), 80); // 40 zero bytes as hex
    QCOMPARE(parseHttpd(hex("FF")).url, QString());
    QCOMPARE(parseModbusShort(QByteArray()).tcpEnabled, false);
    QCOMPARE(parseModbusPack(hex("02")).mode, 2);
    QCOMPARE(parseModbusNew(QByteArray()).timeout, QStringLiteral("0"));
    QCOMPARE(portBlock(few).size(), kPortBlockSize);
    QCOMPARE(::httpdHeaderPart(few).size(), kHttpdHeaderPartSize);
}

// ---- cloud -----------------------------------------------------------------------------------

void TestParamBlocks::cloudBlock()
{
    const QByteArray original = fixtureCloud();
    const CloudParams c = parseCloudParam(original);
    QCOMPARE(c.deviceId, QStringLiteral("11111111111111111110"));
    QCOMPARE(c.commCode, QStringLiteral("12345678"));

    QByteArray stored = original;
    buildCloud(c, stored);
    QCOMPARE(stored, original);

    buildCloud({"ABCDEFGHIJKLMNOPQRST", "abcdefgh"}, stored);
    QCOMPARE(stored.toHex(' '),
             (hex("C1 C2") + "ABCDEFGHIJKLMNOPQRSTabcdefgh" + QByteArray(20, '\x5A')).toHex(' '));

    // A serial extension reply carries the same two fields at the same offsets.
    const QByteArray extension = original.left(30) + fixtureHeartReg();
    QCOMPARE(parseCloudParam(extension).commCode, QStringLiteral("12345678"));
    QCOMPARE(parseHeartReg(extension.mid(30)).regData, QStringLiteral("hello"));
}

void TestParamBlocks::cloudFieldsMustFillExactly_data()
{
    QTest::addColumn<QString>("deviceId");
    QTest::addColumn<bool>("idOk");
    QTest::addColumn<QString>("commCode");
    QTest::addColumn<bool>("codeOk");
    QTest::newRow("exact") << "11111111111111111110" << true << "12345678" << true;
    QTest::newRow("one short") << "1111111111111111111" << false << "1234567" << false;
    QTest::newRow("one long") << "111111111111111111100" << false << "123456789" << false;
    QTest::newRow("Chinese counts bytes") << "中中中中中中中中中中" << true << "中中中中" << true;
    QTest::newRow("empty") << "" << false << "" << false;
}

void TestParamBlocks::cloudFieldsMustFillExactly()
{
    QFETCH(QString, deviceId);
    QFETCH(bool, idOk);
    QFETCH(QString, commCode);
    QFETCH(bool, codeOk);
    QCOMPARE(isCloudDeviceIdValid(deviceId), idOk);
    QCOMPARE(isCloudCommCodeValid(commCode), codeOk);
}

// ---- heartbeat and registration --------------------------------------------------------------

void TestParamBlocks::heartRegParseAndRoundTrip()
{
    const QByteArray original = fixtureHeartReg();
    const HeartRegParams p = parseHeartReg(original);
    QCOMPARE(p.netHeartbeat, true);
    QCOMPARE(p.serialHeartbeat, false);
    QCOMPARE(p.regOnConnect, true);
    QCOMPARE(p.regWithData, false);
    QCOMPARE(p.removeHttpdHeader, false);
    QCOMPARE(p.comSetEnable, false);
    QCOMPARE(p.heartDataHex, true);
    QCOMPARE(p.regDataHex, false);
    QCOMPARE(p.heartPeriod, 30);
    QCOMPARE(p.heartData, QStringLiteral("0102FF"));
    QCOMPARE(p.regData, QStringLiteral("hello"));

    QByteArray stored(kHeartRegBlockSize, '\x33');
    QVERIFY(buildHeartReg(p, stored));
    QCOMPARE(stored.toHex(' '), original.toHex(' '));
}

void TestParamBlocks::heartRegDataField_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kHeartRegCases)); ++i)
        QTest::newRow(kHeartRegCases[i].name) << i;
}

void TestParamBlocks::heartRegDataField()
{
    QFETCH(int, row);
    const HeartRegCase &c = kHeartRegCases[row];
    QByteArray field = hex(c.field);
    field.append(40 - field.size(), '\0');

    // The same rules for both data fields; each field's hex flag is its own.
    HeartRegParams heart = parseHeartReg(fixtureHeartReg());
    heart.heartData = QString::fromUtf8(c.text);
    heart.heartDataHex = c.hexData;
    QByteArray stored = fixtureHeartReg();
    QVERIFY(buildHeartReg(heart, stored));
    QCOMPARE(int(quint8(stored[3])), c.length);
    QCOMPARE(stored.mid(5, 40).toHex(' '), field.toHex(' '));
    QCOMPARE(stored.mid(1, 2), fixtureHeartReg().mid(1, 2)); // the period
    QCOMPARE(stored[4], fixtureHeartReg()[4]);               // the other length
    QCOMPARE(stored.mid(45), fixtureHeartReg().mid(45));     // the other data

    HeartRegParams reg = parseHeartReg(fixtureHeartReg());
    reg.regData = QString::fromUtf8(c.text);
    reg.regDataHex = c.hexData;
    stored = fixtureHeartReg();
    QVERIFY(buildHeartReg(reg, stored));
    QCOMPARE(int(quint8(stored[4])), c.length);
    QCOMPARE(stored.mid(45, 40).toHex(' '), field.toHex(' '));
    QCOMPARE(stored.mid(1, 3), fixtureHeartReg().mid(1, 3));   // the period, the other length
    QCOMPARE(stored.mid(5, 40), fixtureHeartReg().mid(5, 40)); // the other data
}

void TestParamBlocks::heartRegFlagsAndPeriod()
{
    HeartRegParams p;
    p.serialHeartbeat = p.regWithData = p.removeHttpdHeader = p.comSetEnable = p.regDataHex = true;
    p.heartPeriod = 70000; // keeps its low 16 bits
    QByteArray stored(kHeartRegBlockSize, '\x33');
    QVERIFY(buildHeartReg(p, stored));
    QCOMPARE(stored.left(5).toHex(' '), hex("BA 70 11 00 00").toHex(' '));
    QCOMPARE(stored.mid(5), QByteArray(80, '\0'));
    const HeartRegParams back = parseHeartReg(stored);
    QCOMPARE(back.serialHeartbeat, true);
    QCOMPARE(back.netHeartbeat, false);
    QCOMPARE(back.regDataHex, true);
    QCOMPARE(back.heartPeriod, 70000 - 65536);
}

void TestParamBlocks::heartRegBadHexLeavesTheBlockUntouched()
{
    const QByteArray original = fixtureHeartReg();
    HeartRegParams p = parseHeartReg(original);
    p.heartPeriod = 1;
    p.heartData = "31ZZ33";
    QByteArray stored = original;
    BuildResult r = buildHeartReg(p, stored);
    QCOMPARE(r.badField, QStringLiteral("HeartData"));
    QCOMPARE(stored, original);

    p = parseHeartReg(original);
    p.regDataHex = true; // "hello" is not hex
    r = buildHeartReg(p, stored);
    QCOMPARE(r.badField, QStringLiteral("RegData"));
    QCOMPARE(stored, original);
}

void TestParamBlocks::heartRegLengthBeyondTheFieldReadsAsForty()
{
    QByteArray block = fixtureHeartReg();
    block[3] = char(0xFF); // would run into the registration data
    block[4] = char(41);   // would run past the block
    const HeartRegParams p = parseHeartReg(block);
    QCOMPARE(p.heartData.size(), 80);
    QVERIFY(p.heartData.startsWith(QStringLiteral("0102FF00")));
    QCOMPARE(p.regData, QStringLiteral("hello"));
}

// ---- HTTPD -----------------------------------------------------------------------------------

void TestParamBlocks::httpdParseAndRoundTrip()
{
    const QByteArray original = fixtureHttpd();
    const HttpdParams p = parseHttpd(original);
    QCOMPARE(p.url, QStringLiteral("/api/data?"));
    QCOMPARE(p.header, QStringLiteral("Host: a.b\r\nX"));

    QByteArray stored = original;
    buildHttpdUrl(p.url, stored);
    buildHttpdHeader(p.header, stored);
    QCOMPARE(stored, original);
    QCOMPARE(httpdUrlPart(stored), original.left(101));
    QCOMPARE(::httpdHeaderPart(stored), original.mid(101));
}

void TestParamBlocks::httpdUrlCutAndTailKept_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("shown"); // the URL as read back

    const QString url120 = QString(120, QLatin1Char('x'));
    QTest::newRow("shorter than before: the old tail stays")
        << "/new" << 4 << QByteArray("/new") << "/new";
    QTest::newRow("120 characters: length 100")
        << url120 << 100 << QByteArray(100, 'x') << url120.left(100);
    QTest::newRow("a Chinese character across byte 100")
        << QStringLiteral("a") + QString(50, QChar(0x4E2D)) << 99
        << QByteArray("a") + hex("D6 D0").repeated(49)
        << QStringLiteral("a") + QString(49, QChar(0x4E2D));
    QTest::newRow("empty") << "" << 0 << QByteArray() << "";
}

void TestParamBlocks::httpdUrlCutAndTailKept()
{
    QFETCH(QString, url);
    QFETCH(int, length);
    QFETCH(QByteArray, written);
    QFETCH(QString, shown);

    const QByteArray original = fixtureHttpd();
    QByteArray stored = original;
    buildHttpdUrl(url, stored);
    QCOMPARE(int(quint8(stored[0])), length);
    QByteArray expected = original;
    expected[0] = char(length);
    expected.replace(1, written.size(), written);
    QCOMPARE(stored.toHex(' '), expected.toHex(' '));
    QCOMPARE(parseHttpd(stored).url, shown);
}

void TestParamBlocks::httpdHeaderPart()
{
    const QByteArray original = fixtureHttpd();
    QByteArray stored = original;
    buildHttpdHeader(QString(250, QLatin1Char('H')), stored);
    QCOMPARE(quint8(stored[101]), quint8(200));
    QCOMPARE(stored.mid(102), QByteArray(200, 'H'));
    QCOMPARE(stored.left(101), original.left(101));

    buildHttpdHeader(QStringLiteral("A: 1"), stored);
    QCOMPARE(quint8(stored[101]), quint8(4));
    QCOMPARE(stored.mid(102), QByteArray("A: 1") + QByteArray(196, 'H'));
    QCOMPARE(parseHttpd(stored).header, QStringLiteral("A: 1"));
}

void TestParamBlocks::httpdLengthBeyondTheFieldIsClamped()
{
    QByteArray block(kHttpdBlockSize, 'u');
    block[0] = char(0xFF); // would run into the header length and the header
    block[101] = char(0xFF);
    const HttpdParams p = parseHttpd(block);
    QCOMPARE(p.url, QString(100, QLatin1Char('u')));
    QCOMPARE(p.header, QString(200, QLatin1Char('u')));
}

// ---- Modbus ----------------------------------------------------------------------------------

void TestParamBlocks::modbusShortParse_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<bool>("poll");
    QTest::addColumn<QString>("pollTime");
    QTest::newRow("4 bytes: on, polling every 60 s") << hex("01 01 00 3C") << true << true << "60";
    QTest::newRow("4 bytes: off, time BE16") << hex("00 00 01 2C") << false << false << "300";
    QTest::newRow("1 byte: on") << hex("01") << true << false << "";
    QTest::newRow("1 byte: off") << hex("00") << false << false << "";
}

void TestParamBlocks::modbusShortParse()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, tcp);
    QFETCH(bool, poll);
    QFETCH(QString, pollTime);
    const ModbusParams p = parseModbusShort(answer);
    QCOMPARE(p.tcpEnabled, tcp);
    QCOMPARE(p.pollEnabled, poll);
    QCOMPARE(p.pollTime, pollTime);
    if (answer.size() == 4)
        QCOMPARE(buildModbusShort(p, 4).value_or("failed"), answer);
}

void TestParamBlocks::modbusShortBuild_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<bool>("poll");
    QTest::addColumn<QString>("pollTime");
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("block"); // empty: refused
    QTest::newRow("1 byte on") << true << true << "x" << 1 << hex("01");
    QTest::newRow("1 byte off") << false << false << "" << 1 << hex("00");
    QTest::newRow("4 bytes") << true << false << "60" << 4 << hex("01 00 00 3C");
    QTest::newRow("4 bytes, time beyond 16 bits")
        << false << true << "70000" << 4 << hex("00 01 11 70");
    QTest::newRow("4 bytes, time not a number") << true << true << "6O" << 4 << QByteArray();
    QTest::newRow("4 bytes, no time") << true << true << "" << 4 << QByteArray();
    QTest::newRow("no such form") << true << true << "60" << 2 << QByteArray();
}

void TestParamBlocks::modbusShortBuild()
{
    QFETCH(bool, tcp);
    QFETCH(bool, poll);
    QFETCH(QString, pollTime);
    QFETCH(int, form);
    QFETCH(QByteArray, block);
    const auto built = buildModbusShort({tcp, poll, pollTime}, form);
    QCOMPARE(built.has_value(), !block.isEmpty());
    if (built)
        QCOMPARE(built->toHex(' '), block.toHex(' '));
}

void TestParamBlocks::modbusPackBuild_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kModbusPackCases)); ++i)
        QTest::newRow(kModbusPackCases[i].name) << i;
}

void TestParamBlocks::modbusPackBuild()
{
    QFETCH(int, row);
    const ModbusPackCase &c = kModbusPackCases[row];
    QByteArray stored(kModbusPackBlockSize, '\xEE');
    QVERIFY(buildModbusPack(c.param, stored));
    QCOMPARE(stored.left(7).toHex(' '), hex(c.head).toHex(' '));
    QCOMPARE(stored.mid(7), QByteArray(80, '\xEE'));
}

void TestParamBlocks::modbusNewBuild_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kModbusNewCases)); ++i)
        QTest::newRow(kModbusNewCases[i].name) << i;
}

void TestParamBlocks::modbusNewBuild()
{
    QFETCH(int, row);
    const ModbusNewCase &c = kModbusNewCases[row];
    QByteArray stored(kModbusNewBlockSize, '\xEE');
    QVERIFY(buildModbusNew(c.param, stored));
    QCOMPARE(stored.left(7).toHex(' '), hex(c.head).toHex(' '));
    QCOMPARE(stored.mid(7), QByteArray(93, '\xEE'));
}

void TestParamBlocks::modbusParseAndRoundTrip()
{
    QByteArray pack = hex("02 01 00 C8 00 0A 01"); // RTU polling, exception on, timeout 200,
                                                   // interval 10, JSON
    pack += QByteArray(80, '\x6B');                // not interpreted
    const ModbusPackParams p = parseModbusPack(pack);
    QCOMPARE(p.mode, 2);
    QCOMPARE(p.exceptionResponse, 1);
    QCOMPARE(p.timeout, QStringLiteral("200"));
    QCOMPARE(p.interval, QStringLiteral("10"));
    QCOMPARE(p.reportProtocol, 1);
    QByteArray stored = pack;
    QVERIFY(buildModbusPack(p, stored));
    QCOMPARE(stored, pack);

    QByteArray newer = hex("02 00 01 2C 00 05"); // RTU polling, exception off, 300, 5
    newer += QByteArray(94, '\x6C');
    const ModbusNewParams n = parseModbusNew(newer);
    QCOMPARE(n.mode, 2);
    QCOMPARE(n.exceptionResponse, 0);
    QCOMPARE(n.timeout, QStringLiteral("300"));
    QCOMPARE(n.interval, QStringLiteral("5"));
    stored = newer;
    QVERIFY(buildModbusNew(n, stored));
    QCOMPARE(stored, newer);
}

void TestParamBlocks::modbusBadTimeLeavesTheBlockUntouched()
{
    const QByteArray original(kModbusPackBlockSize, '\xEE');
    QByteArray stored = original;
    BuildResult r = buildModbusPack({2, 1, 1, "200", "1O"}, stored);
    QCOMPARE(r.badField, QStringLiteral("Interval"));
    QCOMPARE(stored, original);
    r = buildModbusPack({1, 1, 1, "-5", "10"}, stored);
    QCOMPARE(r.badField, QStringLiteral("Timeout"));
    QCOMPARE(stored, original);
    // Mode 0 writes no times, so their texts do not matter.
    QVERIFY(buildModbusPack({0, 1, 1, "bad", "bad"}, stored));

    const QByteArray newer(kModbusNewBlockSize, '\xEE');
    stored = newer;
    r = buildModbusNew({2, 1, "x", "10"}, stored);
    QCOMPARE(r.badField, QStringLiteral("Timeout"));
    QCOMPARE(stored, newer);
    QVERIFY(buildModbusNew({1, 1, "x", "x"}, stored));
}

// ---- stored answers and number fields --------------------------------------------------------

void TestParamBlocks::storedAnswers()
{
    StoredAnswers stored;
    QCOMPARE(stored.param, QByteArray(130, '\0'));
    QCOMPARE(stored.cloud, QByteArray(50, '\0'));
    QCOMPARE(stored.heartReg, QByteArray(85, '\0'));
    QCOMPARE(stored.modbusPack, QByteArray(87, '\0'));
    QCOMPARE(stored.modbusNew, QByteArray(100, '\0'));
    QCOMPARE(stored.httpd, QByteArray(302, '\0'));

    const QByteArray param = fixtureParam();
    QVERIFY(stored.storeReply(param));
    QCOMPARE(stored.param, param);
    QCOMPARE(stored.baseFlags, quint8(0xB5));
    QCOMPARE(stored.portFlags, quint8(0xE6));

    for (int length : {50, 85, 87, 100, 302}) {
        const QByteArray answer(length, char(length));
        QVERIFY(stored.storeReply(answer));
        QCOMPARE(*stored.buffer(length), answer);
    }
    QCOMPARE(stored.cloud, QByteArray(50, char(50)));
    QCOMPARE(stored.httpd, QByteArray(302, char(302 & 0xFF)));

    // Lengths that are not kept change nothing.
    const StoredAnswers before = stored;
    for (int length : {0, 1, 2, 4, 36, 129, 131, 137, 8192})
        QVERIFY(!stored.storeReply(QByteArray(length, '\x11')));
    QCOMPARE(stored.param, before.param);
    QCOMPARE(stored.baseFlags, before.baseFlags);
    QVERIFY(stored.buffer(4) == nullptr);

    // The serial read remembers the flag bytes of its 137-byte reply without storing the block.
    QByteArray reply = hex("55 BD") + param + hex("00 00 00 00 00");
    reply[2 + 3] = char(0x4E);
    reply[2 + kPortBlockOffset + 50] = char(0x03);
    stored.rememberFlags(reply.mid(2, kParamBlockSize));
    QCOMPARE(stored.baseFlags, quint8(0x4E));
    QCOMPARE(stored.portFlags, quint8(0x03));
    QCOMPARE(stored.param, param);
    stored.rememberFlags(QByteArray(20, '\x7F')); // too short: ignored
    QCOMPARE(stored.baseFlags, quint8(0x4E));
}

void TestParamBlocks::decimalFieldValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("shortConnTime");
    QTest::newRow("number") << "5555" << true << 5555u << 5555;
    QTest::newRow("blanks around") << " 42 " << true << 42u << 42;
    QTest::newRow("leading zeros") << "0080" << true << 80u << 80;
    QTest::newRow("empty") << "" << false << 0u << 3;
    QTest::newRow("blank") << "  " << false << 0u << 3;
    QTest::newRow("letter") << "4a" << false << 0u << 3;
    QTest::newRow("sign") << "-1" << false << 0u << 3;
    QTest::newRow("plus") << "+1" << false << 0u << 3;
    QTest::newRow("blank inside") << "1 2" << false << 0u << 3;
    QTest::newRow("other digits") << QStringLiteral("١٢") << false << 0u << 3;
    QTest::newRow("2^32 keeps its low bits") << "4294967296" << true << 0u << 0;
    QTest::newRow("2^32 + 80") << "4294967376" << true << 80u << 80;
    QTest::newRow("twenty digits") << "18446744073709551621" << true << 5u << 5; // 2^64 + 5
}

void TestParamBlocks::decimalFieldValue()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, value);
    QFETCH(int, shortConnTime);
    const auto v = ::decimalFieldValue(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
    QCOMPARE(shortConnTimeFromText(text), shortConnTime);
}

QTEST_APPLESS_MAIN(TestParamBlocks)
#include "tst_paramblocks.moc"
