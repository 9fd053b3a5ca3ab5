#include "ProgramSettings.h"

#include <filesystem>

namespace K = ProgramKeys;

ProgramSettings::ProgramSettings(const std::string& programFolder)
    : file_((std::filesystem::path(programFolder) / ProgramSettingsFileName).string()) {}

std::string ProgramSettings::LastOpen() const { return file_.ReadString(K::LastFile, K::Open, K::OpenDefault); }
void ProgramSettings::SetLastOpen(const std::string& fileName) { file_.WriteString(K::LastFile, K::Open, fileName); }
void ProgramSettings::SetLastSave(const std::string& fileName) { file_.WriteString(K::LastFile, K::Save, fileName); }

std::string ProgramSettings::DefaultPort() const {
    return file_.ReadString(K::ComOptions, K::DefaultPort, K::PortDefault);
}
void ProgramSettings::SetDefaultPort(const std::string& port) { file_.WriteString(K::ComOptions, K::DefaultPort, port); }

std::string ProgramSettings::ZulmPort() const { return file_.ReadString(K::Zulm, K::ZulmPort, K::PortDefault); }
void ProgramSettings::SetZulmPort(const std::string& port) { file_.WriteString(K::Zulm, K::ZulmPort, port); }
int ProgramSettings::ZulmBaudRate() const { return file_.ReadInteger(K::Zulm, K::ZulmBaudRate, K::BaudRateDefault); }
