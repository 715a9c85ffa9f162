// The bounded log: lines written in batches, limits by lines and by characters, hex lines cut
// to their first bytes with the whole length.

#include "app/LogView.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TestLogView : public QObject
{
    Q_OBJECT
private slots:
    void hexLineShowsTheFirstBytesAndTheLength_data();
    void hexLineShowsTheFirstBytesAndTheLength();
    void linesAreWrittenOncePerPass();
    void keepsTheNewestLinesWithinBothLimits_data();
    void keepsTheNewestLinesWithinBothLimits();
};

void TestLogView::hexLineShowsTheFirstBytesAndTheLength_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("tail");
    QTest::newRow("empty") << 0 << QString();
    QTest::newRow("search frame") << 4 << QStringLiteral("03 ");
    QTest::newRow("just fits") << kLoggedBytes << QStringLiteral("FF ");
    QTest::newRow("one byte over") << kLoggedBytes + 1 << QStringLiteral("FF … (257 bytes)");
    QTest::newRow("largest datagram") << 65507 << QStringLiteral("FF … (65 507 bytes)");
    QTest::newRow("millions") << 1234567 << QStringLiteral("FF … (1 234 567 bytes)");
}

void TestLogView::hexLineShowsTheFirstBytesAndTheLength()
{
    QFETCH(int, size);
    QFETCH(QString, tail);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i);
    const QString text = hexLogText(bytes);
    if (size > 0)
        QVERIFY(text.startsWith(QStringLiteral("00 01 02 03 ")));
    QVERIFY2(text.endsWith(tail), qPrintable(text.right(40)));
    const int shown = qMin(size, kLoggedBytes);
    QCOMPARE(text.size(), shown * 3 + (size > kLoggedBytes ? tail.size() - 3 : 0));
}

void TestLogView::linesAreWrittenOncePerPass()
{
    // A burst of lines costs one edit of the document per pass of the event loop, not one per
    // line while the burst is handled; whoever reads the log sees every line at once.
    LogView log;
    log.show();
    QSignalSpy edits(log.document(), &QTextDocument::contentsChanged);
    for (int i = 0; i < 3000; ++i)
        log.appendLine(QString::number(i), i % 2 ? LogColors::kReceived : QColor());
    QCOMPARE(edits.size(), 0);
    QCOMPARE(log.document()->characterCount(), 1);
    QTRY_COMPARE(log.document()->blockCount(), LogView::kLinesPerPass);
    QCOMPARE(edits.size(), 1);
    // A flood writes a bounded number of lines per pass; the rest follow in the next passes.
    QTRY_COMPARE(log.document()->blockCount(), 3000);
    QCOMPARE(edits.size(), 3);
    QCOMPARE(log.lineColor(1), LogColors::kReceived);

    log.appendLine(QStringLiteral("read at once"));
    QCOMPARE(log.lines().constLast(), QStringLiteral("read at once"));
    QCOMPARE(log.lines().size(), 3001);
    log.clearLog();
    log.appendLine(QStringLiteral("after clear"));
    QCOMPARE(log.lines(), QStringList{QStringLiteral("after clear")});
}

void TestLogView::keepsTheNewestLinesWithinBothLimits_data()
{
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<int>("maxChars");
    QTest::addColumn<int>("lineLength");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("kept");
    QTest::newRow("lines bind") << 100 << 100000 << 10 << 1000 << 100;
    QTest::newRow("characters bind") << 5000 << 10000 << 1000 << 300 << 10;
    QTest::newRow("characters bind over two passes") << 5000 << 10000 << 700 << 40 << 14;
    QTest::newRow("one line longer than the limit") << 5000 << 10000 << 200000 << 3 << 1;
}

void TestLogView::keepsTheNewestLinesWithinBothLimits()
{
    QFETCH(int, maxLines);
    QFETCH(int, maxChars);
    QFETCH(int, lineLength);
    QFETCH(int, written);
    QFETCH(int, kept);
    LogView log;
    log.setLimits(maxLines, maxChars);
    for (int i = 0; i < written; ++i) {
        log.appendLine(QString::number(i).leftJustified(lineLength, QLatin1Char('.')));
        if (i == written / 2)
            QCoreApplication::processEvents(); // part of them written in an earlier pass
    }
    const QStringList lines = log.lines();
    QCOMPARE(lines.size(), kept);
    QVERIFY(log.characterCount() <= maxChars);
    for (int i = 0; i < kept; ++i)
        QVERIFY2(lines.at(i).startsWith(QString::number(written - kept + i) + QLatin1Char('.')),
                 qPrintable(lines.at(i).left(20)));
    QCOMPARE(lines.constLast().size(), qMin(lineLength, maxChars));
}

QTEST_MAIN(TestLogView)
#include "tst_logview.moc"
