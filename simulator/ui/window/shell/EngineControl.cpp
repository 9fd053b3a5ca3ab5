#include "EngineControl.h"

#include "KRIXCommunicationThread.h"

namespace {

constexpr ButtonChange K = ButtonChange::Keep;
constexpr ButtonChange E = ButtonChange::Enable;
constexpr ButtonChange D = ButtonChange::Disable;

struct StatusRow {
    std::uint8_t Code;
    const char* Line;
    bool ErrorText; // a second line with the engine's error text
    ButtonChange Start, Stop, Reset;
};

constexpr StatusRow StatusTable[] = {
    {SimulatorStatus::InitLink, "Loading system... Wait please...", false, D, D, K},
    {SimulatorStatus::ReloadLink, "Reloading system...", false, D, D, K},
    {SimulatorStatus::InitFailed, "Error loading system!", true, K, K, K},
    {SimulatorStatus::Ready, "System loaded!", false, E, K, E},
    {SimulatorStatus::StartRequested, "Running...", false, D, E, K},
    {SimulatorStatus::StartFailed, "Start error!", true, K, K, K},
    {SimulatorStatus::StopRequested, "System stopped", false, E, D, K},
    {SimulatorStatus::StopFailed, "Stop error!", true, K, K, K},
    {SimulatorStatus::ResetRequested, "System reset", false, D, D, D},
    {SimulatorStatus::Running, "In communication...", false, K, K, K},
};

const StatusRow* RowOf(std::uint8_t code) {
    for (const StatusRow& row : StatusTable)
        if (row.Code == code) return &row;
    return nullptr;
}

} // namespace

std::uint8_t StatusCode(std::int32_t status) { return static_cast<std::uint8_t>(status & 0xFF); }

bool StatusNeedsErrorText(std::uint8_t code) {
    const StatusRow* row = RowOf(code);
    return row != nullptr && row->ErrorText;
}

std::optional<StatusReport> ReportOfStatus(std::uint8_t code, const std::string& errorText) {
    const StatusRow* row = RowOf(code);
    if (row == nullptr) return std::nullopt;
    StatusReport report;
    report.Lines.emplace_back(row->Line);
    if (row->ErrorText) report.Lines.push_back(errorText);
    report.Start = row->Start;
    report.Stop = row->Stop;
    report.Reset = row->Reset;
    return report;
}
