// The "&Errors" page and the "Error Scanning Options" in the real window with the real engine on
// its thread against the fake link library: tabs, radio buttons, grid and answer editor reaching
// the engine and the file; "New" and drops; automatic scanning putting the fault code on a
// pseudo-terminal in the ZULM unit's place, with the port's failures and a tick that never enters
// a step whose box is open; and the editing pages without an engine after a Reset.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>

#include "EditorChecks.h"
#include "EngineWindowFixture.h"
#include "ErrorsPage.h"
#include "FrameCodec.h"
#include "HexLineEdit.h"
#include "PseudoTerminal.h"
#include "ScanOptionsGroup.h"
#include "UnknownRequestsView.h"
#include "ZulmPort.h"

namespace fs = std::filesystem;

namespace {

constexpr int ThreeErrorsColumn = 3;
// The fixture's fault-reading requests and their "No errors" answers.
const std::string FaultMemory = "1800ff00";
const std::string SecondFaultReading = "1802ff00";
// The example entry: a two-byte header, then codes 0101, 0102, 0103 with status byte 2f each.
const std::string ExampleAnswer = "590201012F01022F01032F";
const std::string ExampleShown = "59 02 01 01 2f 01 02 2f 01 03 2f";
const std::string AdvancedShown = "59 02 01 04 2f 01 05 2f 01 06 2f";
const std::string AdvancedAnswer = "590201042f01052f01062f";
// The first advanced entry's three bytes and their sum: 01 + 04 + 2f = 34.
const std::string SentForAdvanced = "[01 04 2f 34";
const std::string FaultReadingInfo = "Fault reading - fault memory";
// The open failure's box: the fixed text, the port asked for and the device it resolved to.
std::string OpenFailure(const std::string& port) {
    return std::string("Message: ") + ZulmOpenError + " Port: " + port + ", device: " + port;
}

class ErrorsPageTest : public EngineWindowTest {
protected:
    QTabBar& Tabs() { return *Control<QTabBar>(*window, "tcErrors"); }
    QTableWidget& Grid() { return *Control<QTableWidget>(*window, "sgErrorAnswers"); }
    HexLineEdit& AnswerEditor() { return *Control<HexLineEdit>(*window, "txtErrorAnswersEditor"); }
    QLineEdit& Request() { return *Control<QLineEdit>(*window, "txtErrorRequest"); }
    QLineEdit& Description() { return *Control<QLineEdit>(*window, "txtErrorDescription"); }
    QCheckBox& AutoScan() { return *Control<QCheckBox>(*window, "cbAutoErrorScan"); }
    QRadioButton& Radio(int column) { return *Control<QRadioButton>(*window, AnswerRadioNames[static_cast<std::size_t>(column)]); }
    QTimer& ScanTimer() { return *Control<QTimer>(*window, "tErrorScanTimer"); }
    int CheckedColumn() {
        for (int c = 0; c < AnswerColumnCount; ++c)
            if (Radio(c).isChecked()) return c;
        return -1;
    }
    std::vector<std::string> TabCaptions() {
        std::vector<std::string> captions;
        for (int t = 0; t < Tabs().count(); ++t) captions.push_back(Tabs().tabText(t).toStdString());
        return captions;
    }
    std::vector<std::string> GridColumn(int column) {
        std::vector<std::string> cells;
        for (int r = 0; r < Grid().rowCount(); ++r) cells.push_back(Grid().item(r, column)->text().toStdString());
        while (!cells.empty() && cells.back().empty()) cells.pop_back();
        return cells;
    }
    std::string EngineDescription(const std::string& request) {
        const TAnsReqItem* entry = Engine()->RequestIndex(PackFunction(request, 0), 1);
        return entry != nullptr ? entry->Description : "(none)";
    }
    TMemIniFile& File() { return *window->Controller().SimulationFile(); }
    // Shows the page and the cell in the answer editor, which gets the focus.
    void EditCell(int column, int row) {
        Control<QTabWidget>(*window, "pgPageControl")->setCurrentIndex(static_cast<int>(FormPage::Errors));
        Grid().setCurrentCell(row - 1, column);
        window->activateWindow();
        AnswerEditor().setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(ProcessUntil([&] { return AnswerEditor().hasFocus(); }));
    }
    std::size_t UnknownRows() { return window->UnknownRequests().Rows().size(); }

    // The scanning options through their controls on the "Settings" page.
    void SetScanOptions(int mode, int increment, int between, int offset, int statusPos, int bytesPerError) {
        if (auto* button = Control<QGroupBox>(*window, "rgScanningMode")->findChildren<QRadioButton*>().value(mode))
            button->click();
        Control<QComboBox>(*window, "cboErrorIncMode")->setCurrentIndex(increment);
        Control<QSpinBox>(*window, "seErrorScaningRequestCount")->setValue(between);
        Control<QSpinBox>(*window, "seErrorCodeOffset")->setValue(offset);
        Control<QSpinBox>(*window, "seStatusBytePos")->setValue(statusPos);
        Control<QSpinBox>(*window, "seBytesPerError")->setValue(bytesPerError);
    }
    // The timer stays on but fires no more during the test, which makes each tick itself.
    void TestDrivesTheTicks() { ScanTimer().setInterval(3600 * 1000); }
    // "One error" answering and scanned in the mode given toward the port; the test makes the ticks.
    void ScanOneError(int mode, const std::string& zulmPort) {
        SetScanOptions(mode, 0, 2, 2, 0, 3);
        Radio(OneErrorColumn).click();
        SetZulmPort(zulmPort);
        AutoScan().click();
        ASSERT_TRUE(ScanTimer().isActive());
        TestDrivesTheTicks();
    }
    // The operator empties a cell with the answer editor, as before typing another answer.
    void EmptyCell(int column, int row) {
        EditCell(column, row);
        AnswerEditor().selectAll();
        QTest::keyClick(&AnswerEditor(), Qt::Key_Delete);
        ASSERT_EQ(AnswerEditor().text(), "");
    }
    void SetZulmPort(const std::string& name) {
        dialogs.InputAnswers = {name};
        Action("mZULMCOMPort")->trigger();
    }
    void Load() {
        LoadFixture();
        Boxes(); // the open dialog
    }
    // The tester reads the fault memory `count` times; the traffic log counts each reading. The
    // answer takes several frames: the tester's flow control follows each request.
    void FaultReadings(int count) {
        const std::int32_t before = window->FaultReadingCount();
        const std::uint8_t request[] = {0x04, 0x18, 0x00, 0xff, 0x00, 0x55, 0x55, 0x55};
        const std::uint8_t flowControl[] = {0x30, 0x00, 0x00, 0x55, 0x55, 0x55, 0x55, 0x55};
        for (int i = 0; i < count; ++i) {
            FakeLink_QueueRxFrame(request, sizeof request);
            FakeLink_QueueRxFrame(flowControl, sizeof flowControl);
        }
        ASSERT_TRUE(ProcessUntil([&] { return window->FaultReadingCount() >= before + count; }));
    }
};

} // namespace

TEST_F(ErrorsPageTest, TabsColumnsAndTheAnswerEditorReachTheEngineAndTheFile) {
    EXPECT_FALSE(Tabs().isEnabled());
    EXPECT_FALSE(AutoScan().isEnabled());
    Load();
    EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"ERROR_1", "ERROR_2"}));
    EXPECT_EQ(Tabs().currentIndex(), 0);
    // Tabs added while the page was not shown still get their height when it is.
    Control<QTabWidget>(*window, "pgPageControl")->setCurrentIndex(static_cast<int>(FormPage::Errors));
    EXPECT_TRUE(ProcessUntil([&] { return Tabs().height() >= Tabs().sizeHint().height(); }));
    EXPECT_TRUE(Request().isReadOnly());
    EXPECT_EQ(Request().text(), "18 00 ff 00");
    EXPECT_EQ(Description().text(), "Fault Memory");
    EXPECT_EQ(Grid().rowCount(), 8); // MultiAnswerNum of the fixture's SystemSettings.ini
    for (int c = 0; c < AnswerColumnCount; ++c) {
        EXPECT_EQ(Grid().horizontalHeaderItem(c)->text().toStdString(), AnswerColumnHeaders[static_cast<std::size_t>(c)]);
        EXPECT_EQ(Radio(c).text().toStdString(), AnswerRadioCaptions[static_cast<std::size_t>(c)]);
    }
    EXPECT_EQ(GridColumn(0), std::vector<std::string>{"58 00"});
    EXPECT_EQ(GridColumn(2), std::vector<std::string>{"58 02 01 23 e0 04 56 e0"});
    EXPECT_EQ(GridColumn(4), (std::vector<std::string>{"58 01", "58 03 01 23 45 06 78 90 12 ab 34 cd"}));
    EXPECT_EQ(CheckedColumn(), 0);
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{"5800"});

    // "Two Errors" for ERROR_1, "No Errors" for ERROR_2: each tab brings back its own choice and
    // the engine answers each request with its own column.
    Radio(2).click();
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{"58020123e00456e0"});
    Tabs().setCurrentIndex(1);
    EXPECT_EQ(Request().text(), "18 02 ff 00");
    EXPECT_EQ(CheckedColumn(), 0);
    EXPECT_EQ(EngineAnswers(SecondFaultReading), (TStringList{"5800", "5800"}));
    Tabs().setCurrentIndex(0);
    EXPECT_EQ(CheckedColumn(), 2);
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{"58020123e00456e0"});

    // Keys in the answer editor: the cell follows each key, the engine each whole byte.
    EditCell(2, 1);
    EXPECT_EQ(AnswerEditor().text(), "58 02 01 23 e0 04 56 e0");
    AnswerEditor().setCursorPosition(static_cast<int>(AnswerEditor().text().size()));
    QTest::keyClick(&AnswerEditor(), 'f');
    EXPECT_EQ(Grid().item(0, 2)->text(), "58 02 01 23 e0 04 56 e0 f");
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{"58020123e00456e0"});
    QTest::keyClick(&AnswerEditor(), 'e');
    EXPECT_EQ(Grid().item(0, 2)->text(), "58 02 01 23 e0 04 56 e0 fe");
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{"58020123e00456e0fe"});

    // A second answer typed into an empty cell of the same column.
    Grid().setCurrentCell(1, 2);
    EXPECT_EQ(AnswerEditor().text(), "");
    QTest::keyClicks(&AnswerEditor(), "5800");
    EXPECT_EQ(EngineAnswers(FaultMemory), (TStringList{"58020123e00456e0fe", "5800"}));

    // The description reaches the engine when it loses the focus, the file when the tab is left.
    Description().setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(ProcessUntil([&] { return Description().hasFocus(); }));
    Description().selectAll();
    QTest::keyClicks(&Description(), "Fault memory, edited");
    Grid().setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(ProcessUntil([&] { return Grid().hasFocus(); }));
    EXPECT_EQ(EngineDescription(FaultMemory), "Fault memory, edited");
    EXPECT_EQ(File().ReadString("ERROR_10", "D", ""), "Fault Memory");
    Tabs().setCurrentIndex(1);
    EXPECT_EQ(File().ReadString("ERROR_10", "D", ""), "Fault memory, edited");
    EXPECT_EQ(File().ReadString("ERROR_12", "A_1", ""), "58020123e00456e0fe");
    EXPECT_EQ(File().ReadString("ERROR_12", "A_2", ""), "5800");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ErrorsPageTest, NewAndDropsStoreThePageLeftAndKeepTheFileLoadable) {
    Load();
    // An edit not yet stored, then "New": the page left is stored first.
    Description().selectAll();
    QTest::keyClicks(&Description(), "Edited before New");
    Control<QPushButton>(*window, "cmdNewErrorRequest")->click();
    EXPECT_EQ(File().ReadString("ERROR_10", "D", ""), "Edited before New");
    EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"ERROR_1", "ERROR_2", "ERROR_3"}));
    EXPECT_EQ(Tabs().currentIndex(), 2);
    EXPECT_EQ(Request().text(), "");
    EXPECT_EQ(GridColumn(0), std::vector<std::string>{});
    EXPECT_FALSE(File().SectionExists("ERROR_30")); // nothing until it is left, and never without a request
    // So nothing can be typed into it until a drop gives it its request, and the field says so.
    const auto editable = [&] {
        std::vector<bool> states{Description().isEnabled(), AnswerEditor().isEnabled()};
        for (int c = 0; c < AnswerColumnCount; ++c) states.push_back(Radio(c).isEnabled());
        return states;
    };
    EXPECT_EQ(editable(), std::vector<bool>(AnswerColumnCount + 2, false));
    EXPECT_EQ(Request().placeholderText().toStdString(), DropForRequestHint);

    // A dropped unknown request takes the tab "New" made, answering with the "Manual" column.
    window->UnknownRequests().AddReported("1803ff00", {"58010456e0"});
    window->UnknownRequests().AddReported("1804", {});
    DropOn(*Control<QWidget>(*window, "pnlErrors"), 0);
    ASSERT_TRUE(ProcessUntil([&] { return Request().text() == "18 03 ff 00"; }));
    EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"ERROR_1", "ERROR_2", "ERROR_3"}));
    EXPECT_EQ(CheckedColumn(), ManualErrorsColumn);
    EXPECT_EQ(editable(), std::vector<bool>(AnswerColumnCount + 2, true));
    EXPECT_EQ(Request().placeholderText(), "");
    EXPECT_EQ(GridColumn(ManualErrorsColumn), std::vector<std::string>{"58 01 04 56 e0"});
    EXPECT_EQ(EngineAnswers("1803ff00"), TStringList{"58010456e0"});
    EXPECT_EQ(File().ReadString("ERROR_30", "R", ""), "1803ff00");
    EXPECT_EQ(File().ReadString("ERROR_30", "INTRAFRAME", ""), "100");
    EXPECT_EQ(File().ReadString("ERROR_3N", "A_1", ""), "58010456e0");
    EXPECT_EQ(File().ReadString("ERROR_30", "A_1", ""), "58010456e0"); // the load needs a "No errors" answer
    EXPECT_EQ(UnknownRows(), 1u);

    // A request without an answer is refused on the tabs too, and stays in the list.
    DropOn(Tabs(), 0);
    ASSERT_TRUE(ProcessUntil([&] { return !dialogs.Boxes.empty(); }));
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Message: Error! ") + DropWithoutAnswerMessage});
    EXPECT_EQ(TabCaptions().size(), 3u);
    EXPECT_EQ(UnknownRows(), 1u);
}

TEST_F(ErrorsPageTest, SelectingOrAddingATabLeavesTheOtherTabsInTheBar) {
    // The bar lays out every tab again for each one it takes in; drawn anew at each change, a
    // simulation with a thousand fault readings took most of a second per click.
    Load();
    for (int t = 0; t < Tabs().count(); ++t) Tabs().setTabData(t, t + 1);
    Tabs().setCurrentIndex(1);
    EXPECT_EQ(Request().text(), "18 02 ff 00");
    Control<QPushButton>(*window, "cmdNewErrorRequest")->click();
    EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"ERROR_1", "ERROR_2", "ERROR_3"}));
    EXPECT_EQ(Tabs().currentIndex(), 2);
    std::vector<int> marks;
    for (int t = 0; t < Tabs().count(); ++t) marks.push_back(Tabs().tabData(t).isValid() ? Tabs().tabData(t).toInt() : 0);
    EXPECT_EQ(marks, (std::vector<int>{1, 2, 0}));
}

TEST_F(ErrorsPageTest, TheSettingsPageHoldsTheScanOptionsAndCloseWritesThem) {
    // The form's values before any load.
    EXPECT_EQ(Control<QSpinBox>(*window, "seErrorScaningRequestCount")->value(), 2);
    EXPECT_EQ(Control<QComboBox>(*window, "cboErrorIncMode")->currentText(), "Standard");
    EXPECT_EQ(Control<QComboBox>(*window, "cboErrorScanningRequest")->currentText(), "ERROR_1");
    EXPECT_EQ(Control<QGroupBox>(*window, "gbZULMOptions")->title(), "Error Scanning Options");
    EXPECT_EQ(Control<QSpinBox>(*window, "seBytesPerError")->maximum(), ScanSpinMax);

    // The fixture's SystemSettings.ini: Alternative, "SAE no alpha", 4, 5, 2, 4.
    Load();
    auto* mode = Control<QGroupBox>(*window, "rgScanningMode");
    EXPECT_TRUE(mode->findChildren<QRadioButton*>().value(1)->isChecked());
    EXPECT_EQ(Control<QComboBox>(*window, "cboErrorIncMode")->currentText(), "SAE no alpha");
    EXPECT_EQ(Control<QSpinBox>(*window, "seErrorScaningRequestCount")->value(), 4);
    EXPECT_EQ(Control<QSpinBox>(*window, "seErrorCodeOffset")->value(), 5);
    EXPECT_EQ(Control<QSpinBox>(*window, "seStatusBytePos")->value(), 2);
    EXPECT_EQ(Control<QSpinBox>(*window, "seBytesPerError")->value(), 4);

    SetScanOptions(0, 1, 7, 3, 1, 6);
    const SystemOptions& options = window->Controller().Options();
    EXPECT_EQ(options.ScanningMode, 0);
    EXPECT_EQ(options.IncrementMode, 1);
    EXPECT_EQ(options.FaultReadNumber, 7);
    EXPECT_EQ(options.ErrorCodeOffset, 3);
    EXPECT_EQ(options.StatusBytePos, 1);
    EXPECT_EQ(options.BytesPerError, 6);

    dialogs.ConfirmAnswers = {true};
    ASSERT_TRUE(window->close());
    const std::string written = ReadBytes(folders.Root() / "Default_file" / "SystemSettings.ini");
    EXPECT_NE(written.find("[ERROR_SCAN]\r\nScanning mode=0\r\nIncrement mode=1\r\nFault read number=7\r\n"
                           "Error code offset=3\r\nStatus byte pos=1\r\nBytes per error=6\r\n"),
              std::string::npos)
        << written;
}

TEST_F(ErrorsPageTest, AStandardStepPutsTheExampleCodeOnTheZulmLine) {
    ReplaceInSimulation("[ERROR_11]\r\nA_1=58010123E0", "[ERROR_11]\r\nA_1=" + ExampleAnswer);
    Load();
    SetScanOptions(NormalScanning, 0, 2, 2, 0, 3);
    Radio(OneErrorColumn).click();
    EXPECT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{ExampleShown});

    PseudoTerminal zulm;
    SetZulmPort(zulm.Name());
    EXPECT_EQ(window->Controller().Program().ZulmPort(), zulm.Name());
    AutoScan().click();
    ASSERT_TRUE(window->ZulmPort().IsOpen());
    EXPECT_TRUE(ScanTimer().isActive());
    EXPECT_EQ(ScanTimer().interval(), ScanTimerMs);
    TestDrivesTheTicks();

    // Two fault readings are not more than the two between steps: a tick does nothing.
    StartRunning();
    FaultReadings(2);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(zulm.Received(50), "");
    EXPECT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{ExampleShown});

    // The third makes the next tick step: codes + 3, status bytes kept, the first code sent.
    FaultReadings(1);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(zulm.Received(), SentForAdvanced);
    EXPECT_EQ(window->FaultReadingCount(), 0);
    EXPECT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{AdvancedShown});
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{AdvancedAnswer});
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Input: ZULM Options|Insert ZULM COM Port|COM1"});

    // The unit goes away: the failed write turns scanning off, after the grid and engine moved on.
    zulm.HangUp();
    FaultReadings(3);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Message: ") + ZulmWriteError});
    EXPECT_FALSE(AutoScan().isChecked());
    EXPECT_FALSE(ScanTimer().isActive());
    EXPECT_FALSE(window->ZulmPort().IsOpen());
    EXPECT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{"59 02 01 07 2f 01 08 2f 01 09 2f"});
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{"590201072f01082f01092f"});
}

TEST_F(ErrorsPageTest, TheOpenFailsForAMissingAndABusyPortAndRefusedSettingsAreNamed) {
    Load();
    SetScanOptions(NormalScanning, 0, 2, 2, 0, 3);
    const auto tick = [&] {
        AutoScan().click();
        return std::make_pair(AutoScan().isChecked(), ScanTimer().isActive());
    };

    SetZulmPort("/dev/no-such-tty");
    Boxes();
    EXPECT_EQ(tick(), std::make_pair(false, false)); // the box unticked again, the timer off
    EXPECT_EQ(Boxes(), std::vector<std::string>{OpenFailure("/dev/no-such-tty")});

    PseudoTerminal zulm;
    TCommPort1 holder;
    holder.SetPortName(zulm.Name());
    holder.Open();
    SetZulmPort(zulm.Name());
    Boxes();
    EXPECT_EQ(tick(), std::make_pair(false, false));
    EXPECT_EQ(Boxes(), std::vector<std::string>{OpenFailure(zulm.Name())});
    holder.Close();

    // Entries that would not lie inside their three bytes: refused before the port is opened.
    Control<QSpinBox>(*window, "seBytesPerError")->setValue(0);
    EXPECT_EQ(tick(), std::make_pair(false, false));
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Message: ") + FaultScan::BytesPerErrorRefusal});
    EXPECT_FALSE(window->ZulmPort().IsOpen());

    // Scanning on, then the port changed from the menu: scanning goes off and the port closes.
    Control<QSpinBox>(*window, "seBytesPerError")->setValue(3);
    EXPECT_EQ(tick(), std::make_pair(true, true));
    ASSERT_TRUE(window->ZulmPort().IsOpen());
    SetZulmPort("COM9");
    EXPECT_FALSE(AutoScan().isChecked());
    EXPECT_FALSE(ScanTimer().isActive());
    EXPECT_FALSE(window->ZulmPort().IsOpen());
    EXPECT_STREQ(window->ZulmPort().GetPortName(), "COM9");
}

TEST_F(ErrorsPageTest, AlternativeScanningNeverTurnsTheAnswerToAnEmptyColumn) {
    ReplaceInSimulation("[ERROR_11]\r\nA_1=58010123E0", "[ERROR_11]\r\nA_1=" + ExampleAnswer);
    ReplaceInSimulation("[ERROR_12]\r\nA_1=58020123E00456E0\r\n", "[ERROR_12]\r\n");
    Load();
    SetScanOptions(AlternativeScanning, 0, 2, 2, 0, 3);
    Radio(OneErrorColumn).click();
    PseudoTerminal zulm;
    SetZulmPort(zulm.Name());
    Boxes();
    const std::string refused = "Message: " + EmptyAlternateRefusal(TwoErrorsColumn);

    // "One error" alternates with "Two errors", which has no answer: refused when switched on.
    AutoScan().click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{refused});
    EXPECT_FALSE(AutoScan().isChecked());
    EXPECT_FALSE(ScanTimer().isActive());
    EXPECT_FALSE(window->ZulmPort().IsOpen());

    // On in Normal mode, then Alternative chosen while scanning: the step that would turn to "Two
    // errors" is refused with one box and scanning goes off, while the tester's fault readings are
    // still answered with "One error".
    SetScanOptions(NormalScanning, 0, 2, 2, 0, 3);
    AutoScan().click();
    ASSERT_TRUE(ScanTimer().isActive());
    TestDrivesTheTicks();
    SetScanOptions(AlternativeScanning, 0, 2, 2, 0, 3);
    StartRunning();
    FaultReadings(3);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{AdvancedShown});
    FaultReadings(3);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(Boxes(), std::vector<std::string>{refused});
    EXPECT_FALSE(AutoScan().isChecked());
    EXPECT_FALSE(ScanTimer().isActive());
    EXPECT_FALSE(window->ZulmPort().IsOpen());
    EXPECT_EQ(CheckedColumn(), OneErrorColumn);
    FaultReadings(3);
    EXPECT_EQ(EngineAnswers(FaultMemory), TStringList{AdvancedAnswer});
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{AdvancedShown});
    EXPECT_EQ(zulm.Received(50), "");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

// A tick never steps inside a box of the page: neither inside the box of a column choice the
// page refused, nor inside a refused step's own box, which comes once, with scanning off.
TEST_F(ErrorsPageTest, ATickWhileABoxIsOpenMakesNoStep) {
    ReplaceInSimulation("[ERROR_11]\r\nA_1=58010123E0", "[ERROR_11]\r\nA_1=" + ExampleAnswer);
    ReplaceInSimulation("[ERROR_13]\r\nA_1=58030123E00456E00789E0\r\n", "[ERROR_13]\r\n");
    Load();
    PseudoTerminal zulm;
    ScanOneError(NormalScanning, zulm.Name());
    Boxes();

    // Inside each box three more fault readings are logged and the timer fires.
    const auto readings = [&] {
        for (int i = 0; i < 3; ++i) window->AddOriglioItem("041800ff00", "0658005800", 0, FaultReadingInfo);
        return ProcessUntil([&] { return window->FaultReadingCount() >= 3; });
    };
    int inside = 0;
    dialogs.OnMessage = [&](const std::string&) {
        ++inside;
        ASSERT_TRUE(readings());
        window->Errors().tErrorScanTimerTimer();
    };
    Radio(ThreeErrorsColumn).click(); // no answer: refused with a box
    EXPECT_EQ(inside, 1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: " + std::string(ErrorEditFailurePrefix) +
                                                NoAnswerRefusal(ThreeErrorsColumn, OneErrorColumn)});
    EXPECT_EQ(CheckedColumn(), OneErrorColumn);
    EXPECT_EQ(zulm.Received(50), "");
    // The readings logged meanwhile make the next step once the box is closed.
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(zulm.Received(), SentForAdvanced);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});

    // "One error" emptied: the step that meets it is refused, and the tick inside its box and
    // those after it do nothing.
    EmptyCell(OneErrorColumn, 1);
    ASSERT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{});
    ASSERT_TRUE(readings());
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(inside, 2);
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Message: ") + ErrorCodeEmptyPrefix + "1"});
    EXPECT_FALSE(AutoScan().isChecked());
    dialogs.OnMessage = nullptr;
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
    EXPECT_EQ(zulm.Received(50), "");
}

// Choosing a column without an answer applies nothing: the engine goes on answering with the
// column it has, and the radio buttons go back to it.
TEST_F(ErrorsPageTest, AColumnWithoutAnAnswerIsNeverChosen) {
    Load();
    Tabs().setCurrentIndex(1); // ERROR_2 has only "No errors" answers
    Radio(TwoErrorsColumn).click();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: " + std::string(ErrorEditFailurePrefix) +
                                                NoAnswerRefusal(TwoErrorsColumn, NoErrorsColumnIndex)});
    EXPECT_EQ(CheckedColumn(), NoErrorsColumnIndex);
    EXPECT_EQ(EngineAnswers(SecondFaultReading), (TStringList{"5800", "5800"}));
    Tabs().setCurrentIndex(0);
    Tabs().setCurrentIndex(1);
    EXPECT_EQ(CheckedColumn(), NoErrorsColumnIndex);
    EXPECT_EQ(EngineAnswers(SecondFaultReading), (TStringList{"5800", "5800"}));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

// The answering cell emptied while scanning, as the operator does to type another answer: the
// engine goes on answering the tester with the column's last answer, so the fault readings are
// still logged and counted, and the step that meets the empty cell is refused with one box and
// "Auto Scanning" unticked; nothing is sent.
class EmptiedWhileScanningTest : public ErrorsPageTest, public ::testing::WithParamInterface<int> {};

TEST_P(EmptiedWhileScanningTest, TheAnswerStaysAndTheStepIsRefused) {
    ReplaceInSimulation("[ERROR_11]\r\nA_1=58010123E0", "[ERROR_11]\r\nA_1=" + ExampleAnswer);
    Load();
    PseudoTerminal zulm;
    ScanOneError(GetParam(), zulm.Name());
    StartRunning();
    if (GetParam() == AlternativeScanning) {
        FaultReadings(3);
        window->Errors().tErrorScanTimerTimer(); // the scan column advanced, answering
        ASSERT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{AdvancedShown});
    }
    const TStringList answering = EngineAnswers(FaultMemory);
    Boxes();

    EmptyCell(OneErrorColumn, 1);
    ASSERT_EQ(GridColumn(OneErrorColumn), std::vector<std::string>{});
    EXPECT_EQ(EngineAnswers(FaultMemory), answering);
    EXPECT_EQ(CheckedColumn(), OneErrorColumn);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});

    FaultReadings(3);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Message: ") + ErrorCodeEmptyPrefix + "1"});
    EXPECT_FALSE(AutoScan().isChecked());
    EXPECT_FALSE(ScanTimer().isActive());
    EXPECT_FALSE(window->ZulmPort().IsOpen());
    EXPECT_EQ(EngineAnswers(FaultMemory), answering);
    EXPECT_EQ(CheckedColumn(), OneErrorColumn);
    EXPECT_EQ(zulm.Received(50), "");
}

INSTANTIATE_TEST_SUITE_P(ScanningModes, EmptiedWhileScanningTest,
                         ::testing::Values(NormalScanning, AlternativeScanning),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == NormalScanning ? std::string("Normal") : std::string("Alternative");
                         });

// Half a byte typed in a lower row of a column the scanning applies: the engine would refuse the
// column, so the step meeting it is refused before anything reaches the engine or the ZULM unit,
// with one box and "Auto Scanning" unticked. Alternative mode meets the scanned column when it
// advances it and the other column when it selects it to send.
struct HalfByteCase {
    const char* name;
    int mode;
    int column;        // the column with half a byte in row 2
    int stepsBefore;   // steps that go through before the refused one
};

class HalfByteWhileScanningTest : public ErrorsPageTest, public ::testing::WithParamInterface<HalfByteCase> {};

TEST_P(HalfByteWhileScanningTest, TheStepIsRefusedOnceAndNothingIsSent) {
    ReplaceInSimulation("[ERROR_11]\r\nA_1=58010123E0", "[ERROR_11]\r\nA_1=" + ExampleAnswer);
    Load();
    PseudoTerminal zulm;
    ScanOneError(GetParam().mode, zulm.Name());
    StartRunning();
    Boxes(); // the port's input query
    EditCell(GetParam().column, 2);
    QTest::keyClicks(&AnswerEditor(), "5");
    ASSERT_EQ(AnswerEditor().text(), "5");
    for (int s = 0; s < GetParam().stepsBefore; ++s) {
        FaultReadings(3);
        window->Errors().tErrorScanTimerTimer();
    }
    const TStringList answering = EngineAnswers(FaultMemory);
    const std::vector<std::string> shown = GridColumn(OneErrorColumn);
    ASSERT_EQ(Boxes(), std::vector<std::string>{});

    FaultReadings(3);
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(Boxes(), std::vector<std::string>{std::string("Message: ") + ErrorEditFailurePrefix + OddAnswerMessage});
    EXPECT_FALSE(AutoScan().isChecked());
    EXPECT_FALSE(ScanTimer().isActive());
    EXPECT_FALSE(window->ZulmPort().IsOpen());
    EXPECT_EQ(EngineAnswers(FaultMemory), answering);
    EXPECT_EQ(GridColumn(OneErrorColumn), shown);
    EXPECT_EQ(CheckedColumn(), OneErrorColumn);
    EXPECT_EQ(zulm.Received(50), "");
    window->Errors().tErrorScanTimerTimer();
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(ScanningModes, HalfByteWhileScanningTest,
                         ::testing::Values(HalfByteCase{"Normal", NormalScanning, OneErrorColumn, 0},
                                           HalfByteCase{"AlternativeAdvancing", AlternativeScanning, OneErrorColumn, 0},
                                           HalfByteCase{"AlternativeSending", AlternativeScanning, TwoErrorsColumn, 1}),
                         [](const ::testing::TestParamInfo<HalfByteCase>& info) { return std::string(info.param.name); });

// A fault reading that the engine finds without an answer (edited so by whatever route) is
// still seen: a red bold request line, counted as a fault reading.
TEST_F(ErrorsPageTest, AFaultReadingFoundWithoutAnAnswerShowsAsNotAnswered) {
    Load();
    const TStringList none;
    ASSERT_TRUE(Engine()->UpdateRequest(FaultMemory, &none, ""));
    StartRunning();
    const std::uint8_t request[] = {0x04, 0x18, 0x00, 0xff, 0x00, 0x55, 0x55, 0x55};
    FakeLink_QueueRxFrame(request, sizeof request);
    ASSERT_TRUE(ProcessUntil([&] { return window->FaultReadingCount() >= 1; }));
    const std::vector<DrawnLine> lines = DrawnLines(*Control<QAbstractItemView>(*window, "reOriglio"));
    EXPECT_EQ(lines, std::vector<DrawnLine>{(DrawnLine{"RX: 041800ff00", "#ff0000", true})});
}

TEST_F(ErrorsPageTest, AfterAResetTheEditingPagesStillReachTheFile) {
    Load();
    Control<QPushButton>(*window, "cmdReset")->click();
    ASSERT_EQ(Engine(), nullptr);
    // No engine to tell until the next load; the file still takes the page.
    Radio(2).click();
    EditCell(1, 2);
    QTest::keyClicks(&AnswerEditor(), "5801");
    Tabs().setCurrentIndex(1);
    EXPECT_EQ(File().ReadString("ERROR_11", "A_2", ""), "5801");
    // The activations page likewise.
    auto& name = *Control<QLineEdit>(*window, "txtActivationName");
    name.selectAll();
    QTest::keyClicks(&name, "Renamed");
    Control<QPushButton>(*window, "cmdRefreshAct")->click();
    EXPECT_EQ(File().ReadString("ACTIVATION_1", "D", ""), "Renamed");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}
