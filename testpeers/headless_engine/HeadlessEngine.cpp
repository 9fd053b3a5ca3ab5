#include "HeadlessEngine.h"

#include "Exception.h"
#include "FrameStructureTable.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"
#include "MessageSink.h"
#include "SimulationEntries.h"

#include <algorithm>
#include <filesystem>
#include <thread>

// The engine's message boxes become events.
class HeadlessEngine::Reporter final : public MessageReporter {
public:
    explicit Reporter(HeadlessEngine& owner) : owner_(owner), previous_(SetMessageReporter(this)) {}
    ~Reporter() override { SetMessageReporter(previous_); }
    void Report(const std::string& text) override {
        EngineEvent e;
        e.kind = EngineEvent::Kind::Message;
        e.text = text;
        owner_.Add(std::move(e));
    }

private:
    HeadlessEngine& owner_;
    MessageReporter* previous_;
};

HeadlessEngine::HeadlessEngine(Listener listener)
    : listener_(std::move(listener)), reporter_(std::make_unique<Reporter>(*this)) {}

HeadlessEngine::~HeadlessEngine() {
    engine_.reset(); // the window's way: terminate, wait, delete; the engine ends the link
    reporter_.reset();
}

void HeadlessEngine::Add(EngineEvent event) {
    {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
    }
    changed_.notify_all();
    if (listener_)
        listener_(event);
}

std::vector<EngineEvent> HeadlessEngine::Events() const {
    std::lock_guard lock(mutex_);
    return events_;
}

std::size_t HeadlessEngine::Count(EngineEvent::Kind kind) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(events_.begin(), events_.end(), [&](const EngineEvent& e) { return e.kind == kind; }));
}

bool HeadlessEngine::WaitFor(EngineEvent::Kind kind, std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
        return static_cast<std::size_t>(std::count_if(events_.begin(), events_.end(),
                                                      [&](const EngineEvent& e) { return e.kind == kind; })) >= count;
    });
}

std::size_t HeadlessEngine::StatusCount() const { return Count(EngineEvent::Kind::Status); }

bool HeadlessEngine::WaitForStatus(std::size_t before, std::initializer_list<int> statuses,
                                   std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] {
        std::size_t seen = 0;
        for (const EngineEvent& e : events_) {
            if (e.kind != EngineEvent::Kind::Status)
                continue;
            if (seen++ >= before && std::find(statuses.begin(), statuses.end(), e.status) != statuses.end())
                return true;
        }
        return false;
    });
}

std::optional<std::string> HeadlessEngine::Load(const std::string& simulationFile, const std::string& programFolder,
                                                const std::string& comPort, std::chrono::milliseconds limit) {
    try {
        simulation_ = std::make_unique<TMemIniFile>(simulationFile);
        const TProtocolStructure protocol =
            BuildProtocolStructure(simulation_->ReadInteger("PROTOCOL", "PROTOCOL", 0));
        engine_ = std::make_unique<TKRIXCommunicationThread>(true, protocol, *simulation_, programFolder);
        TKRIXCommunicationThread& e = *engine_;
        ApplyLimits(e, MeasureSimulation(*simulation_));
        e.Resume();
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!e.StoresReady()) { // a window polls this flag too: there is no callback for it
            if (std::chrono::steady_clock::now() > end)
                return "the engine did not create its stores";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        RegisterSimulation(e, *simulation_);
        e.Resume();
        e.SetOnAddOriglioItem([this](const std::string& q, const std::string& a, int t, const std::string& i) {
            Add({EngineEvent::Kind::Exchange, 0, q, a, t, i});
        });
        e.SetOnAddUnknownRequest([this](const TBaseItem& item) {
            Add({EngineEvent::Kind::UnknownRequest, 0, item.WireText, "", 0, item.PlainText});
        });
        e.SetOnStatusChange([this](std::int32_t code) { Add({EngineEvent::Kind::Status, code, "", "", 0, ""}); });
        e.SetOnGetUnknownAnswer([](const std::string&) { return std::optional<TStringList>(); });
        e.Resume();
        const std::size_t before = StatusCount();
        e.SetComPort(comPort);
        if (!WaitForStatus(before, {SimulatorStatus::Ready, SimulatorStatus::InitFailed}, limit))
            return "the device initialisation did not end";
        if (e.Status() != SimulatorStatus::Ready)
            return "the device initialisation failed: " + e.GetErrorText() + " (" + std::to_string(e.LastError()) + ")";
        return std::nullopt;
    } catch (const std::exception& ex) {
        return ExceptionMessage(ex);
    }
}

bool HeadlessEngine::Start(std::chrono::milliseconds limit) {
    if (!engine_)
        return false;
    const std::size_t before = StatusCount();
    if (!engine_->Start())
        return false;
    return WaitForStatus(before, {SimulatorStatus::Running, SimulatorStatus::StartFailed}, limit) &&
           engine_->Status() == SimulatorStatus::Running;
}

bool HeadlessEngine::Stop(std::chrono::milliseconds limit) {
    if (!engine_)
        return false;
    const std::size_t before = StatusCount();
    if (!engine_->Stop())
        return false;
    return WaitForStatus(before, {SimulatorStatus::Ready}, limit);
}

namespace {
std::string StatusName(int status) {
    switch (status) {
    case SimulatorStatus::InitLink: return "initialising the device link";
    case SimulatorStatus::ReloadLink: return "reloading the device link";
    case SimulatorStatus::InitFailed: return "device initialisation failed";
    case SimulatorStatus::Ready: return "loaded";
    case SimulatorStatus::StartRequested: return "starting";
    case SimulatorStatus::StartFailed: return "start failed";
    case SimulatorStatus::StopRequested: return "stopping";
    case SimulatorStatus::StopFailed: return "stop failed";
    case SimulatorStatus::ResetRequested: return "resetting";
    case SimulatorStatus::Running: return "running";
    default: return "status " + std::to_string(status);
    }
}
} // namespace

std::string EventLine(const EngineEvent& e) {
    switch (e.kind) {
    case EngineEvent::Kind::Status: return "engine: " + StatusName(e.status);
    case EngineEvent::Kind::Exchange:
        return "engine: " + e.request + " -> " + (e.answer.empty() ? "(no answer)" : e.answer) +
               (e.text.empty() ? "" : "   [" + e.text + "]");
    case EngineEvent::Kind::UnknownRequest: return "engine: unknown request " + e.request;
    case EngineEvent::Kind::Message: return "engine: message: " + e.text;
    }
    return {};
}

std::string ExecutableFolder() {
    std::error_code e;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", e);
    return e ? std::string(".") : self.parent_path().string();
}
