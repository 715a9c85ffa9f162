// Conversions between screen texts and frame bytes: the conventions the wire formats rely on.

#include "common/TextCodec.h"
#include "common/ValueHelpers.h"

#include <QTest>

namespace {
QByteArray hx(const char *hex)
{
    return QByteArray::fromHex(hex);
}
} // namespace

class TstValueHelpers : public QObject
{
    Q_OBJECT
private slots:
    void ipTexts_data();
    void ipTexts();
    void ipTextToBytesKeepsUnreachedSlotsAndRejectsJunk();
    void ipTextToInt_data();
    void ipTextToInt();
    void sameSubnet();
    void macTexts_data();
    void macTexts();
    void loginField_data();
    void loginField();
    void textField_data();
    void textField();
    void bytesToTextStopsAtNul();
    void numbers();
    void flags();
    void hexTexts();
    void hexTextToText_data();
    void hexTextToText();
    void tryHexTextToText_data();
    void tryHexTextToText();
    void hexTextToBuffer();
    void serialFormat_data();
    void serialFormat();
    void checksum();
    void fileTextDecoding_data();
    void fileTextDecoding();
    void bindOverride();
};

void TstValueHelpers::ipTexts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("block order") << hx("C800A8C0") << "192.168.0.200";
    QTest::newRow("zeros") << hx("00000000") << "0.0.0.0";
    QTest::newRow("all 255") << hx("FFFFFFFF") << "255.255.255.255";
    QTest::newRow("no leading zeros") << hx("0A000001") << "1.0.0.10";
}

void TstValueHelpers::ipTexts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(IpBytesToText(bytes), text);
    QCOMPARE(IpTextToBytes(text).value_or(QByteArray("fail")), bytes);
    QCOMPARE(IpTextToBytes(QStringLiteral(" ") + text + QStringLiteral(" ")).value_or("fail"),
             bytes);
    QCOMPARE(IntToIpText(BytesToInt(bytes, true)), text);
}

void TstValueHelpers::ipTextToBytesKeepsUnreachedSlotsAndRejectsJunk()
{
    // Each number is kept modulo 256.
    QCOMPARE(*IpTextToBytes(QStringLiteral("256.1.2.300")), hx("2C020100"));
    // Two dots: slots 3 and 2 then 0; slot 1 keeps its old value.
    QCOMPARE(*IpTextToBytes(QStringLiteral("1.2.3"), hx("AABBCCDD")), hx("03BB0201"));
    for (const char *bad : {"1.2.x.4", "", "1..2.3", "a", "1.2.3.4.5", "1.2.3.-4"})
        QVERIFY2(!IpTextToBytes(QString::fromLatin1(bad)).has_value(), bad);
}

void TstValueHelpers::ipTextToInt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("value");
    QTest::newRow("plain") << "192.168.0.7" << true << 0xC0A80007u;
    QTest::newRow("any separator") << "10-0-0-1" << true << 0x0A000001u;
    QTest::newRow("no range check") << "1.2.3.300" << true << (0x01020300u + 300u);
    QTest::newRow("empty run") << "1..2.3" << false << 0u;
    QTest::newRow("too few") << "1.2.3" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
}

void TstValueHelpers::ipTextToInt()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, value);
    const auto v = IpTextToInt(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
}

void TstValueHelpers::sameSubnet()
{
    const QString mask = QStringLiteral("255.255.255.0");
    QCOMPARE(SameSubnet(QStringLiteral("192.168.0.7"), QStringLiteral("192.168.0.200"), mask),
             true);
    QCOMPARE(SameSubnet(QStringLiteral("192.168.1.7"), QStringLiteral("192.168.0.7"), mask), false);
    QVERIFY(!SameSubnet(QStringLiteral("x"), QStringLiteral("192.168.0.7"), mask).has_value());
}

void TstValueHelpers::macTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes"); // empty: conversion fails
    QTest::newRow("blanks") << "D8 B0 4C 00 12 34" << hx("D8B04C001234");
    QTest::newRow("no blanks") << "D8B04C001234" << hx("D8B04C001234");
    QTest::newRow("lowercase") << "d8 b0 4c 00 12 3f" << hx("D8B04C00123F");
    QTest::newRow("extra digits ignored") << "D8B04C00123456" << hx("D8B04C001234");
    QTest::newRow("too short") << "D8 B0 4C 00 12" << QByteArray();
    QTest::newRow("bad pair") << "D8 B0 4C 00 12 3G" << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
}

void TstValueHelpers::macTexts()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const auto mac = MacTextToBytes(text);
    QCOMPARE(mac.has_value(), !bytes.isEmpty());
    if (mac) {
        QCOMPARE(*mac, bytes);
        const QString back = MacBytesToText(*mac);
        QCOMPARE(back.size(), 17);
        QCOMPARE(back, back.toUpper());
        QCOMPARE(MacTextToBytes(back).value(), bytes);
    }
}

void TstValueHelpers::loginField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("short, NUL padded") << "ab" << hx("616200000000");
    QTest::newRow("blanks removed, cut to 6") << "a b c d e f g" << hx("616263646566");
    QTest::newRow("nine letters cut") << "abcdefghi" << hx("616263646566");
    QTest::newRow("empty") << "" << hx("000000000000");
}

void TstValueHelpers::loginField()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    QByteArray frame(10, char(0x77));
    PutLoginField(text, frame, 2);
    QCOMPARE(frame.mid(2, 6), field);
    QCOMPARE(frame.left(2), QByteArray(2, char(0x77)));
    QCOMPARE(frame.mid(8), QByteArray(2, char(0x77)));
}

void TstValueHelpers::textField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("padded") << "abc" << 5 << hx("6162630000");
    QTest::newRow("cut") << "abcdef" << 4 << hx("61626364");
    QTest::newRow("GB18030 whole") << QStringLiteral("中文") << 4 << hx("D6D0CEC4");
    // A two-byte character that would straddle the field end is left out whole.
    QTest::newRow("GB18030 not split") << QStringLiteral("a中文") << 4 << hx("61D6D000");
    QTest::newRow("empty") << "" << 3 << hx("000000");
}

void TstValueHelpers::textField()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, field);
    QCOMPARE(TextToField(text, width), field);
}

void TstValueHelpers::bytesToTextStopsAtNul()
{
    QCOMPARE(BytesToText(hx("4142004344")), QStringLiteral("AB"));
    QCOMPARE(BytesToText(QByteArray("ABCDEFGHIJKLMN")), QStringLiteral("ABCDEFGHIJKLMN"));
    QCOMPARE(BytesToText(hx("D6D0CEC400")), QStringLiteral("中文"));
}

void TstValueHelpers::numbers()
{
    QCOMPARE(BytesToInt(hx("00C20100"), true), 115200u);
    QCOMPARE(BytesToInt(hx("0001C200"), false), 115200u);
    QCOMPARE(BytesToInt(hx("D207"), true), 2002u);
    QCOMPARE(BytesToInt(hx("FFFFFFFF"), true), 0xFFFFFFFFu);
    QCOMPARE(WordToBytes(0x1234), hx("3412"));
}

void TstValueHelpers::flags()
{
    std::array<bool, 8> f{};
    QCOMPARE(ByteToFlags(0x81, f), true);
    QVERIFY(f[0] && f[7] && !f[1] && !f[6]);
    QCOMPARE(FlagsToByte(f), quint8(0x81));
    QCOMPARE(ByteToFlags(0x02, f), false);
    QCOMPARE(FlagsToByte(f), quint8(0x02));
}

void TstValueHelpers::hexTexts()
{
    QCOMPARE(BytesToHexText(hx("FF010102")), QStringLiteral("FF 01 01 02 "));
    QCOMPARE(BufferToHexText(hx("0AFF"), QStringLiteral("-")), QStringLiteral("0A-FF-"));
    QCOMPARE(TextToHexText(QByteArray("12")), QStringLiteral("3132"));
    QCOMPARE(BytesToHexText(QByteArray()), QString());
}

void TstValueHelpers::hexTextToText_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("pairs") << "3132" << QByteArray("12");
    QTest::newRow("lowercase") << "6a6B" << QByteArray("jk");
    QTest::newRow("odd digit ignored") << "313" << QByteArray("1");
    QTest::newRow("bad pair: input back") << "31ZZ" << QByteArray("31ZZ");
}

void TstValueHelpers::hexTextToText()
{
    QFETCH(QString, hex);
    QFETCH(QByteArray, text);
    QCOMPARE(HexTextToText(hex), text);
}

void TstValueHelpers::tryHexTextToText_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("odd final digit") << "31 32 3" << true << hx("313203");
    QTest::newRow("bad pair first") << "ZZ31" << false << QByteArray();
    QTest::newRow("bad pair between skipped") << "31ZZ32" << true << QByteArray("12");
    QTest::newRow("blanks anywhere") << " 3 132 " << true << QByteArray("12");
    QTest::newRow("empty") << "" << true << QByteArray();
    QTest::newRow("single bad digit") << "Z" << false << QByteArray();
}

void TstValueHelpers::tryHexTextToText()
{
    QFETCH(QString, hex);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    const auto r = TryHexTextToText(hex);
    QCOMPARE(r.has_value(), ok);
    if (ok)
        QCOMPARE(*r, bytes);
}

void TstValueHelpers::hexTextToBuffer()
{
    QByteArray buf = hx("AAAAAAAA");
    QVERIFY(HexTextToBuffer(QStringLiteral("0102"), buf, 4));
    QCOMPARE(buf, hx("01020000"));

    buf = hx("AAAAAAAA");
    QVERIFY(!HexTextToBuffer(QStringLiteral("01ZZ03"), buf, 4));
    QCOMPARE(buf, hx("01AAAAAA")); // the bad pair stops the fill; later bytes unchanged
}

void TstValueHelpers::serialFormat_data()
{
    QTest::addColumn<quint8>("value");
    QTest::addColumn<QString>("bin");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("twoStops");
    QTest::newRow("8E1") << quint8(0x1B) << "011011" << 2 << 3 << false;
    QTest::newRow("5N2") << quint8(0x04) << "000100" << 0 << 0 << true;
    QTest::newRow("8N2") << quint8(0x07) << "000111" << 0 << 3 << true;
    QTest::newRow("7O1") << quint8(0x0A) << "001010" << 1 << 2 << false;
    QTest::newRow("8 space 1") << quint8(0x3B) << "111011" << 4 << 3 << false;
    QTest::newRow("kind without enable") << quint8(0x33) << "110011" << 0 << 3 << false;
}

void TstValueHelpers::serialFormat()
{
    QFETCH(quint8, value);
    QFETCH(QString, bin);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(bool, twoStops);
    QCOMPARE(ByteToBinText(value), bin);
    QCOMPARE(DecodeParity(value), parity);
    QCOMPARE(DecodeDataBits(value), dataBits);
    QCOMPARE(DecodeStopBits(value), twoStops);
    QCOMPARE(ByteToBinText(5), QStringLiteral("000101"));
    QCOMPARE(ByteToBinText(200), QStringLiteral("11001000"));
}

void TstValueHelpers::checksum()
{
    QCOMPARE(Checksum8(hx("0101")), quint8(0x02));
    QCOMPARE(Checksum8(QByteArray(20, char(0xFF))), quint8(0xEC));
    QCOMPARE(Checksum8(hx("00")), quint8(0));
}

void TstValueHelpers::fileTextDecoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87") << QStringLiteral("中文");
    QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF"
                                                  "abc")
                                    << QStringLiteral("abc");
    QTest::newRow("GBK") << hx("D6D0CEC4") << QStringLiteral("中文");
    QTest::newRow("ascii") << QByteArray("a|b") << QStringLiteral("a|b");
    QTest::newRow("truncated utf-8 reads as GB18030")
        << QByteArray("a\xE4\xB8") << QStringLiteral("a") + Gb18030Decode("\xE4\xB8");
}

void TstValueHelpers::fileTextDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DecodeFileText(bytes), text);
}

void TstValueHelpers::bindOverride()
{
    qputenv("X7_BIND_ADDRESSES", "127.0.0.1, 127.0.0.2,not-an-ip");
    QCOMPARE(GetLocalIPv4List(), QStringList({"127.0.0.1", "127.0.0.2"}));
    SetBindAddressOverride({QStringLiteral("127.0.0.3")});
    QCOMPARE(GetLocalIPv4List(), QStringList({"127.0.0.3"}));
    SetBindAddressOverride({});
    qunsetenv("X7_BIND_ADDRESSES");
    for (const QString &ip : GetLocalIPv4List())
        QVERIFY2(!ip.startsWith(QLatin1String("127.")), qPrintable(ip));
}

QTEST_GUILESS_MAIN(TstValueHelpers)
#include "tst_valuehelpers.moc"
