#pragma once
// The real window with the real engine on its own thread against the fake link library: the
// fixture simulation loaded through the scripted open dialog, and the helpers that read the
// window's message list, buttons and log while its events keep flowing.
#include <QAction>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <string>

#include "ControllerTestSupport.h"
#include "FrameCodec.h"
#include "MainForm.h"
#include "UnknownRequestsView.h"
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
    // The drawn log's lines since the last call, once count lines have come.
    std::vector<std::string> NewLogLines(std::size_t count) {
        const auto& log = *Control<QAbstractItemView>(*window, "reOriglio");
        EXPECT_TRUE(ProcessUntil([&] { return DrawnLines(log).size() >= logSeen + count; }));
        std::vector<std::string> lines;
        const std::vector<DrawnLine> drawn = DrawnLines(log);
        for (std::size_t i = logSeen; i < drawn.size(); ++i) lines.push_back(drawn[i].Text);
        logSeen = drawn.size();
        return lines;
    }
    // A single frame from the tester, padded to the CAN frame's 8 bytes.
    static void TesterSends(std::initializer_list<std::uint8_t> message) {
        std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(message.size())};
        frame.insert(frame.end(), message);
        frame.resize(8, 0x55);
        FakeLink_QueueRxFrame(frame.data(), static_cast<std::int32_t>(frame.size()));
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
    // The answers the engine gives a request now: the live table's entry for its wire text.
    TStringList EngineAnswers(const std::string& request) {
        TBaseItem item(Engine()->Store().Limits());
        if (!Engine()->GetAnswerInto(PackFunction(request, 0), item)) return {"not answered"};
        TStringList answers;
        for (std::int32_t k = 0; k < item.AnswerCount; ++k) answers.push_back(item.Answers[static_cast<std::size_t>(k)].PlainText);
        return answers;
    }
    void ReplaceInSimulation(const std::string& from, const std::string& to) {
        std::string text = ReadBytes(folders.Simulation());
        ASSERT_NE(text.find(from), std::string::npos) << from;
        text.replace(text.find(from), from.size(), to);
        WriteBytes(folders.Simulation(), text);
    }
    // A row of the unknown requests dragged onto target and dropped there.
    void DropOn(QWidget& target, int row) {
        auto& list = *Control<UnknownRequestsView>(*window, UnknownRequestsName);
        list.Refresh();
        std::unique_ptr<QMimeData> data(list.Model().mimeData({list.Model().index(row, 0)}));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&target, &drop);
        EXPECT_TRUE(drop.isAccepted());
    }

    SteppingClock clock;
    ClockGuard clockGuard{clock};
    WindowFolders folders;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfFormMain> window;
    std::size_t seen = 0;
    std::size_t logSeen = 0;
};
