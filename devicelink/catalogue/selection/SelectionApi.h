#pragma once
// The vehicle and ECU selection functions of libkrix_interface.so that a tester host binds by
// name. The host owns every record; the library writes into it only on success (SetEcuSelected
// also on some failures, as its comment says). Databases are read from the folders below the
// working folder: veicoli/auto/db_autod (kind 0), veicoli/moto/db_autod_moto (1),
// veicoli/camion/db_autod_truck (2).
//
// The host's order: InitDbText; MakerList; FuelList (makerIndex set); ModelList (fuelIndex set);
// VersionList (modelIndex set); SetVersion (versionIndex set); GetPlantList; SetPlantSelected;
// GetEcuList; GetPartNumberList; GetMotorCodeList; SetEcuSelected. A list call may be repeated
// to go back up; GetPartNumberList and GetMotorCodeList record the choice and answer false for
// an ECU without part numbers or engine codes, and the host goes on with index 0.
#include "CallerRecords.h"

#include <cstdint>

extern "C" {
// Opens the kind's database afresh and lists its makers (at most 100).
__attribute__((visibility("default"))) bool MakerList(std::uint8_t vehicleKind, ListRecord* list);
// Chooses list->makerIndex and lists its fuels by their texts.
__attribute__((visibility("default"))) bool FuelList(std::uint8_t vehicleKind, ListRecord* list);
// Chooses list->fuelIndex and lists its models.
__attribute__((visibility("default"))) bool ModelList(std::uint8_t vehicleKind, ListRecord* list);
// Chooses list->modelIndex and lists its versions.
__attribute__((visibility("default"))) bool VersionList(std::uint8_t vehicleKind, ListRecord* list);
// Chooses list->versionIndex and identifies the vehicle; writes nothing into the list.
__attribute__((visibility("default"))) bool SetVersion(std::uint8_t vehicleKind, ListRecord* list);
// The identified vehicle's systems, by their texts, in the order of their codes.
__attribute__((visibility("default"))) bool GetPlantList(ListRecord* list);
__attribute__((visibility("default"))) bool SetPlantSelected(std::uint32_t plantIndex);
// The ECUs of the chosen system.
__attribute__((visibility("default"))) bool GetEcuList(ListRecord* list);
__attribute__((visibility("default"))) bool GetPartNumberList(std::uint32_t ecuIndex, ListRecord* list);
__attribute__((visibility("default"))) bool GetMotorCodeList(std::uint32_t partNumberIndex, ListRecord* list);
// Fills the host's record from the chosen ECU and makes it the ECU that InitComKrix
// initialises: 1, or 10 when the ECU's letter is "@"; 0 when nothing was selected.
__attribute__((visibility("default"))) std::int32_t SetEcuSelected(std::uint32_t engineCodeIndex, EcuRecord* ecu);
}
