#include "BusLink.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "BusUnit.h"

namespace {
std::atomic<KrixFn_TxFrame> txFrame{nullptr};
std::atomic<KrixFn_RxFrame> rxFrame{nullptr};
std::atomic<KrixFn_WaitRxFrame> waitRxFrame{nullptr};
std::atomic<bool> waitOnBusClock{false};
std::atomic<std::uint32_t> idEcu{0};
std::atomic<std::uint32_t> idEcu2{0};
std::atomic<Clock*> busClock{nullptr};
thread_local std::function<bool()> busStopRequested;
} // namespace

void BindBusFrames(KrixFn_TxFrame tx, KrixFn_RxFrame rx) {
    txFrame.store(tx);
    rxFrame.store(rx);
}
KrixFn_TxFrame BoundTxFrame() { return txFrame.load(); }
KrixFn_RxFrame BoundRxFrame() { return rxFrame.load(); }

void BindBusWait(KrixFn_WaitRxFrame wait, bool sleepsOnBusClock) {
    waitOnBusClock.store(sleepsOnBusClock);
    waitRxFrame.store(wait);
}
KrixFn_WaitRxFrame BoundBusWait() { return waitRxFrame.load(); }

void SetIdEcu(std::uint32_t id) { idEcu.store(id); }
void SetIdEcu2(std::uint32_t id) { idEcu2.store(id); }
std::uint32_t IdEcu() { return idEcu.load(); }
std::uint32_t IdEcu2() { return idEcu2.load(); }

void SetBusClock(Clock* clock) { busClock.store(clock); }
Clock& BusClock() {
    Clock* c = busClock.load();
    return c ? *c : CurrentClock();
}

void SetBusStopCheck(std::function<bool()> stopRequested) { busStopRequested = std::move(stopRequested); }
bool BusStopRequested() { return busStopRequested && busStopRequested(); }

bool BusPort::Pause(std::uint32_t ms) const {
    if (BusStopRequested()) return false;
    clock_->SleepMs(ms);
    return !BusStopRequested();
}

bool BusPort::AwaitFrame(std::uint32_t ms) const {
    return AwaitBusFrame(ms, wait_, *clock_, waitOnBusClock_ || IsRealClock(*clock_),
                         [this](std::uint32_t rest) { return Pause(rest); });
}

bool IsRealClock(Clock& clock) { return dynamic_cast<SteadyClock*>(&clock) != nullptr; }

bool AwaitBusFrame(std::uint32_t ms, KrixFn_WaitRxFrame wait, Clock& clock, bool realClock,
                   const std::function<bool(std::uint32_t)>& pause) {
    if (wait == nullptr || ms == 0) return pause(ms);
    if (BusStopRequested()) return false;
    if (!realClock) {
        if (wait(0) == WaitRxFrameArrived) return !BusStopRequested();
        return pause(ms);
    }
    const std::uint64_t start = clock.NowMs();
    for (;;) {
        const std::uint64_t sliceStart = clock.NowMs();
        const std::uint64_t elapsed = sliceStart - start;
        if (elapsed >= ms) return !BusStopRequested();
        const auto rest = static_cast<std::uint32_t>(ms - elapsed);
        const std::uint32_t slice = std::min(rest, BusWaitSliceMs);
        const std::int32_t r = wait(static_cast<std::int32_t>(slice));
        if (r == WaitRxFrameArrived) return !BusStopRequested();
        if (BusStopRequested()) return false;
        // No driver thread (or an answer it does not give): the plain pause for the rest.
        if (r != WaitRxFrameTimedOut) return pause(rest);
        // Back before its time (the driver thread is being stopped): the rest of the slice is
        // slept here, so that a link that keeps answering at once cannot make this spin.
        const std::uint64_t spent = clock.NowMs() - sliceStart;
        if (spent + 1 < slice && !pause(static_cast<std::uint32_t>(slice - spent))) return false;
    }
}

BusPort BusPort::Bound() {
    KrixFn_TxFrame tx = txFrame.load();
    KrixFn_RxFrame rx = rxFrame.load();
    if (!tx || !rx) throw InvalidOperation("The bus link is not bound");
    return BusPort(tx, rx, waitRxFrame.load(), waitOnBusClock.load(), idEcu.load(), idEcu2.load(), &BusClock());
}

bool BusPort::Receive(Delivery& d) const {
    d.Bytes.fill(0);
    int count = 0;
    bool got = rx_(&count, d.Bytes.data());
    if (count < 0) count = 0;
    if (count > KrixRxFrameRoom) count = KrixRxFrameRoom;
    d.Count = got ? count : 0;
    return d.Count > 0;
}

void BusPort::SendCan(std::uint32_t id, std::uint8_t lengthByte, const std::uint8_t* data,
                      int dataCount) const {
    if (dataCount < 0 || FrameHeaderBytes + dataCount > KrixTxFrameMax)
        throw Exception("A frame of " + std::to_string(dataCount) +
                        " data bytes exceeds what the link sends");
    std::array<std::uint8_t, KrixTxFrameMax> frame;
    frame[0] = static_cast<std::uint8_t>(id >> 24);
    frame[1] = static_cast<std::uint8_t>(id >> 16);
    frame[2] = static_cast<std::uint8_t>(id >> 8);
    frame[3] = static_cast<std::uint8_t>(id);
    frame[4] = lengthByte;
    if (dataCount > 0) std::memcpy(frame.data() + FrameHeaderBytes, data, dataCount);
    tx_(0, FrameHeaderBytes + dataCount, frame.data());
}

void BusPort::SendRaw(const std::uint8_t* data, int count) const {
    if (count < 0 || count > KrixTxFrameMax)
        throw Exception("A frame of " + std::to_string(count) + " bytes exceeds what the link sends");
    tx_(0, count, data);
}
