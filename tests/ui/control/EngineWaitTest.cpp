// The load's wait for the engine's stores, on a virtual clock: it polls every 100 ms with a pump
// in between, and gives up when the engine's thread has ended without them.
#include <gtest/gtest.h>

#include "Clock.h"
#include "EngineWait.h"

namespace {

struct FakeThread {
    int readyAfterPolls = -1;    // -1 never
    int finishedAfterPolls = -1; // -1 never
    bool readyWhenFinished = false;
    int polls = 0;
    bool Ready() const {
        return (readyAfterPolls >= 0 && polls >= readyAfterPolls) || (readyWhenFinished && Finished());
    }
    bool Finished() const { return finishedAfterPolls >= 0 && polls >= finishedAfterPolls; }
};

} // namespace

TEST(EngineWaitTest, WaitsForTheStoresOrTheThreadsEnd) {
    struct Case {
        const char* name;
        FakeThread thread;
        bool result;
        std::uint64_t waitedMs;
    } cases[] = {
        {"ready at once: no sleep", {0, -1, false}, true, 0},
        {"ready after three polls", {3, -1, false}, true, 3 * StoresPollMs},
        {"ended without stores", {-1, 2, false}, false, 2 * StoresPollMs},
        {"ended at once without stores", {-1, 0, false}, false, 0},
        {"announced them and ended", {-1, 4, true}, true, 4 * StoresPollMs},
    };
    for (Case& c : cases) {
        VirtualClock clock;
        int pumps = 0;
        FakeThread& t = c.thread;
        const bool result = WaitForStores([&] { return t.Ready(); }, [&] { return t.Finished(); }, clock, [&] {
            ++pumps;
            ++t.polls;
        });
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(clock.NowMs(), c.waitedMs) << c.name;
        EXPECT_EQ(static_cast<std::uint64_t>(pumps) * StoresPollMs, c.waitedMs) << c.name; // one pump per sleep
    }
}
