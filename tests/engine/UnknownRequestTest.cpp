// The five unknown-request rules with the frame codec on pair 1 (wire text = length byte + plain).
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "StoreOperations.h"
#include "UnknownRequest.h"
#include "UnknownRequestAnswers.h"
#include "fixtures/CodecSelection.h"
#include "fixtures/RecordingReporter.h"

namespace {

class UnknownRequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        context.AutoAnswer = true;
        context.DefaultLength = 2;
        context.GetUnknownAnswer = [this](const std::string& plain) -> std::optional<TStringList> {
            lookups.push_back(plain);
            auto it = listed.find(plain);
            if (it == listed.end()) return std::nullopt;
            return it->second;
        };
        context.Random = [this] { return static_cast<std::uint8_t>(nextRandom++); };
    }

    std::vector<std::string> Answers(UnknownRule rule, const std::string& wire, std::int32_t length = -1) {
        if (length < 0) length = static_cast<std::int32_t>(wire.size());
        std::unique_ptr<TBaseItem> item = rule(context, &length, wire);
        if (!item) return {"<none>"};
        std::vector<std::string> out;
        for (int j = 0; j < item->AnswerCount; ++j) out.push_back(item->Answers[j].PlainText);
        return out;
    }

    CodecGuard codec{1};
    UnknownRuleContext context;
    std::map<std::string, TStringList> listed;
    std::vector<std::string> lookups;
    int nextRandom = 0x10;
};

using List = std::vector<std::string>;
const List None = {"<none>"};

} // namespace

TEST_F(UnknownRequestTest, NothingIsAnsweredWhileAutoAnswerIsOff) {
    context.AutoAnswer = false;
    listed["1a90"] = {"5a90"};
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(Answers(UnknownRuleFor(n), "021a90"), None) << n;
    EXPECT_TRUE(lookups.empty());
}

TEST_F(UnknownRequestTest, EchoRulesBuildThePositiveResponse) {
    struct Case {
        int rule;
        std::string wire;
        int defaultLength;
        int sidPos;
        std::string answer;
    } cases[] = {
        {1, "021a90", 2, 0, "5a90"},
        {1, "021a90", 4, 0, "5a900000"},   // filled with 0x00
        {1, "021a90", 1, 0, "5a"},         // cut
        {1, "01c0", 1, 0, "00"},           // 0xc0 + 0x40 wraps
        {1, "021x90", 2, 0, "3f90"},       // a pair that is not hex reads 0xff
        {4, "0310f13e", 3, 0, "f1107e"},
        {5, "020110", 2, 1, "0150"},
        {5, "020110", 2, 300, "0110"},     // an index outside the request area changes nothing
        {1, "021a90", 1000, 0, "5a90" + std::string(2 * 254, '0')}, // at most 256 bytes
    };
    for (const Case& c : cases) {
        context.DefaultLength = c.defaultLength;
        context.SIDPos = c.sidPos;
        context.Limits.MaxAnsLen = 600;
        EXPECT_EQ(Answers(UnknownRuleFor(c.rule), c.wire), List{c.answer}) << c.rule << " " << c.wire;
    }
}

TEST_F(UnknownRequestTest, APlainTextOfOneCharacterGetsNoAnswer) {
    // Pair 1 unpacks "021" to "1".
    for (int n : {1, 4, 5}) EXPECT_EQ(Answers(UnknownRuleFor(n), "021"), None) << n;
}

TEST_F(UnknownRequestTest, ListedAnswersTakeThePlaceOfEveryRule) {
    // The list of unknown requests is keyed by the request's plain text.
    listed["1a90"] = {"5a9011", "5a9022"};
    listed["aa010a0b"] = {"0a01"};
    for (int n : {1, 4, 5}) EXPECT_EQ(Answers(UnknownRuleFor(n), "021a90"), (List{"5a9011", "5a9022"})) << n;
    EXPECT_EQ(Answers(&GetUnknownAnswer_2, "04aa010a0b"), (List{"0a01"}));
    for (const std::string& key : lookups) EXPECT_TRUE(key == "1a90" || key == "aa010a0b") << key;

    listed["1a90"] = {}; // listed without answers: the rule answers
    EXPECT_EQ(Answers(&GetUnknownAnswer_1, "021a90"), (List{"5a90"}));
}

TEST_F(UnknownRequestTest, Rule2AnswersEachIdentifierWithRandomData) {
    EXPECT_EQ(Answers(&GetUnknownAnswer_2, "04aa010a0b"),
              (List{"0a" "10111213141516", "0b" "1718191a1b1c1d"}));
    nextRandom = 0x20;
    EXPECT_EQ(Answers(&GetUnknownAnswer_2, "03aa010a"), (List{"0a" "20212223242526", "0a" "20212223242526"}));
    context.DefaultLength = 3;
    EXPECT_EQ(Answers(&GetUnknownAnswer_2, "0322f190"), (List{"62f190"})); // not 0xAA: rule 1
}

TEST_F(UnknownRequestTest, Rule2WithoutIdentifiersFailsVisibly) {
    RecordingReporter reporter;
    EXPECT_EQ(Answers(&GetUnknownAnswer_2, "02aa01"), None);
    ASSERT_EQ(reporter.Count(), 1u);
    EXPECT_EQ(reporter.Texts()[0].rfind("GetUnknownAnswer_2 function error!\n", 0), 0u);
}

TEST_F(UnknownRequestTest, Rule3LooksTheRequestUpWithALengthByteInFront) {
    TRequestStore store;
    store.CreateStructures(TStoreLimits{});
    ASSERT_TRUE(store.AddRequest("22f190", {"62f19001"}, "VIN", -1, RequestType::PSI));
    context.GetAnswerCopy = [&](const std::string& wire, TBaseItem& out) {
        lookups.push_back("store:" + wire);
        return store.GetAnswerInto(wire, out);
    };
    EXPECT_EQ(Answers(&GetUnknownAnswer_3, "22f190", 6), (List{"62f19001"}));
    EXPECT_EQ(lookups.front(), "store:0322f190");

    // Not in the store: rule 1 over the same text.
    EXPECT_EQ(Answers(&GetUnknownAnswer_3, "021a90", 6), (List{"5a90"}));
    // *length shorter than the text limits the length byte; 0 characters give nothing.
    lookups.clear();
    Answers(&GetUnknownAnswer_3, "22f190", 4);
    EXPECT_EQ(lookups.front(), "store:0222f190");
    EXPECT_EQ(Answers(&GetUnknownAnswer_3, "22f190", 1), None);
}

TEST_F(UnknownRequestTest, AFailureInsideIsShownWithTheRuleNumber) {
    RecordingReporter reporter;
    context.Limits.MultiAnswerNum = 1;
    listed["1a90"] = {"01", "02"}; // more answers than the item holds
    for (int n : {1, 4, 5}) EXPECT_EQ(Answers(UnknownRuleFor(n), "021a90"), None) << n;
    const auto texts = reporter.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "GetUnknownAnswer_1 function error!\nToo large Multi Answer Number!");
    EXPECT_EQ(texts[1].rfind("GetUnknownAnswer_4 function error!\n", 0), 0u);
    EXPECT_EQ(texts[2].rfind("GetUnknownAnswer_5 function error!\n", 0), 0u);
}

TEST(UnknownRequestAnswers, RequestBytesAreReadInPairs) {
    EXPECT_EQ(ReadRequestBytes("1a9"), (std::vector<std::uint8_t>{0x1a}));
    EXPECT_EQ(ReadRequestBytes(std::string(600, '1')).size(), static_cast<std::size_t>(UnknownRequestBytesRoom));
    EXPECT_EQ(UnknownRuleFor(0), nullptr);
    EXPECT_EQ(UnknownRuleFor(6), nullptr);
}

// ---- a pack pair whose plain and wire texts differ ----------------------------------------------

namespace {

// Row 3 of the frame-structure table for K-line (format byte with the length, target, source,
// service and data, an additive checksum), with request and answer headers of different length,
// so that unpacking a request as a request (selector 0) and as an answer (selector 1) differ.
TCodecContext KLineCodec() {
    TCodecContext c;
    for (TFrameStructure* half : {&c.Protocol.RxStructure, &c.Protocol.TxStructure}) {
        half->FmtBytes = half->SrcBytes = half->TgtBytes = half->LenBytes = half->ChsBytes = 1;
        half->LenInFmt = 1;
        half->LenSub = 3;
    }
    std::snprintf(c.Protocol.RxStructure.Layout, sizeof c.Protocol.RxStructure.Layout, "FMT;TGT;SRC;SID;DATA;CHS");
    std::snprintf(c.Protocol.TxStructure.Layout, sizeof c.Protocol.TxStructure.Layout, "FMT;SRC;TGT;SID;DATA;CHS");
    c.Fmt_Tx = 0x80;
    c.Tgt = 0xf1;
    c.Src = 0x10;
    c.Len_Header_Rx = 3;
    c.Len_Header_Tx = 2;
    c.ChecksumFunction = [](std::int32_t count, const char* text) -> std::int32_t {
        unsigned sum = 0;
        for (std::int32_t i = 0; i + 1 < count; i += 2) sum += std::stoul(std::string(text + i, 2), nullptr, 16);
        return static_cast<std::int32_t>(sum & 0xff);
    };
    return c;
}

// The tester's frame 82 10 f1 1a 90 (checksum 0x2d): service 1a, data 90.
constexpr const char* KLineRequest = "8210f11a902d";

class UnknownRequestOnFramesTest : public UnknownRequestTest {};

} // namespace

// The list of unknown requests is keyed by the plain text of the item the loop reports (the
// received wire text set as a request, selector 0); the rules look the operator's answers up by
// that same text, so a request met again is answered from the list on every pack pair.
TEST_F(UnknownRequestOnFramesTest, ListedAnswersAreLookedUpByThePlainTextTheListHolds) {
    for (int pair : {3, 5}) {
        CodecGuard frames(pair, KLineCodec());
        TBaseItem reported(TStoreLimits{});
        reported.SetValue(kWireText, KLineRequest);
        const std::string key = reported.PlainText;
        EXPECT_EQ(key, pair == 3 ? "1a90" : "f11a90") << pair; // pair 5 unpacks with the answer header
        if (pair == 3) {
            EXPECT_EQ(UnPackFunction(KLineRequest, 1), "f11a90"); // not the key the list holds
        }

        listed.clear();
        listed[key] = {"5a9001"};
        for (int n : {1, 2, 4, 5}) {
            lookups.clear();
            EXPECT_EQ(Answers(UnknownRuleFor(n), KLineRequest), List{"5a9001"}) << pair << " rule " << n;
            EXPECT_EQ(lookups, List{key}) << pair << " rule " << n;
        }
    }
}

// Rules 1, 4 and 5 echo the request's own plain text; the answers they build are framed as
// answers (selector 1) when the loop sends them.
TEST_F(UnknownRequestOnFramesTest, EchoAnswersAreBuiltFromThePlainTextAndFramedAsAnswers) {
    CodecGuard frames(3, KLineCodec());
    context.DefaultLength = 2;
    std::int32_t length = static_cast<std::int32_t>(std::string(KLineRequest).size());
    const std::unique_ptr<TBaseItem> item = GetUnknownAnswer_1(context, &length, KLineRequest);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->AnswerCount, 1);
    EXPECT_EQ(item->Answers[0].PlainText, "5a90");
    // 80 + (2 bytes + request header 3 - 3), source field f1, target field 10, 5a 90, sum 0x6d.
    EXPECT_EQ(item->Answers[0].WireText, "82f1105a906d");
    EXPECT_EQ(item->Answers[0].ByteCount, 6);
}

// Rule 3 looks the request up with GetAnswer, with its effect on a running activation: an entry
// that belongs to no activation ends the sequence in progress.
TEST_F(UnknownRequestTest, Rule3EndsARunningActivation) {
    TRequestStore store;
    store.CreateStructures(TStoreLimits{});
    ASSERT_TRUE(store.AddActivations("A", "3101", {"7101"}, "start"));
    ASSERT_TRUE(store.AddActivations("A", "3102", {"7102"}, "step"));
    ASSERT_TRUE(store.AddRequest("22f190", {"62f19001"}, "VIN", -1, RequestType::PSI));
    context.GetAnswerCopy = [&](const std::string& wire, TBaseItem& out) { return store.GetAnswerInto(wire, out); };

    TBaseItem current(TStoreLimits{});
    ASSERT_TRUE(store.GetAnswerInto("023101", current));
    ASSERT_TRUE(store.ActivationRunning());

    // Received without a length byte, so the loop does not find it; rule 3 does.
    EXPECT_EQ(Answers(&GetUnknownAnswer_3, "22f190", 6), (List{"62f19001"}));
    EXPECT_FALSE(store.ActivationRunning());
    EXPECT_EQ(store.RunningActivation(), -1);

    // The next step of A is no longer tried: 3102 is answered from its request-table entry, which
    // starts A again at step 0.
    std::string info;
    ASSERT_TRUE(store.GetAnswerInto("023102", current, &info));
    EXPECT_EQ(info, "Activation - step");
    EXPECT_TRUE(store.ActivationRunning());
    EXPECT_EQ(store.StepPosition(), 0);
}
