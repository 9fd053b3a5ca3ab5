#pragma once
// The engine brought into service without a window: the window's own load of a simulation file
// (SimulationController, with its working-folder checks, sizing pass, frame-structure row, engine
// hand-over, registration and callbacks) on the KRIX port the caller names, then Go! and Stop on
// request. Whatever the engine reports arrives as events, in order, and goes to the listener as
// well.
//
// Where the window would ask the operator, nobody is asked: message boxes become Message events,
// warnings go to the standard error stream, an input box takes its preset answer. The port is
// written into a ProgramSettings.ini of this object's own, in a temporary folder removed with
// it, so the window's settings beside the program keep their port and last file.
//
// For the main job's driver program, the end-to-end tests and the turnaround measurement; the
// real window replaces it.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class SimulationController;
class TKRIXCommunicationThread;

struct EngineEvent {
    enum class Kind { Status, Exchange, UnknownRequest, Message };
    Kind kind = Kind::Status;
    int status = 0;      // Status
    std::string request; // Exchange, UnknownRequest (wire text)
    std::string answer;  // Exchange
    int type = 0;        // Exchange: the traffic-log kind
    std::string text;    // Exchange: info; UnknownRequest: plain text; Message: the message
};

class HeadlessEngine {
public:
    using Listener = std::function<void(const EngineEvent&)>;

    explicit HeadlessEngine(Listener listener = {});
    ~HeadlessEngine(); // stops and deletes the engine, which ends the device link
    HeadlessEngine(const HeadlessEngine&) = delete;
    HeadlessEngine& operator=(const HeadlessEngine&) = delete;

    // Loads the simulation and initialises the device on comPort ("COM<n>"), with the link
    // libraries of programFolder; nothing when the engine reported "loaded", else what went wrong
    // (a failed load's message box without its "Load ini function error!" line). Failures the
    // window's load shows and goes on after (a refused entry) are Message events only. A second
    // load ends the first engine.
    std::optional<std::string> Load(const std::string& simulationFile, const std::string& programFolder,
                                    const std::string& comPort, std::chrono::milliseconds limit);
    // Go! and Stop: true once the engine reports running, or loaded again.
    bool Start(std::chrono::milliseconds limit);
    bool Stop(std::chrono::milliseconds limit);

    std::vector<EngineEvent> Events() const;
    std::size_t Count(EngineEvent::Kind kind) const;
    // Waits until count events of the kind were reported in all.
    bool WaitFor(EngineEvent::Kind kind, std::size_t count, std::chrono::milliseconds limit) const;
    TKRIXCommunicationThread* Engine();

private:
    void Add(EngineEvent event);
    bool WaitForStatus(std::size_t before, std::initializer_list<int> statuses, std::chrono::milliseconds limit) const;
    std::size_t StatusCount() const;

    class Reporter;
    class WindowSide;
    Listener listener_;
    std::unique_ptr<Reporter> reporter_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<EngineEvent> events_;
    std::unique_ptr<WindowSide> side_;
    std::string settingsFolder_; // ProgramSettings.ini of this object; empty until the first load
    std::unique_ptr<SimulationController> controller_; // owns the engine; destroyed before the side
};

// The text of an event as the driver prints it.
std::string EventLine(const EngineEvent& event);

// The folder of the running program: the program folder the engine loads its libraries from.
std::string ExecutableFolder();
