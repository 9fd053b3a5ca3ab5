// A unit waiting for the next frame of a transfer, or for a tester's flow control, ends at once
// when its thread is asked to end: nothing is delivered or sent, and the engine is not held up
// for the seconds of a time-out.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "BusLink.h"
#include "CAN_VAG.h"
#include "CAN_Volvo.h"
#include "IsoTpUnits.h"

using namespace isotp_test;

namespace {

constexpr std::uint64_t kStopAfterMs = 200;
// The longest pause of any unit between two looks at the bus, plus an empty poll.
constexpr std::uint64_t kLongestPauseMs = 100 + kPollCostMs;

class UnitStop : public ::testing::Test {
protected:
    UnitStop() { link.EmptyPollCostMs = kPollCostMs; }
    ~UnitStop() override { SetBusStopCheck(nullptr); }

    // From now on the thread is asked to end once kStopAfterMs virtual milliseconds have passed.
    std::uint64_t ArmStop() {
        const std::uint64_t start = link.Now();
        SetBusStopCheck([this, start] { return link.Now() - start >= kStopAfterMs; });
        return start;
    }

    void ExpectEndedByTheStop(std::uint64_t start) {
        const std::uint64_t took = link.Now() - start;
        EXPECT_GE(took, kStopAfterMs);
        EXPECT_LE(took, kStopAfterMs + kLongestPauseMs);
    }

    FakeBusLink link;
};

TEST_F(UnitStop, ReceivingASegmentedRequest) {
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        const std::vector<Bytes> frames = RequestFrames(u, Pattern(20));
        link.Receive(frames[0], link.Now()); // the consecutive frames never come
        const std::uint64_t start = ArmStop();
        const RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Result, 0);
        ExpectEndedByTheStop(start);
        SetBusStopCheck(nullptr);
        link.ClearSent();
    }
}

TEST_F(UnitStop, SendingASegmentedAnswer) {
    for (const IsoUnit& u : AllIsoUnits()) {
        SCOPED_TRACE(u.Name);
        const Bytes answer = AnswerBytes(u, Pattern(20));
        TTxInfo info;
        const std::uint64_t start = ArmStop(); // no flow control ever comes
        EXPECT_EQ(u.Tx(static_cast<std::int32_t>(answer.size()), answer.data(), &info), 0);
        ExpectEndedByTheStop(start);
        EXPECT_EQ(link.Sent().size(), 1u); // the first frame only
        SetBusStopCheck(nullptr);
        link.ClearSent();
    }
}

TEST_F(UnitStop, ReceivingOnTheUnitsWithoutFlowControl) {
    struct Case {
        const char* Name;
        BusRxRoutine Rx;
        Bytes FirstFrame;
    };
    const std::vector<Case> cases{
        {"CAN_VAG", RxData_CAN_6, Cat({{0x20, 0x00, 0x0C}, Pattern(5)})},
        {"CAN_Volvo", RxData_CAN_9, Cat({{0x8F}, Pattern(7)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        link.Receive(c.FirstFrame, link.Now());
        const std::uint64_t start = ArmStop();
        EXPECT_EQ(CallRx(c.Rx).Result, 0);
        ExpectEndedByTheStop(start);
        SetBusStopCheck(nullptr);
        link.ClearSent();
    }
}

TEST_F(UnitStop, EachThreadHasItsOwnCheck) {
    SetBusStopCheck([] { return true; });
    EXPECT_TRUE(BusStopRequested());
    bool seenElsewhere = true;
    std::thread([&] { seenElsewhere = BusStopRequested(); }).join();
    EXPECT_FALSE(seenElsewhere);
}

} // namespace
