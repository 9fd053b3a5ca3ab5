#include "FaultScanDriver.h"

#include "HexText.h"

namespace {

ScanAction Message(std::string text) { return {ScanAction::Kind::ShowMessage, -1, std::move(text)}; }

bool EmptyFirstAnswer(const ErrorsPageModel& page, int column) { return StripBlanks(page.FirstAnswer(column)).empty(); }

} // namespace

int AlternateColumn(int column) { return column == OneErrorColumn ? TwoErrorsColumn : OneErrorColumn; }

std::string EmptyAlternateRefusal(int column) {
    return std::string("Alternative scanning would answer with \"") +
           AnswerColumnHeaders[static_cast<std::size_t>(column)] + "\", which has no answer!";
}

ScanActions FaultScanDriver::SwitchOn(int scanColumn, const ErrorsPageModel& page) {
    const ScanSettings settings = page.Settings();
    state_ = State::Off;
    if (std::string refusal = FaultScan::LayoutRefusal(settings.Layout); !refusal.empty())
        return {Message(std::move(refusal))};
    const int column = scanColumn >= 0 && scanColumn < AnswerColumnCount ? scanColumn : NoErrorsColumnIndex;
    if (settings.ScanningMode == AlternativeScanning && column != NoErrorsColumnIndex &&
        EmptyFirstAnswer(page, AlternateColumn(column)))
        return {Message(EmptyAlternateRefusal(AlternateColumn(column)))};
    scanColumn_ = column;
    state_ = State::Waiting;
    return {};
}

ScanActions FaultScanDriver::Tick(const ErrorsPageModel& page) {
    if (state_ != State::Waiting) return {};
    const ScanSettings settings = page.Settings();
    if (page.FaultReadingCount() <= settings.RequestsBetweenSteps) return {};
    state_ = State::Stepping;
    ScanActions actions{{ScanAction::Kind::ResetCounter, -1, {}}};
    const ScanActions step = Step(page, settings);
    actions.insert(actions.end(), step.begin(), step.end());
    return actions;
}

void FaultScanDriver::StepDone() {
    if (state_ == State::Stepping) state_ = State::Waiting;
}

ScanActions FaultScanDriver::WriteFailed(const std::string& message) { return Refuse(message); }

ScanActions FaultScanDriver::Refuse(std::string text) {
    state_ = State::Off;
    return {{ScanAction::Kind::StopScanning, -1, {}}, Message(std::move(text))};
}

ScanActions FaultScanDriver::Step(const ErrorsPageModel& page, const ScanSettings& settings) {
    const int c = page.SelectedColumnChoice();
    if (c < 0) return {};
    const bool scanning = settings.ScanningMode == NormalScanning || settings.ScanningMode == AlternativeScanning;
    if (c == NoErrorsColumnIndex || !scanning) {
        if (EmptyFirstAnswer(page, c)) return Refuse(ErrorCodeEmptyPrefix + std::to_string(c));
        if (std::string refusal = page.AnswersRefusal(c); !refusal.empty()) return Refuse(std::move(refusal));
        return {{ScanAction::Kind::ApplyCurrentColumn, -1, {}}};
    }
    if (settings.ScanningMode == NormalScanning) return Advance(page, settings, c, true);

    alternation_ = !alternation_;
    if (!alternation_) {
        const std::string answer = StripBlanks(page.FirstAnswer(c));
        if (answer.empty()) return Refuse(ErrorCodeEmptyPrefix + std::to_string(c));
        const int other = AlternateColumn(c);
        if (EmptyFirstAnswer(page, other)) return Refuse(EmptyAlternateRefusal(other));
        if (std::string refusal = page.AnswersRefusal(other); !refusal.empty()) return Refuse(std::move(refusal));
        FaultScan::ScanOutcome text = FaultScan::ZulmCodeText(answer, settings.Layout.ErrorCodeOffset);
        if (!text.Ok()) return Refuse(std::move(text.Refusal));
        return {{ScanAction::Kind::SelectColumn, other, {}}, {ScanAction::Kind::Send, -1, text.Value}};
    }
    // The scan column is selected only when it can be advanced: an empty one answers nothing.
    ScanActions actions = Advance(page, settings, scanColumn_, false);
    if (state_ != State::Off) actions.insert(actions.begin(), {ScanAction::Kind::SelectColumn, scanColumn_, {}});
    return actions;
}

ScanActions FaultScanDriver::Advance(const ErrorsPageModel& page, const ScanSettings& settings, int column,
                                     bool send) {
    const std::string answer = StripBlanks(page.FirstAnswer(column));
    if (answer.empty()) return Refuse(ErrorCodeEmptyPrefix + std::to_string(column));
    FaultScan::ScanOutcome advanced =
        FaultScan::AdvanceAnswer(answer, settings.Layout, FaultScan::IncrementModeOf(settings.IncrementMode));
    if (!advanced.Ok()) return Refuse(std::move(advanced.Refusal));
    // Row 1 is whole (it was advanced); the rows below go to the engine as they stand.
    if (std::string refusal = page.AnswersRefusal(column); !refusal.empty()) return Refuse(std::move(refusal));
    FaultScan::ScanOutcome text;
    if (send) {
        text = FaultScan::ZulmCodeText(advanced.Value, settings.Layout.ErrorCodeOffset);
        if (!text.Ok()) return Refuse(std::move(text.Refusal));
    }
    ScanActions actions{{ScanAction::Kind::SetFirstAnswer, column, DividePacket(advanced.Value)},
                        {ScanAction::Kind::ApplyCurrentColumn, -1, {}}};
    if (send) actions.push_back({ScanAction::Kind::Send, -1, text.Value});
    return actions;
}
