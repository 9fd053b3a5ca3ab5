// The simulation controller with the real engine on its own thread, against the fake link
// library: the load of the fixture step by step, its failures with their cleanup, Save and
// "Save as...", the close's file writes, and the commands that end or reload the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "ControllerTestSupport.h"
#include "FrameCodec.h"
#include "FrameStructureTable.h"
#include "SimulationController.h"
#include "fixtures/FakeLinkCalls.h"
#include "fixtures/RecordingReporter.h"
#include "fixtures/SimulationFolder.h"
#include "fixtures/SteppingClock.h"
#include "fixtures/WaitUntil.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr const char* Title = "Tarvico";
const fs::path Fixture = fs::path(TARVICO_UI_FIXTURES) / "simulation";

// The fixture's text with one key line replaced (or removed with an empty replacement).
std::string WithLine(std::string text, const std::string& line, const std::string& replacement) {
    const std::size_t at = text.find(line + "\r\n");
    if (at == std::string::npos) {
        ADD_FAILURE() << "no line " << line;
        return text;
    }
    text.replace(at, line.size() + 2, replacement.empty() ? "" : replacement + "\r\n");
    return text;
}

// The saved layout: comments, empty lines and lines before the first section dropped, one empty
// line after each section, CR LF everywhere. (The fixture's key lines have no blanks.)
std::string SavedLayout(const std::string& text) {
    std::string out;
    bool inSection = false;
    for (const std::string& raw : SplitLines(text)) {
        if (raw.empty() || raw[0] == ';') continue;
        if (raw[0] == '[') {
            if (inSection) out += "\r\n";
            inSection = true;
        }
        if (inSection) out += raw + "\r\n";
    }
    return inSection ? out + "\r\n" : out;
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override { Prepare(); }
    // A fresh copy of the fixture, a program folder with the two libraries, a new controller.
    void Prepare() {
        controller.reset();
        FakeLink_Reset();
        std::error_code ignored;
        fs::remove_all(folder.Root(), ignored);
        fs::create_directories(folder.Root() / "Default_file");
        folder.CopySimulation(Fixture);
        program = folder.MakeProgramFolder("program", TARVICO_FAKELINK_DIR);
        fixtureText = ReadBytes(SimulationPath());
        dialogs = ScriptedDialogs{};
        registrations.clear();
        MakeController();
    }
    void TearDown() override {
        controller.reset();
        FakeLink_Reset();
    }

    void MakeController() {
        controller.reset();
        controller = std::make_unique<SimulationController>(program.string(), Title, dialogs, window, events);
        controller->SetRegistrationObserver([this](const Registration& r) {
            registrations.push_back(RegistrationLine(r));
        });
    }

    fs::path SimulationPath() const { return folder.Root() / "simul1.ini"; }
    void WriteSimulation(const std::string& text) { WriteBytes(SimulationPath(), text); }

    // The engine's status reads "ready" a moment before its event reaches the recorded events
    // (on the engine's thread): a load is ready once both are, so that the events are complete.
    bool LoadReady(const fs::path& path) {
        const auto readyEvents = [&] {
            const std::vector<std::int32_t> s = events.Statuses();
            return std::count(s.begin(), s.end(), std::int32_t{SimulatorStatus::Ready});
        };
        const auto before = readyEvents();
        if (!controller->LoadFile(path.string())) return false;
        return WaitStatus(SimulatorStatus::Ready) && WaitUntil([&] { return readyEvents() > before; });
    }
    bool WaitStatus(std::uint8_t code) {
        TKRIXCommunicationThread* engine = controller->Engine();
        return engine != nullptr && WaitUntil([&] { return engine->Status() == code; });
    }
    // Boxes since the last call.
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        boxes.swap(dialogs.Boxes);
        return boxes;
    }

    SteppingClock clock;
    ClockGuard clockGuard{clock};
    RecordingReporter reporter;
    SimulationFolder folder;
    fs::path program;
    std::string fixtureText;
    ScriptedDialogs dialogs;
    RecordingWindow window;
    RecordingEvents events;
    std::vector<std::string> registrations;
    std::unique_ptr<SimulationController> controller;
};

} // namespace

// ---- the fixture, step by step --------------------------------------------------------------

TEST_F(ControllerTest, FixtureLoadsIntoAReadyEngine) {
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(reporter.Texts(), std::vector<std::string>{});
    TKRIXCommunicationThread& engine = *controller->Engine();

    // Registrations in the passes' order, each taken.
    EXPECT_EQ(registrations, FixtureRegistrations());
    EXPECT_EQ(engine.Store().EditRequests().Count, 11);
    EXPECT_EQ(engine.Store().EditActivations().Items[0].Count, 4);

    // Limits: the scaled counts (MemoryInc 1.25), MultiAnswerNum the settings' 8 over the file's 5.
    EXPECT_EQ(engine.MaxReqLen, 11);
    EXPECT_EQ(engine.MaxAnsLen, 31);
    EXPECT_EQ(engine.MaxDescrLen, 28);
    EXPECT_EQ(engine.ActAnsMaxCount, 7);
    EXPECT_EQ(engine.ActMaxCount, 2);
    EXPECT_EQ(engine.MaxReqCount, 17);
    EXPECT_EQ(engine.MultiAnswerNum, 8);
    EXPECT_EQ(controller->MultiAnswerNum(), 8);
    EXPECT_EQ(engine.Store().Limits().MaxReqCount, 17);
    // Options of the folder's SystemSettings.ini.
    EXPECT_EQ(engine.SIDPos, 1);
    EXPECT_EQ(engine.AutoAnswer.load(), 1);
    EXPECT_EQ(engine.DefaultLength.load(), 12);
    const SystemOptions options = {30, 12, true, 1, 2, 4, 5, 2, 4};
    EXPECT_EQ(controller->Options(), options);
    ASSERT_EQ(window.OptionLoads.size(), 1u);
    EXPECT_EQ(window.OptionLoads[0].first, options);
    EXPECT_EQ(window.OptionLoads[0].second, 8);

    // The window's side.
    const std::string full = SimulationPath().string();
    EXPECT_EQ(window.Captions, std::vector<std::string>{std::string(Title) + " - " + full});
    EXPECT_EQ(window.Messages, (std::vector<std::string>{"Allocating memory space...", "Loading data..."}));
    EXPECT_EQ(window.Focused, (std::vector<std::string>{"TrafficLog", "RequestTree"}));
    EXPECT_EQ(controller->Program().LastOpen(), full);
    EXPECT_EQ(controller->SimulationFolder(), folder.Root().string() + "/");

    // The views.
    const SimulationView& view = controller->View();
    ASSERT_EQ(view.Tree.size(), 6u);
    const GroupKind kinds[] = {GroupKind::TesterPresent, GroupKind::EndCommunication, GroupKind::EcuActivation,
                               GroupKind::Request, GroupKind::Request, GroupKind::Request};
    for (std::size_t g = 0; g < 6; ++g) EXPECT_EQ(view.Tree[g].Kind, kinds[g]) << g;
    EXPECT_EQ(view.Tree[3].Answers.size(), 3u);
    EXPECT_EQ(view.Tree[3].Answers[0].Bytes, (TStringList{"Service", "Identifier", "First digit of the VIN", "", ""}));
    EXPECT_EQ(view.ErrorTabs, (std::vector<FaultTab>{{1, "ERROR_1"}, {2, "ERROR_2"}}));
    EXPECT_EQ(view.Activations, (ActivationSelector{1, 1, 1}));

    SystemInfo info;
    info.Maker = "Fixture Motors";
    info.SystemNumber = "77";
    info.SetMux = "000B00304000";
    info.ProtocolType = "CAN";
    info.Bus = {{{"Baud Rate", "500000 bps"},
                 {"Id Type", "Normal - 11 bit"},
                 {"Id ECU", "7E8"},
                 {"Id ECU 2", "-"},
                 {"Id Tester", "7E0"}}};
    info.Index = "1";
    info.ProtocolDescription = "SIMUL";
    EXPECT_EQ(controller->Info(), info);
    EXPECT_EQ(controller->Protocol().RxStructure.ChsFunction, BuildProtocolStructure(1).RxStructure.ChsFunction);

    // The engine: the callbacks reach the window; SetComPort("COM1") started the link.
    EXPECT_EQ(events.Statuses(), (std::vector<std::int32_t>{SimulatorStatus::InitLink, SimulatorStatus::Ready}));
    const FakeLinkCall create = FakeLinkCallsOf(FakeLinkCreateThreadKrix).at(0);
    EXPECT_EQ(create.Ints[0], 1);
    const FakeLinkCall ecu = FakeLinkCallsOf(FakeLinkSetEcuDirect).at(0);
    EXPECT_EQ(ecu.Ints[0], 77);
    EXPECT_STREQ(ecu.SetMux, "000B00304000");
}

TEST_F(ControllerTest, TheLimitsFollowTheSystemSettings) {
    struct Case {
        const char* structureSize; // the [STRUCTURE_SIZE] lines
        std::int32_t maxReqCount;  // of the count 13
        std::int32_t multiAnswerNum; // of the count 3 and the settings' value
    } cases[] = {
        {"MemoryInc=1.25\r\nMultiAnswerNum=8", 17, 8},
        {"MemoryInc=1.25\r\nMultiAnswerNum=2", 17, 5}, // the file's 3 answers scaled
        {"MemoryInc=2", 28, 8},
        {"MemoryInc=1.15\r\nMultiAnswerNum=0", 16, 4}, // 16.1, 4.6
        {"MemoryInc=0.5", 14, 8},                      // below 1 counts as 1
    };
    for (const Case& c : cases) {
        WriteBytes(folder.Root() / SystemSettingsPath, std::string("[STRUCTURE_SIZE]\r\n") + c.structureSize + "\r\n");
        ASSERT_TRUE(LoadReady(SimulationPath())) << c.structureSize;
        EXPECT_EQ(controller->Engine()->MaxReqCount, c.maxReqCount) << c.structureSize;
        EXPECT_EQ(controller->Engine()->MultiAnswerNum, c.multiAnswerNum) << c.structureSize;
        EXPECT_EQ(controller->MultiAnswerNum(), c.multiAnswerNum) << c.structureSize;
        EXPECT_EQ(Boxes(), std::vector<std::string>{}) << c.structureSize;
    }
}

TEST_F(ControllerTest, TheKLineSectionsOfAnotherProtocol) {
    WriteSimulation(WithLine(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=2"), "Type=CAN", "Type=KL"));
    ASSERT_TRUE(LoadReady(SimulationPath()));
    const SystemInfo& info = controller->Info();
    EXPECT_EQ(info.ProtocolType, "KL");
    EXPECT_EQ(info.SystemNumber, "78");
    EXPECT_EQ(info.Index, "2");
    const std::array<LabelPair, BusLabelCount> kl = {
        {{"Baud Rate", "10400 bps"}, {"Data", "8"}, {"Parity", "NONE"}, {"Stop", "1"}, {"", ""}}};
    EXPECT_EQ(info.Bus, kl);
    EXPECT_EQ(registrations.size(), 13u);
    EXPECT_EQ(FakeLinkCallsOf(FakeLinkSetProtocolType).at(0).Ints[0], 0); // K-line

    // A bus kind written otherwise leaves the labels as they were.
    WriteSimulation(WithLine(fixtureText, "Type=CAN", "Type=can"));
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(controller->Info().ProtocolType, "can");
    EXPECT_EQ(controller->Info().Bus, kl);
}

// ---- ProgramSettings.ini --------------------------------------------------------------------------

// The window's constructor reads the port from, and notes the file opened in, ProgramSettings.ini
// beside the program; the other one uses a folder of its own for both and leaves the window's
// file as it was. The link libraries come from the program folder either way.
TEST_F(ControllerTest, ProgramSettingsBesideTheProgramOrInAFolderOfTheirOwn) {
    const std::string windowSettings = "[LAST_FILE]\r\nOpen=/elsewhere/window.ini\r\n\r\n"
                                       "[COM Options]\r\nDefaultPort=COM9\r\n";
    struct Case {
        const char* name;
        bool ownFolder;
        std::int32_t port;
    } cases[] = {
        {"beside the program", false, 9},
        {"in a folder of their own, port named there", true, 7},
    };
    for (const Case& c : cases) {
        Prepare(); // empties the folders
        WriteBytes(program / ProgramSettingsFileName, windowSettings);
        const fs::path own = folder.MakeFolder("settings");
        controller.reset();
        if (c.ownFolder) {
            controller = std::make_unique<SimulationController>(program.string(), own.string(), Title, dialogs,
                                                                window, events);
            controller->Program().SetDefaultPort("COM7");
        } else {
            controller = std::make_unique<SimulationController>(program.string(), Title, dialogs, window, events);
        }
        ASSERT_TRUE(LoadReady(SimulationPath())) << c.name;
        EXPECT_EQ(Boxes(), std::vector<std::string>{}) << c.name;
        EXPECT_EQ(controller->Engine()->ComPort(), c.port) << c.name;
        EXPECT_EQ(FakeLinkCallsOf(FakeLinkCreateThreadKrix).at(0).Ints[0], c.port) << c.name;

        const fs::path used = c.ownFolder ? own : program;
        EXPECT_EQ(controller->Program().FileName(), (used / ProgramSettingsFileName).string()) << c.name;
        EXPECT_EQ(ProgramSettings(used.string()).LastOpen(), SimulationPath().string()) << c.name;
        if (c.ownFolder) {
            EXPECT_EQ(ReadBytes(program / ProgramSettingsFileName), windowSettings) << c.name;
        }
    }
}

// ---- dialogs of the load ----------------------------------------------------------------------

TEST_F(ControllerTest, TheOpenDialog) {
    dialogs.OpenAnswers = {std::nullopt};
    controller->Load();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini"});
    EXPECT_EQ(controller->Engine(), nullptr);
    EXPECT_FALSE(fs::exists(program / ProgramSettingsFileName)); // Cancel writes nothing
    EXPECT_EQ(window.Captions, std::vector<std::string>{});

    dialogs.OpenAnswers = {SimulationPath().string()};
    controller->Load();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    dialogs.OpenAnswers = {std::nullopt};
    controller->Load(); // preset with the file opened last
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini",
                                                 "Open: INI files (*.ini)|*.ini|" + SimulationPath().string()}));
    EXPECT_NE(controller->Engine(), nullptr);
}

TEST_F(ControllerTest, MissingFilesOfTheWorkingFolderOnlyWarn) {
    fs::remove(folder.Root() / "Default_file/Frame_Structure.xls");
    fs::remove(folder.Root() / SystemSettingsPath);
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Warning: WARNING! Default_file/SystemSettings.ini not found!",
                                                 "Warning: WARNING! Default_file/Frame_Structure.xls not found!"}));
    EXPECT_EQ(controller->Engine()->DefaultLength.load(), 10); // the file defaults
    EXPECT_EQ(controller->Engine()->AutoAnswer.load(), 0);
}

TEST_F(ControllerTest, SetMuxAndNotes) {
    const std::string input = "Input: SetMUX not found|Insert Set Mux value (12 characters)\n"
                              "Deafult CAN pin 6-14 000B00304000|000B00304000";
    const std::string invalid = "Warning: Invalid Set mux value!\nUsed CAN 6-14: 000B00304000";
    struct Case {
        const char* name;
        std::string setMuxLine;                 // in place of the fixture's, empty: none
        std::optional<std::string> answer;      // of the input box
        std::vector<std::string> boxes;
        std::string shown;
        std::string inFile; // what the file object holds and the engine hands to the device
    } cases[] = {
        {"missing, Cancel", "", std::nullopt, {input}, "000B00304000", "000B00304000"},
        {"missing, 15 characters", "", "000F00100000123", {input}, "000F00100000", "000F00100000"},
        {"missing, too short", "", "000F", {input, invalid}, "000B00304000", "000B00304000"},
        {"ten characters in the file", "SetMux=000B003040", std::nullopt, {invalid}, "000B00304000", "000B003040"},
    };
    for (const Case& c : cases) {
        WriteSimulation(WithLine(fixtureText, "SetMux=000B00304000", c.setMuxLine));
        FakeLink_Reset();
        dialogs.InputAnswers = {c.answer};
        ASSERT_TRUE(LoadReady(SimulationPath())) << c.name;
        EXPECT_EQ(Boxes(), c.boxes) << c.name;
        EXPECT_EQ(controller->Info().SetMux, c.shown) << c.name;
        EXPECT_EQ(controller->SimulationFile()->ReadString("PROTOCOL", "SetMux", ""), c.inFile) << c.name;
        EXPECT_STREQ(FakeLinkCallsOf(FakeLinkSetEcuDirect).at(0).SetMux, c.inFile.c_str()) << c.name;
    }
    // The answer is kept in memory only, until "Save".
    EXPECT_EQ(ReadBytes(SimulationPath()).find("SetMux=000B003040\r\n") != std::string::npos, true);

    WriteSimulation(WithLine(fixtureText, "Type=CAN", "Type=CAN\r\nNOTES=Bench unit, ignition on pin 3"));
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Warning: Bench unit, ignition on pin 3"});
    EXPECT_EQ(controller->Info().Notes, "Bench unit, ignition on pin 3");
}

// ---- failures -----------------------------------------------------------------------------------

TEST_F(ControllerTest, FailuresEndTheLoadAndLeaveNoEngineOrFile) {
    // Prepare empties the folder for each case; the cases make what they need.
    const fs::path elsewhere = folder.Root() / "elsewhere";
    const fs::path emptyProgram = folder.Root() / "noprogram";
    const std::string protocolTable = (folder.Root() / "Default_file/protocol.ini").string();
    struct Case {
        const char* name;
        std::function<void()> prepare;
        fs::path file;
        std::vector<std::string> boxes;
    } cases[] = {
        {"no Default_file",
         [&] {
             fs::create_directories(elsewhere);
             WriteBytes(elsewhere / "simul1.ini", fixtureText);
         },
         elsewhere / "simul1.ini",
         {"Message: Load ini function error!\nInvaid working dir! Cannot find folder: Default_file!"}},
        {"protocol.ini missing", [&] { fs::remove(protocolTable); }, SimulationPath(),
         {"Warning: WARNING! Default_file/protocol.ini not found!",
          "Message: Load ini function error!\nCannot find file " + protocolTable + "!"}},
        {"no PROTOCOL key", [&] { WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "")); }, SimulationPath(),
         {"Message: Load ini function error!\n" + NoFrameStructureMessage(0)}},
        {"an empty row", [&] { WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=27")); },
         SimulationPath(), {"Message: Load ini function error!\n" + NoFrameStructureMessage(27)}},
        {"beyond the table", [&] { WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=51")); },
         SimulationPath(), {"Message: Load ini function error!\n" + NoFrameStructureMessage(51)}},
        {"a number that does not fit",
         [&] { WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=99999999999")); }, SimulationPath(),
         {"Message: Load ini function error!\nProtocol number 99999999999 has no frame structure! The key PROTOCOL "
          "of section [PROTOCOL] must be a number from 1 to 26."}},
        {"not a number", [&] { WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=one")); },
         SimulationPath(), {"Message: Load ini function error!\n" + NoFrameStructureMessage("one")}},
        {"a header beyond a message",
         [&] { WriteSimulation(WithLine(fixtureText, "Len_Header_Tx=0", "Len_Header_Tx=1073741824")); },
         SimulationPath(),
         {"Message: Load ini function error!\n[PROTOCOL] Len_Header_Tx=1073741824 is out of range: a header has at "
          "most 4095 bytes!"}},
        {"no protocol.ini section", [&] { WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=3")); },
         SimulationPath(), {"Message: Load ini function error!\nNot supported protocol!"}},
        {"no link library", [&] {
             program = folder.MakeFolder("noprogram");
             MakeController();
         }, SimulationPath(),
         {"Message: Load ini function error!\nCannot find " + (emptyProgram / "libkrix_interface.so").string()}},
    };
    for (Case& c : cases) {
        Prepare(); // a fresh copy of the fixture and a running simulation to be replaced
        ASSERT_TRUE(LoadReady(SimulationPath())) << c.name;
        const std::string caption = window.Captions.back();
        Boxes();
        c.prepare();
        EXPECT_FALSE(controller->LoadFile(c.file.string())) << c.name;
        EXPECT_EQ(Boxes(), c.boxes) << c.name;
        EXPECT_EQ(controller->Engine(), nullptr) << c.name;
        EXPECT_EQ(controller->SimulationFile(), nullptr) << c.name;
        EXPECT_EQ(SelectedCodecPair(), 0) << c.name; // nothing of an engine is left selected
        if (c.file != SimulationPath()) {
            EXPECT_EQ(window.Captions.back(), caption) << c.name;
        }
        // The commands find nothing to act on, and the next load starts afresh.
        controller->ReloadSystem();
        controller->Reset();
        EXPECT_FALSE(controller->Save()) << c.name;
    }
}

TEST_F(ControllerTest, AProtocolNumberThatDoesNotFitIsShownAsWritten) {
    WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=99999999999"));
    EXPECT_FALSE(controller->LoadFile(SimulationPath().string()));
    EXPECT_EQ(controller->Info().Index, "99999999999");
    // A readable number keeps its decimal form.
    WriteSimulation(WithLine(fixtureText, "PROTOCOL=1", "PROTOCOL=0x33"));
    EXPECT_FALSE(controller->LoadFile(SimulationPath().string()));
    EXPECT_EQ(controller->Info().Index, "51");
    EXPECT_EQ(Boxes().back(), "Message: Load ini function error!\n" + NoFrameStructureMessage("0x33"));
}

// Small files that once made the load walk every number up to a count, or reserve tables for
// sizes no message has: each ends at once with a message, having sized only what it holds.
TEST_F(ControllerTest, HostileFilesEndWithAMessageAndSizeOnlyWhatTheyHold) {
    const std::string noRow = "Message: Load ini function error!\n" + NoFrameStructureMessage(0);
    struct Case {
        const char* name;
        std::string text;
        std::string box;
        std::int32_t actMaxCount, actAnsMaxCount;
    } cases[] = {
        {"the largest activation count, one section", "[NACTIVATION]\r\nN=2147483647\r\n[ACTIVATION_2147483647]\r\n",
         noRow, 1, 0},
        {"a large activation count, one section of 20 repeated steps",
         "[NACTIVATION]\r\nN=100000\r\n[ACTIVATION_100000]\r\nR1=31\r\nRepetition_Number1=20\r\n", noRow, 1, 20},
        {"headers of 2^30 bytes",
         "[PROTOCOL]\r\nPROTOCOL=1\r\nLen_Header_Rx=1073741824\r\nLen_Header_Tx=1073741824\r\n",
         "Message: Load ini function error!\n[PROTOCOL] Len_Header_Rx=1073741824 is out of range: a header has at most "
         "4095 bytes!",
         0, 0},
    };
    for (const Case& c : cases) {
        WriteSimulation(c.text);
        EXPECT_FALSE(controller->LoadFile(SimulationPath().string())) << c.name;
        EXPECT_EQ(Boxes(), std::vector<std::string>{c.box}) << c.name;
        EXPECT_EQ(controller->Engine(), nullptr) << c.name;
        EXPECT_EQ(controller->Counts().ActMaxCount, c.actMaxCount) << c.name;
        EXPECT_EQ(controller->Counts().ActAnsMaxCount, c.actAnsMaxCount) << c.name;
        EXPECT_LE(controller->Counts().MaxReqLen, MaxMessageDigits) << c.name;
        EXPECT_LT(StoreBytes(ScaleCounts(controller->Counts(), 1.25f)), 1024.0 * 1024.0) << c.name;
    }
    EXPECT_EQ(registrations, std::vector<std::string>{});

    // Within a simulation that loads: the activation that exists is registered and the engine's
    // tables hold the two activations the file has, not two thousand million.
    WriteSimulation(WithLine(fixtureText, "N=1", "N=2147483647") +
                    "\r\n[ACTIVATION_2147483647]\r\nD=Last\r\nR1=3101\r\nA1_1=7101\r\nR2=3102\r\nA2_1=7102\r\n"
                    "Repetition_Number2=20\r\n");
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(controller->Counts().ActMaxCount, 2);
    EXPECT_EQ(controller->Limits().ActMaxCount, 3);               // (2 + 1) x 1.25
    EXPECT_EQ(controller->Limits().ActAnsMaxCount, (21 + 1) * 5 / 4); // 1 + 20 repetitions
    const TActivations& activations = controller->Engine()->Store().EditActivations();
    ASSERT_EQ(activations.Count, 2);
    EXPECT_EQ(activations.Items[1].Name, "Last");
    EXPECT_EQ(activations.Items[1].Count, 20);
    EXPECT_EQ(activations.Capacity, 3);

    // A growth factor beyond reason in the settings: refused before any table is reserved.
    WriteBytes(folder.Root() / SystemSettingsPath, "[STRUCTURE_SIZE]\r\nMemoryInc=1000000\r\n");
    WriteSimulation(fixtureText);
    EXPECT_FALSE(controller->LoadFile(SimulationPath().string()));
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("Message: Load ini function error!\nThe engine's tables for this simulation would take ", 0),
              0u) << boxes[0];
    EXPECT_EQ(controller->Engine(), nullptr);
}

TEST_F(ControllerTest, PassFailuresAreShownAndTheLoadGoesOn) {
    std::string text = WithLine(fixtureText, "R=2102", "");
    WriteSimulation(text);
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: LoadData function error:\nSection [REQUEST3] error!!\n"
                                                "Answer or request not exists!\nCheck ini file format and reload data!"});
    EXPECT_EQ(registrations.size(), 2u);
    EXPECT_EQ(controller->Engine()->Store().EditRequests().Count, 2);
}

// ---- save, save as, reload ------------------------------------------------------------------------

TEST_F(ControllerTest, LoadSaveAndReloadGiveTheSameSimulation) {
    ASSERT_TRUE(LoadReady(SimulationPath()));
    const SimulationView view = controller->View();
    const SystemInfo info = controller->Info();
    const SizeCounts limits = controller->Limits();
    const std::vector<std::string> firstRegistrations = registrations;
    const std::string caption = window.Captions.back();

    const fs::path copy = folder.Root() / "copy.ini";
    dialogs.SaveAnswers = {copy.string()};
    ASSERT_TRUE(controller->SaveAs());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Save: INI Files (*.ini)|*.ini|.ini"});
    EXPECT_EQ(ReadBytes(copy), SavedLayout(fixtureText));
    EXPECT_EQ(ReadBytes(SimulationPath()), fixtureText); // the original is untouched
    EXPECT_EQ(TIniFile((program / ProgramSettingsFileName).string()).ReadString("LAST_FILE", "Save", ""), copy.string());
    EXPECT_EQ(controller->Program().LastOpen(), SimulationPath().string());
    EXPECT_EQ(window.Captions.back(), caption);
    EXPECT_EQ(controller->SimulationFolder(), folder.Root().string() + "/");

    registrations.clear();
    ASSERT_TRUE(LoadReady(copy));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(registrations, firstRegistrations);
    EXPECT_EQ(controller->View(), view);
    EXPECT_EQ(controller->Info(), info);
    EXPECT_EQ(controller->Limits(), limits);

    // "Save" writes the object whole to its own file, with the changes made in memory.
    controller->SimulationFile()->WriteString("REQUEST2", "D", "Supply voltage");
    ASSERT_TRUE(controller->Save());
    const std::string saved = ReadBytes(copy);
    EXPECT_NE(saved.find("[REQUEST2]\r\nR=2101\r\nMA=N\r\nD=Supply voltage\r\n\r\n"), std::string::npos);
}

TEST_F(ControllerTest, AFailedSaveAsKeepsTheOldFileAndName) {
    ASSERT_TRUE(LoadReady(SimulationPath()));
    dialogs.SaveAnswers = {(folder.Root() / "no such folder" / "x.ini").string()};
    EXPECT_FALSE(controller->SaveAs());
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].rfind("Message: Cannot save file ", 0), 0u) << boxes[1];
    EXPECT_EQ(controller->SimulationFile()->FileName(), SimulationPath().string());
    EXPECT_EQ(ReadBytes(SimulationPath()), fixtureText);
    EXPECT_FALSE(fs::exists(folder.Root() / "no such folder"));
    // "Save" still goes to the file the simulation came from.
    ASSERT_TRUE(controller->Save());
    EXPECT_EQ(ReadBytes(SimulationPath()), SavedLayout(fixtureText));

    // Cancel in the dialog: nothing at all.
    dialogs.SaveAnswers = {std::nullopt};
    EXPECT_FALSE(controller->SaveAs());
}

TEST_F(ControllerTest, AKeyTheLoadAddedIsSavedAtTheEndOfItsSection) {
    WriteSimulation(WithLine(fixtureText, "SetMux=000B00304000", ""));
    dialogs.InputAnswers = {std::nullopt};
    ASSERT_TRUE(LoadReady(SimulationPath()));
    ASSERT_TRUE(controller->Save());
    EXPECT_NE(ReadBytes(SimulationPath()).find("ACTIVATION_ANSWER=C1EF8F\r\nSetMux=000B00304000\r\n\r\n[CAN]"),
              std::string::npos);
}

// ---- engine commands, close ------------------------------------------------------------------------

TEST_F(ControllerTest, ReloadSystemAndASecondLoad) {
    controller->ReloadSystem(); // before any load: nothing
    ASSERT_TRUE(LoadReady(SimulationPath()));
    controller->ReloadSystem();
    ASSERT_TRUE(WaitUntil([&] { return events.Statuses().size() == 4; }));
    EXPECT_EQ(events.Statuses(), (std::vector<std::int32_t>{1, 4, 2, 4}));

    // The first engine ends (its link with it) before the second one starts the link again.
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_EQ(FakeLinkNames({FakeLinkStatusInitKrix, FakeLinkStatusTransparent, FakeLinkSetMode, FakeLinkSetEcuDirect,
                             FakeLinkInitComKrix, FakeLinkSetProtocolType}),
              (std::vector<std::string>{"CreateThreadKrix", "DeleteThreadKrix", "CreateThreadKrix", "DeleteThreadKrix",
                                        "CreateThreadKrix"}));
    EXPECT_EQ(events.Statuses(), (std::vector<std::int32_t>{1, 4, 2, 4, 1, 4}));
}

TEST_F(ControllerTest, ResetEndsTheEngineAndKeepsTheFile) {
    ASSERT_TRUE(LoadReady(SimulationPath()));
    controller->Reset();
    EXPECT_EQ(controller->Engine(), nullptr);
    ASSERT_NE(controller->SimulationFile(), nullptr);
    EXPECT_EQ(events.Statuses().back(), SimulatorStatus::ResetRequested);
    EXPECT_TRUE(controller->Save());
}

TEST_F(ControllerTest, CloseWritesTheOptionsOfTheFolderLoadedLast) {
    // Before any load: nothing is written anywhere.
    dialogs.ConfirmAnswers = {false, true};
    EXPECT_FALSE(controller->CloseQuery());
    EXPECT_TRUE(controller->CloseQuery());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Confirm: Are you sure you want to exit Tarvico?",
                                                 "Confirm: Are you sure you want to exit Tarvico?"}));
    controller->Close();
    EXPECT_EQ(ReadBytes(folder.Root() / SystemSettingsPath), ReadBytes(Fixture / SystemSettingsPath));

    // Load from A, then from B: the close writes into B's settings only.
    const fs::path b = folder.MakeFolder("b");
    fs::create_directories(b / "Default_file");
    for (const char* name : {"simul1.ini", "Default_file/protocol.ini", "Default_file/Frame_Structure.xls"})
        fs::copy_file(Fixture / name, b / name);
    ASSERT_TRUE(LoadReady(SimulationPath()));
    ASSERT_TRUE(LoadReady(b / "simul1.ini"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Warning: WARNING! Default_file/SystemSettings.ini not found!"});
    SystemOptions changed = controller->Options();
    changed.ResetTimeout = 99; // clamped to 60
    changed.DefaultLength = 20;
    changed.AutoAnswer = true;
    changed.BytesPerError = 5;
    controller->SetOptions(changed);
    EXPECT_EQ(controller->Engine()->DefaultLength.load(), 20);
    EXPECT_EQ(controller->Engine()->AutoAnswer.load(), 1);

    controller->Close();
    EXPECT_EQ(controller->Engine(), nullptr);
    EXPECT_EQ(controller->SimulationFile(), nullptr);
    EXPECT_EQ(FakeLinkNames().back(), "DeleteThreadKrix");
    EXPECT_EQ(ReadBytes(folder.Root() / SystemSettingsPath), ReadBytes(Fixture / SystemSettingsPath));
    SystemOptions written = changed;
    written.ResetTimeout = 60;
    EXPECT_EQ(SystemSettings(b.string()).ReadOptions(), written);

}

TEST_F(ControllerTest, ExitEndsTheEngineAndWritesNoOptions) {
    ASSERT_TRUE(LoadReady(SimulationPath()));
    SystemOptions changed = controller->Options();
    changed.DefaultLength = 20;
    changed.BytesPerError = 5;
    controller->SetOptions(changed);

    dialogs.ConfirmAnswers = {false, true};
    EXPECT_FALSE(controller->Exit());
    EXPECT_NE(controller->Engine(), nullptr);
    EXPECT_TRUE(controller->Exit());
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Confirm: Are you sure you want to exit Tarvico?",
                                                 "Confirm: Are you sure you want to exit Tarvico?"}));
    EXPECT_EQ(controller->Engine(), nullptr);
    EXPECT_EQ(controller->SimulationFile(), nullptr);
    EXPECT_EQ(FakeLinkNames().back(), "DeleteThreadKrix");
    // Only the close writes the options.
    EXPECT_EQ(ReadBytes(folder.Root() / SystemSettingsPath), ReadBytes(Fixture / SystemSettingsPath));
}

TEST_F(ControllerTest, CommandsDuringALoadAreRefused) {
    bool tried = false;
    window.OnPump = [&] {
        if (tried || controller->Engine() == nullptr || !controller->Engine()->StoresReady()) return;
        tried = true;
        EXPECT_TRUE(controller->Busy());
        EXPECT_FALSE(controller->LoadFile(SimulationPath().string()));
        controller->Reset();
        controller->ReloadSystem();
        EXPECT_FALSE(controller->CloseQuery());
        controller->Close();
        EXPECT_FALSE(controller->SaveAs());
        controller->Load();
    };
    ASSERT_TRUE(LoadReady(SimulationPath()));
    EXPECT_TRUE(tried);
    EXPECT_FALSE(controller->Busy());
    EXPECT_EQ(Boxes(), std::vector<std::string>{}); // not even the questions
    EXPECT_EQ(registrations.size(), 13u);
    EXPECT_EQ(events.Statuses(), (std::vector<std::int32_t>{1, 4}));
}
