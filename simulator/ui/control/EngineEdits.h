#pragma once
// The engine's editing calls as the window's editors make them, on the window's thread: the
// engine itself (EngineThreadEdits), or a test's recorder. Each call publishes the edit store at
// once (the engine's own rule), so the answer loop answers with the change from the next request.
#include "StringList.h"

#include <cstdint>
#include <string>

class TKRIXCommunicationThread;

class EngineEdits {
public:
    virtual ~EngineEdits() = default;
    // Request and answers in file form. False: refused without change (an empty request or first
    // answer, or a request whose wire text begins with a stored one). Failures raise.
    virtual bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                            std::int32_t activationIndex, std::uint8_t type) = 0;
    // The stored entry the request matches: given answers replace its answers, a description that
    // is not empty replaces its own. False: no such entry. Failures raise.
    virtual bool UpdateRequest(const std::string& request, const TStringList* answers,
                               const std::string& description) = 0;
    // Whether the edit store holds an entry the request matches (one UpdateRequest would change
    // and AddRequest would refuse for).
    virtual bool HoldsRequest(const std::string& request) = 0;
    // The longest description the engine takes (longer ones raise "Overlong Request description!").
    virtual std::int32_t DescriptionLimit() = 0;
};

class EngineThreadEdits final : public EngineEdits {
public:
    explicit EngineThreadEdits(TKRIXCommunicationThread& engine) : engine_(engine) {}

    bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                    std::int32_t activationIndex, std::uint8_t type) override;
    bool UpdateRequest(const std::string& request, const TStringList* answers,
                       const std::string& description) override;
    bool HoldsRequest(const std::string& request) override;
    std::int32_t DescriptionLimit() override;

private:
    TKRIXCommunicationThread& engine_;
};
