// The initialisation message of StatusInitKrix against the emulated device with a fixture
// catalogue: for the programs whose device reports its own message, the link state and the
// activation status record are read and each message is built into its line; otherwise, and
// whenever the device gives no plain record, message 1.
//
// SetMode's mode stays for the whole process (the library keeps the last one given), so the one
// test that sets transparent mode comes last; ctest runs every test in a process of its own.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "LinkExports.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "SkippingClock.h"
#include "WorkingFolder.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

using KrixEmu::FaultKind;
using KrixEmu::RequestKind;

namespace {

using Record = std::array<std::uint8_t, KrixEmu::DeviceModel::ActivationRecordSize>;

constexpr std::uint32_t ListedProgram = 146;
constexpr std::uint32_t OtherProgram = 77;
constexpr std::size_t ProgramSize = 700;
constexpr std::int32_t Running = 1;
constexpr std::array<std::uint8_t, 4> LinkReady = {0x00, 0x01, 0x00, 0x00};
constexpr std::array<std::uint8_t, 4> LinkNotReady = {0x00, 0x00, 0x00, 0x00};

// Bytes 9 to 32 of the record: the newer form (message type 0x30) with four messages.
Record Messages(std::uint8_t viewKind, const std::array<std::uint8_t, 4>& bytes, const std::array<std::uint32_t, 4>& ids) {
    Record r{};
    r[14 - 9] = viewKind;
    r[16 - 9] = 0x30;
    for (std::size_t i = 0; i < 4; ++i) {
        r[17 - 9 + 4 * i] = bytes[i];
        r[20 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i]);
    }
    return r;
}

// Line 0: message 2 of messag.txt; line 3: parameter 3 (source 1); line 1: message 1 without its
// "@" part; line 2: message 0 (source 0, id 0), which is empty.
const Record FourLines = Messages(0, {0x00, 0x41, 0x20, 0x30}, {2, 3, 1, 0});
const std::u16string FourLinesText = u"Turn key ita\nLink ready ita\n\nSpeed ita\n";
const std::u16string MessageOne = u"Link ready ita";

// Generous: only a broken link comes near it; never a measure of speed.
constexpr auto PollLimit = std::chrono::seconds(30);

} // namespace

class InitMessageText : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        working.emplace(folder.Root());
        folder.WriteProgram(ListedProgram, ProgramSize);
        folder.WriteProgram(OtherProgram, ProgramSize);
        CatalogueFixture::WriteFile(QStringLiteral("codec.ini"), CatalogueFixture::CodecIni({{1, "ita", ""}}));
        CatalogueFixture::WriteLanguage("ita", CatalogueFixture::SampleTexts("ita"));
        ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
        ASSERT_EQ(Catalogue::InitText(1, 1, 0), 1);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        CatalogueFixture::ResetCatalogue();
        working.reset();
        PtyFixture::TearDown();
    }

    void Device(const std::array<std::uint8_t, 4>& link, const Record& record) {
        emulator.Configure([&](KrixEmu::DeviceModel& m) {
            m.SetLinkState(link);
            m.SetActivationRecord(record);
        });
    }
    std::int32_t Initialise(std::uint32_t program) {
        if (!LinkExports::SetEcuDirect(program, '-', "000B00304000", 0, folder.DataDir().c_str()))
            return 100;
        if (LinkExports::InitComKrix(0) != 0)
            return 101;
        const auto end = std::chrono::steady_clock::now() + PollLimit;
        std::int32_t r = Status();
        while (r == Running && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            r = Status();
        }
        return r;
    }
    std::int32_t Status() {
        text.fill(0xFFFF);
        return LinkExports::StatusInitKrix(text.data());
    }
    std::u16string Text() const {
        std::u16string s;
        for (std::uint16_t unit : text) {
            if (unit == 0)
                return s;
            s.push_back(static_cast<char16_t>(unit));
        }
        return u"(no terminator)";
    }

    SkippingClock clock;
    CurrentClockGuard guard{clock};
    ProgramFolder folder;
    std::optional<WorkingFolder> working;
    std::array<std::uint16_t, LinkExports::StatusInitTextRoom> text{};
};

TEST_F(InitMessageText, AListedProgramReportsTheDevicesMessages) {
    Device(LinkReady, FourLines);
    ASSERT_EQ(Initialise(ListedProgram), 0);
    EXPECT_EQ(Text(), FourLinesText);
    EXPECT_EQ(emulator.Count(RequestKind::LinkState), 1u);
    const std::vector<KrixEmu::ReceivedRequest> received = emulator.Received();
    EXPECT_EQ(received[received.size() - 2].kind, RequestKind::LinkState);
    EXPECT_EQ(received.back().row, KrixEmu::ActivationRow);
    EXPECT_EQ(LinkExports::DllState(), LinkExports::StateLinkInitialised);

    // Every report reads the device again: a record that shows values, a link that is not
    // ready, a refused query (after a link that was not ready) or a refused record give
    // message 1.
    struct Case {
        const char* name;
        std::array<std::uint8_t, 4> link;
        Record record;
        std::vector<KrixEmu::FaultRule> faults;
        std::u16string text;
    };
    const Case cases[] = {
        {"values to show", LinkReady, Messages(0x02, {0x00, 0x41, 0x20, 0x30}, {2, 3, 1, 0}), {}, MessageOne},
        {"link not ready", LinkNotReady, FourLines, {}, MessageOne},
        {"query refused", LinkReady, FourLines, {{FaultKind::WrongAnswer, RequestKind::LinkState, -1, 1, 0}}, MessageOne},
        {"record refused", LinkReady, FourLines, {{FaultKind::WrongAnswer, RequestKind::TableRow, 6, 1, 0}},
         MessageOne},
        {"the device's messages again", LinkReady, FourLines, {}, FourLinesText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Device(c.link, c.record);
        for (const KrixEmu::FaultRule& f : c.faults)
            emulator.AddFault(f);
        ASSERT_EQ(Status(), 0);
        EXPECT_EQ(Text(), c.text);
    }
}

TEST_F(InitMessageText, OtherProgramsReportMessageOneWithoutAskingTheDevice) {
    Device(LinkReady, FourLines);
    ASSERT_EQ(Initialise(OtherProgram), 0);
    EXPECT_EQ(Text(), MessageOne);
    EXPECT_EQ(emulator.Count(RequestKind::LinkState), 0u);
}

// Last: transparent mode stays set for the rest of the process.
TEST_F(InitMessageText, TransparentModeReportsMessageOneWithoutAskingTheDevice) {
    Device(LinkReady, FourLines);
    ASSERT_TRUE(LinkExports::SetMode(1));
    ASSERT_EQ(Initialise(ListedProgram), 0);
    EXPECT_EQ(Text(), MessageOne);
    EXPECT_EQ(emulator.Count(RequestKind::LinkState), 0u);
}
