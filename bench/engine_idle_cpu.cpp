// How much of a core the engine uses while nothing arrives: the engine on its own thread against
// the fake link library (which records no calls meanwhile), held in each status it rests in (0 idle, 3 initialisation failed,
// 4 ready, 6 start failed, 11 running) for loop modes 1, 2 and 3, while the process's CPU time
// is read over a few seconds. Status 11 is measured with a link library that has WaitRxFrame and
// with one that has only the twelve functions. Status 8 is not held: a failed stop reports 8 and
// goes on to 4 at once.
//
//   engine_idle_cpu [seconds per case, default 2]
//
// Prints one line per case and exits with 1 when any case uses 1 % of a core or more.
#include <dlfcn.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakeLinkControl.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"
#include "MessageSink.h"
#include "fixtures/SimulationFolder.h"

namespace {

constexpr double LimitPercent = 1.0;
constexpr auto SettleTime = std::chrono::milliseconds(300);

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class QuietReporter final : public MessageReporter {
public:
    void Report(const std::string& text) override { std::fprintf(stderr, "engine: %s\n", text.c_str()); }
};

// The control side of the fake link library that the engine loads from a folder.
struct FakeLink {
    explicit FakeLink(const std::string& folder) : Handle(dlopen((folder + "/libkrix_interface.so").c_str(), RTLD_NOW)) {
        if (!Handle) return;
        Reset = reinterpret_cast<void (*)()>(dlsym(Handle, "FakeLink_Reset"));
        Script = reinterpret_cast<void (*)(std::int32_t, const std::int32_t*, std::int32_t)>(dlsym(Handle, "FakeLink_Script"));
        SetRecording = reinterpret_cast<void (*)(bool)>(dlsym(Handle, "FakeLink_SetRecording"));
    }
    ~FakeLink() {
        if (Handle) dlclose(Handle);
    }
    void Fail(FakeLinkFn fn) const {
        const std::int32_t no = 0;
        Script(fn, &no, 1);
    }
    void* Handle;
    void (*Reset)() = nullptr;
    void (*Script)(std::int32_t, const std::int32_t*, std::int32_t) = nullptr;
    void (*SetRecording)(bool) = nullptr;
};

struct Case {
    int Mode;
    std::uint8_t Status;
    bool WithWait;
};

const char* StatusName(std::uint8_t s) {
    switch (s) {
    case SimulatorStatus::Idle: return "0 idle";
    case SimulatorStatus::InitFailed: return "3 initialisation failed";
    case SimulatorStatus::Ready: return "4 ready";
    case SimulatorStatus::StartFailed: return "6 start failed";
    case SimulatorStatus::Running: return "11 running";
    default: return "?";
    }
}

// Brings an engine into the case's status; nullptr when it did not get there.
std::unique_ptr<TKRIXCommunicationThread> EngineIn(const Case& c, const FakeLink& link, TMemIniFile& simulation,
                                                   const std::string& programFolder) {
    link.Reset();
    link.SetRecording(false); // the fake's record of every poll is not the engine's cost
    if (c.Status == SimulatorStatus::InitFailed) link.Fail(FakeLinkCreateThreadKrix);
    if (c.Status == SimulatorStatus::StartFailed) link.Fail(FakeLinkStartStop_Ecu);
    TProtocolStructure protocol;
    auto engine = std::make_unique<TKRIXCommunicationThread>(true, protocol, simulation, programFolder);
    TKRIXCommunicationThread& e = *engine;
    e.Resume();
    if (!WaitUntil([&] { return e.StoresReady(); })) return nullptr;
    e.AddRequest("1001", {"5001"}, "session", -1, RequestType::PSI);
    e.Resume();
    if (c.Status == SimulatorStatus::Idle) return engine;
    e.SetComPort("COM3");
    if (c.Status == SimulatorStatus::InitFailed)
        return WaitUntil([&] { return e.Status() == SimulatorStatus::InitFailed; }) ? std::move(engine) : nullptr;
    if (!WaitUntil([&] { return e.Status() == SimulatorStatus::Ready; })) return nullptr;
    if (c.Status == SimulatorStatus::Ready) return engine;
    e.Start();
    if (!WaitUntil([&] { return e.Status() == c.Status; })) return nullptr;
    return engine;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    QuietReporter reporter;
    SetMessageReporter(&reporter);
    const std::string withWait = TARVICO_FAKELINK_DIR;
    const std::string withoutWait = TARVICO_FAKELINK_NOWAIT_DIR;
    const FakeLink linkWith(withWait);
    const FakeLink linkWithout(withoutWait);
    if (!linkWith.Handle || !linkWithout.Handle) {
        std::fprintf(stderr, "cannot load the fake link libraries: %s\n", dlerror());
        return 2;
    }

    std::vector<Case> cases;
    for (int mode : {1, 2, 3}) {
        for (std::uint8_t status : {SimulatorStatus::Idle, SimulatorStatus::InitFailed, SimulatorStatus::Ready,
                                    SimulatorStatus::StartFailed, SimulatorStatus::Running})
            cases.push_back({mode, status, true});
        cases.push_back({mode, SimulatorStatus::Running, false});
    }

    std::printf("CPU of the engine while nothing arrives, %.1f s per case (percent of one core)\n", seconds);
    std::printf("%-5s %-26s %-22s %8s\n", "mode", "status", "link library", "CPU %");
    bool allBelow = true;
    for (const Case& c : cases) {
        SimulationFolder folder;
        folder.WriteProtocolTable("[PROTOCOL1]\r\nMode=" + std::to_string(c.Mode) +
                                  "\r\nSimulator_System=77\r\nUnknownRequest_Function=1\r\n"
                                  "Rx_Answer_Function=1\r\nTx_Composer_Function=1\r\n");
        TMemIniFile simulation(folder.WriteSimulation(CanStandardSimulation));
        const FakeLink& link = c.WithWait ? linkWith : linkWithout;
        std::unique_ptr<TKRIXCommunicationThread> engine =
            EngineIn(c, link, simulation, c.WithWait ? withWait : withoutWait);
        const char* library = c.WithWait ? "with WaitRxFrame" : "the twelve only";
        if (!engine) {
            std::printf("%-5d %-26s %-22s %8s\n", c.Mode, StatusName(c.Status), library, "not reached");
            allBelow = false;
            continue;
        }
        std::this_thread::sleep_for(SettleTime);
        const double before = ProcessCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        const double cpu = ProcessCpuSeconds() - before;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double percent = 100.0 * cpu / wall;
        const bool stayed = engine->Status() == c.Status;
        std::printf("%-5d %-26s %-22s %8.2f%s\n", c.Mode, StatusName(c.Status), library, percent,
                    stayed ? "" : "  (status changed)");
        allBelow = allBelow && stayed && percent < LimitPercent;
        engine.reset();
    }
    std::printf(allBelow ? "every case below %.0f %% of a core\n" : "a case reached %.0f %% of a core\n", LimitPercent);
    SetMessageReporter(nullptr);
    return allBelow ? 0 : 1;
}
