#pragma once
// Milliseconds and sleeping, behind an interface so that every time-out of the engine and the
// bus units can run on a virtual clock in tests.
#include <atomic>
#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic milliseconds since an arbitrary start.
    virtual std::uint64_t NowMs() = 0;
    virtual void SleepMs(std::uint32_t ms) = 0;
};

// The real clock: std::chrono::steady_clock and std::this_thread::sleep_for.
class SteadyClock final : public Clock {
public:
    std::uint64_t NowMs() override;
    void SleepMs(std::uint32_t ms) override;
};

// Time moves only when someone sleeps or advances it; a sleep returns at once.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(std::uint64_t startMs = 0) : now_(startMs) {}
    std::uint64_t NowMs() override { return now_.load(); }
    void SleepMs(std::uint32_t ms) override { now_ += ms; }
    void Advance(std::uint64_t ms) { now_ += ms; }

private:
    std::atomic<std::uint64_t> now_;
};

// The process's clock: the steady clock unless a test installs another. Returns the old one.
Clock& CurrentClock();
Clock* SetCurrentClock(Clock* clock); // nullptr restores the steady clock
