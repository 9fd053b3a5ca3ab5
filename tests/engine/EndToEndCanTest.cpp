// CAN_Standard end to end: a simulation registered through the engine's calls, the engine on its
// own thread, the fake link library loaded by the engine with dlopen. Each exchange is checked
// frame by frame as it crossed the link (the tester's frames handed out by RxFrame, the engine's
// frames given to TxFrame: identifier, length byte, data), together with the traffic-log events
// and the unknown-request reports that the engine's callbacks delivered, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fixtures/EngineHarness.h"

namespace {

// ---- the bus ----------------------------------------------------------------------------------

const ByteString IdEcu{0x00, 0x00, 0x07, 0xE8};  // ID_ECU of the simulation, most significant first
constexpr std::uint8_t CanLengthByte = 0x08;     // every frame the unit sends says 8
constexpr std::size_t CanDataBytes = 8;
constexpr std::uint8_t FirstFrame = 0x10;
constexpr std::uint8_t ConsecutiveFrame = 0x20; // + sequence number
constexpr std::uint8_t FlowControl = 0x30;      // continue to send
constexpr std::uint8_t FlowControlWait = 0x31;
constexpr std::uint8_t BlockSizeAll = 0x00;
constexpr std::uint8_t BlockSizeEachFrame = 0x01;
constexpr std::uint8_t NoSeparation = 0x00;
constexpr std::uint8_t TesterFiller = 0x55; // the tester pads its frames; the engine never reads it
constexpr std::size_t FirstFrameBytes = 7;  // of the wire bytes, behind 0x10
constexpr std::size_t ConsecutiveBytes = 7; // behind the sequence byte

// What the unit sends after a first frame and after every consecutive frame but the last.
const ByteString EngineFlowControl{FlowControl, BlockSizeEachFrame, NoSeparation, 0, 0, 0, 0, 0};

// Pack pair 1: the message length byte, then the message.
ByteString Wire(const ByteString& message) {
    return Concat({{static_cast<std::uint8_t>(message.size())}, message});
}

BusFrame FromTester(const ByteString& bytes) {
    ByteString data = bytes;
    data.resize(CanDataBytes, TesterFiller);
    return {BusFrame::FromTester, data, 0};
}

BusFrame ToTester(const ByteString& data) { return {BusFrame::ToTester, Concat({IdEcu, {CanLengthByte}, data}), 0}; }

// ---- the simulation ---------------------------------------------------------------------------

const ByteString ReadSerialNumber{0x22, 0xF1, 0x8C};
const ByteString SerialNumberAnswer = Concat({{0x62, 0xF1, 0x8C}, Ascii("TVC0001234567AB")}); // 18 bytes

// 20 bytes: start routine 0x0203 with 16 parameter bytes; answered with 12 result bytes.
const ByteString StartRoutine = Concat({{0x31, 0x01, 0x02, 0x03}, Ascii("PARAMETERS-0001X")});
const ByteString RoutineResult = Concat({{0x71, 0x01, 0x02, 0x03}, Ascii("RESULT-00042")}); // 16 bytes

// Two answers: the stored faults (segmented), then none left.
const ByteString ReadFaults{0x19, 0x02, 0xFF};
const ByteString StoredFaults = Concat({{0x59, 0x02, 0xFF},
                                        {0x01, 0x23, 0x45, 0x2F, 0x06, 0x78, 0x9A, 0x2F, 0x0C, 0xDE, 0xF0, 0x2F}});
const ByteString NoFaults{0x59, 0x02, 0xFF};

// 20 bytes that the simulation does not know.
const ByteString WriteFingerprint = Concat({{0x2E, 0xF1, 0x5A}, Ascii("FINGERPRINT-00007")});


void RegisterSimulation(TKRIXCommunicationThread& e) {
    ASSERT_TRUE(e.AddRequest(HexText(ReadSerialNumber), {HexText(SerialNumberAnswer)}, "Serial number", -1,
                             RequestType::PSI));
    ASSERT_TRUE(e.AddRequest(HexText(StartRoutine), {HexText(RoutineResult)}, "Routine", -1, RequestType::PSI));
    ASSERT_TRUE(e.AddRequest(HexText(ReadFaults), {HexText(StoredFaults), HexText(NoFaults)}, "Faults", -1,
                             RequestType::FaultReading));
}

// ---- the exchanges ----------------------------------------------------------------------------

// The frames of a segmented message: the first frame carries wire bytes 0 to 6 behind 0x10,
// consecutive frame n the next seven (or the rest) behind 0x20 + n.
BusFrame FirstFrameOf(BusFrame (*side)(const ByteString&), const ByteString& wire) {
    return side(Concat({{FirstFrame}, Slice(wire, 0, FirstFrameBytes)}));
}
BusFrame ConsecutiveOf(BusFrame (*side)(const ByteString&), const ByteString& wire, std::size_t n) {
    const std::size_t from = FirstFrameBytes + (n - 1) * ConsecutiveBytes;
    return side(Concat({{static_cast<std::uint8_t>(ConsecutiveFrame + n)},
                        Slice(wire, from, std::min(from + ConsecutiveBytes, wire.size()))}));
}

std::vector<BusFrame> Join(std::initializer_list<std::vector<BusFrame>> parts) {
    std::vector<BusFrame> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<ExpectedExchange> Exchanges() {
    const ByteString serial = Wire(SerialNumberAnswer);    // 19 bytes: 7 + 7 + 5
    const ByteString routine = Wire(StartRoutine);         // 21 bytes: 7 + 7 + 7
    const ByteString result = Wire(RoutineResult);         // 17 bytes: 7 + 7 + 3
    const ByteString faults = Wire(StoredFaults);          // 16 bytes
    const ByteString fingerprint = Wire(WriteFingerprint); // 21 bytes
    // A 20-byte request, with the engine's flow control after the first frame and after the
    // first consecutive frame, none after the last.
    const auto segmentedRequest = [](const ByteString& wire) {
        return std::vector<BusFrame>{
            FirstFrameOf(FromTester, wire), ToTester(EngineFlowControl),
            ConsecutiveOf(FromTester, wire, 1), ToTester(EngineFlowControl),
            ConsecutiveOf(FromTester, wire, 2),
        };
    };
    const BusFrame continueAll = FromTester({FlowControl, BlockSizeAll, NoSeparation});
    const BusFrame continueEach = FromTester({FlowControl, BlockSizeEachFrame, NoSeparation});

    return {
        {"SingleFrameRequestSegmentedAnswerAfterOneFlowControl",
         {FromTester(Wire(ReadSerialNumber)), FirstFrameOf(ToTester, serial), continueAll,
          ConsecutiveOf(ToTester, serial, 1), ConsecutiveOf(ToTester, serial, 2)},
         {{HexText(Wire(ReadSerialNumber)), HexText(serial), OriglioItemType::Answered, "PSI - Serial number"}},
         {}},
        {"SegmentedRequestSegmentedAnswerWithBlockSizeOne",
         Join({segmentedRequest(routine),
               {FirstFrameOf(ToTester, result), continueEach, ConsecutiveOf(ToTester, result, 1), continueEach,
                ConsecutiveOf(ToTester, result, 2)}}),
         {{HexText(routine), HexText(result), OriglioItemType::Answered, "PSI - Routine"}},
         {}},
        {"AnswerRefusedByAWaitFlowControlIsNotSentTheNextIs",
         {FromTester(Wire(ReadFaults)), FirstFrameOf(ToTester, faults),
          FromTester({FlowControlWait, BlockSizeAll, NoSeparation}),
          ToTester(Wire(NoFaults))}, // the second answer fits one frame
         {{HexText(Wire(ReadFaults)), "", OriglioItemType::NotSent, ""},
          {HexText(Wire(ReadFaults)), HexText(Wire(NoFaults)), OriglioItemType::Answered, "Fault reading - Faults"}},
         {}},
        {"UnknownSegmentedRequestIsReportedNotAnswered",
         segmentedRequest(fingerprint),
         {{HexText(fingerprint), "", OriglioItemType::NotAnswered, ""}},
         {{HexText(fingerprint), HexText(WriteFingerprint), 0}}},
    };
}

SimulationSetup CanSetup() {
    SimulationSetup setup;
    setup.ProtocolTable = CanStandardProtocolTable;
    setup.Simulation = CanStandardSimulation;
    setup.FrameStructureRow = 1;
    setup.Register = RegisterSimulation;
    return setup;
}

class EndToEndCanTest : public ::testing::TestWithParam<ExpectedExchange> {
protected:
    void SetUp() override { ASSERT_TRUE(harness.Load(CanSetup())); }
    EngineHarness harness;
};

} // namespace

TEST_P(EndToEndCanTest, FrameByFrame) {
    harness.Expect(GetParam());
    EXPECT_EQ(harness.Events().Snapshot().Statuses,
              (std::vector<int>{SimulatorStatus::InitLink, SimulatorStatus::Ready, SimulatorStatus::StartRequested,
                                SimulatorStatus::Running, SimulatorStatus::StopRequested, SimulatorStatus::Ready}));
}

INSTANTIATE_TEST_SUITE_P(CanStandard, EndToEndCanTest, ::testing::ValuesIn(Exchanges()),
                         [](const ::testing::TestParamInfo<ExpectedExchange>& info) { return info.param.Name; });

// One engine answers every exchange in turn, stopped and started in between: nothing of one
// exchange (a half-read request, a flow control, the sequence counter) reaches the next.
TEST(EndToEndCanSequenceTest, OneEngineAnswersEveryExchangeInTurn) {
    EngineHarness harness;
    ASSERT_TRUE(harness.Load(CanSetup()));
    for (const ExpectedExchange& c : Exchanges()) {
        SCOPED_TRACE(c.Name);
        harness.Expect(c);
        if (::testing::Test::HasFatalFailure()) return;
    }
}
