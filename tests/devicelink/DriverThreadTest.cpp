// The driver thread against the emulated device: the command request, the orderly stop in the
// middle of a transaction, and the initialisation request and result.
#include "PtyFixture.h"
#include "TKrixThread.h"
#include "TPortRegistry.h"

#include <future>
#include <memory>

using KrixEmu::FaultKind;
using KrixEmu::RequestKind;

namespace {

// Time stands still, sleeps are real: a wait can end only by its data or by a stop request,
// never by its time-out.
class StillClock final : public Clock {
public:
    std::uint64_t NowMs() override { return 1000; }
    void SleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

int OpenLink(TKrixThread& t) {
    return t.serial().OpenRS232(t.comPort(), 38400, 'N', 8, 1, "");
}

} // namespace

TEST_F(PtyFixture, ShutdownInsideALongTransactionReturnsAndFreesThePort) {
    emulator.AddFault({FaultKind::Silence, RequestKind::DeviceControl3, -1, -1, 0});
    StillClock still;
    std::atomic<int> transactionResult{0};
    auto thread = std::make_unique<TKrixThread>(Com, 0, &still);
    thread->setRoutines({[&](TKrixThread& t) {
                             if (OpenLink(t) != 0)
                                 return -1;
                             transactionResult = t.device().DeviceControl(3, 5000); // never times out here
                             return -5;
                         },
                         {}});
    thread->start();
    thread->requestInit(1);
    ASSERT_TRUE(emulator.WaitFor(RequestKind::DeviceControl3, 1, std::chrono::seconds(2)));
    EXPECT_TRUE(TPortRegistry::instance().contains(Slave()));

    thread->shutdown(); // returns only because the read looks at the stop request
    EXPECT_FALSE(thread->isRunning());
    EXPECT_EQ(transactionResult.load(), RECEIVE_ERR);
    thread.reset();

    EXPECT_FALSE(TPortRegistry::instance().contains(Slave()));
    TSeriale again;
    EXPECT_EQ(again.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
}

TEST_F(PtyFixture, RequestStopIsServedByTheLoopWithDeviceControlOne) {
    TKrixThread thread(Com, 0);
    thread.setRoutines({[](TKrixThread& t) { return OpenLink(t) == 0 ? 0 : -1; }, {}});
    thread.start();
    thread.requestInit(1);
    ASSERT_TRUE(Eventually([&] { return thread.getInitResult() != TKrixThread::InitRunning; }));
    ASSERT_EQ(thread.getInitResult(), 0);
    EXPECT_EQ(thread.requestStop(), 0);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl1), 1u);

    // In transparent mode the loop answers the request without talking to the device.
    thread.setTransparentMode(1);
    EXPECT_EQ(thread.requestStop(), 0);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl1), 1u);
}

TEST(DriverThread, RequestStopGivesUpAfterFiveSecondsOfVirtualTime) {
    VirtualClock clock;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> inside{false};
    TKrixThread thread(1, 0, &clock);
    thread.setRoutines({[&](TKrixThread&) {
                            inside = true;
                            released.wait();
                            return 0;
                        },
                        {}});
    thread.start();
    thread.requestInit(1);
    while (!inside)
        std::this_thread::yield();
    const std::uint64_t start = clock.NowMs();
    EXPECT_EQ(thread.requestStop(), -1); // the loop is busy with the initialisation
    EXPECT_GE(clock.NowMs() - start, TKrixThread::RequestStopTimeoutMs);
    EXPECT_TRUE(thread.commandRequestPending()); // stays raised ...
    release.set_value();
    EXPECT_TRUE(Eventually([&] { return !thread.commandRequestPending(); })); // ... for the loop's next turn
}

TEST(DriverThread, InitResultFollowsTheRequests) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> runs{0};
    TKrixThread thread(1, 0);
    thread.setRoutines({[&](TKrixThread&) {
                            if (++runs == 1)
                                released.wait();
                            return runs == 1 ? -5 : -7;
                        },
                        {}});
    thread.start();
    thread.requestInit(1);
    while (runs == 0)
        std::this_thread::yield();
    thread.requestInit(1); // asked again while the first runs
    release.set_value();
    ASSERT_TRUE(Eventually([&] { return thread.getInitResult() != TKrixThread::InitRunning; }));
    EXPECT_EQ(thread.getInitResult(), -7); // the first run's -5 never shows as the outcome
    EXPECT_EQ(runs.load(), 2);
}

TEST(DriverThread, WithoutAnInitialisationTheRequestFails) {
    TKrixThread thread(1, 0);
    thread.start();
    thread.requestInit(1);
    ASSERT_TRUE(Eventually([&] { return thread.getInitResult() != TKrixThread::InitRunning; }));
    EXPECT_EQ(thread.getInitResult(), TKrixThread::InitNotBuilt);
}
