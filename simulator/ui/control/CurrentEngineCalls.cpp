#include "CurrentEngineCalls.h"

#include "KRIXCommunicationThread.h"

bool CurrentEngineCalls::AddRequest(const std::string& request, const TStringList& answers,
                                    const std::string& description, std::int32_t activationIndex,
                                    std::uint8_t type) {
    TKRIXCommunicationThread* engine = engine_();
    return engine != nullptr && engine->AddRequest(request, answers, description, activationIndex, type);
}

bool CurrentEngineCalls::AddActivations(const std::string& name, const std::string& request,
                                        const TStringList& answers, const std::string& description) {
    TKRIXCommunicationThread* engine = engine_();
    return engine != nullptr && engine->AddActivations(name, request, answers, description);
}

bool CurrentEngineCalls::UpdateRequest(const std::string& request, const TStringList* answers,
                                       const std::string& description) {
    TKRIXCommunicationThread* engine = engine_();
    return engine != nullptr && engine->UpdateRequest(request, answers, description);
}

bool CurrentEngineCalls::DeleteActivation(const std::string& name) {
    TKRIXCommunicationThread* engine = engine_();
    return engine != nullptr && engine->DeleteActivation(name);
}
