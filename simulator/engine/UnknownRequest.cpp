#include "UnknownRequest.h"

#include <cstdio>

#include "Exception.h"
#include "FrameCodec.h"
#include "MessageSink.h"
#include "UnknownRequestAnswers.h"

namespace {

void ReportFailure(int rule, const std::exception& e) {
    ShowMessage("GetUnknownAnswer_" + std::to_string(rule) + " function error!\n" + ExceptionMessage(e));
}

// The operator's answers for the request: the list of unknown requests is keyed by the plain
// text of the request, so the look-up uses the request's own unpacking (selector 0).
TStringList ListedAnswers(const UnknownRuleContext& c, const std::string& wireText) {
    if (!c.GetUnknownAnswer) return {};
    std::optional<TStringList> list = c.GetUnknownAnswer(UnPackFunction(wireText, 0));
    return list ? std::move(*list) : TStringList{};
}

std::unique_ptr<TBaseItem> ItemWith(const UnknownRuleContext& c, const TStringList& answers) {
    auto item = std::make_unique<TBaseItem>(c.Limits);
    item->SetAnswers(answers);
    return item;
}

// Rules 1, 4 and 5: the listed answers, else the request echoed as a positive response.
std::unique_ptr<TBaseItem> EchoRule(int rule, const UnknownRuleContext& c, const std::string& wireText,
                                    EchoKind kind, int index) {
    try {
        if (!c.AutoAnswer) return nullptr;
        const std::string plain = UnPackFunction(wireText, 0);
        if (plain.size() < 2) return nullptr;
        TStringList answers = ListedAnswers(c, wireText);
        if (answers.empty()) answers.push_back(EchoAnswer(plain, kind, index, c.DefaultLength));
        return ItemWith(c, answers);
    } catch (const std::exception& e) {
        ReportFailure(rule, e);
        return nullptr;
    }
}

} // namespace

std::unique_ptr<TBaseItem> GetUnknownAnswer_1(const UnknownRuleContext& c, std::int32_t*, const std::string& wireText) {
    return EchoRule(1, c, wireText, EchoKind::AddAtIndex, 0);
}

std::unique_ptr<TBaseItem> GetUnknownAnswer_4(const UnknownRuleContext& c, std::int32_t*, const std::string& wireText) {
    return EchoRule(4, c, wireText, EchoKind::SwapThenAddThird, 0);
}

std::unique_ptr<TBaseItem> GetUnknownAnswer_5(const UnknownRuleContext& c, std::int32_t*, const std::string& wireText) {
    return EchoRule(5, c, wireText, EchoKind::AddAtIndex, c.SIDPos);
}

std::unique_ptr<TBaseItem> GetUnknownAnswer_2(const UnknownRuleContext& c, std::int32_t* length,
                                              const std::string& wireText) {
    try {
        if (!c.AutoAnswer) return nullptr;
        TStringList answers = ListedAnswers(c, wireText);
        if (!answers.empty()) return ItemWith(c, answers);
        const auto random = c.Random ? c.Random : [] { return std::uint8_t{0}; };
        std::optional<TStringList> identifiers = IdentifierAnswers(wireText, random);
        if (!identifiers) return GetUnknownAnswer_1(c, length, wireText);
        if (identifiers->empty()) throw Exception("No identifier to answer!");
        return ItemWith(c, *identifiers);
    } catch (const std::exception& e) {
        ReportFailure(2, e);
        return nullptr;
    }
}

std::unique_ptr<TBaseItem> GetUnknownAnswer_3(const UnknownRuleContext& c, std::int32_t* length,
                                              const std::string& wireText) {
    try {
        if (!c.AutoAnswer) return nullptr;
        std::size_t chars = wireText.size();
        if (length && *length >= 0 && static_cast<std::size_t>(*length) < chars)
            chars = static_cast<std::size_t>(*length);
        const std::size_t n = chars / 2;
        if (n == 0) return nullptr;
        char lengthByte[24];
        std::snprintf(lengthByte, sizeof lengthByte, "%02zx", n);
        const std::string withLength = lengthByte + wireText;
        if (c.GetAnswerCopy) {
            auto item = std::make_unique<TBaseItem>(c.Limits);
            if (c.GetAnswerCopy(withLength, *item)) return item;
        }
        return GetUnknownAnswer_1(c, length, wireText);
    } catch (const std::exception& e) {
        ReportFailure(3, e);
        return nullptr;
    }
}

UnknownRule UnknownRuleFor(int n) {
    switch (n) {
    case 1: return &GetUnknownAnswer_1;
    case 2: return &GetUnknownAnswer_2;
    case 3: return &GetUnknownAnswer_3;
    case 4: return &GetUnknownAnswer_4;
    case 5: return &GetUnknownAnswer_5;
    default: return nullptr;
    }
}
