#pragma once

// One firmware upgrade attempt, without sockets, files or timers: it takes the request, the
// firmware image, datagrams with their local port, timer ticks and the time, and answers with
// what to do (frames to send, texts to show, progress, the retry timer) and, at the end, the
// result.
//
// The exchange: a 30-byte wake-up broadcast to port 9 makes the module's boot loader broadcast a
// 300-byte BOOTP request to port 67 carrying its 4-byte hardware signature; when the signature
// equals the first four bytes of the image, the reply (broadcast to port 68) gives it the target
// IP, our address and the file name "firmware.bin". The boot loader then asks for that file on
// port 69, and the image after its signature goes to the target's port 13633 in 512-byte data
// blocks, each sent once its predecessor is acknowledged on port 40300. The last block is
// shorter than 512 bytes (empty when the data fill whole blocks).
//
// A lost datagram costs a time-out: the block in flight is sent again, at most nine times in the
// whole attempt. The last block is treated like any other, so success is reported only after its
// acknowledgement arrived. Acknowledgements of blocks already passed or never sent move nothing.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace UpgradePorts {
inline constexpr quint16 kWakeUp = 9;
inline constexpr quint16 kBootServer = 67;
inline constexpr quint16 kBootClient = 68;
inline constexpr quint16 kFileRequest = 69;
inline constexpr quint16 kData = 40300;
inline constexpr quint16 kModuleData = 13633;
} // namespace UpgradePorts

inline constexpr int kUpgradeBlockSize = 512;
inline constexpr int kUpgradeSearchMs = 10000; // the boot loader must ask for the file by then
inline constexpr int kUpgradeBlockMs = 2000;   // wait for one acknowledgement
inline constexpr int kUpgradeMaxRetries = 9;   // time-outs tolerated in the whole transfer
inline constexpr qsizetype kBootFrameSize = 300;
inline const QString kBroadcastIp = QStringLiteral("255.255.255.255");

// A text of the language table with its %1, %2 ... arguments.
struct UpgradeText
{
    QString key;
    QStringList args;
    bool operator==(const UpgradeText &) const = default;
};

struct UpgradeFrame
{
    quint16 fromPort = 0;
    QString toIp;
    quint16 toPort = 0;
    QByteArray bytes;
    bool operator==(const UpgradeFrame &) const = default;
};

enum class UpgradeResult {
    Refused,   // nothing started: a field, the file or the network does not allow it
    Succeeded, // the last block was acknowledged
    Mismatch,  // the boot loader's signature differs from the image's
    TimedOut,
    Failed, // a socket could not be opened or a send failed
};

// What the adapter does after one input, in this order: open the sockets (when that fails it
// reports socketsFailed() and does nothing more of this list), send the frames, show the
// texts, set the progress bar, handle the timer, close the sockets.
struct UpgradeActions
{
    enum class Timer { Keep, Start, Stop };

    bool openSockets = false;
    QList<UpgradeFrame> frames;
    // The status line: the key's text followed by `statusSuffix`; in a message box instead when
    // `statusInMessageBox` is set.
    std::optional<QString> statusKey;
    QString statusSuffix;
    bool statusInMessageBox = false;
    // A second line with figures or a plain-words reason; also logged. With `detailInStatus`
    // it belongs to the status line as well (why an attempt failed).
    std::optional<UpgradeText> detail;
    bool detailInStatus = false;
    std::optional<int> progress; // percent
    Timer timer = Timer::Keep;
    int timerMs = 0;
    bool closeSockets = false;
    std::optional<UpgradeResult> finished;
};

// What the user asked for, as the texts of the window's fields.
struct UpgradeRequest
{
    QString targetIp;
    QString targetMac;
    QString localIp;
    QString fileName;
};

// Frames ------------------------------------------------------------------------------------

// Six bytes AA, then the six MAC bytes four times.
QByteArray upgradeWakeUpFrame(const QByteArray &mac);

// The reply to a BOOTP request: op 2, yiaddr the target, siaddr our address, the first 12 bytes
// of the file field "firmware.bin", every other byte as received.
QByteArray upgradeBootReply(const QByteArray &request, quint32 targetIp, quint32 localIp);

// Data block k (from 1): 00 03, k, and up to 512 image bytes from offset 4 + (k - 1) * 512.
QByteArray upgradeDataBlock(const QByteArray &image, int block);

// The number of data blocks an image is sent in (the last one may be empty).
int upgradeBlockCount(qsizetype imageSize);

// The session -----------------------------------------------------------------------------------

class UpgradeSession
{
public:
    // The refusal of a request before anything is opened or sent, judging the fields only:
    // empty target, MAC or local address; no file; target and local address not in one /24
    // network; an address or MAC that cannot be read.
    static std::optional<UpgradeActions> checkRequest(const UpgradeRequest &request);

    // Starts an attempt with the image read from request.fileName. A refused request or an
    // image too short to hold a signature and data ends at once with Refused.
    UpgradeActions start(const UpgradeRequest &request, const QByteArray &image, qint64 nowMs);

    // A datagram that arrived on one of our ports from `senderIp`.
    UpgradeActions datagram(quint16 localPort, const QString &senderIp, const QByteArray &bytes,
                            qint64 nowMs);
    UpgradeActions timeout(qint64 nowMs);
    // The sockets could not be opened or a send failed; `reason` says why in plain words.
    UpgradeActions socketsFailed(const UpgradeText &reason);
    // The user ends the attempt (the window's exit); nothing is shown.
    UpgradeActions stop();

    bool isRunning() const { return m_phase != Phase::Idle; }
    QString localIp() const { return m_localIpText; }
    QString targetIp() const { return m_targetIpText; }
    QByteArray signature() const { return m_image.left(4); }
    int currentBlock() const { return m_currentBlock; }
    int retries() const { return m_retries < 0 ? 0 : m_retries; }
    qint64 bytesAcknowledged() const;
    qint64 dataSize() const { return m_image.size() - 4; }

private:
    enum class Phase { Idle, Searching, Transferring };

    UpgradeActions onBootRequest(const QByteArray &bytes);
    UpgradeActions onFileRequest(const QString &senderIp, const QByteArray &bytes, qint64 nowMs);
    UpgradeActions onAck(const QString &senderIp, const QByteArray &bytes, qint64 nowMs);
    UpgradeFrame dataFrame(int block) const;
    void sendBlock(UpgradeActions &a, int block);
    void end(UpgradeActions &a, UpgradeResult result, const QString &statusKey);

    Phase m_phase = Phase::Idle;
    QString m_targetIpText;
    QString m_localIpText;
    quint32 m_targetIp = 0;
    quint32 m_localIp = 0;
    QByteArray m_image;
    int m_blockCount = 0;
    int m_currentBlock = 0;
    int m_lastAcked = 0;
    int m_retries = -1; // -1 until the boot loader asks for the file
    qint64 m_transferStartMs = 0;
    qint64 m_startMs = 0;
};
