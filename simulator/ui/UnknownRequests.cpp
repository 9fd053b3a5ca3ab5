#include "UnknownRequests.h"

#include "HexText.h"
#include "IniDocument.h"

#include <algorithm>

bool UnknownRequestList::AddReported(const std::string& request, const TStringList& answers) {
    const std::string text = request.empty() ? std::string(EmptyUnknownRequest) : request;
    // Converted before the lock: a text that cannot be shown changes nothing.
    UnknownRequestRow row;
    row.Request = DividePacket(text);
    for (const std::string& answer : answers) row.Answers.push_back(DividePacket(answer));

    std::lock_guard lock(mutex_);
    if (FindLocked(text) != nullptr) return false;
    row.Id = nextId_++;
    rows_.push_back(std::move(row));
    ++version_;
    return true;
}

const UnknownRequestRow* UnknownRequestList::FindLocked(const std::string& request) const {
    for (const UnknownRequestRow& row : rows_)
        if (StripBlanks(row.Request) == request) return &row;
    return nullptr;
}

std::optional<TStringList> UnknownRequestList::Answers(const std::string& request) const {
    if (request.empty()) return std::nullopt;
    std::lock_guard lock(mutex_);
    const UnknownRequestRow* row = FindLocked(request);
    if (row == nullptr) return std::nullopt;
    TStringList answers;
    for (const std::string& answer : row->Answers) {
        if (answer.empty()) break;
        answers.push_back(StripBlanks(answer));
    }
    return answers;
}

std::vector<UnknownRequestRow> UnknownRequestList::Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

std::uint64_t UnknownRequestList::Version() const {
    std::lock_guard lock(mutex_);
    return version_;
}

void UnknownRequestList::Clear() {
    std::lock_guard lock(mutex_);
    rows_.clear();
    ++version_;
}

void UnknownRequestList::Remove(const std::vector<std::uint64_t>& ids) {
    std::lock_guard lock(mutex_);
    const auto gone = [&](const UnknownRequestRow& row) {
        return std::find(ids.begin(), ids.end(), row.Id) != ids.end();
    };
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), gone), rows_.end());
    ++version_;
}

void UnknownRequestList::RemoveRequests(const std::vector<std::string>& requests) {
    if (requests.empty()) return;
    std::vector<std::string> folded;
    for (const std::string& request : requests) folded.push_back(FoldAsciiCase(StripBlanks(request)));
    std::lock_guard lock(mutex_);
    const auto taken = [&](const UnknownRequestRow& row) {
        return std::find(folded.begin(), folded.end(), FoldAsciiCase(StripBlanks(row.Request))) != folded.end();
    };
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), taken), rows_.end());
    ++version_;
}
