#pragma once
// CAN_VAG (protocol.ini Rx_Answer_Function 6, Tx_Composer_Function 6, pack pair 4).
//
// Channel-management messages (first byte 0xA0 to 0xAF) pass unchanged. Data messages travel in
// frames that start with an operation-and-sequence byte: 0x1s last frame, 0x2s more to follow;
// the first frame of a message carries its length in bytes 1 and 2. The Rx routine
// acknowledges a segmented request with B7 EB; the Tx routine numbers its data frames with one
// process-wide sequence counter that an "ECU Activation" answer (ItemType 4) resets.
#include <cstdint>

#include "BusUnit.h"

int RxData_CAN_6(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
int TxData_CAN_6(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);

// The sequence counter, 0 at program start; its low nibble numbers the next data frame.
std::uint8_t CanVagSequence();
void SetCanVagSequence(std::uint8_t value);
