#pragma once
// The errors page's model: the fault-reading requests of the loaded simulation, one tab each,
// shown from and stored into the simulation file object, and the chosen answer column of each
// handed to the engine. The page's widgets draw Page(), CurrentColumn() and the view's tabs after
// every call, and forward their events here; message boxes go through the show function.
//
// Sections (ERROR_<n>0 holds R, D, INTRAFRAME and the "No errors" answers; ERROR_<n>1 to
// ERROR_<n>3 and ERROR_<n>N the other columns, answers A_1, A_2, ...) are those of the file
// format; the engine holds each request as a fault-reading entry (type 1).
//
// Beyond the page's literal steps, so that the file and the engine never lose or break data:
// - a page whose request is empty (a tab made by "New") is never stored, since a section without
//   a request makes the next load fail; a page that could not be shown is never stored either;
// - "New" and a drop store the page being left first;
// - a drop takes the first tab whose entry has no section yet (a "New" tab never stored), and
//   only else adds a tab, so the entries keep the unbroken numbering the load needs; it writes
//   the answers in file form, into the "Manual errors" column and also as the "No errors"
//   answers, without which the next load would refuse the entry and stop;
// - answers cleared at the end of a column leave the file (an empty cell between two answers
//   keeps the file's value, so the answers behind it are still read), but the "No errors" column
//   never loses its last answer; a cell with an odd number of digits is not written (the file
//   keeps its last whole value); both are named in a message;
// - D is written only when the description is not empty or the file has it already, so an
//   untouched entry keeps the load's default description;
// - nothing reaches the engine for an empty or odd request, and answers are checked to be whole
//   bytes before the engine is asked, so it never holds half of a column;
// - a column without an answer is never applied (the engine would find the tester's fault
//   reading and send nothing): the engine keeps the column last applied, which stays the
//   request's column choice, and a column that was not applied is not selected, so the radio
//   buttons always show the column the engine answers with.
//
// Used on the window's thread only. One editor per loaded simulation: it refers to that
// simulation's file object, engine and view, which must outlive it.
#include "EngineEditing.h"
#include "FaultScanDriver.h"
#include "IniFile.h"
#include "SimulationView.h"
#include "StringList.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr const char* ErrorPageFailurePrefix = "Error! ";                 // showing, storing
inline constexpr const char* ErrorEditFailurePrefix = "Error editing request! "; // applying, description
inline constexpr const char* DroppedErrorDescription = "Fault Reading";
inline constexpr const char* ErrorIntraFrameKey = "INTRAFRAME";
inline constexpr const char* DropWithoutAnswerMessage =
    "The request has no answer: a fault-reading request needs one!";
inline constexpr const char* NoErrorsKeptMessage =
    "\"No errors\" needs an answer: its answers in the file stay as they were.";

// The refusal of a column chosen without an answer, naming the column the engine answers with.
std::string NoAnswerRefusal(int column, int answering);

// What the page shows of one error request.
struct ErrorPage {
    std::string Request;     // display form
    std::string Description;
    // The grid's answer rows of each column, row 1 first, display form; "" is an empty cell.
    std::array<TStringList, AnswerColumnCount> Columns;
    bool operator==(const ErrorPage&) const = default;
};

// An empty page of `rows` rows per column.
ErrorPage EmptyErrorPage(int rows);
// Error request n as the file holds it, in lower case: each column's A_1, A_2, ... into rows 1,
// 2, ... while the keys exist and rows remain. An odd value raises DividePacket's failure.
ErrorPage ReadErrorPage(const TCustomIniFile& file, int n, int rows);
// Writes the page of error request n (see above); returns the messages of what was held back.
TStringList WriteErrorPage(TCustomIniFile& file, int n, const ErrorPage& page);

class ErrorRequestsEditor {
public:
    // rows: the grid's answer rows (MultiAnswerNum). currentColumn: the radio button selected now.
    ErrorRequestsEditor(TCustomIniFile& file, EngineEditCalls& engine, SimulationView& view, int rows,
                        std::int32_t intraFrameDefault, MessageFunction show, int currentColumn = 0);

    const ErrorPage& Page() const { return page_; }
    int Rows() const { return rows_; }
    int CurrentColumn() const { return currentColumn_; }
    int SelectedTab() const { return view_.SelectedErrorTab; }
    int SelectedNumber() const; // n of the selected tab; 0 when none
    int ColumnChoice(int n) const; // 0 for an n without a choice

    // A tab was selected (also after "New" and at the load): shows it and selects its column
    // choice (which applies it when the radio buttons change). A failure: "Error! " + message.
    void ShowTab(int tab);
    // The selected tab is about to be left: its page into the file. A failure: "Error! " + message.
    void StoreTab();
    // Leaving the selected tab for another.
    void ChangeTab(int tab);

    // A radio button is selected (by the operator or the program): the column becomes current and
    // is applied. A column the engine refuses or that has no answer (named in a message when the
    // operator chose it) leaves the column choice current. True when the current column changed.
    // With `refusal`, a refusal's text goes there instead of into a message box (the scanning
    // shows it after switching itself off).
    bool SelectColumn(int column, std::string* refusal = nullptr);
    // The current column's answers (rows 1, 2, ... up to the first empty cell) to the engine:
    // UpdateRequest, else AddRequest of type 1; then the column is the selected request's column
    // choice. Nothing for an empty or odd request (the choice is still kept) or a column without
    // an answer; a failure: "Error editing request! " + message. True when the engine was told.
    bool ApplyCurrentColumn(std::string* refusal = nullptr);

    // Row 1 is the first answer. Key down and leaving the editor copy its text into the cell;
    // key up does too, then applies the current column when the text has an even number of digits.
    void SetCell(int column, int row, const std::string& text);
    void CellKeyUp(int column, int row, const std::string& text);
    void SetDescription(const std::string& text) { page_.Description = text; }
    // The description field lost the focus: the description to the engine (answers unchanged).
    void DescriptionExit();

    // "New": stores the page being left, adds the tab "ERROR_<count + 1>" and shows it.
    void New();
    // An unknown request dropped on the page: a new error request answering with the row's
    // answers (as the row shows them, up to the first empty one) in the "Manual errors" column,
    // selected, and in the "No errors" column. False when the request or an answer is not whole
    // hex bytes, or there is no answer (a message says so), and nothing changed.
    bool Drop(const std::string& request, const TStringList& shownAnswers);

    // For the scanning (ErrorsPageModel): row 1 of a column, and the selected request's choice.
    std::string FirstAnswer(int column) const;
    int SelectedColumnChoice() const;
    // Why the column's answers as the grid holds them would not reach the engine (a cell with
    // half a byte before the first empty one), as applying would say it; empty when they would.
    std::string AnswersRefusal(int column) const;

private:
    struct Applying {
        enum Result { Applied, Nothing, Refused } Done;
        bool NoAnswer = false; // refused for a column without an answer
    };
    Applying Apply(std::string* refusal);
    void Tell(const std::string& text, std::string* refusal) const;
    void Show(const std::string& prefix, const std::exception& e) const;
    int AddTab();
    void SetChoice(int n, int column);

    TCustomIniFile& file_;
    EngineEditCalls& engine_;
    SimulationView& view_;
    int rows_;
    std::int32_t intraFrameDefault_;
    MessageFunction show_;
    int currentColumn_;
    ErrorPage page_;
    bool pageShown_ = false; // the page holds the selected tab as read, with its edits
};
