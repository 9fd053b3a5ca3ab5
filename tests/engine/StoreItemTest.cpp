// The store classes: both text forms, their checks, answers, comparison and copies.
#include "StoreTestSupport.h"
#include "UDStructures.h"

#include <string>
#include <vector>

namespace {

constexpr std::int32_t kRequestLimit = 6;
constexpr std::int32_t kAnswerLimit = 8;
constexpr std::int32_t kDescriptionLimit = 10;
constexpr std::int32_t kAnswerSlots = 2;

TBaseItem NewItem() { return TBaseItem(kRequestLimit, kAnswerLimit, kDescriptionLimit, kAnswerSlots); }

} // namespace

class StoreItemTest : public PackPairTest {};

TEST_F(StoreItemTest, RequestChecksComeInOrder) {
    struct Case {
        int kind;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {1, "1a2", "Invalid request value! Odd number of digits!"},
        {0, "1a2", "Invalid request value! Odd number of digits!"},
        {2, "1", "Invalid request value! Odd number of digits!"}, // before the kind
        {1, "1a2b3c4d", "Overlong Request 1a2b3c4d"},
        {2, "1a2b3c4d", "Overlong Request 1a2b3c4d"},
        {2, "10", "Bad type parameter!"},
        {1, "1a2b3c", "(no failure)"}, // exactly the limit
        {0, "1a2b3c", "(no failure)"}, // the limit applies to the given text
    };
    for (const Case& c : cases) {
        TBaseItem item = NewItem();
        item.SetValue(1, "22");
        const bool ok = c.expected == "(no failure)";
        EXPECT_EQ(MessageOf([&] { item.SetValue(c.kind, c.text); }), c.expected) << c.kind << " " << c.text;
        if (!ok) {
            EXPECT_EQ(item.PlainText, "22");
            EXPECT_EQ(item.WireText, "0122");
        }
    }
}

TEST_F(StoreItemTest, AnswerChecksComeInOrder) {
    struct Case {
        int kind;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {1, "5a9", "Invalid answer value! Odd number of digits!"},
        {3, "5", "Invalid answer value! Odd number of digits!"},
        {1, "5a90919293", "Overlong Answer 5a90919293"},
        {-1, "5a", "Bad type parameter!"},
        {1, "5a909192", "(no failure)"},
    };
    for (const Case& c : cases) {
        TAnswer answer(kAnswerLimit);
        answer.SetValue(1, "62");
        EXPECT_EQ(MessageOf([&] { answer.SetValue(c.kind, c.text); }), c.expected) << c.kind << " " << c.text;
        if (c.expected != "(no failure)") {
            EXPECT_EQ(answer.WireText, "0162");
        }
    }
}

TEST_F(StoreItemTest, BothFormsWithPackPair1) {
    TBaseItem item = NewItem();
    item.SetValue(1, "1a90");
    EXPECT_EQ(item.GetValue(1), "1a90");
    EXPECT_EQ(item.GetValue(0), "021a90");
    item.SetValue(0, "021a91");
    EXPECT_EQ(item.PlainText, "1a91");
    EXPECT_EQ(MessageOf([&] { item.GetValue(2); }), "Bad type parameter!");

    TAnswer answer(kAnswerLimit);
    answer.SetValue(1, "5a90");
    EXPECT_EQ(answer.WireText, "025a90");
    EXPECT_EQ(answer.Bytes, (std::vector<std::uint8_t>{0x02, 0x5A, 0x90}));
    EXPECT_EQ(answer.ByteCount, 3);
    answer.SetValue(0, "035a90ff");
    EXPECT_EQ(answer.PlainText, "5a90ff");
    EXPECT_EQ(answer.Bytes, (std::vector<std::uint8_t>{0x03, 0x5A, 0x90, 0xFF}));
    EXPECT_EQ(answer.ByteCount, 4);
    EXPECT_EQ(MessageOf([&] { answer.GetValue(5); }), "Bad type parameter!");
}

TEST_F(StoreItemTest, SetAnswers) {
    TBaseItem item = NewItem();
    item.SetAnswers({"5a90", "7f1a"});
    ASSERT_EQ(item.AnswerCount, 2);
    EXPECT_EQ(item.Answers[1].WireText, "027f1a");

    struct Case {
        std::vector<std::string> lines;
        std::string expected;
    };
    const Case refused[] = {
        {{"11", "22", "33"}, "Too large Multi Answer Number!"},
        {{"11", "223"}, "Invalid answer value! Odd number of digits!"},
        {{"11", "2233445566"}, "Overlong Answer 2233445566"},
    };
    for (const Case& c : refused) {
        EXPECT_EQ(MessageOf([&] { item.SetAnswers(c.lines); }), c.expected);
        EXPECT_EQ(item.AnswerCount, 2);
        EXPECT_EQ(item.Answers[0].PlainText, "5a90") << "a refused list changed an answer";
    }

    item.SetAnswers({});
    EXPECT_EQ(item.AnswerCount, 0);
}

TEST_F(StoreItemTest, CompareWireMatchesStoredPrefixes) {
    TBaseItem item = NewItem();
    item.SetValue(0, "021a");
    struct Case {
        std::string text;
        int expected;
    };
    const Case cases[] = {
        {"021a90", 0}, {"021a", 0}, {"02", +1}, {"", +1},     {"021b", -1},
        {"0219", +1},  {"ff", -1},  {"02\x80", -1}, // bytes compare unsigned
    };
    for (const Case& c : cases) EXPECT_EQ(item.CompareWire(c.text), c.expected) << c.text;

    TBaseItem other = NewItem();
    other.SetValue(0, "021a90");
    EXPECT_EQ(item.CompareWire(other), 0);
    EXPECT_EQ(other.CompareWire(item), +1);
}

TEST_F(StoreItemTest, CopyDerivesWireTextsWithTheCurrentRoutine) {
    TAnsReqItem source(kRequestLimit, kAnswerLimit, kDescriptionLimit, kAnswerSlots);
    source.SetValue(1, "1a90");
    source.SetAnswers({"5a90"});
    source.Description = "start";
    source.Type = RequestType::FaultReading;
    source.ActivationIndex = 4;

    Select(6);
    TAnsReqItem copy(kRequestLimit, kAnswerLimit, kDescriptionLimit, kAnswerSlots);
    copy.CopyFrom(source);
    EXPECT_EQ(copy.PlainText, "1a90");
    EXPECT_EQ(copy.WireText, "ca1a90");
    EXPECT_EQ(source.WireText, "021a90");
    ASSERT_EQ(copy.AnswerCount, 1);
    EXPECT_EQ(copy.Answers[0].WireText, "ca5a90");
    EXPECT_EQ(copy.Answers[0].ByteCount, 3);
    EXPECT_EQ(copy.Description, "start");
    EXPECT_EQ(copy.Type, RequestType::FaultReading);
    EXPECT_EQ(copy.ActivationIndex, 4);

    TBaseItem base = NewItem();
    base.CopyFrom(source); // a request entry copied into a plain item (the loop's work item)
    EXPECT_EQ(base.WireText, "ca1a90");
}

TEST_F(StoreItemTest, CopyIntoFewerAnswerSlotsIsRefused) {
    TBaseItem source(kRequestLimit, kAnswerLimit, kDescriptionLimit, 3);
    source.SetAnswers({"11", "22", "33"});
    TBaseItem small = NewItem();
    EXPECT_EQ(MessageOf([&] { small.CopyFrom(source); }), "Too large Multi Answer Number!");
}

// The answer path copies entries into the loop's work item; with room reserved at construction
// no text or byte buffer moves.
TEST_F(StoreItemTest, CopyOfFullLengthTextsKeepsTheBuffers) {
    TBaseItem source = NewItem();
    source.SetValue(1, "1a2b3c");
    source.SetAnswers({"5a5b5c5d", "6a6b6c6d"});
    source.Description = "0123456789";
    TBaseItem into = NewItem();
    const char* wire = into.WireText.data();
    const char* description = into.Description.data();
    const char* answerWire = into.Answers[1].WireText.data();
    const std::uint8_t* bytes = into.Answers[1].Bytes.data();
    into.CopyFrom(source);
    EXPECT_EQ(into.WireText.data(), wire);
    EXPECT_EQ(into.Description.data(), description);
    EXPECT_EQ(into.Answers[1].WireText.data(), answerWire);
    EXPECT_EQ(into.Answers[1].Bytes.data(), bytes);
    EXPECT_EQ(into.Answers[1].WireText, "046a6b6c6d");
}

TEST_F(StoreItemTest, TableCopiesLeaveSlotsBeyondTheSourceCount) {
    TAllRequest source(kRequestLimit, kAnswerLimit, kDescriptionLimit, 3, kAnswerSlots);
    TAllRequest into(kRequestLimit, kAnswerLimit, kDescriptionLimit, 3, kAnswerSlots);
    into.Items[1].SetValue(1, "99");
    source.Items[0].SetValue(1, "10");
    source.Count = 1;
    into.CopyFrom(source);
    EXPECT_EQ(into.Count, 1);
    EXPECT_EQ(into.Items[0].WireText, "0110");
    EXPECT_EQ(into.Items[1].WireText, "0199");

    TActivations activations(kRequestLimit, kAnswerLimit, kDescriptionLimit, 2, 2, kAnswerSlots);
    TActivations activationsInto(kRequestLimit, kAnswerLimit, kDescriptionLimit, 2, 2, kAnswerSlots);
    TActivationItem& a = activations.Items[0];
    a.Name = "A";
    a.Steps[0].SetValue(1, "31");
    a.Steps[0].SetAnswers({"71"});
    a.Count = 1;
    activations.Count = 1;
    activationsInto.CopyFrom(activations);
    EXPECT_EQ(activationsInto.Count, 1);
    EXPECT_EQ(activationsInto.Items[0].Name, "A");
    EXPECT_EQ(activationsInto.Items[0].Count, 1);
    EXPECT_EQ(activationsInto.Items[0].Steps[0].Answers[0].WireText, "0171");

    TAllRequest tooSmall(kRequestLimit, kAnswerLimit, kDescriptionLimit, 0, kAnswerSlots);
    EXPECT_EQ(MessageOf([&] { tooSmall.CopyFrom(source); }), "Too many entries to copy!");
}

TEST_F(StoreItemTest, NewItemsAndTypeNames) {
    TAnsReqItem request(kRequestLimit, kAnswerLimit, kDescriptionLimit, kAnswerSlots);
    EXPECT_EQ(request.Type, RequestType::PSI);
    EXPECT_EQ(request.ActivationIndex, -1);
    EXPECT_EQ(request.AnswerCount, 0);
    EXPECT_TRUE(request.WireText.empty());
    EXPECT_EQ(request.Answers.size(), static_cast<std::size_t>(kAnswerSlots));
    TActAnsItem step(kRequestLimit, kAnswerLimit, kDescriptionLimit, kAnswerSlots);
    EXPECT_EQ(step.Type, RequestType::Activation);

    const char* names[] = {"Tester Present", "Fault reading", "PSI", "Activation", "ECU Activation", "",
                           "End Communication"};
    for (std::uint8_t code = 0; code < RequestType::Count; ++code) EXPECT_EQ(RequestTypeName(code), names[code]);
    EXPECT_EQ(RequestTypeName(7), "");
    EXPECT_EQ(RequestTypeName(255), "");

    EXPECT_EQ(MessageOf([] {
                  TBaseItem item(-1, 1, 1, 1);
                  (void)item;
              }),
              "Invalid store limits!");
}

// A table's slot takes the room of what it holds: its texts as long as they are, and its answer
// slots as they are first filled (kept when fewer are filled later, never more than MaxAnswers).
// An item built on its own takes the room of its limits at once, for the answer path.
TEST_F(StoreItemTest, TableSlotsTakeTheRoomOfWhatTheyHold) {
    constexpr std::int32_t kLong = 200; // far beyond what the texts below take
    constexpr std::int32_t kSlots = 3;
    TBaseItem own(kLong, kLong, kLong, kSlots);
    EXPECT_EQ(own.Answers.size(), static_cast<std::size_t>(kSlots));
    EXPECT_GE(own.WireText.capacity(), static_cast<std::size_t>(kLong));
    EXPECT_GE(own.Answers[2].WireText.capacity(), static_cast<std::size_t>(kLong));

    TAllRequest table(kLong, kLong, kLong, 2, kSlots);
    TAnsReqItem& slot = table.Items[1];
    EXPECT_TRUE(slot.Answers.empty());

    struct Case {
        bool copied; // through CopyFrom, else SetAnswers
        std::vector<std::string> answers;
        std::size_t built; // answer slots of the table's slot afterwards
        std::string expected;
    };
    const Case cases[] = {
        {true, {"5a01"}, 1, "(no failure)"},
        {false, {"5a01", "5a02"}, 2, "(no failure)"},
        {true, {"5a01", "5a02", "5a03"}, 3, "(no failure)"},
        {false, {}, 3, "(no failure)"},
        {true, {"6a"}, 3, "(no failure)"},
        {false, {"11", "22", "33", "44"}, 3, "Too large Multi Answer Number!"},
    };
    for (const Case& c : cases) {
        TAnsReqItem source(kLong, kLong, kLong, kSlots + 1);
        source.SetValue(kPlainText, "1a90");
        source.Description = "d";
        const std::string message = MessageOf([&] {
            if (c.copied) {
                source.SetAnswers(c.answers);
                slot.CopyFrom(source);
            } else {
                slot.SetAnswers(c.answers);
            }
        });
        EXPECT_EQ(message, c.expected) << c.answers.size();
        EXPECT_EQ(slot.Answers.size(), c.built) << c.answers.size();
        if (message != "(no failure)") continue;
        ASSERT_EQ(slot.AnswerCount, static_cast<std::int32_t>(c.answers.size()));
        for (std::size_t j = 0; j < c.answers.size(); ++j) {
            EXPECT_EQ(slot.Answers[j].PlainText, c.answers[j]);
            EXPECT_EQ(slot.Answers[j].WireText, PackFunction(c.answers[j], 1));
            EXPECT_EQ(slot.Answers[j].MaxLen, kLong);
            EXPECT_LT(slot.Answers[j].WireText.capacity(), static_cast<std::size_t>(kLong));
        }
    }
    EXPECT_EQ(slot.WireText, "021a90");
    EXPECT_LT(slot.WireText.capacity(), static_cast<std::size_t>(kLong));
    EXPECT_LT(slot.Description.capacity(), static_cast<std::size_t>(kLong));
    EXPECT_EQ(MessageOf([&] { slot.SetAnswers({"5a0"}); }), "Invalid answer value! Odd number of digits!");
    EXPECT_EQ(MessageOf([&] { slot.SetAnswers({std::string(kLong + 2, '5')}); }),
              "Overlong Answer " + std::string(kLong + 2, '5'));
}
