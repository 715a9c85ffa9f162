// Upgrade benchmark. A 1 MiB image goes to x7sim's boot loader over loopback, once through the
// upgrade window (wake-up, BOOTP, read request, 2048 lock-step data blocks) and once through a
// bare lock-step loop that sends the same blocks from a blocking socket and waits for each
// acknowledgement: the anchor, whose cost per block is one round trip and nothing else. Runs
// alternate; the figures are medians. The image the boot loader wrote is compared after every run.
//
// The ports 9, 67, 68 and 69 need root. When it can, the benchmark runs itself in a network
// namespace of its own (loopback only), so nothing reaches a real interface and no DHCP client on
// the host is disturbed.

#include "common/ValueHelpers.h"
#include "upgrade/UpgradeLink.h"
#include "upgrade/UpgradeSession.h"
#include "upgrade/UpgradeWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef Q_OS_UNIX
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

constexpr int kImageSize = 1024 * 1024;
constexpr int kRuns = 5;
const QString kMac = QStringLiteral("D8B04C00BE01");
const QString kLoopback = QStringLiteral("127.0.0.1");

QByteArray makeImage()
{
    QByteArray bytes = QByteArrayLiteral("X7BL");
    quint32 x = 99;
    while (bytes.size() < kImageSize) {
        x = x * 1664525u + 1013904223u;
        bytes += char(x >> 24);
    }
    return bytes;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Waits until the boot loader has written `image` to `path`.
bool imageArrived(const QString &path, const QByteArray &image)
{
    for (int i = 0; i < 200; ++i) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly) && f.readAll() == image)
            return true;
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return false;
}

#ifdef Q_OS_UNIX
// The anchor: every block from a blocking socket, each after the previous acknowledgement.
// Returns the seconds taken, or a negative number when an acknowledgement did not come.
double bareLockStep(const QByteArray &image)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(UpgradePorts::kModuleData);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval wait{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const int blocks = upgradeBlockCount(image.size());
    QElapsedTimer clock;
    clock.start();
    for (int k = 1; k <= blocks; ++k) {
        const QByteArray block = upgradeDataBlock(image, k);
        ::sendto(fd, block.constData(), size_t(block.size()), 0,
                 reinterpret_cast<const sockaddr *>(&to), sizeof to);
        for (;;) {
            unsigned char ack[16];
            const ssize_t n = ::recv(fd, ack, sizeof ack, 0);
            if (n < 0) {
                ::close(fd);
                return -1;
            }
            if (n == 4 && ack[1] == 4 && ((ack[2] << 8) | ack[3]) == (k & 0xFFFF))
                break;
        }
    }
    const double s = clock.nsecsElapsed() / 1e9;
    ::close(fd);
    return s;
}
#endif

// Runs itself again in a network namespace of its own, loopback up, when it can.
void isolate(int argc, char *argv[])
{
#ifdef Q_OS_UNIX
    if (qEnvironmentVariableIsSet("X7_BENCH_ISOLATED") || geteuid() != 0)
        return;
    qputenv("X7_BENCH_ISOLATED", "1");
    if (std::system("unshare --net true 2>/dev/null") != 0)
        return;
    std::vector<char *> args{const_cast<char *>("unshare"), const_cast<char *>("--net"),
                             const_cast<char *>("sh"), const_cast<char *>("-c"),
                             const_cast<char *>("ip link set lo up && exec \"$0\" \"$@\"")};
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execvp("unshare", args.data());
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
#ifndef Q_OS_UNIX
    std::fprintf(stderr, "bench_upgrade: needs a Unix system\n");
    return 1;
#else
    if (geteuid() != 0) {
        std::fprintf(stderr, "bench_upgrade: ports 9, 67, 68 and 69 need root; run it as root\n");
        return 1;
    }
    isolate(argc, argv);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setBindAddressOverride({kLoopback});

    const QString sim = qEnvironmentVariableIsSet("X7SIM")
                            ? QString::fromLocal8Bit(qgetenv("X7SIM"))
                            : QCoreApplication::applicationDirPath() + QStringLiteral("/x7sim");
    if (!QFileInfo(sim).isExecutable()) {
        std::fprintf(stderr, "bench_upgrade: no x7sim at %s (set X7SIM)\n", qPrintable(sim));
        return 1;
    }
    QTemporaryDir dir;
    const QString imagePath = dir.filePath(QStringLiteral("image.bin"));
    const QString outPath = dir.filePath(QStringLiteral("received.bin"));
    const QByteArray image = makeImage();
    {
        QFile f(imagePath);
        if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
            return 1;
    }
    QProcess loader;
    loader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    loader.start(sim,
                 {"--bootloader", "--bind", kLoopback, "--mac", kMac, "--out", outPath, "--quiet"});
    QByteArray out;
    while (!out.contains("ready")) {
        if (!loader.waitForReadyRead(5000)) {
            std::fprintf(stderr, "bench_upgrade: x7sim did not start\n");
            return 1;
        }
        out += loader.readAllStandardOutput();
    }

    const int blocks = upgradeBlockCount(image.size());
    std::printf("bench_upgrade: %d-byte image, %d blocks of up to 512 bytes, x7sim boot loader on "
                "loopback%s, %d runs each (medians)\n",
                int(image.size()), blocks,
                qEnvironmentVariableIsSet("X7_BENCH_ISOLATED") ? " (own network namespace)" : "",
                kRuns);

    UpgradeWindow window;
    window.setFields(kLoopback, kMac, imagePath);
    window.openFor(QString(), QString(), kLoopback);
    qint64 fileRequestNs = 0;
    QElapsedTimer clock;
    QObject::connect(window.link(), &UpgradeLink::datagramReceived, &window,
                     [&](quint16 port, const QString &, const QByteArray &) {
                         if (port == UpgradePorts::kFileRequest && fileRequestNs == 0)
                             fileRequestNs = clock.nsecsElapsed();
                     });
    auto *program = window.findChild<QPushButton *>(QStringLiteral("btn_Program"));

    std::vector<double> whole, data, anchor;
    bool allIdentical = true;
    for (int run = 0; run < kRuns; ++run) {
        QFile::remove(outPath);
        const double a = bareLockStep(image);
        if (a < 0) {
            std::fprintf(stderr, "bench_upgrade: the anchor lost an acknowledgement\n");
            return 1;
        }
        anchor.push_back(a);
        allIdentical = imageArrived(outPath, image) && allIdentical;

        QFile::remove(outPath);
        QSignalSpy finished(&window, &UpgradeWindow::finished);
        fileRequestNs = 0;
        clock.start();
        program->click();
        if (!finished.wait(60000) ||
            finished.at(0).at(0).value<UpgradeResult>() != UpgradeResult::Succeeded) {
            std::fprintf(stderr, "bench_upgrade: the upgrade did not succeed\n");
            return 1;
        }
        const qint64 endNs = clock.nsecsElapsed();
        whole.push_back(endNs / 1e9);
        data.push_back((endNs - fileRequestNs) / 1e9);
        allIdentical = imageArrived(outPath, image) && allIdentical;
    }

    const double w = median(whole), d = median(data), an = median(anchor);
    std::printf("  %-44s %8.3f s  %8.0f blocks/s\n", "bare lock-step loop (anchor)", an,
                blocks / an);
    std::printf("  %-44s %8.3f s  %8.0f blocks/s  %.2fx the anchor\n",
                "upgrade window, read request to success", d, blocks / d, d / an);
    std::printf("  %-44s %8.3f s  %8.0f blocks/s  %.2fx the anchor\n",
                "upgrade window, wake-up to success", w, blocks / w, w / an);
    std::printf("  received images byte-identical: %s\n", allIdentical ? "yes" : "NO");
    loader.terminate();
    loader.waitForFinished(2000);
    return allIdentical ? 0 : 1;
#endif
}
