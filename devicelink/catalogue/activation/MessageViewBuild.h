#pragma once
// The pieces of the host's activation view: the live record's fields, the test whether anything
// the host sees has changed, the rebuilt texts, values and keys, and the digit entry. Each works
// on an aligned copy of the host's record (ActivationView in CallerRecords.h), cut to its fields.
#include "ActivationMemory.h"
#include "CallerRecords.h"
#include "KrixRecords.h"

#include <cstdint>
#include <optional>

namespace Activation {

// View kinds and input modes of the device's description.
enum ViewKind : std::uint8_t { ViewMessages = 0, ViewInLines = 1, ViewValueA = 2, ViewThreeValues = 3,
                               ViewValuesCA = 4, ViewValuesAB = 5 };
enum InputMode : std::uint8_t { NoEntry = 0, EntryPrepared = 2, EntrySending = 3 };

constexpr std::uint8_t HexadecimalEntry = 16;
constexpr std::uint8_t FlaggedEntry = 55;
constexpr std::uint32_t AllDigitsSent = 254;
constexpr std::int8_t SentDigit = static_cast<std::int8_t>(0xFE);
constexpr std::uint8_t ValuesInLines = 2; // valueLayout of view kind 1
constexpr std::int32_t EntryKeyCode = 9;  // key 4 while a digit entry is prepared
constexpr std::size_t LineIndent = 25;    // blanks before lines 1 to 3 in view kind 1
constexpr const char* ValueNotShown = "----";

// Offsets 0 to 59 from the live record: every field but messageType and the reserved bytes.
void PutState(ActivationView& v, const ActivationState& s);
// Whether the host would see anything new: a message id, a value its view kind shows, or the
// digit a digit entry asks for.
bool ViewChanged(const ActivationView& v, const ViewMemory& m);
// Rebuilds the view's lines, keys, values, unit and state flags, and remembers what it shows.
void RebuildView(ActivationView& v, ViewMemory& m);
// A value for the device: a digit the host entered, handed after a pause that lets the driver
// thread reach its next step, or 254 once every digit went.
struct DigitSend {
    std::uint32_t value;
    bool afterPause;
};
constexpr std::uint32_t DigitPauseMs = 10;

// Prepares, flags, sends or ends the digit entry by the input mode; what to hand the device.
// Only the digits that the view's 7 places hold are ever sent.
std::optional<DigitSend> DigitEntry(ActivationView& v, ViewMemory& m);

} // namespace Activation
