#include "ActivationTexts.h"

#include "CatalogueState.h"
#include "TFixedWidthTables.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

namespace Activation {
namespace {

// A catalogue code: ids beyond a table's code range name nothing in it.
std::optional<int> Code(std::uint32_t id) {
    if (id > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    return static_cast<int>(id);
}

QString TextOf(TTextTable* table, std::uint32_t id) {
    const std::optional<int> code = Code(id);
    return table != nullptr && code ? table->GetText(*code) : QString();
}

// The stored catalogue file of the language as it stands at this call (the loaded tables stay
// as InitText left them); none before a language is known.
std::shared_ptr<TTextTable> Units(Catalogue::State& s) {
    if (s.textFolder.isEmpty())
        return nullptr;
    return s.tables.files.Lines(s.textFolder + QStringLiteral("umis.zip"));
}

std::shared_ptr<TItemTextTable> Steps(Catalogue::State& s) {
    if (s.textFolder.isEmpty())
        return nullptr;
    return s.tables.files.Items(s.textFolder + QStringLiteral("attiva.zip"));
}

} // namespace

QString ActivationName(std::uint32_t id) {
    return Catalogue::WithState([&](Catalogue::State& s) { return TextOf(s.tables.activationTexts.get(), id); });
}

std::int32_t ActivationKind(std::uint32_t id) {
    if (id == 5)
        return KindOfId5;
    if (id == 0)
        return KindOfId0;
    if (std::find(std::begin(KindFiveIds), std::end(KindFiveIds), id) != std::end(KindFiveIds))
        return KindOfListedIds;
    const QString text =
        Catalogue::WithState([&](Catalogue::State& s) { return TextOf(s.tables.activationKinds.get(), id); });
    bool ok = false;
    const int kind = text.trimmed().toInt(&ok, 10);
    return ok ? kind : 0;
}

QString UnitLine(std::uint32_t line) {
    return Catalogue::WithState([&](Catalogue::State& s) { return TextOf(Units(s).get(), line); });
}

std::vector<QString> StepTexts(std::size_t count) {
    return Catalogue::WithState([&](Catalogue::State& s) {
        const std::shared_ptr<TItemTextTable> texts = Steps(s);
        std::vector<QString> steps;
        steps.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            steps.push_back(TextOf(texts.get(), FirstStepTextId + static_cast<std::uint32_t>(i)));
        return steps;
    });
}

} // namespace Activation
