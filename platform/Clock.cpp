#include "Clock.h"

#include <chrono>
#include <thread>

std::uint64_t SteadyClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::SleepMs(std::uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {
SteadyClock steadyClock;
std::atomic<Clock*> current{&steadyClock};
} // namespace

Clock& CurrentClock() { return *current.load(); }

Clock* SetCurrentClock(Clock* clock) {
    return current.exchange(clock ? clock : &steadyClock);
}
