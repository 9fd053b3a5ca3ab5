// One tester host's whole session through the built libkrix_interface.so, loaded with dlopen,
// against the emulated device, in the host's order: the driver thread, the vehicle and ECU
// choice on a generated database, the texts, the initialisation for the chosen ECU, acquisition
// on, the lists as the initialisation left them, an enable, an activation with its view,
// acquisition off and the end of the thread; after it every export answers its failure value.
// The pieces have walks of their own; this one shows that each leaves what the next expects.
// The driver thread runs beside the test.
#include "ActivationApi.h"
#include "CatalogueApi.h"
#include "LibraryFixture.h"
#include "ListsApi.h"
#include "ListsFixture.h"
#include "SelectionApi.h"
#include "SelectionFixture.h"

#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace Lists = ListsFixture;
namespace ListLayout = Selection::ListLayout;

// The tester functions the walk calls, bound by name beside the link's; each member has the
// name and the type of its export.
#define HOST_FUNCTIONS(X)                                                                                               \
    X(InitDbText) X(MakerList) X(FuelList) X(ModelList) X(VersionList) X(SetVersion) X(GetPlantList)                    \
    X(SetPlantSelected) X(GetEcuList) X(GetPartNumberList) X(GetMotorCodeList) X(SetEcuSelected) X(InitText)            \
    X(StartStop_DataAcquisition) X(NewList) X(ErrorList) X(ParameterList) X(StatusList) X(InfoList)                     \
    X(ParameterListEnable) X(WaitListEnable) X(ActivationsList) X(StartStopActivation) X(ChangeData) X(MessageView)     \
    X(ValueActivation) X(KrixActivationRequest) X(StatusChangeSnap)

struct HostLibrary : LinkLibrary {
    HostLibrary() {
#define HOST_BIND(name) Bind(name, #name);
        HOST_FUNCTIONS(HOST_BIND)
#undef HOST_BIND
    }
#define HOST_MEMBER(name) decltype(&::name) name = nullptr;
    HOST_FUNCTIONS(HOST_MEMBER)
#undef HOST_MEMBER
};

constexpr std::uint8_t Car = 0;
constexpr std::int32_t WrongState = -14;
constexpr std::size_t ProgramSize = 700;
constexpr char EngineLetter = 'A';
constexpr std::uint32_t CheckItem = 40;
constexpr int ActivationListRow = 17;
constexpr std::uint32_t Pump = 5;
constexpr std::uint32_t Fan = 7;

template <typename Record> std::vector<std::uint8_t> BytesOf(const Record& r) {
    std::vector<std::uint8_t> b(sizeof r);
    std::memcpy(b.data(), &r, sizeof r);
    return b;
}

class HostWalk : public LibraryFixture<HostLibrary> {
protected:
    void SetUp() override {
        LibraryFixture::SetUp();
        if (HasFatalFailure())
            return;
        tables.WriteTo(VehicleDb::CarFolder);
        using namespace CatalogueFixture;
        WriteLanguage("ita", Lists::Texts());
        WriteSharedTexts(QByteArray(), DelimitedLine(static_cast<std::int32_t>(Fan), "2"));
        Selection::WriteTexts(); // the database's texts of the same language, over the sample ones
        program = folder.WriteProgram(Selection::EngineProgram, ProgramSize);
        emulator.Configure([](KrixEmu::DeviceModel& m) {
            m.SetIdList(14, {Lists::SpeedId, Lists::TempId});
            m.SetIdList(15, {Lists::SwitchId});
            m.SetIdList(16, {CheckItem});
            m.SetIdList(ActivationListRow, {Pump, Fan});
            m.SetIdList(18, {Lists::RpmLine, Lists::LongUnitLine});
        });
    }

    VehicleDb::Tables tables = Selection::SelectionDatabase();
    KrixEmu::Bytes program;
    std::array<std::uint16_t, 360> statusText{};
};

} // namespace

TEST_F(HostWalk, AHostsWholeSessionRunsToTheEnd) {
    using namespace Selection;
    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));

    // The vehicle: FIAT, its diesel, PUNTO, its version. The ECU: the engine system's injection
    // ECU, part number P1, engine code E3 (database record R3).
    lib.InitDbText(Language, CodecOn);
    HostList<ListRecord> list;
    ASSERT_TRUE(lib.MakerList(Car, list.get()));
    list.SetIndex(ListLayout::MakerIndex, Fiat);
    ASSERT_TRUE(lib.FuelList(Car, list.get()));
    list.SetIndex(ListLayout::FuelIndex, 0);
    ASSERT_TRUE(lib.ModelList(Car, list.get()));
    list.SetIndex(ListLayout::ModelIndex, 0);
    ASSERT_TRUE(lib.VersionList(Car, list.get()));
    list.SetIndex(ListLayout::VersionIndex, 0);
    ASSERT_TRUE(lib.SetVersion(Car, list.get()));
    ASSERT_TRUE(lib.GetPlantList(list.get()));
    ASSERT_TRUE(lib.SetPlantSelected(System30));
    ASSERT_TRUE(lib.GetEcuList(list.get()));
    ASSERT_TRUE(lib.GetPartNumberList(0, list.get()));
    const auto engineCodes = list.Expected({QString::fromLatin1(VehicleDb::E1), QString::fromLatin1(VehicleDb::E3)});
    ASSERT_TRUE(lib.GetMotorCodeList(ShownP1, list.get()));
    EXPECT_EQ(list.bytes(), engineCodes);
    HostEcu<EcuRecord> engine;
    const auto chosen = engine.Expected(tables.ecus[2], {true, InjectionName.left(16), EngineAddress, NoteShown});
    ASSERT_EQ(lib.SetEcuSelected(ShownE3, engine.get()), 1);
    EXPECT_EQ(engine.bytes(), chosen);

    // The diagnosis texts of the host's language.
    EXPECT_EQ(lib.InitText(Lists::Italian, Lists::CodecOn), 1);

    // The initialisation for the chosen ECU: its program, letter and multiplexer reach the device.
    ASSERT_EQ(lib.InitComKrix(0), 0);
    ASSERT_EQ(lib.PollStatusInitKrix(statusText.data()), 0);
    EXPECT_EQ(emulator.ProgramImage(), ProgramFolder::Loaded(program));
    emulator.Inspect([](const KrixEmu::DeviceModel& m) {
        EXPECT_EQ(m.Letter(), EngineLetter);
        EXPECT_EQ(m.MuxRecord(), (std::array<std::uint8_t, 5>{EngineMuxLine, EngineMuxValue >> 24 & 0xFF,
                                                               EngineMuxValue >> 16 & 0xFF, EngineMuxValue >> 8 & 0xFF,
                                                               EngineMuxValue & 0xFF}));
    });

    ASSERT_EQ(lib.StartStop_DataAcquisition(1), 1);
    EXPECT_FALSE(lib.NewList()); // the lists the initialisation read are no news

    // The lists with their texts, every value still at its not-read marker, no fault.
    Lists::HostArray<ErrorRecord> faults(DeviceTables::Errors);
    ASSERT_EQ(lib.ErrorList(faults.get(), faults.count()), 1);
    EXPECT_EQ(faults.countValue(), 0);

    Lists::HostArray<ParameterRecord> params(DeviceTables::Parameters);
    ASSERT_EQ(lib.ParameterList(params.get(), params.count(), 1), 1);
    ASSERT_EQ(params.countValue(), 2);
    EXPECT_EQ(params[0].id, Lists::SpeedId);
    EXPECT_EQ(params[0].value, TesterLists::ValueNotRead);
    EXPECT_EQ(Lists::FieldText(params[0].name), Lists::Padded("Speed", 25));
    EXPECT_EQ(Lists::FieldText(params[0].unit), QStringLiteral("rpm"));
    EXPECT_EQ(params[1].id, Lists::TempId);
    EXPECT_EQ(params[1].value, TesterLists::ValueNotRead);
    EXPECT_EQ(Lists::FieldText(params[1].description), Lists::Padded("Coolant temperature", 70));

    Lists::HostArray<StatusRecord> statuses(DeviceTables::Statuses);
    ASSERT_EQ(lib.StatusList(statuses.get(), statuses.count(), 1), 1);
    ASSERT_EQ(statuses.countValue(), 1);
    EXPECT_EQ(Lists::FieldText(statuses[0].name), Lists::Padded("Switch", 25));
    EXPECT_EQ(Lists::FieldText(statuses[0].valueText), QStringLiteral("--------"));

    Lists::HostArray<InfoRecord> infos(DeviceTables::Infos);
    ASSERT_EQ(lib.InfoList(infos.get(), infos.count(), 1), 1);
    ASSERT_EQ(infos.countValue(), 1);
    EXPECT_EQ(infos[0].id, CheckItem);
    EXPECT_EQ(Lists::FieldText(infos[0].description), Lists::Padded("Self check", 70));
    EXPECT_EQ(std::string(infos[0].value, strnlen(infos[0].value, sizeof infos[0].value)), "");

    // The speed is chosen for reading: its value starts afresh, the thread has it to apply.
    params[0].enabled = 1;
    ASSERT_EQ(lib.ParameterListEnable(params.get(), 0), 1);
    EXPECT_FALSE(lib.WaitListEnable());
    ASSERT_EQ(lib.ParameterList(params.get(), params.count(), 0), 1);
    EXPECT_EQ(params[0].value, 0.0f);
    EXPECT_EQ(params[1].value, TesterLists::ValueNotRead);

    // The activations the device listed; the pump runs, with nothing to show yet, and stops.
    std::array<ActivationRecord, DeviceTables::Activations> activations{};
    int activationCount = 0;
    ASSERT_EQ(lib.ActivationsList(activations.data(), &activationCount), 1);
    ASSERT_EQ(activationCount, 2);
    EXPECT_EQ(activations[0].id, Pump);
    EXPECT_EQ(Lists::FieldText(activations[0].name), Lists::Padded("Pump ita", 25));
    EXPECT_EQ(activations[1].id, Fan);
    EXPECT_EQ(activations[1].kind, 2);
    ASSERT_EQ(lib.StartStopActivation(Pump, 1), 1);
    EXPECT_EQ(lib.ChangeData(), 1);
    ActivationView view{};
    ASSERT_EQ(lib.MessageView(&view), 1);
    EXPECT_EQ(view.text[0], 0);
    EXPECT_EQ(lib.StartStopActivation(Pump, 0), 1);

    EXPECT_EQ(lib.StartStop_DataAcquisition(0), 1);
    ASSERT_TRUE(lib.DeleteThreadKrix());

    // Without the thread every export answers its failure value and leaves the host's records.
    const auto hostBytes = [&] {
        std::vector<std::vector<std::uint8_t>> b{faults.bytes(), params.bytes(), statuses.bytes(), infos.bytes(),
                                                 BytesOf(activations), BytesOf(view)};
        return b;
    };
    const auto before = hostBytes();
    struct Refusal {
        const char* call;
        std::function<std::int64_t()> answer;
        std::int64_t expected;
    };
    const Refusal refusals[] = {
        {"InitComKrix", [&] { return lib.InitComKrix(0); }, WrongState},
        {"StatusInitKrix", [&] { return lib.StatusInitKrix(statusText.data()); }, WrongState},
        {"StartStop_DataAcquisition", [&] { return lib.StartStop_DataAcquisition(1); }, WrongState},
        {"NewList", [&] { return lib.NewList(); }, false},
        {"ErrorList", [&] { return lib.ErrorList(faults.get(), faults.count()); }, WrongState},
        {"ParameterList", [&] { return lib.ParameterList(params.get(), params.count(), 1); }, WrongState},
        {"StatusList", [&] { return lib.StatusList(statuses.get(), statuses.count(), 1); }, WrongState},
        {"InfoList", [&] { return lib.InfoList(infos.get(), infos.count(), 1); }, WrongState},
        {"ParameterListEnable", [&] { return lib.ParameterListEnable(params.get(), 1); }, WrongState},
        {"WaitListEnable", [&] { return lib.WaitListEnable(); }, false},
        {"ActivationsList", [&] { return lib.ActivationsList(activations.data(), &activationCount); }, WrongState},
        {"StartStopActivation", [&] { return lib.StartStopActivation(Pump, 1); }, 0},
        {"ChangeData", [&] { return lib.ChangeData(); }, 0},
        {"MessageView", [&] { return lib.MessageView(&view); }, 0},
        {"ValueActivation", [&] { return lib.ValueActivation(1); }, 0},
        {"KrixActivationRequest", [&] { return lib.KrixActivationRequest(); }, 0},
        {"StatusChangeSnap", [&] { return lib.StatusChangeSnap(nullptr, 0); }, 2},
        {"DeleteThreadKrix", [&] { return lib.DeleteThreadKrix(); }, false},
    };
    for (const Refusal& r : refusals)
        EXPECT_EQ(r.answer(), r.expected) << r.call;
    EXPECT_EQ(activationCount, 2);
    EXPECT_EQ(hostBytes(), before);
}
