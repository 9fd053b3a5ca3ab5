#pragma once
// CAN_Volvo (protocol.ini Rx_Answer_Function 9, Tx_Composer_Function 9, pack pair 6).
//
// A single frame is 0xC8 + n and n message bytes (n 1 to 7); a longer message is a first frame
// 0x8F with seven bytes, middle frames 0x08 to 0x0F with seven bytes each and a last frame
// 0x48 + r with the r remaining bytes. No flow control and no acknowledgement either way. The
// wire text is the marker (0xC8 + n up to seven bytes, else 0x8F) and the message; a message
// longer than BusMaxMessageBytes is cut to that many bytes.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_9(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_9(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);
