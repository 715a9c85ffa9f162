#include "protocol/PtzFrames.h"
#include "protocol/PtzReply.h"

#include <QTest>

static QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

class TestPtzReply : public QObject
{
    Q_OBJECT

private slots:
    void parseReply_data();
    void parseReply();
    void angleText_data();
    void angleText();
    void sentFrameLogText();
    void logLimit();
};

void TestPtzReply::parseReply_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<bool>("logged");
    QTest::addColumn<QString>("entry");

    QTest::newRow("pan 359.99") << hex("FF 01 00 59 8C 9F 85") << true
                                << "\r\n<--水平角度：359.99 °\r\n";
    QTest::newRow("tilt 45") << hex("FF 01 00 5B 11 94 01") << true << "\r\n<--垂直角度：45 °\r\n";
    QTest::newRow("pan 12.5") << hex("FF 01 00 59 04 E2 00") << true
                              << "\r\n<--水平角度：12.5 °\r\n";
    // Address, command 1 and checksum are not judged.
    QTest::newRow("bad checksum still an angle")
        << hex("FF 09 77 59 17 70 00") << true << "\r\n<--水平角度：60 °\r\n";
    // Bytes the chunk lacks count as 0.
    QTest::newRow("four bytes") << hex("FF 01 00 59") << true << "\r\n<--水平角度：0 °\r\n";
    QTest::newRow("five bytes") << hex("FF 01 00 5B 01") << true << "\r\n<--垂直角度：2.56 °\r\n";
    // Two frames in one chunk: judged and decoded by the first.
    QTest::newRow("two replies") << hex("FF 01 00 59 17 70 E1 FF 01 00 5B 11 94 01") << true
                                 << "\r\n<--水平角度：60 °\r\n";
    QTest::newRow("other frame in hex")
        << hex("FF 01 00 07 00 01 09") << true << "\r\n<--接收：FF 01 00 07 00 01 09 \r\n";
    QTest::newRow("lower-case never")
        << hex("FF 0a 00 00 ab cd ef") << true << "\r\n<--接收：FF 0A 00 00 AB CD EF \r\n";
    QTest::newRow("not sync") << hex("59 01 00 59 8C 9F 85") << false << QString();
    QTest::newRow("light frame") << hex("68 01 01 02 00 64 D0") << false << QString();
    QTest::newRow("two bytes") << hex("FF 01") << false << QString();
    QTest::newRow("three bytes") << hex("FF 01 00") << false << QString();
    QTest::newRow("empty") << QByteArray() << false << QString();

    // A long chunk that starts like a position reply is still decoded from bytes 4 and 5.
    QByteArray longReply = hex("FF 01 00 59 46 50 00");
    longReply.append(QByteArray(400, '\x11'));
    QTest::newRow("longer than 257 bytes") << longReply << true << "\r\n<--水平角度：180 °\r\n";
}

void TestPtzReply::parseReply()
{
    QFETCH(QByteArray, chunk);
    QFETCH(bool, logged);
    QFETCH(QString, entry);
    const auto text = ::parseReply(chunk);
    QCOMPARE(text.has_value(), logged);
    if (logged)
        QCOMPARE(*text, entry);
}

void TestPtzReply::angleText_data()
{
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("60") << 6000 << "60";
    QTest::newRow("one decimal") << 1250 << "12.5";
    QTest::newRow("two decimals") << 35999 << "359.99";
    QTest::newRow("leading zero decimal") << 5 << "0.05";
    QTest::newRow("largest reply") << 65535 << "655.35";
}

void TestPtzReply::angleText()
{
    QFETCH(int, hundredths);
    QFETCH(QString, text);
    QCOMPARE(::angleText(hundredths), text);
}

void TestPtzReply::sentFrameLogText()
{
    QCOMPARE(::sentFrameLogText(stopFrame(1)), QString("\r\n-->发送：FF 01 00 00 00 00 01 \r\n"));
}

void TestPtzReply::logLimit()
{
    const QString entry = ::sentFrameLogText(stopFrame(1)); // 31 characters
    QString log;
    int entries = 0;
    while (log.size() + entry.size() <= kTrafficLogLimit) {
        log = appendLogEntry(log, entry);
        ++entries;
    }
    QCOMPARE(log.size(), entries * entry.size());
    QVERIFY(log.size() <= kTrafficLogLimit);
    // The entry that would pass 511 characters empties the log, itself included.
    QCOMPARE(appendLogEntry(log, entry), QString());
    QCOMPARE(appendLogEntry(QString(500, 'x'), QString(11, 'y')).size(), 511);
    QCOMPARE(appendLogEntry(QString(500, 'x'), QString(12, 'y')), QString());
}

QTEST_APPLESS_MAIN(TestPtzReply)
#include "tst_ptzreply.moc"
