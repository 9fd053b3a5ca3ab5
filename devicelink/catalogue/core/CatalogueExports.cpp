// The exported catalogue functions of libkrix_interface.so: each forwards to the catalogue core
// (CatalogueLoading.h) through the export guard (ExportGuard.h); InitText takes the maker code
// from the link's record of the selected ECU, and InitDbText drops the part numbers and engine
// codes that the selection last showed.
#include "CatalogueApi.h"
#include "CatalogueLoading.h"
#include "EcuSelection.h"
#include "ExportGuard.h"
#include "LinkExports.h"
#include "VehicleExports.h"

namespace {
constexpr std::int32_t InitTextFailed = 0; // the texts could not be loaded whole
}

extern "C" {

std::int32_t InitText(std::int32_t languageNumber, std::uint8_t useCodec) {
    return ExportGuard::Run(__func__, InitTextFailed, [&] {
        const EcuSelectionRecord ecu = LinkExports::EcuSelection();
        return Catalogue::InitText(languageNumber, useCodec,
                                   Catalogue::MakerCode(ecu.code(), EcuSelectionRecord::CodeWidth));
    });
}

void InitDbText(std::int32_t languageNumber, std::uint8_t useCodec) {
    ExportGuard::Run(__func__, [&] {
        // Taken and let go before the catalogue's lock: the selection's lock comes first.
        VehicleExports::ForgetShownLists();
        Catalogue::InitDbText(languageNumber, useCodec);
    });
}

} // extern "C"
