#pragma once
// Builders for the frames a test expects, and one call of an Rx routine with its outcome.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "BusUnit.h"
#include "FakeBusLink.h"

inline constexpr std::uint32_t kIdEcu = FakeBusLink::DefaultIdEcu;
inline constexpr std::uint32_t kIdEcu2 = FakeBusLink::DefaultIdEcu2;
inline constexpr std::uint8_t kDlc8 = 0x08;
// One empty poll of the fake costs this much virtual time in every unit test.
inline constexpr std::uint32_t kPollCostMs = 1;

// A frame as TxFrame gets it: identifier (most significant byte first), length byte, data.
Bytes CanFrame(std::uint32_t id, std::uint8_t lengthByte, const Bytes& data);
Bytes Cat(std::initializer_list<Bytes> parts);
// count distinct message bytes, first, first + 1, ...
Bytes Pattern(int count, std::uint8_t first = 0x40);
Bytes Slice(const Bytes& b, std::size_t from, std::size_t count);
Bytes Zeros(std::size_t count);
std::string Hex(const Bytes& b);

struct RxOutcome {
    int Result = -99;
    std::int32_t Length = -1;
    std::string Text;     // up to the terminator
    bool CleanTail = true; // every character after the text up to 2 + 2 * Length is '\0'
};
// Calls r with a receive buffer of BusRxBufferSize characters filled with garbage first.
RxOutcome CallRx(BusRxRoutine r, std::uint8_t* rxStatus = nullptr);

// One received delivery and what the Rx routine must make of it.
struct DeliveryCase {
    Bytes Frame;
    int Result;
    std::int32_t Length;
    std::string Text;
};
// Hands each frame to r in its own call and checks the outcome.
void ExpectDeliveries(FakeBusLink& link, BusRxRoutine r, const std::vector<DeliveryCase>& cases);

// Compares the recorded TxFrame calls with the expected frames one by one.
void ExpectFrames(const std::vector<SentFrame>& sent, const std::vector<Bytes>& expected);
