#include "EcuNames.h"

#include "DatabaseFields.h"
#include "MessageTexts.h"

namespace EcuNames {
namespace {

constexpr char Quote = '"';
constexpr qsizetype QuoteCount = 2;

} // namespace

bool NamesDatabaseText(const QString& name) {
    return name.startsWith(QStringLiteral("\"\""));
}

std::int32_t DatabaseTextNumber(const QString& name) {
    const QByteArray rest = name.mid(QuoteCount).toLatin1();
    return VehicleFields::StrictNumber(rest.constData(), static_cast<std::size_t>(rest.size()));
}

QString EcuListText(const TEcuEntry& ecu) {
    const QString blank = QStringLiteral(" ");
    if (!NamesDatabaseText(ecu.ecuName))
        return ecu.ecuText1 + blank + ecu.ecuName + blank + ecu.ecuText2 + QStringLiteral(" (") + ecu.ecuText3 +
               QStringLiteral(")");
    return ecu.ecuText1 + blank + Catalogue::DbText(DatabaseTextNumber(ecu.ecuName)) + blank + ecu.ecuText2 + blank +
           ecu.ecuText3 + blank + ecu.partNumber + blank + ecu.engineCode;
}

std::optional<QString> EcuName(const EcuSelectionRecord& record, std::int32_t vehicleType) {
    using R = EcuSelectionRecord;
    const char* field = record.at(R::NameOffset);
    const std::size_t length = VehicleFields::TextLength(field, R::NameWidth);
    if (vehicleType == DatabaseNamedVehicleType) {
        std::size_t i = 0;
        while (i < length && field[i] == Quote)
            ++i;
        const std::int32_t n = VehicleFields::LenientNumber(field + i, length - i);
        if (n < FirstDatabaseName || n > LastDatabaseName)
            return std::nullopt;
        return Catalogue::DbText(n);
    }
    const QString name = VehicleFields::Text(field, R::NameWidth);
    if (NamesDatabaseText(name))
        return Catalogue::DbText(DatabaseTextNumber(name));
    return name;
}

} // namespace EcuNames
