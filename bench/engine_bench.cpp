// The request store's answer path and its cost of one edit, on tables of 100, 1,000 and 10,000
// entries, with pack pair 1 and the engine's other default limits.
//
// BM_GetAnswer: one look-up under the table lock (binary search, activation state, info text).
// BM_GetAnswerInto: the look-up plus the copy into the loop's work item, as the loop runs it.
// BM_AddRequest: one AddRequest into the middle of the table: insertion, then publication
//   (swap and copy-back of the whole table).
// BM_CreateStructures: the four empty tables for a simulation file of 1,000, 5,000 and 20,000
//   requests, with the limits the window gives loading_bench's files (texts of 8, 11 and 22
//   characters, 8 answer slots, room for 25 % more requests).
// BM_LoadStore: the engine's share of loading such a file: the tables, every request registered
//   with two answers (AddRequest, in the file's ascending order) and the one publication.
#include "FrameCodec.h"
#include "StoreOperations.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

TCodecContext gCodec;

std::string Key(int k) {
    char text[8];
    std::snprintf(text, sizeof text, "22%04x", k & 0xffff);
    return text;
}

TStoreLimits LimitsFor(int entries) {
    TStoreLimits l;
    l.MaxReqCount = entries + 4;
    return l;
}

// A store holding the requests Key(0), Key(2), ..., Key(2 * (entries - 1)), one answer each,
// built once per size. The keys are even so that an odd key falls between two entries.
TRequestStore& StoreOf(int entries) {
    static std::map<int, std::unique_ptr<TRequestStore>> stores;
    SelectCodec(&gCodec, 1);
    auto& slot = stores[entries];
    if (!slot) {
        slot = std::make_unique<TRequestStore>();
        slot->CreateStructures(LimitsFor(entries));
        TAnsReqItem item(slot->Limits());
        for (int i = 0; i < entries; ++i) {
            item.SetValue(kPlainText, Key(2 * i));
            item.SetAnswers({"62" + Key(2 * i).substr(2) + "0102"});
            item.Description = "bench";
            TRequestStore::InsertItem(slot->EditRequests(), item); // ascending: appended
        }
        slot->UpdateStructure();
    }
    return *slot;
}

// Received wire texts of stored requests, in an order that jumps about the table.
std::vector<std::string> Received(int entries) {
    std::vector<std::string> wires;
    for (int i = 0; i < entries; ++i) wires.push_back(PackFunction(Key(2 * ((i * 7919) % entries)), 0));
    return wires;
}

void BM_GetAnswer(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    TRequestStore& store = StoreOf(entries);
    const std::vector<std::string> wires = Received(entries);
    std::size_t next = 0;
    for (auto _ : state) {
        const TTablesLock held = store.LockTables();
        benchmark::DoNotOptimize(store.GetAnswer(wires[next], held));
        if (++next == wires.size()) next = 0;
    }
}

void BM_GetAnswerInto(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    TRequestStore& store = StoreOf(entries);
    const std::vector<std::string> wires = Received(entries);
    TBaseItem current(store.Limits());
    std::string info;
    info.reserve(TRequestStore::kInfoTextMax);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.GetAnswerInto(wires[next], current, &info));
        if (++next == wires.size()) next = 0;
    }
}

// Each timed AddRequest adds a request bound to a scratch activation, which the untimed
// DeleteActivation then removes again, so every iteration meets a table of the same size.
void BM_AddRequest(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    TRequestStore& store = StoreOf(entries);
    const std::string added = Key(2 * (entries / 2) + 1); // between two entries, mid-table
    const std::vector<std::string> answers = {"62" + added.substr(2) + "0102"};
    for (auto _ : state) {
        state.PauseTiming();
        // The activation's request is already stored, so only the activation is created.
        store.AddActivations("scratch", Key(0), answers, "");
        state.ResumeTiming();
        benchmark::DoNotOptimize(store.AddRequest(added, answers, "added", 0, RequestType::Activation));
        state.PauseTiming();
        store.DeleteActivation("scratch");
        state.ResumeTiming();
    }
}

TStoreLimits LoadingLimits(std::int64_t requests) {
    TStoreLimits limits;
    limits.MaxReqLen = 8;
    limits.MaxAnsLen = 11;
    limits.MaxDescrLen = 22;
    limits.MultiAnswerNum = 8;
    limits.MaxReqCount = static_cast<std::int32_t>((requests + 2) * 5 / 4);
    limits.ActMaxCount = 1;
    limits.ActAnsMaxCount = 1;
    return limits;
}

void BM_CreateStructures(benchmark::State& state) {
    const TStoreLimits limits = LoadingLimits(state.range(0));
    for (auto _ : state) {
        auto store = std::make_unique<TRequestStore>();
        store->CreateStructures(limits);
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}

void BM_LoadStore(benchmark::State& state) {
    SelectCodec(&gCodec, 1);
    const int requests = static_cast<int>(state.range(0));
    const TStoreLimits limits = LoadingLimits(requests);
    struct Entry {
        std::string Request;
        std::vector<std::string> Answers;
        std::string Description;
    };
    std::vector<Entry> entries;
    for (int i = 1; i <= requests; ++i) {
        const std::string id = Key(i).substr(2);
        entries.push_back({"22" + id, {"62" + id + "01", "62" + id + "02"}, "Value " + std::to_string(i)});
    }
    for (auto _ : state) {
        auto store = std::make_unique<TRequestStore>();
        store->CreateStructures(limits);
        TPublishOnce once(*store);
        for (const Entry& e : entries) store->AddRequest(e.Request, e.Answers, e.Description, -1, RequestType::PSI);
        once.Publish();
        state.PauseTiming();
        if (store->EditRequests().Count != requests) state.SkipWithError("registrations missing");
        store.reset();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_GetAnswer)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_GetAnswerInto)->Arg(100)->Arg(1000)->Arg(10000);
BENCHMARK(BM_AddRequest)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CreateStructures)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadStore)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
