// KL_KW2000 end to end with pack pair 3 over row 3 of the frame-structure table (format byte with
// the length, target and source addresses, data, checksum routine 1 of libChecksum.so): the engine
// on its own thread against the fake link library it loads with dlopen. The frames are built here
// from their fields and the checksum is summed here, independently of the codec and the library.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "fixtures/EngineHarness.h"

namespace {

// ---- the frames -------------------------------------------------------------------------------

constexpr int FrameStructureRow = 3;   // FMT;TGT;SRC;SID;DATA;CHS toward the ECU, FMT;SRC;TGT;... back
constexpr std::uint8_t FormatBase = 0x80; // Fmt_Tx; the message length is added to it
constexpr std::uint8_t EcuAddress = 0x10;
constexpr std::uint8_t TesterAddress = 0xF1;

// The additive 8-bit checksum over every byte before it.
std::uint8_t Checksum(const ByteString& bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u) & 0xFFu);
}

ByteString WithChecksum(const ByteString& bytes) { return Concat({bytes, {Checksum(bytes)}}); }

ByteString Format(const ByteString& message) { return {static_cast<std::uint8_t>(FormatBase + message.size())}; }

// What the tester sends: to the ECU, from the tester.
ByteString Request(const ByteString& message) {
    return WithChecksum(Concat({Format(message), {EcuAddress, TesterAddress}, message}));
}

// What the ECU answers: to the tester, from the ECU.
ByteString Answer(const ByteString& message) {
    return WithChecksum(Concat({Format(message), {TesterAddress, EcuAddress}, message}));
}

BusFrame FromTester(const ByteString& frame) { return {BusFrame::FromTester, frame, 0}; }
BusFrame ToTester(const ByteString& frame) { return {BusFrame::ToTester, frame, 0}; }

// ---- the simulation ---------------------------------------------------------------------------

const ByteString StartCommunication{0x81};
const ByteString StartCommunicationAnswer{0xC1, 0xEF, 0x8F}; // key bytes
const ByteString ReadLocalIdentifier{0x21, 0x01};
const ByteString ResponsePending{0x7F, 0x21, 0x78};
const ByteString LocalIdentifierData{0x61, 0x01, 0x0A, 0x14, 0x1E, 0x28, 0x32, 0x3C, 0x46, 0x50, 0x5A, 0x64};
const ByteString TesterPresent{0x3E, 0x01};
const ByteString TesterPresentAnswer{0x7E};

const char* ProtocolTable =
    "[PROTOCOL3]\r\nMode=1\r\nSimulator_System=12\r\nUnknownRequest_Function=1\r\n"
    "Rx_Answer_Function=3\r\nTx_Composer_Function=8\r\n"; // pack pair 3 by default

const char* KLineSimulation =
    "[PROTOCOL]\r\nPROTOCOL=3\r\nType=KL\r\nSetMux=000700000000\r\nInit_Ecu=2\r\n"
    "Fmt_Tx=80\r\nTgt=f1\r\nSrc=10\r\nLen_Header_Rx=3\r\nLen_Header_Tx=3\r\n"
    "[KL]\r\nBaude=10400\r\nStop=1\r\nData=8\r\n"
    "[TESTER_PRESENT]\r\nR=3e01\r\nA=7e\r\n";

void RegisterSimulation(TKRIXCommunicationThread& e) {
    ASSERT_TRUE(e.AddRequest(HexText(StartCommunication), {HexText(StartCommunicationAnswer)},
                             "Start communication", -1, RequestType::PSI));
    ASSERT_TRUE(e.AddRequest(HexText(ReadLocalIdentifier), {HexText(ResponsePending), HexText(LocalIdentifierData)},
                             "Local identifier 01", -1, RequestType::PSI));
}

SimulationSetup KLineSetup() {
    SimulationSetup setup;
    setup.ProtocolTable = ProtocolTable;
    setup.Simulation = KLineSimulation;
    setup.FrameStructureRow = FrameStructureRow;
    setup.Register = RegisterSimulation;
    return setup;
}

// ---- the exchanges ----------------------------------------------------------------------------

std::vector<ExpectedExchange> Exchanges() {
    const ByteString corrupted = [] {
        ByteString f = Request(ReadLocalIdentifier);
        f.back() = static_cast<std::uint8_t>(f.back() + 1);
        return f;
    }();
    return {
        {"StartCommunication",
         {FromTester(Request(StartCommunication)), ToTester(Answer(StartCommunicationAnswer))},
         {{HexText(Request(StartCommunication)), HexText(Answer(StartCommunicationAnswer)), OriglioItemType::Answered,
           "PSI - Start communication"}},
         {}},
        {"ResponsePendingThenTheData",
         {FromTester(Request(ReadLocalIdentifier)), ToTester(Answer(ResponsePending)),
          ToTester(Answer(LocalIdentifierData))},
         {{HexText(Request(ReadLocalIdentifier)), HexText(Answer(ResponsePending)), OriglioItemType::Answered,
           "PSI - Local identifier 01"},
          {HexText(Request(ReadLocalIdentifier)), HexText(Answer(LocalIdentifierData)), OriglioItemType::Answered,
           "PSI - Local identifier 01"}},
         {}},
        // The checksum is part of the stored request: a frame with a wrong one matches nothing.
        {"WrongChecksumIsAnUnknownRequest",
         {FromTester(corrupted)},
         {{HexText(corrupted), "", OriglioItemType::NotAnswered, ""}},
         {{HexText(corrupted), HexText(ReadLocalIdentifier), 0}}},
    };
}

class EndToEndKLineTest : public ::testing::TestWithParam<ExpectedExchange> {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Load(KLineSetup())); }
    EngineHarness harness;
};

} // namespace

TEST_P(EndToEndKLineTest, FrameByFrame) { harness.Expect(GetParam()); }

INSTANTIATE_TEST_SUITE_P(KL_KW2000, EndToEndKLineTest, ::testing::ValuesIn(Exchanges()),
                         [](const ::testing::TestParamInfo<ExpectedExchange>& info) { return info.param.Name; });

// The device initialisation packs the tester-present exchange with the same pair and checksum
// routine and hands it to SetProtocolType with the K-line kind.
TEST(EndToEndKLineInitTest, TesterPresentIsFramedWithItsChecksum) {
    EngineHarness harness;
    ASSERT_TRUE(harness.Load(KLineSetup()));
    const std::vector<FakeLinkCall> set = FakeLinkCallsOf(FakeLinkSetProtocolType);
    ASSERT_EQ(set.size(), 1u);
    constexpr std::int32_t KLineKind = 0;
    EXPECT_EQ(set[0].Ints[0], KLineKind);
    const ByteString request = Request(TesterPresent);
    const ByteString answer = Answer(TesterPresentAnswer);
    ASSERT_EQ(set[0].ListLen[0], static_cast<std::int32_t>(request.size()));
    ASSERT_EQ(set[0].ListLen[1], static_cast<std::int32_t>(answer.size()));
    EXPECT_EQ(ByteString(set[0].Lists[0], set[0].Lists[0] + request.size()), request);
    EXPECT_EQ(ByteString(set[0].Lists[1], set[0].Lists[1] + answer.size()), answer);
    EXPECT_EQ(set[0].ListLen[2], 0);
}
