// The request tree editor without a widget, over the fixture as the loading pass builds it and the
// engine's request store (without the engine's thread): what each edit writes to the simulation
// file and which engine calls it makes, the drop of unknown requests, the search, and the
// failures that keep an edit for later.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ControllerTestSupport.h"
#include "FrameCodec.h"
#include "IniDocument.h"
#include "IniFile.h"
#include "LoadingPass.h"
#include "RequestTreeEditor.h"
#include "StoreOperations.h"

namespace {

std::string Join(const TStringList& list) {
    std::string text;
    for (const std::string& s : list) text += (text.empty() ? "" : ",") + s;
    return text;
}

// The engine's editing calls on a real request store, each recorded with its result:
// "U <request> [<answers>] '<description>' = <result>" (answers "-" when none are given) or
// "A <request> [<answers>] '<description>' <index> <type> = <result>".
class RecordingEngine final : public EngineEdits {
public:
    explicit RecordingEngine(TRequestStore& store) : store_(store) {}

    bool AddRequest(const std::string& request, const TStringList& answers, const std::string& description,
                    std::int32_t activationIndex, std::uint8_t type) override {
        const bool result = store_.AddRequest(request, answers, description, activationIndex, type);
        Calls.push_back("A " + request + " [" + Join(answers) + "] '" + description + "' " +
                        std::to_string(activationIndex) + " " + std::to_string(type) + " = " + std::to_string(result));
        return result;
    }
    bool UpdateRequest(const std::string& request, const TStringList* answers, const std::string& description) override {
        if (FailUpdates) throw Exception("Overlong Request description!");
        const bool result = store_.UpdateRequest(request, answers, description);
        Calls.push_back("U " + request + " [" + (answers ? Join(*answers) : "-") + "] '" + description +
                        "' = " + std::to_string(result));
        return result;
    }
    bool HoldsRequest(const std::string& request) override {
        return store_.RequestIndex(PackFunction(request, 0), 1) != nullptr;
    }
    std::int32_t DescriptionLimit() override { return store_.Limits().MaxDescrLen; }

    std::vector<std::string> Calls;
    bool FailUpdates = false;

private:
    TRequestStore& store_;
};

class EditorHost final : public RequestEditorHost {
public:
    EditorHost(SimulationView& view, TMemIniFile& file, RecordingEngine& engine, ScriptedDialogs& dialogs)
        : view_(view), file_(file), engine_(engine), dialogs_(dialogs) {}
    SimulationView& View() override { return view_; }
    TCustomIniFile* SimulationFile() override { return HasFile ? &file_ : nullptr; }
    EngineEdits* Engine() override { return HasEngine ? &engine_ : nullptr; }
    OperatorDialogs& Dialogs() override { return dialogs_; }
    std::int32_t IntraFrameDefault() override { return 100; }
    std::int32_t DataOffset() override { return Offset; }

    bool HasFile = true;
    bool HasEngine = true;
    std::int32_t Offset = 1;

private:
    SimulationView& view_;
    TMemIniFile& file_;
    RecordingEngine& engine_;
    ScriptedDialogs& dialogs_;
};

class PassHost final : public LoadingHost {
public:
    void Pump() override {}
    void ShowMessage(const std::string& text) override { ADD_FAILURE() << text; }
};

// Every key of a file as "SECTION/KEY" (names in upper case) with its value.
std::map<std::string, std::string> KeysOf(const TCustomIniFile& file) {
    std::map<std::string, std::string> keys;
    TStringList sections;
    file.ReadSections(sections);
    for (const std::string& section : sections) {
        TStringList names;
        file.ReadSection(section, names);
        for (const std::string& name : names) {
            std::string id = section + "/" + name;
            for (char& c : id) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            keys[id] = file.ReadString(section, name, "");
        }
    }
    return keys;
}

// What changed between two key sets: "S/K=value" for a new or changed key, "-S/K" for one gone.
// The editors write hex values in lower case; a value that only changed its letter case (the
// fixture's upper-case digits written back) is no change.
std::vector<std::string> Changes(const std::map<std::string, std::string>& before,
                                 const std::map<std::string, std::string>& after) {
    std::vector<std::string> changes;
    for (const auto& [key, value] : after) {
        auto it = before.find(key);
        if (it == before.end() || FoldAsciiCase(it->second) != FoldAsciiCase(value))
            changes.push_back(key + "=" + value);
    }
    for (const auto& [key, value] : before)
        if (after.count(key) == 0) changes.push_back("-" + key);
    return changes;
}

// The fixture's tree: 0 tester present, 1 end of communication, 2 ECU activation, 3 REQUEST1
// (1a90, three answers), 4 REQUEST2 (2101, one answer, BYTE2=Value), 5 REQUEST3 (2102, MA=y: one
// answer; its ANSWER3A is not read).
constexpr std::int32_t Tester = 0, Vin = 3, Status = 4, Speed = 5;

class RequestTreeEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectCodec(&codec, 2); // wire text = plain text
        Load(ReadBytes(TARVICO_UI_FIXTURES "/simulation/simul1.ini"));
    }
    void TearDown() override { ClearCodec(&codec); }

    void Load(const std::string& text, std::int32_t descriptionLimit = 100) {
        TStoreLimits limits;
        limits.MaxReqLen = limits.MaxAnsLen = 100;
        limits.MaxDescrLen = descriptionLimit;
        limits.MaxReqCount = 50;
        store.CreateStructures(limits);
        file.SetText(text);
        RegistrarOf<TRequestStore> registrar(store, {});
        PassHost pass;
        ASSERT_TRUE(LoadData(file, registrar, pass, view));
        editor.Reset();
        before = KeysOf(file);
        engine.Calls.clear();
    }
    std::vector<std::string> FileChanges() { return Changes(before, KeysOf(file)); }
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        boxes.swap(dialogs.Boxes);
        return boxes;
    }
    // The answers the engine's edit store holds for a request.
    TStringList StoredAnswers(const std::string& request) {
        TAnsReqItem* item = store.RequestIndex(request, 1);
        TStringList answers;
        if (item == nullptr) return answers;
        for (std::int32_t k = 0; k < item->AnswerCount; ++k) answers.push_back(item->Answers[static_cast<std::size_t>(k)].PlainText);
        return answers;
    }

    TCodecContext codec;
    TRequestStore store;
    TMemIniFile file;
    SimulationView view;
    ScriptedDialogs dialogs;
    RecordingEngine engine{store};
    EditorHost host{view, file, engine, dialogs};
    RequestTreeEditor editor{host};
    std::map<std::string, std::string> before;
};

struct GroupWriteCase {
    const char* Name;
    std::function<void(RequestTreeEditor&)> Edit;
    std::vector<std::string> File;   // the changes of the file's keys
    std::vector<std::string> Engine; // the engine calls, in order
    std::vector<std::string> Boxes;
};
void PrintTo(const GroupWriteCase& c, std::ostream* os) { *os << c.Name; }

// Each edit, then a node of another group selected (the group is left).
const GroupWriteCase GroupWrites[] = {
    {"AnswerBytesReachTheEngineAtOnceAndTheFileWhenLeft",
     [](RequestTreeEditor& e) {
         e.Select({Status, 1});
         e.EditAnswer("61 01 03");
     },
     {"ANSWER2/A=610103"},
     {"U 2101 [610103] '' = 1", "U 2101 [610103] '' = 1"},
     {}},
    {"AHalfByteStaysOutOfTheEngineUntilWhole",
     [](RequestTreeEditor& e) {
         e.Select({Status, 1});
         e.EditAnswer("61 01 0");
         e.EditAnswer("61 01 05");
     },
     {"ANSWER2/A=610105"},
     {"U 2101 [610105] '' = 1", "U 2101 [610105] '' = 1"},
     {}},
    {"AnAddedAnswerSetsMA",
     [](RequestTreeEditor& e) {
         e.Select({Status, 0});
         e.AddAnswer();
         e.Select({Status, 2});
         e.EditAnswer("61 02");
     },
     {"ANSWER2A/A=6102", "REQUEST2/MA=Y"},
     {"U 2101 [610102,6102] '' = 1", "U 2101 [610102,6102] '' = 1"},
     {}},
    {"ADeletedAnswerLeavesNoSectionBehind",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 2});
         e.DeleteSelected();
     },
     // The third answer moves into the second's section, without the second's description.
     {"ANSWER1A/A=5a90373839", "-ANSWER1A/BYTE1", "-ANSWER1B/A"},
     {"U 1a90 [5a90313233,5a90373839] '' = 1"},
     {}},
    {"DeletingTheLastSecondAnswerClearsMA",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 3});
         e.DeleteSelected();
         e.DeleteSelected();
     },
     {"REQUEST1/MA=N", "-ANSWER1A/A", "-ANSWER1A/BYTE1", "-ANSWER1B/A"},
     {"U 1a90 [5a90313233] '' = 1"},
     {}},
    {"ByteDescriptionsClearedOnesRemoveTheirKeys",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 1});
         e.SetDescriptions({"Service", "", "First digit", "x", "y"});
     },
     {"ANSWER1/BYTE3=First digit", "ANSWER1/BYTE4=x", "ANSWER1/BYTE5=y", "-ANSWER1/BYTE2"},
     {"U 1a90 [5a90313233,5a90343536,5a90373839] '' = 1"},
     {}},
    {"MAFollowsTheAnswersTheTreeHolds",
     [](RequestTreeEditor& e) {
         e.Select({Speed, 1});
         e.EditAnswer("61 02 cc");
     },
     // MA=y read as one answer: the unread ANSWER3A would become a second answer with MA=Y.
     {"ANSWER3/A=6102cc", "REQUEST3/MA=N", "-ANSWER3A/A"},
     {"U 2102 [6102cc] '' = 1", "U 2102 [6102cc] '' = 1"},
     {}},
    {"AnEmptiedAnswerIsNotWritten",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 2});
         e.EditAnswer("");
     },
     // The load would stop at an empty answer and lose the one after it.
     {"ANSWER1A/A=5a90373839", "-ANSWER1A/BYTE1", "-ANSWER1B/A"},
     {"U 1a90 [5a90313233,5a90373839] '' = 1", "U 1a90 [5a90313233,5a90373839] '' = 1"},
     {}},
    {"PastedAnswerTakesCaptionAndDescriptions",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 1});
         e.Copy();
         e.Select({Status, 1});
         e.Paste();
     },
     {"ANSWER2/A=5a90313233", "ANSWER2/BYTE1=Service", "ANSWER2/BYTE2=Identifier",
      "ANSWER2/BYTE3=First digit of the VIN"},
     {"U 2101 [5a90313233] '' = 1"},
     {}},
    {"APastedNewRequestIsAdded",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 1});
         e.Copy();
         e.Select({Status, 0});
         e.Paste();
     },
     {"REQUEST2/R=5a90313233"},
     {"A 5a90313233 [610102] 'Request 2101' -1 2 = 1"},
     {}},
    {"APastedKnownRequestIsRefused",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 0});
         e.Copy();
         e.Select({Status, 0});
         e.Paste();
     },
     {},
     {},
     {"Message: Error editing request! Request 1a90 already exists!"}},
    {"AHalfByteLeftBehindIsReportedAndNotWritten",
     [](RequestTreeEditor& e) {
         e.Select({Status, 1});
         e.EditAnswer("61 01 0");
     },
     {},
     {},
     {"Message: Error editing request! DividePacket (61010) Error: Odd number of digits!"}},
    {"MovingWithinTheGroupWritesNothingYet",
     [](RequestTreeEditor& e) {
         e.Select({Vin, 1});
         e.EditAnswer("5a 90");
         e.Select({Vin, 2});
         e.Select({Vin, -1});
         e.Select({Vin, 1}); // back: written only when the group is left below
     },
     {"ANSWER1/A=5a90", "-ANSWER1/BYTE3"},
     {"U 1a90 [5a90,5a90343536,5a90373839] '' = 1", "U 1a90 [5a90,5a90343536,5a90373839] '' = 1"},
     {}},
};

class GroupWriteTable : public RequestTreeEditorTest, public ::testing::WithParamInterface<GroupWriteCase> {};

} // namespace

TEST_P(GroupWriteTable, WritesTheSectionsKeysAndEngineCalls) {
    const GroupWriteCase& c = GetParam();
    c.Edit(editor);
    editor.Select({Tester, -1});
    EXPECT_EQ(FileChanges(), c.File);
    EXPECT_EQ(engine.Calls, c.Engine);
    EXPECT_EQ(Boxes(), c.Boxes);
}

INSTANTIATE_TEST_SUITE_P(Table, GroupWriteTable, ::testing::ValuesIn(GroupWrites),
                         [](const ::testing::TestParamInfo<GroupWriteCase>& info) { return std::string(info.param.Name); });

TEST_F(RequestTreeEditorTest, WhatTheTreeShowsAfterEdits) {
    editor.Select({Vin, 2});
    EXPECT_EQ(editor.EditorText(), "5a 90 34 35 36");
    ASSERT_NE(editor.Descriptions(), nullptr);
    EXPECT_EQ(*editor.Descriptions(), (TStringList{"Service", "", "", "", ""}));

    // The description list follows the answer's length as it is typed.
    editor.EditAnswer("5a 90 34");
    EXPECT_EQ(*editor.Descriptions(), (TStringList{"Service", "", ""}));
    editor.EditAnswer("5a 90 34 3");
    EXPECT_EQ(*editor.Descriptions(), (TStringList{"Service", "", ""}));
    editor.EditAnswer("5a 90 34 35 36 37");
    EXPECT_EQ(*editor.Descriptions(), (TStringList{"Service", "", "", "", "", ""}));
    EXPECT_EQ(view.Tree[Vin].Answers[1].Caption, "5a 90 34 35 36 37");
    EXPECT_EQ(StoredAnswers("1a90"), (TStringList{"5a90313233", "5a9034353637", "5a90373839"}));

    // A root and a request node show an empty editor and no descriptions.
    editor.Select({Vin, -1});
    EXPECT_EQ(editor.EditorText(), "");
    EXPECT_EQ(editor.Descriptions(), nullptr);
    EXPECT_FALSE(editor.AnswerEditable());
    editor.Select({Vin, 0});
    EXPECT_EQ(editor.Descriptions(), nullptr);
}

TEST_F(RequestTreeEditorTest, TheFixedExchangesAreReadOnly) {
    editor.Select({Tester, 1});
    EXPECT_EQ(editor.EditorText(), "7e 00");
    EXPECT_FALSE(editor.AnswerEditable());
    editor.EditAnswer("7e 01");
    editor.SetDescriptions({"x", "y"});
    EXPECT_FALSE(editor.AddAnswer());
    EXPECT_EQ(view.Tree[Tester].Answers[0].Caption, "7e 00");
    EXPECT_EQ(editor.Rename(Tester, "Alive"), "Tester present");
    EXPECT_FALSE(editor.CanRename({Tester, -1}));
    EXPECT_FALSE(editor.CanRename({Vin, 1}));
    EXPECT_TRUE(editor.CanRename({Vin, -1}));
    EXPECT_EQ(editor.EditorEntry({Tester, 1}), std::nullopt);

    // Nothing pastes onto them; copying from them is allowed.
    editor.Select({Vin, 1});
    editor.Copy();
    editor.Select({Tester, 1});
    EXPECT_FALSE(editor.Paste());
    editor.Copy();
    editor.Select({Status, 1});
    EXPECT_TRUE(editor.Paste());
    EXPECT_EQ(view.Tree[Status].Answers[0], (AnswerNode{"7e 00", TStringList{"", ""}}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: Copy/Paste not allowed!"});
    editor.Select({Tester, -1});
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"U 2101 [7e00] '' = 1"});
}

TEST_F(RequestTreeEditorTest, RenameWritesTheDescriptionAtOnce) {
    EXPECT_EQ(editor.Rename(Status, "Status"), "Status");
    EXPECT_EQ(view.Tree[Status].Caption, "Status");
    // An empty caption is the default description, as the load reads it.
    EXPECT_EQ(editor.Rename(Vin, ""), "Request 1a90");
    EXPECT_EQ(FileChanges(), (std::vector<std::string>{"REQUEST1/D=", "REQUEST2/D=Status"}));
    EXPECT_EQ(engine.Calls, (std::vector<std::string>{"U 2101 [-] 'Status' = 1", "U 1a90 [-] 'Request 1a90' = 1"}));

    // The engine refuses: the box, and the file and the tree keep the new caption.
    engine.FailUpdates = true;
    EXPECT_EQ(editor.Rename(Status, "A caption the engine refuses"), "A caption the engine refuses");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: Error editing request! Overlong Request description!"});
    EXPECT_EQ(file.ReadString("REQUEST2", "D", ""), "A caption the engine refuses");
}

TEST_F(RequestTreeEditorTest, TheDefaultOfALongRequestReachesTheEngineCutToItsLimit) {
    // Room for the fixture's descriptions (the longest is "End Communication"), not for the default
    // of a long request dropped later.
    constexpr std::int32_t Limit = 20;
    Load(ReadBytes(TARVICO_UI_FIXTURES "/simulation/simul1.ini"), Limit);
    const std::string request = "22f190010203040506";
    ASSERT_EQ(editor.Drop({{1, request, {"62f19001"}}}), std::vector<std::string>{request});
    const std::int32_t dropped = static_cast<std::int32_t>(view.Tree.size()) - 1;
    EXPECT_EQ(store.RequestIndex(request, 1)->Description, "Unknown");

    // Cleared: the file says "the default" and the tree shows it whole, as the next load will,
    // which sizes the engine for it; this engine takes as much of it as it holds.
    const std::string fullDefault = "Request " + request;
    EXPECT_EQ(editor.Rename(dropped, ""), fullDefault);
    EXPECT_EQ(view.Tree[static_cast<std::size_t>(dropped)].Caption, fullDefault);
    EXPECT_EQ(file.ReadString("REQUEST4", "D", "?"), "");
    EXPECT_EQ(store.RequestIndex(request, 1)->Description, fullDefault.substr(0, Limit));
    // A caption typed too long is the operator's, and refused as it stands.
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(editor.Rename(dropped, fullDefault), fullDefault);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: Error editing request! Overlong Request description!"});
}

TEST_F(RequestTreeEditorTest, DeleteAndPasteRefusals) {
    // The request node and the first answer are never deleted; the fixed exchanges not at all.
    for (TreeNode node : {TreeNode{Vin, -1}, TreeNode{Vin, 0}, TreeNode{Vin, 1}, TreeNode{Tester, 1}}) {
        editor.Select(node);
        EXPECT_FALSE(editor.DeleteSelected()) << node.Group << "," << node.Child;
    }
    EXPECT_EQ(view.Tree[Vin].Answers.size(), 3u);

    // A copied node that is deleted is forgotten; one after it follows its move.
    editor.Select({Vin, 3});
    editor.Copy();
    editor.Select({Vin, 2});
    EXPECT_TRUE(editor.DeleteSelected());
    EXPECT_EQ(editor.Selected(), (TreeNode{Vin, 1}));
    EXPECT_EQ(editor.Copied(), (TreeNode{Vin, 2}));
    editor.Select({Vin, 2});
    EXPECT_TRUE(editor.DeleteSelected());
    EXPECT_EQ(editor.Copied(), TreeNode{});

    // Root onto root, nothing copied, a line onto a root: not allowed.
    editor.Select({Status, -1});
    editor.Copy();
    editor.Select({Speed, -1});
    EXPECT_FALSE(editor.Paste());
    editor.Reset();
    editor.Select({Speed, 1});
    EXPECT_FALSE(editor.Paste());
    editor.Copy();
    editor.Select({Status, -1});
    EXPECT_FALSE(editor.Paste());
    EXPECT_EQ(Boxes(), std::vector<std::string>(3, "Message: Copy/Paste not allowed!"));
}

TEST_F(RequestTreeEditorTest, FlushWritesWhatIsUnwrittenAndAFailureKeepsIt) {
    editor.Select({Status, 1});
    engine.FailUpdates = true;
    editor.EditAnswer("61 01 09");
    EXPECT_TRUE(editor.Unwritten(Status));
    editor.Flush();
    // The file took it; the engine refused, so the group stays to be written again.
    EXPECT_EQ(FileChanges(), std::vector<std::string>{"ANSWER2/A=610109"});
    EXPECT_EQ(Boxes(), (std::vector<std::string>(2, "Message: Error editing request! Overlong Request description!")));
    EXPECT_TRUE(editor.Unwritten(Status));

    engine.FailUpdates = false;
    editor.Flush();
    EXPECT_FALSE(editor.Unwritten(Status));
    EXPECT_EQ(StoredAnswers("2101"), TStringList{"610109"});
    editor.Flush(); // nothing left
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"U 2101 [610109] '' = 1"});
}

TEST_F(RequestTreeEditorTest, WithoutAnEngineOrAFileTheEditorTouchesNeither) {
    // After Reset the engine is gone: edits still reach the file.
    host.HasEngine = false;
    editor.Select({Status, 1});
    editor.EditAnswer("61 01 04");
    EXPECT_EQ(editor.Rename(Status, "Status"), "Status");
    editor.Select({Vin, -1});
    EXPECT_EQ(FileChanges(), (std::vector<std::string>{"ANSWER2/A=610104", "REQUEST2/D=Status"}));
    EXPECT_TRUE(engine.Calls.empty());

    // No simulation file: nothing is written and nothing is dropped.
    host.HasFile = false;
    EXPECT_FALSE(editor.Enabled());
    editor.Select({Status, 1});
    editor.EditAnswer("61 01 05");
    editor.Select({Vin, -1});
    EXPECT_EQ(editor.Drop({{0, "2299", {"6299"}}}), std::vector<std::string>{});
    EXPECT_EQ(file.ReadString("ANSWER2", "A", ""), "610104");
}

TEST_F(RequestTreeEditorTest, EnterOrF2OpensTheDataEditorBehindTheSkippedBytes) {
    const std::pair<std::int32_t, std::optional<int>> cases[] = {{0, 0}, {1, 2}, {3, 8}, {4, std::nullopt}};
    for (const auto& [offset, caret] : cases) {
        host.Offset = offset;
        EXPECT_EQ(editor.EditorEntry({Status, 1}), caret) << offset; // "61 01 02"
    }
    host.Offset = 1;
    EXPECT_EQ(editor.EditorEntry({Vin, 3}), 2); // any answer, not only a first one
    EXPECT_EQ(editor.EditorEntry({Vin, 0}), std::nullopt);
    EXPECT_EQ(editor.EditorEntry({Vin, -1}), std::nullopt);
}

TEST_F(RequestTreeEditorTest, ADropOntoFourRequestsWritesTheFifth) {
    Load(ReadBytes(TARVICO_UI_FIXTURES "/simulation/simul1.ini") +
         "[REQUEST4]\r\nR=2104\r\n[ANSWER4]\r\nA=6104\r\n[NREQUEST]\r\nN=4\r\n"
         // left over beyond N: must not come back with the new entry
         "[REQUEST5]\r\nD=Old\r\n[ANSWER5B]\r\nA=0000\r\n");
    ASSERT_EQ(view.Tree.size(), 7u);

    const std::vector<std::string> taken = editor.Drop({{1, "2299", {"6299aa", "6299bb", "", "7f"}}});
    EXPECT_EQ(taken, std::vector<std::string>{"2299"});
    EXPECT_EQ(FileChanges(), (std::vector<std::string>{"ANSWER5/A=6299aa", "ANSWER5A/A=6299bb", "NREQUEST/N=5",
                                                       "REQUEST5/D=Unknown", "REQUEST5/INTRAFRAME=100",
                                                       "REQUEST5/MA=Y", "REQUEST5/R=2299", "-ANSWER5B/A"}));
    EXPECT_EQ(engine.Calls, std::vector<std::string>{"A 2299 [6299aa,6299bb] 'Unknown' -1 2 = 1"});
    EXPECT_EQ(StoredAnswers("2299"), (TStringList{"6299aa", "6299bb"}));
    ASSERT_EQ(view.Tree.size(), 8u);
    EXPECT_EQ(view.Tree[7], (RequestGroup{GroupKind::Request, 5, "Unknown", "22 99",
                                          {{"62 99 aa", TStringList(3)}, {"62 99 bb", TStringList(3)}}}));
    EXPECT_FALSE(editor.Unwritten(7));

    // A request the simulation holds, also by another spelling, is refused and stays listed.
    EXPECT_EQ(editor.Drop({{2, "21 01", {"610102"}}, {3, "2299", {"62"}}}), std::vector<std::string>{});
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Message: Request 2101 already exists!",
                                                 "Message: Request 2299 already exists!"}));
    EXPECT_EQ(view.Tree.size(), 8u);
}

TEST_F(RequestTreeEditorTest, ARequestDroppedWithoutAnswersAsksForOne) {
    EXPECT_EQ(editor.Drop({{1, "2298", {}}}), std::vector<std::string>{"2298"});
    EXPECT_EQ(FileChanges(), (std::vector<std::string>{"NREQUEST/N=4", "REQUEST4/D=Unknown", "REQUEST4/INTRAFRAME=100",
                                                       "REQUEST4/MA=N", "REQUEST4/R=2298"}));
    EXPECT_TRUE(engine.Calls.empty());
    const std::int32_t g = static_cast<std::int32_t>(view.Tree.size()) - 1;
    EXPECT_EQ(view.Tree[static_cast<std::size_t>(g)].Answers, (std::vector<AnswerNode>{AnswerNode{"", TStringList{""}}}));

    // Leaving it empty says so; an answer typed in registers it.
    editor.Select({g, 1});
    editor.Select({Vin, -1});
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: Error editing request! Request 2298 has no answer!"});
    editor.Select({g, 1});
    editor.EditAnswer("62 98");
    editor.Select({Vin, -1});
    EXPECT_EQ(engine.Calls, (std::vector<std::string>{"U 2298 [6298] '' = 0", "U 2298 [6298] '' = 0",
                                                      "A 2298 [6298] 'Unknown' -1 2 = 1"}));
    EXPECT_EQ(file.ReadString("ANSWER4", "A", ""), "6298");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(RequestTreeEditorTest, SearchFindsByteDescriptionsInTreeOrder) {
    dialogs.InputAnswers = {"Service", std::nullopt, "", "VIN"};
    EXPECT_EQ(editor.FindByteDescription(), (TreeNode{Vin, 1}));
    editor.Select({Vin, 1});
    EXPECT_EQ(editor.SearchAgain(), (TreeNode{Vin, 2}));
    editor.Select({Vin, 2});
    EXPECT_EQ(editor.SearchAgain(), std::nullopt);
    editor.Select({Status, -1});
    EXPECT_EQ(editor.SearchAgain(), std::nullopt); // no wrap to the start

    EXPECT_EQ(editor.FindByteDescription(), std::nullopt); // cancelled: the text stays
    EXPECT_EQ(editor.SearchText(), "Service");
    EXPECT_EQ(editor.FindByteDescription(), std::nullopt); // an empty text finds nothing
    editor.Reset();
    EXPECT_EQ(editor.SearchAgain(), (TreeNode{Vin, 1})); // no selection: asks, case-sensitive
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Input: Find Byte description|Enter description|",
                                                 "Input: Find Byte description|Enter description|Service",
                                                 "Input: Find Byte description|Enter description|Service",
                                                 "Input: Find Byte description|Enter description|"}));
}

// An answer typed past what the engine takes: one box for the edit, not one per key, every key in
// the tree; with growth allowed (as the window allows it after a load) the engine takes it.
TEST_F(RequestTreeEditorTest, AnAnswerTypedPastTheEnginesRoomShowsOneBoxOrGrowsTheEngine) {
    std::string typed = "61 01";
    editor.Select({Status, 1});
    for (int k = 0; k < 55; ++k) {
        typed += " 7" + std::to_string(k % 10);
        editor.EditAnswer(typed); // from the 50th byte on, longer than the engine's 100 characters
    }
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("Overlong Answer"), std::string::npos) << boxes[0];
    EXPECT_EQ(editor.EditorText(), typed);

    store.AllowGrowth(TStoreGrowth{});
    typed += " 7f";
    editor.EditAnswer(typed);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    std::string whole = typed;
    whole.erase(std::remove(whole.begin(), whole.end(), ' '), whole.end());
    EXPECT_EQ(StoredAnswers("2101"), TStringList{whole});
}
