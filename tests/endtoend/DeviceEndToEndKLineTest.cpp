// KL_KW2000 end to end through the device link (frame-structure row 3: format byte with the
// length, target and source addresses, data, additive checksum of libChecksum.so): every K-line
// frame goes through the device as one bus frame; the frames are built here from their fields
// and the checksum summed here.
#include "DeviceEndToEnd.h"

#include <numeric>

namespace {

constexpr std::uint8_t FormatBase = 0x80; // Fmt_Tx; the message length is added to it
constexpr std::uint8_t EcuAddress = 0x10;
constexpr std::uint8_t TesterAddress = 0xF1;
constexpr std::size_t KLineBlockSize = 24; // the K-line parameter block, then zeros up to 51
constexpr std::uint8_t KLineKind = 0;       // byte 0 of the block

Bytes WithChecksum(const Bytes& b) {
    return Concat({b, {static_cast<std::uint8_t>(std::accumulate(b.begin(), b.end(), 0u) & 0xFF)}});
}
Bytes Format(const Bytes& message) { return {static_cast<std::uint8_t>(FormatBase + message.size())}; }
Bytes Request(const Bytes& m) { return WithChecksum(Concat({Format(m), {EcuAddress, TesterAddress}, m})); }
Bytes Answer(const Bytes& m) { return WithChecksum(Concat({Format(m), {TesterAddress, EcuAddress}, m})); }

const Bytes StartCommunication{0x81};
const Bytes KeyBytes{0xC1, 0xEF, 0x8F};
const Bytes ReadLocalIdentifier{0x21, 0x01};
const Bytes ResponsePending{0x7F, 0x21, 0x78};
const Bytes LocalIdentifierData{0x61, 0x01, 0x0A, 0x14, 0x1E, 0x28, 0x32, 0x3C, 0x46, 0x50, 0x5A, 0x64};

const char* ProtocolTable = "[PROTOCOL3]\r\nMode=1\r\nSimulator_System=12\r\nUnknownRequest_Function=1\r\n"
                            "Rx_Answer_Function=3\r\nTx_Composer_Function=8\r\n";

std::string Simulation() {
    return "[PROTOCOL]\r\nPROTOCOL=3\r\nType=KL\r\nSetMux=000700000000\r\nInit_Ecu=2\r\n"
           "Fmt_Tx=80\r\nTgt=f1\r\nSrc=10\r\nLen_Header_Rx=3\r\nLen_Header_Tx=3\r\n"
           "[KL]\r\nBaude=10400\r\nStop=1\r\nData=8\r\n"
           "[NREQUEST]\r\nN=2\r\n"
           "[REQUEST1]\r\nR=" + HexText(StartCommunication) + "\r\nD=Start communication\r\n[ANSWER1]\r\nA=" +
           HexText(KeyBytes) + "\r\n[REQUEST2]\r\nR=" + HexText(ReadLocalIdentifier) +
           "\r\nD=Local identifier\r\nMA=Y\r\n[ANSWER2]\r\nA=" + HexText(ResponsePending) + "\r\n[ANSWER2A]\r\nA=" +
           HexText(LocalIdentifierData) + "\r\n[TESTER_PRESENT]\r\nR=3e01\r\nA=7e\r\n";
}

} // namespace

TEST_F(DeviceEndToEnd, KLineAnswersFrameByFrame) {
    SimulationFiles files(Simulation(), ProtocolTable, 12);
    ASSERT_TRUE(LoadAndStart(files));
    emulator.InspectTransparent([](const KrixEmu::TransparentModel& m) {
        const Bytes& block = m.ParameterBlock();
        ASSERT_EQ(block.size(), 51u);
        EXPECT_EQ(block[0], KLineKind);
        EXPECT_EQ(Bytes(block.begin() + KLineBlockSize, block.end()), Bytes(51 - KLineBlockSize, 0));
        EXPECT_EQ(m.Lists()[0], Request({0x3E, 0x01}));
        EXPECT_EQ(m.Lists()[1], Answer({0x7E}));
    });

    KrixEmu::BusTester::Options options;
    options.frameTimeout = FrameLimit;
    KrixEmu::BusTester tester(emulator, options);
    struct Case {
        const char* name;
        Bytes request;
        std::vector<Bytes> answers;
    };
    const Case cases[] = {
        {"start communication", Request(StartCommunication), {Answer(KeyBytes)}},
        {"response pending, then the data", Request(ReadLocalIdentifier),
         {Answer(ResponsePending), Answer(LocalIdentifierData)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::vector<Bytes>> answers = tester.KLineRequest(c.request, c.answers.size());
        ASSERT_TRUE(answers.has_value());
        EXPECT_EQ(*answers, c.answers);
    }
    std::vector<KrixEmu::BusRecord> expected;
    for (const Case& c : cases) {
        expected.push_back({true, c.request});
        for (const Bytes& a : c.answers)
            expected.push_back({false, a});
    }
    ExpectSameFrames(tester.Transcript(), expected);
    EXPECT_EQ(Messages(), std::vector<std::string>{});
}
