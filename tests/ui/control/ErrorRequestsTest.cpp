// The errors page's model over the simulation file object and a request store loaded by the real
// loading pass: showing and storing a page, the column each request hands the engine, "New" and
// drops with what they store, and the checks that keep the file and the engine whole.
#include "ErrorRequests.h"

#include "EditorTestSupport.h"
#include "UDStructures.h"

namespace {

constexpr int Rows = 3;
constexpr std::int32_t IntraFrameDefault = 100;
constexpr int ThreeErrors = 3;

const std::string Simulation =
    "[ERROR_10]\r\nR=1800FF00\r\nD=Fault Memory\r\nINTRAFRAME=100\r\nA_1=5800\r\n"
    "[ERROR_11]\r\nA_1=58010123E0\r\n"
    "[ERROR_12]\r\nA_1=58020123E00456E0\r\nA_2=5800\r\n"
    "[ERROR_13]\r\nA_1=58030123E00456E00789E0\r\nA_2=5801\r\nA_3=5802\r\nA_4=5803\r\n"
    "[ERROR_1N]\r\nA_1=5801\r\n"
    "[ERROR_20]\r\nR=1802FF00\r\nA_1=5800\r\n";

const std::string OddIn = std::string(ErrorEditFailurePrefix) + "Invalid answer value! Odd number of digits!";

class ErrorRequestsTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        Load(Simulation);
        editor = std::make_unique<ErrorRequestsEditor>(file, engine, view, Rows, IntraFrameDefault, Recorder());
    }
    std::unique_ptr<ErrorRequestsEditor> editor;
};

} // namespace

TEST_F(ErrorRequestsTest, ShowReadsEveryColumnAndStoreWritesThePageBack) {
    editor->ShowTab(0);
    ErrorPage expected;
    expected.Request = "18 00 ff 00";
    expected.Description = "Fault Memory";
    expected.Columns = {TStringList{"58 00", "", ""}, TStringList{"58 01 01 23 e0", "", ""},
                        TStringList{"58 02 01 23 e0 04 56 e0", "58 00", ""},
                        TStringList{"58 03 01 23 e0 04 56 e0 07 89 e0", "58 01", "58 02"}, // A_4 has no row
                        TStringList{"58 01", "", ""}};
    EXPECT_EQ(editor->Page(), expected);
    EXPECT_EQ(editor->SelectedNumber(), 1);
    EXPECT_EQ(editor->CurrentColumn(), 0);

    editor->SetDescription("Fault memory, edited");
    editor->SetCell(0, 1, "");        // the last "No errors" answer: it stays, the load needs it
    editor->SetCell(1, 1, "58 01 01 24 e0");
    editor->SetCell(2, 2, "");        // cleared at the end of its column: it leaves the file
    editor->SetCell(3, 1, "58 03 0"); // half a byte: held back, the file keeps its value
    editor->SetCell(3, 2, "");        // between two answers: the file keeps its value
    editor->StoreTab();
    EXPECT_EQ(Boxes(), (TStringList{"Error! \"No errors\" needs an answer: its answers in the file stay as they were.",
                                    "Error! Invalid answer value! Odd number of digits! \"Three errors\" row 1 not "
                                    "stored: 58 03 0"}));
    EXPECT_EQ(Section("ERROR_10"), (TStringList{"R=1800ff00", "D=Fault memory, edited", "INTRAFRAME=100", "A_1=5800"}));
    EXPECT_EQ(Section("ERROR_11"), TStringList{"A_1=58010124e0"});
    EXPECT_EQ(Section("ERROR_12"), TStringList{"A_1=58020123e00456e0"});
    EXPECT_EQ(Section("ERROR_13"), (TStringList{"A_1=58030123E00456E00789E0", "A_2=5801", "A_3=5802", "A_4=5803"}));
    EXPECT_EQ(Section("ERROR_1N"), TStringList{"A_1=5801"});

    // Shown again, the page is what the file holds.
    ErrorPage stored = editor->Page();
    stored.Columns[0][0] = "58 00";
    stored.Columns[ThreeErrors][0] = "58 03 01 23 e0 04 56 e0 07 89 e0";
    stored.Columns[ThreeErrors][1] = "58 01";
    EXPECT_EQ(ReadErrorPage(file, 1, Rows), stored);

    // An entry without a description keeps it missing, so the load's default stays.
    editor->SetCell(0, 1, "58 00");
    editor->SetCell(3, 1, "58 03 01 23 e0 04 56 e0 07 89 e0");
    editor->SetCell(3, 2, "58 01");
    editor->ChangeTab(1);
    EXPECT_EQ(editor->SelectedNumber(), 2);
    editor->StoreTab();
    EXPECT_EQ(Section("ERROR_20"), (TStringList{"R=1802ff00", "A_1=5800"}));
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ErrorRequestsTest, EachRequestHandsTheEngineItsOwnColumn) {
    editor->ShowTab(0);
    EXPECT_TRUE(editor->SelectColumn(2));
    EXPECT_FALSE(editor->SelectColumn(2)); // no change, nothing applied
    EXPECT_EQ(EngineAnswers("1800ff00"), (TStringList{"58020123e00456e0", "5800"}));
    EXPECT_EQ(editor->ColumnChoice(1), 2);

    // ERROR_2 keeps "No errors": showing it moves the radio buttons back, which applies its column.
    editor->ChangeTab(1);
    EXPECT_EQ(editor->CurrentColumn(), 0);
    EXPECT_EQ(editor->ColumnChoice(2), 0);
    EXPECT_EQ(EngineAnswers("1802ff00"), TStringList{"5800"});
    const TStringList other{"7f18"};
    ASSERT_TRUE(store.UpdateRequest("1800ff00", &other, ""));

    editor->ChangeTab(0);
    EXPECT_EQ(editor->CurrentColumn(), 2);
    EXPECT_EQ(EngineAnswers("1800ff00"), (TStringList{"58020123e00456e0", "5800"}));
    EXPECT_EQ(EngineDescription("1800ff00"), "Fault Memory");
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ErrorRequestsTest, TheEngineGetsOnlyWholeColumns) {
    editor->ShowTab(0);
    editor->CellKeyUp(0, 1, "58 0"); // odd: not applied
    editor->CellKeyUp(0, 2, "58 01");
    EXPECT_EQ(Boxes(), TStringList{OddIn});
    EXPECT_EQ(EngineAnswers("1800ff00"), TStringList{"5800"});
    editor->CellKeyUp(0, 1, "58 02");
    EXPECT_EQ(EngineAnswers("1800ff00"), (TStringList{"5802", "5801"}));

    editor->SetDescription("Memory");
    editor->DescriptionExit();
    EXPECT_EQ(EngineDescription("1800ff00"), "Memory");
    EXPECT_EQ(EngineAnswers("1800ff00"), (TStringList{"5802", "5801"}));

    // An entry the engine does not hold yet is added as a fault-reading request.
    file.WriteString("ERROR_30", "R", "1803ff00");
    file.WriteString("ERROR_31", "A_1", "5801");
    editor->New();
    EXPECT_EQ(editor->SelectedNumber(), 3);
    EXPECT_EQ(editor->Page().Request, "18 03 ff 00");
    ASSERT_TRUE(editor->SelectColumn(1));
    EXPECT_EQ(EngineAnswers("1803ff00"), TStringList{"5801"});
    EXPECT_EQ(store.RequestIndex("1803ff00", 1)->Type, RequestType::FaultReading);
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ErrorRequestsTest, NewStoresThePageBeingLeftAndNeverAnEmptyRequest) {
    editor->ShowTab(0);
    editor->SetCell(1, 1, "58 01 09 99 e0");
    editor->New();
    EXPECT_EQ(Section("ERROR_11"), TStringList{"A_1=58010999e0"});
    ASSERT_EQ(view.ErrorTabs.size(), 3u);
    EXPECT_EQ(view.ErrorTabs[2], (FaultTab{3, "ERROR_3"}));
    EXPECT_EQ(editor->SelectedTab(), 2);
    EXPECT_EQ(editor->Page(), EmptyErrorPage(Rows));

    // Its request cannot be typed: whatever else is edited, leaving it writes nothing.
    const std::int32_t entries = store.EditRequests().Count;
    editor->SetDescription("new one");
    editor->SetCell(0, 1, "58 00");
    EXPECT_TRUE(editor->SelectColumn(ThreeErrors));
    EXPECT_EQ(store.EditRequests().Count, entries);
    editor->ChangeTab(0);
    EXPECT_FALSE(file.SectionExists("ERROR_30"));
    EXPECT_EQ(editor->ColumnChoice(3), ThreeErrors);
    EXPECT_EQ(Boxes(), TStringList{});
}

TEST_F(ErrorRequestsTest, ADropFillsTheFirstEntryWithoutSectionAndWritesTheFileForm) {
    editor->ShowTab(0);
    editor->New(); // ERROR_3, never stored
    editor->ChangeTab(0);
    editor->SetCell(0, 2, "58 00");

    // The unknown list's row: its answers up to the first empty one.
    ASSERT_TRUE(editor->Drop("18 03 ff 00", {"58 01 01 23 e0", "58 00", "", "58 02"}));
    EXPECT_EQ(Section("ERROR_10"), (TStringList{"R=1800ff00", "D=Fault Memory", "INTRAFRAME=100", "A_1=5800",
                                                "A_2=5800"})); // the page left was stored first
    ASSERT_EQ(view.ErrorTabs.size(), 3u);
    EXPECT_EQ(editor->SelectedNumber(), 3);
    EXPECT_EQ(editor->Page().Request, "18 03 ff 00");
    EXPECT_EQ(editor->Page().Columns[ManualErrorsColumn], (TStringList{"58 01 01 23 e0", "58 00", ""}));
    EXPECT_EQ(editor->Page().Columns[0], (TStringList{"58 01 01 23 e0", "58 00", ""}));
    EXPECT_EQ(editor->CurrentColumn(), ManualErrorsColumn);
    EXPECT_EQ(editor->ColumnChoice(3), ManualErrorsColumn);
    EXPECT_EQ(EngineAnswers("1803ff00"), (TStringList{"58010123e0", "5800"}));
    EXPECT_EQ(EngineDescription("1803ff00"), DroppedErrorDescription);
    // The answers are also the "No errors" ones, so that the next load takes the entry.
    EXPECT_EQ(Section("ERROR_30"), (TStringList{"R=1803ff00", "INTRAFRAME=100", "A_1=58010123e0", "A_2=5800"}));
    EXPECT_EQ(Section("ERROR_3N"), (TStringList{"A_1=58010123e0", "A_2=5800"}));

    // With every entry in the file, a drop adds a tab.
    ASSERT_TRUE(editor->Drop("18 04 ff 00", {"58 00"}));
    ASSERT_EQ(view.ErrorTabs.size(), 4u);
    EXPECT_EQ(editor->SelectedNumber(), 4);
    EXPECT_EQ(Section("ERROR_40"), (TStringList{"R=1804ff00", "INTRAFRAME=100", "A_1=5800"}));
    EXPECT_EQ(Section("ERROR_30"), (TStringList{"R=1803ff00", "INTRAFRAME=100", "A_1=58010123e0", "A_2=5800"}));
    EXPECT_EQ(Section("ERROR_3N"), (TStringList{"A_1=58010123e0", "A_2=5800"}));

    // Half a byte, or no answer for the load to register, is refused before anything changes.
    EXPECT_FALSE(editor->Drop("18 05 f", {"58 00"}));
    EXPECT_FALSE(editor->Drop("18 05 ff 00", {"58 0"}));
    EXPECT_FALSE(editor->Drop("18 05 ff 00", {"", "58 00"}));
    EXPECT_EQ(Boxes(), (TStringList{"Error! Invalid request value! Odd number of digits!",
                                    "Error! Invalid answer value! Odd number of digits!",
                                    std::string("Error! ") + DropWithoutAnswerMessage}));
    EXPECT_EQ(view.ErrorTabs.size(), 4u);
    EXPECT_EQ(EngineAnswers("1805ff00"), TStringList{"(none)"});
}

TEST_F(ErrorRequestsTest, APageThatCannotBeShownIsNeverStored) {
    file.WriteString("ERROR_11", "A_1", "58010");
    const std::string before = file.Text();
    editor->ShowTab(0);
    EXPECT_EQ(Boxes(), TStringList{"Error! DividePacket (58010) Error: Odd number of digits!"});
    editor->StoreTab();
    editor->New();
    EXPECT_EQ(file.Text(), before);
}

// A column that cannot be applied is never selected: the engine goes on answering with the last
// column applied, and the radio buttons go on showing it. Emptying the answering cell is part of
// typing a new answer: the engine keeps the old one, without a box, until a whole byte is there.
TEST_F(ErrorRequestsTest, AColumnWithoutAnAnswerIsNeverApplied) {
    editor->ShowTab(0);
    ASSERT_TRUE(editor->SelectColumn(1));
    editor->CellKeyUp(1, 1, "");
    EXPECT_EQ(EngineAnswers("1800ff00"), TStringList{"58010123e0"});
    EXPECT_EQ(editor->CurrentColumn(), 1);
    EXPECT_EQ(Boxes(), TStringList{});

    // ERROR_2 has only "No errors": an empty column chosen, or one holding half a byte, is refused.
    editor->ChangeTab(1);
    EXPECT_EQ(editor->CurrentColumn(), 0);
    editor->SetCell(ThreeErrors, 1, "58 0");
    for (int column : {2, ThreeErrors}) {
        EXPECT_FALSE(editor->SelectColumn(column)) << column;
        EXPECT_EQ(editor->CurrentColumn(), 0) << column;
        EXPECT_EQ(editor->ColumnChoice(2), 0) << column;
        EXPECT_EQ(EngineAnswers("1802ff00"), TStringList{"5800"}) << column;
    }
    EXPECT_EQ(Boxes(), (TStringList{std::string(ErrorEditFailurePrefix) + NoAnswerRefusal(2, 0), OddIn}));
    editor->SetCell(ThreeErrors, 1, "");

    // Back on ERROR_1, whose answering column was emptied and stored so: the buttons show the
    // column the engine answers with, whose next whole answer reaches the engine.
    editor->ChangeTab(0);
    EXPECT_EQ(Section("ERROR_11"), TStringList{});
    EXPECT_EQ(editor->CurrentColumn(), 1);
    EXPECT_EQ(editor->ColumnChoice(1), 1);
    EXPECT_EQ(EngineAnswers("1800ff00"), TStringList{"58010123e0"});
    editor->CellKeyUp(1, 1, "58 01 09");
    EXPECT_EQ(EngineAnswers("1800ff00"), TStringList{"580109"});
    EXPECT_EQ(Boxes(), TStringList{});
}
