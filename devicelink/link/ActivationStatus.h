#pragma once
// The device's activation status record: the answer to request row 6, read in step state 51, and
// how its bytes become the live ActivationState of the driver thread.
//
// Answer (35 bytes; bytes 0-3 and 6-8 are 5B 01 20 00 and 62 00 01):
//   11-12 stateWord (big-endian)   13 digit count   14 viewKind   15 inputMode   16 messageType
//   17, 21, 25, 29  message byte i (high nibble: slot, low nibble: source)
//   18-20, 22-24, 26-28, 30-32  messageId i (24 bits, big-endian)
// Bytes 11, 12, 15 and 16 all 0xFF: the device holds no record.
//
// The device sends its records in two forms. The older form (messageType 9 or below) says by its
// messageType alone how the messages are shown; the newer one carries slots, view kind and
// input mode of its own. Both are normalised into the same fields here.
#include "KrixRecords.h"

#include <cstddef>
#include <cstdint>

namespace ActivationStatus {

constexpr std::size_t AnswerSize = 35;
constexpr std::size_t StateWordOffset = 11;
constexpr std::size_t DigitCountOffset = 13;
constexpr std::size_t ViewKindOffset = 14;
constexpr std::size_t InputModeOffset = 15;
constexpr std::size_t MessageTypeOffset = 16;
constexpr std::size_t FirstMessageOffset = 17; // message byte, then the 24-bit id
constexpr std::size_t MessageStride = 4;
constexpr std::uint8_t NoRecord = 0xFF;
constexpr int Messages = 4;

// Step states: the read runs in StepRead and leaves one of the others (or StepRead when
// nothing was read).
constexpr std::int32_t StepRead = 51;
constexpr std::int32_t StepPlainMessage = 52;
constexpr std::int32_t StepListsReadAgain = 53;
constexpr std::int32_t StepShowsValues = 54;
constexpr std::int32_t StepWaitsForValue = 55;
constexpr std::int32_t StepStateWord3 = 56;

// stateWord values with a step of their own.
constexpr std::uint32_t StateWordThree = 3;
constexpr std::uint32_t StateWordListsChanged = 4; // the identifier lists are read again

// Normalisation figures.
constexpr std::uint8_t DefaultEntryType = 16;
constexpr std::uint8_t DefaultDecimals = 3;
constexpr std::uint8_t LastOlderForm = 9; // messageType up to this: the older record form
constexpr std::uint8_t MaxNewerSlot = 5;
constexpr std::uint8_t InputMode18 = 18, InputMode34 = 34, InputMode50 = 50;
constexpr std::uint8_t EntryType10 = 10, EntryType55 = 55;
constexpr std::uint8_t InputModeEnter = 2; // a value is entered digit by digit
constexpr std::uint8_t InputModeChoose = 3;
constexpr std::uint8_t DigitLimit = 8;            // digit counts from here on become 1 ...
constexpr std::uint8_t DigitLimitEntryType55 = 32; // ... or from here on with entry type 55
constexpr std::uint8_t DecimalsFromViewBelow = 3;  // a view kind's high nibble below this sets decimals

// True when bytes 11, 12, 15 and 16 of the answer are all 0xFF.
bool HoldsNoRecord(const std::uint8_t* answer);

// Fills the fields the read sets from an answer of AnswerSize bytes (stateWord, viewKind,
// inputMode, messageType, entryType, decimals, source, slot, messageId, digitCount) and
// normalises them; unitOrFormat, value, digitIndex and valueA to valueC are left as they are.
void ApplyRecord(const std::uint8_t* answer, ActivationState& live);

// Copies the fields that ApplyRecord sets from a record made on a copy into the live one; the
// fields the read does not own (value, digitIndex, unitOrFormat, the three values) stay as the
// live record has them.
void TakeRecord(const ActivationState& from, ActivationState& live);

// The step after a record other than stateWord 4 (which reads the identifier lists first):
// 56, 54, 55 or 52.
std::int32_t StepAfter(const ActivationState& live);

} // namespace ActivationStatus
