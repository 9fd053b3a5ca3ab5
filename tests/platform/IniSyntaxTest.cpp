// The syntax and look-up rules of the in-memory INI object, on text parsed as a file would be.
#include "IniFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

namespace {

// Each case parses the text and reads one key; nullopt means the key must not be found.
struct ReadCase {
    const char* rule;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

const ReadCase readCases[] = {
    {"CR LF ends a line", "[A]\r\nk=1\r\nj=2\r\n", "A", "j", "2"},
    {"a lone LF ends a line", "[A]\nk=1\nj=2", "A", "k", "1"},
    {"a lone CR ends a line", "[A]\rk=1\rj=2", "A", "j", "2"},
    {"blanks around lines, keys and values are trimmed", "  [A]  \r\n \t k \t= \t v  v \t\r\n",
     "A", "k", "v  v"},
    {"control characters count as blanks", "[A]\r\n\x01k\x02=\x03v\x7f\x04\r\n", "A", "k",
     "v\x7f"},
    {"a line beginning with ';' is skipped", "[A]\r\n;k=1\r\n", "A", "k", std::nullopt},
    {"a comment after leading blanks is skipped", "[A]\r\n   ;k=1\r\n", "A", ";k", std::nullopt},
    {"only ';' begins a comment", "[A]\r\n#k=1\r\n", "A", "#k", "1"},
    {"empty lines are skipped", "[A]\r\n\r\n   \r\nk=1\r\n\r\n", "A", "k", "1"},
    {"lines before the first section are skipped", "k=1\r\n[A]\r\nj=2\r\n", "A", "k",
     std::nullopt},
    {"... and are no section of their own", "k=1\r\n[A]\r\n", "", "k", std::nullopt},
    {"the section name is trimmed", "[  A B  ]\r\nk=1\r\n", "A B", "k", "1"},
    {"'[' without a closing ']' opens no section", "[A]\r\n[B\r\nk=1\r\n", "A", "k", "1"},
    {"a line must end with ']' to open a section", "[A]\r\n[B]x=1\r\n", "A", "[B]x", "1"},
    {"the key ends at the first '='", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
    {"an empty value is a value", "[A]\r\nk=\r\n", "A", "k", ""},
    {"a line without '=' defines no key", "[A]\r\njunk\r\n", "A", "junk", std::nullopt},
    {"a line with nothing before '=' defines no key", "[A]\r\n=v\r\n", "A", "", std::nullopt},
    {"section names match without regard to case", "[Protocol]\r\nType=CAN\r\n", "PROTOCOL",
     "Type", "CAN"},
    {"key names match without regard to case", "[TIMING]\r\nTIME_OUT_INTRAFRAME=500\r\n",
     "Timing", "Time_Out_Intraframe", "500"},
    {"a lower-case letter suffix names the same section", "[ANSWER3a]\r\nA=10\r\n", "ANSWER3A",
     "A", "10"},
    {"the byte 0xE0 matches itself", "[KL]\r\nParit\xE0=EVEN\r\n", "kl", "PARIT\xE0", "EVEN"},
    {"bytes above 0x7F are not case-folded", "[KL]\r\nParit\xE0=EVEN\r\n", "KL", "PARIT\xC0",
     std::nullopt},
    {"the last occurrence of a key is found", "[A]\r\nk=1\r\nj=x\r\nK=2\r\n", "A", "k", "2"},
    {"a later section hides an earlier one of the same name",
     "[Protocol]\r\nType=CAN\r\n[PROTOCOL]\r\nPROTOCOL=7\r\nSetMux=000B00304000\r\n", "PROTOCOL",
     "Type", std::nullopt},
    {"... whose own keys are found",
     "[Protocol]\r\nType=CAN\r\n[PROTOCOL]\r\nPROTOCOL=7\r\nSetMux=000B00304000\r\n", "Protocol",
     "SetMux", "000B00304000"},
    {"... also when other sections come between", "[A]\r\nk=1\r\n[B]\r\nb=1\r\n[a]\r\nj=2\r\n", "A",
     "k", std::nullopt},
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.rule; }

class IniReadRule : public testing::TestWithParam<ReadCase> {};

TEST_P(IniReadRule, ReadsAsTheRuleSays) {
    const ReadCase& c = GetParam();
    SCOPED_TRACE(c.rule);
    TMemIniFile ini;
    ini.SetText(c.text);
    EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected.has_value());
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected.value_or("<default>"));
    EXPECT_EQ(ini.ReadValue(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(SyntaxRules, IniReadRule, testing::ValuesIn(readCases),
                         [](const testing::TestParamInfo<ReadCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

struct IntegerCase {
    std::optional<std::string> value; // nullopt: no such key
    int expected;                     // the default is -7
};

const IntegerCase integerCases[] = {
    {"10", 10},          {"-5", -5},         {"+5", 5},           {"007", 7},
    {"0", 0},            {"0x0A", 10},       {"0X1f", 31},        {"$1F", 31},
    {"$ff", 255},        {"$FFFFFFFF", -1},  {"0x7FFFFFFF", INT_MAX},
    {"-2147483648", INT_MIN},                {"2147483648", -7},  {"$100000000", -7},
    {"0x", -7},          {"$", -7},          {"ten", -7},         {"", -7},
    {"12abc", -7},       {"0x1G", -7},       {"0x-5", -7},        {"-0x10", -7},
    {"+-5", -7},         {"- 5", -7},        {"1.5", -7},         {std::nullopt, -7},
};

TEST(IniIntegers, DecimalAndHexFormsAndTheDefault) {
    for (const auto& c : integerCases) {
        TMemIniFile ini;
        ini.SetText(c.value ? "[NREQUEST]\r\nN=" + *c.value + "\r\n" : "[NREQUEST]\r\n");
        EXPECT_EQ(ini.ReadInteger("NREQUEST", "N", -7), c.expected) << "value " << c.value.value_or("(missing)");
    }
}

TEST(IniIntegers, BooleansAreIntegers) {
    TMemIniFile ini;
    ini.SetText("[O]\r\nt=1\r\nf=0\r\nh=0x10\r\nw=yes\r\ne=\r\n");
    EXPECT_TRUE(ini.ReadBool("O", "t", false));
    EXPECT_FALSE(ini.ReadBool("O", "f", true));
    EXPECT_TRUE(ini.ReadBool("O", "h", false));
    EXPECT_TRUE(ini.ReadBool("O", "w", true));
    EXPECT_FALSE(ini.ReadBool("O", "w", false));
    EXPECT_TRUE(ini.ReadBool("O", "e", true));
    EXPECT_FALSE(ini.ReadBool("O", "missing", false));
    ini.WriteBool("O", "t", false);
    ini.WriteBool("O", "new", true);
    EXPECT_EQ(ini.ReadString("O", "t", ""), "0");
    EXPECT_EQ(ini.ReadString("O", "new", ""), "1");
    ini.WriteInteger("O", "n", -42);
    EXPECT_EQ(ini.ReadString("O", "n", ""), "-42");
}

TEST(IniIntegers, FloatsTakeAPointOrAComma) {
    TMemIniFile ini;
    ini.SetText(
        "[S]\r\np=1.25\r\nc=1,5\r\ne=2e1\r\nbad=1.2.3\r\nboth=1.234,5\r\ninf=inf\r\nempty=\r\n");
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "p", 9), 1.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "c", 9), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "e", 9), 20);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "bad", 9), 9);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "both", 9), 9);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "inf", 9), 9);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "empty", 9), 9);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "missing", 1.25), 1.25);
}

// Writing, then the exact text a save would write.
struct WriteCase {
    const char* rule;
    std::string text;
    std::string section, key, value;
    std::string saved;
};

const WriteCase writeCases[] = {
    {"replaces the value in place, the line naming the key as the writer does",
     "[PROTOCOL]\r\nType=KL\r\nSetMux=1\r\n", "protocol", "TYPE", "CAN",
     "[PROTOCOL]\r\nTYPE=CAN\r\nSetMux=1\r\n\r\n"},
    {"adds a new key at the end of its section", "[A]\r\nk=1\r\n[B]\r\nj=2\r\n", "a", "new", "x",
     "[A]\r\nk=1\r\nnew=x\r\n\r\n[B]\r\nj=2\r\n\r\n"},
    {"adds a new section at the end of the file", "[A]\r\nk=1\r\n", "C", "k", "v",
     "[A]\r\nk=1\r\n\r\n[C]\r\nk=v\r\n\r\n"},
    {"writes into the section that is found, the last one", "[A]\r\nk=1\r\n[A]\r\nj=2\r\n", "A",
     "k", "3", "[A]\r\nk=1\r\n\r\n[A]\r\nj=2\r\nk=3\r\n\r\n"},
    {"replaces the line that is found, the last one", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "3",
     "[A]\r\nk=1\r\nk=3\r\n\r\n"},
    {"writes an empty value", "[A]\r\nk=1\r\n", "A", "k", "", "[A]\r\nk=\r\n\r\n"},
    {"adds to an empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n\r\n"},
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.rule; }

class IniWriteRule : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteRule, SavesAsTheRuleSays) {
    const WriteCase& c = GetParam();
    SCOPED_TRACE(c.rule);
    TMemIniFile ini;
    ini.SetText(c.text);
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(ini.Text(), c.saved);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.value);
}

INSTANTIATE_TEST_SUITE_P(SyntaxRules, IniWriteRule, testing::ValuesIn(writeCases),
                         [](const testing::TestParamInfo<WriteCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST(IniWrite, ValuesHaveNoLengthLimit) {
    TMemIniFile ini;
    const std::string value(200000, '7');
    ini.WriteString("REQUEST1", "R", value);
    TMemIniFile copy;
    copy.SetText(ini.Text());
    EXPECT_EQ(copy.ReadString("REQUEST1", "R", ""), value);
}

TEST(IniWrite, RefusesWhatWouldNotReadBackAndChangesNothing) {
    const std::string text = "[A]\r\nk=1\r\n\r\n";
    struct Bad {
        std::string section, key, value;
    } bad[] = {
        {"A", "k", "one\r\n[B]"}, {"A", "k", "one\ntwo"}, {"A", "", "v"},     {"A", "a=b", "v"},
        {"A", ";k", "v"},         {"A", "[k", "v]"},      {"A\r\nB", "k", "v"}, {"A", "k\n", "v"},
    };
    for (const auto& b : bad) {
        TMemIniFile ini;
        ini.SetText(text);
        EXPECT_THROW(ini.WriteString(b.section, b.key, b.value), Exception) << b.key << "=" << b.value;
        EXPECT_EQ(ini.Text(), text);
    }
}

TEST(IniWrite, AnEditedFileSavesChangedKeysInTheirLinesAndAddedKeysAtTheEnd) {
    TMemIniFile ini;
    ini.SetText("; simulation\r\n[REQUEST1]\r\nR=1081\r\n\r\n; answers\r\n"
                "[ANSWER1]\r\nA=50c0\r\n\r\n");
    ini.WriteString("REQUEST1", "D", "Start session");
    ini.WriteString("Request1", "r", "1082");
    ini.WriteString("ANSWER1", "BYTE1", "positive answer");
    EXPECT_EQ(ini.Text(), "[REQUEST1]\r\nr=1082\r\nD=Start session\r\n\r\n"
                          "[ANSWER1]\r\nA=50c0\r\nBYTE1=positive answer\r\n\r\n");
}

TEST(IniSections, ListsNamesFoundAndRemovesEveryOccurrence) {
    TMemIniFile ini;
    ini.SetText("[A]\r\nx=1\r\ny=2\r\nX=3\r\nnokey\r\n[Empty]\r\n[B]\r\nb=1\r\n"
                "[a]\r\nz=9\r\nx=8\r\n");
    TStringList list{"stale"};
    ini.ReadSections(list);
    EXPECT_EQ(list, (TStringList{"Empty", "B", "a"}));
    ini.ReadSection("A", list);
    EXPECT_EQ(list, (TStringList{"z", "x"}));
    ini.ReadSectionValues("A", list);
    EXPECT_EQ(list, (TStringList{"z=9", "x=8"}));
    ini.ReadSection("missing", list);
    EXPECT_TRUE(list.empty());

    EXPECT_TRUE(ini.SectionExists("empty"));
    EXPECT_FALSE(ini.SectionExists("missing"));

    ini.DeleteKey("A", "X");
    EXPECT_FALSE(ini.ValueExists("A", "x"));
    EXPECT_EQ(ini.ReadString("A", "z", ""), "9");

    ini.EraseSection("A"); // both [A] and [a]: the earlier one must not come to light
    EXPECT_FALSE(ini.SectionExists("A"));
    EXPECT_FALSE(ini.ValueExists("A", "y"));
    EXPECT_EQ(ini.Text(), "[Empty]\r\n\r\n[B]\r\nb=1\r\n\r\n");
}

TEST(IniSections, DeletingAKeyOfTheEarlierHiddenSectionLeavesItHidden) {
    TMemIniFile ini;
    ini.SetText("[A]\r\nk=1\r\nj=1\r\n[A]\r\nk=2\r\nK=3\r\n");
    ini.DeleteKey("A", "k"); // every line of k in the section found
    EXPECT_FALSE(ini.ValueExists("A", "k"));
    EXPECT_EQ(ini.Text(), "[A]\r\nk=1\r\nj=1\r\n\r\n[A]\r\n\r\n");
}

// A few lines of a section are scanned while many are indexed, so the look-up rules are read
// back at sizes on both sides of any such bound, and over thousands of sections.
TEST(IniLargeText, TheRulesHoldInSectionsOfEverySize) {
    for (const int keys : {1, 7, 8, 9, 10, 40, 1000}) {
        SCOPED_TRACE("keys " + std::to_string(keys));
        const auto key = [](const char* prefix, int i) { return prefix + std::to_string(i); };
        std::string text = "[Big]\r\n";
        for (int i = 1; i <= keys; ++i) {
            text += key("k", i) + "=" + std::to_string(i) + "\r\n";
            if (i % 4 == 0) text += "no key here\r\n";
        }
        TStringList found; // the key names in the order of the occurrences found
        for (int i = 1; i <= keys; ++i)
            if (i % 3 != 1) found.push_back(key("k", i));
        for (int i = 1; i <= keys; i += 3) {
            text += key("K", i) + "=again\r\n"; // hides k<i>
            found.push_back(key("K", i));
        }
        TMemIniFile ini;
        ini.SetText(text);
        for (int i = 1; i <= keys; ++i)
            EXPECT_EQ(ini.ReadString("BIG", key("k", i), "-"),
                      i % 3 == 1 ? "again" : std::to_string(i));
        EXPECT_FALSE(ini.ValueExists("Big", "no key here"));
        EXPECT_FALSE(ini.ValueExists("Big", key("k", keys + 1)));
        TStringList names;
        ini.ReadSection("big", names);
        EXPECT_EQ(names, found);

        ini.WriteString("big", key("K", keys), "changed");
        ini.WriteString("Big", "added", "new");
        EXPECT_EQ(ini.ReadString("Big", key("k", keys), ""), "changed");
        EXPECT_EQ(ini.ReadString("BIG", "ADDED", ""), "new");
        ini.DeleteKey("Big", "k1"); // both lines of k1
        EXPECT_FALSE(ini.ValueExists("Big", "k1"));
        EXPECT_EQ(ini.ReadString("Big", "k2", "-"), keys >= 2 ? "2" : "-");
        EXPECT_EQ(ini.ReadString("Big", "added", ""), "new");
    }
}

TEST(IniLargeText, TheLastOfThousandsOfSectionsIsFound) {
    const int count = 3000;
    const auto name = [](const char* prefix, int n) { return prefix + std::to_string(n); };
    std::string text;
    for (int n = 1; n <= count; ++n)
        text += "[" + name("S", n) + "]\r\nv=" + std::to_string(n) + "\r\n";
    TStringList found;
    for (int n = 2; n <= count; n += 2) found.push_back(name("S", n));
    for (int n = 1; n <= count; n += 2) {
        text += "[" + name("s", n) + "]\r\nw=" + std::to_string(n) + "\r\n"; // hides [S<n>]
        found.push_back(name("s", n));
    }
    TMemIniFile ini;
    ini.SetText(text);
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, found);
    const auto expectFound = [&](int n) {
        SCOPED_TRACE("section " + std::to_string(n));
        EXPECT_EQ(ini.ValueExists(name("S", n), "v"), n % 2 == 0);
        EXPECT_EQ(ini.ReadString(name("s", n), n % 2 == 0 ? "V" : "W", ""), std::to_string(n));
    };
    for (int n = 1; n <= count; ++n) expectFound(n);

    ini.EraseSection("S1"); // both, and the others are still found
    ini.EraseSection("s2");
    ini.WriteString(name("S", count + 1), "x", "added");
    EXPECT_FALSE(ini.SectionExists("S1"));
    EXPECT_FALSE(ini.SectionExists("S2"));
    for (int n = 3; n <= count; ++n) expectFound(n);
    EXPECT_EQ(ini.ReadString(name("s", count + 1), "X", ""), "added");
}

TEST(IniStrings, GetAndSetTheWholeText) {
    TMemIniFile ini;
    ini.SetStrings({"junk", "[ A ]", " k = 1 ", "; note", "line\r\nj=2", "[B]"});
    TStringList lines;
    ini.GetStrings(lines);
    EXPECT_EQ(lines, (TStringList{"[A]", "k=1", "line", "j=2", "", "[B]", ""}));
    ini.Clear();
    ini.GetStrings(lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(ini.Text(), "");
}

} // namespace
