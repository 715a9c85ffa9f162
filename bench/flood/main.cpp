// Flood benchmark. Proj_Q's main window (offscreen, shown, its data-stream log in front) with its
// endpoint bound to 127.0.0.1, under two kinds of traffic sent from other threads over loopback:
//  - flood: junk datagrams at full rate (random bytes, lengths from 1 to 65 507) plus valid search
//    answers at 1 000/s from another socket;
//  - calm: valid search answers only, at 2 500/s.
// The valid answers come from 4 000 modules in turn, so that all of them fit the device list;
// --junk-answers makes some junk well-formed answers of made-up modules, which fill the list.
// A 5 ms precise timer measures how late the event loop runs it (p50, p99, max); RSS is read
// before and after; the valid answers that became rows are counted against those sent.
// Loopback only: every socket is bound to 127.0.0.x and nothing is broadcast.

#include "app/LogView.h"
#include "app/MainWindow.h"

#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int kTickMs = 5;
// The valid answers come from this many modules in turn: fewer than the device list's limit, so
// every one of them can be listed, and every answer after the first round is a repeat.
constexpr int kModules = 4000;
const QByteArray kOurMacPrefix = QByteArrayLiteral("\x02\x58\x37");
const QString kOurMacText = QStringLiteral("02 58 37");

void say(const char *format, auto... args)
{
    std::printf(format, args...);
    std::fflush(stdout);
}

double rssMiB(const char *field = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

double loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').first().toDouble() : -1;
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray searchAnswer(quint32 serial)
{
    QByteArray a(36, '\0');
    a[0] = char(0xFF);
    a[1] = char(0x24);
    a[2] = char(0x01);
    a[5] = char(10);
    a[6] = char(serial >> 16);
    a[7] = char(serial >> 8);
    a[8] = char(serial);
    a.replace(9, 3, kOurMacPrefix);
    a[12] = char(serial >> 16);
    a[13] = char(serial >> 8);
    a[14] = char(serial);
    const int version = 4017;
    a[15] = char(version & 0xFF);
    a[16] = char(version >> 8);
    a.replace(19, 5, QByteArrayLiteral("bench"));
    return a;
}

// Junk that the endpoint must read and log but that never becomes a row: random bytes, mostly
// short, some of the search answer's length with a wrong header, a few of the largest size.
std::vector<QByteArray> junkPool(bool answers)
{
    QRandomGenerator rng(14);
    std::vector<QByteArray> pool;
    for (int i = 0; i < 8192; ++i) {
        int size = 1 + int(rng.bounded(600));
        if (i % 8 == 0)
            size = 36;
        if (i % 200 == 0)
            size = 65507;
        QByteArray d(size, '\0');
        for (char &c : d)
            c = char(rng.bounded(256));
        if (size == 36)
            d[0] = char(0x5A);
        // With --junk-answers, one in eight is a well-formed answer of a made-up module.
        if (answers && i % 8 == 0) {
            d = searchAnswer(quint32(i));
            d[9] = char(0x0A);
        }
        pool.push_back(d);
    }
    return pool;
}

// Full-rate junk from one socket until told to stop.
void floodSender(quint16 port, bool answers, int nice, std::atomic<bool> *stop,
                 std::atomic<qint64> *sent)
{
#ifdef Q_OS_LINUX
    // A flood comes from another host: here it shares the window's two cores, so by default it
    // runs at the lowest priority and takes only the time the window leaves (--sender-nice 0
    // lets it compete).
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), nice);
#else
    Q_UNUSED(nice);
#endif
    QUdpSocket socket;
    socket.bind(QHostAddress(QStringLiteral("127.0.0.3")), 0);
    const std::vector<QByteArray> pool = junkPool(answers);
    const QHostAddress to(QStringLiteral("127.0.0.1"));
    size_t i = 0;
    while (!stop->load(std::memory_order_relaxed)) {
        const QByteArray &d = pool[i++ % pool.size()];
        if (socket.writeDatagram(d, to, port) >= 0)
            sent->fetch_add(1, std::memory_order_relaxed);
    }
}

// Valid answers with distinct MACs at a steady pace from another socket.
void answerSender(quint16 port, int rate, int seconds, std::atomic<bool> *stop,
                  std::atomic<qint64> *sent)
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0);
    const QHostAddress to(QStringLiteral("127.0.0.1"));
    const auto start = std::chrono::steady_clock::now();
    const qint64 total = qint64(rate) * seconds;
    for (qint64 i = 0; i < total && !stop->load(std::memory_order_relaxed); ++i) {
        std::this_thread::sleep_until(start + std::chrono::nanoseconds(i * 1'000'000'000LL / rate));
        if (socket.writeDatagram(searchAnswer(quint32(i % kModules)), to, port) >= 0)
            sent->fetch_add(1, std::memory_order_relaxed);
    }
}

struct Lateness
{
    std::vector<double> samples;
    QElapsedTimer clock;
    qint64 lastNs = 0;
    void tick()
    {
        const qint64 now = clock.nsecsElapsed();
        if (lastNs > 0)
            samples.push_back(std::max(0.0, (now - lastNs) / 1e6 - kTickMs));
        lastNs = now;
    }
    double at(double q) const
    {
        if (samples.empty())
            return 0;
        std::vector<double> s = samples;
        std::sort(s.begin(), s.end());
        return s[std::min(s.size() - 1, size_t(q * double(s.size())))];
    }
};

int ourRows(const DeviceListModel *model)
{
    int n = 0;
    for (const DeviceEntry &e : model->entries())
        n += e.mac.startsWith(kOurMacText);
    return n;
}

struct Run
{
    const char *name;
    bool flood;
    int rate;
    int seconds;
    bool junkAnswers = false;
    QString grab;
    int senderNice = 19;
};

void runOne(MainWindow *window, const Run &run)
{
    ModuleEndpoint *endpoint = window->endpoint();
    DeviceListModel *devices = window->devices();
    window->clearLogs();
    devices->clear();
    pause(500);
    const double rssBefore = rssMiB();
    const quint16 port = endpoint->socketPort(0);

    Lateness lateness;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(kTickMs);
    QObject::connect(&tick, &QTimer::timeout, [&] { lateness.tick(); });
    lateness.clock.start();
    tick.start();

    qint64 taken = 0, answersTaken = 0;
    const auto onDatagram =
        QObject::connect(endpoint, &ModuleEndpoint::datagramReceived, [&taken] { ++taken; });
    const auto onAnswer = QObject::connect(
        endpoint, &ModuleEndpoint::deviceFound,
        [&answersTaken](const QString &, const QString &, int, int, const QString &,
                        const QString &mac) { answersTaken += mac.startsWith(kOurMacText); });

    std::atomic<bool> stop{false};
    std::atomic<qint64> junkSent{0}, answersSent{0};
    std::thread flood;
    if (run.flood)
        flood = std::thread(floodSender, port, run.junkAnswers, run.senderNice, &stop, &junkSent);
    std::thread answers(answerSender, port, run.rate, run.seconds, &stop, &answersSent);
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < run.seconds * 1000LL)
        pause(100);
    stop = true;
    answers.join();
    if (flood.joinable())
        flood.join();
    const double floodSeconds = elapsed.elapsed() / 1000.0;
    tick.stop();

    // What was sent and is still queued is taken in before counting.
    const qint64 takenDuring = taken;
    for (qint64 before = -1; before != taken;) {
        before = taken;
        pause(300);
    }
    QObject::disconnect(onDatagram);
    QObject::disconnect(onAnswer);
    const int listed = ourRows(devices);
    const int modules = int(std::min<qint64>(answersSent, kModules));
    auto *hex = window->findChild<LogView *>(QStringLiteral("redt_Hex"));
    auto *log = window->findChild<LogView *>(QStringLiteral("redt_Log"));
    hex->flush();
    log->flush();
    pause(200);
    const double rssAfter = rssMiB();

    say("%s: %.1f s, %s%d valid answers/s\n", run.name, floodSeconds,
        run.flood ? "junk at full rate + " : "", run.rate);
    if (run.flood)
        say("  junk sender           nice %d (machine load %.1f)\n", run.senderNice, loadAverage());
    if (run.flood)
        say("  junk sent             %lld datagrams (%.0f/s)\n", qlonglong(junkSent.load()),
            junkSent / floodSeconds);
    say("  datagrams taken in    %lld (%.0f/s while sending)\n", qlonglong(taken),
        takenDuring / floodSeconds);
    say("  event-loop lateness   p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu ticks of %d ms)\n",
        lateness.at(0.5), lateness.at(0.99), lateness.at(1.0), lateness.samples.size(), kTickMs);
    say("  RSS                   %.1f MiB before, %.1f MiB after (%+.1f MiB), peak %.1f MiB\n",
        rssBefore, rssAfter, rssAfter - rssBefore, rssMiB("VmHWM:"));
    say("  valid answers         %lld taken in of %lld sent; %d of %d modules listed (%d rows, "
        "%d refused)\n",
        qlonglong(answersTaken), qlonglong(answersSent.load()), listed, modules,
        devices->rowCount(), devices->refusedCount());
    say("  logs                  data stream %lld lines / %lld chars, operations %lld lines\n",
        qlonglong(hex->document()->blockCount()), qlonglong(hex->characterCount()),
        qlonglong(log->document()->blockCount()));
    if (!run.grab.isEmpty() && !window->grab().save(run.grab))
        say("  could not save %s\n", qPrintable(run.grab));
    const bool met =
        run.flood ? lateness.at(1.0) <= 200 && lateness.at(0.99) <= 50 && rssAfter - rssBefore <= 50
                  : lateness.at(1.0) <= 50 && answersTaken == answersSent && listed == modules;
    say("  targets               %s (%s)\n", met ? "met" : "MISSED",
        run.flood ? "max <= 200 ms, p99 <= 50 ms, RSS growth <= 50 MiB"
                  : "every answer taken in, every module listed, max <= 50 ms");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir files;
    qputenv("X7_FILES_DIR", files.path().toLocal8Bit());
    QApplication app(argc, argv);

    int seconds = 30, calmSeconds = 10, floodRate = 1000, calmRate = 2500;
    bool doFlood = true, doCalm = true, junkAnswers = false;
    int senderNice = 19;
    QString grab;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        const int value = i + 1 < args.size() ? args.at(i + 1).toInt() : 0;
        if (a == QLatin1String("--seconds"))
            seconds = value, ++i;
        else if (a == QLatin1String("--calm-seconds"))
            calmSeconds = value, ++i;
        else if (a == QLatin1String("--rate"))
            floodRate = value, ++i;
        else if (a == QLatin1String("--calm-rate"))
            calmRate = value, ++i;
        else if (a == QLatin1String("--flood-only"))
            doCalm = false;
        else if (a == QLatin1String("--calm-only"))
            doFlood = false;
        else if (a == QLatin1String("--sender-nice"))
            senderNice = value, ++i;
        else if (a == QLatin1String("--junk-answers"))
            junkAnswers = true;
        else if (a == QLatin1String("--grab") && i + 1 < args.size())
            grab = args.at(++i);
        else {
            say("usage: bench_flood [--seconds 30] [--rate 1000] [--calm-seconds 10] "
                "[--calm-rate 2500] [--flood-only | --calm-only] [--junk-answers] "
                "[--grab window.png] [--sender-nice 19]\n"
                "  --junk-answers: one junk datagram in eight is a well-formed answer of a "
                "made-up module (the device list fills up and refuses the rest)\n"
                "  --grab: saves the window after the last run\n");
            return a == QLatin1String("--help") ? 0 : 2;
        }
    }

    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    MainWindow window;
    window.show();
    if (auto *logs = window.findChild<QTabWidget *>(QStringLiteral("rzpgcntrl_Logs")))
        logs->setCurrentIndex(1); // the data-stream log, the one a flood writes most to
    // Bound without a search: nothing is broadcast.
    window.endpoint()->refreshBindings();
    if (window.endpoint()->socketCount() != 1) {
        say("the endpoint could not bind 127.0.0.1\n");
        return 1;
    }
    pause(300);
    say("Proj_Q window offscreen, endpoint 127.0.0.1:%d, batch %d datagrams / %d ms\n",
        window.endpoint()->socketPort(0), ModuleEndpoint::kMaxBatchDatagrams,
        ModuleEndpoint::kMaxBatchMs);
    if (doCalm)
        runOne(&window,
               {"no flood", false, calmRate, calmSeconds, false, doFlood ? QString() : grab});
    if (doFlood)
        runOne(&window, {"flood", true, floodRate, seconds, junkAnswers, grab, senderNice});
    return 0;
}
