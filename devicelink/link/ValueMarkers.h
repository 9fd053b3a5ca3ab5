#pragma once
// The values the driver thread holds where the device gave none: every parameter value until it
// is read, and the floats that the device's answers FD FD FD FD, FE FE FE FE and FF FF FF FF
// stand for (a value not read, not shown, or out of range). The lists and the activation view of
// the tester side turn them into their texts, so they are defined here once.
#include <bit>
#include <cstdint>

namespace ValueMarkers {
inline constexpr float ValueNotRead = -1000000.0f;
inline constexpr float MarkerFD = std::bit_cast<float>(0x4F7DFDFEu);
inline constexpr float MarkerFE = std::bit_cast<float>(0x4F7EFEFFu);
inline constexpr float MarkerFF = std::bit_cast<float>(0x4F800000u);
static_assert(MarkerFD == 4261281280.0f && MarkerFE == 4278124288.0f && MarkerFF == 4294967296.0f);
} // namespace ValueMarkers
