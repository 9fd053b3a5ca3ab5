#pragma once
// The library's record of the selected ECU, in the layout of one ECU record of the vehicle
// database (277 bytes). The device link reads and writes the system number, the letter, the
// byte after it, the SetMux text and the code text; the tester functions fill the rest. The
// code text is the maker code: it chooses the maker's own fault catalogue.
#include <cstddef>
#include <cstdint>

struct EcuSelectionRecord {
    static constexpr std::size_t Size = 277;
    static constexpr std::size_t SystemOffset = 76;
    static constexpr std::size_t SystemWidth = 5; // up to 4 digits and a terminator
    static constexpr std::size_t LetterOffset = 81;
    static constexpr std::size_t LetterWidth = 2; // the letter and a 0
    static constexpr std::size_t SetMuxOffset = 83;
    static constexpr std::size_t SetMuxWidth = 16; // up to 15 characters and a terminator
    static constexpr std::size_t CodeOffset = 106;
    static constexpr std::size_t CodeWidth = 3; // up to 2 characters and a terminator

    char bytes[Size] = {};

    char* system() { return bytes + SystemOffset; }
    const char* system() const { return bytes + SystemOffset; }
    char& letter() { return bytes[LetterOffset]; }
    char letter() const { return bytes[LetterOffset]; }
    char* setMux() { return bytes + SetMuxOffset; }
    const char* setMux() const { return bytes + SetMuxOffset; }
    char* code() { return bytes + CodeOffset; }
    const char* code() const { return bytes + CodeOffset; }
};
static_assert(sizeof(EcuSelectionRecord) == EcuSelectionRecord::Size);
