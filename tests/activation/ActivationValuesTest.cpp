// The digits of a digit entry and the texts of shown values, without a driver thread.
#include "ActivationDigits.h"
#include "ActivationValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Activation;

namespace {

// The step value as the device's own description computes it, in 32-bit arithmetic, with the
// value of the digit before: valid where its powers of ten fit.
std::int32_t DescribedDigit(std::int32_t step, int n, int k, std::int32_t before) {
    const auto p = [](int e) { return static_cast<std::int32_t>(std::trunc(std::pow(10.0, e))); };
    const std::int32_t q1 = p(n) / p(k);
    const std::int32_t q2 = p(n) / p(k + 1);
    const auto quotient = static_cast<std::uint32_t>(step + 1) / static_cast<std::uint32_t>(q2);
    return static_cast<std::int32_t>(quotient) - before * q1;
}

} // namespace

TEST(ActivationDigits, OneAndTwoDigitEntriesGiveTheDescribedDigits) {
    for (int n = 1; n <= 2; ++n) {
        const std::int32_t top = n == 1 ? 9 : 99;
        for (std::int32_t step = 0; step + 1 <= top; ++step) {
            std::int32_t before = 0;
            for (int k = 0; k < n; ++k) {
                const auto digit = EntryDigit(step, static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(k));
                ASSERT_EQ(digit, DescribedDigit(step, n, k, before)) << "n " << n << " step " << step << " k " << k;
                before = digit;
            }
        }
    }
}

TEST(ActivationDigits, EveryDigitCountGivesSingleDigits) {
    struct Case {
        std::int32_t step;
        std::uint32_t count;
        std::uint32_t index;
        std::int32_t digit;
    };
    const Case cases[] = {
        {122, 3, 0, 1}, {122, 3, 1, 2}, {122, 3, 2, 3}, // described: 1, then -88
        {9, 1, 0, 0},                                    // 10 has no single digit: its last
        {-1, 3, 2, 0},                                   // step + 1 is 0
        {-2, 10, 0, 4},                                  // step + 1 is 4294967295 as unsigned 32 bits
        {-2, 10, 9, 5},
        {41, 31, 29, 4}, {41, 31, 30, 2}, {41, 31, 0, 0}, // far beyond 64-bit powers of ten
        {41, 2, 2, 0}, {41, 0, 0, 0},                     // no such digit
    };
    for (const Case& c : cases)
        EXPECT_EQ(EntryDigit(c.step, c.count, c.index), c.digit) << c.step << " " << c.count << " " << c.index;
}

TEST(ActivationValueTexts, MarkersAndNumbers) {
    struct Case {
        float x;
        std::uint32_t decimals;
        const char* text;
    };
    const Case cases[] = {
        {MarkerFD, 2, ">><<"},
        {MarkerFE, 2, "0"},
        {MarkerFF, 2, "---"},
        {12.5f, 2, "12.50"},
        {-1.0f, 1, "-1.0"},
        {2.0f, 0, "2"},
        {1.0f, 255, "1.000000000"}, // the digits after the point capped
        {std::numeric_limits<float>::infinity(), 2, "inf"},
        {std::numeric_limits<float>::quiet_NaN(), 2, "nan"},
        {-3e38f, 2, "-300000000549775575777803"}, // cut at the limit
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValueText(c.x, c.decimals, 25), c.text) << c.x;
}

TEST(ActivationValueTexts, IntegersAreTruncatedAndClamped) {
    struct Case {
        double x;
        int base;
        const char* text;
    };
    const Case cases[] = {
        {255.9, 16, "ff"},
        {-255.9, 16, "-ff"},
        {-3.7, 10, "-3"},
        {0.4, 10, "0"},
        {-0.4, 10, "0"},
        {1e30, 10, "9223372036854775807"},
        {-1e30, 10, "-9223372036854775808"},
        {-1e30, 16, "-8000000000000000"},
        {std::numeric_limits<double>::quiet_NaN(), 10, "0"},
        {std::numeric_limits<double>::infinity(), 16, "7fffffffffffffff"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IntegerText(c.x, c.base, 25), c.text) << c.x;
    EXPECT_EQ(IntegerText(-1e30, 10, 5), "-9223");
}
