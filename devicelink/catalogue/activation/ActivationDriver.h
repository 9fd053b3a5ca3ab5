#pragma once
// The activation exports' way to the driver thread: one step at a time under the library's lock
// (LinkExports::WithDriver), so the thread can be neither deleted nor replaced while the step
// uses it. Without a driver thread the step does not run and the export's failure value stands.
#include "LinkExports.h"
#include "TKrixThread.h"

#include <type_traits>
#include <utility>

namespace Activation {

// f(TKrixThread&), or f(TKrixThread&, const DriverContext&) for a step that also reads the
// library's state, on the driver thread's object; noThread when there is none.
template <typename R, typename F> R OnDriver(R noThread, F&& f) {
    R result = noThread;
    LinkExports::WithDriver([&](const LinkExports::DriverContext& c) {
        if (c.thread == nullptr)
            return;
        if constexpr (std::is_invocable_v<F&, TKrixThread&, const LinkExports::DriverContext&>)
            result = f(*c.thread, c);
        else
            result = f(*c.thread);
    });
    return result;
}

// The host ends the activation: the thread's stop request, and the ECU link state forgotten.
inline void StopOnThread(TKrixThread& thread) {
    thread.stopActivation();
    thread.clearEcuState();
}

} // namespace Activation
