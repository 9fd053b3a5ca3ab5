#pragma once
// CAN_Standard: ISO 15765-2 on normal addressing (protocol.ini Rx_Answer_Function 1,
// Tx_Composer_Function 1, pack pair 1). Flow control after the first frame and after every
// consecutive frame of a request; answers honour the tester's block size 1.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_1(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_1(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
