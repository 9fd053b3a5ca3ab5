#pragma once
// The real window with the real engine on its own thread against the fake link library: the
// fixture simulation loaded through the scripted open dialog, and the helpers that read the
// window's message list, buttons and log while its events keep flowing.
#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "ControllerTestSupport.h"
#include "MainForm.h"
#include "WindowTestSupport.h"
#include "fixtures/FakeLinkCalls.h"
#include "fixtures/SteppingClock.h"

struct Buttons {
    bool Start, Stop, Reset;
    bool operator==(const Buttons&) const = default;
};
inline void PrintTo(const Buttons& b, std::ostream* os) {
    *os << "{start " << b.Start << ", stop " << b.Stop << ", reset " << b.Reset << "}";
}

class EngineWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        WindowApplication();
        FakeLink_Reset();
        window = std::make_unique<TfFormMain>(folders.Program().string(), &dialogs);
        window->show();
    }
    void TearDown() override {
        window.reset();
        FakeLink_Reset();
    }

    QAction* Action(const char* name) { return Control<QAction>(*window, name); }
    std::vector<std::string> Messages() { return LinesOf(*Control<QPlainTextEdit>(*window, "mMessages")); }
    Buttons ButtonStates() {
        return {Control<QPushButton>(*window, "cmdStart")->isEnabled(), Control<QPushButton>(*window, "cmdStop")->isEnabled(),
                Control<QPushButton>(*window, "cmdReset")->isEnabled()};
    }
    // The message lines added since the last call, once count lines have come.
    std::vector<std::string> NewMessages(std::size_t count) {
        EXPECT_TRUE(ProcessUntil([&] { return Messages().size() >= seen + count; })) << "waiting for " << count;
        const std::vector<std::string> all = Messages();
        std::vector<std::string> added(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen, all.size())), all.end());
        seen = all.size();
        return added;
    }
    std::vector<std::string> Boxes() {
        std::vector<std::string> boxes;
        boxes.swap(dialogs.Boxes);
        return boxes;
    }
    // Data > Load... with the fixture chosen, until the engine has reported "System loaded!".
    void LoadFixture() {
        dialogs.OpenAnswers = {folders.Simulation().string()};
        Action("mLoadIni")->trigger();
        EXPECT_EQ(NewMessages(4), (std::vector<std::string>{"Allocating memory space...", "Loading data...",
                                                            "Loading system... Wait please...", "System loaded!"}));
    }
    void Key(Qt::Key key) { QTest::keyClick(window.get(), key); }
    // F9 until the engine reports "In communication...".
    void StartRunning() {
        Key(Qt::Key_F9);
        EXPECT_EQ(NewMessages(2), (std::vector<std::string>{"Running...", "In communication..."}));
    }
    TKRIXCommunicationThread* Engine() { return window->Controller().Engine(); }

    SteppingClock clock;
    ClockGuard clockGuard{clock};
    WindowFolders folders;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfFormMain> window;
    std::size_t seen = 0;
};
