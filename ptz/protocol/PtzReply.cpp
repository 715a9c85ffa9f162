#include "protocol/PtzReply.h"

#include "protocol/PtzFrames.h"

namespace {

const QString LineBreak = QStringLiteral("\r\n");

quint8 ByteAt(const QByteArray &chunk, int index)
{
    return index < chunk.size() ? static_cast<quint8>(chunk.at(index)) : 0;
}

QString PositionEntry(const QString &heading, const QByteArray &chunk)
{
    const int hundredths = ByteAt(chunk, 4) * 256 + ByteAt(chunk, 5);
    return LineBreak + heading + AngleText(hundredths) + QStringLiteral(" °") + LineBreak;
}

} // namespace

QString AngleText(int hundredths)
{
    const int whole = hundredths / 100;
    const int fraction = hundredths % 100;
    if (fraction == 0)
        return QString::number(whole);
    if (fraction % 10 == 0)
        return QStringLiteral("%1.%2").arg(whole).arg(fraction / 10);
    return QStringLiteral("%1.%2").arg(whole).arg(fraction, 2, 10, QLatin1Char('0'));
}

std::optional<QString> ParseReply(const QByteArray &chunk)
{
    if (chunk.size() < 4 || ByteAt(chunk, 0) != CommandSync)
        return std::nullopt;
    switch (static_cast<PtzCommand>(ByteAt(chunk, 3))) {
    case PtzCommand::PanPositionReply:
        return PositionEntry(QStringLiteral("<--水平角度："), chunk);
    case PtzCommand::TiltPositionReply:
        return PositionEntry(QStringLiteral("<--垂直角度："), chunk);
    default:
        return LineBreak + QStringLiteral("<--接收：") + HexWithSpaces(chunk) + LineBreak;
    }
}

QString SentFrameLogText(const QByteArray &frame)
{
    return LineBreak + QStringLiteral("-->发送：") + HexWithSpaces(frame) + LineBreak;
}

QString AppendLogEntry(const QString &log, const QString &entry)
{
    const QString text = log + entry;
    return text.size() > TrafficLogLimit ? QString() : text;
}
