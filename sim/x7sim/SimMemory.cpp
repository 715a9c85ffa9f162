// The blocks a simulated module leaves the factory with, and the text helpers around them.
//
// Every byte that carries a setting is written explicitly; every other byte holds simFillByte of
// its offset, so a test can tell a byte that was carried through from one that was rebuilt.

#include "SimModule.h"

#include <QStringEncoder>

namespace {

// `firstOffset`: where the bytes start in the block as a module sends it (the port block starts
// at 67 of the parameter block).
QByteArray filled(int size, int firstOffset = 0)
{
    QByteArray block(size, '\0');
    for (int i = 0; i < size; ++i)
        block[i] = char(simFillByte(firstOffset + i));
    return block;
}

void put(QByteArray &block, int offset, const QByteArray &bytes)
{
    block.replace(offset, bytes.size(), bytes);
}

void putByte(QByteArray &block, int offset, int value)
{
    block[offset] = char(value & 0xFF);
}

void putLe16(QByteArray &block, int offset, quint32 value)
{
    putByte(block, offset, int(value));
    putByte(block, offset + 1, int(value >> 8));
}

void putLe32(QByteArray &block, int offset, quint32 value)
{
    putLe16(block, offset, value);
    putLe16(block, offset + 2, value >> 16);
}

void putBe16(QByteArray &block, int offset, quint32 value)
{
    putByte(block, offset, int(value >> 8));
    putByte(block, offset + 1, int(value));
}

// Blocks store addresses least significant byte first: 192.168.0.7 is 07 00 A8 C0.
void putIp(QByteArray &block, int offset, const QByteArray &naturalOrder)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = naturalOrder.at(3 - i);
}

QString ipText(const QByteArray &naturalOrder)
{
    QStringList parts;
    for (char c : naturalOrder)
        parts << QString::number(quint8(c));
    return parts.join(QLatin1Char('.'));
}

QByteArray gatewayOf(const QByteArray &ip)
{
    QByteArray gateway = ip;
    gateway[3] = char(quint8(ip.at(3)) == 1 ? 254 : 1);
    return gateway;
}

QString macHex(const QByteArray &mac)
{
    return QString::fromLatin1(mac.toHex().toUpper());
}

bool isQ3(const SimModuleConfig &config)
{
    return config.model == SimModuleConfig::Q3;
}

QByteArray factoryBase(const SimModuleConfig &config)
{
    QByteArray b = filled(kSimBaseSize);
    // Static address, with the flag bits no setting uses (1, 3, 6) set on a Q2.
    putByte(b, 3, isQ3(config) ? 0x80 : 0xCA);
    putLe16(b, 4, 1900); // UPNP port
    putLe16(b, 6, 80);   // web server port
    putIp(b, 9, config.ip);
    putIp(b, 13, gatewayOf(config.ip));
    putIp(b, 17, QByteArray::fromHex("FFFFFF00"));
    put(b, 21, simTextField(config.name, 16));
    put(b, 37, simTextField(config.loginUser, 6));
    put(b, 43, simTextField(config.loginPassword, 6));
    // Q2: reset after 30 failed connections; Q3: no device ID sent.
    putByte(b, 52, isQ3(config) ? 0x00 : 0x10);
    put(b, 53, config.mac);
    putIp(b, 59, gatewayOf(config.ip)); // DNS
    putByte(b, 63, 3);                  // short-connection time, seconds
    return b;
}

QByteArray factoryPort(const SimModuleConfig &config)
{
    QByteArray p = filled(kSimPortSize, kSimBaseSize);
    putLe32(p, 0, 115200);
    putByte(p, 4, 8); // data bits
    putByte(p, 5, 1); // no parity
    putByte(p, 6, 1); // one stop bit
    putByte(p, 7, 1); // no flow control
    putLe32(p, 8, 0); // reserved
    putLe16(p, 12, 4001);
    putLe16(p, 14, 5001);
    QByteArray server = config.ip;
    server[3] = char(100);
    put(p, 16, simTextField(ipText(server), 30));
    putByte(p, 50, 0x83); // MAC heartbeat, and the two bits no setting uses
    putByte(p, 51, 3);    // TCP server
    if (isQ3(config)) {
        putLe32(p, 52, 1024);       // packing length
        putByte(p, 58, 4 * 16 + 1); // four connections, style 1
    } else {
        putByte(p, 52, 0);   // HTTPD GET
        putByte(p, 53, 4);   // TCP server connections
        putLe16(p, 54, 300); // restart timeout, seconds
        putByte(p, 58, 0);   // no UDP source check
    }
    putByte(p, 56, 0);    // no custom registration packet
    putLe16(p, 59, 1024); // packing length
    putLe16(p, 61, 10);   // packing time, ms
    return p;
}

QByteArray factoryCloud(const SimModuleConfig &config)
{
    QByteArray c = filled(kSimCloudSize);
    put(c, 2, simTextField(QStringLiteral("X7CLOUD0") + macHex(config.mac), 20));
    put(c, 22, simTextField(QStringLiteral("A1B2C3D4"), 8));
    return c;
}

QByteArray factoryHeartReg(const SimModuleConfig &config)
{
    const QByteArray heartbeat = "ping";
    const QByteArray registration = "REG" + macHex(config.mac).toLatin1();
    QByteArray h(kSimHeartRegSize, '\0');
    putByte(h, 0, 0x05); // network heartbeat; registration sent on connect
    putLe16(h, 1, 60);   // heartbeat period, seconds
    putByte(h, 3, int(heartbeat.size()));
    putByte(h, 4, int(registration.size()));
    put(h, 5, heartbeat);
    put(h, 45, registration);
    return h;
}

// Only the first `length` bytes of each HTTPD text count; the rest of its field is left as is.
QByteArray factoryHttpd()
{
    const QByteArray url = "/x7/upload";
    const QByteArray header = "Content-Type: text/plain";
    QByteArray h = filled(kSimHttpdSize);
    putByte(h, 0, int(url.size()));
    put(h, 1, url);
    putByte(h, 101, int(header.size()));
    put(h, 102, header);
    return h;
}

// Byte 0 of every form is the mode (short forms: Modbus TCP on); times are BE16.
QByteArray factoryModbus(int form)
{
    QByteArray m = form > 4 ? filled(form) : QByteArray(form, '\0');
    switch (form) {
    case 1:
        putByte(m, 0, 1); // Modbus TCP on
        break;
    case 4:
        putByte(m, 0, 1);  // Modbus TCP on
        putByte(m, 1, 1);  // polling on
        putBe16(m, 2, 60); // polling time, seconds
        break;
    case 87:
        putByte(m, 0, 1);   // TCP/RTU conversion
        putByte(m, 1, 1);   // exception response on
        putBe16(m, 2, 200); // timeout
        putBe16(m, 4, 100); // interval
        putByte(m, 6, 0);   // transparent report protocol
        break;
    case 100:
        putByte(m, 0, 2);   // RTU polling
        putByte(m, 1, 0);   // exception response off
        putBe16(m, 2, 200); // timeout
        putBe16(m, 4, 100); // interval
        break;
    default:
        return {};
    }
    return m;
}

} // namespace

quint8 simFillByte(int offset)
{
    return quint8(0xA0 | (offset & 0x0F));
}

quint8 simChecksum(const QByteArray &bytes, int first, int last)
{
    quint32 sum = 0;
    for (int i = first; i <= last && i < bytes.size(); ++i)
        sum += quint8(bytes.at(i));
    return quint8(sum & 0xFF);
}

QByteArray simTextField(const QString &text, int width)
{
    QStringEncoder gb("GB18030");
    QByteArray out;
    for (const uint codePoint : text.toUcs4()) {
        const char32_t cp = codePoint;
        const QByteArray one = gb.encode(QString::fromUcs4(&cp, 1));
        if (out.size() + one.size() > width)
            break;
        out += one;
    }
    return out.leftJustified(width, '\0');
}

QByteArray factoryQ1Block(const SimModuleConfig &config)
{
    // Offsets of the block (the Q1 frame's offsets minus its two head bytes).
    QByteArray q(28, '\0');
    QByteArray server = config.ip;
    server[3] = char(100);
    putIp(q, 0, server);                           // destination IP
    putLe16(q, 4, 5001);                           // destination port
    putIp(q, 6, config.ip);                        // module IP
    putLe16(q, 10, 4001);                          // module port
    putIp(q, 12, gatewayOf(config.ip));            // gateway
    putByte(q, 16, 1);                             // TCP client
    putLe16(q, 17, 57600);                         // baud, 24 bits
    putByte(q, 19, 0);                             //   (its high byte)
    putByte(q, 20, 0x1B);                          // 8 data bits, one stop bit, even parity
    putBe16(q, 21, 1234);                          // device ID
    putByte(q, 23, 0x15);                          // ID on connect, RS485, reset
    putIp(q, 24, QByteArray::fromHex("FFFFFF00")); // mask
    return q;
}

QByteArray factoryParamBlock(const SimModuleConfig &config)
{
    return factoryBase(config) + factoryPort(config);
}

SimMemory factoryMemory(const SimModuleConfig &config)
{
    const SimBlockSet &set = config.blocks;
    const bool newFirmware = config.version >= kSimFirstVersionWithHttpd;
    SimMemory m;
    if (config.model == SimModuleConfig::Q1) {
        m.q1 = factoryQ1Block(config);
        return m;
    }
    if (set.param)
        m.param = factoryParamBlock(config);
    if (set.cloud)
        m.cloud = factoryCloud(config);
    if (set.heartReg && newFirmware)
        m.heartReg = factoryHeartReg(config);
    if (set.httpd && newFirmware)
        m.httpd = factoryHttpd();
    m.modbus = factoryModbus(set.modbus);
    return m;
}

bool parseSimModbusForm(const QString &text, int &form)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("none")) {
        form = 0;
        return true;
    }
    bool ok = false;
    const int value = t.toInt(&ok);
    if (!ok || (value != 1 && value != 4 && value != 87 && value != 100))
        return false;
    form = value;
    return true;
}

bool parseSimBlockSet(const QString &text, SimBlockSet &set)
{
    SimBlockSet out{false, false, false, false, 0};
    if (text.trimmed().toLower() == QLatin1String("none")) {
        set = out;
        return true;
    }
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QString name = item.trimmed().toLower();
        bool *flag = name == QLatin1String("base")    ? &out.param
                     : name == QLatin1String("cloud") ? &out.cloud
                     : name == QLatin1String("heart") ? &out.heartReg
                     : name == QLatin1String("httpd") ? &out.httpd
                                                      : nullptr;
        if (flag) {
            if (*flag)
                return false; // named twice
            *flag = true;
            continue;
        }
        if (!name.startsWith(QLatin1String("modbus")) || out.modbus != 0)
            return false;
        if (!parseSimModbusForm(name.mid(6), out.modbus) || out.modbus == 0)
            return false;
    }
    set = out;
    return true;
}

bool parseSimLogin(const QString &text, QString &user, QString &password)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    const QString u = text.left(colon);
    const QString p = text.mid(colon + 1);
    QStringEncoder gb("GB18030");
    if (QByteArray(gb.encode(u)).size() > 6 || QByteArray(gb.encode(p)).size() > 6)
        return false;
    user = u;
    password = p;
    return true;
}
