// The hot path of the bus units through a link that costs nothing: RxFrame hands out a frame
// prepared in memory, TxFrame only counts, and the pauses run on a virtual clock. What is left
// is the units' own work per request and per answer (CAN_Standard).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BusLink.h"
#include "CAN_Standard.h"

namespace {

struct ZeroLatencyLink {
    std::vector<std::uint8_t> pending; // handed out by the next RxFrame call
    std::int64_t framesSent = 0;
};
ZeroLatencyLink link;

bool BenchTx(int, int, const std::uint8_t*) {
    ++link.framesSent;
    return true;
}

bool BenchRx(int* length, std::uint8_t* data) {
    *length = static_cast<int>(link.pending.size());
    if (link.pending.empty()) return false;
    std::memcpy(data, link.pending.data(), link.pending.size());
    link.pending.clear();
    return true;
}

// Binds the fake link and a virtual clock for one benchmark.
class Bound {
public:
    Bound() {
        BindBusFrames(&BenchTx, &BenchRx);
        SetIdEcu(0x7E8);
        SetBusClock(&clock_);
        link = {};
        link.pending.reserve(16);
    }
    ~Bound() {
        BindBusFrames(nullptr, nullptr);
        SetBusClock(nullptr);
        SetIdEcu(0);
    }

private:
    VirtualClock clock_;
};

const std::vector<std::uint8_t> kSingleFrameRequest{0x03, 0x22, 0xF1, 0x90, 0x55, 0x55, 0x55, 0x55};
const std::vector<std::uint8_t> kFlowControlAll{0x30, 0x00, 0x00, 0x55, 0x55, 0x55, 0x55, 0x55};
const std::vector<std::uint8_t> kSingleFrameAnswer{0x07, 0x62, 0xF1, 0x90, 0x41, 0x42, 0x43, 0x44};

std::vector<std::uint8_t> SegmentedAnswer(int bytes) {
    std::vector<std::uint8_t> b(bytes);
    for (int i = 0; i < bytes; ++i) b[i] = static_cast<std::uint8_t>(i);
    return b;
}

void BM_ReceiveSingleFrame(benchmark::State& state) {
    Bound bound;
    std::vector<char> buffer(BusRxBufferSize);
    std::int32_t length = 0;
    for (auto _ : state) {
        link.pending = kSingleFrameRequest;
        benchmark::DoNotOptimize(RxData_CAN_1(&length, buffer.data(), nullptr));
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_ReceiveSingleFrame);

void BM_ReceiveAndAnswerSingleFrame(benchmark::State& state) {
    Bound bound;
    std::vector<char> buffer(BusRxBufferSize);
    std::int32_t length = 0;
    TTxInfo info;
    for (auto _ : state) {
        link.pending = kSingleFrameRequest;
        benchmark::DoNotOptimize(RxData_CAN_1(&length, buffer.data(), nullptr));
        benchmark::DoNotOptimize(TxData_CAN_1(static_cast<std::int32_t>(kSingleFrameAnswer.size()),
                                              kSingleFrameAnswer.data(), &info));
    }
}
BENCHMARK(BM_ReceiveAndAnswerSingleFrame);

// A 4095-byte answer after a flow control with block size 0: a first frame and 584 consecutive
// frames.
void BM_SendSegmentedAnswer4095(benchmark::State& state) {
    Bound bound;
    const std::vector<std::uint8_t> answer = SegmentedAnswer(4095);
    TTxInfo info;
    for (auto _ : state) {
        link.pending = kFlowControlAll;
        benchmark::DoNotOptimize(TxData_CAN_1(static_cast<std::int32_t>(answer.size()), answer.data(), &info));
    }
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(link.framesSent) / static_cast<double>(state.iterations()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(answer.size()));
}
BENCHMARK(BM_SendSegmentedAnswer4095);

} // namespace
