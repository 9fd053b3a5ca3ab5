#pragma once
// The entries of the lists that a vehicle's choice derives from the database: its systems
// (plants) and the ECU records of the chosen system, grouped into ECUs, their part numbers and
// their engine codes.
#include "EcuSelection.h"

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <unordered_map>
#include <vector>

// One system of the identified vehicle.
struct TPlantEntry {
    std::int32_t systemCode = 0;
    // The position of its record among the vehicle's consecutive tabVett.dat records, from 0.
    std::int32_t ordinal = 0;
};

// One ECU record of the chosen system as the lists see it.
struct TEcuEntry {
    QString ecuText1;
    QString ecuName;
    QString ecuText2;
    QString ecuText3;
    QString partNumber;
    QString engineCode;
    // The record's position in the system's ECU range, from 0.
    std::int32_t recordIndex = 0;
    // In the part-number list the owning ECU entry; in the engine-code list the owning
    // part-number entry.
    std::int32_t parentIndex = 0;
    bool hasPartNumbers = false;
    bool hasEngineCodes = false;

    // The six texts of a raw ECU record.
    static TEcuEntry FromRecord(const EcuSelectionRecord& record, std::int32_t recordIndex);
};

using TPlantList = std::vector<TPlantEntry>;
using TEcuList = std::vector<TEcuEntry>;

// Whether entry matches probe: the four ECU texts, the part number when the probe has part
// numbers, the engine code when it has engine codes; exact texts, case and blanks included.
bool EcuEntryMatches(const TEcuEntry& entry, const TEcuEntry& probe);

// The index of the first entry that matches probe, or -1.
std::int32_t FindEcuEntry(const TEcuList& list, const TEcuEntry& probe);

// An ECU list with an index beside it: FindEcuEntry's answer without a search, for probes
// whose flags are among those the index was made for (others are searched).
class TIndexedEcuList {
public:
    // The flags of a probe as the index tells them apart: bit 0 part numbers, bit 1 engine codes.
    using Compared = unsigned;
    static constexpr Compared PartNumbers = 1;
    static constexpr Compared EngineCodes = 2;

    TIndexedEcuList(TEcuList& list, std::initializer_list<Compared> indexed);

    std::int32_t Find(const TEcuEntry& probe) const;
    // Appends entry to the list; returns its index.
    std::int32_t Append(const TEcuEntry& entry);

private:
    static Compared ComparedBy(const TEcuEntry& probe);
    static std::size_t HashOf(const TEcuEntry& entry, Compared compared);
    bool Indexed(Compared compared) const;
    // The first entry that equals entry in the texts compared, or -1.
    std::int32_t FirstLike(const TEcuEntry& entry, Compared compared) const;

    TEcuList& list_;
    std::vector<Compared> indexed_;
    // By the hash of the texts compared (and which): the first entry of each set of equal texts.
    std::unordered_multimap<std::size_t, std::int32_t> first_;
};
