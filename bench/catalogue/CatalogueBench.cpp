// catalogue_bench: the tester side of libkrix_interface.so at the size of real catalogues and
// databases, through the built library loaded with dlopen and its exports. Every measurement
// runs in a process of its own (this program started again with --case), on inputs written
// into a temporary working folder of its own, so that its peak memory (VmHWM) is its own:
//
// - InitText on generated catalogues of 1, 16 and 64 MiB of text (the nine files it reads);
// - InitText on a small umis.zip that would expand past the bound of a catalogue file, and
//   whether the exports after it still answer;
// - the messages of StatusInitKrix, of source 0 (messag.zip) and of source 1 (param.zip),
//   each 16 MiB of text, per message: the device's record is read for every call, so a call
//   without messages is measured too and taken off;
// - six languages switched with InitDbText between their messages of sources 1 to 4 and 10,
//   each a 64 MiB catalogue: the resident memory after each;
// - InitDbText on a codec.ini of 100 and 40,000 sections (the last one asked for), and on one
//   that is a link to /dev/zero;
// - GetEcuList over a system of 1,000 and 20,000 ECU records.
//
//   catalogue_bench [inittext] [bound] [messages] [languages] [codec] [ecus]     (default: all)
#include "BenchChild.h"
#include "BenchInputs.h"
#include "WorkingFolder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using BenchInputs::MiB;

// The catalogue files are written just before a case runs; the library trusts what it read of
// a file only once the file has stood unchanged a while, as an installed file does.
constexpr auto SettleTime = std::chrono::milliseconds(2500);
constexpr int MessagesPerCall = 4;

struct Result {
    std::map<std::string, double> values;
    int status = 0;
    std::string debugLine; // the library's debug line naming umis.zip, if any

    bool Ok() const { return status == 0; }
    double operator[](const std::string& name) const {
        const auto it = values.find(name);
        return it == values.end() ? -1.0 : it->second;
    }
};

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// This program again with --case and the arguments, in the working folder.
Result RunCase(const std::string& arguments) {
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    const fs::path errors = fs::current_path() / "child_stderr.txt";
    const std::string command = Quoted(exe.string()) + " --case " + arguments + " 2>" + Quoted(errors.string());
    Result r;
    FILE* child = popen(command.c_str(), "r");
    if (child == nullptr) {
        r.status = -1;
        return r;
    }
    char line[512];
    while (std::fgets(line, sizeof line, child) != nullptr) {
        std::istringstream in(line);
        std::string name;
        double value = 0.0;
        if (in >> name >> value)
            r.values[name] = value;
    }
    const int status = pclose(child);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errors);
    for (std::string text; std::getline(err, text);)
        if (text.find("umis") != std::string::npos && r.debugLine.empty())
            r.debugLine = text;
    return r;
}

double MbOfBytes(double bytes) { return bytes / 1e6; }

std::string Outcome(const Result& r) {
    if (r.Ok())
        return "";
    // The shell reports a child ended by a signal as 128 + the signal.
    return r.status > 128 ? "ended by signal " + std::to_string(r.status - 128)
                          : "failed (" + std::to_string(r.status) + ")";
}

std::string Time(double seconds) {
    char text[32];
    if (seconds < 0)
        return "-";
    if (seconds < 1e-6)
        return "< 1 us";
    if (seconds < 1e-3)
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    else if (seconds < 1.0)
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    else
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

void InitTextSizes() {
    std::printf("InitText (time: first call, median of the later ones; memory: VmHWM above VmRSS before the\n"
                "first call). Nine files: the text shared evenly among the nine files it reads; umis.zip: all\n"
                "of it in umis.zip as one short unit line over and over, the most lines a byte can hold.\n\n");
    std::printf("| catalogue | text | stored | first | median | peak above start | per byte of text |\n"
                "|---|---|---|---|---|---|---|\n");
    using Writer = BenchInputs::Written (*)(qint64);
    const std::pair<const char*, Writer> kinds[] = {{"nine files", BenchInputs::WriteCatalogueOfSize},
                                                    {"umis.zip", BenchInputs::WriteExpandingUnits}};
    for (const auto& [kind, write] : kinds) {
        for (const qint64 size : {1 * MiB, 16 * MiB, 64 * MiB}) {
            WorkingFolder folder;
            const BenchInputs::Written w = write(size);
            const Result r = RunCase("inittext");
            const double above = (r["peak_kb"] - r["start_kb"]) * 1024.0;
            std::printf("| %s | %.1f MiB | %.3f MB | %s | %s | %.0f MB | %.2f |%s\n", kind,
                        static_cast<double>(w.textBytes) / MiB, MbOfBytes(w.storedBytes), Time(r["first_s"]).c_str(),
                        Time(r["median_s"]).c_str(), above / 1e6, above / static_cast<double>(w.textBytes),
                        Outcome(r).c_str());
        }
    }
    std::printf("\n");
}

void ExpansionBound() {
    std::printf("InitText with a umis.zip of one unit line over and over (the other files small)\n\n");
    std::printf("| stored | text it holds | InitText | peak above start | later exports answer |\n|---|---|---|---|---|\n");
    std::string debugLine;
    for (const qint64 size : {65 * MiB, 984 * MiB}) {
        WorkingFolder folder;
        const BenchInputs::Written w = BenchInputs::WriteExpandingUnits(size);
        const Result r = RunCase("expand");
        std::printf("| %.3f MB | %.0f MiB | %s | %.0f MB | %s |%s\n", MbOfBytes(w.storedBytes),
                    static_cast<double>(w.textBytes) / MiB,
                    Time(r["first_s"]).c_str(), (r["peak_kb"] - r["start_kb"]) * 1024.0 / 1e6,
                    r["answers"] == 1.0 ? "yes" : "no", Outcome(r).c_str());
        if (debugLine.empty())
            debugLine = r.debugLine;
    }
    std::printf("\ndebug line: %s\n\n", debugLine.empty() ? "(none)" : debugLine.c_str());
}

void Messages() {
    std::printf("Messages of StatusInitKrix with param.zip and messag.zip of 16 MiB of text each, unchanged\n"
                "(per message: the median call of four, less the median call without messages; the three\n"
                "kinds of call in turn)\n\n");
    WorkingFolder folder;
    const BenchInputs::Written w = BenchInputs::WriteMessageCatalogue(16 * MiB);
    (void)w;
    std::this_thread::sleep_for(SettleTime);
    const Result r = RunCase("messages");
    const auto perMessage = [&](const char* name) {
        const double each = (r[name] - r["empty_s"]) / MessagesPerCall;
        return r[name] < 0 ? std::string("-") : each <= 0 ? std::string("within the read's spread") : Time(each);
    };
    std::printf("| source | first call of four after InitText | each later message |\n|---|---|---|\n");
    std::printf("| 0 (messag.zip) | %s | %s |%s\n", Time(r["source0_first_s"]).c_str(), perMessage("source0_s").c_str(),
                Outcome(r).c_str());
    std::printf("| 1 (param.zip) | %s | %s |\n", Time(r["source1_first_s"]).c_str(), perMessage("source1_s").c_str());
    std::printf("\nStatusInitKrix without messages (the device's record read, taken off above): %s\n",
                Time(r["empty_s"]).c_str());
    std::printf("\npeak of the process: %.0f MB\n\n", r["peak_kb"] * 1024.0 / 1e6);
}

void Languages() {
    std::printf("A host that switches the language with InitDbText between messages: InitText of the first\n"
                "language, then each language in turn shows messages of sources 1 to 4 and 10 (StatusInitKrix);\n"
                "each language a 64 MiB catalogue of its own (memory: VmRSS after the language's messages)\n\n");
    constexpr int Count = BenchInputs::MaxLanguages;
    WorkingFolder folder;
    BenchInputs::WriteLanguagesOfSize(Count, 64 * MiB);
    std::this_thread::sleep_for(SettleTime);
    const Result r = RunCase("languages " + std::to_string(Count));
    std::printf("| languages used | VmRSS | above the start |\n|---|---|---|\n");
    std::printf("| after InitText | %.0f MB | |%s\n", r["start_kb"] * 1024.0 / 1e6, Outcome(r).c_str());
    for (int n = 1; n <= Count; ++n) {
        const double kb = r["rss_kb_" + std::to_string(n)];
        std::printf("| %d | %.0f MB | %.0f MB |\n", n, kb * 1024.0 / 1e6, (kb - r["start_kb"]) * 1024.0 / 1e6);
    }
    std::printf("\nmessages shown: %s; peak of the process: %.0f MB\n\n", r["shown"] == 1.0 ? "yes" : "no",
                r["peak_kb"] * 1024.0 / 1e6);
}

void CodecIni() {
    std::printf("InitDbText on codec.ini, the last of its sections asked for\n\n");
    std::printf("| sections | first | median | peak above start |\n|---|---|---|---|\n");
    for (const int sections : {100, 40000}) {
        WorkingFolder folder;
        BenchInputs::WriteCodecIni(sections);
        const Result r = RunCase("codec " + std::to_string(sections));
        std::printf("| %d | %s | %s | %.1f MB |%s\n", sections, Time(r["first_s"]).c_str(), Time(r["median_s"]).c_str(),
                    (r["peak_kb"] - r["start_kb"]) * 1024.0 / 1e6, Outcome(r).c_str());
    }
    // An endless codec.ini: read no further than its bound, then the defaults apply.
    {
        WorkingFolder folder;
        fs::create_symlink("/dev/zero", "codec.ini");
        const Result r = RunCase("codec 1");
        std::printf("| a link to /dev/zero | %s | %s | %.1f MB |%s\n", Time(r["first_s"]).c_str(),
                    Time(r["median_s"]).c_str(), (r["peak_kb"] - r["start_kb"]) * 1024.0 / 1e6, Outcome(r).c_str());
    }
    std::printf("\n");
}

void EcuLists() {
    std::printf("GetEcuList over one system's ECU records (four records an ECU)\n\n");
    std::printf("| records | GetEcuList | entries listed |\n|---|---|---|\n");
    for (const int records : {1000, 5000, 10000, 20000}) {
        WorkingFolder folder;
        BenchInputs::WriteEcuDatabase(records);
        const Result r = RunCase("ecus");
        std::printf("| %d | %s | %.0f |%s\n", records, Time(r["median_s"]).c_str(), r["count"], Outcome(r).c_str());
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--case")
        return BenchChild::Run(argc - 2, argv + 2);
    const std::pair<const char*, void (*)()> parts[] = {{"inittext", InitTextSizes}, {"bound", ExpansionBound},
                                                        {"messages", Messages},      {"languages", Languages},
                                                        {"codec", CodecIni},
                                                        {"ecus", EcuLists}};
    for (const auto& [name, run] : parts) {
        bool asked = argc < 2;
        for (int i = 1; i < argc; ++i)
            asked = asked || name == std::string(argv[i]);
        if (asked)
            run();
    }
    return 0;
}
