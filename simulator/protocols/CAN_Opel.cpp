#include "CAN_Opel.h"

#include "IsoTpFamilies.h"

int RxData_CAN_4(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return isotp::Receive(isotp::CanOpel, length, buffer, rxStatus);
}

int TxData_CAN_3(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return isotp::Transmit(isotp::CanOpel, byteCount, bytes, info);
}
