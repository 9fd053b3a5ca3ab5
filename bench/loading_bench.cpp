// The load of a simulation file from disk into a ready engine, through the window's controller
// and the real engine against the fake link library: reading the file, the sizing pass, the
// engine's construction and stores, the loading pass with every registration, and the device
// initialisation up to status "ready". Files of 100, 1,000, 5,000 and 20,000 requests with two
// answers each. The fixed waits of the load and the engine (250 ms after construction, the stores poll,
// the idle passes) run on a virtual clock, so the figures are the work, not the waiting.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>

#include "ControllerHooks.h"
#include "GeneratedSimulation.h"
#include "OperatorDialogs.h"
#include "SimulationController.h"
#include "fixtures/SteppingClock.h"

namespace {

class SilentDialogs final : public OperatorDialogs {
public:
    std::optional<std::string> OpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void ShowMessage(const std::string& text) override { Boxes.push_back(text); }
    void Warning(const std::string& text) override { Boxes.push_back(text); }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    bool Confirm(const std::string&) override { return false; }
    std::vector<std::string> Boxes;
};

class NoWindow final : public WindowHooks {
public:
    void Pump() override {}
    void SetCaption(const std::string&) override {}
    void AddMessage(const std::string&) override {}
    void Focus(FocusTarget) override {}
    void OptionsLoaded(const SystemOptions&, std::int32_t) override {}
};

class NoEvents final : public EngineEvents {
public:
    void OnThreadStatus(std::int32_t) override {}
    void AddOriglioItem(const std::string&, const std::string&, int, const std::string&) override {}
    void AddUnknownRequest(const TBaseItem&) override {}
    std::optional<TStringList> GetUnknownAnswer(const std::string&) override { return std::nullopt; }
};

void BM_LoadIntoReadyEngine(benchmark::State& state) {
    const int requests = static_cast<int>(state.range(0));
    const GeneratedSimulation folder({requests}, TARVICO_FAKELINK_DIR);
    SteppingClock clock;
    ClockGuard guard(clock);
    SilentDialogs dialogs;
    NoWindow window;
    NoEvents events;

    for (auto _ : state) {
        auto controller = std::make_unique<SimulationController>(folder.Program().string(), "Tarvico", dialogs,
                                                                 window, events);
        const bool loaded = controller->LoadFile(folder.Simulation());
        TKRIXCommunicationThread* engine = controller->Engine();
        while (loaded && engine->Status() != SimulatorStatus::Ready && engine->Status() != SimulatorStatus::InitFailed)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        state.PauseTiming();
        if (!loaded || engine->Status() != SimulatorStatus::Ready || !dialogs.Boxes.empty()) {
            state.SkipWithError(dialogs.Boxes.empty() ? "the engine did not become ready" : dialogs.Boxes.front().c_str());
            state.ResumeTiming();
            break;
        }
        if (engine->Store().EditRequests().Count != requests + 1) state.SkipWithError("registrations missing");
        controller.reset(); // ends the engine; not part of the figure
        state.ResumeTiming();
    }
    state.SetComplexityN(requests);
    state.counters["requests"] = requests;
}

} // namespace

BENCHMARK(BM_LoadIntoReadyEngine)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(5000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Complexity();

BENCHMARK_MAIN();
