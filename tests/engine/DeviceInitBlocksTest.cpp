// The CAN and K-line parameter blocks, the 51-byte padding and the tester-present lists.
#include <gtest/gtest.h>

#include <vector>

#include "DeviceInitBlocks.h"

namespace {

template <std::size_t N> std::vector<std::uint8_t> V(const std::array<std::uint8_t, N>& a) {
    return {a.begin(), a.end()};
}

std::vector<std::uint8_t> Cat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<std::uint8_t> Zeros(std::size_t n) { return std::vector<std::uint8_t>(n, 0); }

} // namespace

TEST(CanParams, BlockOfTheCan500kExample) {
    CanSettings s;
    s.Baude = 500000;
    s.IdType = 0;
    s.IdEcu = ParseHexValue("7e8");
    s.IdTester = ParseHexValue("7e0"); // TimeOutIntraframe stays at its default of 3000
    const auto expected = Cat({{KindCan, 0x00, 0x07, 0xA1, 0x20, 0x00, 0x00, CanConstant7, CanConstant8,
                                0x00, 0x00, 0x07, 0xE8, 0x00, 0x00, 0x07, 0xE0},
                               Zeros(17),
                               {0x0B, 0xB8, 0x13, 0x88}});
    const TCanParams block = BuildCanParams(s);
    EXPECT_EQ(V(block), expected);
    EXPECT_EQ(V(PadProtocolBlock(block)), Cat({expected, Zeros(13)}));
}

TEST(CanParams, AbsentIdTypeAndWideNumbersWrap) {
    CanSettings s; // IdType -1 when absent
    s.Baude = 0x1'2345'6789LL; // taken modulo 2^32
    s.TimeOutIntraframe = 0x1'0102; // modulo 2^16
    const TCanParams b = BuildCanParams(s);
    EXPECT_EQ(b[6], 0xFF);
    EXPECT_EQ((std::vector<std::uint8_t>{b[1], b[2], b[3], b[4]}), (std::vector<std::uint8_t>{0x23, 0x45, 0x67, 0x89}));
    EXPECT_EQ(b[34], 0x01);
    EXPECT_EQ(b[35], 0x02);
}

TEST(KLineParams, BlockOfTheKwp10400Example) {
    KLineSettings s;
    s.Baude = 10400;
    s.Stop = 1;
    s.Parity = "EVEN";
    s.Data = 8;
    s.InitEcu = 2;
    s.ActivationRequest = "81";
    s.Tgt = 0x10;
    s.Src = 0xf1;
    s.Intrabyte = 5;
    s.TimeOutIntrabyte = 20;
    s.TimeOutIntraframe = 50;
    s.ActivationAnswer = "c1efb8";
    TKLineParams block{};
    FillKLineParams(block, s);
    const std::vector<std::uint8_t> expected = {KindKLine, 0x00, 0x00, 0x28, 0xA0, KLineConstant5, 0x01, 0x01,
                                                0x08, 0x02, 0x81, 0x10, 0xF1, 0x00, 0x05, 0x00,
                                                0x14, 0x00, 0x32, 0x13, 0x88, 0xC1, 0xEF, 0xB8};
    EXPECT_EQ(V(block), expected);
    EXPECT_EQ(V(PadProtocolBlock(block)), Cat({expected, Zeros(27)}));
}

TEST(KLineParams, ParityIsComparedExactly) {
    struct Case {
        const char* text;
        std::uint8_t code;
    } cases[] = {{"NONE", ParityNone}, {"EVEN", ParityEven}, {"ODD", ParityOdd},
                 {"odd", ParityUnknown}, {"", ParityUnknown}, {"EVEN ", ParityUnknown}};
    for (const Case& c : cases) EXPECT_EQ(ParityCode(c.text), c.code) << c.text;
}

TEST(KLineParams, ActivationBytesNotSuppliedKeepThePreviousValues) {
    TKLineParams block{};
    KLineSettings first;
    first.ActivationRequest = "81";
    first.ActivationAnswer = "c1efb8";
    FillKLineParams(block, first);

    KLineSettings reload;
    reload.ActivationRequest = "zz";   // supplies nothing
    reload.ActivationAnswer = "aa";    // supplies one byte of three
    FillKLineParams(block, reload);
    EXPECT_EQ(block[10], 0x81);
    EXPECT_EQ((std::vector<std::uint8_t>{block[21], block[22], block[23]}),
              (std::vector<std::uint8_t>{0xAA, 0xEF, 0xB8}));

    TKLineParams fresh{};
    FillKLineParams(fresh, KLineSettings{}); // defaults "00" and "00"
    EXPECT_EQ(fresh[10], 0x00);
    EXPECT_EQ(fresh[21], 0x00);
}

TEST(TesterPresentLists, RequestListHoldsTwentyBytesAndAnswerListNineteen) {
    const std::string wire46(46, 'a'); // 23 bytes of 0xaa
    const TesterPresentList req = TesterPresentBytes(wire46, TesterPresentRequestMax);
    EXPECT_EQ(req.Length, 20);
    EXPECT_EQ(req.Bytes[19], 0xAA);

    const std::string wire40(40, '1');
    const TesterPresentList ans = TesterPresentBytes(wire40, TesterPresentAnswerMax);
    EXPECT_EQ(ans.Length, 19);
    EXPECT_EQ(ans.Bytes[18], 0x11);
    EXPECT_EQ(ans.Bytes[19], 0x00);

    const TesterPresentList shortList = TesterPresentBytes("013e0", TesterPresentRequestMax);
    EXPECT_EQ(shortList.Length, 2); // an odd trailing digit makes no byte
    EXPECT_EQ(shortList.Bytes[0], 0x01);
    EXPECT_EQ(shortList.Bytes[1], 0x3e);
}

TEST(HexReading, PrefixesAsScanfReadsThem) {
    EXPECT_EQ(ParseHexValue("7e8"), 0x7e8u);
    EXPECT_EQ(ParseHexValue("18DA10F1"), 0x18da10f1u);
    EXPECT_EQ(ParseHexValue("12xyz"), 0x12u);
    EXPECT_EQ(ParseHexValue("xyz"), 0u);
    EXPECT_EQ(ParseHexValue(""), 0u);
    EXPECT_EQ(ParseHexValue("0x7E8"), 0x7e8u);
    EXPECT_EQ(ParseHexValue("  0X18DA10F1"), 0x18da10f1u);
    EXPECT_EQ(ParseHexValue("0x"), 0u);   // the "0" alone
    EXPECT_EQ(ParseHexValue("0xg1"), 0u); // likewise

    std::uint8_t out[3] = {9, 9, 9};
    EXPECT_EQ(ParseHexBytes("abc", out, 3), 2); // "ab" then "c"
    EXPECT_EQ(out[0], 0xab);
    EXPECT_EQ(out[1], 0x0c);
    EXPECT_EQ(out[2], 9);
}
