// krix_emulator: a KRIX device on a pseudo-terminal. Prints the slave's device name on the first
// line of its output and serves until it is interrupted or terminated. With -v every frame in
// and out goes to the error output.
//
//   krix_emulator [-v] [--baud N] [--bluetooth ADDRESS] [--link-state HEX8]
//                 [--activation-record HEX48] [--tester SCRIPT [--wait-seconds S] [--serve-after]]
//   KRIX_COM5=$(...) names the printed device as COM5 for the library.
//
// --bluetooth puts a pair of Bluetooth serial modules in front of the device: the host's side of
// the line runs at 115200 baud and reaches the device once it has called the remote module by
// ADDRESS (the library's SetBluetooth). --link-state gives bytes 9 to 12 of the device's
// link-state answer (4 bytes as 8 hex digits; the default 00010000 is a ready link),
// --activation-record bytes 9 to 32 of its activation status answer (24 bytes as 48 hex digits;
// the default holds no record).
//
// With --tester the emulator is also the tester on its bus: once the host has set a protocol and
// started the ECU (within S seconds, default 120), it sends the script's requests (see
// TesterScript.h), prints every exchange on the standard output and ends: 0 when every answer
// was the expected one, 1 when one was not, 3 when the ECU was never started. With
// --serve-after it goes on serving the host after the script until it is interrupted or
// terminated (so the host can end in order), and ends with the same status then. Interrupted
// or terminated while it waits for the ECU or for an answer, it ends at once: 0, or 1 when an
// answer before was not the expected one.
#include "BusTester.h"
#include "KrixEmulator.h"
#include "StopSignals.h"
#include "TesterScript.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <array>
#include <optional>
#include <string>

namespace {

constexpr int ExitMismatch = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNoBus = 3;
constexpr long DefaultWaitSeconds = 120;

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [-v] [--baud N] [--bluetooth ADDRESS] [--link-state HEX8] [--activation-record HEX48]\n"
                 "       [--tester SCRIPT [--wait-seconds S] [--serve-after]]\n",
                 program);
    return ExitUsage;
}

// Exactly N bytes as 2 N hex digits.
template <std::size_t N> std::optional<std::array<std::uint8_t, N>> HexBytes(const char* text) {
    if (std::strlen(text) != 2 * N)
        return std::nullopt;
    std::array<std::uint8_t, N> bytes{};
    for (std::size_t i = 0; i < N; ++i) {
        const char pair[3] = {text[2 * i], text[2 * i + 1], '\0'};
        char* end = nullptr;
        const unsigned long v = std::strtoul(pair, &end, 16);
        if (end != pair + 2)
            return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(v);
    }
    return bytes;
}

int RunTester(KrixEmu::KrixEmulator& emulator, const std::vector<KrixEmu::ScriptStep>& steps, long waitSeconds) {
    std::cout << "tester: waiting for the ECU to be started on the bus" << std::endl;
    if (!emulator.WaitUntilOnBus(std::chrono::seconds(waitSeconds))) {
        if (emulator.WaitsInterrupted()) {
            std::cout << "tester: stopped before the ECU was started" << std::endl;
            return 0;
        }
        std::cout << "tester: the ECU was not started within " << waitSeconds << " s" << std::endl;
        return ExitNoBus;
    }
    KrixEmu::PrintProtocolSetting(emulator, std::cout);
    KrixEmu::BusTester tester(emulator);
    const bool ok = KrixEmu::RunTesterScript(tester, steps, std::cout);
    if (tester.Interrupted())
        std::cout << "tester: stopped, " << (ok ? "all answers before as expected" : "NOT all answers before as expected")
                  << std::endl;
    else
        std::cout << "tester: " << steps.size() << " exchanges, " << (ok ? "all as expected" : "NOT all as expected")
                  << std::endl;
    return ok ? 0 : ExitMismatch;
}

} // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    std::uint32_t baud = KrixEmu::KrixEmulator::DefaultBaud;
    const char* script = nullptr;
    long waitSeconds = DefaultWaitSeconds;
    bool serveAfter = false;
    const char* moduleAddress = nullptr;
    std::optional<std::array<std::uint8_t, 4>> linkState;
    std::optional<std::array<std::uint8_t, KrixEmu::DeviceModel::ActivationRecordSize>> activationRecord;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc) {
            baud = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::strcmp(argv[i], "--tester") == 0 && i + 1 < argc) {
            script = argv[++i];
        } else if (std::strcmp(argv[i], "--wait-seconds") == 0 && i + 1 < argc) {
            waitSeconds = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--serve-after") == 0) {
            serveAfter = true;
        } else if (std::strcmp(argv[i], "--bluetooth") == 0 && i + 1 < argc) {
            moduleAddress = argv[++i];
        } else if (std::strcmp(argv[i], "--link-state") == 0 && i + 1 < argc) {
            if (!(linkState = HexBytes<4>(argv[++i])))
                return Usage(argv[0]);
        } else if (std::strcmp(argv[i], "--activation-record") == 0 && i + 1 < argc) {
            if (!(activationRecord = HexBytes<KrixEmu::DeviceModel::ActivationRecordSize>(argv[++i])))
                return Usage(argv[0]);
        } else {
            return Usage(argv[0]);
        }
    }
    if (KrixEmu::SpeedOf(baud) == B0) {
        std::fprintf(stderr, "krix_emulator: unsupported baud rate %u\n", baud);
        return ExitUsage;
    }
    std::optional<std::vector<KrixEmu::ScriptStep>> steps;
    if (script) {
        std::ifstream in(script);
        std::string error;
        if (in)
            steps = KrixEmu::ParseTesterScript(in, &error);
        else
            error = "cannot be read";
        if (!steps) {
            std::fprintf(stderr, "krix_emulator: %s: %s\n", script, error.c_str());
            return ExitUsage;
        }
    }

    try {
        KrixEmu::KrixEmulator emulator(baud);
        if (verbose)
            emulator.SetLog([](const std::string& line) { std::cerr << line << std::endl; });
        if (moduleAddress)
            emulator.AttachBluetoothModule(moduleAddress);
        emulator.Configure([&](KrixEmu::DeviceModel& m) {
            if (linkState)
                m.SetLinkState(*linkState);
            if (activationRecord)
                m.SetActivationRecord(*activationRecord);
        });
        // Before the serving thread starts, so that it inherits the blocked signals. A stop signal
        // ends the tester's waits; the device serves on until it is stopped below.
        KrixEmu::StopSignals stopSignals([&emulator] { emulator.InterruptWaits(); });
        emulator.Start();
        std::cout << emulator.SlaveName() << std::endl;
        int result = 0;
        if (steps)
            result = RunTester(emulator, *steps, waitSeconds);
        if (!steps || serveAfter)
            stopSignals.Wait();
        emulator.Stop();
        return result;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "krix_emulator: %s\n", e.what());
        return 1;
    }
}
