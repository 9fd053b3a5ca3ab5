// Choosing maker, fuel, model and version, identifying the vehicle, and its systems.
#include "VehicleDbFixture.h"

#include <functional>
#include <limits>

namespace {

using namespace VehicleDb;

constexpr std::uint32_t MinusOne = std::numeric_limits<std::uint32_t>::max();

// The choice as a whole, to show that a refused choice changes nothing.
struct Choice {
    std::int32_t maker, version;
    TByteRange fuels, models, versions, ecus;
    bool identified;
    bool operator==(const Choice& o) const {
        auto same = [](TByteRange a, TByteRange b) { return a.start == b.start && a.end == b.end; };
        return maker == o.maker && version == o.version && same(fuels, o.fuels) && same(models, o.models) &&
               same(versions, o.versions) && same(ecus, o.ecus) && identified == o.identified;
    }
};

Choice ChoiceOf(const TVehicleDatabase& db) {
    return {db.MakerRecordOffset(), db.VersionRecordOffset(), db.FuelRange(),           db.ModelRange(),
            db.VersionRange(),      db.EcuRange(),            db.IsVersionIdentified()};
}

TEST_F(VehicleDbTest, ChoosingDownTheHierarchy) {
    auto db = WriteAndOpen();
    EXPECT_FALSE(db->IsMakerSelected());
    ASSERT_TRUE(db->SelectMaker(1));
    EXPECT_TRUE(db->IsMakerSelected());
    EXPECT_EQ(db->MakerRecordOffset(), 48);
    EXPECT_FALSE(db->IsFuelSelected());

    ASSERT_TRUE(db->SelectFuel(0));
    EXPECT_TRUE(db->IsFuelSelected());
    EXPECT_EQ(db->ModelRange().start, 26);
    EXPECT_EQ(db->ModelRange().end, 52);
    EXPECT_EQ(db->ModelName(0), QStringLiteral("PUNTO"));

    ASSERT_TRUE(db->SelectModel(0));
    EXPECT_TRUE(db->IsModelSelected());
    EXPECT_EQ(db->VersionRange().start, 66);
    EXPECT_EQ(db->VersionRange().end, TVehicleDatabase::None);

    EXPECT_TRUE(db->VehicleKey().isNull());
    ASSERT_TRUE(db->SelectVersion(0));
    EXPECT_EQ(db->VersionRecordOffset(), 66);
    EXPECT_TRUE(db->IsVersionIdentified());
    const TVersionRecord& v = db->VersionRecord();
    EXPECT_EQ(v.name, QStringLiteral("1.4 TB MULTIAIR"));
    EXPECT_EQ(v.systemOffset, 0);
    EXPECT_EQ(v.number2, 2);
    EXPECT_EQ(v.number3, 3);
    EXPECT_EQ(v.number4, 4);
    EXPECT_EQ(db->VehicleKey(), QString::fromLatin1(VehicleKey));

    // A new choice above resets everything below it.
    ASSERT_TRUE(db->SelectMaker(0));
    EXPECT_FALSE(db->IsFuelSelected());
    EXPECT_FALSE(db->IsModelSelected());
    EXPECT_EQ(db->EcuRange().start, TVehicleDatabase::None);
    EXPECT_EQ(db->FuelCount(), 1u);
}

TEST_F(VehicleDbTest, AFuelIndexPastTheMakersOwnFuelsChoosesTheNextMakersFuel) {
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(0)); // one fuel, record 0
    ASSERT_TRUE(db->SelectFuel(1));  // record 1, maker 1's first fuel
    EXPECT_EQ(db->ModelRange().start, 26);
    EXPECT_EQ(db->ModelRange().end, 52);
    ASSERT_TRUE(db->SelectMaker(1)); // first fuel record 1: index 0 reads record 1
    ASSERT_TRUE(db->SelectFuel(0));
    EXPECT_EQ(db->ModelRange().start, 26);
}

struct RefusedCase {
    const char* what;
    std::function<void(TVehicleDatabase&)> prepare;
    std::function<bool(TVehicleDatabase&)> choose;
};

TEST_F(VehicleDbTest, ARefusedChoiceChangesNothing) {
    const RefusedCase cases[] = {
        {"a maker past the table", [](TVehicleDatabase&) {}, [](TVehicleDatabase& db) { return db.SelectMaker(2); }},
        {"maker -1", [](TVehicleDatabase&) {}, [](TVehicleDatabase& db) { return db.SelectMaker(MinusOne); }},
        {"a fuel without a maker", [](TVehicleDatabase&) {}, [](TVehicleDatabase& db) { return db.SelectFuel(0); }},
        {"fuel -1", [](TVehicleDatabase& db) { db.SelectMaker(1); },
         [](TVehicleDatabase& db) { return db.SelectFuel(MinusOne); }},
        {"a fuel past the table", [](TVehicleDatabase& db) { db.SelectMaker(1); },
         [](TVehicleDatabase& db) { return db.SelectFuel(2); }},
        {"a model without a fuel", [](TVehicleDatabase& db) { db.SelectMaker(1); },
         [](TVehicleDatabase& db) { return db.SelectModel(0); }},
        {"model -1", [](TVehicleDatabase& db) { db.SelectMaker(1); db.SelectFuel(0); },
         [](TVehicleDatabase& db) { return db.SelectModel(MinusOne); }},
        {"a version without a model", [](TVehicleDatabase& db) { db.SelectMaker(1); db.SelectFuel(0); },
         [](TVehicleDatabase& db) { return db.SelectVersion(0); }},
        {"version -1", [](TVehicleDatabase& db) { db.SelectMaker(1); db.SelectFuel(0); db.SelectModel(0); },
         [](TVehicleDatabase& db) { return db.SelectVersion(MinusOne); }},
        {"a version past the table", [](TVehicleDatabase& db) { db.SelectMaker(1); db.SelectFuel(0); db.SelectModel(0); },
         [](TVehicleDatabase& db) { return db.SelectVersion(1); }},
    };
    auto db = WriteAndOpen();
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.what);
        db->Close();
        ASSERT_TRUE(db->Open(QString::fromLatin1(CarFolder)));
        c.prepare(*db);
        const Choice before = ChoiceOf(*db);
        EXPECT_FALSE(c.choose(*db));
        EXPECT_TRUE(ChoiceOf(*db) == before);
    }
}

TEST_F(VehicleDbTest, IdentificationLandsOnTheFirstVersionWithTheKeyAndResetsTheChoice) {
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(1) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
    ASSERT_EQ(db->VersionRecordOffset(), 66);

    QString text1, text2, text3;
    std::int32_t type = -5;
    ASSERT_TRUE(db->ReadVehicleId(db->VehicleKey(), text1, type, text2, text3));
    EXPECT_EQ(type, VehicleType);
    EXPECT_EQ(text1, QStringLiteral("GIULIETTA 1.4"));
    EXPECT_EQ(text2, QStringLiteral("940A2000"));
    EXPECT_EQ(text3, QStringLiteral("2010"));
    EXPECT_EQ(db->VersionRecordOffset(), 0) << "both versions share the key";
    EXPECT_EQ(db->VersionRecord().name, QStringLiteral("1.4 TB"));
    EXPECT_TRUE(db->IsVersionIdentified());
    EXPECT_FALSE(db->IsMakerSelected());
    EXPECT_FALSE(db->IsFuelSelected());
    EXPECT_FALSE(db->IsModelSelected());
}

// The host's kept indexes choose again what identification reset, on the same database object
// or on a new one over the same folder.
TEST_F(VehicleDbTest, KeptIndexesChooseTheSameRangesAgain) {
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(1) && db->SelectFuel(0) && db->SelectModel(0));
    const Choice chosen = ChoiceOf(*db);
    ASSERT_TRUE(db->SelectVersion(0));
    QString t1, t2, t3;
    std::int32_t type = 0;
    ASSERT_TRUE(db->ReadVehicleId(db->VehicleKey(), t1, type, t2, t3));
    EXPECT_FALSE(db->IsMakerSelected());
    EXPECT_FALSE(db->SelectFuel(0)) << "identification left no maker to choose under";

    auto chooseAgain = [&](TVehicleDatabase& again) {
        ASSERT_TRUE(again.SelectMaker(1) && again.SelectFuel(0) && again.SelectModel(0));
        Choice now = ChoiceOf(again);
        // The identified version stays until another is chosen; the ranges are as before.
        now.version = chosen.version;
        now.identified = chosen.identified;
        EXPECT_TRUE(now == chosen);
        EXPECT_EQ(again.VersionName(0), QStringLiteral("1.4 TB MULTIAIR"));
    };
    chooseAgain(*db);
    TVehicleDatabase fresh(db->FolderPath());
    chooseAgain(fresh);
}

struct IdCase {
    const char* what;
    const char* key;
    bool identified;
    std::int32_t type; // before: 99
};

TEST_F(VehicleDbTest, IdentificationByKey) {
    tables.versions.push_back(Version("1.3 MJT", SystemAt(3), "NOTINTABIDVET"));
    // The end of TabIDVet.dat cut inside a record of the key TAILKEY: never matched.
    tables.versions.push_back(Version("TAIL", SystemAt(3), "TAILKEY"));
    tables.tails[VehicleIdFile] = VehicleId("TAILKEY", "5 ", "", "", "").Bytes().substr(0, 40);
    const IdCase cases[] = {
        {"in both tables", VehicleKey, true, VehicleType},
        {"type with a blank after it", OtherKey, false, OtherVehicleType}, // no version of its own
        {"absent from TabIDVet.dat", "NOTINTABIDVET", true, 99},
        {"in a partial TabIDVet.dat record", "TAILKEY", true, 99},
        {"a prefix of a key", "ZAR940", false, 99},
    };
    auto db = WriteAndOpen();
    for (const IdCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(db->SelectMaker(0));
        QString text1 = QStringLiteral("kept");
        QString text2, text3;
        std::int32_t type = 99;
        EXPECT_EQ(db->ReadVehicleId(QString::fromLatin1(c.key), text1, type, text2, text3), c.identified);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(text1 == QStringLiteral("kept"), c.type == 99);
        EXPECT_EQ(db->IsVersionIdentified(), c.identified);
        EXPECT_FALSE(db->IsMakerSelected()) << "the choice is reset even when no version has the key";
        if (c.identified) {
            EXPECT_EQ(db->VehicleKey(), QString::fromLatin1(c.key));
        }
    }

    // An empty key is refused before anything changes.
    ASSERT_TRUE(db->SelectMaker(1));
    QString t1, t2, t3;
    std::int32_t type = 99;
    EXPECT_FALSE(db->ReadVehicleId(QString(), t1, type, t2, t3));
    EXPECT_TRUE(db->IsMakerSelected());
    EXPECT_EQ(type, 99);
}

struct TypeCase {
    const char* field;
    std::int32_t type;
};

TEST_F(VehicleDbTest, TheVehicleTypeIsReadStrictly) {
    const TypeCase cases[] = {{" 7", 7}, {"7 ", 7}, {"07", 7}, {"12", 12}, {"  ", 0}, {"7x", 0}, {"-1", 0}, {"", 0}};
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.field);
        WorkingFolder fresh;
        tables.vehicleIds[1].Text(At::IdType, 2, c.field);
        auto db = WriteAndOpen();
        QString t1, t2, t3;
        std::int32_t type = 99;
        ASSERT_TRUE(db->ReadVehicleId(QString::fromLatin1(VehicleKey), t1, type, t2, t3));
        EXPECT_EQ(type, c.type);
    }
}

TEST_F(VehicleDbTest, TheVehiclesSystemsAreSortedByCodeAndKeepTheirPlaceInTheFile) {
    auto db = WriteAndOpen();
    EXPECT_EQ(db->PlantList(), nullptr) << "no vehicle identified";
    ASSERT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
    const TPlantList* plants = db->PlantList();
    ASSERT_NE(plants, nullptr);
    ASSERT_EQ(plants->size(), 3u) << "the other vehicle's record ends the list";
    const std::pair<std::int32_t, std::int32_t> expected[] = {{10, 1}, {20, 2}, {30, 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ((*plants)[i].systemCode, expected[i].first);
        EXPECT_EQ((*plants)[i].ordinal, expected[i].second);
    }
}

struct SystemCodeCase {
    const char* field;
    std::int32_t code;
};

TEST_F(VehicleDbTest, SystemCodesAreReadStrictly) {
    const SystemCodeCase cases[] = {{"10", 10}, {" 10", 10}, {"010", 10}, {"1 0", 0}, {"x10", 0}, {"", 0}};
    for (const SystemCodeCase& c : cases) {
        SCOPED_TRACE(c.field);
        WorkingFolder fresh;
        tables.systems[0].Text(At::SystemCode, 3, c.field); // the only system
        tables.systems.erase(tables.systems.begin() + 1, tables.systems.end());
        auto db = WriteAndOpen();
        ASSERT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
        const TPlantList* plants = db->PlantList();
        ASSERT_NE(plants, nullptr);
        ASSERT_EQ(plants->size(), 1u);
        EXPECT_EQ(plants->front().systemCode, c.code);
    }
}

TEST_F(VehicleDbTest, AVehicleWhoseFirstSystemRecordCarriesAnotherKeyHasNoSystems) {
    tables.versions[0] = Version("1.4 TB", SystemAt(3), VehicleKey);
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
    const TPlantList* plants = db->PlantList();
    ASSERT_NE(plants, nullptr);
    EXPECT_TRUE(plants->empty());
    EXPECT_FALSE(db->SelectPlant(0));
}

TEST_F(VehicleDbTest, ASystemsEcuRangeEndsAtTheNextSystemRecord) {
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
    ASSERT_NE(db->PlantList(), nullptr);
    const std::pair<std::int64_t, std::int64_t> expected[] = {
        {EcuAt(3), EcuAt(5)}, // code 10
        {EcuAt(5), EcuAt(7)}, // code 20: ended by the other vehicle's record
        {EcuAt(0), EcuAt(3)}, // code 30
    };
    for (std::uint32_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(db->SelectPlant(i));
        EXPECT_EQ(db->SelectedPlant(), static_cast<std::int32_t>(i));
        EXPECT_EQ(db->EcuRange().start, expected[i].first);
        EXPECT_EQ(db->EcuRange().end, expected[i].second);
    }
    EXPECT_FALSE(db->SelectPlant(3));
    EXPECT_FALSE(db->SelectPlant(MinusOne));
    EXPECT_EQ(db->SelectedPlant(), 2);
}

TEST_F(VehicleDbTest, TheLastSystemsEcusRunToTheEndOfTheirFile) {
    tables.systems.pop_back();
    tables.tails[EcuFile] = std::string(100, 'x');
    auto db = WriteAndOpen();
    ASSERT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
    ASSERT_NE(db->PlantList(), nullptr);
    ASSERT_TRUE(db->SelectPlant(1)); // code 20, the last record of tabVett.dat
    EXPECT_EQ(db->EcuRange().start, EcuAt(5));
    EXPECT_EQ(db->EcuRange().end, EcuAt(8) + 100);
    EXPECT_EQ(db->BuildEcuLists().size(), 2u) << "records 5 to 7; the partial record is not one";
}

struct EcuOffsetCase {
    const char* field; // the ECU offset of system 30, the vehicle's first record
    std::int32_t start;
};

TEST_F(VehicleDbTest, EcuOffsetsAreReadStrictly) {
    const EcuOffsetCase cases[] = {{"277", 277}, {"     277", 277}, {"277     ", 277}, {"00000277", 277},
                                   {"277x", 0},  {"+277", 0},        {"", 0}};
    for (const EcuOffsetCase& c : cases) {
        SCOPED_TRACE(c.field);
        WorkingFolder fresh;
        tables.systems[0].Text(At::SystemEcuOffset, LinkWidth, c.field);
        auto db = WriteAndOpen();
        ASSERT_TRUE(db->SelectMaker(0) && db->SelectFuel(0) && db->SelectModel(0) && db->SelectVersion(0));
        ASSERT_NE(db->PlantList(), nullptr);
        ASSERT_TRUE(db->SelectPlant(2)); // code 30
        EXPECT_EQ(db->EcuRange().start, c.start);
    }
}

} // namespace
