#pragma once
// The request tree editor of the "&PSI" page without a widget: what the operator does to the tree
// of requests (select, edit an answer, describe its bytes, rename, add, delete, copy and paste,
// drop an unknown request, search) and what each does to the tree (the view's groups), the
// simulation file object and the engine's edit store. The page draws the tree and forwards its
// events here.
//
// Writing. An answer edit reaches the engine at once (when every answer of its group is whole) and
// marks its group; a marked group is written to the file (R, its answer sections with their byte
// descriptions, MA) and to the engine (UpdateRequest, else AddRequest) when the selection leaves
// it, and by Flush (before the file is saved). A failed write is shown ("Error editing request! "
// + message) and the group stays marked, so nothing typed is lost. An answer edit the engine
// refuses is shown once: its further keys show no second box until one goes through or the
// selection moves. The three fixed exchanges have
// no sections an editor writes; they are shown read-only.
//
// Lifetime. The editor refers to no file or engine of its own: it asks the host for them at each
// operation, and does nothing to the file or engine while the host has none. Reset forgets the
// selection, the copied node and the marks when the tree is rebuilt.
#include "EngineEdits.h"
#include "IniFile.h"
#include "OperatorDialogs.h"
#include "SimulationView.h"
#include "UnknownRequests.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

inline constexpr const char* EditRequestFailure = "Error editing request! ";
inline constexpr const char* CopyPasteNotAllowed = "Copy/Paste not allowed!";
inline constexpr const char* FindTitle = "Find Byte description";
inline constexpr const char* FindPrompt = "Enter description";
inline constexpr const char* DroppedRequestCaption = "Unknown";

// "Request <request> already exists!": a request the simulation holds (or one whose wire text it
// begins with) is not taken a second time.
std::string RequestExistsMessage(const std::string& request);

// A node of the request tree: a root (Child -1), a group's request node (Child 0) or its k-th
// answer node (Child k).
struct TreeNode {
    std::int32_t Group = -1; // index of the group in the view's tree; -1: no node
    std::int32_t Child = -1;

    bool Valid() const { return Group >= 0; }
    bool IsRoot() const { return Valid() && Child < 0; }
    bool IsLine() const { return Valid() && Child >= 0; } // a level-1 node
    bool IsAnswer() const { return Valid() && Child >= 1; }
    bool operator==(const TreeNode&) const = default;
};

// What the editor needs of the window.
class RequestEditorHost {
public:
    virtual ~RequestEditorHost() = default;
    virtual SimulationView& View() = 0;
    // Null while no simulation file object exists (none loaded, a failed load, a load running).
    virtual TCustomIniFile* SimulationFile() = 0;
    // Null while there is no engine (after Reset).
    virtual EngineEdits* Engine() = 0;
    virtual OperatorDialogs& Dialogs() = 0;
    // The intra-frame time of entries the editor creates.
    virtual std::int32_t IntraFrameDefault() = 0;
    // DataOffset of the request frames: the bytes the data editor's caret steps over.
    virtual std::int32_t DataOffset() = 0;
};

class RequestTreeEditor {
public:
    explicit RequestTreeEditor(RequestEditorHost& host) : host_(host) {}

    // A new tree: the selection, the copied node and the unwritten marks are forgotten (the
    // search text stays).
    void Reset();
    // The tree may be edited: a simulation file object exists.
    bool Enabled();

    // ---- selection and what the page shows ----
    // Leaving a group writes it when it holds an unwritten edit.
    void Select(TreeNode node);
    TreeNode Selected() const { return selected_; }
    // The selected answer in display form; empty for any other node.
    std::string EditorText() const;
    // The selected node is an answer the data editor and the grid may change.
    bool AnswerEditable() const;
    // The byte descriptions of the selected answer; null when it has none.
    const TStringList* Descriptions() const;
    // Enter or F2 on a node: the data editor's caret position when the node is an editable answer
    // long enough for it (3 x DataOffset - 1, the first byte after the skipped ones).
    std::optional<int> EditorEntry(TreeNode node);
    bool CanRename(TreeNode node) const;
    bool Unwritten(std::int32_t group) const { return unwritten_.count(group) > 0; }

    // ---- edits ----
    // The data editor's text changed: the selected answer takes it; the engine follows once every
    // answer of the group is whole.
    void EditAnswer(const std::string& displayText);
    // The grid's descriptions into the selected answer's list.
    void SetDescriptions(const TStringList& grid);
    // A root got a new caption: D of its section and the engine's description. An empty caption
    // stands for the default description, as the load reads it; the engine gets it cut to its
    // description limit when it is longer. Returns the caption to show.
    std::string Rename(std::int32_t group, const std::string& caption);
    // "Add Answer": an empty answer at the end of the selected node's group.
    bool AddAnswer();
    // "Delete": the selected answer when it is not the first; the selection moves to the node
    // before it.
    bool DeleteSelected();
    void Copy();
    // "Paste": the copied line onto the selected line; "Copy/Paste not allowed!" otherwise.
    bool Paste();
    TreeNode Copied() const { return copied_; }
    // Unknown requests dropped on the tree (request and answers in file form): one new request
    // each, REQUEST<N+1> with its answer sections, N updated, registered with the engine. Returns
    // the requests taken; a request refused is reported and stays out.
    std::vector<std::string> Drop(const std::vector<UnknownRequestRow>& rows);
    // Writes every group that holds an unwritten edit (before Save).
    void Flush();

    // ---- search ----
    // "Find Byte Description...": asks for the text; the first node in tree order with a byte
    // description that contains it. Nothing when cancelled or not found.
    std::optional<TreeNode> FindByteDescription();
    // "Search again": from the node after the selected one; without a selection, as Find.
    std::optional<TreeNode> SearchAgain();
    const std::string& SearchText() const { return searchText_; }

private:
    RequestGroup* Group(std::int32_t g);
    const RequestGroup* Group(std::int32_t g) const;
    AnswerNode* Answer(TreeNode node);
    const AnswerNode* Answer(TreeNode node) const;
    bool Editable(std::int32_t g) const;
    void WriteGroup(std::int32_t g);
    void WriteMarked(std::int32_t g);
    std::optional<TreeNode> Find(TreeNode after);
    void Fail(const std::exception& e);

    RequestEditorHost& host_;
    TreeNode selected_;
    TreeNode copied_;
    std::set<std::int32_t> unwritten_;
    std::string searchText_;
    bool answerRefused_ = false; // the selected answer's edit was refused and shown; cleared when one goes through
};
