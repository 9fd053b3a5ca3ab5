// The library's INI store: the lines it reads, the full-key convention, every getter and setter,
// the slot tables and the files it writes.
#include "CatalogueFixtures.h"
#include "IniFileText.h"
#include "LogCapture.h"
#include "TIniFiles.h"

#include <QtGlobal>

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

using namespace CatalogueFixture;

namespace {

using Entry = std::tuple<std::string, std::string, std::string>; // section, key, value

std::vector<Entry> Entries(const TIniSectionTable* table) {
    std::vector<Entry> entries;
    if (table == nullptr)
        return entries;
    for (int s = 0; s < table->Count(); ++s) {
        if (table->NameAt(s).isEmpty())
            continue;
        const TIniKeyList& list = table->ListAt(s);
        for (int k = 0; k < list.Count(); ++k)
            if (!list.NameAt(k).isEmpty())
                entries.emplace_back(table->NameAt(s).toStdString(), list.NameAt(k).toStdString(),
                                     list.ValueAt(k).toStdString());
    }
    return entries;
}

const QString Section = QStringLiteral("Public");
const QString Key = QStringLiteral("comport");

} // namespace

TEST(IniText, LinesGiveSectionsKeysAndValues) {
    struct Case {
        const char* name;
        QByteArray text;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"section and full key", "[Public]\npublic_comport=5\n", {{"public", "public_comport", "5"}}},
        {"blanks around everything", "  [Sec]  \n\t key \t=\t value \t\r\n", {{"sec", "key", "value"}}},
        {"no closing bracket", "[Sec\nk=v\n", {{"sec", "k", "v"}}},
        {"text behind the bracket", "[sec] ignored\nk=v\n", {{"sec", "k", "v"}}},
        {"a section name is not trimmed", "[ sec ]\nk=v\n", {{" sec ", "k", "v"}}},
        {"keys lower-cased, values not", "[s]\nMixed_KEY=Value\n", {{"s", "mixed_key", "Value"}}},
        {"a bare value ends at '#'", "[s]\nk=v   # comment\n", {{"s", "k", "v"}}},
        {"a double-quoted value keeps '#' and leading blanks", "[s]\nk=\"  a # b\"  # c\n", {{"s", "k", "  a # b"}}},
        {"a single-quoted value", "[s]\nk='x#y'\n", {{"s", "k", "x#y"}}},
        {"an unclosed quote runs to the line end", "[s]\nk=\"a # b\n", {{"s", "k", "a # b"}}},
        {"two double quotes: empty", "[s]\nk=\"\"\n", {{"s", "k", ""}}},
        {"two single quotes: empty", "[s]\nk=''\n", {{"s", "k", ""}}},
        {"nothing after '='", "[s]\nk=\n", {}},
        {"only a comment after '='", "[s]\nk=   # nothing\n", {}},
        {"a comment line", "[s]\n  # k=v\n", {}},
        {"no '='", "[s]\nnothing here\n", {}},
        {"no key", "[s]\n=v\n", {}},
        {"'[]' is no section", "[s]\n[]\nk=v\n", {{"s", "k", "v"}}},
        {"CR LF line ends", "[s]\r\nk=v\r\n", {{"s", "k", "v"}}},
        {"a repeated key keeps its slot and takes the last value", "[s]\na=1\nb=2\na=3\n",
         {{"s", "a", "3"}, {"s", "b", "2"}}},
        {"a repeated section continues", "[s]\na=1\n[t]\nc=3\n[S]\nb=2\n",
         {{"s", "a", "1"}, {"s", "b", "2"}, {"t", "c", "3"}}},
        {"keys before the first section are not kept", "a=1\n[s]\nb=2\n", {{"s", "b", "2"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Entries(IniFileText::ParseIniText(c.text).get()), c.entries) << c.name;
}

TEST(IniText, ALineLongerThanALineReadIsReadAsTwoLines) {
    const QByteArray longValue(IniFileText::LineLimit, 'v');
    const auto table = IniFileText::ParseIniText("[s]\nk=" + longValue + "\nnext=1\n");
    // The first read takes "k=" and 1021 characters; the rest is a line without '='.
    const std::vector<Entry> entries = Entries(table.get());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::get<2>(entries[0]).size(), static_cast<std::size_t>(TIniKeyList::ValueLimit));
    EXPECT_EQ(std::get<1>(entries[1]), "next");
}

TEST(IniFiles, GettersAddressTheFullKeyInsideTheSection) {
    WorkingFolder folder;
    WriteFile(QStringLiteral("bare.ini"), "[lingua1]\nidlingua=eng\n");
    WriteFile(QStringLiteral("full.ini"), "[lingua1]\nlingua1_idlingua=eng\n");
    const TIniFiles bare(QStringLiteral("bare.ini"));
    const TIniFiles full(QStringLiteral("full.ini"));
    const QString def = QStringLiteral("ita");
    EXPECT_EQ(bare.GetStringValue(QStringLiteral("lingua1"), QStringLiteral("idlingua"), def), def);
    EXPECT_EQ(full.GetStringValue(QStringLiteral("lingua1"), QStringLiteral("idlingua"), def), QStringLiteral("eng"));
    EXPECT_EQ(full.GetStringValue(QStringLiteral("LINGUA1"), QStringLiteral("IdLingua"), def), QStringLiteral("eng"));
    EXPECT_EQ(full.GetStringValue(QStringLiteral("lingua2"), QStringLiteral("idlingua"), def), def);
    EXPECT_EQ(TIniFiles::FullKey(Section, Key), QByteArray("public_comport"));
}

TEST(IniFiles, MainIniAfterAPortScanHoldsExactlyItsTwoLines) {
    WorkingFolder folder;
    testing::internal::CaptureStderr();
    {
        TIniFiles ini(QStringLiteral("main.ini"));
        ini.SetIntValue(Section, Key, 5);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot parse file [main.ini]\n");
    EXPECT_EQ(ReadFile(QStringLiteral("main.ini")), QByteArray("[public]\npublic_comport=5\n"));

    const TIniFiles back(QStringLiteral("main.ini"));
    for (const auto& [s, k] : {std::pair{"Public", "comport"}, {"public", "COMPORT"}, {"PUBLIC", "ComPort"}})
        EXPECT_EQ(back.GetIntValue(QString::fromLatin1(s), QString::fromLatin1(k), -1), 5) << s << " " << k;

    // A file that gets one value is rewritten whole, in the store's own form.
    WriteFile(QStringLiteral("main.ini"), "# settings\r\n[Public]\r\nPUBLIC_COMPORT = 3\r\n\r\npublic_other = \"x y\"\r\n");
    {
        TIniFiles ini(QStringLiteral("main.ini"));
        ini.SetIntValue(Section, Key, 12);
    }
    EXPECT_EQ(ReadFile(QStringLiteral("main.ini")), QByteArray("[public]\npublic_comport=12\npublic_other=x y\n"));
}

TEST(IniFiles, EveryValueReadsBackAsItWasSet) {
    WorkingFolder folder;
    const QString s = QStringLiteral("Values");
    const QFont font(QStringLiteral("Sans Serif"), 11, QFont::Bold, true);
    const QDate date(2024, 2, 29);
    {
        TIniFiles ini(QStringLiteral("values.ini"));
        ini.SetStringValue(s, QStringLiteral("text"), QStringLiteral("caf\u00e8 au lait"));
        ini.SetIntValue(s, QStringLiteral("negative"), -42);
        ini.SetDoubleValue(s, QStringLiteral("double"), 1234567.0);
        ini.SetDoubleValue(s, QStringLiteral("half"), 0.5);
        ini.SetBoolValue(s, QStringLiteral("yes"), true);
        ini.SetBoolValue(s, QStringLiteral("no"), false);
        ini.SetColorValue(s, QStringLiteral("orange"), QColor(255, 128, 0));
        ini.SetFontValue(s, QStringLiteral("font"), font);
        ini.SetDateValue(s, QStringLiteral("date"), date);
        EXPECT_EQ(ini.SetValue("Values", "plain", "raw text"), 0);
        EXPECT_TRUE(ini.IsModified());
    }
    const QByteArray text = ReadFile(QStringLiteral("values.ini"));
    EXPECT_TRUE(text.contains("\nvalues_double=1.23457e+06\n"));
    EXPECT_TRUE(text.contains("\nvalues_orange=255:128:0\n"));
    EXPECT_TRUE(text.contains("\nvalues_yes=true\n"));

    const TIniFiles ini(QStringLiteral("values.ini"));
    EXPECT_FALSE(ini.IsModified());
    EXPECT_EQ(ini.GetStringValue(s, QStringLiteral("text"), {}), QStringLiteral("caf\u00e8 au lait"));
    EXPECT_EQ(ini.GetIntValue(s, QStringLiteral("negative"), 0), -42);
    EXPECT_DOUBLE_EQ(ini.GetDoubleValue(s, QStringLiteral("double"), 0.0), 1234570.0);
    EXPECT_DOUBLE_EQ(ini.GetDoubleValue(s, QStringLiteral("half"), 0.0), 0.5);
    EXPECT_TRUE(ini.GetBoolValue(s, QStringLiteral("yes"), false));
    EXPECT_FALSE(ini.GetBoolValue(s, QStringLiteral("no"), true));
    EXPECT_EQ(ini.GetColorValue(s, QStringLiteral("orange"), Qt::black), QColor(255, 128, 0));
    EXPECT_EQ(ini.GetFontValue(s, QStringLiteral("font"), QFont()), font);
    EXPECT_EQ(ini.GetDateValue(s, QStringLiteral("date"), QDate()), date);
    char out[32];
    ini.GetValue("values", "plain", "def", out, sizeof out);
    EXPECT_STREQ(out, "raw text");
    ini.GetValue("values", "missing", "def", out, sizeof out);
    EXPECT_STREQ(out, "def");
    ini.GetValue("values", "plain", "def", out, 4); // cut to the caller's room
    EXPECT_STREQ(out, "raw");
}

TEST(IniFiles, GettersConvertTheStoredTextsOrGiveTheDefault) {
    WorkingFolder folder;
    WriteFile(QStringLiteral("v.ini"), "[v]\n"
                                       "v_y=yes\nv_n=No\nv_t=T\nv_one=1\nv_zero=0\nv_x=maybe\n"
                                       "v_digits=42abc\nv_signed=  -17 \nv_none=abc\nv_huge=99999999999\n"
                                       "v_real=2.5e3xyz\nv_comma=1,5\nv_noreal=x1\n"
                                       "v_c3=10:20:30\nv_c2=10:20\nv_c1=7\nv_c4=1:2:3:4\nv_cbad=300:0:0\n"
                                       "v_font=Sans,10,5\nv_date=no date\n");
    const TIniFiles ini(QStringLiteral("v.ini"));
    const QString v = QStringLiteral("v");
    struct BoolCase {
        const char* key;
        bool def;
        bool expected;
    };
    for (const BoolCase& c : {BoolCase{"y", false, true}, {"n", true, false}, {"t", false, true}, {"one", false, true},
                              {"zero", true, false}, {"x", true, true}, {"x", false, false}, {"missing", true, true}})
        EXPECT_EQ(ini.GetBoolValue(v, QString::fromLatin1(c.key), c.def), c.expected) << c.key;
    struct IntCase {
        const char* key;
        int expected;
    };
    for (const IntCase& c : {IntCase{"digits", 42}, {"signed", -17}, {"none", 0}, {"huge", 2147483647}, {"missing", -5}})
        EXPECT_EQ(ini.GetIntValue(v, QString::fromLatin1(c.key), -5), c.expected) << c.key;
    EXPECT_DOUBLE_EQ(ini.GetDoubleValue(v, QStringLiteral("real"), -1.0), 2500.0);
    EXPECT_DOUBLE_EQ(ini.GetDoubleValue(v, QStringLiteral("comma"), -1.0), 1.0); // the C form, whatever the locale
    EXPECT_DOUBLE_EQ(ini.GetDoubleValue(v, QStringLiteral("noreal"), -1.0), 0.0);
    struct ColorCase {
        const char* key;
        QColor expected;
    };
    const QColor def(1, 1, 1);
    for (const ColorCase& c : {ColorCase{"c3", QColor(10, 20, 30)}, {"c2", QColor(10, 0, 20)}, {"c1", QColor(0, 0, 7)},
                               {"c4", QColor(1, 2, 0)}, {"cbad", def}, {"missing", def}})
        EXPECT_EQ(ini.GetColorValue(v, QString::fromLatin1(c.key), def), c.expected) << c.key;
    const QFont defFont(QStringLiteral("Monospace"), 9);
    EXPECT_EQ(ini.GetFontValue(v, QStringLiteral("font"), defFont), defFont);
    EXPECT_EQ(ini.GetDateValue(v, QStringLiteral("date"), QDate(2000, 1, 1)), QDate(2000, 1, 1));
}

TEST(IniFiles, AMissingFileGivesDefaultsAndIsWrittenOnlyAfterASetter) {
    WorkingFolder folder;
    testing::internal::CaptureStderr();
    {
        const TIniFiles ini(QStringLiteral("codec.ini"));
        EXPECT_EQ(ini.GetStringValue(QStringLiteral("lingua1"), QStringLiteral("idlingua"), QStringLiteral("ita")),
                  QStringLiteral("ita"));
        EXPECT_EQ(ini.SectionCount(), 0);
        EXPECT_EQ(ini.SectionName(0), QString());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot parse file [codec.ini]\n");
    EXPECT_FALSE(QFile::exists(QStringLiteral("codec.ini")));

    TIniFiles unnamed;
    EXPECT_FALSE(unnamed.Load(QString())); // nothing printed, nothing read
    EXPECT_FALSE(unnamed.RemoveKey(Section, Key));
}

TEST(IniFiles, AFileThatWasOnlyReadIsNeverRewritten) {
    WorkingFolder folder;
    const QByteArray handWritten = "# languages\r\n[lingua1]\r\nlingua1_idlingua = \"eng\"\r\n";
    WriteFile(QStringLiteral("codec.ini"), handWritten);
    {
        const TIniFiles ini(QStringLiteral("codec.ini"));
        EXPECT_EQ(ini.GetStringValue(QStringLiteral("lingua1"), QStringLiteral("idlingua"), {}), QStringLiteral("eng"));
    }
    EXPECT_EQ(ReadFile(QStringLiteral("codec.ini")), handWritten);
}

// An INI file is read no further than its bound: a larger one (or one that grew past it) reads
// as missing, with a debug line that says why, and is never written over by a setter's save.
TEST(IniFiles, AFileLargerThanItsBoundReadsAsMissingAndIsNotWrittenOver) {
    WorkingFolder folder;
    const QByteArray head = "[public]\npublic_comport=7\n";
    const auto padded = [&](qsizetype size) { return head + QByteArray(size - head.size(), '#'); };
    {
        // At the bound the file is read.
        WriteFile(QStringLiteral("main.ini"), padded(IniFileText::FileLimit));
        const TIniFiles ini(QStringLiteral("main.ini"));
        EXPECT_EQ(ini.GetIntValue(Section, Key, 0), 7);
    }
    const QByteArray tooLarge = padded(IniFileText::FileLimit + 1);
    WriteFile(QStringLiteral("main.ini"), tooLarge);
    const LogCapture log;
    testing::internal::CaptureStderr();
    {
        TIniFiles ini(QStringLiteral("main.ini"));
        EXPECT_EQ(ini.GetIntValue(Section, Key, 0), 0);
        ini.SetIntValue(Section, Key, 5);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "cannot parse file [main.ini]\n");
    EXPECT_TRUE(log.Contains("main: catalogue: main.ini holds more than " + std::to_string(IniFileText::FileLimit) +
                             " bytes: refused"));
    EXPECT_TRUE(log.Contains("TIniFiles::Save: main.ini was not read: it is not written over"));
    EXPECT_EQ(ReadFile(QStringLiteral("main.ini")), tooLarge);
}

TEST(IniFiles, RemovedAndEmptyValues) {
    WorkingFolder folder;
    {
        TIniFiles ini(QStringLiteral("r.ini"));
        ini.SetStringValue(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("1"));
        ini.SetStringValue(QStringLiteral("s"), QStringLiteral("b"), QStringLiteral("2"));
        ini.SetStringValue(QStringLiteral("s"), QStringLiteral("c"), QStringLiteral("3"));
        ini.SetStringValue(QStringLiteral("s"), QStringLiteral("empty"), QString());
        EXPECT_TRUE(ini.RemoveKey(QStringLiteral("S"), QStringLiteral("B")));
        EXPECT_TRUE(ini.RemoveKey(QStringLiteral("s"), QStringLiteral("absent")));
        EXPECT_FALSE(ini.RemoveKey(QStringLiteral("nosection"), QStringLiteral("a")));
        // The freed slot takes the next new key.
        ini.SetStringValue(QStringLiteral("s"), QStringLiteral("d"), QStringLiteral("4"));
    }
    EXPECT_EQ(ReadFile(QStringLiteral("r.ini")), QByteArray("[s]\ns_a=1\ns_d=4\ns_c=3\ns_empty=\n"));
    const TIniFiles back(QStringLiteral("r.ini"));
    EXPECT_EQ(back.GetStringValue(QStringLiteral("s"), QStringLiteral("empty"), QStringLiteral("def")),
              QStringLiteral("def")); // an empty value is not read back
    EXPECT_EQ(back.GetStringValue(QStringLiteral("s"), QStringLiteral("b"), QStringLiteral("def")), QStringLiteral("def"));
}

TEST(IniFiles, TheDoubleGetterReadsTheLeadingNumberAsCsStrtod) {
    WorkingFolder folder;
    struct Case {
        const char* text;
        double expected; // NaN: a NaN is expected
    };
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"2.5e3xyz", 2500.0},    {"  -17.25 ", -17.25}, {"+3", 3.0},      {".5", 0.5},
        {"1,5", 1.0},            {"0x10", 16.0},        {"0X1p4", 16.0},  {"0x", 0.0},
        {"1e999", inf},          {"-1e999", -inf},      {"inf", inf},     {"-Infinity", -inf},
        {"nan", nan},            {"1e-400", 0.0},       {"abc", 0.0},     {"-", 0.0},
        {"e5", 0.0},             {"5e", 5.0},           {"1.2.3", 1.2},   {"\t7", 7.0},
    };
    QByteArray text = "[d]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        text += "d_k" + QByteArray::number(static_cast<qulonglong>(i)) + '=' + cases[i].text + '\n';
    WriteFile(QStringLiteral("d.ini"), text);
    const TIniFiles ini(QStringLiteral("d.ini"));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const double got = ini.GetDoubleValue(QStringLiteral("d"), QStringLiteral("k%1").arg(i), -99.0);
        if (std::isnan(cases[i].expected))
            EXPECT_TRUE(std::isnan(got)) << cases[i].text;
        else
            EXPECT_EQ(got, cases[i].expected) << cases[i].text;
    }
}

TEST(IniFiles, TablesDoubleAndKeepTheirSlotOrder) {
    WorkingFolder folder;
    QByteArray expected;
    {
        TIniFiles ini(QStringLiteral("big.ini"));
        for (int s = 0; s < 17; ++s)
            ini.SetIntValue(QStringLiteral("sec%1").arg(s), QStringLiteral("k"), s);
        for (int k = 0; k < 129; ++k)
            ini.SetIntValue(QStringLiteral("sec0"), QStringLiteral("key%1").arg(k), k);
        EXPECT_EQ(ini.Store()->Capacity(), 32);
        EXPECT_EQ(ini.Store()->Count(), 17);
        EXPECT_EQ(ini.Store()->Find("sec0")->Capacity(), 256);
        EXPECT_EQ(ini.SectionCount(), 17);
        EXPECT_EQ(ini.SectionName(16), QStringLiteral("sec16"));
        EXPECT_EQ(ini.SectionName(17), QString());
    }
    for (int s = 0; s < 17; ++s) {
        expected += "[sec" + QByteArray::number(s) + "]\nsec" + QByteArray::number(s) + "_k=" + QByteArray::number(s) + '\n';
        if (s == 0)
            for (int k = 0; k < 129; ++k)
                expected += "sec0_key" + QByteArray::number(k) + '=' + QByteArray::number(k) + '\n';
    }
    EXPECT_EQ(ReadFile(QStringLiteral("big.ini")), expected);
    const TIniFiles back(QStringLiteral("big.ini"));
    EXPECT_EQ(back.GetIntValue(QStringLiteral("sec16"), QStringLiteral("k"), -1), 16);
    EXPECT_EQ(back.GetIntValue(QStringLiteral("sec0"), QStringLiteral("key128"), -1), 128);
}

TEST(IniFiles, NamesAndValuesAreCutAtTheStoresWidthsAndLineEnds) {
    WorkingFolder folder;
    const QString longSection(70, u's');
    const QString longKey(130, u'k');
    const QString longValue(300, u'v');
    {
        TIniFiles ini(QStringLiteral("cut.ini"));
        ini.SetStringValue(longSection, QStringLiteral("a"), longValue);
        ini.SetStringValue(QStringLiteral("s"), longKey, QStringLiteral("x"));
        // A value cannot add a line (or a section) to the file.
        ini.SetStringValue(QStringLiteral("s"), QStringLiteral("evil"), QStringLiteral("1\n[other]\ns_evil=2"));
    }
    const TIniFiles back(QStringLiteral("cut.ini"));
    EXPECT_EQ(back.GetStringValue(longSection, QStringLiteral("a"), {}).size(), TIniKeyList::ValueLimit);
    EXPECT_EQ(back.Store()->NameAt(0).size(), TIniSectionTable::NameLimit);
    EXPECT_EQ(back.GetStringValue(QStringLiteral("s"), longKey, {}), QStringLiteral("x"));
    EXPECT_EQ(back.GetStringValue(QStringLiteral("s"), QStringLiteral("evil"), {}), QStringLiteral("1"));
    EXPECT_EQ(back.GetStringValue(QStringLiteral("other"), QStringLiteral("evil"), QStringLiteral("none")),
              QStringLiteral("none"));
}

TEST(IniFiles, AFileThatCannotBeWrittenIsLeftAlone) {
    WorkingFolder folder;
    QDir().mkdir(QStringLiteral("blocked.ini")); // a folder where the file should go
    {
        TIniFiles ini(QStringLiteral("blocked.ini"));
        ini.SetIntValue(Section, Key, 1);
        EXPECT_TRUE(ini.Save(ini.FileName()));
        EXPECT_FALSE(ini.IsModified());
    }
    EXPECT_TRUE(QFileInfo(QStringLiteral("blocked.ini")).isDir());
}

namespace {

// The slot rules of a key list written out plainly: slots of names and values, the first free
// one taken, the count that never decreases and the capacity that doubles when the count has
// reached it.
struct SlotModel {
    int count = 0;
    int capacity = TIniKeyList::MinCapacity;
    std::vector<std::pair<QByteArray, QByteArray>> cells = std::vector<std::pair<QByteArray, QByteArray>>(
        static_cast<std::size_t>(TIniKeyList::MinCapacity));

    int SlotOf(const QByteArray& name) const {
        for (int i = 0; i < count; ++i)
            if (cells[static_cast<std::size_t>(i)].first == name)
                return i;
        return -1;
    }
    void Set(const QByteArray& name, const QByteArray& value) {
        if (const int i = SlotOf(name); i >= 0) {
            cells[static_cast<std::size_t>(i)].second = value;
            return;
        }
        if (count == capacity) {
            capacity *= 2;
            cells.resize(static_cast<std::size_t>(capacity));
        }
        for (auto& slot : cells) {
            if (slot.first.isEmpty()) {
                slot = {name, value};
                break;
            }
        }
        ++count;
    }
    void Remove(const QByteArray& name) {
        if (const int i = SlotOf(name); i >= 0)
            cells[static_cast<std::size_t>(i)] = {};
    }
};

// Every slot of the list as the model has it, and every name found with its value.
void ExpectLikeTheModel(const TIniKeyList& list, const SlotModel& model, const std::string& step) {
    ASSERT_EQ(list.Count(), model.count) << step;
    ASSERT_EQ(list.Capacity(), model.capacity) << step;
    for (int i = 0; i < model.capacity; ++i) {
        const auto& [name, value] = model.cells[static_cast<std::size_t>(i)];
        ASSERT_EQ(list.NameAt(i), name) << step << " slot " << i;
        if (name.isEmpty())
            continue;
        ASSERT_EQ(list.ValueAt(i), value) << step << " slot " << i;
        const QByteArray* found = list.Find(name);
        ASSERT_NE(found, nullptr) << step << " " << name.toStdString();
        ASSERT_EQ(*found, value) << step << " " << name.toStdString();
    }
}

} // namespace

TEST(IniTables, AKeyListKeepsTheSlotsTheirOrderAndTheCapacityOfTheSlotRules) {
    struct Case {
        const char* name;
        int keys;     // keys set first, k0, k1, ...
        int removeEvery; // then every n-th of them removed (0: none)
        int added;    // then new keys set
    };
    const Case cases[] = {
        {"a few keys, one removed and its slot taken again", 3, 2, 2},
        {"keys up to the capacity, freed slots taken after it doubled", TIniKeyList::MinCapacity, 7, 30},
        {"past the capacity", TIniKeyList::MinCapacity + 1, 0, 0},
        {"grown past the search by name slot by slot, then shrunk below it", 12, 1, 5},
        {"two doublings with slots freed in between", 2 * TIniKeyList::MinCapacity + 5, 3, 100},
    };
    for (const Case& c : cases) {
        TIniKeyList list;
        SlotModel model;
        const auto set = [&](const QByteArray& name, const QByteArray& value) {
            list.Set(name, value);
            model.Set(name, value);
        };
        for (int k = 0; k < c.keys; ++k)
            set("k" + QByteArray::number(k), QByteArray::number(k));
        ExpectLikeTheModel(list, model, std::string(c.name) + ": filled");
        for (int k = 0; c.removeEvery > 0 && k < c.keys; k += c.removeEvery) {
            const QByteArray name = "k" + QByteArray::number(k);
            list.Remove(name);
            model.Remove(name);
            EXPECT_EQ(list.Find(name), nullptr) << c.name << " " << name.toStdString();
        }
        list.Remove("absent");
        ExpectLikeTheModel(list, model, std::string(c.name) + ": removed");
        for (int k = 0; k < c.added; ++k)
            set("new" + QByteArray::number(k), "v" + QByteArray::number(k));
        // A key set again keeps its slot.
        set("k1", "again");
        ExpectLikeTheModel(list, model, std::string(c.name) + ": added");
        EXPECT_EQ(list.Find("k0x"), nullptr) << c.name;
        EXPECT_EQ(list.NameAt(list.Count() + 1), QByteArray()) << c.name;
    }
}

TEST(IniFiles, ManySectionsAreEachFoundAndWrittenInTheirSlotOrder) {
    WorkingFolder folder;
    constexpr int Sections = 3000;
    QByteArray text;
    for (int s = 0; s < Sections; ++s) {
        const QByteArray name = "lingua" + QByteArray::number(s);
        text += '[' + name + "]\n" + name + "_idlingua=id" + QByteArray::number(s) + '\n';
        // Each tenth section holds more keys than are searched slot by slot.
        for (int k = 0; s % 10 == 0 && k < 12; ++k)
            text += name + "_key" + QByteArray::number(k) + '=' + QByteArray::number(k) + '\n';
    }
    // A repeated header continues its section: its new key goes behind the others.
    text += "[lingua7]\nlingua7_late=1\n";
    WriteFile(QStringLiteral("codec.ini"), text);
    {
        TIniFiles ini(QStringLiteral("codec.ini"));
        EXPECT_EQ(ini.SectionCount(), Sections);
        EXPECT_EQ(ini.Store()->Capacity(), 4096);
        for (int s = 0; s < Sections; s += 7) {
            const QString section = QStringLiteral("Lingua%1").arg(s);
            EXPECT_EQ(ini.GetStringValue(section, QStringLiteral("IdLingua"), {}), QStringLiteral("id%1").arg(s)) << s;
            EXPECT_EQ(ini.GetIntValue(section, QStringLiteral("key11"), -1), s % 10 == 0 ? 11 : -1) << s;
        }
        EXPECT_EQ(ini.GetIntValue(QStringLiteral("lingua7"), QStringLiteral("late"), -1), 1);
        EXPECT_EQ(ini.SectionName(Sections - 1), QStringLiteral("lingua%1").arg(Sections - 1));
        ini.SetIntValue(QStringLiteral("lingua0"), QStringLiteral("key5"), 50); // rewritten in its slot
    }
    const QByteArray written = ReadFile(QStringLiteral("codec.ini"));
    EXPECT_TRUE(written.startsWith("[lingua0]\nlingua0_idlingua=id0\nlingua0_key0=0\n"));
    EXPECT_TRUE(written.contains("\nlingua0_key4=4\nlingua0_key5=50\nlingua0_key6=6\n"));
    EXPECT_TRUE(written.contains("[lingua7]\nlingua7_idlingua=id7\nlingua7_late=1\n[lingua8]\n"));
    EXPECT_TRUE(written.endsWith("[lingua2999]\nlingua2999_idlingua=id2999\n"));
}
