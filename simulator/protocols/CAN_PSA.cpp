#include "CAN_PSA.h"

#include "IsoTpFamilies.h"

int RxData_CAN_2(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return isotp::Receive(isotp::CanPsa, length, buffer, rxStatus);
}

int TxData_CAN_2(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return isotp::Transmit(isotp::CanPsa, byteCount, bytes, info);
}
