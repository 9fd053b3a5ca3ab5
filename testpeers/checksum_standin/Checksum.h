#pragma once
// libChecksum.so of our own: the checksum routines that the frame codec binds by name,
// "CheckSumComposer_<n>" with n the ChsFunction of the request frame structure.
//
// Every routine has the codec's calling convention: count = number of hex characters to cover,
// text = the frame text built so far from the checksum start on. Each pair of hex digits is one
// byte; an odd trailing digit is ignored; a character that is not a hex digit counts as 0. The
// routines only read the text and return the value in the low bits of a 32-bit result (the codec
// cuts it to the field's width).
//
//   CheckSumComposer_1  8-bit additive sum of the bytes (K-line KWP2000 style), 0 to 255
//   CheckSumComposer_2  XOR of the bytes, 0 to 255
//
// The frame-structure table also names routines 0, 3 and 4. They are deliberately absent: a
// simulation that selects them finds no routine, and the engine goes on without a checksum.
#include <cstdint>

#define CHECKSUM_EXPORT extern "C" __attribute__((visibility("default")))

CHECKSUM_EXPORT std::int32_t CheckSumComposer_1(std::int32_t count, const char* text);
CHECKSUM_EXPORT std::int32_t CheckSumComposer_2(std::int32_t count, const char* text);

using CheckSumComposerFn = std::int32_t (*)(std::int32_t count, const char* text);
