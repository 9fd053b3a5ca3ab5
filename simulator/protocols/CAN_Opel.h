#pragma once
// CAN_Opel (protocol.ini Rx_Answer_Function 4 with RxData_CAN_4, Tx_Composer_Function 3 with
// TxData_CAN_3, pack pair 1). The Rx routine writes both RxStatus bytes of every request it
// delivers (service 0x20 without data, service 0xAA), which loop mode 2 reads. The Tx routine
// sends an answer whose MultiFlag is set unsegmented on IdEcu2 without its length byte. Tx
// failures are raised ("TxData_CAN_3 function error:\n"), not shown.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_4(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_3(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
