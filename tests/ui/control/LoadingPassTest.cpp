// The loading pass over the engine's request store (without the engine's thread): the
// registrations in their order, the views it builds, and its failures with what stays after them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControllerTestSupport.h"
#include "FrameCodec.h"
#include "IniFile.h"
#include "LoadingPass.h"
#include "SizingPass.h"
#include "StoreOperations.h"

namespace {

class RecordingHost final : public LoadingHost {
public:
    void Pump() override { ++Pumps; }
    void ShowMessage(const std::string& text) override { Boxes.push_back(text); }
    int Pumps = 0;
    std::vector<std::string> Boxes;
};

std::string LoadFailure(const std::string& message) {
    return LoadingFailurePrefix + message + LoadingFailureSuffix;
}

class LoadingPassTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectCodec(&codec, 2); // wire text = plain text
        TStoreLimits limits;
        limits.MaxReqLen = limits.MaxAnsLen = limits.MaxDescrLen = 100;
        limits.MaxReqCount = 50;
        store.CreateStructures(limits);
    }
    void TearDown() override { ClearCodec(&codec); }

    bool Load(const std::string& text) {
        file.SetText(text);
        return LoadData(file, registrar, host, view);
    }
    bool LoadFixture() {
        TMemIniFile fixture(TARVICO_UI_FIXTURES "/simulation/simul1.ini");
        return LoadData(fixture, registrar, host, view);
    }

    TCodecContext codec;
    TRequestStore store;
    std::vector<std::string> lines; // every registration, as RegistrationLine writes it
    RegistrarOf<TRequestStore> registrar{store, [this](const Registration& r) { lines.push_back(RegistrationLine(r)); }};
    RecordingHost host;
    TMemIniFile file;
    SimulationView view;
};

AnswerNode Answer(const std::string& caption, std::optional<TStringList> bytes) { return {caption, std::move(bytes)}; }

} // namespace

TEST_F(LoadingPassTest, FixtureRegistersEverythingInOrder) {
    ASSERT_TRUE(LoadFixture());
    EXPECT_EQ(host.Boxes, std::vector<std::string>{});
    EXPECT_EQ(lines, FixtureRegistrations());

    // The store: 8 entries plus the activation's three requests; the activation's steps follow
    // its starting request, the repeated one three times.
    EXPECT_EQ(store.EditRequests().Count, 11);
    const TActivations& activations = store.EditActivations();
    ASSERT_EQ(activations.Count, 1);
    EXPECT_EQ(activations.Items[0].Name, "Fuel pump");
    ASSERT_EQ(activations.Items[0].Count, 4);
    const char* steps[] = {"3002", "3002", "3002", "3003"};
    for (int s = 0; s < 4; ++s) EXPECT_EQ(activations.Items[0].Steps[s].PlainText, steps[s]) << s;
}

TEST_F(LoadingPassTest, FixtureViews) {
    ASSERT_TRUE(LoadFixture());
    const TStringList none;
    const std::vector<RequestGroup> tree = {
        {GroupKind::TesterPresent, 0, "Tester present", "3e 00", {Answer("7e 00", TStringList(2))}},
        {GroupKind::EndCommunication, 0, "End Communication", "82", {Answer("c2", TStringList(1))}},
        {GroupKind::EcuActivation, 0, "ECU Activation", "81", {Answer("c1 ef 8f", TStringList(3))}},
        {GroupKind::Request, 1, "VIN", "1a 90",
         {Answer("5a 90 31 32 33", TStringList{"Service", "Identifier", "First digit of the VIN", "", ""}),
          Answer("5a 90 34 35 36", TStringList{"Service", "", "", "", ""}),
          Answer("5a 90 37 38 39", TStringList(5))}},
        {GroupKind::Request, 2, "Request 2101", "21 01", {Answer("61 01 02", TStringList{"", "Value", ""})}},
        {GroupKind::Request, 3, "Engine speed", "21 02", {Answer("61 02 aa", TStringList(3))}},
    };
    ASSERT_EQ(view.Tree.size(), tree.size());
    for (std::size_t g = 0; g < tree.size(); ++g) EXPECT_EQ(view.Tree[g], tree[g]) << "group " << g;

    EXPECT_EQ(view.ErrorTabs, (std::vector<FaultTab>{{1, "ERROR_1"}, {2, "ERROR_2"}}));
    EXPECT_EQ(view.SelectedErrorTab, 0);
    EXPECT_EQ(view.ColumnChoice, (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(view.Activations, (ActivationSelector{1, 1, 1}));
    // Once at the start, per request entry (3) and lettered answer tried (3), fault entry (2),
    // fixed exchange (3) and activation step (3).
    EXPECT_EQ(host.Pumps, 1 + 3 + 3 + 2 + 3 + 3);
}

TEST_F(LoadingPassTest, FailuresEndThePassAndKeepWhatCameBefore) {
    struct Case {
        const char* name;
        std::string text;
        std::string box;
        std::size_t registrations;
        std::size_t groups;
    } cases[] = {
        {"missing request",
         "[NREQUEST]\nN=5\n[REQUEST1]\nR=21\n[ANSWER1]\nA=61\n[REQUEST2]\nR=22\n[ANSWER2]\nA=62\n[REQUEST3]\n"
         "[ANSWER3]\nA=63\n[ERROR_10]\nR=18\nA_1=58\n[TESTER_PRESENT]\nR=3e\nA=7e\n",
         LoadFailure("Section [REQUEST3] error!!\nAnswer or request not exists!"), 2, 2},
        {"missing first answer", "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\n",
         LoadFailure("Section [REQUEST1] error!!\nAnswer or request not exists!"), 0, 0},
        {"request stored twice",
         "[NREQUEST]\nN=2\n[REQUEST1]\nR=2101\n[ANSWER1]\nA=61\n[REQUEST2]\nR=2101\n[ANSWER2]\nA=62\n",
         LoadFailure("Request 2101 in section [REQUEST2] already exists!!\nRemove it from ini file!"), 2, 2},
        {"request whose wire text begins with a stored one",
         "[NREQUEST]\nN=2\n[REQUEST1]\nR=21\n[ANSWER1]\nA=61\n[REQUEST2]\nR=2101\n[ANSWER2]\nA=62\n",
         LoadFailure("Request 2101 in section [REQUEST2] already exists!!\nRemove it from ini file!"), 2, 2},
        {"odd digits in a request", "[NREQUEST]\nN=1\n[REQUEST1]\nR=210\n[ANSWER1]\nA=61\n",
         LoadFailure("DividePacket (210) Error: Odd number of digits!"), 0, 1},
        {"odd digits in an answer", "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\n[ANSWER1]\nA=610\n",
         LoadFailure("DividePacket (610) Error: Odd number of digits!"), 0, 1},
        {"fault-reading request refused", "[ERROR_10]\nA_1=58\n",
         LoadFailure("Fault Reading request  not added!"), 1, 0},
        {"fault-reading column without answers", "[ERROR_10]\nR=18\n",
         LoadFailure("Fault Reading request 18 not added!"), 1, 0},
        {"overlong description", "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nD=" + std::string(101, 'd') + "\n[ANSWER1]\nA=61\n",
         LoadFailure("AddRequest (D=" + std::string(101, 'd') + ",R=21):\nOverlong Request description!"), 1, 1},
    };
    for (const Case& c : cases) {
        SetUp();
        lines.clear();
        host.Boxes.clear();
        view = SimulationView{};
        EXPECT_FALSE(Load(c.text)) << c.name;
        EXPECT_EQ(host.Boxes, std::vector<std::string>{c.box}) << c.name;
        EXPECT_EQ(lines.size(), c.registrations) << c.name;
        EXPECT_EQ(view.Tree.size(), c.groups) << c.name; // no fixed exchange after a failure
        for (const RequestGroup& g : view.Tree) EXPECT_EQ(g.Kind, GroupKind::Request) << c.name;
    }
}

TEST_F(LoadingPassTest, AFullRequestTableEndsThePassWithTheEnginesMessage) {
    TStoreLimits limits;
    limits.MaxReqCount = 2;
    store.CreateStructures(limits);
    EXPECT_FALSE(Load("[NREQUEST]\nN=3\n[REQUEST1]\nR=21\n[ANSWER1]\nA=61\n[REQUEST2]\nR=22\n[ANSWER2]\nA=62\n"
                      "[REQUEST3]\nR=23\nD=third\n[ANSWER3]\nA=63\n"));
    EXPECT_EQ(host.Boxes,
              std::vector<std::string>{LoadFailure(
                  "AddRequest (D=third,R=23):\nNo more space for new request! Increase MaxReqCount in settings.ini!")});
}

TEST_F(LoadingPassTest, EachFixedExchangeHasItsOwnGuardAndItsRoot) {
    // Tester present fails in the store, end of communication is missing (refused without a
    // message), the ECU activation is taken.
    ASSERT_TRUE(Load("[PROTOCOL]\nACTIVATION_REQUEST=81\nACTIVATION_ANSWER=C1\n[TESTER_PRESENT]\nR=3E0\nA=7E00\n"));
    EXPECT_EQ(host.Boxes, std::vector<std::string>{std::string(TesterPresentGuard) +
                                                   "AddRequest (D=Tester present,R=3e0):\n"
                                                   "Invalid request value! Odd number of digits!"});
    const std::vector<RequestGroup> tree = {
        {GroupKind::TesterPresent, 0, "Tester present", "", {Answer("", std::nullopt)}},
        {GroupKind::EndCommunication, 0, "End Communication", "", {Answer("", std::nullopt)}},
        {GroupKind::EcuActivation, 0, "ECU Activation", "81", {Answer("c1", TStringList(1))}},
    };
    EXPECT_EQ(view.Tree, tree);
    EXPECT_EQ(view.ErrorTabs, std::vector<FaultTab>{});
    EXPECT_EQ(view.SelectedErrorTab, -1);
    EXPECT_EQ(view.Activations, (ActivationSelector{1, 0, 1}));
}

TEST_F(LoadingPassTest, FaultEntriesStopAtTheFirstMissingOne) {
    ASSERT_TRUE(Load("[ERROR_10]\nR=1801\nA_1=58\n[ERROR_20]\nR=1802\nA_1=58\n[ERROR_40]\nR=1804\nA_1=58\n"));
    EXPECT_EQ(view.ErrorTabs, (std::vector<FaultTab>{{1, "ERROR_1"}, {2, "ERROR_2"}}));
    EXPECT_EQ(view.ColumnChoice.size(), 3u);
}

TEST_F(LoadingPassTest, RepetitionsRegisterAStepThatOftenOrNotAtAll) {
    ASSERT_TRUE(Load("[NACTIVATION]\nN=1\n[ACTIVATION_1]\nR1=31\nA1_1=71\nR2=32\nRepetition_Number2=25\n"
                     "R3=33\nA3_1=73\nRepetition_Number3=0\nR4=34\nA4_1=74\n"));
    std::vector<std::string> expected = {"A ACTIVATION_1 31 [71] ACTIVATION_1 = 1"};
    for (int r = 0; r < 20; ++r) expected.push_back("A ACTIVATION_1 32 [] ACTIVATION_1 = 1"); // A2_1 missing: empty
    expected.push_back("A ACTIVATION_1 34 [74] ACTIVATION_1 = 1");
    const std::size_t fixed = 3;
    ASSERT_EQ(lines.size(), fixed + expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + fixed, lines.end()), expected);
}

// What the sizing pass counts is room enough for everything the loading pass registers, at the
// tightest factor (1: one spare slot per limit) and for each kind of entry.
TEST_F(LoadingPassTest, TheSizingPassLeavesRoomForEveryRegistration) {
    std::string tenAndFive = "[NREQUEST]\nN=10\n";
    for (int i = 1; i <= 10; ++i)
        tenAndFive += "[REQUEST" + std::to_string(i) + "]\nR=22" + std::to_string(1000 + i) + "\n[ANSWER" +
                      std::to_string(i) + "]\nA=62\n";
    for (int n = 1; n <= 5; ++n)
        tenAndFive += "[ERROR_" + std::to_string(n) + "0]\nR=18" + std::to_string(10 + n) + "\nA_1=58\n";
    std::string lettered = "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nMA=Y\n[ANSWER1]\nA=61\n";
    for (char letter = 'A'; letter <= 'Z'; ++letter) lettered += std::string("[ANSWER1") + letter + "]\nA=6101\n";
    const struct {
        const char* name;
        std::string text;
    } files[] = {
        {"fixture", ReadBytes(TARVICO_UI_FIXTURES "/simulation/simul1.ini")},
        {"ten requests and five fault entries", tenAndFive},
        {"the fixed exchanges only", "[END_COMMUNICATION]\nR=82\nA=c2\n[TESTER_PRESENT]\nR=3e\nA=7e\n"},
        {"every lettered answer", lettered},
        {"a full manual column", "[ERROR_10]\nR=18\nA_1=58\n[ERROR_1N]\nA_1=58\nA_2=58\nA_3=58\nA_4=58\n"},
        {"one activation in two sections, repeated steps",
         "[NACTIVATION]\nN=2\n[ACTIVATION_1]\nD=Pump\nR1=31\nR2=32\nRepetition_Number2=20\n"
         "[ACTIVATION_2]\nD=Pump\nR1=33\nR2=34\nRepetition_Number2=20\n"},
        {"headers", "[PROTOCOL]\nLen_Header_Tx=2\n[TESTER_PRESENT]\nR=3e00\nA=7e00\n"},
    };
    for (const auto& f : files) {
        file.SetText(f.text);
        SizeCounts counts;
        ASSERT_EQ(AnalizeSimulIni(file, counts), "") << f.name;
        TStoreLimits limits;
        ApplyLimits(ScaleCounts(counts, 1.0f), limits);
        store.CreateStructures(limits);
        host.Boxes.clear();
        EXPECT_TRUE(LoadData(file, registrar, host, view)) << f.name;
        EXPECT_EQ(host.Boxes, std::vector<std::string>{}) << f.name;
    }
}
