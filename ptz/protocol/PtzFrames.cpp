#include "protocol/PtzFrames.h"

#include <QLocale>

#include <cmath>

namespace {

quint8 sumOfBytes(const QByteArray &frame, int first, int last)
{
    quint16 sum = 0;
    for (int i = first; i <= last && i < frame.size(); ++i)
        sum += static_cast<quint8>(frame.at(i));
    return static_cast<quint8>(sum & 0xFF);
}

void storeChecksum(QByteArray &frame, int length, quint8 sum)
{
    if (frame.size() < length)
        frame.append(QByteArray(length - frame.size(), '\0'));
    frame[length - 1] = static_cast<char>(sum);
}

quint8 moveCommand(PadDirection direction)
{
    switch (direction) {
    case PadDirection::UpLeft:
        return static_cast<quint8>(PtzCommand::UpLeft);
    case PadDirection::Up:
        return static_cast<quint8>(PtzCommand::Up);
    case PadDirection::UpRight:
        return static_cast<quint8>(PtzCommand::UpRight);
    case PadDirection::Right:
        return static_cast<quint8>(PtzCommand::Right);
    case PadDirection::DownRight:
        return static_cast<quint8>(PtzCommand::DownRight);
    case PadDirection::Down:
        return static_cast<quint8>(PtzCommand::Down);
    case PadDirection::DownLeft:
        return static_cast<quint8>(PtzCommand::DownLeft);
    case PadDirection::Left:
        return static_cast<quint8>(PtzCommand::Left);
    }
    return static_cast<quint8>(PtzCommand::Stop);
}

bool movesPan(PadDirection direction)
{
    return direction != PadDirection::Up && direction != PadDirection::Down;
}

bool movesTilt(PadDirection direction)
{
    return direction != PadDirection::Left && direction != PadDirection::Right;
}

QByteArray positionFrame(quint8 address, PtzCommand command, double degrees)
{
    const qint32 v = angleToHundredths(degrees);
    return commandFrame(address, command, static_cast<quint8>((v / 256) & 0xFF),
                        static_cast<quint8>(v % 256));
}

} // namespace

quint8 commandChecksum(const QByteArray &frame, int length)
{
    return sumOfBytes(frame, 1, length - 2);
}

quint8 lightChecksum(const QByteArray &frame, int length)
{
    return sumOfBytes(frame, 0, length - 2);
}

void completeCommandFrame(QByteArray &frame, int length)
{
    storeChecksum(frame, length, commandChecksum(frame, length));
}

void completeLightFrame(QByteArray &frame, int length)
{
    storeChecksum(frame, length, lightChecksum(frame, length));
}

QByteArray commandFrame(quint8 address, PtzCommand command, quint8 data1, quint8 data2)
{
    QByteArray frame(kPtzFrameLength, '\0');
    frame[0] = static_cast<char>(kCommandSync);
    frame[1] = static_cast<char>(address);
    frame[2] = 0;
    frame[3] = static_cast<char>(command);
    frame[4] = static_cast<char>(data1);
    frame[5] = static_cast<char>(data2);
    completeCommandFrame(frame);
    return frame;
}

QByteArray lightFrame(quint8 address, LightMode mode, quint8 level)
{
    QByteArray frame(kPtzFrameLength, '\0');
    frame[0] = static_cast<char>(kLightHeader);
    frame[1] = static_cast<char>(address);
    frame[2] = 0x01;
    frame[3] = 0x02;
    frame[4] = static_cast<char>(mode);
    frame[5] = static_cast<char>(level);
    completeLightFrame(frame);
    return frame;
}

QByteArray stopFrame(quint8 address)
{
    return commandFrame(address, PtzCommand::Stop, 0, 0);
}

QByteArray moveFrame(quint8 address, PadDirection direction, quint8 panSpeed, quint8 tiltSpeed)
{
    return commandFrame(address, static_cast<PtzCommand>(moveCommand(direction)),
                        movesPan(direction) ? panSpeed : 0, movesTilt(direction) ? tiltSpeed : 0);
}

QByteArray setPresetFrame(quint8 address, quint8 preset)
{
    return commandFrame(address, PtzCommand::SetPreset, 0, preset);
}

QByteArray deletePresetFrame(quint8 address, quint8 preset)
{
    return commandFrame(address, PtzCommand::DeletePreset, 0, preset);
}

QByteArray callPresetFrame(quint8 address, quint8 preset)
{
    return commandFrame(address, PtzCommand::CallPreset, 0, preset);
}

QByteArray autoCruiseFrame(quint8 address)
{
    return callPresetFrame(address, kAutoCruisePreset);
}

QByteArray callTrackFrame(quint8 address, quint8 track)
{
    return commandFrame(address, PtzCommand::CallTrack, 0x01, track);
}

QByteArray lightOnFrame(quint8 address)
{
    return commandFrame(address, PtzCommand::LightOn, 0, 0x02);
}

QByteArray lightOffFrame(quint8 address)
{
    return commandFrame(address, PtzCommand::LightOff, 0, 0x02);
}

QByteArray queryPanPositionFrame(quint8 address)
{
    return commandFrame(address, PtzCommand::QueryPanPosition, 0, 0);
}

QByteArray queryTiltPositionFrame(quint8 address)
{
    return commandFrame(address, PtzCommand::QueryTiltPosition, 0, 0);
}

QByteArray setPanPositionFrame(quint8 address, double degrees)
{
    return positionFrame(address, PtzCommand::SetPanPosition, degrees);
}

QByteArray setTiltPositionFrame(quint8 address, double degrees)
{
    return positionFrame(address, PtzCommand::SetTiltPosition, degrees);
}

qint32 angleToHundredths(double degrees)
{
    const double scaled = degrees * 100.0;
    const double lower = std::floor(scaled);
    const double fraction = scaled - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        rounded = lower + 1.0;
    return static_cast<qint32>(rounded);
}

std::optional<double> numberFromText(const QString &text)
{
    bool ok = false;
    double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::system().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> angleFromText(const QString &text, double maxDegrees)
{
    const auto value = numberFromText(text);
    if (!value || *value < 0.0 || *value > maxDegrees)
        return std::nullopt;
    return value;
}

std::optional<quint8> byteFromSelectorText(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<quint8>(value);
}

QString hexWithSpaces(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char b : bytes) {
        text +=
            QStringLiteral("%1 ").arg(static_cast<quint8>(b), 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}
