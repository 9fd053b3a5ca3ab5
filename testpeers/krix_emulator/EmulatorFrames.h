#pragma once
// The device's view of its serial frames. Written from the device's side on purpose, apart from
// the library's tables, so that a test against this emulator checks the library instead of
// repeating it.
//
// Normal mode, from the host: 5B 20 01 00, total length (2 bytes), service, command bytes and
// data, check word (sum of all bytes before it, modulo 65536). The device answers
// 5B 01 20 00, total length, service + 0x40, ..., check word.
// Transparent mode: 5B, total length (2 bytes), 30, code, payload, XOR check byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace KrixEmu {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t FrameStart = 0x5B;
constexpr std::uint8_t DeviceAddress = 0x20;
constexpr std::uint8_t HostAddress = 0x01;
constexpr std::size_t MaxFrame = 1024;
constexpr std::size_t MinNormalFrame = 9;
constexpr std::size_t MinTransparentFrame = 6;
constexpr std::uint32_t FrameGapMs = 200; // bytes of one frame follow each other within this
constexpr std::uint8_t ServiceAnswerOffset = 0x40;
constexpr std::uint32_t ProgramBase = 0xC80000;

std::uint16_t SumWord(const std::uint8_t* bytes, std::size_t n);
std::uint16_t NormalLength(const Bytes& frame);      // bytes 4-5
std::uint16_t TransparentLength(const Bytes& frame); // bytes 1-2
std::uint32_t Word32(const Bytes& frame, std::size_t at); // big-endian
bool NormalCheckWordOk(const Bytes& frame);
void SealNormal(Bytes& frame); // sets the length field and appends the check word
// A device answer: 5B 01 20 00, length, service, body, check word.
Bytes DeviceAnswer(std::uint8_t service, const Bytes& body);
std::string Hex(const Bytes& bytes);

// Transparent mode, from the device's side: byte 3 is 0x30, byte 4 the code; the device answers
// '0' with 'p' and '1' with 'q', and delivers bus frames as 'r' frames; byte 5 of each of them
// is its status.
constexpr std::uint8_t TransparentMarker = 0x30;
constexpr std::uint8_t CodeProtocolSet = '0';
constexpr std::uint8_t CodeEcuStartStop = '1';
constexpr std::uint8_t CodeBusFrame = '2';
constexpr std::uint8_t CodeAnswerOffset = 0x40;
constexpr std::uint8_t StatusOk = 0x80;
constexpr std::uint8_t StatusError = 0x81;
constexpr std::size_t MaxBusFrameFromDevice = MaxFrame - 7; // data bytes of one 'r' frame

std::uint8_t XorOf(const std::uint8_t* bytes, std::size_t n);
// 5B, total length, 30, code, payload, check byte.
Bytes TransparentFrame(std::uint8_t code, const Bytes& payload);
bool TransparentCheckOk(const Bytes& frame);

// What a host request asks for.
enum class RequestKind {
    Any, // matches every request in a fault rule
    DeviceControl1,
    DeviceControl2,
    DeviceControl3,
    DeviceControlOther,
    LinkState,
    MuxWrite,
    MuxRead,
    DeviceBaud,
    ProgramBlock,
    ProgramStart,
    EcuDirectBlock,
    Letter,
    DeviceValue,
    DeviceRecord,
    TableRow, // a row of the request table; the row number says which
    Unknown,
};
const char* KindName(RequestKind kind);

struct Request {
    RequestKind kind = RequestKind::Unknown;
    int row = -1; // for TableRow
    Bytes bytes;
};

// Rows of the request table by the two letters (or bytes) that follow service 0x22.
constexpr int TableRows = 21;
constexpr int ProbeRow = 3;          // the one frame sent whole: 5B 20 01 00 00 09 3F 00 C3
constexpr int ActivationRow = 6;     // answered with the 35-byte activation status record
constexpr int FirstListRow = 14;     // rows 14 to 20: identifier lists
constexpr int LastListRow = 20;

// Classifies a complete normal-mode frame from the host.
Request Classify(const Bytes& frame);
// The probe frame of row 3 carries a check word one below its sum; the device takes it as it is.
bool IsProbeFrame(const Bytes& frame);

} // namespace KrixEmu
