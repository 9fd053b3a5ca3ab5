#include "ScanState.h"

namespace ScanState {

std::mutex& ScanMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<ScanEntry>& LockedShown() {
    static std::vector<ScanEntry> shown;
    return shown;
}

} // namespace ScanState
