// The x7sim program over loopback: its help, what it prints of its memory, the ports its
// answers leave from, and the silence after a restart as seen on the wire.

#include "support/SimProcess.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QUdpSocket>

namespace {

const QByteArray kMac = QByteArray::fromHex("D8B04C00ABCD");

// FF, 19 + n, code, MAC, user, password, data, Checksum8 of bytes 1 to 20 + n.
QByteArray frame(quint8 code, const QByteArray &data = {})
{
    QByteArray f;
    f.append(char(0xFF));
    f.append(char(19 + data.size()));
    f.append(char(code));
    f.append(kMac);
    f.append(QByteArray("qpwzk").leftJustified(6, '\0'));
    f.append(QByteArray("qpwzk").leftJustified(6, '\0'));
    f.append(data);
    int sum = 0;
    for (qsizetype i = 1; i < f.size(); ++i)
        sum += quint8(f.at(i));
    f.append(char(sum));
    return f;
}

// The blocks of the last dump in `output` that ends with "dump end", by name.
QMap<QString, QByteArray> lastDump(const QByteArray &output)
{
    const QList<QByteArray> lines = output.split('\n');
    qsizetype end = -1;
    for (qsizetype i = lines.size() - 1; i >= 0 && end < 0; --i)
        if (lines.at(i).trimmed() == "dump end")
            end = i;
    QMap<QString, QByteArray> blocks;
    for (qsizetype i = end - 1; i >= 0 && lines.at(i).startsWith("block "); --i) {
        const QList<QByteArray> parts = lines.at(i).trimmed().split(' ');
        if (parts.size() == 4 && parts.at(1) == kMac.toHex().toUpper())
            blocks.insert(QString::fromLatin1(parts.at(2)), QByteArray::fromHex(parts.at(3)));
    }
    return blocks;
}

} // namespace

class TestX7SimProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void helpNamesEveryOption();
    void writesAreDumpedBeforeTheirAcknowledgement();
    void dumpOnStandardInput();
    void q3AnswersFromItsPort();
    void restartSilenceOnTheWire();

private:
    QNetworkDatagram receive();
    QByteArray exchange(const QByteArray &datagram, quint16 port);

    QUdpSocket m_socket;
};

void TestX7SimProcess::init()
{
    m_socket.close();
    QVERIFY(m_socket.bind(QHostAddress::LocalHost, 0));
}

QNetworkDatagram TestX7SimProcess::receive()
{
    if (!m_socket.hasPendingDatagrams())
        m_socket.waitForReadyRead(3000);
    return m_socket.receiveDatagram();
}

QByteArray TestX7SimProcess::exchange(const QByteArray &datagram, quint16 port)
{
    m_socket.writeDatagram(datagram, QHostAddress::LocalHost, port);
    return receive().data();
}

void TestX7SimProcess::helpNamesEveryOption()
{
    QProcess help;
    help.start(QString::fromLocal8Bit(qgetenv("X7SIM")), {"--help"});
    QVERIFY(help.waitForFinished(5000));
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    for (const char *option : {"--count", "--model", "--version", "--name", "--mac", "--ip",
                               "--blocks", "--modbus", "--login", "--restart-ms", "--bind",
                               "--listen", "--pace", "--quiet", "--dump-after-write"})
        QVERIFY2(text.contains(QLatin1String(option)), option);
}

void TestX7SimProcess::writesAreDumpedBeforeTheirAcknowledgement()
{
    SimProcess sim;
    QVERIFY2(sim.start("X7SIM", {"--mac", "D8B04C00ABCD", "--modbus", "4", "--dump-after-write"}),
             sim.errors().constData());

    const QByteArray cloud =
        QByteArray("\x01\x02") + "DEVICE-ID-0123456789" + "CODE1234" + QByteArray(20, 0x7E);
    m_socket.writeDatagram(frame(0x0C, cloud), QHostAddress::LocalHost, 1500);
    const QNetworkDatagram ack = receive();
    QCOMPARE(ack.data(), QByteArray::fromHex("FF010C4B"));
    QCOMPARE(ack.senderPort(), 1500);

    // The memory after the write.
    QTRY_VERIFY(sim.output().contains("dump end"));
    const QByteArray output = sim.output();
    const QMap<QString, QByteArray> blocks = lastDump(output);
    QCOMPARE(blocks.keys(), QStringList({"base", "cloud", "heart", "httpd", "modbus4"}));
    QCOMPARE(blocks.value("cloud"), cloud);
    QCOMPARE(blocks.value("base").mid(53, 6), kMac);
    // The log gives each frame's meaning and what the module did.
    QVERIFY(output.contains("[0x0C write cloud block, 50 data bytes, to D8 B0 4C 00 AB CD"));
    QVERIFY(output.contains("module D8 B0 4C 00 AB CD: write cloud block: 50 bytes"));

    // A read answers the written block, one datagram per block, in order.
    m_socket.writeDatagram(frame(0x03), QHostAddress::LocalHost, 1500);
    QList<int> lengths;
    QByteArray cloudAnswer;
    while (lengths.size() < 5) {
        const QNetworkDatagram dg = receive();
        QVERIFY(dg.isValid());
        lengths << int(dg.data().size());
        if (dg.data().size() == 50)
            cloudAnswer = dg.data();
    }
    QCOMPARE(lengths, QList<int>({130, 50, 85, 302, 4}));
    QCOMPARE(cloudAnswer, cloud);
}

void TestX7SimProcess::dumpOnStandardInput()
{
    SimProcess sim;
    QVERIFY2(sim.start("X7SIM", {"--count", "2", "--mac", "D8B04C00ABCC", "--quiet"}),
             sim.errors().constData());
    sim.process().write("dump\n");
    QTRY_VERIFY(sim.output().contains("dump end"));
    const QByteArray output = sim.output();
    QCOMPARE(lastDump(output).keys(), QStringList({"base", "cloud", "heart", "httpd"}));
    QCOMPARE(output.count("block D8B04C00ABCC "), 4);
    QVERIFY(!output.contains("rx ")); // --quiet
}

void TestX7SimProcess::q3AnswersFromItsPort()
{
    SimProcess sim;
    QVERIFY2(sim.start("X7SIM", {"--model", "Q3", "--mac", "D8B04C00ABCD", "--blocks", "base"}),
             sim.errors().constData());
    m_socket.writeDatagram(frame(0x03), QHostAddress::LocalHost, 1901);
    const QNetworkDatagram param = receive();
    QCOMPARE(param.data().size(), 130);
    QCOMPARE(param.senderPort(), 1901);
    // The restart of the device list's context menu goes to 1500; the answer leaves from 1901.
    m_socket.writeDatagram(frame(0x02), QHostAddress::LocalHost, 1500);
    const QNetworkDatagram ack = receive();
    QCOMPARE(ack.data(), QByteArray::fromHex("FF01024B"));
    QCOMPARE(ack.senderPort(), 1901);
}

void TestX7SimProcess::restartSilenceOnTheWire()
{
    SimProcess sim;
    QVERIFY2(sim.start("X7SIM", {"--mac", "D8B04C00ABCD", "--restart-ms", "600"}),
             sim.errors().constData());
    QCOMPARE(exchange(frame(0x02), 1500), QByteArray::fromHex("FF01024B"));
    m_socket.writeDatagram(QByteArray::fromHex("FF010102"), QHostAddress::LocalHost, 1500);
    QVERIFY(!m_socket.waitForReadyRead(200));
    QTest::qWait(600);
    QCOMPARE(exchange(QByteArray::fromHex("FF010102"), 1500).size(), 36);
    QVERIFY(sim.output().contains("restarting: dropped"));
}

QTEST_GUILESS_MAIN(TestX7SimProcess)
#include "tst_x7simprocess.moc"
