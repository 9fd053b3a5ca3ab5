// Engine control through the real window: every status the engine reports, with its message
// lines and button states, as the fake link library makes the engine take each path; the Reset,
// Exit and close commands that end the engine; the KRIX port command while an engine runs.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

#include <thread>

#include "EngineWindowFixture.h"
#include "SystemSettings.h"

namespace fs = std::filesystem;

namespace {

class EngineControlTest : public EngineWindowTest {};

} // namespace

TEST_F(EngineControlTest, LoadStartAndStop) {
    EXPECT_EQ(ButtonStates(), (Buttons{false, false, false}));
    LoadFixture();
    EXPECT_EQ(ButtonStates(), (Buttons{true, false, true}));
    EXPECT_EQ(window->LastStatus(), SimulatorStatus::Ready);

    // The System Info page shows the simulation just loaded.
    const std::pair<const char*, const char*> labels[] = {
        {"lblMaker", "Fixture Motors"}, {"lblSystemNum", "77"}, {"lblSetMUX", "000B00304000"},
        {"lblProtocolType", "CAN"},     {"lblDescInfo1", "Baud Rate"}, {"lblInfo1", "500000 bps"},
        {"lblDescInfo3", "Id ECU"},     {"lblInfo3", "7E8"},           {"lblInfo4", "-"},
        {"lblIndex", "1"},              {"lblProtocolDescription", "SIMUL"},
    };
    for (const auto& [name, text] : labels) {
        QLabel* label = Control<QLabel>(*window, name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text().toStdString(), text) << name;
    }

    StartRunning();
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, true}));
    EXPECT_EQ(FakeLinkCallsOf(FakeLinkStartStop_Ecu).at(0).Ints[0], 1);

    Key(Qt::Key_Escape);
    EXPECT_EQ(NewMessages(2), (std::vector<std::string>{"System stopped", "System loaded!"}));
    EXPECT_EQ(ButtonStates(), (Buttons{true, false, true}));
    EXPECT_EQ(FakeLinkCallsOf(FakeLinkStartStop_Ecu).at(1).Ints[0], 0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini"});
}

TEST_F(EngineControlTest, FailuresShowTheEnginesErrorText) {
    LoadFixture();
    const std::string errorText = Engine()->GetErrorText();
    Boxes();

    // A start the device refuses: the buttons stay as "Running..." left them.
    FakeLinkScript(FakeLinkStartStop_Ecu, {0});
    Key(Qt::Key_F9);
    EXPECT_EQ(NewMessages(3), (std::vector<std::string>{"Running...", "Start error!", errorText}));
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, true}));
    // Stop is refused by the engine in that state.
    Key(Qt::Key_Escape);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Message: Error on stop system!"});

    // Reload system initialises the link again.
    Action("mReloadSystem")->trigger();
    EXPECT_EQ(NewMessages(2), (std::vector<std::string>{"Reloading system...", "System loaded!"}));
    EXPECT_EQ(ButtonStates(), (Buttons{true, false, true}));

    // A stop the device refuses, then the engine is ready again.
    StartRunning();
    FakeLinkScript(FakeLinkStartStop_Ecu, {0});
    Key(Qt::Key_Escape);
    EXPECT_EQ(NewMessages(4), (std::vector<std::string>{"System stopped", "Stop error!", errorText, "System loaded!"}));
    EXPECT_EQ(ButtonStates(), (Buttons{true, false, true}));

    // An initialisation that fails.
    FakeLinkScript(FakeLinkCreateThreadKrix, {0});
    Action("mReloadSystem")->trigger();
    EXPECT_EQ(NewMessages(3), (std::vector<std::string>{"Reloading system...", "Error loading system!", errorText}));
    EXPECT_EQ(ButtonStates(), (Buttons{false, false, true}));
    EXPECT_EQ(window->LastStatus(), SimulatorStatus::InitFailed);
    EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(EngineControlTest, ResetEndsTheEngine) {
    LoadFixture();
    Control<QPushButton>(*window, "cmdReset")->click();
    EXPECT_EQ(Engine(), nullptr);
    EXPECT_EQ(NewMessages(1), std::vector<std::string>{"System reset"});
    EXPECT_EQ(ButtonStates(), (Buttons{false, false, false}));
    EXPECT_EQ(FakeLinkNames().back(), "DeleteThreadKrix");

    // Without an engine the commands do nothing; the options still change for the close.
    window->cmdStartClick();
    Control<QCheckBox>(*window, "cbAutoAnswer")->click();
    EXPECT_FALSE(window->Controller().Options().AutoAnswer);
    EXPECT_NE(window->Controller().SimulationFile(), nullptr);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini"});
}

TEST_F(EngineControlTest, StatusesFromAnyThreadReachTheWindowInOrder) {
    // Codes the engine does not report add nothing; only the low byte counts.
    std::thread engineSide([&] {
        for (std::int32_t code : {10, 0, 12, 0x104, 5, 0x20B}) window->OnThreadStatus(code);
    });
    engineSide.join();
    EXPECT_EQ(NewMessages(3), (std::vector<std::string>{"System loaded!", "Running...", "In communication..."}));
    EXPECT_EQ(ButtonStates(), (Buttons{false, true, true}));
    EXPECT_EQ(window->LastStatus(), SimulatorStatus::Running);
}

TEST_F(EngineControlTest, ClosingEndsTheEngineAndWritesTheOptions) {
    LoadFixture();
    Control<QSpinBox>(*window, "seDefaultLenght")->setValue(20);
    EXPECT_EQ(Engine()->DefaultLength.load(), 20);

    dialogs.ConfirmAnswers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_NE(Engine(), nullptr);
    dialogs.ConfirmAnswers = {true};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(Engine(), nullptr);
    EXPECT_EQ(FakeLinkNames().back(), "DeleteThreadKrix");
    EXPECT_EQ(SystemSettings(folders.Root().string() + "/").ReadOptions().DefaultLength, 20);
}

TEST_F(EngineControlTest, ExitEndsAndJoinsTheEngineFirstAndWritesNoOptions) {
    LoadFixture();
    const fs::path settings = folders.Root() / SystemSettingsPath;
    const std::string written = ReadBytes(settings);
    Control<QSpinBox>(*window, "seDefaultLenght")->setValue(20);
    dialogs.ConfirmAnswers = {false};
    Action("mExit")->trigger();
    EXPECT_NE(Engine(), nullptr);
    EXPECT_TRUE(window->isVisible());

    dialogs.ConfirmAnswers = {true};
    Action("mExit")->trigger();
    EXPECT_EQ(Engine(), nullptr);
    EXPECT_EQ(FakeLinkNames().back(), "DeleteThreadKrix");
    EXPECT_FALSE(window->isVisible());
    // One question each time: the close that follows Yes does not ask again.
    const std::string question = "Confirm: Are you sure you want to exit " + ApplicationTitle() + "?";
    const std::vector<std::string> boxes = Boxes();
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), question), 2);
    // Only the close box's Yes writes the options.
    EXPECT_EQ(ReadBytes(settings), written);
}

TEST_F(EngineControlTest, TheKrixPortWaitsForTheNextLoad) {
    LoadFixture();
    Boxes();
    dialogs.InputAnswers = {"COM7"};
    Action("mKRIXCOMPort")->trigger();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Input: KRIX Options|Insert KRIX COM Port|COM1",
                                                 "Warning: You must reload data from ini file to use this port!"}));
    EXPECT_EQ(Engine()->ComPort(), 1);
    LoadFixture();
    EXPECT_EQ(Engine()->ComPort(), 7);
}
