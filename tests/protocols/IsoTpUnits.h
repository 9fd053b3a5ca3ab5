#pragma once
// What the ISO 15765-2 style units are expected to do, one row per unit, and the frames a tester
// sends them or expects from them.
#include <cstdint>
#include <string>
#include <vector>

#include "BusUnit.h"
#include "TestFrames.h"

namespace isotp_test {

inline constexpr std::uint8_t kFirstFrame = 0x10;
inline constexpr std::uint8_t kConsecutive = 0x20;
inline constexpr std::uint8_t kFlowContinue = 0x30;
inline constexpr std::uint8_t kFlowWait = 0x31;
inline constexpr std::uint8_t kFlowOverflow = 0x32;
inline constexpr std::uint8_t kBlockSizeEach = 1;
inline constexpr std::uint8_t kBlockSizeAll = 0;
inline constexpr std::uint8_t kUnitAddress = 0xF1;   // first byte of CAN_Thesis' own frames
inline constexpr std::uint8_t kTesterAddress = 0x10; // first byte of the tester's frames
inline constexpr std::uint8_t kPad = 0x55;           // tester's filler bytes

struct IsoUnit {
    const char* Name;
    BusRxRoutine Rx;
    BusTxRoutine Tx;
    bool Extended;
    bool DropsFlowControl;
    bool FlowControlAfterEach;
    std::uint8_t FlowControlBlockSize;
    std::uint32_t RxPauseMs;
    std::uint32_t RxTimeoutMs;
    std::uint32_t SpacingMs;
    std::uint32_t FlowControlPollMs;
    std::uint32_t TxTimeoutMs;
    bool HonoursBlockSize;
    bool LengthByteIsCount; // single and consecutive frames carry their data count
    bool IdentifiedAnswer;  // the answer names its identifier (CAN_Mercedes family)
};

const std::vector<IsoUnit>& AllIsoUnits();
const IsoUnit& Unit(const std::string& name);

// The tester's frames of a request (padded to 8 data bytes).
std::vector<Bytes> RequestFrames(const IsoUnit& u, const Bytes& message);
// The flow control the unit sends, as TxFrame gets it.
Bytes UnitFlowControl(const IsoUnit& u);
// A tester's flow control with this status byte and block size.
Bytes TesterFlowControl(const IsoUnit& u, std::uint8_t status, std::uint8_t blockSize);
// The frames a unit of wire layout sends for the answer's wire bytes.
std::vector<Bytes> AnswerFrames(const IsoUnit& u, const Bytes& wire);
// Wire bytes of pack pair 1: the message length, then the message.
Bytes Wire(const Bytes& message);
// The answer a unit's Tx routine gets for the message: its wire bytes, or for the units whose
// answers name their identifier, the length byte, kIdEcu and the message.
Bytes AnswerBytes(const IsoUnit& u, const Bytes& message);

} // namespace isotp_test
