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
    return BytesToInt(b.mid(offset, 2), true);
}

quint32 be16At(const QByteArray &b, int offset)
{
    return BytesToInt(b.mid(offset, 2), false);
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

// An address field: exactly four dotted numbers (blanks ignored), each kept modulo 256. Fewer
// parts would leave bytes of the module's previous address in the new one.
std::optional<QByteArray> addressBytes(const QString &text)
{
    if (RemoveSpaces(text).count(QLatin1Char('.')) != 3)
        return std::nullopt;
    return IpTextToBytes(text);
}

// The bytes a data text of the heartbeat and registration block is written as.
std::optional<QByteArray> heartRegData(const QString &text, bool hex)
{
    if (!hex)
        return Gb18030EncodeCut(text, kHeartRegDataWidth);
    const QString digits = RemoveSpaces(text);
    const int count = int(qMin<qsizetype>(digits.size() / 2, kHeartRegDataWidth));
    QByteArray field(kHeartRegDataWidth, '\0');
    if (!HexTextToBuffer(digits.left(2 * count), field, kHeartRegDataWidth))
        return std::nullopt;
    return field.left(count);
}

QString heartRegText(const QByteArray &block, int lengthOffset, int dataOffset, bool hex)
{
    const int length = qMin<int>(byteAt(block, lengthOffset), kHeartRegDataWidth);
    const QByteArray data = block.mid(dataOffset, length);
    return hex ? TextToHexText(data) : BytesToText(data);
}

QString httpdText(const QByteArray &block, int lengthOffset, int width)
{
    const int length = qMin<int>(byteAt(block, lengthOffset), width);
    return BytesToText(block.mid(lengthOffset + 1, length));
}

void putHttpdText(const QString &text, QByteArray &httpd, int lengthOffset, int width)
{
    ensureSize(httpd, kHttpdBlockSize);
    const QByteArray bytes = Gb18030EncodeCut(text, width);
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
    const auto value = DecimalFieldValue(text);
    return value ? ModbusTime{true, *value, false} : ModbusTime{false, 0, true};
}

// Bytes 1-5 shared by the packing and the newer Modbus block; nothing is written on a bad time.
TBuildResult putModbusTimes(int exception, const QString &timeout, const QString &interval,
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

std::optional<BaseBytes> baseBytes(const TBaseParam &p, QString &badField)
{
    BaseBytes out;
    const std::pair<const QString *, QByteArray *> addresses[] = {
        {&p.Ip, &out.ip}, {&p.Gateway, &out.gateway}, {&p.Mask, &out.mask}};
    const char *names[] = {"Ip", "Gateway", "Mask"};
    for (int i = 0; i < 3; ++i) {
        const auto bytes = addressBytes(*addresses[i].first);
        if (!bytes) {
            badField = QString::fromLatin1(names[i]);
            return std::nullopt;
        }
        *addresses[i].second = *bytes;
    }
    const auto mac = MacTextToBytes(p.UserMac);
    if (!mac) {
        badField = QStringLiteral("UserMac");
        return std::nullopt;
    }
    out.mac = *mac;
    return out;
}

void putBaseCommon(const TBaseParam &p, const BaseBytes &bytes, QByteArray &param)
{
    putLe16(param, kUpnpPort, quint32(p.UpnpPort));
    putLe16(param, kHttpPort, quint32(p.HttpPort));
    putBytes(param, kIp, bytes.ip);
    putBytes(param, kGateway, bytes.gateway);
    putBytes(param, kMask, bytes.mask);
    putBytes(param, kName, TextToField(p.Name, kNameWidth));
    putBytes(param, kWebUser, TextToField(p.WebUser, kLoginWidth));
    putBytes(param, kWebPassword, TextToField(p.WebPassword, kLoginWidth));
    putBytes(param, kUserMac, bytes.mac);
}

// The port bytes Q2 and Q3 writes share: 0-45 and the work mode (51).
void putPortCommon(const TPortParam &p, QByteArray &param)
{
    const int base = kPortBlockOffset;
    putLe32(param, base + kBaud, p.Baud);
    putByte(param, base + kDataBits, quint32(p.DataBits));
    putByte(param, base + kParity, quint32(p.Parity));
    putByte(param, base + kStopBits, quint32(p.StopBits));
    putByte(param, base + kFlowControl, quint32(p.FlowControl));
    putBytes(param, base + kReserved, QByteArray(kReservedWidth, '\0'));
    putLe16(param, base + kLocalPort, quint32(p.LocalPort));
    putLe16(param, base + kRemotePort, quint32(p.RemotePort));
    putBytes(param, base + kRemoteHost, TextToField(p.RemoteHost, kRemoteHostWidth));
    putByte(param, base + kWorkMode, quint32(p.WorkMode));
}

// Modbus TCP conversion applies to the TCP client and server modes only.
bool modbusTcpWritten(const TPortParam &p)
{
    return p.ModbusTcp && (p.WorkMode == 1 || p.WorkMode == 3);
}

} // namespace

// ---- Number fields ---------------------------------------------------------------------------

std::optional<quint32> DecimalFieldValue(const QString &text)
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

int ShortConnTimeFromText(const QString &text)
{
    const auto value = DecimalFieldValue(text);
    return value ? int(*value) : 3;
}

// ---- Parts -----------------------------------------------------------------------------------

QByteArray BaseBlock(const QByteArray &param)
{
    return padded(param, kParamBlockSize).left(kBaseBlockSize);
}

QByteArray PortBlock(const QByteArray &param)
{
    return padded(param, kParamBlockSize).mid(kPortBlockOffset, kPortBlockSize);
}

QByteArray HttpdUrlPart(const QByteArray &httpd)
{
    return padded(httpd, kHttpdBlockSize).left(kHttpdUrlPartSize);
}

QByteArray HttpdHeaderPart(const QByteArray &httpd)
{
    return padded(httpd, kHttpdBlockSize).mid(kHttpdUrlPartSize, kHttpdHeaderPartSize);
}

// ---- Parsers ---------------------------------------------------------------------------------

TBaseParam ParseBaseParam(const QByteArray &param)
{
    const QByteArray b = padded(param, kBaseBlockSize);
    const quint8 flags = byteAt(b, kBaseFlags);
    TBaseParam p;
    p.IsT0 = bit(flags, kFlagIsT0);
    p.FlagBit1 = bit(flags, kFlagBit1);
    p.RegSendMode = bit(flags, kFlagRegSendMode);
    p.ClearCache = bit(flags, kFlagClearCache);
    p.ShortConnEnabled = bit(flags, kFlagShortConn);
    p.StaticIp = bit(flags, kFlagStaticIp);
    p.UpnpPort = int(le16At(b, kUpnpPort));
    p.HttpPort = int(le16At(b, kHttpPort));
    p.Ip = IpBytesToText(b.mid(kIp, 4));
    p.Gateway = IpBytesToText(b.mid(kGateway, 4));
    p.Mask = IpBytesToText(b.mid(kMask, 4));
    p.Name = BytesToText(b.mid(kName, kNameWidth));
    p.WebUser = BytesToText(b.mid(kWebUser, kLoginWidth));
    p.WebPassword = BytesToText(b.mid(kWebPassword, kLoginWidth));
    p.Options = byteAt(b, kOptions);
    p.UserMac = MacBytesToText(b.mid(kUserMac, 6));
    p.Dns = IpBytesToText(b.mid(kDns, 4));
    p.ShortConnTime = byteAt(b, kShortConnTime);
    return p;
}

TPortParam ParsePortParam(const QByteArray &port)
{
    const QByteArray b = padded(port, kPortBlockSize);
    const quint8 flags = byteAt(b, kPortFlags);
    const quint8 styleOrCheck = byteAt(b, kStyleOrSourceCheck);
    TPortParam p;
    p.Baud = BytesToInt(b.mid(kBaud, 4), true);
    p.DataBits = byteAt(b, kDataBits);
    p.Parity = byteAt(b, kParity);
    p.StopBits = byteAt(b, kStopBits);
    p.FlowControl = byteAt(b, kFlowControl);
    p.LocalPort = int(le16At(b, kLocalPort));
    p.RemotePort = int(le16At(b, kRemotePort));
    p.RemoteHost = BytesToText(b.mid(kRemoteHost, kRemoteHostWidth));
    p.ModbusTcp = bit(flags, kPortModbusTcp);
    p.Rfc2217 = bit(flags, kPortRfc2217);
    p.CloudEnabled = bit(flags, kPortCloud);
    p.KickOldConnection = bit(flags, kPortKickOld);
    p.MacRegistration = bit(flags, kPortMacRegistration);
    p.MacHeartbeat = bit(flags, kPortMacHeartbeat);
    p.WorkMode = byteAt(b, kWorkMode);
    p.HttpdMethod = byteAt(b, kHttpdMethod);
    p.TcpServerCount = byteAt(b, kTcpServerCount);
    p.TimeoutRestart = int(le16At(b, kTimeoutRestart));
    p.CustomRegistration = byteAt(b, kCustomRegistration) == 1;
    p.UdpSourceCheck = styleOrCheck == 1;
    p.TcpStyle = styleOrCheck & 0x0F;
    p.PackLength = int(le16At(b, kPackLength));
    p.PackTime = int(le16At(b, kPackTime));
    return p;
}

TCloudParam ParseCloudParam(const QByteArray &cloud)
{
    const QByteArray b = padded(cloud, kCloudBlockSize);
    return {BytesToText(b.mid(kDeviceId, kDeviceIdWidth)),
            BytesToText(b.mid(kCommCode, kCommCodeWidth))};
}

THeartRegParam ParseHeartReg(const QByteArray &block)
{
    const QByteArray b = padded(block, kHeartRegBlockSize);
    std::array<bool, 8> f{};
    ByteToFlags(byteAt(b, 0), f);
    THeartRegParam p;
    p.NetHeartbeat = f[0];
    p.SerialHeartbeat = f[1];
    p.RegOnConnect = f[2];
    p.RegWithData = f[3];
    p.RemoveHttpdHeader = f[4];
    p.ComSetEnable = f[5];
    p.HeartDataHex = f[6];
    p.RegDataHex = f[7];
    p.HeartPeriod = int(le16At(b, kHeartPeriod));
    p.HeartData = heartRegText(b, kHeartLength, kHeartData, p.HeartDataHex);
    p.RegData = heartRegText(b, kRegLength, kRegData, p.RegDataHex);
    return p;
}

THttpdParam ParseHttpd(const QByteArray &block)
{
    const QByteArray b = padded(block, kHttpdBlockSize);
    return {httpdText(b, kUrlLength, kUrlWidth), httpdText(b, kHeaderLength, kHeaderWidth)};
}

TModbusParam ParseModbusShort(const QByteArray &answer)
{
    TModbusParam p;
    p.TcpEnabled = !answer.isEmpty() && answer.at(0) != 0;
    if (answer.size() >= 4) {
        p.PollEnabled = answer.at(1) != 0;
        p.PollTime = QString::number(be16At(answer, 2));
    }
    return p;
}

TModbusPackParam ParseModbusPack(const QByteArray &block)
{
    const QByteArray b = padded(block, kModbusPackBlockSize);
    TModbusPackParam p;
    p.Mode = byteAt(b, kModbusMode);
    p.ExceptionResponse = byteAt(b, kModbusException);
    p.Timeout = QString::number(be16At(b, kModbusTimeout));
    p.Interval = QString::number(be16At(b, kModbusInterval));
    p.ReportProtocol = byteAt(b, kModbusReport);
    return p;
}

TModbusNewParam ParseModbusNew(const QByteArray &block)
{
    const QByteArray b = padded(block, kModbusNewBlockSize);
    TModbusNewParam p;
    p.Mode = byteAt(b, kModbusMode);
    p.ExceptionResponse = byteAt(b, kModbusException);
    p.Timeout = QString::number(be16At(b, kModbusTimeout));
    p.Interval = QString::number(be16At(b, kModbusInterval));
    return p;
}

// ---- Builders --------------------------------------------------------------------------------

TBuildResult BuildQ2Base(const TBaseParam &p, quint8 rememberedFlags, QByteArray &param)
{
    TBuildResult result;
    const auto bytes = baseBytes(p, result.BadField);
    if (!bytes)
        return result;
    const auto dns = addressBytes(p.Dns);
    if (!dns)
        return {QStringLiteral("Dns")};

    ensureSize(param, kParamBlockSize);
    quint8 flags = rememberedFlags;
    flags = withBit(flags, kFlagIsT0, p.IsT0);
    flags = withBit(flags, kFlagClearCache, p.ClearCache);
    flags = withBit(flags, kFlagShortConn, p.ShortConnEnabled);
    flags = withBit(flags, kFlagStaticIp, p.StaticIp);
    putByte(param, kBaseFlags, flags);
    putBaseCommon(p, *bytes, param);
    putByte(param, kOptions, quint32(p.Options) & 0xF0);
    putBytes(param, kDns, *dns);
    putByte(param, kShortConnTime, quint32(p.ShortConnTime));
    return {};
}

void BuildQ2Port(const TPortParam &p, quint8 rememberedFlags, QByteArray &param)
{
    ensureSize(param, kParamBlockSize);
    const int base = kPortBlockOffset;
    putPortCommon(p, param);

    quint8 flags = rememberedFlags;
    flags = withBit(flags, kPortModbusTcp, modbusTcpWritten(p));
    flags = withBit(flags, kPortRfc2217, p.Rfc2217);
    flags = withBit(flags, kPortCloud, p.CloudEnabled);
    flags = withBit(flags, kPortKickOld, p.KickOldConnection);
    flags = withBit(flags, kPortMacRegistration, p.MacRegistration);
    flags = withBit(flags, kPortMacHeartbeat, p.MacHeartbeat);
    putByte(param, base + kPortFlags, flags);

    putByte(param, base + kHttpdMethod, quint32(p.HttpdMethod));
    putByte(param, base + kTcpServerCount, quint32(p.TcpServerCount));
    putLe16(param, base + kTimeoutRestart, quint32(p.TimeoutRestart));
    putByte(param, base + kCustomRegistration, p.CustomRegistration ? 1 : 0);
    putByte(param, base + kStyleOrSourceCheck, p.UdpSourceCheck ? 1 : 0);
    putLe16(param, base + kPackLength, quint32(p.PackLength));
    putLe16(param, base + kPackTime, quint32(p.PackTime));
}

TBuildResult BuildQ3Base(const TBaseParam &p, QByteArray &param)
{
    TBuildResult result;
    const auto bytes = baseBytes(p, result.BadField);
    if (!bytes)
        return result;

    ensureSize(param, kParamBlockSize);
    putByte(param, kBaseFlags, p.StaticIp ? kFlagStaticIp : 0);
    putBaseCommon(p, *bytes, param);
    putByte(param, kOptions, quint32(p.Options));
    return {};
}

void BuildQ3Port(const TPortParam &p, QByteArray &param)
{
    ensureSize(param, kParamBlockSize);
    const int base = kPortBlockOffset;
    putPortCommon(p, param);

    quint8 flags = byteAt(param, base + kPortFlags);
    flags = withBit(flags, kPortModbusTcp, modbusTcpWritten(p));
    flags = withBit(flags, kPortRfc2217, p.Rfc2217);
    putByte(param, base + kPortFlags, flags);

    putLe32(param, base + kQ3PackLength, quint32(p.PackLength));
    putByte(param, base + kStyleOrSourceCheck,
            quint32(p.TcpServerCount) * 16 + quint32(p.TcpStyle));
}

void BuildCloud(const TCloudParam &p, QByteArray &cloud)
{
    ensureSize(cloud, kCloudBlockSize);
    putBytes(cloud, kDeviceId, TextToField(p.DeviceId, kDeviceIdWidth));
    putBytes(cloud, kCommCode, TextToField(p.CommCode, kCommCodeWidth));
}

bool IsCloudDeviceIdValid(const QString &deviceId)
{
    return Gb18030Encode(deviceId).size() == kDeviceIdWidth;
}

bool IsCloudCommCodeValid(const QString &commCode)
{
    return Gb18030Encode(commCode).size() == kCommCodeWidth;
}

TBuildResult BuildHeartReg(const THeartRegParam &p, QByteArray &block)
{
    const auto heart = heartRegData(p.HeartData, p.HeartDataHex);
    if (!heart)
        return {QStringLiteral("HeartData")};
    const auto reg = heartRegData(p.RegData, p.RegDataHex);
    if (!reg)
        return {QStringLiteral("RegData")};

    ensureSize(block, kHeartRegBlockSize);
    const std::array<bool, 8> flags = {p.NetHeartbeat, p.SerialHeartbeat,   p.RegOnConnect,
                                       p.RegWithData,  p.RemoveHttpdHeader, p.ComSetEnable,
                                       p.HeartDataHex, p.RegDataHex};
    putByte(block, 0, FlagsToByte(flags));
    putLe16(block, kHeartPeriod, quint32(p.HeartPeriod));
    putByte(block, kHeartLength, quint32(heart->size()));
    putByte(block, kRegLength, quint32(reg->size()));
    putBytes(block, kHeartData, padded(*heart, kHeartRegDataWidth));
    putBytes(block, kRegData, padded(*reg, kHeartRegDataWidth));
    return {};
}

void BuildHttpdUrl(const QString &url, QByteArray &httpd)
{
    putHttpdText(url, httpd, kUrlLength, kUrlWidth);
}

void BuildHttpdHeader(const QString &header, QByteArray &httpd)
{
    putHttpdText(header, httpd, kHeaderLength, kHeaderWidth);
}

std::optional<QByteArray> BuildModbusShort(const TModbusParam &p, int form)
{
    if (form == 1)
        return QByteArray(1, p.TcpEnabled ? 1 : 0);
    if (form != 4)
        return std::nullopt;
    const auto time = DecimalFieldValue(p.PollTime);
    if (!time)
        return std::nullopt;
    QByteArray out(4, '\0');
    putByte(out, 0, p.TcpEnabled ? 1 : 0);
    putByte(out, 1, p.PollEnabled ? 1 : 0);
    putBe16(out, 2, *time);
    return out;
}

TBuildResult BuildModbusPack(const TModbusPackParam &p, QByteArray &block)
{
    QByteArray out = block;
    ensureSize(out, kModbusPackBlockSize);
    putByte(out, kModbusMode, quint32(p.Mode));
    if (p.Mode == 1 || p.Mode == 2) {
        const TBuildResult times = putModbusTimes(p.ExceptionResponse, p.Timeout, p.Interval, out);
        if (!times)
            return times;
    }
    if (p.Mode == 2)
        putByte(out, kModbusReport, quint32(p.ReportProtocol));
    block = out;
    return {};
}

TBuildResult BuildModbusNew(const TModbusNewParam &p, QByteArray &block)
{
    QByteArray out = block;
    ensureSize(out, kModbusNewBlockSize);
    putByte(out, kModbusMode, quint32(p.Mode));
    if (p.Mode == 2) {
        const TBuildResult times = putModbusTimes(p.ExceptionResponse, p.Timeout, p.Interval, out);
        if (!times)
            return times;
    }
    block = out;
    return {};
}
