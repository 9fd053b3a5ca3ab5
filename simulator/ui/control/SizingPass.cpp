#include "SizingPass.h"

#include "BusUnit.h"
#include "IniDocument.h"
#include "SimulationKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

namespace {

static_assert(MaxMessageBytes == BusMaxMessageBytes, "a simulation's texts must fit the bus units' messages");

constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void OutOfRange(const std::string& section, const std::string& key, const std::string& what) {
    throw SimulationOutOfRange("[" + section + "] " + key + " is out of range: " + what);
}

// A request or answer that no bus unit could carry.
void RequireMessage(const std::string& text, const std::string& section, const std::string& key) {
    if (text.size() > static_cast<std::size_t>(MaxMessageDigits))
        OutOfRange(section, key,
                   std::to_string(text.size()) + " digits, but a message has at most " +
                       std::to_string(MaxMessageBytes) + " bytes (" + std::to_string(MaxMessageDigits) + " digits)!");
}

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
        const std::int32_t requests = ExistingRequestCount(file_);
        t.MaxReqCount = requests;
        FixedExchanges();
        RequestEntries(requests);
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
    // A request or answer measured, after it is found to fit a message.
    static void MeasureMessage(std::int64_t& count, const std::string& text, const std::string& section,
                               const std::string& key) {
        RequireMessage(text, section, key);
        Tally::Measure(count, text);
    }
    void Exchange(const std::string& section, const char* requestKey, const char* answerKey,
                  const std::string& description) {
        MeasureMessage(t.MaxReqLen, Read(section, requestKey), section, requestKey);
        MeasureMessage(t.MaxAnsLen, Read(section, answerKey), section, answerKey);
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
        Exchange(Protocol, ActivationRequest, ActivationAnswer, EcuActivationDescription);
        Exchange(EndCommunication, Request, Answer, Read(EndCommunication, Description, EndCommunicationDefault));
        Exchange(TesterPresent, Request, Answer, Read(TesterPresent, Description, TesterPresentDefault));
    }

    void RequestEntries(std::int32_t n) {
        using namespace SimKeys;
        for (int i = 1; i <= n; ++i) {
            Pump();
            const std::string section = RequestSection(i);
            const std::string answerSection = AnswerSection(i);
            const std::string request = FoldAsciiCase(Read(section, Request));
            const std::string answer = Read(answerSection, Answer);
            MeasureMessage(t.MaxReqLen, request, section, Request);
            MeasureMessage(t.MaxAnsLen, answer, answerSection, Answer);
            Tally::Measure(t.MaxDescrLen, RequestDescription(file_, i, request));
            ByteDescriptions(answerSection, answer);
            std::int64_t answers = 1;
            if (Read(section, MultiAnswer, "N") == MultiAnswerYes) {
                for (int letter = 0; letter < MaxLetteredAnswers; ++letter) {
                    Pump();
                    const std::string lettered = LetteredAnswerSection(i, letter);
                    const std::string next = Read(lettered, Answer);
                    if (next.empty()) break;
                    MeasureMessage(t.MaxAnsLen, next, lettered, Answer);
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
            MeasureMessage(t.MaxReqLen, Read(section, Request), section, Request);
            Tally::Measure(t.MaxDescrLen, Read(section, Description, FaultDescriptionPrefix + std::to_string(n)));
            for (int c = 0; c < FaultColumnCount; ++c) {
                const std::string column = FaultSection(n, c);
                const TStringList answers = FaultColumnAnswers(file_, column, false);
                for (std::size_t k = 0; k < answers.size(); ++k)
                    MeasureMessage(t.MaxAnsLen, answers[k], column, FaultAnswerKey(static_cast<int>(k + 1)));
                t.Answers(static_cast<std::int64_t>(answers.size()));
            }
            t.MaxReqCount += 1;
        }
    }

    void Activations() {
        using namespace SimKeys;
        std::map<std::string, std::int64_t> stepsByName; // one engine activation per name
        const std::vector<std::int32_t> numbers = ExistingActivationNumbers(file_);
        t.ActMaxCount = static_cast<std::int64_t>(numbers.size());
        for (const std::int32_t a : numbers) {
            const std::string section = ActivationSection(a);
            const std::string name = Read(section, Description, section);
            Tally::Measure(t.MaxDescrLen, name);
            std::int64_t& steps = stepsByName[name];
            for (int j = 1;; ++j) {
                const std::optional<std::string> request = file_.ReadValue(section, StepRequestKey(j));
                if (!request) break;
                Pump();
                MeasureMessage(t.MaxReqLen, *request, section, StepRequestKey(j));
                const TStringList answers = StepAnswers(file_, section, j, false);
                for (std::size_t k = 0; k < answers.size(); ++k)
                    MeasureMessage(t.MaxAnsLen, answers[k], section, StepAnswerKey(j, static_cast<int>(k + 1)));
                t.Answers(static_cast<std::int64_t>(answers.size()));
                Tally::Measure(t.MaxDescrLen, Read(section, StepDescriptionKey(j).c_str(), name));
                const std::int32_t r = StepRepetitions(file_, section, j);
                t.MaxReqCount += r;
                steps += r;
                t.ActAnsMaxCount = std::max(t.ActAnsMaxCount, steps);
            }
        }
    }

    // A header length as the engine reads it; one beyond a message (or too large to read, which
    // the engine would take as 0) is out of range. A negative one adds no room.
    std::int64_t HeaderLength(const char* key) const {
        using namespace SimKeys;
        const std::optional<std::int32_t> value = ReadIntegerValue(file_, Protocol, key);
        const std::string text = Read(Protocol, key);
        if ((!value && WrittenAsInteger(text)) || (value && *value > MaxMessageBytes))
            OutOfRange(Protocol, std::string(key) + "=" + text,
                       "a header has at most " + std::to_string(MaxMessageBytes) + " bytes!");
        return std::max(0, value.value_or(0));
    }

    void HeaderRoom() {
        using namespace SimKeys;
        const std::int64_t rx = HeaderLength(LenHeaderRx);
        const std::int64_t tx = HeaderLength(LenHeaderTx);
        const std::int64_t h = std::max(rx, tx);
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
    } catch (const SimulationOutOfRange&) {
        pass.t.Into(counts);
        throw;
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

double StoreBytes(const SizeCounts& l) {
    // What each object of the store reserves (UDStructures.h): texts of their limits, wire texts
    // with the codec's overhead beyond them, an answer's bytes, and the objects themselves.
    constexpr double overhead = 40;   // kFrameOverheadChars
    constexpr double objectBytes = 128;
    const double answer = 2.0 * l.MaxAnsLen + overhead + (l.MaxAnsLen + overhead) / 2 + objectBytes;
    const double item = 2.0 * l.MaxReqLen + overhead + l.MaxDescrLen + objectBytes +
                        static_cast<double>(l.MultiAnswerNum) * answer;
    const double requests = static_cast<double>(l.MaxReqCount) * item;
    const double activations =
        static_cast<double>(l.ActMaxCount) * (l.MaxDescrLen + objectBytes + static_cast<double>(l.ActAnsMaxCount) * item);
    return 2 * (requests + activations) + item; // live and edit copies, and the work item
}

void CheckStoreRoom(const SizeCounts& l) {
    const double bytes = StoreBytes(l);
    if (bytes <= MaxStoreBytes) return;
    // In whole megabytes; a double, since limits held at their largest value give more than 64 bits hold.
    const auto megabytes = [](double b) {
        char text[64];
        std::snprintf(text, sizeof text, "%.0f", std::floor(b / (1024.0 * 1024.0)));
        return std::string(text);
    };
    const auto limit = [](const char* name, std::int32_t value) { return std::string(name) + "=" + std::to_string(value); };
    throw SimulationOutOfRange(
        "The engine's tables for this simulation would take " + megabytes(bytes) + " MB, more than the " +
        megabytes(MaxStoreBytes) + " MB allowed!\n" +
        limit("MaxReqLen", l.MaxReqLen) + " " + limit("MaxAnsLen", l.MaxAnsLen) + " " +
        limit("MaxDescrLen", l.MaxDescrLen) + " " + limit("ActAnsMaxCount", l.ActAnsMaxCount) + " " +
        limit("ActMaxCount", l.ActMaxCount) + " " + limit("MaxReqCount", l.MaxReqCount) + " " +
        limit("MultiAnswerNum", l.MultiAnswerNum) +
        "\nCheck the file's longest texts and its counts, and MemoryInc and MultiAnswerNum of [STRUCTURE_SIZE] in "
        "Default_file/SystemSettings.ini.");
}

TStoreGrowth EditGrowth(const TCustomIniFile& file, float memoryInc, std::int32_t minAnswers) {
    using namespace SimKeys;
    // The header as the sizing pass reads it; one out of range gave the load no room either.
    const auto header = [&](const char* key) {
        const std::optional<std::int32_t> value = ReadIntegerValue(file, Protocol, key);
        return std::clamp(value.value_or(0), 0, MaxMessageBytes);
    };
    TStoreGrowth growth;
    growth.MemoryInc = memoryInc;
    growth.HeaderChars = 2 * std::max(header(LenHeaderRx), header(LenHeaderTx));
    growth.MinAnswers = minAnswers;
    growth.MaxTextChars = MaxMessageDigits;
    growth.Holds = [](const TStoreLimits& l) {
        SizeCounts limits;
        ApplyLimits(l, limits);
        return StoreBytes(limits) <= MaxStoreBytes;
    };
    return growth;
}
