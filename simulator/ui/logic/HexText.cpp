#include "HexText.h"

#include "Exception.h"

#include <exception>

namespace {

bool IsBlankOrControl(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code <= 0x20 || code == 0x7F;
}

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlankOrControl(text[first])) ++first;
    while (last > first && IsBlankOrControl(text[last - 1])) --last;
    return text.substr(first, last - first);
}

} // namespace

std::string DividePacket(const std::string& text) {
    try {
        std::string pairs;
        pairs.reserve(text.size() / 2 * 3);
        for (std::size_t p = 0; p < text.size(); p += 2) {
            if (p + 1 >= text.size()) throw Exception("Odd number of digits!");
            pairs.append(text, p, 2);
            pairs.push_back(' ');
        }
        return Trim(pairs);
    } catch (const std::exception& e) {
        throw Exception::Prefixed("DividePacket (" + text + ") Error: ", e);
    }
}

std::string StripBlanks(std::string text) {
    ReplaceAll(text, " ", "");
    return text;
}

bool ReplaceAll(std::string& text, std::string_view search, std::string_view replacement) {
    if (search.empty()) return false;
    std::size_t at = text.find(search);
    if (at == std::string::npos) return false;

    // Built in one pass, resuming behind each match: quadratic shifting and re-scanning of
    // inserted text are both avoided.
    std::string result;
    result.reserve(text.size());
    std::size_t from = 0;
    do {
        result.append(text, from, at - from);
        result.append(replacement);
        from = at + search.size();
        at = text.find(search, from);
    } while (at != std::string::npos);
    result.append(text, from, std::string::npos);
    text = std::move(result);
    return true;
}
