#include "WorkerThread.h"

#include "Clock.h"
#include "Exception.h"
#include "MessageSink.h"

#include <chrono>
#include <pthread.h>
#include <system_error>

namespace {

constexpr std::size_t MaxThreadNameLength = 15; // the kernel's limit, without the terminator

std::string CutName(const std::string& name) { return name.substr(0, MaxThreadNameLength); }

void ApplyName(pthread_t thread, const std::string& name) {
    if (!name.empty()) pthread_setname_np(thread, name.c_str()); // only a debugging aid
}

} // namespace

TThread::TThread(bool createSuspended, std::string name) : name_(CutName(name)) {
    if (!createSuspended) Resume();
}

TThread::~TThread() { StopAndJoin(); }

void TThread::StopAndJoin() {
    Terminate();
    if (OnOwnThread()) return; // cannot join itself; the owner must not do this
    WaitFor();
}

bool TThread::OnOwnThread() const {
    std::lock_guard lock(mutex_);
    return started_ && threadId_ == std::this_thread::get_id();
}

void TThread::Start() {
    // Called with mutex_ held; the body takes the mutex first, so it sees the state complete.
    try {
        thread_ = std::thread(&TThread::Body, this);
    } catch (const std::system_error& e) {
        throw Exception("Cannot start thread " + name_ + ": " + e.what());
    }
    threadId_ = thread_.get_id();
    started_ = true;
}

void TThread::Body() {
    {
        std::lock_guard lock(mutex_);
        ApplyName(pthread_self(), name_);
    }
    std::string failure;
    try {
        Execute();
    } catch (const std::exception& e) {
        failure = ExceptionMessage(e);
    } catch (...) {
        failure = "unknown exception";
    }
    std::string name;
    {
        std::lock_guard lock(mutex_);
        fatalError_ = failure;
        finished_ = true;
        suspended_ = false;
        name = name_;
    }
    done_.notify_all();
    if (!failure.empty()) ShowMessage("Thread " + name + " ended by an exception:\n" + failure);
}

void TThread::Resume() {
    std::lock_guard lock(mutex_);
    if (finished_) return;
    if (!started_) {
        if (!terminated_) Start();
        return;
    }
    ++pendingResumes_;
    wake_.notify_all();
}

void TThread::Terminate() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
        if (!started_) finished_ = true; // it never runs
    }
    wake_.notify_all();
    done_.notify_all();
}

int TThread::WaitFor() {
    if (OnOwnThread()) throw Exception("WaitFor called by the thread " + name_ + " itself");
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return finished_; });
    }
    {
        std::lock_guard join(joinMutex_);
        if (thread_.joinable()) thread_.join();
    }
    std::lock_guard lock(mutex_);
    return ReturnValue;
}

bool TThread::Terminated() const {
    std::lock_guard lock(mutex_);
    return terminated_;
}

bool TThread::Suspended() const {
    std::lock_guard lock(mutex_);
    return suspended_ || (!started_ && !finished_);
}

bool TThread::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

std::string TThread::FatalError() const {
    std::lock_guard lock(mutex_);
    return fatalError_;
}

void TThread::SetName(const std::string& name) {
    std::lock_guard lock(mutex_);
    name_ = CutName(name);
    if (started_ && threadId_ == std::this_thread::get_id())
        ApplyName(pthread_self(), name_);
    else if (started_ && !finished_)
        ApplyName(thread_.native_handle(), name_);
}

void TThread::Suspend() {
    std::unique_lock lock(mutex_);
    if (!started_ || threadId_ != std::this_thread::get_id())
        throw Exception("Suspend called outside the thread " + name_);
    if (terminated_) return;
    if (pendingResumes_ > 0) {
        --pendingResumes_;
        return;
    }
    suspended_ = true;
    wake_.wait(lock, [this] { return pendingResumes_ > 0 || terminated_; });
    suspended_ = false;
    if (pendingResumes_ > 0) --pendingResumes_;
}

bool TThread::SleepOrTerminated(std::uint32_t ms) {
    Clock& clock = CurrentClock();
    if (dynamic_cast<SteadyClock*>(&clock) == nullptr) {
        clock.SleepMs(ms);
        return !Terminated();
    }
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return terminated_; });
    return !terminated_;
}
