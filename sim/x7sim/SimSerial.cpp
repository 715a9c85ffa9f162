#include "SimSerial.h"

#include "../ptzsim/PtyPort.h"

#include <QSerialPort>
#include <cstdio>

namespace {

constexpr quint8 kHead = 0x55;
constexpr char kAck = 0x4B;
constexpr int kStaleMs = 500;

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

int simSerialFrameLength(quint8 command)
{
    switch (command) {
    case 0xBD: // read
    case 0xC1: // extension
    case 0xBC: // Q1 read
        return 2;
    case 0xB1: // commit, 55 B1 5A
        return 3;
    case 0xBE: // base block
        return 2 + kSimBaseSize + 1;
    case 0xBF: // port block
        return 2 + kSimPortSize + 1;
    case 0xBA: // Q1 block
        return 2 + 28 + 1;
    default:
        return 0;
    }
}

SimReply SimModule::handleSerial(const QByteArray &frame)
{
    const quint8 command = quint8(frame.at(1));
    SimMemory &m = mutableMemory();
    const bool q1 = m_config.model == SimModuleConfig::Q1;
    auto answer = [](const QByteArray &bytes, const QString &what) {
        return SimAnswer{bytes, 0, what};
    };
    auto sumOk = [&frame] {
        return simChecksum(frame, 2, int(frame.size()) - 2) == quint8(frame.back());
    };
    auto ack = [&](const QString &note) {
        SimReply r{{answer(QByteArray(1, kAck), QStringLiteral("acknowledgement"))}, note, true};
        return r;
    };
    auto silent = [](const QString &note) { return SimReply{{}, note, false}; };

    switch (command) {
    case 0xBD:
    case 0xBC:
        if (q1 || command == 0xBC) {
            if (m.q1.isEmpty())
                return silent(QStringLiteral("Q1 read: no Q1 block, no answer"));
            QByteArray r = QByteArray("\x55\xBC", 2) + m.q1;
            r.append(char(0xA0 | (30 & 0x0F))); // byte 30 carries nothing
            r.append(char(simChecksum(r, 2, 30)));
            return {{answer(r, QStringLiteral("Q1 reply"))}, QStringLiteral("Q1 read"), false};
        }
        if (m.param.isEmpty())
            return silent(QStringLiteral("read: no parameter block, no answer"));
        {
            QByteArray r = QByteArray("\x55\xBD", 2) + m.param;
            for (int i = 0; i < 5; ++i)
                r.append(char(simFillByte(132 + i)));
            return {{answer(r, QStringLiteral("parameter reply"))}, QStringLiteral("read"), false};
        }
    case 0xC1: {
        if (q1)
            return silent(QStringLiteral("extension request: a Q1 has none"));
        QByteArray r = QByteArray("\x55\xC1", 2);
        const QByteArray cloud = m.cloud.isEmpty() ? QByteArray(kSimCloudSize, '\0') : m.cloud;
        r += cloud.mid(2, 28);
        r += m.heartReg.isEmpty() ? QByteArray(kSimHeartRegSize, '\0') : m.heartReg;
        return {{answer(r, QStringLiteral("extension reply"))}, QStringLiteral("extension"), false};
    }
    case 0xBE:
    case 0xBF: {
        if (q1 || m.param.isEmpty())
            return silent(QStringLiteral("block write: no parameter block, ignored"));
        if (!sumOk())
            return silent(QStringLiteral("block write with a wrong sum: ignored"));
        const int offset = command == 0xBE ? 0 : kSimBaseSize;
        m.param.replace(offset, int(frame.size()) - 3, frame.mid(2, frame.size() - 3));
        return ack(QStringLiteral("%1 block written: K")
                       .arg(command == 0xBE ? QStringLiteral("base") : QStringLiteral("port")));
    }
    case 0xB1: {
        if (quint8(frame.at(2)) != 0x5A)
            return silent(QStringLiteral("commit without 5A: ignored"));
        takeEffect();
        SimReply r = ack(QStringLiteral("commit: settings in effect: K"));
        r.blocksChanged = false;
        return r;
    }
    case 0xBA:
        if (!q1)
            return silent(QStringLiteral("Q1 write to a Q2: ignored"));
        if (!sumOk())
            return silent(QStringLiteral("Q1 write with a wrong sum: ignored"));
        m.q1 = frame.mid(2, 28);
        return ack(QStringLiteral("Q1 block written: K"));
    default:
        return silent(QStringLiteral("unknown command"));
    }
}

SimSerialLine::SimSerialLine(SimModule *module, const SimSerialOptions &options)
    : m_module(module)
    , m_options(options)
{
}

SimSerialLine::Output SimSerialLine::feed(const QByteArray &bytes, qint64 nowMs)
{
    Output out;
    if (!m_pending.isEmpty() && nowMs - m_lastByteMs > kStaleMs) {
        out.notes << QStringLiteral("dropped a partial frame: %1").arg(hex(m_pending));
        m_pending.clear();
    }
    m_lastByteMs = nowMs;
    m_pending += bytes;
    while (!m_pending.isEmpty()) {
        if (quint8(m_pending.at(0)) != kHead) {
            const qsizetype next = m_pending.indexOf(char(kHead));
            const QByteArray junk = next < 0 ? m_pending : m_pending.left(next);
            out.notes << QStringLiteral("skipped bytes that start no frame: %1").arg(hex(junk));
            m_pending.remove(0, junk.size());
            continue;
        }
        if (m_pending.size() < 2)
            break;
        const int length = simSerialFrameLength(quint8(m_pending.at(1)));
        if (length == 0) {
            out.notes << QStringLiteral("unknown command %1: skipped").arg(hex(m_pending.left(2)));
            m_pending.remove(0, 2);
            continue;
        }
        if (m_pending.size() < length)
            break;
        const QByteArray frame = m_pending.left(length);
        m_pending.remove(0, length);
        const SimReply reply = m_module->handleSerial(frame);
        out.notes << QStringLiteral("frame %1: %2").arg(hex(frame.left(3)), reply.note);
        out.blocksChanged = out.blocksChanged || reply.blocksChanged;
        if (m_options.silent)
            continue;
        for (SimAnswer a : reply.answers) {
            if (m_options.badSum && a.bytes.size() == 32)
                a.bytes[31] = char(quint8(a.bytes.at(31)) + 1);
            out.replies << a.bytes;
        }
    }
    return out;
}

X7SerialSim::X7SerialSim(SimModule *module, const SimSerialOptions &options, bool quiet,
                         QObject *parent)
    : QObject(parent)
    , m_module(module)
    , m_line(module, options)
    , m_options(options)
    , m_quiet(quiet)
{
    m_clock.start();
}

bool X7SerialSim::open(const QString &where, QString *error)
{
    if (where == QLatin1String("pty")) {
        m_pty = new PtyPort(this);
        if (!m_pty->open()) {
            *error = m_pty->errorText();
            return false;
        }
        connect(m_pty, &PtyPort::bytesReceived, this, &X7SerialSim::onBytes);
        logLine(QStringLiteral("x7sim: serial %1").arg(m_pty->devicePath()));
        return true;
    }
    m_serial = new QSerialPort(where, this);
    m_serial->setBaudRate(115200);
    if (!m_serial->open(QIODevice::ReadWrite)) {
        *error = m_serial->errorString();
        return false;
    }
    connect(m_serial, &QSerialPort::readyRead, this, [this] { onBytes(m_serial->readAll()); });
    logLine(QStringLiteral("x7sim: serial %1").arg(where));
    return true;
}

void X7SerialSim::onBytes(const QByteArray &bytes)
{
    if (!m_quiet)
        logLine(QStringLiteral("serial rx %1").arg(hex(bytes)));
    const SimSerialLine::Output out = m_line.feed(bytes, m_clock.elapsed());
    if (!m_quiet) {
        for (const QString &note : out.notes)
            logLine(QStringLiteral("   module %1: %2").arg(m_module->macText(), note));
    }
    if (m_options.dumpAfterWrite && out.blocksChanged) {
        for (const QString &line : m_module->dumpLines())
            logLine(line);
        logLine(QStringLiteral("dump end"));
    }
    for (const QByteArray &reply : out.replies) {
        if (m_options.splitMs > 0 && reply.size() > 1) {
            const qsizetype half = reply.size() / 2;
            write(reply.left(half));
            QTimer::singleShot(m_options.splitMs, this,
                               [this, rest = reply.mid(half)] { write(rest); });
        } else {
            write(reply);
        }
    }
}

void X7SerialSim::write(const QByteArray &bytes)
{
    if (!m_quiet)
        logLine(QStringLiteral("serial tx %1").arg(hex(bytes)));
    if (m_pty)
        m_pty->write(bytes);
    else if (m_serial)
        m_serial->write(bytes);
}
