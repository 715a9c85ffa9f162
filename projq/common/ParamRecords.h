#pragma once

// The decoded parameter blocks of a module, shared by the network path, the serial path and the
// parameter panels. Plain values: texts as a person reads them, numbers as integers. The block
// layouts and how each record field is encoded live in ParamBlocks.h.

#include <QString>
#include <QtGlobal>

// Block sizes, in bytes, as the module sends them.
inline constexpr int kBaseBlockSize = 67;
inline constexpr int kPortBlockSize = 63;
inline constexpr int kPortBlockOffset = kBaseBlockSize; // inside the parameter block
inline constexpr int kParamBlockSize = kBaseBlockSize + kPortBlockSize; // 130
inline constexpr int kCloudBlockSize = 50;
inline constexpr int kHeartRegBlockSize = 85;
inline constexpr int kModbusPackBlockSize = 87;
inline constexpr int kModbusNewBlockSize = 100;
inline constexpr int kHttpdBlockSize = 302;
inline constexpr int kHttpdUrlPartSize = 101;    // HTTPD block bytes 0-100, written with 0x22
inline constexpr int kHttpdHeaderPartSize = 201; // HTTPD block bytes 101-301, written with 0x23

// Bits of the base block's option byte (offset 52) that a Q2 panel sets; bits 0-3 are written 0.
inline constexpr quint8 kOptionReset = 0x10;   // reset after 30 failed connections
inline constexpr quint8 kOptionLink = 0x20;    // link pin
inline constexpr quint8 kOptionIndex = 0x40;   // index for several TCP server connections
inline constexpr quint8 kOptionRfc2217 = 0x80; // baud-rate synchronisation

// A module's base settings: the base block (bytes 0-66 of the parameter block).
struct TBaseParam
{
    bool FlagBit1 = false;    // flag byte bit 1, shown nowhere
    bool StaticIp = false;    // flag byte bit 7: static address (false: DHCP)
    bool IsT0 = false;        // flag byte bit 0: hardware variant, no HTTPD client mode
    bool RegSendMode = false; // flag byte bit 2: registration before every packet (false: once)
    int UpnpPort = 0;
    int HttpPort = 0;
    QString Ip;      // dotted
    QString Gateway; // dotted
    QString Mask;    // dotted
    QString Name;
    QString WebUser;
    QString WebPassword;
    int Options = 0;               // option byte: Q2 bits kOption*, Q3 the device-ID type 0-3
    bool ClearCache = false;       // flag byte bit 4
    bool ShortConnEnabled = false; // flag byte bit 5
    QString UserMac;               // six hex pairs separated by blanks
    QString Dns;                   // dotted
    int ShortConnTime = 0;         // seconds
};

// The serial port and its socket: the port block (bytes 67-129 of the parameter block).
struct TPortParam
{
    quint32 Baud = 0;
    int DataBits = 8;    // 5 to 8
    int Parity = 1;      // 1 none, 2 odd, 3 even, 4 mark, 5 space
    int StopBits = 1;    // 1 or 2
    int FlowControl = 1; // 1 none, 3 hardware, 5 RS485
    int LocalPort = 0;
    int RemotePort = 0;
    QString RemoteHost; // IP address or domain name
    bool ModbusTcp = false;
    bool Rfc2217 = false;
    bool CloudEnabled = false;
    // 0 UDP client, 1 TCP client, 2 UDP server, 3 TCP server, 4 HTTPD client,
    // 5 UDP client with multicast
    int WorkMode = 0;
    int PackLength = 0;     // bytes
    int PackTime = 0;       // ms
    int TcpServerCount = 1; // 1 to 16
    int TimeoutRestart = 0; // seconds without data before the module restarts
    int TcpStyle = 1;       // TCP server style 1 to 3
    int HttpdMethod = 0;    // 0 GET, 1 POST
    bool MacRegistration = false;
    bool KickOldConnection = false;
    bool CustomRegistration = false;
    bool MacHeartbeat = false; // false: the heartbeat is user data
    bool UdpSourceCheck = false;
};

// Registration with the maker's cloud service (the 50-byte cloud block).
struct TCloudParam
{
    QString DeviceId; // 20 bytes on the wire
    QString CommCode; // 8 bytes on the wire, the communication password
};

// The heartbeat and registration block (85 bytes). The data texts are as a panel shows them:
// hex digits without separators when their hex flag is set, plain text otherwise.
struct THeartRegParam
{
    bool NetHeartbeat = false;      // flag bit 0
    bool SerialHeartbeat = false;   // flag bit 1
    bool RegOnConnect = false;      // flag bit 2
    bool RegWithData = false;       // flag bit 3
    bool RemoveHttpdHeader = false; // flag bit 4
    bool ComSetEnable = false;      // flag bit 5, the panel's "serial-port setting" option
    bool HeartDataHex = false;      // flag bit 6
    bool RegDataHex = false;        // flag bit 7
    int HeartPeriod = 0;            // seconds
    QString HeartData;
    QString RegData;
};

// The HTTPD client's URL and request header (the 302-byte block).
struct THttpdParam
{
    QString Url;
    QString Header;
};

// The short Modbus block (1 or 4 bytes).
struct TModbusParam
{
    bool TcpEnabled = false;
    bool PollEnabled = false; // 4-byte form only
    QString PollTime;         // decimal seconds; empty in the 1-byte form
};

// The Modbus packing block (87 bytes).
struct TModbusPackParam
{
    int Mode = 0;              // 0 off, 1 Modbus TCP/RTU conversion, 2 Modbus RTU polling
    int ExceptionResponse = 0; // 0 off, 1 on
    int ReportProtocol = 0;    // 0 transparent, 1 JSON
    QString Timeout;           // decimal
    QString Interval;          // decimal
};

// The newer Modbus block (100 bytes).
struct TModbusNewParam
{
    int Mode = 0;
    int ExceptionResponse = 0;
    QString Timeout;
    QString Interval;
};
