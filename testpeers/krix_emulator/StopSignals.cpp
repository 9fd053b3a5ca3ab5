#include "StopSignals.h"

#include <pthread.h>

#include <ctime>

namespace KrixEmu {

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    thread_ = std::thread([this] { Watch(); });
}

StopSignals::~StopSignals() {
    ending_.store(true);
    if (thread_.joinable())
        thread_.join();
}

void StopSignals::Watch() {
    // Timed, so that the destructor's request to end is seen without a signal of its own.
    const timespec poll{0, PollMs * 1000 * 1000};
    while (!ending_.load()) {
        const int signal = sigtimedwait(&set_, nullptr, &poll);
        if (signal != SIGINT && signal != SIGTERM)
            continue; // time-out or EINTR
        if (onStop_)
            onStop_();
        {
            std::lock_guard lock(mutex_);
            received_.store(true);
        }
        arrived_.notify_all();
        return;
    }
}

void StopSignals::Wait() {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [&] { return received_.load(); });
}

} // namespace KrixEmu
