#pragma once
// The lines of the traffic log, kept for as long as the log is not cleared: an endurance run logs
// millions of them. Their texts are packed end to end in large blocks, and each line adds a
// dozen bytes beyond its text: where its text lies, how long it is, and its style.
#include "TrafficLog.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The size of a block of texts; a longer line gets a block of its own.
inline constexpr std::size_t LogTextBlockBytes = 64 * 1024;
// The lines' records come in blocks of this many.
inline constexpr std::size_t LogLineBlockLines = 4096;

class LogLineStore {
public:
    void Append(std::string_view text, LogLineStyle style);
    std::size_t Size() const { return size_; }
    std::string_view Text(std::size_t line) const;
    LogLineStyle Style(std::size_t line) const { return LineAt(line).Style; }
    // The length of the longest text appended since the last Clear.
    std::size_t LongestText() const { return longest_; }
    // Every line goes, and the memory that held them.
    void Clear();

private:
    struct Line {
        std::uint32_t Block;
        std::uint32_t Offset;
        std::uint32_t Length;
        LogLineStyle Style;
    };

    const Line& LineAt(std::size_t line) const {
        return lines_[line / LogLineBlockLines][line % LogLineBlockLines];
    }

    // Large blocks only, so that the log's memory lies in few pieces however long it runs.
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t capacity_ = 0; // of the last block
    std::size_t used_ = 0;     // bytes of the last block holding texts
    std::vector<std::unique_ptr<Line[]>> lines_;
    std::size_t size_ = 0;
    std::size_t longest_ = 0;
};
