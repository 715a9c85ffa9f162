#include "ParamKeys.h"

#include "common/ParamBlocks.h"
#include "common/TextCodec.h"
#include "common/ValueHelpers.h"
#include "lang/LangList.h"

#include <QHash>

namespace {

// Every record a key reads or writes.
struct Records
{
    BaseParams base;
    PortParams port;
    CloudParams cloud;
    HeartRegParams heart;
    HttpdParams httpd;
    ModbusParams modbusShort;
    ModbusPackParams pack;
    ModbusNewParams modbusNew;
};

using Getter = QVariant (*)(const Records &);
using Setter = void (*)(Records &, const QVariant &);

struct KeyImpl
{
    ParamKey info;
    Getter get = nullptr;
    Setter set = nullptr;
};

FieldRule notEmpty()
{
    return {true, false, 0, 0};
}
FieldRule q2Number()
{
    return {true, true, 0, 0};
}
FieldRule q3Number(quint32 max)
{
    return {true, true, max, 10};
}

QVariant num(qint64 v)
{
    return QVariant(qlonglong(v));
}
int toInt(const QVariant &v)
{
    return int(v.toLongLong());
}

// The choice name of `code` among `codes` (the first name when the code is none of them).
QVariant choiceOf(int code, std::initializer_list<int> codes, const QStringList &names)
{
    int i = 0;
    for (int c : codes) {
        if (c == code)
            return names.value(i);
        ++i;
    }
    return names.value(0);
}
int codeOf(const QVariant &v, std::initializer_list<int> codes, const QStringList &names)
{
    const int i = int(names.indexOf(v.toString()));
    return i >= 0 && i < int(codes.size()) ? codes.begin()[i] : codes.begin()[0];
}

const QStringList kParity = {"none", "odd", "even", "mark", "space"};
const QStringList kFlow = {"none", "hardware", "rs485"};
const QStringList kWorkMode = {"udp_client", "tcp_client",   "udp_server",
                               "tcp_server", "httpd_client", "udp_multicast"};
const QStringList kHttpdMethod = {"get", "post"};
const QStringList kRegType = {"off", "mac", "custom", "cloud"};
const QStringList kHeartDataType = {"mac", "user"};
const QStringList kHeartMode = {"off", "serial", "net"};
const QStringList kRegSend = {"none", "connect", "data", "both"};
const QStringList kModbusMode = {"off", "conversion", "polling"};
const QStringList kReportProtocol = {"transparent", "json"};

int optionBit(const QVariant &on, int options, int mask)
{
    return on.toBool() ? (options | mask) : (options & ~mask);
}

QList<KeyImpl> buildTable()
{
    QList<KeyImpl> t;
    // A key of both models, of the Q2 model only or of the Q3 model only.
    auto add = [&t](const char *key, KeyType type, KeyBlock block, bool q2, bool q3,
                    const char *where, const char *q2Control, const char *q3Control,
                    const char *labelKey, Getter get, Setter set) -> ParamKey & {
        KeyImpl k;
        k.info.key = QString::fromLatin1(key);
        k.info.type = type;
        k.info.block = block;
        k.info.q2 = q2;
        k.info.q3 = q3;
        k.info.where = QString::fromUtf8(where);
        k.info.q2Control = QString::fromUtf8(q2Control);
        k.info.q3Control = QString::fromUtf8(q3Control);
        k.info.labelKey = QString::fromLatin1(labelKey);
        k.get = get;
        k.set = set;
        t.append(k);
        return t.last().info;
    };
    auto range = [](ParamKey &k, qint64 min, qint64 max) -> ParamKey & {
        k.min = min;
        k.max = max;
        return k;
    };
    const auto P = KeyBlock::Param;
    const auto B = KeyType::Bool;
    const auto I = KeyType::Int;
    const auto T = KeyType::Text;
    const auto C = KeyType::Choice;

    // ---- Base block --------------------------------------------------------------------------
    add(
        "net.static", B, P, true, true, "base 3 bit 7 (BaseParams::staticIp)", "cbb_AddrType",
        "cbb_AddrTypeQ3", "lang_Lbl_IPType",
        [](const Records &r) { return QVariant(r.base.staticIp); },
        [](Records &r, const QVariant &v) { r.base.staticIp = v.toBool(); });
    {
        ParamKey &k = add(
            "net.ip", KeyType::Ip, P, true, true, "base 9-12 (BaseParams::ip)", "edt_StaticIP",
            "edt_StaticIPQ3", "lang_Lbl_StaticIP",
            [](const Records &r) { return QVariant(r.base.ip); },
            [](Records &r, const QVariant &v) { r.base.ip = v.toString(); });
        k.q2Rule = k.q3Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "net.mask", KeyType::Ip, P, true, true, "base 17-20 (BaseParams::mask)",
            "edt_SubnetMask", "edt_SubnetMaskQ3", "lang_Lbl_SubnetMask",
            [](const Records &r) { return QVariant(r.base.mask); },
            [](Records &r, const QVariant &v) { r.base.mask = v.toString(); });
        k.q2Rule = k.q3Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "net.gateway", KeyType::Ip, P, true, true, "base 13-16 (BaseParams::gateway)",
            "edt_GatewayIP", "edt_GatewayIPQ3", "lang_Lbl_Gateway",
            [](const Records &r) { return QVariant(r.base.gateway); },
            [](Records &r, const QVariant &v) { r.base.gateway = v.toString(); });
        k.q2Rule = k.q3Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "net.dns", KeyType::Ip, P, true, false, "base 59-62 (BaseParams::dns)", "edtDns", "",
            "lang_lblDns", [](const Records &r) { return QVariant(r.base.dns); },
            [](Records &r, const QVariant &v) { r.base.dns = v.toString(); });
        k.q2Rule = notEmpty();
    }
    {
        ParamKey &k =
            range(add(
                      "net.http_port", I, P, true, true, "base 6-7, LE16 (BaseParams::httpPort)",
                      "edt_HTTPServerPort", "edt_HTTPServerPortQ3", "lang_Lbl_HTTPPort",
                      [](const Records &r) { return num(r.base.httpPort); },
                      [](Records &r, const QVariant &v) { r.base.httpPort = toInt(v); }),
                  0, 65535);
        k.q2Rule = q2Number();
        k.q3Rule = q3Number(0xFFFF);
    }
    {
        ParamKey &k =
            range(add(
                      "net.upnp_port", I, P, true, true, "base 4-5, LE16 (BaseParams::upnpPort)",
                      "edt_LocationURLPort", "edt_LocationURLPortQ3", "lang_Lbl_UPNPPort",
                      [](const Records &r) { return num(r.base.upnpPort); },
                      [](Records &r, const QVariant &v) { r.base.upnpPort = toInt(v); }),
                  0, 65535);
        k.q3Rule = q3Number(0xFFFF);
    }
    add(
        "net.clear_cache", B, P, true, false, "base 3 bit 4 (BaseParams::clearCache)",
        "rzCheckBox2", "", "", [](const Records &r) { return QVariant(r.base.clearCache); },
        [](Records &r, const QVariant &v) { r.base.clearCache = v.toBool(); });
    add(
        "net.short_conn", B, P, true, false, "base 3 bit 5 (BaseParams::shortConnEnabled)",
        "rzCheckBoxShortEnable", "", "",
        [](const Records &r) { return QVariant(r.base.shortConnEnabled); },
        [](Records &r, const QVariant &v) { r.base.shortConnEnabled = v.toBool(); });
    {
        ParamKey &k = range(
            add(
                "net.short_conn_time", I, P, true, false, "base 63 (BaseParams::shortConnTime)",
                "labeledEditShortTime", "", "lang_LabeledEditShortTime",
                [](const Records &r) { return num(r.base.shortConnTime); },
                [](Records &r, const QVariant &v) { r.base.shortConnTime = toInt(v); }),
            0, 255);
        k.q2Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "dev.name", T, P, true, true, "base 21-36 (BaseParams::name)", "edt_ModName",
            "edt_ModNameQ3", "lang_Lbl_DevName",
            [](const Records &r) { return QVariant(r.base.name); },
            [](Records &r, const QVariant &v) { r.base.name = v.toString(); });
        k.maxBytes = 16;
        k.q2Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "dev.web_user", T, P, true, true, "base 37-42 (BaseParams::webUser)", "edt_username",
            "edt_usernameQ3", "lang_Lbl_UserName",
            [](const Records &r) { return QVariant(r.base.webUser); },
            [](Records &r, const QVariant &v) { r.base.webUser = v.toString(); });
        k.maxBytes = 6;
        k.q2Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "dev.web_password", T, P, true, true, "base 43-48 (BaseParams::webPassword)",
            "edt_password", "edt_passwordQ3", "lang_Lbl_Password",
            [](const Records &r) { return QVariant(r.base.webPassword); },
            [](Records &r, const QVariant &v) { r.base.webPassword = v.toString(); });
        k.maxBytes = 6;
        k.q2Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "dev.user_mac", KeyType::Mac, P, true, true, "base 53-58 (BaseParams::userMac)",
            "edt_UserMAC", "edt_UserMACQ3", "lang_Lbl_MAC",
            [](const Records &r) { return QVariant(r.base.userMac); },
            [](Records &r, const QVariant &v) { r.base.userMac = v.toString(); });
        k.q3Rule = notEmpty();
    }
    add(
        "dev.t0", B, P, true, false, "base 3 bit 0 (BaseParams::isT0)", "chkisT0", "", "",
        [](const Records &r) { return QVariant(r.base.isT0); },
        [](Records &r, const QVariant &v) { r.base.isT0 = v.toBool(); });
    {
        ParamKey &k = range(add(
                                "dev.id_type", I, P, false, true, "base 52 (BaseParams::options)",
                                "", "edt_IdTypeQ3", "lang_Lbl_DevIDType",
                                [](const Records &r) { return num(r.base.options & 0x03); },
                                [](Records &r, const QVariant &v) { r.base.options = toInt(v); }),
                            0, 3);
        k.q3Rule = q3Number(3);
    }
    add(
        "opt.reset", B, P, true, false, "base 52 bit 4 (BaseParams::options)", "rzchckbx_Reset", "",
        "", [](const Records &r) { return QVariant((r.base.options & kOptionReset) != 0); },
        [](Records &r, const QVariant &v) {
            r.base.options = optionBit(v, r.base.options, kOptionReset);
        });
    add(
        "opt.link", B, P, true, false, "base 52 bit 5 (BaseParams::options)", "rzchckbx_Link", "",
        "", [](const Records &r) { return QVariant((r.base.options & kOptionLink) != 0); },
        [](Records &r, const QVariant &v) {
            r.base.options = optionBit(v, r.base.options, kOptionLink);
        });
    add(
        "opt.index", B, P, true, false, "base 52 bit 6 (BaseParams::options)", "rzchckbx_Index", "",
        "", [](const Records &r) { return QVariant((r.base.options & kOptionIndex) != 0); },
        [](Records &r, const QVariant &v) {
            r.base.options = optionBit(v, r.base.options, kOptionIndex);
        });
    add(
        "opt.baud_sync", B, P, true, false, "base 52 bit 7 (BaseParams::options)",
        "rzchckbx_RFC2217", "", "",
        [](const Records &r) { return QVariant((r.base.options & kOptionRfc2217) != 0); },
        [](Records &r, const QVariant &v) {
            r.base.options = optionBit(v, r.base.options, kOptionRfc2217);
        });

    // ---- Port block (offsets inside the port block, which is parameter bytes 67-129) ---------
    {
        ParamKey &k =
            range(add(
                      "port.baud", I, P, true, true, "port 0-3, LE32 (PortParams::baud)",
                      "cbb_BaudRate0", "cbb_BaudRate0Q3", "lang_Lbl_Baudrate",
                      [](const Records &r) { return num(r.port.baud); },
                      [](Records &r, const QVariant &v) { r.port.baud = quint32(v.toLongLong()); }),
                  1, 0xFFFFFFFFLL);
        k.q2Rule = {false, true, 0, 0};
        k.q3Rule = {false, true, 0, 0};
    }
    range(add(
              "port.databits", I, P, true, true, "port 4 (PortParams::dataBits)", "cbb_D0",
              "cbb_D0Q3", "lang_Lbl_PDS", [](const Records &r) { return num(r.port.dataBits); },
              [](Records &r, const QVariant &v) { r.port.dataBits = toInt(v); }),
          5, 8);
    add(
        "port.parity", C, P, true, true, "port 5: 1-5 (PortParams::parity)", "cbb_P0", "cbb_P0Q3",
        "lang_Lbl_PDS",
        [](const Records &r) {
            return choiceOf(r.port.parity, {1, 2, 3, 4, 5}, kParity);
        },
        [](Records &r, const QVariant &v) {
            r.port.parity = codeOf(v, {1, 2, 3, 4, 5}, kParity);
        })
        .choices = kParity;
    range(add(
              "port.stopbits", I, P, true, true, "port 6 (PortParams::stopBits)", "cbb_S0",
              "cbb_S0Q3", "lang_Lbl_PDS", [](const Records &r) { return num(r.port.stopBits); },
              [](Records &r, const QVariant &v) { r.port.stopBits = toInt(v); }),
          1, 2);
    add(
        "port.flow", C, P, true, true, "port 7: 1, 3, 5 (PortParams::flowControl)",
        "cbb_FlowControl0", "cbb_FlowControl0Q3", "lang_Lbl_FlowControl",
        [](const Records &r) {
            return choiceOf(r.port.flowControl, {1, 3, 5}, kFlow);
        },
        [](Records &r, const QVariant &v) {
            r.port.flowControl = codeOf(v, {1, 3, 5}, kFlow);
        })
        .choices = kFlow;
    {
        ParamKey &k =
            range(add(
                      "port.local", I, P, true, true, "port 12-13, LE16 (PortParams::localPort)",
                      "edt_LocalPort0", "edt_LocalPort0Q3", "lang_Lbl_LocalPort",
                      [](const Records &r) { return num(r.port.localPort); },
                      [](Records &r, const QVariant &v) { r.port.localPort = toInt(v); }),
                  0, 65535);
        k.q2Rule = q2Number();
        k.q3Rule = q3Number(0xFFFF);
    }
    {
        ParamKey &k = range(
            add(
                "port.remote_port", I, P, true, true, "port 14-15, LE16 (PortParams::remotePort)",
                "edt_RemotePort0", "edt_RemotePort0Q3", "lang_Lbl_RemotePort",
                [](const Records &r) { return num(r.port.remotePort); },
                [](Records &r, const QVariant &v) { r.port.remotePort = toInt(v); }),
            0, 65535);
        k.q2Rule = q2Number();
        k.q3Rule = q3Number(0xFFFF);
    }
    {
        ParamKey &k = add(
            "port.remote_host", T, P, true, true, "port 16-45 (PortParams::remoteHost)",
            "edt_RemoteIP0", "edt_RemoteIP0Q3", "lang_Lbl_RemoteIP",
            [](const Records &r) { return QVariant(r.port.remoteHost); },
            [](Records &r, const QVariant &v) { r.port.remoteHost = v.toString(); });
        k.maxBytes = 30;
        k.q2Rule = k.q3Rule = notEmpty();
    }
    add(
        "port.work_mode", C, P, true, true, "port 51: 0-5 (PortParams::workMode)",
        "cbb_WorkMode0, chkMulticast", "cbb_WorkMode0Q3", "lang_Lbl_WorkMode",
        [](const Records &r) {
            return choiceOf(r.port.workMode, {0, 1, 2, 3, 4, 5}, kWorkMode);
        },
        [](Records &r, const QVariant &v) {
            r.port.workMode = codeOf(v, {0, 1, 2, 3, 4, 5}, kWorkMode);
        })
        .choices = kWorkMode;
    add(
        "port.modbus_tcp", B, P, true, true,
        "port 50 bit 2, written in the TCP modes only (PortParams::modbusTcp)", "cbb_ModbusTCP0",
        "cbb_ModbusTCP0Q3", "lang_Lbl_ModbusTCP",
        [](const Records &r) { return QVariant(r.port.modbusTcp); },
        [](Records &r, const QVariant &v) { r.port.modbusTcp = v.toBool(); });
    add(
        "port.rfc2217", B, P, true, true, "port 50 bit 3 (PortParams::rfc2217)", "chk_RFC22170",
        "chk_RFC22170Q3", "", [](const Records &r) { return QVariant(r.port.rfc2217); },
        [](Records &r, const QVariant &v) { r.port.rfc2217 = v.toBool(); });
    add(
        "port.kick_old", B, P, true, false, "port 50 bit 5 (PortParams::kickOldConnection)",
        "rzCheckBox1", "", "", [](const Records &r) { return QVariant(r.port.kickOldConnection); },
        [](Records &r, const QVariant &v) { r.port.kickOldConnection = v.toBool(); });
    add(
        "port.httpd_method", C, P, true, false, "port 52: 0-1 (PortParams::httpdMethod)",
        "cbbGetPost", "", "lang_lblGetPost",
        [](const Records &r) {
            return choiceOf(r.port.httpdMethod, {0, 1}, kHttpdMethod);
        },
        [](Records &r, const QVariant &v) {
            r.port.httpdMethod = codeOf(v, {0, 1}, kHttpdMethod);
        })
        .choices = kHttpdMethod;
    range(add(
              "port.tcp_server_count", I, P, true, true,
              "Q2: port 53; Q3: port 58 bits 4-7 (PortParams::tcpServerCount)", "cbb_TCPSvrCount0",
              "cbb_TCPSvrCount0Q3", "lang_Lbl_TCPSvrCount",
              [](const Records &r) { return num(r.port.tcpServerCount); },
              [](Records &r, const QVariant &v) { r.port.tcpServerCount = toInt(v); }),
          1, 16);
    range(add(
              "port.tcp_style", I, P, false, true, "Q3: port 58 bits 0-3 (PortParams::tcpStyle)",
              "", "cbb_TCPStyle0Q3", "lang_Lbl_TCPStyle",
              [](const Records &r) { return num(r.port.tcpStyle); },
              [](Records &r, const QVariant &v) { r.port.tcpStyle = toInt(v); }),
          1, 3);
    {
        ParamKey &k = range(
            add(
                "port.restart_timeout", I, P, true, false,
                "port 54-55, LE16 (PortParams::timeoutRestart)", "labeledEdit1", "",
                "lang_LabeledEdit1", [](const Records &r) { return num(r.port.timeoutRestart); },
                [](Records &r, const QVariant &v) { r.port.timeoutRestart = toInt(v); }),
            0, 65535);
        k.q2Rule = q2Number();
    }
    add(
        "port.udp_source_check", B, P, true, false, "port 58 == 1 (PortParams::udpSourceCheck)",
        "rzchbUdpFrom", "", "", [](const Records &r) { return QVariant(r.port.udpSourceCheck); },
        [](Records &r, const QVariant &v) { r.port.udpSourceCheck = v.toBool(); });
    {
        ParamKey &k = range(
            add(
                "port.pack_length", I, P, true, true,
                "Q2: port 59-60, LE16; Q3: port 52-55, LE32 "
                "(PortParams::packLength)",
                "edtUartPackLEN", "edt_UARTLength0Q3", "lang_Lbl_PackLen",
                [](const Records &r) { return num(r.port.packLength); },
                [](Records &r, const QVariant &v) { r.port.packLength = int(v.toLongLong()); }),
            0, 65535);
        k.q3Max = 0x7FFFFFFF;
        k.q2Rule = q2Number();
        k.q3Rule = q3Number(0xFFFFFFFF);
    }
    {
        ParamKey &k =
            range(add(
                      "port.pack_time", I, P, true, false,
                      "port 61-62, LE16 (PortParams::packTime)", "edt_UARTTime0", "",
                      "lang_Lbl_PackTime", [](const Records &r) { return num(r.port.packTime); },
                      [](Records &r, const QVariant &v) { r.port.packTime = toInt(v); }),
                  0, 65535);
        k.q2Rule = q2Number();
    }
    add(
        "reg.type", C, P, true, false,
        "port 50 bit 6 (mac), port 56 == 1 (custom), port 50 bit 4 (cloud) "
        "(PortParams::macRegistration, customRegistration, cloudEnabled)",
        "rzComboBox2", "", "",
        [](const Records &r) {
            const int type = r.port.cloudEnabled         ? 3
                             : r.port.customRegistration ? 2
                             : r.port.macRegistration    ? 1
                                                         : 0;
            return QVariant(kRegType.value(type));
        },
        [](Records &r, const QVariant &v) {
            const int type = int(kRegType.indexOf(v.toString()));
            r.port.macRegistration = type == 1;
            r.port.customRegistration = type == 2;
            r.port.cloudEnabled = type == 3;
        })
        .choices = kRegType;
    add(
        "heart.data_type", C, P, true, false, "port 50 bit 7 (PortParams::macHeartbeat)",
        "cbbHeartPackType", "", "lang_lblHeartPackType",
        [](const Records &r) {
            return QVariant(kHeartDataType.value(r.port.macHeartbeat ? 0 : 1));
        },
        [](Records &r, const QVariant &v) {
            r.port.macHeartbeat = v.toString() == kHeartDataType.at(0);
        })
        .choices = kHeartDataType;

    // ---- Cloud block -------------------------------------------------------------------------
    add(
        "cloud.device_id", T, KeyBlock::Cloud, true, false,
        "cloud 2-21, exactly 20 bytes (CloudParams::deviceId)", "edtDid", "", "lang_lblDid",
        [](const Records &r) { return QVariant(r.cloud.deviceId); },
        [](Records &r, const QVariant &v) { r.cloud.deviceId = v.toString(); })
        .maxBytes = 20;
    add(
        "cloud.comm_code", T, KeyBlock::Cloud, true, false,
        "cloud 22-29, exactly 8 bytes (CloudParams::commCode)", "edtCompass", "", "lang_lblCompass",
        [](const Records &r) { return QVariant(r.cloud.commCode); },
        [](Records &r, const QVariant &v) { r.cloud.commCode = v.toString(); })
        .maxBytes = 8;

    // ---- Heartbeat and registration block ----------------------------------------------------
    const auto H = KeyBlock::HeartReg;
    add(
        "heart.mode", C, H, true, false,
        "heart 0 bits 0-1 (HeartRegParams::netHeartbeat, "
        "serialHeartbeat)",
        "rzComboBox1", "", "",
        [](const Records &r) {
            return QVariant(kHeartMode.value(r.heart.netHeartbeat      ? 2
                                             : r.heart.serialHeartbeat ? 1
                                                                       : 0));
        },
        [](Records &r, const QVariant &v) {
            const int mode = int(kHeartMode.indexOf(v.toString()));
            r.heart.netHeartbeat = mode == 2;
            r.heart.serialHeartbeat = mode == 1;
        })
        .choices = kHeartMode;
    {
        ParamKey &k =
            range(add(
                      "heart.period", I, H, true, false,
                      "heart 1-2, LE16 (HeartRegParams::heartPeriod)", "edtHeartTm", "",
                      "lang_lblHeartTm", [](const Records &r) { return num(r.heart.heartPeriod); },
                      [](Records &r, const QVariant &v) { r.heart.heartPeriod = toInt(v); }),
                  0, 65535);
        k.q2Rule = q2Number();
    }
    add(
        "heart.data", T, H, true, false,
        "heart 3 (length), 5-44 (HeartRegParams::heartData; hex digits when heart.data_hex)",
        "edtHeartDt", "", "lang_lblHeartDt",
        [](const Records &r) { return QVariant(r.heart.heartData); },
        [](Records &r, const QVariant &v) { r.heart.heartData = v.toString(); })
        .q2Rule = notEmpty();
    add(
        "heart.data_hex", B, H, true, false, "heart 0 bit 6 (HeartRegParams::heartDataHex)",
        "rzchckbxHeartDtHex", "", "",
        [](const Records &r) { return QVariant(r.heart.heartDataHex); },
        [](Records &r, const QVariant &v) { r.heart.heartDataHex = v.toBool(); });
    add(
        "reg.send", C, H, true, false,
        "heart 0 bits 2-3 (HeartRegParams::regOnConnect, regWithData)", "cbbRegType", "",
        "lang_lblRegSnd",
        [](const Records &r) {
            return QVariant(
                kRegSend.value((r.heart.regOnConnect ? 1 : 0) + (r.heart.regWithData ? 2 : 0)));
        },
        [](Records &r, const QVariant &v) {
            const int i = int(kRegSend.indexOf(v.toString()));
            r.heart.regOnConnect = (i & 1) != 0;
            r.heart.regWithData = (i & 2) != 0;
        })
        .choices = kRegSend;
    add(
        "reg.data", T, H, true, false,
        "heart 4 (length), 45-84 (HeartRegParams::regData; hex digits when reg.data_hex)",
        "edtRegDt", "", "lang_lblRegTp", [](const Records &r) { return QVariant(r.heart.regData); },
        [](Records &r, const QVariant &v) { r.heart.regData = v.toString(); })
        .q2Rule = notEmpty();
    add(
        "reg.data_hex", B, H, true, false, "heart 0 bit 7 (HeartRegParams::regDataHex)",
        "rzchckbxRegDtHex", "", "", [](const Records &r) { return QVariant(r.heart.regDataHex); },
        [](Records &r, const QVariant &v) { r.heart.regDataHex = v.toBool(); });
    add(
        "httpd.remove_header", B, H, true, false,
        "heart 0 bit 4 (HeartRegParams::removeHttpdHeader)", "rzCheckBox3", "", "",
        [](const Records &r) { return QVariant(r.heart.removeHttpdHeader); },
        [](Records &r, const QVariant &v) { r.heart.removeHttpdHeader = v.toBool(); });
    add(
        "dev.com_set", B, H, true, false, "heart 0 bit 5 (HeartRegParams::comSetEnable)",
        "rzchckbxComSetEnable", "", "",
        [](const Records &r) { return QVariant(r.heart.comSetEnable); },
        [](Records &r, const QVariant &v) { r.heart.comSetEnable = v.toBool(); });

    // ---- HTTPD block -------------------------------------------------------------------------
    {
        ParamKey &k = add(
            "httpd.url", T, KeyBlock::Httpd, true, false,
            "httpd 0 (length), 1-100 (HttpdParams::url)", "labeledEdit2", "", "Httpd URL",
            [](const Records &r) { return QVariant(r.httpd.url); },
            [](Records &r, const QVariant &v) { r.httpd.url = v.toString(); });
        k.maxBytes = 100;
        k.q2Rule = notEmpty();
    }
    {
        ParamKey &k = add(
            "httpd.header", T, KeyBlock::Httpd, true, false,
            "httpd 101 (length), 102-301 (HttpdParams::header)", "rzRichEdit1", "", "Httpd Header",
            [](const Records &r) { return QVariant(r.httpd.header); },
            [](Records &r, const QVariant &v) { r.httpd.header = v.toString(); });
        k.maxBytes = 200;
        k.q2Rule = notEmpty();
    }

    // ---- Modbus blocks -----------------------------------------------------------------------
    add(
        "modbus.tcp", B, KeyBlock::ModbusShort, true, false,
        "modbus (1 or 4 bytes) 0 (ModbusParams::tcpEnabled)", "rzchckbxmodbustcp", "", "",
        [](const Records &r) { return QVariant(r.modbusShort.tcpEnabled); },
        [](Records &r, const QVariant &v) { r.modbusShort.tcpEnabled = v.toBool(); });
    add(
        "modbus.poll", B, KeyBlock::ModbusPoll, true, false,
        "modbus (4 bytes) 1 (ModbusParams::pollEnabled)", "rzchckbxmodbuspool", "", "",
        [](const Records &r) { return QVariant(r.modbusShort.pollEnabled); },
        [](Records &r, const QVariant &v) { r.modbusShort.pollEnabled = v.toBool(); });
    {
        ParamKey &k =
            range(add(
                      "modbus.poll_time", I, KeyBlock::ModbusPoll, true, false,
                      "modbus (4 bytes) 2-3, BE16 (ModbusParams::pollTime)", "edtwaittime", "",
                      "lang_lblhearttime",
                      [](const Records &r) { return num(r.modbusShort.pollTime.toLongLong()); },
                      [](Records &r, const QVariant &v) {
                          r.modbusShort.pollTime = QString::number(v.toLongLong());
                      }),
                  0, 65535);
        k.q2Rule = q2Number();
    }
    const auto MP = KeyBlock::ModbusPack;
    add(
        "modbus.pack_mode", C, MP, true, false, "modbus87 0: 0-2 (ModbusPackParams::mode)",
        "cbbModbusType", "", "lang_lblModbusEn",
        [](const Records &r) {
            return choiceOf(r.pack.mode, {0, 1, 2}, kModbusMode);
        },
        [](Records &r, const QVariant &v) {
            r.pack.mode = codeOf(v, {0, 1, 2}, kModbusMode);
        })
        .choices = kModbusMode;
    add(
        "modbus.pack_exception", B, MP, true, false,
        "modbus87 1, modes 1-2 (ModbusPackParams::exceptionResponse)", "cbbModbusException", "",
        "lang_lblModbusException",
        [](const Records &r) { return QVariant(r.pack.exceptionResponse != 0); },
        [](Records &r, const QVariant &v) { r.pack.exceptionResponse = v.toBool() ? 1 : 0; });
    add(
        "modbus.pack_protocol", C, MP, true, false,
        "modbus87 6, mode 2 (ModbusPackParams::reportProtocol)", "cbbReporproto", "",
        "lang_lblReportProto",
        [](const Records &r) {
            return choiceOf(r.pack.reportProtocol, {0, 1}, kReportProtocol);
        },
        [](Records &r, const QVariant &v) {
            r.pack.reportProtocol = codeOf(v, {0, 1}, kReportProtocol);
        })
        .choices = kReportProtocol;
    {
        ParamKey &k = range(add(
                                "modbus.pack_timeout", I, MP, true, false,
                                "modbus87 2-3, BE16, modes 1-2 (ModbusPackParams::timeout)",
                                "edtModbusTimeout", "", "lang_lblModbusTimeout",
                                [](const Records &r) { return num(r.pack.timeout.toLongLong()); },
                                [](Records &r, const QVariant &v) {
                                    r.pack.timeout = QString::number(v.toLongLong());
                                }),
                            0, 65535);
        k.q2Rule = q2Number();
    }
    {
        ParamKey &k = range(add(
                                "modbus.pack_interval", I, MP, true, false,
                                "modbus87 4-5, BE16, modes 1-2 (ModbusPackParams::interval)",
                                "edtModbusInterval", "", "lang_lblModbusInterval",
                                [](const Records &r) { return num(r.pack.interval.toLongLong()); },
                                [](Records &r, const QVariant &v) {
                                    r.pack.interval = QString::number(v.toLongLong());
                                }),
                            0, 65535);
        k.q2Rule = q2Number();
    }
    const auto MN = KeyBlock::ModbusNew;
    add(
        "modbus.new_mode", C, MN, true, false, "modbus100 0: 0-2 (ModbusNewParams::mode)",
        "cmbModbusEnable1", "", "lang_lblModbusEnable1",
        [](const Records &r) {
            return choiceOf(r.modbusNew.mode, {0, 1, 2}, kModbusMode);
        },
        [](Records &r, const QVariant &v) {
            r.modbusNew.mode = codeOf(v, {0, 1, 2}, kModbusMode);
        })
        .choices = kModbusMode;
    add(
        "modbus.new_exception", B, MN, true, false,
        "modbus100 1, mode 2 (ModbusNewParams::exceptionResponse)", "cmbModbusException1", "",
        "lang_lblModbusException1",
        [](const Records &r) { return QVariant(r.modbusNew.exceptionResponse != 0); },
        [](Records &r, const QVariant &v) { r.modbusNew.exceptionResponse = v.toBool() ? 1 : 0; });
    {
        ParamKey &k =
            range(add(
                      "modbus.new_timeout", I, MN, true, false,
                      "modbus100 2-3, BE16, mode 2 (ModbusNewParams::timeout)", "edtModbusTimeout1",
                      "", "lang_lblModbusTimeout1",
                      [](const Records &r) { return num(r.modbusNew.timeout.toLongLong()); },
                      [](Records &r, const QVariant &v) {
                          r.modbusNew.timeout = QString::number(v.toLongLong());
                      }),
                  0, 65535);
        k.q2Rule = q2Number();
    }
    {
        ParamKey &k =
            range(add(
                      "modbus.new_interval", I, MN, true, false,
                      "modbus100 4-5, BE16, mode 2 (ModbusNewParams::interval)",
                      "edtModbusInterval1", "", "lang_lblModbusInterval1",
                      [](const Records &r) { return num(r.modbusNew.interval.toLongLong()); },
                      [](Records &r, const QVariant &v) {
                          r.modbusNew.interval = QString::number(v.toLongLong());
                      }),
                  0, 65535);
        k.q2Rule = q2Number();
    }
    return t;
}

const QList<KeyImpl> &table()
{
    static const QList<KeyImpl> t = buildTable();
    return t;
}

const KeyImpl *findImpl(const QString &key)
{
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        for (int i = 0; i < table().size(); ++i)
            h.insert(table().at(i).info.key, i);
        return h;
    }();
    const int i = index.value(key, -1);
    return i >= 0 ? &table().at(i) : nullptr;
}

quint32 le32(const QByteArray &b, int offset)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | (offset + i < b.size() ? quint8(b.at(offset + i)) : 0u);
    return v;
}

Records recordsOf(const ModuleBlocks &blocks)
{
    Records r;
    const QByteArray &param = blocks.stored.param;
    r.base = parseBaseParam(param);
    const QByteArray port = portBlock(param);
    r.port = parsePortParam(port);
    if (blocks.model == ModuleModel::Q3) {
        // A Q3 keeps its packing length in port bytes 52-55, its server count and style in 58.
        r.port.packLength = int(le32(port, 52) & 0x7FFFFFFF);
        const int countAndStyle = quint8(port.at(58));
        r.port.tcpServerCount = countAndStyle >> 4;
        r.port.tcpStyle = countAndStyle & 0x0F;
    }
    r.cloud = parseCloudParam(blocks.stored.cloud);
    r.heart = parseHeartReg(blocks.stored.heartReg);
    r.httpd = parseHttpd(blocks.stored.httpd);
    r.modbusShort = parseModbusShort(blocks.modbusShort);
    r.pack = parseModbusPack(blocks.stored.modbusPack);
    r.modbusNew = parseModbusNew(blocks.stored.modbusNew);
    return r;
}

} // namespace

QString keyLabel(const ParamKey &k)
{
    if (k.labelKey.isEmpty())
        return k.key;
    if (!k.labelKey.startsWith(QLatin1String("lang_")))
        return k.labelKey;
    return langText(k.labelKey);
}

namespace {

QString notNumber(const QString &label)
{
    return label + langText(QStringLiteral("lang_IsNotNum"));
}

bool onlyDigits(const QString &text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<bool> boolValue(const QVariant &v)
{
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::LongLong ||
        v.typeId() == QMetaType::Int) {
        const double d = v.toDouble();
        if (d == 0 || d == 1)
            return d == 1;
        return std::nullopt;
    }
    const QString t = v.toString().trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes") ||
        t == QLatin1String("on"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("no") ||
        t == QLatin1String("off"))
        return false;
    return std::nullopt;
}

// A value given for an Int key as the text a panel field would hold.
QString intText(const QVariant &v)
{
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d >= 0 && d == double(qint64(d)))
            return QString::number(qint64(d));
        return v.toString(); // refused by the digit check
    }
    return v.toString();
}

} // namespace

QString modelName(ModuleModel model)
{
    return model == ModuleModel::Q2 ? QStringLiteral("Q2") : QStringLiteral("Q3");
}

std::optional<ModuleModel> modelFromName(const QString &name)
{
    const QString n = name.trimmed().toUpper();
    if (n == QLatin1String("Q2"))
        return ModuleModel::Q2;
    if (n == QLatin1String("Q3"))
        return ModuleModel::Q3;
    return std::nullopt;
}

QString keyTypeName(KeyType type)
{
    switch (type) {
    case KeyType::Bool:
        return QStringLiteral("bool");
    case KeyType::Int:
        return QStringLiteral("int");
    case KeyType::Text:
        return QStringLiteral("text");
    case KeyType::Ip:
        return QStringLiteral("ip");
    case KeyType::Mac:
        return QStringLiteral("mac");
    case KeyType::Choice:
        return QStringLiteral("choice");
    }
    return QString();
}

QString keyFieldMessage(ModuleModel model, const QString &key, const QString &text)
{
    const ParamKey *k = findParamKey(key);
    return k ? fieldRuleMessage(text, keyLabel(*k), k->rule(model)) : QString();
}

QString fieldRuleMessage(const QString &text, const QString &label, const FieldRule &rule)
{
    const QString trimmed = text.trimmed();
    if (rule.notEmpty && trimmed.isEmpty())
        return label + langText(QStringLiteral("lang_IsNull"));
    if (!rule.digits)
        return QString();
    if (!onlyDigits(trimmed) || (rule.maxDigits > 0 && trimmed.size() > rule.maxDigits))
        return notNumber(label);
    if (rule.max > 0) {
        const auto value = decimalFieldValue(trimmed);
        if (!value || *value > rule.max)
            return notNumber(label);
    }
    return QString();
}

const QList<ParamKey> &paramKeys()
{
    static const QList<ParamKey> keys = [] {
        QList<ParamKey> k;
        for (const KeyImpl &i : table())
            k.append(i.info);
        return k;
    }();
    return keys;
}

const ParamKey *findParamKey(const QString &key)
{
    const KeyImpl *i = findImpl(key);
    return i ? &i->info : nullptr;
}

QStringList paramKeyNames(ModuleModel model)
{
    QStringList names;
    for (const ParamKey &k : paramKeys())
        if (k.inModel(model))
            names << k.key;
    return names;
}

bool ModuleBlocks::hasBlock(KeyBlock block) const
{
    switch (block) {
    case KeyBlock::Param:
        return hasParam;
    case KeyBlock::Cloud:
        return hasCloud;
    case KeyBlock::HeartReg:
        return hasHeartReg;
    case KeyBlock::Httpd:
        return hasHttpd;
    case KeyBlock::ModbusShort:
        return modbusForm == 1 || modbusForm == 4;
    case KeyBlock::ModbusPoll:
        return modbusForm == 4;
    case KeyBlock::ModbusPack:
        return modbusForm == 87;
    case KeyBlock::ModbusNew:
        return modbusForm == 100;
    }
    return false;
}

ParamRecord recordFromBlocks(const ModuleBlocks &blocks)
{
    ParamRecord record;
    const Records r = recordsOf(blocks);
    for (const KeyImpl &k : table()) {
        if (k.info.inModel(blocks.model) && blocks.hasBlock(k.info.block))
            record.insert(k.info.key, k.get(r));
    }
    return record;
}

ChangeCheck checkChange(ModuleModel model, const QString &key, const QVariant &value)
{
    ChangeCheck out;
    const ParamKey *k = findParamKey(key);
    if (!k || !k->inModel(model)) {
        out.message =
            QStringLiteral("%1: not a parameter of a %2 module").arg(key, modelName(model));
        return out;
    }
    const QString label = keyLabel(*k);
    const FieldRule &rule = k->rule(model);
    switch (k->type) {
    case KeyType::Bool: {
        const auto b = boolValue(value);
        if (!b) {
            out.message = QStringLiteral("%1: true or false").arg(key);
            return out;
        }
        out.canonical = *b;
        break;
    }
    case KeyType::Int: {
        const QString text = intText(value);
        FieldRule typed = rule;
        typed.digits = true; // a number key always takes digits only
        if (QString m = fieldRuleMessage(text, label, typed); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        const QString digits = text.trimmed();
        bool ok = false;
        const qint64 v = digits.toLongLong(&ok);
        const qint64 max = model == ModuleModel::Q3 && k->q3Max >= 0 ? k->q3Max : k->max;
        if (digits.isEmpty() || !ok || v < k->min || v > max) {
            out.message = notNumber(label);
            return out;
        }
        out.canonical = qlonglong(v);
        break;
    }
    case KeyType::Text: {
        if (value.typeId() == QMetaType::Bool || value.typeId() == QMetaType::QVariantMap ||
            value.typeId() == QMetaType::QVariantList) {
            out.message = QStringLiteral("%1: a text").arg(key);
            return out;
        }
        const QString text = value.toString();
        if (QString m = fieldRuleMessage(text, label, rule); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        if (k->maxBytes > 0) {
            const int bytes = int(textToField(text, 1024).indexOf('\0'));
            if (key == QLatin1String("cloud.device_id") && !isCloudDeviceIdValid(text)) {
                out.message = langText(QStringLiteral("lang_DeviceId"));
                return out;
            }
            if (key == QLatin1String("cloud.comm_code") && !isCloudCommCodeValid(text)) {
                out.message = langText(QStringLiteral("lang_CommCode"));
                return out;
            }
            if (bytes > k->maxBytes) {
                out.message =
                    QStringLiteral("%1: at most %2 bytes (GB18030)").arg(label).arg(k->maxBytes);
                return out;
            }
        }
        out.canonical = text;
        break;
    }
    case KeyType::Ip: {
        const QString text = value.toString();
        if (QString m = fieldRuleMessage(text, label, rule); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        const QStringList parts = removeSpaces(text).split(QLatin1Char('.'));
        bool good = parts.size() == 4;
        for (const QString &p : parts) {
            bool ok = false;
            good = good && !p.isEmpty() && onlyDigits(p) && p.toUInt(&ok) <= 255 && ok;
        }
        const auto bytes = good ? ipTextToBytes(text) : std::nullopt;
        if (!bytes) {
            out.message = notNumber(label);
            return out;
        }
        out.canonical = ipBytesToText(*bytes);
        break;
    }
    case KeyType::Mac: {
        const QString text = value.toString();
        if (QString m = fieldRuleMessage(text, label, rule); !m.isEmpty()) {
            out.message = m;
            return out;
        }
        const auto bytes = macTextToBytes(text);
        if (!bytes || removeSpaces(text).size() != 12) {
            out.message = notNumber(label);
            return out;
        }
        out.canonical = macBytesToText(*bytes);
        break;
    }
    case KeyType::Choice: {
        const QString text = value.toString().trimmed().toLower();
        if (!k->choices.contains(text)) {
            out.message =
                QStringLiteral("%1: one of %2").arg(key, k->choices.join(QStringLiteral(", ")));
            return out;
        }
        out.canonical = text;
        break;
    }
    }
    out.ok = true;
    return out;
}

ChangesCheck checkChanges(ModuleModel model, const ParamRecord &changes)
{
    ChangesCheck out;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const ChangeCheck c = checkChange(model, it.key(), it.value());
        if (!c.ok) {
            out.message = c.message;
            return out;
        }
        out.canonical.insert(it.key(), c.canonical);
    }
    out.ok = true;
    return out;
}

PlannedSave planSave(const ModuleBlocks &blocks, const ParamRecord &changes)
{
    PlannedSave out;
    out.planned = blocks;
    Records r = recordsOf(blocks);
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const KeyImpl *k = findImpl(it.key());
        if (!k || !k->info.inModel(blocks.model)) {
            out.message = QStringLiteral("%1: not a parameter of a %2 module")
                              .arg(it.key(), modelName(blocks.model));
            out.plan.refusal = SaveRefusal::Validation;
            return out;
        }
        if (!blocks.hasBlock(k->info.block)) {
            out.message = QStringLiteral("%1: the module did not send this block").arg(it.key());
            out.plan.refusal = SaveRefusal::Validation;
            return out;
        }
        k->set(r, it.value());
    }

    // Ticking or clearing a data field's "Hex" converts the field's text, as the panel does.
    const Records read = recordsOf(blocks);
    if (r.heart.heartDataHex != read.heart.heartDataHex &&
        !changes.contains(QStringLiteral("heart.data")))
        r.heart.heartData = r.heart.heartDataHex ? plainToHexField(r.heart.heartData)
                                                 : hexToPlainField(r.heart.heartData);
    if (r.heart.regDataHex != read.heart.regDataHex &&
        !changes.contains(QStringLiteral("reg.data")))
        r.heart.regData = r.heart.regDataHex ? plainToHexField(r.heart.regData)
                                             : hexToPlainField(r.heart.regData);

    StoredAnswers work = blocks.stored;
    if (blocks.model == ModuleModel::Q3) {
        out.plan = buildQ3SavePlan(r.base, r.port, work);
    } else {
        Q2SaveInput in;
        in.base = r.base;
        in.upnpPortKnown = blocks.hasParam;
        in.port = r.port;
        in.cloud = r.cloud;
        in.heartReg = r.heart;
        // Only the blocks the module sent are written: never a block built on zeros.
        in.httpdVisible = blocks.hasHttpd;
        in.httpd = r.httpd;
        in.modbusShortVisible = blocks.hasBlock(KeyBlock::ModbusShort);
        in.modbusShortForm = blocks.modbusForm == 4 ? 4 : 1;
        in.modbusShort = r.modbusShort;
        in.modbusPackVisible = blocks.modbusForm == 87;
        in.modbusPack = r.pack;
        in.modbusNewVisible = blocks.modbusForm == 100;
        in.modbusNew = r.modbusNew;
        in.version =
            blocks.hasHeartReg ? blocks.version : qMin(blocks.version, kFirstExtendedVersion - 1);
        out.plan = buildQ2SavePlan(in, work);
        if (!out.plan.refused() && in.modbusShortVisible) {
            if (const auto m = buildModbusShort(in.modbusShort, in.modbusShortForm))
                out.planned.modbusShort = *m;
        }
    }
    if (out.plan.refused()) {
        const ParamKey *bad = nullptr;
        static const QHash<QString, QString> fieldKeys = {{"Ip", "net.ip"},
                                                          {"Gateway", "net.gateway"},
                                                          {"Mask", "net.mask"},
                                                          {"Dns", "net.dns"},
                                                          {"UserMac", "dev.user_mac"},
                                                          {"HeartData", "heart.data"},
                                                          {"RegData", "reg.data"},
                                                          {"PollTime", "modbus.poll_time"},
                                                          {"Timeout", "modbus.pack_timeout"},
                                                          {"Interval", "modbus.pack_interval"}};
        if (out.plan.refusal == SaveRefusal::BadField)
            bad = findParamKey(fieldKeys.value(out.plan.badField));
        out.message = bad ? notNumber(keyLabel(*bad))
                          : QStringLiteral("not saved: the module's parameters were not read");
        return out;
    }
    out.planned.stored = work;
    return out;
}

QString valueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}
