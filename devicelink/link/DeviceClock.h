#pragma once
// The device code's clock and sleep: monotonic milliseconds (an injectable Clock, so the readers'
// time-outs run on a virtual clock in tests) and a sleep that ends early when the owner asks the
// work to stop. Every wait of the device code goes through here, so a stop request ends a
// transaction within one slice instead of after its full time-out.
#include "Clock.h"

#include <atomic>
#include <cstdint>

class DeviceClock {
public:
    // The longest piece a sleep is cut into between two looks at the stop request.
    static constexpr std::uint32_t SliceMs = 10;

    explicit DeviceClock(Clock* clock = nullptr); // nullptr: the process's current clock
    DeviceClock(const DeviceClock&) = delete;
    DeviceClock& operator=(const DeviceClock&) = delete;

    std::uint64_t msecNow() const { return clock_->NowMs(); }
    // Sleeps ms; false (early) when a stop was requested.
    bool sleepMs(std::uint32_t ms) const;

    void requestStop() { stop_.store(true); }
    void clearStop() { stop_.store(false); }
    bool stopRequested() const { return stop_.load(); }

    Clock& clock() const { return *clock_; }

private:
    Clock* clock_;
    std::atomic<bool> stop_{false};
};
