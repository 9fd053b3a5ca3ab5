#pragma once
// The ECUs the host was last shown by ScanEcuList, in the order shown; SetScanEcuSelect picks
// from them by index. Empty at load.
//
// Its lock comes first of all the library's locks: the selection's, the link's and the
// catalogue's are taken after it, never the other way round.
#include "KrixRecords.h"

#include <mutex>
#include <utility>
#include <vector>

namespace ScanState {

std::mutex& ScanMutex();
// Only with ScanMutex held.
std::vector<ScanEntry>& LockedShown();

template <typename F> decltype(auto) WithShown(F&& f) {
    std::lock_guard lock(ScanMutex());
    return std::forward<F>(f)(LockedShown());
}

} // namespace ScanState
