// Any bytes from a module's serial line, arriving in reads cut at any point and with silences
// between them: gathered into bursts as the serial port does, then each burst handled as the COM
// path does (classified, decoded, kept as the template of a serial write that is then built).
//
// Input: a sequence of reads, each a length byte L and L bytes; L = 0 is a silence of the line.

#include "common/ParamBlocks.h"
#include "common/StoredAnswers.h"
#include "common/ValueHelpers.h"
#include "serial/SerialBursts.h"
#include "serial/SerialFrames.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// A broken promise names itself before the fuzzer saves the input.
void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

struct Handler
{
    StoredAnswers stored;
    bool haveRead = false;

    void burst(const QByteArray &burst)
    {
        serialHexLines(burst, false);
        switch (classifySerialReply(burst)) {
        case SerialReply::Q1Params:
            if (const auto params = parseQ1Reply(burst)) {
                // What a read shows is written back unchanged, or refused naming a field (a
                // value the panel cannot show, such as an unknown work mode or baud rate 0).
                const Q1FrameResult frame = buildQ1Frame(*params);
                if (frame.ok()) {
                    check(frame.frame.size() == kQ1FrameSize, "a Q1 frame's size");
                    QByteArray again = frame.frame;
                    again[1] = char(kSerialQ1Reply);
                    again[30] = burst.at(30); // the frame's sum; the reply's free byte
                    again.append(char(checksum8(again.mid(2, 29))));
                    check(parseQ1Reply(again) == params, "a Q1 write reads back the same");
                } else {
                    check(!frame.badField.isEmpty(), "a refused Q1 write names its field");
                }
            }
            break;
        case SerialReply::Extension:
            cloudOfExtension(burst);
            parseHeartReg(heartRegOfExtension(burst));
            break;
        case SerialReply::Q2Params: {
            const QByteArray param = paramBlockOfReply(burst);
            stored.storeReply(param);
            haveRead = true;
            const SerialWrite write = buildQ2SerialWrite(
                parseBaseParam(param), parsePortParam(portBlock(param)), haveRead, stored);
            if (!write.refused()) {
                for (const QByteArray &f : write.frames)
                    serialHexLines(f, true);
                // What was written, read and written again, is written the same.
                const QByteArray written = stored.param;
                const SerialWrite again = buildQ2SerialWrite(
                    parseBaseParam(written), parsePortParam(portBlock(written)), haveRead, stored);
                check(!again.refused(), "a written Q2 block writes again");
                check(stored.param == written, "a Q2 block written twice is the same");
            }
            break;
        }
        case SerialReply::Ack:
        case SerialReply::OtherByte:
        case SerialReply::Other:
            break;
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SerialBursts bursts;
    Handler handler;
    QByteArray sent;     // every byte of every read, in order
    QByteArray received; // every byte of every burst handed on, in order
    auto handOn = [&](const QByteArray &burst) {
        check(!burst.isEmpty() && burst.size() <= SerialBursts::kMaxBurst, "burst size");
        received += burst;
        handler.burst(burst);
    };
    size_t i = 0;
    while (i < size) {
        const size_t length = data[i++];
        if (length == 0) {
            const QByteArray rest = bursts.takeRest();
            if (!rest.isEmpty())
                handOn(rest);
            continue;
        }
        const QByteArray read(reinterpret_cast<const char *>(data + i),
                              qsizetype(std::min(length, size - i)));
        i += size_t(read.size());
        sent += read;
        bursts.add(read);
        for (QByteArray full = bursts.takeFull(); !full.isEmpty(); full = bursts.takeFull()) {
            check(full.size() == SerialBursts::kMaxBurst, "a full burst");
            handOn(full);
        }
        check(bursts.pendingSize() < SerialBursts::kMaxBurst, "no full burst left waiting");
    }
    const QByteArray rest = bursts.takeRest();
    if (!rest.isEmpty())
        handOn(rest);
    // No byte is lost, doubled or moved.
    check(received == sent && bursts.isEmpty(), "every byte handed on once, in order");
    return 0;
}
