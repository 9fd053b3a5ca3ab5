// The sizing pass: what it measures and counts in a simulation file, and the scaling of the
// counts into the engine's limits.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "IniFile.h"
#include "SizingPass.h"

namespace {

SizeCounts Measure(const std::string& text, int* pumps = nullptr) {
    TMemIniFile file;
    file.SetText(text);
    SizeCounts counts;
    const std::string failure = AnalizeSimulIni(file, counts, [pumps] {
        if (pumps) ++*pumps;
    });
    EXPECT_EQ(failure, "");
    return counts;
}

// The three fixed exchanges of a file without them: three request slots, one answer each, and
// the longest default description "End Communication".
constexpr int FixedExchanges = 3;
constexpr int EndCommunicationLength = 17;

std::string Requests(int n) {
    std::string text = "[NREQUEST]\nN=" + std::to_string(n) + "\n";
    for (int i = 1; i <= n; ++i)
        text += "[REQUEST" + std::to_string(i) + "]\nR=22" + std::to_string(1000 + i) + "\nD=r\n[ANSWER" +
                std::to_string(i) + "]\nA=62\n";
    return text;
}

std::string FaultEntries(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) text += "[ERROR_" + std::to_string(i) + "0]\nR=18\nD=f\nA_1=58\n";
    return text;
}

} // namespace

TEST(SizingPassTest, FixtureCountsEverythingTheLoadingPassRegisters) {
    TMemIniFile file(TARVICO_UI_FIXTURES "/simulation/simul1.ini");
    SizeCounts counts;
    int pumps = 0;
    EXPECT_EQ(AnalizeSimulIni(file, counts, [&] { ++pumps; }), "");

    SizeCounts expected;
    expected.MaxReqLen = 8;       // 1800FF00
    expected.MaxAnsLen = 24;      // the second answer of the manual column ERROR_1N
    expected.MaxDescrLen = 22;    // BYTE3 of ANSWER1
    expected.ActAnsMaxCount = 5;  // 1 + 3 repetitions + 1
    expected.ActMaxCount = 1;
    expected.MaxReqCount = 3 + FixedExchanges + 2 + 5; // requests, exchanges, fault entries, steps
    expected.MultiAnswerNum = 3;  // REQUEST1
    EXPECT_EQ(counts, expected);
    // One pump per request entry (3), lettered answer tried (A, B, C), fault entry (2) and step (3).
    EXPECT_EQ(pumps, 3 + 3 + 2 + 3);

    SizeCounts limits;
    limits.MaxReqLen = 11;     // (8 + 1) x 1.25 = 11.25
    limits.MaxAnsLen = 31;     // 31.25
    limits.MaxDescrLen = 28;   // 28.75
    limits.ActAnsMaxCount = 7; // 7.5
    limits.ActMaxCount = 2;    // 2.5
    limits.MaxReqCount = 17;   // 17.5
    limits.MultiAnswerNum = 5; // 5
    EXPECT_EQ(ScaleCounts(counts, 1.25f), limits);
}

TEST(SizingPassTest, ScalingCases) {
    struct Case {
        const char* name;
        std::int32_t count;
        float memoryInc;
        std::int32_t limit;
    } cases[] = {
        {"6-character request with a 2-byte header", 6 + 2 * 2, 1.25f, 13}, // 13.75
        {"nine answers", 9, 1.25f, 12},                                      // 12.5
        {"ten requests, five fault entries, three exchanges", 10 + 5 + 3, 1.25f, 23},
        {"1.15 as a 32-bit float, just below 23", 19, 1.15f, 22},
        {"empty count", 0, 1.25f, 1},
        {"factor below 1 counts as 1", 10, 0.5f, 11},
        {"negative factor counts as 1", 10, -2.0f, 11},
        {"beyond 32 bits held at the largest value", INT32_MAX - 1, 4.0f, INT32_MAX},
    };
    for (const Case& c : cases) EXPECT_EQ(ScaleCount(c.count, c.memoryInc), c.limit) << c.name;
}

TEST(SizingPassTest, MeasuresAndCountsEachKindOfEntry) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t SizeCounts::*field;
        std::int32_t expected;
    } cases[] = {
        {"empty file: the three exchanges", "", &SizeCounts::MaxReqCount, FixedExchanges},
        {"empty file: default descriptions", "", &SizeCounts::MaxDescrLen, EndCommunicationLength},
        {"empty file: one answer per exchange", "", &SizeCounts::MultiAnswerNum, 1},
        {"requests, fault entries and exchanges all take a slot", Requests(10) + FaultEntries(5),
         &SizeCounts::MaxReqCount, 10 + 5 + FixedExchanges},
        {"request grown by twice the larger header",
         "[PROTOCOL]\nLen_Header_Tx=2\nLEN_HEADER_RX=1\n[TESTER_PRESENT]\nR=3e0001\n", &SizeCounts::MaxReqLen, 6 + 4},
        {"a negative header grows nothing", "[PROTOCOL]\nLen_Header_Tx=-5\n[TESTER_PRESENT]\nR=3e0001\n",
         &SizeCounts::MaxReqLen, 6},
        {"default request description", "[NREQUEST]\nN=1\n[REQUEST1]\nR=22f190aabbccddee\n[ANSWER1]\nA=62\n",
         &SizeCounts::MaxDescrLen, 8 + 16},
        {"fault-reading description default",
         "[END_COMMUNICATION]\nD=e\n[ERROR_10]\nR=18\n[ERROR_20]\nR=18\n[ERROR_30]\nR=18\n[ERROR_40]\nR=18\n[ERROR_50]\nR=18\n"
         "[ERROR_60]\nR=18\n[ERROR_70]\nR=18\n[ERROR_80]\nR=18\n[ERROR_90]\nR=18\n[ERROR_100]\nR=18\n",
         &SizeCounts::MaxDescrLen, 16}, // "Fault reading_10"
        {"fault entries stop at the first missing one", "[ERROR_10]\nR=18\n[ERROR_20]\nR=18\n[ERROR_40]\nR=18\n",
         &SizeCounts::MaxReqCount, 2 + FixedExchanges},
        {"every answer column counts, the manual one too",
         "[ERROR_10]\nR=18\nA_1=58\n[ERROR_1N]\nA_1=58\nA_2=58\nA_3=58\nA_4=58\nA_5=58\nA_6=58\nA_7=58\nA_8=58\nA_9=58\n",
         &SizeCounts::MultiAnswerNum, 9},
        {"manual column answers are measured", "[ERROR_10]\nR=18\n[ERROR_1N]\nA_1=5801020304050607\n",
         &SizeCounts::MaxAnsLen, 16},
        {"lettered answers stop at the first empty one",
         "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nMA=Y\n[ANSWER1]\nA=61\n[ANSWER1A]\nA=\n[ANSWER1B]\nA=61\n",
         &SizeCounts::MultiAnswerNum, 1},
        {"MA in lower case means one answer",
         "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nMA=y\n[ANSWER1]\nA=61\n[ANSWER1A]\nA=61\n", &SizeCounts::MultiAnswerNum, 1},
        {"byte descriptions of lettered answers",
         "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nD=x\nMA=Y\n[ANSWER1]\nA=61\n[ANSWER1A]\nA=6101\nBYTE2=twenty-five characters...\n",
         &SizeCounts::MaxDescrLen, 25},
        {"a byte description beyond the answer's bytes is not read",
         "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nD=x\n[ANSWER1]\nA=61\nBYTE2=twenty-five characters...\n",
         &SizeCounts::MaxDescrLen, EndCommunicationLength},
        {"a count beyond the file's sections", "[NREQUEST]\nN=1000000\n[REQUEST1]\nR=21\n[ANSWER1]\nA=61\n",
         &SizeCounts::MaxReqCount, 3 + FixedExchanges}, // no more entries than sections
        {"a negative count is none", "[NREQUEST]\nN=-4\n", &SizeCounts::MaxReqCount, FixedExchanges},
        {"activations beyond the last section hold nothing", "[NACTIVATION]\nN=1000000\n[ACTIVATION_2]\nR1=31\n",
         &SizeCounts::ActMaxCount, 2},
    };
    for (const Case& c : cases) EXPECT_EQ(Measure(c.text).*c.field, c.expected) << c.name;
}

TEST(SizingPassTest, LetteredAnswersEndAtZ) {
    std::string text = "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nMA=Y\n[ANSWER1]\nA=61\n";
    for (char letter = 'A'; letter <= 'Z' + 1; ++letter) text += std::string("[ANSWER1") + letter + "]\nA=61\n";
    EXPECT_EQ(Measure(text).MultiAnswerNum, 1 + 26);
}

TEST(SizingPassTest, RepetitionsAreClampedBeforeTheyCount) {
    struct Case {
        const char* repetition; // Repetition_Number2 line, or empty
        std::int32_t stepsCounted; // of step 2
    } cases[] = {{"", 1}, {"Repetition_Number2=3", 3}, {"Repetition_Number2=25", 20},
                 {"Repetition_Number2=0", 0}, {"Repetition_Number2=-7", 0}};
    for (const Case& c : cases) {
        const std::string text = "[NACTIVATION]\nN=1\n[ACTIVATION_1]\nD=A\nR1=31\nR2=32\n" + std::string(c.repetition) +
                                 "\nR3=33\n";
        const SizeCounts counts = Measure(text);
        EXPECT_EQ(counts.ActAnsMaxCount, 1 + c.stepsCounted + 1) << c.repetition;
        EXPECT_EQ(counts.MaxReqCount, FixedExchanges + 1 + c.stepsCounted + 1) << c.repetition;
    }
}

TEST(SizingPassTest, ActivationsOfOneNameAreOneActivation) {
    const std::string text =
        "[NACTIVATION]\nN=3\n"
        "[ACTIVATION_1]\nD=Pump\nR1=31\nR2=32\n"
        "[ACTIVATION_2]\nD=Lamp\nR1=41\n"
        "[ACTIVATION_3]\nD=Pump\nR1=33\nR2=34\nRepetition_Number2=2\n";
    const SizeCounts counts = Measure(text);
    EXPECT_EQ(counts.ActAnsMaxCount, 2 + 3); // both Pump sections feed one engine activation
    EXPECT_EQ(counts.MultiAnswerNum, 1);     // A<j>_1 is always taken
    EXPECT_EQ(counts.MaxReqCount, FixedExchanges + 6);
}
