// Batch apply from the main window against x7sim --count 5 over loopback: every module gets its
// new values and keeps every other byte, one after another; a module that does not answer is
// reported and the others still complete; a cancel stops after the module in progress and
// leaves the rest untouched. Judged by the simulator's memory dump.

#include "app/MainWindow.h"

#include "batch/BatchDialog.h"
#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"
#include "lan/SavePlan.h"
#include "lang/LangList.h"
#include "support/SimDump.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Blocks = SimBlocks;
using Memory = SimMemory;

const QStringList kMacs = {"D8 B0 4C 00 B0 01", "D8 B0 4C 00 B0 02", "D8 B0 4C 00 B0 03",
                           "D8 B0 4C 00 B0 04", "D8 B0 4C 00 B0 05"};

QByteArray hexMac(const QString &mac)
{
    return removeSpaces(mac).toLatin1();
}

// With X7_SCREENSHOT_DIR set, the dialog as it is now goes to that folder.
void grabTo(QWidget *widget, const char *name)
{
    const QByteArray dir = qgetenv("X7_SCREENSHOT_DIR");
    QTest::qWait(50); // the headers lay themselves out after a pass of the event loop
    if (!dir.isEmpty())
        QVERIFY(widget->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') +
                                    QString::fromLatin1(name)));
}

void putLe(QByteArray &bytes, int offset, quint32 value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

// The base block holds the static IP at 9-12, least significant byte first; the port block
// (from byte 67 of the parameter block) its baud rate at 0-3 and its local port at 12-13.
constexpr int kBaseFlagsAt = 3; // bit 7: static address
constexpr int kIpAt = 9;
constexpr int kBaudAt = 67;
constexpr int kLocalPortAt = 67 + 12;

} // namespace

class TestE2eBatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void mixedModelsAreRefused();
    void templateFromThePanelLoadsIntoTheDialog();
    void appliesToFiveWithAnIpRun();
    void silentModuleIsNoAnswerAndTheOthersComplete();
    void cancelStopsAfterTheModuleInProgress();

private:
    void searchAndReadFirst();
    void selectMacs(const QStringList &macs);
    void setField(BatchDialog *dialog, const QString &key, const QString &value);
    Memory simMemory();

    QTemporaryDir m_files;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    QTableView *m_list = nullptr;
    QStringList m_messages;
};

void TestE2eBatch::initTestCase()
{
    qputenv("X7_FILES_DIR", m_files.path().toLocal8Bit());
    // Five modules to write, and a sixth that answers the search but no command frame.
    QVERIFY2(m_sim.start("X7SIM", {"--count", "6", "--mac", "D8B04C00B001", "--quiet",
                                   "--restart-ms", "200", "--mute", "6"}),
             m_sim.errors().constData());
    MainWindow::setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
}

void TestE2eBatch::init()
{
    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    m_window = new MainWindow;
    m_window->show();
    m_list = m_window->findChild<QTableView *>(QStringLiteral("lv_Dev"));
    m_messages.clear();
}

void TestE2eBatch::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TestE2eBatch::searchAndReadFirst()
{
    m_window->findChild<QPushButton *>(QStringLiteral("btn_Search"))->click();
    QTRY_COMPARE(m_window->devices()->rowCount(), 6);
    // The first module read into the panel gives the template.
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {},
                      m_list->visualRect(m_list->model()->index(0, 0)).center());
    QTRY_COMPARE(m_window->currentLayout(), MainWindow::Layout::Q2);
    QTRY_VERIFY(
        !m_window->findChild<QLineEdit *>(QStringLiteral("edt_StaticIP"))->text().isEmpty());
    QTest::qWait(300); // the other blocks of the read
}

void TestE2eBatch::selectMacs(const QStringList &macs)
{
    m_list->clearSelection();
    for (int r = 0; r < m_list->model()->rowCount(); ++r)
        if (macs.contains(m_list->model()->index(r, DeviceListModel::ColMac).data().toString()))
            m_list->selectionModel()->select(m_list->model()->index(r, 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
}

void TestE2eBatch::setField(BatchDialog *dialog, const QString &key, const QString &value)
{
    auto *fields = dialog->findChild<QTableWidget *>(QStringLiteral("tbl_BatchFields"));
    for (int r = 0; r < fields->rowCount(); ++r)
        if (fields->item(r, 0)->text() == key) {
            fields->item(r, 1)->setText(value);
            fields->item(r, 0)->setCheckState(Qt::Checked);
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no field ") + key));
}

Memory TestE2eBatch::simMemory()
{
    return dumpSimMemory(m_sim);
}

void TestE2eBatch::mixedModelsAreRefused()
{
    searchAndReadFirst();
    // A Q3 row beside the Q2 rows: refused with a message, no dialog.
    m_window->devices()->addDevice({QStringLiteral("192.168.0.99"), QStringLiteral("q3"),
                                    QStringLiteral("D8 B0 4C 00 C0 01"), QStringLiteral("4017"),
                                    KindQ3, 0});
    selectMacs({kMacs.at(0), QStringLiteral("D8 B0 4C 00 C0 01")});
    m_window->openBatchApply();
    QCOMPARE(m_messages, QStringList{langText(QStringLiteral("lang_Batch_Mixed"))});
    QVERIFY(!m_window->batchDialog() || !m_window->batchDialog()->isVisible());
}

void TestE2eBatch::templateFromThePanelLoadsIntoTheDialog()
{
    searchAndReadFirst();
    const QString path = m_files.filePath(QStringLiteral("site.json"));
    QVERIFY(m_window->saveTemplateTo(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray json = file.readAll();
    QVERIFY2(json.contains("\"model\": \"Q2\"") && json.contains("\"port.baud\": 115200"),
             json.constData());

    selectMacs({kMacs.at(1), kMacs.at(2)});
    m_window->openBatchApply();
    BatchDialog *dialog = m_window->batchDialog();
    QVERIFY(dialog->loadTemplateFile(path));
    auto *fields = dialog->findChild<QTableWidget *>(QStringLiteral("tbl_BatchFields"));
    QVERIFY(fields->rowCount() > 10);
    QVERIFY(dialog->chosenFields().isEmpty()); // the user picks; nothing is set unasked
    setField(dialog, QStringLiteral("port.baud"), QStringLiteral("9600"));
    QCOMPARE(dialog->chosenFields(), (FieldValues{{"port.baud", "9600"}}));

    // A file that is no template says why and leaves the fields as they were.
    QFile broken(m_files.filePath(QStringLiteral("broken.json")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{\"model\": \"Q2\", \"fields\": {\"port.baud\": \"fast\"}}");
    broken.close();
    QVERIFY(!dialog->loadTemplateFile(broken.fileName()));
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_messages.first().startsWith(langText(QStringLiteral("lang_Batch_TemplateFailed"))));
    QCOMPARE(dialog->chosenFields(), (FieldValues{{"port.baud", "9600"}}));
    dialog->close();
}

void TestE2eBatch::appliesToFiveWithAnIpRun()
{
    searchAndReadFirst();
    const Memory before = simMemory();
    QCOMPARE(before.size(), 6);
    selectMacs(kMacs);
    m_window->openBatchApply();
    BatchDialog *dialog = m_window->batchDialog();
    QVERIFY(dialog && dialog->isVisible());
    setField(dialog, QStringLiteral("port.baud"), QStringLiteral("57600"));
    setField(dialog, QStringLiteral("port.local"), QStringLiteral("4002"));
    dialog->setIpStart(QStringLiteral("192.168.0.50"));

    QSignalSpy reads(dialog->run(), &BatchRun::readsFinished);
    dialog->review();
    QVERIFY(reads.wait(10000));
    QCOMPARE(dialog->page(), BatchDialog::ReviewPage);
    auto *review = dialog->findChild<QTableWidget *>(QStringLiteral("tbl_BatchReview"));
    // Four fields per module, each old → new: the IP run sets the static address too.
    QCOMPARE(review->rowCount(), 5 * 4);
    QCOMPARE(review->item(2, 2)->text(), QStringLiteral("port.baud"));
    // The key's caption in the panel is at hand where the key is shown.
    QCOMPARE(review->item(2, 2)->toolTip(), langText(QStringLiteral("lang_Lbl_Baudrate")));
    QCOMPARE(review->item(2, 3)->text(), QStringLiteral("115200"));
    QCOMPARE(review->item(2, 4)->text(), QStringLiteral("→ 57600"));
    grabTo(dialog, "batch-review.png");
    // The review read every module and sent nothing else.
    const Memory unchanged = simMemory();
    for (const QString &mac : kMacs)
        QVERIFY(
            blockDifferences(before.value(hexMac(mac)), unchanged.value(hexMac(mac))).isEmpty());

    auto *search = m_window->findChild<QPushButton *>(QStringLiteral("btn_Search"));
    QSignalSpy done(dialog->run(), &BatchRun::applyDone);
    dialog->apply();
    QVERIFY(!search->isEnabled()); // the guard keeps other frames off the wire meanwhile
    QVERIFY(done.wait(60000));
    QVERIFY(search->isEnabled());

    const QList<BatchModuleResult> results = dialog->results();
    QCOMPARE(results.size(), 5);
    const Memory after = simMemory();
    for (const BatchModuleResult &r : results) {
        QCOMPARE(r.outcome, BatchOutcome::Ok);
        const QString ip = r.wanted.value(QStringLiteral("net.ip"));
        Blocks expected = before.value(hexMac(r.module.mac));
        QByteArray &param = expected["base"];
        putLe(param, kIpAt, *ipTextToInt(ip), 4);
        putLe(param, kBaudAt, 57600, 4);
        putLe(param, kLocalPortAt, 4002, 2);
        param[kBaseFlagsAt] = char(quint8(param.at(kBaseFlagsAt)) | 0x80); // static address
        const QStringList diff = blockDifferences(expected, after.value(hexMac(r.module.mac)));
        QVERIFY2(diff.isEmpty(),
                 qPrintable(r.module.mac + QLatin1Char('\n') + diff.join(QLatin1Char('\n'))));
    }
    QStringList given;
    for (const BatchModuleResult &r : results)
        given << r.wanted.value(QStringLiteral("net.ip"));
    // In the order the list shows the modules.
    QCOMPARE(given, QStringList({"192.168.0.50", "192.168.0.51", "192.168.0.52", "192.168.0.53",
                                 "192.168.0.54"}));

    // The result table and its CSV export say the same.
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tbl_BatchResult"));
    QCOMPARE(table->rowCount(), 5);
    for (int r = 0; r < 5; ++r)
        QCOMPARE(table->item(r, 3)->text(), langText(QStringLiteral("lang_Batch_Ok")));
    const QString csv = m_files.filePath(QStringLiteral("batch.csv"));
    QVERIFY(dialog->exportResults(csv));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 5 + 1);
    QVERIFY(lines.at(1).startsWith(results.at(0).module.mac.toUtf8() + ','));
}

void TestE2eBatch::silentModuleIsNoAnswerAndTheOthersComplete()
{
    searchAndReadFirst();
    // The muted module: listed by the search, silent to reads and writes.
    const QString silent = QStringLiteral("D8 B0 4C 00 B0 06");
    const Memory before = simMemory();
    selectMacs({kMacs.at(0), silent, kMacs.at(1)});
    m_window->openBatchApply();
    BatchDialog *dialog = m_window->batchDialog();
    setField(dialog, QStringLiteral("port.remote_port"), QStringLiteral("6001"));
    dialog->setIpStart(QStringLiteral("192.168.2.10"));
    QSignalSpy reads(dialog->run(), &BatchRun::readsFinished);
    dialog->review();
    QVERIFY(reads.wait(15000));
    QSignalSpy done(dialog->run(), &BatchRun::applyDone);
    dialog->apply();
    QVERIFY(done.wait(60000));
    const QList<BatchModuleResult> results = dialog->results();
    QCOMPARE(results.size(), 3);
    QMap<QString, BatchOutcome> outcome;
    for (const BatchModuleResult &r : results)
        outcome.insert(r.module.mac, r.outcome);
    QCOMPARE(outcome.value(silent), BatchOutcome::NoAnswer);
    QCOMPARE(outcome.value(kMacs.at(0)), BatchOutcome::Ok);
    QCOMPARE(outcome.value(kMacs.at(1)), BatchOutcome::Ok);
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("tbl_BatchResult"));
    QStringList shown;
    for (int r = 0; r < table->rowCount(); ++r)
        shown << table->item(r, 3)->text();
    QVERIFY(shown.contains(langText(QStringLiteral("lang_Batch_NoAnswer"))));
    grabTo(dialog, "batch-result.png");
    const Memory after = simMemory();
    QVERIFY(after.value(hexMac(kMacs.at(0))) != before.value(hexMac(kMacs.at(0))));
    QCOMPARE(after.value(hexMac(kMacs.at(2))), before.value(hexMac(kMacs.at(2))));
    QCOMPARE(after.value(hexMac(silent)), before.value(hexMac(silent)));
}

void TestE2eBatch::cancelStopsAfterTheModuleInProgress()
{
    searchAndReadFirst();
    const Memory before = simMemory();
    selectMacs(kMacs);
    m_window->openBatchApply();
    BatchDialog *dialog = m_window->batchDialog();
    setField(dialog, QStringLiteral("port.local"), QStringLiteral("5002"));
    QSignalSpy reads(dialog->run(), &BatchRun::readsFinished);
    dialog->review();
    QVERIFY(reads.wait(10000));
    QSignalSpy started(dialog->run(), &BatchRun::moduleStarted);
    QSignalSpy done(dialog->run(), &BatchRun::applyDone);
    dialog->apply();
    QVERIFY(!started.isEmpty());
    // Cancel while the first module's plan is on the wire: it completes, the rest is left.
    QTest::qWait(700);
    dialog->findChild<QPushButton *>(QStringLiteral("btn_BatchCancel"))->click();
    QVERIFY(done.wait(30000));
    const QList<BatchModuleResult> results = dialog->results();
    QCOMPARE(results.at(0).outcome, BatchOutcome::Ok);
    QCOMPARE(started.size(), 1);
    const Memory after = simMemory();
    for (int i = 1; i < 5; ++i) {
        QCOMPARE(results.at(i).outcome, BatchOutcome::Cancelled);
        const QByteArray mac = hexMac(results.at(i).module.mac);
        QVERIFY2(blockDifferences(before.value(mac), after.value(mac)).isEmpty(), mac.constData());
    }
    Blocks expected = before.value(hexMac(results.at(0).module.mac));
    putLe(expected["base"], kLocalPortAt, 5002, 2);
    QVERIFY(blockDifferences(expected, after.value(hexMac(results.at(0).module.mac))).isEmpty());
}

QTEST_MAIN(TestE2eBatch)
#include "tst_e2e_batch.moc"
