// The engine's hot path: one pass of the request and answer loop (mode 1) that receives a request
// and answers it, with everything the running engine uses for it: the CAN_Standard routines
// selected from protocol.ini, the store the simulation was registered into, the pack pair, and
// the TxFrame / RxFrame the engine bound from the fake link library it loaded with dlopen. The
// pauses of the unit run on a virtual clock, so the link costs nothing but its own calls.
//
// The engine is brought up the window's way (constructed, registered, its link initialised on the
// fake) and then left idling in "loaded"; the pass runs on the benchmark's thread. Timing the
// engine's own thread would measure its idle poll (20 ms between empty receive calls in mode 1),
// not the work per request.
//
// Two links:
//   FakeLink  the fake library: every call takes its lock and records a full copy of the call;
//             the record is cleared between iterations outside the timing.
//   BareLink  in-process TxFrame / RxFrame that only hand out the queued frame and count, bound
//             over the engine's: the difference to FakeLink is the fake's own cost.
//
// Requests: a single frame 03 22 f1 90 answered with one frame (pack pair 1, the CAN_Standard
// default), and a single frame answered with 4095 wire bytes after a flow control of block size 0:
// a first frame and 584 consecutive frames (pack pair 2, so the answer's bytes go out as they are
// stored; the same frames as units_bench's BM_SendSegmentedAnswer4095).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "BusLink.h"
#include "FakeLinkControl.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"
#include "RequestLoop.h"
#include "WireText.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int SegmentedAnswerBytes = 4095;
constexpr std::uint8_t TesterFiller = 0x55;

const Bytes SingleFrameRequest{0x03, 0x22, 0xF1, 0x90, TesterFiller, TesterFiller, TesterFiller, TesterFiller};
const Bytes FlowControlAll{0x30, 0x00, 0x00, TesterFiller, TesterFiller, TesterFiller, TesterFiller, TesterFiller};
const std::string ReadIdentifier = "22f190";
const std::string IdentifierAnswer = "62f19041424344"; // 7 bytes, one frame with its length byte

// The 4095 wire bytes of the segmented answer: a positive response and a counting pattern.
std::string SegmentedAnswerText() {
    Bytes b(SegmentedAnswerBytes);
    for (int i = 0; i < SegmentedAnswerBytes; ++i) b[i] = static_cast<std::uint8_t>(i);
    b[0] = 0x62;
    std::string text(2 + 2 * b.size() + 1, '\0');
    WriteWireText(text.data(), b.data(), SegmentedAnswerBytes, SegmentedAnswerBytes);
    text.resize(2 * b.size());
    return text;
}

struct Config {
    const char* Name;
    int PackPair;
    std::int32_t MaxAnsLen;
    std::string Request;            // plain text as the store holds it
    std::string Answer;
};

const Config SingleFrameConfig{"single", 1, 64, ReadIdentifier, IdentifierAnswer};
// Pair 2 keeps texts as they are: the stored request carries the length byte the unit delivers.
const Config SegmentedConfig{"segmented", 2, 2 * SegmentedAnswerBytes, "03" + ReadIdentifier, SegmentedAnswerText()};

// A bench that ends while the engine is still running reports it instead of hanging the run.
void Require(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(what);
}

template <typename Pred> void WaitUntil(Pred pred, const char* what) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!pred()) {
        Require(std::chrono::steady_clock::now() < end, what);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// The link that costs nothing: one queued frame for RxFrame, a counter for TxFrame.
struct BareLink {
    static inline Bytes pending;
    static inline std::int64_t framesSent = 0;
    static bool Tx(int, int, const std::uint8_t*) {
        ++framesSent;
        return true;
    }
    static bool Rx(int* length, std::uint8_t* data) {
        *length = static_cast<int>(pending.size());
        if (pending.empty()) return false;
        std::memcpy(data, pending.data(), pending.size());
        pending.clear();
        return true;
    }
};

// One engine (one exists at a time) with the loop the benchmark drives.
class Bench {
public:
    explicit Bench(const Config& c) : config_(c) {
        root_ = fs::temp_directory_path() / ("tarvico_hotpath_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "Default_file");
        WriteFile(root_ / "Default_file" / "protocol.ini",
                  "[PROTOCOL1]\r\nMode=1\r\nSimulator_System=77\r\nUnknownRequest_Function=1\r\n"
                  "Rx_Answer_Function=1\r\nTx_Composer_Function=1\r\nPack_Function=" +
                      std::to_string(c.PackPair) + "\r\n");
        WriteFile(root_ / "simul1.ini",
                  "[PROTOCOL]\r\nPROTOCOL=1\r\nType=CAN\r\nSetMux=000B00304000\r\n"
                  "[CAN]\r\nBaude=500000\r\nId_Type=0\r\nID_ECU=7e8\r\nID_TESTER=7e0\r\n"
                  "[TESTER_PRESENT]\r\nR=3e00\r\nA=7e00\r\n");

        FakeLink_Reset();
        // The initialisation's polls wait on the virtual clock; the idle engine then sleeps for real.
        SetCurrentClock(&bringUpClock_);
        simulation_ = std::make_unique<TMemIniFile>((root_ / "simul1.ini").string());
        engine_ = std::make_unique<TKRIXCommunicationThread>(true, TProtocolStructure{}, *simulation_,
                                                             TARVICO_FAKELINK_DIR);
        TKRIXCommunicationThread& e = *engine_;
        e.MaxReqLen = 64;
        e.MaxAnsLen = c.MaxAnsLen;
        e.MultiAnswerNum = 1;
        e.MaxReqCount = 4;
        e.ActMaxCount = 1;
        e.ActAnsMaxCount = 1;
        e.Resume();
        WaitUntil([&] { return e.StoresReady(); }, "the engine created no stores");
        Require(e.AddRequest(c.Request, {c.Answer}, "bench", -1, RequestType::PSI), "AddRequest refused");
        e.Resume();
        e.Resume();
        e.SetComPort("COM3");
        WaitUntil([&] { return e.Status() != SimulatorStatus::InitLink; }, "no initialisation");
        SetCurrentClock(nullptr);
        Require(e.Status() == SimulatorStatus::Ready, "the initialisation failed");

        RequestLoopLinks links;
        links.Rx = e.RxAnswerFunction();
        links.Tx = e.TxComposerFunction();
        links.Store = &e.Store();
        links.UnknownRequest = [&e](std::int32_t* length, const std::string& text) {
            return e.UnknownRequestFunction(length, text);
        };
        // As the window's callback: copy the two texts.
        links.AddOriglioItem = [this](const std::string& q, const std::string& a, int type, const std::string&) {
            logRequest_.assign(q);
            logAnswer_.assign(a);
            if (type == OriglioItemType::Answered) ++answered_;
        };
        links.Pause = [](std::uint32_t) { return true; };
        loop_ = std::make_unique<RequestLoop>(e.Store().Limits(), std::move(links));
        engineTx_ = BoundTxFrame();
        engineRx_ = BoundRxFrame();
        SetBusClock(&unitClock_);
    }

    ~Bench() {
        SetBusClock(nullptr);
        loop_.reset();
        engine_.reset();
        FakeLink_Reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    const Config& Configuration() const { return config_; }
    void Pass() { loop_->Pass(engine_->Mode()); }
    void UseBareLink() { BindBusFrames(&BareLink::Tx, &BareLink::Rx); }
    void UseFakeLink() { BindBusFrames(engineTx_, engineRx_); }
    std::int64_t Answered() const { return answered_; }
    std::int64_t ResetAnswered() { return std::exchange(answered_, 0); }

private:
    Config config_;
    fs::path root_;
    VirtualClock bringUpClock_;
    VirtualClock unitClock_;
    std::unique_ptr<TMemIniFile> simulation_;
    std::unique_ptr<TKRIXCommunicationThread> engine_;
    std::unique_ptr<RequestLoop> loop_;
    KrixFn_TxFrame engineTx_ = nullptr;
    KrixFn_RxFrame engineRx_ = nullptr;
    std::string logRequest_;
    std::string logAnswer_;
    std::int64_t answered_ = 0;
};

std::unique_ptr<Bench>& Current() {
    static std::unique_ptr<Bench> bench;
    return bench;
}

Bench& BenchFor(const Config& c) {
    std::unique_ptr<Bench>& b = Current();
    if (!b || std::string_view(b->Configuration().Name) != c.Name) {
        b.reset(); // the old engine ends before the new one is built
        b = std::make_unique<Bench>(c);
    }
    b->ResetAnswered();
    return *b;
}

void Queue(const Bytes& frame) { FakeLink_QueueRxFrame(frame.data(), static_cast<std::int32_t>(frame.size())); }

void Report(benchmark::State& state, Bench& b, std::int64_t frames) {
    if (b.Answered() != static_cast<std::int64_t>(state.iterations()))
        state.SkipWithError("not every request was answered");
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(frames) / static_cast<double>(state.iterations()));
}

// ---- single frame -------------------------------------------------------------------------------

// The fake's record grows by one copy per call; cleared this often, outside the timing.
constexpr int FakeRecordBatch = 1024;

void BM_SingleFrame_FakeLink(benchmark::State& state) {
    Bench& b = BenchFor(SingleFrameConfig);
    b.UseFakeLink();
    int batch = 0;
    std::int64_t frames = 0;
    for (auto _ : state) {
        Queue(SingleFrameRequest);
        b.Pass();
        if (++batch == FakeRecordBatch) {
            state.PauseTiming();
            frames += FakeLink_CountOf(FakeLinkTxFrame);
            FakeLink_Reset();
            batch = 0;
            state.ResumeTiming();
        }
    }
    frames += FakeLink_CountOf(FakeLinkTxFrame);
    FakeLink_Reset();
    Report(state, b, frames);
}
BENCHMARK(BM_SingleFrame_FakeLink);

void BM_SingleFrame_BareLink(benchmark::State& state) {
    Bench& b = BenchFor(SingleFrameConfig);
    b.UseBareLink();
    BareLink::framesSent = 0;
    for (auto _ : state) {
        BareLink::pending = SingleFrameRequest;
        b.Pass();
    }
    b.UseFakeLink();
    Report(state, b, BareLink::framesSent);
}
BENCHMARK(BM_SingleFrame_BareLink);

// ---- 4095-byte answer ---------------------------------------------------------------------------

void BM_SegmentedAnswer4095_FakeLink(benchmark::State& state) {
    Bench& b = BenchFor(SegmentedConfig);
    b.UseFakeLink();
    std::int64_t frames = 0;
    for (auto _ : state) {
        Queue(SingleFrameRequest);
        Queue(FlowControlAll);
        b.Pass();
        state.PauseTiming();
        frames += FakeLink_CountOf(FakeLinkTxFrame);
        FakeLink_Reset();
        state.ResumeTiming();
    }
    Report(state, b, frames);
    state.SetBytesProcessed(state.iterations() * SegmentedAnswerBytes);
}
BENCHMARK(BM_SegmentedAnswer4095_FakeLink)->Unit(benchmark::kMicrosecond);

// The bare link hands out the request, then the flow control, one per RxFrame call.
struct TwoFrames {
    static inline int next = 0;
    static bool Rx(int* length, std::uint8_t* data) {
        const Bytes* f = next == 0 ? &SingleFrameRequest : next == 1 ? &FlowControlAll : nullptr;
        ++next;
        *length = f ? static_cast<int>(f->size()) : 0;
        if (!f) return false;
        std::memcpy(data, f->data(), f->size());
        return true;
    }
};

void BM_SegmentedAnswer4095_BareLink(benchmark::State& state) {
    Bench& b = BenchFor(SegmentedConfig);
    BindBusFrames(&BareLink::Tx, &TwoFrames::Rx);
    BareLink::framesSent = 0;
    for (auto _ : state) {
        TwoFrames::next = 0;
        b.Pass();
    }
    b.UseFakeLink();
    Report(state, b, BareLink::framesSent);
    state.SetBytesProcessed(state.iterations() * SegmentedAnswerBytes);
}
BENCHMARK(BM_SegmentedAnswer4095_BareLink)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    Current().reset(); // the engine ends while the libraries it loaded are still there
    benchmark::Shutdown();
    return 0;
}
