// The built libkrix_interface.so, loaded with dlopen, driven through the simulator's sequence
// against the emulated device: thread, transparent mode, ECU data, initialisation with the
// program download, protocol set, ECU start, bus frames both ways, reset and end.
#include "LinkLibrary.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "TSeriale.h"

#include <array>
#include <chrono>
#include <thread>

using KrixEmu::Bytes;
using KrixEmu::RequestKind;

namespace {

constexpr std::uint32_t SimulatedSystem = 77; // the device program of the simulation
constexpr char NoLetter = '-';
constexpr const char* SetMux = "000B00304000";
constexpr std::size_t ProgramSize = 1300;     // three blocks, the last one partly filled
constexpr std::uint32_t DownloadBaud = 115200;
constexpr std::uint32_t LineBaud = 38400;
constexpr std::int32_t Running = 1;
constexpr std::int32_t Pending = 2;
constexpr std::int32_t Ready = 1;
constexpr std::size_t StatusTextRoom = 360;
constexpr std::size_t ProtocolSetSize = 120;
constexpr std::uint8_t CanKind = 1;
constexpr std::chrono::milliseconds StopTimeOut{5000};

// Generous: only a broken link comes near it; never a measure of speed.
constexpr auto PollLimit = std::chrono::seconds(30);

template <typename F> auto PollWhile(F poll, std::int32_t busy) {
    const auto end = std::chrono::steady_clock::now() + PollLimit;
    std::int32_t r = poll();
    while (r == busy && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        r = poll();
    }
    return r;
}

// The protocol set as the device must receive it, built field by field.
Bytes ExpectedProtocolSet(const std::array<std::uint8_t, 51>& block, const Bytes& l1, const Bytes& l2) {
    Bytes payload(block.begin(), block.end());
    for (const Bytes* list : {&l1, &l2}) {
        payload.push_back(static_cast<std::uint8_t>(list->size()));
        Bytes field = *list;
        field.resize(20, 0x00);
        payload.insert(payload.end(), field.begin(), field.end());
    }
    payload.push_back(0);
    payload.insert(payload.end(), 20, 0x00);
    return KrixEmu::TransparentFrame(KrixEmu::CodeProtocolSet, payload);
}

} // namespace

class LibrarySequence : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        ASSERT_TRUE(lib.Loaded()) << lib.Error();
        ASSERT_TRUE(lib.AllBound());
        ASSERT_NE(lib.WaitRxFrame, nullptr); // this library offers the wait for a received frame
    }
    LinkLibrary lib;
    ProgramFolder folder;
};

TEST_F(LibrarySequence, TheSimulatorsSequenceAgainstTheDevice) {
    const Bytes program = folder.WriteProgram(SimulatedSystem, ProgramSize);

    ASSERT_TRUE(lib.CreateThreadKrix(Com, 0));
    ASSERT_TRUE(lib.SetMode(1));
    ASSERT_TRUE(lib.SetEcuDirect(SimulatedSystem, NoLetter, SetMux, 0, folder.DataDir().c_str()));
    ASSERT_EQ(lib.InitComKrix(0), 0);
    std::array<std::uint16_t, StatusTextRoom> text;
    text.fill(0xFFFF);
    ASSERT_EQ(PollWhile([&] { return lib.StatusInitKrix(text.data()); }, Running), 0);
    EXPECT_EQ(text[0], 0); // no catalogue: the message is empty

    // The exact image, every block received at 115200, the line back at 38400, mux as set.
    EXPECT_EQ(emulator.ProgramImage(), ProgramFolder::Loaded(program));
    const std::vector<KrixEmu::ProgramBlock> blocks = emulator.ProgramBlocks();
    ASSERT_EQ(blocks.size(), 3u);
    for (const KrixEmu::ProgramBlock& b : blocks)
        EXPECT_EQ(b.baud, DownloadBaud);
    EXPECT_TRUE(emulator.ProgramStarted());
    EXPECT_EQ(emulator.LineBaud(), LineBaud);
    emulator.Inspect([](const KrixEmu::DeviceModel& m) {
        EXPECT_EQ(m.MuxRecord(), (std::array<std::uint8_t, 5>{0x02, 0x00, 0x30, 0x40, 0x00}));
    });
    // In transparent mode the device record, the letter and the lists are not asked for.
    EXPECT_EQ(emulator.Count(RequestKind::DeviceRecord), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::TableRow), 0u);

    std::array<std::uint8_t, 51> block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    const Bytes request{0x02, 0x3E, 0x00};
    const Bytes answer{0x02, 0x7E, 0x00};
    ASSERT_TRUE(lib.SetProtocolType(CanKind, block.data(), static_cast<std::uint8_t>(request.size()), request.data(),
                                    static_cast<std::uint8_t>(answer.size()), answer.data(), 0, nullptr));
    EXPECT_EQ(PollWhile([&] { return lib.StatusTransparent(); }, Pending), Ready);
    const std::vector<Bytes> transparent = emulator.TransparentFrames();
    ASSERT_EQ(transparent.size(), 1u);
    EXPECT_EQ(transparent[0].size(), ProtocolSetSize);
    EXPECT_EQ(transparent[0], ExpectedProtocolSet(block, request, answer));

    ASSERT_TRUE(lib.StartStop_Ecu(1));
    EXPECT_EQ(PollWhile([&] { return lib.StatusTransparent(); }, Pending), Ready);
    ASSERT_TRUE(emulator.OnBus());

    // Frames from the bus come out of RxFrame in the order they arrived; WaitRxFrame tells the
    // caller when one is there, without taking it.
    EXPECT_EQ(lib.WaitRxFrame(0), 0);
    const std::vector<Bytes> fromBus = {{0x02, 0x10, 0x03, 0x55, 0x55, 0x55, 0x55, 0x55},
                                        {0x03, 0x22, 0xF1, 0x90, 0x55, 0x55, 0x55, 0x55},
                                        {0x10, 0x14, 0x31, 0x01, 0x02, 0x03, 0x50, 0x41}};
    for (const Bytes& f : fromBus)
        ASSERT_TRUE(emulator.InjectBusFrame(f));
    std::vector<Bytes> taken;
    const auto end = std::chrono::steady_clock::now() + PollLimit;
    while (taken.size() < fromBus.size() && std::chrono::steady_clock::now() < end) {
        if (lib.WaitRxFrame(1000) != 1)
            continue;
        EXPECT_EQ(lib.WaitRxFrame(0), 1); // still there: the wait took nothing
        std::array<std::uint8_t, KrixRxFrameRoom> data{};
        int length = -1;
        ASSERT_TRUE(lib.RxFrame(&length, data.data()));
        taken.emplace_back(data.begin(), data.begin() + length);
    }
    EXPECT_EQ(taken, fromBus);
    EXPECT_EQ(lib.WaitRxFrame(0), 0);

    // Frames given to TxFrame reach the bus as they were given.
    const std::vector<Bytes> toBus = {{0x00, 0x00, 0x07, 0xE8, 0x08, 0x02, 0x50, 0x03},
                                      {0x00, 0x00, 0x07, 0xE8, 0x08, 0x30, 0x01, 0x00, 0, 0, 0, 0, 0}};
    for (const Bytes& f : toBus)
        ASSERT_TRUE(lib.TxFrame(0, static_cast<int>(f.size()), f.data()));
    ASSERT_TRUE(emulator.WaitForBusFrames(toBus.size(), PollLimit));
    EXPECT_EQ(emulator.BusFramesFromHost(), toBus);

    // Neither the reset nor the end waits out a time-out of the thread's stop (5000 ms).
    const std::size_t resetsBefore = emulator.Count(RequestKind::DeviceControl2);
    auto start = std::chrono::steady_clock::now();
    lib.ResetKrix();
    EXPECT_LT(std::chrono::steady_clock::now() - start, StopTimeOut);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl2), resetsBefore + 1);
    EXPECT_FALSE(emulator.OnBus()); // the reset took the device off the bus
    EXPECT_EQ(lib.StatusKrix(), 46); // a new thread, no link yet

    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(lib.DeleteThreadKrix());
    EXPECT_LT(std::chrono::steady_clock::now() - start, StopTimeOut);
    EXPECT_FALSE(lib.DeleteThreadKrix());
    TSeriale again; // the library no longer holds the port
    EXPECT_EQ(again.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
}

TEST_F(LibrarySequence, WithoutADriverThreadEveryFunctionFails) {
    std::array<std::uint8_t, 51> block{};
    std::array<std::uint8_t, KrixRxFrameRoom> data{};
    std::array<std::uint16_t, StatusTextRoom> text{};
    int length = -1;
    EXPECT_FALSE(lib.SetMode(1));
    EXPECT_FALSE(lib.SetEcuDirect(SimulatedSystem, NoLetter, SetMux, 0, folder.DataDir().c_str()));
    EXPECT_EQ(lib.InitComKrix(0), -14);
    EXPECT_EQ(lib.StatusInitKrix(text.data()), -14);
    EXPECT_FALSE(lib.SetProtocolType(CanKind, block.data(), 0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(lib.StartStop_Ecu(1));
    EXPECT_FALSE(lib.TxFrame(0, 3, data.data()));
    EXPECT_FALSE(lib.RxFrame(&length, data.data()));
    EXPECT_EQ(length, 0);
    EXPECT_EQ(lib.StatusTransparent(), 0);
    EXPECT_EQ(lib.WaitRxFrame(1000), -1); // at once
    EXPECT_EQ(lib.StatusKrix(), 46);
    EXPECT_EQ(lib.SetEcu(0), -14);
    lib.ResetKrix(); // nothing to reset
    EXPECT_FALSE(lib.DeleteThreadKrix());
    EXPECT_TRUE(emulator.Received().empty());
}

TEST_F(LibrarySequence, ExportsTheLinkFunctionsAndNothingOfItsInside) {
    for (const char* inside : {"_Z12CurrentClockv", "_Z15SetCurrentClockP5Clock", "_Z8InitKRIXR11TKrixThread",
                               "_ZN11LinkExports16CreateThreadKrixEih"})
        EXPECT_EQ(lib.Symbol(inside), nullptr) << inside;
}
