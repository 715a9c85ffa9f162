#include "protocol/PtzFrames.h"

#include <QTest>

// Frames are written as hex text in the tables so that each row reads like the wire.
static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

class TestPtzFrames : public QObject
{
    Q_OBJECT

private slots:
    void commandSet_data();
    void commandSet();
    void checksumRulesDiffer();
    void completeFillsOnlyTheLastByte();
    void angleToHundredths_data();
    void angleToHundredths();
    void angleFromText_data();
    void angleFromText();
    void selectorBytes_data();
    void selectorBytes();
};

void TestPtzFrames::commandSet_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");

    // Worked frames of the head's protocol.
    QTest::newRow("move up, tilt 0x20")
        << moveFrame(1, PadDirection::Up, 0x3F, 0x20) << hex("FF 01 00 08 00 20 29");
    QTest::newRow("query pan") << queryPanPositionFrame(1) << hex("FF 01 00 51 00 00 52");
    QTest::newRow("query tilt") << queryTiltPositionFrame(1) << hex("FF 01 00 53 00 00 54");
    QTest::newRow("set pan 60") << setPanPositionFrame(1, 60) << hex("FF 01 00 4B 17 70 D3");
    QTest::newRow("set tilt 45") << setTiltPositionFrame(1, 45) << hex("FF 01 00 4D 11 94 F3");
    QTest::newRow("highlight") << lightFrame(1, LightMode::Level, kHighlightLevel)
                               << hex("68 01 01 02 00 64 D0");
    // The sum passes 255 and only its low byte is carried.
    QTest::newRow("sum wraps") << callPresetFrame(255, 255) << hex("FF FF 00 07 00 FF 05");
    QTest::newRow("address 0") << stopFrame(0) << hex("FF 00 00 00 00 00 00");
    QTest::newRow("stop") << stopFrame(1) << hex("FF 01 00 00 00 00 01");

    // The pad: a move carries only the speeds of the axes it moves.
    QTest::newRow("right") << moveFrame(2, PadDirection::Right, 0x10, 0x20)
                           << hex("FF 02 00 02 10 00 14");
    QTest::newRow("left") << moveFrame(2, PadDirection::Left, 0x10, 0x20)
                          << hex("FF 02 00 04 10 00 16");
    QTest::newRow("down") << moveFrame(2, PadDirection::Down, 0x10, 0x20)
                          << hex("FF 02 00 10 00 20 32");
    QTest::newRow("up-right") << moveFrame(2, PadDirection::UpRight, 0x10, 0x20)
                              << hex("FF 02 00 0A 10 20 3C");
    QTest::newRow("up-left") << moveFrame(2, PadDirection::UpLeft, 0x10, 0x20)
                             << hex("FF 02 00 0C 10 20 3E");
    QTest::newRow("down-right") << moveFrame(2, PadDirection::DownRight, 0x10, 0x20)
                                << hex("FF 02 00 12 10 20 44");
    QTest::newRow("down-left") << moveFrame(2, PadDirection::DownLeft, 0x40, 0x40)
                               << hex("FF 02 00 14 40 40 96");

    QTest::newRow("set preset 5") << setPresetFrame(3, 5) << hex("FF 03 00 03 00 05 0B");
    QTest::newRow("delete preset 5") << deletePresetFrame(3, 5) << hex("FF 03 00 05 00 05 0D");
    QTest::newRow("call preset 5") << callPresetFrame(3, 5) << hex("FF 03 00 07 00 05 0F");
    QTest::newRow("auto cruise") << autoCruiseFrame(3) << hex("FF 03 00 07 00 63 6D");
    QTest::newRow("call track 0") << callTrackFrame(3, 0) << hex("FF 03 00 4F 01 00 53");
    QTest::newRow("call track 8") << callTrackFrame(3, 8) << hex("FF 03 00 4F 01 08 5B");
    QTest::newRow("light on") << lightOnFrame(3) << hex("FF 03 00 09 00 02 0E");
    QTest::newRow("light off") << lightOffFrame(3) << hex("FF 03 00 0B 00 02 10");

    QTest::newRow("pan 360") << setPanPositionFrame(1, 360) << hex("FF 01 00 4B 8C A0 78");
    QTest::newRow("pan 0") << setPanPositionFrame(1, 0) << hex("FF 01 00 4B 00 00 4C");
    QTest::newRow("tilt 180") << setTiltPositionFrame(1, 180) << hex("FF 01 00 4D 46 50 E4");
    QTest::newRow("pan 0.125 to even")
        << setPanPositionFrame(1, 0.125) << hex("FF 01 00 4B 00 0C 58");

    QTest::newRow("normal") << lightFrame(1, LightMode::Level, kNormalLevel)
                            << hex("68 01 01 02 00 32 9E");
    QTest::newRow("energy saving")
        << lightFrame(1, LightMode::Level, kEnergySavingLevel) << hex("68 01 01 02 00 1E 8A");
    QTest::newRow("warning") << lightFrame(1, LightMode::Warning, 0) << hex("68 01 01 02 01 00 6D");
    QTest::newRow("drive-away") << lightFrame(1, LightMode::DriveAway, 0)
                                << hex("68 01 01 02 02 00 6E");
    QTest::newRow("dazzle") << lightFrame(1, LightMode::Dazzle, 0) << hex("68 01 01 02 03 00 6F");
    QTest::newRow("light sum wraps")
        << lightFrame(255, LightMode::Level, 255) << hex("68 FF 01 02 00 FF 69");
}

void TestPtzFrames::commandSet()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' ').toUpper(), expected.toHex(' ').toUpper());
}

void TestPtzFrames::checksumRulesDiffer()
{
    // Same covered bytes 1..5; only the light rule adds the 0x68 header.
    const QByteArray bytes = hex("68 07 01 02 00 10 00");
    QCOMPARE(commandChecksum(bytes), quint8(0x07 + 0x01 + 0x02 + 0x10));
    QCOMPARE(lightChecksum(bytes), quint8(0x68 + 0x07 + 0x01 + 0x02 + 0x10));
}

void TestPtzFrames::completeFillsOnlyTheLastByte()
{
    QByteArray buffer = hex("FF 01 00 08 00 20 99");
    completeCommandFrame(buffer);
    QCOMPARE(buffer, hex("FF 01 00 08 00 20 29"));

    QByteArray light = hex("68 01 01 02 00 64");
    completeLightFrame(light);
    QCOMPARE(light, hex("68 01 01 02 00 64 D0"));
}

void TestPtzFrames::angleToHundredths_data()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<int>("hundredths");
    QTest::newRow("0") << 0.0 << 0;
    QTest::newRow("60") << 60.0 << 6000;
    QTest::newRow("360") << 360.0 << 36000;
    QTest::newRow("half to even down") << 0.125 << 12;
    QTest::newRow("half to even up") << 0.375 << 38;
    QTest::newRow("below half") << 12.344 << 1234;
    QTest::newRow("above half") << 12.346 << 1235;
    QTest::newRow("359.99") << 359.99 << 35999;
    QTest::newRow("tiny") << 0.004 << 0;
}

void TestPtzFrames::angleToHundredths()
{
    QFETCH(double, degrees);
    QFETCH(int, hundredths);
    QCOMPARE(::angleToHundredths(degrees), hundredths);
}

void TestPtzFrames::angleFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<double>("value");
    QTest::newRow("60") << "60" << 360.0 << true << 60.0;
    QTest::newRow("360 edge") << "360" << 360.0 << true << 360.0;
    QTest::newRow("0 edge") << "0" << 180.0 << true << 0.0;
    QTest::newRow("decimal") << "12.5" << 180.0 << true << 12.5;
    QTest::newRow("blanks around") << " 45 " << 180.0 << true << 45.0;
    QTest::newRow("361") << "361" << 360.0 << false << 0.0;
    QTest::newRow("180.5 tilt") << "180.5" << 180.0 << false << 0.0;
    QTest::newRow("negative") << "-1" << 360.0 << false << 0.0;
    QTest::newRow("empty") << "" << 360.0 << false << 0.0;
    QTest::newRow("letters") << "abc" << 360.0 << false << 0.0;
    QTest::newRow("nan") << "nan" << 360.0 << false << 0.0;
    QTest::newRow("inf") << "inf" << 360.0 << false << 0.0;
}

void TestPtzFrames::angleFromText()
{
    QFETCH(QString, text);
    QFETCH(double, max);
    QFETCH(bool, valid);
    QFETCH(double, value);
    const auto angle = ::angleFromText(text, max);
    QCOMPARE(angle.has_value(), valid);
    if (valid)
        QCOMPARE(*angle, value);
}

void TestPtzFrames::selectorBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("00") << "00" << 0;
    QTest::newRow("07") << "07" << 7;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("0255 leading zero") << "0255" << 255;
    QTest::newRow("256") << "256" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("plus sign") << "+5" << -1;
    QTest::newRow("hex") << "0x10" << -1;
    QTest::newRow("decimal point") << "5.0" << -1;
    QTest::newRow("letters") << "ab" << -1;
    QTest::newRow("huge") << "99999999999" << -1;
    QTest::newRow("full-width digit") << "１" << -1;
}

void TestPtzFrames::selectorBytes()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    const auto byte = byteFromSelectorText(text);
    QCOMPARE(byte.has_value(), value >= 0);
    if (value >= 0)
        QCOMPARE(int(*byte), value);
}

QTEST_APPLESS_MAIN(TestPtzFrames)
#include "tst_ptzframes.moc"
