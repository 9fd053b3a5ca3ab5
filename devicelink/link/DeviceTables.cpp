#include "DeviceTables.h"

#include <algorithm>

DeviceTables::DeviceTables() {
    for (ErrorRecord& e : errors)
        e.code = -1;
}

std::size_t DeviceTables::capacity(Count which) {
    switch (which) {
    case ParameterCount: return Parameters;
    case StatusCount: return Statuses;
    case ActivationCount: return Activations;
    case InfoCount: return Infos;
    case StatusTextCount: return StatusTexts;
    case ScannedEcuCount: return ScannedEcus;
    case ErrorCount: return Errors;
    case CountKinds: break;
    }
    return 0;
}

void DeviceTables::setCount(Count which, std::size_t n) {
    counts[which] = static_cast<std::uint8_t>(std::min<std::size_t>({n, capacity(which), 255}));
}

std::size_t DeviceTables::count(Count which) const {
    return std::min<std::size_t>(counts[which], capacity(which));
}
