// The "&PSI" page in the real window with the real engine on its thread against the fake link
// library: the tree as loaded, keys in the tree and the data editor, the popup menu, the drop of
// an unknown request, the search, and edits that survive Save and a reload and reach the engine.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <map>
#include <set>

#include "EngineWindowFixture.h"
#include "HexLineEdit.h"
#include "PsiPage.h"
#include "UnknownRequestsView.h"

namespace fs = std::filesystem;

namespace {

// The fixture's roots: the three fixed exchanges, then REQUEST1 to REQUEST3.
constexpr int Tester = 0, Vin = 3, Status = 4, Speed = 5;
// ID_ECU of the fixture, as the link's frames carry it.
const std::vector<std::uint8_t> EcuIdentifier = {0x00, 0x00, 0x07, 0xe8};

class PsiPageTest : public EngineWindowTest {
protected:
    QTreeWidget& Tree() { return *Control<QTreeWidget>(*window, "twPSI"); }
    HexLineEdit& DataEditor() { return *Control<HexLineEdit>(*window, "txtPSIDataEditor"); }
    QTableWidget& Grid() { return *Control<QTableWidget>(*window, "sgByteDescription"); }
    QTreeWidgetItem* Node(int group, int child = -1) {
        QTreeWidgetItem* root = Tree().topLevelItem(group);
        return root == nullptr || child < 0 ? root : root->child(child);
    }
    bool CaptionEditorOpen() {
        QWidget* focused = QApplication::focusWidget();
        return focused != nullptr && Tree().viewport()->isAncestorOf(focused);
    }
    void Select(int group, int child = -1) { Tree().setCurrentItem(Node(group, child)); }
    // A root's caption, then its children's.
    std::vector<std::string> Group(int group) {
        std::vector<std::string> captions{Node(group)->text(0).toStdString()};
        for (int c = 0; c < Node(group)->childCount(); ++c) captions.push_back(Node(group, c)->text(0).toStdString());
        return captions;
    }
    std::vector<std::string> Roots() {
        std::vector<std::string> captions;
        for (int g = 0; g < Tree().topLevelItemCount(); ++g) captions.push_back(Node(g)->text(0).toStdString());
        return captions;
    }
    std::vector<std::string> GridColumn(int column) {
        std::vector<std::string> cells;
        for (int r = 0; r < Grid().rowCount(); ++r)
            cells.push_back(Grid().item(r, column) ? Grid().item(r, column)->text().toStdString() : "");
        return cells;
    }
    // The PSI page shown in the active window, as the operator works on it.
    void ShowPage() {
        Control<QTabWidget>(*window, "pgPageControl")->setCurrentIndex(static_cast<int>(FormPage::PSI));
        window->activateWindow();
        ASSERT_TRUE(ProcessUntil([&] { return QApplication::activeWindow() == window.get(); }));
    }
    void Focus(QWidget& widget) {
        widget.setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(ProcessUntil([&] { return widget.hasFocus(); }));
    }
    // Room in the engine's tables for requests beyond the file's (the fixture's fill them).
    void SetMemoryInc(const std::string& factor) {
        const fs::path settings = folders.Root() / "Default_file" / "SystemSettings.ini";
        std::string text = ReadBytes(settings);
        text.replace(text.find("MemoryInc=1.25"), 14, "MemoryInc=" + factor);
        WriteBytes(settings, text);
    }
    void AppendToSimulation(const std::string& text) {
        WriteBytes(folders.Simulation(), ReadBytes(folders.Simulation()) + text);
    }
    void Drop(const std::vector<int>& rows) {
        auto& list = *Control<UnknownRequestsView>(*window, UnknownRequestsName);
        list.Refresh();
        QModelIndexList indexes;
        for (int r : rows) indexes << list.Model().index(r, 0);
        std::unique_ptr<QMimeData> data(list.Model().mimeData(indexes));
        // As a drag arrives: it enters the tree, moves over it and is let go.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Tree().viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDragMoveEvent move(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Tree().viewport(), &move);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Tree().viewport(), &drop);
        EXPECT_TRUE(drop.isAccepted());
    }
};

} // namespace

TEST_F(PsiPageTest, TheTreeAsLoadedAndThePagesControls) {
    // Nothing to edit before a simulation is loaded.
    EXPECT_FALSE(Tree().isEnabled());
    EXPECT_EQ(Tree().topLevelItemCount(), 0);
    EXPECT_FALSE(Action("mFindByteDescription")->isEnabled());
    EXPECT_FALSE(DataEditor().isEnabled());

    LoadFixture();
    EXPECT_TRUE(Tree().isEnabled());
    EXPECT_TRUE(Action("mFindByteDescription")->isEnabled());
    EXPECT_TRUE(Action("mSearchAgain")->isEnabled());
    EXPECT_EQ(Roots(), (std::vector<std::string>{"Tester present", "End Communication", "ECU Activation", "VIN",
                                                 "Request 2101", "Engine speed"}));
    EXPECT_EQ(Group(Vin), (std::vector<std::string>{"VIN", "1a 90", "5a 90 31 32 33", "5a 90 34 35 36", "5a 90 37 38 39"}));
    EXPECT_EQ(Group(Tester), (std::vector<std::string>{"Tester present", "3e 00", "7e 00"}));
    EXPECT_EQ(Node(Vin)->data(0, StateImageRole).toInt(), RootStateImage);
    EXPECT_EQ(Node(Vin, 0)->data(0, StateImageRole).toInt(), RequestStateImage);
    EXPECT_EQ(Node(Vin, 1)->data(0, StateImageRole).toInt(), AnswerStateImage);
    EXPECT_TRUE(Node(Vin)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(Node(Tester)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(Tree().font().bold());

    EXPECT_EQ(Control<QGroupBox>(*window, "gbPSIDataEditor")->title(), "Data Editor");
    QCheckBox* lock = Control<QCheckBox>(*window, "cbPSIEditorLockLength");
    EXPECT_EQ(lock->text(), "Lock Length");
    EXPECT_EQ(lock->toolTip(), "Check to lock answer maximum length on editor");
    EXPECT_EQ(Grid().horizontalHeaderItem(0)->text(), "Byte #");
    EXPECT_EQ(Grid().horizontalHeaderItem(1)->text(), "Description");
    EXPECT_EQ(Grid().columnWidth(0), ByteNumberColumnWidth);
    EXPECT_EQ(Grid().verticalHeader()->defaultSectionSize(), ByteDescriptionRowHeight);
    const std::tuple<const char*, const char*, QKeySequence> items[] = {
        {"pmExpandAll", "Expand All", {}},
        {"pmCollapseAll", "Collapse All", {}},
        {"mNodeAddAnswer", "Add Answer", QKeySequence(Qt::Key_Insert)},
        {"mNodeDelete", "Delete", QKeySequence(Qt::Key_Delete)},
        {"mCopyNode", "Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"mPasteNode", "Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
    };
    for (const auto& [name, caption, shortcut] : items) {
        EXPECT_EQ(Action(name)->text(), caption) << name;
        EXPECT_EQ(Action(name)->shortcut(), shortcut) << name;
    }
    EXPECT_EQ(Control<QMenu>(*window, "mNode")->title(), "Node");

    // An answer shows in the editor and its bytes in the grid; a fixed exchange's answer is read-only.
    Select(Vin, 1);
    EXPECT_EQ(DataEditor().text(), "5a 90 31 32 33");
    EXPECT_TRUE(DataEditor().isEnabled());
    EXPECT_EQ(GridColumn(0), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"Service", "Identifier", "First digit of the VIN", "", ""}));
    Select(Tester, 1);
    EXPECT_EQ(DataEditor().text(), "7e 00");
    EXPECT_FALSE(DataEditor().isEnabled());
    EXPECT_FALSE(Grid().item(0, 1)->flags() & Qt::ItemIsEditable);
    Select(Vin, 0);
    EXPECT_EQ(DataEditor().text(), "");
    EXPECT_EQ(Grid().rowCount(), 1);
    EXPECT_EQ(GridColumn(0), std::vector<std::string>{""});
}

TEST_F(PsiPageTest, TheTreeArrivesInOneInsertionAndItsNodesShareTheIconsOfTheirKind) {
    // A simulation holds tens of thousands of nodes: inserted root by root, or each with an icon
    // of its own, the load takes seconds and hundreds of megabytes.
    std::vector<std::pair<int, int>> insertions;
    QObject::connect(Tree().model(), &QAbstractItemModel::rowsInserted, window.get(),
                     [&](const QModelIndex& parent, int first, int last) {
                         if (!parent.isValid()) insertions.emplace_back(first, last);
                     });
    LoadFixture();
    EXPECT_EQ(insertions, (std::vector<std::pair<int, int>>{{0, 5}}));

    std::map<int, std::set<qint64>> icons; // state image -> the icons drawn for it
    for (int g = 0; g < Tree().topLevelItemCount(); ++g) {
        std::vector<QTreeWidgetItem*> nodes{Node(g)};
        for (int c = 0; c < Node(g)->childCount(); ++c) nodes.push_back(Node(g, c));
        for (QTreeWidgetItem* node : nodes) {
            EXPECT_FALSE(node->icon(0).isNull());
            icons[node->data(0, StateImageRole).toInt()].insert(node->icon(0).cacheKey());
        }
    }
    ASSERT_EQ(icons.size(), 3u);
    for (const auto& [image, keys] : icons) EXPECT_EQ(keys.size(), 1u) << "state image " << image;
    EXPECT_NE(*icons[RootStateImage].begin(), *icons[AnswerStateImage].begin());
}

TEST_F(PsiPageTest, KeysTakeAnAnswerThroughTheDataEditorToTheEngineAndTheGrid) {
    // A description in the file's code page keeps its bytes through the grid.
    std::string text = ReadBytes(folders.Simulation());
    text.replace(text.find("BYTE2=Value"), 11, "BYTE2=Valore \xe0");
    WriteBytes(folders.Simulation(), text);
    LoadFixture();
    ShowPage();
    Select(Status, 1);
    Focus(Tree());
    // Enter on the answer: the caret stands behind the byte the frames skip, one character selected.
    QTest::keyClick(&Tree(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return DataEditor().hasFocus(); }));
    EXPECT_EQ(DataEditor().selectionStart(), 2);
    EXPECT_EQ(DataEditor().selectedText(), " ");

    // Overwrite mode: the digits replace the second byte, and the engine answers with it at once.
    QTest::keyClick(&DataEditor(), '9');
    QTest::keyClick(&DataEditor(), '8');
    EXPECT_EQ(DataEditor().text(), "61 98 02");
    EXPECT_EQ(Node(Status, 1)->text(0), "61 98 02");
    EXPECT_EQ(EngineAnswers("2101"), TStringList{"619802"});
    EXPECT_EQ(Grid().currentRow(), 1); // the byte at the caret
    QTest::keyClick(&DataEditor(), Qt::Key_Up);
    EXPECT_EQ(DataEditor().text(), "61 a8 02");
    EXPECT_EQ(EngineAnswers("2101"), TStringList{"61a802"});

    // Insert switches the mode: digits go in, and the grid grows with the answer.
    QTest::keyClick(&DataEditor(), Qt::Key_End); // refused: the caret stays
    EXPECT_EQ(DataEditor().Beeps(), 1);
    DataEditor().setCursorPosition(8);
    QTest::keyClick(&DataEditor(), Qt::Key_Insert);
    EXPECT_EQ(window->OverwriteFlag(), 0);
    QTest::keyClicks(&DataEditor(), "0f");
    EXPECT_EQ(DataEditor().text(), "61 a8 02 0f");
    EXPECT_EQ(GridColumn(0), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(EngineAnswers("2101"), TStringList{"61a8020f"});

    // Enter: to the grid, where a description is typed; Enter there goes back to the editor.
    QTest::keyClick(&DataEditor(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return Grid().hasFocus(); }));
    EXPECT_EQ(Grid().currentRow(), 3);
    QTest::keyClick(&Grid(), 'C'); // opens the cell's editor with the key
    QTest::keyClicks(QApplication::focusWidget(), "hecksum");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // commits the cell
    ASSERT_TRUE(ProcessUntil([&] { return Grid().hasFocus(); }));
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"", "Valore \u00e0", "", "Checksum"}));
    QTest::keyClick(&Grid(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return DataEditor().hasFocus(); }));
    EXPECT_EQ(DataEditor().Caret(), 11);
    QTest::keyClick(&DataEditor(), Qt::Key_Escape);
    ASSERT_TRUE(ProcessUntil([&] { return Tree().hasFocus(); }));

    // Leaving the group writes it to the file object.
    Select(Vin);
    TMemIniFile& file = *window->Controller().SimulationFile();
    EXPECT_EQ(file.ReadString("ANSWER2", "A", ""), "61a8020f");
    EXPECT_EQ(file.ReadString("ANSWER2", "BYTE4", ""), "Checksum");
    EXPECT_EQ(file.ReadString("ANSWER2", "BYTE2", ""), "Valore \xe0");
    EXPECT_EQ(Boxes().size(), 1u); // the open dialog only
}

TEST_F(PsiPageTest, TheTreesKeysAndPopupMenu) {
    LoadFixture();
    ShowPage();
    Focus(Tree());
    Select(Vin);
    QTest::keyClick(&Tree(), Qt::Key_Return);
    EXPECT_TRUE(Node(Vin)->isExpanded());
    QTest::keyClick(&Tree(), Qt::Key_Return);
    EXPECT_FALSE(Node(Vin)->isExpanded());

    // Insert adds an answer, Delete takes it again; the first answer stays.
    Select(Status, 1);
    QTest::keyClick(&Tree(), Qt::Key_Insert);
    EXPECT_EQ(Group(Status), (std::vector<std::string>{"Request 2101", "21 01", "61 01 02", ""}));
    Select(Status, 2);
    QTest::keyClick(&Tree(), Qt::Key_Delete);
    EXPECT_EQ(Group(Status), (std::vector<std::string>{"Request 2101", "21 01", "61 01 02"}));
    EXPECT_EQ(Tree().currentItem(), Node(Status, 1));
    QTest::keyClick(&Tree(), Qt::Key_Delete);
    EXPECT_EQ(Node(Status)->childCount(), 2);

    // Ctrl+C and Ctrl+V copy a line onto another; a root is no line.
    Select(Vin, 3);
    QTest::keyClick(&Tree(), Qt::Key_C, Qt::ControlModifier);
    Select(Speed, 1);
    QTest::keyClick(&Tree(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Node(Speed, 1)->text(0), "5a 90 37 38 39");
    EXPECT_EQ(DataEditor().text(), "5a 90 37 38 39");
    Select(Vin);
    QTest::keyClick(&Tree(), Qt::Key_C, Qt::ControlModifier);
    Select(Speed);
    QTest::keyClick(&Tree(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Boxes().back(), "Message: Copy/Paste not allowed!");

    // F2 edits the caption of a request's root only.
    Select(Tester);
    QTest::keyClick(&Tree(), Qt::Key_F2);
    EXPECT_FALSE(CaptionEditorOpen());
    Select(Speed);
    QTest::keyClick(&Tree(), Qt::Key_F2);
    ASSERT_TRUE(ProcessUntil([&] { return CaptionEditorOpen(); }));
    QTest::keyClicks(QApplication::focusWidget(), "RPM");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return Node(Speed)->text(0) == "RPM"; })); // the commit is queued
    EXPECT_EQ(window->Controller().SimulationFile()->ReadString("REQUEST3", "D", ""), "RPM");

    Action("pmExpandAll")->trigger();
    EXPECT_TRUE(Node(Tester)->isExpanded() && Node(Speed)->isExpanded());
    Action("pmCollapseAll")->trigger();
    EXPECT_FALSE(Node(Vin)->isExpanded());
}

TEST_F(PsiPageTest, InsertInTheTreeAddsAnAnswerAndKeepsTheEditorOverwriting) {
    LoadFixture();
    ShowPage();
    ASSERT_EQ(window->OverwriteFlag(), 1);
    Focus(Tree());
    Select(Status, 1);
    QTest::keyClick(&Tree(), Qt::Key_Insert);
    EXPECT_EQ(Group(Status), (std::vector<std::string>{"Request 2101", "21 01", "61 01 02", ""}));
    EXPECT_EQ(window->OverwriteFlag(), 1);
    EXPECT_EQ(Control<QLabel>(*window, "sbPanel0")->text(), "Overwrite");

    // The data editor still overwrites: a digit replaces the one at the caret.
    Select(Status, 1);
    QTest::keyClick(&Tree(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return DataEditor().hasFocus(); }));
    DataEditor().setCursorPosition(3);
    QTest::keyClick(&DataEditor(), '9');
    EXPECT_EQ(DataEditor().text(), "61 91 02");

    // In the editor Insert still switches the mode.
    QTest::keyClick(&DataEditor(), Qt::Key_Insert);
    EXPECT_EQ(window->OverwriteFlag(), 0);
    EXPECT_EQ(Control<QLabel>(*window, "sbPanel0")->text(), "Insert");
    EXPECT_EQ(Node(Status)->childCount(), 3);
}

TEST_F(PsiPageTest, AClearedCaptionGivesTheEngineTheDefaultItHasRoomFor) {
    // A long request with a short description: the engine is sized for the descriptions the file
    // holds, not for the default of this request.
    const std::string request = "1a90" + std::string(20, '7');
    ReplaceInSimulation("R=1A90", "R=" + request);
    LoadFixture();
    Boxes();
    const std::size_t limit = static_cast<std::size_t>(Engine()->MaxDescrLen);
    const std::string fullDefault = "Request " + request;
    ASSERT_GT(fullDefault.size(), limit);

    Select(Vin);
    QTest::keyClick(&Tree(), Qt::Key_F2);
    ASSERT_TRUE(ProcessUntil([&] { return CaptionEditorOpen(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return Node(Vin)->text(0).toStdString() == fullDefault; }));
    EXPECT_EQ(window->Controller().SimulationFile()->ReadString("REQUEST1", "D", "?"), "");
    const TAnsReqItem* entry = Engine()->RequestIndex(PackFunction(request, 0), 1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->Description, fullDefault.substr(0, limit));
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(PsiPageTest, AnUnknownRequestDroppedOntoFourRequestsBecomesTheFifth) {
    AppendToSimulation("[REQUEST4]\r\nR=2104\r\n[ANSWER4]\r\nA=6104\r\n[NREQUEST]\r\nN=4\r\n");
    SetMemoryInc("2");
    LoadFixture();
    ASSERT_EQ(Tree().topLevelItemCount(), 7);
    window->UnknownRequests().AddReported("0101", {});
    window->UnknownRequests().AddReported("2299", {"6299aa", "6299bb"});
    EXPECT_EQ(EngineAnswers("2299"), TStringList{"not answered"});

    Drop({1});
    ASSERT_TRUE(ProcessUntil([&] { return Tree().topLevelItemCount() == 8; }));
    EXPECT_EQ(Group(7), (std::vector<std::string>{"Unknown", "22 99", "62 99 aa", "62 99 bb"}));
    EXPECT_EQ(EngineAnswers("2299"), (TStringList{"6299aa", "6299bb"}));
    const TMemIniFile& file = *window->Controller().SimulationFile();
    EXPECT_EQ(file.ReadString("NREQUEST", "N", ""), "5");
    EXPECT_EQ(file.ReadString("REQUEST5", "R", ""), "2299");
    EXPECT_EQ(file.ReadString("REQUEST5", "MA", ""), "Y");
    EXPECT_EQ(file.ReadString("REQUEST5", "INTRAFRAME", ""), "100");
    EXPECT_EQ(file.ReadString("ANSWER5", "A", ""), "6299aa");
    EXPECT_EQ(file.ReadString("ANSWER5a", "A", ""), "6299bb");
    // The dropped row left the list; the other stays.
    auto& list = *Control<UnknownRequestsView>(*window, UnknownRequestsName);
    ASSERT_EQ(list.Model().rowCount(), 1);
    EXPECT_EQ(list.Model().Rows()[0].Request, "01 01");

    // A request the simulation holds is refused and stays in the list.
    window->UnknownRequests().AddReported("2101", {"7f2112"});
    Drop({1});
    ASSERT_TRUE(ProcessUntil([&] { return !dialogs.Boxes.empty() && dialogs.Boxes.back().rfind("Message", 0) == 0; }));
    EXPECT_EQ(Tree().topLevelItemCount(), 8);
    EXPECT_EQ(Boxes().back(), "Message: Request 2101 already exists!");
    EXPECT_EQ(list.Model().rowCount(), 2);
}

TEST_F(PsiPageTest, EditsSurviveSaveAndReloadAndTheEngineAnswersWithThem) {
    LoadFixture();
    ShowPage();
    // Answer bytes through the data editor's keys.
    Select(Speed, 1);
    Focus(Tree());
    QTest::keyClick(&Tree(), Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return DataEditor().hasFocus(); }));
    DataEditor().setCursorPosition(6);
    QTest::keyClicks(&DataEditor(), "cd");
    ASSERT_EQ(DataEditor().text(), "61 02 cd");
    // An added answer, typed in.
    Select(Status, 1);
    Action("mNodeAddAnswer")->trigger();
    Select(Status, 2);
    DataEditor().setCursorPosition(0);
    QTest::keyClicks(&DataEditor(), "7f2112");
    ASSERT_EQ(DataEditor().text(), "7f 21 12");
    // A byte description.
    Grid().item(1, 1)->setText("Second");
    // A deleted answer.
    Select(Vin, 2);
    Action("mNodeDelete")->trigger();
    // A rename.
    Node(Vin)->setText(0, "Vehicle number");
    // Saved while still in the group: Save writes it first.
    const std::vector<std::string> edited[] = {Group(Vin), Group(Status), Group(Speed)};
    Action("mSaveIni")->trigger();

    const std::string saved = ReadBytes(folders.Simulation());
    EXPECT_NE(saved.find("[ANSWER1]\r\nA=5a90313233\r\n"), std::string::npos);
    EXPECT_NE(saved.find("[ANSWER1A]\r\nA=5a90373839\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("ANSWER1B"), std::string::npos) << saved;

    LoadFixture();
    EXPECT_EQ(Group(Vin), edited[0]);
    EXPECT_EQ(Group(Status), edited[1]);
    EXPECT_EQ(Group(Speed), edited[2]);
    EXPECT_EQ(Group(Speed), (std::vector<std::string>{"Engine speed", "21 02", "61 02 cd"}));
    EXPECT_EQ(Group(Vin)[0], "Vehicle number");
    Select(Status, 2);
    EXPECT_EQ(GridColumn(1), (std::vector<std::string>{"", "Second", ""}));

    // The engine of the reloaded simulation answers with the edited bytes on the bus.
    StartRunning();
    const std::size_t before = FakeLinkCallsOf(FakeLinkTxFrame).size();
    const std::uint8_t frame[] = {0x02, 0x21, 0x02, 0x55, 0x55, 0x55, 0x55, 0x55};
    FakeLink_QueueRxFrame(frame, sizeof frame);
    ASSERT_TRUE(ProcessUntil([&] { return FakeLinkCallsOf(FakeLinkTxFrame).size() > before; }));
    const FakeLinkCall sent = FakeLinkCallsOf(FakeLinkTxFrame)[before];
    // The ECU's identifier, the frame's length, then the single frame: its length and the answer.
    ASSERT_GE(sent.DataLen, 9);
    EXPECT_EQ(std::vector<std::uint8_t>(sent.Data, sent.Data + 4), EcuIdentifier);
    EXPECT_EQ(std::vector<std::uint8_t>(sent.Data + 5, sent.Data + 9), (std::vector<std::uint8_t>{0x03, 0x61, 0x02, 0xcd}));
    EXPECT_EQ(EngineAnswers("2101"), (TStringList{"610102", "7f2112"}));
}

TEST_F(PsiPageTest, SearchSelectsTheNodeFound) {
    LoadFixture();
    dialogs.InputAnswers = {"Service"};
    Action("mFindByteDescription")->trigger();
    EXPECT_EQ(Tree().currentItem(), Node(Vin, 1));
    EXPECT_TRUE(Node(Vin)->isExpanded());
    Action("mSearchAgain")->trigger();
    EXPECT_EQ(Tree().currentItem(), Node(Vin, 2));
    Action("mSearchAgain")->trigger(); // nothing after it: the selection stays
    EXPECT_EQ(Tree().currentItem(), Node(Vin, 2));
    EXPECT_EQ(Boxes().back(), "Input: Find Byte description|Enter description|");
}

TEST_F(PsiPageTest, AFailedLoadLeavesNothingToEdit) {
    LoadFixture();
    Select(Status, 1);
    fs::remove_all(folders.Root() / "Default_file");
    dialogs.OpenAnswers = {folders.Simulation().string()};
    Action("mLoadIni")->trigger();
    EXPECT_EQ(window->Controller().SimulationFile(), nullptr);
    // The tree still shows what was loaded last, disabled; nothing reaches a freed file.
    EXPECT_EQ(Tree().topLevelItemCount(), 6);
    EXPECT_FALSE(Tree().isEnabled());
    EXPECT_FALSE(DataEditor().isEnabled());
    EXPECT_FALSE(Action("mFindByteDescription")->isEnabled());
    Select(Status, 1);
    Action("mNodeAddAnswer")->trigger();
    Action("mSaveIni")->trigger();
    EXPECT_EQ(Node(Status)->childCount(), 2);
}
