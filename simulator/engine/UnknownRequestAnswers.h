#pragma once
// The answers that the unknown-request rules build from a request when the operator's list holds
// none for it. Pure functions over texts, so every rule's bytes can be checked alone.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The request bytes area of a rule: a request longer than this is cut.
inline constexpr int UnknownRequestBytesRoom = 256;
inline constexpr std::uint8_t PositiveResponseOffset = 0x40;
// What a pair of characters that are not hexadecimal digits reads as.
inline constexpr std::uint8_t NotHexByte = 0xFF;
inline constexpr std::uint8_t ChannelIdentificationService = 0xAA;
// Rule 2: each answer is the identifier followed by this many random bytes.
inline constexpr int RandomBytesPerIdentifier = 7;

enum class EchoKind {
    AddAtIndex,        // rules 1 and 5: 0x40 added to the byte at the index
    SwapThenAddThird,  // rule 4: bytes 0 and 1 swapped, 0x40 added to byte 2
};

// Reads text two characters at a time into at most room bytes; a pair that is not two hex
// digits gives 0xFF; an odd trailing character is dropped.
std::vector<std::uint8_t> ReadRequestBytes(const std::string& text);

// The automatic positive response: the request's bytes with the service byte changed as kind
// says, cut or filled with 0x00 to defaultLength bytes (0 to 256), as "%02x" text. An index
// outside the request bytes area changes nothing.
std::string EchoAnswer(const std::string& plainText, EchoKind kind, int index, int defaultLength);

// Rule 2's answers for a service-0xAA request (wire text, length byte first): one answer per
// identifier after the sub-function byte, identifier + seven random bytes; at least two answers
// (the first is repeated when there is only one). Empty when the request has no identifiers.
// std::nullopt when the service byte is not 0xAA.
std::optional<std::vector<std::string>> IdentifierAnswers(const std::string& wireText,
                                                          const std::function<std::uint8_t()>& random);
