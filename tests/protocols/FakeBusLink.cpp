#include "FakeBusLink.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "BusLink.h"
#include "KrixLinkApi.h"

namespace {
FakeBusLink* active = nullptr;
// A unit that polls this often without any virtual time passing would spin for ever.
constexpr int SpinLimit = 100000;
} // namespace

FakeBusLink::FakeBusLink() {
    if (active) throw std::logic_error("one FakeBusLink at a time");
    active = this;
    BindBusFrames(&FakeTx, &FakeRx);
    SetIdEcu(DefaultIdEcu);
    SetIdEcu2(DefaultIdEcu2);
    SetBusClock(&clock_);
}

FakeBusLink::~FakeBusLink() {
    BindBusFrames(nullptr, nullptr);
    BindBusWait(nullptr);
    SetIdEcu(0);
    SetIdEcu2(0);
    SetBusClock(nullptr);
    active = nullptr;
}

void FakeBusLink::SignalFrames() { BindBusWait(&FakeWait, true); }

std::int32_t FakeBusLink::FakeWait(std::int32_t timeoutMs) {
    FakeBusLink& f = *active;
    f.Waits.push_back(timeoutMs);
    const std::uint64_t now = f.clock_.NowMs();
    const std::uint64_t until = now + static_cast<std::uint64_t>(std::max(timeoutMs, 0));
    if (!f.script_.empty() && f.script_.front().AtMs <= until) {
        if (f.script_.front().AtMs > now) f.clock_.Advance(f.script_.front().AtMs - now);
        return 1;
    }
    f.clock_.Advance(until - now);
    return 0;
}

void FakeBusLink::Receive(Bytes frame, std::uint64_t availableAtMs) {
    script_.push_back({std::move(frame), availableAtMs});
}

bool FakeBusLink::FakeTx(int reserved, int length, const std::uint8_t* data) {
    FakeBusLink& f = *active;
    SentFrame s{reserved, length, Bytes(data, data + std::max(length, 0)), f.clock_.NowMs()};
    f.sent_.push_back(s);
    if (f.OnSend) f.OnSend(s);
    return true;
}

bool FakeBusLink::FakeRx(int* length, std::uint8_t* data) {
    FakeBusLink& f = *active;
    ++f.RxCalls;
    const std::uint64_t now = f.clock_.NowMs();
    if (!f.script_.empty() && f.script_.front().AtMs <= now) {
        Bytes frame = std::move(f.script_.front().Data);
        f.script_.pop_front();
        const int n = std::min<int>(static_cast<int>(frame.size()), KrixRxFrameRoom);
        std::memcpy(data, frame.data(), n);
        *length = n;
        f.emptyPollsWithoutTime_ = 0;
        return n > 0;
    }
    *length = 0;
    if (now == f.lastEmptyPollAt_) {
        if (++f.emptyPollsWithoutTime_ > SpinLimit)
            throw std::runtime_error("the unit polls without letting time pass");
    } else {
        f.lastEmptyPollAt_ = now;
        f.emptyPollsWithoutTime_ = 0;
    }
    f.clock_.Advance(f.EmptyPollCostMs);
    return false;
}
