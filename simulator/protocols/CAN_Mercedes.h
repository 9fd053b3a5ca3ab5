#pragma once
// CAN_Mercedes (protocol.ini Rx_Answer_Function 11, Tx_Composer_Function 11, pack pair 1):
// receives as CAN_Standard. An answer names the identifier it goes out on: its bytes are the
// length byte of the wire text (not used), four identifier bytes (most significant first) and
// the message, whose first frame carries a 12-bit length.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_11(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_11(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
