#include "VehicleEntries.h"

#include "DatabaseFields.h"

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

bool EcuEntryMatches(const TEcuEntry& entry, const TEcuEntry& probe) {
    if (entry.ecuText1 != probe.ecuText1 || entry.ecuName != probe.ecuName || entry.ecuText2 != probe.ecuText2 ||
        entry.ecuText3 != probe.ecuText3)
        return false;
    if (probe.hasPartNumbers && entry.partNumber != probe.partNumber)
        return false;
    if (probe.hasEngineCodes && entry.engineCode != probe.engineCode)
        return false;
    return true;
}

std::int32_t FindEcuEntry(const TEcuList& list, const TEcuEntry& probe) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (EcuEntryMatches(list[i], probe))
            return static_cast<std::int32_t>(i);
    }
    return -1;
}
