#include "appcore/IniText.h"
#include "appcore/Settings.h"
#include "common/TextCodec.h"
#include "textfiles/TextFiles.h"

#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

AppSettings sampleSettings()
{
    AppSettings s;
    s.language = false;
    s.realTimeHelp = false;
    s.localCom = QStringLiteral("/dev/ttyUSB0");
    s.qNum = 3;
    s.filePath = QStringLiteral("/home/me/命令.txt");
    s.userName = QStringLiteral("admin");
    s.password = QStringLiteral("secre");
    s.upgradeIP = QStringLiteral("192.168.1.7");
    s.upgradeMAC = QStringLiteral("00 11 22 33 44 55");
    s.upgradeFileName = QStringLiteral("/tmp/fw 2.bin");
    return s;
}

QStringList systemKeysInOrder(const QString &iniText)
{
    QStringList keys;
    for (const QString &line : iniText.split(QStringLiteral("\r\n"))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0)
            keys << line.left(eq);
    }
    return keys;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void iniValues_data();
    void iniValues();
    void iniSetValueKeepsOtherLines();
    void storedValues_data();
    void storedValues();
    void unreadableFilesGiveDefaults_data();
    void unreadableFilesGiveDefaults();
    void roundTripAndKeyOrder();
    void credentialsAreWrittenButNotReadBack();
    void languageIsWrittenAtOnce();
    void fileIsReadableByItsOwnerOnly();
    void qNumSelectsAModel_data();
    void qNumSelectsAModel();
    void filesFolderIsTheProgramFolderWhenWritable();

private:
    QTemporaryDir *m_dir = nullptr;
};

void TestSettings::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    qputenv("X7_FILES_DIR", m_dir->path().toLocal8Bit());
}

void TestSettings::cleanup()
{
    qunsetenv("X7_FILES_DIR");
    delete m_dir;
    m_dir = nullptr;
}

void TestSettings::iniValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");

    QTest::newRow("plain") << "[System]\r\nLocalCom=COM3\r\n"
                           << "System"
                           << "LocalCom" << true << "COM3";
    QTest::newRow("LF only") << "[System]\nLocalCom=COM3\n"
                             << "System"
                             << "LocalCom" << true << "COM3";
    QTest::newRow("names ignore case") << "[SYSTEM]\r\nlocalcom=COM3\r\n"
                                       << "System"
                                       << "LocalCom" << true << "COM3";
    QTest::newRow("blanks around") << "  [ System ]  \r\n  LocalCom  =  COM 3  \r\n"
                                   << "System"
                                   << "LocalCom" << true << "COM 3";
    QTest::newRow("quotes dropped") << "[System]\r\nLocalCom=\"COM3\"\r\n"
                                    << "System"
                                    << "LocalCom" << true << "COM3";
    QTest::newRow("empty value") << "[System]\r\nLocalCom=\r\n"
                                 << "System"
                                 << "LocalCom" << true << "";
    QTest::newRow("value holds =") << "[System]\r\nFilePath=a=b\r\n"
                                   << "System"
                                   << "FilePath" << true << "a=b";
    QTest::newRow("other section") << "[Other]\r\nLocalCom=COM3\r\n"
                                   << "System"
                                   << "LocalCom" << false << "";
    QTest::newRow("key after the section") << "[System]\r\nQNum=2\r\n[Other]\r\nLocalCom=COM3\r\n"
                                           << "System"
                                           << "LocalCom" << false << "";
    QTest::newRow("commented out") << "[System]\r\n;LocalCom=COM3\r\n"
                                   << "System"
                                   << "LocalCom" << false << "";
    QTest::newRow("first of duplicates") << "[System]\r\nLocalCom=COM3\r\nLocalCom=COM4\r\n"
                                         << "System"
                                         << "LocalCom" << true << "COM3";
    QTest::newRow("key before any section") << "LocalCom=COM3\r\n"
                                            << "System"
                                            << "LocalCom" << false << "";
    QTest::newRow("no bracket close") << "[System\r\nLocalCom=COM3\r\n"
                                      << "System"
                                      << "LocalCom" << false << "";
}

void TestSettings::iniValues()
{
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(bool, found);
    const auto value = IniText(text).value(section, key);
    QCOMPARE(value.has_value(), found);
    if (found)
        QTEST(*value, "value");
}

void TestSettings::iniSetValueKeepsOtherLines()
{
    IniText ini(QStringLiteral("; kept comment\n[Other]\nx=1\n\n[system]\nLocalCom=COM3\n"
                               "Mine=5\n\n[Tail]\ny=2\n"));
    ini.setValue(QStringLiteral("System"), QStringLiteral("LocalCom"), QStringLiteral("COM9"));
    ini.setValue(QStringLiteral("System"), QStringLiteral("QNum"), QStringLiteral("2"));
    ini.setValue(QStringLiteral("New"), QStringLiteral("Key"), QStringLiteral("a\r\nb"));
    QCOMPARE(ini.toString(), QStringLiteral("; kept comment\r\n[Other]\r\nx=1\r\n\r\n[system]\r\n"
                                            "LocalCom=COM9\r\nMine=5\r\nQNum=2\r\n\r\n[Tail]\r\n"
                                            "y=2\r\n[New]\r\nKey=a  b\r\n"));
    // A value cannot smuggle a line into the file.
    QCOMPARE(IniText(ini.toString()).value(QStringLiteral("New"), QStringLiteral("Key")),
             QStringLiteral("a  b"));
}

void TestSettings::storedValues_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("language");
    QTest::addColumn<bool>("realTimeHelp");
    QTest::addColumn<int>("qNum");

    // Defaults in this test: language true, real-time help true, QNum 1.
    QTest::newRow("zero is false") << "Language=0\r\nRealTimeHelp=0" << false << false << 1;
    QTest::newRow("one is true") << "Language=1\r\nRealTimeHelp=1" << true << true << 1;
    QTest::newRow("other numbers are true") << "Language=-1\r\nRealTimeHelp=7" << true << true << 1;
    QTest::newRow("words are true") << "Language=no\r\nRealTimeHelp=false" << true << true << 1;
    QTest::newRow("zero with blanks") << "Language= 0 \r\nRealTimeHelp=00" << false << false << 1;
    QTest::newRow("empty keeps default") << "Language=\r\nRealTimeHelp=" << true << true << 1;
    QTest::newRow("QNum read as stored") << "QNum=3" << true << true << 3;
    QTest::newRow("QNum out of range read as stored") << "QNum=9" << true << true << 9;
    QTest::newRow("QNum not a number") << "QNum=two" << true << true << 1;
    QTest::newRow("QNum too big") << "QNum=99999999999999" << true << true << 1;
}

void TestSettings::storedValues()
{
    QFETCH(QString, line);
    AppSettings defaults;
    defaults.language = true;
    const AppSettings s = settingsFromIni(QStringLiteral("[System]\r\n") + line + "\r\n", defaults);
    QTEST(s.language, "language");
    QTEST(s.realTimeHelp, "realTimeHelp");
    QTEST(s.qNum, "qNum");
}

void TestSettings::unreadableFilesGiveDefaults_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no section") << QByteArray("Language=0\r\nQNum=3\r\n");
    QTest::newRow("only brackets") << QByteArray("[[[]]]\r\n[\r\n]\r\n=\r\n==\r\n");
    QTest::newRow("invalid bytes") << QByteArray("\xFF\xFE[\x80System]\r\n\x81=\x82\r\n");
    QTest::newRow("NUL bytes") << QByteArray("[System]\0Language=0\0", 21);
    QTest::newRow("very long line")
        << (QByteArray("[System]\r\nWhatever=") + QByteArray(900'000, 'x') + "\r\n");
}

void TestSettings::unreadableFilesGiveDefaults()
{
    QFETCH(QByteArray, bytes);
    const QString path = settingsFilePath();
    AppSettings defaults;
    defaults.filePath = QStringLiteral("current data file");
    QCOMPARE(loadSettings(defaults), defaults); // missing
    writeFile(path, bytes);
    QCOMPARE(loadSettings(defaults), defaults);
    // Saving over such a file gives a file that reads back.
    QVERIFY(saveSettings(sampleSettings()));
    AppSettings expected = sampleSettings();
    expected.userName.clear();
    expected.password.clear();
    QCOMPARE(loadSettings(AppSettings()), expected);
}

void TestSettings::roundTripAndKeyOrder()
{
    const AppSettings saved = sampleSettings();
    QVERIFY(saveSettings(saved));
    const QByteArray bytes = readFile(settingsFilePath());
    QVERIFY(TextFiles::isValidUtf8(bytes));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(QString::fromUtf8(bytes),
             QStringLiteral("[System]\r\nLanguage=0\r\nRealTimeHelp=0\r\nLocalCom=/dev/ttyUSB0\r\n"
                            "QNum=3\r\nUserName=admin\r\nPassword=secre\r\n"
                            "UpgradeIP=192.168.1.7\r\nUpgradeMAC=00 11 22 33 44 55\r\n"
                            "UpgradeFileName=/tmp/fw 2.bin\r\nFilePath=/home/me/命令.txt\r\n"));

    AppSettings expected = saved;
    expected.userName.clear();
    expected.password.clear();
    QCOMPARE(loadSettings(AppSettings()), expected);

    // Unchanged settings still write all ten keys; keys a user moved keep their place.
    writeFile(settingsFilePath(), "[System]\r\nFilePath=x\r\nLanguage=1\r\n[Mine]\r\nk=v\r\n");
    QVERIFY(saveSettings(AppSettings()));
    const QString text = QString::fromUtf8(readFile(settingsFilePath()));
    QCOMPARE(systemKeysInOrder(text),
             QStringList({"FilePath", "Language", "RealTimeHelp", "LocalCom", "QNum", "UserName",
                          "Password", "UpgradeIP", "UpgradeMAC", "UpgradeFileName", "k"}));
    QVERIFY(text.endsWith(QStringLiteral("[Mine]\r\nk=v\r\n")));
}

void TestSettings::credentialsAreWrittenButNotReadBack()
{
    writeFile(settingsFilePath(), "[System]\r\nUserName=other\r\nPassword=wrong\r\n");
    AppSettings defaults;
    defaults.userName = QStringLiteral("qpwzk");
    defaults.password = QStringLiteral("qpwzk");
    const AppSettings loaded = loadSettings(defaults);
    QCOMPARE(loaded.userName, QStringLiteral("qpwzk"));
    QCOMPARE(loaded.password, QStringLiteral("qpwzk"));
}

void TestSettings::languageIsWrittenAtOnce()
{
    QVERIFY(saveLanguageSetting(false)); // no file yet
    QCOMPARE(readFile(settingsFilePath()), QByteArray("[System]\r\nLanguage=0\r\n"));
    QVERIFY(saveSettings(sampleSettings()));
    QVERIFY(saveLanguageSetting(true));
    AppSettings expected = sampleSettings();
    expected.language = true;
    expected.userName.clear();
    expected.password.clear();
    QCOMPARE(loadSettings(AppSettings()), expected);
    QCOMPARE(systemKeysInOrder(QString::fromUtf8(readFile(settingsFilePath()))).size(), 10);
}

void TestSettings::fileIsReadableByItsOwnerOnly()
{
    const QString path = settingsFilePath();
    writeFile(path, "[System]\r\n");
    QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOther |
                                            QFileDevice::ReadGroup));
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    QVERIFY(saveSettings(sampleSettings()));
    QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
    QVERIFY(QFile::permissions(path) & QFileDevice::ReadOwner);
    QVERIFY(saveLanguageSetting(true));
    QCOMPARE(QFile::permissions(path) & others, QFileDevice::Permissions());
}

void TestSettings::qNumSelectsAModel_data()
{
    QTest::addColumn<int>("qNum");
    QTest::addColumn<int>("model");
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("2") << 2 << 2;
    QTest::newRow("3") << 3 << 3;
    QTest::newRow("0") << 0 << 1;
    QTest::newRow("4") << 4 << 1;
    QTest::newRow("negative") << -2 << 1;
}

void TestSettings::qNumSelectsAModel()
{
    QFETCH(int, qNum);
    QTEST(modelFromQNum(qNum), "model");
}

void TestSettings::filesFolderIsTheProgramFolderWhenWritable()
{
    qunsetenv("X7_FILES_DIR");
    QCOMPARE(TextFiles::folder(), QCoreApplication::applicationDirPath());
    QCOMPARE(settingsFilePath(), QCoreApplication::applicationDirPath() + "/Cfg.ini");
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
