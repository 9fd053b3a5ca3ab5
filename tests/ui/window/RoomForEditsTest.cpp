// Edits that need more room than the load gave, in the real window with the bundled example and
// the real engine against the fake link library: an activation of five steps and a second one
// made on the activations page of a simulation without activations, and a 40-byte answer typed
// on the PSI page. No box; the engine answers each at once, and again after Save and a reload.
#include <gtest/gtest.h>

#include <algorithm>

#include <QLineEdit>
#include <QTreeWidget>

#include "ActivationsPage.h"
#include "EngineWindowFixture.h"
#include "HexLineEdit.h"
#include "PsiPage.h"
#include "fixtures/SimulationFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr int StartRoutine = 3; // the example's first request: 10 03, extended session

class RoomForEditsTest : public EngineWindowTest {
protected:
    void SetUp() override {
        EngineWindowTest::SetUp();
        example.CopySimulation(fs::path(TARVICO_EXAMPLES) / "can_standard");
    }
    fs::path Example() const { return example.Root() / "simul1.ini"; }

    // Data > Load... with the example chosen, until "System loaded!"; its notes box is closed.
    void LoadExample() {
        dialogs.OpenAnswers = {Example().string()};
        Action("mLoadIni")->trigger();
        EXPECT_EQ(NewMessages(4), (std::vector<std::string>{"Allocating memory space...", "Loading data...",
                                                            "Loading system... Wait please...", "System loaded!"}));
        Boxes(); // the open dialog and the example's notes
    }

    void ShowPage(FormPage page) {
        Control<QTabWidget>(*window, "pgPageControl")->setCurrentIndex(static_cast<int>(page));
        window->activateWindow();
        ASSERT_TRUE(ProcessUntil([&] { return QApplication::activeWindow() == window.get(); }));
    }
    void Focus(QWidget& widget) {
        widget.setFocus(Qt::OtherFocusReason);
        ASSERT_TRUE(ProcessUntil([&] { return widget.hasFocus(); }));
    }
    void TypeAtEnd(HexLineEdit& editor, const char* keys) {
        editor.setCursorPosition(static_cast<int>(editor.text().size()));
        QTest::keyClicks(&editor, keys);
    }

    QTreeWidget& ActivationRequests() { return *Control<QTreeWidget>(*window, "lwActivationRequests"); }
    QTreeWidget& ActivationAnswers() { return *Control<QTreeWidget>(*window, "lwActivationAnswers"); }
    // "New", a name, and the starting request typed with its answer.
    void NewActivation(const char* name, const char* request, const char* answer) {
        Control<QAbstractButton>(*window, "cmdNewActivation")->click();
        auto& nameEditor = *Control<QLineEdit>(*window, "txtActivationName");
        nameEditor.setFocus();
        QTest::keyClicks(&nameEditor, name);
        TypeAtEnd(*Control<HexLineEdit>(*window, "txtActivationReqEditor"), request);
        Focus(ActivationAnswers());
        QTest::keyClick(&ActivationAnswers(), Qt::Key_Insert);
        TypeAtEnd(*Control<HexLineEdit>(*window, "txtActivationAnsEditor"), answer);
    }
    // A step: an unknown request with its answer dropped onto the request list.
    void DropStep(const std::string& request, const std::string& answer) {
        const int rows = ActivationRequests().topLevelItemCount();
        window->UnknownRequests().AddReported(request, {answer});
        DropOn(*ActivationRequests().viewport(), 0);
        ASSERT_TRUE(ProcessUntil([&] { return ActivationRequests().topLevelItemCount() == rows + 1; }));
        window->UnknownRequests().Clear();
    }


    // The tester asks for every edit; the log shows each answered.
    void EveryEditIsAnswered(const std::string& longAnswer) {
        logSeen = DrawnLines(*Control<QAbstractItemView>(*window, "reOriglio")).size();
        for (std::uint8_t k = 1; k <= 6; ++k) TesterSends({0x30, k});
        TesterSends({0x31, 0x01});
        TesterSends({0x31, 0x02});
        std::vector<std::string> expected;
        for (const char* k : {"1", "2", "3", "4", "5", "6"})
            for (const char* dir : {"RX: 0230", "TX: 0270"}) expected.push_back(std::string(dir) + "0" + k);
        for (const char* line : {"RX: 023101", "TX: 027101", "RX: 023102", "TX: 027102"}) expected.push_back(line);
        EXPECT_EQ(NewLogLines(expected.size()), expected);
        EXPECT_EQ(EngineAnswers("1003"), TStringList{longAnswer});
    }

    SimulationFolder example;
};

} // namespace

TEST_F(RoomForEditsTest, EditsBeyondTheLoadsRoomGoThroughAndSurviveSaveAndReload) {
    LoadExample();
    const TStoreLimits loaded = Engine()->Store().Limits();
    StartRunning();

    // An activation of five steps (room for one activation of one step), and a second one.
    ShowPage(FormPage::Activations);
    NewActivation("Pump", "3001", "7001");
    for (const char* k : {"2", "3", "4", "5", "6"}) DropStep(std::string("300") + k, std::string("700") + k);
    NewActivation("Second", "3101", "7101");
    DropStep("3102", "7102");
    EXPECT_EQ(Boxes(), std::vector<std::string>{});

    // A 40-byte answer typed on the PSI page (the load's longest was 25 bytes).
    ShowPage(FormPage::PSI);
    auto& tree = *Control<QTreeWidget>(*window, "twPSI");
    auto& editor = *Control<HexLineEdit>(*window, "txtPSIDataEditor");
    tree.setCurrentItem(tree.topLevelItem(StartRoutine)->child(1));
    Focus(tree);
    QTest::keyClick(&tree, Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return editor.hasFocus(); }));
    QTest::keyClick(&editor, Qt::Key_Insert); // insert mode: the digits go in at the end
    std::string typed;
    for (int k = 0; k < 34; ++k) typed += "a" + std::to_string(k % 10);
    TypeAtEnd(editor, typed.c_str());
    const std::string longAnswer = "5003003201f4" + typed;
    std::string shown = editor.text().toStdString();
    shown.erase(std::remove(shown.begin(), shown.end(), ' '), shown.end());
    EXPECT_EQ(shown, longAnswer) << "every key typed";
    EXPECT_EQ(Boxes(), std::vector<std::string>{});

    const TStoreLimits grown = Engine()->Store().Limits();
    EXPECT_GT(grown.ActAnsMaxCount, loaded.ActAnsMaxCount);
    EXPECT_GT(grown.ActMaxCount, loaded.ActMaxCount);
    EXPECT_GT(grown.MaxAnsLen, loaded.MaxAnsLen);
    EveryEditIsAnswered(longAnswer);

    // Saved (the PSI group is written first), loaded again: the engine answers the same.
    Action("mSaveIni")->trigger();
    Boxes();
    LoadExample();
    StartRunning();
    EveryEditIsAnswered(longAnswer);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}
