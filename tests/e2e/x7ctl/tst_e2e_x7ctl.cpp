// x7ctl end to end against x7sim over loopback: search, read, write with verify and apply, with
// the JSON checked field by field against the simulator's own memory dump, and the exit codes
// of the failures scripts must tell apart.

#include "engine/ModuleEngine.h"
#include "support/SimDump.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Blocks = SimBlocks;

quint32 le(const QByteArray &b, int offset, int n)
{
    quint32 v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | quint8(b.at(offset + i));
    return v;
}

// An address field, stored low byte first.
QString ipAt(const QByteArray &b, int offset)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(quint8(b.at(offset + 3)))
        .arg(quint8(b.at(offset + 2)))
        .arg(quint8(b.at(offset + 1)))
        .arg(quint8(b.at(offset)));
}

QByteArray ipBytes(int a, int b, int c, int d)
{
    const char bytes[] = {char(d), char(c), char(b), char(a)};
    return QByteArray(bytes, 4);
}

QString textAt(const QByteArray &b, int offset, int width)
{
    const QByteArray field = b.mid(offset, width);
    return QString::fromLatin1(field.left(field.indexOf('\0') < 0 ? width : field.indexOf('\0')));
}

QByteArray field(const QByteArray &text, int width)
{
    return text + QByteArray(width - text.size(), '\0');
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    QJsonDocument json() const { return QJsonDocument::fromJson(out); }
};

} // namespace

class TestE2eX7Ctl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void searchListsEveryModule();
    void readMatchesTheModuleMemory();
    void writeVerifyChangesTheFieldsOnly();
    void q3WriteVerify();
    void applyCountsAddressesUpAndSurvivesASilentModule();
    void exitCodes_data();
    void exitCodes();
    void engineCancelStopsAfterTheModuleInProgress();

private:
    Run x7ctl(const QStringList &args);
    Blocks simMemory(const QByteArray &mac);

    SimProcess m_sim;
    QString m_x7ctl;
    QTemporaryDir m_files;
};

void TestE2eX7Ctl::initTestCase()
{
    // Three Q2 modules (the third answers the search but nothing else) and a Q3.
    QVERIFY2(m_sim.start("X7SIM", {"--count", "4", "--model", "Q2,Q2,Q2,Q3", "--mac",
                                   "D8B04C00B001", "--ip", "192.168.0.7", "--restart-ms", "300",
                                   "--mute", "3", "--dump-after-write", "--quiet"}),
             "x7sim did not start");
    m_x7ctl = QFileInfo(QString::fromLocal8Bit(qgetenv("X7SIM"))).dir().filePath("x7ctl");
    QVERIFY(QFileInfo::exists(m_x7ctl));
}

Run TestE2eX7Ctl::x7ctl(const QStringList &args)
{
    QProcess p;
    p.start(m_x7ctl, args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Blocks TestE2eX7Ctl::simMemory(const QByteArray &mac)
{
    // The dumps printed after each write of an earlier command may still be in the pipe: take
    // them in first, so the dump read below is the one asked for now.
    QTest::qWait(100);
    return dumpSimMemory(m_sim).value(mac);
}

void TestE2eX7Ctl::searchListsEveryModule()
{
    const Run r = x7ctl({"search", "--json", "--search-ms", "800"});
    QCOMPARE(r.exitCode, 0);
    const QJsonArray list = r.json().array();
    QCOMPARE(list.size(), 4);
    QMap<QString, QJsonObject> byMac;
    for (const QJsonValue &v : list)
        byMac.insert(v.toObject().value("mac").toString(), v.toObject());
    // As the simulator announced its modules.
    const QJsonObject first = byMac.value("D8 B0 4C 00 B0 01");
    QCOMPARE(first.value("ip").toString(), QStringLiteral("192.168.0.7"));
    QCOMPARE(first.value("model").toString(), QStringLiteral("Q2"));
    QCOMPARE(first.value("version").toString(), QStringLiteral("4017"));
    QCOMPARE(byMac.value("D8 B0 4C 00 B0 04").value("model").toString(), QStringLiteral("Q3"));
    QCOMPARE(byMac.value("D8 B0 4C 00 B0 04").value("ip").toString(),
             QStringLiteral("192.168.0.10"));
}

void TestE2eX7Ctl::readMatchesTheModuleMemory()
{
    const Run r = x7ctl({"read", "D8:B0:4C:00:B0:02", "--json"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject result = r.json().object();
    QCOMPARE(result.value("outcome").toString(), QStringLiteral("ok"));
    const QJsonObject rec = result.value("record").toObject();
    const Blocks m = simMemory("D8B04C00B002");
    const QByteArray base = m.value("base");
    QCOMPARE(base.size(), 130);
    QCOMPARE(rec.value("net.ip").toString(), ipAt(base, 9));
    QCOMPARE(rec.value("net.gateway").toString(), ipAt(base, 13));
    QCOMPARE(rec.value("net.mask").toString(), ipAt(base, 17));
    QCOMPARE(rec.value("net.static").toBool(), (quint8(base.at(3)) & 0x80) != 0);
    QCOMPARE(rec.value("net.http_port").toInteger(), le(base, 6, 2));
    QCOMPARE(rec.value("dev.name").toString(), textAt(base, 21, 16));
    QCOMPARE(rec.value("port.baud").toInteger(), le(base, 67, 4));
    QCOMPARE(rec.value("port.databits").toInteger(), quint8(base.at(71)));
    QCOMPARE(rec.value("port.local").toInteger(), le(base, 79, 2));
    QCOMPARE(rec.value("port.remote_port").toInteger(), le(base, 81, 2));
    QCOMPARE(rec.value("port.remote_host").toString(), textAt(base, 83, 30));
    QCOMPARE(rec.value("port.pack_time").toInteger(), le(base, 67 + 61, 2));
    QCOMPARE(rec.value("cloud.device_id").toString(), textAt(m.value("cloud"), 2, 20));
    QCOMPARE(rec.value("heart.period").toInteger(), le(m.value("heart"), 1, 2));
    QCOMPARE(rec.value("httpd.url").toString(),
             textAt(m.value("httpd"), 1, quint8(m.value("httpd").at(0))));
    // Keys of blocks the module does not have are absent; the Q3-only key too.
    QVERIFY(!rec.contains("modbus.tcp") && !rec.contains("dev.id_type"));
}

void TestE2eX7Ctl::writeVerifyChangesTheFieldsOnly()
{
    const Blocks before = simMemory("D8B04C00B001");
    const Run r =
        x7ctl({"write", "D8B04C00B001", "--set", "port.baud=9600", "--set", "net.ip=10.0.0.5",
               "--set", "dev.name=Line-7", "--set", "port.parity=even", "--verify", "--json"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QJsonObject result = r.json().object();
    QCOMPARE(result.value("outcome").toString(), QStringLiteral("ok"));
    // The record read back after the restart.
    const QJsonObject rec = result.value("record").toObject();
    QCOMPARE(rec.value("port.baud").toInteger(), 9600);
    QCOMPARE(rec.value("net.ip").toString(), QStringLiteral("10.0.0.5"));
    QCOMPARE(rec.value("dev.name").toString(), QStringLiteral("Line-7"));
    QCOMPARE(rec.value("port.parity").toString(), QStringLiteral("even"));

    // The module's memory: the four fields, and every other byte as it was.
    Blocks expected = before;
    expected["base"].replace(9, 4, ipBytes(10, 0, 0, 5));
    expected["base"].replace(21, 16, field("Line-7", 16));
    expected["base"].replace(67, 4, QByteArray::fromHex("80250000"));
    expected["base"][72] = 3;
    const QStringList diff = blockDifferences(expected, simMemory("D8B04C00B001"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QLatin1Char('\n'))));
}

void TestE2eX7Ctl::q3WriteVerify()
{
    const Blocks before = simMemory("D8B04C00B004");
    const Run r = x7ctl({"write", "D8B04C00B004", "--set", "port.local=4001", "--set",
                         "dev.id_type=2", "--set", "port.tcp_style=3", "--verify", "--json"});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(r.json().object().value("outcome").toString(), QStringLiteral("ok"));
    Blocks expected = before;
    expected["base"][52] = 2;
    expected["base"].replace(79, 2, QByteArray::fromHex("A10F"));
    expected["base"][67 + 58] = char((quint8(before.value("base").at(67 + 58)) & 0xF0) | 3);
    const QStringList diff = blockDifferences(expected, simMemory("D8B04C00B004"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QLatin1Char('\n'))));
}

void TestE2eX7Ctl::applyCountsAddressesUpAndSurvivesASilentModule()
{
    const QString tpl = m_files.filePath("t.json");
    QFile f(tpl);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(R"({"model":"Q2","fields":{"port.baud":19200,"port.parity":"odd"}})");
    f.close();
    const Blocks before2 = simMemory("D8B04C00B002");
    // The silent module sits between the other two: they still complete.
    const Run r = x7ctl({"apply", tpl, "D8B04C00B001", "D8B04C00B003", "D8B04C00B002", "--ip-from",
                         "10.0.1.10", "--json"});
    QCOMPARE(r.exitCode, 3); // the first failure: no answer
    const QJsonArray results = r.json().array();
    QCOMPARE(results.size(), 3);
    QCOMPARE(results.at(0)["outcome"].toString(), QStringLiteral("ok"));
    QCOMPARE(results.at(1)["outcome"].toString(), QStringLiteral("no-answer"));
    QCOMPARE(results.at(2)["outcome"].toString(), QStringLiteral("ok"));
    QCOMPARE(results.at(2)["record"]["net.ip"].toString(), QStringLiteral("10.0.1.12"));

    const Blocks m1 = simMemory("D8B04C00B001");
    QCOMPARE(ipAt(m1.value("base"), 9), QStringLiteral("10.0.1.10"));
    QCOMPARE(le(m1.value("base"), 67, 4), 19200u);
    Blocks expected = before2;
    expected["base"].replace(9, 4, ipBytes(10, 0, 1, 12));
    expected["base"][3] = char(quint8(before2.value("base").at(3)) | 0x80); // static address
    expected["base"].replace(67, 4, QByteArray::fromHex("004B0000"));
    expected["base"][72] = 2;
    const QStringList diff = blockDifferences(expected, simMemory("D8B04C00B002"));
    QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QLatin1Char('\n'))));
    QVERIFY(r.err.contains("D8 B0 4C 00 B0 03: no answer"));
}

void TestE2eX7Ctl::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("stderrHas");
    QTest::newRow("silent module")
        << QStringList{"read", "D8B04C00B003"} << 3 << QByteArray("no answer");
    QTest::newRow("module not there") << QStringList{"read", "D8B04C00EEEE", "--search-ms", "500"}
                                      << 3 << QByteArray("not found");
    QTest::newRow("wrong password") << QStringList{"read", "D8B04C00B002", "--password", "nope"}
                                    << 4 << QByteArray("refused the user name or password");
    QTest::newRow("letters in a port")
        << QStringList{"write", "D8B04C00B002", "--set", "port.local=80a"} << 2
        << QByteArray("Local Port");
    QTest::newRow("unknown key") << QStringList{"write", "D8B04C00B002", "--set", "net.nope=1"} << 2
                                 << QByteArray("unknown key: net.nope");
    QTest::newRow("Q2 key on a Q3")
        << QStringList{"write", "D8B04C00B004", "--set", "net.dns=1.1.1.1"} << 2
        << QByteArray("not a parameter of a Q3 module");
    QTest::newRow("no change") << QStringList{"write", "D8B04C00B002"} << 2 << QByteArray("--set");
    QTest::newRow("not a MAC") << QStringList{"read", "D8B04C"} << 2 << QByteArray("not a MAC");
    QTest::newRow("no command") << QStringList{} << 2 << QByteArray("no command");
    // Modbus TCP is kept only in the TCP modes: the read back shows it off.
    QTest::newRow("verify mismatch")
        << QStringList{"write", "D8B04C00B002",         "--set",   "port.work_mode=udp_client",
                       "--set", "port.modbus_tcp=true", "--verify"}
        << 5 << QByteArray("port.modbus_tcp is false, wanted true");
}

void TestE2eX7Ctl::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, stderrHas);
    const Run r = x7ctl(args);
    QVERIFY2(r.err.contains(stderrHas), r.err.constData());
    QCOMPARE(r.exitCode, exitCode);
}

void TestE2eX7Ctl::engineCancelStopsAfterTheModuleInProgress()
{
    // The engine in-process (the batch apply of the window works so): a cancel during the first
    // module's plan lets that plan finish whole, and the other modules are not touched.
    ModuleEngine engine;
    QSignalSpy searched(&engine, &ModuleEngine::searchFinished);
    QVERIFY(engine.search({"D8B04C00B001", "D8B04C00B002"}));
    QVERIFY(searched.wait(5000));
    const Blocks before1 = simMemory("D8B04C00B001");
    const Blocks before2 = simMemory("D8B04C00B002");
    QList<BatchItem> items;
    for (const char *mac : {"D8B04C00B001", "D8B04C00B002"})
        items.append({*engine.knownModule(QString::fromLatin1(mac)), {{"port.remote_port", 6001}}});
    QSignalSpy stages(&engine, &ModuleEngine::stageChanged);
    QSignalSpy done(&engine, &ModuleEngine::batchFinished);
    QVERIFY(engine.apply(items, true));
    QVERIFY(!engine.apply(items, true)); // one operation at a time
    QTRY_VERIFY(!stages.isEmpty() && stages.last().at(1).toString() == QLatin1String("save"));
    engine.cancel();
    QVERIFY(done.wait(20000));
    const auto results = done.first().first().value<QList<ModuleResult>>();
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).outcome, EngineOutcome::Ok);
    QCOMPARE(results.at(1).outcome, EngineOutcome::Cancelled);
    // The first module has its whole plan (the new port), the second is as it was.
    Blocks expected1 = before1;
    expected1["base"].replace(81, 2, QByteArray::fromHex("7117"));
    const QStringList diff1 = blockDifferences(expected1, simMemory("D8B04C00B001"));
    QVERIFY2(diff1.isEmpty(), qPrintable(diff1.join(QLatin1Char('\n'))));
    QVERIFY(blockDifferences(before2, simMemory("D8B04C00B002")).isEmpty());
}

QTEST_GUILESS_MAIN(TestE2eX7Ctl)
#include "tst_e2e_x7ctl.moc"
