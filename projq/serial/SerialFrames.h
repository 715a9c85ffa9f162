#pragma once

// The configuration exchange with a module over its serial line while its CFG pin is grounded.
// Pure functions: bytes and records in, bytes, records and log lines out.
//
// Frames the program sends start 0x55 and a command byte; the module answers a read with a
// 137-byte parameter reply (a Q2) or a 32-byte Q1 reply, the extension request with a 115-byte
// reply, and a write with the single byte 0x4B. Sums are the additive Checksum8 of the bytes
// between the two-byte head and the sum byte.

#include "common/ParamRecords.h"
#include "common/StoredAnswers.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

inline constexpr quint8 kSerialHead = 0x55;
inline constexpr quint8 kSerialRead = 0xBD;
inline constexpr quint8 kSerialExtension = 0xC1;
inline constexpr quint8 kSerialWriteBase = 0xBE;
inline constexpr quint8 kSerialWritePort = 0xBF;
inline constexpr quint8 kSerialCommit1 = 0xB1;
inline constexpr quint8 kSerialCommit2 = 0x5A;
inline constexpr quint8 kSerialWriteQ1 = 0xBA;
inline constexpr quint8 kSerialQ1Reply = 0xBC;
inline constexpr quint8 kSerialAck = 0x4B;

inline constexpr int kQ2ParamReplySize = 137;
inline constexpr int kQ2ExtensionReplySize = 115;
inline constexpr int kQ1ReplySize = 32;
inline constexpr int kQ1BlockSize = 28;
inline constexpr int kQ1FrameSize = 31;

// How long the port stays open after the last frame for the module's answers, and the pause
// between the frames of a Q2 write.
inline constexpr int kSerialListenMs = 2000;
inline constexpr int kSerialFramePauseMs = 500;

QByteArray serialReadRequest();      // 55 BD
QByteArray serialExtensionRequest(); // 55 C1
QByteArray serialCommitFrame();      // 55 B1 5A
// 55 BE, the 67-byte base block, its sum; 55 BF, the 63-byte port block, its sum.
QByteArray serialBaseFrame(const QByteArray &param);
QByteArray serialPortFrame(const QByteArray &param);

// What a received burst is, by its length alone (the module sends each reply in one burst).
enum class SerialReply {
    Ack,       // the single byte 0x4B
    OtherByte, // any other single byte
    Q1Params,  // 32 bytes
    Extension, // 115 bytes: cloud device ID and code, heartbeat and registration block
    Q2Params,  // 137 bytes: the 130-byte parameter block at offset 2
    Other,     // any other length
};
SerialReply classifySerialReply(const QByteArray &burst);

// The 130-byte parameter block inside a 137-byte reply.
QByteArray paramBlockOfReply(const QByteArray &reply);
// The cloud texts and the 85-byte heartbeat and registration block of a 115-byte reply.
CloudParams cloudOfExtension(const QByteArray &reply);
QByteArray heartRegOfExtension(const QByteArray &reply);

// ---- Q2 write --------------------------------------------------------------------------------

struct SerialWrite
{
    QList<QByteArray> frames; // in order; a pause of kSerialFramePauseMs between them
    QString badField;         // the record field that could not be converted
    bool noRead = false;      // no serial read has brought the module's own block yet
    bool refused() const { return noRead || !badField.isEmpty(); }
};

// The base, port and commit frames of a Q2 module, built like the network save (same builders,
// same remembered flag bytes) inside the parameter block the module sent over the serial line
// (`stored.param`), so every byte the panel does not define goes back as the module sent it.
// `haveRead` says a serial read filled `stored`; without it the write is refused. On success
// `stored` holds the block as written; a refused write leaves it untouched.
SerialWrite buildQ2SerialWrite(const BaseParams &base, const PortParams &port, bool haveRead,
                               StoredAnswers &stored);

// ---- Q1 --------------------------------------------------------------------------------------

// Option bits of the Q1 block's byte 23 (frame byte 25).
enum Q1Option : quint8 {
    Q1ConnSendId = 0x01,
    Q1DataWithId = 0x02,
    Q1Rs485 = 0x04,
    Q1Rs422 = 0x08,
    Q1Reset = 0x10,
    Q1Link = 0x20,
    Q1Index = 0x40,
    Q1Rfc2217 = 0x80,
};

// A Q1 module's settings as the Q1 panel shows them: addresses and numbers as texts, lists as
// their item indexes.
struct Q1Params
{
    QString destIp;
    QString destPort;
    QString moduleIp;
    QString modulePort;
    QString gateway;
    int workMode = 0; // 0 UDP, 1 TCP client, 2 UDP server, 3 TCP server
    QString baud;
    int parity = 0;   // 0 NONE, 1 ODD, 2 EVEN, 3 MARK, 4 SPACE
    int dataBits = 3; // 0..3 for 5..8
    int stopBits = 0; // 0 one, 1 two
    QString id;
    quint8 options = 0;
    QString mask;

    bool operator==(const Q1Params &) const = default;
};

// The serial-format byte: bits 0-1 the data-bits index, bit 2 two stop bits, bit 3 parity on
// with bits 4-5 the parity index minus 1.
quint8 serialFormatByte(int parity, int dataBits, int stopBits);

// The 32-byte Q1 reply: head 55 BC and the sum of bytes 2-30 in byte 31; nullopt otherwise.
std::optional<Q1Params> parseQ1Reply(const QByteArray &reply);

struct Q1FrameResult
{
    QByteArray frame; // 31 bytes when built
    QString badField; // the Q1Params field that is not a valid value
    bool ok() const { return badField.isEmpty(); }
};

// The 31-byte Q1 write frame. Every byte of its block comes from `p`: an address that is not four
// numbers 0-255, or a port, ID or baud rate that is not a decimal number fitting its field (16 or
// 24 bits), refuses the frame and names the field. An empty ID counts as 0.
Q1FrameResult buildQ1Frame(const Q1Params &p);

// ---- Logs ------------------------------------------------------------------------------------

// One line of the data-stream log: direction, length, bytes.
struct SerialLogLine
{
    enum Tone { Sent, Received, Plain };
    QString text;
    Tone tone = Plain;
};
QList<SerialLogLine> serialHexLines(const QByteArray &bytes, bool sent);
