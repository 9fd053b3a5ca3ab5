#include "ActivationDigits.h"

namespace Activation {
namespace {

// 10^e for the exponents a 32-bit number can have digits at; beyond them every digit is 0.
constexpr std::uint32_t LastExponent = 9;

std::uint64_t PowerOf10(std::uint32_t e) {
    std::uint64_t p = 1;
    for (std::uint32_t i = 0; i < e; ++i)
        p *= 10;
    return p;
}

} // namespace

std::int32_t EntryDigit(std::int32_t step, std::uint32_t digitCount, std::uint32_t digitIndex) {
    if (digitIndex >= digitCount)
        return 0;
    const std::uint64_t number = static_cast<std::uint32_t>(step) + 1u;
    // Digit k of an n-digit entry stands for 10^(n - 1 - k).
    const std::uint32_t exponent = digitCount - 1 - digitIndex;
    if (exponent > LastExponent)
        return 0;
    return static_cast<std::int32_t>(number / PowerOf10(exponent) % 10);
}

} // namespace Activation
