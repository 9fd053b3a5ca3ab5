#pragma once
// The built libkrix_interface.so with its tester functions of the vehicle and ECU selection
// bound by name beside its link functions, as a tester host binds them.
#include "CatalogueApi.h"
#include "LinkLibrary.h"
#include "SelectionApi.h"

struct SelectionLibrary : LinkLibrary {
    SelectionLibrary() {
        Bind(initDbText, "InitDbText");
        Bind(makerList, "MakerList");
        Bind(fuelList, "FuelList");
        Bind(modelList, "ModelList");
        Bind(versionList, "VersionList");
        Bind(setVersion, "SetVersion");
        Bind(getPlantList, "GetPlantList");
        Bind(setPlantSelected, "SetPlantSelected");
        Bind(getEcuList, "GetEcuList");
        Bind(getPartNumberList, "GetPartNumberList");
        Bind(getMotorCodeList, "GetMotorCodeList");
        Bind(setEcuSelected, "SetEcuSelected");
    }
    decltype(&::InitDbText) initDbText = nullptr;
    decltype(&::MakerList) makerList = nullptr;
    decltype(&::FuelList) fuelList = nullptr;
    decltype(&::ModelList) modelList = nullptr;
    decltype(&::VersionList) versionList = nullptr;
    decltype(&::SetVersion) setVersion = nullptr;
    decltype(&::GetPlantList) getPlantList = nullptr;
    decltype(&::SetPlantSelected) setPlantSelected = nullptr;
    decltype(&::GetEcuList) getEcuList = nullptr;
    decltype(&::GetPartNumberList) getPartNumberList = nullptr;
    decltype(&::GetMotorCodeList) getMotorCodeList = nullptr;
    decltype(&::SetEcuSelected) setEcuSelected = nullptr;
};
