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
struct BaseParams
{
    bool flagBit1 = false;    // flag byte bit 1, shown nowhere
    bool staticIp = false;    // flag byte bit 7: static address (false: DHCP)
    bool isT0 = false;        // flag byte bit 0: hardware variant, no HTTPD client mode
    bool regSendMode = false; // flag byte bit 2: registration before every packet (false: once)
    int upnpPort = 0;
    int httpPort = 0;
    QString ip;      // dotted
    QString gateway; // dotted
    QString mask;    // dotted
    QString name;
    QString webUser;
    QString webPassword;
    int options = 0;               // option byte: Q2 bits kOption*, Q3 the device-ID type 0-3
    bool clearCache = false;       // flag byte bit 4
    bool shortConnEnabled = false; // flag byte bit 5
    QString userMac;               // six hex pairs separated by blanks
    QString dns;                   // dotted
    int shortConnTime = 0;         // seconds
};

// The serial port and its socket: the port block (bytes 67-129 of the parameter block).
struct PortParams
{
    quint32 baud = 0;
    int dataBits = 8;    // 5 to 8
    int parity = 1;      // 1 none, 2 odd, 3 even, 4 mark, 5 space
    int stopBits = 1;    // 1 or 2
    int flowControl = 1; // 1 none, 3 hardware, 5 RS485
    int localPort = 0;
    int remotePort = 0;
    QString remoteHost; // IP address or domain name
    bool modbusTcp = false;
    bool rfc2217 = false;
    bool cloudEnabled = false;
    // 0 UDP client, 1 TCP client, 2 UDP server, 3 TCP server, 4 HTTPD client,
    // 5 UDP client with multicast
    int workMode = 0;
    int packLength = 0;     // bytes
    int packTime = 0;       // ms
    int tcpServerCount = 1; // 1 to 16
    int timeoutRestart = 0; // seconds without data before the module restarts
    int tcpStyle = 1;       // TCP server style 1 to 3
    int httpdMethod = 0;    // 0 GET, 1 POST
    bool macRegistration = false;
    bool kickOldConnection = false;
    bool customRegistration = false;
    bool macHeartbeat = false; // false: the heartbeat is user data
    bool udpSourceCheck = false;
};

// Registration with the maker's cloud service (the 50-byte cloud block).
struct CloudParams
{
    QString deviceId; // 20 bytes on the wire
    QString commCode; // 8 bytes on the wire, the communication password
};

// The heartbeat and registration block (85 bytes). The data texts are as a panel shows them:
// hex digits without separators when their hex flag is set, plain text otherwise.
struct HeartRegParams
{
    bool netHeartbeat = false;      // flag bit 0
    bool serialHeartbeat = false;   // flag bit 1
    bool regOnConnect = false;      // flag bit 2
    bool regWithData = false;       // flag bit 3
    bool removeHttpdHeader = false; // flag bit 4
    bool comSetEnable = false;      // flag bit 5, the panel's "serial-port setting" option
    bool heartDataHex = false;      // flag bit 6
    bool regDataHex = false;        // flag bit 7
    int heartPeriod = 0;            // seconds
    QString heartData;
    QString regData;
};

// The HTTPD client's URL and request header (the 302-byte block).
struct HttpdParams
{
    QString url;
    QString header;
};

// The short Modbus block (1 or 4 bytes).
struct ModbusParams
{
    bool tcpEnabled = false;
    bool pollEnabled = false; // 4-byte form only
    QString pollTime;         // decimal seconds; empty in the 1-byte form
};

// The Modbus packing block (87 bytes).
struct ModbusPackParams
{
    int mode = 0;              // 0 off, 1 Modbus TCP/RTU conversion, 2 Modbus RTU polling
    int exceptionResponse = 0; // 0 off, 1 on
    int reportProtocol = 0;    // 0 transparent, 1 JSON
    QString timeout;           // decimal
    QString interval;          // decimal
};

// The newer Modbus block (100 bytes).
struct ModbusNewParams
{
    int mode = 0;
    int exceptionResponse = 0;
    QString timeout;
    QString interval;
};
