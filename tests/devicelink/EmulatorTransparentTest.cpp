// The emulator's transparent mode and its tester script, without a line.
#include "TesterScript.h"
#include "TransparentModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using KrixEmu::Bytes;
using KrixEmu::TransparentFaultKind;
using KrixEmu::TransparentModel;

namespace {

Bytes ProtocolSet(const Bytes& list1) {
    Bytes payload(51, 0x11);
    payload.push_back(static_cast<std::uint8_t>(list1.size()));
    Bytes field = list1;
    field.resize(20, 0);
    payload.insert(payload.end(), field.begin(), field.end());
    payload.insert(payload.end(), 42, 0);
    return KrixEmu::TransparentFrame('0', payload);
}
Bytes Start(std::uint8_t on) { return KrixEmu::TransparentFrame('1', {on}); }
Bytes Bus(const Bytes& data) {
    Bytes payload(1 + data.size(), 0x00); // the flag byte, then the data
    std::copy(data.begin(), data.end(), payload.begin() + 1);
    return KrixEmu::TransparentFrame('2', payload);
}
Bytes AnswerOf(std::uint8_t code, std::uint8_t status) { return KrixEmu::TransparentFrame(code, {status}); }

} // namespace

TEST(EmulatorTransparent, ProtocolStartAndTheBus) {
    TransparentModel m;
    EXPECT_TRUE(m.Handle(Bus({0x01})).empty()); // off the bus: dropped
    EXPECT_EQ(m.OffBusFrames(), 1u);
    EXPECT_EQ(m.Handle(ProtocolSet({0x02, 0x3E, 0x00})), AnswerOf('p', 0x80));
    EXPECT_EQ(m.Lists()[0], (Bytes{0x02, 0x3E, 0x00}));
    EXPECT_EQ(m.ParameterBlock(), Bytes(51, 0x11));
    EXPECT_EQ(m.Handle(Start(1)), AnswerOf('q', 0x80));
    ASSERT_TRUE(m.OnBus());
    EXPECT_TRUE(m.Handle(Bus({0x00, 0x00, 0x07, 0xE8, 0x08, 0x02, 0x7E, 0x00})).empty());
    EXPECT_EQ(m.BusFramesFromHost(), (std::vector<Bytes>{{0x00, 0x00, 0x07, 0xE8, 0x08, 0x02, 0x7E, 0x00}}));

    Bytes bad = Bus({0x01});
    bad.back() ^= 0x01;
    EXPECT_TRUE(m.Handle(bad).empty());
    EXPECT_EQ(m.RefusedFrames(), 1u);
    EXPECT_EQ(TransparentModel::ReceivedFrame({0xAA}), KrixEmu::TransparentFrame('r', {0x80, 0xAA}));
    EXPECT_EQ(TransparentModel::BusErrorFrame(), KrixEmu::TransparentFrame('r', {0x81}));

    m.Reset();
    EXPECT_FALSE(m.OnBus());
    EXPECT_FALSE(m.ProtocolSet());
}

TEST(EmulatorTransparent, FaultsSpoilTheirCommandsAnswersInOrder) {
    TransparentModel m;
    m.AddFault({TransparentFaultKind::Silence, '0', 1});
    m.AddFault({TransparentFaultKind::Refused, '0', 1});
    m.AddFault({TransparentFaultKind::OtherCode, '1', 1});
    EXPECT_TRUE(m.Handle(ProtocolSet({})).empty());
    EXPECT_EQ(m.Handle(ProtocolSet({})), AnswerOf('p', 0x81));
    EXPECT_EQ(m.Handle(ProtocolSet({})), AnswerOf('p', 0x80));
    EXPECT_EQ(m.Handle(Start(1)), AnswerOf('p', 0x80));
    EXPECT_EQ(m.Handle(Start(1)), AnswerOf('q', 0x80));
}

TEST(EmulatorTesterScript, ParsesStepsAndNamesTheFaultyLine) {
    std::istringstream good("# comment\n\ncan 22 f1 8c => 62 f1 8c 01\nkline 8110f18183 => 83f110c1ef8f4f ; 80f1107e6f\n");
    std::string error;
    const auto steps = KrixEmu::ParseTesterScript(good, &error);
    ASSERT_TRUE(steps.has_value()) << error;
    ASSERT_EQ(steps->size(), 2u);
    EXPECT_EQ((*steps)[0].request, (Bytes{0x22, 0xF1, 0x8C}));
    EXPECT_EQ((*steps)[0].expected, (std::vector<Bytes>{{0x62, 0xF1, 0x8C, 0x01}}));
    EXPECT_EQ((*steps)[1].bus, KrixEmu::ScriptStep::Bus::KLine);
    EXPECT_EQ((*steps)[1].expected.size(), 2u);

    const char* bad[] = {"can 22 f1 => \n", "lin 22 => 62\n", "can 2 => 62\n", "can 22 62\n", "can 22 => 62 ; 63\n"};
    for (const char* text : bad) {
        std::istringstream in(std::string("# first\n") + text);
        EXPECT_FALSE(KrixEmu::ParseTesterScript(in, &error).has_value()) << text;
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
    }
}
