#include "VehicleKind.h"

QString VehicleFolder(std::uint32_t kind) {
    switch (kind) {
    case static_cast<std::uint32_t>(VehicleKind::Car):
        return QStringLiteral("veicoli/auto/db_autod");
    case static_cast<std::uint32_t>(VehicleKind::Motorbike):
        return QStringLiteral("veicoli/moto/db_autod_moto");
    case static_cast<std::uint32_t>(VehicleKind::Truck):
        return QStringLiteral("veicoli/camion/db_autod_truck");
    default:
        return {};
    }
}
