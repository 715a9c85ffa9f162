// Cfg.ini through the real main window: what a start reads, what a close and a language switch
// write, and what the window says when the file is too large or cannot be written. The files
// live in a temporary folder; every check compares the bytes on disk.

#include "app/LogView.h"
#include "app/MainWindow.h"
#include "appcore/Settings.h"
#include "common/ValueHelpers.h"
#include "lang/LangList.h"

#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QStringList kOwnedKeys = {"Language",        "RealTimeHelp", "LocalCom",  "QNum",
                                "UserName",        "Password",     "UpgradeIP", "UpgradeMAC",
                                "UpgradeFileName", "FilePath"};

QByteArray gbk(const QString &text)
{
    return QStringEncoder("GB18030").encode(text);
}

QByteArray latin1(const QString &text)
{
    return text.toLatin1();
}

// A Cfg.ini as users have them: written by the Windows program (GBK), edited in a UTF-8
// editor, with another program's Latin-1 section, a stray byte, comments and keys we do not know.
QByteArray mixedCfgIni()
{
    return QByteArray("; \xE9\x85\x8D\xE7\xBD\xAE UTF-8 comment\r\n") + // "配置"
           "[Other]\r\n" + gbk("说明=中文的旧程序") + "\r\n" +
           "Stray=a\xA0z\r\n"
           "\r\n"
           "[System]\r\n"
           "Language=0\r\n"
           "RealTimeHelp = 0\r\n"
           "Theme=dark\n" // a key of some later version, LF only
           "; " +
           gbk("注释") + "\r\n" + "FilePath=" + QStringLiteral("D:\\数据\\命令.txt").toUtf8() +
           "\r\n" +
           "UpgradeIP=10.0.0.9\r\n"
           "\r\n"
           "[" +
           latin1("Café") + "]\r\n" + latin1("Crème=brûlée") + "\r\n" +
           "; last line without an end";
}

// The lines of `bytes` (each with its own end) that are not keys of ours in [System].
QList<QByteArray> linesNotOwned(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    bool inSystem = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArray line = bytes.mid(start, end - start);
        start = end;
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            inSystem = trimmed == "[System]";
        const QString key = QString::fromLatin1(line.left(line.indexOf('='))).trimmed();
        if (inSystem && line.contains('=') && kOwnedKeys.contains(key))
            continue;
        lines.append(line);
    }
    return lines;
}

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void foreignLinesKeepTheirBytesThroughStartAndClose();
    void utf16FileIsReadAndStaysUtf16();
    void overLimitFileIsLeftAloneAndSaid();
    void unwritableFileIsSaidOncePerFailure();
    void staleSaveTemporariesAreRemovedAtStart();

private:
    QString cfgPath() const { return QDir(m_files->path()).filePath("Cfg.ini"); }
    void start();
    QStringList logLines() const;
    // Chooses the language that is not chosen: a switch, which writes "Language" at once.
    void switchLanguage();

    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<MainWindow> m_window;
    QStringList m_messages;
};

void TestSettingsFile::initTestCase()
{
    MainWindow::setMessageSink([this](QWidget *, const QString &text) { m_messages << text; });
}

void TestSettingsFile::init()
{
    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    m_files = std::make_unique<QTemporaryDir>();
    qputenv("X7_FILES_DIR", m_files->path().toLocal8Bit());
    m_messages.clear();
}

void TestSettingsFile::cleanup()
{
    m_window.reset();
    setIsChinese(true);
}

void TestSettingsFile::start()
{
    m_window = std::make_unique<MainWindow>();
    m_window->show();
}

void TestSettingsFile::switchLanguage()
{
    auto *cn = m_window->findChild<QAction *>(QStringLiteral("mni_Cn"));
    auto *en = m_window->findChild<QAction *>(QStringLiteral("mni_En"));
    (cn->isChecked() ? en : cn)->trigger();
}

QStringList TestSettingsFile::logLines() const
{
    return m_window->findChild<LogView *>(QStringLiteral("redt_Log"))->lines();
}

void TestSettingsFile::foreignLinesKeepTheirBytesThroughStartAndClose()
{
    const QByteArray fixture = mixedCfgIni();
    writeFile(cfgPath(), fixture);
    start();
    QVERIFY(!isChinese()); // Language=0 arrived
    QVERIFY(!m_window->findChild<QAction *>(QStringLiteral("mni_Hint"))->isChecked());
    QVERIFY(m_window->close());

    const QByteArray written = readFile(cfgPath());
    if (linesNotOwned(written) != linesNotOwned(fixture))
        qWarning() << written;
    QCOMPARE(linesNotOwned(written), linesNotOwned(fixture));
    // Owned keys whose values did not change keep their lines too; the rest are in [System].
    QVERIFY(written.contains("\r\nLanguage=0\r\n"));
    QVERIFY(written.contains("\r\nRealTimeHelp = 0\r\n"));
    QVERIFY(written.contains("FilePath=" + QStringLiteral("D:\\数据\\命令.txt").toUtf8() + "\r\n"));
    const AppSettings read = loadSettings(AppSettings());
    QCOMPARE(read.filePath, QStringLiteral("D:\\数据\\命令.txt"));
    QCOMPARE(read.upgradeIP, QStringLiteral("10.0.0.9"));
    QVERIFY(written.indexOf("UpgradeFileName=") < written.indexOf("[Caf"));

    // A language switch rewrites one key; everything else stays.
    start();
    switchLanguage(); // to Chinese
    const QByteArray switched = readFile(cfgPath());
    QCOMPARE(switched, QByteArray(written).replace("\r\nLanguage=0\r\n", "\r\nLanguage=1\r\n"));
    QVERIFY(m_messages.isEmpty());
}

void TestSettingsFile::utf16FileIsReadAndStaysUtf16()
{
    // Notepad's "Unicode": UTF-16 LE with its BOM.
    const QString text = QStringLiteral("\uFEFF[System]\r\nLanguage=0\r\nUpgradeIP=10.1.2.3\r\n"
                                        "FilePath=C:\\数据\\a.txt\r\n[Notes]\r\n说明=保留\r\n");
    const QByteArray fixture = QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    writeFile(cfgPath(), fixture);
    start();
    QVERIFY(!isChinese());
    QVERIFY(m_window->close());

    // Still UTF-16 with its BOM; the foreign section keeps its bytes.
    const auto utf16 = [](const QString &t) {
        return QByteArray(QStringEncoder(QStringEncoder::Utf16LE).encode(t));
    };
    const QByteArray written = readFile(cfgPath());
    QVERIFY(written.startsWith(utf16(QStringLiteral("\uFEFF[System]\r\nLanguage=0\r\n"))));
    QVERIFY(written.endsWith(utf16(QStringLiteral("\r\n[Notes]\r\n说明=保留\r\n"))));
    const AppSettings read = loadSettings(AppSettings());
    QCOMPARE(read.language, false);
    QCOMPARE(read.upgradeIP, QStringLiteral("10.1.2.3"));
    QCOMPARE(read.filePath, QStringLiteral("C:\\数据\\a.txt"));
}

void TestSettingsFile::overLimitFileIsLeftAloneAndSaid()
{
    const QByteArray fixture =
        "[System]\r\nRealTimeHelp=0\r\n[Big]\r\n" + QByteArray(kMaxSettingsFileBytes, 'x') + "\r\n";
    writeFile(cfgPath(), fixture);
    start();
    // Not read: the defaults.
    QVERIFY(m_window->findChild<QAction *>(QStringLiteral("mni_Hint"))->isChecked());
    const QString said = logLines().join('\n');
    QVERIFY2(said.contains(QDir::toNativeSeparators(cfgPath())) && said.contains("1"),
             qPrintable(said));
    switchLanguage();
    QCOMPARE(readFile(cfgPath()), fixture);
    QVERIFY(m_window->close());
    QCOMPARE(readFile(cfgPath()), fixture);
    QVERIFY(m_messages.isEmpty()); // said once, in the log
}

void TestSettingsFile::unwritableFileIsSaidOncePerFailure()
{
    // A folder where the file should be: nothing can replace it.
    QVERIFY(QDir(m_files->path()).mkdir("Cfg.ini"));
    start();
    switchLanguage();
    QCOMPARE(m_messages.size(), 1);
    const QString text = m_messages.first();
    QVERIFY2(text.contains(QDir::toNativeSeparators(cfgPath())), qPrintable(text));
    const QString why = text.mid(text.indexOf(QStringLiteral("Cfg.ini")) + 7);
    QVERIFY2(why.size() > 2, qPrintable(text)); // the system's reason follows the name
    QCOMPARE(logLines().last(), text);
    switchLanguage();
    switchLanguage();
    QCOMPARE(m_messages.size(), 1); // the same failure, not said again
    QVERIFY(m_window->close());     // ... nor at the close

    // A close is the first failure of a run: said, and the window stays so it can be read;
    // closing again closes.
    m_messages.clear();
    start();
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(m_window->close());
    QCOMPARE(m_messages.size(), 1);

    // A save that works ends the failure: the next one is said again.
    m_messages.clear();
    start();
    QVERIFY(QDir(m_files->path()).rmdir("Cfg.ini"));
    switchLanguage();
    QVERIFY(m_messages.isEmpty());
    QVERIFY(QFile::remove(cfgPath()));
    QVERIFY(QDir(m_files->path()).mkdir("Cfg.ini"));
    switchLanguage();
    QCOMPARE(m_messages.size(), 1);
}

void TestSettingsFile::staleSaveTemporariesAreRemovedAtStart()
{
    const QDir dir(m_files->path());
    const QStringList stale = {"Cfg.ini.xQmTbA", "Lang.txt.AbCdEf", "DataSelf.txt.QwErTy"};
    const QStringList kept = {"Cfg.ini",        "Cfg.ini.backup", "Cfg.ini.xQmTb",
                              "CfgXini.xQmTbA", "321.ini.xQmTbA", "notes.txt"};
    for (const QString &name : stale + kept)
        writeFile(dir.filePath(name), "Password=secret\r\n");
    start();
    for (const QString &name : stale)
        QVERIFY2(!dir.exists(name), qPrintable(name));
    for (const QString &name : kept)
        QVERIFY2(dir.exists(name), qPrintable(name));
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
