// The six pack/unpack pairs, the frame formatter and the process-wide selection.
//
// Checksum routines of these tests (stand-ins for the checksum library):
// - ByteSum: the sum of the bytes that the hex text encodes (pairs of digits), not cut, so the
//   field width does the cutting;
// - CountOnly: returns the count it was given;
// - Wide: a constant that needs an odd number of hex digits.
#include "Exception.h"
#include "FrameCodec.h"
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int Nibble(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

std::int32_t ByteSum(std::int32_t count, const char* text) {
    std::int32_t sum = 0;
    for (std::int32_t i = 0; i + 1 < count; i += 2) sum += Nibble(text[i]) * 16 + Nibble(text[i + 1]);
    return sum;
}

std::int32_t CountOnly(std::int32_t count, const char*) { return count; }

constexpr std::int32_t kWideValue = 0x12345;
std::int32_t Wide(std::int32_t, const char*) { return kWideValue; }

void SetLayout(TFrameStructure& s, const char* layout) {
    std::memset(s.Layout, 0, sizeof s.Layout);
    std::strncpy(s.Layout, layout, sizeof s.Layout - 1);
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

std::string MessageOf(TCodecRoutine routine, const TCodecContext& context, const std::string& text,
                      std::uint8_t selector) {
    return ::MessageOf([&] { routine(context, text, selector); });
}

} // namespace

TEST(HexFieldTest, WritesWholeBytes) {
    struct Case {
        std::uint32_t value;
        std::int32_t width;
        const char* expected;
    };
    const Case cases[] = {
        {0x1a, 1, "1a"},           {0x5, 1, "05"},          {0x100, 1, "0100"}, // 256 in one byte
        {0x0, 0, "00"},            {0x5, 0, "05"},          {0x123, 0, "0123"},
        {0x12345678, 0, "12345678"}, {0x1, 2, "0001"},      {0x12345, 2, "012345"},
        {0xabc, 3, "000abc"},      {0xffffffff, 4, "ffffffff"}, {0x1, 5, "0000000001"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexField(c.value, c.width), c.expected) << c.value << " width " << c.width;
}

// Routines 1, 2, 4 and 6 and their unpack partners: no frame description involved.
TEST(CodecTest, SimpleRoutines) {
    TCodecContext context;
    context.MaxAnsLen = 8;
    const std::string bytes7 = Repeat("11", 7);
    const std::string bytes8 = Repeat("11", 8);
    const std::string bytes256 = Repeat("ab", 256);
    struct Case {
        const char* name;
        TCodecRoutine routine;
        std::string text;
        std::uint8_t selector;
        std::string expected;
    };
    const Case cases[] = {
        {"pack 1", PackRequest_1, "1a2b3c", 0, "031a2b3c"},
        {"pack 1 empty", PackRequest_1, "", 0, "00"},
        {"pack 1 count of 256 padded", PackRequest_1, bytes256, 0, "0100" + bytes256},
        {"unpack 1", UnPackRequest_1, "031a2b3c", 0, "1a2b3c"},
        {"unpack 1 length byte only", UnPackRequest_1, "03", 0, ""},
        {"pack 2", PackRequest_2, "1a2b", 1, "1a2b"},
        {"pack 2 empty", PackRequest_2, "", 1, ""},
        {"unpack 2", UnPackRequest_2, "1a", 1, "1a"},
        {"unpack 2 too short", UnPackRequest_2, "1", 1, ""},
        {"pack 4 channel message", PackRequest_4, "a00f", 1, "a00f"},
        {"pack 4 acknowledgement", PackRequest_4, "b1", 1, "b1"},
        {"pack 4 length byte", PackRequest_4, "1a", 1, "011a"},
        {"pack 4 too short", PackRequest_4, "1", 1, ""},
        {"unpack 4 too short", UnPackRequest_4, "b1", 1, ""},
        {"unpack 4 channel message", UnPackRequest_4, "a00f", 1, "a00f"},
        {"unpack 4 length byte", UnPackRequest_4, "021a90", 0, "1a90"},
        {"unpack 4 beyond MaxAnsLen", UnPackRequest_4, "041a909192", 0, ""},
        {"pack 6 two bytes", PackRequest_6, "1a2b", 0, "ca1a2b"},
        {"pack 6 empty", PackRequest_6, "", 0, "c8"},
        {"pack 6 seven bytes", PackRequest_6, bytes7, 0, "cf" + bytes7},
        {"pack 6 eight bytes", PackRequest_6, bytes8, 0, "8f" + bytes8},
        {"unpack 6", UnPackRequest_6, "ca1a2b", 0, "1a2b"},
        {"unpack 6 marker only", UnPackRequest_6, "ca", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.routine(context, c.text, c.selector), c.expected) << c.name;
}

// The frame formatter of routines 3 and 5.
class FrameFormatterTest : public ::testing::Test {
protected:
    TCodecContext context;
    TFrameStructure& rx = context.Protocol.RxStructure;
    TFrameStructure& tx = context.Protocol.TxStructure;
};

TEST_F(FrameFormatterTest, LengthFieldCountsTheHeader) {
    SetLayout(rx, "LEN;SID;DATA");
    rx.LenBytes = 1;
    rx.LenSub = 1;
    context.Len_Header_Rx = 1;
    EXPECT_EQ(PackRequest_3(context, "1a90", 0), "021a90");
}

TEST_F(FrameFormatterTest, Layouts) {
    constexpr std::uint32_t kFmt = 0x80;
    constexpr std::uint32_t kTgt = 0xf1; // written into SRC fields
    constexpr std::uint32_t kSrc = 0x10; // written into TGT fields
    struct Case {
        const char* name;
        const char* layout;
        int routine; // 3 or 5
        std::int32_t lenInFmt, lenInFmtPos, chsBytes, chsStart, lenBytes;
        TChecksumFunction checksum;
        std::string expected;
    };
    const Case cases[] = {
        // FMT at 0 with the length carried elsewhere (position 1): FMT is Fmt_Tx alone, LEN carries 2.
        {"length in LEN, checksum", "FMT;LEN;SID;DATA;CHS", 3, 1, 1, 1, 0, 1, ByteSum, "80" "02" "1a90" "2c"},
        {"length in FMT", "FMT;SID;DATA", 3, 1, 0, 1, 0, 1, nullptr, "82" "1a90"},
        {"length in FMT times 16", "FMT;SID;DATA", 5, 1, 0, 1, 0, 1, nullptr, "a0" "1a90"},
        {"addresses", "FMT;TGT;SRC;SID;DATA", 3, 0, 0, 1, 0, 1, nullptr, "80" "10" "f1" "1a90"},
        {"empty pieces skipped", ";;LEN;;DATA;", 3, 0, 0, 1, 0, 1, nullptr, "02" "1a90"},
        {"two-byte checksum keeps 16 bits", "FMT;LEN;DATA;CHS", 3, 0, 0, 2, 0, 1, ByteSum, "80" "02" "1a90" "012c"},
        {"width-0 checksum in full, padded", "LEN;DATA;CHS", 3, 0, 0, 0, 0, 1, Wide, "02" "1a90" "012345"},
        {"checksum from ChsStart on", "FMT;LEN;DATA;CHS", 3, 0, 0, 1, 1, 1, CountOnly, "80" "02" "1a90" "06"},
        {"fields after CHS follow it", "LEN;CHS;DATA", 3, 0, 0, 1, 0, 1, ByteSum, "02" "02" "1a90"},
        {"two-byte length", "LEN;DATA", 3, 0, 0, 1, 0, 2, nullptr, "0002" "1a90"},
    };
    for (const Case& c : cases) {
        TCodecContext ctx;
        ctx.Fmt_Tx = kFmt;
        ctx.Tgt = kTgt;
        ctx.Src = kSrc;
        ctx.ChecksumFunction = c.checksum;
        TFrameStructure& s = ctx.Protocol.RxStructure;
        SetLayout(s, c.layout);
        s.FmtBytes = s.SrcBytes = s.TgtBytes = 1;
        s.LenBytes = c.lenBytes;
        s.LenInFmt = c.lenInFmt;
        s.LenInFmtPos = c.lenInFmtPos;
        s.ChsBytes = c.chsBytes;
        s.ChsStart = c.chsStart;
        const TCodecRoutine pack = c.routine == 3 ? PackRequest_3 : PackRequest_5;
        EXPECT_EQ(pack(ctx, "1a90", 0), c.expected) << c.name;
    }
}

TEST_F(FrameFormatterTest, AnswersUseTheRequestHeaderLengthAndAnySelectorIsAnAnswer) {
    SetLayout(rx, "DATA");
    SetLayout(tx, "LEN;DATA");
    tx.LenBytes = 1;
    context.Len_Header_Rx = 3;
    context.Len_Header_Tx = 1;
    EXPECT_EQ(PackRequest_3(context, "1a90", 1), "05" "1a90");
    EXPECT_EQ(PackRequest_3(context, "1a90", 7), "05" "1a90");
    EXPECT_EQ(PackRequest_3(context, "1a90", 0), "1a90");
    EXPECT_EQ(PackRequest_5(context, "1a90", 1), "1a90"); // routine 5 always takes the request layout
}

TEST_F(FrameFormatterTest, LengthOf256InOneByteIsPaddedToWholeBytes) {
    SetLayout(rx, "LEN;DATA");
    rx.LenBytes = 1;
    const std::string text = Repeat("00", 256);
    const std::string wire = PackRequest_3(context, text, 0);
    EXPECT_EQ(wire, "0100" + text);
    EXPECT_EQ(wire.size() % 2, 0u);
}

TEST_F(FrameFormatterTest, ChecksumSeesTheFrameFromItsStart) {
    static std::string seen;
    static std::int32_t seenCount;
    context.ChecksumFunction = [](std::int32_t count, const char* text) -> std::int32_t {
        seen = text;
        seenCount = count;
        return 0;
    };
    context.Fmt_Tx = 0x80;
    SetLayout(rx, "FMT;LEN;DATA;CHS");
    rx.FmtBytes = rx.LenBytes = rx.ChsBytes = 1;
    rx.ChsStart = 1;
    EXPECT_EQ(PackRequest_3(context, "1a90", 0), "80021a90" "00");
    EXPECT_EQ(seen, "021a90");
    EXPECT_EQ(seenCount, 6);
}

TEST_F(FrameFormatterTest, Failures) {
    struct Case {
        const char* layout;
        TCodecRoutine routine;
        TChecksumFunction checksum;
        std::int32_t chsStart, width;
        const char* expected;
    };
    const Case cases[] = {
        {"fmt;DATA", PackRequest_3, nullptr, 0, 1, "PackRequest_3 function error:\nInvalid Frame Sructure!"},
        {"FMT;CRC", PackRequest_3, nullptr, 0, 1, "PackRequest_3 function error:\nInvalid Frame Sructure!"},
        {"FMT; DATA", PackRequest_5, nullptr, 0, 1, "PackRequest_5 function error:\nInvalid Frame Sructure!"},
        {"LEN;DATA;CHS", PackRequest_3, nullptr, 0, 1,
         "PackRequest_3 function error:\nNo checksum routine bound for the CHS field!"},
        {"LEN;DATA;CHS", PackRequest_5, nullptr, 0, 1,
         "PackRequest_5 function error:\nNo checksum routine bound for the CHS field!"},
        {"LEN;DATA;CHS", PackRequest_3, ByteSum, 4, 1, "PackRequest_3 function error:\nChecksum start lies beyond the frame!"},
        {"LEN;DATA", PackRequest_3, nullptr, 0, -1, "PackRequest_3 function error:\nInvalid field width in frame structure!"},
    };
    for (const Case& c : cases) {
        TCodecContext ctx;
        ctx.ChecksumFunction = c.checksum;
        TFrameStructure& s = ctx.Protocol.RxStructure;
        SetLayout(s, c.layout);
        s.FmtBytes = s.LenBytes = s.ChsBytes = 1;
        s.LenBytes = c.width;
        s.ChsStart = c.chsStart;
        EXPECT_EQ(MessageOf(c.routine, ctx, "1a90", 0), c.expected) << c.layout;
    }
}

TEST_F(FrameFormatterTest, LayoutWithoutTerminatorIsReadToItsEnd) {
    std::memset(rx.Layout, ';', sizeof rx.Layout);
    std::memcpy(rx.Layout + sizeof rx.Layout - 4, "DATA", 4);
    EXPECT_EQ(PackRequest_3(context, "1a90", 0), "1a90");
}

TEST_F(FrameFormatterTest, UnpackRemovesHeaderAndChecksum) {
    context.Len_Header_Rx = 2;
    context.Len_Header_Tx = 1;
    rx.ChsBytes = 1;
    tx.ChsBytes = 2;
    struct Case {
        TCodecRoutine routine;
        std::string text;
        std::uint8_t selector;
        std::string expected;
    };
    const Case cases[] = {
        {UnPackRequest_3, "8002" "1a90" "2c", 0, "1a90"},
        {UnPackRequest_3, "80" "1a90" "012c", 1, "1a90"},
        {UnPackRequest_3, "80" "1a90" "012c", 9, "1a90"},
        {UnPackRequest_3, "80", 0, ""},        // shorter than the header
        {UnPackRequest_3, "8002" "2c", 0, ""}, // nothing left
        {UnPackRequest_3, "", 0, ""},
        {UnPackRequest_5, "80" "1a90" "012c", 0, "1a90"}, // always the answer structure
        {UnPackRequest_5, "", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.routine(context, c.text, c.selector), c.expected) << c.text << " / " << int(c.selector);
}

TEST_F(FrameFormatterTest, UnpackRefusesNegativeLengths) {
    context.Len_Header_Rx = -1;
    EXPECT_EQ(MessageOf(UnPackRequest_3, context, "1a90", 0),
              "UnPackRequest_3 function error:\nInvalid header or checksum length!");
}

class CodecSelectionTest : public ::testing::Test {
protected:
    void TearDown() override {
        ClearCodec(&first);
        ClearCodec(&second);
    }
    TCodecContext first;
    TCodecContext second;
};

TEST_F(CodecSelectionTest, PackFunctionFollowsTheSelection) {
    EXPECT_EQ(SelectedCodecPair(), 0);
    try {
        PackFunction("1a", 0);
        FAIL() << "packed without a selection";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "No frame codec selected!");
    }

    SelectCodec(&first, 1);
    EXPECT_EQ(PackFunction("1a", 0), "011a");
    EXPECT_EQ(UnPackFunction("011a", 0), "1a");

    try {
        SelectCodec(&first, 7);
        FAIL() << "pair 7 selected";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Not supported protocol!");
    }
    EXPECT_EQ(SelectedCodecPair(), 1);

    SelectCodec(&first, 6);
    EXPECT_EQ(PackFunction("1a", 0), "c91a");

    ClearCodec(&second); // not the selected context: stays
    EXPECT_EQ(SelectedCodecPair(), 6);
    ClearCodec(&first);
    EXPECT_EQ(SelectedCodecPair(), 0);
}

TEST_F(CodecSelectionTest, RoutinesReadTheSelectedContext) {
    SetLayout(first.Protocol.RxStructure, "LEN;DATA");
    first.Protocol.RxStructure.LenBytes = 1;
    first.Len_Header_Rx = 1;
    SelectCodec(&first, 3);
    EXPECT_EQ(PackFunction("1a90", 0), "03" "1a90");
    SetLayout(second.Protocol.RxStructure, "DATA");
    SelectCodec(&second, 3);
    EXPECT_EQ(PackFunction("1a90", 0), "1a90");
}
