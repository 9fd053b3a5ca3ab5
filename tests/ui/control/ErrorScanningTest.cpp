// Automatic fault-code scanning carried out on the errors page's model and a request store: a
// step moves the grid, the engine's answer and the ZULM unit's code together; switching on and a
// failed write; and the ZULM unit's port on a pseudo-terminal receiving exactly the step's bytes.
#include "ErrorScanning.h"

#include "EditorTestSupport.h"
#include "Exception.h"
#include "PseudoTerminal.h"
#include "ZulmPort.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <memory>

namespace {

constexpr int Rows = 3;

// The example: a two-byte header, then three entries of code and status byte.
const std::string Simulation =
    "[ERROR_10]\r\nR=1902FF\r\nA_1=5902FF\r\n"
    "[ERROR_11]\r\nA_1=590201012F01022F01032F\r\n";
const std::string Advanced = "590201042f01052f01062f";
const std::string AdvancedShown = "59 02 01 04 2f 01 05 2f 01 06 2f";
const std::string SentForAdvanced = "[01 04 2f 34";

class RecordingHost : public ScanHost {
public:
    std::int32_t Counter = 0;
    ScanSettings Options;
    bool FailOpen = false, FailWrite = false;
    int Opened = 0, Stopped = 0;
    TStringList Written, Messages;

    std::int32_t FaultReadingCount() const override { return Counter; }
    void ResetFaultReadingCount() override { Counter = 0; }
    ScanSettings Settings() const override { return Options; }
    void OpenZulm() override {
        if (FailOpen) throw Exception(ZulmOpenError);
        ++Opened;
    }
    void WriteZulm(const std::string& text) override {
        if (FailWrite) throw Exception(ZulmWriteError);
        Written.push_back(text);
    }
    void ShowMessage(const std::string& text) override { Messages.push_back(text); }
    void StopScanning() override { ++Stopped; }
};

// The window's port in the host: the text goes to TCommPort1 as it stands.
class PortHost final : public RecordingHost {
public:
    explicit PortHost(TCommPort1& port) : port_(port) {}
    void OpenZulm() override { port_.Open(); }
    void WriteZulm(const std::string& text) override { port_.WriteString(text.c_str()); }

private:
    TCommPort1& port_;
};

using Pty = PseudoTerminal;

class ErrorScanningTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        Load(Simulation);
        editor = std::make_unique<ErrorRequestsEditor>(file, engine, view, Rows, 100, Recorder());
        editor->ShowTab(0);
        ASSERT_TRUE(editor->SelectColumn(OneErrorColumn)); // the scanned answer, also for the engine
    }
    // The fault readings of the exchanges between two steps, and the next tick.
    void TickAfter(RecordingHost& host, std::int32_t faultReadings) {
        host.Counter = faultReadings;
        RunScanTick(driver, *editor, host);
    }

    std::unique_ptr<ErrorRequestsEditor> editor;
    FaultScanDriver driver;
};

} // namespace

TEST_F(ErrorScanningTest, AStepMovesTheGridTheEngineAndTheZulmCodeTogether) {
    RecordingHost host;
    ASSERT_TRUE(SwitchScanningOn(driver, ScanColumnOf(view, 0), *editor, host));
    EXPECT_EQ(host.Opened, 1);
    EXPECT_EQ(driver.ScanColumn(), OneErrorColumn);

    TickAfter(host, 2); // not more than the two between steps
    EXPECT_EQ(host.Written, TStringList{});
    EXPECT_EQ(editor->FirstAnswer(OneErrorColumn), "59 02 01 01 2f 01 02 2f 01 03 2f");

    TickAfter(host, 3);
    EXPECT_EQ(host.Counter, 0);
    EXPECT_EQ(editor->FirstAnswer(OneErrorColumn), AdvancedShown);
    EXPECT_EQ(EngineAnswers("1902ff"), TStringList{Advanced});
    EXPECT_EQ(host.Written, TStringList{SentForAdvanced});
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Waiting);
    EXPECT_EQ(host.Messages, TStringList{});
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ErrorScanningTest, AFailedWriteTurnsScanningOffWithTheGridAndEngineAgreeing) {
    RecordingHost host;
    host.FailWrite = true;
    ASSERT_TRUE(SwitchScanningOn(driver, ScanColumnOf(view, 0), *editor, host));
    TickAfter(host, 3);
    EXPECT_EQ(host.Stopped, 1);
    EXPECT_EQ(host.Messages, TStringList{ZulmWriteError});
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    EXPECT_EQ(editor->FirstAnswer(OneErrorColumn), AdvancedShown);
    EXPECT_EQ(EngineAnswers("1902ff"), TStringList{Advanced});

    host.FailWrite = false;
    TickAfter(host, 3);
    EXPECT_EQ(host.Written, TStringList{});
}

TEST_F(ErrorScanningTest, SwitchingOnIsRefusedForBadSettingsAndAPortThatDoesNotOpen) {
    RecordingHost host;
    host.Options.Layout.BytesPerError = 0;
    EXPECT_FALSE(SwitchScanningOn(driver, OneErrorColumn, *editor, host));
    EXPECT_EQ(host.Opened, 0);
    host.Options.Layout.BytesPerError = 3;
    host.FailOpen = true;
    EXPECT_FALSE(SwitchScanningOn(driver, OneErrorColumn, *editor, host));
    EXPECT_EQ(host.Messages, (TStringList{FaultScan::BytesPerErrorRefusal, ZulmOpenError}));
    EXPECT_EQ(host.Stopped, 2); // "Auto Scanning" unticked each time
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);

    // The scan column of an item without a loaded error request is "No errors".
    EXPECT_EQ(ScanColumnOf(view, 0), OneErrorColumn);
    EXPECT_EQ(ScanColumnOf(view, 2), 0);
    EXPECT_EQ(ScanColumnOf(view, -1), 0);

    SystemOptions options;
    options.ScanningMode = AlternativeScanning;
    options.IncrementMode = 2;
    options.FaultReadNumber = 7;
    options.ErrorCodeOffset = 4;
    options.StatusBytePos = 1;
    options.BytesPerError = 5;
    const ScanSettings expected{AlternativeScanning, 2, 7, {4, 1, 5}};
    EXPECT_EQ(ScanSettingsOf(options), expected);
}

TEST_F(ErrorScanningTest, TheZulmUnitReceivesExactlyTheStepsBytes) {
    Pty pty;
    TCommPort1 port;
    port.SetPortName(pty.Name());
    PortHost host(port);
    ASSERT_TRUE(SwitchScanningOn(driver, OneErrorColumn, *editor, host));
    ASSERT_TRUE(port.IsOpen());
    TickAfter(host, 3);
    EXPECT_EQ(pty.Received(), SentForAdvanced);
    EXPECT_EQ(host.Messages, TStringList{});

    // A closed port: the write fails with the port's text and scanning goes off.
    port.Close();
    TickAfter(host, 3);
    EXPECT_EQ(host.Messages, TStringList{ZulmWriteError});
    EXPECT_EQ(host.Stopped, 1);
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);

    // A port another holds, and one that does not exist, are refused with the port's text, which
    // names the port and the device.
    TCommPort1 holder;
    holder.SetPortName(pty.Name());
    holder.Open();
    for (const std::string& name : {pty.Name(), std::string("/dev/no-such-tty")}) {
        host.Messages.clear();
        port.SetPortName(name);
        EXPECT_FALSE(SwitchScanningOn(driver, OneErrorColumn, *editor, host)) << name;
        EXPECT_EQ(host.Messages, TStringList{ZulmOpenErrorText(name, name)}) << name;
        EXPECT_FALSE(port.IsOpen());
    }
}

// The answering cell emptied while scanning: the engine goes on answering with the column's last
// answer, so the tester's fault readings are still counted, and the step that meets the empty
// column is refused once: scanning goes off, then the box; nothing is sent.
class EmptiedAnswerTest : public ErrorScanningTest, public ::testing::WithParamInterface<int> {};

TEST_P(EmptiedAnswerTest, AStepMeetingAnEmptiedAnswerTurnsScanningOff) {
    RecordingHost host;
    host.Options.ScanningMode = GetParam();
    editor->SetCell(TwoErrorsColumn, 1, "59 02 09 01 2f"); // what Alternative mode turns to
    ASSERT_TRUE(SwitchScanningOn(driver, ScanColumnOf(view, 0), *editor, host));
    if (GetParam() == AlternativeScanning) {
        TickAfter(host, 3); // the scan column advanced, answering
        ASSERT_EQ(EngineAnswers("1902ff"), TStringList{Advanced});
    }
    const TStringList answering = EngineAnswers("1902ff");

    editor->CellKeyUp(OneErrorColumn, 1, "");
    EXPECT_EQ(EngineAnswers("1902ff"), answering);
    TickAfter(host, 3);
    EXPECT_EQ(host.Stopped, 1);
    EXPECT_EQ(host.Messages, TStringList{std::string(ErrorCodeEmptyPrefix) + "1"});
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    TickAfter(host, 3);
    EXPECT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Written, TStringList{});
    EXPECT_EQ(EngineAnswers("1902ff"), answering);
    EXPECT_EQ(editor->CurrentColumn(), OneErrorColumn);
}

INSTANTIATE_TEST_SUITE_P(ScanningModes, EmptiedAnswerTest, ::testing::Values(NormalScanning, AlternativeScanning),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == NormalScanning ? std::string("Normal") : std::string("Alternative");
                         });
