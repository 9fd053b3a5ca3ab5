#include "TrafficLogLines.h"

#include <algorithm>
#include <cstring>

void LogLineStore::Append(std::string_view text, LogLineStyle style) {
    if (blocks_.empty() || text.size() > capacity_ - used_) {
        capacity_ = std::max(text.size(), LogTextBlockBytes);
        // Not cleared first: only what the texts fill is ever touched.
        blocks_.emplace_back(new char[capacity_]);
        used_ = 0;
    }
    if (!text.empty()) std::memcpy(blocks_.back().get() + used_, text.data(), text.size());
    if (size_ % LogLineBlockLines == 0) lines_.emplace_back(new Line[LogLineBlockLines]);
    lines_.back()[size_ % LogLineBlockLines] = {static_cast<std::uint32_t>(blocks_.size() - 1),
                                                static_cast<std::uint32_t>(used_),
                                                static_cast<std::uint32_t>(text.size()), style};
    ++size_;
    used_ += text.size();
    longest_ = std::max(longest_, text.size());
}

std::string_view LogLineStore::Text(std::size_t line) const {
    const Line& l = LineAt(line);
    return {blocks_[l.Block].get() + l.Offset, l.Length};
}

void LogLineStore::Clear() {
    lines_.clear();
    lines_.shrink_to_fit();
    size_ = 0;
    blocks_.clear();
    blocks_.shrink_to_fit();
    capacity_ = 0;
    used_ = 0;
    longest_ = 0;
}
