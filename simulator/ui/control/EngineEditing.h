#pragma once
// The engine's editing calls as the errors page and the activations editor make them, behind one
// interface, so that the editors work on the engine of a loaded simulation or on anything else
// with the same calls (its request store, or a test's). The calls and their results are the
// engine's (StoreOperations.h); failures are its exceptions, passed on unchanged.
#include "StringList.h"

#include <cstdint>
#include <functional>
#include <string>

// How the editors raise a message box: the window shows the text and returns when it is closed.
using MessageFunction = std::function<void(const std::string&)>;

class EngineEditCalls {
public:
    virtual ~EngineEditCalls() = default;
    virtual bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                            std::int32_t activationIndex, std::uint8_t type) = 0;
    virtual bool AddActivations(const std::string& name, const std::string& request, const TStringList& answers,
                                const std::string& description) = 0;
    // answers nullptr: the stored answers stay.
    virtual bool UpdateRequest(const std::string& request, const TStringList* answers,
                               const std::string& description) = 0;
    virtual bool DeleteActivation(const std::string& name) = 0;
};

// The calls made on the engine (TKRIXCommunicationThread) or its store (TRequestStore).
template <typename Target> class EngineEditCallsOf final : public EngineEditCalls {
public:
    explicit EngineEditCallsOf(Target& target) : target_(target) {}

    bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                    std::int32_t activationIndex, std::uint8_t type) override {
        return target_.AddRequest(request, answers, description, activationIndex, type);
    }
    bool AddActivations(const std::string& name, const std::string& request, const TStringList& answers,
                        const std::string& description) override {
        return target_.AddActivations(name, request, answers, description);
    }
    bool UpdateRequest(const std::string& request, const TStringList* answers,
                       const std::string& description) override {
        return target_.UpdateRequest(request, answers, description);
    }
    bool DeleteActivation(const std::string& name) override { return target_.DeleteActivation(name); }

private:
    Target& target_;
};
