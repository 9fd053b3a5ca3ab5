#pragma once
// Activation sections of the simulation file as the activations editor reads and writes them, and
// what the loading pass registered with the engine for each, so that the editor can replace
// exactly that registration.
//
// Section ACTIVATION_<p>: D the name; per step j: R<j>, A<j>_1, A<j>_2, ..., D<j> (description),
// Repetition_Number<j> (written only above 1), INTRAFRAME<j>.
#include "ActivationSteps.h"
#include "IniFile.h"

#include <optional>
#include <string>
#include <vector>

inline constexpr int MaxShownAnswers = 255; // answers of one step the editor reads at most

struct ActivationContent {
    std::string Name; // D, empty when missing
    std::vector<ActivationRow> Rows;
    bool operator==(const ActivationContent&) const = default;
};

// Activation p as the editor shows it: for each step its Repetition_Number rows (default 1, at most
// 20, none below 1), caption INTRAFRAME<j> as text (default "0"), request and answers (A<j>_1 up to
// the first empty one) lower-cased in display form, description D<j> (empty when missing). An odd
// value raises DividePacket's failure.
ActivationContent ReadActivation(const TCustomIniFile& file, int p);

// An activation as the engine holds it: its name and its steps.
struct ActivationRegistration {
    std::string Name;
    std::vector<ActivationStep> Steps;
    bool operator==(const ActivationRegistration&) const = default;
};

// The name the engine knows an activation by: the editor's name, or the section name when it is
// empty (an activation without D is registered by the load under its section name; an empty name
// would make every unnamed activation one).
std::string RegistrationName(const std::string& name, int p);

// What the loading pass registered for activation p (none beyond the activations it reads):
// name D (default the section name), each step that occurs at least once with its answers
// (A<j>_1 always, further ones while present) and description D<j> (default the name).
std::optional<ActivationRegistration> LoadedRegistration(const TCustomIniFile& file, int p);

// Replaces section ACTIVATION_<p> by the name (not written when empty) and the steps; without a
// step the section is erased and nothing is written. Every line is checked before the section is
// erased, so a refused value (a line break) raises and leaves the section as it was.
void WriteActivation(TCustomIniFile& file, int p, const std::string& name, const std::vector<ActivationStep>& steps);
