// The upgrade session without sockets: its frames byte by byte, the refusals before anything is
// sent, and whole transfers against a scripted boot loader that loses, repeats or invents
// acknowledgements.

#include "upgrade/UpgradeSession.h"

#include <QTest>

namespace {

const QString kTarget = QStringLiteral("192.168.0.7");
const QString kLocal = QStringLiteral("192.168.0.5");
const QString kMac = QStringLiteral("D8B04C001234");
const QByteArray kSignature = QByteArrayLiteral("X7BL");

UpgradeRequest request()
{
    return {kTarget, kMac, kLocal, QStringLiteral("fw.bin")};
}

QByteArray image(int dataSize)
{
    QByteArray bytes = kSignature;
    for (int i = 0; i < dataSize; ++i)
        bytes += char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// A boot loader's BOOTP request as the module sends it.
QByteArray bootRequest(const QByteArray &signature = kSignature)
{
    QByteArray r(300, '\0');
    r[0] = 1;
    r[1] = 1;
    r[2] = 6;
    r[4] = 0x12; // transaction id
    r[7] = 0x78;
    r.replace(28, 6, QByteArray::fromHex("D8B04C001234"));
    r.replace(44, 4, signature);
    r[26] = 1; // the boot loader wants to hear of a mismatch
    r.replace(236, 5, QByteArray::fromHex("63825363FF"));
    return r;
}

QByteArray fileRequest()
{
    return QByteArrayLiteral("\0\1firmware.bin\0octet\0");
}

QByteArray ack(int block)
{
    return QByteArray::fromHex("0004") + char(block >> 8) + char(block & 0xFF);
}

// Starts a session and answers the wake-up up to the read request; returns block 1's actions.
UpgradeActions startTransfer(UpgradeSession &s, const QByteArray &img)
{
    const UpgradeActions started = s.start(request(), img, 0);
    if (!started.openSockets)
        return started;
    s.datagram(67, QStringLiteral("0.0.0.0"), bootRequest(), 10);
    return s.datagram(69, kTarget, fileRequest(), 20);
}

int blockOf(const UpgradeFrame &f)
{
    return (quint8(f.bytes.at(2)) << 8) | quint8(f.bytes.at(3));
}

} // namespace

Q_DECLARE_METATYPE(UpgradeResult)
Q_DECLARE_METATYPE(UpgradeRequest)

class TestUpgradeSession : public QObject
{
    Q_OBJECT
private slots:
    void wakeUpFrame();
    void dataBlocks_data();
    void dataBlocks();
    void bootReplyKeepsTheRequest();
    void refusals_data();
    void refusals();
    void bootRequestChecks_data();
    void bootRequestChecks();
    void fileRequestOnlyFromTheTarget();
    void silentModuleTimesOutAfterTheSearch();
    void transfers_data();
    void transfers();
};

void TestUpgradeSession::wakeUpFrame()
{
    const QByteArray mac = QByteArray::fromHex("D8B04C001234");
    QCOMPARE(upgradeWakeUpFrame(mac),
             QByteArray::fromHex("AAAAAAAAAAAA"
                                 "D8B04C001234D8B04C001234D8B04C001234D8B04C001234"));

    UpgradeSession s;
    const UpgradeActions a = s.start(request(), image(10), 0);
    QVERIFY(a.openSockets);
    QCOMPARE(a.frames.size(), 1);
    QCOMPARE(a.frames.at(0),
             (UpgradeFrame{9, QStringLiteral("255.255.255.255"), 9, upgradeWakeUpFrame(mac)}));
    QCOMPARE(a.timer, UpgradeActions::Timer::Start);
    QCOMPARE(a.timerMs, 10000);
    QCOMPARE(*a.statusKey, QStringLiteral("lang_Hint_UpSearching"));
    // The file's size and signature are shown before anything else happens.
    QCOMPARE(a.detail->args, (QStringList{QStringLiteral("14"), QStringLiteral("58 37 42 4C")}));
}

void TestUpgradeSession::dataBlocks_data()
{
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<QList<int>>("blockSizes");
    QTest::newRow("4 + 1024: two full blocks and an empty one") << 1024 << QList<int>{512, 512, 0};
    QTest::newRow("4 + 700") << 700 << QList<int>{512, 188};
    QTest::newRow("4 + 1") << 1 << QList<int>{1};
    QTest::newRow("4 + 512") << 512 << QList<int>{512, 0};
    QTest::newRow("4 + 1025") << 1025 << QList<int>{512, 512, 1};
}

void TestUpgradeSession::dataBlocks()
{
    QFETCH(int, dataSize);
    QFETCH(QList<int>, blockSizes);
    const QByteArray img = image(dataSize);
    QCOMPARE(upgradeBlockCount(img.size()), blockSizes.size());
    QByteArray joined;
    for (int k = 1; k <= blockSizes.size(); ++k) {
        const QByteArray block = upgradeDataBlock(img, k);
        QCOMPARE(block.left(4), QByteArray::fromHex("0003") + char(k >> 8) + char(k & 0xFF));
        QCOMPARE(block.size() - 4, blockSizes.at(k - 1));
        joined += block.mid(4);
    }
    // The signature is never sent; everything after it is, once, in order.
    QCOMPARE(joined, img.mid(4));
}

void TestUpgradeSession::bootReplyKeepsTheRequest()
{
    const QByteArray req = bootRequest();
    const QByteArray reply = upgradeBootReply(req, 0xC0A80007, 0xC0A80005);
    QCOMPARE(reply.size(), 300);
    QCOMPARE(quint8(reply.at(0)), quint8(2));
    QCOMPARE(reply.mid(16, 4), QByteArray::fromHex("C0A80007"));
    QCOMPARE(reply.mid(20, 4), QByteArray::fromHex("C0A80005"));
    QCOMPARE(reply.mid(108, 12), QByteArrayLiteral("firmware.bin"));
    for (int i = 0; i < 300; ++i) {
        if (i == 0 || (i >= 16 && i < 24) || (i >= 108 && i < 120))
            continue;
        QVERIFY2(reply.at(i) == req.at(i), qPrintable(QStringLiteral("byte %1 changed").arg(i)));
    }
}

void TestUpgradeSession::refusals_data()
{
    QTest::addColumn<UpgradeRequest>("req");
    QTest::addColumn<int>("imageSize");
    QTest::addColumn<QString>("statusKey");
    QTest::addColumn<bool>("inMessageBox");
    QTest::addColumn<QString>("detailKey");

    const QString file = QStringLiteral("fw.bin");
    const QString noClient = QStringLiteral("lang_Hint_UpNoClient");
    QTest::newRow("no target IP") << UpgradeRequest{{}, kMac, kLocal, file} << 100 << noClient
                                  << false << QString();
    QTest::newRow("no MAC") << UpgradeRequest{kTarget, {}, kLocal, file} << 100 << noClient << false
                            << QString();
    QTest::newRow("no local IP") << UpgradeRequest{kTarget, kMac, {}, file} << 100 << noClient
                                 << false << QString();
    QTest::newRow("no file") << UpgradeRequest{kTarget, kMac, kLocal, {}} << 100
                             << QStringLiteral("lang_Hint_UpNoFileName") << false << QString();
    QTest::newRow("other /24 network")
        << UpgradeRequest{QStringLiteral("192.168.0.7"), kMac, QStringLiteral("192.168.1.5"), file}
        << 100 << QStringLiteral("lang_Hint_UpNoSamNetwork") << true << QString();
    QTest::newRow("address that is no address")
        << UpgradeRequest{QStringLiteral("192.168.0.300"), kMac, kLocal, file} << 100
        << QStringLiteral("lang_Hint_Upfailed") << false
        << QStringLiteral("lang_Upgrade_BadAddress");
    QTest::newRow("bad MAC") << UpgradeRequest{kTarget, QStringLiteral("D8B04C00123G"), kLocal,
                                               file}
                             << 100 << QStringLiteral("lang_Hint_Upfailed") << false
                             << QStringLiteral("lang_Upgrade_BadMac");
    for (int size : {0, 3, 4, 5 - 1})
        QTest::addRow("file of %d bytes", size)
            << request() << size << QStringLiteral("lang_Hint_UpFileTooShort") << false
            << QStringLiteral("lang_Upgrade_FileInfo");
}

void TestUpgradeSession::refusals()
{
    QFETCH(UpgradeRequest, req);
    QFETCH(int, imageSize);
    QFETCH(QString, statusKey);
    QFETCH(bool, inMessageBox);
    QFETCH(QString, detailKey);

    UpgradeSession s;
    const UpgradeActions a =
        s.start(req, kSignature.left(imageSize).leftJustified(imageSize, 'x'), 0);
    QVERIFY(!a.openSockets);
    QVERIFY(a.frames.isEmpty());
    QCOMPARE(a.finished, std::optional(UpgradeResult::Refused));
    QCOMPARE(*a.statusKey, statusKey);
    QCOMPARE(a.statusInMessageBox, inMessageBox);
    QCOMPARE(a.detail ? a.detail->key : QString(), detailKey);
    QVERIFY(!s.isRunning());
}

void TestUpgradeSession::bootRequestChecks_data()
{
    QTest::addColumn<QByteArray>("req");
    QTest::addColumn<QString>("expected"); // reply, ignored, mismatch

    QTest::newRow("valid") << bootRequest() << QStringLiteral("reply");
    QByteArray r = bootRequest();
    r[3] = 1;
    QTest::newRow("hops not zero") << r << QStringLiteral("ignored");
    r = bootRequest();
    r[10] = char(0x80);
    QTest::newRow("broadcast flag") << r << QStringLiteral("ignored");
    r = bootRequest();
    r[11] = 1;
    QTest::newRow("low flag byte") << r << QStringLiteral("ignored");
    r = bootRequest();
    r[0] = 2;
    QTest::newRow("a reply, not a request") << r << QStringLiteral("ignored");
    r = bootRequest();
    r[2] = 8;
    QTest::newRow("hlen 8") << r << QStringLiteral("ignored");
    QTest::newRow("299 bytes") << bootRequest().left(299) << QStringLiteral("ignored");
    QTest::newRow("other signature") << bootRequest("X7ZZ") << QStringLiteral("mismatch");
    r = bootRequest("X7ZZ");
    r[26] = 0;
    QTest::newRow("other signature, unmarked") << r << QStringLiteral("ignored");
}

void TestUpgradeSession::bootRequestChecks()
{
    QFETCH(QByteArray, req);
    QFETCH(QString, expected);
    UpgradeSession s;
    s.start(request(), image(100), 0);
    const UpgradeActions a = s.datagram(67, QStringLiteral("0.0.0.0"), req, 5);
    if (expected == QLatin1String("reply")) {
        QCOMPARE(a.frames.size(), 1);
        QCOMPARE(a.frames.at(0), (UpgradeFrame{67, QStringLiteral("255.255.255.255"), 68,
                                               upgradeBootReply(req, 0xC0A80007, 0xC0A80005)}));
        QCOMPARE(*a.statusKey, QStringLiteral("lang_Hint_UpReady"));
        QVERIFY(s.isRunning());
    } else if (expected == QLatin1String("mismatch")) {
        QVERIFY(a.frames.isEmpty());
        QCOMPARE(*a.statusKey, QStringLiteral("lang_Hint_BinNotMatch"));
        QCOMPARE(a.finished, std::optional(UpgradeResult::Mismatch));
        QCOMPARE(a.detail->args,
                 (QStringList{QStringLiteral("58 37 5A 5A"), QStringLiteral("58 37 42 4C")}));
        QVERIFY(!s.isRunning());
    } else {
        QVERIFY(a.frames.isEmpty());
        QVERIFY(!a.statusKey);
        QVERIFY(s.isRunning());
        // Nothing else comes: the search runs out.
        QCOMPARE(s.timeout(10000).finished, std::optional(UpgradeResult::TimedOut));
    }
}

void TestUpgradeSession::fileRequestOnlyFromTheTarget()
{
    UpgradeSession s;
    s.start(request(), image(100), 0);
    s.datagram(67, QStringLiteral("0.0.0.0"), bootRequest(), 1);
    QVERIFY(s.datagram(69, QStringLiteral("192.168.0.8"), fileRequest(), 2).frames.isEmpty());
    QByteArray wrongMode = fileRequest();
    wrongMode.replace(15, 5, "netas");
    QVERIFY(s.datagram(69, kTarget, wrongMode, 2).frames.isEmpty());
    QVERIFY(s.datagram(69, kTarget, fileRequest() + '\0', 2).frames.isEmpty());
    // An acknowledgement before the file is asked for moves nothing either.
    QVERIFY(s.datagram(40300, kTarget, ack(0), 2).frames.isEmpty());

    const UpgradeActions a = s.datagram(69, kTarget, fileRequest(), 3);
    QCOMPARE(a.frames.size(), 1);
    QCOMPARE(a.frames.at(0),
             (UpgradeFrame{40300, kTarget, 13633, upgradeDataBlock(image(100), 1)}));
    QCOMPARE(a.timerMs, 2000);
}

void TestUpgradeSession::silentModuleTimesOutAfterTheSearch()
{
    UpgradeSession s;
    s.start(request(), image(100), 0);
    const UpgradeActions a = s.timeout(10000);
    QVERIFY(a.frames.isEmpty());
    QCOMPARE(a.finished, std::optional(UpgradeResult::TimedOut));
    QCOMPARE(*a.statusKey, QStringLiteral("lang_Hint_UpTimeOut"));
    QVERIFY(a.closeSockets);
    QCOMPARE(a.progress, std::optional(0));
    QVERIFY(!s.isRunning());
}

// A scripted boot loader: it acknowledges each data block it receives, except the faults of
// the script; when nothing is in flight the retry timer fires.
//   "dropack:K"   the first acknowledgement of block K is lost
//   "dropdata:K"  the first sending of block K is lost
//   "dupack:K"    block K is acknowledged twice
//   "bogus:K"     after block 1, an acknowledgement of block K arrives that was never asked for
//   "deaf:K"      block K is never acknowledged
void TestUpgradeSession::transfers_data()
{
    QTest::addColumn<int>("dataSize");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QList<int>>("blocksSent");
    QTest::addColumn<QList<int>>("progress"); // with each block sent
    QTest::addColumn<UpgradeResult>("result");
    QTest::addColumn<int>("retries");

    using L = QList<int>;
    const auto ok = UpgradeResult::Succeeded;
    QTest::newRow("4 + 1024") << 1024 << QStringList() << L{1, 2, 3} << L{0, 50, 100} << ok << 0;
    QTest::newRow("4 + 700: progress counts bytes")
        << 700 << QStringList() << L{1, 2} << L{0, 73} << ok << 0;
    QTest::newRow("lost last acknowledgement is recovered")
        << 1024 << QStringList{"dropack:3"} << L{1, 2, 3, 3} << L{0, 50, 100, 100} << ok << 1;
    QTest::newRow("lost short last acknowledgement")
        << 700 << QStringList{"dropack:2"} << L{1, 2, 2} << L{0, 73, 73} << ok << 1;
    QTest::newRow("lost data block")
        << 1024 << QStringList{"dropdata:2"} << L{1, 2, 2, 3} << L{0, 50, 50, 100} << ok << 1;
    QTest::newRow("duplicate acknowledgement sends nothing twice")
        << 1024 << QStringList{"dupack:1", "dupack:2"} << L{1, 2, 3} << L{0, 50, 100} << ok << 0;
    QTest::newRow("acknowledgement of a block never sent")
        << 1024 << QStringList{"bogus:3"} << L{1, 2, 3} << L{0, 50, 100} << ok << 0;
    QTest::newRow("nine time-outs, then the tenth ends it")
        << 1024 << QStringList{"deaf:2"} << L{1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}
        << L{0, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50} << UpgradeResult::TimedOut << 9;
    QTest::newRow("time-outs count over the whole transfer")
        << 1024 << QStringList{"dropack:1", "dropack:2", "dropack:3"} << L{1, 1, 2, 2, 3, 3}
        << L{0, 0, 50, 50, 100, 100} << ok << 3;
}

void TestUpgradeSession::transfers()
{
    QFETCH(int, dataSize);
    QFETCH(QStringList, script);
    QFETCH(QList<int>, blocksSent);
    QFETCH(QList<int>, progress);
    QFETCH(UpgradeResult, result);
    QFETCH(int, retries);

    auto fault = [&script](const char *kind, int block) {
        return script.removeOne(QStringLiteral("%1:%2").arg(QLatin1String(kind)).arg(block));
    };
    auto permanent = [&script](const char *kind, int block) {
        return script.contains(QStringLiteral("%1:%2").arg(QLatin1String(kind)).arg(block));
    };

    const QByteArray img = image(dataSize);
    UpgradeSession s;
    UpgradeActions a = startTransfer(s, img);
    QList<int> sent;
    QList<int> shown;
    QByteArray received;
    int expected = 1;
    std::optional<UpgradeResult> finished;
    qint64 now = 100;
    for (int step = 0; step < 100 && !finished; ++step, now += 10) {
        finished = a.finished;
        if (finished)
            break;
        QList<QByteArray> answers;
        for (const UpgradeFrame &f : std::as_const(a.frames)) {
            QCOMPARE(f.toPort, quint16(13633));
            const int k = blockOf(f);
            sent << k;
            shown << *a.progress;
            if (fault("dropdata", k))
                continue;
            if (k == expected) {
                received += f.bytes.mid(4);
                ++expected;
            }
            if (permanent("deaf", k) || fault("dropack", k))
                continue;
            answers << ack(k);
            if (fault("dupack", k))
                answers << ack(k);
            if (k == 1 && !script.filter(QStringLiteral("bogus:")).isEmpty())
                answers.prepend(ack(script.takeFirst().section(QLatin1Char(':'), 1).toInt()));
        }
        if (answers.isEmpty()) {
            QVERIFY2(!s.isRunning() || a.timer == UpgradeActions::Timer::Start ||
                         a.timer == UpgradeActions::Timer::Keep,
                     "a block in flight must keep the retry timer running");
            a = s.timeout(now);
            continue;
        }
        UpgradeActions merged;
        for (const QByteArray &answer : std::as_const(answers)) {
            const UpgradeActions one = s.datagram(40300, kTarget, answer, now);
            merged.frames += one.frames;
            if (one.progress)
                merged.progress = one.progress;
            if (one.finished)
                merged.finished = one.finished;
            if (one.timer != UpgradeActions::Timer::Keep)
                merged.timer = one.timer;
        }
        a = merged;
    }
    QCOMPARE(sent, blocksSent);
    QCOMPARE(shown, progress);
    QCOMPARE(finished, std::optional(result));
    QCOMPARE(s.retries(), retries);
    if (result == UpgradeResult::Succeeded)
        QCOMPARE(received, img.mid(4));
    QVERIFY(!s.isRunning());
}

QTEST_GUILESS_MAIN(TestUpgradeSession)
#include "tst_upgradesession.moc"
