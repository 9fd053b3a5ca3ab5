#pragma once
// The texts of the values an activation shows, the device's markers (ValueMarkers.h) among them.
//
// Every text is bounded: the digits after the point are capped at MaxDecimals (a float holds no
// more than 9 significant digits), and a text is cut at the limit it is asked for. An integer
// from a float is truncated toward zero and clamped to the 64-bit range (NaN gives 0).
#include "ValueMarkers.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Activation {

using ValueMarkers::MarkerFD;
using ValueMarkers::MarkerFE;
using ValueMarkers::MarkerFF;

constexpr unsigned MaxDecimals = 9;

// x in fixed notation with decimals digits after the point (capped), at most limit characters.
std::string FixedText(double x, std::uint32_t decimals, std::size_t limit);
// x truncated toward zero (clamped) in base 10 or 16, lower-case digits, a minus sign in front
// of a negative value; at most limit characters.
std::string IntegerText(double x, int base, std::size_t limit);
// The text of a shown value: ">><<" for MarkerFD, "0" for MarkerFE, "---" for MarkerFF, else
// FixedText.
std::string ValueText(float x, std::uint32_t decimals, std::size_t limit);
// x truncated toward zero, clamped to the 64-bit range; NaN gives 0.
std::int64_t TruncatedClamped(double x);

} // namespace Activation
