// CAN_VAG: raw channel messages, data frames with an operation-and-sequence byte, the
// acknowledgement of segmented requests and the process-wide sequence counter.
#include <gtest/gtest.h>

#include "CAN_VAG.h"
#include "TestFrames.h"

namespace {

constexpr std::uint8_t kLast = 0x10;
constexpr std::uint8_t kMore = 0x20;
constexpr std::uint8_t kNegativeMark = 0x80;
constexpr std::uint8_t kEcuActivation = 4;
constexpr std::uint8_t kEndCommunication = 6;
constexpr std::uint8_t kPsi = 2;
constexpr std::uint32_t kRxTimeoutMs = 750;
constexpr std::uint32_t kRxPauseMs = 30;
const Bytes kAcknowledge = CanFrame(kIdEcu, 0x02, {0xB7, 0xEB, 0, 0, 0, 0, 0, 0});

class CanVag : public ::testing::Test {
protected:
    CanVag() {
        link.EmptyPollCostMs = kPollCostMs;
        SetCanVagSequence(0);
    }
    ~CanVag() override { SetCanVagSequence(0); }

    int Send(const Bytes& wire, std::uint8_t itemType = kPsi) {
        TTxInfo info;
        info.ItemType = itemType;
        return TxData_CAN_6(static_cast<std::int32_t>(wire.size()), wire.data(), &info);
    }

    FakeBusLink link;
};

TEST_F(CanVag, ReceivesSingleDeliveries) {
    ExpectDeliveries(link, RxData_CAN_6, {
        {{0xA0, 0x0F, 0x8A, 0xFF, 0x32, 0xFF}, 1, 6, "a00f8aff32ff"}, // channel message, raw
        {{0xA8}, 1, 1, "a8"},
        {{0x03, 0x22}, 1, 2, "0322"},                         // high nibble 0: raw as well
        {{0x13, 0x00, 0x03, 0x22, 0xF1, 0x90}, 1, 3, "0322f190"}, // a message in one frame
        {{0x1F, 0x00, 0x05, 0x22, 0xF1}, 1, 2, "0522f1"},     // announces 5, carries 2
        {{0x10, 0x00, 0x00}, 0, 0, ""},                       // length 0: nothing
        {{0xB5}, 0, 0, ""},                                   // the tester's acknowledgement
        {{0x35, 0x01}, 0, 0, ""},
        {{0x25, 0x00, 0x0C, 0x01}, 0, 0, ""},                 // first frame shorter than 8
    });
    EXPECT_TRUE(link.Sent().empty());
}

TEST_F(CanVag, SegmentedRequestIsAcknowledgedOnce) {
    const Bytes message = Pattern(12);
    const Bytes first = Cat({{kMore | 0x3, 0x00, 0x0C}, Slice(message, 0, 5)});
    const Bytes last = Cat({{kLast | 0x4}, Slice(message, 5, 7)});
    struct Case {
        const char* Name;
        std::vector<Bytes> Deliveries;
    };
    const std::vector<Case> cases{
        {"frame by frame", {first, last}},
        {"both frames in one delivery", {Cat({first, last})}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        link.ClearSent();
        for (const Bytes& d : c.Deliveries) link.Receive(d);
        RxOutcome o = CallRx(RxData_CAN_6);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Length, 12);
        EXPECT_EQ(o.Text, "0c" + Hex(message));
        ExpectFrames(link.Sent(), {kAcknowledge});
        EXPECT_EQ(link.Pending(), 0u);
    }
}

TEST_F(CanVag, LaterDeliveriesMayHoldSeveralFramesToo) {
    const Bytes message = Pattern(26); // 5 + 7 + 7 + 7
    link.Receive(Cat({{kMore, 0x00, 26}, Slice(message, 0, 5), {kMore | 1}, Slice(message, 5, 7)}));
    link.Receive(Cat({{kMore | 2}, Slice(message, 12, 7), {kLast | 3}, Slice(message, 19, 7)}));
    RxOutcome o = CallRx(RxData_CAN_6);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Text, "1a" + Hex(message));
    EXPECT_EQ(link.Pending(), 0u);
}

TEST_F(CanVag, SegmentedRequestWithoutItsNextFrameIn750msIsDropped) {
    const Bytes message = Pattern(12);
    const std::uint64_t start = link.Now();
    link.Receive(Cat({{kMore, 0x00, 0x0C}, Slice(message, 0, 5)}), start);
    link.Receive(Cat({{kLast | 1}, Slice(message, 5, 7)}), start + kRxTimeoutMs + 50);
    RxOutcome o = CallRx(RxData_CAN_6);
    EXPECT_EQ(o.Result, 0);
    EXPECT_EQ(o.Length, 0);
    EXPECT_GE(link.Now() - start, kRxTimeoutMs);
    EXPECT_LE(link.Now() - start, kRxTimeoutMs + kRxPauseMs + kPollCostMs);

    link.ClearSent();
    link.Clock().Advance(1000);
    CallRx(RxData_CAN_6); // the late frame alone
    const std::uint64_t again = link.Now();
    link.Receive(Cat({{kMore, 0x00, 0x0C}, Slice(message, 0, 5)}), again);
    link.Receive(Cat({{kLast | 1}, Slice(message, 5, 7)}), again + kRxTimeoutMs - 50);
    o = CallRx(RxData_CAN_6);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Text, "0c" + Hex(message));
}

TEST_F(CanVag, DataAnswerInOneFrameCarriesTheSequence) {
    const Bytes answer{0x05, 0x62, 0xF1, 0x90, 0x41, 0x42};
    SetCanVagSequence(0x0E);
    EXPECT_EQ(Send(answer), 1);
    EXPECT_EQ(Send(answer), 1);
    EXPECT_EQ(Send(answer), 1); // after 0x1F comes 0x10
    const Bytes data = Cat({{0x00}, answer});
    ExpectFrames(link.Sent(), {CanFrame(kIdEcu, 0x08, Cat({{kLast | 0xE}, data})),
                               CanFrame(kIdEcu, 0x08, Cat({{kLast | 0xF}, data})),
                               CanFrame(kIdEcu, 0x08, Cat({{kLast | 0x0}, data}))});
}

TEST_F(CanVag, NegativeAnswerIsMarked) {
    const Bytes answer{0x03, 0x7F, 0x22, 0x31};
    EXPECT_EQ(Send(answer), 1);
    ExpectFrames(link.Sent(), {CanFrame(kIdEcu, 0x06, Cat({{kLast, kNegativeMark}, answer}))});
}

TEST_F(CanVag, SevenWireBytesAndMoreAreSegmentedInFramesOfEightBytes) {
    for (int n : {7, 8, 13, 14, 40}) {
        SCOPED_TRACE(n);
        link.ClearSent();
        SetCanVagSequence(0x0D);
        const Bytes answer = Cat({{static_cast<std::uint8_t>(n - 1)}, Pattern(n - 1)});
        EXPECT_EQ(Send(answer), 1);
        std::vector<Bytes> expected{CanFrame(kIdEcu, 0x08, Cat({{kMore | 0xD, 0x00}, Slice(answer, 0, 6)}))};
        std::uint8_t sequence = 0xE;
        for (int at = 6; at < n; at += 7) {
            const Bytes chunk = Slice(answer, at, 7);
            const std::uint8_t op = n - at > 7 ? kMore : kLast;
            expected.push_back(CanFrame(kIdEcu, static_cast<std::uint8_t>(chunk.size() + 1),
                                        Cat({{static_cast<std::uint8_t>(op | (sequence++ & 0x0F))}, chunk})));
        }
        ExpectFrames(link.Sent(), expected);
        for (const SentFrame& f : link.Sent()) EXPECT_LE(f.Length, 13);
        EXPECT_EQ(CanVagSequence() & 0x0F, sequence & 0x0F);
    }
}

TEST_F(CanVag, EcuActivationAnswerResetsTheSequence) {
    SetCanVagSequence(0x07);
    EXPECT_EQ(Send({0x02, 0x50, 0x89}, kEcuActivation), 1);
    EXPECT_EQ(CanVagSequence(), 0);
    EXPECT_EQ(Send({0x02, 0x50, 0x89}), 1);
    EXPECT_EQ(Send(Cat({{0x0A}, Pattern(10)})), 1);
    const auto& sent = link.Sent();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(Hex(sent[0].Data), Hex(CanFrame(kIdEcu2, 0x02, {0x50, 0x89}))); // n + 4 bytes
    EXPECT_EQ(sent[1].Data[5], kLast | 0x0);
    EXPECT_EQ(sent[2].Data[5], kMore | 0x1);
}

TEST_F(CanVag, ChannelAndEndCommunicationAnswers) {
    struct Case {
        Bytes Answer;
        std::uint8_t ItemType;
        Bytes Frame;
    };
    const std::vector<Case> cases{
        {{0xA1, 0x0F, 0x8A, 0xFF, 0x4A, 0xFF}, kPsi, CanFrame(kIdEcu, 0x06, {0xA1, 0x0F, 0x8A, 0xFF, 0x4A, 0xFF})},
        {{0xA8}, kPsi, CanFrame(kIdEcu, 0x01, {0xA8})},
        {{0x01, 0xA8}, kEndCommunication, CanFrame(kIdEcu, 0x01, {0xA8})}, // six bytes
        {{0x02, 0xA8, 0x01}, kEndCommunication, CanFrame(kIdEcu, 0x01, {0xA8, 0x01})}, // n + 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.Answer));
        link.ClearSent();
        EXPECT_EQ(Send(c.Answer, c.ItemType), 1);
        ExpectFrames(link.Sent(), {c.Frame});
    }
    EXPECT_EQ(CanVagSequence(), 0); // none of them is a data frame
}

TEST_F(CanVag, AnswersThatFitNoFrameAreShownNotSent) {
    MessageRecorder messages;
    const std::vector<std::pair<Bytes, std::uint8_t>> cases{
        {Cat({{0xA0}, Pattern(8)}), kPsi},             // nine raw bytes
        {Cat({{0x09}, Pattern(9)}), kEcuActivation},   // nine data bytes
        {{0x00}, kEndCommunication},                   // no byte after the length
    };
    for (const auto& [answer, itemType] : cases) {
        SCOPED_TRACE(Hex(answer));
        EXPECT_EQ(Send(answer, itemType), -1);
    }
    EXPECT_TRUE(link.Sent().empty());
    ASSERT_EQ(messages.Texts.size(), cases.size());
    for (const std::string& t : messages.Texts) EXPECT_EQ(t.rfind("TxData_CAN_6 function error ", 0), 0u) << t;
}

} // namespace
