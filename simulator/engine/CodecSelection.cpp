// The process-wide choice of the pack pair. A selection is an immutable record published through
// one atomic pointer; records are kept for the life of the process, so a thread that has just
// loaded the pointer never sees its record freed under it.
#include "FrameCodec.h"

#include "Exception.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct TCodecSelection {
    const TCodecContext* Context;
    int Pair;
    TCodecRoutine Pack;
    TCodecRoutine UnPack;
};

constexpr TCodecRoutine kPack[] = {PackRequest_1, PackRequest_2, PackRequest_3,
                                   PackRequest_4, PackRequest_5, PackRequest_6};
constexpr TCodecRoutine kUnPack[] = {UnPackRequest_1, UnPackRequest_2, UnPackRequest_3,
                                     UnPackRequest_4, UnPackRequest_5, UnPackRequest_6};

std::atomic<const TCodecSelection*> gSelected{nullptr};
// Moved on after each change of gSelected, so that a reader that sees the new number also sees
// the new selection.
std::atomic<std::uint64_t> gGeneration{1};

// One record per context and pair ever selected (a new engine usually takes the old one's
// place and pair, so this stays a handful of records). Never destroyed: threads still running
// at exit may hold a record.
const TCodecSelection* Record(const TCodecContext* context, int pair) {
    static std::mutex mutex;
    static auto* records = new std::vector<std::unique_ptr<TCodecSelection>>();
    std::lock_guard<std::mutex> lock(mutex);
    for (const auto& r : *records)
        if (r->Context == context && r->Pair == pair) return r.get();
    records->push_back(std::make_unique<TCodecSelection>(
        TCodecSelection{context, pair, kPack[pair - 1], kUnPack[pair - 1]}));
    return records->back().get();
}

const TCodecSelection& Selected() {
    const TCodecSelection* s = gSelected.load(std::memory_order_acquire);
    if (s == nullptr) throw Exception("No frame codec selected!");
    return *s;
}

} // namespace

void SelectCodec(const TCodecContext* context, int pair) {
    if (pair < 1 || pair > 6) throw Exception("Not supported protocol!");
    if (context == nullptr) throw Exception("No frame codec context!");
    gSelected.store(Record(context, pair));
    ++gGeneration;
}

void ClearCodec(const TCodecContext* context) {
    const TCodecSelection* current = gSelected.load();
    while (current != nullptr && current->Context == context) {
        if (gSelected.compare_exchange_weak(current, nullptr)) {
            ++gGeneration;
            return;
        }
    }
}

std::uint64_t CodecGeneration() { return gGeneration.load(); }

int SelectedCodecPair() {
    const TCodecSelection* s = gSelected.load(std::memory_order_acquire);
    return s == nullptr ? 0 : s->Pair;
}

std::string PackFunction(const std::string& text, std::uint8_t selector) {
    const TCodecSelection& s = Selected();
    return s.Pack(*s.Context, text, selector);
}

std::string UnPackFunction(const std::string& text, std::uint8_t selector) {
    const TCodecSelection& s = Selected();
    return s.UnPack(*s.Context, text, selector);
}
