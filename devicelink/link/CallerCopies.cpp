#include "CallerCopies.h"

#include <algorithm>
#include <cstring>

std::size_t copyToUnicode(const QString& text, std::uint16_t* out, std::size_t room) {
    if (out == nullptr || room == 0)
        return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(text.size()), room - 1);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = text.at(static_cast<qsizetype>(i)).unicode();
    out[n] = 0;
    return n;
}

void copyField(char* dst, const char* src, std::size_t n) {
    if (n <= 1) {
        dst[0] = 0;
        return;
    }
    std::memcpy(dst, src, n - 1);
    dst[n - 1] = 0;
}
