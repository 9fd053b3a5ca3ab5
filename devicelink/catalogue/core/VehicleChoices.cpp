#include "VehicleChoices.h"

#include <mutex>

namespace Catalogue {
namespace {

struct Kept {
    std::mutex mutex;
    VehicleChoices choices;
};

Kept& kept() {
    static Kept k;
    return k;
}

} // namespace

VehicleChoices KeptVehicleChoices() {
    std::lock_guard lock(kept().mutex);
    return kept().choices;
}

void KeepVehicleChoices(const VehicleChoices& choices) {
    std::lock_guard lock(kept().mutex);
    kept().choices = choices;
}

void ForgetVehicleChoices() {
    KeepVehicleChoices({VehicleChoices::None, VehicleChoices::None, VehicleChoices::None});
}

} // namespace Catalogue
