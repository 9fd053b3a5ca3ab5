#pragma once
// CAN_PSA (protocol.ini Rx_Answer_Function 2, Tx_Composer_Function 2, pack pair 1): polls
// without pausing, one flow control per request, frames sent with their true length byte and
// 5 ms apart.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_2(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_2(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
