#include "DeviceClock.h"

#include <algorithm>

DeviceClock::DeviceClock(Clock* clock) : clock_(clock ? clock : &CurrentClock()) {}

bool DeviceClock::sleepMs(std::uint32_t ms) const {
    while (ms > 0) {
        if (stopRequested())
            return false;
        const std::uint32_t slice = std::min(ms, SliceMs);
        clock_->SleepMs(slice);
        ms -= slice;
    }
    return !stopRequested();
}
