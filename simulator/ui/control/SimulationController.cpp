#include "SimulationController.h"

#include "Clock.h"
#include "DeviceInit.h"
#include "EngineWait.h"
#include "Exception.h"
#include "FrameStructureTable.h"
#include "LoadingPass.h"
#include "SimulationKeys.h"
#include "SystemInfoPage.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

std::string MissingDefaultFileWarning(const std::string& name) {
    return "WARNING! " + std::string(WorkingFolderName) + "/" + name + " not found!";
}

std::string NoFrameStructureMessage(std::int32_t number) { return NoFrameStructureMessage(std::to_string(number)); }

std::string NoFrameStructureMessage(const std::string& number) {
    return "Protocol number " + number +
           " has no frame structure! The key PROTOCOL of section [PROTOCOL] must be a number from 1 to " +
           std::to_string(FrameStructureFilledRows) + ".";
}

namespace {

const char* const DefaultFolderFiles[] = {"SystemSettings.ini", "protocol.ini", "Frame_Structure.xls"};

class PassHost final : public LoadingHost {
public:
    PassHost(WindowHooks& window, OperatorDialogs& dialogs) : window_(window), dialogs_(dialogs) {}
    void Pump() override { window_.Pump(); }
    void ShowMessage(const std::string& text) override { dialogs_.ShowMessage(text); }

private:
    WindowHooks& window_;
    OperatorDialogs& dialogs_;
};

std::string FullName(const std::string& fileName) { return fs::absolute(fileName).lexically_normal().string(); }

} // namespace

class SimulationController::LoadingGuard {
public:
    explicit LoadingGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~LoadingGuard() { flag_ = false; }
    LoadingGuard(const LoadingGuard&) = delete;
    LoadingGuard& operator=(const LoadingGuard&) = delete;

private:
    bool& flag_;
};

SimulationController::SimulationController(std::string programFolder, std::string applicationTitle,
                                           OperatorDialogs& dialogs, WindowHooks& window, EngineEvents& events)
    : SimulationController(programFolder, programFolder, std::move(applicationTitle), dialogs, window, events) {}

SimulationController::SimulationController(std::string programFolder, const std::string& settingsFolder,
                                           std::string applicationTitle, OperatorDialogs& dialogs,
                                           WindowHooks& window, EngineEvents& events)
    : programFolder_(std::move(programFolder)), applicationTitle_(std::move(applicationTitle)), dialogs_(dialogs),
      window_(window), events_(events), program_(settingsFolder) {
    caption_ = applicationTitle_;
}

SimulationController::~SimulationController() { EndEngine(); }

// ---- the load ---------------------------------------------------------------------------------

void SimulationController::Load() {
    if (loading_) return;
    LoadingGuard guard(loading_);
    const std::optional<std::string> chosen = dialogs_.OpenFile({OpenDialogFilter, "", program_.LastOpen()});
    if (chosen) LoadGuarded(*chosen);
}

bool SimulationController::LoadFile(const std::string& fileName) {
    if (loading_) return false;
    LoadingGuard guard(loading_);
    return LoadGuarded(fileName);
}

bool SimulationController::LoadGuarded(const std::string& fileName) {
    try {
        RunLoad(fileName);
        return true;
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(LoadFailurePrefix + ExceptionMessage(e));
        EndEngine();
        simulation_.reset();
        return false;
    }
}

void SimulationController::RunLoad(const std::string& chosen) {
    const std::string fileName = FullName(chosen);

    // The working folder and its files.
    const fs::path folder = fs::path(fileName).parent_path();
    simulationFolder_ = folder.string() + "/";
    if (!fs::is_directory(folder / WorkingFolderName)) throw Exception(MissingWorkingFolder);
    for (const char* name : DefaultFolderFiles)
        if (!fs::exists(folder / WorkingFolderName / name)) dialogs_.Warning(MissingDefaultFileWarning(name));

    // The options of this folder.
    system_ = std::make_unique<SystemSettings>(simulationFolder_);
    options_ = system_->ReadOptions();
    multiAnswerNum_ = system_->MultiAnswerNum();
    window_.OptionsLoaded(options_, multiAnswerNum_);

    caption_ = applicationTitle_ + " - " + fileName;
    window_.SetCaption(caption_);
    window_.Focus(FocusTarget::TrafficLog);
    program_.SetLastOpen(fileName);

    // The previous engine reads its simulation file object until it has ended.
    EndEngine();
    simulation_.reset();
    simulation_ = std::make_unique<TMemIniFile>(fileName);
    TMemIniFile& simulation = *simulation_;

    // Table sizes.
    memoryInc_ = system_->MemoryInc();
    view_.ErrorTabs.clear();
    view_.SelectedErrorTab = -1;
    view_.ColumnChoice.assign(1, NoErrorsColumn);
    const std::string sizingFailure = AnalizeSimulIni(simulation, counts_, [this] { window_.Pump(); });
    if (!sizingFailure.empty()) dialogs_.ShowMessage(sizingFailure);
    limits_ = ScaleCounts(counts_, memoryInc_);
    limits_.MultiAnswerNum = std::max(system_->MultiAnswerNum(), limits_.MultiAnswerNum);
    CheckStoreRoom(limits_);

    ApplyProtocol(simulation);

    // The engine, suspended, with its limits and options before its thread first runs.
    engine_ = std::make_unique<TKRIXCommunicationThread>(true, protocol_, simulation, programFolder_ + "/");
    TKRIXCommunicationThread& engine = *engine_;
    CurrentClock().SleepMs(EngineCreatedWaitMs);
    window_.AddMessage(AllocatingMessage);
    engine.SIDPos = system_->SIDPos();
    ApplyLimits(limits_, engine);
    multiAnswerNum_ = limits_.MultiAnswerNum;
    engine.AutoAnswer = options_.AutoAnswer ? 1 : 0;
    engine.DefaultLength = options_.DefaultLength;

    ShowSimulatorInfo();

    // The thread creates the empty stores and waits; the simulation is registered meanwhile.
    engine.Resume();
    ShowProtocolLabels(simulation, info_);
    if (!WaitForStores([&] { return engine.StoresReady(); }, [&] { return engine.Finished(); }, CurrentClock(),
                       [this] { window_.Pump(); }))
        throw Exception(StoresNotReady);

    window_.AddMessage(LoadingDataMessage);
    RegistrarOf<TKRIXCommunicationThread> registrar(engine, observer_);
    PassHost host(window_, dialogs_);
    TPublishOnce publishOnce(engine.Store()); // the engine waits: one publication for the whole pass
    LoadData(simulation, registrar, host, view_);
    publishOnce.Publish();
    // From here on the operator's edits grow the tables when they need more room than the file gave.
    engine.Store().AllowGrowth(EditGrowth(simulation, memoryInc_, system_->MultiAnswerNum()));
    engine.Resume();
    window_.Focus(FocusTarget::RequestTree);

    InstallCallbacks();
    engine.Resume();
    engine.SetComPort(program_.DefaultPort());
}

void SimulationController::ApplyProtocol(const TCustomIniFile& simulation) {
    // A value that is no 32-bit number reads as 0; the operator is shown what the file holds.
    const std::int32_t number = simulation.ReadInteger(SimKeys::Protocol, SimKeys::ProtocolNumber, 0);
    const std::string written = simulation.ReadString(SimKeys::Protocol, SimKeys::ProtocolNumber, "");
    const bool readable = ReadIntegerValue(simulation, SimKeys::Protocol, SimKeys::ProtocolNumber).has_value();
    info_.Index = readable || written.empty() ? std::to_string(number) : written;
    info_.ProtocolDescription = "SIMUL";
    // Rows without a frame structure would fail on an empty cell; say what is wrong instead.
    if (number < 1 || number > FrameStructureFilledRows)
        throw Exception(NoFrameStructureMessage(written.empty() ? std::to_string(number) : written));
    protocol_ = BuildProtocolStructure(number);
}

void SimulationController::ShowSimulatorInfo() {
    TMemIniFile& simulation = *simulation_;
    info_.Maker = simulation.ReadString(SimKeys::Maker, SimKeys::Maker, "");
    info_.SystemNumber = std::to_string(engine_->Simulator_System());

    std::string setMux = simulation.ReadString(SimKeys::Protocol, SimKeys::SetMux, SetMuxMissing);
    if (setMux == SetMuxMissing) {
        setMux = dialogs_.InputBox(SetMuxMissingTitle, SetMuxPrompt, DefaultSetMux).value_or(DefaultSetMux);
        if (setMux.size() > SetMuxLength) setMux.resize(SetMuxLength);
        // A shorter code would reach the device as it is; the default goes in its place.
        if (setMux.size() < SetMuxLength) {
            dialogs_.Warning(InvalidSetMuxWarning);
            setMux = DefaultSetMux;
        }
        simulation.WriteString(SimKeys::Protocol, SimKeys::SetMux, setMux);
    }
    info_.SetMux = setMux;
    if (info_.SetMux.size() != SetMuxLength) {
        dialogs_.Warning(InvalidSetMuxWarning);
        info_.SetMux = DefaultSetMux;
    }

    info_.Notes.clear();
    const std::string notes = simulation.ReadString(SimKeys::Protocol, SimKeys::Notes, "");
    if (!notes.empty()) {
        dialogs_.Warning(notes);
        info_.Notes = notes;
    }
}

void SimulationController::InstallCallbacks() {
    EngineEvents& events = events_;
    engine_->SetOnAddOriglioItem([&events](const std::string& request, const std::string& answer, int kind,
                                           const std::string& info) {
        events.AddOriglioItem(request, answer, kind, info);
    });
    engine_->SetOnAddUnknownRequest([&events](const TBaseItem& item) { events.AddUnknownRequest(item); });
    engine_->SetOnStatusChange([&events](std::int32_t status) { events.OnThreadStatus(status); });
    engine_->SetOnGetUnknownAnswer([&events](const std::string& request) { return events.GetUnknownAnswer(request); });
}

void SimulationController::EndEngine() {
    if (!engine_) return;
    // Terminate wakes a thread that waits in its suspension, and one never started never starts;
    // so no resume is needed first (it would start a thread that was never started).
    engine_->Terminate();
    engine_->WaitFor();
    engine_.reset();
}

// ---- the other commands -------------------------------------------------------------------------

void SimulationController::ReloadSystem() {
    if (loading_ || !engine_) return;
    engine_->SetStatus(SimulatorStatus::ReloadLink);
}

bool SimulationController::Save() {
    if (!simulation_) return false;
    try {
        simulation_->UpdateFile();
        return true;
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(ExceptionMessage(e));
        return false;
    }
}

bool SimulationController::SaveAs() {
    if (loading_ || !simulation_) return false;
    const std::optional<std::string> chosen = dialogs_.SaveFile({SaveAsDialogFilter, SaveAsDefaultExtension, ""});
    if (!chosen) return false;
    const std::string previous = simulation_->FileName();
    try {
        program_.SetLastSave(*chosen);
        simulation_->SetFileName(*chosen);
        simulation_->UpdateFile();
        return true;
    } catch (const std::exception& e) {
        simulation_->SetFileName(previous);
        dialogs_.ShowMessage(ExceptionMessage(e));
        return false;
    }
}

void SimulationController::Reset() {
    if (loading_ || !engine_) return;
    engine_->Reset();
    CurrentClock().SleepMs(ResetWaitMs);
    EndEngine();
}

void SimulationController::SetOptions(const SystemOptions& options) {
    options_ = ClampOptions(options);
    if (!engine_) return;
    engine_->AutoAnswer = options_.AutoAnswer ? 1 : 0;
    engine_->DefaultLength = options_.DefaultLength;
}

// ---- closing ------------------------------------------------------------------------------------

bool SimulationController::CloseQuery() {
    if (loading_) return false;
    return dialogs_.Confirm("Are you sure you want to exit " + applicationTitle_ + "?");
}

void SimulationController::Close() {
    if (loading_) return;
    if (system_) {
        try {
            system_->WriteOptions(options_);
        } catch (const std::exception& e) {
            // The close goes on: the engine must still be ended.
            dialogs_.ShowMessage(ExceptionMessage(e));
        }
    }
    Release();
}

bool SimulationController::Exit() {
    if (!CloseQuery()) return false;
    // Ends the program without writing the options; the engine is still ended and joined, so
    // no thread of it outlives the window.
    Release();
    return true;
}

void SimulationController::Release() {
    EndEngine();
    simulation_.reset();
    system_.reset();
}
