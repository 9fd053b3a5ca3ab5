// The device initialisation on the driver thread against the emulated device, through the link
// functions (in-process) and on the thread object itself; pauses are skipped, reads are real.
#include "CatalogueFixtures.h"
#include "CatalogueLoading.h"
#include "InitKrix.h"
#include "KrixLinkApi.h"
#include "LinkExports.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "SkippingClock.h"
#include "TKrixThread.h"
#include "TPortRegistry.h"
#include "WorkingFolder.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

using KrixEmu::Bytes;
using KrixEmu::FaultKind;
using KrixEmu::FaultRule;
using KrixEmu::RequestKind;

namespace {

constexpr std::uint32_t System = 77;
constexpr char NoLetter = '-';
constexpr const char* SetMux = "000B00304000";
constexpr std::size_t ProgramSize = 1100;
constexpr std::int32_t Running = 1;
constexpr std::uint32_t DownloadBaud = 115200;
constexpr int Forever = -1;

// Generous: only a broken link comes near it; never a measure of speed.
constexpr auto PollLimit = std::chrono::seconds(30);

template <typename F> auto PollWhile(F poll, std::int32_t busy) {
    const auto end = std::chrono::steady_clock::now() + PollLimit;
    auto r = poll();
    while (r == busy && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        r = poll();
    }
    return r;
}

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class LinkInit : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        // main.ini is written into the working folder.
        working.emplace(folder.Root());
        program = folder.WriteProgram(System, ProgramSize);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        CatalogueFixture::ResetCatalogue();
        working.reset();
        PtyFixture::TearDown();
    }

    // CreateThreadKrix, SetMode (transparent only), SetEcuDirect, InitComKrix, then
    // StatusInitKrix until it no longer reports "running".
    std::int32_t Initialise(bool transparent, int com = Com, std::uint8_t autoScan = 0) {
        if (!LinkExports::CreateThreadKrix(com, autoScan))
            return 100;
        if (transparent && !LinkExports::SetMode(1))
            return 101;
        if (!LinkExports::SetEcuDirect(System, NoLetter, SetMux, 0, folder.DataDir().c_str()))
            return 102;
        if (LinkExports::InitComKrix(0) != 0)
            return 103;
        return StatusAfterInit();
    }
    std::int32_t StatusAfterInit() {
        text.fill(0xFFFF);
        return PollWhile([&] { return LinkExports::StatusInitKrix(text.data()); }, Running);
    }

    SkippingClock clock;
    CurrentClockGuard guard{clock};
    ProgramFolder folder;
    std::optional<WorkingFolder> working;
    Bytes program;
    std::array<std::uint16_t, LinkExports::StatusInitTextRoom> text{};
};

TEST_F(LinkInit, TransparentModeDownloadsTheProgramAt115200AndStartsIt) {
    ASSERT_EQ(Initialise(true), 0);
    EXPECT_EQ(text[0], 0);
    EXPECT_EQ(LinkExports::DllState(), LinkExports::StateLinkInitialised);
    EXPECT_EQ(LinkExports::ProgramNumber(), static_cast<std::int32_t>(System));
    EXPECT_EQ(emulator.ProgramImage(), ProgramFolder::Loaded(program));
    for (const KrixEmu::ProgramBlock& b : emulator.ProgramBlocks())
        EXPECT_EQ(b.baud, DownloadBaud);
    EXPECT_TRUE(emulator.ProgramStarted());
    emulator.Inspect([](const KrixEmu::DeviceModel& m) {
        EXPECT_EQ(m.MuxRecord(), (std::array<std::uint8_t, 5>{0x02, 0x00, 0x30, 0x40, 0x00}));
    });
    EXPECT_EQ(emulator.Count(RequestKind::DeviceRecord), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::Letter), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::TableRow), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceValue), 0u);
    EXPECT_EQ(LinkExports::StatusKrix(), TKrixThread::SessionStatusIdle);

    // Done once: a second InitComKrix needs new ECU data first.
    EXPECT_EQ(LinkExports::InitComKrix(0), LinkExports::ResultWrongState);
    ASSERT_TRUE(LinkExports::SetEcuDirect(System, NoLetter, SetMux, 0, folder.DataDir().c_str()));
    EXPECT_EQ(LinkExports::InitComKrix(0), 0);
    EXPECT_EQ(StatusAfterInit(), 0);
}

TEST_F(LinkInit, TheInitialisationMessageIsMessageOneOfTheLoadedCatalogue) {
    // A catalogue installed in the working folder, loaded once the thread exists.
    CatalogueFixture::WriteFile(QStringLiteral("codec.ini"), CatalogueFixture::CodecIni({{1, "ita", ""}}));
    CatalogueFixture::WriteLanguage("ita", CatalogueFixture::SampleTexts("ita"));
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    ASSERT_TRUE(LinkExports::SetMode(1));
    ASSERT_TRUE(LinkExports::SetEcuDirect(System, NoLetter, SetMux, 0, folder.DataDir().c_str()));
    ASSERT_EQ(Catalogue::InitText(1, 1, 0), 1);
    ASSERT_EQ(LinkExports::InitComKrix(0), 0);
    ASSERT_EQ(StatusAfterInit(), 0);
    const std::u16string expected = u"Link ready ita"; // the text before its "@"
    EXPECT_EQ(std::u16string(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(expected.size() + 1)),
              expected + u'\0');
}

TEST_F(LinkInit, FailureCodes) {
    struct Case {
        const char* name;
        std::vector<FaultRule> faults;
        bool transparent;
        std::int32_t code;
    };
    const Case cases[] = {
        {"probes refused", {{FaultKind::WrongAnswer, RequestKind::DeviceControl3, -1, 1, 0},
                            {FaultKind::WrongAnswer, RequestKind::DeviceControl2, -1, 1, 0}}, true, -5},
        {"mux write refused three times", {{FaultKind::WrongAnswer, RequestKind::MuxWrite, -1, 3, 0}}, true, -5},
        {"device record refused three times", {{FaultKind::WrongAnswer, RequestKind::DeviceRecord, -1, 3, 0}}, false, -6},
        {"baud switch refused", {{FaultKind::WrongAnswer, RequestKind::DeviceBaud, -1, 1, 0}}, true, -7},
        {"six blocks not acknowledged", {{FaultKind::BadCheckWord, RequestKind::ProgramBlock, -1, 6, 0}}, true, -7},
        {"program start refused three times", {{FaultKind::WrongAnswer, RequestKind::ProgramStart, -1, 3, 0}}, true, -4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KrixEmu::KrixEmulator device; // each case on a device of its own
        for (const FaultRule& f : c.faults)
            device.AddFault(f);
        device.Start();
        setenv(ComVariable, device.SlaveName().c_str(), 1);
        EXPECT_EQ(Initialise(c.transparent), c.code);
        EXPECT_EQ(LinkExports::StatusKrix(), TKrixThread::InitFailed);
        // A failed initialisation closes the link.
        EXPECT_FALSE(TPortRegistry::instance().contains(QString::fromStdString(device.SlaveName())));
        ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    }
    setenv(ComVariable, emulator.SlaveName().c_str(), 1);

    // A program file that is not there fails the download; the port that cannot be opened gives -1.
    std::filesystem::remove_all(folder.Root() / "krix");
    EXPECT_EQ(Initialise(true), -7);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    setenv("KRIX_COM42", (folder.Root() / "no-such-tty").c_str(), 1);
    EXPECT_EQ(Initialise(true, 42), -1);
    unsetenv("KRIX_COM42");

    // After a failure the initialisation may be asked for again, whatever the state.
    program = folder.WriteProgram(System, ProgramSize);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    emulator.AddFault({FaultKind::WrongAnswer, RequestKind::ProgramStart, -1, 3, 0});
    ASSERT_EQ(Initialise(true), -4);
    EXPECT_EQ(LinkExports::InitComKrix(0), 0);
    EXPECT_EQ(StatusAfterInit(), 0);
}

TEST_F(LinkInit, ADamagedBlockReportedByTheNextIsSentAgain) {
    // Two blocks go through (noise before their acknowledgements is dropped); the third block's
    // acknowledgement reports the second lost. The device still ends with the exact program.
    program = folder.WriteProgram(System, 4 * 512);
    emulator.AddFault({FaultKind::GarbageBefore, RequestKind::ProgramBlock, -1, 2, 0});
    emulator.AddFault({FaultKind::EarlierBlockFailed, RequestKind::ProgramBlock, -1, 1, 0});
    ASSERT_EQ(Initialise(true), 0);
    std::vector<std::uint32_t> order;
    for (const KrixEmu::ReceivedRequest& r : emulator.Received())
        if (r.kind == RequestKind::ProgramBlock)
            order.push_back((KrixEmu::Word32(r.bytes, 9) - 0xC80000) / 512);
    EXPECT_EQ(order, (std::vector<std::uint32_t>{0, 1, 2, 1, 3}));
    EXPECT_EQ(emulator.ProgramImage(), program);
}

TEST_F(LinkInit, OutsideTransparentModeTheIdentifierListsAreRead) {
    TKrixThread thread(Com, 0);
    thread.setRoutines({[](TKrixThread& t) { return InitKRIX(t); }, {}});
    thread.setEcuData(601, '@', QString::fromLatin1("000F00100000"));
    thread.setDataDirectory(QString::fromStdString(folder.DataDir()));
    program = folder.WriteProgram(601, 300);
    thread.start();
    thread.requestInit(1);
    ASSERT_EQ(PollWhile([&] { return thread.getInitResult(); }, Running), 0);

    EXPECT_EQ(emulator.ProgramImage(), ProgramFolder::Loaded(program));
    emulator.Inspect([](const KrixEmu::DeviceModel& m) {
        EXPECT_EQ(m.Letter(), '@');
        EXPECT_EQ(m.MuxRecord(), (std::array<std::uint8_t, 5>{0x20, 0x00, 0x10, 0x00, 0x00}));
    });
    EXPECT_EQ(emulator.Count(RequestKind::DeviceRecord), 1u);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceValue), 1u);
    EXPECT_EQ(emulator.Count(RequestKind::TableRow), 7u);
    EXPECT_EQ(thread.isNewList(), 0); // cleared again once the lists were taken
    thread.withTables([](DeviceTables& t) {
        // The emulator's own lists.
        EXPECT_EQ(t.count(DeviceTables::ParameterCount), 3u);
        EXPECT_EQ(t.parameters[2].id, 0x103u);
        EXPECT_EQ(t.parameters[2].unitId, 3u);
        EXPECT_EQ(t.parameters[2].deviceByte, 0x13);
        EXPECT_EQ(t.count(DeviceTables::StatusCount), 2u);
        EXPECT_EQ(t.statuses[1].id, 0x202u);
        EXPECT_EQ(t.count(DeviceTables::InfoCount), 1u);
        EXPECT_EQ(t.count(DeviceTables::ActivationCount), 1u);
        EXPECT_EQ(t.count(DeviceTables::StatusTextCount), 2u);
        EXPECT_EQ(t.statusTextIds[1], 0x502u);
    });
}

TEST_F(LinkInit, EcuDataStepSendsEveryCommandAndAnyRefusalFailsIt) {
    constexpr char Letter = 'K';
    constexpr std::uint32_t Identifier = 0x123456;
    constexpr std::size_t ListRows = 7;
    constexpr std::size_t ListAttemptsGivenUp = 31; // a row is given up after 30 failures
    const char name[12] = {'E', 'C', 'U', '-', 'N', 'A', 'M', 'E', '-', '1', '2', '3'};
    std::uint32_t nameWords[3];
    std::memcpy(nameWords, name, sizeof name);
    const auto expectedBlock = [&](std::uint8_t kind) {
        std::array<std::uint8_t, 16> b{kind, 0x56, 0x34, 0x12};
        std::memcpy(b.data() + 4, name, sizeof name);
        return b;
    };
    const FaultRule blockRefused{FaultKind::WrongAnswer, RequestKind::EcuDirectBlock, -1, -1, 0};
    const FaultRule letterRefused{FaultKind::WrongAnswer, RequestKind::Letter, -1, -1, 0};
    const FaultRule lastListRefused{FaultKind::WrongAnswer, RequestKind::TableRow, KrixEmu::LastListRow, -1, 0};
    const FaultRule valueRefused{FaultKind::WrongAnswer, RequestKind::DeviceValue, -1, -1, 0};

    struct Case {
        const char* name;
        std::uint8_t directOpen;
        bool transparent;
        int blockKind; // -1: no block pending
        std::vector<FaultRule> faults;
        std::int32_t result;
        std::size_t blocks, letters, listRequests, values;
        bool stillPending;
    };
    const Case cases[] = {
        {"direct open", 1, false, -1, {}, 0, 0, 1, ListRows, 1, false},
        {"direct open, transparent", 1, true, -1, {}, 0, 0, 0, 0, 0, false},
        {"block of a kind below 0x80", 1, false, 0x7F, {}, 0, 0, 1, ListRows, 1, false},
        {"block of kind 0x80", 1, true, 0x80, {}, 0, 1, 0, 0, 0, false},
        {"block after the download", 0, true, 0x90, {}, 0, 1, 0, 0, 0, false},
        {"block refused", 1, false, 0x90, {blockRefused}, -5, 1, 1, ListRows, 1, true},
        {"block refused, transparent", 1, true, 0x90, {blockRefused}, -5, 1, 0, 0, 0, true},
        {"letter refused", 1, false, -1, {letterRefused}, -5, 0, 1, ListRows, 1, false},
        {"lists refused", 1, false, -1, {lastListRefused}, -5, 0, 1, ListRows - 1 + ListAttemptsGivenUp, 1, false},
        {"device value refused", 1, false, -1, {valueRefused}, -5, 0, 1, ListRows, 1, false},
        {"everything refused", 1, false, 0x90, {blockRefused, letterRefused, lastListRefused, valueRefused}, -5, 1, 1,
         ListRows - 1 + ListAttemptsGivenUp, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KrixEmu::KrixEmulator device;
        for (const FaultRule& f : c.faults)
            device.AddFault(f);
        device.Start();
        setenv(ComVariable, device.SlaveName().c_str(), 1);

        TKrixThread thread(Com, 0);
        thread.setRoutines({[](TKrixThread& t) { return InitKRIX(t); }, {}});
        thread.setEcuData(System, Letter, QString::fromLatin1(SetMux));
        thread.setDataDirectory(QString::fromStdString(folder.DataDir()));
        thread.setDirectOpen(c.directOpen);
        if (c.transparent)
            thread.setTransparentMode(1);
        if (c.blockKind >= 0)
            thread.setEcuDirectBlock(static_cast<std::uint32_t>(c.blockKind), Identifier, nameWords[0], nameWords[1],
                                     nameWords[2]);
        thread.start();
        thread.requestInit(1);
        EXPECT_EQ(PollWhile([&] { return thread.getInitResult(); }, Running), c.result);

        EXPECT_EQ(device.Count(RequestKind::ProgramBlock) > 0, c.directOpen == 0);
        EXPECT_EQ(device.Count(RequestKind::EcuDirectBlock), c.blocks);
        EXPECT_EQ(device.Count(RequestKind::Letter), c.letters);
        EXPECT_EQ(device.Count(RequestKind::TableRow), c.listRequests);
        EXPECT_EQ(device.Count(RequestKind::DeviceValue), c.values);
        std::uint32_t words[TKrixThread::EcuDirectWords];
        EXPECT_EQ(thread.ecuDirectBlock(words), c.stillPending);
        if (c.blocks > 0 && c.result == 0) {
            device.Inspect([&](const KrixEmu::DeviceModel& m) {
                EXPECT_EQ(m.EcuDirectBlock(), expectedBlock(static_cast<std::uint8_t>(c.blockKind)));
            });
        }
        EXPECT_EQ(thread.getInitError(), c.result == 0 ? 0 : TKrixThread::InitFailed);
        thread.shutdown();
    }
    setenv(ComVariable, emulator.SlaveName().c_str(), 1);

    // InitComKrix(1) through the link functions: the port is opened without probe, mux or
    // download, and the ECU data follow.
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    ASSERT_TRUE(LinkExports::SetEcuDirect(System, Letter, SetMux, 0, folder.DataDir().c_str()));
    ASSERT_EQ(LinkExports::InitComKrix(1), 0);
    EXPECT_EQ(StatusAfterInit(), 0);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl3) + emulator.Count(RequestKind::DeviceControl2), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::MuxWrite), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::ProgramBlock), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::Letter), 1u);
    EXPECT_EQ(emulator.Count(RequestKind::TableRow), ListRows);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceValue), 1u);
}

TEST_F(LinkInit, ThePortScanFindsTheDeviceAndWritesTheConfiguredPort) {
    KrixEmu::KrixEmulator silent;  // opens, but answers neither probe
    KrixEmu::KrixEmulator device;  // the device
    silent.AddFault({FaultKind::WrongAnswer, RequestKind::Any, -1, Forever, 0});
    silent.Start();
    device.Start();
    setenv(ComVariable, (folder.Root() / "no-such-tty").c_str(), 1); // the configured port fails
    setenv("KRIX_COM42", silent.SlaveName().c_str(), 1);
    setenv("KRIX_COM43", device.SlaveName().c_str(), 1);

    EXPECT_EQ(Initialise(true, Com, 1), 0);
    EXPECT_GT(silent.Count(RequestKind::DeviceControl3), 0u);
    EXPECT_EQ(device.ProgramImage(), ProgramFolder::Loaded(program));
    EXPECT_EQ(ReadFile(folder.Root() / "main.ini"), "[public]\npublic_comport=41\n");

    LinkExports::DeleteThreadKrix();
    unsetenv("KRIX_COM42");
    unsetenv("KRIX_COM43");
    silent.Stop();
    device.Stop();
}

TEST_F(LinkInit, SetEcuDirectRefusesWhatDoesNotFitTheEcuRecord) {
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    const std::string dir = folder.DataDir();
    struct Case {
        const char* name;
        std::uint32_t system;
        const char* setMux;
        char code;
        const char* dataDir;
    };
    const Case cases[] = {
        {"system above 9999", 10000, SetMux, 0, dir.c_str()},
        {"SetMux of 16 characters", System, "0123456789ABCDEF", 0, dir.c_str()},
        {"code of three characters", System, SetMux, 100, dir.c_str()},
        {"negative code of three characters", System, SetMux, -10, dir.c_str()},
        {"no SetMux", System, nullptr, 0, dir.c_str()},
        {"no data folder", System, SetMux, 0, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(LinkExports::SetEcuDirect(c.system, NoLetter, c.setMux, c.code, c.dataDir)) << c.name;
    EXPECT_EQ(LinkExports::InitComKrix(0), 0); // the defaults of CreateThreadKrix: system 0
    EXPECT_EQ(StatusAfterInit(), -7);          // program 601 is not in the folder
    EXPECT_EQ(LinkExports::ProgramNumber(), 601);

    // The widest values that fit, and a data folder written with back-slashes.
    std::string backSlashed = dir;
    std::replace(backSlashed.begin(), backSlashed.end(), '/', '\\');
    program = folder.WriteProgram(9999, 200);
    ASSERT_TRUE(LinkExports::SetEcuDirect(9999, NoLetter, "000B0030400000F", 99, backSlashed.c_str()));
    EXPECT_TRUE(LinkExports::SetEcuDirect(9999, NoLetter, "000B0030400000F", -9, backSlashed.c_str()));
    EXPECT_EQ(LinkExports::InitComKrix(0), 0);
    EXPECT_EQ(StatusAfterInit(), 0);
    EXPECT_EQ(LinkExports::ProgramNumber(), 9999);
}

TEST_F(LinkInit, TransparentAnswersThroughTheLinkFunctions) {
    ASSERT_EQ(Initialise(true), 0);
    const std::array<std::uint8_t, 51> block{};
    emulator.AddTransparentFault({KrixEmu::TransparentFaultKind::Refused, '0', 1});
    ASSERT_TRUE(LinkExports::SetProtocolType(1, block.data(), 0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, 2), 0); // refused
    ASSERT_TRUE(LinkExports::SetProtocolType(1, block.data(), 0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, 2), 1);
    ASSERT_TRUE(LinkExports::StartStop_Ecu(1));
    EXPECT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, 2), 1);

    ASSERT_TRUE(emulator.InjectBusError());
    EXPECT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, 1), -1);
    ASSERT_TRUE(emulator.InjectBusFrame({0x01})); // not read while the error stands
    ASSERT_TRUE(LinkExports::StartStop_Ecu(1));   // purges it and waits for the answer
    EXPECT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, 2), 1);
    int length = -1;
    std::array<std::uint8_t, KrixRxFrameRoom> data{};
    EXPECT_FALSE(LinkExports::RxFrame(&length, data.data()));
    EXPECT_EQ(length, 0);
}

TEST_F(LinkInit, ResetStopsTheThreadResetsTheDeviceAndStartsANewThread) {
    ASSERT_EQ(Initialise(false), 0);
    const std::size_t controls1 = emulator.Count(RequestKind::DeviceControl1);
    const std::size_t controls2 = emulator.Count(RequestKind::DeviceControl2);
    LinkExports::ResetKrix();
    // Outside transparent mode the loop answers the stop request with device control 1, then
    // the device is reset with device control 2.
    const std::vector<KrixEmu::ReceivedRequest> received = emulator.Received();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received[received.size() - 2].kind, RequestKind::DeviceControl1);
    EXPECT_EQ(received.back().kind, RequestKind::DeviceControl2);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl1), controls1 + 1);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl2), controls2 + 1);
    EXPECT_EQ(LinkExports::DllState(), LinkExports::StateThreadOrEcu);
    EXPECT_TRUE(LinkExports::HasDriverThread());
    EXPECT_FALSE(TPortRegistry::instance().contains(Slave())); // the old thread's port is closed

    // The new thread keeps the port and initialises again.
    ASSERT_TRUE(LinkExports::SetEcuDirect(System, NoLetter, SetMux, 0, folder.DataDir().c_str()));
    EXPECT_EQ(LinkExports::InitComKrix(0), 0);
    EXPECT_EQ(StatusAfterInit(), 0);
}
