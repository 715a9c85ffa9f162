#include "protocol/PtzReply.h"

#include "protocol/PtzFrames.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

quint8 byteAt(const QByteArray &chunk, int index)
{
    return index < chunk.size() ? static_cast<quint8>(chunk.at(index)) : 0;
}

QString positionEntry(const QString &heading, const QByteArray &chunk)
{
    const int hundredths = byteAt(chunk, 4) * 256 + byteAt(chunk, 5);
    return kLineBreak + heading + angleText(hundredths) + QStringLiteral(" °") + kLineBreak;
}

} // namespace

QString angleText(int hundredths)
{
    const int whole = hundredths / 100;
    const int fraction = hundredths % 100;
    if (fraction == 0)
        return QString::number(whole);
    if (fraction % 10 == 0)
        return QStringLiteral("%1.%2").arg(whole).arg(fraction / 10);
    return QStringLiteral("%1.%2").arg(whole).arg(fraction, 2, 10, QLatin1Char('0'));
}

std::optional<QString> parseReply(const QByteArray &chunk)
{
    if (chunk.size() < 4 || byteAt(chunk, 0) != kCommandSync)
        return std::nullopt;
    switch (static_cast<PtzCommand>(byteAt(chunk, 3))) {
    case PtzCommand::PanPositionReply:
        return positionEntry(QStringLiteral("<--水平角度："), chunk);
    case PtzCommand::TiltPositionReply:
        return positionEntry(QStringLiteral("<--垂直角度："), chunk);
    default:
        return kLineBreak + QStringLiteral("<--接收：") + hexWithSpaces(chunk) + kLineBreak;
    }
}

QString sentFrameLogText(const QByteArray &frame)
{
    return kLineBreak + QStringLiteral("-->发送：") + hexWithSpaces(frame) + kLineBreak;
}

QString appendLogEntry(const QString &log, const QString &entry)
{
    const QString text = log + entry;
    return text.size() > kTrafficLogLimit ? QString() : text;
}
