// The traffic log, "Actual requests" and the log's file through the real window: events handed in
// on another thread as the engine hands them, and the real engine's traffic over the fake link.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QSpinBox>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "DrawSpacing.h"
#include "EngineWindowFixture.h"
#include "HexText.h"
#include "RequestLoop.h"
#include "TrafficLogList.h"
#include "TrafficLogLines.h"
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
    QAbstractItemView& Log() { return *Control<QAbstractItemView>(*window, "reOriglio"); }
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
    EXPECT_EQ(LogText(Log()), "");
    Feed({{"0101", "0141", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(2));
    EXPECT_EQ(LogText(Log()), "RX: 0101\nTX: 0141\n");
    EXPECT_EQ(InfoPanel(), "");
}

TEST_F(TrafficLogTest, TheOperatorCannotTypeIntoTheLogNorOpenALineForEditing) {
    Feed({{"0101", "0141", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(2));
    QAbstractItemView& log = Log();
    log.setFocus();
    log.setCurrentIndex(log.model()->index(1, 0));
    QTest::keyClicks(&log, "6203");
    QTest::keyClick(&log, Qt::Key_Return);
    QTest::keyClick(&log, Qt::Key_Backspace);
    QTest::keyClick(&log, Qt::Key_Delete);
    QTest::keyClick(&log, Qt::Key_Z, Qt::ControlModifier);
    Feed({{"0102", "0142", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(4));
    EXPECT_EQ(LogText(log), "RX: 0101\nTX: 0141\nRX: 0102\nTX: 0142\n");

    // Nor after "Clear": the lines drawn later are the traffic's, and none opens for editing.
    Action("mClearOriglio")->trigger();
    for (int i = 0; i < 3; ++i) Feed({{"0103", "0143", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(6));
    EXPECT_EQ(log.editTriggers(), QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < log.model()->rowCount(); ++r)
        EXPECT_FALSE(log.model()->flags(log.model()->index(r, 0)) & Qt::ItemIsEditable);
}

TEST_F(TrafficLogTest, ALogAtItsEndFollowsNewLinesAndOneScrolledUpStays) {
    std::vector<Event> events;
    for (int i = 0; i < 100; ++i) events.push_back({"0101", "0141", OriglioItemType::Answered, ""});
    Feed(events);
    ASSERT_TRUE(LogLines(200));
    QAbstractItemView& log = Log();
    QScrollBar& bar = *log.verticalScrollBar();
    ASSERT_GT(bar.maximum(), 0);
    EXPECT_EQ(bar.value(), bar.maximum());

    Feed({{"0102", "0142", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(202));
    EXPECT_EQ(bar.value(), bar.maximum());
    EXPECT_EQ(log.indexAt(log.visualRect(log.model()->index(201, 0)).center()).row(), 201); // in sight

    bar.setValue(10);
    Feed({{"0103", "0143", OriglioItemType::Answered, ""}});
    ASSERT_TRUE(LogLines(204));
    EXPECT_EQ(bar.value(), 10);
    EXPECT_EQ(log.indexAt(QPoint(20, LogMarginPixels + 1)).row(), 10);
}

TEST_F(TrafficLogTest, SelectedLinesAreCopiedAsText) {
    Feed({{"0101", "0141", OriglioItemType::Answered, ""}, {"0102", "", OriglioItemType::NotAnswered, ""}});
    ASSERT_TRUE(LogLines(3));
    QAbstractItemView& log = Log();
    const QAbstractItemModel& model = *log.model();
    log.selectionModel()->select(QItemSelection(model.index(1, 0), model.index(2, 0)), QItemSelectionModel::Select);
    log.selectionModel()->select(model.index(0, 0), QItemSelectionModel::Select);
    log.setFocus();
    QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "RX: 0101\nTX: 0141\nRX: 0102");
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
    EXPECT_EQ(LogText(Log()), "RX: 0101\nTX: 0141\nRX: 0103\nTX: 0143\n");
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

TEST_F(TrafficLogTest, TheSavedFilesHoldExactlyTheLinesInTheirFontSizeAndColours) {
    Feed(EveryKind);
    ASSERT_TRUE(LogLines(EveryKindDrawn.size()));
    const fs::path folder = folders.MakeFolder("exact");
    dialogs.SaveAnswers = {(folder / "Origlio.txt").string(), (folder / "Origlio.rtf").string()};
    Action("mOriglioSave")->trigger();
    Action("mOriglioSave")->trigger();

    std::string plain;
    for (const DrawnLine& line : EveryKindDrawn) plain += line.Text + "\r\n";
    EXPECT_EQ(ReadBytes(folder / "Origlio.txt"), plain);

    // Courier New of 13 pixels is 20 half points; the colours in the order the lines first use them.
    const std::vector<std::string> colours = {Blue, Green, Red, SkyBlue, Lime};
    std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier New;}}\r\n"
                      "{\\colortbl ;\\red0\\green0\\blue255;\\red0\\green128\\blue0;\\red255\\green0\\blue0;"
                      "\\red166\\green202\\blue240;\\red0\\green255\\blue0;}\r\n\\pard\\plain\r\n";
    for (const DrawnLine& line : EveryKindDrawn) {
        const auto colour = std::find(colours.begin(), colours.end(), line.Color) - colours.begin() + 1;
        rtf += "{\\f0\\fs20\\cf" + std::to_string(colour) + (line.Bold ? "\\b" : "") + " " + line.Text + "}\\par\r\n";
    }
    rtf += "}\r\n";
    EXPECT_EQ(ReadBytes(folder / "Origlio.rtf"), rtf);
    EXPECT_EQ(Boxes().size(), 2u); // the two save dialogs
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

TEST(LogLineStoreTest, TextsOfEveryLengthComeBackAcrossTheirBlocks) {
    // Short lines fill a block to its last byte; a line longer than a block takes one of its own.
    struct Case {
        std::size_t length;
        LogLineStyle style;
    };
    const std::vector<Case> cases = {
        {10, LogLineStyle::RequestStored},     {0, LogLineStyle::AnswerStored},
        {LogTextBlockBytes - 10, LogLineStyle::RequestAuto}, {1, LogLineStyle::AnswerAuto},
        {LogTextBlockBytes, LogLineStyle::RequestFailed},    {LogTextBlockBytes + 1, LogLineStyle::AnswerFailed},
        {3 * LogTextBlockBytes, LogLineStyle::RequestStored}, {5, LogLineStyle::AnswerStored},
    };
    LogLineStore store;
    std::vector<std::string> texts;
    for (std::size_t round = 0; round < 3; ++round)
        for (std::size_t c = 0; c < cases.size(); ++c) {
            std::string text(cases[c].length, '\0');
            for (std::size_t k = 0; k < text.size(); ++k) text[k] = static_cast<char>('a' + (k + c + round) % 26);
            store.Append(text, cases[c].style);
            texts.push_back(std::move(text));
        }
    ASSERT_EQ(store.Size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(store.Text(i), texts[i]) << "line " << i;
        EXPECT_EQ(store.Style(i), cases[i % cases.size()].style) << "line " << i;
    }
    EXPECT_EQ(store.LongestText(), 3 * LogTextBlockBytes);

    // The lines' records run into blocks of their own as well.
    const std::size_t before = store.Size();
    for (std::size_t i = 0; i < 2 * LogLineBlockLines + 3; ++i)
        store.Append(std::to_string(i), i % 2 == 0 ? LogLineStyle::RequestStored : LogLineStyle::AnswerAuto);
    for (std::size_t i : {std::size_t{0}, LogLineBlockLines - 1, LogLineBlockLines, 2 * LogLineBlockLines + 2}) {
        EXPECT_EQ(store.Text(before + i), std::to_string(i));
        EXPECT_EQ(store.Style(before + i), i % 2 == 0 ? LogLineStyle::RequestStored : LogLineStyle::AnswerAuto);
    }
    EXPECT_EQ(store.Text(before - 1), texts.back());

    store.Clear();
    EXPECT_EQ(store.Size(), 0u);
    EXPECT_EQ(store.LongestText(), 0u);
    store.Append("RX: 0101", LogLineStyle::RequestStored);
    EXPECT_EQ(store.Size(), 1u);
    EXPECT_EQ(store.Text(0), "RX: 0101");
}

TEST(DrawSpacingTest, DrawingsFollowAPauseAtOnceAndAStreamAtTheSpacing) {
    struct Case {
        std::optional<std::uint64_t> lastDrawn;
        std::uint64_t now;
        std::uint32_t soonest;
        std::uint32_t delay;
    };
    const std::vector<Case> cases = {
        {std::nullopt, 5000, TrafficTimerMs, TrafficTimerMs}, // the first event
        {1000, 1000 + DrawSpacingMs, TrafficTimerMs, TrafficTimerMs},
        {1000, 1000 + 5 * DrawSpacingMs, 0, 0},                 // after a pause
        {1000, 1000, TrafficTimerMs, DrawSpacingMs},            // right after a drawing
        {1000, 1005, 0, DrawSpacingMs - 5},
        {1000, 1000 + DrawSpacingMs - 1, TrafficTimerMs, TrafficTimerMs},
        {1000, 999, TrafficTimerMs, TrafficTimerMs},            // a clock that went back
    };
    for (const Case& c : cases) {
        DrawSpacing spacing;
        if (c.lastDrawn) spacing.Drawn(*c.lastDrawn);
        EXPECT_EQ(spacing.DelayMs(c.now, c.soonest), c.delay) << "now " << c.now;
    }
}
