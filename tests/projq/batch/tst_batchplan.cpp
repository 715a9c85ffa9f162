// The pure part of a batch apply: which selections may go together, and the result file a
// spreadsheet opens.

#include "batch/BatchPlan.h"

#include <QTest>

class TestBatchPlan : public QObject
{
    Q_OBJECT
private slots:
    void selection();
    void resultCsvQuotesAndNeutralises();
};

void TestBatchPlan::selection()
{
    const DeviceEntry q2{"192.168.0.7", "a", "D8 B0 4C 00 00 01", "4017", KindQ2, 0};
    const DeviceEntry q3{"192.168.0.8", "b", "D8 B0 4C 00 00 02", "4017", KindQ3, 0};
    const DeviceEntry old{"192.168.0.9", "c", "D8 B0 4C 00 00 03", "2001", KindUnsupported, 0};
    QCOMPARE(checkSelection({}), SelectionProblem::Empty);
    QCOMPARE(checkSelection({q2, q2}), SelectionProblem::None);
    QCOMPARE(checkSelection({q3}), SelectionProblem::None);
    QCOMPARE(checkSelection({q2, q3}), SelectionProblem::MixedModels);
    QCOMPARE(checkSelection({q2, old}), SelectionProblem::Unsupported);
}

void TestBatchPlan::resultCsvQuotesAndNeutralises()
{
    BatchModuleResult r;
    // A module's own texts go into the file: a remote host that reads like a formula.
    r.module = {"192.168.0.7", "n", "D8 B0 4C 00 00 01", "4017", KindQ2, 0};
    r.wanted = {{"port.remote_host", "=HYPERLINK(\"x\")"}, {"net.ip", "192.168.0.50"}};
    r.outcome = BatchOutcome::Failed;
    r.failedKeys = {"port.remote_host"};
    r.readBack = {{"port.remote_host", "a,b"}};
    const QList<QByteArray> lines = batchResultCsv({r}).split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).startsWith("MAC,IP,New IP,"));
    QVERIFY2(lines.at(1).startsWith("D8 B0 4C 00 00 01,192.168.0.7,192.168.0.50,"),
             lines.at(1).constData());
    // The failed field's cell holds a comma and quotes: quoted, quotes doubled.
    QVERIFY2(lines.at(1).contains("\"port.remote_host: =HYPERLINK(\"\"x\"\") -> a,b\""),
             lines.at(1).constData());

    r.wanted = {{"net.ip", "=1+1"}};
    r.outcome = BatchOutcome::Ok;
    r.failedKeys.clear();
    QVERIFY(batchResultCsv({r}).split('\n').at(1).contains(",'=1+1,"));
}

QTEST_GUILESS_MAIN(TestBatchPlan)
#include "tst_batchplan.moc"
