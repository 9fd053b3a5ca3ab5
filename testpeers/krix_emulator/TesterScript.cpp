#include "TesterScript.h"

#include <istream>
#include <ostream>
#include <sstream>

namespace KrixEmu {
namespace {

std::string Trim(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// The frames of the transcript from position first on, read in place.
void PrintFrames(const std::vector<BusRecord>& transcript, std::size_t first, std::ostream& out) {
    for (std::size_t i = first; i < transcript.size(); ++i) {
        const BusRecord& r = transcript[i];
        out << (r.fromTester ? "    tester -> ECU   " : "    ECU -> tester   ") << Hex(r.frame) << "\n";
    }
}

} // namespace

std::optional<std::vector<ScriptStep>> ParseTesterScript(std::istream& in, std::string* error) {
    std::vector<ScriptStep> steps;
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "line " + std::to_string(number) + ": " + why;
        return std::nullopt;
    };
    while (std::getline(in, line)) {
        ++number;
        if (const std::size_t hash = line.find('#'); hash != std::string::npos)
            line.resize(hash);
        line = Trim(line);
        if (line.empty())
            continue;
        const std::size_t space = line.find_first_of(" \t");
        const std::string word = line.substr(0, space);
        ScriptStep step;
        step.line = number;
        if (word == "can")
            step.bus = ScriptStep::Bus::Can;
        else if (word == "kline")
            step.bus = ScriptStep::Bus::KLine;
        else
            return fail("'" + word + "' is neither can nor kline");
        const std::string rest = space == std::string::npos ? std::string() : line.substr(space);
        const std::size_t arrow = rest.find("=>");
        if (arrow == std::string::npos)
            return fail("no '=>' between request and answer");
        const std::optional<Bytes> request = ParseHex(Trim(rest.substr(0, arrow)));
        if (!request || request->empty())
            return fail("the request is no hex byte string");
        step.request = *request;
        std::stringstream answers(rest.substr(arrow + 2));
        std::string answer;
        while (std::getline(answers, answer, ';')) {
            const std::optional<Bytes> bytes = ParseHex(Trim(answer));
            if (!bytes || bytes->empty())
                return fail("an answer is no hex byte string");
            step.expected.push_back(*bytes);
        }
        if (step.expected.empty())
            return fail("no answer given");
        if (step.bus == ScriptStep::Bus::Can && step.expected.size() != 1)
            return fail("a CAN step expects one answer");
        steps.push_back(std::move(step));
    }
    return steps;
}

void PrintProtocolSetting(const KrixEmulator& emulator, std::ostream& out) {
    emulator.InspectTransparent([&](const TransparentModel& m) {
        out << "tester: protocol block " << Hex(m.ParameterBlock()) << "\n";
        for (std::size_t i = 0; i < m.Lists().size(); ++i)
            out << "tester: list " << i + 1 << " [" << Hex(m.Lists()[i]) << "]\n";
    });
    out.flush();
}

bool RunTesterScript(BusTester& tester, const std::vector<ScriptStep>& steps, std::ostream& out) {
    bool allOk = true;
    int index = 0;
    for (const ScriptStep& step : steps) {
        ++index;
        const std::size_t first = tester.Transcript().size();
        const bool can = step.bus == ScriptStep::Bus::Can;
        out << "[" << index << "] " << (can ? "CAN request   " : "K-line request ") << Hex(step.request) << "\n";
        std::vector<Bytes> got;
        if (can) {
            if (std::optional<Bytes> answer = tester.CanRequest(step.request))
                got.push_back(*answer);
        } else if (std::optional<std::vector<Bytes>> answers = tester.KLineRequest(step.request, step.expected.size())) {
            got = *answers;
        }
        PrintFrames(tester.Transcript(), first, out);
        tester.ForgetTranscript();
        const bool ok = got == step.expected;
        if (!ok && tester.Interrupted()) {
            out << "    stopped before the answer\n";
            out.flush();
            break;
        }
        for (const Bytes& g : got)
            out << "    answer          " << Hex(g) << "\n";
        if (ok) {
            out << "    as expected\n";
        } else {
            allOk = false;
            out << "    NOT AS EXPECTED (script line " << step.line << "): expected";
            for (const Bytes& e : step.expected)
                out << " [" << Hex(e) << "]";
            out << (got.empty() ? ", no answer" : "") << "\n";
        }
        out.flush();
    }
    return allOk;
}

} // namespace KrixEmu
