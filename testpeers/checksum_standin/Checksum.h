#pragma once
// libChecksum.so of our own: the checksum routines that the frame codec binds by name,
// "CheckSumComposer_<n>" with n the ChsFunction of the request frame structure. Every routine
// number the built-in frame-structure table names is here (0 to 4); each is a checksum common in
// vehicle diagnostics.
//
// The call. count = the number of hex characters to cover; text = the frame text built so far,
// from the checksum start (ChsStart bytes into the frame) on: every field that precedes the CHS
// field in the layout (format byte, addresses, length, service identification and data), as
// lower-case hex. Each pair of hex digits is one byte; an odd trailing digit is ignored; a
// character that is not a hex digit counts as 0; a terminator before count characters ends the
// text there. The routines only read the text. The result is in the low bits of a 32-bit value;
// the codec cuts it to the field's width (ChsBytes; width 0 writes the whole value).
//
//   n  routine                            result over the bytes b[0] .. b[k-1]
//   0  negated 8-bit sum (two's           (0x100 - (b[0] + ... + b[k-1])) mod 256: all bytes
//      complement)                        and the checksum add up to 0 modulo 256
//   1  8-bit sum (KWP2000 K-line)          (b[0] + ... + b[k-1]) mod 256
//   2  XOR                                 b[0] ^ ... ^ b[k-1]
//   3  CRC-8 SAE J1850                     polynomial 0x1D, initial value 0xFF, final XOR 0xFF,
//                                          bits not reflected ("123456789" gives 0x4B)
//   4  CRC-8H2F (AUTOSAR)                  polynomial 0x2F, initial value 0xFF, final XOR 0xFF,
//                                          bits not reflected ("123456789" gives 0xDF)
//
// A site that needs other algorithms puts its own libChecksum.so beside the program in place of
// this one: the engine only looks up "CheckSumComposer_<n>" (extern "C", the signature below).
// A simulation whose frame structure names a routine the library lacks still loads, but the
// engine binds no routine then, and every request or answer whose layout has a CHS field is
// refused when it is registered ("No checksum routine bound for the CHS field!"): nothing is
// sent with a wrong or missing checksum.
#include <cstdint>

#define CHECKSUM_EXPORT extern "C" __attribute__((visibility("default")))

CHECKSUM_EXPORT std::int32_t CheckSumComposer_0(std::int32_t count, const char* text);
CHECKSUM_EXPORT std::int32_t CheckSumComposer_1(std::int32_t count, const char* text);
CHECKSUM_EXPORT std::int32_t CheckSumComposer_2(std::int32_t count, const char* text);
CHECKSUM_EXPORT std::int32_t CheckSumComposer_3(std::int32_t count, const char* text);
CHECKSUM_EXPORT std::int32_t CheckSumComposer_4(std::int32_t count, const char* text);

using CheckSumComposerFn = std::int32_t (*)(std::int32_t count, const char* text);
