#pragma once
// Control side of the fake link library (libkrix_interface.so of the tests).
//
// The fake exports the twelve link functions of KrixLinkApi.h and, from the same shared object,
// these functions for the tests: script the values the link functions return, queue frames for
// RxFrame, and read back every call with its arguments. Everything is guarded by one lock: the
// engine calls the link functions on its thread while a test scripts and reads on its own.
//
// Return values: each function has a default (below) and a script queue; a call takes the next
// scripted value, or the default when the queue is empty. Bool functions return value != 0;
// ResetKrix ignores it. RxFrame returns the next queued frame (or false) and is not scripted.
//
// WaitRxFrame, the optional link function, sleeps in real time until a frame is queued (1, at once
// when one is queued already) or its time-out, clamped to 0..1000 ms, has passed (0); with
// FakeLink_SetNoDriverThread(true) it answers -1 at once. Its calls are kept apart from the record
// of the twelve (FakeLink_GetWait). The build in the folder fakelink_nowait leaves it out, for the
// engine's behaviour with a library that lacks it.
#include <cstdint>

enum FakeLinkFn : std::int32_t {
    FakeLinkCreateThreadKrix = 0, // default 1
    FakeLinkDeleteThreadKrix,     // default 1
    FakeLinkResetKrix,            // no result
    FakeLinkSetMode,              // default 1
    FakeLinkSetEcuDirect,         // default 1
    FakeLinkInitComKrix,          // default 0 (initialisation requested)
    FakeLinkSetProtocolType,      // default 1
    FakeLinkStartStop_Ecu,        // default 1
    FakeLinkTxFrame,              // default 1
    FakeLinkRxFrame,              // queue-driven
    FakeLinkStatusInitKrix,       // default 0 (initialisation done)
    FakeLinkStatusTransparent,    // default 1 (accepted)
    FakeLinkFnCount
};

inline constexpr int FakeLinkListRoom = 255;
inline constexpr int FakeLinkDataRoom = 1024;

// One recorded call. Which fields are filled depends on the function:
//   CreateThreadKrix  Ints[0] port, Ints[1] autoScan
//   SetMode           Ints[0] mode
//   SetEcuDirect      Ints[0] system, Ints[1] letter, Ints[2] code, SetMux, DataDir
//   InitComKrix       Ints[0] directOpen
//   SetProtocolType   Ints[0] kind, Block (51 bytes), ListLen[3], Lists[3]
//   StartStop_Ecu     Ints[0] start
//   TxFrame           Ints[0] reserved, Ints[1] length, Data (DataLen bytes)
//   RxFrame           Ints[0] length handed out, Data
//   StatusInitKrix / StatusTransparent / DeleteThreadKrix / ResetKrix: no arguments
// Result is the value the call returned.
struct FakeLinkCall {
    std::int32_t Fn;
    std::int32_t Result;
    std::uint64_t TimeMs; // from the time source, 0 without one
    std::int32_t Ints[3];
    char SetMux[64];
    char DataDir[512];
    std::uint8_t Block[51];
    std::int32_t ListLen[3];
    std::uint8_t Lists[3][FakeLinkListRoom];
    std::int32_t DataLen;
    std::uint8_t Data[FakeLinkDataRoom];
};

// One call of WaitRxFrame: the time-out asked for, what it answered, the time source's time.
struct FakeLinkWait {
    std::int32_t TimeoutMs;
    std::int32_t Result;
    std::uint64_t TimeMs;
};

#define FAKE_LINK_EXPORT extern "C" __attribute__((visibility("default")))

// Forgets scripts, queued frames, recorded calls and the time source; defaults back as above.
FAKE_LINK_EXPORT void FakeLink_Reset();
// Off: calls are answered as always but not recorded (for measuring the caller's own cost);
// FakeLink_Reset turns it on again.
FAKE_LINK_EXPORT void FakeLink_SetRecording(bool on);
// Whether this build exports WaitRxFrame.
FAKE_LINK_EXPORT bool FakeLink_HasWaitRxFrame();
// WaitRxFrame answers -1 (no driver thread) while set; FakeLink_Reset clears it.
FAKE_LINK_EXPORT void FakeLink_SetNoDriverThread(bool none);
// Calls of WaitRxFrame sleeping now.
FAKE_LINK_EXPORT std::int32_t FakeLink_Waiters();
FAKE_LINK_EXPORT std::int32_t FakeLink_WaitCount();
FAKE_LINK_EXPORT bool FakeLink_GetWait(std::int32_t index, FakeLinkWait* out);
FAKE_LINK_EXPORT void FakeLink_SetDefault(std::int32_t fn, std::int32_t value);
// Appends values to the function's script queue.
FAKE_LINK_EXPORT void FakeLink_Script(std::int32_t fn, const std::int32_t* values, std::int32_t count);
FAKE_LINK_EXPORT void FakeLink_QueueRxFrame(const std::uint8_t* data, std::int32_t length);
FAKE_LINK_EXPORT std::int32_t FakeLink_PendingRxFrames();
// Stamps each recorded call with now(); nullptr stops stamping.
FAKE_LINK_EXPORT void FakeLink_SetTimeSource(std::uint64_t (*now)());
FAKE_LINK_EXPORT std::int32_t FakeLink_CallCount();
// Copies call number index (0 = first); false when there is no such call.
FAKE_LINK_EXPORT bool FakeLink_GetCall(std::int32_t index, FakeLinkCall* out);
// Number of recorded calls of one function.
FAKE_LINK_EXPORT std::int32_t FakeLink_CountOf(std::int32_t fn);
FAKE_LINK_EXPORT const char* FakeLink_Name(std::int32_t fn);
