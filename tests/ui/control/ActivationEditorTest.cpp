// The activations editor's model over the simulation file object and a request store loaded by
// the real loading pass: an activation shown as rows and stored back as steps, the repetition
// limit, renames, the checks that hold a store back, the engine's refusals, and the lists' keys.
#include "ActivationEditor.h"

#include "EditorTestSupport.h"

#include <algorithm>
#include <memory>

namespace {

constexpr std::int32_t IntraFrameDefault = 100;

const std::string Simulation =
    "[NACTIVATION]\r\nN=2\r\n"
    "[ACTIVATION_1]\r\nD=Fuel pump\r\nR1=3001\r\nA1_1=7001\r\nR2=3002\r\nA2_1=7002\r\nA2_2=7003\r\nD2=Pump step\r\n"
    "Repetition_Number2=3\r\nINTRAFRAME2=100\r\nR3=3003\r\nA3_1=7004\r\n"
    "[ACTIVATION_2]\r\nR1=3101\r\nA1_1=7101\r\nRepetition_Number1=50\r\n";

const std::string FuelPumpOnly = Simulation.substr(0, Simulation.find("[ACTIVATION_2]"));

const TStringList FuelPumpSection = {
    "D=Fuel pump", "R1=3001",       "A1_1=7001", "INTRAFRAME1=0",          "R2=3002",
    "A2_1=7002",   "A2_2=7003",     "D2=Pump step", "Repetition_Number2=3", "INTRAFRAME2=100",
    "R3=3003",     "A3_1=7004",     "INTRAFRAME3=0"};

ActivationRow Row(const std::string& intra, const std::string& request, const TStringList& answers,
                  const std::string& description = "") {
    return {intra, request, answers, description};
}

const ActivationRow Start = Row("0", "30 01", {"70 01"});
const ActivationRow Pump = Row("100", "30 02", {"70 02", "70 03"}, "Pump step");
const ActivationRow Stop = Row("0", "30 03", {"70 04"});

class ActivationEditorTest : public EditorTest {
protected:
    void Prepare(const TStoreLimits& limits = RoomyLimits(), const std::string& text = Simulation) {
        Load(text, limits);
        editor = std::make_unique<ActivationEditor>(file, engine, view.Activations, IntraFrameDefault, Recorder());
        ASSERT_TRUE(editor->Show());
    }

    // The engine's activation of that name: each step as "request:answers:description", or
    // {"(none)"}.
    TStringList EngineSteps(const std::string& name) {
        const TActivations& table = store.EditActivations();
        for (std::int32_t i = 0; i < table.Count; ++i) {
            const TActivationItem& a = table.Items[static_cast<std::size_t>(i)];
            if (a.Name != name) continue;
            TStringList steps;
            for (std::int32_t s = 0; s < a.Count; ++s) {
                const TActAnsItem& step = a.Steps[static_cast<std::size_t>(s)];
                std::string line = step.PlainText + ":";
                for (std::int32_t k = 0; k < step.AnswerCount; ++k)
                    line += (k ? "," : "") + step.Answers[static_cast<std::size_t>(k)].PlainText;
                steps.push_back(line + ":" + step.Description);
            }
            return steps;
        }
        return {"(none)"};
    }
    // The answer the engine gives to the next request of a tester (live tables).
    std::string Answer(const std::string& request) {
        TBaseItem item{RoomyLimits()};
        if (!store.GetAnswerInto(request, item)) return "(none)";
        return item.AnswerCount > 0 ? item.Answers[0].PlainText : "(no answer)";
    }

    std::unique_ptr<ActivationEditor> editor;
};

} // namespace

TEST_F(ActivationEditorTest, RowsAndStepsMakeTheRoundTrip) {
    Prepare();
    EXPECT_EQ(editor->GroupCaption(), "Activation 1/2");
    EXPECT_EQ(editor->Name(), "Fuel pump");
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump, Pump, Stop}));
    EXPECT_EQ(editor->SelectedRow(), 0);
    EXPECT_EQ(editor->ShownAnswers(), TStringList{"70 01"});
    const TStringList loaded = EngineSteps("Fuel pump");
    EXPECT_EQ(loaded, (TStringList{"3002:7002,7003:Pump step", "3002:7002,7003:Pump step", "3002:7002,7003:Pump step",
                                   "3003:7004:Fuel pump"}));

    // Nothing edited: the up-down and Save leave the section as the file has it.
    const std::string loadedText = file.Text();
    ASSERT_TRUE(editor->Store());
    EXPECT_EQ(file.Text(), loadedText);
    // "Refresh" stores anyway. Three equal rows are one step of three; the step's description
    // stays; the engine gets every row, as the load gave it.
    ASSERT_TRUE(editor->Refresh());
    EXPECT_EQ(Section("ACTIVATION_1"), FuelPumpSection);
    EXPECT_EQ(EngineSteps("Fuel pump"), loaded);
    ASSERT_TRUE(editor->Show());
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump, Pump, Stop}));

    // An edited answer of the last step: the engine runs the edited sequence.
    editor->SelectRow(4);
    editor->SelectAnswer(0);
    EXPECT_FALSE(editor->EditAnswer("70 0")); // half a byte changes nothing
    EXPECT_EQ(editor->Rows()[4].Answers, TStringList{"70 04"});
    ASSERT_TRUE(editor->EditAnswer(" 70 05 "));
    EXPECT_EQ(editor->Rows()[4].Answers, TStringList{"70 05"});
    const char* sequence[][2] = {
        {"3001", "7001"}, {"3002", "7002"}, {"3002", "7002"}, {"3002", "7002"}, {"3003", "7005"}};
    for (const auto& [request, answer] : sequence) EXPECT_EQ(Answer(request), answer) << request;

    // 50 repetitions in the file show as 20 rows and are stored as 20.
    ASSERT_TRUE(editor->MoveTo(2));
    EXPECT_EQ(editor->GroupCaption(), "Activation 2/2");
    EXPECT_EQ(editor->Name(), "");
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>(20, Row("0", "31 01", {"71 01"})));
    ASSERT_TRUE(editor->Refresh());
    EXPECT_EQ(Section("ACTIVATION_2"), (TStringList{"R1=3101", "A1_1=7101", "Repetition_Number1=20", "INTRAFRAME1=0"}));
    EXPECT_EQ(EngineSteps("ACTIVATION_2").size(), 19u); // the first row is the starting request
    EXPECT_EQ(store.EditActivations().Count, 2);
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ActivationEditorTest, ARenameLeavesNoStaleEntryAndAnUnnamedActivationKeepsItsSectionName) {
    Prepare();
    editor->SetName("Fuel pump test");
    ASSERT_TRUE(editor->Store());
    EXPECT_EQ(EngineSteps("Fuel pump"), TStringList{"(none)"});
    EXPECT_EQ(EngineSteps("Fuel pump test").size(), 4u);
    EXPECT_EQ(store.EditActivations().Count, 2);
    EXPECT_EQ(Section("ACTIVATION_1").front(), "D=Fuel pump test");
    EXPECT_EQ(Answer("3001"), "7001");

    editor->SetName("");
    ASSERT_TRUE(editor->Store());
    EXPECT_EQ(EngineSteps("Fuel pump test"), TStringList{"(none)"});
    EXPECT_EQ(EngineSteps("ACTIVATION_1"),
              (TStringList{"3002:7002,7003:Pump step", "3002:7002,7003:Pump step", "3002:7002,7003:Pump step",
                           "3003:7004:ACTIVATION_1"}));
    EXPECT_EQ(Section("ACTIVATION_1").front(), "R1=3001");
    EXPECT_EQ(store.EditActivations().Count, 2);
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ActivationEditorTest, HalfBytesHoldTheWholeStoreBack) {
    Prepare();
    const std::string before = file.Text();
    const TStringList engineBefore = EngineSteps("Fuel pump");

    // The request editor keeps what is typed but stores only whole bytes.
    editor->SelectRow(1);
    EXPECT_FALSE(editor->EditRequest("30 0"));
    EXPECT_EQ(editor->Rows()[1].Request, "30 0");
    EXPECT_EQ(Boxes(), TStringList{});
    // Moving on is refused with the engine's own message, and nothing is written or registered.
    EXPECT_FALSE(editor->MoveTo(2));
    EXPECT_EQ(Boxes(), TStringList{"udActivationChanging error: Invalid request value! Odd number of digits!"});
    EXPECT_EQ(editor->Position(), 1);
    EXPECT_EQ(file.Text(), before);
    EXPECT_EQ(EngineSteps("Fuel pump"), engineBefore);
    EXPECT_TRUE(editor->EditRequest("30 02"));

    // A dropped request with half a byte in an answer.
    const std::string stored = file.Text();
    EXPECT_FALSE(editor->Drop("30 05", {"70 0"}));
    EXPECT_EQ(Boxes(), TStringList{"udActivationChanging error: Invalid answer value! Odd number of digits!"});
    EXPECT_EQ(file.Text(), stored);
    EXPECT_EQ(EngineSteps("Fuel pump"), engineBefore);
}

TEST_F(ActivationEditorTest, AStepTheEngineRefusesRestoresTheRegistrationBefore) {
    TStoreLimits limits = RoomyLimits();
    limits.ActAnsMaxCount = 4; // the fixture's steps exactly
    Prepare(limits, FuelPumpOnly);
    const TStringList loaded = EngineSteps("Fuel pump");
    ASSERT_EQ(loaded.size(), 4u);

    EXPECT_FALSE(editor->Drop("30 05", {"70 05"}));
    const TStringList boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("udActivationChanging error: AddActivations (D=Fuel pump,R=3005,...)", 0), 0u) << boxes[0];
    EXPECT_NE(boxes[0].find("No more space for new request in this activation!"), std::string::npos) << boxes[0];
    EXPECT_EQ(EngineSteps("Fuel pump"), loaded);
    EXPECT_EQ(Answer("3005"), "(none)");
    EXPECT_EQ(Answer("3001"), "7001");
    EXPECT_EQ(editor->Registered(1)->Steps.size(), 3u);
    // The file has the edit, for a load with room for it.
    EXPECT_EQ(Section("ACTIVATION_1").back(), "INTRAFRAME4=100");
}

TEST_F(ActivationEditorTest, NewAndTheListKeys) {
    Prepare();
    editor->SelectRow(4);
    editor->MoveRowUp();
    EXPECT_EQ(editor->SelectedRow(), 3);
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump, Stop, Pump}));
    editor->MoveRowDown();
    editor->MoveRowDown(); // not below the last
    EXPECT_EQ(editor->SelectedRow(), 4);
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump, Pump, Stop}));
    editor->SelectRow(0);
    editor->MoveRowUp(); // not above the first
    EXPECT_EQ(editor->SelectedRow(), 0);

    editor->SelectRow(3);
    editor->DeleteRows({3, 4});
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump}));
    EXPECT_EQ(editor->SelectedRow(), 2); // the old index is past the end: the last row
    // An inserted row starts with the intra-frame default, as a dropped one does.
    editor->InsertRow();
    EXPECT_EQ(editor->SelectedRow(), 2);
    EXPECT_EQ(editor->Rows()[2], Row("100", "", {""}));

    editor->SelectRow(0);
    editor->InsertAnswer();
    EXPECT_EQ(editor->ShownAnswers(), (TStringList{"70 01", ""}));
    EXPECT_EQ(editor->SelectedAnswer(), 1);
    ASSERT_TRUE(editor->EditAnswer("70 09"));
    editor->SelectAnswer(0);
    editor->DeleteAnswers({0});
    EXPECT_EQ(editor->ShownAnswers(), TStringList{"70 09"});
    EXPECT_EQ(editor->SelectedAnswer(), 0);

    // The store above took the inserted row's caption as it stood.
    EXPECT_EQ(Boxes(), TStringList{});
    EXPECT_EQ(editor->Rows()[2], Row("100", "", {""}));

    // "New" stores the activation left, then shows one more with one empty row.
    editor->SelectRow(1);
    editor->DeleteRows({1});
    ASSERT_TRUE(editor->New());
    // The inserted row, whose request was never typed, is no step.
    EXPECT_EQ(EngineSteps("Fuel pump"), (TStringList{"3002:7002,7003:Pump step"}));
    EXPECT_EQ(editor->GroupCaption(), "Activation 3/3");
    EXPECT_EQ(file.ReadInteger("NACTIVATION", "N", 0), 3);
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>{Row("100", "", {})});
    EXPECT_EQ(editor->SelectedRow(), 0);
    EXPECT_FALSE(file.SectionExists("ACTIVATION_3"));

    ASSERT_TRUE(editor->EditRequest("31 02"));
    EXPECT_EQ(Boxes(), TStringList{});
    EXPECT_EQ(Section("ACTIVATION_3"), (TStringList{"R1=3102", "INTRAFRAME1=100"}));
    EXPECT_EQ(editor->Registered(3)->Name, "ACTIVATION_3");

    // A dropped unknown request is the last step, with the default intra-frame time, at once.
    ASSERT_TRUE(editor->Drop("31 03", {"71 03", "71 04", "", "71 05"}));
    EXPECT_EQ(editor->SelectedRow(), 1);
    EXPECT_EQ(Section("ACTIVATION_3"), (TStringList{"R1=3102", "INTRAFRAME1=100", "R2=3103", "A2_1=7103", "A2_2=7104",
                                                    "INTRAFRAME2=100"}));
    EXPECT_EQ(EngineSteps("ACTIVATION_3"), TStringList{"3103:7103,7104:ACTIVATION_3"});
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ActivationEditorTest, NothingIsStoredWithoutAShownActivation) {
    Prepare();
    // Before any load the up-down stands at 0.
    ActivationSelector none;
    ActivationEditor idle(file, engine, none, IntraFrameDefault, Recorder());
    const std::string before = file.Text();
    EXPECT_TRUE(idle.Show());
    EXPECT_TRUE(idle.Store());
    EXPECT_EQ(idle.Rows(), std::vector<ActivationRow>{});
    EXPECT_EQ(file.Text(), before);

    // An activation that cannot be shown is never stored over its section.
    file.WriteString("ACTIVATION_2", "A1_1", "710");
    EXPECT_TRUE(editor->MoveTo(2));
    EXPECT_EQ(Boxes(), TStringList{"udActivationClick error: DividePacket (710) Error: Odd number of digits!"});
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>{});
    const std::string broken = file.Text();
    EXPECT_TRUE(editor->Store());
    EXPECT_EQ(file.Text(), broken);
}

TEST_F(ActivationEditorTest, ASimulationWithoutActivationsShowsNoneUntilNewMakesTheFirst) {
    // The load stands the up-down on 1 of 0: there is no activation a load would read.
    const std::string withoutActivations = "[REQUEST_NOTES]\r\nD=none\r\n";
    Prepare(RoomyLimits(), withoutActivations);
    EXPECT_EQ(view.Activations, (ActivationSelector{1, 0, 1}));
    const std::string loaded = file.Text();
    EXPECT_FALSE(editor->Shown());
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>{});
    EXPECT_FALSE(editor->Drop("30 01", {"70 01"}));
    EXPECT_TRUE(editor->Refresh());
    EXPECT_TRUE(editor->MoveTo(1));
    EXPECT_EQ(file.Text(), loaded);

    // "New" makes activation 1, counted at once; its steps are stored as they are edited.
    ASSERT_TRUE(editor->New());
    EXPECT_TRUE(editor->Shown());
    EXPECT_EQ(editor->GroupCaption(), "Activation 1/1");
    EXPECT_EQ(file.ReadInteger("NACTIVATION", "N", 0), 1);
    ASSERT_TRUE(editor->EditRequest("30 01"));
    editor->InsertAnswer();
    ASSERT_TRUE(editor->EditAnswer("70 01"));
    ASSERT_TRUE(editor->Drop("30 02", {"70 02"}));
    EXPECT_EQ(Section("ACTIVATION_1"),
              (TStringList{"R1=3001", "A1_1=7001", "INTRAFRAME1=100", "R2=3002", "A2_1=7002", "INTRAFRAME2=100"}));

    // What the next load registers is what the page showed: the engine runs the sequence.
    const std::string saved = file.Text();
    TRequestStore reloaded;
    reloaded.CreateStructures(RoomyLimits());
    RegistrarOf<TRequestStore> registrar{reloaded, nullptr};
    SimulationView reloadedView;
    TMemIniFile reloadedFile;
    reloadedFile.SetText(saved);
    ASSERT_TRUE(LoadData(reloadedFile, registrar, host, reloadedView));
    EXPECT_EQ(reloadedView.Activations, (ActivationSelector{1, 1, 1}));
    TBaseItem item{RoomyLimits()};
    ASSERT_TRUE(reloaded.GetAnswerInto("3001", item));
    EXPECT_EQ(item.Answers[0].PlainText, "7001");
    ASSERT_TRUE(reloaded.GetAnswerInto("3002", item));
    EXPECT_EQ(item.Answers[0].PlainText, "7002");
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ActivationEditorTest, AnEmptyAnswerIsNeverWrittenAndAnUneditedActivationIsNeverRewritten) {
    Prepare();
    // Two empty answers before the real one, stored: only the real one is written.
    editor->SelectRow(0);
    editor->SelectAnswer(0);
    editor->InsertAnswer();
    editor->InsertAnswer();
    editor->SelectAnswer(2);
    EXPECT_EQ(editor->ShownAnswers(), (TStringList{"", "", "70 01"}));
    ASSERT_TRUE(editor->Refresh());
    EXPECT_EQ(Section("ACTIVATION_1")[2], "A1_1=7001");
    EXPECT_EQ(Section("ACTIVATION_1")[3], "INTRAFRAME1=0");
    // An empty answer after the real ones too; a step with no answer left writes none.
    editor->SelectRow(4);
    editor->SelectAnswer(0);
    editor->DeleteAnswers({0});
    editor->InsertAnswer();
    EXPECT_EQ(editor->ShownAnswers(), TStringList{""});
    ASSERT_TRUE(editor->MoveTo(1));
    EXPECT_EQ(Section("ACTIVATION_1").back(), "INTRAFRAME3=0");
    EXPECT_EQ(Section("ACTIVATION_1")[Section("ACTIVATION_1").size() - 2], "R3=3003");

    // A file written elsewhere with an empty answer before a real one: the editor shows no answer
    // for the step, and neither moving on nor Save takes the real one out of the file.
    const std::string hidden =
        "[NACTIVATION]\r\nN=2\r\n[ACTIVATION_1]\r\nD=Hidden\r\nR1=3001\r\nA1_1=\r\nA1_2=7001\r\n"
        "[ACTIVATION_2]\r\nR1=3101\r\nA1_1=7101\r\n";
    Prepare(RoomyLimits(), hidden);
    EXPECT_EQ(editor->ShownAnswers(), TStringList{});
    const std::string before = file.Text();
    ASSERT_TRUE(editor->Store());
    ASSERT_TRUE(editor->MoveTo(2));
    ASSERT_TRUE(editor->MoveTo(1));
    EXPECT_EQ(file.Text(), before);
    EXPECT_EQ(Boxes(), TStringList{});
}

// Keys typed into a row the engine refuses: one box for the edit, not one per key, and every
// character stays in the row; the next edit that goes through ends the refusal.
TEST_F(ActivationEditorTest, ARefusedEditShowsOneBoxNotOnePerKey) {
    TStoreLimits limits = RoomyLimits();
    limits.ActAnsMaxCount = 4; // the fixture's steps exactly
    Prepare(limits, FuelPumpOnly);
    editor->SelectRow(-1);
    editor->InsertRow(); // at the end, selected
    for (const char* typed : {"30 05", "30 05 0", "30 05 01"}) editor->EditRequest(typed);
    editor->SelectAnswer(0);
    for (const char* typed : {"70", "70 0", "70 05"}) editor->EditAnswer(typed);
    const TStringList boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("No more space for new request in this activation!"), std::string::npos) << boxes[0];
    EXPECT_EQ(editor->Rows().back().Request, "30 05 01");
    EXPECT_EQ(editor->Rows().back().Answers, TStringList{"70 05"});

    // The row deleted again, the store goes through; a new refusal shows its box again.
    editor->DeleteRows({static_cast<int>(editor->Rows().size()) - 1});
    ASSERT_TRUE(editor->Refresh());
    editor->SelectRow(-1);
    editor->InsertRow();
    ASSERT_FALSE(editor->EditRequest("30 06"));
    EXPECT_EQ(Boxes().size(), 1u);
}

// With growth allowed (as the window allows it after a load), the activation outgrows the
// load's room: every step and a second activation reach the engine, and no box is shown.
TEST_F(ActivationEditorTest, AnActivationBeyondTheLoadsRoomGrowsTheEngine) {
    TStoreLimits limits = RoomyLimits();
    limits.ActAnsMaxCount = 4;
    limits.ActMaxCount = 1;
    Prepare(limits, FuelPumpOnly);
    store.AllowGrowth(TStoreGrowth{});
    for (const char* request : {"30 05", "30 06", "30 07"}) ASSERT_TRUE(editor->Drop(request, {"70 05"}));
    EXPECT_EQ(EngineSteps("Fuel pump").size(), 7u);
    ASSERT_TRUE(editor->New());
    editor->SetName("Second");
    ASSERT_TRUE(editor->EditRequest("31 01"));
    editor->InsertAnswer();
    ASSERT_TRUE(editor->EditAnswer("71 01"));
    ASSERT_TRUE(editor->Drop("31 02", {"71 02"}));
    EXPECT_EQ(EngineSteps("Second"), TStringList{"3102:7102:Second"});
    EXPECT_EQ(store.EditActivations().Count, 2);
    EXPECT_EQ(Boxes(), TStringList{});
    EXPECT_EQ(Answer("3001"), "7001");
    EXPECT_EQ(Answer("3007"), "7005");
    EXPECT_EQ(Answer("3101"), "7101");
    EXPECT_EQ(Answer("3102"), "7102");
}

namespace {

// Every activation a store holds, in an order of its own: "<name>: <first request>/<its answers>"
// for the request an activation starts with, then "<name> step: <request>/<answers>/<description>"
// for each further step, sorted (a re-registered activation moves to the end of the table).
TStringList Registrations(const TRequestStore& store) {
    TStringList lines;
    const TActivations& activations = store.EditActivations();
    const auto answersOf = [](const TBaseItem& item) {
        std::string text;
        for (std::int32_t k = 0; k < item.AnswerCount; ++k)
            text += (k ? "," : "") + item.Answers[static_cast<std::size_t>(k)].PlainText;
        return text;
    };
    const TAllRequest& requests = store.EditRequests();
    for (std::int32_t r = 0; r < requests.Count; ++r) {
        const TAnsReqItem& entry = requests.Items[static_cast<std::size_t>(r)];
        if (entry.ActivationIndex < 0) continue;
        lines.push_back(activations.Items[static_cast<std::size_t>(entry.ActivationIndex)].Name + ": " +
                        entry.PlainText + "/" + answersOf(entry));
    }
    for (std::int32_t i = 0; i < activations.Count; ++i) {
        const TActivationItem& a = activations.Items[static_cast<std::size_t>(i)];
        for (std::int32_t s = 0; s < a.Count; ++s) {
            const TActAnsItem& step = a.Steps[static_cast<std::size_t>(s)];
            lines.push_back(a.Name + " step: " + step.PlainText + "/" + answersOf(step) + "/" + step.Description);
        }
        if (a.Count == 0) lines.push_back(a.Name + " without steps");
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

// Rows without a request: the file and the engine get the other rows only, numbered R1..Rn as a
// load reads them; Save leaves the list as the file holds it; and a load of what was written
// registers exactly what the editor registered.
TEST_F(ActivationEditorTest, RowsWithoutARequestAreNeitherWrittenNorRegistered) {
    const auto reload = [this](ActivationSelector expectedRange) {
        TRequestStore reloaded;
        reloaded.CreateStructures(RoomyLimits());
        RegistrarOf<TRequestStore> reloading{reloaded, nullptr};
        SimulationView reloadedView;
        TMemIniFile reloadedFile;
        reloadedFile.SetText(file.Text());
        EXPECT_TRUE(LoadData(reloadedFile, reloading, host, reloadedView));
        EXPECT_EQ(reloadedView.Activations, expectedRange);
        EXPECT_EQ(Registrations(reloaded), Registrations(store)) << "a load registers what the editor did";
    };
    Prepare();
    const TStringList loaded = Registrations(store);

    // An empty row inserted between filled rows, its caption and answer left as they come.
    editor->SelectRow(1);
    editor->InsertRow();
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Row("100", "", {""}), Pump, Pump, Pump, Stop}));
    editor->SetIntraFrame(1, "soon");
    ASSERT_TRUE(editor->Refresh());
    EXPECT_EQ(Section("ACTIVATION_1"), FuelPumpSection);
    EXPECT_EQ(Registrations(store), loaded);
    EXPECT_EQ(editor->Rows().size(), 6u) << "the row stays while it is being filled";
    EXPECT_EQ(Boxes(), TStringList{}) << "a row that is no step has no caption to correct";
    // A request typed and taken back again: the row is no step again.
    editor->SelectRow(1);
    ASSERT_TRUE(editor->EditRequest("30 09"));
    EXPECT_EQ(Section("ACTIVATION_1")[4], "R2=3009");
    EXPECT_EQ(Boxes(), TStringList{"Invalid Intraframe value for [ACTIVATION_1] [R2]!IntraFrame set to 100!"});
    ASSERT_TRUE(editor->EditRequest(""));
    EXPECT_EQ(Section("ACTIVATION_1"), FuelPumpSection);
    EXPECT_EQ(Registrations(store), loaded);
    reload({1, 2, 1});
    // Save: the list is what the file holds, and nothing is left to store.
    ASSERT_TRUE(editor->Flush());
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump, Pump, Stop}));
    EXPECT_EQ(editor->SelectedRow(), 1);
    EXPECT_FALSE(editor->Edited());
    const std::string saved = file.Text();
    ASSERT_TRUE(editor->MoveTo(1));
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Start, Pump, Pump, Pump, Stop}));
    EXPECT_EQ(file.Text(), saved);

    // "New" with nothing typed, then Save: no activation is written or registered.
    ASSERT_TRUE(editor->New());
    EXPECT_EQ(editor->Rows(), (std::vector<ActivationRow>{Row("100", "", {})}));
    ASSERT_TRUE(editor->Flush());
    EXPECT_FALSE(file.SectionExists("ACTIVATION_3"));
    EXPECT_EQ(file.ReadInteger("NACTIVATION", "N", 0), 3);
    EXPECT_EQ(Registrations(store), loaded);
    EXPECT_EQ(editor->Registered(3), std::nullopt);
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>{});
    EXPECT_EQ(editor->SelectedRow(), -1);
    EXPECT_EQ(editor->GroupCaption(), "Activation 3/3");
    reload({1, 3, 1});

    // Every row of an activation emptied: its section goes and the engine forgets it.
    ASSERT_TRUE(editor->MoveTo(1));
    for (int r = 0; r < static_cast<int>(editor->Rows().size()); ++r) {
        editor->SelectRow(r);
        ASSERT_TRUE(editor->EditRequest(" "));
    }
    EXPECT_FALSE(file.SectionExists("ACTIVATION_1"));
    EXPECT_EQ(EngineSteps("Fuel pump"), TStringList{"(none)"});
    EXPECT_EQ(Answer("3001"), "(none)");
    EXPECT_EQ(editor->Registered(1), std::nullopt);
    TStringList secondOnly(19, "ACTIVATION_2 step: 3101/7101/ACTIVATION_2");
    secondOnly.push_back("ACTIVATION_2: 3101/7101");
    std::sort(secondOnly.begin(), secondOnly.end());
    EXPECT_EQ(Registrations(store), secondOnly);
    reload({1, 3, 1});
    ASSERT_TRUE(editor->Flush());
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>{});
    EXPECT_EQ(editor->Name(), "") << "its name went with its section";
    ASSERT_TRUE(editor->MoveTo(1));
    EXPECT_EQ(editor->Rows(), std::vector<ActivationRow>{});
    EXPECT_EQ(Boxes(), TStringList{});
}
