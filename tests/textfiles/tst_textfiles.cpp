#include "textfiles/LineDocument.h"
#include "textfiles/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QByteArray systemBytes(const QString &text)
{
    QStringEncoder encoder(QStringEncoder::System);
    return encoder.encode(text);
}

QByteArray utf16(const QString &text, QStringEncoder::Encoding encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

} // namespace

class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void lineDocumentKeepsUnchangedBytes_data();
    void lineDocumentKeepsUnchangedBytes();
    void readBounded();
    void decoding_data();
    void decoding();
    void gbkFileKeepsItsTextAndIsWrittenInTheSystemEncoding();
    void linesEndInCrLf();
    void replaceIsWholeAndReported();
    void ownerOnly();
    void folderOverride();
    void installedFolders_data();
    void installedFolders();
    void installedPrefixElsewhere();
};

void TestTextFiles::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString text = QStringLiteral("FilePath=D:\\数据\\命令.txt");
    QTest::newRow("utf-8") << text.toUtf8() << text;
    QTest::newRow("utf-8 with BOM") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << text;
    QTest::newRow("GBK from the Windows programs") << gbk(text) << text;
    QTest::newRow("ascii") << QByteArray("a|b\r\n") << QStringLiteral("a|b\r\n");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("UTF-16 LE from Notepad")
        << QByteArray("\xFF\xFE") +
               QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2)
        << text;
    QTest::newRow("UTF-16 BE") << QByteArray::fromHex("FEFF00414E2D") << QStringLiteral("A中");
    // One stray byte on one line leaves the other lines as they were.
    QTest::newRow("utf-8 with one stray byte")
        << QByteArray("[System]\r\nNote=\xA0\r\n") + text.toUtf8() + "\r\n"
        << QStringLiteral("[System]\r\nNote=\uFFFD") + QStringLiteral("\r\n") + text +
               QStringLiteral("\r\n");
    QTest::newRow("utf-8 and GBK lines mixed") << text.toUtf8() + "\r\n" + gbk(text) + "\r\n"
                                               << text + "\r\n" + text + "\r\n";
    // Not valid UTF-8 as a whole (cut inside a character), so the whole file is GB18030.
    QTest::newRow("utf-8 cut inside a character") << QByteArray("ok\xE5\xBC") << "ok\u5BEE";
    // An overlong UTF-8 form is not UTF-8; as GB18030 the two bytes are one character.
    QTest::newRow("overlong utf-8 is not utf-8") << QByteArray("\xC0\xAF") << "\u8721";
}

void TestTextFiles::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TextFiles::decode(bytes), text);
}

void TestTextFiles::gbkFileKeepsItsTextAndIsWrittenInTheSystemEncoding()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Cfg.ini");
    const QString text = QStringLiteral("[System]\r\nFilePath=D:\\数据\\命令.txt\r\n");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(gbk(text));
    }
    const QString read = TextFiles::decode(TextFiles::readAll(path));
    QCOMPARE(read, text);

    QVERIFY(TextFiles::writeAtomically(path, TextFiles::encode(read)));
    const QByteArray written = TextFiles::readAll(path);
    QCOMPARE(written, systemBytes(text));
#ifdef Q_OS_LINUX
    QCOMPARE(written, text.toUtf8()); // the system encoding here
#endif
    QCOMPARE(TextFiles::decode(written), text);
}

void TestTextFiles::linesEndInCrLf()
{
    QCOMPARE(TextFiles::encodeLines({"a", "", "中"}),
             systemBytes(QStringLiteral("a\r\n\r\n中\r\n")));
    QCOMPARE(TextFiles::encodeLines({}), QByteArray());
}

void TestTextFiles::replaceIsWholeAndReported()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Lang.txt");
    QVERIFY(TextFiles::writeAtomically(path, QByteArray(1000, 'x')));
    QVERIFY(TextFiles::writeAtomically(path, "new\r\n"));
    QCOMPARE(TextFiles::readAll(path), QByteArray("new\r\n"));
    // No temporary copy is left beside the file.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Lang.txt"});

    // A directory in the file's place, or a missing folder: reported, and what is there stays.
    QVERIFY(QDir(dir.path()).mkdir("322.ini"));
    QVERIFY(!TextFiles::writeAtomically(dir.filePath("322.ini"), "True\r\n"));
    QVERIFY(QFileInfo(dir.filePath("322.ini")).isDir());
    QVERIFY(!TextFiles::writeAtomically(dir.filePath("missing/123.ini"), "x\r\n"));
    QCOMPARE(TextFiles::readAll(dir.filePath("missing/123.ini")), QByteArray());
}

void TestTextFiles::ownerOnly()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Cfg.ini");
    QVERIFY(TextFiles::writeAtomically(path, "LoginPassword=x\r\n", true));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
    // Replaced again, the file stays owner-only.
    QVERIFY(TextFiles::writeAtomically(path, "LoginPassword=y\r\n", true));
    QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
}

void TestTextFiles::folderOverride()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("files");
    qputenv("X7_FILES_DIR", folder.toLocal8Bit());
    QCOMPARE(TextFiles::folder(), folder);
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(TextFiles::path("Cfg.ini"), QDir(folder).filePath("Cfg.ini"));
    qunsetenv("X7_FILES_DIR");
    QVERIFY(!TextFiles::folder().isEmpty());
    QVERIFY(QFileInfo(TextFiles::folder()).isDir());
}

void TestTextFiles::installedFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("installed");
    QTest::newRow("/usr/bin") << "/usr/bin" << true;
    QTest::newRow("/usr/local/bin/") << "/usr/local/bin/" << true;
    QTest::newRow("/bin") << "/bin" << true;
    QTest::newRow("a build tree") << "/home/tech/x7/build/dev/bin" << false;
    QTest::newRow("an unpacked copy") << "/opt-like/tools/Proj_Q" << false;
    QTest::newRow("a folder named usr elsewhere") << "/home/usr/bin" << false;
}

void TestTextFiles::installedFolders()
{
    QFETCH(QString, folder);
    QFETCH(bool, installed);
#ifndef Q_OS_UNIX
    QSKIP("system folders are Unix paths");
#endif
    QCOMPARE(TextFiles::isInstalledFolder(folder), installed);
}

void TestTextFiles::installedPrefixElsewhere()
{
    // An installation into any prefix is recognised by its desktop entries beside `bin`.
    QTemporaryDir prefix;
    QVERIFY(QDir(prefix.path()).mkpath("bin"));
    QVERIFY(!TextFiles::isInstalledFolder(prefix.filePath("bin")));
    QVERIFY(QDir(prefix.path()).mkpath("share/applications"));
    QVERIFY(TextFiles::writeAtomically(
        prefix.filePath("share/applications/org.x7tools.ProjQ.desktop"), "[Desktop Entry]\n"));
    QVERIFY(TextFiles::isInstalledFolder(prefix.filePath("bin")));
}

void TestTextFiles::lineDocumentKeepsUnchangedBytes_data()
{
    // Line `line` of `bytes` gets `text` (none when `line` is -1): the result is `expected`.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loneCr");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray mixed = "a=1\r\n" + gbk("注释") + "\r\nCaf\xE9\nstray \xA0\r\n\r\nlast";
    QTest::newRow("mixed, untouched") << mixed << false << -1 << QString() << mixed;
    QTest::newRow("mixed, first line changed")
        << mixed << false << 0 << "a=2" << QByteArray(mixed).replace("a=1", "a=2");
    QTest::newRow("same text keeps the GBK bytes") << mixed << false << 1 << "注释" << mixed;
    QTest::newRow("a changed last line gets its end")
        << QByteArray("x\r\ny") << false << 1 << "z" << QByteArray("x\r\nz\r\n");
    QTest::newRow("an LF line keeps its LF")
        << QByteArray("x\ny\n") << false << 0 << "w" << QByteArray("w\ny\n");
    QTest::newRow("lone CR ends a line")
        << QByteArray("a\rb\r") << true << 1 << "c" << QByteArray("a\rc\r");
    QTest::newRow("lone CR stays inside a line")
        << QByteArray("a\rb\r\n") << false << 0 << "c" << QByteArray("c\r\n");
    QTest::newRow("utf-8 BOM kept") << QByteArray("\xEF\xBB\xBF"
                                                  "a\r\nb\r\n")
                                    << false << 0 << "c"
                                    << QByteArray("\xEF\xBB\xBF"
                                                  "c\r\nb\r\n");
    QTest::newRow("utf-16 LE stays utf-16")
        << utf16(u"\uFEFFa\r\n说明\r\n"_qs, QStringEncoder::Utf16LE) << false << 0 << "数"
        << utf16(u"\uFEFF数\r\n说明\r\n"_qs, QStringEncoder::Utf16LE);
    QTest::newRow("utf-16 BE, line added")
        << utf16(u"\uFEFFa"_qs, QStringEncoder::Utf16BE) << false << 1 << "b"
        << utf16(u"\uFEFFa\r\nb\r\n"_qs, QStringEncoder::Utf16BE);
    QTest::newRow("utf-16, a second U+FEFF after the BOM is text")
        << utf16(u"\uFEFF\uFEFFa\r\nb"_qs, QStringEncoder::Utf16BE) << false << 1 << "c"
        << utf16(u"\uFEFF\uFEFFa\r\nc\r\n"_qs, QStringEncoder::Utf16BE);
}

void TestTextFiles::lineDocumentKeepsUnchangedBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loneCr);
    QFETCH(int, line);
    QFETCH(QString, text);
    LineDocument doc = LineDocument::fromBytes(bytes, loneCr ? LineDocument::LineEnds::AlsoLoneCr
                                                             : LineDocument::LineEnds::LfOrCrLf);
    if (line >= doc.size())
        doc.append(text);
    else if (line >= 0)
        doc.setText(line, text);
    QTEST(doc.toBytes(), "expected");
}

void TestTextFiles::readBounded()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.txt");
    using Status = TextFiles::BoundedRead::Status;
    QCOMPARE(TextFiles::readBounded(path, 4).status, Status::Absent);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("12345");
    file.close();
    QCOMPARE(TextFiles::readBounded(path, 4).status, Status::TooLarge);
    QCOMPARE(TextFiles::readBounded(path, 4).bytes, QByteArray());
    QCOMPARE(TextFiles::readBounded(path, 5).bytes, QByteArray("12345"));
    QVERIFY(QDir(dir.path()).mkdir("d"));
    QCOMPARE(TextFiles::readBounded(dir.filePath("d"), 4).status, Status::Unreadable);
}

QTEST_GUILESS_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
