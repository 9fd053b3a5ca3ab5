// The traffic log, "Actual requests" and the log's file through the real window: events handed in
// on another thread as the engine hands them, and the real engine's traffic over the fake link.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QTextCursor>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "EngineWindowFixture.h"
#include "HexText.h"
#include "RequestLoop.h"
#include "UnknownRequestAnswers.h"
#include "UnknownRequestsView.h"

namespace fs = std::filesystem;

namespace {

const std::string Blue = "#0000ff", Red = "#ff0000", SkyBlue = "#a6caf0", Green = "#008000", Lime = "#00ff00";

struct Event {
    const char* request;
    const char* answer;
    int kind;
    const char* info;
};

class TrafficLogTest : public EngineWindowTest {
protected:
    QTextEdit& Log() { return *Control<QTextEdit>(*window, "reOriglio"); }
    std::vector<std::string> ActualRequests() { return LinesOf(*Control<QPlainTextEdit>(*window, "reActualRequest")); }
    QString InfoPanel() { return Control<QLabel>(*window, "sbPanel1")->text(); }

    // The events from a thread of their own, as the engine's thread reports them.
    void Feed(const std::vector<Event>& events) {
        std::thread engineSide([&] {
            for (const Event& e : events) window->AddOriglioItem(e.request, e.answer, e.kind, e.info);
        });
        engineSide.join();
    }
    bool LogLines(std::size_t count) {
        return ProcessUntil([&] { return DrawnLines(Log()).size() >= count; });
    }
    // A single frame from the tester: the length byte, the message, the tester's filler.
    static void TesterSends(std::initializer_list<std::uint8_t> message) {
        std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(message.size())};
        frame.insert(frame.end(), message);
        frame.resize(8, 0x55);
        FakeLink_QueueRxFrame(frame.data(), static_cast<std::int32_t>(frame.size()));
    }
    // The text unrtf reads from a file in the given output form.
    static std::string Unrtf(const char* form, const fs::path& file) {
        const std::string program = TARVICO_UNRTF;
        if (program.empty()) {
            ADD_FAILURE() << "unrtf is not installed (scripts/install-deps.sh installs it)";
            return {};
        }
        const std::string command = program + " " + form + " '" + file.string() + "' 2>/dev/null";
        std::string out;
        if (FILE* pipe = ::popen(command.c_str(), "r")) {
            char buffer[4096];
            std::size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
            EXPECT_EQ(::pclose(pipe), 0) << command;
        }
        return out;
    }
};

// One event of each kind, and two the log does not show.
const std::vector<Event> EveryKind = {
    {"022101", "03610102", OriglioItemType::Answered, "PSI - Request 2101"},
    {"022299", "ignored", OriglioItemType::NotAnswered, ""},
    {"021a90", "035a9031", OriglioItemType::AutoAnswered, "Auto Answer"},
    {"041800ff00", "", OriglioItemType::NotSent, ""},
    {"041800ff00", "025800", OriglioItemType::Answered, "Fault reading - fault memory"},
    {"0100", "0140", 7, "not a kind the log shows"},
};

const std::vector<DrawnLine> EveryKindDrawn = {
    {"RX: 022101", Blue, false},      {"TX: 03610102", Green, false},
    {"RX: 022299", Red, true},        {"RX: 021a90", SkyBlue, false},
    {"TX: 035a9031", Lime, false},    {"RX: 041800ff00", Red, true},
    {"TX: Tx Timeout!", Red, true},   {"RX: 041800ff00", Blue, false},
    {"TX: 025800", Green, false},
};

} // namespace

TEST_F(TrafficLogTest, EachEventIsDrawnInTheColoursOfItsKind) {
    // All in one burst, faster than the window draws: every event is kept.
    Feed(EveryKind);
    ASSERT_TRUE(LogLines(EveryKindDrawn.size()));
    EXPECT_EQ(DrawnLines(Log()), EveryKindDrawn);
    // A request whose answer was not sent stays out of "Actual requests".
    EXPECT_EQ(ActualRequests(), (std::vector<std::string>{"02 21 01", "02 22 99", "02 1a 90", "04 18 00 ff 00"}));
    EXPECT_EQ(InfoPanel(), "Fault reading - fault memory");
    EXPECT_EQ(window->FaultReadingCount(), 1);
    EXPECT_EQ(window->LastTrafficKind(), 7);

    // "Clear" empties the log; lines always go to its end, whatever is selected.
    Log().selectAll();
    Action("mClearOriglio")->trigger();
    EXPECT_TRUE(Log().toPlainText().isEmpty());
    Feed({{"0101", "0141", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(2));
    EXPECT_EQ(Log().toPlainText(), "RX: 0101\nTX: 0141\n");
    EXPECT_EQ(InfoPanel(), "");
}

TEST_F(TrafficLogTest, TheOperatorCannotTypeIntoTheLogAndItKeepsNoUndoHistory) {
    Feed({{"0101", "0141", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(2));
    QTextEdit& log = Log();
    log.setFocus();
    log.moveCursor(QTextCursor::End);
    QTest::keyClicks(&log, "6203");
    QTest::keyClick(&log, Qt::Key_Return);
    QTest::keyClick(&log, Qt::Key_Backspace);
    QTest::keyClick(&log, Qt::Key_Z, Qt::ControlModifier);
    Feed({{"0102", "0142", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(4));
    EXPECT_EQ(log.toPlainText(), "RX: 0101\nTX: 0141\nRX: 0102\nTX: 0142\n");
    EXPECT_EQ(log.document()->availableUndoSteps(), 0);

    // Nor after "Clear": every line drawn later leaves no history behind.
    Action("mClearOriglio")->trigger();
    for (int i = 0; i < 3; ++i) Feed({{"0103", "0143", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(6));
    EXPECT_EQ(log.document()->availableUndoSteps(), 0);
    EXPECT_TRUE(log.isReadOnly());
}

TEST_F(TrafficLogTest, ActualRequestsHoldEachRequestOnceAndExpireOldestFirst) {
    Feed({{"0101", "0141", 0, ""}, {"0102", "0142", 0, ""}, {"0101", "0141", 0, ""}, {"0101", "0141", 0, ""}});
    ASSERT_TRUE(LogLines(8));
    EXPECT_EQ(ActualRequests(), (std::vector<std::string>{"01 02", "01 01"}));

    QSpinBox* timeout = Control<QSpinBox>(*window, "seResetTimeout");
    QTimer* expiry = Control<QTimer>(*window, "tTimerActualRequest");
    timeout->setValue(5);
    EXPECT_TRUE(expiry->isActive());
    EXPECT_EQ(expiry->interval(), 5000);
    EXPECT_EQ(window->Controller().Options().ResetTimeout, 5);
    window->tTimerActualRequestTimer();
    EXPECT_EQ(ActualRequests(), std::vector<std::string>{"01 01"});
    window->tTimerActualRequestTimer();
    window->tTimerActualRequestTimer();
    EXPECT_EQ(ActualRequests(), std::vector<std::string>{});
    timeout->setValue(0);
    EXPECT_FALSE(expiry->isActive());

    Feed({{"0103", "0143", 0, ""}});
    ASSERT_TRUE(LogLines(10));
    Action("mAcualRequestClear")->trigger();
    EXPECT_EQ(ActualRequests(), std::vector<std::string>{});
}

TEST_F(TrafficLogTest, ActualRequestsKeepTheOperatorsPlaceAsRequestsComeAndGo) {
    // A scan sends thousands of distinct requests: drawn anew at each one, the view jumped back to
    // its first line while the operator read it.
    std::vector<Event> events;
    std::vector<std::string> texts, expected;
    char text[8];
    for (int i = 0; i < 100; ++i) {
        std::snprintf(text, sizeof text, "22%04x", i);
        texts.push_back(text);
        expected.push_back(DividePacket(text));
    }
    for (const std::string& t : texts) events.push_back({t.c_str(), "62", 0, ""});
    Feed(events);
    ASSERT_TRUE(LogLines(200));
    auto& view = *Control<QPlainTextEdit>(*window, "reActualRequest");
    view.verticalScrollBar()->setValue(40);
    ASSERT_EQ(view.verticalScrollBar()->value(), 40);

    Feed({{texts[70].c_str(), "62", 0, ""}, {"22ffff", "62", 0, ""}});
    ASSERT_TRUE(LogLines(204));
    expected.erase(expected.begin() + 70);
    expected.push_back(DividePacket(texts[70]));
    expected.push_back("22 ff ff");
    EXPECT_EQ(ActualRequests(), expected);
    EXPECT_EQ(view.verticalScrollBar()->value(), 40);

    window->tTimerActualRequestTimer();
    expected.erase(expected.begin());
    EXPECT_EQ(ActualRequests(), expected);
    EXPECT_EQ(view.document()->availableUndoSteps(), 0);
}

TEST_F(TrafficLogTest, UntickingEnabledDropsNewEventsAndKeepsTheLog) {
    Feed({{"0101", "0141", 0, "Fault reading - a"}});
    ASSERT_TRUE(LogLines(2));
    QAction* enabled = Action("mOriglioEnabled");
    enabled->trigger();
    EXPECT_FALSE(enabled->isChecked());
    Feed({{"0102", "0142", 0, "Fault reading - b"}});
    enabled->trigger();
    Feed({{"0103", "0143", 0, ""}});
    ASSERT_TRUE(LogLines(4));
    EXPECT_EQ(Log().toPlainText(), "RX: 0101\nTX: 0141\nRX: 0103\nTX: 0143\n");
    EXPECT_EQ(ActualRequests(), (std::vector<std::string>{"01 01", "01 03"}));
    EXPECT_EQ(window->FaultReadingCount(), 1);
}

TEST_F(TrafficLogTest, TheEnginesTrafficReachesTheLogAndTheUnknownList) {
    LoadFixture();
    // Short automatic answers fit one frame.
    Control<QSpinBox>(*window, "seDefaultLenght")->setValue(4);
    StartRunning();

    TesterSends({0x21, 0x01});             // in the simulation
    TesterSends({0x22, 0x99});             // unknown: answered automatically (the fixture's AutoAnswer=1)
    ASSERT_TRUE(LogLines(4));
    const std::string echo = EchoAnswer("2299", EchoKind::AddAtIndex, 0, 4);
    const std::vector<DrawnLine> answered = {
        {"RX: 022101", Blue, false}, {"TX: 03610102", Green, false},
        {"RX: 022299", SkyBlue, false}, {"TX: 04" + echo, Lime, false}};
    EXPECT_EQ(DrawnLines(Log()), answered);

    // Without automatic answers an unknown request is only listed; one listed already stays as it
    // was first listed.
    Control<QCheckBox>(*window, "cbAutoAnswer")->click();
    EXPECT_EQ(Engine()->AutoAnswer.load(), 0);
    TesterSends({0x22, 0x98});
    TesterSends({0x22, 0x99});
    ASSERT_TRUE(LogLines(6));
    std::vector<DrawnLine> all = answered;
    all.push_back({"RX: 022298", Red, true});
    all.push_back({"RX: 022299", Red, true});
    EXPECT_EQ(DrawnLines(Log()), all);

    auto& view = *Control<UnknownRequestsView>(*window, UnknownRequestsName);
    ASSERT_TRUE(ProcessUntil([&] { return view.Model().rowCount() == 2; }));
    const std::vector<UnknownRequestRow> rows = view.Model().Rows();
    EXPECT_EQ(rows[0].Request, "22 99");
    EXPECT_EQ(rows[0].Answers, TStringList{DividePacket(echo)});
    EXPECT_EQ(rows[1].Request, "22 98");
    EXPECT_EQ(rows[1].Answers, TStringList{});
    // The fixture's options gave the list its columns: the request, then eight answers.
    EXPECT_EQ(view.Model().Headers(), UnknownRequestHeaders(8));
    EXPECT_EQ(view.Model().data(view.Model().index(0, 1), Qt::DisplayRole).toString().toStdString(), DividePacket(echo));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Open: INI files (*.ini)|*.ini|simul1.ini"});
}

TEST_F(TrafficLogTest, SaveToFileWritesPlainOrRichText) {
    Feed(EveryKind);
    ASSERT_TRUE(LogLines(EveryKindDrawn.size()));
    const fs::path folder = folders.MakeFolder("logs");
    const std::string dialog = "Save: Text files (*.txt)|*.txt|Rich Text Format (*.rtf)|*.rtf|.txt";

    std::string plain;
    for (const DrawnLine& line : EveryKindDrawn) plain += line.Text + "\r\n";
    for (const char* name : {"Origlio.txt", "UPPER.TXT"}) {
        dialogs.SaveAnswers = {(folder / name).string()};
        Action("mOriglioSave")->trigger();
        EXPECT_EQ(ReadBytes(folder / name), plain) << name;
    }

    // Any other name: rich text with the colours, as an independent reader sees it.
    dialogs.SaveAnswers = {(folder / "Origlio.rtf").string()};
    Action("mOriglioSave")->trigger();
    const std::string text = Unrtf("--text", folder / "Origlio.rtf");
    std::size_t at = 0;
    for (const DrawnLine& line : EveryKindDrawn) {
        const std::size_t found = text.find(line.Text + "\n", at);
        EXPECT_NE(found, std::string::npos) << line.Text << " in\n" << text;
        if (found != std::string::npos) at = found + line.Text.size();
    }
    const std::string html = Unrtf("--html", folder / "Origlio.rtf");
    for (const DrawnLine& line : EveryKindDrawn) {
        const std::string coloured = "<font color=\"" + line.Color + "\">" + (line.Bold ? "<b>" : "") + line.Text;
        EXPECT_NE(html.find(coloured), std::string::npos) << coloured << " in\n" << html;
    }
    // The log keeps its colours after a save.
    EXPECT_EQ(DrawnLines(Log()), EveryKindDrawn);

    // Cancel writes nothing; a folder that is not there is reported and leaves no file.
    dialogs.SaveAnswers = {std::nullopt, (folder / "missing" / "log.txt").string()};
    Action("mOriglioSave")->trigger();
    Action("mOriglioSave")->trigger();
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(boxes[i], dialog);
    EXPECT_EQ(boxes[5].rfind("Message: Cannot save file " + (folder / "missing" / "log.txt").string(), 0), 0u)
        << boxes[5];
    EXPECT_FALSE(fs::exists(folder / "missing"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++files;
    EXPECT_EQ(files, 3u); // no temporary file is left beside them
}

TEST(ActualRequestsTest, FollowsEveryRequestOnceTheLatestLastThroughLongRuns) {
    // Against the plain rule (an equal line leaves, the request goes last, the oldest expires),
    // over enough requests that the lines' slots are packed together many times.
    ActualRequests actual;
    std::vector<std::string> model;
    std::uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int step = 0; step < 20000; ++step) {
        const std::uint32_t r = next() >> 8;
        if (r % 7 == 0) {
            const bool removed = actual.RemoveOldest();
            ASSERT_EQ(removed, !model.empty()) << "step " << step;
            if (!model.empty()) model.erase(model.begin());
        } else if (r % 997 == 0) {
            actual.Clear();
            model.clear();
        } else {
            // Few distinct requests early, then a scan of new ones with repeats among them.
            const std::string request = std::to_string(step < 5000 ? r % 40 : r % 3000);
            const auto found = std::find(model.begin(), model.end(), request);
            const std::optional<std::size_t> row =
                found != model.end() ? std::optional<std::size_t>(found - model.begin()) : std::nullopt;
            if (found != model.end()) model.erase(found);
            model.push_back(request);
            ASSERT_EQ(actual.Add(request), row) << "step " << step;
        }
        ASSERT_EQ(actual.Size(), model.size()) << "step " << step;
        if (step % 500 == 0) {
            ASSERT_EQ(actual.Lines(), model) << "step " << step;
        }
    }
    EXPECT_EQ(actual.Lines(), model);
}
