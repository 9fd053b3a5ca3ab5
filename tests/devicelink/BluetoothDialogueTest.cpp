// The Bluetooth modules' dialogue on a virtual clock: the set-up frames byte for byte, their
// replies, the call's text lines, and every wait's end.
#include "BluetoothModule.h"
#include "LogCapture.h"
#include "ScriptedLink.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Frames and replies written out here from the modules' rules, not from the library's builder.
const Bytes LocalReset = {0xD5, 0xE1, 0x10, 0x24, 0x01, 0x01, 0xEC};
const Bytes RemoteReset = {0xD5, 0xE1, 0x11, 0x24, 0x01, 0x01, 0xED};
Bytes RemoteSpeed(std::uint8_t code, std::uint8_t sum) { return {0xD5, 0xE1, 0x11, 0x21, 0x06, code, 0x01, 0x08, 0x01, 0x01, 0x00, sum}; }
const Bytes ResetReply = {0xE5, 0xD5, 0xE1, 0x64, 0x01, 0x00, 0x00};
const Bytes SpeedReply = {0xE5, 0xD5, 0xE1, 0x61, 0x01, 0x00, 0xFD};

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct Fixture {
    VirtualClock clock{1000};
    DeviceClock deviceClock{&clock};
    ScriptedLink link{clock};
    BluetoothModule module{link, deviceClock};
};

} // namespace

TEST(BluetoothFrames, SetUpFramesByteForByte) {
    EXPECT_EQ(Bluetooth::ResetFrame(Bluetooth::LocalModule), LocalReset);
    EXPECT_EQ(Bluetooth::ResetFrame(Bluetooth::RemoteModule), RemoteReset);
    struct Case {
        int code;
        Bytes frame;
    };
    const Case cases[] = {
        {3, RemoteSpeed(0x03, 0xFC)}, {5, RemoteSpeed(0x05, 0xFE)}, {7, RemoteSpeed(0x07, 0x00)},
        {0, RemoteSpeed(0x01, 0xFA)}, {-4, RemoteSpeed(0x01, 0xFA)}, {9, RemoteSpeed(0x07, 0x00)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Bluetooth::RemoteSpeedFrame(c.code, Bluetooth::RemoteModule), c.frame) << c.code;
    EXPECT_EQ(Bluetooth::SpeedCodeFor(9600), 3);
    EXPECT_EQ(Bluetooth::SpeedCodeFor(38400), 5);
    EXPECT_EQ(Bluetooth::SpeedCodeFor(115200), 7);
    EXPECT_EQ(Bluetooth::SpeedCodeFor(57600), 0);
}

TEST(BluetoothSetup, Replies) {
    struct Case {
        const char* name;
        bool reset; // else remote speed
        Bytes reply;
        bool accepted;
    };
    Bytes badSum = ResetReply;
    badSum.back() = 0x01;
    Bytes otherCommand = SpeedReply; // a remote-speed reply to a reset
    Bytes noMarker = ResetReply;
    noMarker[2] = 0xE2;
    noMarker.back() = 0x01;
    const Case cases[] = {
        {"reset", true, ResetReply, true},
        {"remote speed", false, SpeedReply, true},
        {"repeated lead bytes are dropped", true, {0xE5, 0xE5, 0xD5, 0xE5, 0xE1, 0x64, 0xE5, 0x01, 0x00, 0x00}, true},
        {"noise after the reply is left", true, Concat(ResetReply, {0x41, 0x42}), true},
        {"wrong check byte", true, badSum, false},
        {"reply of another command", true, otherCommand, false},
        {"no E1 marker", true, noMarker, false},
        {"two data bytes", true, {0xE5, 0xD5, 0xE1, 0x64, 0x02, 0x00, 0x07, 0x08}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.link.Then(30, c.reply);
        const bool ok = c.reset ? f.module.moduleReset(Bluetooth::LocalModule) : f.module.setRemoteSpeed(5, Bluetooth::RemoteModule);
        EXPECT_EQ(ok, c.accepted);
        ASSERT_EQ(f.link.writes.size(), 1u);
        EXPECT_EQ(f.link.writes[0], c.reset ? LocalReset : RemoteSpeed(0x05, 0xFE));
    }
}

TEST(BluetoothSetup, WaitsAndTheirEnds) {
    {
        // A silent module: the command fails about 5 seconds after it was written.
        Fixture f;
        const std::uint64_t start = f.clock.NowMs();
        EXPECT_FALSE(f.module.moduleReset(Bluetooth::LocalModule));
        const std::uint64_t waited = f.clock.NowMs() - start;
        EXPECT_GT(waited, Bluetooth::ReplySilenceMs);
        EXPECT_LT(waited, Bluetooth::ReplySilenceMs + 200);
    }
    {
        // A reply that stops half way: 5 seconds after its last byte.
        Fixture f;
        f.link.Then(4000, Bytes(ResetReply.begin(), ResetReply.begin() + 3));
        const std::uint64_t start = f.clock.NowMs();
        EXPECT_FALSE(f.module.moduleReset(Bluetooth::LocalModule));
        EXPECT_GT(f.clock.NowMs() - start, 4000 + Bluetooth::ReplySilenceMs);
    }
    {
        // An accepted reset pauses a second; a remote speed does not.
        Fixture f;
        f.link.Then(10, ResetReply);
        f.link.Then(2000, SpeedReply);
        const std::uint64_t start = f.clock.NowMs();
        ASSERT_TRUE(f.module.moduleReset(Bluetooth::LocalModule));
        EXPECT_GE(f.clock.NowMs() - start, 10 + Bluetooth::AfterResetMs);
        const std::uint64_t speedStart = f.clock.NowMs();
        ASSERT_TRUE(f.module.setRemoteSpeed(7, Bluetooth::RemoteModule));
        EXPECT_LT(f.clock.NowMs() - speedStart, 1200u);
    }
    {
        // Lead bytes without end: the overall limit ends the wait.
        Fixture f;
        for (int i = 0; i < 2000; ++i)
            f.link.Then(i == 0 ? 10 : 20, {0xE5});
        const std::uint64_t start = f.clock.NowMs();
        EXPECT_FALSE(f.module.moduleReset(Bluetooth::LocalModule));
        EXPECT_LE(f.clock.NowMs() - start, Bluetooth::ReplyLimitMs + 200);
    }
    {
        // A stop request ends the wait at once.
        Fixture f;
        f.deviceClock.requestStop();
        const std::uint64_t start = f.clock.NowMs();
        EXPECT_FALSE(f.module.moduleReset(Bluetooth::LocalModule));
        EXPECT_LT(f.clock.NowMs() - start, 100u);
    }
    {
        // A closed line or a failed write: nothing is waited for.
        Fixture f;
        f.link.open = false;
        const std::uint64_t start = f.clock.NowMs();
        EXPECT_FALSE(f.module.moduleReset(Bluetooth::LocalModule));
        EXPECT_FALSE(f.module.setRemoteSpeed(5, Bluetooth::RemoteModule));
        EXPECT_FALSE(f.module.callBluetooth(QStringLiteral("0012F3AABBCC")));
        EXPECT_TRUE(f.link.writes.empty());
        f.link.open = true;
        f.link.failWrites = true;
        EXPECT_FALSE(f.module.moduleReset(Bluetooth::LocalModule));
        EXPECT_FALSE(f.module.callBluetooth(QStringLiteral("0012F3AABBCC")));
        EXPECT_EQ(f.clock.NowMs(), start);
    }
}

TEST(BluetoothCall, ReplyLines) {
    const QString address = QStringLiteral("0012F3AABBCC");
    const Bytes pair = Text("set bt pair *\r\n");
    const Bytes call = Text("call 0012F3AABBCC 1 rfcomm\r\n");
    struct Case {
        const char* name;
        std::vector<std::pair<std::uint64_t, Bytes>> replies; // after the call line was written
        bool connected;
        std::uint64_t atLeastMs, atMostMs; // from the call line to the end of the wait
    };
    const Case cases[] = {
        {"call, then connect", {{40, Text("CALL 0\r\n")}, {300, Text("CONNECT 0\r\n")}}, true, 340, 400},
        {"connect with LF only", {{40, Text("\nCONNECT 0 00:12\n")}}, true, 40, 100},
        {"error once idle", {{40, Text("ERROR\r\n")}}, false, 40, 100},
        {"error, then a late connect", {{40, Text("ERROR\r\n")}, {500, Text("CONNECT 0\r\n")}}, false, 40, 100},
        {"noise without a line end keeps the wait", {{40, Text("RING")}, {3000, Text("\r\nCONNECT 0\r\n")}}, true, 3040,
         3100},
        {"silence", {}, false, Bluetooth::CallSilenceMs, Bluetooth::CallSilenceMs + 100},
        {"call only", {{40, Text("CALL 0\r\n")}}, false, 40 + Bluetooth::CallSilenceMs, 140 + Bluetooth::CallSilenceMs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        // The replies come after the pair line and its 500 ms pause.
        bool first = true;
        for (const auto& [gap, bytes] : c.replies) {
            f.link.Then(first ? Bluetooth::PairPauseMs + gap : gap, bytes);
            first = false;
        }
        const std::uint64_t start = f.clock.NowMs();
        EXPECT_EQ(f.module.callBluetooth(address), c.connected);
        ASSERT_EQ(f.link.writes.size(), 2u);
        EXPECT_EQ(f.link.writes[0], pair);
        EXPECT_EQ(f.link.writes[1], call);
        const std::uint64_t waited = f.clock.NowMs() - start - Bluetooth::PairPauseMs -
                                     (c.connected ? Bluetooth::AfterCallMs : 0);
        EXPECT_GE(waited, c.atLeastMs);
        EXPECT_LE(waited, c.atMostMs);
    }
}

TEST(BluetoothCall, EndlessChatterIsBounded) {
    Fixture f;
    f.link.Then(Bluetooth::PairPauseMs + 10, Text("x"));
    for (int i = 0; i < 10000; ++i)
        f.link.Then(10, Text("y"));
    LogCapture log;
    const std::uint64_t start = f.clock.NowMs();
    EXPECT_FALSE(f.module.callBluetooth(QStringLiteral("0012F3AABBCC")));
    EXPECT_LE(f.clock.NowMs() - start, Bluetooth::PairPauseMs + Bluetooth::CallLimitMs + 100);
    EXPECT_TRUE(log.Contains("main: seriale1: callBluetooth(): no connection within 60000 ms"));
}

TEST(BluetoothCall, Addresses) {
    EXPECT_TRUE(Bluetooth::AddressUsable(QStringLiteral("0012F3AABBCC")));
    EXPECT_TRUE(Bluetooth::AddressUsable(QStringLiteral("00:12:f3:aa:bb:cc")));
    EXPECT_FALSE(Bluetooth::AddressUsable(QString()));
    EXPECT_FALSE(Bluetooth::AddressUsable(QStringLiteral("0012 F3")));
    EXPECT_FALSE(Bluetooth::AddressUsable(QStringLiteral("0012\r\nset bt pair *")));
    EXPECT_FALSE(Bluetooth::AddressUsable(QStringLiteral("0012\u00e9")));
}
