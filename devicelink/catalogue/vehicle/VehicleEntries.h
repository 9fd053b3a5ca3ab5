#pragma once
// The entries of the lists that a vehicle's choice derives from the database: its systems
// (plants) and the ECU records of the chosen system, grouped into ECUs, their part numbers and
// their engine codes.
#include "EcuSelection.h"

#include <QString>

#include <cstdint>
#include <initializer_list>
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

// The hashes of an entry's texts: its four ECU texts together, its part number, its engine code.
struct TEcuTextHashes {
    std::size_t ecu = 0;
    std::size_t partNumber = 0;
    std::size_t engineCode = 0;

    static TEcuTextHashes Of(const TEcuEntry& entry);
};

// An ECU list with an index beside it: FindEcuEntry's answer without a search, for probes
// whose flags are among those the index was made for (others are searched). The hashes of a
// probe's texts may be given, so that one record's texts are hashed once for every list.
class TIndexedEcuList {
public:
    // The flags of a probe as the index tells them apart: bit 0 part numbers, bit 1 engine codes.
    using Compared = unsigned;
    static constexpr Compared PartNumbers = 1;
    static constexpr Compared EngineCodes = 2;

    TIndexedEcuList(TEcuList& list, std::initializer_list<Compared> indexed);

    std::int32_t Find(const TEcuEntry& probe, const TEcuTextHashes& hashes) const;
    std::int32_t Find(const TEcuEntry& probe) const { return Find(probe, TEcuTextHashes::Of(probe)); }
    // Appends entry to the list; returns its index.
    std::int32_t Append(const TEcuEntry& entry, const TEcuTextHashes& hashes);
    std::int32_t Append(const TEcuEntry& entry) { return Append(entry, TEcuTextHashes::Of(entry)); }
    // The hashes of the texts of entry i.
    const TEcuTextHashes& HashesAt(std::int32_t i) const { return hashes_[static_cast<std::size_t>(i)]; }

private:
    // One place of the open-addressed index: the hash of the texts compared, and the first entry
    // holding them (-1: the place is free).
    struct Place {
        std::size_t hash = 0;
        std::int32_t entry = -1;
    };

    static Compared ComparedBy(const TEcuEntry& probe);
    static std::size_t HashOf(const TEcuTextHashes& hashes, Compared compared);
    bool Indexed(Compared compared) const;
    // The first entry that equals entry in the texts compared, or -1; else where it would go.
    std::int32_t FirstLike(const TEcuEntry& entry, std::size_t hash, Compared compared, std::size_t* free) const;
    void Index(std::int32_t entry);
    void Grow();

    TEcuList& list_;
    std::vector<Compared> indexed_;
    std::vector<TEcuTextHashes> hashes_;
    std::vector<Place> places_; // a power of two of them, at most half taken
    std::size_t taken_ = 0;
};
