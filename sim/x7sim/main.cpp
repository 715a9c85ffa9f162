// x7sim: plays one or many X7 serial-to-Ethernet modules on the network for Proj_Q.

#include "X7Sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "x7sim: %s\n", message.toLocal8Bit().constData());
    std::exit(2);
}

// A list option: "Q2,Q3" -> value i, or the last one for the modules past the list.
QString pick(const QStringList &list, int i)
{
    return list.isEmpty() ? QString() : list.at(qMin<qsizetype>(i, list.size() - 1));
}

QStringList splitList(const QString &text)
{
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char(','));
}

// The module number added to the last byte(s) of a base address.
QByteArray offsetBytes(QByteArray base, int offset)
{
    for (int i = int(base.size()) - 1; i >= 0 && offset > 0; --i) {
        const int v = quint8(base[i]) + offset;
        base[i] = char(v & 0xFF);
        offset = v >> 8;
    }
    return base;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("x7sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays X7 serial-to-Ethernet modules for Proj_Q: answers the search broadcast on UDP 1500\n"
        "(a Q2 answers from port 1500, a Q3 from port 1901) and logs every frame it receives in\n"
        "hex. It listens on ports 1500 and 1901 of every local address, because a module must see\n"
        "the limited broadcast 255.255.255.255, but answers only senders on the --bind network.\n"
        "List options take one value per module, separated by commas; modules past the end of a\n"
        "list take its last value.\n\n"
        "Example: x7sim --count 3 --model Q2,Q3,Q2 --version 4017,4017,2001"));
    parser.addHelpOption();
    const QCommandLineOption count({QStringLiteral("n"), QStringLiteral("count")},
                                   QStringLiteral("Number of modules (default 1)."),
                                   QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Model per module: Q2 or Q3 (default Q2)."),
                                   QStringLiteral("list"), QStringLiteral("Q2"));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Firmware version per module (default 4017; "
                                                    "below 2002 Proj_Q lists it as unsupported)."),
                                     QStringLiteral("list"), QStringLiteral("4017"));
    const QCommandLineOption name(QStringLiteral("name"),
                                  QStringLiteral("Module name per module, at most 14 bytes "
                                                 "(default X7-<model>-<number>)."),
                                  QStringLiteral("list"));
    const QCommandLineOption mac(QStringLiteral("mac"),
                                 QStringLiteral("MAC per module; a single MAC is the first of a "
                                                "run (default D8 B0 4C 00 10 01)."),
                                 QStringLiteral("list"), QStringLiteral("D8B04C001001"));
    const QCommandLineOption ip(QStringLiteral("ip"),
                                QStringLiteral("IP per module; a single IP is the first of a run "
                                               "(default 192.168.0.7)."),
                                QStringLiteral("list"), QStringLiteral("192.168.0.7"));
    const QCommandLineOption bind(QStringLiteral("bind"),
                                  QStringLiteral("Network to serve: a loopback address serves "
                                                 "127.0.0.0/8, 0.0.0.0 every sender, any other "
                                                 "address its /24 (default 127.0.0.1)."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address the ports are bound to (default "
                                                   "0.0.0.0, needed to see broadcasts)."),
                                    QStringLiteral("address"), QStringLiteral("0.0.0.0"));
    const QCommandLineOption pace(QStringLiteral("pace"),
                                  QStringLiteral("Answers per second (default 0: all at once)."),
                                  QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Do not log each frame."));
    parser.addOptions({count, model, version, name, mac, ip, bind, listen, pace, quiet});
    parser.process(app);

    X7Sim::Options options;
    options.serve = QHostAddress(parser.value(bind));
    options.listen = QHostAddress(parser.value(listen));
    if (options.serve.protocol() != QAbstractSocket::IPv4Protocol)
        fail(QStringLiteral("--bind needs an IPv4 address"));
    if (options.listen.protocol() != QAbstractSocket::IPv4Protocol)
        fail(QStringLiteral("--listen needs an IPv4 address"));
    bool ok = false;
    options.pace = parser.value(pace).toInt(&ok);
    if (!ok || options.pace < 0)
        fail(QStringLiteral("--pace needs a number of answers per second"));
    options.quiet = parser.isSet(quiet);
    const int n = parser.value(count).toInt(&ok);
    if (!ok || n < 1 || n > 100000)
        fail(QStringLiteral("--count needs a number from 1 to 100000"));

    const QStringList models = splitList(parser.value(model));
    const QStringList versions = splitList(parser.value(version));
    const QStringList names = splitList(parser.value(name));
    const QStringList macs = splitList(parser.value(mac));
    const QStringList ips = splitList(parser.value(ip));

    X7Sim sim(options);
    for (int i = 0; i < n; ++i) {
        SimModuleConfig c;
        if (!ParseSimModel(pick(models, i), c.model))
            fail(QStringLiteral("bad model: %1").arg(pick(models, i)));
        c.version = pick(versions, i).toInt(&ok);
        if (!ok || c.version < 0 || c.version > 65535)
            fail(QStringLiteral("bad version: %1").arg(pick(versions, i)));
        QByteArray macBytes, ipBytes;
        if (!ParseSimMac(pick(macs, i), macBytes))
            fail(QStringLiteral("bad MAC: %1").arg(pick(macs, i)));
        if (!ParseSimIp(pick(ips, i), ipBytes))
            fail(QStringLiteral("bad IP: %1").arg(pick(ips, i)));
        // A single value is the first of a run: module i gets base + i.
        c.mac = i < macs.size() ? macBytes : offsetBytes(macBytes, i - int(macs.size()) + 1);
        c.ip = i < ips.size() ? ipBytes : offsetBytes(ipBytes, i - int(ips.size()) + 1);
        c.name = i < names.size() ? names.at(i)
                                  : QStringLiteral("X7-%1-%2")
                                        .arg(c.model == SimModuleConfig::Q3 ? "Q3" : "Q2")
                                        .arg(i + 1);
        sim.addModule(c);
    }
    if (!sim.start())
        return 1;
    for (int i = 0; i < sim.moduleCount() && i < 20; ++i) {
        const SimModuleConfig &c = sim.module(i)->config();
        std::fprintf(stdout, "module %d: %s %s version %d MAC %s IP %s\n", i + 1,
                     c.model == SimModuleConfig::Q3 ? "Q3" : "Q2", c.name.toLocal8Bit().constData(),
                     c.version, sim.module(i)->macText().toLatin1().constData(),
                     QHostAddress(quint32(c.ip.toHex().toUInt(nullptr, 16)))
                         .toString()
                         .toLatin1()
                         .constData());
    }
    std::fprintf(stdout, "x7sim ready: %d module(s), serving %s\n", sim.moduleCount(),
                 options.serve.toString().toLatin1().constData());
    std::fflush(stdout);
    return app.exec();
}
