#pragma once
// SIGINT and SIGTERM of the emulator program, taken by a thread of their own instead of a
// handler: no other thread is ever interrupted mid-call. Construct it before any other thread
// is started, since threads inherit the blocked set.
#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace KrixEmu {

class StopSignals {
public:
    static constexpr long PollMs = 50; // how soon the waiting thread sees that it is to end

    // Blocks the two signals and starts the waiting thread; onStop runs on it at the first one.
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals(); // ends and joins the waiting thread; the signals stay blocked
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Received() const { return received_.load(); }
    // Until a stop signal has arrived (at once when one already has).
    void Wait();

private:
    void Watch();

    sigset_t set_;
    std::function<void()> onStop_;
    std::atomic<bool> received_{false};
    std::atomic<bool> ending_{false};
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::thread thread_;
};

} // namespace KrixEmu
