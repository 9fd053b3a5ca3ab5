#include "CAN_Mercedes.h"

#include "IsoTpFamilies.h"

int RxData_CAN_11(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return isotp::Receive(isotp::CanMercedes, length, buffer, rxStatus);
}

int TxData_CAN_11(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return isotp::Transmit(isotp::CanMercedes, byteCount, bytes, info);
}
