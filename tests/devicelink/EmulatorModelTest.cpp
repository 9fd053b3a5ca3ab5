// The emulator's own pieces, without a line: framing as the device sees it and the answers.
#include "BluetoothModuleModel.h"
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

namespace {
// Feeds the module the host's bytes between device frames; what it sent each way.
ModuleOutput FeedModule(BluetoothModuleModel& m, const Bytes& bytes, bool deviceIdle = true) {
    ModuleOutput all;
    for (std::uint8_t b : bytes) {
        ModuleOutput out = m.Push(b, deviceIdle);
        all.toDevice.insert(all.toDevice.end(), out.toDevice.begin(), out.toDevice.end());
        all.toHost.insert(all.toHost.end(), out.toHost.begin(), out.toHost.end());
    }
    return all;
}
Bytes HostText(const ModuleOutput& out) {
    Bytes all;
    for (const Chunk& c : out.toHost)
        all.insert(all.end(), c.bytes.begin(), c.bytes.end());
    return all;
}
Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

const Bytes ModuleLocalReset = {0xD5, 0xE1, 0x10, 0x24, 0x01, 0x01, 0xEC};
const Bytes ModuleRemoteReset = {0xD5, 0xE1, 0x11, 0x24, 0x01, 0x01, 0xED};
const Bytes ModuleSpeed115200 = {0xD5, 0xE1, 0x11, 0x21, 0x06, 0x07, 0x01, 0x08, 0x01, 0x01, 0x00, 0x00};
} // namespace

TEST(EmulatorModule, CallsConnectsRelaysAndResets) {
    BluetoothModuleModel m("0012F3AABBCC", 38400);
    EXPECT_EQ(HostText(FeedModule(m, ModuleLocalReset)), (Bytes{0xE5, 0xD5, 0xE1, 0x64, 0x01, 0x00, 0x00}));
    // Before a call nobody answers for the remote module, and nothing reaches the device.
    EXPECT_TRUE(FeedModule(m, ModuleSpeed115200).toHost.empty());
    EXPECT_TRUE(FeedModule(m, {0x5B, 0x20, 0x01, '\r'}).toDevice.empty()); // a line of its own
    EXPECT_TRUE(FeedModule(m, AsBytes("set bt pair *\r\n")).toHost.empty());
    EXPECT_EQ(HostText(FeedModule(m, AsBytes("call 0012F3AABBCD 1 rfcomm\r\n"))), AsBytes("NO CARRIER 0 ERROR\r\n"));
    EXPECT_FALSE(m.Connected());
    EXPECT_EQ(HostText(FeedModule(m, AsBytes("call 0012F3AABBCC 1 rfcomm\r\n"))), AsBytes("CALL 0\r\nCONNECT 0\r\n"));
    EXPECT_TRUE(m.Connected());

    // Connected: device bytes pass, set-up frames between device frames do not.
    const Bytes frame = {0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0xD5, 0xE1, 0x10, 0x24};
    EXPECT_EQ(FeedModule(m, frame, false).toDevice, frame);
    EXPECT_EQ(FeedModule(m, {0xD5, 0x5B}).toDevice, (Bytes{0xD5, 0x5B}));
    EXPECT_EQ(HostText(FeedModule(m, ModuleSpeed115200)), (Bytes{0xE5, 0xD5, 0xE1, 0x61, 0x01, 0x00, 0xFD}));
    EXPECT_EQ(m.RemoteBaud(), 115200u);
    EXPECT_FALSE(HostText(FeedModule(m, ModuleRemoteReset)).empty());
    EXPECT_FALSE(m.Connected());

    EXPECT_EQ(m.SetupFrames().size(), 4u);
    EXPECT_EQ(m.SetupFrames().front(), ModuleLocalReset);
    EXPECT_EQ(m.Lines(), (std::vector<std::string>{"[ \x01", "set bt pair *", "call 0012F3AABBCD 1 rfcomm",
                                                   "call 0012F3AABBCC 1 rfcomm"}));
}

TEST(EmulatorModule, Faults) {
    BluetoothModuleModel m("A1", 38400);
    m.AddFault({ModuleFaultKind::Silence, ModuleStep::LocalReset, 1});
    m.AddFault({ModuleFaultKind::BadCheckByte, ModuleStep::LocalReset, 1});
    m.AddFault({ModuleFaultKind::Error, ModuleStep::Call, 1});
    m.AddFault({ModuleFaultKind::Silence, ModuleStep::Call, 1});
    EXPECT_TRUE(FeedModule(m, ModuleLocalReset).toHost.empty());
    EXPECT_EQ(HostText(FeedModule(m, ModuleLocalReset)), (Bytes{0xE5, 0xD5, 0xE1, 0x64, 0x01, 0x00, 0x01}));
    EXPECT_EQ(HostText(FeedModule(m, ModuleLocalReset)).back(), 0x00); // faults used up
    EXPECT_EQ(HostText(FeedModule(m, AsBytes("call A1 1 rfcomm\r\n"))), AsBytes("ERROR\r\n"));
    EXPECT_TRUE(FeedModule(m, AsBytes("call A1 1 rfcomm\r\n")).toHost.empty());
    EXPECT_FALSE(m.Connected());
    EXPECT_EQ(HostText(FeedModule(m, AsBytes("call A1 1 rfcomm\n"))), AsBytes("CALL 0\r\nCONNECT 0\r\n"));
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
