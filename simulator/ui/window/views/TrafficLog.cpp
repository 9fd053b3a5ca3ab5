#include "TrafficLog.h"

#include "RequestLoop.h"

#include <algorithm>

std::vector<LogLine> LinesOf(const TrafficEvent& event) {
    LogLineStyle request = LogLineStyle::RequestStored;
    LogLineStyle answer = LogLineStyle::AnswerStored;
    if (event.Kind == OriglioItemType::NotAnswered || event.Kind == OriglioItemType::NotSent) {
        request = LogLineStyle::RequestFailed;
        answer = LogLineStyle::AnswerFailed;
    } else if (event.Kind == OriglioItemType::AutoAnswered) {
        request = LogLineStyle::RequestAuto;
        answer = LogLineStyle::AnswerAuto;
    }
    std::vector<LogLine> lines;
    if (!event.Request.empty()) lines.push_back({RequestLinePrefix + event.Request, request});
    if (!event.Answer.empty()) lines.push_back({AnswerLinePrefix + event.Answer, answer});
    return lines;
}

LogLine DroppedEventsLine(std::size_t count) {
    return {"(" + std::to_string(count) + " traffic events not shown: the log fell behind)",
            LogLineStyle::RequestFailed};
}

bool EntersActualRequests(const TrafficEvent& event) {
    return event.Kind != OriglioItemType::NotSent && !event.Request.empty();
}

bool CountsAsFaultReading(const std::string& info) { return info.find(FaultReadingMark) != std::string::npos; }

bool TrafficQueue::Record(const std::string& request, const std::string& answer, int kind,
                          const std::string& info) {
    lastKind_.store(kind);
    if (!enabled_.load()) return false;
    TrafficEvent event{request, answer, kind, info};
    switch (kind) {
    case OriglioItemType::Answered:
    case OriglioItemType::AutoAnswered:
        break;
    case OriglioItemType::NotAnswered:
        event.Answer.clear();
        break;
    case OriglioItemType::NotSent:
        event.Answer = TxTimeoutText;
        break;
    default:
        return false;
    }
    std::lock_guard lock(mutex_);
    const bool wake = pending_.empty();
    if (pending_.size() >= MaxPendingTrafficEvents) {
        pending_.pop_front();
        ++dropped_;
    }
    pending_.push_back(std::move(event));
    return wake;
}

std::vector<TrafficEvent> TrafficQueue::TakeAll(std::size_t* dropped) {
    std::lock_guard lock(mutex_);
    std::vector<TrafficEvent> events(std::make_move_iterator(pending_.begin()), std::make_move_iterator(pending_.end()));
    pending_.clear();
    if (dropped) *dropped = dropped_;
    dropped_ = 0;
    return events;
}

namespace {

std::size_t LowBit(std::size_t i) { return i & (~i + 1); }

// Empty slots are dropped once they outnumber the lines by this much.
constexpr std::size_t SparseSlack = 64;

} // namespace

std::size_t ActualRequests::LinesBefore(std::size_t slot) const {
    std::int64_t sum = 0;
    for (std::size_t i = slot; i > 0; i -= LowBit(i)) sum += tree_[i];
    return static_cast<std::size_t>(sum);
}

void ActualRequests::Vacate(std::size_t slot) {
    slots_[slot] = nullptr;
    for (std::size_t i = slot + 1; i < tree_.size(); i += LowBit(i)) --tree_[i];
}

void ActualRequests::Occupy(const std::string* line) {
    // Node i of the tree sums the slots (i - LowBit(i), i]; the new one is slot i - 1.
    const std::size_t i = slots_.size() + 1;
    slots_.push_back(line);
    tree_.push_back(static_cast<std::int32_t>(1 + LinesBefore(i - 1) - LinesBefore(i - LowBit(i))));
}

void ActualRequests::CompactWhenSparse() {
    if (slots_.size() <= 2 * slotOf_.size() + SparseSlack) return;
    std::vector<const std::string*> lines;
    lines.reserve(slotOf_.size());
    for (const std::string* line : slots_)
        if (line != nullptr) lines.push_back(line);
    slots_.clear();
    tree_.assign(1, 0);
    first_ = 0;
    for (const std::string* line : lines) {
        slotOf_[*line] = slots_.size();
        Occupy(line);
    }
}

std::optional<std::size_t> ActualRequests::Add(const std::string& request) {
    if (tree_.empty()) tree_.assign(1, 0);
    std::optional<std::size_t> left;
    auto [it, added] = slotOf_.try_emplace(request, 0);
    if (!added) {
        left = LinesBefore(it->second);
        Vacate(it->second);
    }
    it->second = slots_.size();
    Occupy(&it->first);
    CompactWhenSparse();
    return left;
}

bool ActualRequests::RemoveOldest() {
    while (first_ < slots_.size() && slots_[first_] == nullptr) ++first_;
    if (first_ >= slots_.size()) return false;
    const auto it = slotOf_.find(*slots_[first_]);
    Vacate(first_);
    slotOf_.erase(it);
    CompactWhenSparse();
    return true;
}

void ActualRequests::Clear() {
    slots_.clear();
    tree_.clear();
    slotOf_.clear();
    first_ = 0;
}

std::vector<std::string> ActualRequests::Lines() const {
    std::vector<std::string> lines;
    lines.reserve(slotOf_.size());
    for (const std::string* line : slots_)
        if (line != nullptr) lines.push_back(*line);
    return lines;
}
