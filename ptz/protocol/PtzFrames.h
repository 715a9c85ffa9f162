#pragma once

// The two 7-byte frame formats the console sends to the pan-tilt head, and every frame of its
// command set. Builders are pure: they return the whole frame with its checksum.
//
//   commandFrame: FF addr 00 cmd2 data1 data2 sum   sum = bytes 1..5 mod 256 (sync left out)
//   lightFrame:   68 addr 01 02  mode  level sum    sum = bytes 0..5 mod 256 (header included)

#include <QByteArray>
#include <QString>

#include <optional>

constexpr int kPtzFrameLength = 7;
constexpr quint8 kCommandSync = 0xFF;
constexpr quint8 kLightHeader = 0x68;

// Command 2 of a commandFrame.
enum class PtzCommand : quint8 {
    Stop = 0x00,
    Right = 0x02,
    SetPreset = 0x03,
    Left = 0x04,
    DeletePreset = 0x05,
    CallPreset = 0x07,
    Up = 0x08,
    LightOn = 0x09,
    UpRight = 0x0A,
    LightOff = 0x0B,
    UpLeft = 0x0C,
    Down = 0x10,
    DownRight = 0x12,
    DownLeft = 0x14,
    SetPanPosition = 0x4B,
    SetTiltPosition = 0x4D,
    CallTrack = 0x4F,
    QueryPanPosition = 0x51,
    QueryTiltPosition = 0x53,
    PanPositionReply = 0x59,
    TiltPositionReply = 0x5B,
};

// The eight buttons of the direction pad.
enum class PadDirection { UpLeft, Up, UpRight, Right, DownRight, Down, DownLeft, Left };

// Byte 4 of a lightFrame.
enum class LightMode : quint8 { Level = 0, Warning = 1, DriveAway = 2, Dazzle = 3 };

// Levels of the fixed light buttons.
constexpr quint8 kHighlightLevel = 100;
constexpr quint8 kNormalLevel = 50;
constexpr quint8 kEnergySavingLevel = 30;

// Preset 99 doubles as "start auto cruise".
constexpr quint8 kAutoCruisePreset = 0x63;

// Checksums over the first `length` - 1 bytes of `frame` (missing bytes count as 0).
quint8 commandChecksum(const QByteArray &frame, int length = kPtzFrameLength);
quint8 lightChecksum(const QByteArray &frame, int length = kPtzFrameLength);

// Store the checksum in byte `length` - 1; a shorter buffer is first padded with zeros.
void completeCommandFrame(QByteArray &frame, int length = kPtzFrameLength);
void completeLightFrame(QByteArray &frame, int length = kPtzFrameLength);

QByteArray commandFrame(quint8 address, PtzCommand command, quint8 data1, quint8 data2);
QByteArray lightFrame(quint8 address, LightMode mode, quint8 level);

// The command set. Speeds a move does not use go out as 0.
QByteArray stopFrame(quint8 address);
QByteArray moveFrame(quint8 address, PadDirection direction, quint8 panSpeed, quint8 tiltSpeed);
QByteArray setPresetFrame(quint8 address, quint8 preset);
QByteArray deletePresetFrame(quint8 address, quint8 preset);
QByteArray callPresetFrame(quint8 address, quint8 preset);
QByteArray autoCruiseFrame(quint8 address);
QByteArray callTrackFrame(quint8 address, quint8 track);
QByteArray lightOnFrame(quint8 address);
QByteArray lightOffFrame(quint8 address);
QByteArray queryPanPositionFrame(quint8 address);
QByteArray queryTiltPositionFrame(quint8 address);

// Absolute angles travel as hundredths of a degree, high byte first. The callers keep pan angles
// within 0..360 and tilt angles within 0..180 (see angleFromText).
QByteArray setPanPositionFrame(quint8 address, double degrees);
QByteArray setTiltPositionFrame(quint8 address, double degrees);

// degrees * 100 rounded to the nearest integer, an exact half to the even neighbour
// (0.125 -> 12, 0.375 -> 38).
qint32 angleToHundredths(double degrees);

// An angle box's text as a number, or nothing when it is not one (an empty box included).
std::optional<double> numberFromText(const QString &text);

// The angle in the box when it is a number within 0..maxDegrees, else nothing.
std::optional<double> angleFromText(const QString &text, double maxDegrees);

// A selector's text ("07", "255") as one byte; nothing when it is not a decimal number 0..255.
std::optional<quint8> byteFromSelectorText(const QString &text);

// Upper-case hex pairs, each followed by one space: "FF 01 00 00 00 00 01 ".
QString hexWithSpaces(const QByteArray &bytes);
