#include "SimulationKeys.h"

#include "IniDocument.h"

#include <algorithm>
#include <charconv>

namespace {

// n of a section name "ACTIVATION_<n>" (any letter case, n decimal without leading zeros), or 0.
std::int32_t ActivationNumber(const std::string& sectionName) {
    static const std::string prefix = "activation_";
    const std::string name = FoldAsciiCase(sectionName);
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
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

std::int32_t ReadableRequestCount(const TCustomIniFile& file) {
    TStringList sections;
    file.ReadSections(sections);
    return std::min<std::int32_t>(ReadEntryCount(file, SimKeys::NRequest),
                                  static_cast<std::int32_t>(sections.size()));
}

std::int32_t ReadableActivationCount(const TCustomIniFile& file) {
    TStringList sections;
    file.ReadSections(sections);
    std::int32_t highest = 0;
    for (const std::string& name : sections) highest = std::max(highest, ActivationNumber(name));
    return std::min(ReadEntryCount(file, SimKeys::NActivation), highest);
}

std::optional<std::int32_t> ReadIntegerValue(const TCustomIniFile& file, const std::string& section,
                                             const std::string& key) {
    // Two different defaults: a value that was read comes back the same from both.
    const int value = file.ReadInteger(section, key, 0);
    if (value != file.ReadInteger(section, key, -1)) return std::nullopt;
    return value;
}

std::int32_t StepRepetitions(const TCustomIniFile& file, const std::string& section, int j) {
    const int r = file.ReadInteger(section, SimKeys::StepRepetitionKey(j), 1);
    return std::clamp(r, 0, SimKeys::MaxRepetitions);
}

TStringList StepAnswers(const TCustomIniFile& file, const std::string& section, int j, bool lower) {
    TStringList answers;
    for (int k = 1; k == 1 || file.ValueExists(section, SimKeys::StepAnswerKey(j, k)); ++k) {
        std::string a = file.ReadString(section, SimKeys::StepAnswerKey(j, k), "");
        answers.push_back(lower ? FoldAsciiCase(a) : a);
    }
    return answers;
}

TStringList FaultColumnAnswers(const TCustomIniFile& file, const std::string& section, bool lower) {
    TStringList answers;
    for (int k = 1; file.ValueExists(section, SimKeys::FaultAnswerKey(k)); ++k) {
        std::string a = file.ReadString(section, SimKeys::FaultAnswerKey(k), "");
        answers.push_back(lower ? FoldAsciiCase(a) : a);
    }
    return answers;
}

std::string RequestDescription(const TCustomIniFile& file, int i, const std::string& request) {
    std::string d = file.ReadString(SimKeys::RequestSection(i), SimKeys::Description, "");
    return d.empty() ? SimKeys::RequestDescriptionPrefix + request : d;
}
