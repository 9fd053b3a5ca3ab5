#pragma once
// From the protocol.ini selectors to the bus units' routines.
//
//   Rx_Answer_Function  1 RxData_CAN_1 (CAN_Standard)   2 RxData_CAN_2 (CAN_PSA)
//                       3 RxData_CAN_7 (KL_KW2000)      4 RxData_CAN_4 (CAN_Opel)
//                       6 RxData_CAN_6 (CAN_VAG)        7 RxData_CAN_8 (KL_VAG)
//                       8 RxData_CAN_7 (KL_KW2000)      9 RxData_CAN_9 (CAN_Volvo)
//                      10 and -1 RxData_CAN_10 (CAN_Thesis)
//                      11 RxData_CAN_11 (CAN_Mercedes) 12 RxData_CAN_12 (CAN_UD1)
//                      13 RxData_CAN_13 (CAN_UD2)
//   Tx_Composer_Function 1 TxData_CAN_1   2 TxData_CAN_2   3 TxData_CAN_3 (CAN_Opel)
//                        6 TxData_CAN_6   7 TxData_CAN_8 (KL_VAG)   8 TxData_CAN_7 (KL_KW2000)
//                        9 TxData_CAN_9  10 and -1 TxData_CAN_10  11 TxData_CAN_11
//                       12 TxData_CAN_12 13 TxData_CAN_13
//
// Any other value gives nullptr; the engine raises "Not supported protocol!" for it. The
// default pack pair that goes with an Rx selector is the engine's own table.
#include "BusUnit.h"

BusRxRoutine RxRoutineFor(int rxAnswerFunction) noexcept;
BusTxRoutine TxRoutineFor(int txComposerFunction) noexcept;
