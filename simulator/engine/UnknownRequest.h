#pragma once
// The five unknown-request rules, GetUnknownAnswer_1 to GetUnknownAnswer_5. The loop offers each
// request that the store does not know to the rule the simulation selected; the rule returns a
// new item holding the answers to send, or none.
//
// Answers come first from the operator's list of unknown requests (OnGetUnknownAnswer), looked
// up by the request's plain text (unpacked as a request, the form the list is keyed by); when the
// list holds none, from the rule's own answer. Nothing is answered while AutoAnswer is off. Each
// rule catches its failures, shows "GetUnknownAnswer_<n> function error!\n" + message through the
// message reporter and returns none.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "StringList.h"
#include "UDStructures.h"

struct UnknownRuleContext {
    bool AutoAnswer = false;
    std::int32_t DefaultLength = 0; // bytes of an automatic answer
    std::int32_t SIDPos = 0;        // rule 5: index of the byte that gets 0x40
    TStoreLimits Limits;            // of the item returned
    // The operator's answers for a request's plain text; nullopt when it is not listed.
    std::function<std::optional<TStringList>(const std::string& plainText)> GetUnknownAnswer;
    // Rule 3: looks a wire text up in the live store (as GetAnswer, with its effect on a running
    // activation) and copies the entry found into out; false when there is none.
    std::function<bool(const std::string& wireText, TBaseItem& out)> GetAnswerCopy;
    // Rule 2: a random byte.
    std::function<std::uint8_t()> Random;
};

// length: the number of characters of wireText as the loop counts them (only rule 3 reads it).
using UnknownRule = std::unique_ptr<TBaseItem> (*)(const UnknownRuleContext& context,
                                                   std::int32_t* length, const std::string& wireText);

std::unique_ptr<TBaseItem> GetUnknownAnswer_1(const UnknownRuleContext& c, std::int32_t* length, const std::string& wireText);
std::unique_ptr<TBaseItem> GetUnknownAnswer_2(const UnknownRuleContext& c, std::int32_t* length, const std::string& wireText);
std::unique_ptr<TBaseItem> GetUnknownAnswer_3(const UnknownRuleContext& c, std::int32_t* length, const std::string& wireText);
std::unique_ptr<TBaseItem> GetUnknownAnswer_4(const UnknownRuleContext& c, std::int32_t* length, const std::string& wireText);
std::unique_ptr<TBaseItem> GetUnknownAnswer_5(const UnknownRuleContext& c, std::int32_t* length, const std::string& wireText);

// Rule n (1 to 5), or nullptr.
UnknownRule UnknownRuleFor(int n);
