#pragma once
// The one implementation of the ISO 15765-2 style units (single frame, first frame, consecutive
// frames, flow control). CAN_Standard, CAN_PSA, CAN_Opel, CAN_Thesis, CAN_Mercedes, CAN_UD1 and
// CAN_UD2 differ only in the parameters below; each unit's file holds its row.
#include <cstdint>

#include "BusUnit.h"
#include "UnitFailure.h"

namespace isotp {

// Protocol control byte.
inline constexpr std::uint8_t PciTypeMask = 0xF0;
inline constexpr std::uint8_t PciLengthMask = 0x0F;
inline constexpr std::uint8_t PciFirstFrame = 0x10;
inline constexpr std::uint8_t PciConsecutiveFrame = 0x20;
inline constexpr std::uint8_t PciFlowControl = 0x30; // continue to send
inline constexpr std::uint8_t SequenceMask = 0x0F;
// A block size of 1 asks for a flow control after every consecutive frame.
inline constexpr std::uint8_t BlockSizeEachFrame = 1;
inline constexpr std::uint8_t BlockSizeAll = 0;

// Every CAN frame carries at most this many data bytes; the length byte the units send.
inline constexpr int CanDataBytes = 8;
inline constexpr std::uint8_t CanLengthByte = 8;
// Extended addressing: the first data byte of every frame is an address.
inline constexpr std::uint8_t ExtendedAddress = 0xF1;
// CAN_Mercedes answers start with a length byte and the identifier to answer on.
inline constexpr int AnswerIdentifierOffset = 1;
inline constexpr int AnswerMessageOffset = 5;

enum class Addressing {
    Normal,   // the PCI is byte 0
    Extended, // byte 0 is an address (ignored when received, ExtendedAddress when sent)
};

enum class SingleFrameText {
    ByPci,    // the PCI byte and the PCI's count of data bytes; length = that count
    AllBytes, // every byte after the address byte, PCI first; length = their number
};

enum class LengthByte {
    Fixed8,    // 8 whatever the frame holds
    DataCount, // the number of data bytes in the frame
};

enum class AnswerLayout {
    Wire,              // the answer's bytes are the message (the length byte first)
    IdentifiedMessage, // length byte, four identifier bytes, then the message to send on it
};

struct Params {
    // Failure texts.
    const char* RxPrefix;
    TxFailureTexts TxTexts;
    const char* TxRaisePrefix; // not null: Tx failures are raised with it instead of shown

    Addressing Address;

    // Receive.
    bool DropFlowControlOutsideTransfer;
    SingleFrameText SingleFrame;
    bool FlowControlAfterEachConsecutive; // else after the first frame only
    std::uint8_t FlowControlBlockSize;    // of the flow control the unit sends
    std::uint32_t RxIdlePauseMs;          // most between empty polls (a frame ends it); 0 yields
    std::uint32_t RxTimeoutMs;            // gap between two frames of one request
    bool ReportsRxStatus;

    // Transmit.
    AnswerLayout Answer;
    LengthByte SingleFrameLength;
    LengthByte ConsecutiveLength;
    bool HonourBlockSize;               // else all consecutive frames ConsecutiveSpacingMs apart
    std::uint32_t ConsecutiveSpacingMs; // wire timing: always the whole pause
    std::uint32_t FlowControlPollMs;    // most between empty polls for flow control (a frame ends it)
    std::uint32_t TxTimeoutMs;          // gap since the last frame sent or received
    bool MultiFlagSendsUnsegmented;     // MultiFlag: bytes 1.. go out as one frame on IdEcu2
};

int Receive(const Params& p, std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int Transmit(const Params& p, std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);

} // namespace isotp
