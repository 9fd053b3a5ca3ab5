#pragma once
// Automatic fault-code scanning on the errors page: the scan driver's actions carried out on the
// page's model and on what only the window has (the fault-reading counter, the options, the ZULM
// port, message boxes, the "Auto Scanning" box and the scan timer), so that the window's handlers
// are one call each. Window's thread only.
#include "ErrorRequests.h"
#include "FaultScanDriver.h"
#include "SimulationView.h"
#include "SystemSettings.h"

#include <cstdint>
#include <string>

// The options of the "Error Scanning Options" group as the scanning takes them.
ScanSettings ScanSettingsOf(const SystemOptions& options);
// The column choice of the scanning request (item of its choice, "ERROR_1" first); 0 for an
// item without a loaded error request.
int ScanColumnOf(const SimulationView& view, int scanRequestItem);

// What the window does for the scanning.
class ScanHost {
public:
    virtual ~ScanHost() = default;
    virtual std::int32_t FaultReadingCount() const = 0;
    virtual void ResetFaultReadingCount() = 0;
    virtual ScanSettings Settings() const = 0;
    // TCommPort1's Open and WriteString; a failure raises with the port's message.
    virtual void OpenZulm() = 0;
    virtual void WriteZulm(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // Untick "Auto Scanning", close the port, stop the timer.
    virtual void StopScanning() = 0;
};

// "Auto Scanning" ticked: the driver switched on with the scan column (over the selected error
// request's answers), then the port opened. True when scanning is on, so the window starts its
// timer; a refused setting or a port that does not open stops scanning (StopScanning: the box
// unticked, so that it never shows scanning that is not running), then the refusal is shown.
bool SwitchScanningOn(FaultScanDriver& driver, int scanColumn, const ErrorRequestsEditor& editor, ScanHost& host);
// One tick of the scan timer: the step's actions, in order; a failed write to the ZULM port turns
// scanning off (StopScanning, then its message). True when the tick made a step.
bool RunScanTick(FaultScanDriver& driver, ErrorRequestsEditor& editor, ScanHost& host);
// The actions of a step, in order (RunScanTick uses it; the window needs it for nothing else).
void CarryOut(const ScanActions& actions, FaultScanDriver& driver, ErrorRequestsEditor& editor, ScanHost& host);
