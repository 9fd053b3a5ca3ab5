#include "SimulationKeys.h"

#include "IniDocument.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

constexpr std::int32_t ProbedActivationCount = 4096;

// n of a section name "ACTIVATION_<n>" (any letter case, n decimal without leading zeros), or 0.
std::int32_t ActivationNumber(std::string_view name) {
    constexpr std::string_view prefix = "activation_";
    if (name.size() <= prefix.size() || !EqualFoldingAscii(name.substr(0, prefix.size()), prefix)) return 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    if (*first == '0') return 0;
    std::int32_t n = 0;
    auto [end, ec] = std::from_chars(first, last, n, 10);
    return ec == std::errc() && end == last && n > 0 ? n : 0;
}

} // namespace

std::int32_t ReadEntryCount(const TCustomIniFile& file, const char* section) {
    return std::max(0, file.ReadInteger(section, SimKeys::Count, 0));
}

std::int32_t ExistingRequestCount(const TCustomIniFile& file) {
    const std::int32_t n = ReadEntryCount(file, SimKeys::NRequest);
    std::int32_t count = 0;
    while (count < n && file.SectionExists(SimKeys::RequestSection(count + 1))) ++count;
    return count;
}

std::vector<std::int32_t> ExistingActivationNumbers(const TCustomIniFile& file) {
    const std::int32_t n = ReadEntryCount(file, SimKeys::NActivation);
    std::vector<std::int32_t> numbers;
    // A count of a usual size is cheaper asked number by number than the file's list of every
    // section; a large (or mistyped) one is not.
    if (n <= ProbedActivationCount) {
        for (std::int32_t a = 1; a <= n; ++a)
            if (file.SectionExists(SimKeys::ActivationSection(a))) numbers.push_back(a);
        return numbers;
    }
    TStringList sections;
    file.ReadSections(sections);
    for (const std::string& name : sections) {
        const std::int32_t number = ActivationNumber(name);
        if (number > 0 && number <= n) numbers.push_back(number);
    }
    // Names differing in letter case are one section.
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::optional<std::int32_t> ReadIntegerValue(const TCustomIniFile& file, const std::string& section,
                                             const std::string& key) {
    // Two different defaults: a value that was read comes back the same from both.
    const int value = file.ReadInteger(section, key, 0);
    if (value != file.ReadInteger(section, key, -1)) return std::nullopt;
    return value;
}

bool WrittenAsInteger(const std::string& text) {
    std::size_t first = 0;
    bool hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        first = 2;
        hex = true;
    } else if (!text.empty() && text[0] == '$') {
        first = 1;
        hex = true;
    } else if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        first = 1;
    }
    if (first >= text.size()) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(first), text.end(), [hex](unsigned char c) {
        return hex ? std::isxdigit(c) != 0 : std::isdigit(c) != 0;
    });
}

std::int32_t StepRepetitions(const TCustomIniFile& file, const std::string& section, int j) {
    const int r = file.ReadInteger(section, SimKeys::StepRepetitionKey(j), 1);
    return std::clamp(r, 0, SimKeys::MaxRepetitions);
}

TStringList StepAnswers(const TCustomIniFile& file, const std::string& section, int j, bool lower) {
    TStringList answers;
    for (int k = 1;; ++k) {
        std::optional<std::string> a = file.ReadValue(section, SimKeys::StepAnswerKey(j, k));
        if (!a && k > 1) break;
        answers.push_back(lower ? FoldAsciiCase(a.value_or("")) : a.value_or(""));
    }
    return answers;
}

TStringList FaultColumnAnswers(const TCustomIniFile& file, const std::string& section, bool lower) {
    TStringList answers;
    for (int k = 1;; ++k) {
        std::optional<std::string> a = file.ReadValue(section, SimKeys::FaultAnswerKey(k));
        if (!a) break;
        answers.push_back(lower ? FoldAsciiCase(*a) : std::move(*a));
    }
    return answers;
}

std::string RequestDescription(const TCustomIniFile& file, int i, const std::string& request) {
    std::string d = file.ReadString(SimKeys::RequestSection(i), SimKeys::Description, "");
    return d.empty() ? SimKeys::RequestDescriptionPrefix + request : d;
}
