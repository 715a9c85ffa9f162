// Discovery benchmark. One x7sim process plays N modules that answer one search, all at once or
// at a set pace; the benchmark counts how many of them the endpoint takes in (rows of the device
// list model up to its limit, the rest counted as refused, as in the window), how
// long the search takes to its last row, and the highest pace at which no answer is lost. A bare
// receive loop (one QUdpSocket that only counts distinct answers) on the same traffic is the
// ceiling. Loopback only: the endpoint and the bare loop are bound to 127.0.0.1.

#include "common/ValueHelpers.h"
#include "lan/DeviceListModel.h"
#include "lan/ModuleEndpoint.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// All-at-once runs per N and receiver (answers: fewest of the runs, times: median). 100 000 answers
// sent at once overflow the endpoint's receive buffer, so there a pace limits it.
struct Size
{
    int n;
    int burstRuns;
};
constexpr Size kSizes[] = {{100, 5}, {1000, 5}, {10000, 5}, {100000, 1}};

// What the endpoint asks the kernel for; the bare loop asks for the same.
constexpr int kAskedReceiveBuffer = 4 * 1024 * 1024;

// Our modules' MACs run from 02 58 37 00 00 00 up, so that an answer from any other module on
// loopback is told apart and not counted.
const QString kFirstMac = QStringLiteral("025837000000");
const QString kOurMacPrefix = QStringLiteral("02 58 37");
constexpr quint64 kOurMacHigh = 0x025837;

// No new answer for this long after the last one: the missing answers are lost.
constexpr qint64 kQuietNs = 500'000'000;

// The pace search: starts near the rate the receiver drained a lossy burst at, doubles or halves
// to bracket the loss-free pace, bisects until the bounds are within 10 %, and stops early when
// the next run would overrun the time left for this N and receiver.
constexpr double kPaceResolution = 1.10;
constexpr int kMinPace = 500;
constexpr int kMaxPace = 1 << 23;
constexpr qint64 kPaceBudgetMs = 30'000;

// How long a run waits for another simulator to free the module ports.
constexpr qint64 kPortWaitMs = 180'000;
qint64 g_portWaitMs = 0;

enum class Path { Endpoint, BareLoop };

void say(const char *format, auto... args)
{
    std::printf(format, args...);
    std::fflush(stdout);
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// ---- the simulator process ----------------------------------------------------------------------

class Simulator
{
public:
    explicit Simulator(QString program)
        : m_program(std::move(program))
    {
    }
    ~Simulator() { stop(); }

    // Starts n modules answering `pace` per second (0: all at once) and returns once they listen.
    // Waits while another simulator holds the module ports.
    bool start(int n, int pace, QString *error)
    {
        QElapsedTimer waited;
        waited.start();
        bool told = false;
        for (;;) {
            m_process.setProgram(m_program);
            m_process.setArguments({QStringLiteral("--count"), QString::number(n),
                                    QStringLiteral("--pace"), QString::number(pace),
                                    QStringLiteral("--mac"), kFirstMac, QStringLiteral("--bind"),
                                    QStringLiteral("127.0.0.1"), QStringLiteral("--quiet")});
            QByteArray out;
            bool ready = false;
            QEventLoop loop;
            const auto onOutput =
                QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, [&] {
                    out += m_process.readAllStandardOutput();
                    if (out.contains("x7sim ready")) {
                        ready = true;
                        loop.quit();
                    }
                });
            const auto onEnd =
                QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
            const auto onError =
                QObject::connect(&m_process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
            QTimer::singleShot(20'000, &loop, &QEventLoop::quit);
            m_process.start();
            loop.exec();
            QObject::disconnect(onOutput);
            QObject::disconnect(onEnd);
            QObject::disconnect(onError);
            if (ready)
                break;
            const QByteArray errors = m_process.readAllStandardError();
            const QString startError = m_process.errorString();
            stop();
            if (!errors.contains("cannot bind")) {
                *error = errors.isEmpty() ? startError : QString::fromLocal8Bit(errors).trimmed();
                return false;
            }
            // A test running alongside holds the module ports with its own simulator.
            if (waited.elapsed() > kPortWaitMs) {
                *error = QStringLiteral("the module ports 1500/1901 stayed taken");
                return false;
            }
            if (!told)
                say("  (the module ports are taken by another simulator; waiting)\n");
            told = true;
            pause(250);
        }
        if (told)
            g_portWaitMs += waited.elapsed();
        return true;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

private:
    QString m_program;
    QProcess m_process;
};

// ---- the two receivers --------------------------------------------------------------------------

// Counts the distinct answers of our modules as a receiver takes them in, and the moment of the
// last one; tells the driver when all expected answers are in.
class Receiver
{
public:
    virtual ~Receiver() = default;
    virtual bool bound() = 0;
    virtual void search() = 0;
    virtual int receiveBufferBytes() = 0;

    void arm(const QElapsedTimer *clock, int expected, std::function<void()> whenAll)
    {
        m_clock = clock;
        m_expected = expected;
        m_whenAll = std::move(whenAll);
    }
    int ours() const { return m_ours; }
    int foreign() const { return m_foreign; }
    qint64 lastNs() const { return m_lastNs; }

protected:
    void taken(bool ours)
    {
        if (!ours) {
            ++m_foreign;
            return;
        }
        m_lastNs = m_clock->nsecsElapsed();
        if (++m_ours == m_expected && m_whenAll)
            m_whenAll();
    }

private:
    const QElapsedTimer *m_clock = nullptr;
    int m_expected = 0;
    std::function<void()> m_whenAll;
    int m_ours = 0;
    int m_foreign = 0;
    qint64 m_lastNs = 0;
};

// The program's own path: the endpoint decodes each answer and the device list model makes a
// row per new MAC, as the window does. An answer counts when the endpoint hands on a MAC not seen
// before: the model lists only its first DeviceListModel::kMaxRows modules and counts the rest as
// refused, so its rows would stop the count there.
class EndpointReceiver : public Receiver
{
public:
    EndpointReceiver()
    {
        QObject::connect(&m_svr, &ModuleEndpoint::deviceFound, &m_model,
                         [this](const QString &ip, const QString &name, int socketIndex, int kind,
                                const QString &version, const QString &mac) {
                             // Past the model's limit the MACs are remembered here, so that
                             // up to there the count costs nothing beyond the program's own.
                             const int refused = m_model.refusedCount();
                             if (m_model.addDevice({ip, name, mac, version, kind, socketIndex}))
                                 taken(mac.startsWith(kOurMacPrefix));
                             else if (m_model.refusedCount() > refused && !m_seen.contains(mac)) {
                                 m_seen.insert(mac);
                                 taken(mac.startsWith(kOurMacPrefix));
                             }
                         });
        // Bound before the clock starts; search() then finds the same list and keeps the socket.
        m_svr.refreshBindings();
    }

    bool bound() override { return m_svr.socketCount() == 1; }
    void search() override { m_svr.search(); }
    void feed(const QByteArray &datagram, const QString &peerIp)
    {
        m_svr.handleDatagram(datagram, peerIp, 1500, 0);
    }
    int receiveBufferBytes() override
    {
        const auto sockets = m_svr.findChildren<QUdpSocket *>();
        return sockets.isEmpty()
                   ? -1
                   : sockets.first()
                         ->socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption)
                         .toInt();
    }

private:
    ModuleEndpoint m_svr;
    DeviceListModel m_model;
    QSet<QString> m_seen;
};

// The ceiling: a plain socket that sends the search and counts distinct MACs, nothing else.
class BareLoopReceiver : public Receiver
{
public:
    BareLoopReceiver()
    {
        m_bound = m_socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        m_socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                                 QVariant(kAskedReceiveBuffer));
        QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_socket, [this] { drain(); });
    }

    bool bound() override { return m_bound; }
    void search() override
    {
        m_socket.writeDatagram(QByteArray::fromHex("FF010102"), QHostAddress::Broadcast, 1500);
    }
    int receiveBufferBytes() override
    {
        return m_socket.socketOption(QAbstractSocket::ReceiveBufferSizeSocketOption).toInt();
    }

private:
    void drain()
    {
        char buffer[2048];
        while (m_socket.hasPendingDatagrams()) {
            const qint64 size = m_socket.readDatagram(buffer, sizeof buffer);
            if (size != 36 || quint8(buffer[0]) != 0xFF || buffer[1] != 0x24 || buffer[2] != 0x01)
                continue;
            quint64 mac = 0;
            for (int i = 9; i < 15; ++i)
                mac = (mac << 8) | quint8(buffer[i]);
            if (m_seen.contains(mac))
                continue;
            m_seen.insert(mac);
            taken((mac >> 24) == kOurMacHigh);
        }
    }

    QUdpSocket m_socket;
    bool m_bound = false;
    QSet<quint64> m_seen;
};

std::unique_ptr<Receiver> makeReceiver(Path path)
{
    if (path == Path::Endpoint)
        return std::make_unique<EndpointReceiver>();
    return std::make_unique<BareLoopReceiver>();
}

const char *pathName(Path path)
{
    return path == Path::Endpoint ? "endpoint + model" : "bare loop";
}

// ---- one search against one simulator run -------------------------------------------------------

struct Outcome
{
    bool ran = false;
    int ours = 0;
    int foreign = 0;
    double toLastMs = 0;       // search sent .. last answer taken in
    double cpuUsPerAnswer = 0; // the benchmark process's CPU time over the answers taken in
};

QString g_simProgram;
int g_endpointBuffer = 0;
int g_bareBuffer = 0;
int g_foreignSeen = 0;

Outcome runOnce(Path path, int n, int pace)
{
    Outcome o;
    Simulator sim(g_simProgram);
    QString error;
    if (!sim.start(n, pace, &error)) {
        say("  x7sim did not start: %s\n", qPrintable(error));
        return o;
    }
    std::unique_ptr<Receiver> receiver = makeReceiver(path);
    if (!receiver->bound()) {
        say("  %s could not bind 127.0.0.1\n", pathName(path));
        return o;
    }
    (path == Path::Endpoint ? g_endpointBuffer : g_bareBuffer) = receiver->receiveBufferBytes();

    QElapsedTimer clock;
    QEventLoop loop;
    receiver->arm(&clock, n, [&loop] { loop.quit(); });
    // Ends the run once the answers stop coming; a paced run may go quiet only after its last.
    const qint64 deadlineNs = 3'000'000'000LL + (pace > 0 ? 2'000'000'000LL * n / pace : 0);
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (now - receiver->lastNs() > kQuietNs || now > deadlineNs)
            loop.quit();
    });

    const std::clock_t cpuStart = std::clock();
    clock.start();
    receiver->search();
    watch.start();
    loop.exec();
    const std::clock_t cpuEnd = std::clock();
    watch.stop();

    o.ran = true;
    o.ours = receiver->ours();
    o.foreign = receiver->foreign();
    o.toLastMs = receiver->lastNs() / 1e6;
    if (o.ours > 0)
        o.cpuUsPerAnswer = double(cpuEnd - cpuStart) * 1e6 / CLOCKS_PER_SEC / o.ours;
    g_foreignSeen += o.foreign;
    return o;
}

// ---- all at once --------------------------------------------------------------------------------

struct Burst
{
    bool ran = false;
    int fewest = 0;   // answers taken in by the worst run
    int lossless = 0; // runs that lost nothing
    int runs = 0;
    double toLastMs = 0; // median
    double cpuUsPerAnswer = 0;
    double usPerAnswer() const { return fewest > 0 ? toLastMs * 1000.0 / fewest : 0; }
    double takenPerSecond() const { return toLastMs > 0 ? fewest * 1000.0 / toLastMs : 0; }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

Burst summarize(const std::vector<Outcome> &outcomes, int n)
{
    Burst b;
    std::vector<double> times, cpu;
    for (const Outcome &o : outcomes) {
        if (!o.ran)
            continue;
        b.fewest = b.runs == 0 ? o.ours : std::min(b.fewest, o.ours);
        ++b.runs;
        b.lossless += o.ours == n;
        times.push_back(o.toLastMs);
        cpu.push_back(o.cpuUsPerAnswer);
    }
    b.ran = b.runs > 0;
    b.toLastMs = median(times);
    b.cpuUsPerAnswer = median(cpu);
    return b;
}

// ---- the loss-free pace -------------------------------------------------------------------------

struct Pace
{
    bool allAtOnce = false;      // every burst run was lossless: no pace is needed
    bool simulatorBound = false; // a lossless run got answers slower than asked: `best` is a floor
    int best = 0;                // highest pace seen lossless (0: none)
    int firstLossy = 0;          // lowest pace seen lossy above it
    int runs = 0;
    double seconds = 0;
    bool cut = false; // the time budget ended the search
};

// A paced run whose answers came in below this share of the pace met the simulator's own limit.
constexpr double kSimulatorKeepsPace = 0.8;

Pace findPace(Path path, int n, const Burst &burst)
{
    Pace p;
    if (burst.ran && burst.lossless == burst.runs) {
        p.allAtOnce = true;
        return p;
    }
    QElapsedTimer spent;
    spent.start();
    auto affordable = [&](int pace) {
        const qint64 runMs = 1000LL * n / pace + 800;
        if (spent.elapsed() + runMs > kPaceBudgetMs) {
            p.cut = true;
            return false;
        }
        return true;
    };
    enum class Probe { Lossless, Lossy, SimulatorBound };
    auto probe = [&](int pace) {
        ++p.runs;
        const Outcome o = runOnce(path, n, pace);
        if (!o.ran || o.ours < n)
            return Probe::Lossy;
        // The simulator could not send that fast: the receiver bears at least what it got, and
        // no higher pace tells more.
        const double achieved = o.ours * 1000.0 / std::max(o.toLastMs, 1e-3);
        if (achieved < kSimulatorKeepsPace * pace) {
            p.simulatorBound = true;
            p.best = std::max(p.best, int(achieved));
            return Probe::SimulatorBound;
        }
        return Probe::Lossless;
    };

    // Start at the rate the lossy burst was taken in: the buffer absorbs the excess of a slightly
    // higher pace, so this one is likely lossless and twice it likely not.
    int pace = std::clamp(int(burst.takenPerSecond() / 1000) * 1000, kMinPace, kMaxPace);
    Probe result = affordable(pace) ? probe(pace) : Probe::SimulatorBound;
    if (p.cut) {
        // Not even one run fits the budget.
    } else if (result == Probe::Lossless) {
        p.best = pace;
        while (pace < kMaxPace) {
            pace *= 2;
            if (!affordable(pace))
                break;
            result = probe(pace);
            if (result == Probe::Lossless) {
                p.best = pace;
                continue;
            }
            if (result == Probe::Lossy)
                p.firstLossy = pace;
            break;
        }
    } else if (result == Probe::Lossy) {
        p.firstLossy = pace;
        while (pace / 2 >= kMinPace) {
            pace /= 2;
            if (!affordable(pace))
                break;
            result = probe(pace);
            if (result == Probe::Lossless)
                p.best = pace;
            if (result != Probe::Lossy)
                break;
            p.firstLossy = pace;
        }
    }
    while (!p.simulatorBound && p.best > 0 && p.firstLossy > 0 &&
           p.firstLossy > p.best * kPaceResolution) {
        const int mid = (p.best + p.firstLossy) / 2;
        if (!affordable(mid))
            break;
        result = probe(mid);
        if (result == Probe::Lossless)
            p.best = mid;
        else if (result == Probe::Lossy)
            p.firstLossy = mid;
    }
    p.seconds = spent.elapsed() / 1000.0;
    return p;
}

QString paceText(const Pace &p, const Burst &burst)
{
    if (!burst.ran)
        return QStringLiteral("not run");
    if (p.allAtOnce)
        return QStringLiteral("all at once");
    if (p.simulatorBound)
        return QStringLiteral(">= %1 (simulator's limit)").arg(p.best);
    if (p.best == 0 && p.firstLossy == 0)
        return QStringLiteral("not measured");
    if (p.best == 0)
        return QStringLiteral("< %1").arg(p.firstLossy);
    QString text = QString::number(p.best);
    text += p.firstLossy > 0 ? QStringLiteral(" (%1 lost some)").arg(p.firstLossy)
                             : QStringLiteral(" (none lost)");
    return text;
}

// A lossless burst or a simulator-bound run sets no pace limit, only a floor: the rate its answers
// were taken in. The ratio is then a bound: an upper one when the bare loop's figure is a floor,
// a lower one when the endpoint's is.
struct PaceRatio
{
    bool known = false;
    bool bothKeepUp = false;
    bool upperBound = false;
    bool lowerBound = false;
    double value = 0;
};

PaceRatio paceRatio(const Pace pace[2], const Burst burst[2])
{
    PaceRatio r;
    if (!burst[0].ran || !burst[1].ran)
        return r;
    bool openEnded[2];
    double value[2];
    for (int i = 0; i < 2; ++i) {
        openEnded[i] = pace[i].allAtOnce || pace[i].simulatorBound;
        value[i] = pace[i].allAtOnce ? burst[i].takenPerSecond() : pace[i].best;
    }
    if (openEnded[0] && openEnded[1]) {
        r.known = r.bothKeepUp = true;
        r.value = 1.0;
        return r;
    }
    if (value[1] <= 0)
        return r;
    r.known = true;
    r.upperBound = openEnded[1];
    r.lowerBound = openEnded[0];
    r.value = value[0] / value[1];
    return r;
}

QString boundText(const PaceRatio &r)
{
    return r.upperBound ? QStringLiteral("<= ") : r.lowerBound ? QStringLiteral(">= ") : QString();
}

QString paceRatioText(const Pace pace[2], const Burst burst[2])
{
    const PaceRatio r = paceRatio(pace, burst);
    if (!r.known)
        return QStringLiteral("-");
    if (r.bothKeepUp)
        return QStringLiteral("both keep up with the simulator");
    return boundText(r) + QString::number(r.value, 'f', 2);
}

QString paceTargetText(const Pace pace[2], const Burst burst[2])
{
    const PaceRatio r = paceRatio(pace, burst);
    if (!r.known)
        return QStringLiteral("not measured");
    if (r.bothKeepUp)
        return QStringLiteral("met (both keep up with the simulator, losing nothing)");
    const bool met = r.value >= 0.5 && !r.upperBound;
    const bool missed = r.value < 0.5 && !r.lowerBound;
    return QStringLiteral("%1 (%2%3)")
        .arg(met      ? QStringLiteral("met")
             : missed ? QStringLiteral("MISSED")
                      : QStringLiteral("open"),
             boundText(r), QString::number(r.value, 'f', 2));
}

// ---- the receive handler alone ------------------------------------------------------------------

// A search answer as module `i` of a run sends it: FF 24 01, IP, MAC, version, GB18030 name.
QByteArray searchAnswer(int i)
{
    QByteArray a(36, '\0');
    a[0] = char(0xFF);
    a[1] = char(0x24);
    a[2] = char(0x01);
    const quint32 ip = (192u << 24 | 168u << 16) + 7 + quint32(i);
    for (int b = 0; b < 4; ++b)
        a[5 + b] = char(ip >> (24 - 8 * b));
    const quint64 mac = (kOurMacHigh << 24) + quint64(i);
    for (int b = 0; b < 6; ++b)
        a[9 + b] = char(mac >> (40 - 8 * b));
    a[15] = char(4017 & 0xFF);
    a[16] = char(4017 >> 8);
    const QByteArray name = QStringLiteral("X7-Q2-%1").arg(i + 1).toLatin1();
    a.replace(19, name.size(), name);
    return a;
}

// CPU microseconds per answer for n distinct answers handed straight to the endpoint's receive
// handler, rows going into the model: the decoding and row cost without the socket reads. Every
// N gets about the same number of answers in all (fresh endpoints and models of n rows), and CPU
// time rather than wall time, as the machine is shared.
double handlerUsPerAnswer(int n)
{
    std::vector<QByteArray> answers;
    answers.reserve(n);
    for (int i = 0; i < n; ++i)
        answers.push_back(searchAnswer(i));
    const QString peer = QStringLiteral("127.0.0.1");
    const int rounds = std::max(3, 300'000 / n);
    std::clock_t spent = 0;
    for (int round = 0; round < rounds; ++round) {
        EndpointReceiver receiver;
        QElapsedTimer clock;
        clock.start();
        receiver.arm(&clock, n, {});
        const std::clock_t start = std::clock();
        for (const QByteArray &a : answers)
            receiver.feed(a, peer);
        spent += std::clock() - start;
        if (receiver.ours() != n)
            return 0;
    }
    return double(spent) * 1e6 / CLOCKS_PER_SEC / (double(rounds) * n);
}

// ---- the report ---------------------------------------------------------------------------------

QString findSimulator()
{
    const QString fromEnv = qEnvironmentVariable("X7SIM");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/x7sim");
}

int readRmemMax()
{
    QFile file(QStringLiteral("/proc/sys/net/core/rmem_max"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().trimmed().toInt();
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Never anything but loopback: the search broadcast leaves from 127.0.0.1 only.
    setBindAddressOverride({QStringLiteral("127.0.0.1")});

    g_simProgram = findSimulator();
    if (!QFileInfo(g_simProgram).isExecutable()) {
        std::fprintf(stderr, "bench_discovery: no x7sim at %s (set X7SIM)\n",
                     qPrintable(g_simProgram));
        return 1;
    }
    QElapsedTimer total;
    total.start();

    say("Discovery benchmark: N simulated modules answer one search over loopback (127.0.0.1)\n");
    say("x7sim: %s\n", qPrintable(QFileInfo(g_simProgram).canonicalFilePath()));
    say("The machine is shared with other builds and the simulator runs on the same CPUs "
        "(%d here): figures vary from run to run.\n\n",
        QThread::idealThreadCount());

    struct Row
    {
        int n;
        Burst burst[2];
        Pace pace[2];
    };
    std::vector<Row> rows;
    for (const Size &size : kSizes) {
        const int n = size.n;
        Row row{n, {}, {}};
        // The two receivers take turns, so that both see much the same load on the machine.
        say("N = %6d  all at once, %d run(s) per receiver ...\n", n, size.burstRuns);
        std::vector<Outcome> outcomes[2];
        for (int run = 0; run < size.burstRuns; ++run)
            for (const Path path : {Path::Endpoint, Path::BareLoop})
                outcomes[int(path)].push_back(runOnce(path, n, 0));
        for (const Path path : {Path::Endpoint, Path::BareLoop}) {
            const int i = int(path);
            row.burst[i] = summarize(outcomes[i], n);
            if (!row.burst[i].ran)
                continue;
            if (row.burst[i].lossless == row.burst[i].runs) {
                row.pace[i].allAtOnce = true;
                continue;
            }
            say("N = %6d  %s: searching the loss-free pace ...\n", n, pathName(path));
            row.pace[i] = findPace(path, n, row.burst[i]);
        }
        rows.push_back(row);
    }

    say("Receive handler alone ...\n");
    std::vector<double> handlerUs;
    for (const Size &size : kSizes)
        handlerUs.push_back(handlerUsPerAnswer(size.n));

    const int rmemMax = readRmemMax();
    say("\nReceive buffer: asked for %d bytes; the endpoint's socket got %d, the bare loop's %d\n",
        kAskedReceiveBuffer, g_endpointBuffer, g_bareBuffer);
    say("(Linux grants at most net.core.rmem_max = %d and reports twice what it granted, the "
        "second half being its bookkeeping.)\n",
        rmemMax);
    if (rmemMax >= 0 && rmemMax < kAskedReceiveBuffer)
        say("The buffer is capped below what the endpoint asks for;%s\n",
            runningAsRoot() ? " as root, `sysctl -w net.core.rmem_max=4194304` lifts the cap "
                              "(this benchmark changes no system setting)."
                            : " an administrator can raise net.core.rmem_max.");

    say("\nAll at once: answers = distinct modules taken in, fewest of the runs (the model lists "
        "the first %d); to last (search sent .. last answer taken in) and CPU ",
        DeviceListModel::kMaxRows);
    say("(this process) = median\n");
    say("         |              endpoint + device list model              |"
        "                   bare receive loop\n");
    say("       N | runs     answers      to last  us/answer  CPU us/answer |"
        " runs     answers      to last  us/answer  CPU us/answer\n");
    for (const Row &r : rows) {
        say("  %6d |", r.n);
        for (int i = 0; i < 2; ++i) {
            const Burst &b = r.burst[i];
            if (!b.ran)
                say("  %-57s%s", "not run (x7sim did not start)", i == 0 ? " |" : "\n");
            else
                say(" %4d %6d/%-6d %8.1f ms  %9.2f  %13.2f %s", b.runs, b.fewest, r.n, b.toLastMs,
                    b.usPerAnswer(), b.cpuUsPerAnswer, i == 0 ? "|" : "\n");
        }
    }

    say("\nHighest pace with no answer lost (answers/s; bracketed by doubling or halving from the "
        "rate a lossy burst was taken in, then bisected to within 10 %%)\n");
    say("       N | endpoint + device list model     | bare receive loop                | "
        "endpoint / bare\n");
    for (const Row &r : rows) {
        say("  %6d | %-32s | %-32s | %s\n", r.n, qPrintable(paceText(r.pace[0], r.burst[0])),
            qPrintable(paceText(r.pace[1], r.burst[1])),
            qPrintable(paceRatioText(r.pace, r.burst)));
        for (int i = 0; i < 2; ++i)
            if (r.pace[i].runs > 0)
                say("         |   %s: %d paced runs in %.1f s%s\n", pathName(Path(i)),
                    r.pace[i].runs, r.pace[i].seconds,
                    r.pace[i].cut ? ", cut short by the time budget" : "");
    }
    say("  \"all at once\": every burst run was lossless, so no pace limits the receiver; the "
        "simulator sends no faster.\n  \"simulator's limit\": a lossless paced run got its answers "
        "slower than asked; the receiver bears at least that rate.\n");

    say("\nReceive handler alone: N distinct answers handed to ModuleEndpoint::handleDatagram, "
        "rows into "
        "the model, no socket reads (CPU time)\n");
    for (size_t i = 0; i < rows.size(); ++i)
        say("  N = %6d: %.2f us per answer\n", rows[i].n, handlerUs[i]);

    say("\nTargets\n");
    for (const Row &r : rows)
        if (r.n == 1000)
            say("  no answer lost at N = 1000 all at once: %s (fewest %d of %d in %d runs)\n",
                r.burst[0].ran && r.burst[0].fewest == r.n ? "met" : "MISSED", r.burst[0].fewest,
                r.n, r.burst[0].runs);
    for (const Row &r : rows)
        say("  N = %6d: endpoint keeps >= 1/2 of the bare loop's loss-free pace: %s\n", r.n,
            qPrintable(paceTargetText(r.pace, r.burst)));
    say("  time per answer does not grow with N (endpoint, all at once, CPU us per row):");
    double burstAt[2] = {0, 0}, handlerAt[2] = {0, 0}; // N = 1000, N = 10000
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row &r = rows[i];
        if (r.burst[0].ran)
            say(" %d: %.2f;", r.n, r.burst[0].cpuUsPerAnswer);
        const int slot = r.n == 1000 ? 0 : r.n == 10000 ? 1 : -1;
        if (slot >= 0) {
            burstAt[slot] = r.burst[0].cpuUsPerAnswer;
            handlerAt[slot] = handlerUs[i];
        }
    }
    // A scan of the rows per answer would make both about x10. The handler alone decides: the
    // burst figures carry the machine's noise.
    if (handlerAt[0] > 0 && handlerAt[1] > 0) {
        const double growth = handlerAt[1] / handlerAt[0];
        say("\n    N = 10000 against N = 1000: handler alone x%.2f, all at once x%.2f -> %s\n",
            growth, burstAt[0] > 0 ? burstAt[1] / burstAt[0] : 0.0,
            growth < 1.5 ? "met (flat)" : "MISSED (grows)");
    } else {
        say("\n    not enough runs to compare\n");
    }
    say("  CPU per answer, bare loop against endpoint (the pace ratio if both were CPU-bound):");
    for (const Row &r : rows)
        if (r.burst[0].cpuUsPerAnswer > 0 && r.burst[1].cpuUsPerAnswer > 0)
            say(" %d: %.2f / %.2f = %.2f;", r.n, r.burst[1].cpuUsPerAnswer,
                r.burst[0].cpuUsPerAnswer, r.burst[1].cpuUsPerAnswer / r.burst[0].cpuUsPerAnswer);
    say("\n");
    say("  intake during a burst, endpoint against bare loop (answers/s taken in):");
    for (const Row &r : rows)
        if (r.burst[0].ran && r.burst[1].ran)
            say(" %d: %.0f / %.0f = %.2f;", r.n, r.burst[0].takenPerSecond(),
                r.burst[1].takenPerSecond(),
                r.burst[1].takenPerSecond() > 0
                    ? r.burst[0].takenPerSecond() / r.burst[1].takenPerSecond()
                    : 0.0);
    say("\n");

    if (g_foreignSeen > 0)
        say("\nNote: %d answers came from modules not ours (another simulator on the module "
            "ports); they were not counted.\n",
            g_foreignSeen);
    say("\nRun time %.1f s, of which %.1f s waiting for another simulator to free the module "
        "ports\n",
        total.elapsed() / 1000.0, g_portWaitMs / 1000.0);
    return 0;
}
