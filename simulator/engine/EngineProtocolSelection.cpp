#include "EngineProtocolSelection.h"

#include "Exception.h"

namespace {
[[noreturn]] void NotSupported() { throw Exception("Not supported protocol!"); }

bool TxSupported(int tx) {
    switch (tx) {
    case 1: case 2: case 3: case 6: case 7: case 8: case 9: case 10: case -1: case 11: case 12: case 13:
        return true;
    default:
        return false;
    }
}
} // namespace

std::string ProtocolSectionName(const std::string& protocolKey) { return "PROTOCOL" + protocolKey; }

int DefaultPackPair(int rxSelector) {
    switch (rxSelector) {
    case 1: case 2: case 4: case 10: case 11: case 12: case 13:
        return 1;
    case 3: case 7:
        return 3;
    case 6:
        return 4;
    case 8:
        return 5;
    case 9:
        return 6;
    case -1:
        return 2;
    default:
        return 0;
    }
}

ProtocolChoice SelectProtocolValues(std::int32_t mode, std::int32_t system, std::int32_t rule,
                                       std::int32_t rx, std::int32_t pack, std::int32_t tx) {
    ProtocolChoice s;
    s.Mode = static_cast<std::uint8_t>(mode); // stored as a byte
    s.SimulatorSystem = system;
    if (rule < 1 || rule > 5) NotSupported();
    s.UnknownRule = rule;
    s.PackPair = DefaultPackPair(rx);
    if (s.PackPair == 0) NotSupported();
    s.RxSelector = rx;
    if (pack != PackFunctionAbsent) {
        if (pack < 1 || pack > 6) NotSupported();
        s.PackPair = pack;
    }
    if (!TxSupported(tx)) NotSupported();
    s.TxSelector = tx;
    return s;
}
