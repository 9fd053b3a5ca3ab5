#include "CAN_Thesis.h"

#include "IsoTpFamilies.h"

int RxData_CAN_10(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return isotp::Receive(isotp::CanThesis, length, buffer, rxStatus);
}

int TxData_CAN_10(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return isotp::Transmit(isotp::CanThesis, byteCount, bytes, info);
}
