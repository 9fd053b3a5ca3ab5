// The load of a simulation file from disk into a ready engine, through the window's controller
// and the real engine against the fake link library: reading the file, the sizing pass, the
// engine's construction and stores, the loading pass with every registration, and the device
// initialisation up to status "ready". Files of 100, 1,000, 5,000 and 20,000 requests with two
// answers each. The fixed waits of the load and the engine (250 ms after construction, the stores poll,
// the idle passes) run on a virtual clock, so the figures are the work, not the waiting.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "ControllerHooks.h"
#include "OperatorDialogs.h"
#include "SimulationController.h"
#include "fixtures/SteppingClock.h"

namespace fs = std::filesystem;

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

std::string Hex4(int value) {
    static const char digits[] = "0123456789abcdef";
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i, value >>= 4) out[static_cast<std::size_t>(i)] = digits[value & 0xF];
    return out;
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A simulation folder with `requests` request entries of two answers each.
struct BenchFolder {
    explicit BenchFolder(int requests) {
        root = fs::temp_directory_path() / ("tarvico_loading_bench_" + std::to_string(requests));
        fs::remove_all(root);
        fs::create_directories(root / "Default_file");
        program = root / "program";
        fs::create_directories(program);
        for (const char* lib : {"libkrix_interface.so", "libChecksum.so"})
            fs::create_symlink(fs::path(TARVICO_FAKELINK_DIR) / lib, program / lib);
        Write(root / "Default_file/protocol.ini",
              "[PROTOCOL1]\r\nMode=1\r\nSimulator_System=77\r\nUnknownRequest_Function=1\r\n"
              "Rx_Answer_Function=1\r\nTx_Composer_Function=1\r\n");
        Write(root / "Default_file/SystemSettings.ini", "[STRUCTURE_SIZE]\r\nMemoryInc=1.25\r\n");
        Write(root / "Default_file/Frame_Structure.xls", "");

        std::string text = "[PROTOCOL]\r\nPROTOCOL=1\r\nType=CAN\r\nSetMux=000B00304000\r\n\r\n"
                           "[CAN]\r\nBaude=500000\r\nID_ECU=7E8\r\nID_TESTER=7E0\r\n\r\n"
                           "[TESTER_PRESENT]\r\nR=3E00\r\nA=7E00\r\n\r\n"
                           "[NREQUEST]\r\nN=" + std::to_string(requests) + "\r\n\r\n";
        for (int i = 1; i <= requests; ++i) {
            const std::string n = std::to_string(i);
            const std::string id = Hex4(i);
            text += "[REQUEST" + n + "]\r\nR=22" + id + "\r\nD=Value " + n + "\r\nMA=Y\r\n\r\n";
            text += "[ANSWER" + n + "]\r\nA=62" + id + "01\r\nBYTE1=Service\r\n\r\n";
            text += "[ANSWER" + n + "A]\r\nA=62" + id + "02\r\n\r\n";
        }
        simulation = root / "simul1.ini";
        Write(simulation, text);
    }
    ~BenchFolder() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    fs::path root, program, simulation;
};

void BM_LoadIntoReadyEngine(benchmark::State& state) {
    const int requests = static_cast<int>(state.range(0));
    BenchFolder folder(requests);
    SteppingClock clock;
    ClockGuard guard(clock);
    SilentDialogs dialogs;
    NoWindow window;
    NoEvents events;

    for (auto _ : state) {
        auto controller = std::make_unique<SimulationController>(folder.program.string(), "Tarvico", dialogs,
                                                                 window, events);
        const bool loaded = controller->LoadFile(folder.simulation.string());
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
