#include "EditorChecks.h"

#include "HexText.h"

bool WholeBytes(const std::string& text) { return StripBlanks(text).size() % 2 == 0; }

TStringList AnswersUpToFirstEmpty(const TStringList& answers) {
    TStringList taken;
    for (const std::string& a : answers) {
        if (StripBlanks(a).empty()) break;
        taken.push_back(a);
    }
    return taken;
}

std::string DisplayFormOf(const std::string& text) {
    const std::string digits = StripBlanks(text);
    if (!WholeBytes(digits)) return text;
    std::string shown = DividePacket(digits);
    for (char& c : shown)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return shown;
}
