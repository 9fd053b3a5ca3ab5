#pragma once
// Automatic fault-code scanning, one step at a time, as a state machine that reads the errors
// page through an abstract model and says what to do instead of doing it: the page carries out
// the actions (cells, radio buttons, the engine, the ZULM port, message boxes) in the order given.
//
// States: Off (scanning not switched on), Waiting (on; each timer tick checks the fault-reading
// counter), Stepping (a step's actions have been handed out and the page has not yet said it is
// done with them). A tick in Stepping does nothing, so a tick that arrives while a step's message
// box is open never starts a second step.
//
// A step works on the error request of the selected tab and its column choice c:
// - c = 0 ("No errors"): apply the current column.
// - Normal mode: advance the codes of column c's first answer, apply, send the first code.
// - Alternative mode: the alternation flag is inverted; now false: send the first code of column
//   c's first answer and select column 2 (c = 1) or 1 (otherwise); now true: select the scan
//   column, advance its codes and apply, without sending.
// - any other mode: apply the current column.
// An empty first answer gives "Error Code Empty, err_no = <column>"; a refused setting or answer
// gives its refusal text. A refused step changes nothing else (the counter has been reset and the
// flag inverted before) and turns scanning off before its box: the same refusal would otherwise
// come back every step (every second one in Alternative mode) while nothing is sent. No step
// applies or selects a column whose first answer is empty: the engine keeps the column it has
// (the page never hands it an empty one), so the tester's fault readings stay answered and the
// step meeting the empty column is the one refused. A column whose answers the page would not
// apply (a lower row holding half a byte) is refused the same way, before anything is sent. Switching on in Alternative mode refuses an
// empty column the scan column alternates with. Everything a step will send is checked before
// the step changes anything, and a send is always the step's last action, so a failed write
// leaves the page, the grid and the engine agreeing.
#include "FaultCodeScan.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int AnswerColumnCount = 5; // "No errors" to "Manual errors"
inline constexpr int NoErrorsColumnIndex = 0;
inline constexpr int OneErrorColumn = 1;
inline constexpr int TwoErrorsColumn = 2;
inline constexpr int ManualErrorsColumn = 4;
inline constexpr int NormalScanning = 0;      // item of the scanning-mode choice
inline constexpr int AlternativeScanning = 1;
inline constexpr int ScanTimerMs = 1000;
inline constexpr const char* ErrorCodeEmptyPrefix = "Error Code Empty, err_no = ";
inline constexpr std::array<const char*, AnswerColumnCount> AnswerColumnHeaders = {
    "No errors", "One error", "Two errors", "Three errors", "Manual errors"};

// The column Alternative mode shows while it sends a code of column c: "Two errors" for "One
// error", else "One error".
int AlternateColumn(int column);
// The refusal of Alternative mode onto a column whose first answer is empty.
std::string EmptyAlternateRefusal(int column);

// The options of the "Error Scanning Options" group.
struct ScanSettings {
    int ScanningMode = NormalScanning; // item index; -1 none
    int IncrementMode = 0;             // item index of the increment-mode choice; -1 none
    std::int32_t RequestsBetweenSteps = 2;
    FaultScan::FaultLayout Layout;
    bool operator==(const ScanSettings&) const = default;
};

// What the scanning reads of the errors page.
class ErrorsPageModel {
public:
    virtual ~ErrorsPageModel() = default;
    // Row 1 of an answer column (0 to 4) of the selected error request, as the grid holds it.
    virtual std::string FirstAnswer(int column) const = 0;
    // Why applying the column's answers as the grid holds them would be refused (for example a
    // lower row holding half a byte); empty when the engine would take them.
    virtual std::string AnswersRefusal(int column) const = 0;
    // The column choice of the selected error request; -1 when no error request is selected.
    virtual int SelectedColumnChoice() const = 0;
    // Fault-reading exchanges logged since the counter was last reset.
    virtual std::int32_t FaultReadingCount() const = 0;
    virtual ScanSettings Settings() const = 0;
};

struct ScanAction {
    enum class Kind {
        ResetCounter,       // the fault-reading counter to 0
        SetFirstAnswer,     // row 1 of Column = Text (display form)
        SelectColumn,       // select Column's radio button; it applies when the selection changes
        ApplyCurrentColumn, // the current column to the engine
        Send,               // write Text to the ZULM port as it stands
        ShowMessage,        // a message box with Text
        StopScanning,       // untick "Auto Scanning", close the port, stop the timer
    };
    Kind What = Kind::ShowMessage;
    int Column = -1;
    std::string Text;
    bool operator==(const ScanAction&) const = default;
};
using ScanActions = std::vector<ScanAction>;

class FaultScanDriver {
public:
    enum class State { Off, Waiting, Stepping };

    State CurrentState() const { return state_; }
    bool Alternation() const { return alternation_; }
    int ScanColumn() const { return scanColumn_; }

    // "Auto Scanning" ticked, with the column choice of the scanning request (outside 0 to 4:
    // 0). Settings whose layout is refused, and Alternative mode onto an empty column, give the
    // refusal as a message and the driver stays Off; otherwise it waits, and the page opens the
    // ZULM port and starts the timer (a port that fails to open: SwitchOff).
    ScanActions SwitchOn(int scanColumn, const ErrorsPageModel& page);
    // "Auto Scanning" unticked, or the ZULM port changed.
    void SwitchOff() { state_ = State::Off; }
    // A timer tick. While Waiting, a counter above the requests between steps resets the counter
    // and makes a step; the driver is then Stepping until StepDone.
    ScanActions Tick(const ErrorsPageModel& page);
    // The page has carried out the actions of the last tick (its message boxes closed).
    void StepDone();
    // Writing to the ZULM port failed with this message: scanning goes off, and the page stops
    // it and shows the message.
    ScanActions WriteFailed(const std::string& message);
    // Applying a column of the step was refused after all (the engine raised): as a refused step.
    ScanActions ApplyFailed(const std::string& message) { return Refuse(message); }

private:
    ScanActions Step(const ErrorsPageModel& page, const ScanSettings& settings);
    // Advances the codes of the column's first answer; sends the new first code when asked.
    ScanActions Advance(const ErrorsPageModel& page, const ScanSettings& settings, int column, bool send);
    // A refused step, or a failed write: scanning goes off, then the text is shown.
    ScanActions Refuse(std::string text);

    State state_ = State::Off;
    bool alternation_ = false; // lives as long as the driver, across switching off and on
    int scanColumn_ = NoErrorsColumnIndex;
};
