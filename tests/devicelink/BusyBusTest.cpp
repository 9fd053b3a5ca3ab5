// Transparent-mode commands while the tester keeps the bus busy: the device's 'r' frames arrive
// back to back, so the driver thread is nearly always in the middle of one when a command purges
// the input. Through the link functions in-process, against the emulated device; pauses are
// skipped, time-outs run in real time.
#include "KrixLinkApi.h"
#include "LinkExports.h"
#include "ProgramFolder.h"
#include "PtyFixture.h"
#include "SkippingClock.h"
#include "TransparentModel.h"

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using KrixEmu::Bytes;

namespace {

constexpr std::uint32_t System = 77;
constexpr char NoLetter = '-';
constexpr const char* SetMux = "000B00304000";
constexpr std::size_t ProgramSize = 600;
constexpr std::int32_t Running = 1;
constexpr std::int32_t Pending = 2;
constexpr std::int32_t Ready = 1;
constexpr int Rounds = 200;
constexpr std::size_t BusFrameKinds = 32;
constexpr std::size_t ShortestBusData = 8;
constexpr auto BetweenInjectedFrames = std::chrono::microseconds(50);

// Generous: only a broken link comes near it; never a measure of speed.
constexpr auto PollLimit = std::chrono::seconds(30);

// Time runs as real time does (so the command's 3000 ms answer time-out is real), while every
// pause of the device code costs only a moment.
class PausesSkippedClock final : public Clock {
public:
    std::uint64_t NowMs() override { return real_.NowMs(); }
    void SleepMs(std::uint32_t) override { std::this_thread::sleep_for(std::chrono::microseconds(100)); }

private:
    SteadyClock real_;
};

template <typename F> std::int32_t PollWhile(F poll, std::int32_t busy) {
    const auto end = std::chrono::steady_clock::now() + PollLimit;
    std::int32_t r = poll();
    while (r == busy && std::chrono::steady_clock::now() < end)
        r = poll();
    return r;
}

// 'r' frames of several lengths in which no byte but the first is 0x5B: a frame whose head was
// purged is then dropped up to the next real frame start, never mistaken for one.
std::vector<Bytes> BusFrames() {
    std::vector<Bytes> frames;
    for (std::size_t i = 0; frames.size() < BusFrameKinds; ++i) {
        Bytes data(ShortestBusData + i % 24);
        for (std::size_t j = 0; j < data.size(); ++j)
            data[j] = static_cast<std::uint8_t>(0x10 + (i * 7 + j) % 0x40);
        const Bytes frame = KrixEmu::TransparentModel::ReceivedFrame(data);
        if (std::find(frame.begin() + 1, frame.end(), KrixEmu::FrameStart) == frame.end())
            frames.push_back(frame);
    }
    return frames;
}

} // namespace

class BusyBus : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        folder.WriteProgram(System, ProgramSize);
        ASSERT_TRUE(LinkExports::CreateThreadKrix(Com, 0));
        ASSERT_TRUE(LinkExports::SetMode(1));
        ASSERT_TRUE(LinkExports::SetEcuDirect(System, NoLetter, SetMux, 0, folder.DataDir().c_str()));
        ASSERT_EQ(LinkExports::InitComKrix(0), 0);
        std::array<std::uint16_t, LinkExports::StatusInitTextRoom> text{};
        ASSERT_EQ(PollWhile([&] { return LinkExports::StatusInitKrix(text.data()); }, Running), 0);
        const std::array<std::uint8_t, KrixProtocolBlockSize> block{};
        ASSERT_TRUE(LinkExports::SetProtocolType(1, block.data(), 0, nullptr, 0, nullptr, 0, nullptr));
        ASSERT_EQ(PollWhile([] { return LinkExports::StatusTransparent(); }, Pending), Ready);
    }
    void TearDown() override {
        LinkExports::DeleteThreadKrix();
        PtyFixture::TearDown();
    }

    PausesSkippedClock clock;
    CurrentClockGuard guard{clock};
    ProgramFolder folder;
};

TEST_F(BusyBus, EcuStopAndStartAreAnsweredWhileFramesArriveBackToBack) {
    const std::vector<Bytes> frames = BusFrames();
    std::atomic<bool> done{false};
    // The device delivers the tester's frames whether or not the simulated ECU runs.
    std::thread tester([&] {
        for (std::size_t n = 0; !done.load(); ++n) {
            emulator.SendRaw(frames[n % frames.size()]);
            std::this_thread::sleep_for(BetweenInjectedFrames);
        }
    });
    // The engine takes the frames as they come, so that none is dropped for a full queue.
    std::thread engine([&] {
        std::array<std::uint8_t, KrixRxFrameRoom> data{};
        int length = 0;
        while (!done.load())
            if (!LinkExports::RxFrame(&length, data.data()))
                std::this_thread::sleep_for(std::chrono::microseconds(200));
    });

    int answered = 0;
    for (int round = 0; round < Rounds; ++round) {
        const std::uint8_t start = round % 2 == 0 ? 0 : 1;
        if (!LinkExports::StartStop_Ecu(start)) {
            ADD_FAILURE() << "StartStop_Ecu(" << int{start} << ") not written in round " << round;
            break;
        }
        const std::int32_t state = PollWhile([] { return LinkExports::StatusTransparent(); }, Pending);
        if (state != Ready) {
            ADD_FAILURE() << "StartStop_Ecu(" << int{start} << ") ended in state " << state << " in round " << round;
            break;
        }
        ++answered;
    }
    done = true;
    tester.join();
    engine.join();
    EXPECT_EQ(answered, Rounds);
    EXPECT_GT(emulator.Count(KrixEmu::RequestKind::Any), 0u);
}
