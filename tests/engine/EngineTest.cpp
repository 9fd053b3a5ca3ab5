// The engine thread against the fake link library loaded through dlopen: construction and its
// failures, protocol selection, the status machine with the thread each event arrives on, the
// commands, the failed-pass limit, and ending the engine from every waiting state.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "BusLink.h"
#include "FrameCodec.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"
#include "StoreTestSupport.h"
#include "fixtures/FakeLinkCalls.h"
#include "fixtures/RecordingReporter.h"
#include "fixtures/SimulationFolder.h"
#include "fixtures/SteppingClock.h"
#include "fixtures/WaitUntil.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct StatusEvents {
    struct Event {
        int code;
        std::thread::id thread;
    };
    mutable std::mutex mutex;
    std::vector<Event> events;

    void Add(int code) {
        std::lock_guard lock(mutex);
        events.push_back({code, std::this_thread::get_id()});
    }
    std::vector<int> Codes() const {
        std::lock_guard lock(mutex);
        std::vector<int> out;
        for (const Event& e : events) out.push_back(e.code);
        return out;
    }
    std::vector<Event> All() const {
        std::lock_guard lock(mutex);
        return events;
    }
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeLink_Reset();
        folder.WriteProtocolTable(CanStandardProtocolTable);
        simulationText = CanStandardSimulation;
        protocol.RxStructure.ChsFunction = 1;
    }
    void TearDown() override {
        engine.reset();
        FakeLink_Reset();
    }

    TKRIXCommunicationThread& Make(const std::string& programFolder = TARVICO_FAKELINK_DIR) {
        simulation = std::make_unique<TMemIniFile>(folder.WriteSimulation(simulationText));
        engine = std::make_unique<TKRIXCommunicationThread>(true, protocol, *simulation, programFolder);
        return *engine;
    }

    std::string ConstructionError(const std::string& programFolder = TARVICO_FAKELINK_DIR) {
        return MessageOf([&] { Make(programFolder); });
    }

    // The window's order: start the thread, wait for the stores, register, resume, install the
    // callbacks, resume again, name the port.
    void BringUp(const std::string& port = "COM3") {
        TKRIXCommunicationThread& e = engine ? *engine : Make();
        e.Resume();
        ASSERT_TRUE(WaitUntil([&] { return e.StoresReady(); }));
        ASSERT_TRUE(e.AddRequest("1001", {"5001"}, "session", -1, RequestType::PSI));
        e.Resume();
        e.SetOnStatusChange([this](std::int32_t code) { status.Add(code); });
        e.SetOnAddOriglioItem([this](const std::string& q, const std::string& a, int t, const std::string&) {
            std::lock_guard lock(logMutex);
            log.push_back(q + ">" + a + ":" + std::to_string(t));
        });
        e.Resume();
        e.SetComPort(port);
    }

    bool WaitStatus(std::uint8_t code) { return WaitUntil([&] { return engine->Status() == code; }); }
    // The engine enters a status before it reports it: until the report, the events recorded
    // are one short.
    bool WaitReported(std::uint8_t code) {
        return WaitUntil([&] {
            const std::vector<int> codes = status.Codes();
            return !codes.empty() && codes.back() == code;
        });
    }

    SteppingClock clock;
    ClockGuard clockGuard{clock};
    RecordingReporter reporter;
    SimulationFolder folder;
    std::string simulationText;
    TProtocolStructure protocol;
    std::unique_ptr<TMemIniFile> simulation;
    StatusEvents status;
    std::mutex logMutex;
    std::vector<std::string> log;
    std::unique_ptr<TKRIXCommunicationThread> engine;
};

} // namespace

// ---- construction -------------------------------------------------------------------------------

TEST_F(EngineTest, ConstructionFailuresComeInTheirOrder) {
    const fs::path empty = folder.MakeFolder("empty");
    const fs::path linkOnly = folder.MakeFolder("linkonly");
    fs::create_symlink(fs::path(TARVICO_FAKELINK_DIR) / "libkrix_interface.so", linkOnly / "libkrix_interface.so");

    // protocol.ini is looked for before any library.
    folder.RemoveProtocolTable();
    EXPECT_EQ(ConstructionError(empty.string()),
              "Cannot find file " + (folder.Root() / "Default_file/protocol.ini").string() + "!");
    folder.WriteProtocolTable(CanStandardProtocolTable);

    EXPECT_EQ(ConstructionError(empty.string()), "Cannot find " + (empty / "libkrix_interface.so").string());
    EXPECT_EQ(ConstructionError(TARVICO_FAKELINK_INCOMPLETE_DIR),
              "Cannot load all functions from libkrix_interface.so!");
    EXPECT_EQ(ConstructionError(linkOnly.string()), "Cannot find " + (linkOnly / "libChecksum.so").string());

    // The selectors are read last.
    for (const char* bad : {"UnknownRequest_Function=0", "Rx_Answer_Function=5", "Rx_Answer_Function=0",
                            "Pack_Function=0", "Pack_Function=7", "Tx_Composer_Function=4",
                            "Tx_Composer_Function=0"}) {
        folder.WriteProtocolTable(std::string(CanStandardProtocolTable) + bad + "\r\n");
        EXPECT_EQ(ConstructionError(), "Not supported protocol!") << bad;
        EXPECT_EQ(SelectedCodecPair(), 0) << bad; // nothing selected by a failed engine
    }
}

// A frame structure may name a routine that the checksum library lacks (here 9; the stand-in has
// 0 to 4): the engine still loads and binds none, and every request or answer whose layout has a
// CHS field is refused when it is registered, so nothing goes out with a wrong checksum.
TEST_F(EngineTest, AChecksumRoutineTheLibraryLacksLoadsButRefusesFramesWithAChecksum) {
    folder.WriteProtocolTable("[PROTOCOL1]\r\nMode=1\r\nUnknownRequest_Function=1\r\n"
                              "Rx_Answer_Function=3\r\nTx_Composer_Function=8\r\n"); // pack pair 3
    for (TFrameStructure* half : {&protocol.RxStructure, &protocol.TxStructure}) {
        std::snprintf(half->Layout, sizeof half->Layout, "%s", "FMT;SID;DATA;CHS");
        half->FmtBytes = 1;
        half->ChsBytes = 1;
    }
    protocol.RxStructure.ChsFunction = 9;
    EXPECT_EQ(ConstructionError(), "(no failure)");
    EXPECT_EQ(engine->ChecksumFunction(), nullptr);
    engine->Resume();
    ASSERT_TRUE(WaitUntil([&] { return engine->StoresReady(); }));
    EXPECT_EQ(MessageOf([&] { engine->AddRequest("1001", {"5001"}, "d", -1, RequestType::PSI); }),
              "AddRequest (D=d,R=1001):\nPackRequest_3 function error:\nNo checksum routine bound for the CHS field!");
    EXPECT_EQ(engine->Store().EditRequests().Count, 0);
    engine.reset();

    protocol.RxStructure.ChsFunction = 2;
    Make();
    ASSERT_NE(engine->ChecksumFunction(), nullptr);
    EXPECT_EQ(engine->ChecksumFunction()(4, "1a90"), 0x8a);
}

TEST_F(EngineTest, ProtocolSelectionReadsTheSimulationsSection) {
    struct Case {
        std::string simulationKey; // [PROTOCOL] PROTOCOL line, or empty for none
        std::string table;
        int packPair;
        int mode;
    } cases[] = {
        {"PROTOCOL=7", "[PROTOCOL7]\r\nMode=3\r\nUnknownRequest_Function=2\r\nRx_Answer_Function=3\r\nTx_Composer_Function=8\r\n", 3, 3},
        {"PROTOCOL=7", "[PROTOCOL7]\r\nMode=1\r\nUnknownRequest_Function=2\r\nRx_Answer_Function=3\r\nPack_Function=1\r\nTx_Composer_Function=8\r\n", 1, 1},
        {"", "[PROTOCOL]\r\nMode=2\r\nUnknownRequest_Function=5\r\nRx_Answer_Function=-1\r\nTx_Composer_Function=-1\r\n", 2, 2},
        {"PROTOCOL=2", "[PROTOCOL2]\r\nUnknownRequest_Function=1\r\nRx_Answer_Function=9\r\nTx_Composer_Function=9\r\n", 6, 0},
    };
    for (const Case& c : cases) {
        folder.WriteProtocolTable(c.table);
        simulationText = "[PROTOCOL]\r\n" + c.simulationKey + "\r\nFmt_Tx=80zz\r\nTgt=10\r\nSrc=f1\r\nLen_Header_Rx=1\r\n";
        engine.reset();
        ASSERT_EQ(ConstructionError(), "(no failure)") << c.table;
        EXPECT_EQ(SelectedCodecPair(), c.packPair) << c.table;
        EXPECT_EQ(engine->Mode(), c.mode) << c.table;
        EXPECT_EQ(engine->Codec().Fmt_Tx, 0x80u);
        EXPECT_EQ(engine->Codec().Tgt, 0x10u);
        EXPECT_EQ(engine->Codec().Src, 0xf1u);
        EXPECT_EQ(engine->Codec().Len_Header_Rx, 1);
    }
    engine.reset();
    EXPECT_EQ(SelectedCodecPair(), 0); // the destroyed engine takes its selection with it
}

// Without a Pack_Function key each Rx routine brings its own pack pair.
TEST_F(EngineTest, EveryRxSelectorHasItsDefaultPackPair) {
    const std::pair<int, int> cases[] = {{1, 1}, {2, 1}, {3, 3},  {4, 1},  {6, 4},  {7, 3},  {8, 5},
                                         {9, 6}, {10, 1}, {11, 1}, {12, 1}, {13, 1}, {-1, 2}};
    for (const auto& [rx, pair] : cases) {
        folder.WriteProtocolTable("[PROTOCOL1]\r\nMode=1\r\nUnknownRequest_Function=1\r\nRx_Answer_Function=" +
                                  std::to_string(rx) + "\r\nTx_Composer_Function=1\r\n");
        engine.reset();
        ASSERT_EQ(ConstructionError(), "(no failure)") << rx;
        EXPECT_EQ(SelectedCodecPair(), pair) << "Rx_Answer_Function=" << rx;
        EXPECT_EQ(engine->Selection().PackPair, pair) << rx;
    }
}

TEST_F(EngineTest, CommandsWithoutTheThread) {
    Make();
    EXPECT_EQ(engine->Simulator_System(), 77);
    EXPECT_FALSE(engine->Start()); // status 0
    EXPECT_FALSE(engine->Stop());
    engine->SetOnStatusChange([this](std::int32_t code) { status.Add(code); });
    EXPECT_TRUE(engine->SetComPort("COM12"));
    EXPECT_EQ(engine->ComPort(), 12);
    EXPECT_TRUE(engine->SetComPort("ttyS0")); // another form keeps the number
    EXPECT_EQ(engine->ComPort(), 12);
    EXPECT_EQ(engine->Status(), SimulatorStatus::InitLink);
    ASSERT_EQ(status.All().size(), 2u);
    EXPECT_EQ(status.All()[0].thread, std::this_thread::get_id());
}

// ---- the status machine -------------------------------------------------------------------------

TEST_F(EngineTest, StatusEventsArriveOnTheThreadThatSetsThem) {
    FakeLinkScript(FakeLinkStatusInitKrix, {1, 1, 0});
    FakeLinkScript(FakeLinkStatusTransparent, {2, 1});
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));

    // First load: CreateThreadKrix without a DeleteThreadKrix before it.
    std::vector<std::string> names = FakeLinkNames({FakeLinkStatusInitKrix, FakeLinkStatusTransparent});
    EXPECT_EQ(names, (std::vector<std::string>{"CreateThreadKrix", "SetMode", "SetEcuDirect",
                                               "InitComKrix", "SetProtocolType"}));
    const FakeLinkCall create = FakeLinkCallsOf(FakeLinkCreateThreadKrix).at(0);
    EXPECT_EQ(create.Ints[0], 3);
    EXPECT_EQ(create.Ints[1], 0);
    EXPECT_EQ(FakeLinkCallsOf(FakeLinkSetEcuDirect).at(0).DataDir,
              (folder.Root() / "Default_file").string() + "/");

    EXPECT_FALSE(engine->Stop()); // not running
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Running));
    EXPECT_FALSE(engine->Start()); // running: refused, nothing changes
    EXPECT_EQ(engine->Status(), SimulatorStatus::Running);
    ASSERT_TRUE(engine->Stop());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == 6; }));

    EXPECT_EQ(status.Codes(), (std::vector<int>{1, 4, 5, 11, 7, 4}));
    const auto events = status.All();
    const std::thread::id window = std::this_thread::get_id();
    const std::thread::id worker = events[1].thread;
    EXPECT_NE(worker, window);
    for (const auto& e : events) {
        const bool onWindow = e.code == 1 || e.code == 5 || e.code == 7;
        EXPECT_EQ(e.thread, onWindow ? window : worker) << e.code;
    }
    const std::vector<FakeLinkCall> startStop = FakeLinkCallsOf(FakeLinkStartStop_Ecu);
    ASSERT_EQ(startStop.size(), 2u);
    EXPECT_EQ(startStop[0].Ints[0], 1);
    EXPECT_EQ(startStop[1].Ints[0], 0);
}

TEST_F(EngineTest, FailedStopReportsEightThenFour) {
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Running));
    FakeLinkScript(FakeLinkStartStop_Ecu, {0});
    ASSERT_TRUE(engine->Stop());
    ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == 7; }));
    EXPECT_EQ(status.Codes(), (std::vector<int>{1, 4, 5, 11, 7, 8, 4}));
    // Refused by the device after the command was sent: 8 and 4 as well.
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Running));
    FakeLinkScript(FakeLinkStatusTransparent, {2, 1, 0});
    ASSERT_TRUE(engine->Stop());
    ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == 12; }));
    EXPECT_EQ(status.Codes(), (std::vector<int>{1, 4, 5, 11, 7, 8, 4, 5, 11, 7, 8, 4}));
}

TEST_F(EngineTest, FailedStartAndFailedInitialisation) {
    FakeLinkScript(FakeLinkInitComKrix, {-3});
    BringUp();
    ASSERT_TRUE(WaitReported(SimulatorStatus::InitFailed));
    EXPECT_EQ(engine->LastError(), -3);
    EXPECT_EQ(engine->GetErrorText(), "Compact flash KRIX not ready");
    // Waiting for the operator, the failed state pauses on the clock instead of spinning.
    const std::uint64_t before = clock.NowMs();
    ASSERT_TRUE(WaitUntil([&] { return clock.NowMs() >= before + 10 * FailedStatePassMs; }));

    // The error texts of the other codes, through reloads.
    struct Case {
        std::int32_t code;
        std::string text;
    } cases[] = {{-11, "Unknown error: -11"}, {-16, "Generic error!"}, {-1, "Open COM"}, {5, "Generic error!"}};
    for (const Case& c : cases) {
        FakeLinkScript(FakeLinkInitComKrix, {c.code});
        const std::size_t before = status.Codes().size();
        engine->SetStatus(SimulatorStatus::ReloadLink);
        ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == before + 2; }));
        EXPECT_EQ(engine->LastError(), c.code);
        EXPECT_EQ(engine->GetErrorText(), c.text);
    }

    // Reload: the link is ended first, then created again.
    FakeLink_Reset();
    std::size_t before2 = status.Codes().size();
    engine->SetStatus(SimulatorStatus::ReloadLink);
    ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == before2 + 2; }));
    EXPECT_EQ(status.Codes().back(), SimulatorStatus::Ready);
    const std::vector<std::string> names = FakeLinkNames();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "DeleteThreadKrix");
    EXPECT_EQ(names[1], "CreateThreadKrix");

    FakeLinkScript(FakeLinkStartStop_Ecu, {0});
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitReported(SimulatorStatus::StartFailed));
    FakeLinkScript(FakeLinkCreateThreadKrix, {0});
    before2 = status.Codes().size();
    engine->SetStatus(SimulatorStatus::ReloadLink);
    ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == before2 + 2; }));
    EXPECT_EQ(status.Codes().back(), SimulatorStatus::InitFailed);
    EXPECT_EQ(FakeLink_CountOf(FakeLinkSetMode), 1); // no initialisation without a link
}

// Every code the device link may report, each reached through a failed initialisation.
TEST_F(EngineTest, EveryDeviceErrorCodeHasItsText) {
    const std::pair<std::int32_t, std::string> cases[] = {
        {-1, "Open COM"},
        {-2, "Generic error"},
        {-3, "Compact flash KRIX not ready"},
        {-4, "File system error on compact flash KRIX"},
        {-5, "KRIX error"},
        {-6, "Unknown error: -6"},
        {-7, "Unknown error: -7"},
        {-8, "Master BlueTooth not responding"},
        {-9, "Slave BlueTooth not responding"},
        {-10, "Master BlueTooth not connected"},
        {-11, "Unknown error: -11"},
        {-12, "Unknown error: -12"},
        {-13, "Unknown error: -13"},
        {-14, "Incorrect step (sequence command NOT OK)"},
        {-15, "Unknown error: -15"},
        {-16, "Generic error!"},
        {1, "Generic error!"},
        {INT32_MIN, "Generic error!"},
    };
    FakeLinkScript(FakeLinkInitComKrix, {cases[0].first});
    BringUp();
    ASSERT_TRUE(WaitReported(SimulatorStatus::InitFailed));
    for (const auto& [code, text] : cases) {
        if (code != cases[0].first) {
            FakeLinkScript(FakeLinkInitComKrix, {code});
            const std::size_t before = status.Codes().size();
            engine->SetStatus(SimulatorStatus::ReloadLink);
            ASSERT_TRUE(WaitUntil([&] { return status.Codes().size() == before + 2; })) << code;
        }
        EXPECT_EQ(status.Codes().back(), SimulatorStatus::InitFailed) << code;
        EXPECT_EQ(engine->LastError(), code);
        EXPECT_EQ(engine->GetErrorText(), text) << code;
    }
}

TEST_F(EngineTest, ResetCallsResetKrixAndGoesIdleWithoutAnEvent) {
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    ASSERT_TRUE(engine->Reset());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Idle));
    EXPECT_EQ(FakeLink_CountOf(FakeLinkResetKrix), 1);
    EXPECT_EQ(status.Codes(), (std::vector<int>{1, 4, 9}));
    EXPECT_EQ(status.All()[2].thread, std::this_thread::get_id());
}

TEST_F(EngineTest, ARequestIsAnsweredFrameByFrame) {
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Running));
    const std::uint8_t request[] = {0x02, 0x10, 0x01, 0, 0, 0, 0, 0}; // single frame 10 01
    FakeLink_QueueRxFrame(request, sizeof request);
    ASSERT_TRUE(WaitUntil([&] { return FakeLink_CountOf(FakeLinkTxFrame) == 1; }));
    const FakeLinkCall tx = FakeLinkCallsOf(FakeLinkTxFrame).at(0);
    ASSERT_GE(tx.DataLen, 8);
    EXPECT_EQ(std::vector<std::uint8_t>(tx.Data, tx.Data + 4), (std::vector<std::uint8_t>{0x00, 0x00, 0x07, 0xE8}));
    EXPECT_EQ(std::vector<std::uint8_t>(tx.Data + 5, tx.Data + 8), (std::vector<std::uint8_t>{0x02, 0x50, 0x01}));
    ASSERT_TRUE(WaitUntil([&] {
        std::lock_guard lock(logMutex);
        return !log.empty();
    }));
    std::lock_guard lock(logMutex);
    EXPECT_EQ(log[0], "021001>025001:0");
}

TEST_F(EngineTest, SixFailedPassesEndTheThreadAndSaySo) {
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Running));
    BindBusFrames(nullptr, nullptr); // every Rx call now fails
    ASSERT_TRUE(WaitUntil([&] { return engine->Finished(); }));
    const std::vector<std::string> texts = reporter.Texts();
    ASSERT_EQ(texts.size(), 7u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(texts[i].rfind("KRIXCommunication Thread >> Execute >> RxData_CAN_1 function error:\n", 0), 0u) << texts[i];
        EXPECT_NE(texts[i].find("\n\nAn exception of type "), std::string::npos);
        EXPECT_NE(texts[i].find("\nwas thrown by line "), std::string::npos);
    }
    EXPECT_NE(texts[6].find("More than 5 errors"), std::string::npos);
    EXPECT_EQ(FakeLinkNames().back(), "DeleteThreadKrix"); // the loop's end ends the link
}

// ---- ending ----------------------------------------------------------------------------------

class EngineEndingTest : public EngineTest {
protected:
    // The real clock, so each wait really waits.
    void SetUp() override {
        SetCurrentClock(nullptr);
        EngineTest::SetUp();
    }
    // The window's way: resume, terminate, wait.
    std::chrono::milliseconds End() {
        const auto start = std::chrono::steady_clock::now();
        engine->Resume();
        engine->Terminate();
        engine->WaitFor();
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }
};

TEST_F(EngineEndingTest, WhileSuspendedAtStart) {
    Make();
    engine->Resume();
    ASSERT_TRUE(WaitUntil([&] { return engine->StoresReady() && engine->Suspended(); }));
    EXPECT_LT(End(), 1000ms);
    EXPECT_EQ(FakeLinkNames(), (std::vector<std::string>{"DeleteThreadKrix"}));
}

TEST_F(EngineEndingTest, WhileInitialising) {
    FakeLink_SetDefault(FakeLinkStatusInitKrix, 1); // the device never finishes
    BringUp();
    ASSERT_TRUE(WaitUntil([&] { return FakeLink_CountOf(FakeLinkStatusInitKrix) >= 1; }));
    EXPECT_LT(End(), 1000ms);
    EXPECT_EQ(status.Codes(), (std::vector<int>{1})); // no result reported while ending
}

TEST_F(EngineEndingTest, WhilePollingAStart) {
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    FakeLink_SetDefault(FakeLinkStatusTransparent, 2); // the command stays pending
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitUntil([&] { return FakeLink_CountOf(FakeLinkStatusTransparent) >= 3; }));
    EXPECT_LT(End(), 1000ms);
}

TEST_F(EngineEndingTest, WhileAUnitWaitsForTheRestOfARequest) {
    BringUp();
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Ready));
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(WaitStatus(SimulatorStatus::Running));
    // A first frame announcing 20 bytes; the consecutive frames never come, and the unit would
    // wait out its 3000 ms time-out.
    const std::uint8_t firstFrame[] = {0x10, 0x14, 0x22, 0xF1, 0x90, 0x01, 0x02, 0x03};
    FakeLink_QueueRxFrame(firstFrame, sizeof firstFrame);
    ASSERT_TRUE(WaitUntil([&] { return FakeLink_CountOf(FakeLinkTxFrame) == 1; })); // its flow control
    EXPECT_LT(End(), 1000ms);
}

TEST_F(EngineEndingTest, NeverStarted) {
    Make();
    const auto start = std::chrono::steady_clock::now();
    engine.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(FakeLink_CallCount(), 0);
}
