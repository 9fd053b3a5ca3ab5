// Opening and closing a database, the counts of the current ranges and the readers of names.
#include "TVehicleDatabase.h"

#include "DatabaseFields.h"

#include <QFileInfo>

#include <algorithm>
#include <limits>

using namespace VehicleTables;

namespace {

std::uint32_t ClampCount(std::int64_t count) {
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(count, 0, std::numeric_limits<std::uint32_t>::max()));
}

} // namespace

TVehicleDatabase::TVehicleDatabase(const QString& folder) {
    Clear();
    Open(folder);
}

TVehicleDatabase::~TVehicleDatabase() {
    Close();
}

bool TVehicleDatabase::Open(const QString& folder) {
    if (opened_ || folder.isEmpty() || !QFileInfo(folder).isDir())
        return opened_;
    folder_ = folder;
    for (std::size_t t = 0; t < TableCount; ++t) {
        TableFile& file = tables_[t];
        if (!file.Open(folder_ + QLatin1String(FileNames[t]))) {
            // Nothing half-open stays behind: the next attempt starts from the first table.
            CloseTables();
            return false;
        }
        sizes_[t] = file.Size();
        counts_[t] = ClampCount(file.Size() / static_cast<std::int64_t>(RecordSizes[t]));
    }
    opened_ = true;
    return true;
}

void TVehicleDatabase::CloseTables() {
    for (TableFile& file : tables_)
        file.Close();
    counts_.fill(0);
    sizes_.fill(0);
}

void TVehicleDatabase::Close() {
    Clear();
}

void TVehicleDatabase::Clear() {
    // A handle forgotten while open could never be closed again, so clearing closes them.
    CloseTables();
    DropLists();
    makerOffset_ = None;
    versionOffset_ = None;
    fuels_ = {};
    models_ = {};
    versions_ = {};
    ecus_ = {};
    version_ = {};
    versionIdentified_ = false;
    opened_ = false;
}

void TVehicleDatabase::DropEcuLists() {
    ecuList_.clear();
    partNumbers_.clear();
    engineCodes_.clear();
    selectedEcu_ = 0;
    selectedPartNumber_ = 0;
    selectedEngineCode_ = 0;
    ecuRecordRead_ = false;
}

void TVehicleDatabase::DropLists() {
    plants_.clear();
    selectedPlant_ = 0;
    DropEcuLists();
}

std::uint32_t TVehicleDatabase::RangeCount(const TByteRange& range, Table table) const {
    if (range.start == None)
        return counts_[table];
    // A negative link points at nothing that could be read.
    if (range.start < 0)
        return 0;
    if (range.end < None)
        return 1;
    // Records past the end of the child file do not exist, whatever the next link says, and
    // an end before its start is an empty range.
    std::int64_t end = sizes_[table];
    if (range.end != None)
        end = std::min<std::int64_t>(range.end, end);
    if (end <= range.start)
        return 0;
    return ClampCount((end - range.start) / static_cast<std::int64_t>(RecordSizes[table]));
}

std::uint32_t TVehicleDatabase::FuelCount() const {
    return RangeCount(fuels_, Fuels);
}

std::uint32_t TVehicleDatabase::ModelCount() const {
    return RangeCount(models_, Models);
}

std::uint32_t TVehicleDatabase::VersionCount() const {
    return RangeCount(versions_, Versions);
}

std::int64_t TVehicleDatabase::RecordPosition(const TByteRange& range, Table table, std::uint32_t i) const {
    const std::int64_t base = range.start == None ? 0 : range.start;
    return base + static_cast<std::int64_t>(i) * static_cast<std::int64_t>(RecordSizes[table]);
}

QString TVehicleDatabase::ReadName(const TByteRange& range, Table table, std::uint32_t i, std::size_t nameOffset) {
    if (!tables_[table].IsOpen() || i >= counts_[table])
        return {};
    char field[NameWidth];
    if (!tables_[table].ReadAt(RecordPosition(range, table, i) + static_cast<std::int64_t>(nameOffset), field,
                               sizeof field))
        return QStringLiteral("");
    return VehicleFields::Text(field, sizeof field);
}

QString TVehicleDatabase::MakerName(std::uint32_t i) {
    return ReadName(TByteRange{}, Makers, i, Maker::NameOffset);
}

QString TVehicleDatabase::ModelName(std::uint32_t i) {
    return ReadName(models_, Models, i, Model::NameOffset);
}

QString TVehicleDatabase::VersionName(std::uint32_t i) {
    return ReadName(versions_, Versions, i, Version::NameOffset);
}

std::int32_t TVehicleDatabase::FuelCode(std::uint32_t i) {
    if (!tables_[Fuels].IsOpen() || i >= counts_[Fuels])
        return -1;
    char digit = 0;
    if (!tables_[Fuels].ReadAt(RecordPosition(fuels_, Fuels, i) + static_cast<std::int64_t>(Fuel::CodeOffset), &digit,
                               1))
        return -1;
    return digit - '0';
}

bool TVehicleDatabase::ReadScanRecord(std::int32_t lineNumber, const QString& folder, EcuSelectionRecord& out) {
    // An empty folder would name a file at the root of the file system.
    if (folder.isEmpty())
        return false;
    TableFile file;
    if (!file.Open(folder + QLatin1String(ScanFileName)))
        return false;
    const std::int64_t count = file.Size() / static_cast<std::int64_t>(EcuSelectionRecord::Size);
    EcuSelectionRecord record;
    for (std::int64_t k = 0; k < count; ++k) {
        if (!file.ReadAt(k * static_cast<std::int64_t>(EcuSelectionRecord::Size), record.bytes, sizeof record.bytes))
            break;
        if (VehicleFields::StrictNumber(record.at(EcuSelectionRecord::ScanLineOffset),
                                        EcuSelectionRecord::ScanLineWidth) == lineNumber) {
            // Only a matching record may reach the caller: it is the ECU that gets initialised.
            out = record;
            return true;
        }
    }
    return false;
}
