// The frames and replies of the serial configuration exchange, built and read without a port.

#include "serial/SerialFrames.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"

#include <QTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

Q1Params sampleQ1()
{
    Q1Params p;
    p.destIp = QStringLiteral("192.168.0.201");
    p.destPort = QStringLiteral("8234");
    p.moduleIp = QStringLiteral("192.168.0.7");
    p.modulePort = QStringLiteral("4001");
    p.gateway = QStringLiteral("192.168.0.1");
    p.workMode = 1;
    p.baud = QStringLiteral("115200");
    p.parity = 2;
    p.dataBits = 3;
    p.stopBits = 0;
    p.id = QStringLiteral("1234");
    p.options = Q1ConnSendId | Q1Rs485;
    p.mask = QStringLiteral("255.255.255.0");
    return p;
}

// A 137-byte reply around a parameter block whose every byte differs from its neighbours.
QByteArray paramReply(QByteArray *block = nullptr)
{
    QByteArray param(130, '\0');
    for (int i = 0; i < 130; ++i)
        param[i] = char(0xA0 | (i & 0x0F));
    if (block)
        *block = param;
    return hex("55BD") + param + hex("AAAAAAAAAA");
}

} // namespace

class TestSerialFrames : public QObject
{
    Q_OBJECT
private slots:
    void fixedFrames();
    void blockFramesCarryTheirSum();
    void formatByte_data();
    void formatByte();
    void q1Frame();
    void q1Baud_data();
    void q1Baud();
    void q1FieldsThatDoNotConvert_data();
    void q1FieldsThatDoNotConvert();
    void q1ReplyRoundTrip();
    void q1ReplyRefused_data();
    void q1ReplyRefused();
    void classify_data();
    void classify();
    void extensionReply();
    void q2WriteNeedsARead();
    void q2WriteKeepsTheModulesBytes();
    void q2WriteWithABadFieldChangesNothing();
    void hexLines();
};

void TestSerialFrames::fixedFrames()
{
    QCOMPARE(serialReadRequest(), hex("55BD"));
    QCOMPARE(serialExtensionRequest(), hex("55C1"));
    QCOMPARE(serialCommitFrame(), hex("55B15A"));
}

void TestSerialFrames::blockFramesCarryTheirSum()
{
    QByteArray param(130, '\0');
    for (int i = 0; i < 130; ++i)
        param[i] = char(i * 7);
    const QByteArray base = serialBaseFrame(param);
    QCOMPARE(base.size(), 70);
    QCOMPARE(base.left(2), hex("55BE"));
    QCOMPARE(base.mid(2, 67), param.left(67));
    QCOMPARE(quint8(base.back()), checksum8(param.left(67)));
    const QByteArray port = serialPortFrame(param);
    QCOMPARE(port.size(), 66);
    QCOMPARE(port.left(2), hex("55BF"));
    QCOMPARE(port.mid(2, 63), param.mid(67));
    QCOMPARE(quint8(port.back()), checksum8(param.mid(67)));
}

void TestSerialFrames::formatByte_data()
{
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("expected");
    QTest::newRow("EVEN/8/1") << 2 << 3 << 0 << 0x1B;
    QTest::newRow("NONE/7/2") << 0 << 2 << 1 << 0x06;
    QTest::newRow("NONE/8/1") << 0 << 3 << 0 << 0x03;
    QTest::newRow("ODD/5/1") << 1 << 0 << 0 << 0x08;
    QTest::newRow("SPACE/8/2") << 4 << 3 << 1 << 0x3F;
}

void TestSerialFrames::formatByte()
{
    QFETCH(int, parity);
    QFETCH(int, dataBits);
    QFETCH(int, stopBits);
    QFETCH(int, expected);
    const quint8 value = serialFormatByte(parity, dataBits, stopBits);
    QCOMPARE(int(value), expected);
    // The module's reply is read with the same decoders.
    QCOMPARE(decodeParity(value), parity);
    QCOMPARE(decodeDataBits(value), dataBits);
    QCOMPARE(decodeStopBits(value), stopBits == 1);
}

void TestSerialFrames::q1Frame()
{
    const Q1FrameResult r = buildQ1Frame(sampleQ1());
    QVERIFY(r.ok());
    QCOMPARE(r.frame.size(), 31);
    QCOMPARE(r.frame.left(30).toHex(' '), hex("55BA"
                                              "C900A8C0"  // 192.168.0.201, last number first
                                              "2A20"      // 8234
                                              "0700A8C0"  // 192.168.0.7
                                              "A10F"      // 4001
                                              "0100A8C0"  // 192.168.0.1
                                              "01"        // TCP client
                                              "00C201"    // 115200
                                              "1B"        // EVEN/8/1
                                              "04D2"      // 1234, high byte first
                                              "05"        // ID on connect, RS485
                                              "00FFFFFF") // 255.255.255.0
                                              .toHex(' '));
    QCOMPARE(quint8(r.frame.at(30)), checksum8(r.frame.mid(2, 28)));

    Q1Params noId = sampleQ1();
    noId.id.clear(); // an empty ID goes out as 0
    QCOMPARE(buildQ1Frame(noId).frame.mid(23, 2), hex("0000"));
}

void TestSerialFrames::q1Baud_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("115200") << QStringLiteral("115200") << hex("00C201");
    QTest::newRow("921600") << QStringLiteral("921600") << hex("00100E");
    QTest::newRow("300") << QStringLiteral("300") << hex("2C0100");
    QTest::newRow("largest") << QStringLiteral("16777215") << hex("FFFFFF");
}

void TestSerialFrames::q1Baud()
{
    QFETCH(QString, baud);
    QFETCH(QByteArray, bytes);
    Q1Params p = sampleQ1();
    p.baud = baud;
    QCOMPARE(buildQ1Frame(p).frame.mid(19, 3), bytes);
}

void TestSerialFrames::q1FieldsThatDoNotConvert_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::newRow("short address") << QStringLiteral("destIp") << QStringLiteral("192.168.0");
    QTest::newRow("address part > 255")
        << QStringLiteral("moduleIp") << QStringLiteral("1.2.3.256");
    QTest::newRow("letters in address") << QStringLiteral("gateway") << QStringLiteral("1.2.x.4");
    QTest::newRow("empty mask") << QStringLiteral("mask") << QString();
    QTest::newRow("empty port") << QStringLiteral("modulePort") << QString();
    QTest::newRow("port > 65535") << QStringLiteral("destPort") << QStringLiteral("65536");
    QTest::newRow("signed port") << QStringLiteral("destPort") << QStringLiteral("-1");
    QTest::newRow("custom text as baud") << QStringLiteral("baud") << QStringLiteral("自定义");
    QTest::newRow("baud beyond 24 bits") << QStringLiteral("baud") << QStringLiteral("16777216");
    QTest::newRow("ID > 65535") << QStringLiteral("id") << QStringLiteral("70000");
    QTest::newRow("ID with letters") << QStringLiteral("id") << QStringLiteral("12a");
}

void TestSerialFrames::q1FieldsThatDoNotConvert()
{
    QFETCH(QString, field);
    QFETCH(QString, value);
    Q1Params p = sampleQ1();
    QString *target = field == QLatin1String("destIp")       ? &p.destIp
                      : field == QLatin1String("moduleIp")   ? &p.moduleIp
                      : field == QLatin1String("gateway")    ? &p.gateway
                      : field == QLatin1String("mask")       ? &p.mask
                      : field == QLatin1String("modulePort") ? &p.modulePort
                      : field == QLatin1String("destPort")   ? &p.destPort
                      : field == QLatin1String("baud")       ? &p.baud
                                                             : &p.id;
    *target = value;
    const Q1FrameResult r = buildQ1Frame(p);
    QCOMPARE(r.badField, field);
    QVERIFY(r.frame.isEmpty());
}

void TestSerialFrames::q1ReplyRoundTrip()
{
    // The reply has the write frame's layout with head 55 BC; byte 30 is free, 31 sums 2-30.
    QByteArray reply = buildQ1Frame(sampleQ1()).frame;
    reply[1] = char(kSerialQ1Reply);
    reply[30] = char(0x77);
    reply.append(char(checksum8(reply.mid(2, 29))));
    const auto parsed = parseQ1Reply(reply);
    QVERIFY(parsed);
    Q1Params expected = sampleQ1();
    expected.gateway = QStringLiteral("192.168.0.1");
    QCOMPARE(*parsed, expected);
}

void TestSerialFrames::q1ReplyRefused_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("delta");
    QTest::newRow("sum off by one") << 31 << 1;
    QTest::newRow("byte 30 changed") << 30 << 1;
    QTest::newRow("wrong head") << 0 << 1;
    QTest::newRow("wrong tag") << 1 << 1;
}

void TestSerialFrames::q1ReplyRefused()
{
    QFETCH(int, index);
    QFETCH(int, delta);
    QByteArray reply = buildQ1Frame(sampleQ1()).frame;
    reply[1] = char(kSerialQ1Reply);
    reply.append(char(checksum8(reply.mid(2, 29))));
    QVERIFY(parseQ1Reply(reply));
    reply[index] = char(quint8(reply.at(index)) + delta);
    QVERIFY(!parseQ1Reply(reply));
    QVERIFY(!parseQ1Reply(reply.left(31)));
}

void TestSerialFrames::classify_data()
{
    QTest::addColumn<QByteArray>("burst");
    QTest::addColumn<int>("kind");
    QTest::newRow("ack") << hex("4B") << int(SerialReply::Ack);
    QTest::newRow("other byte") << hex("45") << int(SerialReply::OtherByte);
    QTest::newRow("Q1 reply") << QByteArray(32, '\0') << int(SerialReply::Q1Params);
    QTest::newRow("extension") << QByteArray(115, '\0') << int(SerialReply::Extension);
    QTest::newRow("parameters") << paramReply() << int(SerialReply::Q2Params);
    QTest::newRow("first half of a split reply")
        << paramReply().left(68) << int(SerialReply::Other);
    QTest::newRow("two acks together") << hex("4B4B") << int(SerialReply::Other);
}

void TestSerialFrames::classify()
{
    QFETCH(QByteArray, burst);
    QFETCH(int, kind);
    QCOMPARE(int(classifySerialReply(burst)), kind);
}

void TestSerialFrames::extensionReply()
{
    QByteArray reply = hex("55C1");
    reply += QByteArray("ABCDEFGHIJKLMNOPQRST") + QByteArray("12345678");
    QByteArray heart(85, '\0');
    heart[0] = 0x05;
    heart[84] = 0x7E;
    reply += heart;
    QCOMPARE(reply.size(), 115);
    const CloudParams cloud = cloudOfExtension(reply);
    QCOMPARE(cloud.deviceId, QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    QCOMPARE(cloud.commCode, QStringLiteral("12345678"));
    QCOMPARE(heartRegOfExtension(reply), heart);
}

void TestSerialFrames::q2WriteNeedsARead()
{
    StoredAnswers stored;
    const StoredAnswers before = stored;
    const SerialWrite w = buildQ2SerialWrite({}, {}, false, stored);
    QVERIFY(w.refused());
    QVERIFY(w.noRead);
    QVERIFY(w.frames.isEmpty());
    QCOMPARE(stored.param, before.param);
}

void TestSerialFrames::q2WriteKeepsTheModulesBytes()
{
    QByteArray block;
    const QByteArray reply = paramReply(&block);
    StoredAnswers stored;
    QVERIFY(stored.storeReply(paramBlockOfReply(reply)));
    BaseParams base = parseBaseParam(block);
    PortParams port = parsePortParam(portBlock(block));
    base.ip = QStringLiteral("10.0.0.9");
    base.userMac = QStringLiteral("01 02 03 04 05 06");
    base.dns = QStringLiteral("8.8.8.8");
    base.gateway = QStringLiteral("10.0.0.1");
    base.mask = QStringLiteral("255.0.0.0");
    port.localPort = 4001;

    const SerialWrite w = buildQ2SerialWrite(base, port, true, stored);
    QVERIFY(!w.refused());
    QCOMPARE(w.frames.size(), 3);
    QCOMPARE(w.frames.at(2), serialCommitFrame());
    const QByteArray written = w.frames.at(0).mid(2, 67) + w.frames.at(1).mid(2, 63);
    QCOMPARE(written, stored.param);
    QCOMPARE(written.mid(9, 4), hex("0900000A"));
    // Bytes the Q2 panel does not define go back as the module sent them (never zeros).
    for (int i : {0, 1, 2, 8, 49, 50, 51, 64, 65, 66, 67 + 46, 67 + 47, 67 + 48, 67 + 49, 67 + 57})
        QCOMPARE(quint8(written.at(i)), quint8(block.at(i)));
    // Flag bits no control shows come from the remembered flag bytes of the read.
    QCOMPARE(quint8(written.at(3)) & 0x4E, quint8(block.at(3)) & 0x4E);
    QCOMPARE(quint8(written.at(67 + 50)) & 0x03, quint8(block.at(67 + 50)) & 0x03);
}

void TestSerialFrames::q2WriteWithABadFieldChangesNothing()
{
    QByteArray block;
    StoredAnswers stored;
    QVERIFY(stored.storeReply(paramBlockOfReply(paramReply(&block))));
    BaseParams base = parseBaseParam(block);
    base.ip = QStringLiteral("10.0.0.9");
    base.gateway = QStringLiteral("10.0.0.1");
    base.mask = QStringLiteral("255.0.0.0");
    base.dns = QStringLiteral("8.8.8.8");
    base.userMac = QStringLiteral("not a mac");
    const SerialWrite w = buildQ2SerialWrite(base, parsePortParam(portBlock(block)), true, stored);
    QVERIFY(w.refused());
    QCOMPARE(w.badField, QStringLiteral("UserMac"));
    QCOMPARE(stored.param, block);
}

void TestSerialFrames::hexLines()
{
    const QList<SerialLogLine> sent = serialHexLines(hex("55BD"), true);
    QCOMPARE(sent.size(), 3);
    QCOMPARE(sent.at(0).text, QStringLiteral("[ PC ] → [ Device ]"));
    QCOMPARE(sent.at(0).tone, SerialLogLine::Sent);
    QCOMPARE(sent.at(1).text, QStringLiteral("[ Length : 2 ]"));
    QCOMPARE(sent.at(1).tone, SerialLogLine::Sent);
    QCOMPARE(sent.at(2).text, QStringLiteral("55 BD "));
    QCOMPARE(sent.at(2).tone, SerialLogLine::Plain);
    const QList<SerialLogLine> received = serialHexLines(hex("4B"), false);
    QCOMPARE(received.at(0).text, QStringLiteral("[ PC ] ← [ Device ]"));
    QCOMPARE(received.at(1).tone, SerialLogLine::Received);
}

QTEST_APPLESS_MAIN(TestSerialFrames)
#include "tst_serialframes.moc"
