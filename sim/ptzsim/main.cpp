// ptzsim: plays a pan-tilt head with a searchlight for ptzdesk, on TCP, a pseudo-terminal or a
// serial port.

#include "HeadSim.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "ptzsim: %s\n", message.toLocal8Bit().constData());
    std::exit(2);
}

int intOption(const QCommandLineParser &parser, const QCommandLineOption &option, int low, int high)
{
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high)
        fail(QStringLiteral("--%1 wants a number from %2 to %3")
                 .arg(option.names().constLast())
                 .arg(low)
                 .arg(high));
    return value;
}

double doubleOption(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    bool ok = false;
    const double value = parser.value(option).toDouble(&ok);
    if (!ok)
        fail(QStringLiteral("--%1 wants a number").arg(option.names().constLast()));
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ptzsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a pan-tilt head with a searchlight for ptzdesk.\n\n"
        "The head reads 7-byte frames: FF addr 00 cmd data1 data2 sum (sum of bytes 1-5) for\n"
        "motion, presets, tracks, cruise, light on/off, absolute angles and position queries, and\n"
        "68 addr 01 02 mode level sum (sum of bytes 0-5) for the light modes. It checks every\n"
        "checksum, logs every frame in hex with its meaning, keeps its pan angle (0-360, "
        "wrapping)\n"
        "and tilt angle (0-180): a move turns the head at its speed byte times --step degrees per\n"
        "second until a stop; an absolute set or a preset call moves it at once. It answers a\n"
        "pan query (cmd 0x51) with FF addr 00 59 hi lo sum and a tilt query (0x53) with\n"
        "FF addr 00 5B hi lo sum, the angle in hundredths of a degree, high byte first.\n\n"
        "Link (one of them; TCP is the default):\n"
        "  --tcp [--bind 127.0.0.1] [--port 4196]   listen for the console's TCP connection;\n"
        "                                           port 0 picks a free one. Prints\n"
        "                                           'ptzsim: listening on ADDRESS:PORT'.\n"
        "  --pty                                    open a pseudo-terminal and print\n"
        "                                           'ptzsim: pty /dev/pts/N'; type that path\n"
        "                                           as the console's port.\n"
        "  --serial DEVICE                          use a real serial port at 9600 8N1.\n\n"
        "Log (standard output): each frame received as 'rx HEX | meaning | at MS ms' (MS since\n"
        "the start); bytes that are no frame as 'rx HEX | junk, ...', a frame with a wrong sum\n"
        "as 'rx HEX | bad checksum, ...', and the start of a frame whose rest does not follow\n"
        "within 200 ms as 'rx HEX | junk, cut frame ...'.\n\n"
        "Examples:\n"
        "  ptzsim                                   head on 127.0.0.1:4196\n"
        "  ptzsim --pty --split 2 --split-delay 15  replies in two pieces 15 ms apart\n"
        "  ptzsim --tcp --port 0 --flood 200        200 random bytes every 10 ms"));
    parser.addHelpOption();

    const QCommandLineOption tcp(QStringLiteral("tcp"), QStringLiteral("Listen on TCP."));
    const QCommandLineOption bind(QStringLiteral("bind"),
                                  QStringLiteral("TCP address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port (default 4196; 0 = any free port)."),
                                  QStringLiteral("port"), QStringLiteral("4196"));
    const QCommandLineOption pty(QStringLiteral("pty"), QStringLiteral("Use a pseudo-terminal."));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Use this serial port at 9600 8N1."),
                                    QStringLiteral("device"));
    const QCommandLineOption address(
        QStringLiteral("address"),
        QStringLiteral("Answer only frames to this device number 0-255 (default: any)."),
        QStringLiteral("n"));
    const QCommandLineOption split(QStringLiteral("split"),
                                   QStringLiteral("Send each reply in this many pieces (1-7)."),
                                   QStringLiteral("pieces"), QStringLiteral("1"));
    const QCommandLineOption splitDelay(
        QStringLiteral("split-delay"),
        QStringLiteral("Milliseconds between two pieces of a reply (default 10)."),
        QStringLiteral("ms"), QStringLiteral("10"));
    const QCommandLineOption noReply(QStringLiteral("no-reply"),
                                     QStringLiteral("Never answer position queries."));
    const QCommandLineOption garbage(
        QStringLiteral("garbage"),
        QStringLiteral("Answer position queries with 7 random bytes instead of the reply."));
    const QCommandLineOption flood(
        QStringLiteral("flood"),
        QStringLiteral("Send this many random bytes to every connected console each 10 ms."),
        QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption step(
        QStringLiteral("step"),
        QStringLiteral("Degrees per second for each unit of a speed byte (default 0.5)."),
        QStringLiteral("degrees"), QStringLiteral("0.5"));
    const QCommandLineOption pan(QStringLiteral("pan"),
                                 QStringLiteral("Pan angle at start (default 0)."),
                                 QStringLiteral("degrees"), QStringLiteral("0"));
    const QCommandLineOption tilt(QStringLiteral("tilt"),
                                  QStringLiteral("Tilt angle at start (default 90)."),
                                  QStringLiteral("degrees"), QStringLiteral("90"));
    const QCommandLineOption quiet(QStringLiteral("quiet"),
                                   QStringLiteral("Log only the announcement and errors."));
    parser.addOptions({tcp, bind, port, pty, serial, address, split, splitDelay, noReply, garbage,
                       flood, step, pan, tilt, quiet});
    parser.process(app);

    SimOptions options;
    if (parser.isSet(address))
        options.head.address = intOption(parser, address, 0, 255);
    options.head.degreesPerStep = doubleOption(parser, step);
    options.head.pan = doubleOption(parser, pan);
    options.head.tilt = doubleOption(parser, tilt);
    options.splitPieces = intOption(parser, split, 1, 7);
    options.splitDelayMs = intOption(parser, splitDelay, 0, 10000);
    options.noReply = parser.isSet(noReply);
    options.replyGarbage = parser.isSet(garbage);
    options.floodBytes = intOption(parser, flood, 0, 100000);
    options.quiet = parser.isSet(quiet);

    const int links = int(parser.isSet(tcp)) + int(parser.isSet(pty)) + int(parser.isSet(serial));
    if (links > 1)
        fail(QStringLiteral("choose one of --tcp, --pty and --serial"));

    HeadSim sim(options);
    QString error;
    if (parser.isSet(pty)) {
        if (!sim.openPty(&error))
            fail(QStringLiteral("cannot open a pseudo-terminal: %1").arg(error));
    } else if (parser.isSet(serial)) {
        if (!sim.openSerial(parser.value(serial), &error))
            fail(QStringLiteral("cannot open %1: %2").arg(parser.value(serial), error));
    } else {
        const QHostAddress host(parser.value(bind));
        if (host.isNull())
            fail(QStringLiteral("--bind wants an IP address"));
        const int tcpPort = intOption(parser, port, 0, 65535);
        if (!sim.listenTcp(host, quint16(tcpPort), &error))
            fail(QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(host.toString())
                     .arg(tcpPort)
                     .arg(error));
    }
    return app.exec();
}
