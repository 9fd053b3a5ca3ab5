#pragma once
// The catalogue texts of the activations: names (attiva.txt), kinds (tipoatt.txt), the units of
// shown values (umis.txt) and the step texts of an activation's end. A text the catalogue lacks,
// or asked for before the texts are loaded, is the empty text.
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Activation {

// Kinds the library gives by id, whatever tipoatt.txt says.
constexpr std::int32_t KindOfId5 = 3;
constexpr std::int32_t KindOfId0 = 4;
constexpr std::int32_t KindOfListedIds = 5;
constexpr std::uint32_t KindFiveIds[] = {0x1CD, 0x1CF, 0x1D0, 0x1DF};

// The step texts are the activation texts from this id on.
constexpr std::uint32_t FirstStepTextId = 353;

QString ActivationName(std::uint32_t id);
// The kind of the activation: by its id for 5, 0 and the ids of KindFiveIds, else the decimal
// number of its tipoatt.txt text (0 when absent or not a number).
std::int32_t ActivationKind(std::uint32_t id);
// Line `line` of umis.txt, from umis.zip as it stands at this call.
QString UnitLine(std::uint32_t line);
// The texts of steps 0 to count - 1, from attiva.zip as it stands at this call.
std::vector<QString> StepTexts(std::size_t count);

} // namespace Activation
