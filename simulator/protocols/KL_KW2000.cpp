#include "KL_KW2000.h"

#include "KLineUnit.h"

int RxData_CAN_7(std::int32_t* length, char* buffer, std::uint8_t*) {
    return kline::Receive("RxData_CAN_7 function error:\n", length, buffer);
}

int TxData_CAN_7(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo*) {
    static constexpr TxFailureTexts texts{"TxData_CAN_1 function error Invalid Operation!",
                                          "TxData_CAN_1 function error "};
    return kline::Transmit(texts, byteCount, bytes);
}
