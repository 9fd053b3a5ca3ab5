// Receiving requests with the ISO 15765-2 style units.
#include <gtest/gtest.h>

#include "CAN_Opel.h"
#include "CAN_Standard.h"
#include "CAN_Thesis.h"
#include "IsoTpUnits.h"

using namespace isotp_test;

namespace {

class IsoTpReceive : public ::testing::Test {
protected:
    IsoTpReceive() { link.EmptyPollCostMs = kPollCostMs; }
    FakeBusLink link;
};

const Bytes kReadDataById{0x22, 0xF1, 0x90};

std::vector<IsoUnit> NormalUnits() {
    std::vector<IsoUnit> v;
    for (const IsoUnit& u : AllIsoUnits())
        if (!u.Extended) v.push_back(u);
    return v;
}

TEST_F(IsoTpReceive, SingleFrameDeliversLengthByteAndDataWithoutFiller) {
    for (const IsoUnit& u : NormalUnits()) {
        SCOPED_TRACE(u.Name);
        link.Receive(Cat({{0x03}, kReadDataById, {kPad, kPad, kPad, kPad}}));
        RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Length, 3);
        EXPECT_EQ(o.Text, "0322f190");
        EXPECT_TRUE(o.CleanTail);
        EXPECT_TRUE(link.Sent().empty());
    }
}

TEST_F(IsoTpReceive, ThesisSingleFrameIsEveryByteAfterTheAddress) {
    link.Receive(Cat({{kTesterAddress, 0x03}, kReadDataById}));
    RxOutcome o = CallRx(RxData_CAN_10);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Length, 4);
    EXPECT_EQ(o.Text, "0322f190");
    EXPECT_TRUE(o.CleanTail); // the byte the loop reads past the frame is '\0', not stale
}

TEST_F(IsoTpReceive, NothingReceivedGivesZero) {
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Result, 0);
        EXPECT_EQ(o.Length, 0);
    }
}

TEST_F(IsoTpReceive, FlowControlOutsideTransferIsDroppedOrTakenAsSingleFrame) {
    const Bytes flowControl{kFlowContinue, 0x00, 0x00};
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        link.Receive(u.Extended ? Cat({{kTesterAddress}, flowControl}) : flowControl);
        RxOutcome o = CallRx(u.Rx);
        if (u.DropsFlowControl) {
            EXPECT_EQ(o.Result, 0);
        } else {
            // A single frame whose length is its first byte, cut to the bytes received.
            EXPECT_EQ(o.Result, 1);
            EXPECT_EQ(o.Text, "300000");
            EXPECT_EQ(o.Length, u.Extended ? 3 : 2);
        }
        EXPECT_TRUE(link.Sent().empty());
    }
}

TEST_F(IsoTpReceive, LengthBeyondTheBytesReceivedIsCutToThem) {
    const std::vector<DeliveryCase> cases{
        {Cat({{0x25}, Pattern(7)}), 1, 7, "25" + Hex(Pattern(7))}, // a stray consecutive frame
        {{0x05, 0x22, 0xF1}, 1, 2, "0522f1"},                       // announces 5, carries 2
        {{0x00}, 1, 0, "00"},
        {{0x4F, 0x01}, 1, 1, "4f01"},
    };
    for (const IsoUnit& u : NormalUnits()) {
        SCOPED_TRACE(u.Name);
        ExpectDeliveries(link, u.Rx, cases);
    }
}

TEST_F(IsoTpReceive, StandardTwentyByteRequestSendsTwoFlowControls) {
    const Bytes message = Pattern(20);
    link.Receive(Cat({{0x10, 0x14}, Slice(message, 0, 6)}));
    link.Receive(Cat({{0x21}, Slice(message, 6, 7)}));
    link.Receive(Cat({{0x22}, Slice(message, 13, 7)}));
    RxOutcome o = CallRx(RxData_CAN_1);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Length, 20);
    EXPECT_EQ(o.Text, "14" + Hex(message));
    const Bytes fc = CanFrame(kIdEcu, kDlc8, {0x30, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    ExpectFrames(link.Sent(), {fc, fc});
}

TEST_F(IsoTpReceive, SegmentedRequestWithEachUnitsFlowControl) {
    for (int size : {8, 13, 14, 20, 62}) {
        for (const IsoUnit& u : AllIsoUnits()) {
            SCOPED_TRACE(std::string(u.Name) + " size " + std::to_string(size));
            link.ClearSent();
            const Bytes message = Pattern(size);
            const std::vector<Bytes> frames = RequestFrames(u, message);
            for (const Bytes& f : frames) link.Receive(f);
            RxOutcome o = CallRx(u.Rx);
            EXPECT_EQ(o.Result, 1);
            EXPECT_EQ(o.Length, size);
            EXPECT_EQ(o.Text, Hex(Wire(message))); // the filler of the last frame falls away
            EXPECT_EQ(link.Pending(), 0u);
            const std::size_t flowControls = u.FlowControlAfterEach ? frames.size() - 1 : 1;
            ExpectFrames(link.Sent(), std::vector<Bytes>(flowControls, UnitFlowControl(u)));
        }
    }
}

TEST_F(IsoTpReceive, FirstFrameWithTwelveBitLengthFillsTheWholeBuffer) {
    for (const char* name : {"CAN_Standard", "CAN_Thesis"}) {
        SCOPED_TRACE(name);
        const IsoUnit& u = Unit(name);
        link.ClearSent();
        const Bytes message = Pattern(BusMaxMessageBytes, 0x00); // the sequence wraps many times
        for (const Bytes& f : RequestFrames(u, message)) link.Receive(f);
        RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Length, BusMaxMessageBytes);
        ASSERT_EQ(o.Text.size(), static_cast<std::size_t>(2 + 2 * BusMaxMessageBytes));
        EXPECT_EQ(o.Text, "ff" + Hex(message));
    }
}

TEST_F(IsoTpReceive, ShortConsecutiveFrameReadsZerosNotTheEarlierFrame) {
    const Bytes message = Pattern(13);
    link.Receive(Cat({{0x10, 0x0D}, Slice(message, 0, 6)}));
    link.Receive(Cat({{0x21}, Slice(message, 6, 2)})); // five bytes short
    RxOutcome o = CallRx(RxData_CAN_1);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Length, 13);
    EXPECT_EQ(o.Text, "0d" + Hex(Slice(message, 0, 8)) + Hex(Zeros(5)));
}

TEST_F(IsoTpReceive, TimedOutSegmentedRequestIsStillDelivered) {
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        const Bytes message = Pattern(20);
        const std::vector<Bytes> frames = RequestFrames(u, message);
        const std::uint64_t start = link.Now();
        link.Receive(frames[0], start);
        link.Receive(frames[1], start + u.RxTimeoutMs + 100); // too late
        RxOutcome o = CallRx(u.Rx);
        const std::uint64_t took = link.Now() - start;
        EXPECT_GE(took, u.RxTimeoutMs);
        EXPECT_LE(took, u.RxTimeoutMs + u.RxPauseMs + kPollCostMs);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Length, 20);
        const std::size_t first = u.Extended ? 5 : 6;
        EXPECT_EQ(o.Text, "14" + Hex(Slice(message, 0, first)) + Hex(Zeros(20 - first)));
        EXPECT_EQ(link.Pending(), 1u);
        link.Clock().Advance(1000);
        CallRx(u.Rx); // takes the late frame out of the way
        link.ClearSent();
    }
}

TEST_F(IsoTpReceive, TimeOutBoundsTheGapBetweenFramesNotTheTransfer) {
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        const Bytes message = Pattern(20);
        const std::vector<Bytes> frames = RequestFrames(u, message);
        const std::uint64_t start = link.Now();
        const std::uint64_t gap = u.RxTimeoutMs - 100;
        for (std::size_t i = 0; i < frames.size(); ++i) link.Receive(frames[i], start + i * gap);
        RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Text, Hex(Wire(message)));
        EXPECT_GT(link.Now() - start, u.RxTimeoutMs); // longer than one time-out in all
        link.ClearSent();
    }
}

TEST_F(IsoTpReceive, OpelReportsRxStatus) {
    struct Case {
        std::vector<Bytes> Frames;
        std::uint8_t Status0, Status1;
    };
    const Bytes longAa = Cat({{0xAA}, Pattern(9)});
    const std::vector<Case> cases{
        {{{0x01, 0x20}}, RxStatusService20, RxStatusOther},
        {{{0x02, 0xAA, 0x01}}, RxStatusOther, RxStatusServiceAA},
        {{Cat({{0x03}, kReadDataById})}, RxStatusOther, RxStatusOther},
        {{{0x02, 0x20, 0x01}}, RxStatusOther, RxStatusOther}, // service 0x20 with data
        {{{kFlowContinue, 0x00, 0x00}}, RxStatusOther, RxStatusOther}, // not dropped
        {RequestFrames(Unit("CAN_Opel"), longAa), RxStatusOther, RxStatusServiceAA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.Frames[0]));
        for (const Bytes& f : c.Frames) link.Receive(f);
        std::uint8_t status[RxStatusSize] = {9, 9};
        EXPECT_EQ(CallRx(RxData_CAN_4, status).Result, 1);
        EXPECT_EQ(status[0], c.Status0);
        EXPECT_EQ(status[1], c.Status1);
    }
}

TEST_F(IsoTpReceive, OtherUnitsLeaveRxStatusUntouched) {
    for (const IsoUnit& u : AllIsoUnits()) {
        if (u.Rx == RxData_CAN_4) continue;
        SCOPED_TRACE(u.Name);
        link.Receive(u.Extended ? Bytes{kTesterAddress, 0x01, 0x20} : Bytes{0x01, 0x20});
        std::uint8_t status[RxStatusSize] = {9, 9};
        EXPECT_EQ(CallRx(u.Rx, status).Result, 1);
        EXPECT_EQ(status[0], 9);
        EXPECT_EQ(status[1], 9);
    }
}

} // namespace
