// The fake link library: the twelve link functions record their calls and answer from scripts;
// WaitRxFrame sleeps until a test queues a frame.
#include "FakeLinkControl.h"
#include "KrixLinkApi.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace {

struct State {
    std::mutex mutex;
    std::condition_variable frameQueued; // WaitRxFrame sleeps on it
    std::int32_t defaults[FakeLinkFnCount] = {};
    std::deque<std::int32_t> scripts[FakeLinkFnCount];
    std::deque<std::vector<std::uint8_t>> rxFrames;
    std::vector<FakeLinkCall> calls;
    std::vector<FakeLinkWait> waits;
    std::int32_t waiters = 0;
    bool noDriverThread = false;
    bool recording = true;
    std::uint64_t (*now)() = nullptr;

    State() { ResetLocked(); }
    void ResetLocked() {
        std::fill(std::begin(defaults), std::end(defaults), 1);
        defaults[FakeLinkInitComKrix] = 0;
        defaults[FakeLinkStatusInitKrix] = 0;
        defaults[FakeLinkStatusTransparent] = 1;
        for (auto& s : scripts) s.clear();
        rxFrames.clear();
        calls.clear();
        waits.clear();
        noDriverThread = false;
        recording = true;
        now = nullptr;
    }
};

constexpr std::int32_t WaitLimitMs = 1000; // what the real library clamps the time-out to

State& S() {
    static State state;
    return state;
}

FakeLinkCall NewCall(State& s, FakeLinkFn fn) {
    FakeLinkCall c;
    std::memset(&c, 0, sizeof c);
    c.Fn = fn;
    c.TimeMs = s.now ? s.now() : 0;
    return c;
}

std::int32_t NextResult(State& s, FakeLinkFn fn) {
    auto& q = s.scripts[fn];
    if (q.empty()) return s.defaults[fn];
    std::int32_t v = q.front();
    q.pop_front();
    return v;
}

void Keep(State& s, const FakeLinkCall& c) {
    if (s.recording) s.calls.push_back(c);
}

std::int32_t Record(State& s, FakeLinkCall& c) {
    c.Result = NextResult(s, static_cast<FakeLinkFn>(c.Fn));
    Keep(s, c);
    return c.Result;
}

void CopyText(char* dst, std::size_t room, const char* src) {
    if (!src) return;
    std::strncpy(dst, src, room - 1);
    dst[room - 1] = '\0';
}

void CopyList(FakeLinkCall& c, int i, std::uint8_t len, const std::uint8_t* list) {
    c.ListLen[i] = len;
    if (list && len > 0) std::memcpy(c.Lists[i], list, std::min<int>(len, FakeLinkListRoom));
}

constexpr const char* Names[FakeLinkFnCount] = {
    "CreateThreadKrix", "DeleteThreadKrix", "ResetKrix",     "SetMode",
    "SetEcuDirect",     "InitComKrix",      "SetProtocolType", "StartStop_Ecu",
    "TxFrame",          "RxFrame",          "StatusInitKrix", "StatusTransparent"};

} // namespace

// ---- link functions -------------------------------------------------------------------------

extern "C" bool CreateThreadKrix(std::int32_t comPort, std::uint8_t autoScan) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkCreateThreadKrix);
    c.Ints[0] = comPort;
    c.Ints[1] = autoScan;
    return Record(s, c) != 0;
}

extern "C" bool DeleteThreadKrix() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkDeleteThreadKrix);
    return Record(s, c) != 0;
}

extern "C" void ResetKrix() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkResetKrix);
    Record(s, c);
}

extern "C" bool SetMode(std::uint8_t mode) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkSetMode);
    c.Ints[0] = mode;
    return Record(s, c) != 0;
}

extern "C" bool SetEcuDirect(std::uint32_t system, char letter, const char* setMux, char code,
                             const char* dataDir) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkSetEcuDirect);
    c.Ints[0] = static_cast<std::int32_t>(system);
    c.Ints[1] = static_cast<unsigned char>(letter);
    c.Ints[2] = static_cast<signed char>(code);
    CopyText(c.SetMux, sizeof c.SetMux, setMux);
    CopyText(c.DataDir, sizeof c.DataDir, dataDir);
    return Record(s, c) != 0;
}

extern "C" std::int32_t InitComKrix(std::uint8_t directOpen) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkInitComKrix);
    c.Ints[0] = directOpen;
    return Record(s, c);
}

extern "C" bool SetProtocolType(std::uint8_t kind, const std::uint8_t* block, std::uint8_t len1,
                                const std::uint8_t* list1, std::uint8_t len2,
                                const std::uint8_t* list2, std::uint8_t len3,
                                const std::uint8_t* list3) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkSetProtocolType);
    c.Ints[0] = kind;
    // The real library always reads 51 bytes, so must the fake (ASan sees a short block).
    if (block) std::memcpy(c.Block, block, KrixProtocolBlockSize);
    CopyList(c, 0, len1, list1);
    CopyList(c, 1, len2, list2);
    CopyList(c, 2, len3, list3);
    return Record(s, c) != 0;
}

extern "C" bool StartStop_Ecu(std::uint8_t start) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkStartStop_Ecu);
    c.Ints[0] = start;
    return Record(s, c) != 0;
}

extern "C" bool TxFrame(int reserved, int length, const std::uint8_t* data) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkTxFrame);
    c.Ints[0] = reserved;
    c.Ints[1] = length;
    if (length < 0 || length > KrixTxFrameMax) {
        c.Result = 0; // refused like the real library, nothing consumed from the script
        Keep(s, c);
        return false;
    }
    c.DataLen = length;
    if (data && length > 0) std::memcpy(c.Data, data, static_cast<std::size_t>(length));
    return Record(s, c) != 0;
}

extern "C" bool RxFrame(int* length, std::uint8_t* data) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkRxFrame);
    int n = 0;
    if (!s.rxFrames.empty()) {
        std::vector<std::uint8_t> frame = std::move(s.rxFrames.front());
        s.rxFrames.pop_front();
        n = static_cast<int>(std::min<std::size_t>(frame.size(), KrixRxFrameRoom));
        if (data && n > 0) std::memcpy(data, frame.data(), static_cast<std::size_t>(n));
        c.DataLen = n;
        if (n > 0) std::memcpy(c.Data, frame.data(), static_cast<std::size_t>(std::min(n, FakeLinkDataRoom)));
    }
    if (length) *length = n;
    c.Ints[0] = n;
    c.Result = n != 0;
    Keep(s, c);
    return n != 0;
}

extern "C" std::int32_t StatusInitKrix(std::uint16_t* textOut) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkStatusInitKrix);
    std::int32_t r = Record(s, c);
    if (r == 0 && textOut) {
        // The real library writes its initialisation message here; the engine does not use it.
        const char* text = "fake link ready";
        std::size_t i = 0;
        for (; text[i]; ++i) textOut[i] = static_cast<std::uint16_t>(text[i]);
        textOut[i] = 0;
    }
    return r;
}

#ifndef FAKE_LINK_WITHOUT_STATUS_TRANSPARENT
extern "C" std::int32_t StatusTransparent() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    FakeLinkCall c = NewCall(s, FakeLinkStatusTransparent);
    return Record(s, c);
}
#endif

#ifndef FAKE_LINK_WITHOUT_WAIT_RX_FRAME
// Not recorded with the twelve, so that the record of calls stays what it was without it.
extern "C" std::int32_t WaitRxFrame(std::int32_t timeoutMs) {
    State& s = S();
    std::unique_lock lock(s.mutex);
    const std::int32_t limit = std::clamp(timeoutMs, 0, WaitLimitMs);
    FakeLinkWait w{timeoutMs, 0, s.now ? s.now() : 0};
    if (s.noDriverThread) {
        w.Result = -1;
    } else {
        ++s.waiters;
        const bool arrived = s.frameQueued.wait_for(lock, std::chrono::milliseconds(limit),
                                                    [&] { return !s.rxFrames.empty(); });
        --s.waiters;
        w.Result = arrived ? 1 : 0;
    }
    if (s.recording) s.waits.push_back(w);
    return w.Result;
}
#endif

// ---- control API --------------------------------------------------------------------------

FAKE_LINK_EXPORT void FakeLink_Reset() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.ResetLocked();
}

FAKE_LINK_EXPORT bool FakeLink_HasWaitRxFrame() {
#ifdef FAKE_LINK_WITHOUT_WAIT_RX_FRAME
    return false;
#else
    return true;
#endif
}

FAKE_LINK_EXPORT void FakeLink_SetRecording(bool on) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.recording = on;
}

FAKE_LINK_EXPORT void FakeLink_SetNoDriverThread(bool none) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.noDriverThread = none;
}

FAKE_LINK_EXPORT std::int32_t FakeLink_Waiters() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    return s.waiters;
}

FAKE_LINK_EXPORT std::int32_t FakeLink_WaitCount() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    return static_cast<std::int32_t>(s.waits.size());
}

FAKE_LINK_EXPORT bool FakeLink_GetWait(std::int32_t index, FakeLinkWait* out) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!out || index < 0 || static_cast<std::size_t>(index) >= s.waits.size()) return false;
    *out = s.waits[static_cast<std::size_t>(index)];
    return true;
}

FAKE_LINK_EXPORT void FakeLink_SetDefault(std::int32_t fn, std::int32_t value) {
    if (fn < 0 || fn >= FakeLinkFnCount) return;
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.defaults[fn] = value;
}

FAKE_LINK_EXPORT void FakeLink_Script(std::int32_t fn, const std::int32_t* values, std::int32_t count) {
    if (fn < 0 || fn >= FakeLinkFnCount || !values) return;
    State& s = S();
    std::lock_guard lock(s.mutex);
    for (std::int32_t i = 0; i < count; ++i) s.scripts[fn].push_back(values[i]);
}

FAKE_LINK_EXPORT void FakeLink_QueueRxFrame(const std::uint8_t* data, std::int32_t length) {
    if (length < 0 || (!data && length > 0)) return;
    State& s = S();
    {
        std::lock_guard lock(s.mutex);
        s.rxFrames.emplace_back(data, data + length);
    }
    s.frameQueued.notify_all();
}

FAKE_LINK_EXPORT std::int32_t FakeLink_PendingRxFrames() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    return static_cast<std::int32_t>(s.rxFrames.size());
}

FAKE_LINK_EXPORT void FakeLink_SetTimeSource(std::uint64_t (*now)()) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    s.now = now;
}

FAKE_LINK_EXPORT std::int32_t FakeLink_CallCount() {
    State& s = S();
    std::lock_guard lock(s.mutex);
    return static_cast<std::int32_t>(s.calls.size());
}

FAKE_LINK_EXPORT bool FakeLink_GetCall(std::int32_t index, FakeLinkCall* out) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    if (!out || index < 0 || static_cast<std::size_t>(index) >= s.calls.size()) return false;
    *out = s.calls[static_cast<std::size_t>(index)];
    return true;
}

FAKE_LINK_EXPORT std::int32_t FakeLink_CountOf(std::int32_t fn) {
    State& s = S();
    std::lock_guard lock(s.mutex);
    return static_cast<std::int32_t>(
        std::count_if(s.calls.begin(), s.calls.end(), [fn](const FakeLinkCall& c) { return c.Fn == fn; }));
}

FAKE_LINK_EXPORT const char* FakeLink_Name(std::int32_t fn) {
    return fn >= 0 && fn < FakeLinkFnCount ? Names[fn] : "?";
}
