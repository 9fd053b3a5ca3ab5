#pragma once
// Ends the whole test program, failing it, when a call that must return does not: a regression
// that blocks (a read that waits forever) fails instead of hanging the run. Only a call that
// never returns comes near the limit; it is no measure of speed.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
public:
    Watchdog(std::string what, std::chrono::seconds limit)
        : what_(std::move(what)), thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return disarmed_; })) {
                  std::fprintf(stderr, "watchdog: %s did not return within %lld s\n", what_.c_str(),
                               static_cast<long long>(limit.count()));
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            disarmed_ = true;
        }
        done_.notify_one();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::string what_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool disarmed_ = false;
    std::thread thread_;
};
