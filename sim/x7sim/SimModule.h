#pragma once

// One simulated module: its identity, the parameter blocks it keeps and what it answers.
// Transport-free: a datagram and the time in, answers and a note for the log out.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Sizes of the blocks a module keeps. The parameter block is the base block followed by the
// port block; the HTTPD block is written in two parts (URL: bytes 0-100, header: 101-301).
constexpr int kSimParamSize = 130;
constexpr int kSimBaseSize = 67;
constexpr int kSimPortSize = 63;
constexpr int kSimCloudSize = 50;
constexpr int kSimHeartRegSize = 85;
constexpr int kSimHttpdSize = 302;
constexpr int kSimHttpdUrlPartSize = 101;
constexpr int kSimHttpdHeaderPartSize = 201;

// The firmware version from which a module has the heartbeat/registration and HTTPD blocks.
constexpr int kSimFirstVersionWithHttpd = 4017;

// Which blocks a module has. The Modbus block comes in one of four forms, told apart by their
// length (1, 4, 87 or 100 bytes); 0 means the module has none.
struct SimBlockSet
{
    bool param = true;
    bool cloud = true;
    bool heartReg = true;
    bool httpd = true;
    int modbus = 0;
};

struct SimModuleConfig
{
    // A Q1 speaks only the serial configuration exchange: it keeps the 28-byte Q1 block.
    enum Model { Q2, Q3, Q1 };
    Model model = Q2;
    int version = 4017;
    QString name;
    QByteArray mac; // 6 bytes
    QByteArray ip;  // 4 bytes, natural order
    SimBlockSet blocks;
    QString loginUser = QStringLiteral("qpwzk");
    QString loginPassword = QStringLiteral("qpwzk");
    int restartMs = 1000; // silence after a restart command
    bool mute = false;    // answers the search, but no command frame (a module gone quiet)
};

// The blocks a module holds; an empty array is a block the module does not have.
struct SimMemory
{
    QByteArray param;
    QByteArray cloud;
    QByteArray heartReg;
    QByteArray httpd;
    QByteArray modbus;
    QByteArray q1; // the Q1 block (28 bytes), a Q1 module's only block

    bool operator==(const SimMemory &) const = default;
};

// One block by the name used in the --blocks option and in dumps.
struct SimNamedBlock
{
    QString name; // base, cloud, heart, httpd, modbus1, modbus4, modbus87, modbus100, q1
    QByteArray bytes;
};

// An answer and the module port it leaves from (1500 for a Q2, 1901 for a Q3).
struct SimAnswer
{
    QByteArray bytes;
    quint16 fromPort = 1500;
    QString what; // its meaning, for the log
};

// What a module made of one datagram.
struct SimReply
{
    QList<SimAnswer> answers;
    QString note;               // for the log; empty for a search and for frames to other modules
    bool blocksChanged = false; // a write, or a factory reset, changed the memory
};

class SimModule
{
public:
    explicit SimModule(const SimModuleConfig &config);

    const SimModuleConfig &config() const { return m_config; }
    quint16 port() const { return m_config.model == SimModuleConfig::Q3 ? 1901 : 1500; }
    QString macText() const;

    // The 36-byte answer to the search FF 01 01 02, from the settings in effect (IP, name).
    QByteArray searchAnswer() const;

    // Everything the module answers to one datagram received on `localPort` at `nowMs` (a
    // monotonic clock in milliseconds; only differences matter).
    SimReply handle(const QByteArray &datagram, quint16 localPort, qint64 nowMs);

    const SimMemory &memory() const;
    // The blocks the module has, in the order of a read answer.
    QList<SimNamedBlock> blocks() const;
    // One line per block: "block <MAC as 12 hex digits> <name> <hex>", hex uppercase.
    QStringList dumpLines() const;

    // One whole frame of the serial configuration exchange (SimSerial.cpp): the answers are the
    // bytes to send back on the line.
    SimReply handleSerial(const QByteArray &frame);

private:
    // The identity and login the module works with: taken from its base block at start-up, at a
    // restart, an apply or a factory reset, so that a write takes effect only then.
    struct Running
    {
        QByteArray ip; // natural order
        QByteArray name;
        QByteArray user;
        QByteArray password;
    };

    SimMemory &mutableMemory();
    void takeEffect();
    bool isCommandForMe(const QByteArray &datagram) const;
    SimReply command(const QByteArray &frame, qint64 nowMs);
    SimReply execute(quint8 code, const QByteArray &data, qint64 nowMs);
    SimReply read();
    SimReply write(quint8 code, QByteArray &block, int offset, const QByteArray &data,
                   const QString &what);
    SimReply status(quint8 code, char letter, const QString &note) const;

    SimModuleConfig m_config;
    mutable std::optional<SimMemory> m_memory; // made on first use: a search needs none
    Running m_running;
    std::optional<qint64> m_silentUntil; // after a restart: drops everything until then
};

// The blocks a module of this configuration has when it leaves the factory. A version below
// kSimFirstVersionWithHttpd has no heartbeat/registration and HTTPD blocks, whatever its set says.
SimMemory factoryMemory(const SimModuleConfig &config);
// The factory Q1 block (28 bytes).
QByteArray factoryQ1Block(const SimModuleConfig &config);
// The factory parameter block (130 bytes) even for a module that does not have one.
QByteArray factoryParamBlock(const SimModuleConfig &config);
// A text field: GB18030, cut at `width` bytes without splitting a character, NUL-padded.
QByteArray simTextField(const QString &text, int width);
// The byte put into every position that carries no setting: A0-AF by the offset, never 0.
quint8 simFillByte(int offset);
// Checksum8: the sum of bytes [first, last] modulo 256.
quint8 simChecksum(const QByteArray &bytes, int first, int last);
// What a datagram is, for the log: "search", "0x05 write base block, 67 data bytes, to MAC ...".
QString describeSimFrame(const QByteArray &datagram);

// Parses "Q1"/"Q2"/"Q3", "D8 B0 4C 00 12 34" or "D8B04C001234", "192.168.0.7"; false on bad text.
bool parseSimModel(const QString &text, SimModuleConfig::Model &model);
bool parseSimMac(const QString &text, QByteArray &mac);
bool parseSimIp(const QString &text, QByteArray &ip);
// "base,cloud,heart,httpd,modbus4" (any order, each at most once, at most one Modbus form) or
// "none". "base" is the whole 130-byte parameter block (base and port).
bool parseSimBlockSet(const QString &text, SimBlockSet &set);
// "none", "1", "4", "87" or "100".
bool parseSimModbusForm(const QString &text, int &form);
// "user:password" (split at the first colon; each at most 6 bytes).
bool parseSimLogin(const QString &text, QString &user, QString &password);
