// transparent_turnaround: how long a tester waits for the simulated ECU's answer through the KRIX
// device. The bundled CAN_Standard example runs on the engine with its bus units and the real
// libkrix_interface.so; the KRIX device emulator on a pseudo-terminal stands in for the device at
// 38400 baud, and a tester on its bus sends each request and times it until the whole answer has
// arrived (median and worst of the exchanges).
//
// A pseudo-terminal passes bytes without the serial line's pacing, so the time the bytes of one
// exchange need on a real 38400-baud line (8N1: ten bit times a byte) is given beside it: the
// device's 'r' frames that bring the tester's frames to the library and the '2' frames that
// carry the answer's frames back, each frame with its 7 bytes of transparent-mode framing.
//
// Two modes: back to back (each request right after the previous answer), and at random moments
// (each request 0 to 50 ms after the previous answer, evenly spread, from a fixed seed), so that
// requests meet the engine's and the driver thread's waits at every point of their cycles. Each
// reports median, 99th percentile and worst.
//
//   transparent_turnaround [EXCHANGES [RANDOM_EXCHANGES]]   (default 300 and 1,000 of each kind)
#include "BusTester.h"
#include "HeadlessEngine.h"
#include "KrixEmulator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifndef TARVICO_EXAMPLE_DIR
#error "TARVICO_EXAMPLE_DIR must name the bundled example simulation"
#endif

namespace {

using KrixEmu::Bytes;
using Clock = std::chrono::steady_clock;

constexpr int Com = 45;
constexpr double LineBaud = 38400.0;
constexpr double BitsPerByte = 10.0; // start bit, 8 data bits, stop bit
constexpr std::size_t TransparentFraming = 7;
constexpr int WarmUp = 10;
constexpr int DefaultExchanges = 300;
constexpr int DefaultRandomExchanges = 1000;
constexpr int MaxSpacingMs = 50;       // random mode: 0 to this many ms between two exchanges
constexpr unsigned SpacingSeed = 20261210;
constexpr auto Limit = std::chrono::seconds(60);

struct Kind {
    const char* name;
    Bytes request;
    std::size_t answerBytes;
};

double LineMs(std::size_t bytes) { return static_cast<double>(bytes) * BitsPerByte * 1000.0 / LineBaud; }

struct Measured {
    std::vector<double> ms; // sorted
    std::size_t lineBytes = 0;
};

// count exchanges of one kind after a warm-up; with spacing, each request waits that long after
// the previous answer. Nothing when an exchange failed.
std::optional<Measured> Measure(KrixEmu::BusTester& tester, const Kind& k, int count,
                                std::uniform_int_distribution<int>* spacing, std::mt19937* random) {
    Measured m;
    for (int i = 0; i < WarmUp + count; ++i) {
        if (spacing)
            std::this_thread::sleep_for(std::chrono::milliseconds((*spacing)(*random)));
        const std::size_t first = tester.Transcript().size();
        const auto start = Clock::now();
        const std::optional<Bytes> answer = tester.CanRequest(k.request);
        const auto end = Clock::now();
        if (!answer || answer->size() != k.answerBytes) {
            std::fprintf(stderr, "transparent_turnaround: exchange %d of \"%s\" failed\n", i, k.name);
            return std::nullopt;
        }
        if (i < WarmUp)
            continue;
        m.ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        m.lineBytes = 0;
        for (const KrixEmu::BusRecord& r : tester.TranscriptFrom(first))
            m.lineBytes += r.frame.size() + TransparentFraming;
    }
    std::sort(m.ms.begin(), m.ms.end());
    return m;
}

double Percentile(const std::vector<double>& sorted, double p) {
    const std::size_t rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

} // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultExchanges;
    const int randomExchanges = argc > 2 ? std::max(1, std::atoi(argv[2])) : DefaultRandomExchanges;
    KrixEmu::KrixEmulator emulator(static_cast<std::uint32_t>(LineBaud));
    emulator.Start();
    setenv(("KRIX_COM" + std::to_string(Com)).c_str(), emulator.SlaveName().c_str(), 1);

    HeadlessEngine engine;
    if (auto failure = engine.Load(std::string(TARVICO_EXAMPLE_DIR) + "/simul1.ini", ExecutableFolder(),
                                   "COM" + std::to_string(Com), Limit)) {
        std::fprintf(stderr, "transparent_turnaround: %s\n", failure->c_str());
        return 1;
    }
    if (!engine.Start(Limit)) {
        std::fprintf(stderr, "transparent_turnaround: the simulated ECU did not start\n");
        return 1;
    }

    const Kind kinds[] = {
        {"single frame each way (10 03 -> 6 bytes)", {0x10, 0x03}, 6},
        {"segmented answer (22 f1 8c -> 18 bytes)", {0x22, 0xF1, 0x8C}, 18},
    };
    std::printf("Turnaround from a tester's request to its whole answer through the emulated KRIX device\n"
                "(engine with CAN_Standard, libkrix_interface.so, emulator at %.0f baud on a pseudo-terminal):\n"
                "%d exchanges of each kind back to back, %d at random moments (0 to %d ms apart).\n\n",
                LineBaud, exchanges, randomExchanges, MaxSpacingMs);
    std::printf("%-42s %-14s %9s %9s %9s %23s %14s\n", "exchange", "requests", "median", "99th", "worst",
                "line time", "median + line");
    KrixEmu::BusTester tester(emulator);
    std::mt19937 random(SpacingSeed);
    std::uniform_int_distribution<int> spacing(0, MaxSpacingMs);
    for (const Kind& k : kinds) {
        for (const bool atRandom : {false, true}) {
            const std::optional<Measured> m = Measure(tester, k, atRandom ? randomExchanges : exchanges,
                                                      atRandom ? &spacing : nullptr, &random);
            if (!m)
                return 1;
            const double median = Percentile(m->ms, 0.5);
            const double line = LineMs(m->lineBytes);
            std::printf("%-42s %-14s %6.2f ms %6.2f ms %6.2f ms %8.2f ms (%3zu bytes) %8.2f ms\n",
                        atRandom ? "" : k.name, atRandom ? "random 0-50ms" : "back to back", median,
                        Percentile(m->ms, 0.99), m->ms.back(), line, m->lineBytes, median + line);
        }
    }
    engine.Stop(Limit);
    return 0;
}
