#pragma once
// "Actual requests" (reActualRequest) drawn from its lines one change at a time, where the
// operator has scrolled it staying in place. A tester's round of a few requests moves the same
// lines to the end over and over: within a burst of traffic the lines added are held back and
// drawn together at its end, so each line in sight changes once per burst, not once per exchange.
#include "TrafficLog.h"

#include <string>
#include <vector>

class QPlainTextEdit;

class ActualRequestsView {
public:
    explicit ActualRequestsView(QPlainTextEdit& view) : view_(view) {}

    // Between BeginBurst and EndBurst the lines added wait to be drawn; outside a burst each is
    // drawn at once.
    void BeginBurst() { inBurst_ = true; }
    void Add(const std::string& request);
    void EndBurst();
    // The oldest line expires.
    void RemoveOldest();
    void Clear();

private:
    void RemoveDrawn(std::size_t row);
    void DrawWaiting();

    QPlainTextEdit& view_;
    ActualRequests lines_;
    std::size_t drawn_ = 0;            // the lines the view shows: the first ones of lines_
    std::vector<std::string> waiting_; // the lines after them, not drawn yet
    bool inBurst_ = false;
};
