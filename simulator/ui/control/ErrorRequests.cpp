#include "ErrorRequests.h"

#include "EditorChecks.h"
#include "Exception.h"
#include "HexText.h"
#include "IniDocument.h"
#include "SimulationKeys.h"
#include "UDStructures.h"

#include <algorithm>

namespace {

bool Odd(const std::string& text) { return !WholeBytes(text); }

const char* Header(int column) { return AnswerColumnHeaders[static_cast<std::size_t>(column)]; }

std::string HeldBackMessage(int column, int row, const std::string& cell) {
    return std::string(OddAnswerMessage) + " \"" + Header(column) + "\" row " + std::to_string(row) +
           " not stored: " + cell;
}

} // namespace

std::string NoAnswerRefusal(int column, int answering) {
    return std::string("\"") + Header(column) + "\" has no answer: the engine goes on answering with \"" +
           Header(answering) + "\".";
}

ErrorPage EmptyErrorPage(int rows) {
    ErrorPage page;
    for (TStringList& column : page.Columns) column.assign(static_cast<std::size_t>(std::max(rows, 0)), "");
    return page;
}

ErrorPage ReadErrorPage(const TCustomIniFile& file, int n, int rows) {
    using namespace SimKeys;
    ErrorPage page = EmptyErrorPage(rows);
    const std::string section = FaultSection(n, 0);
    page.Description = file.ReadString(section, Description, "");
    page.Request = FoldAsciiCase(DividePacket(file.ReadString(section, Request, "")));
    for (int c = 0; c < AnswerColumnCount; ++c) {
        const std::string columnSection = FaultSection(n, c);
        TStringList& cells = page.Columns[static_cast<std::size_t>(c)];
        for (std::size_t k = 1; k <= cells.size(); ++k) {
            const std::string key = FaultAnswerKey(static_cast<int>(k));
            if (!file.ValueExists(columnSection, key)) break;
            cells[k - 1] = FoldAsciiCase(DividePacket(file.ReadString(columnSection, key, "")));
        }
    }
    return page;
}

TStringList WriteErrorPage(TCustomIniFile& file, int n, const ErrorPage& page) {
    using namespace SimKeys;
    const std::string section = FaultSection(n, 0);
    if (!page.Description.empty() || file.ValueExists(section, Description))
        file.WriteString(section, Description, page.Description);
    file.WriteString(section, Request, StripBlanks(page.Request));

    TStringList heldBack;
    for (int c = 0; c < AnswerColumnCount; ++c) {
        const std::string columnSection = FaultSection(n, c);
        const TStringList& cells = page.Columns[static_cast<std::size_t>(c)];
        std::size_t filled = 0; // rows up to the last cell that is not empty
        for (std::size_t k = 1; k <= cells.size(); ++k)
            if (!StripBlanks(cells[k - 1]).empty()) filled = k;
        // The load registers the "No errors" answers and refuses an entry without one.
        const bool keepAll = c == NoErrorsColumnIndex && filled == 0;
        if (keepAll && file.ValueExists(columnSection, FaultAnswerKey(1))) heldBack.push_back(NoErrorsKeptMessage);

        for (std::size_t k = 1; k <= cells.size(); ++k) {
            const std::string key = FaultAnswerKey(static_cast<int>(k));
            const std::string answer = StripBlanks(cells[k - 1]);
            if (answer.empty()) {
                // Answers cleared at the end of a column leave it; an empty cell between two
                // answers keeps the file's value, so the answers after it are still read.
                if (k > filled && !keepAll) file.DeleteKey(columnSection, key);
            } else if (Odd(answer)) {
                heldBack.push_back(HeldBackMessage(c, static_cast<int>(k), cells[k - 1]));
            } else {
                file.WriteString(columnSection, key, answer);
            }
        }
    }
    return heldBack;
}

ErrorRequestsEditor::ErrorRequestsEditor(TCustomIniFile& file, EngineEditCalls& engine, SimulationView& view, int rows,
                                         std::int32_t intraFrameDefault, MessageFunction show, int currentColumn)
    : file_(file), engine_(engine), view_(view), rows_(std::max(rows, 0)), intraFrameDefault_(intraFrameDefault),
      show_(std::move(show)), currentColumn_(currentColumn), page_(EmptyErrorPage(rows_)) {}

int ErrorRequestsEditor::SelectedNumber() const {
    const int tab = view_.SelectedErrorTab;
    if (tab < 0 || static_cast<std::size_t>(tab) >= view_.ErrorTabs.size()) return 0;
    return view_.ErrorTabs[static_cast<std::size_t>(tab)].Number;
}

int ErrorRequestsEditor::ColumnChoice(int n) const {
    if (n <= 0 || static_cast<std::size_t>(n) >= view_.ColumnChoice.size()) return NoErrorsColumn;
    return view_.ColumnChoice[static_cast<std::size_t>(n)];
}

void ErrorRequestsEditor::SetChoice(int n, int column) {
    if (n <= 0) return;
    if (static_cast<std::size_t>(n) >= view_.ColumnChoice.size())
        view_.ColumnChoice.resize(static_cast<std::size_t>(n) + 1, NoErrorsColumn);
    view_.ColumnChoice[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(column);
}

void ErrorRequestsEditor::Show(const std::string& prefix, const std::exception& e) const {
    if (show_) show_(prefix + ExceptionMessage(e));
}

void ErrorRequestsEditor::ShowTab(int tab) {
    pageShown_ = false;
    page_ = EmptyErrorPage(rows_);
    if (tab < 0 || static_cast<std::size_t>(tab) >= view_.ErrorTabs.size()) {
        view_.SelectedErrorTab = -1;
        return;
    }
    view_.SelectedErrorTab = tab;
    const int n = SelectedNumber();
    try {
        page_ = ReadErrorPage(file_, n, rows_);
    } catch (const std::exception& e) {
        Show(ErrorPageFailurePrefix, e);
        return;
    }
    pageShown_ = true;
    SelectColumn(ColumnChoice(n));
}

void ErrorRequestsEditor::StoreTab() {
    const int n = SelectedNumber();
    if (n == 0 || !pageShown_ || StripBlanks(page_.Request).empty()) return;
    try {
        for (const std::string& message : WriteErrorPage(file_, n, page_))
            if (show_) show_(ErrorPageFailurePrefix + message);
    } catch (const std::exception& e) {
        Show(ErrorPageFailurePrefix, e);
    }
}

void ErrorRequestsEditor::ChangeTab(int tab) {
    StoreTab();
    ShowTab(tab);
}

bool ErrorRequestsEditor::SelectColumn(int column, std::string* refusal) {
    if (column < 0 || column >= AnswerColumnCount || column == currentColumn_) return false;
    const int before = currentColumn_;
    currentColumn_ = column;
    const Applying result = Apply(refusal);
    if (result.Done != Applying::Refused) return true;
    // A column the engine did not take is not selected: the buttons go on showing the column the
    // request is answered with (which is this one when a tab brings back its own choice).
    currentColumn_ = ColumnChoice(SelectedNumber());
    if (result.NoAnswer && currentColumn_ != column)
        Tell(std::string(ErrorEditFailurePrefix) + NoAnswerRefusal(column, currentColumn_), refusal);
    return currentColumn_ != before;
}

bool ErrorRequestsEditor::ApplyCurrentColumn(std::string* refusal) {
    return Apply(refusal).Done == Applying::Applied;
}

void ErrorRequestsEditor::Tell(const std::string& text, std::string* refusal) const {
    if (refusal != nullptr) *refusal = text;
    else if (show_) show_(text);
}

std::string ErrorRequestsEditor::AnswersRefusal(int column) const {
    if (column < 0 || column >= AnswerColumnCount) return {};
    for (const std::string& cell : page_.Columns[static_cast<std::size_t>(column)]) {
        const std::string answer = StripBlanks(cell);
        if (answer.empty()) break;
        if (Odd(answer)) return std::string(ErrorEditFailurePrefix) + OddAnswerMessage;
    }
    return {};
}

ErrorRequestsEditor::Applying ErrorRequestsEditor::Apply(std::string* refusal) {
    const int n = SelectedNumber();
    if (n == 0) return {Applying::Nothing};
    const std::string request = StripBlanks(page_.Request);
    if (request.empty() || Odd(request)) {
        SetChoice(n, currentColumn_); // nothing in the engine: the choice is the page's alone
        return {Applying::Nothing};
    }
    if (std::string odd = AnswersRefusal(currentColumn_); !odd.empty()) {
        Tell(odd, refusal);
        return {Applying::Refused};
    }
    TStringList answers;
    for (const std::string& cell : page_.Columns[static_cast<std::size_t>(currentColumn_)]) {
        std::string answer = StripBlanks(cell);
        if (answer.empty()) break;
        answers.push_back(std::move(answer));
    }
    // Without an answer the engine would find the tester's fault reading and send nothing: it
    // keeps the column it has. Emptying a cell to type a new answer comes here too, so no box.
    if (answers.empty()) return {Applying::Refused, true};
    try {
        if (!engine_.UpdateRequest(request, &answers, page_.Description))
            engine_.AddRequest(request, answers, page_.Description, -1, RequestType::FaultReading);
    } catch (const std::exception& e) {
        Tell(ErrorEditFailurePrefix + ExceptionMessage(e), refusal);
        return {Applying::Refused};
    }
    SetChoice(n, currentColumn_);
    return {Applying::Applied};
}

void ErrorRequestsEditor::SetCell(int column, int row, const std::string& text) {
    if (column < 0 || column >= AnswerColumnCount || row < 1 || row > rows_) return;
    page_.Columns[static_cast<std::size_t>(column)][static_cast<std::size_t>(row) - 1] = text;
}

void ErrorRequestsEditor::CellKeyUp(int column, int row, const std::string& text) {
    SetCell(column, row, text);
    if (!Odd(StripBlanks(text))) ApplyCurrentColumn();
}

void ErrorRequestsEditor::DescriptionExit() {
    const std::string request = StripBlanks(page_.Request);
    if (SelectedNumber() == 0 || request.empty() || Odd(request)) return;
    try {
        engine_.UpdateRequest(request, nullptr, page_.Description);
    } catch (const std::exception& e) {
        Show(ErrorEditFailurePrefix, e);
    }
}

int ErrorRequestsEditor::AddTab() {
    const int n = static_cast<int>(view_.ErrorTabs.size()) + 1;
    view_.ErrorTabs.push_back({n, SimKeys::FaultTabCaption(n)});
    SetChoice(n, NoErrorsColumn);
    return n - 1;
}

void ErrorRequestsEditor::New() {
    StoreTab();
    ShowTab(AddTab());
}

bool ErrorRequestsEditor::Drop(const std::string& request, const TStringList& shownAnswers) {
    const std::string fileRequest = FoldAsciiCase(StripBlanks(request));
    const TStringList answers = AnswersUpToFirstEmpty(shownAnswers);
    TStringList fileAnswers;
    for (const std::string& a : answers) fileAnswers.push_back(FoldAsciiCase(StripBlanks(a)));
    const bool oddAnswer = std::any_of(fileAnswers.begin(), fileAnswers.end(), Odd);
    const char* refusal = fileRequest.empty() || Odd(fileRequest) ? OddRequestMessage
                          : oddAnswer                             ? OddAnswerMessage
                          : fileAnswers.empty()                   ? DropWithoutAnswerMessage
                                                                  : nullptr;
    if (refusal != nullptr) {
        if (show_) show_(std::string(ErrorPageFailurePrefix) + refusal);
        return false;
    }

    StoreTab();
    int tab = -1;
    for (std::size_t t = 0; t < view_.ErrorTabs.size() && tab < 0; ++t)
        if (!file_.SectionExists(SimKeys::FaultSection(view_.ErrorTabs[t].Number, 0))) tab = static_cast<int>(t);
    if (tab < 0) tab = AddTab();
    ShowTab(tab);
    const int n = SelectedNumber();

    try {
        page_.Request = DividePacket(fileRequest);
        // The "No errors" column too: the load registers those answers and refuses an entry
        // without one, and they are what the engine answered with when the page was saved.
        for (int column : {NoErrorsColumnIndex, ManualErrorsColumn}) {
            TStringList& cells = page_.Columns[static_cast<std::size_t>(column)];
            for (std::size_t k = 0; k < cells.size(); ++k) cells[k] = k < answers.size() ? answers[k] : "";
        }
        pageShown_ = true;

        try {
            engine_.AddRequest(fileRequest, fileAnswers, DroppedErrorDescription, -1, RequestType::FaultReading);
        } catch (const std::exception& e) {
            Show(ErrorEditFailurePrefix, e);
        }
        SelectColumn(ManualErrorsColumn);

        using namespace SimKeys;
        file_.WriteString(FaultSection(n, 0), Request, fileRequest);
        file_.WriteInteger(FaultSection(n, 0), ErrorIntraFrameKey, intraFrameDefault_);
        for (int column : {NoErrorsColumnIndex, ManualErrorsColumn}) {
            const std::string columnSection = FaultSection(n, column);
            for (std::size_t k = 0; k < fileAnswers.size(); ++k)
                file_.WriteString(columnSection, FaultAnswerKey(static_cast<int>(k) + 1), fileAnswers[k]);
        }
    } catch (const std::exception& e) {
        Show(ErrorPageFailurePrefix, e);
        return false;
    }
    return true;
}

std::string ErrorRequestsEditor::FirstAnswer(int column) const {
    if (column < 0 || column >= AnswerColumnCount || rows_ == 0) return {};
    return page_.Columns[static_cast<std::size_t>(column)][0];
}

int ErrorRequestsEditor::SelectedColumnChoice() const {
    const int n = SelectedNumber();
    return n == 0 ? -1 : ColumnChoice(n);
}
