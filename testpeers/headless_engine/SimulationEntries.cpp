#include "SimulationEntries.h"

#include "Exception.h"
#include "IniFile.h"
#include "KRIXCommunicationThread.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr double MemoryInc = 1.25;
constexpr std::int32_t MinMultiAnswer = 8;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct Entry {
    std::string request;
    std::vector<std::string> answers;
    std::string description;
    std::uint8_t type = RequestType::PSI;
    std::string section;
};

std::string ValueOr(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                    const std::string& fallback) {
    const std::string v = ini.ReadString(section, key, "");
    return v.empty() ? fallback : v;
}

// Every entry the driver registers, in the order it registers them.
std::vector<Entry> Entries(const TCustomIniFile& ini) {
    std::vector<Entry> entries;
    const int requests = ini.ReadInteger("NREQUEST", "N", 0);
    for (int i = 1; i <= requests; ++i) {
        const std::string section = "REQUEST" + std::to_string(i);
        const std::string answerSection = "ANSWER" + std::to_string(i);
        Entry e;
        e.section = section;
        e.request = Lower(ini.ReadString(section, "R", ""));
        e.answers.push_back(Lower(ini.ReadString(answerSection, "A", "")));
        if (e.request.empty() || e.answers[0].empty())
            throw Exception("Section [" + section + "] error!!\nAnswer or request not exists!");
        e.description = ValueOr(ini, section, "D", "Request " + e.request);
        if (ini.ReadString(section, "MA", "N") == "Y") {
            for (char letter = 'A'; letter <= 'Z'; ++letter) {
                const std::string more = answerSection + letter;
                const std::string a = Lower(ini.ReadString(more, "A", ""));
                if (a.empty())
                    break;
                e.answers.push_back(a);
                if (!ini.SectionExists(more))
                    break;
            }
        }
        entries.push_back(std::move(e));
    }
    for (int n = 1; ini.SectionExists("ERROR_" + std::to_string(n) + "0"); ++n) {
        const std::string section = "ERROR_" + std::to_string(n) + "0";
        Entry e;
        e.section = section;
        e.type = RequestType::FaultReading;
        e.request = Lower(ini.ReadString(section, "R", ""));
        e.description = Lower(ValueOr(ini, section, "D", "Fault reading_" + std::to_string(n)));
        for (int k = 1; ini.ValueExists(section, "A_" + std::to_string(k)); ++k)
            e.answers.push_back(Lower(ini.ReadString(section, "A_" + std::to_string(k), "")));
        entries.push_back(std::move(e));
    }
    struct Fixed {
        const char* section;
        const char* description;
        std::uint8_t type;
    };
    for (const Fixed& f : {Fixed{"END_COMMUNICATION", "End Communication", RequestType::EndCommunication},
                           Fixed{"TESTER_PRESENT", "Tester present", RequestType::TesterPresent}}) {
        Entry e;
        e.section = f.section;
        e.type = f.type;
        e.request = Lower(ini.ReadString(f.section, "R", ""));
        e.answers.push_back(Lower(ini.ReadString(f.section, "A", "")));
        e.description = ValueOr(ini, f.section, "D", f.description);
        if (!e.request.empty() && !e.answers[0].empty())
            entries.push_back(std::move(e));
    }
    return entries;
}

std::int32_t Scaled(std::size_t count) {
    return static_cast<std::int32_t>(static_cast<double>(count + 1) * MemoryInc);
}

} // namespace

SimulationLimits MeasureSimulation(const TCustomIniFile& ini) {
    std::size_t req = 0, ans = 0, descr = 0, multi = 0;
    const std::vector<Entry> entries = Entries(ini);
    for (const Entry& e : entries) {
        req = std::max(req, e.request.size());
        descr = std::max(descr, e.description.size());
        multi = std::max(multi, e.answers.size());
        for (const std::string& a : e.answers)
            ans = std::max(ans, a.size());
    }
    const std::size_t header = static_cast<std::size_t>(
        std::max(ini.ReadInteger("PROTOCOL", "LEN_HEADER_TX", 0), ini.ReadInteger("PROTOCOL", "LEN_HEADER_RX", 0)));
    SimulationLimits l;
    l.MaxReqLen = Scaled(req + 2 * header);
    l.MaxAnsLen = Scaled(ans + 2 * header);
    l.MaxDescrLen = Scaled(descr + 2 * header);
    l.MultiAnswerNum = std::max(MinMultiAnswer, Scaled(multi));
    l.MaxReqCount = Scaled(entries.size());
    return l;
}

void ApplyLimits(TKRIXCommunicationThread& engine, const SimulationLimits& l) {
    engine.MaxReqLen = l.MaxReqLen;
    engine.MaxAnsLen = l.MaxAnsLen;
    engine.MaxDescrLen = l.MaxDescrLen;
    engine.MultiAnswerNum = l.MultiAnswerNum;
    engine.MaxReqCount = l.MaxReqCount;
}

void RegisterSimulation(TKRIXCommunicationThread& engine, const TCustomIniFile& ini) {
    for (const Entry& e : Entries(ini)) {
        if (!engine.AddRequest(e.request, e.answers, e.description, -1, e.type))
            throw Exception("Request " + e.request + " in section [" + e.section + "] already exists!!");
    }
}
