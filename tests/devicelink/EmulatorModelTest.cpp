// The emulator's own pieces, without a line: framing as the device sees it and the answers.
#include "DeviceModel.h"
#include "FrameAssembler.h"

#include <gtest/gtest.h>

using namespace KrixEmu;

namespace {
Bytes HostFrameBytes(std::uint8_t service, Bytes body) {
    const std::uint8_t head[7] = {0x5B, 0x20, 0x01, 0x00, 0x00, 0x00, service};
    Bytes f(head, head + 7);
    for (std::uint8_t b : body)
        f.push_back(b);
    SealNormal(f);
    return f;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<HostFrame> Feed(FrameAssembler& a, const Bytes& bytes, std::uint64_t at, std::uint64_t stepMs = 0) {
    std::vector<HostFrame> frames;
    for (std::uint8_t b : bytes) {
        if (auto f = a.Push(b, at))
            frames.push_back(*f);
        at += stepMs;
    }
    return frames;
}
} // namespace

TEST(EmulatorFraming, TellsNormalFromTransparentAndDropsNoise) {
    FrameAssembler a;
    const Bytes probe = HostFrameBytes(0x34, {0x3F, 0xFF});
    const Bytes transparent = {0x5B, 0x00, 0x07, 0x30, 0x31, 0x01, 0x5B ^ 0x00 ^ 0x07 ^ 0x30 ^ 0x31 ^ 0x01};
    auto frames = Feed(a, Join(Join({0x00, 0x11}, probe), transparent), 0);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].framing, Framing::Normal);
    EXPECT_EQ(frames[0].bytes, probe);
    EXPECT_EQ(frames[1].framing, Framing::Transparent);
    EXPECT_EQ(frames[1].bytes, transparent);
    EXPECT_EQ(a.Dropped(), 2u);
}

TEST(EmulatorFraming, GapOverTwoHundredMillisecondsDropsThePartialFrame) {
    FrameAssembler a;
    const Bytes probe = HostFrameBytes(0x34, {0x3F, 0xFF});
    EXPECT_TRUE(Feed(a, Bytes(probe.begin(), probe.begin() + 5), 0).empty());
    EXPECT_TRUE(Feed(a, Bytes(probe.begin() + 5, probe.end()), 201).empty());
    EXPECT_EQ(Feed(a, probe, 1000, 200).size(), 1u); // 200 ms between bytes is still one frame
    Bytes overLong = {0x5B, 0x20, 0x01, 0x00, 0x04, 0x01};
    EXPECT_TRUE(Feed(a, overLong, 5000).empty());
    EXPECT_EQ(Feed(a, probe, 5001).size(), 1u);
}

TEST(EmulatorModel, AnswersWithCheckWordsAndKeepsWhatItWasTold) {
    DeviceModel model;
    auto answer = [&](const Bytes& frame) {
        const Reply r = model.Answer(Classify(frame), 38400);
        return r.chunks.empty() ? Bytes{} : r.chunks[0].bytes;
    };
    const Bytes dc2 = answer(HostFrameBytes(0x22, {0x3F, 0xFF}));
    EXPECT_EQ(dc2, (Bytes{0x5B, 0x01, 0x20, 0x00, 0x00, 0x0B, 0x62, 0x3F, 0xFF, 0x02, 0x27}));
    const Bytes probeRow = answer({0x5B, 0x20, 0x01, 0x00, 0x00, 0x09, 0x3F, 0x00, 0xC3});
    EXPECT_EQ(probeRow, (Bytes{0x5B, 0x01, 0x20, 0x00, 0x00, 0x0A, 0x7F, 0x01, 0x01, 0x06}));

    const Reply baud = model.Answer(Classify(HostFrameBytes(0xAA, {'B', 0x00, 0x00, 0x01, 0xC2, 0x00})), 38400);
    EXPECT_EQ(baud.switchToBaud, 115200u);

    model.Answer(Classify(HostFrameBytes(0xAA, {'W', 0x01, 0x00, 0xC8, 0x02, 0x00, 7, 8})), 115200);
    model.Answer(Classify(HostFrameBytes(0xAA, {'W', 0x01, 0x00, 0xC8, 0x00, 0x00, 1, 2})), 115200);
    const Bytes image = model.ProgramImage();
    ASSERT_EQ(image.size(), 0x202u);
    EXPECT_EQ(image[0], 1);
    EXPECT_EQ(image[0x201], 8);
    EXPECT_EQ(model.ProgramBlocks()[0].baud, 115200u);

    model.SetIdList(14, std::vector<std::uint32_t>(300, 1));
    EXPECT_EQ(answer(HostFrameBytes(0x22, {'P', '0'})).size(), 11u + 4 * DeviceModel::MaxListItems);
    EXPECT_TRUE(answer(HostFrameBytes(0x22, {'Z', 'Z'})).empty()); // unknown: silence
}

TEST(EmulatorModel, FaultsAreUsedUpInOrder) {
    DeviceModel model;
    const Request dc3 = Classify(HostFrameBytes(0x34, {0x3F, 0xFF}));
    model.AddFault({FaultKind::Silence, RequestKind::DeviceControl3, -1, 1, 0});
    model.AddFault({FaultKind::GarbageBefore, RequestKind::Any, -1, 1, 3});
    EXPECT_TRUE(model.Answer(dc3, 38400).chunks.empty());
    const Reply garbage = model.Answer(dc3, 38400);
    ASSERT_EQ(garbage.chunks.size(), 2u);
    EXPECT_EQ(garbage.chunks[0].bytes, (Bytes{0xA5, 0xA5, 0xA5}));
    EXPECT_EQ(model.Answer(dc3, 38400).chunks.size(), 1u);
}

TEST(EmulatorModel, ShortAnswerKeepsItsFrameWellFormed) {
    DeviceModel model;
    model.AddFault({FaultKind::ShortAnswer, RequestKind::TableRow, ActivationRow, 1, 4});
    const Reply r = model.Answer(Classify(HostFrameBytes(0x22, {0x00, 0x01})), 38400);
    ASSERT_EQ(r.chunks.size(), 1u);
    const Bytes& a = r.chunks[0].bytes;
    EXPECT_EQ(a.size(), 15u);
    EXPECT_EQ(NormalLength(a), 15u);
    EXPECT_TRUE(NormalCheckWordOk(a));
}
