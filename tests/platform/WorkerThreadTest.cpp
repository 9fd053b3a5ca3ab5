// The worker thread: start, self-suspension, resume, termination and joining, on two threads.
#include "Clock.h"
#include "MessageSink.h"
#include "WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <pthread.h>
#include <thread>
#include <vector>

namespace {

// Waits for the other thread to get somewhere; the failure of the code under test shows as a
// wrong state afterwards, never as a time limit.
template <class Pred>
void WaitUntil(Pred pred) {
    while (!pred()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A thread whose body the test supplies; it reaches the protected members through itself.
class TestThread : public TThread {
public:
    using Body = std::function<void(TestThread&)>;
    explicit TestThread(Body body, std::string name = "test")
        : TThread(true, std::move(name)), body_(std::move(body)) {}
    ~TestThread() override { StopAndJoin(); }

    using TThread::SleepOrTerminated;
    using TThread::Suspend;
    void SetReturnValue(int v) { ReturnValue = v; }

protected:
    void Execute() override { body_(*this); }

private:
    Body body_;
};

TEST(WorkerThread, ACreatedSuspendedThreadStartsOnlyOnResume) {
    std::atomic<bool> ran{false};
    TestThread t([&](TestThread&) { ran = true; });
    EXPECT_TRUE(t.Suspended());
    EXPECT_FALSE(t.Finished());
    t.Resume();
    t.WaitFor();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(t.Finished());
    EXPECT_FALSE(t.Suspended());
}

TEST(WorkerThread, AResumeBeforeTheSelfSuspendIsNotLost) {
    std::atomic<bool> atSuspend{false}, go{false}, terminatedAfter{true};
    TestThread t([&](TestThread& self) {
        atSuspend = true;
        WaitUntil([&] { return go.load(); });
        self.Suspend();
        terminatedAfter = self.Terminated();
    });
    t.Resume(); // starts it; not counted
    WaitUntil([&] { return atSuspend.load(); });
    t.Resume(); // comes before the Suspend
    go = true;
    WaitUntil([&] { return t.Finished() || t.Suspended(); });
    EXPECT_TRUE(t.Finished()) << "the early Resume was lost";
    EXPECT_FALSE(terminatedAfter);
}

TEST(WorkerThread, ResumesAreCountedOnePerSuspend) {
    std::atomic<bool> atSuspend{false}, go{false};
    std::atomic<int> passed{0};
    TestThread t([&](TestThread& self) {
        atSuspend = true;
        WaitUntil([&] { return go.load(); });
        for (int i = 0; i < 3; ++i) {
            self.Suspend();
            if (self.Terminated()) return;
            ++passed;
        }
    });
    t.Resume();
    WaitUntil([&] { return atSuspend.load(); });
    t.Resume();
    t.Resume();
    go = true;
    WaitUntil([&] { return t.Suspended(); }); // the third Suspend waits
    EXPECT_EQ(passed, 2);
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(passed, 3);
}

TEST(WorkerThread, ResumeOrTerminateWakesASuspendedThread) {
    for (bool terminate : {false, true}) {
        std::atomic<bool> terminatedAfter{!terminate};
        TestThread t([&](TestThread& self) {
            self.Suspend();
            terminatedAfter = self.Terminated();
        });
        t.Resume();
        WaitUntil([&] { return t.Suspended(); });
        if (terminate)
            t.Terminate();
        else
            t.Resume();
        t.WaitFor();
        EXPECT_EQ(terminatedAfter, terminate) << (terminate ? "Terminate" : "Resume");
    }
}

TEST(WorkerThread, ATerminatedThreadThatNeverStartedNeverRuns) {
    std::atomic<bool> ran{false};
    TestThread t([&](TestThread&) { ran = true; });
    t.Terminate();
    EXPECT_EQ(t.WaitFor(), 0);
    EXPECT_TRUE(t.Finished());
    EXPECT_FALSE(t.Suspended());
    t.Resume(); // too late: it stays ended
    EXPECT_EQ(t.WaitFor(), 0);
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, DestroyingAThreadThatNeverStartedNeitherHangsNorRuns) {
    std::atomic<bool> ran{false};
    { TestThread t([&](TestThread&) { ran = true; }); }
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, WaitForReturnsTheReturnValueEveryTimeAndOnEveryThread) {
    TestThread t([](TestThread& self) { self.SetReturnValue(42); });
    t.Resume();
    int other = 0;
    std::thread waiter([&] { other = t.WaitFor(); });
    EXPECT_EQ(t.WaitFor(), 42);
    waiter.join();
    EXPECT_EQ(other, 42);
    EXPECT_EQ(t.WaitFor(), 42);
}

TEST(WorkerThread, SleepOrTerminatedReturnsEarlyOnTerminate) {
    std::atomic<bool> sleeping{false}, result{true};
    TestThread t([&](TestThread& self) {
        sleeping = true;
        result = self.SleepOrTerminated(3600 * 1000); // an hour: a miss shows as the test's time-out
    });
    t.Resume();
    WaitUntil([&] { return sleeping.load(); });
    t.Terminate();
    t.WaitFor();
    EXPECT_FALSE(result);
}

TEST(WorkerThread, SleepOrTerminatedSleepsOnTheProcessClock) {
    VirtualClock clock(1000);
    Clock* old = SetCurrentClock(&clock);
    std::atomic<bool> result{false};
    TestThread t([&](TestThread& self) { result = self.SleepOrTerminated(250); });
    t.Resume();
    t.WaitFor();
    SetCurrentClock(old);
    EXPECT_TRUE(result);
    EXPECT_EQ(clock.NowMs(), 1250u);
}

TEST(WorkerThread, SleepOrTerminatedWithoutTerminateSleepsAndReturnsTrue) {
    std::atomic<bool> result{false};
    TestThread t([&](TestThread& self) { result = self.SleepOrTerminated(1); });
    t.Resume();
    t.WaitFor();
    EXPECT_TRUE(result);
}

// The window's order with the engine: create suspended, start, the engine builds its stores and
// suspends itself, the window fills them, resumes, resumes once more, then ends the engine.
// The stores are plain data: if the body ran on while the window writes, ThreadSanitizer reports.
TEST(WorkerThread, TheEngineHandOverNeverRunsBothSidesAtOnce) {
    std::vector<int> stores; // no lock: the hand-over is the only guard
    std::atomic<bool> storesReady{false};
    std::atomic<long> sum{0};
    TestThread engine([&](TestThread& self) {
        stores.clear();
        storesReady = true;
        self.Suspend();
        long total = 0;
        for (int v : stores) total += v;
        sum = total;
        while (self.SleepOrTerminated(1)) {
        }
    });
    EXPECT_TRUE(engine.Suspended());
    engine.Resume();
    WaitUntil([&] { return storesReady.load(); });
    for (int i = 1; i <= 100; ++i) stores.push_back(i); // may come before the engine's Suspend
    engine.Resume();
    engine.Resume(); // a resume of a running thread changes nothing
    WaitUntil([&] { return sum.load() != 0; });
    EXPECT_EQ(sum, 5050);
    engine.Resume();
    engine.Terminate();
    engine.WaitFor();
    EXPECT_TRUE(engine.Finished());
}

// A derived class whose body uses its own members: StopAndJoin in its destructor ends the body
// before the members go.
class CountingThread : public TThread {
public:
    CountingThread() : TThread(true, "counting") {}
    ~CountingThread() override { StopAndJoin(); }
    std::atomic<bool> running{false};

protected:
    void Execute() override {
        while (!Terminated()) {
            samples_.push_back(static_cast<int>(samples_.size()));
            running = true;
            if (samples_.size() > 1000) samples_.clear();
            SleepOrTerminated(1);
        }
    }

private:
    std::vector<int> samples_;
};

TEST(WorkerThread, DestroyingARunningOrSuspendedThreadEndsItFirst) {
    {
        CountingThread t;
        t.Resume();
        WaitUntil([&] { return t.running.load(); });
    }
    std::atomic<bool> bodyEnded{false};
    {
        TestThread t([&](TestThread& self) {
            while (!self.Terminated()) self.Suspend();
            bodyEnded = true;
        });
        t.Resume();
        WaitUntil([&] { return t.Suspended(); });
    }
    // The destructor woke the suspended body and waited for it to return.
    EXPECT_TRUE(bodyEnded.load());
}

TEST(WorkerThread, AnExceptionLeavingTheBodyEndsTheThreadAndIsReported) {
    struct Recorder : MessageReporter {
        std::mutex mutex;
        std::vector<std::string> texts;
        void Report(const std::string& text) override {
            std::lock_guard lock(mutex);
            texts.push_back(text);
        }
    } recorder;
    MessageReporter* old = SetMessageReporter(&recorder);
    TestThread t([](TestThread&) { throw Exception("Cannot find file x!"); }, "engine");
    t.Resume();
    t.WaitFor();
    SetMessageReporter(old);
    EXPECT_TRUE(t.Finished());
    EXPECT_EQ(t.FatalError(), "Cannot find file x!");
    ASSERT_EQ(recorder.texts.size(), 1u);
    EXPECT_EQ(recorder.texts[0], "Thread engine ended by an exception:\nCannot find file x!");
}

TEST(WorkerThread, SuspendAndWaitForRefuseTheWrongThread) {
    std::atomic<bool> waitForRaised{false};
    TestThread t([&](TestThread& self) {
        try {
            self.WaitFor();
        } catch (const Exception&) {
            waitForRaised = true;
        }
    });
    EXPECT_THROW(t.Suspend(), Exception);
    t.Resume();
    t.WaitFor();
    EXPECT_TRUE(waitForRaised);
}

TEST(WorkerThread, NamesAreCutToFifteenCharacters) {
    std::string before, after;
    std::atomic<bool> named{false}, renamed{false};
    TestThread t([&](TestThread& self) {
        char buffer[32] = {};
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        before = buffer;
        named = true;
        WaitUntil([&] { return renamed.load(); });
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        after = buffer;
        self.SetName("KRIX Communication"); // on its own thread, as the engine does
        pthread_getname_np(pthread_self(), buffer, sizeof buffer);
        before += '|';
        before += buffer;
    }, "a name longer than fifteen");
    t.Resume();
    WaitUntil([&] { return named.load(); });
    t.SetName("renamed from outside");
    renamed = true;
    t.WaitFor();
    EXPECT_EQ(before, "a name longer t|KRIX Communicat");
    EXPECT_EQ(after, "renamed from ou");
}

} // namespace
