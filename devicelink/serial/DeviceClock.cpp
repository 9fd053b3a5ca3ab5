#include "DeviceClock.h"

#include <algorithm>
#include <chrono>

DeviceClock::DeviceClock(Clock* clock)
    : clock_(clock ? clock : &CurrentClock()), realTime_(dynamic_cast<SteadyClock*>(clock_) != nullptr) {}

template <class Done>
bool DeviceClock::wait(std::uint32_t ms, Done done) const {
    if (realTime_) {
        std::unique_lock lock(mutex_);
        signal_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop_.load() || done(); });
        return !stop_.load();
    }
    while (ms > 0 && !stop_.load() && !done()) {
        const std::uint32_t slice = std::min(ms, SliceMs);
        clock_->SleepMs(slice);
        ms -= slice;
    }
    return !stop_.load();
}

bool DeviceClock::sleepMs(std::uint32_t ms) const {
    return wait(ms, [] { return false; });
}

bool DeviceClock::idleMs(std::uint32_t ms, std::uint64_t seenWakes) const {
    return wait(ms, [&] { return wakes_.load() != seenWakes; });
}

// The count changes under the lock: a waiter that has just found it unchanged is already
// waiting when the signal comes.
void DeviceClock::wake() const {
    {
        std::lock_guard lock(mutex_);
        ++wakes_;
    }
    signal_.notify_all();
}

void DeviceClock::requestStop() {
    {
        std::lock_guard lock(mutex_);
        stop_.store(true);
    }
    signal_.notify_all();
}

void DeviceClock::clearStop() {
    std::lock_guard lock(mutex_);
    stop_.store(false);
}
