#pragma once
// The arithmetic of automatic fault-code scanning, as pure functions: where the fault entries lie
// in an answer, how one fault code moves on in each increment mode, the advance of every entry of
// an answer, and the text the ZULM unit receives for the current code.
//
// An answer holds its fault entries from the error code offset on, one every bytes-per-error
// bytes. The first three bytes of an entry are the 16-bit code (high byte first) and a status
// byte, which stands at position 2 - status byte position within the three:
//   status byte position 0: code code status; 1: code status code; 2: status code code.
//
// Settings and answers that would divide by zero, loop for ever or read outside the answer are
// refused: the functions return the refusal's text instead of a result, for the caller to show.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace FaultScan {

// The items of the increment-mode choice; None: no item selected, the codes stay as they are.
enum class IncrementMode { None = -1, Standard = 0, Sae = 1, SaeNoAlpha = 2, NoAlpha = 3 };
// The mode of a choice's item index; an index outside the list selects none.
IncrementMode IncrementModeOf(int itemIndex);

struct FaultLayout {
    int ErrorCodeOffset = 2; // byte position of the first entry
    int StatusBytePos = 0;   // 0, 1 or 2
    int BytesPerError = 3;   // at least the three bytes of an entry
    bool operator==(const FaultLayout&) const = default;
};

inline constexpr int EntryBytes = 3;
inline constexpr int MaxStatusBytePos = 2;
inline constexpr std::uint32_t CodeModulus = 0x10000;
// The "no alpha" modes give up after this many further changes without reaching a code free of
// letters (a step that is a multiple of the code range never reaches one).
inline constexpr int MaxLetterSkips = 0x10000;

inline constexpr const char* BytesPerErrorRefusal = "Bytes per error must be at least 3!";
inline constexpr const char* StatusBytePosRefusal = "Status byte position must be 0, 1 or 2!";
inline constexpr const char* ErrorCodeOffsetRefusal = "Error code offset must not be negative!";

struct FaultEntry {
    std::uint16_t Code = 0;
    std::uint8_t Status = 0;
    bool operator==(const FaultEntry&) const = default;
};
using EntryBytesArray = std::array<std::uint8_t, EntryBytes>;

// The three bytes of an entry as code and status, and back. A status byte position outside 0 to 2
// raises Exception with StatusBytePosRefusal.
FaultEntry SplitEntry(const EntryBytesArray& bytes, int statusBytePos);
EntryBytesArray JoinEntry(const FaultEntry& entry, int statusBytePos);

// One "SAE" change of a code: + d inside the counting ranges 0000-1FFF, 3400-3FFF, 5000-7FFF,
// 9000-AFFF and D000-EFFF; otherwise the jump of its range (2000-33FF + 1400, 4000-4FFF + 1000,
// 8000-8FFF + 1000, B000-CFFF + 2000, F000 and above - F000), so that the start of a jump range
// lands on the start of the next counting range. Not reduced to 16 bits.
std::uint64_t SaeChange(std::uint64_t code, std::uint64_t d);
// The code written as lower-case hex digits (at least four) has a letter after its first digit.
bool HasLetterAfterFirstDigit(std::uint64_t code);
// The code moved on by d in the mode, reduced to 16 bits. The two "no alpha" modes repeat their
// change while a digit after the first is a letter (the test is made before the reduction);
// nullopt when no such code is reached within MaxLetterSkips further changes.
std::optional<std::uint16_t> AdvanceCode(std::uint16_t code, IncrementMode mode, std::uint64_t d);

// A result, or the text of its refusal.
struct ScanOutcome {
    std::string Value;
    std::string Refusal;
    bool Ok() const { return Refusal.empty(); }
    bool operator==(const ScanOutcome&) const = default;
};

// The refusal of a layout, or empty when every entry lies inside its own bytes.
std::string LayoutRefusal(const FaultLayout& layout);
// The entries of an answer of that many bytes: (bytes - offset) / bytes per error, none when the
// answer ends before the offset. The layout must have passed LayoutRefusal.
std::size_t EntryCount(std::size_t answerBytes, const FaultLayout& layout);

// Every entry of the answer (file form: hex digits, no blanks) advanced by the number of entries,
// status bytes unchanged; the answer comes back as lower-case hex digits. Refused: the layout, an
// answer that is not whole hex bytes, a "no alpha" code that never loses its letters.
ScanOutcome AdvanceAnswer(const std::string& answer, const FaultLayout& layout, IncrementMode mode);

// The text the ZULM unit receives for the code at the error code offset of the answer (file
// form): "[b0 b1 b2 cs" with the three bytes there and their sum modulo 256, each as two
// lower-case hex digits; 12 characters, no closing bracket, no line end. Refused: an answer that
// is not whole hex bytes or ends before the three bytes.
ScanOutcome ZulmCodeText(const std::string& answer, int errorCodeOffset);

} // namespace FaultScan
