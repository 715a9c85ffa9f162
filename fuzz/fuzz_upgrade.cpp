// A firmware upgrade attempt against a peer that sends anything in any order: well-formed and
// broken BOOTP requests, file requests and acknowledgements, from the target or another host, on
// any of our ports, with time-outs, failures and restarts in between. The session must keep its
// promises: progress within 0-100, nothing acknowledged past the image, and success only once
// every block was acknowledged, the blocks then holding the image exactly.
//
// Input: two bytes of image size, then events, each an event byte and its own bytes:
//   e % 8 = 0 raw datagram: port selector, two length bytes, the bytes
//           1 BOOTP request: four signature bytes (or the image's when the first is 0), mark byte
//           2 file request: one byte that may spoil it
//           3 acknowledgement: two block-number bytes
//           4 time-out, 5 sockets failed, 6 stop, 7 start again
//   bit 3 of e: the sender is another host; bits 4-7: milliseconds passing (x 250).

#include "upgrade/UpgradeSession.h"

#include <QByteArray>
#include <QMap>

#include <cstddef>
#include <cstdint>

namespace {

const QString kTarget = QStringLiteral("192.168.1.50");
const QString kOther = QStringLiteral("192.168.1.77");

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    bool atEnd() const { return at >= size; }
    quint8 byte() { return at < size ? data[at++] : 0; }
    QByteArray bytes(size_t n)
    {
        n = std::min(n, size - std::min(at, size));
        QByteArray b(reinterpret_cast<const char *>(data + at), qsizetype(n));
        at += n;
        return b;
    }
};

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in{data, size};
    const int dataSize = (in.byte() | (in.byte() << 8)) % 3000 + 1;
    QByteArray image = QByteArrayLiteral("\x5A\x17\x02\x03");
    for (int i = 0; i < dataSize; ++i)
        image.append(char(i * 7 + 3));
    const UpgradeRequest request{kTarget, QStringLiteral("00 11 22 33 44 55"),
                                 QStringLiteral("192.168.1.10"), QStringLiteral("firmware.bin")};

    UpgradeSession session;
    qint64 now = 1000;
    QMap<int, QByteArray> sentBlocks; // the last data frame sent for each block number
    auto apply = [&](const UpgradeActions &a) {
        if (a.progress)
            check(*a.progress >= 0 && *a.progress <= 100);
        check(session.bytesAcknowledged() >= 0 && session.bytesAcknowledged() <= dataSize);
        check(session.currentBlock() <= upgradeBlockCount(image.size()));
        check(session.retries() <= kUpgradeMaxRetries);
        for (const UpgradeFrame &f : a.frames) {
            if (f.toPort != UpgradePorts::kModuleData)
                continue;
            check(f.toIp == kTarget && f.bytes.size() >= 4 &&
                  f.bytes.size() <= 4 + kUpgradeBlockSize);
            sentBlocks[(quint8(f.bytes.at(2)) << 8) | quint8(f.bytes.at(3))] = f.bytes.mid(4);
        }
        if (a.finished) {
            check(!session.isRunning());
            if (*a.finished == UpgradeResult::Succeeded) {
                check(session.bytesAcknowledged() == dataSize);
                QByteArray delivered;
                for (int k = 1; k <= upgradeBlockCount(image.size()); ++k)
                    delivered += sentBlocks.value(k);
                check(delivered == image.mid(4));
            }
        }
    };
    apply(session.start(request, image, now));

    while (!in.atEnd()) {
        const quint8 e = in.byte();
        now += (e >> 4) * 250;
        const QString &sender = (e & 0x08) ? kOther : kTarget;
        switch (e % 8) {
        case 0: {
            static const quint16 ports[] = {UpgradePorts::kBootServer, UpgradePorts::kFileRequest,
                                            UpgradePorts::kData, UpgradePorts::kBootClient};
            const quint16 port = ports[in.byte() % 4];
            const size_t length = (in.byte() | (in.byte() << 8)) % 600;
            apply(session.datagram(port, sender, in.bytes(length), now));
            break;
        }
        case 1: {
            QByteArray boot(kBootFrameSize, '\0');
            boot[0] = 1;
            boot[1] = 1;
            boot[2] = 6;
            QByteArray signature = in.bytes(4);
            if (signature.isEmpty() || signature.at(0) == 0)
                signature = image.left(4);
            boot.replace(44, signature.size(), signature);
            boot[26] = char(in.byte());
            apply(session.datagram(UpgradePorts::kBootServer, sender, boot, now));
            break;
        }
        case 2: {
            QByteArray request = QByteArrayLiteral("\0\1firmware.bin\0octet\0");
            const quint8 spoil = in.byte();
            if (spoil & 0x80)
                request[spoil % request.size()] = char(spoil);
            apply(session.datagram(UpgradePorts::kFileRequest, sender, request, now));
            break;
        }
        case 3: {
            QByteArray ack(4, '\0');
            ack[1] = 4;
            ack[2] = char(in.byte());
            ack[3] = char(in.byte());
            apply(session.datagram(UpgradePorts::kData, sender, ack, now));
            break;
        }
        case 4:
            apply(session.timeout(now));
            break;
        case 5:
            apply(session.socketsFailed({QStringLiteral("lang_Upgrade_SendFailed"), {}}));
            break;
        case 6:
            apply(session.stop());
            check(!session.isRunning());
            break;
        case 7:
            if (!session.isRunning())
                sentBlocks.clear();
            apply(session.start(request, image, now));
            break;
        }
    }
    return 0;
}
