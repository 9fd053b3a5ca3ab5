#pragma once
// The three vehicle databases and their folders, relative to the working folder.
#include <QString>

#include <cstdint>

enum class VehicleKind : std::uint8_t {
    Car = 0,
    Motorbike = 1,
    Truck = 2,
};

// The folder of a kind given as the host passes it; an empty text for any other value.
QString VehicleFolder(std::uint32_t kind);
