#pragma once
// CAN_UD2 (protocol.ini Rx_Answer_Function 13, Tx_Composer_Function 13, pack pair 1): behaves
// exactly as CAN_Mercedes, failure texts included.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_13(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_13(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
