#pragma once
// Gathers the host's bytes into frames as the device sees them: bytes before a 0x5B are noise,
// byte 1 tells the framing (0x20, the device's address, starts a normal-mode frame; anything
// else is the high byte of a transparent-mode length), a length outside the frame limits drops
// the header, and a gap of more than 200 ms inside a frame drops what was gathered.
#include "EmulatorFrames.h"

#include <cstdint>
#include <optional>

namespace KrixEmu {

enum class Framing { Normal, Transparent };

struct HostFrame {
    Framing framing = Framing::Normal;
    Bytes bytes;
};

class FrameAssembler {
public:
    // One byte that arrived at nowMs; a frame when this byte completes one.
    std::optional<HostFrame> Push(std::uint8_t byte, std::uint64_t nowMs);
    void Reset();
    // No frame begun.
    bool Idle() const { return buffer_.empty(); }
    // Bytes thrown away: noise, refused headers, frames cut by a gap.
    std::size_t Dropped() const { return dropped_; }

private:
    void Drop();

    Bytes buffer_;
    Framing framing_ = Framing::Normal;
    std::size_t expected_ = 0;
    std::uint64_t lastMs_ = 0;
    std::size_t dropped_ = 0;
};

} // namespace KrixEmu
