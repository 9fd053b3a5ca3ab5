// The emulator's tester reads the frames that the host puts on the bus by position: reading one
// frame copies none of the frames before it, however many there are, and frames that arrive
// while the tester reads come to it in order, each once. The host is this test on the emulator's
// pseudo-terminal.
//
// A program of its own: it counts the memory allocations of the reading thread (every frame a
// read copies is one), through its own operator new.
#include "BusTester.h"
#include "KrixEmulator.h"
#include "TesterScript.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// Counted on the thread that asked, while it asked.
thread_local bool counting = false;
thread_local std::size_t allocations = 0;

} // namespace

void* operator new(std::size_t size) {
    if (counting)
        ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using KrixEmu::Bytes;

constexpr auto Limit = std::chrono::seconds(10); // only a fault comes near it
constexpr std::uint8_t CanLength = 0x08;

// The allocations that step makes on this thread.
template <typename Step> std::size_t AllocationsOf(Step step) {
    allocations = 0;
    counting = true;
    step();
    counting = false;
    return allocations;
}

// The ECU's single-frame answer 62 hi lo for frame number n, as the host puts it on the bus:
// the identifier 7E8, the length byte, 8 data bytes.
Bytes EcuFrame(std::size_t n) {
    const auto hi = static_cast<std::uint8_t>(n >> 8), lo = static_cast<std::uint8_t>(n);
    return {0x00, 0x00, 0x07, 0xE8, CanLength, 0x03, 0x62, hi, lo, 0x00, 0x00, 0x00, 0x00};
}
Bytes Answer(std::size_t n) { return {0x62, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}; }

// The host's side of the device: the transparent frames that set a protocol, start the ECU and
// put frames on the bus.
class Host {
public:
    explicit Host(const std::string& device) : fd_(::open(device.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Host() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Open() const { return fd_ >= 0; }

    bool StartTheEcu() {
        Bytes block(51, 0x00);
        block.insert(block.end(), 3 * 21, 0x00); // three empty lists of 20 bytes and their lengths
        return Write(KrixEmu::TransparentFrame(KrixEmu::CodeProtocolSet, block)) &&
               Write(KrixEmu::TransparentFrame(KrixEmu::CodeEcuStartStop, {0x01}));
    }
    bool PutOnBus(const Bytes& data) {
        Bytes payload{0x00}; // the flag byte
        payload.insert(payload.end(), data.begin(), data.end());
        return Write(KrixEmu::TransparentFrame(KrixEmu::CodeBusFrame, payload));
    }

private:
    bool Write(const Bytes& frame) {
        std::size_t at = 0;
        while (at < frame.size()) {
            const ssize_t n = ::write(fd_, frame.data() + at, frame.size() - at);
            if (n <= 0)
                return false;
            at += static_cast<std::size_t>(n);
        }
        return true;
    }
    int fd_ = -1;
};

class EmulatorBusRead : public ::testing::Test {
protected:
    void SetUp() override {
        emulator.Start();
        host.emplace(emulator.SlaveName());
        ASSERT_TRUE(host->Open());
        ASSERT_TRUE(host->StartTheEcu());
        ASSERT_TRUE(emulator.WaitUntilOnBus(Limit));
    }
    void TearDown() override {
        host.reset();
        emulator.Stop();
    }

    KrixEmu::KrixEmulator emulator;
    std::optional<Host> host;
};

// Reading a frame costs the same with 400 frames on the bus as with one: the read takes its one
// frame by position instead of a copy of every frame the bus has carried.
TEST_F(EmulatorBusRead, ReadingAFrameCopiesNoneBeforeIt) {
    constexpr std::size_t Frames = 400;
    KrixEmu::BusTester tester(emulator);
    std::vector<std::size_t> cost;
    const auto read = [&](std::size_t n) {
        std::optional<Bytes> answer;
        cost.push_back(AllocationsOf([&] { answer = tester.CanAnswer(); }));
        EXPECT_EQ(answer, Answer(n)) << "frame " << n;
    };
    ASSERT_TRUE(host->PutOnBus(EcuFrame(0)));
    ASSERT_TRUE(emulator.WaitForBusFrames(1, Limit));
    read(0); // the only frame on the bus
    for (std::size_t n = 1; n < Frames; ++n)
        ASSERT_TRUE(host->PutOnBus(EcuFrame(n)));
    ASSERT_TRUE(emulator.WaitForBusFrames(Frames, Limit));
    for (std::size_t n = 1; n < Frames; ++n)
        read(n);
    // The transcript growing by doubling adds one allocation now and then; a copy of the frames
    // on the bus would add one for each of them.
    const std::size_t most = *std::max_element(cost.begin(), cost.end());
    EXPECT_LE(most, cost.front() + 2) << "reading the only frame made " << cost.front()
                                      << " allocations, reading frame " << Frames - 1 << " of " << Frames << " made "
                                      << cost.back();
}

// The host puts frames on the bus while the tester reads them: every one comes once, in order,
// and none after the last.
TEST_F(EmulatorBusRead, FramesArrivingWhileTheTesterReadsComeInOrderOnce) {
    constexpr std::size_t Frames = 3000;
    constexpr std::size_t Batch = 50;
    KrixEmu::BusTester::Options options;
    options.frameTimeout = Limit;
    KrixEmu::BusTester tester(emulator, options);
    std::atomic<bool> written{true};
    std::thread writer([&] {
        for (std::size_t n = 0; n < Frames; ++n) {
            if (!host->PutOnBus(EcuFrame(n))) {
                written = false;
                return;
            }
            if (n % Batch == Batch - 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::vector<Bytes> answers;
    for (std::size_t n = 0; n < Frames; ++n) {
        std::optional<Bytes> answer = tester.CanAnswer();
        if (!answer)
            break;
        answers.push_back(std::move(*answer));
    }
    writer.join();
    ASSERT_TRUE(written.load());
    ASSERT_EQ(answers.size(), Frames);
    for (std::size_t n = 0; n < Frames; ++n)
        ASSERT_EQ(answers[n], Answer(n)) << "answer " << n;
    EXPECT_EQ(emulator.BusFrameCount(), Frames);
    EXPECT_EQ(tester.Transcript().size(), Frames);

    KrixEmu::BusTester::Options brief;
    brief.frameTimeout = std::chrono::milliseconds(50);
    KrixEmu::BusTester late(emulator, brief); // starts behind the frames already there
    EXPECT_FALSE(late.CanAnswer().has_value());
}

// A script prints every exchange's frames and then lets them go: a script of any length runs in
// the memory of one exchange.
TEST_F(EmulatorBusRead, AScriptKeepsNoFramesItHasPrinted) {
    constexpr std::size_t Steps = 3;
    KrixEmu::BusTester tester(emulator);
    std::string script;
    for (std::size_t n = 0; n < Steps; ++n) {
        script += "can 22 00 0" + std::to_string(n) + " => 62 00 0" + std::to_string(n) + "\n";
        ASSERT_TRUE(host->PutOnBus(EcuFrame(n))); // the answers wait on the bus already
    }
    std::istringstream text(script);
    std::string error;
    const auto steps = KrixEmu::ParseTesterScript(text, &error);
    ASSERT_TRUE(steps) << error;
    std::ostringstream out;
    EXPECT_TRUE(KrixEmu::RunTesterScript(tester, *steps, out)) << out.str();
    EXPECT_NE(out.str().find("    tester -> ECU   03 22 00 02 55 55 55 55"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("    ECU -> tester   00 00 07 E8 08 03 62 00 02 00 00 00 00"), std::string::npos)
        << out.str();
    EXPECT_TRUE(tester.Transcript().empty()) << tester.Transcript().size() << " frames kept";
}

} // namespace
