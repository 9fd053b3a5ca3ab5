#include "CAN_UD1.h"

#include "CAN_Mercedes.h"

int RxData_CAN_12(std::int32_t* length, char* buffer, std::uint8_t* rxStatus) {
    return RxData_CAN_11(length, buffer, rxStatus);
}

int TxData_CAN_12(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info) {
    return TxData_CAN_11(byteCount, bytes, info);
}
