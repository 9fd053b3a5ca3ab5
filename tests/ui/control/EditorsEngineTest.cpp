// The two editors' models on a simulation loaded by the controller into the real engine on its
// own thread, against the fake link library: the engine runs an edited activation under its new
// name, and a load, edits, "Save" and a second load give every edit back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "ActivationEditor.h"
#include "ControllerTestSupport.h"
#include "EngineEditing.h"
#include "ErrorRequests.h"
#include "SimulationController.h"
#include "fixtures/FakeLinkCalls.h"
#include "fixtures/RecordingReporter.h"
#include "fixtures/SimulationFolder.h"
#include "fixtures/SteppingClock.h"
#include "fixtures/WaitUntil.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path Fixture = fs::path(TARVICO_UI_FIXTURES) / "simulation";
constexpr std::int32_t IntraFrameDefault = 100;
constexpr std::size_t CanFrameBytes = 8;

// The traffic log with its info texts: "request>answer:kind|info".
class TrafficEvents final : public EngineEvents {
public:
    void OnThreadStatus(std::int32_t) override {}
    void AddOriglioItem(const std::string& request, const std::string& answer, int kind,
                        const std::string& info) override {
        std::lock_guard lock(mutex_);
        log_.push_back(request + ">" + answer + ":" + std::to_string(kind) + "|" + info);
    }
    void AddUnknownRequest(const TBaseItem&) override {}
    std::optional<TStringList> GetUnknownAnswer(const std::string&) override { return std::nullopt; }

    std::vector<std::string> Log() const {
        std::lock_guard lock(mutex_);
        return log_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> log_;
};

// A single CAN frame from the tester (pack pair 1: the length byte, then the message).
void TesterSends(std::initializer_list<std::uint8_t> message) {
    std::vector<std::uint8_t> frame{static_cast<std::uint8_t>(message.size())};
    frame.insert(frame.end(), message);
    frame.resize(CanFrameBytes, 0);
    FakeLink_QueueRxFrame(frame.data(), static_cast<std::int32_t>(frame.size()));
}

class EditorsEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeLink_Reset();
        folder.CopySimulation(Fixture);
        program = folder.MakeProgramFolder("program", TARVICO_FAKELINK_DIR);
        controller = std::make_unique<SimulationController>(program.string(), "Tarvico", dialogs, window, events);
    }
    void TearDown() override {
        Unbind();
        controller.reset();
        FakeLink_Reset();
    }

    fs::path SimulationPath() const { return folder.Root() / "simul1.ini"; }

    // The load, until the engine is ready; then editors on what it loaded.
    void LoadAndBind() {
        Unbind();
        ASSERT_TRUE(controller->LoadFile(SimulationPath().string()));
        TKRIXCommunicationThread* e = controller->Engine();
        ASSERT_NE(e, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return e->Status() == SimulatorStatus::Ready; }));
        engine = std::make_unique<EngineEditCallsOf<TKRIXCommunicationThread>>(*e);
        auto show = [this](const std::string& text) { boxes.push_back(text); };
        errors = std::make_unique<ErrorRequestsEditor>(*controller->SimulationFile(), *engine, controller->View(),
                                                       controller->MultiAnswerNum(), IntraFrameDefault, show);
        activations = std::make_unique<ActivationEditor>(*controller->SimulationFile(), *engine,
                                                         controller->View().Activations, IntraFrameDefault, show);
        errors->ShowTab(0);
        ASSERT_TRUE(activations->Show());
    }
    void Unbind() {
        activations.reset();
        errors.reset();
        engine.reset();
    }

    // The tester's frames queued, the engine started until it logged that many events, stopped.
    std::vector<std::string> Exchange(const std::function<void()>& frames, std::size_t events) {
        TKRIXCommunicationThread& e = *controller->Engine();
        const std::size_t before = traffic().size();
        frames();
        EXPECT_TRUE(e.Start());
        EXPECT_TRUE(WaitUntil([&] { return traffic().size() >= before + events; }));
        EXPECT_TRUE(e.Stop());
        EXPECT_TRUE(WaitUntil([&] { return e.Status() == SimulatorStatus::Ready; }));
        const std::vector<std::string> all = traffic();
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    }
    std::vector<std::string> traffic() const { return events.Log(); }

    SteppingClock clock;
    ClockGuard clockGuard{clock};
    RecordingReporter reporter;
    SimulationFolder folder;
    fs::path program;
    ScriptedDialogs dialogs;
    RecordingWindow window;
    TrafficEvents events;
    std::unique_ptr<SimulationController> controller;
    std::unique_ptr<EngineEditCalls> engine;
    std::unique_ptr<ErrorRequestsEditor> errors;
    std::unique_ptr<ActivationEditor> activations;
    std::vector<std::string> boxes;
};

} // namespace

TEST_F(EditorsEngineTest, TheEngineRunsTheEditedActivationUnderItsNewName) {
    LoadAndBind();
    // Fuel pump: 3001, then 3002 three times, then 3003. Renamed, one 3002 fewer, 3003 answered anew.
    activations->SetName("Fuel pump 2");
    activations->SelectRow(3);
    activations->DeleteRows({3});
    activations->SelectRow(3);
    activations->SelectAnswer(0);
    ASSERT_TRUE(activations->EditAnswer("70 05"));
    EXPECT_EQ(boxes, std::vector<std::string>{});
    EXPECT_EQ(controller->Engine()->Store().EditActivations().Count, 1);

    const std::vector<std::string> log = Exchange(
        [] {
            TesterSends({0x30, 0x01});
            TesterSends({0x30, 0x02});
            TesterSends({0x30, 0x02});
            TesterSends({0x30, 0x03});
        },
        6);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "023001>027001:0|Activation - Fuel pump 2",
                       "023002>027002:0|Activation - Fuel pump 2",
                       "023002>027003:0|Activation - Fuel pump 2",
                       "023002>027002:0|Activation - Fuel pump 2",
                       "023002>027003:0|Activation - Fuel pump 2",
                       "023003>027005:0|Activation - Fuel pump 2",
                   }));
    EXPECT_EQ(reporter.Texts(), std::vector<std::string>{});
}

TEST_F(EditorsEngineTest, LoadEditSaveAndReloadGiveEveryEditBack) {
    LoadAndBind();
    // ERROR_1: description and an answer edited, "Two errors" chosen; a dropped request as ERROR_3.
    errors->SetDescription("Fault memory, edited");
    errors->SetCell(1, 1, "58 01 01 24 e0");
    errors->SelectColumn(2);
    ASSERT_TRUE(errors->Drop("18 03 ff 00", {"58 01 04 56 e0"}));
    const ErrorPage dropped = errors->Page();
    errors->ChangeTab(0);
    const ErrorPage first = errors->Page();
    EXPECT_EQ(first.Description, "Fault memory, edited");
    EXPECT_EQ(first.Columns[1][0], "58 01 01 24 e0");

    // The activation: renamed, a step inserted, and a second activation made with "New".
    activations->SetName("Fuel pump 2");
    activations->SelectRow(0);
    activations->InsertRow();
    ASSERT_TRUE(activations->EditRequest("30 00"));
    activations->SelectAnswer(0);
    ASSERT_TRUE(activations->EditAnswer("70 00"));
    const std::vector<ActivationRow> fuelPump = activations->Rows();
    ASSERT_TRUE(activations->New());
    ASSERT_TRUE(activations->Drop("31 01", {"71 01"}));
    activations->SetName("Second");
    // As the window stores before Save: the row "New" made, never typed, is no step and goes.
    ASSERT_TRUE(activations->Flush());
    const std::vector<ActivationRow> second = activations->Rows();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].Request, "31 01");
    // The rows the editor made carry the intra-frame default: nothing to complain of.
    EXPECT_EQ(boxes, std::vector<std::string>{});

    ASSERT_TRUE(controller->Save());
    LoadAndBind();
    EXPECT_EQ(dialogs.Boxes, std::vector<std::string>{});
    EXPECT_EQ(errors->Page(), first);
    errors->ChangeTab(2);
    EXPECT_EQ(errors->Page(), dropped);
    EXPECT_EQ(controller->View().ErrorTabs.size(), 3u);

    EXPECT_EQ(controller->View().Activations, (ActivationSelector{1, 2, 1}));
    EXPECT_EQ(activations->Name(), "Fuel pump 2");
    EXPECT_EQ(activations->Rows(), fuelPump);
    ASSERT_TRUE(activations->MoveTo(2));
    EXPECT_EQ(activations->Name(), "Second");
    EXPECT_EQ(activations->Rows(), second);
    EXPECT_EQ(boxes, std::vector<std::string>{});

    // The engine holds both activations under their names, the fault readings as they were saved.
    const TActivations& table = controller->Engine()->Store().EditActivations();
    ASSERT_EQ(table.Count, 2);
    std::vector<std::string> names{table.Items[0].Name, table.Items[1].Name};
    std::sort(names.begin(), names.end()); // a store registers its activation anew, at the end
    EXPECT_EQ(names, (std::vector<std::string>{"Fuel pump 2", "Second"}));
    TAnsReqItem* dropEntry = controller->Engine()->RequestIndex("041803ff00", 1);
    ASSERT_NE(dropEntry, nullptr);
    EXPECT_EQ(dropEntry->Type, RequestType::FaultReading);
}

// Edits that need more room than the load gave, made while the engine runs: more steps than the
// longest activation had, more activations than the file counted, an answer longer than any it
// held. The engine's tables grow under it and answer every edit at once; saved and loaded again,
// the engine answers the same.
TEST_F(EditorsEngineTest, EditsBeyondTheLoadsRoomGoThroughWhileTheEngineRuns) {
    LoadAndBind();
    TKRIXCommunicationThread& e = *controller->Engine();
    const TStoreLimits loaded = e.Store().Limits();
    ASSERT_TRUE(e.Start());
    ASSERT_TRUE(WaitUntil([&] { return e.Status() == SimulatorStatus::Running; }));

    for (const char* request : {"30 04", "30 05", "30 06", "30 07"})
        ASSERT_TRUE(activations->Drop(request, {"70 09"})) << request << ": " << (boxes.empty() ? "" : boxes.back());
    for (const char* name : {"Second", "Third"}) {
        ASSERT_TRUE(activations->New());
        activations->SetName(name);
        const std::string first = name == std::string("Second") ? "31" : "32";
        ASSERT_TRUE(activations->EditRequest(first + " 01"));
        activations->InsertAnswer();
        ASSERT_TRUE(activations->EditAnswer(first == "31" ? "71 01" : "72 01"));
        ASSERT_TRUE(activations->Drop(first + " 02", {first == "31" ? "71 02" : "72 02"}));
    }
    std::string longAnswer = "6101";
    for (int k = 0; k < 38; ++k) longAnswer += "5a";
    const TStringList answers{longAnswer};
    // As the PSI page writes it: the engine at once, the file when the group is left.
    ASSERT_TRUE(engine->UpdateRequest("2101", &answers, ""));
    controller->SimulationFile()->WriteString("ANSWER2", "A", longAnswer);
    EXPECT_EQ(boxes, std::vector<std::string>{});
    const TStoreLimits grown = e.Store().Limits();
    EXPECT_GT(grown.ActAnsMaxCount, loaded.ActAnsMaxCount);
    EXPECT_GT(grown.ActMaxCount, loaded.ActMaxCount);
    EXPECT_GT(grown.MaxAnsLen, loaded.MaxAnsLen);

    const std::size_t before = traffic().size();
    for (std::uint8_t k = 1; k <= 7; ++k) TesterSends({0x30, k});
    TesterSends({0x31, 0x01});
    TesterSends({0x31, 0x02});
    TesterSends({0x32, 0x01});
    TesterSends({0x32, 0x02});
    ASSERT_TRUE(WaitUntil([&] { return traffic().size() >= before + 12; }));
    EXPECT_TRUE(e.Stop());
    ASSERT_TRUE(WaitUntil([&] { return e.Status() == SimulatorStatus::Ready; }));
    const std::vector<std::string> all = traffic();
    const std::vector<std::string> log(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    EXPECT_EQ(log, (std::vector<std::string>{
                       "023001>027001:0|Activation - Fuel pump",
                       "023002>027002:0|Activation - Fuel pump",
                       "023002>027003:0|Activation - Fuel pump",
                       "023003>027004:0|Activation - Fuel pump",
                       "023004>027009:0|Activation - Fuel pump",
                       "023005>027009:0|Activation - Fuel pump",
                       "023006>027009:0|Activation - Fuel pump",
                       "023007>027009:0|Activation - Fuel pump",
                       "023101>027101:0|Activation - Second",
                       "023102>027102:0|Activation - Second",
                       "023201>027201:0|Activation - Third",
                       "023202>027202:0|Activation - Third",
                   }));
    TBaseItem item{loaded};
    ASSERT_TRUE(e.GetAnswerInto("022101", item));
    ASSERT_EQ(item.AnswerCount, 1);
    EXPECT_EQ(item.Answers[0].PlainText, longAnswer);

    ASSERT_TRUE(controller->Save());
    LoadAndBind();
    EXPECT_EQ(dialogs.Boxes, std::vector<std::string>{});
    TKRIXCommunicationThread& reloaded = *controller->Engine();
    for (const auto& [request, answer] :
         std::vector<std::pair<std::string, std::string>>{{"023001", "7001"}, {"023007", "7009"}, {"023101", "7101"},
                                                          {"023202", "7202"}, {"022101", longAnswer}}) {
        TBaseItem found{loaded};
        ASSERT_TRUE(reloaded.GetAnswerInto(request, found)) << request;
        EXPECT_EQ(found.Answers[0].PlainText, answer) << request;
    }
    EXPECT_EQ(boxes, std::vector<std::string>{});
}
