#include "RequestEntryWrites.h"

#include "Exception.h"
#include "IniDocument.h"

#include <charconv>

namespace {

// k of a key named BYTE<k> as the loading pass asks for it (any letter case, k decimal without
// leading zeros), or 0 for any other key.
int ByteNumber(const std::string& key) {
    static const std::string prefix = "byte";
    const std::string name = FoldAsciiCase(key);
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    if (*first == '0') return 0;
    int k = 0;
    auto [end, ec] = std::from_chars(first, last, k, 10);
    return ec == std::errc() && end == last ? k : 0;
}

void WriteDescriptions(TCustomIniFile& file, const std::string& section, const TStringList& bytes) {
    for (std::size_t k = 1; k <= bytes.size(); ++k) {
        const std::string key = SimKeys::ByteKey(static_cast<int>(k));
        if (!bytes[k - 1].empty()) file.WriteString(section, key, bytes[k - 1]);
        else if (file.ValueExists(section, key)) file.DeleteKey(section, key);
    }
    // Descriptions of bytes the answer no longer has would come back if it grew again.
    TStringList keys;
    file.ReadSection(section, keys);
    for (const std::string& key : keys)
        if (ByteNumber(key) > static_cast<int>(bytes.size())) file.DeleteKey(section, key);
}

} // namespace

std::string AnswerSectionOf(int i, int c) {
    if (c <= 1) return SimKeys::AnswerSection(i);
    const char letter[] = {static_cast<char>(95 + c), '\0'};
    return SimKeys::Numbered("ANSWER", i, letter);
}

void WriteRequestEntry(TCustomIniFile& file, int i, const std::string& request,
                       const std::vector<EntryAnswer>& answers) {
    using namespace SimKeys;
    if (answers.size() > static_cast<std::size_t>(MaxEntryAnswers))
        throw Exception("A request holds at most " + std::to_string(MaxEntryAnswers) + " answers in the file!");
    const std::string section = RequestSection(i);
    file.WriteString(section, Request, request);
    for (std::size_t c = 1; c <= answers.size(); ++c) {
        const std::string answerSection = AnswerSectionOf(i, static_cast<int>(c));
        file.WriteString(answerSection, Answer, answers[c - 1].Answer);
        if (answers[c - 1].Bytes != nullptr) WriteDescriptions(file, answerSection, *answers[c - 1].Bytes);
    }
    file.WriteString(section, MultiAnswer, answers.size() >= 2 ? MultiAnswerYes : "N");
    for (int c = static_cast<int>(answers.size()) + 1; c <= MaxEntryAnswers; ++c)
        if (file.SectionExists(AnswerSectionOf(i, c))) file.EraseSection(AnswerSectionOf(i, c));
}
