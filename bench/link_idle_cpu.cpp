// link_idle_cpu: what the device link's driver thread costs while nothing arrives. The real
// libkrix_interface.so, loaded with dlopen as the simulator loads it, drives the KRIX device
// emulator on a pseudo-terminal; for a few seconds in each idle state the driver thread's own CPU
// time and its wake-ups are read from the kernel (the thread is found by its name), so the
// emulator's thread in the same process does not count. The whole process's CPU time is given
// beside it.
//
// States: outside transparent mode after the initialisation (the loop's 300 ms steps); in
// transparent mode with the simulated ECU on the bus and a silent bus (the wait on the port); and
// in transparent mode after the device reported a bus error (nothing is read).
//
//   link_idle_cpu [SECONDS]     (default 5 per state)
#include "KrixEmulator.h"
#include "KrixLinkApi.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr int Com = 46;
constexpr std::uint32_t System = 77;
constexpr const char* SetMux = "000B00304000";
constexpr std::size_t ProgramSize = 1100;
constexpr int DefaultSeconds = 5;
constexpr std::int32_t Running = 1;
constexpr std::int32_t Pending = 2;
constexpr std::int32_t Ready = 1;
constexpr std::int32_t BusError = -1;
constexpr auto Limit = std::chrono::seconds(30);
constexpr const char* DriverThreadName = "krix_driver";

struct Library {
#define KRIX_MEMBER(name, ret, args) KrixFn_##name name = nullptr;
    KRIX_LINK_FUNCTIONS(KRIX_MEMBER)
#undef KRIX_MEMBER
    void* handle = nullptr;

    bool Load(const fs::path& path) {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return false;
        bool all = true;
#define KRIX_BIND(name, ret, args)                                                                 \
    name = reinterpret_cast<KrixFn_##name>(dlsym(handle, #name));                                  \
    all = all && name != nullptr;
        KRIX_LINK_FUNCTIONS(KRIX_BIND)
#undef KRIX_BIND
        return all;
    }
};

template <typename F> std::int32_t PollWhile(F poll, std::int32_t busy) {
    const auto end = Steady::now() + Limit;
    std::int32_t r = poll();
    while (r == busy && Steady::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        r = poll();
    }
    return r;
}

// The thread of this process with the given name.
std::optional<pid_t> ThreadNamed(const std::string& name) {
    for (const fs::directory_entry& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string text;
        std::getline(comm, text);
        if (text == name)
            return static_cast<pid_t>(std::stol(task.path().filename().string()));
    }
    return std::nullopt;
}

// The CPU-time clock of a thread of this process, as pthread_getcpuclockid makes it.
clockid_t ThreadCpuClock(pid_t tid) {
    constexpr clockid_t PerThreadSched = 6;
    return static_cast<clockid_t>((~static_cast<unsigned>(tid)) << 3) | PerThreadSched;
}

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Voluntary and involuntary context switches of a thread: each is the end of one run.
long Switches(pid_t tid) {
    std::ifstream status("/proc/self/task/" + std::to_string(tid) + "/status");
    long total = 0;
    for (std::string line; std::getline(status, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::stol(line.substr(line.find(':') + 1));
    return total;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

void Measure(const char* state, int seconds) {
    const std::optional<pid_t> tid = ThreadNamed(DriverThreadName);
    if (!tid) {
        std::printf("%-58s driver thread not found\n", state);
        return;
    }
    const clockid_t cpu = ThreadCpuClock(*tid);
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // settle
    const double cpu0 = Seconds(cpu);
    const double process0 = ProcessCpuSeconds();
    const long switches0 = Switches(*tid);
    const auto start = Steady::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Steady::now() - start).count();
    const double driver = (Seconds(cpu) - cpu0) / wall * 100.0;
    const double process = (ProcessCpuSeconds() - process0) / wall * 100.0;
    const double wakeups = static_cast<double>(Switches(*tid) - switches0) / wall;
    std::printf("%-58s %8.3f %% %9.1f /s %12.3f %%\n", state, driver, wakeups, process);
}

fs::path ProgramFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

// A data folder with the device program the initialisation downloads.
fs::path DataFolder() {
    const fs::path root = fs::temp_directory_path() / ("link_idle_cpu_" + std::to_string(::getpid()));
    char relative[64];
    std::snprintf(relative, sizeof relative, "krix/krix/dgn%02u/%04u____.exe", System / 50 + 1, System);
    const fs::path file = root / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (std::size_t i = 0; i < ProgramSize; ++i)
        out.put(static_cast<char>(i * 31));
    return root;
}

bool Initialise(Library& lib, const fs::path& data, bool transparent) {
    std::array<std::uint16_t, 360> text{};
    return lib.CreateThreadKrix(Com, 0) && (!transparent || lib.SetMode(1)) &&
           lib.SetEcuDirect(System, '-', SetMux, 0, (data.string() + "/").c_str()) && lib.InitComKrix(0) == 0 &&
           PollWhile([&] { return lib.StatusInitKrix(text.data()); }, Running) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultSeconds;
    KrixEmu::KrixEmulator emulator;
    emulator.Start();
    setenv(("KRIX_COM" + std::to_string(Com)).c_str(), emulator.SlaveName().c_str(), 1);
    const fs::path data = DataFolder();

    Library lib;
    if (!lib.Load(ProgramFolder() / "libkrix_interface.so")) {
        std::fprintf(stderr, "link_idle_cpu: cannot load libkrix_interface.so: %s\n", dlerror());
        return 1;
    }
    std::printf("CPU time of the device link's driver thread while nothing arrives (libkrix_interface.so\n"
                "against the emulated device, %d s per state); the process includes the emulator's thread.\n\n",
                seconds);
    std::printf("%-58s %10s %12s %14s\n", "state", "driver", "wake-ups", "process");

    int failures = 0;
    if (Initialise(lib, data, false))
        Measure("outside transparent mode, initialised", seconds);
    else
        ++failures;
    lib.DeleteThreadKrix();

    const std::array<std::uint8_t, KrixProtocolBlockSize> block{};
    if (Initialise(lib, data, true) && lib.SetProtocolType(1, block.data(), 0, nullptr, 0, nullptr, 0, nullptr) &&
        PollWhile([&] { return lib.StatusTransparent(); }, Pending) == Ready && lib.StartStop_Ecu(1) &&
        PollWhile([&] { return lib.StatusTransparent(); }, Pending) == Ready) {
        Measure("transparent mode, ECU on the bus, silent bus", seconds);
        if (emulator.InjectBusError() && PollWhile([&] { return lib.StatusTransparent(); }, Ready) == BusError)
            Measure("transparent mode, after a bus error (nothing is read)", seconds);
        else
            ++failures;
    } else {
        ++failures;
    }
    lib.DeleteThreadKrix();
    emulator.Stop();
    std::error_code ignored;
    fs::remove_all(data, ignored);
    if (failures > 0)
        std::fprintf(stderr, "link_idle_cpu: %d state(s) could not be reached\n", failures);
    return failures > 0 ? 1 : 0;
}
