#pragma once
// String lists in place of the desktop class library's string list: a plain vector of 8-bit
// strings, so bytes pass through unchanged.
#include <string>
#include <string_view>
#include <vector>

using TStringList = std::vector<std::string>;

// Splits text into lines at CR LF, at a lone LF and at a lone CR. A line end at the very end
// of the text adds no empty last line; empty text gives no lines.
inline TStringList SplitLines(std::string_view text) {
    TStringList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

// Every line followed by lineEnd (also the last one).
inline std::string JoinLines(const TStringList& lines, std::string_view lineEnd = "\r\n") {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}
