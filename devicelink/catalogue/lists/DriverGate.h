#pragma once
// The gates of the tester exports and their one way to the driver thread: the call runs under
// the library's lock (LinkExports::WithDriver), so the thread can be neither deleted nor
// replaced while it is used; without a thread, or in a state the gate refuses, it does not run
// at all and the export answers its refusal.
#include "CatalogueState.h"
#include "LinkExports.h"
#include "TKrixThread.h"

namespace DriverGate {

enum class Needs {
    Thread,        // a driver thread, in any state
    LinkReady,     // DllState above 20: the link initialised
    LinkAndTexts,  // and the catalogues loaded
};

inline bool Allows(Needs needs, const LinkExports::DriverContext& driver) {
    if (driver.thread == nullptr)
        return false;
    if (needs == Needs::Thread)
        return true;
    if (driver.dllState <= LinkExports::StateThreadOrEcu)
        return false;
    // The catalogue's lock comes after the link's.
    return needs != Needs::LinkAndTexts || Catalogue::TextsLoaded() == Catalogue::TextsReady;
}

// call(TKrixThread&, const DriverContext&) when the gate allows it, else refused. call must not
// wait for long nor call a function of LinkExports.h: every link function waits for the lock.
template <typename Result, typename Call> Result Run(Needs needs, Result refused, Call&& call) {
    Result result = refused;
    LinkExports::WithDriver([&](const LinkExports::DriverContext& driver) {
        if (Allows(needs, driver))
            result = call(*driver.thread, driver);
    });
    return result;
}

} // namespace DriverGate
