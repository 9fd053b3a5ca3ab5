#include "ActivationSteps.h"

#include "Exception.h"
#include "HexText.h"
#include "IniDocument.h"

#include <charconv>
#include <optional>

namespace {

std::string FileForm(const std::string& display) { return FoldAsciiCase(StripBlanks(display)); }

// What a row stands for in the file: its texts in file form and its intra-frame value, when the
// caption is an integer.
struct RowValue {
    std::string Request;
    TStringList Answers;
    std::optional<std::int32_t> IntraFrame;
};

RowValue ValueOf(const ActivationRow& row) {
    RowValue v;
    v.Request = FileForm(row.Request);
    // An empty answer is no answer; written, it would also hide every answer after it from the
    // reader, which stops at the first empty one.
    for (const std::string& a : row.Answers)
        if (std::string answer = FileForm(a); !answer.empty()) v.Answers.push_back(std::move(answer));
    std::int32_t intra = 0;
    if (ParseIntraFrame(row.IntraFrame, intra)) v.IntraFrame = intra;
    return v;
}

bool Trimmed(const std::string& text, std::size_t& first, std::size_t& last) {
    first = text.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    last = text.find_last_not_of(' ') + 1;
    return true;
}

} // namespace

std::string InvalidIntraFrameMessage(int p, int j, std::int32_t intraFrameDefault) {
    return "Invalid Intraframe value for [ACTIVATION_" + std::to_string(p) + "] [R" + std::to_string(j) +
           "]!IntraFrame set to " + std::to_string(intraFrameDefault) + "!";
}

bool ParseIntraFrame(const std::string& caption, std::int32_t& value) {
    std::size_t first = 0, last = 0;
    if (!Trimmed(caption, first, last)) return false;
    const char* p = caption.data() + first;
    const char* end = caption.data() + last;
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
    } else if (*p == '$') {
        ++p;
    } else {
        if (*p == '+' && end - p > 1 && p[1] != '-') ++p;
        std::int32_t v = 0;
        auto [stop, ec] = std::from_chars(p, end, v, 10);
        if (ec != std::errc() || stop != end) return false;
        value = v;
        return true;
    }
    if (p == end || end - p > 8) return false;
    std::uint32_t v = 0;
    auto [stop, ec] = std::from_chars(p, end, v, 16);
    if (ec != std::errc() || stop != end) return false;
    value = static_cast<std::int32_t>(v); // the 32-bit pattern, as the file's integers read
    return true;
}

StepPlan PlanSteps(std::vector<ActivationRow>& rows, int p, std::int32_t intraFrameDefault) {
    std::vector<RowValue> values;
    values.reserve(rows.size());
    for (const ActivationRow& row : rows) {
        values.push_back(ValueOf(row));
        if (!WholeBytes(values.back().Request)) throw Exception(OddRequestMessage);
        for (const std::string& a : values.back().Answers)
            if (!WholeBytes(a)) throw Exception(OddAnswerMessage);
    }

    // A row without a request is no step (it is where a request is still to be typed): written,
    // it would be a step of an empty request. Left out, the steps around it stay numbered
    // R1..Rn without a gap, as the reader needs, and may form one run.
    std::vector<std::size_t> steps;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!values[i].Request.empty()) steps.push_back(i);

    StepPlan plan;
    for (std::size_t s = 0; s < steps.size();) {
        const std::size_t i = steps[s];
        const int j = static_cast<int>(plan.Steps.size()) + 1;
        RowValue& v = values[i];
        if (!v.IntraFrame) {
            plan.Messages.push_back(InvalidIntraFrameMessage(p, j, intraFrameDefault));
            v.IntraFrame = intraFrameDefault;
            rows[i].IntraFrame = std::to_string(intraFrameDefault);
        }
        // A row whose caption is not an integer never joins a run: it starts a step of its own,
        // where it gets its message.
        std::size_t run = 1;
        while (s + run < steps.size() && run < static_cast<std::size_t>(MaxStepRepetitions)) {
            const RowValue& next = values[steps[s + run]];
            if (next.Request != v.Request || next.Answers != v.Answers || next.IntraFrame != v.IntraFrame) break;
            ++run;
        }
        plan.Steps.push_back(
            {v.Request, v.Answers, *v.IntraFrame, static_cast<std::int32_t>(run), rows[i].Description});
        s += run;
    }
    return plan;
}

std::vector<const ActivationStep*> Registrations(const std::vector<ActivationStep>& steps) {
    std::vector<const ActivationStep*> out;
    for (const ActivationStep& s : steps)
        for (std::int32_t r = 0; r < s.Repetitions; ++r) out.push_back(&s);
    return out;
}
