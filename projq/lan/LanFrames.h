#pragma once

// Frames of the module configuration protocol over UDP and the classification of the modules'
// answers. Pure functions: bytes in, bytes or events out.

#include <QByteArray>
#include <QString>

#include <optional>

// Device kind carried with every module: which panel and which port serve it.
enum DeviceKind : int {
    KindUnsupported = 0,
    KindQ2 = 2,
    KindQ1 = 35, // configured over the serial line only; no answer yields it
    KindQ3 = 36,
};

// Status codes handed to the endpoint's owner.
enum StatusCode : int {
    StSearchSent = 40,
    StCheckError = 269,
    StAck = 275,
    StOtherError = 469,
    StLoginError = 480,
    StPortInUse = 1500,
    StForeignModel = 193256,
    StUnknownLength = 555555,
};

inline constexpr quint16 kCfgPort = 1500;
inline constexpr quint16 kCfgPortQ3 = 1901;
inline constexpr char kBroadcastIP[] = "255.255.255.255";
inline constexpr int kSearchAnswerLength = 36;
inline constexpr int kFirstSupportedVersion = 2002;
inline constexpr int kMaxCommandData = 236;

// FF 01 01 02: the search, the same for every model.
QByteArray buildSearchFrame();

// FF, 19 + n, code, MAC, user (6), password (6), data (n), Checksum8 of bytes 1 .. 20 + n.
// nullopt when the MAC text is not a MAC or there are more than kMaxCommandData data bytes.
std::optional<QByteArray> buildCommandFrame(const QString &macText, quint8 code,
                                            const QString &user, const QString &password,
                                            const QByteArray &data = {});

// The kind of an answer that is not a search answer: by the module's source port alone.
int deviceKindFromPort(quint16 peerPort);

// One module as the search answer describes it (all texts, as the device list holds them).
struct DeviceEntry
{
    QString ip;
    QString name;
    QString mac;
    QString version;
    int kind = KindUnsupported;
    int socketIndex = 0;
};

// A 36-byte search answer; nullopt unless it starts FF 24 01. Firmware below 2002 is of kind 0,
// otherwise the kind follows the source port.
std::optional<DeviceEntry> decodeSearchAnswer(const QByteArray &answer, quint16 peerPort,
                                              int socketIndex);

// What the receive handler does with one datagram, decided by its length (and for 2- and 4-byte
// datagrams by their first bytes).
enum class ReplyKind {
    SearchAnswer,  // 36 bytes
    ModbusShort,   // 1 byte, or 4 bytes not starting FF 01
    CheckError,    // 45 xx: `detail` is xx as two hex digits
    Status,        // FF 01 cc K/P/E: `status` and `detail` hold the code and its text
    Cloud,         // 50
    HeartReg,      // 85
    ModbusPack,    // 87
    ModbusNew,     // 100
    Base,          // 130
    Httpd,         // 302
    Ignored,       // 40 bytes, other 2-byte datagrams, acknowledgements with another letter
    ForeignModel,  // 193 or 256 bytes
    UnknownLength, // anything else: `detail` is the length in decimal
};

struct ReplyClass
{
    ReplyKind kind = ReplyKind::Ignored;
    int status = 0;
    QString detail;
};

ReplyClass classifyReply(const QByteArray &datagram);
