// The vehicle and ECU selection functions in-process, on the generated database and texts: what
// a wrong kind, a failed or repeated choice, a long list and the ECU's name, address and note
// rules leave in the host's records and in the link's selected ECU. The whole walk through the
// built library is SelectionLibraryTest.cpp.
#include "CatalogueLoading.h"
#include "EcuRecordFill.h"
#include "LinkExports.h"
#include "SelectionFixture.h"
#include "VehicleChoices.h"
#include "VehicleExports.h"

#include <cstdio>
#include <string>

using namespace Selection;
using Catalogue::VehicleChoices;
using VehicleDb::Ecu::Name;

namespace {

constexpr std::uint8_t Car = 0;
constexpr std::uint8_t Motorbike = 1;
constexpr std::uint8_t Truck = 2;
constexpr std::int32_t None = VehicleChoices::None;

using List = HostList<ListRecord>;
using Ecu = HostEcu<EcuRecord>;

std::string Describe(const VehicleChoices& c) {
    return std::to_string(c.maker) + "/" + std::to_string(c.fuel) + "/" + std::to_string(c.model);
}

class SelectionExports : public testing::Test {
protected:
    void SetUp() override {
        CatalogueFixture::ResetCatalogue();
        Catalogue::KeepVehicleChoices({});
        WriteTexts();
        Catalogue::InitDbText(Language, CodecOn);
    }
    void TearDown() override { CatalogueFixture::ResetCatalogue(); }

    void WriteDatabase(const char* folder = VehicleDb::CarFolder) { tables.WriteTo(folder); }

    // Maker, fuel, model and version 0, the vehicle identified.
    void Identify(List& list) {
        ASSERT_TRUE(VehicleExports::MakerList(Car, list.get()));
        list.SetIndex(ListLayout::MakerIndex, 0);
        ASSERT_TRUE(VehicleExports::FuelList(Car, list.get()));
        list.SetIndex(ListLayout::FuelIndex, 0);
        ASSERT_TRUE(VehicleExports::ModelList(Car, list.get()));
        list.SetIndex(ListLayout::ModelIndex, 0);
        ASSERT_TRUE(VehicleExports::VersionList(Car, list.get()));
        list.SetIndex(ListLayout::VersionIndex, 0);
        ASSERT_TRUE(VehicleExports::SetVersion(Car, list.get()));
    }
    // The ECU list of system s of the identified vehicle.
    void ListEcus(std::uint32_t s) {
        List list;
        Identify(list);
        ASSERT_TRUE(VehicleExports::GetPlantList(list.get()));
        ASSERT_TRUE(VehicleExports::SetPlantSelected(s));
        ASSERT_TRUE(VehicleExports::GetEcuList(list.get()));
    }

    VehicleDb::WorkingFolder work;
    VehicleDb::Tables tables = SelectionDatabase();
};

TEST_F(SelectionExports, AKindWithoutAFolderAnswersFalseBeforeAnythingElse) {
    WriteDatabase();
    List list;
    ASSERT_TRUE(VehicleExports::MakerList(Car, list.get()));
    list.SetIndex(ListLayout::MakerIndex, Fiat);
    list.SetIndex(ListLayout::FuelIndex, 0);
    list.SetIndex(ListLayout::ModelIndex, 0);
    list.SetIndex(ListLayout::VersionIndex, 0);
    const Bytes before = list.bytes();
    for (const std::uint8_t kind : {std::uint8_t{3}, std::uint8_t{255}}) {
        SCOPED_TRACE(kind);
        EXPECT_FALSE(VehicleExports::MakerList(kind, list.get()));
        EXPECT_FALSE(VehicleExports::FuelList(kind, list.get()));
        EXPECT_FALSE(VehicleExports::ModelList(kind, list.get()));
        EXPECT_FALSE(VehicleExports::VersionList(kind, list.get()));
        EXPECT_FALSE(VehicleExports::SetVersion(kind, list.get()));
        EXPECT_EQ(list.bytes(), before);
    }
    // The open car database stayed, and once open it answers to any of the three kinds.
    const Bytes fuels = list.Expected({Diesel, QString()});
    ASSERT_TRUE(VehicleExports::FuelList(Truck, list.get()));
    EXPECT_EQ(list.bytes(), fuels);
    EXPECT_TRUE(VehicleExports::ModelList(Motorbike, list.get()));
}

TEST_F(SelectionExports, ADatabaseThatDoesNotOpenAnswersFalse) {
    WriteDatabase();
    tables.omitted.insert(VehicleDb::SchemeFile);
    WriteDatabase(VehicleDb::MotorbikeFolder);
    List list;
    list.SetIndex(ListLayout::MakerIndex, 0);
    const Bytes before = list.bytes();
    EXPECT_FALSE(VehicleExports::MakerList(Motorbike, list.get()));
    // The car database was replaced all the same: nothing is open now.
    EXPECT_FALSE(VehicleExports::FuelList(Motorbike, list.get()));
    EXPECT_FALSE(VehicleExports::GetPlantList(list.get()));
    EXPECT_EQ(list.bytes(), before);
    // While it is not open, the kind of the call names the folder to open.
    const Bytes fuels = list.Expected({Petrol});
    EXPECT_TRUE(VehicleExports::FuelList(Car, list.get()));
    EXPECT_EQ(list.bytes(), fuels);
}

TEST_F(SelectionExports, AFailedChoiceChangesNothingAndLeavesNoLowerChoice) {
    WriteDatabase();
    List list;
    ASSERT_TRUE(VehicleExports::MakerList(Car, list.get()));
    list.SetIndex(ListLayout::MakerIndex, Fiat);
    ASSERT_TRUE(VehicleExports::FuelList(Car, list.get()));
    list.SetIndex(ListLayout::FuelIndex, 0);
    ASSERT_TRUE(VehicleExports::ModelList(Car, list.get()));
    ASSERT_EQ(Catalogue::KeptVehicleChoices(), (VehicleChoices{Fiat, 0, None}));

    // A maker beyond the table: false, the record and the kept choices as they were.
    for (const std::int32_t maker : {2, -1}) {
        list.SetIndex(ListLayout::MakerIndex, maker);
        const Bytes before = list.bytes();
        EXPECT_FALSE(VehicleExports::FuelList(Car, list.get())) << maker;
        EXPECT_EQ(list.bytes(), before);
        EXPECT_EQ(Catalogue::KeptVehicleChoices(), (VehicleChoices{Fiat, 0, None}))
            << Describe(Catalogue::KeptVehicleChoices());
    }

    // A fuel beyond the table: the kept fuel is dropped, so the versions cannot be listed
    // under the fuel chosen before.
    list.SetIndex(ListLayout::FuelIndex, 3);
    const Bytes before = list.bytes();
    EXPECT_FALSE(VehicleExports::ModelList(Car, list.get()));
    EXPECT_EQ(Catalogue::KeptVehicleChoices(), (VehicleChoices{Fiat, None, None}))
        << Describe(Catalogue::KeptVehicleChoices());
    EXPECT_EQ(list.bytes(), before);
    // (The database still holds the fuel, so the version list still comes from it until the
    // vehicle is identified and the kept fuel must be chosen again.)
    list.SetIndex(ListLayout::ModelIndex, 0);
    ASSERT_TRUE(VehicleExports::VersionList(Car, list.get()));
    list.SetIndex(ListLayout::VersionIndex, 0);
    ASSERT_TRUE(VehicleExports::SetVersion(Car, list.get()));
    const Bytes identified = list.bytes();
    EXPECT_FALSE(VehicleExports::VersionList(Car, list.get()));
    EXPECT_FALSE(VehicleExports::SetVersion(Car, list.get()));
    EXPECT_EQ(list.bytes(), identified);
}

TEST_F(SelectionExports, AfterIdentificationTheListsChooseTheKeptLevelsAgain) {
    WriteDatabase();
    List list;
    Identify(list);
    EXPECT_EQ(VehicleExports::VehicleType(), VehicleDb::VehicleType);
    // Identification forgot maker, fuel and model in the database; the versions of the kept
    // model are listed all the same, and a version chosen again.
    const Bytes expected = list.Expected({QStringLiteral("1.4 TB")});
    ASSERT_TRUE(VehicleExports::VersionList(Car, list.get()));
    EXPECT_EQ(list.bytes(), expected);
    EXPECT_TRUE(VehicleExports::SetVersion(Car, list.get()));
}

TEST_F(SelectionExports, ANewMakerListKeepsTheChoicesForTheNewDatabase) {
    WriteDatabase();
    // A truck database whose second maker has one fuel with one model.
    VehicleDb::Tables trucks = tables;
    trucks.makers = {VehicleDb::Maker("DAF", 0), VehicleDb::Maker("IVECO", 10)};
    trucks.fuels = {VehicleDb::Fuel('1', 0), VehicleDb::Fuel('2', 26)};
    trucks.models = {VehicleDb::Model("XF", 0), VehicleDb::Model("DAILY", 66)};
    trucks.WriteTo(VehicleDb::TruckFolder);

    List list;
    ASSERT_TRUE(VehicleExports::MakerList(Car, list.get()));
    list.SetIndex(ListLayout::MakerIndex, Fiat);
    ASSERT_TRUE(VehicleExports::FuelList(Car, list.get()));
    Bytes expected = list.Expected({QStringLiteral("DAF"), QStringLiteral("IVECO")});
    ASSERT_TRUE(VehicleExports::MakerList(Truck, list.get()));
    EXPECT_EQ(list.bytes(), expected);
    // The kept maker (1) is chosen on the truck database: IVECO's model.
    list.SetIndex(ListLayout::FuelIndex, 0);
    expected = list.Expected({QStringLiteral("DAILY")});
    ASSERT_TRUE(VehicleExports::ModelList(Truck, list.get()));
    EXPECT_EQ(list.bytes(), expected);
}

TEST_F(SelectionExports, AListHoldsAtMostAHundredEntries) {
    constexpr int Makers = 150;
    tables.makers.clear();
    std::vector<QString> first100;
    for (int i = 0; i < Makers; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "MAKER %03d", i);
        tables.makers.push_back(VehicleDb::Maker(name, 0));
        if (i < static_cast<int>(ListLayout::Entries))
            first100.push_back(QString::fromLatin1(name));
    }
    // One ECU of 120 records, each with a part number of its own.
    constexpr int Records = 120;
    tables.ecus.clear();
    for (int i = 0; i < Records; ++i) {
        char partNumber[16];
        std::snprintf(partNumber, sizeof partNumber, "PN%03d", i);
        tables.ecus.push_back(VehicleDb::EcuRecord(VehicleDb::EngineEcu(partNumber, VehicleDb::E1, "0077")));
    }
    tables.systems = {VehicleDb::System(VehicleDb::VehicleKey, "30", 0)};
    WriteDatabase();

    List list;
    const Bytes expected = list.Expected(first100);
    ASSERT_TRUE(VehicleExports::MakerList(Car, list.get()));
    EXPECT_EQ(list.bytes(), expected);

    ListEcus(0);
    ASSERT_TRUE(VehicleExports::GetPartNumberList(0, list.get()));
    EXPECT_EQ(list.Count(), ListLayout::Entries);
    // The host can choose only what it was shown.
    EXPECT_TRUE(VehicleExports::GetMotorCodeList(ListLayout::Entries - 1, list.get()));
    EXPECT_FALSE(VehicleExports::GetMotorCodeList(ListLayout::Entries, list.get()));
}

TEST_F(SelectionExports, AnEcuWithoutPartNumbersIsChosenThroughIndexZero) {
    WriteDatabase();
    ListEcus(System10);
    List list;
    const Bytes before = list.bytes();
    EXPECT_FALSE(VehicleExports::GetPartNumberList(Climate, list.get()));
    EXPECT_FALSE(VehicleExports::GetMotorCodeList(0, list.get()));
    EXPECT_EQ(list.bytes(), before);
    Ecu ecu;
    const Bytes expected = ecu.Expected(tables.ecus[4], {true, ClimateName.left(16), NoAddress, QString()});
    EXPECT_EQ(VehicleExports::SetEcuSelected(0, ecu.get()), VehicleExports::EcuSelected);
    EXPECT_EQ(ecu.bytes(), expected);
    const EcuSelectionRecord selected = LinkExports::EcuSelection();
    EXPECT_EQ(std::string(selected.bytes, EcuSelectionRecord::Size), tables.ecus[4].Bytes());
}

TEST_F(SelectionExports, IndexesBeyondTheirListsSelectNothing) {
    WriteDatabase();
    ListEcus(System30);
    List list;
    Ecu ecu;
    // The engine ECU: part numbers P2, P1; P1's engine codes E1, E3.
    ASSERT_TRUE(VehicleExports::GetPartNumberList(0, list.get()));
    const Bytes before = list.bytes();
    EXPECT_FALSE(VehicleExports::GetMotorCodeList(2, list.get()));
    EXPECT_EQ(list.bytes(), before);
    ASSERT_TRUE(VehicleExports::GetMotorCodeList(ShownP1, list.get()));
    EXPECT_EQ(VehicleExports::SetEcuSelected(2, ecu.get()), VehicleExports::EcuNotSelected);
    EXPECT_EQ(ecu.bytes(), ecu.NotFound());

    // An ECU beyond the list: every later step fails.
    EXPECT_FALSE(VehicleExports::GetPartNumberList(1, list.get()));
    EXPECT_FALSE(VehicleExports::GetMotorCodeList(0, list.get()));
    EXPECT_EQ(VehicleExports::SetEcuSelected(0, ecu.get()), VehicleExports::EcuNotSelected);

    // Choosing the ECU again drops the engine codes shown for its part number before.
    ASSERT_TRUE(VehicleExports::GetPartNumberList(0, list.get()));
    EXPECT_EQ(VehicleExports::SetEcuSelected(ShownE3, ecu.get()), VehicleExports::EcuNotSelected);

    // Missing records.
    EXPECT_FALSE(VehicleExports::GetPartNumberList(0, nullptr));
    EXPECT_FALSE(VehicleExports::GetPlantList(nullptr));
    EXPECT_FALSE(VehicleExports::MakerList(Car, nullptr));
    EXPECT_EQ(VehicleExports::SetEcuSelected(0, nullptr), VehicleExports::EcuNotSelected);
}

TEST_F(SelectionExports, NothingToListBeforeTheLevelAbove) {
    WriteDatabase();
    List list;
    ASSERT_TRUE(VehicleExports::MakerList(Car, list.get()));
    const Bytes before = list.bytes();
    EXPECT_FALSE(VehicleExports::GetPlantList(list.get())); // no vehicle identified
    EXPECT_FALSE(VehicleExports::SetPlantSelected(0));
    EXPECT_EQ(list.bytes(), before);
    // No system chosen: an empty ECU list, in which no ECU can be chosen.
    const Bytes empty = list.Expected({});
    EXPECT_TRUE(VehicleExports::GetEcuList(list.get()));
    EXPECT_EQ(list.bytes(), empty);
    EXPECT_FALSE(VehicleExports::GetPartNumberList(0, list.get()));
    Ecu ecu;
    EXPECT_EQ(VehicleExports::SetEcuSelected(0, ecu.get()), VehicleExports::EcuNotSelected);
}

// The name of the selected ECU (the climate ECU's name field rewritten) by vehicle type.
struct NameCase {
    const char* vehicleType; // TabIDVet.dat's field
    const char* nameField;
    std::int32_t result;
    std::optional<QString> name; // none: not written
};

TEST_F(SelectionExports, TheEcuNameByVehicleType) {
    const NameCase cases[] = {
        {" 7", "\"\"12", VehicleExports::EcuSelected, ClimateName.left(16)},
        {" 7", "\"5", VehicleExports::EcuSelected, InjectionName.left(16)},
        {" 7", "\"\"  4 SRS", VehicleExports::EcuSelected, AirbagName},
        {" 7", "12", VehicleExports::EcuSelected, ClimateName.left(16)},
        {" 7", "\"\"100", VehicleExports::EcuSelected, QString()}, // db.txt lacks it
        {" 7", "\"\"101", VehicleExports::EcuNotSelected, std::nullopt},
        {" 7", "\"\"0", VehicleExports::EcuNotSelected, std::nullopt},
        {" 7", "VALEO", VehicleExports::EcuNotSelected, std::nullopt},
        {"3 ", "VALEO", VehicleExports::EcuSelected, QStringLiteral("VALEO")},
        {"3 ", "\"\"12", VehicleExports::EcuSelected, ClimateName.left(16)},
        {"3 ", "\"\" 5 ", VehicleExports::EcuSelected, InjectionName.left(16)},
        {"3 ", "\"\"5X", VehicleExports::EcuSelected, QString()}, // not a number: text 0
        {"3 ", "\"5", VehicleExports::EcuSelected, QStringLiteral("\"5")},
        {"3 ", "SIXTEEN CHARS 16", VehicleExports::EcuSelected, QStringLiteral("SIXTEEN CHARS 16")},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(std::string(c.vehicleType) + " " + c.nameField);
        tables.vehicleIds[1].Text(VehicleDb::At::IdType, 2, c.vehicleType);
        tables.ecus[4].Text(Name, c.nameField);
        WriteDatabase();
        // What the link held before: a failed selection leaves it.
        VehicleDb::EcuFields earlier;
        earlier.text1 = "EARLIER";
        const std::string earlierBytes = VehicleDb::EcuRecord(earlier).Bytes();
        EcuSelectionRecord record;
        std::memcpy(record.bytes, earlierBytes.data(), EcuSelectionRecord::Size);
        LinkExports::SetEcuSelection(record);

        ListEcus(System10);
        List list;
        EXPECT_FALSE(VehicleExports::GetPartNumberList(Climate, list.get()));
        EXPECT_FALSE(VehicleExports::GetMotorCodeList(0, list.get()));
        Ecu ecu;
        const bool found = c.result != VehicleExports::EcuNotSelected;
        const Bytes expected = ecu.Expected(tables.ecus[4], {found, c.name, NoAddress, QString()});
        EXPECT_EQ(VehicleExports::SetEcuSelected(0, ecu.get()), c.result);
        EXPECT_EQ(ecu.bytes(), expected);
        EXPECT_EQ(std::string(LinkExports::EcuSelection().bytes, EcuSelectionRecord::Size),
                  found ? tables.ecus[4].Bytes() : earlierBytes);
    }
}

// Address bytes from the two address texts and the two compare texts.
struct AddressCase {
    const char* first;
    const char* second;
    const char* compare1;
    const char* compare2;
    std::array<std::uint8_t, 4> address;
};

TEST(SelectionAddress, AddressBytes) {
    const AddressCase cases[] = {
        {"102", "215", "CAN", "CAN", {1, 1, 14, 2}},
        {"102", "215", "CAN", "KWP", {1, 1, 255, 255}},
        {"102", "215", "", "", {1, 1, 14, 2}},
        {"0", "215", "CAN", "CAN", {255, 255, 255, 255}},
        {"", "215", "CAN", "CAN", {255, 255, 255, 255}},
        {"001", "100", "CAN", "CAN", {0, 0, 255, 1}},
        {"102", "0", "CAN", "CAN", {1, 1, 255, 0}},
        {"102", "", "CAN", "CAN", {1, 1, 255, 0}},
        {"7", "215", "X", "Y", {255, 7, 255, 255}},
        {"1A2", "215", "X", "Y", {255, 1, 255, 255}},
        {" 02", "215", "X", "Y", {1, 0, 255, 255}},
        {"999", "215", "X", "Y", {98, 9, 255, 255}},
    };
    for (const AddressCase& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " " + c.second + " " + c.compare1 + " " + c.compare2);
        VehicleDb::EcuFields f;
        f.firstAddress = c.first;
        f.secondAddress = c.second;
        f.compare1 = c.compare1;
        f.compare2 = c.compare2;
        const std::string bytes = VehicleDb::EcuRecord(f).Bytes();
        EcuSelectionRecord record;
        std::memcpy(record.bytes, bytes.data(), EcuSelectionRecord::Size);
        EXPECT_EQ(EcuRecordFill::AddressBytes(record), c.address);
    }
}

// The note of an ECU record: its note name, the note folder of the language and the file.
struct NoteCase {
    const char* what;
    const char* noteName;
    const char* textFolder;
    QByteArray fileBytes; // written as text/ita/note/<file>.txt unless empty
    const char* file;
    QString note;
};

TEST(SelectionNote, NoteText) {
    VehicleDb::WorkingFolder work;
    CatalogueFixture::ResetCatalogue();
    CatalogueCodec::SetCodecName(QStringLiteral("CP1258"));
    const QByteArray longest(499, 'n');
    const NoteCase cases[] = {
        {"two lines", "me7note", "text/ita/", "one\r\ntwo", "me7note", QStringLiteral("one\r two")},
        {"trimmed, lower case", "  ME7Note ", "text/ita/", "x\ny\n", "me7note", QStringLiteral("x y ")},
        {"folder without its slash", "me7note", "text/ita", "x", "me7note", QStringLiteral("x")},
        {"the code page", "euro", "text/ita/", "\x80 5", "euro", QStringLiteral("\u20AC 5")},
        {"499 characters", "long", "text/ita/", longest, "long", QString::fromLatin1(longest)},
        {"500 characters", "long", "text/ita/", longest + 'n', "long", QString()},
        {"no file", "missing", "text/ita/", "", "", QString()},
        {"no name", "   ", "text/ita/", "x", "", QString()},
        {"no language folder", "me7note", "", "x", "me7note", QString()},
        {"a path, not a name", "../../secret", "text/ita/", "", "", QString()},
    };
    CatalogueFixture::WriteFile(QStringLiteral("text/secret.txt"), "secret");
    for (const NoteCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.fileBytes.isEmpty() && *c.file != 0)
            CatalogueFixture::WriteFile(QStringLiteral("text/ita/note/%1.txt").arg(QLatin1String(c.file)), c.fileBytes);
        VehicleDb::EcuFields f;
        f.noteName = c.noteName;
        const std::string bytes = VehicleDb::EcuRecord(f).Bytes();
        EcuSelectionRecord record;
        std::memcpy(record.bytes, bytes.data(), EcuSelectionRecord::Size);
        EXPECT_EQ(EcuRecordFill::NoteText(record, QString::fromLatin1(c.textFolder)), c.note);
    }
    CatalogueFixture::ResetCatalogue();
}

} // namespace
