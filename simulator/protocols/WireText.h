#pragma once
// The two things every Rx routine does with received bytes: gather a message from the frames of
// one call, and hand it to the loop as hex text in its receive buffer.
#include <array>
#include <cstdint>

#include "BusUnit.h"

// The bytes of one message being received: a leading byte (length or marker) and up to
// BusMaxMessageBytes message bytes. Appending beyond the limit set for the message drops the
// surplus, so no count announced by a frame can overflow it. Bytes never received read as 0.
class MessageAssembly {
public:
    static constexpr int Capacity = 1 + BusMaxMessageBytes;

    // Appending stops at limit bytes (the leading byte included), at most Capacity.
    void Limit(int limit);
    void Append(const std::uint8_t* bytes, int count);
    void Set(int index, std::uint8_t value) { bytes_[index] = value; }

    const std::uint8_t* Data() const { return bytes_.data(); }
    int Size() const { return size_; }

private:
    std::array<std::uint8_t, Capacity> bytes_{};
    int size_ = 0;
    int limit_ = Capacity;
};

// Writes count bytes as lower-case hex into buffer, terminated, and clears every character after
// the text up to index 2 + 2 * deliveredLength. count is at most MessageAssembly::Capacity and
// deliveredLength at most BusMaxMessageBytes, so everything stays inside BusRxBufferSize.
void WriteWireText(char* buffer, const std::uint8_t* bytes, int count, std::int32_t deliveredLength);
