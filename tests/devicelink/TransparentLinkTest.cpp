// Transparent mode on a virtual clock: the commands as written, the reader's limits, the state
// rules (a pending command ends only with its own answer or its time-out), and the queue of
// received bus frames.
#include "LogCapture.h"
#include "ScriptedLink.h"
#include "Transparent.h"

#include <gtest/gtest.h>

#include <array>

namespace {

constexpr std::uint8_t Start = 0x5B;
constexpr std::uint8_t Marker = 0x30;
constexpr std::uint8_t Ok = 0x80;
constexpr std::uint8_t Error = 0x81;
constexpr std::size_t ProtocolSetSize = 120;
constexpr std::size_t BlockAt = 5, Len1At = 56, List1At = 57, Len2At = 77, List2At = 78, Len3At = 98, List3At = 99;
constexpr std::size_t ListRoom = 20;
constexpr std::uint32_t AnswerTimeoutMs = 3000;

std::uint8_t Xor(const Bytes& b, std::size_t n) {
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < n; ++i)
        x ^= b[i];
    return x;
}

// A frame as the device sends it: header, code, status, data, check byte.
Bytes DeviceFrame(std::uint8_t code, std::uint8_t status, const Bytes& data = {}, std::uint8_t marker = Marker) {
    const std::size_t total = 7 + data.size();
    Bytes f{Start, static_cast<std::uint8_t>(total >> 8), static_cast<std::uint8_t>(total), marker, code, status};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(Xor(f, f.size()));
    return f;
}

struct Fixture {
    VirtualClock clock{10'000};
    DeviceClock deviceClock{&clock};
    ScriptedLink link{clock};
    TransparentLink t{link, deviceClock};

    // Runs driver turns until every scripted byte was read (and a few more for the time-outs).
    void TurnUntilRead(int extraTurns = 1) {
        for (int guard = 0; guard < 10'000 && link.Pending() > 0; ++guard)
            t.turn();
        for (int i = 0; i < extraTurns; ++i)
            t.turn();
    }
    std::vector<Bytes> Taken() {
        std::vector<Bytes> out;
        std::array<std::uint8_t, TransparentLink::MaxReceivedData> data{};
        int length = -1;
        while (t.takeTransparentFrame(&length, data.data()))
            out.emplace_back(data.begin(), data.begin() + length);
        EXPECT_EQ(length, 0);
        return out;
    }
    bool SendProtocolSet() {
        const std::array<std::uint8_t, 51> block{};
        return t.sendProtocolSet(1, block.data(), 0, nullptr, 0, nullptr, 0, nullptr);
    }
};

} // namespace

TEST(TransparentCommands, ProtocolSetLaysOutBlockAndListsWithItsCheckByte) {
    Fixture f;
    std::array<std::uint8_t, 51> block;
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i + 1);
    Bytes list1(ListRoom);
    for (std::size_t i = 0; i < list1.size(); ++i)
        list1[i] = static_cast<std::uint8_t>(0xC0 + i);
    const Bytes list2{0x02, 0x7E};
    ASSERT_TRUE(f.t.sendProtocolSet(1, block.data(), 20, list1.data(), 2, list2.data(), 0, nullptr));
    ASSERT_EQ(f.link.writes.size(), 1u);
    const Bytes& w = f.link.writes[0];
    ASSERT_EQ(w.size(), ProtocolSetSize);
    EXPECT_EQ(Bytes(w.begin(), w.begin() + 5), (Bytes{Start, 0x00, 0x78, Marker, '0'}));
    EXPECT_EQ(Bytes(w.begin() + BlockAt, w.begin() + Len1At), Bytes(block.begin(), block.end()));
    EXPECT_EQ(w[Len1At], 20);
    EXPECT_EQ(Bytes(w.begin() + List1At, w.begin() + Len2At), list1);
    EXPECT_EQ(w[Len2At], 2);
    Bytes field2 = list2;
    field2.resize(ListRoom, 0);
    EXPECT_EQ(Bytes(w.begin() + List2At, w.begin() + Len3At), field2);
    EXPECT_EQ(Bytes(w.begin() + Len3At, w.begin() + 119), Bytes(1 + ListRoom, 0));
    EXPECT_EQ(w[119], Xor(w, 119));
    EXPECT_EQ(f.t.state(), TransparentLink::StatePending);

    // Empty lists: zeros from offset 56 to 118.
    ASSERT_TRUE(f.SendProtocolSet());
    const Bytes& e = f.link.writes[1];
    EXPECT_EQ(Bytes(e.begin() + Len1At, e.begin() + 119), Bytes(119 - Len1At, 0));
    EXPECT_EQ(e[119], Xor(e, 119));
}

TEST(TransparentCommands, RefusalsWriteNothingAndKeepTheState) {
    Fixture f;
    const std::array<std::uint8_t, 51> block{};
    const Bytes list(21, 0x11);
    const Bytes data(506, 0x22);
    EXPECT_FALSE(f.t.sendProtocolSet(0, block.data(), 0, nullptr, 21, list.data(), 0, nullptr));
    EXPECT_FALSE(f.t.sendProtocolSet(0, block.data(), 3, nullptr, 0, nullptr, 0, nullptr)); // a list missing
    EXPECT_FALSE(f.t.sendProtocolSet(0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(f.t.sendTransparentFrame(0, 506, data.data()));
    EXPECT_FALSE(f.t.sendTransparentFrame(0, -1, data.data()));
    EXPECT_FALSE(f.t.sendTransparentFrame(0, 3, nullptr));
    EXPECT_TRUE(f.link.writes.empty());
    EXPECT_EQ(f.t.state(), TransparentLink::StateReady);

    // A failed write: false, and the command is not pending.
    f.link.failWrites = true;
    EXPECT_FALSE(f.SendProtocolSet());
    EXPECT_FALSE(f.t.sendEcuStartStop(1));
    EXPECT_FALSE(f.t.sendTransparentFrame(0, 1, data.data()));
    EXPECT_EQ(f.t.state(), TransparentLink::StateReady);
}

TEST(TransparentCommands, EcuStartStopAndBusFrames) {
    Fixture f;
    ASSERT_TRUE(f.t.sendEcuStartStop(7)); // any non-zero start is a start
    ASSERT_TRUE(f.t.sendEcuStartStop(0));
    const Bytes start{Start, 0x00, 0x07, Marker, '1', 0x01};
    const Bytes stop{Start, 0x00, 0x07, Marker, '1', 0x00};
    EXPECT_EQ(f.link.writes[0], Concat(start, {Xor(start, 6)}));
    EXPECT_EQ(f.link.writes[1], Concat(stop, {Xor(stop, 6)}));

    f.t.setState(TransparentLink::StateReady);
    ASSERT_TRUE(f.t.sendTransparentFrame(0, 0, nullptr));
    const Bytes empty{Start, 0x00, 0x07, Marker, '2', 0x00};
    EXPECT_EQ(f.link.writes[2], Concat(empty, {Xor(empty, 6)}));
    Bytes data(505);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(f.t.sendTransparentFrame(0, 505, data.data()));
    const Bytes& longest = f.link.writes[3];
    ASSERT_EQ(longest.size(), 512u);
    EXPECT_EQ(Bytes(longest.begin(), longest.begin() + 6), (Bytes{Start, 0x02, 0x00, Marker, '2', 0x00}));
    EXPECT_EQ(Bytes(longest.begin() + 6, longest.end() - 1), data);
    EXPECT_EQ(longest.back(), Xor(longest, 511));
    EXPECT_EQ(f.t.state(), TransparentLink::StateReady); // a bus frame leaves the state alone
}

TEST(TransparentDispatch, FramesWhileReady) {
    struct Case {
        const char* name;
        Bytes frame;
        std::int32_t state;
        std::size_t queued;
    };
    const Case cases[] = {
        {"p ok", DeviceFrame('p', Ok), TransparentLink::StateReady, 0},
        {"p refused", DeviceFrame('p', Error), TransparentLink::StateRefused, 0},
        {"q ok", DeviceFrame('q', Ok), TransparentLink::StateReady, 0},
        {"q other status", DeviceFrame('q', 0x00), TransparentLink::StateRefused, 0},
        {"r with a bus frame", DeviceFrame('r', Ok, {0x01, 0x02, 0x03}), TransparentLink::StateReady, 1},
        {"r without data", DeviceFrame('r', Ok), TransparentLink::StateReady, 0},
        {"r bus error", DeviceFrame('r', Error), TransparentLink::StateError, 0},
        {"r other status", DeviceFrame('r', 0x82), TransparentLink::StateRefused, 0},
        {"byte 3 not '0'", DeviceFrame('p', Ok, {}, 0x31), TransparentLink::StateRefused, 0},
        {"unknown code", DeviceFrame('s', Ok), TransparentLink::StateRefused, 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.link.Then(5, c.frame);
        f.TurnUntilRead(0);
        EXPECT_EQ(f.t.state(), c.state) << c.name;
        EXPECT_EQ(f.t.waitingFrames(), c.queued) << c.name;
    }
}

TEST(TransparentDispatch, APendingCommandEndsOnlyWithItsOwnAnswer) {
    struct Case {
        const char* name;
        std::vector<Bytes> frames; // arriving after the '0' command
        std::int32_t state;
        std::size_t queued;
    };
    const Case cases[] = {
        {"its answer", {DeviceFrame('p', Ok)}, TransparentLink::StateReady, 0},
        {"its answer, refused", {DeviceFrame('p', Error)}, TransparentLink::StateRefused, 0},
        {"the other command's answer", {DeviceFrame('q', Ok)}, TransparentLink::StatePending, 0},
        {"a bus frame", {DeviceFrame('r', Ok, {0x02, 0x10, 0x03})}, TransparentLink::StatePending, 1},
        {"a bus error", {DeviceFrame('r', Error)}, TransparentLink::StatePending, 0},
        {"noise, then its answer", {{0x00, 0x13}, DeviceFrame('p', Ok)}, TransparentLink::StateReady, 0},
        {"a bus frame, then its answer", {DeviceFrame('r', Ok, {0x07}), DeviceFrame('p', Ok)}, TransparentLink::StateReady, 1},
    };
    for (const Case& c : cases) {
        Fixture f;
        ASSERT_TRUE(f.SendProtocolSet()) << c.name;
        for (const Bytes& frame : c.frames)
            f.link.Then(5, frame);
        f.TurnUntilRead();
        EXPECT_EQ(f.t.state(), c.state) << c.name;
        EXPECT_EQ(f.t.waitingFrames(), c.queued) << c.name;
    }
    // A frame with a wrong check byte is no answer either.
    Fixture f;
    ASSERT_TRUE(f.SendProtocolSet());
    Bytes bad = DeviceFrame('p', Ok);
    bad.back() ^= 0x01;
    f.link.Then(5, bad);
    f.TurnUntilRead();
    EXPECT_EQ(f.t.state(), TransparentLink::StatePending);
}

TEST(TransparentDispatch, ASilentDeviceFailsTheCommandAfterItsTimeOut) {
    Fixture f;
    ASSERT_TRUE(f.t.sendEcuStartStop(1));
    const std::uint64_t written = f.clock.NowMs();
    while (f.clock.NowMs() - written < AnswerTimeoutMs - 50) {
        f.t.turn(); // empty reads do not end the wait
        ASSERT_EQ(f.t.state(), TransparentLink::StatePending);
    }
    while (f.clock.NowMs() - written < AnswerTimeoutMs + 50)
        f.t.turn();
    EXPECT_EQ(f.t.state(), TransparentLink::StateRefused);

    // A late answer no longer counts as the command's; refused, nothing is read until a new
    // command or SetMode sets the state again.
    f.link.Then(5, DeviceFrame('q', Ok));
    for (int i = 0; i < 20; ++i)
        f.t.turn();
    EXPECT_EQ(f.link.Pending(), DeviceFrame('q', Ok).size());
    f.t.setState(TransparentLink::StateReady);
    f.TurnUntilRead(0);
    EXPECT_EQ(f.link.Pending(), 0u);
}

TEST(TransparentDispatch, AfterABusErrorNothingIsReadUntilANewCommand) {
    Fixture f;
    f.link.Then(5, DeviceFrame('r', Error));
    f.TurnUntilRead(0);
    ASSERT_EQ(f.t.state(), TransparentLink::StateError);
    f.link.Then(5, DeviceFrame('r', Ok, {0x01}));
    for (int i = 0; i < 20; ++i)
        f.t.turn();
    EXPECT_EQ(f.t.waitingFrames(), 0u);
    EXPECT_GT(f.link.Pending(), 0u);
    ASSERT_TRUE(f.t.sendEcuStartStop(1)); // purges the input and waits for 'q'
    f.link.Then(5, DeviceFrame('q', Ok));
    f.TurnUntilRead();
    EXPECT_EQ(f.t.state(), TransparentLink::StateReady);
}

TEST(TransparentDispatch, ACommandsPurgeEndsTheFrameTheReaderHasBegun) {
    // The reader has taken the head of a bus frame when a command purges the input; the rest of
    // that frame went with the purge, and the command's answer comes next. The answer is read as
    // a frame of its own, not as the rest of the cut one.
    const Bytes busFrame = DeviceFrame('r', Ok, Bytes(40, 0x11));
    constexpr std::size_t TakenBeforePurge = 6;
    for (const std::uint8_t command : {'0', '1'}) {
        SCOPED_TRACE(static_cast<char>(command));
        Fixture f;
        f.link.Then(5, busFrame);
        f.link.BeforeWait(TakenBeforePurge + 1, [&] {
            ASSERT_TRUE(command == '0' ? f.SendProtocolSet() : f.t.sendEcuStartStop(0));
            f.link.Then(5, DeviceFrame(command + 0x40, Ok));
        });
        f.TurnUntilRead();
        EXPECT_EQ(f.t.state(), TransparentLink::StateReady);
        EXPECT_EQ(f.t.waitingFrames(), 0u);
    }

    // A frame read whole before the purge but not yet dispatched belongs to the time before the
    // command: it is neither queued nor taken as the command's answer.
    Fixture f;
    f.link.Then(5, DeviceFrame('q', Ok));
    f.link.Then(1, DeviceFrame('r', Ok, {0x01}));
    ASSERT_EQ(f.t.rxTransparent(), TransparentLink::ReadGood);
    ASSERT_TRUE(f.t.sendEcuStartStop(1));
    f.t.dispatchTransparent();
    EXPECT_EQ(f.t.state(), TransparentLink::StatePending);
    EXPECT_EQ(f.t.waitingFrames(), 0u);
}

TEST(TransparentRead, ReaderLimits) {
    LogCapture log;
    Bytes long300(300 - 7, 0x3C);
    const Bytes good300 = DeviceFrame('r', Ok, long300);
    Bytes bad300 = good300;
    bad300[150] ^= 0x40;
    const Bytes overLong{Start, 0x04, 0x01, Marker, 'r', Ok, 0x00};
    const Bytes tooShort{Start, 0x00, 0x05, Marker, 'r'};
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint64_t, Bytes>> script;
        int result;
        const char* logLine;
    };
    const Bytes frame = DeviceFrame('r', Ok, {0x01, 0x02});
    const Case cases[] = {
        {"nothing there", {}, TransparentLink::ReadNothing, nullptr},
        {"noise byte", {{0, {0x13}}}, TransparentLink::ReadBad, "Rx Transparent ->hEADER nOT OK"},
        {"length over 1024", {{0, overLong}}, TransparentLink::ReadTooLong, nullptr},
        {"length below a frame", {{0, tooShort}}, TransparentLink::ReadBad, "Rx Transparent ->Chk Errata"},
        {"gap of 201 ms", {{0, Bytes(frame.begin(), frame.begin() + 4)}, {201, Bytes(frame.begin() + 4, frame.end())}},
         TransparentLink::ReadBad, "Rx Transparent ->Timeout Intrabyte"},
        {"gap of 199 ms", {{0, Bytes(frame.begin(), frame.begin() + 4)}, {199, Bytes(frame.begin() + 4, frame.end())}},
         TransparentLink::ReadGood, nullptr},
        {"300 bytes checked in full", {{0, good300}}, TransparentLink::ReadGood, nullptr},
        {"300 bytes with a wrong byte", {{0, bad300}}, TransparentLink::ReadBad, "Rx Transparent ->Chk Errata"},
    };
    for (const Case& c : cases) {
        log.Clear();
        Fixture f;
        for (const auto& [gap, bytes] : c.script)
            f.link.Then(gap, bytes);
        EXPECT_EQ(f.t.rxTransparent(), c.result) << c.name;
        if (c.logLine) {
            EXPECT_TRUE(log.Contains(c.logLine)) << c.name;
        }
    }

    // What an over-long frame leaves in the port is dropped byte by byte; the state stays ready.
    Fixture f;
    f.link.Then(0, Concat(overLong, frame));
    f.TurnUntilRead(0);
    EXPECT_EQ(f.t.state(), TransparentLink::StateReady);
    EXPECT_EQ(f.Taken(), (std::vector<Bytes>{{0x01, 0x02}}));
}

TEST(TransparentQueue, BusFramesComeOutInOrderAndTheOldestGoesWhenFull) {
    LogCapture log;
    Fixture f;
    std::vector<Bytes> sent;
    const std::size_t n = TransparentLink::QueueCapacity + 2;
    for (std::size_t i = 0; i < n; ++i) {
        sent.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 0xAB});
        f.link.Then(1, DeviceFrame('r', Ok, sent.back()));
    }
    f.TurnUntilRead(0);
    EXPECT_EQ(f.t.waitingLength(), 3);
    EXPECT_EQ(f.Taken(), std::vector<Bytes>(sent.begin() + 2, sent.end()));
    EXPECT_TRUE(log.Contains("main: leggikrix: dispatchTransparent: 64 bus frames not taken, the oldest (3 bytes) is "
                             "dropped"));
    EXPECT_EQ(f.t.waitingLength(), 0);

    // The purge before a command clears the frames not yet taken.
    f.link.Then(1, DeviceFrame('r', Ok, {0x55}));
    f.TurnUntilRead(0);
    ASSERT_EQ(f.t.waitingFrames(), 1u);
    ASSERT_TRUE(f.t.sendEcuStartStop(0));
    EXPECT_EQ(f.t.waitingFrames(), 0u);
}
