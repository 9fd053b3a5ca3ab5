#pragma once
// Transparent mode: the KRIX device passes frames between the vehicle bus and the host.
//
// Frame (both directions, numbers big-endian): 5B, total length (2 bytes, the whole frame), 30,
// code, payload, check byte (XOR of every byte before it). The library writes '0' (protocol
// set), '1' (ECU start/stop) and '2' (bus frame); the device answers '0' with 'p' and '1' with
// 'q', status 0x80 ok, and delivers every bus frame it picks up as an 'r' frame (0x80), or a
// bus-side error as an 'r' frame with 0x81.
//
// Commands are written on the caller's thread; the driver thread reads and dispatches the
// device's frames (turn()). State word (TransparentState):
//    2  a '0' or '1' command was written and its answer is awaited
//    1  ready
//    0  the device refused (or did not answer a command in time)
//   -1  the device reported a bus-side error
// A pending command ends only with its own answer ('p' for '0', 'q' for '1') or, when none
// comes within AnswerTimeoutMs, with 0: an empty read, a bad frame or a bus frame never makes a
// silent device look as if it had accepted the command.
//
// The input purge before '0' and '1' and the end of the frame the reader has begun are one step
// under one lock, and the reader takes each byte (and dispatches each frame) under that lock: a
// frame cut by the purge is dropped whole, and no byte from before the purge can join a frame
// after it, where it would swallow the command's answer.
//
// The driver thread waits on the port: a read returns as soon as a byte is there, and nothing
// sleeps after an empty read. While the state is refused or in error it reads nothing and idles
// until a command or SetMode sets the state again.
//
// Received bus frames are copied when they are dispatched into a bounded queue that RxFrame
// takes from in order, and a caller may wait for one (waitForFrame); the queue is cleared with
// the purge, and when it is full the oldest frame is dropped, with a debug line saying so.
#include "ByteLink.h"
#include "DeviceClock.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class TransparentLink {
public:
    static constexpr std::uint8_t Start = 0x5B;
    static constexpr std::uint8_t Marker = 0x30; // byte 3 of every frame
    static constexpr std::uint8_t CodeProtocolSet = '0';
    static constexpr std::uint8_t CodeEcuStartStop = '1';
    static constexpr std::uint8_t CodeBusFrame = '2';
    static constexpr std::uint8_t AnswerOffset = 0x40; // 'p' answers '0', 'q' '1', 'r' carries '2'
    static constexpr std::uint8_t CodeProtocolAnswer = CodeProtocolSet + AnswerOffset;
    static constexpr std::uint8_t CodeEcuAnswer = CodeEcuStartStop + AnswerOffset;
    static constexpr std::uint8_t CodeReceived = CodeBusFrame + AnswerOffset;
    static constexpr std::uint8_t StatusOk = 0x80;
    static constexpr std::uint8_t StatusError = 0x81;

    static constexpr std::size_t HeaderSize = 5;       // 5B, length, 30, code
    static constexpr std::size_t LengthKnownAt = 3;    // bytes stored when the total is known
    static constexpr std::size_t MaxFrameSize = 1024;
    static constexpr std::size_t MinAnswerSize = 7;    // header, status, check byte
    static constexpr std::size_t ProtocolBlockSize = 51;
    static constexpr std::size_t ListRoom = 20;
    static constexpr std::size_t ProtocolSetSize = 120;
    static constexpr std::size_t EcuStartStopSize = 7;
    static constexpr int MaxBusData = 505;             // a '2' frame is at most 512 bytes
    static constexpr std::size_t BusFrameOverhead = 7; // header, flag, check byte
    static constexpr std::size_t ReceivedDataOffset = 6;
    static constexpr std::size_t MaxReceivedData = MaxFrameSize - BusFrameOverhead; // 1017

    static constexpr std::uint32_t InterByteGapMs = 200;
    static constexpr std::uint32_t ReadWaitMs = 21;    // the longest wait of one read on the port
    static constexpr std::uint32_t StateIdleMs = 300;  // refused or in error: the longest idle
    static constexpr std::uint32_t AnswerTimeoutMs = 3000; // a '0' or '1' command's answer
    static constexpr std::size_t QueueCapacity = 64;       // received bus frames not yet taken

    static constexpr std::int32_t StateError = -1;
    static constexpr std::int32_t StateRefused = 0;
    static constexpr std::int32_t StateReady = 1;
    static constexpr std::int32_t StatePending = 2;

    // Results of rxTransparent.
    static constexpr int ReadGood = 1;
    static constexpr int ReadNothing = 2;
    static constexpr int ReadBad = 0;
    static constexpr int ReadTooLong = 12;

    TransparentLink(ByteLink& link, const DeviceClock& clock);
    TransparentLink(const TransparentLink&) = delete;
    TransparentLink& operator=(const TransparentLink&) = delete;

    // --- caller's thread ---
    // The '0' command: 51 block bytes and three lists of at most 20 bytes. false (nothing
    // written, state unchanged) for a list that is too long or missing, or a failed write.
    bool sendProtocolSet(std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1, const std::uint8_t* list1,
                         std::uint8_t len2, const std::uint8_t* list2, std::uint8_t len3, const std::uint8_t* list3);
    // The '1' command with 0x01 for any non-zero start, else 0x00.
    bool sendEcuStartStop(std::uint8_t start);
    // One '2' command; a length outside 0 to 505, or data missing for a length, is refused.
    // Leaves the state alone.
    bool sendTransparentFrame(std::uint8_t flag, int length, const std::uint8_t* data);
    // The oldest received bus frame: *length := its size, its bytes copied to data (room for
    // MaxReceivedData). false with *length 0 when none waits.
    bool takeTransparentFrame(int* length, std::uint8_t* data);
    // Waits up to ms (real time) until a received bus frame waits for takeTransparentFrame; true
    // when one does (at once when one already waits). false after ms, or at once once the
    // waiters were released.
    bool waitForFrame(std::uint32_t ms);
    // Ends every waitForFrame now and from now on (the driver thread is being stopped); admit
    // lets waiters in again.
    void releaseWaiters();
    void admitWaiters();

    std::int32_t state() const { return state_.load(); }
    // Sets the state; any pending command is forgotten.
    void setState(std::int32_t s);
    // Bytes of the oldest received frame not yet taken (0 when none), and how many frames wait.
    std::int32_t waitingLength() const;
    std::size_t waitingFrames() const;

    // --- driver thread ---
    // One turn of the driver loop while the transparent flag is set.
    void turn();
    // Reads one frame into the receive buffer: ReadGood, ReadNothing, ReadBad or ReadTooLong.
    int rxTransparent();
    // Acts on the frame in the receive buffer (see the state rules above).
    void dispatchTransparent();

private:
    enum class Take { Byte, Nothing, Purged };

    bool writeCommand(std::size_t total, std::uint8_t expectedAnswer);
    void checkPendingTimeout();
    // Waits up to waitMs for a byte and stores it at the end of the frame begun, under rxMutex_.
    // Purged when the input was purged since the frame's first byte.
    Take nextByte(std::uint32_t waitMs);
    void queueReceived(const std::uint8_t* data, std::size_t n); // caller holds rxMutex_
    void clearQueue();

    ByteLink& link_;
    const DeviceClock& clock_;

    std::atomic<std::int32_t> state_{StateReady};
    std::atomic<std::uint8_t> expectedAnswer_{0}; // 'p' or 'q' while a command is pending
    std::atomic<std::uint64_t> pendingSince_{0};

    std::mutex txMutex_; // commands come from the callers' threads
    std::uint8_t tx_[MaxFrameSize] = {};

    // The purge and the reader's frame. rx_ and rxCount_ are the driver thread's; the purge
    // count is what the reader compares, under the lock, with the count its frame began at.
    std::mutex rxMutex_;
    std::uint64_t purges_ = 0;
    std::uint64_t frameAfterPurges_ = 0;
    std::uint8_t rx_[MaxFrameSize] = {};
    std::size_t rxCount_ = 0;

    mutable std::mutex queueMutex_;
    std::condition_variable frameQueued_;
    bool waitersReleased_ = false;
    std::deque<std::vector<std::uint8_t>> queue_;
};
