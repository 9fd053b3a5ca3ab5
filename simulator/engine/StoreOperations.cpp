// Creation, publication and look-up of the request store; the editing operations are in
// StoreEditing.cpp.
#include "StoreOperations.h"

#include "Exception.h"
#include "MessageSink.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

TAnsReqItem* Search(TAllRequest& table, const std::string& text) {
    const std::int32_t position = TRequestStore::Find(table, text);
    return position < 0 ? nullptr : &table.Items[static_cast<std::size_t>(position)];
}

// Makes the replaced table equal to the one just published: only what the published one changed,
// unless the replaced one was changed itself (or too much changed for that to be cheaper).
template <class Table> void CopyBack(Table& replaced, Table& published) {
    try {
        const TTableChanges& changed = published.Changes();
        if (!replaced.Changes().None() || changed.Slots().size() > static_cast<std::size_t>(published.Count))
            replaced.CopyFrom(published);
        else
            replaced.CopyChangesFrom(published);
    } catch (...) {
        replaced.TouchAll(); // half copied: the next publication copies it whole
        throw;
    }
    replaced.ForgetChanges();
    published.ForgetChanges();
}

// (measure + 1) x factor, cut toward zero, as the load sizes its tables; a factor below 1 (or
// none) counts as 1, and the result is at least the measure and fits 32 bits.
std::int32_t Scaled(std::int64_t measure, float memoryInc) {
    const double factor = std::isfinite(memoryInc) ? std::max(1.0, static_cast<double>(memoryInc)) : 1.0;
    const double scaled = std::trunc((static_cast<double>(measure) + 1.0) * factor);
    constexpr double top = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(top, std::max(scaled, static_cast<double>(measure))));
}

// Each limit the larger of the two.
TStoreLimits AtLeast(TStoreLimits l, const TStoreLimits& o) {
    l.MaxReqLen = std::max(l.MaxReqLen, o.MaxReqLen);
    l.MaxAnsLen = std::max(l.MaxAnsLen, o.MaxAnsLen);
    l.MaxDescrLen = std::max(l.MaxDescrLen, o.MaxDescrLen);
    l.MultiAnswerNum = std::max(l.MultiAnswerNum, o.MultiAnswerNum);
    l.MaxReqCount = std::max(l.MaxReqCount, o.MaxReqCount);
    l.ActMaxCount = std::max(l.ActMaxCount, o.ActMaxCount);
    l.ActAnsMaxCount = std::max(l.ActAnsMaxCount, o.ActAnsMaxCount);
    return l;
}

void RequireValid(const TStoreLimits& l) {
    if (l.MaxReqLen < 0 || l.MaxAnsLen < 0 || l.MaxDescrLen < 0 || l.MultiAnswerNum < 0 ||
        l.MaxReqCount < 0 || l.ActMaxCount < 0 || l.ActAnsMaxCount < 0)
        throw Exception("Invalid store limits!");
}

// The store's tables for limits l, allocated before any lock is taken.
struct TStoreTables {
    explicit TStoreTables(const TStoreLimits& l)
        : liveActivations(std::make_unique<TActivations>(l.MaxReqLen, l.MaxAnsLen, l.MaxDescrLen, l.ActAnsMaxCount,
                                                         l.ActMaxCount, l.MultiAnswerNum)),
          editActivations(std::make_unique<TActivations>(l.MaxReqLen, l.MaxAnsLen, l.MaxDescrLen, l.ActAnsMaxCount,
                                                         l.ActMaxCount, l.MultiAnswerNum)),
          liveRequests(std::make_unique<TAllRequest>(l.MaxReqLen, l.MaxAnsLen, l.MaxDescrLen, l.MaxReqCount,
                                                     l.MultiAnswerNum)),
          editRequests(std::make_unique<TAllRequest>(l.MaxReqLen, l.MaxAnsLen, l.MaxDescrLen, l.MaxReqCount,
                                                     l.MultiAnswerNum)),
          workItem(std::make_unique<TAnsReqItem>(l)) {}
    std::unique_ptr<TActivations> liveActivations, editActivations;
    std::unique_ptr<TAllRequest> liveRequests, editRequests;
    std::unique_ptr<TAnsReqItem> workItem;
};

} // namespace

TRequestStore::TRequestStore() { infoText_.reserve(kInfoTextMax); }

void TRequestStore::CreateStructures(const TStoreLimits& limits) {
    try {
        RequireValid(limits);
        const TStoreLimits& l = limits;
        TStoreTables t(l);
        auto& [liveActivations, editActivations, liveRequests, editRequests, workItem] = t;

        std::lock_guard<std::mutex> lock(mutex_);
        limits_ = limits;
        liveActivations_ = std::move(liveActivations);
        editActivations_ = std::move(editActivations);
        liveRequests_ = std::move(liveRequests);
        editRequests_ = std::move(editRequests);
        workItem_ = std::move(workItem);
        requestLimit_ = limits.MaxReqLen;
        activationRunning_ = false;
        runningActivation_ = -1;
        stepPosition_ = 0;
        infoText_.clear();
    } catch (const std::exception& e) {
        throw Exception::Prefixed("CreateStructures function error:\n", e);
    }
}

void TRequestStore::AllowGrowth(TStoreGrowth growth) { growth_ = std::move(growth); }

void TRequestStore::Grow(const TStoreLimits& wanted) {
    try {
        RequireTables();
        const TStoreLimits l = AtLeast(limits_, wanted);
        if (l == limits_) return;
        TStoreTables t(l);
        auto& [liveActivations, editActivations, liveRequests, editRequests, workItem] = t;
        // The live tables change only on this thread, so they are read here without the lock.
        // Positions stay as they were: the running activation's index still names it.
        liveActivations->CopyFrom(*liveActivations_);
        liveRequests->CopyFrom(*liveRequests_);
        editActivations->CopyFrom(*editActivations_);
        editRequests->CopyFrom(*editRequests_);
        // The new edit tables may differ from the new live ones by what is not yet published;
        // the next publication copies them back whole.
        editActivations->TouchAll();
        editRequests->TouchAll();

        {
            std::lock_guard<std::mutex> lock(mutex_);
            limits_ = l;
            std::swap(liveActivations_, liveActivations);
            std::swap(editActivations_, editActivations);
            std::swap(liveRequests_, liveRequests);
            std::swap(editRequests_, editRequests);
            std::swap(workItem_, workItem);
            requestLimit_ = l.MaxReqLen;
        }
        // The old tables are freed here, outside the lock.
    } catch (const std::exception& e) {
        throw Exception::Prefixed("Grow function error: ", e);
    }
}

void TRequestStore::MakeRoom(const TStoreLimits& need) {
    if (!growth_) return;
    const TStoreGrowth& g = *growth_;
    TStoreLimits wanted = limits_;
    bool grows = false;
    const auto grow = [&](std::int32_t TStoreLimits::*limit, std::int64_t extra) {
        if (need.*limit <= limits_.*limit) return;
        const bool message = limit == &TStoreLimits::MaxReqLen || limit == &TStoreLimits::MaxAnsLen;
        if (message && need.*limit > g.MaxTextChars) return; // refused by the operation's checks
        wanted.*limit = Scaled(need.*limit + extra, g.MemoryInc);
        grows = true;
    };
    const std::int64_t header = std::max(0, g.HeaderChars);
    grow(&TStoreLimits::MaxReqLen, header);
    grow(&TStoreLimits::MaxAnsLen, header);
    grow(&TStoreLimits::MaxDescrLen, header);
    grow(&TStoreLimits::MultiAnswerNum, 0);
    grow(&TStoreLimits::MaxReqCount, 0);
    grow(&TStoreLimits::ActMaxCount, 0);
    grow(&TStoreLimits::ActAnsMaxCount, 0);
    if (!grows) return;
    if (wanted.MultiAnswerNum > limits_.MultiAnswerNum)
        wanted.MultiAnswerNum = std::max(wanted.MultiAnswerNum, g.MinAnswers);
    if (g.Holds && !g.Holds(wanted)) {
        // Without the headroom, what the edit needs and no more.
        wanted = AtLeast(limits_, need);
        if (!g.Holds(wanted)) return; // refused by the checks of the operation
    }
    Grow(wanted);
}

bool TRequestStore::CouldHold(const TStoreLimits& need) const {
    if (!growth_) return false;
    return !growth_->Holds || growth_->Holds(AtLeast(limits_, need));
}

bool TRequestStore::StoresCreated() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return liveRequests_ != nullptr;
}

void TRequestStore::RequireTables() const {
    if (liveRequests_ == nullptr) throw Exception("Request store not created!");
}

TAllRequest& TRequestStore::EditRequests() {
    RequireTables();
    editRequests_->TouchAll();
    return *editRequests_;
}

TActivations& TRequestStore::EditActivations() {
    RequireTables();
    editActivations_->TouchAll();
    return *editActivations_;
}

const TAllRequest& TRequestStore::EditRequests() const {
    RequireTables();
    return *editRequests_;
}

const TActivations& TRequestStore::EditActivations() const {
    RequireTables();
    return *editActivations_;
}

void TRequestStore::UpdateStructure() {
    try {
        RequireTables();
        publicationPending_ = false;
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(liveActivations_, editActivations_);
        std::swap(liveRequests_, editRequests_);
        FollowRunningActivation();
        CopyBack(*editActivations_, *liveActivations_);
        CopyBack(*editRequests_, *liveRequests_);
    } catch (const std::exception& e) {
        throw Exception::Prefixed("UpdateStructure function error: ", e);
    }
}

void TRequestStore::Publish() {
    if (deferrals_ > 0)
        publicationPending_ = true;
    else
        UpdateStructure();
}

void TRequestStore::DeferPublication() { ++deferrals_; }

void TRequestStore::PublishDeferred() {
    if (deferrals_ > 0) --deferrals_;
    if (deferrals_ == 0 && publicationPending_) UpdateStructure();
}

std::int32_t TRequestStore::Find(const TAllRequest& table, const std::string& text) {
    std::int32_t low = 0;
    std::int32_t high = table.Count - 1;
    while (low <= high) {
        const std::int32_t middle = low + (high - low) / 2;
        const int order = table.Items[static_cast<std::size_t>(middle)].CompareWire(text);
        if (order == 0) return middle;
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    return -1;
}

TPublishOnce::TPublishOnce(TRequestStore& store) : store_(&store) { store.DeferPublication(); }

void TPublishOnce::Publish() {
    TRequestStore* store = store_;
    store_ = nullptr;
    if (store) store->PublishDeferred();
}

TPublishOnce::~TPublishOnce() {
    try {
        Publish();
    } catch (const std::exception& e) {
        ShowMessage(ExceptionMessage(e));
    }
}

// Called under the lock between the swap and the copy-back, while the old live activations
// (now the edit table) still hold what the sequence ran on.
void TRequestStore::FollowRunningActivation() {
    if (!activationRunning_) return;
    const TActivations& before = *editActivations_;
    if (runningActivation_ < 0 || runningActivation_ >= before.Count) return; // checked at use
    const std::string& name = before.Items[runningActivation_].Name;
    const TActivations& now = *liveActivations_;
    for (std::int32_t i = 0; i < now.Count; ++i) {
        if (now.Items[i].Name == name) {
            runningActivation_ = i;
            return;
        }
    }
    activationRunning_ = false;
    runningActivation_ = -1;
}

TAnsReqItem* TRequestStore::RequestIndex(const std::string& wireText, int selector) {
    try {
        if (selector != 0 && selector != 1) throw Exception("Invalid parameter structure!");
        RequireTables();
        TAllRequest& table = selector == 0 ? *liveRequests_ : *editRequests_;
        const std::int32_t position = Find(table, wireText);
        if (position < 0) return nullptr;
        table.Touch(position); // the caller may change it
        return &table.Items[static_cast<std::size_t>(position)];
    } catch (const std::exception& e) {
        activationRunning_ = false;
        throw Exception::Prefixed("RequestIndex Function error: ", e);
    }
}

TTablesLock TRequestStore::LockTables() const { return TTablesLock(mutex_); }

void TRequestStore::RequireHeld(const TTablesLock& held) const {
    if (held.lock_.mutex() != &mutex_ || !held.lock_.owns_lock())
        throw Exception("The table lock of this store is not held!");
}

const TAllRequest& TRequestStore::LiveRequests(const TTablesLock& held) const {
    RequireHeld(held);
    RequireTables();
    return *liveRequests_;
}

const TActivations& TRequestStore::LiveActivations(const TTablesLock& held) const {
    RequireHeld(held);
    RequireTables();
    return *liveActivations_;
}

void TRequestStore::SetInfoText(std::string_view typeName, std::string_view text) {
    infoText_.clear();
    for (std::string_view part : {typeName, std::string_view(" - "), text})
        infoText_.append(part.substr(0, kInfoTextMax - infoText_.size()));
}

const TBaseItem* TRequestStore::FindAnswer(const std::string& received) {
    const TActivations& activations = *liveActivations_;
    if (activationRunning_ && runningActivation_ >= 0 && runningActivation_ < activations.Count) {
        const TActivationItem& running = activations.Items[runningActivation_];
        for (std::int32_t k = std::max(stepPosition_, 0); k < running.Count; ++k) {
            if (running.Steps[k].WireText == received) {
                SetInfoText(RequestTypeNames[RequestType::Activation], running.Name);
                stepPosition_ = k + 1;
                return &running.Steps[k];
            }
        }
    }
    const TAnsReqItem* entry = Search(*liveRequests_, received);
    stepPosition_ = 0;
    if (entry == nullptr) return nullptr;
    SetInfoText(RequestTypeName(entry->Type), entry->Description);
    if (entry->ActivationIndex == -1) {
        activationRunning_ = false;
        runningActivation_ = -1;
    } else {
        activationRunning_ = true;
        runningActivation_ = entry->ActivationIndex;
    }
    return entry;
}

const TBaseItem* TRequestStore::GetAnswer(const std::string& received, const TTablesLock& held) {
    try {
        RequireHeld(held);
        RequireTables();
        return FindAnswer(received);
    } catch (const std::exception& e) {
        activationRunning_ = false;
        throw Exception::Prefixed("GetAnswer Function error ", e);
    }
}

bool TRequestStore::GetAnswerInto(const std::string& received, TBaseItem& into, std::string* infoText) {
    const TTablesLock held = LockTables();
    into.Widen(limits_);
    const TBaseItem* found = GetAnswer(received, held);
    if (found != nullptr) into.CopyFrom(*found);
    if (infoText != nullptr) infoText->assign(infoText_);
    return found != nullptr;
}

bool TRequestStore::RequestIndexInto(const std::string& wireText, TBaseItem& into) {
    const TTablesLock held = LockTables();
    RequireTables();
    into.Widen(limits_);
    const TAnsReqItem* found = Search(*liveRequests_, wireText);
    if (found != nullptr) into.CopyFrom(*found);
    return found != nullptr;
}

bool TRequestStore::ActivationRunning() const { return activationRunning_; }

std::int32_t TRequestStore::RunningActivation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return activationRunning_ ? runningActivation_ : -1;
}

std::int32_t TRequestStore::StepPosition() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stepPosition_;
}

std::string TRequestStore::InfoText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return infoText_;
}
