#include "TransparentModel.h"

#include <algorithm>

namespace KrixEmu {

Bytes TransparentModel::ReceivedFrame(const Bytes& busData) {
    Bytes payload(1 + busData.size());
    payload[0] = StatusOk;
    std::copy(busData.begin(), busData.end(), payload.begin() + 1);
    return TransparentFrame(CodeBusFrame + CodeAnswerOffset, payload);
}

Bytes TransparentModel::BusErrorFrame() {
    return TransparentFrame(CodeBusFrame + CodeAnswerOffset, {StatusError});
}

void TransparentModel::Reset() {
    protocolSet_ = false;
    ecuRunning_ = false;
    block_.clear();
    for (Bytes& l : lists_)
        l.clear();
}

bool TransparentModel::TakeFault(std::uint8_t command, TransparentFaultKind* kind) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->command != command || it->times == 0)
            continue;
        *kind = it->kind;
        if (it->times > 0 && --it->times == 0)
            faults_.erase(it);
        return true;
    }
    return false;
}

Bytes TransparentModel::Answer(std::uint8_t command, std::uint8_t status) {
    TransparentFaultKind fault{};
    if (TakeFault(command, &fault)) {
        switch (fault) {
        case TransparentFaultKind::Silence: return {};
        case TransparentFaultKind::Refused: status = StatusError; break;
        case TransparentFaultKind::OtherCode:
            command = command == CodeProtocolSet ? CodeEcuStartStop : CodeProtocolSet;
            break;
        }
    }
    return TransparentFrame(static_cast<std::uint8_t>(command + CodeAnswerOffset), {status});
}

Bytes TransparentModel::Handle(const Bytes& f) {
    if (!TransparentCheckOk(f) || f.size() != TransparentLength(f) || f.size() < 6 || f[3] != TransparentMarker) {
        ++refused_;
        return {};
    }
    switch (f[4]) {
    case CodeProtocolSet: {
        if (f.size() != ProtocolSetSize) {
            ++refused_;
            return {};
        }
        block_.assign(f.begin() + 5, f.begin() + 5 + BlockSize);
        std::size_t at = 5 + BlockSize;
        bool fits = true;
        for (Bytes& list : lists_) {
            const std::size_t len = f[at];
            fits = fits && len <= ListRoom;
            list.assign(f.begin() + static_cast<std::ptrdiff_t>(at + 1),
                        f.begin() + static_cast<std::ptrdiff_t>(at + 1 + std::min(len, ListRoom)));
            at += 1 + ListRoom;
        }
        protocolSet_ = fits;
        return Answer(CodeProtocolSet, fits ? StatusOk : StatusError);
    }
    case CodeEcuStartStop:
        if (f.size() != StartStopSize) {
            ++refused_;
            return {};
        }
        ecuRunning_ = f[5] == 0x01;
        return Answer(CodeEcuStartStop, StatusOk);
    case CodeBusFrame:
        if (!OnBus()) {
            ++offBus_;
            return {};
        }
        busFrames_.Append(Bytes(f.begin() + BusDataOffset, f.end() - 1));
        return {};
    default: ++refused_; return {};
    }
}

} // namespace KrixEmu
