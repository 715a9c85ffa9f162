// The cyclic-send schedule without timers: order, delays, interval, and times counted from the
// start so that late wake-ups do not add up.

#include "datadebug/CyclePlan.h"

#include <QTest>

namespace {

constexpr qint64 kMs = 1000000;

struct Rows
{
    QList<CyclePlan::RowTiming> timing = QList<CyclePlan::RowTiming>(50);
    int interval = 1000;
    int reads = 0;
};

CyclePlan planOver(Rows &rows)
{
    return CyclePlan(
        50,
        [&rows](int i) {
            ++rows.reads;
            return rows.timing.at(i);
        },
        [&rows] { return rows.interval; });
}

struct Sent
{
    int row;
    qint64 dueMs;
    bool operator==(const Sent &) const = default;
};

char *toString(const Sent &s)
{
    return QTest::toString(QStringLiteral("row %1 at %2 ms").arg(s.row + 1).arg(s.dueMs));
}

// Wakes the plan exactly when it asks until `untilMs`, `lateMs` after each due time.
QList<Sent> run(CyclePlan &plan, qint64 untilMs, qint64 lateMs = 0)
{
    QList<Sent> sent;
    plan.start(0);
    qint64 now = 0;
    while (plan.running() && now <= untilMs * kMs) {
        const CyclePlan::Step step = plan.advance(now);
        for (const CyclePlan::Send &s : step.sends)
            sent.append({s.row, s.dueNs / kMs});
        if (!step.nextDueNs)
            break;
        now = std::max(now, *step.nextDueNs + lateMs * kMs);
    }
    return sent;
}

} // namespace

class TestCyclePlan : public QObject
{
    Q_OBJECT
private slots:
    void chosenRowsWithDelaysThenInterval();
    void lateWakeUpsDoNotAddUp();
    void zeroIntervalRunsOnePass();
    void rowsAndIntervalReadWhenReached();
    void burstIsHandedOutInSlices();
    void stopEndsAtOnce();
};

void TestCyclePlan::chosenRowsWithDelaysThenInterval()
{
    // Rows 1 and 3 chosen, delays 100 and none, interval 1000.
    Rows rows;
    rows.timing[0] = {true, 100};
    rows.timing[2] = {true, 0};
    CyclePlan plan = planOver(rows);
    const QList<Sent> expected = {{0, 0}, {2, 100}, {0, 1100}, {2, 1200}, {0, 2200}, {2, 2300}};
    QCOMPARE(run(plan, 2300), expected);
}

void TestCyclePlan::lateWakeUpsDoNotAddUp()
{
    Rows rows;
    rows.timing[0] = {true, 10};
    rows.timing[1] = {true, 10};
    rows.interval = 80; // a period of 100 ms
    CyclePlan plan = planOver(rows);
    // Every wake-up comes 7 ms late; the 1000th pass is still due at 1000 x 100 ms.
    const QList<Sent> sent = run(plan, 100100, 7);
    QCOMPARE(sent.at(2000), (Sent{0, 100000}));
    QCOMPARE(sent.at(2001), (Sent{1, 100010}));

    // A wake-up that comes after several due times hands them all out at once, each with its
    // own due time.
    plan.start(0);
    QCOMPARE(plan.advance(0).sends.size(), 1);
    const CyclePlan::Step late = plan.advance(250 * kMs);
    QCOMPARE(late.sends.size(), 5); // 10, 100, 110, 200, 210
    QCOMPARE(late.sends.last().dueNs, 210 * kMs);
    QCOMPARE(*late.nextDueNs, 300 * kMs);
}

void TestCyclePlan::zeroIntervalRunsOnePass()
{
    Rows rows;
    rows.interval = 0;
    for (int i = 0; i < 50; ++i)
        rows.timing[i] = {true, 0};
    CyclePlan plan = planOver(rows);
    QCOMPARE(run(plan, 10).size(), 50);
    QVERIFY(!plan.running());

    // Nothing chosen and no interval: the cycle ends without a send.
    Rows none;
    none.interval = 0;
    CyclePlan empty = planOver(none);
    QVERIFY(run(empty, 10).isEmpty());
    QVERIFY(!empty.running());
}

void TestCyclePlan::rowsAndIntervalReadWhenReached()
{
    Rows rows;
    rows.timing[0] = {true, 50};
    rows.timing[9] = {true, 0};
    CyclePlan plan = planOver(rows);
    plan.start(0);
    QCOMPARE(plan.advance(0).sends.size(), 1);
    QCOMPARE(rows.reads, 1); // the plan has not looked past row 1 yet
    // Row 5 is ticked and the interval changed while the first delay runs: row 5 takes part in
    // this pass, the new interval follows this pass.
    rows.timing[4] = {true, 0};
    rows.interval = 200;
    const CyclePlan::Step step = plan.advance(50 * kMs);
    QCOMPARE(step.sends.size(), 2);
    QCOMPARE(step.sends.at(0).row, 4);
    QCOMPARE(step.sends.at(1).row, 9);
    QCOMPARE(*step.nextDueNs, 250 * kMs);
}

void TestCyclePlan::burstIsHandedOutInSlices()
{
    Rows rows;
    rows.interval = 0;
    for (int i = 0; i < 50; ++i)
        rows.timing[i] = {true, 0};
    CyclePlan plan = planOver(rows);
    plan.start(0);
    const CyclePlan::Step first = plan.advance(0, 20);
    QCOMPARE(first.sends.size(), 20);
    QCOMPARE(*first.nextDueNs, 0); // the rest is due at once
    QCOMPARE(plan.advance(0, 20).sends.first().row, 20);
}

void TestCyclePlan::stopEndsAtOnce()
{
    Rows rows;
    rows.timing[0] = {true, 10};
    CyclePlan plan = planOver(rows);
    plan.start(0);
    plan.advance(0);
    plan.stop();
    const CyclePlan::Step step = plan.advance(10000 * kMs);
    QVERIFY(step.sends.isEmpty());
    QVERIFY(!step.nextDueNs);
}

QTEST_GUILESS_MAIN(TestCyclePlan)
#include "tst_cycleplan.moc"
