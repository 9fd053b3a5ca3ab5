#include "EngineWait.h"

bool WaitForStores(const std::function<bool()>& storesReady, const std::function<bool()>& finished,
                   Clock& clock, const std::function<void()>& pump) {
    while (!storesReady()) {
        // Ready is read once more after the end: the thread may have announced them and ended.
        if (finished()) return storesReady();
        clock.SleepMs(StoresPollMs);
        if (pump) pump();
    }
    return true;
}
