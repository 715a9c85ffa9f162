// x7sim: plays one or many X7 serial-to-Ethernet modules on the network for Proj_Q.

#include "BootLoaderSim.h"
#include "SimSerial.h"
#include "X7Sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
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

// The blocks a module has, as its --blocks set would name them.
QString blockNames(const SimModule &module)
{
    QStringList names;
    for (const SimNamedBlock &b : module.blocks())
        names << b.name;
    return names.isEmpty() ? QStringLiteral("none") : names.join(QLatin1Char(','));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("x7sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays X7 serial-to-Ethernet modules for Proj_Q on UDP: answers the search broadcast on\n"
        "port 1500, and the command frames addressed to a module's MAC on ports 1500 and 1901.\n"
        "A Q2 answers from port 1500, a Q3 from port 1901. It listens on both ports of every\n"
        "local address, because a module must see the limited broadcast 255.255.255.255, but\n"
        "answers only senders on the --bind network.\n"
        "\n"
        "Each module keeps its parameter blocks: the 130-byte parameter block (base 0-66, port\n"
        "67-129), the 50-byte cloud block, the 85-byte heartbeat/registration block, the\n"
        "302-byte HTTPD block and a Modbus block of 1, 4, 87 or 100 bytes, with factory\n"
        "contents that match its search answer (the user MAC is its MAC, the static IP its IP,\n"
        "the name its name). Bytes that carry no setting hold A0 + (offset in the block mod 16).\n"
        "A module takes command frames on its own port only (a Q2 on 1500, a Q3 on 1901; the\n"
        "restart 0x02 on 1500 too): a frame on the other port is logged and ignored.\n"
        "A command frame is checked in this order: length byte, checksum (a bad one is answered\n"
        "45 and the expected sum), user name and password (wrong: FF 01 <code> 50 'P'), then\n"
        "the command and its data length (refused: FF 01 <code> 45 'E'). Accepted: 0x03 read\n"
        "answers every block, one datagram each; 0x05 base, 0x06 port, 0x0C cloud, 0x21\n"
        "heartbeat/registration, 0x22 HTTPD 0-100, 0x23 HTTPD 101-301 and 0x24 Modbus (of the\n"
        "module's form) write their bytes; 0x02 restart, 0x04 apply (Q3 only) and 0x0B factory\n"
        "reset; each is acknowledged with FF 01 <code> 4B 'K'. After a restart the module drops\n"
        "everything for --restart-ms. Below version 4017 a module has no heartbeat/registration\n"
        "and HTTPD blocks and refuses 0x21, 0x22 and 0x23 with 'E'. The login, IP and name a\n"
        "module works with are those of its base block, taken at start, restart, apply and\n"
        "factory reset: a write changes them from the next restart on.\n"
        "\n"
        "Output: 'rx' and 'tx' lines with each datagram in hex and its meaning, and a 'module'\n"
        "line with what the module made of a frame (none with --quiet). Block dumps are lines\n"
        "'block <MAC, 12 hex digits> <name> <block in hex>' (names: base, cloud, heart, httpd,\n"
        "modbus1, modbus4, modbus87, modbus100), followed by the line 'dump end'; they are\n"
        "printed after every write with --dump-after-write, before the acknowledgement leaves,\n"
        "and for every module when the line 'dump' arrives on standard input.\n"
        "\n"
        "List options take one value per module, separated by commas (--blocks: by semicolons);\n"
        "modules past the end of a list take its last value.\n"
        "\n"
        "With --bootloader it plays one module's boot loader for a firmware upgrade instead:\n"
        "it answers the wake-up frame for its --mac on port 9 with a BOOTP request broadcast\n"
        "from port 68 to 255.255.255.255:67 that carries its --signature, asks the server of\n"
        "the reply for the file, acknowledges the data blocks on port 13633 and writes its\n"
        "signature and the data to --out. Its frames leave from the --bind address (its own).\n"
        "Ports 9 and 68 need root or the capability cap_net_bind_service.\n"
        "With --serial the first module sits on a serial line in configuration mode instead of\n"
        "the network (no UDP port is bound): 'pty' opens a pseudo-terminal, anything else names\n"
        "a serial device. The line 'x7sim: serial <path>' gives the path to open. Frames: 55 BD\n"
        "read (a Q2 answers its 137-byte parameter reply: 2 head bytes, the parameter block, 5\n"
        "filler bytes; a Q1 its 32-byte Q1 reply), 55 C1 extension (115 bytes: 2 head bytes,\n"
        "cloud ID and code, heartbeat/registration block), 55 BE/BF + block + sum write the\n"
        "base/port block, 55 B1 5A commits, 55 BA + 28-byte Q1 block + sum writes a Q1. Writes\n"
        "with a good sum are acknowledged with the byte 4B; a bad sum is ignored. A Q1 module\n"
        "(--model Q1) has only its 28-byte Q1 block (dump name q1) and never answers on UDP.\n"
        "\n"
        "Example: x7sim --count 3 --model Q2,Q3,Q2 --version 4017,4017,4016 \\\n"
        "         --blocks 'base,cloud,heart,httpd;base' --modbus 4,none,87 --dump-after-write"));
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
                                  QStringLiteral("Module name per module, at most 16 bytes in "
                                                 "the base block; the search answer carries "
                                                 "its first 14 (default X7-<model>-<number>)."),
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
    const QCommandLineOption blocks(
        QStringLiteral("blocks"),
        QStringLiteral("Blocks per module, the modules separated by semicolons: any of base "
                       "(the 130-byte parameter block), cloud, heart, httpd and one of modbus1, "
                       "modbus4, modbus87, modbus100, joined by commas; or none (default "
                       "base,cloud,heart,httpd)."),
        QStringLiteral("sets"), QStringLiteral("base,cloud,heart,httpd"));
    const QCommandLineOption modbus(QStringLiteral("modbus"),
                                    QStringLiteral("Modbus block per module: none, 1, 4, 87 or "
                                                   "100 bytes; replaces the Modbus form of "
                                                   "--blocks (default: as --blocks says)."),
                                    QStringLiteral("list"));
    const QCommandLineOption login(QStringLiteral("login"),
                                   QStringLiteral("Factory login per module as user:password, "
                                                  "each at most 6 bytes (default qpwzk:qpwzk)."),
                                   QStringLiteral("list"), QStringLiteral("qpwzk:qpwzk"));
    const QCommandLineOption restartMs(QStringLiteral("restart-ms"),
                                       QStringLiteral("Milliseconds a module stays silent after "
                                                      "a restart command (default 1000)."),
                                       QStringLiteral("list"), QStringLiteral("1000"));
    const QCommandLineOption mute(QStringLiteral("mute"),
                                  QStringLiteral("Modules that answer the search but no command "
                                                 "frame, by number (1 = the first) or MAC, "
                                                 "separated by commas."),
                                  QStringLiteral("list"));
    const QCommandLineOption dumpAfterWrite(
        QStringLiteral("dump-after-write"),
        QStringLiteral("After every write and factory reset, print the module's blocks."));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Put the first module on a serial line: "
                                                   "'pty' or a device path."),
                                    QStringLiteral("where"));
    const QCommandLineOption serialSplit(QStringLiteral("serial-split-ms"),
                                         QStringLiteral("Send every serial reply in two halves "
                                                        "this many ms apart."),
                                         QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption serialBadSum(QStringLiteral("serial-bad-sum"),
                                          QStringLiteral("Send the Q1 reply with its sum off by "
                                                         "one."));
    const QCommandLineOption serialSilent(QStringLiteral("serial-silent"),
                                          QStringLiteral("Take serial frames but answer none."));
    parser.addOptions({count,        model,       version, name,           mac,    ip,
                       blocks,       modbus,      login,   restartMs,      mute,   bind,
                       listen,       pace,        quiet,   dumpAfterWrite, serial, serialSplit,
                       serialBadSum, serialSilent});
    const QCommandLineOption bootLoader(QStringLiteral("bootloader"),
                                        QStringLiteral("Play a module's boot loader (see above)."));
    const QCommandLineOption signature(
        QStringLiteral("signature"),
        QStringLiteral("Boot loader: its 4-byte hardware signature, as 4 characters or 8 hex "
                       "digits (default X7BL)."),
        QStringLiteral("sig"), QStringLiteral("X7BL"));
    const QCommandLineOption outFile(
        QStringLiteral("out"),
        QStringLiteral("Boot loader: the file the received image is written to (default "
                       "x7sim-firmware-<MAC>.bin in the temporary folder)."),
        QStringLiteral("file"));
    const QCommandLineOption dropAck(
        QStringLiteral("drop-ack"),
        QStringLiteral("Boot loader: lose the first acknowledgement of these blocks (numbers "
                       "or 'last', separated by commas)."),
        QStringLiteral("blocks"));
    const QCommandLineOption dupAck(
        QStringLiteral("dup-ack"),
        QStringLiteral("Boot loader: send the acknowledgement of these blocks twice (numbers or "
                       "'last')."),
        QStringLiteral("blocks"));
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("Boot loader: never answer the wake-up."));
    parser.addOptions({bootLoader, signature, outFile, dropAck, dupAck, silent});
    parser.process(app);

    if (parser.isSet(bootLoader)) {
        BootLoaderSim::Options o;
        if (!parseSimMac(splitList(parser.value(mac)).value(0), o.mac))
            fail(QStringLiteral("bad MAC: %1").arg(parser.value(mac)));
        o.address = QHostAddress(parser.value(bind));
        if (o.address.protocol() != QAbstractSocket::IPv4Protocol ||
            o.address == QHostAddress(QHostAddress::AnyIPv4))
            fail(QStringLiteral("--bind needs the boot loader's own IPv4 address"));
        const QString sig = parser.value(signature);
        o.signature = sig.size() == 8 ? QByteArray::fromHex(sig.toLatin1()) : sig.toLatin1();
        if (o.signature.size() != 4)
            fail(QStringLiteral("--signature needs 4 characters or 8 hex digits"));
        o.outFile =
            parser.isSet(outFile)
                ? parser.value(outFile)
                : QDir::temp().filePath(QStringLiteral("x7sim-firmware-%1.bin")
                                            .arg(QString::fromLatin1(o.mac.toHex().toUpper())));
        auto blockList = [&](const QCommandLineOption &option, QSet<int> &blocks, bool &last) {
            for (const QString &item : splitList(parser.value(option))) {
                bool isNumber = false;
                const int k = item.toInt(&isNumber);
                if (item == QLatin1String("last"))
                    last = true;
                else if (isNumber && k >= 1 && k <= 65535)
                    blocks.insert(k);
                else
                    fail(QStringLiteral("bad block: %1").arg(item));
            }
        };
        blockList(dropAck, o.dropAcks, o.dropLastAck);
        blockList(dupAck, o.duplicateAcks, o.duplicateLastAck);
        o.silent = parser.isSet(silent);
        o.quiet = parser.isSet(quiet);
        BootLoaderSim loader(o);
        if (!loader.start())
            return 1;
        std::fprintf(
            stdout, "x7sim ready: boot loader MAC %s at %s, signature %s, image to %s\n",
            o.mac.toHex(' ').toUpper().constData(), o.address.toString().toLatin1().constData(),
            o.signature.toHex(' ').toUpper().constData(), o.outFile.toLocal8Bit().constData());
        std::fflush(stdout);
        return app.exec();
    }

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
    options.dumpAfterWrite = parser.isSet(dumpAfterWrite);
    const int n = parser.value(count).toInt(&ok);
    if (!ok || n < 1 || n > 100000)
        fail(QStringLiteral("--count needs a number from 1 to 100000"));

    const QStringList models = splitList(parser.value(model));
    const QStringList versions = splitList(parser.value(version));
    const QStringList names = splitList(parser.value(name));
    const QStringList macs = splitList(parser.value(mac));
    const QStringList ips = splitList(parser.value(ip));
    const QStringList blockSets = parser.value(blocks).split(QLatin1Char(';'));
    const QStringList modbusForms = splitList(parser.value(modbus));
    const QStringList logins = splitList(parser.value(login));
    const QStringList restarts = splitList(parser.value(restartMs));

    X7Sim sim(options);
    for (int i = 0; i < n; ++i) {
        SimModuleConfig c;
        if (!parseSimModel(pick(models, i), c.model))
            fail(QStringLiteral("bad model: %1").arg(pick(models, i)));
        c.version = pick(versions, i).toInt(&ok);
        if (!ok || c.version < 0 || c.version > 65535)
            fail(QStringLiteral("bad version: %1").arg(pick(versions, i)));
        QByteArray macBytes, ipBytes;
        if (!parseSimMac(pick(macs, i), macBytes))
            fail(QStringLiteral("bad MAC: %1").arg(pick(macs, i)));
        if (!parseSimIp(pick(ips, i), ipBytes))
            fail(QStringLiteral("bad IP: %1").arg(pick(ips, i)));
        // A single value is the first of a run: module i gets base + i.
        c.mac = i < macs.size() ? macBytes : offsetBytes(macBytes, i - int(macs.size()) + 1);
        c.ip = i < ips.size() ? ipBytes : offsetBytes(ipBytes, i - int(ips.size()) + 1);
        c.name = i < names.size() ? names.at(i)
                                  : QStringLiteral("X7-%1-%2")
                                        .arg(c.model == SimModuleConfig::Q3   ? "Q3"
                                             : c.model == SimModuleConfig::Q1 ? "Q1"
                                                                              : "Q2")
                                        .arg(i + 1);
        if (!parseSimBlockSet(pick(blockSets, i), c.blocks))
            fail(QStringLiteral("bad block set: %1").arg(pick(blockSets, i)));
        if (!modbusForms.isEmpty() && !parseSimModbusForm(pick(modbusForms, i), c.blocks.modbus))
            fail(QStringLiteral("bad Modbus form: %1").arg(pick(modbusForms, i)));
        if (!parseSimLogin(pick(logins, i), c.loginUser, c.loginPassword))
            fail(QStringLiteral("bad login: %1").arg(pick(logins, i)));
        c.restartMs = pick(restarts, i).toInt(&ok);
        if (!ok || c.restartMs < 0)
            fail(QStringLiteral("bad restart time: %1").arg(pick(restarts, i)));
        for (const QString &m : splitList(parser.value(mute))) {
            bool isNumber = false;
            const int number = m.toInt(&isNumber);
            QByteArray muteMac;
            if (isNumber ? number == i + 1 : parseSimMac(m, muteMac) && muteMac == c.mac)
                c.mute = true;
            else if (!isNumber && !parseSimMac(m, muteMac))
                fail(QStringLiteral("bad --mute entry: %1").arg(m));
        }
        sim.addModule(c);
    }
    X7SerialSim *serialSim = nullptr;
    if (parser.isSet(serial)) {
        SimSerialOptions so;
        so.splitMs = parser.value(serialSplit).toInt(&ok);
        if (!ok || so.splitMs < 0)
            fail(QStringLiteral("--serial-split-ms needs a number of milliseconds"));
        so.badSum = parser.isSet(serialBadSum);
        so.silent = parser.isSet(serialSilent);
        so.dumpAfterWrite = options.dumpAfterWrite;
        serialSim = new X7SerialSim(sim.module(0), so, options.quiet, &sim);
        QString error;
        if (!serialSim->open(parser.value(serial), &error))
            fail(QStringLiteral("cannot open the serial line: %1").arg(error));
    } else if (!sim.start()) {
        return 1;
    }
    sim.watchStandardInput();
    for (int i = 0; i < sim.moduleCount() && i < 20; ++i) {
        const SimModuleConfig &c = sim.module(i)->config();
        std::fprintf(stdout, "module %d: %s %s version %d MAC %s IP %s blocks %s\n", i + 1,
                     c.model == SimModuleConfig::Q3   ? "Q3"
                     : c.model == SimModuleConfig::Q1 ? "Q1"
                                                      : "Q2",
                     c.name.toLocal8Bit().constData(), c.version,
                     sim.module(i)->macText().toLatin1().constData(),
                     QHostAddress(quint32(c.ip.toHex().toUInt(nullptr, 16)))
                         .toString()
                         .toLatin1()
                         .constData(),
                     blockNames(*sim.module(i)).toLatin1().constData());
    }
    std::fprintf(stdout, "x7sim ready: %d module(s), serving %s\n", sim.moduleCount(),
                 options.serve.toString().toLatin1().constData());
    std::fflush(stdout);
    return app.exec();
}
