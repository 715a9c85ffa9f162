#include "ParamBlocks.h"

#include "TextCodec.h"
#include "ValueHelpers.h"

#include <array>

namespace {

// Base block offsets.
constexpr int kBaseFlags = 3;
constexpr int kUpnpPort = 4;
constexpr int kHttpPort = 6;
constexpr int kIp = 9;
constexpr int kGateway = 13;
constexpr int kMask = 17;
constexpr int kName = 21;
constexpr int kNameWidth = 16;
constexpr int kWebUser = 37;
constexpr int kWebPassword = 43;
constexpr int kLoginWidth = 6;
constexpr int kOptions = 52;
constexpr int kUserMac = 53;
constexpr int kDns = 59;
constexpr int kShortConnTime = 63;

// Port block offsets (within the port block).
constexpr int kBaud = 0;
constexpr int kDataBits = 4;
constexpr int kParity = 5;
constexpr int kStopBits = 6;
constexpr int kFlowControl = 7;
constexpr int kReserved = 8;
constexpr int kReservedWidth = 4;
constexpr int kLocalPort = 12;
constexpr int kRemotePort = 14;
constexpr int kRemoteHost = 16;
constexpr int kRemoteHostWidth = 30;
constexpr int kPortFlags = 50;
constexpr int kWorkMode = 51;
constexpr int kHttpdMethod = 52;
constexpr int kTcpServerCount = 53;
constexpr int kTimeoutRestart = 54;
constexpr int kQ3PackLength = 52;
constexpr int kCustomRegistration = 56;
constexpr int kStyleOrSourceCheck = 58;
constexpr int kPackLength = 59;
constexpr int kPackTime = 61;

// Base flag bits.
constexpr quint8 kFlagIsT0 = 0x01;
constexpr quint8 kFlagBit1 = 0x02;
constexpr quint8 kFlagRegSendMode = 0x04;
constexpr quint8 kFlagClearCache = 0x10;
constexpr quint8 kFlagShortConn = 0x20;
constexpr quint8 kFlagStaticIp = 0x80;

// Port flag bits.
constexpr quint8 kPortModbusTcp = 0x04;
constexpr quint8 kPortRfc2217 = 0x08;
constexpr quint8 kPortCloud = 0x10;
constexpr quint8 kPortKickOld = 0x20;
constexpr quint8 kPortMacRegistration = 0x40;
constexpr quint8 kPortMacHeartbeat = 0x80;

// Heartbeat and registration block.
constexpr int kHeartPeriod = 1;
constexpr int kHeartLength = 3;
constexpr int kRegLength = 4;
constexpr int kHeartData = 5;
constexpr int kRegData = 45;
constexpr int kHeartRegDataWidth = 40;

// HTTPD block.
constexpr int kUrlLength = 0;
constexpr int kUrlWidth = 100;
constexpr int kHeaderLength = 101;
constexpr int kHeaderWidth = 200;

// Cloud block.
constexpr int kDeviceId = 2;
constexpr int kDeviceIdWidth = 20;
constexpr int kCommCode = 22;
constexpr int kCommCodeWidth = 8;

// Modbus packing and newer blocks.
constexpr int kModbusMode = 0;
constexpr int kModbusException = 1;
constexpr int kModbusTimeout = 2;
constexpr int kModbusInterval = 4;
constexpr int kModbusReport = 6;

// ---- reading ----

QByteArray padded(const QByteArray &in, int size)
{
    QByteArray out = in.left(size);
    if (out.size() < size)
        out.append(size - out.size(), '\0');
    return out;
}

quint8 byteAt(const QByteArray &b, int offset)
{
    return quint8(b.at(offset));
}

quint32 le16At(const QByteArray &b, int offset)
{
    return bytesToInt(b.mid(offset, 2), true);
}

quint32 be16At(const QByteArray &b, int offset)
{
    return bytesToInt(b.mid(offset, 2), false);
}

bool bit(quint8 value, quint8 mask)
{
    return (value & mask) != 0;
}

// ---- writing (the caller has made the block long enough) ----

void ensureSize(QByteArray &b, int size)
{
    if (b.size() < size)
        b.append(size - b.size(), '\0');
}

void putByte(QByteArray &b, int offset, quint32 value)
{
    b[offset] = char(value & 0xFF);
}

void putLe16(QByteArray &b, int offset, quint32 value)
{
    putByte(b, offset, value);
    putByte(b, offset + 1, value >> 8);
}

void putLe32(QByteArray &b, int offset, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        putByte(b, offset + i, value >> (8 * i));
}

void putBe16(QByteArray &b, int offset, quint32 value)
{
    putByte(b, offset, value >> 8);
    putByte(b, offset + 1, value);
}

void putBytes(QByteArray &b, int offset, const QByteArray &field)
{
    b.replace(offset, field.size(), field);
}

quint8 withBit(quint8 value, quint8 mask, bool on)
{
    return on ? quint8(value | mask) : quint8(value & ~mask);
}

// An address field: exactly four dotted numbers from 0 to 255 (blanks ignored). Fewer parts would
// leave bytes of the module's previous address in the new one, and a part above 255 kept modulo
// 256 would move the module to an address nobody typed (300.1.2.3 to 44.1.2.3).
std::optional<QByteArray> addressBytes(const QString &text)
{
    const QStringList parts = removeSpaces(text).split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    for (const QString &part : parts) {
        bool ok = false;
        if (part.toUInt(&ok, 10) > 255)
            return std::nullopt;
    }
    return ipTextToBytes(text);
}

// The bytes a data text of the heartbeat and registration block is written as.
std::optional<QByteArray> heartRegData(const QString &text, bool hex)
{
    if (!hex)
        return gb18030EncodeCut(text, kHeartRegDataWidth);
    const QString digits = removeSpaces(text);
    const int count = int(qMin<qsizetype>(digits.size() / 2, kHeartRegDataWidth));
    QByteArray field(kHeartRegDataWidth, '\0');
    if (!hexTextToBuffer(digits.left(2 * count), field, kHeartRegDataWidth))
        return std::nullopt;
    return field.left(count);
}

QString heartRegText(const QByteArray &block, int lengthOffset, int dataOffset, bool hex)
{
    const int length = qMin<int>(byteAt(block, lengthOffset), kHeartRegDataWidth);
    const QByteArray data = block.mid(dataOffset, length);
    return hex ? textToHexText(data) : bytesToText(data);
}

QString httpdText(const QByteArray &block, int lengthOffset, int width)
{
    const int length = qMin<int>(byteAt(block, lengthOffset), width);
    return bytesToText(block.mid(lengthOffset + 1, length));
}

void putHttpdText(const QString &text, QByteArray &httpd, int lengthOffset, int width)
{
    ensureSize(httpd, kHttpdBlockSize);
    const QByteArray bytes = gb18030EncodeCut(text, width);
    putByte(httpd, lengthOffset, quint32(bytes.size()));
    putBytes(httpd, lengthOffset + 1, bytes);
}

// A Modbus time as a builder sees its text: written (a number), not written (empty) or bad.
struct ModbusTime
{
    bool write = false;
    quint32 value = 0;
    bool bad = false;
};

ModbusTime modbusTime(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {};
    const auto value = decimalFieldValue(text);
    return value ? ModbusTime{true, *value, false} : ModbusTime{false, 0, true};
}

// Bytes 1-5 shared by the packing and the newer Modbus block; nothing is written on a bad time.
BuildResult putModbusTimes(int exception, const QString &timeout, const QString &interval,
                           QByteArray &block)
{
    const ModbusTime t = modbusTime(timeout);
    if (t.bad)
        return {QStringLiteral("Timeout")};
    const ModbusTime i = modbusTime(interval);
    if (i.bad)
        return {QStringLiteral("Interval")};
    putByte(block, kModbusException, quint32(exception));
    if (t.write)
        putBe16(block, kModbusTimeout, t.value);
    if (i.write)
        putBe16(block, kModbusInterval, i.value);
    return {};
}

// The fields Q2 and Q3 base writes share, once every conversion has succeeded.
struct BaseBytes
{
    QByteArray ip, gateway, mask, mac;
};

std::optional<BaseBytes> baseBytes(const BaseParams &p, QString &badField)
{
    BaseBytes out;
    const std::pair<const QString *, QByteArray *> addresses[] = {
        {&p.ip, &out.ip}, {&p.gateway, &out.gateway}, {&p.mask, &out.mask}};
    const char *names[] = {"Ip", "Gateway", "Mask"};
    for (int i = 0; i < 3; ++i) {
        const auto bytes = addressBytes(*addresses[i].first);
        if (!bytes) {
            badField = QString::fromLatin1(names[i]);
            return std::nullopt;
        }
        *addresses[i].second = *bytes;
    }
    const auto mac = macTextToBytes(p.userMac);
    if (!mac) {
        badField = QStringLiteral("UserMac");
        return std::nullopt;
    }
    out.mac = *mac;
    return out;
}

void putBaseCommon(const BaseParams &p, const BaseBytes &bytes, QByteArray &param)
{
    putLe16(param, kUpnpPort, quint32(p.upnpPort));
    putLe16(param, kHttpPort, quint32(p.httpPort));
    putBytes(param, kIp, bytes.ip);
    putBytes(param, kGateway, bytes.gateway);
    putBytes(param, kMask, bytes.mask);
    putBytes(param, kName, textToField(p.name, kNameWidth));
    putBytes(param, kWebUser, textToField(p.webUser, kLoginWidth));
    putBytes(param, kWebPassword, textToField(p.webPassword, kLoginWidth));
    putBytes(param, kUserMac, bytes.mac);
}

// The port bytes Q2 and Q3 writes share: 0-45 and the work mode (51).
void putPortCommon(const PortParams &p, QByteArray &param)
{
    const int base = kPortBlockOffset;
    putLe32(param, base + kBaud, p.baud);
    putByte(param, base + kDataBits, quint32(p.dataBits));
    putByte(param, base + kParity, quint32(p.parity));
    putByte(param, base + kStopBits, quint32(p.stopBits));
    putByte(param, base + kFlowControl, quint32(p.flowControl));
    putBytes(param, base + kReserved, QByteArray(kReservedWidth, '\0'));
    putLe16(param, base + kLocalPort, quint32(p.localPort));
    putLe16(param, base + kRemotePort, quint32(p.remotePort));
    putBytes(param, base + kRemoteHost, textToField(p.remoteHost, kRemoteHostWidth));
    putByte(param, base + kWorkMode, quint32(p.workMode));
}

// Modbus TCP conversion applies to the TCP client and server modes only.
bool modbusTcpWritten(const PortParams &p)
{
    return p.modbusTcp && (p.workMode == 1 || p.workMode == 3);
}

} // namespace

// ---- Number fields ---------------------------------------------------------------------------

std::optional<quint32> decimalFieldValue(const QString &text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    quint32 value = 0;
    for (QChar c : digits) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return std::nullopt;
        value = value * 10u + quint32(c.unicode() - '0'); // wraps: the low 32 bits are kept
    }
    return value;
}

int shortConnTimeFromText(const QString &text)
{
    const auto value = decimalFieldValue(text);
    return value ? int(*value) : 3;
}

// ---- Parts -----------------------------------------------------------------------------------

QByteArray baseBlock(const QByteArray &param)
{
    return padded(param, kParamBlockSize).left(kBaseBlockSize);
}

QByteArray portBlock(const QByteArray &param)
{
    return padded(param, kParamBlockSize).mid(kPortBlockOffset, kPortBlockSize);
}

QByteArray httpdUrlPart(const QByteArray &httpd)
{
    return padded(httpd, kHttpdBlockSize).left(kHttpdUrlPartSize);
}

QByteArray httpdHeaderPart(const QByteArray &httpd)
{
    return padded(httpd, kHttpdBlockSize).mid(kHttpdUrlPartSize, kHttpdHeaderPartSize);
}

// ---- Parsers ---------------------------------------------------------------------------------

BaseParams parseBaseParam(const QByteArray &param)
{
    const QByteArray b = padded(param, kBaseBlockSize);
    const quint8 flags = byteAt(b, kBaseFlags);
    BaseParams p;
    p.isT0 = bit(flags, kFlagIsT0);
    p.flagBit1 = bit(flags, kFlagBit1);
    p.regSendMode = bit(flags, kFlagRegSendMode);
    p.clearCache = bit(flags, kFlagClearCache);
    p.shortConnEnabled = bit(flags, kFlagShortConn);
    p.staticIp = bit(flags, kFlagStaticIp);
    p.upnpPort = int(le16At(b, kUpnpPort));
    p.httpPort = int(le16At(b, kHttpPort));
    p.ip = ipBytesToText(b.mid(kIp, 4));
    p.gateway = ipBytesToText(b.mid(kGateway, 4));
    p.mask = ipBytesToText(b.mid(kMask, 4));
    p.name = bytesToText(b.mid(kName, kNameWidth));
    p.webUser = bytesToText(b.mid(kWebUser, kLoginWidth));
    p.webPassword = bytesToText(b.mid(kWebPassword, kLoginWidth));
    p.options = byteAt(b, kOptions);
    p.userMac = macBytesToText(b.mid(kUserMac, 6));
    p.dns = ipBytesToText(b.mid(kDns, 4));
    p.shortConnTime = byteAt(b, kShortConnTime);
    return p;
}

PortParams parsePortParam(const QByteArray &port)
{
    const QByteArray b = padded(port, kPortBlockSize);
    const quint8 flags = byteAt(b, kPortFlags);
    const quint8 styleOrCheck = byteAt(b, kStyleOrSourceCheck);
    PortParams p;
    p.baud = bytesToInt(b.mid(kBaud, 4), true);
    p.dataBits = byteAt(b, kDataBits);
    p.parity = byteAt(b, kParity);
    p.stopBits = byteAt(b, kStopBits);
    p.flowControl = byteAt(b, kFlowControl);
    p.localPort = int(le16At(b, kLocalPort));
    p.remotePort = int(le16At(b, kRemotePort));
    p.remoteHost = bytesToText(b.mid(kRemoteHost, kRemoteHostWidth));
    p.modbusTcp = bit(flags, kPortModbusTcp);
    p.rfc2217 = bit(flags, kPortRfc2217);
    p.cloudEnabled = bit(flags, kPortCloud);
    p.kickOldConnection = bit(flags, kPortKickOld);
    p.macRegistration = bit(flags, kPortMacRegistration);
    p.macHeartbeat = bit(flags, kPortMacHeartbeat);
    p.workMode = byteAt(b, kWorkMode);
    p.httpdMethod = byteAt(b, kHttpdMethod);
    p.tcpServerCount = byteAt(b, kTcpServerCount);
    p.timeoutRestart = int(le16At(b, kTimeoutRestart));
    p.customRegistration = byteAt(b, kCustomRegistration) == 1;
    p.udpSourceCheck = styleOrCheck == 1;
    p.tcpStyle = styleOrCheck & 0x0F;
    p.packLength = int(le16At(b, kPackLength));
    p.packTime = int(le16At(b, kPackTime));
    return p;
}

CloudParams parseCloudParam(const QByteArray &cloud)
{
    const QByteArray b = padded(cloud, kCloudBlockSize);
    return {bytesToText(b.mid(kDeviceId, kDeviceIdWidth)),
            bytesToText(b.mid(kCommCode, kCommCodeWidth))};
}

HeartRegParams parseHeartReg(const QByteArray &block)
{
    const QByteArray b = padded(block, kHeartRegBlockSize);
    std::array<bool, 8> f{};
    byteToFlags(byteAt(b, 0), f);
    HeartRegParams p;
    p.netHeartbeat = f[0];
    p.serialHeartbeat = f[1];
    p.regOnConnect = f[2];
    p.regWithData = f[3];
    p.removeHttpdHeader = f[4];
    p.comSetEnable = f[5];
    p.heartDataHex = f[6];
    p.regDataHex = f[7];
    p.heartPeriod = int(le16At(b, kHeartPeriod));
    p.heartData = heartRegText(b, kHeartLength, kHeartData, p.heartDataHex);
    p.regData = heartRegText(b, kRegLength, kRegData, p.regDataHex);
    return p;
}

HttpdParams parseHttpd(const QByteArray &block)
{
    const QByteArray b = padded(block, kHttpdBlockSize);
    return {httpdText(b, kUrlLength, kUrlWidth), httpdText(b, kHeaderLength, kHeaderWidth)};
}

ModbusParams parseModbusShort(const QByteArray &answer)
{
    ModbusParams p;
    p.tcpEnabled = !answer.isEmpty() && answer.at(0) != 0;
    if (answer.size() >= 4) {
        p.pollEnabled = answer.at(1) != 0;
        p.pollTime = QString::number(be16At(answer, 2));
    }
    return p;
}

ModbusPackParams parseModbusPack(const QByteArray &block)
{
    const QByteArray b = padded(block, kModbusPackBlockSize);
    ModbusPackParams p;
    p.mode = byteAt(b, kModbusMode);
    p.exceptionResponse = byteAt(b, kModbusException);
    p.timeout = QString::number(be16At(b, kModbusTimeout));
    p.interval = QString::number(be16At(b, kModbusInterval));
    p.reportProtocol = byteAt(b, kModbusReport);
    return p;
}

ModbusNewParams parseModbusNew(const QByteArray &block)
{
    const QByteArray b = padded(block, kModbusNewBlockSize);
    ModbusNewParams p;
    p.mode = byteAt(b, kModbusMode);
    p.exceptionResponse = byteAt(b, kModbusException);
    p.timeout = QString::number(be16At(b, kModbusTimeout));
    p.interval = QString::number(be16At(b, kModbusInterval));
    return p;
}

// ---- Builders --------------------------------------------------------------------------------

BuildResult buildQ2Base(const BaseParams &p, quint8 rememberedFlags, QByteArray &param)
{
    BuildResult result;
    const auto bytes = baseBytes(p, result.badField);
    if (!bytes)
        return result;
    const auto dns = addressBytes(p.dns);
    if (!dns)
        return {QStringLiteral("Dns")};

    ensureSize(param, kParamBlockSize);
    quint8 flags = rememberedFlags;
    flags = withBit(flags, kFlagIsT0, p.isT0);
    flags = withBit(flags, kFlagClearCache, p.clearCache);
    flags = withBit(flags, kFlagShortConn, p.shortConnEnabled);
    flags = withBit(flags, kFlagStaticIp, p.staticIp);
    putByte(param, kBaseFlags, flags);
    putBaseCommon(p, *bytes, param);
    putByte(param, kOptions, quint32(p.options) & 0xF0);
    putBytes(param, kDns, *dns);
    putByte(param, kShortConnTime, quint32(p.shortConnTime));
    return {};
}

void buildQ2Port(const PortParams &p, quint8 rememberedFlags, QByteArray &param)
{
    ensureSize(param, kParamBlockSize);
    const int base = kPortBlockOffset;
    putPortCommon(p, param);

    quint8 flags = rememberedFlags;
    flags = withBit(flags, kPortModbusTcp, modbusTcpWritten(p));
    flags = withBit(flags, kPortRfc2217, p.rfc2217);
    flags = withBit(flags, kPortCloud, p.cloudEnabled);
    flags = withBit(flags, kPortKickOld, p.kickOldConnection);
    flags = withBit(flags, kPortMacRegistration, p.macRegistration);
    flags = withBit(flags, kPortMacHeartbeat, p.macHeartbeat);
    putByte(param, base + kPortFlags, flags);

    putByte(param, base + kHttpdMethod, quint32(p.httpdMethod));
    putByte(param, base + kTcpServerCount, quint32(p.tcpServerCount));
    putLe16(param, base + kTimeoutRestart, quint32(p.timeoutRestart));
    putByte(param, base + kCustomRegistration, p.customRegistration ? 1 : 0);
    putByte(param, base + kStyleOrSourceCheck, p.udpSourceCheck ? 1 : 0);
    putLe16(param, base + kPackLength, quint32(p.packLength));
    putLe16(param, base + kPackTime, quint32(p.packTime));
}

BuildResult buildQ3Base(const BaseParams &p, QByteArray &param)
{
    BuildResult result;
    const auto bytes = baseBytes(p, result.badField);
    if (!bytes)
        return result;

    ensureSize(param, kParamBlockSize);
    putByte(param, kBaseFlags, p.staticIp ? kFlagStaticIp : 0);
    putBaseCommon(p, *bytes, param);
    putByte(param, kOptions, quint32(p.options));
    return {};
}

void buildQ3Port(const PortParams &p, QByteArray &param)
{
    ensureSize(param, kParamBlockSize);
    const int base = kPortBlockOffset;
    putPortCommon(p, param);

    quint8 flags = byteAt(param, base + kPortFlags);
    flags = withBit(flags, kPortModbusTcp, modbusTcpWritten(p));
    flags = withBit(flags, kPortRfc2217, p.rfc2217);
    putByte(param, base + kPortFlags, flags);

    putLe32(param, base + kQ3PackLength, quint32(p.packLength));
    putByte(param, base + kStyleOrSourceCheck,
            quint32(p.tcpServerCount) * 16 + quint32(p.tcpStyle));
}

void buildCloud(const CloudParams &p, QByteArray &cloud)
{
    ensureSize(cloud, kCloudBlockSize);
    putBytes(cloud, kDeviceId, textToField(p.deviceId, kDeviceIdWidth));
    putBytes(cloud, kCommCode, textToField(p.commCode, kCommCodeWidth));
}

bool isCloudDeviceIdValid(const QString &deviceId)
{
    return gb18030Encode(deviceId).size() == kDeviceIdWidth;
}

bool isCloudCommCodeValid(const QString &commCode)
{
    return gb18030Encode(commCode).size() == kCommCodeWidth;
}

BuildResult buildHeartReg(const HeartRegParams &p, QByteArray &block)
{
    const auto heart = heartRegData(p.heartData, p.heartDataHex);
    if (!heart)
        return {QStringLiteral("HeartData")};
    const auto reg = heartRegData(p.regData, p.regDataHex);
    if (!reg)
        return {QStringLiteral("RegData")};

    ensureSize(block, kHeartRegBlockSize);
    const std::array<bool, 8> flags = {p.netHeartbeat, p.serialHeartbeat,   p.regOnConnect,
                                       p.regWithData,  p.removeHttpdHeader, p.comSetEnable,
                                       p.heartDataHex, p.regDataHex};
    putByte(block, 0, flagsToByte(flags));
    putLe16(block, kHeartPeriod, quint32(p.heartPeriod));
    putByte(block, kHeartLength, quint32(heart->size()));
    putByte(block, kRegLength, quint32(reg->size()));
    putBytes(block, kHeartData, padded(*heart, kHeartRegDataWidth));
    putBytes(block, kRegData, padded(*reg, kHeartRegDataWidth));
    return {};
}

void buildHttpdUrl(const QString &url, QByteArray &httpd)
{
    putHttpdText(url, httpd, kUrlLength, kUrlWidth);
}

void buildHttpdHeader(const QString &header, QByteArray &httpd)
{
    putHttpdText(header, httpd, kHeaderLength, kHeaderWidth);
}

std::optional<QByteArray> buildModbusShort(const ModbusParams &p, int form)
{
    if (form == 1)
        return QByteArray(1, p.tcpEnabled ? 1 : 0);
    if (form != 4)
        return std::nullopt;
    const auto time = decimalFieldValue(p.pollTime);
    if (!time)
        return std::nullopt;
    QByteArray out(4, '\0');
    putByte(out, 0, p.tcpEnabled ? 1 : 0);
    putByte(out, 1, p.pollEnabled ? 1 : 0);
    putBe16(out, 2, *time);
    return out;
}

BuildResult buildModbusPack(const ModbusPackParams &p, QByteArray &block)
{
    QByteArray out = block;
    ensureSize(out, kModbusPackBlockSize);
    putByte(out, kModbusMode, quint32(p.mode));
    if (p.mode == 1 || p.mode == 2) {
        const BuildResult times = putModbusTimes(p.exceptionResponse, p.timeout, p.interval, out);
        if (!times)
            return times;
    }
    if (p.mode == 2)
        putByte(out, kModbusReport, quint32(p.reportProtocol));
    block = out;
    return {};
}

BuildResult buildModbusNew(const ModbusNewParams &p, QByteArray &block)
{
    QByteArray out = block;
    ensureSize(out, kModbusNewBlockSize);
    putByte(out, kModbusMode, quint32(p.mode));
    if (p.mode == 2) {
        const BuildResult times = putModbusTimes(p.exceptionResponse, p.timeout, p.interval, out);
        if (!times)
            return times;
    }
    block = out;
    return {};
}
