// Waiting for the next frame: AwaitBusFrame on its own, with a stand-in for the link's
// WaitRxFrame, and the units' waits for the rest of a request and for a tester's flow control,
// which end as soon as the frame is there while the consecutive-frame spacing stays whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "BusLink.h"
#include "CAN_Standard.h"
#include "CAN_VAG.h"
#include "IsoTpUnits.h"

using namespace isotp_test;

namespace {

// ---- AwaitBusFrame ------------------------------------------------------------------------------

// A WaitRxFrame that sleeps on a virtual clock: the answers are scripted, each taking the time
// given (or its whole time-out when none is given).
struct ScriptedWait {
    struct Answer {
        std::int32_t Result;
        std::int32_t TakesMs; // -1: the time-out asked for
    };
    static inline VirtualClock* Clock = nullptr;
    static inline std::vector<Answer> Script;
    static inline std::vector<std::int32_t> Asked;

    static std::int32_t Wait(std::int32_t timeoutMs) {
        Asked.push_back(timeoutMs);
        Answer a = Script.empty() ? Answer{WaitRxFrameTimedOut, -1} : Script.front();
        if (!Script.empty()) Script.erase(Script.begin());
        Clock->Advance(static_cast<std::uint64_t>(a.TakesMs < 0 ? timeoutMs : a.TakesMs));
        return a.Result;
    }
};

class AwaitBusFrameTest : public ::testing::Test {
protected:
    AwaitBusFrameTest() {
        ScriptedWait::Clock = &clock;
        ScriptedWait::Script.clear();
        ScriptedWait::Asked.clear();
    }
    ~AwaitBusFrameTest() override { SetBusStopCheck(nullptr); }

    bool Await(std::uint32_t ms, bool realClock = true, KrixFn_WaitRxFrame wait = &ScriptedWait::Wait) {
        return AwaitBusFrame(ms, wait, clock, realClock, [this](std::uint32_t rest) {
            pauses.push_back(rest);
            clock.Advance(rest);
            return !BusStopRequested();
        });
    }

    VirtualClock clock{1000};
    std::vector<std::uint32_t> pauses;
};

using Times = std::vector<std::int32_t>;
using Pauses = std::vector<std::uint32_t>;

TEST_F(AwaitBusFrameTest, SleepsInSlicesUpToItsLength) {
    EXPECT_TRUE(Await(100));
    EXPECT_EQ(ScriptedWait::Asked, (Times{20, 20, 20, 20, 20}));
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(clock.NowMs(), 1100u);

    ScriptedWait::Asked.clear();
    EXPECT_TRUE(Await(30));
    EXPECT_EQ(ScriptedWait::Asked, (Times{20, 10}));
}

TEST_F(AwaitBusFrameTest, AFrameEndsTheWaitAtOnce) {
    ScriptedWait::Script = {{WaitRxFrameTimedOut, -1}, {WaitRxFrameArrived, 3}};
    EXPECT_TRUE(Await(100));
    EXPECT_EQ(ScriptedWait::Asked, (Times{20, 20}));
    EXPECT_EQ(clock.NowMs(), 1023u);
    EXPECT_TRUE(pauses.empty());
}

// Without WaitRxFrame, for a length of 0, and when the link has no driver thread, the wait is the
// plain pause (for what is left of it).
TEST_F(AwaitBusFrameTest, PlainPausesWhereTheLinkCannotWait) {
    EXPECT_TRUE(Await(20, true, nullptr));
    EXPECT_TRUE(Await(0));
    EXPECT_EQ(pauses, (Pauses{20, 0}));
    EXPECT_TRUE(ScriptedWait::Asked.empty());

    pauses.clear();
    ScriptedWait::Script = {{WaitRxFrameTimedOut, -1}, {WaitRxFrameNoDriverThread, 0}};
    EXPECT_TRUE(Await(100));
    EXPECT_EQ(ScriptedWait::Asked, (Times{20, 20}));
    EXPECT_EQ(pauses, (Pauses{80}));
}

// A link that answers 0 before its time (its driver thread is being stopped) does not make the
// wait spin: the rest of each slice is slept.
TEST_F(AwaitBusFrameTest, AnEarlyAnswerSleepsTheRestOfTheSlice) {
    ScriptedWait::Script = {{WaitRxFrameTimedOut, 0}, {WaitRxFrameTimedOut, 5}};
    EXPECT_TRUE(Await(40));
    EXPECT_EQ(ScriptedWait::Asked, (Times{20, 20}));
    EXPECT_EQ(pauses, (Pauses{20, 15}));
    EXPECT_EQ(clock.NowMs(), 1040u);
}

TEST_F(AwaitBusFrameTest, AStopRequestEndsTheWaitBetweenSlices) {
    const std::uint64_t start = clock.NowMs();
    SetBusStopCheck([&] { return clock.NowMs() - start >= 30; });
    EXPECT_FALSE(Await(100));
    EXPECT_EQ(ScriptedWait::Asked, (Times{20, 20}));
    EXPECT_FALSE(Await(100)) << "asked to end before it starts";
    EXPECT_EQ(ScriptedWait::Asked.size(), 2u);
}

// On a test's clock the link's wait would sleep in real time: it is only asked whether a frame
// is there already, and the time passes in the pause.
TEST_F(AwaitBusFrameTest, OnATestClockOnlyAFrameAlreadyThereEndsTheWait) {
    ScriptedWait::Script = {{WaitRxFrameTimedOut, 0}, {WaitRxFrameArrived, 0}};
    EXPECT_TRUE(Await(100, false));
    EXPECT_TRUE(Await(100, false));
    EXPECT_EQ(ScriptedWait::Asked, (Times{0, 0}));
    EXPECT_EQ(pauses, (Pauses{100}));
}

// ---- the units ------------------------------------------------------------------------------------

class UnitWaits : public ::testing::Test {
protected:
    UnitWaits() {
        link.EmptyPollCostMs = kPollCostMs;
        link.SignalFrames();
    }
    FakeBusLink link;
};

// CAN_Standard waits at most 20 ms between polls for the flow control; it comes 7 ms after the
// first frame and the first consecutive frame follows at once, the others 50 ms apart.
TEST_F(UnitWaits, FlowControlEndsTheWaitAndTheSpacingStaysWhole) {
    const IsoUnit& u = Unit("CAN_Standard");
    const Bytes wire = Wire(Pattern(20));
    constexpr std::uint64_t FlowControlAfterMs = 7;
    link.Receive(TesterFlowControl(u, kFlowContinue, kBlockSizeAll), link.Now() + FlowControlAfterMs);
    const std::uint64_t start = link.Now();
    TTxInfo info;
    EXPECT_EQ(TxData_CAN_1(static_cast<std::int32_t>(wire.size()), wire.data(), &info), 1);
    ExpectFrames(link.Sent(), AnswerFrames(u, wire));
    ASSERT_EQ(link.Sent().size(), 3u);
    EXPECT_EQ(link.Sent()[0].AtMs, start);
    EXPECT_EQ(link.Sent()[1].AtMs, start + FlowControlAfterMs);
    EXPECT_EQ(link.Sent()[2].AtMs - link.Sent()[1].AtMs, u.SpacingMs);
    EXPECT_EQ(link.Waits, (std::vector<std::int32_t>{static_cast<std::int32_t>(u.FlowControlPollMs)}))
        << "only the wait for the flow control; the spacing is a plain pause";
}

// The consecutive frames of a request come 4 ms apart: each ends a wait of CAN_Standard (at most
// 30 ms, slept in slices).
TEST_F(UnitWaits, TheRestOfARequestEndsEachWait) {
    const IsoUnit& u = Unit("CAN_Standard");
    const Bytes message = Pattern(20);
    const std::vector<Bytes> frames = RequestFrames(u, message);
    constexpr std::uint64_t GapMs = 4;
    const std::uint64_t start = link.Now();
    for (std::size_t i = 0; i < frames.size(); ++i) link.Receive(frames[i], start + GapMs * i);
    const RxOutcome o = CallRx(u.Rx);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Text, Hex(Wire(message)));
    EXPECT_EQ(link.Now(), start + GapMs * (frames.size() - 1));
    // Each frame comes within the first slice of the wait.
    const auto slice = static_cast<std::int32_t>(std::min(u.RxPauseMs, BusWaitSliceMs));
    EXPECT_EQ(link.Waits, (std::vector<std::int32_t>(frames.size() - 1, slice)));
}

TEST_F(UnitWaits, CanVagFollowingFrameEndsTheWait) {
    const Bytes message = Pattern(12);
    const std::uint64_t start = link.Now();
    link.Receive(Cat({{0x20, 0x00, 0x0C}, Slice(message, 0, 5)}), start);
    link.Receive(Cat({{0x11}, Slice(message, 5, 7)}), start + 6);
    const RxOutcome o = CallRx(RxData_CAN_6);
    EXPECT_EQ(o.Result, 1);
    EXPECT_EQ(o.Text, "0c" + Hex(message));
    EXPECT_EQ(link.Now(), start + 6);
    EXPECT_EQ(link.Waits, (std::vector<std::int32_t>{static_cast<std::int32_t>(BusWaitSliceMs)}));
}

} // namespace
