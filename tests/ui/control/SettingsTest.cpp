// ProgramSettings.ini and Default_file/SystemSettings.ini: keys, defaults, clamps, and when they
// are written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ControllerTestSupport.h"
#include "ProgramSettings.h"
#include "SystemSettings.h"
#include "fixtures/SimulationFolder.h"

namespace fs = std::filesystem;

TEST(ProgramSettingsTest, DefaultsUntilWrittenAndEveryWriteAtOnce) {
    SimulationFolder folder;
    ProgramSettings settings(folder.Root().string());
    const fs::path path = folder.Root() / ProgramSettingsFileName;
    EXPECT_EQ(settings.LastOpen(), "simul1.ini");
    EXPECT_EQ(settings.DefaultPort(), "COM1");
    EXPECT_EQ(settings.ZulmPort(), "COM1");
    EXPECT_EQ(settings.ZulmBaudRate(), 38400);
    EXPECT_FALSE(fs::exists(path)); // reading creates nothing

    settings.SetLastOpen("/sims/a.ini");
    EXPECT_EQ(ReadBytes(path), "[LAST_FILE]\r\nOpen=/sims/a.ini\r\n");
    settings.SetDefaultPort("COM7");
    settings.SetLastSave("/sims/b.ini");
    settings.SetZulmPort("/dev/ttyUSB0");
    EXPECT_EQ(ReadBytes(path),
              "[LAST_FILE]\r\nOpen=/sims/a.ini\r\nSave=/sims/b.ini\r\n\r\n"
              "[COM Options]\r\nDefaultPort=COM7\r\n\r\n"
              "[ZULM Settings]\r\nCOM Port=/dev/ttyUSB0\r\n");

    // A second object on the same file sees every value at once.
    ProgramSettings other(folder.Root().string());
    EXPECT_EQ(other.LastOpen(), "/sims/a.ini");
    EXPECT_EQ(other.DefaultPort(), "COM7");
    EXPECT_EQ(other.ZulmPort(), "/dev/ttyUSB0");
    WriteBytes(path, ReadBytes(path) + "[zulm settings]\r\nBaud Rate=9600\r\n");
    EXPECT_EQ(other.ZulmBaudRate(), 9600);
}

TEST(SystemSettingsTest, AMissingFileGivesTheDefaults) {
    SimulationFolder folder;
    SystemSettings settings(folder.Root().string());
    // ResetTimeout, DefaultLength, AutoAnswer, the two item indexes, the four scan spins.
    const SystemOptions defaults = {60, 10, false, 0, 0, 1, 2, 0, 3};
    EXPECT_EQ(settings.ReadOptions(), defaults);
    EXPECT_EQ(settings.MemoryInc(), 1.25f);
    EXPECT_EQ(settings.MultiAnswerNum(), 8);
    EXPECT_EQ(settings.SIDPos(), 0);
    EXPECT_FALSE(fs::exists(folder.Root() / SystemSettingsPath));

    // Before any load the controls show their own values.
    const SystemOptions form;
    EXPECT_EQ(form.ResetTimeout, 60);
    EXPECT_EQ(form.DefaultLength, 1);
    EXPECT_TRUE(form.AutoAnswer);
    EXPECT_EQ(form.FaultReadNumber, 2);
}

TEST(SystemSettingsTest, ValuesAreClampedToTheControlsRanges) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
        int SystemOptions::*field;
        int expected;
    } cases[] = {
        {"OPTIONS", "ResetTimeout", "100", &SystemOptions::ResetTimeout, 60},
        {"OPTIONS", "ResetTimeout", "-1", &SystemOptions::ResetTimeout, 0},
        {"OPTIONS", "ResetTimeout", "0x1e", &SystemOptions::ResetTimeout, 30},
        {"OPTIONS", "DefaultLength", "0", &SystemOptions::DefaultLength, 1},
        {"OPTIONS", "DefaultLength", "300", &SystemOptions::DefaultLength, 256},
        {"OPTIONS", "DefaultLength", "ten", &SystemOptions::DefaultLength, 10},
        {"ERROR_SCAN", "Scanning mode", "5", &SystemOptions::ScanningMode, 1},
        {"ERROR_SCAN", "Scanning mode", "-2", &SystemOptions::ScanningMode, NoItem},
        {"ERROR_SCAN", "Increment mode", "3", &SystemOptions::IncrementMode, 3},
        {"ERROR_SCAN", "Increment mode", "4", &SystemOptions::IncrementMode, NoItem},
        {"ERROR_SCAN", "Increment mode", "-1", &SystemOptions::IncrementMode, NoItem},
        {"ERROR_SCAN", "Fault read number", "301", &SystemOptions::FaultReadNumber, 300},
        {"ERROR_SCAN", "Error code offset", "-4", &SystemOptions::ErrorCodeOffset, 0},
        {"ERROR_SCAN", "Status byte pos", "299", &SystemOptions::StatusBytePos, 299},
        {"error_scan", "BYTES PER ERROR", "1000", &SystemOptions::BytesPerError, 300},
    };
    for (const Case& c : cases) {
        SimulationFolder folder;
        WriteBytes(folder.Root() / SystemSettingsPath,
                   std::string("[") + c.section + "]\r\n" + c.key + "=" + c.value + "\r\n");
        EXPECT_EQ(SystemSettings(folder.Root().string()).ReadOptions().*c.field, c.expected)
            << c.key << "=" << c.value;
    }
}

TEST(SystemSettingsTest, SizingKeys) {
    struct Case {
        const char* lines;
        float memoryInc;
        std::int32_t multiAnswerNum;
    } cases[] = {
        {"MemoryInc=1.5\r\nMultiAnswerNum=12", 1.5f, 12},
        {"MemoryInc=1,75", 1.75f, 8}, // written on a desktop with a comma locale
        {"MemoryInc=lots\r\nMultiAnswerNum=many", 1.25f, 8},
        {"MemoryInc=1e99\r\nMultiAnswerNum=-3", std::numeric_limits<float>::max(), 0},
    };
    for (const Case& c : cases) {
        SimulationFolder folder;
        WriteBytes(folder.Root() / SystemSettingsPath, std::string("[STRUCTURE_SIZE]\r\n") + c.lines + "\r\n");
        SystemSettings settings(folder.Root().string());
        EXPECT_EQ(settings.MemoryInc(), c.memoryInc) << c.lines;
        EXPECT_EQ(settings.MultiAnswerNum(), c.multiAnswerNum) << c.lines;
    }
}

TEST(SystemSettingsTest, WritingTheOptionsKeepsTheFilesOtherLines) {
    SimulationFolder folder;
    const fs::path path = folder.Root() / SystemSettingsPath;
    WriteBytes(path, "[STRUCTURE_SIZE]\r\nMemoryInc=1.5\r\n; kept\r\n[OPTIONS]\r\nResetTimeout=5\r\n");
    const SystemOptions o = {20, 64, false, 1, NoItem, 7, 3, 1, 4};
    SystemSettings settings(folder.Root().string());
    settings.WriteOptions(o);
    EXPECT_EQ(ReadBytes(path),
              "[STRUCTURE_SIZE]\r\nMemoryInc=1.5\r\n; kept\r\n[OPTIONS]\r\nResetTimeout=20\r\n"
              "DefaultLength=64\r\nAutoAnswer=0\r\n\r\n"
              "[ERROR_SCAN]\r\nScanning mode=1\r\nIncrement mode=-1\r\nFault read number=7\r\n"
              "Error code offset=3\r\nStatus byte pos=1\r\nBytes per error=4\r\n");
    EXPECT_EQ(settings.ReadOptions(), o);
    EXPECT_EQ(settings.MemoryInc(), 1.5f);
}
