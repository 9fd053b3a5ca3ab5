#pragma once
// The worker-thread base of the engine, in place of the desktop class library's thread class.
//
// A thread may be created suspended; Resume starts or wakes it; the thread body may suspend
// itself with Suspend and is woken by the next Resume. Resume is counted, not lost: a Resume that
// arrives before the body reaches its Suspend makes that Suspend return at once. (The Resume that
// starts a thread created suspended is not counted: it only starts it.) Terminate only asks: the
// body polls Terminated() (and every Suspend and SleepOrTerminated returns when termination is
// asked), so nothing is killed mid-call. WaitFor joins.
//
// Terminate before the first Resume: the thread never starts, Execute never runs, Finished()
// turns true and WaitFor returns ReturnValue (0) at once; a later Resume does nothing.
//
// Construction: C++ gives a base class no hook after the most derived constructor, so a thread
// created running (createSuspended false) starts from TThread's constructor and may reach
// Execute before the derived object is complete. Derived classes with members of their own pass
// true and call Resume once they are fully built (or leave it to their owner).
//
// Destruction: the derived object is gone before ~TThread runs, so every derived destructor
// calls StopAndJoin() first. ~TThread does so again for classes without members of their own; it
// never starts a thread that was not started. Do not destroy the object from its own thread.
//
// An exception that leaves Execute ends the thread; its text is kept (FatalError) and shown
// through ShowMessage.
#include "Exception.h"

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
    int WaitFor();      // joins; returns ReturnValue; safe to call more than once, from any
                        // other thread; raises Exception when called by the thread itself
    bool Terminated() const;
    bool Suspended() const; // true while created-not-started or inside Suspend
    bool Finished() const;  // Execute has returned (or the thread was ended before it started)
    void SetName(const std::string& name); // shown to debuggers (pthread_setname_np), cut to 15
    std::string FatalError() const;        // text of an exception that left Execute, or empty

protected:
    virtual void Execute() = 0;
    // Called on the thread itself: sleeps until the next Resume or Terminate. A Resume that came
    // earlier and has not been used yet makes it return at once.
    void Suspend();
    // Sleeps up to ms milliseconds, returning early when termination is asked.
    // Returns false if the thread was asked to terminate. While a test has installed another
    // process clock (Clock.h) the sleep is that clock's, so a virtual clock returns at once.
    bool SleepOrTerminated(std::uint32_t ms);
    int ReturnValue = 0; // written by Execute; read by WaitFor once the thread has finished

    // Must be called first in the most derived destructor, so the thread does not run Execute
    // on a half-destroyed object. Terminates, wakes and joins. Safe to call more than once.
    void StopAndJoin();

private:
    void Start();
    void Body();
    bool OnOwnThread() const;

    mutable std::mutex mutex_;
    std::condition_variable wake_; // Resume and Terminate, for Suspend and SleepOrTerminated
    std::condition_variable done_; // Finished, for WaitFor
    std::mutex joinMutex_;         // one join at a time
    std::thread thread_;
    std::thread::id threadId_;
    std::string name_;
    std::string fatalError_;
    bool started_ = false;
    bool terminated_ = false;
    bool suspended_ = false;
    bool finished_ = false;
    int pendingResumes_ = 0;
};
