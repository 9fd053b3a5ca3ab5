#pragma once
// The activations page's model: one activation at a time as rows (one per step repetition) with
// their answers, navigation by the up-down's position, the keys of the two lists, the two hex
// editors, "New", "Refresh", drops of unknown requests, and the store of the whole activation to
// the simulation file object and the engine. The page's widgets draw Name(), Rows(), the selected
// row's answers and GroupCaption() after every call; message boxes go through the show function.
//
// A store checks everything before it touches anything: a request or answer with an odd number
// of digits holds the whole store back with the engine's own message ("udActivationChanging
// error: Invalid answer value! Odd number of digits!"), nothing written or registered, and the
// up-down does not move. Otherwise the file's section is replaced whole, then the activation is
// registered anew: the registration made last (by the load, or by this editor) is deleted by the
// name it was made under, so a rename leaves no stale entry, and the steps are added under the
// name now shown. When the engine refuses a step, what was added is deleted and the registration
// made last is restored, so the engine never holds half an activation; the file keeps the edit.
// A refusal of a store made for a key in an editor is shown once: the further keys show no second
// box until a store goes through or an activation is shown (the commands still show theirs).
//
// Beyond the page's literal steps: step descriptions (D<j>) are kept in the file and given to the
// engine as the load gives them (default the name); an activation without a name is registered
// under its section name, as the load does, and its D is not written; a caption that is not an
// integer is stored as the default and the row shows the default from then on; runs of identical
// rows (same request, answers and intra-frame value) become one step of up to 20 repetitions, a
// longer run goes on in the next step; the request editor stores only whole bytes, as the answer
// editor does; "New" stores the activation being left first; an activation that could not be
// shown is never stored over its section.
//
// What the page shows is what the next load registers:
// - only an activation the file counts (1 to N of NACTIVATION, the up-down's maximum) is shown
//   and stored; while the simulation has none, nothing is, until "New" makes activation 1;
// - an empty answer is never written (the reader stops at the first empty one, so it would hide
//   the answers after it); an empty answer row stays in the list, for the next answer typed;
// - the up-down, "New" and Save store an activation only when it was edited since it was shown
//   or last stored, so what the editor cannot show (answers behind an empty one, say) stays in
//   the file; "Refresh" stores it whatever;
// - rows the editor makes (Insert, "New") start with the intra-frame default, as a drop's do;
// - a row without a request is no step: it stays in the list for the request still to be typed,
//   but is neither written nor registered, and the steps are numbered on without it; an
//   activation without a step is no section and no registration at all.
//
// Used on the window's thread only. One editor per loaded simulation, made right after the load
// (it takes what the load registered from the file): it refers to that simulation's file object,
// engine and activation selector, which must outlive it.
#include "ActivationFile.h"
#include "ActivationSteps.h"
#include "EngineEditing.h"
#include "IniFile.h"
#include "SimulationView.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* ActivationShowFailurePrefix = "udActivationClick error: ";
inline constexpr const char* ActivationStoreFailurePrefix = "udActivationChanging error: ";

class ActivationEditor {
public:
    ActivationEditor(TCustomIniFile& file, EngineEditCalls& engine, ActivationSelector& selector,
                     std::int32_t intraFrameDefault, MessageFunction show);

    // ---- what the page draws ----
    int Position() const { return selector_.Position; }
    // "Activation <p>/<maximum>"
    std::string GroupCaption() const;
    const std::string& Name() const { return name_; }
    const std::vector<ActivationRow>& Rows() const { return rows_; }
    int SelectedRow() const { return selectedRow_; }       // -1 none
    int SelectedAnswer() const { return selectedAnswer_; } // -1 none
    // An activation is shown and may be edited (the up-down stands on one the file counts).
    bool Shown() const { return shown_; }
    // The shown activation differs from what was shown or last stored.
    bool Edited() const;
    // The answers of the selected row (the answer list's rows); empty when no row is selected.
    const TStringList& ShownAnswers() const;
    // What the engine holds for activation p, as far as this editor knows.
    std::optional<ActivationRegistration> Registered(int p) const;

    // ---- navigation ----
    // Shows the activation at the up-down's position (nothing at 0 or beyond the maximum) and
    // selects its first row. A failure: "udActivationClick error: " + message, and nothing is
    // shown.
    bool Show();
    // Stores the shown activation when it was edited; false when it was held back or failed,
    // and then the up-down must not move.
    bool Store();
    // The up-down is to move to p: the store, then p shown; false (and no move) when the store
    // failed.
    bool MoveTo(int p);
    // "Refresh": stores the shown activation, edited or not.
    bool Refresh();
    // Save: the store, then the list made what the file now holds: the rows without a request,
    // which no store writes, leave it, and with no row left the name goes too, as its section
    // did. Rows shown as read are left as they are. False when the store failed.
    bool Flush();
    // "New": the store, then one more activation at the end, shown with one empty row and
    // counted in NACTIVATION. False (nothing added) when the store failed.
    bool New();

    // ---- the lists; none of these stores ----
    void SetName(const std::string& name) { name_ = name; }
    // A row's "Intraframe" caption as the operator typed it; the store checks it.
    void SetIntraFrame(int row, const std::string& caption);
    void SelectRow(int row); // -1 deselects
    void SelectAnswer(int answer);
    void MoveRowUp();   // Shift+Up
    void MoveRowDown(); // Shift+Down
    // Before the selected row (at the end without one): a row with the intra-frame default, an
    // empty request and one empty answer.
    void InsertRow();
    // Delete: then the row at the selected index, or the last row when that is past the end.
    void DeleteRows(const std::vector<int>& rows);
    void InsertAnswer(); // an empty answer before the selected one (at the end without one)
    void DeleteAnswers(const std::vector<int>& answers);

    // ---- the editors and drops; each stores when it changed something whole ----
    // The selected row's request = the editor's text without the blanks around it; stored when
    // its digits make whole bytes. True when stored.
    bool EditRequest(const std::string& editorText);
    // The selected answer = the editor's text without the blanks around it, and stored, when its
    // digits make whole bytes; otherwise nothing changes. True when stored.
    bool EditAnswer(const std::string& editorText);
    // An unknown request dropped on the request list: a new last row (the intra-frame default,
    // the request and answers as the unknown list shows them, up to the first empty answer),
    // selected and stored.
    bool Drop(const std::string& request, const TStringList& answers);

private:
    bool Write();
    bool StoreTyped(); // Store for a key in an editor
    void Register(int p, const ActivationRegistration& next);
    std::string DefaultIntraFrame() const { return std::to_string(intraFrameDefault_); }
    void Fail(const char* prefix, const std::exception& e) const;
    static void Reselect(int& selected, int oldIndex, std::size_t size);

    TCustomIniFile& file_;
    EngineEditCalls& engine_;
    ActivationSelector& selector_;
    std::int32_t intraFrameDefault_;
    MessageFunction show_;

    std::string name_;
    std::vector<ActivationRow> rows_;
    int selectedRow_ = -1;
    int selectedAnswer_ = -1;
    bool shown_ = false; // the rows are the shown activation's (read whole, with its edits)
    bool written_ = false; // the shown activation was stored since it was shown
    ActivationContent stored_; // the shown activation as shown or last stored
    std::map<int, ActivationRegistration> registered_;
    bool typing_ = false;               // a store for a key in an editor is running
    mutable bool typedRefused_ = false; // such a store was refused and shown; cleared by one that goes through
};
