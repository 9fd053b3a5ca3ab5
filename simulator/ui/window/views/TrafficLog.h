#pragma once
// The traffic log's logic without a widget: the queue through which the engine's thread hands
// its events to the window, the lines each event becomes, and the view of the requests seen
// lately ("Actual requests").
//
// The engine's thread must never wait for the window: recording an event copies its texts into
// the queue under a short lock and tells the caller whether the window has to be woken. Every
// event is kept until the window draws it, each with its own kind deciding its colours; only when
// the window has fallen very far behind are the oldest dropped, and the count of dropped events
// is drawn in their place so the log never hides a gap.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

inline constexpr const char* RequestLinePrefix = "RX: ";
inline constexpr const char* AnswerLinePrefix = "TX: ";
inline constexpr const char* TxTimeoutText = "Tx Timeout!";
inline constexpr const char* FaultReadingMark = "Fault reading";
inline constexpr std::size_t MaxPendingTrafficEvents = 10000;

// One event as the window draws it: the texts already chosen by its kind.
struct TrafficEvent {
    std::string Request;
    std::string Answer;
    int Kind = 0; // OriglioItemType: 0 to 3
    std::string Info;
    bool operator==(const TrafficEvent&) const = default;
};

enum class LogLineStyle : std::uint8_t {
    RequestStored, // kind 0: blue
    RequestFailed, // kinds 1 and 3: red, bold
    RequestAuto,   // kind 2: sky blue
    AnswerStored,  // kind 0: green
    AnswerFailed,  // kinds 1 and 3: red, bold
    AnswerAuto,    // kind 2: lime
};

struct LogLine {
    std::string Text; // without its line end
    LogLineStyle Style = LogLineStyle::RequestStored;
    bool operator==(const LogLine&) const = default;
};

// "RX: " + request (when there is one), then "TX: " + answer (when there is one), styled by kind.
std::vector<LogLine> LinesOf(const TrafficEvent& event);
// The line that stands for events dropped while the window was behind.
LogLine DroppedEventsLine(std::size_t count);
// The request enters "Actual requests" unless its answer was not sent (kind 3).
bool EntersActualRequests(const TrafficEvent& event);
// An exchange answered from a fault-reading entry: its info text holds that type's name.
bool CountsAsFaultReading(const std::string& info);

class TrafficQueue {
public:
    // Any thread. The kind is kept as the last event's kind in every case; while logging is on an
    // event of kind 0 to 3 is queued (kind 1 without its answer, kind 3 with "Tx Timeout!" for
    // it). True when the queue was empty, so the window has to be woken to draw it.
    bool Record(const std::string& request, const std::string& answer, int kind, const std::string& info);

    // The window's thread: everything queued, oldest first, and how many events were dropped
    // since the last call.
    std::vector<TrafficEvent> TakeAll(std::size_t* dropped);

    void SetEnabled(bool enabled) { enabled_.store(enabled); }
    bool Enabled() const { return enabled_.load(); }
    int LastKind() const { return lastKind_.load(); }

private:
    std::mutex mutex_;
    std::deque<TrafficEvent> pending_;
    std::size_t dropped_ = 0;
    std::atomic<bool> enabled_{true};
    std::atomic<int> lastKind_{0};
};

// "Actual requests": each request seen lately once, the latest last. A scan meets tens of
// thousands of distinct requests, so a line is found by its text, and each change names the row
// it took away, so that a view follows line by line instead of drawing every line again.
class ActualRequests {
public:
    // The request becomes the last line; an equal line leaves its row, which is returned.
    std::optional<std::size_t> Add(const std::string& request);
    // The first line leaves (row 0); false when there is none.
    bool RemoveOldest();
    void Clear();
    std::size_t Size() const { return slotOf_.size(); }
    std::vector<std::string> Lines() const;

private:
    // The lines before a slot: a Fenwick tree over the slots counts the ones still holding a line.
    std::size_t LinesBefore(std::size_t slot) const;
    void Vacate(std::size_t slot);
    void Occupy(const std::string* line);
    void CompactWhenSparse();

    // The lines in the order they came; a line that moved on or left leaves an empty slot.
    std::vector<const std::string*> slots_;
    std::vector<std::int32_t> tree_; // 1-based Fenwick sums of the occupied slots
    std::unordered_map<std::string, std::size_t> slotOf_;
    std::size_t first_ = 0; // no line before this slot
};
