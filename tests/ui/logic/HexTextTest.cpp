#include "HexText.h"

#include "Exception.h"

#include <gtest/gtest.h>

namespace {

struct DivideCase {
    std::string text;
    std::string display;
};

const DivideCase DivideCases[] = {
    {"10c001", "10 c0 01"},
    {"7F1A", "7F 1A"},       // case kept as given
    {"", ""},
    {"ab", "ab"},
    {"zz!?", "zz !?"},       // characters are not checked for being hex digits
    {" 1 2", "1  2"},        // the result is trimmed, the inner blanks stay
    {"\t1a\n", "1 a"},       // control characters at the ends go with the trim
};

TEST(DividePacketTest, TurnsFileFormIntoDisplayForm) {
    for (const auto& c : DivideCases) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        EXPECT_EQ(DividePacket(c.text), c.display);
    }
}

TEST(DividePacketTest, OddLengthRaisesItsMessage) {
    for (const std::string text : {"10c", "1", "10c00", "7F 1A"}) {
        SCOPED_TRACE(text);
        try {
            DividePacket(text);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "DividePacket (" + text + ") Error: Odd number of digits!");
        }
    }
}

TEST(StripBlanksTest, TurnsDisplayFormBackIntoFileForm) {
    const std::pair<std::string, std::string> cases[] = {
        {"10 c0 01", "10c001"}, {"10c001", "10c001"}, {"", ""},
        {"   ", ""},            {" a  b ", "ab"},     {"a\tb", "a\tb"}, // only code 32 goes
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(StripBlanks(text), expected) << text;

    for (const auto& c : DivideCases) {
        if (c.text.find_first_of(" \t\n") != std::string::npos) continue; // not a file form
        EXPECT_EQ(StripBlanks(DividePacket(c.text)), c.text) << "round trip of " << c.text;
    }
}

TEST(ReplaceAllTest, ReplacesEveryOccurrenceAndSaysWhetherAny) {
    struct Case {
        std::string text, search, replacement, expected;
        bool replaced;
    };
    const Case cases[] = {
        {"10 c0 01", " ", "", "10c001", true},
        {"10c001", " ", "", "10c001", false},
        {"", " ", "", "", false},
        {"a-b-c", "-", "+", "a+b+c", true},
        {"abcabc", "bc", "", "aa", true},
        {"xyz", "y", "YYY", "xYYYz", true},
        // A replacement that contains the search text ends; its own copy is not searched again.
        {"a-b-c", "-", "--", "a--b--c", true},
        {"ab", "ab", "bbaa", "bbaa", true},
        // An empty search text has nothing to replace.
        {"abc", "", "x", "abc", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("\"" + c.text + "\" / \"" + c.search + "\" / \"" + c.replacement + "\"");
        std::string text = c.text;
        EXPECT_EQ(ReplaceAll(text, c.search, c.replacement), c.replaced);
        EXPECT_EQ(text, c.expected);
    }
}

} // namespace
