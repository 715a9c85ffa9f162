// The console's files through the real window: a start reads them, the exit button writes
// them. Every check compares the bytes on disk with the fixture.

#include "console/PtzConsole.h"
#include "schedules/ScheduleBoard.h"
#include "schedules/ScheduleCheck.h"
#include "schedules/ScheduleFiles.h"

#include "support/TestFiles.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Lines with their own ends.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        lines.append(bytes.mid(start, end - start));
        start = end;
    }
    return lines;
}

} // namespace

class TestConsoleFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void linesNotChangedKeepTheirBytesThroughStartAndExit();
    void overLimitFileIsLeftAloneAndSaid();
    void failedSaveIsSaidOnceAndKeepsTheConsoleOpen();
    void staleSaveTemporariesAreRemovedAtStart();

private:
    QString path(const QString &name) const { return QDir(m_files->path()).filePath(name); }
    void start();
    void exit() { m_window->findChild<QPushButton *>(QStringLiteral("CmdExit"))->click(); }
    QString log() const
    {
        return m_window->findChild<QPlainTextEdit *>(QStringLiteral("TxtDisplay"))->toPlainText();
    }

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<PtzConsole> m_window;
    QStringList m_prompts;
};

void TestConsoleFiles::init()
{
    m_files = std::make_unique<QTemporaryDir>();
    qputenv("X7_FILES_DIR", m_files->path().toLocal8Bit());
    m_prompts.clear();
}

void TestConsoleFiles::cleanup()
{
    if (m_window && m_window->isVisible())
        exit();
    m_window.reset();
}

void TestConsoleFiles::start()
{
    m_window = std::make_unique<PtzConsole>();
    m_window->setPromptFunction([this](QWidget *, const QString &text) { m_prompts << text; });
    m_window->show();
}

void TestConsoleFiles::linesNotChangedKeepTheirBytesThroughStartAndExit()
{
    // 99 rows as they come: from this console (UTF-8), from the Windows console (GBK), edited in
    // a Latin-1 editor, with a stray byte, LF-only ends, and a last line cut inside its last
    // character (a copy cut short).
    QByteArray lines;
    for (int n = 0; n < kScheduleRowCount; ++n) {
        QByteArray line;
        switch (n % 4) {
        case 0:
            line = buildScheduleLine(n, "06:30:00", "18:00:00", "巡迹二").toUtf8();
            break;
        case 1:
            line = QStringEncoder("GB18030").encode(buildScheduleLine(n, "07:00", "", "巡航"));
            break;
        case 2:
            line = "Caf\xE9 row " + QByteArray::number(n);
            break;
        default:
            line = "stray \xA0 byte";
            break;
        }
        lines += line + (n % 10 == 9 ? "\n" : "\r\n");
    }
    lines += QStringLiteral("开").toUtf8().left(2);
    const QByteArray marks = "True\r\n1\r\nfalse\r\n0\r\n" + QByteArray("False\r\n").repeated(95) +
                             "a line of another program\r\n";
    const QByteArray ip = "192.168.1.5\r\nsecond line\r\n";
    writeFile(path(kScheduleLinesFileName), lines);
    writeFile(path(kScheduleMarksFileName), marks);
    writeFile(path(kDeviceIpFileName), ip);

    start();
    ScheduleBoard *board = m_window->schedules();
    QVERIFY(board->isTicked(0) && board->isTicked(1) && !board->isTicked(2));
    board->storeRow(5, "08:00:00", "09:00:00", "巡航"); // row 5 changes and is ticked
    exit();
    QVERIFY(!m_window->isVisible());

    QList<QByteArray> expected = linesOf(lines);
    expected[5] = buildScheduleLine(5, "08:00:00", "09:00:00", "巡航").toUtf8() + "\r\n";
    QCOMPARE(linesOf(readFile(path(kScheduleLinesFileName))), expected);
    // "1" and "false" still say what the rows are: they stay; only row 5's mark is new.
    QList<QByteArray> markLines = linesOf(marks);
    markLines[5] = "True\r\n";
    QCOMPARE(linesOf(readFile(path(kScheduleMarksFileName))), markLines);
    QCOMPARE(readFile(path(kDeviceIpFileName)), ip);
    QVERIFY(m_prompts.isEmpty());
}

void TestConsoleFiles::overLimitFileIsLeftAloneAndSaid()
{
    const QByteArray huge = "True\r\n" + QByteArray(kMaxScheduleFileBytes, 'x');
    writeFile(path(kScheduleMarksFileName), huge);
    start();
    QVERIFY(!m_window->schedules()->isTicked(0)); // not read
    QVERIFY2(log().contains(QDir::toNativeSeparators(path(kScheduleMarksFileName))),
             qPrintable(log()));
    m_window->schedules()->setTicked(3, true);
    exit();
    QVERIFY(!m_window->isVisible());
    QCOMPARE(readFile(path(kScheduleMarksFileName)), huge);
    QCOMPARE(linesOf(readFile(path(kScheduleLinesFileName))).size(), kScheduleRowCount);
    QVERIFY(m_prompts.isEmpty());
}

void TestConsoleFiles::failedSaveIsSaidOnceAndKeepsTheConsoleOpen()
{
    QVERIFY(QDir(m_files->path()).mkdir(kScheduleLinesFileName));
    start();
    exit();
    QVERIFY(m_window->isVisible()); // stays, so the operator reads why
    QCOMPARE(m_prompts.size(), 1);
    const QString text = m_prompts.first();
    QVERIFY2(text.contains(QDir::toNativeSeparators(path(kScheduleLinesFileName))),
             qPrintable(text));
    QVERIFY2(text.size() > path(kScheduleLinesFileName).size() + 6, qPrintable(text)); // why
    QVERIFY(log().contains(text));
    // The other two files were written.
    QCOMPARE(readFile(path(kScheduleMarksFileName)).count("\r\n"), kScheduleRowCount);

    exit(); // the same failure: not said again, and the console ends
    QCOMPARE(m_prompts.size(), 1);
    QVERIFY(!m_window->isVisible());
}

void TestConsoleFiles::staleSaveTemporariesAreRemovedAtStart()
{
    const QDir dir(m_files->path());
    // Left by a kill a while ago; a console saving right now has a fresh one.
    const QStringList stale = {"321.ini.xQmTbA", "322.ini.AbCdEf", "123.ini.QwErTy"};
    const QStringList kept = {"321.ini.backup", "Cfg.ini.xQmTbA", "321.ini.xQmTb", "notes.txt"};
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    for (const QString &name : stale + kept) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("True\r\n");
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    writeFile(dir.filePath("322.ini.FrEsHa"), "True\r\n");
    start();
    for (const QString &name : stale)
        QVERIFY2(!dir.exists(name), qPrintable(name));
    for (const QString &name : kept + QStringList{"322.ini.FrEsHa"})
        QVERIFY2(dir.exists(name), qPrintable(name));
}

QTEST_MAIN(TestConsoleFiles)
#include "tst_consolefiles.moc"
