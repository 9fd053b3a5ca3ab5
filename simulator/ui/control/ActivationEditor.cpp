#include "ActivationEditor.h"

#include "EditorChecks.h"
#include "Exception.h"
#include "HexText.h"
#include "IniDocument.h"
#include "SimulationKeys.h"

#include <algorithm>
#include <set>

namespace {

void AddAll(EngineEditCalls& engine, const ActivationRegistration& r) {
    for (const ActivationStep* step : Registrations(r.Steps))
        engine.AddActivations(r.Name, step->Request, step->Answers, step->Description);
}

// Removes the entries at the given indices.
template <typename T> void EraseIndices(std::vector<T>& items, const std::vector<int>& indices) {
    const std::set<int> doomed(indices.begin(), indices.end());
    std::vector<T> kept;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!doomed.count(static_cast<int>(i))) kept.push_back(std::move(items[i]));
    items = std::move(kept);
}

} // namespace

ActivationEditor::ActivationEditor(TCustomIniFile& file, EngineEditCalls& engine, ActivationSelector& selector,
                                   std::int32_t intraFrameDefault, MessageFunction show)
    : file_(file), engine_(engine), selector_(selector), intraFrameDefault_(intraFrameDefault),
      show_(std::move(show)) {
    for (int p = 1; std::optional<ActivationRegistration> r = LoadedRegistration(file_, p); ++p)
        registered_[p] = std::move(*r);
}

std::string ActivationEditor::GroupCaption() const {
    return "Activation " + std::to_string(selector_.Position) + "/" + std::to_string(selector_.Max);
}

const TStringList& ActivationEditor::ShownAnswers() const {
    static const TStringList none;
    return selectedRow_ < 0 ? none : rows_[static_cast<std::size_t>(selectedRow_)].Answers;
}

std::optional<ActivationRegistration> ActivationEditor::Registered(int p) const {
    const auto it = registered_.find(p);
    if (it == registered_.end()) return std::nullopt;
    return it->second;
}

void ActivationEditor::Fail(const char* prefix, const std::exception& e) const {
    // Every further key of an edit the engine refused is refused again: one box per edit.
    if (typing_ && typedRefused_) return;
    if (typing_) typedRefused_ = true;
    if (show_) show_(prefix + ExceptionMessage(e));
}

bool ActivationEditor::StoreTyped() {
    typing_ = true;
    const bool stored = Store();
    typing_ = false;
    return stored;
}

bool ActivationEditor::Show() {
    typedRefused_ = false;
    name_.clear();
    rows_.clear();
    selectedRow_ = selectedAnswer_ = -1;
    shown_ = written_ = false;
    stored_ = {};
    const int p = selector_.Position;
    // Beyond the maximum nothing would be loaded again: the file does not count it.
    if (p <= 0 || p > selector_.Max) return true;
    try {
        stored_ = ReadActivation(file_, p);
    } catch (const std::exception& e) {
        Fail(ActivationShowFailurePrefix, e);
        return false;
    }
    name_ = stored_.Name;
    rows_ = stored_.Rows;
    shown_ = true;
    SelectRow(rows_.empty() ? -1 : 0);
    return true;
}

bool ActivationEditor::Edited() const { return shown_ && (name_ != stored_.Name || rows_ != stored_.Rows); }

bool ActivationEditor::Store() { return !Edited() || Write(); }

bool ActivationEditor::Refresh() { return !shown_ || Write(); }

bool ActivationEditor::Write() {
    const int p = selector_.Position;
    if (p <= 0 || !shown_) return true;
    try {
        const StepPlan plan = PlanSteps(rows_, p, intraFrameDefault_);
        for (const std::string& message : plan.Messages)
            if (show_) show_(message);
        WriteActivation(file_, p, name_, plan.Steps);

        ActivationRegistration next{RegistrationName(name_, p), plan.Steps};
        for (ActivationStep& step : next.Steps)
            if (step.Description.empty()) step.Description = next.Name;
        Register(p, next);
        // Nothing was added: the engine holds nothing for p, as a load of the file would.
        if (next.Steps.empty()) registered_.erase(p);
    } catch (const std::exception& e) {
        Fail(ActivationStoreFailurePrefix, e);
        return false;
    }
    stored_ = {name_, rows_};
    typedRefused_ = false;
    written_ = true;
    return true;
}

bool ActivationEditor::Flush() {
    if (!Store()) return false;
    if (!written_) return true; // as read: the file holds what is shown
    const int old = selectedRow_;
    std::vector<int> empty;
    for (std::size_t r = 0; r < rows_.size(); ++r)
        if (StripBlanks(rows_[r].Request).empty()) empty.push_back(static_cast<int>(r));
    if (!empty.empty()) {
        const int answer = selectedAnswer_;
        // The selected row stays selected when it stays, else the row now at its place.
        const int before = static_cast<int>(std::count_if(empty.begin(), empty.end(), [old](int r) { return r < old; }));
        const bool kept = old >= 0 && std::find(empty.begin(), empty.end(), old) == empty.end();
        EraseIndices(rows_, empty);
        int selected = -1;
        Reselect(selected, old < 0 ? -1 : old - before, rows_.size());
        SelectRow(old < 0 ? -1 : selected);
        if (kept) selectedAnswer_ = answer;
    }
    if (rows_.empty()) name_.clear();
    stored_ = {name_, rows_};
    return true;
}

void ActivationEditor::Register(int p, const ActivationRegistration& next) {
    std::optional<ActivationRegistration> previous = Registered(p);
    if (previous) engine_.DeleteActivation(previous->Name);
    registered_.erase(p);
    try {
        AddAll(engine_, next);
    } catch (const std::exception& e) {
        std::string message = ExceptionMessage(e);
        try {
            engine_.DeleteActivation(next.Name);
            if (previous) {
                AddAll(engine_, *previous);
                registered_[p] = *previous;
            }
        } catch (const std::exception& again) {
            message += "\nThe activation registered before could not be restored: " + ExceptionMessage(again);
        }
        throw Exception(message);
    }
    registered_[p] = next;
}

bool ActivationEditor::MoveTo(int p) {
    if (!Store()) return false;
    selector_.Position = p;
    Show();
    return true;
}

bool ActivationEditor::New() {
    if (!Store()) return false;
    selector_.Max += 1;
    selector_.Position = selector_.Max;
    try {
        file_.WriteInteger(SimKeys::NActivation, SimKeys::Count, selector_.Position);
    } catch (const std::exception& e) {
        Fail(ActivationStoreFailurePrefix, e);
    }
    if (Show()) {
        rows_.push_back({DefaultIntraFrame(), {}, {}, {}});
        SelectRow(static_cast<int>(rows_.size()) - 1);
    }
    return true;
}

void ActivationEditor::SetIntraFrame(int row, const std::string& caption) {
    if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) rows_[static_cast<std::size_t>(row)].IntraFrame = caption;
}

void ActivationEditor::SelectRow(int row) {
    selectedRow_ = row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? row : -1;
    selectedAnswer_ = -1;
}

void ActivationEditor::SelectAnswer(int answer) {
    const TStringList& answers = ShownAnswers();
    selectedAnswer_ = answer >= 0 && static_cast<std::size_t>(answer) < answers.size() ? answer : -1;
}

void ActivationEditor::MoveRowUp() {
    if (selectedRow_ <= 0) return;
    std::swap(rows_[static_cast<std::size_t>(selectedRow_)], rows_[static_cast<std::size_t>(selectedRow_) - 1]);
    --selectedRow_;
}

void ActivationEditor::MoveRowDown() {
    if (selectedRow_ < 0 || static_cast<std::size_t>(selectedRow_) + 1 >= rows_.size()) return;
    std::swap(rows_[static_cast<std::size_t>(selectedRow_)], rows_[static_cast<std::size_t>(selectedRow_) + 1]);
    ++selectedRow_;
}

void ActivationEditor::InsertRow() {
    const std::size_t at = selectedRow_ < 0 ? rows_.size() : static_cast<std::size_t>(selectedRow_);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), ActivationRow{DefaultIntraFrame(), {}, {""}, {}});
    SelectRow(static_cast<int>(at));
}

void ActivationEditor::Reselect(int& selected, int oldIndex, std::size_t size) {
    if (size == 0) {
        selected = -1;
    } else {
        selected = std::min(std::max(oldIndex, 0), static_cast<int>(size) - 1);
    }
}

void ActivationEditor::DeleteRows(const std::vector<int>& rows) {
    if (rows.empty()) return;
    const int old = selectedRow_ >= 0 ? selectedRow_ : *std::min_element(rows.begin(), rows.end());
    EraseIndices(rows_, rows);
    int selected = -1;
    Reselect(selected, old, rows_.size());
    SelectRow(selected);
}

void ActivationEditor::InsertAnswer() {
    if (selectedRow_ < 0) return;
    TStringList& answers = rows_[static_cast<std::size_t>(selectedRow_)].Answers;
    const std::size_t at = selectedAnswer_ < 0 ? answers.size() : static_cast<std::size_t>(selectedAnswer_);
    answers.insert(answers.begin() + static_cast<std::ptrdiff_t>(at), "");
    selectedAnswer_ = static_cast<int>(at);
}

void ActivationEditor::DeleteAnswers(const std::vector<int>& answers) {
    if (selectedRow_ < 0 || answers.empty()) return;
    TStringList& list = rows_[static_cast<std::size_t>(selectedRow_)].Answers;
    const int old = selectedAnswer_ >= 0 ? selectedAnswer_ : *std::min_element(answers.begin(), answers.end());
    EraseIndices(list, answers);
    Reselect(selectedAnswer_, old, list.size());
}

bool ActivationEditor::EditRequest(const std::string& editorText) {
    if (selectedRow_ < 0) return false;
    rows_[static_cast<std::size_t>(selectedRow_)].Request = TrimBlanks(editorText);
    return WholeBytes(editorText) && StoreTyped();
}

bool ActivationEditor::EditAnswer(const std::string& editorText) {
    if (selectedRow_ < 0 || selectedAnswer_ < 0 || !WholeBytes(editorText)) return false;
    rows_[static_cast<std::size_t>(selectedRow_)].Answers[static_cast<std::size_t>(selectedAnswer_)] =
        TrimBlanks(editorText);
    return StoreTyped();
}

bool ActivationEditor::Drop(const std::string& request, const TStringList& answers) {
    if (selector_.Position <= 0 || !shown_) return false;
    rows_.push_back({DefaultIntraFrame(), request, AnswersUpToFirstEmpty(answers), {}});
    SelectRow(static_cast<int>(rows_.size()) - 1);
    return Store();
}
