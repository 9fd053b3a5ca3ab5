#pragma once
// The load's wait for the engine's empty stores. The engine's thread may end without ever
// announcing them (creating the stores failed; it has reported why), so the wait also watches
// for the thread's end and never hangs.
#include "Clock.h"

#include <cstdint>
#include <functional>

inline constexpr std::uint32_t StoresPollMs = 100;

// Until storesReady(): sleep 100 ms on the clock, then pump (storesReady is tested before the
// first sleep). Returns true once the stores are ready, false as soon as finished() reports the
// thread ended without them.
bool WaitForStores(const std::function<bool()>& storesReady, const std::function<bool()>& finished,
                   Clock& clock, const std::function<void()>& pump);
