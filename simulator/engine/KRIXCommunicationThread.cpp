#include "KRIXCommunicationThread.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <typeinfo>

#include "BusLink.h"
#include "Exception.h"
#include "IniFile.h"
#include "MessageSink.h"
#include "ProtocolSelection.h"

namespace {

constexpr const char* ProtocolTableName = "Default_file/protocol.ini";
constexpr const char* DataFolderName = "Default_file/";

// Rows indexed by the negated error code of the device link.
TStringList DeviceErrorRows() {
    TStringList rows(16);
    rows[1] = "Open COM";
    rows[2] = "Generic error";
    rows[3] = "Compact flash KRIX not ready";
    rows[4] = "File system error on compact flash KRIX";
    rows[5] = "KRIX error";
    rows[8] = "Master BlueTooth not responding";
    rows[9] = "Slave BlueTooth not responding";
    rows[10] = "Master BlueTooth not connected";
    rows[14] = "Incorrect step (sequence command NOT OK)";
    return rows;
}

std::string FolderOf(const std::string& fileName) {
    const std::string parent = std::filesystem::path(fileName).parent_path().string();
    return parent.empty() ? std::string() : parent + "/";
}

std::uint32_t ReadHexKey(const TCustomIniFile& ini, const char* key) {
    std::string text = ini.ReadString("PROTOCOL", key, "00");
    if (text.size() > FmtTextRoom) text.resize(FmtTextRoom);
    return ParseHexValue(text);
}

} // namespace

TKRIXCommunicationThread::TKRIXCommunicationThread(bool createSuspended,
                                                   const TProtocolStructure& protocol,
                                                   TCustomIniFile& simulation,
                                                   std::string programFolder)
    // Always created suspended: the thread must not run before this object is complete.
    : TThread(true, EngineThreadName), protocol_(protocol), simulation_(simulation),
      programFolder_(std::move(programFolder)), simulationFolder_(FolderOf(simulation.FileName())),
      random_(std::random_device{}()) {
    const std::string tablePath = simulationFolder_ + ProtocolTableName;
    if (!std::filesystem::is_regular_file(tablePath))
        throw Exception("Cannot find file " + tablePath + "!");
    protocolTable_ = std::make_unique<TIniFile>(tablePath);

    codec_.Protocol = protocol_;
    codec_.Fmt_Tx = ReadHexKey(simulation_, "Fmt_Tx");
    codec_.Tgt = ReadHexKey(simulation_, "Tgt");
    codec_.Src = ReadHexKey(simulation_, "Src");
    codec_.Len_Header_Rx = simulation_.ReadInteger("PROTOCOL", "Len_Header_Rx", 0);
    codec_.Len_Header_Tx = simulation_.ReadInteger("PROTOCOL", "Len_Header_Tx", 0);
    codec_.MaxAnsLen = MaxAnsLen;

    deviceErrorTexts_ = DeviceErrorRows();

    link_ = LoadKrixInterface(linkLibrary_, programFolder_);
    codec_.ChecksumFunction = LoadChecksum(checksumLibrary_, programFolder_, protocol_.RxStructure.ChsFunction);
    // The checksum library stays loaded for the life of the process: the codec may still hold
    // its routine while the next engine is built.
    checksumLibrary_.Keep();

    const std::string section =
        ProtocolSectionName(simulation_.ReadString("PROTOCOL", "PROTOCOL", ""));
    selection_ = SelectProtocol([&](const char* key, std::int32_t def) {
        return protocolTable_->ReadInteger(section, key, def);
    });
    unknownRule_ = UnknownRuleFor(selection_.UnknownRule);
    rxAnswerFunction_ = RxRoutineFor(selection_.RxSelector);
    txComposerFunction_ = TxRoutineFor(selection_.TxSelector);
    if (!unknownRule_ || !rxAnswerFunction_ || !txComposerFunction_)
        throw Exception("Not supported protocol!");

    SelectCodec(&codec_, selection_.PackPair);
    BindBusFrames(link_.TxFrame, link_.RxFrame);
    BindBusWait(link_.WaitRxFrame);

    if (!createSuspended) Resume();
}

TKRIXCommunicationThread::~TKRIXCommunicationThread() {
    StopAndJoin();
    EndLink();
    ClearCodec(&codec_);
}

void TKRIXCommunicationThread::EndLink() {
    if (!linkLibrary_.IsOpen()) return;
    // A newer engine may have bound its own frames; only ours are taken away.
    if (BoundTxFrame() == link_.TxFrame) {
        BindBusFrames(nullptr, nullptr);
        BindBusWait(nullptr);
    }
    link_ = KrixLinkFunctions{};
    linkLibrary_.Close();
}

TStoreLimits TKRIXCommunicationThread::Limits() const {
    TStoreLimits l;
    l.MaxReqLen = MaxReqLen;
    l.MaxAnsLen = MaxAnsLen;
    l.MaxDescrLen = MaxDescrLen;
    l.MultiAnswerNum = MultiAnswerNum;
    l.MaxReqCount = MaxReqCount;
    l.ActMaxCount = ActMaxCount;
    l.ActAnsMaxCount = ActAnsMaxCount;
    return l;
}

// ---- commands -------------------------------------------------------------------------------

bool TKRIXCommunicationThread::SetComPort(const std::string& port) {
    if (port.size() > 3 && port.compare(0, 3, "COM") == 0) {
        const char* digits = port.c_str() + 3;
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(digits, &end, 10);
        if (end != digits && errno == 0 && n >= INT32_MIN && n <= INT32_MAX)
            comPort_.store(static_cast<std::int32_t>(n));
    }
    SetStatus(SimulatorStatus::InitLink);
    return true;
}

bool TKRIXCommunicationThread::Start() {
    return EnterResult(SimulatorStatus::Ready, SimulatorStatus::StartRequested);
}

bool TKRIXCommunicationThread::Stop() {
    return EnterResult(SimulatorStatus::Running, SimulatorStatus::StopRequested);
}

bool TKRIXCommunicationThread::Reset() {
    SetStatus(SimulatorStatus::ResetRequested);
    return true;
}

// A change and its event go together under one lock: otherwise the window's Stop could slip in
// between the engine's "running" and its event, and the window would see 7 before 11 and end on a
// status line that no longer holds. The callbacks only queue, so holding the lock through them is safe.
void TKRIXCommunicationThread::SetStatus(std::uint8_t code) {
    std::lock_guard lock(statusChange_);
    status_.store(code);
    FireStatus(code);
}

bool TKRIXCommunicationThread::EnterResult(std::uint8_t expected, std::uint8_t code) {
    std::lock_guard lock(statusChange_);
    if (!status_.compare_exchange_strong(expected, code)) return false;
    FireStatus(code);
    return true;
}

std::string TKRIXCommunicationThread::GetErrorText() const {
    const std::int32_t e = lastError_.load();
    if (e >= -15 && e <= -1) {
        const std::string& row = deviceErrorTexts_[static_cast<std::size_t>(-e)];
        return row.empty() ? "Unknown error: " + std::to_string(e) : row;
    }
    return "Generic error!";
}

// ---- callbacks ------------------------------------------------------------------------------

void TKRIXCommunicationThread::SetOnStatusChange(StatusChangeCallback callback) {
    Install(onStatusChange_, std::move(callback));
}
void TKRIXCommunicationThread::SetOnAddOriglioItem(AddOriglioItemCallback callback) {
    Install(onAddOriglioItem_, std::move(callback));
}
void TKRIXCommunicationThread::SetOnAddUnknownRequest(AddUnknownRequestCallback callback) {
    Install(onAddUnknownRequest_, std::move(callback));
}
void TKRIXCommunicationThread::SetOnGetUnknownAnswer(GetUnknownAnswerCallback callback) {
    Install(onGetUnknownAnswer_, std::move(callback));
}

void TKRIXCommunicationThread::FireStatus(std::int32_t code) {
    if (auto cb = Snapshot(onStatusChange_)) cb(code);
}

void TKRIXCommunicationThread::FireOriglio(const std::string& request, const std::string& answer,
                                           int type, const std::string& info) {
    if (auto cb = Snapshot(onAddOriglioItem_)) cb(request, answer, type, info);
}

void TKRIXCommunicationThread::FireUnknownRequest(const TBaseItem& item) {
    if (auto cb = Snapshot(onAddUnknownRequest_)) cb(item);
}

std::optional<TStringList> TKRIXCommunicationThread::FireGetUnknownAnswer(const std::string& request) {
    if (auto cb = Snapshot(onGetUnknownAnswer_)) return cb(request);
    return std::nullopt;
}

// ---- store operations -----------------------------------------------------------------------

bool TKRIXCommunicationThread::AddRequest(const std::string& request, const TStringList& answers,
                                          const std::string& description,
                                          std::int32_t activationIndex, std::uint8_t type) {
    return store_.AddRequest(request, answers, description, activationIndex, type);
}

bool TKRIXCommunicationThread::AddActivations(const std::string& name, const std::string& request,
                                              const TStringList& answers,
                                              const std::string& description) {
    return store_.AddActivations(name, request, answers, description);
}

bool TKRIXCommunicationThread::UpdateRequest(const std::string& request, const TStringList* answers,
                                             const std::string& description) {
    return store_.UpdateRequest(request, answers, description);
}

bool TKRIXCommunicationThread::DeleteActivation(const std::string& name) {
    return store_.DeleteActivation(name);
}

void TKRIXCommunicationThread::UpdateStructure() { store_.UpdateStructure(); }

TAnsReqItem* TKRIXCommunicationThread::RequestIndex(const std::string& wireText, int selector) {
    return store_.RequestIndex(wireText, selector);
}

bool TKRIXCommunicationThread::GetAnswerInto(const std::string& received, TBaseItem& into,
                                             std::string* infoText) {
    return store_.GetAnswerInto(received, into, infoText);
}

std::unique_ptr<TBaseItem> TKRIXCommunicationThread::UnknownRequestFunction(std::int32_t* length,
                                                                            const std::string& wireText) {
    ruleContext_.AutoAnswer = AutoAnswer.load() != 0;
    ruleContext_.DefaultLength = DefaultLength.load();
    return unknownRule_(ruleContext_, length, wireText);
}

// ---- the thread -----------------------------------------------------------------------------

bool TKRIXCommunicationThread::Pause(std::uint32_t ms) { return SleepOrTerminated(ms); }

bool TKRIXCommunicationThread::WaitForFrame(std::uint32_t ms) {
    Clock& clock = CurrentClock();
    return AwaitBusFrame(ms, link_.WaitRxFrame, clock, IsRealClock(clock),
                         [this](std::uint32_t rest) { return Pause(rest); });
}

void TKRIXCommunicationThread::StartUp() {
    SetName(EngineThreadName);
    // A unit in the middle of a transfer waits seconds for the tester; an ending engine cannot.
    SetBusStopCheck([this] { return Terminated(); });
    status_.store(SimulatorStatus::Idle); // without an event
    const TStoreLimits limits = Limits();
    codec_.MaxAnsLen = MaxAnsLen;
    store_.CreateStructures(limits);

    ruleContext_.SIDPos = SIDPos;
    ruleContext_.Limits = limits;
    ruleContext_.GetUnknownAnswer = [this](const std::string& r) { return FireGetUnknownAnswer(r); };
    ruleContext_.GetAnswerCopy = [this](const std::string& w, TBaseItem& out) {
        return store_.GetAnswerInto(w, out);
    };
    ruleContext_.Random = [this] { return static_cast<std::uint8_t>(random_() & 0xFF); };

    RequestLoopLinks links;
    links.Rx = rxAnswerFunction_;
    links.Tx = txComposerFunction_;
    links.Store = &store_;
    links.UnknownRequest = [this](std::int32_t* length, const std::string& text) {
        return UnknownRequestFunction(length, text);
    };
    links.AddOriglioItem = [this](const std::string& q, const std::string& a, int t, const std::string& i) {
        FireOriglio(q, a, t, i);
    };
    links.AddUnknownRequest = [this](const TBaseItem& item) { FireUnknownRequest(item); };
    links.Pause = [this](std::uint32_t ms) { return Pause(ms); };
    links.WaitFrame = [this](std::uint32_t ms) { return WaitForFrame(ms); };
    links.FramesSignalled = link_.WaitRxFrame != nullptr;
    loop_ = std::make_unique<RequestLoop>(limits, std::move(links));
}

void TKRIXCommunicationThread::Execute() {
    try {
        StartUp();
    } catch (const std::exception& e) {
        ShowMessage("KRIXCommunication Thread >> Execute >> " + ExceptionMessage(e));
        EndLink();
        return;
    }
    storesReady_.store(true);
    Suspend(); // the window registers the simulation meanwhile and resumes us

    while (!Terminated()) {
        std::this_thread::yield();
        try {
            RunPass();
        } catch (const Exception& e) {
            ReportFailedPass(e.Message(), e.Type(), e.Line(), e.File());
        } catch (const std::exception& e) {
            ReportFailedPass(e.what(), typeid(e).name(), 0, "");
        }
    }

    if (link_.DeleteThreadKrix) link_.DeleteThreadKrix();
    EndLink();
    loop_.reset();
}

void TKRIXCommunicationThread::ReportFailedPass(const std::string& message, const std::string& type,
                                                int line, const std::string& file) {
    ShowMessage("KRIXCommunication Thread >> Execute >> " + message + "\n\n" + "An exception of type " +
                type + "\nwas thrown by line " + std::to_string(line) + "\nof file " + file);
    if (++failedPasses_ > MaxFailedPasses) {
        ShowMessage("KRIXCommunication Thread >> Execute >> More than " + std::to_string(MaxFailedPasses) +
                    " errors: the simulation engine has stopped. Load the simulation again to restart it.");
        Terminate();
    }
}

void TKRIXCommunicationThread::RunPass() {
    const std::uint8_t status = status_.load();
    switch (status) {
    case SimulatorStatus::Idle:
    case SimulatorStatus::Ready:
        Pause(IdlePassMs);
        break;
    case SimulatorStatus::InitLink:
        InitLink(status);
        break;
    case SimulatorStatus::ReloadLink:
        link_.DeleteThreadKrix();
        InitLink(status);
        break;
    case SimulatorStatus::StartRequested:
        StartEcu();
        break;
    case SimulatorStatus::StopRequested:
        StopEcu();
        break;
    case SimulatorStatus::ResetRequested: {
        link_.ResetKrix();
        std::uint8_t expected = SimulatorStatus::ResetRequested;
        status_.compare_exchange_strong(expected, SimulatorStatus::Idle); // without an event
        break;
    }
    case SimulatorStatus::Running:
        loop_->Pass(selection_.Mode);
        break;
    default:
        Pause(FailedStatePassMs); // the failed states wait for the operator
        break;
    }
}

void TKRIXCommunicationThread::InitLink(std::uint8_t from) {
    bool ok = link_.CreateThreadKrix(comPort_.load(), 0);
    if (ok) {
        DeviceInitInput input;
        input.Simulation = &simulation_;
        input.SimulatorSystem = selection_.SimulatorSystem;
        input.DataFolder = simulationFolder_ + DataFolderName;
        input.Tgt = codec_.Tgt;
        input.Src = codec_.Src;
        ok = InitDevice(link_, input, device_, [this](std::uint32_t ms) { return Pause(ms); });
        lastError_.store(device_.LastError);
    }
    if (Terminated()) return; // ending: no result to report
    EnterResult(from, ok ? SimulatorStatus::Ready : SimulatorStatus::InitFailed);
}

std::int32_t TKRIXCommunicationThread::PollTransparent() {
    std::int32_t s;
    do {
        if (!Pause(StartStopPollMs)) return TransparentPending;
        s = link_.StatusTransparent();
    } while (s == TransparentPending);
    return link_.StatusTransparent();
}

void TKRIXCommunicationThread::StartEcu() {
    loop_->ResetCycle();
    if (!link_.StartStop_Ecu(1)) {
        EnterResult(SimulatorStatus::StartRequested, SimulatorStatus::StartFailed);
        return;
    }
    const std::int32_t s = PollTransparent();
    if (Terminated()) return;
    EnterResult(SimulatorStatus::StartRequested,
                s == TransparentAccepted ? SimulatorStatus::Running : SimulatorStatus::StartFailed);
}

void TKRIXCommunicationThread::StopEcu() {
    bool failed = !link_.StartStop_Ecu(0);
    if (!failed) {
        const std::int32_t s = PollTransparent();
        if (Terminated()) return;
        failed = s != TransparentAccepted;
    }
    std::uint8_t now = SimulatorStatus::StopRequested;
    if (failed) {
        EnterResult(SimulatorStatus::StopRequested, SimulatorStatus::StopFailed);
        now = SimulatorStatus::StopFailed;
    }
    EnterResult(now, SimulatorStatus::Ready);
}
