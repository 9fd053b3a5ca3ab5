#include "WireText.h"

#include <algorithm>
#include <cstring>

void MessageAssembly::Limit(int limit) { limit_ = std::clamp(limit, 0, Capacity); }

void MessageAssembly::Append(const std::uint8_t* bytes, int count) {
    int room = limit_ - size_;
    int n = std::min(count, room);
    if (n <= 0) return;
    std::memcpy(bytes_.data() + size_, bytes, n);
    size_ += n;
}

void WriteWireText(char* buffer, const std::uint8_t* bytes, int count, std::int32_t deliveredLength) {
    static constexpr char digits[] = "0123456789abcdef";
    count = std::clamp(count, 0, MessageAssembly::Capacity);
    deliveredLength = std::clamp<std::int32_t>(deliveredLength, 0, BusMaxMessageBytes);
    char* out = buffer;
    for (int i = 0; i < count; ++i) {
        *out++ = digits[bytes[i] >> 4];
        *out++ = digits[bytes[i] & 0x0F];
    }
    const int end = 2 + 2 * deliveredLength; // the loop's own terminator goes here
    const int written = 2 * count;
    std::memset(out, 0, (written < end ? end - written : 0) + 1);
}
