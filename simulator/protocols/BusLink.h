#pragma once
// The process-wide bus link of the units: the bound TxFrame and RxFrame of the device link (and
// its WaitRxFrame when the library has one), the CAN identifiers IdEcu and IdEcu2, and the clock
// every pause and time-out runs on.
//
// The engine sets them on its own or the window's thread before it starts answering (after
// binding the device-link library and after the device initialisation), and the units read them
// on the engine's thread. Every field is atomic, so setting them while the engine's thread runs
// is no data race; a unit takes one snapshot per call, so a change reaches the next call.
// Tests bind fakes of TxFrame and RxFrame and a VirtualClock here.
#include <array>
#include <cstdint>
#include <functional>

#include "Clock.h"
#include "KrixLinkApi.h"

// nullptr unbinds; a unit called without both frames bound fails with InvalidOperation.
void BindBusFrames(KrixFn_TxFrame txFrame, KrixFn_RxFrame rxFrame);
KrixFn_TxFrame BoundTxFrame();
KrixFn_RxFrame BoundRxFrame();
// The link library's optional WaitRxFrame; nullptr (a library without it) leaves every wait for
// a frame a plain pause. The library's sleeps in real time, so the units use it in full only on
// the real clock; a test that binds a wait whose time passes on the bus clock says so.
void BindBusWait(KrixFn_WaitRxFrame waitRxFrame, bool sleepsOnBusClock = false);
KrixFn_WaitRxFrame BoundBusWait();
// What WaitRxFrame answers.
inline constexpr std::int32_t WaitRxFrameArrived = 1;        // a received frame waits for RxFrame
inline constexpr std::int32_t WaitRxFrameTimedOut = 0;       // none came (or the link is stopping)
inline constexpr std::int32_t WaitRxFrameNoDriverThread = -1; // the link cannot wait

// The identifiers the CAN units put in front of the frames they send, most significant byte
// first on the wire. Both are 0 at program start.
void SetIdEcu(std::uint32_t id);
void SetIdEcu2(std::uint32_t id);
std::uint32_t IdEcu();
std::uint32_t IdEcu2();

// nullptr (the default) makes the units use CurrentClock().
void SetBusClock(Clock* clock);
Clock& BusClock();

// The thread the units run on may be asked to end while a unit waits for a frame or a time-out
// of seconds: the check, set on that thread, ends every wait of the units at once (nothing is
// then received or sent). Each thread has its own; a thread that never sets one is never stopped.
void SetBusStopCheck(std::function<bool()> stopRequested);
bool BusStopRequested();

// The longest single sleep in WaitRxFrame: between two, the thread's stop request is looked at.
inline constexpr std::uint32_t BusWaitSliceMs = 20;

// Waits for the next received frame at most ms milliseconds: a pause that ends as soon as the
// link has a frame waiting for RxFrame (it takes none). waitRxFrame is the bound WaitRxFrame;
// without one, with ms 0, or when it answers that the link has no driver thread, the wait is
// pause(ms) as it would be without it. On the real clock WaitRxFrame sleeps in slices of at most
// BusWaitSliceMs; on a test's clock, where time moves only by sleeping on it, a frame already
// waiting ends the wait at once and otherwise pause(ms) lets the time pass. realClock says which.
// True when the wait is over; false when the thread is asked to end (BusStopRequested) or pause
// says so.
bool AwaitBusFrame(std::uint32_t ms, KrixFn_WaitRxFrame waitRxFrame, Clock& clock, bool realClock,
                   const std::function<bool(std::uint32_t)>& pause);
// True for the process's real clock (the steady clock), false for a test's.
bool IsRealClock(Clock& clock);

// One call's view of the link: the snapshot the units work with.
class BusPort {
public:
    // Room for one received delivery, cleared before every RxFrame call so that a short frame
    // never shows the bytes of an earlier one.
    struct Delivery {
        std::array<std::uint8_t, KrixRxFrameRoom> Bytes{};
        int Count = 0;
    };

    static constexpr int FrameHeaderBytes = 5; // identifier and length byte

    // Throws InvalidOperation when TxFrame or RxFrame is not bound.
    static BusPort Bound();

    // One RxFrame call into d; true when at least one byte arrived. A count outside the room is
    // cut to the room.
    bool Receive(Delivery& d) const;

    // One CAN frame: id (four bytes, most significant first), lengthByte, then dataCount bytes;
    // TxFrame gets 0, 5 + dataCount and the frame. Throws when the frame exceeds what TxFrame
    // accepts. The result of TxFrame is not looked at.
    void SendCan(std::uint32_t id, std::uint8_t lengthByte, const std::uint8_t* data,
                 int dataCount) const;
    // The bytes as one frame, unchanged (K-line).
    void SendRaw(const std::uint8_t* data, int count) const;

    // Sleeps ms on the bus clock; false when the thread is asked to end, and the wait is over.
    bool Pause(std::uint32_t ms) const;
    // As Pause, but over as soon as a received frame waits (AwaitBusFrame).
    bool AwaitFrame(std::uint32_t ms) const;

    std::uint32_t EcuId() const { return idEcu_; }
    std::uint32_t EcuId2() const { return idEcu2_; }
    Clock& Time() const { return *clock_; }

private:
    BusPort(KrixFn_TxFrame tx, KrixFn_RxFrame rx, KrixFn_WaitRxFrame wait, bool waitOnBusClock, std::uint32_t id,
            std::uint32_t id2, Clock* c)
        : tx_(tx), rx_(rx), wait_(wait), waitOnBusClock_(waitOnBusClock), idEcu_(id), idEcu2_(id2), clock_(c) {}

    KrixFn_TxFrame tx_;
    KrixFn_RxFrame rx_;
    KrixFn_WaitRxFrame wait_;
    bool waitOnBusClock_;
    std::uint32_t idEcu_;
    std::uint32_t idEcu2_;
    Clock* clock_;
};
