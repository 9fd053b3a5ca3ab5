#pragma once
// The fixed-record tables of a vehicle database folder: their file names, record sizes and the
// field positions the library reads. Records follow one another without header or separator;
// record i starts at byte i * record size. The ECU record layout is EcuSelectionRecord's.
#include "EcuSelection.h"

#include <cstddef>
#include <cstdint>

namespace VehicleTables {

// A table's position in the database's handle, count and size arrays (the opening order).
enum Table : std::size_t {
    Makers,
    Fuels,
    Models,
    Versions,
    VehicleIds,
    Ecus,
    Systems,
    Schemes,
    TableCount
};

// Appended to the folder path, spelled as the database files are.
inline constexpr const char* FileNames[TableCount] = {
    "/tabMarca.dat", "/tabCarb.dat", "/tabModel.dat", "/tabVer.dat",
    "/TabIDVet.dat", "/tabCentr.dat", "/tabVett.dat", "/schemi.dat",
};
inline constexpr std::size_t RecordSizes[TableCount] = {48, 10, 26, 66, 72, 277, 123, 178};

inline constexpr const char* ScanFileName = "/idRiga_Scan.dat";

// Byte offsets of the first child record are written as 8 decimal characters.
inline constexpr std::size_t LinkWidth = 8;
inline constexpr std::size_t NameWidth = 18;

namespace Maker {
inline constexpr std::size_t Size = RecordSizes[Makers];
inline constexpr std::size_t NameOffset = 22;
inline constexpr std::size_t FuelLinkOffset = 40;
} // namespace Maker

namespace Fuel {
inline constexpr std::size_t Size = RecordSizes[Fuels];
inline constexpr std::size_t CodeOffset = 0; // one decimal digit
inline constexpr std::size_t ModelLinkOffset = 2;
} // namespace Fuel

namespace Model {
inline constexpr std::size_t Size = RecordSizes[Models];
inline constexpr std::size_t NameOffset = 0;
inline constexpr std::size_t VersionLinkOffset = 18;
} // namespace Model

namespace Version {
inline constexpr std::size_t Size = RecordSizes[Versions];
inline constexpr std::size_t NameOffset = 0;
inline constexpr std::size_t SystemOffsetOffset = 18; // the vehicle's first tabVett.dat record
inline constexpr std::size_t Number2Offset = 26;
inline constexpr std::size_t Number3Offset = 34;
inline constexpr std::size_t Number4Offset = 42;
inline constexpr std::size_t KeyOffset = 50;
} // namespace Version

inline constexpr std::size_t KeyWidth = 16;

namespace VehicleId {
inline constexpr std::size_t Size = RecordSizes[VehicleIds];
inline constexpr std::size_t KeyOffset = 0;
inline constexpr std::size_t Text1Offset = 16;
inline constexpr std::size_t TypeOffset = 34;
inline constexpr std::size_t TypeWidth = 2;
inline constexpr std::size_t Text2Offset = 36;
inline constexpr std::size_t Text3Offset = 54;
inline constexpr std::size_t TextWidth = 18;
} // namespace VehicleId

namespace System {
inline constexpr std::size_t Size = RecordSizes[Systems];
inline constexpr std::size_t KeyOffset = 0;
inline constexpr std::size_t CodeOffset = 16;
inline constexpr std::size_t CodeWidth = 3;
inline constexpr std::size_t EcuOffsetOffset = 115; // the system's first tabCentr.dat record
} // namespace System

static_assert(RecordSizes[Ecus] == EcuSelectionRecord::Size);
static_assert(Maker::FuelLinkOffset + LinkWidth == Maker::Size);
static_assert(Fuel::ModelLinkOffset + LinkWidth == Fuel::Size);
static_assert(Model::VersionLinkOffset + LinkWidth == Model::Size);
static_assert(Version::KeyOffset + KeyWidth == Version::Size);
static_assert(VehicleId::Text3Offset + VehicleId::TextWidth == VehicleId::Size);
static_assert(System::EcuOffsetOffset + LinkWidth == System::Size);

} // namespace VehicleTables
