#include "FrameAssembler.h"

namespace KrixEmu {

void FrameAssembler::Drop() {
    dropped_ += buffer_.size();
    Reset();
}

void FrameAssembler::Reset() {
    buffer_.clear();
    expected_ = 0;
}

std::optional<HostFrame> FrameAssembler::Push(std::uint8_t byte, std::uint64_t nowMs) {
    if (!buffer_.empty() && nowMs - lastMs_ > FrameGapMs)
        Drop();
    lastMs_ = nowMs;
    if (buffer_.empty() && byte != FrameStart) {
        ++dropped_;
        return std::nullopt;
    }
    buffer_.push_back(byte);
    const std::size_t n = buffer_.size();
    if (n == 2)
        framing_ = byte == DeviceAddress ? Framing::Normal : Framing::Transparent;
    if (framing_ == Framing::Normal && n == 6) {
        expected_ = NormalLength(buffer_);
        if (expected_ < MinNormalFrame || expected_ > MaxFrame)
            Drop();
    } else if (framing_ == Framing::Transparent && n == 3) {
        expected_ = TransparentLength(buffer_);
        if (expected_ < MinTransparentFrame || expected_ > MaxFrame)
            Drop();
    }
    if (expected_ != 0 && buffer_.size() == expected_) {
        HostFrame frame{framing_, std::move(buffer_)};
        Reset();
        return frame;
    }
    return std::nullopt;
}

} // namespace KrixEmu
