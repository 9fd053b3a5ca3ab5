// emulator_pace: whether the emulator's scripted tester keeps its pace over a long script. A
// tester script of N identifier requests (22 xx yy, every one unknown to the simulation) runs in
// krix_emulator on a pseudo-terminal against the real main window (TfFormMain, Qt's offscreen
// platform unless QT_QPA_PLATFORM says otherwise) with the bundled example loaded through
// Data > Load..., "Auto Answer" ticked and Go! pressed, on the real libkrix_interface.so. The
// emulator is watched from the outside as a user's run is: each exchange counts when its verdict
// line appears on the emulator's output.
//
// Printed: the exchange rate and the threads' share of a core for every block of exchanges (the
// emulator's tester thread, its serving thread, the window's thread), the rate of the first
// minute and of the last 30 s and their ratio, and the peak memory of both processes. A run
// shorter than 90 s compares its first and its second half instead (each window at most half
// the run, so the two never overlap).
//
//   emulator_pace [--exchanges N] [--block B] [--emulator PROGRAM]
//   (default 60,000 exchanges, blocks of 5,000, the krix_emulator of this build)
#include "EmulatorRun.h"
#include "MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTimer>

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#ifndef TARVICO_EXAMPLE_DIR
#error "TARVICO_EXAMPLE_DIR must name the bundled example simulation"
#endif

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr int Com = 9;
constexpr int DefaultExchanges = 60000;
constexpr int DefaultBlock = 5000;
constexpr int FirstIdentifier = 0x0100; // below the example's own identifiers (f1 8c, f1 90)
constexpr int AnswerLength = 10;        // the example's default length of an automatic answer
constexpr double FirstWindow = 60.0;
constexpr double LastWindow = 30.0;
constexpr auto LoadLimit = std::chrono::seconds(60);
constexpr auto RunLimit = std::chrono::minutes(40);
constexpr const char* SystemLoaded = "System loaded!";
constexpr const char* InCommunication = "In communication...";

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "emulator_pace: %s\n", what.c_str());
    std::exit(2);
}

double Seconds(Steady::duration d) { return std::chrono::duration<double>(d).count(); }
double MB(double bytes) { return bytes / (1024.0 * 1024.0); }

std::string Hex2(int v) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", v & 0xFF);
    return text;
}

bool RunUntil(const std::function<bool()>& done, Steady::duration limit) {
    if (done()) return true;
    const auto end = Steady::now() + limit;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || Steady::now() > end) loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

// The open dialog answered with the simulation at once; every box noted, nobody asked.
class PaceDialogs final : public OperatorDialogs {
public:
    std::string File;
    std::optional<std::string> OpenFile(const FileDialogRequest&) override { return File; }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "box: %s\n", text.c_str()); }
    void Warning(const std::string& text) override { std::fprintf(stderr, "warning: %s\n", text.c_str()); }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    bool Confirm(const std::string&) override { return false; }
};

void WriteFile(const fs::path& path, const std::string& text) {
    const fs::path part = path.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out) Fail("cannot write " + part.string());
    }
    fs::rename(part, path);
}

// N requests 22 xx yy, each expecting the automatic answer: 62 xx yy and zeros to the default length.
std::string TesterScript(int exchanges) {
    std::string text = "# " + std::to_string(exchanges) + " identifiers unknown to the simulation, answered automatically\n";
    for (int i = 0; i < exchanges; ++i) {
        const int id = FirstIdentifier + i;
        const std::string hi = Hex2(id >> 8), lo = Hex2(id);
        text += "can 22 " + hi + " " + lo + " => 62 " + hi + " " + lo;
        for (int b = 3; b < AnswerLength; ++b) text += " 00";
        text += "\n";
    }
    return text;
}

struct Sample {
    std::size_t exchanges = 0;
    Steady::time_point at;
    double tester = 0, serving = 0, window = 0; // CPU seconds so far
};

struct Args {
    int exchanges = DefaultExchanges;
    int block = DefaultBlock;
    std::string emulator = TARVICO_EMULATOR_PROGRAM;
};

Args ParseArgs(int argc, char** argv) {
    Args a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--exchanges" && i + 1 < argc) a.exchanges = std::atoi(argv[++i]);
        else if (arg == "--block" && i + 1 < argc) a.block = std::atoi(argv[++i]);
        else if (arg == "--emulator" && i + 1 < argc) a.emulator = argv[++i];
        else Fail("usage: emulator_pace [--exchanges N] [--block B] [--emulator PROGRAM]");
    }
    if (a.exchanges < 2 || a.block < 1) Fail("the exchanges must be 2 or more and the block 1 or more");
    return a;
}

} // namespace

int main(int argc, char** argv) {
    const Args args = ParseArgs(argc, argv);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // The working folder: the example copied, a program folder with the built link libraries.
    char pattern[] = "/tmp/emulator_pace.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) Fail("no temporary folder");
    const fs::path work = pattern;
    struct Remove {
        fs::path path;
        ~Remove() {
            std::error_code e;
            fs::remove_all(path, e);
        }
    } remove{work};
    const fs::path example = work / "can_standard";
    fs::copy(TARVICO_EXAMPLE_DIR, example, fs::copy_options::recursive);
    fs::remove(example / "tester_script.txt");
    const fs::path program = work / "program";
    fs::create_directories(program);
    for (const char* lib : {"libkrix_interface.so", "libChecksum.so"})
        fs::create_symlink(fs::path(TARVICO_LIBRARY_DIR) / lib, program / lib);
    WriteFile(program / "ProgramSettings.ini", "[COM Options]\r\nDefaultPort=COM" + std::to_string(Com) + "\r\n");
    const fs::path script = work / "tester_script.txt";
    WriteFile(script, TesterScript(args.exchanges));

    // The CPU figures come from /proc on the emulator's output thread at each block's end.
    const pid_t self = ::getpid();
    const auto windowTid = static_cast<pid_t>(::syscall(SYS_gettid));
    std::mutex samplesMutex;
    std::vector<Sample> samples;
    pid_t emulatorPid = -1;
    std::vector<pid_t> servingTids;
    const auto sample = [&](std::size_t exchanges) {
        Sample s;
        s.exchanges = exchanges;
        s.at = Steady::now();
        s.tester = ThreadCpuSeconds(emulatorPid, emulatorPid).value_or(0);
        for (pid_t tid : servingTids) s.serving += ThreadCpuSeconds(emulatorPid, tid).value_or(0);
        s.window = ThreadCpuSeconds(self, windowTid).value_or(0);
        std::lock_guard lock(samplesMutex);
        samples.push_back(s);
    };
    std::atomic<bool> sampling{false};
    const auto block = static_cast<std::size_t>(args.block);
    EmulatorRun emulator(
        args.emulator, {"--tester", script.string(), "--wait-seconds", "600", "--serve-after"},
        (work / "emulator.err").string(), [&](std::size_t n) {
            if (sampling.load() && (n == 1 || n % block == 0 || n == static_cast<std::size_t>(args.exchanges)))
                sample(n);
        });
    emulatorPid = emulator.Pid();
    for (pid_t tid : ThreadsOf(emulatorPid))
        if (tid != emulatorPid) servingTids.push_back(tid);
    sampling.store(true);
    setenv(("KRIX_COM" + std::to_string(Com)).c_str(), emulator.Device().c_str(), 1);
    std::fprintf(stderr, "emulator %s on %s, %d exchanges\n", args.emulator.c_str(), emulator.Device().c_str(),
                 args.exchanges);

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    PaceDialogs dialogs;
    dialogs.File = (example / "simul1.ini").string();
    auto window = std::make_unique<TfFormMain>(program.string(), &dialogs);
    window->show();
    QCoreApplication::processEvents();
    auto* messages = window->findChild<QPlainTextEdit*>(QStringLiteral("mMessages"));
    auto* load = window->findChild<QAction*>(QStringLiteral("mLoadIni"));
    auto* autoAnswer = window->findChild<QCheckBox*>(QStringLiteral("cbAutoAnswer"));
    if (messages == nullptr || load == nullptr || autoAnswer == nullptr) Fail("the window lacks a control");
    const auto shown = [&](const char* text) { return messages->toPlainText().contains(QString::fromLatin1(text)); };

    load->trigger();
    if (!RunUntil([&] { return shown(SystemLoaded); }, LoadLimit)) Fail("the load did not end in \"System loaded!\"");
    if (!autoAnswer->isChecked()) autoAnswer->click(); // as the operator ticks it
    if (!autoAnswer->isChecked()) Fail("\"Auto Answer\" cannot be ticked");
    window->cmdStartClick();
    if (!RunUntil([&] { return shown(InCommunication); }, LoadLimit)) Fail("the engine did not start");
    const std::size_t wanted = static_cast<std::size_t>(args.exchanges);
    if (!RunUntil([&] { return emulator.Exchanges() >= wanted || emulator.TesterEnded(); }, RunLimit))
        Fail("the run did not end within the limit");

    // Figures of the processes while both still run.
    const double emulatorPeak = PeakRssBytes(emulatorPid);
    const double windowPeak = PeakRssBytes(self);
    window->cmdStopClick();
    QCoreApplication::processEvents();
    window.reset();
    sampling.store(false);
    const std::vector<Steady::time_point> times = emulator.ExchangeTimes();
    const std::size_t mismatches = emulator.Mismatches();
    const std::vector<std::string> other = emulator.OtherLines();
    emulator.Stop();

    if (times.size() < wanted) {
        for (const std::string& line : other) std::fprintf(stderr, "emulator: %s\n", line.c_str());
        Fail("only " + std::to_string(times.size()) + " of " + std::to_string(wanted) + " exchanges were made");
    }
    std::vector<Sample> s;
    {
        std::lock_guard lock(samplesMutex);
        s = samples;
    }

    const Steady::time_point t0 = times.front();
    const double total = Seconds(times.back() - t0);
    std::printf("%zu exchanges (22 xx yy, answered automatically) in %.1f s, %zu not as expected\n\n", times.size(),
                total, mismatches);
    std::printf("| exchanges | rate | emulator tester thread | emulator serving thread | window thread |\n");
    std::printf("|---|---|---|---|---|\n");
    for (std::size_t i = 1; i < s.size(); ++i) {
        const double wall = Seconds(s[i].at - s[i - 1].at);
        if (wall <= 0) continue;
        const double n = static_cast<double>(s[i].exchanges - s[i - 1].exchanges);
        std::printf("| %zu-%zu | %.0f/s | %.0f %% | %.0f %% | %.0f %% |\n", s[i - 1].exchanges + 1, s[i].exchanges,
                    n / wall, 100 * (s[i].tester - s[i - 1].tester) / wall,
                    100 * (s[i].serving - s[i - 1].serving) / wall, 100 * (s[i].window - s[i - 1].window) / wall);
    }
    const double firstSpan = std::min(FirstWindow, total / 2);
    const double lastSpan = std::min(LastWindow, total / 2);
    const auto firstCount = std::count_if(times.begin(), times.end(), [&](Steady::time_point t) {
        return Seconds(t - t0) <= firstSpan;
    });
    const auto lastCount = std::count_if(times.begin(), times.end(), [&](Steady::time_point t) {
        return Seconds(times.back() - t) <= lastSpan;
    });
    const double firstRate = static_cast<double>(firstCount) / firstSpan;
    const double lastRate = static_cast<double>(lastCount) / lastSpan;
    std::printf("\nfirst %.1f s: %.0f/s; last %.1f s: %.0f/s; last at %.0f %% of first\n", firstSpan, firstRate,
                lastSpan, lastRate, 100 * lastRate / firstRate);
    std::printf("peak RSS: emulator %.1f MB, window %.1f MB\n", MB(emulatorPeak), MB(windowPeak));
    return 0;
}
