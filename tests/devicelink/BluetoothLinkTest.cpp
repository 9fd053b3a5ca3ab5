// The device reached through the emulated Bluetooth modules, through the link functions
// in-process: the initialisation with the PC's side at 115200 throughout, the module's faults,
// the resets when the link ends, and SetBluetooth kept for ResetKrix. Pauses are skipped, reads
// are real.
#include "LinkExports.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "SkippingClock.h"
#include "TPortRegistry.h"
#include "TSeriale.h"
#include "WorkingFolder.h"

#include <array>
#include <chrono>
#include <optional>
#include <thread>

using KrixEmu::Bytes;
using KrixEmu::ModuleFault;
using KrixEmu::ModuleFaultKind;
using KrixEmu::ModuleStep;
using KrixEmu::RequestKind;

namespace {

constexpr int Com = 44;
constexpr const char* ComVariable = "KRIX_COM44";
constexpr int CableCom = 45;
constexpr const char* CableComVariable = "KRIX_COM45";
constexpr const char* Address = "0012F3AABBCC";
constexpr std::uint32_t System = 77;
constexpr const char* SetMux = "000B00304000";
constexpr std::size_t ProgramSize = 1100;
constexpr std::uint32_t PcBaud = 115200;
constexpr std::int32_t Running = 1;

// The set-up frames as the modules must receive them.
const Bytes LocalReset = {0xD5, 0xE1, 0x10, 0x24, 0x01, 0x01, 0xEC};
const Bytes RemoteReset = {0xD5, 0xE1, 0x11, 0x24, 0x01, 0x01, 0xED};
const Bytes Remote38400 = {0xD5, 0xE1, 0x11, 0x21, 0x06, 0x05, 0x01, 0x08, 0x01, 0x01, 0x00, 0xFE};
const Bytes Remote115200 = {0xD5, 0xE1, 0x11, 0x21, 0x06, 0x07, 0x01, 0x08, 0x01, 0x01, 0x00, 0x00};
const std::vector<std::string> CallLines = {"set bt pair *", "call 0012F3AABBCC 1 rfcomm"};

// Generous: only a broken link comes near it; never a measure of speed.
constexpr auto PollLimit = std::chrono::seconds(60);

std::int32_t StatusAfterInit() {
    std::array<std::uint16_t, LinkExports::StatusInitTextRoom> text{};
    const auto end = std::chrono::steady_clock::now() + PollLimit;
    std::int32_t r = LinkExports::StatusInitKrix(text.data());
    while (r == Running && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        r = LinkExports::StatusInitKrix(text.data());
    }
    return r;
}

} // namespace

class BluetoothLink : public ::testing::Test {
protected:
    void SetUp() override {
        working.emplace(folder.Root());
        folder.WriteProgram(System, ProgramSize);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        unsetenv(ComVariable);
        unsetenv(CableComVariable);
        working.reset();
    }

    // A device behind the modules, answering a call to Address.
    std::unique_ptr<KrixEmu::KrixEmulator> DeviceBehindModules(const std::vector<ModuleFault>& faults = {}) {
        auto device = std::make_unique<KrixEmu::KrixEmulator>();
        device->AttachBluetoothModule(Address);
        for (const ModuleFault& f : faults)
            device->AddModuleFault(f);
        device->Start();
        setenv(ComVariable, device->SlaveName().c_str(), 1);
        return device;
    }

    // SetEcuDirect, InitComKrix, then StatusInitKrix until it is no longer running.
    std::int32_t Initialise() {
        if (!LinkExports::SetEcuDirect(System, '-', SetMux, 0, folder.DataDir().c_str()))
            return 100;
        if (LinkExports::InitComKrix(0) != 0)
            return 101;
        return StatusAfterInit();
    }

    SkippingClock clock;
    CurrentClockGuard guard{clock};
    ProgramFolder folder;
    std::optional<WorkingFolder> working;
};

TEST_F(BluetoothLink, InitialisationThroughTheModulesKeepsThePcSideAt115200) {
    auto device = DeviceBehindModules();
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    ASSERT_TRUE(LinkExports::SetMode(1));
    LinkExports::SetBluetooth(1, Address);
    ASSERT_EQ(Initialise(), 0);

    // The PC's side never left 115200; the device took the program at the speed it asked for.
    EXPECT_EQ(device->HostBaudsSeen(), (std::set<std::uint32_t>{PcBaud}));
    EXPECT_EQ(device->NoiseBytes(), 0u);
    EXPECT_EQ(device->LostAnswerBytes(), 0u);
    ASSERT_FALSE(device->ProgramBlocks().empty());
    for (const KrixEmu::ProgramBlock& b : device->ProgramBlocks())
        EXPECT_EQ(b.baud, 115200u);
    EXPECT_TRUE(device->ProgramStarted());
    EXPECT_EQ(device->LineBaud(), 38400u);

    // Reset and call once, then the remote speed for each speed the initialisation asked for.
    EXPECT_EQ(device->ModuleSetupFrames(), (std::vector<Bytes>{LocalReset, Remote38400, Remote115200, Remote38400}));
    EXPECT_EQ(device->ModuleLines(), CallLines);

    // Ending the link resets the remote module, then the local one, before the port is closed.
    const QString slave = QString::fromStdString(device->SlaveName());
    EXPECT_TRUE(TPortRegistry::instance().contains(slave));
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    EXPECT_EQ(device->ModuleSetupFrames(),
              (std::vector<Bytes>{LocalReset, Remote38400, Remote115200, Remote38400, RemoteReset, LocalReset}));
    EXPECT_FALSE(TPortRegistry::instance().contains(slave));
    EXPECT_EQ(device->HostBaudsSeen(), (std::set<std::uint32_t>{PcBaud}));
}

TEST_F(BluetoothLink, TheLinkCallsOnceThenOnlySetsTheRemoteSpeed) {
    const Bytes remote9600 = {0xD5, 0xE1, 0x11, 0x21, 0x06, 0x03, 0x01, 0x08, 0x01, 0x01, 0x00, 0xFC};
    auto device = DeviceBehindModules();
    TSeriale link;
    link.setBluetooth(1);
    link.setModuleAddress(QString::fromLatin1(Address));
    // A speed without a remote speed code: the modules are set up, no speed is sent.
    ASSERT_EQ(link.OpenRS232(Com, 57600, 'N', 8, 1, ""), 0);
    EXPECT_EQ(device->ModuleSetupFrames(), (std::vector<Bytes>{LocalReset}));
    EXPECT_EQ(device->ModuleLines(), CallLines);
    EXPECT_EQ(link.port().lineSettings().baud, static_cast<int>(PcBaud));
    EXPECT_TRUE(TPortRegistry::instance().contains(QString::fromStdString(device->SlaveName())));

    // Open already: only the remote speed; the PC's side stays at 115200.
    ASSERT_EQ(link.OpenRS232(Com, 9600, 'N', 8, 1, ""), 0);
    ASSERT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    EXPECT_EQ(device->ModuleSetupFrames(), (std::vector<Bytes>{LocalReset, remote9600, Remote38400}));
    EXPECT_EQ(device->ModuleLines(), CallLines);
    EXPECT_EQ(link.speed(), 38400);
    EXPECT_EQ(link.port().lineSettings().baud, static_cast<int>(PcBaud));

    // end() resets the remote module, then the local one, and closes the port.
    link.end();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(device->ModuleSetupFrames(),
              (std::vector<Bytes>{LocalReset, remote9600, Remote38400, RemoteReset, LocalReset}));
    EXPECT_FALSE(TPortRegistry::instance().contains(QString::fromStdString(device->SlaveName())));
    EXPECT_EQ(device->HostBaudsSeen(), (std::set<std::uint32_t>{PcBaud}));
}

TEST_F(BluetoothLink, ModuleFaultsGiveTheirResults) {
    struct Case {
        const char* name;
        std::vector<ModuleFault> faults;
        std::int32_t result;
        std::vector<Bytes> frames;
        std::size_t calls; // call lines sent
    };
    const ModuleFault resetSilent{ModuleFaultKind::Silence, ModuleStep::LocalReset, 1};
    const ModuleFault resetBadCheck{ModuleFaultKind::BadCheckByte, ModuleStep::LocalReset, 1};
    const ModuleFault callError{ModuleFaultKind::Error, ModuleStep::Call, 1};
    const Case cases[] = {
        {"local reset not answered", {resetSilent}, -8, {LocalReset}, 0},
        {"local reset with a bad check byte", {resetBadCheck}, -8, {LocalReset}, 0},
        {"both calls answered ERROR", {callError, callError}, -9, {LocalReset}, 2},
        {"the second call connects", {callError}, 0, {LocalReset, Remote38400, Remote115200, Remote38400}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto device = DeviceBehindModules(c.faults);
        ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
        ASSERT_TRUE(LinkExports::SetMode(1));
        LinkExports::SetBluetooth(1, Address);
        EXPECT_EQ(Initialise(), c.result);
        EXPECT_EQ(device->ModuleSetupFrames(), c.frames);
        std::size_t calls = 0;
        for (const std::string& line : device->ModuleLines())
            calls += line.rfind("call ", 0) == 0;
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(device->HostBaudsSeen(), (std::set<std::uint32_t>{PcBaud}));
        if (c.result != 0) {
            // The module's failures close the port again; the initialisation may be asked again.
            EXPECT_FALSE(TPortRegistry::instance().contains(QString::fromStdString(device->SlaveName())));
            EXPECT_EQ(LinkExports::InitComKrix(0), 0);
            EXPECT_EQ(StatusAfterInit(), 0);
        }
        ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    }

    // A port that cannot be opened at 115200 (another program holds it): -10.
    auto device = DeviceBehindModules();
    TSeriale holder;
    ASSERT_EQ(holder.OpenRS232(-1, 38400, 'N', 8, 1, QString::fromStdString(device->SlaveName())), 0);
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    LinkExports::SetBluetooth(1, Address);
    EXPECT_EQ(Initialise(), -10);
    EXPECT_TRUE(device->ModuleSetupFrames().empty());
}

TEST_F(BluetoothLink, ResetKrixReappliesTheModuleSettings) {
    auto device = DeviceBehindModules();
    ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
    ASSERT_TRUE(LinkExports::SetMode(1));
    LinkExports::SetBluetooth(1, Address);
    ASSERT_EQ(Initialise(), 0);

    LinkExports::ResetKrix();
    // The device reset went through the modules, then they were reset, remote first.
    EXPECT_EQ(device->Received().back().kind, RequestKind::DeviceControl2);
    std::vector<Bytes> frames = device->ModuleSetupFrames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2], RemoteReset);
    EXPECT_EQ(frames.back(), LocalReset);

    // The new thread opens the port through the modules again.
    ASSERT_TRUE(LinkExports::SetMode(1));
    ASSERT_EQ(Initialise(), 0);
    frames = device->ModuleSetupFrames();
    EXPECT_EQ(std::vector<Bytes>(frames.end() - 4, frames.end()),
              (std::vector<Bytes>{LocalReset, Remote38400, Remote115200, Remote38400}));
    EXPECT_EQ(device->ModuleLines().size(), 2 * CallLines.size());
    EXPECT_EQ(device->HostBaudsSeen(), (std::set<std::uint32_t>{PcBaud}));
}

TEST_F(BluetoothLink, WhatSetBluetoothDoesNotChange) {
    KrixEmu::KrixEmulator cable; // a device on a cable: a link through the modules fails on it
    cable.Start();
    setenv(CableComVariable, cable.SlaveName().c_str(), 1);

    // Without a driver thread nothing is kept.
    LinkExports::SetBluetooth(1, Address);
    ASSERT_TRUE(LinkExports::CreateThreadKrix(CableCom, 0));
    ASSERT_TRUE(LinkExports::SetMode(1));
    EXPECT_EQ(Initialise(), 0);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());

    // An address that cannot stand in the call line is refused whole.
    ASSERT_TRUE(LinkExports::CreateThreadKrix(CableCom, 0));
    for (const char* bad : {"0012\r\nset bt pair *", "", "0012 F3", static_cast<const char*>(nullptr)})
        LinkExports::SetBluetooth(1, bad);
    EXPECT_EQ(Initialise(), 0);
    LinkExports::ResetKrix();
    EXPECT_EQ(Initialise(), 0);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());

    // A new thread starts on the cable: the reset does not bring back an earlier thread's modules.
    ASSERT_TRUE(LinkExports::CreateThreadKrix(CableCom, 0));
    LinkExports::SetBluetooth(1, Address);
    ASSERT_TRUE(LinkExports::DeleteThreadKrix());
    ASSERT_TRUE(LinkExports::CreateThreadKrix(CableCom, 0));
    LinkExports::ResetKrix();
    EXPECT_EQ(Initialise(), 0);

    // Switched off again, the reset keeps it off.
    LinkExports::SetBluetooth(1, Address);
    LinkExports::SetBluetooth(0, nullptr);
    LinkExports::ResetKrix();
    EXPECT_EQ(Initialise(), 0);
    EXPECT_EQ(cable.HostBaudsSeen().count(38400), 1u);

    // Switching off needs no address: whatever comes with the flag 0, the modules go off.
    for (const char* any : {"0012\r\nset bt pair *", "", "0012 F3", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(any ? any : "(null)");
        LinkExports::SetBluetooth(1, Address);
        LinkExports::SetBluetooth(0, any);
        LinkExports::ResetKrix();
        EXPECT_EQ(Initialise(), 0);
    }
}
