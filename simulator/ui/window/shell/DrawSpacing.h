#pragma once
// What the engine's thread queues for the window is drawn a moment after it comes, but while it
// keeps coming no more often than every DrawSpacingMs: at the bus's pace, each exchange drawn on
// its own would repaint the window hundreds of times a second and take the window's thread.
#include <cstdint>
#include <optional>

inline constexpr std::uint32_t DrawSpacingMs = 20;

class DrawSpacing {
public:
    // The wait before drawing what was queued now: `soonest` after a pause, else what is left of
    // the spacing since the last drawing.
    std::uint32_t DelayMs(std::uint64_t nowMs, std::uint32_t soonestMs) const {
        if (!last_ || nowMs < *last_ || nowMs - *last_ >= DrawSpacingMs) return soonestMs;
        const auto left = static_cast<std::uint32_t>(DrawSpacingMs - (nowMs - *last_));
        return left > soonestMs ? left : soonestMs;
    }
    void Drawn(std::uint64_t nowMs) { last_ = nowMs; }

private:
    std::optional<std::uint64_t> last_;
};
