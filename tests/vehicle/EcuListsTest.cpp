// The ECU records of a system grouped into ECUs, part numbers and engine codes, and the choice
// of one record through them.
#include "DatabaseFields.h"
#include "VehicleDbFixture.h"

#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace VehicleDb;

constexpr std::uint32_t MinusOne = std::numeric_limits<std::uint32_t>::max();

// Positions of the generated vehicle's systems in its sorted plant list.
constexpr std::uint32_t System10 = 0; // records 3 and 4: two single-record ECUs
constexpr std::uint32_t System20 = 1; // records 5 and 6: equal in the six list texts
constexpr std::uint32_t System30 = 2; // records 0 to 2: the grouping example

QString SystemNumber(const EcuSelectionRecord& record) {
    return VehicleFields::Text(record.system(), EcuSelectionRecord::SystemWidth);
}

class EcuListsTest : public VehicleDbTest {
protected:
    // The generated vehicle identified and system s of its plant list chosen.
    std::unique_ptr<TVehicleDatabase> OpenAtSystem(std::uint32_t s) {
        auto db = WriteAndOpen();
        EXPECT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
        EXPECT_NE(db->PlantList(), nullptr);
        EXPECT_TRUE(db->SelectPlant(s));
        return db;
    }
};

struct ExpectedEntry {
    std::int32_t recordIndex;
    std::int32_t parentIndex;
    const char* partNumber;
    const char* engineCode;
};

void ExpectEntries(const TEcuList& list, std::initializer_list<ExpectedEntry> expected, const char* name) {
    ASSERT_EQ(list.size(), expected.size()) << name;
    std::size_t i = 0;
    for (const ExpectedEntry& e : expected) {
        SCOPED_TRACE(std::string(name) + " entry " + std::to_string(i));
        EXPECT_EQ(list[i].recordIndex, e.recordIndex);
        EXPECT_EQ(list[i].parentIndex, e.parentIndex);
        EXPECT_EQ(list[i].partNumber, QString::fromLatin1(e.partNumber));
        EXPECT_EQ(list[i].engineCode, QString::fromLatin1(e.engineCode));
        EXPECT_EQ(list[i].ecuText1, QStringLiteral("MOTORE"));
        EXPECT_EQ(list[i].ecuName, QStringLiteral("BOSCH ME7.9.10"));
        EXPECT_EQ(list[i].ecuText2, QStringLiteral("INIEZIONE"));
        EXPECT_EQ(list[i].ecuText3, QStringLiteral("ME7"));
        ++i;
    }
}

// Records R1, R2, R3 of one ECU with part numbers P1, P2, P1 and engine codes E1, E2, E3.
TEST_F(EcuListsTest, TheGroupingExample) {
    auto db = OpenAtSystem(System30);
    const TEcuList& ecus = db->BuildEcuLists();
    ExpectEntries(ecus, {{0, 0, P1, E1}}, "ECU list");
    EXPECT_TRUE(ecus[0].hasPartNumbers);
    EXPECT_TRUE(ecus[0].hasEngineCodes);
    ExpectEntries(db->PartNumberList(), {{1, 0, P2, E2}, {0, 0, P1, E1}}, "part-number list");
    ExpectEntries(db->EngineCodeList(), {{1, 0, P2, E2}, {0, 1, P1, E1}, {2, 1, P1, E3}}, "engine-code list");
}

TEST_F(EcuListsTest, TextsCompareExactly) {
    tables.ecus[2].Text(Ecu::Name, "bosch me7.9.10");
    tables.ecus[1].Text(Ecu::Text3, "ME7 ");
    auto db = OpenAtSystem(System30);
    EXPECT_EQ(db->BuildEcuLists().size(), 3u);
    EXPECT_TRUE(db->PartNumberList().empty());
    EXPECT_TRUE(db->EngineCodeList().empty());
}

TEST_F(EcuListsTest, TwoRecordsEqualInAllSixTextsAreChosenThroughTheSecond) {
    auto db = OpenAtSystem(System20);
    const TEcuList& ecus = db->BuildEcuLists();
    ASSERT_EQ(ecus.size(), 1u);
    EXPECT_EQ(ecus[0].recordIndex, 0);
    EXPECT_TRUE(ecus[0].hasPartNumbers && ecus[0].hasEngineCodes);
    ASSERT_EQ(db->PartNumberList().size(), 1u);
    ASSERT_EQ(db->EngineCodeList().size(), 1u);
    EXPECT_EQ(db->PartNumberList()[0].recordIndex, 1);
    EXPECT_EQ(db->EngineCodeList()[0].recordIndex, 1);
    EXPECT_EQ(db->EngineCodeList()[0].parentIndex, 0);

    ASSERT_TRUE(db->SelectEcu(0, 0, 0));
    EcuSelectionRecord record;
    ASSERT_TRUE(db->GetEcuRecord(record));
    EXPECT_EQ(SystemNumber(record), QStringLiteral("0302"));
}

TEST_F(EcuListsTest, ASingleRecordEcuIsReadWhateverTheOtherIndexes) {
    auto db = OpenAtSystem(System10);
    const TEcuList& ecus = db->BuildEcuLists();
    ASSERT_EQ(ecus.size(), 2u);
    for (const TEcuEntry& e : ecus)
        EXPECT_FALSE(e.hasPartNumbers || e.hasEngineCodes);
    EXPECT_TRUE(db->PartNumberList().empty());
    EXPECT_TRUE(db->EngineCodeList().empty());
    EXPECT_EQ(ecus[1].ecuName, QStringLiteral("\"\"12"));

    EcuSelectionRecord record;
    ASSERT_TRUE(db->SelectEcu(0, 7, MinusOne));
    ASSERT_TRUE(db->GetEcuRecord(record));
    EXPECT_EQ(record.letter(), '@');
    EXPECT_EQ(SystemNumber(record), QStringLiteral("0123"));
    // The raw record, byte for byte.
    EXPECT_EQ(std::string(record.bytes, sizeof record.bytes), tables.ecus[3].Bytes());

    ASSERT_TRUE(db->SelectEcu(1, MinusOne, 3));
    ASSERT_TRUE(db->GetEcuRecord(record));
    EXPECT_EQ(std::string(record.bytes, sizeof record.bytes), tables.ecus[4].Bytes());
    EXPECT_EQ(db->SelectedEcu(), 1);
}

struct EcuChoiceCase {
    std::uint32_t ecu, partNumber, engineCode;
    bool chosen;
    const char* system; // of the record read then; else the earlier record stays
};

TEST_F(EcuListsTest, ChoosingAnEcuThroughItsPartNumberAndEngineCode) {
    const EcuChoiceCase cases[] = {
        {0, 0, 0, true, "0078"},       // R2 through its engine-code entry
        {0, 1, 1, true, "0077"},       // R1
        {0, 1, 2, true, "0079"},       // R3
        {1, 0, 0, false, "0079"},      // no ECU 1
        {0, 2, 0, false, "0079"},      // no part-number entry 2
        {0, 0, 3, false, "0079"},      // no engine-code entry 3
        {MinusOne, 0, 0, false, "0079"},
    };
    auto db = OpenAtSystem(System30);
    ASSERT_EQ(db->BuildEcuLists().size(), 1u);
    for (const EcuChoiceCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.ecu) + " " + std::to_string(c.partNumber) + " " + std::to_string(c.engineCode));
        const std::int32_t partBefore = db->SelectedPartNumber();
        const std::int32_t engineBefore = db->SelectedEngineCode();
        EXPECT_EQ(db->SelectEcu(c.ecu, c.partNumber, c.engineCode), c.chosen);
        EcuSelectionRecord record;
        ASSERT_TRUE(db->GetEcuRecord(record));
        EXPECT_EQ(SystemNumber(record), QString::fromLatin1(c.system));
        EXPECT_EQ(db->SelectedPartNumber(), c.chosen ? static_cast<std::int32_t>(c.partNumber) : partBefore);
        EXPECT_EQ(db->SelectedEngineCode(), c.chosen ? static_cast<std::int32_t>(c.engineCode) : engineBefore);
    }
}

TEST_F(EcuListsTest, TheRecordOfAnotherSystemIsNeverHandedOut) {
    auto db = OpenAtSystem(System30);
    EcuSelectionRecord record;
    EXPECT_FALSE(db->GetEcuRecord(record)) << "no ECU chosen yet";
    ASSERT_EQ(db->BuildEcuLists().size(), 1u);
    EXPECT_FALSE(db->GetEcuRecord(record));
    ASSERT_TRUE(db->SelectEcu(0, 1, 1));
    EXPECT_TRUE(db->GetEcuRecord(record));

    // Another system: its lists are not built yet, and the old choice must not select from them.
    ASSERT_TRUE(db->SelectPlant(System10));
    EXPECT_FALSE(db->GetEcuRecord(record));
    EXPECT_FALSE(db->SelectEcu(0, 0, 0));
    ASSERT_EQ(db->BuildEcuLists().size(), 2u);
    EXPECT_FALSE(db->GetEcuRecord(record));
    ASSERT_TRUE(db->SelectEcu(0, 0, 0));
    ASSERT_TRUE(db->GetEcuRecord(record));
    EXPECT_EQ(record.letter(), '@');
}

struct BrokenRangeCase {
    const char* what;
    const char* nextOffset; // the ECU offset of the record after system 20's
    std::size_t ecus;
};

TEST_F(EcuListsTest, ARangeIsReadOnlyWhereItsRecordsAre) {
    const BrokenRangeCase cases[] = {
        {"an end past the file", "99999999", 2}, // records 5 to 7, then the file ends
        {"an end before the start", "0", 0},
        {"an end inside a record", "1400", 0},
    };
    for (const BrokenRangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        WorkingFolder fresh;
        tables.systems[3] = System(OtherKey, "40", c.nextOffset);
        auto db = OpenAtSystem(System20);
        EXPECT_EQ(db->BuildEcuLists().size(), c.ecus);
        EXPECT_EQ(db->SelectEcu(0, 0, 0), c.ecus > 0);
    }
}

TEST_F(EcuListsTest, NoSystemChosenMeansNoEcus) {
    auto db = WriteAndOpen();
    EXPECT_TRUE(db->BuildEcuLists().empty());
    EXPECT_FALSE(db->SelectEcu(0, 0, 0));
    EcuSelectionRecord record;
    EXPECT_FALSE(db->GetEcuRecord(record));
}

} // namespace

namespace {

// The three lists as searching each list from its first entry makes them, record by record.
struct SearchedLists {
    TEcuList ecus, partNumbers, engineCodes;
};

SearchedLists GroupedBySearching(const std::vector<TEcuEntry>& records) {
    SearchedLists l;
    for (TEcuEntry probe : records) {
        const std::int32_t e = FindEcuEntry(l.ecus, probe);
        if (e < 0) {
            l.ecus.push_back(probe);
            continue;
        }
        probe.hasPartNumbers = true;
        probe.parentIndex = e;
        std::int32_t p = FindEcuEntry(l.partNumbers, probe);
        std::int32_t s = -1;
        if (p < 0) {
            l.ecus[e].hasPartNumbers = true;
            l.partNumbers.push_back(probe);
            p = static_cast<std::int32_t>(l.partNumbers.size() - 1);
            s = FindEcuEntry(l.partNumbers, l.ecus[e]);
            if (s < 0) {
                TEcuEntry first = l.ecus[e];
                first.parentIndex = e;
                l.partNumbers.push_back(first);
                s = static_cast<std::int32_t>(l.partNumbers.size() - 1);
            }
        }
        probe.hasEngineCodes = true;
        probe.parentIndex = p;
        if (FindEcuEntry(l.engineCodes, probe) >= 0)
            continue;
        l.ecus[e].hasEngineCodes = true;
        l.engineCodes.push_back(probe);
        if (FindEcuEntry(l.engineCodes, l.ecus[e]) < 0) {
            if (s < 0)
                s = FindEcuEntry(l.partNumbers, l.ecus[e]);
            TEcuEntry first = l.ecus[e];
            first.parentIndex = s;
            l.engineCodes.push_back(first);
        }
    }
    return l;
}

void ExpectSameList(const TEcuList& actual, const TEcuList& expected, const std::string& name) {
    ASSERT_EQ(actual.size(), expected.size()) << name;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TEcuEntry& a = actual[i];
        const TEcuEntry& x = expected[i];
        SCOPED_TRACE(name + " entry " + std::to_string(i));
        EXPECT_EQ(a.recordIndex, x.recordIndex);
        EXPECT_EQ(a.parentIndex, x.parentIndex);
        EXPECT_EQ(a.hasPartNumbers, x.hasPartNumbers);
        EXPECT_EQ(a.hasEngineCodes, x.hasEngineCodes);
        EXPECT_TRUE(a.ecuText1 == x.ecuText1 && a.ecuName == x.ecuName && a.ecuText2 == x.ecuText2 &&
                    a.ecuText3 == x.ecuText3 && a.partNumber == x.partNumber && a.engineCode == x.engineCode);
    }
}

} // namespace

// Records drawn from a few texts each, so that ECUs, part numbers and engine codes repeat in
// every order, in more records than one read takes.
TEST_F(EcuListsTest, TheListsAreThoseOfSearchingEachListFromItsFirstEntry) {
    constexpr int Records = 700;
    const char* const texts1[] = {"MOTORE", "ABS"};
    const char* const names[] = {"BOSCH", "TRW", "bosch"};
    const char* const texts3[] = {"ME7", "ME7 "};
    const char* const partNumbers[] = {"P1", "P2", "P3", ""};
    const char* const engineCodes[] = {"E1", "E2", "E3"};
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        WorkingFolder fresh;
        std::mt19937 random(seed);
        const auto pick = [&](const auto& choices) {
            return std::string(choices[random() % std::size(choices)]);
        };
        tables.ecus.clear();
        std::vector<TEcuEntry> records;
        for (int i = 0; i < Records; ++i) {
            EcuFields f;
            f.text1 = pick(texts1);
            f.name = pick(names);
            f.text2 = "INIEZIONE";
            f.text3 = pick(texts3);
            f.partNumber = pick(partNumbers);
            f.engineCode = pick(engineCodes);
            tables.ecus.push_back(EcuRecord(f));
            EcuSelectionRecord raw;
            std::memcpy(raw.bytes, tables.ecus.back().Bytes().data(), sizeof raw.bytes);
            records.push_back(TEcuEntry::FromRecord(raw, i));
        }
        tables.ecus.push_back(EcuRecord(EngineEcu(P1, E1, "0400"))); // another vehicle's
        tables.systems = {System(VehicleKey, "30", EcuAt(0)), System(OtherKey, "40", EcuAt(Records))};
        auto db = OpenAtSystem(0);
        const SearchedLists expected = GroupedBySearching(records);
        ExpectSameList(db->BuildEcuLists(), expected.ecus, "ECU list");
        ExpectSameList(db->PartNumberList(), expected.partNumbers, "part-number list");
        ExpectSameList(db->EngineCodeList(), expected.engineCodes, "engine-code list");
    }
}
