#pragma once
// The Bluetooth serial modules between the PC and the KRIX device: a local module on the PC's
// port (address 0x10) that calls a remote module on the device (0x11) by its address, and then
// relays the line to the device at the speed the remote module is told.
//
// Two kinds of exchange, both on the open port:
// - Set-up frames, written whole: D5 E1, module address, command (0x24 reset, 0x21 remote
//   speed), data count, data, and the sum of every byte before it modulo 256. The reply is read
//   byte by byte: 0xE5 is kept only as its first byte, its fifth byte gives the data count d,
//   it is whole after d + 6 bytes, and it is accepted when byte 2 is 0xE1, byte 3 the command
//   plus 0x40 and the last byte the sum of those before it.
// - Text lines ending in CR LF: "set bt pair *", then "call <address> 1 rfcomm", answered by
//   lines "CALL 0" and "CONNECT 0" (each ending at CR or LF).
//
// Every wait is bounded twice: by the silence it allows since the last byte, and by an overall
// limit that a module sending bytes without end cannot stretch; a stop request on the clock ends
// it at once (as a failure).
#include "ByteLink.h"
#include "DeviceClock.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Bluetooth {

constexpr std::uint8_t LocalModule = 0x10;
constexpr std::uint8_t RemoteModule = 0x11;
constexpr std::uint8_t FrameStart[2] = {0xD5, 0xE1};
constexpr std::uint8_t CommandReset = 0x24;       // '$'
constexpr std::uint8_t CommandRemoteSpeed = 0x21; // '!'
constexpr std::uint8_t ReplyCommandOffset = 0x40;
constexpr std::uint8_t ReplyLead = 0xE5;
constexpr std::uint8_t ReplyMarker = 0xE1;
constexpr std::size_t ReplyMarkerIndex = 2;
constexpr std::size_t ReplyCommandIndex = 3;
constexpr std::size_t ReplyCountIndex = 4;
constexpr std::size_t ReplyOverhead = 6; // five bytes before the data, the check byte after it
constexpr std::size_t MaxReply = ReplyOverhead + 255;

// Remote speed: codes 1 to 7 (out of range codes are clamped); the data after the code.
constexpr int MinSpeedCode = 1;
constexpr int MaxSpeedCode = 7;
constexpr int SpeedCode9600 = 3;
constexpr int SpeedCode38400 = 5;
constexpr int SpeedCode115200 = 7;
constexpr std::uint8_t RemoteSpeedTail[5] = {0x01, 0x08, 0x01, 0x01, 0x00};

// The PC's side of the line always runs at this speed.
constexpr int PcBaud = 115200;

// Waits and pauses.
constexpr std::uint32_t ReplySilenceMs = 5000;
constexpr std::uint32_t ReplyPollPauseMs = 100;
constexpr std::uint32_t ReplyLimitMs = 30000;
constexpr std::uint32_t AfterResetMs = 1000;
constexpr std::uint32_t PairPauseMs = 500;
constexpr std::uint32_t CallSilenceMs = 10000;
constexpr std::uint32_t CallPollPauseMs = 10;
constexpr std::uint32_t CallLimitMs = 60000;
constexpr std::uint32_t AfterCallMs = 1000;
constexpr std::uint32_t BeforeRemoteSpeedMs = 1000;
constexpr std::size_t MaxReplyLine = 255; // characters kept of one reply line

constexpr const char* PairCommand = "set bt pair *";
constexpr const char* CallReply = "CALL 0";
constexpr const char* ConnectReply = "CONNECT 0";

// OpenRS232's results through the module.
constexpr int ResetFailed = -2;
constexpr int CallFailed = -3;
constexpr int PortNotOpened = -4;

std::vector<std::uint8_t> SetupFrame(std::uint8_t address, std::uint8_t command, const std::uint8_t* data,
                                     std::size_t n);
std::vector<std::uint8_t> ResetFrame(std::uint8_t address);
std::vector<std::uint8_t> RemoteSpeedFrame(int code, std::uint8_t address);
// The remote speed code of a line speed: 3, 5 or 7; 0 for any other speed (nothing is sent).
int SpeedCodeFor(int baud);
// A module address that can stand in a command line: not empty, printable ASCII only.
bool AddressUsable(const QString& address);

} // namespace Bluetooth

class BluetoothModule {
public:
    BluetoothModule(ByteLink& link, const DeviceClock& clock);

    // The reset frame and its reply; after an accepted reply a pause of 1000 ms. true when the
    // reply was accepted; false at once when the line is not open.
    bool moduleReset(std::uint8_t address);
    // The remote-speed frame with code (clamped to 1..7) and its reply; true when accepted.
    bool setRemoteSpeed(int code, std::uint8_t address);
    // Pairs and calls the remote module: true once "CONNECT 0" came (then a pause of 1000 ms).
    // Any other reply line ends the wait as soon as the line falls silent; without a reply it
    // fails after 10000 ms of silence.
    bool callBluetooth(const QString& address);

private:
    bool sendSetup(const std::vector<std::uint8_t>& frame, std::uint8_t command);
    bool readReply(std::uint8_t command);
    bool writeLine(const QByteArray& text);

    ByteLink& link_;
    const DeviceClock& clock_;
};
