#include "BenchChild.h"

#include "KrixEmulator.h"
#include "ProgramFolder.h"
#include "SelectionLibrary.h"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace BenchChild {
namespace {

using Steady = std::chrono::steady_clock;

constexpr int Language = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr std::uint8_t Car = 0;
constexpr int Com = 47;
constexpr std::uint32_t ListedProgram = 146; // its device reports the messages of the initialisation
constexpr std::size_t ProgramSize = 700;
constexpr const char* SetMux = "000B00304000";
constexpr std::int32_t Running = 1;
constexpr std::int32_t NoLink = 46;
constexpr std::array<std::uint8_t, 4> LinkReady = {0x00, 0x01, 0x00, 0x00};
constexpr std::size_t StatusTextUnits = 360;
// A child never takes the machine's memory: past this the allocation fails in the child.
constexpr rlim_t AddressSpaceLimit = rlim_t{4} << 30;
// Repeated calls: at least MinRuns, more while the budget lasts, at most MaxRuns.
constexpr int MinRuns = 3;
constexpr int MaxRuns = 200;
constexpr double BudgetSeconds = 3.0;

struct BenchLibrary : SelectionLibrary {
    BenchLibrary() { Bind(initText, "InitText"); }
    decltype(&::InitText) initText = nullptr;
};

// A field of /proc/self/status in kB.
long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

void Print(const char* name, double value) { std::printf("%s %.6f\n", name, value); }

double SecondsOf(const std::function<void()>& call) {
    const auto start = Steady::now();
    call();
    return std::chrono::duration<double>(Steady::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The median time of repeated calls.
double MedianOf(const std::function<void()>& call) {
    std::vector<double> times;
    double total = 0.0;
    while (times.size() < static_cast<std::size_t>(MinRuns) ||
           (total < BudgetSeconds && times.size() < static_cast<std::size_t>(MaxRuns))) {
        times.push_back(SecondsOf(call));
        total += times.back();
    }
    return Median(times);
}

void PrintMemory(long startKb) {
    Print("start_kb", static_cast<double>(startKb));
    Print("peak_kb", static_cast<double>(StatusKb("VmHWM")));
}

// The call's first time, the median of its later ones, and the peak memory above the start.
int FirstAndMedian(const std::function<void()>& call) {
    const long start = StatusKb("VmRSS");
    Print("first_s", SecondsOf(call));
    Print("median_s", MedianOf(call));
    PrintMemory(start);
    return 0;
}

// A file that expands too far, then whether the exports after it still answer.
int ExpandCase(BenchLibrary& lib) {
    const long start = StatusKb("VmRSS");
    std::int32_t result = 0;
    Print("first_s", SecondsOf([&] { result = lib.initText(Language, CodecOn); }));
    PrintMemory(start);
    lib.initDbText(Language, CodecOn);
    const bool answers = result == 1 && lib.StatusKrix() == NoLink && lib.CreateThreadKrix(Com, 0) &&
                         lib.initText(Language, CodecOn) == 1 && lib.DeleteThreadKrix();
    Print("answers", answers ? 1 : 0);
    return 0;
}

using ActivationRecordBytes = std::array<std::uint8_t, KrixEmu::DeviceModel::ActivationRecordSize>;

// Bytes 9 to 32 of the device's activation record (newer form): four messages, each of its
// source, in lines 0 to 3.
ActivationRecordBytes FourMessages(const std::array<std::uint8_t, 4>& sources, const std::array<std::uint32_t, 4>& ids) {
    ActivationRecordBytes r{};
    r[16 - 9] = 0x30;
    for (std::size_t i = 0; i < 4; ++i) {
        // The first message names its line, the others the line plus one.
        const auto line = static_cast<std::uint8_t>(i == 0 ? 0 : i + 1);
        r[17 - 9 + 4 * i] = static_cast<std::uint8_t>(line << 4 | sources[i]);
        r[18 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i] >> 16);
        r[19 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i] >> 8);
        r[20 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i]);
    }
    return r;
}

// Four messages of one source.
ActivationRecordBytes FourMessages(std::uint8_t source, const std::array<std::uint32_t, 4>& ids) {
    return FourMessages({source, source, source, source}, ids);
}

// StatusInitKrix of a program whose device reports four messages: the device's record read
// on the caller's thread, then the four messages built. Without messages (id 0) only the read
// is left, which is subtracted.
int MessagesCase(BenchLibrary& lib) {
    KrixEmu::KrixEmulator emulator;
    emulator.Start();
    setenv(("KRIX_COM" + std::to_string(Com)).c_str(), emulator.SlaveName().c_str(), 1);
    ProgramFolder data;
    data.WriteProgram(ListedProgram, ProgramSize);
    std::array<std::uint16_t, StatusTextUnits> text{};
    const auto record = [&](std::uint8_t source, const std::array<std::uint32_t, 4>& ids) {
        emulator.Configure([&](KrixEmu::DeviceModel& m) {
            m.SetLinkState(LinkReady);
            m.SetActivationRecord(FourMessages(source, ids));
        });
    };
    record(0, {0, 0, 0, 0});
    if (!lib.CreateThreadKrix(Com, 0) || !lib.SetEcuDirect(ListedProgram, '-', SetMux, 0, data.DataDir().c_str()))
        return 2;
    lib.initText(Language, CodecOn);
    if (lib.InitComKrix(0) != 0 || lib.PollStatusInitKrix(text.data()) != 0)
        return 3;
    // The three records in turn, so that the device's read costs the same in each series.
    constexpr std::uint8_t MessageCatalogue = 0;
    constexpr std::uint8_t Parameters = 1;
    struct Series {
        const char* name;
        std::uint8_t source;
        std::array<std::uint32_t, 4> ids;
        std::vector<double> times;
    };
    Series series[] = {{"empty", MessageCatalogue, {0, 0, 0, 0}, {}},
                       {"source0", MessageCatalogue, {10, 20, 30, 40}, {}},
                       {"source1", Parameters, {1000, 2000, 3000, 4000}, {}}};
    double total = 0.0;
    for (int run = 0; run < MinRuns || (total < BudgetSeconds && run < MaxRuns); ++run) {
        for (Series& s : series) {
            record(s.source, s.ids);
            s.times.push_back(SecondsOf([&] { lib.StatusInitKrix(text.data()); }));
            total += s.times.back();
        }
    }
    for (const Series& s : series) {
        Print((std::string(s.name) + "_first_s").c_str(), s.times.front());
        Print((std::string(s.name) + "_s").c_str(), Median({s.times.begin() + 1, s.times.end()}));
    }
    Print("peak_kb", static_cast<double>(StatusKb("VmHWM")));
    lib.DeleteThreadKrix();
    emulator.Stop();
    return 0;
}

// A host that switches the language with InitDbText between messages: after InitText of the
// first language, each language in turn shows messages of sources 1 to 4 and then of source 10
// (StatusInitKrix of a device that reports them). The resident memory after each language.
int LanguagesCase(BenchLibrary& lib, int count) {
    KrixEmu::KrixEmulator emulator;
    emulator.Start();
    setenv(("KRIX_COM" + std::to_string(Com)).c_str(), emulator.SlaveName().c_str(), 1);
    ProgramFolder data;
    data.WriteProgram(ListedProgram, ProgramSize);
    std::array<std::uint16_t, StatusTextUnits> text{};
    const auto record = [&](const std::array<std::uint8_t, 4>& sources, const std::array<std::uint32_t, 4>& ids) {
        emulator.Configure([&](KrixEmu::DeviceModel& m) {
            m.SetLinkState(LinkReady);
            m.SetActivationRecord(FourMessages(sources, ids));
        });
    };
    record({0, 0, 0, 0}, {0, 0, 0, 0});
    if (!lib.CreateThreadKrix(Com, 0) || !lib.SetEcuDirect(ListedProgram, '-', SetMux, 0, data.DataDir().c_str()))
        return 2;
    lib.initText(Language, CodecOn);
    if (lib.InitComKrix(0) != 0 || lib.PollStatusInitKrix(text.data()) != 0)
        return 3;
    Print("start_kb", static_cast<double>(StatusKb("VmRSS")));
    constexpr std::uint8_t Units = 10;
    bool shown = true;
    for (int language = 1; language <= count; ++language) {
        lib.initDbText(language, CodecOn);
        record({1, 2, 3, 4}, {1000, 1000, 1000, 1000});
        text.fill(0);
        lib.StatusInitKrix(text.data());
        shown = shown && text[0] != 0;
        record({Units, Units, Units, Units}, {1, 2, 3, 4});
        lib.StatusInitKrix(text.data());
        Print(("rss_kb_" + std::to_string(language)).c_str(), static_cast<double>(StatusKb("VmRSS")));
    }
    Print("shown", shown ? 1 : 0);
    Print("peak_kb", static_cast<double>(StatusKb("VmHWM")));
    lib.DeleteThreadKrix();
    emulator.Stop();
    return 0;
}

// The host's walk down to the system, then its ECU list.
int EcusCase(BenchLibrary& lib) {
    static ListRecord list;
    std::memset(&list, 0, sizeof list);
    if (!lib.makerList(Car, &list) || !lib.fuelList(Car, &list) || !lib.modelList(Car, &list) ||
        !lib.versionList(Car, &list) || !lib.setVersion(Car, &list) || !lib.getPlantList(&list) ||
        !lib.setPlantSelected(0))
        return 2;
    const long start = StatusKb("VmRSS");
    bool listed = true;
    Print("median_s", MedianOf([&] { listed = lib.getEcuList(&list) && listed; }));
    Print("count", listed ? static_cast<double>(list.count) : -1.0);
    PrintMemory(start);
    return 0;
}

} // namespace

int Run(int argc, char** argv) {
    const rlimit limit{AddressSpaceLimit, AddressSpaceLimit};
    setrlimit(RLIMIT_AS, &limit);
    if (argc < 1)
        return 1;
    BenchLibrary lib;
    if (!lib.Loaded() || !lib.AllBound() || !lib.AllNamedBound()) {
        std::fprintf(stderr, "catalogue_bench: cannot bind libkrix_interface.so: %s\n", lib.Error().c_str());
        return 1;
    }
    const std::string name = argv[0];
    if (name == "inittext")
        return FirstAndMedian([&] { lib.initText(Language, CodecOn); });
    if (name == "expand")
        return ExpandCase(lib);
    if (name == "messages")
        return MessagesCase(lib);
    if (name == "codec" && argc > 1)
        return FirstAndMedian([&, language = std::atoi(argv[1])] { lib.initDbText(language, CodecOn); });
    if (name == "languages" && argc > 1)
        return LanguagesCase(lib, std::atoi(argv[1]));
    if (name == "ecus")
        return EcusCase(lib);
    return 1;
}

} // namespace BenchChild
