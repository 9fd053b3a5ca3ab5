#pragma once
// ProgramSettings.ini in the program's folder: the last simulation file, the KRIX device's COM
// port and the ZULM unit's port. File-backed: every change is written to the file at once (each
// write replaces the file through a temporary one, so a crash never leaves half a file); a
// missing file or key reads as the default and the file is created by the first write.
#include "IniFile.h"

#include <string>

inline constexpr const char* ProgramSettingsFileName = "ProgramSettings.ini";

namespace ProgramKeys {
inline constexpr const char* LastFile = "LAST_FILE";
inline constexpr const char* Open = "Open";
inline constexpr const char* Save = "Save";
inline constexpr const char* ComOptions = "COM Options";
inline constexpr const char* DefaultPort = "DefaultPort";
inline constexpr const char* Zulm = "ZULM Settings";
inline constexpr const char* ZulmPort = "COM Port";
inline constexpr const char* ZulmBaudRate = "Baud Rate";

inline constexpr const char* OpenDefault = "simul1.ini";
inline constexpr const char* PortDefault = "COM1";
inline constexpr int BaudRateDefault = 38400;
} // namespace ProgramKeys

class ProgramSettings {
public:
    // On ProgramSettings.ini in the folder; touches no file.
    explicit ProgramSettings(const std::string& programFolder);

    const std::string& FileName() const { return file_.FileName(); }

    std::string LastOpen() const;                 // the open dialog's preset
    void SetLastOpen(const std::string& fileName); // the load, with the full name opened
    void SetLastSave(const std::string& fileName); // "Save as...", with the new name

    std::string DefaultPort() const;              // the KRIX device's port, for SetComPort
    void SetDefaultPort(const std::string& port); // stored as entered, unchecked

    std::string ZulmPort() const;
    void SetZulmPort(const std::string& port);
    int ZulmBaudRate() const;

private:
    TIniFile file_;
};
