// The pieces of the device initialisation on a virtual clock: the mux record and EcuDirectBlock
// bytes, the program file's name, the block download, and the identifier lists.
#include "DownloadProgram.h"
#include "IdLists.h"
#include "InitKrix.h"
#include "ScriptedLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t LoadAddress = 0xC80000;
constexpr std::size_t BlockSize = 512;
constexpr std::size_t BlockFrameSize = BlockSize + 15;
constexpr std::size_t BlockDataAt = 13;
constexpr std::uint8_t BlockOk = 0x01;
constexpr std::uint8_t PreviousBlockBad = 0x00;

struct Device {
    VirtualClock clock{1000};
    DeviceClock deviceClock{&clock};
    ScriptedLink link{clock};
    DeviceProtocol protocol{link, deviceClock};
};

class MemorySource final : public ProgramSource {
public:
    explicit MemorySource(Bytes bytes) : bytes_(std::move(bytes)) {}
    std::int64_t size() override { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t readAt(std::int64_t offset, std::uint8_t* buffer, std::size_t n) override {
        if (offset < 0 || offset > size() || offset == failSeekAt)
            return -1;
        std::size_t got = std::min(n, bytes_.size() - static_cast<std::size_t>(offset));
        if (offset == shortReadAt)
            got /= 2;
        std::memcpy(buffer, bytes_.data() + offset, got);
        return static_cast<std::int64_t>(got);
    }
    std::int64_t shortReadAt = -1;
    std::int64_t failSeekAt = -1;

private:
    Bytes bytes_;
};

Bytes Program(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 13 + 7);
    return b;
}

Bytes BlockAck(std::uint8_t status) { return Answer({0xEA, 0x57, 0x01, status}); }

std::uint32_t AddressOf(const Bytes& frame) {
    return std::uint32_t{frame[9]} << 24 | std::uint32_t{frame[10]} << 16 | std::uint32_t{frame[11]} << 8 | frame[12];
}

// The block numbers of the frames written, from their load addresses.
std::vector<int> BlocksSent(const ScriptedLink& link) {
    std::vector<int> blocks;
    for (const Bytes& w : link.writes)
        blocks.push_back(static_cast<int>((AddressOf(w) - LoadAddress) / BlockSize));
    return blocks;
}

} // namespace

TEST(InitPieces, MuxRecordFromTheSetMuxText) {
    struct Case {
        const char* setMux;
        Bytes record;
    };
    const Case cases[] = {
        {"000F00100000", {0x20, 0x00, 0x10, 0x00, 0x00}},  // the default
        {"000A12345678", {0x01, 0x12, 0x34, 0x56, 0x78}},
        {"000H0000abCD", {0x80, 0x00, 0x00, 0xAB, 0xCD}},
        {"000Z00000001", {0x00, 0x00, 0x00, 0x00, 0x01}},  // no letter A to H
        {"000B0030400G", {0x02, 0x00, 0x03, 0x04, 0x00}},  // reading stops at the G
        {"000C123456789AB", {0x04, 0x45, 0x67, 0x89, 0xAB}}, // the low 32 bits
        {"000D", {0x08, 0x00, 0x00, 0x00, 0x00}},
        {"", {0x00, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        std::uint8_t record[5];
        BuildMuxRecord(QString::fromLatin1(c.setMux), record);
        EXPECT_EQ(Bytes(record, record + 5), c.record) << c.setMux;
    }
}

TEST(InitPieces, EcuDirectBlockBytesAndProgramFileName) {
    const std::uint32_t words[5] = {0x1234'5681, 0x00AB'CDEF, 0x4443'4241, 0x4847'4645, 0x0000'4A49};
    std::uint8_t bytes[16];
    BuildEcuDirectBytes(words, bytes);
    EXPECT_EQ(Bytes(bytes, bytes + 16),
              (Bytes{0x81, 0xEF, 0xCD, 0xAB, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 0, 0}));

    EXPECT_EQ(ProgramFilePath("/data/", 601), "/data/krix/krix/dgn13/0601____.exe");
    EXPECT_EQ(ProgramFilePath("/data/", 49), "/data/krix/krix/dgn01/0049____.exe");
    EXPECT_EQ(ProgramFilePath("/data/", 50), "/data/krix/krix/dgn02/0050____.exe");
}

TEST(Download, FullBlocksAtTheirAddressesTheLastFilledWithZeros) {
    Device d;
    const Bytes program = Program(1025);
    for (int i = 0; i < 3; ++i)
        d.link.Then(1, BlockAck(BlockOk));
    MemorySource source(program);
    ASSERT_EQ(downloadBlocks(d.protocol, d.deviceClock, source, BlockSize), RECEIVE_OK);
    ASSERT_EQ(d.link.writes.size(), 3u);
    Bytes sent;
    for (std::size_t k = 0; k < 3; ++k) {
        const Bytes& w = d.link.writes[k];
        ASSERT_EQ(w.size(), BlockFrameSize);
        EXPECT_EQ(Bytes(w.begin(), w.begin() + 9), (Bytes{0x5B, 0x20, 0x01, 0x00, 0x02, 0x0F, 0xAA, 0x57, 0x01}));
        EXPECT_EQ(AddressOf(w), LoadAddress + k * BlockSize);
        EXPECT_EQ(w, Sealed(Bytes(w.begin(), w.end() - 2))) << "check word of block " << k;
        sent.insert(sent.end(), w.begin() + BlockDataAt, w.end() - 2);
    }
    Bytes expected = program;
    expected.resize(3 * BlockSize, 0);
    EXPECT_EQ(sent, expected);
}

TEST(Download, APreviousBlockReportedBadGoesAgain) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> statuses; // one per acknowledged round
        std::vector<int> blocks;
    };
    const Case cases[] = {
        {"block 2 reports block 1 bad", {BlockOk, BlockOk, PreviousBlockBad, BlockOk, BlockOk}, {0, 1, 2, 1, 3}},
        {"a status of 0 on the first block is no report", {PreviousBlockBad, BlockOk, BlockOk, BlockOk}, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        Device d;
        for (std::uint8_t s : c.statuses)
            d.link.Then(1, BlockAck(s));
        MemorySource source(Program(4 * BlockSize));
        EXPECT_EQ(downloadBlocks(d.protocol, d.deviceClock, source, BlockSize), RECEIVE_OK) << c.name;
        EXPECT_EQ(BlocksSent(d.link), c.blocks) << c.name;
    }
}

TEST(Download, FailuresEndTheDownload) {
    Bytes badSum = BlockAck(BlockOk);
    badSum.back() ^= 0x01;
    const Bytes wrongAnswer = Answer({0xEA, 0x57, 0x02, BlockOk});
    struct Case {
        const char* name;
        std::vector<Bytes> answers; // scripted one after the other; silence after them
        std::function<void(MemorySource&)> spoil;
        RxResult result;
        std::size_t writes;
    };
    const Case cases[] = {
        {"five rounds not accepted, then the rest", {badSum, badSum, {}, badSum, {}, BlockAck(BlockOk), BlockAck(BlockOk)},
         nullptr, RECEIVE_OK, 7},
        {"six rounds not accepted in a row", {badSum, {}, badSum, {}, badSum, {}}, nullptr, RECEIVE_ERR, 6},
        {"an accepted frame that is no block answer", {wrongAnswer}, nullptr, RECEIVE_ERR, 1},
        {"a short read of the second block", {BlockAck(BlockOk)}, [](MemorySource& s) { s.shortReadAt = BlockSize; },
         RECEIVE_ERR, 1},
        {"a failed seek", {}, [](MemorySource& s) { s.failSeekAt = 0; }, RECEIVE_ERR, 0},
        {"a device that reports every block bad", std::vector<Bytes>(20, BlockAck(PreviousBlockBad)), nullptr,
         RECEIVE_ERR, 4},
    };
    for (const Case& c : cases) {
        Device d;
        for (const Bytes& a : c.answers) {
            if (a.empty())
                d.link.Then(1100, {0x00}); // a silent round: only noise after its time-out
            else
                d.link.Then(1, a);
        }
        MemorySource source(Program(2 * BlockSize));
        if (c.spoil)
            c.spoil(source);
        EXPECT_EQ(downloadBlocks(d.protocol, d.deviceClock, source, BlockSize), c.result) << c.name;
        EXPECT_EQ(d.link.writes.size(), c.writes) << c.name;
    }

    Device d;
    MemorySource empty({});
    EXPECT_EQ(downloadBlocks(d.protocol, d.deviceClock, empty, BlockSize), RECEIVE_ERR);
    EXPECT_TRUE(d.link.writes.empty());
}

TEST(IdLists, ReadsTheSevenRowsAndGivesUpAfterThirtyFailures) {
    const Bytes notAvailable = Sealed({0x5B, 0x01, 0x20, 0x00, 0x00, 0x0F, 0x62, 0x7F, 0x00, 0, 0, 0, 0});
    auto list = [](std::uint8_t b7, std::uint8_t b8, std::vector<std::uint32_t> items) {
        Bytes body{0x62, b7, b8};
        for (std::uint32_t v : items)
            for (int shift = 24; shift >= 0; shift -= 8)
                body.push_back(static_cast<std::uint8_t>(v >> shift));
        return Answer(body);
    };
    Device d;
    for (int i = 0; i < 30; ++i) // thirty failures do not give row 14 up
        d.link.Then(1, notAvailable);
    d.link.Then(1, list('P', '0', {0x101, 0x102}));
    for (int i = 0; i < 31; ++i) // thirty-one do: row 15 takes its default
        d.link.Then(1, notAvailable);
    d.link.Then(1, list('I', '0', {}));  // no items
    d.link.Then(1, list('A', '0', {0x401}));
    d.link.Then(1, list('P', 'U', {7, 8}));
    d.link.Then(1, list('P', 'D', {0xAABBCC01, 0x02}));
    // Row 20: silence; three time-outs (11 each) give it up.
    const IdListsRead read = ReadIdLists(d.protocol, d.deviceClock);
    EXPECT_TRUE(read.rows[0].accepted);
    EXPECT_EQ(read.rows[0].items, (std::vector<std::uint32_t>{0x101, 0x102}));
    EXPECT_FALSE(read.rows[1].accepted);
    EXPECT_TRUE(read.rows[2].accepted);
    EXPECT_TRUE(read.rows[2].items.empty());
    EXPECT_FALSE(read.rows[6].accepted);
    EXPECT_EQ(read.last, RECEIVE_TIME_OUT);
    EXPECT_EQ(d.link.writes.size(), 31u + 31u + 1u + 1u + 1u + 1u + 3u);
}

TEST(IdLists, EnteredIntoTheTablesWithinTheirSizes) {
    DeviceTables t;
    t.setCount(DeviceTables::InfoCount, 4); // kept: the info row answers without items
    IdListsRead read;
    std::vector<std::uint32_t> parameters(200);
    for (std::size_t i = 0; i < parameters.size(); ++i)
        parameters[i] = 0x1000 + static_cast<std::uint32_t>(i);
    read.rows[0] = {true, parameters};
    read.rows[1] = {false, {}};
    read.rows[2] = {true, {}};
    read.rows[3] = {true, {0x401, 0x402}};
    read.rows[4] = {true, {5, 6}};
    read.rows[5] = {false, {}};
    read.rows[6] = {true, std::vector<std::uint32_t>(253, 0x77)};
    t.parameters[1].deviceByte = 9;
    ApplyIdLists(t, read);

    EXPECT_EQ(t.count(DeviceTables::ParameterCount), 160u);
    EXPECT_EQ(t.parameters[159].id, 0x1000u + 159);
    EXPECT_EQ(t.parameters[0].unitId, 5u);
    EXPECT_EQ(t.parameters[1].unitId, 6u);
    EXPECT_EQ(t.parameters[1].deviceByte, 0); // row 19 given up: every device byte 0
    EXPECT_EQ(t.count(DeviceTables::StatusCount), 1u); // row 15 given up: one status of id 0
    EXPECT_EQ(t.statuses[0].id, 0u);
    EXPECT_EQ(t.count(DeviceTables::InfoCount), 4u);
    EXPECT_EQ(t.count(DeviceTables::ActivationCount), 2u);
    EXPECT_EQ(t.activations[1].id, 0x402u);
    EXPECT_EQ(t.count(DeviceTables::StatusTextCount), 253u);
    for (const ParameterRecord& p : t.parameters)
        ASSERT_EQ(p.value, IdList::ValueNotRead);
    for (const StatusRecord& s : t.statuses)
        ASSERT_EQ(s.valueIndex, IdList::StatusNotRead);
}
