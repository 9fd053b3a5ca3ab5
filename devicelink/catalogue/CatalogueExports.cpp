// The exported catalogue functions of libkrix_interface.so: each forwards to the catalogue core
// (CatalogueLoading.h); InitText takes the maker code from the link's record of the selected ECU,
// and InitDbText drops the part numbers and engine codes that the selection last showed.
#include "CatalogueApi.h"
#include "CatalogueLoading.h"
#include "EcuSelection.h"
#include "LinkExports.h"
#include "VehicleExports.h"

extern "C" {

std::int32_t InitText(std::int32_t languageNumber, std::uint8_t useCodec) {
    const EcuSelectionRecord ecu = LinkExports::EcuSelection();
    return Catalogue::InitText(languageNumber, useCodec, Catalogue::MakerCode(ecu.code(), EcuSelectionRecord::CodeWidth));
}

void InitDbText(std::int32_t languageNumber, std::uint8_t useCodec) {
    // Taken and let go before the catalogue's lock: the selection's lock comes first.
    VehicleExports::ForgetShownLists();
    Catalogue::InitDbText(languageNumber, useCodec);
}

} // extern "C"
