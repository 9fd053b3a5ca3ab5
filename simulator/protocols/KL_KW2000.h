#pragma once
// KL_KW2000 (protocol.ini Rx_Answer_Function 3 with pack pair 3 and 8 with pack pair 5,
// Tx_Composer_Function 8). See KLineUnit.h.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_7(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_7(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
