#include "HeadModel.h"

#include <cmath>

namespace {

quint8 at(const QByteArray &bytes, int i)
{
    return static_cast<quint8>(bytes.at(i));
}

QString degrees(double value)
{
    return QString::number(value, 'f', 2);
}

double wrapPan(double pan)
{
    pan = std::fmod(pan, 360.0);
    return pan < 0 ? pan + 360.0 : pan;
}

} // namespace

bool commandChecksumOk(const QByteArray &frame)
{
    if (frame.size() != 7)
        return false;
    int sum = 0;
    for (int i = 1; i <= 5; ++i)
        sum += at(frame, i);
    return (sum & 0xFF) == at(frame, 6);
}

bool lightChecksumOk(const QByteArray &frame)
{
    if (frame.size() != 7)
        return false;
    int sum = 0;
    for (int i = 0; i <= 5; ++i)
        sum += at(frame, i);
    return (sum & 0xFF) == at(frame, 6);
}

QList<FrameReader::Item> FrameReader::feed(const QByteArray &bytes)
{
    m_pending += bytes;
    QList<Item> items;
    QByteArray junk;
    auto flushJunk = [&] {
        if (!junk.isEmpty())
            items.append({junk, Item::Junk});
        junk.clear();
    };
    while (!m_pending.isEmpty()) {
        const quint8 first = at(m_pending, 0);
        if (first != 0xFF && first != 0x68) {
            junk += m_pending.at(0);
            m_pending.remove(0, 1);
            continue;
        }
        if (m_pending.size() < 7)
            break;
        const QByteArray candidate = m_pending.left(7);
        const bool ok = first == 0xFF ? commandChecksumOk(candidate) : lightChecksumOk(candidate);
        flushJunk();
        if (ok) {
            items.append({candidate, Item::Frame});
            m_pending.remove(0, 7);
        } else {
            items.append({candidate, Item::BadChecksum});
            m_pending.remove(0, 1);
        }
    }
    flushJunk();
    // A flood of bytes that never forms a frame must not grow without bound.
    if (m_pending.size() > 4096)
        m_pending = m_pending.right(6);
    return items;
}

QByteArray FrameReader::takePending()
{
    QByteArray pending;
    pending.swap(m_pending);
    return pending;
}

HeadModel::HeadModel(const HeadOptions &options)
    : m_options(options)
    , m_pan(wrapPan(options.pan))
    , m_tilt(std::clamp(options.tilt, 0.0, 180.0))
{
}

void HeadModel::advance(qint64 nowMs)
{
    if (m_lastMs >= 0 && nowMs > m_lastMs) {
        const double seconds = (nowMs - m_lastMs) / 1000.0;
        m_pan = wrapPan(m_pan + m_panRate * seconds);
        m_tilt = std::clamp(m_tilt + m_tiltRate * seconds, 0.0, 180.0);
    }
    m_lastMs = nowMs;
}

void HeadModel::setRates(double panRate, double tiltRate, qint64 nowMs)
{
    advance(nowMs);
    m_panRate = panRate;
    m_tiltRate = tiltRate;
}

double HeadModel::pan(qint64 nowMs)
{
    advance(nowMs);
    return m_pan;
}

double HeadModel::tilt(qint64 nowMs)
{
    advance(nowMs);
    return m_tilt;
}

QByteArray HeadModel::positionReply(quint8 address, quint8 code, double degrees) const
{
    const int v = static_cast<int>(std::lround(degrees * 100.0)) & 0xFFFF;
    QByteArray reply(7, '\0');
    reply[0] = char(0xFF);
    reply[1] = char(address);
    reply[3] = char(code);
    reply[4] = char(v >> 8);
    reply[5] = char(v & 0xFF);
    reply[6] = char((address + code + (v >> 8) + (v & 0xFF)) & 0xFF);
    return reply;
}

HeadModel::Outcome HeadModel::handle(const QByteArray &frame, qint64 nowMs)
{
    const int address = at(frame, 1);
    const QString to = QStringLiteral("addr %1 ").arg(address);
    if (m_options.address >= 0 && address != m_options.address)
        return {to + QStringLiteral("not this head (answers %1), ignored").arg(m_options.address),
                std::nullopt};
    Outcome outcome = at(frame, 0) == 0xFF ? handleCommand(frame, nowMs) : handleLight(frame);
    outcome.meaning.prepend(to);
    return outcome;
}

HeadModel::Outcome HeadModel::handleCommand(const QByteArray &frame, qint64 nowMs)
{
    const quint8 address = at(frame, 1);
    const quint8 command = at(frame, 3);
    const quint8 d1 = at(frame, 4);
    const quint8 d2 = at(frame, 5);
    const double panRate = d1 * m_options.degreesPerStep;
    const double tiltRate = d2 * m_options.degreesPerStep;
    const QString speeds = QStringLiteral(" pan speed %1 tilt speed %2").arg(d1).arg(d2);
    if (at(frame, 2) != 0)
        return {QStringLiteral("command 1 is %1, not 0: ignored").arg(at(frame, 2)), std::nullopt};

    switch (command) {
    case 0x00:
        setRates(0, 0, nowMs);
        return {QStringLiteral("stop at pan %1 tilt %2").arg(degrees(m_pan), degrees(m_tilt)),
                std::nullopt};
    case 0x02:
        setRates(panRate, 0, nowMs);
        return {QStringLiteral("move right") + speeds, std::nullopt};
    case 0x04:
        setRates(-panRate, 0, nowMs);
        return {QStringLiteral("move left") + speeds, std::nullopt};
    case 0x08:
        setRates(0, tiltRate, nowMs);
        return {QStringLiteral("move up") + speeds, std::nullopt};
    case 0x10:
        setRates(0, -tiltRate, nowMs);
        return {QStringLiteral("move down") + speeds, std::nullopt};
    case 0x0A:
        setRates(panRate, tiltRate, nowMs);
        return {QStringLiteral("move up-right") + speeds, std::nullopt};
    case 0x0C:
        setRates(-panRate, tiltRate, nowMs);
        return {QStringLiteral("move up-left") + speeds, std::nullopt};
    case 0x12:
        setRates(panRate, -tiltRate, nowMs);
        return {QStringLiteral("move down-right") + speeds, std::nullopt};
    case 0x14:
        setRates(-panRate, -tiltRate, nowMs);
        return {QStringLiteral("move down-left") + speeds, std::nullopt};
    case 0x03:
        advance(nowMs);
        m_presets.insert(d2, {m_pan, m_tilt});
        return {QStringLiteral("set preset %1 at pan %2 tilt %3")
                    .arg(d2)
                    .arg(degrees(m_pan), degrees(m_tilt)),
                std::nullopt};
    case 0x05:
        m_presets.remove(d2);
        return {QStringLiteral("delete preset %1").arg(d2), std::nullopt};
    case 0x07:
        if (d2 == 0x63) {
            setRates(m_options.cruiseDegreesPerSecond, 0, nowMs);
            return {QStringLiteral("start auto cruise"), std::nullopt};
        }
        setRates(0, 0, nowMs);
        if (m_presets.contains(d2)) {
            std::tie(m_pan, m_tilt) = m_presets.value(d2);
            return {QStringLiteral("call preset %1: pan %2 tilt %3")
                        .arg(d2)
                        .arg(degrees(m_pan), degrees(m_tilt)),
                    std::nullopt};
        }
        return {QStringLiteral("call preset %1 (not set)").arg(d2), std::nullopt};
    case 0x4F:
        return {QStringLiteral("call track %1").arg(d2), std::nullopt};
    case 0x09:
        m_lightOn = true;
        return {QStringLiteral("light on"), std::nullopt};
    case 0x0B:
        m_lightOn = false;
        return {QStringLiteral("light off"), std::nullopt};
    case 0x4B:
    case 0x4D: {
        const double angle = (d1 * 256 + d2) / 100.0;
        setRates(0, 0, nowMs);
        if (command == 0x4B) {
            m_pan = wrapPan(angle);
            return {QStringLiteral("set pan position %1").arg(degrees(angle)), std::nullopt};
        }
        m_tilt = std::clamp(angle, 0.0, 180.0);
        return {QStringLiteral("set tilt position %1").arg(degrees(angle)), std::nullopt};
    }
    case 0x51:
        advance(nowMs);
        return {QStringLiteral("query pan position"), positionReply(address, 0x59, m_pan)};
    case 0x53:
        advance(nowMs);
        return {QStringLiteral("query tilt position"), positionReply(address, 0x5B, m_tilt)};
    default:
        return {QStringLiteral("unknown command 2 0x%1").arg(command, 2, 16, QLatin1Char('0')),
                std::nullopt};
    }
}

HeadModel::Outcome HeadModel::handleLight(const QByteArray &frame)
{
    if (at(frame, 2) != 0x01 || at(frame, 3) != 0x02)
        return {QStringLiteral("light frame with unknown bytes 2-3, ignored"), std::nullopt};
    const quint8 mode = at(frame, 4);
    const quint8 level = at(frame, 5);
    switch (mode) {
    case 0:
        return {QStringLiteral("light level %1").arg(level), std::nullopt};
    case 1:
        return {QStringLiteral("light mode warning"), std::nullopt};
    case 2:
        return {QStringLiteral("light mode drive-away"), std::nullopt};
    case 3:
        return {QStringLiteral("light mode dazzle"), std::nullopt};
    default:
        return {QStringLiteral("light mode %1 unknown").arg(mode), std::nullopt};
    }
}
