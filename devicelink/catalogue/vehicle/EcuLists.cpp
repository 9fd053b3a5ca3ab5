// The ECU records of the chosen system grouped into ECUs, part numbers and engine codes, and
// the choice of one ECU record through them.
#include "TVehicleDatabase.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace VehicleTables;

namespace {

constexpr auto EcuSize = static_cast<std::int64_t>(EcuSelectionRecord::Size);
// Records read at once.
constexpr std::int64_t RecordsARead = 256;

} // namespace

// Each record is compared with the lists through their indexes, so grouping the records costs
// about the same for each: the lists and their order are those of searching each list from its
// first entry.
const TEcuList& TVehicleDatabase::BuildEcuLists() {
    ecuList_.clear();
    partNumbers_.clear();
    engineCodes_.clear();
    ecuRecordRead_ = false;
    if (!tables_[Ecus].IsOpen() || ecus_.start < 0)
        return ecuList_;

    using C = TIndexedEcuList;
    // The probes each list is searched with: a record's own texts in the ECU list; a further
    // record, or its ECU's first one, among the part numbers; both among the engine codes.
    TIndexedEcuList ecus(ecuList_, {0});
    TIndexedEcuList partNumbers(partNumbers_, {C::PartNumbers, C::PartNumbers | C::EngineCodes});
    TIndexedEcuList engineCodes(engineCodes_, {C::PartNumbers | C::EngineCodes});

    // Records past the end of the file are not there to be read, and an end before its start
    // leaves the range empty.
    const std::int64_t end = std::min<std::int64_t>(ecus_.end, sizes_[Ecus]);
    const std::int64_t n = end > ecus_.start ? (end - ecus_.start) / EcuSize : 0;
    std::vector<char> block;
    std::int64_t blockFirst = 0;
    std::int64_t blockRecords = 0;
    EcuSelectionRecord record;
    for (std::int64_t i = 0; i < n; ++i) {
        if (i >= blockFirst + blockRecords) {
            // The next records at once; where that comes up short, each on its own.
            blockFirst = i;
            blockRecords = std::min(RecordsARead, n - i);
            block.resize(static_cast<std::size_t>(blockRecords * EcuSize));
            if (!tables_[Ecus].ReadAt(ecus_.start + i * EcuSize, block.data(), block.size()))
                blockRecords = 0;
        }
        if (blockRecords > 0) {
            std::memcpy(record.bytes, block.data() + (i - blockFirst) * EcuSize, sizeof record.bytes);
        } else if (!tables_[Ecus].ReadAt(ecus_.start + i * EcuSize, record.bytes, sizeof record.bytes)) {
            continue;
        }
        TEcuEntry probe = TEcuEntry::FromRecord(record, static_cast<std::int32_t>(i));
        const TEcuTextHashes hashes = TEcuTextHashes::Of(probe);

        const std::int32_t e = ecus.Find(probe, hashes);
        if (e < 0) {
            ecus.Append(probe, hashes);
            continue;
        }
        const TEcuTextHashes& ecuHashes = ecus.HashesAt(e);

        // A further record of ECU e: its part number, compared among e's part numbers.
        probe.hasPartNumbers = true;
        probe.parentIndex = e;
        std::int32_t p = partNumbers.Find(probe, hashes);
        // The part-number entry that stands for e's first record.
        std::int32_t s = -1;
        if (p < 0) {
            ecuList_[e].hasPartNumbers = true;
            p = partNumbers.Append(probe, hashes);
            s = partNumbers.Find(ecuList_[e], ecuHashes);
            if (s < 0) {
                TEcuEntry first = ecuList_[e];
                first.parentIndex = e;
                s = partNumbers.Append(first, ecuHashes);
            }
        }

        // Its pair of part number and engine code, under part-number entry p.
        probe.hasEngineCodes = true;
        probe.parentIndex = p;
        if (engineCodes.Find(probe, hashes) >= 0)
            continue;
        ecuList_[e].hasEngineCodes = true;
        engineCodes.Append(probe, hashes);
        if (engineCodes.Find(ecuList_[e], ecuHashes) < 0) {
            // The first record's engine code is entered the first time e gets engine codes,
            // which is the time its part-number entry was made; find it should that not hold.
            if (s < 0)
                s = partNumbers.Find(ecuList_[e], ecuHashes);
            TEcuEntry first = ecuList_[e];
            first.parentIndex = s;
            engineCodes.Append(first, ecuHashes);
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
