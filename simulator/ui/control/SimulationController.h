#pragma once
// The main window's logic for the simulation as a whole, without a widget: the load of a
// simulation file and the hand-over to a new engine, "Reload system", "Save", "Save as...", the
// Reset command's end of the engine, and the close with its file writes. The window draws what
// this object holds (View(), Info(), Options(), Caption()) and forwards its commands; every
// message box, question and file dialog goes through OperatorDialogs.
//
// Ownership: the controller owns the program settings, the system settings of the simulation
// loaded last, the simulation file object and the engine. The engine refers to the simulation
// file object, so the engine is always ended before that object is replaced or freed; after a
// failed load neither exists. The views are plain copies and stay valid whatever happens to
// either.
//
// Threads: every method runs on the window's thread. The engine's callbacks reach the
// EngineEvents object, some of them on the engine's thread. During a load the window's messages
// are pumped (WindowHooks::Pump); while a load is in progress (Busy()) the commands that would
// replace or free the engine or the simulation file are refused.
#include "ControllerHooks.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"
#include "LoadingPass.h"
#include "OperatorDialogs.h"
#include "ProgramSettings.h"
#include "ProtocolStructure.h"
#include "SimulationView.h"
#include "SizingPass.h"
#include "SystemSettings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

inline constexpr const char* LoadFailurePrefix = "Load ini function error!\n";
inline constexpr const char* MissingWorkingFolder = "Invaid working dir! Cannot find folder: Default_file!";
inline constexpr const char* WorkingFolderName = "Default_file";
inline constexpr const char* StoresNotReady = "The simulation engine stopped before its stores were ready!";
inline constexpr const char* AllocatingMessage = "Allocating memory space...";
inline constexpr const char* LoadingDataMessage = "Loading data...";
inline constexpr const char* OpenDialogFilter = "INI files (*.ini)|*.ini";
inline constexpr const char* SaveAsDialogFilter = "INI Files (*.ini)|*.ini";
inline constexpr const char* SaveAsDefaultExtension = ".ini";
inline constexpr std::uint32_t EngineCreatedWaitMs = 250;
inline constexpr std::uint32_t ResetWaitMs = 250;

// "WARNING! Default_file/<name> not found!"
std::string MissingDefaultFileWarning(const std::string& name);
// The text of the failure of a protocol number that has no frame-structure row; the number as
// the file writes it.
std::string NoFrameStructureMessage(std::int32_t number);
std::string NoFrameStructureMessage(const std::string& number);


class SimulationController {
public:
    // Opens ProgramSettings.ini in the program folder (where the link libraries are loaded from
    // too). The application title begins the window caption. The three interfaces must outlive
    // the controller.
    SimulationController(std::string programFolder, std::string applicationTitle, OperatorDialogs& dialogs,
                         WindowHooks& window, EngineEvents& events);
    // The same with ProgramSettings.ini in settingsFolder instead, for a caller without the window
    // that names the KRIX port itself (Program().SetDefaultPort before the load): the window's
    // settings beside the program (its port, its last file) stay as they are. The link libraries
    // still come from the program folder.
    SimulationController(std::string programFolder, const std::string& settingsFolder, std::string applicationTitle,
                         OperatorDialogs& dialogs, WindowHooks& window, EngineEvents& events);
    // Ends the engine and frees everything; writes nothing (Close writes).
    ~SimulationController();
    SimulationController(const SimulationController&) = delete;
    SimulationController& operator=(const SimulationController&) = delete;

    // ---- the "&Data" menu ----
    // "Load...": the open dialog preset with the last file opened; Cancel changes nothing.
    void Load();
    // The load of a chosen file. False when it failed ("Load ini function error!\n" + message has
    // been shown, and no engine and no simulation file object are left) or a load is in progress.
    // The passes report their own failures and the load goes on after them.
    bool LoadFile(const std::string& fileName);
    // "Reload system": with an engine, ends the device link and initialises it again.
    void ReloadSystem();
    // "Save": with a simulation file object, writes it to its file (a new file renamed over the
    // old, so a failure leaves the old file whole). A failure is shown; false then.
    bool Save();
    // "Save as...": with a simulation file object, asks for a name, notes it in
    // ProgramSettings.ini and writes the object there; from then on "Save" writes there too. A
    // failed write is shown and the object keeps its old name. Caption, last file opened and
    // simulation folder stay.
    bool SaveAs();
    // "Reload": nothing.
    void Reload() {}

    // ---- the engine ----
    // Reset: with an engine, its Reset command, 250 ms, then the engine is ended and forgotten;
    // the simulation file object stays.
    void Reset();
    // Ends and joins the engine, if there is one; after it no callback comes from its thread.
    void EndEngine();

    // ---- closing ----
    // The question "Are you sure you want to exit <title>?"; true on Yes. False without asking
    // while a load is in progress.
    bool CloseQuery();
    // The close: the options into the SystemSettings.ini of the simulation loaded last (when one
    // was loaded), the engine ended, the simulation file and settings objects freed.
    void Close();
    // "E&xit": the same question; on Yes the engine is ended and the objects freed, but no
    // options are written (only the close writes them). True when the program may end.
    bool Exit();

    // ---- the option controls ----
    const SystemOptions& Options() const { return options_; }
    // The controls' values (clamped to their ranges); AutoAnswer and DefaultLength also reach
    // the engine at once.
    void SetOptions(const SystemOptions& options);

    // ---- what the window shows and uses ----
    bool Busy() const { return loading_; }
    TKRIXCommunicationThread* Engine() const { return engine_.get(); }
    TMemIniFile* SimulationFile() const { return simulation_.get(); }
    SystemSettings* System() const { return system_.get(); }
    ProgramSettings& Program() { return program_; }
    const std::string& SimulationFolder() const { return simulationFolder_; } // with its '/'
    const std::string& Caption() const { return caption_; }
    // The editors change the views as they edit.
    SimulationView& View() { return view_; }
    const SimulationView& View() const { return view_; }
    const SystemInfo& Info() const { return info_; }
    const SizeCounts& Counts() const { return counts_; }   // the sizing pass's
    const SizeCounts& Limits() const { return limits_; }   // what the engine was given
    std::int32_t MultiAnswerNum() const { return multiAnswerNum_; }
    float MemoryInc() const { return memoryInc_; }
    const TProtocolStructure& Protocol() const { return protocol_; }

    // Sees every registration of the loading pass with its result.
    void SetRegistrationObserver(RegistrationObserver observer) { observer_ = std::move(observer); }

private:
    class LoadingGuard;
    void RunLoad(const std::string& fileName);
    bool LoadGuarded(const std::string& fileName);
    // The frame-structure row of PROTOCOL / PROTOCOL; a value without a row ends the load.
    void ApplyProtocol(const TCustomIniFile& simulation);
    // The engine ended, the simulation file and the system settings freed.
    void Release();
    void ShowSimulatorInfo();
    void InstallCallbacks();

    std::string programFolder_;
    std::string applicationTitle_;
    OperatorDialogs& dialogs_;
    WindowHooks& window_;
    EngineEvents& events_;
    ProgramSettings program_;

    std::string simulationFolder_;
    std::string caption_;
    std::unique_ptr<SystemSettings> system_;
    // Declared before the engine, which refers to it, so it is freed after it.
    std::unique_ptr<TMemIniFile> simulation_;
    std::unique_ptr<TKRIXCommunicationThread> engine_;

    SystemOptions options_;
    SizeCounts counts_;
    SizeCounts limits_;
    std::int32_t multiAnswerNum_ = MultiAnswerNumDefault;
    float memoryInc_ = MemoryIncDefault;
    TProtocolStructure protocol_{};
    SimulationView view_;
    SystemInfo info_;
    RegistrationObserver observer_;
    bool loading_ = false;
};
