// CAN_Standard end to end through the device link: a tester on the emulated bus sends
// single-frame and segmented requests; every frame both ways is checked byte for byte, built
// here from its fields (identifier, length byte, protocol control byte, data), and the engine's
// traffic log names each exchange.
#include "DeviceEndToEnd.h"

namespace {

const Bytes IdEcu{0x00, 0x00, 0x07, 0xE8}; // ID_ECU, most significant first
constexpr std::uint8_t CanLengthByte = 0x08;
constexpr std::size_t CanDataBytes = 8;
constexpr std::uint8_t TesterFiller = KrixEmu::BusTester::DefaultFiller;
constexpr std::uint8_t FirstFrame = 0x10;
constexpr std::uint8_t ConsecutiveFrame = 0x20; // + sequence number
constexpr std::uint8_t FlowControl = 0x30;
constexpr std::uint8_t BlockSizeAll = 0x00;
constexpr std::uint8_t BlockSizeEachFrame = 0x01;
constexpr std::uint8_t NoSeparation = 0x00;
constexpr int Answered = 0; // the traffic log's kind of an exchange answered from the store

// The unit's flow control: a block size of 1, padded with zeros.
const Bytes EcuFlowControl{FlowControl, BlockSizeEachFrame, NoSeparation, 0, 0, 0, 0, 0};

// The wire text of pack pair 1: the length byte, then the message.
Bytes Wire(const Bytes& message) { return Concat({{static_cast<std::uint8_t>(message.size())}, message}); }

KrixEmu::BusRecord FromTester(Bytes data) {
    data.resize(CanDataBytes, TesterFiller);
    return {true, data};
}
KrixEmu::BusRecord ToTester(const Bytes& data) { return {false, Concat({IdEcu, {CanLengthByte}, data})}; }
std::uint8_t Cf(int sequence) { return static_cast<std::uint8_t>(ConsecutiveFrame + sequence); }

const Bytes OpenSession{0x10, 0x03};
const Bytes SessionAnswer{0x50, 0x03, 0x00, 0x32, 0x01, 0xF4};
const Bytes ReadSerialNumber{0x22, 0xF1, 0x8C};
const Bytes SerialNumber = Concat({{0x62, 0xF1, 0x8C}, Ascii("TVC0001234567AB")}); // 18 bytes
const Bytes StartRoutine = Concat({{0x31, 0x01, 0x02, 0x03}, Ascii("PARAMETERS-0001X")}); // 20 bytes
const Bytes RoutineResult = Concat({{0x71, 0x01, 0x02, 0x03}, Ascii("RESULT-00042")});    // 16 bytes

const char* ProtocolTable = "[PROTOCOL1]\r\nMode=1\r\nSimulator_System=77\r\nUnknownRequest_Function=1\r\n"
                            "Rx_Answer_Function=1\r\nTx_Composer_Function=1\r\n";

std::string Simulation() {
    return "[PROTOCOL]\r\nPROTOCOL=1\r\nType=CAN\r\nSetMux=000B00304000\r\n"
           "[CAN]\r\nBaude=500000\r\nId_Type=0\r\nID_ECU=7e8\r\nID_TESTER=7e0\r\n"
           "[NREQUEST]\r\nN=3\r\n"
           "[REQUEST1]\r\nR=" + HexText(OpenSession) + "\r\nD=Session\r\n[ANSWER1]\r\nA=" + HexText(SessionAnswer) +
           "\r\n[REQUEST2]\r\nR=" + HexText(ReadSerialNumber) + "\r\nD=Serial number\r\n[ANSWER2]\r\nA=" +
           HexText(SerialNumber) + "\r\n[REQUEST3]\r\nR=" + HexText(StartRoutine) + "\r\nD=Routine\r\n[ANSWER3]\r\nA=" +
           HexText(RoutineResult) + "\r\n[TESTER_PRESENT]\r\nR=3e00\r\nA=7e00\r\n";
}

struct CanExchange {
    const char* name;
    Bytes request;
    Bytes answer;
    std::uint8_t testerBlockSize;
    std::vector<KrixEmu::BusRecord> frames;
    const char* info;
};

std::vector<CanExchange> Exchanges() {
    const Bytes serial = Wire(SerialNumber);  // 19 bytes
    const Bytes routine = Wire(StartRoutine); // 21 bytes
    const Bytes result = Wire(RoutineResult); // 17 bytes
    return {
        {"single frame both ways", OpenSession, SessionAnswer, BlockSizeAll,
         {FromTester(Wire(OpenSession)), ToTester(Wire(SessionAnswer))}, "PSI - Session"},
        {"single-frame request, segmented answer", ReadSerialNumber, SerialNumber, BlockSizeAll,
         {FromTester(Wire(ReadSerialNumber)),
          ToTester(Concat({{FirstFrame}, Slice(serial, 0, 7)})),
          FromTester({FlowControl, BlockSizeAll, NoSeparation}),
          ToTester(Concat({{Cf(1)}, Slice(serial, 7, 14)})),
          ToTester(Concat({{Cf(2)}, Slice(serial, 14, 19)}))},
         "PSI - Serial number"},
        {"segmented request, segmented answer frame by frame", StartRoutine, RoutineResult, BlockSizeEachFrame,
         {FromTester(Concat({{FirstFrame}, Slice(routine, 0, 7)})),
          ToTester(EcuFlowControl),
          FromTester(Concat({{Cf(1)}, Slice(routine, 7, 14)})),
          ToTester(EcuFlowControl),
          FromTester(Concat({{Cf(2)}, Slice(routine, 14, 21)})),
          ToTester(Concat({{FirstFrame}, Slice(result, 0, 7)})),
          FromTester({FlowControl, BlockSizeEachFrame, NoSeparation}),
          ToTester(Concat({{Cf(1)}, Slice(result, 7, 14)})),
          FromTester({FlowControl, BlockSizeEachFrame, NoSeparation}),
          ToTester(Concat({{Cf(2)}, Slice(result, 14, 17)}))},
         "PSI - Routine"},
    };
}

} // namespace

TEST_F(DeviceEndToEnd, CanStandardAnswersSingleFrameAndSegmentedRequests) {
    SimulationFiles files(Simulation(), ProtocolTable, 77);
    ASSERT_TRUE(LoadAndStart(files));
    EXPECT_EQ(emulator.ProgramImage(), Concat({files.ProgramImage(), Bytes(512 * 2 - files.ProgramImage().size(), 0)}));
    emulator.InspectTransparent([](const KrixEmu::TransparentModel& m) {
        EXPECT_EQ(m.Lists()[0], (Bytes{0x02, 0x3E, 0x00})); // the tester-present exchange, packed
        EXPECT_EQ(m.Lists()[1], (Bytes{0x02, 0x7E, 0x00}));
    });

    std::size_t exchanges = 0;
    for (const CanExchange& c : Exchanges()) {
        SCOPED_TRACE(c.name);
        KrixEmu::BusTester::Options options;
        options.frameTimeout = FrameLimit;
        options.blockSize = c.testerBlockSize;
        KrixEmu::BusTester tester(emulator, options);
        const std::optional<Bytes> answer = tester.CanRequest(c.request);
        ASSERT_TRUE(answer.has_value());
        EXPECT_EQ(*answer, c.answer);
        ExpectSameFrames(tester.Transcript(), c.frames);

        ASSERT_TRUE(engine->WaitFor(EngineEvent::Kind::Exchange, ++exchanges, CommandLimit));
        const EngineEvent logged = [&] {
            EngineEvent last;
            for (const EngineEvent& e : engine->Events())
                if (e.kind == EngineEvent::Kind::Exchange)
                    last = e;
            return last;
        }();
        EXPECT_EQ(logged.request, HexText(Wire(c.request)));
        EXPECT_EQ(logged.answer, HexText(Wire(c.answer)));
        EXPECT_EQ(logged.type, Answered);
        EXPECT_EQ(logged.text, c.info);
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    EXPECT_TRUE(engine->Stop(CommandLimit));
    EXPECT_FALSE(emulator.OnBus());
}
