#include "FaultCodeScan.h"

#include "Exception.h"

#include <cstdio>
#include <vector>

namespace FaultScan {

namespace {

struct CodeRange {
    std::uint64_t First;
    std::uint64_t Last;
};

constexpr CodeRange SaeCountingRanges[] = {
    {0x0000, 0x1FFF}, {0x3400, 0x3FFF}, {0x5000, 0x7FFF}, {0x9000, 0xAFFF}, {0xD000, 0xEFFF},
};

struct SaeJump {
    CodeRange Range;
    std::uint64_t Add;
};
constexpr SaeJump SaeJumps[] = {
    {{0x2000, 0x33FF}, 0x1400}, {{0x4000, 0x4FFF}, 0x1000}, {{0x8000, 0x8FFF}, 0x1000}, {{0xB000, 0xCFFF}, 0x2000},
};
constexpr std::uint64_t SaeWrapFrom = 0xF000;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of an answer in file form, or nullopt when it is not whole hex bytes.
std::optional<std::vector<std::uint8_t>> BytesOf(const std::string& answer) {
    if (answer.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes(answer.size() / 2);
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const int high = HexValue(answer[2 * k]);
        const int low = HexValue(answer[2 * k + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[k] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return bytes;
}

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(Digits[b >> 4]);
        text.push_back(Digits[b & 0x0F]);
    }
    return text;
}

std::string NotHexRefusal(const std::string& answer) {
    return "Cannot scan the answer " + answer + ": it is not whole hex bytes!";
}

std::string NoAlphaRefusal(std::uint16_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", code);
    return std::string("No fault code without letters follows ") + text + "!";
}

std::uint64_t OneChange(std::uint64_t code, IncrementMode mode, std::uint64_t d) {
    return mode == IncrementMode::Sae || mode == IncrementMode::SaeNoAlpha ? SaeChange(code, d) : code + d;
}

} // namespace

IncrementMode IncrementModeOf(int itemIndex) {
    switch (itemIndex) {
    case 0: return IncrementMode::Standard;
    case 1: return IncrementMode::Sae;
    case 2: return IncrementMode::SaeNoAlpha;
    case 3: return IncrementMode::NoAlpha;
    default: return IncrementMode::None;
    }
}

FaultEntry SplitEntry(const EntryBytesArray& bytes, int statusBytePos) {
    switch (statusBytePos) {
    case 0: return {static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]), bytes[2]};
    case 1: return {static_cast<std::uint16_t>(bytes[0] << 8 | bytes[2]), bytes[1]};
    case 2: return {static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]), bytes[0]};
    default: throw Exception(StatusBytePosRefusal);
    }
}

EntryBytesArray JoinEntry(const FaultEntry& entry, int statusBytePos) {
    const auto high = static_cast<std::uint8_t>(entry.Code >> 8);
    const auto low = static_cast<std::uint8_t>(entry.Code & 0xFF);
    switch (statusBytePos) {
    case 0: return {high, low, entry.Status};
    case 1: return {high, entry.Status, low};
    case 2: return {entry.Status, high, low};
    default: throw Exception(StatusBytePosRefusal);
    }
}

std::uint64_t SaeChange(std::uint64_t code, std::uint64_t d) {
    for (const CodeRange& r : SaeCountingRanges)
        if (code >= r.First && code <= r.Last) return code + d;
    for (const SaeJump& j : SaeJumps)
        if (code >= j.Range.First && code <= j.Range.Last) return code + j.Add;
    return code - SaeWrapFrom; // F000 and above: nothing else is left
}

bool HasLetterAfterFirstDigit(std::uint64_t code) {
    char text[24];
    std::snprintf(text, sizeof text, "%04llx", static_cast<unsigned long long>(code));
    for (const char* c = text + 1; *c != '\0'; ++c)
        if (*c >= 'a' && *c <= 'f') return true;
    return false;
}

std::optional<std::uint16_t> AdvanceCode(std::uint16_t code, IncrementMode mode, std::uint64_t d) {
    if (mode == IncrementMode::None) return code;
    std::uint64_t value = OneChange(code, mode, d);
    if (mode == IncrementMode::SaeNoAlpha || mode == IncrementMode::NoAlpha) {
        int skips = 0;
        while (HasLetterAfterFirstDigit(value)) {
            if (++skips > MaxLetterSkips) return std::nullopt;
            value = OneChange(value, mode, d);
        }
    }
    return static_cast<std::uint16_t>(value % CodeModulus);
}

std::string LayoutRefusal(const FaultLayout& layout) {
    if (layout.BytesPerError < EntryBytes) return BytesPerErrorRefusal;
    if (layout.StatusBytePos < 0 || layout.StatusBytePos > MaxStatusBytePos) return StatusBytePosRefusal;
    if (layout.ErrorCodeOffset < 0) return ErrorCodeOffsetRefusal;
    return {};
}

std::size_t EntryCount(std::size_t answerBytes, const FaultLayout& layout) {
    const auto offset = static_cast<std::size_t>(layout.ErrorCodeOffset);
    if (answerBytes <= offset) return 0;
    return (answerBytes - offset) / static_cast<std::size_t>(layout.BytesPerError);
}

ScanOutcome AdvanceAnswer(const std::string& answer, const FaultLayout& layout, IncrementMode mode) {
    if (std::string refusal = LayoutRefusal(layout); !refusal.empty()) return {{}, refusal};
    std::optional<std::vector<std::uint8_t>> bytes = BytesOf(answer);
    if (!bytes) return {{}, NotHexRefusal(answer)};

    const std::size_t count = EntryCount(bytes->size(), layout);
    for (std::size_t i = 0; i < count; ++i) {
        // Inside the answer: offset + (count - 1) * bpe + 2 < offset + count * bpe <= size.
        const std::size_t at = static_cast<std::size_t>(layout.ErrorCodeOffset) + i * layout.BytesPerError;
        std::uint8_t* p = bytes->data() + at;
        const FaultEntry entry = SplitEntry({p[0], p[1], p[2]}, layout.StatusBytePos);
        const std::optional<std::uint16_t> code = AdvanceCode(entry.Code, mode, count);
        if (!code) return {{}, NoAlphaRefusal(entry.Code)};
        const EntryBytesArray out = JoinEntry({*code, entry.Status}, layout.StatusBytePos);
        p[0] = out[0];
        p[1] = out[1];
        p[2] = out[2];
    }
    return {HexOf(*bytes), {}};
}

ScanOutcome ZulmCodeText(const std::string& answer, int errorCodeOffset) {
    if (errorCodeOffset < 0) return {{}, ErrorCodeOffsetRefusal};
    std::optional<std::vector<std::uint8_t>> bytes = BytesOf(answer);
    if (!bytes) return {{}, NotHexRefusal(answer)};
    const auto at = static_cast<std::size_t>(errorCodeOffset);
    if (bytes->size() < at + EntryBytes)
        return {{}, "The answer " + answer + " is too short for an error code at byte " +
                        std::to_string(errorCodeOffset) + "!"};

    const std::uint8_t b0 = (*bytes)[at], b1 = (*bytes)[at + 1], b2 = (*bytes)[at + 2];
    const auto checksum = static_cast<std::uint8_t>((b0 + b1 + b2) % 256);
    char text[16];
    std::snprintf(text, sizeof text, "[%02x %02x %02x %02x", b0, b1, b2, checksum);
    return {text, {}};
}

} // namespace FaultScan
