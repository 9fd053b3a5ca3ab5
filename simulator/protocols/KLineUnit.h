#pragma once
// The K-line units pass whole frames: the device does the K-line work itself. A received frame
// is delivered as its hex text exactly as it came from the bus (header and checksum included,
// no length byte in front, so the text ends one byte before what the loop allows for); an
// answer's wire bytes go out unchanged as one frame. No waiting and no time limit.
#include <cstdint>

#include "BusUnit.h"
#include "UnitFailure.h"

namespace kline {

int Receive(const char* rxPrefix, std::int32_t* length, char* buffer);
int Transmit(const TxFailureTexts& texts, std::int32_t byteCount, const std::uint8_t* bytes);

} // namespace kline
