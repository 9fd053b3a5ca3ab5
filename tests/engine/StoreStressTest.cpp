// Two threads on one store, as the window and the engine use it: one edits and publishes
// (UpdateRequest, AddActivations, DeleteActivation, UpdateStructure), the other looks up and
// copies (GetAnswerInto, RequestIndexInto). Every copy must be one consistent entry: its answers
// and description belong to one and the same version of the request found.
#include "StoreOperations.h"
#include "StoreTestSupport.h"

#include <atomic>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRequests = 16;      // fixed requests 10 00 .. 10 0f, always present
constexpr int kEdits = 3000;       // editing operations of the window thread
constexpr int kMinLookUps = 3000;  // look-ups of the engine thread, at least

TStoreLimits StressLimits() {
    TStoreLimits l;
    l.MaxReqLen = 8;
    l.MaxAnsLen = 16;
    l.MaxDescrLen = 16;
    l.MultiAnswerNum = 4;
    l.MaxReqCount = 64;
    l.ActMaxCount = 4;
    l.ActAnsMaxCount = 16;
    return l;
}

std::string Hex(int value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", value & 0xff);
    return text;
}

std::string Request(int k) { return "10" + Hex(k); }

// Version v of request k: 1 + v % 4 answers "50 kk vv jj", description "k<kk>v<vv>".
std::vector<std::string> Answers(int k, int v) {
    std::vector<std::string> answers;
    for (int j = 0; j < 1 + v % 4; ++j) answers.push_back("50" + Hex(k) + Hex(v) + Hex(j));
    return answers;
}
std::string Description(int k, int v) { return "k" + Hex(k) + "v" + Hex(v); }

// Empty when the copy is one whole version of request k, else what is wrong with it.
std::string Inconsistency(const TBaseItem& item, int k) {
    if (item.PlainText != Request(k)) return "request " + item.PlainText + " for " + Request(k);
    if (item.Description.size() != 6 || item.Description.compare(0, 3, "k" + Hex(k)) != 0)
        return "description " + item.Description;
    const int v = std::stoi(item.Description.substr(4, 2), nullptr, 16);
    const std::vector<std::string> expected = Answers(k, v);
    if (item.AnswerCount != static_cast<std::int32_t>(expected.size()))
        return "answer count " + std::to_string(item.AnswerCount) + " for " + item.Description;
    for (std::size_t j = 0; j < expected.size(); ++j) {
        const TAnswer& a = item.Answers[j];
        if (a.PlainText != expected[j] || a.WireText != "04" + expected[j] || a.ByteCount != 5)
            return "answer " + a.PlainText + " for " + item.Description;
    }
    return {};
}

} // namespace

class StoreStressTest : public PackPairTest {};

TEST_F(StoreStressTest, LookUpsSeeWholeEntriesWhileTheWindowPublishes) {
    TRequestStore store;
    store.CreateStructures(StressLimits());
    for (int k = 0; k < kRequests; ++k)
        ASSERT_TRUE(store.AddRequest(Request(k), Answers(k, 0), Description(k, 0), -1, RequestType::PSI));

    std::atomic<bool> editsDone{false};
    std::exception_ptr editFailure;
    std::exception_ptr lookUpFailure;
    std::vector<std::string> faults; // written by the engine thread only, read after join
    int lookUps = 0;

    std::thread window([&] {
        try {
            for (int i = 1; i <= kEdits; ++i) {
                const int k = i % kRequests;
                const std::vector<std::string> answers = Answers(k, i);
                store.UpdateRequest(Request(k), &answers, Description(k, i));
                if (i % 8 == 0) store.AddActivations("A", "30" + Hex(i / 8), {"60" + Hex(i / 8)}, "");
                if (i % 64 == 0) store.DeleteActivation("A");
                if (i % 16 == 0) store.UpdateStructure();
            }
        } catch (...) {
            editFailure = std::current_exception();
        }
        editsDone = true;
    });

    std::thread engine([&] {
        try {
            TBaseItem current(StressLimits());
            std::string info;
            info.reserve(TRequestStore::kInfoTextMax);
            unsigned seed = 12345;
            while (!editsDone || lookUps < kMinLookUps) {
                seed = seed * 1103515245u + 12345u;
                const int k = static_cast<int>((seed >> 16) % kRequests);
                const std::string wire = "02" + Request(k);
                if (!store.GetAnswerInto(wire, current, &info)) {
                    faults.push_back("not found: " + wire);
                } else if (std::string why = Inconsistency(current, k); !why.empty()) {
                    faults.push_back(why);
                } else if (info != "PSI - " + current.Description) {
                    faults.push_back("info text " + info + " for " + current.Description);
                }
                if (store.RequestIndexInto(wire, current)) {
                    if (std::string why = Inconsistency(current, k); !why.empty()) faults.push_back(why);
                }
                // Requests of the activation come and go; they only have to be whole when found.
                const std::string step = "0230" + Hex(static_cast<int>(seed >> 8));
                if (store.GetAnswerInto(step, current) && current.AnswerCount != 1)
                    faults.push_back("activation request with " + std::to_string(current.AnswerCount) + " answers");
                ++lookUps;
                if (faults.size() > 20) break;
            }
        } catch (...) {
            lookUpFailure = std::current_exception();
        }
    });

    window.join();
    engine.join();
    if (editFailure) std::rethrow_exception(editFailure);
    if (lookUpFailure) std::rethrow_exception(lookUpFailure);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    EXPECT_GE(lookUps, kMinLookUps);
}

// The window grows the tables while the engine looks up: a store loaded with room for a few short
// requests is given more and longer ones, each growth replacing the four tables. Every look-up
// through the engine's work item (built with the load's limits) sees one whole version.
TEST_F(StoreStressTest, LookUpsSeeWholeEntriesWhileTheTablesGrow) {
    TStoreLimits loaded = StressLimits();
    loaded.MaxReqCount = 2;
    loaded.MaxAnsLen = 10;
    loaded.MultiAnswerNum = 1;
    TRequestStore store;
    store.CreateStructures(loaded);
    TStoreGrowth growth;
    growth.MemoryInc = 1.1f;
    store.AllowGrowth(growth);
    ASSERT_TRUE(store.AddRequest(Request(0), Answers(0, 0), Description(0, 0), -1, RequestType::PSI));

    std::atomic<int> added{1};
    std::exception_ptr editFailure;
    std::exception_ptr lookUpFailure;
    std::vector<std::string> faults;
    std::atomic<bool> editsDone{false};
    int lookUps = 0;

    std::thread window([&] {
        try {
            for (int i = 1; i <= 400; ++i) {
                const int k = i % kRequests;
                if (k >= added.load()) {
                    store.AddRequest(Request(k), Answers(k, i), Description(k, i), -1, RequestType::PSI);
                    added = k + 1;
                } else {
                    // More answers than the load's one (growing the tables), and now and then a
                    // growth of its own.
                    std::vector<std::string> answers = Answers(k, i);
                    if (i % 7 == 0) store.Grow([&] { TStoreLimits l = store.Limits(); l.MaxAnsLen += 2; return l; }());
                    store.UpdateRequest(Request(k), &answers, Description(k, i));
                }
                if (i % 50 == 0) store.AddActivations("A" + Hex(i), "30" + Hex(i), {"60" + Hex(i)}, "");
            }
        } catch (...) {
            editFailure = std::current_exception();
        }
        editsDone = true;
    });

    std::thread engine([&] {
        try {
            TBaseItem current(loaded);
            unsigned seed = 777;
            while (!editsDone || lookUps < kMinLookUps) {
                seed = seed * 1103515245u + 12345u;
                const int present = added.load();
                const int k = static_cast<int>((seed >> 16) % static_cast<unsigned>(present));
                const std::string wire = "02" + Request(k);
                if (!store.GetAnswerInto(wire, current)) {
                    faults.push_back("not found: " + wire);
                } else if (std::string why = Inconsistency(current, k); !why.empty()) {
                    faults.push_back(why);
                }
                ++lookUps;
                if (faults.size() > 20) break;
            }
        } catch (...) {
            lookUpFailure = std::current_exception();
        }
    });

    window.join();
    engine.join();
    if (editFailure) std::rethrow_exception(editFailure);
    if (lookUpFailure) std::rethrow_exception(lookUpFailure);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
    EXPECT_GE(store.Limits().MaxReqCount, kRequests);
    EXPECT_GE(store.Limits().MultiAnswerNum, 4);
}

// Packing on one thread while another thread changes the selection: each result is the work of
// one whole pair, the old or the new.
TEST(CodecSelectionStressTest, PackingSeesOneWholePair) {
    TCodecContext context;
    SelectCodec(&context, 1);
    std::atomic<bool> done{false};
    std::thread selector([&] {
        for (int i = 0; i < 20000; ++i) SelectCodec(&context, i % 2 == 0 ? 6 : 1);
        done = true;
    });
    int wrong = 0;
    int packs = 0;
    while (!done || packs < 1000) {
        const std::string wire = PackFunction("1a90", 0);
        if (wire != "021a90" && wire != "ca1a90") ++wrong;
        ++packs;
    }
    selector.join();
    ClearCodec(&context);
    EXPECT_EQ(wrong, 0);
}
