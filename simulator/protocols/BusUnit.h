#pragma once
// The contract between the request and answer loop and the bus units.
//
// A bus unit is a pair of routines for one family of buses. The loop calls the Rx routine once
// per pass to fetch one request and the Tx routine once per answer. The units reach the bus only
// through the process-wide link of BusLink.h (the bound TxFrame and RxFrame, the CAN
// identifiers, the clock), so the routines are plain function pointers that the loop selects
// once per simulation (ProtocolSelection.h).
//
// Rx routine: int RxData_CAN_n(std::int32_t* length, char* buffer, std::uint8_t* rxStatus)
//   buffer    room for BusRxBufferSize characters, owned by the loop.
//   result 1  a request arrived: buffer holds its wire text (lower-case hex, two characters a
//             byte, zero-terminated) and *length its byte count, at most BusMaxMessageBytes.
//             The loop reads the text as one leading byte and *length bytes, that is
//             2 + 2 * *length characters, and terminates it there itself; every character the
//             unit did not write up to that index is '\0', so nothing stale reaches the loop.
//             (The K-line units and the raw messages of CAN_VAG and CAN_Thesis deliver one byte
//             less than that; the text simply ends earlier.)
//   result 0  nothing was received within the unit's own waiting time; *length is 0.
//   rxStatus  two bytes; only CAN_Opel writes them (see RxStatus* below); may be null for the
//             other units.
//   Failures are raised as Exception with the unit's prefix ("RxData_CAN_1 function error:\n").
//
// Tx routine: int TxData_CAN_n(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info)
//   bytes     the answer's wire bytes (its Bytes in the store).
//   result 1 sent; 0 not sent (no flow control in time, or a frame other than flow control
//   while waiting for it); -1 a failure was caught and shown to the operator with ShowMessage.
//   CAN_Opel's Tx routine raises its failures instead ("TxData_CAN_3 function error:\n").
//
// Every routine runs on the engine's thread only, one call at a time.
#include <cstddef>
#include <cstdint>
#include <source_location>
#include <string>

#include "Exception.h"

// Six bytes that the loop passes with every answer: bytes 0 to 3 are not used, ItemType is the
// RequestType of the entry answered (read by CAN_VAG), MultiFlag is 1 when the answer is one of
// several to one request or a cyclic answer (read by CAN_Opel).
struct TTxInfo {
    std::uint8_t Unused[4] = {};
    std::uint8_t ItemType = 0;
    std::uint8_t MultiFlag = 0;
};
static_assert(sizeof(TTxInfo) == 6);
static_assert(offsetof(TTxInfo, ItemType) == 4 && offsetof(TTxInfo, MultiFlag) == 5);

// RxStatus: two bytes, written by CAN_Opel's Rx routine for each request it delivers and read by
// loop mode 2. Byte 0 tells the request "service 0x20 without data", byte 1 "service 0xAA".
inline constexpr int RxStatusSize = 2;
inline constexpr std::uint8_t RxStatusService20 = 4;  // byte 0
inline constexpr std::uint8_t RxStatusServiceAA = 2;  // byte 1
inline constexpr std::uint8_t RxStatusOther = 5;      // either byte otherwise
// What the loop presets before the first call (a value that is neither 4 nor 2).
inline constexpr std::uint8_t RxStatusPreset = RxStatusOther;

// The longest message a unit delivers: the 12-bit length of an ISO 15765-2 first frame. Longer
// messages (CAN_Volvo has no length field at all) are cut to this many bytes.
inline constexpr int BusMaxMessageBytes = 4095;
// Characters of the loop's receive buffer: the leading byte and BusMaxMessageBytes bytes as hex
// text, and the terminator. The loop's own clamps (MaxReqLen, mode 2's 512) stay below it.
inline constexpr int BusRxBufferSize = 2 + 2 * BusMaxMessageBytes + 1;

using BusRxRoutine = int (*)(std::int32_t* length, char* buffer, std::uint8_t* rxStatus);
using BusTxRoutine = int (*)(std::int32_t byteCount, const std::uint8_t* bytes, TTxInfo* info);

// A call the unit cannot make in the state it is in (no link bound, missing arguments). The Tx
// routines show it as "... function error Invalid Operation!".
class InvalidOperation : public Exception {
public:
    explicit InvalidOperation(std::string message,
                              std::source_location where = std::source_location::current())
        : Exception(std::move(message), where) {}
};
