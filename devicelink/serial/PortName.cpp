#include "PortName.h"

#include <cctype>
#include <cstdlib>

namespace {
constexpr std::string_view DevicePrefix = "\\\\.\\"; // \\.\ in front of a Windows device name
constexpr std::string_view ComPrefix = "COM";
constexpr std::string_view VariablePrefix = "KRIX_COM";
constexpr int MaxComNumber = 9999;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}
} // namespace

std::string ComPortName(int number) {
    return std::string(DevicePrefix) + std::string(ComPrefix) + std::to_string(number);
}

std::string ComPortVariable(int number) {
    return std::string(VariablePrefix) + std::to_string(number);
}

std::optional<int> ComPortNumber(std::string_view name) {
    if (name.substr(0, DevicePrefix.size()) == DevicePrefix)
        name.remove_prefix(DevicePrefix.size());
    if (!StartsWithNoCase(name, ComPrefix))
        return std::nullopt;
    name.remove_prefix(ComPrefix.size());
    if (name.empty() || name.size() > 4)
        return std::nullopt;
    int number = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > MaxComNumber)
        return std::nullopt;
    return number;
}

std::string ResolvePortName(std::string_view name) {
    if (!name.empty() && name.front() == '/')
        return std::string(name);
    const std::optional<int> number = ComPortNumber(name);
    if (!number)
        return {};
    if (const char* mapped = std::getenv(ComPortVariable(*number).c_str()); mapped && *mapped)
        return mapped;
    return "/dev/ttyS" + std::to_string(*number - 1);
}
