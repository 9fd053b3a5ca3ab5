// The frames the library writes: every request row, the device controls and the fixed
// commands, byte for byte.
#include "DeviceProtocol.h"
#include "ScriptedLink.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

Bytes Row(int row, std::size_t n) {
    return Bytes(RequestTable[row], RequestTable[row] + n);
}

Bytes Param(std::uint32_t p) {
    return {static_cast<std::uint8_t>(p >> 24), static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
            static_cast<std::uint8_t>(p)};
}

struct Fixture {
    VirtualClock clock{1000};
    DeviceClock deviceClock{&clock};
    ScriptedLink link{clock};
    DeviceProtocol protocol{link, deviceClock};
};

} // namespace

TEST(DeviceFrameWrite, EveryRowWithAndWithoutParameter) {
    struct Case {
        int row;
        std::uint32_t param;
        Bytes expected;
    };
    std::vector<Case> cases;
    for (int row : {0, 1, 2, 5, 7, 9, 10, 11, 12, 13}) {
        cases.push_back({row, 1000, Sealed(Concat(Row(row, 9), Param(1000)))});
        cases.push_back({row, NoParam, Sealed(Concat(Row(row, 9), Param(NoParam)))});
    }
    for (int row : {4, 6, 8, 14, 15, 16, 17, 18, 19, 20})
        cases.push_back({row, NoParam, Sealed(Row(row, 9))});
    cases.push_back({RequestRow::Probe, NoParam, Row(RequestRow::Probe, 9)}); // its own check word, as stored

    for (const Case& c : cases) {
        Fixture f;
        EXPECT_EQ(f.protocol.writeRequest(c.row, c.param), RECEIVE_OK) << "row " << c.row;
        ASSERT_EQ(f.link.writes.size(), 1u) << "row " << c.row;
        EXPECT_EQ(f.link.writes[0], c.expected) << "row " << c.row << " param " << c.param;
        EXPECT_EQ(f.link.writes[0].size(), DeviceFrame::TotalLength(c.expected.data())) << "row " << c.row;
    }
}

TEST(DeviceFrameWrite, SpelledOutExamples) {
    Fixture f;
    f.protocol.writeRequest(RequestRow::P0, NoParam);
    f.protocol.writeRequest(RequestRow::AQ, 1000);
    ASSERT_EQ(f.link.writes.size(), 2u);
    EXPECT_EQ(f.link.writes[0], (Bytes{0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0x50, 0x30, 0x01, 0x29}));
    EXPECT_EQ(f.link.writes[1],
              (Bytes{0x5B, 0x20, 0x01, 0x00, 0x00, 0x0F, 0x22, 0x41, 0x51, 0x00, 0x00, 0x03, 0xE8, 0x02, 0x2A}));
}

TEST(DeviceFrameWrite, RefusesWhatMakesNoFrame) {
    // A parameter on a 9- or 11-byte row would overwrite the row's own service and command
    // bytes; a row outside the table has no bytes at all. Nothing is written for either.
    for (auto [row, param] : {std::pair{RequestRow::P0, 7u}, {RequestRow::Probe, 1u}, {RequestRow::EV, 0u},
                              {-1, NoParam}, {RequestRows, NoParam}}) {
        Fixture f;
        EXPECT_EQ(f.protocol.writeRequest(row, param), RECEIVE_ERR) << "row " << row;
        EXPECT_TRUE(f.link.writes.empty()) << "row " << row;
    }
}

TEST(DeviceFrameWrite, FailedWriteIsAnError) {
    Fixture f;
    f.link.failWrites = true;
    EXPECT_EQ(f.protocol.writeRequest(RequestRow::PX, 1), RECEIVE_ERR);
    EXPECT_EQ(f.protocol.transaction(RequestRow::PX, 1), RECEIVE_ERR);
    EXPECT_EQ(f.protocol.DeviceControl(2, 5000), RECEIVE_ERR);
}

TEST(DeviceFrameWrite, StoredTablesCarryTheirCheckWords) {
    // The fixed 11-byte frames hold their check words; each must be the sum of what precedes it.
    for (int code : {1, 2, 3, 0}) {
        const DeviceControlFrames& frames = DeviceControlFor(code);
        EXPECT_EQ(Sealed(Bytes(frames.request, frames.request + 9)), Bytes(frames.request, frames.request + 11))
            << code;
        EXPECT_EQ(Sealed(Bytes(frames.answer, frames.answer + 9)), Bytes(frames.answer, frames.answer + 11)) << code;
    }
    // Row 3 goes out with 00 C3 although its sum is 00 C4: the device expects it so.
    EXPECT_EQ(Sealed(Row(RequestRow::Probe, 7)).back(), 0xC4);
}

TEST(DeviceFrameWrite, FixedCommands) {
    struct Case {
        const char* name;
        std::function<RxResult(DeviceProtocol&)> send;
        Bytes expected;
    };
    const std::uint8_t mux[5] = {0x01, 0x12, 0x34, 0x56, 0x78};
    std::uint8_t block[16];
    for (int i = 0; i < 16; ++i)
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    const Bytes program = {0xDE, 0xAD, 0xBE, 0xEF};
    std::vector<Case> cases = {
        {"link-state", [](DeviceProtocol& p) { return p.sendLinkStateQuery(); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0x3F, 0x00, 0x00, 0xE8}},
        {"mux read", [](DeviceProtocol& p) { return p.sendMuxRead(); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x34, 0x4D, 0x52, 0x01, 0x5A}},
        {"program start", [](DeviceProtocol& p) { return p.sendProgramStart(); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x34, 0x47, 0x44, 0x01, 0x46}},
        {"device value", [](DeviceProtocol& p) { return p.sendDeviceValue(); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0x3F, 0x20, 0x01, 0x08}},
        {"device record", [](DeviceProtocol& p) { return p.sendDeviceRecord(); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x54, 0x52, 0x00, 0x01, 0x2D}},
        {"baud 115200", [](DeviceProtocol& p) { return p.sendDeviceBaud(115200); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0F, 0xAA, 0x42, 0x00, 0x00, 0x01, 0xC2, 0x00, 0x02, 0x3A}},
        {"baud 38400", [](DeviceProtocol& p) { return p.sendDeviceBaud(38400); },
         {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0F, 0xAA, 0x42, 0x00, 0x00, 0x00, 0x96, 0x00, 0x02, 0x0D}},
        {"mux write", [&](DeviceProtocol& p) { return p.sendMuxWrite(mux); },
         Sealed({0x5B, 0x20, 0x01, 0x00, 0x00, 0x13, 0x34, 0x4D, 0x57, 0x00, 0x00, 0x00, 0x01, 0x12, 0x34, 0x56, 0x78})},
        {"letter", [](DeviceProtocol& p) { return p.sendLetter('@'); },
         Sealed({0x5B, 0x20, 0x01, 0x00, 0x00, 0x0F, 0x22, 0x3F, 0x76, 0x00, 0x00, 0x00, '@'})},
        {"ecu direct block", [&](DeviceProtocol& p) { return p.sendEcuDirectBlock(block); },
         Sealed(Concat({0x5B, 0x20, 0x01, 0x00, 0x00, 0x1B, 0x22, 0x3F, 0x52}, Bytes(block, block + 16)))},
        {"program block", [&](DeviceProtocol& p) { return p.sendProgramBlock(0xC80200, program.data(), program.size()); },
         Sealed(Concat({0x5B, 0x20, 0x01, 0x00, 0x00, 0x13, 0xAA, 0x57, 0x01, 0x00, 0xC8, 0x02, 0x00}, program))},
    };
    for (const Case& c : cases) {
        Fixture f; // silent device: every command fails, as a time-out is a failure here
        EXPECT_EQ(c.send(f.protocol), RECEIVE_ERR) << c.name;
        ASSERT_EQ(f.link.writes.size(), 1u) << c.name;
        EXPECT_EQ(f.link.writes[0], c.expected) << c.name;
    }
}

TEST(DeviceFrameWrite, ProgramBlockOfTheDefaultSizeFillsTheTransmitBuffer) {
    Fixture f;
    const Bytes data(512, 0x11);
    f.protocol.sendProgramBlock(0xC80000, data.data(), data.size());
    ASSERT_EQ(f.link.writes.size(), 1u);
    EXPECT_EQ(f.link.writes[0].size(), TransmitBufferSize);
    EXPECT_EQ(f.link.writes[0][4], 0x02);
    EXPECT_EQ(f.link.writes[0][5], 0x0F);
    // One byte more than the buffer holds is refused before anything is written.
    const Bytes tooBig(513, 0x11);
    EXPECT_EQ(f.protocol.sendProgramBlock(0xC80000, tooBig.data(), tooBig.size()), RECEIVE_ERR);
    EXPECT_EQ(f.link.writes.size(), 1u);
}
