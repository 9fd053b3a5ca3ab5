// Waiting for frames on the real clock: the fake link library's WaitRxFrame, the engine's idle
// waits in modes 1, 2 and 3 through it, and the engine with a link library that lacks it.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BusLink.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"
#include "fixtures/FakeLinkCalls.h"
#include "fixtures/RecordingReporter.h"
#include "fixtures/SimulationFolder.h"
#include "fixtures/WaitUntil.h"

using namespace std::chrono_literals;

namespace {

std::vector<FakeLinkWait> Waits() {
    std::vector<FakeLinkWait> waits(static_cast<std::size_t>(FakeLink_WaitCount()));
    for (std::size_t i = 0; i < waits.size(); ++i)
        if (!FakeLink_GetWait(static_cast<std::int32_t>(i), &waits[i])) waits.resize(i);
    return waits;
}

const std::vector<std::uint8_t> Request{0x02, 0x10, 0x01, 0, 0, 0, 0, 0}; // 10 01, padded
const std::vector<std::uint8_t> AnswerFrame{0x00, 0x00, 0x07, 0xe8, 0x08, 0x02, 0x50, 0x01};

// The control side of one fake link library as the engine loaded it from a folder: a library of
// another folder is another copy, with its own queue and record.
struct FakeLinkIn {
    explicit FakeLinkIn(const std::string& folder)
        : Handle(dlopen((folder + "/libkrix_interface.so").c_str(), RTLD_NOW)) {
        if (!Handle) return;
        Reset = reinterpret_cast<void (*)()>(dlsym(Handle, "FakeLink_Reset"));
        Queue = reinterpret_cast<void (*)(const std::uint8_t*, std::int32_t)>(dlsym(Handle, "FakeLink_QueueRxFrame"));
        CountOf = reinterpret_cast<std::int32_t (*)(std::int32_t)>(dlsym(Handle, "FakeLink_CountOf"));
        HasWait = reinterpret_cast<bool (*)()>(dlsym(Handle, "FakeLink_HasWaitRxFrame"));
    }
    ~FakeLinkIn() {
        if (Handle) dlclose(Handle);
    }
    void* Handle;
    void (*Reset)() = nullptr;
    void (*Queue)(const std::uint8_t*, std::int32_t) = nullptr;
    std::int32_t (*CountOf)(std::int32_t) = nullptr;
    bool (*HasWait)() = nullptr;
};

// The engine brought up on the real clock with one request, 10 01 answered 50 01, in a mode.
class RunningEngine {
public:
    RunningEngine(int mode, const std::string& programFolder) {
        folder_.WriteProtocolTable("[PROTOCOL1]\r\nMode=" + std::to_string(mode) +
                                   "\r\nSimulator_System=77\r\nUnknownRequest_Function=1\r\n"
                                   "Rx_Answer_Function=1\r\nTx_Composer_Function=1\r\n");
        simulation_ = std::make_unique<TMemIniFile>(folder_.WriteSimulation(CanStandardSimulation));
        TProtocolStructure protocol;
        engine_ = std::make_unique<TKRIXCommunicationThread>(true, protocol, *simulation_, programFolder);
    }
    ~RunningEngine() { engine_.reset(); }

    ::testing::AssertionResult Start() {
        TKRIXCommunicationThread& e = *engine_;
        e.Resume();
        if (!WaitUntil([&] { return e.StoresReady(); })) return ::testing::AssertionFailure() << "no stores";
        if (!e.AddRequest("1001", {"5001"}, "session", -1, RequestType::PSI))
            return ::testing::AssertionFailure() << "not registered";
        e.Resume();
        e.SetOnAddOriglioItem([this](const std::string& q, const std::string& a, int t, const std::string&) {
            std::lock_guard lock(mutex_);
            log_.push_back(q + ">" + a + ":" + std::to_string(t));
        });
        e.Resume();
        e.SetComPort("COM3");
        if (!WaitUntil([&] { return e.Status() == SimulatorStatus::Ready; }))
            return ::testing::AssertionFailure() << "not ready: " << int(e.Status());
        if (!e.Start()) return ::testing::AssertionFailure() << "start refused";
        if (!WaitUntil([&] { return e.Status() == SimulatorStatus::Running; }))
            return ::testing::AssertionFailure() << "not running: " << int(e.Status());
        return ::testing::AssertionSuccess();
    }

    std::size_t Answered() {
        std::lock_guard lock(mutex_);
        return log_.size();
    }
    std::vector<std::string> Log() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    TKRIXCommunicationThread& Engine() { return *engine_; }

private:
    RecordingReporter reporter_;
    SimulationFolder folder_;
    std::unique_ptr<TMemIniFile> simulation_;
    std::unique_ptr<TKRIXCommunicationThread> engine_;
    std::mutex mutex_;
    std::vector<std::string> log_;
};

} // namespace

// ---- the fake link library's WaitRxFrame ---------------------------------------------------------

TEST(FakeLinkWaitRxFrame, AnswersAsTheLinkLibraryDoes) {
    FakeLink_Reset();
    ASSERT_TRUE(FakeLink_HasWaitRxFrame());
    EXPECT_EQ(WaitRxFrame(0), 0);
    EXPECT_EQ(WaitRxFrame(-5), 0) << "clamped to 0";
    FakeLink_QueueRxFrame(Request.data(), static_cast<std::int32_t>(Request.size()));
    EXPECT_EQ(WaitRxFrame(1000), 1) << "a frame waits already";
    EXPECT_EQ(FakeLink_PendingRxFrames(), 1) << "it takes none";
    FakeLink_SetNoDriverThread(true);
    EXPECT_EQ(WaitRxFrame(1000), -1);
    const std::vector<FakeLinkWait> waits = Waits();
    ASSERT_EQ(waits.size(), 4u);
    EXPECT_EQ(waits[1].TimeoutMs, -5);
    EXPECT_EQ(waits[3].Result, -1);
    EXPECT_EQ(FakeLink_CallCount(), 0) << "kept apart from the record of the twelve";
    FakeLink_Reset();
}

TEST(FakeLinkWaitRxFrame, AFrameQueuedWhileItSleepsWakesIt) {
    FakeLink_Reset();
    std::int32_t result = 0;
    std::thread waiter([&] {
        // Until the frame is there; each call sleeps at most a second.
        for (int i = 0; i < 30 && result != 1; ++i) result = WaitRxFrame(1000);
    });
    ASSERT_TRUE(WaitUntil([] { return FakeLink_Waiters() == 1; }));
    FakeLink_QueueRxFrame(Request.data(), static_cast<std::int32_t>(Request.size()));
    waiter.join();
    EXPECT_EQ(result, 1);
    FakeLink_Reset();
}

// ---- the engine -----------------------------------------------------------------------------------

class EngineFrameWaitTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { FakeLink_Reset(); }
    void TearDown() override { FakeLink_Reset(); }
};

// While nothing arrives, every pass ends in WaitRxFrame: slices of 20 ms, one a pass in modes 1 and
// 2, five (100 ms) in mode 3. A request queued meanwhile is answered, and at least one of the
// exchanges finds the engine asleep in WaitRxFrame and wakes it.
TEST_P(EngineFrameWaitTest, IdlePassesWaitInTheLinkAndAFrameEndsTheWait) {
    const int mode = GetParam();
    RunningEngine running(mode, TARVICO_FAKELINK_DIR);
    ASSERT_TRUE(running.Start());
    const std::size_t first = Waits().size();
    const std::int32_t firstPolls = FakeLink_CountOf(FakeLinkRxFrame);
    ASSERT_TRUE(WaitUntil([&] { return Waits().size() >= first + 20; }));
    const std::vector<FakeLinkWait> idle = Waits();
    const std::int32_t polls = FakeLink_CountOf(FakeLinkRxFrame) - firstPolls;
    const std::size_t slices = idle.size() - first;
    for (std::size_t i = first; i < idle.size(); ++i) {
        EXPECT_LE(idle[i].TimeoutMs, static_cast<std::int32_t>(BusWaitSliceMs)) << i; // the last one: the rest
        EXPECT_GT(idle[i].TimeoutMs, 0) << i;
        EXPECT_EQ(idle[i].Result, 0) << i;
    }
    if (mode == 3)
        EXPECT_GT(slices, 3u * static_cast<std::size_t>(polls)) << "about five slices a pass";
    else
        EXPECT_LE(slices, static_cast<std::size_t>(polls) + 1) << "one slice a pass";

    bool woken = false;
    for (int exchange = 1; exchange <= 10 && !woken; ++exchange) {
        ASSERT_TRUE(WaitUntil([] { return FakeLink_Waiters() == 1; }));
        const std::size_t before = Waits().size();
        FakeLink_QueueRxFrame(Request.data(), static_cast<std::int32_t>(Request.size()));
        ASSERT_TRUE(WaitUntil([&] { return running.Answered() == static_cast<std::size_t>(exchange); }));
        const std::vector<FakeLinkWait> after = Waits();
        // Unless the slice ended just before the frame came and the next pass found it at once.
        for (std::size_t i = before; i < after.size(); ++i) woken = woken || after[i].Result == 1;
    }
    EXPECT_TRUE(woken);
    EXPECT_EQ(running.Log().front(), "021001>025001:0");
    const std::vector<FakeLinkCall> sent = FakeLinkCallsOf(FakeLinkTxFrame);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(std::vector<std::uint8_t>(sent[0].Data, sent[0].Data + sent[0].DataLen), AnswerFrame);

    // Stopped, the engine waits on its own condition variable, not in the link.
    ASSERT_TRUE(running.Engine().Stop());
    ASSERT_TRUE(WaitUntil([&] { return running.Engine().Status() == SimulatorStatus::Ready; }));
    const std::size_t stopped = Waits().size();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Waits().size(), stopped);
}

INSTANTIATE_TEST_SUITE_P(Modes, EngineFrameWaitTest, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& info) { return "Mode" + std::to_string(info.param); });

// A link library with only the twelve functions: the engine binds no WaitRxFrame, pauses as it
// would without it, and answers.
TEST(EngineWithoutWaitRxFrame, PausesPlainlyAndAnswers) {
    FakeLinkIn nowait(TARVICO_FAKELINK_NOWAIT_DIR);
    ASSERT_NE(nowait.Handle, nullptr) << dlerror();
    ASSERT_FALSE(nowait.HasWait());
    for (int mode : {1, 2}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        nowait.Reset();
        RunningEngine running(mode, TARVICO_FAKELINK_NOWAIT_DIR);
        ASSERT_TRUE(running.Start());
        EXPECT_EQ(BoundBusWait(), nullptr);
        nowait.Queue(Request.data(), static_cast<std::int32_t>(Request.size()));
        ASSERT_TRUE(WaitUntil([&] { return running.Answered() == 1; }));
        EXPECT_EQ(running.Log().front(), "021001>025001:0");
        EXPECT_EQ(nowait.CountOf(FakeLinkTxFrame), 1);
    }
}
