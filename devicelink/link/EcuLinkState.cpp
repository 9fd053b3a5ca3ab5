#include "EcuLinkState.h"

#include "ActivationStatus.h"
#include "TKrixThread.h"

#include <algorithm>
#include <vector>

namespace EcuLink {

std::uint8_t StateFromAnswer(const std::uint8_t* answer, std::int32_t programNumber) {
    if ((answer[ReadyByteOffset] & ReadyBit) == 0)
        return NotReady;
    const std::uint8_t request = answer[RequestByteOffset];
    if (request == RequestNone)
        return Ready;
    if (request == RequestActivation && programNumber >= FirstProgramAskingActivation)
        return AsksActivation;
    return NotReady;
}

} // namespace EcuLink

void TKrixThread::queryLinkState() {
    if (device_.sendLinkStateQuery() != RECEIVE_OK)
        return; // the state the last answer gave stands
    const std::vector<std::uint8_t> answer = device_.lastReceived();
    if (answer.size() < EcuLink::AnswerSize)
        return;
    ecuLinkState_.store(EcuLink::StateFromAnswer(answer.data(), programNumber_.load()));
}

bool TKrixThread::readInitInfo(ActivationState* out) {
    using namespace ActivationStatus;
    queryLinkState();
    if (ecuLinkState_.load() != EcuLink::Ready)
        return false;
    std::int32_t state = StepRead;
    stepState_.store(state);
    activationStatusStep(&state, NoParam);
    stepState_.store(state);
    if (state != StepPlainMessage)
        return false;
    withTables([&](DeviceTables& t) {
        const ActivationState& live = t.liveActivation;
        std::copy(std::begin(live.messageId), std::end(live.messageId), out->messageId);
        std::copy(std::begin(live.source), std::end(live.source), out->source);
        std::copy(std::begin(live.slot), std::end(live.slot), out->slot);
    });
    return true;
}
