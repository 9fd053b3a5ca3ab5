#include "ActivationMemory.h"

#include <algorithm>

namespace Activation {

void ViewMemory::Reset() {
    std::fill(std::begin(lastIds), std::end(lastIds), 0u);
    lastValueA = lastValueB = lastValueC = NoValueShown;
    lastDigitIndex = NoDigitShown;
    lastStepMessageId = NoStep;
    lastStepDigitIndex = NoStep;
    stepValue = 0;
}

std::mutex& ActivationMutex() {
    static std::mutex m;
    return m;
}

ActivationMemory& LockedActivation() {
    static ActivationMemory memory;
    return memory;
}

} // namespace Activation
