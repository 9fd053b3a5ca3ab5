#include "Transparent.h"

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

std::uint8_t Xor(const std::uint8_t* bytes, std::size_t n) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < n; ++i)
        x ^= bytes[i];
    return x;
}

void PutHeader(std::uint8_t* frame, std::size_t total, std::uint8_t code) {
    frame[0] = TransparentLink::Start;
    frame[1] = static_cast<std::uint8_t>(total >> 8);
    frame[2] = static_cast<std::uint8_t>(total & 0xFF);
    frame[3] = TransparentLink::Marker;
    frame[4] = code;
}

// Copies a list into its 20-byte field, the rest zero.
void PutList(std::uint8_t* at, std::uint8_t len, const std::uint8_t* list) {
    std::memset(at, 0, TransparentLink::ListRoom);
    if (len > 0)
        std::memcpy(at, list, len);
}

bool ListFits(std::uint8_t len, const std::uint8_t* list) {
    return len <= TransparentLink::ListRoom && (len == 0 || list != nullptr);
}

} // namespace

TransparentLink::TransparentLink(ByteLink& link, const DeviceClock& clock) : link_(link), clock_(clock) {}

bool TransparentLink::sendProtocolSet(std::uint8_t /*kind*/, const std::uint8_t* block, std::uint8_t len1,
                                      const std::uint8_t* list1, std::uint8_t len2, const std::uint8_t* list2,
                                      std::uint8_t len3, const std::uint8_t* list3) {
    if (block == nullptr || !ListFits(len1, list1) || !ListFits(len2, list2) || !ListFits(len3, list3)) {
        qDebug("main: leggikrix: sendProtocolSet: list lengths %d, %d, %d refused", len1, len2, len3);
        return false;
    }
    std::lock_guard lock(txMutex_);
    PutHeader(tx_, ProtocolSetSize, CodeProtocolSet);
    std::memcpy(tx_ + HeaderSize, block, ProtocolBlockSize);
    std::size_t at = HeaderSize + ProtocolBlockSize; // 56
    for (auto [len, list] : {std::pair{len1, list1}, std::pair{len2, list2}, std::pair{len3, list3}}) {
        tx_[at] = len;
        PutList(tx_ + at + 1, len, list);
        at += 1 + ListRoom;
    }
    tx_[ProtocolSetSize - 1] = Xor(tx_, ProtocolSetSize - 1);
    return writeCommand(ProtocolSetSize, CodeProtocolAnswer);
}

bool TransparentLink::sendEcuStartStop(std::uint8_t start) {
    std::lock_guard lock(txMutex_);
    PutHeader(tx_, EcuStartStopSize, CodeEcuStartStop);
    tx_[5] = start != 0 ? 0x01 : 0x00;
    tx_[6] = Xor(tx_, 6);
    return writeCommand(EcuStartStopSize, CodeEcuAnswer);
}

// Caller holds txMutex_. The state goes to 2 before the write: a fast device may answer before
// the write call has even returned, and its answer must find the command pending.
bool TransparentLink::writeCommand(std::size_t total, std::uint8_t expectedAnswer) {
    std::int32_t before = 0;
    {
        std::lock_guard rx(rxMutex_);
        link_.purgeInput();
        ++purges_; // the frame the reader has begun goes with what was purged
        clearQueue();
        before = state_.load();
        expectedAnswer_.store(expectedAnswer);
        pendingSince_.store(clock_.msecNow());
        state_.store(StatePending);
    }
    clock_.wake(); // a reader idling in a refused or error state reads again
    if (!link_.write(total, tx_)) {
        std::int32_t pending = StatePending;
        state_.compare_exchange_strong(pending, before);
        expectedAnswer_.store(0);
        return false;
    }
    return true;
}

bool TransparentLink::sendTransparentFrame(std::uint8_t flag, int length, const std::uint8_t* data) {
    if (length < 0 || length > MaxBusData || (length > 0 && data == nullptr)) {
        qDebug("main: leggikrix: sendTransparentFrame: length %d refused", length);
        return false;
    }
    const std::size_t n = static_cast<std::size_t>(length);
    const std::size_t total = n + BusFrameOverhead;
    std::lock_guard lock(txMutex_);
    PutHeader(tx_, total, CodeBusFrame);
    tx_[5] = flag;
    if (n > 0)
        std::memcpy(tx_ + ReceivedDataOffset, data, n);
    tx_[total - 1] = Xor(tx_, total - 1);
    return link_.write(total, tx_);
}

bool TransparentLink::takeTransparentFrame(int* length, std::uint8_t* data) {
    std::vector<std::uint8_t> frame;
    {
        std::lock_guard lock(queueMutex_);
        if (!queue_.empty()) {
            frame = std::move(queue_.front());
            queue_.pop_front();
        }
    }
    if (length)
        *length = static_cast<int>(frame.size());
    if (frame.empty())
        return false;
    if (data)
        std::memcpy(data, frame.data(), frame.size());
    return true;
}

bool TransparentLink::waitForFrame(std::uint32_t ms) {
    std::unique_lock lock(queueMutex_);
    frameQueued_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return waitersReleased_ || !queue_.empty(); });
    return !waitersReleased_ && !queue_.empty();
}

void TransparentLink::releaseWaiters() {
    {
        std::lock_guard lock(queueMutex_);
        waitersReleased_ = true;
    }
    frameQueued_.notify_all();
}

void TransparentLink::admitWaiters() {
    std::lock_guard lock(queueMutex_);
    waitersReleased_ = false;
}

void TransparentLink::setState(std::int32_t s) {
    expectedAnswer_.store(0);
    state_.store(s);
    clock_.wake();
}

std::int32_t TransparentLink::waitingLength() const {
    std::lock_guard lock(queueMutex_);
    return queue_.empty() ? 0 : static_cast<std::int32_t>(queue_.front().size());
}

std::size_t TransparentLink::waitingFrames() const {
    std::lock_guard lock(queueMutex_);
    return queue_.size();
}

void TransparentLink::queueReceived(const std::uint8_t* data, std::size_t n) {
    {
        std::lock_guard lock(queueMutex_);
        if (queue_.size() >= QueueCapacity) {
            qDebug("main: leggikrix: dispatchTransparent: %d bus frames not taken, the oldest (%d bytes) is dropped",
                   static_cast<int>(queue_.size()), static_cast<int>(queue_.front().size()));
            queue_.pop_front();
        }
        queue_.emplace_back(data, data + n);
    }
    frameQueued_.notify_all();
}

void TransparentLink::clearQueue() {
    std::lock_guard lock(queueMutex_);
    queue_.clear();
}

TransparentLink::Take TransparentLink::nextByte(std::uint32_t waitMs) {
    // The wait is outside the lock: a command's purge never waits for a silent line.
    if (!link_.waitInput(waitMs))
        return Take::Nothing;
    std::lock_guard rx(rxMutex_);
    if (rxCount_ == 0)
        frameAfterPurges_ = purges_;
    else if (frameAfterPurges_ != purges_)
        return Take::Purged;
    std::uint8_t b = 0;
    if (!link_.takeByte(&b)) // purged between the wait and the lock
        return Take::Nothing;
    rx_[rxCount_++] = b;
    return Take::Byte;
}

int TransparentLink::rxTransparent() {
    rxCount_ = 0;
    if (nextByte(ReadWaitMs) != Take::Byte)
        return ReadNothing;
    if (rx_[0] != Start) {
        qDebug("Rx Transparent ->hEADER nOT OK");
        rxCount_ = 0; // the byte is dropped; the next attempt starts over
        return ReadBad;
    }
    std::size_t expected = LengthKnownAt + 1; // until the length is known
    std::uint64_t last = clock_.msecNow();
    while (rxCount_ < expected) {
        if (clock_.stopRequested())
            return ReadNothing;
        const std::uint64_t since = clock_.msecNow() - last;
        const std::uint32_t gapLeft = since < InterByteGapMs ? static_cast<std::uint32_t>(InterByteGapMs - since) : 1;
        const Take took = nextByte(std::min(ReadWaitMs, gapLeft));
        if (took == Take::Purged)
            return ReadNothing;
        if (clock_.msecNow() - last >= InterByteGapMs) {
            qDebug("Rx Transparent ->Timeout Intrabyte");
            return ReadBad;
        }
        if (took == Take::Nothing)
            continue;
        last = clock_.msecNow();
        if (rxCount_ == LengthKnownAt) {
            expected = (std::size_t{rx_[1]} << 8) | rx_[2];
            if (expected > MaxFrameSize)
                return ReadTooLong;
            // Every frame of the device carries a status byte; anything shorter is no frame,
            // and its check byte would lie inside the header.
            if (expected < MinAnswerSize) {
                qDebug("Rx Transparent ->Chk Errata");
                return ReadBad;
            }
        }
    }
    // Frames longer than 256 bytes are checked in full as well.
    if (Xor(rx_, rxCount_ - 1) != rx_[rxCount_ - 1]) {
        qDebug("Rx Transparent ->Chk Errata");
        return ReadBad;
    }
    return ReadGood;
}

void TransparentLink::dispatchTransparent() {
    std::lock_guard rx(rxMutex_);
    if (rxCount_ < MinAnswerSize)
        return;
    // Read before a command purged the input: it belongs to the time before the command.
    if (frameAfterPurges_ != purges_)
        return;
    const std::uint8_t marker = rx_[3];
    const std::uint8_t code = rx_[4];
    const std::uint8_t status = rx_[5];
    // Every change is made only from the state this frame was judged in: a command written
    // meanwhile on the caller's thread keeps its pending state.
    std::int32_t seen = state_.load();
    auto enter = [&](std::int32_t to) { state_.compare_exchange_strong(seen, to); };

    if (marker == Marker && code == CodeReceived && status == StatusOk) {
        if (rxCount_ > BusFrameOverhead)
            queueReceived(rx_ + ReceivedDataOffset, rxCount_ - BusFrameOverhead);
        if (seen != StatePending)
            enter(StateReady);
        return;
    }
    if (seen == StatePending) {
        // Only the command's own answer ends the wait.
        const std::uint8_t expected = expectedAnswer_.load();
        if (marker == Marker && code == expected) {
            enter(status == StatusOk ? StateReady : StateRefused);
            return;
        }
        if (marker == Marker && code == CodeReceived && status == StatusError)
            qDebug("main: leggikrix: dispatchTransparent: bus error reported while a command waits for its answer");
        else
            qDebug("main: leggikrix: dispatchTransparent: frame %02x %02x %02x ignored while waiting for '%c'", marker,
                   code, status, expected);
        return;
    }
    if (marker != Marker)
        enter(StateRefused);
    else if (code == CodeProtocolAnswer || code == CodeEcuAnswer)
        enter(status == StatusOk ? StateReady : StateRefused);
    else if (code == CodeReceived)
        enter(status == StatusError ? StateError : StateRefused);
    else
        enter(StateRefused);
}

void TransparentLink::checkPendingTimeout() {
    if (state_.load() != StatePending)
        return;
    if (clock_.msecNow() - pendingSince_.load() < AnswerTimeoutMs)
        return;
    std::int32_t pending = StatePending;
    if (state_.compare_exchange_strong(pending, StateRefused)) {
        qDebug("main: leggikrix: rxTransparent: no answer '%c' within %u ms", expectedAnswer_.load(),
               static_cast<unsigned>(AnswerTimeoutMs));
        expectedAnswer_.store(0);
    }
}

void TransparentLink::turn() {
    const std::uint64_t seenWakes = clock_.wakeCount();
    const std::int32_t s = state_.load();
    if (s != StateReady && s != StatePending) {
        clock_.idleMs(StateIdleMs, seenWakes);
        return;
    }
    if (rxTransparent() == ReadGood)
        dispatchTransparent();
    checkPendingTimeout();
}
