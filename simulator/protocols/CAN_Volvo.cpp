#include "CAN_Volvo.h"

#include <algorithm>
#include <array>

#include "BusLink.h"
#include "UnitFailure.h"
#include "WireText.h"

namespace {

constexpr std::uint8_t SingleBase = 0xC8;  // + message bytes
constexpr std::uint8_t SingleMin = 0xC9;
constexpr std::uint8_t SingleMax = 0xCF;
constexpr std::uint8_t FirstMarker = 0x8F;
constexpr std::uint8_t MiddleBase = 0x08;  // + (k mod 8)
constexpr std::uint8_t MiddleCounterMask = 0x07;
constexpr std::uint8_t LastBase = 0x48;    // + remaining bytes
constexpr int FrameMessageBytes = 7;
constexpr int FrameBytes = 8;
constexpr std::uint8_t LengthByte = 8;

constexpr std::uint32_t RxIdlePauseMs = 0; // only yields
constexpr std::uint32_t RxTimeoutMs = 2000;

constexpr TxFailureTexts TxTexts{"TxData_CAN_9 function error Invalid Operation!",
                                 "TxData_CAN_9 function error "};

class Receiver {
public:
    explicit Receiver(BusPort port) : port_(port), clock_(port.Time()) {}

    int Run(std::int32_t* length, char* buffer) {
        State state = State::Poll;
        for (;;) {
            switch (state) {
            case State::Poll: state = Poll(); break;
            case State::Single: state = Single(); break;
            case State::First: state = First(); break;
            case State::AwaitFollowing: state = AwaitFollowing(); break;
            case State::Deliver: Deliver(length, buffer); return 1;
            case State::Nothing: return 0;
            }
        }
    }

private:
    enum class State { Poll, Single, First, AwaitFollowing, Deliver, Nothing };

    State Poll() {
        if (!port_.Receive(frame_)) return State::Nothing;
        const std::uint8_t b0 = frame_.Bytes[0];
        if (b0 == FirstMarker) return State::First;
        if (b0 >= SingleMin && b0 <= SingleMax) return State::Single;
        return State::Nothing;
    }

    State Single() {
        Take(frame_.Bytes[0] - SingleBase);
        return State::Deliver;
    }

    State First() {
        Take(FrameMessageBytes);
        stamp_ = clock_.NowMs();
        return State::AwaitFollowing;
    }

    // The message received so far is delivered after the last frame or after the time-out.
    State AwaitFollowing() {
        if (port_.Receive(frame_)) {
            const std::uint8_t b0 = frame_.Bytes[0];
            const bool last = b0 >= LastBase;
            Take(last ? b0 - LastBase : FrameMessageBytes);
            stamp_ = clock_.NowMs();
            return last ? State::Deliver : State::AwaitFollowing;
        }
        if (!port_.Pause(RxIdlePauseMs)) return State::Nothing;
        return clock_.NowMs() - stamp_ >= RxTimeoutMs ? State::Deliver : State::AwaitFollowing;
    }

    // Up to count message bytes from byte 1 of the frame, no more than it holds; bytes beyond
    // BusMaxMessageBytes are dropped.
    void Take(int count) {
        const int n = std::min({count, FrameMessageBytes, frame_.Count - 1});
        const int kept = std::min(n, BusMaxMessageBytes - total_);
        if (kept <= 0) return;
        message_.Append(frame_.Bytes.data() + 1, kept);
        total_ += kept;
    }

    void Deliver(std::int32_t* length, char* buffer) {
        message_.Set(0, total_ + 1 <= FrameBytes ? static_cast<std::uint8_t>(SingleBase + total_)
                                                 : FirstMarker);
        *length = total_;
        WriteWireText(buffer, message_.Data(), 1 + total_, total_);
    }

    BusPort port_;
    Clock& clock_;
    BusPort::Delivery frame_;
    MessageAssembly message_ = StartedAssembly();
    int total_ = 0;
    std::uint64_t stamp_ = 0;

    static MessageAssembly StartedAssembly() {
        MessageAssembly m;
        const std::uint8_t marker = 0;
        m.Append(&marker, 1); // the marker, set on delivery
        return m;
    }
};

int Transmit(BusPort port, std::int32_t n, const std::uint8_t* b) {
    if (n <= FrameBytes) {
        port.SendCan(port.EcuId(), LengthByte, b, n);
        return 1;
    }
    std::array<std::uint8_t, FrameBytes> data{};
    data[0] = FirstMarker;
    std::copy(b + 1, b + 1 + FrameMessageBytes, data.begin() + 1);
    port.SendCan(port.EcuId(), LengthByte, data.data(), FrameBytes);
    int rest = n - FrameBytes;
    int k = 1;
    for (; rest >= FrameBytes; ++k, rest -= FrameMessageBytes) {
        data[0] = static_cast<std::uint8_t>(MiddleBase + (k & MiddleCounterMask));
        const std::uint8_t* from = b + FrameMessageBytes * k + 1;
        std::copy(from, from + FrameMessageBytes, data.begin() + 1);
        port.SendCan(port.EcuId(), LengthByte, data.data(), FrameBytes);
    }
    data[0] = static_cast<std::uint8_t>(LastBase + rest);
    const std::uint8_t* from = b + FrameMessageBytes * k + 1;
    std::copy(from, from + rest, data.begin() + 1);
    port.SendCan(port.EcuId(), LengthByte, data.data(), rest + 1);
    return 1;
}

} // namespace

int RxData_CAN_9(std::int32_t* length, char* buffer, std::uint8_t*) {
    return GuardRx("RxData_CAN_9 function error:\n", [&] {
        if (!length || !buffer) throw InvalidOperation("No receive buffer");
        *length = 0;
        buffer[0] = '\0';
        return Receiver(BusPort::Bound()).Run(length, buffer);
    });
}

int TxData_CAN_9(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo*) {
    return GuardTx(TxTexts, [&] {
        if (byteCount < 0 || (byteCount > 0 && !bytes)) throw InvalidOperation("No answer bytes");
        return Transmit(BusPort::Bound(), byteCount, bytes);
    });
}
