// The device's activation status record turned into the live ActivationState, the step that
// follows a record, the ECU link state from the link-state answer, and the programs whose device
// reports its own initialisation message. Pure: no line, no thread.
#include "ActivationStatus.h"
#include "EcuLinkState.h"
#include "InitMessage.h"
#include "ScriptedLink.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

namespace AS = ActivationStatus;

// The four messages of a record: message byte (high nibble slot, low nibble source) and id.
struct Message {
    std::uint8_t byte = 0;
    std::uint32_t id = 0;
};

struct RecordFields {
    std::uint16_t stateWord = 0;
    std::uint8_t digits = 0;
    std::uint8_t viewKind = 0;
    std::uint8_t inputMode = 0;
    std::uint8_t messageType = 0;
    std::array<Message, 4> messages{};
};

// The 35-byte answer to row 6, laid out field by field.
Bytes RecordAnswer(const RecordFields& r) {
    Bytes body = {0x62, 0x00, 0x01, 0x00, 0x00, static_cast<std::uint8_t>(r.stateWord >> 8),
                  static_cast<std::uint8_t>(r.stateWord), r.digits, r.viewKind, r.inputMode, r.messageType};
    for (const Message& m : r.messages) {
        body.push_back(m.byte);
        body.push_back(static_cast<std::uint8_t>(m.id >> 16));
        body.push_back(static_cast<std::uint8_t>(m.id >> 8));
        body.push_back(static_cast<std::uint8_t>(m.id));
    }
    return Answer(body);
}

using Quad = std::array<std::uint8_t, 4>;
Quad Slots(const ActivationState& s) { return {s.slot[0], s.slot[1], s.slot[2], s.slot[3]}; }
Quad Sources(const ActivationState& s) { return {s.source[0], s.source[1], s.source[2], s.source[3]}; }

constexpr Quad DefaultSlots = {0, 1, 2, 3};
// Message bytes whose slots are valid in the newer form: 2, 2, 3, 4 with sources 3, 1, 2, 3.
constexpr std::array<Message, 4> NewerMessages = {{{0x23, 0x010203}, {0x31, 7}, {0x42, 8}, {0x53, 0xFFFFFF}}};

} // namespace

TEST(ActivationRecord, AnswerLayout) {
    ASSERT_EQ(RecordAnswer({}).size(), AS::AnswerSize);
    ActivationState s;
    s.unitOrFormat = 0x1234;
    s.value = 77;
    s.digitIndex = 5;
    s.valueA = 1.5f;
    s.valueB = 2.5f;
    s.valueC = 3.5f;
    const Bytes answer = RecordAnswer({0x0102, 4, 0, 0x12, 0x30, NewerMessages});
    AS::ApplyRecord(answer.data(), s);
    EXPECT_EQ(s.stateWord, 0x0102u);
    EXPECT_EQ(s.messageId[0], 0x010203u);
    EXPECT_EQ(s.messageId[1], 7u);
    EXPECT_EQ(s.messageId[3], 0xFFFFFFu);
    EXPECT_EQ(s.messageType, 0x30);
    EXPECT_EQ(s.digitCount, 4); // input mode 18: entered digit by digit
    // What the read does not own stays as it was.
    EXPECT_EQ(s.unitOrFormat, 0x1234u);
    EXPECT_EQ(s.value, 77u);
    EXPECT_EQ(s.digitIndex, 5);
    EXPECT_EQ(s.valueA, 1.5f);
    EXPECT_EQ(s.valueB, 2.5f);
    EXPECT_EQ(s.valueC, 3.5f);
}

TEST(ActivationRecord, NoRecordMarker) {
    struct Case {
        std::uint16_t stateWord;
        std::uint8_t inputMode, messageType;
        bool none;
    };
    const Case cases[] = {
        {0xFFFF, 0xFF, 0xFF, true},  {0xFFFE, 0xFF, 0xFF, false}, {0xFEFF, 0xFF, 0xFF, false},
        {0xFFFF, 0xFE, 0xFF, false}, {0xFFFF, 0xFF, 0x00, false},
    };
    for (const Case& c : cases) {
        const Bytes a = RecordAnswer({c.stateWord, 0xFF, 0xFF, c.inputMode, c.messageType, {}});
        EXPECT_EQ(AS::HoldsNoRecord(a.data()), c.none) << std::hex << c.stateWord << ' ' << int(c.inputMode) << ' '
                                                      << int(c.messageType);
    }
}

TEST(ActivationRecord, Normalisation) {
    struct Case {
        const char* name;
        RecordFields record;
        std::uint8_t digitsBefore; // the live record's digit count before the read
        std::uint8_t messageType, inputMode, viewKind, entryType, decimals;
        Quad slotsWanted, sourcesWanted;
        std::uint8_t digitCount;
        std::int32_t step;
    };
    // The device's view kind and input mode are overwritten by the older form; its slots too.
    const std::array<Message, 4> older = {{{0x63, 1}, {0x01, 2}, {0x72, 3}, {0x14, 4}}};
    const Quad olderSources = {3, 1, 2, 4};
    const Case cases[] = {
        // The older form, by message type.
        {"older 0", {0, 9, 0x77, 0x77, 0, older}, 9, 0x21, 1, 0, 16, 3, DefaultSlots, olderSources, 1, 55},
        {"older 1", {0, 9, 0x77, 0x77, 1, older}, 9, 0x21, 0, 2, 16, 3, DefaultSlots, olderSources, 1, 54},
        {"older 2", {0, 9, 0, 0, 2, older}, 9, 0x20, 0, 0, 16, 3, DefaultSlots, olderSources, 1, 52},
        {"older 3", {0, 9, 0x77, 0x77, 3, older}, 9, 0x21, 0, 3, 16, 3, DefaultSlots, olderSources, 1, 54},
        {"older 4", {0, 9, 0x77, 0x77, 4, older}, 9, 0x21, 0, 2, 16, 3, DefaultSlots, olderSources, 1, 54},
        {"older 5", {0, 6, 0x77, 0x77, 5, older}, 9, 0x21, 2, 0, 16, 3, DefaultSlots, olderSources, 6, 55},
        {"older 6", {0, 9, 0x77, 0x77, 6, older}, 9, 0x21, 0, 0, 16, 3, DefaultSlots, olderSources, 1, 52},
        {"older 7", {0, 9, 0x77, 0x77, 7, older}, 9, 0x21, 0, 1, 16, 3, DefaultSlots, olderSources, 1, 54},
        {"older 8", {0, 9, 0x77, 0x77, 8, older}, 9, 0x22, 1, 0, 16, 3, DefaultSlots, olderSources, 1, 55},
        {"older 9", {0, 9, 0x77, 0x77, 9, older}, 9, 0x22, 0, 0, 16, 3, DefaultSlots, olderSources, 1, 52},
        // The newer form: its own slots when they are lines 0-5 and 1-5, else 0 to 3.
        {"newer slots", {0, 0, 0, 0, 0x30, NewerMessages}, 9, 0x30, 0, 0, 16, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 52},
        {"first slot 6", {0, 0, 0, 0, 0x30, {{{0x63, 1}, {0x31, 2}, {0x42, 3}, {0x53, 4}}}}, 9, 0x30, 0, 0, 16, 3,
         DefaultSlots, {3, 1, 2, 3}, 1, 52},
        {"second nibble 0", {0, 0, 0, 0, 0x30, {{{0x23, 1}, {0x01, 2}, {0x42, 3}, {0x53, 4}}}}, 9, 0x30, 0, 0, 16, 3,
         DefaultSlots, {3, 1, 2, 3}, 1, 52},
        {"last nibble 7", {0, 0, 0, 0, 0x30, {{{0x23, 1}, {0x31, 2}, {0x42, 3}, {0x73, 4}}}}, 9, 0x30, 0, 0, 16, 3,
         DefaultSlots, {3, 1, 2, 3}, 1, 52},
        {"slots 0 and 5", {0, 0, 0, 0, 0x30, {{{0x00, 1}, {0x60, 2}, {0x20, 3}, {0x60, 4}}}}, 9, 0x30, 0, 0, 16, 3,
         {0, 5, 1, 5}, {0, 0, 0, 0}, 1, 52},
        // View kinds: the low nibble, with decimals from a high nibble below 3.
        {"view 0x24", {0, 0, 0x24, 0, 0x30, NewerMessages}, 9, 0x30, 0, 4, 16, 2, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 54},
        {"view 0x34", {0, 0, 0x34, 0, 0x30, NewerMessages}, 9, 0x30, 0, 4, 16, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 54},
        {"view 0x01", {0, 0, 0x01, 0, 0x30, NewerMessages}, 9, 0x30, 0, 1, 16, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 54},
        {"view 0x21", {0, 0, 0x21, 0, 0x30, NewerMessages}, 9, 0x30, 0, 1, 16, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 54},
        {"view 0x02", {0, 0, 0x02, 0, 0x30, NewerMessages}, 9, 0x30, 0, 2, 16, 0, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 54},
        {"view 0x10", {0, 0, 0x10, 0, 0x30, NewerMessages}, 9, 0x30, 0, 0, 16, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 52},
        // Input modes and the digit count.
        {"input 18, digits 0", {0, 0, 0, 18, 0x30, NewerMessages}, 9, 0x30, 2, 0, 10, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1,
         55},
        {"input 18, digits 7", {0, 7, 0, 18, 0x30, NewerMessages}, 9, 0x30, 2, 0, 10, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 7,
         55},
        {"input 18, digits 12", {0, 12, 0, 18, 0x30, NewerMessages}, 9, 0x30, 2, 0, 10, 3, {2, 2, 3, 4}, {3, 1, 2, 3},
         1, 55},
        {"input 34, digits 12", {0, 12, 0, 34, 0x30, NewerMessages}, 9, 0x30, 2, 0, 55, 3, {2, 2, 3, 4}, {3, 1, 2, 3},
         12, 55},
        {"input 34, digits 32", {0, 32, 0, 34, 0x30, NewerMessages}, 9, 0x30, 2, 0, 55, 3, {2, 2, 3, 4}, {3, 1, 2, 3},
         1, 55},
        {"input 2 as sent, digits 12", {0, 12, 0, 2, 0x30, NewerMessages}, 9, 0x30, 2, 0, 16, 3, {2, 2, 3, 4},
         {3, 1, 2, 3}, 1, 55},
        {"input 50 keeps the digit count", {0, 4, 0, 50, 0x30, NewerMessages}, 9, 0x30, 3, 0, 10, 3, {2, 2, 3, 4},
         {3, 1, 2, 3}, 9, 55},
        {"input 7 as sent", {0, 4, 0, 7, 0x30, NewerMessages}, 9, 0x30, 7, 0, 16, 3, {2, 2, 3, 4}, {3, 1, 2, 3}, 1, 55},
        // State word 3 comes before view and input.
        {"state word 3", {3, 0, 0x24, 18, 0x30, NewerMessages}, 9, 0x30, 2, 4, 10, 2, {2, 2, 3, 4}, {3, 1, 2, 3}, 1,
         56},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActivationState s;
        s.digitCount = c.digitsBefore;
        s.entryType = 99;
        s.decimals = 99;
        const Bytes answer = RecordAnswer(c.record);
        AS::ApplyRecord(answer.data(), s);
        EXPECT_EQ(s.messageType, c.messageType);
        EXPECT_EQ(s.inputMode, c.inputMode);
        EXPECT_EQ(s.viewKind, c.viewKind);
        EXPECT_EQ(s.entryType, c.entryType);
        EXPECT_EQ(s.decimals, c.decimals);
        EXPECT_EQ(Slots(s), c.slotsWanted);
        EXPECT_EQ(Sources(s), c.sourcesWanted);
        EXPECT_EQ(s.digitCount, c.digitCount);
        EXPECT_EQ(AS::StepAfter(s), c.step);
    }
}

TEST(EcuLinkState, FromTheAnswer) {
    struct Case {
        std::uint8_t byte10, byte12;
        std::int32_t program;
        std::uint8_t state;
    };
    const Case cases[] = {
        {0x01, 0x00, 100, EcuLink::Ready},          {0x01, 0x06, 190, EcuLink::AsksActivation},
        {0x01, 0x06, 189, EcuLink::NotReady},       {0x01, 0x06, 601, EcuLink::AsksActivation},
        {0x00, 0x00, 300, EcuLink::NotReady},       {0x00, 0x06, 300, EcuLink::NotReady},
        {0x03, 0x00, 100, EcuLink::Ready},          {0x02, 0x00, 100, EcuLink::NotReady},
        {0x01, 0x05, 300, EcuLink::NotReady},       {0x01, 0x01, 300, EcuLink::NotReady},
    };
    for (const Case& c : cases) {
        const Bytes answer = Answer({0x62, 0x3F, 0x00, 0x00, c.byte10, 0x00, c.byte12});
        ASSERT_EQ(answer.size(), EcuLink::AnswerSize);
        EXPECT_EQ(EcuLink::StateFromAnswer(answer.data(), c.program), c.state)
            << int(c.byte10) << ' ' << int(c.byte12) << ' ' << c.program;
    }
}

TEST(InitMessage, ProgramsWhoseDeviceReportsItsMessage) {
    for (std::int32_t p : {146, 147, 150, 151, 152, 159, 160, 171, 194, 197, 199, 212, 220, 221, 223, 334, 601, 9999})
        EXPECT_TRUE(InitMessage::DeviceReportsMessage(p)) << p;
    for (std::int32_t p : {0, 77, 145, 148, 149, 153, 170, 190, 222, 224, 333})
        EXPECT_FALSE(InitMessage::DeviceReportsMessage(p)) << p;
}
