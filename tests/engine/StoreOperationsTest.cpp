// The engine's operations on the request store, with pack pair 1 (wire text = byte count + text).
#include "StoreOperations.h"
#include "StoreTestSupport.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TStoreLimits SmallLimits() {
    TStoreLimits l;
    l.MaxReqLen = 8;
    l.MaxAnsLen = 8;
    l.MaxDescrLen = 10;
    l.MultiAnswerNum = 2;
    l.MaxReqCount = 8;
    l.ActMaxCount = 3;
    l.ActAnsMaxCount = 2;
    return l;
}

} // namespace

class StoreOperationsTest : public PackPairTest {
protected:
    void SetUp() override {
        PackPairTest::SetUp();
        store.CreateStructures(SmallLimits());
    }

    static std::vector<std::string> Wires(const TAllRequest& table) {
        std::vector<std::string> wires;
        for (std::int32_t i = 0; i < table.Count; ++i) wires.push_back(table.Items[i].WireText);
        return wires;
    }
    std::vector<std::string> LiveWires() {
        const TTablesLock held = store.LockTables();
        return Wires(store.LiveRequests(held));
    }
    std::vector<std::string> EditWires() { return Wires(store.EditRequests()); }

    void Add(const std::string& request, const std::string& answer, std::int32_t activation = -1) {
        ASSERT_TRUE(store.AddRequest(request, {answer}, "d", activation, RequestType::PSI)) << request;
    }

    TRequestStore store;
    TBaseItem current{SmallLimits()};
    std::string info;
};

// Pack pair 2 keeps the texts as they are, so the wire texts are the ones given.
TEST_F(StoreOperationsTest, LookUpMatchesStoredPrefixesOnly) {
    Select(2);
    Add("021a", "5a");
    Add("031a9001", "5a90");
    ASSERT_EQ(LiveWires(), (std::vector<std::string>{"021a", "031a9001"}));

    ASSERT_TRUE(store.GetAnswerInto("021a55", current, &info));
    EXPECT_EQ(current.WireText, "021a");
    EXPECT_EQ(current.Answers[0].WireText, "5a");
    EXPECT_EQ(info, "PSI - d");
    EXPECT_FALSE(store.GetAnswerInto("031a90", current, &info)); // shorter than the stored 031a9001
    EXPECT_EQ(info, "PSI - d") << "a miss keeps the last info text";

    ASSERT_TRUE(store.RequestIndexInto("031a900155", current));
    EXPECT_EQ(current.WireText, "031a9001");
}

TEST_F(StoreOperationsTest, EntriesStaySortedAndArePublished) {
    for (const char* request : {"30", "10", "20", "1a"}) Add(request, "50");
    const std::vector<std::string> sorted = {"0110", "011a", "0120", "0130"};
    EXPECT_EQ(LiveWires(), sorted);
    EXPECT_EQ(EditWires(), sorted);
}

TEST_F(StoreOperationsTest, AddRequestRefusals) {
    Select(2); // wire text = plain text, so one request can begin with another
    Add("1a", "5a");
    const std::string longDescription(11, 'x');
    struct Case {
        std::string request;
        Lines answers;
        std::string description;
        std::string expected; // "false", or the failure's message
    };
    const Case cases[] = {
        {"", {"5a"}, "d", "false"},
        {"22", {}, "d", "false"},
        {"22", {"", "5a"}, "d", "false"},
        {"1a", {"5a"}, "d", "false"},   // stored
        {"1a90", {"5a"}, "d", "false"}, // its wire text begins with the stored 1a
        {"223", {"62"}, "d", "AddRequest (D=d,R=223):\nInvalid request value! Odd number of digits!"},
        {"2233445566", {"62"}, "d", "AddRequest (D=d,R=2233445566):\nOverlong Request 2233445566"},
        {"22", {"62", "63", "64"}, "d", "AddRequest (D=d,R=22):\nToo large Multi Answer Number!"},
        {"22", {"623"}, "d", "AddRequest (D=d,R=22):\nInvalid answer value! Odd number of digits!"},
        {"22", {"62"}, longDescription, "AddRequest (D=" + longDescription + ",R=22):\nOverlong Request description!"},
        // the store's checks of the texts come before the description's
        {"223", {"62"}, longDescription,
         "AddRequest (D=" + longDescription + ",R=223):\nInvalid request value! Odd number of digits!"},
    };
    for (const Case& c : cases) {
        std::string outcome = MessageOf([&] {
            if (!store.AddRequest(c.request, c.answers, c.description, -1, RequestType::PSI))
                throw Exception("false");
        });
        EXPECT_EQ(outcome, c.expected) << c.request;
        EXPECT_EQ(LiveWires(), std::vector<std::string>{"1a"}) << c.request;
        EXPECT_EQ(EditWires(), std::vector<std::string>{"1a"}) << c.request;
    }
}

TEST_F(StoreOperationsTest, FullTableIsCheckedBeforeAnythingElse) {
    for (const char* request : {"10", "11", "12", "13", "14", "15", "16", "17"}) Add(request, "50");
    const std::string full = "No more space for new request! Increase MaxReqCount in settings.ini!";
    EXPECT_EQ(MessageOf([&] { store.AddRequest("10", {"50"}, "d", -1, 2); }), "AddRequest (D=d,R=10):\n" + full);
    EXPECT_EQ(MessageOf([&] { store.AddRequest("", {}, "", -1, 2); }), "AddRequest (D=,R=):\n" + full);
}

TEST_F(StoreOperationsTest, ActivationSequenceWithRestart) {
    ASSERT_TRUE(store.AddActivations("A", "31", {"71"}, "d1"));
    ASSERT_TRUE(store.AddActivations("A", "32", {"72"}, "d2"));
    ASSERT_TRUE(store.AddActivations("A", "33", {"73"}, "d3"));
    Add("40", "80");
    {
        const TTablesLock held = store.LockTables();
        const TAllRequest& requests = store.LiveRequests(held);
        ASSERT_EQ(Wires(requests), (std::vector<std::string>{"0131", "0132", "0133", "0140"}));
        for (std::int32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(requests.Items[i].Type, RequestType::Activation);
            EXPECT_EQ(requests.Items[i].ActivationIndex, 0);
        }
        const TActivations& activations = store.LiveActivations(held);
        ASSERT_EQ(activations.Count, 1);
        const TActivationItem& a = activations.Items[0];
        EXPECT_EQ(a.Name, "A");
        ASSERT_EQ(a.Count, 2);
        EXPECT_EQ(a.Steps[0].WireText, "0132");
        EXPECT_EQ(a.Steps[1].WireText, "0133");
        EXPECT_EQ(a.Steps[1].Answers[0].WireText, "0173");
    }

    struct Step {
        const char* received;
        bool found;
        const char* info;
        std::int32_t running;
        std::int32_t position;
    };
    const Step steps[] = {
        {"0131", true, "Activation - d1", 0, 0},  // the starting request starts A
        {"0132", true, "Activation - A", 0, 1},   // step 0
        {"0133", true, "Activation - A", 0, 2},   // step 1
        {"0132", true, "Activation - d2", 0, 0},  // steps used up: its entry, which names A: restart
        {"0132", true, "Activation - A", 0, 1},   // step 0 again
        {"01ff", false, "Activation - A", 0, 0},  // unknown: A goes on, from step 0
        {"0132", true, "Activation - A", 0, 1},   // step 0 again
        {"0140", true, "PSI - d", -1, 0},         // a request of no activation ends A
        {"0133", true, "Activation - d3", 0, 0},  // its entry starts A again
    };
    for (const Step& s : steps) {
        EXPECT_EQ(store.GetAnswerInto(s.received, current, &info), s.found) << s.received;
        EXPECT_EQ(info, s.info) << s.received;
        EXPECT_EQ(store.RunningActivation(), s.running) << s.received;
        EXPECT_EQ(store.StepPosition(), s.position) << s.received;
        if (s.found) {
            EXPECT_EQ(current.WireText, s.received);
        }
    }
}

TEST_F(StoreOperationsTest, AddActivationsLimits) {
    ASSERT_TRUE(store.AddActivations("A", "31", {"71"}, ""));
    ASSERT_TRUE(store.AddActivations("A", "32", {"72"}, ""));
    ASSERT_TRUE(store.AddActivations("A", "33", {"73"}, "")); // second step: A is full
    ASSERT_TRUE(store.AddActivations("B", "41", {"81"}, ""));
    ASSERT_TRUE(store.AddActivations("C", "51", {"91"}, "")); // activation table full
    ASSERT_TRUE(store.AddActivations("B", "42", {"82"}, ""));  // an existing name still gets its step
    {
        const TTablesLock held = store.LockTables();
        EXPECT_EQ(store.LiveActivations(held).Items[1].Count, 1);
    }

    const std::string eleven(11, 'n');
    struct Case {
        std::string name;
        std::string request;
        std::string description;
        std::string expected;
        bool answered; // the request table answers the request afterwards
    };
    const Case cases[] = {
        {"A", "34", "",
         "AddActivations (D=A,R=34,...) i = 0 j = 2\nNo more space for new request in this activation! "
         "Increase ActAnsMaxCount in settings.ini!",
         true},
        {"D", "61", "",
         "AddActivations (D=D,R=61,...) i = 3 j = -1\nNo more space for new activations! Increase ActMaxCount "
         "in settings.ini!",
         false},
        {eleven, "61", "", // a new name in a full table: the space is checked first
         "AddActivations (D=" + eleven + ",R=61,...) i = 3 j = -1\nNo more space for new activations! "
         "Increase ActMaxCount in settings.ini!",
         false},
        {"B", "43", eleven, "AddActivations (D=B,R=43,...) i = 1 j = -1\nOverlong Request description!", false},
        {"B", "613", "",
         "AddActivations (D=B,R=613,...) i = 1 j = -1\nAddRequest (D=,R=613):\nInvalid request value! Odd "
         "number of digits!",
         false},
        // 01423 begins with the stored 0142: AddRequest refuses quietly, the step's own check raises.
        {"B", "423", "", "AddActivations (D=B,R=423,...) i = 1 j = 1\nInvalid request value! Odd number of digits!",
         true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MessageOf([&] { store.AddActivations(c.name, c.request, {"70"}, c.description); }), c.expected);
        const std::string wire = PackFunction(c.request, 0);
        EXPECT_EQ(store.RequestIndex(wire, 0) != nullptr, c.answered) << c.request;
    }
}

TEST_F(StoreOperationsTest, OverlongActivationName) {
    const std::string eleven(11, 'n');
    EXPECT_EQ(MessageOf([&] { store.AddActivations(eleven, "31", {"71"}, ""); }),
              "AddActivations (D=" + eleven + ",R=31,...) i = 0 j = -1\nOverlong Activation description!");
    EXPECT_TRUE(LiveWires().empty());
}

class ThreeActivationsTest : public StoreOperationsTest {
protected:
    void SetUp() override {
        StoreOperationsTest::SetUp();
        ASSERT_TRUE(store.AddActivations("A", "10", {"50"}, ""));
        ASSERT_TRUE(store.AddActivations("A", "11", {"51"}, "")); // two adjacent entries bound to A
        ASSERT_TRUE(store.AddActivations("B", "20", {"60"}, ""));
        ASSERT_TRUE(store.AddActivations("B", "21", {"61"}, ""));
        ASSERT_TRUE(store.AddActivations("C", "30", {"70"}, ""));
        Add("40", "80");
    }

    std::vector<std::int32_t> LiveActivationIndexes() {
        const TTablesLock held = store.LockTables();
        const TAllRequest& requests = store.LiveRequests(held);
        std::vector<std::int32_t> indexes;
        for (std::int32_t i = 0; i < requests.Count; ++i) indexes.push_back(requests.Items[i].ActivationIndex);
        return indexes;
    }
};

TEST_F(ThreeActivationsTest, DeleteActivationRemovesItsEntriesAndRenumbers) {
    ASSERT_EQ(LiveActivationIndexes(), (std::vector<std::int32_t>{0, 0, 1, 1, 2, -1}));
    EXPECT_FALSE(store.DeleteActivation("X"));
    ASSERT_TRUE(store.DeleteActivation("A"));
    EXPECT_EQ(LiveWires(), (std::vector<std::string>{"0120", "0121", "0130", "0140"}));
    EXPECT_EQ(LiveActivationIndexes(), (std::vector<std::int32_t>{0, 0, 1, -1}));
    EXPECT_EQ(EditWires(), LiveWires());
    const TTablesLock held = store.LockTables();
    const TActivations& activations = store.LiveActivations(held);
    ASSERT_EQ(activations.Count, 2);
    EXPECT_EQ(activations.Items[0].Name, "B");
    EXPECT_EQ(activations.Items[0].Steps[0].WireText, "0121");
    EXPECT_EQ(activations.Items[1].Name, "C");
}

// A sequence in progress when the window publishes goes on with the same activation, wherever
// the publication put it; an activation deleted under it ends it.
TEST_F(ThreeActivationsTest, RunningActivationFollowsPublication) {
    ASSERT_TRUE(store.GetAnswerInto("0120", current));
    ASSERT_EQ(store.RunningActivation(), 1);
    ASSERT_TRUE(store.DeleteActivation("A"));
    EXPECT_EQ(store.RunningActivation(), 0);
    ASSERT_TRUE(store.GetAnswerInto("0121", current, &info));
    EXPECT_EQ(info, "Activation - B");
    EXPECT_EQ(store.StepPosition(), 1);

    ASSERT_TRUE(store.GetAnswerInto("0120", current));
    ASSERT_TRUE(store.DeleteActivation("B"));
    EXPECT_FALSE(store.ActivationRunning());
    EXPECT_EQ(store.RunningActivation(), -1);
}

TEST_F(StoreOperationsTest, EntryNamingAMissingActivationIsAnsweredFromTheTable) {
    ASSERT_TRUE(store.AddRequest("50", {"90"}, "x", 5, RequestType::Activation));
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(store.GetAnswerInto("0150", current, &info)) << pass;
        EXPECT_EQ(info, "Activation - x");
    }
}

TEST_F(StoreOperationsTest, UpdateRequest) {
    Add("10", "50");
    const Lines two = {"51", "52"};
    EXPECT_FALSE(store.UpdateRequest("20", &two, ""));

    ASSERT_TRUE(store.UpdateRequest("10", &two, ""));
    ASSERT_TRUE(store.GetAnswerInto("0110", current, &info));
    EXPECT_EQ(current.AnswerCount, 2);
    EXPECT_EQ(current.Answers[1].WireText, "0152");
    EXPECT_EQ(current.Description, "d") << "an empty description keeps the old one";

    // No answers, empty description: nothing changes, but what the edit table holds goes live.
    store.EditRequests().Items[0].Description = "edited";
    ASSERT_TRUE(store.UpdateRequest("10", nullptr, ""));
    ASSERT_TRUE(store.GetAnswerInto("0110", current));
    EXPECT_EQ(current.Description, "edited");
    EXPECT_EQ(current.AnswerCount, 2);

    const Lines one = {"53"};
    EXPECT_EQ(MessageOf([&] { store.UpdateRequest("10", &one, std::string(11, 'x')); }),
              "Overlong Request description!");
    EXPECT_EQ(store.EditRequests().Items[0].AnswerCount, 1) << "answers given stay set in the edit table";
    ASSERT_TRUE(store.GetAnswerInto("0110", current));
    EXPECT_EQ(current.AnswerCount, 2) << "and are not published";
}

TEST_F(StoreOperationsTest, RequestIndexRefusesOtherTables) {
    ASSERT_TRUE(store.AddActivations("A", "10", {"50"}, ""));
    ASSERT_TRUE(store.GetAnswerInto("0110", current));
    ASSERT_TRUE(store.ActivationRunning());
    EXPECT_EQ(MessageOf([&] { store.RequestIndex("0110", 2); }),
              "RequestIndex Function error: Invalid parameter structure!");
    EXPECT_FALSE(store.ActivationRunning());
    EXPECT_NE(store.RequestIndex("0110", 1), nullptr);
}

TEST_F(StoreOperationsTest, InsertItem) {
    Select(2);
    const TStoreLimits l = SmallLimits();
    TAllRequest table(l.MaxReqLen, l.MaxAnsLen, l.MaxDescrLen, 4, l.MultiAnswerNum);
    TAnsReqItem item(l);
    for (const char* wire : {"021a", "0130", "021a90", "0119"}) {
        item.SetValue(0, wire);
        TRequestStore::InsertItem(table, item);
    }
    // 021a90 compares equal to the stored 021a and goes behind it.
    EXPECT_EQ(Wires(table), (std::vector<std::string>{"0119", "0130", "021a", "021a90"}));

    item.SetValue(1, "40");
    EXPECT_EQ(MessageOf([&] { TRequestStore::InsertItem(table, item); }),
              "Insert item function error i:0 j:-1No more space for new request! Increase MaxReqCount in "
              "settings.ini!");
    table.Count = 3;
    EXPECT_EQ(MessageOf([&] { TRequestStore::InsertItem(table, table.Items[0]); }),
              "Insert item function error i:0 j:-1The item to insert is an entry of the table!");
}

TEST_F(StoreOperationsTest, InfoTextIsCutAt255Characters) {
    TStoreLimits l = SmallLimits();
    l.MaxDescrLen = 300;
    store.CreateStructures(l);
    const std::string description(300, 'x');
    ASSERT_TRUE(store.AddRequest("10", {"50"}, description, -1, RequestType::PSI));
    ASSERT_TRUE(store.GetAnswerInto("0110", current, &info));
    EXPECT_EQ(info.size(), TRequestStore::kInfoTextMax);
    EXPECT_EQ(info.substr(0, 8), "PSI - xx");
}

TEST_F(StoreOperationsTest, PackFailuresReachTheCaller) {
    TFrameStructure& rx = codec.Protocol.RxStructure;
    std::strcpy(rx.Layout, "LEN;DATA;CHS");
    rx.LenBytes = rx.ChsBytes = 1;
    Select(3);
    EXPECT_EQ(MessageOf([&] { store.AddRequest("10", {"50"}, "d", -1, RequestType::PSI); }),
              "AddRequest (D=d,R=10):\nPackRequest_3 function error:\nNo checksum routine bound for the CHS field!");
}

TEST_F(StoreOperationsTest, LookUpNeedsThisStoresLock) {
    TRequestStore other;
    const TTablesLock otherLock = other.LockTables();
    EXPECT_EQ(MessageOf([&] { store.GetAnswer("0110", otherLock); }),
              "GetAnswer Function error The table lock of this store is not held!");
    EXPECT_EQ(MessageOf([&] { store.LiveRequests(otherLock); }), "The table lock of this store is not held!");
}

TEST(StoreWithoutTablesTest, OperationsRaiseUntilCreated) {
    TRequestStore store;
    TBaseItem item{TStoreLimits{}};
    EXPECT_FALSE(store.StoresCreated());
    EXPECT_EQ(MessageOf([&] { store.AddRequest("10", {"50"}, "d", -1, 2); }),
              "AddRequest (D=d,R=10):\nRequest store not created!");
    EXPECT_EQ(MessageOf([&] { store.GetAnswerInto("0110", item); }),
              "GetAnswer Function error Request store not created!");
    EXPECT_EQ(MessageOf([&] { store.UpdateStructure(); }), "UpdateStructure function error: Request store not created!");
    TStoreLimits bad;
    bad.MaxReqCount = -1;
    EXPECT_EQ(MessageOf([&] { store.CreateStructures(bad); }), "CreateStructures function error:\nInvalid store limits!");
    store.CreateStructures(TStoreLimits{});
    EXPECT_TRUE(store.StoresCreated());
}
