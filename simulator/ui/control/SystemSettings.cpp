#include "SystemSettings.h"

#include <algorithm>
#include <filesystem>
#include <limits>

using namespace SystemKeys;

SystemOptions ClampOptions(SystemOptions o) {
    o.ResetTimeout = std::clamp(o.ResetTimeout, ResetTimeoutMin, ResetTimeoutMax);
    o.DefaultLength = std::clamp(o.DefaultLength, DefaultLengthMin, DefaultLengthMax);
    o.ScanningMode = o.ScanningMode < 0 ? NoItem : std::min(o.ScanningMode, ScanningModeItems - 1);
    if (o.IncrementMode < 0 || o.IncrementMode >= IncrementModeItems) o.IncrementMode = NoItem;
    for (int* spin : {&o.FaultReadNumber, &o.ErrorCodeOffset, &o.StatusBytePos, &o.BytesPerError})
        *spin = std::clamp(*spin, ScanSpinMin, ScanSpinMax);
    return o;
}

SystemSettings::SystemSettings(const std::string& simulationFolder)
    : file_((std::filesystem::path(simulationFolder) / SystemSettingsPath).string()) {}

SystemOptions SystemSettings::ReadOptions() const {
    SystemOptions o;
    o.ResetTimeout = file_.ReadInteger(Options, ResetTimeout, 60);
    o.DefaultLength = file_.ReadInteger(Options, DefaultLength, 10);
    o.AutoAnswer = file_.ReadBool(Options, AutoAnswer, false);
    o.ScanningMode = file_.ReadInteger(ErrorScan, ScanningMode, 0);
    o.IncrementMode = file_.ReadInteger(ErrorScan, IncrementMode, 0);
    o.FaultReadNumber = file_.ReadInteger(ErrorScan, FaultReadNumber, 1);
    o.ErrorCodeOffset = file_.ReadInteger(ErrorScan, ErrorCodeOffset, 2);
    o.StatusBytePos = file_.ReadInteger(ErrorScan, StatusBytePos, 0);
    o.BytesPerError = file_.ReadInteger(ErrorScan, BytesPerError, 3);
    return ClampOptions(o);
}

std::int32_t SystemSettings::MultiAnswerNum() const {
    return std::max(0, file_.ReadInteger(StructureSize, SystemKeys::MultiAnswerNum, MultiAnswerNumDefault));
}

float SystemSettings::MemoryInc() const {
    const double value = file_.ReadFloat(StructureSize, SystemKeys::MemoryInc, MemoryIncDefault);
    constexpr double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -largest, largest));
}

std::int32_t SystemSettings::SIDPos() const { return file_.ReadInteger(Protocol, SystemKeys::SIDPos, 0); }

void SystemSettings::WriteOptions(const SystemOptions& o) {
    file_.WriteInteger(Options, ResetTimeout, o.ResetTimeout);
    file_.WriteInteger(Options, DefaultLength, o.DefaultLength);
    file_.WriteBool(Options, AutoAnswer, o.AutoAnswer);
    file_.WriteInteger(ErrorScan, ScanningMode, o.ScanningMode);
    file_.WriteInteger(ErrorScan, IncrementMode, o.IncrementMode);
    file_.WriteInteger(ErrorScan, FaultReadNumber, o.FaultReadNumber);
    file_.WriteInteger(ErrorScan, ErrorCodeOffset, o.ErrorCodeOffset);
    file_.WriteInteger(ErrorScan, StatusBytePos, o.StatusBytePos);
    file_.WriteInteger(ErrorScan, BytesPerError, o.BytesPerError);
}
