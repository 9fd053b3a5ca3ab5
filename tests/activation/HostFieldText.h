#pragma once
// The texts of a host record's fields, up to their terminators, for the in-process tests and
// for those through the built library alike.
#include <cstddef>
#include <cstring>
#include <string>

namespace ActivationFixture {

// A 16-bit text of a host field, up to its terminator.
template <std::size_t N> std::u16string Text(const char16_t (&field)[N]) {
    std::u16string s;
    for (char16_t c : field) {
        if (c == 0)
            return s;
        s.push_back(c);
    }
    return u"(no terminator)";
}

template <std::size_t N> std::string Text(const char (&field)[N]) {
    const std::size_t n = strnlen(field, N);
    return n == N ? "(no terminator)" : std::string(field, n);
}

} // namespace ActivationFixture
