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
    const std::string oddActivationNames = "[activation_7]\nR1=31\n[Activation_9]\nR1=31\n[ACTIVATION_07]\nR1=31\n"
                                           "[ACTIVATION_0]\nR1=31\n[ACTIVATION_+3]\nR1=31\n[ACTIVATION_x]\nR1=31\n";
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
         &SizeCounts::MaxReqCount, 1 + FixedExchanges}, // the entries that exist
        {"request entries end at the first missing section",
         "[NREQUEST]\nN=3\n[REQUEST1]\nR=21\n[ANSWER1]\nA=61\n[REQUEST3]\nR=23\n[ANSWER3]\nA=63\n",
         &SizeCounts::MaxReqCount, 1 + FixedExchanges},
        {"a negative count is none", "[NREQUEST]\nN=-4\n", &SizeCounts::MaxReqCount, FixedExchanges},
        {"activations count the sections that exist", "[NACTIVATION]\nN=1000000\n[ACTIVATION_2]\nR1=31\n",
         &SizeCounts::ActMaxCount, 1},
        {"an activation section beyond N is not read", "[NACTIVATION]\nN=1\n[ACTIVATION_1]\nR1=31\n[ACTIVATION_2]\nR1=31\n",
         &SizeCounts::ActMaxCount, 1},
        {"one section in two letter cases is one activation",
         "[NACTIVATION]\nN=9\n[ACTIVATION_7]\nR1=31\n[activation_7]\nR1=31\n", &SizeCounts::ActMaxCount, 1},
        // Small counts are asked number by number, large ones looked for in the list of sections.
        {"activation numbers in any letter case, without leading zeros (small count)",
         "[NACTIVATION]\nN=9\n" + oddActivationNames, &SizeCounts::ActMaxCount, 2},
        {"activation numbers in any letter case, without leading zeros (large count)",
         "[NACTIVATION]\nN=100000\n" + oddActivationNames, &SizeCounts::ActMaxCount, 2},
        {"a header of the longest message", "[PROTOCOL]\nLen_Header_Rx=4095\n[TESTER_PRESENT]\nR=3e\n",
         &SizeCounts::MaxReqLen, 2 + 2 * 4095},
        {"a request of the longest message", "[TESTER_PRESENT]\nR=" + std::string(2 * 4095, 'a') + "\n",
         &SizeCounts::MaxReqLen, 2 * 4095},
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

// Small files that ask for tables without end: the counts are those of what the file holds.
TEST(SizingPassTest, HostileCountsSizeOnlyWhatExists) {
    struct Case {
        const char* name;
        std::string text;
        std::int32_t actMaxCount, actAnsMaxCount, maxReqCount;
    } cases[] = {
        {"the largest count with its one section", "[NACTIVATION]\nN=2147483647\n[ACTIVATION_2147483647]\nR1=31\n", 1, 1,
         1 + FixedExchanges},
        {"a large count with one section of 20 repeated steps",
         "[NACTIVATION]\nN=100000\n[ACTIVATION_100000]\nR1=31\nRepetition_Number1=20\n", 1, 20, 20 + FixedExchanges},
        {"a large request count with no request", "[NREQUEST]\nN=2147483647\n[ANSWER1]\nA=61\n", 0, 0, FixedExchanges},
    };
    for (const Case& c : cases) {
        int pumps = 0;
        const SizeCounts counts = Measure(c.text, &pumps);
        EXPECT_EQ(counts.ActMaxCount, c.actMaxCount) << c.name;
        EXPECT_EQ(counts.ActAnsMaxCount, c.actAnsMaxCount) << c.name;
        EXPECT_EQ(counts.MaxReqCount, c.maxReqCount) << c.name;
        EXPECT_LE(pumps, 1) << c.name; // one step at most: nothing walks the numbers up to N
        EXPECT_LT(StoreBytes(ScaleCounts(counts, 1.25f)), 1024.0 * 1024.0) << c.name;
    }
}

TEST(SizingPassTest, SizesBeyondAMessageNameTheirKey) {
    const std::string tooLong(2 * 4095 + 2, 'a');
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        {"a header of 2^30 bytes", "[PROTOCOL]\nLen_Header_Rx=1073741824\n",
         "[PROTOCOL] Len_Header_Rx=1073741824 is out of range: a header has at most 4095 bytes!"},
        {"the answer header, spelled in capitals", "[PROTOCOL]\nLEN_HEADER_TX=4096\n",
         "[PROTOCOL] Len_Header_Tx=4096 is out of range: a header has at most 4095 bytes!"},
        {"a header that does not fit 32 bits", "[PROTOCOL]\nLen_Header_Rx=99999999999\n",
         "[PROTOCOL] Len_Header_Rx=99999999999 is out of range: a header has at most 4095 bytes!"},
        {"a hexadecimal header", "[PROTOCOL]\nLen_Header_Rx=0x10000\n",
         "[PROTOCOL] Len_Header_Rx=0x10000 is out of range: a header has at most 4095 bytes!"},
        {"an answer", "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\n[ANSWER1]\nA=" + tooLong + "\n",
         "[ANSWER1] A is out of range: 8192 digits, but a message has at most 4095 bytes (8190 digits)!"},
        {"a lettered answer", "[NREQUEST]\nN=1\n[REQUEST1]\nR=21\nMA=Y\n[ANSWER1]\nA=61\n[ANSWER1A]\nA=" + tooLong + "\n",
         "[ANSWER1A] A is out of range: 8192 digits, but a message has at most 4095 bytes (8190 digits)!"},
        {"a fault-reading answer", "[ERROR_10]\nR=18\n[ERROR_12]\nA_1=58\nA_2=" + tooLong + "\n",
         "[ERROR_12] A_2 is out of range: 8192 digits, but a message has at most 4095 bytes (8190 digits)!"},
        {"a step request", "[NACTIVATION]\nN=1\n[ACTIVATION_1]\nR1=31\nR2=" + tooLong + "\n",
         "[ACTIVATION_1] R2 is out of range: 8192 digits, but a message has at most 4095 bytes (8190 digits)!"},
        {"a step answer", "[NACTIVATION]\nN=1\n[ACTIVATION_1]\nR1=31\nA1_1=71\nA1_2=" + tooLong + "\n",
         "[ACTIVATION_1] A1_2 is out of range: 8192 digits, but a message has at most 4095 bytes (8190 digits)!"},
        {"the ECU activation", "[PROTOCOL]\nACTIVATION_ANSWER=" + tooLong + "\n",
         "[PROTOCOL] ACTIVATION_ANSWER is out of range: 8192 digits, but a message has at most 4095 bytes (8190 digits)!"},
    };
    for (const Case& c : cases) {
        TMemIniFile file;
        file.SetText(c.text);
        SizeCounts counts;
        try {
            AnalizeSimulIni(file, counts);
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const SimulationOutOfRange& e) {
            EXPECT_EQ(e.Message(), c.message) << c.name;
        }
        // The counts stay within what a message allows.
        EXPECT_LE(counts.MaxReqLen, 2 * 4095) << c.name;
        EXPECT_LE(counts.MaxAnsLen, 2 * 4095) << c.name;
    }
    // A negative header adds no room and is no failure (files with one load today).
    EXPECT_EQ(Measure("[PROTOCOL]\nLen_Header_Rx=-1\nLen_Header_Tx=text\n").MaxReqLen, 0);
}

TEST(SizingPassTest, TablesBeyondTheStoresRoomAreRefused) {
    TMemIniFile fixture(TARVICO_UI_FIXTURES "/simulation/simul1.ini");
    SizeCounts counts;
    ASSERT_EQ(AnalizeSimulIni(fixture, counts), "");
    const SizeCounts limits = ScaleCounts(counts, 1.25f);
    EXPECT_LT(StoreBytes(limits), 1024.0 * 1024.0);
    EXPECT_NO_THROW(CheckStoreRoom(limits));

    // Sizes each within its bound whose product is not: every one of many entries with many
    // answers of the longest message.
    SizeCounts large = limits;
    large.MaxAnsLen = 2 * 4095;
    large.MultiAnswerNum = 2000;
    large.MaxReqCount = 2000;
    try {
        CheckStoreRoom(large);
        ADD_FAILURE() << "no failure";
    } catch (const SimulationOutOfRange& e) {
        EXPECT_EQ(e.Message().rfind("The engine's tables for this simulation would take ", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find(" MB, more than the 1024 MB allowed!"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("MultiAnswerNum=2000"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().find("MemoryInc"), std::string::npos) << e.Message();
    }
    // A settings factor beyond reason gives every limit its largest value.
    EXPECT_THROW(CheckStoreRoom(ScaleCounts(counts, 1e30f)), SimulationOutOfRange);
}
