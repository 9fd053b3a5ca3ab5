#include "CAN_Standard.h"

#include "IsoTpFamilies.h"

int RxData_CAN_1(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return isotp::Receive(isotp::CanStandard, length, buffer, rxStatus);
}

int TxData_CAN_1(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return isotp::Transmit(isotp::CanStandard, byteCount, bytes, info);
}
