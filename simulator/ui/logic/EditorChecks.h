#pragma once
// What the errors page and the activations editor check before they write the simulation file
// or ask the engine, with the engine's own texts, so that a refusal reads as the engine's would.
#include "StringList.h"

#include <string>

inline constexpr const char* OddRequestMessage = "Invalid request value! Odd number of digits!";
inline constexpr const char* OddAnswerMessage = "Invalid answer value! Odd number of digits!";

// The digits of a hex text, in either form, make whole bytes (an empty text does).
bool WholeBytes(const std::string& text);

// The answers a row of the unknown-request list holds: up to the first empty one.
TStringList AnswersUpToFirstEmpty(const TStringList& answers);

// The display form of a hex value, lower case, when its digits make whole bytes; otherwise the
// text as it is, for the editors' checks to refuse.
std::string DisplayFormOf(const std::string& text);
