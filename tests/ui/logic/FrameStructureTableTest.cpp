#include "FrameStructureTable.h"

#include "Exception.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One half of a row in the order the table lists its columns.
struct Half {
    std::string Layout;
    int FmtBytes, LenInFmt, LenInFmtPos, LenBytes, LenSub, DataOffset, SrcBytes, TgtBytes,
        ChsBytes, ChsStart, ChsFunction, LenAdd;
};

struct NumericField {
    const char* name;
    int Half::*expected;
    std::int32_t TFrameStructure::*actual;
};

const NumericField NumericFields[] = {
    {"FmtBytes", &Half::FmtBytes, &TFrameStructure::FmtBytes},
    {"LenInFmt", &Half::LenInFmt, &TFrameStructure::LenInFmt},
    {"LenInFmtPos", &Half::LenInFmtPos, &TFrameStructure::LenInFmtPos},
    {"LenBytes", &Half::LenBytes, &TFrameStructure::LenBytes},
    {"LenSub", &Half::LenSub, &TFrameStructure::LenSub},
    {"DataOffset", &Half::DataOffset, &TFrameStructure::DataOffset},
    {"SrcBytes", &Half::SrcBytes, &TFrameStructure::SrcBytes},
    {"TgtBytes", &Half::TgtBytes, &TFrameStructure::TgtBytes},
    {"ChsBytes", &Half::ChsBytes, &TFrameStructure::ChsBytes},
    {"ChsStart", &Half::ChsStart, &TFrameStructure::ChsStart},
    {"ChsFunction", &Half::ChsFunction, &TFrameStructure::ChsFunction},
    {"LenAdd", &Half::LenAdd, &TFrameStructure::LenAdd},
};

void ExpectFrame(const TFrameStructure& actual, const Half& expected) {
    EXPECT_EQ(std::string(actual.Layout), expected.Layout);
    EXPECT_EQ(actual.Layout[sizeof actual.Layout - 1], '\0');
    for (const auto& field : NumericFields)
        EXPECT_EQ(actual.*field.actual, expected.*field.expected) << field.name;
}

std::string MessageOf(int number) {
    try {
        BuildProtocolStructure(number);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no exception";
}

struct RowCase {
    int number;
    Half rx;
    Half tx;
};

const Half Row1 = {"FMT;SID;DATA;CHS", 1, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1, 0};
const Half Row11 = {"FMT;SID;DATA;CHS", 3, 0, 0, 0, 0, 2, 0, 0, 1, 0, 0, 0};
const Half Row19 = {"FMT;LEN;SID;DATA;CHS", 1, 1, 1, 1, 0, 1, 0, 0, 1, 0, 2, 1};
const Half Row24 = {"SID;DATA;CHS", 0, 1, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0};

const RowCase RowCases[] = {
    {1, Row1, Row1},
    // Requests and answers name their addresses in opposite order, all numbers alike.
    {3,
     {"FMT;TGT;SRC;SID;DATA;CHS", 1, 1, 0, 1, 3, 1, 1, 1, 1, 0, 1, 0},
     {"FMT;SRC;TGT;SID;DATA;CHS", 1, 1, 0, 1, 3, 1, 1, 1, 1, 0, 1, 0}},
    {11, Row11, Row11}, // three-byte FMT without length, caret steps over two bytes
    // The answers' checksum routine differs from the requests'.
    {17,
     {"FMT;DATA;CHS", 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 3, 0},
     {"FMT;DATA;CHS", 3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0}},
    {19, Row19, Row19},
    {21,
     {"FMT;LEN;DATA;CHS", 1, 1, 1, 1, 0, 1, 0, 0, 1, 0, 4, 1},
     {"DATA;CHS", 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 3, 1}},
    {24, Row24, Row24}, // a checksum of width 0
};

TEST(FrameStructureTableTest, RowsBuildTheirRecords) {
    for (const auto& c : RowCases) {
        SCOPED_TRACE("row " + std::to_string(c.number));
        const TProtocolStructure record = BuildProtocolStructure(c.number);
        {
            SCOPED_TRACE("RxStructure");
            ExpectFrame(record.RxStructure, c.rx);
        }
        {
            SCOPED_TRACE("TxStructure");
            ExpectFrame(record.TxStructure, c.tx);
        }
    }
}

TEST(FrameStructureTableTest, NumbersWithoutAFrameStructureFail) {
    const std::string empty = "'' is not a valid integer value";
    const std::string outside = " is outside the frame-structure table (1 to 50)!";
    const std::pair<int, std::string> cases[] = {
        {27, empty},
        {50, empty},
        {0, "Protocol number 0" + outside}, // what a file without the key gives
        {51, "Protocol number 51" + outside},
        {-1, "Protocol number -1" + outside},
        {INT_MIN, "Protocol number " + std::to_string(INT_MIN) + outside},
        {INT_MAX, "Protocol number " + std::to_string(INT_MAX) + outside},
    };
    for (const auto& [number, message] : cases) EXPECT_EQ(MessageOf(number), message) << number;
}

TEST(FrameStructureTableTest, CellsOutsideTheFilledPartAreEmpty) {
    for (int number = 1; number <= FrameStructureRowCount; ++number) {
        for (int cell = 0; cell < FrameStructureCellCount; ++cell) {
            const int inHalf = cell % 16;
            const bool filled = number <= FrameStructureFilledRows && cell < 32 && inHalf <= LenAddCell;
            EXPECT_EQ(FrameStructureCell(number, cell).empty(), !filled)
                << "row " << number << " cell " << cell;
        }
    }
    for (int cell : {-1, 40}) EXPECT_THROW(FrameStructureCell(1, cell), Exception);
}

std::vector<std::string> Tokens(const std::string& layout) {
    std::vector<std::string> tokens;
    std::stringstream in(layout);
    for (std::string token; std::getline(in, token, ';');) tokens.push_back(token);
    return tokens;
}

bool Has(const std::vector<std::string>& tokens, const std::string& token) {
    return std::find(tokens.begin(), tokens.end(), token) != tokens.end();
}

// What the frame codec relies on in every filled row; a slip in copying the table breaks one.
TEST(FrameStructureTableTest, EveryRowIsAFrameTheCodecCanBuild) {
    const std::set<std::string> known = {"FMT", "SRC", "TGT", "LEN", "SID", "DATA", "CHS"};
    for (int number = 1; number <= FrameStructureFilledRows; ++number) {
        const TProtocolStructure record = BuildProtocolStructure(number);
        for (const TFrameStructure* half : {&record.RxStructure, &record.TxStructure}) {
            SCOPED_TRACE("row " + std::to_string(number) +
                         (half == &record.RxStructure ? " requests" : " answers"));
            const auto tokens = Tokens(half->Layout);
            const std::set<std::string> distinct(tokens.begin(), tokens.end());
            for (const auto& token : tokens) EXPECT_TRUE(known.count(token)) << token;
            EXPECT_EQ(distinct.size(), tokens.size()) << "a token twice";
            EXPECT_TRUE(Has(tokens, "DATA"));
            EXPECT_TRUE(!Has(tokens, "FMT") || tokens.front() == "FMT") << "FMT not first";

            for (int width : {half->FmtBytes, half->LenBytes, half->SrcBytes, half->TgtBytes,
                              half->ChsBytes}) {
                EXPECT_GE(width, 0);
                EXPECT_LE(width, 4);
            }
            EXPECT_EQ(half->FmtBytes > 0, Has(tokens, "FMT"));
            EXPECT_TRUE(!Has(tokens, "LEN") || half->LenBytes > 0) << "LEN of width 0";
            EXPECT_TRUE(!Has(tokens, "SRC") || half->SrcBytes > 0) << "SRC of width 0";
            EXPECT_TRUE(!Has(tokens, "TGT") || half->TgtBytes > 0) << "TGT of width 0";
            EXPECT_TRUE(Has(tokens, "CHS") || half->ChsBytes == 0) << "checksum bytes without CHS";
            EXPECT_TRUE(half->LenInFmtPos == 0 || Has(tokens, "LEN")) << "length position without LEN";

            EXPECT_TRUE(half->LenInFmt == 0 || half->LenInFmt == 1);
            EXPECT_GE(half->DataOffset, 0);
            EXPECT_LE(half->DataOffset, 2);
            EXPECT_EQ(half->ChsStart, 0);
            EXPECT_GE(half->ChsFunction, 0);
            EXPECT_LE(half->ChsFunction, 4);
            EXPECT_GE(half->LenAdd, 0);
            EXPECT_LE(half->LenAdd, 1);
            EXPECT_GE(half->LenSub, 0);
            EXPECT_LE(half->LenSub, 4);
        }
    }
}

} // namespace
