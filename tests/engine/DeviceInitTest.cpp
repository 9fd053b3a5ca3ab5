// InitDevice against the fake link library: the order and arguments of the link calls, the
// blocks and lists handed to SetProtocolType, the polls and the retry and failure paths.
#include <gtest/gtest.h>

#include <vector>

#include "BusLink.h"
#include "DeviceInit.h"
#include "fixtures/FakeLinkCalls.h"
#include "IniFile.h"
#include "fixtures/CodecSelection.h"
#include "fixtures/RecordingReporter.h"

namespace {

VirtualClock* stampClock = nullptr;
std::uint64_t StampNow() { return stampClock ? stampClock->NowMs() : 0; }

constexpr const char* DataFolder = "/sims/Default_file/";

class DeviceInitTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeLink_Reset();
        stampClock = &clock;
        FakeLink_SetTimeSource(&StampNow);
        link = LoadKrixInterface(library, TARVICO_FAKELINK_DIR);
        input.Simulation = &sim;
        input.SimulatorSystem = 7;
        input.DataFolder = DataFolder;
        SetIdEcu(0);
        SetIdEcu2(0);
    }
    void TearDown() override {
        FakeLink_Reset();
        stampClock = nullptr;
    }

    bool Run() {
        return InitDevice(link, input, state, [this](std::uint32_t ms) {
            clock.Advance(ms);
            return ++pauses <= pauseLimit;
        });
    }

    void Simulation(const std::string& text) { sim.SetText(text); }

    CodecGuard codec{1};
    VirtualClock clock{0};
    DynamicLibrary library;
    KrixLinkFunctions link;
    TMemIniFile sim;
    DeviceInitInput input;
    DeviceLinkState state;
    int pauses = 0;
    int pauseLimit = 1'000'000;
};

const char* CanSimulation =
    "[PROTOCOL]\r\nSetMux=000B00304000\r\nType=CAN\r\n"
    "[CAN]\r\nBaude=500000\r\nId_Type=0\r\nID_ECU=7e8\r\nID_ECU_2=7df\r\nID_TESTER=7e0\r\n"
    "[TESTER_PRESENT]\r\nR=3e00\r\nA=7e00\r\n";

std::vector<std::uint8_t> Bytes(const std::uint8_t* p, int n) { return {p, p + n}; }

} // namespace

TEST_F(DeviceInitTest, CanInitialisationCallsTheLinkInOrderWithTheBlockAndLists) {
    Simulation(CanSimulation);
    FakeLinkScript(FakeLinkStatusInitKrix, {1, 1, 0});
    FakeLinkScript(FakeLinkStatusTransparent, {2, 1});

    ASSERT_TRUE(Run());

    EXPECT_EQ(FakeLinkNames(), (std::vector<std::string>{
                                   "SetMode", "SetEcuDirect", "InitComKrix", "StatusInitKrix",
                                   "StatusInitKrix", "StatusInitKrix", "SetProtocolType",
                                   "StatusTransparent", "StatusTransparent"}));
    const std::vector<FakeLinkCall> calls = FakeLinkRecord();
    EXPECT_EQ(calls[0].Ints[0], TransparentMode);
    EXPECT_EQ(calls[1].Ints[0], 7);
    EXPECT_EQ(calls[1].Ints[1], '-');
    EXPECT_EQ(calls[1].Ints[2], 0);
    EXPECT_STREQ(calls[1].SetMux, "000B00304000");
    EXPECT_STREQ(calls[1].DataDir, DataFolder);
    EXPECT_EQ(calls[2].Ints[0], 0);

    // 500 ms before every StatusInitKrix, 300 ms before every StatusTransparent.
    EXPECT_EQ(calls[3].TimeMs - calls[2].TimeMs, StatusInitPollMs);
    EXPECT_EQ(calls[4].TimeMs - calls[3].TimeMs, StatusInitPollMs);
    EXPECT_EQ(calls[5].TimeMs - calls[4].TimeMs, StatusInitPollMs);
    EXPECT_EQ(calls[7].TimeMs - calls[6].TimeMs, StatusTransparentPollMs);
    EXPECT_EQ(calls[8].TimeMs - calls[7].TimeMs, StatusTransparentPollMs);

    const FakeLinkCall& set = calls[6];
    EXPECT_EQ(set.Ints[0], KindCan);
    std::vector<std::uint8_t> expected = {KindCan, 0x00, 0x07, 0xA1, 0x20, 0x00, 0x00, 0xFD, 0xFC,
                                          0x00, 0x00, 0x07, 0xE8, 0x00, 0x00, 0x07, 0xE0};
    expected.resize(34, 0);
    for (std::uint8_t b : {0x0B, 0xB8, 0x13, 0x88}) expected.push_back(b);
    expected.resize(KrixProtocolBlockSize, 0);
    EXPECT_EQ(Bytes(set.Block, KrixProtocolBlockSize), expected);
    // Tester present packed with pair 1: 02 3e 00 and 02 7e 00; no third list.
    EXPECT_EQ(set.ListLen[0], 3);
    EXPECT_EQ(Bytes(set.Lists[0], 3), (std::vector<std::uint8_t>{0x02, 0x3e, 0x00}));
    EXPECT_EQ(set.ListLen[1], 3);
    EXPECT_EQ(Bytes(set.Lists[1], 3), (std::vector<std::uint8_t>{0x02, 0x7e, 0x00}));
    EXPECT_EQ(set.ListLen[2], 0);

    EXPECT_EQ(IdEcu(), 0x7e8u);
    EXPECT_EQ(IdEcu2(), 0x7dfu);
    EXPECT_EQ(state.KLineFlag, 0);
}

TEST_F(DeviceInitTest, KLineInitialisationSendsTheKLineBlock) {
    Simulation("[PROTOCOL]\r\nInit_Ecu=2\r\nACTIVATION_REQUEST=81\r\nACTIVATION_ANSWER=c1efb8\r\n"
               "Type=KL\r\n"
               "[KL]\r\nBaude=10400\r\nStop=1\r\nParit\xE0=EVEN\r\nData=8\r\n"
               "[TIMING]\r\nIntrabyte=5\r\nTime_Out_Intrabyte=20\r\nTime_Out_Intraframe=50\r\n");
    input.Tgt = 0x10;
    input.Src = 0xf1;
    SetIdEcu(0x1234); // K-line keeps the CAN identifiers as they were

    ASSERT_TRUE(Run());

    const std::vector<FakeLinkCall> set = FakeLinkCallsOf(FakeLinkSetProtocolType);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].Ints[0], KindKLine);
    std::vector<std::uint8_t> expected = {0x00, 0x00, 0x00, 0x28, 0xA0, 0x01, 0x01, 0x01,
                                          0x08, 0x02, 0x81, 0x10, 0xF1, 0x00, 0x05, 0x00,
                                          0x14, 0x00, 0x32, 0x13, 0x88, 0xC1, 0xEF, 0xB8};
    expected.resize(KrixProtocolBlockSize, 0);
    EXPECT_EQ(Bytes(set[0].Block, KrixProtocolBlockSize), expected);
    // Without a TESTER_PRESENT section the empty texts pack to a lone length byte.
    EXPECT_EQ(set[0].ListLen[0], 1);
    EXPECT_EQ(set[0].Lists[0][0], 0x00);
    EXPECT_EQ(state.KLineFlag, 1);
    EXPECT_EQ(IdEcu(), 0x1234u);
}

TEST_F(DeviceInitTest, AnotherTypeSendsTheCanBlockUnchanged) {
    Simulation("[Protocol]\r\nType=can\r\n[CAN]\r\nBaude=500000\r\n");
    ASSERT_TRUE(Run());
    const std::vector<FakeLinkCall> set = FakeLinkCallsOf(FakeLinkSetProtocolType);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].Ints[0], KindCan);
    EXPECT_EQ(Bytes(set[0].Block, KrixProtocolBlockSize), std::vector<std::uint8_t>(KrixProtocolBlockSize, 0));
}

TEST_F(DeviceInitTest, LongTesterPresentTextsAreCutToTheirLists) {
    // Plain texts of 44 and 38 characters pack (pair 1) to 46 and 40 characters.
    Simulation("[Protocol]\r\nType=CAN\r\n[TESTER_PRESENT]\r\nR=" + std::string(44, 'a') +
               "\r\nA=" + std::string(38, 'b') + "\r\n");
    ASSERT_TRUE(Run());
    const FakeLinkCall set = FakeLinkCallsOf(FakeLinkSetProtocolType).at(0);
    EXPECT_EQ(set.ListLen[0], TesterPresentRequestMax);
    EXPECT_EQ(set.ListLen[1], TesterPresentAnswerMax);
    EXPECT_EQ(set.Lists[0][0], 0x16); // length byte of 22 bytes
    EXPECT_EQ(set.Lists[1][18], 0xbb);
}

TEST_F(DeviceInitTest, RefusedProtocolIsSentFourTimesThenFails) {
    Simulation(CanSimulation);
    FakeLink_SetDefault(FakeLinkStatusTransparent, 0);
    state.LastError = -99;
    EXPECT_FALSE(Run());
    EXPECT_EQ(FakeLink_CountOf(FakeLinkSetProtocolType), ProtocolTypeAttempts);
    EXPECT_EQ(state.LastError, 0);
    // 300 ms before each poll and 300 ms after each refusal.
    const std::vector<FakeLinkCall> sets = FakeLinkCallsOf(FakeLinkSetProtocolType);
    EXPECT_EQ(sets[1].TimeMs - sets[0].TimeMs, StatusTransparentPollMs + RefusedAttemptPauseMs);
}

TEST_F(DeviceInitTest, ProtocolAcceptedAtTheThirdAttempt) {
    Simulation(CanSimulation);
    FakeLinkScript(FakeLinkStatusTransparent, {-1, 2, 0, 2, 2, 1});
    EXPECT_TRUE(Run());
    EXPECT_EQ(FakeLink_CountOf(FakeLinkSetProtocolType), 3);
    EXPECT_EQ(FakeLink_CountOf(FakeLinkStatusTransparent), 6);
}

TEST_F(DeviceInitTest, EachFailingStepStopsTheInitialisation) {
    struct Case {
        const char* name;
        FakeLinkFn fn;
        std::vector<std::int32_t> script;
        std::int32_t lastError; // expected; -99 = as it was
        std::size_t calls;      // link calls made
    } cases[] = {
        {"SetMode false", FakeLinkSetMode, {0}, -99, 1},
        {"SetEcuDirect false", FakeLinkSetEcuDirect, {0}, -99, 2},
        {"InitComKrix error", FakeLinkInitComKrix, {-5}, -5, 3},
        {"StatusInitKrix error", FakeLinkStatusInitKrix, {1, 1, -3}, -3, 6},
        {"SetProtocolType false", FakeLinkSetProtocolType, {0}, -99, 5},
    };
    for (const Case& c : cases) {
        FakeLink_Reset();
        Simulation(CanSimulation);
        FakeLink_Script(c.fn, c.script.data(), static_cast<std::int32_t>(c.script.size()));
        state.LastError = -99;
        EXPECT_FALSE(Run()) << c.name;
        EXPECT_EQ(state.LastError, c.lastError) << c.name;
        EXPECT_EQ(FakeLinkRecord().size(), c.calls) << c.name;
    }
}

TEST_F(DeviceInitTest, StatusInitKrixIsPolledWithoutTimeLimit) {
    Simulation(CanSimulation);
    std::vector<std::int32_t> busy(20, 1); // ten seconds of "still running"
    busy.push_back(0);
    FakeLink_Script(FakeLinkStatusInitKrix, busy.data(), static_cast<std::int32_t>(busy.size()));
    EXPECT_TRUE(Run());
    const std::vector<FakeLinkCall> polls = FakeLinkCallsOf(FakeLinkStatusInitKrix);
    ASSERT_EQ(polls.size(), 21u);
    EXPECT_EQ(polls[19].TimeMs - polls[0].TimeMs, 19 * StatusInitPollMs);
}

TEST_F(DeviceInitTest, EndingTheEngineStopsThePolls) {
    Simulation(CanSimulation);
    FakeLink_SetDefault(FakeLinkStatusInitKrix, 1); // never done
    pauseLimit = 3;
    EXPECT_FALSE(Run());
    EXPECT_EQ(FakeLink_CountOf(FakeLinkStatusInitKrix), 3);
    EXPECT_EQ(FakeLink_CountOf(FakeLinkSetProtocolType), 0);
}

TEST_F(DeviceInitTest, AFailureInsideIsShownAndKeepsTheLastCode) {
    Simulation(CanSimulation);
    // A frame layout the codec refuses makes packing the tester-present request fail.
    TCodecContext bad;
    std::snprintf(bad.Protocol.RxStructure.Layout, sizeof bad.Protocol.RxStructure.Layout, "FMT;CRC");
    CodecGuard broken(3, bad);
    RecordingReporter reporter;
    state.LastError = -99;
    EXPECT_FALSE(Run());
    ASSERT_EQ(reporter.Count(), 1u);
    EXPECT_EQ(reporter.Texts()[0],
              "Init KRIX Function Error!\nPackRequest_3 function error:\nInvalid Frame Sructure!");
    EXPECT_EQ(state.LastError, 0); // StatusInitKrix's 0 was the last code received
}

TEST_F(DeviceInitTest, SetMuxFromTheFileIsCutToItsField) {
    Simulation("[PROTOCOL]\r\nSetMux=0123456789ABCDEFGH\r\nType=CAN\r\n");
    ASSERT_TRUE(Run());
    EXPECT_STREQ(FakeLinkCallsOf(FakeLinkSetEcuDirect).at(0).SetMux, "0123456789ABCDE");
}
