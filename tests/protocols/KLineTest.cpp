// KL_KW2000 and KL_VAG: whole K-line frames in both directions.
#include <gtest/gtest.h>

#include "KL_KW2000.h"
#include "KrixLinkApi.h"
#include "KL_VAG.h"
#include "TestFrames.h"

namespace {

// A tester's request as the bus carries it: format byte, target, source, service, data, checksum.
constexpr std::uint8_t kFormatLength1 = 0x81;
constexpr std::uint8_t kEcuAddress = 0x10;
constexpr std::uint8_t kTesterAddress = 0xF1;
constexpr std::uint8_t kStartCommunication = 0x81;
constexpr std::uint8_t kRequestChecksum = 0x03;
const Bytes kRequest{kFormatLength1, kEcuAddress, kTesterAddress, kStartCommunication, kRequestChecksum};

// An answer's wire text as pack pair 3 or 5 builds it: 83 f1 10 50 81 ef 68.
constexpr std::uint8_t kFormatLength3 = 0x83;
constexpr std::uint8_t kPositiveStartDiagnostic = 0x50;
constexpr std::uint8_t kSession = 0x81;
constexpr std::uint8_t kKeyByte = 0xEF;
constexpr std::uint8_t kAnswerChecksum = 0x68;
const Bytes kAnswer{kFormatLength3, kTesterAddress, kEcuAddress, kPositiveStartDiagnostic, kSession, kKeyByte,
                    kAnswerChecksum};

struct KLineUnit {
    const char* Name;
    BusRxRoutine Rx;
    BusTxRoutine Tx;
    const char* TxOtherPrefix;
};
const std::vector<KLineUnit> kUnits{
    {"KL_KW2000", RxData_CAN_7, TxData_CAN_7, "TxData_CAN_1 function error "},
    {"KL_VAG", RxData_CAN_8, TxData_CAN_8, "TxData_CAN_8 function error "},
};

class KLine : public ::testing::Test {
protected:
    FakeBusLink link;
};

TEST_F(KLine, DeliversTheFrameAsItCameWithoutALengthByte) {
    for (const KLineUnit& u : kUnits) {
        SCOPED_TRACE(u.Name);
        link.Receive(kRequest);
        RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Result, 1);
        EXPECT_EQ(o.Length, 5);
        EXPECT_EQ(o.Text, "8110f18103");
        EXPECT_TRUE(o.CleanTail);
        EXPECT_EQ(CallRx(u.Rx).Result, 0); // one frame a call, no waiting
        EXPECT_EQ(link.RxCalls, 2);
        link.RxCalls = 0;
    }
}

TEST_F(KLine, LongestDeliveryFitsTheBuffer) {
    const Bytes frame = Pattern(KrixRxFrameRoom, 0x00);
    for (const KLineUnit& u : kUnits) {
        SCOPED_TRACE(u.Name);
        link.Receive(frame);
        RxOutcome o = CallRx(u.Rx);
        EXPECT_EQ(o.Length, KrixRxFrameRoom);
        EXPECT_EQ(o.Text, Hex(frame));
    }
}

TEST_F(KLine, SendsTheWireBytesAsOneFrame) {
    for (const KLineUnit& u : kUnits) {
        SCOPED_TRACE(u.Name);
        link.ClearSent();
        TTxInfo info;
        EXPECT_EQ(u.Tx(static_cast<std::int32_t>(kAnswer.size()), kAnswer.data(), &info), 1);
        ExpectFrames(link.Sent(), {kAnswer});
    }
}

TEST_F(KLine, AnswerLongerThanTheLinkSendsIsShown) {
    const Bytes tooLong = Pattern(KrixTxFrameMax + 1);
    for (const KLineUnit& u : kUnits) {
        SCOPED_TRACE(u.Name);
        MessageRecorder messages;
        TTxInfo info;
        EXPECT_EQ(u.Tx(static_cast<std::int32_t>(tooLong.size()), tooLong.data(), &info), -1);
        ASSERT_EQ(messages.Texts.size(), 1u);
        EXPECT_EQ(messages.Texts[0].rfind(u.TxOtherPrefix, 0), 0u) << messages.Texts[0];
    }
    EXPECT_TRUE(link.Sent().empty());
}

} // namespace
