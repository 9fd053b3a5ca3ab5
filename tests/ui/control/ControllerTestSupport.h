#pragma once
// Scripted window side for the controller's tests: the dialogs answer from queues and every box
// is recorded as one line; the window hooks and the engine's callback targets record what they
// are given.
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "ControllerHooks.h"
#include "LoadingPass.h"
#include "OperatorDialogs.h"
#include "SimulationController.h"
#include "UDStructures.h"

// Every box as "Message: <text>", "Warning: <text>", "Input: <title>|<prompt>|<preset>",
// "Confirm: <question>", "Open: <filter>|<preset>", "Save: <filter>|<extension>".
class ScriptedDialogs final : public OperatorDialogs {
public:
    std::deque<std::optional<std::string>> OpenAnswers, SaveAnswers, InputAnswers;
    std::deque<bool> ConfirmAnswers;
    std::vector<std::string> Boxes;
    // Runs while a message box is open (its text given), as the window's events would meanwhile.
    std::function<void(const std::string&)> OnMessage;

    std::optional<std::string> OpenFile(const FileDialogRequest& r) override {
        Boxes.push_back("Open: " + r.Filter + "|" + r.FileName);
        return Next(OpenAnswers);
    }
    std::optional<std::string> SaveFile(const FileDialogRequest& r) override {
        Boxes.push_back("Save: " + r.Filter + "|" + r.DefaultExtension);
        return Next(SaveAnswers);
    }
    void ShowMessage(const std::string& text) override {
        Boxes.push_back("Message: " + text);
        if (OnMessage) OnMessage(text);
    }
    void Warning(const std::string& text) override { Boxes.push_back("Warning: " + text); }
    std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                        const std::string& preset) override {
        Boxes.push_back("Input: " + title + "|" + prompt + "|" + preset);
        return Next(InputAnswers);
    }
    bool Confirm(const std::string& question) override {
        Boxes.push_back("Confirm: " + question);
        if (ConfirmAnswers.empty()) return false;
        bool answer = ConfirmAnswers.front();
        ConfirmAnswers.pop_front();
        return answer;
    }

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers) {
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> a = answers.front();
        answers.pop_front();
        return a;
    }
};

class RecordingWindow final : public WindowHooks {
public:
    std::vector<std::string> Captions, Messages, Focused;
    std::vector<std::pair<SystemOptions, std::int32_t>> OptionLoads;
    int Pumps = 0;
    std::function<void()> OnPump; // runs inside a pump, as an operator's command would

    void Pump() override {
        ++Pumps;
        if (OnPump) OnPump();
    }
    void SetCaption(const std::string& caption) override { Captions.push_back(caption); }
    void AddMessage(const std::string& line) override { Messages.push_back(line); }
    void Focus(FocusTarget target) override {
        Focused.push_back(target == FocusTarget::TrafficLog ? "TrafficLog" : "RequestTree");
    }
    void OptionsLoaded(const SystemOptions& options, std::int32_t multiAnswerNum) override {
        OptionLoads.emplace_back(options, multiAnswerNum);
    }
};

// Records the engine's callbacks; they may arrive on the engine's thread.
class RecordingEvents final : public EngineEvents {
public:
    void OnThreadStatus(std::int32_t status) override {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
    }
    void AddOriglioItem(const std::string& request, const std::string& answer, int kind,
                        const std::string&) override {
        std::lock_guard lock(mutex_);
        log_.push_back(request + ">" + answer + ":" + std::to_string(kind));
    }
    void AddUnknownRequest(const TBaseItem& item) override {
        std::lock_guard lock(mutex_);
        unknown_.push_back(item.PlainText);
    }
    std::optional<TStringList> GetUnknownAnswer(const std::string&) override { return std::nullopt; }

    std::vector<std::int32_t> Statuses() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    std::vector<std::string> Log() const {
        std::lock_guard lock(mutex_);
        return log_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::int32_t> statuses_;
    std::vector<std::string> log_;
    std::vector<std::string> unknown_;
};

// The registrations as one line each: "R <request> [<answers>] <description> <index> <type> = <result>"
// or "A <name> <request> [<answers>] <description> = <result>".
inline std::string RegistrationLine(const Registration& r) {
    std::string answers;
    for (const std::string& a : r.Answers) answers += (answers.empty() ? "" : ",") + a;
    std::string line = r.Kind == Registration::Call::AddRequest
                           ? "R " + r.Request + " [" + answers + "] " + r.Description + " " +
                                 std::to_string(r.ActivationIndex) + " " + std::to_string(r.Type)
                           : "A " + r.Name + " " + r.Request + " [" + answers + "] " + r.Description;
    return line + (r.Raised ? " raised" : r.Result ? " = 1" : " = 0");
}

// The fixture's registrations in the passes' order, each taken: requests, fault-reading entries
// (column 0, descriptions in lower case), the three fixed exchanges, the activation's steps.
inline std::vector<std::string> FixtureRegistrations() {
    return {
        "R 1a90 [5a90313233,5a90343536,5a90373839] VIN -1 2 = 1",
        "R 2101 [610102] Request 2101 -1 2 = 1",
        "R 2102 [6102aa] Engine speed -1 2 = 1", // MA=y: one answer
        "R 1800ff00 [5800] fault memory -1 1 = 1",
        "R 1802ff00 [5800,5800] fault reading_2 -1 1 = 1",
        "R 81 [c1ef8f] ECU Activation -1 4 = 1",
        "R 82 [c2] End Communication -1 6 = 1",
        "R 3e00 [7e00] Tester present -1 0 = 1",
        "A Fuel pump 3001 [7001] Fuel pump = 1",
        "A Fuel pump 3002 [7002,7003] Pump step = 1", // Repetition_Number2=3
        "A Fuel pump 3002 [7002,7003] Pump step = 1",
        "A Fuel pump 3002 [7002,7003] Pump step = 1",
        "A Fuel pump 3003 [7004] Fuel pump = 1",
    };
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
