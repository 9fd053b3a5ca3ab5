// Reading and judging the device's answers on a virtual clock: the reader's time-outs and gaps,
// refused frames, the answer check and the transaction's results.
#include "DeviceProtocol.h"
#include "LogCapture.h"
#include "ScriptedLink.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

struct Step {
    std::uint64_t gapMs;
    Bytes bytes;
};

struct Fixture {
    explicit Fixture(const std::vector<Step>& script = {}) {
        for (const Step& s : script)
            link.Then(s.gapMs, s.bytes);
    }
    VirtualClock clock{5000};
    DeviceClock deviceClock{&clock};
    ScriptedLink link{clock};
    DeviceProtocol protocol{link, deviceClock};
};

const Bytes GoodAnswer = Answer({0x62, 'P', 'X', 0x00, 0x00, 0x03, 0xE8});
const Bytes Garbage = {0x00, 0xFF, 0x13, 0xA5};

Bytes Head(const Bytes& b, std::size_t n) { return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n)); }
Bytes Tail(const Bytes& b, std::size_t n) { return Bytes(b.begin() + static_cast<std::ptrdiff_t>(n), b.end()); }

Bytes WithLength(std::uint16_t total, std::size_t bytesAfter) {
    Bytes b(6 + bytesAfter, 0x00);
    const std::uint8_t head[6] = {0x5B, 0x01, 0x20, 0x00, static_cast<std::uint8_t>(total >> 8),
                                  static_cast<std::uint8_t>(total & 0xFF)};
    for (std::size_t i = 0; i < 6; ++i)
        b[i] = head[i];
    return b;
}

} // namespace

TEST(DeviceFrameRead, RxControllaCases) {
    Bytes wrongHeader = GoodAnswer;
    wrongHeader[1] = 0x02;
    wrongHeader = Sealed(Head(wrongHeader, wrongHeader.size() - 2));
    Bytes wrongSum = GoodAnswer;
    wrongSum.back() ^= 0x01;
    std::vector<Step> garbageEvery500;
    for (int i = 0; i < 6; ++i)
        garbageEvery500.push_back({500, {0x00}});
    garbageEvery500.push_back({500, GoodAnswer}); // at 3500: too late when the garbage is no restart
    Bytes full(1024 - 9, 0xFF);                   // sum well above 65535
    const Bytes longest = Answer(Concat({0x62, 'P', 'X'}, Head(full, 1024 - 11)));

    struct Case {
        const char* name;
        std::vector<Step> script;
        std::uint32_t timeoutMs;
        RxResult expected;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"answer", {{0, GoodAnswer}}, 3000, RECEIVE_OK, ""},
        {"garbage before the answer", {{0, Garbage}, {40, GoodAnswer}}, 3000, RECEIVE_OK, ""},
        {"silent device", {}, 3000, RECEIVE_TIME_OUT, "main: leggikrix: RxControlla: RECEIVE_TIME_OUT (3000)"},
        {"garbage does not restart the time-out", garbageEvery500, 3000, RECEIVE_TIME_OUT,
         "main: leggikrix: RxControlla: RECEIVE_TIME_OUT (3000)"},
        {"frame starting just inside the time-out", {{2990, GoodAnswer}}, 3000, RECEIVE_OK, ""},
        {"gap of 200 ms", {{0, Head(GoodAnswer, 7)}, {200, Tail(GoodAnswer, 7)}}, 3000, RECEIVE_OK, ""},
        {"gap of 201 ms", {{0, Head(GoodAnswer, 7)}, {201, Tail(GoodAnswer, 7)}}, 3000, RECEIVE_TIME_OUT,
         "main: leggikrix: RxControlla: RECEIVE_TIME_OUT (200)"},
        {"gap of 201 ms under a long time-out", {{0, Head(GoodAnswer, 3)}, {201, Tail(GoodAnswer, 3)}}, 5000,
         RECEIVE_TIME_OUT, "main: leggikrix: RxControlla: RECEIVE_TIME_OUT (200)"},
        {"length 1025", {{0, WithLength(1025, 40)}}, 3000, RECEIVE_ERR, "main: leggikrix: RxControlla: RECEIVE_ERR"},
        {"length 1024 with a sum above 65535", {{0, longest}}, 3000, RECEIVE_OK, ""},
        {"length 0", {{0, WithLength(0, 10)}}, 3000, RECEIVE_ERR, "main: leggikrix: RxControlla: RECEIVE_ERR"},
        {"length 5", {{0, WithLength(5, 10)}}, 3000, RECEIVE_ERR, "main: leggikrix: RxControlla: RECEIVE_ERR"},
        {"length 8", {{0, WithLength(8, 10)}}, 3000, RECEIVE_ERR, "main: leggikrix: RxControlla: RECEIVE_ERR"},
        {"wrong header", {{0, wrongHeader}}, 3000, RECEIVE_ERR, "main: leggikrix: RxControlla: RECEIVE_ERR, Wrong Pack"},
        {"wrong sum", {{0, wrongSum}}, 3000, RECEIVE_ERR, "main: leggikrix: RxControlla: WRONG CHECKSUM"},
    };
    ASSERT_EQ(longest.size(), 1024u);
    for (const Case& c : cases) {
        LogCapture log;
        Fixture f(c.script);
        EXPECT_EQ(f.protocol.RxControlla(c.timeoutMs), c.expected) << c.name;
        if (!c.log.empty()) {
            EXPECT_TRUE(log.Contains(c.log)) << c.name << ": no line \"" << c.log << "\"";
        }
        if (c.expected == RECEIVE_OK) {
            const Bytes& frame = c.script.back().bytes.size() == longest.size() ? longest : GoodAnswer;
            EXPECT_EQ(f.protocol.lastReceived(), frame) << c.name;
        }
    }
}

TEST(DeviceFrameRead, SilentDeviceTimesOutAfterItsTimeOut) {
    Fixture f;
    const std::uint64_t start = f.clock.NowMs();
    EXPECT_EQ(f.protocol.RxControlla(3000), RECEIVE_TIME_OUT);
    const std::uint64_t waited = f.clock.NowMs() - start; // virtual milliseconds
    EXPECT_GT(waited, 3000u);
    EXPECT_LE(waited, 3000u + ScriptedLink::ReadWaitMs + NoBytePauseMs);
}

TEST(DeviceFrameRead, OverLongFrameLeavesItsRestToBeDroppedByTheNextRead) {
    Fixture f({{0, WithLength(1025, 30)}, {10, GoodAnswer}});
    EXPECT_EQ(f.protocol.RxControlla(3000), RECEIVE_ERR);
    EXPECT_GT(f.link.Pending(), GoodAnswer.size()); // the rest is still in the port
    EXPECT_EQ(f.protocol.RxControlla(3000), RECEIVE_OK);
    EXPECT_EQ(f.protocol.lastReceived(), GoodAnswer);
}

TEST(DeviceFrameRead, StopRequestEndsTheRead) {
    Fixture f;
    f.deviceClock.requestStop();
    const std::uint64_t start = f.clock.NowMs();
    EXPECT_EQ(f.protocol.RxControlla(3000), RECEIVE_TIME_OUT);
    EXPECT_LT(f.clock.NowMs() - start, 100u);
}

TEST(DeviceFrameRead, CheckAnswerCases) {
    const Bytes items = {0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x02};
    struct Case {
        const char* name;
        int row;
        Bytes frame;
        RxResult expected;
    };
    const std::vector<Case> cases = {
        {"row answer", RequestRow::PX, GoodAnswer, RECEIVE_OK},
        {"list of another length than the table's", RequestRow::P0, Answer(Concat({0x62, 'P', '0'}, items)), RECEIVE_OK},
        {"not available", RequestRow::P0, Answer({0x62, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x00}), RECEIVE_NOT_AVAILABLE},
        {"0x7F with another length", RequestRow::P0, Answer({0x62, 0x7F, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}), RECEIVE_ERR},
        {"probe answer", RequestRow::Probe, Sealed({0x5B, 0x01, 0x20, 0x00, 0x00, 0x0A, 0x7F, 0x01}), RECEIVE_OK},
        {"probe answer changed", RequestRow::Probe, Sealed({0x5B, 0x01, 0x20, 0x00, 0x00, 0x0A, 0x7F, 0x02}),
         RECEIVE_ERR},
        {"short answer", RequestRow::AQ, Answer({0x62, 'A', 'Q'}), RECEIVE_OK},
        {"wrong last command byte", RequestRow::AQ, Answer({0x62, 'A', 'R'}), RECEIVE_ERR},
        {"wrong first command byte", RequestRow::AQ, Answer({0x62, 'B', 'Q'}), RECEIVE_ERR},
        {"request service echoed", RequestRow::PX, Answer({0x22, 'P', 'X', 0, 0, 0, 0}), RECEIVE_ERR},
        {"byte 3 not zero", RequestRow::AX,
         Sealed({0x5B, 0x01, 0x20, 0x01, 0x00, 0x0F, 0x62, 'A', 'X', 0, 0, 0, 0}), RECEIVE_ERR},
    };
    for (const Case& c : cases) {
        Fixture f({{0, c.frame}});
        ASSERT_EQ(f.protocol.RxControlla(3000), RECEIVE_OK) << c.name;
        EXPECT_EQ(f.protocol.checkAnswer(c.row), c.expected) << c.name;
    }
}

TEST(DeviceFrameRead, TransactionGivesTheFirstFailure) {
    Bytes wrongSum = GoodAnswer;
    wrongSum.back() ^= 0x01;
    struct Case {
        const char* name;
        std::vector<Step> script;
        RxResult expected;
    };
    const std::vector<Case> cases = {
        {"answered", {{30, GoodAnswer}}, RECEIVE_OK},
        {"silent", {}, RECEIVE_TIME_OUT},
        {"not available", {{30, Answer({0x62, 0x7F, 0x00, 0x00, 0x00, 0x00, 0x00})}}, RECEIVE_NOT_AVAILABLE},
        {"wrong sum", {{30, wrongSum}}, RECEIVE_ERR},
        {"answer to another row", {{30, Answer({0x62, 'S', 'X', 0, 0, 0, 0})}}, RECEIVE_ERR},
    };
    for (const Case& c : cases) {
        Fixture f(c.script);
        EXPECT_EQ(f.protocol.transaction(RequestRow::PX, 1000), c.expected) << c.name;
        ASSERT_EQ(f.link.writes.size(), 1u) << c.name;
    }
}

TEST(DeviceFrameRead, DeviceControlAcceptsOnlyItsOwnAnswer) {
    for (int code : {1, 2, 3, 7}) {
        const DeviceControlFrames& frames = DeviceControlFor(code);
        const Bytes own(frames.answer, frames.answer + DeviceControlSize);
        const DeviceControlFrames& other = DeviceControlFor(code == 1 ? 2 : 1);
        const Bytes foreign(other.answer, other.answer + DeviceControlSize);
        {
            Fixture f({{20, own}});
            EXPECT_EQ(f.protocol.DeviceControl(code, 5000), RECEIVE_OK) << code;
            ASSERT_EQ(f.link.writes.size(), 1u);
            EXPECT_EQ(f.link.writes[0], Bytes(frames.request, frames.request + DeviceControlSize)) << code;
        }
        {
            Fixture f({{20, foreign}});
            EXPECT_EQ(f.protocol.DeviceControl(code, 5000), RECEIVE_ERR) << code;
        }
        {
            Fixture f;
            EXPECT_EQ(f.protocol.DeviceControl(code, 5000), RECEIVE_ERR) << code << " silent";
        }
    }
}

TEST(DeviceFrameRead, FixedCommandAnswers) {
    const std::uint8_t mux[5] = {0x20, 0x00, 0x10, 0x00, 0x00};
    struct Case {
        const char* name;
        std::function<RxResult(DeviceProtocol&)> send;
        Bytes answer;
        RxResult expected;
    };
    const std::vector<Case> cases = {
        {"mux write", [&](DeviceProtocol& p) { return p.sendMuxWrite(mux); }, Answer({0x74, 'M', 'W'}), RECEIVE_OK},
        {"mux read ready", [](DeviceProtocol& p) { return p.sendMuxRead(); }, Answer({0x74, 'M', 'R', 0, 0, 0, 6}),
         RECEIVE_OK},
        {"mux read not ready", [](DeviceProtocol& p) { return p.sendMuxRead(); },
         Answer({0x74, 'M', 'R', 0, 0, 0, 5}), RECEIVE_ERR},
        {"device baud", [](DeviceProtocol& p) { return p.sendDeviceBaud(115200); }, Answer({0xEA, 'B', 0x00}),
         RECEIVE_OK},
        {"device baud refused", [](DeviceProtocol& p) { return p.sendDeviceBaud(115200); },
         Answer({0xEA, 'B', 0x01}), RECEIVE_ERR},
        {"program start", [](DeviceProtocol& p) { return p.sendProgramStart(); }, Answer({0x74, 'G', 'D'}), RECEIVE_OK},
        {"device record", [](DeviceProtocol& p) { return p.sendDeviceRecord(); },
         Answer(Concat({0x94, 'R', 0x00}, Bytes(68, 0x33))), RECEIVE_OK},
        {"device record one byte short", [](DeviceProtocol& p) { return p.sendDeviceRecord(); },
         Answer(Concat({0x94, 'R', 0x00}, Bytes(67, 0x33))), RECEIVE_ERR},
        {"letter", [](DeviceProtocol& p) { return p.sendLetter('A'); }, Answer({0x62, 0x3F, 'v', 0, 0, 0, 'A'}),
         RECEIVE_OK},
        {"link state", [](DeviceProtocol& p) { return p.sendLinkStateQuery(); },
         Answer({0x62, 0x3F, 0x00, 0x00, 0x01, 0x00, 0x00}), RECEIVE_OK},
        {"device value", [](DeviceProtocol& p) { return p.sendDeviceValue(); },
         Answer({0x62, 0x3F, 0x20, 1, 2, 3, 4}), RECEIVE_OK},
        {"program block", [](DeviceProtocol& p) {
             const std::uint8_t data[4] = {1, 2, 3, 4};
             return p.sendProgramBlock(0xC80000, data, 4);
         },
         Answer({0xEA, 'W', 0x01, 0x01}), RECEIVE_OK},
    };
    for (const Case& c : cases) {
        Fixture f({{20, c.answer}});
        EXPECT_EQ(c.send(f.protocol), c.expected) << c.name;
    }
}
