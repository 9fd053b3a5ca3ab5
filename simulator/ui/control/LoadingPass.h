#pragma once
// The loading pass: builds the window's views of a simulation file and registers every request
// entry, fault-reading entry, fixed exchange and activation step with the engine, in this order.
// It runs after the engine has created its empty stores and while its thread waits.
#include "IniFile.h"
#include "SimulationView.h"
#include "StringList.h"

#include <cstdint>
#include <functional>
#include <string>

// The engine's registering calls, as the loading pass makes them.
class SimulationRegistrar {
public:
    virtual ~SimulationRegistrar() = default;
    virtual bool AddRequest(const std::string& request, const TStringList& answers,
                            const std::string& description, std::int32_t activationIndex,
                            std::uint8_t type) = 0;
    virtual bool AddActivations(const std::string& name, const std::string& request,
                                const TStringList& answers, const std::string& description) = 0;
};

// One registering call as the engine saw it.
struct Registration {
    enum class Call { AddRequest, AddActivations };
    Call Kind = Call::AddRequest;
    std::string Name; // the activation's name (AddActivations)
    std::string Request;
    TStringList Answers;
    std::string Description;
    std::int32_t ActivationIndex = -1; // AddRequest
    std::uint8_t Type = 0;             // AddRequest
    bool Result = false;
    bool Raised = false; // the call raised; the failure went on to the loading pass
};
using RegistrationObserver = std::function<void(const Registration&)>;

// The calls made on anything with the engine's AddRequest and AddActivations (the engine, or its
// request store), each shown to the observer with its result when one is given.
template <typename Target> class RegistrarOf final : public SimulationRegistrar {
public:
    RegistrarOf(Target& target, RegistrationObserver observer) : target_(target), observer_(std::move(observer)) {}

    bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                    std::int32_t activationIndex, std::uint8_t type) override {
        Registration r{Registration::Call::AddRequest, {}, request, answers, description, activationIndex, type};
        return Observed(r, [&] { return target_.AddRequest(request, answers, description, activationIndex, type); });
    }
    bool AddActivations(const std::string& name, const std::string& request, const TStringList& answers,
                        const std::string& description) override {
        Registration r{Registration::Call::AddActivations, name, request, answers, description};
        return Observed(r, [&] { return target_.AddActivations(name, request, answers, description); });
    }

private:
    template <typename Call> bool Observed(Registration& r, Call call) {
        try {
            r.Result = call();
        } catch (...) {
            r.Raised = true;
            if (observer_) observer_(r);
            throw;
        }
        if (observer_) observer_(r);
        return r.Result;
    }

    Target& target_;
    RegistrationObserver observer_;
};

// What the pass needs of the window: its pending messages processed once, and a message box.
class LoadingHost {
public:
    virtual ~LoadingHost() = default;
    virtual void Pump() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
};

inline constexpr const char* LoadingFailurePrefix = "LoadData function error:\n";
inline constexpr const char* LoadingFailureSuffix = "\nCheck ini file format and reload data!";
inline constexpr const char* EcuActivationGuard = "Cannot insert ECU Activation! ";
inline constexpr const char* EndCommunicationGuard = "Cannot insert ECU Stop Communication! ";
inline constexpr const char* TesterPresentGuard = "Cannot insert Tester Present! ";

// Replaces the tree, the error tabs and the activation selector of view and sets the column
// choice of every fault-reading entry it meets to "No errors". Requests and answers are taken in
// lower case. A failure outside the fixed exchanges' guards ends the pass with the box
// "LoadData function error:\n" + message + "\nCheck ini file format and reload data!"; what was
// registered and built before stays. Returns true when the pass ran to its end.
bool LoadData(const TCustomIniFile& file, SimulationRegistrar& engine, LoadingHost& host,
              SimulationView& view);
