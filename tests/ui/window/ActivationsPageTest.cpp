// The "&Activations" page in the real window with the real engine on its thread against the fake
// link library: the activation as loaded, the lists' keys and the two hex editors, repetitions,
// half bytes held back, a rename, the engine running the edited sequence; and the edits of both
// editing pages surviving "Save" and a reload.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include "ActivationsPage.h"
#include "EngineWindowFixture.h"
#include "ErrorsPage.h"
#include "HexLineEdit.h"
#include "UnknownRequestsView.h"

namespace {

// The fixture's activation: 3001, then 3002 three times (Repetition_Number2=3), then 3003.
const std::vector<std::string> FuelPumpRows = {"0|30 01", "100|30 02", "100|30 02", "100|30 02", "0|30 03"};
const TStringList FuelPumpSection = {
    "D=Fuel pump", "R1=3001",       "A1_1=7001", "INTRAFRAME1=0",          "R2=3002",
    "A2_1=7002",   "A2_2=7003",     "D2=Pump step", "Repetition_Number2=3", "INTRAFRAME2=100",
    "R3=3003",     "A3_1=7004",     "INTRAFRAME3=0"};
const std::string HeldBack = "Message: udActivationChanging error: Invalid request value! Odd number of digits!";

class ActivationsPageTest : public EngineWindowTest {
protected:
    QGroupBox& Group() { return *Control<QGroupBox>(*window, "gbActivation"); }
    QTreeWidget& Requests() { return *Control<QTreeWidget>(*window, "lwActivationRequests"); }
    QTreeWidget& Answers() { return *Control<QTreeWidget>(*window, "lwActivationAnswers"); }
    HexLineEdit& RequestEditor() { return *Control<HexLineEdit>(*window, "txtActivationReqEditor"); }
    HexLineEdit& AnswerEditor() { return *Control<HexLineEdit>(*window, "txtActivationAnsEditor"); }
    QLineEdit& Name() { return *Control<QLineEdit>(*window, "txtActivationName"); }
    void Click(const char* button) { Control<QAbstractButton>(*window, button)->click(); }

    // The request rows as "caption|request".
    std::vector<std::string> RequestRows() {
        std::vector<std::string> rows;
        for (int r = 0; r < Requests().topLevelItemCount(); ++r)
            rows.push_back(Requests().topLevelItem(r)->text(0).toStdString() + "|" +
                           Requests().topLevelItem(r)->text(1).toStdString());
        return rows;
    }
    std::vector<std::string> AnswerRows() {
        std::vector<std::string> rows;
        for (int r = 0; r < Answers().topLevelItemCount(); ++r) rows.push_back(Answers().topLevelItem(r)->text(0).toStdString());
        return rows;
    }
    int CurrentRow(QTreeWidget& list) { return list.currentItem() ? list.indexOfTopLevelItem(list.currentItem()) : -1; }
    void SelectRow(int row) { Requests().setCurrentItem(Requests().topLevelItem(row)); }
    void SelectAnswer(int row) { Answers().setCurrentItem(Answers().topLevelItem(row)); }
    void ShowPage() {
        Control<QTabWidget>(*window, "pgPageControl")->setCurrentIndex(static_cast<int>(FormPage::Activations));
        window->activateWindow();
        ASSERT_TRUE(ProcessUntil([&] { return QApplication::activeWindow() == window.get(); }));
    }
    void Focus(QWidget& widget) {
        widget.setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(ProcessUntil([&] { return widget.hasFocus(); }));
    }
    // Typed at the end of a hex editor (overwrite mode inserts there).
    void TypeAtEnd(HexLineEdit& editor, const char* keys) {
        editor.setCursorPosition(static_cast<int>(editor.text().size()));
        QTest::keyClicks(&editor, keys);
    }
    TStringList Section(const std::string& name) {
        TStringList lines;
        window->Controller().SimulationFile()->ReadSectionValues(name, lines);
        return lines;
    }
    std::vector<std::string> EngineActivationNames() {
        const TActivations& table = Engine()->Store().EditActivations();
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < table.Count; ++i) names.push_back(table.Items[static_cast<std::size_t>(i)].Name);
        std::sort(names.begin(), names.end());
        return names;
    }

    void Load() {
        LoadFixture();
        Boxes(); // the open dialog
    }

};

} // namespace

TEST_F(ActivationsPageTest, TheActivationAsLoadedTheListsAndTheirKeys) {
    EXPECT_EQ(Group().title(), "Activation 0/0");
    EXPECT_FALSE(Requests().isEnabled());
    EXPECT_FALSE(RequestEditor().isEnabled());

    Load();
    ShowPage();
    EXPECT_EQ(Group().title(), "Activation 1/1");
    EXPECT_EQ(Name().text(), "Fuel pump");
    EXPECT_EQ(Requests().headerItem()->text(0), "Intraframe");
    EXPECT_EQ(Requests().headerItem()->text(1), "Request");
    EXPECT_EQ(Requests().columnWidth(0), IntraFrameColumnWidth);
    EXPECT_EQ(Answers().headerItem()->text(0), "Answer");
    EXPECT_EQ(RequestRows(), FuelPumpRows);
    EXPECT_EQ(CurrentRow(Requests()), 0);
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{"70 01"});
    EXPECT_EQ(RequestEditor().text(), "30 01");
    EXPECT_FALSE(AnswerEditor().isEnabled()); // no answer row selected yet
    SelectRow(1);
    EXPECT_EQ(AnswerRows(), (std::vector<std::string>{"70 02", "70 03"}));
    SelectAnswer(1);
    EXPECT_EQ(AnswerEditor().text(), "70 03");

    // Three equal rows are stored as one step of three, and the up-down shows them again as three.
    Click("cmdRefreshAct");
    EXPECT_EQ(Section("ACTIVATION_1"), FuelPumpSection);
    Click("udActivationUp"); // one activation: the up-down wraps onto it
    EXPECT_EQ(RequestRows(), FuelPumpRows);

    // Shift+Up and Shift+Down move the selected row; the moved row stays selected.
    Focus(Requests());
    SelectRow(4);
    QTest::keyClick(&Requests(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(RequestRows(), (std::vector<std::string>{"0|30 01", "100|30 02", "100|30 02", "0|30 03", "100|30 02"}));
    EXPECT_EQ(CurrentRow(Requests()), 3);
    QTest::keyClick(&Requests(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(RequestRows(), FuelPumpRows);
    // Insert adds a row with the intra-frame default before the selected one, and its request is
    // typed in without a word; Delete takes it, the next row selected.
    SelectRow(1);
    QTest::keyClick(&Requests(), Qt::Key_Insert);
    EXPECT_EQ(RequestRows()[1], "100|");
    EXPECT_EQ(CurrentRow(Requests()), 1);
    TypeAtEnd(RequestEditor(), "3005");
    EXPECT_EQ(RequestRows()[1], "100|30 05");
    EXPECT_EQ(Section("ACTIVATION_1")[4], "R2=3005");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    Focus(Requests());
    QTest::keyClick(&Requests(), Qt::Key_Delete);
    EXPECT_EQ(RequestRows(), FuelPumpRows);
    EXPECT_EQ(CurrentRow(Requests()), 1);
    // F2 edits the intra-frame caption, which the next store takes.
    SelectRow(0);
    QTest::keyClick(&Requests(), Qt::Key_F2);
    ASSERT_TRUE(ProcessUntil([&] { return Requests().viewport()->isAncestorOf(QApplication::focusWidget()); }));
    QTest::keyClicks(QApplication::focusWidget(), "250");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return RequestRows()[0] == "250|30 01"; }));

    // The answer list: Insert adds an empty answer before the selected one, typed in through the
    // answer editor.
    Focus(Answers());
    SelectAnswer(0);
    QTest::keyClick(&Answers(), Qt::Key_Insert);
    EXPECT_EQ(AnswerRows(), (std::vector<std::string>{"", "70 01"}));
    EXPECT_EQ(CurrentRow(Answers()), 0);
    EXPECT_TRUE(AnswerEditor().isEnabled());
    TypeAtEnd(AnswerEditor(), "7009");
    EXPECT_EQ(AnswerRows(), (std::vector<std::string>{"70 09", "70 01"}));
    EXPECT_EQ(Section("ACTIVATION_1")[1], "R1=3001");
    EXPECT_EQ(Section("ACTIVATION_1")[2], "A1_1=7009");
    EXPECT_EQ(Section("ACTIVATION_1")[4], "INTRAFRAME1=250");
    Focus(Answers());
    SelectAnswer(1);
    QTest::keyClick(&Answers(), Qt::Key_Delete);
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{"70 09"});
    EXPECT_EQ(CurrentRow(Answers()), 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ActivationsPageTest, InsertInTheListsInsertsARowAndKeepsTheEditorsOverwriting) {
    Load();
    ShowPage();
    ASSERT_EQ(window->OverwriteFlag(), 1);
    Focus(Requests());
    SelectRow(0);
    QTest::keyClick(&Requests(), Qt::Key_Insert);
    EXPECT_EQ(RequestRows().size(), FuelPumpRows.size() + 1);
    EXPECT_EQ(window->OverwriteFlag(), 1);
    Focus(Answers());
    SelectAnswer(0);
    QTest::keyClick(&Answers(), Qt::Key_Insert);
    EXPECT_EQ(AnswerRows(), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(window->OverwriteFlag(), 1);
    EXPECT_EQ(Control<QLabel>(*window, "sbPanel0")->text(), "Overwrite");

    // The hex editors still overwrite: a digit at the start replaces the one there.
    SelectRow(1);
    Focus(RequestEditor());
    RequestEditor().setCursorPosition(0);
    QTest::keyClick(&RequestEditor(), '4');
    EXPECT_EQ(RequestEditor().text(), "40 01");

    // Elsewhere Insert still switches the mode.
    QTest::keyClick(&RequestEditor(), Qt::Key_Insert);
    EXPECT_EQ(window->OverwriteFlag(), 0);
    EXPECT_EQ(Control<QLabel>(*window, "sbPanel0")->text(), "Insert");
    EXPECT_EQ(RequestRows().size(), FuelPumpRows.size() + 1);
}

TEST_F(ActivationsPageTest, RepetitionsHalfBytesAndARename) {
    ReplaceInSimulation("Repetition_Number2=3", "Repetition_Number2=50");
    Load();
    ShowPage();
    // 50 repetitions show as the most a step may have, and are stored so.
    ASSERT_EQ(RequestRows().size(), 22u);
    Click("cmdRefreshAct");
    EXPECT_EQ(Section("ACTIVATION_1")[8], "Repetition_Number2=20");

    // Half a byte typed in the answer editor changes nothing; the next digit stores the answer.
    SelectRow(21);
    SelectAnswer(0);
    ASSERT_EQ(AnswerEditor().text(), "70 04");
    TypeAtEnd(AnswerEditor(), "5");
    EXPECT_EQ(AnswerEditor().text(), "70 04 5");
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{"70 04"});
    EXPECT_EQ(Section("ACTIVATION_1")[11], "A3_1=7004");
    TypeAtEnd(AnswerEditor(), "6");
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{"70 04 56"});
    EXPECT_EQ(Section("ACTIVATION_1")[11], "A3_1=700456");

    // Half a byte in a request: the row shows it, and the up-down will not move past it.
    SelectRow(0);
    TypeAtEnd(RequestEditor(), "1");
    EXPECT_EQ(RequestRows()[0], "0|30 01 1");
    Click("udActivationUp");
    EXPECT_EQ(Boxes(), std::vector<std::string>{HeldBack});
    EXPECT_EQ(Section("ACTIVATION_1")[1], "R1=3001");
    RequestEditor().setCursorPosition(static_cast<int>(RequestEditor().text().size()));
    QTest::keyClick(&RequestEditor(), Qt::Key_Backspace);
    EXPECT_EQ(RequestRows()[0], "0|30 01");

    // A rename leaves nothing under the old name in the engine.
    Name().selectAll();
    QTest::keyClicks(&Name(), "Fuel pump 2");
    Click("cmdRefreshAct");
    EXPECT_EQ(EngineActivationNames(), std::vector<std::string>{"Fuel pump 2"});
    EXPECT_EQ(Section("ACTIVATION_1")[0], "D=Fuel pump 2");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ActivationsPageTest, TheEngineRunsTheEditedSequence) {
    Load();
    ShowPage();
    // One 3002 fewer, the last answer 70 05, a new name.
    Focus(Requests());
    SelectRow(3);
    QTest::keyClick(&Requests(), Qt::Key_Delete);
    SelectRow(3);
    SelectAnswer(0);
    AnswerEditor().setCursorPosition(4);
    QTest::keyClick(&AnswerEditor(), '5'); // overwrite mode: the last digit
    ASSERT_EQ(AnswerRows(), std::vector<std::string>{"70 05"});
    Name().selectAll();
    QTest::keyClicks(&Name(), "Fuel pump 2");
    Click("cmdRefreshAct");
    EXPECT_EQ(EngineActivationNames(), std::vector<std::string>{"Fuel pump 2"});

    StartRunning();
    TesterSends({0x30, 0x01});
    TesterSends({0x30, 0x02});
    TesterSends({0x30, 0x02});
    TesterSends({0x30, 0x03});
    EXPECT_EQ(NewLogLines(12), (std::vector<std::string>{
                                   "RX: 023001", "TX: 027001", //
                                   "RX: 023002", "TX: 027002", "RX: 023002", "TX: 027003",
                                   "RX: 023002", "TX: 027002", "RX: 023002", "TX: 027003",
                                   "RX: 023003", "TX: 027005"}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ActivationsPageTest, EditsOfTheErrorsAndActivationsPagesSurviveSaveAndReload) {
    LoadFixture();
    // Errors: a dropped request, then a description and an answer typed on the first tab, which
    // is not left again before the save.
    window->UnknownRequests().AddReported("1803ff00", {"58010456e0"});
    DropOn(*Control<QWidget>(*window, "pnlErrors"), 0);
    auto& tabs = *Control<QTabBar>(*window, "tcErrors");
    ASSERT_TRUE(ProcessUntil([&] { return tabs.count() == 3; }));
    tabs.setCurrentIndex(0);
    auto& description = *Control<QLineEdit>(*window, "txtErrorDescription");
    description.selectAll();
    QTest::keyClicks(&description, "Fault memory, edited");
    auto& grid = *Control<QTableWidget>(*window, "sgErrorAnswers");
    auto& errorEditor = *Control<HexLineEdit>(*window, "txtErrorAnswersEditor");
    grid.setCurrentCell(1, 1);
    QTest::keyClicks(&errorEditor, "58000001");
    EXPECT_EQ(grid.item(1, 1)->text(), "58 00 00 01");
    EXPECT_EQ(window->Controller().SimulationFile()->ReadString("ERROR_10", "D", ""), "Fault Memory");

    // Activations: renamed, an intra-frame time typed, and a second activation made of a drop.
    ShowPage();
    Name().selectAll();
    QTest::keyClicks(&Name(), "Fuel pump 2");
    SelectRow(4);
    Focus(Requests());
    QTest::keyClick(&Requests(), Qt::Key_F2);
    ASSERT_TRUE(ProcessUntil([&] { return Requests().viewport()->isAncestorOf(QApplication::focusWidget()); }));
    QTest::keyClicks(QApplication::focusWidget(), "5");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return RequestRows()[4] == "5|30 03"; }));
    const std::vector<std::string> fuelPump = RequestRows();
    Click("cmdNewActivation");
    EXPECT_EQ(Group().title(), "Activation 2/2");
    EXPECT_EQ(RequestRows(), std::vector<std::string>{"100|"});
    Focus(Requests());
    QTest::keyClick(&Requests(), Qt::Key_Delete); // the empty row the new activation starts with
    window->UnknownRequests().AddReported("3101", {"7101"});
    DropOn(*Requests().viewport(), 0);
    ASSERT_TRUE(ProcessUntil([&] { return RequestRows().size() == 1 && RequestRows()[0] == "100|31 01"; }));
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{"71 01"});
    EXPECT_EQ(Section("ACTIVATION_2"), (TStringList{"R1=3101", "A1_1=7101", "INTRAFRAME1=100"}));
    EXPECT_TRUE(window->UnknownRequests().Rows().empty());
    Name().setFocus();
    QTest::keyClicks(&Name(), "Second");

    // Save writes what the pages have not stored yet.
    Action("mSaveIni")->trigger();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini"});
    LoadFixture();
    EXPECT_EQ(Boxes().size(), 1u); // the open dialog
    EXPECT_EQ(description.text(), "Fault memory, edited");
    EXPECT_EQ(grid.item(1, 1)->text(), "58 00 00 01");
    ASSERT_EQ(tabs.count(), 3);
    tabs.setCurrentIndex(2);
    EXPECT_EQ(Control<QLineEdit>(*window, "txtErrorRequest")->text(), "18 03 ff 00");
    EXPECT_EQ(grid.item(0, ManualErrorsColumn)->text(), "58 01 04 56 e0");

    EXPECT_EQ(Group().title(), "Activation 1/2");
    EXPECT_EQ(Name().text(), "Fuel pump 2");
    EXPECT_EQ(RequestRows(), fuelPump);
    Click("udActivationUp");
    EXPECT_EQ(Group().title(), "Activation 2/2");
    EXPECT_EQ(Name().text(), "Second");
    EXPECT_EQ(RequestRows(), std::vector<std::string>{"100|31 01"});
    EXPECT_EQ(EngineActivationNames(), (std::vector<std::string>{"Fuel pump 2", "Second"}));
}

TEST_F(ActivationsPageTest, AnActivationMadeInASimulationWithoutAnyIsLoadedAgainAndRun) {
    ReplaceInSimulation("[NACTIVATION]\r\nN=1", "");
    ReplaceInSimulation("[ACTIVATION_1]", "[UNCOUNTED_ACTIVATION]");
    Load();
    ShowPage();
    // Nothing to edit but "New".
    EXPECT_EQ(Group().title(), "Activation 1/0");
    EXPECT_EQ(RequestRows(), std::vector<std::string>{});
    for (const char* name : {"txtActivationName", "lwActivationRequests", "lwActivationAnswers", "cmdRefreshAct",
                             "udActivationUp", "txtActivationReqEditor", "txtActivationAnsEditor"})
        EXPECT_FALSE(Control<QWidget>(*window, name)->isEnabled()) << name;
    EXPECT_TRUE(Control<QWidget>(*window, "cmdNewActivation")->isEnabled());

    Click("cmdNewActivation");
    EXPECT_EQ(Group().title(), "Activation 1/1");
    EXPECT_TRUE(Requests().isEnabled());
    Name().setFocus();
    QTest::keyClicks(&Name(), "Made here");
    TypeAtEnd(RequestEditor(), "3201");
    Focus(Answers());
    QTest::keyClick(&Answers(), Qt::Key_Insert);
    TypeAtEnd(AnswerEditor(), "7201");
    window->UnknownRequests().AddReported("3202", {"7202"});
    DropOn(*Requests().viewport(), 0);
    ASSERT_TRUE(ProcessUntil([&] { return RequestRows().size() == 2; }));
    Action("mSaveIni")->trigger();
    Boxes();

    LoadFixture();
    Boxes();
    EXPECT_EQ(Group().title(), "Activation 1/1");
    EXPECT_EQ(Name().text(), "Made here");
    EXPECT_EQ(RequestRows(), (std::vector<std::string>{"100|32 01", "100|32 02"}));
    StartRunning();
    TesterSends({0x32, 0x01});
    TesterSends({0x32, 0x02});
    EXPECT_EQ(NewLogLines(4), (std::vector<std::string>{"RX: 023201", "TX: 027201", "RX: 023202", "TX: 027202"}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ActivationsPageTest, EmptyAnswerRowsNeverReachTheFileAndSaveRewritesOnlyWhatWasEdited) {
    Load();
    ShowPage();
    // Two empty answers inserted before the step's answer, and stored.
    Focus(Answers());
    SelectAnswer(0);
    QTest::keyClick(&Answers(), Qt::Key_Insert);
    QTest::keyClick(&Answers(), Qt::Key_Insert);
    EXPECT_EQ(AnswerRows(), (std::vector<std::string>{"", "", "70 01"}));
    Click("cmdRefreshAct");
    Action("mSaveIni")->trigger();
    LoadFixture();
    Boxes();
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{"70 01"});
    Action("mSaveIni")->trigger();
    const std::string saved = ReadBytes(folders.Simulation());
    for (const char* answer : {"A1_1=7001\r\n", "A2_1=7002\r\n", "A2_2=7003\r\n", "A3_1=7004\r\n"})
        EXPECT_NE(saved.find(answer), std::string::npos) << answer;
    EXPECT_EQ(saved.find("A1_2="), std::string::npos);

    // An answer hidden behind an empty one, as another program may write it: the page cannot show
    // it, and a Save without an edit keeps it.
    ReplaceInSimulation("A1_1=7001", "A1_1=\r\nA1_2=7001");
    LoadFixture();
    Boxes();
    EXPECT_EQ(AnswerRows(), std::vector<std::string>{});
    Action("mSaveIni")->trigger();
    EXPECT_NE(ReadBytes(folders.Simulation()).find("A1_1=\r\nA1_2=7001\r\n"), std::string::npos);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ActivationsPageTest, RowsLeftWithoutARequestAreNotSavedAndLeaveTheList) {
    Load();
    ShowPage();
    // An empty row inserted between filled rows, and a new activation with nothing typed.
    SelectRow(1);
    Focus(Requests());
    QTest::keyClick(&Requests(), Qt::Key_Insert);
    EXPECT_EQ(RequestRows(), (std::vector<std::string>{"0|30 01", "100|", "100|30 02", "100|30 02", "100|30 02",
                                                       "0|30 03"}));
    Action("mSaveIni")->trigger();
    EXPECT_EQ(RequestRows(), FuelPumpRows);
    EXPECT_EQ(CurrentRow(Requests()), 1);
    EXPECT_EQ(RequestEditor().text(), "30 02");
    Click("cmdNewActivation");
    EXPECT_EQ(RequestRows(), std::vector<std::string>{"100|"});
    Action("mSaveIni")->trigger();
    EXPECT_EQ(Boxes(), std::vector<std::string>{});

    // The page, the file and the engine agree: activation 2 is counted, has no step and is
    // registered nowhere.
    EXPECT_EQ(Group().title(), "Activation 2/2");
    EXPECT_EQ(RequestRows(), std::vector<std::string>{});
    EXPECT_FALSE(RequestEditor().isEnabled());
    const std::string saved = ReadBytes(folders.Simulation());
    EXPECT_EQ(saved.find("[ACTIVATION_2]"), std::string::npos);
    EXPECT_EQ(saved.find("R4="), std::string::npos);
    EXPECT_NE(saved.find("[NACTIVATION]\r\nN=2\r\n"), std::string::npos);
    EXPECT_EQ(Section("ACTIVATION_1"), FuelPumpSection);
    EXPECT_EQ(EngineActivationNames(), std::vector<std::string>{"Fuel pump"});

    // A reload shows and registers the same.
    LoadFixture();
    Boxes();
    EXPECT_EQ(Group().title(), "Activation 1/2");
    EXPECT_EQ(RequestRows(), FuelPumpRows);
    Click("udActivationUp");
    EXPECT_EQ(Group().title(), "Activation 2/2");
    EXPECT_EQ(RequestRows(), std::vector<std::string>{});
    EXPECT_EQ(EngineActivationNames(), std::vector<std::string>{"Fuel pump"});
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}
