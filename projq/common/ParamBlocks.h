#pragma once

// The module's parameter blocks: decoding them into records and writing records back into the
// stored copies (read-modify-write), so that bytes this program does not interpret go back to
// the module as it sent them.
//
// Encodings: IP fields are 4 bytes, least significant first (192.168.0.7 is 07 00 A8 C0); LE16
// and LE32 are little-endian, BE16 big-endian; a number larger than its field keeps its low
// bytes. Text fields are GB18030, NUL-padded, cut at the field width in bytes without splitting
// a character.
//
// Builders that convert text (addresses, MAC, hex data, decimal Modbus times) check every
// conversion before they touch the block: on failure the block is left exactly as it was and the
// result names the record field that could not be converted.

#include "ParamRecords.h"

#include <QByteArray>
#include <QString>

#include <optional>

struct [[nodiscard]] BuildResult
{
    QString badField; // the record field whose text is not a valid value; empty when written
    bool ok() const { return badField.isEmpty(); }
    explicit operator bool() const { return ok(); }
};

// ---- Number fields -------------------------------------------------------------------------

// A decimal number field as a block value: surrounding blanks ignored, then digits 0-9 only
// (nothing else, not empty). Values beyond 32 bits keep their low 32 bits; the block encodings
// then keep the low bytes they have room for.
std::optional<quint32> decimalFieldValue(const QString &text);

// The short-connection time a Q2 base write puts into byte 63: the field's number, or 3 when it
// is not a number.
int shortConnTimeFromText(const QString &text);

// ---- Parts of blocks as they are sent --------------------------------------------------------

QByteArray baseBlock(const QByteArray &param);       // bytes 0-66 of the parameter block
QByteArray portBlock(const QByteArray &param);       // bytes 67-129
QByteArray httpdUrlPart(const QByteArray &httpd);    // bytes 0-100 of the HTTPD block
QByteArray httpdHeaderPart(const QByteArray &httpd); // bytes 101-301

// ---- Parsers ---------------------------------------------------------------------------------
// Each reads its block at the documented size; a shorter buffer reads as if zero-padded.

// The base block: the first 67 bytes of a parameter block (or a base block alone).
BaseParams parseBaseParam(const QByteArray &param);
// The 63-byte port block (portBlock of a parameter block). udpSourceCheck is byte 58 == 1,
// tcpStyle that byte's low 4 bits; customRegistration is byte 56 == 1.
PortParams parsePortParam(const QByteArray &port);
// The 50-byte cloud block; also the first 30 bytes of the serial extension reply.
CloudParams parseCloudParam(const QByteArray &cloud);
// The 85-byte heartbeat and registration block. Data lengths above 40 read as 40.
HeartRegParams parseHeartReg(const QByteArray &block);
// The 302-byte HTTPD block. Length bytes above their field (100, 200) read as the field width.
HttpdParams parseHttpd(const QByteArray &block);
// The 1- or 4-byte short Modbus answer (byte 0 TCP on; byte 1 polling on, bytes 2-3 BE16 time).
ModbusParams parseModbusShort(const QByteArray &answer);
// The 87-byte Modbus packing block (mode, exception, BE16 timeout, BE16 interval, protocol).
ModbusPackParams parseModbusPack(const QByteArray &block);
// The 100-byte newer Modbus block (bytes 0-5 as in the packing block).
ModbusNewParams parseModbusNew(const QByteArray &block);

// ---- Builders --------------------------------------------------------------------------------
// Each writes into a stored block (normally a buffer of StoredAnswers), padding it with zeros
// to its size first if it is shorter, and changes only the bytes its block layout assigns to it.

// Base block of a Q2 module into bytes 0-66 of the parameter block `param`. The flag byte starts
// from `rememberedFlags` (StoredAnswers::baseFlags): bits 0, 4, 5, 7 come from isT0,
// clearCache, shortConnEnabled, staticIp and bits 1, 2, 3, 6 are kept (flagBit1 and regSendMode
// are not written). The option byte keeps only bits 4-7 of Options. Bytes 0-2, 8, 49-51, 64-66
// are kept. Fails on an address that is not four dotted numbers (Ip, Gateway, Mask, Dns) or a
// userMac that is not six hex pairs.
BuildResult buildQ2Base(const BaseParams &p, quint8 rememberedFlags, QByteArray &param);

// Port block of a Q2 module into bytes 67-129 of `param`. The flag byte starts from
// `rememberedFlags` (StoredAnswers::portFlags): bits 2-7 are set from the record, bits 0-1 kept.
// Modbus TCP is written only for a TCP client or TCP server (WorkMode 1 or 3). Reserved bytes
// 8-11 are written 0; bytes 46-49 and 57 are kept; byte 56 is customRegistration as 1 or 0,
// byte 58 udpSourceCheck as 1 or 0 (tcpStyle is not written).
void buildQ2Port(const PortParams &p, quint8 rememberedFlags, QByteArray &param);

// Base block of a Q3 module: the flag byte is replaced by 0x80 for a static address, else 0; the
// option byte is the device-ID type (Options); DNS and the short-connection time are kept.
// Fails as buildQ2Base does (except that Dns is not read).
BuildResult buildQ3Base(const BaseParams &p, QByteArray &param);

// Port block of a Q3 module: the flag byte starts from the stored block's own byte and sets bits
// 2-3 only; bytes 52-55 are packLength as LE32; byte 58 is tcpServerCount * 16 + tcpStyle; bytes
// 56-57 and 59-62 are kept.
void buildQ3Port(const PortParams &p, QByteArray &param);

// Device ID into bytes 2-21 and communication code into bytes 22-29 of the cloud block.
void buildCloud(const CloudParams &p, QByteArray &cloud);
// Whether a text fills its cloud field exactly (20 or 8 bytes): a save sends the cloud block only
// then, since a shorter or longer value would reach the module padded or cut.
bool isCloudDeviceIdValid(const QString &deviceId);
bool isCloudCommCodeValid(const QString &commCode);

// All 85 bytes of the heartbeat and registration block. Plain data is written as GB18030 cut at
// 40 bytes, its length byte the number of bytes written; hex data (blanks ignored) gives one
// byte per whole pair, at most 40, the rest of the field 0. Fails on a hex pair that is not hex.
BuildResult buildHeartReg(const HeartRegParams &p, QByteArray &block);

// The URL part (bytes 0-100) or the header part (bytes 101-301) of the HTTPD block: the length
// byte and that many bytes of text (GB18030, at most 100 or 200 bytes, never half a character);
// the bytes after the text keep their previous content.
void buildHttpdUrl(const QString &url, QByteArray &httpd);
void buildHttpdHeader(const QString &header, QByteArray &httpd);

// The short Modbus block, whole, in the form the module last sent (1 or 4 bytes): TCP on; in the
// 4-byte form also polling on and the polling time as BE16. nullopt for another form or, in the
// 4-byte form, a polling time that is not a number.
std::optional<QByteArray> buildModbusShort(const ModbusParams &p, int form);

// The Modbus packing block: the mode always; for mode 1 or 2 the exception response and the
// timeout and interval when their texts are not empty; for mode 2 the report protocol. Bytes
// 7-86 are kept. Fails on a timeout or interval that is not a number (when it would be written).
BuildResult buildModbusPack(const ModbusPackParams &p, QByteArray &block);

// The newer Modbus block: the mode always; bytes 1-5 only for mode 2 (as in the packing block).
// Bytes 6-99 are kept.
BuildResult buildModbusNew(const ModbusNewParams &p, QByteArray &block);
