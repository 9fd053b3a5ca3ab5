#include <gtest/gtest.h>

#include "CAN_Mercedes.h"
#include "CAN_Opel.h"
#include "CAN_PSA.h"
#include "CAN_Standard.h"
#include "CAN_Thesis.h"
#include "CAN_UD1.h"
#include "CAN_UD2.h"
#include "CAN_VAG.h"
#include "CAN_Volvo.h"
#include "KL_KW2000.h"
#include "KL_VAG.h"
#include "ProtocolSelection.h"

namespace {

TEST(ProtocolSelection, RxAnswerFunctionSelectsTheRxRoutine) {
    const std::vector<std::pair<int, BusRxRoutine>> cases{
        {1, RxData_CAN_1}, {2, RxData_CAN_2},   {3, RxData_CAN_7},   {4, RxData_CAN_4},   {6, RxData_CAN_6},
        {7, RxData_CAN_8}, {8, RxData_CAN_7},   {9, RxData_CAN_9},   {10, RxData_CAN_10}, {11, RxData_CAN_11},
        {12, RxData_CAN_12}, {13, RxData_CAN_13}, {-1, RxData_CAN_10},
        {0, nullptr},      {5, nullptr},        {14, nullptr},       {-2, nullptr},
    };
    for (const auto& [value, routine] : cases) EXPECT_EQ(RxRoutineFor(value), routine) << value;
}

TEST(ProtocolSelection, TxComposerFunctionSelectsTheTxRoutine) {
    const std::vector<std::pair<int, BusTxRoutine>> cases{
        {1, TxData_CAN_1},   {2, TxData_CAN_2},   {3, TxData_CAN_3},   {6, TxData_CAN_6},   {7, TxData_CAN_8},
        {8, TxData_CAN_7},   {9, TxData_CAN_9},   {10, TxData_CAN_10}, {-1, TxData_CAN_10}, {11, TxData_CAN_11},
        {12, TxData_CAN_12}, {13, TxData_CAN_13},
        {0, nullptr},        {4, nullptr},        {5, nullptr},        {14, nullptr},
    };
    for (const auto& [value, routine] : cases) EXPECT_EQ(TxRoutineFor(value), routine) << value;
}

} // namespace
