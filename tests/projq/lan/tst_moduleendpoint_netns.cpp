// Two host interfaces: the endpoint binds one socket per address, the search leaves from each, and
// answers carry the index of the socket they arrived on. The interfaces are veth pairs whose far
// ends sit in network namespaces this test creates; a simulator runs in each namespace. Needs
// root (ip netns); skips with a message otherwise. Nothing is sent on a real interface.

#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"

#include "common/ValueHelpers.h"

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

namespace {

bool run(const QStringList &args, QString *error = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("ip"), args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed() +
                     QStringLiteral(" (ip ") + args.join(QLatin1Char(' ')) + QLatin1Char(')');
        return false;
    }
    return true;
}

// One veth pair: the host end keeps 10.77.<n>.1, the far end 10.77.<n>.2 inside its namespace.
struct Link
{
    QString ns;
    QString hostIf;
    QString farIf;
    QString hostIp;
};

} // namespace

class TestUdpSvrNetns : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void answersCarryTheirSocketIndex();

private:
    bool setUpLink(const Link &link, int subnet, QString *error);
    void tearDown();

    QList<Link> m_links;
    QList<QProcess *> m_sims;
};

bool TestUdpSvrNetns::setUpLink(const Link &link, int subnet, QString *error)
{
    const QString host = QStringLiteral("10.77.%1.1/24").arg(subnet);
    const QString far = QStringLiteral("10.77.%1.2/24").arg(subnet);
    return run({"netns", "add", link.ns}, error) &&
           run({"link", "add", link.hostIf, "type", "veth", "peer", "name", link.farIf}, error) &&
           run({"link", "set", link.farIf, "netns", link.ns}, error) &&
           run({"addr", "add", host, "dev", link.hostIf}, error) &&
           run({"link", "set", link.hostIf, "up"}, error) &&
           run({"-n", link.ns, "addr", "add", far, "dev", link.farIf}, error) &&
           run({"-n", link.ns, "link", "set", link.farIf, "up"}, error) &&
           run({"-n", link.ns, "link", "set", "lo", "up"}, error);
}

void TestUdpSvrNetns::initTestCase()
{
    const QString tag = QString::number(QCoreApplication::applicationPid() % 100000);
    for (int i = 0; i < 2; ++i) {
        const QChar c = QLatin1Char(char('a' + i));
        m_links.append(
            {QStringLiteral("x7t%1%2").arg(tag, c), QStringLiteral("x7h%1%2").arg(tag, c),
             QStringLiteral("x7f%1%2").arg(tag, c), QStringLiteral("10.77.%1.1").arg(i + 1)});
    }
    QString error;
    for (int i = 0; i < m_links.size(); ++i) {
        if (!setUpLink(m_links.at(i), i + 1, &error)) {
            tearDown();
            QSKIP(qPrintable(QStringLiteral("network namespaces unavailable (needs root): ") +
                             error));
        }
    }
}

void TestUdpSvrNetns::tearDown()
{
    for (QProcess *sim : std::as_const(m_sims)) {
        sim->kill();
        sim->waitForFinished(2000);
        delete sim;
    }
    m_sims.clear();
    for (const Link &link : std::as_const(m_links)) {
        run({"link", "del", link.hostIf}); // removes the far end too
        run({"netns", "del", link.ns});
    }
    m_links.clear();
}

void TestUdpSvrNetns::cleanupTestCase()
{
    tearDown();
    setBindAddressOverride({});
}

void TestUdpSvrNetns::answersCarryTheirSocketIndex()
{
    const QString simPath = QString::fromLocal8Bit(qgetenv("X7SIM"));
    QVERIFY(!simPath.isEmpty());
    // One module behind each interface; each serves every sender in its own namespace.
    const QStringList macs = {QStringLiteral("D8B04C00AA01"), QStringLiteral("D8B04C00BB02")};
    for (int i = 0; i < m_links.size(); ++i) {
        auto *sim = new QProcess;
        m_sims.append(sim);
        sim->start(QStringLiteral("ip"), {"netns", "exec", m_links.at(i).ns, simPath, "--bind",
                                          "0.0.0.0", "--mac", macs.at(i)});
        QVERIFY(sim->waitForStarted(5000));
        QByteArray out;
        while (!out.contains("ready")) {
            QVERIFY2(sim->waitForReadyRead(5000), sim->readAllStandardError().constData());
            out += sim->readAllStandardOutput();
        }
    }

    setBindAddressOverride({m_links.at(0).hostIp, m_links.at(1).hostIp});
    ModuleEndpoint svr;
    QSignalSpy sent(&svr, &ModuleEndpoint::dataSent);
    QSignalSpy found(&svr, &ModuleEndpoint::deviceFound);
    DeviceListModel model;
    connect(&svr, &ModuleEndpoint::deviceFound, &model,
            [&](const QString &ip, const QString &name, int socketIndex, int kind,
                const QString &version, const QString &mac) {
                model.addDevice({ip, name, mac, version, kind, socketIndex});
            });
    QCOMPARE(svr.search(), 1);
    QCOMPARE(svr.socketCount(), 2);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.at(0).at(2).toString(), m_links.at(0).hostIp);
    QCOMPARE(sent.at(1).at(2).toString(), m_links.at(1).hostIp);

    QTRY_COMPARE(model.rowCount(), 2);
    for (const DeviceEntry &e : model.entries()) {
        const int expected = e.mac == QLatin1String("D8 B0 4C 00 AA 01") ? 0 : 1;
        QCOMPARE(e.socketIndex, expected);
        QCOMPARE(e.kind, int(KindQ2));
    }
    // Each module saw the search through its own interface only.
    QTest::qWait(200);
    QCOMPARE(found.size(), 2);
}

QTEST_GUILESS_MAIN(TestUdpSvrNetns)
#include "tst_moduleendpoint_netns.moc"
