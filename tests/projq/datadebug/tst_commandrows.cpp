// Command rows without widgets: the file lines, the hex/text conversions and what a row sends.

#include "datadebug/CommandRows.h"

#include <QTest>

using namespace CommandRows;

Q_DECLARE_METATYPE(CommandRows::Row)

namespace {
const QString kName = QStringLiteral("Right custom name");

QString fileOfLines(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("true|row %1|cmd %1|false|%1\r\n").arg(i + 1);
    return text;
}
} // namespace

class TestCommandRows : public QObject
{
    Q_OBJECT
private slots:
    void lineRoundTrip_data();
    void lineRoundTrip();
    void unreadableLines_data();
    void unreadableLines();
    void fileFillsRowsInOrder_data();
    void fileFillsRowsInOrder();
    void freshAndBrokenLines();
    void hexAndText_data();
    void hexAndText();
    void payload_data();
    void payload();
    void delay_data();
    void delay();
    void shownText();
};

void TestCommandRows::lineRoundTrip_data()
{
    QTest::addColumn<Row>("row");
    QTest::addColumn<QString>("line");
    QTest::newRow("fresh") << clearedRow(kName) << "false|Right custom name||false|";
    QTest::newRow("blanks kept") << Row{true, "my cmd", " AT+VER ", false, "100"}
                                 << "true|my cmd| AT+VER |false|100";
    QTest::newRow("hex row") << Row{false, "Read", "01 03 00 00", true, ""}
                             << "false|Read|01 03 00 00|true|";
    // The older program writes quotes as they are; reading them as quoting would lose them.
    QTest::newRow("quotes literal")
        << Row{false, "\"q\"", "say \"hi\"", false, "5"} << "false|\"q\"|say \"hi\"|false|5";
    QTest::newRow("chinese") << Row{true, "读取", "温度", false, ""} << "true|读取|温度|false|";
}

void TestCommandRows::lineRoundTrip()
{
    QFETCH(Row, row);
    QFETCH(QString, line);
    QCOMPARE(rowToLine(row), line);
    QCOMPARE(rowFromLine(line), std::optional<Row>(row));
}

void TestCommandRows::unreadableLines_data()
{
    QTest::addColumn<QString>("line");
    // What the older program wrote for a command with "|": six fields.
    QTest::newRow("bar in command") << "true|n|a|b|false|";
    QTest::newRow("four fields") << "true|n|a|false";
    QTest::newRow("empty") << "";
}

void TestCommandRows::unreadableLines()
{
    QFETCH(QString, line);
    QVERIFY(!rowFromLine(line));
}

void TestCommandRows::fileFillsRowsInOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("filled");
    QTest::newRow("60 lines") << fileOfLines(60) << 50;
    QTest::newRow("3 lines") << fileOfLines(3) << 3;
    QTest::newRow("3 lines, LF only") << fileOfLines(3).replace("\r\n", "\n") << 3;
    QTest::newRow("3 lines, no final line end") << fileOfLines(3).chopped(2) << 3;
    QTest::newRow("empty") << QString() << 0;
}

void TestCommandRows::fileFillsRowsInOrder()
{
    QFETCH(QString, text);
    QFETCH(int, filled);
    const QList<Row> rows = rowsFromFileText(text, kName);
    QCOMPARE(rows.size(), kRowCount);
    for (int i = 0; i < kRowCount; ++i) {
        if (i < filled) {
            const Row expected{true, QStringLiteral("row %1").arg(i + 1),
                               QStringLiteral("cmd %1").arg(i + 1), false, QString::number(i + 1)};
            QCOMPARE(rows.at(i), expected);
        } else {
            QCOMPARE(rows.at(i), clearedRow(kName));
        }
    }
}

void TestCommandRows::freshAndBrokenLines()
{
    // A broken line in the middle clears only its own row.
    const QList<Row> rows =
        rowsFromFileText(QStringLiteral("true|a|1|false|\r\nbroken\r\ntrue|c|3|false|\r\n"), kName);
    QCOMPARE(rows.at(1), clearedRow(kName));
    QCOMPARE(rows.at(2).name, QStringLiteral("c"));
    const QStringList lines = fileLines(QList<Row>(kRowCount, clearedRow(kName)));
    QCOMPARE(lines, QStringList(kRowCount, QStringLiteral("false|Right custom name||false|")));
}

void TestCommandRows::hexAndText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("backToText"); // unticking gives `text` again
    QTest::newRow("AB") << "AB"
                        << "4142" << true;
    QTest::newRow("GB18030 two bytes a character") << "温度"
                                                   << "CEC2B6C8" << true;
    QTest::newRow("blanks") << "a b"
                            << "612062" << true;
    QTest::newRow("empty") << ""
                           << "" << true;
}

void TestCommandRows::hexAndText()
{
    QFETCH(QString, text);
    QFETCH(QString, hex);
    QFETCH(bool, backToText);
    QCOMPARE(textToHexCommand(text), hex);
    QCOMPARE(hexCommandToText(hex).has_value(), backToText);
    if (backToText)
        QCOMPARE(*hexCommandToText(hex), text);

    // Digits a text row cannot hold stay hex: not hex at all, a "|", a control character, a
    // byte GB18030 does not give back unchanged.
    for (const char *kept : {"4G", "417C42", "410D0A", "FF", "41 4"})
        QVERIFY2(!hexCommandToText(QString::fromLatin1(kept)), kept);
    QCOMPARE(hexCommandToText(QStringLiteral("41 42")), std::optional<QString>("AB"));
}

void TestCommandRows::payload_data()
{
    QTest::addColumn<Row>("row");
    QTest::addColumn<bool>("sendable");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text as GB18030")
        << Row{false, "", "温度 1", false, ""} << true << QByteArray("\xCE\xC2\xB6\xC8 1");
    QTest::newRow("hex with blanks")
        << Row{false, "", "01 03 0a", true, ""} << true << QByteArray("\x01\x03\x0A", 3);
    QTest::newRow("hex lone final digit")
        << Row{false, "", "3132 3", true, ""} << true << QByteArray("12\x03");
    QTest::newRow("hex NUL bytes kept")
        << Row{false, "", "0000", true, ""} << true << QByteArray(2, '\0');
    // Not hex: refused instead of sending an empty or a shortened payload.
    QTest::newRow("bad first pair") << Row{false, "", "ZZ31", true, ""} << false << QByteArray();
    QTest::newRow("bad later pair") << Row{false, "", "31ZZ32", true, ""} << false << QByteArray();
    QTest::newRow("text in hex row") << Row{false, "", "hello", true, ""} << false << QByteArray();
}

void TestCommandRows::payload()
{
    QFETCH(Row, row);
    QFETCH(bool, sendable);
    QFETCH(QByteArray, bytes);
    const std::optional<QByteArray> payload = rowPayload(row);
    QCOMPARE(payload.has_value(), sendable);
    if (sendable)
        QCOMPARE(*payload, bytes);
}

void TestCommandRows::delay_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("ms"); // -1: not a delay, the field is emptied
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("100") << "100" << 100;
    QTest::newRow("65535") << "65535" << 65535;
    QTest::newRow("65536") << "65536" << -1;
    QTest::newRow("70000") << "70000" << -1;
    QTest::newRow("letters") << "1x" << -1;
}

void TestCommandRows::delay()
{
    QFETCH(QString, text);
    QFETCH(int, ms);
    QCOMPARE(delayMs(text).value_or(-1), ms);
}

void TestCommandRows::shownText()
{
    QCOMPARE(bytesToShownText(QByteArray("\xCE\xC2\xB6\xC8\r\n", 6)), QStringLiteral("温度.."));
    QCOMPARE(bytesToHex(QByteArray("\x01\xAB", 2), QStringLiteral(" ")), QStringLiteral("01 AB"));
}

QTEST_GUILESS_MAIN(TestCommandRows)
#include "tst_commandrows.moc"
