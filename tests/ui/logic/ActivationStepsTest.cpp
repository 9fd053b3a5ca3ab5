// The activations editor's rows turned into the steps the file and the engine get: runs of
// identical rows, the repetition limit, the intra-frame captions, and the checks that hold a
// store back before anything is planned.
#include "ActivationSteps.h"

#include "Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int P = 2; // the activation's number
constexpr std::int32_t Default = 100;

ActivationRow Row(const std::string& intra, const std::string& request, const TStringList& answers,
                  const std::string& description = "") {
    return {intra, request, answers, description};
}

ActivationStep Step(const std::string& request, const TStringList& answers, std::int32_t intra,
                    std::int32_t repetitions, const std::string& description = "") {
    return {request, answers, intra, repetitions, description};
}

std::vector<ActivationRow> Times(const ActivationRow& row, int n) { return std::vector<ActivationRow>(n, row); }

} // namespace

TEST(ActivationStepsTest, RowsBecomeStepsWithRepetitions) {
    const ActivationRow pump = Row("100", "30 01", {"70 01", "70 02"}, "Pump on");
    struct Case {
        const char* name;
        std::vector<ActivationRow> rows;
        std::vector<ActivationStep> steps;
        TStringList messages;
        std::vector<std::string> captionsAfter; // empty: as before
    };
    const Case cases[] = {
        {"three equal rows are one step of three", Times(pump, 3),
         {Step("3001", {"7001", "7002"}, 100, 3, "Pump on")}, {}, {}},
        {"a run longer than twenty goes on in the next step", Times(pump, 25),
         {Step("3001", {"7001", "7002"}, 100, 20, "Pump on"), Step("3001", {"7001", "7002"}, 100, 5, "Pump on")},
         {}, {}},
        {"other answers end the run", {pump, Row("100", "30 01", {"70 01"}), pump},
         {Step("3001", {"7001", "7002"}, 100, 1, "Pump on"), Step("3001", {"7001"}, 100, 1),
          Step("3001", {"7001", "7002"}, 100, 1, "Pump on")}, {}, {}},
        {"another intra-frame value ends the run", {pump, Row("50", "30 01", {"70 01", "70 02"})},
         {Step("3001", {"7001", "7002"}, 100, 1, "Pump on"), Step("3001", {"7001", "7002"}, 50, 1)}, {}, {}},
        {"blanks and letter case do not count, the first row's description does",
         {Row("100", "3A 01", {"7A01"}, "First"), Row(" 100 ", "3a01", {"7a 01"}, "Second")},
         {Step("3a01", {"7a01"}, 100, 2, "First")}, {}, {}},
        {"a caption that is no integer gets the default, once, and joins no run",
         {Row("1x", "30 01", {"70 01"}), Row("", "30 01", {"70 01"}), Row("100", "30 01", {"70 01"})},
         {Step("3001", {"7001"}, 100, 1), Step("3001", {"7001"}, 100, 2)},
         {"Invalid Intraframe value for [ACTIVATION_2] [R1]!IntraFrame set to 100!",
          "Invalid Intraframe value for [ACTIVATION_2] [R2]!IntraFrame set to 100!"},
         {"100", "100", "100"}},
        {"hexadecimal and signed captions", {Row("$10", "01", {}), Row("0x10", "01", {}), Row("-5", "02", {""})},
         {Step("01", {}, 16, 2), Step("02", {}, -5, 1)}, {}, {}},
        {"an empty answer is no answer, before, between or after the others",
         {Row("100", "30 01", {"", "70 01", " ", "70 02", ""}), Row("100", "30 01", {"70 01", "70 02"})},
         {Step("3001", {"7001", "7002"}, 100, 2)}, {}, {}},
        {"no rows, no steps", {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ActivationRow> rows = c.rows;
        const StepPlan plan = PlanSteps(rows, P, Default);
        EXPECT_EQ(plan.Steps, c.steps);
        EXPECT_EQ(plan.Messages, c.messages);
        std::vector<std::string> captions;
        for (const ActivationRow& r : rows) captions.push_back(r.IntraFrame);
        std::vector<std::string> before;
        for (const ActivationRow& r : c.rows) before.push_back(r.IntraFrame);
        EXPECT_EQ(captions, c.captionsAfter.empty() ? before : c.captionsAfter);

        std::size_t registered = 0;
        for (const ActivationStep* s : Registrations(plan.Steps)) registered += s != nullptr;
        EXPECT_EQ(registered, c.rows.size()) << "one registration per row";
    }
}

TEST(ActivationStepsTest, OddDigitsHoldTheWholePlanBack) {
    const std::vector<ActivationRow> odd[] = {
        {Row("abc", "30 01", {"70 01"}), Row("100", "30 0", {"70 01"})},
        {Row("abc", "30 01", {"70 01"}), Row("100", "30 02", {"70 01", "70 0"})},
    };
    const std::string messages[] = {OddRequestMessage, OddAnswerMessage};
    for (int i = 0; i < 2; ++i) {
        std::vector<ActivationRow> rows = odd[i];
        try {
            PlanSteps(rows, P, Default);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), messages[i]);
        }
        EXPECT_EQ(rows, odd[i]) << "the rows are unchanged, captions too";
    }
}

TEST(ActivationStepsTest, IntraFrameCaptions) {
    const std::pair<std::string, std::int32_t> good[] = {
        {"0", 0}, {"100", 100}, {"+7", 7}, {"-20", -20}, {" 15 ", 15}, {"$ff", 255}, {"0X1A", 26}, {"$FFFFFFFF", -1},
    };
    for (const auto& [text, expected] : good) {
        std::int32_t value = 12345;
        EXPECT_TRUE(ParseIntraFrame(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const std::string text : {"", " ", "1x", "+-1", "+", "0x", "$", "1.5", "99999999999", "$123456789"}) {
        std::int32_t value = 12345;
        EXPECT_FALSE(ParseIntraFrame(text, value)) << text;
        EXPECT_EQ(value, 12345) << text;
    }
}

TEST(ActivationStepsTest, ARowWithoutARequestIsNoStep) {
    const ActivationRow start = Row("0", "30 01", {"70 01"});
    const ActivationRow pump = Row("100", "30 02", {"70 02"});
    const ActivationRow blank = Row("100", "", {""});
    struct Case {
        const char* name;
        std::vector<ActivationRow> rows;
        std::vector<ActivationStep> steps;
    };
    const Case cases[] = {
        {"between filled rows, which keep their numbers contiguous", {start, blank, pump},
         {Step("3001", {"7001"}, 0, 1), Step("3002", {"7002"}, 100, 1)}},
        {"blanks only, answers and a caption that is no integer do not make one",
         {Row("x", " ", {"70 09"}), start, Row("", "", {})}, {Step("3001", {"7001"}, 0, 1)}},
        {"rows on both sides of it form one run", {pump, blank, pump}, {Step("3002", {"7002"}, 100, 2)}},
        {"only empty rows: no step", {blank, Row("0", "", {}), blank}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ActivationRow> rows = c.rows;
        const StepPlan plan = PlanSteps(rows, P, Default);
        EXPECT_EQ(plan.Steps, c.steps);
        EXPECT_EQ(plan.Messages, TStringList{}) << "a row that is no step gets no caption message";
        EXPECT_EQ(rows, c.rows) << "the rows stay, for the request still to be typed";
    }
}
