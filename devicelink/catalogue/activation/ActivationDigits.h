#pragma once
// The digit a digit entry asks for when the step follower answers it by itself: the entry
// holds step + 1 written with digitCount digits, most significant first, and the device asks
// for them one by one.
#include <cstdint>

namespace Activation {

// Digit digitIndex (0 the most significant) of step + 1 written with digitCount digits: digits
// beyond the number's own are 0. step + 1 is taken as an unsigned 32-bit number (step -1 is 0).
// digitIndex must be below digitCount.
std::int32_t EntryDigit(std::int32_t step, std::uint32_t digitCount, std::uint32_t digitIndex);

} // namespace Activation
