// The device frame protocol against the emulated device on a pseudo-terminal.
#include "DeviceProtocol.h"
#include "PtyFixture.h"
#include "TSeriale.h"

#include <array>

using KrixEmu::Bytes;
using KrixEmu::FaultKind;
using KrixEmu::FaultRule;
using KrixEmu::RequestKind;

namespace {
// A time-out for answers that must not come: long enough for one that would, short for a test.
constexpr std::uint32_t NoAnswerMs = 300;
} // namespace

class PtyDevice : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        ASSERT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    }
    TSeriale link;
    DeviceClock clock;
    DeviceProtocol protocol{link, clock};
};

TEST_F(PtyDevice, AnswersBothProbes) {
    EXPECT_EQ(protocol.DeviceControl(3, 5000), RECEIVE_OK);
    EXPECT_EQ(protocol.DeviceControl(2, 5000), RECEIVE_OK);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl3), 1u);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl2), 1u);
}

TEST_F(PtyDevice, SwitchesTo115200AndBack) {
    ASSERT_EQ(protocol.sendDeviceBaud(115200), RECEIVE_OK); // answered at 38400
    ASSERT_TRUE(Eventually([&] { return emulator.LineBaud() == 115200; }));

    // Still at 38400 on our side: the device hears noise and stays silent.
    EXPECT_NE(protocol.DeviceControl(2, NoAnswerMs), RECEIVE_OK);
    EXPECT_GT(emulator.NoiseBytes(), 0u);
    EXPECT_EQ(emulator.Count(RequestKind::DeviceControl2), 0u);

    ASSERT_EQ(link.OpenRS232(Com, 115200, 'N', 8, 1, ""), 0);
    EXPECT_EQ(protocol.DeviceControl(2, 5000), RECEIVE_OK);
    EXPECT_EQ(emulator.Received().back().baud, 115200u);

    ASSERT_EQ(protocol.sendDeviceBaud(38400), RECEIVE_OK); // answered at 115200
    ASSERT_TRUE(Eventually([&] { return emulator.LineBaud() == 38400; }));
    ASSERT_EQ(link.OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
    EXPECT_EQ(protocol.DeviceControl(3, 5000), RECEIVE_OK);
    EXPECT_EQ(emulator.Received().back().baud, 38400u);
}

TEST_F(PtyDevice, FaultsGiveTheirResults) {
    struct Case {
        const char* name;
        FaultKind fault;
        RxResult expected;
    };
    const Case cases[] = {
        {"silence", FaultKind::Silence, RECEIVE_TIME_OUT},
        {"wrong answer", FaultKind::WrongAnswer, RECEIVE_ERR},
        {"bad check word", FaultKind::BadCheckWord, RECEIVE_ERR},
        {"garbage before the frame", FaultKind::GarbageBefore, RECEIVE_OK},
        {"gap inside the frame", FaultKind::InterByteGap, RECEIVE_TIME_OUT},
        {"length over 1024", FaultKind::OverLongLength, RECEIVE_ERR},
        {"not available", FaultKind::NotAvailable, RECEIVE_NOT_AVAILABLE},
    };
    for (const Case& c : cases) {
        emulator.AddFault({c.fault, RequestKind::TableRow, RequestRow::PX, 1, c.fault == FaultKind::InterByteGap ? 230u : 0u});
        ASSERT_EQ(protocol.writeRequest(RequestRow::PX, 1), RECEIVE_OK) << c.name;
        RxResult r = protocol.RxControlla(NoAnswerMs);
        if (r == RECEIVE_OK)
            r = protocol.checkAnswer(RequestRow::PX);
        EXPECT_EQ(r, c.expected) << c.name;
        if (c.fault == FaultKind::InterByteGap) {
            ASSERT_TRUE(Eventually([&] { return link.port().inputQueued() > 0; })); // the late rest
        }
        // What a fault leaves in the port is dropped by the next read until its 0x5B.
        EXPECT_EQ(protocol.transaction(RequestRow::SX, 2), RECEIVE_OK) << "after " << c.name;
    }
}

TEST_F(PtyDevice, InitialisationCommands) {
    const std::uint8_t mux[5] = {0x01, 0x12, 0x34, 0x56, 0x78};
    EXPECT_EQ(protocol.sendMuxWrite(mux), RECEIVE_OK);
    emulator.Inspect([&](const KrixEmu::DeviceModel& m) {
        EXPECT_EQ(m.MuxRecord(), (std::array<std::uint8_t, 5>{0x01, 0x12, 0x34, 0x56, 0x78}));
    });
    EXPECT_EQ(protocol.sendMuxRead(), RECEIVE_OK);
    emulator.Configure([](KrixEmu::DeviceModel& m) { m.SetMuxReady(0); });
    EXPECT_EQ(protocol.sendMuxRead(), RECEIVE_ERR);

    // A download of 1025 bytes in blocks of 512: the last block still carries 512 bytes.
    Bytes program(1025);
    for (std::size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<std::uint8_t>(i * 7);
    Bytes sent = program;
    sent.resize(3 * 512, 0);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(protocol.sendProgramBlock(FixedCommand::ProgramLoadAddress + k * 512, sent.data() + k * 512, 512),
                  RECEIVE_OK);
    EXPECT_EQ(emulator.ProgramImage(), sent);
    emulator.AddFault({FaultKind::BlockError, RequestKind::ProgramBlock, -1, 1, 0});
    EXPECT_EQ(protocol.sendProgramBlock(FixedCommand::ProgramLoadAddress, sent.data(), 512), RECEIVE_OK);
    EXPECT_EQ(protocol.lastReceived()[9], 0); // acknowledged with a transmission error
    EXPECT_EQ(emulator.ProgramBlocks().size(), 3u);

    EXPECT_FALSE(emulator.ProgramStarted());
    EXPECT_EQ(protocol.sendProgramStart(), RECEIVE_OK);
    EXPECT_TRUE(emulator.ProgramStarted());

    std::uint8_t block[16] = {0x80, 0x12, 0x34, 0x56};
    EXPECT_EQ(protocol.sendEcuDirectBlock(block), RECEIVE_OK);
    EXPECT_EQ(protocol.sendLetter('@'), RECEIVE_OK);
    emulator.Inspect([](const KrixEmu::DeviceModel& m) { EXPECT_EQ(m.Letter(), '@'); });
    EXPECT_EQ(protocol.sendDeviceValue(), RECEIVE_OK);
    EXPECT_EQ(protocol.sendDeviceRecord(), RECEIVE_OK);
    EXPECT_EQ(protocol.sendLinkStateQuery(), RECEIVE_OK);
    EXPECT_EQ(protocol.transaction(RequestRow::Probe, NoParam), RECEIVE_OK);
    EXPECT_EQ(protocol.transaction(RequestRow::ActivationStatus, NoParam), RECEIVE_OK);
    EXPECT_EQ(protocol.lastReceived().size(), 35u);
}

TEST_F(PtyDevice, IdentifierListsAndRows) {
    const std::vector<std::uint32_t> parameters = {0x00010203, 0xA0B0C0D0, 7};
    emulator.Configure([&](KrixEmu::DeviceModel& m) { m.SetIdList(RequestRow::P0, parameters); });
    ASSERT_EQ(protocol.transaction(RequestRow::P0, NoParam), RECEIVE_OK);
    const Bytes answer = protocol.lastReceived();
    ASSERT_EQ(answer.size(), 11 + 4 * parameters.size());
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const std::size_t at = 9 + 4 * i;
        EXPECT_EQ(std::uint32_t{answer[at]} << 24 | std::uint32_t{answer[at + 1]} << 16 |
                      std::uint32_t{answer[at + 2]} << 8 | answer[at + 3],
                  parameters[i]);
    }
    for (int row = 0; row < RequestRows; ++row) {
        const std::uint32_t param = (row == 4 || row == 6 || row == 8 || row == 3 || row >= 14) ? NoParam : 1000u;
        EXPECT_EQ(protocol.transaction(row, param), RECEIVE_OK) << "row " << row;
    }
    emulator.AddFault({FaultKind::NotAvailable, RequestKind::TableRow, RequestRow::S0, 1, 0});
    EXPECT_EQ(protocol.transaction(RequestRow::S0, NoParam), RECEIVE_NOT_AVAILABLE);
}
