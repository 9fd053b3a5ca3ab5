#pragma once
// KL_VAG (protocol.ini Rx_Answer_Function 7 with pack pair 3, Tx_Composer_Function 7): behaves
// as KL_KW2000 and differs only in its failure texts. See KLineUnit.h.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_8(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_8(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
