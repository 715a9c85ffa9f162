// Batch-apply benchmark. One x7sim process plays N Q2 modules; the module engine writes the same
// 4-field change into each, one after the other, with the module's save plan, waits for its
// restart, reads it back and compares. The floor is what the modules themselves impose: the
// plan's own pauses plus the restart silence, per module, times N. Loopback only (127.0.0.1);
// run it alone, or in a network namespace of its own: cmake/isolated-net.sh bench_batch.
//
//   bench_batch [--count N] [--restart-ms MS] [--x7sim PATH]

#include "common/ValueHelpers.h"
#include "engine/ModuleEngine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

void say(const char *format, auto... args)
{
    std::printf(format, args...);
    std::fflush(stdout);
}

QString macOf(int i)
{
    return macBytesToText(QByteArray::fromHex(
        QByteArray("025838") + QByteArray::number(0x1000 + i, 16).rightJustified(6, '0')));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption countOption("count", "Modules (default 50).", "N", "50");
    const QCommandLineOption restartOption("restart-ms", "Restart silence (default 1000).", "ms",
                                           "1000");
    const QCommandLineOption simOption(
        "x7sim", "The simulator (default: x7sim beside this program).", "path",
        QDir(QCoreApplication::applicationDirPath()).filePath("x7sim"));
    parser.addOptions({countOption, restartOption, simOption});
    parser.process(app);
    const int count = parser.value(countOption).toInt();
    const int restartMs = parser.value(restartOption).toInt();
    if (count < 1 || restartMs < 0)
        return 2;

    setBindAddressOverride({QStringLiteral("127.0.0.1")});
    QProcess sim;
    sim.setProgram(parser.value(simOption));
    sim.setArguments({"--count", QString::number(count), "--mac", "025838001000", "--restart-ms",
                      QString::number(restartMs), "--quiet"});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start();
    if (!sim.waitForStarted(5000)) {
        say("cannot start %s\n", qPrintable(sim.program()));
        return 1;
    }
    QByteArray banner;
    while (!banner.contains("x7sim ready") && sim.waitForReadyRead(5000))
        banner += sim.readAllStandardOutput();
    if (!banner.contains("x7sim ready")) {
        say("x7sim did not start (module ports in use?)\n");
        return 1;
    }

    ModuleEngine engine;
    QStringList macs;
    for (int i = 0; i < count; ++i)
        macs << macOf(i);
    const ParamRecord changes = {{"port.baud", 9600},
                                 {"port.parity", "even"},
                                 {"port.local", 4001},
                                 {"port.remote_port", 4002}};
    QElapsedTimer clock;
    int code = 0;

    QObject::connect(
        &engine, &ModuleEngine::searchFinished, &app, [&](const QList<DeviceEntry> &found) {
            if (found.size() != count) {
                say("search found %lld of %d modules\n", qlonglong(found.size()), count);
                code = 1;
                QCoreApplication::exit(1);
                return;
            }
            QList<BatchItem> items;
            for (const QString &mac : std::as_const(macs))
                items.append({*engine.knownModule(mac), changes});
            say("batch apply of %lld fields to %d modules, restart silence %d ms\n",
                qlonglong(changes.size()), count, restartMs);
            clock.start();
            engine.apply(items, true);
        });
    QObject::connect(
        &engine, &ModuleEngine::batchFinished, &app, [&](const QList<ModuleResult> &results) {
            const qint64 totalMs = clock.elapsed();
            int ok = 0;
            qint64 slowest = 0;
            for (const ModuleResult &r : results) {
                ok += r.outcome == EngineOutcome::Ok;
                slowest = std::max(slowest, r.elapsedMs);
            }
            // The floor: the plan's own pauses plus the restart silence.
            const PlannedSave plan =
                planSave(results.first().blocks, checkChanges(ModuleModel::Q2, changes).canonical);
            qint64 pauses = 0;
            for (const PlannedFrame &f : plan.plan.frames)
                pauses += f.pauseBeforeMs;
            const qint64 floorPerModule = pauses + restartMs;
            const double perModule = double(totalMs) / count;
            say("modules ok:          %d of %d\n", ok, count);
            say("total:               %.1f s\n", totalMs / 1000.0);
            say("per module:          %.0f ms (slowest %lld ms)\n", perModule, qlonglong(slowest));
            say("floor per module:    %lld ms (plan pauses %lld + restart %d, "
                "%lld frames)\n",
                qlonglong(floorPerModule), qlonglong(pauses), restartMs,
                qlonglong(plan.plan.frames.size()));
            say("floor total:         %.1f s\n", floorPerModule * count / 1000.0);
            say("ratio to the floor:  %.3f (target <= 1.2)\n", perModule / double(floorPerModule));
            code = ok == count ? 0 : 1;
            QCoreApplication::exit(code);
        });
    engine.search(macs);
    app.exec();
    sim.terminate();
    sim.waitForFinished(3000);
    return code;
}
