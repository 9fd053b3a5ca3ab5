// Makers, fuels, models and versions, and the identification of the vehicle. The database
// forgets the maker, fuel and model when the vehicle is identified; the host's last accepted
// choices (VehicleChoices.h) let the list calls choose them again on their way down.
#include "ListRecordAccess.h"
#include "MessageTexts.h"
#include "SelectionState.h"
#include "VehicleChoices.h"
#include "VehicleExports.h"
#include "VehicleKind.h"

namespace VehicleExports {
namespace {

using Catalogue::VehicleChoices;
using namespace ListRecordAccess;

// A kept or host choice as the database's index: -1 becomes an index that every level refuses.
std::uint32_t Index(std::int32_t choice) { return static_cast<std::uint32_t>(choice); }

// The open database of a list call; null when there is none or it does not open. An open
// database answers whatever folder the kind names.
TVehicleDatabase* OpenDatabase(SelectionState& s, const QString& folder) {
    if (!s.database || !s.database->Open(folder))
        return nullptr;
    return s.database.get();
}

enum class Above { Maker = 1, Fuel = 2, Model = 3 };

// Chooses again what the database no longer holds of the kept maker, fuel and model, down to
// the given level.
bool RestoreChoices(TVehicleDatabase& db, const VehicleChoices& kept, Above levels) {
    if (!db.IsMakerSelected() && !db.SelectMaker(Index(kept.maker)))
        return false;
    if (levels >= Above::Fuel && !db.IsFuelSelected() && !db.SelectFuel(Index(kept.fuel)))
        return false;
    if (levels >= Above::Model && !db.IsModelSelected() && !db.SelectModel(Index(kept.model)))
        return false;
    return true;
}

// The kind's folder, or an empty text when the kind names none or the record is missing: the
// call then answers false before anything else.
QString FolderOfCall(std::uint8_t vehicleKind, const ListRecord* list) {
    return list != nullptr ? VehicleFolder(vehicleKind) : QString();
}

// Runs call(state, database) on the open database of a list call below the maker list; false
// when there is no folder or no open database.
template <typename Call> bool OnOpenDatabase(std::uint8_t vehicleKind, const ListRecord* list, Call&& call) {
    const QString folder = FolderOfCall(vehicleKind, list);
    if (folder.isEmpty())
        return false;
    return WithSelection([&](SelectionState& s) {
        TVehicleDatabase* db = OpenDatabase(s, folder);
        return db != nullptr && call(s, *db);
    });
}

// Chooses the host's fuel (below the maker) or model (below the fuel) once the kept choices
// above it are chosen again, and keeps what then stands chosen.
bool ChooseBelowKept(TVehicleDatabase& db, Above above, std::int32_t choice) {
    VehicleChoices kept = Catalogue::KeptVehicleChoices();
    if (!RestoreChoices(db, kept, above))
        return false;
    const bool fuel = above == Above::Maker;
    std::int32_t& level = fuel ? kept.fuel : kept.model;
    // A failed choice leaves no stale lower choice behind.
    level = kept.model = VehicleChoices::None;
    Catalogue::KeepVehicleChoices(kept);
    if (!(fuel ? db.SelectFuel(Index(choice)) : db.SelectModel(Index(choice))))
        return false;
    level = choice;
    Catalogue::KeepVehicleChoices(kept);
    return true;
}

} // namespace

bool MakerList(std::uint8_t vehicleKind, ListRecord* list) {
    const QString folder = FolderOfCall(vehicleKind, list);
    if (folder.isEmpty())
        return false;
    return WithSelection([&](SelectionState& s) {
        // The lists taken from the old database go with it; the kept choices stay.
        s.listsTaken = false;
        s.database.reset();
        s.database = std::make_unique<TVehicleDatabase>(folder);
        TVehicleDatabase* db = OpenDatabase(s, folder);
        if (db == nullptr)
            return false;
        FillList(list, db->MakerCount(), [&](std::uint32_t i) { return db->MakerName(i); });
        return true;
    });
}

bool FuelList(std::uint8_t vehicleKind, ListRecord* list) {
    return OnOpenDatabase(vehicleKind, list, [&](SelectionState&, TVehicleDatabase& db) {
        // The top level: a refused maker leaves the kept choices as they were.
        const std::int32_t maker = MakerIndex(list);
        if (!db.SelectMaker(Index(maker)))
            return false;
        Catalogue::KeepVehicleChoices({maker, VehicleChoices::None, VehicleChoices::None});
        FillList(list, db.FuelCount(), [&](std::uint32_t i) { return Catalogue::FuelText(db.FuelCode(i)); });
        return true;
    });
}

bool ModelList(std::uint8_t vehicleKind, ListRecord* list) {
    return OnOpenDatabase(vehicleKind, list, [&](SelectionState&, TVehicleDatabase& db) {
        if (!ChooseBelowKept(db, Above::Maker, FuelIndex(list)))
            return false;
        FillList(list, db.ModelCount(), [&](std::uint32_t i) { return db.ModelName(i); });
        return true;
    });
}

bool VersionList(std::uint8_t vehicleKind, ListRecord* list) {
    return OnOpenDatabase(vehicleKind, list, [&](SelectionState&, TVehicleDatabase& db) {
        if (!ChooseBelowKept(db, Above::Fuel, ModelIndex(list)))
            return false;
        FillList(list, db.VersionCount(), [&](std::uint32_t i) { return db.VersionName(i); });
        return true;
    });
}

bool SetVersion(std::uint8_t vehicleKind, ListRecord* list) {
    return OnOpenDatabase(vehicleKind, list, [&](SelectionState& s, TVehicleDatabase& db) {
        if (!RestoreChoices(db, Catalogue::KeptVehicleChoices(), Above::Model) ||
            !db.SelectVersion(Index(VersionIndex(list))))
            return false;
        // Only the vehicle type is kept of the identification record.
        QString text1;
        QString text2;
        QString text3;
        return db.ReadVehicleId(db.VehicleKey(), text1, s.vehicleType, text2, text3);
    });
}

std::int32_t VehicleType() {
    return WithSelection([](SelectionState& s) { return s.vehicleType; });
}

} // namespace VehicleExports
