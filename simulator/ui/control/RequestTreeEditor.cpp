#include "RequestTreeEditor.h"

#include "Exception.h"
#include "HexText.h"
#include "IniDocument.h"
#include "RequestEntryWrites.h"
#include "SimulationKeys.h"
#include "UDStructures.h"

#include <algorithm>

namespace {

constexpr const char* IntraFrameKey = "INTRAFRAME";

// An answer node that holds nothing: as added by "Add Answer", one empty description.
AnswerNode EmptyAnswer() { return AnswerNode{std::string(), TStringList{std::string()}}; }

// The value in file form; an odd number of digits raises DividePacket's message.
std::string WholeFileForm(const std::string& display) {
    std::string file = StripBlanks(display);
    DividePacket(file);
    return file;
}

bool IsWhole(const std::string& display) { return StripBlanks(display).size() % 2 == 0; }

} // namespace

std::string RequestExistsMessage(const std::string& request) { return "Request " + request + " already exists!"; }

// ---- the tree ---------------------------------------------------------------------------------

RequestGroup* RequestTreeEditor::Group(std::int32_t g) {
    std::vector<RequestGroup>& tree = host_.View().Tree;
    return g >= 0 && g < static_cast<std::int32_t>(tree.size()) ? &tree[static_cast<std::size_t>(g)] : nullptr;
}

const RequestGroup* RequestTreeEditor::Group(std::int32_t g) const {
    return const_cast<RequestTreeEditor*>(this)->Group(g);
}

AnswerNode* RequestTreeEditor::Answer(TreeNode node) {
    RequestGroup* group = node.IsAnswer() ? Group(node.Group) : nullptr;
    if (group == nullptr || node.Child > static_cast<std::int32_t>(group->Answers.size())) return nullptr;
    return &group->Answers[static_cast<std::size_t>(node.Child - 1)];
}

const AnswerNode* RequestTreeEditor::Answer(TreeNode node) const {
    return const_cast<RequestTreeEditor*>(this)->Answer(node);
}

// Only request entries have sections the editor writes; the fixed exchanges are shown as they are.
// Without a simulation file nothing is edited: the tree would no longer match any file.
bool RequestTreeEditor::Editable(std::int32_t g) const {
    const RequestGroup* group = Group(g);
    return group != nullptr && group->Kind == GroupKind::Request && group->RequestNode.has_value() &&
           host_.SimulationFile() != nullptr;
}

void RequestTreeEditor::Reset() {
    selected_ = {};
    copied_ = {};
    unwritten_.clear();
}

bool RequestTreeEditor::Enabled() { return host_.SimulationFile() != nullptr; }

void RequestTreeEditor::Fail(const std::exception& e) {
    host_.Dialogs().ShowMessage(EditRequestFailure + ExceptionMessage(e));
}

// ---- selection --------------------------------------------------------------------------------

void RequestTreeEditor::Select(TreeNode node) {
    const TreeNode left = selected_;
    selected_ = Group(node.Group) != nullptr ? node : TreeNode{};
    if (!(left == selected_)) answerRefused_ = false; // another answer, another edit
    if (left.Valid() && left.Group != selected_.Group) WriteMarked(left.Group);
}

std::string RequestTreeEditor::EditorText() const {
    const AnswerNode* answer = Answer(selected_);
    return answer != nullptr ? answer->Caption : std::string();
}

bool RequestTreeEditor::AnswerEditable() const { return Answer(selected_) != nullptr && Editable(selected_.Group); }

const TStringList* RequestTreeEditor::Descriptions() const {
    const AnswerNode* answer = Answer(selected_);
    return answer != nullptr && answer->Bytes ? &*answer->Bytes : nullptr;
}

std::optional<int> RequestTreeEditor::EditorEntry(TreeNode node) {
    const AnswerNode* answer = Answer(node);
    if (answer == nullptr || !Editable(node.Group)) return std::nullopt;
    const int position = 3 * host_.DataOffset() - 1;
    if (static_cast<int>(answer->Caption.size()) < position) return std::nullopt;
    return std::max(position, 0);
}

bool RequestTreeEditor::CanRename(TreeNode node) const { return node.IsRoot() && Editable(node.Group); }

// ---- writing a group --------------------------------------------------------------------------

void RequestTreeEditor::WriteMarked(std::int32_t g) {
    if (unwritten_.count(g) == 0) return;
    try {
        WriteGroup(g);
        unwritten_.erase(g);
    } catch (const std::exception& e) {
        Fail(e);
    }
}

void RequestTreeEditor::WriteGroup(std::int32_t g) {
    using namespace SimKeys;
    TCustomIniFile* file = host_.SimulationFile();
    if (file == nullptr || !Editable(g)) return;
    RequestGroup& group = *Group(g);

    // Only whole values reach the file: the next load would stop at a half byte.
    const std::string request = WholeFileForm(*group.RequestNode);
    if (request.empty()) throw Exception("The request of " + group.Caption + " is empty!");
    std::vector<EntryAnswer> entries;
    TStringList answers;
    for (const AnswerNode& node : group.Answers) {
        const std::string answer = WholeFileForm(node.Caption);
        // An answer node without digits holds nothing a section could keep: the load would stop
        // at an empty answer and lose the ones after it.
        if (answer.empty()) continue;
        entries.push_back({answer, node.Bytes ? &*node.Bytes : nullptr});
        answers.push_back(answer);
    }
    if (answers.empty()) throw Exception("Request " + request + " has no answer!");

    const std::string section = RequestSection(group.Section);
    // A request pasted onto the request node is new to the simulation: it must not be one it holds.
    const bool newRequest = FoldAsciiCase(file->ReadString(section, Request, "")) != request;
    EngineEdits* engine = host_.Engine();
    if (newRequest) {
        for (std::int32_t h = 0; h < static_cast<std::int32_t>(host_.View().Tree.size()); ++h)
            if (h != g && Editable(h) && StripBlanks(*Group(h)->RequestNode) == request)
                throw Exception(RequestExistsMessage(request));
        if (engine != nullptr && engine->HoldsRequest(request)) throw Exception(RequestExistsMessage(request));
    }

    if (!file->SectionExists(section)) {
        file->WriteInteger(NRequest, Count, std::max(ReadEntryCount(*file, NRequest), group.Section));
        file->WriteInteger(section, IntraFrameKey, host_.IntraFrameDefault());
    }
    WriteRequestEntry(*file, group.Section, request, entries);

    if (engine == nullptr) return;
    if (!newRequest && engine->UpdateRequest(request, &answers, "")) return;
    if (!engine->AddRequest(request, answers, group.Caption, -1, RequestType::PSI))
        throw Exception(RequestExistsMessage(request));
}

void RequestTreeEditor::Flush() {
    const std::set<std::int32_t> marked = unwritten_;
    for (std::int32_t g : marked) WriteMarked(g);
}

// ---- edits ------------------------------------------------------------------------------------

void RequestTreeEditor::EditAnswer(const std::string& displayText) {
    AnswerNode* answer = Answer(selected_);
    if (answer == nullptr || !Editable(selected_.Group)) return;
    answer->Caption = displayText;
    unwritten_.insert(selected_.Group);
    try {
        const RequestGroup& group = *Group(selected_.Group);
        // Until every answer is whole the engine keeps what it has.
        if (!IsWhole(*group.RequestNode)) return;
        TStringList answers;
        for (const AnswerNode& node : group.Answers) {
            if (!IsWhole(node.Caption)) return;
            if (std::string a = StripBlanks(node.Caption); !a.empty()) answers.push_back(std::move(a));
        }
        if (!answer->Bytes) answer->Bytes.emplace();
        answer->Bytes->resize(StripBlanks(displayText).size() / 2);

        TCustomIniFile* file = host_.SimulationFile();
        EngineEdits* engine = host_.Engine();
        if (file == nullptr || engine == nullptr || answers.empty()) return;
        const std::string request = StripBlanks(*group.RequestNode);
        // A request not yet written (pasted onto the request node) would change another entry.
        if (FoldAsciiCase(file->ReadString(SimKeys::RequestSection(group.Section), SimKeys::Request, "")) != request)
            return;
        engine->UpdateRequest(request, &answers, "");
        answerRefused_ = false;
    } catch (const std::exception& e) {
        // Every further key of an answer the engine refused is refused again: one box per edit.
        if (answerRefused_) return;
        answerRefused_ = true;
        Fail(e);
    }
}

void RequestTreeEditor::SetDescriptions(const TStringList& grid) {
    AnswerNode* answer = Answer(selected_);
    if (answer == nullptr || !answer->Bytes || !Editable(selected_.Group)) return;
    const std::size_t n = std::min(grid.size(), answer->Bytes->size());
    std::copy_n(grid.begin(), n, answer->Bytes->begin());
    unwritten_.insert(selected_.Group);
}

std::string RequestTreeEditor::Rename(std::int32_t g, const std::string& caption) {
    RequestGroup* group = Group(g);
    if (group == nullptr) return caption;
    if (!CanRename({g, -1})) return group->Caption;
    const std::string request = StripBlanks(*group->RequestNode);
    group->Caption = caption.empty() ? SimKeys::RequestDescriptionPrefix + request : caption;
    try {
        TCustomIniFile* file = host_.SimulationFile();
        if (file == nullptr) return group->Caption;
        // The file first: a description the engine finds too long fits its limits after a reload.
        const std::string section = SimKeys::RequestSection(group->Section);
        file->WriteString(section, SimKeys::Description, caption);
        EngineEdits* engine = host_.Engine();
        if (engine != nullptr && FoldAsciiCase(file->ReadString(section, SimKeys::Request, "")) == request) {
            // The default is the load's ("Request " and the request), which the next load sizes
            // the engine for; this engine may be too small for it (a dropped long request, say),
            // so it takes the default cut to its limit rather than keeping the old name.
            std::string description = group->Caption;
            if (caption.empty())
                description.resize(std::min(description.size(),
                                            static_cast<std::size_t>(std::max(engine->DescriptionLimit(), 0))));
            engine->UpdateRequest(request, nullptr, description);
        }
    } catch (const std::exception& e) {
        Fail(e);
    }
    return group->Caption;
}

bool RequestTreeEditor::AddAnswer() {
    if (!selected_.Valid() || !Editable(selected_.Group)) return false;
    RequestGroup& group = *Group(selected_.Group);
    if (group.Answers.size() >= static_cast<std::size_t>(MaxEntryAnswers)) {
        host_.Dialogs().ShowMessage("A request holds at most " + std::to_string(MaxEntryAnswers) + " answers!");
        return false;
    }
    group.Answers.push_back(EmptyAnswer());
    unwritten_.insert(selected_.Group);
    return true;
}

bool RequestTreeEditor::DeleteSelected() {
    // Neither the request node nor the first answer goes.
    if (!selected_.IsAnswer() || selected_.Child < 2 || Answer(selected_) == nullptr || !Editable(selected_.Group))
        return false;
    RequestGroup& group = *Group(selected_.Group);
    group.Answers.erase(group.Answers.begin() + (selected_.Child - 1));
    if (copied_.Group == selected_.Group) {
        if (copied_.Child == selected_.Child) copied_ = {};
        else if (copied_.Child > selected_.Child) --copied_.Child;
    }
    unwritten_.insert(selected_.Group);
    --selected_.Child;
    return true;
}

void RequestTreeEditor::Copy() { copied_ = selected_; }

bool RequestTreeEditor::Paste() {
    const RequestGroup* source = Group(copied_.Group);
    const bool sourceLine = copied_.IsLine() && source != nullptr &&
                            (copied_.Child == 0 ? source->RequestNode.has_value() : Answer(copied_) != nullptr);
    const bool targetLine = selected_.IsLine() && Editable(selected_.Group) &&
                            (selected_.Child == 0 || Answer(selected_) != nullptr);
    if (!sourceLine || !targetLine) {
        host_.Dialogs().ShowMessage(CopyPasteNotAllowed);
        return false;
    }
    const AnswerNode* sourceAnswer = Answer(copied_);
    const std::string caption = sourceAnswer != nullptr ? sourceAnswer->Caption : *source->RequestNode;
    std::optional<TStringList> bytes;
    if (sourceAnswer != nullptr && sourceAnswer->Bytes) bytes = *sourceAnswer->Bytes;

    RequestGroup& group = *Group(selected_.Group);
    if (selected_.Child == 0) {
        group.RequestNode = caption;
    } else {
        AnswerNode& target = *Answer(selected_);
        target.Caption = caption;
        // An answer always has its descriptions, one per byte, for the grid.
        target.Bytes = bytes ? std::move(bytes) : TStringList(StripBlanks(caption).size() / 2);
    }
    unwritten_.insert(selected_.Group);
    return true;
}

std::vector<std::string> RequestTreeEditor::Drop(const std::vector<UnknownRequestRow>& rows) {
    using namespace SimKeys;
    std::vector<std::string> taken;
    TCustomIniFile* file = host_.SimulationFile();
    if (file == nullptr) return taken;
    for (const UnknownRequestRow& row : rows) {
        try {
            const std::string request = FoldAsciiCase(StripBlanks(row.Request));
            if (request.empty()) continue;
            TStringList answers;
            for (const std::string& a : row.Answers) {
                std::string answer = FoldAsciiCase(StripBlanks(a));
                if (answer.empty()) break; // the answers end at the first empty one, as the rules read them
                answers.push_back(std::move(answer));
            }
            RequestGroup group{GroupKind::Request, 0, DroppedRequestCaption, DividePacket(request), {}};
            for (const std::string& a : answers) group.Answers.push_back({DividePacket(a), TStringList(a.size() / 2)});

            // A request the simulation holds already would stop the next load at its entry.
            bool known = false;
            for (std::int32_t h = 0; h < static_cast<std::int32_t>(host_.View().Tree.size()); ++h)
                known = known || (Editable(h) && StripBlanks(*Group(h)->RequestNode) == request);
            if (EngineEdits* engine = host_.Engine(); !known && engine != nullptr) {
                known = answers.empty() ? engine->HoldsRequest(request)
                                        : !engine->AddRequest(request, answers, DroppedRequestCaption, -1,
                                                              RequestType::PSI);
            }
            if (known) {
                host_.Dialogs().ShowMessage(RequestExistsMessage(request));
                continue;
            }

            std::int32_t i = ReadEntryCount(*file, NRequest);
            for (const RequestGroup& g : host_.View().Tree) i = std::max(i, g.Section);
            ++i;
            group.Section = i;
            std::vector<EntryAnswer> entries;
            for (std::size_t c = 0; c < answers.size(); ++c) entries.push_back({answers[c], &*group.Answers[c].Bytes});
            WriteRequestEntry(*file, i, request, entries);
            file->WriteInteger(RequestSection(i), IntraFrameKey, host_.IntraFrameDefault());
            // The caption the tree shows, also after a reload.
            file->WriteString(RequestSection(i), Description, DroppedRequestCaption);
            file->WriteInteger(NRequest, Count, i);

            // Without an answer the engine does not take it yet: the operator types one, and the
            // group's write registers it; until then leaving the group says what is missing.
            const bool answerless = answers.empty();
            if (answerless) group.Answers.push_back(EmptyAnswer());
            host_.View().Tree.push_back(std::move(group));
            if (answerless) unwritten_.insert(static_cast<std::int32_t>(host_.View().Tree.size()) - 1);
            taken.push_back(request);
        } catch (const std::exception& e) {
            host_.Dialogs().ShowMessage(ExceptionMessage(e));
            break;
        }
    }
    return taken;
}

// ---- search -----------------------------------------------------------------------------------

std::optional<TreeNode> RequestTreeEditor::Find(TreeNode after) {
    if (searchText_.empty()) return std::nullopt;
    const std::vector<RequestGroup>& tree = host_.View().Tree;
    // Tree order: each root, its request node, its answers. Only answers have descriptions.
    for (std::int32_t g = std::max(after.Group, 0); g < static_cast<std::int32_t>(tree.size()); ++g) {
        const std::vector<AnswerNode>& answers = tree[static_cast<std::size_t>(g)].Answers;
        const std::int32_t first = after.Valid() && g == after.Group ? std::max(after.Child + 1, 1) : 1;
        for (std::int32_t c = first; c <= static_cast<std::int32_t>(answers.size()); ++c) {
            const std::optional<TStringList>& bytes = answers[static_cast<std::size_t>(c - 1)].Bytes;
            if (!bytes) continue;
            for (const std::string& description : *bytes)
                if (description.find(searchText_) != std::string::npos) return TreeNode{g, c};
        }
    }
    return std::nullopt;
}

std::optional<TreeNode> RequestTreeEditor::FindByteDescription() {
    const std::optional<std::string> text = host_.Dialogs().InputBox(FindTitle, FindPrompt, searchText_);
    if (!text) return std::nullopt;
    searchText_ = *text;
    return Find({});
}

std::optional<TreeNode> RequestTreeEditor::SearchAgain() {
    if (!selected_.Valid()) return FindByteDescription();
    return Find(selected_);
}
