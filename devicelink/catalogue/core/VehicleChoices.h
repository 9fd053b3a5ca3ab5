#pragma once
// The host's last accepted maker, fuel and model indexes of the vehicle selection. They outlive
// the vehicle database (a new maker list keeps them, so the next list re-chooses the maker on
// the new database), and a new driver thread forgets them: the link resets them without
// knowing the database, which is why they live here, below both.
//
// A lock of their own, taken last: nothing else is taken while it is held.
#include <cstdint>

namespace Catalogue {

struct VehicleChoices {
    static constexpr std::int32_t None = -1;

    std::int32_t maker = 0;
    std::int32_t fuel = 0;
    std::int32_t model = 0;

    bool operator==(const VehicleChoices&) const = default;
};

VehicleChoices KeptVehicleChoices();
void KeepVehicleChoices(const VehicleChoices& choices);
// maker, fuel and model := None (a new driver thread).
void ForgetVehicleChoices();

} // namespace Catalogue
