#include "SizingPass.h"

#include "Exception.h"
#include "IniDocument.h"
#include "SimulationKeys.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace {

constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();

std::int32_t Saturated(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, Int32Max));
}

// The counts while they are gathered: 64-bit, so no sum of a large file can wrap.
struct Tally {
    std::int64_t MaxReqLen = 0, MaxAnsLen = 0, MaxDescrLen = 0, ActAnsMaxCount = 0, ActMaxCount = 0,
                 MaxReqCount = 0, MultiAnswerNum = 0;

    static void Measure(std::int64_t& count, const std::string& text) {
        count = std::max<std::int64_t>(count, static_cast<std::int64_t>(text.size()));
    }
    void Answers(std::int64_t n) { MultiAnswerNum = std::max(MultiAnswerNum, n); }

    void Into(SizeCounts& c) const {
        c.MaxReqLen = Saturated(MaxReqLen);
        c.MaxAnsLen = Saturated(MaxAnsLen);
        c.MaxDescrLen = Saturated(MaxDescrLen);
        c.ActAnsMaxCount = Saturated(ActAnsMaxCount);
        c.ActMaxCount = Saturated(ActMaxCount);
        c.MaxReqCount = Saturated(MaxReqCount);
        c.MultiAnswerNum = Saturated(MultiAnswerNum);
    }
};

class SizingPass {
public:
    SizingPass(const TCustomIniFile& file, const std::function<void()>& pump) : file_(file), pump_(pump) {}

    void Run() {
        t.MaxReqCount = ReadableRequestCount(file_);
        t.ActMaxCount = ReadableActivationCount(file_);
        FixedExchanges();
        RequestEntries();
        FaultReadingEntries();
        Activations();
        HeaderRoom();
    }

    Tally t;

private:
    std::string Read(const std::string& section, const char* key, const std::string& def = "") const {
        return file_.ReadString(section, key, def);
    }
    void Pump() const {
        if (pump_) pump_();
    }
    void Exchange(const std::string& request, const std::string& answer, const std::string& description) {
        Tally::Measure(t.MaxReqLen, request);
        Tally::Measure(t.MaxAnsLen, answer);
        Tally::Measure(t.MaxDescrLen, description);
        t.Answers(1);
        t.MaxReqCount += 1;
    }
    void ByteDescriptions(const std::string& section, const std::string& answer) {
        for (std::size_t k = 1; k <= answer.size() / 2; ++k)
            Tally::Measure(t.MaxDescrLen, Read(section, SimKeys::ByteKey(static_cast<int>(k)).c_str()));
    }

    void FixedExchanges() {
        using namespace SimKeys;
        Exchange(Read(Protocol, ActivationRequest), Read(Protocol, ActivationAnswer), EcuActivationDescription);
        Exchange(Read(EndCommunication, Request), Read(EndCommunication, Answer),
                 Read(EndCommunication, Description, EndCommunicationDefault));
        Exchange(Read(TesterPresent, Request), Read(TesterPresent, Answer),
                 Read(TesterPresent, Description, TesterPresentDefault));
    }

    void RequestEntries() {
        using namespace SimKeys;
        const std::int32_t n = ReadableRequestCount(file_);
        for (int i = 1; i <= n; ++i) {
            Pump();
            const std::string section = RequestSection(i);
            const std::string request = FoldAsciiCase(Read(section, Request));
            const std::string answer = Read(AnswerSection(i), Answer);
            Tally::Measure(t.MaxReqLen, request);
            Tally::Measure(t.MaxAnsLen, answer);
            Tally::Measure(t.MaxDescrLen, RequestDescription(file_, i, request));
            ByteDescriptions(AnswerSection(i), answer);
            std::int64_t answers = 1;
            if (Read(section, MultiAnswer, "N") == MultiAnswerYes) {
                for (int letter = 0; letter < MaxLetteredAnswers; ++letter) {
                    Pump();
                    const std::string lettered = LetteredAnswerSection(i, letter);
                    const std::string next = Read(lettered, Answer);
                    if (next.empty()) break;
                    Tally::Measure(t.MaxAnsLen, next);
                    ByteDescriptions(lettered, next);
                    ++answers;
                }
            }
            t.Answers(answers);
        }
    }

    void FaultReadingEntries() {
        using namespace SimKeys;
        for (int n = 1; file_.SectionExists(FaultSection(n, 0)); ++n) {
            Pump();
            const std::string section = FaultSection(n, 0);
            Tally::Measure(t.MaxReqLen, Read(section, Request));
            Tally::Measure(t.MaxDescrLen, Read(section, Description, FaultDescriptionPrefix + std::to_string(n)));
            for (int c = 0; c < FaultColumnCount; ++c) {
                const TStringList answers = FaultColumnAnswers(file_, FaultSection(n, c), false);
                for (const std::string& a : answers) Tally::Measure(t.MaxAnsLen, a);
                t.Answers(static_cast<std::int64_t>(answers.size()));
            }
            t.MaxReqCount += 1;
        }
    }

    void Activations() {
        using namespace SimKeys;
        std::map<std::string, std::int64_t> stepsByName; // one engine activation per name
        const std::int32_t n = ReadableActivationCount(file_);
        for (int a = 1; a <= n; ++a) {
            const std::string section = ActivationSection(a);
            const std::string name = Read(section, Description, section);
            Tally::Measure(t.MaxDescrLen, name);
            std::int64_t& steps = stepsByName[name];
            for (int j = 1; file_.ValueExists(section, StepRequestKey(j)); ++j) {
                Pump();
                Tally::Measure(t.MaxReqLen, Read(section, StepRequestKey(j).c_str()));
                const TStringList answers = StepAnswers(file_, section, j, false);
                for (const std::string& answer : answers) Tally::Measure(t.MaxAnsLen, answer);
                t.Answers(static_cast<std::int64_t>(answers.size()));
                Tally::Measure(t.MaxDescrLen, Read(section, StepDescriptionKey(j).c_str(), name));
                const std::int32_t r = StepRepetitions(file_, section, j);
                t.MaxReqCount += r;
                steps += r;
                t.ActAnsMaxCount = std::max(t.ActAnsMaxCount, steps);
            }
        }
    }

    void HeaderRoom() {
        using namespace SimKeys;
        const std::int64_t h = std::max({0, file_.ReadInteger(Protocol, LenHeaderTx, 0),
                                         file_.ReadInteger(Protocol, LenHeaderRx, 0)});
        t.MaxReqLen += 2 * h;
        t.MaxAnsLen += 2 * h;
        t.MaxDescrLen += 2 * h;
    }

    const TCustomIniFile& file_;
    const std::function<void()>& pump_;
};

} // namespace

std::string AnalizeSimulIni(const TCustomIniFile& file, SizeCounts& counts, const std::function<void()>& pump) {
    counts = SizeCounts{};
    SizingPass pass(file, pump);
    try {
        pass.Run();
        pass.t.Into(counts);
        return {};
    } catch (const std::exception& e) {
        pass.t.Into(counts);
        return SizingFailurePrefix + ExceptionMessage(e);
    }
}

std::int32_t ScaleCount(std::int32_t count, float memoryInc) {
    const double factor = std::isfinite(memoryInc) ? std::max(1.0, static_cast<double>(memoryInc)) : 1.0;
    const double scaled = std::trunc((static_cast<double>(count) + 1.0) * factor);
    if (scaled >= static_cast<double>(Int32Max)) return static_cast<std::int32_t>(Int32Max);
    return static_cast<std::int32_t>(scaled);
}

SizeCounts ScaleCounts(const SizeCounts& c, float memoryInc) {
    SizeCounts s;
    s.MaxReqLen = ScaleCount(c.MaxReqLen, memoryInc);
    s.MaxAnsLen = ScaleCount(c.MaxAnsLen, memoryInc);
    s.MaxDescrLen = ScaleCount(c.MaxDescrLen, memoryInc);
    s.ActAnsMaxCount = ScaleCount(c.ActAnsMaxCount, memoryInc);
    s.ActMaxCount = ScaleCount(c.ActMaxCount, memoryInc);
    s.MaxReqCount = ScaleCount(c.MaxReqCount, memoryInc);
    s.MultiAnswerNum = ScaleCount(c.MultiAnswerNum, memoryInc);
    return s;
}
