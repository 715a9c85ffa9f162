#include "protocol/PtzFrames.h"

#include <QLocale>

#include <cmath>

namespace {

quint8 SumOfBytes(const QByteArray &frame, int first, int last)
{
    quint16 sum = 0;
    for (int i = first; i <= last && i < frame.size(); ++i)
        sum += static_cast<quint8>(frame.at(i));
    return static_cast<quint8>(sum & 0xFF);
}

void StoreChecksum(QByteArray &frame, int length, quint8 sum)
{
    if (frame.size() < length)
        frame.append(QByteArray(length - frame.size(), '\0'));
    frame[length - 1] = static_cast<char>(sum);
}

quint8 MoveCommand(PadDirection direction)
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

bool MovesPan(PadDirection direction)
{
    return direction != PadDirection::Up && direction != PadDirection::Down;
}

bool MovesTilt(PadDirection direction)
{
    return direction != PadDirection::Left && direction != PadDirection::Right;
}

QByteArray PositionFrame(quint8 address, PtzCommand command, double degrees)
{
    const qint32 v = AngleToHundredths(degrees);
    return CommandFrame(address, command, static_cast<quint8>((v / 256) & 0xFF),
                        static_cast<quint8>(v % 256));
}

} // namespace

quint8 CommandChecksum(const QByteArray &frame, int length)
{
    return SumOfBytes(frame, 1, length - 2);
}

quint8 LightChecksum(const QByteArray &frame, int length)
{
    return SumOfBytes(frame, 0, length - 2);
}

void CompleteCommandFrame(QByteArray &frame, int length)
{
    StoreChecksum(frame, length, CommandChecksum(frame, length));
}

void CompleteLightFrame(QByteArray &frame, int length)
{
    StoreChecksum(frame, length, LightChecksum(frame, length));
}

QByteArray CommandFrame(quint8 address, PtzCommand command, quint8 data1, quint8 data2)
{
    QByteArray frame(PtzFrameLength, '\0');
    frame[0] = static_cast<char>(CommandSync);
    frame[1] = static_cast<char>(address);
    frame[2] = 0;
    frame[3] = static_cast<char>(command);
    frame[4] = static_cast<char>(data1);
    frame[5] = static_cast<char>(data2);
    CompleteCommandFrame(frame);
    return frame;
}

QByteArray LightFrame(quint8 address, LightMode mode, quint8 level)
{
    QByteArray frame(PtzFrameLength, '\0');
    frame[0] = static_cast<char>(LightHeader);
    frame[1] = static_cast<char>(address);
    frame[2] = 0x01;
    frame[3] = 0x02;
    frame[4] = static_cast<char>(mode);
    frame[5] = static_cast<char>(level);
    CompleteLightFrame(frame);
    return frame;
}

QByteArray StopFrame(quint8 address)
{
    return CommandFrame(address, PtzCommand::Stop, 0, 0);
}

QByteArray MoveFrame(quint8 address, PadDirection direction, quint8 panSpeed, quint8 tiltSpeed)
{
    return CommandFrame(address, static_cast<PtzCommand>(MoveCommand(direction)),
                        MovesPan(direction) ? panSpeed : 0, MovesTilt(direction) ? tiltSpeed : 0);
}

QByteArray SetPresetFrame(quint8 address, quint8 preset)
{
    return CommandFrame(address, PtzCommand::SetPreset, 0, preset);
}

QByteArray DeletePresetFrame(quint8 address, quint8 preset)
{
    return CommandFrame(address, PtzCommand::DeletePreset, 0, preset);
}

QByteArray CallPresetFrame(quint8 address, quint8 preset)
{
    return CommandFrame(address, PtzCommand::CallPreset, 0, preset);
}

QByteArray AutoCruiseFrame(quint8 address)
{
    return CallPresetFrame(address, AutoCruisePreset);
}

QByteArray CallTrackFrame(quint8 address, quint8 track)
{
    return CommandFrame(address, PtzCommand::CallTrack, 0x01, track);
}

QByteArray LightOnFrame(quint8 address)
{
    return CommandFrame(address, PtzCommand::LightOn, 0, 0x02);
}

QByteArray LightOffFrame(quint8 address)
{
    return CommandFrame(address, PtzCommand::LightOff, 0, 0x02);
}

QByteArray QueryPanPositionFrame(quint8 address)
{
    return CommandFrame(address, PtzCommand::QueryPanPosition, 0, 0);
}

QByteArray QueryTiltPositionFrame(quint8 address)
{
    return CommandFrame(address, PtzCommand::QueryTiltPosition, 0, 0);
}

QByteArray SetPanPositionFrame(quint8 address, double degrees)
{
    return PositionFrame(address, PtzCommand::SetPanPosition, degrees);
}

QByteArray SetTiltPositionFrame(quint8 address, double degrees)
{
    return PositionFrame(address, PtzCommand::SetTiltPosition, degrees);
}

qint32 AngleToHundredths(double degrees)
{
    const double scaled = degrees * 100.0;
    const double lower = std::floor(scaled);
    const double fraction = scaled - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        rounded = lower + 1.0;
    return static_cast<qint32>(rounded);
}

std::optional<double> NumberFromText(const QString &text)
{
    bool ok = false;
    double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        value = QLocale::system().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> AngleFromText(const QString &text, double maxDegrees)
{
    const auto value = NumberFromText(text);
    if (!value || *value < 0.0 || *value > maxDegrees)
        return std::nullopt;
    return value;
}

std::optional<quint8> ByteFromSelectorText(const QString &text)
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

QString HexWithSpaces(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char b : bytes) {
        text +=
            QStringLiteral("%1 ").arg(static_cast<quint8>(b), 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}
