// The host's view of the running activation, rebuilt from the live record whenever something it
// shows has changed.
#include "ActivationDriver.h"
#include "ActivationExports.h"
#include "ActivationMemory.h"
#include "Clock.h"
#include "MessageViewBuild.h"

#include <cstring>

namespace ActivationExports {
namespace {

enum class Read { NoThread, LinkFailed, Ended, Copied };

// The host's record is copied in and out whole or by its leading fields: it may lie at any
// address.
constexpr std::size_t StateBytes = offsetof(ActivationView, text);

} // namespace

std::int32_t MessageView(ActivationView* hostView) {
    if (hostView == nullptr)
        return ViewLinkFailed;
    return Activation::WithActivation([&](Activation::ActivationMemory& m) {
        ActivationState state;
        const Read read = Activation::OnDriver(Read::NoThread, [&](TKrixThread& thread) {
            if (thread.getInitError() < 0) {
                thread.stopActivation();
                return Read::LinkFailed;
            }
            return thread.getActivationState(&state) != 0 ? Read::Copied : Read::Ended;
        });
        switch (read) {
        case Read::NoThread: return ViewLinkFailed;
        case Read::Ended: return ViewEnded;
        case Read::LinkFailed: {
            unsigned char* entryFlag = reinterpret_cast<unsigned char*>(hostView) + offsetof(ActivationView, entryFlag);
            if (*entryFlag != 0)
                *entryFlag = 0;
            return ViewLinkFailed;
        }
        case Read::Copied: break;
        }

        ActivationView v;
        std::memcpy(&v, hostView, sizeof v);
        Activation::PutState(v, state);
        if (!Activation::ViewChanged(v, m.view)) {
            std::memcpy(hostView, &v, StateBytes);
            return ViewUpToDate;
        }
        Activation::RebuildView(v, m.view);
        const std::optional<Activation::DigitSend> send = Activation::DigitEntry(v, m.view);
        if (send) {
            if (send->afterPause)
                CurrentClock().SleepMs(Activation::DigitPauseMs);
            Activation::OnDriver(0, [&](TKrixThread& thread) { return thread.setActivationValue(send->value); });
        }
        std::memcpy(hostView, &v, sizeof v);
        return ViewUpToDate;
    });
}

} // namespace ActivationExports
