// The scanning step driver over a page of its own: when a tick steps, the Normal and Alternative
// sequences action by action, the steps that only apply or only show a message, and the states
// that keep a tick from stepping twice or after a failed write.
#include "FaultScanDriver.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Kind = ScanAction::Kind;

constexpr int ThreeErrorsColumn = 3;
constexpr const char* Status = "2f";

// The example answer: a two-byte header, then entries of code and status byte.
std::string Entries(const std::vector<std::string>& codes) {
    std::string text = "59 02";
    for (const std::string& c : codes) text += " " + c.substr(0, 2) + " " + c.substr(2, 2) + " " + Status;
    return text;
}

ScanAction Reset() { return {Kind::ResetCounter, -1, {}}; }
ScanAction SetFirst(int column, const std::string& text) { return {Kind::SetFirstAnswer, column, text}; }
ScanAction Select(int column) { return {Kind::SelectColumn, column, {}}; }
ScanAction Apply() { return {Kind::ApplyCurrentColumn, -1, {}}; }
ScanAction Send(const std::string& text) { return {Kind::Send, -1, text}; }
ScanAction Message(const std::string& text) { return {Kind::ShowMessage, -1, text}; }
ScanAction Stop() { return {Kind::StopScanning, -1, {}}; }

// The errors page as the driver reads it, carrying out actions as the window would: selecting a
// radio button that was not selected applies its column, which becomes the request's choice.
class Page final : public ErrorsPageModel {
public:
    std::array<std::string, AnswerColumnCount> First;
    int Current = 0;
    int Choice = 0;
    std::int32_t Counter = 0;
    ScanSettings Options;
    std::vector<int> Applied;
    std::vector<std::string> Sent, Messages;

    std::array<std::string, AnswerColumnCount> Refusals; // what applying each column would say
    std::string FirstAnswer(int column) const override { return First[static_cast<std::size_t>(column)]; }
    std::string AnswersRefusal(int column) const override { return Refusals[static_cast<std::size_t>(column)]; }
    int SelectedColumnChoice() const override { return Choice; }
    std::int32_t FaultReadingCount() const override { return Counter; }
    ScanSettings Settings() const override { return Options; }

    void CarryOut(const ScanActions& actions) {
        for (const ScanAction& a : actions) {
            switch (a.What) {
            case Kind::ResetCounter: Counter = 0; break;
            case Kind::SetFirstAnswer: First[static_cast<std::size_t>(a.Column)] = a.Text; break;
            case Kind::SelectColumn:
                if (a.Column != Current) {
                    Current = a.Column;
                    ApplyColumn();
                }
                break;
            case Kind::ApplyCurrentColumn: ApplyColumn(); break;
            case Kind::Send: Sent.push_back(a.Text); break;
            case Kind::ShowMessage: Messages.push_back(a.Text); break;
            case Kind::StopScanning: break;
            }
        }
    }

private:
    void ApplyColumn() {
        Choice = Current;
        Applied.push_back(Current);
    }
};

class FaultScanDriverTest : public ::testing::Test {
protected:
    // The tab's column choice, also selected; scanning on with the scan column.
    void Start(int column, int scanColumn) {
        page.Current = page.Choice = column;
        ASSERT_EQ(driver.SwitchOn(scanColumn, page), ScanActions{});
        ASSERT_EQ(driver.CurrentState(), FaultScanDriver::State::Waiting);
    }
    // Enough fault readings logged, one tick, its actions carried out.
    ScanActions Step() {
        page.Counter = page.Options.RequestsBetweenSteps + 1;
        ScanActions actions = driver.Tick(page);
        page.CarryOut(actions);
        driver.StepDone();
        return actions;
    }

    Page page;
    FaultScanDriver driver;
};

} // namespace

TEST_F(FaultScanDriverTest, AStepComesWithTheTickAfterMoreFaultReadingsThanTheCount) {
    page.Options.RequestsBetweenSteps = 2;
    page.First[OneErrorColumn] = Entries({"0101"});
    Start(OneErrorColumn, OneErrorColumn);
    for (std::int32_t logged : {0, 1, 2}) {
        page.Counter = logged;
        EXPECT_EQ(driver.Tick(page), ScanActions{}) << logged;
    }
    page.Counter = 3; // the third fault-reading exchange
    const ScanActions actions = driver.Tick(page);
    ASSERT_FALSE(actions.empty());
    EXPECT_EQ(actions.front(), Reset());
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Stepping);

    // Until the page is done with them (a message box may be open), no tick steps again.
    page.CarryOut(actions);
    page.Counter = 10;
    EXPECT_EQ(driver.Tick(page), ScanActions{});
    driver.StepDone();
    EXPECT_FALSE(driver.Tick(page).empty());
}

TEST_F(FaultScanDriverTest, NormalAdvancesAppliesAndSendsTheFirstCode) {
    page.First[TwoErrorsColumn] = Entries({"0101", "0102", "0103"});
    Start(TwoErrorsColumn, OneErrorColumn);

    EXPECT_EQ(Step(), (ScanActions{Reset(), SetFirst(TwoErrorsColumn, Entries({"0104", "0105", "0106"})), Apply(),
                                   Send("[01 04 2f 34")}));
    EXPECT_EQ(Step(), (ScanActions{Reset(), SetFirst(TwoErrorsColumn, Entries({"0107", "0108", "0109"})), Apply(),
                                   Send("[01 07 2f 37")}));
    EXPECT_EQ(page.Applied, (std::vector<int>{TwoErrorsColumn, TwoErrorsColumn}));
}

TEST_F(FaultScanDriverTest, AlternativeSendsWhileShowingOneOrTwoErrorsAndAdvancesTheScanColumn) {
    page.Options.ScanningMode = AlternativeScanning;
    page.First[ThreeErrorsColumn] = Entries({"0101", "0102", "0103"});
    page.First[OneErrorColumn] = Entries({"0901"});
    page.First[TwoErrorsColumn] = Entries({"0902"});
    Start(ThreeErrorsColumn, ThreeErrorsColumn);

    // Flag now true: the scan column (already selected) advanced without sending.
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(ThreeErrorsColumn),
                                   SetFirst(ThreeErrorsColumn, Entries({"0104", "0105", "0106"})), Apply()}));
    EXPECT_TRUE(driver.Alternation());
    // Flag now false: the current code sent while the engine answers "One error".
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(OneErrorColumn), Send("[01 04 2f 34")}));
    EXPECT_EQ(page.Choice, OneErrorColumn);
    // Back to the scan column, advanced again.
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(ThreeErrorsColumn),
                                   SetFirst(ThreeErrorsColumn, Entries({"0107", "0108", "0109"})), Apply()}));
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(OneErrorColumn), Send("[01 07 2f 37")}));
    EXPECT_EQ(page.Sent, (std::vector<std::string>{"[01 04 2f 34", "[01 07 2f 37"}));
    EXPECT_EQ(page.Applied, (std::vector<int>{ThreeErrorsColumn, OneErrorColumn, ThreeErrorsColumn, ThreeErrorsColumn,
                                              OneErrorColumn}));

    // From "One error" the other answer shown is "Two errors"; the flag outlives switching off.
    page.First[OneErrorColumn] = Entries({"0201"});
    page.Current = page.Choice = OneErrorColumn;
    driver.SwitchOff();
    ASSERT_EQ(driver.SwitchOn(OneErrorColumn, page), ScanActions{});
    EXPECT_FALSE(driver.Alternation());
    Step(); // flag true: advance
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(TwoErrorsColumn), Send("[02 02 2f 33")}));
}

TEST_F(FaultScanDriverTest, StepsThatOnlyApplyAndStepsRefusedOnce) {
    page.First[NoErrorsColumnIndex] = "58 00";
    page.First[ThreeErrorsColumn] = Entries({"0101"});
    Start(NoErrorsColumnIndex, ThreeErrorsColumn);
    EXPECT_EQ(Step(), (ScanActions{Reset(), Apply()})); // "No errors" is never scanned
    page.Choice = page.Current = ThreeErrorsColumn;
    page.Options.ScanningMode = -1; // no scanning mode selected
    EXPECT_EQ(Step(), (ScanActions{Reset(), Apply()}));
    // No error request selected: nothing but the counter.
    page.Choice = -1;
    EXPECT_EQ(Step(), (ScanActions{Reset()}));

    // A step that is refused changes nothing and turns scanning off before its one box: the
    // same refusal would come back every step while nothing is sent.
    struct Case {
        const char* what;
        int mode, column;
        std::string first; // the column's first answer
        std::int32_t bytesPerError;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {"Normal, empty", NormalScanning, OneErrorColumn, "", 3, std::string(ErrorCodeEmptyPrefix) + "1"},
        {"Alternative, empty", AlternativeScanning, OneErrorColumn, "", 3,
         std::string(ErrorCodeEmptyPrefix) + "1"},
        {"no mode, empty", -1, ThreeErrorsColumn, "", 3, std::string(ErrorCodeEmptyPrefix) + "3"},
        {"\"No errors\" empty", NormalScanning, NoErrorsColumnIndex, "", 3, std::string(ErrorCodeEmptyPrefix) + "0"},
        {"layout changed while scanning", NormalScanning, ThreeErrorsColumn, Entries({"0101"}), 0,
         FaultScan::BytesPerErrorRefusal},
        {"too short to send", NormalScanning, ThreeErrorsColumn, "59 02 01", 3,
         "The answer 590201 is too short for an error code at byte 2!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        page.Options = {};
        page.First = {};
        page.First[TwoErrorsColumn] = Entries({"0201"}); // what Alternative mode would turn to
        page.First[static_cast<std::size_t>(c.column)] = c.first;
        page.Options.ScanningMode = c.mode;
        Start(c.column, c.column);
        page.Options.Layout.BytesPerError = c.bytesPerError;
        page.Applied.clear();
        EXPECT_EQ(Step(), (ScanActions{Reset(), Stop(), Message(c.refusal)}));
        EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
        EXPECT_EQ(page.First[static_cast<std::size_t>(c.column)], c.first);
        EXPECT_EQ(page.Applied, std::vector<int>{});
        EXPECT_EQ(Step(), (ScanActions{}));
    }
}

TEST_F(FaultScanDriverTest, RefusedSettingsKeepScanningOffAndAFailedWriteTurnsItOff) {
    page.Options.Layout.StatusBytePos = 5;
    EXPECT_EQ(driver.SwitchOn(OneErrorColumn, page), (ScanActions{Message(FaultScan::StatusBytePosRefusal)}));
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    page.Counter = 100;
    EXPECT_EQ(driver.Tick(page), ScanActions{});

    page.Options.Layout.StatusBytePos = 0;
    Start(OneErrorColumn, 9); // a scan column outside the five counts as "No errors"
    EXPECT_EQ(driver.ScanColumn(), NoErrorsColumnIndex);
    EXPECT_EQ(driver.WriteFailed("Cannot write string!"),
              (ScanActions{{Kind::StopScanning, -1, {}}, Message("Cannot write string!")}));
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    driver.StepDone();
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    EXPECT_EQ(driver.Tick(page), ScanActions{});
}

TEST_F(FaultScanDriverTest, AlternativeNeverSelectsAColumnWithoutAnAnswer) {
    // Selected, an empty column would leave the tester's fault reading unanswered: no more fault
    // readings would be counted, and scanning would never step again.
    page.Options.ScanningMode = AlternativeScanning;
    page.First[OneErrorColumn] = Entries({"0101"});
    page.Current = page.Choice = OneErrorColumn;
    const std::string twoErrorsRefusal = "Alternative scanning would answer with \"Two errors\", which has no answer!";
    EXPECT_EQ(driver.SwitchOn(OneErrorColumn, page), ScanActions{Message(twoErrorsRefusal)});
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    // Scanning "Three errors" alternates with "One error", which has an answer; Normal mode
    // alternates with nothing.
    page.First[ThreeErrorsColumn] = Entries({"0301"});
    EXPECT_EQ(driver.SwitchOn(ThreeErrorsColumn, page), ScanActions{});
    page.Options.ScanningMode = NormalScanning;
    EXPECT_EQ(driver.SwitchOn(OneErrorColumn, page), ScanActions{});

    // Alternative chosen while scanning: the step that would turn to the empty column refuses it
    // before it changes anything, and turns scanning off, so that its box comes once and not
    // every second step while nothing is sent.
    page.Options.ScanningMode = AlternativeScanning;
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(OneErrorColumn), SetFirst(OneErrorColumn, Entries({"0102"})),
                                   Apply()}));
    EXPECT_EQ(Step(), (ScanActions{Reset(), Stop(), Message(twoErrorsRefusal)}));
    EXPECT_EQ(page.Choice, OneErrorColumn);
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    EXPECT_EQ(Step(), ScanActions{});

    // "Two errors" given an answer, scanning on again: the step after the next shows it while it
    // sends.
    page.First[TwoErrorsColumn] = Entries({"0201"});
    ASSERT_EQ(driver.SwitchOn(OneErrorColumn, page), ScanActions{});
    Step();
    EXPECT_EQ(Step(), (ScanActions{Reset(), Select(TwoErrorsColumn), Send("[01 03 2f 33")}));

    // The scan column emptied: not selected either, "Two errors" goes on answering, scanning off.
    page.First[OneErrorColumn].clear();
    EXPECT_EQ(Step(), (ScanActions{Reset(), Stop(), Message(std::string(ErrorCodeEmptyPrefix) + "1")}));
    EXPECT_EQ(page.Choice, TwoErrorsColumn);
    EXPECT_EQ(driver.CurrentState(), FaultScanDriver::State::Off);
    EXPECT_EQ(page.Sent, std::vector<std::string>{"[01 03 2f 33"});
}
