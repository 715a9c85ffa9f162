#include "SerialFrames.h"

#include "common/ParamBlocks.h"
#include "common/ValueHelpers.h"

namespace {

// Offsets inside the Q1 frame (and the 32-byte reply, which has the same layout).
constexpr int kQ1DestIp = 2;
constexpr int kQ1DestPort = 6;
constexpr int kQ1ModuleIp = 8;
constexpr int kQ1ModulePort = 12;
constexpr int kQ1Gateway = 14;
constexpr int kQ1WorkMode = 18;
constexpr int kQ1Baud = 19;
constexpr int kQ1Format = 22;
constexpr int kQ1Id = 23;
constexpr int kQ1Options = 25;
constexpr int kQ1Mask = 26;
constexpr int kQ1Sum = 30;

QByteArray head(quint8 command)
{
    QByteArray frame;
    frame.append(char(kSerialHead));
    frame.append(char(command));
    return frame;
}

QByteArray framed(quint8 command, const QByteArray &block)
{
    QByteArray frame = head(command) + block;
    frame.append(char(checksum8(block)));
    return frame;
}

quint8 at(const QByteArray &bytes, int i)
{
    return quint8(bytes.at(i));
}

// Four dotted numbers 0-255, blanks ignored; the block order puts the last number first.
std::optional<QByteArray> strictIpBytes(const QString &text)
{
    const QStringList parts = removeSpaces(text).split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    for (const QString &part : parts) {
        const auto v = decimalFieldValue(part);
        if (!v || *v > 255 || part.size() > 3)
            return std::nullopt;
    }
    return ipTextToBytes(text);
}

std::optional<quint32> numberUpTo(const QString &text, quint32 max)
{
    const QString t = text.trimmed();
    if (t.size() > 10)
        return std::nullopt;
    const auto v = decimalFieldValue(t);
    if (!v || *v > max)
        return std::nullopt;
    return v;
}

} // namespace

QByteArray serialReadRequest()
{
    return head(kSerialRead);
}

QByteArray serialExtensionRequest()
{
    return head(kSerialExtension);
}

QByteArray serialCommitFrame()
{
    QByteArray frame = head(kSerialCommit1);
    frame.append(char(kSerialCommit2));
    return frame;
}

QByteArray serialBaseFrame(const QByteArray &param)
{
    return framed(kSerialWriteBase, baseBlock(param));
}

QByteArray serialPortFrame(const QByteArray &param)
{
    return framed(kSerialWritePort, portBlock(param));
}

SerialReply classifySerialReply(const QByteArray &burst)
{
    switch (burst.size()) {
    case 1:
        return at(burst, 0) == kSerialAck ? SerialReply::Ack : SerialReply::OtherByte;
    case kQ1ReplySize:
        return SerialReply::Q1Params;
    case kQ2ExtensionReplySize:
        return SerialReply::Extension;
    case kQ2ParamReplySize:
        return SerialReply::Q2Params;
    default:
        return SerialReply::Other;
    }
}

QByteArray paramBlockOfReply(const QByteArray &reply)
{
    return reply.mid(2, kParamBlockSize);
}

CloudParams cloudOfExtension(const QByteArray &reply)
{
    // Bytes 0-29 of the reply sit where a cloud block has its device ID and code.
    return parseCloudParam(reply.left(30));
}

QByteArray heartRegOfExtension(const QByteArray &reply)
{
    return reply.mid(30, kHeartRegBlockSize);
}

SerialWrite buildQ2SerialWrite(const BaseParams &base, const PortParams &port, bool haveRead,
                               StoredAnswers &stored)
{
    SerialWrite result;
    if (!haveRead) {
        result.noRead = true;
        return result;
    }
    QByteArray param = stored.param;
    if (const BuildResult r = buildQ2Base(base, stored.baseFlags, param); !r) {
        result.badField = r.badField;
        return result;
    }
    buildQ2Port(port, stored.portFlags, param);
    stored.param = param;
    result.frames = {serialBaseFrame(param), serialPortFrame(param), serialCommitFrame()};
    return result;
}

quint8 serialFormatByte(int parity, int dataBits, int stopBits)
{
    quint8 value = quint8(dataBits & 0x03);
    if (stopBits != 0)
        value |= 0x04;
    if (parity > 0)
        value |= quint8(0x08 | (((parity - 1) & 0x03) << 4));
    return value;
}

std::optional<Q1Params> parseQ1Reply(const QByteArray &reply)
{
    if (reply.size() != kQ1ReplySize || at(reply, 0) != kSerialHead ||
        at(reply, 1) != kSerialQ1Reply ||
        at(reply, 31) != checksum8(reply.constData() + 2, kQ1ReplySize - 3))
        return std::nullopt;
    auto le16 = [&](int i) { return QString::number(at(reply, i) + 256 * at(reply, i + 1)); };
    Q1Params p;
    p.destIp = ipBytesToText(reply.mid(kQ1DestIp, 4));
    p.destPort = le16(kQ1DestPort);
    p.moduleIp = ipBytesToText(reply.mid(kQ1ModuleIp, 4));
    p.modulePort = le16(kQ1ModulePort);
    p.gateway = ipBytesToText(reply.mid(kQ1Gateway, 4));
    p.workMode = at(reply, kQ1WorkMode);
    p.baud = QString::number(at(reply, kQ1Baud) + 256 * at(reply, kQ1Baud + 1) +
                             65536 * at(reply, kQ1Baud + 2));
    const quint8 format = at(reply, kQ1Format);
    p.parity = decodeParity(format);
    p.dataBits = decodeDataBits(format);
    p.stopBits = decodeStopBits(format) ? 1 : 0;
    p.id = QString::number(bytesToInt(reply.mid(kQ1Id, 2), false));
    p.options = at(reply, kQ1Options);
    p.mask = ipBytesToText(reply.mid(kQ1Mask, 4));
    return p;
}

Q1FrameResult buildQ1Frame(const Q1Params &p)
{
    const auto destIp = strictIpBytes(p.destIp);
    if (!destIp)
        return {{}, QStringLiteral("destIp")};
    const auto destPort = numberUpTo(p.destPort, 0xFFFF);
    if (!destPort)
        return {{}, QStringLiteral("destPort")};
    const auto moduleIp = strictIpBytes(p.moduleIp);
    if (!moduleIp)
        return {{}, QStringLiteral("moduleIp")};
    const auto modulePort = numberUpTo(p.modulePort, 0xFFFF);
    if (!modulePort)
        return {{}, QStringLiteral("modulePort")};
    const auto gateway = strictIpBytes(p.gateway);
    if (!gateway)
        return {{}, QStringLiteral("gateway")};
    if (p.workMode < 0 || p.workMode > 3)
        return {{}, QStringLiteral("workMode")};
    const auto baud = numberUpTo(p.baud, 0xFFFFFF);
    if (!baud || *baud == 0)
        return {{}, QStringLiteral("baud")};
    if (p.parity < 0 || p.parity > 4 || p.dataBits < 0 || p.dataBits > 3 || p.stopBits < 0 ||
        p.stopBits > 1)
        return {{}, QStringLiteral("format")};
    const auto id = numberUpTo(p.id.trimmed().isEmpty() ? QStringLiteral("0") : p.id, 0xFFFF);
    if (!id)
        return {{}, QStringLiteral("id")};
    const auto mask = strictIpBytes(p.mask);
    if (!mask)
        return {{}, QStringLiteral("mask")};

    QByteArray f = head(kSerialWriteQ1);
    f.resize(kQ1FrameSize);
    f.replace(kQ1DestIp, 4, *destIp);
    f.replace(kQ1DestPort, 2, wordToBytes(quint16(*destPort)));
    f.replace(kQ1ModuleIp, 4, *moduleIp);
    f.replace(kQ1ModulePort, 2, wordToBytes(quint16(*modulePort)));
    f.replace(kQ1Gateway, 4, *gateway);
    f[kQ1WorkMode] = char(p.workMode);
    f[kQ1Baud] = char(*baud & 0xFF);
    f[kQ1Baud + 1] = char((*baud >> 8) & 0xFF);
    f[kQ1Baud + 2] = char((*baud >> 16) & 0xFF);
    f[kQ1Format] = char(serialFormatByte(p.parity, p.dataBits, p.stopBits));
    f[kQ1Id] = char((*id >> 8) & 0xFF);
    f[kQ1Id + 1] = char(*id & 0xFF);
    f[kQ1Options] = char(p.options);
    f.replace(kQ1Mask, 4, *mask);
    f[kQ1Sum] = char(checksum8(f.constData() + 2, kQ1BlockSize));
    return {f, {}};
}

QList<SerialLogLine> serialHexLines(const QByteArray &bytes, bool sent)
{
    const SerialLogLine::Tone tone = sent ? SerialLogLine::Sent : SerialLogLine::Received;
    const QString arrow = sent ? QStringLiteral("→") : QStringLiteral("←");
    return {
        {QStringLiteral("[ PC ] %1 [ Device ]").arg(arrow), tone},
        {QStringLiteral("[ Length : %1 ]").arg(bytes.size()), tone},
        {bytesToHexText(bytes), SerialLogLine::Plain},
    };
}
