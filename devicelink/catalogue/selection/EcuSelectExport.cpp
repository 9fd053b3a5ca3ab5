// The choice of one ECU record: the host's record is filled from it, and it becomes the link's
// EcuSelection, from which the next InitComKrix initialises the device.
#include "CatalogueState.h"
#include "EcuNames.h"
#include "EcuRecordFill.h"
#include "LinkExports.h"
#include "SelectionState.h"
#include "VehicleExports.h"

namespace VehicleExports {

std::int32_t SetEcuSelected(std::uint32_t engineCodeIndex, EcuRecord* ecu) {
    if (ecu == nullptr)
        return EcuNotSelected;
    EcuRecordFill::WriteFound(ecu, 0);
    return WithSelection([&](SelectionState& s) {
        TVehicleDatabase* db = s.ListsOwner();
        if (db == nullptr || s.keptEcu < 0 || static_cast<std::size_t>(s.keptEcu) >= db->EcuList().size())
            return EcuNotSelected;
        if (db->EcuList()[static_cast<std::size_t>(s.keptEcu)].hasEngineCodes) {
            if (engineCodeIndex >= s.shownEngineCodes.size())
                return EcuNotSelected;
            s.keptEngineCode = s.shownEngineCodes[engineCodeIndex].parentIndex;
        } else {
            s.keptEngineCode = 0;
        }
        EcuSelectionRecord record;
        if (!db->SelectEcu(static_cast<std::uint32_t>(s.keptEcu), static_cast<std::uint32_t>(s.keptPartNumber),
                           static_cast<std::uint32_t>(s.keptEngineCode)) ||
            !db->GetEcuRecord(record))
            return EcuNotSelected;

        EcuRecordFill::CopyListFields(ecu, record);
        const std::optional<QString> name = EcuNames::EcuName(record, s.vehicleType);
        if (!name)
            return EcuNotSelected;
        EcuRecordFill::WriteName(ecu, *name);

        // Only an ECU the host is told was selected is the one the device is initialised for.
        LinkExports::SetEcuSelection(record);
        EcuRecordFill::WriteFound(ecu, 1);
        EcuRecordFill::CopyRemainingFields(ecu, record);
        EcuRecordFill::WriteAddress(ecu, EcuRecordFill::AddressBytes(record));
        EcuRecordFill::WriteNote(ecu, EcuRecordFill::NoteText(record, Catalogue::TextFolder()));
        return EcuRecordFill::HasAtLetter(record) ? EcuSelectedAtLetter : EcuSelected;
    });
}

} // namespace VehicleExports
