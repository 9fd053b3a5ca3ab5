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

TIndexedEcuList::TIndexedEcuList(TEcuList& list, std::initializer_list<Compared> indexed)
    : list_(list), indexed_(indexed) {
    for (std::size_t i = 0; i < list_.size(); ++i)
        for (Compared c : indexed_)
            if (FirstLike(list_[i], c) < 0)
                first_.emplace(HashOf(list_[i], c), static_cast<std::int32_t>(i));
}

TIndexedEcuList::Compared TIndexedEcuList::ComparedBy(const TEcuEntry& probe) {
    return (probe.hasPartNumbers ? PartNumbers : 0) | (probe.hasEngineCodes ? EngineCodes : 0);
}

std::size_t TIndexedEcuList::HashOf(const TEcuEntry& e, Compared compared) {
    std::size_t h = qHashMulti(compared, e.ecuText1, e.ecuName, e.ecuText2, e.ecuText3);
    if ((compared & PartNumbers) != 0)
        h = qHashMulti(h, e.partNumber);
    if ((compared & EngineCodes) != 0)
        h = qHashMulti(h, e.engineCode);
    return h;
}

bool TIndexedEcuList::Indexed(Compared compared) const {
    return std::find(indexed_.begin(), indexed_.end(), compared) != indexed_.end();
}

std::int32_t TIndexedEcuList::FirstLike(const TEcuEntry& entry, Compared compared) const {
    const auto [begin, end] = first_.equal_range(HashOf(entry, compared));
    for (auto it = begin; it != end; ++it)
        if (SameTexts(list_[static_cast<std::size_t>(it->second)], entry, compared))
            return it->second;
    return -1;
}

std::int32_t TIndexedEcuList::Find(const TEcuEntry& probe) const {
    const Compared compared = ComparedBy(probe);
    return Indexed(compared) ? FirstLike(probe, compared) : FindEcuEntry(list_, probe);
}

std::int32_t TIndexedEcuList::Append(const TEcuEntry& entry) {
    const auto index = static_cast<std::int32_t>(list_.size());
    list_.push_back(entry);
    // An entry answers a probe only where no earlier one does.
    for (Compared c : indexed_)
        if (FirstLike(entry, c) < 0)
            first_.emplace(HashOf(entry, c), index);
    return index;
}
