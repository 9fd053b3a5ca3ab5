#include "UnknownRequestAnswers.h"

#include "EngineHex.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

void AppendByte(std::string& out, std::uint8_t b) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", b);
    out += hex;
}

} // namespace

std::vector<std::uint8_t> ReadRequestBytes(const std::string& text) {
    const std::size_t n = std::min<std::size_t>(text.size() / 2, UnknownRequestBytesRoom);
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) {
        const int hi = HexDigitValue(text[2 * i]);
        const int lo = HexDigitValue(text[2 * i + 1]);
        bytes[i] = hi < 0 || lo < 0 ? NotHexByte : static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return bytes;
}

std::string EchoAnswer(const std::string& plainText, EchoKind kind, int index, int defaultLength) {
    // The whole area starts as zeros, so the bytes beyond the request are 0x00 filler.
    std::array<std::uint8_t, UnknownRequestBytesRoom> area{};
    const std::vector<std::uint8_t> bytes = ReadRequestBytes(plainText);
    std::copy(bytes.begin(), bytes.end(), area.begin());
    if (kind == EchoKind::SwapThenAddThird) {
        std::swap(area[0], area[1]);
        area[2] = static_cast<std::uint8_t>(area[2] + PositiveResponseOffset);
    } else if (index >= 0 && index < UnknownRequestBytesRoom) {
        area[static_cast<std::size_t>(index)] =
            static_cast<std::uint8_t>(area[static_cast<std::size_t>(index)] + PositiveResponseOffset);
    }
    const int length = std::clamp(defaultLength, 0, UnknownRequestBytesRoom);
    std::string out;
    out.reserve(static_cast<std::size_t>(2 * length));
    for (int i = 0; i < length; ++i) AppendByte(out, area[static_cast<std::size_t>(i)]);
    return out;
}

std::optional<std::vector<std::string>> IdentifierAnswers(const std::string& wireText,
                                                          const std::function<std::uint8_t()>& random) {
    const std::vector<std::uint8_t> bytes = ReadRequestBytes(wireText);
    if (bytes.size() < 2 || bytes[1] != ChannelIdentificationService) return std::nullopt;
    std::vector<std::string> answers;
    // Identifiers stand from byte 3 up to the message length in byte 0; a length byte that
    // promises more than the request holds stops at its last byte.
    const std::size_t last = std::min<std::size_t>(bytes[0], bytes.size() - 1);
    for (std::size_t i = 3; i <= last; ++i) {
        std::string answer;
        AppendByte(answer, bytes[i]);
        for (int r = 0; r < RandomBytesPerIdentifier; ++r) AppendByte(answer, random());
        answers.push_back(std::move(answer));
    }
    if (answers.size() == 1) answers.push_back(answers.front());
    return answers;
}
