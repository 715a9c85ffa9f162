// Conversions between screen texts and frame bytes: the conventions the wire formats rely on.

#include "common/TextCodec.h"
#include "textfiles/TextFiles.h"
#include "common/ValueHelpers.h"

#include <QTest>

namespace {
QByteArray hx(const char *hex)
{
    return QByteArray::fromHex(hex);
}
} // namespace

class TestValueHelpers : public QObject
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

void TestValueHelpers::ipTexts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("block order") << hx("C800A8C0") << "192.168.0.200";
    QTest::newRow("zeros") << hx("00000000") << "0.0.0.0";
    QTest::newRow("all 255") << hx("FFFFFFFF") << "255.255.255.255";
    QTest::newRow("no leading zeros") << hx("0A000001") << "1.0.0.10";
}

void TestValueHelpers::ipTexts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(ipBytesToText(bytes), text);
    QCOMPARE(ipTextToBytes(text).value_or(QByteArray("fail")), bytes);
    QCOMPARE(ipTextToBytes(QStringLiteral(" ") + text + QStringLiteral(" ")).value_or("fail"),
             bytes);
    QCOMPARE(intToIpText(bytesToInt(bytes, true)), text);
}

void TestValueHelpers::ipTextToBytesKeepsUnreachedSlotsAndRejectsJunk()
{
    // Each number is kept modulo 256.
    QCOMPARE(*ipTextToBytes(QStringLiteral("256.1.2.300")), hx("2C020100"));
    // Two dots: slots 3 and 2 then 0; slot 1 keeps its old value.
    QCOMPARE(*ipTextToBytes(QStringLiteral("1.2.3"), hx("AABBCCDD")), hx("03BB0201"));
    for (const char *bad : {"1.2.x.4", "", "1..2.3", "a", "1.2.3.4.5", "1.2.3.-4"})
        QVERIFY2(!ipTextToBytes(QString::fromLatin1(bad)).has_value(), bad);
}

void TestValueHelpers::ipTextToInt_data()
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

void TestValueHelpers::ipTextToInt()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, value);
    const auto v = ::ipTextToInt(text);
    QCOMPARE(v.has_value(), ok);
    if (ok)
        QCOMPARE(*v, value);
}

void TestValueHelpers::sameSubnet()
{
    const QString mask = QStringLiteral("255.255.255.0");
    QCOMPARE(::sameSubnet(QStringLiteral("192.168.0.7"), QStringLiteral("192.168.0.200"), mask),
             true);
    QCOMPARE(::sameSubnet(QStringLiteral("192.168.1.7"), QStringLiteral("192.168.0.7"), mask),
             false);
    QVERIFY(!::sameSubnet(QStringLiteral("x"), QStringLiteral("192.168.0.7"), mask).has_value());
}

void TestValueHelpers::macTexts_data()
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

void TestValueHelpers::macTexts()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const auto mac = macTextToBytes(text);
    QCOMPARE(mac.has_value(), !bytes.isEmpty());
    if (mac) {
        QCOMPARE(*mac, bytes);
        const QString back = macBytesToText(*mac);
        QCOMPARE(back.size(), 17);
        QCOMPARE(back, back.toUpper());
        QCOMPARE(macTextToBytes(back).value(), bytes);
    }
}

void TestValueHelpers::loginField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("short, NUL padded") << "ab" << hx("616200000000");
    QTest::newRow("blanks removed, cut to 6") << "a b c d e f g" << hx("616263646566");
    QTest::newRow("nine letters cut") << "abcdefghi" << hx("616263646566");
    QTest::newRow("empty") << "" << hx("000000000000");
}

void TestValueHelpers::loginField()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    QByteArray frame(10, char(0x77));
    putLoginField(text, frame, 2);
    QCOMPARE(frame.mid(2, 6), field);
    QCOMPARE(frame.left(2), QByteArray(2, char(0x77)));
    QCOMPARE(frame.mid(8), QByteArray(2, char(0x77)));
}

void TestValueHelpers::textField_data()
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

void TestValueHelpers::textField()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QByteArray, field);
    QCOMPARE(textToField(text, width), field);
}

void TestValueHelpers::bytesToTextStopsAtNul()
{
    QCOMPARE(bytesToText(hx("4142004344")), QStringLiteral("AB"));
    QCOMPARE(bytesToText(QByteArray("ABCDEFGHIJKLMN")), QStringLiteral("ABCDEFGHIJKLMN"));
    QCOMPARE(bytesToText(hx("D6D0CEC400")), QStringLiteral("中文"));
}

void TestValueHelpers::numbers()
{
    QCOMPARE(bytesToInt(hx("00C20100"), true), 115200u);
    QCOMPARE(bytesToInt(hx("0001C200"), false), 115200u);
    QCOMPARE(bytesToInt(hx("D207"), true), 2002u);
    QCOMPARE(bytesToInt(hx("FFFFFFFF"), true), 0xFFFFFFFFu);
    QCOMPARE(wordToBytes(0x1234), hx("3412"));
}

void TestValueHelpers::flags()
{
    std::array<bool, 8> f{};
    QCOMPARE(byteToFlags(0x81, f), true);
    QVERIFY(f[0] && f[7] && !f[1] && !f[6]);
    QCOMPARE(flagsToByte(f), quint8(0x81));
    QCOMPARE(byteToFlags(0x02, f), false);
    QCOMPARE(flagsToByte(f), quint8(0x02));
}

void TestValueHelpers::hexTexts()
{
    QCOMPARE(bytesToHexText(hx("FF010102")), QStringLiteral("FF 01 01 02 "));
    QCOMPARE(bufferToHexText(hx("0AFF"), QStringLiteral("-")), QStringLiteral("0A-FF-"));
    QCOMPARE(textToHexText(QByteArray("12")), QStringLiteral("3132"));
    QCOMPARE(bytesToHexText(QByteArray()), QString());
}

void TestValueHelpers::hexTextToText_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("pairs") << "3132" << QByteArray("12");
    QTest::newRow("lowercase") << "6a6B" << QByteArray("jk");
    QTest::newRow("odd digit ignored") << "313" << QByteArray("1");
    QTest::newRow("bad pair: input back") << "31ZZ" << QByteArray("31ZZ");
}

void TestValueHelpers::hexTextToText()
{
    QFETCH(QString, hex);
    QFETCH(QByteArray, text);
    QCOMPARE(::hexTextToText(hex), text);
}

void TestValueHelpers::tryHexTextToText_data()
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

void TestValueHelpers::tryHexTextToText()
{
    QFETCH(QString, hex);
    QFETCH(bool, ok);
    QFETCH(QByteArray, bytes);
    const auto r = ::tryHexTextToText(hex);
    QCOMPARE(r.has_value(), ok);
    if (ok)
        QCOMPARE(*r, bytes);
}

void TestValueHelpers::hexTextToBuffer()
{
    QByteArray buf = hx("AAAAAAAA");
    QVERIFY(::hexTextToBuffer(QStringLiteral("0102"), buf, 4));
    QCOMPARE(buf, hx("01020000"));

    buf = hx("AAAAAAAA");
    QVERIFY(!::hexTextToBuffer(QStringLiteral("01ZZ03"), buf, 4));
    QCOMPARE(buf, hx("01AAAAAA")); // the bad pair stops the fill; later bytes unchanged
}

void TestValueHelpers::serialFormat_data()
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

void TestValueHelpers::serialFormat()
{
    QFETCH(quint8, value);
    QFETCH(QString, bin);
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(bool, twoStops);
    QCOMPARE(byteToBinText(value), bin);
    QCOMPARE(decodeParity(value), parity);
    QCOMPARE(decodeDataBits(value), dataBits);
    QCOMPARE(decodeStopBits(value), twoStops);
    QCOMPARE(byteToBinText(5), QStringLiteral("000101"));
    QCOMPARE(byteToBinText(200), QStringLiteral("11001000"));
}

void TestValueHelpers::checksum()
{
    QCOMPARE(checksum8(hx("0101")), quint8(0x02));
    QCOMPARE(checksum8(QByteArray(20, char(0xFF))), quint8(0xEC));
    QCOMPARE(checksum8(hx("00")), quint8(0));
}

void TestValueHelpers::fileTextDecoding_data()
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
        << QByteArray("a\xE4\xB8") << QStringLiteral("a") + gb18030Decode("\xE4\xB8");
}

void TestValueHelpers::fileTextDecoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TextFiles::decode(bytes), text);
}

void TestValueHelpers::bindOverride()
{
    qputenv("X7_BIND_ADDRESSES", "127.0.0.1, 127.0.0.2,not-an-ip");
    QCOMPARE(localIPv4List(), QStringList({"127.0.0.1", "127.0.0.2"}));
    setBindAddressOverride({QStringLiteral("127.0.0.3")});
    QCOMPARE(localIPv4List(), QStringList({"127.0.0.3"}));
    setBindAddressOverride({});
    qunsetenv("X7_BIND_ADDRESSES");
    for (const QString &ip : localIPv4List())
        QVERIFY2(!ip.startsWith(QLatin1String("127.")), qPrintable(ip));
}

QTEST_GUILESS_MAIN(TestValueHelpers)
#include "tst_valuehelpers.moc"
