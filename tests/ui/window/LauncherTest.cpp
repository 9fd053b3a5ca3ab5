// The window's launcher prepares a working copy of the bundled example outside the source tree and
// presets ProgramSettings.ini with it, so that "Save" and the close never write into the checkout.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "fixtures/SimulationFolder.h"

namespace fs = std::filesystem;

namespace {

const fs::path SourceRoot = TARVICO_SOURCE_DIR;
const fs::path Example = SourceRoot / "examples" / "can_standard";
// The files of the bundled example, as the copy must hold them.
const char* const ExampleFiles[] = {"simul1.ini", "tester_script.txt", "Default_file/SystemSettings.ini",
                                    "Default_file/protocol.ini", "Default_file/Frame_Structure.xls"};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct ScriptRun {
    int Status = -1;
    std::string Out; // stdout and stderr
};

class LauncherTest : public ::testing::Test {
protected:
    fs::path Work() const { return folder.Root() / "work"; }
    fs::path Program() const { return folder.Root() / "program"; }
    fs::path Copy() const { return Work() / "can_standard"; }

    // scripts/prepare-window.sh for COM9, with the environment given before it.
    ScriptRun Prepare(const std::string& environment = {}) {
        const std::string command = "env -u TARVICO_EXAMPLE -u TARVICO_FRESH_EXAMPLE HOME='" + (folder.Root() / "home").string() +
                                    "' TARVICO_WORK='" + Work().string() + "' " + environment + " bash '" +
                                    (SourceRoot / "scripts" / "prepare-window.sh").string() + "' '" + Program().string() +
                                    "' 9 2>&1";
        ScriptRun run;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Out.append(buffer, n);
            const int status = ::pclose(pipe);
            run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return run;
    }

    SimulationFolder folder;
};

} // namespace

TEST_F(LauncherTest, TheExampleIsCopiedOutsideTheSourceTreeAndPreset) {
    fs::create_directories(Program());
    WriteBytes(Program() / "ProgramSettings.ini",
               "[LAST_FILE]\r\nOpen=/somewhere/else.ini\r\n\r\n[ZULM Settings]\r\nCOM Port=COM3\r\n");
    const ScriptRun run = Prepare();
    ASSERT_EQ(run.Status, 0) << run.Out;
    const fs::path simulation = Copy() / "simul1.ini";
    EXPECT_EQ(run.Out, simulation.string() + "\n");
    const std::string root = fs::canonical(SourceRoot).string() + "/";
    EXPECT_NE(fs::canonical(simulation).string().rfind(root, 0), 0u) << simulation;

    for (const char* name : ExampleFiles) EXPECT_EQ(ReadBytes(Copy() / name), ReadBytes(Example / name)) << name;
    EXPECT_TRUE(fs::is_directory(Copy() / "Default_file" / "krix"));
    // Every other section of the settings stays; the two keys name the copy and the emulator's port.
    EXPECT_EQ(ReadBytes(Program() / "ProgramSettings.ini"),
              "[ZULM Settings]\r\nCOM Port=COM3\r\n[LAST_FILE]\r\nOpen=" + simulation.string() +
                  "\r\n\r\n[COM Options]\r\nDefaultPort=COM9\r\n");
    // Nothing but the copy in the working folder.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Work())) ++entries;
    EXPECT_EQ(entries, 1u);
}

TEST_F(LauncherTest, TheOperatorsEditsToTheCopySurviveTheNextStart) {
    ASSERT_EQ(Prepare().Status, 0);
    const fs::path settings = Copy() / "Default_file" / "SystemSettings.ini";
    const std::string edited = ReadBytes(Example / "simul1.ini") + "[Maker]\r\nMaker=Edited\r\n";
    WriteBytes(Copy() / "simul1.ini", edited);
    WriteBytes(settings, "[OPTIONS]\r\nDefaultLength=20\r\n");

    ASSERT_EQ(Prepare().Status, 0);
    EXPECT_EQ(ReadBytes(Copy() / "simul1.ini"), edited);
    EXPECT_EQ(ReadBytes(settings), "[OPTIONS]\r\nDefaultLength=20\r\n");

    // A fresh copy when asked for.
    ASSERT_EQ(Prepare("TARVICO_FRESH_EXAMPLE=1").Status, 0);
    for (const char* name : ExampleFiles) EXPECT_EQ(ReadBytes(Copy() / name), ReadBytes(Example / name)) << name;
}

TEST_F(LauncherTest, AWorkingFolderInsideTheSourceTreeIsRefused) {
    const fs::path inside = SourceRoot / "build" / ("launcher_test_" + std::to_string(::getpid()));
    const ScriptRun run = Prepare("TARVICO_WORK='" + inside.string() + "'");
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Out.find("lies inside the source tree"), std::string::npos) << run.Out;
    EXPECT_FALSE(fs::exists(inside));
    EXPECT_FALSE(fs::exists(Program() / "ProgramSettings.ini"));
}
