#pragma once
// CAN_UD1 (protocol.ini Rx_Answer_Function 12, Tx_Composer_Function 12, pack pair 1): behaves
// exactly as CAN_Mercedes, failure texts included.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_12(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_12(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
