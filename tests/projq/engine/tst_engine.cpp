// The parameter keys against real blocks (the simulated module's factory blocks, whose unused
// bytes are never 0): every key read, changed, written through the save plan and read back; the
// checks with the panels' messages; templates and address runs.

#include "engine/ParamKeys.h"
#include "engine/ParamTemplate.h"
#include "common/TextCodec.h"
#include "lang/LangList.h"

#include "SimModule.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// A module's blocks as the engine keeps them after a read of a simulated module.
ModuleBlocks blocksOf(SimModuleConfig::Model model, int modbus)
{
    SimModuleConfig c;
    c.model = model;
    c.version = 4017;
    c.name = QStringLiteral("X7-fixture");
    c.mac = QByteArray::fromHex("D8B04C001001");
    c.ip = QByteArray::fromHex("C0A80007");
    c.blocks.modbus = model == SimModuleConfig::Q3 ? 0 : modbus;
    if (model == SimModuleConfig::Q3)
        c.blocks = {true, false, false, false, 0};
    const SimMemory m = factoryMemory(c);
    ModuleBlocks b;
    b.model = model == SimModuleConfig::Q3 ? ModuleModel::Q3 : ModuleModel::Q2;
    b.version = c.version;
    for (const QByteArray &block : {m.param, m.cloud, m.heartReg, m.httpd, m.modbus}) {
        if (block.isEmpty())
            continue;
        if (block.size() == 1 || block.size() == 4) {
            b.modbusShort = block;
            b.modbusForm = int(block.size());
        } else {
            b.stored.storeReply(block);
            if (block.size() == 87 || block.size() == 100)
                b.modbusForm = int(block.size());
        }
    }
    b.hasParam = !m.param.isEmpty();
    b.hasCloud = !m.cloud.isEmpty();
    b.hasHeartReg = !m.heartReg.isEmpty();
    b.hasHttpd = !m.httpd.isEmpty();
    return b;
}

// A value of the key's type that differs from `old`.
QVariant otherValue(const ParamKey &k, const QVariant &old, ModuleModel model)
{
    switch (k.type) {
    case KeyType::Bool:
        return !old.toBool();
    case KeyType::Int: {
        const qint64 max = model == ModuleModel::Q3 && k.q3Max >= 0 ? k.q3Max : k.max;
        const qint64 v = old.toLongLong();
        return qlonglong(v + 1 <= max ? v + 1 : k.min);
    }
    case KeyType::Text:
        if (k.key == QLatin1String("cloud.device_id"))
            return QStringLiteral("ABCDEFGHIJ0123456789");
        if (k.key == QLatin1String("cloud.comm_code"))
            return QStringLiteral("12345678");
        return old.toString() == QLatin1String("abc") ? QStringLiteral("xyz")
                                                      : QStringLiteral("abc");
    case KeyType::Ip:
        return QStringLiteral("10.1.2.3");
    case KeyType::Mac:
        return QStringLiteral("02 11 22 33 44 55");
    case KeyType::Choice:
        return k.choices.at((k.choices.indexOf(old.toString()) + 1) % k.choices.size());
    }
    return {};
}

// Keys a change needs alongside it so that the save plan carries it: Modbus TCP is written in
// the TCP modes only, the cloud block with cloud registration only, the Modbus times in the
// modes that use them; data texts are plain text here.
ParamRecord companions(const QString &key)
{
    if (key == QLatin1String("port.modbus_tcp"))
        return {{"port.work_mode", "tcp_server"}};
    if (key.startsWith(QLatin1String("cloud.")))
        return {{"reg.type", "cloud"}};
    if (key.startsWith(QLatin1String("modbus.pack_")) && key != QLatin1String("modbus.pack_mode"))
        return {{"modbus.pack_mode", "polling"}};
    if (key.startsWith(QLatin1String("modbus.new_")) && key != QLatin1String("modbus.new_mode"))
        return {{"modbus.new_mode", "polling"}};
    if (key == QLatin1String("heart.data"))
        return {{"heart.data_hex", false}};
    if (key == QLatin1String("reg.data"))
        return {{"reg.data_hex", false}};
    return {};
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void unchangedSaveKeepsRecord();
    void checks_data();
    void checks();
    void templates();
    void addressRuns_data();
    void addressRuns();
};

void TestEngine::roundTrip_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("modbus");
    QTest::addColumn<QString>("key");
    struct Fixture
    {
        SimModuleConfig::Model model;
        int modbus;
    };
    const Fixture fixtures[] = {{SimModuleConfig::Q2, 4},
                                {SimModuleConfig::Q2, 87},
                                {SimModuleConfig::Q2, 100},
                                {SimModuleConfig::Q3, 0}};
    QSet<QString> covered;
    for (const Fixture &f : fixtures) {
        const ModuleBlocks b = blocksOf(f.model, f.modbus);
        const ParamRecord r = recordFromBlocks(b);
        for (const QString &key : r.keys()) {
            const QString tag =
                QStringLiteral("%1-%2-%3").arg(modelName(b.model)).arg(f.modbus).arg(key);
            // Keys of the parameter block once per model; the Modbus keys of each form.
            const QString once = modelName(b.model) + key;
            if (covered.contains(once) && !key.startsWith(QLatin1String("modbus.")))
                continue;
            covered.insert(once);
            QTest::newRow(qPrintable(tag)) << int(f.model) << f.modbus << key;
        }
    }
    // Every key of the table is covered by some fixture.
    for (const ParamKey &k : paramKeys()) {
        if (k.q2)
            QVERIFY2(covered.contains(QStringLiteral("Q2") + k.key), qPrintable(k.key));
        if (k.q3)
            QVERIFY2(covered.contains(QStringLiteral("Q3") + k.key), qPrintable(k.key));
    }
}

void TestEngine::roundTrip()
{
    QFETCH(int, model);
    QFETCH(int, modbus);
    QFETCH(QString, key);
    const ModuleBlocks blocks = blocksOf(SimModuleConfig::Model(model), modbus);
    const ParamKey *k = findParamKey(key);
    QVERIFY(k);

    // The unchanged save is the reference: what a read-modify-write of the same record gives.
    const PlannedSave same = planSave(blocks, {});
    QVERIFY2(!same.plan.refused(), qPrintable(same.message));
    const ParamRecord before = recordFromBlocks(same.planned);

    ParamRecord changes = companions(key);
    const QVariant wanted = otherValue(*k, before.value(key), blocks.model);
    changes.insert(key, wanted);
    const ChangesCheck checked = checkChanges(blocks.model, changes);
    QVERIFY2(checked.ok, qPrintable(checked.message));

    const PlannedSave saved = planSave(blocks, checked.canonical);
    QVERIFY2(!saved.plan.refused(), qPrintable(saved.message));
    const ParamRecord after = recordFromBlocks(saved.planned);
    QCOMPARE(valueText(after.value(key)), valueText(checked.canonical.value(key)));
    QVERIFY(valueText(after.value(key)) != valueText(before.value(key)));
    // Every other key keeps its value.
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (checked.canonical.contains(it.key()))
            continue;
        if (key.endsWith(QLatin1String("_hex")) && it.key() == key.chopped(4)) {
            // Ticking "Hex" shows the same bytes as hex digits: the data itself is kept.
            QCOMPARE(hexToPlainField(after.value(it.key()).toString()), it.value().toString());
            continue;
        }
        QVERIFY2(valueText(after.value(it.key())) == valueText(it.value()),
                 qPrintable(
                     QStringLiteral("%1 changed from %2 to %3")
                         .arg(it.key(), valueText(it.value()), valueText(after.value(it.key())))));
    }
    // The plan sends the block the key lives in.
    QVERIFY(!saved.plan.frames.isEmpty());
}

void TestEngine::unchangedSaveKeepsRecord()
{
    // Reading, then saving without a change, shows the same record: nothing the table reads is
    // disturbed by the builders (flag bytes remembered, options, Q3 nibbles).
    for (const auto &[model, modbus] :
         {std::pair{SimModuleConfig::Q2, 4}, std::pair{SimModuleConfig::Q2, 87},
          std::pair{SimModuleConfig::Q3, 0}}) {
        const ModuleBlocks b = blocksOf(model, modbus);
        const PlannedSave same = planSave(b, {});
        QVERIFY(!same.plan.refused());
        const ParamRecord read = recordFromBlocks(b);
        const ParamRecord planned = recordFromBlocks(same.planned);
        for (auto it = read.cbegin(); it != read.cend(); ++it)
            QVERIFY2(valueText(planned.value(it.key())) == valueText(it.value()),
                     qPrintable(it.key()));
    }
}

void TestEngine::checks_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("canonical"); // invalid: refused
    QTest::addColumn<QString>("message");    // the exact message, or a prefix ending in "*"

    auto text = [](const char *label, const char *what) {
        return langText(QLatin1String(label)) + langText(QLatin1String(what));
    };
    // The panels' own messages: caption + "is empty" / "is not a number".
    QTest::newRow("Q2 empty port") << "Q2"
                                   << "net.http_port" << QVariant("") << QVariant()
                                   << text("lang_Lbl_HTTPPort", "lang_IsNull");
    QTest::newRow("Q2 port with a letter") << "Q2"
                                           << "port.local" << QVariant("80a") << QVariant()
                                           << text("lang_Lbl_LocalPort", "lang_IsNotNum");
    QTest::newRow("Q2 port past 16 bits") << "Q2"
                                          << "port.local" << QVariant(70000) << QVariant()
                                          << text("lang_Lbl_LocalPort", "lang_IsNotNum");
    QTest::newRow("Q2 blank name")
        << "Q2"
        << "dev.name" << QVariant("  ") << QVariant() << text("lang_Lbl_DevName", "lang_IsNull");
    QTest::newRow("Q2 address part 300") << "Q2"
                                         << "net.ip" << QVariant("300.1.1.1") << QVariant()
                                         << text("lang_Lbl_StaticIP", "lang_IsNotNum");
    QTest::newRow("Q2 address of three parts") << "Q2"
                                               << "net.gateway" << QVariant("10.0.1") << QVariant()
                                               << text("lang_Lbl_Gateway", "lang_IsNotNum");
    QTest::newRow("Q3 UPnP port 65536") << "Q3"
                                        << "net.upnp_port" << QVariant("65536") << QVariant()
                                        << text("lang_Lbl_UPNPPort", "lang_IsNotNum");
    QTest::newRow("Q3 ID type 4") << "Q3"
                                  << "dev.id_type" << QVariant("4") << QVariant()
                                  << text("lang_Lbl_DevIDType", "lang_IsNotNum");
    QTest::newRow("Q3 MAC empty") << "Q3"
                                  << "dev.user_mac" << QVariant("") << QVariant()
                                  << text("lang_Lbl_MAC", "lang_IsNull");
    QTest::newRow("Q2 short cloud ID") << "Q2"
                                       << "cloud.device_id" << QVariant("ABC") << QVariant()
                                       << langText(QStringLiteral("lang_DeviceId"));
    QTest::newRow("Q2 name of 17 bytes")
        << "Q2"
        << "dev.name" << QVariant("ABCDEFGHIJKLMNOPQ") << QVariant() << "*at most 16 bytes*";
    QTest::newRow("Q2 unknown key")
        << "Q2"
        << "net.nope" << QVariant("1") << QVariant() << "net.nope: not a parameter of a Q2 module";
    QTest::newRow("Q3 key of the Q2 only")
        << "Q3"
        << "net.dns" << QVariant("1.1.1.1") << QVariant() << "net.dns: not a parameter*";
    QTest::newRow("Q2 bad choice") << "Q2"
                                   << "port.parity" << QVariant("weird") << QVariant()
                                   << "port.parity: one of none, odd, even, mark, space";
    QTest::newRow("Q2 bool from text")
        << "Q2"
        << "port.rfc2217" << QVariant("maybe") << QVariant() << "port.rfc2217: true or false";
    QTest::newRow("Q2 fraction") << "Q2"
                                 << "port.baud" << QVariant(9600.5) << QVariant()
                                 << text("lang_Lbl_Baudrate", "lang_IsNotNum");
    QTest::newRow("Q2 baud 0") << "Q2"
                               << "port.baud" << QVariant(0) << QVariant()
                               << text("lang_Lbl_Baudrate", "lang_IsNotNum");

    // Accepted values in the form a read back shows them.
    QTest::newRow("address with zeros")
        << "Q2"
        << "net.ip" << QVariant("192.168.000.007") << QVariant("192.168.0.7") << "";
    QTest::newRow("MAC without blanks")
        << "Q2"
        << "dev.user_mac" << QVariant("d8b04c001001") << QVariant("D8 B0 4C 00 10 01") << "";
    QTest::newRow("choice in capitals")
        << "Q3"
        << "port.parity" << QVariant("EVEN") << QVariant("even") << "";
    QTest::newRow("bool from yes") << "Q2"
                                   << "net.static" << QVariant("yes") << QVariant(true) << "";
    QTest::newRow("number from JSON")
        << "Q2"
        << "port.baud" << QVariant(9600.0) << QVariant(qlonglong(9600)) << "";
    QTest::newRow("number with blanks")
        << "Q2"
        << "port.local" << QVariant(" 502 ") << QVariant(qlonglong(502)) << "";
    QTest::newRow("Q3 pack length 32 bits")
        << "Q3"
        << "port.pack_length" << QVariant("100000") << QVariant(qlonglong(100000)) << "";
}

void TestEngine::checks()
{
    QFETCH(QString, model);
    QFETCH(QString, key);
    QFETCH(QVariant, value);
    QFETCH(QVariant, canonical);
    QFETCH(QString, message);
    const ChangeCheck c = checkChange(*modelFromName(model), key, value);
    if (!canonical.isValid()) {
        QVERIFY(!c.ok);
        if (message.startsWith(QLatin1Char('*')) || message.endsWith(QLatin1Char('*'))) {
            const QString core = QString(message).remove(QLatin1Char('*'));
            QVERIFY2(c.message.contains(core), qPrintable(c.message));
        } else {
            QCOMPARE(c.message, message);
        }
        return;
    }
    QVERIFY2(c.ok, qPrintable(c.message));
    QCOMPARE(c.canonical, canonical);
}

void TestEngine::templates()
{
    ParamTemplate tpl;
    tpl.model = ModuleModel::Q2;
    tpl.fields = checkChanges(ModuleModel::Q2, {{"port.baud", 9600},
                                                {"net.static", true},
                                                {"net.mask", "255.255.0.0"},
                                                {"port.parity", "even"}})
                     .canonical;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.json"));
    QString error;
    QVERIFY(saveTemplateFile(path, tpl, &error));
    const auto loaded = loadTemplateFile(path, &error);
    QVERIFY2(loaded, qPrintable(error));
    QCOMPARE(loaded->model, ModuleModel::Q2);
    QCOMPARE(loaded->fields, tpl.fields);

    // Bad templates name what is wrong.
    const std::pair<QByteArray, QString> bad[] = {
        {"{", "not JSON*"},
        {"[]", "a template is a JSON object"},
        {R"({"model":"Q9","fields":{}})", "\"model\" must be*"},
        {R"({"model":"Q2"})", "\"fields\" must be*"},
        {R"({"model":"Q3","fields":{"net.dns":"1.1.1.1"}})", "net.dns: not a parameter*"},
        {R"({"model":"Q2","fields":{"port.local":"x"}})",
         langText(QStringLiteral("lang_Lbl_LocalPort")) +
             langText(QStringLiteral("lang_IsNotNum"))},
    };
    for (const auto &[json, why] : bad) {
        QString e;
        QVERIFY(!templateFromJson(json, &e));
        if (why.endsWith(QLatin1Char('*')))
            QVERIFY2(e.startsWith(why.chopped(1)), qPrintable(e));
        else
            QCOMPARE(e, why);
    }

    // Batch items: the template's fields, and addresses counting up in the order given.
    QList<DeviceEntry> modules;
    for (int i = 0; i < 3; ++i)
        modules.append({QString(), QString(), QStringLiteral("D8 B0 4C 00 10 0%1").arg(i + 1),
                        QStringLiteral("4017"), 2, 0});
    const auto items = batchFromTemplate(tpl, modules, QStringLiteral("10.0.0.254"), &error);
    QVERIFY(items);
    QCOMPARE(items->size(), 3);
    QCOMPARE(items->at(2).changes.value("net.ip").toString(), QStringLiteral("10.0.1.0"));
    QCOMPARE(items->at(0).changes.value("port.baud").toLongLong(), 9600);
    QVERIFY(!batchFromTemplate(tpl, modules, QStringLiteral("255.255.255.254"), &error));
}

void TestEngine::addressRuns_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("result"); // empty: refused
    QTest::newRow("same") << "192.168.0.7" << 0 << "192.168.0.7";
    QTest::newRow("carry") << "192.168.0.250" << 7 << "192.168.1.1";
    QTest::newRow("last") << "255.255.255.254" << 1 << "255.255.255.255";
    QTest::newRow("past the end") << "255.255.255.255" << 1 << "";
    QTest::newRow("not an address") << "192.168.0" << 0 << "";
    QTest::newRow("part 256") << "192.168.0.256" << 0 << "";
}

void TestEngine::addressRuns()
{
    QFETCH(QString, start);
    QFETCH(int, n);
    QFETCH(QString, result);
    QCOMPARE(addressPlus(start, n).value_or(QString()), result);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
