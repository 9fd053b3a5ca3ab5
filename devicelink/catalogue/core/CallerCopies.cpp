#include "CallerCopies.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t CopyUnits(const QString& text, unsigned char* out, std::size_t room) {
    if (out == nullptr || room == 0)
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(text.size()), room - 1);
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t unit = text.at(static_cast<qsizetype>(i)).unicode();
        std::memcpy(out + i * sizeof unit, &unit, sizeof unit);
    }
    const char16_t zero = 0;
    std::memcpy(out + n * sizeof zero, &zero, sizeof zero);
    return n;
}

} // namespace

std::size_t copyToUnicode(const QString& text, std::uint16_t* out, std::size_t room) {
    return CopyUnits(text, reinterpret_cast<unsigned char*>(out), room);
}

std::size_t copyToUnicode(const QString& text, char16_t* out, std::size_t room) {
    return CopyUnits(text, reinterpret_cast<unsigned char*>(out), room);
}

void copyField(char* dst, const char* src, std::size_t n) {
    if (n <= 1) {
        dst[0] = 0;
        return;
    }
    std::memcpy(dst, src, n - 1);
    dst[n - 1] = 0;
}
