#pragma once
// Which routines a simulation uses, from its section of Default_file/protocol.ini: the loop
// mode, the simulated system number, the unknown-request rule, the Rx and Tx routines of the bus
// unit and the pack pair of the frame codec.
#include <cstdint>
#include <string>

// Value of an absent Pack_Function key: keep the Rx routine's default pack pair.
inline constexpr std::int32_t PackFunctionAbsent = -150;

struct ProtocolChoice {
    std::uint8_t Mode = 0;
    std::int32_t SimulatorSystem = 0;
    int UnknownRule = 0;     // 1 to 5: GetUnknownAnswer_n
    int RxSelector = 0;      // protocol.ini Rx_Answer_Function value
    int PackPair = 0;        // 1 to 6: PackRequest_n / UnPackRequest_n
    int TxSelector = 0;      // protocol.ini Tx_Composer_Function value
};

// The protocol.ini section of a simulation: "PROTOCOL" followed by its [PROTOCOL] PROTOCOL text.
std::string ProtocolSectionName(const std::string& protocolKey);

// The default pack pair of an Rx selector, or 0 when the selector is not supported.
int DefaultPackPair(int rxSelector);

// Reads the keys in their order and checks each; raises "Not supported protocol!" for an
// unsupported rule, Rx selector, pack pair or Tx selector. readInt(key, default) reads one key of
// the section.
template <typename ReadInt> ProtocolChoice SelectProtocol(ReadInt&& readInt);

ProtocolChoice SelectProtocolValues(std::int32_t mode, std::int32_t system, std::int32_t rule,
                                       std::int32_t rx, std::int32_t pack, std::int32_t tx);

template <typename ReadInt> ProtocolChoice SelectProtocol(ReadInt&& readInt) {
    const std::int32_t mode = readInt("Mode", 0);
    const std::int32_t system = readInt("Simulator_System", 0);
    const std::int32_t rule = readInt("UnknownRequest_Function", 0);
    const std::int32_t rx = readInt("Rx_Answer_Function", 0);
    const std::int32_t pack = readInt("Pack_Function", PackFunctionAbsent);
    const std::int32_t tx = readInt("Tx_Composer_Function", 0);
    return SelectProtocolValues(mode, system, rule, rx, pack, tx);
}
