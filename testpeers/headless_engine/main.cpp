// tarvico_headless: the simulation engine without its window, for the main job. Loads a
// simulation, initialises the KRIX device on the COM port given (KRIX_COM<n> names its device),
// starts the simulated ECU and answers the tester until it is interrupted or terminated (or for
// the seconds given), printing every status change and exchange.
//
//   tarvico_headless SIMULATION_FILE COM<n> [--seconds N]
//
// The libraries are taken from the program's own folder. Exit codes: 0 stopped in order, 1 the
// load, the initialisation or the start failed, 2 wrong arguments.
#include "HeadlessEngine.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>

namespace {

constexpr auto LoadLimit = std::chrono::seconds(120);
constexpr auto CommandLimit = std::chrono::seconds(30);


} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::strcmp(argv[3], "--seconds") == 0)) {
        std::cerr << "usage: " << argv[0] << " SIMULATION_FILE COM<n> [--seconds N]" << std::endl;
        return 2;
    }
    const long seconds = argc == 5 ? std::strtol(argv[4], nullptr, 10) : 0;

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::mutex printMutex;
    HeadlessEngine engine([&](const EngineEvent& e) {
        std::lock_guard lock(printMutex);
        std::cout << EventLine(e) << std::endl;
    });
    if (const auto failure = engine.Load(argv[1], ExecutableFolder(), argv[2], LoadLimit)) {
        std::cerr << "tarvico_headless: " << *failure << std::endl;
        return 1;
    }
    if (!engine.Start(CommandLimit)) {
        std::cerr << "tarvico_headless: the simulated ECU did not start" << std::endl;
        return 1;
    }
    if (seconds > 0) {
        const timespec wait{seconds, 0};
        sigtimedwait(&stopSignals, nullptr, &wait);
    } else {
        int signal = 0;
        sigwait(&stopSignals, &signal);
    }
    engine.Stop(CommandLimit);
    return 0;
}
