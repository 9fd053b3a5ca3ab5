#pragma once
// A fake of the device link's RxFrame and TxFrame on a virtual clock, bound as the units' bus
// link for the life of the object (one at a time).
//
// RxFrame hands out a script of received frames in order; each frame becomes available at its
// virtual time, so a test decides exactly which poll sees it. TxFrame records every call.
// OnSend lets a test answer a sent frame (a tester's flow control, say) at the time it is sent.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Clock.h"
#include "MessageSink.h"

using Bytes = std::vector<std::uint8_t>;

struct SentFrame {
    int Reserved = 0;
    int Length = 0;
    Bytes Data; // the Length bytes passed
    std::uint64_t AtMs = 0;
};

class FakeBusLink {
public:
    // Identifiers bound while the fake is installed.
    static constexpr std::uint32_t DefaultIdEcu = 0x000007E8;
    static constexpr std::uint32_t DefaultIdEcu2 = 0x000007DF;

    FakeBusLink();
    ~FakeBusLink();
    FakeBusLink(const FakeBusLink&) = delete;
    FakeBusLink& operator=(const FakeBusLink&) = delete;

    VirtualClock& Clock() { return clock_; }
    std::uint64_t Now() { return clock_.NowMs(); }

    void Receive(Bytes frame, std::uint64_t availableAtMs = 0);
    std::size_t Pending() const { return script_.size(); }
    const std::vector<SentFrame>& Sent() const { return sent_; }
    void ClearSent() { sent_.clear(); }

    // Virtual milliseconds one empty poll costs; units that poll without pausing need it.
    std::uint32_t EmptyPollCostMs = 0;

    // Binds a WaitRxFrame that sleeps on the virtual clock until the next scripted frame is due
    // (1) or its time-out has passed (0), as the link library's does in real time. Each call's
    // time-out is kept in Waits.
    void SignalFrames();
    std::vector<std::int32_t> Waits;
    std::function<void(const SentFrame&)> OnSend;
    int RxCalls = 0;

private:
    struct Scripted {
        Bytes Data;
        std::uint64_t AtMs;
    };
    static bool FakeTx(int reserved, int length, const std::uint8_t* data);
    static bool FakeRx(int* length, std::uint8_t* data);
    static std::int32_t FakeWait(std::int32_t timeoutMs);

    VirtualClock clock_;
    std::deque<Scripted> script_;
    std::vector<SentFrame> sent_;
    std::uint64_t lastEmptyPollAt_ = ~0ull;
    int emptyPollsWithoutTime_ = 0;
};

// Records the operator messages of the Tx routines while installed.
class MessageRecorder : public MessageReporter {
public:
    MessageRecorder() : previous_(SetMessageReporter(this)) {}
    ~MessageRecorder() override { SetMessageReporter(previous_); }
    void Report(const std::string& text) override { Texts.push_back(text); }
    std::vector<std::string> Texts;

private:
    MessageReporter* previous_;
};
