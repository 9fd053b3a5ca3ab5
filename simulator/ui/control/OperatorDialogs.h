#pragma once
// Every message box, question, input box and file dialog of the simulation's load, save and
// close. The window implements it with its toolkit; tests script it. All calls come on the
// window's thread and return when the operator has answered.
#include <optional>
#include <string>

struct FileDialogRequest {
    std::string Filter;           // "INI files (*.ini)|*.ini": description and pattern pairs
    std::string DefaultExtension; // added to a name typed without one; empty: none
    std::string FileName;         // the preset file name
};

class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    // The open dialog: the chosen file and its folder must exist; no read-only box. The full
    // name of the chosen file, or nullopt on Cancel.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    // The save dialog: asks before overwriting a file and before creating one; the folder must
    // exist. The full name chosen, or nullopt on Cancel.
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    // A message box with an OK button (failures).
    virtual void ShowMessage(const std::string& text) = 0;
    // A warning box with an OK button.
    virtual void Warning(const std::string& text) = 0;
    // An input box with a title, a prompt and a preset answer; nullopt on Cancel.
    virtual std::optional<std::string> InputBox(const std::string& title, const std::string& prompt,
                                                const std::string& preset) = 0;
    // A confirmation box with Yes and No buttons; true on Yes.
    virtual bool Confirm(const std::string& question) = 0;
};
