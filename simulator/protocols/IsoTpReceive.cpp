// Receiving one request: a single frame, or a first frame and its consecutive frames with the
// flow control the unit sends in between. Everything lives in this one call.
#include <algorithm>
#include <array>

#include "BusLink.h"
#include "IsoTpUnit.h"
#include "WireText.h"

namespace isotp {
namespace {

class Receiver {
public:
    Receiver(const Params& p, BusPort port)
        : p_(p), port_(port), clock_(port.Time()),
          pci_(p.Address == Addressing::Extended ? 1 : 0) {}

    int Run(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
        State state = State::Poll;
        for (;;) {
            switch (state) {
            case State::Poll: state = Poll(); break;
            case State::Single: state = Single(buffer, rxStatus); break;
            case State::FirstFrame: state = FirstFrame(rxStatus); break;
            case State::AwaitConsecutive: state = AwaitConsecutive(); break;
            case State::DeliverSegmented: state = DeliverSegmented(buffer); break;
            case State::Delivered: *length = length_; return 1;
            case State::Nothing: return 0;
            }
        }
    }

private:
    enum class State { Poll, Single, FirstFrame, AwaitConsecutive, DeliverSegmented, Delivered, Nothing };

    State Poll() {
        if (!port_.Receive(frame_)) return State::Nothing;
        if (frame_.Count <= pci_) return State::Nothing; // an address byte without a PCI
        const std::uint8_t b0 = frame_.Bytes[pci_];
        if (b0 == PciFlowControl && p_.DropFlowControlOutsideTransfer) return State::Nothing;
        // 0x10 to 0x1F: the low nibble is the top of the first frame's 12-bit length.
        if ((b0 & PciTypeMask) == PciFirstFrame) return State::FirstFrame;
        return State::Single;
    }

    // Any other PCI is a single frame whose length is that byte, cut to the bytes received.
    State Single(char* buffer, std::uint8_t* rxStatus) {
        const std::uint8_t* text = frame_.Bytes.data() + pci_;
        const int after = frame_.Count - pci_; // bytes from the PCI on
        int textBytes;
        if (p_.SingleFrame == SingleFrameText::AllBytes) {
            length_ = after;
            textBytes = after;
        } else {
            length_ = std::min<int>(text[0], after - 1);
            textBytes = length_ + 1;
        }
        if (p_.ReportsRxStatus && rxStatus) {
            const bool hasService = length_ >= 1;
            rxStatus[0] = (length_ == 1 && text[1] == ServiceTesterPresent) ? RxStatusService20
                                                                            : RxStatusOther;
            rxStatus[1] = (hasService && text[1] == ServiceAA) ? RxStatusServiceAA : RxStatusOther;
        }
        WriteWireText(buffer, text, textBytes, length_);
        return State::Delivered;
    }

    State FirstFrame(std::uint8_t* rxStatus) {
        const std::uint8_t* f = frame_.Bytes.data() + pci_;
        total_ = ((f[0] & PciLengthMask) << 8) | f[1];
        const int firstChunk = CanDataBytes - pci_ - 2;
        consecutiveChunk_ = CanDataBytes - pci_ - 1;
        expected_ = total_ / consecutiveChunk_;
        message_.Limit(1 + total_);
        message_.Append(f + 1, 1 + firstChunk); // the length byte and the first data bytes
        if (p_.ReportsRxStatus && rxStatus) {
            rxStatus[0] = RxStatusOther;
            rxStatus[1] = f[2] == ServiceAA ? RxStatusServiceAA : RxStatusOther;
        }
        SendFlowControl();
        return State::AwaitConsecutive;
    }

    // Sequence numbers are not checked: each frame that arrives is the next one.
    State AwaitConsecutive() {
        if (expected_ <= 0) return State::DeliverSegmented;
        if (port_.Receive(frame_)) {
            message_.Append(frame_.Bytes.data() + pci_ + 1, consecutiveChunk_);
            --expected_;
            stamp_ = clock_.NowMs();
            if (expected_ > 0 && p_.FlowControlAfterEachConsecutive) SendFlowControl();
            return State::AwaitConsecutive;
        }
        // The rest of the request: over as soon as the next frame is there.
        if (!port_.AwaitFrame(p_.RxIdlePauseMs)) return State::Nothing;
        if (clock_.NowMs() - stamp_ >= p_.RxTimeoutMs) return State::DeliverSegmented;
        return State::AwaitConsecutive;
    }

    // Also after a time-out: the request goes out with its announced length, the bytes that
    // never arrived as zeros.
    State DeliverSegmented(char* buffer) {
        length_ = total_;
        WriteWireText(buffer, message_.Data(), 1 + total_, length_);
        return State::Delivered;
    }

    void SendFlowControl() {
        std::array<std::uint8_t, CanDataBytes> data{};
        int i = 0;
        if (pci_) data[i++] = ExtendedAddress;
        data[i++] = PciFlowControl;
        data[i] = p_.FlowControlBlockSize;
        port_.SendCan(port_.EcuId(), CanLengthByte, data.data(), CanDataBytes);
        stamp_ = clock_.NowMs();
    }

    static constexpr std::uint8_t ServiceTesterPresent = 0x20;
    static constexpr std::uint8_t ServiceAA = 0xAA;

    const Params& p_;
    BusPort port_;
    Clock& clock_;
    const int pci_;
    BusPort::Delivery frame_;
    MessageAssembly message_;
    int total_ = 0;
    int expected_ = 0;
    int consecutiveChunk_ = 0;
    std::int32_t length_ = 0;
    std::uint64_t stamp_ = 0;
};

} // namespace

int Receive(const Params& p, std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return GuardRx(p.RxPrefix, [&] {
        if (!length || !buffer) throw InvalidOperation("No receive buffer");
        *length = 0;
        buffer[0] = '\0';
        Receiver r(p, BusPort::Bound());
        return r.Run(length, buffer, rxStatus);
    });
}

} // namespace isotp
