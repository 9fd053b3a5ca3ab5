#pragma once
// An activation as the activations editor shows it, one row per step repetition, and as the
// simulation file and the engine hold it, steps with a repetition count; and the turn from rows
// into steps with every check made before anything is written or registered.
#include "EditorChecks.h"
#include "StringList.h"

#include <cstdint>
#include <string>
#include <vector>

// A step occurs at most this often in a row (what the file's reader counts, SimKeys::MaxRepetitions).
inline constexpr std::int32_t MaxStepRepetitions = 20;

// One row of the request list.
struct ActivationRow {
    std::string IntraFrame;  // the "Intraframe" caption as shown
    std::string Request;     // display form
    TStringList Answers;     // display form, in order
    std::string Description; // D<j> of the step the row was read from; empty: none (new rows)
    bool operator==(const ActivationRow&) const = default;
};

// One step as the file and the engine get it.
struct ActivationStep {
    std::string Request; // file form, lower case
    TStringList Answers; // file form, lower case
    std::int32_t IntraFrame = 0;
    std::int32_t Repetitions = 1; // 1 to MaxStepRepetitions
    std::string Description;      // as the step's first row
    bool operator==(const ActivationStep&) const = default;
};

struct StepPlan {
    std::vector<ActivationStep> Steps;
    TStringList Messages; // to show; the plan holds anyway
};

// "Invalid Intraframe value for [ACTIVATION_<p>] [R<j>]!IntraFrame set to <default>!"
std::string InvalidIntraFrameMessage(int p, int j, std::int32_t intraFrameDefault);

// An intra-frame caption as an integer: decimal with an optional sign, or hexadecimal after "$",
// "0x" or "0X"; blanks around it are ignored. False for anything else.
bool ParseIntraFrame(const std::string& caption, std::int32_t& value);

// The rows of activation p as steps. A row with its next rows forms one step while they have the
// same request, the same answers entry by entry (compared in file form) and the same intra-frame
// value, up to MaxStepRepetitions rows; a longer run goes on as the next step, so no row is lost.
// A caption that is not an integer adds InvalidIntraFrameMessage, the default is used and the
// row's caption becomes the default, so that the row shows what is stored. Empty answers are no
// answers and are not planned (a row keeps them: an empty answer row is where the next is typed).
// A row without a request is no step in the same way: it is not planned, gets no caption message,
// and the steps before and after it are numbered on without a gap (and form one run when they are
// alike); rows that are all without a request plan no step at all.
// A request or answer with an odd number of digits raises Exception OddRequestMessage or
// OddAnswerMessage before anything is planned; the rows are then unchanged.
StepPlan PlanSteps(std::vector<ActivationRow>& rows, int p, std::int32_t intraFrameDefault);

// Every step repeated as often as it occurs: the registrations the engine gets, in order.
std::vector<const ActivationStep*> Registrations(const std::vector<ActivationStep>& steps);
