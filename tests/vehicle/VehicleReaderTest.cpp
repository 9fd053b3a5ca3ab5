// The counts of the current ranges and the readers of names and fuel codes.
#include "VehicleDbFixture.h"

#include <limits>

namespace {

using namespace VehicleDb;

constexpr std::uint32_t MinusOne = std::numeric_limits<std::uint32_t>::max();

TEST_F(VehicleDbTest, FuelRangesFollowTheLinksUpToTheNextMakerOrTheEndOfTheFile) {
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->IsOpen());
    EXPECT_EQ(db->FuelCount(), 3u) << "no maker chosen: the whole table";

    ASSERT_TRUE(db->SelectMaker(0));
    EXPECT_EQ(db->FuelRange().start, 0);
    EXPECT_EQ(db->FuelRange().end, 10);
    EXPECT_EQ(db->FuelCount(), 1u);
    EXPECT_EQ(db->FuelCode(0), 1);

    ASSERT_TRUE(db->SelectMaker(1));
    EXPECT_EQ(db->FuelRange().start, 10);
    EXPECT_EQ(db->FuelRange().end, TVehicleDatabase::None) << "the last maker";
    EXPECT_EQ(db->FuelCount(), 2u);
    EXPECT_EQ(db->FuelCode(0), 2);
    EXPECT_EQ(db->FuelCode(1), 3);
}

TEST_F(VehicleDbTest, NamesAreReadUpToTheirNulOrTheirWholeField) {
    tables.makers[0] = Maker("ALFA", 0);
    tables.makers[1] = Maker("ABCDEFGHIJKLMNOPQR", 10);
    tables.models[1] = Model("PUNTO EVO 1.3 MJT ", 66);
    auto db = WriteAndOpen();
    EXPECT_EQ(db->MakerName(0), QStringLiteral("ALFA"));
    EXPECT_EQ(db->MakerName(1), QStringLiteral("ABCDEFGHIJKLMNOPQR"));
    ASSERT_TRUE(db->SelectMaker(1));
    ASSERT_TRUE(db->SelectFuel(0));
    EXPECT_EQ(db->ModelCount(), 1u);
    EXPECT_EQ(db->ModelName(0), QStringLiteral("PUNTO EVO 1.3 MJT "));
    ASSERT_TRUE(db->SelectModel(0));
    EXPECT_EQ(db->VersionCount(), 1u);
    EXPECT_EQ(db->VersionName(0), QStringLiteral("1.4 TB MULTIAIR"));
}

// The readers bound their index by the table's end, in 64 bits; past the table they answer a
// null text or -1, and a record that the file ends inside gives an empty text or -1.
TEST_F(VehicleDbTest, ReadersOutsideTheirTableAnswerNothing) {
    auto db = WriteAndOpen();
    EXPECT_TRUE(db->MakerName(2).isNull());
    EXPECT_TRUE(db->MakerName(MinusOne).isNull());
    EXPECT_EQ(db->FuelCode(3), -1);
    EXPECT_EQ(db->FuelCode(MinusOne), -1);
    EXPECT_TRUE(db->ModelName(2).isNull());
    EXPECT_TRUE(db->VersionName(MinusOne).isNull());

    // Fuels of the last maker start at record 1: index 2 is below the table's count, but its
    // record would lie past the end of the file.
    ASSERT_TRUE(db->SelectMaker(1));
    EXPECT_EQ(db->FuelCode(2), -1);
    ASSERT_TRUE(db->SelectFuel(0)); // models from record 1
    const QString pastTheEnd = db->ModelName(1);
    EXPECT_FALSE(pastTheEnd.isNull());
    EXPECT_TRUE(pastTheEnd.isEmpty());
}

struct LinkCase {
    const char* field; // maker 1's fuel link as the file holds it
    std::int32_t start;
    std::uint32_t fuels;
    std::int32_t firstCode;
};

TEST_F(VehicleDbTest, LinksAreReadLeniently) {
    const LinkCase cases[] = {
        {"00000010", 10, 2, 2},
        {"      10", 10, 2, 2},
        {"+0000010", 10, 2, 2},
        {"10 junk ", 10, 2, 2},
        {"", 0, 3, 1},       // no digits: offset 0, to the end of the file
        {"00000020", 20, 1, 3},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.field);
        WorkingFolder fresh;
        tables.makers[1].Text(At::MakerFuelLink, LinkWidth, c.field);
        auto db = WriteAndOpen();
        ASSERT_TRUE(db->SelectMaker(1));
        EXPECT_EQ(db->FuelRange().start, c.start);
        EXPECT_EQ(db->FuelCount(), c.fuels);
        EXPECT_EQ(db->FuelCode(0), c.firstCode);
    }
}

struct RangeCase {
    const char* what;
    std::int64_t maker0Link;
    const char* maker1Link; // the next maker's link ends maker 0's range
    std::uint32_t fuels;    // of maker 0
};

TEST_F(VehicleDbTest, RangeCountsNeverRunPastTheirFileOrBackwards) {
    const RangeCase cases[] = {
        {"an end before its start is empty", 20, "00000010", 0},
        {"an end equal to its start is empty", 10, "00000010", 0},
        {"a negative next link counts one record", 0, "-0000010", 1},
        {"an end past the file stops at the file's end", 10, "00000500", 2},
        {"a start past the file is empty", 500, "00000600", 0},
        {"a negative start is empty", -20, "00000010", 0},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        WorkingFolder fresh;
        tables.makers[0].Text(At::MakerFuelLink, LinkWidth, std::to_string(c.maker0Link));
        tables.makers[1].Text(At::MakerFuelLink, LinkWidth, c.maker1Link);
        auto db = WriteAndOpen();
        ASSERT_TRUE(db->SelectMaker(0));
        EXPECT_EQ(db->FuelCount(), c.fuels);
    }

    // The last maker's range runs to the end of the file; a start past it is empty too.
    WorkingFolder fresh;
    tables = StandardDatabase();
    tables.makers[1].Link(At::MakerFuelLink, 500);
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(1));
    EXPECT_EQ(db->FuelCount(), 0u);
    EXPECT_EQ(db->FuelCode(0), -1);
}

TEST_F(VehicleDbTest, AFuelWithoutModelsHasAnEmptyRange) {
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(1));
    ASSERT_TRUE(db->SelectFuel(1)); // fuel 2: its link is the end of tabModel.dat
    EXPECT_EQ(db->ModelRange().start, 52);
    EXPECT_EQ(db->ModelRange().end, TVehicleDatabase::None);
    EXPECT_EQ(db->ModelCount(), 0u);
}

} // namespace
