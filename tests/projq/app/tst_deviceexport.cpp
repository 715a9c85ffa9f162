// The CSV export of the device list: exact header and rows, a readable file for spreadsheets.

#include "app/DeviceExport.h"

#include <QTest>

class TestDeviceExport : public QObject
{
    Q_OBJECT
private slots:
    void plainRowsAsWritten();
    void fieldsThatNeedQuoting_data();
    void fieldsThatNeedQuoting();
    void fileName();
};

void TestDeviceExport::plainRowsAsWritten()
{
    const QVector<DeviceEntry> rows = {
        {"192.168.0.7", "X7-Q2-1", "D8 B0 4C 00 10 01", "4017", KindQ2, 0},
        {"10.0.0.1", "", "D8 B0 4C 00 10 02", "2001", KindUnsupported, 1},
    };
    QCOMPARE(buildDeviceCsv(rows), QByteArray("IP,Name,MAC,Ver\r\n"
                                              "192.168.0.7,X7-Q2-1,D8 B0 4C 00 10 01,4017\r\n"
                                              "10.0.0.1,,D8 B0 4C 00 10 02,2001\r\n"));
    QCOMPARE(buildDeviceCsv({}), QByteArray("IP,Name,MAC,Ver\r\n"));
}

void TestDeviceExport::fieldsThatNeedQuoting_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("comma") << "Pump, north" << QByteArray("1.2.3.4,\"Pump, north\",M,1\r\n");
    QTest::newRow("quote") << "5\" pipe" << QByteArray("1.2.3.4,\"5\"\" pipe\",M,1\r\n");
    QTest::newRow("chinese") << QStringLiteral("泵站") << QByteArray("1.2.3.4,泵站,M,1\r\n");
    // Cells a spreadsheet would run as a formula are written as text.
    QTest::newRow("formula =") << "=HYPERLINK(\"x\")"
                               << QByteArray("1.2.3.4,\"'=HYPERLINK(\"\"x\"\")\",M,1\r\n");
    QTest::newRow("formula +") << "+1" << QByteArray("1.2.3.4,'+1,M,1\r\n");
    QTest::newRow("formula -") << "-2+3" << QByteArray("1.2.3.4,'-2+3,M,1\r\n");
    QTest::newRow("formula @") << "@SUM(A1)" << QByteArray("1.2.3.4,'@SUM(A1),M,1\r\n");
    QTest::newRow("inner = is plain") << "a=b" << QByteArray("1.2.3.4,a=b,M,1\r\n");
}

void TestDeviceExport::fieldsThatNeedQuoting()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, line);
    const QByteArray csv = buildDeviceCsv({{"1.2.3.4", name, "M", "1", KindQ2, 0}});
    QVERIFY2(csv.endsWith(line), csv.constData());
    // Non-ASCII text is marked as UTF-8 for spreadsheets; plain files carry no mark.
    QCOMPARE(csv.startsWith("\xEF\xBB\xBF"), name == QStringLiteral("泵站"));
}

void TestDeviceExport::fileName()
{
    const QDateTime when(QDate(2024, 3, 5), QTime(14, 7, 9));
    QCOMPARE(
        deviceExportFileName(QStringLiteral("/tmp/x"), QStringLiteral("Export Devices"), when, 3),
        QStringLiteral("/tmp/x/Export Devices 20240305 140709 - (3).csv"));
}

QTEST_GUILESS_MAIN(TestDeviceExport)
#include "tst_deviceexport.moc"
