// The exported vehicle and ECU selection functions of libkrix_interface.so: each forwards to its
// C++ function (selection/VehicleExports.h) through the export guard (ExportGuard.h), which
// answers false (SetEcuSelected: not selected) when the body throws.
#include "ExportGuard.h"
#include "SelectionApi.h"
#include "VehicleExports.h"

using ExportGuard::Run;

extern "C" {

bool MakerList(std::uint8_t vehicleKind, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::MakerList(vehicleKind, list); });
}
bool FuelList(std::uint8_t vehicleKind, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::FuelList(vehicleKind, list); });
}
bool ModelList(std::uint8_t vehicleKind, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::ModelList(vehicleKind, list); });
}
bool VersionList(std::uint8_t vehicleKind, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::VersionList(vehicleKind, list); });
}
bool SetVersion(std::uint8_t vehicleKind, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::SetVersion(vehicleKind, list); });
}
bool GetPlantList(ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::GetPlantList(list); });
}
bool SetPlantSelected(std::uint32_t plantIndex) {
    return Run(__func__, false, [&] { return VehicleExports::SetPlantSelected(plantIndex); });
}
bool GetEcuList(ListRecord* list) { return Run(__func__, false, [&] { return VehicleExports::GetEcuList(list); }); }

bool GetPartNumberList(std::uint32_t ecuIndex, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::GetPartNumberList(ecuIndex, list); });
}

bool GetMotorCodeList(std::uint32_t partNumberIndex, ListRecord* list) {
    return Run(__func__, false, [&] { return VehicleExports::GetMotorCodeList(partNumberIndex, list); });
}

std::int32_t SetEcuSelected(std::uint32_t engineCodeIndex, EcuRecord* ecu) {
    return Run(__func__, VehicleExports::EcuNotSelected,
               [&] { return VehicleExports::SetEcuSelected(engineCodeIndex, ecu); });
}

} // extern "C"
