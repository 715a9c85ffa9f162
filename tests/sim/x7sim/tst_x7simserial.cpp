// The simulator's serial line: frames cut from the byte stream, answers from the module's
// memory, writes acknowledged only with a good sum, and the fault options.

#include "SimSerial.h"

#include <QTest>

namespace {

SimModuleConfig config(SimModuleConfig::Model model)
{
    SimModuleConfig c;
    c.model = model;
    c.mac = QByteArray::fromHex("D8B04C001001");
    c.ip = QByteArray::fromHex("0A000007");
    c.name = QStringLiteral("line");
    return c;
}

QByteArray withSum(QByteArray frame)
{
    frame.append(char(simChecksum(frame, 2, int(frame.size()) - 1)));
    return frame;
}

} // namespace

class TestX7SimSerial : public QObject
{
    Q_OBJECT
private slots:
    void readAnswersFromMemory();
    void framesAcrossPiecesAndJunk();
    void writeNeedsAGoodSum();
    void q1WriteThenRead();
    void faultOptions();
};

void TestX7SimSerial::readAnswersFromMemory()
{
    SimModule module(config(SimModuleConfig::Q2));
    SimSerialLine line(&module, {});
    const auto out = line.feed(QByteArray::fromHex("55BD55C1"), 0);
    QCOMPARE(out.replies.size(), 2);
    QCOMPARE(out.replies.at(0).size(), 137);
    QCOMPARE(out.replies.at(0).mid(2, 130), module.memory().param);
    QCOMPARE(out.replies.at(1).size(), 115);
    QCOMPARE(out.replies.at(1).mid(2, 28), module.memory().cloud.mid(2, 28));
    QCOMPARE(out.replies.at(1).mid(30), module.memory().heartReg);
}

void TestX7SimSerial::framesAcrossPiecesAndJunk()
{
    SimModule module(config(SimModuleConfig::Q2));
    SimSerialLine line(&module, {});
    QVERIFY(line.feed(QByteArray::fromHex("0011"), 0).replies.isEmpty()); // junk
    QVERIFY(line.feed(QByteArray::fromHex("55"), 10).replies.isEmpty());
    QCOMPARE(line.feed(QByteArray::fromHex("BD"), 20).replies.size(), 1);
    // A piece left alone for long is dropped, not joined to the next frame.
    QVERIFY(line.feed(QByteArray::fromHex("55"), 30).replies.isEmpty());
    QCOMPARE(line.feed(QByteArray::fromHex("55BD"), 1000).replies.size(), 1);
}

void TestX7SimSerial::writeNeedsAGoodSum()
{
    SimModule module(config(SimModuleConfig::Q2));
    SimSerialLine line(&module, {});
    const QByteArray before = module.memory().param;
    QByteArray base = QByteArray::fromHex("55BE") + before.left(67);
    base[2 + 9] = char(0x63);
    QByteArray bad = withSum(base);
    bad[69] = char(quint8(bad.at(69)) + 1);
    auto out = line.feed(bad, 0);
    QVERIFY(out.replies.isEmpty());
    QCOMPARE(module.memory().param, before);
    out = line.feed(withSum(base), 10);
    QCOMPARE(out.replies, QList<QByteArray>{QByteArray(1, 'K')});
    QCOMPARE(quint8(module.memory().param.at(9)), quint8(0x63));
    QCOMPARE(module.memory().param.mid(10), before.mid(10));
    QCOMPARE(line.feed(QByteArray::fromHex("55B15A"), 20).replies,
             QList<QByteArray>{QByteArray(1, 'K')});
}

void TestX7SimSerial::q1WriteThenRead()
{
    SimModule module(config(SimModuleConfig::Q1));
    SimSerialLine line(&module, {});
    QByteArray block = module.memory().q1;
    QCOMPARE(block.size(), 28);
    block[10] = char(0x34);
    QCOMPARE(line.feed(withSum(QByteArray::fromHex("55BA") + block), 0).replies,
             QList<QByteArray>{QByteArray(1, 'K')});
    const QByteArray reply = line.feed(QByteArray::fromHex("55BD"), 10).replies.value(0);
    QCOMPARE(reply.size(), 32);
    QCOMPARE(reply.left(2), QByteArray::fromHex("55BC"));
    QCOMPARE(reply.mid(2, 28), block);
    QCOMPARE(quint8(reply.at(31)), simChecksum(reply, 2, 30));
    // A Q1 has no parameter block and no extension.
    QVERIFY(line.feed(QByteArray::fromHex("55C1"), 20).replies.isEmpty());
}

void TestX7SimSerial::faultOptions()
{
    SimModule q1(config(SimModuleConfig::Q1));
    SimSerialLine bad(&q1, {0, true, false, false});
    const QByteArray reply = bad.feed(QByteArray::fromHex("55BD"), 0).replies.value(0);
    QCOMPARE(quint8(reply.at(31)), quint8(simChecksum(reply, 2, 30) + 1));

    SimModule q2(config(SimModuleConfig::Q2));
    SimSerialLine silent(&q2, {0, false, true, false});
    QByteArray base = QByteArray::fromHex("55BE") + q2.memory().param.left(67);
    base[2 + 21] = 'Z';
    const auto out = silent.feed(withSum(base) + QByteArray::fromHex("55BD"), 0);
    QVERIFY(out.replies.isEmpty());
    QCOMPARE(q2.memory().param.at(21), 'Z'); // the write still landed
}

QTEST_GUILESS_MAIN(TestX7SimSerial)
#include "tst_x7simserial.moc"
