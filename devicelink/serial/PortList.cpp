#include "PortList.h"

#include "PortName.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

extern char** environ;

namespace {
constexpr std::string_view VariablePrefix = "KRIX_COM";
constexpr const char* TtyClassDir = "/sys/class/tty";

// ttyS2 before ttyS10: the digits at the end compare as numbers.
bool NaturalLess(const std::string& a, const std::string& b) {
    auto split = [](const std::string& s) {
        std::size_t i = s.size();
        while (i > 0 && std::isdigit(static_cast<unsigned char>(s[i - 1])))
            --i;
        const std::string digits = s.substr(i);
        return std::pair{s.substr(0, i), digits.empty() ? -1L : std::stol(digits.substr(0, 9))};
    };
    const auto [stemA, numA] = split(a);
    const auto [stemB, numB] = split(b);
    if (stemA != stemB)
        return stemA < stemB;
    if (numA != numB)
        return numA < numB;
    return a < b;
}
} // namespace

std::vector<std::string> ListSerialPorts() {
    return ListSerialPorts(environ, TtyClassDir);
}

std::vector<std::string> ListSerialPorts(const char* const* environment, const std::string& ttyClassDir) {
    std::map<int, std::string> mapped; // COM number -> device path
    for (const char* const* entry = environment; entry && *entry; ++entry) {
        const std::string_view text(*entry);
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos || text.substr(0, VariablePrefix.size()) != VariablePrefix)
            continue;
        const std::string_view value = text.substr(equals + 1);
        const std::string_view digits = text.substr(VariablePrefix.size(), equals - VariablePrefix.size());
        const auto number = ComPortNumber("COM" + std::string(digits));
        if (number && !value.empty())
            mapped.emplace(*number, std::string(value));
    }

    std::vector<std::string> ports;
    std::set<std::string> named;
    for (const auto& [number, device] : mapped) {
        ports.push_back(ComPortName(number));
        named.insert(device);
    }

    std::vector<std::string> ttys;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ttyClassDir, error)) {
        std::error_code linkError;
        if (std::filesystem::exists(entry.path() / "device" / "driver", linkError))
            ttys.push_back(entry.path().filename().string());
    }
    std::sort(ttys.begin(), ttys.end(), NaturalLess);
    for (const std::string& tty : ttys) {
        const std::string device = "/dev/" + tty;
        if (named.insert(device).second)
            ports.push_back(device);
    }
    return ports;
}
