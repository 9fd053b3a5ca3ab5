#pragma once
// The device's transparent mode: the protocol set ('0': the 51-byte parameter block and three
// lists), the ECU start and stop ('1') and the bus frames the host sends ('2'). Pure, like
// DeviceModel: the emulator feeds it the host's transparent frames and writes what it returns.
//
// The device is on the bus once a protocol was set and the ECU started; only then does it put
// the host's bus frames on the bus and deliver the bus's frames to the host. A device reset
// (device control 2) takes it off the bus and forgets the protocol.
#include "EmulatorFrames.h"
#include "History.h"

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace KrixEmu {

enum class TransparentFaultKind {
    Silence,   // the command is not answered
    Refused,   // answered with status 0x81
    OtherCode, // answered with the other command's answer code ('q' for '0', 'p' for '1')
};

struct TransparentFault {
    TransparentFaultKind kind = TransparentFaultKind::Silence;
    std::uint8_t command = CodeProtocolSet; // '0' or '1'
    int times = 1;                          // -1 for ever
};

class TransparentModel {
public:
    static constexpr std::size_t ProtocolSetSize = 120;
    static constexpr std::size_t BlockSize = 51;
    static constexpr std::size_t ListRoom = 20;
    static constexpr std::size_t StartStopSize = 7;
    static constexpr std::size_t BusDataOffset = 6;

    // One transparent frame from the host: the answer to write back (empty for none).
    Bytes Handle(const Bytes& frame);
    void Reset();

    bool OnBus() const { return protocolSet_ && ecuRunning_; }
    bool ProtocolSet() const { return protocolSet_; }
    bool EcuRunning() const { return ecuRunning_; }
    const Bytes& ParameterBlock() const { return block_; }
    const std::array<Bytes, 3>& Lists() const { return lists_; }
    // The data of every '2' frame put on the bus, in order.
    const std::vector<Bytes>& BusFramesFromHost() const { return busFrames_.All(); }
    std::size_t BusFrameCount() const { return busFrames_.Size(); }
    // The data of the '2' frame at position index (from 0), or nullptr while there is none.
    const Bytes* BusFrameAt(std::size_t index) const { return busFrames_.At(index); }
    std::size_t RefusedFrames() const { return refused_; } // bad check byte, length or layout
    std::size_t OffBusFrames() const { return offBus_; }   // '2' frames while not on the bus

    void AddFault(const TransparentFault& fault) { faults_.push_back(fault); }

    // What the device sends for a frame it picked up on the bus, and for a bus-side error.
    static Bytes ReceivedFrame(const Bytes& busData);
    static Bytes BusErrorFrame();

private:
    Bytes Answer(std::uint8_t command, std::uint8_t status);
    bool TakeFault(std::uint8_t command, TransparentFaultKind* kind);

    bool protocolSet_ = false;
    bool ecuRunning_ = false;
    Bytes block_;
    std::array<Bytes, 3> lists_;
    History<Bytes> busFrames_;
    std::size_t refused_ = 0;
    std::size_t offBus_ = 0;
    std::deque<TransparentFault> faults_;
};

} // namespace KrixEmu
