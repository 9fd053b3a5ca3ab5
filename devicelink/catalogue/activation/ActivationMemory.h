#pragma once
// What the activation exports remember between calls, for the whole process: the view last
// shown to the host (its message ids, its values, the digit it last asked for) and the step
// follower's last step. A start of an activation resets it; nothing else clears it.
//
// One lock guards it and is held for the whole of an activation export that uses it. Lock
// order: this lock, then the link's (LinkExports), then the catalogue's (CatalogueState), then
// the code page's. Nothing that holds one of the later locks takes this one.
#include <cstdint>
#include <mutex>
#include <utility>

namespace Activation {

struct ViewMemory {
    // What a start puts in, chosen so that the first view of an activation is built as soon as
    // the device names a message, shows a value or asks for a digit.
    static constexpr double NoValueShown = -10000000.0;
    static constexpr std::int32_t NoDigitShown = 0xFFFF;
    static constexpr std::int32_t NoStep = -1;

    // Every item 0, as at load.
    std::uint32_t lastIds[4] = {};
    double lastValueA = 0.0;
    double lastValueB = 0.0;
    double lastValueC = 0.0;
    std::int32_t lastDigitIndex = 0;
    std::int32_t lastStepMessageId = 0;
    std::int32_t lastStepDigitIndex = 0;
    std::int32_t stepValue = 0;

    // The values of a start.
    void Reset();
};

struct ActivationMemory {
    ViewMemory view;
    // The id of the activation the host started last. The thread's activation steps that would
    // send it to the device do not run in this system; it is kept for them.
    std::uint32_t activationId = 0;
};

std::mutex& ActivationMutex();
// Only with ActivationMutex held.
ActivationMemory& LockedActivation();

// Runs f(ActivationMemory&) under the activation lock.
template <typename F> decltype(auto) WithActivation(F&& f) {
    std::lock_guard lock(ActivationMutex());
    return std::forward<F>(f)(LockedActivation());
}

} // namespace Activation
