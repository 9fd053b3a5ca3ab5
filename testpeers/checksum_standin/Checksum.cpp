#include "Checksum.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 0;
}

// Calls fold(byte) for each whole byte of the first count characters; stops at a terminator, so
// a count larger than the text never reads past it.
template <typename Fold> void ForEachByte(std::int32_t count, const char* text, Fold fold) {
    if (!text) return;
    for (std::int32_t i = 0; i + 1 < count; i += 2) {
        if (text[i] == '\0' || text[i + 1] == '\0') return;
        fold(static_cast<std::uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
    }
}

} // namespace

CHECKSUM_EXPORT std::int32_t CheckSumComposer_1(std::int32_t count, const char* text) {
    std::uint8_t sum = 0;
    ForEachByte(count, text, [&](std::uint8_t b) { sum = static_cast<std::uint8_t>(sum + b); });
    return sum;
}

CHECKSUM_EXPORT std::int32_t CheckSumComposer_2(std::int32_t count, const char* text) {
    std::uint8_t x = 0;
    ForEachByte(count, text, [&](std::uint8_t b) { x = static_cast<std::uint8_t>(x ^ b); });
    return x;
}
