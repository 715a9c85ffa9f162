#include "link/DeviceIp.h"

#include <QTest>

class TestDeviceIp : public QObject
{
    Q_OBJECT

private slots:
    void setDeviceIpFromNumber_data();
    void setDeviceIpFromNumber();
};

void TestDeviceIp::setDeviceIpFromNumber_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("last octet replaced") << "192.168.1.20" << 7 << "192.168.1.7";
    QTest::newRow("padding dropped") << "192.168.001.020" << 7 << "192.168.1.7";
    QTest::newRow("two parts") << "192.168" << 7 << "192.168.0.7";
    QTest::newRow("one part") << "10" << 255 << "10.0.0.255";
    QTest::newRow("empty") << "" << 7 << "0.0.0.7";
    QTest::newRow("device 0") << "192.168.1.20" << 0 << "192.168.1.0";
    QTest::newRow("five parts unchanged") << "1.2.3.4.5" << 7 << "1.2.3.4.5";
    QTest::newRow("part above 255 unchanged") << "192.168.256.1" << 7 << "192.168.256.1";
    QTest::newRow("letters unchanged") << "192.168.x.1" << 7 << "192.168.x.1";
    QTest::newRow("empty part unchanged") << "192..1" << 7 << "192..1";
    QTest::newRow("number above 255 unchanged") << "192.168.1.20" << 256 << "192.168.1.20";
}

void TestDeviceIp::setDeviceIpFromNumber()
{
    QFETCH(QString, ip);
    QFETCH(int, number);
    QFETCH(QString, expected);
    QCOMPARE(::setDeviceIpFromNumber(ip, number), expected);
}

QTEST_APPLESS_MAIN(TestDeviceIp)
#include "tst_deviceip.moc"
