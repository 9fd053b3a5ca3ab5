#include "HeadlessEngine.h"

#include "ControllerHooks.h"
#include "Exception.h"
#include "KRIXCommunicationThread.h"
#include "MessageSink.h"
#include "OperatorDialogs.h"
#include "SimulationController.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

namespace {
constexpr const char* ApplicationTitle = "Tarvico";
} // namespace

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

// What the window is to the controller: its boxes without an operator, no drawing, and the
// engine's callbacks as events (some of them on the engine's thread).
class HeadlessEngine::WindowSide final : public OperatorDialogs, public WindowHooks, public EngineEvents {
public:
    explicit WindowSide(HeadlessEngine& owner) : owner_(owner) {}

    // The text of the last message box; only the loading thread shows boxes.
    void ForgetMessages() { lastMessage_.clear(); }
    const std::string& LastMessage() const { return lastMessage_; }

    // Load calls LoadFile, so the controller never asks for a file; nor does anything here save.
    std::optional<std::string> OpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void ShowMessage(const std::string& text) override {
        lastMessage_ = text;
        owner_.Add({EngineEvent::Kind::Message, 0, "", "", 0, text});
    }
    // Notes and missing working-folder files: worth a line, but not one of the engine's messages.
    void Warning(const std::string& text) override { std::cerr << "warning: " << text << std::endl; }
    std::optional<std::string> InputBox(const std::string& title, const std::string&,
                                        const std::string& preset) override {
        std::cerr << "warning: " << title << ": taking " << preset << std::endl;
        return preset;
    }
    bool Confirm(const std::string&) override { return true; }

    void Pump() override {}
    void SetCaption(const std::string&) override {}
    void AddMessage(const std::string&) override {}
    void Focus(FocusTarget) override {}
    void OptionsLoaded(const SystemOptions&, std::int32_t) override {}

    void OnThreadStatus(std::int32_t status) override { owner_.Add({EngineEvent::Kind::Status, status, "", "", 0, ""}); }
    void AddOriglioItem(const std::string& request, const std::string& answer, int kind,
                        const std::string& info) override {
        owner_.Add({EngineEvent::Kind::Exchange, 0, request, answer, kind, info});
    }
    void AddUnknownRequest(const TBaseItem& item) override {
        owner_.Add({EngineEvent::Kind::UnknownRequest, 0, item.WireText, "", 0, item.PlainText});
    }
    std::optional<TStringList> GetUnknownAnswer(const std::string&) override { return std::nullopt; }

private:
    HeadlessEngine& owner_;
    std::string lastMessage_;
};

HeadlessEngine::HeadlessEngine(Listener listener)
    : listener_(std::move(listener)), reporter_(std::make_unique<Reporter>(*this)),
      side_(std::make_unique<WindowSide>(*this)) {}

HeadlessEngine::~HeadlessEngine() {
    controller_.reset(); // the window's way: terminate, wait, delete; the engine ends the link
    if (!settingsFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(settingsFolder_, ignored);
    }
    reporter_.reset();
}

TKRIXCommunicationThread* HeadlessEngine::Engine() { return controller_ ? controller_->Engine() : nullptr; }

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

namespace {
// A folder only this object writes to, for its ProgramSettings.ini.
std::string MakeSettingsFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarvico_headless.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw Exception("Cannot create a folder for ProgramSettings.ini: " + std::string(std::strerror(errno)));
    return pattern;
}
} // namespace

std::optional<std::string> HeadlessEngine::Load(const std::string& simulationFile, const std::string& programFolder,
                                                const std::string& comPort, std::chrono::milliseconds limit) {
    try {
        controller_.reset(); // the previous engine reads its own simulation file until it has ended
        if (settingsFolder_.empty())
            settingsFolder_ = MakeSettingsFolder();
        controller_ = std::make_unique<SimulationController>(programFolder, settingsFolder_, ApplicationTitle, *side_,
                                                             *side_, *side_);
        // The controller names this port to the engine as the last step of the load.
        controller_->Program().SetDefaultPort(comPort);
        side_->ForgetMessages();
        const std::size_t before = StatusCount();
        if (!controller_->LoadFile(simulationFile)) {
            std::string failure = side_->LastMessage();
            if (failure.rfind(LoadFailurePrefix, 0) == 0)
                failure.erase(0, std::strlen(LoadFailurePrefix));
            return failure.empty() ? std::string("the simulation was not loaded") : failure;
        }
        TKRIXCommunicationThread& e = *controller_->Engine();
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
    TKRIXCommunicationThread* engine = Engine();
    if (!engine)
        return false;
    const std::size_t before = StatusCount();
    if (!engine->Start())
        return false;
    return WaitForStatus(before, {SimulatorStatus::Running, SimulatorStatus::StartFailed}, limit) &&
           engine->Status() == SimulatorStatus::Running;
}

bool HeadlessEngine::Stop(std::chrono::milliseconds limit) {
    TKRIXCommunicationThread* engine = Engine();
    if (!engine)
        return false;
    const std::size_t before = StatusCount();
    if (!engine->Stop())
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
