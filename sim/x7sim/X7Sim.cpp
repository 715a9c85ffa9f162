#include "X7Sim.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>
#include <QVariant>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

void logLine(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

X7Sim::X7Sim(const Options &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
{
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &X7Sim::sendNextPaced);
    m_clock.start();
}

X7Sim::~X7Sim() = default;

void X7Sim::addModule(const SimModuleConfig &config)
{
    m_modules.push_back(std::make_unique<SimModule>(config));
}

bool X7Sim::start()
{
    auto open = [this](quint16 port) -> QUdpSocket * {
        auto *socket = new QUdpSocket(this);
        if (!socket->bind(m_options.listen, port)) {
            std::fprintf(stderr, "x7sim: cannot bind %s:%u: %s\n",
                         m_options.listen.toString().toLocal8Bit().constData(), port,
                         socket->errorString().toLocal8Bit().constData());
            return nullptr;
        }
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption,
                                QVariant(4 * 1024 * 1024));
        connect(socket, &QUdpSocket::readyRead, this,
                [this, socket, port] { readPending(socket, port); });
        return socket;
    };
    m_port1500 = open(1500);
    m_port1901 = open(1901);
    return m_port1500 && m_port1901;
}

bool X7Sim::accepts(const QHostAddress &sender) const
{
    const QHostAddress s(sender.toIPv4Address());
    if (m_options.serve == QHostAddress(QHostAddress::AnyIPv4))
        return true;
    if (m_options.serve.isLoopback())
        return s.isLoopback();
    return s.isInSubnet(m_options.serve, 24);
}

void X7Sim::readPending(QUdpSocket *socket, quint16 localPort)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram dg = socket->receiveDatagram();
        if (!dg.isValid())
            break;
        const QHostAddress sender(dg.senderAddress().toIPv4Address());
        if (!accepts(sender))
            continue;
        if (!m_options.quiet)
            logLine(QStringLiteral("rx %1:%2 -> :%3  %4  [%5]")
                        .arg(sender.toString())
                        .arg(dg.senderPort())
                        .arg(localPort)
                        .arg(hex(dg.data()), describeSimFrame(dg.data())));
        const qint64 now = m_clock.elapsed();
        for (auto &module : m_modules) {
            const SimReply reply = module->handle(dg.data(), localPort, now);
            if (!m_options.quiet && !reply.note.isEmpty())
                logLine(QStringLiteral("   module %1: %2").arg(module->macText(), reply.note));
            if (m_options.dumpAfterWrite && reply.blocksChanged)
                printDump(*module);
            for (const SimAnswer &a : reply.answers) {
                Pending p{a.bytes, a.fromPort, sender, quint16(dg.senderPort()), a.what};
                if (m_options.pace > 0) {
                    m_queue.enqueue(p);
                } else {
                    send(p);
                }
            }
        }
        if (m_options.pace > 0 && !m_paceTimer.isActive() && !m_queue.isEmpty()) {
            m_paceClock.start();
            m_paceSent = 0;
            m_paceTimer.start(1);
        }
    }
}

void X7Sim::sendNextPaced()
{
    // The timer ticks every millisecond; send as many answers as the pace allows by now.
    const qint64 due = m_paceClock.elapsed() * m_options.pace / 1000 + 1;
    while (!m_queue.isEmpty() && m_paceSent < due) {
        send(m_queue.dequeue());
        ++m_paceSent;
    }
    if (m_queue.isEmpty())
        m_paceTimer.stop();
}

void X7Sim::send(const Pending &p)
{
    QUdpSocket *socket = p.fromPort == 1901 ? m_port1901 : m_port1500;
    socket->writeDatagram(p.bytes, p.to, p.toPort);
    if (!m_options.quiet)
        logLine(QStringLiteral("tx :%1 -> %2:%3  %4  [%5]")
                    .arg(p.fromPort)
                    .arg(p.to.toString())
                    .arg(p.toPort)
                    .arg(hex(p.bytes), p.what));
}

void X7Sim::printDump(const SimModule &module) const
{
    printBlocks(module);
    logLine(QStringLiteral("dump end"));
}

void X7Sim::printBlocks(const SimModule &module) const
{
    for (const QString &line : module.dumpLines())
        logLine(line);
}

bool X7Sim::watchStandardInput()
{
#ifdef Q_OS_UNIX
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1)
        return false;
    // Started in the background of a terminal: reading would stop the process.
    if (::isatty(STDIN_FILENO) && ::tcgetpgrp(STDIN_FILENO) != ::getpgrp())
        return false;
    m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_stdin, &QSocketNotifier::activated, this, &X7Sim::readStandardInput);
    return true;
#else
    return false;
#endif
}

void X7Sim::readStandardInput()
{
#ifdef Q_OS_UNIX
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // End of input (or an error): stop watching, the simulator runs on.
        m_stdin->setEnabled(false);
        return;
    }
    m_stdinBuffer.append(buffer, n);
    qsizetype end;
    while ((end = m_stdinBuffer.indexOf('\n')) >= 0) {
        runInputCommand(m_stdinBuffer.left(end).trimmed());
        m_stdinBuffer.remove(0, end + 1);
    }
#endif
}

void X7Sim::runInputCommand(const QByteArray &line)
{
    if (line == "dump") {
        for (const auto &module : m_modules)
            printBlocks(*module);
        logLine(QStringLiteral("dump end"));
    } else if (!line.isEmpty()) {
        std::fprintf(stderr, "x7sim: unknown input command: %s (known: dump)\n", line.constData());
    }
}
