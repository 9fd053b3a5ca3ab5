// The engine binds the link on one thread and answers on another.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "BusLink.h"
#include "CAN_Standard.h"

namespace {

std::atomic<int> framesSent{0};
bool CountingTx(int, int, const std::uint8_t*) {
    ++framesSent;
    return true;
}
bool SilentRx(int* length, std::uint8_t*) {
    *length = 0;
    return false;
}

TEST(BusLinkThreads, BindingOnOneThreadIsSeenByTheEngineThread) {
    VirtualClock clock;
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::thread engine([&] {
        const std::uint8_t answer[] = {0x02, 0x50, 0x81};
        while (!stop.load()) {
            if (BoundTxFrame() && TxData_CAN_1(3, answer, nullptr) == 1) ++answered;
        }
    });
    SetBusClock(&clock);
    SetIdEcu(0x7E8);
    BindBusFrames(&CountingTx, &SilentRx);
    while (answered.load() < 100) std::this_thread::yield();
    stop = true;
    engine.join();
    BindBusFrames(nullptr, nullptr);
    SetBusClock(nullptr);
    SetIdEcu(0);
    EXPECT_GE(framesSent.load(), 100);
}

} // namespace
