#pragma once
// Default_file/SystemSettings.ini beside the simulation file: the table sizing factors and the
// options of the simulator and the fault-code scanning. File-backed; read at each load, the
// options written back only when the window closes. A missing file or key reads as the default.
#include "IniFile.h"

#include <cstdint>
#include <string>

inline constexpr const char* SystemSettingsPath = "Default_file/SystemSettings.ini";

namespace SystemKeys {
inline constexpr const char* StructureSize = "STRUCTURE_SIZE";
inline constexpr const char* MemoryInc = "MemoryInc";
inline constexpr const char* MultiAnswerNum = "MultiAnswerNum";
inline constexpr const char* Protocol = "PROTOCOL";
inline constexpr const char* SIDPos = "SIDPos";
inline constexpr const char* Options = "OPTIONS";
inline constexpr const char* ResetTimeout = "ResetTimeout";
inline constexpr const char* DefaultLength = "DefaultLength";
inline constexpr const char* AutoAnswer = "AutoAnswer";
inline constexpr const char* ErrorScan = "ERROR_SCAN";
inline constexpr const char* ScanningMode = "Scanning mode";
inline constexpr const char* IncrementMode = "Increment mode";
inline constexpr const char* FaultReadNumber = "Fault read number";
inline constexpr const char* ErrorCodeOffset = "Error code offset";
inline constexpr const char* StatusBytePos = "Status byte pos";
inline constexpr const char* BytesPerError = "Bytes per error";
} // namespace SystemKeys

inline constexpr float MemoryIncDefault = 1.25f;
inline constexpr std::int32_t MultiAnswerNumDefault = 8;

// Ranges of the option controls.
inline constexpr int ResetTimeoutMin = 0, ResetTimeoutMax = 60;
inline constexpr int DefaultLengthMin = 1, DefaultLengthMax = 256;
inline constexpr int ScanSpinMin = 0, ScanSpinMax = 300;
inline constexpr int ScanningModeItems = 2;  // "Normal", "Alternative"
inline constexpr int IncrementModeItems = 4; // "Standard", "SAE", "SAE no alpha", "No alpha"
inline constexpr int NoItem = -1;

// The values of the option controls. Default-constructed: what the controls show before any
// simulation is loaded.
struct SystemOptions {
    int ResetTimeout = 60;    // seconds, 0 to 60
    int DefaultLength = 1;    // bytes, 1 to 256
    bool AutoAnswer = true;
    int ScanningMode = 0;     // item index, -1 none
    int IncrementMode = 0;    // item index, -1 none
    int FaultReadNumber = 2;  // 0 to 300 each
    int ErrorCodeOffset = 2;
    int StatusBytePos = 0;
    int BytesPerError = 3;
    bool operator==(const SystemOptions&) const = default;
};

// The controls' ranges: spin values are clamped; a scanning mode above the last item selects the
// last one and a negative one none; an increment mode outside the list selects none.
SystemOptions ClampOptions(SystemOptions options);

class SystemSettings {
public:
    // On Default_file/SystemSettings.ini of the simulation folder; touches no file.
    explicit SystemSettings(const std::string& simulationFolder);

    const std::string& FileName() const { return file_.FileName(); }

    // The options load: the OPTIONS and ERROR_SCAN keys with their file defaults, clamped.
    SystemOptions ReadOptions() const;
    // STRUCTURE_SIZE / MultiAnswerNum (default 8); a negative value counts as 0.
    std::int32_t MultiAnswerNum() const;
    // STRUCTURE_SIZE / MemoryInc (default 1.25) as a 32-bit float.
    float MemoryInc() const;
    // PROTOCOL / SIDPos (default 0).
    std::int32_t SIDPos() const;

    // The close: OPTIONS / ResetTimeout, DefaultLength, AutoAnswer, then the six ERROR_SCAN keys.
    void WriteOptions(const SystemOptions& options);

private:
    TIniFile file_;
};
