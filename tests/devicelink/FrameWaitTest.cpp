// Waiting for a received bus frame: the transparent link's wait, woken when the driver side
// queues a frame and ended for good when the waiters are released; and WaitRxFrame through the
// link functions in-process, against the emulated device.
#include "KrixLinkApi.h"
#include "LinkExports.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "ScriptedLink.h"
#include "SkippingClock.h"
#include "TKrixThread.h"
#include "Transparent.h"

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using KrixEmu::RequestKind;

namespace {

constexpr std::uint8_t Start = 0x5B;
constexpr std::uint8_t Marker = 0x30;
constexpr std::uint8_t Ok = 0x80;
// Far longer than any test runs: a wait that returns did so because it was woken.
constexpr std::uint32_t WaitLongerThanAnyTestMs = 600'000;

Bytes ReceivedFrame(const Bytes& data) {
    const std::size_t total = 7 + data.size();
    Bytes f{Start, static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total), Marker, 'r', Ok};
    f.insert(f.end(), data.begin(), data.end());
    std::uint8_t x = 0;
    for (std::uint8_t b : f)
        x ^= b;
    f.push_back(x);
    return f;
}

struct Link {
    VirtualClock clock{10'000};
    DeviceClock deviceClock{&clock};
    ScriptedLink scripted{clock};
    TransparentLink t{scripted, deviceClock};
};

} // namespace

TEST(FrameWait, AQueuedFrameWakesTheWaiterAndReleaseEndsEveryWait) {
    Link link;
    EXPECT_FALSE(link.t.waitForFrame(0)); // nothing there: at once

    // The driver side reads a bus frame while another thread waits for it.
    auto waiter = std::async(std::launch::async, [&] { return link.t.waitForFrame(WaitLongerThanAnyTestMs); });
    link.scripted.Then(5, ReceivedFrame({0x02, 0x3E, 0x00}));
    while (link.scripted.Pending() > 0)
        link.t.turn();
    EXPECT_TRUE(waiter.get());
    EXPECT_TRUE(link.t.waitForFrame(0)); // it still waits for the taker: at once again
    EXPECT_EQ(link.t.waitingLength(), 3);

    // A command's purge empties the queue: waiting starts over.
    ASSERT_TRUE(link.t.sendEcuStartStop(1));
    EXPECT_FALSE(link.t.waitForFrame(0));

    // Released: the wait in progress ends, and so does every later one, frame or not.
    auto released = std::async(std::launch::async, [&] { return link.t.waitForFrame(WaitLongerThanAnyTestMs); });
    link.t.releaseWaiters();
    EXPECT_FALSE(released.get());
    link.t.setState(TransparentLink::StateReady);
    link.scripted.Then(5, ReceivedFrame({0x01}));
    while (link.scripted.Pending() > 0)
        link.t.turn();
    EXPECT_EQ(link.t.waitingFrames(), 1u);
    EXPECT_FALSE(link.t.waitForFrame(WaitLongerThanAnyTestMs));
    link.t.admitWaiters();
    EXPECT_TRUE(link.t.waitForFrame(0));
}

namespace {

constexpr std::uint32_t System = 77;
constexpr const char* SetMux = "000B00304000";
constexpr std::int32_t Running = 1;
constexpr std::int32_t Pending = 2;
constexpr std::int32_t Ready = 1;
constexpr std::int32_t FrameThere = 1;
constexpr std::int32_t NoFrame = 0;
constexpr std::int32_t NoThread = -1;
constexpr auto PollLimit = std::chrono::seconds(30);

template <typename F> std::int32_t PollWhile(F poll, std::int32_t busy) {
    const auto end = std::chrono::steady_clock::now() + PollLimit;
    std::int32_t r = poll();
    while (r == busy && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        r = poll();
    }
    return r;
}

} // namespace

class WaitRxFrameLink : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        folder.WriteProgram(System, 600);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        PtyFixture::TearDown();
    }
    // The simulator's sequence up to the ECU on the bus.
    void OnTheBus() {
        ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
        ASSERT_TRUE(LinkExports::SetMode(1));
        ASSERT_TRUE(LinkExports::SetEcuDirect(System, '-', SetMux, 0, folder.DataDir().c_str()));
        ASSERT_EQ(LinkExports::InitComKrix(0), 0);
        std::array<std::uint16_t, LinkExports::StatusInitTextRoom> text{};
        ASSERT_EQ(PollWhile([&] { return LinkExports::StatusInitKrix(text.data()); }, Running), 0);
        const std::array<std::uint8_t, KrixProtocolBlockSize> block{};
        ASSERT_TRUE(LinkExports::SetProtocolType(1, block.data(), 0, nullptr, 0, nullptr, 0, nullptr));
        ASSERT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, Pending), Ready);
        ASSERT_TRUE(LinkExports::StartStop_Ecu(1));
        ASSERT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, Pending), Ready);
        ASSERT_TRUE(emulator.OnBus());
    }

    SkippingClock clock;
    CurrentClockGuard guard{clock};
    ProgramFolder folder;
};

TEST_F(WaitRxFrameLink, ReportsAWaitingFrameAndEndsWithTheThread) {
    EXPECT_EQ(LinkExports::WaitRxFrame(1000), NoThread); // at once
    OnTheBus();
    EXPECT_EQ(LinkExports::WaitRxFrame(0), NoFrame);
    EXPECT_EQ(LinkExports::WaitRxFrame(-20), NoFrame); // taken as 0

    // A frame that arrives while the caller waits; the wait takes nothing, RxFrame does.
    const Bytes request{0x02, 0x10, 0x03, 0x55, 0x55, 0x55, 0x55, 0x55};
    auto waiting = std::async(std::launch::async, [] { return LinkExports::WaitRxFrame(1000); });
    ASSERT_TRUE(emulator.InjectBusFrame(request));
    std::int32_t woken = waiting.get();
    // On a machine too busy to deliver within the wait, the next wait finds the frame.
    if (woken == NoFrame)
        woken = LinkExports::WaitRxFrame(1000);
    EXPECT_EQ(woken, FrameThere);
    EXPECT_EQ(LinkExports::WaitRxFrame(0), FrameThere);
    std::array<std::uint8_t, KrixRxFrameRoom> data{};
    int length = 0;
    ASSERT_TRUE(LinkExports::RxFrame(&length, data.data()));
    EXPECT_EQ(Bytes(data.begin(), data.begin() + length), request);
    EXPECT_EQ(LinkExports::WaitRxFrame(0), NoFrame);

    // A wait in progress while the thread is reset, then while it is ended: each ends without a
    // frame, and once DeleteThreadKrix has returned the thread is gone and the port free (the
    // waiter may still be returning from the old thread object meanwhile).
    for (const bool reset : {true, false}) {
        SCOPED_TRACE(reset ? "ResetKrix" : "DeleteThreadKrix");
        std::atomic<bool> called{false};
        auto ended = std::async(std::launch::async, [&] {
            called = true;
            return LinkExports::WaitRxFrame(1000);
        });
        while (!called)
            std::this_thread::yield();
        if (reset)
            LinkExports::ResetKrix();
        ASSERT_TRUE(LinkExports::DeleteThreadKrix());
        EXPECT_NE(ended.get(), FrameThere);
        EXPECT_EQ(LinkExports::WaitRxFrame(1000), NoThread);
        TSeriale again;
        EXPECT_EQ(again.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
        again.close();
        if (reset)
            OnTheBus();
    }
}

TEST(FrameWait, TheEndOfTheDriverThreadEndsAWaitInProgress) {
    TKrixThread thread(1, 0);
    thread.start();
    auto waiting = std::async(std::launch::async,
                              [&] { return thread.transparent().waitForFrame(WaitLongerThanAnyTestMs); });
    thread.shutdown();
    EXPECT_FALSE(waiting.get());
}
