// Choosing down the hierarchy of a vehicle database: maker, fuel, model, version, the vehicle's
// identification by its key, and its systems.
#include "TVehicleDatabase.h"

#include "DatabaseFields.h"

#include <algorithm>
#include <limits>

using namespace VehicleTables;

namespace {

std::int32_t ReadLink(const char* record, std::size_t offset) {
    return VehicleFields::LenientNumber(record + offset, LinkWidth);
}

// The numbers of a version record (its tabVett.dat offset among them): read like a link, but a
// field that begins with NUL is -1.
std::int32_t VersionNumber(const char* record, std::size_t offset) {
    if (record[offset] == '\0')
        return -1;
    return ReadLink(record, offset);
}

bool KeyEquals(const char* field, const QString& key) {
    return VehicleFields::Text(field, KeyWidth) == key;
}

} // namespace

bool TVehicleDatabase::WithinTable(const TByteRange& range, Table table, std::uint32_t i) const {
    if (!tables_[table].IsOpen() || range.start < 0)
        return false;
    // In 64 bits an index of -1 taken as unsigned cannot wrap around into the table.
    const std::uint64_t record = static_cast<std::uint64_t>(range.start) / RecordSizes[table] + i;
    return record < counts_[table];
}

bool TVehicleDatabase::ReadChildRange(Table table, std::int64_t position, std::uint64_t record,
                                      std::size_t linkOffset, TByteRange& range) {
    const std::size_t size = RecordSizes[table];
    char chosen[LinkWidth];
    if (!tables_[table].ReadAt(position + static_cast<std::int64_t>(linkOffset), chosen, sizeof chosen))
        return false;
    range.start = VehicleFields::LenientNumber(chosen, LinkWidth);
    range.end = None;
    // The next record of the table ends the range, whichever parent it belongs to; after the
    // last record the range runs to the end of the child file.
    char next[LinkWidth];
    if (record + 1 < counts_[table] &&
        tables_[table].ReadAt(position + static_cast<std::int64_t>(size + linkOffset), next, sizeof next))
        range.end = VehicleFields::LenientNumber(next, LinkWidth);
    return true;
}

bool TVehicleDatabase::SelectMaker(std::uint32_t i) {
    if (!tables_[Makers].IsOpen() || i >= counts_[Makers])
        return false;
    const std::int64_t position = static_cast<std::int64_t>(i) * static_cast<std::int64_t>(Maker::Size);
    TByteRange range;
    if (position > std::numeric_limits<std::int32_t>::max() ||
        !ReadChildRange(Makers, position, i, Maker::FuelLinkOffset, range))
        return false;
    DropLists();
    ecus_ = versions_ = models_ = {};
    fuels_ = range;
    makerOffset_ = static_cast<std::int32_t>(position);
    return true;
}

bool TVehicleDatabase::SelectFuel(std::uint32_t i) {
    if (!WithinTable(fuels_, Fuels, i))
        return false;
    const std::int64_t position = RecordPosition(fuels_, Fuels, i);
    const std::uint64_t record = static_cast<std::uint64_t>(fuels_.start) / Fuel::Size + i;
    TByteRange range;
    if (!ReadChildRange(Fuels, position, record, Fuel::ModelLinkOffset, range))
        return false;
    DropLists();
    ecus_ = versions_ = {};
    models_ = range;
    return true;
}

bool TVehicleDatabase::SelectModel(std::uint32_t i) {
    if (!WithinTable(models_, Models, i))
        return false;
    const std::int64_t position = RecordPosition(models_, Models, i);
    const std::uint64_t record = static_cast<std::uint64_t>(models_.start) / Model::Size + i;
    TByteRange range;
    if (!ReadChildRange(Models, position, record, Model::VersionLinkOffset, range))
        return false;
    DropLists();
    ecus_ = {};
    versions_ = range;
    return true;
}

bool TVehicleDatabase::SelectVersion(std::uint32_t i) {
    if (!WithinTable(versions_, Versions, i))
        return false;
    const std::int64_t position = RecordPosition(versions_, Versions, i);
    TVersionRecord record;
    if (position > std::numeric_limits<std::int32_t>::max() || !ReadVersionAt(position, record))
        return false;
    DropLists();
    ecus_ = {};
    versionOffset_ = static_cast<std::int32_t>(position);
    version_ = record;
    versionIdentified_ = true;
    return true;
}

bool TVehicleDatabase::ReadVersionAt(std::int64_t position, TVersionRecord& out) {
    char record[Version::Size];
    if (!tables_[Versions].ReadAt(position, record, sizeof record))
        return false;
    out.name = VehicleFields::Text(record + Version::NameOffset, NameWidth);
    out.systemOffset = VersionNumber(record, Version::SystemOffsetOffset);
    out.number2 = VersionNumber(record, Version::Number2Offset);
    out.number3 = VersionNumber(record, Version::Number3Offset);
    out.number4 = VersionNumber(record, Version::Number4Offset);
    out.vehicleKey = VehicleFields::Text(record + Version::KeyOffset, KeyWidth);
    return true;
}

void TVehicleDatabase::ReadVersionRecord() {
    versionIdentified_ = false;
    if (!tables_[Versions].IsOpen() || versionOffset_ < 0)
        return;
    TVersionRecord record;
    if (!ReadVersionAt(versionOffset_, record))
        return;
    version_ = record;
    versionIdentified_ = true;
}

QString TVehicleDatabase::VehicleKey() const {
    return versionIdentified_ ? version_.vehicleKey : QString();
}

bool TVehicleDatabase::ReadVehicleId(const QString& key, QString& text1, std::int32_t& vehicleType, QString& text2,
                                     QString& text3) {
    if (!tables_[VehicleIds].IsOpen() || counts_[Versions] == 0 || key.isEmpty())
        return false;

    // Identification lands on a version anywhere in the table: no choice above it holds.
    makerOffset_ = None;
    fuels_ = models_ = versions_ = ecus_ = {};
    DropLists();
    versionIdentified_ = false;

    char id[VehicleId::Size];
    for (std::int64_t k = 0;; ++k) {
        if (!tables_[VehicleIds].ReadAt(k * static_cast<std::int64_t>(VehicleId::Size), id, sizeof id))
            break;
        if (!KeyEquals(id + VehicleId::KeyOffset, key))
            continue;
        text1 = VehicleFields::Text(id + VehicleId::Text1Offset, VehicleId::TextWidth);
        vehicleType = VehicleFields::StrictNumber(id + VehicleId::TypeOffset, VehicleId::TypeWidth);
        text2 = VehicleFields::Text(id + VehicleId::Text2Offset, VehicleId::TextWidth);
        text3 = VehicleFields::Text(id + VehicleId::Text3Offset, VehicleId::TextWidth);
        break;
    }

    char key16[KeyWidth];
    for (std::uint32_t j = 0; j < counts_[Versions]; ++j) {
        const std::int64_t position = static_cast<std::int64_t>(j) * static_cast<std::int64_t>(Version::Size);
        if (!tables_[Versions].ReadAt(position + static_cast<std::int64_t>(Version::KeyOffset), key16, sizeof key16))
            break;
        if (!KeyEquals(key16, key) || position > std::numeric_limits<std::int32_t>::max())
            continue;
        versionOffset_ = static_cast<std::int32_t>(position);
        ReadVersionRecord();
        return versionIdentified_;
    }
    return false;
}

const TPlantList* TVehicleDatabase::PlantList() {
    if (!tables_[Systems].IsOpen() || !versionIdentified_)
        return nullptr;
    DropLists();
    // The vehicle's systems are the consecutive records with its key from its first one on.
    char record[System::Size];
    for (std::int64_t position = version_.systemOffset; position < sizes_[Systems];
         position += static_cast<std::int64_t>(System::Size)) {
        if (!tables_[Systems].ReadAt(position, record, sizeof record))
            break;
        if (!KeyEquals(record + System::KeyOffset, version_.vehicleKey))
            break;
        const auto ordinal = static_cast<std::int32_t>(plants_.size());
        plants_.push_back({VehicleFields::StrictNumber(record + System::CodeOffset, System::CodeWidth), ordinal});
    }
    std::stable_sort(plants_.begin(), plants_.end(),
                     [](const TPlantEntry& a, const TPlantEntry& b) { return a.systemCode < b.systemCode; });
    return &plants_;
}

bool TVehicleDatabase::SelectPlant(std::uint32_t i) {
    if (!tables_[Systems].IsOpen() || i >= plants_.size())
        return false;
    const std::int64_t position = static_cast<std::int64_t>(version_.systemOffset) +
                                  static_cast<std::int64_t>(System::Size) * plants_[i].ordinal;
    char record[System::Size];
    if (!tables_[Systems].ReadAt(position, record, sizeof record))
        return false;
    TByteRange range;
    range.start = VehicleFields::StrictNumber(record + System::EcuOffsetOffset, LinkWidth);
    // The next record of the file ends the range; after the last one it runs to the end of
    // tabCentr.dat.
    if (tables_[Systems].ReadAt(position + static_cast<std::int64_t>(System::Size), record, sizeof record))
        range.end = VehicleFields::StrictNumber(record + System::EcuOffsetOffset, LinkWidth);
    else
        range.end = static_cast<std::int32_t>(
            std::min<std::int64_t>(sizes_[Ecus], std::numeric_limits<std::int32_t>::max()));
    // The ECU lists of another system must not be chosen from this system's range.
    DropEcuLists();
    ecus_ = range;
    selectedPlant_ = static_cast<std::int32_t>(i);
    return true;
}
