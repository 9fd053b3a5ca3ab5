// Starting and stopping an activation, handing it a value, the device's own request for one,
// and the host's poll of its state.
#include "ActivationDriver.h"
#include "ActivationExports.h"
#include "ActivationMemory.h"

namespace ActivationExports {

std::int32_t StartStopActivation(std::uint32_t activationId, std::uint8_t start) {
    return Activation::WithActivation([&](Activation::ActivationMemory& m) {
        return Activation::OnDriver(0, [&](TKrixThread& thread) {
            if (start == 0) {
                Activation::StopOnThread(thread);
                return 1;
            }
            // Every start forgets what the view showed and keeps the id it was given, as the
            // host expects of it: the next view is drawn whole, the running activation's too.
            m.view.Reset();
            m.activationId = activationId;
            // A running activation goes on: the thread refuses a second one, and the host is
            // told so.
            return thread.startActivation() != 0 ? 0 : 1;
        });
    });
}

std::int32_t ValueActivation(std::uint32_t value) {
    return Activation::OnDriver(0, [&](TKrixThread& thread) { return thread.setActivationValue(value); });
}

std::uint8_t KrixActivationRequest() {
    return Activation::OnDriver<std::uint8_t>(0, [](TKrixThread& thread) -> std::uint8_t {
        if (!thread.takeActivationRequest())
            return 0;
        thread.clearEcuState();
        return ActivationAsked;
    });
}

std::int32_t ChangeData() {
    return Activation::OnDriver(ChangeLinkFailed, [](TKrixThread& thread) {
        if (thread.getInitError() < 0) {
            thread.stopActivation();
            return ChangeLinkFailed;
        }
        ActivationState state;
        return thread.getActivationState(&state) != 0 ? ChangeRunning : ChangeEnded;
    });
}

} // namespace ActivationExports
