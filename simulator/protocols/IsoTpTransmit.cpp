// Sending one answer: a single frame, or a first frame, the tester's flow control and the
// consecutive frames. Everything lives in this one call.
#include <algorithm>
#include <array>
#include <string>

#include "BusLink.h"
#include "IsoTpUnit.h"

namespace isotp {
namespace {

// The largest message a first frame can announce in its 12 bits.
constexpr int FirstFrameLengthMax = 0x0FFF;

class Transmitter {
public:
    Transmitter(const Params& p, BusPort port, std::int32_t n, const std::uint8_t* b)
        : p_(p), port_(port), clock_(port.Time()) {
        extended_ = p.Address == Addressing::Extended;
        if (p.Answer == AnswerLayout::IdentifiedMessage) {
            if (n < AnswerMessageOffset)
                throw Exception("The answer holds no CAN identifier: " + std::to_string(n) +
                                " bytes");
            const std::uint8_t* id = b + AnswerIdentifierOffset;
            id_ = (std::uint32_t(id[0]) << 24) | (std::uint32_t(id[1]) << 16) |
                  (std::uint32_t(id[2]) << 8) | id[3];
            source_ = b + AnswerMessageOffset;
            sourceCount_ = n - AnswerMessageOffset;
            if (sourceCount_ > FirstFrameLengthMax)
                throw Exception("An answer of " + std::to_string(sourceCount_) +
                                " message bytes exceeds the length a first frame carries");
        } else {
            id_ = port.EcuId();
            source_ = b;
            sourceCount_ = n;
        }
    }

    int Run() {
        State state = FitsOneFrame() ? State::SingleFrame : State::FirstFrame;
        for (;;) {
            switch (state) {
            case State::SingleFrame: state = SingleFrame(); break;
            case State::FirstFrame: state = FirstFrame(); break;
            case State::AwaitFlowControl: state = AwaitFlowControl(); break;
            case State::Consecutive: state = Consecutive(); break;
            case State::Separation: state = Separation(); break;
            case State::Sent: return 1;
            case State::NotSent: return 0;
            }
        }
    }

private:
    enum class State { SingleFrame, FirstFrame, AwaitFlowControl, Consecutive, Separation, Sent, NotSent };

    bool FitsOneFrame() const {
        if (p_.Answer == AnswerLayout::IdentifiedMessage) return sourceCount_ <= CanDataBytes - 1;
        return sourceCount_ <= CanDataBytes - (extended_ ? 1 : 0);
    }

    State SingleFrame() {
        Frame f;
        if (extended_) f.Put(ExtendedAddress);
        if (p_.Answer == AnswerLayout::IdentifiedMessage)
            f.Put(static_cast<std::uint8_t>(sourceCount_));
        f.Put(source_, sourceCount_);
        Send(f, p_.SingleFrameLength);
        return State::Sent;
    }

    State FirstFrame() {
        Frame f;
        if (extended_) f.Put(ExtendedAddress);
        if (p_.Answer == AnswerLayout::IdentifiedMessage) {
            f.Put(static_cast<std::uint8_t>(PciFirstFrame | (sourceCount_ >> 8)));
            f.Put(static_cast<std::uint8_t>(sourceCount_ & 0xFF));
        } else {
            f.Put(PciFirstFrame); // the answer's own length byte follows
        }
        const int chunk = CanDataBytes - f.Count;
        f.Put(source_, chunk);
        next_ = chunk;
        Send(f, LengthByte::Fixed8);
        return State::AwaitFlowControl;
    }

    State AwaitFlowControl() {
        if (port_.Receive(frame_)) {
            const int pci = extended_ ? 1 : 0;
            if (frame_.Count <= pci || frame_.Bytes[pci] != PciFlowControl) return State::NotSent;
            waitEach_ = p_.HonourBlockSize && frame_.Bytes[pci + 1] == BlockSizeEachFrame;
            stamp_ = clock_.NowMs();
            return State::Consecutive;
        }
        if (!port_.AwaitFrame(p_.FlowControlPollMs)) return State::NotSent; // over when the tester answers
        return TimedOut() ? State::NotSent : State::AwaitFlowControl;
    }

    State Consecutive() {
        ++sequence_;
        Frame f;
        if (extended_) f.Put(ExtendedAddress);
        f.Put(static_cast<std::uint8_t>(PciConsecutiveFrame | (sequence_ & SequenceMask)));
        const int chunk = std::min(CanDataBytes - f.Count, sourceCount_ - next_);
        f.Put(source_ + next_, chunk);
        next_ += chunk;
        Send(f, p_.ConsecutiveLength);
        if (next_ >= sourceCount_) return State::Sent;
        return waitEach_ ? State::AwaitFlowControl : State::Separation;
    }

    State Separation() {
        if (!port_.Pause(p_.ConsecutiveSpacingMs)) return State::NotSent;
        return TimedOut() ? State::NotSent : State::Consecutive;
    }

    struct Frame {
        std::array<std::uint8_t, CanDataBytes> Data{};
        int Count = 0;
        void Put(std::uint8_t b) { Data[Count++] = b; }
        void Put(const std::uint8_t* b, int n) {
            for (int i = 0; i < n; ++i) Data[Count++] = b[i];
        }
    };

    void Send(const Frame& f, LengthByte rule) {
        const auto lengthByte =
            rule == LengthByte::Fixed8 ? CanLengthByte : static_cast<std::uint8_t>(f.Count);
        port_.SendCan(id_, lengthByte, f.Data.data(), f.Count);
        stamp_ = clock_.NowMs();
    }

    bool TimedOut() const { return clock_.NowMs() - stamp_ >= p_.TxTimeoutMs; }

    const Params& p_;
    BusPort port_;
    Clock& clock_;
    bool extended_ = false;
    std::uint32_t id_ = 0;
    const std::uint8_t* source_ = nullptr;
    int sourceCount_ = 0;
    int next_ = 0; // first source byte not yet sent
    int sequence_ = 0;
    bool waitEach_ = false;
    BusPort::Delivery frame_;
    std::uint64_t stamp_ = 0;
};

int Body(const Params& p, std::int32_t n, const std::uint8_t* b, TTxInfo* info) {
    if (n < 0 || (n > 0 && !b)) throw InvalidOperation("No answer bytes");
    BusPort port = BusPort::Bound();
    if (p.MultiFlagSendsUnsegmented && info && info->MultiFlag != 0) {
        // One of several answers: sent at once without its length byte, unsegmented. The frame
        // went out, so it is reported as sent; a 0 would make the loop log it as not sent.
        port.SendCan(port.EcuId2(), CanLengthByte, n > 0 ? b + 1 : b, std::max(n - 1, 0));
        return 1;
    }
    return Transmitter(p, port, n, b).Run();
}

} // namespace

int Transmit(const Params& p, std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    if (p.TxRaisePrefix) {
        return GuardRx(p.TxRaisePrefix, [&] { return Body(p, byteCount, bytes, info); });
    }
    return GuardTx(p.TxTexts, [&] { return Body(p, byteCount, bytes, info); });
}

} // namespace isotp
