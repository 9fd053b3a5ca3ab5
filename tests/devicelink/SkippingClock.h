#pragma once
// A clock for tests against the emulated device: time runs as real time does, and every sleep
// is skipped (it moves the clock on at once), so the device code's pauses cost nothing while
// its reads still wait for what really arrives.
#include "Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

class SkippingClock final : public Clock {
public:
    std::uint64_t NowMs() override { return real_.NowMs() + skipped_.load(); }
    void SleepMs(std::uint32_t ms) override {
        skipped_ += ms;
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // keeps waiting loops off the processor
    }

private:
    SteadyClock real_;
    std::atomic<std::uint64_t> skipped_{0};
};

// Installs a clock as the process's current clock for the lifetime of the guard.
class CurrentClockGuard {
public:
    explicit CurrentClockGuard(Clock& clock) : previous_(SetCurrentClock(&clock)) {}
    ~CurrentClockGuard() { SetCurrentClock(previous_); }
    CurrentClockGuard(const CurrentClockGuard&) = delete;
    CurrentClockGuard& operator=(const CurrentClockGuard&) = delete;

private:
    Clock* previous_;
};
