#pragma once
// The KRIX device's normal-mode frames: layout, check word, the request and answer tables, the
// device control frames and the fixed commands.
//
// Frame (numbers big-endian): 5B, receiver, sender, 00, total length (2 bytes, the whole frame),
// service, command bytes and data, check word (sum of every byte before it, modulo 65536).
#include <cstddef>
#include <cstdint>

// Results of a device transaction.
enum RxResult : std::int32_t {
    RECEIVE_TIME_OUT = 10,
    RECEIVE_OK = 11,
    RECEIVE_ERR = 12,
    RECEIVE_NOT_AVAILABLE = 13,
};

namespace DeviceFrame {
constexpr std::uint8_t Start = 0x5B;
constexpr std::uint8_t Device = 0x20;
constexpr std::uint8_t Library = 0x01;
constexpr std::size_t LengthOffset = 4;
constexpr std::size_t ServiceOffset = 6;
constexpr std::size_t HeaderSize = 6;       // up to the length field: the reader knows the total then
// Smallest total that holds the header, the service and the check word; a length field below it
// would make the reader index before the frame, so such frames are refused.
constexpr std::size_t MinFrameSize = 9;
constexpr std::size_t CheckWordSize = 2;
constexpr std::size_t MaxFrameSize = 1024;  // longer frames are refused at their length field
constexpr std::uint8_t AnswerOffset = 0x40; // the answer's service is the request's plus this
constexpr std::uint8_t NotAvailable = 0x7F; // byte 7 of an answer for an item the device lacks

// Sum of n bytes modulo 65536.
std::uint16_t CheckWord(const std::uint8_t* bytes, std::size_t n);
// Bytes 4-5.
std::uint16_t TotalLength(const std::uint8_t* frame);
// Stores the check word of the first total - 2 bytes at total - 2.
void PutCheckWord(std::uint8_t* frame, std::size_t total);
void PutWord32(std::uint8_t* at, std::uint32_t value); // most significant byte first
} // namespace DeviceFrame

// The request and answer tables: 21 rows of 9 stored bytes.
constexpr int RequestRows = 21;
constexpr std::size_t RowBytes = 9;
extern const std::uint8_t RequestTable[RequestRows][RowBytes];
extern const std::uint8_t AnswerTable[RequestRows][RowBytes];
extern const std::uint8_t NotAvailableTemplate[RowBytes];

// Request rows by name.
namespace RequestRow {
constexpr int PX = 0, SX = 1, IX = 2, Probe = 3, EV = 4, AX = 5, ActivationStatus = 6, AS = 7, AV = 8,
              AQ = 9, PA = 10, SA = 11, PB = 12, SB = 13, P0 = 14, S0 = 15, I0 = 16, A0 = 17, PU = 18,
              PD = 19, SU = 20;
} // namespace RequestRow

// writeRequest's parameter that means "no parameter" for the rows sent without one.
constexpr std::uint32_t NoParam = 255;

// Device control: an 11-byte request and its one accepted 11-byte answer per code.
constexpr std::size_t DeviceControlSize = 11;
struct DeviceControlFrames {
    std::uint8_t request[DeviceControlSize];
    std::uint8_t answer[DeviceControlSize];
};
// Code 1: command request of the driver loop; 2: second probe and reset; 3: first probe;
// any other code: the general one.
const DeviceControlFrames& DeviceControlFor(int code);

// Answer time-outs of the fixed commands.
constexpr std::uint32_t AnswerTimeoutMs = 3000;
constexpr std::uint32_t ProgramBlockTimeoutMs = 1000;
constexpr std::uint32_t ProgramStartTimeoutMs = 5000;
// A 0x5B starts a frame; from then on bytes may follow each other this far apart at most.
constexpr std::uint32_t InterByteGapMs = 200;
// Pause between two read attempts that found no byte.
constexpr std::uint32_t NoBytePauseMs = 2;

// The fixed commands: request body (without check word) and the start the answer must show.
namespace FixedCommand {
constexpr std::size_t AnswerPrefixSize = 9;
extern const std::uint8_t LinkStateRequest[9];
extern const std::uint8_t LinkStateAnswer[AnswerPrefixSize];
extern const std::uint8_t MuxWriteHead[12]; // then 5 record bytes, check word: 19 bytes
extern const std::uint8_t MuxWriteAnswer[AnswerPrefixSize];
extern const std::uint8_t MuxReadRequest[9];
extern const std::uint8_t MuxReadAnswer[AnswerPrefixSize];
constexpr std::size_t MuxReadReadyOffset = 12;
constexpr std::uint8_t MuxReadReady = 6;
extern const std::uint8_t DeviceBaudHead[9]; // then the baud (4 bytes), check word: 15 bytes
extern const std::uint8_t DeviceBaudAnswer[AnswerPrefixSize];
extern const std::uint8_t ProgramBlockHead[9]; // 5B 20 01 00, length, AA 57 01 (length filled in)
extern const std::uint8_t ProgramBlockAnswer[AnswerPrefixSize];
constexpr std::size_t ProgramBlockDataOffset = 13; // after the 32-bit load address
constexpr std::size_t ProgramBlockOverhead = 15;   // header, address and check word
constexpr std::uint32_t ProgramLoadAddress = 0xC80000;
extern const std::uint8_t ProgramStartRequest[9];
extern const std::uint8_t ProgramStartAnswer[AnswerPrefixSize];
extern const std::uint8_t EcuDirectBlockHead[9]; // then 16 block bytes, check word: 27 bytes
extern const std::uint8_t EcuDirectBlockAnswer[AnswerPrefixSize];
constexpr std::size_t EcuDirectBlockSize = 16;
extern const std::uint8_t LetterHead[12]; // then the letter, check word: 15 bytes
extern const std::uint8_t LetterAnswer[AnswerPrefixSize];
extern const std::uint8_t DeviceValueRequest[9];
extern const std::uint8_t DeviceValueAnswer[AnswerPrefixSize];
extern const std::uint8_t DeviceRecordRequest[9];
extern const std::uint8_t DeviceRecordAnswer[AnswerPrefixSize];
constexpr std::size_t MuxRecordSize = 5;

// One fixed command: the bytes it starts with, the answer start it needs, its answer time-out.
struct Frame {
    const std::uint8_t* head;
    std::size_t headSize;
    const std::uint8_t* answer;
    std::uint32_t timeoutMs;
};
extern const Frame LinkState, MuxWrite, MuxRead, DeviceBaud, ProgramStart, EcuDirectBlock, Letter, DeviceValue,
    DeviceRecord;
} // namespace FixedCommand

// Buffers of the thread object: every frame read, and every frame built (the largest is a
// program block of 512 bytes).
constexpr std::size_t ReceiveBufferSize = DeviceFrame::MaxFrameSize;
constexpr std::size_t TransmitBufferSize = 527;
