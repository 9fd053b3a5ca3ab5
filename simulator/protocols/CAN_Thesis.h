#pragma once
// CAN_Thesis (protocol.ini Rx_Answer_Function 10 and -1, Tx_Composer_Function 10 and -1):
// extended addressing. Received frames start with an address byte (ignored), sent frames with
// 0xF1; a single request is delivered as every byte after the address, PCI first. One flow
// control (block size 0) per request; answers go out 50 ms apart whatever block size the
// tester's flow control asks for.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_10(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_10(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
