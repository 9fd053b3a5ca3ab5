// The request and answer loop in its three modes, with stub Rx and Tx routines, a store on codec
// pair 1 (a length byte in front of every text) and a virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "RequestLoop.h"
#include "fixtures/CodecSelection.h"
#include "fixtures/StubBus.h"
#include "fixtures/SteppingClock.h"

namespace {

struct Event {
    std::string request, answer;
    int type;
    std::string info;
    bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
    return os << "{" << e.request << ", " << e.answer << ", " << e.type << ", " << e.info << "}";
}

struct Reported {
    std::string wire;
    std::int32_t answerCount;
    std::vector<std::string> answers;
};

using Bytes = std::vector<std::uint8_t>;

class LoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        StubBus::Reset();
        limits.MaxReqLen = 20;
        store.CreateStructures(limits);
    }

    RequestLoop& Loop() {
        if (!loop) {
            RequestLoopLinks links;
            links.Rx = &StubBus::Rx;
            links.Tx = &StubBus::Tx;
            links.Store = &store;
            links.UnknownRequest = [this](std::int32_t* length, const std::string& text) -> std::unique_ptr<TBaseItem> {
                ruleCalls.push_back({text, *length});
                if (ruleAnswers.empty() && !ruleGivesNoAnswer) return nullptr;
                auto item = std::make_unique<TBaseItem>(limits);
                item->SetAnswers(ruleAnswers);
                item->Type = ruleType;
                return item;
            };
            links.AddOriglioItem = [this](const std::string& q, const std::string& a, int t, const std::string& i) {
                events.push_back({q, a, t, i});
            };
            links.AddUnknownRequest = [this](const TBaseItem& item) {
                Reported r{item.WireText, item.AnswerCount, {}};
                for (int j = 0; j < item.AnswerCount; ++j) r.answers.push_back(item.Answers[j].PlainText);
                unknown.push_back(r);
            };
            links.Pause = [this](std::uint32_t ms) {
                pauses.push_back(ms);
                clock.Advance(ms);
                return true;
            };
            loop = std::make_unique<RequestLoop>(limits, std::move(links));
        }
        return *loop;
    }

    void Add(const std::string& request, const std::vector<std::string>& answers, std::uint8_t type,
             const std::string& description = "d") {
        ASSERT_TRUE(store.AddRequest(request, answers, description, -1, type));
    }
    void Receive(std::string text, std::int32_t count = -1, std::optional<std::uint8_t> s0 = std::nullopt,
                 std::optional<std::uint8_t> s1 = std::nullopt) {
        StubBus::Get().requests.push_back({std::move(text), count, s0, s1});
    }
    void Passes(std::uint8_t mode, int n) {
        for (int i = 0; i < n; ++i) Loop().Pass(mode);
    }
    std::vector<StubFrame>& Frames() { return StubBus::Get().frames; }

    CodecGuard codec{1};
    VirtualClock clock{5000};
    ClockGuard clockGuard{clock};
    TStoreLimits limits;
    TRequestStore store;
    std::unique_ptr<RequestLoop> loop;
    std::vector<Event> events;
    std::vector<Reported> unknown;
    std::vector<std::uint32_t> pauses;
    std::vector<std::pair<std::string, std::int32_t>> ruleCalls;
    std::vector<std::string> ruleAnswers;
    std::uint8_t ruleType = RequestType::PSI;
    bool ruleGivesNoAnswer = false; // the rule returns an item without answers
};

const std::string Info = "PSI - d";

} // namespace

// ---- mode 1 ----

TEST_F(LoopTest, Mode1SendsEveryAnswerAndLogsTheOneNotSent) {
    Add("1a90", {"5a9001", "5a9002", "5a9003"}, RequestType::PSI);
    Receive("021a90");
    StubBus::Get().txResults = {1, 0, 1};
    Passes(1, 1);

    ASSERT_EQ(Frames().size(), 3u);
    EXPECT_EQ(Frames()[0].bytes, (Bytes{0x03, 0x5a, 0x90, 0x01}));
    for (const StubFrame& f : Frames()) {
        EXPECT_EQ(f.multiFlag, 1);
        EXPECT_EQ(f.itemType, RequestType::PSI);
    }
    EXPECT_EQ(events, (std::vector<Event>{{"021a90", "035a9001", 0, Info},
                                          {"021a90", "", 3, ""},
                                          {"021a90", "035a9003", 0, Info}}));
}

TEST_F(LoopTest, Mode1TxFailureAlreadyShownIsLoggedAsNotSent) {
    Add("1a90", {"5a90"}, RequestType::FaultReading);
    Receive("021a90");
    StubBus::Get().txResults = {TxFailureShown};
    Passes(1, 1);
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0].multiFlag, 0);
    EXPECT_EQ(Frames()[0].itemType, RequestType::FaultReading);
    EXPECT_EQ(events, (std::vector<Event>{{"021a90", "", 3, ""}}));
}

TEST_F(LoopTest, Mode1IdlePassWaits20ms) {
    Passes(1, 1);
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{Mode1IdleMs}));
    EXPECT_TRUE(events.empty());
}

TEST_F(LoopTest, Mode1UnknownWithoutRuleAnswerIsLoggedAndListed) {
    Receive("0322f190");
    Passes(1, 1);
    EXPECT_EQ(events, (std::vector<Event>{{"0322f190", "", 1, ""}}));
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].wire, "0322f190");
    EXPECT_EQ(unknown[0].answerCount, 0);
    ASSERT_EQ(ruleCalls.size(), 1u);
    EXPECT_EQ(ruleCalls[0].second, 8); // 2 x (count + 1) characters
}

TEST_F(LoopTest, Mode1UnknownAnsweredByTheRule) {
    Receive("0322f190");
    ruleAnswers = {"62f190", "7f2278"};
    ruleType = RequestType::Unnamed;
    Passes(1, 1);
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[0].bytes, (Bytes{0x03, 0x62, 0xf1, 0x90}));
    EXPECT_EQ(Frames()[0].multiFlag, 0);
    EXPECT_EQ(Frames()[0].itemType, RequestType::Unnamed);
    EXPECT_EQ(events, (std::vector<Event>{{"0322f190", "0362f190", 2, ""}, {"0322f190", "037f2278", 2, ""}}));
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].wire, "0322f190"); // the received text, with the rule's answers
    EXPECT_EQ(unknown[0].answers, (std::vector<std::string>{"62f190", "7f2278"}));
}

TEST_F(LoopTest, Mode1ClampsTheCountAndLogsAnOverlongRequestAsNotAnswered) {
    // 30 bytes announced, MaxReqLen 20: the text is cut to 42 characters, which the work item
    // (20 characters) cannot hold; no failure, no rule, no listing.
    Receive("1e" + std::string(60, 'a'), 30);
    ruleAnswers = {"7f"};
    EXPECT_NO_THROW(Passes(1, 1));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].request.size(), 42u);
    EXPECT_EQ(events[0].type, OriglioItemType::NotAnswered);
    EXPECT_TRUE(ruleCalls.empty());
    EXPECT_TRUE(unknown.empty());
    EXPECT_TRUE(Frames().empty());
}

// ---- every mode ----

// An entry found without answers (its answers edited away, or an activation step without any):
// nothing to send, but the tester's request is logged once as not answered, with what was found,
// in every mode; mode 2 starts no cycle of it and mode 3 no replay. A rule that finds such an
// entry for an unknown request is no answer either.
TEST_F(LoopTest, ARequestFoundWithoutAnswersIsLoggedOnceAsNotAnswered) {
    Add("1902ff", {"5902ff"}, RequestType::FaultReading);
    Add("aa0102", {"ea0101"}, RequestType::PSI);
    Add("a206", {"e206"}, RequestType::PSI);
    Add("a20601", {"e20601"}, RequestType::PSI);
    const std::vector<std::string> none;
    for (const char* request : {"1902ff", "aa0102", "a206"}) ASSERT_TRUE(store.UpdateRequest(request, &none, ""));
    const std::string faultInfo = "Fault reading - d";
    struct Case {
        std::uint8_t mode;
        std::string received;
        std::uint8_t status1;
        Event logged;
    };
    const std::vector<Case> cases = {
        {1, "031902ff", RxStatusOther, {"031902ff", "", OriglioItemType::NotAnswered, faultInfo}},
        {1, "02a206", RxStatusOther, {"02a206", "", OriglioItemType::NotAnswered, Info}},
        {3, "02a206", RxStatusOther, {"02a206", "", OriglioItemType::NotAnswered, Info}},
        {3, "031902ff", RxStatusOther, {"031902ff", "", OriglioItemType::NotAnswered, faultInfo}},
        {2, "031902ff", RxStatusOther, {"031902ff", "", OriglioItemType::NotAnswered, faultInfo}},
        {2, "03aa0102", RxStatusServiceAA, {"03aa0102", "", OriglioItemType::NotAnswered, Info}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + " " + c.received);
        events.clear();
        Frames().clear();
        Receive(c.received, -1, RxStatusOther, c.status1);
        Passes(c.mode, 3); // the request, then two passes without one
        EXPECT_EQ(events, std::vector<Event>{c.logged});
        EXPECT_TRUE(Frames().empty());
        EXPECT_TRUE(unknown.empty());
        EXPECT_EQ(Loop().CyclicIndex(), -1);
        EXPECT_FALSE(ReplayPending());
    }

    ruleGivesNoAnswer = true;
    for (std::uint8_t mode : {1, 2, 3}) {
        SCOPED_TRACE(std::to_string(mode) + " rule");
        events.clear();
        unknown.clear();
        Receive("0322f190");
        Passes(mode, 1);
        EXPECT_EQ(events, (std::vector<Event>{{"0322f190", "", OriglioItemType::NotAnswered, ""}}));
        ASSERT_EQ(unknown.size(), 1u);
        EXPECT_EQ(unknown[0].answerCount, 0);
        EXPECT_TRUE(Frames().empty());
    }
}

// ---- mode 3 ----

TEST_F(LoopTest, Mode3ReplaysAfterAnA2RequestUntilARequestArrives) {
    Add("a206", {"e206"}, RequestType::PSI);
    Add("a20601", {"e20601"}, RequestType::PSI);
    Receive("02a206");
    Passes(3, 4); // the request, then three passes without one
    Receive("021001");
    Passes(3, 2); // an unknown request stops the replay; the idle pass then waits

    EXPECT_EQ(events, (std::vector<Event>{{"02a206", "02e206", 0, Info},
                                          {"", "03e20601", 0, Info},
                                          {"", "03e20601", 0, Info},
                                          {"", "03e20601", 0, Info},
                                          {"021001", "", 1, ""}}));
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{Mode3IdleMs}));
    EXPECT_FALSE(ReplayPending());
}

TEST_F(LoopTest, Mode3ReplayOfAnUnknownRequest) {
    Add("a206", {"e206"}, RequestType::PSI);
    Receive("02a206");
    Passes(3, 3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1], (Event{"03a20601", "", 1, ""}));
    EXPECT_EQ(events[2], (Event{"03a20601", "", 1, ""}));
    EXPECT_TRUE(ReplayPending());
}

// ---- mode 2 ----

TEST_F(LoopTest, Mode2BuiltInAnswers) {
    Receive("0120", -1, RxStatusService20, RxStatusOther);
    Receive("02aa00", -1, RxStatusOther, RxStatusServiceAA);
    Passes(2, 2);
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[0].bytes, (Bytes{0x01, 0x60}));
    EXPECT_EQ(Frames()[0].multiFlag, 0);
    EXPECT_EQ(Frames()[1].bytes, (Bytes{0x00, 0x02, 0xEA, 0x00}));
    EXPECT_EQ(Frames()[1].multiFlag, 1);
    EXPECT_GE(Frames()[1].timeMs - Frames()[0].timeMs, Mode2FrameSpacingMs);
    EXPECT_EQ(events, (std::vector<Event>{{"0120", "0160", 0, ""}, {"02aa00", "02ea00", 0, ""}}));
}

TEST_F(LoopTest, Mode2CyclesThroughTheAnswersOfAPsiEntry) {
    Add("aa0102", {"ea0101", "ea0102", "ea0103"}, RequestType::PSI);
    Receive("03aa0102", -1, RxStatusOther, RxStatusServiceAA); // not sub-function 00: look-up
    Passes(2, 5);
    ASSERT_EQ(Frames().size(), 5u);
    const std::vector<Bytes> expected = {{0x03, 0xea, 0x01, 0x01}, {0x03, 0xea, 0x01, 0x02},
                                         {0x03, 0xea, 0x01, 0x03}, {0x03, 0xea, 0x01, 0x01},
                                         {0x03, 0xea, 0x01, 0x02}};
    for (std::size_t i = 0; i < Frames().size(); ++i) {
        EXPECT_EQ(Frames()[i].bytes, expected[i]) << i;
        EXPECT_EQ(Frames()[i].multiFlag, 1) << i;
        if (i > 0) {
            EXPECT_GE(Frames()[i].timeMs - Frames()[i - 1].timeMs, Mode2FrameSpacingMs) << i;
        }
    }
    EXPECT_EQ(events[0], (Event{"03aa0102", "ea0101", 0, Info})); // plain answer text: MultiFlag 1
    EXPECT_EQ(events[1], (Event{"", "ea0102", 0, Info}));

    // A built-in answer ends the cycle.
    Receive("0120", -1, RxStatusService20, RxStatusOther);
    Passes(2, 3);
    EXPECT_EQ(Frames().size(), 6u);
    EXPECT_EQ(Loop().CyclicIndex(), -1);
}

TEST_F(LoopTest, Mode2CycleSurvivesEditsThatRemoveAnswers) {
    Add("aa0102", {"ea0101", "ea0102", "ea0103"}, RequestType::PSI);
    Receive("03aa0102", -1, RxStatusOther, RxStatusServiceAA);
    Passes(2, 2); // answers 0 and 1
    const std::vector<std::string> two = {"eb01", "eb02"};
    ASSERT_TRUE(store.UpdateRequest("aa0102", &two, ""));
    Passes(2, 1); // slot 2 is not in use any more: the cycle goes on from the first answer
    EXPECT_EQ(Frames().back().bytes, (Bytes{0x02, 0xeb, 0x01}));
    const std::vector<std::string> none;
    ASSERT_TRUE(store.UpdateRequest("aa0102", &none, ""));
    EXPECT_NO_THROW(Passes(2, 2)); // no answers: the cycle ends, nothing divides by zero
    EXPECT_EQ(Frames().size(), 3u);
    EXPECT_EQ(Loop().CyclicIndex(), -1);
}

TEST_F(LoopTest, Mode2SendsFaultReadingAnswersSpaced) {
    Add("1900", {"5901", "5902", "5903", "5904"}, RequestType::FaultReading);
    Receive("021900");
    Passes(2, 1);
    ASSERT_EQ(Frames().size(), 4u);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_GE(Frames()[i].timeMs - Frames()[i - 1].timeMs, Mode2FrameSpacingMs);
    const std::string info = "Fault reading - d";
    EXPECT_EQ(events, (std::vector<Event>{{"021900", "5901", 0, info},
                                          {"", "5902", 0, info},
                                          {"", "5903", 0, info},
                                          {"", "5904", 0, info}}));
}

TEST_F(LoopTest, Mode2AutoAnswerWithSeveralAnswersBecomesTheCycle) {
    ruleAnswers = {"62f101", "62f102"};
    Receive("0322f190");
    Passes(2, 2);
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[0].itemType, RequestType::Unnamed);
    EXPECT_EQ(Frames()[0].multiFlag, 1);
    EXPECT_EQ(events[0], (Event{"0322f190", "0362f101", 2, AutoAnswerInfo}));
    EXPECT_EQ(Frames()[1].bytes, (Bytes{0x03, 0x62, 0xf1, 0x02})); // the idle pass sends the next
    ASSERT_EQ(unknown.size(), 1u);

    Loop().ResetCycle(); // a start clears the cycle
    Passes(2, 1);
    EXPECT_EQ(Frames().size(), 2u);
}

// An entry found while a cycle runs is answered with its first answer only and its wire text,
// as a single answer; the cycle goes on in the next pass in which nothing arrives.
TEST_F(LoopTest, Mode2EntryFoundOutsideTheCycleLeavesTheCycleRunning) {
    Add("aa0102", {"ea0101", "ea0102", "ea0103"}, RequestType::PSI);
    Add("1a90", {"5a9001", "5a9002"}, RequestType::PSI, "other");
    Receive("03aa0102", -1, RxStatusOther, RxStatusServiceAA);
    Passes(2, 1); // answer 0 of the cycle
    Receive("021a90", -1, RxStatusOther, RxStatusOther);
    Passes(2, 2); // the other entry, then the cycle's answer 1

    ASSERT_EQ(Frames().size(), 3u);
    EXPECT_EQ(Frames()[1].bytes, (Bytes{0x03, 0x5a, 0x90, 0x01}));
    EXPECT_EQ(Frames()[1].multiFlag, 0);
    EXPECT_EQ(Frames()[2].bytes, (Bytes{0x03, 0xea, 0x01, 0x02}));
    EXPECT_EQ(Frames()[2].multiFlag, 1);
    EXPECT_EQ(events[1], (Event{"021a90", "035a9001", 0, "PSI - other"})); // wire text: MultiFlag 0
    EXPECT_EQ(events[2], (Event{"", "ea0102", 0, "PSI - other"}));
    EXPECT_EQ(Loop().CyclicIndex(), 1);
}

TEST_F(LoopTest, Mode2SingleRuleAnswerIsNoCycle) {
    ruleAnswers = {"62f190"};
    Receive("0322f190");
    Passes(2, 3);
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0].bytes, (Bytes{0x03, 0x62, 0xf1, 0x90}));
    EXPECT_EQ(Frames()[0].itemType, RequestType::Unnamed);
    EXPECT_EQ(Frames()[0].multiFlag, 0);
    EXPECT_EQ(events, (std::vector<Event>{{"0322f190", "0362f190", 2, AutoAnswerInfo}}));
    EXPECT_EQ(Loop().CyclicIndex(), -1);
    ASSERT_EQ(unknown.size(), 1u);
    EXPECT_EQ(unknown[0].answers, (std::vector<std::string>{"62f190"}));
}

// A Tx routine that failed (and showed it) sent nothing: every path of mode 2 logs it as not sent.
TEST_F(LoopTest, Mode2TxFailureIsLoggedAsNotSentOnEveryPath) {
    Add("aa0102", {"ea0101", "ea0102"}, RequestType::PSI);
    Add("1900", {"5901", "5902"}, RequestType::FaultReading);
    ruleAnswers = {"62f190"};
    Receive("0120", -1, RxStatusService20, RxStatusOther);        // built-in answer
    Receive("03aa0102", -1, RxStatusOther, RxStatusServiceAA);    // store entry, starts the cycle
    Receive("021900", -1, RxStatusOther, RxStatusOther);          // fault reading, two answers
    Receive("0322f190", -1, RxStatusOther, RxStatusOther);        // unknown, the rule's answer
    StubBus::Get().txResults = {TxFailureShown, TxFailureShown, TxFailureShown, 1, TxFailureShown,
                                TxFailureShown}; // the last one: the cyclic answer
    Passes(2, 5);
    ASSERT_EQ(Frames().size(), 6u);
    EXPECT_EQ(events, (std::vector<Event>{{"0120", "", 3, ""},
                                          {"03aa0102", "", 3, ""},
                                          {"021900", "", 3, ""},
                                          {"", "5902", 0, "Fault reading - d"},
                                          {"0322f190", "", 3, ""},
                                          {"", "", 3, ""}}));
}

TEST_F(LoopTest, Mode2ClampsTo512Bytes) {
    Receive("ff" + std::string(2 * 600, '1'), 600);
    EXPECT_NO_THROW(Passes(2, 1));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].request.size(), 2u + 2 * Mode2MaxRequestBytes);
}

TEST_F(LoopTest, OtherModesDoNothingButWait) {
    Receive("021a90");
    Passes(0, 1);
    Passes(4, 1);
    EXPECT_EQ(StubBus::Get().rxCalls, 0);
    // Each pass waits, so a simulation without a valid Mode does not hold a core.
    EXPECT_EQ(pauses, (std::vector<std::uint32_t>{Mode1IdleMs, Mode1IdleMs}));
}
