// The built libkrix_interface.so, loaded with dlopen and walked as a tester host walks it: the
// driver thread, the ECU, the texts, the initialisation against the emulated device with its
// identifier lists, acquisition on, the lists with what the initialisation left, a selection,
// acquisition off, the end of the thread. The driver thread runs beside the test.
#include "CatalogueApi.h"
#include "LibraryFixture.h"
#include "ListsApi.h"
#include "ListsFixture.h"

#include <array>

using namespace ListsFixture;

namespace {

constexpr std::int32_t Program = 79; // reads no initialisation message from the device
constexpr std::size_t ProgramSize = 700;
constexpr std::uint32_t CheckItem = 40;
constexpr std::int32_t WrongState = -14;
constexpr std::int32_t LinkFailed = -1;

// The lists' functions, bound by name beside the link's.
struct ListsLibrary : LinkLibrary {
    ListsLibrary() {
        Bind(initText, "InitText");
        Bind(errorList, "ErrorList");
        Bind(parameterList, "ParameterList");
        Bind(statusList, "StatusList");
        Bind(infoList, "InfoList");
        Bind(ecuList, "EcuList");
        Bind(parameterListEnable, "ParameterListEnable");
        Bind(waitListEnable, "WaitListEnable");
        Bind(newList, "NewList");
        Bind(acquisition, "StartStop_DataAcquisition");
    }
    decltype(&::InitText) initText = nullptr;
    decltype(&::ErrorList) errorList = nullptr;
    decltype(&::ParameterList) parameterList = nullptr;
    decltype(&::StatusList) statusList = nullptr;
    decltype(&::InfoList) infoList = nullptr;
    decltype(&::EcuList) ecuList = nullptr;
    decltype(&::ParameterListEnable) parameterListEnable = nullptr;
    decltype(&::WaitListEnable) waitListEnable = nullptr;
    decltype(&::NewList) newList = nullptr;
    decltype(&::StartStop_DataAcquisition) acquisition = nullptr;
};

class LibraryWalk : public LibraryFixture<ListsLibrary> {
protected:
    void SetUp() override {
        LibraryFixture::SetUp();
        if (HasFatalFailure())
            return;
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        WriteLanguage("ita", Texts());
        folder.WriteProgram(Program, ProgramSize);
        emulator.Configure([](KrixEmu::DeviceModel& m) {
            m.SetIdList(14, {SpeedId, TempId});
            m.SetIdList(15, {SwitchId});
            m.SetIdList(16, {CheckItem});
            m.SetIdList(18, {RpmLine, LongUnitLine});
        });
    }

    std::int32_t Initialise() {
        if (lib.InitComKrix(0) != 0)
            return WrongState;
        std::array<std::uint16_t, 360> text{};
        return lib.PollStatusInitKrix(text.data());
    }
};

} // namespace

TEST_F(LibraryWalk, AHostReadsTheListsTheInitialisationLeft) {
    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));
    ASSERT_TRUE(lib.SetEcuDirect(Program, 'A', "000D00512000", Opel, folder.DataDir().c_str()));
    EXPECT_EQ(lib.initText(Italian, CodecOn), 1);

    // Before the link is initialised nothing is listed.
    HostArray<ParameterRecord> early(DeviceTables::Parameters);
    const auto untouched = early.bytes();
    EXPECT_EQ(lib.parameterList(early.get(), early.count(), 1), WrongState);
    EXPECT_EQ(lib.acquisition(1), WrongState);
    EXPECT_EQ(early.bytes(), untouched);

    ASSERT_EQ(Initialise(), 0);
    ASSERT_EQ(lib.acquisition(1), 1);
    // The lists the initialisation itself read are no news; only lists read again are.
    EXPECT_FALSE(lib.newList());

    // The device's lists, every value not read yet, nothing chosen for reading.
    HostArray<ParameterRecord> params(DeviceTables::Parameters);
    ASSERT_EQ(lib.parameterList(params.get(), params.count(), 1), 1);
    ASSERT_EQ(params.countValue(), 2);
    EXPECT_EQ(params[0].id, SpeedId);
    EXPECT_EQ(params[0].value, TesterLists::ValueNotRead);
    EXPECT_EQ(params[0].enabled, 0);
    EXPECT_EQ(FieldText(params[0].name), Padded("Speed", 25));
    EXPECT_EQ(FieldText(params[0].unit), QStringLiteral("rpm"));
    EXPECT_EQ(FieldText(params[1].unit), QString::fromLatin1(LongUnit.left(26)));

    HostArray<StatusRecord> statuses(DeviceTables::Statuses);
    ASSERT_EQ(lib.statusList(statuses.get(), statuses.count(), 1), 1);
    ASSERT_EQ(statuses.countValue(), 1);
    EXPECT_EQ(FieldText(statuses[0].name), Padded("Switch", 25));
    EXPECT_EQ(FieldText(statuses[0].valueText), QStringLiteral("--------"));

    HostArray<InfoRecord> infos(DeviceTables::Infos);
    ASSERT_EQ(lib.infoList(infos.get(), infos.count(), 1), 1);
    ASSERT_EQ(infos.countValue(), 1);
    EXPECT_EQ(FieldText(infos[0].description), Padded("Self check", 70));

    HostArray<ErrorRecord> faults(DeviceTables::Errors);
    EXPECT_EQ(lib.errorList(faults.get(), faults.count()), 1);
    EXPECT_EQ(faults.countValue(), 0);
    HostArray<EcuListRecord> ecus(DeviceTables::ScannedEcus);
    EXPECT_EQ(lib.ecuList(ecus.get(), ecus.count()), LinkFailed);

    // The speed is chosen; while acquisition runs the thread has it to apply.
    params[0].enabled = 1;
    EXPECT_EQ(lib.parameterListEnable(params.get(), 0), 1);
    EXPECT_FALSE(lib.waitListEnable());
    ASSERT_EQ(lib.parameterList(params.get(), params.count(), 0), 1);
    EXPECT_EQ(params[0].value, 0.0f);
    EXPECT_EQ(params[1].value, TesterLists::ValueNotRead);

    // Acquisition off: the thread's loop takes the stop request from the device.
    EXPECT_EQ(lib.acquisition(0), 1);
    ASSERT_TRUE(lib.DeleteThreadKrix());
    EXPECT_EQ(lib.parameterList(params.get(), params.count(), 1), WrongState);
    EXPECT_FALSE(lib.waitListEnable());
    EXPECT_FALSE(lib.newList());
}
