#include "SimModule.h"

#include <QStringList>

namespace {

const QByteArray kSearchFrame("\xFF\x01\x01\x02", 4);

// A command frame: FF, 19 + n, code, MAC (6), user (6), password (6), n data bytes, Checksum8
// of the bytes from offset 1 up to the last data byte.
constexpr int kFrameOverhead = 22;
constexpr int kMacOffset = 3;
constexpr int kUserOffset = 9;
constexpr int kPasswordOffset = 15;
constexpr int kDataOffset = 21;

constexpr char kAckOk = 'K';
constexpr char kAckLogin = 'P';
constexpr char kAckError = 'E';

struct CommandInfo
{
    quint8 code;
    const char *name;
};

constexpr CommandInfo kCommands[] = {
    {0x02, "restart"},
    {0x03, "read parameters"},
    {0x04, "apply"},
    {0x05, "write base block"},
    {0x06, "write port block"},
    {0x0B, "factory reset"},
    {0x0C, "write cloud block"},
    {0x21, "write heartbeat/registration block"},
    {0x22, "write HTTPD URL part"},
    {0x23, "write HTTPD header part"},
    {0x24, "write Modbus block"},
};

QString commandName(quint8 code)
{
    for (const CommandInfo &c : kCommands)
        if (c.code == code)
            return QString::fromLatin1(c.name);
    return QStringLiteral("unknown command");
}

QString hexByte(quint8 value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString codeText(quint8 code)
{
    return QStringLiteral("0x") + hexByte(code);
}

QString spacedHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QByteArray ipFromBlock(const QByteArray &param, int offset)
{
    QByteArray ip(4, '\0');
    for (int i = 0; i < 4; ++i)
        ip[i] = param.at(offset + 3 - i);
    return ip;
}

} // namespace

SimModule::SimModule(const SimModuleConfig &config)
    : m_config(config)
{
    takeEffect();
}

QString SimModule::macText() const
{
    return spacedHex(m_config.mac);
}

const SimMemory &SimModule::memory() const
{
    if (!m_memory)
        m_memory = factoryMemory(m_config);
    return *m_memory;
}

SimMemory &SimModule::mutableMemory()
{
    memory();
    return *m_memory;
}

void SimModule::takeEffect()
{
    // A module without a parameter block keeps its factory identity and login.
    const QByteArray param =
        m_memory && !m_memory->param.isEmpty() ? m_memory->param : factoryParamBlock(m_config);
    m_running.ip = ipFromBlock(param, 9);
    m_running.name = param.mid(21, 16);
    m_running.user = param.mid(37, 6);
    m_running.password = param.mid(43, 6);
}

QList<SimNamedBlock> SimModule::blocks() const
{
    const SimMemory &m = memory();
    QList<SimNamedBlock> out;
    auto add = [&out](const char *name, const QByteArray &bytes) {
        if (!bytes.isEmpty())
            out.append({QString::fromLatin1(name), bytes});
    };
    add("base", m.param);
    add("cloud", m.cloud);
    add("heart", m.heartReg);
    add("httpd", m.httpd);
    if (!m.modbus.isEmpty())
        out.append({QStringLiteral("modbus%1").arg(m.modbus.size()), m.modbus});
    add("q1", m.q1);
    return out;
}

QStringList SimModule::dumpLines() const
{
    const QString mac = QString::fromLatin1(m_config.mac.toHex().toUpper());
    QStringList lines;
    for (const SimNamedBlock &b : blocks())
        lines << QStringLiteral("block %1 %2 %3")
                     .arg(mac, b.name, QString::fromLatin1(b.bytes.toHex().toUpper()));
    return lines;
}

QByteArray SimModule::searchAnswer() const
{
    QByteArray a(36, '\0');
    a[0] = char(0xFF);
    a[1] = char(0x24);
    a[2] = char(0x01);
    a.replace(5, 4, m_running.ip);
    a.replace(9, 6, m_config.mac.left(6));
    a[15] = char(m_config.version & 0xFF);
    a[16] = char((m_config.version >> 8) & 0xFF);
    a.replace(19, 14, m_running.name.left(14));
    return a;
}

bool SimModule::isCommandForMe(const QByteArray &datagram) const
{
    // Every module sees every frame: compare in place, without copying.
    return datagram.size() >= kFrameOverhead && quint8(datagram.at(0)) == 0xFF &&
           QByteArrayView(datagram).sliced(kMacOffset, 6) == QByteArrayView(m_config.mac);
}

SimReply SimModule::handle(const QByteArray &datagram, quint16 localPort, qint64 nowMs)
{
    if (m_config.model == SimModuleConfig::Q1)
        return {}; // configured over its serial line only
    const bool search = datagram == kSearchFrame;
    if (!search && !isCommandForMe(datagram))
        return {};
    if (m_config.mute && !search)
        return {{}, QStringLiteral("muted: dropped"), false};
    if (m_silentUntil) {
        if (nowMs < *m_silentUntil)
            return {{}, QStringLiteral("restarting: dropped"), false};
        m_silentUntil.reset();
    }
    if (search) {
        if (localPort != 1500)
            return {};
        return {{SimAnswer{searchAnswer(), port(), QStringLiteral("search answer")}}, {}, false};
    }
    // A module takes commands on its own family's port only: a frame for it that came in on the
    // other port is logged and ignored, so a program that picks the wrong port is seen. The one
    // exception is the restart on 1500, which the device list sends to a module of either model.
    const bool restartOn1500 = quint8(datagram.at(2)) == 0x02 && localPort == 1500;
    if (localPort != port() && !restartOn1500)
        return {{},
                QStringLiteral("%1 on port %2, but a %3 takes commands on %4 only: ignored")
                    .arg(codeText(quint8(datagram.at(2))) + QLatin1Char(' ') +
                         commandName(quint8(datagram.at(2))))
                    .arg(localPort)
                    .arg(m_config.model == SimModuleConfig::Q3 ? "Q3" : "Q2")
                    .arg(port()),
                false};
    return command(datagram, nowMs);
}

SimReply SimModule::status(quint8 code, char letter, const QString &note) const
{
    QByteArray ack("\xFF\x01", 2);
    ack.append(char(code));
    ack.append(letter);
    const QString what =
        QStringLiteral("%1 for %2").arg(QString(QLatin1Char(letter)), codeText(code));
    return {{SimAnswer{ack, port(), what}}, note, false};
}

SimReply SimModule::command(const QByteArray &frame, qint64 nowMs)
{
    const quint8 code = quint8(frame.at(2));
    const int lengthByte = quint8(frame.at(1));
    if (lengthByte != frame.size() - 3)
        return status(code, kAckError,
                      QStringLiteral("length byte %1 does not match a frame of %2 bytes: E")
                          .arg(lengthByte)
                          .arg(frame.size()));

    const quint8 expected = simChecksum(frame, 1, int(frame.size()) - 2);
    const quint8 got = quint8(frame.back());
    if (got != expected) {
        QByteArray answer(1, kAckError);
        answer.append(char(expected));
        return {
            {SimAnswer{answer, port(),
                       QStringLiteral("E, expected checksum %1").arg(hexByte(expected))}},
            QStringLiteral("checksum %1, expected %2: E %2").arg(hexByte(got), hexByte(expected)),
            false};
    }

    if (frame.mid(kUserOffset, 6) != m_running.user ||
        frame.mid(kPasswordOffset, 6) != m_running.password)
        return status(
            code, kAckLogin,
            QStringLiteral("%1 refused: wrong user name or password: P").arg(commandName(code)));

    return execute(code, frame.mid(kDataOffset, frame.size() - kFrameOverhead), nowMs);
}

SimReply SimModule::execute(quint8 code, const QByteArray &data, qint64 nowMs)
{
    const QString name = commandName(code);
    const bool newFirmware = m_config.version >= kSimFirstVersionWithHttpd;
    auto refuse = [&](const QString &why) {
        return status(code, kAckError, QStringLiteral("%1 refused: %2: E").arg(name, why));
    };
    auto needs = [&](int size) { return data.size() == size; };
    auto wrongSize = [&] { return refuse(QStringLiteral("%1 data bytes").arg(data.size())); };
    auto noBlock = [&](const char *block) {
        return refuse(QStringLiteral("no %1 block").arg(QLatin1String(block)));
    };
    SimMemory &m = mutableMemory();

    switch (code) {
    case 0x02:
        if (!needs(0))
            return wrongSize();
        takeEffect();
        m_silentUntil = nowMs + m_config.restartMs;
        return status(code, kAckOk,
                      QStringLiteral("restart: K, then silent for %1 ms").arg(m_config.restartMs));
    case 0x03:
        return needs(0) ? read() : wrongSize();
    case 0x04:
        if (m_config.model != SimModuleConfig::Q3)
            return refuse(QStringLiteral("a Q2 has no apply command"));
        if (!needs(0))
            return wrongSize();
        takeEffect();
        return status(code, kAckOk, QStringLiteral("apply: settings in effect: K"));
    case 0x05:
    case 0x06:
        if (m.param.isEmpty())
            return noBlock("parameter");
        if (!needs(code == 0x05 ? kSimBaseSize : kSimPortSize))
            return wrongSize();
        return write(code, m.param, code == 0x05 ? 0 : kSimBaseSize, data,
                     QStringLiteral("the parameter block"));
    case 0x0B: {
        if (!needs(0))
            return wrongSize();
        m = factoryMemory(m_config);
        takeEffect();
        SimReply reply = status(code, kAckOk, QStringLiteral("factory reset: K"));
        reply.blocksChanged = true;
        return reply;
    }
    case 0x0C:
        if (m.cloud.isEmpty())
            return noBlock("cloud");
        return needs(kSimCloudSize) ? write(code, m.cloud, 0, data, QStringLiteral("cloud"))
                                    : wrongSize();
    case 0x21:
        if (!newFirmware)
            return refuse(QStringLiteral("firmware %1 has no such block").arg(m_config.version));
        if (m.heartReg.isEmpty())
            return noBlock("heartbeat/registration");
        return needs(kSimHeartRegSize) ? write(code, m.heartReg, 0, data, QStringLiteral("heart"))
                                       : wrongSize();
    case 0x22:
    case 0x23:
        if (!newFirmware)
            return refuse(QStringLiteral("firmware %1 has no such block").arg(m_config.version));
        if (m.httpd.isEmpty())
            return noBlock("HTTPD");
        if (!needs(code == 0x22 ? kSimHttpdUrlPartSize : kSimHttpdHeaderPartSize))
            return wrongSize();
        return write(code, m.httpd, code == 0x22 ? 0 : kSimHttpdUrlPartSize, data,
                     QStringLiteral("httpd"));
    case 0x24:
        if (m.modbus.isEmpty())
            return noBlock("Modbus");
        if (!needs(int(m.modbus.size())))
            return refuse(QStringLiteral("%1 bytes for the %2-byte Modbus block")
                              .arg(data.size())
                              .arg(m.modbus.size()));
        return write(code, m.modbus, 0, data, QStringLiteral("modbus%1").arg(m.modbus.size()));
    default:
        return refuse(QStringLiteral("not a command of this module"));
    }
}

SimReply SimModule::read()
{
    SimReply reply;
    QStringList names;
    for (const SimNamedBlock &b : blocks()) {
        reply.answers.append({b.bytes, port(), QStringLiteral("%1 block").arg(b.name)});
        names << b.name;
    }
    reply.note = QStringLiteral("read parameters: %1")
                     .arg(names.isEmpty() ? QStringLiteral("no blocks") : names.join(", "));
    return reply;
}

SimReply SimModule::write(quint8 code, QByteArray &block, int offset, const QByteArray &data,
                          const QString &what)
{
    block.replace(offset, data.size(), data);
    SimReply reply = status(code, kAckOk,
                            QStringLiteral("%1: %2 bytes into %3 at %4: K")
                                .arg(commandName(code))
                                .arg(data.size())
                                .arg(what)
                                .arg(offset));
    reply.blocksChanged = true;
    return reply;
}

QString describeSimFrame(const QByteArray &datagram)
{
    if (datagram == kSearchFrame)
        return QStringLiteral("search");
    if (datagram.size() < kFrameOverhead || quint8(datagram.at(0)) != 0xFF)
        return QStringLiteral("not a module frame (%1 bytes)").arg(datagram.size());
    const quint8 code = quint8(datagram.at(2));
    return QStringLiteral("%1 %2, %3 data bytes, to %4, user \"%5\"")
        .arg(codeText(code), commandName(code))
        .arg(datagram.size() - kFrameOverhead)
        .arg(spacedHex(datagram.mid(kMacOffset, 6)),
             QString::fromLatin1(datagram.mid(kUserOffset, 6)).remove(QChar(0)));
}

bool parseSimModel(const QString &text, SimModuleConfig::Model &model)
{
    const QString t = text.trimmed().toUpper();
    if (t == QLatin1String("Q2"))
        model = SimModuleConfig::Q2;
    else if (t == QLatin1String("Q3"))
        model = SimModuleConfig::Q3;
    else if (t == QLatin1String("Q1"))
        model = SimModuleConfig::Q1;
    else
        return false;
    return true;
}

bool parseSimMac(const QString &text, QByteArray &mac)
{
    QString digits = text;
    digits.remove(QLatin1Char(' ')).remove(QLatin1Char(':')).remove(QLatin1Char('-'));
    if (digits.size() != 12)
        return false;
    const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
    if (bytes.size() != 6 || bytes.toHex().toUpper() != digits.toUpper().toLatin1())
        return false;
    mac = bytes;
    return true;
}

bool parseSimIp(const QString &text, QByteArray &ip)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    QByteArray out;
    for (const QString &p : parts) {
        bool ok = false;
        const uint v = p.toUInt(&ok);
        if (!ok || v > 255)
            return false;
        out.append(char(v));
    }
    ip = out;
    return true;
}
