// Data-debug benchmark over loopback. The window sends its rows to a receiver thread that
// timestamps every arrival on the schedule's own monotonic clock.
//   (a) rows per second with 50 rows, all delays 0, interval 0, passes started back to back
//       (UDP and TCP client);
//   (b) timing error of each arrival against the time its send was due (p50, p99, max), and the
//       drift of the 1000th cycle, for delays of 10 ms and 100 ms, while a load thread sends
//       1000 datagrams per second to the window, which shows them in its receive view.
// Usage: bench_datadebug [--seconds N] (length of each timing run, default 31)

#include "datadebug/CycleSender.h"
#include "datadebug/DataDebugWindow.h"
#include "datadebug/TrafficModel.h"
#include "lang/LangList.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

constexpr int kRowBytes = 16;

// Arrival times recorded by a receiver thread.
struct Arrivals
{
    std::mutex lock;
    std::vector<qint64> ns;
    std::atomic<qint64> bytes{0};
    std::atomic<bool> stop{false};
    std::atomic<quint16> port{0};

    void add(qint64 t)
    {
        std::lock_guard<std::mutex> g(lock);
        ns.push_back(t);
    }
    std::vector<qint64> take()
    {
        std::lock_guard<std::mutex> g(lock);
        return std::exchange(ns, {});
    }
};

void udpReceiver(Arrivals *a)
{
    QUdpSocket s;
    s.bind(QHostAddress::LocalHost, 0);
    s.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8 * 1024 * 1024);
    a->port = s.localPort();
    while (!a->stop) {
        if (!s.waitForReadyRead(50))
            continue;
        while (s.hasPendingDatagrams()) {
            const QNetworkDatagram d = s.receiveDatagram();
            a->add(CycleSender::nowNs());
            a->bytes += d.data().size();
        }
    }
}

void tcpReceiver(Arrivals *a)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    a->port = server.serverPort();
    QTcpSocket *c = nullptr;
    while (!a->stop && !c) {
        if (server.waitForNewConnection(50))
            c = server.nextPendingConnection();
    }
    qint64 partial = 0;
    while (!a->stop && c) {
        if (!c->waitForReadyRead(50))
            continue;
        const qint64 n = c->readAll().size();
        const qint64 t = CycleSender::nowNs();
        a->bytes += n;
        partial += n;
        while (partial >= kRowBytes) {
            a->add(t);
            partial -= kRowBytes;
        }
    }
}

// Sends `perSecond` datagrams a second to `port` until stopped: the window's receive load.
void loadSender(quint16 port, int perSecond, std::atomic<bool> *stop, std::atomic<qint64> *sent)
{
    QUdpSocket s;
    const QByteArray payload("load 0123456789 load 0123456789");
    const auto step = std::chrono::nanoseconds(1000000000LL / perSecond);
    auto next = std::chrono::steady_clock::now();
    while (!*stop) {
        s.writeDatagram(payload, QHostAddress::LocalHost, port);
        ++*sent;
        next += step;
        std::this_thread::sleep_until(next);
    }
}

template<typename T> T *control(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

void runFor(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool waitUntil(const std::function<bool()> &done, qint64 timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs)
        runFor(5);
    return done();
}

QByteArray rowText(int i)
{
    return QStringLiteral("row %1 ")
        .arg(i + 1, 2, 10, QLatin1Char('0'))
        .leftJustified(kRowBytes, u'.')
        .toLatin1();
}

void setRows(DataDebugWindow &w, const QList<int> &chosen, int delayMs)
{
    QList<CommandRows::Row> rows;
    for (int i = 0; i < CommandRows::kRowCount; ++i)
        rows.append({chosen.contains(i), QStringLiteral("r"), QString::fromLatin1(rowText(i)),
                     false, delayMs ? QString::number(delayMs) : QString()});
    w.setRows(rows);
}

bool connectWindow(DataDebugWindow &w, int protocol, quint16 receiverPort, quint16 *localPort)
{
    control<QComboBox>(&w, "cbbProtrolType")->setCurrentIndex(protocol);
    control<QComboBox>(&w, "cbbIP")->setEditText(QStringLiteral("127.0.0.1"));
    if (protocol == 3) {
        control<QLineEdit>(&w, "edtPort")->setText(QString::number(receiverPort));
        control<QPushButton>(&w, "btnConnet")->click();
        return waitUntil([&] { return w.link()->state() == DataDebugLink::State::Connected; },
                         3000);
    }
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    const quint16 port = probe.localPort();
    probe.close();
    control<QLineEdit>(&w, "edtPort")->setText(QString::number(port));
    control<QPushButton>(&w, "btnConnet")->click();
    control<QLineEdit>(&w, "edtLoport")->setText(QString::number(receiverPort));
    *localPort = port;
    return w.link()->state() == DataDebugLink::State::UdpBound;
}

void throughput(DataDebugWindow &w, bool tcp, int passes)
{
    Arrivals a;
    std::thread receiver(tcp ? tcpReceiver : udpReceiver, &a);
    while (!a.port)
        std::this_thread::yield();
    quint16 local = 0;
    if (!connectWindow(w, tcp ? 3 : 2, a.port, &local)) {
        std::printf("  could not connect\n");
        a.stop = true;
        receiver.join();
        return;
    }
    QList<int> all;
    for (int i = 0; i < CommandRows::kRowCount; ++i)
        all << i;
    setRows(w, all, 0);
    control<QLineEdit>(&w, "edtCycle")->setText(QStringLiteral("0"));
    int done = 0;
    QObject guard;
    QObject::connect(&w, &DataDebugWindow::finished, &guard, [&] {
        if (++done < passes)
            QTimer::singleShot(0, &guard,
                               [&] { control<QPushButton>(&w, "btnCycleSend")->click(); });
    });
    const qint64 expected = qint64(passes) * CommandRows::kRowCount;
    const qint64 t0 = CycleSender::nowNs();
    control<QPushButton>(&w, "btnCycleSend")->click();
    waitUntil([&] { return done >= passes; }, 120000);
    const qint64 tSent = CycleSender::nowNs();
    waitUntil([&] { return a.bytes >= expected * kRowBytes; }, 3000);
    a.stop = true;
    receiver.join();
    const std::vector<qint64> t = a.take();
    const double sentSeconds = (tSent - t0) / 1e9;
    const double lastSeconds = t.empty() ? 0 : (t.back() - t0) / 1e9;
    std::printf("  %-10s rows sent %lld in %.3f s = %.0f rows/s; received %zu, last at %.3f s = "
                "%.0f rows/s end to end\n",
                tcp ? "TCP client" : "UDP", expected, sentSeconds, expected / sentSeconds, t.size(),
                lastSeconds, lastSeconds > 0 ? t.size() / lastSeconds : 0.0);
    control<QPushButton>(&w, "btnConnet")->click();
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

void timing(DataDebugWindow &w, int delayMs, int seconds, bool showView = true)
{
    Arrivals a;
    std::thread receiver(udpReceiver, &a);
    while (!a.port)
        std::this_thread::yield();
    quint16 local = 0;
    if (!connectWindow(w, 0, a.port, &local)) {
        std::printf("  could not start UDP\n");
        a.stop = true;
        receiver.join();
        return;
    }
    // Two rows with the delay after each, and the same interval after the pass: a period of
    // three delays.
    setRows(w, {0, 1}, delayMs);
    control<QLineEdit>(&w, "edtCycle")->setText(QString::number(delayMs));
    const qint64 periodNs = 3LL * delayMs * 1000000;
    control<QCheckBox>(&w, "chkShowReceived")->setChecked(showView);

    std::vector<qint64> due;
    QObject guard;
    QObject::connect(w.cycle(), &CycleSender::rowDue, &guard,
                     [&](int, qint64 dueNs) { due.push_back(dueNs); });
    std::atomic<bool> stopLoad{false};
    std::atomic<qint64> loadSent{0};
    std::thread load(loadSender, local, 1000, &stopLoad, &loadSent);
    runFor(300); // the load runs before the cycle starts
    const qint64 received0 = w.counters().receivedFrames;
    control<QPushButton>(&w, "btnCycleSend")->click();
    const qint64 start = w.cycle()->plan().startNs();
    runFor(qint64(seconds) * 1000);
    control<QPushButton>(&w, "btnCycleSend")->click();
    const qint64 shown = w.counters().receivedFrames - received0;
    stopLoad = true;
    load.join();
    runFor(200);
    a.stop = true;
    receiver.join();
    control<QPushButton>(&w, "btnConnet")->click();

    const std::vector<qint64> t = a.take();
    const size_t n = std::min(t.size(), due.size());
    std::vector<double> errMs;
    errMs.reserve(n);
    for (size_t i = 0; i < n; ++i)
        errMs.push_back((t[i] - due[i]) / 1e6);
    const double maxErr = errMs.empty() ? 0 : *std::max_element(errMs.begin(), errMs.end());
    const double minErr = errMs.empty() ? 0 : *std::min_element(errMs.begin(), errMs.end());
    std::printf("  delay %3d ms: %zu sends over %d s (%zu arrived), load %lld datagrams sent, "
                "%lld received by the window (%.0f/s), %s\n",
                delayMs, due.size(), seconds, t.size(), (long long)loadSent.load(), shown,
                shown / double(seconds),
                showView ? "shown in the receive view" : "receive view off (for comparison)");
    std::printf("    arrival - due: p50 %.3f ms, p99 %.3f ms, max %.3f ms, min %.3f ms\n",
                percentile(errMs, 0.5), percentile(errMs, 0.99), maxErr, minErr);
    QStringList late;
    for (size_t i = 0; i < n && late.size() < 8; ++i) {
        if (errMs[i] > 2.0)
            late << QStringLiteral("#%1 %2 ms").arg(i).arg(errMs[i], 0, 'f', 1);
    }
    const auto over = std::count_if(errMs.begin(), errMs.end(), [](double e) { return e > 2.0; });
    std::printf("    sends more than 2 ms late: %lld%s%s\n", (long long)over,
                late.isEmpty() ? "" : ", first: ", qPrintable(late.join(QStringLiteral(", "))));
    // Cycle k starts with its first row, due at start + k x period.
    const size_t cycles = n / 2;
    for (size_t k : {size_t(100), size_t(1000), cycles ? cycles - 1 : 0}) {
        if (k >= cycles)
            continue;
        std::printf("    cycle %zu arrived %.3f ms after start + %zu x %.0f ms (due %.3f ms)\n", k,
                    (t[2 * k] - start - qint64(k) * periodNs) / 1e6, k, periodNs / 1e6,
                    (due[2 * k] - start - qint64(k) * periodNs) / 1e6);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir files;
    qputenv("X7_FILES_DIR", files.path().toLocal8Bit());
    QApplication app(argc, argv);
    int seconds = 31;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("--seconds"));
        i >= 0 && i + 1 < args.size())
        seconds = args.at(i + 1).toInt();
    setIsChinese(false);

    DataDebugWindow w;
    w.setMessageFunction(
        [](QWidget *, const QString &t) { std::printf("  message: %s\n", qPrintable(t)); });
    w.showFor({}, {});

    std::printf("(a) throughput: 50 rows, delays 0, interval 0, passes back to back\n");
    throughput(w, false, 2000);
    throughput(w, true, 2000);
    std::printf("(b) timing under a load of 1000 received datagrams/s shown in the receive view\n");
    timing(w, 10, seconds);
    timing(w, 100, seconds);
    timing(w, 10, seconds, false);
    w.reject();
    return 0;
}
