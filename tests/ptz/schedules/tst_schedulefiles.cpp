#include "schedules/ScheduleCheck.h"
#include "schedules/ScheduleFiles.h"
#include "textfiles/TextFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray gb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QStringList readLines(const QByteArray &bytes, int maxLines)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readScheduleFileLines(buffer, maxLines);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestScheduleFiles : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data();
    void decoding();
    void lineSplitting_data();
    void lineSplitting();
    void hugeFiles();
    void checkMarks_data();
    void checkMarks();
    void marksFile_data();
    void marksFile();
    void linesFile();
    void deviceIpFile_data();
    void deviceIpFile();
    void encoding();
    void atomicWrite();
    void folderOverride();
};

void TestScheduleFiles::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    const QString line = buildScheduleLine(7, "06:30:00", "18:00:00", "巡迹二");
    QTest::newRow("utf-8") << line.toUtf8() << line;
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF") + line.toUtf8() << line;
    QTest::newRow("gbk from the windows console") << gb18030(line) << line;
    QTest::newRow("ascii") << QByteArray("192.168.1.10") << "192.168.1.10";
    // Not valid UTF-8 as a whole, so the whole file is read as GB18030.
    QTest::newRow("utf-8 cut inside a character") << QByteArray("ok\xE5\xBC") << "ok\u5BEE";
}

void TestScheduleFiles::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TextFiles::decode(bytes), text);
}

void TestScheduleFiles::lineSplitting_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("cr lf") << QByteArray("a\r\nb\r\n") << 99 << QStringList{"a", "b"};
    QTest::newRow("no end on the last line") << QByteArray("a\r\nb") << 99 << QStringList{"a", "b"};
    QTest::newRow("lf only") << QByteArray("a\nb\n") << 99 << QStringList{"a", "b"};
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << 99 << QStringList{"a", "b"};
    QTest::newRow("empty lines kept")
        << QByteArray("a\r\n\r\nb\r\n") << 99 << QStringList{"a", "", "b"};
    QTest::newRow("only a line end") << QByteArray("\r\n") << 99 << QStringList{""};
    QTest::newRow("empty file") << QByteArray() << 99 << QStringList{};
    QTest::newRow("stops at the rows wanted")
        << QByteArray("a\r\nb\r\nc\r\n") << 2 << QStringList{"a", "b"};
    QTest::newRow("nul bytes stay in the line")
        << QByteArray("a\0b\r\n", 5) << 99 << QStringList{QString::fromLatin1("a\0b", 3)};
    QTest::newRow("invalid bytes read as gb18030, never lost lines")
        << QByteArray("\xFF\xFE\r\n\x80\r\nok\r\n") << 99
        << QStringList{"\uFFFD\uFFFD", "\uFFFD", "ok"};
}

void TestScheduleFiles::lineSplitting()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, maxLines);
    QFETCH(QStringList, lines);
    const QStringList read = readLines(bytes, maxLines);
    if (read != lines)
        qWarning() << read;
    QCOMPARE(read, lines);
}

void TestScheduleFiles::hugeFiles()
{
    // A long line well inside the bound is kept whole.
    const QByteArray longLine(100000, 'x');
    QCOMPARE(readLines(longLine + "\r\nb\r\n", 99), (QStringList{QString(longLine), "b"}));

    // Past the bound, nothing is read: a file cut there would be saved back cut.
    const QByteArray huge(kMaxScheduleFileBytes + 10, 'x');
    QCOMPARE(readLines("a\r\nb\r\n" + huge + "\r\n", 99), QStringList{});
    QCOMPARE(readLines(huge, 99), QStringList{});

    // A file that ends exactly at the bound is read whole.
    QByteArray exact = QByteArray(kMaxScheduleFileBytes - 3, 'y') + "\r\nz";
    QCOMPARE(readLines(exact, 99).size(), 2);

    // A device that is not open gives nothing.
    QBuffer closed;
    QCOMPARE(readScheduleFileLines(closed, 99), QStringList{});
}

void TestScheduleFiles::checkMarks_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("mark"); // 1 true, 0 false, -1 not a boolean

    QTest::newRow("True") << "True" << 1;
    QTest::newRow("False") << "False" << 0;
    QTest::newRow("any case") << "tRUE" << 1;
    QTest::newRow("blanks around") << "  False " << 0;
    QTest::newRow("minus one") << "-1" << 1;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("fraction") << "0.5" << 1;
    QTest::newRow("zero fraction") << "0.0" << 0;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("yes") << "Yes" << -1;
    QTest::newRow("word with a tail") << "Truee" << -1;
    QTest::newRow("number with a tail") << "1x" << -1;
}

void TestScheduleFiles::checkMarks()
{
    QFETCH(QString, text);
    QFETCH(int, mark);
    const std::optional<bool> parsed = parseCheckMark(text);
    QCOMPARE(parsed ? int(*parsed) : -1, mark);
}

void TestScheduleFiles::marksFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("ticked"); // marks true afterwards, all 99 starting true

    QByteArray allFalse;
    for (int n = 0; n < 99; ++n)
        allFalse += "False\r\n";
    QByteArray fifty;
    for (int n = 0; n < 50; ++n)
        fifty += "False\r\n";
    QByteArray brokenAt10;
    for (int n = 0; n < 99; ++n)
        brokenAt10 += n == 10 ? "maybe\r\n" : "False\r\n";

    QTest::newRow("all 99") << allFalse << 99 << 0;
    QTest::newRow("50 lines: rows 50 to 98 keep theirs") << fifty << 50 << 49;
    QTest::newRow("a non-boolean line ends the reading") << brokenAt10 << 10 << 89;
    QTest::newRow("empty file") << QByteArray() << 0 << 99;
    QTest::newRow("extra lines ignored") << allFalse + "False\r\nFalse\r\n" << 99 << 0;
    QTest::newRow("binary garbage") << QByteArray("\x00\xFF\x81\x30", 4) << 0 << 99;
}

void TestScheduleFiles::marksFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, read);
    QFETCH(int, ticked);
    QList<bool> marks(kScheduleRowCount, true);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(readScheduleMarks(buffer, marks), read);
    QCOMPARE(marks.size(), kScheduleRowCount);
    QCOMPARE(int(marks.count(true)), ticked);
}

void TestScheduleFiles::linesFile()
{
    QStringList lines;
    for (int n = 0; n < kScheduleRowCount; ++n)
        lines.append(defaultScheduleLine(n));
    const QString stored = buildScheduleLine(0, "06:30:00", "18:00:00", "巡迹二");

    // Three lines from the Windows console (GBK): rows 0 to 2 change, the others stay.
    QByteArray bytes = gb18030(stored + "\r\n\r\n" + QString(5000, QLatin1Char('x')) + "\r\n");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QCOMPARE(readScheduleLines(buffer, lines), 3);
    QCOMPARE(lines.size(), kScheduleRowCount);
    QCOMPARE(lines.at(0), stored);
    QCOMPARE(lines.at(1), QString());
    QCOMPARE(lines.at(2), QString(5000, QLatin1Char('x')));
    QCOMPARE(lines.at(3), defaultScheduleLine(3));
    QCOMPARE(lines.at(98), defaultScheduleLine(98));
}

void TestScheduleFiles::deviceIpFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("ip");

    QTest::newRow("address") << QByteArray("192.168.1.10\r\n") << true << "192.168.1.10";
    QTest::newRow("only the first line")
        << QByteArray("10.0.0.1\r\n10.0.0.2\r\n") << true << "10.0.0.1";
    QTest::newRow("an empty line empties the box") << QByteArray("\r\n") << true << "";
    QTest::newRow("empty file leaves the box") << QByteArray() << false << "";
    QTest::newRow("gbk text") << gb18030("设备\r\n") << true << "设备";
}

void TestScheduleFiles::deviceIpFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, present);
    QFETCH(QString, ip);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<QString> read = readDeviceIpFile(buffer);
    QCOMPARE(read.has_value(), present);
    if (read)
        QCOMPARE(*read, ip);
}

void TestScheduleFiles::encoding()
{
    QCOMPARE(encodeScheduleFile({"192.168.1.10"}), QByteArray("192.168.1.10\r\n"));
    QCOMPARE(encodeScheduleFile(scheduleMarkLines({true, false})), QByteArray("True\r\nFalse\r\n"));
    QCOMPARE(encodeScheduleFile({"开：", ""}), QString("开：\r\n\r\n").toUtf8());
    // A line break inside a line would shift every later row on the next start.
    QCOMPARE(encodeScheduleFile({"a\r\nb", "c\nd"}), QByteArray("a  b\r\nc d\r\n"));
}

void TestScheduleFiles::atomicWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("321.ini");
    QVERIFY(TextFiles::writeAtomically(path, "old\r\n"));
    QVERIFY(TextFiles::writeAtomically(path, "new\r\n"));
    QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
    // Nothing but the file itself is left in the folder (no temporary copies).
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"321.ini"});

    // A file that cannot be replaced is reported, and what is there stays.
    QVERIFY(QDir(dir.path()).mkdir("322.ini"));
    QVERIFY(!TextFiles::writeAtomically(dir.filePath("322.ini"), "True\r\n"));
    QVERIFY(QFileInfo(dir.filePath("322.ini")).isDir());
    QVERIFY(!TextFiles::writeAtomically(dir.filePath("missing/123.ini"), "x\r\n"));
}

void TestScheduleFiles::folderOverride()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("files");
    qputenv("X7_FILES_DIR", folder.toLocal8Bit());
    QCOMPARE(TextFiles::folder(), folder);
    QVERIFY(QFileInfo(folder).isDir());
    qunsetenv("X7_FILES_DIR");
    QVERIFY(!TextFiles::folder().isEmpty());
    QVERIFY(QFileInfo(TextFiles::folder()).isDir());
}

QTEST_GUILESS_MAIN(TestScheduleFiles)
#include "tst_schedulefiles.moc"
