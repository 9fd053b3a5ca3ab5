#pragma once
// The names of ECUs as the host sees them. An ECU record's name field holds either the name
// itself or two double quotes followed by the number of a db.txt text (for example ""12).
#include "EcuSelection.h"
#include "VehicleEntries.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace EcuNames {

// Whether the name stands for a db.txt text: it begins with two double quotes.
bool NamesDatabaseText(const QString& name);
// The number after the two quotes, read strictly (blanks around the digits allowed; anything
// else gives 0).
std::int32_t DatabaseTextNumber(const QString& name);

// An ECU's line in the ECU list: text 1, name, text 2 and "(text 3)" for a name of its own;
// with a db.txt name, text 1, that text, texts 2 and 3, the part number and the engine code.
// Every text as the record holds it, blanks included.
QString EcuListText(const TEcuEntry& ecu);

// Vehicle type 7 names its ECUs by db.txt text whatever the field looks like.
constexpr std::int32_t DatabaseNamedVehicleType = 7;
constexpr std::int32_t FirstDatabaseName = 1;
constexpr std::int32_t LastDatabaseName = 100;

// The name of the ECU of a record. With vehicle type 7 the double quotes at the start of the
// field are skipped and the number after them read leniently; a number from 1 to 100 gives
// that db.txt text, any other none. With another type: the db.txt text of a quoted name, else
// the field itself.
std::optional<QString> EcuName(const EcuSelectionRecord& record, std::int32_t vehicleType);

} // namespace EcuNames
