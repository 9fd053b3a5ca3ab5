#pragma once
// The library's state behind the vehicle and ECU selection exports: the one vehicle database,
// whether the ECU lists of a system were taken from it, the identified vehicle's type, the
// host's ECU, part-number and engine-code choices, and the part numbers and engine codes the
// host was last shown. The maker, fuel and model choices are kept below (VehicleChoices.h),
// where a new driver thread can forget them.
//
// One lock guards it all and is held for the whole of an export. Lock order: this lock, then
// the link's (LinkExports), then the catalogue's (CatalogueState), then the code page's; the
// kept choices' lock is taken last of all. Nothing that holds one of the later locks takes
// this one.
#include "TVehicleDatabase.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

namespace VehicleExports {

struct SelectionState {
    std::unique_ptr<TVehicleDatabase> database;
    // GetEcuList took the database's ECU, part-number and engine-code lists: the later calls
    // read them as the database holds them now. Dropped with the database.
    bool listsTaken = false;
    // The identified vehicle's type (TabIDVet.dat); written only by SetVersion.
    std::int32_t vehicleType = 0;
    std::int32_t keptEcu = 0;
    // Indexes into the database's part-number and engine-code lists.
    std::int32_t keptPartNumber = 0;
    std::int32_t keptEngineCode = 0;
    // Copies of the entries the host was shown, in the order shown; each copy's parent index is
    // the index, in the database's list, of the entry it copies.
    TEcuList shownPartNumbers;
    TEcuList shownEngineCodes;

    // The database and the lists GetEcuList took from it; null before GetEcuList on this
    // database.
    TVehicleDatabase* ListsOwner() const { return listsTaken ? database.get() : nullptr; }
};

std::mutex& SelectionMutex();
// Only with SelectionMutex held.
SelectionState& LockedSelection();

// Runs f(SelectionState&) under the selection's lock.
template <typename F> decltype(auto) WithSelection(F&& f) {
    std::lock_guard lock(SelectionMutex());
    return std::forward<F>(f)(LockedSelection());
}

} // namespace VehicleExports
