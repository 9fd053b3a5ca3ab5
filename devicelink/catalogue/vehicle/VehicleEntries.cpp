#include "VehicleEntries.h"

#include "DatabaseFields.h"

#include <QHashFunctions>

#include <algorithm>

TEcuEntry TEcuEntry::FromRecord(const EcuSelectionRecord& record, std::int32_t recordIndex) {
    using R = EcuSelectionRecord;
    TEcuEntry e;
    e.ecuText1 = VehicleFields::Text(record.at(R::EcuText1Offset), R::EcuText1Width);
    e.ecuName = VehicleFields::Text(record.at(R::NameOffset), R::NameWidth);
    e.ecuText2 = VehicleFields::Text(record.at(R::EcuText2Offset), R::EcuText2Width);
    e.ecuText3 = VehicleFields::Text(record.at(R::EcuText3Offset), R::EcuText3Width);
    e.partNumber = VehicleFields::Text(record.at(R::PartNumberOffset), R::PartNumberWidth);
    e.engineCode = VehicleFields::Text(record.at(R::EngineCodeOffset), R::EngineCodeWidth);
    e.recordIndex = recordIndex;
    return e;
}

namespace {

using Compared = TIndexedEcuList::Compared;

bool SameTexts(const TEcuEntry& a, const TEcuEntry& b, Compared compared) {
    if (a.ecuText1 != b.ecuText1 || a.ecuName != b.ecuName || a.ecuText2 != b.ecuText2 || a.ecuText3 != b.ecuText3)
        return false;
    if ((compared & TIndexedEcuList::PartNumbers) != 0 && a.partNumber != b.partNumber)
        return false;
    if ((compared & TIndexedEcuList::EngineCodes) != 0 && a.engineCode != b.engineCode)
        return false;
    return true;
}

} // namespace

bool EcuEntryMatches(const TEcuEntry& entry, const TEcuEntry& probe) {
    return SameTexts(entry, probe,
                     (probe.hasPartNumbers ? TIndexedEcuList::PartNumbers : 0) |
                         (probe.hasEngineCodes ? TIndexedEcuList::EngineCodes : 0));
}

std::int32_t FindEcuEntry(const TEcuList& list, const TEcuEntry& probe) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (EcuEntryMatches(list[i], probe))
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

TEcuTextHashes TEcuTextHashes::Of(const TEcuEntry& e) {
    return {qHashMulti(0, e.ecuText1, e.ecuName, e.ecuText2, e.ecuText3), qHash(e.partNumber), qHash(e.engineCode)};
}

namespace {

constexpr std::size_t FirstPlaces = 64;

// Spreads every bit of a hash over the low ones, which choose the place.
std::size_t Mixed(std::size_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

} // namespace

TIndexedEcuList::TIndexedEcuList(TEcuList& list, std::initializer_list<Compared> indexed)
    : list_(list), indexed_(indexed), places_(FirstPlaces) {
    for (std::size_t i = 0; i < list_.size(); ++i) {
        hashes_.push_back(TEcuTextHashes::Of(list_[i]));
        Index(static_cast<std::int32_t>(i));
    }
}

TIndexedEcuList::Compared TIndexedEcuList::ComparedBy(const TEcuEntry& probe) {
    return (probe.hasPartNumbers ? PartNumbers : 0) | (probe.hasEngineCodes ? EngineCodes : 0);
}

std::size_t TIndexedEcuList::HashOf(const TEcuTextHashes& hashes, Compared compared) {
    std::size_t h = qHashMulti(compared, hashes.ecu);
    if ((compared & PartNumbers) != 0)
        h = qHashMulti(h, hashes.partNumber);
    if ((compared & EngineCodes) != 0)
        h = qHashMulti(h, hashes.engineCode);
    return Mixed(h);
}

bool TIndexedEcuList::Indexed(Compared compared) const {
    return std::find(indexed_.begin(), indexed_.end(), compared) != indexed_.end();
}

std::int32_t TIndexedEcuList::FirstLike(const TEcuEntry& entry, std::size_t hash, Compared compared,
                                        std::size_t* free) const {
    const std::size_t mask = places_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Place& p = places_[i];
        if (p.entry < 0) {
            if (free != nullptr)
                *free = i;
            return -1;
        }
        if (p.hash == hash && SameTexts(list_[static_cast<std::size_t>(p.entry)], entry, compared))
            return p.entry;
    }
}

void TIndexedEcuList::Index(std::int32_t entry) {
    const TEcuEntry& e = list_[static_cast<std::size_t>(entry)];
    for (Compared c : indexed_) {
        // An entry answers a probe only where no earlier one does.
        const std::size_t hash = HashOf(hashes_[static_cast<std::size_t>(entry)], c);
        std::size_t free = 0;
        if (FirstLike(e, hash, c, &free) >= 0)
            continue;
        places_[free] = {hash, entry};
        if (++taken_ * 2 > places_.size())
            Grow();
    }
}

void TIndexedEcuList::Grow() {
    std::vector<Place> old(places_.size() * 2);
    old.swap(places_);
    const std::size_t mask = places_.size() - 1;
    for (const Place& p : old) {
        if (p.entry < 0)
            continue;
        std::size_t i = p.hash & mask;
        while (places_[i].entry >= 0)
            i = (i + 1) & mask;
        places_[i] = p;
    }
}

std::int32_t TIndexedEcuList::Find(const TEcuEntry& probe, const TEcuTextHashes& hashes) const {
    const Compared compared = ComparedBy(probe);
    if (!Indexed(compared))
        return FindEcuEntry(list_, probe);
    return FirstLike(probe, HashOf(hashes, compared), compared, nullptr);
}

std::int32_t TIndexedEcuList::Append(const TEcuEntry& entry, const TEcuTextHashes& hashes) {
    const auto index = static_cast<std::int32_t>(list_.size());
    list_.push_back(entry);
    hashes_.push_back(hashes);
    Index(index);
    return index;
}
