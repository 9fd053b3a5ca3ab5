#pragma once
// Reading the fields of a database record: texts of 8-bit characters taken as Latin-1, and the
// two ways its decimal numbers are read. A field is read within its width only; a NUL ends it.
#include <QString>

#include <cstddef>
#include <cstdint>

namespace VehicleFields {

// The characters up to the first NUL or up to the width, whichever comes first; blanks are
// part of the text.
QString Text(const char* field, std::size_t width);

// The same characters as raw bytes, for comparing keys without a conversion.
std::size_t TextLength(const char* field, std::size_t width);

// Leading blanks skipped, an optional sign, then decimal digits up to the first non-digit; no
// digits read as 0. Links and the version record's numbers are read so.
std::int32_t LenientNumber(const char* field, std::size_t width);

// Only decimal digits, with blanks allowed before and after them; anything else, no digits at
// all, or a number beyond int32 reads as 0.
std::int32_t StrictNumber(const char* field, std::size_t width);

} // namespace VehicleFields
