// The frame-structure rows whose layout names checksum routine 0, 3 or 4 of libChecksum.so
// (rows 11, 12, 13, 17, 21 and 24), each loaded into the engine on a K-line unit with pack pair 3
// and answering one request, against the fake link library. The frames are built here from their
// fields and the checksums computed here, independently of the codec and the library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixtures/EngineHarness.h"

namespace {

constexpr std::uint8_t FormatBase = 0x80;    // Fmt_Tx
constexpr std::uint8_t EcuAddress = 0x10;    // Src: what the TGT field carries
constexpr std::uint8_t TesterAddress = 0xF1; // Tgt: what the SRC field carries

// ---- the checksums ------------------------------------------------------------------------------

// Routine 0: all bytes and the checksum add up to 0 modulo 256.
std::uint8_t NegatedSum(const ByteString& bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

// Routines 3 (polynomial 0x1D, SAE J1850) and 4 (polynomial 0x2F, AUTOSAR H2F): CRC-8 with
// initial value and final XOR 0xFF, most significant bit first.
std::uint8_t Crc8(const ByteString& bytes, std::uint8_t polynomial) {
    std::uint8_t crc = 0xFF;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ polynomial : crc << 1);
    }
    return static_cast<std::uint8_t>(crc ^ 0xFF);
}
constexpr std::uint8_t PolynomialJ1850 = 0x1D;
constexpr std::uint8_t PolynomialH2F = 0x2F;

ByteString WithNegatedSum(const ByteString& frame) { return Concat({frame, {NegatedSum(frame)}}); }
ByteString WithCrc(const ByteString& frame, std::uint8_t polynomial) {
    return Concat({frame, {Crc8(frame, polynomial)}});
}
std::uint8_t Size(const ByteString& message) { return static_cast<std::uint8_t>(message.size()); }

// ---- the rows -----------------------------------------------------------------------------------

using FrameBuilder = ByteString (*)(const ByteString& message);

struct ChecksumRow {
    std::string Name;
    int Row;
    int LenHeader;        // Len_Header_Rx and Len_Header_Tx of the simulation
    FrameBuilder Request; // what the tester sends
    FrameBuilder Answer;  // what the engine answers
};
void PrintTo(const ChecksumRow& row, std::ostream* os) { *os << row.Name; }

// Row 11, FMT;SID;DATA;CHS both ways: a three-byte format field without the length, routine 0.
ByteString Row11(const ByteString& m) { return WithNegatedSum(Concat({{0x00, 0x00, FormatBase}, m})); }
// Row 12, FMT;TGT;SRC;SID;DATA;CHS both ways: the length in the format byte (length - 3 + header 3).
ByteString Row12(const ByteString& m) {
    return WithNegatedSum(Concat({{static_cast<std::uint8_t>(FormatBase + Size(m)), EcuAddress, TesterAddress}, m}));
}
// Row 13, LEN;DATA;CHS both ways: a length byte (no header), routine 0.
ByteString Row13(const ByteString& m) { return WithNegatedSum(Concat({{Size(m)}, m})); }
// Row 17, FMT;DATA;CHS both ways: routine 3 of the request half serves the answers too.
ByteString Row17(const ByteString& m) { return WithCrc(Concat({{0x00, 0x00, FormatBase}, m}), PolynomialJ1850); }
// Row 21 requests, FMT;LEN;DATA;CHS: the format byte alone, the length + 1 (LenAdd) behind it.
ByteString Row21Request(const ByteString& m) {
    return WithCrc(Concat({{FormatBase, static_cast<std::uint8_t>(Size(m) + 1)}, m}), PolynomialH2F);
}
// Row 21 answers, DATA;CHS, with routine 4 as well.
ByteString Row21Answer(const ByteString& m) { return WithCrc(m, PolynomialH2F); }
// Row 24, SID;DATA;CHS of width 0: the routine's whole value, which for routine 0 is one byte.
ByteString Row24(const ByteString& m) { return WithNegatedSum(m); }

const ChecksumRow Rows[] = {
    {"Row11NegatedSum", 11, 3, Row11, Row11},
    {"Row12NegatedSum", 12, 3, Row12, Row12},
    {"Row13NegatedSum", 13, 0, Row13, Row13},
    {"Row17CrcJ1850", 17, 3, Row17, Row17},
    {"Row21CrcH2F", 21, 0, Row21Request, Row21Answer},
    {"Row24NegatedSumOfWidthZero", 24, 3, Row24, Row24},
};

const ByteString ReadVin{0x22, 0xF1, 0x90};
const ByteString VinAnswer{0x62, 0xF1, 0x90, 0x41, 0x42};
constexpr const char* VinDescription = "VIN";

SimulationSetup SetupOf(const ChecksumRow& row) {
    const std::string n = std::to_string(row.Row);
    const std::string header = std::to_string(row.LenHeader);
    SimulationSetup setup;
    setup.ProtocolTable = "[PROTOCOL" + n + "]\r\nMode=1\r\nSimulator_System=12\r\nUnknownRequest_Function=1\r\n"
                          "Rx_Answer_Function=3\r\nTx_Composer_Function=8\r\n"; // KL_KW2000, pack pair 3
    setup.Simulation = "[PROTOCOL]\r\nPROTOCOL=" + n + "\r\nType=KL\r\nSetMux=000700000000\r\nInit_Ecu=2\r\n"
                       "Fmt_Tx=80\r\nTgt=f1\r\nSrc=10\r\nLen_Header_Rx=" + header + "\r\nLen_Header_Tx=" + header +
                       "\r\n[KL]\r\nBaude=10400\r\nStop=1\r\nData=8\r\n"
                       "[TESTER_PRESENT]\r\nR=3e01\r\nA=7e\r\n";
    setup.FrameStructureRow = row.Row;
    setup.Register = [](TKRIXCommunicationThread& e) {
        ASSERT_TRUE(e.AddRequest(HexText(ReadVin), {HexText(VinAnswer)}, VinDescription, -1, RequestType::PSI));
    };
    return setup;
}

class EndToEndChecksumTest : public ::testing::TestWithParam<ChecksumRow> {};

} // namespace

TEST_P(EndToEndChecksumTest, LoadsAndAnswersFrameByFrame) {
    const ChecksumRow& row = GetParam();
    EngineHarness harness;
    ASSERT_TRUE(harness.Load(SetupOf(row)));
    const ByteString request = row.Request(ReadVin);
    const ByteString answer = row.Answer(VinAnswer);
    harness.Expect({row.Name,
                    {{BusFrame::FromTester, request, 0}, {BusFrame::ToTester, answer, 0}},
                    {{HexText(request), HexText(answer), OriglioItemType::Answered,
                      std::string("PSI - ") + VinDescription}},
                    {}});
}

INSTANTIATE_TEST_SUITE_P(ChecksumRoutines, EndToEndChecksumTest, ::testing::ValuesIn(Rows),
                         [](const ::testing::TestParamInfo<ChecksumRow>& info) { return info.param.Name; });
