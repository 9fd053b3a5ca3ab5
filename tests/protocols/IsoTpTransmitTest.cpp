// Sending answers with the ISO 15765-2 style units.
#include <gtest/gtest.h>

#include "CAN_Mercedes.h"
#include "CAN_Opel.h"
#include "CAN_Standard.h"
#include "IsoTpUnits.h"
#include "BusLink.h"

using namespace isotp_test;

namespace {

class IsoTpTransmit : public ::testing::Test {
protected:
    IsoTpTransmit() { link.EmptyPollCostMs = kPollCostMs; }

    int Send(const IsoUnit& u, const Bytes& wire, std::uint8_t multiFlag = 0) {
        TTxInfo info;
        info.MultiFlag = multiFlag;
        return u.Tx(static_cast<std::int32_t>(wire.size()), wire.data(), &info);
    }

    FakeBusLink link;
};

std::vector<IsoUnit> WireUnits() {
    std::vector<IsoUnit> v;
    for (const IsoUnit& u : AllIsoUnits())
        if (!u.IdentifiedAnswer) v.push_back(u);
    return v;
}

TEST_F(IsoTpTransmit, SingleFrames) {
    struct Case {
        const char* Unit;
        Bytes Wire;
        Bytes Frame;
    };
    const Bytes eight = Wire(Pattern(7)); // length byte 07 and seven message bytes
    const Bytes three = Wire(Pattern(3));
    const std::vector<Case> cases{
        {"CAN_Standard", eight, CanFrame(kIdEcu, kDlc8, eight)}, // 13 bytes
        {"CAN_Standard", three, CanFrame(kIdEcu, kDlc8, three)}, // length byte stays 8
        {"CAN_PSA", three, CanFrame(kIdEcu, 0x04, three)},
        {"CAN_PSA", eight, CanFrame(kIdEcu, 0x08, eight)},
        {"CAN_Opel", three, CanFrame(kIdEcu, kDlc8, three)},
        {"CAN_Thesis", Wire(Pattern(6)), CanFrame(kIdEcu, kDlc8, Cat({{kUnitAddress}, Wire(Pattern(6))}))},
        {"CAN_Thesis", three, CanFrame(kIdEcu, kDlc8, Cat({{kUnitAddress}, three}))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Unit) + " " + Hex(c.Wire));
        link.ClearSent();
        EXPECT_EQ(Send(Unit(c.Unit), c.Wire), 1);
        ExpectFrames(link.Sent(), {c.Frame});
    }
}

TEST_F(IsoTpTransmit, NineWireBytesGoOutAsFirstAndOneConsecutiveFrame) {
    const Bytes wire = Wire(Pattern(8));
    link.Receive({0x30, 0x00, 0x00});
    EXPECT_EQ(Send(Unit("CAN_Standard"), wire), 1);
    ExpectFrames(link.Sent(), {CanFrame(kIdEcu, kDlc8, Cat({{0x10, 0x08}, Slice(wire, 1, 6)})),
                               CanFrame(kIdEcu, kDlc8, Cat({{0x21}, Slice(wire, 7, 2)}))});
}

TEST_F(IsoTpTransmit, BlockSizeZeroSendsAllConsecutiveFramesSpaced) {
    const Bytes wire = Wire(Pattern(29));
    for (const IsoUnit& u : WireUnits()) {
        SCOPED_TRACE(u.Name);
        link.ClearSent();
        link.Receive(TesterFlowControl(u, kFlowContinue, kBlockSizeAll));
        EXPECT_EQ(Send(u, wire), 1);
        const std::vector<Bytes> expected = AnswerFrames(u, wire);
        ExpectFrames(link.Sent(), expected);
        const auto& sent = link.Sent();
        for (std::size_t i = 2; i < sent.size(); ++i)
            EXPECT_EQ(sent[i].AtMs - sent[i - 1].AtMs, u.SpacingMs) << "frame " << i;
    }
}

TEST_F(IsoTpTransmit, BlockSizeOneWaitsForFlowControlAfterEachFrame) {
    const Bytes wire = Wire(Pattern(29)); // first frame and four consecutive frames
    constexpr std::uint64_t kFlowControlEvery = 300;
    for (const IsoUnit& u : WireUnits()) {
        SCOPED_TRACE(u.Name);
        link.ClearSent();
        const std::uint64_t start = link.Now();
        for (int i = 0; i < 5; ++i)
            link.Receive(TesterFlowControl(u, kFlowContinue, kBlockSizeEach), start + i * kFlowControlEvery);
        EXPECT_EQ(Send(u, wire), 1);
        const std::vector<Bytes> expected = AnswerFrames(u, wire);
        ExpectFrames(link.Sent(), expected);
        const auto& sent = link.Sent();
        for (std::size_t i = 2; i < sent.size(); ++i) {
            const std::uint64_t gap = sent[i].AtMs - sent[i - 1].AtMs;
            if (u.HonoursBlockSize) {
                EXPECT_GE(sent[i].AtMs - start, (i - 1) * kFlowControlEvery) << "frame " << i;
                EXPECT_LE(gap, kFlowControlEvery + u.FlowControlPollMs + kPollCostMs) << "frame " << i;
            } else {
                EXPECT_EQ(gap, u.SpacingMs) << "frame " << i; // CAN_Thesis ignores the block size
            }
        }
        link.Clock().Advance(5 * kFlowControlEvery);
        while (link.Pending()) CallRx(u.Rx); // flow controls a unit did not wait for
    }
}

TEST_F(IsoTpTransmit, SequenceAfter2FIs20) {
    const Bytes wire = Wire(Pattern(125)); // 7 + 17 * 7 bytes
    link.Receive({0x30, 0x00, 0x00});
    EXPECT_EQ(Send(Unit("CAN_Standard"), wire), 1);
    const auto& sent = link.Sent();
    ASSERT_EQ(sent.size(), 18u);
    std::vector<std::uint8_t> pci;
    for (std::size_t i = 1; i < sent.size(); ++i) pci.push_back(sent[i].Data[5]);
    EXPECT_EQ(Hex(pci), "2122232425262728292a2b2c2d2e2f2021");
}

TEST_F(IsoTpTransmit, FlowControlOtherThanContinueEndsTheAnswer) {
    const Bytes wire = Wire(Pattern(20));
    for (const IsoUnit& u : WireUnits()) {
        for (const Bytes& answer : {TesterFlowControl(u, kFlowWait, 0), TesterFlowControl(u, kFlowOverflow, 0),
                                    u.Extended ? Bytes{kTesterAddress, 0x03, 0x22, 0xF1, 0x90} : Bytes{0x03, 0x22, 0xF1, 0x90}}) {
            SCOPED_TRACE(std::string(u.Name) + " " + Hex(answer));
            link.ClearSent();
            link.Receive(answer);
            EXPECT_EQ(Send(u, wire), 0);
            ExpectFrames(link.Sent(), {AnswerFrames(u, wire)[0]});
        }
    }
}

TEST_F(IsoTpTransmit, FlowControlAbortingAfterTheFirstBlock) {
    const IsoUnit& u = Unit("CAN_Standard");
    const Bytes wire = Wire(Pattern(29));
    link.Receive(TesterFlowControl(u, kFlowContinue, kBlockSizeEach));
    link.Receive(TesterFlowControl(u, kFlowOverflow, 0));
    EXPECT_EQ(Send(u, wire), 0);
    const std::vector<Bytes> all = AnswerFrames(u, wire);
    ExpectFrames(link.Sent(), {all[0], all[1]});
}

TEST_F(IsoTpTransmit, NoFlowControlInTimeGivesZero) {
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        link.ClearSent();
        const Bytes answer = AnswerBytes(u, Pattern(20));
        const std::uint64_t start = link.Now();
        EXPECT_EQ(Send(u, answer), 0);
        const std::uint64_t took = link.Now() - start;
        EXPECT_GE(took, u.TxTimeoutMs);
        EXPECT_LE(took, u.TxTimeoutMs + u.FlowControlPollMs + kPollCostMs);
        EXPECT_EQ(link.Sent().size(), 1u);
    }
}

TEST_F(IsoTpTransmit, FlowControlJustInTimeAndTheSecondOneMissing) {
    const Bytes wire = Wire(Pattern(29));
    for (const IsoUnit& u : WireUnits()) {
        SCOPED_TRACE(u.Name);
        link.ClearSent();
        const std::uint64_t start = link.Now();
        link.Receive(TesterFlowControl(u, kFlowContinue, kBlockSizeEach), start + u.TxTimeoutMs - 100);
        const int result = Send(u, wire);
        const std::vector<Bytes> all = AnswerFrames(u, wire);
        if (u.HonoursBlockSize) {
            EXPECT_EQ(result, 0);
            ExpectFrames(link.Sent(), {all[0], all[1]});
            EXPECT_GE(link.Now() - link.Sent()[1].AtMs, u.TxTimeoutMs);
        } else {
            EXPECT_EQ(result, 1);
            ExpectFrames(link.Sent(), all);
        }
    }
}

TEST_F(IsoTpTransmit, OpelMultiFlagSendsUnsegmentedOnSecondIdentifier) {
    const Bytes wire = Wire(Pattern(10));
    EXPECT_EQ(Send(Unit("CAN_Opel"), wire, 1), 1);
    ExpectFrames(link.Sent(), {CanFrame(kIdEcu2, kDlc8, Pattern(10))}); // n + 4 bytes
    link.ClearSent();
    link.Receive({0x30, 0x00, 0x00});
    EXPECT_EQ(Send(Unit("CAN_Opel"), wire, 0), 1);
    ExpectFrames(link.Sent(), AnswerFrames(Unit("CAN_Opel"), wire));
}

TEST_F(IsoTpTransmit, MercedesAnswersOnTheIdentifierInTheAnswer) {
    SetIdEcu(0x000007E0); // not the identifier the answers name
    const Bytes identifier{0x00, 0x00, 0x07, 0xE8};
    const Bytes message = Cat({{0x62, 0xF1, 0x90}, Pattern(10)}); // 13 message bytes
    const Bytes longMessage = Pattern(300);
    struct Case {
        Bytes Answer;
        std::vector<Bytes> Frames;
    };
    const std::vector<Case> cases{
        {Cat({{0x11}, identifier, message}),
         {CanFrame(0x7E8, kDlc8, Cat({{0x10, 0x0D}, Slice(message, 0, 6)})),
          CanFrame(0x7E8, kDlc8, Cat({{0x21}, Slice(message, 6, 7)}))}},
        {Cat({{0x07}, identifier, {0x62, 0xF1, 0x90}}), {CanFrame(0x7E8, kDlc8, {0x03, 0x62, 0xF1, 0x90})}},
        {Cat({{0x0B}, {0x18, 0xDA, 0xF1, 0x10}, Pattern(7)}), {CanFrame(0x18DAF110, kDlc8, Cat({{0x07}, Pattern(7)}))}},
    };
    for (const char* name : {"CAN_Mercedes", "CAN_UD1", "CAN_UD2"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(name) + " " + Hex(c.Answer));
            link.ClearSent();
            link.Receive({0x30, 0x00, 0x00});
            EXPECT_EQ(Send(Unit(name), c.Answer), 1);
            ExpectFrames(link.Sent(), c.Frames);
            if (link.Pending()) CallRx(Unit(name).Rx);
        }
        SCOPED_TRACE(std::string(name) + " 300 message bytes");
        link.ClearSent();
        link.Receive({0x30, 0x00, 0x00});
        EXPECT_EQ(Send(Unit(name), Cat({{0x00}, identifier, longMessage})), 1);
        const auto& sent = link.Sent();
        ASSERT_EQ(sent.size(), 1u + 42u); // six bytes in the first frame, 294 in 42 more
        EXPECT_EQ(Hex(sent[0].Data), Hex(CanFrame(0x7E8, kDlc8, Cat({{0x11, 0x2C}, Slice(longMessage, 0, 6)}))));
        EXPECT_EQ(Hex(sent.back().Data), Hex(CanFrame(0x7E8, kDlc8, Cat({{0x2A}, Slice(longMessage, 293, 7)}))));
    }
}

TEST_F(IsoTpTransmit, MercedesAnswerWithoutRoomForItsIdentifierIsShown) {
    MessageRecorder messages;
    const Bytes tooShort{0x03, 0x00, 0x07};
    EXPECT_EQ(Send(Unit("CAN_Mercedes"), tooShort), -1);
    EXPECT_TRUE(link.Sent().empty());
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0].rfind("TxData_CAN_1 function error ", 0), 0u) << messages.Texts[0];
    const Bytes tooLong = Cat({{0x00}, {0x00, 0x00, 0x07, 0xE8}, Zeros(4096)});
    EXPECT_EQ(Send(Unit("CAN_Mercedes"), tooLong), -1);
    EXPECT_TRUE(link.Sent().empty());
}

TEST_F(IsoTpTransmit, LongestAnswerStaysInCanFrames) {
    const Bytes wire = Pattern(BusMaxMessageBytes + 1, 0x00);
    link.Receive({0x30, 0x00, 0x00});
    EXPECT_EQ(Send(Unit("CAN_Standard"), wire), 1);
    const auto& sent = link.Sent();
    ASSERT_EQ(sent.size(), 1u + 585u);
    for (const SentFrame& f : sent) EXPECT_LE(f.Length, 13);
    EXPECT_EQ(Hex(sent.back().Data), Hex(CanFrame(kIdEcu, kDlc8, Cat({{0x29}, Slice(wire, 4095, 1)}))));
}

} // namespace
