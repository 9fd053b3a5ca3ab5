#include "ErrorScanning.h"

#include "Exception.h"

namespace {

// The page as the driver reads it: the editor's grid and choices, the window's counter and options.
class PageOfEditor final : public ErrorsPageModel {
public:
    PageOfEditor(const ErrorRequestsEditor& editor, const ScanHost& host) : editor_(editor), host_(host) {}
    std::string FirstAnswer(int column) const override { return editor_.FirstAnswer(column); }
    std::string AnswersRefusal(int column) const override { return editor_.AnswersRefusal(column); }
    int SelectedColumnChoice() const override { return editor_.SelectedColumnChoice(); }
    std::int32_t FaultReadingCount() const override { return host_.FaultReadingCount(); }
    ScanSettings Settings() const override { return host_.Settings(); }

private:
    const ErrorRequestsEditor& editor_;
    const ScanHost& host_;
};

} // namespace

ScanSettings ScanSettingsOf(const SystemOptions& options) {
    ScanSettings s;
    s.ScanningMode = options.ScanningMode;
    s.IncrementMode = options.IncrementMode;
    s.RequestsBetweenSteps = options.FaultReadNumber;
    s.Layout = {options.ErrorCodeOffset, options.StatusBytePos, options.BytesPerError};
    return s;
}

int ScanColumnOf(const SimulationView& view, int scanRequestItem) {
    if (scanRequestItem < 0 || static_cast<std::size_t>(scanRequestItem) >= view.ErrorTabs.size()) return 0;
    const auto n = static_cast<std::size_t>(view.ErrorTabs[static_cast<std::size_t>(scanRequestItem)].Number);
    return n < view.ColumnChoice.size() ? view.ColumnChoice[n] : 0;
}

bool SwitchScanningOn(FaultScanDriver& driver, int scanColumn, const ErrorRequestsEditor& editor, ScanHost& host) {
    const ScanActions refusals = driver.SwitchOn(scanColumn, PageOfEditor(editor, host));
    if (driver.CurrentState() == FaultScanDriver::State::Off) {
        host.StopScanning();
        for (const ScanAction& a : refusals)
            if (a.What == ScanAction::Kind::ShowMessage) host.ShowMessage(a.Text);
        return false;
    }
    try {
        host.OpenZulm();
    } catch (const std::exception& e) {
        driver.SwitchOff();
        host.StopScanning();
        host.ShowMessage(ExceptionMessage(e));
        return false;
    }
    return true;
}

bool RunScanTick(FaultScanDriver& driver, ErrorRequestsEditor& editor, ScanHost& host) {
    const ScanActions actions = driver.Tick(PageOfEditor(editor, host));
    if (actions.empty()) return false;
    CarryOut(actions, driver, editor, host);
    driver.StepDone();
    return true;
}

void CarryOut(const ScanActions& actions, FaultScanDriver& driver, ErrorRequestsEditor& editor, ScanHost& host) {
    for (const ScanAction& a : actions) {
        switch (a.What) {
        case ScanAction::Kind::ResetCounter: host.ResetFaultReadingCount(); break;
        case ScanAction::Kind::SetFirstAnswer: editor.SetCell(a.Column, 1, a.Text); break;
        // A column refused after the driver's checks (the engine raised): the step goes no
        // further, so nothing is sent for it, and scanning goes off before the one box.
        case ScanAction::Kind::SelectColumn:
        case ScanAction::Kind::ApplyCurrentColumn: {
            std::string refusal;
            if (a.What == ScanAction::Kind::SelectColumn) editor.SelectColumn(a.Column, &refusal);
            else editor.ApplyCurrentColumn(&refusal);
            if (!refusal.empty()) {
                CarryOut(driver.ApplyFailed(refusal), driver, editor, host);
                return;
            }
            break;
        }
        case ScanAction::Kind::ShowMessage: host.ShowMessage(a.Text); break;
        case ScanAction::Kind::StopScanning: host.StopScanning(); break;
        case ScanAction::Kind::Send:
            try {
                host.WriteZulm(a.Text);
            } catch (const std::exception& e) {
                CarryOut(driver.WriteFailed(ExceptionMessage(e)), driver, editor, host);
                return;
            }
            break;
        }
    }
}
