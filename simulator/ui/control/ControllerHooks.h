#pragma once
// What the simulation controller asks of the window besides its dialogs (OperatorDialogs.h):
// drawing hooks called on the window's thread, and the targets of the engine's four callbacks.
#include "StringList.h"
#include "SystemSettings.h"

#include <cstdint>
#include <optional>
#include <string>

class TBaseItem;

enum class FocusTarget {
    TrafficLog,  // reOriglio
    RequestTree, // twPSI, when the "&PSI" page is the one shown
};

class WindowHooks {
public:
    virtual ~WindowHooks() = default;
    // Lets the window process its pending messages once. The controller refuses the commands
    // that would free the engine or the simulation file while a load is in progress (Busy()).
    virtual void Pump() = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // A line at the end of the message list (mMessages).
    virtual void AddMessage(const std::string& line) = 0;
    virtual void Focus(FocusTarget target) = 0;
    // The options load: the option controls take these values, the unknown-request list gets
    // multiAnswerNum answer columns and the errors grid multiAnswerNum answer rows.
    virtual void OptionsLoaded(const SystemOptions& options, std::int32_t multiAnswerNum) = 0;
};

// The window's side of the engine's callbacks. Each may be called on the engine's thread; the
// window passes what it must draw to its own thread. They are installed in this order:
// AddOriglioItem, AddUnknownRequest, OnThreadStatus, GetUnknownAnswer.
class EngineEvents {
public:
    virtual ~EngineEvents() = default;
    virtual void OnThreadStatus(std::int32_t status) = 0;
    virtual void AddOriglioItem(const std::string& request, const std::string& answer, int kind,
                                const std::string& info) = 0;
    virtual void AddUnknownRequest(const TBaseItem& item) = 0;
    // The answers listed for a request, or nullopt when it is not listed.
    virtual std::optional<TStringList> GetUnknownAnswer(const std::string& request) = 0;
};
