// The arithmetic of automatic fault-code scanning as one table of answers: every increment mode
// with its wrap points, the status byte positions, the layouts, and the settings and answers that
// are refused; then the text the ZULM unit receives.
#include "FaultCodeScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace FaultScan;

namespace {

constexpr const char* Header = "5902"; // two bytes before the first entry
constexpr const char* Status = "2f";
constexpr int Standard = 0, Sae = 1, SaeNoAlpha = 2, NoAlpha = 3, NoItem = -1, OutsideTheList = 7;

// The three bytes of an entry with a code of four hex digits, the status byte where the position
// puts it.
std::string E(const std::string& code, int statusPos = 0) {
    const std::string high = code.substr(0, 2), low = code.substr(2, 2);
    switch (statusPos) {
    case 1: return high + Status + low;
    case 2: return Status + high + low;
    default: return high + low + Status;
    }
}

std::string Answer(const std::vector<std::string>& entries, const std::string& header = Header) {
    std::string text = header;
    for (const std::string& e : entries) text += e;
    return text;
}

std::string Repeated(const std::string& entry, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += entry;
    return text;
}

const FaultLayout Usual{2, 0, 3};

struct ScanCase {
    const char* name;
    int mode;
    FaultLayout layout;
    std::string answer;
    std::string expected; // the new answer; empty when refused
    std::string refusal;
};

std::vector<ScanCase> Cases() {
    const std::string fourBytes = Answer({E("0101") + "aa", E("0102") + "bb", "cc"});
    return {
        // Standard: + the number of entries.
        {"the three entries of the example move on by three", Standard, Usual,
         Answer({E("0101"), E("0102"), E("0103")}), Answer({E("0104"), E("0105"), E("0106")}), ""},
        {"FFFF wraps to 0000", Standard, Usual, Answer({E("ffff")}), Answer({E("0000")}), ""},
        {"bytes behind an entry's three, and a part entry at the end, stay", Standard, {2, 0, 4}, fourBytes,
         Answer({E("0103") + "aa", E("0104") + "bb", "cc"}), ""},
        {"status byte in the middle", Standard, {2, 1, 3}, Answer({E("0109", 1)}), Answer({E("010a", 1)}), ""},
        {"status byte first", Standard, {2, 2, 3}, Answer({E("01ff", 2)}), Answer({E("0200", 2)}), ""},
        {"entries from the first byte", Standard, {0, 0, 3}, E("0001") + E("0002"), E("0003") + E("0004"), ""},
        {"upper-case digits come back in lower case", Standard, Usual, "5902010A2F", "5902010b2f", ""},
        {"an answer that ends before the offset has no entries", Standard, Usual, "59", "59", ""},
        {"an answer with only part of an entry is left alone", Standard, Usual, "59020101", "59020101", ""},

        // SAE: counting ranges, jumps, and the wrap at F000.
        {"SAE 1FFF + 1 is 2000", Sae, Usual, Answer({E("1fff")}), Answer({E("2000")}), ""},
        {"SAE 2000 jumps to 3400", Sae, Usual, Answer({E("2000")}), Answer({E("3400")}), ""},
        {"SAE 33FF jumps by 1400", Sae, Usual, Answer({E("33ff")}), Answer({E("47ff")}), ""},
        {"SAE 4000 jumps to 5000", Sae, Usual, Answer({E("4000")}), Answer({E("5000")}), ""},
        {"SAE 8FFF jumps by 1000", Sae, Usual, Answer({E("8fff")}), Answer({E("9fff")}), ""},
        {"SAE B000 jumps to D000", Sae, Usual, Answer({E("b000")}), Answer({E("d000")}), ""},
        {"SAE EFFF + 1 is F000", Sae, Usual, Answer({E("efff")}), Answer({E("f000")}), ""},
        {"SAE F002 wraps to 0002", Sae, Usual, Answer({E("f002")}), Answer({E("0002")}), ""},
        {"SAE counts by the number of entries", Sae, Usual, Answer({E("3400"), E("5000")}),
         Answer({E("3402"), E("5002")}), ""},

        // SAE no alpha: the SAE change again while a digit after the first is a letter.
        {"SAE no alpha 1FFE + 1 is 1FFF, then 2000", SaeNoAlpha, Usual, Answer({E("1ffe")}), Answer({E("2000")}), ""},
        {"SAE no alpha skips 009A to 00FF", SaeNoAlpha, Usual, Answer({E("0099")}), Answer({E("0100")}), ""},
        {"SAE no alpha keeps a letter in the first digit", SaeNoAlpha, Usual, Answer({E("9fff")}), Answer({E("a000")}),
         ""},
        {"SAE no alpha: F0FF wraps to 00FF and counts on to 0100", SaeNoAlpha, Usual, Answer({E("f0ff")}),
         Answer({E("0100")}), ""},

        // No alpha: + d again while a digit after the first is a letter.
        {"no alpha 0109 + 1 is 0110", NoAlpha, Usual, Answer({E("0109")}), Answer({E("0110")}), ""},
        {"no alpha looks at the code before it is cut to 16 bits", NoAlpha, Usual, Answer({E("fff9")}),
         Answer({E("0000")}), ""},
        {"no alpha by two", NoAlpha, Usual, Answer({E("0099"), E("0200")}), Answer({E("0101"), E("0202")}), ""},

        // No increment mode.
        {"no item selected leaves the codes", NoItem, Usual, Answer({E("0101")}), Answer({E("0101")}), ""},
        {"an item outside the list counts as none", OutsideTheList, Usual, Answer({E("0101")}), Answer({E("0101")}),
         ""},

        // Refused settings and answers.
        {"bytes per error 0 would divide by zero", Standard, {2, 0, 0}, Answer({E("0101")}), "", BytesPerErrorRefusal},
        {"bytes per error 2 would read outside the entries", Standard, {2, 0, 2}, Answer({E("0101")}), "",
         BytesPerErrorRefusal},
        {"status byte position 3", Standard, {2, 3, 3}, Answer({E("0101")}), "", StatusBytePosRefusal},
        {"status byte position -1", Standard, {2, -1, 3}, Answer({E("0101")}), "", StatusBytePosRefusal},
        {"a negative offset", Standard, {-1, 0, 3}, Answer({E("0101")}), "", ErrorCodeOffsetRefusal},
        {"an odd number of digits", Standard, Usual, "59020", "",
         "Cannot scan the answer 59020: it is not whole hex bytes!"},
        {"not hex digits", Standard, Usual, "5902zz012f", "",
         "Cannot scan the answer 5902zz012f: it is not whole hex bytes!"},
        // 256 entries step by 100, and every SAE jump is whole hundreds: the low byte's letter never goes.
        {"no alpha never loops for ever", NoAlpha, Usual, Answer({Repeated(E("00a0"), 0x100)}), "",
         "No fault code without letters follows 00a0!"},
        {"SAE no alpha never loops for ever", SaeNoAlpha, Usual, Answer({Repeated(E("00a0"), 0x100)}), "",
         "No fault code without letters follows 00a0!"},
    };
}

} // namespace

TEST(FaultCodeScanTest, AdvanceAnswerInEveryModeWithItsGuards) {
    for (const ScanCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        const ScanOutcome out = AdvanceAnswer(c.answer, c.layout, IncrementModeOf(c.mode));
        EXPECT_EQ(out.Refusal, c.refusal);
        EXPECT_EQ(out.Value, c.expected);
    }
}

TEST(FaultCodeScanTest, ZulmTextIsTheFirstEntrysBytesAndTheirSum) {
    struct Case {
        const char* name;
        std::string answer;
        int offset;
        std::string text;
        std::string refusal;
    };
    const Case cases[] = {
        {"the example's first entry", Answer({E("0104"), E("0105"), E("0106")}), 2, "[01 04 2f 34", ""},
        {"the three bytes as they stand, whatever the status position", Answer({E("0104", 2)}), 2, "[2f 01 04 34", ""},
        {"the sum modulo 256", "ffffff", 0, "[ff ff ff fd", ""},
        {"read in any letter case, written in lower case", "5902ABCDEF", 2, "[ab cd ef 67", ""},
        {"too short for the three bytes", "5902010a", 2, "",
         "The answer 5902010a is too short for an error code at byte 2!"},
        {"an offset past the end", "5902", 300, "", "The answer 5902 is too short for an error code at byte 300!"},
        {"a negative offset", "5902010a2f", -1, "", ErrorCodeOffsetRefusal},
        {"an odd number of digits", "5902010a2", 2, "", "Cannot scan the answer 5902010a2: it is not whole hex bytes!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanOutcome out = ZulmCodeText(c.answer, c.offset);
        EXPECT_EQ(out.Value, c.text);
        EXPECT_EQ(out.Refusal, c.refusal);
        if (out.Ok()) {
            EXPECT_EQ(out.Value.size(), 12u);
        }
    }
}
