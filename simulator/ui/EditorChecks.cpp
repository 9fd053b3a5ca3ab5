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
