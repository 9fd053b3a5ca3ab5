// The built libkrix_interface.so, loaded with dlopen, walked as a tester host walks it: texts,
// maker, fuel, model, version, systems, ECUs, part numbers, engine codes and the ECU's record,
// every record checked byte for byte; then the device initialisation for the chosen ECU
// against the emulated device. Also what a wrong kind, a new maker list, a new driver thread
// and new database texts do to the host's choices. The driver thread runs beside the test.
#include "CatalogueApi.h"
#include "LibraryFixture.h"
#include "SelectionApi.h"
#include "SelectionFixture.h"
#include "SelectionLibrary.h"

#include <array>

using namespace Selection;

namespace {

constexpr std::uint8_t Car = 0;
constexpr std::size_t StatusTextRoom = 360;
constexpr std::size_t ProgramSize = 700;
constexpr char EngineLetter = 'A';
constexpr std::uint8_t NoSuchKind = 3;

using List = HostList<ListRecord>;
using Ecu = HostEcu<EcuRecord>;

// The texts of a list as the host expects them.
std::vector<QString> Texts(std::initializer_list<const char*> texts) {
    std::vector<QString> out;
    for (const char* t : texts)
        out.push_back(QString::fromLatin1(t));
    return out;
}

class SelectionLibraryTest : public LibraryFixture<SelectionLibrary> {
protected:
    void SetUp() override {
        LibraryFixture::SetUp();
        if (HasFatalFailure())
            return;
        tables.WriteTo(VehicleDb::CarFolder);
        WriteTexts();
    }

    // A list call that must succeed and leave exactly these texts.
    template <typename Call> void ExpectList(List& list, Call call, const std::vector<QString>& texts) {
        const Bytes expected = list.Expected(texts);
        ASSERT_TRUE(call(list.get()));
        EXPECT_EQ(list.bytes(), expected);
    }
    // A list call that must fail and leave the record as it was.
    template <typename Call> void ExpectRefused(List& list, Call call) {
        const Bytes before = list.bytes();
        EXPECT_FALSE(call(list.get()));
        EXPECT_EQ(list.bytes(), before);
    }
    auto Kind(bool (*f)(std::uint8_t, ListRecord*), std::uint8_t kind = Car) {
        return [f, kind](ListRecord* l) { return f(kind, l); };
    }
    auto At(bool (*f)(std::uint32_t, ListRecord*), std::uint32_t index) {
        return [f, index](ListRecord* l) { return f(index, l); };
    }

    // Down to the version of the walk: FIAT, its first fuel, PUNTO, its version; identified.
    void Identify(List& list) {
        ExpectList(list, Kind(lib.makerList), Texts({"ALFA ROMEO", "FIAT"}));
        list.SetIndex(ListLayout::MakerIndex, Fiat);
        ExpectList(list, Kind(lib.fuelList), {Diesel, QString()}); // fuel code 3 has no text
        list.SetIndex(ListLayout::FuelIndex, 0);
        ExpectList(list, Kind(lib.modelList), Texts({"PUNTO"}));
        list.SetIndex(ListLayout::ModelIndex, 0);
        ExpectList(list, Kind(lib.versionList), Texts({"1.4 TB MULTIAIR"}));
        list.SetIndex(ListLayout::VersionIndex, 0);
        const Bytes before = list.bytes();
        ASSERT_TRUE(lib.setVersion(Car, list.get()));
        EXPECT_EQ(list.bytes(), before);
    }

    VehicleDb::Tables tables = SelectionDatabase();
};

} // namespace

TEST_F(SelectionLibraryTest, AHostWalksTheSelectionAndInitialisesTheChosenEcu) {
    const Bytes program = folder.WriteProgram(EngineProgram, ProgramSize);
    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));
    lib.initDbText(Language, CodecOn);

    List list;
    Identify(list);
    ExpectList(list, [&](ListRecord* l) { return lib.getPlantList(l); }, {SafetyPlant, GearboxPlant, EnginePlant});
    const auto ecuList = [&](ListRecord* l) { return lib.getEcuList(l); };

    // System 20: the gearbox, named by its own name. The vehicle is of type 7, whose ECUs
    // must be named by a database text: the gearbox cannot be selected, and its record gets
    // only the five texts written before the name.
    ASSERT_TRUE(lib.setPlantSelected(System20));
    ExpectList(list, ecuList, {GearboxLine});
    ExpectList(list, At(lib.getPartNumberList, 0), Texts({"55577001"}));
    ExpectList(list, At(lib.getMotorCodeList, 0), Texts({"940B"}));
    Ecu gearbox;
    Bytes expected = gearbox.Expected(tables.ecus[6], {false, std::nullopt, {}, {}});
    EXPECT_EQ(lib.setEcuSelected(0, gearbox.get()), 0);
    EXPECT_EQ(gearbox.bytes(), expected);

    // System 10: two ECUs named by database texts; the airbag has no part numbers and the
    // letter "@".
    ASSERT_TRUE(lib.setPlantSelected(System10));
    ExpectList(list, ecuList, {AirbagLine, ClimateLine});
    ExpectRefused(list, At(lib.getPartNumberList, Airbag));
    ExpectRefused(list, At(lib.getMotorCodeList, 0));
    Ecu airbag;
    expected = airbag.Expected(tables.ecus[3], {true, AirbagName, NoAddress, QString()});
    EXPECT_EQ(lib.setEcuSelected(0, airbag.get()), 10);
    EXPECT_EQ(airbag.bytes(), expected);

    // System 30: the engine ECU of three records, its list text cut to 70 characters; part
    // numbers P2, P1; P1's engine codes E1, E3; E3 is record R3.
    ASSERT_TRUE(lib.setPlantSelected(System30));
    ExpectList(list, ecuList, {EngineLine.left(ListTextLimit)});
    ExpectList(list, At(lib.getPartNumberList, 0), Texts({VehicleDb::P2, VehicleDb::P1}));
    ExpectList(list, At(lib.getMotorCodeList, ShownP1), Texts({VehicleDb::E1, VehicleDb::E3}));
    Ecu engine;
    expected = engine.Expected(tables.ecus[2], {true, InjectionName.left(16), EngineAddress, NoteShown});
    EXPECT_EQ(lib.setEcuSelected(ShownE3, engine.get()), 1);
    EXPECT_EQ(engine.bytes(), expected);

    // The device is initialised for R3: its program, letter and multiplexer.
    ASSERT_EQ(lib.InitComKrix(0), 0);
    std::array<std::uint16_t, StatusTextRoom> text{};
    ASSERT_EQ(lib.PollStatusInitKrix(text.data()), 0);
    EXPECT_EQ(emulator.ProgramImage(), ProgramFolder::Loaded(program));
    emulator.Inspect([](const KrixEmu::DeviceModel& m) {
        EXPECT_EQ(m.Letter(), EngineLetter);
        EXPECT_EQ(m.MuxRecord(), (std::array<std::uint8_t, 5>{EngineMuxLine, EngineMuxValue >> 24 & 0xFF,
                                                               EngineMuxValue >> 16 & 0xFF, EngineMuxValue >> 8 & 0xFF,
                                                               EngineMuxValue & 0xFF}));
    });
}

TEST_F(SelectionLibraryTest, KindsAndChoicesAsAHostMeetsThem) {
    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));
    lib.initDbText(Language, CodecOn);
    List list;
    list.SetIndex(ListLayout::MakerIndex, Fiat);
    list.SetIndex(ListLayout::FuelIndex, 0);

    // A kind that names no database.
    ExpectRefused(list, Kind(lib.makerList, NoSuchKind));
    ExpectRefused(list, Kind(lib.fuelList, NoSuchKind));

    // A new maker list keeps the maker chosen before: the models come at once.
    ExpectList(list, Kind(lib.makerList), Texts({"ALFA ROMEO", "FIAT"}));
    ExpectList(list, Kind(lib.fuelList), {Diesel, QString()});
    ExpectList(list, Kind(lib.makerList), Texts({"ALFA ROMEO", "FIAT"}));
    ExpectList(list, Kind(lib.modelList), Texts({"PUNTO"}));

    // New database texts drop the part numbers shown before.
    Identify(list);
    ASSERT_TRUE(lib.getPlantList(list.get()));
    ASSERT_TRUE(lib.setPlantSelected(System30));
    ASSERT_TRUE(lib.getEcuList(list.get()));
    ASSERT_TRUE(lib.getPartNumberList(0, list.get()));
    lib.initDbText(Language, CodecOn);
    ExpectRefused(list, At(lib.getMotorCodeList, ShownP1));

    // A new driver thread forgets the maker: the models wait for a maker chosen again.
    ASSERT_TRUE(lib.DeleteThreadKrix());
    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));
    lib.initDbText(Language, CodecOn); // the end of the old thread freed the texts
    ExpectList(list, Kind(lib.makerList), Texts({"ALFA ROMEO", "FIAT"}));
    ExpectRefused(list, Kind(lib.modelList));
    ExpectList(list, Kind(lib.fuelList), {Diesel, QString()});
    ExpectList(list, Kind(lib.modelList), Texts({"PUNTO"}));
}

TEST_F(SelectionLibraryTest, ExportsTheSelectionAndNothingOfItsInside) {
    for (const char* inside : {"_ZN14VehicleExports9MakerListEhP10ListRecord", "_ZN9Catalogue20ForgetVehicleChoicesEv",
                               "_ZN11LinkExports15SetEcuSelectionERK18EcuSelectionRecord",
                               "_ZN16TVehicleDatabase13BuildEcuListsEv"})
        EXPECT_EQ(lib.Symbol(inside), nullptr) << inside;
}
