// CAN_Volvo: single frames 0xC8 + n, first frame 0x8F, middle frames 0x08 to 0x0F and a last
// frame 0x48 + r, without flow control.
#include <gtest/gtest.h>

#include "CAN_Volvo.h"
#include "TestFrames.h"

namespace {

constexpr std::uint8_t kSingle = 0xC8;
constexpr std::uint8_t kFirst = 0x8F;
constexpr std::uint8_t kMiddle = 0x08;
constexpr std::uint8_t kLast = 0x48;
constexpr std::uint32_t kRxTimeoutMs = 2000;

class CanVolvo : public ::testing::Test {
protected:
    CanVolvo() { link.EmptyPollCostMs = kPollCostMs; }

    int Send(const Bytes& wire) {
        TTxInfo info;
        return TxData_CAN_9(static_cast<std::int32_t>(wire.size()), wire.data(), &info);
    }

    FakeBusLink link;
};

// The frames a tester sends for a message of more than seven bytes.
std::vector<Bytes> TesterFrames(const Bytes& message) {
    std::vector<Bytes> frames{Cat({{kFirst}, Slice(message, 0, 7)})};
    std::size_t at = 7;
    for (int k = 1; message.size() - at > 7; ++k, at += 7)
        frames.push_back(Cat({{static_cast<std::uint8_t>(kMiddle + (k % 8))}, Slice(message, at, 7)}));
    const Bytes rest = Slice(message, at, 7);
    frames.push_back(Cat({{static_cast<std::uint8_t>(kLast + rest.size())}, rest}));
    return frames;
}

TEST_F(CanVolvo, ReceivesSingleFrames) {
    ExpectDeliveries(link, RxData_CAN_9, {
        {{0xCB, 0x22, 0xF1, 0x90}, 1, 3, "cb22f190"},
        {Cat({{0xCF}, Pattern(7)}), 1, 7, "cf" + Hex(Pattern(7))},
        {{0xCF, 0x22}, 1, 1, "c922"}, // announces 7, carries 1: the marker follows the bytes
        {{0xC8, 0x22}, 0, 0, ""},
        {{0x03, 0x22, 0xF1, 0x90}, 0, 0, ""},
    });
}

TEST_F(CanVolvo, ReceivesSegmentedMessages) {
    for (int size : {8, 14, 17, 70}) {
        SCOPED_TRACE(size);
        const Bytes message = Pattern(size);
        for (const Bytes& f : TesterFrames(message)) link.Receive(f);
        RxOutcome o = CallRx(RxData_CAN_9);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Length, size);
        EXPECT_EQ(o.Text, "8f" + Hex(message));
        EXPECT_EQ(link.Pending(), 0u);
    }
    EXPECT_TRUE(link.Sent().empty());
}

TEST_F(CanVolvo, SeventeenBytesInFirstMiddleAndLastFrame) {
    const Bytes message = Pattern(17);
    link.Receive(Cat({{0x8F}, Slice(message, 0, 7)}));
    link.Receive(Cat({{0x09}, Slice(message, 7, 7)}));
    link.Receive(Cat({{0x4B}, Slice(message, 14, 3)}));
    RxOutcome o = CallRx(RxData_CAN_9);
    EXPECT_EQ(o.Length, 17);
    EXPECT_EQ(o.Text, "8f" + Hex(message));
}

TEST_F(CanVolvo, DeliversWhatItHasAfter2000ms) {
    const Bytes message = Pattern(7);
    const std::uint64_t start = link.Now();
    link.Receive(Cat({{kFirst}, message}), start);
    RxOutcome o = CallRx(RxData_CAN_9);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Length, 7);
    EXPECT_EQ(o.Text, "cf" + Hex(message)); // seven bytes take the single-frame marker
    EXPECT_GE(link.Now() - start, kRxTimeoutMs);
    EXPECT_LE(link.Now() - start, kRxTimeoutMs + kPollCostMs);
}

TEST_F(CanVolvo, MessageOfAnyLengthIsCutToTheBuffer) {
    const Bytes message = Pattern(BusMaxMessageBytes + 700, 0x00);
    for (const Bytes& f : TesterFrames(message)) link.Receive(f);
    RxOutcome o = CallRx(RxData_CAN_9);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Length, BusMaxMessageBytes);
    EXPECT_EQ(o.Text, "8f" + Hex(Slice(message, 0, BusMaxMessageBytes)));
    EXPECT_EQ(link.Pending(), 0u); // read up to its last frame all the same
}

TEST_F(CanVolvo, LastFrameMarkerBeyondSevenBytesReadsOnlyWhatArrived) {
    link.Receive(Cat({{kFirst}, Pattern(7)}));
    link.Receive({0xC9, 0x01, 0x02}); // 0xC9 - 0x48 would be 129 bytes
    RxOutcome o = CallRx(RxData_CAN_9);
    EXPECT_EQ(o.Length, 9);
    EXPECT_EQ(o.Text, "8f" + Hex(Pattern(7)) + "0102");
}

TEST_F(CanVolvo, SendsAnswers) {
    struct Case {
        int MessageBytes;
        std::vector<std::pair<std::uint8_t, Bytes>> Frames; // marker, message bytes
    };
    const Bytes m = Pattern(80);
    const std::vector<Case> cases{
        {7, {{0xCF, Slice(m, 0, 7)}}},
        {3, {{0xCB, Slice(m, 0, 3)}}},
        {14, {{0x8F, Slice(m, 0, 7)}, {0x4F, Slice(m, 7, 7)}}},
        {17, {{0x8F, Slice(m, 0, 7)}, {0x09, Slice(m, 7, 7)}, {0x4B, Slice(m, 14, 3)}}},
        {71, {{0x8F, Slice(m, 0, 7)}, {0x09, Slice(m, 7, 7)}, {0x0A, Slice(m, 14, 7)}, {0x0B, Slice(m, 21, 7)},
              {0x0C, Slice(m, 28, 7)}, {0x0D, Slice(m, 35, 7)}, {0x0E, Slice(m, 42, 7)}, {0x0F, Slice(m, 49, 7)},
              {0x08, Slice(m, 56, 7)}, {0x09, Slice(m, 63, 7)}, {0x49, Slice(m, 70, 1)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.MessageBytes);
        link.ClearSent();
        const Bytes message = Slice(m, 0, c.MessageBytes);
        const std::uint8_t marker = c.MessageBytes <= 7 ? kSingle + c.MessageBytes : kFirst;
        EXPECT_EQ(Send(Cat({{marker}, message})), 1);
        std::vector<Bytes> expected;
        for (const auto& [b0, bytes] : c.Frames) expected.push_back(CanFrame(kIdEcu, kDlc8, Cat({{b0}, bytes})));
        ExpectFrames(link.Sent(), expected);
    }
}

} // namespace
