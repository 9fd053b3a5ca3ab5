#pragma once
// How the request editor writes one request entry into the simulation file: R of its section,
// one answer section per answer with its byte descriptions, and MA from the number of answers, so
// that the loading pass reads back exactly the answers written and no answer left over from
// before.
#include "IniFile.h"
#include "SimulationKeys.h"
#include "StringList.h"

#include <string>
#include <vector>

// One answer as it goes into its section: the file form and its byte descriptions (null: the
// section's BYTE keys stay as they are).
struct EntryAnswer {
    std::string Answer;
    const TStringList* Bytes = nullptr;
};

// The section of the c-th answer (c from 1) of entry i: ANSWER<i>, then ANSWER<i>a, ANSWER<i>b,
// ... (the letter of code 95 + c; the loading pass asks for the same sections in upper case).
std::string AnswerSectionOf(int i, int c);

// The first answer and one per letter a to z: the most answers an entry holds in the file.
inline constexpr int MaxEntryAnswers = 1 + SimKeys::MaxLetteredAnswers;

// R of REQUEST<i>; for each answer A and BYTE<k> (k from 1): a description that is not empty is
// written, an empty one removes its key, and so does every BYTE key beyond the descriptions; MA is
// "Y" for two answers or more, else "N"; the answer sections beyond the last answer are erased.
// Raises when there are more answers than MaxEntryAnswers.
void WriteRequestEntry(TCustomIniFile& file, int i, const std::string& request,
                       const std::vector<EntryAnswer>& answers);
