#pragma once
// The engine's editing calls as the errors and activations pages make them: each call goes to the
// engine the window has at that moment. After a Reset the window has none until the next load;
// the pages' edits still reach the simulation file then, and the calls refuse quietly (false), as
// every other command does without an engine.
#include "EngineEditing.h"

#include <functional>

class TKRIXCommunicationThread;

class CurrentEngineCalls final : public EngineEditCalls {
public:
    explicit CurrentEngineCalls(std::function<TKRIXCommunicationThread*()> engine) : engine_(std::move(engine)) {}

    bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                    std::int32_t activationIndex, std::uint8_t type) override;
    bool AddActivations(const std::string& name, const std::string& request, const TStringList& answers,
                        const std::string& description) override;
    bool UpdateRequest(const std::string& request, const TStringList* answers,
                       const std::string& description) override;
    bool DeleteActivation(const std::string& name) override;

private:
    std::function<TKRIXCommunicationThread*()> engine_;
};
