#pragma once
// What the window makes of each status the engine reports: the lines for the message list and
// the states of the three buttons "Go! (F9)", "Stop (ESC)" and "Reset". Plain data, so the table
// is read the same by the window and its tests.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* StartRefusedMessage = "Error starting system!";
inline constexpr const char* StopRefusedMessage = "Error on stop system!";
inline constexpr const char* KrixPortTitle = "KRIX Options";
inline constexpr const char* KrixPortPrompt = "Insert KRIX COM Port";
inline constexpr const char* KrixPortReloadWarning = "You must reload data from ini file to use this port!";

// A button's state after a status: enabled, disabled, or as it was.
enum class ButtonChange : std::uint8_t { Keep, Enable, Disable };

struct StatusReport {
    std::vector<std::string> Lines; // each one line of the message list
    ButtonChange Start = ButtonChange::Keep;
    ButtonChange Stop = ButtonChange::Keep;
    ButtonChange Reset = ButtonChange::Keep;
    bool operator==(const StatusReport&) const = default;
};

// Only the low byte of the reported status counts.
std::uint8_t StatusCode(std::int32_t status);

// Whether the report of a status carries the engine's error text (initialisation, start and stop
// failures): the window reads it when the status is reported, before a later one replaces it.
bool StatusNeedsErrorText(std::uint8_t code);

// The report of a status; nothing for a code the engine does not report (which adds no line and
// changes no button).
std::optional<StatusReport> ReportOfStatus(std::uint8_t code, const std::string& errorText);

// A button after a change.
inline bool Applied(ButtonChange change, bool enabled) {
    return change == ButtonChange::Keep ? enabled : change == ButtonChange::Enable;
}
