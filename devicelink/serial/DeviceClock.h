#pragma once
// The device code's clock and waits: monotonic milliseconds (an injectable Clock, so the readers'
// time-outs run on a virtual clock in tests) and waits that end at once when the owner asks the
// work to stop. Every wait of the device code goes through here, so a stop request ends a
// transaction at once instead of after its full time-out.
//
// On the real clock a wait blocks on a condition variable that a stop request (and, for the
// waits of a thread that waits for work, a wake) signals: nothing wakes in between. A virtual
// clock moves only when someone sleeps on it, so there a wait is cut into slices of SliceMs, with
// a look at the stop request and the wakes between them.
#include "Clock.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class DeviceClock {
public:
    // The slices of a wait on a virtual clock.
    static constexpr std::uint32_t SliceMs = 10;

    explicit DeviceClock(Clock* clock = nullptr); // nullptr: the process's current clock
    DeviceClock(const DeviceClock&) = delete;
    DeviceClock& operator=(const DeviceClock&) = delete;

    std::uint64_t msecNow() const { return clock_->NowMs(); }
    // Sleeps ms; false (early) when a stop was requested. Wakes do not end it: the pauses of the
    // device protocols keep their length.
    bool sleepMs(std::uint32_t ms) const;

    // A thread that waits for work reads the wake count before it looks for the work, and then
    // idles: the idle ends at the first wake() after that reading (so a wake that comes between
    // the look and the idle is not lost), at a stop request, or after ms. false on a stop.
    std::uint64_t wakeCount() const { return wakes_.load(); }
    bool idleMs(std::uint32_t ms, std::uint64_t seenWakes) const;
    // Something an idle thread may wait for has changed.
    void wake() const;

    void requestStop();
    void clearStop();
    bool stopRequested() const { return stop_.load(); }

    Clock& clock() const { return *clock_; }

private:
    // Waits up to ms for done() (checked under the lock) or a stop; false on a stop.
    template <class Done>
    bool wait(std::uint32_t ms, Done done) const;

    Clock* clock_;
    bool realTime_; // the steady clock: waits block on the condition variable
    std::atomic<bool> stop_{false};
    mutable std::atomic<std::uint64_t> wakes_{0};
    mutable std::mutex mutex_;
    mutable std::condition_variable signal_;
};
