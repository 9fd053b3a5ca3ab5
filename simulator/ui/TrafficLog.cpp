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

void ActualRequests::Add(const std::string& request) {
    lines_.erase(std::remove(lines_.begin(), lines_.end(), request), lines_.end());
    lines_.push_back(request);
}

void ActualRequests::RemoveOldest() {
    if (!lines_.empty()) lines_.erase(lines_.begin());
}
