#include "DatabaseFields.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace VehicleFields {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t Int32Min = std::numeric_limits<std::int32_t>::min();

} // namespace

std::size_t TextLength(const char* field, std::size_t width) {
    return strnlen(field, width);
}

QString Text(const char* field, std::size_t width) {
    return QString::fromLatin1(field, static_cast<qsizetype>(TextLength(field, width)));
}

std::int32_t LenientNumber(const char* field, std::size_t width) {
    const std::size_t n = TextLength(field, width);
    std::size_t i = 0;
    while (i < n && IsBlank(field[i]))
        ++i;
    bool negative = false;
    if (i < n && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    // Saturates instead of overflowing: a wide field of digits must not wrap into another
    // offset.
    std::int64_t value = 0;
    for (; i < n && IsDigit(field[i]); ++i)
        value = std::min<std::int64_t>(value * 10 + (field[i] - '0'), Int32Max + 1);
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp(value, Int32Min, Int32Max));
}

std::int32_t StrictNumber(const char* field, std::size_t width) {
    std::size_t begin = 0;
    std::size_t end = TextLength(field, width);
    while (begin < end && IsBlank(field[begin]))
        ++begin;
    while (end > begin && IsBlank(field[end - 1]))
        --end;
    if (begin == end)
        return 0;
    std::int64_t value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (!IsDigit(field[i]))
            return 0;
        value = value * 10 + (field[i] - '0');
        if (value > Int32Max)
            return 0;
    }
    return static_cast<std::int32_t>(value);
}

} // namespace VehicleFields
