// The main window at the sizes of real simulations and long runs: the real TfFormMain with its
// pages and the real engine on its thread, against the fake link library, under Qt's offscreen
// platform. A plain program: each case runs in a process of its own (so its peak memory is its
// own) and the figures are printed as tables.
//
//   window_bench                         every case, the tables
//   window_bench --case <name> [n ...]   one case, its figures as key=value lines
//
// Cases:
//   load <requests> <faults> <activations>  Data > Load... with the open dialog answered at once
//       and the file accepted, until "System loaded!" is drawn with every page filled; then each
//       editing page shown, an error tab and an activation changed. Peak memory of the process.
//   unknown <rows>   "Auto Answer" on, the list of unknown requests filled to <rows> by the
//       tester's requests 22 xx yy, then a burst of new ones answered as fast as the engine and
//       the window go, and a run paced as the emulated bus paces it, with the window thread's
//       share of a core.
//   log <exchanges>  exchanges handed to the traffic log as the engine's thread hands them, in
//       bursts the window draws; the memory each exchange adds, and the window thread's time for
//       one (handing it in and drawing it) early and late in the log.
//
// The fixed waits of the load and the engine (250 ms after the engine's construction, the polls
// of its stores and its idle passes) run on a virtual clock, so the load's figure is the work.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ControllerTestSupport.h"
#include "FakeLinkControl.h"
#include "GeneratedSimulation.h"
#include "MainForm.h"
#include "RequestLoop.h"
#include "fixtures/SteppingClock.h"

namespace {

using Clock = std::chrono::steady_clock;
using Figures = std::map<std::string, double>;

constexpr auto CaseLimit = std::chrono::minutes(30);
// The exchanges a second the emulated device carries on its serial line with the example's
// tester (the start of a scan, where the window does not yet slow the bus down).
constexpr double EmulatedBusRate = 410.0;
constexpr auto PacedRunTime = std::chrono::seconds(5);
// Long enough that the window's look every 2 ms adds little to the burst's time.
constexpr int UnknownBurst = 5000;
// The simulation's own requests are 22 00 01 to 22 00 0a; the unknown ones start above them.
constexpr int SimulatedRequests = 10;
constexpr int FirstUnknownRequest = 0x100;
constexpr int LogBurst = 1000;
constexpr int MedianRuns = 5;
constexpr int LogTesterRequests = 8;
constexpr const char* SystemLoaded = "System loaded!";
constexpr const char* InCommunication = "In communication...";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// VmRSS and VmHWM of this process in bytes.
struct Memory {
    double Rss = 0, Peak = 0;
};
Memory ReadMemory() {
    Memory m;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            long kb = 0;
            if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) m.Rss = static_cast<double>(kb) * 1024;
            if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) m.Peak = static_cast<double>(kb) * 1024;
        }
        std::fclose(f);
    }
    return m;
}

// Runs the window's event loop until done() holds, looking every 2 ms; false after the limit.
bool RunUntil(const std::function<bool()>& done, Clock::duration limit = CaseLimit) {
    if (done()) return true;
    const auto end = Clock::now() + limit;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || Clock::now() > end) loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

// The open dialog answered with the file at once; the moment it is accepted starts the load.
class BenchDialogs final : public OperatorDialogs {
public:
    std::string File;
    Clock::time_point Accepted;
    std::vector<std::string> Boxes;

    std::optional<std::string> OpenFile(const FileDialogRequest&) override {
        Accepted = Clock::now();
        return File;
    }
    std::optional<std::string> SaveFile(const FileDialogRequest&) override { return std::nullopt; }
    void ShowMessage(const std::string& text) override { Boxes.push_back(text); }
    void Warning(const std::string& text) override { Boxes.push_back(text); }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    bool Confirm(const std::string&) override { return true; }
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "window_bench: %s\n", what.c_str());
    std::exit(2);
}

// The window on a generated simulation, with the controls the cases use.
class Bench {
public:
    explicit Bench(const SimulationSize& size, const std::string& systemSettings = "")
        : simulation_(size, TARVICO_FAKELINK_DIR, systemSettings) {
        FakeLink_Reset();
        // The fake's record of every call would grow with the run; the cases count otherwise.
        FakeLink_SetRecording(false);
        dialogs_.File = simulation_.Simulation();
        window_ = std::make_unique<TfFormMain>(simulation_.Program().string(), &dialogs_);
        window_->show();
        QCoreApplication::processEvents();
    }
    ~Bench() { window_.reset(); }

    TfFormMain& Window() { return *window_; }
    BenchDialogs& Dialogs() { return dialogs_; }
    template <typename T> T* Control(const char* name) {
        T* control = window_->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) Fail(std::string("no control ") + name);
        return control;
    }
    bool MessageShown(const char* line) {
        return Control<QPlainTextEdit>("mMessages")->toPlainText().contains(QString::fromLatin1(line));
    }
    void ShowPage(FormPage page) { Control<QTabWidget>("pgPageControl")->setCurrentIndex(static_cast<int>(page)); }
    // Draws the whole window now, as its next paint would.
    void Paint() {
        window_->repaint();
        QCoreApplication::processEvents();
    }

    // Data > Load... until "System loaded!" is drawn; the seconds from the accepted dialog.
    double Load() {
        Control<QAction>("mLoadIni")->trigger();
        if (!RunUntil([&] { return MessageShown(SystemLoaded); })) Fail("the load did not end in \"System loaded!\"");
        Paint();
        return Seconds(Clock::now() - dialogs_.Accepted);
    }

    // The lines the traffic log holds, whatever draws it.
    int LogLines() {
        if (log_ == nullptr) log_ = Control<QWidget>("reOriglio");
        QWidget* log = log_;
        if (auto* text = qobject_cast<QTextEdit*>(log)) return text->document()->blockCount() - 1;
        if (auto* view = qobject_cast<QAbstractItemView*>(log)) return view->model()->rowCount();
        Fail("the traffic log is neither a text nor a list");
    }

private:
    GeneratedSimulation simulation_;
    BenchDialogs dialogs_;
    std::unique_ptr<TfFormMain> window_;
    QWidget* log_ = nullptr;
};

// Seconds that one step takes, the window drawn after it.
double Timed(Bench& bench, const std::function<void()>& step) {
    const auto start = Clock::now();
    step();
    bench.Paint();
    return Seconds(Clock::now() - start);
}

Figures LoadCase(int requests, int faults, int activations) {
    Bench bench({requests, faults, activations});
    Figures f;
    f["before_rss"] = ReadMemory().Rss;
    f["load_s"] = bench.Load();
    const Memory loaded = ReadMemory();
    f["loaded_rss"] = loaded.Rss;
    f["loaded_peak"] = loaded.Peak;

    const int roots = bench.Control<QTreeWidget>("twPSI")->topLevelItemCount();
    if (roots != requests + 3) Fail("the request tree holds " + std::to_string(roots) + " roots");
    if (bench.Control<QTabBar>("tcErrors")->count() != faults) Fail("error tabs missing");
    const std::string caption = bench.Control<QGroupBox>("gbActivation")->title().toStdString();
    if (activations > 0 && caption != "Activation 1/" + std::to_string(activations)) Fail("activations: " + caption);
    if (bench.Window().Controller().Engine()->Status() != SimulatorStatus::Ready) Fail("the engine is not ready");

    f["psi_show_s"] = Timed(bench, [&] { bench.ShowPage(FormPage::PSI); });
    f["errors_show_s"] = Timed(bench, [&] { bench.ShowPage(FormPage::Errors); });
    if (faults > 1) {
        f["errors_tab_s"] = Timed(bench, [&] { bench.Control<QTabBar>("tcErrors")->setCurrentIndex(faults / 2); });
    }
    f["activations_show_s"] = Timed(bench, [&] { bench.ShowPage(FormPage::Activations); });
    if (activations > 1) f["activations_next_s"] = Timed(bench, [&] { bench.Control<QToolButton>("udActivationUp")->click(); });
    f["peak"] = ReadMemory().Peak;
    return f;
}

// A single frame of the tester: 22 hi lo (21 hi lo beyond the 65,536 identifiers of 22), the
// length byte first, the tester's filler after.
void TesterAsks(int id) {
    const auto service = static_cast<std::uint8_t>(id < 0x10000 ? 0x22 : 0x21);
    const std::uint8_t frame[8] = {3, service, static_cast<std::uint8_t>((id >> 8) & 0xFF),
                                   static_cast<std::uint8_t>(id & 0xFF), 0x55, 0x55, 0x55, 0x55};
    FakeLink_QueueRxFrame(frame, 8);
}

Figures UnknownCase(int rows) {
    // Requests of the tester's length in the simulation, so the engine takes them; automatic
    // answers short enough for one frame.
    Bench bench({SimulatedRequests}, "[OPTIONS]\r\nAutoAnswer=1\r\nDefaultLength=4\r\n");
    bench.Load();
    bench.Window().cmdStartClick();
    if (!RunUntil([&] { return bench.MessageShown(InCommunication); })) Fail("the engine did not start");
    UnknownRequestList& list = bench.Window().UnknownRequests();
    const auto listed = [&] { return static_cast<int>(list.Version()); };

    Figures f;
    int next = FirstUnknownRequest;
    const auto fillStart = Clock::now();
    for (int i = 0; i < rows; ++i) TesterAsks(next++);
    if (!RunUntil([&] { return listed() >= rows; })) Fail("the list did not fill");
    f["fill_s"] = Seconds(Clock::now() - fillStart);

    // A burst as fast as the engine and the window answer.
    {
        const double cpu = ThreadCpuSeconds();
        const auto start = Clock::now();
        for (int i = 0; i < UnknownBurst; ++i) TesterAsks(next++);
        if (!RunUntil([&] { return listed() >= next - FirstUnknownRequest; })) Fail("the burst was not answered");
        const double wall = Seconds(Clock::now() - start);
        f["burst_rate"] = UnknownBurst / wall;
        f["burst_window_core"] = (ThreadCpuSeconds() - cpu) / wall;
    }

    // Paced as the emulated bus paces a scan: the window thread's share of a core.
    {
        const int count = static_cast<int>(EmulatedBusRate * Seconds(PacedRunTime));
        const int first = next;
        next += count;
        std::atomic<bool> fed{false};
        const double cpu = ThreadCpuSeconds();
        const auto start = Clock::now();
        std::thread bus([&] {
            const auto period = std::chrono::duration<double>(1.0 / EmulatedBusRate);
            for (int i = 0; i < count; ++i) {
                std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(period * i));
                TesterAsks(first + i);
            }
            fed = true;
        });
        const bool answered = RunUntil([&] { return fed && listed() >= next - FirstUnknownRequest; });
        bus.join();
        if (!answered) Fail("the paced run was not answered");
        const double wall = Seconds(Clock::now() - start);
        f["paced_rate"] = count / wall;
        f["paced_window_core"] = (ThreadCpuSeconds() - cpu) / wall;
    }
    f["rows"] = listed();
    f["peak"] = ReadMemory().Peak;
    return f;
}

Figures LogCase(int exchanges) {
    Bench bench({0});
    Figures f;
    int drawn = 0;
    std::vector<double> burstSeconds;
    // A tester's round of a few requests over and over, as long as its usual ones; the answers
    // change with every exchange.
    const auto burst = [&](int first) {
        const double start = ThreadCpuSeconds();
        for (int i = first; i < first + LogBurst; ++i) {
            const std::string id = Hex4(i % LogTesterRequests);
            bench.Window().AddOriglioItem("0322" + id, "0762" + id + Hex4(i & 0xFFFF) + "0304",
                                          OriglioItemType::Answered, "PSI - Value");
        }
        drawn += 2 * LogBurst;
        if (!RunUntil([&] { return bench.LogLines() >= drawn; })) Fail("the log fell behind");
        burstSeconds.push_back(ThreadCpuSeconds() - start);
    };
    burst(0);
    const double base = ReadMemory().Rss;
    burstSeconds.clear();
    for (int done = 0; done < exchanges; done += LogBurst) burst(done);
    const double added = ReadMemory().Rss - base;
    f["bytes_per_exchange"] = added / exchanges;
    const std::size_t tenth = std::max<std::size_t>(burstSeconds.size() / 10, 1);
    double early = 0, late = 0;
    for (std::size_t i = 0; i < tenth; ++i) {
        early += burstSeconds[i];
        late += burstSeconds[burstSeconds.size() - 1 - i];
    }
    f["early_us_per_exchange"] = early / (tenth * LogBurst) * 1e6;
    f["late_us_per_exchange"] = late / (tenth * LogBurst) * 1e6;
    f["lines"] = bench.LogLines();
    f["peak"] = ReadMemory().Peak;
    return f;
}

int RunCase(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    SteppingClock clock;
    ClockGuard guard(clock);
    const std::string name = argv[2];
    const auto arg = [&](int i) { return argc > 3 + i ? std::atoi(argv[3 + i]) : 0; };
    Figures f;
    if (name == "load") f = LoadCase(arg(0), arg(1), arg(2));
    else if (name == "unknown") f = UnknownCase(arg(0));
    else if (name == "log") f = LogCase(arg(0));
    else Fail("no case " + name);
    for (const auto& [key, value] : f) std::printf("%s=%.9g\n", key.c_str(), value);
    return 0;
}

// ---- the tables -------------------------------------------------------------------------------

// This program's own file, for the cases' processes.
std::string ProgramFile() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) Fail("cannot find this program's file");
    return self.string();
}

Figures RunChild(const std::string& args) {
    const std::string command = "'" + ProgramFile() + "' --case " + args;
    Figures f;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) Fail("cannot run " + command);
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        char key[128];
        double value = 0;
        if (std::sscanf(line, "%127[^=]=%lf", key, &value) == 2) f[key] = value;
    }
    if (::pclose(pipe) != 0) Fail("the case failed: " + args);
    return f;
}

// The case run `runs` times: each figure's median, and the highest peak.
Figures RunMedian(const std::string& args, int runs) {
    std::map<std::string, std::vector<double>> all;
    for (int r = 0; r < runs; ++r)
        for (const auto& [key, value] : RunChild(args)) all[key].push_back(value);
    Figures f;
    for (auto& [key, values] : all) {
        std::sort(values.begin(), values.end());
        f[key] = key == "peak" ? values.back() : values[values.size() / 2];
    }
    return f;
}

double MB(double bytes) { return bytes / (1024.0 * 1024.0); }

int RunAll() {
    std::printf("Medians of %d runs (the log: one run); peak memory: the highest.\n\n", MedianRuns);
    std::printf("Window load (dialog accepted to \"System loaded!\", every page filled), peak memory:\n\n");
    std::printf("| requests | load | peak RSS | PSI page shown |\n|---|---|---|---|\n");
    double load5000 = 0;
    for (int requests : {1000, 5000, 20000}) {
        const Figures f = RunMedian("load " + std::to_string(requests) + " 0 0", MedianRuns);
        if (requests == 5000) load5000 = f.at("load_s");
        std::printf("| %d | %.3f s | %.0f MB | %.3f s |\n", requests, f.at("load_s"), MB(f.at("peak")),
                    f.at("psi_show_s"));
        if (requests == 20000) std::printf("\n20,000 / 5,000 load time: %.2f\n", f.at("load_s") / load5000);
        std::fflush(stdout);
    }

    std::printf("\nEditing pages (1,000 entries, 100 requests beside them):\n\n");
    std::printf("| page | load | page shown | next entry shown | peak RSS |\n|---|---|---|---|---|\n");
    {
        const Figures f = RunMedian("load 100 1000 0", MedianRuns);
        std::printf("| errors, 1,000 fault-reading entries | %.3f s | %.3f s | %.3f s | %.0f MB |\n", f.at("load_s"),
                    f.at("errors_show_s"), f.at("errors_tab_s"), MB(f.at("peak")));
    }
    {
        const Figures f = RunMedian("load 100 0 1000", MedianRuns);
        std::printf("| activations, 1,000 activations | %.3f s | %.3f s | %.3f s | %.0f MB |\n", f.at("load_s"),
                    f.at("activations_show_s"), f.at("activations_next_s"), MB(f.at("peak")));
    }
    std::fflush(stdout);

    std::printf("\nUnknown requests answered automatically (a burst of %d new ones; a run paced at %.0f a second):\n\n",
                UnknownBurst, EmulatedBusRate);
    std::printf("| rows listed | filled in | burst rate | window thread (burst) | window thread (paced) |\n"
                "|---|---|---|---|---|\n");
    double rate100 = 0;
    for (int rows : {100, 60000}) {
        const Figures f = RunMedian("unknown " + std::to_string(rows), MedianRuns);
        if (rows == 100) rate100 = f.at("burst_rate");
        std::printf("| %d | %.1f s | %.0f /s | %.0f %% | %.0f %% |\n", rows, f.at("fill_s"), f.at("burst_rate"),
                    100 * f.at("burst_window_core"), 100 * f.at("paced_window_core"));
        if (rows == 60000) std::printf("\nrate at 60,000 rows / rate at 100 rows: %.0f %%\n", 100 * f.at("burst_rate") / rate100);
        std::fflush(stdout);
    }

    const int exchanges = 1000000;
    std::printf("\nTraffic log over %d exchanges:\n\n", exchanges);
    std::printf("| memory per exchange | draw, first tenth | draw, last tenth | peak RSS |\n|---|---|---|---|\n");
    const Figures f = RunChild("log " + std::to_string(exchanges));
    std::printf("| %.0f bytes | %.2f us | %.2f us | %.0f MB |\n", f.at("bytes_per_exchange"),
                f.at("early_us_per_exchange"), f.at("late_us_per_exchange"), MB(f.at("peak")));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[1]) == "--case") return RunCase(argc, argv);
    return RunAll();
}
