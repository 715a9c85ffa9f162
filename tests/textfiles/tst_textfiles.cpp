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

} // namespace

class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void decoding_data();
    void decoding();
    void gbkFileKeepsItsTextAndIsWrittenInTheSystemEncoding();
    void linesEndInCrLf();
    void replaceIsWholeAndReported();
    void ownerOnly();
    void folderOverride();
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

QTEST_GUILESS_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
