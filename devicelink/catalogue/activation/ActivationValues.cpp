#include "ActivationValues.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace Activation {
namespace {

// Room for any fixed-notation float with MaxDecimals digits: 39 integer digits, a sign, a point.
constexpr std::size_t FormatRoom = 64;

std::string Cut(std::string text, std::size_t limit) {
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

} // namespace

std::int64_t TruncatedClamped(double x) {
    if (std::isnan(x))
        return 0;
    constexpr double Bound = 9223372036854775808.0; // 2^63, exact as a double
    if (x >= Bound)
        return std::numeric_limits<std::int64_t>::max();
    if (x <= -Bound)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(x));
}

std::string FixedText(double x, std::uint32_t decimals, std::size_t limit) {
    char buffer[FormatRoom];
    const int precision = static_cast<int>(std::min(decimals, MaxDecimals));
    std::snprintf(buffer, sizeof buffer, "%.*f", precision, x);
    return Cut(buffer, limit);
}

std::string IntegerText(double x, int base, std::size_t limit) {
    const std::int64_t n = TruncatedClamped(x);
    // The magnitude in unsigned arithmetic: the most negative value has no positive twin.
    std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::uint64_t b = base == 16 ? 16 : 10;
    std::string digits;
    do {
        digits.push_back("0123456789abcdef"[magnitude % b]);
        magnitude /= b;
    } while (magnitude != 0);
    if (n < 0)
        digits.push_back('-');
    std::reverse(digits.begin(), digits.end());
    return Cut(std::move(digits), limit);
}

std::string ValueText(float x, std::uint32_t decimals, std::size_t limit) {
    if (x == MarkerFD)
        return Cut(">><<", limit);
    if (x == MarkerFE)
        return Cut("0", limit);
    if (x == MarkerFF)
        return Cut("---", limit);
    return FixedText(x, decimals, limit);
}

} // namespace Activation
