#include "protocol/PtzFrames.h"

#include <QTest>

// Frames are written as hex text in the tables so that each row reads like the wire.
static QByteArray Hex(const char *text)
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
        << MoveFrame(1, PadDirection::Up, 0x3F, 0x20) << Hex("FF 01 00 08 00 20 29");
    QTest::newRow("query pan") << QueryPanPositionFrame(1) << Hex("FF 01 00 51 00 00 52");
    QTest::newRow("query tilt") << QueryTiltPositionFrame(1) << Hex("FF 01 00 53 00 00 54");
    QTest::newRow("set pan 60") << SetPanPositionFrame(1, 60) << Hex("FF 01 00 4B 17 70 D3");
    QTest::newRow("set tilt 45") << SetTiltPositionFrame(1, 45) << Hex("FF 01 00 4D 11 94 F3");
    QTest::newRow("highlight") << LightFrame(1, LightMode::Level, HighlightLevel)
                               << Hex("68 01 01 02 00 64 D0");
    // The sum passes 255 and only its low byte is carried.
    QTest::newRow("sum wraps") << CallPresetFrame(255, 255) << Hex("FF FF 00 07 00 FF 05");
    QTest::newRow("address 0") << StopFrame(0) << Hex("FF 00 00 00 00 00 00");
    QTest::newRow("stop") << StopFrame(1) << Hex("FF 01 00 00 00 00 01");

    // The pad: a move carries only the speeds of the axes it moves.
    QTest::newRow("right") << MoveFrame(2, PadDirection::Right, 0x10, 0x20)
                           << Hex("FF 02 00 02 10 00 14");
    QTest::newRow("left") << MoveFrame(2, PadDirection::Left, 0x10, 0x20)
                          << Hex("FF 02 00 04 10 00 16");
    QTest::newRow("down") << MoveFrame(2, PadDirection::Down, 0x10, 0x20)
                          << Hex("FF 02 00 10 00 20 32");
    QTest::newRow("up-right") << MoveFrame(2, PadDirection::UpRight, 0x10, 0x20)
                              << Hex("FF 02 00 0A 10 20 3C");
    QTest::newRow("up-left") << MoveFrame(2, PadDirection::UpLeft, 0x10, 0x20)
                             << Hex("FF 02 00 0C 10 20 3E");
    QTest::newRow("down-right") << MoveFrame(2, PadDirection::DownRight, 0x10, 0x20)
                                << Hex("FF 02 00 12 10 20 44");
    QTest::newRow("down-left") << MoveFrame(2, PadDirection::DownLeft, 0x40, 0x40)
                               << Hex("FF 02 00 14 40 40 96");

    QTest::newRow("set preset 5") << SetPresetFrame(3, 5) << Hex("FF 03 00 03 00 05 0B");
    QTest::newRow("delete preset 5") << DeletePresetFrame(3, 5) << Hex("FF 03 00 05 00 05 0D");
    QTest::newRow("call preset 5") << CallPresetFrame(3, 5) << Hex("FF 03 00 07 00 05 0F");
    QTest::newRow("auto cruise") << AutoCruiseFrame(3) << Hex("FF 03 00 07 00 63 6D");
    QTest::newRow("call track 0") << CallTrackFrame(3, 0) << Hex("FF 03 00 4F 01 00 53");
    QTest::newRow("call track 8") << CallTrackFrame(3, 8) << Hex("FF 03 00 4F 01 08 5B");
    QTest::newRow("light on") << LightOnFrame(3) << Hex("FF 03 00 09 00 02 0E");
    QTest::newRow("light off") << LightOffFrame(3) << Hex("FF 03 00 0B 00 02 10");

    QTest::newRow("pan 360") << SetPanPositionFrame(1, 360) << Hex("FF 01 00 4B 8C A0 78");
    QTest::newRow("pan 0") << SetPanPositionFrame(1, 0) << Hex("FF 01 00 4B 00 00 4C");
    QTest::newRow("tilt 180") << SetTiltPositionFrame(1, 180) << Hex("FF 01 00 4D 46 50 E4");
    QTest::newRow("pan 0.125 to even")
        << SetPanPositionFrame(1, 0.125) << Hex("FF 01 00 4B 00 0C 58");

    QTest::newRow("normal") << LightFrame(1, LightMode::Level, NormalLevel)
                            << Hex("68 01 01 02 00 32 9E");
    QTest::newRow("energy saving")
        << LightFrame(1, LightMode::Level, EnergySavingLevel) << Hex("68 01 01 02 00 1E 8A");
    QTest::newRow("warning") << LightFrame(1, LightMode::Warning, 0) << Hex("68 01 01 02 01 00 6D");
    QTest::newRow("drive-away") << LightFrame(1, LightMode::DriveAway, 0)
                                << Hex("68 01 01 02 02 00 6E");
    QTest::newRow("dazzle") << LightFrame(1, LightMode::Dazzle, 0) << Hex("68 01 01 02 03 00 6F");
    QTest::newRow("light sum wraps")
        << LightFrame(255, LightMode::Level, 255) << Hex("68 FF 01 02 00 FF 69");
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
    const QByteArray bytes = Hex("68 07 01 02 00 10 00");
    QCOMPARE(CommandChecksum(bytes), quint8(0x07 + 0x01 + 0x02 + 0x10));
    QCOMPARE(LightChecksum(bytes), quint8(0x68 + 0x07 + 0x01 + 0x02 + 0x10));
}

void TestPtzFrames::completeFillsOnlyTheLastByte()
{
    QByteArray buffer = Hex("FF 01 00 08 00 20 99");
    CompleteCommandFrame(buffer);
    QCOMPARE(buffer, Hex("FF 01 00 08 00 20 29"));

    QByteArray light = Hex("68 01 01 02 00 64");
    CompleteLightFrame(light);
    QCOMPARE(light, Hex("68 01 01 02 00 64 D0"));
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
    QCOMPARE(AngleToHundredths(degrees), hundredths);
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
    const auto angle = AngleFromText(text, max);
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
    const auto byte = ByteFromSelectorText(text);
    QCOMPARE(byte.has_value(), value >= 0);
    if (value >= 0)
        QCOMPARE(int(*byte), value);
}

QTEST_APPLESS_MAIN(TestPtzFrames)
#include "tst_ptzframes.moc"
