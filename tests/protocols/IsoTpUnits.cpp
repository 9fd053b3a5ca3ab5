#include "IsoTpUnits.h"

#include <algorithm>
#include <stdexcept>

#include "CAN_Mercedes.h"
#include "CAN_Opel.h"
#include "CAN_PSA.h"
#include "CAN_Standard.h"
#include "CAN_Thesis.h"
#include "CAN_UD1.h"
#include "CAN_UD2.h"

namespace isotp_test {

const std::vector<IsoUnit>& AllIsoUnits() {
    // name, Rx, Tx, extended, drops 0x30, FC after each, FC block size, Rx pause, Rx time-out,
    // spacing, FC poll, Tx time-out, honours block size, length byte = count, identified answer
    static const std::vector<IsoUnit> units{
        {"CAN_Standard", RxData_CAN_1, TxData_CAN_1, false, true, true, kBlockSizeEach, 30, 3000, 50, 20, 4000, true, false, false},
        {"CAN_PSA", RxData_CAN_2, TxData_CAN_2, false, false, false, kBlockSizeAll, 0, 5000, 5, 2, 2000, true, true, false},
        {"CAN_Opel", RxData_CAN_4, TxData_CAN_3, false, false, true, kBlockSizeEach, 30, 2000, 50, 100, 2000, true, false, false},
        {"CAN_Thesis", RxData_CAN_10, TxData_CAN_10, true, false, false, kBlockSizeAll, 1, 2000, 50, 20, 2000, false, false, false},
        {"CAN_Mercedes", RxData_CAN_11, TxData_CAN_11, false, true, true, kBlockSizeEach, 30, 3000, 50, 20, 4000, true, false, true},
        {"CAN_UD1", RxData_CAN_12, TxData_CAN_12, false, true, true, kBlockSizeEach, 30, 3000, 50, 20, 4000, true, false, true},
        {"CAN_UD2", RxData_CAN_13, TxData_CAN_13, false, true, true, kBlockSizeEach, 30, 3000, 50, 20, 4000, true, false, true},
    };
    return units;
}

const IsoUnit& Unit(const std::string& name) {
    for (const IsoUnit& u : AllIsoUnits())
        if (name == u.Name) return u;
    throw std::invalid_argument(name);
}

namespace {
Bytes Padded(Bytes b) {
    b.resize(std::max<std::size_t>(b.size(), 8), kPad);
    return b;
}
} // namespace

std::vector<Bytes> RequestFrames(const IsoUnit& u, const Bytes& message) {
    const int total = static_cast<int>(message.size());
    const Bytes address = u.Extended ? Bytes{kTesterAddress} : Bytes{};
    const std::size_t first = u.Extended ? 5 : 6;
    const std::size_t each = u.Extended ? 6 : 7;
    std::vector<Bytes> frames;
    frames.push_back(Padded(Cat({address,
                                 {static_cast<std::uint8_t>(kFirstFrame | (total >> 8)),
                                  static_cast<std::uint8_t>(total & 0xFF)},
                                 Slice(message, 0, first)})));
    int sequence = 0;
    for (std::size_t at = first; at < message.size(); at += each) {
        ++sequence;
        frames.push_back(Padded(Cat(
            {address, {static_cast<std::uint8_t>(kConsecutive | (sequence & 0x0F))}, Slice(message, at, each)})));
    }
    return frames;
}

Bytes UnitFlowControl(const IsoUnit& u) {
    Bytes data = u.Extended ? Bytes{kUnitAddress, kFlowContinue, u.FlowControlBlockSize}
                            : Bytes{kFlowContinue, u.FlowControlBlockSize};
    data.resize(8, 0x00);
    return CanFrame(kIdEcu, kDlc8, data);
}

Bytes TesterFlowControl(const IsoUnit& u, std::uint8_t status, std::uint8_t blockSize) {
    Bytes data{status, blockSize, 0x00};
    if (u.Extended) data.insert(data.begin(), kTesterAddress);
    return Padded(data);
}

std::vector<Bytes> AnswerFrames(const IsoUnit& u, const Bytes& wire) {
    const Bytes address = u.Extended ? Bytes{kUnitAddress} : Bytes{};
    auto frame = [&](const Bytes& data, bool countIsLength) {
        return CanFrame(kIdEcu, countIsLength ? static_cast<std::uint8_t>(data.size()) : kDlc8, data);
    };
    const std::size_t single = u.Extended ? 7 : 8;
    if (wire.size() <= single) return {frame(Cat({address, wire}), u.LengthByteIsCount)};
    const std::size_t first = u.Extended ? 6 : 7;
    const std::size_t each = u.Extended ? 6 : 7;
    std::vector<Bytes> frames{frame(Cat({address, {kFirstFrame}, Slice(wire, 0, first)}), false)};
    int sequence = 0;
    for (std::size_t at = first; at < wire.size(); at += each) {
        ++sequence;
        frames.push_back(frame(
            Cat({address, {static_cast<std::uint8_t>(kConsecutive | (sequence & 0x0F))}, Slice(wire, at, each)}),
            u.LengthByteIsCount));
    }
    return frames;
}

Bytes Wire(const Bytes& message) {
    return Cat({{static_cast<std::uint8_t>(message.size())}, message});
}

Bytes AnswerBytes(const IsoUnit& u, const Bytes& message) {
    if (!u.IdentifiedAnswer) return Wire(message);
    const Bytes id{static_cast<std::uint8_t>(kIdEcu >> 24), static_cast<std::uint8_t>(kIdEcu >> 16),
                   static_cast<std::uint8_t>(kIdEcu >> 8), static_cast<std::uint8_t>(kIdEcu)};
    return Cat({{static_cast<std::uint8_t>(id.size() + message.size())}, id, message});
}

} // namespace isotp_test
