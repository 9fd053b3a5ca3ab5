#pragma once
// A ByteLink on a virtual clock for the frame tests: bytes arrive at scripted times, and a read
// or a wait for input that finds nothing waits like the serial port (up to 21 ms for a read, the
// time asked for a wait; less when a byte arrives sooner).
#include "ByteLink.h"
#include "Clock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class ScriptedLink final : public ByteLink {
public:
    static constexpr std::uint64_t ReadWaitMs = 21;

    explicit ScriptedLink(VirtualClock& clock) : clock_(clock) {}

    // The bytes arrive gapMs after the previous scripted byte (or after now for the first),
    // one right after the other.
    void Then(std::uint64_t gapMs, const Bytes& bytes) {
        std::uint64_t at = (pending_.empty() ? clock_.NowMs() : lastAt_) + gapMs;
        for (std::uint8_t b : bytes)
            pending_.push_back({at, b});
        lastAt_ = at;
    }

    bool readByte(std::uint8_t* b) override {
        const std::uint64_t now = clock_.NowMs();
        if (pending_.empty() || pending_.front().at > now + ReadWaitMs) {
            clock_.Advance(ReadWaitMs);
            return false;
        }
        if (pending_.front().at > now)
            clock_.Advance(pending_.front().at - now);
        *b = pending_.front().byte;
        pending_.pop_front();
        return true;
    }

    // Like poll on the port: time moves to the next byte's arrival when it comes within ms.
    bool waitInput(std::uint32_t ms) override {
        if (beforeWait_ && ++waits_ == beforeWaitAt_)
            std::exchange(beforeWait_, nullptr)();
        const std::uint64_t now = clock_.NowMs();
        if (!pending_.empty() && pending_.front().at <= now + ms) {
            if (pending_.front().at > now)
                clock_.Advance(pending_.front().at - now);
            return true;
        }
        clock_.Advance(ms);
        return false;
    }

    bool takeByte(std::uint8_t* b) override {
        if (pending_.empty() || pending_.front().at > clock_.NowMs())
            return false;
        *b = pending_.front().byte;
        pending_.pop_front();
        return true;
    }

    bool write(std::size_t n, const std::uint8_t* buf) override {
        if (failWrites)
            return false;
        writes.emplace_back(buf, buf + n);
        return true;
    }

    int purgeInput() override {
        while (!pending_.empty() && pending_.front().at <= clock_.NowMs())
            pending_.pop_front();
        return 1;
    }

    bool isOpen() const override { return open; }

    std::size_t Pending() const { return pending_.size(); }

    // Runs action once, at the n-th wait for input from now on (before it waits): what another
    // thread would do while the reader is in the middle of a frame.
    void BeforeWait(std::size_t n, std::function<void()> action) {
        waits_ = 0;
        beforeWaitAt_ = n;
        beforeWait_ = std::move(action);
    }

    std::vector<Bytes> writes;
    bool failWrites = false;
    bool open = true;

private:
    struct Timed {
        std::uint64_t at;
        std::uint8_t byte;
    };
    VirtualClock& clock_;
    std::deque<Timed> pending_;
    std::uint64_t lastAt_ = 0;
    std::function<void()> beforeWait_;
    std::size_t beforeWaitAt_ = 0;
    std::size_t waits_ = 0;
};

// Frames built in the tests with their own sum, not the library's.
inline Bytes Sealed(Bytes frame) {
    unsigned sum = 0;
    for (std::uint8_t b : frame)
        sum += b;
    frame.push_back(static_cast<std::uint8_t>((sum >> 8) & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

// A device answer: 5B 01 20 00, the total length, then service, command bytes and data.
inline Bytes Answer(const Bytes& fromService) {
    Bytes frame{0x5B, 0x01, 0x20, 0x00, 0x00, 0x00};
    frame.insert(frame.end(), fromService.begin(), fromService.end());
    const std::size_t total = frame.size() + 2;
    frame[4] = static_cast<std::uint8_t>(total >> 8);
    frame[5] = static_cast<std::uint8_t>(total & 0xFF);
    return Sealed(frame);
}

inline Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
