#pragma once
// The sizing pass: measures a simulation file before the engine exists and yields the seven size
// counts from which the load derives the engine's table limits.
//
// It counts everything the loading pass registers, so that no valid file fails to load for want
// of table room: every request entry, fault-reading entry, the three fixed exchanges and every
// activation step (repetitions included) take a request slot; the answers of every fault-reading
// column, the manual one too, are measured and counted, since the errors page can hand any column
// to the engine; activations that share a name are one activation in the engine, so their steps
// are counted together.
#include "IniFile.h"

#include <cstdint>
#include <functional>
#include <string>

// The seven counts, in the order the engine's limits of the same names take them. The same
// record carries the scaled limits.
struct SizeCounts {
    std::int32_t MaxReqLen = 0;      // the longest request text
    std::int32_t MaxAnsLen = 0;      // the longest answer text
    std::int32_t MaxDescrLen = 0;    // the longest description, activation name or byte description
    std::int32_t ActAnsMaxCount = 0; // the most steps of one activation, repetitions included
    std::int32_t ActMaxCount = 0;    // the number of activations
    std::int32_t MaxReqCount = 0;    // the request slots the loading pass can fill
    std::int32_t MultiAnswerNum = 0; // the most answers of one entry, column or step

    bool operator==(const SizeCounts&) const = default;
};

inline constexpr const char* SizingFailurePrefix = "AnalizeSimulIni function error:\n";

// Fills counts (starting from zero). Lengths are characters of the file form. Calls pump once
// per entry, letter and step when given. Returns empty, or the box text of a failure
// ("AnalizeSimulIni function error:\n" + message); the counts reached so far stay in counts.
std::string AnalizeSimulIni(const TCustomIniFile& file, SizeCounts& counts,
                            const std::function<void()>& pump = {});

// (count + 1) x memoryInc, cut toward zero; the product is taken in double precision from the
// 32-bit factor, so (19 + 1) x 1.15f is just below 23 and gives 22. A factor below 1 would make
// tables smaller than the file needs and counts as 1; results beyond the 32-bit range are held
// at its largest value.
std::int32_t ScaleCount(std::int32_t count, float memoryInc);
SizeCounts ScaleCounts(const SizeCounts& counts, float memoryInc);

// Writes the seven limits into anything that has fields of their names: the engine before its
// thread first runs, or the store's limits.
template <typename Limits> void ApplyLimits(const SizeCounts& limits, Limits& target) {
    target.MaxReqLen = limits.MaxReqLen;
    target.MaxAnsLen = limits.MaxAnsLen;
    target.MaxDescrLen = limits.MaxDescrLen;
    target.ActAnsMaxCount = limits.ActAnsMaxCount;
    target.ActMaxCount = limits.ActMaxCount;
    target.MaxReqCount = limits.MaxReqCount;
    target.MultiAnswerNum = limits.MultiAnswerNum;
}
