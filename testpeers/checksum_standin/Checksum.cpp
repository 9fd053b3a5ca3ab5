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

std::uint8_t ByteSum(std::int32_t count, const char* text) {
    std::uint8_t sum = 0;
    ForEachByte(count, text, [&](std::uint8_t b) { sum = static_cast<std::uint8_t>(sum + b); });
    return sum;
}

// Bitwise, most significant bit first, as the automotive CRC-8 variants are defined.
constexpr std::uint8_t Crc8Initial = 0xFF;
constexpr std::uint8_t Crc8FinalXor = 0xFF;
constexpr std::uint8_t PolynomialJ1850 = 0x1D;
constexpr std::uint8_t PolynomialH2F = 0x2F;

std::uint8_t Crc8(std::int32_t count, const char* text, std::uint8_t polynomial) {
    std::uint8_t crc = Crc8Initial;
    ForEachByte(count, text, [&](std::uint8_t b) {
        crc = static_cast<std::uint8_t>(crc ^ b);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ polynomial : crc << 1);
    });
    return static_cast<std::uint8_t>(crc ^ Crc8FinalXor);
}

} // namespace

CHECKSUM_EXPORT std::int32_t CheckSumComposer_0(std::int32_t count, const char* text) {
    return static_cast<std::uint8_t>(0x100 - ByteSum(count, text));
}

CHECKSUM_EXPORT std::int32_t CheckSumComposer_1(std::int32_t count, const char* text) {
    return ByteSum(count, text);
}

CHECKSUM_EXPORT std::int32_t CheckSumComposer_2(std::int32_t count, const char* text) {
    std::uint8_t x = 0;
    ForEachByte(count, text, [&](std::uint8_t b) { x = static_cast<std::uint8_t>(x ^ b); });
    return x;
}

CHECKSUM_EXPORT std::int32_t CheckSumComposer_3(std::int32_t count, const char* text) {
    return Crc8(count, text, PolynomialJ1850);
}

CHECKSUM_EXPORT std::int32_t CheckSumComposer_4(std::int32_t count, const char* text) {
    return Crc8(count, text, PolynomialH2F);
}
