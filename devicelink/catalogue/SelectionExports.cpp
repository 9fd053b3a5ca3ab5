// The exported vehicle and ECU selection functions of libkrix_interface.so: each forwards to
// its C++ function (selection/VehicleExports.h).
#include "SelectionApi.h"
#include "VehicleExports.h"

extern "C" {

bool MakerList(std::uint8_t vehicleKind, ListRecord* list) { return VehicleExports::MakerList(vehicleKind, list); }
bool FuelList(std::uint8_t vehicleKind, ListRecord* list) { return VehicleExports::FuelList(vehicleKind, list); }
bool ModelList(std::uint8_t vehicleKind, ListRecord* list) { return VehicleExports::ModelList(vehicleKind, list); }
bool VersionList(std::uint8_t vehicleKind, ListRecord* list) { return VehicleExports::VersionList(vehicleKind, list); }
bool SetVersion(std::uint8_t vehicleKind, ListRecord* list) { return VehicleExports::SetVersion(vehicleKind, list); }
bool GetPlantList(ListRecord* list) { return VehicleExports::GetPlantList(list); }
bool SetPlantSelected(std::uint32_t plantIndex) { return VehicleExports::SetPlantSelected(plantIndex); }
bool GetEcuList(ListRecord* list) { return VehicleExports::GetEcuList(list); }

bool GetPartNumberList(std::uint32_t ecuIndex, ListRecord* list) {
    return VehicleExports::GetPartNumberList(ecuIndex, list);
}

bool GetMotorCodeList(std::uint32_t partNumberIndex, ListRecord* list) {
    return VehicleExports::GetMotorCodeList(partNumberIndex, list);
}

std::int32_t SetEcuSelected(std::uint32_t engineCodeIndex, EcuRecord* ecu) {
    return VehicleExports::SetEcuSelected(engineCodeIndex, ecu);
}

} // extern "C"
