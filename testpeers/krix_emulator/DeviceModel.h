#pragma once
// The device's normal mode: what it answers to each request and what it keeps of them. Pure:
// no line, no thread, no clock; the emulator feeds it requests and writes what it returns.
//
// Transparent mode and the bus side join as a second model beside this one; the emulator
// already tells the framings apart and hands transparent frames to its own path.
#include "EmulatorFrames.h"
#include "Faults.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace KrixEmu {

// A piece of an answer and the pause after it.
struct Chunk {
    Bytes bytes;
    std::uint32_t pauseAfterMs = 0;
};

struct Reply {
    std::vector<Chunk> chunks;   // empty: the device stays silent
    std::uint32_t switchToBaud = 0; // after the reply, at the old speed, the line changes speed
};

struct ProgramBlock {
    std::uint32_t address = 0;
    Bytes data;
    std::uint32_t baud = 0; // line speed it arrived at
};

class DeviceModel {
public:
    static constexpr std::size_t DeviceRecordSize = 68;   // data bytes of the 79-byte record answer
    static constexpr std::size_t ActivationRecordSize = 24; // data bytes of the 35-byte row 6 answer
    static constexpr std::size_t MaxListItems = (MaxFrame - 11) / 4; // 253

    DeviceModel();

    // The answer to one request (already classified and check-word tested), with the faults
    // that match it applied. lineBaud is the speed the request arrived at.
    Reply Answer(const Request& request, std::uint32_t lineBaud);

    // --- what the device holds ---
    // Identifier list of a row 14 to 20 (cut to 253 items, what one frame can carry).
    void SetIdList(int row, std::vector<std::uint32_t> items);
    // The four data bytes answered to a row (rows 0-2, 4, 5, 7, 8, 10-13).
    void SetRowData(int row, std::array<std::uint8_t, 4> data);
    void SetDeviceRecord(std::array<std::uint8_t, DeviceRecordSize> record) { deviceRecord_ = record; }
    // Bytes 9 to 32 of the activation status answer (row 6).
    void SetActivationRecord(std::array<std::uint8_t, ActivationRecordSize> record) { activation_ = record; }
    // Bytes 9 to 12 of the link-state answer (bit 0 of byte 10: ready; byte 12: 0, or 6 asking
    // for an activation).
    void SetLinkState(std::array<std::uint8_t, 4> bytes) { linkState_ = bytes; }
    // Byte 12 of the mux read answer (6 means ready).
    void SetMuxReady(std::uint8_t b) { muxReady_ = b; }
    void SetDeviceValue(std::array<std::uint8_t, 4> v) { deviceValue_ = v; }

    void AddFault(const FaultRule& rule) { faults_.push_back(rule); }
    void ClearFaults() { faults_.clear(); }

    // --- what the device was told ---
    const std::vector<ProgramBlock>& ProgramBlocks() const { return blocks_; }
    // The program as loaded: blocks placed at their addresses from 0xC80000 on, later blocks
    // over earlier ones, gaps as zeros.
    Bytes ProgramImage() const;
    bool ProgramStarted() const { return programStarted_; }
    std::array<std::uint8_t, 5> MuxRecord() const { return muxRecord_; }
    char Letter() const { return letter_; }
    std::array<std::uint8_t, 16> EcuDirectBlock() const { return ecuDirect_; }

private:
    std::map<int, std::vector<std::uint32_t>> lists_;
    std::map<int, std::array<std::uint8_t, 4>> rowData_;
    std::array<std::uint8_t, DeviceRecordSize> deviceRecord_{};
    std::array<std::uint8_t, ActivationRecordSize> activation_{};
    std::array<std::uint8_t, 4> linkState_{0x00, 0x01, 0x00, 0x00};
    std::array<std::uint8_t, 4> deviceValue_{};
    std::uint8_t muxReady_ = 6;
    std::deque<FaultRule> faults_;

    std::vector<ProgramBlock> blocks_;
    bool programStarted_ = false;
    std::array<std::uint8_t, 5> muxRecord_{};
    char letter_ = 0;
    std::array<std::uint8_t, 16> ecuDirect_{};
};

} // namespace KrixEmu
