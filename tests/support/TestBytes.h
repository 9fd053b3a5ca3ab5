#pragma once
// Byte strings as the test programs build and show them: joined from parts, from ASCII text,
// and written as hex text the way the simulation files hold it.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Lower-case hex digits, two a byte, no blanks.
inline std::string HexText(const std::vector<std::uint8_t>& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0x0F];
    }
    return text;
}

inline std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> out;
    for (const std::vector<std::uint8_t>& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The characters of the text, without its terminator.
inline std::vector<std::uint8_t> Ascii(const char* text) {
    return std::vector<std::uint8_t>(text, text + std::char_traits<char>::length(text));
}
