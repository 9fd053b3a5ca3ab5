// The activation functions of the built libkrix_interface.so, loaded with dlopen and bound by
// name, on what the device initialisation against the emulated device leaves: the list the
// device reported, a start, the view of the record the device reports, values, the stop, and the
// device's own request for an activation. The driver thread runs beside the test.
#include "ActivationApi.h"
#include "CatalogueApi.h"
#include "CatalogueFixtures.h"
#include "HostFieldText.h"
#include "LibraryFixture.h"

#include <array>
#include <string>

namespace {

constexpr int Italian = 1;
constexpr std::uint8_t CodecOn = 1;
constexpr std::size_t ProgramSize = 700;
constexpr int ActivationListRow = 17;
constexpr std::uint32_t ListedProgram = 146;     // its device reports its own message
constexpr std::uint32_t RequestingProgram = 194; // its device may ask for an activation
constexpr std::array<std::uint8_t, 4> LinkReady = {0x00, 0x01, 0x00, 0x00};
constexpr std::array<std::uint8_t, 4> LinkAsksActivation = {0x00, 0x01, 0x00, 0x06};

// Bytes 9 to 32 of the activation status answer: the newer form (message type 0x30), messages 1
// and 2 of messag.txt in lines 0 and 1.
std::array<std::uint8_t, KrixEmu::DeviceModel::ActivationRecordSize> TwoMessages() {
    std::array<std::uint8_t, KrixEmu::DeviceModel::ActivationRecordSize> r{};
    r[16 - 9] = 0x30;
    r[17 - 9] = 0x00;
    r[20 - 9] = 1;
    r[21 - 9] = 0x20; // line 1 (the nibble less one), message catalogue
    r[24 - 9] = 2;
    return r;
}

using ActivationFixture::Text;

struct ActivationLibrary : LinkLibrary {
    ActivationLibrary() {
        Bind(initText, "InitText");
        Bind(activationsList, "ActivationsList");
        Bind(startStopActivation, "StartStopActivation");
        Bind(valueActivation, "ValueActivation");
        Bind(krixActivationRequest, "KrixActivationRequest");
        Bind(changeData, "ChangeData");
        Bind(statusChangeSnap, "StatusChangeSnap");
        Bind(messageView, "MessageView");
    }
    decltype(&::InitText) initText = nullptr;
    decltype(&::ActivationsList) activationsList = nullptr;
    decltype(&::StartStopActivation) startStopActivation = nullptr;
    decltype(&::ValueActivation) valueActivation = nullptr;
    decltype(&::KrixActivationRequest) krixActivationRequest = nullptr;
    decltype(&::ChangeData) changeData = nullptr;
    decltype(&::StatusChangeSnap) statusChangeSnap = nullptr;
    decltype(&::MessageView) messageView = nullptr;
};

class ActivationLibraryTest : public LibraryFixture<ActivationLibrary> {
protected:
    void SetUp() override {
        LibraryFixture::SetUp();
        if (HasFatalFailure())
            return;
        folder.WriteProgram(ListedProgram, ProgramSize);
        folder.WriteProgram(RequestingProgram, ProgramSize);
        using namespace CatalogueFixture;
        WriteFile(QStringLiteral("codec.ini"), CodecIni({{Italian, "ita", "CP1258"}}));
        WriteLanguage("ita", SampleTexts("ita"));
        WriteSharedTexts(DelimitedLine(1, "#F1=1#"), DelimitedLine(7, "2"));
        emulator.Configure([](KrixEmu::DeviceModel& m) {
            m.SetIdList(ActivationListRow, {5, 7, 461});
            m.SetActivationRecord(TwoMessages());
        });
    }

    // The host's initialisation for the program: until StatusInitKrix answers 0.
    std::int32_t Initialise(std::uint32_t program) {
        if (!lib.CreateThreadKrix(Com, 0))
            return 100;
        if (!lib.SetEcuDirect(program, '-', "000B00304000", 0, folder.DataDir().c_str()))
            return 101;
        lib.initText(Italian, CodecOn);
        if (lib.InitComKrix(0) != 0)
            return 102;
        return lib.PollStatusInitKrix(text.data());
    }
    std::int32_t Status() { return lib.StatusInitKrix(text.data()); }

    std::array<std::uint16_t, 360> text{};
};

} // namespace

TEST_F(ActivationLibraryTest, AHostRunsAnActivationOnWhatTheInitialisationLeft) {
    emulator.Configure([](KrixEmu::DeviceModel& m) { m.SetLinkState(LinkReady); });
    ASSERT_EQ(Initialise(ListedProgram), 0);

    std::array<ActivationRecord, 100> records{};
    int count = 0;
    ASSERT_EQ(lib.activationsList(records.data(), &count), 1);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(records[0].id, 5u);
    EXPECT_EQ(records[0].kind, 3);
    EXPECT_EQ(Text(records[0].name), u"Pump ita" + std::u16string(17, u' '));
    EXPECT_EQ(records[1].id, 7u);
    EXPECT_EQ(records[1].kind, 2); // tipoatt.txt
    EXPECT_EQ(Text(records[1].name), u"Fan ita" + std::u16string(18, u' '));
    EXPECT_EQ(records[2].kind, 5);

    ASSERT_EQ(lib.startStopActivation(5, 1), 1);
    EXPECT_EQ(lib.changeData(), 1);
    ActivationView view{};
    EXPECT_EQ(lib.messageView(&view), 1); // the start cleared the record: nothing to show yet
    EXPECT_EQ(view.text[0], 0);

    // A report of the initialisation reads the device's record again.
    ASSERT_EQ(Status(), 0);
    ASSERT_EQ(lib.messageView(&view), 1);
    EXPECT_EQ(Text(view.text), u"Link ready ita\nTurn key ita\n\n\n");
    EXPECT_EQ(std::string(view.keys[0].label), "F1");
    EXPECT_EQ(view.keys[0].shown, 1);
    EXPECT_EQ(view.value1Shown, 0);

    EXPECT_EQ(lib.statusChangeSnap(nullptr, 0), 0);
    EXPECT_EQ(lib.valueActivation(3), 1);
    EXPECT_EQ(lib.valueActivation(4), 0);
    EXPECT_EQ(lib.krixActivationRequest(), 0);
    EXPECT_EQ(lib.startStopActivation(5, 0), 1);
}

TEST_F(ActivationLibraryTest, AStopEndsTheActivationSoThatTheNextStartArmsANewOne) {
    emulator.Configure([](KrixEmu::DeviceModel& m) { m.SetLinkState(LinkReady); });
    ASSERT_EQ(Initialise(ListedProgram), 0);

    // The first activation, with the device's record read into it and its value taken.
    ASSERT_EQ(lib.startStopActivation(5, 1), 1);
    EXPECT_EQ(lib.startStopActivation(7, 1), 0); // refused while the first one runs
    ASSERT_EQ(Status(), 0);
    ActivationView view{};
    ASSERT_EQ(lib.messageView(&view), 1);
    ASSERT_EQ(view.messageId[0], 1u);
    ASSERT_EQ(Text(view.text), u"Link ready ita\nTurn key ita\n\n\n");
    // Nothing changed: the next view is not drawn again. A start refused while it runs resets
    // the view memory all the same: the view after it is drawn whole.
    ActivationView again{};
    ASSERT_EQ(lib.messageView(&again), 1);
    EXPECT_EQ(again.text[0], 0);
    EXPECT_EQ(lib.startStopActivation(8, 1), 0);
    ASSERT_EQ(lib.messageView(&again), 1);
    EXPECT_EQ(Text(again.text), u"Link ready ita\nTurn key ita\n\n\n");
    EXPECT_EQ(lib.valueActivation(3), 1);

    ASSERT_EQ(lib.startStopActivation(5, 0), 1);
    EXPECT_EQ(lib.valueActivation(4), 0); // ended: no value is taken

    // The second one is armed with a fresh record: no message of the first, a value wanted.
    ASSERT_EQ(lib.startStopActivation(7, 1), 1);
    EXPECT_EQ(lib.changeData(), 1);
    ActivationView second{};
    EXPECT_EQ(lib.messageView(&second), 1);
    EXPECT_EQ(second.messageId[0], 0u);
    EXPECT_EQ(second.messageId[1], 0u);
    EXPECT_EQ(second.value, 0u);
    EXPECT_EQ(lib.valueActivation(9), 1);
    ASSERT_EQ(lib.messageView(&second), 1);
    EXPECT_EQ(second.value, 9u);

    // Its own record, read from the device, is shown anew: the view memory was reset.
    ASSERT_EQ(Status(), 0);
    ActivationView third{};
    ASSERT_EQ(lib.messageView(&third), 1);
    EXPECT_EQ(Text(third.text), u"Link ready ita\nTurn key ita\n\n\n");
    EXPECT_EQ(lib.startStopActivation(7, 0), 1);
}

TEST_F(ActivationLibraryTest, TheDevicesRequestForAnActivationIsReportedOnce) {
    emulator.Configure([](KrixEmu::DeviceModel& m) { m.SetLinkState(LinkAsksActivation); });
    ASSERT_EQ(Initialise(RequestingProgram), 0);
    EXPECT_EQ(lib.krixActivationRequest(), 255);
    EXPECT_EQ(lib.krixActivationRequest(), 0);
}

TEST_F(ActivationLibraryTest, WithoutADriverThreadNothingRuns) {
    std::array<ActivationRecord, 100> records{};
    int count = -5;
    EXPECT_EQ(lib.activationsList(records.data(), &count), -14);
    EXPECT_EQ(count, -5);
    EXPECT_EQ(lib.startStopActivation(5, 1), 0);
    EXPECT_EQ(lib.valueActivation(3), 0);
    EXPECT_EQ(lib.krixActivationRequest(), 0);
    EXPECT_EQ(lib.changeData(), 0);
    EXPECT_EQ(lib.statusChangeSnap(nullptr, 0), 2);
    ActivationView view{};
    EXPECT_EQ(lib.messageView(&view), 0);
}
