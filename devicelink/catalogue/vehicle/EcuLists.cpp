// The ECU records of the chosen system grouped into ECUs, part numbers and engine codes, and
// the choice of one ECU record through them.
#include "TVehicleDatabase.h"

#include <algorithm>

using namespace VehicleTables;

namespace {

constexpr auto EcuSize = static_cast<std::int64_t>(EcuSelectionRecord::Size);

std::int32_t Append(TEcuList& list, const TEcuEntry& entry) {
    list.push_back(entry);
    return static_cast<std::int32_t>(list.size() - 1);
}

} // namespace

const TEcuList& TVehicleDatabase::BuildEcuLists() {
    ecuList_.clear();
    partNumbers_.clear();
    engineCodes_.clear();
    ecuRecordRead_ = false;
    if (!tables_[Ecus].IsOpen() || ecus_.start < 0)
        return ecuList_;

    // Records past the end of the file are not there to be read, and an end before its start
    // leaves the range empty.
    const std::int64_t end = std::min<std::int64_t>(ecus_.end, sizes_[Ecus]);
    const std::int64_t n = end > ecus_.start ? (end - ecus_.start) / EcuSize : 0;
    EcuSelectionRecord record;
    for (std::int64_t i = 0; i < n; ++i) {
        if (!tables_[Ecus].ReadAt(ecus_.start + i * EcuSize, record.bytes, sizeof record.bytes))
            continue;
        TEcuEntry probe = TEcuEntry::FromRecord(record, static_cast<std::int32_t>(i));

        const std::int32_t e = FindEcuEntry(ecuList_, probe);
        if (e < 0) {
            ecuList_.push_back(probe);
            continue;
        }

        // A further record of ECU e: its part number, compared among e's part numbers.
        probe.hasPartNumbers = true;
        probe.parentIndex = e;
        std::int32_t p = FindEcuEntry(partNumbers_, probe);
        // The part-number entry that stands for e's first record.
        std::int32_t s = -1;
        if (p < 0) {
            ecuList_[e].hasPartNumbers = true;
            p = Append(partNumbers_, probe);
            s = FindEcuEntry(partNumbers_, ecuList_[e]);
            if (s < 0) {
                TEcuEntry first = ecuList_[e];
                first.parentIndex = e;
                s = Append(partNumbers_, first);
            }
        }

        // Its pair of part number and engine code, under part-number entry p.
        probe.hasEngineCodes = true;
        probe.parentIndex = p;
        if (FindEcuEntry(engineCodes_, probe) >= 0)
            continue;
        ecuList_[e].hasEngineCodes = true;
        Append(engineCodes_, probe);
        if (FindEcuEntry(engineCodes_, ecuList_[e]) < 0) {
            // The first record's engine code is entered the first time e gets engine codes,
            // which is the time its part-number entry was made; find it should that not hold.
            if (s < 0)
                s = FindEcuEntry(partNumbers_, ecuList_[e]);
            TEcuEntry first = ecuList_[e];
            first.parentIndex = s;
            Append(engineCodes_, first);
        }
    }
    return ecuList_;
}

bool TVehicleDatabase::SelectEcu(std::uint32_t e, std::uint32_t p, std::uint32_t c) {
    if (e >= ecuList_.size())
        return false;
    const TEcuEntry& ecu = ecuList_[e];
    std::int32_t record = ecu.recordIndex;
    std::int32_t partNumber = selectedPartNumber_;
    std::int32_t engineCode = selectedEngineCode_;
    if (ecu.hasPartNumbers) {
        if (p >= partNumbers_.size())
            return false;
        record = partNumbers_[p].recordIndex;
        partNumber = static_cast<std::int32_t>(p);
    }
    if (ecu.hasEngineCodes) {
        if (c >= engineCodes_.size())
            return false;
        record = engineCodes_[c].recordIndex;
        engineCode = static_cast<std::int32_t>(c);
    }
    if (tables_[Ecus].IsOpen()) {
        EcuSelectionRecord read;
        if (!tables_[Ecus].ReadAt(ecus_.start + record * EcuSize, read.bytes, sizeof read.bytes))
            return false;
        ecuRecord_ = read;
        ecuRecordRead_ = true;
    }
    selectedEcu_ = static_cast<std::int32_t>(e);
    selectedPartNumber_ = partNumber;
    selectedEngineCode_ = engineCode;
    return true;
}

bool TVehicleDatabase::GetEcuRecord(EcuSelectionRecord& out) const {
    // The record must be one that a choice among the current lists read: the lists of another
    // system would hand over an ECU that is not the one chosen.
    if (!ecuRecordRead_ || selectedEcu_ < 0 || static_cast<std::size_t>(selectedEcu_) >= ecuList_.size())
        return false;
    out = ecuRecord_;
    return true;
}
