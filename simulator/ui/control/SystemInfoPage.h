#pragma once
// The values of the System Info page that come from the simulation file.
#include "IniFile.h"
#include "SimulationView.h"

#include <cstddef>

inline constexpr std::size_t SetMuxLength = 12;
inline constexpr const char* SetMuxMissingTitle = "SetMUX not found";
inline constexpr const char* SetMuxPrompt = "Insert Set Mux value (12 characters)\nDeafult CAN pin 6-14 000B00304000";
inline constexpr const char* InvalidSetMuxWarning = "Invalid Set mux value!\nUsed CAN 6-14: 000B00304000";
inline constexpr const char* SetMuxMissing = "-"; // what the label reads without the key

// The protocol part: the bus kind, and the five bus parameter pairs for Type "CAN" or "KL"
// (compared exactly); any other kind leaves the pairs as they were.
void ShowProtocolLabels(const TCustomIniFile& file, SystemInfo& info);
