#include "SelectionState.h"

namespace VehicleExports {

std::mutex& SelectionMutex() {
    static std::mutex m;
    return m;
}

SelectionState& LockedSelection() {
    static SelectionState s;
    return s;
}

} // namespace VehicleExports
