// krix_emulator: a KRIX device on a pseudo-terminal. Prints the slave's device name on the first
// line of its output and serves until it is interrupted or terminated. With -v every frame in
// and out goes to the error output.
//
//   krix_emulator [-v] [--baud N]
//   KRIX_COM5=$(...) names the printed device as COM5 for the library.
#include "KrixEmulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    bool verbose = false;
    std::uint32_t baud = KrixEmu::KrixEmulator::DefaultBaud;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc) {
            baud = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: %s [-v] [--baud N]\n", argv[0]);
            return 2;
        }
    }
    if (KrixEmu::SpeedOf(baud) == B0) {
        std::fprintf(stderr, "krix_emulator: unsupported baud rate %u\n", baud);
        return 2;
    }

    // Signals are taken by sigwait below, not by a handler, so the serving thread never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        KrixEmu::KrixEmulator emulator(baud);
        if (verbose)
            emulator.SetLog([](const std::string& line) { std::cerr << line << std::endl; });
        emulator.Start();
        std::cout << emulator.SlaveName() << std::endl;
        int signal = 0;
        sigwait(&stopSignals, &signal);
        emulator.Stop();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "krix_emulator: %s\n", e.what());
        return 1;
    }
    return 0;
}
