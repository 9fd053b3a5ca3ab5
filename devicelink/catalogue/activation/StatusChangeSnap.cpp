// The step follower: it watches the activation's steps, answers a digit entry by itself and
// reports the activation's end with its step texts.
#include "ActivationDigits.h"
#include "ActivationDriver.h"
#include "ActivationExports.h"
#include "ActivationMemory.h"
#include "ActivationTexts.h"
#include "ActivationValues.h"
#include "CallerCopies.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace ActivationExports {
namespace {

constexpr std::uint32_t DigitEntryMessage = 0x70;
constexpr std::uint32_t StopMessage = 0x7A;

struct Step {
    std::int32_t result = SnapStopped;
    bool ended = false;
    float endValueA = 0.0f; // the live record's valueA when the end was reported
};

// The number of step texts the end names, within the host's record.
std::size_t StepCount(float valueA) {
    return static_cast<std::size_t>(
        std::clamp<std::int64_t>(Activation::TruncatedClamped(valueA), 0, static_cast<std::int64_t>(SnapSteps)));
}

// The host's record is reached byte-wise at its offsets: it may lie at any address.
void PutStepTexts(void* snapRecord, float valueA) {
    unsigned char* record = static_cast<unsigned char*>(snapRecord);
    const std::vector<QString> texts = Activation::StepTexts(StepCount(valueA));
    const std::int32_t count = static_cast<std::int32_t>(texts.size());
    std::memcpy(record + SnapRecordLayout::CountOffset, &count, sizeof count);
    for (std::size_t i = 0; i < texts.size(); ++i)
        copyToUnicode(texts[i],
                      reinterpret_cast<std::uint16_t*>(record + SnapRecordLayout::FirstStepOffset +
                                                       SnapRecordLayout::StepBytes * i),
                      SnapRecordLayout::StepBytes / sizeof(char16_t));
}

// One look at the live record; answers a digit entry and stops at message 0x7A.
std::int32_t FollowStep(TKrixThread& thread, Activation::ViewMemory& memory, const ActivationState& state,
                        std::int32_t step) {
    const auto messageId = static_cast<std::int32_t>(state.messageId[0]);
    if (messageId == memory.lastStepMessageId && state.digitIndex == memory.lastStepDigitIndex)
        return SnapRunning;
    memory.lastStepMessageId = messageId;
    memory.lastStepDigitIndex = state.digitIndex;
    if (state.messageId[0] == DigitEntryMessage && state.digitIndex < state.digitCount) {
        memory.stepValue = Activation::EntryDigit(step, state.digitCount, state.digitIndex);
        thread.setActivationValue(static_cast<std::uint32_t>(memory.stepValue));
        memory.lastDigitIndex = state.digitIndex;
        return SnapRunning;
    }
    if (state.messageId[0] == StopMessage) {
        Activation::StopOnThread(thread);
        return SnapStopped;
    }
    return SnapRunning;
}

} // namespace

std::int32_t StatusChangeSnap(void* snapRecord, std::int32_t step) {
    return Activation::WithActivation([&](Activation::ActivationMemory& m) {
        const Step s = Activation::OnDriver(Step{}, [&](TKrixThread& thread) {
            // Whatever made the lists fail (the thread's init error) ends the following.
            if (thread.getInitError() != 0) {
                Activation::StopOnThread(thread);
                return Step{SnapStopped};
            }
            ActivationState state;
            if (thread.getActivationState(&state) == 0) {
                // The end hands out no record: the count of step texts comes from the record the
                // device last reported.
                const float valueA = thread.withTables([](DeviceTables& t) { return t.liveActivation.valueA; });
                return Step{SnapEnded, true, valueA};
            }
            return Step{FollowStep(thread, m.view, state, step)};
        });
        if (s.ended && snapRecord != nullptr)
            PutStepTexts(snapRecord, s.endValueA);
        return s.result;
    });
}

} // namespace ActivationExports
