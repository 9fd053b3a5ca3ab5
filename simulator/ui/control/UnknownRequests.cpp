#include "UnknownRequests.h"

#include "HexText.h"
#include "IniDocument.h"

#include <algorithm>
#include <unordered_set>

bool UnknownRequestList::AddReported(const std::string& request, const TStringList& answers) {
    const std::string text = request.empty() ? std::string(EmptyUnknownRequest) : request;
    // Converted before the lock: a text that cannot be shown changes nothing.
    UnknownRequestRow row;
    row.Request = DividePacket(text);
    for (const std::string& answer : answers) row.Answers.push_back(DividePacket(answer));

    std::string key = StripBlanks(row.Request);

    std::lock_guard lock(mutex_);
    if (FindLocked(text) != nullptr) return false;
    row.Id = nextId_++;
    // Two rows can share a caption only for a request written with blanks; a look-up finds the
    // first, as a walk from the top would.
    index_.emplace(std::move(key), rows_.size());
    rows_.push_back(std::move(row));
    ++version_;
    return true;
}

const UnknownRequestRow* UnknownRequestList::FindLocked(const std::string& request) const {
    const auto it = index_.find(request);
    return it != index_.end() ? &rows_[it->second] : nullptr;
}

void UnknownRequestList::RowsLeftLocked() {
    index_.clear();
    for (std::size_t r = 0; r < rows_.size(); ++r) index_.emplace(StripBlanks(rows_[r].Request), r);
    ++version_;
    ++layout_;
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

std::optional<UnknownRequestUpdate> UnknownRequestList::UpdateSince(std::uint64_t version, std::uint64_t layout,
                                                                    std::size_t held) const {
    std::lock_guard lock(mutex_);
    if (version == version_ && layout == layout_) return std::nullopt;
    UnknownRequestUpdate update{version_, layout_, layout == layout_ && held <= rows_.size(), {}};
    const std::size_t first = update.Appended ? held : 0;
    update.Rows.assign(rows_.begin() + static_cast<std::ptrdiff_t>(first), rows_.end());
    return update;
}

void UnknownRequestList::Clear() {
    std::lock_guard lock(mutex_);
    rows_.clear();
    RowsLeftLocked();
}

void UnknownRequestList::Remove(const std::vector<std::uint64_t>& ids) {
    // The operator may select every row of a long scan.
    const std::unordered_set<std::uint64_t> leaving(ids.begin(), ids.end());
    std::lock_guard lock(mutex_);
    const auto gone = [&](const UnknownRequestRow& row) { return leaving.count(row.Id) != 0; };
    rows_.erase(std::remove_if(rows_.begin(), rows_.end(), gone), rows_.end());
    RowsLeftLocked();
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
    RowsLeftLocked();
}
