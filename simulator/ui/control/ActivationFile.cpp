#include "ActivationFile.h"

#include "Exception.h"
#include "HexText.h"
#include "IniDocument.h"
#include "SimulationKeys.h"

#include <utility>

static_assert(MaxStepRepetitions == SimKeys::MaxRepetitions, "the editor and the file's reader count alike");

namespace {

std::string IntraFrameKey(int j) { return SimKeys::Numbered("INTRAFRAME", j); }
constexpr const char* IntraFrameShownDefault = "0";

std::string Lower(const TCustomIniFile& file, const std::string& section, const std::string& key) {
    return FoldAsciiCase(file.ReadString(section, key, ""));
}

} // namespace

ActivationContent ReadActivation(const TCustomIniFile& file, int p) {
    using namespace SimKeys;
    const std::string section = ActivationSection(p);
    ActivationContent content;
    content.Name = file.ReadString(section, Description, "");
    for (int j = 1; file.ValueExists(section, StepRequestKey(j)); ++j) {
        ActivationRow row;
        row.IntraFrame = file.ReadString(section, IntraFrameKey(j), IntraFrameShownDefault);
        row.Request = DividePacket(Lower(file, section, StepRequestKey(j)));
        for (int k = 1; k <= MaxShownAnswers; ++k) {
            const std::string answer = Lower(file, section, StepAnswerKey(j, k));
            if (answer.empty()) break;
            row.Answers.push_back(DividePacket(answer));
        }
        row.Description = file.ReadString(section, StepDescriptionKey(j), "");
        content.Rows.insert(content.Rows.end(), static_cast<std::size_t>(StepRepetitions(file, section, j)), row);
    }
    return content;
}

std::string RegistrationName(const std::string& name, int p) {
    return name.empty() ? SimKeys::ActivationSection(p) : name;
}

std::optional<ActivationRegistration> LoadedRegistration(const TCustomIniFile& file, int p) {
    using namespace SimKeys;
    // Only the activations the loading pass registered: N of NACTIVATION bounds them, and a
    // number without its section registered nothing.
    const std::string section = ActivationSection(p);
    if (p < 1 || p > ReadEntryCount(file, NActivation) || !file.SectionExists(section)) return std::nullopt;
    ActivationRegistration r;
    r.Name = file.ReadString(section, Description, section);
    for (int j = 1; file.ValueExists(section, StepRequestKey(j)); ++j) {
        const std::int32_t repetitions = StepRepetitions(file, section, j);
        if (repetitions < 1) continue;
        ActivationStep step;
        step.Request = Lower(file, section, StepRequestKey(j));
        step.Answers = StepAnswers(file, section, j, true);
        step.Description = file.ReadString(section, StepDescriptionKey(j), r.Name);
        step.Repetitions = repetitions;
        r.Steps.push_back(std::move(step));
    }
    return r;
}

void WriteActivation(TCustomIniFile& file, int p, const std::string& name, const std::vector<ActivationStep>& steps) {
    using namespace SimKeys;
    const std::string section = ActivationSection(p);
    std::vector<std::pair<std::string, std::string>> lines;
    // Without a step there is no activation: a load would register nothing for it, so the
    // section goes, name and all, rather than stand for an activation the engine never holds.
    if (!name.empty() && !steps.empty()) lines.emplace_back(Description, name);
    for (std::size_t s = 0; s < steps.size(); ++s) {
        const ActivationStep& step = steps[s];
        const int j = static_cast<int>(s) + 1;
        lines.emplace_back(StepRequestKey(j), step.Request);
        for (std::size_t k = 0; k < step.Answers.size(); ++k)
            lines.emplace_back(StepAnswerKey(j, static_cast<int>(k) + 1), step.Answers[k]);
        if (!step.Description.empty()) lines.emplace_back(StepDescriptionKey(j), step.Description);
        if (step.Repetitions > 1) lines.emplace_back(StepRepetitionKey(j), std::to_string(step.Repetitions));
        lines.emplace_back(IntraFrameKey(j), std::to_string(step.IntraFrame));
    }
    for (const auto& [key, value] : lines)
        if (const char* problem = IniDocument::WriteProblem(section, key, value))
            throw Exception("Cannot write key \"" + key + "\" of section [" + section + "]: " + problem);

    file.EraseSection(section);
    for (const auto& [key, value] : lines) file.WriteString(section, key, value);
}
