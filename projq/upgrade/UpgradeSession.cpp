#include "UpgradeSession.h"

#include "common/ValueHelpers.h"

#include <QHostAddress>

namespace {

// BOOTP fields
constexpr int kOp = 0;
constexpr int kHtype = 1;
constexpr int kHlen = 2;
constexpr int kHops = 3;
constexpr int kFlags = 10;
constexpr int kYiaddr = 16;
constexpr int kSiaddr = 20;
constexpr int kMismatchMark = 26; // a boot loader that wants to hear of a mismatch sets it
constexpr int kSignature = 44;    // the first bytes of the server-name field
constexpr int kFile = 108;

const QByteArray kFileName = QByteArrayLiteral("firmware.bin");

void putIp(QByteArray &frame, int offset, quint32 ip)
{
    for (int i = 0; i < 4; ++i)
        frame[offset + i] = char((ip >> (24 - 8 * i)) & 0xFF);
}

std::optional<quint32> strictIp(const QString &text)
{
    const QHostAddress a(text.trimmed());
    if (a.protocol() != QAbstractSocket::IPv4Protocol)
        return std::nullopt;
    return a.toIPv4Address();
}

UpgradeActions refusal(const QString &statusKey, std::optional<UpgradeText> detail = {})
{
    UpgradeActions a;
    a.statusKey = statusKey;
    a.detail = std::move(detail);
    a.detailInStatus = a.detail.has_value();
    a.finished = UpgradeResult::Refused;
    return a;
}

QString signatureText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

quint16 word(const QByteArray &bytes, int offset)
{
    return quint16((quint8(bytes.at(offset)) << 8) | quint8(bytes.at(offset + 1)));
}

} // namespace

QByteArray upgradeWakeUpFrame(const QByteArray &mac)
{
    QByteArray frame(6, char(0xAA));
    for (int i = 0; i < 4; ++i)
        frame += mac.left(6);
    return frame;
}

QByteArray upgradeBootReply(const QByteArray &request, quint32 targetIp, quint32 localIp)
{
    QByteArray reply = request;
    reply[kOp] = 2;
    putIp(reply, kYiaddr, targetIp);
    putIp(reply, kSiaddr, localIp);
    reply.replace(kFile, kFileName.size(), kFileName);
    return reply;
}

int upgradeBlockCount(qsizetype imageSize)
{
    // Every block but the last is full; the last is shorter, empty when the data fill whole
    // blocks, so the boot loader always sees the end.
    const qsizetype data = qMax<qsizetype>(0, imageSize - 4);
    return int(data / kUpgradeBlockSize + 1);
}

QByteArray upgradeDataBlock(const QByteArray &image, int block)
{
    const qsizetype offset = 4 + qsizetype(block - 1) * kUpgradeBlockSize;
    QByteArray frame(4, '\0');
    frame[1] = 3;
    frame[2] = char((block >> 8) & 0xFF);
    frame[3] = char(block & 0xFF);
    if (offset < image.size())
        frame += image.mid(offset, kUpgradeBlockSize);
    return frame;
}

std::optional<UpgradeActions> UpgradeSession::checkRequest(const UpgradeRequest &r)
{
    if (r.targetIp.isEmpty() || r.targetMac.isEmpty() || r.localIp.isEmpty())
        return refusal(QStringLiteral("lang_Hint_UpNoClient"));
    if (r.fileName.isEmpty())
        return refusal(QStringLiteral("lang_Hint_UpNoFileName"));
    for (const QString &ip : {r.targetIp, r.localIp}) {
        if (!strictIp(ip))
            return refusal(QStringLiteral("lang_Hint_Upfailed"),
                           UpgradeText{QStringLiteral("lang_Upgrade_BadAddress"), {ip}});
    }
    // Judged on a /24 network whatever the module's own mask: the boot loader has no other.
    if (!sameSubnet(r.targetIp, r.localIp, QStringLiteral("255.255.255.0")).value_or(false)) {
        UpgradeActions a = refusal(QStringLiteral("lang_Hint_UpNoSamNetwork"));
        a.statusInMessageBox = true;
        return a;
    }
    if (!macTextToBytes(r.targetMac) || removeSpaces(r.targetMac).size() != 12)
        return refusal(QStringLiteral("lang_Hint_Upfailed"),
                       UpgradeText{QStringLiteral("lang_Upgrade_BadMac"), {r.targetMac}});
    return std::nullopt;
}

UpgradeActions UpgradeSession::start(const UpgradeRequest &request, const QByteArray &image,
                                     qint64 nowMs)
{
    if (isRunning())
        return {};
    if (auto refused = checkRequest(request))
        return *refused;
    // Four bytes of signature and at least one of data: anything shorter cannot be a firmware.
    if (image.size() < 5)
        return refusal(QStringLiteral("lang_Hint_UpFileTooShort"),
                       UpgradeText{QStringLiteral("lang_Upgrade_FileInfo"),
                                   {QString::number(image.size()), signatureText(image.left(4))}});

    m_phase = Phase::Searching;
    m_targetIpText = request.targetIp.trimmed();
    m_localIpText = request.localIp.trimmed();
    m_targetIp = *strictIp(m_targetIpText);
    m_localIp = *strictIp(m_localIpText);
    m_image = image;
    m_blockCount = upgradeBlockCount(image.size());
    m_currentBlock = 0;
    m_lastAcked = 0;
    m_retries = -1;
    m_startMs = nowMs;
    m_transferStartMs = nowMs;

    UpgradeActions a;
    a.openSockets = true;
    a.frames << UpgradeFrame{UpgradePorts::kWakeUp, kBroadcastIp, UpgradePorts::kWakeUp,
                             upgradeWakeUpFrame(*macTextToBytes(request.targetMac))};
    a.statusKey = QStringLiteral("lang_Hint_UpSearching");
    a.detail = UpgradeText{QStringLiteral("lang_Upgrade_FileInfo"),
                           {QString::number(image.size()), signatureText(signature())}};
    a.progress = 0;
    a.timer = UpgradeActions::Timer::Start;
    a.timerMs = kUpgradeSearchMs;
    return a;
}

UpgradeActions UpgradeSession::datagram(quint16 localPort, const QString &senderIp,
                                        const QByteArray &bytes, qint64 nowMs)
{
    if (m_phase == Phase::Idle)
        return {};
    switch (localPort) {
    case UpgradePorts::kBootServer:
        return onBootRequest(bytes);
    case UpgradePorts::kFileRequest:
        return onFileRequest(senderIp, bytes, nowMs);
    case UpgradePorts::kData:
        return onAck(senderIp, bytes, nowMs);
    default:
        return {};
    }
}

UpgradeActions UpgradeSession::onBootRequest(const QByteArray &bytes)
{
    // Once the file is asked for, a late or repeated request changes nothing.
    if (m_phase != Phase::Searching || bytes.size() != kBootFrameSize)
        return {};
    if (bytes.at(kOp) != 1 || bytes.at(kHtype) != 1 || bytes.at(kHlen) != 6 ||
        bytes.at(kHops) != 0 || bytes.at(kFlags) != 0 || bytes.at(kFlags + 1) != 0)
        return {};
    UpgradeActions a;
    const QByteArray theirs = bytes.mid(kSignature, 4);
    if (theirs != signature()) {
        if (bytes.at(kMismatchMark) == 0)
            return {};
        end(a, UpgradeResult::Mismatch, QStringLiteral("lang_Hint_BinNotMatch"));
        a.detail = UpgradeText{QStringLiteral("lang_Upgrade_SignatureMismatch"),
                               {signatureText(theirs), signatureText(signature())}};
        return a;
    }
    a.statusKey = QStringLiteral("lang_Hint_UpReady");
    a.frames << UpgradeFrame{UpgradePorts::kBootServer, kBroadcastIp, UpgradePorts::kBootClient,
                             upgradeBootReply(bytes, m_targetIp, m_localIp)};
    return a;
}

UpgradeActions UpgradeSession::onFileRequest(const QString &senderIp, const QByteArray &bytes,
                                             qint64 nowMs)
{
    static const QByteArray kRequest = QByteArrayLiteral("\0\1firmware.bin\0octet\0");
    if (bytes.size() != kRequest.size() || senderIp != m_targetIpText)
        return {};
    if (bytes.left(14) != kRequest.left(14) || bytes.mid(15, 5) != kRequest.mid(15, 5))
        return {};
    UpgradeActions a;
    if (m_phase == Phase::Searching) {
        m_phase = Phase::Transferring;
        m_retries = 0;
        m_transferStartMs = nowMs;
        sendBlock(a, 1);
    } else if (m_lastAcked == 0) {
        // The boot loader asks again: block 1 was lost on its way.
        sendBlock(a, 1);
    }
    return a;
}

UpgradeActions UpgradeSession::onAck(const QString &senderIp, const QByteArray &bytes, qint64 nowMs)
{
    if (m_phase != Phase::Transferring || bytes.size() != 4 || senderIp != m_targetIpText)
        return {};
    if (bytes.at(0) != 0 || bytes.at(1) != 4)
        return {};
    // Only the block in flight moves the transfer on: an acknowledgement of an earlier block is
    // a duplicate (answering it would send every later block twice), and one of a block never
    // sent would skip data.
    if (word(bytes, 2) != quint16(m_currentBlock))
        return {};
    m_lastAcked = m_currentBlock;
    UpgradeActions a;
    if (m_lastAcked == m_blockCount) {
        end(a, UpgradeResult::Succeeded, QStringLiteral("lang_Hint_UpSuccess"));
        a.detail = UpgradeText{
            QStringLiteral("lang_Upgrade_Done"),
            {QString::number((nowMs - m_startMs) / 1000.0, 'f', 1), QString::number(retries())}};
        return a;
    }
    sendBlock(a, m_currentBlock + 1);
    const qint64 ms = qMax<qint64>(1, nowMs - m_transferStartMs);
    a.detail = UpgradeText{QStringLiteral("lang_Upgrade_Transfer"),
                           {QString::number(bytesAcknowledged()), QString::number(dataSize()),
                            QString::number(bytesAcknowledged() * 1000.0 / 1024.0 / ms, 'f', 1)}};
    return a;
}

qint64 UpgradeSession::bytesAcknowledged() const
{
    return qMin<qint64>(qint64(m_lastAcked) * kUpgradeBlockSize, dataSize());
}

UpgradeFrame UpgradeSession::dataFrame(int block) const
{
    return {UpgradePorts::kData, m_targetIpText, UpgradePorts::kModuleData,
            upgradeDataBlock(m_image, block)};
}

void UpgradeSession::sendBlock(UpgradeActions &a, int block)
{
    m_currentBlock = block;
    a.frames << dataFrame(block);
    // The share of the data the module has confirmed, not of the blocks sent.
    const int percent = int(bytesAcknowledged() * 100 / dataSize());
    a.progress = percent;
    a.statusKey = QStringLiteral("lang_Hint_UpProgress");
    a.statusSuffix = QString::number(percent) + QLatin1Char('%');
    a.timer = UpgradeActions::Timer::Start;
    a.timerMs = kUpgradeBlockMs;
}

UpgradeActions UpgradeSession::timeout(qint64 nowMs)
{
    UpgradeActions a;
    if (m_phase == Phase::Idle)
        return a;
    if (m_retries >= 0 && m_retries < kUpgradeMaxRetries) {
        ++m_retries;
        // The block in flight again, the last one included: its acknowledgement may be lost.
        sendBlock(a, m_currentBlock);
        return a;
    }
    end(a, UpgradeResult::TimedOut, QStringLiteral("lang_Hint_UpTimeOut"));
    a.detail = UpgradeText{
        QStringLiteral("lang_Upgrade_Done"),
        {QString::number((nowMs - m_startMs) / 1000.0, 'f', 1), QString::number(retries())}};
    return a;
}

UpgradeActions UpgradeSession::socketsFailed(const UpgradeText &reason)
{
    UpgradeActions a;
    if (m_phase == Phase::Idle)
        return a;
    end(a, UpgradeResult::Failed, QStringLiteral("lang_Hint_Upfailed"));
    a.detail = reason;
    a.detailInStatus = true;
    return a;
}

UpgradeActions UpgradeSession::stop()
{
    UpgradeActions a;
    a.timer = UpgradeActions::Timer::Stop;
    a.closeSockets = true;
    a.progress = 0;
    m_phase = Phase::Idle;
    return a;
}

void UpgradeSession::end(UpgradeActions &a, UpgradeResult result, const QString &statusKey)
{
    m_phase = Phase::Idle;
    a.frames.clear();
    a.statusKey = statusKey;
    a.statusSuffix.clear();
    a.timer = UpgradeActions::Timer::Stop;
    a.closeSockets = true;
    a.finished = result;
    // A successful or failed attempt leaves the bar empty; a mismatch leaves it where it was.
    if (result != UpgradeResult::Mismatch)
        a.progress = 0;
    else
        a.progress.reset();
}
