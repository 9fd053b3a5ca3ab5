#pragma once
// The exports' copies into memory that the caller owns, each bounded by the room the caller
// gives: a text as zero-terminated 16-bit characters, and a fixed-width record field as a
// terminated 8-bit field. The 16-bit units are written byte-wise: the caller's buffer may lie at
// any address.
#include <QString>

#include <cstddef>
#include <cstdint>

// Writes the text's 16-bit units into out and a terminating 0, at most room units in all (a
// longer text is cut). room 0 or out missing: nothing is written. Returns the units written
// before the terminator.
std::size_t copyToUnicode(const QString& text, std::uint16_t* out, std::size_t room);
std::size_t copyToUnicode(const QString& text, char16_t* out, std::size_t room);

// A text field of a caller record, cut to the field.
template <std::size_t N> std::size_t copyToUnicode(const QString& text, char16_t (&field)[N]) {
    return copyToUnicode(text, static_cast<char16_t*>(field), N);
}

// Copies exactly n - 1 bytes of the fixed-width field src (terminators included) and sets
// dst[n - 1] := 0; with n of 0 or 1 only dst[0] := 0.
void copyField(char* dst, const char* src, std::size_t n);
