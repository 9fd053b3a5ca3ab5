// Every unit without a bound link: Rx routines raise with their prefix, Tx routines show their
// invalid-operation text and return -1 (CAN_Opel raises).
#include <gtest/gtest.h>

#include "BusLink.h"
#include "CAN_Opel.h"
#include "FakeBusLink.h"
#include "ProtocolSelection.h"

namespace {

TEST(UnitFailure, RxRoutinesRaiseWithTheirPrefix) {
    const std::vector<std::pair<int, std::string>> cases{
        {1, "RxData_CAN_1 function error:\n"},  {2, "RxData_CAN_2 function error:\n"},
        {3, "RxData_CAN_7 function error:\n"},  {4, "RxData_CAN_4 function error:\n"},
        {6, "RxData_CAN_6 function error:\n"},  {7, "RxData_CAN_8 function error:\n"},
        {8, "RxData_CAN_7 function error:\n"},  {9, "RxData_CAN_9 function error:\n"},
        {10, "RxData_CAN_1 function error:\n"}, {11, "RxData_CAN_1 function error:\n"},
        {12, "RxData_CAN_1 function error:\n"}, {13, "RxData_CAN_1 function error:\n"},
    };
    for (const auto& [selector, prefix] : cases) {
        SCOPED_TRACE(selector);
        std::int32_t length = -1;
        std::vector<char> buffer(BusRxBufferSize);
        std::uint8_t status[RxStatusSize] = {};
        try {
            RxRoutineFor(selector)(&length, buffer.data(), status);
            ADD_FAILURE() << "no failure raised";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message().rfind(prefix, 0), 0u) << e.Message();
            EXPECT_GT(e.Message().size(), prefix.size());
        }
    }
}

TEST(UnitFailure, TxRoutinesShowInvalidOperation) {
    const std::vector<std::pair<int, std::string>> cases{
        {1, "TxData_CAN_1 function error Invalid Operation!"},
        {2, "TxData_CAN_2 function error Invalid Operation!"},
        {6, "TxData_CAN_6 function error Invalid Operation!"},
        {7, "TxData_CAN_1 function error Invalid Operation!"},
        {8, "TxData_CAN_1 function error Invalid Operation!"},
        {9, "TxData_CAN_9 function error Invalid Operation!"},
        {10, "TxData_CAN_1 function error Invalid Operation!"},
        {11, "TxData_CAN_1 function error Invalid Operation!"},
        {12, "TxData_CAN_1 function error Invalid Operation!"},
        {13, "TxData_CAN_1 function error Invalid Operation!"},
    };
    const std::uint8_t answer[] = {0x02, 0x50, 0x81};
    for (const auto& [selector, text] : cases) {
        SCOPED_TRACE(selector);
        MessageRecorder messages;
        TTxInfo info;
        EXPECT_EQ(TxRoutineFor(selector)(3, answer, &info), -1);
        ASSERT_EQ(messages.Texts.size(), 1u);
        EXPECT_EQ(messages.Texts[0], text);
    }
}

TEST(UnitFailure, OpelTxRaises) {
    const std::uint8_t answer[] = {0x02, 0x50, 0x81};
    TTxInfo info;
    try {
        TxData_CAN_3(3, answer, &info);
        ADD_FAILURE() << "no failure raised";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message().rfind("TxData_CAN_3 function error:\n", 0), 0u) << e.Message();
    }
}

TEST(UnitFailure, MissingArgumentsAreInvalidOperations) {
    FakeBusLink link;
    MessageRecorder messages;
    TTxInfo info;
    EXPECT_EQ(TxRoutineFor(1)(4, nullptr, &info), -1);
    EXPECT_EQ(TxRoutineFor(9)(-1, nullptr, &info), -1);
    EXPECT_EQ(messages.Texts, (std::vector<std::string>{"TxData_CAN_1 function error Invalid Operation!",
                                                         "TxData_CAN_9 function error Invalid Operation!"}));
    EXPECT_THROW(RxRoutineFor(1)(nullptr, nullptr, nullptr), Exception);
    EXPECT_TRUE(link.Sent().empty());
}

} // namespace
