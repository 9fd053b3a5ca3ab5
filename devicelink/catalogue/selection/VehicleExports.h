#pragma once
// The vehicle and ECU selection functions of libkrix_interface.so as C++ functions: a tester
// host lists makers, fuels, models and versions of a vehicle database, identifies the vehicle,
// lists and chooses a system, lists its ECUs with their part numbers and engine codes, and
// receives the chosen ECU's record, which also becomes the link's EcuSelection for the next
// InitComKrix. The exported C functions (SelectionExports.cpp) call these one for one; the
// tests call them in-process.
//
// Each runs on the caller's thread under the selection's lock (SelectionState.h). A list is
// written only on success: the count, then the entries from entry 0 on, at most 100 of them,
// each text cut to 70 characters. A missing record answers false (0) and changes nothing.
#include "CallerRecords.h"

#include <cstdint>

namespace VehicleExports {

// SetEcuSelected's results.
constexpr std::int32_t EcuNotSelected = 0;
constexpr std::int32_t EcuSelected = 1;
constexpr std::int32_t EcuSelectedAtLetter = 10; // selected, and the ECU's letter is "@"

// vehicleKind: 0 car, 1 motorbike, 2 truck; any other value answers false.
bool MakerList(std::uint8_t vehicleKind, ListRecord* list);
bool FuelList(std::uint8_t vehicleKind, ListRecord* list);
bool ModelList(std::uint8_t vehicleKind, ListRecord* list);
bool VersionList(std::uint8_t vehicleKind, ListRecord* list);
bool SetVersion(std::uint8_t vehicleKind, ListRecord* list);

bool GetPlantList(ListRecord* list);
bool SetPlantSelected(std::uint32_t plantIndex);
bool GetEcuList(ListRecord* list);
bool GetPartNumberList(std::uint32_t ecuIndex, ListRecord* list);
bool GetMotorCodeList(std::uint32_t partNumberIndex, ListRecord* list);
std::int32_t SetEcuSelected(std::uint32_t engineCodeIndex, EcuRecord* ecu);

// InitDbText: the part numbers and engine codes shown before belong to the texts of before.
void ForgetShownLists();

// For the tests: the identified vehicle's type.
std::int32_t VehicleType();

} // namespace VehicleExports
