#pragma once
// What a window does with a simulation file before and after it creates the engine, cut down to
// what the headless driver needs: the engine's table limits measured from the file, and the
// registration of its request entries, fault-reading entries (their first answer column) and
// fixed exchanges. Activations are not registered.
#include <cstdint>

class TCustomIniFile;
class TKRIXCommunicationThread;

struct SimulationLimits {
    std::int32_t MaxReqLen = 0;
    std::int32_t MaxAnsLen = 0;
    std::int32_t MaxDescrLen = 0;
    std::int32_t MultiAnswerNum = 0;
    std::int32_t MaxReqCount = 0;
};

// Every count measured, plus one, times 1.25 (at least 8 answers per request).
SimulationLimits MeasureSimulation(const TCustomIniFile& simulation);
void ApplyLimits(TKRIXCommunicationThread& engine, const SimulationLimits& limits);

// Registers the entries with the engine once its stores exist; raises the engine's failure for
// an entry it refuses, with the section named.
void RegisterSimulation(TKRIXCommunicationThread& engine, const TCustomIniFile& simulation);
