#include "LanFrames.h"

#include "common/ValueHelpers.h"

#include <cstdio>

QByteArray buildSearchFrame()
{
    return QByteArray("\xFF\x01\x01\x02", 4);
}

std::optional<QByteArray> buildCommandFrame(const QString &macText, quint8 code,
                                            const QString &user, const QString &password,
                                            const QByteArray &data)
{
    const auto mac = macTextToBytes(macText);
    if (!mac || data.size() > kMaxCommandData)
        return std::nullopt;
    const int n = int(data.size());
    QByteArray frame(22 + n, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(19 + n);
    frame[2] = char(code);
    frame.replace(3, 6, *mac);
    putLoginField(user, frame, 9);
    putLoginField(password, frame, 15);
    frame.replace(21, n, data);
    frame[21 + n] = char(checksum8(frame.constData() + 1, 20 + n));
    return frame;
}

int deviceKindFromPort(quint16 peerPort)
{
    switch (peerPort) {
    case kCfgPort:
        return KindQ2;
    case kCfgPortQ3:
        return KindQ3;
    default:
        return KindUnsupported;
    }
}

std::optional<DeviceEntry> decodeSearchAnswer(const QByteArray &answer, quint16 peerPort,
                                              int socketIndex)
{
    if (answer.size() != kSearchAnswerLength || quint8(answer[0]) != 0xFF ||
        quint8(answer[1]) != 0x24 || quint8(answer[2]) != 0x01)
        return std::nullopt;
    auto byte = [&](int i) { return quint8(answer[i]); };
    DeviceEntry e;
    char ip[16];
    const int ipLength =
        std::snprintf(ip, sizeof ip, "%u.%u.%u.%u", byte(5), byte(6), byte(7), byte(8));
    e.ip = QString::fromLatin1(ip, ipLength);
    e.mac = macBytesToText(answer.mid(9, 6));
    const int version = byte(15) + 256 * byte(16);
    e.version = QString::number(version);
    e.name = bytesToText(answer.mid(19, 14));
    e.kind = version < kFirstSupportedVersion ? int(KindUnsupported) : deviceKindFromPort(peerPort);
    e.socketIndex = socketIndex;
    return e;
}

namespace {

ReplyClass statusReply(quint8 letter)
{
    switch (letter) {
    case 'K':
        return {ReplyKind::Status, StAck, QStringLiteral("ACK")};
    case 'P':
        return {ReplyKind::Status, StLoginError, QStringLiteral("UsrName or Password Error")};
    case 'E':
        return {ReplyKind::Status, StOtherError, QStringLiteral("Other Error")};
    default:
        return {};
    }
}

} // namespace

ReplyClass classifyReply(const QByteArray &d)
{
    const auto n = d.size();
    switch (n) {
    case 1:
        return {ReplyKind::ModbusShort, 0, {}};
    case 2:
        if (quint8(d[0]) == 0x45)
            return {ReplyKind::CheckError, StCheckError, bufferToHexText(d.mid(1, 1), {})};
        return {};
    case 4:
        if (quint8(d[0]) == 0xFF && quint8(d[1]) == 0x01)
            return statusReply(quint8(d[3]));
        return {ReplyKind::ModbusShort, 0, {}};
    case kSearchAnswerLength:
        return {ReplyKind::SearchAnswer, 0, {}};
    case 40:
        return {};
    case 50:
        return {ReplyKind::Cloud, 0, {}};
    case 85:
        return {ReplyKind::HeartReg, 0, {}};
    case 87:
        return {ReplyKind::ModbusPack, 0, {}};
    case 100:
        return {ReplyKind::ModbusNew, 0, {}};
    case 130:
        return {ReplyKind::Base, 0, {}};
    case 302:
        return {ReplyKind::Httpd, 0, {}};
    case 193:
    case 256:
        return {ReplyKind::ForeignModel, StForeignModel, QStringLiteral("Read T6/G82")};
    default:
        return {ReplyKind::UnknownLength, StUnknownLength, QString::number(n)};
    }
}
