// The exported catalogue functions of libkrix_interface.so: each forwards to the catalogue core
// (CatalogueLoading.h); InitText takes the maker code from the link's record of the selected ECU.
#include "CatalogueApi.h"
#include "CatalogueLoading.h"
#include "EcuSelection.h"
#include "LinkExports.h"

extern "C" {

std::int32_t InitText(std::int32_t languageNumber, std::uint8_t useCodec) {
    const EcuSelectionRecord ecu = LinkExports::EcuSelection();
    return Catalogue::InitText(languageNumber, useCodec, Catalogue::MakerCode(ecu.code(), EcuSelectionRecord::CodeWidth));
}

void InitDbText(std::int32_t languageNumber, std::uint8_t useCodec) { Catalogue::InitDbText(languageNumber, useCodec); }

} // extern "C"
