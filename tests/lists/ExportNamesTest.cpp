// Every function a tester host or the simulator binds by name is exported by the built
// libkrix_interface.so, and the lists' inside is not.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>

#ifndef TARVICO_LIBRARY_DIR
#error "TARVICO_LIBRARY_DIR must name the folder of the built library"
#endif

namespace {

// One name a line, by family.
constexpr const char* Names[] = {
    // The link: the driver thread, the initialisation and the link's status.
    "CreateThreadKrix",
    "DeleteThreadKrix",
    "ResetKrix",
    "SetBluetooth",
    "SetEcuDirect",
    "InitComKrix",
    "StatusInitKrix",
    "StatusKrix",
    "SetEcu",
    // Transparent mode.
    "SetMode",
    "SetProtocolType",
    "StartStop_Ecu",
    "TxFrame",
    "RxFrame",
    "StatusTransparent",
    "WaitRxFrame",
    // The catalogue texts.
    "InitText",
    "InitDbText",
    // The vehicle and ECU selection.
    "MakerList",
    "FuelList",
    "ModelList",
    "VersionList",
    "SetVersion",
    "GetPlantList",
    "SetPlantSelected",
    "GetEcuList",
    "GetPartNumberList",
    "GetMotorCodeList",
    "SetEcuSelected",
    // The ECU scan.
    "StartStopScanEcu",
    "ScanEcuList",
    "SetScanEcuSelect",
    "GetEcuScanMessages",
    // The diagnostic data lists.
    "ErrorList",
    "ParameterList",
    "StatusList",
    "InfoList",
    "EcuList",
    "ParameterListEnable",
    "StatusListEnable",
    "InfoListEnable",
    "WaitListEnable",
    "NewList",
    "StartStop_DataAcquisition",
    // The activations and their message view.
    "ActivationsList",
    "StartStopActivation",
    "ValueActivation",
    "KrixActivationRequest",
    "ChangeData",
    "StatusChangeSnap",
    "MessageView",
};

class ExportNames : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = std::string(TARVICO_LIBRARY_DIR) + "/libkrix_interface.so";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle)
            dlclose(handle);
    }
    void* handle = nullptr;
};

} // namespace

TEST_F(ExportNames, EveryExportIsBoundByName) {
    for (const char* name : Names)
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
}

TEST_F(ExportNames, TheListsInsideStaysLocal) {
    for (const char* inside : {"_ZN11TesterLists9ErrorListEP11ErrorRecordPi", "_ZN9ScanState9ScanMutexEv",
                               "_ZN9ListTexts14ShortCodeTableEii"})
        EXPECT_EQ(dlsym(handle, inside), nullptr) << inside;
}
