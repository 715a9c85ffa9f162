// The serial port component over a pseudo-terminal: bursts end after the line silence or at
// 1024 bytes, the send-buffer notice, sending while closed, and the open failures a user meets.

#include "serial/SerialPort.h"

#include <QFile>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The far end of a port: the test writes the module's bytes into it and reads what was sent.
class PtyEnd
{
public:
    PtyEnd()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_path = QString::fromLocal8Bit(ptsname(m_master));
        termios t{};
        tcgetattr(m_master, &t);
        cfmakeraw(&t);
        tcsetattr(m_master, TCSANOW, &t);
    }
    ~PtyEnd()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    bool ok() const { return m_master >= 0 && !m_path.isEmpty(); }
    QString path() const { return m_path; }
    void write(const QByteArray &bytes)
    {
        QCOMPARE(::write(m_master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
    QByteArray readAll()
    {
        QByteArray out;
        char buffer[2048];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            out.append(buffer, int(n));
        return out;
    }

private:
    int m_master = -1;
    QString m_path;
};

QByteArray pattern(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 13 + 1);
    return b;
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void oneReplyIsOneBurst();
    void aPauseSplitsTheBursts();
    void longInputIsCutAt1024Bytes();
    void sendAndTheEmptyNotice();
    void sendingWhileClosedIsRefused();
    void openFailures();
    void portListNamesTheExtraPaths();
};

void TestSerialPort::oneReplyIsOneBurst()
{
    PtyEnd end;
    QVERIFY(end.ok());
    SerialPort port;
    port.setPortName(end.path());
    QVERIFY2(port.open(), qPrintable(port.errorText()));
    QSignalSpy bursts(&port, &SerialPort::dataReceived);
    // Written in small pieces without a pause worth the name: still one reply.
    const QByteArray reply = pattern(137);
    for (int i = 0; i < 137; i += 20)
        end.write(reply.mid(i, 20));
    QTRY_COMPARE(bursts.size(), 1);
    QTest::qWait(120);
    QCOMPARE(bursts.size(), 1);
    QCOMPARE(bursts.first().first().toByteArray(), reply);
}

void TestSerialPort::aPauseSplitsTheBursts()
{
    PtyEnd end;
    QVERIFY(end.ok());
    SerialPort port;
    port.setPortName(end.path());
    QVERIFY(port.open());
    QSignalSpy bursts(&port, &SerialPort::dataReceived);
    const QByteArray reply = pattern(137);
    end.write(reply.left(68));
    QTest::qWait(150); // longer than the 50 ms silence that ends a burst
    end.write(reply.mid(68));
    QTRY_COMPARE(bursts.size(), 2);
    QCOMPARE(bursts.at(0).first().toByteArray(), reply.left(68));
    QCOMPARE(bursts.at(1).first().toByteArray(), reply.mid(68));
}

void TestSerialPort::longInputIsCutAt1024Bytes()
{
    PtyEnd end;
    QVERIFY(end.ok());
    SerialPort port;
    port.setPortName(end.path());
    QVERIFY(port.open());
    QSignalSpy bursts(&port, &SerialPort::dataReceived);
    const QByteArray input = pattern(1500);
    end.write(input);
    QTRY_COMPARE(bursts.size(), 2);
    QCOMPARE(bursts.at(0).first().toByteArray(), input.left(1024));
    QCOMPARE(bursts.at(1).first().toByteArray(), input.mid(1024));
}

void TestSerialPort::sendAndTheEmptyNotice()
{
    PtyEnd end;
    QVERIFY(end.ok());
    SerialPort port;
    port.setPortName(end.path());
    QSignalSpy empty(&port, &SerialPort::sendBufferEmpty);
    QVERIFY(port.open());
    QTRY_COMPARE(empty.size(), 1); // once after the open, before anything was sent
    QVERIFY(port.send(QByteArray::fromHex("55BD")));
    QTRY_COMPARE(empty.size(), 2);
    QByteArray sent;
    QTRY_COMPARE((sent += end.readAll()), QByteArray::fromHex("55BD"));
    // Line settings change at once on an open port; the same value changes nothing.
    port.setBaudRate(115200);
    QCOMPARE(port.baudRate(), 115200);
    QVERIFY(port.isOpen());
    QTest::qWait(50);
    QCOMPARE(empty.size(), 2);
}

void TestSerialPort::sendingWhileClosedIsRefused()
{
    PtyEnd end;
    QVERIFY(end.ok());
    SerialPort port;
    port.setPortName(end.path());
    QVERIFY(!port.send(QByteArray("x")));
    QVERIFY(port.open());
    QVERIFY(!port.send(QByteArray()));
    port.close();
    QVERIFY(!port.send(QByteArray("x")));
    port.close(); // closing a closed port does nothing
}

void TestSerialPort::openFailures()
{
    SerialPort none;
    QVERIFY(!none.open());
    QCOMPARE(none.lastOpenError(), SerialPort::OpenError::NoName);

    SerialPort missing;
    missing.setPortName(QStringLiteral("/dev/x7-no-such-port"));
    QVERIFY(!missing.open());
    QCOMPARE(missing.lastOpenError(), SerialPort::OpenError::Missing);
    QVERIFY(!missing.isOpen());

    PtyEnd end;
    QVERIFY(end.ok());
    SerialPort first;
    first.setPortName(end.path());
    QVERIFY(first.open());
    QVERIFY(!first.open());
    QCOMPARE(first.lastOpenError(), SerialPort::OpenError::AlreadyOpen);
    QVERIFY(first.isOpen()); // the open port is left as it was

    if (::geteuid() == 0)
        QSKIP("root opens held and forbidden ports alike");
    SerialPort second;
    second.setPortName(end.path());
    QVERIFY(!second.open());
    QCOMPARE(second.lastOpenError(), SerialPort::OpenError::Busy);

    first.close();
    QVERIFY(::chmod(end.path().toLocal8Bit().constData(), 0) == 0);
    SerialPort forbidden;
    forbidden.setPortName(end.path());
    QVERIFY(!forbidden.open());
    QCOMPARE(forbidden.lastOpenError(), SerialPort::OpenError::NoRights);
}

void TestSerialPort::portListNamesTheExtraPaths()
{
    qputenv("X7_SERIAL_PORTS", " /dev/pts/77 ,/tmp/x7-link,,/dev/pts/77");
    const QStringList ports = SerialPort::availablePorts();
    qunsetenv("X7_SERIAL_PORTS");
    QCOMPARE(ports.count(QStringLiteral("/dev/pts/77")), 1);
    QVERIFY(ports.contains(QStringLiteral("/tmp/x7-link")));
    QVERIFY(ports.indexOf(QStringLiteral("/dev/pts/77")) <
            ports.indexOf(QStringLiteral("/tmp/x7-link")));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
