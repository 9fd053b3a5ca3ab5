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
//
// A simulation file cannot make the tables larger than what it holds: counts come from the
// sections that exist (a count N beyond them sizes nothing), every request and answer and both
// header lengths must fit the longest message a bus unit carries, and the room the tables take
// for the scaled limits is checked before any is reserved.
#include "Exception.h"
#include "IniFile.h"
#include "StoreOperations.h"

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

// The longest message a bus unit sends or delivers (the 12-bit length of an ISO 15765-2 first
// frame), and so the most bytes a request, an answer or a header of a simulation file may have.
inline constexpr std::int32_t MaxMessageBytes = 4095;
inline constexpr std::int32_t MaxMessageDigits = 2 * MaxMessageBytes;

// A value of the simulation file (or a table size derived from it) that no simulation can use.
// It ends the load: sizing tables for it would take memory without bound.
class SimulationOutOfRange : public Exception {
public:
    using Exception::Exception;
};

// Fills counts (starting from zero). Lengths are characters of the file form. Calls pump once
// per entry, letter and step when given. Returns empty, or the box text of a failure
// ("AnalizeSimulIni function error:\n" + message); the counts reached so far stay in counts.
// A request or answer longer than MaxMessageDigits, or a Len_Header_Rx / Len_Header_Tx above
// MaxMessageBytes (or too large to read), raises SimulationOutOfRange naming its section and key;
// the counts reached so far are in counts then too.
std::string AnalizeSimulIni(const TCustomIniFile& file, SizeCounts& counts,
                            const std::function<void()>& pump = {});

// (count + 1) x memoryInc, cut toward zero; the product is taken in double precision from the
// 32-bit factor, so (19 + 1) x 1.15f is just below 23 and gives 22. A factor below 1 would make
// tables smaller than the file needs and counts as 1; results beyond the 32-bit range are held
// at its largest value.
std::int32_t ScaleCount(std::int32_t count, float memoryInc);
SizeCounts ScaleCounts(const SizeCounts& counts, float memoryInc);

// The room, in bytes, that the engine's store reserves for these limits when it creates its
// tables: the live and edit copies of the request and activation tables, every slot with its
// answer slots and texts. An estimate within a small factor; it only has to tell a simulation
// from one that cannot be held.
double StoreBytes(const SizeCounts& limits);
inline constexpr double MaxStoreBytes = 1024.0 * 1024.0 * 1024.0;
// Raises SimulationOutOfRange with the limits and where they come from when StoreBytes(limits)
// is above MaxStoreBytes.
void CheckStoreRoom(const SizeCounts& limits);

// How the engine's store grows for the window's edits, as this load sized it: MemoryInc's
// headroom, the header's room added to every text, the settings' least MultiAnswerNum, no text
// longer than a load takes and no tables larger than CheckStoreRoom lets a load make.
TStoreGrowth EditGrowth(const TCustomIniFile& file, float memoryInc, std::int32_t minAnswers);

// Writes the seven limits from anything that has fields of their names into another: the engine
// before its thread first runs, or the store's limits (and back, to weigh a store's limits).
template <typename From, typename Limits> void ApplyLimits(const From& limits, Limits& target) {
    target.MaxReqLen = limits.MaxReqLen;
    target.MaxAnsLen = limits.MaxAnsLen;
    target.MaxDescrLen = limits.MaxDescrLen;
    target.ActAnsMaxCount = limits.ActAnsMaxCount;
    target.ActMaxCount = limits.ActMaxCount;
    target.MaxReqCount = limits.MaxReqCount;
    target.MultiAnswerNum = limits.MultiAnswerNum;
}
