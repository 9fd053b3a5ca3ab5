// Room for edits: with growth allowed, an edit that needs more room than the store's limits give
// grows the tables (as a load of the content with the edit would size them) instead of being
// refused, and what the tables held before stays where it was.
#include "StoreOperations.h"
#include "StoreTestSupport.h"

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// What a load of a simulation without activations gives: room for one activation of one step.
TStoreLimits LoadedLimits() {
    TStoreLimits l;
    l.MaxReqLen = 10;
    l.MaxAnsLen = 12;
    l.MaxDescrLen = 20;
    l.MultiAnswerNum = 2;
    l.MaxReqCount = 4;
    l.ActMaxCount = 1;
    l.ActAnsMaxCount = 1;
    return l;
}

TStoreGrowth Growth() {
    TStoreGrowth g;
    g.MemoryInc = 1.25f;
    g.HeaderChars = 2;
    g.MinAnswers = 3;
    return g;
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

} // namespace

class StoreGrowthTest : public PackPairTest {
protected:
    void SetUp() override {
        PackPairTest::SetUp();
        store.CreateStructures(LoadedLimits());
    }

    // The answers the live table gives the received request, through an item of the load's limits.
    Lines Answered(const std::string& request) {
        if (!store.GetAnswerInto(PackFunction(request, 0), loopItem)) return {"(none)"};
        Lines answers;
        for (std::int32_t j = 0; j < loopItem.AnswerCount; ++j) answers.push_back(loopItem.Answers[j].PlainText);
        return answers;
    }

    TRequestStore store;
    TBaseItem loopItem{LoadedLimits(), TextRoom::Reserved}; // the loop's work item, built at the load
};

// Each edit that the load's limits refuse, as the operator makes it: each row the refusal without
// growth, and what the grown limit becomes.
TEST_F(StoreGrowthTest, EditsBeyondTheLoadsLimitsGrowTheTables) {
    const std::string longAnswer = Repeat("ab", 40); // 80 characters
    struct Case {
        const char* what;
        std::string refusal; // without growth
        std::int32_t TStoreLimits::*limit;
        std::int32_t grown; // (need [+ header] + 1) x 1.25
    };
    const Case cases[] = {
        {"the fifth request", "No more space for new request!", &TStoreLimits::MaxReqCount, 7},      // (5 + 1) x 1.25
        {"a second activation", "No more space for new activations!", &TStoreLimits::ActMaxCount, 3}, // (2 + 1) x 1.25
        {"a second step", "No more space for new request in this activation!", &TStoreLimits::ActAnsMaxCount, 3},
        {"an 80-character answer", "Overlong Answer", &TStoreLimits::MaxAnsLen, 103}, // (80 + 2 + 1) x 1.25
        {"a third answer", "Too large Multi Answer Number!", &TStoreLimits::MultiAnswerNum, 5},     // (3 + 1) x 1.25
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool growing : {false, true}) {
            TRequestStore s;
            s.CreateStructures(LoadedLimits());
            if (growing) s.AllowGrowth(Growth());
            ASSERT_TRUE(s.AddRequest("1001", {"5001"}, "r1", -1, RequestType::PSI));
            ASSERT_TRUE(s.AddActivations("A", "3001", {"7001"}, "a"));
            ASSERT_TRUE(s.AddActivations("A", "3002", {"7002"}, "a")); // its one step
            const std::string edit = std::string(c.what);
            std::string failure;
            if (edit == "the fifth request") {
                ASSERT_TRUE(s.AddRequest("1003", {"5003"}, "r3", -1, RequestType::PSI)); // the fourth
                failure = MessageOf([&] { s.AddRequest("1004", {"5004"}, "r4", -1, RequestType::PSI); });
            } else if (edit == "a second activation") {
                failure = MessageOf([&] { s.AddActivations("B", "3101", {"7101"}, "b"); });
            } else if (edit == "a second step") {
                failure = MessageOf([&] { s.AddActivations("A", "3003", {"7003"}, "a"); });
            } else if (edit == "an 80-character answer") {
                const Lines answers = {longAnswer};
                failure = MessageOf([&] { s.UpdateRequest("1001", &answers, ""); });
            } else {
                const Lines answers = {"5001", "5011", "5021"};
                failure = MessageOf([&] { s.UpdateRequest("1001", &answers, ""); });
            }
            if (!growing) {
                EXPECT_NE(failure.find(c.refusal), std::string::npos) << failure;
                EXPECT_EQ(s.Limits().*c.limit, LoadedLimits().*c.limit);
                continue;
            }
            EXPECT_EQ(failure, "(no failure)");
            EXPECT_EQ(s.Limits().*c.limit, c.grown);
            // What was there before is answered as it was, the running activation included.
            TBaseItem item{LoadedLimits(), TextRoom::Reserved};
            ASSERT_TRUE(s.GetAnswerInto("023001", item));
            ASSERT_TRUE(s.GetAnswerInto("023002", item));
            EXPECT_EQ(s.InfoText(), "Activation - A");
        }
    }
}

// The example of the report: five steps, a second activation and a long answer, all answered at
// once by the loop's work item of the load's limits (widened under the table lock).
TEST_F(StoreGrowthTest, TheGrownTablesAnswerAtOnce) {
    store.AllowGrowth(Growth());
    ASSERT_TRUE(store.AddRequest("1001", {"5001"}, "r1", -1, RequestType::PSI));
    for (int k = 1; k <= 6; ++k) ASSERT_TRUE(store.AddActivations("A", "300" + std::to_string(k), {"700" + std::to_string(k)}, "a"));
    ASSERT_TRUE(store.AddActivations("B", "3101", {"7101"}, "b"));
    ASSERT_TRUE(store.AddActivations("B", "3102", {"7102"}, "b"));
    const Lines answers = {Repeat("62", 40)};
    ASSERT_TRUE(store.UpdateRequest("1001", &answers, ""));

    EXPECT_EQ(Answered("1001"), answers);
    EXPECT_EQ(Answered("3001"), Lines{"7001"});
    for (int k = 2; k <= 6; ++k) EXPECT_EQ(Answered("300" + std::to_string(k)), Lines{"700" + std::to_string(k)}) << k;
    EXPECT_EQ(store.InfoText(), "Activation - A");
    EXPECT_EQ(Answered("3101"), Lines{"7101"});
    EXPECT_EQ(Answered("3102"), Lines{"7102"});
    EXPECT_EQ(store.InfoText(), "Activation - B");

    const TStoreLimits l = store.Limits();
    EXPECT_EQ(l.ActAnsMaxCount, 6); // grown at the fourth step: (4 + 1) x 1.25
    EXPECT_EQ(l.ActMaxCount, 3);
    EXPECT_EQ(l.MaxAnsLen, 103);
    EXPECT_GE(store.RequestLimit(), LoadedLimits().MaxReqLen);
}

// What cannot be held is refused with the operation's own message, and nothing changes; tables
// too large with the headroom but not without it get exactly what the edit needs.
TEST_F(StoreGrowthTest, OnlyWhatCannotBeHeldIsRefused) {
    TStoreGrowth g = Growth();
    g.Holds = [](const TStoreLimits& l) { return l.MaxAnsLen <= 90 && l.MaxReqCount <= 5; };
    store.AllowGrowth(g);
    ASSERT_TRUE(store.AddRequest("1001", {"5001"}, "r1", -1, RequestType::PSI));

    const Lines tooLong = {Repeat("ab", 46)}; // 92 characters
    EXPECT_NE(MessageOf([&] { store.UpdateRequest("1001", &tooLong, ""); }).find("Overlong Answer"), std::string::npos);
    EXPECT_EQ(store.Limits().MaxAnsLen, LoadedLimits().MaxAnsLen);
    EXPECT_EQ(Answered("1001"), Lines{"5001"});

    const Lines fits = {Repeat("ab", 40)}; // 80: 103 with the headroom is too much, 80 is not
    ASSERT_TRUE(store.UpdateRequest("1001", &fits, ""));
    EXPECT_EQ(store.Limits().MaxAnsLen, 80);
    EXPECT_EQ(Answered("1001"), fits);

    for (int k = 2; k <= 5; ++k)
        ASSERT_TRUE(store.AddRequest("100" + std::to_string(k), {"5001"}, "r", -1, RequestType::PSI)) << k;
    EXPECT_NE(MessageOf([&] { store.AddRequest("1006", {"5001"}, "r", -1, RequestType::PSI); })
                  .find("No more space for new request!"),
              std::string::npos);
    EXPECT_EQ(store.Limits().MaxReqCount, 5);
}

// A growth while publication is deferred keeps the edit's changes unpublished until the batch
// publishes, and a request already stored never grows the table.
TEST_F(StoreGrowthTest, GrowingKeepsWhatIsNotYetPublished) {
    store.AllowGrowth(Growth());
    ASSERT_TRUE(store.AddRequest("1001", {"5001"}, "r1", -1, RequestType::PSI));
    store.DeferPublication();
    for (int k = 2; k <= 6; ++k)
        ASSERT_TRUE(store.AddRequest("100" + std::to_string(k), {"500" + std::to_string(k)}, "r", -1, RequestType::PSI));
    EXPECT_EQ(Answered("1006"), Lines{"(none)"}) << "not published yet";
    EXPECT_EQ(Answered("1001"), Lines{"5001"});
    store.PublishDeferred();
    EXPECT_EQ(Answered("1006"), Lines{"5006"});
    EXPECT_EQ(Answered("1002"), Lines{"5002"});

    const std::int32_t capacity = store.Limits().MaxReqCount;
    while (store.EditRequests().Count < capacity)
        ASSERT_TRUE(store.AddRequest("20" + std::to_string(10 + store.EditRequests().Count), {"60"}, "r", -1,
                                     RequestType::PSI));
    EXPECT_FALSE(store.AddRequest("1001", {"5001"}, "again", -1, RequestType::PSI));
    EXPECT_EQ(store.Limits().MaxReqCount, capacity);
}
