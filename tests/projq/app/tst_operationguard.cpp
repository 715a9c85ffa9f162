// The guard that keeps timed operations whole: controls off while any operation runs and back to
// what they were after, and a close that waits for the last operation.

#include "app/OperationGuard.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

// An operation as the guard sees it: two signals.
class FakeOperation : public QObject
{
    Q_OBJECT
signals:
    void started();
    void finished();
    void begun(int id); // a differently named pair, with an argument
    void done(bool ok);
};

} // namespace

class TestOperationGuard : public QObject
{
    Q_OBJECT
private slots:
    void overlappingOperationsKeepControlsOff();
    void closeWaitsForTheLastOperation();
    void destroyedOperationCountsAsEnded();
};

void TestOperationGuard::overlappingOperationsKeepControlsOff()
{
    OperationGuard guard;
    FakeOperation save, upgrade;
    guard.watch(&save);
    guard.watch(&upgrade, &FakeOperation::begun, &FakeOperation::done);
    QPushButton search, read, alreadyOff;
    alreadyOff.setEnabled(false);
    for (QPushButton *b : {&search, &read, &alreadyOff})
        guard.addControl(b);
    QSignalSpy busy(&guard, &OperationGuard::busyChanged);

    emit save.started();
    emit save.started(); // a repeated announcement is one operation
    QVERIFY(guard.isBusy());
    QVERIFY(!search.isEnabled() && !read.isEnabled() && !alreadyOff.isEnabled());
    emit upgrade.begun(1);
    QCOMPARE(guard.runningCount(), 2);

    // A control added while busy is switched off at once and given back its own state.
    QPushButton late;
    guard.addControl(&late);
    QVERIFY(!late.isEnabled());

    emit save.finished();
    QVERIFY(guard.isBusy());
    QVERIFY(!search.isEnabled()); // the upgrade still runs
    emit upgrade.done(false);
    QVERIFY(!guard.isBusy());
    QVERIFY(search.isEnabled() && read.isEnabled() && late.isEnabled());
    QVERIFY(!alreadyOff.isEnabled()); // off before, off after
    QCOMPARE(busy.size(), 2);
    QCOMPARE(busy.at(0).at(0).toBool(), true);
    QCOMPARE(busy.at(1).at(0).toBool(), false);

    // An end without a start changes nothing.
    emit save.finished();
    QCOMPARE(busy.size(), 2);
}

void TestOperationGuard::closeWaitsForTheLastOperation()
{
    OperationGuard guard;
    FakeOperation save;
    guard.watch(&save);
    QSignalSpy ready(&guard, &OperationGuard::readyToClose);
    QVERIFY(guard.mayClose());
    QCOMPARE(ready.size(), 0);

    emit save.started();
    QVERIFY(!guard.mayClose());
    QVERIFY(guard.closePending());
    QCOMPARE(ready.size(), 0);
    emit save.finished();
    QCOMPARE(ready.size(), 1);
    QVERIFY(!guard.closePending());

    // Without a close request the end of an operation closes nothing.
    emit save.started();
    emit save.finished();
    QCOMPARE(ready.size(), 1);
}

void TestOperationGuard::destroyedOperationCountsAsEnded()
{
    OperationGuard guard;
    QPushButton search;
    guard.addControl(&search);
    auto *op = new FakeOperation;
    guard.watch(op);
    emit op->started();
    QVERIFY(!guard.mayClose());
    QSignalSpy ready(&guard, &OperationGuard::readyToClose);
    delete op;
    QVERIFY(!guard.isBusy());
    QVERIFY(search.isEnabled());
    QCOMPARE(ready.size(), 1);
}

QTEST_MAIN(TestOperationGuard)
#include "tst_operationguard.moc"
