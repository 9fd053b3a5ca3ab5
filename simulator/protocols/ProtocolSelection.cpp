#include "ProtocolSelection.h"

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

BusRxRoutine RxRoutineFor(int rxAnswerFunction) noexcept {
    switch (rxAnswerFunction) {
    case 1: return RxData_CAN_1;
    case 2: return RxData_CAN_2;
    case 3: return RxData_CAN_7;
    case 4: return RxData_CAN_4;
    case 6: return RxData_CAN_6;
    case 7: return RxData_CAN_8;
    case 8: return RxData_CAN_7;
    case 9: return RxData_CAN_9;
    case 10: return RxData_CAN_10;
    case -1: return RxData_CAN_10;
    case 11: return RxData_CAN_11;
    case 12: return RxData_CAN_12;
    case 13: return RxData_CAN_13;
    default: return nullptr;
    }
}

BusTxRoutine TxRoutineFor(int txComposerFunction) noexcept {
    switch (txComposerFunction) {
    case 1: return TxData_CAN_1;
    case 2: return TxData_CAN_2;
    case 3: return TxData_CAN_3;
    case 6: return TxData_CAN_6;
    case 7: return TxData_CAN_8;
    case 8: return TxData_CAN_7;
    case 9: return TxData_CAN_9;
    case 10: return TxData_CAN_10;
    case -1: return TxData_CAN_10;
    case 11: return TxData_CAN_11;
    case 12: return TxData_CAN_12;
    case 13: return TxData_CAN_13;
    default: return nullptr;
    }
}
