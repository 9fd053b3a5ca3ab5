// The systems of the identified vehicle and the ECUs of the chosen system with their part
// numbers and engine codes. The host chooses down ECU, part number, engine code; each list it
// is shown is kept, so that its index names the database entry the host saw.
#include "EcuNames.h"
#include "ListRecordAccess.h"
#include "MessageTexts.h"
#include "SelectionState.h"
#include "VehicleExports.h"

namespace VehicleExports {
namespace {

using namespace ListRecordAccess;

// Copies of the entries of the database list whose parent is parent, each copy's parent index
// set to the entry's index in that list; no more than a list shows.
TEcuList ChildrenOf(const TEcuList& list, std::int32_t parent) {
    TEcuList shown;
    for (std::size_t i = 0; i < list.size() && shown.size() < ListRecord::Entries; ++i) {
        if (list[i].parentIndex != parent)
            continue;
        TEcuEntry copy = list[i];
        copy.parentIndex = static_cast<std::int32_t>(i);
        shown.push_back(std::move(copy));
    }
    return shown;
}

// The ECU entry of the kept ECU; null when the index lies outside the ECU list.
const TEcuEntry* KeptEcu(const SelectionState& s, const TVehicleDatabase& db) {
    const TEcuList& ecus = db.EcuList();
    if (s.keptEcu < 0 || static_cast<std::size_t>(s.keptEcu) >= ecus.size())
        return nullptr;
    return &ecus[static_cast<std::size_t>(s.keptEcu)];
}

} // namespace

bool GetPlantList(ListRecord* list) {
    if (list == nullptr)
        return false;
    return WithSelection([&](SelectionState& s) {
        const TPlantList* plants = s.database ? s.database->PlantList() : nullptr;
        if (plants == nullptr)
            return false;
        FillList(list, plants->size(), [&](std::uint32_t i) { return Catalogue::PlantText((*plants)[i].systemCode); });
        return true;
    });
}

bool SetPlantSelected(std::uint32_t plantIndex) {
    return WithSelection([&](SelectionState& s) { return s.database && s.database->SelectPlant(plantIndex); });
}

bool GetEcuList(ListRecord* list) {
    if (list == nullptr)
        return false;
    return WithSelection([&](SelectionState& s) {
        if (!s.database)
            return false;
        const TEcuList& ecus = s.database->BuildEcuLists();
        s.listsTaken = true;
        s.shownPartNumbers.clear();
        s.shownEngineCodes.clear();
        FillList(list, ecus.size(), [&](std::uint32_t i) { return EcuNames::EcuListText(ecus[i]); });
        return true;
    });
}

bool GetPartNumberList(std::uint32_t ecuIndex, ListRecord* list) {
    if (list == nullptr)
        return false;
    return WithSelection([&](SelectionState& s) {
        const TVehicleDatabase* db = s.ListsOwner();
        if (db == nullptr)
            return false;
        // The ECU is chosen even when it has no part numbers: the host goes on with index 0.
        s.keptEcu = static_cast<std::int32_t>(ecuIndex);
        s.keptPartNumber = 0;
        s.keptEngineCode = 0;
        // What was shown belongs to the ECU chosen before.
        s.shownPartNumbers.clear();
        s.shownEngineCodes.clear();
        const TEcuEntry* ecu = KeptEcu(s, *db);
        if (ecu == nullptr || !ecu->hasPartNumbers)
            return false;
        s.shownPartNumbers = ChildrenOf(db->PartNumberList(), s.keptEcu);
        FillList(list, s.shownPartNumbers.size(), [&](std::uint32_t i) { return s.shownPartNumbers[i].partNumber; });
        return true;
    });
}

bool GetMotorCodeList(std::uint32_t partNumberIndex, ListRecord* list) {
    if (list == nullptr)
        return false;
    return WithSelection([&](SelectionState& s) {
        const TVehicleDatabase* db = s.ListsOwner();
        const TEcuEntry* ecu = db != nullptr ? KeptEcu(s, *db) : nullptr;
        if (ecu == nullptr)
            return false;
        std::int32_t partNumber = 0;
        if (ecu->hasPartNumbers) {
            if (partNumberIndex >= s.shownPartNumbers.size())
                return false;
            partNumber = s.shownPartNumbers[partNumberIndex].parentIndex;
        }
        s.keptPartNumber = partNumber;
        s.keptEngineCode = 0;
        if (!ecu->hasEngineCodes)
            return false;
        s.shownEngineCodes = ChildrenOf(db->EngineCodeList(), s.keptPartNumber);
        FillList(list, s.shownEngineCodes.size(), [&](std::uint32_t i) { return s.shownEngineCodes[i].engineCode; });
        return true;
    });
}

void ForgetShownLists() {
    WithSelection([](SelectionState& s) {
        s.shownPartNumbers.clear();
        s.shownEngineCodes.clear();
    });
}

} // namespace VehicleExports
