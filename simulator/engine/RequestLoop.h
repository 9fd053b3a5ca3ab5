#pragma once
// The request and answer loop: one pass of the engine's running state. Each pass asks the bus
// unit's Rx routine for one request, finds the store entry that answers it, hands each answer's
// bytes to the unit's Tx routine and reports every exchange to the traffic log, and every request
// the store does not know to the list of unknown requests after offering it to the unknown-request
// rule. Three variants, chosen by the protocol's Mode:
//   1  request by request;
//   2  built-in answers to two requests, frames spaced by 10 ms, the answers of a fault-reading
//      entry one after another, and the answers of one entry sent in turn while nothing arrives;
//   3  as 1, and after an answered request of service 0xA2 the fixed request 03 a2 06 01 is
//      replayed in every pass in which nothing arrives.
//
// A request that finds a store entry without answers (answers edited away, an activation step
// registered without any, or such an entry found by unknown-request rule 3) sends nothing and is
// logged once as not answered, in every mode.
//
// A pass in which nothing arrived ends with a wait for the next frame (WaitFrame): at most 20 ms
// in mode 1 and 100 ms in mode 3, and in mode 2 until the next cyclic answer is due (or a short
// while when there is none), so that no mode holds a core while the bus is quiet. With a link
// that can signal a frame the wait is over as soon as one is there.
//
// The store's tables may grow while the loop runs (the window's edits): the work items take the
// store's limits at each look-up (the store widens them under its lock), and a received request
// is cut at the store's request limit of the moment.
//
// Runs on the engine's thread only; failures raised inside a pass end the pass and reach the
// engine's handler.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BusUnit.h"
#include "Clock.h"
#include "DeviceInit.h"
#include "StoreOperations.h"
#include "UDStructures.h"

// The kind of a traffic-log event.
namespace OriglioItemType {
inline constexpr int Answered = 0;    // from the store (also built-in, replayed and cyclic answers)
inline constexpr int NotAnswered = 1; // neither the store nor the rule had an answer
inline constexpr int AutoAnswered = 2; // by the unknown-request rule
inline constexpr int NotSent = 3;     // the Tx routine did not send it
} // namespace OriglioItemType

inline constexpr std::uint32_t Mode1IdleMs = 20;
inline constexpr std::uint32_t Mode3IdleMs = 100;
inline constexpr std::uint32_t Mode2FrameSpacingMs = 10;
// Mode 2 without a cyclic answer: how long a quiet pass waits for a frame when the link signals
// frames (one ends the wait), and how long it pauses when the link cannot (a request then waits
// that long at most before it is seen).
inline constexpr std::uint32_t Mode2IdleWaitMs = 20;
inline constexpr std::uint32_t Mode2IdlePollMs = 5;
inline constexpr int Mode2MaxRequestBytes = 512;
inline constexpr const char* Mode3ReplayRequest = "03a20601";
inline constexpr int Mode3ReplayCount = 3;
inline constexpr const char* Mode3ReplayService = "a2";
inline constexpr const char* AutoAnswerInfo = "Auto Answer";

// Mode 2's built-in answers: to the start of a session (service 0x20 without data) and to a
// channel request of service 0xAA with sub-function 0x00.
inline constexpr std::uint8_t BuiltInAnswer20[] = {0x01, 0x60};
inline constexpr const char* BuiltInRequest20Text = "0120";
inline constexpr const char* BuiltInAnswer20Text = "0160";
inline constexpr std::uint8_t BuiltInAnswerAA[] = {0x00, 0x02, 0xEA, 0x00};
inline constexpr const char* BuiltInRequestAAText = "02aa00";
inline constexpr const char* BuiltInAnswerAAText = "02ea00";

// Tx routine result of a failure that the unit has shown already.
inline constexpr int TxFailureShown = -1;

using OriglioCallback = std::function<void(const std::string& request, const std::string& answer,
                                           int type, const std::string& info)>;
using UnknownRequestCallback = std::function<void(const TBaseItem& item)>;
using UnknownRequestFunctionType =
    std::function<std::unique_ptr<TBaseItem>(std::int32_t* length, const std::string& wireText)>;

struct RequestLoopLinks {
    BusRxRoutine Rx = nullptr;
    BusTxRoutine Tx = nullptr;
    TRequestStore* Store = nullptr;
    UnknownRequestFunctionType UnknownRequest; // the selected rule; empty: none answers
    OriglioCallback AddOriglioItem;             // may be empty
    UnknownRequestCallback AddUnknownRequest;   // may be empty
    EnginePause Pause;                          // the frame spacing; the idle waits without WaitFrame
    EnginePause WaitFrame;      // a pause over as soon as a received frame waits; empty: Pause
    bool FramesSignalled = false; // WaitFrame ends on a frame (the link has WaitRxFrame)
};

// Mode 3's replay flag is process-wide, as the bus units' state is.
bool ReplayPending();
void SetReplayPending(bool pending);

class RequestLoop {
public:
    // Creates the two work items with the store's limits; ReplayPending = 0.
    RequestLoop(const TStoreLimits& limits, RequestLoopLinks links);

    // One pass of the running state; another mode does nothing.
    void Pass(std::uint8_t mode);
    // Every start clears the cyclic answer of mode 2.
    void ResetCycle() { cyclicIndex_ = -1; }

    std::int32_t CyclicIndex() const { return cyclicIndex_; }
    const TTxInfo& TxInfo() const { return txInfo_; }

private:
    bool Receive(int maxCount);
    std::int32_t RequestLimit() const; // the longest request read, as the store's limits are now
    void PassMode1();
    void PassMode2();
    void PassMode3();
    // A store entry without answers: nothing to send, so the request is logged as not answered
    // (once), with what was found, and no request the tester sends goes unseen.
    void ReportNotAnswered();
    void SendStoreAnswers(bool replayed);
    // Step U. sendAnswers sends the rule's answers the way the mode wants.
    void HandleUnknown(const std::function<void()>& sendAnswers);
    void SendAutoAnswersMode1();
    void SendAutoAnswerMode2();
    void SendCyclic();
    void WaitSpacing();
    bool WaitForFrame(std::uint32_t ms);
    void AwaitNextMode2Pass();
    int SendSpaced(const std::uint8_t* bytes, int count);
    void Report(const std::string& request, const std::string& answer, int type, const std::string& info);
    int Transmit(const TAnswer& answer);

    TStoreLimits limits_;
    RequestLoopLinks links_;
    TBaseItem current_;
    TBaseItem cyclic_;
    std::int32_t cyclicIndex_ = -1;
    std::optional<std::uint64_t> lastSendTime_;
    std::uint8_t rxStatus_[RxStatusSize] = {RxStatusPreset, RxStatusPreset};
    TTxInfo txInfo_{};
    std::vector<char> buffer_;
    std::string text_; // the received (or replayed) request's wire text, cut to its count
    std::int32_t count_ = 0;
    std::string infoText_;
};
