// The ECU's activations for the host: the thread's ids with their names and kinds.
#include "ActivationDriver.h"
#include "ActivationExports.h"
#include "ActivationTexts.h"
#include "CallerCopies.h"
#include "CatalogueState.h"
#include "DeviceTables.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ActivationExports {
namespace {

// The host's array is reached byte-wise at the record's offsets: it may lie at any address.
void PutRecord(ActivationRecord* records, std::size_t i, const ActivationRecord& from) {
    unsigned char* to = reinterpret_cast<unsigned char*>(records) + i * sizeof(ActivationRecord);
    const std::int32_t kind = Activation::ActivationKind(from.id);
    std::memcpy(to + offsetof(ActivationRecord, id), &from.id, sizeof from.id);
    std::memcpy(to + offsetof(ActivationRecord, kind), &kind, sizeof kind);
    auto* name = reinterpret_cast<std::uint16_t*>(to + offsetof(ActivationRecord, name));
    copyToUnicode(Activation::ActivationName(from.id), name, std::size(from.name));
}

} // namespace

std::int32_t ActivationsList(ActivationRecord* records, int* count) {
    if (records == nullptr || count == nullptr)
        return ResultWrongState;
    std::array<ActivationRecord, DeviceTables::Activations> list{};
    int n = 0;
    const std::int32_t r =
        Activation::OnDriver(ResultWrongState, [&](TKrixThread& thread, const LinkExports::DriverContext& c) {
            if (c.dllState <= LinkExports::StateThreadOrEcu || Catalogue::TextsLoaded() != Catalogue::TextsReady)
                return ResultWrongState;
            return thread.getActivationList(list.data(), &n);
        });
    if (r != ListOk)
        return r;
    n = std::clamp(n, 0, static_cast<int>(list.size()));
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i)
        PutRecord(records, i, list[i]);
    std::memcpy(count, &n, sizeof n);
    return ListOk;
}

} // namespace ActivationExports
