#pragma once
// The worker-thread base of the engine, in place of the desktop class library's thread class.
//
// A thread may be created suspended; Resume starts or wakes it; the thread body may suspend
// itself with Suspend and is woken by the next Resume. Resume is counted, not lost: a Resume that
// arrives before the body reaches its Suspend makes that Suspend return at once. Terminate only
// asks: the body polls Terminated() (and every Suspend returns when termination is asked), so
// nothing is killed mid-call. WaitFor joins.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class TThread {
public:
    explicit TThread(bool createSuspended, std::string name = {});
    virtual ~TThread(); // terminates, wakes and joins the thread if the owner did not
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();      // starts a thread created suspended, or wakes one suspended
    void Terminate();   // asks the body to end and wakes it if suspended
    int WaitFor();      // joins; returns ReturnValue; safe to call more than once
    bool Terminated() const;
    bool Suspended() const; // true while created-not-started or inside Suspend
    bool Finished() const;  // Execute has returned
    void SetName(const std::string& name); // shown to debuggers (pthread_setname_np)

protected:
    virtual void Execute() = 0;
    // Called on the thread itself: sleeps until the next Resume or Terminate. A Resume that came
    // earlier and has not been used yet makes it return at once.
    void Suspend();
    // Sleeps up to ms milliseconds, returning early when termination is asked.
    // Returns false if the thread was asked to terminate.
    bool SleepOrTerminated(std::uint32_t ms);
    int ReturnValue = 0;

    // Must be called first in the most derived destructor, so the thread does not run Execute
    // on a half-destroyed object. Terminates, wakes and joins.
    void StopAndJoin();

private:
    void Start();
    void Body();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    std::string name_;
    bool started_ = false;
    bool terminated_ = false;
    bool suspended_ = false;
    bool finished_ = false;
    int pendingResumes_ = 0;
};
