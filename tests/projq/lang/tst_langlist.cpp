#include "common/TextCodec.h"
#include "textfiles/TextFiles.h"
#include "lang/BuiltInTexts.h"
#include "lang/LangFile.h"
#include "lang/LangList.h"
#include "lang/ProgramVersion.h"

#include <QBuffer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Serves `data` and then fails, like a file on a disk that breaks part way.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(const QByteArray &data, qint64 failAfter)
        : m_data(data)
        , m_failAfter(failAfter)
    {
    }

protected:
    qint64 readData(char *out, qint64 max) override
    {
        if (m_pos >= m_failAfter) {
            setErrorString(QStringLiteral("device broke"));
            return -1;
        }
        const qint64 n = qMin(max, qMin<qint64>(m_failAfter, m_data.size()) - m_pos);
        memcpy(out, m_data.constData() + m_pos, n);
        m_pos += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }
    bool isSequential() const override { return true; }

private:
    QByteArray m_data;
    qint64 m_failAfter;
    qint64 m_pos = 0;
};

LangList builtInTable()
{
    LangList list;
    list.addBuiltInTexts();
    return list;
}

// A built-in table with `fileText` read as its Lang.txt.
LangList tableWithFile(const QByteArray &fileBytes)
{
    LangList list = ::builtInTable();
    QBuffer buffer;
    buffer.setData(fileBytes);
    buffer.open(QIODevice::ReadOnly);
    list.readLangFile(buffer);
    return list;
}

QString text(const LangList &list, const QString &name, bool chinese)
{
    LangList copy = list;
    copy.setIsChinese(chinese);
    return copy.lookup(name);
}

} // namespace

class TestLangList : public QObject
{
    Q_OBJECT

private slots:
    void builtInTable();
    void builtInTexts_data();
    void builtInTexts();
    void lookupOrder_data();
    void lookupOrder();
    void parseLine_data();
    void parseLine();
    void defaultFile();
    void defaultFileReadsBackAsTheBuiltInTable();
    void gbkFile();
    void editedFileRelabelsAKey();
    void fileMissingKeysFallsBackToBuiltIn();
    void malformedFiles_data();
    void malformedFiles();
    void readErrorKeepsCompleteLines();
    void loadLangFileWritesDefaultOnlyWhenMissing();
    void unwritableFolderKeepsBuiltInTexts();
    void programTableFollowsFilesFolder();
    void versionText_data();
    void versionText();
};

void TestLangList::builtInTable()
{
    const auto texts = ::builtInTexts();
    QCOMPARE(texts.size(), size_t(279));
    QSet<QString> foldedKeys;
    for (const BuiltInText &t : texts) {
        const QString key = QString::fromUtf8(t.key);
        QVERIFY2(key.startsWith(QLatin1String("lang_")), t.key);
        foldedKeys.insert(key.toCaseFolded());
        QVERIFY2(!QString::fromUtf8(t.chinese).contains(QLatin1Char('|')), t.key);
        QVERIFY2(!QString::fromUtf8(t.english).contains(QLatin1Char('|')), t.key);
    }
    QCOMPARE(foldedKeys.size(), 279);
    QCOMPARE(QString::fromUtf8(texts[0].key), QStringLiteral("lang_Main_Title"));
    QCOMPARE(QString::fromUtf8(texts[186].key), QStringLiteral("lang_About_Title"));
    QCOMPARE(QString::fromUtf8(texts[278].key), QStringLiteral("lang_CommCode"));
    // The texts of the maker's name and addresses name no real company.
    for (int row : {16, 191, 193}) {
        const BuiltInText &t = texts[row - 1];
        QVERIFY(!QString::fromUtf8(t.chinese).isEmpty());
        QVERIFY(!QString::fromUtf8(t.english).isEmpty());
    }
    QVERIFY(QString::fromUtf8(texts[190].chinese).startsWith(QStringLiteral("说明：")));
    QVERIFY(QString::fromUtf8(texts[190].english).startsWith(QStringLiteral("Instruction:  ")));
}

void TestLangList::builtInTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");
    QTest::newRow("menu file") << "lang_Menu_File"
                               << "文件"
                               << "File";
    QTest::newRow("about name") << "lang_About_SoftName"
                                << "名称：X7"
                                << "Name:  X7";
    QTest::newRow("contact blank in English") << "lang_About_Contact"
                                              << "联系我们"
                                              << " ";
    QTest::newRow("ack keeps its leading space") << "lang_Hint_ACK"
                                                 << " 正确执行。"
                                                 << " ACK.";
    QTest::newRow("CR LF becomes a line break") << "lang_lbl_H_LocationURLPort"
                                                << " UPNP端口，一般用不着 "
                                                << " LocationURLPort \n In general ，it's useless ";
    QTest::newRow("/// becomes a line break")
        << "lang_Hint_ModuleIP"
        << "本模块IP地址可在指定网段内任意分配，但网内不允许重复。"
        << "Module IP can fill any ip in LAN, \njust remeber do not repeat.";
    QTest::newRow("case-insensitive key") << "lang_lbl_BaudRate"
                                          << "串口波特率"
                                          << "Baudrate";
    QTest::newRow("case-insensitive key 2") << "lang_lbl_PDS"
                                            << "校验/数据/停止"
                                            << "Parity/Data/Stop";
    QTest::newRow("shown English text") << "Search Device"
                                        << "搜索设备"
                                        << "Search Device";
    QTest::newRow("shown Chinese text") << "搜索设备"
                                        << "搜索设备"
                                        << "Search Device";
    QTest::newRow("English text ignoring case") << "search DEVICE"
                                                << "搜索设备"
                                                << "Search Device";
    QTest::newRow("unknown key") << "lang_NoSuchKey"
                                 << "lang_NoSuchKey"
                                 << "lang_NoSuchKey";
    QTest::newRow("spaces are not trimmed") << "lang_Menu_File "
                                            << "lang_Menu_File "
                                            << "lang_Menu_File ";
    QTest::newRow("last row") << "lang_CommCode"
                              << "请输入8位通讯密码！"
                              << "Please enter the 8-digit communication Code.";
}

void TestLangList::builtInTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, chinese);
    QFETCH(QString, english);
    const LangList plain = ::builtInTable();
    QCOMPARE(text(plain, name, true), chinese);
    QCOMPARE(text(plain, name, false), english);
    // The default Lang.txt answers the same.
    const LangList withFile = tableWithFile(plain.defaultLangFile());
    QCOMPARE(text(withFile, name, true), chinese);
    QCOMPARE(text(withFile, name, false), english);
}

void TestLangList::lookupOrder_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("english");

    QTest::newRow("file key before built-in key")
        << QByteArray("lang_Menu_File|文件夹|Folder\r\n") << "lang_Menu_File"
        << "Folder";
    QTest::newRow("file key ignoring case")
        << QByteArray("LANG_MENU_FILE|文件夹|Folder\r\n") << "lang_menu_file"
        << "Folder";
    QTest::newRow("file Chinese text before built-in key")
        << QByteArray("lang_Other|lang_Menu_File|Other\r\n") << "lang_Menu_File"
        << "Other";
    QTest::newRow("file English text before built-in key")
        << QByteArray("lang_Other|其他|LANG_menu_file\r\n") << "lang_Menu_File"
        << "LANG_menu_file";
    QTest::newRow("key before Chinese text in the same part")
        << QByteArray("a|Foo|by text\r\nfoo|x|by key\r\n") << "FOO"
        << "by key";
    QTest::newRow("Chinese text before English text")
        << QByteArray("a|x|Foo\r\nb|foo|by Chinese\r\n") << "foo"
        << "by Chinese";
    QTest::newRow("first of duplicate keys") << QByteArray("k|一|first\r\nK|二|second\r\n") << "k"
                                             << "first";
    QTest::newRow("non-ASCII letters ignore case") << QByteArray("ÄRGER|生气|anger\r\n") << "ärger"
                                                   << "anger";
    QTest::newRow("built-in key when the file lacks it")
        << QByteArray("k|一|one\r\n") << "lang_Menu_Quit"
        << "Quit";
    QTest::newRow("unknown everywhere") << QByteArray("k|一|one\r\n") << "nothing"
                                        << "nothing";
}

void TestLangList::lookupOrder()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QString, english);
    QCOMPARE(text(tableWithFile(file), name, false), english);
}

void TestLangList::parseLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("isEntry");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("chinese");
    QTest::addColumn<QString>("english");

    QTest::newRow("entry") << "k|中|en" << true << "k"
                           << "中"
                           << "en";
    QTest::newRow("empty line") << "" << false << ""
                                << ""
                                << "";
    QTest::newRow("comment") << ";note" << false << ""
                             << ""
                             << "";
    QTest::newRow("comment with bars") << ";k|中|en" << false << ""
                                       << ""
                                       << "";
    QTest::newRow("comma comment") << ",k|中|en" << false << ""
                                   << ""
                                   << "";
    QTest::newRow("single space") << " " << true << ""
                                  << ""
                                  << "";
    QTest::newRow("leading space is an entry") << " ;k|中|en" << true << " ;k"
                                               << "中"
                                               << "en";
    QTest::newRow("no bar") << "just words" << true << ""
                            << ""
                            << "";
    QTest::newRow("one bar") << "k|text" << true << "k"
                             << ""
                             << "text";
    QTest::newRow("three bars drop the middle") << "k|中|dropped|en" << true << "k"
                                                << "中"
                                                << "en";
    QTest::newRow("only bars") << "|||" << true << ""
                               << ""
                               << "";
    QTest::newRow("empty texts") << "k||" << true << "k"
                                 << ""
                                 << "";
    QTest::newRow("line breaks in texts") << "k|一///二|one///two" << true << "k"
                                          << "一\n二"
                                          << "one\ntwo";
    QTest::newRow("key keeps ///") << "a///b|一|one" << true << "a///b"
                                   << "一"
                                   << "one";
    QTest::newRow("spaces kept") << " k | 中 | en " << true << " k "
                                 << " 中 "
                                 << " en ";
    QTest::newRow("four slashes") << "k|x////y|x////y" << true << "k"
                                  << "x\n/y"
                                  << "x\n/y";
}

void TestLangList::parseLine()
{
    QFETCH(QString, line);
    QFETCH(bool, isEntry);
    const std::optional<LangEntry> entry = parseLangLine(line);
    QCOMPARE(entry.has_value(), isEntry);
    if (!isEntry)
        return;
    QTEST(entry->key, "key");
    QTEST(entry->chinese, "chinese");
    QTEST(entry->english, "english");
}

void TestLangList::defaultFile()
{
    const QByteArray bytes = ::builtInTable().defaultLangFile();
    QVERIFY(TextFiles::isValidUtf8(bytes));
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 3 + 279 + 1);
    QCOMPARE(lines[0], QStringLiteral(";语言文件格式为: 名称|中文|英文，竖线分割，逗号与分号为注"
                                      "释，///为换行，空行自动忽略"));
    QCOMPARE(lines[1], QStringLiteral(";Language file format: Name|Chinese|English，vertical is "
                                      "delimiter， comma or semicolon is Comments，///is "
                                      "newline，Empty lines automatically ignored"));
    QCOMPARE(lines[2], QStringLiteral(" "));
    QCOMPARE(lines[3], QStringLiteral("lang_Main_Title|X7|X7"));
    QCOMPARE(lines[5], QStringLiteral("lang_Menu_File|文件|File"));
    QCOMPARE(lines[3 + 142], QStringLiteral("lang_lbl_H_LocationURLPort| UPNP端口，一般用不着 "
                                            "| LocationURLPort /// In general ，it's useless "));
    QCOMPARE(lines[3 + 167],
             QStringLiteral("lang_Hint_ModuleWork|模块工作方式选择：///UDP server "
                            "是指不验证来源IP地址，收到UDP数据包后将目标IP改为数据"
                            "来源IP，类似TCP server的功能。|module work mode: ///UDP "
                            "server is like TCP server,when receive a UDP "
                            "packet,change target IP to sorce IP of the received "
                            "UDP packet,Does not verify the source IP."));
    QCOMPARE(lines[3 + 278], QStringLiteral("lang_CommCode|请输入8位通讯密码！|Please enter the "
                                            "8-digit communication Code."));
    QCOMPARE(lines.last(), QString());
}

void TestLangList::defaultFileReadsBackAsTheBuiltInTable()
{
    const LangList builtIn = ::builtInTable();
    const LangList withFile = tableWithFile(builtIn.defaultLangFile());
    QList<LangEntry> expected{LangEntry{}}; // the single-space line
    expected += builtIn.builtInEntries();
    QCOMPARE(withFile.fileEntries(), expected);
    QVERIFY(text(withFile, "lang_Hint_ModuleWork", true).contains(QStringLiteral("：\nUDP")));
}

void TestLangList::gbkFile()
{
    // 億 is 0x83 0x7C in GBK: its second byte is a bar, which must not split the line.
    const QByteArray bytes = gb18030Encode(QStringLiteral(";注释\r\n"
                                                          "lang_Menu_File|文件(億)|File\r\n"
                                                          "lang_Own|第一行///第二行|Own\r\n"));
    QVERIFY(!TextFiles::isValidUtf8(bytes));
    QVERIFY(bytes.contains("\x83\x7C"));
    const LangList list = tableWithFile(bytes);
    QCOMPARE(text(list, "lang_Menu_File", true), QStringLiteral("文件(億)"));
    QCOMPARE(text(list, "lang_Menu_File", false), QStringLiteral("File"));
    QCOMPARE(text(list, "lang_Own", true), QStringLiteral("第一行\n第二行"));
    QCOMPARE(text(list, "文件(億)", false), QStringLiteral("File"));
}

void TestLangList::editedFileRelabelsAKey()
{
    QByteArray bytes = ::builtInTable().defaultLangFile();
    bytes.replace("lang_Menu_File|文件|File\r\n", "lang_Menu_File|文件|Datei\r\n");
    const LangList list = tableWithFile(bytes);
    QCOMPARE(text(list, "lang_Menu_File", false), QStringLiteral("Datei"));
    QCOMPARE(text(list, "lang_Menu_File", true), QStringLiteral("文件"));
    QCOMPARE(text(list, "lang_Menu_Quit", false), QStringLiteral("Quit"));
}

void TestLangList::fileMissingKeysFallsBackToBuiltIn()
{
    // An older file that knows a few keys only.
    const LangList list = tableWithFile("lang_Main_Title|X7|X7\r\nlang_Menu_File|档案|Files\r\n");
    QCOMPARE(text(list, "lang_Menu_File", true), QStringLiteral("档案"));
    QCOMPARE(text(list, "lang_DataDebug_Title", true), QStringLiteral("网络数据调试"));
    QCOMPARE(text(list, "lang_DataDebug_Title", false), QStringLiteral("Network data debugging"));
}

void TestLangList::malformedFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no bars") << QByteArray("one\r\ntwo words\r\n\r\nthree");
    QTest::newRow("only bars") << QByteArray("|\r\n||\r\n|||||||||\r\n");
    QTest::newRow("very long line")
        << (QByteArray("lang_Long|") + QByteArray(2'000'000, 'x') + "|" + QByteArray(100, 'y'));
    QTest::newRow("invalid bytes") << QByteArray("\xFF\xFE\x80\x81|\xC0\xAF|\x81\x30\r\n\xFF");
    QTest::newRow("NUL bytes") << QByteArray("lang\0Menu|\0|\0\r\n", 16);
    QTest::newRow("lone CR line ends") << QByteArray("a|b|c\rd|e|f\r");
    QTest::newRow("truncated UTF-8") << QByteArray("k|\xE6\x96|\xE6");
    QTest::newRow("bigger than the reading limit") << QByteArray(kMaxLangFileBytes + 10, '|');
}

void TestLangList::malformedFiles()
{
    QFETCH(QByteArray, file);
    const LangList list = tableWithFile(file);
    // Whatever the file holds, the keys it does not name keep their built-in texts.
    QCOMPARE(text(list, "lang_Menu_Quit", true), QStringLiteral("退出"));
    QCOMPARE(text(list, "lang_Menu_Quit", false), QStringLiteral("Quit"));
    QCOMPARE(text(list, "lang_Unknown", false), QStringLiteral("lang_Unknown"));
}

void TestLangList::readErrorKeepsCompleteLines()
{
    const QByteArray bytes = "lang_Menu_File|文件夹|Folder\r\nlang_Menu_Quit|离开|Leave\r\n";
    const qint64 cut = bytes.indexOf("Leave") + 2; // in the middle of the second entry
    FailingDevice device(bytes, cut);
    device.open(QIODevice::ReadOnly);
    LangList list = ::builtInTable();
    list.readLangFile(device);
    QCOMPARE(list.fileEntries().size(), 1);
    QCOMPARE(text(list, "lang_Menu_File", false), QStringLiteral("Folder"));
    QCOMPARE(text(list, "lang_Menu_Quit", false), QStringLiteral("Quit"));
}

void TestLangList::loadLangFileWritesDefaultOnlyWhenMissing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Lang.txt"));

    LangList first = ::builtInTable();
    QVERIFY(first.loadLangFile(path));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), first.defaultLangFile());
    written.close();
    QCOMPARE(first.fileEntries().size(), 280);

    // The user's edit survives the next start and wins over the built-in text.
    const QByteArray editedBytes = gb18030Encode(QStringLiteral("lang_Menu_File|档案|Files\r\n"));
    QFile edit(path);
    QVERIFY(edit.open(QIODevice::WriteOnly));
    edit.write(editedBytes);
    edit.close();
    LangList second = ::builtInTable();
    QVERIFY(second.loadLangFile(path));
    second.setIsChinese(true);
    QCOMPARE(second.lookup(QStringLiteral("lang_Menu_File")), QStringLiteral("档案"));
    QCOMPARE(second.lookup(QStringLiteral("lang_Menu_Quit")), QStringLiteral("退出"));
    QVERIFY(edit.open(QIODevice::ReadOnly));
    QCOMPARE(edit.readAll(), editedBytes);
}

void TestLangList::unwritableFolderKeepsBuiltInTexts()
{
    // A path below a plain file can be neither created nor read, even by root.
    QTemporaryDir dir;
    const QString plainFile = dir.filePath(QStringLiteral("plain"));
    QFile file(plainFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    LangList list = ::builtInTable();
    QVERIFY(!list.loadLangFile(plainFile + QStringLiteral("/Lang.txt")));
    QVERIFY(list.fileEntries().isEmpty());
    list.setIsChinese(false);
    QCOMPARE(list.lookup(QStringLiteral("lang_Menu_File")), QStringLiteral("File"));
}

void TestLangList::programTableFollowsFilesFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("X7_FILES_DIR", dir.path().toLocal8Bit());
    QFile edited(dir.filePath(QStringLiteral("Lang.txt")));
    QVERIFY(edited.open(QIODevice::WriteOnly));
    edited.write("lang_Menu_Help|帮助!|Help!\r\n");
    edited.close();

    initLanguage();
    initLanguage(); // a second start-up reads the file once only
    QCOMPARE(langList().fileEntries().size(), 1);
    setIsChinese(false);
    QVERIFY(!isChinese());
    QCOMPARE(langText(QStringLiteral("lang_Menu_Help")), QStringLiteral("Help!"));
    QCOMPARE(langText(QStringLiteral("lang_Menu_File")), QStringLiteral("File"));
    setIsChinese(true);
    QCOMPARE(langText(QStringLiteral("lang_Menu_Help")), QStringLiteral("帮助!"));
    QCOMPARE(langText(QStringLiteral("Help!")), QStringLiteral("帮助!"));

    // Deleting the file makes the next start write it again.
    QVERIFY(QFile::remove(dir.filePath(QStringLiteral("Lang.txt"))));
    initLanguage();
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("Lang.txt"))));
    QCOMPARE(langText(QStringLiteral("lang_Menu_Help")), QStringLiteral("帮助"));
    qunsetenv("X7_FILES_DIR");
}

void TestLangList::versionText_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("text");
    QTest::newRow("four parts") << "2.2.6.1"
                                << "2.2.6.1";
    QTest::newRow("two parts") << "1.2"
                               << "1.2.0.0";
    QTest::newRow("none") << ""
                          << "";
}

void TestLangList::versionText()
{
    QFETCH(QString, version);
    QTEST(fourPartVersion(version), "text");
    const QStringList parts = programVersionText().split(QLatin1Char('.'));
    QCOMPARE(parts.size(), 4);
    for (const QString &part : parts) {
        bool ok = false;
        part.toUShort(&ok);
        QVERIFY(ok);
    }
}

QTEST_GUILESS_MAIN(TestLangList)
#include "tst_langlist.moc"
