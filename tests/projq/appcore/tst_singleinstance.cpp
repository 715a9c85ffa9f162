#include "appcore/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <memory>
#include <vector>

namespace {

QString freshKey()
{
    return QStringLiteral("test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Starts the helper for `key`; with `expectPrimary` waits until it holds the guard.
bool startHelper(QProcess &process, const QString &key, bool expectPrimary)
{
    process.start(QStringLiteral(SINGLEINSTANCE_HELPER), {key});
    if (!process.waitForStarted())
        return false;
    if (!expectPrimary)
        return true;
    QByteArray out;
    for (int i = 0; i < 100 && !out.contains("primary"); ++i) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    return out.contains("primary");
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStartExitsAndRaisesTheFirst();
    void secondInProcessClaimRaisesHelper();
    void staleSocketOfACrashedInstanceIsTakenOver();
    void guardIsFreedWithItsOwner();
    void keysAndJunkDoNotInterfere();
    void simultaneousStartsGiveOneInstance();
};

void TestSingleInstance::secondStartExitsAndRaisesTheFirst()
{
    const QString key = freshKey();
    SingleInstance first(key);
    QVERIFY(first.claim());
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);

    QProcess second;
    QVERIFY(startHelper(second, key, false));
    QTRY_COMPARE(second.state(), QProcess::NotRunning);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 3);
    QTRY_COMPARE(raised.count(), 1);

    // Every further start raises the window again.
    QProcess third;
    QVERIFY(startHelper(third, key, false));
    QTRY_COMPARE(third.state(), QProcess::NotRunning);
    QCOMPARE(third.exitCode(), 3);
    QTRY_COMPARE(raised.count(), 2);
}

void TestSingleInstance::secondInProcessClaimRaisesHelper()
{
    const QString key = freshKey();
    QProcess first;
    QVERIFY(startHelper(first, key, true));
    SingleInstance second(key);
    QVERIFY(!second.claim());
    QByteArray out;
    QTRY_VERIFY((out += first.readAllStandardOutput()).contains("raised"));
    first.kill();
    first.waitForFinished();
    QLocalServer::removeServer(second.serverName()); // what the killed helper left behind
}

void TestSingleInstance::staleSocketOfACrashedInstanceIsTakenOver()
{
    const QString key = freshKey();
    QProcess crashed;
    QVERIFY(startHelper(crashed, key, true));
    crashed.kill(); // no clean-up: the socket stays behind
    crashed.waitForFinished();

    SingleInstance next(key);
    QVERIFY(next.claim());
    QSignalSpy raised(&next, &SingleInstance::raiseRequested);
    QProcess later;
    QVERIFY(startHelper(later, key, false));
    QTRY_COMPARE(later.state(), QProcess::NotRunning);
    QCOMPARE(later.exitCode(), 3);
    QTRY_COMPARE(raised.count(), 1);
}

void TestSingleInstance::guardIsFreedWithItsOwner()
{
    const QString key = freshKey();
    {
        SingleInstance first(key);
        QVERIFY(first.claim());
        QVERIFY(first.claim()); // claiming twice keeps the guard
    }
    SingleInstance next(key);
    QVERIFY(next.claim());
}

void TestSingleInstance::keysAndJunkDoNotInterfere()
{
    SingleInstance a(freshKey());
    SingleInstance b(freshKey());
    QVERIFY(a.serverName() != b.serverName());
    QVERIFY(a.claim());
    QVERIFY(b.claim());
    QCOMPARE(SingleInstance().serverName(),
             SingleInstance(SingleInstance::defaultKey()).serverName());

    // A stranger that connects and sends something else raises nothing.
    QSignalSpy raised(&a, &SingleInstance::raiseRequested);
    QLocalSocket stranger;
    stranger.connectToServer(a.serverName());
    QVERIFY(stranger.waitForConnected(2000));
    stranger.write(QByteArray(200, 'x'));
    stranger.write("raise\n");
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(raised.count(), 0);
}

void TestSingleInstance::simultaneousStartsGiveOneInstance()
{
    // Twenty starts within a few milliseconds: one runs, every other one exits.
    const QString key = freshKey();
    const int starts = 20;
    QTemporaryDir dir;
    const QString go = dir.filePath("go");
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < starts; ++i) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(SINGLEINSTANCE_HELPER), {key, go});
        QVERIFY(processes.back()->waitForStarted());
    }
    QTest::qWait(300); // every helper is waiting for the file
    QFile(go).open(QIODevice::WriteOnly);
    int exited = 0;
    for (auto &p : processes) {
        if (p->waitForFinished(3000)) {
            QCOMPARE(p->exitCode(), 3);
            ++exited;
        }
    }
    QCOMPARE(exited, starts - 1);
    for (auto &p : processes) {
        if (p->state() == QProcess::NotRunning)
            continue;
        // The one that runs holds the guard.
        QByteArray out;
        QTRY_VERIFY((out += p->readAllStandardOutput()).contains("primary"));
        p->kill();
        p->waitForFinished();
    }
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
