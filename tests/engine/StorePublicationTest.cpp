// How the request store publishes: a copy takes the source's derived forms while the pack routine
// stands, the insertion point is found by binary search, the copy back after a publication takes
// only what the edit changed, and deferred publications publish once.
#include "StoreOperations.h"
#include "StoreTestSupport.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TStoreLimits Limits() {
    TStoreLimits l;
    l.MaxReqLen = 8;
    l.MaxAnsLen = 8;
    l.MaxDescrLen = 10;
    l.MultiAnswerNum = 3;
    l.MaxReqCount = 64;
    l.ActMaxCount = 3;
    l.ActAnsMaxCount = 6;
    return l;
}

// Everything an entry holds, in one line.
std::string Dump(const TBaseItem& e) {
    std::ostringstream out;
    out << e.PlainText << "/" << e.WireText << " t" << int(e.Type) << " [" << e.Description << "]";
    for (std::int32_t j = 0; j < e.AnswerCount; ++j) {
        const TAnswer& a = e.Answers[static_cast<std::size_t>(j)];
        out << " " << a.PlainText << "/" << a.WireText << "/" << a.ByteCount;
    }
    return out.str();
}

Lines Dump(const TAllRequest& table) {
    Lines lines;
    for (std::int32_t i = 0; i < table.Count; ++i) {
        const TAnsReqItem& e = table.Items[static_cast<std::size_t>(i)];
        lines.push_back(Dump(e) + " a" + std::to_string(e.ActivationIndex));
    }
    return lines;
}

Lines Dump(const TActivations& table) {
    Lines lines;
    for (std::int32_t i = 0; i < table.Count; ++i) {
        const TActivationItem& a = table.Items[static_cast<std::size_t>(i)];
        std::string line = a.Name + ":";
        for (std::int32_t k = 0; k < a.Count; ++k) line += " {" + Dump(a.Steps[static_cast<std::size_t>(k)]) + "}";
        lines.push_back(line);
    }
    return lines;
}

struct Tables {
    Lines Requests;
    Lines Activations;
    bool operator==(const Tables&) const = default;
};

Tables Live(TRequestStore& store) {
    const TTablesLock held = store.LockTables();
    return {Dump(store.LiveRequests(held)), Dump(store.LiveActivations(held))};
}

// Through the const store, so that reading does not count as a change.
Tables Edit(const TRequestStore& store) { return {Dump(store.EditRequests()), Dump(store.EditActivations())}; }

class StorePublicationTest : public PackPairTest {};

} // namespace

// With pack pair 3 and a checksum routine that counts its calls, a copy packs again only after
// the selection has changed.
TEST_F(StorePublicationTest, ACopyPacksAgainOnlyWhenThePackRoutineChanged) {
    static int checksumCalls = 0;
    TFrameStructure& rx = codec.Protocol.RxStructure;
    TFrameStructure& tx = codec.Protocol.TxStructure;
    for (TFrameStructure* half : {&rx, &tx}) {
        std::strcpy(half->Layout, "LEN;SID;DATA;CHS");
        half->LenBytes = half->ChsBytes = 1;
    }
    codec.Len_Header_Tx = 1; // an answer's wire text unpacks to the text behind its length byte
    codec.ChecksumFunction = [](std::int32_t, const char*) -> std::int32_t {
        ++checksumCalls;
        return 0x5c;
    };
    Select(3);
    TAnsReqItem source(Limits());
    source.SetValue(kPlainText, "1a90");
    source.SetAnswers({"5a9001", "5a9002"});
    TAnsReqItem copy(Limits());

    checksumCalls = 0;
    copy.CopyFrom(source);
    EXPECT_EQ(checksumCalls, 0);
    EXPECT_EQ(Dump(copy), Dump(source));
    EXPECT_EQ(copy.Answers[1].WireText, "035a90025c");
    EXPECT_EQ(copy.Answers[1].Bytes, (std::vector<std::uint8_t>{0x03, 0x5a, 0x90, 0x02, 0x5c}));

    // A copy of the copy still packs nothing; a new selection makes the next copy pack again.
    TAnsReqItem second(Limits());
    second.CopyFrom(copy);
    EXPECT_EQ(checksumCalls, 0);
    Select(1);
    second.CopyFrom(copy);
    EXPECT_EQ(second.WireText, "021a90");
    EXPECT_EQ(second.Answers[0].WireText, "035a9001");
    Select(3);
    second.CopyFrom(source);
    EXPECT_EQ(checksumCalls, 3) << "request and two answers packed again";
    EXPECT_EQ(second.WireText, "021a905c");

    // A text given as a wire text was not packed: copies derive the wire text from the plain one.
    TAnswer given(8);
    given.SetValue(kWireText, "035a9077");
    TAnswer answerCopy(8);
    answerCopy.CopyFrom(given);
    EXPECT_EQ(answerCopy.PlainText, "5a90");
    EXPECT_EQ(answerCopy.WireText, "025a905c");

    // The destination's own limit still holds for a reused text.
    TAnsReqItem narrow(2, 8, 10, 3);
    EXPECT_EQ(MessageOf([&] { narrow.CopyFrom(copy); }), "Overlong Request 1a90");
}

// The binary search puts an entry where the first entry greater than it stands, behind the ones
// it compares equal to, as a walk from the first entry would.
TEST_F(StorePublicationTest, InsertionPointIsTheFirstGreaterEntry) {
    Select(2); // wire text = plain text, so one request can begin with another
    std::mt19937 random(7);
    const Lines pieces = {"10", "1a", "22", "f1"};
    TAllRequest table(8, 8, 10, 48, 1);
    Lines expected;
    TAnsReqItem item(8, 8, 10, 1);
    for (int n = 0; n < 48; ++n) {
        std::string text;
        for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k) text += pieces[random() % pieces.size()];
        item.SetValue(kPlainText, text);
        TRequestStore::InsertItem(table, item);
        // The rule as written: the first entry from the start that compares greater.
        auto at = expected.begin();
        while (at != expected.end() && !(at->compare(0, at->size(), text, 0, std::min(at->size(), text.size())) > 0 ||
                                          (text.size() < at->size() && text == at->substr(0, text.size()))))
            ++at;
        expected.insert(at, text);
        Lines actual;
        for (std::int32_t i = 0; i < table.Count; ++i) actual.push_back(table.Items[static_cast<std::size_t>(i)].WireText);
        ASSERT_EQ(actual, expected) << "after inserting " << text;
    }
}

// Stores fed the same operations: one publishes as the store does, another is made to copy its
// tables back whole every time (its edit tables are handed out before each operation), and a third
// starts with room for one of everything and grows, up to the first one's limits. After every step
// their live tables agree, and each store's edit tables equal its live ones.
TEST_F(StorePublicationTest, CopyingBackWhatChangedEqualsCopyingEverything) {
    TRequestStore store;
    TRequestStore whole;
    TRequestStore grown;
    store.CreateStructures(Limits());
    whole.CreateStructures(Limits());
    grown.CreateStructures(TStoreLimits{1, 1, 1, 1, 1, 1, 1});
    TStoreGrowth growth;
    growth.Holds = [](const TStoreLimits& l) {
        const TStoreLimits most = Limits();
        return l.MaxReqLen <= most.MaxReqLen && l.MaxAnsLen <= most.MaxAnsLen && l.MaxDescrLen <= most.MaxDescrLen &&
               l.MultiAnswerNum <= most.MultiAnswerNum && l.MaxReqCount <= most.MaxReqCount &&
               l.ActMaxCount <= most.ActMaxCount && l.ActAnsMaxCount <= most.ActAnsMaxCount;
    };
    grown.AllowGrowth(growth);
    std::mt19937 random(11);
    const Lines pieces = {"10", "1a", "22", "31", "f1"};
    const Lines names = {"A", "B", "C"};
    auto text = [&](int maxPieces) {
        std::string t;
        for (int k = 1 + static_cast<int>(random() % static_cast<unsigned>(maxPieces)); k > 0; --k)
            t += pieces[random() % pieces.size()];
        return t;
    };
    auto answers = [&] {
        Lines a;
        for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k) a.push_back("5" + text(1).substr(1) + "0" + std::to_string(k));
        return a;
    };
    // Runs one operation on both stores; a failure must be the same on both.
    auto both = [&](auto operation) {
        whole.EditRequests();
        whole.EditActivations();
        const std::string a = MessageOf([&] { operation(store); });
        const std::string b = MessageOf([&] { operation(whole); });
        const std::string c = MessageOf([&] { operation(grown); });
        ASSERT_EQ(a, b);
        ASSERT_EQ(a, c);
    };
    int deferred = 0;
    std::size_t mostActivations = 0;
    for (int step = 0; step < 600; ++step) {
        const unsigned kind = random() % 10;
        const std::string request = text(3);
        const Lines a = answers();
        const std::string name = names[random() % names.size()];
        const std::string description = "d" + std::to_string(step % 100);
        switch (kind) {
        case 0: case 1: case 2:
            both([&](TRequestStore& s) { s.AddRequest(request, a, description, -1, RequestType::PSI); });
            break;
        case 3: case 4:
            both([&](TRequestStore& s) { s.AddActivations(name, request, a, description); });
            break;
        case 5:
            both([&](TRequestStore& s) { s.UpdateRequest(request, &a, description); });
            break;
        case 6:
            if (random() % 4 == 0) both([&](TRequestStore& s) { s.DeleteActivation(name); });
            break;
        case 7: // an entry changed through RequestIndex, then published
            both([&](TRequestStore& s) {
                if (TAnsReqItem* e = s.RequestIndex(request, 1)) e->Description = description;
                s.UpdateStructure();
            });
            break;
        case 8:
            if (deferred == 0) {
                store.DeferPublication();
                whole.DeferPublication();
                grown.DeferPublication();
                deferred = 1 + static_cast<int>(random() % 8);
            }
            break;
        default:
            both([&](TRequestStore& s) { s.UpdateStructure(); });
            break;
        }
        if (deferred > 0 && --deferred == 0) {
            store.PublishDeferred();
            whole.PublishDeferred();
            grown.PublishDeferred();
        }
        if (deferred == 0) {
            const Tables live = Live(store);
            ASSERT_EQ(live, Live(whole)) << "step " << step;
            ASSERT_EQ(Edit(store), live) << "step " << step;
            ASSERT_EQ(Live(grown), live) << "step " << step;
            ASSERT_EQ(Edit(grown), live) << "step " << step;
            mostActivations = std::max(mostActivations, live.Activations.size());
        }
    }
    EXPECT_GT(Live(store).Requests.size(), 30u);
    EXPECT_EQ(mostActivations, 3u) << "the steps reach every kind of change";
    EXPECT_EQ(grown.Limits().ActMaxCount, Limits().ActMaxCount) << "the growing store grew to the end";
}

TEST_F(StorePublicationTest, DeferredOperationsPublishOnceAtTheEnd) {
    TRequestStore store;
    store.CreateStructures(Limits());
    ASSERT_TRUE(store.AddRequest("10", {"50"}, "d", -1, RequestType::PSI));
    TBaseItem found(Limits());
    const TAllRequest* liveBefore = nullptr;
    {
        const TTablesLock held = store.LockTables();
        liveBefore = &store.LiveRequests(held);
    }
    {
        TPublishOnce once(store);
        ASSERT_TRUE(store.AddRequest("1a90", {"5a90"}, "d", -1, RequestType::PSI));
        ASSERT_TRUE(store.AddActivations("A", "3101", {"7101"}, "start"));
        ASSERT_TRUE(store.UpdateRequest("10", nullptr, "changed"));
        store.DeferPublication(); // nested: only the outermost publishes
        ASSERT_TRUE(store.AddRequest("22f190", {"62f190"}, "d", -1, RequestType::PSI));
        store.PublishDeferred();
        EXPECT_FALSE(store.GetAnswerInto("021a90", found)) << "nothing published yet";
        EXPECT_TRUE(store.GetAnswerInto("0110", found));
        EXPECT_EQ(found.Description, "d");
        once.Publish();
        EXPECT_TRUE(store.GetAnswerInto("021a90", found));
        EXPECT_TRUE(store.GetAnswerInto("0322f190", found));
        EXPECT_TRUE(store.GetAnswerInto("0110", found));
        EXPECT_EQ(found.Description, "changed");
    }
    const TTablesLock held = store.LockTables();
    EXPECT_NE(&store.LiveRequests(held), liveBefore) << "one exchange of the tables, not several";
    EXPECT_EQ(store.LiveActivations(held).Count, 1);
}

// A batch that ends without Publish (an exception on the way) still publishes what it holds.
TEST_F(StorePublicationTest, ABatchLeftByAnExceptionStillPublishes) {
    TRequestStore store;
    store.CreateStructures(Limits());
    try {
        TPublishOnce once(store);
        ASSERT_TRUE(store.AddRequest("10", {"50"}, "d", -1, RequestType::PSI));
        throw Exception("interrupted");
    } catch (const Exception&) {
    }
    TBaseItem found(Limits());
    EXPECT_TRUE(store.GetAnswerInto("0110", found));
    ASSERT_TRUE(store.AddRequest("11", {"51"}, "d", -1, RequestType::PSI));
    EXPECT_TRUE(store.GetAnswerInto("0111", found)) << "publishing again after the batch";
}
