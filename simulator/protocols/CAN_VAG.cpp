#include "CAN_VAG.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <string>

#include "BusLink.h"
#include "UnitFailure.h"
#include "WireText.h"

namespace {

constexpr std::uint8_t KindMask = 0xF0;
constexpr std::uint8_t KindRaw = 0x00;
constexpr std::uint8_t KindChannel = 0xA0;     // channel management, carried unchanged
constexpr std::uint8_t KindLast = 0x10;        // last (or only) frame of a data message
constexpr std::uint8_t KindMore = 0x20;        // a frame with more to follow
constexpr std::uint8_t SequenceMask = 0x0F;
constexpr std::uint8_t NegativeAnswer = 0x7F;  // service byte of a negative answer
constexpr std::uint8_t NegativeMark = 0x80;    // length high byte of a negative single frame
constexpr std::array<std::uint8_t, 8> Acknowledge{0xB7, 0xEB, 0, 0, 0, 0, 0, 0};
constexpr std::uint8_t AcknowledgeLengthByte = 0x02;

constexpr int FrameBytes = 8;        // one CAN frame, also one group of a multi-frame delivery
constexpr int FirstFrameMessageBytes = 5;
constexpr int FollowingMessageBytes = 7;
constexpr int FirstFrameLengthIndex = 2; // the low length byte, the text's first byte

constexpr std::uint8_t ItemEcuActivation = 4;
constexpr std::uint8_t ItemEndCommunication = 6;

constexpr std::uint32_t RxIdlePauseMs = 30;
constexpr std::uint32_t RxTimeoutMs = 750;
constexpr std::uint32_t TxTimeoutMs = 2000;

constexpr TxFailureTexts TxTexts{"TxData_CAN_6 function error Invalid Operation!",
                                 "TxData_CAN_6 function error "};

std::atomic<std::uint8_t> sequence{0};

class Receiver {
public:
    explicit Receiver(BusPort port) : port_(port), clock_(port.Time()) {}

    int Run(std::int32_t* length, char* buffer) {
        State state = State::Poll;
        for (;;) {
            switch (state) {
            case State::Poll: state = Poll(); break;
            case State::Raw: state = Raw(buffer); break;
            case State::OneFrame: state = OneFrame(buffer); break;
            case State::FirstFrame: state = FirstFrame(); break;
            case State::AwaitFollowing: state = AwaitFollowing(); break;
            case State::DeliverSegmented: state = DeliverSegmented(buffer); break;
            case State::Delivered: *length = length_; return length_ > 0 ? 1 : 0;
            case State::Nothing: return 0;
            }
        }
    }

private:
    enum class State { Poll, Raw, OneFrame, FirstFrame, AwaitFollowing, DeliverSegmented, Delivered, Nothing };

    State Poll() {
        if (!port_.Receive(frame_)) return State::Nothing;
        switch (frame_.Bytes[0] & KindMask) {
        case KindRaw:
        case KindChannel: return State::Raw;
        case KindLast: return State::OneFrame;
        case KindMore: return State::FirstFrame;
        default: return State::Nothing; // acknowledgements and the rest
        }
    }

    State Raw(char* buffer) {
        length_ = std::min(frame_.Count, BusMaxMessageBytes);
        WriteWireText(buffer, frame_.Bytes.data(), length_, length_);
        return State::Delivered;
    }

    // The length byte, then the message; the length is cut to the bytes received.
    State OneFrame(char* buffer) {
        const int received = std::max(frame_.Count - (FirstFrameLengthIndex + 1), 0);
        length_ = std::min<int>(frame_.Bytes[FirstFrameLengthIndex], received);
        if (length_ <= 0) return State::Nothing;
        WriteWireText(buffer, frame_.Bytes.data() + FirstFrameLengthIndex, 1 + length_, length_);
        return State::Delivered;
    }

    State FirstFrame() {
        if (frame_.Count < FrameBytes) return State::Nothing;
        total_ = frame_.Bytes[FirstFrameLengthIndex];
        expected_ = (total_ + 1) / FollowingMessageBytes;
        message_.Limit(1 + total_);
        message_.Append(frame_.Bytes.data() + FirstFrameLengthIndex, 1 + FirstFrameMessageBytes);
        port_.SendCan(port_.EcuId(), AcknowledgeLengthByte, Acknowledge.data(), FrameBytes);
        stamp_ = clock_.NowMs();
        TakeGroups(FrameBytes);
        return State::AwaitFollowing;
    }

    // A delivery may hold several frames one after the other, 8 bytes each.
    void TakeGroups(int from) {
        for (int at = from; at < frame_.Count && expected_ > 0; at += FrameBytes) {
            const int groupBytes = std::min(FrameBytes, frame_.Count - at);
            message_.Append(frame_.Bytes.data() + at + 1, std::min(FollowingMessageBytes, groupBytes - 1));
            --expected_;
            stamp_ = clock_.NowMs();
        }
    }

    State AwaitFollowing() {
        if (expected_ <= 0) return State::DeliverSegmented;
        if (port_.Receive(frame_)) {
            TakeGroups(0);
            return State::AwaitFollowing;
        }
        if (!port_.AwaitFrame(RxIdlePauseMs)) return State::Nothing; // over when the next frame is there
        return clock_.NowMs() - stamp_ >= RxTimeoutMs ? State::Nothing : State::AwaitFollowing;
    }

    State DeliverSegmented(char* buffer) {
        length_ = total_;
        WriteWireText(buffer, message_.Data(), 1 + total_, length_);
        return State::Delivered;
    }

    BusPort port_;
    Clock& clock_;
    BusPort::Delivery frame_;
    MessageAssembly message_;
    int total_ = 0;
    int expected_ = 0;
    std::int32_t length_ = 0;
    std::uint64_t stamp_ = 0;
};

// Frames of a data message, numbered from the process-wide counter.
class Transmitter {
public:
    Transmitter(BusPort port, std::int32_t n, const std::uint8_t* b, std::uint8_t itemType)
        : port_(port), clock_(port.Time()), n_(n), b_(b), itemType_(itemType) {}

    int Run() {
        if (itemType_ == ItemEcuActivation) return EcuActivation();
        if (itemType_ == ItemEndCommunication) return EndCommunication();
        if (n_ >= 1 && (b_[0] & KindMask) == KindChannel) return Channel();
        // One frame holds the operation byte, the length high byte and six wire bytes.
        if (n_ <= FrameBytes - 2) return OneFrame();
        return Segmented();
    }

private:
    int EcuActivation() {
        const int count = std::max(n_ - 1, 0);
        CheckFits(count);
        port_.SendCan(port_.EcuId2(), static_cast<std::uint8_t>(count), b_ + (n_ > 0 ? 1 : 0), count);
        sequence.store(0);
        return 1;
    }

    // Length byte 1 and b[1]; the frame holds the answer's other bytes after it.
    int EndCommunication() {
        if (n_ < 2) throw Exception("An End Communication answer needs a byte after its length");
        CheckFits(n_ - 1);
        port_.SendCan(port_.EcuId(), 1, b_ + 1, n_ - 1);
        return 1;
    }

    int Channel() {
        CheckFits(n_);
        port_.SendCan(port_.EcuId(), static_cast<std::uint8_t>(n_), b_, n_);
        return 1;
    }

    int OneFrame() {
        std::array<std::uint8_t, FrameBytes> data{};
        data[0] = static_cast<std::uint8_t>(KindLast | NextSequence());
        data[1] = (n_ >= 2 && b_[1] == NegativeAnswer) ? NegativeMark : 0x00;
        std::copy(b_, b_ + n_, data.begin() + 2);
        port_.SendCan(port_.EcuId(), static_cast<std::uint8_t>(n_ + 2), data.data(), n_ + 2);
        return 1;
    }

    // Frame after frame without waiting for any acknowledgement.
    int Segmented() {
        std::array<std::uint8_t, FrameBytes> data{};
        data[0] = static_cast<std::uint8_t>(KindMore | NextSequence());
        data[1] = 0x00;
        std::copy(b_, b_ + FrameBytes - 2, data.begin() + 2);
        port_.SendCan(port_.EcuId(), FrameBytes, data.data(), FrameBytes);
        std::uint64_t stamp = clock_.NowMs();
        for (int next = FrameBytes - 2; next < n_; next += FollowingMessageBytes) {
            if (clock_.NowMs() - stamp >= TxTimeoutMs) return 0;
            const int rest = n_ - next;
            const int chunk = std::min(FollowingMessageBytes, rest);
            const std::uint8_t kind = rest > FollowingMessageBytes ? KindMore : KindLast;
            data[0] = static_cast<std::uint8_t>(kind | NextSequence());
            std::copy(b_ + next, b_ + next + chunk, data.begin() + 1);
            port_.SendCan(port_.EcuId(), static_cast<std::uint8_t>(chunk + 1), data.data(), chunk + 1);
            stamp = clock_.NowMs();
        }
        return 1;
    }

    static std::uint8_t NextSequence() { return sequence.fetch_add(1) & SequenceMask; }

    static void CheckFits(int dataBytes) {
        if (dataBytes > FrameBytes)
            throw Exception("An answer of " + std::to_string(dataBytes) +
                            " data bytes does not fit one CAN frame");
    }

    BusPort port_;
    Clock& clock_;
    int n_;
    const std::uint8_t* b_;
    std::uint8_t itemType_;
};

} // namespace

std::uint8_t CanVagSequence() { return sequence.load(); }
void SetCanVagSequence(std::uint8_t value) { sequence.store(value); }

int RxData_CAN_6(std::int32_t* length, char* buffer, std::uint8_t*) {
    return GuardRx("RxData_CAN_6 function error:\n", [&] {
        if (!length || !buffer) throw InvalidOperation("No receive buffer");
        *length = 0;
        buffer[0] = '\0';
        return Receiver(BusPort::Bound()).Run(length, buffer);
    });
}

int TxData_CAN_6(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return GuardTx(TxTexts, [&] {
        if (byteCount < 0 || (byteCount > 0 && !bytes)) throw InvalidOperation("No answer bytes");
        const std::uint8_t itemType = info ? info->ItemType : 0;
        return Transmitter(BusPort::Bound(), byteCount, bytes, itemType).Run();
    });
}
