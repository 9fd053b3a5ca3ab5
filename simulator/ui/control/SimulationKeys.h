#pragma once
// Section and key names of the simulation file, their reader defaults, and the few reading rules
// that the sizing pass, the loading pass and the load share, so that the two passes read exactly
// the same entries (what the sizing pass counts is what the loading pass registers).
#include "IniFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SimKeys {

inline constexpr const char* NRequest = "NREQUEST";
inline constexpr const char* NActivation = "NACTIVATION";
inline constexpr const char* Count = "N";

inline constexpr const char* Request = "R";
inline constexpr const char* Answer = "A";
inline constexpr const char* Description = "D";
inline constexpr const char* MultiAnswer = "MA";
inline constexpr const char* MultiAnswerYes = "Y"; // exactly so; any other value means one answer

inline constexpr const char* TesterPresent = "TESTER_PRESENT";
inline constexpr const char* EndCommunication = "END_COMMUNICATION";
inline constexpr const char* Protocol = "PROTOCOL";
inline constexpr const char* ProtocolNumber = "PROTOCOL";
inline constexpr const char* ActivationRequest = "ACTIVATION_REQUEST";
inline constexpr const char* ActivationAnswer = "ACTIVATION_ANSWER";
inline constexpr const char* LenHeaderRx = "Len_Header_Rx"; // also spelled LEN_HEADER_RX: one key
inline constexpr const char* LenHeaderTx = "Len_Header_Tx";
inline constexpr const char* Type = "Type";
inline constexpr const char* SetMux = "SetMux";
inline constexpr const char* Notes = "NOTES";
inline constexpr const char* Maker = "Maker";
inline constexpr const char* Can = "CAN";
inline constexpr const char* KLine = "KL";

inline constexpr const char* TesterPresentDefault = "Tester present";
inline constexpr const char* EndCommunicationDefault = "End Communication";
inline constexpr const char* EcuActivationDescription = "ECU Activation";
inline constexpr const char* RequestDescriptionPrefix = "Request ";
inline constexpr const char* FaultDescriptionPrefix = "Fault reading_";

// Lettered answer sections run from A to Z. The editors write the same letters in lower case;
// past the 26th letter the two would name different sections, so no answer is read beyond Z.
inline constexpr int MaxLetteredAnswers = 26;
// A step repeated more often than this counts this often.
inline constexpr int MaxRepetitions = 20;
// Answer columns of a fault-reading entry: the digits 0 to 3, then the manual column.
inline constexpr int FaultColumnCount = 5;
inline constexpr char FaultColumnSuffix[FaultColumnCount] = {'0', '1', '2', '3', 'N'};

// prefix + n + suffix. (Built by appending: "R" + std::to_string(j) trips a false warning of
// some compilers at high optimisation.)
inline std::string Numbered(std::string_view prefix, int n, std::string_view suffix = {}) {
    std::string name(prefix);
    name.append(std::to_string(n)).append(suffix);
    return name;
}

inline std::string RequestSection(int i) { return Numbered("REQUEST", i); }
inline std::string AnswerSection(int i) { return Numbered("ANSWER", i); }
// letter 0 = A (the second answer), 1 = B, ...
inline std::string LetteredAnswerSection(int i, int letter) {
    const char name[] = {static_cast<char>('A' + letter), '\0'};
    return Numbered("ANSWER", i, name);
}
inline std::string ByteKey(int k) { return Numbered("BYTE", k); }

inline std::string FaultSection(int n, int column) {
    const char suffix[] = {FaultColumnSuffix[column], '\0'};
    return Numbered("ERROR_", n, suffix);
}
inline std::string FaultAnswerKey(int k) { return Numbered("A_", k); }
inline std::string FaultTabCaption(int n) { return Numbered("ERROR_", n); }

inline std::string ActivationSection(int n) { return Numbered("ACTIVATION_", n); }
inline std::string StepRequestKey(int j) { return Numbered("R", j); }
inline std::string StepAnswerKey(int j, int k) { return Numbered("A", j, "_").append(std::to_string(k)); }
inline std::string StepDescriptionKey(int j) { return Numbered("D", j); }
inline std::string StepRepetitionKey(int j) { return Numbered("Repetition_Number", j); }

} // namespace SimKeys

// The count N of a section (NREQUEST or NACTIVATION); a negative count reads as 0.
std::int32_t ReadEntryCount(const TCustomIniFile& file, const char* section);

// The request entries that exist: REQUEST1, REQUEST2, ... up to N of NREQUEST, ending at the
// first missing section (where the loading pass stops). A mistyped count sizes nothing.
std::int32_t ExistingRequestCount(const TCustomIniFile& file);
// The n of every ACTIVATION_<n> section the file holds with n from 1 to N of NACTIVATION, in
// ascending order, each once. Numbers without a section register nothing, so the passes walk
// these and never every number up to N.
std::vector<std::int32_t> ExistingActivationNumbers(const TCustomIniFile& file);

// The integer value of a key, as ReadInteger reads it; nothing when the key is missing, empty,
// unreadable or a number that does not fit 32 bits.
std::optional<std::int32_t> ReadIntegerValue(const TCustomIniFile& file, const std::string& section,
                                             const std::string& key);
// True when the text is written as an integer (decimal with an optional sign, or hexadecimal
// after "0x", "0X" or "$"), whether or not it fits 32 bits.
bool WrittenAsInteger(const std::string& text);

// Repetition_Number<j> of an activation step: default 1, above 20 counts as 20, below 1 as 0
// (the step is dropped).
std::int32_t StepRepetitions(const TCustomIniFile& file, const std::string& section, int j);

// The answers of activation step j: A<j>_1 always (empty when missing), then A<j>_2, A<j>_3, ...
// while present; lower case when asked.
TStringList StepAnswers(const TCustomIniFile& file, const std::string& section, int j, bool lower);

// The answers A_1, A_2, ... of a fault-reading section while present.
TStringList FaultColumnAnswers(const TCustomIniFile& file, const std::string& section, bool lower);

// The default description of a request entry also replaces an empty one.
std::string RequestDescription(const TCustomIniFile& file, int i, const std::string& request);
