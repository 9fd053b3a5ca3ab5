// The ECU link state and the activation status record read from the emulated device on the
// caller's thread, as StatusInitKrix reads them: the query, the record's step, readInitInfo, and
// the live record copied out whole while another thread reads it.
#include "ActivationStatus.h"
#include "EcuLinkState.h"
#include "PtyFixture.h"
#include "TKrixThread.h"

#include <array>
#include <atomic>
#include <thread>

using KrixEmu::FaultKind;
using KrixEmu::RequestKind;

namespace {

namespace AS = ActivationStatus;
using Record = std::array<std::uint8_t, KrixEmu::DeviceModel::ActivationRecordSize>;

constexpr std::int32_t Program = 146;
constexpr std::array<std::uint8_t, 4> LinkReady = {0x00, 0x01, 0x00, 0x00};
constexpr std::array<std::uint8_t, 4> LinkNotReady = {0x00, 0x00, 0x00, 0x00};
constexpr std::array<std::uint8_t, 4> LinkAsks = {0x00, 0x01, 0x00, 0x06};

// Bytes 9 to 32 of the row 6 answer from its fields.
Record MakeRecord(std::uint16_t stateWord, std::uint8_t viewKind, std::uint8_t inputMode, std::uint8_t messageType,
                  const std::array<std::uint8_t, 4>& messageBytes, const std::array<std::uint32_t, 4>& ids) {
    Record r{};
    r[11 - 9] = static_cast<std::uint8_t>(stateWord >> 8);
    r[12 - 9] = static_cast<std::uint8_t>(stateWord);
    r[13 - 9] = 3;
    r[14 - 9] = viewKind;
    r[15 - 9] = inputMode;
    r[16 - 9] = messageType;
    for (std::size_t i = 0; i < 4; ++i) {
        r[17 - 9 + 4 * i] = messageBytes[i];
        r[18 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i] >> 16);
        r[19 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i] >> 8);
        r[20 - 9 + 4 * i] = static_cast<std::uint8_t>(ids[i]);
    }
    return r;
}

const Record Plain = MakeRecord(0, 0, 0, 0x30, {0x00, 0x41, 0x20, 0x30}, {2, 3, 1, 0x0A0B0C});
const Record ShowsValues = MakeRecord(0, 0x24, 0, 0x30, {0x00, 0x41, 0x20, 0x30}, {5, 6, 7, 8});
const Record WaitsForValue = MakeRecord(0, 0, 18, 0x30, {0x00, 0x41, 0x20, 0x30}, {5, 6, 7, 8});
const Record StateWord3 = MakeRecord(3, 0, 0, 0x30, {0x00, 0x41, 0x20, 0x30}, {5, 6, 7, 8});
const Record ListsChanged = MakeRecord(4, 0, 0, 0x30, {0x00, 0x41, 0x20, 0x30}, {5, 6, 7, 8});
Record NoRecord() {
    Record r{};
    for (std::size_t offset : {11u, 12u, 15u, 16u})
        r[offset - 9] = 0xFF;
    return r;
}

} // namespace

class EcuLinkOnDevice : public PtyFixture {
protected:
    void SetUp() override {
        PtyFixture::SetUp();
        ASSERT_EQ(thread.serial().OpenRS232(Com, 38400, 'N', 8, 1, ""), 0);
        thread.setEcuData(Program, '-', QString());
    }
    void Device(const std::array<std::uint8_t, 4>& link, const Record& record) {
        emulator.Configure([&](KrixEmu::DeviceModel& m) {
            m.SetLinkState(link);
            m.SetActivationRecord(record);
        });
    }
    ActivationState Live() {
        return thread.withTables([](DeviceTables& t) { return t.liveActivation; });
    }

    TKrixThread thread{Com, 0}; // not started: the caller's thread talks to the device
};

TEST_F(EcuLinkOnDevice, QueryUpdatesTheStateOrKeepsItWhenItFails) {
    Device(LinkAsks, Plain);
    thread.setEcuData(190, '-', QString());
    thread.queryLinkState();
    EXPECT_EQ(thread.ecuLinkState(), EcuLink::AsksActivation);
    thread.setEcuData(189, '-', QString()); // programs below 190 do not ask
    thread.queryLinkState();
    EXPECT_EQ(thread.ecuLinkState(), EcuLink::NotReady);
    Device(LinkReady, Plain);
    thread.queryLinkState();
    EXPECT_EQ(thread.ecuLinkState(), EcuLink::Ready);

    for (FaultKind fault : {FaultKind::WrongAnswer, FaultKind::BadCheckWord, FaultKind::NotAvailable}) {
        emulator.AddFault({fault, RequestKind::LinkState, -1, 1, 0});
        Device(LinkNotReady, Plain);
        thread.queryLinkState();
        EXPECT_EQ(thread.ecuLinkState(), EcuLink::Ready) << static_cast<int>(fault);
    }
    EXPECT_EQ(emulator.Count(RequestKind::LinkState), 6u);
    EXPECT_EQ(emulator.Received().back().bytes,
              (KrixEmu::Bytes{0x5B, 0x20, 0x01, 0x00, 0x00, 0x0B, 0x22, 0x3F, 0x00, 0x00, 0xE8}));
}

TEST_F(EcuLinkOnDevice, RecordStepStates) {
    struct Case {
        const char* name;
        Record record;
        std::vector<KrixEmu::FaultRule> faults;
        RxResult result;
        std::int32_t state;
        bool recordTaken;
    };
    const Case cases[] = {
        {"plain message", Plain, {}, RECEIVE_OK, AS::StepPlainMessage, true},
        {"values to show", ShowsValues, {}, RECEIVE_OK, AS::StepShowsValues, true},
        {"waits for a value", WaitsForValue, {}, RECEIVE_OK, AS::StepWaitsForValue, true},
        {"state word 3", StateWord3, {}, RECEIVE_OK, AS::StepStateWord3, true},
        {"no record", NoRecord(), {}, RECEIVE_OK, AS::StepRead, false},
        {"refused", Plain, {{FaultKind::WrongAnswer, RequestKind::TableRow, 6, 1, 0}}, RECEIVE_ERR, AS::StepRead, false},
        {"not available", Plain, {{FaultKind::NotAvailable, RequestKind::TableRow, 6, 1, 0}}, RECEIVE_NOT_AVAILABLE,
         AS::StepRead, false},
        // Well-formed but too short to hold the record: its bytes are not taken from the buffer.
        {"short answer", Plain, {{FaultKind::ShortAnswer, RequestKind::TableRow, 6, 1, 20}}, RECEIVE_ERR, AS::StepRead,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A full record first, so that a short answer finds its bytes in the receive buffer.
        Device(LinkReady, MakeRecord(0, 0, 0, 0x30, {0x00, 0x41, 0x20, 0x30}, {9, 9, 9, 9}));
        std::int32_t state = AS::StepRead;
        ASSERT_EQ(thread.activationStatusStep(&state, NoParam), RECEIVE_OK);
        const ActivationState before = Live();

        Device(LinkReady, c.record);
        for (const KrixEmu::FaultRule& f : c.faults)
            emulator.AddFault(f);
        state = AS::StepRead;
        EXPECT_EQ(thread.activationStatusStep(&state, NoParam), c.result);
        EXPECT_EQ(state, c.state);
        const ActivationState after = Live();
        EXPECT_EQ(after.messageId[0], c.recordTaken ? (c.record[18 - 9] << 16 | c.record[19 - 9] << 8 | c.record[20 - 9])
                                                    : before.messageId[0]);
    }
    // Another step state reads nothing.
    const std::size_t rows = emulator.Count(RequestKind::TableRow);
    std::int32_t state = AS::StepPlainMessage;
    EXPECT_EQ(thread.activationStatusStep(&state, NoParam), RECEIVE_ERR);
    EXPECT_EQ(state, AS::StepPlainMessage);
    EXPECT_EQ(emulator.Count(RequestKind::TableRow), rows);
}

TEST_F(EcuLinkOnDevice, StateWord4ReadsTheIdentifierListsAgain) {
    Device(LinkReady, ListsChanged);
    emulator.Configure([](KrixEmu::DeviceModel& m) { m.SetIdList(14, {0x7001, 0x7002, 0x7003, 0x7004}); });
    std::int32_t state = AS::StepRead;
    EXPECT_EQ(thread.activationStatusStep(&state, NoParam), RECEIVE_OK);
    EXPECT_EQ(state, AS::StepListsReadAgain);
    EXPECT_EQ(thread.isNewList(), 1);
    EXPECT_EQ(emulator.Count(RequestKind::TableRow), 1u + 7u);
    thread.withTables([](DeviceTables& t) {
        EXPECT_EQ(t.count(DeviceTables::ParameterCount), 4u);
        EXPECT_EQ(t.parameters[3].id, 0x7004u);
    });

    // A list that cannot be read: the step fails and stays in 51, and the record of state word 4
    // stays out of the live one, which keeps the plain record read before.
    Device(LinkReady, Plain);
    state = AS::StepRead;
    ASSERT_EQ(thread.activationStatusStep(&state, NoParam), RECEIVE_OK);
    const ActivationState before = Live();
    Device(LinkReady, ListsChanged);
    emulator.AddFault({FaultKind::WrongAnswer, RequestKind::TableRow, KrixEmu::LastListRow, -1, 0});
    state = AS::StepRead;
    EXPECT_EQ(thread.activationStatusStep(&state, NoParam), RECEIVE_ERR);
    EXPECT_EQ(state, AS::StepRead);
    const ActivationState after = Live();
    EXPECT_EQ(after.stateWord, before.stateWord);
    EXPECT_EQ(after.stateWord, 0u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(after.messageId[i], before.messageId[i]) << i;
        EXPECT_EQ(after.slot[i], before.slot[i]) << i;
        EXPECT_EQ(after.source[i], before.source[i]) << i;
    }
    EXPECT_EQ(after.messageId[0], 2u);
    EXPECT_EQ(after.messageType, before.messageType);
    EXPECT_EQ(after.digitCount, before.digitCount);
}

TEST_F(EcuLinkOnDevice, ReadInitInfo) {
    struct Case {
        const char* name;
        std::array<std::uint8_t, 4> link;
        Record record;
        bool linkQueryFails;
        bool result;
        std::size_t recordReads;
        std::int32_t stepState;
    };
    const Case cases[] = {
        {"ready, plain record", LinkReady, Plain, false, true, 1, AS::StepPlainMessage},
        {"ready, values to show", LinkReady, ShowsValues, false, false, 1, AS::StepShowsValues},
        {"ready, waits for a value", LinkReady, WaitsForValue, false, false, 1, AS::StepWaitsForValue},
        {"ready, no record", LinkReady, NoRecord(), false, false, 1, AS::StepRead},
        {"not ready", LinkNotReady, Plain, false, false, 0, 0},
        {"asks for an activation", LinkAsks, Plain, false, false, 0, 0},
        // The state of the last good answer (ready, from the case before) stands.
        {"query fails after ready", LinkNotReady, Plain, true, true, 1, AS::StepPlainMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.linkQueryFails) {
            Device(LinkReady, Plain);
            thread.queryLinkState();
            emulator.AddFault({FaultKind::WrongAnswer, RequestKind::LinkState, -1, 1, 0});
        }
        Device(c.link, c.record);
        thread.setStepState(0);
        const std::size_t rows = emulator.Count(RequestKind::TableRow);
        ActivationState out;
        out.stateWord = 0x55;
        out.value = 0x66;
        EXPECT_EQ(thread.readInitInfo(&out), c.result);
        EXPECT_EQ(emulator.Count(RequestKind::TableRow) - rows, c.recordReads);
        EXPECT_EQ(thread.stepState(), c.stepState);
        if (c.result) {
            // The four messages, and nothing else of the caller's record.
            EXPECT_EQ(out.messageId[0], 2u);
            EXPECT_EQ(out.messageId[3], 0x0A0B0Cu);
            EXPECT_EQ(out.slot[0], 0);
            EXPECT_EQ(out.slot[1], 3);
            EXPECT_EQ(out.slot[2], 1);
            EXPECT_EQ(out.slot[3], 2);
            EXPECT_EQ(out.source[1], 1);
            EXPECT_EQ(out.stateWord, 0x55u);
            EXPECT_EQ(out.value, 0x66u);
            EXPECT_EQ(out.messageType, 0);
        }
    }
}

TEST_F(EcuLinkOnDevice, TheLiveRecordIsNeverCopiedHalfWritten) {
    // Two records whose every field differs; a copy must be one of them whole.
    const Record a = MakeRecord(0, 0x24, 18, 0x30, {0x00, 0x21, 0x30, 0x40}, {1, 1, 1, 1});
    const Record b = MakeRecord(0, 0x03, 34, 0x40, {0x12, 0x32, 0x43, 0x54}, {2, 2, 2, 2});
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> copies{0};
    std::thread reader([&] {
        while (!done.load()) {
            ActivationState s;
            if (thread.getActivationState(&s) != 1)
                continue;
            ++copies;
            const bool isA = s.messageId[0] == 1 && s.messageId[3] == 1 && s.viewKind == 4 && s.inputMode == 2 &&
                             s.entryType == 10 && s.slot[3] == 3;
            const bool isB = s.messageId[0] == 2 && s.messageId[3] == 2 && s.viewKind == 3 && s.inputMode == 2 &&
                             s.entryType == 55 && s.slot[3] == 4;
            const bool untouched = s.messageId[0] == 0 && s.viewKind == 0;
            if (!isA && !isB && !untouched)
                ++torn;
        }
    });
    for (int i = 0; i < 40; ++i) {
        Device(LinkReady, i % 2 ? b : a);
        std::int32_t state = AS::StepRead;
        EXPECT_EQ(thread.activationStatusStep(&state, NoParam), RECEIVE_OK);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(copies.load(), 0);
}
