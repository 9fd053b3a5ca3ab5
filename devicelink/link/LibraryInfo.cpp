// The shared library's own translation unit: the link code comes in whole from krix_link, and the
// exported link functions join it here as they are built.
#include "TPortRegistry.h"

namespace {
// The registry exists from the moment the library is loaded until it is unloaded.
[[maybe_unused]] TPortRegistry& registryAtLoad = TPortRegistry::instance();
} // namespace
