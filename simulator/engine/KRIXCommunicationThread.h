#pragma once
// TKRIXCommunicationThread: the simulation engine. One worker thread per loaded simulation that
// owns the request store, selects the simulation's bus routines from Default_file/protocol.ini,
// binds libkrix_interface.so and libChecksum.so from the program's folder, initialises the KRIX
// device and runs a polling state machine on one status byte, whose running state is the request
// and answer loop.
//
// Threads. The window's thread constructs the engine, writes its limits and options, gives the
// commands and edits the store; the engine's thread runs Execute. Status, ComPort, LastError,
// StoresReady and the options the window may change at any time (AutoAnswer, DefaultLength) are
// atomic; the callbacks are installed under a lock. The limits and SIDPos are written before the
// thread first runs and only read afterwards.
//
// OnStatusChange runs on the thread that changes the status: the window's for 1, 2, 5, 7 and 9
// (its commands), the engine's for 3, 4, 6, 8 and 11 (their results). A result is entered only
// while the status is still the one the engine worked on, so a command the window gives
// meanwhile (a Reset during the initialisation, say) is not overwritten.
//
// The frame codec's selection (PackFunction/UnPackFunction), the bound TxFrame/RxFrame (and
// WaitRxFrame) and the CAN identifiers are process-wide: one engine exists at a time.
//
// Waiting. Every wait of the engine's thread ends on a stop request: the pauses sleep on the
// thread's condition variable, and a wait for the next frame sleeps in the link's WaitRxFrame
// in slices of at most BusWaitSliceMs. With a link library that lacks WaitRxFrame the waits for
// a frame are plain pauses of the same length.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "BusUnit.h"
#include "DeviceInit.h"
#include "DynamicLibrary.h"
#include "EngineProtocolSelection.h"
#include "FrameCodec.h"
#include "LibraryBinding.h"
#include "ProtocolStructure.h"
#include "RequestLoop.h"
#include "StoreOperations.h"
#include "StringList.h"
#include "UDStructures.h"
#include "UnknownRequest.h"
#include "WorkerThread.h"

class TCustomIniFile;
class TIniFile;

// The engine's status codes.
namespace SimulatorStatus {
inline constexpr std::uint8_t Idle = 0;
inline constexpr std::uint8_t InitLink = 1;
inline constexpr std::uint8_t ReloadLink = 2;
inline constexpr std::uint8_t InitFailed = 3;
inline constexpr std::uint8_t Ready = 4;
inline constexpr std::uint8_t StartRequested = 5;
inline constexpr std::uint8_t StartFailed = 6;
inline constexpr std::uint8_t StopRequested = 7;
inline constexpr std::uint8_t StopFailed = 8;
inline constexpr std::uint8_t ResetRequested = 9;
inline constexpr std::uint8_t Running = 11;
} // namespace SimulatorStatus

inline constexpr const char* EngineThreadName = "KRIX Communication";
inline constexpr std::uint32_t IdlePassMs = 250;        // statuses 0 and 4
// Statuses 3, 6 and 8 wait for the operator as the idle states do: on the thread's condition
// variable, which a stop request wakes.
inline constexpr std::uint32_t FailedStatePassMs = IdlePassMs;
inline constexpr std::uint32_t StartStopPollMs = 300;
inline constexpr int MaxFailedPasses = 5;               // one more ends the thread
inline constexpr std::size_t FmtTextRoom = 9;           // characters of Fmt_Tx, Tgt and Src read

class TKRIXCommunicationThread : public TThread {
public:
    using StatusChangeCallback = std::function<void(std::int32_t status)>;
    using AddOriglioItemCallback = OriglioCallback;
    using AddUnknownRequestCallback = UnknownRequestCallback; // the item is lent for the call
    // The answers the window's list holds for a request, or nullopt when it is not listed.
    using GetUnknownAnswerCallback = std::function<std::optional<TStringList>(const std::string& request)>;

    // Raises (and no engine exists) when protocol.ini is missing ("Cannot find file <path>!"), a
    // library or a link function is missing, or protocol.ini names an unsupported routine.
    TKRIXCommunicationThread(bool createSuspended, const TProtocolStructure& protocol,
                             TCustomIniFile& simulation, std::string programFolder);
    ~TKRIXCommunicationThread() override;

    // ---- limits and options (the window writes them before the thread first runs) ----
    std::int32_t MaxReqLen = 20;
    std::int32_t MaxAnsLen = 50;
    std::int32_t MaxDescrLen = 50;
    std::int32_t ActAnsMaxCount = 30;
    std::int32_t ActMaxCount = 15;
    std::int32_t MaxReqCount = 80;
    std::int32_t MultiAnswerNum = 8;
    std::int32_t SIDPos = 0;
    std::atomic<std::uint8_t> AutoAnswer{0};     // may change at any time
    std::atomic<std::int32_t> DefaultLength{0};  // may change at any time

    // ---- what the window reads ----
    std::int32_t Simulator_System() const { return selection_.SimulatorSystem; }
    std::uint8_t Mode() const { return selection_.Mode; }
    bool StoresReady() const { return storesReady_.load(); }
    std::uint8_t Status() const { return status_.load(); }
    std::int32_t ComPort() const { return comPort_.load(); }
    std::int32_t LastError() const { return lastError_.load(); }

    // ---- commands (the window's thread) ----
    // "COM<n>": ComPort = n (another form keeps it), then SetStatus(1). Always true.
    bool SetComPort(const std::string& port);
    bool Start(); // status 4 only: SetStatus(5)
    bool Stop();  // status 11 only: SetStatus(7)
    bool Reset(); // SetStatus(9)
    void SetStatus(std::uint8_t code);
    std::string GetErrorText() const;

    // ---- callbacks ----
    // The status callback runs while the change it reports is held, so that events arrive in the
    // order of the changes: it only records or queues, and never calls a command of this engine
    // nor waits for a thread that may.
    void SetOnStatusChange(StatusChangeCallback callback);
    void SetOnAddOriglioItem(AddOriglioItemCallback callback);
    void SetOnAddUnknownRequest(AddUnknownRequestCallback callback);
    void SetOnGetUnknownAnswer(GetUnknownAnswerCallback callback);

    // ---- store operations, forwarded to the store ----
    bool AddRequest(const std::string& request, const TStringList& answers,
                    const std::string& description, std::int32_t activationIndex, std::uint8_t type);
    bool AddActivations(const std::string& name, const std::string& request,
                        const TStringList& answers, const std::string& description);
    bool UpdateRequest(const std::string& request, const TStringList* answers,
                       const std::string& description);
    bool DeleteActivation(const std::string& name);
    void UpdateStructure();
    TAnsReqItem* RequestIndex(const std::string& wireText, int selector);
    bool GetAnswerInto(const std::string& received, TBaseItem& into, std::string* infoText = nullptr);
    TRequestStore& Store() { return store_; }
    std::string InfoText() const { return store_.InfoText(); }

    // ---- what construction selected ----
    const TCodecContext& Codec() const { return codec_; }
    const ProtocolChoice& Selection() const { return selection_; }
    BusRxRoutine RxAnswerFunction() const { return rxAnswerFunction_; }
    BusTxRoutine TxComposerFunction() const { return txComposerFunction_; }
    ChecksumRoutine ChecksumFunction() const { return codec_.ChecksumFunction; }
    // The selected unknown-request rule, called by the loop on the engine's thread.
    std::unique_ptr<TBaseItem> UnknownRequestFunction(std::int32_t* length, const std::string& wireText);

protected:
    void Execute() override;

private:
    TStoreLimits Limits() const;
    void StartUp();
    void RunPass();
    void ReportFailedPass(const std::string& message, const std::string& type, int line,
                          const std::string& file);
    void InitLink(std::uint8_t from);
    void StartEcu();
    void StopEcu();
    std::int32_t PollTransparent();
    // Moves the status from expected to code and fires OnStatusChange, under the status lock;
    // false (nothing changed) when the status was no longer expected.
    bool EnterResult(std::uint8_t expected, std::uint8_t code); // true when the change was made
    bool Pause(std::uint32_t ms);
    // A pause that is over as soon as the link has a received frame waiting (WaitRxFrame, when
    // the link library has it); false when the engine is asked to end.
    bool WaitForFrame(std::uint32_t ms);
    void FireStatus(std::int32_t code);
    void FireOriglio(const std::string& request, const std::string& answer, int type, const std::string& info);
    void FireUnknownRequest(const TBaseItem& item);
    std::optional<TStringList> FireGetUnknownAnswer(const std::string& request);
    void EndLink();
    // Each callback is copied under the lock and called outside it, so a callback may call back
    // into the engine (GetErrorText from a status change, say) without deadlock.
    template <typename F> void Install(F& slot, F callback) {
        std::lock_guard lock(callbackMutex_);
        slot = std::move(callback);
    }
    template <typename F> F Snapshot(const F& slot) const {
        std::lock_guard lock(callbackMutex_);
        return slot;
    }

    // construction inputs
    TProtocolStructure protocol_;
    TCustomIniFile& simulation_;
    std::string programFolder_;
    std::string simulationFolder_; // with its trailing '/', or empty
    std::unique_ptr<TIniFile> protocolTable_;

    // selection
    TCodecContext codec_;
    ProtocolChoice selection_;
    BusRxRoutine rxAnswerFunction_ = nullptr;
    BusTxRoutine txComposerFunction_ = nullptr;
    UnknownRule unknownRule_ = nullptr;

    // libraries
    DynamicLibrary linkLibrary_;
    DynamicLibrary checksumLibrary_;
    KrixLinkFunctions link_;

    // state
    std::atomic<std::uint8_t> status_{SimulatorStatus::Idle};
    std::mutex statusChange_; // orders each change of status_ with its event
    std::atomic<std::int32_t> comPort_{0};
    std::atomic<std::int32_t> lastError_{0};
    std::atomic<bool> storesReady_{false};
    TStringList deviceErrorTexts_;
    DeviceLinkState device_;
    TRequestStore store_;
    std::unique_ptr<RequestLoop> loop_;
    UnknownRuleContext ruleContext_;
    std::mt19937 random_;
    int failedPasses_ = 0;

    mutable std::mutex callbackMutex_;
    StatusChangeCallback onStatusChange_;
    AddOriglioItemCallback onAddOriglioItem_;
    AddUnknownRequestCallback onAddUnknownRequest_;
    GetUnknownAnswerCallback onGetUnknownAnswer_;
};
